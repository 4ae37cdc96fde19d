#pragma once

#include <QString>

namespace quorvale {

/** Ce que le traitement montre de son avancement et comment il apprend l'annulation. La fenêtre
 *  d'avancement l'implémente, quorvale-lot l'écrit dans le terminal, les essais l'enregistrent. */
class Avancement {
public:
    virtual ~Avancement() = default;
    /** Ouvre (ou rouvre sur place) l'affichage, avec ou sans jauge ; efface l'annulation. */
    virtual void AfficheAttente(const QString &message, bool avecJauge) = 0;
    /** Message (vide : inchangé) et pourcentage ; hors de 0 à 100, seul le message change.
     *  Pompe les messages et ferme l'affichage quand l'annulation est demandée. */
    virtual void AvanceAttente(const QString &message, int pourcentage) = 0;
    /** Ferme l'affichage s'il est ouvert. */
    virtual void FermeAttente() = 0;
    /** Vrai quand l'utilisateur a demandé l'annulation depuis la dernière ouverture. */
    virtual bool Annulation() const = 0;
    /** Vrai tant que l'affichage est ouvert ; faux après une annulation suivie d'un pas. */
    virtual bool Ouverte() const = 0;
    /** Un chemin raccourci pour l'affichage (le nom de fichier toujours gardé). */
    virtual QString AbregeChemin(const QString &chemin) const { return chemin; }
};

} // namespace quorvale
