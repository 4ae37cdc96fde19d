#include "application.h"

#include "TAboutBox.h"
#include "TForm1.h"
#include "interface_ui.h"
#include "version.h"

#include <QApplication>
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

    // Les boutons des dialogues de Qt en français.
    QTranslator traductionQt;
    if (traductionQt.load(QLocale(QLocale::French), u"qtbase"_s, u"_"_s,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&traductionQt);

    RegistreFichier registre;
    ReglagesUtilisateur reglages;
    AutomationLocale automation(registre);
    ProcessusLocal processus;
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

    Form1.show();
    return application.exec();
}

} // namespace quorvale
