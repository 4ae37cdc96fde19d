#pragma once

#include "registre.h"

#include <QString>
#include <optional>

namespace quorvale {

/** Le dossier d'installation (terminé par "/") du serveur d'automation inscrit sous ce ProgID,
 *  d'après sa commande LocalServer ; vide quand une clé manque. */
QString DossierInstallation(const Registre &registre, const QString &progId);

/** Le message qui refuse le démarrage, ou rien quand MapInfo et son traducteur sont là. */
std::optional<QString> RefusDemarrage(const QString &dossierMapInfo);

} // namespace quorvale
