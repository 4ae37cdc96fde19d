#pragma once

#include "erreur.h"
#include "travail.h"

#include <QSet>
#include <QString>
#include <optional>

namespace quorvale {

/** Un fichier refusé sans arrêter le traitement : le texte dit pourquoi ; le traitement le montre
 *  (ou le note) et passe au fichier suivant. Toute autre Erreur met fin au traitement. */
class RefusFichier : public Erreur {
public:
    using Erreur::Erreur;
};

/** Le temps permis par défaut à chaque appel du traducteur ou de MapInfo, en secondes (10 minutes). */
inline constexpr int DelaiTraducteurParDefaut = 600;
/** Le temps permis à chaque appel, en secondes : le réglage « DelaiTraducteur » de l'utilisateur quand
 *  c'est un entier positif ou nul (0 : sans limite), DelaiTraducteurParDefaut sinon. */
int DelaiTraducteur();

/** Les noms des entrées d'un dossier (fichiers et dossiers, cachés compris) ; vide s'il n'existe pas. */
QSet<QString> EntreesDossier(const QString &dossier);
/** Supprime du dossier les entrées absentes de l'instantané « avant » dont le nom commence, sans égard
 *  à la casse, par une des bases suivie de "." ou "_", ou par ".imut-" (chantier d'un traducteur
 *  interrompu) : ce qu'un appel raté a laissé sous des noms finals. Rien de ce qui existait avant. */
void RetireSortiesPartielles(const QString &dossier, const QSet<QString> &avant, const QStringList &bases);

/** Le refus d'un chemin qui ne s'écrit pas sur une seule ligne (saut de ligne ou retour chariot) ;
 *  vide quand le chemin convient. */
std::optional<QString> RefusChemin(const QString &chemin);

/** Convertit un fichier par le traducteur universel (une des douze paires) : écrit Trad_Macro.txt,
 *  lance LanceParam.bat puis LanceTrad.bat et, quand ExtCible vaut "shp", renomme les sorties. Quand
 *  un lancement échoue (code non nul, délai dépassé), ce qu'il a ajouté au dossier de la destination
 *  est retiré : la raison est dans MessagesTraducteur.
 *  Lève RefusFichier quand un chemin contient un saut de ligne, Erreur pour une clause illisible,
 *  un fichier de travail qui ne s'écrit pas ou un processus qui ne se crée pas. */
void TraduitFichier(Travail &travail, const QString &source, const QString &destination);

/** Le texte de Trad_Macro.txt, lignes terminées par CR LF ; lève Erreur pour une clause illisible. */
QString TexteMacro(const Travail &travail, const QString &source, const QString &dossierCible,
                   const QString &dossierSource, const QString &cleCible, const QString &cleSource);
/** Écrit Trad_Macro.txt dans le dossier temporaire (UTF-8). */
void EcritMacro(const Travail &travail, const QString &source, const QString &dossierCible,
                const QString &dossierSource, const QString &cleCible, const QString &cleSource);

/** La commande generate de la paire ; lève Erreur pour une paire que le traducteur ne fait pas. */
QString CommandeGenerate(const Travail &travail, const QString &source, const QString &cleSource,
                         const QString &cleCible);
/** La commande de traduction sur Trad_Macro.txt. */
QString CommandeTraduction(const Travail &travail);

/** Crée ou vide nom + ".bat" et y écrit la ligne suivie d'un saut de ligne ; lève Erreur si
 *  le fichier ne s'écrit pas. */
void EcritBatch(const QString &nom, const QString &ligne);
/** Lance le fichier de commandes et attend sa fin. */
ResultatProcessus ExecuteEtAttend(Processus &processus, const QString &fichierCommandes);
/** La ligne telle que l'interpréteur la lit : le même texte, en entier (tout est UTF-8 ici). */
QString VersOem(const QString &texte);
/** Un texte à placer entre guillemets doubles dans une ligne de /bin/sh : $ ` " \ précédés de "\". */
QString EchappeSh(const QString &texte);

/** Le numéro de projection d'une clause CoordSys (l'entier avant la première virgule) ;
 *  lève Erreur quand il ne se lit pas. */
int CodeProjection(const QString &clause);
/** La clause réécrite sous sa forme Bounds (code moins 2000, les quatre dernières valeurs en bornes). */
QString AjouteBornes(const QString &clause);
/** Vrai quand la case « Utiliser la projection du fichier » est cochée et qu'un .prj accompagne la source. */
bool ProjectionDuFichier(const Travail &travail, const QString &source);
/** Demande au traducteur (« imut projection », fichier de commandes LancePrj.bat) si la section PRJ
 *  de la couverture E00 nomme un système terrestre ; faux quand il ne le dit pas, erreur comprise. */
bool SystemePropreE00(Travail &travail, const QString &source);

} // namespace quorvale
