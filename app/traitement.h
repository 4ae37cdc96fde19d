#pragma once

#include "avancement.h"
#include "choix.h"
#include "feuillet.h"
#include "services.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace quorvale {

class Projections;

/** Les cases et le champ de la fenêtre que lit le traitement (ou leurs options de quorvale-lot). */
struct OptionsTraitement {
    QString Fichiers = QStringLiteral("*");  // Edit1
    bool SousDossiers = false;               // CheckBox1 « Sous dossiers »
    bool Remplacer = false;                  // CheckBox2 « Remplacer fichiers existants »
    bool RegrouperCouches = false;           // CheckBox3 « Regrouper les couches »
    bool UtiliserProjectionFichier = true;   // CheckBox4 « Utiliser la projection du fichier »
    int Partie = 0;                          // --partie K/N : K (1 à N) ; 0 : tous les fichiers
    int Parties = 0;                         // N
};

/** Ce qu'il advient d'un fichier source. */
struct ResultatFichier {
    enum Etat { Traduit, Ignore, SansResultat, Echec, NonTraite };
    QString Source;
    QString Destination;
    Etat etat = NonTraite;
    QString Raison; // vide pour un fichier ignoré parce que sa destination existe déjà
    QString Systeme = {};                       // la clause CoordSys donnée à la sortie ; vide sinon
    RegleSysteme Regle = RegleSysteme::Aucune;  // d'où vient cette clause
    QString DetailRegle = {};                   // le feuillet et sa zone, le mot de l'association
    QString Avertissement = {};                 // ce qu'un fichier traduit a de douteux
};

/** Le compte rendu d'un traitement. */
struct Bilan {
    std::optional<QString> Refus;  // le message d'un choix refusé : rien n'a été fait
    std::optional<QString> Erreur; // le texte de l'erreur qui a mis fin au traitement
    bool AucunFichier = false;
    bool Annule = false;
    QList<ResultatFichier> Fichiers;

    /** Les fichiers qui n'ont rien donné, ou qu'on a refusé de traduire pour protéger la source. */
    QList<ResultatFichier> Problemes() const;
    /** Vrai quand chaque fichier non ignoré a donné un résultat et que rien n'a interrompu le traitement. */
    bool Reussi() const;
};

/** Ce que la fenêtre (ou quorvale-lot) prête au traitement. */
struct Contexte {
    Choix &choix;
    OptionsTraitement options;
    Automation &automation;
    Processus &processus;
    Messages &messages;
    Horloge &horloge;
    Avancement &avancement;
    const Projections &projections;
    QString DossierTemp = {}; // terminé par "/"
    /** L'objet d'automation de MapInfo, tenu par Traduire pendant le traitement ; nul sinon. */
    ObjetAutomation *AppMapInfo = nullptr;
    /** Remplace un MapInfo mort par un neuf (rendu, ou l'ancien si le nouveau ne démarre pas) ;
     *  posé par Traduire pendant le traitement. */
    std::function<ObjetAutomation *()> RelanceMapInfo = {};
    /** Le panneau 0 de la barre d'état. */
    std::function<void(const QString &)> Etat = {};
    /** Active (vrai) ou désactive (faux) les 17 contrôles, dans leur ordre. */
    std::function<void(bool)> Controles = {};
    /** Ramène la fenêtre principale au premier plan. */
    std::function<void()> AuPremierPlan = {};
};

/** Le traducteur chargé une fois pour tout un traitement (« imut_gdal --travailleur ») : sa prise
 *  est dans un dossier privé du dossier temporaire ; la variable QUORVALE_TRAVAILLEUR_UT la nomme
 *  aux lanceurs imut tant qu'il écoute. Il se charge pendant que les premiers appels se font sans
 *  lui (rien n'attend) ; mort en route, il est remplacé ; il s'arrête, et la variable est rendue,
 *  à la destruction. Sans lui, chaque appel de imut charge GDAL lui-même. */
class TravailleurTraducteur {
public:
    TravailleurTraducteur(const QString &dossierMapInfo, const QString &dossierTemp);
    ~TravailleurTraducteur();
    TravailleurTraducteur(const TravailleurTraducteur &) = delete;
    TravailleurTraducteur &operator=(const TravailleurTraducteur &) = delete;
    /** Avant une conversion : lance le travailleur quand d'autres conversions suivent, le nomme dès
     *  qu'il écoute, le remplace s'il est mort. Vrai quand les appels passent par lui. */
    bool Prepare(qsizetype conversionsRestantes);
    /** Attend au plus delaiMs qu'il écoute (pour les essais) ; vrai quand il sert. */
    bool AttendPret(int delaiMs);
    /** Le processus du travailleur ; 0 sans travailleur. */
    qint64 Pid() const;

private:
    void Lance();
    bool LitPret(int delaiMs);
    void Oublie();
    struct Etat;
    std::unique_ptr<Etat> etat_;
};

/** « Traduire » : vérifications, fichiers de travail, contrôles verrouillés, MapInfo pour les paires
 *  qui en ont besoin, traduction, puis remise en état quelle que soit l'issue. N'échappe jamais
 *  d'exception : l'erreur est montrée par Messages après la remise en état. */
Bilan Traduire(Contexte &contexte);

/** La liste, le tri et la boucle des fichiers ; lève une erreur qui met fin au traitement. */
void LanceTraduction(Contexte &contexte, Bilan &bilan);

/** Ce que la liste des fichiers a trouvé en plus des fichiers eux-mêmes. */
struct SourcesListees {
    QSet<QString> Doublons;              // les noms qui ne diffèrent d'un autre que par la casse
    QList<ResultatFichier> Illisibles;   // les dossiers qui ne se lisent pas, en échec
    bool Interrompue = false;            // annulée pendant le parcours
};
/** Parcourt le dossier source sous la fenêtre d'avancement (sans jauge), remplit et trie
 *  ListeFichiers ; liste vide : la fenêtre est fermée et le message « aucun fichier » montré.
 *  N'écrit rien. */
SourcesListees ListeSources(Contexte &contexte);
/** Ne garde de la liste (et des dossiers illisibles) que la part --partie du traitement. */
void GardePartie(Contexte &contexte, SourcesListees &listees);

// --- Décisions, sans fenêtre ni disque sauf mention ---

/** 10 × source + destination (53 : tab vers mif). */
int CodePaire(int formatSource, int formatCible);
/** Le premier refus des choix, dans l'ordre des vérifications ; rien quand tout convient. Consulte
 *  le disque pour les deux dossiers. */
std::optional<QString> RefusChoix(const Choix &choix);
/** Vrai quand le traitement ouvre MapInfo : 53, 35, 15, et 12, 14 quand les couches sont regroupées. */
bool OuvreMapInfo(int codePaire, bool regrouperCouches);
/** La liste des motifs du champ Fichiers suivi de "." et de la clé source ("a;b*.shp" → "a.shp;b*.shp"). */
QString FiltreSource(const QString &texte);
/** Les lettres de A à Z en minuscules, les autres caractères inchangés. */
QString MinusculesAscii(const QString &texte);
/** Le chemin de destination : la partie de la source sous son dossier, sous le dossier cible
 *  (un seul "/" entre eux), avec l'extension de la destination. */
QString CheminCible(const QString &source, const QString &dossierSource, const QString &dossierCible,
                    const QString &extCible);
/** Crée, sous le dossier cible, les dossiers de la partie relative (sauf le nom du fichier) ; rend
 *  ceux qu'il a créés, du moins profond au plus profond. */
QStringList CreeDossiersCible(const QString &dossierCible, const QString &relatif);

/** FNV-1a 64 bits des octets UTF-8 du chemin relatif mis en minuscules (sans "/" de tête) : la même
 *  valeur sur chaque machine, et pour deux sources qui ne diffèrent que par la casse. */
quint64 EmpreinteChemin(const QString &relatif);
/** Vrai quand le fichier de ce chemin relatif est de la partie k (1 à n) : empreinte modulo n, plus 1. */
bool DansPartie(const QString &relatif, int partie, int parties);

enum class Ecrasement { Remplace, Poursuit, Saute };
/** La règle d'écrasement : Remplace (supprimer puis traduire), Poursuit ou Saute. */
Ecrasement RegleEcrasement(bool remplacer, int codePaire, bool cibleExiste, bool prjExiste);

/** Supprime une destination et ses fichiers compagnons selon son extension ; sans effet pour les
 *  autres extensions. Les échecs sont ignorés. */
void SupprimeCible(const QString &chemin);
/** Supprime un dossier et tout ce qu'il contient, sans confirmation ; vrai quand il n'existe plus. */
bool SupprimeDossier(const QString &chemin);
/** Les quatre fichiers de travail du traducteur. */
const QStringList &FichiersTravail();
/** Supprime ceux des fichiers de travail qui existent dans le dossier temporaire. */
void SupprimeFichiersTravail(const QString &dossierTemp);
/** Vrai quand l'une des sorties attendues (le fichier, ses jeux de formes ou les tables nommées
 *  d'après lui : base_*.ext) a été écrite depuis ce moment. */
bool SortieProduite(const QStringList &cibles, const QDateTime &depuis);

/** Le panneau 0 et le texte de la fenêtre qui nomment les fichiers restés sans résultat ; vides
 *  quand il n'y en a pas. */
QString EtatFinal(const Bilan &bilan);
QString TexteProblemes(const Bilan &bilan);

} // namespace quorvale
