#pragma once

// La vraisemblance d'un fichier classé par feuillet : ses données tombent-elles dans le feuillet,
// projeté dans la zone que son numéro lui a donnée ? Rien ici ne lit de fichier.

#include "feuillet_geometrie.h"

#include <QString>

#include <optional>

namespace quorvale {

/** Un feuillet et la zone que sa clause lui assigne. */
struct FeuilletAssigne {
    QString nom;        // tel qu'écrit dans le chemin, en minuscules (31h05ne, 21e)
    BoiteDegres boite;  // le feuillet 1:50 000 quand le nom en donne un, sinon la carte
    ZoneTM zone;
};

/** La zone d'une clause « CoordSys Earth Projection 8,<datum>,7,<méridien>,0,<échelle>,<faux est>,0 » ;
 *  rien pour une autre clause. */
std::optional<ZoneTM> ZoneDeClause(const QString &clause);

/** Le feuillet dont vient la clause de ce fichier : son numéro MTM ou UTM dans le chemin donne
 *  exactement cette clause (l'un ou l'autre datum) ; rien sinon (association, choix, autre zone). */
std::optional<FeuilletAssigne> FeuilletDeLaClause(const QString &chemin, const QString &clause);

/** La marge admise autour du feuillet : 10 % de sa plus grande dimension. */
constexpr double MargeFeuillet = 0.10;

/** L'avertissement (en français, vide quand tout est plausible) pour des données d'étendue
 *  donnée (dans les unités du fichier) classées sous ce feuillet :
 *  « coordonnées géographiques » quand tout tient dans ±180 / ±90 ; des abscisses loin du faux est
 *  de la zone ; sinon « hors du feuillet 31h05ne, à 12 km » quand les données débordent le
 *  feuillet projeté de plus de la marge (la distance est celle du point des données le plus loin). */
QString AvertissementEtendue(const BoiteMetres &donnees, const FeuilletAssigne &feuillet);

} // namespace quorvale
