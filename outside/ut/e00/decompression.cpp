#include "e00.h"

#include "erreur.h"

using namespace Qt::Literals::StringLiterals;

namespace quorvale::e00 {

namespace {

// Une ligne E00 ne dépasse jamais 80 caractères ; au-delà, le fichier est abîmé.
constexpr int LongueurMaxLigne = 80;

/** Le flot compressé, lu caractère par caractère, sans les fins de ligne (elles ne portent rien). */
class Flot {
public:
    Flot(const QByteArray &texte, qsizetype debut) : texte_(texte), pos_(debut) {}

    bool Fin() { SauteFinsDeLigne(); return pos_ >= texte_.size(); }
    /** Le caractère suivant ; '\0' à la fin. */
    char Suivant()
    {
        SauteFinsDeLigne();
        if (pos_ >= texte_.size())
            return '\0';
        return texte_.at(pos_++);
    }
    void Recule() { pos_ = precedent_; }
    /** Numéro de la ligne du fichier où l'on est, pour les messages. */
    int Ligne() const { return int(texte_.left(pos_).count('\n')) + 1; }

private:
    void SauteFinsDeLigne()
    {
        while (pos_ < texte_.size() && (texte_.at(pos_) == '\n' || texte_.at(pos_) == '\r'))
            ++pos_;
        precedent_ = pos_;
    }

    const QByteArray &texte_;
    qsizetype pos_;
    qsizetype precedent_ = 0;
};

[[noreturn]] void Abime(const Flot &flot, const QString &raison)
{
    throw Erreur(u"Le fichier E00 compressé est invalide (ligne %1) : %2."_s.arg(flot.Ligne()).arg(raison));
}

/** Un nombre codé : un caractère de format puis des paires de chiffres, jusqu'à une espace ou un "~". */
void DecodeNombre(Flot &flot, char format, QByteArray &ligne)
{
    const int code = format - '!';
    const int virgule = code % 15; // 0 : pas de point décimal
    const bool impair = code / 45 != 0;
    const int exposant = (code / 15) % 3; // 0 : aucun, 1 : E+, 2 : E-
    const qsizetype debut = ligne.size();
    int chiffres = 0;
    char c;
    while ((c = flot.Suivant()) != '\0' && c != ' ' && c != '~') {
        int paire = c - '!';
        if (paire == 92) {
            const char complement = flot.Suivant();
            if (complement < '!' || complement > '(')
                Abime(flot, u"paire de chiffres incomplète"_s);
            paire += complement - '!';
        }
        if (paire < 0 || paire > 99 || (paire > 91 && c != '}'))
            Abime(flot, u"chiffre codé hors limites"_s);
        for (const int chiffre : {paire / 10, paire % 10}) {
            ligne.append(char('0' + chiffre));
            if (++chiffres == virgule)
                ligne.append('.');
        }
        if (ligne.size() > LongueurMaxLigne)
            Abime(flot, u"ligne de plus de 80 caractères"_s);
    }
    if (c != '\0')
        flot.Recule();
    if (ligne.size() == debut)
        Abime(flot, u"nombre codé vide"_s);
    // Nombre impair de chiffres : la dernière paire n'en porte qu'un.
    if (impair)
        ligne.chop(1);
    if (exposant != 0) {
        if (ligne.size() - debut < 2)
            Abime(flot, u"exposant incomplet"_s);
        ligne.insert(ligne.size() - 2, exposant == 1 ? "E+" : "E-");
    }
}

} // namespace

bool EstCompresse(const QByteArray &texte)
{
    return texte.startsWith("EXP  1");
}

QByteArray Decompresse(const QByteArray &texte)
{
    if (!EstCompresse(texte))
        throw Erreur(u"Le fichier n'est pas un export E00 compressé."_s);

    // La ligne d'en-tête reste en clair ; seul son "1" devient "0".
    qsizetype finEntete = texte.indexOf('\n');
    if (finEntete < 0)
        throw Erreur(u"Le fichier E00 compressé est tronqué : il n'a que sa ligne d'en-tête."_s);
    QByteArray entete = texte.left(finEntete);
    if (entete.endsWith('\r'))
        entete.chop(1);
    entete[5] = '0';

    QByteArray sortie;
    sortie.reserve(texte.size() * 3);
    sortie.append(entete).append('\n');

    Flot flot(texte, finEntete + 1);
    QByteArray ligne;
    QByteArray derniere;
    bool ligneOuverte = false;
    bool apresNombre = false;
    while (!flot.Fin()) {
        const char c = flot.Suivant();
        ligneOuverte = true;
        if (c != '~') {
            ligne.append(c);
            apresNombre = false;
        } else {
            const char code = flot.Suivant();
            if (code == ' ') {
                // "~ " puis le nombre d'espaces, décalé de ' '.
                const char n = flot.Suivant();
                if (n < ' ' || n > '~')
                    Abime(flot, u"nombre d'espaces invalide"_s);
                ligne.append(QByteArray(n - ' ', ' '));
                apresNombre = false;
            } else if (code == '}') {
                sortie.append(ligne).append('\n');
                derniere = ligne;
                ligne.clear();
                ligneOuverte = false;
                apresNombre = false;
            } else if (code == '\0') {
                Abime(flot, u"séquence \"~\" coupée en fin de fichier"_s);
            } else if (apresNombre) {
                // Ce "~" ne faisait que terminer le nombre précédent.
                ligne.append(code);
                apresNombre = false;
            } else if (code == '~' || code == '-') {
                ligne.append(code);
            } else if (code >= '!' && code <= 'z') {
                DecodeNombre(flot, code, ligne);
                apresNombre = true;
            } else {
                Abime(flot, u"séquence inconnue \"~%1\""_s.arg(QLatin1Char(code)));
            }
        }
        if (c == '\0')
            Abime(flot, u"caractère nul"_s);
        if (ligne.size() > LongueurMaxLigne)
            Abime(flot, u"ligne de plus de 80 caractères"_s);
    }
    if (ligneOuverte && !ligne.isEmpty()) {
        sortie.append(ligne).append('\n');
        derniere = ligne;
    }
    while (derniere.endsWith(' '))
        derniere.chop(1);
    if (derniere != "EOS")
        throw Erreur(u"Le fichier E00 compressé est tronqué : il ne se termine pas par EOS."_s);
    return sortie;
}

} // namespace quorvale::e00
