#include "texte.h"

#include "erreur.h"

#include <cmath>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace quorvale::e00 {

QByteArray Entier(long long valeur, int largeur)
{
    QByteArray texte = QByteArray::number(valeur);
    if (texte.size() > largeur)
        throw Erreur(u"Valeur entière %1 trop grande pour un champ E00 de %2 colonnes."_s
                         .arg(valeur).arg(largeur));
    return QByteArray(largeur - texte.size(), ' ') + texte;
}

QByteArray Reel(double valeur, int largeur, int decimales)
{
    if (!std::isfinite(valeur))
        valeur = 0.0;
    if (std::fabs(valeur) < 1e-99)
        valeur = 0.0; // aussi -0
    if (std::fabs(valeur) >= 9.9e99)
        throw Erreur(u"Valeur réelle %1 trop grande pour l'export E00."_s.arg(valeur));
    // snprintf suit LC_NUMERIC : on formate soi-même le point décimal pour ne pas en dépendre.
    char tampon[64];
    std::snprintf(tampon, sizeof tampon, "%*.*E", largeur, decimales, valeur);
    QByteArray texte(tampon);
    texte.replace(',', '.');
    if (texte.size() != largeur) // arrondi qui ajoute un chiffre à l'exposant : 9.99...E+99
        throw Erreur(u"Valeur réelle %1 impossible à écrire en E00."_s.arg(valeur));
    return texte;
}

QByteArray Texte(const QByteArray &valeur, int largeur)
{
    if (valeur.size() >= largeur)
        return valeur.left(largeur);
    return valeur + QByteArray(largeur - valeur.size(), ' ');
}

QByteArray VersCp1252(const QString &texte)
{
    // 0x80 à 0x9F de Windows-1252 ; le reste du premier octet suit Latin-1.
    static const char16_t Haut[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    QByteArray sortie;
    sortie.reserve(texte.size());
    for (const QChar c : texte) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F) {
            sortie.append(' ');
        } else if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            sortie.append(char(u));
        } else {
            char octet = '?';
            for (int i = 0; i < 32; ++i)
                if (Haut[i] != 0 && Haut[i] == u)
                    octet = char(0x80 + i);
            if (c.isLowSurrogate())
                continue; // la moitié haute a déjà donné son "?"
            sortie.append(octet);
        }
    }
    return sortie;
}

} // namespace quorvale::e00
