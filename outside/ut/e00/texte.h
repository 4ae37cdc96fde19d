#pragma once

#include <QByteArray>
#include <QString>

// Mise en forme des champs à colonnes fixes d'un export E00, toujours à la manière du
// locale « C » (le point décimal, jamais la virgule de l'utilisateur).
namespace quorvale::e00 {

/** Entier cadré à droite sur largeur colonnes (I10, I11, I6...). */
QByteArray Entier(long long valeur, int largeur);
/** Réel en notation E sur largeur colonnes avec decimales chiffres : R14 (7), R21 (14), R24 (17).
 *  -0 s'écrit 0 ; les valeurs trop petites pour un exposant à deux chiffres s'écrivent 0. */
QByteArray Reel(double valeur, int largeur, int decimales);
/** Texte cadré à gauche, complété d'espaces ou coupé à largeur octets. */
QByteArray Texte(const QByteArray &valeur, int largeur);
/** Le texte en Windows-1252, "?" pour ce qui n'y figure pas ; les caractères de contrôle deviennent
 *  des espaces (un saut de ligne décalerait les enregistrements). */
QByteArray VersCp1252(const QString &texte);

} // namespace quorvale::e00
