#include "feuillet_geometrie.h"

#include <algorithm>
#include <cmath>

namespace quorvale {

namespace {

constexpr double Pi = 3.14159265358979323846;

// Rang (0 : le plus au sud) et colonne (0 : la plus à l'est) d'une case d'un quadrillage 4 × 4
// numéroté en serpentin depuis le sud-est : d'est en ouest, puis d'ouest en est, etc.
void CaseSerpentin(int indice, int &rang, int &colonneDepuisEst)
{
    rang = indice / 4;
    const int k = indice % 4;
    colonneDepuisEst = rang % 2 == 0 ? k : 3 - k;
}

bool Chiffre(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Zones du catalogue pour le Québec : MTM 3 à 10 (méridiens 58.5 à 79.5 O), UTM 17 à 21 (81 à 57 O).
QString ZoneQuiContient(const BoiteDegres &b, bool mtm)
{
    const int premiere = mtm ? 3 : 17, derniere = mtm ? 10 : 21;
    for (int n = premiere; n <= derniere; ++n) {
        const double meridien = mtm ? 58.5 + 3 * (n - 3) : 183.0 - 6 * n; // degrés ouest
        const double demi = mtm ? 1.5 : 3.0;
        if (-b.est >= meridien - demi && -b.ouest <= meridien + demi)
            return QString::number(meridien);
    }
    return {};
}

} // namespace

std::optional<BoiteDegres> BoiteCarte(const QString &carte)
{
    if (carte.size() != 3 || !Chiffre(carte[0]) || !Chiffre(carte[1]))
        return std::nullopt;
    const QChar lettre = carte[2].toLower();
    const int serieLongitude = carte[0].digitValue(), serieLatitude = carte[1].digitValue();
    if (lettre < u'a' || lettre > u'p' || serieLatitude > 6)
        return std::nullopt;
    int rang, colonne;
    CaseSerpentin(lettre.unicode() - u'a', rang, colonne);
    BoiteDegres b;
    b.est = -(48.0 + 8 * serieLongitude + 2 * colonne);
    b.ouest = b.est - 2;
    b.sud = 40.0 + 4 * serieLatitude + rang;
    b.nord = b.sud + 1;
    return b;
}

std::optional<BoiteDegres> BoiteFeuillet50(const QString &carte, const QString &numero)
{
    const auto c = BoiteCarte(carte);
    if (!c || numero.size() != 2 || !Chiffre(numero[0]) || !Chiffre(numero[1]))
        return std::nullopt;
    const int n = numero.toInt();
    if (n < 1 || n > 16)
        return std::nullopt;
    int rang, colonne;
    CaseSerpentin(n - 1, rang, colonne);
    BoiteDegres b;
    b.est = c->est - 0.5 * colonne;
    b.ouest = b.est - 0.5;
    b.sud = c->sud + 0.25 * rang;
    b.nord = b.sud + 0.25;
    return b;
}

std::optional<BoiteDegres> BoiteFeuillet(const QString &feuillet)
{
    if (const auto b = BoiteFeuillet50(feuillet.left(3), feuillet.mid(3, 2)))
        return b;
    return BoiteCarte(feuillet.left(3));
}

QString MeridienMTMGeometrie(const QString &feuillet)
{
    // Une moitié de carte (1° de large, bornée par des degrés entiers) tient toujours dans une
    // zone de 3° : celle du feuillet 1:50 000 est celle de sa moitié.
    const auto b = BoiteFeuillet(feuillet);
    return b ? ZoneQuiContient(*b, true) : QString();
}

QString MeridienUTMGeometrie(const QString &carte)
{
    const auto b = BoiteCarte(carte.left(3));
    return b ? ZoneQuiContient(*b, false) : QString();
}

int NumeroZone(const ZoneTM &zone)
{
    const double ouest = -zone.meridien;
    const double n = zone.mtm ? (ouest - 58.5) / 3 + 3 : (183.0 - ouest) / 6;
    const double arrondi = std::round(n);
    return std::abs(n - arrondi) < 1e-9 ? int(arrondi) : 0;
}

void ProjetteTM(const ZoneTM &zone, double longitude, double latitude, double &x, double &y)
{
    // Mercator transverse sur l'ellipsoïde, développements en série usuels (exacts au millimètre
    // à quelques degrés du méridien central).
    const double a = zone.nad27 ? 6378206.4 : 6378137.0;
    const double f = zone.nad27 ? 1 / 294.978698214 : 1 / 298.257222101;
    const double e2 = f * (2 - f), e4 = e2 * e2, e6 = e4 * e2;
    const double ep2 = e2 / (1 - e2);
    const double phi = latitude * Pi / 180;
    const double s = std::sin(phi), c = std::cos(phi), t = std::tan(phi);
    const double N = a / std::sqrt(1 - e2 * s * s);
    const double T = t * t, C = ep2 * c * c;
    const double A = (longitude - zone.meridien) * Pi / 180 * c;
    const double M = a * ((1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256) * phi
                          - (3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024) * std::sin(2 * phi)
                          + (15 * e4 / 256 + 45 * e6 / 1024) * std::sin(4 * phi) - (35 * e6 / 3072) * std::sin(6 * phi));
    const double A2 = A * A, A3 = A2 * A, A4 = A3 * A, A5 = A4 * A, A6 = A5 * A;
    x = zone.fauxEst
        + zone.echelle * N * (A + (1 - T + C) * A3 / 6 + (5 - 18 * T + T * T + 72 * C - 58 * ep2) * A5 / 120);
    y = zone.echelle
        * (M + N * t * (A2 / 2 + (5 - T + 9 * C + 4 * C * C) * A4 / 24 + (61 - 58 * T + T * T + 600 * C - 330 * ep2) * A6 / 720));
}

BoiteMetres ProjetteBoite(const ZoneTM &zone, const BoiteDegres &b)
{
    BoiteMetres m{1e300, 1e300, -1e300, -1e300};
    constexpr int Pas = 8;
    for (int i = 0; i <= Pas; ++i) {
        const double u = double(i) / Pas;
        const double lon = b.ouest + (b.est - b.ouest) * u, lat = b.sud + (b.nord - b.sud) * u;
        const double points[4][2] = {{lon, b.sud}, {lon, b.nord}, {b.ouest, lat}, {b.est, lat}};
        for (const auto &p : points) {
            double x, y;
            ProjetteTM(zone, p[0], p[1], x, y);
            m.xmin = std::min(m.xmin, x);
            m.xmax = std::max(m.xmax, x);
            m.ymin = std::min(m.ymin, y);
            m.ymax = std::max(m.ymax, y);
        }
    }
    return m;
}

} // namespace quorvale
