#pragma once

#include <QByteArrayList>

class OGRSpatialReference;

namespace quorvale::e00 {

/** Les lignes d'une section PRJ (entre l'en-tête et EOP), chaque ligne logique suivie de "~" ;
 *  vide quand srs est nul. Forme à mots-clés d'ArcInfo pour les cas courants (géographique, UTM,
 *  transverse de Mercator, Lambert, Albers sur un datum connu), WKT sinon. */
QByteArrayList LignesPrj(const OGRSpatialReference *srs);

} // namespace quorvale::e00
