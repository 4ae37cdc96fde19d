#include "sorties.h"

#include "fichiers.h"

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

const std::array<QString, 12> Suffixes = {
    u"_region"_s, u"_polyline"_s, u"_point"_s, u"_ellipse"_s, u"_rectangle"_s, u"_text"_s,
    u"_rounded_rectangle"_s, u"_none"_s, u"_collection"_s, u"_font_point"_s, u"_custom_point"_s, u"_arc"_s};

// Le .cpg dit l'encodage de la table : il suit le jeu renommé, sinon les accents se lisent mal.
const std::array<QString, 5> Compagnons = {u".shp"_s, u".shx"_s, u".dbf"_s, u".prj"_s, u".cpg"_s};

QString MinusculesAscii(QString texte)
{
    for (QChar &c : texte)
        if (c >= u'A' && c <= u'Z')
            c = QChar(char16_t(c.unicode() + 32));
    return texte;
}

// Le chemin sans son extension (à partir du dernier "." du nom de fichier).
QString SansExtension(const QString &chemin)
{
    const qsizetype barre = chemin.lastIndexOf(u'/');
    const qsizetype point = chemin.lastIndexOf(u'.');
    return point > barre ? chemin.left(point) : chemin;
}

} // namespace

bool PlusieursGeometries(const QString &base)
{
    int trouves = 0;
    for (const QString &suffixe : Suffixes)
        if (FichierExiste(base + suffixe + u".shp"_s) && ++trouves >= 2)
            return true;
    return false;
}

void RenommeSortiesShp(const QString &destination)
{
    // Base en minuscules : les noms simples créés ici sont en minuscules ; le résolveur retrouve les
    // fichiers du traducteur même quand le dossier porte des majuscules.
    const QString base = MinusculesAscii(SansExtension(destination));
    if (PlusieursGeometries(base))
        return;
    for (const QString &suffixe : Suffixes) {
        for (const QString &extension : Compagnons) {
            const QString decoupe = base + suffixe + extension;
            if (!FichierExiste(decoupe))
                continue;
            const QString simple = base + extension;
            if (FichierExiste(simple))
                (void)SupprimeFichier(simple);
            (void)DeplaceFichier(decoupe, simple);
        }
    }
}

} // namespace quorvale
