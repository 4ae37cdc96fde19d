// Le catalogue des projections (mapinfow.prj) et ce que les dialogues en tirent.
#include "catalogue.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    using namespace quorvale;
    const Catalogue c = LitCatalogue(QByteArray(reinterpret_cast<const char *>(donnees), qsizetype(taille)));
    if (c.ParametresCatalogue.size() != c.RessourcesCatalogue.size()
        || c.Categories.size() + 1 != c.DebutsCategories.size())
        std::abort();
    for (qsizetype k = -1; k <= c.Categories.size(); ++k)
        for (const qsizetype i : LignesProjections(c, k)) {
            if (i < 0 || i >= c.LignesCatalogue.size())
                std::abort();
            ClauseProjection(ParametresProjection(c.LignesCatalogue[i]));
        }
    for (const QString &p : c.ParametresCatalogue)
        if (ChercheParametres(c, p) < 0)
            std::abort();
    return 0;
}
