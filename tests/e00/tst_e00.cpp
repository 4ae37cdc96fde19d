#include "e00.h"
#include "fakes.h"
#include "erreur.h"

#include <ogrsf_frmts.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

namespace {

struct FermeJeu {
    void operator()(GDALDataset *jeu) const { GDALClose(jeu); }
};
using Jeu = std::unique_ptr<GDALDataset, FermeJeu>;

QString Echantillon(const QString &relatif)
{
    return qEnvironmentVariable("QUORVALE_SAMPLES") + u'/' + relatif;
}

Jeu Ouvre(const QString &chemin)
{
    return Jeu(GDALDataset::Open(chemin.toUtf8().constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
}

QByteArray Lit(const QString &chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void EcritFichier(const QString &chemin, const QByteArray &contenu)
{
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contenu);
}

std::vector<OGRLayer *> Couches(GDALDataset &jeu)
{
    std::vector<OGRLayer *> couches;
    for (OGRLayer *c : jeu.GetLayers())
        couches.push_back(c);
    return couches;
}

bool Proche(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(a)); }


/** Les sommets d'un anneau sans doublons consécutifs ni point de fermeture. */
std::vector<OGRPoint> Sommets(const OGRLinearRing &anneau)
{
    std::vector<OGRPoint> s;
    for (int i = 0; i < anneau.getNumPoints(); ++i) {
        OGRPoint p(anneau.getX(i), anneau.getY(i));
        if (s.empty() || !(s.back().getX() == p.getX() && s.back().getY() == p.getY()))
            s.push_back(p);
    }
    while (s.size() > 1 && s.front().getX() == s.back().getX() && s.front().getY() == s.back().getY())
        s.pop_back();
    return s;
}

/** Vrai quand les deux anneaux ont les mêmes sommets dans le même ordre circulaire (un sens ou l'autre). */
bool MemeAnneau(const OGRLinearRing &a, const OGRLinearRing &b)
{
    const auto sa = Sommets(a), sb = Sommets(b);
    if (sa.size() != sb.size() || sa.empty())
        return sa.size() == sb.size();
    const size_t n = sa.size();
    for (size_t depart = 0; depart < n; ++depart) {
        if (!Proche(sa[0].getX(), sb[depart].getX()) || !Proche(sa[0].getY(), sb[depart].getY()))
            continue;
        for (const int sens : {1, -1}) {
            bool pareil = true;
            for (size_t i = 0; i < n && pareil; ++i) {
                const OGRPoint &q = sb[(depart + n + sens * long(i) % long(n)) % n];
                pareil = Proche(sa[i].getX(), q.getX()) && Proche(sa[i].getY(), q.getY());
            }
            if (pareil)
                return true;
        }
    }
    return false;
}

bool MemePolygone(const OGRPolygon &source, const OGRPolygon &lu)
{
    if (source.getNumInteriorRings() != lu.getNumInteriorRings() || !lu.getExteriorRing()
        || !MemeAnneau(*source.getExteriorRing(), *lu.getExteriorRing()))
        return false;
    for (int i = 0; i < source.getNumInteriorRings(); ++i) {
        bool trouve = false;
        for (int j = 0; j < lu.getNumInteriorRings() && !trouve; ++j)
            trouve = MemeAnneau(*source.getInteriorRing(i), *lu.getInteriorRing(j));
        if (!trouve)
            return false;
    }
    return true;
}

/** Les parties d'une géométrie source, comme une couverture les porte : un objet par point, par
 *  partie de ligne, par polygone. */
void Parties(const OGRGeometry *g, int objet, std::vector<std::pair<std::unique_ptr<OGRGeometry>, int>> &sortie)
{
    if (!g || g->IsEmpty())
        return;
    const auto type = wkbFlatten(g->getGeometryType());
    if (type == wkbPoint || type == wkbLineString || type == wkbPolygon) {
        sortie.emplace_back(g->clone(), objet);
        return;
    }
    if (OGR_GT_IsSubClassOf(type, wkbGeometryCollection))
        for (const OGRGeometry *membre : *g->toGeometryCollection())
            Parties(membre, objet, sortie);
}

} // namespace

class TestE00 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { GDALAllRegister(); }

    void reconnaitLesExportsCompresses();
    void decompresse_data();
    void decompresse();
    void decompresseRefuseLesFichiersAbimes_data();
    void decompresseRefuseLesFichiersAbimes();
    void decompresseLesEchantillons_data();
    void decompresseLesEchantillons();

    void ecritLesEchantillons_data();
    void ecritLesEchantillons();
    void ecritLeSystemeDeCoordonnees_data();
    void ecritLeSystemeDeCoordonnees();
    void topologieDesRegions();
    void attributsDeTousTypes();
    void tableMixte();
    void allerRetourTabE00Tab();
    void ecritSousUnNomProvisoire();
    void ecritUneGrandeCouvertureEnEntier();
};

void TestE00::reconnaitLesExportsCompresses()
{
    QVERIFY(e00::EstCompresse(Lit(Echantillon(u"e00/gdal-compressed/compressed.e00"_s))));
    QVERIFY(!e00::EstCompresse(Lit(Echantillon(u"e00/gdal-testpoly/testpoly.e00"_s))));
    QVERIFY(!e00::EstCompresse(QByteArray()));
}

void TestE00::decompresse_data()
{
    QTest::addColumn<QByteArray>("compresse");
    QTest::addColumn<QByteArray>("clair");

    QTest::newRow("en-tête et espaces")
        << QByteArray("EXP  1 /A/B.E00\nARC  2~}~ )1~ )9~}EOS~}")
        << QByteArray("EXP  0 /A/B.E00\nARC  2\n         1         9\nEOS\n");
    QTest::newRow("tilde et moins échappés")
        << QByteArray("EXP  1 X\nPRJ  2~}~~~}a~-b~}EOS~}") << QByteArray("EXP  0 X\nPRJ  2\n~\na-b\nEOS\n");
    // Le premier arc de l'export compressé de GDAL, à la fin de ligne près du fichier.
    QTest::newRow("arc de l'exemple compressé")
        << QByteArray("EXP  1 /USR/USERS/HYDAO/RUSSIA.E00\r\nARC  2~}~ )1~ )9~ )1~ )2~ '437~ '175~ )3~} "
                      "~1x@/*\" ~1kM-W\" ~1x?ch\" ~1kM@!\"~} ~1x?)}%\" ~1kM<$\"~}EOS~}\r\n")
        << QByteArray("EXP  0 /USR/USERS/HYDAO/RUSSIA.E00\nARC  2\n"
                      "         1         9         1         2       437       175         3\n"
                      " 8.7311409E+01 7.4441254E+01 8.7306671E+01 7.4443100E+01\n"
                      " 8.7300896E+01 7.4442703E+01\nEOS\n");
    QTest::newRow("nombre impair de chiffres")
        << QByteArray("EXP  1 X\n~P-CS~}EOS~}") << QByteArray("EXP  0 X\n12.345\nEOS\n");
    QTest::newRow("exposant négatif") << QByteArray("EXP  1 X\n~@0$~}EOS~}") << QByteArray("EXP  0 X\n1.5E-03\nEOS\n");
    QTest::newRow("paire de 92 à 99") << QByteArray("EXP  1 X\n~!}$~}EOS~}") << QByteArray("EXP  0 X\n95\nEOS\n");
    QTest::newRow("tilde qui termine un nombre")
        << QByteArray("EXP  1 X\n~$-C~X~}EOS~}") << QByteArray("EXP  0 X\n123.4X\nEOS\n");
    QTest::newRow("séquence coupée par une fin de ligne")
        << QByteArray("EXP  1 X\nA~\r\n )B~}E\r\nOS~}") << QByteArray("EXP  0 X\nA         B\nEOS\n");
}

void TestE00::decompresse()
{
    QFETCH(QByteArray, compresse);
    QFETCH(QByteArray, clair);
    QCOMPARE(e00::Decompresse(compresse), clair);
}

void TestE00::decompresseRefuseLesFichiersAbimes_data()
{
    QTest::addColumn<QByteArray>("texte");
    QTest::addColumn<QString>("debutMessage");

    const QString tronque = u"Le fichier E00 compressé est tronqué"_s;
    const QString invalide = u"Le fichier E00 compressé est invalide"_s;
    QTest::newRow("exemple de GDAL, tronqué") << Lit(Echantillon(u"e00/gdal-compressed/compressed.e00"_s)) << tronque;
    QTest::newRow("en-tête seul") << QByteArray("EXP  1 /A.E00") << tronque;
    QTest::newRow("coupé au milieu") << QByteArray("EXP  1 X\nARC  2~}~ )1~ )") << tronque;
    QTest::newRow("tilde final") << QByteArray("EXP  1 X\nEOS~}~") << invalide;
    QTest::newRow("séquence inconnue") << QByteArray("EXP  1 X\nA~{B~}EOS~}") << invalide;
    QTest::newRow("ligne de plus de 80") << QByteArray("EXP  1 X\n~ ~~ ~~ ~EOS~}") << invalide;
    QTest::newRow("chiffres hors limites") << QByteArray("EXP  1 X\n~!\x7f~}EOS~}") << invalide;
    QTest::newRow("octet nul") << QByteArray("EXP  1 X\nA\0B~}EOS~}", 17) << invalide;
    QTest::newRow("non compressé") << Lit(Echantillon(u"e00/gdal-testpoint/testpoint.e00"_s))
                                   << u"Le fichier n'est pas un export E00 compressé"_s;
    QByteArray bruit("EXP  1 X\n");
    for (int i = 0; i < 4000; ++i)
        bruit.append(char((i * 7919 + 13) % 251));
    QTest::newRow("bruit") << bruit << invalide;
}

void TestE00::decompresseRefuseLesFichiersAbimes()
{
    QFETCH(QByteArray, texte);
    QFETCH(QString, debutMessage);
    try {
        e00::Decompresse(texte);
        QFAIL("aucune erreur");
    } catch (const Erreur &e) {
        QVERIFY2(e.texte().startsWith(debutMessage), qPrintable(e.texte()));
    }
}

void TestE00::decompresseLesEchantillons_data()
{
    QTest::addColumn<QString>("echantillon");
    QTest::addColumn<bool>("nombres");
    QTest::addColumn<QList<int>>("objets"); // ARC, CNT, LAB, PAL

    QTest::newRow("polygones simple précision") << u"e00/gdal-testpoly/testpoly.e00"_s << false
                                                << QList<int>{7, 4, 2, 3};
    QTest::newRow("polygones, réels codés") << u"e00/gdal-testpoly/testpoly.e00"_s << true << QList<int>{7, 4, 2, 3};
    QTest::newRow("points, réels codés") << u"e00/gdal-testpoint/testpoint.e00"_s << true << QList<int>{0, 0, 80, 0};
    QTest::newRow("polygones double précision, réels codés") << u"e00/rarcinfo-valencia/valencia.e00"_s << true
                                                             << QList<int>{1074, 395, 394, 395};
}

void TestE00::decompresseLesEchantillons()
{
    QFETCH(QString, echantillon);
    QFETCH(bool, nombres);
    QFETCH(QList<int>, objets);
    QByteArray clair = Lit(Echantillon(echantillon));
    QVERIFY(!clair.isEmpty());
    clair.replace("\r\n", "\n");
    const QByteArray compresse = essai::CompresseE00(clair, nombres);
    QVERIFY(compresse.size() < clair.size());
    QVERIFY(e00::EstCompresse(compresse));
    const QByteArray lu = e00::Decompresse(compresse);
    QCOMPARE(lu.size(), clair.size());
    QVERIFY(lu == clair);

    QTemporaryDir dossier;
    EcritFichier(dossier.filePath(u"lu.e00"_s), lu);
    Jeu jeu = Ouvre(dossier.filePath(u"lu.e00"_s));
    QVERIFY(jeu);
    QList<int> comptes;
    for (const char *nom : {"ARC", "CNT", "LAB", "PAL"}) {
        OGRLayer *couche = jeu->GetLayerByName(nom);
        comptes << (couche ? int(couche->GetFeatureCount()) : 0);
    }
    QCOMPARE(comptes, objets);
}

void TestE00::ecritLesEchantillons_data()
{
    QTest::addColumn<QString>("echantillon");
    QTest::addColumn<QString>("couche"); // LAB, ARC ou PAL
    QTest::addColumn<int>("nombre");
    QTest::addColumn<QString>("datum"); // tel que GDAL le relit ; vide sans système

    QTest::newRow("points accentués, sans système") << u"shp/gdal-departs/departs.shp"_s << u"LAB"_s << 3 << QString();
    QTest::newRow("points sans dbf") << u"shp/gdal-can_caps/can_caps.shp"_s << u"LAB"_s << 13 << QString();
    QTest::newRow("points MapInfo WGS 84") << u"tab/sharpmap-citiesMapInfo/citiesMapInfo.tab"_s << u"LAB"_s << 478
                                           << u"WGS_1984"_s;
    QTest::newRow("lignes multiples") << u"tab/sharpmap-riversMapInfo/riversMapInfo.tab"_s << u"ARC"_s << 177
                                      << u"WGS_1984"_s;
    QTest::newRow("lignes sans système") << u"shp/fdo-Ontario-roads/roads.shp"_s << u"ARC"_s << 1088 << QString();
    QTest::newRow("lignes MIF") << u"mif/mi2kml-g5615h_l/g5615h_l.mif"_s << u"ARC"_s << 30 << u"WGS_1984"_s;
    QTest::newRow("régions du Québec NAD 83") << u"shp/marchand-mrc/mrc.shp"_s << u"PAL"_s << 135
                                              << u"North_American_Datum_1983"_s;
    QTest::newRow("régions à trous, OSGB 36") << u"shp/rgdal-scot_BNG/scot_BNG.shp"_s << u"PAL"_s << 110
                                              << u"Ordnance_Survey_of_Great_Britain_1936"_s;
    QTest::newRow("régions TAB SAD 69") << u"tab/rgdal-Up/Up.tab"_s << u"PAL"_s << 81
                                        << u"South_American_Datum_1969"_s;
    QTest::newRow("régions UTM WGS 84") << u"tab/gdal-poly_indexed/poly_indexed.tab"_s << u"PAL"_s << 10
                                        << u"WGS_1984"_s;
    QTest::newRow("régions MIF") << u"mif/rgdal-ps_cant_31/ps_cant_31.MIF"_s << u"PAL"_s << 44 << u"MIF 0"_s;
}

void TestE00::ecritLesEchantillons()
{
    QFETCH(QString, echantillon);
    QFETCH(QString, couche);
    QFETCH(int, nombre);
    QFETCH(QString, datum);

    Jeu source = Ouvre(Echantillon(echantillon));
    QVERIFY(source);
    OGRLayer *entree = source->GetLayer(0);
    QTemporaryDir dossier;
    const QString chemin = dossier.filePath(u"sortie.e00"_s);
    e00::EcritCouverture(Couches(*source), u"sortie"_s, chemin, entree->GetSpatialRef());
    Jeu lu = Ouvre(chemin);
    QVERIFY(lu);
    OGRLayer *sortie = lu->GetLayerByName(couche.toLatin1().constData());
    QVERIFY(sortie);
    QCOMPARE(int(sortie->GetFeatureCount()), nombre);

    // Parties de la source dans l'ordre, avec l'objet qui porte leurs attributs.
    std::vector<std::pair<std::unique_ptr<OGRGeometry>, int>> parties;
    std::vector<std::unique_ptr<OGRFeature>> objets;
    entree->ResetReading();
    while (OGRFeature *f = entree->GetNextFeature()) {
        objets.emplace_back(f);
        Parties(f->GetGeometryRef(), int(objets.size()) - 1, parties);
    }
    QCOMPARE(int(parties.size()), nombre);

    OGRFeatureDefn *defn = entree->GetLayerDefn();
    sortie->ResetReading();
    for (int k = 0; k < nombre; ++k) {
        std::unique_ptr<OGRFeature> f(sortie->GetNextFeature());
        QVERIFY(f && f->GetGeometryRef());
        const OGRGeometry *attendu = parties[k].first.get();
        const OGRGeometry *obtenu = f->GetGeometryRef();
        if (couche == u"LAB"_s) {
            QVERIFY(Proche(attendu->toPoint()->getX(), obtenu->toPoint()->getX()));
            QVERIFY(Proche(attendu->toPoint()->getY(), obtenu->toPoint()->getY()));
        } else if (couche == u"ARC"_s) {
            const auto *a = attendu->toLineString(), *b = obtenu->toLineString();
            QCOMPARE(b->getNumPoints(), a->getNumPoints());
            for (int i = 0; i < a->getNumPoints(); ++i)
                QVERIFY(Proche(a->getX(i), b->getX(i)) && Proche(a->getY(i), b->getY(i)));
        } else {
            QVERIFY2(MemePolygone(*attendu->toPolygon(), *obtenu->toPolygon()), qPrintable(QString::number(k)));
        }
        // Les items de l'utilisateur suivent ceux du système, dans l'ordre de la source.
        const OGRFeature &o = *objets[parties[k].second];
        const int premier = f->GetFieldCount() - defn->GetFieldCount();
        for (int i = 0; i < defn->GetFieldCount(); ++i) {
            const int j = premier + i;
            switch (defn->GetFieldDefn(i)->GetType()) {
            case OFTInteger:
                QCOMPARE(f->GetFieldAsInteger(j), o.GetFieldAsInteger(i));
                break;
            case OFTReal:
                QVERIFY(Proche(o.GetFieldAsDouble(i), f->GetFieldAsDouble(j)));
                break;
            default:
                // L'export est en Windows-1252 (ces échantillons n'ont que du Latin-1) ; INFO complète
                // le texte d'espaces, que GDAL retire.
                QCOMPARE(QString::fromLatin1(f->GetFieldAsString(j)),
                         QString::fromUtf8(o.GetFieldAsString(i)).remove(QRegularExpression(u" +$"_s)));
            }
        }
    }

    const OGRSpatialReference *srs = sortie->GetSpatialRef();
    if (datum.isEmpty()) {
        QVERIFY(!srs);
        return;
    }
    QVERIFY(srs);
    QCOMPARE(QString::fromUtf8(srs->GetAttrValue("DATUM")), datum);
    const OGRSpatialReference *origine = entree->GetSpatialRef();
    QCOMPARE(srs->IsProjected(), origine->IsProjected());
    QVERIFY(Proche(srs->GetSemiMajor(), origine->GetSemiMajor()));
    QVERIFY(Proche(srs->GetInvFlattening(), origine->GetInvFlattening()));
    for (const char *p : {SRS_PP_CENTRAL_MERIDIAN, SRS_PP_SCALE_FACTOR, SRS_PP_FALSE_EASTING, SRS_PP_FALSE_NORTHING,
                          SRS_PP_LATITUDE_OF_ORIGIN, SRS_PP_STANDARD_PARALLEL_1, SRS_PP_STANDARD_PARALLEL_2})
        QVERIFY2(Proche(srs->GetNormProjParm(p, 0), origine->GetNormProjParm(p, 0)), p);
}

void TestE00::ecritLeSystemeDeCoordonnees_data()
{
    QTest::addColumn<QString>("coordsys");
    QTest::addColumn<QString>("datum");
    QTest::addColumn<int>("zoneUtm");
    QTest::addColumn<double>("meridien");
    QTest::addColumn<double>("echelle");
    QTest::addColumn<double>("faussAbscisse");

    QTest::newRow("MTM 8 NAD 83") << u"CoordSys Earth Projection 8, 74, \"m\", -73.5, 0, 0.9999, 304800, 0"_s
                                  << u"North_American_Datum_1983"_s << 0 << -73.5 << 0.9999 << 304800.0;
    QTest::newRow("MTM 7 NAD 27 Canada") << u"CoordSys Earth Projection 8, 66, \"m\", -70.5, 0, 0.9999, 304800, 0"_s
                                         << u"North_American_Datum_1927"_s << 0 << -70.5 << 0.9999 << 304800.0;
    QTest::newRow("UTM 18 NAD 27") << u"CoordSys Earth Projection 8, 62, \"m\", -75, 0, 0.9996, 500000, 0"_s
                                   << u"North_American_Datum_1927"_s << 18 << -75.0 << 0.9996 << 500000.0;
    QTest::newRow("UTM 19 NAD 83") << u"CoordSys Earth Projection 8, 74, \"m\", -69, 0, 0.9996, 500000, 0"_s
                                   << u"North_American_Datum_1983"_s << 19 << -69.0 << 0.9996 << 500000.0;
    QTest::newRow("géographique NAD 27") << u"CoordSys Earth Projection 1, 66"_s << u"North_American_Datum_1927"_s
                                         << 0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("Lambert du Québec NAD 83")
        << u"CoordSys Earth Projection 3, 74, \"m\", -68.5, 44, 46, 60, 0, 0"_s << u"North_American_Datum_1983"_s << 0
        << -68.5 << 0.0 << 0.0;
    QTest::newRow("Lambert 93, par WKT") << u"CoordSys Earth Projection 3, 33, \"m\", 3, 46.5, 44, 49, 700000, 6600000"_s
                                         << u"Reseau_Geodesique_Francais_1993_v1"_s << 0 << 3.0 << 0.0 << 700000.0;
}

void TestE00::ecritLeSystemeDeCoordonnees()
{
    QFETCH(QString, coordsys);
    QFETCH(QString, datum);
    QFETCH(int, zoneUtm);
    QFETCH(double, meridien);
    QFETCH(double, echelle);
    QFETCH(double, faussAbscisse);

    OGRSpatialReference srs;
    QCOMPARE(srs.importFromMICoordSys(coordsys.toLatin1().constData()), OGRERR_NONE);
    Jeu source = Ouvre(Echantillon(u"shp/gdal-departs/departs.shp"_s));
    QVERIFY(source);
    QTemporaryDir dossier;
    const QString chemin = dossier.filePath(u"departs.e00"_s);
    e00::EcritCouverture(Couches(*source), u"departs"_s, chemin, &srs);

    Jeu lu = Ouvre(chemin);
    QVERIFY(lu);
    const OGRSpatialReference *relu = lu->GetLayerByName("LAB")->GetSpatialRef();
    QVERIFY(relu);
    QCOMPARE(QString::fromUtf8(relu->GetAttrValue("DATUM")), datum);
    int nord = 0;
    QCOMPARE(relu->GetUTMZone(&nord), zoneUtm);
    if (meridien == 0.0) {
        QVERIFY(relu->IsGeographic());
        return;
    }
    QVERIFY(relu->IsProjected());
    QCOMPARE(relu->GetLinearUnits(), 1.0);
    QCOMPARE(relu->GetNormProjParm(SRS_PP_CENTRAL_MERIDIAN, 0), meridien);
    if (echelle != 0.0)
        QCOMPARE(relu->GetNormProjParm(SRS_PP_SCALE_FACTOR, 0), echelle);
    else // Lambert : les parallèles d'origine
        QCOMPARE(relu->GetNormProjParm(SRS_PP_STANDARD_PARALLEL_1, 0) + relu->GetNormProjParm(SRS_PP_STANDARD_PARALLEL_2, 0),
                 faussAbscisse == 0.0 ? 106.0 : 93.0);
    QCOMPARE(relu->GetNormProjParm(SRS_PP_FALSE_EASTING, 0), faussAbscisse);
}

void TestE00::topologieDesRegions()
{
    // A : carré à trou ; B : voisin de A ; C : l'île qui remplit le trou ; D : deux parties.
    GDALDriver *memoire = GetGDALDriverManager()->GetDriverByName("Memory");
    Jeu jeu(memoire->Create("", 0, 0, 0, GDT_Unknown, nullptr));
    OGRLayer *couche = jeu->CreateLayer("regions", nullptr, wkbUnknown, nullptr);
    OGRFieldDefn nom("nom", OFTString);
    couche->CreateField(&nom);
    const char *formes[][2] = {
        {"A", "POLYGON ((0 0,10 0,10 10,0 10,0 0),(2 2,4 2,4 4,2 4,2 2))"},
        {"B", "POLYGON ((10 0,20 0,20 10,10 10,10 0))"},
        {"C", "POLYGON ((2 2,2 4,4 4,4 2,2 2))"},
        {"D", "MULTIPOLYGON (((30 0,31 0,31 1,30 1,30 0)),((40 0,41 0,41 1,40 1,40 0)))"},
    };
    for (const auto &forme : formes) {
        OGRFeature f(couche->GetLayerDefn());
        f.SetField(0, forme[0]);
        OGRGeometry *g = nullptr;
        OGRGeometryFactory::createFromWkt(forme[1], nullptr, &g);
        f.SetGeometryDirectly(g);
        QCOMPARE(couche->CreateFeature(&f), OGRERR_NONE);
    }
    QTemporaryDir dossier;
    const QString chemin = dossier.filePath(u"regions.e00"_s);
    const e00::Bilan bilan = e00::EcritCouvertureAvecBilan({couche}, u"régions"_s, chemin, nullptr);
    QCOMPARE(bilan.polygones, 5);

    Jeu lu = Ouvre(chemin);
    QVERIFY(lu);
    OGRLayer *pal = lu->GetLayerByName("PAL");
    QCOMPARE(int(pal->GetFeatureCount()), 5);
    const char *attendus[][2] = {
        {"A", "POLYGON ((0 0,10 0,10 10,0 10,0 0),(2 2,4 2,4 4,2 4,2 2))"},
        {"B", "POLYGON ((10 0,20 0,20 10,10 10,10 0))"},
        {"C", "POLYGON ((2 2,2 4,4 4,4 2,2 2))"},
        {"D", "POLYGON ((30 0,31 0,31 1,30 1,30 0))"},
        {"D", "POLYGON ((40 0,41 0,41 1,40 1,40 0))"},
    };
    pal->ResetReading();
    for (const auto &attendu : attendus) {
        std::unique_ptr<OGRFeature> f(pal->GetNextFeature());
        QCOMPARE(f->GetFieldAsString("NOM"), attendu[0]);
        OGRGeometry *g = nullptr;
        OGRGeometryFactory::createFromWkt(attendu[1], nullptr, &g);
        std::unique_ptr<OGRGeometry> forme(g);
        QVERIFY2(MemePolygone(*forme->toPolygon(), *f->GetGeometryRef()->toPolygon()), attendu[0]);
    }

    // Chaque limite n'est écrite qu'une fois, avec un polygone de chaque côté (1 : l'univers) :
    // le contour de A hors limite commune, la limite A|B, le reste de B, le trou A|C, les deux parties de D.
    OGRLayer *arcs = lu->GetLayerByName("ARC");
    QList<QPair<int, int>> cotes;
    arcs->ResetReading();
    while (std::unique_ptr<OGRFeature> f{arcs->GetNextFeature()}) {
        const int g = f->GetFieldAsInteger("LPOLY_"), d = f->GetFieldAsInteger("RPOLY_");
        cotes << qMakePair(std::min(g, d), std::max(g, d));
    }
    std::sort(cotes.begin(), cotes.end());
    const QList<QPair<int, int>> attendu{{1, 2}, {1, 3}, {1, 5}, {1, 6}, {2, 3}, {2, 4}};
    QCOMPARE(cotes, attendu);

    // Étiquettes : une par polygone, à l'intérieur, reliée à son enregistrement.
    OGRLayer *lab = lu->GetLayerByName("LAB");
    QCOMPARE(int(lab->GetFeatureCount()), 5);
    lab->ResetReading();
    pal->ResetReading();
    while (std::unique_ptr<OGRFeature> f{lab->GetNextFeature()}) {
        std::unique_ptr<OGRFeature> p(pal->GetFeature(f->GetFieldAsInteger("PolyId")));
        QVERIFY(p);
        QVERIFY(f->GetGeometryRef()->Within(p->GetGeometryRef()));
    }
}

void TestE00::attributsDeTousTypes()
{
    GDALDriver *memoire = GetGDALDriverManager()->GetDriverByName("Memory");
    Jeu jeu(memoire->Create("", 0, 0, 0, GDT_Unknown, nullptr));
    OGRLayer *couche = jeu->CreateLayer("points", nullptr, wkbPoint, nullptr);
    OGRFieldDefn texte("Nom de rue", OFTString), entier("compte", OFTInteger), grand("grand", OFTInteger64),
        reel("mesure", OFTReal), date("jour", OFTDate), logique("actif", OFTInteger), aire("area", OFTString);
    texte.SetWidth(10); // plus court que le texte : la largeur suit les valeurs
    logique.SetSubType(OFSTBoolean);
    for (OGRFieldDefn *d : {&texte, &entier, &grand, &reel, &date, &logique, &aire})
        couche->CreateField(d);
    OGRFeature f(couche->GetLayerDefn());
    f.SetField(0, "Québec « Œuvre » 2 €, très long texte");
    f.SetField(1, -42);
    f.SetField(2, GIntBig(5000000000));
    f.SetField(3, 3.14159265358979);
    f.SetField(4, 2024, 3, 15);
    f.SetField(5, 1);
    f.SetField(6, "a");
    f.SetGeometryDirectly(new OGRPoint(304800.5, 5040000.25));
    QCOMPARE(couche->CreateFeature(&f), OGRERR_NONE);
    OGRFeature vide(couche->GetLayerDefn());
    vide.SetGeometryDirectly(new OGRPoint(1, 2));
    QCOMPARE(couche->CreateFeature(&vide), OGRERR_NONE);
    OGRFeature sansGeometrie(couche->GetLayerDefn());
    QCOMPARE(couche->CreateFeature(&sansGeometrie), OGRERR_NONE);

    QTemporaryDir dossier;
    const QString chemin = dossier.filePath(u"pts.e00"_s);
    const e00::Bilan bilan = e00::EcritCouvertureAvecBilan({couche}, u"pts"_s, chemin, nullptr);
    QCOMPARE(bilan.points, 2);
    QCOMPARE(bilan.sansGeometrie, 1);

    const QByteArray contenu = Lit(chemin);
    for (const QByteArray &ligne : contenu.split('\n'))
        QVERIFY2(ligne.size() <= 80, ligne.constData());

    Jeu lu = Ouvre(chemin);
    QVERIFY(lu);
    OGRLayer *lab = lu->GetLayerByName("LAB");
    QCOMPARE(int(lab->GetFeatureCount()), 2);
    lab->ResetReading();
    std::unique_ptr<OGRFeature> a(lab->GetNextFeature()), b(lab->GetNextFeature());
    QCOMPARE(QByteArray(a->GetFieldAsString("NOM_DE_RUE")),
             QByteArray("Qu\xe9" "bec \xab \x8c" "uvre \xbb 2 \x80, tr\xe8s long texte"));
    QCOMPARE(a->GetFieldAsInteger("COMPTE"), -42);
    QCOMPARE(a->GetFieldAsDouble("GRAND"), 5000000000.0);
    QCOMPARE(a->GetFieldAsDouble("MESURE"), 3.14159265358979);
    // Sans précision à la source, celle des valeurs : un Decimal(18, 0) en aval tronquerait 3.14159 en 3.
    const OGRFieldDefn *mesure = lab->GetLayerDefn()->GetFieldDefn(lab->GetLayerDefn()->GetFieldIndex("MESURE"));
    QCOMPARE(mesure->GetPrecision(), 14);
    QCOMPARE(mesure->GetWidth(), 16);
    QCOMPARE(a->GetFieldAsString("JOUR"), "20240315");
    QCOMPARE(a->GetFieldAsString("ACTIF"), "T");
    QCOMPARE(a->GetFieldAsString("AREA_2"), "a"); // AREA est un item du système
    QCOMPARE(a->GetGeometryRef()->toPoint()->getX(), 304800.5);
    QCOMPARE(a->GetGeometryRef()->toPoint()->getY(), 5040000.25);
    QCOMPARE(b->GetFieldAsString("NOM_DE_RUE"), "");
    QCOMPARE(b->GetFieldAsInteger("COMPTE"), 0);
}

void TestE00::tableMixte()
{
    // Une table MapInfo peut mêler points, lignes et régions : tout va dans la même couverture.
    GDALDriver *memoire = GetGDALDriverManager()->GetDriverByName("Memory");
    Jeu jeu(memoire->Create("", 0, 0, 0, GDT_Unknown, nullptr));
    OGRLayer *couche = jeu->CreateLayer("mixte", nullptr, wkbUnknown, nullptr);
    OGRFieldDefn nom("nom", OFTString);
    couche->CreateField(&nom);
    const char *formes[][2] = {
        {"puits", "POINT (5 5)"},
        {"route", "LINESTRING (20 0,30 0)"},
        {"chemin", "LINESTRING (30 0,30 10)"},
        {"champ", "POLYGON ((0 0,0 10,10 10,10 0,0 0))"},
        {"borne", "POINT (40 40)"},
    };
    for (const auto &forme : formes) {
        OGRFeature f(couche->GetLayerDefn());
        f.SetField(0, forme[0]);
        OGRGeometry *g = nullptr;
        OGRGeometryFactory::createFromWkt(forme[1], nullptr, &g);
        f.SetGeometryDirectly(g);
        QCOMPARE(couche->CreateFeature(&f), OGRERR_NONE);
    }
    QTemporaryDir dossier;
    const QString chemin = dossier.filePath(u"mixte.e00"_s);
    e00::EcritCouverture({couche}, u"mixte"_s, chemin, nullptr);
    Jeu lu = Ouvre(chemin);
    QVERIFY(lu);

    const auto noms = [&](const char *nomCouche) {
        QStringList vus;
        OGRLayer *c = lu->GetLayerByName(nomCouche);
        c->ResetReading();
        while (std::unique_ptr<OGRFeature> f{c->GetNextFeature()})
            vus << QString::fromLatin1(f->GetFieldAsString("NOM"));
        return vus;
    };
    QCOMPARE(noms("PAL"), QStringList{u"champ"_s});
    // L'étiquette du champ, puis les points, chacun avec ses attributs.
    QCOMPARE(noms("LAB"), (QStringList{u"champ"_s, u"puits"_s, u"borne"_s}));
    // Les lignes d'abord, puis la limite du champ, sans attributs.
    QCOMPARE(noms("ARC"), (QStringList{u"route"_s, u"chemin"_s, QString()}));

    OGRLayer *arcs = lu->GetLayerByName("ARC");
    arcs->ResetReading();
    std::unique_ptr<OGRFeature> route(arcs->GetNextFeature()), chemin2(arcs->GetNextFeature());
    QCOMPARE(route->GetFieldAsInteger("TNODE_"), chemin2->GetFieldAsInteger("FNODE_")); // extrémité commune
    QVERIFY(route->GetFieldAsInteger("FNODE_") != chemin2->GetFieldAsInteger("TNODE_"));
}

void TestE00::allerRetourTabE00Tab()
{
    Jeu source = Ouvre(Echantillon(u"tab/gdal-poly_indexed/poly_indexed.tab"_s));
    QVERIFY(source);
    OGRLayer *entree = source->GetLayer(0);
    QTemporaryDir dossier;
    const QString e00 = dossier.filePath(u"poly.e00"_s);
    e00::EcritCouverture(Couches(*source), u"poly"_s, e00, entree->GetSpatialRef());

    Jeu couverture = Ouvre(e00);
    QVERIFY(couverture);
    OGRLayer *pal = couverture->GetLayerByName("PAL");
    GDALDriver *mapinfo = GetGDALDriverManager()->GetDriverByName("MapInfo File");
    const QString tab = dossier.filePath(u"retour.tab"_s);
    {
        Jeu retour(mapinfo->Create(tab.toUtf8().constData(), 0, 0, 0, GDT_Unknown, nullptr));
        QVERIFY(retour);
        OGRLayer *sortie = retour->CreateLayer("retour", pal->GetSpatialRef(), wkbPolygon, nullptr);
        QVERIFY(sortie);
        // Ce que ferait le traducteur : les items de l'utilisateur, après ceux du système.
        const int n = entree->GetLayerDefn()->GetFieldCount();
        const int premier = pal->GetLayerDefn()->GetFieldCount() - n;
        for (int i = 0; i < n; ++i)
            sortie->CreateField(pal->GetLayerDefn()->GetFieldDefn(premier + i));
        pal->ResetReading();
        while (std::unique_ptr<OGRFeature> f{pal->GetNextFeature()}) {
            OGRFeature g(sortie->GetLayerDefn());
            g.SetGeometry(f->GetGeometryRef());
            for (int i = 0; i < n; ++i)
                g.SetField(i, f->GetRawFieldRef(premier + i));
            QCOMPARE(sortie->CreateFeature(&g), OGRERR_NONE);
        }
    }
    Jeu relu = Ouvre(tab);
    QVERIFY(relu);
    OGRLayer *fin = relu->GetLayer(0);
    QCOMPARE(fin->GetFeatureCount(), entree->GetFeatureCount());
    QVERIFY(fin->GetSpatialRef());
    int nord = 0;
    QCOMPARE(fin->GetSpatialRef()->GetUTMZone(&nord), entree->GetSpatialRef()->GetUTMZone(&nord));
    QCOMPARE(QByteArray(fin->GetSpatialRef()->GetAttrValue("DATUM")), QByteArray("WGS_1984"));
    entree->ResetReading();
    fin->ResetReading();
    while (std::unique_ptr<OGRFeature> a{entree->GetNextFeature()}) {
        std::unique_ptr<OGRFeature> b(fin->GetNextFeature());
        QVERIFY(b);
        for (int i = 0; i < a->GetFieldCount(); ++i)
            QCOMPARE(b->GetFieldAsString(i), a->GetFieldAsString(i));
        // MapInfo arrondit les coordonnées à la précision de ses bornes.
        QVERIFY(std::fabs(b->GetGeometryRef()->toPolygon()->get_Area() - a->GetGeometryRef()->toPolygon()->get_Area())
                < 1e-3 * a->GetGeometryRef()->toPolygon()->get_Area());
    }
}

void TestE00::ecritSousUnNomProvisoire()
{
    Jeu source = Ouvre(Echantillon(u"shp/gdal-departs/departs.shp"_s));
    QVERIFY(source);
    QTemporaryDir dossier;
    e00::EcritCouverture(Couches(*source), u"departs"_s, dossier.filePath(u"departs.e00"_s), nullptr);
    QCOMPARE(QDir(dossier.path()).entryList(QDir::Files), QStringList{u"departs.e00"_s});
    QVERIFY(Lit(dossier.filePath(u"departs.e00"_s)).startsWith("EXP  0 DEPARTS.E00\nLAB  3\n"));

    // Dossier absent : une erreur, et rien d'écrit.
    try {
        e00::EcritCouverture(Couches(*source), u"departs"_s, dossier.filePath(u"absent/departs.e00"_s), nullptr);
        QFAIL("aucune erreur");
    } catch (const Erreur &e) {
        QVERIFY2(e.texte().startsWith(u"Impossible de créer le fichier E00"_s), qPrintable(e.texte()));
    }
    QCOMPARE(QDir(dossier.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"departs.e00"_s});
}

void TestE00::ecritUneGrandeCouvertureEnEntier()
{
    // Plusieurs Mo de texte : rien ne se perd d'un bloc écrit au suivant.
    GDALDriver *memoire = GetGDALDriverManager()->GetDriverByName("Memory");
    Jeu jeu(memoire->Create("", 0, 0, 0, GDT_Unknown, nullptr));
    OGRLayer *couche = jeu->CreateLayer("pts", nullptr, wkbPoint, nullptr);
    OGRFieldDefn n("N", OFTInteger);
    couche->CreateField(&n);
    const int total = 30000;
    for (int k = 0; k < total; ++k) {
        OGRFeature f(couche->GetLayerDefn());
        f.SetField(0, k);
        f.SetGeometryDirectly(new OGRPoint(k * 0.5, k * 0.25));
        QCOMPARE(couche->CreateFeature(&f), OGRERR_NONE);
    }
    QTemporaryDir dossier;
    const QString chemin = dossier.filePath(u"pts.e00"_s);
    e00::EcritCouverture({couche}, u"pts"_s, chemin, nullptr);
    const QByteArray contenu = Lit(chemin);
    QVERIFY(contenu.size() > 3 << 20);
    QVERIFY(contenu.endsWith("EOI\nEOS\n"));
    QCOMPARE(QDir(dossier.path()).entryList(QDir::Files), QStringList{u"pts.e00"_s});

    Jeu lu = Ouvre(chemin);
    QVERIFY(lu);
    OGRLayer *lab = lu->GetLayerByName("LAB");
    QCOMPARE(int(lab->GetFeatureCount()), total);
    lab->ResetReading();
    long long somme = 0;
    while (std::unique_ptr<OGRFeature> f{lab->GetNextFeature()})
        somme += f->GetFieldAsInteger64("N");
    QCOMPARE(somme, (long long)total * (total - 1) / 2);
}

QTEST_GUILESS_MAIN(TestE00)
#include "tst_e00.moc"
