#include "prj.h"

#include <ogr_spatialref.h>

#include <QString>
#include <cctype>
#include <cmath>
#include <optional>

namespace quorvale::e00 {

namespace {

struct Datum {
    const char *motCle;    // lu par GDAL : NAD27, NAD83, WGS84, WGS72, EUR, GDA94
    const char *spheroide; // nom d'ArcInfo, pour les autres lecteurs
};

QByteArray Normalise(const char *nom)
{
    QByteArray sortie;
    for (const char *c = nom; c && *c; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c)))
            sortie.append(char(std::toupper(static_cast<unsigned char>(*c))));
    return sortie;
}

/** Le datum, quand la forme à mots-clés sait le rendre ; nullopt sinon. */
std::optional<Datum> DatumConnu(const OGRSpatialReference &srs)
{
    const char *autorite = srs.GetAuthorityName("GEOGCS");
    const char *code = srs.GetAuthorityCode("GEOGCS");
    const QByteArray epsg = (autorite && code && QByteArray(autorite) == "EPSG") ? QByteArray(code) : QByteArray();
    const QByteArray nom = Normalise(srs.GetAttrValue("DATUM"));
    // Les variantes NAD 27 de MapInfo (Canada, Alaska...) restent NAD 27 : seul le décalage vers
    // WGS 84 les distingue.
    if (epsg == "4267" || nom == "NORTHAMERICANDATUM1927" || nom.startsWith("NAD27"))
        return Datum{"NAD27", "CLARKE1866"};
    if (epsg == "4269" || nom == "NORTHAMERICANDATUM1983" || nom == "NAD83")
        return Datum{"NAD83", "GRS1980"};
    if (epsg == "4326" || nom == "WGS1984" || nom == "WGS84")
        return Datum{"WGS84", "WGS84"};
    if (epsg == "4322" || nom == "WGS1972" || nom == "WGS72")
        return Datum{"WGS72", "WGS72"};
    if (epsg == "4230" || nom == "EUROPEANDATUM1950" || nom == "ED50")
        return Datum{"EUR", "INT1909"};
    if (epsg == "4283" || nom == "GEOCENTRICDATUMOFAUSTRALIA1994" || nom == "GDA94")
        return Datum{"GDA94", "GRS1980"};
    return std::nullopt;
}

QByteArray Nombre(double valeur)
{
    // QByteArray::number ne dépend pas du locale.
    if (valeur == 0.0)
        valeur = 0.0;
    return QByteArray::number(valeur, 'f', 10);
}

void Ajoute(QByteArrayList &lignes, const QByteArray &ligne)
{
    lignes << ligne << "~";
}

QByteArray MotCle(const char *cle, const QByteArray &valeur)
{
    QByteArray ligne(cle);
    ligne.append(QByteArray(14 - ligne.size(), ' '));
    return ligne + valeur;
}

/** Le WKT en morceaux de 80 colonnes : les suivants commencent par "~" qui les rattache.
 *  WKT 1 de GDAL plutôt que la variante ESRI : GDAL relit alors les noms de datum tels quels
 *  (la variante ESRI préfixe "D_" aux datums qu'elle ne connaît pas). */
QByteArrayList EnWkt(const OGRSpatialReference &srs)
{
    char *wkt = nullptr;
    const char *options[] = {"FORMAT=WKT1", nullptr};
    QByteArrayList lignes;
    if (srs.exportToWkt(&wkt, options) != OGRERR_NONE || !wkt) {
        CPLFree(wkt);
        return lignes;
    }
    const QByteArray texte(wkt);
    CPLFree(wkt);
    lignes << texte.left(80);
    for (qsizetype i = 80; i < texte.size(); i += 79)
        lignes << "~" + texte.mid(i, 79);
    lignes << "~";
    return lignes;
}

} // namespace

QByteArrayList LignesPrj(const OGRSpatialReference *srs)
{
    QByteArrayList lignes;
    if (!srs || srs->IsEmpty())
        return lignes;
    if (srs->IsLocal())
        return EnWkt(*srs);
    const auto datum = DatumConnu(*srs);
    if (!datum || srs->IsCompound() || std::fabs(srs->GetPrimeMeridian() ) > 1e-12)
        return EnWkt(*srs);

    const auto entete = [&](const QByteArray &projection, int zone) {
        Ajoute(lignes, MotCle("Projection", projection));
        if (zone != 0)
            Ajoute(lignes, MotCle("Zone", QByteArray::number(zone)));
        Ajoute(lignes, MotCle("Datum", datum->motCle));
        Ajoute(lignes, MotCle("Zunits", "NO"));
        Ajoute(lignes, MotCle("Units", projection == "GEOGRAPHIC" ? "DD" : "METERS"));
        Ajoute(lignes, MotCle("Spheroid", datum->spheroide));
    };

    if (srs->IsGeographic()) {
        if (std::fabs(srs->GetAngularUnits() - 0.0174532925199433) > 1e-12)
            return EnWkt(*srs); // grades... : "DD" serait faux
        entete("GEOGRAPHIC", 0);
        Ajoute(lignes, MotCle("Xshift", "0.0000000000"));
        Ajoute(lignes, MotCle("Yshift", "0.0000000000"));
        Ajoute(lignes, "Parameters");
        return lignes;
    }
    if (!srs->IsProjected() || std::fabs(srs->GetLinearUnits() - 1.0) > 1e-12)
        return EnWkt(*srs);

    int nord = 1;
    const int zone = srs->GetUTMZone(&nord);
    const QByteArray methode = srs->GetAttrValue("PROJECTION");
    const auto parametre = [&](const char *nom) { return srs->GetNormProjParm(nom, 0.0); };
    const auto ligneParametre = [&](double valeur, const char *commentaire) {
        Ajoute(lignes, Nombre(valeur) + " /* " + commentaire);
    };

    if (zone != 0) {
        entete("UTM", zone);
        Ajoute(lignes, MotCle("Xshift", "0.0000000000"));
        // GDAL lit un Yshift non nul comme l'hémisphère sud.
        Ajoute(lignes, MotCle("Yshift", nord ? "0.0000000000" : "-10000000.0000000000"));
        Ajoute(lignes, "Parameters");
        return lignes;
    }

    const auto debut = [&](const QByteArray &projection) {
        entete(projection, 0);
        Ajoute(lignes, MotCle("Xshift", "0.0000000000"));
        Ajoute(lignes, MotCle("Yshift", "0.0000000000"));
        Ajoute(lignes, "Parameters");
    };
    if (methode == SRS_PT_TRANSVERSE_MERCATOR) {
        debut("TRANSVERSE");
        ligneParametre(parametre(SRS_PP_SCALE_FACTOR), "scale factor at central meridian");
        ligneParametre(parametre(SRS_PP_CENTRAL_MERIDIAN), "longitude of central meridian");
        ligneParametre(parametre(SRS_PP_LATITUDE_OF_ORIGIN), "latitude of origin");
        ligneParametre(parametre(SRS_PP_FALSE_EASTING), "false easting (meters)");
        ligneParametre(parametre(SRS_PP_FALSE_NORTHING), "false northing (meters)");
        return lignes;
    }
    if (methode == SRS_PT_LAMBERT_CONFORMAL_CONIC_2SP || methode == SRS_PT_ALBERS_CONIC_EQUAL_AREA) {
        const bool lambert = methode == SRS_PT_LAMBERT_CONFORMAL_CONIC_2SP;
        debut(lambert ? "LAMBERT" : "ALBERS");
        ligneParametre(parametre(SRS_PP_STANDARD_PARALLEL_1), "1st standard parallel");
        ligneParametre(parametre(SRS_PP_STANDARD_PARALLEL_2), "2nd standard parallel");
        ligneParametre(parametre(lambert ? SRS_PP_CENTRAL_MERIDIAN : SRS_PP_LONGITUDE_OF_CENTER),
                       "central meridian");
        ligneParametre(parametre(lambert ? SRS_PP_LATITUDE_OF_ORIGIN : SRS_PP_LATITUDE_OF_CENTER),
                       "latitude of projection's origin");
        ligneParametre(parametre(SRS_PP_FALSE_EASTING), "false easting (meters)");
        ligneParametre(parametre(SRS_PP_FALSE_NORTHING), "false northing (meters)");
        return lignes;
    }
    return EnWkt(*srs);
}

} // namespace quorvale::e00
