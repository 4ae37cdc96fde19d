#include "projections.h"

#include "erreur.h"
#include "registre.h"

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

ReglagesProjection LireReglages(Reglages &reglages)
{
    ReglagesProjection valeurs;
    if (!reglages.Ouvre())
        return valeurs;
    const std::pair<QString, bool *> noms[] = {{u"AssoMots"_s, &valeurs.AssoMots},
                                               {u"Feuillets"_s, &valeurs.Feuillets},
                                               {u"Projection"_s, &valeurs.Mtm},
                                               {u"Datum"_s, &valeurs.Nad83}};
    for (const auto &[nom, valeur] : noms) {
        if (const std::optional<bool> lue = reglages.Lit(nom))
            *valeur = *lue;
        else
            reglages.Ecrit(nom, true);
    }
    return valeurs;
}

void EcrireReglages(Reglages &reglages, const ReglagesProjection &valeurs)
{
    if (!reglages.Ouvre())
        return;
    reglages.Ecrit(u"AssoMots"_s, valeurs.AssoMots);
    reglages.Ecrit(u"Feuillets"_s, valeurs.Feuillets);
    reglages.Ecrit(u"Projection"_s, valeurs.Mtm);
    reglages.Ecrit(u"Datum"_s, valeurs.Nad83);
}

QString ProjectionsFixes::ProjectionFichier(const QString &chemin) const
{
    return quorvale::ProjectionFichier(chemin, reglages, associations, ProjectionChoisie);
}

OrigineSysteme ProjectionsFixes::ExpliqueFichier(const QString &chemin) const
{
    return ExpliqueProjection(chemin, reglages, associations, ProjectionChoisie);
}

ProjectionsFixes ChargeProjections(Reglages &reglages, const QString &dossierMapInfo,
                                   const QString &dossierExecutable, QStringList *erreurs)
{
    ProjectionsFixes projections;
    projections.reglages = LireReglages(reglages);
    QString erreur;
    if (auto catalogue = ChargeCatalogue(FichierCatalogue(dossierMapInfo, dossierExecutable), &erreur))
        projections.catalogue = std::move(*catalogue);
    else if (erreurs)
        *erreurs << erreur;
    try {
        projections.associations = ChargeAssociations(EmplacementAssociations(dossierExecutable, DossierConfiguration()));
    } catch (const Erreur &e) {
        if (erreurs)
            *erreurs << e.texte();
    }
    return projections;
}

} // namespace quorvale
