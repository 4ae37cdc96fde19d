#pragma once

#include <QString>

namespace quorvale::mapinfo {

/** Une instruction MapBasic reconnue, ses noms et chemins tels qu'écrits (guillemets retirés). */
struct Instruction {
    enum class Genre {
        Importe,            // Import "<src>" [Type "MIF"] [Into "<dst>"] [Overwrite]
        OuvreTable,         // Open Table "<chemin>" [As <alias>] [Interactive]
        Exporte,            // Export <table> Into "<dst>" [Type "MIF"] [Overwrite]
        Selectionne,        // Select * From <table> [Where RowID = <n>] Into <nom> [NoSelect]
        Enregistre,         // Commit Table <table> [As "<chemin>"] [Type NATIVE] [Charset "<jeu>"] [Interactive]
        FermeTable,         // Close Table <table> [Interactive]
        FermeTout,          // Close All [Interactive]
        Insere,             // Insert Into <table> Select * From <table>
        BarresProgression,  // Set ProgressBars On|Off
    };
    Genre genre = Genre::FermeTout;
    QString chemin;   // Import, Open Table : le fichier lu ; Export, Commit : le fichier écrit
    QString cible;    // Import : la table écrite (vide : le chemin lu en .tab)
    QString table;    // la table nommée (Export, Select From, Commit, Close Table, Insert Into)
    QString source;   // Insert : la table lue
    QString nom;      // Select : la table de requête créée ; Open Table : l'alias donné par As
    QString jeu;      // Commit : le jeu de caractères demandé (vide : celui de la table)
    long long ligne = -1; // Select : la ligne retenue par RowID ; -1 : toutes
    bool actif = false;   // Set ProgressBars : On
};

/** Le résultat de l'analyse : l'instruction, ou le texte français de l'erreur. */
struct Analyse {
    Instruction instruction;
    QString erreur;
    bool valide() const { return erreur.isEmpty(); }
};

/** Analyse une instruction comme MapBasic : mots clés sans égard à la casse, blancs libres,
 *  chaînes entre guillemets ("" pour un guillemet). Ne lève jamais d'exception. */
Analyse AnalyseInstruction(const QString &texte);

/** Le nom de table qu'un chemin reçoit à l'ouverture : le nom du fichier sans dossier ni extension. */
QString AliasDeChemin(const QString &chemin);

} // namespace quorvale::mapinfo
