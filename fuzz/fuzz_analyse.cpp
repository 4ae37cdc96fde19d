// L'analyse des instructions MapBasic reçues par le serveur MapInfo.
#include "analyse.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    const QString texte = QString::fromUtf8(reinterpret_cast<const char *>(donnees), qsizetype(taille));
    const quorvale::mapinfo::Analyse a = quorvale::mapinfo::AnalyseInstruction(texte);
    // Jamais valide et muette à la fois sur une instruction vide.
    if (a.valide() && texte.trimmed().isEmpty())
        std::abort();
    quorvale::mapinfo::AliasDeChemin(a.instruction.chemin);
    quorvale::mapinfo::AliasDeChemin(texte);
    return 0;
}
