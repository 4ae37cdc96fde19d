// Le vrai imut sur les vrais fichiers d'exemple, par ses deux lignes de commande, comme le programme
// les écrit (Trad_Macro.txt en CR LF, lignes de lot passées à /bin/sh) ; les sorties relues par GDAL.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "fakes.h"
#include "dxfbinaire.h"
#include "integrite.h"
#include "jeux.h"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <map>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

QString Echantillons()
{
    return qEnvironmentVariable("QUORVALE_SAMPLES");
}

QString Imut()
{
    return qEnvironmentVariable("QUORVALE_DOSSIER_MAPINFO") + u"/UT/imut"_s;
}

// Une valeur entre guillemets pour /bin/sh, comme le programme l'échappe.
QString Sh(const QString &valeur)
{
    QString v = valeur;
    v.replace(u'\\', u"\\\\"_s).replace(u'"', u"\\\""_s).replace(u'$', u"\\$"_s).replace(u'`', u"\\`"_s);
    return u'"' + v + u'"';
}

struct Lancement {
    int generate = -1;
    int traduction = -1;
    QString erreurs;
};

struct Ferme {
    void operator()(GDALDataset *d) const { GDALClose(d); }
};
using Jeu = std::unique_ptr<GDALDataset, Ferme>;

Jeu Ouvre(const QString &chemin)
{
    return Jeu(static_cast<GDALDataset *>(GDALOpenEx(chemin.toUtf8().constData(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr)));
}

int Compte(const QString &chemin)
{
    Jeu ds = Ouvre(chemin);
    return ds ? int(ds->GetLayer(0)->GetFeatureCount()) : -1;
}

QStringList Valeurs(const QString &chemin, const char *champ)
{
    QStringList valeurs;
    Jeu ds = Ouvre(chemin);
    if (!ds)
        return {u"(illisible)"_s};
    OGRLayer *l = ds->GetLayer(0);
    for (auto &f : *l)
        valeurs << QString::fromUtf8(f->GetFieldAsString(champ));
    return valeurs;
}

QString CoordSys(const QString &chemin)
{
    Jeu ds = Ouvre(chemin);
    const OGRSpatialReference *srs = ds ? ds->GetLayer(0)->GetSpatialRef() : nullptr;
    if (!srs)
        return {};
    char *texte = nullptr;
    srs->exportToMICoordSys(&texte);
    const QString resultat = QString::fromUtf8(texte).trimmed();
    CPLFree(texte);
    return resultat;
}

QString Datum(const QString &chemin)
{
    Jeu ds = Ouvre(chemin);
    const OGRSpatialReference *srs = ds ? ds->GetLayer(0)->GetSpatialRef() : nullptr;
    return srs && srs->GetAttrValue("DATUM") ? QString::fromUtf8(srs->GetAttrValue("DATUM")) : QString();
}

// Genres des géométries d'une couche, « Polygon=3 » dans l'ordre des noms.
QStringList Genres(const QString &chemin, const char *couche = nullptr)
{
    Jeu ds = Ouvre(chemin);
    OGRLayer *l = !ds ? nullptr : couche ? ds->GetLayerByName(couche) : ds->GetLayer(0);
    if (!l)
        return {u"(illisible)"_s};
    std::map<QString, int> n;
    for (auto &f : *l)
        ++n[f->GetGeometryRef() ? QString::fromUtf8(OGRGeometryTypeToName(wkbFlatten(f->GetGeometryRef()->getGeometryType()))) : u"aucune"_s];
    QStringList genres;
    for (const auto &[genre, nombre] : n)
        genres << u"%1=%2"_s.arg(genre).arg(nombre);
    return genres;
}

// Vrai quand GDAL ouvre le fichier et en lit chaque objet de chaque couche sans signaler d'échec.
bool LuParGdal(const QString &chemin)
{
    static thread_local int echecs;
    echecs = 0;
    CPLPushErrorHandler([](CPLErr classe, CPLErrorNum, const char *) {
        if (classe >= CE_Failure)
            ++echecs;
    });
    bool lu = false;
    {
        Jeu ds = Ouvre(chemin);
        if (ds && ds->GetLayerCount() > 0) {
            lu = true;
            for (int i = 0; i < ds->GetLayerCount(); ++i) {
                OGRLayer *l = ds->GetLayer(i);
                GIntBig n = 0;
                for (auto &f : *l)
                    n += f ? 1 : 0;
                // Une table MapInfo compte ses enregistrements effacés, que GDAL ne rend pas.
                lu = lu && (l->GetFeatureCount(FALSE) < 0 || n >= l->GetFeatureCount(TRUE));
            }
        }
    }
    CPLPopErrorHandler();
    return lu && echecs == 0;
}

void Ecrit(const QString &chemin, const QByteArray &contenu)
{
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(contenu);
}

QByteArray Lit(const QString &chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Un fichier de formes de points dont la colonne NOM porte ces octets tels quels (aucun .cpg),
// et le code de langue ldid dans son .dbf.
void FormesBrutes(const QString &shp, const QByteArray &octets, uchar ldid)
{
    GDALDriver *pilote = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
    {
        Jeu ds(pilote->Create(shp.toUtf8().constData(), 0, 0, 0, GDT_Unknown, nullptr));
        const char *options[] = {"ENCODING=", nullptr};
        OGRLayer *l = ds->CreateLayer("brut", nullptr, wkbPoint, const_cast<char **>(options));
        OGRFieldDefn champ("NOM", OFTString);
        champ.SetWidth(60);
        l->CreateField(&champ);
        OGRFeature f(l->GetLayerDefn());
        f.SetField(0, octets.constData());
        OGRPoint p(1, 2);
        f.SetGeometry(&p);
        QCOMPARE(l->CreateFeature(&f), OGRERR_NONE);
    }
    QFile::remove(QString(shp).replace(u".shp"_s, u".cpg"_s));
    QFile dbf(QString(shp).replace(u".shp"_s, u".dbf"_s));
    QVERIFY(dbf.open(QIODevice::ReadWrite));
    dbf.seek(29);
    dbf.write(QByteArray(1, char(ldid)));
}

QByteArray En(const QString &texte, const char *codage)
{
    char *o = CPLRecode(texte.toUtf8().constData(), CPL_ENC_UTF8, codage);
    QByteArray r(o);
    CPLFree(o);
    return r;
}

QStringList Fichiers(const QString &dossier)
{
    return QDir(dossier).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestUt : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    QString temp; // le dossier des fichiers de travail, terminé par "/"

    // Un travail du traducteur de source vers destination, tel que le programme l'écrit.
    Lancement Traduit(const QString &source, const QString &destination, const QString &clause = {})
    {
        const QFileInfo s(source), d(destination);
        const QString cs = s.suffix().left(3).toLower(), cd = d.suffix().left(3).toLower();
        const QString dossierS = s.path(), dossierD = d.path(), nom = s.fileName(), base = s.completeBaseName();
        QStringList m;
        if (cd == u"dxf"_s)
            m << u"MACRO _ATTRKIND extended_entity_data"_s << u"MACRO _REL Release14"_s;
        if (cs == u"dxf"_s)
            m << u"MACRO _EXPAND_BLOCKS yes"_s << u"MACRO _ATTRKIND extended_entity_data"_s;
        if ((cs == u"mif"_s || cs == u"tab"_s) && cd == u"e00"_s)
            m << u"MACRO _COMPRESSION NONE"_s << u"MACRO _PRECISION Double"_s;
        m << u"MACRO _EXTENSION "_s + cs.toUpper() << u"MACRO _BASENAME "_s + nom.left(nom.size() - 5)
          << u"MACRO _FULLBASENAME "_s + nom.left(nom.size() - 4);
        m << u"MACRO SourceDataset "_s + (cs == u"e00"_s || cs == u"dxf"_s ? source : dossierS + u'/');
        m << u"MACRO DestDataset "_s
                 + (cs == u"e00"_s ? dossierD
                    : cd == u"dxf"_s ? dossierD + u'/' + base + u".dxf"_s
                                     : dossierD + u'/');
        m << u"INCLUDE "_s + temp + u"PARAM.TXT"_s;
        const QString q = u'"' + base + u'"';
        if (cs == u"shp"_s)
            m << u"SHAPE_IDs "_s + q << u"SHAPE_IN_IDs "_s + q;
        if (cs == u"tab"_s)
            m << u"MAPINFO_IDs "_s + q << u"MAPINFO_IN_IDS "_s + q;
        if (cs == u"mif"_s)
            m << u"MIF_IDs "_s + q << u"MIF_IN_IDs "_s + q;
        if (!clause.isEmpty() && (cs == u"dxf"_s || cs == u"e00"_s || cs == u"shp"_s))
            m << (cd == u"mif"_s ? u"MIF_COORDSYS_STATEMENT "_s : u"MAPINFO_COORDSYS_STATEMENT "_s) + clause;
        QFile macro(temp + u"Trad_Macro.txt"_s);
        if (!macro.open(QIODevice::WriteOnly))
            return {};
        macro.write((m.join(u"\r\n"_s) + u"\r\n"_s).toUtf8());
        macro.close();

        const QString i = Sh(Imut()), p = Sh(temp + u"PARAM.TXT"_s), paire = cs + cd;
        const QString id = u" ID "_s + Sh(base), autocad = u"  --Dest_ATTR \"autocad_attributes\" --Dest_ATTRKIND \"extended_entity_data\" --Dest_REL \"Release14\""_s;
        const QString dessin = u"  --Source_EXPAND_BLOCKS \"yes\" --Source_ATTR \"autocad_attributes\" --Source_ATTRKIND \"extended_entity_data\" --LAYERBASENAME "_s + Sh(base + u'_');
        QString ligne;
        if (paire == u"tabshp"_s) ligne = i + u" generate Mapinfo Shape "_s + Sh(dossierS) + u' ' + p + id;
        if (paire == u"tabe00"_s) ligne = i + u" generate Mapinfo E00 "_s + Sh(dossierS) + u' ' + p + id;
        if (paire == u"tabdxf"_s) ligne = i + u" generate Mapinfo dwg "_s + Sh(dossierS) + u' ' + p + u' ' + id + autocad;
        if (paire == u"mifdxf"_s) ligne = i + u" generate MIF DWG "_s + Sh(dossierS) + u' ' + p + u' ' + id + autocad;
        if (paire == u"mife00"_s) ligne = i + u" generate MIF E00 "_s + Sh(dossierS) + u' ' + p + u' ' + id + u"  --Dest_COMPRESSION \"NONE\" --Dest_PRECISION \"Double\""_s;
        if (paire == u"mifshp"_s) ligne = i + u" generate MIF SHAPE "_s + Sh(dossierS) + u' ' + p + id;
        if (paire == u"shptab"_s) ligne = i + u" generate Shape Mapinfo "_s + Sh(dossierS) + u' ' + p + id;
        if (paire == u"shpmif"_s) ligne = i + u" generate Shape Mif "_s + Sh(dossierS) + u' ' + p + id;
        if (paire == u"dxftab"_s) ligne = i + u" generate autocadScan MAPINFO "_s + Sh(source) + u' ' + p + dessin;
        if (paire == u"dxfmif"_s) ligne = i + u" generate autocadScan MIF "_s + Sh(source) + u' ' + p + dessin;
        if (paire == u"e00tab"_s) ligne = i + u" generate E00 MAPINFO "_s + Sh(source) + u' ' + p;
        if (paire == u"e00mif"_s) ligne = i + u" generate E00 MIF "_s + Sh(source) + u' ' + p;
        Lancement r;
        QProcess sh;
        sh.start(u"/bin/sh"_s, {u"-c"_s, ligne});
        sh.waitForFinished(60000);
        r.generate = sh.exitCode();
        r.erreurs = QString::fromUtf8(sh.readAllStandardError());
        sh.start(u"/bin/sh"_s, {u"-c"_s, i + u' ' + Sh(temp + u"Trad_Macro.txt"_s)});
        sh.waitForFinished(60000);
        r.traduction = sh.exitCode();
        r.erreurs += QString::fromUtf8(sh.readAllStandardError());
        return r;
    }

    QString Sortie(const QString &nom)
    {
        QDir().mkpath(tmp.filePath(u"sortie"_s));
        return tmp.filePath(u"sortie/"_s + nom);
    }

    void Vide()
    {
        QDir(tmp.filePath(u"sortie"_s)).removeRecursively();
        QDir().mkpath(tmp.filePath(u"sortie"_s));
        QDir(tmp.filePath(u"etape"_s)).removeRecursively();
        QDir().mkpath(tmp.filePath(u"etape"_s));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(tmp.isValid());
        temp = tmp.filePath(u"travail"_s) + u'/';
        QDir().mkpath(temp);
        QVERIFY2(QFileInfo::exists(Imut()), qPrintable(Imut()));
        GDALAllRegister();
        CPLSetErrorHandler(CPLQuietErrorHandler);
    }

    void init() { Vide(); }

    // Chaque paire, trois jeux au moins par format source ; le chemin source est en minuscules
    // comme le programme le donne. Sorties attendues : « fichier=nombre d'objets ».
    void paires_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("cible");
        QTest::addColumn<QStringList>("sorties");
        QTest::newRow("tab shp régions") << u"tab/rgdal-up/up.tab"_s << u"shp"_s
                                         << QStringList{u"up_region.cpg"_s, u"up_region.dbf"_s, u"up_region.prj"_s, u"up_region.shp=81"_s, u"up_region.shx"_s};
        QTest::newRow("tab shp tous genres") << u"tab/gdal-all_geoms_block_32256/all_geoms_block_32256.tab"_s << u"shp"_s
            << QStringList{u"all_geoms_block_32256_collection.shp=1"_s, u"all_geoms_block_32256_custom_point.shp=1"_s,
                           u"all_geoms_block_32256_font_point.shp=1"_s, u"all_geoms_block_32256_point.shp=3"_s,
                           u"all_geoms_block_32256_polyline.shp=7"_s, u"all_geoms_block_32256_region.shp=4"_s,
                           u"all_geoms_block_32256_text.shp=1"_s};
        QTest::newRow("tab shp sans géométrie") << u"tab/gdal-aspatial/aspatial.tab"_s << u"shp"_s << QStringList{u"aspatial_none.shp=3"_s};
        QTest::newRow("tab dxf points") << u"tab/sharpmap-citiesmapinfo/citiesmapinfo.tab"_s << u"dxf"_s << QStringList{u"citiesmapinfo.dxf=478"_s};
        QTest::newRow("tab dxf lignes") << u"tab/sharpmap-riversmapinfo/riversmapinfo.tab"_s << u"dxf"_s << QStringList{u"riversmapinfo.dxf=177"_s};
        QTest::newRow("tab dxf cyrillique") << u"tab/gdal-tab-win1251/tab-win1251.tab"_s << u"dxf"_s << QStringList{u"tab-win1251.dxf=3"_s};
        QTest::newRow("tab e00 points") << u"tab/sharpmap-citiesmapinfo/citiesmapinfo.tab"_s << u"e00"_s << QStringList{u"citiesmapinfo.e00=478"_s};
        QTest::newRow("mif e00 régions") << u"mif/rgdal-ps_cant_31/ps_cant_31.mif"_s << u"e00"_s << QStringList{u"ps_cant_31.e00"_s};
        QTest::newRow("mif dxf régions") << u"mif/rgdal-ps_cant_31/ps_cant_31.mif"_s << u"dxf"_s << QStringList{u"ps_cant_31.dxf=44"_s};
        QTest::newRow("mif dxf points") << u"mif/mi2kml-g5615a_p/g5615a_p.mif"_s << u"dxf"_s << QStringList{u"g5615a_p.dxf=13"_s};
        QTest::newRow("mif dxf mêlés") << u"mif/gdal-win1251/win1251.mif"_s << u"dxf"_s << QStringList{u"win1251.dxf=3"_s};
        QTest::newRow("mif shp tous genres") << u"mif/gdal-all_geoms/all_geoms.mif"_s << u"shp"_s
            << QStringList{u"all_geoms_arc.shp=2"_s, u"all_geoms_collection.shp=1"_s, u"all_geoms_custom_point.shp=1"_s,
                           u"all_geoms_ellipse.shp=1"_s, u"all_geoms_font_point.shp=1"_s, u"all_geoms_point.shp=3"_s,
                           u"all_geoms_polyline.shp=5"_s, u"all_geoms_rectangle.shp=1"_s, u"all_geoms_region.shp=1"_s,
                           u"all_geoms_rounded_rectangle.shp=1"_s, u"all_geoms_text.shp=1"_s};
        QTest::newRow("mif shp lignes") << u"mif/mi2kml-g5615h_l/g5615h_l.mif"_s << u"shp"_s << QStringList{u"g5615h_l_polyline.shp=30"_s};
        QTest::newRow("mif shp nad27") << u"mif/mapinfojs-example/example.mif"_s << u"shp"_s << QStringList{u"example_region.shp=17"_s};
        QTest::newRow("shp tab accents") << u"shp/gdal-departs/departs.shp"_s << u"tab"_s << QStringList{u"departs.tab=3"_s};
        QTest::newRow("shp tab sans dbf") << u"shp/gdal-can_caps/can_caps.shp"_s << u"tab"_s << QStringList{u"can_caps.tab=13"_s};
        QTest::newRow("shp tab vide") << u"shp/gdal-empty/empty.shp"_s << u"tab"_s << QStringList{u"empty.tab=0"_s};
        QTest::newRow("shp tab extensions en casse mêlée") << u"shp/shpjs-mixedcase/senate.shp"_s << u"tab"_s << QStringList{u"senate.tab=40"_s};
        QTest::newRow("shp tab dbf utf-8 déclaré ANSI") << u"shp/sharpmap-demo_quan5/demo_quan5.shp"_s << u"tab"_s << QStringList{u"demo_quan5.tab=283"_s};
        QTest::newRow("shp mif points") << u"shp/rgdal-cities/cities.shp"_s << u"mif"_s << QStringList{u"cities.mif=606"_s};
        QTest::newRow("shp mif mesures") << u"shp/gdal-arcm_with_m/arcm_with_m.shp"_s << u"mif"_s << QStringList{u"arcm_with_m.mif=2"_s};
        QTest::newRow("shp mif québec") << u"shp/marchand-mrc/mrc.shp"_s << u"mif"_s << QStringList{u"mrc.mif=104"_s};
        QTest::newRow("dxf tab trois calques") << u"dxf/ezdxf-leica_disto_s910/leica_disto_s910.dxf"_s << u"tab"_s
            << QStringList{u"leica_disto_s910_LEICA_DISTO_3D.tab=10"_s, u"leica_disto_s910_LEICA_DISTO_ID.tab=11"_s,
                           u"leica_disto_s910_LEICA_DISTO_POINT_ENTITY.tab=11"_s};
        QTest::newRow("dxf tab textes") << u"dxf/gdal-text-fancy/text-fancy.dxf"_s << u"tab"_s
            << QStringList{u"text-fancy_0.tab=2"_s, u"text-fancy_agreatlayer.tab=4"_s};
        QTest::newRow("dxf tab blocs") << u"dxf/ezdxf-multi_insert_with_attribs/multi_insert_with_attribs.dxf"_s << u"tab"_s
            << QStringList{u"multi_insert_with_attribs_0.tab=75"_s, u"multi_insert_with_attribs_FLAGS.tab=50"_s};
        QTest::newRow("dxf tab calque utf-8") << u"dxf/gdal-utf-8/utf-8.dxf"_s << u"tab"_s << QStringList{u"utf-8_éven.tab=1"_s};
        QTest::newRow("dxf mif quatre calques") << u"dxf/ezdxf-visibility/visibility.dxf"_s << u"mif"_s
            << QStringList{u"visibility_0.mif=1"_s, u"visibility_Layer1.mif=2"_s, u"visibility_Layer2.mif=1"_s, u"visibility_text-layer.mif=4"_s};
        QTest::newRow("dxf mif grand") << u"dxf/ezdxf-usa/usa.dxf"_s << u"mif"_s << QStringList{u"usa_BORDERS.mif=59"_s};
        QTest::newRow("dxf mif nom en capitales") << u"dxf/ezdxf-poli-all210_12/poli-all210_12.dxf"_s << u"mif"_s
            << QStringList{u"poli-all210_12_0.mif=1"_s, u"poli-all210_12_T-2DPLINE-ALL.mif=30"_s};
        QTest::newRow("e00 tab polygones") << u"e00/gdal-testpoly/testpoly.e00"_s << u"tab"_s
            << QStringList{u"testpoly_arcs.tab=7"_s, u"testpoly_points.tab=2"_s, u"testpoly_polygones.tab=3"_s};
        QTest::newRow("e00 tab points") << u"e00/gdal-testpoint/testpoint.e00"_s << u"tab"_s << QStringList{u"testpoint_points.tab=80"_s};
        QTest::newRow("e00 tab grand") << u"e00/rarcinfo-valencia/valencia.e00"_s << u"tab"_s
            << QStringList{u"valencia_arcs.tab=1074"_s, u"valencia_points.tab=394"_s, u"valencia_polygones.tab=395"_s};
        QTest::newRow("e00 mif polygones") << u"e00/gdal-testpoly/testpoly.e00"_s << u"mif"_s
            << QStringList{u"testpoly_arcs.mif=7"_s, u"testpoly_points.mif=2"_s, u"testpoly_polygones.mif=3"_s};
        QTest::newRow("e00 mif points") << u"e00/gdal-testpoint/testpoint.e00"_s << u"mif"_s << QStringList{u"testpoint_points.mif=80"_s};
    }

    void paires()
    {
        QFETCH(QString, source);
        QFETCH(QString, cible);
        QFETCH(QStringList, sorties);
        const QString base = QFileInfo(source).completeBaseName();
        const Lancement r = Traduit(Echantillons() + u'/' + source, Sortie(base + u'.' + cible));
        // Des avertissements seuls (le vietnamien ne tient dans aucun jeu qu'une table de GDAL 3.6
        // puisse déclarer) : ils sont essayés à part.
        QStringList erreurs = r.erreurs.split(u'\n', Qt::SkipEmptyParts);
        erreurs.removeIf([](const QString &l) { return l.startsWith(u"Avertissement : "_s); });
        QCOMPARE(erreurs, QStringList());
        QCOMPARE(r.generate, 0);
        QCOMPARE(r.traduction, 0);
        for (const QString &s : sorties)
            if (s.contains(u'='))
                QCOMPARE(u"%1=%2"_s.arg(s.section(u'=', 0, 0)).arg(Compte(Sortie(s.section(u'=', 0, 0)))), s);
        // Rien d'autre que les fichiers attendus et leurs compagnons, pas de chantier oublié.
        static const QStringList compagnons{u"dat"_s, u"map"_s, u"id"_s, u"mid"_s, u"shx"_s, u"dbf"_s, u"prj"_s, u"cpg"_s};
        QStringList principaux, attendus;
        for (const QString &f : Fichiers(tmp.filePath(u"sortie"_s)))
            if (!compagnons.contains(QFileInfo(f).suffix()))
                principaux << f;
        for (const QString &s : sorties)
            if (!compagnons.contains(QFileInfo(s.section(u'=', 0, 0)).suffix()))
                attendus << s.section(u'=', 0, 0);
        attendus.sort();
        QCOMPARE(principaux, attendus);
    }

    // Accents des attributs à travers tab, dessin (données étendues) et retour en table.
    void attributsParLeDessin()
    {
        const QString s = Echantillons() + u"/shp/gdal-departs/departs.shp"_s;
        QCOMPARE(Traduit(s, tmp.filePath(u"etape/departs.tab"_s)).traduction, 0);
        QCOMPARE(Valeurs(tmp.filePath(u"etape/departs.tab"_s), "NOMDéPART"),
                 (QStringList{u"Frédéric"_s, u"Bàlicôt"_s, u"Pallaïssou"_s}));
        const Lancement versDessin = Traduit(tmp.filePath(u"etape/departs.tab"_s), Sortie(u"departs.dxf"_s));
        QCOMPARE(versDessin.erreurs, QString());
        QCOMPARE(Valeurs(Sortie(u"departs.dxf"_s), "Layer"), (QStringList{u"departs"_s, u"departs"_s, u"departs"_s}));
        QDir().mkpath(tmp.filePath(u"retour"_s));
        const Lancement retour = Traduit(Sortie(u"departs.dxf"_s), tmp.filePath(u"retour/departs.tab"_s));
        QCOMPARE(retour.erreurs, QString());
        const QString table = tmp.filePath(u"retour/departs_departs.tab"_s);
        QCOMPARE(Valeurs(table, "NOMDéPART"), (QStringList{u"Frédéric"_s, u"Bàlicôt"_s, u"Pallaïssou"_s}));
        QCOMPARE(Valeurs(table, "Couche"), (QStringList{u"departs"_s, u"departs"_s, u"departs"_s}));
        QDir(tmp.filePath(u"retour"_s)).removeRecursively();
    }

    // Textes d'une table (objets texte MapInfo) vers le dessin et retour : texte et accents gardés.
    void textesParLeDessin()
    {
        const QString s = Echantillons() + u"/dxf/gdal-text-fancy/text-fancy.dxf"_s;
        QCOMPARE(Traduit(s, tmp.filePath(u"etape/text-fancy.tab"_s)).traduction, 0);
        const QString calque = tmp.filePath(u"etape/text-fancy_0.tab"_s);
        const Lancement r = Traduit(calque, Sortie(u"text-fancy_0.dxf"_s));
        QCOMPARE(r.erreurs, QString());
        QCOMPARE(Valeurs(Sortie(u"text-fancy_0.dxf"_s), "Text"), (QStringList{u"Good text"_s, u"Invisible text"_s}));
    }

    // Polylignes fermées d'un dessin lues en régions (les bords d'états de usa.dxf ; quatre se
    // croisent et restent des polylignes) ; les lignes ouvertes restent des polylignes ; un
    // maillage (polyface de deux triangles) devient son contour, un carré d'un seul tenant.
    void polylignesFermees_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QByteArray>("dessin"); // non vide : le dessin écrit par l'essai
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("genres");
        QTest::newRow("usa") << u"dxf/ezdxf-usa/usa.dxf"_s << QByteArray() << u"usa_BORDERS.tab"_s
                             << QStringList{u"Line String=4"_s, u"Polygon=55"_s};
        QTest::newRow("r13") << u"dxf/ezdxf-small_r13/small_r13.dxf"_s << QByteArray() << u"small_r13_FOOT_PRINT.tab"_s
                             << QStringList{u"Polygon=3"_s};
        QByteArray maille = "0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n8\nP\n66\n1\n10\n0\n20\n0\n30\n0\n70\n64\n71\n4\n72\n2\n";
        for (const char *xy : {"0\n20\n0", "10\n20\n0", "10\n20\n10", "0\n20\n10"})
            maille += QByteArray("0\nVERTEX\n8\nP\n10\n") + xy + "\n30\n0\n70\n192\n";
        for (const char *face : {"71\n1\n72\n2\n73\n3\n", "71\n1\n72\n3\n73\n4\n"})
            maille += QByteArray("0\nVERTEX\n8\nP\n10\n0\n20\n0\n30\n0\n70\n128\n") + face;
        maille += "0\nSEQEND\n8\nP\n0\nENDSEC\n0\nEOF\n";
        QTest::newRow("polyface") << u"maille.dxf"_s << maille << u"maille_P.tab"_s << QStringList{u"Polygon=1"_s};
    }
    void polylignesFermees()
    {
        QFETCH(QString, source);
        QFETCH(QByteArray, dessin);
        QFETCH(QString, table);
        QFETCH(QStringList, genres);
        QString chemin = Echantillons() + u'/' + source;
        if (!dessin.isEmpty()) {
            chemin = tmp.filePath(u"etape/"_s + source);
            QFile f(chemin);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(dessin) == dessin.size());
        }
        QCOMPARE(Traduit(chemin, Sortie(QFileInfo(source).completeBaseName() + u".tab"_s)).erreurs, QString());
        QCOMPARE(Genres(Sortie(table)), genres);
    }

    // Couverture écrite : le point d'étiquette de chaque polygone est dedans (polygone en U,
    // polygone troué : leur centroïde est dehors ; polygone qui se croise : sur le croisement) ; les objets texte deviennent des annotations
    // avec leur chaîne, relues en objets texte.
    void couvertureEtiquettesEtTextes()
    {
        const QString tab = tmp.filePath(u"etape/formes.tab"_s);
        {
            GDALDriver *pilote = GetGDALDriverManager()->GetDriverByName("MapInfo File");
            Jeu ds(pilote->Create(tab.toUtf8().constData(), 0, 0, 0, GDT_Unknown, nullptr));
            const char *options[] = {"ENCODING=CP1252", "BOUNDS=0,0,1000,1000", nullptr};
            OGRLayer *l = ds->CreateLayer("formes", nullptr, wkbUnknown, const_cast<char **>(options));
            OGRFieldDefn champ("Nom", OFTString);
            l->CreateField(&champ);
            for (const char *wkt : {"POLYGON((20 0,30 0,30 10,28 10,28 2,22 2,22 10,20 10,20 0))",
                                    "POLYGON((40 0,50 0,50 10,40 10,40 0),(41 1,49 1,49 9,41 9,41 1))",
                                    "POLYGON((60 0,70 10,70 0,60 10,60 0))", "POINT(10 20)"}) {
                OGRFeature f(l->GetLayerDefn());
                OGRGeometry *g = nullptr;
                OGRGeometryFactory::createFromWkt(wkt, nullptr, &g);
                f.SetGeometryDirectly(g);
                if (wkbFlatten(g->getGeometryType()) == wkbPoint)
                    f.SetStyleString("LABEL(t:\"Rivière Œ\",s:2g)");
                QCOMPARE(l->CreateFeature(&f), OGRERR_NONE);
            }
        }
        QCOMPARE(Traduit(tab, Sortie(u"formes.e00"_s)).erreurs, QString());
        Jeu ds = Ouvre(Sortie(u"formes.e00"_s));
        QVERIFY(ds);
        std::map<GIntBig, std::unique_ptr<OGRGeometry>> polygones;
        for (auto &f : *ds->GetLayerByName("PAL"))
            polygones[f->GetFID()].reset(f->GetGeometryRef()->clone());
        int dedans = 0;
        for (auto &f : *ds->GetLayerByName("LAB"))
            if (polygones.count(f->GetFieldAsInteger("PolyId")))
                dedans += polygones[f->GetFieldAsInteger("PolyId")]->Contains(f->GetGeometryRef());
        QCOMPARE(dedans, 3);
        ds.reset();
        QCOMPARE(Genres(Sortie(u"formes.e00"_s), "TXT"), QStringList{u"Point=1"_s});
        QDir().mkpath(tmp.filePath(u"retour"_s));
        QCOMPARE(Traduit(Sortie(u"formes.e00"_s), tmp.filePath(u"retour/formes.mif"_s)).erreurs, QString());
        QCOMPARE(Valeurs(tmp.filePath(u"retour/formes_annotations.mif"_s), "Text"), QStringList{u"Rivière Œ"_s});
        QDir(tmp.filePath(u"retour"_s)).removeRecursively();
    }

    // Les annotations TX6 et TX7 (que GDAL ne lit pas) deviennent des objets texte avec leur chaîne.
    void annotationsTx6()
    {
        const QString e00 = tmp.filePath(u"etape/anno.e00"_s);
        QFile f(e00);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray fin = "        -1         0         0         0         0         0         0\n";
        QByteArray t = "EXP  0 /ANNO.E00\nLAB  3\n"
                       "         1         0 1.00000000000000E+00 1.00000000000000E+00\n"
                       " 1.00000000000000E+00 1.00000000000000E+00\n 1.00000000000000E+00 1.00000000000000E+00\n"
                       "        -1         0 0.00000000000000E+00 0.00000000000000E+00\n";
        for (const char *section : {"TX6", "TX7"}) {
            t += QByteArray(section) + "  3\nROUTES\n";
            t += "         1         1         2         0         0         0         9\n";
            for (const int n : {7, 7, 6, 7, 7, 6})
                t += QByteArray("         0").repeated(n) + '\n';
            t += "-1.0000000E+20\n 2.50000000000000E+00 0.00000000000000E+00 0.00000000000000E+00\n"
                 " 1.00000000000000E+01 2.00000000000000E+01\n 1.50000000000000E+01 2.00000000000000E+01\n";
            t += QByteArray(section) == "TX6" ? QByteArray("Rivi\xe8re 6") : QByteArray("Rivi\xe8re 7");
            t += '\n' + fin + "JABBERWOCKY\n";
        }
        t += "EOS\n";
        f.write(t);
        f.close();
        QCOMPARE(Traduit(e00, Sortie(u"anno.tab"_s)).erreurs, QString());
        QCOMPARE(Valeurs(Sortie(u"anno_annotations.tab"_s), "Text"), (QStringList{u"Rivière 6"_s, u"Rivière 7"_s}));
        QCOMPARE(Genres(Sortie(u"anno_annotations.tab"_s)), QStringList{u"Point=2"_s});
    }

    // Une sous-classe de régions (RPL) ajoutée à testpoly.e00 (les enregistrements de sa PAL) : ses
    // régions deviennent la table « _regions », à côté des polygones.
    void regionsRpl()
    {
        QFile source(Echantillons() + u"/e00/gdal-testpoly/testpoly.e00"_s);
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray texte = source.readAll();
        const qsizetype pal = texte.indexOf("PAL  2\n"), tol = texte.indexOf("TOL  2\n");
        QVERIFY(pal > 0 && tol > pal);
        QFile e00(tmp.filePath(u"etape/zones.e00"_s));
        QVERIFY(e00.open(QIODevice::WriteOnly));
        e00.write(texte.left(tol) + "RPL  2\nZONES\n" + texte.mid(pal + 7, tol - pal - 7) + "JABBERWOCKY\n" + texte.mid(tol));
        e00.close();
        QCOMPARE(Traduit(e00.fileName(), Sortie(u"zones.mif"_s)).erreurs, QString());
        QCOMPARE(Compte(Sortie(u"zones_polygones.mif"_s)), 3);
        QCOMPARE(Genres(Sortie(u"zones_regions.mif"_s)), QStringList{u"Polygon=4"_s});
    }

    // Heure et date-heure gardent l'heure dans chaque destination du traducteur, en texte où le
    // format n'a pas ce type (une colonne Time faisait échouer tout le fichier vers shp).
    void heures_data()
    {
        QTest::addColumn<QString>("sortie");
        QTest::addColumn<QString>("relue");
        QTest::addColumn<QStringList>("champs");
        QTest::newRow("shp") << u"heures.shp"_s << u"heures_point.shp"_s << QStringList{u"heure"_s, u"moment"_s};
        QTest::newRow("e00") << u"heures.e00"_s << u"heures.e00"_s << QStringList{u"HEURE"_s, u"MOMENT"_s};
        QTest::newRow("dxf") << u"heures.dxf"_s << u"heures.dxf"_s << QStringList{};
    }
    void heures()
    {
        QFETCH(QString, sortie);
        QFETCH(QString, relue);
        QFETCH(QStringList, champs);
        const QString mif = tmp.filePath(u"etape/heures.mif"_s);
        {
            GDALDriver *pilote = GetGDALDriverManager()->GetDriverByName("MapInfo File");
            Jeu ds(pilote->Create(mif.toUtf8().constData(), 0, 0, 0, GDT_Unknown, nullptr));
            OGRLayer *l = ds->CreateLayer("heures", nullptr, wkbPoint, nullptr);
            OGRFieldDefn heure("heure", OFTTime), moment("moment", OFTDateTime);
            l->CreateField(&heure);
            l->CreateField(&moment);
            OGRFeature f(l->GetLayerDefn());
            f.SetField(0, "10:20:30");
            f.SetField(1, "2024/01/02 10:20:30");
            OGRPoint p(1, 2);
            f.SetGeometry(&p);
            QCOMPARE(l->CreateFeature(&f), OGRERR_NONE);
        }
        const Lancement r = Traduit(mif, Sortie(sortie));
        QCOMPARE(r.erreurs, QString());
        QCOMPARE(r.traduction, 0);
        const QStringList attendu{u"10:20:30"_s, u"2024/01/02 10:20:30"_s};
        for (qsizetype i = 0; i < champs.size(); ++i)
            QCOMPARE(Valeurs(Sortie(relue), champs[i].toUtf8().constData()), QStringList{attendu[i]});
        if (champs.isEmpty()) { // le dessin : en données étendues
            QFile dessin(Sortie(relue));
            QVERIFY(dessin.open(QIODevice::ReadOnly));
            const QByteArray texte = dessin.readAll();
            for (const QString &a : attendu)
                QVERIFY2(texte.contains("\n" + a.toUtf8() + "\n") || texte.contains("\n" + a.toUtf8() + "\r\n"), qPrintable(a));
        }
    }

    // Nom de calque et texte accentués jusqu'au dessin, et retour en table nommée d'après le calque.
    void accentsDuDessin()
    {
        const QString tab = tmp.filePath(u"etape/québec.tab"_s);
        {
            GDALDriver *pilote = GetGDALDriverManager()->GetDriverByName("MapInfo File");
            Jeu ds(pilote->Create(tab.toUtf8().constData(), 0, 0, 0, GDT_Unknown, nullptr));
            const char *options[] = {"ENCODING=CP1252", "BOUNDS=0,0,1000,1000", nullptr};
            OGRLayer *l = ds->CreateLayer("québec", nullptr, wkbUnknown, const_cast<char **>(options));
            OGRFieldDefn champ("Nom", OFTString);
            l->CreateField(&champ);
            OGRFeature f(l->GetLayerDefn());
            f.SetField(0, "Œuvre « Québec »");
            OGRPoint p(100, 200);
            f.SetGeometry(&p);
            f.SetStyleString("LABEL(t:\"Été « Québec »\",s:2g,a:15,f:\"Arial\")");
            QCOMPARE(l->CreateFeature(&f), OGRERR_NONE);
        }
        const Lancement r = Traduit(tab, Sortie(u"québec.dxf"_s));
        QCOMPARE(r.erreurs, QString());
        QCOMPARE(Valeurs(Sortie(u"québec.dxf"_s), "Layer"), QStringList{u"québec"_s});
        QCOMPARE(Valeurs(Sortie(u"québec.dxf"_s), "Text"), QStringList{u"Été « Québec »"_s});
        QDir().mkpath(tmp.filePath(u"retour"_s));
        QCOMPARE(Traduit(Sortie(u"québec.dxf"_s), tmp.filePath(u"retour/québec.mif"_s)).erreurs, QString());
        // « Œ » (0x8C en Windows-1252) : GDAL seul le lirait en Latin-1, le traducteur le rétablit.
        QCOMPARE(Valeurs(tmp.filePath(u"retour/québec_québec.mif"_s), "Nom"), QStringList{u"Œuvre « Québec »"_s});
        QDir(tmp.filePath(u"retour"_s)).removeRecursively();
    }

    void coordonnees_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("cible");
        QTest::addColumn<QString>("clause");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("nad 27 canada dans la table") << u"dxf/ezdxf-leica_disto_s910/leica_disto_s910.dxf"_s << u"leica_disto_s910_LEICA_DISTO_ID.tab"_s
            << u"CoordSys Earth Projection 8, 66, \"m\", -79.5, 0, 0.9999, 304800, 0"_s
            << u"Earth Projection 8, 66, \"m\", -79.5, 0, 0.9999, 304800, 0"_s;
        QTest::newRow("non terrestre en mètres") << u"dxf/ezdxf-usa/usa.dxf"_s << u"usa_BORDERS.mif"_s
            << u"CoordSys NonEarth Projection 0, 7"_s << u"NonEarth Units \"m\""_s;
        QTest::newRow("couverture assignée sans reprojection") << u"e00/gdal-testpoint/testpoint.e00"_s << u"testpoint_points.tab"_s
            << u"CoordSys Earth Projection 8, 74, \"m\", -73.5, 0, 0.9999, 304800, 0"_s
            << u"Earth Projection 8, 74, \"m\", -73.5, 0, 0.9999, 304800, 0"_s;
        QTest::newRow("prj du fichier de formes") << u"shp/shpjs-mixedcase/senate.shp"_s << u"senate.tab"_s << QString()
            << u"Earth Projection 3, 74, \"m\", -71.5, 41, 41.7166666666667, 42.6833333333333, 200000, 750000"_s;
        QTest::newRow("clause plutôt que prj") << u"shp/marchand-mrc/mrc.shp"_s << u"mrc.mif"_s
            << u"CoordSys Earth Projection 1, 66"_s << u"Earth Projection 1, 66"_s;
        QTest::newRow("section prj de la couverture") << u"e00/gdal-testpoly/testpoly.e00"_s << u"testpoly_arcs.tab"_s << QString()
            << u"Earth Projection 8, 62, \"m\", -105, 0, 0.9996, 500000, 0"_s;
    }

    void coordonnees()
    {
        QFETCH(QString, source);
        QFETCH(QString, cible);
        QFETCH(QString, clause);
        QFETCH(QString, attendu);
        const Lancement r = Traduit(Echantillons() + u'/' + source, Sortie(QFileInfo(source).completeBaseName() + u'.' + QFileInfo(cible).suffix()), clause);
        QCOMPARE(r.erreurs, QString());
        QCOMPARE(CoordSys(Sortie(cible)), attendu);
    }

    // Les bornes d'une clause Bounds deviennent celles de la table.
    void bornesDeLaClause()
    {
        const Lancement r = Traduit(Echantillons() + u"/dxf/ezdxf-leica_disto_s910/leica_disto_s910.dxf"_s, Sortie(u"leica.mif"_s),
                                    u"CoordSys Earth Projection 3, 74, 7, -68.5, 44, 46, 60, 0, 0 Bounds ( -100000, -100000) ( 1000000, 1000000)"_s);
        QCOMPARE(r.traduction, 0);
        QFile mif(Sortie(u"leica_disto_s910_LEICA_DISTO_3D.mif"_s));
        QVERIFY(mif.open(QIODevice::ReadOnly));
        QVERIFY(mif.readAll().contains("CoordSys Earth Projection 3, 74, \"m\", -68.5, 44, 46, 60, 0, 0 Bounds (-100000, -100000) (1000000, 1000000)"));
    }

    // NAD 27 de MapInfo jusqu'au .prj, relu comme NAD 27 (et non comme WGS 84).
    void nad27JusquAuPrj()
    {
        QCOMPARE(Traduit(Echantillons() + u"/dxf/ezdxf-leica_disto_s910/leica_disto_s910.dxf"_s, tmp.filePath(u"etape/leica.tab"_s),
                         u"CoordSys Earth Projection 8, 66, \"m\", -79.5, 0, 0.9999, 304800, 0"_s).traduction, 0);
        const Lancement r = Traduit(tmp.filePath(u"etape/leica_disto_s910_LEICA_DISTO_3D.tab"_s), Sortie(u"leica_disto_s910_LEICA_DISTO_3D.shp"_s));
        QCOMPARE(r.erreurs, QString());
        const QString shp = Sortie(u"leica_disto_s910_LEICA_DISTO_3D_polyline.shp"_s);
        QCOMPARE(Datum(shp), u"North_American_Datum_1927"_s);
        QCOMPARE(CoordSys(shp), u"Earth Projection 8, 62, \"m\", -79.5, 0, 0.9999, 304800, 0"_s);
        QCOMPARE(Compte(shp), 10);
    }

    // Coordonnées au millimètre, sur une étendue de 1 500 km.
    void millimetre()
    {
        const QString source = Echantillons() + u"/shp/fdo-ontario-roads/roads.shp"_s;
        QCOMPARE(Traduit(source, Sortie(u"roads.tab"_s)).traduction, 0);
        Jeu a = Ouvre(Echantillons() + u"/shp/fdo-Ontario-roads/roads.shp"_s), b = Ouvre(Sortie(u"roads.tab"_s));
        QVERIFY(a && b);
        double ecart = 0;
        int points = 0;
        OGRLayer *la = a->GetLayer(0), *lb = b->GetLayer(0);
        for (auto &fa : *la) {
            OGRFeatureUniquePtr fb(lb->GetNextFeature());
            QVERIFY(fb);
            const OGRLineString *ga = fa->GetGeometryRef()->toLineString(), *gb = fb->GetGeometryRef()->toLineString();
            QCOMPARE(gb->getNumPoints(), ga->getNumPoints());
            for (int i = 0; i < ga->getNumPoints(); ++i, ++points)
                ecart = std::max({ecart, std::fabs(ga->getX(i) - gb->getX(i)), std::fabs(ga->getY(i) - gb->getY(i))});
        }
        QCOMPARE(points, 10847);
        QVERIFY2(ecart <= 0.001, qPrintable(QString::number(ecart)));
    }

    // Un export compressé donne les mêmes tables, à l'octet près, que sa version en clair ; le
    // compressé est fait ici (le seul compressé des échantillons est tronqué).
    void e00Compresse_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("nombres");
        QTest::addColumn<QStringList>("tables");
        const QStringList poly{u"testpoly_arcs.tab"_s, u"testpoly_points.tab"_s, u"testpoly_polygones.tab"_s};
        QTest::newRow("polygones") << u"e00/gdal-testpoly/testpoly.e00"_s << false << poly;
        QTest::newRow("polygones, réels codés") << u"e00/gdal-testpoly/testpoly.e00"_s << true << poly;
        QTest::newRow("points, réels codés") << u"e00/gdal-testpoint/testpoint.e00"_s << true
                                             << QStringList{u"testpoint_points.tab"_s};
        QTest::newRow("double précision, réels codés")
            << u"e00/rarcinfo-valencia/valencia.e00"_s << true
            << QStringList{u"valencia_arcs.tab"_s, u"valencia_points.tab"_s, u"valencia_polygones.tab"_s};
    }

    void e00Compresse()
    {
        QFETCH(QString, source);
        QFETCH(bool, nombres);
        QFETCH(QStringList, tables);
        const QString clair = Echantillons() + u'/' + source;
        const QString nom = QFileInfo(clair).fileName();
        QByteArray texte = quorvale::essai::Lit(clair);
        texte.replace("\r\n", "\n");
        const QString compresse = tmp.filePath(u"compresse/"_s + nom);
        quorvale::essai::Ecrit(compresse, quorvale::essai::CompresseE00(texte, nombres));

        const QString table = QFileInfo(nom).completeBaseName() + u".tab"_s;
        const Lancement c = Traduit(compresse, tmp.filePath(u"etape/"_s + table));
        QCOMPARE(c.erreurs, QString());
        QCOMPARE(c.traduction, 0);
        const Lancement r = Traduit(clair, Sortie(table));
        QCOMPARE(r.traduction, 0);

        const QStringList fichiers = Fichiers(tmp.filePath(u"sortie"_s));
        QCOMPARE(Fichiers(tmp.filePath(u"etape"_s)), fichiers);
        for (const QString &t : tables)
            QVERIFY2(fichiers.contains(t) && Compte(Sortie(t)) > 0, qPrintable(t));
        for (const QString &f : fichiers)
            QVERIFY2(quorvale::essai::Lit(tmp.filePath(u"etape/"_s + f)) == quorvale::essai::Lit(Sortie(f)), qPrintable(f));
        QDir(tmp.filePath(u"compresse"_s)).removeRecursively();
    }

    // Une source illisible ou un objet impossible à écrire : code non nul, une ligne en français,
    // aucun fichier dans la destination.
    void echecs_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("cible");
        QTest::addColumn<QString>("debut");
        QTest::newRow("e00 raster") << u"e00/gdalold-fake_e00grid/fake_e00grid.e00"_s << u"fake_e00grid.mif"_s << u"imut : Impossible de lire"_s;
        QTest::newRow("e00 compressé tronqué") << u"e00/gdal-compressed/compressed.e00"_s << u"compressed.tab"_s << u"imut : Le fichier E00 compressé est tronqué"_s;
        QTest::newRow("table illisible") << u"tab/gdal-all_possible_fields/all_possible_fields.tab"_s << u"all_possible_fields.shp"_s << u"imut : Impossible de lire"_s;
        QTest::newRow("shx manquant") << u"shp/pyshp-latin1/latin1.shp"_s << u"latin1.tab"_s
                                      << u"imut : Impossible de lire « %1/shp/pyshp-latin1/latin1.shp » : le fichier d'index « latin1.shx » du fichier de formes manque (GDAL : Unable"_s;
        QTest::newRow("source absente") << u"shp/gdal-departs/absent.shp"_s << u"absent.mif"_s << u"imut : Le fichier"_s;
    }

    void echecs()
    {
        QFETCH(QString, source);
        QFETCH(QString, cible);
        QFETCH(QString, debut);
        const Lancement r = Traduit(Echantillons() + u'/' + source, Sortie(cible));
        QVERIFY(r.traduction != 0);
        const QStringList lignes = r.erreurs.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(!lignes.isEmpty() && lignes.first().startsWith(debut.contains(u"%1"_s) ? debut.arg(Echantillons()) : debut), qPrintable(r.erreurs));
        QCOMPARE(Fichiers(tmp.filePath(u"sortie"_s)), QStringList());
    }

    // Le jeu de caractères d'une table suit les textes : cyrillique seul, WindowsCyrillic. Cyrillique
    // et grec ensemble ne tiennent dans aucun jeu MapInfo : dans les valeurs, \\U+XXXX, rétablis
    // à la lecture de la table ; dans un nom de colonne, échec, une ligne, aucune table.
    void jeuDeCaracteres_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QString>("valeur");
        QTest::addColumn<QString>("lue");
        QTest::addColumn<QString>("charset");
        QTest::newRow("cyrillique") << u"Поле"_s << u"Москва"_s << u"Москва"_s << u"!charset WindowsCyrillic"_s;
        QTest::newRow("accents et œ") << u"Nom"_s << u"Œuvre « Québec »"_s << u"Œuvre « Québec »"_s << u"!charset WindowsLatin1"_s;
        QTest::newRow("cyrillique et grec") << u"Nom"_s << u"Мир Ελλάδα"_s << u"\\U+041C\\U+0438\\U+0440 \\U+0395\\U+03BB\\U+03BB\\U+03AC\\U+03B4\\U+03B1"_s
                                            << u"!charset WindowsLatin1"_s;
        QTest::newRow("colonne impossible") << u"Поле"_s << u"Ελλάδα"_s << QString() << QString();
    }

    void jeuDeCaracteres()
    {
        QFETCH(QString, nom);
        QFETCH(QString, valeur);
        QFETCH(QString, lue);
        QFETCH(QString, charset);
        const QString shp = tmp.filePath(u"etape/jeu.shp"_s);
        {
            GDALDriver *pilote = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
            Jeu ds(pilote->Create(shp.toUtf8().constData(), 0, 0, 0, GDT_Unknown, nullptr));
            const char *options[] = {"ENCODING=UTF-8", nullptr};
            OGRLayer *l = ds->CreateLayer("jeu", nullptr, wkbPoint, const_cast<char **>(options));
            OGRFieldDefn champ(nom.toUtf8().constData(), OFTString);
            l->CreateField(&champ);
            OGRFeature f(l->GetLayerDefn());
            f.SetField(0, valeur.toUtf8().constData());
            OGRPoint p(1, 2);
            f.SetGeometry(&p);
            QCOMPARE(l->CreateFeature(&f), OGRERR_NONE);
        }
        const Lancement r = Traduit(shp, Sortie(u"jeu.tab"_s));
        if (lue.isEmpty()) {
            QCOMPARE(r.traduction, 1);
            QCOMPARE(r.erreurs, u"imut : Le nom de colonne « Поле » ne tient pas dans le jeu de caractères de la table.\n"_s);
            QCOMPARE(Fichiers(tmp.filePath(u"sortie"_s)), QStringList());
            return;
        }
        // Des caractères écrits \\U+XXXX sont dits dans un avertissement.
        QCOMPARE(r.erreurs.startsWith(u"Avertissement : "_s), lue != valeur);
        QCOMPARE(Valeurs(Sortie(u"jeu.tab"_s), nom.toUtf8().constData()), QStringList{lue});
        QFile tab(Sortie(u"jeu.tab"_s));
        QVERIFY(tab.open(QIODevice::ReadOnly));
        QVERIFY(tab.readAll().contains(charset.toUtf8()));
        // Retour en fichier de formes : la valeur d'origine.
        QCOMPARE(Traduit(Sortie(u"jeu.tab"_s), tmp.filePath(u"etape/retour.shp"_s)).erreurs, QString());
        QCOMPARE(Valeurs(tmp.filePath(u"etape/jeu_point.shp"_s), nom.toUtf8().constData()), QStringList{valeur});
    }

    // generate décrit les calques d'un dessin et les classes d'une couverture sans GDAL.
    void typesEntites_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("types");
        QTest::newRow("calques") << u"dxf/ezdxf-leica_disto_s910/leica_disto_s910.dxf"_s
            << QStringList{u"FEATURE_TYPE \"LEICA_DISTO_ID\""_s, u"FEATURE_TYPE \"LEICA_DISTO_3D\""_s,
                           u"FEATURE_TYPE \"LEICA_DISTO_POINT_ENTITY\""_s};
        QTest::newRow("calque utf-8 sous ANSI_1252") << u"dxf/gdal-utf-8/utf-8.dxf"_s << QStringList{u"FEATURE_TYPE \"0\""_s, u"FEATURE_TYPE \"éven\""_s};
        QTest::newRow("couverture de polygones") << u"e00/gdal-testpoly/testpoly.e00"_s
            << QStringList{u"FEATURE_TYPE \"arcs\""_s, u"FEATURE_TYPE \"polygones\""_s, u"FEATURE_TYPE \"points\""_s};
        QTest::newRow("couverture de points") << u"e00/gdal-testpoint/testpoint.e00"_s << QStringList{u"FEATURE_TYPE \"points\""_s};
    }

    void typesEntites()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, types);
        QProcess p;
        const QString lecteur = source.endsWith(u".e00"_s) ? u"E00"_s : u"autocadScan"_s;
        p.start(Imut(), {u"generate"_s, lecteur, u"MAPINFO"_s, Echantillons() + u'/' + source, temp + u"param.txt"_s});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        QFile f(temp + u"PARAM.TXT"_s);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QStringList lus;
        for (const QString &l : QString::fromUtf8(f.readAll()).split(u"\r\n"_s))
            if (l.startsWith(u"FEATURE_TYPE"_s))
                lus << l;
        QCOMPARE(lus, types);
    }

    // « imut projection » : 0 quand la section PRJ nomme un système terrestre, 2 sinon, 1 illisible.
    void projectionPropre_data()
    {
        QTest::addColumn<QString>("source"); // exemple, ou texte de la section PRJ d'une couverture faite ici
        QTest::addColumn<int>("code");
        QTest::newRow("UTM à mots-clés") << u"e00/gdal-testpoly/testpoly.e00"_s << 0;
        QTest::newRow("UTM, export compressé") << u"compresse:e00/gdal-testpoly/testpoly.e00"_s << 0;
        QTest::newRow("sans section PRJ") << u"e00/gdal-testpoint/testpoint.e00"_s << 2;
        QTest::newRow("Projection UNKNOWN") << u"prj:Projection    UNKNOWN\n~\nUnits         METERS\n~"_s << 2;
        QTest::newRow("WKT géographique") << u"prj:GEOGCS[\"NAD83\",DATUM[\"North_American_Datum_1983\"]]\n~"_s << 0;
        QTest::newRow("WKT local") << u"prj:LOCAL_CS[\"Nonearth\",UNIT[\"Meter\",1]]\n~"_s << 2;
        QTest::newRow("section vide") << u"prj:"_s << 2;
        QTest::newRow("fichier absent") << u"absent.e00"_s << 1;
    }

    void projectionPropre()
    {
        QFETCH(QString, source);
        QFETCH(int, code);
        QString chemin = tmp.filePath(u"projection.e00"_s);
        if (source.startsWith(u"prj:"_s)) {
            quorvale::essai::Ecrit(chemin, "EXP  0 /X/PROJECTION.E00\nPRJ  2\n" + source.mid(4).toUtf8()
                                               + "\nEOP\nEOS\n");
        } else if (source.startsWith(u"compresse:"_s)) {
            QByteArray texte = quorvale::essai::Lit(Echantillons() + u'/' + source.mid(10));
            quorvale::essai::Ecrit(chemin, quorvale::essai::CompresseE00(texte.replace("\r\n", "\n"), false));
        } else {
            chemin = source == u"absent.e00"_s ? tmp.filePath(source) : Echantillons() + u'/' + source;
        }
        QProcess p;
        p.start(Imut(), {u"projection"_s, chemin});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), code);
    }

    // Le fichier exact d'une table, et un nom de dossier que le shell interpréterait.
    void paramEtNomsDangereux()
    {
        const QString dossier = tmp.filePath(u"etape/a\"b $HOME `x`"_s);
        QVERIFY(QDir().mkpath(dossier));
        for (const char *e : {".shp", ".shx", ".dbf"})
            QVERIFY(QFile::copy(Echantillons() + u"/shp/gdal-departs/departs"_s + QLatin1String(e), dossier + u"/departs"_s + QLatin1String(e)));
        const Lancement r = Traduit(dossier + u"/departs.shp"_s, Sortie(u"departs.mif"_s));
        QCOMPARE(r.erreurs, QString());
        QCOMPARE(Valeurs(Sortie(u"departs.mif"_s), "NOMDéPART"), (QStringList{u"Frédéric"_s, u"Bàlicôt"_s, u"Pallaïssou"_s}));
        QFile f(temp + u"PARAM.TXT"_s);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()),
                 u"# Correspondance écrite par « imut generate » ; langage décrit dans UT/README.md.\r\n"
                 "READER SHAPE\r\nWRITER MIF\r\nGENERATED_FROM \""_s + dossier + u"\"\r\nGENERATED_ID \"departs\"\r\n"
                 "SOURCE_DATASET \"$(SourceDataset)\"\r\nDEST_DATASET \"$(DestDataset)\"\r\n"
                 "SHAPE_IN_IDs \"departs\"\r\nFEATURE_TYPE \"departs\"\r\n"_s);
    }

    // Aucun contrôle d'intégrité ne refuse un fichier d'exemple que GDAL lit en entier ; le dessin
    // binaire, que GDAL ne lit pas, est jugé et lu dans sa forme texte.
    void controlesSurLesEchantillons()
    {
        QStringList refuses, juges;
        QDirIterator it(Echantillons(), {u"*.shp"_s, u"*.tab"_s, u"*.mif"_s, u"*.dxf"_s, u"*.e00"_s},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            const QByteArray octets = Lit(f);
            QString lu = f;
            if (quorvale::dxf::EstBinaire(octets)) {
                const auto c = quorvale::dxf::DxfTexte(octets, it.fileName());
                QCOMPARE(c.erreur, QString());
                lu = tmp.filePath(u"etape/"_s + it.fileName());
                Ecrit(lu, c.texte);
            }
            if (!LuParGdal(lu))
                continue;
            juges << it.fileName();
            if (const auto d = quorvale::integrite::DefautSource(f))
                refuses << f + u" : "_s + *d;
        }
        qInfo("%d fichiers d'exemple lus en entier par GDAL, %d refusés par les contrôles", int(juges.size()), int(refuses.size()));
        QCOMPARE(refuses, QStringList());
        QVERIFY2(juges.size() > 50 && juges.contains(u"bin_dxf_r12.dxf"_s), qPrintable(juges.join(u' ')));
    }

    // Des fichiers faits ici : GDAL dit s'ils se lisent en entier, le contrôle doit dire de même.
    void controlesSurFichiersFaits_data()
    {
        QTest::addColumn<QByteArray>("mif");
        QTest::addColumn<QByteArray>("mid"); // vide : pas de MID
        QTest::addColumn<QString>("defaut"); // début du refus attendu, vide : accepté
        const QByteArray entete = "Version 300\nCharset \"WindowsLatin1\"\nDelimiter \",\"\nColumns 2\n  Nom Char(30)\n  N Integer\nData\n";
        const QByteArray tab = QByteArray(entete).replace("\",\"", "\"\t\"");
        const QByteArray deux = "Point 1 2\nPoint 3 4\n";
        QTest::newRow("valeur sur deux lignes") << entete + deux << QByteArray("\"ligne 1\nligne 2\",1\n\"b\",2\n") << QString();
        QTest::newRow("guillemets doublés") << entete + deux << QByteArray("\"il dit \"\"oui\"\", non\",1\n\"b\",2\r\n") << QString();
        QTest::newRow("tabulations") << tab + deux << QByteArray("\"a, b\"\t1\n\"b\"\t2\n") << QString();
        QTest::newRow("sans MID") << entete + deux << QByteArray() << QString();
        QTest::newRow("MID coupé") << entete + deux << QByteArray("\"a\",1\n") << u"« t.mif » et « t.mid » ne s'accordent pas"_s;
        QTest::newRow("chaîne jamais fermée") << entete + deux << QByteArray("\"a\",1\n\"b,2\n") << u"l'enregistrement n° 2"_s;
        QTest::newRow("MIF coupé") << entete + "Point 1 2\nPline 3\n1 1\n" << QByteArray("\"a\",1\n\"b\",2\n") << u"« t.mif » est tronqué"_s;
    }

    void controlesSurFichiersFaits()
    {
        QFETCH(QByteArray, mif);
        QFETCH(QByteArray, mid);
        QFETCH(QString, defaut);
        const QString chemin = tmp.filePath(u"etape/t.mif"_s);
        Ecrit(chemin, mif);
        if (!mid.isEmpty())
            Ecrit(tmp.filePath(u"etape/t.mid"_s), mid);
        QCOMPARE(LuParGdal(chemin), defaut.isEmpty());
        const auto d = quorvale::integrite::DefautSource(chemin);
        QVERIFY2(d.value_or(QString()).startsWith(defaut) && d.has_value() == !defaut.isEmpty(), qPrintable(d.value_or(u"(accepté)"_s)));
        QCOMPARE(quorvale::integrite::AvertissementSource(chemin).has_value(), mid.isEmpty());
    }

    // Le dessin binaire coupé est refusé, pas lu à moitié.
    void dxfBinaireCoupe()
    {
        const QByteArray octets = Lit(Echantillons() + u"/dxf/gdal-bin_dxf_r12/bin_dxf_r12.dxf"_s);
        const QString coupe = tmp.filePath(u"etape/coupe.dxf"_s);
        Ecrit(coupe, octets.left(octets.size() / 2));
        QVERIFY(quorvale::integrite::DefautSource(coupe).value_or(QString()).contains(u"coupé"_s));
        Ecrit(coupe, octets);
        QCOMPARE(quorvale::integrite::DefautSource(coupe), std::nullopt);
    }

    // Des fichiers valides que le traducteur refusait ou lisait mal, jusqu'à la destination.
    void lecturesValides_data()
    {
        QTest::addColumn<QString>("cas");
        QTest::addColumn<QString>("cible");
        QTest::addColumn<int>("objets");
        QTest::addColumn<QString>("avertissement"); // début de la ligne attendue sur la sortie d'erreur
        QTest::newRow("table aux enregistrements effacés") << u"effaces.tab"_s << u"effaces_point.shp"_s << 4 << QString();
        QTest::newRow("dessin binaire") << u"bin_dxf_r12.dxf"_s << u"bin_dxf_r12_0.tab"_s << 3 << QString();
        QTest::newRow("MIF sans MID") << u"nomid.mif"_s << u"nomid_point.shp"_s << 2
                                      << u"Avertissement : « %1/nomid.mif » : le fichier compagnon « nomid.mid » manque"_s;
        // Une valeur plus longue que sa colonne : coupée par GDAL, dite dans le résultat, sans doublon.
        QTest::newRow("valeurs plus longues que leur colonne")
            << u"long.mif"_s << u"long_point.shp"_s << 2
            << u"Avertissement : « %1/long.mif » : des valeurs de la colonne « Nom » sont coupées à 254 caractères (GDAL : Value 'xxx"_s;
        QTest::newRow("MID aux valeurs sur deux lignes") << u"lignes.mif"_s << u"lignes_point.shp"_s << 2 << QString();
        QTest::newRow("MIF Neutral en Windows-1252") << u"neutre.mif"_s << u"neutre_point.shp"_s << 2 << QString();
        // Les réels d'un .dat sont en binaire : seuls les textes disent le jeu.
        QTest::newRow("table Neutral en UTF-8, réels binaires") << u"reels.tab"_s << u"reels_point.shp"_s << 2 << QString();
    }

    void lecturesValides()
    {
        QFETCH(QString, cas);
        QFETCH(QString, cible);
        QFETCH(int, objets);
        QFETCH(QString, avertissement);
        const QString dossier = tmp.filePath(u"etape"_s), source = dossier + u'/' + cas;
        const QByteArray entete = "Version 300\nCharset \"WindowsLatin1\"\nDelimiter \",\"\nColumns 1\n  Nom Char(30)\nData\nPoint 1 2\nPoint 3 4\n";
        if (cas == u"effaces.tab"_s) {
            GDALDriver *pilote = GetGDALDriverManager()->GetDriverByName("MapInfo File");
            {
                Jeu ds(pilote->Create(source.toUtf8().constData(), 0, 0, 0, GDT_Unknown, nullptr));
                OGRLayer *l = ds->CreateLayer("effaces", nullptr, wkbPoint, nullptr);
                OGRFieldDefn champ("Nom", OFTString);
                l->CreateField(&champ);
                for (int i = 0; i < 5; ++i) {
                    OGRFeature f(l->GetLayerDefn());
                    f.SetField(0, i);
                    OGRPoint p(i, i);
                    f.SetGeometry(&p);
                    QCOMPARE(l->CreateFeature(&f), OGRERR_NONE);
                }
            }
            Jeu ds(static_cast<GDALDataset *>(GDALOpenEx(source.toUtf8().constData(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, nullptr, nullptr, nullptr)));
            QCOMPARE(ds->GetLayer(0)->DeleteFeature(3), OGRERR_NONE);
        } else if (cas == u"bin_dxf_r12.dxf"_s) {
            QVERIFY(QFile::copy(Echantillons() + u"/dxf/gdal-bin_dxf_r12/bin_dxf_r12.dxf"_s, source));
        } else if (cas == u"nomid.mif"_s) {
            Ecrit(source, entete);
        } else if (cas == u"long.mif"_s) {
            Ecrit(source, entete);
            Ecrit(dossier + u"/long.mid"_s, '"' + QByteArray(300, 'x') + "\"\n\"" + QByteArray(260, 'x') + "\"\n");
        } else if (cas == u"reels.tab"_s) {
            GDALDriver *pilote = GetGDALDriverManager()->GetDriverByName("MapInfo File");
            Jeu ds(pilote->Create(source.toUtf8().constData(), 0, 0, 0, GDT_Unknown, nullptr));
            OGRLayer *l = ds->CreateLayer("reels", nullptr, wkbPoint, nullptr);
            OGRFieldDefn nom("Nom", OFTString), reel("Reel", OFTReal);
            QCOMPARE(l->CreateField(&nom), OGRERR_NONE);
            QCOMPARE(l->CreateField(&reel), OGRERR_NONE);
            const char *noms[] = {"Œuvre 5 €", "Île"};
            for (int i = 0; i < 2; ++i) {
                OGRFeature f(l->GetLayerDefn());
                f.SetField(0, noms[i]);
                f.SetField(1, -1.0e-300 * (i + 3));
                OGRPoint p(i, i);
                f.SetGeometry(&p);
                QCOMPARE(l->CreateFeature(&f), OGRERR_NONE);
            }
        } else if (cas == u"neutre.mif"_s) {
            Ecrit(source, QByteArray(entete).replace("WindowsLatin1", "Neutral"));
            Ecrit(dossier + u"/neutre.mid"_s, En(u"\"Œuvre 5 €\"\n\"Île\"\n"_s, "CP1252"));
        } else {
            Ecrit(source, entete);
            Ecrit(dossier + u"/lignes.mid"_s, "\"ligne 1\nligne 2\"\n\"b\"\n");
        }
        const Lancement r = Traduit(source, Sortie(QFileInfo(cible).completeBaseName().section(u'_', 0, 0) + u'.' + QFileInfo(cible).suffix()));
        QCOMPARE(r.traduction, 0);
        QVERIFY2(avertissement.isEmpty() ? r.erreurs.isEmpty() : r.erreurs.startsWith(avertissement.arg(dossier)), qPrintable(r.erreurs));
        QCOMPARE(Compte(Sortie(cible)), objets);
        if (cas == u"long.mif"_s) {
            QCOMPARE(r.erreurs.count(u'\n'), 1);
            QCOMPARE(Valeurs(Sortie(cible), "Nom"), (QStringList{QString(254, u'x'), QString(254, u'x')}));
        }
        if (cas == u"lignes.mif"_s)
            QCOMPARE(Valeurs(Sortie(cible), "Nom"), (QStringList{u"ligne 1\nligne 2"_s, u"b"_s}));
        if (cas == u"neutre.mif"_s || cas == u"reels.tab"_s)
            QCOMPARE(Valeurs(Sortie(cible), "Nom"), (QStringList{u"Œuvre 5 €"_s, u"Île"_s}));
    }

    // Le jeu de caractères d'une source : .cpg (noms que GDAL ne connaît pas compris), code de
    // langue avec sa vraie page, sinon détection ; le texte arrive entier dans chaque destination.
    void jeuxDesSources_data()
    {
        QTest::addColumn<QByteArray>("cpg"); // vide : pas de .cpg
        QTest::addColumn<int>("ldid");
        QTest::addColumn<QByteArray>("codage"); // des octets du .dbf
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("cible");
        QTest::newRow("LDID 0, Windows-1252, vers tab") << QByteArray() << 0 << QByteArray("CP1252") << u"Frédéric à l'Île"_s << u"tab"_s;
        QTest::newRow("LDID 0, UTF-8, vers mif") << QByteArray() << 0 << QByteArray("UTF-8") << u"Gîte Œuvre"_s << u"mif"_s;
        QTest::newRow("LDID 0x57 démenti par de l'UTF-8") << QByteArray() << 0x57 << QByteArray("UTF-8") << u"Gîte Œuvre ’"_s << u"mif"_s;
        QTest::newRow("LDID 0x57 : Œ ’ € vers tab") << QByteArray() << 0x57 << QByteArray("CP1252") << u"Œuvre ’ 5 €"_s << u"tab"_s;
        QTest::newRow("LDID 0xC9 cyrillique vers mif") << QByteArray() << 0xC9 << QByteArray("CP1251") << u"Москва"_s << u"mif"_s;
        QTest::newRow(".cpg ANSI 1250 vers tab") << QByteArray("ANSI 1250") << 0 << QByteArray("CP1250") << u"Příliš žluťoučký"_s << u"tab"_s;
        QTest::newRow(".cpg 1251 vers mif") << QByteArray("1251") << 0x57 << QByteArray("CP1251") << u"Значение"_s << u"mif"_s;
        QTest::newRow(".cpg CP1250 vers dxf") << QByteArray("CP1250\r\n") << 0 << QByteArray("CP1250") << u"Łódź"_s << u"dxf"_s;
        QTest::newRow(".cpg ANSI 1250 vers e00") << QByteArray("ANSI 1250") << 0 << QByteArray("CP1250") << u"Šárka"_s << u"e00"_s;
    }

    void jeuxDesSources()
    {
        QFETCH(QByteArray, cpg);
        QFETCH(int, ldid);
        QFETCH(QByteArray, codage);
        QFETCH(QString, texte);
        QFETCH(QString, cible);
        const QString shp = tmp.filePath(u"etape/brut.shp"_s);
        FormesBrutes(shp, En(texte, codage.constData()), uchar(ldid));
        if (!cpg.isEmpty())
            Ecrit(tmp.filePath(u"etape/brut.cpg"_s), cpg);
        // Un dessin ou une couverture se fait d'une table, et se relit par le traducteur lui-même.
        const bool detour = cible == u"dxf"_s || cible == u"e00"_s;
        QString relu = Sortie(u"brut."_s + cible);
        for (const QString &dossier : {u"table"_s, u"retour"_s})
            QDir().mkpath(tmp.filePath(dossier));
        const Lancement r = Traduit(shp, detour ? tmp.filePath(u"table/brut.tab"_s) : relu);
        QCOMPARE(r.erreurs, QString());
        QCOMPARE(r.traduction, 0);
        if (detour) {
            QCOMPARE(Traduit(tmp.filePath(u"table/brut.tab"_s), relu).erreurs, QString());
            QCOMPARE(Traduit(relu, tmp.filePath(u"retour/brut.tab"_s)).erreurs, QString());
            relu = tmp.filePath(cible == u"dxf"_s ? u"retour/brut_brut.tab"_s : u"retour/brut_points.tab"_s);
        }
        QCOMPARE(Valeurs(relu, "NOM"), QStringList{texte});
    }

    // Les noms de jeux qu'écrivent les .cpg des autres logiciels, et les codes de langue des .dbf.
    void nomsDesJeux_data()
    {
        QTest::addColumn<QByteArray>("cpg");
        QTest::addColumn<int>("ldid");
        QTest::addColumn<QString>("codage");
        QTest::newRow("ANSI 1250") << QByteArray("ANSI 1250") << -1 << u"CP1250"_s;
        QTest::newRow("1251 seul") << QByteArray("1251") << -1 << u"CP1251"_s;
        QTest::newRow("CP1250 et fin de ligne") << QByteArray("CP1250\r\n") << -1 << u"CP1250"_s;
        QTest::newRow("windows-1252") << QByteArray("windows-1252") << -1 << u"CP1252"_s;
        QTest::newRow("OEM 866") << QByteArray("OEM 866") << -1 << u"CP866"_s;
        QTest::newRow("88591") << QByteArray("88591") << -1 << u"ISO-8859-1"_s;
        QTest::newRow("ISO 8859-2") << QByteArray("ISO 8859-2") << -1 << u"ISO-8859-2"_s;
        QTest::newRow("utf8") << QByteArray("utf8") << -1 << u"UTF-8"_s;
        QTest::newRow("nom MapInfo") << QByteArray("WindowsCyrillic") << -1 << u"CP1251"_s;
        QTest::newRow("inconnu") << QByteArray("charabia") << -1 << QString();
        QTest::newRow("LDID 0x57") << QByteArray() << 0x57 << u"CP1252"_s;
        QTest::newRow("LDID 0xC8") << QByteArray() << 0xC8 << u"CP1250"_s;
        QTest::newRow("LDID 0x65") << QByteArray() << 0x65 << u"CP866"_s;
        QTest::newRow("LDID 0") << QByteArray() << 0 << QString();
    }

    void nomsDesJeux()
    {
        QFETCH(QByteArray, cpg);
        QFETCH(int, ldid);
        QFETCH(QString, codage);
        QCOMPARE(ldid < 0 ? quorvale::jeux::CodageDeCpg(cpg) : quorvale::jeux::CodageDeLdid(uchar(ldid)), codage);
    }

    // Une couverture ne tient que Windows-1252 : ce qui n'y tient pas est dit ; les accents de
    // Windows-1252 reviennent entiers.
    void jeuDesCouvertures()
    {
        const QString shp = tmp.filePath(u"etape/brut.shp"_s);
        FormesBrutes(shp, En(u"Москва"_s, "CP1251"), 0xC9);
        const QString tab = tmp.filePath(u"etape/brut.tab"_s);
        QCOMPARE(Traduit(shp, tab).erreurs, QString());
        const Lancement r = Traduit(tab, Sortie(u"brut.e00"_s));
        QCOMPARE(r.traduction, 0);
        QVERIFY2(r.erreurs.startsWith(u"Avertissement : « %1 » : 6 caractère(s) ne tiennent pas dans le jeu Windows-1252 de « brut.e00 » : « М » (U+041C)"_s.arg(tab)),
                 qPrintable(r.erreurs));
        Vide();
        QCOMPARE(Traduit(Echantillons() + u"/shp/gdal-departs/departs.shp"_s, tmp.filePath(u"etape/departs.tab"_s)).erreurs, QString());
        QCOMPARE(Traduit(tmp.filePath(u"etape/departs.tab"_s), Sortie(u"departs.e00"_s)).erreurs, QString());
        QDir().mkpath(tmp.filePath(u"retour"_s));
        QCOMPARE(Traduit(Sortie(u"departs.e00"_s), tmp.filePath(u"retour/departs.tab"_s)).erreurs, QString());
        // Le nom de l'item suit les règles des couvertures : on le cherche.
        Jeu ds = Ouvre(tmp.filePath(u"retour/departs_points.tab"_s));
        QVERIFY(ds);
        OGRFeatureDefn *defn = ds->GetLayer(0)->GetLayerDefn();
        QByteArray nom;
        for (int i = 0; i < defn->GetFieldCount(); ++i)
            if (QByteArray(defn->GetFieldDefn(i)->GetNameRef()).toUpper().startsWith("NOMD"))
                nom = defn->GetFieldDefn(i)->GetNameRef();
        QCOMPARE(Valeurs(tmp.filePath(u"retour/departs_points.tab"_s), nom.constData()), (QStringList{u"Frédéric"_s, u"Bàlicôt"_s, u"Pallaïssou"_s}));
    }

    // Un PARAM.TXT laissé par un travail précédent (generate échoué) n'est pas exécuté.
    void paramPerime()
    {
        QCOMPARE(Traduit(Echantillons() + u"/shp/gdal-departs/departs.shp"_s, Sortie(u"departs.tab"_s)).traduction, 0);
        Vide();
        const Lancement r = Traduit(Echantillons() + u"/dxf/absent.dxf"_s, Sortie(u"absent.tab"_s));
        QVERIFY(r.generate != 0);
        QVERIFY(r.traduction != 0);
        QVERIFY2(r.erreurs.contains(u"« %1/dxf/absent.dxf » n'est pas traduit : le fichier de correspondance décrit un autre jeu (« "_s.arg(Echantillons()))
                     && r.erreurs.contains(u"la commande generate a-t-elle échoué"_s),
                 qPrintable(r.erreurs));
        QCOMPARE(Fichiers(tmp.filePath(u"sortie"_s)), QStringList());
    }

    // Un fichier de correspondance hostile : une ligne en français, vite, jamais d'attente sans fin.
    void correspondanceRefusee_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<QString>("message");
        QTest::newRow("INCLUDE d'un périphérique") << QByteArray("INCLUDE /dev/zero\r\n")
            << u"imut : « /dev/zero » n'est pas un fichier de correspondance ordinaire.\n"_s;
        QTest::newRow("INCLUDE d'un dossier") << QByteArray("INCLUDE \"/\"\r\n")
            << u"imut : « / » n'est pas un fichier de correspondance ordinaire.\n"_s;
    }

    void correspondanceRefusee()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QString, message);
        QFile macro(temp + u"Refusee.txt"_s);
        QVERIFY(macro.open(QIODevice::WriteOnly));
        macro.write(contenu);
        macro.close();
        QProcess p;
        p.start(Imut(), {macro.fileName()});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), message);
    }
};

QTEST_GUILESS_MAIN(TestUt)
#include "tst_ut.moc"
