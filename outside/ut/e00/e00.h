#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

class OGRLayer;
class OGRSpatialReference;

namespace quorvale::e00 {

/** Vrai quand le texte est un E00 compressé ("EXP  1"). */
bool EstCompresse(const QByteArray &texte);

/** Le texte E00 non compressé ; lève quorvale::Erreur sur un fichier tronqué ou invalide. */
QByteArray Decompresse(const QByteArray &texte);

/** Écrit une couverture E00 (non compressée, double précision) à partir des couches OGR données
 *  (points, lignes, régions ; attributs de tout type), nommée nomCouverture, dans le fichier chemin,
 *  écrit sous un nom provisoire puis renommé. srs peut être nul. Lève quorvale::Erreur. */
void EcritCouverture(const std::vector<OGRLayer *> &couches, const QString &nomCouverture,
                     const QString &chemin, const OGRSpatialReference *srs);

/** Ce qu'une couverture a reçu : une étiquette par point, un arc par partie de ligne, un polygone par
 *  anneau extérieur ; sansGeometrie compte les objets sans géométrie, qu'une couverture ne peut
 *  porter (leurs attributs ne sont pas écrits). */
struct Bilan {
    int points = 0;
    int lignes = 0;
    int polygones = 0;
    int sansGeometrie = 0;
};

/** Comme EcritCouverture, et dit ce qui a été écrit. */
Bilan EcritCouvertureAvecBilan(const std::vector<OGRLayer *> &couches, const QString &nomCouverture,
                               const QString &chemin, const OGRSpatialReference *srs);

} // namespace quorvale::e00
