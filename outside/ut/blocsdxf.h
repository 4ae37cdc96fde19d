#pragma once

// Ce que les blocs d'un dessin deviennent une fois insérés : un bloc peut en insérer d'autres, chaque
// insertion en rangées et colonnes, si bien que quelques kilo-octets de blocs imbriqués donneraient
// des milliards d'entités (et autant de mémoire). Le compte est fait sur le texte du dessin, sans
// rien insérer, avant que GDAL ne le lise.

#include <QIODevice>
#include <QString>
#include <cstdint>

namespace quorvale::dxf {

// Imbrication de blocs au-delà de laquelle un dessin est refusé.
inline constexpr int MaximumImbrication = 32;
// Entités que l'insertion des blocs peut ajouter à celles que le dessin écrit lui-même.
inline constexpr std::int64_t MaximumAjoutees = 4'000'000;

struct CompteBlocs {
    std::int64_t ecrites = 0;   // entités de la section ENTITIES, telles qu'écrites
    std::int64_t inserees = 0;  // après insertion des blocs (borné un peu au-delà de la limite)
    int imbrication = 0;        // plus grande profondeur d'insertion atteinte depuis ENTITIES
};

/** Compte les entités du dessin texte lu dans « dessin » (depuis sa position), blocs insérés. */
CompteBlocs CompteEntites(QIODevice &dessin);

/** La raison, en français, pour laquelle le dessin « nom » ne doit pas être lu blocs insérés ; vide
 *  quand il est dans les bornes. */
QString DepasseBornes(const CompteBlocs &compte, const QString &nom);

} // namespace quorvale::dxf
