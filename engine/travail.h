#pragma once

#include "automation.h"
#include "horloge.h"
#include "processus.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace quorvale {

/** Ce qu'une tâche du traducteur reçoit du traitement : dossiers, choix de l'utilisateur et services.
 *  Passé par référence ; les champs de sortie (MessagesTraducteur) sont remplis par le moteur. */
struct Travail {
    Travail(Processus &p, Horloge &h, QStringList &tables) : processus(p), horloge(h), ListeTables(tables) {}

    QString DossierTemp;    // dossier temporaire de l'utilisateur, terminé par "/" ; vide : dossier courant
    QString DossierMapInfo; // dossier d'installation de MapInfo (mapinfow, UT/imut), terminé par "/"
    QString ExtCible;       // clé du format de destination du traitement ("shp" : les sorties sont renommées)
    bool UtiliserProjectionFichier = false; // CheckBox4 « Utiliser la projection du fichier »
    bool RegrouperCouches = false;          // CheckBox3 « Regrouper les couches »

    /** La clause CoordSys d'un fichier source (feuillet, associations de mots, projection choisie) ;
     *  vide : "CoordSys NonEarth Projection 0, 7". */
    std::function<QString(const QString &source)> ProjectionFichier;
    /** Vrai quand une source E00 porte elle-même un système terrestre (section PRJ) : la case
     *  cochée, la tâche n'écrit alors aucune clause et la couverture garde le sien. Vide : jamais. */
    std::function<bool(const QString &source)> SystemePropre;

    Processus &processus;
    Horloge &horloge;
    ObjetAutomation *AppMapInfo = nullptr; // ouvert par le traitement ; requis pour regrouper les couches
    QStringList &ListeTables;              // tables trouvées dans le dossier de travail

    /** Parcourt dossier (sous-dossiers compris) et ajoute à ListeTables chaque fichier qui répond au
     *  filtre, comme le gestionnaire OnFichier de ScruteDossier2. Vide : le moteur prend son propre
     *  TScruteDossier. */
    std::function<void(const QString &dossier, const QString &filtre)> ScruteDossier2;

    /** Ce que le traducteur a dit quand il a échoué : sa sortie d'erreur, ou son code de sortie, une
     *  entrée par lancement, dans l'ordre. Le moteur ne fait qu'ajouter ; le traitement vide la liste
     *  avant chaque fichier pour dire pourquoi celui-ci n'a rien donné. */
    QStringList MessagesTraducteur;
    /** Les lignes « Avertissement : ... » du traducteur, sans ce préfixe : le fichier est traduit,
     *  mais quelque chose s'est perdu ou a changé. Le moteur ne fait qu'ajouter ; le traitement vide
     *  la liste avant chaque fichier et la range dans le résultat du fichier. */
    QStringList AvertissementsTraducteur;
    /** Les lancements du traducteur ratés (code non nul, délai dépassé) depuis la création ; le moteur
     *  ne fait qu'ajouter, une route y voit qu'une de ses étapes a échoué. */
    int AppelsRates = 0;
};

} // namespace quorvale
