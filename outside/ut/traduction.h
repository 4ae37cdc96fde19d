#pragma once

// Les conversions du traducteur, sur GDAL. Appelables d'un processus qui reste chargé.

#include "correspondance.h"

#include <QStringList>

namespace quorvale::ut {

/** Enregistre les pilotes utiles et le relevé des erreurs de GDAL ; une fois par processus. Un
 *  processus qui reste chargé l'appelle avant de se dupliquer pour chaque conversion. */
void InitialiseGdal();

/** Les douze genres d'objets et leurs suffixes de fichiers de formes, dans l'ordre de la collecte. */
const QStringList &SuffixesGenres();

/** Exécute un travail : lit la source, écrit la destination ; rien n'est laissé sous un nom final
 *  quand il échoue. Lève Erreur en français. */
void Convertit(const Travail &travail);

/** « imut projection "<couverture.e00>" » : 0 quand la section PRJ de la couverture (compressée ou
 *  non) nomme un système terrestre, 2 sinon ; lève Erreur quand elle ne se lit pas. */
int ProjectionPropre(const QStringList &arguments);

/** Les commandes du traducteur : « generate ... », « projection ... » ou « <Trad_Macro.txt> » ;
 *  0 ou 1 (projection : 0, 2 ou 1). */
int Traduit(const QStringList &arguments);

} // namespace quorvale::ut
