#pragma once

#include <QString>

namespace quorvale {

// Un programme installé (cmake --install, paquet) range ses parties comme tout programme Debian :
// <préfixe>/bin, <préfixe>/lib/quorvale/mapinfo, <préfixe>/share/quorvale. Tout se trouve à partir
// du dossier de l'exécutable, jamais par un chemin fixé à la construction : le préfixe est libre.

/** Vrai quand le programme est installé : <dossier de l'exécutable>/../share/quorvale existe. */
bool ProgrammeInstalle(const QString &dossierExecutable);

/** Le dossier de l'aide et des associations par défaut, sans "/" final : <préfixe>/share/quorvale
 *  d'un programme installé, sinon le dossier de l'exécutable. */
QString DossierDonnees(const QString &dossierExecutable);

/** Le serveur MapInfo livré avec un programme installé (<préfixe>/lib/quorvale/mapinfo/mapinfow) ;
 *  vide quand il n'y en a pas (dossier de construction). */
QString ServeurLivre(const QString &dossierExecutable);

} // namespace quorvale
