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

/** Ce qu'une couverture a reçu : une annotation par objet texte, une étiquette par point, un arc par partie de ligne, un polygone par
 *  anneau extérieur ; sansGeometrie compte les objets sans géométrie, qu'une couverture ne peut
 *  porter (leurs attributs ne sont pas écrits). */
struct Bilan {
    int points = 0;
    int lignes = 0;
    int polygones = 0;
    int sansGeometrie = 0;
    int annotations = 0; // objets texte écrits en annotations (section TXT)
};

/** Comme EcritCouverture, et dit ce qui a été écrit. */
Bilan EcritCouvertureAvecBilan(const std::vector<OGRLayer *> &couches, const QString &nomCouverture,
                               const QString &chemin, const OGRSpatialReference *srs);

/** Une annotation d'une super-section TX6 ou TX7, que le lecteur de GDAL ne rend pas : son point
 *  (premier sommet de sa ligne de base), sa chaîne (octets tels quels), sa hauteur. */
struct AnnotationLue {
    QString sousClasse;
    long long identifiant = 0;
    int niveau = 0;
    double x = 0, y = 0, hauteur = 1.0;
    QByteArray chaine;
};

/** Les annotations TX6 et TX7 d'un texte E00 non compressé ; une section abîmée s'arrête là. */
std::vector<AnnotationLue> LitAnnotations(const QByteArray &texte);

} // namespace quorvale::e00
