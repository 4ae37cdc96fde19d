#pragma once

#include "fichiers.h"

#include <QDateTime>
#include <QSet>
#include <QString>
#include <functional>

namespace quorvale {

class TScruteDossier;

/** (Sender, Nom) : le chemin complet du fichier ou du dossier rencontré. */
using TScruteEvent = std::function<void(TScruteDossier &Sender, const QString &Nom)>;
using TNotifyEvent = std::function<void(TScruteDossier &Sender)>;

/** Parcourt une arborescence et annonce, par ses événements, chaque fichier dont le nom répond à
 *  l'un des motifs de Filtre et chaque sous-dossier rencontré. Ne collecte rien lui-même. */
class TScruteDossier {
public:
    TScruteDossier() = default;

    /** Dossier de départ ; "/" final toléré (jamais doublé dans les chemins annoncés). */
    QString Dossier = QStringLiteral("/");
    /** Motifs de noms de fichiers séparés par ";", * et ? sans égard à la casse, pris dans l'ordre. */
    QString Filtre = QStringLiteral("*.*");
    bool SousDossier = true;
    /** Niveau le plus profond dont les fichiers sont listés (départ = 0) ; négatif : sans limite. */
    int MaxPenetration = 10000;

    TScruteEvent OnFichier;
    TScruteEvent OnDossier;
    /** (chemin, raison) : un dossier qui ne se lit pas, ou un nom qui ne s'écrit pas dans
     *  l'encodage de la session ; le parcours continue sans lui. */
    std::function<void(const QString &chemin, const QString &raison)> OnIllisible;
    TNotifyEvent OnExecute;
    TNotifyEvent OnFinExecute;

    /** Arrêt demandé : le parcours finit avant l'entrée suivante ; remis à faux au début d'Execute. */
    bool Arret = false;

    /** Un parcours complet ; revient quand il est fini ou arrêté. Une exception d'un gestionnaire
     *  sort aussitôt (sans OnFinExecute). */
    void Execute();

    /** Taille du dernier fichier annoncé (à lire dans OnFichier) ; lue à la demande. */
    qint64 TailleFichier() const;
    QDateTime DateFichier() const;
    QString FichierCourant() const { return fichier_; }
    QString DossierCourant() const { return dossier_; }
    int Profondeur() const { return profondeur_; }

private:
    void Parcourt(const QString &dossier, const QString &reel, int profondeur, QStringList &ancetres);
    void PasseFichiers(const QString &dossier, const QList<EntreeDossier> &entrees);

    QString fichier_;
    QString dossier_;
    void LitAttributs() const;
    mutable bool attributsLus_ = true;
    mutable qint64 taille_ = 0;
    mutable QDateTime date_;
    int profondeur_ = 0;
    // Chaque vrai dossier n'est parcouru qu'une fois, par quelque chemin qu'on y arrive.
    QSet<QString> vus_;
};

} // namespace quorvale
