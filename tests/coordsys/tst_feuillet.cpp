#include "essais.h"
#include "feuillet.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

Q_DECLARE_METATYPE(quorvale::ReglagesProjection)

namespace {

const QString Choisie = u"CoordSys Earth Projection 1, 74"_s;

ReglagesProjection Reglages(bool feuillets, bool mtm, bool nad83, bool assoMots)
{
    return ReglagesProjection{feuillets, mtm, nad83, assoMots};
}

} // namespace

class TestFeuillets : public QObject {
    Q_OBJECT

private slots:
    void origineProjection_data();
    void origineProjection();
    void estNumerique_data();
    void estNumerique();
    void feuilletMTM_data();
    void feuilletMTM();
    void feuilletUTM_data();
    void feuilletUTM();
    void meridienMTM_data();
    void meridienMTM();
    void meridienUTM_data();
    void meridienUTM();
    void projectionFichier_data();
    void projectionFichier();
};

void TestFeuillets::estNumerique_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<bool>("attendu");
    QTest::newRow("vide") << QString() << false;
    QTest::newRow("chiffre 0") << u"0"_s << true;
    QTest::newRow("chiffre 9") << u"9"_s << true;
    QTest::newRow("point seul") << u"."_s << true;
    QTest::newRow("virgule seule") << u","_s << false;
    QTest::newRow("nombre à virgule") << u"1,5"_s << true;
    QTest::newRow("deux virgules") << u",,"_s << true;
    QTest::newRow("lettre") << u"h"_s << false;
    QTest::newRow("chiffres puis lettre") << u"12a"_s << false;
    QTest::newRow("blanc") << u" "_s << false;
    QTest::newRow("signe moins") << u"-1"_s << false;
    QTest::newRow("chiffre arabe-indien") << u"\u0663"_s << false;
}

void TestFeuillets::estNumerique()
{
    QFETCH(QString, texte);
    QFETCH(bool, attendu);
    QCOMPARE(EstNumerique(texte), attendu);
}

void TestFeuillets::feuilletMTM_data()
{
    QTest::addColumn<QString>("chemin");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("nom de fichier") << u"C:/Cartes/31h05ne.dxf"_s << u"31h05ne"_s;
    QTest::newRow("point en position 6") << u"/cartes/31h05.dxf"_s << QString();
    QTest::newRow("pas en début de composant") << u"/cartes/carte31h05ne.dxf"_s << QString();
    QTest::newRow("dossier 21e puis fichier") << u"/21e/31h05ne.dxf"_s << u"31h05ne"_s;
    QTest::newRow("casse conservée") << u"/cartes/31H05NE.DXF"_s << u"31H05NE"_s;
    QTest::newRow("dossier avant fichier") << u"/31g16so/31h05ne.dxf"_s << u"31g16so"_s;
    QTest::newRow("sans extension") << u"/cartes/31h05ne"_s << u"31h05ne"_s;
    QTest::newRow("chiffre en position 7") << u"/cartes/31h05n5.dxf"_s << QString();
    QTest::newRow("point compté numérique") << u"/cartes/3.h05ne.dxf"_s << u"3.h05ne"_s;
    QTest::newRow("composant de cinq caractères") << u"/31h05/routes.dxf"_s << u"31h05"_s;
    QTest::newRow("composant de quatre caractères") << u"/31h0/routes.dxf"_s << QString();
    QTest::newRow("composant de deux caractères") << u"/31/h05ne.dxf"_s << QString();
    QTest::newRow("lettre en position 2") << u"/3hh05ne.dxf"_s << QString();
    QTest::newRow("chemin vide") << QString() << QString();
}

void TestFeuillets::feuilletMTM()
{
    QFETCH(QString, chemin);
    QFETCH(QString, attendu);
    QCOMPARE(FeuilletMTM(chemin), attendu);
}

void TestFeuillets::feuilletUTM_data()
{
    QTest::addColumn<QString>("chemin");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("dossier en majuscules") << u"D:/Data/21E/routes.shp"_s << u"21e"_s;
    QTest::newRow("feuillet 20 000 au nom") << u"/cartes/31h05.dxf"_s << u"31h"_s;
    QTest::newRow("dossier avant fichier") << u"/21e/31h05ne.dxf"_s << u"21e"_s;
    QTest::newRow("premier chiffre 4") << u"/cartes/46a.dxf"_s << QString();
    QTest::newRow("second chiffre 6") << u"/cartes/36a.dxf"_s << QString();
    QTest::newRow("lettre après p") << u"/cartes/31q.dxf"_s << QString();
    QTest::newRow("point en position 2") << u"/cartes/3.h.dxf"_s << QString();
    QTest::newRow("bornes basses") << u"/00a/x.dxf"_s << u"00a"_s;
    QTest::newRow("bornes hautes") << u"/35p/x.dxf"_s << u"35p"_s;
    QTest::newRow("pas en début de composant") << u"/cartes/x31h.dxf"_s << QString();
    QTest::newRow("composant trop court") << u"/cartes/31"_s << QString();
}

void TestFeuillets::feuilletUTM()
{
    QFETCH(QString, chemin);
    QFETCH(QString, attendu);
    QCOMPARE(FeuilletUTM(chemin), attendu);
}

void TestFeuillets::meridienMTM_data()
{
    QTest::addColumn<QString>("feuillet");
    QTest::addColumn<QString>("attendu");
    // Chaque rangée de la table : premier et dernier feuillet de la liste, pour l'est, l'ouest et
    // un numéro hors des deux listes.
    struct Rangee {
        const char16_t *premier, *dernier, *est, *ouest, *aucune;
    };
    const Rangee rangees[] = {
        {u"31l", u"33m", u"79.5", u"79.5", u"79.5"}, {u"31f", u"33n", u"76.5", u"76.5", u"76.5"},
        {u"31g", u"33o", u"73.5", u"76.5", u""},     {u"31j", u"31j", u"73.5", u"76.5", u"73.5"},
        {u"31h", u"33p", u"73.5", u"73.5", u"73.5"}, {u"21e", u"23m", u"70.5", u"70.5", u"70.5"},
        {u"21k", u"23n", u"67.5", u"70.5", u""},     {u"21o", u"23o", u"67.5", u"67.5", u"67.5"},
        {u"21p", u"23p", u"64.5", u"64.5", u"64.5"}, {u"11m", u"13m", u"61.5", u"64.5", u""},
        {u"11n", u"13n", u"61.5", u"61.5", u"61.5"}, {u"12g", u"13o", u"58.5", u"58.5", u"58.5"},
        {u"12h", u"13p", u"", u"58.5", u""},         {u"31i", u"31i", u"73.5", u"73.5", u"73.5"},
    };
    for (const Rangee &r : rangees) {
        const QString premier = QString::fromUtf16(r.premier), dernier = QString::fromUtf16(r.dernier);
        const QString est = QString::fromUtf16(r.est), ouest = QString::fromUtf16(r.ouest),
                      aucune = QString::fromUtf16(r.aucune);
        QTest::addRow("%s est 01", qPrintable(premier)) << premier + u"01ne"_s << est;
        QTest::addRow("%s est 16", qPrintable(dernier)) << dernier + u"16ne"_s << est;
        QTest::addRow("%s ouest 03", qPrintable(premier)) << premier + u"03so"_s << ouest;
        QTest::addRow("%s ouest 14", qPrintable(dernier)) << dernier + u"14so"_s << ouest;
        QTest::addRow("%s hors liste 00", qPrintable(premier)) << premier + u"00ne"_s << aucune;
        QTest::addRow("%s hors liste 17", qPrintable(dernier)) << dernier + u"17ne"_s << aucune;
    }
    QTest::newRow("31j ouest 05") << u"31j05ne"_s << u"76.5"_s;
    QTest::newRow("31j est 10") << u"31j10ne"_s << u"73.5"_s;
    QTest::newRow("majuscules") << u"31J05NE"_s << u"76.5"_s;
    QTest::newRow("31a hors table") << u"31a01ne"_s << QString();
    QTest::newRow("aire 14") << u"14a01ne"_s << QString();
    QTest::newRow("aire 24") << u"24a03ne"_s << QString();
    QTest::newRow("aire 25") << u"25a01ne"_s << QString();
    QTest::newRow("aire 34") << u"34m01ne"_s << QString();
    QTest::newRow("aire 35") << u"35d05ne"_s << QString();
    QTest::newRow("numéro à une lettre") << u"31g0ane"_s << QString();
}

void TestFeuillets::meridienMTM()
{
    QFETCH(QString, feuillet);
    QFETCH(QString, attendu);
    QCOMPARE(MeridienMTM(feuillet), attendu);
}

void TestFeuillets::meridienUTM_data()
{
    QTest::addColumn<QString>("feuillet");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("81 premier") << u"31l"_s << u"81"_s;
    QTest::newRow("81 dernier") << u"35l"_s << u"81"_s;
    QTest::newRow("75 premier") << u"31f"_s << u"75"_s;
    QTest::newRow("75 dernier") << u"33c"_s << u"75"_s;
    QTest::newRow("75 31i") << u"31i"_s << u"75"_s;
    QTest::newRow("69 premier") << u"21e"_s << u"69"_s;
    QTest::newRow("69 dernier") << u"23g"_s << u"69"_s;
    QTest::newRow("63 premier") << u"11n"_s << u"63"_s;
    QTest::newRow("63 dernier") << u"25a"_s << u"63"_s;
    QTest::newRow("57 premier") << u"12j"_s << u"57"_s;
    QTest::newRow("57 dernier") << u"13b"_s << u"57"_s;
    QTest::newRow("majuscules") << u"31H"_s << u"75"_s;
    QTest::newRow("31e hors table") << u"31e"_s << QString();
    QTest::newRow("21a hors table") << u"21a"_s << QString();
    QTest::newRow("33d hors de 75") << u"33d"_s << u"81"_s;
}

void TestFeuillets::meridienUTM()
{
    QFETCH(QString, feuillet);
    QFETCH(QString, attendu);
    QCOMPARE(MeridienUTM(feuillet), attendu);
}

void TestFeuillets::projectionFichier_data()
{
    QTest::addColumn<QString>("chemin");
    QTest::addColumn<ReglagesProjection>("reglages");
    QTest::addColumn<QString>("attendu");
    const auto mtm83 = Reglages(true, true, true, true), mtm27 = Reglages(true, true, false, true);
    const auto utm83 = Reglages(true, false, true, true), utm27 = Reglages(true, false, false, true);
    QTest::newRow("MTM NAD 83 moitié ouest")
        << u"C:/Cartes/31h05ne.dxf"_s << mtm83 << u"CoordSys Earth Projection 8,74,7,-73.5,0,0.9999,304800,0"_s;
    QTest::newRow("MTM NAD 27 moitié est")
        << u"C:/Cartes/32g16so.tab"_s << mtm27 << u"CoordSys Earth Projection 8,66,7,-73.5,0,0.9999,304800,0"_s;
    QTest::newRow("MTM NAD 27 moitié ouest")
        << u"/cartes/32g05so.tab"_s << mtm27 << u"CoordSys Earth Projection 8,66,7,-76.5,0,0.9999,304800,0"_s;
    QTest::newRow("UTM NAD 83 dossier en majuscules")
        << u"D:/Data/21E/routes.shp"_s << utm83 << u"CoordSys Earth Projection 8,74,7,-69,0,0.9996,500000,0"_s;
    QTest::newRow("UTM NAD 27 nom 20 000")
        << u"/cartes/31h05.dxf"_s << utm27 << u"CoordSys Earth Projection 8,66,7,-75,0,0.9996,500000,0"_s;
    QTest::newRow("MTM point en position 6 : association")
        << u"/montreal/31h05.dxf"_s << mtm83 << u"CoordSys Earth Projection 3, 74, 7, -68.5, 44, 60, 46, 0, 0"_s;
    QTest::newRow("MTM dossier 21e puis fichier")
        << u"/21e/31h05ne.dxf"_s << mtm83 << u"CoordSys Earth Projection 8,74,7,-73.5,0,0.9999,304800,0"_s;
    QTest::newRow("UTM dossier 21e puis fichier")
        << u"/21e/31h05ne.dxf"_s << utm83 << u"CoordSys Earth Projection 8,74,7,-69,0,0.9996,500000,0"_s;
    QTest::newRow("MTM 31i") << u"/cartes/31i12ne.dxf"_s << mtm27
                             << u"CoordSys Earth Projection 8,66,7,-73.5,0,0.9999,304800,0"_s;
    QTest::newRow("feuillet avant association")
        << u"/montreal/31h05ne.dxf"_s << mtm83 << u"CoordSys Earth Projection 8,74,7,-73.5,0,0.9999,304800,0"_s;
    QTest::newRow("association avant choix")
        << u"/data/montreal/routes.dxf"_s << mtm83 << u"CoordSys Earth Projection 3, 74, 7, -68.5, 44, 60, 46, 0, 0"_s;
    QTest::newRow("association non terrestre")
        << u"/plans/usine.dxf"_s << mtm83 << u"CoordSys NonEarth Projection 0, 7"_s;
    QTest::newRow("sans feuillet ni association") << u"/data/routes.dxf"_s << mtm83 << Choisie;
    QTest::newRow("feuillet sans méridien : association")
        << u"/montreal/31g00ne.dxf"_s << mtm83 << u"CoordSys Earth Projection 3, 74, 7, -68.5, 44, 60, 46, 0, 0"_s;
    QTest::newRow("feuillet sans méridien : choix") << u"/cartes/12h01ne.dxf"_s << mtm83 << Choisie;
    QTest::newRow("UTM feuillet sans méridien : choix") << u"/cartes/01a/x.dxf"_s << utm83 << Choisie;
    QTest::newRow("feuillets éteints : association")
        << u"/montreal/31h05ne.dxf"_s << Reglages(false, true, true, true)
        << u"CoordSys Earth Projection 3, 74, 7, -68.5, 44, 60, 46, 0, 0"_s;
    QTest::newRow("associations éteintes") << u"/montreal/routes.dxf"_s << Reglages(true, true, true, false) << Choisie;
    QTest::newRow("tout éteint") << u"/montreal/31h05ne.dxf"_s << Reglages(false, true, true, false) << Choisie;
}

void TestFeuillets::projectionFichier()
{
    QFETCH(QString, chemin);
    QFETCH(ReglagesProjection, reglages);
    QFETCH(QString, attendu);
    const QList<Association> associations{
        {u"montreal"_s, u"Lambert Québec"_s, u"3, 74, 7, -68.5, 44, 60, 46, 0, 0"_s},
        {u"usine"_s, u"Non-Terrestre (mètres)"_s, u"0, 7"_s},
    };
    QCOMPARE(ProjectionFichier(chemin, reglages, associations, Choisie), attendu);
}

void TestFeuillets::origineProjection_data()
{
    QTest::addColumn<QString>("chemin");
    QTest::addColumn<bool>("mtm");
    QTest::addColumn<int>("regle");
    QTest::addColumn<QString>("detail");
    QTest::newRow("feuillet MTM") << u"/c/31h05ne.dxf"_s << true << int(RegleSysteme::Feuillet)
                                  << u"feuillet 31h05ne, MTM zone 8 (méridien -73.5), NAD 83"_s;
    QTest::newRow("feuillet MTM, zone 3") << u"/c/12g10ne.dxf"_s << true << int(RegleSysteme::Feuillet)
                                          << u"feuillet 12g10ne, MTM zone 3 (méridien -58.5), NAD 83"_s;
    QTest::newRow("feuillet UTM") << u"/c/21e/a.dxf"_s << false << int(RegleSysteme::Feuillet)
                                  << u"feuillet 21e, UTM zone 19 (méridien -69), NAD 83"_s;
    QTest::newRow("association") << u"/montreal/a.dxf"_s << true << int(RegleSysteme::Association)
                                 << u"mot « montreal » : Lambert Québec"_s;
    QTest::newRow("feuillet 250 000 en MTM : choisie") << u"/c/31g/a.e00"_s << true << int(RegleSysteme::Choisie)
                                                       << QString();
}

void TestFeuillets::origineProjection()
{
    QFETCH(QString, chemin);
    QFETCH(bool, mtm);
    QFETCH(int, regle);
    QFETCH(QString, detail);
    const QList<Association> associations{{u"montreal"_s, u"Lambert Québec"_s, u"3, 74, 7, -68.5, 44, 60, 46, 0, 0"_s}};
    const OrigineSysteme o = ExpliqueProjection(chemin, Reglages(true, mtm, true, true), associations, Choisie);
    QCOMPARE(int(o.Regle), regle);
    QCOMPARE(o.Detail, detail);
}

QObject *EssaisFeuillets()
{
    return new TestFeuillets;
}

#include "tst_feuillet.moc"
