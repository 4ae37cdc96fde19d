#include "attente.h"
#include "fakes.h"
#include "fichiers.h"
#include "regroupement.h"
#include "sorties.h"
#include "traduction.h"

#include "automation.h"
#include "registre.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gdal.h>
#include <ogr_api.h>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

namespace {

const QString Clause8 = u"CoordSys Earth Projection 8, 74, 7, -79.5, 0, 0.9999, 304800, 0"_s;

void Ecrit(const QString &chemin, const QByteArray &contenu = "x")
{
    QDir().mkpath(chemin.left(chemin.lastIndexOf(u'/')));
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contenu);
}

QString Lit(const QString &chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QStringList Fichiers(const QString &dossier)
{
    return QDir(dossier).entryList(QDir::Files, QDir::Name);
}

// Un poste de travail complet sur les faux services, dans un dossier temporaire à lui.
struct Poste {
    EnvironnementIsole environnement;
    FauxProcessus processus;
    FausseHorloge horloge;
    QStringList tables;
    QStringList clausesDemandees;
    QString clause = Clause8;
    Travail travail{processus, horloge, tables};
    QString T; // le dossier temporaire, terminé par "/"

    Poste()
    {
        horloge.pas = 50;
        T = environnement.temporaire() + u'/';
        travail.DossierTemp = T;
        travail.DossierMapInfo = u"/opt/mi/"_s;
        travail.ProjectionFichier = [this](const QString &source) {
            clausesDemandees << source;
            return clause;
        };
    }
    QString Remplace(QString texte) const { return texte.replace(u"<T>"_s, T); }
};

// Pour les essais réels, plus bas.
QString CopieExemple(const QString &jeu, const QString &fichier, const QString &dossier);
std::unique_ptr<ObjetAutomation> OuvreMapInfo(const QString &M, Automation &automation);
qint64 ObjetsLus(const QString &dossier, const QString &ext, QStringList *fichiers = nullptr);

} // namespace

class TestMoteur : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { GDALAllRegister(); }
    void tacheDuTraducteur_data();
    void tacheDuTraducteur();
    void ligneDeProjection_data();
    void ligneDeProjection();
    void projectionDuFichierShp_data();
    void projectionDuFichierShp();
    void projectionPropreCouverture_data();
    void projectionPropreCouverture();
    void codeProjection_data();
    void codeProjection();
    void clauseIlliseArreteAvantToutLancement();
    void sortieErreurDuTraducteurGardee();
    void destinationShpRenommeeApresLaTraduction();
    void nomsDangereuxEchappesPourSh_data();
    void nomsDangereuxEchappesPourSh();
    void sautDeLigneRefuse_data();
    void sautDeLigneRefuse();
    void renommeSortiesShp_data();
    void renommeSortiesShp();
    void regroupementCaseDecochee();
    void regroupementInstructions();
    void regroupementDestinationDansTempTrad();
    void regroupementEchecs_data();
    void regroupementEchecs();
    void attendFichier();
    void attendre();
    void reelUneConversionParPaire_data();
    void reelUneConversionParPaire();
    void reelRegroupementParMapInfo();
    void reelRegroupementDesCouches();
    void reelNomsDangereux();
};

void TestMoteur::tacheDuTraducteur_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("macro");
    QTest::addColumn<QString>("generate");

    const QString fin = u"INCLUDE <T>PARAM.TXT\r\n"_s;
    QTest::newRow("tab vers shp") << u"/data/roads.tab"_s << u"/out/roads.shp"_s
        << u"MACRO _EXTENSION TAB\r\nMACRO _BASENAME road\r\nMACRO _FULLBASENAME roads\r\n"
           u"MACRO SourceDataset /data/\r\nMACRO DestDataset /out/\r\n"_s + fin
           + u"MAPINFO_IDs \"roads\"\r\nMAPINFO_IN_IDS \"roads\"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate Mapinfo Shape \"/data\" \"<T>PARAM.TXT\" ID \"roads\""_s;
    QTest::newRow("tab vers e00") << u"/data/roads.tab"_s << u"/out/roads.e00"_s
        << u"MACRO _COMPRESSION NONE\r\nMACRO _PRECISION Double\r\nMACRO _EXTENSION TAB\r\nMACRO _BASENAME road\r\n"
           u"MACRO _FULLBASENAME roads\r\nMACRO SourceDataset /data/\r\nMACRO DestDataset /out/\r\n"_s + fin
           + u"MAPINFO_IDs \"roads\"\r\nMAPINFO_IN_IDS \"roads\"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate Mapinfo E00 \"/data\" \"<T>PARAM.TXT\" ID \"roads\""_s;
    QTest::newRow("tab vers dxf : roads.tab en roads.dxf") << u"/data/roads.tab"_s << u"/out/roads.dxf"_s
        << u"MACRO _ATTRKIND extended_entity_data\r\nMACRO _REL Release14\r\nMACRO _EXTENSION TAB\r\n"
           u"MACRO _BASENAME road\r\nMACRO _FULLBASENAME roads\r\nMACRO SourceDataset /data/\r\n"
           u"MACRO DestDataset /out/roads.dxf\r\n"_s + fin + u"MAPINFO_IDs \"roads\"\r\nMAPINFO_IN_IDS \"roads\"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate Mapinfo dwg \"/data\" \"<T>PARAM.TXT\"  ID \"roads\"  --Dest_ATTR "
           u"\"autocad_attributes\" --Dest_ATTRKIND \"extended_entity_data\" --Dest_REL \"Release14\""_s;
    QTest::newRow("tab vers dxf : DestDataset au nom de la source") << u"/data/roads.tab"_s << u"/out/sub/routes.dxf"_s
        << u"MACRO _ATTRKIND extended_entity_data\r\nMACRO _REL Release14\r\nMACRO _EXTENSION TAB\r\n"
           u"MACRO _BASENAME road\r\nMACRO _FULLBASENAME roads\r\nMACRO SourceDataset /data/\r\n"
           u"MACRO DestDataset /out/sub/roads.dxf\r\n"_s + fin + u"MAPINFO_IDs \"roads\"\r\nMAPINFO_IN_IDS \"roads\"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate Mapinfo dwg \"/data\" \"<T>PARAM.TXT\"  ID \"roads\"  --Dest_ATTR "
           u"\"autocad_attributes\" --Dest_ATTRKIND \"extended_entity_data\" --Dest_REL \"Release14\""_s;
    QTest::newRow("a.tab : _BASENAME vide") << u"/data/a.tab"_s << u"/out/a.shp"_s
        << u"MACRO _EXTENSION TAB\r\nMACRO _BASENAME \r\nMACRO _FULLBASENAME a\r\n"
           u"MACRO SourceDataset /data/\r\nMACRO DestDataset /out/\r\n"_s + fin
           + u"MAPINFO_IDs \"a\"\r\nMAPINFO_IN_IDS \"a\"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate Mapinfo Shape \"/data\" \"<T>PARAM.TXT\" ID \"a\""_s;
    QTest::newRow("mif vers dxf") << u"/data/lacs.mif"_s << u"/out/lacs.dxf"_s
        << u"MACRO _ATTRKIND extended_entity_data\r\nMACRO _REL Release14\r\nMACRO _EXTENSION MIF\r\n"
           u"MACRO _BASENAME lac\r\nMACRO _FULLBASENAME lacs\r\nMACRO SourceDataset /data/\r\n"
           u"MACRO DestDataset /out/lacs.dxf\r\n"_s + fin + u"MIF_IDs \"lacs\"\r\nMIF_IN_IDs \"lacs\"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate MIF DWG \"/data\" \"<T>PARAM.TXT\"  ID \"lacs\"  --Dest_ATTR "
           u"\"autocad_attributes\" --Dest_ATTRKIND \"extended_entity_data\" --Dest_REL \"Release14\""_s;
    QTest::newRow("mif vers e00") << u"/data/lacs.mif"_s << u"/out/lacs.e00"_s
        << u"MACRO _COMPRESSION NONE\r\nMACRO _PRECISION Double\r\nMACRO _EXTENSION MIF\r\nMACRO _BASENAME lac\r\n"
           u"MACRO _FULLBASENAME lacs\r\nMACRO SourceDataset /data/\r\nMACRO DestDataset /out/\r\n"_s + fin
           + u"MIF_IDs \"lacs\"\r\nMIF_IN_IDs \"lacs\"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate MIF E00 \"/data\" \"<T>PARAM.TXT\"  ID \"lacs\"  --Dest_COMPRESSION "
           u"\"NONE\" --Dest_PRECISION \"Double\""_s;
    QTest::newRow("mif vers shp") << u"/data/lacs.mif"_s << u"/out/lacs.shp"_s
        << u"MACRO _EXTENSION MIF\r\nMACRO _BASENAME lac\r\nMACRO _FULLBASENAME lacs\r\n"
           u"MACRO SourceDataset /data/\r\nMACRO DestDataset /out/\r\n"_s + fin
           + u"MIF_IDs \"lacs\"\r\nMIF_IN_IDs \"lacs\"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate MIF SHAPE \"/data\" \"<T>PARAM.TXT\" ID \"lacs\""_s;
    QTest::newRow("shp vers tab") << u"/data/routes.shp"_s << u"/out/routes.tab"_s
        << u"MACRO _EXTENSION SHP\r\nMACRO _BASENAME route\r\nMACRO _FULLBASENAME routes\r\n"
           u"MACRO SourceDataset /data/\r\nMACRO DestDataset /out/\r\n"_s + fin
           + u"SHAPE_IDs \"routes\"\r\nSHAPE_IN_IDs \"routes\"\r\nMAPINFO_COORDSYS_STATEMENT "_s + Clause8 + u"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate Shape Mapinfo \"/data\" \"<T>PARAM.TXT\" ID \"routes\""_s;
    QTest::newRow("shp vers mif") << u"/data/routes.shp"_s << u"/out/routes.mif"_s
        << u"MACRO _EXTENSION SHP\r\nMACRO _BASENAME route\r\nMACRO _FULLBASENAME routes\r\n"
           u"MACRO SourceDataset /data/\r\nMACRO DestDataset /out/\r\n"_s + fin
           + u"SHAPE_IDs \"routes\"\r\nSHAPE_IN_IDs \"routes\"\r\nMIF_COORDSYS_STATEMENT "_s + Clause8 + u"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate Shape Mif \"/data\" \"<T>PARAM.TXT\" ID \"routes\""_s;
    QTest::newRow("dxf vers tab") << u"/data/plan.dxf"_s << u"/out/plan.tab"_s
        << u"MACRO _EXPAND_BLOCKS yes\r\nMACRO _ATTRKIND extended_entity_data\r\nMACRO _EXTENSION DXF\r\n"
           u"MACRO _BASENAME pla\r\nMACRO _FULLBASENAME plan\r\nMACRO SourceDataset /data/plan.dxf\r\n"
           u"MACRO DestDataset /out/\r\n"_s + fin + u"MAPINFO_COORDSYS_STATEMENT "_s + Clause8 + u"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate autocadScan MAPINFO \"/data/plan.dxf\" \"<T>PARAM.TXT\"  "
           u"--Source_EXPAND_BLOCKS \"yes\" --Source_ATTR \"autocad_attributes\" --Source_ATTRKIND "
           u"\"extended_entity_data\" --LAYERBASENAME \"plan_\""_s;
    QTest::newRow("dxf vers mif") << u"/data/plan.dxf"_s << u"/out/plan.mif"_s
        << u"MACRO _EXPAND_BLOCKS yes\r\nMACRO _ATTRKIND extended_entity_data\r\nMACRO _EXTENSION DXF\r\n"
           u"MACRO _BASENAME pla\r\nMACRO _FULLBASENAME plan\r\nMACRO SourceDataset /data/plan.dxf\r\n"
           u"MACRO DestDataset /out/\r\n"_s + fin + u"MIF_COORDSYS_STATEMENT "_s + Clause8 + u"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate autocadScan MIF \"/data/plan.dxf\" \"<T>PARAM.TXT\"  "
           u"--Source_EXPAND_BLOCKS \"yes\" --Source_ATTR \"autocad_attributes\" --Source_ATTRKIND "
           u"\"extended_entity_data\" --LAYERBASENAME \"plan_\""_s;
    QTest::newRow("e00 vers tab : DestDataset sans séparateur") << u"/data/puits.e00"_s << u"/out/puits.tab"_s
        << u"MACRO _EXTENSION E00\r\nMACRO _BASENAME puit\r\nMACRO _FULLBASENAME puits\r\n"
           u"MACRO SourceDataset /data/puits.e00\r\nMACRO DestDataset /out\r\n"_s + fin
           + u"MAPINFO_COORDSYS_STATEMENT "_s + Clause8 + u"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate E00 MAPINFO \"/data/puits.e00\" \"<T>PARAM.TXT\""_s;
    QTest::newRow("e00 vers mif") << u"/data/puits.e00"_s << u"/out/puits.mif"_s
        << u"MACRO _EXTENSION E00\r\nMACRO _BASENAME puit\r\nMACRO _FULLBASENAME puits\r\n"
           u"MACRO SourceDataset /data/puits.e00\r\nMACRO DestDataset /out\r\n"_s + fin
           + u"MIF_COORDSYS_STATEMENT "_s + Clause8 + u"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate E00 MIF \"/data/puits.e00\" \"<T>PARAM.TXT\""_s;
    QTest::newRow("accents en UTF-8 partout") << u"/données/Québec/rivières.tab"_s << u"/sortie/rivières.shp"_s
        << u"MACRO _EXTENSION TAB\r\nMACRO _BASENAME rivière\r\nMACRO _FULLBASENAME rivières\r\n"
           u"MACRO SourceDataset /données/Québec/\r\nMACRO DestDataset /sortie/\r\n"_s + fin
           + u"MAPINFO_IDs \"rivières\"\r\nMAPINFO_IN_IDS \"rivières\"\r\n"_s
        << u"\"/opt/mi/UT/imut\" generate Mapinfo Shape \"/données/Québec\" \"<T>PARAM.TXT\" ID \"rivières\""_s;
}

void TestMoteur::tacheDuTraducteur()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(QString, macro);
    QFETCH(QString, generate);
    Poste poste;
    QString macroAuLancement;
    poste.processus.action = [&](const QString &, const QString &) {
        if (macroAuLancement.isNull())
            macroAuLancement = Lit(poste.T + u"Trad_Macro.txt"_s);
        return ResultatProcessus{};
    };

    TraduitFichier(poste.travail, source, destination);

    QCOMPARE(poste.clausesDemandees, QStringList{source});
    QCOMPARE(macroAuLancement, poste.Remplace(macro));
    QCOMPARE(poste.processus.lances, (QStringList{poste.T + u"LanceParam.bat"_s, poste.T + u"LanceTrad.bat"_s}));
    QCOMPARE(poste.processus.contenus,
             (QStringList{poste.Remplace(generate) + u'\n',
                          poste.Remplace(u"\"/opt/mi/UT/imut\" \"<T>Trad_Macro.txt\"\n"_s)}));
}

void TestMoteur::ligneDeProjection_data()
{
    QTest::addColumn<QString>("clause");
    QTest::addColumn<QString>("ligne");
    QTest::newRow("par défaut") << u"CoordSys NonEarth Projection 0, 7"_s
                                << u"CoordSys NonEarth Projection 0, 7"_s;
    QTest::newRow("2000 inchangée") << u"CoordSys Earth Projection 2000, 74, 0, 1, 2, 3, 4"_s
                                    << u"CoordSys Earth Projection 2000, 74, 0, 1, 2, 3, 4"_s;
    QTest::newRow("2001 réécrite") << u"CoordSys Earth Projection 2001, 74, 0, 1, 2, 3, 4"_s
                                   << u"CoordSys Earth Projection 1, 74, 0 Bounds ( 1, 2) ( 3, 4)"_s;
    QTest::newRow("2003 de l'exemple")
        << u"CoordSys Earth Projection 2003, 74, 7, -68.5, 44, 46, 60, 0, 0, -100000, -100000, 1000000, 1000000"_s
        << u"CoordSys Earth Projection 3, 74, 7, -68.5, 44, 46, 60, 0, 0 Bounds ( -100000, -100000) ( 1000000, 1000000)"_s;
    QTest::newRow("2999 réécrite, blancs gardés") << u"CoordSys Earth Projection 2999,104,7,0,1,2,3"_s
                                                 << u"CoordSys Earth Projection 999,104,7 Bounds (0,1) (2,3)"_s;
    QTest::newRow("3000 inchangée") << u"CoordSys Earth Projection 3000, 74, 0, 1, 2, 3, 4"_s
                                    << u"CoordSys Earth Projection 3000, 74, 0, 1, 2, 3, 4"_s;
}

void TestMoteur::ligneDeProjection()
{
    QFETCH(QString, clause);
    QFETCH(QString, ligne);
    Poste poste;
    poste.clause = clause;
    TraduitFichier(poste.travail, u"/data/plan.dxf"_s, u"/out/plan.tab"_s);
    const QStringList lignes = Lit(poste.T + u"Trad_Macro.txt"_s).split(u"\r\n"_s);
    QCOMPARE(lignes.value(lignes.size() - 2), u"MAPINFO_COORDSYS_STATEMENT "_s + ligne);
}

void TestMoteur::projectionDuFichierShp_data()
{
    QTest::addColumn<bool>("caseCochee");
    QTest::addColumn<bool>("prj");
    QTest::addColumn<bool>("ligne");
    QTest::newRow("cochée avec .prj : pas de ligne") << true << true << false;
    QTest::newRow("cochée sans .prj : ligne") << true << false << true;
    QTest::newRow("décochée avec .prj : ligne") << false << true << true;
}

void TestMoteur::projectionDuFichierShp()
{
    QFETCH(bool, caseCochee);
    QFETCH(bool, prj);
    QFETCH(bool, ligne);
    Poste poste;
    const QString source = poste.environnement.temporaire() + u"/src/routes.shp"_s;
    Ecrit(source);
    if (prj)
        Ecrit(poste.environnement.temporaire() + u"/src/ROUTES.PRJ"_s); // trouvé sans égard à la casse
    poste.travail.UtiliserProjectionFichier = caseCochee;
    TraduitFichier(poste.travail, source, u"/out/routes.tab"_s);
    const QString macro = Lit(poste.T + u"Trad_Macro.txt"_s);
    QCOMPARE(macro.contains(u"\r\nMAPINFO_COORDSYS_STATEMENT "_s + Clause8 + u"\r\n"_s), ligne);
    QCOMPARE(poste.clausesDemandees.size(), 1); // demandée même quand elle ne sert pas
}

void TestMoteur::projectionPropreCouverture_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("caseCochee");
    QTest::addColumn<bool>("terrestre");
    QTest::addColumn<bool>("ligne");
    QTest::newRow("e00 terrestre, cochée : pas de ligne") << u"/data/puits.e00"_s << true << true << false;
    QTest::newRow("e00 sans système, cochée : ligne") << u"/data/puits.e00"_s << true << false << true;
    QTest::newRow("e00 terrestre, décochée : ligne") << u"/data/puits.e00"_s << false << true << true;
    QTest::newRow("dxf : toujours la ligne") << u"/data/plan.dxf"_s << true << true << true;
}

void TestMoteur::projectionPropreCouverture()
{
    QFETCH(QString, source);
    QFETCH(bool, caseCochee);
    QFETCH(bool, terrestre);
    QFETCH(bool, ligne);
    Poste poste;
    QStringList demandes;
    poste.travail.UtiliserProjectionFichier = caseCochee;
    poste.travail.SystemePropre = [&](const QString &s) {
        demandes << s;
        return terrestre;
    };
    TraduitFichier(poste.travail, source, u"/out/puits.tab"_s);
    const QString macro = Lit(poste.T + u"Trad_Macro.txt"_s);
    QCOMPARE(macro.contains(u"\r\nMAPINFO_COORDSYS_STATEMENT "_s + Clause8 + u"\r\n"_s), ligne);
    // Le traducteur n'est consulté que pour une couverture, case cochée.
    QCOMPARE(demandes, caseCochee && source.endsWith(u".e00"_s) ? QStringList{source} : QStringList{});
}

void TestMoteur::codeProjection_data()
{
    QTest::addColumn<QString>("clause");
    QTest::addColumn<int>("code");
    QTest::newRow("par défaut") << u"CoordSys NonEarth Projection 0, 7"_s << 0;
    QTest::newRow("sans blanc après la virgule") << u"CoordSys Earth Projection 8,74,7,-79.5"_s << 8;
    QTest::newRow("sans aucun blanc") << u"2003,74"_s << 2003;
    QTest::newRow("pas de virgule") << u"CoordSys Earth Projection 8"_s << -1;
    QTest::newRow("pas un entier") << u"CoordSys Earth Projection huit, 74"_s << -1;
    QTest::newRow("blanc avant la virgule") << u"CoordSys Earth Projection 8 , 74"_s << -1;
    QTest::newRow("vide") << QString() << -1;
}

void TestMoteur::codeProjection()
{
    QFETCH(QString, clause);
    QFETCH(int, code);
    if (code >= 0) {
        QCOMPARE(CodeProjection(clause), code);
        return;
    }
    QVERIFY_THROWS_EXCEPTION(Erreur, CodeProjection(clause));
}

void TestMoteur::clauseIlliseArreteAvantToutLancement()
{
    Poste poste;
    poste.clause = u"CoordSys Earth Projection x, 74"_s;
    try {
        TraduitFichier(poste.travail, u"/data/roads.tab"_s, u"/out/roads.shp"_s);
        QFAIL("une clause illisible doit lever une erreur");
    } catch (const Erreur &e) {
        QCOMPARE(e.texte(), u"Le système de coordonnées « CoordSys Earth Projection x, 74 » ne se lit pas : "
                            u"« x » n'est pas un nombre entier."_s);
    }
    QVERIFY(poste.processus.lances.isEmpty());
    QVERIFY(!QFile::exists(poste.T + u"Trad_Macro.txt"_s));
}

void TestMoteur::sortieErreurDuTraducteurGardee()
{
    Poste poste;
    int n = 0;
    poste.processus.action = [&](const QString &, const QString &) {
        ResultatProcessus r;
        if (++n == 1) {
            r.code = 2;
        } else {
            r.code = 1;
            r.erreur = u"imut : la source ne se lit pas"_s;
        }
        return r;
    };
    TraduitFichier(poste.travail, u"/data/roads.tab"_s, u"/out/roads.shp"_s);
    QCOMPARE(poste.travail.MessagesTraducteur,
             (QStringList{u"Le traducteur s'est terminé en erreur (code 2)."_s, u"la source ne se lit pas"_s}));
}

void TestMoteur::destinationShpRenommeeApresLaTraduction()
{
    // Le faux traducteur écrit un seul genre de géométrie au lancement de LanceTrad.bat.
    Poste poste;
    const QString sortie = poste.environnement.temporaire() + u"/out/"_s;
    QDir().mkpath(sortie);
    poste.processus.action = [&](const QString &chemin, const QString &) {
        if (chemin.endsWith(u"LanceTrad.bat"_s))
            for (const QString &e : {u"shp"_s, u"shx"_s, u"dbf"_s})
                Ecrit(sortie + u"roads_polyline."_s + e);
        return ResultatProcessus{};
    };
    poste.travail.ExtCible = u"shp"_s;
    TraduitFichier(poste.travail, u"/data/roads.tab"_s, sortie + u"roads.shp"_s);
    QCOMPARE(Fichiers(sortie), (QStringList{u"roads.dbf"_s, u"roads.shp"_s, u"roads.shx"_s}));

    // Étape intermédiaire d'une route vers shp : rien à renommer, le nom écrit reste.
    poste.processus.action = [&](const QString &chemin, const QString &) {
        if (chemin.endsWith(u"LanceTrad.bat"_s))
            Ecrit(sortie + u"puits_region.tab"_s);
        return ResultatProcessus{};
    };
    TraduitFichier(poste.travail, u"/data/puits.e00"_s, sortie + u"puits.tab"_s);
    QVERIFY(QFile::exists(sortie + u"puits_region.tab"_s));
}

void TestMoteur::nomsDangereuxEchappesPourSh_data()
{
    QTest::addColumn<QString>("dossier");
    QTest::newRow("substitution $()") << u"$(touch pwned)"_s;
    QTest::newRow("guillemet") << u"a\"b ; touch pwned ; \""_s;
    QTest::newRow("apostrophe inverse") << u"`touch pwned`"_s;
    QTest::newRow("variable") << u"$HOME"_s;
    QTest::newRow("barre inverse") << u"a\\\"b"_s;
}

void TestMoteur::nomsDangereuxEchappesPourSh()
{
    // Un vrai /bin/sh lance un faux imut qui note ses arguments, un par ligne.
    QFETCH(QString, dossier);
    EnvironnementIsole environnement;
    QTemporaryDir racine;
    const QString base = racine.path();
    const QString M = base + u"/mi/"_s;
    const QString journal = base + u"/journal.txt"_s;
    Ecrit(M + u"UT/imut"_s, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" + QFile::encodeName(journal) + "'\n");
    QFile(M + u"UT/imut"_s).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString courant = QDir::currentPath();
    QDir::setCurrent(base);

    ProcessusLocal processus;
    FausseHorloge horloge;
    horloge.pas = 50;
    QStringList tables;
    Travail travail(processus, horloge, tables);
    travail.DossierTemp = environnement.temporaire() + u'/';
    travail.DossierMapInfo = M;
    const QString source = base + u'/' + dossier + u"/roads.shp"_s;
    TraduitFichier(travail, source, base + u'/' + dossier + u"/sortie/roads.tab"_s);
    QDir::setCurrent(courant);

    const QString T = travail.DossierTemp;
    QCOMPARE(Lit(journal).split(u'\n'),
             (QStringList{u"generate"_s, u"Shape"_s, u"Mapinfo"_s, base + u'/' + dossier, T + u"PARAM.TXT"_s, u"ID"_s,
                          u"roads"_s, T + u"Trad_Macro.txt"_s, QString()}));
    QVERIFY(!QFile::exists(base + u"/pwned"_s));
    QVERIFY(travail.MessagesTraducteur.isEmpty());
}

void TestMoteur::sautDeLigneRefuse_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("message");
    QTest::newRow("dossier source") << u"/data/a\nb/roads.tab"_s << u"/out/roads.shp"_s
        << u"Le fichier « /data/a↵b/roads.tab » n'est pas traduit : son chemin contient un saut de ligne, qui ne "
           u"peut pas s'écrire dans les fichiers de commandes du traducteur."_s;
    QTest::newRow("retour chariot dans la destination") << u"/data/roads.tab"_s << u"/out/ro\rads.shp"_s
        << u"Le fichier « /out/ro↵ads.shp » n'est pas traduit : son chemin contient un saut de ligne, qui ne "
           u"peut pas s'écrire dans les fichiers de commandes du traducteur."_s;
}

void TestMoteur::sautDeLigneRefuse()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(QString, message);
    Poste poste;
    try {
        TraduitFichier(poste.travail, source, destination);
        QFAIL("le fichier doit être refusé");
    } catch (const RefusFichier &e) {
        QCOMPARE(e.texte(), message);
    }
    QVERIFY(poste.processus.lances.isEmpty());
    QVERIFY(Fichiers(poste.T).isEmpty());
    QCOMPARE(RefusChemin(source.contains(u'\n') ? source : destination).value_or(QString()), message);
    QVERIFY(!RefusChemin(u"/data/roads.tab"_s));
}

void TestMoteur::renommeSortiesShp_data()
{
    QTest::addColumn<QString>("destination"); // relatif au dossier du test
    QTest::addColumn<QStringList>("avant");
    QTest::addColumn<QStringList>("apres");
    QTest::newRow("un seul genre : noms simples")
        << u"out/roads.shp"_s
        << QStringList{u"out/roads_polyline.shp"_s, u"out/roads_polyline.shx"_s, u"out/roads_polyline.dbf"_s, u"out/roads_polyline.prj"_s}
        << QStringList{u"roads.dbf"_s, u"roads.prj"_s, u"roads.shp"_s, u"roads.shx"_s};
    QTest::newRow("deux genres : suffixes gardés")
        << u"out/roads.shp"_s
        << QStringList{u"out/roads_region.shp"_s, u"out/roads_region.dbf"_s, u"out/roads_point.shp"_s, u"out/roads_point.dbf"_s}
        << QStringList{u"roads_point.dbf"_s, u"roads_point.shp"_s, u"roads_region.dbf"_s, u"roads_region.shp"_s};
    QTest::newRow("texte sans shx ni prj")
        << u"out/roads.shp"_s << QStringList{u"out/roads_text.shp"_s, u"out/roads_text.dbf"_s}
        << QStringList{u"roads.dbf"_s, u"roads.shp"_s};
    QTest::newRow("ancien roads.shp remplacé")
        << u"out/roads.shp"_s << QStringList{u"out/roads.shp=ancien"_s, u"out/roads_arc.shp=neuf"_s}
        << QStringList{u"roads.shp=neuf"_s};
    QTest::newRow("deux .prj : le dernier suffixe reste")
        << u"out/roads.shp"_s
        << QStringList{u"out/roads_point.shp"_s, u"out/roads_region.prj=region"_s, u"out/roads_arc.prj=arc"_s}
        << QStringList{u"roads.prj=arc"_s, u"roads.shp"_s};
    QTest::newRow("compagnons seuls déplacés")
        << u"out/roads.shp"_s << QStringList{u"out/roads_none.dbf"_s}
        << QStringList{u"roads.dbf"_s};
    QTest::newRow("rien d'écrit") << u"out/roads.shp"_s << QStringList{} << QStringList{};
    QTest::newRow("majuscules dans le dossier et le nom")
        << u"Out/Roads.SHP"_s
        << QStringList{u"Out/Roads_polyline.shp"_s, u"Out/Roads_polyline.dbf"_s}
        << QStringList{u"roads.dbf"_s, u"roads.shp"_s};
    QTest::newRow("douze suffixes, un seul .shp")
        << u"out/r.shp"_s
        << QStringList{u"out/r_font_point.shp"_s, u"out/r_custom_point.dbf"_s, u"out/r_rounded_rectangle.shx"_s}
        << QStringList{u"r.dbf"_s, u"r.shp"_s, u"r.shx"_s};
}

void TestMoteur::renommeSortiesShp()
{
    QFETCH(QString, destination);
    QFETCH(QStringList, avant);
    QFETCH(QStringList, apres);
    QTemporaryDir dossier;
    const QString base = dossier.path() + u'/';
    QDir().mkpath(base + destination.left(destination.indexOf(u'/')));
    for (const QString &f : avant) {
        const QStringList nomContenu = f.split(u'=');
        Ecrit(base + nomContenu[0], nomContenu.value(1, u"x"_s).toUtf8());
    }
    RenommeSortiesShp(base + destination);
    const QString sortie = base + destination.left(destination.indexOf(u'/'));
    QStringList vus;
    for (const QString &nom : Fichiers(sortie)) {
        const QString contenu = Lit(sortie + u'/' + nom);
        vus << (contenu == u"x"_s ? nom : nom + u'=' + contenu);
    }
    QCOMPARE(vus, apres);
}

void TestMoteur::regroupementCaseDecochee()
{
    Poste poste;
    FausseAutomation automation;
    auto mapinfo = automation.Cree(u"Mapinfo.Application"_s);
    automation.journal.clear();
    poste.travail.AppMapInfo = mapinfo.get();
    RegroupeCouches(poste.travail, u"/data/plan.dxf"_s, u"/out/plan.tab"_s);
    QVERIFY(automation.journal.isEmpty());
    QVERIFY(!QFileInfo::exists(poste.T + u"TempTrad"_s));
    QCOMPARE(poste.processus.lances.size(), 2);
    QVERIFY(Lit(poste.T + u"Trad_Macro.txt"_s).contains(u"\r\nMACRO DestDataset /out/\r\n"_s));
}

void TestMoteur::regroupementInstructions()
{
    Poste poste;
    FausseAutomation automation;
    auto mapinfo = automation.Cree(u"Mapinfo.Application"_s);
    automation.journal.clear();
    poste.travail.AppMapInfo = mapinfo.get();
    poste.travail.RegrouperCouches = true;
    const QString W = poste.T + u"TempTrad"_s;
    bool dossierPresent = false;
    poste.processus.action = [&](const QString &chemin, const QString &) {
        dossierPresent = QFileInfo(W).isDir();
        if (chemin.endsWith(u"LanceTrad.bat"_s)) {
            // Tables des couches, dont une dans un sous-dossier et un fichier qui n'est pas une table.
            Ecrit(W + u"/plan_routes.tab"_s);
            Ecrit(W + u"/plan_Batiments.TAB"_s);
            Ecrit(W + u"/plan_0.tab"_s);
            Ecrit(W + u"/plan_routes.dat"_s);
            Ecrit(W + u"/sous/plan_eau.tab"_s);
        }
        return ResultatProcessus{};
    };
    const QString destination = poste.environnement.temporaire() + u"/sortie \"A\"/plan.tab"_s;

    RegroupeCouches(poste.travail, u"/data/plan.dxf"_s, destination);

    QVERIFY(dossierPresent);
    QVERIFY(Lit(poste.T + u"Trad_Macro.txt"_s).contains(u"\r\nMACRO DestDataset "_s + W + u"/\r\n"_s));
    QCOMPARE(poste.tables, (QStringList{W + u"/plan_0.tab"_s, W + u"/plan_Batiments.TAB"_s, W + u"/plan_routes.tab"_s,
                                        W + u"/sous/plan_eau.tab"_s}));
    const QString D = poste.environnement.temporaire() + u"/sortie \"\"A\"\"/plan.tab"_s;
    const QString V = W + u"/plan.tab"_s;
    QCOMPARE(automation.journal,
             (QStringList{u"Open Table \""_s + W + u"/plan_0.tab\""_s,
                          u"select * from plan_0 where rowid=0 into plan"_s,
                          u"Commit Table plan As \""_s + V + u"\" TYPE NATIVE Charset \"WindowsLatin1\""_s,
                          u"Close Table plan_0"_s,
                          u"Open Table \""_s + V + u'"',
                          u"Open Table \""_s + W + u"/plan_0.tab\""_s,
                          u"Insert Into plan Select * From plan_0"_s,
                          u"Open Table \""_s + W + u"/plan_Batiments.TAB\""_s,
                          u"Insert Into plan Select * From plan_Batiments"_s,
                          u"Open Table \""_s + W + u"/plan_routes.tab\""_s,
                          u"Insert Into plan Select * From plan_routes"_s,
                          u"Open Table \""_s + W + u"/sous/plan_eau.tab\""_s,
                          u"Insert Into plan Select * From plan_eau"_s,
                          u"Commit Table plan As \""_s + D + u"\" TYPE NATIVE Charset \"WindowsLatin1\""_s,
                          u"Close All"_s}));
    QVERIFY(!QFileInfo::exists(W));
    // La pause de 2000 ms avant le parcours est faite sur l'horloge.
    QVERIFY(poste.horloge.tic > 2000);
}

void TestMoteur::regroupementDestinationDansTempTrad()
{
    // Route dxf vers shp : la table regroupée va dans TempTrad et doit y rester.
    Poste poste;
    FausseAutomation automation;
    auto mapinfo = automation.Cree(u"Mapinfo.Application"_s);
    automation.journal.clear();
    poste.travail.AppMapInfo = mapinfo.get();
    poste.travail.RegrouperCouches = true;
    const QString W = poste.T + u"TempTrad"_s;
    QDir().mkpath(W);
    poste.processus.action = [&](const QString &chemin, const QString &) {
        if (chemin.endsWith(u"LanceTrad.bat"_s))
            Ecrit(W + u"/Regroupement/plan_0.tab"_s);
        return ResultatProcessus{};
    };
    bool scrute = false;
    poste.travail.ScruteDossier2 = [&](const QString &dossier, const QString &filtre) {
        scrute = true;
        QCOMPARE(dossier, W + u"/Regroupement"_s);
        QCOMPARE(filtre, u"*.tab"_s);
        poste.tables << dossier + u"/plan_0.tab"_s;
    };
    RegroupeCouches(poste.travail, u"/data/plan.dxf"_s, W + u"/plan.tab"_s);
    QVERIFY(scrute);
    QCOMPARE(automation.journal.value(2), u"Commit Table plan As \""_s + W
                                              + u"/Regroupement/plan.tab\" TYPE NATIVE Charset \"WindowsLatin1\""_s);
    QCOMPARE(automation.journal.value(7),
             u"Commit Table plan As \""_s + W + u"/plan.tab\" TYPE NATIVE Charset \"WindowsLatin1\""_s);
    QVERIFY(QFileInfo(W).isDir());
    QVERIFY(!QFileInfo::exists(W + u"/Regroupement"_s));
}

void TestMoteur::regroupementEchecs_data()
{
    QTest::addColumn<bool>("table");
    QTest::addColumn<bool>("mapinfo");
    QTest::addColumn<QString>("refus"); // instruction refusée par MapInfo
    QTest::addColumn<QString>("message");
    QTest::newRow("aucune table") << false << true << QString()
        << u"Les couches de « /data/plan.dxf » ne peuvent pas être regroupées : le traducteur n'a écrit aucune table."_s;
    QTest::newRow("MapInfo absent") << true << false << QString()
        << u"Les couches de « /data/plan.dxf » ne peuvent pas être regroupées : MapInfo n'est pas ouvert."_s;
    QTest::newRow("instruction refusée") << true << true << u"Insert Into plan Select * From plan_0"_s
        << u"Table plan_0 : colonne inconnue"_s;
}

void TestMoteur::regroupementEchecs()
{
    QFETCH(bool, table);
    QFETCH(bool, mapinfo);
    QFETCH(QString, refus);
    QFETCH(QString, message);
    Poste poste;
    FausseAutomation automation;
    automation.reponse = [&](const QString &instruction) {
        return instruction == refus ? u"Table plan_0 : colonne inconnue"_s : QString();
    };
    auto objet = automation.Cree(u"Mapinfo.Application"_s);
    automation.journal.clear();
    if (mapinfo)
        poste.travail.AppMapInfo = objet.get();
    poste.travail.RegrouperCouches = true;
    const QString W = poste.T + u"TempTrad"_s;
    poste.processus.action = [&](const QString &chemin, const QString &) {
        if (table && chemin.endsWith(u"LanceTrad.bat"_s))
            Ecrit(W + u"/plan_0.tab"_s);
        return ResultatProcessus{};
    };
    try {
        RegroupeCouches(poste.travail, u"/data/plan.dxf"_s, u"/out/plan.tab"_s);
        QFAIL("le regroupement doit échouer");
    } catch (const Erreur &e) {
        QCOMPARE(e.texte(), message);
    }
    // Après un refus, un « Close All » libère les tables pour le fichier suivant.
    QCOMPARE(automation.journal.size(), refus.isEmpty() ? 0 : 8);
    if (!refus.isEmpty())
        QCOMPARE(automation.journal.last(), u"Close All"_s);
    QVERIFY(!QFileInfo::exists(W));
}

void TestMoteur::attendFichier()
{
    QTemporaryDir dossier;
    const QString present = dossier.path() + u"/Trad_Macro.txt"_s;
    Ecrit(present);
    FausseHorloge horloge;
    horloge.pas = 1;

    // Présent : un seul passage, une seule lecture du compteur.
    AttendFichier(horloge, dossier.path() + u"/TRAD_MACRO.TXT"_s, 2000);
    QCOMPARE(horloge.tic, 1u);

    // Jamais créé : jusqu'au premier passage qui finit plus de 2000 ms après le départ.
    horloge.tic = 0;
    horloge.pas = 100;
    AttendFichier(horloge, dossier.path() + u"/absent.txt"_s, 2000);
    QCOMPARE(horloge.tic, 2200u);

    // Un dossier de ce nom ne compte pas.
    QDir().mkpath(dossier.path() + u"/dossier.txt"_s);
    horloge.tic = 0;
    AttendFichier(horloge, dossier.path() + u"/dossier.txt"_s, 2000);
    QCOMPARE(horloge.tic, 2200u);

    // Délai nul : dès que le compteur a bougé.
    horloge.tic = 0;
    horloge.pas = 1;
    AttendFichier(horloge, dossier.path() + u"/absent.txt"_s, 0);
    QCOMPARE(horloge.tic, 2u);

    // Le compteur repasse par zéro pendant l'attente.
    horloge.tic = 0xFFFFFF00u;
    horloge.pas = 100;
    AttendFichier(horloge, dossier.path() + u"/absent.txt"_s, 2000);
    QCOMPARE(horloge.tic, 0xFFFFFF00u + 2200u);
}

void TestMoteur::attendre()
{
    FausseHorloge horloge;
    horloge.tic = 0xFFFFFFFFu - 500u;
    horloge.pas = 250;
    Attendre(horloge, 2000);
    QCOMPARE(horloge.tic, 0xFFFFFFFFu - 500u + 2500u);
}

namespace {

QString MinusculesAscii(QString texte)
{
    for (QChar &c : texte)
        if (c >= u'A' && c <= u'Z')
            c = QChar(char16_t(c.unicode() + 32));
    return texte;
}

// Copie un jeu d'exemple dans dossier ; rend le chemin de son fichier principal comme le traitement
// le liste (lettres ASCII en minuscules).
QString CopieExemple(const QString &jeu, const QString &fichier, const QString &dossier)
{
    const QString origine = qEnvironmentVariable("QUORVALE_SAMPLES") + u'/' + jeu;
    QDir().mkpath(dossier);
    for (const QString &nom : QDir(origine).entryList(QDir::Files))
        QFile::copy(origine + u'/' + nom, dossier + u'/' + nom);
    return MinusculesAscii(dossier + u'/' + fichier);
}

// Les objets lus par GDAL dans les fichiers d'extension ext du dossier (sous-dossiers compris) ;
// -1 quand l'un d'eux ne s'ouvre pas.
qint64 ObjetsLus(const QString &dossier, const QString &ext, QStringList *fichiers)
{
    qint64 total = 0;
    QDirIterator it(dossier, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString chemin = it.next();
        if (QFileInfo(chemin).suffix().compare(ext, Qt::CaseInsensitive) != 0)
            continue;
        if (fichiers)
            *fichiers << QFileInfo(chemin).fileName();
        GDALDatasetH ds = GDALOpenEx(QFile::encodeName(chemin).constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY,
                                     nullptr, nullptr, nullptr);
        if (!ds)
            return -1;
        for (int i = 0; i < GDALDatasetGetLayerCount(ds); ++i)
            total += OGR_L_GetFeatureCount(GDALDatasetGetLayer(ds, i), TRUE);
        GDALClose(ds);
    }
    return total;
}

// Le dossier MapInfo construit (mapinfow, UT/imut), terminé par "/" ; vide tant qu'il manque.
QString DossierMapInfoReel()
{
    const QString M = qEnvironmentVariable("QUORVALE_DOSSIER_MAPINFO") + u'/';
    return QFileInfo(M + u"UT/imut"_s).isExecutable() ? M : QString();
}

const QString ClauseMtm8 = u"CoordSys Earth Projection 8, 74, 7, -73.5, 0, 0.9999, 304800, 0"_s;

// Un poste sur les vrais services : processus réels, horloge du système.
struct PosteReel {
    EnvironnementIsole environnement;
    ProcessusLocal processus{120000};
    HorlogeSysteme horloge;
    QStringList tables;
    Travail travail{processus, horloge, tables};
    explicit PosteReel(const QString &M)
    {
        travail.DossierTemp = environnement.temporaire() + u'/';
        travail.DossierMapInfo = M;
        travail.ProjectionFichier = [](const QString &) { return ClauseMtm8; };
    }
};

// MapInfo inscrit dans le registre du test et ouvert comme le fait le traitement.
std::unique_ptr<ObjetAutomation> OuvreMapInfo(const QString &M, Automation &automation)
{
    if (QProcess::execute(M + u"mapinfow"_s, {u"--regserver"_s}) != 0)
        return nullptr;
    auto objet = automation.Cree(u"Mapinfo.Application"_s);
    objet->EcritPropriete(u"visible"_s, false);
    objet->Do(u"set progressbars off"_s);
    return objet;
}

} // namespace

void TestMoteur::reelUneConversionParPaire_data()
{
    QTest::addColumn<QString>("jeu");
    QTest::addColumn<QString>("fichier");
    QTest::addColumn<QString>("cle");
    QTest::addColumn<qint64>("objets"); // -1 : au moins un

    const QString tab = u"tab/gdal-poly_indexed"_s, mif = u"mif/mi2kml-g5615h_l"_s, shp = u"shp/gdal-departs"_s;
    const QString dxf = u"dxf/ezdxf-Leica_Disto_S910"_s, e00 = u"e00/gdal-testpoint"_s;
    QTest::newRow("tab vers shp") << tab << u"poly_indexed.tab"_s << u"shp"_s << qint64(10);
    QTest::newRow("tab vers e00") << tab << u"poly_indexed.tab"_s << u"e00"_s << qint64(-1);
    QTest::newRow("tab vers dxf") << tab << u"poly_indexed.tab"_s << u"dxf"_s << qint64(-1);
    QTest::newRow("mif vers dxf") << mif << u"g5615h_l.mif"_s << u"dxf"_s << qint64(-1);
    QTest::newRow("mif vers e00") << mif << u"g5615h_l.mif"_s << u"e00"_s << qint64(-1);
    QTest::newRow("mif vers shp") << mif << u"g5615h_l.mif"_s << u"shp"_s << qint64(30);
    QTest::newRow("shp vers tab") << shp << u"departs.shp"_s << u"tab"_s << qint64(3);
    QTest::newRow("shp vers mif") << shp << u"departs.shp"_s << u"mif"_s << qint64(3);
    QTest::newRow("dxf vers tab") << dxf << u"Leica_Disto_S910.dxf"_s << u"tab"_s << qint64(-1);
    QTest::newRow("dxf vers mif") << dxf << u"Leica_Disto_S910.dxf"_s << u"mif"_s << qint64(-1);
    QTest::newRow("e00 vers tab") << e00 << u"testpoint.e00"_s << u"tab"_s << qint64(80);
    QTest::newRow("e00 vers mif") << e00 << u"testpoint.e00"_s << u"mif"_s << qint64(80);
}

void TestMoteur::reelUneConversionParPaire()
{
    QFETCH(QString, jeu);
    QFETCH(QString, fichier);
    QFETCH(QString, cle);
    QFETCH(qint64, objets);
    const QString M = DossierMapInfoReel();
    if (M.isEmpty())
        QSKIP("le traducteur imut n'est pas encore construit");
    PosteReel poste(M);
    poste.travail.ExtCible = cle;
    QTemporaryDir dossier;
    const QString source = CopieExemple(jeu, fichier, dossier.path() + u"/Source"_s);
    const QString sortie = dossier.path() + u"/Sortie"_s;
    QDir().mkpath(sortie);
    const QString destination = sortie + u'/' + QFileInfo(source).completeBaseName() + u'.' + cle;

    TraduitFichier(poste.travail, source, destination);

    QStringList ecrits;
    const qint64 lus = ObjetsLus(sortie, cle, &ecrits);
    QVERIFY2(lus != 0 && lus != -1, qPrintable(ecrits.join(u' ') + u" | "_s + poste.travail.MessagesTraducteur.join(u' ')));
    if (objets >= 0)
        QCOMPARE(lus, objets);
    if (cle == u"shp"_s) // un seul genre de géométrie : le nom simple
        QCOMPARE(ecrits, QStringList{QFileInfo(destination).fileName()});
}

void TestMoteur::reelRegroupementParMapInfo()
{
    // Le vrai mapinfow sur deux tables de couches que le faux traducteur pose dans TempTrad.
    const QString M = qEnvironmentVariable("QUORVALE_DOSSIER_MAPINFO") + u'/';
    if (!QFileInfo(M + u"mapinfow"_s).isExecutable())
        QSKIP("mapinfow n'est pas encore construit");
    Poste poste;
    QTemporaryDir dossier;
    const QString W = poste.T + u"TempTrad"_s;
    poste.processus.action = [&](const QString &chemin, const QString &) {
        if (chemin.endsWith(u"LanceTrad.bat"_s)) {
            CopieExemple(u"tab/gdal-poly_indexed"_s, u"poly_indexed.tab"_s, W);
            for (const QString &e : {u"tab"_s, u"dat"_s, u"map"_s, u"id"_s, u"ind"_s})
                QFile::copy(W + u"/poly_indexed."_s + e, W + u"/plan_b."_s + e);
            for (const QString &e : {u"tab"_s, u"dat"_s, u"map"_s, u"id"_s, u"ind"_s})
                QFile::rename(W + u"/poly_indexed."_s + e, W + u"/plan_a."_s + e);
        }
        return ResultatProcessus{};
    };
    RegistreFichier registre;
    AutomationLocale automation(registre, 60000);
    auto mapinfo = OuvreMapInfo(M, automation);
    QVERIFY(mapinfo);
    poste.travail.AppMapInfo = mapinfo.get();
    poste.travail.RegrouperCouches = true;
    const QString sortie = dossier.path() + u"/Sortie \"1\""_s;
    QDir().mkpath(sortie);
    RegroupeCouches(poste.travail, u"/data/plan.dxf"_s, sortie + u"/plan.tab"_s);
    QStringList tables;
    QCOMPARE(ObjetsLus(sortie, u"tab"_s, &tables), qint64(20));
    QCOMPARE(tables, QStringList{u"plan.tab"_s});
    QVERIFY(!QFileInfo::exists(W));
}

void TestMoteur::reelRegroupementDesCouches()
{
    const QString M = DossierMapInfoReel();
    if (M.isEmpty() || !QFileInfo(M + u"mapinfow"_s).isExecutable())
        QSKIP("imut ou mapinfow n'est pas encore construit");
    PosteReel poste(M);
    poste.travail.ExtCible = u"tab"_s;
    QTemporaryDir dossier;
    const QString source = CopieExemple(u"dxf/ezdxf-Leica_Disto_S910"_s, u"Leica_Disto_S910.dxf"_s, dossier.path() + u"/src"_s);

    // Sans regroupement : une table par couche.
    const QString couches = dossier.path() + u"/couches"_s;
    QDir().mkpath(couches);
    RegroupeCouches(poste.travail, source, couches + u"/leica_disto_s910.tab"_s);
    QStringList tablesCouches;
    const qint64 parCouche = ObjetsLus(couches, u"tab"_s, &tablesCouches);
    QVERIFY2(tablesCouches.size() >= 2, qPrintable(tablesCouches.join(u' ')));
    QVERIFY(parCouche > 0);

    // Avec : une seule table, qui porte tous les objets des couches.
    RegistreFichier registre;
    AutomationLocale automation(registre, 60000);
    auto mapinfo = OuvreMapInfo(M, automation);
    QVERIFY(mapinfo);
    poste.travail.AppMapInfo = mapinfo.get();
    poste.travail.RegrouperCouches = true;
    const QString groupe = dossier.path() + u"/groupe"_s;
    QDir().mkpath(groupe);
    RegroupeCouches(poste.travail, source, groupe + u"/leica_disto_s910.tab"_s);
    QStringList tablesGroupe;
    QCOMPARE(ObjetsLus(groupe, u"tab"_s, &tablesGroupe), parCouche);
    QCOMPARE(tablesGroupe, QStringList{u"leica_disto_s910.tab"_s});
    QCOMPARE(poste.tables.size(), tablesCouches.size());
    QVERIFY(!QFileInfo::exists(poste.travail.DossierTemp + u"TempTrad"_s));
}

void TestMoteur::reelNomsDangereux()
{
    const QString M = DossierMapInfoReel();
    if (M.isEmpty() || !QFileInfo(M + u"mapinfow"_s).isExecutable())
        QSKIP("imut ou mapinfow n'est pas encore construit");
    PosteReel poste(M);
    QTemporaryDir dossier;
    const QString courant = QDir::currentPath();
    QDir::setCurrent(dossier.path());
    const QString entree = dossier.path() + u"/$(touch pwned)"_s;
    const QString sortie = dossier.path() + u"/a\"b`touch pwned`"_s;
    QDir().mkpath(sortie);

    const QString shp = CopieExemple(u"shp/gdal-departs"_s, u"departs.shp"_s, entree);
    poste.travail.ExtCible = u"tab"_s;
    TraduitFichier(poste.travail, shp, sortie + u"/departs.tab"_s);
    QCOMPARE(ObjetsLus(sortie, u"tab"_s), qint64(3));

    RegistreFichier registre;
    AutomationLocale automation(registre, 60000);
    auto mapinfo = OuvreMapInfo(M, automation);
    QVERIFY(mapinfo);
    poste.travail.AppMapInfo = mapinfo.get();
    poste.travail.RegrouperCouches = true;
    const QString dxf = CopieExemple(u"dxf/ezdxf-Leica_Disto_S910"_s, u"Leica_Disto_S910.dxf"_s, entree);
    RegroupeCouches(poste.travail, dxf, sortie + u"/leica_disto_s910.tab"_s);
    QDir::setCurrent(courant);

    QStringList tables;
    QVERIFY2(ObjetsLus(sortie, u"tab"_s, &tables) > 3, qPrintable(poste.travail.MessagesTraducteur.join(u' ')));
    QCOMPARE(tables.size(), 2);
    QVERIFY(!QFileInfo::exists(dossier.path() + u"/pwned"_s));
}

QTEST_GUILESS_MAIN(TestMoteur)
#include "tst_engine.moc"
