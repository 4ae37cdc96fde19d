#pragma once

// Ce que le traducteur sait sans GDAL : ses deux lignes de commande, son langage de
// correspondance (PARAM.TXT et Trad_Macro.txt, décrit dans README.md) et un balayage léger
// des sources pour décrire leurs types d'entités.

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

namespace quorvale::ut {

enum class Format { Inconnu, MapInfo, Mif, Shape, E00, Dxf };

/** Format d'un mot-clé de lecteur ou d'écrivain, sans égard à la casse ; Inconnu sinon. */
Format FormatDuMot(const QString &mot);
/** Mot-clé canonique d'un format, tel que PARAM.TXT l'écrit ("MAPINFO", "DWG" ...). */
QString MotDuFormat(Format format);

/** La commande generate, lue. */
struct Generation {
    Format lecteur = Format::Inconnu;
    Format ecrivain = Format::Inconnu;
    QString jeu;      // dossier (tab, mif, shp) ou fichier (dxf, e00)
    QString param;    // le fichier de correspondance à écrire
    QString id;       // nom de base après ID ; vide sans ID
    QList<QPair<QString, QString>> options; // nom sans "--", valeur
};

/** Lit les arguments qui suivent "generate" ; lève Erreur sur une commande mal formée. */
Generation LitGeneration(const QStringList &arguments);
/** Types d'entités du jeu : le nom de base, les calques du dessin, les classes de la couverture. */
QStringList TypesEntites(const Generation &generation);
/** Texte de PARAM.TXT pour cette commande et ces types d'entités. */
QString TexteParam(const Generation &generation, const QStringList &types);

/** Calques d'un DXF texte, dans l'ordre de la table puis des entités ; lève Erreur s'il ne se lit pas. */
QStringList CalquesDxf(const QString &chemin);
/** Comme CalquesDxf, sur le contenu du dessin déjà lu. */
QStringList CalquesDxfTexte(const QByteArray &contenu);
/** Classes d'entités d'une couverture E00 non compressée ("arcs", "polygones", "points", "annotations",
 *  "regions" : les sous-classes de régions RPL, réunies par GDAL en une couche). */
QStringList ClassesE00(const QByteArray &texte);
/** Vrai quand la section PRJ d'une couverture non compressée nomme un système terrestre : un mot-clé
 *  Projection autre que UNKNOWN, ou un WKT PROJCS / GEOGCS. Simple balayage du texte de la section. */
bool PrjTerrestreE00(const QByteArray &texte);

/** Un travail de traduction, tel que Trad_Macro.txt et PARAM.TXT le décrivent ensemble. */
struct Travail {
    Format lecteur = Format::Inconnu;
    Format ecrivain = Format::Inconnu;
    QString source;        // le fichier source (chemin résolu sans égard à la casse)
    QString destination;   // DestDataset tel quel : dossier, ou chemin du .dxf
    QString base;          // nom de base des sorties
    QString baseCalques;   // préfixe des tables d'un dessin (LAYERBASENAME)
    QString coordsys;      // clause CoordSys imposée ; vide sinon
    QStringList types;     // types d'entités décrits par generate
    QMap<QString, QString> options; // nom en majuscules, sans Source_/Dest_
};

/** Lit un fichier de correspondance (MACRO, INCLUDE, directives) ; lève Erreur en français. */
Travail LitTravail(const QString &chemin);
/** Comme LitTravail, le fichier de chemin donné ayant pour contenu ces octets (les INCLUDE sont lus
 *  sur le disque, relatifs au dossier de chemin). */
Travail LitTravailTexte(const QByteArray &contenu, const QString &chemin);

/** Classes d'une couverture et suffixes des tables qu'elles donnent, dans l'ordre d'écriture. */
const QList<QPair<QString, QString>> &ClassesCouverture();

/** La commande generate complète (arguments après "generate") ; 0 ou 1, message sur stderr. */
int Genere(const QStringList &arguments);

/** Texte Windows-1252 ; les caractères hors de ce jeu deviennent \U+XXXX (forme des dessins). */
QByteArray EnCp1252(const QString &texte);
/** Vrai quand chaque caractère du texte existe en Windows-1252. */
bool TientEnCp1252(const QString &texte);
/** Octets UTF-8 s'ils en sont, sinon Windows-1252 ; les \U+XXXX des dessins sont décodés à part. */
QString DepuisCp1252OuUtf8(const QByteArray &octets);
/** Remplace les séquences \U+XXXX d'un texte de dessin par leur caractère. */
QString DecodeUnicodeDxf(const QString &texte);

/** Écrit la ligne d'échec en français sur la sortie d'erreur. */
void SignaleEchec(const QString &message);
/** Une ligne « Avertissement : <message> » sur la sortie d'erreur : le fichier est traduit, mais
 *  quelque chose s'est perdu ou a changé ; le traitement la range dans le résultat du fichier. */
void SignaleAvertissement(const QString &message);

} // namespace quorvale::ut
