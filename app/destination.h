#pragma once

#include "choix.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace quorvale {

/** Vrai quand le dossier de destination existe, ou manque mais que son parent existe (il sera créé). */
bool DestinationPossible(const QString &dossierCible);
/** Crée le dossier de destination qui manque (son parent existe), puis vérifie qu'on peut y écrire :
 *  le refus à montrer, rien quand tout convient. */
std::optional<QString> PrepareDestination(const QString &dossierCible);
/** Les refus de PrepareDestination, vérifiés sans rien créer : rien quand tout convient. */
std::optional<QString> RefusDestination(const QString &dossierCible);
/** Retire, du plus profond au moins profond, ceux des dossiers donnés qui sont restés vides. */
void RetireDossiersVides(const QStringList &dossiers);

} // namespace quorvale
