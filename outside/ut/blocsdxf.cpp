#include "blocsdxf.h"

#include <QByteArray>
#include <QHash>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace quorvale::dxf {

namespace {

struct Insertion {
    QByteArray bloc;
    std::int64_t fois = 1;
};

struct Bloc {
    std::int64_t entites = 0;
    std::vector<Insertion> insertions;
};

// Au-delà, le compte n'a plus de sens : il est arrêté là.
constexpr std::int64_t Plafond = std::int64_t(1) << 40;

std::int64_t Borne(std::int64_t n)
{
    return std::min(n, Plafond);
}

struct Calcul {
    const QHash<QByteArray, Bloc> &blocs;
    QHash<QByteArray, std::pair<std::int64_t, int>> faits; // entités, profondeur
    QHash<QByteArray, bool> enCours;

    // Entités d'un bloc une fois inséré, et profondeur de ses insertions. Un bloc qui s'insère
    // lui-même ne compte pas sa propre insertion : GDAL la refuse.
    std::pair<std::int64_t, int> De(const QByteArray &nom, int profondeur)
    {
        if (const auto it = faits.constFind(nom); it != faits.constEnd())
            return *it;
        const auto it = blocs.constFind(nom);
        if (it == blocs.constEnd() || enCours.value(nom) || profondeur > MaximumImbrication + 1)
            return {0, 0};
        enCours[nom] = true;
        std::int64_t total = it->entites;
        int plusProfond = 0;
        for (const Insertion &i : it->insertions) {
            const auto [n, p] = De(i.bloc, profondeur + 1);
            total = Borne(total + (n > 0 && i.fois > Plafond / n ? Plafond : Borne(n * i.fois)));
            plusProfond = std::max(plusProfond, p + 1);
        }
        enCours[nom] = false;
        faits[nom] = {total, plusProfond};
        return {total, plusProfond};
    }
};

} // namespace

CompteBlocs CompteEntites(QIODevice &dessin)
{
    QHash<QByteArray, Bloc> blocs;
    Bloc racine;
    enum { Ailleurs, DansBlocs, DansEntites } section = Ailleurs;
    bool nomDeSection = false, dansBloc = false, nomDeBloc = false, dansInsertion = false;
    QByteArray blocCourant;
    Insertion insertion;
    std::int64_t colonnes = 1, rangees = 1;
    auto cible = [&]() -> Bloc & { return section == DansEntites ? racine : blocs[blocCourant]; };
    auto termineInsertion = [&] {
        if (!dansInsertion)
            return;
        insertion.fois = std::max<std::int64_t>(1, colonnes) * std::max<std::int64_t>(1, rangees);
        if (!insertion.bloc.isEmpty())
            cible().insertions.push_back(insertion);
        dansInsertion = false;
    };
    while (!dessin.atEnd()) {
        const QByteArray code = dessin.readLine().trimmed();
        if (dessin.atEnd() && code.isEmpty())
            break;
        const QByteArray valeur = dessin.readLine().trimmed();
        bool ok = false;
        const int c = code.toInt(&ok);
        if (!ok)
            continue;
        if (c == 0) {
            termineInsertion();
            nomDeSection = valeur == "SECTION";
            if (valeur == "ENDSEC") {
                section = Ailleurs;
                continue;
            }
            if (section == DansBlocs && valeur == "BLOCK") {
                dansBloc = nomDeBloc = true;
                continue;
            }
            if (section == DansBlocs && valeur == "ENDBLK") {
                dansBloc = nomDeBloc = false;
                continue;
            }
            nomDeBloc = false;
            if (section == Ailleurs || (section == DansBlocs && !dansBloc) || valeur == "SEQEND" || valeur == "VERTEX"
                || valeur == "ATTRIB" || valeur == "EOF")
                continue;
            ++cible().entites;
            if (valeur == "INSERT") {
                dansInsertion = true;
                insertion = Insertion();
                colonnes = rangees = 1;
            }
            continue;
        }
        if (nomDeSection && c == 2) {
            section = valeur == "BLOCKS" ? DansBlocs : valeur == "ENTITIES" ? DansEntites : Ailleurs;
            nomDeSection = false;
        } else if (nomDeBloc && c == 2) {
            blocCourant = valeur.toUpper();
            blocs[blocCourant];
            nomDeBloc = false;
        } else if (dansInsertion && c == 2) {
            insertion.bloc = valeur.toUpper();
        } else if (dansInsertion && c == 70) {
            colonnes = valeur.toLongLong();
        } else if (dansInsertion && c == 71) {
            rangees = valeur.toLongLong();
        }
    }
    termineInsertion();
    blocs.insert(QByteArrayLiteral("\n racine"), racine);
    Calcul calcul{blocs, {}, {}};
    const auto [total, profondeur] = calcul.De(QByteArrayLiteral("\n racine"), 0);
    return {racine.entites, total, profondeur};
}

QString DepasseBornes(const CompteBlocs &compte, const QString &nom)
{
    if (compte.imbrication > MaximumImbrication)
        return u"Le dessin « %1 » n'est pas traduit : ses blocs s'insèrent les uns dans les autres sur plus de %2 "
               u"niveaux."_s.arg(nom).arg(MaximumImbrication);
    if (compte.inserees - compte.ecrites > MaximumAjoutees)
        return u"Le dessin « %1 » n'est pas traduit : l'insertion de ses blocs ajouterait %2 entités "
               u"à celles qu'il écrit lui-même (%3) ; le traducteur en accepte %4 au plus."_s.arg(nom)
            .arg(compte.inserees >= Plafond ? u"plus de %1"_s.arg(Plafond) : QString::number(compte.inserees - compte.ecrites))
            .arg(compte.ecrites)
            .arg(MaximumAjoutees);
    return {};
}

} // namespace quorvale::dxf
