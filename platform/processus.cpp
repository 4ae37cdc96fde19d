#include "processus.h"

#include "erreur.h"
#include "fichiers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

QString TexteErreurSysteme(int code)
{
    if (code == 0)
        return u"Un appel à une fonction du système d'exploitation a échoué"_s;
    return u"Erreur système.  Code : %1.\r\n%2"_s.arg(code).arg(QString::fromLocal8Bit(std::strerror(code)));
}

namespace {
volatile std::sig_atomic_t arret = 0;
} // namespace

void DemandeArret()
{
    arret = 1;
}

bool ArretDemande()
{
    return arret != 0;
}

void OublieArret()
{
    arret = 0;
}

void PompeMessages()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

ResultatProcessus ProcessusLocal::ExecuteEtAttend(const QString &fichierCommandes)
{
    const QString fichier = Resous(fichierCommandes);
    if (!FichierExiste(fichier))
        throw Erreur(TexteErreurSysteme(ENOENT));

    // La sortie d'erreur du traducteur est gardée pour dire pourquoi un fichier a échoué.
    QTemporaryFile journal;
    journal.open();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, journal.handle(), 2);
    posix_spawnattr_t attributs;
    posix_spawnattr_init(&attributs);
    posix_spawnattr_setflags(&attributs, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributs, 0);

    const QByteArray chemin = QFile::encodeName(fichier);
    char sh[] = "/bin/sh";
    char *argv[] = {sh, const_cast<char *>(chemin.constData()), nullptr};
    pid_t pid = 0;
    const int echec = posix_spawn(&pid, sh, &actions, &attributs, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributs);
    if (echec != 0)
        throw Erreur(TexteErreurSysteme(echec));

    const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    QElapsedTimer chrono;
    chrono.start();
    ResultatProcessus resultat;
    int statut = 0;
    for (;;) {
        if (pidfd >= 0) {
            pollfd p{pidfd, POLLIN, 0};
            (void)::poll(&p, 1, 50);
        } else {
            ::usleep(2000);
        }
        const pid_t fini = ::waitpid(pid, &statut, WNOHANG);
        PompeMessages();
        if (fini == pid)
            break;
        if (fini < 0 && errno != EINTR) {
            statut = -1;
            break;
        }
        if (arret) {
            // Le traducteur a deux secondes pour finir proprement ; son chantier est retiré ensuite.
            ::kill(-pid, SIGTERM);
            for (int i = 0; i < 40 && ::waitpid(pid, &statut, WNOHANG) == 0; ++i)
                ::usleep(50000);
            ::kill(-pid, SIGKILL);
            (void)::waitpid(pid, &statut, 0);
            statut = -1;
            resultat.erreur = u"Arrêt demandé : l'appel a été interrompu."_s;
            break;
        }
        if (delaiMs_ > 0 && chrono.elapsed() > delaiMs_) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &statut, 0);
            resultat.delaiDepasse = true;
            break;
        }
    }
    if (pidfd >= 0)
        ::close(pidfd);
    resultat.code = (!resultat.delaiDepasse && statut >= 0 && WIFEXITED(statut)) ? WEXITSTATUS(statut) : -1;
    journal.seek(0);
    if (resultat.erreur.isEmpty())
        resultat.erreur = QString::fromUtf8(journal.readAll()).trimmed();
    return resultat;
}

} // namespace quorvale
