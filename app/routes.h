#pragma once

#include "travail.h"

#include <QString>
#include <QStringList>

namespace quorvale {

class Projections;

/** La manière dont une paire de formats est convertie. */
enum class Route {
    Aucune,             // paire refusée
    Directe,            // une tâche du traducteur
    ImportMapInfo,      // 35 : MapInfo importe le mif
    ExportMapInfo,      // 53 : MapInfo exporte la table
    OperationTable,     // 15 : RegroupeCouches vers la table
    DeuxTempsUneTable,  // 41, 42
    DeuxTempsTables,    // 21, 24 : le traducteur écrit plusieurs tables
    DeuxTempsOperation, // 12, 14 : RegroupeCouches puis le traducteur
    CopiePrj,           // 44
};

/** La route d'un code de paire (10 × source + destination). */
Route RouteDePaire(int codePaire);

/** Le dossier de travail des routes : DossierTemp + "TempTrad". */
QString DossierTravail(const Travail &travail);

/** Convertit la source (chemin en minuscules) en destination par la route de la paire. Rend les
 *  sorties attendues, pour vérifier ensuite que la route a laissé quelque chose. Le dossier de
 *  travail ne survit pas à l'appel, même après une erreur. */
QStringList ConvertitFichier(int codePaire, Travail &travail, const Projections &projections,
                             const QString &source, const QString &destination);

/** Les instructions MapBasic des routes 35 et 53. */
QStringList InstructionsImport(const QString &source, const QString &destination);
QStringList InstructionsExport(const QString &source, const QString &destination);

} // namespace quorvale
