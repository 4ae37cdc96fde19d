#pragma once

#include <QString>

namespace quorvale {

/** Après une traduction vers shp : un seul genre de géométrie écrit (base_<genre>.shp ...) prend le nom
 *  simple de la destination, en minuscules ; plusieurs genres gardent leurs suffixes. Silencieux. */
void RenommeSortiesShp(const QString &destination);

/** Vrai quand au moins deux des douze fichiers base + suffixe + ".shp" existent. */
bool PlusieursGeometries(const QString &base);

} // namespace quorvale
