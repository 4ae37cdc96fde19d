#pragma once

#include "travail.h"

#include <QString>

namespace quorvale {

/** Une table MapInfo pour un dessin dxf : sans « Regrouper les couches », la tâche du traducteur ;
 *  avec, les tables des couches écrites dans DossierTemp + "TempTrad" sont réunies par MapInfo à la
 *  destination (.tab). Le dossier de travail est supprimé à chaque sortie, erreur comprise ; quand la
 *  destination est elle-même dans "TempTrad", le travail se fait dans son sous-dossier "Regroupement".
 *  Lève Erreur quand le traducteur n'a écrit aucune table, quand MapInfo n'est pas ouvert ou qu'il
 *  refuse une instruction. */
void RegroupeCouches(Travail &travail, const QString &source, const QString &destination);

/** Les instructions MapBasic du regroupement, dans l'ordre (tables déjà triées, la première en tête). */
QStringList InstructionsRegroupement(const QStringList &tables, const QString &dossierTravail,
                                     const QString &destination);

} // namespace quorvale
