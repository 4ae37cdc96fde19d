// « Aperçu… » : la fenêtre du rapport, titrée aperçu, avec les comptes par action ; rien d'écrit,
// ni traducteur ni MapInfo lancés.
#include "TForm1.h"
#include "TRapport.h"
#include "fakes.h"
#include "ui_TForm1.h"

#include <QDirIterator>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

class TestApercu : public QObject {
    Q_OBJECT

private slots:
    void boutonOuvreLApercu()
    {
        EnvironnementIsole environnement;
        QTemporaryDir tmp;
        const QString racine = tmp.path();
        FauxRegistre registre;
        FauxReglages reglages;
        FausseAutomation automation;
        ProcessusLocal processus;
        FauxMessages messages;
        FauxDialogues dialogues;
        FausseAide aide;
        HorlogeSysteme horloge;
        Services services{registre, reglages, automation, processus, messages, dialogues, aide, horloge};
        TForm1 form(services);
        // Un traducteur qui laisse une trace s'il est appelé.
        essai::Ecrit(racine + u"/mapinfo/UT/imut"_s, "#!/bin/sh\necho \"$@\" >> \"$(dirname \"$0\")/journal\"\n");
        QFile(racine + u"/mapinfo/UT/imut"_s).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const QString &s : {u"a.dxf"_s, u"sous/b.dxf"_s, u"c.dxf"_s})
            essai::Ecrit(racine + u"/src/"_s + s);
        essai::Ecrit(racine + u"/dst/c.mif"_s);
        form.choix().DossierMapInfo = racine + u"/mapinfo/"_s;
        Ui::TForm1 *ui = form.ui();
        ui->ComboBox1->setCurrentIndex(0);
        form.ComboBox1Select(0); // dxf
        ui->ComboBox2->setCurrentIndex(2);
        form.ComboBox2Select(2); // mif
        ui->Edit2->setText(racine + u"/src/"_s);
        ui->Edit3->setText(racine + u"/dst/"_s);
        ui->CheckBox1->setChecked(true);
        form.show();

        ui->Button10->click();
        TRapport *apercu = form.FenetreApercu();
        QVERIFY(apercu && apercu->isVisible());
        QCOMPARE(apercu->windowTitle(), u"Aperçu du traitement"_s);
        QVERIFY2(apercu->LabelComptes->text().contains(u"2 à traduire, 0 à remplacer, 1 à ignorer, 0 à refuser"_s),
                 qPrintable(apercu->LabelComptes->text()));
        QCOMPARE(apercu->Table->model()->rowCount(), 3);
        QVERIFY(ui->Button3->isEnabled() && ui->Button10->isEnabled());
        QCOMPARE(form.Rapport(), nullptr);
        QCOMPARE(automation.journal, QStringList());
        QVERIFY(!QFile::exists(racine + u"/mapinfo/UT/journal"_s));
        QStringList destination;
        for (QDirIterator it(racine + u"/dst"_s, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
             it.hasNext();)
            destination << it.next().mid(racine.size());
        QCOMPARE(destination, QStringList{u"/dst/c.mif"_s});
        QCOMPARE(messages.vus, QStringList());
    }
};

QTEST_MAIN(TestApercu)
#include "tst_apercu.moc"
