#pragma once

// La géométrie du Système national de référence cartographique : la boîte d'un feuillet en
// degrés, la zone MTM ou UTM qui le contient, sa projection en mètres dans une zone.

#include <QString>

#include <optional>

namespace quorvale {

/** Une boîte en degrés ; les longitudes sont négatives à l'ouest. */
struct BoiteDegres {
    double ouest = 0, sud = 0, est = 0, nord = 0;
};

/** Une boîte en mètres, dans un système projeté. */
struct BoiteMetres {
    double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
};

/** Une zone de Mercator transverse : méridien central (négatif à l'ouest), facteur d'échelle,
 *  faux est, ellipsoïde de Clarke 1866 (NAD 27) ou GRS 80 (NAD 83). */
struct ZoneTM {
    double meridien = 0;
    double echelle = 1;
    double fauxEst = 0;
    bool nad27 = false;
    bool mtm = true;
};

/** La boîte d'une carte 1:250 000 (« 31h ») : série de 8° × 4°, cartes de 2° × 1° de A à P en
 *  serpentin depuis le sud-est. Rien au nord de 68° (les cartes y sont plus larges). */
std::optional<BoiteDegres> BoiteCarte(const QString &carte);
/** La boîte d'un feuillet 1:50 000 (« 31h », « 05 ») : 30' × 15', 01 à 16 en serpentin depuis le
 *  sud-est. Rien quand le numéro n'est pas de 01 à 16. */
std::optional<BoiteDegres> BoiteFeuillet50(const QString &carte, const QString &numero);
/** La boîte du feuillet : 1:50 000 quand ses caractères 4 et 5 en sont un numéro, sinon la carte. */
std::optional<BoiteDegres> BoiteFeuillet(const QString &feuillet);

/** Le méridien central (« 73.5 ») de la zone MTM 3 à 10 qui contient la moitié de carte que
 *  désigne le numéro 1:50 000 du feuillet, ou toute la carte sans numéro ; vide sinon. */
QString MeridienMTMGeometrie(const QString &feuillet);
/** Le méridien central (« 75 ») de la zone UTM 17 à 21 qui contient la carte ; vide sinon. */
QString MeridienUTMGeometrie(const QString &carte);

/** Le numéro de la zone (MTM 8, UTM 18) d'un méridien central ; 0 hors des zones connues. */
int NumeroZone(const ZoneTM &zone);

/** Projette un point (degrés) dans la zone : abscisse et ordonnée en mètres. */
void ProjetteTM(const ZoneTM &zone, double longitude, double latitude, double &x, double &y);
/** La boîte en mètres qui contient la boîte en degrés projetée dans la zone (bords densifiés). */
BoiteMetres ProjetteBoite(const ZoneTM &zone, const BoiteDegres &boite);

} // namespace quorvale
