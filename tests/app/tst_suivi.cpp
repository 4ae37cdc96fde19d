#include "application.h"
#include "TFAttente.h"
#include "TForm1.h"
#include "TRapport.h"
#include "fakes.h"
#include "processus.h"
#include "projections.h"
#include "rapport.h"
#include "traitement.h"
#include "ui_TForm1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QDragEnterEvent>
#include <QPushButton>
#include <QTableView>
#include <QDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

namespace {

using essai::Ecrit;
using essai::Lit;

// Un traducteur joué par un vrai processus : « generate » ne fait rien ; la traduction note la base
// dans journal, échoue pour une base qui contient « casse », dort le temps de « sommeil », puis écrit
// base.mif et base.mid dans DestDataset.
constexpr char ScriptImut[] = R"sh(#!/bin/sh
ici=$(dirname "$0")
[ "$1" = generate ] && exit 0
dest=$(sed -n 's/^MACRO DestDataset //p' "$1" | tr -d '\r')
base=$(sed -n 's/^MACRO _FULLBASENAME //p' "$1" | tr -d '\r')
echo "$base" >> "$ici/journal"
case "$base" in *casse*) echo "La source $base ne se lit pas." >&2; exit 1;; esac
[ -f "$ici/sommeil" ] && sleep "$(cat "$ici/sommeil")"
printf x > "$dest$base.mif"; printf x > "$dest$base.mid"
)sh";

struct Banc {
    EnvironnementIsole environnement;
    QTemporaryDir tmp;
    FauxRegistre registre;
    FauxReglages reglages;
    FausseAutomation automation;
    ProcessusLocal processus;
    FauxMessages messages;
    FauxDialogues dialogues;
    FausseAide aide;
    HorlogeSysteme horloge;
    Services services{registre, reglages, automation, processus, messages, dialogues, aide, horloge};
    std::unique_ptr<TForm1> form = std::make_unique<TForm1>(services);
    QString racine = tmp.path();

    Banc(const QStringList &sources, int sommeil = 0)
    {
        const QString imut = racine + u"/mapinfo/UT/imut"_s;
        Ecrit(imut, ScriptImut);
        QFile(imut).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (sommeil > 0)
            Ecrit(racine + u"/mapinfo/UT/sommeil"_s, QByteArray::number(sommeil));
        for (const QString &s : sources)
            Ecrit(racine + u"/src/"_s + s);
        QDir().mkpath(racine + u"/dst"_s);
        form->choix().DossierMapInfo = racine + u"/mapinfo/"_s;
        Ui::TForm1 *ui = form->ui();
        ui->ComboBox1->setCurrentIndex(0);
        form->ComboBox1Select(0); // dxf
        ui->ComboBox2->setCurrentIndex(2);
        form->ComboBox2Select(2); // mif
        ui->Edit2->setText(racine + u"/src/"_s);
        ui->Edit3->setText(racine + u"/dst/"_s);
        ui->CheckBox1->setChecked(true);
    }
    QStringList Journal() const
    {
        return QString::fromUtf8(Lit(racine + u"/mapinfo/UT/journal"_s)).split(u'\n', Qt::SkipEmptyParts);
    }
};

} // namespace

class TestSuivi : public QObject {
    Q_OBJECT

private slots:
    void annulationVuePendantUnLongFichier();
    void fermetureDeLaFenetrePendantUnTraitement();
    void signalPendantUnTraitement();
    void rapportDUnTraitement();
    void destination_data();
    void destination();
    void choixRetenusDUnDepartALAutre();
    void avertissement_data();
    void avertissement();
    void regleDUneCouvertureAvecSonPrj();
    void depot_data();
    void depot();
    void csv_data();
    void csv();
};

void TestSuivi::annulationVuePendantUnLongFichier()
{
    Banc banc({u"a.dxf"_s, u"b.dxf"_s, u"c.dxf"_s}, 3);
    banc.form->show();
    QElapsedTimer chrono;
    qint64 clic = -1, vu = -1;
    int dessins = 0;
    // Pendant la première conversion (3 s) : « Annuler », puis ce que montre la fenêtre.
    QTimer::singleShot(800, banc.form.get(), [&] {
        TFAttente *f = banc.form->FenetreAttente().FAttente;
        QVERIFY(f);
        chrono.start();
        f->Button1->click();
        clic = 0;
    });
    QTimer sonde;
    sonde.setInterval(20);
    connect(&sonde, &QTimer::timeout, [&] {
        TFAttente *f = banc.form->FenetreAttente().FAttente;
        if (clic < 0 || !f)
            return;
        ++dessins;
        if (vu < 0 && f->lEstimation->isVisible() && f->lEstimation->text() == u"Annulation demandée…"_s)
            vu = chrono.elapsed();
    });
    sonde.start();
    banc.form->Button3Click();
    QVERIFY2(vu >= 0 && vu < 300, qPrintable(QString::number(vu)));
    // La fenêtre a vécu pendant le reste du fichier (2,2 s) : la sonde a tourné au moins toutes les 100 ms.
    QVERIFY2(dessins > 22, qPrintable(QString::number(dessins)));
    // Le fichier en cours finit ; aucun autre ne commence.
    QCOMPARE(banc.Journal(), QStringList{u"a"_s});
    const QList<ResultatFichier> &f = banc.form->DernierBilan().Fichiers;
    QCOMPARE(f.size(), 3);
    QCOMPARE(f[0].etat, ResultatFichier::Traduit);
    QCOMPARE(f[1].etat, ResultatFichier::NonTraite);
    QCOMPARE(f[2].etat, ResultatFichier::NonTraite);
    QCOMPARE(banc.messages.vus, QStringList{u"Le traitement a été annulé"_s});
    QCOMPARE(banc.form->Rapport()->LabelComptes->text(),
             u"Le traitement a été annulé\n1 traduit, 0 ignoré, 0 sans résultat, 0 échec, 2 non traités ; "
             u"1 sans système de coordonnées (NonEarth)"_s);
}

void TestSuivi::fermetureDeLaFenetrePendantUnTraitement()
{
    Banc banc({u"a.dxf"_s, u"b.dxf"_s}, 2);
    banc.form->show();
    QTimer::singleShot(600, banc.form.get(), [&] { QVERIFY(!banc.form->close()); });
    banc.form->Button3Click();
    // Annulé comme par « Annuler », remis en état, puis fermé sans boîte à fermer.
    QVERIFY(!banc.form->isVisible());
    QVERIFY(banc.messages.vus.isEmpty());
    QCOMPARE(banc.Journal(), QStringList{u"a"_s});
    QVERIFY(!banc.form->FenetreAttente().Ouverte());
    for (const QString &f : FichiersTravail())
        QVERIFY2(!QFile::exists(banc.environnement.temporaire() + u'/' + f), qPrintable(f));
    QVERIFY(!banc.form->Rapport());
}

void TestSuivi::signalPendantUnTraitement()
{
    // Une fin de session (SIGTERM) pendant un long fichier : le fichier est interrompu, aucun autre
    // ne commence, la fenêtre se ferme remise en état.
    Banc banc({u"a.dxf"_s, u"b.dxf"_s}, 3);
    SurveilleSignaux(*banc.form);
    banc.form->show();
    QElapsedTimer chrono;
    chrono.start();
    QTimer::singleShot(600, [] { ::raise(SIGTERM); });
    banc.form->Button3Click();
    OublieArret();
    QCOMPARE(SignalDeFin(), SIGTERM);
    QVERIFY(chrono.elapsed() < 2500);
    QVERIFY(!banc.form->isVisible());
    QCOMPARE(banc.Journal(), QStringList{u"a"_s});
    for (const QString &f : FichiersTravail())
        QVERIFY2(!QFile::exists(banc.environnement.temporaire() + u'/' + f), qPrintable(f));
    QVERIFY(!QFile::exists(banc.racine + u"/dst/b.mif"_s));
}

void TestSuivi::rapportDUnTraitement()
{
    // Un feuillet MTM, un fichier sans feuillet (NonEarth), un qui échoue dans un dossier à lui, un
    // dont la destination existe.
    Banc banc({u"31h05ne/routes.dxf"_s, u"divers/lac.dxf"_s, u"neuf/casse.dxf"_s, u"vieux.dxf"_s});
    Ecrit(banc.racine + u"/dst/vieux.mif"_s, "ancien");
    banc.form->Button3Click();
    QVERIFY(banc.messages.vus.isEmpty());
    TRapport *r = banc.form->Rapport();
    QVERIFY(r && r->isVisible());
    QCOMPARE(r->LabelComptes->text(), u"La traduction est complétée : 1 fichier sans résultat\n"
                                      u"2 traduits, 1 ignoré, 1 sans résultat, 0 échec, 0 non traité ; "
                                      u"1 sans système de coordonnées (NonEarth)"_s);
    QCOMPARE(banc.form->Panneau(0)->text(), u"La traduction est complétée : 1 fichier sans résultat"_s);
    // La ligne finale reste quand la souris passe sur un contrôle.
    QEvent entree(QEvent::Enter);
    QCoreApplication::sendEvent(banc.form->ui()->Edit1, &entree);
    QCOMPARE(banc.form->Panneau(0)->text(), u"La traduction est complétée : 1 fichier sans résultat"_s);

    auto cellule = [&](int ligne, int colonne) { return r->Table->model()->index(ligne, colonne).data().toString(); };
    QCOMPARE(r->Table->model()->rowCount(), 4);
    QCOMPARE(cellule(0, ModeleRapport::Regle), u"feuillet 31h05ne, MTM zone 8 (méridien -73.5), NAD 83"_s);
    QCOMPARE(cellule(1, ModeleRapport::Systeme), u"NonEarth (repli) : CoordSys NonEarth Projection 0, 7"_s);
    QCOMPARE(cellule(1, ModeleRapport::Regle), u"projection choisie"_s);
    QCOMPARE(cellule(2, ModeleRapport::Etat), u"Sans résultat"_s);
    QCOMPARE(cellule(2, ModeleRapport::Raison), u"La source casse ne se lit pas."_s);
    QCOMPARE(cellule(3, ModeleRapport::Etat), u"Ignoré"_s);
    QCOMPARE(cellule(3, ModeleRapport::Raison), u"la destination existe déjà"_s);
    // Le dossier créé pour le fichier sans résultat ne reste pas.
    QVERIFY(!QDir(banc.racine + u"/dst/neuf"_s).exists());
    QVERIFY(QFile::exists(banc.racine + u"/dst/31h05ne/routes.mif"_s));

    // Filtres : un état, puis les replis sur NonEarth, puis tout.
    const QList<std::pair<int, int>> filtres{{3, 1}, {2, 1}, {1, 2}, {6, 1}, {0, 4}};
    for (const auto &[index, lignes] : filtres) {
        r->ComboFiltreSelect(index);
        QCOMPARE(r->Table->model()->rowCount(), lignes);
    }
    r->Table->sortByColumn(ModeleRapport::Etat, Qt::AscendingOrder);
    QCOMPARE(cellule(0, ModeleRapport::Etat), u"Ignoré"_s);

    const QString csv = banc.racine + u"/rapport.csv"_s;
    r->DemandeFichier = [&] { return csv; };
    r->ButtonEnregistrer->click();
    const QStringList lignes = QString::fromUtf8(Lit(csv)).split(u'\n');
    QCOMPARE(lignes.size(), 6);
    QCOMPARE(lignes[0], u"source;destination;etat;raison;systeme;regle;avertissement"_s);
    const QString src = banc.racine.toLower() + u"/src/"_s, dst = banc.racine + u"/dst/"_s;
    QCOMPARE(lignes[2], src + u"divers/lac.dxf;"_s + dst + u"divers/lac.mif;traduit;;CoordSys NonEarth Projection 0, 7;choisie;"_s);
    QCOMPARE(lignes[4], src + u"vieux.dxf;"_s + dst + u"vieux.mif;ignore;la destination existe déjà;;aucune;"_s);
    QCOMPARE(lignes[3], src + u"neuf/casse.dxf;"_s + dst + u"neuf/casse.mif;sans_resultat;La source casse ne se lit pas.;;aucune;"_s);
}

void TestSuivi::destination_data()
{
    QTest::addColumn<QString>("cible");
    QTest::addColumn<bool>("lectureSeule");
    QTest::addColumn<QString>("message");
    QTest::newRow("absente, parent présent : créée") << u"dst/nouveau/"_s << false << QString();
    QTest::newRow("absente avec son parent : refusée") << u"dst/a/b/"_s << false
                                                        << u"Le dossier de destination n'est pas valide."_s;
    QTest::newRow("en lecture seule : refusée") << u"dst/"_s << true
                                                 << u"Le dossier de destination « %1/dst/ » est en lecture seule : vous "
                                                    u"n'avez pas le droit d'y écrire. Choisissez un autre dossier."_s;
}

void TestSuivi::destination()
{
    QFETCH(QString, cible);
    QFETCH(bool, lectureSeule);
    QFETCH(QString, message);
    if (lectureSeule && ::geteuid() == 0)
        QSKIP("root écrit partout : le refus ne se voit pas.");
    Banc banc({u"a.dxf"_s});
    banc.form->ui()->Edit3->setText(banc.racine + u'/' + cible);
    if (lectureSeule)
        QFile(banc.racine + u"/dst"_s).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    banc.form->Button3Click();
    QFile(banc.racine + u"/dst"_s).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(banc.messages.vus, message.isEmpty() ? QStringList() : QStringList{message.arg(banc.racine)});
    QCOMPARE(QFile::exists(banc.racine + u'/' + cible + u"a.mif"_s), message.isEmpty());
}

void TestSuivi::choixRetenusDUnDepartALAutre()
{
    Banc banc({});
    Ui::TForm1 *ui = banc.form->ui();
    ui->Edit1->setText(u"routes;lacs"_s);
    ui->CheckBox2->setChecked(true);
    // Un dialogue déplacé par l'utilisateur se rouvre là, même après un nouveau départ.
    QDialog boite;
    boite.setObjectName(u"AboutBox"_s);
    boite.resize(200, 100);
    const auto ferme = [&](QPoint deplace, QPoint *vue) {
        QTimer::singleShot(0, &boite, [&boite, deplace, vue] {
            *vue = boite.pos();
            if (!deplace.isNull())
                boite.move(deplace);
            boite.reject();
        });
    };
    QPoint vue;
    banc.form->setAboutBox(&boite);
    ferme(QPoint(40, 30), &vue);
    banc.form->Button8Click();
    QVERIFY(banc.form->close());
    // Un nouveau départ sur les mêmes réglages.
    banc.form = std::make_unique<TForm1>(banc.services);
    banc.form->LitChoixRetenus();
    banc.form->setAboutBox(&boite);
    boite.setProperty("quorvalePlace", QVariant());
    ferme(QPoint(), &vue);
    banc.form->Button8Click();
    QCOMPARE(vue, QPoint(40, 30));
    ui = banc.form->ui();
    QCOMPARE(ui->ComboBox1->currentIndex(), 0);
    QCOMPARE(ui->ComboBox2->currentIndex(), 2);
    QCOMPARE(banc.form->choix().ExtSource, u"dxf"_s);
    QCOMPARE(banc.form->choix().ExtCible, u"mif"_s);
    QCOMPARE(ui->Edit1->text(), u"routes;lacs"_s);
    QCOMPARE(banc.form->choix().DossierSource, banc.racine + u"/src/"_s);
    QCOMPARE(banc.form->choix().DossierCible, banc.racine + u"/dst/"_s);
    QCOMPARE((QList<bool>{ui->CheckBox1->isChecked(), ui->CheckBox2->isChecked(), ui->CheckBox3->isChecked(),
                          ui->CheckBox4->isChecked()}),
             (QList<bool>{true, true, false, true}));
}

void TestSuivi::avertissement_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("compagnons");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("mif avec son mid") << u"a.mif"_s << QStringList{u"a.mid"_s} << QString();
    QTest::newRow("mif sans mid") << u"a.mif"_s << QStringList()
                                  << u"le MIF n'a pas de fichier MID : ses objets sont traduits sans attributs"_s;
    QTest::newRow("shp sans dbf") << u"a.shp"_s << QStringList{u"a.shx"_s}
                                  << u"le jeu de formes n'a pas de fichier .dbf : ses objets sont traduits sans attributs"_s;
    QTest::newRow("dxf") << u"a.dxf"_s << QStringList() << QString();
}

void TestSuivi::avertissement()
{
    QFETCH(QString, source);
    QFETCH(QStringList, compagnons);
    QFETCH(QString, attendu);
    QTemporaryDir dossier;
    for (const QString &c : compagnons)
        Ecrit(dossier.filePath(c));
    ResultatFichier r;
    r.Source = dossier.filePath(source);
    r.etat = ResultatFichier::Traduit;
    QCOMPARE(AvertissementSource(r), attendu);
    r.etat = ResultatFichier::Echec;
    QCOMPARE(AvertissementSource(r), QString());
}

void TestSuivi::regleDUneCouvertureAvecSonPrj()
{
    struct Choisie : Projections {
        Catalogue catalogue;
        QString ProjectionFichier(const QString &) const override { return u"CoordSys Earth Projection 1, 74"_s; }
        const Catalogue &CatalogueProjections() const override { return catalogue; }
    } projections;
    int appels = 0;
    const auto propre = [&appels](const QString &) { ++appels; return true; };
    ResultatFichier r;
    r.Source = u"/nulle/part/c.e00"_s;
    r.etat = ResultatFichier::Traduit;
    // e00 → shp, la case cochée : la couverture garde sa section PRJ, aucune clause donnée.
    NoteSysteme(r, 24, true, projections, propre);
    QCOMPARE(CleRegle(r.Regle), u"fichier"_s);
    QCOMPARE(r.Systeme, QString());
    QCOMPARE(r.DetailRegle, u"la section PRJ de l'E00"_s);
    // La case décochée : la projection choisie, sans consulter le traducteur.
    NoteSysteme(r, 24, false, projections, propre);
    QCOMPARE(CleRegle(r.Regle), u"choisie"_s);
    QCOMPARE(r.Systeme, u"CoordSys Earth Projection 1, 74"_s);
    QCOMPARE(appels, 1);
}

void TestSuivi::depot_data()
{
    QTest::addColumn<bool>("surSource");
    QTest::addColumn<QStringList>("deposes");
    QTest::addColumn<QString>("fichiers");
    QTest::addColumn<QString>("dossier");
    QTest::newRow("dossier sur la source") << true << QStringList{u"src"_s} << u"*"_s << u"src/"_s;
    QTest::newRow("deux fichiers sur la source") << true << QStringList{u"src/a.dxf"_s, u"src/b.dxf"_s} << u"a;b"_s
                                                 << u"src/"_s;
    QTest::newRow("dossier sur la destination") << false << QStringList{u"dst"_s} << u"*"_s << u"dst/"_s;
    QTest::newRow("fichier sur la destination : son dossier") << false << QStringList{u"src/a.dxf"_s} << u"*"_s
                                                               << u"src/"_s;
}

void TestSuivi::depot()
{
    QFETCH(bool, surSource);
    QFETCH(QStringList, deposes);
    QFETCH(QString, fichiers);
    QFETCH(QString, dossier);
    Banc banc({u"a.dxf"_s, u"b.dxf"_s});
    Ui::TForm1 *ui = banc.form->ui();
    QLineEdit *champ = surSource ? ui->Edit2 : ui->Edit3;
    champ->clear();
    QMimeData donnees;
    QList<QUrl> adresses;
    for (const QString &d : deposes)
        adresses << QUrl::fromLocalFile(banc.racine + u'/' + d);
    donnees.setUrls(adresses);
    // Ce que donne un gestionnaire de fichiers : des adresses file://, changées en chemins locaux.
    QDragEnterEvent entree(QPoint(5, 5), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(champ, &entree);
    QVERIFY(entree.isAccepted());
    QDropEvent depot(QPointF(5, 5), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(champ, &depot);
    QCOMPARE(champ->text(), banc.racine + u'/' + dossier);
    QCOMPARE(ui->Edit1->text(), fichiers);
}

void TestSuivi::csv_data()
{
    QTest::addColumn<QString>("raison");
    QTest::addColumn<QString>("champ");
    QTest::newRow("texte simple") << u"Erreur de MapInfo"_s << u"Erreur de MapInfo"_s;
    QTest::newRow("point-virgule") << u"a ; b"_s << u"\"a ; b\""_s;
    QTest::newRow("guillemets doublés") << u"le « x » et \"y\""_s << u"\"le « x » et \"\"y\"\"\""_s;
    QTest::newRow("fin de ligne") << u"un\ndeux"_s << u"\"un\ndeux\""_s;
}

void TestSuivi::csv()
{
    QFETCH(QString, raison);
    QFETCH(QString, champ);
    ResultatFichier r;
    r.Source = u"/s/é;1.dxf"_s;
    r.Destination = u"/d/é;1.mif"_s;
    r.etat = ResultatFichier::Echec;
    r.Raison = raison;
    QCOMPARE(QString::fromUtf8(CsvRapport({r})),
             u"source;destination;etat;raison;systeme;regle;avertissement\n"
             u"\"/s/é;1.dxf\";\"/d/é;1.mif\";echec;"_s + champ + u";;aucune;\n"_s);
}

QTEST_MAIN(TestSuivi)
#include "tst_suivi.moc"
