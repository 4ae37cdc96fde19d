#include "travailleur.h"

#include "traduction.h"

#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quorvale::ut {

namespace {

// Un appel en cours : la connexion du lanceur, la conversion et son pidfd.
struct Appel {
    int connexion = -1;
    pid_t pid = -1;
    int pidfd = -1;
};

struct Demande {
    EnTete tete{};
    std::vector<char *> arguments;
    char *dossier = nullptr;
    std::vector<char *> environnement;
    int fds[3] = {-1, -1, -1};
};

void Ferme(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Lit le message du lanceur ; faux s'il est incomplet ou mal formé (les fds reçus sont fermés).
bool LitDemande(int connexion, std::vector<char> &tampon, Demande &d)
{
    tampon.resize(TailleMaxDemande);
    alignas(cmsghdr) char controle[CMSG_SPACE(3 * sizeof(int))];
    iovec iov{tampon.data(), tampon.size()};
    msghdr m{};
    m.msg_iov = &iov;
    m.msg_iovlen = 1;
    m.msg_control = controle;
    m.msg_controllen = sizeof controle;
    ssize_t n;
    do
        n = ::recvmsg(connexion, &m, MSG_CMSG_CLOEXEC);
    while (n < 0 && errno == EINTR);
    int recus = 0;
    for (cmsghdr *c = CMSG_FIRSTHDR(&m); c; c = CMSG_NXTHDR(&m, c))
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS) {
            const int nfd = int((c->cmsg_len - CMSG_LEN(0)) / sizeof(int));
            for (int i = 0; i < nfd; ++i) {
                int fd;
                std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
                if (recus < 3)
                    d.fds[recus++] = fd;
                else
                    ::close(fd);
            }
        }
    auto refuse = [&] {
        for (int &fd : d.fds)
            Ferme(fd);
        return false;
    };
    if (n < ssize_t(sizeof(EnTete)) || recus != 3 || (m.msg_flags & (MSG_TRUNC | MSG_CTRUNC)))
        return refuse();
    std::memcpy(&d.tete, tampon.data(), sizeof d.tete);
    if (d.tete.magie != MagieTravailleur || d.tete.nArguments > 100000 || d.tete.nEnvironnement > 100000)
        return refuse();
    // Les chaînes, chacune terminée par un nul, doivent remplir exactement le reste.
    char *p = tampon.data() + sizeof(EnTete);
    char *const fin = tampon.data() + n;
    auto chaine = [&]() -> char * {
        char *debut = p;
        char *nul = static_cast<char *>(std::memchr(p, 0, size_t(fin - p)));
        if (!nul)
            return nullptr;
        p = nul + 1;
        return debut;
    };
    for (unsigned i = 0; i < d.tete.nArguments; ++i) {
        char *a = chaine();
        if (!a)
            return refuse();
        d.arguments.push_back(a);
    }
    d.dossier = chaine();
    if (!d.dossier)
        return refuse();
    for (unsigned i = 0; i < d.tete.nEnvironnement; ++i) {
        char *e = chaine();
        if (!e)
            return refuse();
        d.environnement.push_back(e);
    }
    return p == fin ? true : refuse();
}

// Dans le processus dupliqué : l'état du lanceur, puis la conversion ; ne revient pas.
[[noreturn]] void Execute(Demande &d, pid_t travailleur)
{
    // Le travailleur parti, la conversion ne lui survit pas.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != travailleur)
        ::_exit(1);
    for (int s : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGCHLD})
        std::signal(s, SIG_DFL);
    sigset_t vide;
    sigemptyset(&vide);
    ::sigprocmask(SIG_SETMASK, &vide, nullptr);
    for (int i = 0; i < 3; ++i)
        if (::dup2(d.fds[i], i) < 0)
            ::_exit(1);
    ::close_range(3, ~0U, 0);
    ::umask(mode_t(d.tete.masque));
    ::clearenv();
    for (char *e : d.environnement)
        ::putenv(e);
    if (::chdir(d.dossier) != 0) {
        std::fprintf(stderr, "imut : Le dossier courant « %s » n'existe plus.\n", d.dossier);
        ::_exit(1);
    }
    QStringList arguments;
    for (char *a : d.arguments)
        arguments << QString::fromLocal8Bit(a);
    const int code = Traduit(arguments);
    std::fflush(nullptr);
    ::_exit(code);
}

bool Envoie(int connexion, const void *octets, size_t n)
{
    return ::send(connexion, octets, n, MSG_NOSIGNAL) == ssize_t(n);
}

// Accepte un lanceur et lance sa conversion ; faux quand rien n'a été lancé.
bool Accepte(int ecoute, std::vector<char> &tampon, Appel &appel)
{
    int c = ::accept4(ecoute, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0)
        return false;
    // Seul l'utilisateur du traitement se fait servir.
    ucred qui{};
    socklen_t taille = sizeof qui;
    const timeval delai{2, 0};
    ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &delai, sizeof delai);
    Demande d;
    if (::getsockopt(c, SOL_SOCKET, SO_PEERCRED, &qui, &taille) != 0 || qui.uid != ::getuid()
        || !LitDemande(c, tampon, d)) {
        ::close(c);
        return false;
    }
    std::fflush(nullptr);
    const pid_t moi = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0)
        Execute(d, moi);
    for (int &fd : d.fds)
        Ferme(fd);
    const int pidfd = pid > 0 ? int(::syscall(SYS_pidfd_open, pid, 0)) : -1;
    if (pid < 0 || pidfd < 0 || !Envoie(c, "D", 1)) {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (pidfd >= 0)
            ::close(pidfd);
        ::close(c); // sans « D », le lanceur traduit lui-même
        return false;
    }
    appel = {c, pid, pidfd};
    return true;
}

// La conversion est finie : son code part au lanceur.
void Termine(Appel &a)
{
    int statut = 0;
    while (::waitpid(a.pid, &statut, 0) < 0 && errno == EINTR) {
    }
    int code = WIFEXITED(statut) ? WEXITSTATUS(statut) : WIFSIGNALED(statut) ? 128 + WTERMSIG(statut) : 1;
    char reponse[1 + sizeof code];
    reponse[0] = 'S';
    std::memcpy(reponse + 1, &code, sizeof code);
    (void)Envoie(a.connexion, reponse, sizeof reponse);
    Ferme(a.connexion);
    Ferme(a.pidfd);
}

// Le lanceur est parti (tué faute de temps) : la conversion le suit.
void Abandonne(Appel &a)
{
    ::kill(a.pid, SIGKILL);
    while (::waitpid(a.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    Ferme(a.connexion);
    Ferme(a.pidfd);
}

} // namespace

int Travailleur(const char *prise)
{
    // Le processus qui a lancé le travailleur parti, le travailleur part aussi.
    const pid_t parent = ::getppid();
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent)
        return 0;
    std::signal(SIGPIPE, SIG_IGN);
    // Hors du groupe du terminal : un Ctrl+C annule le traitement après le fichier en cours, il
    // ne doit pas tuer la conversion de ce fichier.
    ::setpgid(0, 0);

    InitialiseGdal();
    // Rien de PROJ n'est préparé ici : sa base, ouverte avant la duplication, est fermée dans
    // chaque conversion et les objets qui en viennent n'écrivent plus de .prj.
    // Le module CP1252 d'iconv, chargé à chaque recodage, reste chargé tant qu'un descripteur
    // est ouvert : ceux-ci ne sont jamais fermés.
    for (const char *vers : {"UTF-8", "CP1252"})
        (void)::iconv_open(vers, std::strcmp(vers, "UTF-8") == 0 ? "CP1252" : "UTF-8");

    sockaddr_un adresse{};
    adresse.sun_family = AF_UNIX;
    if (std::strlen(prise) >= sizeof adresse.sun_path) {
        std::fprintf(stderr, "imut : Chemin de prise trop long : %s\n", prise);
        return 1;
    }
    std::strcpy(adresse.sun_path, prise);
    const int ecoute = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    ::unlink(prise);
    if (ecoute < 0 || ::bind(ecoute, reinterpret_cast<sockaddr *>(&adresse), sizeof adresse) != 0
        || ::listen(ecoute, 16) != 0) {
        std::fprintf(stderr, "imut : La prise « %s » ne s'ouvre pas : %s\n", prise, std::strerror(errno));
        return 1;
    }
    // Prêt : on le dit, puis la sortie n'est plus tenue ouverte.
    (void)!::write(1, TravailleurPret, sizeof TravailleurPret - 1);
    const int nul = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (nul >= 0) {
        ::dup2(nul, 1);
        ::close(nul);
    }

    std::vector<char> tampon;
    std::vector<Appel> appels;
    std::vector<pollfd> attente;
    for (;;) {
        attente.clear();
        attente.push_back({ecoute, POLLIN, 0});
        for (const Appel &a : appels) {
            attente.push_back({a.pidfd, POLLIN, 0});
            attente.push_back({a.connexion, POLLIN, 0});
        }
        if (::poll(attente.data(), attente.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return 1;
        }
        // La fin d'une conversion passe avant le départ de son lanceur.
        for (size_t i = appels.size(); i-- > 0;) {
            const pollfd &fin = attente[1 + 2 * i];
            const pollfd &lanceur = attente[2 + 2 * i];
            if (fin.revents)
                Termine(appels[i]);
            else if (lanceur.revents)
                Abandonne(appels[i]);
            else
                continue;
            appels.erase(appels.begin() + std::ptrdiff_t(i));
        }
        if (attente[0].revents & POLLIN) {
            Appel a;
            if (Accepte(ecoute, tampon, a))
                appels.push_back(a);
        }
    }
}

} // namespace quorvale::ut
