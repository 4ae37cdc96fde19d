#include "TAboutBox.h"
#include "TForm1.h"
#include "demarrage.h"
#include "emplacements.h"
#include "fakes.h"
#include "ui_TForm1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

namespace {

struct Banc {
    FauxRegistre registre;
    FauxReglages reglages;
    FausseAutomation automation;
    FauxProcessus processus;
    FauxMessages messages;
    FauxDialogues dialogues;
    FausseAide aide;
    FausseHorloge horloge;
    Services services{registre, reglages, automation, processus, messages, dialogues, aide, horloge};

    void InscritMapInfo(const QString &commande)
    {
        registre.EcritValeur(u"Mapinfo.Application\\CLSID"_s, {}, u"{6F1C}"_s);
        registre.EcritValeur(u"CLSID\\{6F1C}\\LocalServer"_s, {}, commande);
    }
};

void CreeFichier(const QString &chemin)
{
    QDir().mkpath(chemin.left(chemin.lastIndexOf(u'/')));
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

} // namespace

class TestDemarrage : public QObject {
    Q_OBJECT

private slots:
    void dossierInstallation_data();
    void dossierInstallation();
    void serveurLivreInscritAuBesoin_data();
    void serveurLivreInscritAuBesoin();
    void unSeulMessageParRefus_data();
    void unSeulMessageParRefus();
    void optionsSelonLeFormatSource_data();
    void optionsSelonLeFormatSource();
    void choixDuFormatCibleNeChangeRienDeVisible();
    void choixDeFichiers_data();
    void choixDeFichiers();
    void choixDeFichiersSansFormat();
    void choixDeDossier();
    void barreDEtatSuitLAide();
    void aideEtAPropos();
};

void TestDemarrage::dossierInstallation_data()
{
    QTest::addColumn<QString>("cleServeur");
    QTest::addColumn<QString>("commande");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("chemin entre guillemets suivi d'un argument")
        << u"LocalServer"_s << u"\"/opt/Program Files/MapInfo/mapinfow\" -automation"_s << u"/opt/Program Files/MapInfo/"_s;
    QTest::newRow("chemin sans guillemets") << u"LocalServer"_s << u"/MAPINFO/MAPINFOW"_s << u"/MAPINFO/"_s;
    QTest::newRow("LocalServer32 seulement") << u"LocalServer32"_s << u"/opt/mapinfo/mapinfow"_s << QString();
    QTest::newRow("commande sans dossier") << u"LocalServer"_s << u"mapinfow"_s << QString();
}

void TestDemarrage::dossierInstallation()
{
    QFETCH(QString, cleServeur);
    QFETCH(QString, commande);
    QFETCH(QString, attendu);
    FauxRegistre registre;
    registre.EcritValeur(u"Mapinfo.Application\\CLSID"_s, {}, u"{AB}"_s);
    registre.EcritValeur(u"CLSID\\{AB}\\"_s + cleServeur, {}, commande);
    QCOMPARE(DossierInstallation(registre, u"mapinfo.application"_s), attendu);
    FauxRegistre vide;
    QCOMPARE(DossierInstallation(vide, u"mapinfo.application"_s), QString());
}

void TestDemarrage::serveurLivreInscritAuBesoin_data()
{
    QTest::addColumn<bool>("installe");
    QTest::addColumn<QString>("inscription"); // vers quel dossier mène l'inscription
    QTest::addColumn<bool>("inscrire");
    QTest::newRow("construction, rien d'inscrit") << false << QString() << false;
    QTest::newRow("installé, rien d'inscrit") << true << QString() << true;
    QTest::newRow("installé, dossier disparu") << true << u"disparu"_s << true;
    QTest::newRow("installé, autre MapInfo présent") << true << u"autre"_s << false;
    QTest::newRow("installé, déjà inscrit") << true << u"lib/quorvale/mapinfo"_s << false;
}

void TestDemarrage::serveurLivreInscritAuBesoin()
{
    QFETCH(bool, installe);
    QFETCH(QString, inscription);
    QFETCH(bool, inscrire);
    QTemporaryDir prefixe;
    const QString racine = prefixe.path();
    QVERIFY(QDir().mkpath(racine + u"/bin"_s) && QDir().mkpath(racine + u"/autre"_s));
    const QString livre = racine + u"/lib/quorvale/mapinfo/mapinfow"_s;
    if (installe) {
        CreeFichier(livre);
        QVERIFY(QFile::setPermissions(livre, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(QDir().mkpath(racine + u"/share/quorvale"_s));
    }
    Banc banc;
    if (!inscription.isEmpty())
        banc.InscritMapInfo(u"\""_s + racine + u'/' + inscription + u"/mapinfow\" -automation"_s);
    QCOMPARE(ServeurAInscrire(banc.registre, ServeurLivre(racine + u"/bin"_s)), inscrire ? livre : QString());
}

void TestDemarrage::unSeulMessageParRefus_data()
{
    QTest::addColumn<bool>("inscrit");
    QTest::addColumn<bool>("traducteur");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("rien d'inscrit") << false << true
                                    << QStringList{u"Le logiciel mapinfo doit être installé pour utiliser ce logiciel"_s};
    QTest::newRow("MapInfo sans traducteur")
        << true << false
        << QStringList{u"Le traducteur universel de mapinfo doit être installé dans un sous dossier\r\n"
                       u"nommé ut dans le dossier d'installation de mapinfo."_s};
    QTest::newRow("tout est là") << true << true << QStringList();
}

void TestDemarrage::unSeulMessageParRefus()
{
    QFETCH(bool, inscrit);
    QFETCH(bool, traducteur);
    QFETCH(QStringList, messages);
    QTemporaryDir mapinfo;
    if (traducteur)
        CreeFichier(mapinfo.path() + u"/UT/imut"_s);
    Banc banc;
    if (inscrit)
        banc.InscritMapInfo(u"\""_s + mapinfo.path() + u"/mapinfow\" -automation"_s);
    TForm1 form(banc.services);
    QCOMPARE(form.FormCreate(), messages.isEmpty());
    QCOMPARE(banc.messages.vus, messages);
    // Le panneau de version est rempli avant les vérifications.
    QCOMPARE(form.Panneau(1)->text(), u"Version (Inconnue)"_s);
    QCOMPARE(form.choix().ProjectionChoisie, u"CoordSys NonEarth Projection 0, 7"_s);
    QCOMPARE(form.choix().DossierMapInfo, inscrit ? mapinfo.path() + u'/' : QString());
    QVERIFY(form.isHidden());
}

void TestDemarrage::optionsSelonLeFormatSource_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("cle");
    QTest::addColumn<bool>("regrouper");
    QTest::addColumn<bool>("projection");
    QTest::addColumn<bool>("projectionFichier");
    QTest::addColumn<bool>("etiquette");
    QTest::newRow("dxf") << 0 << u"dxf"_s << true << true << false << false;
    QTest::newRow("E00 : projection du fichier aussi") << 1 << u"e00"_s << false << true << true << false;
    QTest::newRow("mif") << 2 << u"mif"_s << false << false << false << true;
    QTest::newRow("shp") << 3 << u"shp"_s << false << true << true << false;
    QTest::newRow("tab") << 4 << u"tab"_s << false << false << false << true;
}

void TestDemarrage::optionsSelonLeFormatSource()
{
    QFETCH(int, index);
    QFETCH(QString, cle);
    QFETCH(bool, regrouper);
    QFETCH(bool, projection);
    QFETCH(bool, projectionFichier);
    QFETCH(bool, etiquette);
    Banc banc;
    TForm1 form(banc.services);
    Ui::TForm1 *ui = form.ui();
    // Au départ, rien n'est choisi et les options de la source sont cachées.
    QVERIFY(ui->CheckBox3->isHidden() && ui->Button4->isHidden() && ui->CheckBox4->isHidden() && ui->Label2->isHidden());
    QCOMPARE(ui->ComboBox1->currentIndex(), -1);
    form.ComboBox1Select(3);
    form.ComboBox1Select(index);
    QCOMPARE(form.choix().ExtSource, cle);
    QCOMPARE(form.choix().FormatSource, index + 1);
    QCOMPARE(!ui->CheckBox3->isHidden(), regrouper);
    QCOMPARE(!ui->Button4->isHidden(), projection);
    QCOMPARE(!ui->CheckBox4->isHidden(), projectionFichier);
    QCOMPARE(!ui->Label2->isHidden(), etiquette);
    // Cacher une case ne change pas son état.
    QVERIFY(ui->CheckBox4->isChecked());
}

void TestDemarrage::choixDuFormatCibleNeChangeRienDeVisible()
{
    Banc banc;
    TForm1 form(banc.services);
    Ui::TForm1 *ui = form.ui();
    form.ComboBox1Select(0);
    const auto enfants = form.findChildren<QWidget *>();
    QList<bool> avant;
    for (QWidget *w : enfants)
        avant << w->isHidden();
    form.ComboBox2Select(4);
    QCOMPARE(form.choix().ExtCible, u"tab"_s);
    QCOMPARE(form.choix().FormatCible, 5);
    QList<bool> apres;
    for (QWidget *w : enfants)
        apres << w->isHidden();
    QCOMPARE(apres, avant);
    Q_UNUSED(ui);
}

void TestDemarrage::choixDeFichiers_data()
{
    QTest::addColumn<QStringList>("fichiers");
    QTest::addColumn<QString>("edit1");
    QTest::addColumn<QString>("edit2");
    QTest::newRow("trois fichiers") << QStringList{u"/data/a.shp"_s, u"/data/b.shp"_s, u"/data/c.shp"_s} << u"a;b;c"_s
                                    << u"/data/"_s;
    QTest::newRow("un fichier") << QStringList{u"/data/a.shp"_s} << u"a"_s << u"/data/"_s;
    QTest::newRow("nom avec un autre point") << QStringList{u"/cartes/my.roads.shp"_s} << u"my.roads"_s << u"/cartes/"_s;
    QTest::newRow("annulé") << QStringList() << u"*"_s << QString();
}

void TestDemarrage::choixDeFichiers()
{
    QFETCH(QStringList, fichiers);
    QFETCH(QString, edit1);
    QFETCH(QString, edit2);
    Banc banc;
    banc.dialogues.fichiers = fichiers;
    TForm1 form(banc.services);
    form.ui()->ComboBox1->setCurrentIndex(3);
    form.ComboBox1Select(3);
    form.Button7Click();
    QCOMPARE(banc.dialogues.demandes, QStringList{u"Fichier(s) *.shp|*.shp"_s});
    QCOMPARE(form.ui()->Edit1->text(), edit1);
    QCOMPARE(form.ui()->Edit2->text(), edit2);
    QCOMPARE(form.choix().DossierSource, edit2);
}

void TestDemarrage::choixDeFichiersSansFormat()
{
    Banc banc;
    banc.dialogues.fichiers = QStringList{u"/data/a.shp"_s};
    TForm1 form(banc.services);
    form.Button7Click();
    QCOMPARE(banc.messages.vus, QStringList{u"Veuillez d'abord choisir un format d'origine"_s});
    QVERIFY(banc.dialogues.demandes.isEmpty());
    QCOMPARE(form.ui()->Edit1->text(), u"*"_s);
}

void TestDemarrage::choixDeDossier()
{
    Banc banc;
    TForm1 form(banc.services);
    banc.dialogues.dossier = u"/données/source"_s;
    form.Button1Click();
    QCOMPARE(form.ui()->Edit2->text(), u"/données/source/"_s);
    QCOMPARE(form.choix().DossierSource, u"/données/source/"_s);
    banc.dialogues.dossier = u"/sortie/"_s;
    form.Button2Click();
    QCOMPARE(form.choix().DossierCible, u"/sortie/"_s);
    banc.dialogues.dossier.clear();
    form.Button2Click();
    QCOMPARE(form.choix().DossierCible, u"/sortie/"_s);
    QCOMPARE(banc.dialogues.demandes, (QStringList{u"Choix du dossier"_s, u"Choix du dossier"_s, u"Choix du dossier"_s}));
    // Un dossier tapé est gardé tel quel.
    form.ui()->Edit3->setText(u"/tapé"_s);
    QCOMPARE(form.choix().DossierCible, u"/tapé"_s);
}

void TestDemarrage::barreDEtatSuitLAide()
{
    Banc banc;
    TForm1 form(banc.services);
    form.Panneau(0)->setText(u"La traduction est complétée"_s);
    QEvent entree(QEvent::Enter);
    QCoreApplication::sendEvent(form.ui()->Edit1, &entree);
    QCOMPARE(form.Panneau(0)->text(), u"Séparateur (;), accepte les caractères génériques ? et *"_s);
    QCoreApplication::sendEvent(form.ui()->Button8, &entree);
    QCOMPARE(form.Panneau(0)->text(), QString());
    // Seules trois cases portent une bulle d'aide.
    QStringList bulles;
    for (QWidget *w : form.findChildren<QWidget *>())
        if (!w->toolTip().isEmpty())
            bulles << w->objectName();
    bulles.sort();
    QCOMPARE(bulles, (QStringList{u"Button4"_s, u"CheckBox1"_s, u"CheckBox2"_s}));
}

void TestDemarrage::aideEtAPropos()
{
    Banc banc;
    TForm1 form(banc.services);
    QCOMPARE(form.size(), QSize(392, 403));
    form.Button9Click();
    QCOMPARE(banc.aide.ouverts, QStringList{QCoreApplication::applicationDirPath() + u"/Aide.html"_s});

    TAboutBox boite(u"1.5.0.0"_s);
    QCOMPARE(boite.windowTitle(), u"À propos"_s);
    QCOMPARE(boite.NumVersion->text(), u"Version : 1.5.0.0"_s);
    QCOMPARE(boite.ProductName->text(), u"Quorvale.exe"_s);
    QVERIFY(boite.Comments->text().startsWith(u"Traduit les formats dxf, e00, mif, shp et tab vers tous les formats."_s));
    QVERIFY(boite.Label1->isHidden());
    // 298 × 231 au moins ; plus haute quand la police ne laisse pas tenir le commentaire entier.
    QCOMPARE(boite.width(), 298);
    QVERIFY(boite.height() >= 231);
    QVERIFY(boite.Comments->heightForWidth(boite.Comments->width()) <= boite.Comments->height());
    QVERIFY(boite.OKButton->geometry().bottom() < boite.height());
    TAboutBox inconnue(u"(Inconnue)"_s);
    QCOMPARE(inconnue.NumVersion->text(), u"Version : (Inconnue)"_s);
}

QTEST_MAIN(TestDemarrage)
#include "tst_demarrage.moc"
