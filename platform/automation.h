#pragma once

#include "registre.h"

#include <QString>
#include <memory>

class QProcess;

namespace quorvale {

/** Un objet d'automation créé ; le détruire le libère et met fin au serveur. Toute erreur
 *  (réponse d'erreur, serveur mort, délai dépassé) lève quorvale::Erreur avec le texte du serveur. */
class ObjetAutomation {
public:
    virtual ~ObjetAutomation() = default;
    virtual void EcritPropriete(const QString &nom, bool valeur) = 0;
    virtual void Do(const QString &instruction) = 0;
    /** Faux quand le serveur est mort ou a été arrêté : il faut en créer un autre. */
    virtual bool Actif() const { return true; }
};

/** Création d'un objet d'automation à partir de son ProgID. */
class Automation {
public:
    virtual ~Automation() = default;
    /** L'objet créé ; lève quorvale::Erreur quand le serveur n'est pas enregistré ou ne démarre pas. */
    virtual std::unique_ptr<ObjetAutomation> Cree(const QString &progId) = 0;
};

/** Le protocole entre client et serveur : une ligne de requête, une ligne de réponse, en UTF-8.
 *  Requêtes : "PROPRIETE <nom> 0|1", "DO <instruction>", "FIN". Réponses : "OK" ou "ERREUR <texte>".
 *  Le serveur annonce "PRET" à son démarrage. Dans une instruction ou un texte, "\" s'écrit "\\",
 *  un saut de ligne "\n" et un retour chariot "\r". */
QString EncodeLigneAutomation(const QString &texte);
QString DecodeLigneAutomation(const QString &ligne);

/** Le programme et ses arguments d'une ligne de commande Windows (chemin entre guillemets ou non). */
QStringList DecoupeCommande(const QString &commande);

/** Client réel : ProgID → CLSID → commande LocalServer, lancée avec -Embedding, dialogue sur
 *  l'entrée et la sortie standard. delaiMs borne chaque appel (0 : pas de limite). */
class AutomationLocale : public Automation {
public:
    explicit AutomationLocale(const Registre &registre, int delaiMs = 0);
    std::unique_ptr<ObjetAutomation> Cree(const QString &progId) override;

private:
    const Registre &registre_;
    int delaiMs_;
};

} // namespace quorvale
