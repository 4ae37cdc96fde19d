// imut : lanceur sans bibliothèque. Pendant un traitement, il confie l'appel au travailleur qui
// reste chargé (variable QUORVALE_TRAVAILLEUR_UT) et rend son code quand les sorties sont
// fermées ; sinon la commande generate passe (exec) à imut_generate (Qt Core seul), la
// traduction à imut_gdal. Ainsi aucun appel ne paie un chargement inutile (GDAL : 55 ms).
#include "travailleur.h"

#include <strings.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char **environ;

namespace {

using namespace quorvale::ut;

bool Ajoute(char *tampon, size_t &n, const char *texte)
{
    const size_t l = std::strlen(texte) + 1;
    if (n + l > TailleMaxDemande)
        return false;
    std::memcpy(tampon + n, texte, l);
    n += l;
    return true;
}

ssize_t Recoit(int prise, char *octets, size_t n)
{
    ssize_t r;
    do
        r = ::recv(prise, octets, n, 0);
    while (r < 0 && errno == EINTR);
    return r;
}

// L'appel confié au travailleur : son code, ou -1 quand rien n'a été lancé (le lanceur fait
// alors le travail lui-même).
int ParTravailleur(const char *chemin, int argc, char **argv)
{
    sockaddr_un adresse{};
    adresse.sun_family = AF_UNIX;
    if (std::strlen(chemin) >= sizeof adresse.sun_path)
        return -1;
    std::strcpy(adresse.sun_path, chemin);

    static char tampon[TailleMaxDemande];
    EnTete tete{MagieTravailleur, 0, unsigned(argc - 1), 0};
    tete.masque = ::umask(022);
    ::umask(mode_t(tete.masque));
    size_t n = sizeof tete;
    for (int i = 1; i < argc; ++i)
        if (!Ajoute(tampon, n, argv[i]))
            return -1;
    char dossier[4096];
    if (!::getcwd(dossier, sizeof dossier) || !Ajoute(tampon, n, dossier))
        return -1;
    for (char **e = environ; *e; ++e, ++tete.nEnvironnement)
        if (!Ajoute(tampon, n, *e))
            return -1;
    std::memcpy(tampon, &tete, sizeof tete);

    const int prise = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (prise < 0)
        return -1;
    if (::connect(prise, reinterpret_cast<sockaddr *>(&adresse), sizeof adresse) != 0) {
        ::close(prise);
        return -1;
    }
    const int fds[3] = {0, 1, 2};
    char reponse[1 + sizeof(int)];
    if (!EnvoieAvecDescripteurs(prise, tampon, n, fds) || Recoit(prise, reponse, sizeof reponse) != 1
        || reponse[0] != 'D') {
        ::close(prise);
        return -1;
    }
    // Lancée : le code vient quand la conversion a fini et fermé ses fichiers.
    int code = 1;
    if (Recoit(prise, reponse, sizeof reponse) == ssize_t(sizeof reponse) && reponse[0] == 'S')
        std::memcpy(&code, reponse + 1, sizeof code);
    else
        std::fprintf(stderr, "imut : Le traducteur s'est arrêté avant la fin de la traduction.\n");
    ::close(prise);
    return code;
}

} // namespace

int main(int argc, char **argv)
{
    const char *prise = std::getenv(VariableTravailleur);
    if (prise && *prise) {
        const int code = ParTravailleur(prise, argc, argv);
        if (code >= 0)
            return code;
    }

    const bool generation = argc > 1 && ::strcasecmp(argv[1], "generate") == 0;
    const char *nom = generation ? "imut_generate" : "imut_gdal";
    char chemin[4096];
    ssize_t n = ::readlink("/proc/self/exe", chemin, sizeof chemin - 64);
    if (n <= 0) {
        std::strncpy(chemin, argv[0], sizeof chemin - 64);
        chemin[sizeof chemin - 64] = 0;
        n = ssize_t(std::strlen(chemin));
    }
    chemin[n] = 0;
    char *barre = std::strrchr(chemin, '/');
    std::strcpy(barre ? barre + 1 : chemin, nom);
    argv[0] = chemin;
    ::execv(chemin, argv);
    std::fprintf(stderr, "imut : Impossible de lancer le traducteur « %s ».\n", chemin);
    return 1;
}
