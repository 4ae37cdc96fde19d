#pragma once

#include <QLocale>
#include <QString>

namespace quorvale {

/** Le format d'heure longue de la région, sans le fuseau horaire (en français « HH:mm:ss »). */
QString FormatHeureLongue(const QLocale &locale);
/** Le texte de l'estimation : « Temps restant: » et la durée (ms + 1 s, modulo 24 h) au format
 *  d'heure longue. */
QString TexteTempsRestant(double restantMs, const QLocale &locale);
/** Le temps restant en millisecondes d'après le temps écoulé et le pourcentage atteint ; 0 à 0 %. */
double TempsRestant(double ecouleMs, int pourcentage);
} // namespace quorvale
