#pragma once

namespace quorvale {

/** Démarre le programme : titre, traductions de Qt, fenêtres dans leur ordre, boucle des messages. */
int LanceApplication(int argc, char *argv[]);

} // namespace quorvale
