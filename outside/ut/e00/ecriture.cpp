#include "e00.h"

#include "erreur.h"
#include "fichiers.h"
#include "prj.h"
#include "texte.h"

#include <ogr_api.h>
#include <ogr_featurestyle.h>

#include <ogrsf_frmts.h>

#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <variant>

using namespace Qt::Literals::StringLiterals;

namespace quorvale::e00 {

namespace {

// Couverture en double précision : coordonnées en R21, en-têtes de section « XXX  3 ».
constexpr int Precision = 3;
constexpr int LargeurCoord = 21;
constexpr int DecimalesCoord = 14;
constexpr int Univers = 1;

QByteArray Coord(double v) { return Reel(v, LargeurCoord, DecimalesCoord); }
QByteArray I10(long long v) { return Entier(v, 10); }

struct Point {
    double x = 0, y = 0;
    bool operator<(const Point &o) const { return x < o.x || (x == o.x && y < o.y); }
    bool operator==(const Point &o) const { return x == o.x && y == o.y; }
};

Point Normalise(double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y))
        throw Erreur(u"Coordonnée invalide (infinie ou indéfinie) dans la source."_s);
    return {x + 0.0, y + 0.0}; // -0 devient 0 : une seule clé par sommet
}

struct Etendue {
    double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    bool vide = true;
    void Ajoute(const Point &p)
    {
        if (vide) {
            xmin = xmax = p.x;
            ymin = ymax = p.y;
            vide = false;
        } else {
            xmin = std::min(xmin, p.x);
            xmax = std::max(xmax, p.x);
            ymin = std::min(ymin, p.y);
            ymax = std::max(ymax, p.y);
        }
    }
};

// ---- Attributs ---------------------------------------------------------------------------

enum class Type { Caractere, Entier4, Reel8, Date, Logique };

struct Item {
    QByteArray nom;
    Type type = Type::Caractere;
    int largeur = 1;    // octets dans l'enregistrement INFO
    int sortie = 1;     // largeur d'affichage
    int decimales = -1; // -1 : aucune
};

using Valeur = std::variant<std::monostate, long long, double, QByteArray>;
using Enregistrement = std::vector<Valeur>;

int CodeType(Type t)
{
    switch (t) {
    case Type::Caractere:
    case Type::Logique:
        return 20;
    case Type::Entier4:
        return 50;
    case Type::Reel8:
        return 60;
    case Type::Date:
        return 10;
    }
    return 20;
}

/** Le nom d'item INFO : majuscules ASCII sans accents, lettres, chiffres, "_", "#" et "-", 16 au plus. */
QByteArray NomItem(const QString &nom)
{
    QByteArray sortie;
    for (const QChar c : nom.normalized(QString::NormalizationForm_D)) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        const char16_t u = c.toUpper().unicode();
        if ((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '#' || u == '-')
            sortie.append(char(u));
        else
            sortie.append('_');
    }
    if (sortie.isEmpty() || !(sortie.at(0) >= 'A' && sortie.at(0) <= 'Z'))
        sortie.prepend('X');
    return sortie.left(16);
}

/** Un nom libre parmi pris : le nom, sinon coupé et suivi d'un numéro. */
QByteArray NomLibre(QByteArray nom, std::set<QByteArray> &pris)
{
    for (int n = 2; pris.count(nom); ++n) {
        const QByteArray suffixe = '_' + QByteArray::number(n);
        nom = nom.left(16 - suffixe.size()) + suffixe;
    }
    pris.insert(nom);
    return nom;
}

QByteArray FormateValeur(const Item &item, const Valeur &valeur)
{
    switch (item.type) {
    case Type::Entier4: {
        const long long *v = std::get_if<long long>(&valeur);
        return Entier(v ? *v : 0, 11);
    }
    case Type::Reel8: {
        double v = 0;
        if (const double *d = std::get_if<double>(&valeur))
            v = *d;
        else if (const long long *i = std::get_if<long long>(&valeur))
            v = double(*i);
        if (!std::isfinite(v))
            v = 0;
        return Reel(v, 24, 17);
    }
    case Type::Caractere:
    case Type::Logique:
    case Type::Date: {
        const QByteArray *t = std::get_if<QByteArray>(&valeur);
        return Texte(t ? *t : QByteArray(), item.largeur);
    }
    }
    return {};
}

/** Les items de l'utilisateur, réunis sur toutes les couches (même nom : même item). */
struct Schema {
    std::vector<Item> items;
    // Pour chaque couche, l'item de chacun de ses champs.
    std::vector<std::vector<int>> correspondance;
};

Type TypeDuChamp(const OGRFieldDefn &champ)
{
    switch (champ.GetType()) {
    case OFTInteger:
        return champ.GetSubType() == OFSTBoolean ? Type::Logique : Type::Entier4;
    case OFTInteger64:
        return Type::Entier4; // élargi en réel plus loin si une valeur dépasse 32 bits
    case OFTReal:
        return Type::Reel8;
    case OFTDate:
        return Type::Date;
    default:
        return Type::Caractere;
    }
}

// ---- Géométrie ---------------------------------------------------------------------------

using Anneau = std::vector<Point>; // fermé implicitement : le dernier sommet n'est pas répété

struct Polygone {
    std::vector<Anneau> anneaux; // l'extérieur d'abord, en sens horaire ; les trous, en sens direct
    int enregistrement = 0;
    OGRPolygon ogr;
};

struct Ligne {
    std::vector<Point> points;
    int enregistrement = 0;
};

struct Etiquette {
    Point p;
    int enregistrement = 0;
};

double AireSignee(const Anneau &a)
{
    double s = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const Point &p = a[i], &q = a[(i + 1) % a.size()];
        s += p.x * q.y - q.x * p.y;
    }
    return s / 2;
}

Anneau AnneauDe(const OGRLinearRing &ring, bool horaire)
{
    Anneau a;
    for (int i = 0; i < ring.getNumPoints(); ++i) {
        const Point p = Normalise(ring.getX(i), ring.getY(i));
        if (a.empty() || !(a.back() == p))
            a.push_back(p);
    }
    while (a.size() > 1 && a.front() == a.back())
        a.pop_back();
    if (a.size() >= 3 && ((AireSignee(a) < 0) != horaire))
        std::reverse(a.begin(), a.end());
    return a;
}

// Un objet texte : une annotation de la section TXT (chaîne en Windows-1252, hauteur, angle en degrés).
struct Annotation {
    Point p;
    QByteArray chaine;
    double hauteur = 1.0;
    double angle = 0.0;
};

struct Source {
    std::vector<Annotation> annotations;
    std::vector<Etiquette> points;
    std::vector<Ligne> lignes;
    std::vector<Polygone> polygones;
    Etendue etendue;
};

void AjouteGeometrie(const OGRGeometry *g, int enregistrement, Source &source)
{
    if (!g || g->IsEmpty())
        return;
    switch (wkbFlatten(g->getGeometryType())) {
    case wkbPoint: {
        const auto *p = g->toPoint();
        source.points.push_back({Normalise(p->getX(), p->getY()), enregistrement});
        source.etendue.Ajoute(source.points.back().p);
        return;
    }
    case wkbLineString: {
        const auto *l = g->toLineString();
        Ligne ligne{{}, enregistrement};
        for (int i = 0; i < l->getNumPoints(); ++i) {
            ligne.points.push_back(Normalise(l->getX(i), l->getY(i)));
            source.etendue.Ajoute(ligne.points.back());
        }
        // Un arc a au moins deux sommets.
        if (ligne.points.size() == 1)
            ligne.points.push_back(ligne.points.front());
        source.lignes.push_back(std::move(ligne));
        return;
    }
    case wkbPolygon: {
        const auto *poly = g->toPolygon();
        Polygone p;
        p.enregistrement = enregistrement;
        for (int i = 0; i < poly->getNumInteriorRings() + 1; ++i) {
            const OGRLinearRing *ring = i == 0 ? poly->getExteriorRing() : poly->getInteriorRing(i - 1);
            if (!ring)
                continue;
            Anneau a = AnneauDe(*ring, i == 0);
            for (const Point &s : a)
                source.etendue.Ajoute(s);
            // Un trou réduit à un point ne borne rien ; l'extérieur est gardé quoi qu'il en soit.
            if (i > 0 && a.size() < 2)
                continue;
            auto *r = new OGRLinearRing;
            for (const Point &s : a)
                r->addPoint(s.x, s.y);
            if (!a.empty())
                r->addPoint(a.front().x, a.front().y);
            p.ogr.addRingDirectly(r);
            p.anneaux.push_back(std::move(a));
        }
        source.polygones.push_back(std::move(p));
        return;
    }
    case wkbMultiPoint:
    case wkbMultiLineString:
    case wkbMultiPolygon:
    case wkbGeometryCollection: {
        for (const OGRGeometry *membre : *g->toGeometryCollection())
            AjouteGeometrie(membre, enregistrement, source);
        return;
    }
    default:
        break;
    }
    // Courbes, surfaces polyédriques... : leur forme linéaire.
    if (g->hasCurveGeometry() || wkbFlatten(g->getGeometryType()) == wkbPolyhedralSurface
        || wkbFlatten(g->getGeometryType()) == wkbTIN || wkbFlatten(g->getGeometryType()) == wkbTriangle) {
        std::unique_ptr<OGRGeometry> lineaire(g->getLinearGeometry());
        if (lineaire && wkbFlatten(lineaire->getGeometryType()) == wkbTriangle) {
            std::unique_ptr<OGRGeometry> polygone(OGRGeometryFactory::forceToPolygon(lineaire.release()));
            AjouteGeometrie(polygone.get(), enregistrement, source);
        } else if (lineaire && !lineaire->hasCurveGeometry()) {
            AjouteGeometrie(lineaire.get(), enregistrement, source);
        }
        return;
    }
}

// ---- Topologie ---------------------------------------------------------------------------

struct Arc {
    std::vector<Point> points;
    int de = 0, vers = 0;           // noeuds
    int gauche = 0, droite = 0;     // polygones
    int enregistrement = -1;        // -1 : limite de polygone, sans valeurs d'utilisateur
};

/** Un côté de la carte des limites : un segment entre deux sommets, avec le polygone à sa droite
 *  quand on va de a vers b. */
struct Cote {
    int a = 0, b = 0;
    int droite = Univers, gauche = Univers;
    int arc = -1;
    bool sensArc = true; // même sens que l'arc
};

struct Topologie {
    std::vector<Arc> arcs;                    // limites seulement
    std::vector<std::vector<long long>> pal;  // par polygone (index 0 = polygone 2) : arcs signés
};

class Constructeur {
public:
    explicit Constructeur(const std::vector<Polygone> &polygones) : polygones_(polygones) {}

    Topologie Construit()
    {
        RelieCotes();
        TraceArcs();
        Topologie t;
        for (size_t p = 0; p < polygones_.size(); ++p) {
            std::vector<long long> liste;
            for (size_t r = 0; r < polygones_[p].anneaux.size(); ++r) {
                const Anneau &anneau = polygones_[p].anneaux[r];
                if (anneau.size() < 2)
                    continue;
                if (!liste.empty())
                    liste.push_back(0); // séparateur avant chaque trou
                if (!isole_[p]) {
                    ParcourtAnneau(anneauxCotes_[p][r], anneau, liste);
                    continue;
                }
                Arc arc;
                arc.points = anneau;
                arc.points.push_back(anneau.front());
                arc.droite = int(p) + 2;
                arc.gauche = Univers;
                arcs_.push_back(std::move(arc));
                liste.push_back((long long)arcs_.size());
            }
            t.pal.push_back(std::move(liste));
        }
        t.arcs = std::move(arcs_);
        return t;
    }

private:
    int Sommet(const Point &p)
    {
        auto [it, nouveau] = sommets_.emplace(p, int(coords_.size()));
        if (nouveau) {
            coords_.push_back(p);
            voisins_.emplace_back();
        }
        return it->second;
    }

    void RelieCotes()
    {
        struct Usage {
            int polygone, anneau, rang;
            bool direct; // parcouru du plus petit sommet au plus grand
        };
        std::map<std::pair<int, int>, std::vector<Usage>> segments;
        anneauxCotes_.resize(polygones_.size());
        isole_.assign(polygones_.size(), false);
        for (size_t p = 0; p < polygones_.size(); ++p) {
            anneauxCotes_[p].resize(polygones_[p].anneaux.size());
            // Un polygone dont les anneaux repassent par un même sommet (anneau qui se touche, trou
            // qui touche l'extérieur) : GDAL recolle mal ses arcs coupés à ce sommet. Chacun de
            // ses anneaux devient un arc fermé, sans limite partagée.
            std::set<Point> vus;
            for (const Anneau &a : polygones_[p].anneaux)
                for (const Point &s : a)
                    if (!vus.insert(s).second)
                        isole_[p] = true;
            if (isole_[p])
                continue;
            for (size_t r = 0; r < polygones_[p].anneaux.size(); ++r) {
                const Anneau &a = polygones_[p].anneaux[r];
                anneauxCotes_[p][r].assign(a.size() < 2 ? 0 : a.size(), -1);
                if (a.size() < 2)
                    continue;
                for (size_t i = 0; i < a.size(); ++i) {
                    const int u = Sommet(a[i]), v = Sommet(a[(i + 1) % a.size()]);
                    segments[{std::min(u, v), std::max(u, v)}].push_back(
                        {int(p) + 2, int(r), int(i), u < v});
                }
            }
        }
        for (const auto &[cle, usages] : segments) {
            const auto nouveau = [&](int droite, int gauche) {
                cotes_.push_back({cle.first, cle.second, droite, gauche});
                const int id = int(cotes_.size()) - 1;
                voisins_[cle.first].push_back(id);
                voisins_[cle.second].push_back(id);
                return id;
            };
            // Limite commune à deux polygones parcourue en sens contraires : un seul côté.
            if (usages.size() == 2 && usages[0].direct != usages[1].direct
                && usages[0].polygone != usages[1].polygone) {
                const Usage &d = usages[0].direct ? usages[0] : usages[1];
                const Usage &g = usages[0].direct ? usages[1] : usages[0];
                const int id = nouveau(d.polygone, g.polygone);
                anneauxCotes_[d.polygone - 2][d.anneau][d.rang] = id;
                anneauxCotes_[g.polygone - 2][g.anneau][g.rang] = id;
                continue;
            }
            // Sinon chaque passage a son côté, l'univers en face (superpositions, anneaux dégénérés).
            for (const Usage &u : usages) {
                const int id = u.direct ? nouveau(u.polygone, Univers) : nouveau(Univers, u.polygone);
                anneauxCotes_[u.polygone - 2][u.anneau][u.rang] = id;
            }
        }
    }

    /** Droite et gauche d'un côté parcouru en partant du sommet depuis. */
    std::pair<int, int> Cotes(int cote, int depuis) const
    {
        const Cote &c = cotes_[cote];
        return c.a == depuis ? std::pair{c.droite, c.gauche} : std::pair{c.gauche, c.droite};
    }
    int Autre(int cote, int sommet) const { return cotes_[cote].a == sommet ? cotes_[cote].b : cotes_[cote].a; }

    bool EstNoeud(int s) const
    {
        const auto &v = voisins_[s];
        if (v.size() != 2 || v[0] == v[1])
            return true;
        // Où les polygones de part et d'autre changent, l'arc s'arrête.
        const auto entree = Cotes(v[0], Autre(v[0], s));
        const auto sortie = Cotes(v[1], s);
        return entree != sortie;
    }

    void Trace(int depart, int cote)
    {
        Arc arc;
        const int id = int(arcs_.size());
        std::tie(arc.droite, arc.gauche) = Cotes(cote, depart);
        arc.points.push_back(coords_[depart]);
        int s = depart;
        for (;;) {
            Cote &c = cotes_[cote];
            c.arc = id;
            c.sensArc = c.a == s;
            s = Autre(cote, s);
            arc.points.push_back(coords_[s]);
            if (s == depart || noeuds_[s])
                break;
            const auto &v = voisins_[s];
            cote = v[0] == cote ? v[1] : v[0];
            if (cotes_[cote].arc >= 0)
                break;
        }
        arcs_.push_back(std::move(arc));
    }

    void TraceArcs()
    {
        noeuds_.assign(coords_.size(), false);
        for (size_t s = 0; s < coords_.size(); ++s)
            noeuds_[s] = EstNoeud(int(s));
        for (size_t s = 0; s < coords_.size(); ++s)
            if (noeuds_[s])
                for (const int cote : voisins_[s])
                    if (cotes_[cote].arc < 0)
                        Trace(int(s), cote);
        // Les anneaux isolés : un arc fermé qui part de leur premier sommet.
        for (size_t c = 0; c < cotes_.size(); ++c)
            if (cotes_[c].arc < 0)
                Trace(cotes_[c].a, int(c));
    }

    void ParcourtAnneau(const std::vector<int> &cotes, const Anneau &anneau, std::vector<long long> &liste)
    {
        if (cotes.empty())
            return;
        const size_t n = cotes.size();
        // Entrée i : le côté i parcouru de anneau[i] vers anneau[i+1] ; signe et début d'arc.
        std::vector<long long> signe(n);
        std::vector<bool> debut(n);
        for (size_t i = 0; i < n; ++i) {
            const Cote &c = cotes_[cotes[i]];
            const int s = sommets_.at(anneau[i]);
            const bool avecCote = c.a == s;
            const bool avant = avecCote == c.sensArc;
            const Arc &arc = arcs_[c.arc];
            signe[i] = avant ? c.arc + 1 : -(c.arc + 1);
            debut[i] = avant ? anneau[i] == arc.points.front() : anneau[i] == arc.points.back();
        }
        size_t premier = 0;
        while (premier < n && !debut[premier])
            ++premier;
        if (premier == n) { // ne devrait pas arriver : chaque arc listé une fois
            premier = 0;
            for (size_t i = 0; i < n; ++i)
                if (i == 0 || signe[i] != signe[i - 1])
                    liste.push_back(signe[i]);
            return;
        }
        for (size_t k = 0; k < n; ++k) {
            const size_t i = (premier + k) % n;
            if (debut[i])
                liste.push_back(signe[i]);
        }
    }

    const std::vector<Polygone> &polygones_;
    std::map<Point, int> sommets_;
    std::vector<Point> coords_;
    std::vector<std::vector<int>> voisins_;
    std::vector<Cote> cotes_;
    std::vector<bool> noeuds_;
    std::vector<std::vector<std::vector<int>>> anneauxCotes_;
    std::vector<Arc> arcs_;
    std::vector<bool> isole_;
};

/** Fait commencer chaque anneau d'une liste PAL (anneaux séparés par 0) par son plus petit arc :
 *  GDAL relit les arcs d'un polygone un par un et repart du début de la section ARC dès qu'un
 *  numéro est plus petit que le précédent. */
void TourneAnneaux(std::vector<long long> &liste)
{
    size_t debut = 0;
    while (debut < liste.size()) {
        if (liste[debut] == 0) {
            ++debut;
            continue;
        }
        size_t fin = debut;
        while (fin < liste.size() && liste[fin] != 0)
            ++fin;
        const auto plusPetit = std::min_element(liste.begin() + long(debut), liste.begin() + long(fin),
                                                [](long long a, long long b) { return std::llabs(a) < std::llabs(b); });
        std::rotate(liste.begin() + long(debut), plusPetit, liste.begin() + long(fin));
        debut = fin;
    }
}

// ---- Écriture ----------------------------------------------------------------------------

// Le texte part au fichier par blocs, sous un nom provisoire renommé une fois le fichier complet :
// jamais de couverture à moitié écrite, ni la couverture entière en mémoire.
class Sortie {
public:
    explicit Sortie(const QString &chemin) : chemin_(chemin), fichier_(Resous(chemin))
    {
        if (!fichier_.open(QIODevice::WriteOnly))
            throw Erreur(u"Impossible de créer le fichier E00 %1 : %2."_s.arg(chemin, fichier_.errorString()));
        texte_.reserve(Bloc + 81);
    }
    void Ligne(const QByteArray &ligne)
    {
        Q_ASSERT(ligne.size() <= 80);
        texte_.append(ligne).append('\n');
        if (texte_.size() >= Bloc)
            Vide();
    }
    /** Un enregistrement INFO : coupé tous les 80 caractères, chaque morceau sur sa ligne. */
    void Enregistrement(const QByteArray &texte)
    {
        for (qsizetype i = 0; i < texte.size() || i == 0; i += 80) {
            QByteArray morceau = texte.mid(i, 80);
            while (morceau.endsWith(' '))
                morceau.chop(1);
            Ligne(morceau);
        }
    }
    void Termine()
    {
        Vide();
        if (!fichier_.commit())
            Echec();
    }

private:
    static constexpr qsizetype Bloc = 1 << 20;
    void Vide()
    {
        if (fichier_.write(texte_) != texte_.size())
            Echec();
        texte_.resize(0);
    }
    [[noreturn]] void Echec()
    {
        throw Erreur(u"Impossible d'écrire le fichier E00 %1 : %2."_s.arg(chemin_, fichier_.errorString()));
    }
    QString chemin_;
    QSaveFile fichier_;
    QByteArray texte_;
};

QByteArray Fin7() { return I10(-1) + I10(0).repeated(6); }

QByteArray Section(const char *code) { return QByteArray(code) + "  " + QByteArray::number(Precision); }

QByteArray NomCouverture(const QString &nom)
{
    QByteArray sortie;
    for (const QChar c : nom.normalized(QString::NormalizationForm_D)) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        const char16_t u = c.toUpper().unicode();
        if ((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '-')
            sortie.append(char(u));
        else
            sortie.append('_');
    }
    if (sortie.isEmpty())
        sortie = "COUVERTURE";
    return sortie.left(13);
}

struct Table {
    QByteArray nom;
    std::vector<Item> items;
    std::vector<QByteArray> enregistrements;
};

void EcritTable(Sortie &s, const Table &t)
{
    int longueur = 0;
    for (const Item &i : t.items)
        longueur += i.largeur;
    longueur += longueur % 2;
    s.Ligne(Texte(t.nom, 32) + "XX" + Entier(qsizetype(t.items.size()), 4) + Entier(qsizetype(t.items.size()), 4)
            + Entier(longueur, 4) + Entier(qsizetype(t.enregistrements.size()), 10));
    int position = 1;
    for (size_t n = 0; n < t.items.size(); ++n) {
        const Item &i = t.items[n];
        s.Ligne(Texte(i.nom, 16) + Entier(i.largeur, 3) + "-1" + Entier(position, 4) + "4-1"
                + Entier(i.sortie, 4) + Entier(i.decimales, 2) + Entier(CodeType(i.type), 3) + "-1  -1  -1-1"
                + QByteArray(16, ' ') + Entier(qsizetype(n + 1), 4) + "-");
        position += i.largeur;
    }
    for (const QByteArray &e : t.enregistrements)
        s.Enregistrement(e);
}

Item Systeme(const QByteArray &nom, Type type)
{
    if (type == Type::Entier4)
        return {nom, type, 4, 5, -1};
    return {nom, type, 8, 18, 5};
}

std::optional<Annotation> AnnotationDe(const OGRFeature &f)
{
    const OGRGeometry *g = f.GetGeometryRef();
    const char *style = f.GetStyleString();
    if (!g || g->IsEmpty() || wkbFlatten(g->getGeometryType()) != wkbPoint || !style
        || !QByteArray(style).trimmed().startsWith("LABEL("))
        return std::nullopt;
    OGRStyleMgr gestion;
    gestion.InitStyleString(style);
    for (int i = 0; i < gestion.GetPartCount(); ++i) {
        std::unique_ptr<OGRStyleTool> outil(gestion.GetPart(i));
        if (!outil || outil->GetType() != OGRSTCLabel)
            continue;
        auto *etiquette = static_cast<OGRStyleLabel *>(outil.get());
        etiquette->SetUnit(OGRSTUGround);
        GBool defaut = FALSE;
        const char *chaine = etiquette->TextString(defaut);
        Annotation a;
        a.chaine = VersCp1252(chaine ? QString::fromUtf8(chaine) : QString());
        // Un texte vide ne s'écrit pas en annotation (aucune ligne de texte à relire) : un point.
        if (a.chaine.isEmpty())
            return std::nullopt;
        const double hauteur = etiquette->Size(defaut);
        a.hauteur = defaut || !(hauteur > 0) ? 1.0 : hauteur;
        const double angle = etiquette->Angle(defaut);
        a.angle = defaut || !std::isfinite(angle) ? 0.0 : angle;
        a.p = Normalise(g->toPoint()->getX(), g->toPoint()->getY());
        return a;
    }
    return std::nullopt;
}

struct Lecture {
    Schema schema;
    std::vector<Enregistrement> enregistrements; // un par objet source
    Source source;
    int sansGeometrie = 0;
};

/** Les items de l'utilisateur, réunis sur toutes les couches, puis les valeurs et les géométries.
 *  pris : les noms d'items déjà réservés. */
Lecture LitCouches(const std::vector<OGRLayer *> &couches, const QString &nomCouverture, std::set<QByteArray> &pris)
{
    Lecture l;
    Schema &schema = l.schema;
    std::map<QByteArray, int> parNomSource;
    for (OGRLayer *couche : couches) {
        if (!couche)
            throw Erreur(u"Couche source absente pour la couverture %1."_s.arg(nomCouverture));
        OGRFeatureDefn *defn = couche->GetLayerDefn();
        std::vector<int> correspondance;
        for (int f = 0; f < defn->GetFieldCount(); ++f) {
            const OGRFieldDefn *champ = defn->GetFieldDefn(f);
            const QString nomChamp = QString::fromUtf8(champ->GetNameRef());
            const QByteArray cle = nomChamp.toUpper().toUtf8();
            const Type type = TypeDuChamp(*champ);
            auto it = parNomSource.find(cle);
            if (it != parNomSource.end()) {
                Item &item = schema.items[it->second];
                if (item.type != type) {
                    // Deux couches, deux types pour un même nom : nombre si possible, texte sinon.
                    const bool nombres = (item.type == Type::Entier4 || item.type == Type::Reel8)
                        && (type == Type::Entier4 || type == Type::Reel8);
                    item.type = nombres ? Type::Reel8 : Type::Caractere;
                }
                correspondance.push_back(it->second);
                continue;
            }
            Item item;
            item.nom = NomLibre(NomItem(nomChamp), pris);
            item.type = type;
            item.largeur = std::max(1, champ->GetWidth());
            item.decimales = champ->GetPrecision() > 0 ? std::min(champ->GetPrecision(), 15) : -1;
            item.sortie = champ->GetWidth() > 0 && item.decimales > 0 ? std::min(champ->GetWidth(), 18) : 18;
            schema.items.push_back(item);
            parNomSource[cle] = int(schema.items.size()) - 1;
            correspondance.push_back(int(schema.items.size()) - 1);
        }
        schema.correspondance.push_back(std::move(correspondance));
    }

    Source &source = l.source;
    std::vector<Enregistrement> &enregistrements = l.enregistrements;
    for (size_t c = 0; c < couches.size(); ++c) {
        OGRLayer *couche = couches[c];
        couche->ResetReading();
        while (std::unique_ptr<OGRFeature> objet{couche->GetNextFeature()}) {
            Enregistrement e(schema.items.size());
            for (size_t f = 0; f < schema.correspondance[c].size(); ++f) {
                const int i = int(f);
                if (!objet->IsFieldSetAndNotNull(i))
                    continue;
                Valeur &v = e[schema.correspondance[c][f]];
                const OGRFieldType t = objet->GetFieldDefnRef(i)->GetType();
                if (t == OFTInteger || t == OFTInteger64)
                    v = (long long)objet->GetFieldAsInteger64(i);
                else if (t == OFTReal)
                    v = objet->GetFieldAsDouble(i);
                else if (t == OFTDate) {
                    int a = 0, m = 0, j = 0, h, mi, tz;
                    float s;
                    objet->GetFieldAsDateTime(i, &a, &m, &j, &h, &mi, &s, &tz);
                    v = QByteArray::number(a).rightJustified(4, '0') + QByteArray::number(m).rightJustified(2, '0')
                        + QByteArray::number(j).rightJustified(2, '0');
                } else
                    v = VersCp1252(QString::fromUtf8(objet->GetFieldAsString(i)));
            }
            // Un objet texte devient une annotation, sa chaîne et sa hauteur gardées ; l'annotation
            // n'a pas de table d'attributs que les lecteurs relisent.
            if (auto annotation = AnnotationDe(*objet)) {
                source.etendue.Ajoute(annotation->p);
                source.annotations.push_back(std::move(*annotation));
                continue;
            }
            enregistrements.push_back(std::move(e));
            const size_t avant = source.points.size() + source.lignes.size() + source.polygones.size();
            AjouteGeometrie(objet->GetGeometryRef(), int(enregistrements.size()) - 1, source);
            if (source.points.size() + source.lignes.size() + source.polygones.size() == avant)
                ++l.sansGeometrie;
        }
    }
    return l;
}

/** Largeur d'affichage et décimales d'un item réel dont la source ne dit rien, d'après ses valeurs.
 *  GDAL en fait la largeur et la précision du champ relu ; un Decimal(18, 0) de MapInfo tronquerait
 *  3.14159 en 3. */
void FormatDesValeurs(Item &item, const std::vector<Enregistrement> &enregistrements, size_t i)
{
    int decimales = 0;
    for (const Enregistrement &e : enregistrements) {
        const double *v = std::get_if<double>(&e[i]);
        if (!v || !std::isfinite(*v))
            continue;
        while (decimales < 15 && QByteArray::number(*v, 'f', decimales).toDouble() != *v)
            ++decimales;
    }
    int largeur = 1;
    for (const Enregistrement &e : enregistrements) {
        double v = 0;
        if (const double *d = std::get_if<double>(&e[i]))
            v = std::isfinite(*d) ? *d : 0;
        else if (const long long *n = std::get_if<long long>(&e[i]))
            v = double(*n);
        largeur = std::max(largeur, int(QByteArray::number(v, 'f', decimales).size()));
    }
    item.decimales = decimales > 0 ? decimales : -1;
    item.sortie = std::min(largeur, 9999);
}

/** Types et largeurs définitifs d'après les valeurs. */
void FixeItems(Schema &schema, std::vector<Enregistrement> &enregistrements)
{
    for (size_t i = 0; i < schema.items.size(); ++i) {
        Item &item = schema.items[i];
        int longueur = 0;
        for (Enregistrement &e : enregistrements) {
            Valeur &v = e[i];
            if (item.type == Type::Entier4) {
                if (const long long *n = std::get_if<long long>(&v))
                    if (*n > 2147483647LL || *n < -2147483647LL)
                        item.type = Type::Reel8; // au-delà de 32 bits : réel, exact jusqu'à 2^53
            }
            if (item.type == Type::Logique) {
                if (const long long *n = std::get_if<long long>(&v))
                    v = QByteArray(*n ? "T" : "F");
            } else if (item.type == Type::Caractere) {
                // Texte d'origine numérique (types mêlés entre couches) : sa forme écrite.
                if (const long long *n = std::get_if<long long>(&v))
                    v = QByteArray::number(*n);
                else if (const double *d = std::get_if<double>(&v))
                    v = QByteArray::number(*d, 'g', 17);
            }
            if (const QByteArray *t = std::get_if<QByteArray>(&v))
                longueur = std::max(longueur, int(t->size()));
        }
        switch (item.type) {
        case Type::Entier4:
            item.largeur = 4;
            item.sortie = 11;
            item.decimales = -1;
            break;
        case Type::Reel8:
            item.largeur = 8;
            if (item.decimales <= 0)
                FormatDesValeurs(item, enregistrements, i);
            break;
        case Type::Date:
            item.largeur = item.sortie = 8;
            item.decimales = -1;
            break;
        case Type::Logique:
            item.largeur = item.sortie = 1;
            item.decimales = -1;
            break;
        case Type::Caractere:
            // INFO limite un item caractère à 320 octets.
            item.largeur = item.sortie = std::clamp(std::max(item.largeur, longueur), 1, 320);
            item.decimales = -1;
            break;
        }
    }
}

} // namespace

void EcritCouverture(const std::vector<OGRLayer *> &couches, const QString &nomCouverture,
                     const QString &chemin, const OGRSpatialReference *srs)
{
    (void)EcritCouvertureAvecBilan(couches, nomCouverture, chemin, srs);
}

Bilan EcritCouvertureAvecBilan(const std::vector<OGRLayer *> &couches, const QString &nomCouverture,
                               const QString &chemin, const OGRSpatialReference *srs)
{
    Bilan bilan;
    const QByteArray nom = NomCouverture(nomCouverture);
    const QByteArray diese = nom + '#', id = nom + "-ID";

    std::set<QByteArray> pris{"AREA", "PERIMETER", "FNODE#", "TNODE#", "LPOLY#", "RPOLY#", "LENGTH", diese, id};
    Lecture lecture = LitCouches(couches, nomCouverture, pris);
    bilan.sansGeometrie = lecture.sansGeometrie;
    const Schema &schema = lecture.schema;
    const Source &source = lecture.source;
    const std::vector<Enregistrement> &enregistrements = lecture.enregistrements;
    FixeItems(lecture.schema, lecture.enregistrements);
    const auto valeursUtilisateur = [&](int enregistrement) {
        QByteArray texte;
        for (size_t i = 0; i < schema.items.size(); ++i)
            texte += FormateValeur(schema.items[i],
                                   enregistrement >= 0 ? enregistrements[enregistrement][i] : Valeur{});
        return texte;
    };

    // Arcs : les lignes d'abord, puis les limites des polygones.
    Topologie topo = Constructeur(source.polygones).Construit();
    for (auto &liste : topo.pal)
        TourneAnneaux(liste);
    std::vector<Arc> arcs;
    for (const Ligne &l : source.lignes) {
        Arc a;
        a.points = l.points;
        a.enregistrement = l.enregistrement;
        arcs.push_back(std::move(a));
    }
    const long long decalage = (long long)arcs.size();
    for (Arc &a : topo.arcs)
        arcs.push_back(std::move(a));
    for (auto &liste : topo.pal)
        for (long long &a : liste)
            if (a != 0)
                a += a > 0 ? decalage : -decalage;
    std::map<Point, int> noeuds;
    const auto noeud = [&](const Point &p) { return noeuds.emplace(p, int(noeuds.size()) + 1).first->second; };
    for (Arc &a : arcs) {
        a.de = noeud(a.points.front());
        a.vers = noeud(a.points.back());
    }

    const qsizetype nbPolygones = qsizetype(source.polygones.size());
    const bool avecPolygones = nbPolygones > 0;
    const Etendue &e = source.etendue;

    Sortie s(chemin);
    QByteArray entete = "EXP  0 " + VersCp1252(QFileInfo(chemin).fileName().toUpper());
    s.Ligne(entete.left(80));

    // ARC
    if (!arcs.empty()) {
        s.Ligne(Section("ARC"));
        for (size_t k = 0; k < arcs.size(); ++k) {
            const Arc &a = arcs[k];
            s.Ligne(I10(qsizetype(k + 1)) + I10(qsizetype(k + 1)) + I10(a.de) + I10(a.vers) + I10(a.gauche)
                    + I10(a.droite) + I10(qsizetype(a.points.size())));
            for (const Point &p : a.points)
                s.Ligne(Coord(p.x) + Coord(p.y));
        }
        s.Ligne(Fin7());
    }

    // Points d'étiquette des polygones, centroïdes.
    std::vector<Point> etiquettes, centres;
    for (const Polygone &p : source.polygones) {
        OGRPoint centre, surface;
        // Les polygones dégénérés font parler GEOS ; on se rabat alors sur un sommet.
        CPLPushErrorHandler(CPLQuietErrorHandler);
        if (p.ogr.Centroid(&centre) != OGRERR_NONE || centre.IsEmpty()) {
            const bool sommet = !p.anneaux.empty() && !p.anneaux[0].empty();
            centre.setX(sommet ? p.anneaux[0][0].x : 0);
            centre.setY(sommet ? p.anneaux[0][0].y : 0);
        }
        // La méthode PointOnSurface des polygones échoue toujours dans GDAL 3.6 (le centroïde d'un
        // polygone en U ou troué tombait hors de lui) : la fonction C, elle, interroge GEOS.
        // Un polygone qui se croise fait échouer GEOS : son point intérieur est pris sur sa forme
        // réparée (tampon nul).
        const auto interieur = [&surface](const OGRGeometry *g) {
            OGRGeometryH h = OGR_G_PointOnSurface(OGRGeometry::ToHandle(const_cast<OGRGeometry *>(g)));
            const OGRGeometry *point = OGRGeometry::FromHandle(h);
            const bool trouve = point && wkbFlatten(point->getGeometryType()) == wkbPoint && !point->IsEmpty();
            if (trouve)
                surface = *point->toPoint();
            OGR_G_DestroyGeometry(h);
            return trouve;
        };
        bool dedans = false;
        if (OGRGeometryFactory::haveGEOS()) {
            dedans = p.ogr.IsValid() && interieur(&p.ogr);
            if (!dedans) {
                const std::unique_ptr<OGRGeometry> repare(p.ogr.Buffer(0));
                dedans = repare && !repare->IsEmpty() && interieur(repare.get());
            }
        }
        CPLPopErrorHandler();
        centres.push_back(Normalise(centre.getX(), centre.getY()));
        etiquettes.push_back(dedans ? Normalise(surface.getX(), surface.getY()) : centres.back());
    }

    // CNT
    if (avecPolygones) {
        s.Ligne(Section("CNT"));
        s.Ligne(I10(0) + Coord((e.xmin + e.xmax) / 2) + Coord((e.ymin + e.ymax) / 2));
        for (qsizetype k = 0; k < nbPolygones; ++k) {
            s.Ligne(I10(1) + Coord(centres[k].x) + Coord(centres[k].y));
            s.Ligne(I10(k + 1));
        }
        s.Ligne(Fin7());
    }

    // LAB : les étiquettes des polygones (identifiant k - 1 pour le polygone k), puis les points.
    // Avec des polygones, un point reçoit un enregistrement de la PAT après ceux des polygones.
    if (avecPolygones || !source.points.empty()) {
        s.Ligne(Section("LAB"));
        const auto etiquette = [&](long long ident, long long polygone, const Point &p) {
            s.Ligne(I10(ident) + I10(polygone) + Coord(p.x) + Coord(p.y));
            s.Ligne(Coord(p.x) + Coord(p.y));
            s.Ligne(Coord(p.x) + Coord(p.y));
        };
        for (qsizetype k = 0; k < nbPolygones; ++k)
            etiquette(k + 1, k + 2, etiquettes[k]);
        for (size_t k = 0; k < source.points.size(); ++k)
            etiquette(nbPolygones + qsizetype(k) + 1, avecPolygones ? nbPolygones + qsizetype(k) + 2 : 0,
                      source.points[k].p);
        s.Ligne(I10(-1) + I10(0) + Coord(0) + Coord(0));
    }

    // PAL : l'univers d'abord, qui entoure les anneaux dont il borde les arcs.
    if (avecPolygones) {
        s.Ligne(Section("PAL"));
        const auto entrees = [&](const std::vector<long long> &liste) {
            QByteArrayList lignes;
            QByteArray ligne;
            for (const long long a : liste) {
                if (a == 0) {
                    ligne += I10(0) + I10(0) + I10(0);
                } else {
                    const Arc &arc = arcs[std::llabs(a) - 1];
                    ligne += I10(a) + I10(a > 0 ? arc.de : arc.vers) + I10(a > 0 ? arc.gauche : arc.droite);
                }
                if (ligne.size() == 60) {
                    lignes << ligne;
                    ligne.clear();
                }
            }
            if (!ligne.isEmpty())
                lignes << ligne;
            return lignes;
        };
        const auto polygone = [&](const std::vector<long long> &liste, const Etendue &boite) {
            s.Ligne(I10(qsizetype(liste.size())) + Coord(boite.xmin) + Coord(boite.ymin));
            s.Ligne(Coord(boite.xmax) + Coord(boite.ymax));
            if (liste.empty())
                s.Ligne(I10(0) + I10(0) + I10(0));
            for (const QByteArray &l : entrees(liste))
                s.Ligne(l);
        };
        // L'univers : les arcs qui le bordent, enchaînés par leurs noeuds.
        std::multimap<int, long long> parDepart;
        for (size_t k = 0; k < arcs.size(); ++k) {
            if (arcs[k].droite == Univers)
                parDepart.emplace(arcs[k].de, (long long)(k + 1));
            else if (arcs[k].gauche == Univers)
                parDepart.emplace(arcs[k].vers, -(long long)(k + 1));
        }
        std::vector<long long> univers;
        while (!parDepart.empty()) {
            univers.push_back(0);
            auto it = parDepart.begin();
            while (it != parDepart.end()) {
                const long long a = it->second;
                parDepart.erase(it);
                univers.push_back(a);
                const Arc &arc = arcs[std::llabs(a) - 1];
                it = parDepart.find(a > 0 ? arc.vers : arc.de);
            }
        }
        TourneAnneaux(univers);
        polygone(univers, e);
        for (qsizetype k = 0; k < nbPolygones; ++k) {
            Etendue boite;
            for (const Anneau &a : source.polygones[k].anneaux)
                for (const Point &p : a)
                    boite.Ajoute(p);
            polygone(topo.pal[k], boite);
        }
        s.Ligne(Fin7());
        s.Ligne(Coord(0) + Coord(0));
    }

    // TXT : une annotation par objet texte ; sa ligne de base part du point d'insertion, dans la
    // direction du texte. Les quinze réels vont trois par ligne (double précision).
    if (!source.annotations.empty()) {
        s.Ligne(Section("TXT"));
        for (const Annotation &a : source.annotations) {
            s.Ligne(I10(1) + I10(2) + I10(0) + I10(0) + I10(a.chaine.size()));
            const double longueur = a.hauteur * double(a.chaine.size()) * 0.6, radians = a.angle * M_PI / 180.0;
            const Point fin = Normalise(a.p.x + longueur * std::cos(radians), a.p.y + longueur * std::sin(radians));
            const double reels[15] = {a.p.x, fin.x, 0, 0, a.p.y, fin.y, 0, 0, 0, 0, 0, 0, 0, 0, a.hauteur};
            for (int i = 0; i < 15; i += 3)
                s.Ligne(Coord(reels[i]) + Coord(reels[i + 1]) + Coord(reels[i + 2]));
            s.Ligne(Reel(-1e20, 14, 7));
            for (qsizetype i = 0; i < a.chaine.size(); i += 80)
                s.Ligne(a.chaine.mid(i, 80));
        }
        s.Ligne(Fin7());
    }

    // TOL : tolérances non vérifiées.
    s.Ligne(Section("TOL"));
    for (int i = 1; i <= 10; ++i)
        s.Ligne(I10(i) + I10(2) + Coord(0));
    s.Ligne(Fin7());

    s.Ligne(Section("SIN"));
    s.Ligne("EOX");

    const QByteArrayList prj = LignesPrj(srs);
    if (!prj.isEmpty()) {
        s.Ligne(Section("PRJ"));
        for (const QByteArray &l : prj)
            s.Ligne(l);
        s.Ligne("EOP");
    }

    // Tables INFO, dans l'ordre alphabétique de leur nom.
    s.Ligne(Section("IFO"));
    const Item surface = Systeme("AREA", Type::Reel8), perimetre = Systeme("PERIMETER", Type::Reel8);
    const Item numero = Systeme(diese, Type::Entier4), ident = Systeme(id, Type::Entier4);
    const auto reel = [](double v) { return Reel(v, 24, 17); };
    const auto entier = [](long long v) { return Entier(v, 11); };

    if (!source.lignes.empty()) {
        Table aat{nom + ".AAT", {Systeme("FNODE#", Type::Entier4), Systeme("TNODE#", Type::Entier4),
                                 Systeme("LPOLY#", Type::Entier4), Systeme("RPOLY#", Type::Entier4),
                                 Systeme("LENGTH", Type::Reel8), numero, ident}, {}};
        aat.items.insert(aat.items.end(), schema.items.begin(), schema.items.end());
        for (size_t k = 0; k < arcs.size(); ++k) {
            const Arc &a = arcs[k];
            double longueur = 0;
            for (size_t i = 1; i < a.points.size(); ++i)
                longueur += std::hypot(a.points[i].x - a.points[i - 1].x, a.points[i].y - a.points[i - 1].y);
            aat.enregistrements.push_back(entier(a.de) + entier(a.vers) + entier(a.gauche) + entier(a.droite)
                                          + reel(longueur) + entier(qsizetype(k + 1)) + entier(qsizetype(k + 1))
                                          + valeursUtilisateur(a.enregistrement));
        }
        EcritTable(s, aat);
    }

    const auto bord = [&](double v) { return e.vide ? 0.0 : v; };
    Table bnd{nom + ".BND", {Systeme("XMIN", Type::Reel8), Systeme("YMIN", Type::Reel8),
                             Systeme("XMAX", Type::Reel8), Systeme("YMAX", Type::Reel8)}, {}};
    bnd.enregistrements.push_back(reel(bord(e.xmin)) + reel(bord(e.ymin)) + reel(bord(e.xmax)) + reel(bord(e.ymax)));
    EcritTable(s, bnd);

    if (avecPolygones || !source.points.empty()) {
        Table pat{nom + ".PAT", {surface, perimetre, numero, ident}, {}};
        pat.items.insert(pat.items.end(), schema.items.begin(), schema.items.end());
        if (avecPolygones) {
            double aireTotale = 0, perimetreUnivers = 0;
            std::vector<QByteArray> polygones;
            for (qsizetype k = 0; k < nbPolygones; ++k) {
                const Polygone &p = source.polygones[k];
                double aire = 0, longueur = 0;
                for (size_t r = 0; r < p.anneaux.size(); ++r) {
                    aire += std::fabs(AireSignee(p.anneaux[r])) * (r == 0 ? 1 : -1);
                    const Anneau &a = p.anneaux[r];
                    for (size_t i = 0; i < a.size(); ++i)
                        longueur += std::hypot(a[(i + 1) % a.size()].x - a[i].x, a[(i + 1) % a.size()].y - a[i].y);
                }
                aireTotale += aire;
                polygones.push_back(reel(aire) + reel(longueur) + entier(k + 2) + entier(k + 1)
                                    + valeursUtilisateur(p.enregistrement));
            }
            for (const Arc &a : arcs)
                if (a.gauche == Univers || a.droite == Univers)
                    for (size_t i = 1; i < a.points.size(); ++i)
                        perimetreUnivers += std::hypot(a.points[i].x - a.points[i - 1].x, a.points[i].y - a.points[i - 1].y);
            pat.enregistrements.push_back(reel(-aireTotale) + reel(perimetreUnivers) + entier(1) + entier(0)
                                          + valeursUtilisateur(-1));
            pat.enregistrements.insert(pat.enregistrements.end(), polygones.begin(), polygones.end());
        }
        for (size_t k = 0; k < source.points.size(); ++k) {
            const long long rang = avecPolygones ? nbPolygones + qsizetype(k) + 2 : qsizetype(k) + 1;
            pat.enregistrements.push_back(reel(0) + reel(0) + entier(rang) + entier(nbPolygones + qsizetype(k) + 1)
                                          + valeursUtilisateur(source.points[k].enregistrement));
        }
        EcritTable(s, pat);
    }

    Table tic{nom + ".TIC", {Systeme("IDTIC", Type::Entier4), Systeme("XTIC", Type::Reel8),
                             Systeme("YTIC", Type::Reel8)}, {}};
    const double coins[4][2] = {{e.xmin, e.ymin}, {e.xmin, e.ymax}, {e.xmax, e.ymax}, {e.xmax, e.ymin}};
    for (int k = 0; k < 4; ++k)
        tic.enregistrements.push_back(entier(k + 1) + reel(bord(coins[k][0])) + reel(bord(coins[k][1])));
    EcritTable(s, tic);

    s.Ligne("EOI");
    s.Ligne("EOS");

    s.Termine();
    bilan.points = int(source.points.size());
    bilan.annotations = int(source.annotations.size());
    bilan.lignes = int(source.lignes.size());
    bilan.polygones = int(source.polygones.size());
    return bilan;
}

} // namespace quorvale::e00
