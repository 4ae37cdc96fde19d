#pragma once

// Les jeux de caractères, communs au traducteur et au serveur MapInfo : une seule table des noms
// MapInfo (dans les deux sens), les noms qu'écrivent les .cpg, les codes de langue des tables
// dBase, et la règle qui décide du jeu d'une source.
//
// La règle, pour chaque source : ce que déclare le fichier (.cpg ou .cst d'un fichier de formes,
// Charset d'une table MapInfo ou d'un MIF), puis le code de langue du .dbf (octet 29) avec sa vraie
// page de code (sauf des textes accentués qui forment de l'UTF-8 valide : ils le démentent), puis
// les octets eux-mêmes : de l'UTF-8 valide d'un bout à l'autre est de l'UTF-8, tout le reste du
// Windows-1252. « Neutral », un code de langue 0 ou une déclaration inconnue ne
// disent rien : on passe à l'étape suivante.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quorvale::jeux {

/** Nom iconv d'un jeu MapInfo (« WindowsCyrillic » → « CP1251 », « UTF-8 » → « UTF-8 ») ; vide pour
 *  « Neutral » ou un nom inconnu. */
QString CodageDeCharset(const QString &charset);
/** Nom MapInfo d'un codage iconv (« CP1250 » → « WindowsLatin2 ») ; vide s'il n'y en a pas. */
QString CharsetDeCodage(const QString &codage);
/** Codage iconv du contenu d'un .cpg ou d'un .cst (« ANSI 1250 », « 1251 », « CP1250 »,
 *  « windows-1252 », « UTF-8 », « 88591 » ...) ; vide si le texte ne se comprend pas. */
QString CodageDeCpg(const QByteArray &contenu);
/** Page de code d'un code de langue dBase (0x57 → « CP1252 ») ; vide pour 0 ou un code inconnu. */
QString CodageDeLdid(uchar ldid);
/** Vrai quand les octets sont de l'UTF-8 bien formé (l'ASCII seul en est). */
bool EstUtf8Valide(const QByteArray &octets);
/** « UTF-8 » quand les octets sont de l'UTF-8 valide (ou du seul ASCII), sinon « CP1252 ». */
QString Detecte(const QByteArray &octets);

/** Le codage d'une source (.shp, .dbf, .tab, .mif, .e00) selon la règle ci-dessus, et d'où il vient
 *  (« .cpg », « code de langue », « Charset », « détection »). */
struct Decision {
    QString codage;
    QString origine;
};
Decision CodageSource(const QString &chemin);

/** Vrai quand chaque texte s'écrit dans ce codage (iconv, sans translittération). */
bool Tient(const QStringList &textes, const QString &codage);
/** Les caractères distincts du texte que le codage ne tient pas, dans l'ordre où ils paraissent. */
QString HorsDuJeu(const QStringList &textes, const QString &codage);

/** L'avertissement à dire pour des caractères qu'une destination ne tient pas (vide s'il n'y en a
 *  pas) : « les caractères « Ж » ne tiennent pas dans le jeu CP1252 de « x.e00 » ... ». */
QString AvertissementHorsJeu(const QString &caracteres, const QString &codage, const QString &fichier,
                             const QString &devenir);

} // namespace quorvale::jeux
