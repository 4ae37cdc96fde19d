// La vraisemblance d'un fichier classé par feuillet, sur de petits fichiers écrits par GDAL et
// lus par le vrai « imut etendue ».
#include "feuillet.h"
#include "vraisemblance.h"

#include <QTemporaryDir>
#include <QtTest>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

namespace {

struct Point {
    double lon, lat;
};

// Écrit des points (degrés) dans un fichier au format donné, projetés dans le système EPSG
// donné (0 : laissés en degrés), sans .prj.
bool Ecrit(const QString &chemin, const char *pilote, int epsg, const QList<Point> &points)
{
    GDALDriver *d = GetGDALDriverManager()->GetDriverByName(pilote);
    std::unique_ptr<GDALDataset> ds(d ? d->Create(chemin.toUtf8().constData(), 0, 0, 0, GDT_Unknown, nullptr) : nullptr);
    if (!ds)
        return false;
    OGRLayer *couche = ds->CreateLayer("objets", nullptr, wkbPoint, nullptr);
    OGRSpatialReference geo, projete;
    geo.importFromEPSG(4269);
    geo.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    projete.importFromEPSG(epsg ? epsg : 4269);
    projete.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::unique_ptr<OGRCoordinateTransformation> vers(OGRCreateCoordinateTransformation(&geo, &projete));
    for (Point p : points) {
        double x = p.lon, y = p.lat;
        if (epsg && !vers->Transform(1, &x, &y))
            return false;
        OGRFeature f(couche->GetLayerDefn());
        OGRPoint g(x, y);
        f.SetGeometry(&g);
        if (couche->CreateFeature(&f) != OGRERR_NONE)
            return false;
    }
    return true;
}

} // namespace

class TestVraisemblance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { GDALAllRegister(); }

    void avertissement_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QString>("pilote");
        QTest::addColumn<int>("epsg");
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("lat");
        QTest::addColumn<QString>("attendu"); // début de l'avertissement ; vide : aucun
        QTest::addColumn<int>("kmMin");
        QTest::addColumn<int>("kmMax");
        // 31h05 : 74° à 73.5° O, 45.25° à 45.5° N, zone MTM 8 (EPSG 32188) ; 31h06 est juste à l'est.
        QTest::newRow("dans le feuillet, formes") << u"31h05ne.shp"_s << u"ESRI Shapefile"_s << 32188 << -73.75 << 45.37 << QString() << 0 << 0;
        QTest::newRow("dans le feuillet, dessin") << u"31h05ne.dxf"_s << u"DXF"_s << 32188 << -73.6 << 45.3 << QString() << 0 << 0;
        QTest::newRow("dans le feuillet, NAD 27") << u"31h05ne.dxf"_s << u"DXF"_s << 32188 << -73.98 << 45.26 << QString() << 0 << 0;
        QTest::newRow("classé un feuillet trop à l'ouest")
            << u"31h05ne.shp"_s << u"ESRI Shapefile"_s << 32188 << -73.25 << 45.37 << u"hors du feuillet 31h05ne, à "_s << 15 << 45;
        QTest::newRow("en degrés") << u"31h05ne.dxf"_s << u"DXF"_s << 0 << -73.75 << 45.37 << u"coordonnées géographiques"_s << 0 << 0;
        QTest::newRow("autre zone : UTM 18")
            << u"31h05ne.shp"_s << u"ESRI Shapefile"_s << 26918 << -73.75 << 45.37 << u"abscisses loin de la zone MTM 8"_s << 0 << 0;
        QTest::newRow("Québec (MTM 7) classé sous 31h05") << u"31h05ne.shp"_s << u"ESRI Shapefile"_s << 32187 << -71.3 << 46.85
                                                          << u"hors du feuillet 31h05ne, à "_s << 120 << 180;
        QTest::newRow("UTM : 21e en zone 19") << u"21e/routes.dxf"_s << u"DXF"_s << 26919 << -71.5 << 45.5 << QString() << 0 << 0;
        QTest::newRow("UTM : 21f classé sous 21e") << u"21e/routes.dxf"_s << u"DXF"_s << 26919 << -69.0 << 45.5
                                                  << u"hors du feuillet 21e, à "_s << 60 << 100;
        QTest::newRow("sans feuillet : rien") << u"routes.dxf"_s << u"DXF"_s << 0 << -73.75 << 45.37 << QString() << 0 << 0;
    }

    void avertissement()
    {
        QFETCH(QString, nom);
        QFETCH(QString, pilote);
        QFETCH(int, epsg);
        QFETCH(double, lon);
        QFETCH(double, lat);
        QFETCH(QString, attendu);
        QFETCH(int, kmMin);
        QFETCH(int, kmMax);
        QTemporaryDir dossier;
        const QString chemin = dossier.filePath(nom);
        QVERIFY(QDir().mkpath(QFileInfo(chemin).path()));
        QVERIFY(Ecrit(chemin, pilote.toUtf8().constData(), epsg, {{lon, lat}, {lon + 0.01, lat + 0.01}}));
        const bool nad27 = QByteArray(QTest::currentDataTag()).contains("NAD 27");
        const bool utm = QByteArray(QTest::currentDataTag()).startsWith("UTM");
        const QString clause = ProjectionFichier(chemin, ReglagesProjection{true, !utm, !nad27, false}, {}, u"choix"_s);
        const QString imut = qEnvironmentVariable("QUORVALE_DOSSIER_MAPINFO") + u"/UT/imut"_s;
        const QString avertissement = VraisemblanceFichier(imut, chemin, clause, false);
        if (attendu.isEmpty()) {
            QCOMPARE(avertissement, QString());
            return;
        }
        QVERIFY2(avertissement.startsWith(attendu), qPrintable(avertissement));
        if (kmMax) {
            const int km = avertissement.mid(attendu.size()).section(u' ', 0, 0).toInt();
            QVERIFY2(km >= kmMin && km <= kmMax, qPrintable(avertissement));
        }
    }

    // Une clause qui ne s'applique pas aux données (le .prj du fichier) ne donne rien.
    void projectionDuFichier()
    {
        QTemporaryDir dossier;
        const QString chemin = dossier.filePath(u"31h05ne.shp"_s);
        QVERIFY(Ecrit(chemin, "ESRI Shapefile", 0, {{-73.75, 45.37}}));
        const QString clause = ProjectionFichier(chemin, ReglagesProjection{}, {}, u"choix"_s);
        const QString imut = qEnvironmentVariable("QUORVALE_DOSSIER_MAPINFO") + u"/UT/imut"_s;
        QCOMPARE(VraisemblanceFichier(imut, chemin, clause, true), QString());
        QString a = u"lu"_s;
        AjouteAvertissement(a, u"hors"_s);
        AjouteAvertissement(a, {});
        QCOMPARE(a, u"lu; hors"_s);
    }
};

QTEST_GUILESS_MAIN(TestVraisemblance)
#include "tst_vraisemblance.moc"
