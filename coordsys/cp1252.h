#pragma once

#include <QByteArray>
#include <QString>

namespace quorvale {

/** Windows-1252 ; les cinq octets sans caractère (81, 8D, 8F, 90, 9D) passent tels quels (U+0081...). */
QString DecodeCp1252(const QByteArray &octets);
/** Vrai quand chaque caractère du texte a un code en Windows-1252. */
bool EncodableCp1252(const QString &texte);
/** Le texte en Windows-1252 ; un caractère sans code devient "?". */
QByteArray EncodeCp1252(const QString &texte);

} // namespace quorvale
