#include "TForm2.h"
#include "TForm3.h"
#include "essais.h"
#include "fakes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

using Valeurs = QMap<QString, bool>;

namespace {

// Trois catégories ; la troisième a des lignes vides et sept projections ou plus.
const QByteArray CatalogueDialogue =
    "\"--- Longitude / Latitude ---\"\r\n"
    "\"Longitude / Latitude\", 1, 0\r\n"
    "\r\n"
    "\"--- Non terrestre ---\"\r\n"
    "\"Non-Terrestre (m\xE8tres)\", 0, 7\r\n"
    "\r\n"
    "\"--- Projections MTM ---\"\r\n"
    "\"MTM 2\", 8,74,7,-55.5,0,0.9999,304800,0\r\n"
    "\r\n"
    "\"MTM 3\", 8,74,7,-58.5,0,0.9999,304800,0\r\n"
    "\"MTM 4\", 8,74,7,-61.5,0,0.9999,304800,0\r\n"
    "\r\n"
    "\r\n"
    "\"MTM 5\", 8,74,7,-64.5,0,0.9999,304800,0\r\n"
    "\"MTM 6\", 8,74,7,-67.5,0,0.9999,304800,0\r\n"
    "\"MTM 7\", 8,74,7,-70.5,0,0.9999,304800,0\r\n"
    "\"Qu\xE9" "bec MTM 8\", 8,74,7,-73.5,0,0.9999,304800,0\r\n"
    "\"MTM 9\", 8,74,7,-76.5,0,0.9999,304800,0\r\n";

struct Banc {
    QTemporaryDir dossier;
    FauxReglages reglages;
    FauxMessages messages;
    FauxDialogues dialogues;

    QString MapInfo() const { return dossier.filePath(u"MapInfo/"_s); }
    QString Executable() const { return dossier.filePath(u"bin"_s); }
    std::unique_ptr<TForm2> Form2(const QByteArray &catalogue = CatalogueDialogue)
    {
        if (!catalogue.isNull())
            EcritOctets(MapInfo() + u"mapinfow.prj"_s, catalogue);
        auto form = std::make_unique<TForm2>(reglages, messages, MapInfo(), Executable());
        form->FormCreate();
        return form;
    }
};

} // namespace

class TestDialogues : public QObject {
    Q_OBJECT

private slots:
    void associationsNonEnregistreesALaFermeture_data();
    void associationsNonEnregistreesALaFermeture();
    void premierDemarrage();
    void reglagesLus_data();
    void reglagesLus();
    void magasinFerme();
    void reglagesEcritsALaFin();
    void visibiliteSuitLesCases();
    void preselection();
    void preselectionCatalogueCourt();
    void catalogueAbsent();
    void choixDeCategorie();
    void fermetureSansOk();
    void projectionFichierLitLesControles();
    void associationsChargeesEtAjoutees();
    void associationsEffaceesEtEnregistrees();
    void listeDeMotsOuverte();
    void boutonAssociations();
    void catalogueLivre();
    void chargementSansFenetre();
};

void TestDialogues::premierDemarrage()
{
    Banc banc;
    auto form = banc.Form2();
    QCOMPARE(banc.reglages.valeurs, (QMap<QString, bool>{{u"AssoMots"_s, true}, {u"Feuillets"_s, true},
                                                         {u"Projection"_s, true}, {u"Datum"_s, true}}));
    QVERIFY(form->CheckBox1->isChecked());
    QVERIFY(form->CheckBox2->isChecked());
    QVERIFY(form->RadioButton1->isChecked());
    QVERIFY(form->RadioButton3->isChecked());
    QVERIFY(!form->GroupBox1->isHidden());
    QVERIFY(form->Button3->isEnabled());
    QCOMPARE(form->windowTitle(), u"Choix d'une projection"_s);
    QCOMPARE(form->CheckBox2->text(), u"Déterminer la zone automatiquement sur le numéro de feuillet"_s);
    QCOMPARE(form->Button3->toolTip(), u"Créer ou modifier les association de mots avec les projections"_s);
}

void TestDialogues::reglagesLus_data()
{
    QTest::addColumn<Valeurs>("stockes");
    QTest::addColumn<bool>("associations");
    QTest::addColumn<bool>("feuillets");
    QTest::addColumn<bool>("mtm");
    QTest::addColumn<bool>("nad83");
    const QMap<QString, bool> faux{
        {u"AssoMots"_s, false}, {u"Feuillets"_s, false}, {u"Projection"_s, false}, {u"Datum"_s, false}};
    QTest::newRow("tout faux") << faux << false << false << false << false;
    QTest::newRow("UTM NAD 27 seulement") << QMap<QString, bool>{{u"Projection"_s, false}, {u"Datum"_s, false}}
                                          << true << true << false << false;
    QTest::newRow("associations éteintes") << QMap<QString, bool>{{u"AssoMots"_s, false}} << false << true << true
                                           << true;
}

void TestDialogues::reglagesLus()
{
    QFETCH(Valeurs, stockes);
    QFETCH(bool, associations);
    QFETCH(bool, feuillets);
    QFETCH(bool, mtm);
    QFETCH(bool, nad83);
    Banc banc;
    banc.reglages.valeurs = stockes;
    auto form = banc.Form2();
    QCOMPARE(form->CheckBox1->isChecked(), associations);
    QCOMPARE(form->Button3->isEnabled(), associations);
    QCOMPARE(form->CheckBox2->isChecked(), feuillets);
    QCOMPARE(form->GroupBox1->isHidden(), !feuillets);
    QCOMPARE(form->GroupBox2->isHidden(), !feuillets);
    QCOMPARE(form->RadioButton1->isChecked(), mtm);
    QCOMPARE(form->RadioButton2->isChecked(), !mtm);
    QCOMPARE(form->RadioButton3->isChecked(), nad83);
    QCOMPARE(form->RadioButton4->isChecked(), !nad83);
    // Les valeurs absentes ont été écrites à vrai, les autres laissées.
    QCOMPARE(banc.reglages.valeurs.size(), 4);
    QCOMPARE(banc.reglages.valeurs.value(u"AssoMots"_s), associations);
}

void TestDialogues::magasinFerme()
{
    Banc banc;
    banc.reglages.ouvrable = false;
    {
        auto form = banc.Form2();
        QVERIFY(form->CheckBox1->isChecked());
        QVERIFY(form->RadioButton1->isChecked());
        form->CheckBox2->setChecked(false);
    }
    QCOMPARE(banc.reglages.valeurs, (QMap<QString, bool>()));
}

void TestDialogues::reglagesEcritsALaFin()
{
    Banc banc;
    {
        auto form = banc.Form2();
        form->CheckBox1->setChecked(false);
        form->RadioButton2->setChecked(true);
        form->RadioButton4->setChecked(true);
        // Rien n'est écrit avant la fin.
        QCOMPARE(banc.reglages.valeurs.value(u"Datum"_s), true);
    }
    QCOMPARE(banc.reglages.valeurs, (QMap<QString, bool>{{u"AssoMots"_s, false}, {u"Feuillets"_s, true},
                                                         {u"Projection"_s, false}, {u"Datum"_s, false}}));
}

void TestDialogues::visibiliteSuitLesCases()
{
    Banc banc;
    auto form = banc.Form2();
    form->CheckBox2->click();
    QVERIFY(form->GroupBox1->isHidden());
    QVERIFY(form->GroupBox2->isHidden());
    form->CheckBox2->click();
    QVERIFY(!form->GroupBox1->isHidden());
    QVERIFY(!form->GroupBox2->isHidden());
    form->CheckBox1->click();
    QVERIFY(!form->Button3->isEnabled());
    form->CheckBox1->click();
    QVERIFY(form->Button3->isEnabled());
}

void TestDialogues::preselection()
{
    Banc banc;
    auto form = banc.Form2();
    QCOMPARE(form->ComboBox1->count(), 3);
    QCOMPARE(form->ComboBox1->currentText(), u"Projections MTM"_s);
    QCOMPARE(form->ListBox1->count(), 8);
    QCOMPARE(form->ListBox1->currentRow(), 6);
    QCOMPARE(form->ProjectionCourante, u"Québec MTM 8"_s);
    QCOMPARE(form->ParametresCourants, u"8,74,7,-73.5,0,0.9999,304800,0"_s);
    // « Projection courante » : celle qu'emploiera le traitement, tant que « OK » n'est pas pressé.
    QCOMPARE(form->Label5->text(), u"Non-Terrestre (mètres)"_s);
    QVERIFY(form->Button4->isEnabled());
    QCOMPARE(form->ProjectionChoisie, u"CoordSys NonEarth Projection 0, 7"_s);
    QVERIFY(banc.messages.vus.isEmpty());
}

void TestDialogues::preselectionCatalogueCourt()
{
    Banc banc;
    auto form = banc.Form2("\"--- A ---\"\r\n\"Un\", 1, 0\r\n\"Deux\", 1, 2\r\n\r\n\"--- B ---\"\r\n\"Trois\", 0, 7\r\n");
    QCOMPARE(form->ComboBox1->currentIndex(), 0);
    QCOMPARE(form->ListBox1->currentRow(), 0);
    QCOMPARE(form->ProjectionCourante, u"Un"_s);
    QCOMPARE(form->ParametresCourants, u"1, 0"_s);
    QVERIFY(form->Button4->isEnabled());
}

void TestDialogues::catalogueAbsent()
{
    Banc banc;
    auto form = banc.Form2(QByteArray());
    QCOMPARE(banc.messages.vus, QStringList{u"Impossible d'ouvrir le fichier \""_s + banc.Executable()
                                            + u"/mapinfow.prj\". No such file or directory"_s});
    QCOMPARE(form->ComboBox1->count(), 0);
    QCOMPARE(form->ListBox1->count(), 0);
    QVERIFY(!form->Button4->isEnabled());
    QCOMPARE(form->ProjectionChoisie, u"CoordSys NonEarth Projection 0, 7"_s);
    QCOMPARE(form->CatalogueProjections().ParametresCatalogue, QStringList());
    QCOMPARE(form->ProjectionFichier(u"/data/routes.dxf"_s), u"CoordSys NonEarth Projection 0, 7"_s);
}

void TestDialogues::choixDeCategorie()
{
    Banc banc;
    auto form = banc.Form2();
    form->ComboBox1->setCurrentIndex(1);
    form->ComboBox1Select(1);
    QVERIFY(!form->Button4->isEnabled());
    QCOMPARE(form->ListBox1->count(), 1);
    form->ComboBox1->setCurrentIndex(2);
    form->ComboBox1Select(2);
    QVERIFY(!form->Button4->isEnabled());
    // Les lignes vides ne décalent pas : la quatrième entrée est la ligne qu'elle montre.
    form->ListBox1->setCurrentRow(3);
    QVERIFY(form->Button4->isEnabled());
    QCOMPARE(form->ListBox1->currentItem()->text(), u"MTM 5"_s);
    QCOMPARE(form->ProjectionCourante, u"MTM 5"_s);
    QCOMPARE(form->ParametresCourants, u"8,74,7,-64.5,0,0.9999,304800,0"_s);
    form->Button4->click();
    QCOMPARE(form->ProjectionChoisie, u"CoordSys Earth Projection 8,74,7,-64.5,0,0.9999,304800,0"_s);
    QCOMPARE(form->Label5->text(), u"MTM 5"_s);
    // Retenue d'un départ à l'autre.
    {
        auto suivant = banc.Form2();
        QCOMPARE(suivant->ProjectionChoisie, u"CoordSys Earth Projection 8,74,7,-64.5,0,0.9999,304800,0"_s);
        QCOMPARE(suivant->Label5->text(), u"MTM 5"_s);
    }
    form->ComboBox1Select(1);
    form->ListBox1->setCurrentRow(0);
    form->Button4Click();
    QCOMPARE(form->ProjectionChoisie, u"CoordSys NonEarth Projection 0, 7"_s);
}

void TestDialogues::fermetureSansOk()
{
    Banc banc;
    auto form = banc.Form2();
    form->ListBox1->setCurrentRow(7);
    form->reject();
    QCOMPARE(form->Label5->text(), u"Non-Terrestre (mètres)"_s);
    QCOMPARE(form->ProjectionChoisie, u"CoordSys NonEarth Projection 0, 7"_s);
    QCOMPARE(form->ProjectionFichier(u"/data/routes.dxf"_s), u"CoordSys NonEarth Projection 0, 7"_s);
}

void TestDialogues::projectionFichierLitLesControles()
{
    Banc banc;
    EcritOctets(FichierAssoMots(banc.Executable()),
                "montreal;MTM 8;8, 74, 7, -73.5;\r\nlaval;UTM 18;8, 74, 7, -75;\r\n");
    auto form2 = banc.Form2();
    TForm3 form3(banc.messages, banc.dialogues, banc.Executable());
    form3.FormCreate();
    form2->setForm3(&form3);
    const QString chemin = u"/montreal/laval/31h05ne.dxf"_s;
    QCOMPARE(form2->ProjectionFichier(chemin), u"CoordSys Earth Projection 8,74,7,-73.5,0,0.9999,304800,0"_s);
    form2->RadioButton4->setChecked(true);
    QCOMPARE(form2->ProjectionFichier(chemin), u"CoordSys Earth Projection 8,66,7,-73.5,0,0.9999,304800,0"_s);
    form2->RadioButton2->setChecked(true);
    QCOMPARE(form2->ProjectionFichier(chemin), u"CoordSys Earth Projection 8,66,7,-75,0,0.9996,500000,0"_s);
    form2->CheckBox2->setChecked(false);
    QCOMPARE(form2->ProjectionFichier(chemin), u"CoordSys Earth Projection 8, 74, 7, -73.5"_s);
    // Trier par mot met laval en haut : il gagne.
    form3.ListView1->header()->sectionClicked(0);
    QCOMPARE(form3.ColonneTri, 0);
    QCOMPARE(form2->ProjectionFichier(chemin), u"CoordSys Earth Projection 8, 74, 7, -75"_s);
    form2->CheckBox1->setChecked(false);
    QCOMPARE(form2->ProjectionFichier(chemin), u"CoordSys NonEarth Projection 0, 7"_s);
}

void TestDialogues::associationsChargeesEtAjoutees()
{
    Banc banc;
    const QString fichier = FichierAssoMots(banc.Executable());
    EcritOctets(fichier, "Qu\xE9" "bec;MTM 7;8, 74, 7, -70.5;\r\n");
    TForm3 form3(banc.messages, banc.dialogues, banc.Executable());
    form3.FormCreate();
    QCOMPARE(form3.windowTitle(), u"Associations de mots à une projection"_s);
    QCOMPARE(form3.ListView1->headerItem()->text(2), u"Paramètres"_s);
    QCOMPARE(form3.Associations(), (QList<Association>{{u"Québec"_s, u"MTM 7"_s, u"8, 74, 7, -70.5"_s}}));
    QTimer::singleShot(0, &form3, &QDialog::reject);
    form3.Affiche(u"MTM 8"_s, u"8,74,7,-73.5,0,0.9999,304800,0"_s);
    QCOMPARE(form3.LabelProjection->text(), u"Projection courante : MTM 8"_s);
    form3.Memo1->setPlainText(u"laval\nQUÉBEC\nquébec\nLaval\n"_s);
    form3.ButtonAjouter->click();
    QCOMPARE(form3.Associations(), (QList<Association>{{u"Québec"_s, u"MTM 7"_s, u"8, 74, 7, -70.5"_s},
                                                       {u"laval"_s, u"MTM 8"_s, u"8,74,7,-73.5,0,0.9999,304800,0"_s},
                                                       {u"QUÉBEC"_s, u"MTM 8"_s, u"8,74,7,-73.5,0,0.9999,304800,0"_s}}));
    QCOMPARE(form3.Memo1->toPlainText(), u"laval\nQUÉBEC\nquébec\nLaval\n"_s);
    // Rien n'est enregistré sans « Enregistrer ».
    QCOMPARE(LitOctets(fichier), QByteArray("Qu\xE9" "bec;MTM 7;8, 74, 7, -70.5;\r\n"));
}

void TestDialogues::associationsNonEnregistreesALaFermeture_data()
{
    QTest::addColumn<int>("reponse");
    QTest::addColumn<bool>("ferme");
    QTest::addColumn<QByteArray>("fichier");
    const QByteArray avant = "laval;MTM 8;8, 74, 7, -73.5;\r\n";
    QTest::newRow("oui : enregistrées, fermé") << int(Messages::Reponse::Oui) << true
                                                << QByteArray("laval;MTM 8;8, 74, 7, -73.5;\r\nsherbrooke;MTM 7;8,74,7,-70.5;\r\n");
    QTest::newRow("non : fermé sans enregistrer") << int(Messages::Reponse::Non) << true << avant;
    QTest::newRow("annuler : reste ouvert") << int(Messages::Reponse::Annuler) << false << avant;
}

void TestDialogues::associationsNonEnregistreesALaFermeture()
{
    QFETCH(int, reponse);
    QFETCH(bool, ferme);
    QFETCH(QByteArray, fichier);
    Banc banc;
    const QString chemin = FichierAssoMots(banc.Executable());
    EcritOctets(chemin, "laval;MTM 8;8, 74, 7, -73.5;\r\n");
    TForm3 form3(banc.messages, banc.dialogues, banc.Executable());
    form3.FormCreate();
    // Sans changement, quitter ne demande rien.
    QTimer::singleShot(0, &form3, &QDialog::reject);
    form3.Affiche(u"MTM 7"_s, u"8,74,7,-70.5"_s);
    QVERIFY(banc.messages.vus.isEmpty());
    form3.Memo1->setPlainText(u"sherbrooke"_s);
    form3.ButtonAjouter->click();
    banc.messages.reponse = Messages::Reponse(reponse);
    form3.show();
    form3.ButtonFermer->click();
    QCOMPARE(banc.messages.vus, QStringList{u"Les associations de mots ont été modifiées.\r\n"
                                            u"Voulez-vous les enregistrer dans « %1 » ?"_s.arg(chemin)});
    QCOMPARE(form3.isVisible(), !ferme);
    QCOMPARE(LitOctets(chemin), fichier);
}

void TestDialogues::associationsEffaceesEtEnregistrees()
{
    Banc banc;
    const QString fichier = FichierAssoMots(banc.Executable());
    TForm3 form3(banc.messages, banc.dialogues, banc.Executable());
    // Un dossier absent : le fichier ne se crée pas, un seul message.
    form3.FormCreate();
    QCOMPARE(banc.messages.vus.size(), 1);
    QVERIFY2(banc.messages.vus[0].startsWith(u"Impossible de créer le fichier \""_s + fichier + u"\". "_s),
             qPrintable(banc.messages.vus[0]));
    banc.messages.vus.clear();
    QVERIFY(QDir().mkpath(banc.Executable()));
    form3.FormCreate();
    QVERIFY(QFileInfo(fichier).isFile());
    form3.Memo1->setPlainText(u"a\nb\nc\nd"_s);
    form3.ButtonAjouter->click();
    form3.ListView1->topLevelItem(1)->setSelected(true);
    form3.ListView1->topLevelItem(3)->setSelected(true);
    form3.ButtonEffacer->click();
    form3.ButtonEnregistrer->click();
    QCOMPARE(LitOctets(fichier), QByteArray("a;;;\r\nc;;;\r\n"));
    QVERIFY(banc.messages.vus.isEmpty());
}

void TestDialogues::listeDeMotsOuverte()
{
    Banc banc;
    TForm3 form3(banc.messages, banc.dialogues, banc.Executable());
    form3.FormCreate();
    banc.dialogues.fichier = banc.dossier.filePath(u"mots.txt"_s);
    EcritOctets(banc.dialogues.fichier, "Trois-Rivi\xE8res\r\nSherbrooke\r\n");
    form3.Memo1->setPlainText(u"ancien"_s);
    form3.ButtonOuvrir->click();
    QCOMPARE(banc.dialogues.demandes, QStringList{u"Ouvrir une liste de mots|Fichiers texte|*.txt|txt"_s});
    QCOMPARE(form3.Memo1->toPlainText(), u"Trois-Rivières\nSherbrooke"_s);
    // Annulé : rien ne change.
    banc.dialogues.fichier.clear();
    form3.ButtonOuvrir->click();
    QCOMPARE(form3.Memo1->toPlainText(), u"Trois-Rivières\nSherbrooke"_s);
}

void TestDialogues::boutonAssociations()
{
    Banc banc;
    auto form2 = banc.Form2();
    TForm3 form3(banc.messages, banc.dialogues, banc.Executable());
    form3.FormCreate();
    form2->setForm3(&form3);
    bool montre = false;
    QTimer::singleShot(0, &form3, [&] {
        montre = form3.isVisible();
        form3.reject();
    });
    form2->Button3->click();
    QVERIFY(montre);
    QCOMPARE(form3.LabelProjection->text(), u"Projection courante : Québec MTM 8"_s);
}

void TestDialogues::catalogueLivre()
{
    const QString fichier = QStringLiteral(QUORVALE_CATALOGUE_LIVRE);
    if (!QFileInfo::exists(fichier))
        QSKIP("catalogue livré absent");
    Banc banc;
    auto form = banc.Form2(LitOctets(fichier));
    QVERIFY(banc.messages.vus.isEmpty());
    QCOMPARE(form->ProjectionCourante, u"Québec MTM zone 8 (NAD 83)"_s);
    QCOMPARE(form->ParametresCourants, u"8,74,7,-73.5,0,0.9999,304800,0"_s);
}

void TestDialogues::chargementSansFenetre()
{
    Banc banc;
    banc.reglages.valeurs = {{u"Projection"_s, false}};
    EcritOctets(banc.MapInfo() + u"mapinfow.prj"_s, CatalogueDialogue);
    EcritOctets(FichierAssoMots(banc.Executable()), "laval;UTM 18;8, 74, 7, -75;\r\n");
    QStringList erreurs;
    ProjectionsFixes projections = ChargeProjections(banc.reglages, banc.MapInfo(), banc.Executable(), &erreurs);
    QCOMPARE(erreurs, QStringList());
    QCOMPARE(banc.reglages.valeurs, (Valeurs{{u"AssoMots"_s, true}, {u"Feuillets"_s, true},
                                             {u"Projection"_s, false}, {u"Datum"_s, true}}));
    QCOMPARE(projections.CatalogueProjections().Categories.size(), 3);
    QCOMPARE(projections.ProjectionFichier(u"/21e/31h05ne.dxf"_s), u"CoordSys Earth Projection 8,74,7,-69,0,0.9996,500000,0"_s);
    QCOMPARE(projections.ProjectionFichier(u"/laval/routes.dxf"_s), u"CoordSys Earth Projection 8, 74, 7, -75"_s);
    QCOMPARE(projections.ProjectionFichier(u"/data/routes.dxf"_s), u"CoordSys NonEarth Projection 0, 7"_s);

    Banc vide;
    const ProjectionsFixes sans = ChargeProjections(vide.reglages, vide.MapInfo(), vide.Executable(), &erreurs);
    QCOMPARE(erreurs.size(), 2);
    QCOMPARE(erreurs[0], u"Impossible d'ouvrir le fichier \""_s + vide.Executable()
                             + u"/mapinfow.prj\". No such file or directory"_s);
    QCOMPARE(sans.CatalogueProjections().ParametresCatalogue, QStringList());
}

QObject *EssaisDialogues()
{
    return new TestDialogues;
}

#include "tst_dialogues.moc"
