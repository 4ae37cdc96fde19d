#include "e00.h"

#include <QByteArrayList>
#include <QRegularExpression>

#include <algorithm>
#include <cstdlib>

namespace quorvale::e00 {

namespace {

// Les réels d'une ligne, en forme E, qui se touchent (« -1.0E+00 2.0E+00 ») ; vide s'il n'y en a pas.
std::vector<double> Reels(const QByteArray &ligne)
{
    static const QRegularExpression re(QStringLiteral("[-+ ]?\\d\\.\\d+[Ee][-+]\\d\\d"));
    std::vector<double> valeurs;
    auto it = re.globalMatch(QString::fromLatin1(ligne));
    while (it.hasNext())
        valeurs.push_back(it.next().captured().trimmed().toDouble());
    return valeurs;
}

std::vector<long long> Entiers10(const QByteArray &ligne)
{
    std::vector<long long> valeurs;
    for (qsizetype i = 0; i < ligne.size(); i += 10)
        valeurs.push_back(ligne.mid(i, 10).trimmed().toLongLong());
    return valeurs;
}

bool EstFin(const QByteArray &ligne)
{
    return ligne.startsWith("        -1         0");
}

} // namespace

std::vector<AnnotationLue> LitAnnotations(const QByteArray &texte)
{
    QByteArrayList lignes = texte.split('\n');
    for (QByteArray &l : lignes)
        if (l.endsWith('\r'))
            l.chop(1);
    std::vector<AnnotationLue> annotations;
    const qsizetype n = lignes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QByteArray &entete = lignes[i];
        if (!(entete.startsWith("TX6  ") || entete.startsWith("TX7  ")) || entete.size() < 6
            || (entete[5] != '2' && entete[5] != '3'))
            continue;
        // Sous-classes : un nom, des enregistrements, la ligne de fin ; JABBERWOCKY clôt le tout.
        ++i;
        while (i < n && !lignes[i].trimmed().startsWith("JABBERWOCKY")) {
            const QString sousClasse = QString::fromLatin1(lignes[i].trimmed());
            ++i;
            while (i < n && !EstFin(lignes[i])) {
                const std::vector<long long> tete = Entiers10(lignes[i]);
                if (tete.size() < 7)
                    return annotations; // section abîmée : ce qui précède est gardé
                AnnotationLue a;
                a.sousClasse = sousClasse;
                a.identifiant = tete[0];
                a.niveau = int(tete[1]);
                const long long sommets = std::llabs(tete[2]) + std::llabs(tete[3]);
                const long long caracteres = std::max(0LL, tete[6]);
                i += 1 + 6 + 1; // en-tête, six lignes de justification, la ligne d'un réel
                if (i >= n)
                    return annotations;
                const std::vector<double> hauteur = Reels(lignes[i]);
                a.hauteur = hauteur.empty() ? 1.0 : hauteur.front();
                ++i;
                for (long long k = 0; k < sommets && i < n; ++k, ++i) {
                    const std::vector<double> xy = Reels(lignes[i]);
                    if (k == 0 && xy.size() >= 2) {
                        a.x = xy[0];
                        a.y = xy[1];
                    }
                }
                long long lus = 0;
                for (; lus < caracteres && i < n; lus += 80, ++i)
                    a.chaine += lignes[i].left(int(std::min(80LL, caracteres - lus)));
                // Espaces de fin ôtés par un éditeur ; jamais plus que les lignes lues n'en portaient
                // (un compte abîmé ne fait pas grossir la chaîne).
                a.chaine = a.chaine.leftJustified(qsizetype(std::min(caracteres, lus)), ' ');
                annotations.push_back(std::move(a));
            }
            ++i; // la ligne de fin de la sous-classe
        }
    }
    return annotations;
}

} // namespace quorvale::e00
