#pragma once

class QWidget;

namespace quorvale {

/** SIGTERM, SIGHUP ou SIGINT ferment « principale » comme l'utilisateur le ferait (pendant un
 *  traitement : annulé, l'appel en cours interrompu, remis en état) ; un second signal arrête tout. */
void SurveilleSignaux(QWidget &principale);
/** Le signal qui a fermé le programme, 0 sinon. */
int SignalDeFin();

/** Démarre le programme : titre, traductions de Qt, fenêtres dans leur ordre, boucle des messages. */
int LanceApplication(int argc, char *argv[]);

} // namespace quorvale
