#include "tas.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace quorvale {

// Un traitement garde le chemin de chaque fichier : cent mille petits blocs, une dizaine de Mo de
// tas neuf. Chaque page de 4 Ko touchée une première fois coûte une faute de page, chère dans une
// machine virtuelle : la moitié du temps de la liste d'une grande arborescence. En grandes pages,
// il en reste quelques-unes.
void PrepareTas()
{
    constexpr int Reserve = 64 << 20;
    // Le tas grandit par 64 Mo de mémoire virtuelle (seules les pages touchées comptent). Une
    // partie rendue au système puis reprise perdrait le conseil : rien n'est rendu en dessous de
    // 256 Mo libres au sommet.
    ::mallopt(M_TOP_PAD, Reserve);
    ::mallopt(M_TRIM_THRESHOLD, 4 * Reserve);
    // Des demandes que le sommet du tas ne couvre plus le font grandir tout de suite (64 Ko : sous
    // le seuil où malloc passe par mmap).
    char *const debut = static_cast<char *>(::sbrk(0));
    void *blocs[16] = {};
    for (void *&b : blocs) {
        if (::sbrk(0) != debut)
            break;
        b = std::malloc(64 << 10);
    }
    for (void *b : blocs)
        std::free(b);
    char *const fin = static_cast<char *>(::sbrk(0));
    const auto page = uintptr_t(::sysconf(_SC_PAGESIZE));
    char *const a = reinterpret_cast<char *>((reinterpret_cast<uintptr_t>(debut) + page - 1) & ~(page - 1));
    if (fin > a)
        (void)::madvise(a, size_t(fin - a), MADV_HUGEPAGE);
}

} // namespace quorvale
