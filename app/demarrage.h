#pragma once

#include "registre.h"

#include <QString>
#include <optional>

namespace quorvale {

/** Le dossier d'installation (terminé par "/") du serveur d'automation inscrit sous ce ProgID,
 *  d'après sa commande LocalServer ; vide quand une clé manque. */
QString DossierInstallation(const Registre &registre, const QString &progId);

/** Le serveur livré à inscrire avant les contrôles : serveurLivre (vide hors d'un programme installé)
 *  quand aucun serveur n'est inscrit ou que l'inscription mène à un dossier qui n'existe plus ; vide
 *  sinon, en particulier quand elle mène à un autre dossier MapInfo bien là. */
QString ServeurAInscrire(const Registre &registre, const QString &serveurLivre);

/** Un programme installé inscrit lui-même, au premier démarrage de l'utilisateur, le serveur livré
 *  avec lui (« mapinfow --regserver ») ; ailleurs, rien ne change. Un échec laisse les contrôles
 *  du démarrage le dire. */
void InscritServeurLivre(const Registre &registre, const QString &dossierExecutable);

/** Le message qui refuse le démarrage, ou rien quand MapInfo et son traducteur sont là. */
std::optional<QString> RefusDemarrage(const QString &dossierMapInfo);

} // namespace quorvale
