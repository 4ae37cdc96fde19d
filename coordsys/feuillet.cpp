#include "feuillet.h"

#include "catalogue.h"
#include "feuillet_geometrie.h"

#include <QHash>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

enum Moitie { Est, Ouest, Aucune };

Moitie MoitieDuNumero(const QString &numero)
{
    static const QStringList est{u"01"_s, u"02"_s, u"07"_s, u"08"_s, u"09"_s, u"10"_s, u"15"_s, u"16"_s};
    static const QStringList ouest{u"03"_s, u"04"_s, u"05"_s, u"06"_s, u"11"_s, u"12"_s, u"13"_s, u"14"_s};
    if (est.contains(numero))
        return Est;
    if (ouest.contains(numero))
        return Ouest;
    return Aucune;
}

struct RangeeMTM {
    const char16_t *feuillets;
    const char16_t *meridiens[3]; // est, ouest, aucune ; nullptr : pas de méridien
};

// 31i est entièrement entre 72° et 74° O, dans la zone MTM 8, comme 31h.
constexpr RangeeMTM TableMTM[] = {
    {u"31l 31m 32d 32e 32l 32m 33d 33e 33l 33m", {u"79.5", u"79.5", u"79.5"}},
    {u"31f 31k 31n 32c 32f 32k 32n 33c 33f 33k 33n", {u"76.5", u"76.5", u"76.5"}},
    {u"31g 31o 32b 32g 32j 32o 33b 33g 33j 33o", {u"73.5", u"76.5", nullptr}},
    {u"31j", {u"73.5", u"76.5", u"73.5"}},
    {u"31h 31i 31p 32a 32h 32i 32p 33a 33h 33i 33p", {u"73.5", u"73.5", u"73.5"}},
    {u"21e 21l 21m 22d 22e 22l 22m 23d 23e 23l 23m", {u"70.5", u"70.5", u"70.5"}},
    {u"21k 21n 22c 22f 22k 22n 23c 23f 23k 23n", {u"67.5", u"70.5", nullptr}},
    {u"21o 22b 22g 22j 22o 23b 23g 23j 23o", {u"67.5", u"67.5", u"67.5"}},
    {u"21p 22a 22h 22i 22p 23a 23h 23i 23p", {u"64.5", u"64.5", u"64.5"}},
    {u"11m 12d 12e 12l 12m 13d 13e 13l 13m", {u"61.5", u"64.5", nullptr}},
    {u"11n 12c 12f 12k 12n 13c 13f 13k 13n", {u"61.5", u"61.5", u"61.5"}},
    {u"12g 12j 12o 13b 13g 13j 13o", {u"58.5", u"58.5", u"58.5"}},
    {u"12h 12i 12p 13a 13h 13i 13p", {nullptr, u"58.5", nullptr}},
};

struct RangeeUTM {
    const char16_t *meridien;
    const char16_t *feuillets;
};

constexpr RangeeUTM TableUTM[] = {
    {u"81", u"31l 31m 32d 32e 32l 32m 33d 33e 33l 33m 34m 35d 35e 35l"},
    {u"75", u"31f 31g 31h 31i 31j 31k 31n 31o 31p 32a 32b 32c 32f 32g 32h 32i 32j 32k 32n 32o 32p 33a 33b 33c"},
    {u"69", u"21e 21k 21l 21m 21n 21o 22b 22c 22d 22e 22f 22g 22j 22k 22l 22m 22n 22o 23b 23c 23d 23e 23f 23g"},
    {u"63", u"11n 12e 12f 12k 12l 12m 12n 13c 13d 13l 13m 14d 14e 14l 22a 22h 22i 22p 23a 23i 23p 24a 24h 24i 24p 25a"},
    {u"57", u"12j 12o 12p 13a 13b"},
};

bool FeuilletDansListe(const char16_t *liste, const QString &feuillet)
{
    return QString::fromUtf16(liste).split(u' ').contains(feuillet);
}

// Un caractère au-delà de la fin du composant compte comme non numérique.
bool Numerique(const QString &composant, qsizetype i)
{
    return i < composant.size() && EstNumerique(QString(composant[i]));
}

bool MotifMTM(const QString &c)
{
    return Numerique(c, 0) && Numerique(c, 1) && !Numerique(c, 2) && Numerique(c, 3) && Numerique(c, 4)
        && !Numerique(c, 5) && !Numerique(c, 6);
}

bool MotifUTM(const QString &c)
{
    return c.size() >= 3 && c[0] >= u'0' && c[0] <= u'3' && c[1] >= u'0' && c[1] <= u'5' && c[2] >= u'a'
        && c[2] <= u'p';
}

} // namespace

bool EstNumerique(const QString &texte)
{
    if (texte.isEmpty())
        return false;
    for (const QChar c : texte) {
        if ((c >= u'0' && c <= u'9') || c == u'.')
            continue;
        if (c == u',' && texte.size() >= 2)
            continue;
        return false;
    }
    return true;
}

QString FeuilletMTM(const QString &chemin)
{
    const QStringList composants = chemin.split(u'/');
    for (const QString &c : composants)
        if (MotifMTM(c))
            return c.left(7);
    return {};
}

QString FeuilletUTM(const QString &chemin)
{
    const QStringList composants = chemin.toLower().split(u'/');
    for (const QString &c : composants)
        if (MotifUTM(c))
            return c.left(3);
    return {};
}

QString MeridienMTM(const QString &feuillet)
{
    const QString carte = feuillet.left(3).toLower();
    const Moitie moitie = MoitieDuNumero(feuillet.mid(3, 2).toLower());
    for (const RangeeMTM &r : TableMTM)
        if (FeuilletDansListe(r.feuillets, carte))
            return r.meridiens[moitie] ? QString::fromUtf16(r.meridiens[moitie]) : QString();
    return {};
}

QString MeridienUTM(const QString &feuillet)
{
    const QString carte = feuillet.toLower();
    for (const RangeeUTM &r : TableUTM)
        if (FeuilletDansListe(r.feuillets, carte))
            return QString::fromUtf16(r.meridien);
    return {};
}

QString MeridienMTMFeuillet(const QString &feuillet)
{
    const QString m = MeridienMTM(feuillet);
    return m.isEmpty() ? MeridienMTMGeometrie(feuillet) : m;
}

QString MeridienUTMFeuillet(const QString &feuillet)
{
    const QString m = MeridienUTM(feuillet);
    return m.isEmpty() ? MeridienUTMGeometrie(feuillet) : m;
}

QString ClauseFeuillet(bool mtm, bool nad83, const QString &meridien)
{
    QString clause = u"CoordSys Earth Projection "_s + u"8,"_s + (nad83 ? u"74"_s : u"66"_s)
                     + (mtm ? u",7,-?,0,0.9999,304800,0"_s : u",7,-?,0,0.9996,500000,0"_s);
    return clause.replace(u'?', meridien);
}

OrigineSysteme ExpliqueProjection(const QString &chemin, const ReglagesProjection &reglages,
                                  const QList<Association> &associations, const QString &projectionChoisie)
{
    if (reglages.Feuillets) {
        const QString nomDatum = reglages.Nad83 ? u"NAD 83"_s : u"NAD 27"_s;
        // Un feuillet sans méridien ne donne pas de clause à longitude vide : on passe à la suite.
        if (reglages.Mtm) {
            const QString feuillet = FeuilletMTM(chemin);
            const QString meridien = feuillet.isEmpty() ? QString() : MeridienMTMFeuillet(feuillet);
            if (!meridien.isEmpty())
                return {ClauseFeuillet(true, reglages.Nad83, meridien), RegleSysteme::Feuillet,
                        u"feuillet %1, MTM zone %2 (méridien -%3), %4"_s
                            .arg(feuillet, QString::number(qRound((meridien.toDouble() - 49.5) / 3)), meridien, nomDatum)};
        } else {
            const QString feuillet = FeuilletUTM(chemin);
            const QString meridien = feuillet.isEmpty() ? QString() : MeridienUTMFeuillet(feuillet);
            if (!meridien.isEmpty())
                return {ClauseFeuillet(false, reglages.Nad83, meridien), RegleSysteme::Feuillet,
                        u"feuillet %1, UTM zone %2 (méridien -%3), %4"_s
                            .arg(feuillet, QString::number(qRound((183 - meridien.toDouble()) / 6)), meridien, nomDatum)};
        }
    }
    if (reglages.AssoMots)
        if (const Association *a = ChercheAssociation(associations, chemin))
            return {ClauseProjection(a->Parametres), RegleSysteme::Association,
                    u"mot « %1 » : %2"_s.arg(a->Mot, a->Nom)};
    return {projectionChoisie, RegleSysteme::Choisie, {}};
}

QString ProjectionFichier(const QString &chemin, const ReglagesProjection &reglages,
                          const QList<Association> &associations, const QString &projectionChoisie)
{
    return ExpliqueProjection(chemin, reglages, associations, projectionChoisie).Clause;
}

} // namespace quorvale
