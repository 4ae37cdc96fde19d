#pragma once

// Écrire une table MapInfo (ou un MIF) avec GDAL sans ses pièges : jeu de caractères
// WindowsLatin1 explicite, bornes qui gardent le millimètre, clause CoordSys assignée telle
// quelle (Bounds compris), NAD 27 conservé. Utilisable aussi par le serveur MapInfo.

#include <QString>

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <functional>
#include <memory>
#include <optional>

namespace quorvale::ut {

struct SrsDeleter {
    void operator()(OGRSpatialReference *srs) const
    {
        if (srs)
            srs->Release();
    }
};
using Srs = std::unique_ptr<OGRSpatialReference, SrsDeleter>;

/** Système d'une clause CoordSys ; « NonEarth Projection 0, u » pris dans l'unité u (7 = mètres).
 *  bornes reçoit le rectangle de « Bounds (x1, y1) (x2, y2) » s'il y en a un. Lève Erreur. */
Srs SrsDeClause(const QString &clause, std::optional<OGREnvelope> *bornes = nullptr);

/** Copie du système où un datum NAD 27 de MapInfo (« NAD_27_Canada » ...) devient le NAD 27 de
 *  l'EPSG, que le WKT ESRI nomme D_North_American_1927 et relit comme tel ; nul si srs l'est. */
Srs SrsPourEsri(const OGRSpatialReference *srs);

/** Les textes de l'objet (colonnes texte, chaîne d'un objet texte dans son style), lus en octets
 *  bruts du codage « codage », rendus en UTF-8. Les noms des colonnes : RecodeNoms. */
void RecodeEnUtf8(OGRFeature &objet, const QString &codage);
void RecodeNoms(OGRFeatureDefn &colonnes, const QString &codage);

/** Bornes d'une table : celles données si elles couvrent les données, sinon l'étendue des données
 *  élargie d'une marge ; le géographique reste dans ±180, ±90. */
OGREnvelope BornesTable(const OGREnvelope &donnees, const std::optional<OGREnvelope> &donnees_bornes,
                        const OGRSpatialReference *srs);

/** Étend e au cadre qu'un objet texte (point et style LABEL) occupe dans une table, quelle que soit
 *  son orientation : le pilote ramène dans les bornes un cadre qui en sort, et le point du texte
 *  bouge alors (sa hauteur devient négative). Sans effet sur un autre objet. */
void AjouteCadreTexte(const OGRFeature &f, OGREnvelope &e);

/** Crée une table MapInfo (mif = vrai : MIF/MID) d'une seule couche ; lève Erreur. */
GDALDataset *CreeTableMapInfo(const QString &chemin, bool mif);
/** La couche de la table, en « encodage » (CP1252 par défaut), avec ces bornes. Lève Erreur. */
OGRLayer *CreeCoucheMapInfo(GDALDataset *table, const QString &nom, const OGRSpatialReference *srs,
                            const OGREnvelope &bornes, const QString &encodage);

/** Des fichiers écrits par GDAL en mémoire (/vsimem), puis copiés chacun d'un trait. Les
 *  écrivains de GDAL sautent d'un endroit à l'autre de leurs fichiers (une table MapInfo par blocs
 *  de 512 octets d'un bout à l'autre du .map, un fichier de formes à chaque objet dans le .dbf) ;
 *  dans un vrai fichier, chaque saut vide le tampon de stdio : plus de la moitié du temps d'un gros
 *  fichier. La mémoire est rendue dans tous les cas. */
class SortieEnMemoire {
public:
    /** nom : le fichier principal (« routes.tab ») ; ses compagnons prennent la même base. En
     *  mémoire, la base est neutre : GDAL y lirait la barre oblique inverse d'un nom comme un dossier. */
    explicit SortieEnMemoire(const QString &nom);
    ~SortieEnMemoire();
    SortieEnMemoire(const SortieEnMemoire &) = delete;
    SortieEnMemoire &operator=(const SortieEnMemoire &) = delete;

    /** Le chemin en mémoire du fichier principal, à donner au pilote. */
    const QString &Chemin() const { return chemin_; }
    /** Copie chaque fichier écrit sous cible(suffixe), suffixe « .tab », « .dat » ... ; le chemin
     *  du premier qui ne s'écrit pas, vide quand tout est copié. */
    QString Copie(const std::function<QString(const QString &suffixe)> &cible) const;

private:
    QByteArray dossier_;
    QString chemin_;
};

} // namespace quorvale::ut
