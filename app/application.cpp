#include "application.h"

#include "TAboutBox.h"
#include "TForm1.h"
#include "TForm2.h"
#include "TForm3.h"
#include "interface_ui.h"
#include "traduction.h"
#include "version.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

int LanceApplication(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(u"Quorvale"_s);
    QApplication::setOrganizationName(u"Olvessa"_s);
    QApplication::setWindowIcon(IconeQuorvale(32));

    // Les dialogues de Qt en français (textes, tailles « Kio », dates), quelle que soit la langue du
    // système ; le format long de l'heure reste celui du système.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::Canada));
    QTranslator traductionQt;
    if (traductionQt.load(QLocale(QLocale::French), u"qtbase"_s, u"_"_s,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&traductionQt);

    RegistreFichier registre;
    ReglagesUtilisateur reglages;
    // Chaque appel du traducteur ou de MapInfo est borné (réglage « DelaiTraducteur », en secondes).
    const int delaiMs = DelaiTraducteur() * 1000;
    AutomationLocale automation(registre, delaiMs);
    ProcessusLocal processus(delaiMs);
    MessagesFenetre messages;
    DialoguesFenetre dialogues;
    AideFenetre aide;
    HorlogeSysteme horloge;
    Services services{registre, reglages, automation, processus, messages, dialogues, aide, horloge};

    TForm1 Form1(services);
    if (!Form1.FormCreate())
        return 0;
    TAboutBox AboutBox(VersionFichier(), &Form1);
    Form1.setAboutBox(&AboutBox);
    // Le dialogue des projections lit les réglages et le catalogue ; celui des associations, AssoMots.txt.
    const QString dossierExecutable = QCoreApplication::applicationDirPath();
    TForm2 Form2(reglages, messages, Form1.choix().DossierMapInfo, dossierExecutable);
    Form2.FormCreate();
    TForm3 Form3(messages, dialogues, dossierExecutable);
    Form3.FormCreate();
    Form2.setForm3(&Form3);
    Form1.setFormeProjection(&Form2);
    Form1.setProjections(&Form2);
    Form1.LitChoixRetenus();

    Form1.show();
    return application.exec();
}

} // namespace quorvale
