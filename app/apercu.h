#pragma once

// L'aperçu d'un traitement : pour chaque fichier source, ce que « Traduire » en fera, décidé par
// les mêmes fonctions que la boucle du traitement, sans rien écrire ni créer.

#include "traitement.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace quorvale {

/** Ce que le traitement fera d'un fichier source. */
enum class ActionPrevue { Traduire, Remplacer, Ignorer, Refuser };

/** La clé d'une action dans le CSV : traduire, remplacer, ignorer, refuser. */
QString CleAction(ActionPrevue action);
/** Le nom d'une action pour la fenêtre (« Traduire », « Remplacer »...). */
QString NomAction(ActionPrevue action);

/** Ce que le disque dit d'un fichier au moment de décider (lu sans rien écrire). */
struct FaitsFichier {
    bool CibleExiste = false;
    bool PrjExiste = false;      // la destination avec l'extension .prj
    bool CibleEstSource = false; // la destination, résolue, est un fichier source du traitement
    std::optional<QString> Special; // le refus d'une source (ou d'un compagnon) qui n'est pas un fichier ordinaire
};

/** La décision pour un fichier. */
struct Decision {
    ActionPrevue Action = ActionPrevue::Traduire;
    bool SupprimeAvant = false; // « Remplacer » coché : la destination et ses compagnons d'abord supprimés
    ResultatFichier::Etat Etat = ResultatFichier::NonTraite; // l'état noté pour Ignorer et Refuser
    QString Raison;             // pourquoi il est ignoré, refusé ou remplacé sans la case ; vide sinon
};

/** La décision pour un fichier, sans disque. premierMemeCible : le fichier listé plus tôt dont la
 *  destination est la même sans égard à la casse ; vide sinon. */
Decision DecideFichier(const FaitsFichier &faits, const QString &premierMemeCible, int codePaire, bool remplacer);

/** Les faits d'un fichier et de sa destination ; sources : les fichiers réels du traitement. */
FaitsFichier LitFaits(const QString &source, const QString &destination, const QSet<QString> &sources);

/** Pour chaque fichier d'un groupe qui ne diffère que par la casse, le premier de la liste dont la
 *  destination est la même sans égard à la casse ; les premiers eux-mêmes n'y sont pas. */
QHash<QString, QString> PremiersMemeCible(const QStringList &liste, const QSet<QString> &doublons, const Choix &choix);

/** Le fichier réel derrière un chemin (casse résolue, liens suivis) ; vide s'il n'existe pas. */
QString FichierReel(const QString &chemin);
/** Le refus d'une source ou d'un de ses compagnons qui n'est pas un fichier ordinaire (tube,
 *  périphérique, dossier) ; rien quand tout va. */
std::optional<QString> RefusFichierSpecial(const QString &source);

/** Comment la paire est convertie, en clair (« par le traducteur », « par MapInfo »...). */
QString TexteRoute(int codePaire, bool regrouperCouches);

/** Une ligne de l'aperçu : la ligne du rapport (etat : celui qu'aura le fichier si tout va ;
 *  Raison : la route, ou pourquoi il est ignoré ou refusé) et l'action prévue. */
struct FichierPrevu {
    ResultatFichier Ligne;
    ActionPrevue Action = ActionPrevue::Traduire;
};

/** L'aperçu entier. */
struct Apercu {
    std::optional<QString> Refus; // le message d'un choix refusé, le même que « Traduire »
    bool AucunFichier = false;
    bool Annule = false;
    QList<FichierPrevu> Fichiers;
    int NonVerifies = 0; // fichiers classés par feuillet trop gros pour lire leur étendue ici
};

/** La taille au-delà de laquelle l'aperçu ne lit pas l'étendue d'un fichier (octets). */
inline constexpr qint64 TailleMaxEtendue = 8 * 1024 * 1024;

/** Les mêmes vérifications que « Traduire » (mêmes messages), la liste des fichiers, puis la
 *  décision, la route, la clause et sa règle de chacun ; l'étendue des fichiers classés par
 *  feuillet d'au plus TailleMaxEtendue octets est lue par « imut etendue » lancé directement.
 *  Ne crée ni dossier ni fichier, ne lance ni MapInfo ni travailleur. */
Apercu PrevoitTraitement(Contexte &contexte);

/** Les comptes par action : « 3 à traduire, 1 à remplacer, 2 à ignorer, 0 à refuser » ; puis les
 *  replis sur NonEarth, les avertissements et les fichiers non vérifiés. */
QString TexteComptesApercu(const Apercu &apercu);
/** L'aperçu en CSV, dans les colonnes du rapport (etat : la clé de l'action). */
QByteArray CsvApercu(const QList<FichierPrevu> &fichiers);
/** Une ligne par fichier et le bilan, pour le terminal. */
QString TexteApercu(const Apercu &apercu);

} // namespace quorvale
