#include "catalogue.h"
#include "essais.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

namespace {

// Un petit catalogue en Windows-1252, fins de ligne CR LF : préambule, lignes vides, nom entre
// guillemets avec virgule, suite après "\", projection juste avant un en-tête, doublon, accents.
const QByteArray PetitCatalogue =
    "\"Pr\xE9" "ambule\", 1, 0\r\n"                                             // 0
    "\"--- Longitude / Latitude ---\"\r\n"                                      // 1
    "\"Longitude / Latitude\", 1, 0\r\n"                                        // 2
    "\r\n"                                                                      // 3
    "\"Longitude / Latitude (WGS 84)\\p4326\", 1, 104\r\n"                      // 4
    "\"Juste avant l'en-t\xEAte\", 1, 62\r\n"                                   // 5
    "\"--- Projections, Qu\xE9" "bec ---\"\r\n"                                 // 6
    "\"Lambert, Qu\xE9" "bec\", 3, 74, 7, -68.5, 44, 60, 46, 0, 0\r\n"          // 7
    "\"Qu\xE9" "bec MTM Zone 8 (NAD 83)\", 8,74,7,-73.5,0,0.9999,304800,0  \r\n" // 8
    "\r\n"                                                                      // 9
    "\"--- Non terrestre ---\"\r\n"                                             // 10
    "\"Non-Terrestre (m\xE8tres)\", 0, 7\r\n"                                   // 11
    "\"Doublon MTM 8\", 8,74,7,-73.5,0,0.9999,304800,0\r\n"                     // 12
    "\"Derni\xE8re ligne\", 8, 74, 7, -75, 0, 0.9996, 500000, 0\r\n";           // 13

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT

private slots:
    void nomProjection_data();
    void nomProjection();
    void parametresProjection_data();
    void parametresProjection();
    void nomRessource_data();
    void nomRessource();
    void petitCatalogue();
    void projectionsDesCategories();
    void chercheParametres_data();
    void chercheParametres();
    void tiretsDansUnNomFontUnEnTete();
    void sansEnTete();
    void derniereLigneSansFin();
    void fichierChezMapInfoPuisExecutable();
    void fichierIntrouvable();
};

void TestCatalogue::nomProjection_data()
{
    QTest::addColumn<QString>("ligne");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("en-tête entre tirets") << u"\"--- Longitude / Latitude ---\""_s << u"Longitude / Latitude"_s;
    QTest::newRow("en-tête sans guillemets") << u"--- Europe ---"_s << u"Europe"_s;
    QTest::newRow("projection") << u"\"UTM Zone 18 (NAD 83)\", 8, 74, 7, -75, 0, 0.9996, 500000, 0"_s
                                << u"UTM Zone 18 (NAD 83)"_s;
    QTest::newRow("virgule entre guillemets") << u"\"Lambert, Québec\", 3, 74"_s << u"Lambert, Québec"_s;
    QTest::newRow("sans guillemets jusqu'à la virgule") << u"Sans guillemets, 1, 0"_s << u"Sans guillemets"_s;
    QTest::newRow("suite après barre oblique inverse") << u"\"Longitude / Latitude (WGS 84)\\p4326\", 1, 104"_s
                                                       << u"Longitude / Latitude (WGS 84)"_s;
    QTest::newRow("blancs et tabulations") << u"\" Nom \t\", 1, 0"_s << u"Nom"_s;
    QTest::newRow("blanc avant le guillemet") << u" \"Nom\", 1, 0"_s << QString();
    QTest::newRow("tirets seuls") << u"\"----\""_s << QString();
}

void TestCatalogue::nomProjection()
{
    QFETCH(QString, ligne);
    QFETCH(QString, attendu);
    QCOMPARE(NomProjection(ligne), attendu);
}

void TestCatalogue::parametresProjection_data()
{
    QTest::addColumn<QString>("ligne");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("blancs gardés") << u"\"UTM Zone 18 (NAD 83)\", 8, 74, 7, -75, 0, 0.9996, 500000, 0"_s
                                   << u"8, 74, 7, -75, 0, 0.9996, 500000, 0"_s;
    QTest::newRow("en-tête") << u"\"--- Longitude / Latitude ---\""_s << QString();
    QTest::newRow("virgule entre guillemets") << u"\"Lambert, Québec\", 3, 74"_s << u"3, 74"_s;
    QTest::newRow("sans guillemets") << u"Sans guillemets, 1, 0"_s << u"1, 0"_s;
    QTest::newRow("bouts rognés") << u"\"Nom\",  0, 7 \r"_s << u"0, 7"_s;
    QTest::newRow("sans virgule") << u"\"Nom\""_s << QString();
}

void TestCatalogue::parametresProjection()
{
    QFETCH(QString, ligne);
    QFETCH(QString, attendu);
    QCOMPARE(ParametresProjection(ligne), attendu);
}

void TestCatalogue::nomRessource_data()
{
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("UTM") << u"UTM Zone 18 (NAD 83)"_s << u"UTM_Zone_18__NAD_83_"_s;
    QTest::newRow("barre oblique") << u"Longitude / Latitude (NAD 83)"_s << u"Longitude___Latitude__NAD_83_"_s;
    QTest::newRow("é minuscule") << u"Québec MTM Zone 8 (NAD 83)"_s << u"Quebec_MTM_Zone_8__NAD_83_"_s;
    QTest::newRow("È et É majuscules") << u"ÈÉ"_s << u"ee"_s;
    QTest::newRow("tiret") << u"Lambert II Carto - Paris"_s << u"Lambert_II_Carto___Paris"_s;
    QTest::newRow("ponctuation") << u"a;b'c!d:e.f,g"_s << u"a_b_c_d_e_f_g"_s;
    QTest::newRow("autres accents gardés") << u"Hôtel çà ë"_s << u"Hôtel_çà_ë"_s;
    QTest::newRow("non terrestre") << u"Non-Terrestre (mètres)"_s << u"Non_Terrestre__metres_"_s;
}

void TestCatalogue::nomRessource()
{
    QFETCH(QString, nom);
    QFETCH(QString, attendu);
    QCOMPARE(NomRessource(nom), attendu);
}

void TestCatalogue::petitCatalogue()
{
    QTemporaryDir dossier;
    QVERIFY(EcritOctets(dossier.filePath(u"mapinfow.prj"_s), PetitCatalogue));
    QString erreur;
    const auto catalogue = ChargeCatalogue(dossier.filePath(u"mapinfow.prj"_s), &erreur);
    QVERIFY(catalogue);
    QCOMPARE(erreur, QString());
    QCOMPARE(catalogue->LignesCatalogue.size(), 14);
    QCOMPARE(catalogue->LignesCatalogue[11], u"\"Non-Terrestre (mètres)\", 0, 7"_s);
    QCOMPARE(catalogue->DebutsCategories, (QList<qsizetype>{1, 6, 10, 15}));
    QCOMPARE(catalogue->Categories,
             (QStringList{u"Longitude / Latitude"_s, u"Projections, Québec"_s, u"Non terrestre"_s}));
    QCOMPARE(catalogue->ParametresCatalogue,
             (QStringList{u"1, 0"_s, u"1, 104"_s, u"3, 74, 7, -68.5, 44, 60, 46, 0, 0"_s,
                          u"8,74,7,-73.5,0,0.9999,304800,0"_s, u"0, 7"_s, u"8,74,7,-73.5,0,0.9999,304800,0"_s,
                          u"8, 74, 7, -75, 0, 0.9996, 500000, 0"_s}));
    QCOMPARE(catalogue->RessourcesCatalogue,
             (QStringList{u"Longitude___Latitude"_s, u"Longitude___Latitude__WGS_84_"_s, u"Lambert__Quebec"_s,
                          u"Quebec_MTM_Zone_8__NAD_83_"_s, u"Non_Terrestre__metres_"_s, u"Doublon_MTM_8"_s,
                          u"Derniere_ligne"_s}));
}

void TestCatalogue::projectionsDesCategories()
{
    const Catalogue catalogue = AnalyseCatalogue(DecoupeLignes(QString::fromLatin1(PetitCatalogue)));
    QCOMPARE(LignesProjections(catalogue, 0), (QList<qsizetype>{2, 4}));
    QCOMPARE(LignesProjections(catalogue, 1), (QList<qsizetype>{7, 8}));
    QCOMPARE(LignesProjections(catalogue, 2), (QList<qsizetype>{11, 12, 13}));
    QCOMPARE(LignesProjections(catalogue, 3), QList<qsizetype>());
    QCOMPARE(LignesProjections(catalogue, -1), QList<qsizetype>());
}

void TestCatalogue::chercheParametres_data()
{
    QTest::addColumn<QString>("parametres");
    QTest::addColumn<qsizetype>("attendu");
    QTest::newRow("doublon : le premier") << u"8,74,7,-73.5,0,0.9999,304800,0"_s << qsizetype(3);
    QTest::newRow("non terrestre") << u"0, 7"_s << qsizetype(4);
    QTest::newRow("blancs qui diffèrent") << u"8, 74, 7, -73.5, 0, 0.9999, 304800, 0"_s << qsizetype(-1);
    QTest::newRow("dernière ligne") << u"8, 74, 7, -75, 0, 0.9996, 500000, 0"_s << qsizetype(6);
    QTest::newRow("projection avant en-tête absente") << u"1, 62"_s << qsizetype(-1);
}

void TestCatalogue::chercheParametres()
{
    QFETCH(QString, parametres);
    QFETCH(qsizetype, attendu);
    const Catalogue catalogue = AnalyseCatalogue(DecoupeLignes(QString::fromLatin1(PetitCatalogue)));
    QCOMPARE(ChercheParametres(catalogue, parametres), attendu);
}

void TestCatalogue::tiretsDansUnNomFontUnEnTete()
{
    const Catalogue catalogue = AnalyseCatalogue(
        {u"\"--- A ---\""_s, u"\"Un\", 1, 0"_s, u"\"Zone A--B\", 1, 1"_s, u"\"Deux\", 1, 2"_s, u"\"Trois\", 1, 3"_s});
    QCOMPARE(catalogue.Categories, (QStringList{u"A"_s, u"Zone A--B"_s}));
    // "Un" est juste avant le faux en-tête : il n'est pas lu.
    QCOMPARE(catalogue.ParametresCatalogue, (QStringList{u"1, 2"_s, u"1, 3"_s}));
}

void TestCatalogue::sansEnTete()
{
    const Catalogue catalogue = AnalyseCatalogue({u"\"Un\", 1, 0"_s, u"\"Deux\", 1, 2"_s});
    QCOMPARE(catalogue.Categories, QStringList());
    QCOMPARE(catalogue.ParametresCatalogue, QStringList());
    QCOMPARE(catalogue.DebutsCategories, QList<qsizetype>{3});
}

void TestCatalogue::derniereLigneSansFin()
{
    QTemporaryDir dossier;
    QVERIFY(EcritOctets(dossier.filePath(u"mapinfow.prj"_s), "\"--- A ---\"\n\"Un\", 1, 0\r\"Deux\", 1, 2"));
    const auto catalogue = ChargeCatalogue(dossier.filePath(u"mapinfow.prj"_s));
    QVERIFY(catalogue);
    QCOMPARE(catalogue->ParametresCatalogue, (QStringList{u"1, 0"_s, u"1, 2"_s}));
}

void TestCatalogue::fichierChezMapInfoPuisExecutable()
{
    QTemporaryDir dossier;
    const QString mapinfo = dossier.filePath(u"MapInfo/"_s), executable = dossier.filePath(u"bin"_s);
    QVERIFY(EcritOctets(executable + u"/mapinfow.prj"_s, "exe"));
    QCOMPARE(FichierCatalogue(mapinfo, executable), executable + u"/mapinfow.prj"_s);
    QCOMPARE(FichierCatalogue(QString(), executable), executable + u"/mapinfow.prj"_s);
    // Le nom se trouve sans égard à la casse.
    QVERIFY(EcritOctets(mapinfo + u"MAPINFOW.PRJ"_s, "mapinfo"));
    QCOMPARE(FichierCatalogue(mapinfo, executable), mapinfo + u"MAPINFOW.PRJ"_s);
}

void TestCatalogue::fichierIntrouvable()
{
    QTemporaryDir dossier;
    const QString fichier = FichierCatalogue(dossier.filePath(u"MapInfo/"_s), dossier.filePath(u"bin"_s));
    QCOMPARE(fichier, dossier.filePath(u"bin/mapinfow.prj"_s));
    QString erreur;
    QVERIFY(!ChargeCatalogue(fichier, &erreur));
    QCOMPARE(erreur, u"Impossible d'ouvrir le fichier \""_s + dossier.filePath(u"bin/mapinfow.prj"_s)
                         + u"\". No such file or directory"_s);
}

QObject *EssaisCatalogue()
{
    return new TestCatalogue;
}

#include "tst_catalogue.moc"
