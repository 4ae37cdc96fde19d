#pragma once

#include "automation.h"
#include "horloge.h"
#include "interface.h"
#include "processus.h"
#include "registre.h"

namespace quorvale {

/** Les services de la plate-forme que reçoivent les fenêtres et le traitement. */
struct Services {
    Registre &registre;
    Reglages &reglages;
    Automation &automation;
    Processus &processus;
    Messages &messages;
    Dialogues &dialogues;
    Aide &aide;
    Horloge &horloge;
};

} // namespace quorvale
