#include "routes.h"

#include "attente.h"
#include "erreur.h"
#include "fichiers.h"
#include "prj.h"
#include "processus.h"
#include "projections.h"
#include "regroupement.h"
#include "scrutedossier.h"
#include "traduction.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

QString NomFichier(const QString &chemin)
{
    return chemin.mid(chemin.lastIndexOf(u'/') + 1);
}

QString DossierDe(const QString &chemin)
{
    return chemin.left(chemin.lastIndexOf(u'/'));
}

QString SansExtension(const QString &nom)
{
    const qsizetype point = nom.lastIndexOf(u'.');
    return point < 0 ? nom : nom.left(point);
}

// Une chaîne MapBasic : un guillemet s'y écrit "".
QString Chaine(const QString &texte)
{
    QString t = texte;
    return u'"' + t.replace(u'"', u"\"\""_s) + u'"';
}

// Le dossier de travail, créé au besoin, disparaît à la fin de la route, erreur comprise.
struct DossierDeTravail {
    QString chemin;
    explicit DossierDeTravail(const QString &c) : chemin(c)
    {
        if (!DossierExiste(chemin))
            (void)CreeDossier(chemin);
    }
    ~DossierDeTravail() { (void)SupprimeArborescence(chemin); }
};

// ScruteDossier2 : les tables du dossier de travail, sous-dossiers compris, après la pause qui
// laisse au traducteur le temps de finir ses fichiers.
void ListeTablesTravail(Travail &travail, const QString &dossier)
{
    travail.ListeTables.clear();
    Attendre(travail.horloge, 2000);
    if (travail.ScruteDossier2) {
        travail.ScruteDossier2(dossier, u"*.tab"_s);
    } else {
        TScruteDossier scrute;
        scrute.Dossier = dossier;
        scrute.Filtre = u"*.tab"_s;
        scrute.OnFichier = [&travail](TScruteDossier &, const QString &nom) { travail.ListeTables << nom; };
        scrute.Execute();
    }
    std::stable_sort(travail.ListeTables.begin(), travail.ListeTables.end(),
                     [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}

// Les fichiers qu'une copie a déjà livrés : retirés si la suite échoue, pour qu'aucun jeu
// incomplet ne reste sous son nom final (une reprise le croirait fait).
struct LivraisonCopie {
    QStringList livres;
    bool finie = false;
    ~LivraisonCopie()
    {
        if (!finie)
            for (const QString &f : std::as_const(livres))
                (void)SupprimeFichier(f);
    }
    void Copie(const QString &source, const QString &cible)
    {
        if (!CopieFichier(source, cible, false)) {
            const int e = errno;
            throw RefusFichier(u"« %1 » n'a pas pu être copié vers « %2 » : %3"_s.arg(
                source, cible, CauseEntreeSortie(e)));
        }
        livres << cible;
    }
};

QStringList CopiePrj(Travail &travail, const Projections &projections, const QString &s, const QString &d,
                     const QString &travailDossier, const QString &t)
{
    LivraisonCopie livraison;
    livraison.Copie(s, d);
    // Le .cpg dit l'encodage de la table : sans lui les accents se lisent mal.
    for (const QString &ext : {u".shx"_s, u".dbf"_s, u".cpg"_s})
        if (FichierExiste(ChangeExtension(s, ext)))
            livraison.Copie(ChangeExtension(s, ext), ChangeExtension(d, ext));

    const QString prjSource = ChangeExtension(s, u".prj"_s);
    const QString prjCible = ChangeExtension(d, u".prj"_s);
    if (FichierExiste(prjSource)) {
        livraison.Copie(prjSource, prjCible);
        livraison.finie = true;
        return {d};
    }
    const QString clause = projections.ProjectionFichier(s);
    ResultatPrj ecrit = ResultatPrj::Introuvable;
    try {
        ecrit = EcritPrj(projections.CatalogueProjections(), clause, prjCible);
    } catch (const Erreur &e) {
        throw RefusFichier(e.texte());
    }
    if (ecrit != ResultatPrj::Introuvable) {
        livraison.finie = true;
        return {d};
    }
    // Projection hors du catalogue : le traducteur écrit le .prj d'un jeu de formes de travail.
    const QString formes = travailDossier + u'/' + NomFichier(d);
    TraduitFichier(travail, s, t);
    TraduitFichier(travail, t, formes);
    PompeMessages();
    const QString prjTravail = ChangeExtension(formes, u".prj"_s);
    if (FichierExiste(prjTravail))
        livraison.Copie(prjTravail, prjCible);
    livraison.finie = true;
    return {d};
}

} // namespace

Route RouteDePaire(int codePaire)
{
    switch (codePaire) {
    case 13: case 23: case 25: case 31: case 32: case 34: case 43: case 45: case 51: case 52: case 54:
        return Route::Directe;
    case 35:
        return Route::ImportMapInfo;
    case 53:
        return Route::ExportMapInfo;
    case 15:
        return Route::OperationTable;
    case 41: case 42:
        return Route::DeuxTempsUneTable;
    case 21: case 24:
        return Route::DeuxTempsTables;
    case 12: case 14:
        return Route::DeuxTempsOperation;
    case 44:
        return Route::CopiePrj;
    default:
        return Route::Aucune;
    }
}

QString DossierTravail(const Travail &travail)
{
    return travail.DossierTemp + u"TempTrad"_s;
}

QStringList InstructionsImport(const QString &source, const QString &destination)
{
    return {u"Import "_s + Chaine(source) + u" Type \"MIF\" Into "_s + Chaine(destination), u"Close All"_s};
}

QStringList InstructionsExport(const QString &source, const QString &destination)
{
    return {u"Open Table "_s + Chaine(source),
            u"Export "_s + Chaine(SansExtension(NomFichier(source))) + u" Into "_s + Chaine(destination)
                + u" Type \"MIF\""_s,
            u"Close All"_s};
}

namespace {

QStringList ConvertitParRoute(int codePaire, Travail &travail, const Projections &projections, const QString &s,
                              const QString &d)
{
    const Route route = RouteDePaire(codePaire);
    const QString travailDossier = DossierTravail(travail);
    const QString t = travailDossier + u'/' + SansExtension(NomFichier(d)) + u".tab"_s;

    switch (route) {
    case Route::Aucune:
        throw Erreur(u"La paire de formats %1 n'a pas de route de conversion."_s.arg(codePaire));
    case Route::Directe:
        TraduitFichier(travail, s, d);
        return {d};
    case Route::ImportMapInfo:
    case Route::ExportMapInfo: {
        if (!travail.AppMapInfo)
            throw Erreur(u"MapInfo n'est pas ouvert."_s);
        ExecuteMapInfo(*travail.AppMapInfo,
                       route == Route::ImportMapInfo ? InstructionsImport(s, d) : InstructionsExport(s, d));
        return {d};
    }
    case Route::OperationTable:
        RegroupeCouches(travail, s, d);
        return {d};
    case Route::DeuxTempsUneTable: {
        const DossierDeTravail dossier(travailDossier);
        TraduitFichier(travail, s, t);
        TraduitFichier(travail, t, d);
        return {d};
    }
    case Route::DeuxTempsTables:
    case Route::DeuxTempsOperation: {
        const DossierDeTravail dossier(travailDossier);
        if (route == Route::DeuxTempsTables)
            TraduitFichier(travail, s, t);
        else
            RegroupeCouches(travail, s, t);
        ListeTablesTravail(travail, travailDossier);
        const QStringList tables = travail.ListeTables;
        // Chaque table donne une destination à son nom, dans le dossier de la destination : c'est le
        // nom que le traducteur écrit, et les jeux de formes découpés sont renommés d'après lui. La
        // table regroupée porte le nom de la destination elle-même.
        QStringList sorties;
        const int ratesAvant = travail.AppelsRates;
        for (const QString &table : tables) {
            const QString cible = DossierDe(d) + u'/' + SansExtension(NomFichier(table)) + u'.' + travail.ExtCible;
            TraduitFichier(travail, table, cible);
            sorties << cible;
            PompeMessages();
        }
        // Une table manquée rend le fichier incomplet : il échoue, et ses autres tables sont retirées.
        if (const int rates = travail.AppelsRates - ratesAvant; rates > 0 && !tables.isEmpty())
            throw RefusFichier(u"« %1 » n'est traduit qu'en partie : %2 table(s) sur %3 en échec (%4)."_s.arg(s)
                                   .arg(rates)
                                   .arg(tables.size())
                                   .arg(travail.MessagesTraducteur.join(u" ; "_s)));
        if (sorties.isEmpty())
            sorties << d;
        return sorties;
    }
    case Route::CopiePrj: {
        const DossierDeTravail dossier(travailDossier);
        return CopiePrj(travail, projections, s, d, travailDossier, t);
    }
    }
    return {d};
}

} // namespace

QStringList ConvertitFichier(int codePaire, Travail &travail, const Projections &projections,
                             const QString &s, const QString &d)
{
    // Une route interrompue (MapInfo qui refuse ou meurt, traducteur arrêté) ne laisse rien de neuf
    // sous des noms finals ; ce qui était là avant le fichier reste.
    const QSet<QString> avant = EntreesDossier(DossierDe(d));
    try {
        return ConvertitParRoute(codePaire, travail, projections, s, d);
    } catch (...) {
        RetireSortiesPartielles(DossierDe(d), avant, {SansExtension(NomFichier(d)), SansExtension(NomFichier(s))});
        throw;
    }
}

} // namespace quorvale
