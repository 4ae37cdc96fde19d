#include "automation.h"
#include "erreur.h"
#include "fakes.h"
#include "fichiers.h"
#include "processus.h"
#include "registre.h"
#include "version.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

namespace {

void Ecrit(const QString &chemin, const QByteArray &contenu)
{
    QDir().mkpath(chemin.left(chemin.lastIndexOf(u'/')));
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contenu);
}

QByteArray Lit(const QString &chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestPlateforme : public QObject {
    Q_OBJECT

private slots:
    void resolveurTrouveLesNomsSansEgardALaCasse_data();
    void resolveurTrouveLesNomsSansEgardALaCasse();
    void resolveurVoitLesFichiersNeufs();
    void resolveurPrefereLeNomExact();
    void existeNeComptePasLesDossiers();
    void motifs_data();
    void motifs();
    void rechercheDansUnDossier();
    void copieSurSoiMemeNeTronquePas();
    void copieEtDeplacement();
    void registreSurFichier();
    void registreNeCreeRienALaLecture();
    void automationDialogueAvecLeServeur();
    void automationErreursDuServeur_data();
    void automationErreursDuServeur();
    void automationServeurAbsent();
    void processusAttenduEtSortieErreur();
    void processusIntrouvableEtDelai();
    void version_data();
    void version();

private:
    QTemporaryDir dossier_;
};

void TestPlateforme::resolveurTrouveLesNomsSansEgardALaCasse_data()
{
    QTest::addColumn<QString>("demande");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("exact") << u"Data/Sub/Roads.SHP"_s << u"Data/Sub/Roads.SHP"_s;
    QTest::newRow("tout en minuscules") << u"data/sub/roads.shp"_s << u"Data/Sub/Roads.SHP"_s;
    QTest::newRow("fichier à créer dans un dossier existant") << u"data/SUB/neuf.tab"_s << u"Data/Sub/neuf.tab"_s;
    QTest::newRow("dossier à créer") << u"data/autre/x.tab"_s << u"Data/autre/x.tab"_s;
    QTest::newRow("accents gardés tels quels") << u"data/québec/Été.mif"_s << u"Data/Québec/Été.mif"_s;
    QTest::newRow("accent de casse différente non confondu") << u"data/QUÉBEC/été.mif"_s << u"Data/QUÉBEC/été.mif"_s;
}

void TestPlateforme::resolveurTrouveLesNomsSansEgardALaCasse()
{
    QFETCH(QString, demande);
    QFETCH(QString, attendu);
    const QString base = dossier_.path() + u"/resolveur/"_s;
    Ecrit(base + u"Data/Sub/Roads.SHP"_s, "x");
    Ecrit(base + u"Data/Québec/Été.mif"_s, "x");
    QCOMPARE(Resous(base + demande), base + attendu);
}

void TestPlateforme::resolveurVoitLesFichiersNeufs()
{
    // Les noms d'un dossier sont gardés d'une recherche à l'autre : un fichier ajouté ou retiré
    // ensuite, tout de suite ou plus tard, doit se voir.
    const QString base = dossier_.path() + u"/neufs/"_s;
    Ecrit(base + u"a.txt"_s, "x");
    for (const bool attente : {true, false}) {
        if (attente)
            QTest::qWait(80); // le dossier est alors stable : sa liste est gardée
        QCOMPARE(Resous(base + u"B.TXT"_s), base + u"B.TXT"_s);
        Ecrit(base + u"b.txt"_s, "x");
        QCOMPARE(Resous(base + u"B.TXT"_s), base + u"b.txt"_s);
        Ecrit(base + u"c.txt"_s, "x");
        QCOMPARE(Resous(base + u"C.TXT"_s), base + u"c.txt"_s);
        QVERIFY(QFile::remove(base + u"b.txt"_s) && QFile::remove(base + u"c.txt"_s));
        QCOMPARE(Resous(base + u"C.TXT"_s), base + u"C.TXT"_s);
    }
}

void TestPlateforme::resolveurPrefereLeNomExact()
{
    const QString base = dossier_.path() + u"/exact/"_s;
    Ecrit(base + u"a.tab"_s, "minuscule");
    Ecrit(base + u"A.TAB"_s, "majuscule");
    QCOMPARE(Resous(base + u"A.TAB"_s), base + u"A.TAB"_s);
    QCOMPARE(Resous(base + u"a.tab"_s), base + u"a.tab"_s);
}

void TestPlateforme::existeNeComptePasLesDossiers()
{
    const QString base = dossier_.path() + u"/existe/"_s;
    Ecrit(base + u"Fichier.TXT"_s, "x");
    QDir().mkpath(base + u"Dossier.txt"_s);
    QVERIFY(FichierExiste(base + u"fichier.txt"_s));
    QVERIFY(!FichierExiste(base + u"dossier.txt"_s));
    QVERIFY(DossierExiste(base + u"DOSSIER.TXT"_s));
    QVERIFY(!FichierExiste(base + u"absent.txt"_s));
    QVERIFY(!FichierExiste(QString()));
}

void TestPlateforme::motifs_data()
{
    QTest::addColumn<QString>("nom");
    QTest::addColumn<QString>("motif");
    QTest::addColumn<bool>("attendu");
    QTest::newRow("extension sans casse") << u"ROADS.SHP"_s << u"*.shp"_s << true;
    QTest::newRow("autre extension") << u"roads.shx"_s << u"*.shp"_s << false;
    QTest::newRow("point d'interrogation") << u"abc"_s << u"a?c"_s << true;
    QTest::newRow("point d'interrogation exige un caractère") << u"ac"_s << u"a?c"_s << false;
    QTest::newRow("étoile-point-étoile prend tout") << u"sansextension"_s << u"*.*"_s << true;
    QTest::newRow("préfixe de feuillet") << u"31H05NE.dxf"_s << u"31h*.dxf"_s << true;
    QTest::newRow("nom exact") << u"a.mif"_s << u"a.mif"_s << true;
    QTest::newRow("le nom exact ne prend pas un préfixe") << u"ab.mif"_s << u"a.mif"_s << false;
    QTest::newRow("motif vide ne prend rien") << u"a.mif"_s << QString() << false;
    QTest::newRow("extension seule ne prend pas un nom ordinaire") << u"a.shp"_s << u".shp"_s << false;
    QTest::newRow("lettres accentuées") << u"Été.TAB"_s << u"été*"_s << true;
    QTest::newRow("signe kelvin replié en k") << u"\u212A.shp"_s << u"k*"_s << true;
    QTest::newRow("lettres ASCII différentes") << u"roads.shp"_s << u"r?x*"_s << false;
}

void TestPlateforme::motifs()
{
    QFETCH(QString, nom);
    QFETCH(QString, motif);
    QFETCH(bool, attendu);
    QCOMPARE(CorrespondMotif(nom, motif), attendu);
}

void TestPlateforme::rechercheDansUnDossier()
{
    const QString base = dossier_.path() + u"/recherche/"_s;
    Ecrit(base + u"a.SHP"_s, "12345");
    Ecrit(base + u"b.shp"_s, "x");
    Ecrit(base + u".cache.shp"_s, "x");
    Ecrit(base + u"c.dbf"_s, "x");
    QDir().mkpath(base + u"dossier.shp"_s);
    QStringList noms;
    bool dossierVu = false;
    for (const EntreeDossier &e : ChercheDossier(base, u"*.shp"_s)) {
        noms << e.nom;
        if (e.nom == u"dossier.shp"_s)
            dossierVu = e.dossier;
        if (e.nom == u"a.SHP"_s)
            QCOMPARE(e.taille, 5);
    }
    noms.sort();
    QCOMPARE(noms, (QStringList{u".cache.shp"_s, u"a.SHP"_s, u"b.shp"_s, u"dossier.shp"_s}));
    QVERIFY(dossierVu);
    QVERIFY(ChercheDossier(base + u"absent"_s, u"*"_s).isEmpty());
    QVERIFY(ChercheDossier(base, QString()).isEmpty());
}

void TestPlateforme::copieSurSoiMemeNeTronquePas()
{
    const QString base = dossier_.path() + u"/soi/"_s;
    Ecrit(base + u"Roads.shp"_s, "contenu précieux");
    QVERIFY(CopieFichier(base + u"Roads.shp"_s, base + u"roads.shp"_s, false));
    QCOMPARE(Lit(base + u"Roads.shp"_s), "contenu précieux"_ba);
}

void TestPlateforme::copieEtDeplacement()
{
    const QString base = dossier_.path() + u"/copie/"_s;
    Ecrit(base + u"a.txt"_s, "nouveau");
    Ecrit(base + u"b.txt"_s, "ancien");
    QVERIFY(!CopieFichier(base + u"a.txt"_s, base + u"b.txt"_s, true));
    QCOMPARE(Lit(base + u"b.txt"_s), "ancien"_ba);
    QVERIFY(CopieFichier(base + u"A.TXT"_s, base + u"b.txt"_s, false));
    QCOMPARE(Lit(base + u"b.txt"_s), "nouveau"_ba);
    QVERIFY(!QFile::exists(base + u"b.txt.quorvale-copie"_s));
    QVERIFY(DeplaceFichier(base + u"b.txt"_s, base + u"c.txt"_s));
    QVERIFY(!QFile::exists(base + u"b.txt"_s));
    QCOMPARE(Lit(base + u"c.txt"_s), "nouveau"_ba);
    QVERIFY(SupprimeFichier(base + u"C.TXT"_s));
    QVERIFY(!QFile::exists(base + u"c.txt"_s));
    QVERIFY(CreeDossier(base + u"sous"_s));
    Ecrit(base + u"sous/x/y.txt"_s, "x");
    QVERIFY(SupprimeArborescence(base + u"SOUS"_s));
    QVERIFY(!QFile::exists(base + u"sous"_s));
}

void TestPlateforme::registreSurFichier()
{
    RegistreFichier registre(dossier_.path() + u"/registre/HKEY_CLASSES_ROOT.ini"_s);
    QVERIFY(registre.EcritValeur(u"Mapinfo.Application\\CLSID"_s, {}, u"{1234}"_s));
    QVERIFY(registre.EcritValeur(u"CLSID\\{1234}\\LocalServer"_s, {}, u"\"/opt/Map Info, Pro/mapinfow\" -automation"_s));
    QCOMPARE(registre.LitValeur(u"mapinfo.application\\clsid"_s), std::optional<QString>(u"{1234}"_s));
    QCOMPARE(registre.LitValeur(u"clsid\\{1234}\\localserver"_s),
             std::optional<QString>(u"\"/opt/Map Info, Pro/mapinfow\" -automation"_s));
    QVERIFY(registre.CleExiste(u"MAPINFO.APPLICATION"_s));
    QVERIFY(!registre.LitValeur(u"clsid\\{1234}\\LocalServer32"_s));
    QVERIFY(!registre.LitValeur(u"mapinfo.application\\clsid"_s, u"autre"_s));
    QVERIFY(registre.SupprimeCle(u"Mapinfo.Application"_s));
    QVERIFY(!registre.CleExiste(u"mapinfo.application"_s));
    QVERIFY(registre.CleExiste(u"clsid\\{1234}"_s));
}

void TestPlateforme::registreNeCreeRienALaLecture()
{
    const QString fichier = dossier_.path() + u"/vierge/HKEY_CLASSES_ROOT.ini"_s;
    RegistreFichier registre(fichier);
    QVERIFY(!registre.LitValeur(u"mapinfo.application\\clsid"_s));
    QVERIFY(!registre.CleExiste(u"mapinfo.application"_s));
    QVERIFY(!QFile::exists(fichier));
}

namespace {
FauxRegistre RegistreDuServeurDeTest()
{
    FauxRegistre registre;
    registre.EcritValeur(u"Test.Application\\CLSID"_s, {}, u"{AB}"_s);
    registre.EcritValeur(u"CLSID\\{AB}\\LocalServer"_s, {}, u"\""_s + QStringLiteral(SERVEUR_TEST) + u"\" -automation"_s);
    return registre;
}
} // namespace

void TestPlateforme::automationDialogueAvecLeServeur()
{
    const QString journal = dossier_.path() + u"/journal-dialogue.txt"_s;
    qputenv("SERVEUR_TEST_JOURNAL", QFile::encodeName(journal));
    FauxRegistre registre = RegistreDuServeurDeTest();
    AutomationLocale automation(registre);
    {
        auto objet = automation.Cree(u"test.application"_s);
        objet->EcritPropriete(u"visible"_s, false);
        objet->Do(u"Open Table \"/données/a b.tab\""_s);
        objet->Do(u"ligne\navec saut et \\ barre"_s);
    }
    QCOMPARE(QString::fromUtf8(Lit(journal)).split(u'\n', Qt::SkipEmptyParts),
             (QStringList{u"arguments -automation -Embedding"_s, u"PROPRIETE visible 0"_s,
                          u"DO Open Table \"/données/a b.tab\""_s, u"DO ligne\\navec saut et \\\\ barre"_s, u"FIN"_s,
                          u"libéré"_s}));
}

void TestPlateforme::automationErreursDuServeur_data()
{
    QTest::addColumn<QString>("instruction");
    QTest::addColumn<int>("delai");
    QTest::addColumn<QString>("texte");
    QTest::newRow("réponse d'erreur") << u"erreur Table introuvable : routes"_s << 0 << u"Table introuvable : routes"_s;
    QTest::newRow("serveur mort pendant l'appel") << u"meurs"_s << 0
                                                  << u"Le serveur d'automation « test.application » s'est arrêté pendant : meurs"_s;
    QTest::newRow("serveur qui ne répond plus") << u"dors"_s << 300
                                                << u"Le serveur d'automation « test.application » ne répond plus (délai dépassé) : dors"_s;
}

void TestPlateforme::automationErreursDuServeur()
{
    QFETCH(QString, instruction);
    QFETCH(int, delai);
    QFETCH(QString, texte);
    qunsetenv("SERVEUR_TEST_JOURNAL");
    FauxRegistre registre = RegistreDuServeurDeTest();
    AutomationLocale automation(registre, delai);
    auto objet = automation.Cree(u"test.application"_s);
    QElapsedTimer chrono;
    chrono.start();
    try {
        objet->Do(instruction);
        QFAIL("aucune erreur levée");
    } catch (const Erreur &e) {
        QCOMPARE(e.texte(), texte);
    }
    QVERIFY(chrono.elapsed() < 10000);
}

void TestPlateforme::automationServeurAbsent()
{
    FauxRegistre vide;
    AutomationLocale automation(vide);
    QVERIFY_THROWS_EXCEPTION(Erreur, automation.Cree(u"Mapinfo.Application"_s));
    FauxRegistre introuvable;
    introuvable.EcritValeur(u"Mapinfo.Application\\CLSID"_s, {}, u"{AB}"_s);
    introuvable.EcritValeur(u"CLSID\\{AB}\\LocalServer"_s, {}, u"\"/nulle/part/mapinfow\" -automation"_s);
    AutomationLocale automation2(introuvable);
    QVERIFY_THROWS_EXCEPTION(Erreur, automation2.Cree(u"Mapinfo.Application"_s));
}

void TestPlateforme::processusAttenduEtSortieErreur()
{
    const QString base = dossier_.path() + u"/processus/"_s;
    Ecrit(base + u"Lance Trad.bat"_s, "echo fait > \"" + QFile::encodeName(base) + "sortie.txt\"\necho 'Fichier illisible' >&2\nexit 3\n");
    ProcessusLocal processus;
    const ResultatProcessus r = processus.ExecuteEtAttend(base + u"lance trad.bat"_s);
    QCOMPARE(r.code, 3);
    QCOMPARE(r.erreur, u"Fichier illisible"_s);
    QCOMPARE(Lit(base + u"sortie.txt"_s), "fait\n"_ba);
}

void TestPlateforme::processusIntrouvableEtDelai()
{
    ProcessusLocal processus;
    try {
        processus.ExecuteEtAttend(dossier_.path() + u"/absent.bat"_s);
        QFAIL("aucune erreur levée");
    } catch (const Erreur &e) {
        QVERIFY2(e.texte().startsWith(u"Erreur système.  Code : 2.\r\n"_s), qPrintable(e.texte()));
    }
    const QString lent = dossier_.path() + u"/lent.bat"_s;
    Ecrit(lent, "sleep 30\n");
    ProcessusLocal borne(300);
    QElapsedTimer chrono;
    chrono.start();
    const ResultatProcessus r = borne.ExecuteEtAttend(lent);
    QVERIFY(r.delaiDepasse);
    QCOMPARE(r.code, -1);
    QVERIFY(chrono.elapsed() < 5000);
}

void TestPlateforme::version_data()
{
    QTest::addColumn<QByteArray>("traduction");
    QTest::addColumn<QString>("cle");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("français du Canada, 1252") << "\x0c\x0c\xe4\x04"_ba << u"0C0C04E4"_s << u"2.0.1.7"_s;
    QTest::newRow("anglais, Unicode") << "\x09\x04\xb0\x04"_ba << u"040904B0"_s << u"3.1.0.0"_s;
    QTest::newRow("sans traduction") << QByteArray() << u"0C0C04E4"_s << u"(Inconnue)"_s;
    QTest::newRow("clé absente") << "\x0c\x0c\xe4\x04"_ba << u"040904B0"_s << u"(Inconnue)"_s;
}

void TestPlateforme::version()
{
    QFETCH(QByteArray, traduction);
    QFETCH(QString, cle);
    QFETCH(QString, attendu);
    QTemporaryDir bloc;
    if (!traduction.isEmpty())
        Ecrit(bloc.path() + u"/VarFileInfo/Translation"_s, traduction);
    Ecrit(bloc.path() + u"/StringFileInfo/"_s + cle + u"/FileVersion"_s, attendu == u"(Inconnue)"_s ? "9.9" : attendu.toUtf8());
    QCOMPARE(VersionFichier(bloc.path()), attendu);
}

QTEST_GUILESS_MAIN(TestPlateforme)
#include "tst_platform.moc"
