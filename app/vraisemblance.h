#pragma once

#include <QString>

namespace quorvale {

/** L'avertissement de vraisemblance d'un fichier source dont la clause vient de son numéro de
 *  feuillet et s'applique à ses données (dessin, couverture, fichier de formes sans .prj pris) :
 *  l'étendue lue par « <imut> etendue » comparée au feuillet projeté dans la zone. Vide quand
 *  la clause ne vient pas d'un feuillet, que l'étendue ne se lit pas ou que tout est plausible.
 *  Ne change rien à la conversion. */
QString VraisemblanceFichier(const QString &imut, const QString &source, const QString &clause,
                             bool projectionDuFichier);

/** Ajoute un avertissement à ceux d'un fichier, séparés par « ; ». */
void AjouteAvertissement(QString &avertissements, const QString &texte);

} // namespace quorvale
