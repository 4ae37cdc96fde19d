#pragma once

#include "assomots.h"
#include "catalogue.h"
#include "feuillet.h"

#include <QString>

namespace quorvale {

class Messages;
class Reglages;

/** La clause de départ, tant que rien n'a été choisi. */
inline constexpr char16_t ProjectionDeDepart[] = u"CoordSys NonEarth Projection 0, 7";

/** Ce que le traitement demande aux systèmes de coordonnées : la clause d'un fichier source,
 *  lue sur l'état du moment (les réglages agissent tout de suite), et le catalogue. */
class Projections {
public:
    virtual ~Projections() = default;
    /** La clause CoordSys du fichier source ; jamais vide. */
    virtual QString ProjectionFichier(const QString &chemin) const = 0;
    /** La même clause et la règle qui l'a donnée. */
    virtual OrigineSysteme ExpliqueFichier(const QString &chemin) const
    {
        return {ProjectionFichier(chemin), RegleSysteme::Choisie, {}};
    }
    /** Le catalogue chargé au démarrage ; vide s'il ne s'est pas lu. */
    virtual const Catalogue &CatalogueProjections() const = 0;
};

/** Les réglages lus (dans l'ordre AssoMots, Feuillets, Projection, Datum) ; une valeur absente
 *  est écrite à vrai. Magasin qui ne s'ouvre pas : valeurs de départ, rien n'est écrit. */
ReglagesProjection LireReglages(Reglages &reglages);
/** Écrit les quatre réglages, si le magasin s'ouvre. */
void EcrireReglages(Reglages &reglages, const ReglagesProjection &valeurs);

/** Les systèmes de coordonnées sans fenêtre (le programme en mode terminal, les essais). */
class ProjectionsFixes : public Projections {
public:
    Catalogue catalogue;
    ReglagesProjection reglages;
    QList<Association> associations;
    QString ProjectionChoisie = QString::fromUtf16(ProjectionDeDepart);

    QString ProjectionFichier(const QString &chemin) const override;
    OrigineSysteme ExpliqueFichier(const QString &chemin) const override;
    const Catalogue &CatalogueProjections() const override { return catalogue; }
};

/** Charge sans fenêtre : les réglages (LireReglages), le catalogue (dossier de MapInfo terminé par
 *  "/", sinon dossier de l'exécutable) et les associations de cet exécutable (EmplacementAssociations). Un catalogue ou un fichier
 *  d'associations illisible laisse la liste vide et son message est ajouté à erreurs. */
ProjectionsFixes ChargeProjections(Reglages &reglages, const QString &dossierMapInfo,
                                   const QString &dossierExecutable, QStringList *erreurs = nullptr);

} // namespace quorvale
