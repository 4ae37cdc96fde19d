#include "avertissementsgdal.h"

#include <QRegularExpression>

namespace quorvale::ut {

using namespace Qt::Literals::StringLiterals;

namespace {

// Un texte de GDAL pour le rapport : sur une ligne, sans « cet avertissement ne sera plus émis »,
// borné (une valeur coupée peut faire un million de caractères).
QString Abrege(QString texte, qsizetype longueur)
{
    texte = texte.simplified();
    static const QRegularExpression plusEmis(uR"(\s*This warning will not be emitted any ?more[^.]*\.?)"_s,
                                             QRegularExpression::CaseInsensitiveOption);
    texte.remove(plusEmis);
    if (texte.endsWith(u'.'))
        texte.chop(1);
    if (texte.size() > longueur)
        texte = texte.left(longueur - 1) + u'…';
    return texte;
}

struct Motif {
    QRegularExpression re;
    QString texte; // %1… : parties saisies ; vide : avertissement tu
};

const std::vector<Motif> &Motifs()
{
    static const std::vector<Motif> motifs = [] {
        const std::pair<const char16_t *, const char16_t *> table[] = {
            // Écriture d'un fichier de formes et de sa table dBase.
            {uR"(^Value '.*' of field (\S+) has been truncated to (\d+) characters)",
             u"des valeurs de la colonne « %1 » sont coupées à %2 caractères"},
            {uR"(^Field (\S+) of width (\d+) truncated to (\d+))",
             u"la colonne « %1 » passe de %2 à %3 caractères : les valeurs plus longues sont coupées"},
            {uR"(^Value (.*) of field (\S+) of feature \d+ not successfully written)",
             u"des valeurs de la colonne « %2 » ne tiennent pas dans sa largeur et ne sont pas écrites"},
            // Les noms de colonnes suivent la règle du format (dix octets d'un fichier de formes,
            // « - » d'un item de couverture en « _ » dans une table) : attendu, les valeurs restent.
            {uR"(^Normalized/laundered field name|^Field name '.*' contains invalid characters)", u""},
            // Écriture d'une table MapInfo.
            {uR"(written outside of the file's predefined bounds)",
             u"des objets sont hors des bornes de la table : leurs coordonnées peuvent être fausses à la relecture"},
            {uR"(^These objects may have invalid coordinates|^Predefined bounds:)", u""},
            {uR"(^Cannot find iconv encoding corresponding to MapInfo)", u""},
            {uR"(^Value (\S+) for field (\S+) is too large\. Truncating)",
             u"des valeurs de la colonne « %2 » sont trop grandes et sont coupées"},
            // Recodage des textes, nombres.
            {uR"(characters couldn't be converted correctly from (\S+) to ([^.\s]+))",
             u"des caractères ne passent pas de %1 en %2 : ils sont perdus ou remplacés"},
            {uR"(^Value '(.{0,40}).*' of field (?:.*\.)?(\S+) parsed incompletely to (integer|real) (\S+))",
             u"la valeur « %1 » de la colonne « %2 » n'est lue qu'en partie : elle devient %4"},
            {uR"(^Integer overflow occurred when trying to set)",
             u"un entier trop grand pour sa colonne est écrit à sa valeur limite"},
            {uR"(^Truncated double value (\S+) to (\S+))", u"le réel %1 est arrondi à %2"},
            // Textes et lignes trop longs, enregistrements et géométries sautés ou réparés.
            {uR"(^(Too long string|Long line|String \S+) truncated)", u"un texte trop long est coupé"},
            {uR"(^Truncated (\S+) field value)", u"des valeurs de la colonne « %1 » trop longues sont coupées"},
            // Un anneau ouvert est lu tel quel : rien ne change.
            {uR"(Non closed ring)", u""},
            {uR"(skipp|discard|dropp|ignor.*(record|feature|geometr|entit|vertex|vertices|point))",
             u"GDAL a laissé de côté une partie des données"},
            {uR"(truncat|repair|lost|not (successfully )?written|clamp)", u"GDAL a modifié des données"},
        };
        std::vector<Motif> m;
        for (const auto &[motif, texte] : table)
            m.push_back({QRegularExpression(QString::fromUtf16(motif), QRegularExpression::CaseInsensitiveOption),
                         QString::fromUtf16(texte)});
        return m;
    }();
    return motifs;
}

} // namespace

std::optional<QString> AvertissementGdalEnFrancais(const QString &gdal)
{
    const QString texte = gdal.simplified();
    for (const Motif &m : Motifs()) {
        const auto trouve = m.re.match(texte);
        if (!trouve.hasMatch())
            continue;
        if (m.texte.isEmpty())
            return std::nullopt;
        // Les parties saisies en une passe : un nom de colonne qui contiendrait « %2 » reste tel quel.
        QString francais;
        for (qsizetype i = 0; i < m.texte.size(); ++i) {
            const int n = i + 1 < m.texte.size() ? m.texte[i + 1].digitValue() : -1;
            if (m.texte[i] == u'%' && n > 0 && n <= trouve.lastCapturedIndex()) {
                francais += Abrege(trouve.captured(n), 60);
                ++i;
            } else {
                francais += m.texte[i];
            }
        }
        return francais;
    }
    return std::nullopt;
}

void AvertissementsGdal::Oublie()
{
    entrees_.clear();
    autres_ = 0;
}

void AvertissementsGdal::Note(const char *message)
{
    if (!message)
        return;
    const QString gdal = QString::fromUtf8(message);
    const auto francais = AvertissementGdalEnFrancais(gdal);
    if (!francais)
        return;
    for (Entree &e : entrees_)
        if (e.francais == *francais) {
            ++e.fois;
            return;
        }
    // Des milliers de messages différents n'en disent pas plus que les premiers.
    if (entrees_.size() >= 50) {
        ++autres_;
        return;
    }
    entrees_.push_back({*francais, Abrege(gdal, 200), 1});
}

QStringList AvertissementsGdal::Lignes() const
{
    QStringList lignes;
    for (const Entree &e : entrees_) {
        if (lignes.size() == 3)
            break;
        const QString fois = e.fois > 1 ? u"%1 fois ; "_s.arg(e.fois) : QString();
        lignes << u"%1 (%2GDAL : %3)"_s.arg(e.francais, fois, e.gdal);
    }
    const qsizetype reste = qsizetype(entrees_.size()) - lignes.size() + autres_;
    if (reste > 0)
        lignes.last() += u" (et %1 autre%2)"_s.arg(reste).arg(reste > 1 ? u"s"_s : QString());
    return lignes;
}

} // namespace quorvale::ut
