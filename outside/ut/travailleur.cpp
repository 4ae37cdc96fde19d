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
#include <utility>
#include <vector>

namespace quorvale::ut {

namespace {

// Les appels passent par un exécutant : un processus dupliqué une fois, qui les fait l'un après
// l'autre. GDAL refait son contexte PROJ dans chaque processus dupliqué : rouvrir la base de PROJ
// et recalculer le système de la clause coûtait, à chaque appel, plus que la conversion d'un petit
// fichier. L'exécutant est remplacé quand il meurt, quand un appel échoue (rien d'un appel raté ne
// passe au suivant) et après AppelsParExecutant appels (ce que GDAL garde en mémoire reste borné).
constexpr int AppelsParExecutant = 250;

struct Executant {
    pid_t pid = -1;
    int pidfd = -1;
    int canal = -1;     // prise vers l'exécutant : les demandes y vont, les réponses en viennent
    int connexion = -1; // le lanceur servi ; -1 quand l'exécutant est libre
};

// Ce que l'exécutant répond au travailleur après un appel.
struct Reponse {
    int code;
    int reste; // 0 : l'exécutant s'arrête après cet appel
};

struct Demande {
    EnTete tete{};
    size_t taille = 0; // du message entier
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

// Lit une demande (du lanceur, ou du travailleur pour l'exécutant) ; faux si elle est incomplète
// ou mal formée (les fds reçus sont alors fermés).
bool LitDemande(int prise, std::vector<char> &tampon, Demande &d)
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
        n = ::recvmsg(prise, &m, MSG_CMSG_CLOEXEC);
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
    d.taille = size_t(n);
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

bool Envoie(int prise, const void *octets, size_t n)
{
    return ::send(prise, octets, n, MSG_NOSIGNAL) == ssize_t(n);
}

// Passe la demande telle que reçue, avec ses trois fds, à l'exécutant.
bool Transmet(int canal, const std::vector<char> &tampon, const Demande &d)
{
    return EnvoieAvecDescripteurs(canal, tampon.data(), d.taille, d.fds);
}

// Les trois sorties standard sur /dev/null.
void SortiesNulles()
{
    const int nul = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    for (int i = 0; i < 3 && nul >= 0; ++i)
        ::dup2(nul, i);
    if (nul > 2)
        ::close(nul);
}

// Dans l'exécutant : l'état du lanceur (sorties, umask, environnement, dossier courant), l'appel,
// puis plus rien du lanceur n'est tenu ouvert. Rend le code de l'appel.
int Execute(Demande &d)
{
    bool pret = true;
    for (int i = 0; i < 3; ++i)
        pret = pret && ::dup2(d.fds[i], i) == i;
    for (int &fd : d.fds)
        Ferme(fd);
    ::umask(mode_t(d.tete.masque));
    ::clearenv();
    for (char *e : d.environnement)
        ::putenv(e);
    int code = 1;
    if (!pret) {
    } else if (::chdir(d.dossier) != 0) {
        std::fprintf(stderr, "imut : Le dossier courant « %s » n'existe plus.\n", d.dossier);
    } else {
        QStringList arguments;
        for (char *a : d.arguments)
            arguments << QString::fromLocal8Bit(a);
        code = Traduit(arguments);
    }
    std::fflush(nullptr);
    SortiesNulles();
    for (FILE *f : {stdin, stdout, stderr})
        std::clearerr(f);
    return code;
}

// L'exécutant : sert les demandes du canal jusqu'à ce que le travailleur le ferme ; ne revient pas.
[[noreturn]] void Sert(int canal, pid_t travailleur)
{
    // Le travailleur parti, l'exécutant ne lui survit pas.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != travailleur)
        ::_exit(1);
    for (int s : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGCHLD})
        std::signal(s, SIG_DFL);
    sigset_t vide;
    sigemptyset(&vide);
    ::sigprocmask(SIG_SETMASK, &vide, nullptr);
    if (canal != 3 && ::dup2(canal, 3) != 3)
        ::_exit(1);
    ::close_range(4, ~0U, 0);
    SortiesNulles();

    // L'environnement d'un appel pointe dans son message : celui-ci reste en place jusqu'à ce que
    // l'appel suivant ait installé le sien.
    std::vector<char> tampon, actif;
    for (int appels = 1;; ++appels) {
        Demande d;
        if (!LitDemande(3, tampon, d))
            ::_exit(0);
        const int code = Execute(d);
        std::swap(tampon, actif);
        const Reponse r{code, code == 0 && appels < AppelsParExecutant};
        if (!Envoie(3, &r, sizeof r) || !r.reste)
            ::_exit(0);
    }
}

// Un nouvel exécutant, libre ; faux s'il ne peut pas naître.
bool Lance(Executant &e)
{
    int paire[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, paire) != 0)
        return false;
    std::fflush(nullptr);
    const pid_t moi = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0)
        Sert(paire[1], moi);
    ::close(paire[1]);
    const int pidfd = pid > 0 ? int(::syscall(SYS_pidfd_open, pid, 0)) : -1;
    if (pid < 0 || pidfd < 0) {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        ::close(paire[0]);
        return false;
    }
    e = {pid, pidfd, paire[0], -1};
    return true;
}

// L'exécutant est arrêté (s'il vit encore) ; son statut de fin.
int Retire(Executant &e)
{
    ::kill(e.pid, SIGKILL);
    int statut = 0;
    while (::waitpid(e.pid, &statut, 0) < 0 && errno == EINTR) {
    }
    Ferme(e.pidfd);
    Ferme(e.canal);
    return statut;
}

// Le code de l'appel part au lanceur, qui rend la main.
void Repond(int &connexion, int code)
{
    char reponse[1 + sizeof code];
    reponse[0] = 'S';
    std::memcpy(reponse + 1, &code, sizeof code);
    (void)Envoie(connexion, reponse, sizeof reponse);
    Ferme(connexion);
}

// Accepte un lanceur et confie sa demande à un exécutant libre (lancé au besoin).
void Accepte(int ecoute, std::vector<char> &tampon, std::vector<Executant> &executants)
{
    int c = ::accept4(ecoute, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0)
        return;
    // Seul l'utilisateur du traitement se fait servir.
    ucred qui{};
    socklen_t taille = sizeof qui;
    const timeval delai{2, 0};
    ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &delai, sizeof delai);
    Demande d;
    if (::getsockopt(c, SOL_SOCKET, SO_PEERCRED, &qui, &taille) != 0 || qui.uid != ::getuid()
        || !LitDemande(c, tampon, d)) {
        ::close(c);
        return;
    }
    // Un exécutant libre peut être mort sans qu'on l'ait encore vu : un second essai avec un neuf.
    size_t i = 0;
    while (i < executants.size() && executants[i].connexion >= 0)
        ++i;
    bool transmise = false;
    for (int essai = 0; essai < 2 && !transmise; ++essai) {
        if (i == executants.size()) {
            Executant e;
            if (!Lance(e))
                break;
            executants.push_back(e);
        }
        transmise = Transmet(executants[i].canal, tampon, d);
        if (!transmise) {
            Retire(executants[i]);
            executants.erase(executants.begin() + std::ptrdiff_t(i));
            i = executants.size();
        }
    }
    for (int &fd : d.fds)
        Ferme(fd);
    if (!transmise) {
        ::close(c); // sans « D », le lanceur traduit lui-même
        return;
    }
    executants[i].connexion = c;
    if (!Envoie(c, "D", 1)) {
        Retire(executants[i]);
        Ferme(executants[i].connexion);
        executants.erase(executants.begin() + std::ptrdiff_t(i));
    }
}

// Ce que le poll a vu d'un exécutant ; faux quand il est à retirer.
bool Suit(Executant &e, const pollfd *vu)
{
    if (vu[0].revents) { // une réponse, ou le canal fermé par sa mort
        Reponse r{};
        ssize_t n;
        do
            n = ::recv(e.canal, &r, sizeof r, MSG_DONTWAIT);
        while (n < 0 && errno == EINTR);
        if (n == ssize_t(sizeof r)) {
            if (e.connexion >= 0)
                Repond(e.connexion, r.code);
            if (r.reste)
                return true;
            Retire(e);
            return false;
        }
        if (n < 0 && errno == EAGAIN)
            return true;
    } else if (!vu[1].revents) {
        if (e.connexion < 0 || !vu[2].revents)
            return true;
        // Le lanceur est parti (tué faute de temps) : sa conversion le suit.
        Retire(e);
        Ferme(e.connexion);
        return false;
    }
    // Mort pendant l'appel : le lanceur reçoit 128 + le signal, comme d'un processus à lui.
    const int statut = Retire(e);
    if (e.connexion >= 0)
        Repond(e.connexion, WIFEXITED(statut) ? WEXITSTATUS(statut) : WIFSIGNALED(statut) ? 128 + WTERMSIG(statut) : 1);
    return false;
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
    // Rien de PROJ n'est préparé ici : GDAL refait son contexte PROJ dans un processus dupliqué,
    // et les objets d'avant la duplication n'écrivent plus de .prj. Chaque exécutant ouvre la
    // base une fois, au premier appel qui s'en sert.
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
    std::vector<Executant> executants;
    std::vector<pollfd> attente;
    for (;;) {
        // Un exécutant attend toujours l'appel suivant : sa naissance ne retarde personne. Un appel
        // qui arrive pendant qu'ils sont tous occupés en fait naître un autre.
        if (executants.empty()) {
            Executant e;
            if (Lance(e))
                executants.push_back(e);
        }
        attente.clear();
        attente.push_back({ecoute, POLLIN, 0});
        for (const Executant &e : executants) {
            attente.push_back({e.canal, POLLIN, 0});
            attente.push_back({e.pidfd, POLLIN, 0});
            attente.push_back({e.connexion, POLLIN, 0}); // ignoré quand il est libre (-1)
        }
        if (::poll(attente.data(), attente.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return 1;
        }
        for (size_t i = executants.size(); i-- > 0;)
            if (!Suit(executants[i], &attente[1 + 3 * i]))
                executants.erase(executants.begin() + std::ptrdiff_t(i));
        // Après des appels simultanés, un seul exécutant libre est gardé.
        bool unLibre = false;
        for (size_t i = 0; i < executants.size();) {
            if (executants[i].connexion < 0 && std::exchange(unLibre, true)) {
                Retire(executants[i]);
                executants.erase(executants.begin() + std::ptrdiff_t(i));
            } else {
                ++i;
            }
        }
        if (attente[0].revents & POLLIN)
            Accepte(ecoute, tampon, executants);
    }
}

} // namespace quorvale::ut
