#include "fakes.h"
#include "projections.h"
#include "routes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

namespace {

using essai::Ecrit;
using essai::Lit;

// Le traducteur joué : il note chaque traduction « source > DestDataset » et écrit, pour une
// couverture ou un dessin, une table par nom de « tables », sinon base.ext (un .prj pour shp).
struct FauxTraducteur {
    QString ecrivain;
    QStringList tables;
    QStringList journal;
    ResultatProcessus operator()(const QString &chemin, const QString &contenu)
    {
        if (chemin.endsWith(u"LanceParam.bat"_s)) {
            ecrivain = contenu.section(u" generate "_s, 1).split(u' ', Qt::SkipEmptyParts).value(1).toLower();
            return {};
        }
        QString dest, base, source;
        const QString macro = QString::fromUtf8(Lit(chemin.left(chemin.lastIndexOf(u'/') + 1) + u"Trad_Macro.txt"_s));
        for (const QString &ligne : macro.split(u"\r\n"_s)) {
            if (ligne.startsWith(u"MACRO DestDataset "_s))
                dest = ligne.mid(18);
            if (ligne.startsWith(u"MACRO _FULLBASENAME "_s))
                base = ligne.mid(20);
            if (ligne.startsWith(u"MACRO _EXTENSION "_s))
                source = ligne.mid(17).toLower();
        }
        if (!dest.endsWith(u'/') && !dest.endsWith(u".dxf"_s))
            dest += u'/';
        journal << base + u'.' + source + u" > "_s + QFileInfo(dest).dir().dirName() + u'/' + ecrivain;
        if (dest.endsWith(u".dxf"_s)) {
            Ecrit(dest);
            return {};
        }
        const QStringList noms = (source == u"e00"_s || source == u"dxf"_s) && !tables.isEmpty()
                                     ? [&] { QStringList l; for (const QString &t : tables) l << base + u'_' + t; return l; }()
                                     : QStringList{base};
        for (const QString &nom : noms) {
            if (ecrivain == u"mapinfo"_s)
                for (const QString &ext : {u"tab"_s, u"dat"_s, u"map"_s})
                    Ecrit(dest + nom + u'.' + ext);
            else if (ecrivain == u"shape"_s)
                for (const QString &ext : {u"shp"_s, u"shx"_s, u"dbf"_s, u"prj"_s})
                    Ecrit(dest + nom + u'.' + ext, ext == u"prj"_s ? "PRJ DU TRADUCTEUR" : "x");
            else
                Ecrit(dest + nom + u'.' + (ecrivain == u"dwg"_s ? u"dxf"_s : ecrivain));
        }
        return {};
    }
};

// Les systèmes de coordonnées joués : une clause fixe, les demandes notées.
struct FaussesProjections : Projections {
    Catalogue catalogue;
    QString clause = u"CoordSys NonEarth Projection 0, 7"_s;
    mutable QStringList demandes;
    QString ProjectionFichier(const QString &chemin) const override
    {
        demandes << chemin;
        return clause;
    }
    const Catalogue &CatalogueProjections() const override { return catalogue; }
};

struct Banc {
    EnvironnementIsole environnement;
    QTemporaryDir tmp;
    FauxProcessus processus;
    FausseHorloge horloge;
    FauxTraducteur traducteur;
    FaussesProjections projections;
    QStringList tables;
    Travail travail{processus, horloge, tables};
    QString racine;

    explicit Banc(const QString &extCible)
    {
        horloge.pas = 1000;
        racine = tmp.path();
        travail.DossierTemp = environnement.temporaire() + u'/';
        travail.DossierMapInfo = racine + u"/mapinfo/"_s;
        travail.ExtCible = extCible;
        processus.action = [this](const QString &c, const QString &t) { return traducteur(c, t); };
        projections.catalogue.ParametresCatalogue = {u"8,74,7,-79.5,0,0.9999,304800,0"_s, u"0, 7"_s};
        projections.catalogue.RessourcesCatalogue = {u"MTM_ZONE_10__NAD_83_"_s, u"NON_TERRESTRE_metres"_s};
    }
    QStringList Sorties() const { return QDir(racine + u"/dst"_s).entryList(QDir::Files, QDir::Name); }
    bool TravailExiste() const { return QDir(travail.DossierTemp + u"TempTrad"_s).exists(); }
};

} // namespace

class TestRoutes : public QObject {
    Q_OBJECT

private slots:
    void instructionsMapInfo();
    void copieAvecPrj_data();
    void copieAvecPrj();
    void couvertureEnPlusieursTables();
    void calquesNonRegroupes_data();
    void calquesNonRegroupes();
    void deuxTempsUneTable();
};



void TestRoutes::instructionsMapInfo()
{
    QCOMPARE(InstructionsExport(u"/c/a/roads.tab"_s, u"/D/B/roads.mif"_s),
             (QStringList{u"Open Table \"/c/a/roads.tab\""_s, u"Export \"roads\" Into \"/D/B/roads.mif\" Type \"MIF\""_s,
                          u"Close All"_s}));
    QCOMPARE(InstructionsImport(u"/c/a\"b/roads.mif"_s, u"/d/roads.tab"_s),
             (QStringList{u"Import \"/c/a\"\"b/roads.mif\" Type \"MIF\" Into \"/d/roads.tab\""_s, u"Close All"_s}));
}

void TestRoutes::copieAvecPrj_data()
{
    QTest::addColumn<bool>("prjSource");
    QTest::addColumn<QString>("clause");
    QTest::addColumn<QStringList>("sorties");
    QTest::addColumn<QString>("prj");
    QTest::addColumn<QStringList>("traductions");
    QTest::newRow(".prj à côté de la source : copié, aucune projection demandée")
        << true << QString() << QStringList{u"roads.dbf"_s, u"roads.prj"_s, u"roads.shp"_s, u"roads.shx"_s}
        << u"PRJ SOURCE"_s << QStringList();
    QTest::newRow("clause non terrestre : pas de .prj")
        << false << u"CoordSys NonEarth Projection 0, 7"_s
        << QStringList{u"roads.dbf"_s, u"roads.shp"_s, u"roads.shx"_s} << QString() << QStringList();
    QTest::newRow("clause du catalogue : le texte intégré")
        << false << u"CoordSys Earth Projection 8,74,7,-79.5,0,0.9999,304800,0"_s
        << QStringList{u"roads.dbf"_s, u"roads.prj"_s, u"roads.shp"_s, u"roads.shx"_s} << u"<ressource>"_s
        << QStringList();
    QTest::newRow("clause hors catalogue : le .prj du traducteur")
        << false << u"CoordSys Earth Projection 8,74,7,-61.5,0,0.9999,304800,0"_s
        << QStringList{u"roads.dbf"_s, u"roads.prj"_s, u"roads.shp"_s, u"roads.shx"_s} << u"PRJ DU TRADUCTEUR"_s
        << QStringList{u"roads.shp > TempTrad/mapinfo"_s, u"roads.tab > TempTrad/shape"_s};
}

void TestRoutes::copieAvecPrj()
{
    QFETCH(bool, prjSource);
    QFETCH(QString, clause);
    QFETCH(QStringList, sorties);
    QFETCH(QString, prj);
    QFETCH(QStringList, traductions);
    Banc banc(u"shp"_s);
    for (const QString &ext : {u"shp"_s, u"shx"_s, u"dbf"_s})
        Ecrit(banc.racine + u"/src/Roads."_s + ext, ext.toUtf8());
    if (prjSource)
        Ecrit(banc.racine + u"/src/Roads.prj"_s, "PRJ SOURCE");
    banc.projections.clause = clause;
    QDir().mkpath(banc.racine + u"/dst"_s);
    ConvertitFichier(44, banc.travail, banc.projections, banc.racine.toLower() + u"/src/roads.shp"_s,
                     banc.racine + u"/dst/roads.shp"_s);
    QCOMPARE(banc.Sorties(), sorties);
    QCOMPARE(Lit(banc.racine + u"/dst/roads.dbf"_s), QByteArray("dbf"));
    if (prj == u"<ressource>"_s)
        QCOMPARE(Lit(banc.racine + u"/dst/roads.prj"_s),
                 Lit(QStringLiteral(QUORVALE_SOURCES) + u"/resources/prj/MTM_ZONE_10__NAD_83_"_s));
    else if (!prj.isEmpty())
        QCOMPARE(Lit(banc.racine + u"/dst/roads.prj"_s), prj.toUtf8());
    QCOMPARE(banc.projections.demandes.size(), prjSource ? 0 : 1);
    QCOMPARE(banc.traducteur.journal, traductions);
    QVERIFY(!banc.TravailExiste());
}

void TestRoutes::couvertureEnPlusieursTables()
{
    Banc banc(u"shp"_s);
    Ecrit(banc.racine + u"/src/lacs.e00"_s);
    banc.traducteur.tables = {u"points"_s, u"arcs"_s, u"polygones"_s};
    const QStringList sorties = ConvertitFichier(24, banc.travail, banc.projections, banc.racine + u"/src/lacs.e00"_s,
                                                 banc.racine + u"/dst/lacs.shp"_s);
    // Une destination par table, nommée d'après elle, dans le dossier de la destination.
    QCOMPARE(banc.Sorties(), (QStringList{u"lacs_arcs.dbf"_s, u"lacs_arcs.prj"_s, u"lacs_arcs.shp"_s,
                                          u"lacs_arcs.shx"_s, u"lacs_points.dbf"_s, u"lacs_points.prj"_s,
                                          u"lacs_points.shp"_s, u"lacs_points.shx"_s, u"lacs_polygones.dbf"_s,
                                          u"lacs_polygones.prj"_s, u"lacs_polygones.shp"_s, u"lacs_polygones.shx"_s}));
    QCOMPARE(sorties, (QStringList{banc.racine + u"/dst/lacs_arcs.shp"_s, banc.racine + u"/dst/lacs_points.shp"_s,
                                   banc.racine + u"/dst/lacs_polygones.shp"_s}));
    QCOMPARE(banc.traducteur.journal.first(), u"lacs.e00 > TempTrad/mapinfo"_s);
    QVERIFY(!banc.TravailExiste());
}

void TestRoutes::calquesNonRegroupes_data()
{
    QTest::addColumn<QStringList>("calques");
    QTest::addColumn<QStringList>("sorties");
    QTest::newRow("un calque : nommé d'après sa table") << QStringList{u"0"_s} << QStringList{u"plan_0.e00"_s};
    QTest::newRow("deux calques : un fichier chacun, aucun écrasé")
        << QStringList{u"routes"_s, u"bati"_s} << QStringList{u"plan_bati.e00"_s, u"plan_routes.e00"_s};
}

void TestRoutes::calquesNonRegroupes()
{
    QFETCH(QStringList, calques);
    QFETCH(QStringList, sorties);
    Banc banc(u"e00"_s);
    Ecrit(banc.racine + u"/src/plan.dxf"_s);
    banc.traducteur.tables = calques;
    ConvertitFichier(12, banc.travail, banc.projections, banc.racine + u"/src/plan.dxf"_s,
                     banc.racine + u"/dst/plan.e00"_s);
    QCOMPARE(banc.Sorties(), sorties);
    QVERIFY(!banc.TravailExiste());
}

void TestRoutes::deuxTempsUneTable()
{
    Banc banc(u"dxf"_s);
    Ecrit(banc.racine + u"/src/roads.shp"_s);
    ConvertitFichier(41, banc.travail, banc.projections, banc.racine + u"/src/roads.shp"_s,
                     banc.racine + u"/dst/roads.dxf"_s);
    QCOMPARE(banc.traducteur.journal,
             (QStringList{u"roads.shp > TempTrad/mapinfo"_s, u"roads.tab > dst/dwg"_s}));
    QCOMPARE(banc.Sorties(), QStringList{u"roads.dxf"_s});
    QVERIFY(!banc.TravailExiste());
}

QTEST_GUILESS_MAIN(TestRoutes)
#include "tst_routes.moc"
