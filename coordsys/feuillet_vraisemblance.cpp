#include "feuillet_vraisemblance.h"

#include "feuillet.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

QString NomZone(const ZoneTM &zone)
{
    const int n = NumeroZone(zone);
    const QString systeme = zone.mtm ? u"MTM"_s : u"UTM"_s;
    return n ? systeme + u' ' + QString::number(n)
             : systeme + u" de méridien "_s + QString::number(-zone.meridien) + u" O"_s;
}

QString Kilometres(double metres)
{
    return QString::number(std::max<long long>(1, std::llround(metres / 1000))) + u" km"_s;
}

} // namespace

std::optional<ZoneTM> ZoneDeClause(const QString &clause)
{
    const QString tete = u"CoordSys Earth Projection "_s;
    if (!clause.startsWith(tete))
        return std::nullopt;
    const QStringList champs = clause.mid(tete.size()).split(u',');
    if (champs.size() < 8 || champs[0].trimmed() != u"8"_s || champs[2].trimmed() != u"7"_s)
        return std::nullopt;
    bool ok[4];
    ZoneTM zone;
    zone.nad27 = champs[1].trimmed() == u"66"_s;
    zone.meridien = champs[3].toDouble(&ok[0]);
    const double latitude = champs[4].toDouble(&ok[1]);
    zone.echelle = champs[5].toDouble(&ok[2]);
    zone.fauxEst = champs[6].toDouble(&ok[3]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3] || latitude != 0 || zone.echelle <= 0)
        return std::nullopt;
    zone.mtm = zone.echelle > 0.99975; // 0.9999 : MTM ; 0.9996 : UTM
    return zone;
}

std::optional<FeuilletAssigne> FeuilletDeLaClause(const QString &chemin, const QString &clause)
{
    const auto zone = ZoneDeClause(clause);
    if (!zone)
        return std::nullopt;
    const QString feuillet = zone->mtm ? FeuilletMTM(chemin) : FeuilletUTM(chemin);
    if (feuillet.isEmpty())
        return std::nullopt;
    const QString meridien = zone->mtm ? MeridienMTMFeuillet(feuillet) : MeridienUTMFeuillet(feuillet);
    if (meridien.isEmpty() || clause != ClauseFeuillet(zone->mtm, !zone->nad27, meridien))
        return std::nullopt;
    const auto boite = zone->mtm ? BoiteFeuillet(feuillet) : BoiteCarte(feuillet);
    if (!boite)
        return std::nullopt;
    return FeuilletAssigne{feuillet.toLower(), *boite, *zone};
}

QString AvertissementEtendue(const BoiteMetres &d, const FeuilletAssigne &f)
{
    if (std::abs(d.xmin) <= 180 && std::abs(d.xmax) <= 180 && std::abs(d.ymin) <= 90 && std::abs(d.ymax) <= 90)
        return u"coordonnées géographiques, alors que le feuillet %1 donne la zone %2"_s.arg(f.nom, NomZone(f.zone));

    // La plus grande abscisse que la zone atteint au Québec : son bord, à 44° N, plus 50 km.
    const double demiLargeur = f.zone.mtm ? 1.5 : 3.0;
    double xBord, yBord;
    ProjetteTM(f.zone, f.zone.meridien - demiLargeur, 44.0, xBord, yBord);
    const double portee = std::abs(f.zone.fauxEst - xBord) + 50000;
    const double ecartEst = std::max({0.0, d.xmin - f.zone.fauxEst, f.zone.fauxEst - d.xmax});
    if (ecartEst > portee)
        return u"abscisses loin de la zone %1 du feuillet %2 (à %3 de son faux est, %4 m)"_s.arg(
            NomZone(f.zone), f.nom, Kilometres(ecartEst), QString::number(f.zone.fauxEst, 'f', 0));

    const BoiteMetres b = ProjetteBoite(f.zone, f.boite);
    const double marge = MargeFeuillet * std::max(b.xmax - b.xmin, b.ymax - b.ymin);
    const double dx = std::max({0.0, b.xmin - d.xmin, d.xmax - b.xmax});
    const double dy = std::max({0.0, b.ymin - d.ymin, d.ymax - b.ymax});
    const double distance = std::hypot(dx, dy);
    if (distance > marge)
        return u"hors du feuillet %1, à %2"_s.arg(f.nom, Kilometres(distance));
    return {};
}

} // namespace quorvale
