#include "application.h"

#include "TAboutBox.h"
#include "TForm1.h"
#include "TForm2.h"
#include "TForm3.h"
#include "interface_ui.h"
#include "processus.h"
#include "traduction.h"
#include "version.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QSocketNotifier>
#include <QTranslator>

#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <optional>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

// Les types de fichiers des dialogues de Qt (« Folder ») manquent à sa traduction française.
class TraductionTypes : public QTranslator {
public:
    QString translate(const char *contexte, const char *texte, const char *, int) const override
    {
        if (qstrcmp(contexte, "QAbstractFileIconProvider") != 0)
            return {};
        static const std::pair<const char *, const char16_t *> types[] = {
            {"Folder", u"Dossier"}, {"File", u"Fichier"}, {"%1 File", u"Fichier %1"},
            {"Drive", u"Lecteur"}, {"Shortcut", u"Raccourci"}, {"Alias", u"Alias"}};
        for (const auto &[anglais, francais] : types)
            if (qstrcmp(texte, anglais) == 0)
                return QString::fromUtf16(francais);
        return {};
    }
    bool isEmpty() const override { return false; }
};

// Les dialogues de Qt datent leurs fichiers d'après la langue du système (QLocale::system(), lue une
// fois dans l'environnement) : hors du français, on la lui montre française le temps de cette
// lecture, puis l'environnement est rendu tel quel, pour ce programme et ceux qu'il lance.
void LangueSystemeFrancaise()
{
    // Sans lire QLocale::system(), qui garderait sa première lecture.
    for (const char *nom : {"LC_ALL", "LC_TIME", "LANG"})
        if (const QString valeur = qEnvironmentVariable(nom); !valeur.isEmpty()) {
            if (valeur.startsWith(u"fr"_s))
                return;
            break;
        }
    static const char *const noms[] = {"LC_ALL", "LC_TIME", "LC_NUMERIC", "LC_MESSAGES", "LC_MEASUREMENT", "LANG"};
    std::optional<QByteArray> avant[std::size(noms)];
    for (size_t i = 0; i < std::size(noms); ++i) {
        if (qEnvironmentVariableIsSet(noms[i]))
            avant[i] = qgetenv(noms[i]);
        qputenv(noms[i], "fr_CA.UTF-8");
    }
    (void)QLocale::system().name();
    for (size_t i = 0; i < std::size(noms); ++i) {
        if (avant[i])
            qputenv(noms[i], *avant[i]);
        else
            qunsetenv(noms[i]);
    }
}

// Fin de session ou arrêt demandé (SIGTERM, SIGHUP, Ctrl+C dans un terminal) : le gestionnaire
// interrompt l'appel en cours et réveille la boucle des événements par un tube ; la fenêtre
// principale se ferme alors comme si l'utilisateur la fermait pendant le traitement (annulation,
// remise en état, rien de laissé derrière).
constexpr int SignauxFin[] = {SIGTERM, SIGHUP, SIGINT};
int tubeSignal[2] = {-1, -1};
volatile std::sig_atomic_t signalRecu = 0;

extern "C" void SurSignalFin(int signal)
{
    signalRecu = signal;
    DemandeArret();
    const char octet = 1;
    [[maybe_unused]] const ssize_t n = ::write(tubeSignal[1], &octet, 1);
    // Un second signal arrête le programme sans attendre.
    for (int s : SignauxFin)
        std::signal(s, SIG_DFL);
}

} // namespace

void SurveilleSignaux(QWidget &principale)
{
    if (::pipe2(tubeSignal, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *veille = new QSocketNotifier(tubeSignal[0], QSocketNotifier::Read, &principale);
    QObject::connect(veille, &QSocketNotifier::activated, &principale, [&principale, veille] {
        char octet;
        while (::read(tubeSignal[0], &octet, 1) > 0) {
        }
        veille->setEnabled(false);
        // Un dialogue modal ouvert se ferme d'abord : sa boucle rend la main à la fenêtre.
        for (int i = 0; i < 8; ++i) {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || modal == &principale || !modal->close())
                break;
        }
        principale.close();
    });
    for (int s : SignauxFin)
        std::signal(s, SurSignalFin);
}

int SignalDeFin()
{
    return int(signalRecu);
}

int LanceApplication(int argc, char *argv[])
{
    LangueSystemeFrancaise();
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
    TraductionTypes traductionTypes;
    QApplication::installTranslator(&traductionTypes);

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

    SurveilleSignaux(Form1);
    Form1.show();
    const int code = application.exec();
    // Fermé par un signal : code 1, comme quorvale-lot.
    return SignalDeFin() ? 1 : code;
}

} // namespace quorvale
