#include "TFAttente.h"
#include "TForm1.h"
#include "TRapport.h"
#include "fakes.h"
#include "traitement.h"
#include "ui_TForm1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLockFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

namespace {

using essai::Ecrit;
using essai::Lit;

// Le traducteur universel joué : generate note l'écrivain, la traduction écrit base.ext dans
// DestDataset (ou le .dxf nommé), sauf pour les bases qui doivent échouer.
struct FauxTraducteur {
    QString ecrivain;
    QStringList echecs; // bases qui ne donnent rien
    QStringList traduits;
    ResultatProcessus operator()(const QString &chemin, const QString &contenu)
    {
        if (chemin.endsWith(u"LanceParam.bat"_s)) {
            const QStringList mots = contenu.section(u" generate "_s, 1).split(u' ', Qt::SkipEmptyParts);
            ecrivain = mots.value(1).toLower();
            return {};
        }
        QString dest, base;
        const QString macro = QString::fromUtf8(Lit(chemin.left(chemin.lastIndexOf(u'/') + 1) + u"Trad_Macro.txt"_s));
        for (const QString &ligne : macro.split(u"\r\n"_s)) {
            if (ligne.startsWith(u"MACRO DestDataset "_s))
                dest = ligne.mid(18);
            if (ligne.startsWith(u"MACRO _FULLBASENAME "_s))
                base = ligne.mid(20);
        }
        traduits << base;
        if (echecs.contains(base))
            return {1, false, u"La source « %1 » ne se lit pas."_s.arg(base)};
        if (dest.endsWith(u".dxf"_s)) {
            Ecrit(dest);
            return {};
        }
        static const QMap<QString, QStringList> extensions{
            {u"shape"_s, {u"shp"_s, u"shx"_s, u"dbf"_s}}, {u"mapinfo"_s, {u"tab"_s, u"dat"_s, u"map"_s}},
            {u"mif"_s, {u"mif"_s, u"mid"_s}}, {u"e00"_s, {u"e00"_s}}, {u"dwg"_s, {u"dxf"_s}}};
        if (!dest.endsWith(u'/'))
            dest += u'/';
        for (const QString &ext : extensions.value(ecrivain))
            Ecrit(dest + base + u'.' + ext);
        return {};
    }
};

const QStringList DixSeptControles{u"Button3"_s, u"Button8"_s, u"Button9"_s, u"Button5"_s, u"Button1"_s,
                                   u"Button2"_s, u"Button4"_s, u"Button7"_s, u"ComboBox1"_s, u"ComboBox2"_s,
                                   u"Edit1"_s, u"Edit2"_s, u"Edit3"_s, u"CheckBox1"_s, u"CheckBox2"_s,
                                   u"CheckBox3"_s, u"CheckBox4"_s};

struct Banc {
    EnvironnementIsole environnement;
    QTemporaryDir tmp;
    FauxRegistre registre;
    FauxReglages reglages;
    FausseAutomation automation;
    FauxProcessus processus;
    FauxMessages messages;
    FauxDialogues dialogues;
    FausseAide aide;
    FausseHorloge horloge;
    FauxTraducteur traducteur;
    Services services{registre, reglages, automation, processus, messages, dialogues, aide, horloge};
    TForm1 form{services};
    QString racine;

    Banc()
    {
        // Chaque lecture du compteur avance d'une seconde : les pauses finissent tout de suite.
        horloge.pas = 1000;
        racine = tmp.path();
        form.choix().DossierMapInfo = racine + u"/mapinfo/"_s;
        processus.action = [this](const QString &chemin, const QString &contenu) {
            return traducteur(chemin, contenu);
        };
        // MapInfo joué : Export et Import écrivent leur destination.
        automation.reponse = [this](const QString &instruction) -> QString {
            const QStringList parties = instruction.split(u'"');
            if (instruction.startsWith(u"Export "_s) && parties.size() >= 4)
                Ecrit(parties[3]);
            if (instruction.startsWith(u"Import "_s) && parties.size() >= 6)
                Ecrit(parties[5]);
            return erreurA.isEmpty() || !instruction.startsWith(erreurA) ? QString() : u"Erreur de MapInfo"_s;
        };
    }
    QString erreurA;

    void Choisit(int source, int cible, const QString &dossierSource, const QString &dossierCible)
    {
        Ui::TForm1 *ui = form.ui();
        if (source > 0) {
            ui->ComboBox1->setCurrentIndex(source - 1);
            form.ComboBox1Select(source - 1);
        }
        if (cible > 0) {
            ui->ComboBox2->setCurrentIndex(cible - 1);
            form.ComboBox2Select(cible - 1);
        }
        ui->Edit2->setText(dossierSource);
        ui->Edit3->setText(dossierCible);
    }
    QStringList ControlesActifs() const
    {
        QStringList actifs;
        for (const QString &nom : DixSeptControles)
            if (form.findChild<QWidget *>(nom)->isEnabled())
                actifs << nom;
        return actifs;
    }
    QStringList Instructions() const
    {
        QStringList l;
        for (const QString &i : automation.journal)
            if (i.startsWith(u"Open"_s) || i.startsWith(u"Export"_s) || i.startsWith(u"Import"_s))
                l << i;
        return l;
    }
    QString Panneau() const { return form.Panneau(0)->text(); }
    QString Temp() const { return environnement.temporaire() + u'/'; }
};

} // namespace

class TestTraduction : public QObject {
    Q_OBJECT

private slots:
    void filtreSource_data();
    void filtreSource();
    void cheminCible_data();
    void cheminCible();
    void regleEcrasement_data();
    void regleEcrasement();
    void supprimeCible_data();
    void supprimeCible();

    void refus_data();
    void refus();
    void controlesVerrouillesPendantLeTraitement();
    void mapInfoOuvertSelonLaPaire_data();
    void mapInfoOuvertSelonLaPaire();
    void mapInfoNeDemarrePas();
    void cheminsEnMiroir_data();
    void cheminsEnMiroir();
    void ordreDesFichiers();
    void destinationPresente_data();
    void destinationPresente();
    void annulationPendantLePremierDeTrois();
    void annulationPendantLaListe_data();
    void annulationPendantLaListe();
    void deuxTraitementsDeSuite();
    void dossierDeTravailPrive();
    void erreurEnCoursDeTraitement();
    void fichiersSansResultat();
    void sourceJamaisEcrasee_data();
    void sourceJamaisEcrasee();
};

void TestTraduction::filtreSource_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("étoile") << u"*.shp"_s << u"*.shp"_s;
    QTest::newRow("un nom") << u"roads.shp"_s << u"roads.shp"_s;
    QTest::newRow("deux motifs") << u"a;b*.shp"_s << u"a.shp;b*.shp"_s;
    QTest::newRow("extension tapée remplacée") << u"routes.dxf;x.shp"_s << u"routes.shp;x.shp"_s;
    QTest::newRow("point-virgule final retiré") << u"a;.shp"_s << u"a.shp"_s;
    QTest::newRow("partie vide du milieu gardée") << u"a;;b.shp"_s << u"a.shp;.shp;b.shp"_s;
    QTest::newRow("champ vide") << u".shp"_s << u".shp"_s;
    QTest::newRow("nom à deux points coupé") << u"my.roads.shp"_s << u"my.shp"_s;
    QTest::newRow("espaces gardés") << u" a ; b.mif"_s << u" a .mif; b.mif"_s;
}

void TestTraduction::filtreSource()
{
    QFETCH(QString, texte);
    QFETCH(QString, attendu);
    QCOMPARE(FiltreSource(texte), attendu);
}

void TestTraduction::cheminCible_data()
{
    QTest::addColumn<QString>("dossierSource");
    QTest::addColumn<QString>("dossierCible");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("barre finale à la source") << u"/c/data/"_s << u"/d/out"_s << u"/d/out/sub/roads.tab"_s;
    QTest::newRow("barre finale à la destination") << u"/c/data"_s << u"/d/out/"_s << u"/d/out/sub/roads.tab"_s;
    QTest::newRow("aucune barre finale") << u"/c/data"_s << u"/d/Out"_s << u"/d/Out/sub/roads.tab"_s;
    QTest::newRow("les deux") << u"/c/data/"_s << u"/d/out/"_s << u"/d/out/sub/roads.tab"_s;
}

void TestTraduction::cheminCible()
{
    QFETCH(QString, dossierSource);
    QFETCH(QString, dossierCible);
    QFETCH(QString, attendu);
    QCOMPARE(CheminCible(u"/c/data/sub/roads.shp"_s, dossierSource, dossierCible, u"tab"_s), attendu);
}

void TestTraduction::regleEcrasement_data()
{
    QTest::addColumn<bool>("remplacer");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("existe");
    QTest::addColumn<bool>("prj");
    QTest::addColumn<int>("attendu");
    QTest::newRow("remplacer") << true << 45 << true << true << int(Ecrasement::Remplace);
    QTest::newRow("absente") << false << 45 << false << false << int(Ecrasement::Poursuit);
    QTest::newRow("présente : sautée") << false << 45 << true << false << int(Ecrasement::Saute);
    QTest::newRow("shp vers shp sans .prj : reprise") << false << 44 << true << false << int(Ecrasement::Poursuit);
    QTest::newRow("shp vers shp avec .prj : sautée") << false << 44 << true << true << int(Ecrasement::Saute);
}

void TestTraduction::regleEcrasement()
{
    QFETCH(bool, remplacer);
    QFETCH(int, code);
    QFETCH(bool, existe);
    QFETCH(bool, prj);
    QFETCH(int, attendu);
    QCOMPARE(int(RegleEcrasement(remplacer, code, existe, prj)), attendu);
}

void TestTraduction::supprimeCible_data()
{
    QTest::addColumn<QString>("cible");
    QTest::addColumn<QStringList>("restants");
    const QStringList tous{u"r.dat"_s, u"r.dbf"_s, u"r.dxf"_s, u"r.e00"_s, u"r.id"_s, u"r.ind"_s, u"r.map"_s,
                           u"r.mid"_s, u"r.mif"_s, u"r.prj"_s, u"r.shp"_s, u"r.shx"_s, u"r.tab"_s};
    QTest::newRow("tab") << u"r.tab"_s
                         << QStringList{u"r.dbf"_s, u"r.dxf"_s, u"r.e00"_s, u"r.mid"_s, u"r.mif"_s, u"r.prj"_s,
                                        u"r.shp"_s, u"r.shx"_s};
    QTest::newRow("shp en majuscules") << u"R.SHP"_s
                                       << QStringList{u"r.dat"_s, u"r.dxf"_s, u"r.e00"_s, u"r.id"_s, u"r.ind"_s,
                                                      u"r.map"_s, u"r.mid"_s, u"r.mif"_s, u"r.tab"_s};
    QTest::newRow("mif") << u"r.mif"_s
                         << QStringList{u"r.dat"_s, u"r.dbf"_s, u"r.dxf"_s, u"r.e00"_s, u"r.id"_s, u"r.ind"_s,
                                        u"r.map"_s, u"r.prj"_s, u"r.shp"_s, u"r.shx"_s, u"r.tab"_s};
    QTest::newRow("dxf : rien") << u"r.dxf"_s << tous;
    QTest::newRow("e00 : rien") << u"r.e00"_s << tous;
}

void TestTraduction::supprimeCible()
{
    QFETCH(QString, cible);
    QFETCH(QStringList, restants);
    QTemporaryDir tmp;
    for (const QString &ext : {u"tab"_s, u"map"_s, u"dat"_s, u"id"_s, u"ind"_s, u"mif"_s, u"mid"_s, u"shp"_s,
                               u"shx"_s, u"dbf"_s, u"prj"_s, u"dxf"_s, u"e00"_s})
        Ecrit(tmp.path() + u"/r."_s + ext);
    SupprimeCible(tmp.path() + u'/' + cible);
    QCOMPARE(QDir(tmp.path()).entryList(QDir::Files, QDir::Name), restants);
}

void TestTraduction::refus_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("cible");
    QTest::addColumn<QString>("dossierSource");
    QTest::addColumn<QString>("dossierCible");
    QTest::addColumn<QString>("message");
    QTest::newRow("aucun format") << 0 << 0 << u"src"_s << u"dst"_s
                                  << u"Veuillez faire la sélection du format d'origine."_s;
    QTest::newRow("destination seule choisie") << 0 << 5 << u"src"_s << u"dst"_s
                                               << u"Veuillez faire la sélection du format d'origine."_s;
    QTest::newRow("pas de destination") << 3 << 0 << u"src"_s << u"dst"_s
                                        << u"Veuillez faire la sélection du format de destination."_s;
    QTest::newRow("mif vers mif") << 3 << 3 << u"src"_s << u"dst"_s
                                  << u"Vous devez choisir un format de destination différent."_s;
    QTest::newRow("dossier source vide") << 3 << 5 << QString() << u"dst"_s << u"Le dossier source n'est pas valide."_s;
    QTest::newRow("dossier source absent") << 4 << 4 << u"absent"_s << u"dst"_s
                                           << u"Le dossier source n'est pas valide."_s;
    QTest::newRow("dossier source est un fichier") << 3 << 5 << u"src/a.mif"_s << u"dst"_s
                                                   << u"Le dossier source n'est pas valide."_s;
    QTest::newRow("deux dossiers manquants : la source d'abord") << 3 << 5 << u"absent"_s << QString()
                                                                  << u"Le dossier source n'est pas valide."_s;
    QTest::newRow("destination et son parent absents") << 3 << 5 << u"src"_s << u"dst/absent/nouveau"_s
                                                       << u"Le dossier de destination n'est pas valide."_s;
}

void TestTraduction::refus()
{
    QFETCH(int, source);
    QFETCH(int, cible);
    QFETCH(QString, dossierSource);
    QFETCH(QString, dossierCible);
    QFETCH(QString, message);
    Banc banc;
    Ecrit(banc.racine + u"/src/a.mif"_s);
    QDir().mkpath(banc.racine + u"/dst"_s);
    Ecrit(banc.Temp() + u"Trad_Macro.txt"_s, "ancien");
    auto chemin = [&](const QString &d) { return d.isEmpty() ? d : banc.racine + u'/' + d; };
    banc.Choisit(source, cible, chemin(dossierSource), chemin(dossierCible));
    banc.form.Button3Click();
    QCOMPARE(banc.messages.vus, QStringList{message});
    // Un refus ne change rien : ni fichiers de travail, ni contrôles, ni MapInfo, ni barre d'état.
    QCOMPARE(Lit(banc.Temp() + u"Trad_Macro.txt"_s), QByteArray("ancien"));
    QCOMPARE(banc.ControlesActifs(), DixSeptControles);
    QVERIFY(banc.automation.journal.isEmpty());
    QCOMPARE(banc.Panneau(), QString());
    QVERIFY(!QDir(banc.racine + u"/dst/absent"_s).exists());
}

void TestTraduction::controlesVerrouillesPendantLeTraitement()
{
    Banc banc;
    Ecrit(banc.racine + u"/src/a.tab"_s);
    QDir().mkpath(banc.racine + u"/dst"_s);
    banc.Choisit(5, 3, banc.racine + u"/src"_s, banc.racine + u"/dst"_s);
    QStringList actifsPendant{u"<jamais vu>"_s};
    QString panneauPendant;
    auto reponse = banc.automation.reponse;
    banc.automation.reponse = [&](const QString &i) {
        if (i.startsWith(u"Export"_s)) {
            actifsPendant = banc.ControlesActifs();
            panneauPendant = banc.Panneau();
        }
        return reponse(i);
    };
    banc.form.Button3Click();
    QCOMPARE(actifsPendant, QStringList());
    QCOMPARE(panneauPendant, u"Traduction en cours..."_s);
    QCOMPARE(banc.ControlesActifs(), DixSeptControles);
    QCOMPARE(banc.Panneau(), u"La traduction est complétée"_s);
    QCOMPARE(banc.messages.vus, QStringList());
    QVERIFY(!banc.form.FenetreAttente().Ouverte());
}

void TestTraduction::mapInfoOuvertSelonLaPaire_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("cible");
    QTest::addColumn<bool>("regrouper");
    QTest::addColumn<bool>("ouvert");
    QTest::newRow("53 tab vers mif") << 5 << 3 << false << true;
    QTest::newRow("35 mif vers tab") << 3 << 5 << false << true;
    QTest::newRow("15 dxf vers tab") << 1 << 5 << false << true;
    QTest::newRow("12 sans regroupement") << 1 << 2 << false << false;
    QTest::newRow("12 avec regroupement") << 1 << 2 << true << true;
    QTest::newRow("14 avec regroupement") << 1 << 4 << true << true;
    QTest::newRow("13 avec regroupement") << 1 << 3 << true << false;
    QTest::newRow("54 tab vers shp") << 5 << 4 << false << false;
    QTest::newRow("44 shp vers shp") << 4 << 4 << false << false;
}

void TestTraduction::mapInfoOuvertSelonLaPaire()
{
    QFETCH(int, source);
    QFETCH(int, cible);
    QFETCH(bool, regrouper);
    QFETCH(bool, ouvert);
    Banc banc;
    QDir().mkpath(banc.racine + u"/src"_s);
    QDir().mkpath(banc.racine + u"/dst"_s);
    banc.Choisit(source, cible, banc.racine + u"/src"_s, banc.racine + u"/dst"_s);
    banc.form.ui()->CheckBox3->setChecked(regrouper);
    banc.form.Button3Click();
    QCOMPARE(banc.messages.vus, QStringList{u"Il n'y a aucun fichier à traduire dans le dossier spécifié."_s});
    const QStringList attendu = ouvert ? QStringList{u"<créé Mapinfo.Application>"_s, u"visible=faux"_s,
                                                     u"set progressbars off"_s, u"set progressbars on"_s,
                                                     u"<libéré>"_s}
                                       : QStringList();
    QCOMPARE(banc.automation.journal, attendu);
}

void TestTraduction::mapInfoNeDemarrePas()
{
    Banc banc;
    Ecrit(banc.racine + u"/src/a.mif"_s);
    QDir().mkpath(banc.racine + u"/dst"_s);
    banc.automation.echoue = true;
    banc.Choisit(3, 5, banc.racine + u"/src"_s, banc.racine + u"/dst"_s);
    banc.form.Button3Click();
    QCOMPARE(banc.messages.vus,
             QStringList{u"Le logiciel mapinfo doit obligatoirement être installé sur \r\ncet ordinateur pour traduire ce format."_s});
    QCOMPARE(banc.ControlesActifs(), DixSeptControles);
    QVERIFY(!banc.form.FenetreAttente().Ouverte());
    QVERIFY(!QFile::exists(banc.racine + u"/dst/a.tab"_s));
}

void TestTraduction::cheminsEnMiroir_data()
{
    QTest::addColumn<QString>("dossierSource");
    QTest::addColumn<QString>("dossierCible");
    QTest::newRow("barre finale à la source") << u"/Data/"_s << u"/Out"_s;
    QTest::newRow("barre finale à la destination") << u"/Data"_s << u"/Out/"_s;
}

void TestTraduction::cheminsEnMiroir()
{
    QFETCH(QString, dossierSource);
    QFETCH(QString, dossierCible);
    Banc banc;
    Ecrit(banc.racine + u"/Data/Sub/Roads.TAB"_s);
    Ecrit(banc.racine + u"/Data/Sub/Deep/Lacs.tab"_s);
    Ecrit(banc.racine + u"/Data/notes.txt"_s);
    QDir().mkpath(banc.racine + u"/Out"_s);
    banc.Choisit(5, 3, banc.racine + dossierSource, banc.racine + dossierCible);
    banc.form.ui()->CheckBox1->setChecked(true);
    banc.form.Button3Click();
    QCOMPARE(banc.messages.vus, QStringList());
    // Les sources en minuscules, triées ; les destinations sous le dossier tapé.
    const QString src = banc.racine.toLower() + u"/data"_s;
    const QString dst = banc.racine + u"/Out"_s;
    QCOMPARE(banc.Instructions(),
             (QStringList{u"Open Table \"%1/sub/deep/lacs.tab\""_s.arg(src),
                          u"Export \"lacs\" Into \"%1/sub/deep/lacs.mif\" Type \"MIF\""_s.arg(dst),
                          u"Open Table \"%1/sub/roads.tab\""_s.arg(src),
                          u"Export \"roads\" Into \"%1/sub/roads.mif\" Type \"MIF\""_s.arg(dst)}));
    QVERIFY(QFile::exists(dst + u"/sub/roads.mif"_s));
    QVERIFY(QFile::exists(dst + u"/sub/deep/lacs.mif"_s));
    QCOMPARE(banc.form.choix().ListeFichiers,
             (QStringList{src + u"/sub/deep/lacs.tab"_s, src + u"/sub/roads.tab"_s}));
}

// L'ordre est celui des chemins entiers : « - » et « . » passent avant la barre d'un dossier.
void TestTraduction::ordreDesFichiers()
{
    Banc banc;
    for (const QString &f : {u"b/x.tab"_s, u"ba.tab"_s, u"b.tab"_s, u"B-c.tab"_s, u"ab/z.tab"_s, u"a.tab"_s})
        Ecrit(banc.racine + u"/Data/"_s + f);
    QDir().mkpath(banc.racine + u"/Out"_s);
    banc.Choisit(5, 3, banc.racine + u"/Data"_s, banc.racine + u"/Out"_s);
    banc.form.ui()->CheckBox1->setChecked(true);
    banc.form.Button3Click();
    const QString src = banc.racine.toLower() + u"/data/"_s;
    QCOMPARE(banc.form.choix().ListeFichiers, (QStringList{src + u"a.tab"_s, src + u"ab/z.tab"_s, src + u"b-c.tab"_s,
                                                           src + u"b.tab"_s, src + u"b/x.tab"_s, src + u"ba.tab"_s}));
}

void TestTraduction::destinationPresente_data()
{
    QTest::addColumn<int>("cible");
    QTest::addColumn<bool>("remplacer");
    QTest::addColumn<QStringList>("avantTraduction"); // fichiers de destination vus au lancement
    QTest::addColumn<bool>("traduit");
    QTest::newRow("présente, sans remplacer : sautée")
        << 5 << false << QStringList() << false;
    QTest::newRow("remplacer vers tab : les cinq fichiers supprimés d'abord")
        << 5 << true << QStringList{u"roads.dxf"_s, u"roads.txt"_s} << true;
    QTest::newRow("remplacer vers dxf : rien supprimé d'abord")
        << 1 << true << QStringList{u"roads.dxf"_s, u"roads.txt"_s} << true;
}

void TestTraduction::destinationPresente()
{
    QFETCH(int, cible);
    QFETCH(bool, remplacer);
    QFETCH(QStringList, avantTraduction);
    QFETCH(bool, traduit);
    Banc banc;
    Ecrit(banc.racine + u"/src/roads.mif"_s);
    Ecrit(banc.racine + u"/src/roads.mid"_s);
    for (const QString &ext : {u"tab"_s, u"map"_s, u"dat"_s, u"id"_s, u"ind"_s, u"txt"_s, u"dxf"_s})
        Ecrit(banc.racine + u"/dst/roads."_s + ext, "ancien");
    QStringList vus{u"<jamais lancé>"_s};
    auto action = banc.processus.action;
    banc.processus.action = [&](const QString &chemin, const QString &contenu) {
        if (chemin.endsWith(u"LanceParam.bat"_s))
            vus = QDir(banc.racine + u"/dst"_s).entryList(QDir::Files, QDir::Name);
        return action(chemin, contenu);
    };
    auto reponse = banc.automation.reponse;
    banc.automation.reponse = [&](const QString &i) {
        if (i.startsWith(u"Import"_s))
            vus = QDir(banc.racine + u"/dst"_s).entryList(QDir::Files, QDir::Name);
        return reponse(i);
    };
    if (cible == 1) {
        QFile::remove(banc.racine + u"/dst/roads.tab"_s);
        for (const QString &ext : {u"map"_s, u"dat"_s, u"id"_s, u"ind"_s})
            QFile::remove(banc.racine + u"/dst/roads."_s + ext);
    }
    banc.Choisit(3, cible, banc.racine + u"/src"_s, banc.racine + u"/dst"_s);
    banc.form.ui()->CheckBox2->setChecked(remplacer);
    banc.form.Button3Click();
    QCOMPARE(banc.messages.vus, QStringList());
    if (traduit)
        QCOMPARE(vus, avantTraduction);
    else
        QCOMPARE(vus, QStringList{u"<jamais lancé>"_s});
    // Un fichier sauté ne passe pas pour une traduction faite.
    QCOMPARE(banc.Panneau(), traduit ? u"La traduction est complétée"_s
                                     : u"La traduction est complétée : aucun fichier écrit, la destination existe déjà"_s);
}

void TestTraduction::annulationPendantLePremierDeTrois()
{
    Banc banc;
    for (const QString &nom : {u"a"_s, u"b"_s, u"c"_s})
        Ecrit(banc.racine + u"/src/"_s + nom + u".tab"_s);
    QDir().mkpath(banc.racine + u"/dst"_s);
    banc.Choisit(5, 3, banc.racine + u"/src"_s, banc.racine + u"/dst"_s);
    auto reponse = banc.automation.reponse;
    banc.automation.reponse = [&](const QString &i) {
        // « Annuler » pendant la conversion du premier fichier.
        if (i.startsWith(u"Export"_s) && banc.form.FenetreAttente().FAttente)
            banc.form.FenetreAttente().FAttente->Button1->click();
        return reponse(i);
    };
    banc.form.Button3Click();
    QCOMPARE(banc.messages.vus, QStringList{u"Le traitement a été annulé"_s});
    QCOMPARE(banc.Panneau(), u"Le traitement a été annulé"_s);
    QCOMPARE(QDir(banc.racine + u"/dst"_s).entryList(QDir::Files), QStringList{u"a.mif"_s});
    QCOMPARE(banc.Instructions().size(), 2);
    QCOMPARE(banc.ControlesActifs(), DixSeptControles);
    QVERIFY(!banc.form.FenetreAttente().Ouverte());
    QVERIFY(banc.automation.journal.endsWith(u"<libéré>"_s));
}

void TestTraduction::annulationPendantLaListe_data()
{
    QTest::addColumn<bool>("fichierALaRacine");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("sorties");
    QTest::newRow("un fichier déjà listé : l'annulation, sans le convertir")
        << true << QStringList{u"Le traitement a été annulé"_s} << QStringList();
    QTest::newRow("aucun fichier listé")
        << false << QStringList{u"Il n'y a aucun fichier à traduire dans le dossier spécifié."_s} << QStringList();
}

void TestTraduction::annulationPendantLaListe()
{
    QFETCH(bool, fichierALaRacine);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, sorties);
    Banc banc;
    if (fichierALaRacine)
        Ecrit(banc.racine + u"/src/a.tab"_s);
    Ecrit(banc.racine + u"/src/s1/b.tab"_s);
    Ecrit(banc.racine + u"/src/s2/c.tab"_s);
    QDir().mkpath(banc.racine + u"/dst"_s);
    banc.Choisit(5, 3, banc.racine + u"/src"_s, banc.racine + u"/dst"_s);
    banc.form.ui()->CheckBox1->setChecked(true);
    // Le clic arrive au premier pompage des messages, pendant le parcours.
    QTimer::singleShot(0, &banc.form, [&] {
        if (banc.form.FenetreAttente().FAttente)
            banc.form.FenetreAttente().FAttente->Button1->click();
    });
    banc.form.Button3Click();
    QCOMPARE(banc.messages.vus, messages);
    QCOMPARE(QDir(banc.racine + u"/dst"_s).entryList(QDir::Files), sorties);
    QCOMPARE(banc.ControlesActifs(), DixSeptControles);
}

void TestTraduction::deuxTraitementsDeSuite()
{
    Banc banc;
    Ecrit(banc.racine + u"/src/a.shp"_s);
    Ecrit(banc.racine + u"/src2/b.shp"_s);
    QDir().mkpath(banc.racine + u"/dst"_s);
    banc.Choisit(4, 5, banc.racine + u"/src"_s, banc.racine + u"/dst"_s);
    banc.form.Button3Click();
    QVERIFY(QFile::exists(banc.racine + u"/dst/a.tab"_s));
    for (const QString &f : FichiersTravail())
        QVERIFY2(!QFile::exists(banc.Temp() + f), qPrintable(f));

    // Un reste d'un autre traitement ne doit pas être vu par le second.
    Ecrit(banc.Temp() + u"LanceTrad.bat"_s, "reste");
    QStringList vusAuLancement;
    auto action = banc.processus.action;
    banc.processus.action = [&](const QString &chemin, const QString &contenu) {
        if (chemin.endsWith(u"LanceParam.bat"_s))
            vusAuLancement << (QFileInfo(chemin).dir().exists(u"LanceTrad.bat"_s) ? u"reste vu"_s : u"propre"_s);
        return action(chemin, contenu);
    };
    banc.form.ui()->Edit2->setText(banc.racine + u"/src2"_s);
    banc.form.Button3Click();
    QCOMPARE(vusAuLancement, QStringList{u"propre"_s});
    QCOMPARE(banc.form.choix().ListeFichiers, QStringList{banc.racine.toLower() + u"/src2/b.shp"_s});
    QCOMPARE(banc.messages.vus, QStringList());
    QCOMPARE(banc.Panneau(), u"La traduction est complétée"_s);
}

// Ce qu'un autre a déposé dans le dossier temporaire (verrou, commandes, TempTrad) n'est ni vu ni
// touché : chaque traitement travaille dans son dossier privé, qui disparaît ensuite.
void TestTraduction::dossierDeTravailPrive()
{
    Banc banc;
    Ecrit(banc.racine + u"/src/a.shp"_s);
    QDir().mkpath(banc.racine + u"/dst"_s);
    banc.Choisit(4, 5, banc.racine + u"/src"_s, banc.racine + u"/dst"_s);
    for (const QString &f : {u"Quorvale.verrou"_s, u"LanceParam.bat"_s, u"Trad_Macro.txt"_s, u"TempTrad/x.tab"_s}) {
        QDir().mkpath(QFileInfo(banc.Temp() + f).path());
        Ecrit(banc.Temp() + f, "d'un autre");
    }
    QStringList dossiers;
    auto action = banc.processus.action;
    banc.processus.action = [&](const QString &chemin, const QString &contenu) {
        const QFileInfo dossier(QFileInfo(chemin).path());
        dossiers << dossier.path() + u' ' + QString::number(int(dossier.permissions() & 0x7777), 16);
        return action(chemin, contenu);
    };
    banc.form.Button3Click();
    QCOMPARE(banc.messages.vus, QStringList());
    QVERIFY(QFile::exists(banc.racine + u"/dst/a.tab"_s));
    QVERIFY(!dossiers.isEmpty());
    for (const QString &d : std::as_const(dossiers))
        QCOMPARE(d, QDir(banc.Temp()).absolutePath() + u" 7700"_s);
    for (const QString &f : {u"Quorvale.verrou"_s, u"LanceParam.bat"_s, u"Trad_Macro.txt"_s, u"TempTrad/x.tab"_s})
        QCOMPARE(Lit(banc.Temp() + f), QByteArray("d'un autre"));
    QCOMPARE(QDir(banc.Temp()).entryList({u"quorvale-*"_s}, QDir::AllEntries), QStringList());
}

void TestTraduction::erreurEnCoursDeTraitement()
{
    Banc banc;
    Ecrit(banc.racine + u"/src/a.tab"_s);
    Ecrit(banc.racine + u"/src/b.tab"_s);
    QDir().mkpath(banc.racine + u"/dst"_s);
    banc.erreurA = u"Export"_s;
    banc.Choisit(5, 3, banc.racine + u"/src"_s, banc.racine + u"/dst"_s);
    banc.form.Button3Click();
    // Le refus de MapInfo fait échouer le fichier, pas le traitement : le suivant est essayé.
    const QString src = banc.racine.toLower() + u"/src/"_s;
    // Le rapport au lieu d'une boîte de message.
    QVERIFY(banc.messages.vus.isEmpty());
    QCOMPARE(banc.form.Rapport()->LabelComptes->text(),
             u"La traduction est complétée : 2 fichiers sans résultat\n"
             u"0 traduit, 0 ignoré, 0 sans résultat, 2 échecs, 0 non traité"_s);
    QCOMPARE(banc.form.Rapport()->Modele->Fichiers().value(1).Source, src + u"b.tab"_s);
    QCOMPARE(banc.form.Rapport()->Modele->Fichiers().value(1).Raison, u"Erreur de MapInfo"_s);
    QCOMPARE(banc.ControlesActifs(), DixSeptControles);
    QVERIFY(!banc.form.FenetreAttente().Ouverte());
    QCOMPARE(banc.automation.journal.mid(banc.automation.journal.size() - 2),
             (QStringList{u"set progressbars on"_s, u"<libéré>"_s}));
    QCOMPARE(banc.Instructions().size(), 4);
    QCOMPARE(banc.automation.journal.count(u"Close All"_s), 2);
    QVERIFY(!banc.form.DernierBilan().Reussi());
    QCOMPARE(banc.form.DernierBilan().Fichiers.value(1).etat, ResultatFichier::Echec);
}

void TestTraduction::fichiersSansResultat()
{
    Banc banc;
    for (const QString &nom : {u"a"_s, u"b"_s, u"c"_s})
        Ecrit(banc.racine + u"/src/"_s + nom + u".shp"_s);
    QDir().mkpath(banc.racine + u"/dst"_s);
    banc.traducteur.echecs = QStringList{u"b"_s};
    banc.Choisit(4, 5, banc.racine + u"/src"_s, banc.racine + u"/dst"_s);
    banc.form.Button3Click();
    const QString src = banc.racine.toLower() + u"/src"_s;
    QVERIFY(banc.messages.vus.isEmpty());
    const QList<ResultatFichier> &lignes = banc.form.Rapport()->Modele->Fichiers();
    QCOMPARE(lignes.value(1).Source, src + u"/b.shp"_s);
    QCOMPARE(lignes.value(1).Raison, u"La source « b » ne se lit pas."_s);
    QCOMPARE(lignes.value(1).etat, ResultatFichier::SansResultat);
    QCOMPARE(banc.Panneau(), u"La traduction est complétée : 1 fichier sans résultat"_s);
    QCOMPARE(banc.traducteur.traduits, (QStringList{u"a"_s, u"b"_s, u"c"_s}));
}

void TestTraduction::sourceJamaisEcrasee_data()
{
    QTest::addColumn<bool>("remplacer");
    QTest::newRow("sans remplacer") << false;
    QTest::newRow("avec remplacer") << true;
}

void TestTraduction::sourceJamaisEcrasee()
{
    QFETCH(bool, remplacer);
    Banc banc;
    // shp vers shp dans le dossier source : la destination est la source elle-même.
    Ecrit(banc.racine + u"/src/Roads.shp"_s, "forme");
    Ecrit(banc.racine + u"/src/Roads.dbf"_s, "table");
    Ecrit(banc.racine + u"/src/Roads.shx"_s, "index");
    banc.Choisit(4, 4, banc.racine + u"/src"_s, banc.racine + u"/src"_s);
    banc.form.ui()->CheckBox2->setChecked(remplacer);
    banc.form.Button3Click();
    QCOMPARE(Lit(banc.racine + u"/src/Roads.shp"_s), QByteArray("forme"));
    QCOMPARE(Lit(banc.racine + u"/src/Roads.dbf"_s), QByteArray("table"));
    QCOMPARE(Lit(banc.racine + u"/src/Roads.shx"_s), QByteArray("index"));
    QCOMPARE(QDir(banc.racine + u"/src"_s).entryList(QDir::Files, QDir::Name),
             (QStringList{u"Roads.dbf"_s, u"Roads.shp"_s, u"Roads.shx"_s}));
    QVERIFY(banc.messages.vus.isEmpty());
    const ResultatFichier ligne = banc.form.Rapport()->Modele->Fichiers().value(0);
    QVERIFY(ligne.Source.endsWith(u"roads.shp"_s));
    QCOMPARE(ligne.Raison, u"la destination est un fichier source ; il n'est pas remplacé"_s);
}

QTEST_MAIN(TestTraduction)
#include "tst_traduction.moc"
