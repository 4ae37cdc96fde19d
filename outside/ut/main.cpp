// imut : lanceur sans bibliothèque. La commande generate passe (exec) à imut_generate (Qt Core
// seul), la traduction à imut_gdal ; l'appelant attend toujours le même processus. Ainsi ni
// l'une ni l'autre ne paie le chargement dont elle n'a pas besoin (GDAL : 55 ms).
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
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
