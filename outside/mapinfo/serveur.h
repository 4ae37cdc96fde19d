#pragma once

#include <QString>
#include <istream>
#include <ostream>

namespace quorvale::mapinfo {

/** Ce qui exécute les requêtes du client d'automation. */
class Executeur {
public:
    virtual ~Executeur() = default;
    /** Exécute une instruction ; le texte de l'erreur en français, vide quand elle a réussi. */
    virtual QString Execute(const QString &instruction) = 0;
    /** La propriété « visible » ; faux quand la propriété est inconnue. */
    virtual bool EcritPropriete(const QString &nom, bool valeur) = 0;
    /** Le client libère l'objet : tout ce qui est ouvert se ferme. */
    virtual void Libere() {}
};

/** Sert le client jusqu'à "FIN" ou la fin de l'entrée ; rend le code de sortie du serveur. */
int Sert(std::istream &entree, std::ostream &sortie, Executeur &executeur);

} // namespace quorvale::mapinfo
