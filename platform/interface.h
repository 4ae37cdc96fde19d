#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace quorvale {

/** Boîtes de message modales au texte fixe. */
class Messages {
public:
    enum class Reponse { Oui, Non, Annuler };
    virtual ~Messages() = default;
    virtual void Affiche(const QString &texte) = 0;
    /** Une question « Oui », « Non », « Annuler » ; sans fenêtre, « Non ». */
    virtual Reponse Question(const QString &texte)
    {
        Affiche(texte);
        return Reponse::Non;
    }
};

/** Les dialogues communs : ouverture de fichiers et choix d'un dossier. Une liste ou un texte vide
 *  veut dire que l'utilisateur a annulé. */
class Dialogues {
public:
    virtual ~Dialogues() = default;
    /** Fichiers choisis (sélection multiple), chemins complets dans l'ordre du dialogue. */
    virtual QStringList ChoisitFichiers(const QString &description, const QString &motif) = 0;
    /** Un fichier texte à ouvrir. */
    virtual QString ChoisitFichier(const QString &titre, const QString &description, const QString &motif,
                                   const QString &extensionParDefaut) = 0;
    /** Un dossier, sans dossier présélectionné. */
    virtual QString ChoisitDossier(const QString &titre) = 0;
};

/** L'aide en français du programme. */
class Aide {
public:
    virtual ~Aide() = default;
    /** Montre la page d'entrée du fichier d'aide ; un fichier absent est signalé par la fenêtre d'aide. */
    virtual void AfficheAide(const QString &fichier) = 0;
};

} // namespace quorvale
