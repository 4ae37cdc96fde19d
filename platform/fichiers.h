#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace quorvale {

/** Chemin réel d'un chemin donné : tel quel s'il existe, sinon chaque composant cherché sans
 *  égard à la casse ASCII ; les composants introuvables restent tels qu'écrits (fichier à créer). */
QString Resous(const QString &chemin);

/** Vrai quand la date du fichier se lit et que ce n'est pas un dossier. */
bool FichierExiste(const QString &chemin);
/** Vrai quand le chemin désigne un dossier existant. */
bool DossierExiste(const QString &chemin);

/** Copie un fichier ; garde = vrai refuse d'écraser une cible existante. Copier un fichier sur
 *  lui-même ne fait rien et réussit (il ne doit jamais être tronqué). */
bool CopieFichier(const QString &source, const QString &cible, bool garde);
/** Déplace (renomme) un fichier ; une cible existante est remplacée. */
bool DeplaceFichier(const QString &source, const QString &cible);
bool SupprimeFichier(const QString &chemin);
/** Crée un dossier (un seul niveau, comme Windows). */
bool CreeDossier(const QString &chemin);
/** Suppression silencieuse d'une arborescence ; vrai quand elle n'existe plus. */
bool SupprimeArborescence(const QString &chemin);

/** Le dossier temporaire de l'utilisateur, terminé par "/" ; vide si inconnu. */
QString DossierTemporaire();

/** Un dossier de travail neuf et privé sous base (/tmp quand base est vide) : créé sans course
 *  (mkdtemp), vérifié à cet utilisateur, mode 0700, pas un lien ; terminé par "/". Vide quand il
 *  ne peut pas être créé ou n'est pas sûr, la raison en français dans *raison. */
QString CreeDossierPrive(const QString &base, QString *raison);

/** La cause d'un échec d'entrée-sortie en français (disque plein, accès refusé...), le texte du
 *  système pour les causes rares. */
QString CauseEntreeSortie(int erreur);

/** Motif de nom de fichier avec * et ?, sans égard à la casse. */
bool CorrespondMotif(const QString &nom, const QString &motif);

struct EntreeDossier {
    QString nom;
    bool dossier = false;
    // Un lien, ou un type que la liste ne dit pas : son chemin réel reste à lire (ChercheNoms).
    bool lien = false;
    qint64 taille = 0;
    QDateTime date;
};

/** Les entrées d'un dossier dont le nom correspond au motif, dans l'ordre de la liste du système ;
 *  "." et ".." exclus ; vide si le dossier ne se lit pas. */
QList<EntreeDossier> ChercheDossier(const QString &dossier, const QString &motif);

/** Comme ChercheDossier, sans lire les attributs des fichiers : taille 0 et date nulle ; le type
 *  (dossier ou non) vient de la liste du système. *lu dit si le dossier a pu être lu ; avec
 *  invalides, les noms qui ne s'écrivent pas dans l'encodage de la session y sont mis, pas rendus. */
QList<EntreeDossier> ChercheNoms(const QString &dossier, const QString &motif, bool *lu = nullptr,
                                 QStringList *invalides = nullptr);

/** Remplace l'extension (à partir du dernier "." du nom de fichier) ; ajoute si aucune. */
QString ChangeExtension(const QString &chemin, const QString &extension);

} // namespace quorvale

// Ses membres se déplacent en mémoire sans constructeur : les listes de cent mille entrées grandissent
// sans recopie.
Q_DECLARE_TYPEINFO(quorvale::EntreeDossier, Q_RELOCATABLE_TYPE);
