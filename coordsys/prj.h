#pragma once

#include "catalogue.h"

#include <QByteArray>
#include <QString>

namespace quorvale {

/** Le dossier des textes .prj intégrés (ressources Qt de la bibliothèque « ressources »). */
inline constexpr char16_t RacinePrj[] = u":/prj";

/** Le texte .prj intégré d'un nom (cherché en majuscules). Lève quorvale::Erreur
 *  (« Ressource <nom> non trouvée ») quand il n'existe pas. */
QByteArray TextePrj(const QString &nom, const QString &racine = QString::fromUtf16(RacinePrj));

/** Le texte des paramètres d'une clause : ce qui suit le premier "Projection" et son blanc. */
QString ParametresClause(const QString &clause);

enum class ResultatPrj {
    Ecrit,        // le texte intégré a été écrit
    NonTerrestre, // l'entrée du catalogue est non terrestre : rien n'est écrit
    Introuvable,  // aucune entrée du catalogue n'a ces paramètres : au traitement de s'en charger
};

/** Écrit, octet pour octet, le .prj d'une clause à l'endroit donné (chemin complet du .prj),
 *  en remplaçant un fichier existant. Lève quorvale::Erreur si le texte intégré manque ou si
 *  le fichier ne s'écrit pas. */
ResultatPrj EcritPrj(const Catalogue &catalogue, const QString &clause, const QString &fichierPrj,
                     const QString &racine = QString::fromUtf16(RacinePrj));

} // namespace quorvale
