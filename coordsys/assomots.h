#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace quorvale {

/** Une association : un mot du chemin source désigne une projection du catalogue. */
struct Association {
    QString Mot;
    QString Nom;        // nom de la projection
    QString Parametres; // texte des paramètres, sans le préfixe de la clause
    bool operator==(const Association &autre) const
    {
        return Mot == autre.Mot && Nom == autre.Nom && Parametres == autre.Parametres;
    }
};

/** Le fichier des associations dans un dossier (celui de l'exécutable). */
QString FichierAssoMots(const QString &dossier);

/** Les associations d'un contenu de fichier : Windows-1252, ou UTF-8 précédé de sa marque. */
QList<Association> LitAssociations(const QByteArray &contenu);
/** Le contenu du fichier : une ligne « mot;nom;paramètres; » par association, fins CR LF ;
 *  Windows-1252, ou UTF-8 avec marque quand un caractère n'y a pas de code. */
QByteArray TexteAssociations(const QList<Association> &associations);

/** Où se lisent et s'écrivent les associations d'un programme. */
struct EmplacementAssoMots {
    QString lecture;  // le fichier lu au démarrage
    QString ecriture; // le fichier qu'écrit « Enregistrer »
    bool personnel = false; // dans la configuration de l'utilisateur
};
/** À côté de l'exécutable quand son dossier s'écrit et que le programme n'est pas installé ; sinon
 *  <configuration>/Olvessa/AssoMots.txt, et tant que celui-ci n'existe pas, la lecture se fait dans
 *  les associations livrées (dossier des données du programme). */
EmplacementAssoMots EmplacementAssociations(const QString &dossierExecutable, const QString &dossierConfiguration);

/** Les associations de l'emplacement. Seul le fichier à côté de l'exécutable est créé vide s'il
 *  manque ; celui de l'utilisateur naît au premier enregistrement, des lignes affichées. */
QList<Association> ChargeAssociations(const EmplacementAssoMots &emplacement);

/** Lit le fichier, créé vide s'il manque. Lève quorvale::Erreur s'il ne se crée ni ne se lit. */
QList<Association> ChargeAssociations(const QString &fichier);
/** Écrit le fichier par un fichier provisoire puis un remplacement : l'ancien ne se perd jamais.
 *  Lève quorvale::Erreur (« Impossible de créer le fichier "<chemin>". <raison> »). */
void EnregistreAssociations(const QString &fichier, const QList<Association> &associations);
/** Écrit le fichier de l'emplacement ; celui de l'utilisateur avec son dossier au besoin. */
void EnregistreAssociations(const EmplacementAssoMots &emplacement, const QList<Association> &associations);

/** Ajoute chaque mot absent (casse de A à Z ignorée) avec la projection donnée ; un mot répété
 *  n'est ajouté qu'une fois. */
void AjouteMots(QList<Association> &associations, const QStringList &mots, const QString &nom,
                const QString &parametres);
/** Trie par la colonne (0 mot, 1 nom, 2 paramètres), croissant, casse de A à Z ignorée. */
void TrieAssociations(QList<Association> &associations, int colonne);
/** La première association, dans l'ordre donné, dont le mot figure dans le chemin (casse de A à Z
 *  ignorée) ; nullptr sinon. Un mot vide ne correspond jamais. */
const Association *ChercheAssociation(const QList<Association> &associations, const QString &chemin);

} // namespace quorvale
