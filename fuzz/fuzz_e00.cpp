// Notre lecture des exports E00 : la décompression, puis le balayage des sections.
#include "correspondance.h"
#include "e00.h"
#include "erreur.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    const QByteArray contenu(reinterpret_cast<const char *>(donnees), qsizetype(taille));
    if (!quorvale::e00::EstCompresse(contenu)) {
        quorvale::ut::ClassesE00(contenu);
        return 0;
    }
    try {
        const QByteArray texte = quorvale::e00::Decompresse(contenu);
        if (!texte.startsWith("EXP  0") || quorvale::e00::EstCompresse(texte))
            std::abort();
        quorvale::ut::ClassesE00(texte);
    } catch (const quorvale::Erreur &) {
    }
    return 0;
}
