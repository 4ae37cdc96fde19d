#pragma once

// Le dessin binaire : la marque « AutoCAD Binary DXF\r\n\x1a\0 », puis les mêmes paires code / valeur
// que le dessin texte, le code sur un octet (255 : deux octets suivent ; R12 et avant) ou sur deux
// octets (R13 et après), la valeur sous la forme binaire de son type. GDAL ne lit que le texte : le
// dessin est d'abord récrit dans sa forme texte, à l'identique paire pour paire.

#include <QByteArray>
#include <QString>
#include <optional>

namespace quorvale::dxf {

/** Vrai quand les octets commencent par la marque d'un dessin binaire. */
bool EstBinaire(const QByteArray &debut);

/** La forme texte du dessin binaire (fins de ligne CR LF) ; la raison, en français, quand le dessin
 *  est coupé ou ne suit pas la forme binaire (« nom » sert au message). */
struct Conversion {
    QByteArray texte;
    QString erreur;
};
Conversion DxfTexte(const QByteArray &binaire, const QString &nom);

} // namespace quorvale::dxf
