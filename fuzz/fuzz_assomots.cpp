// Le fichier des associations de mots (AssoMots.txt) : lecture, écriture, relecture, recherche.
#include "assomots.h"
#include "feuillet.h"

#include <cstdint>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    using namespace quorvale;
    QList<Association> a = LitAssociations(QByteArray(reinterpret_cast<const char *>(donnees), qsizetype(taille)));
    // Ce qui a été lu se réécrit sans rien perdre.
    if (LitAssociations(TexteAssociations(a)) != a)
        std::abort();
    ProjectionFichier(u"/données/31H05-102/Routes Québec.tab"_s, ReglagesProjection{}, a,
                      u"CoordSys Earth Projection 1, 104"_s);
    if (!a.isEmpty()) {
        // Des copies : AjouteMots agrandit la liste d'où viendraient des références.
        const QString nom = a.first().Mot, parametres = a.last().Nom;
        AjouteMots(a, {a.first().Nom, a.last().Parametres}, nom, parametres);
        TrieAssociations(a, int(taille % 3));
        ChercheAssociation(a, a.first().Parametres);
    }
    return 0;
}
