#pragma once

#include <QString>

namespace quorvale {

/** La clé "LLLLCCCC" d'une entrée de traduction (langue, page de code) en hexadécimal majuscule. */
QString CleTraduction(quint16 langue, quint16 pageDeCode);

/** Le texte FileVersion du bloc de version rangé sous racine (VarFileInfo/Translation, puis
 *  StringFileInfo/<clé>/FileVersion) ; "(Inconnue)" quand il ne se lit pas. */
QString VersionFichier(const QString &racine = QStringLiteral(":/version"));

} // namespace quorvale
