#pragma once

#include "travail.h"

#include <QString>

namespace quorvale {

/** Une table MapInfo pour un dessin dxf : sans « Regrouper les couches », la tâche du traducteur ;
 *  avec, les tables des couches écrites dans DossierTemp + "TempTrad" sont réunies par MapInfo à la
 *  destination (.tab). Le dossier de travail est supprimé à chaque sortie, erreur comprise ; quand la
 *  destination est elle-même dans "TempTrad", le travail se fait dans son sous-dossier "Regroupement".
 *  Lève RefusFichier (le fichier échoue, le traitement continue) quand le traducteur n'a écrit aucune
 *  table ou que MapInfo refuse une instruction ; Erreur quand MapInfo n'est pas ouvert. */
void RegroupeCouches(Travail &travail, const QString &source, const QString &destination);

/** Envoie les instructions à MapInfo dans l'ordre ; un refus, un délai dépassé ou un serveur mort
 *  lèvent RefusFichier avec le texte de MapInfo, après un "Close All" qui libère les tables ouvertes :
 *  c'est le fichier en cours qui échoue, pas le traitement. */
void ExecuteMapInfo(ObjetAutomation &appMapInfo, const QStringList &instructions);

/** Les instructions MapBasic du regroupement, dans l'ordre (tables déjà triées, la première en tête). */
QStringList InstructionsRegroupement(const QStringList &tables, const QString &dossierTravail,
                                     const QString &destination);

} // namespace quorvale
