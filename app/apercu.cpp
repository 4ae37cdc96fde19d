#include "apercu.h"

#include "destination.h"
#include "feuillet_vraisemblance.h"
#include "fichiers.h"
#include "projections.h"
#include "rapport.h"
#include "routes.h"
#include "vraisemblance.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

const QString TexteAnnuleApercu = u"L'aperçu a été annulé"_s;

// Les contrôles rendus et la fenêtre d'avancement fermée, quelle que soit l'issue de l'aperçu.
struct FinApercu {
    Contexte &c;
    ~FinApercu()
    {
        if (c.Controles)
            c.Controles(true);
        c.avancement.FermeAttente();
    }
};

// Le même refus que la création du dossier de travail privé, vérifié sans rien créer.
std::optional<QString> RefusDossierTravail(const QString &base)
{
    QString parent = base.isEmpty() ? u"/tmp/"_s : base;
    if (!parent.endsWith(u'/'))
        parent += u'/';
    if (::access(QFile::encodeName(parent).constData(), W_OK | X_OK) != 0) {
        const int e = errno;
        return u"Le dossier de travail ne peut pas être créé dans « %1 » : %2"_s.arg(parent, CauseEntreeSortie(e));
    }
    return std::nullopt;
}

// Un fichier dont l'étendue sera comparée à son feuillet par le traitement.
bool ClasseParFeuillet(const QString &source, const QString &clause, bool projectionDuFichier)
{
    const QString extension = QFileInfo(source).suffix().toLower();
    const bool appliquee = extension == u"dxf"_s || extension == u"e00"_s
                           || (extension == u"shp"_s && !projectionDuFichier);
    return appliquee && FeuilletDeLaClause(source, clause).has_value();
}

} // namespace

QString CleAction(ActionPrevue action)
{
    switch (action) {
    case ActionPrevue::Traduire: return u"traduire"_s;
    case ActionPrevue::Remplacer: return u"remplacer"_s;
    case ActionPrevue::Ignorer: return u"ignorer"_s;
    case ActionPrevue::Refuser: break;
    }
    return u"refuser"_s;
}

QString NomAction(ActionPrevue action)
{
    QString nom = CleAction(action);
    nom[0] = nom[0].toUpper();
    return nom;
}

Decision DecideFichier(const FaitsFichier &faits, const QString &premierMemeCible, int codePaire, bool remplacer)
{
    Decision d;
    auto refuse = [&d](ResultatFichier::Etat etat, const QString &raison) {
        d.Action = ActionPrevue::Refuser;
        d.Etat = etat;
        d.Raison = raison;
        return d;
    };
    if (!premierMemeCible.isEmpty())
        return refuse(ResultatFichier::Echec, u"sa destination, sans égard à la casse, est déjà celle de « %1 » ; "
                                              u"elle n'est pas remplacée"_s.arg(premierMemeCible));
    if (faits.Special)
        return refuse(ResultatFichier::Echec, *faits.Special);
    if (faits.CibleEstSource)
        return refuse(ResultatFichier::Ignore, u"la destination est un fichier source ; il n'est pas remplacé"_s);
    switch (RegleEcrasement(remplacer, codePaire, faits.CibleExiste, faits.PrjExiste)) {
    case Ecrasement::Remplace:
        d.SupprimeAvant = true;
        d.Action = faits.CibleExiste ? ActionPrevue::Remplacer : ActionPrevue::Traduire;
        break;
    case Ecrasement::Poursuit:
        // Un jeu de formes copié plus tôt sans son .prj est copié de nouveau, avec lui.
        if (faits.CibleExiste) {
            d.Action = ActionPrevue::Remplacer;
            d.Raison = u"la destination n'a pas de .prj"_s;
        }
        break;
    case Ecrasement::Saute:
        d.Action = ActionPrevue::Ignorer;
        d.Etat = ResultatFichier::Ignore;
        break;
    }
    return d;
}

QString FichierReel(const QString &chemin)
{
    return QFileInfo(Resous(chemin)).canonicalFilePath();
}

std::optional<QString> RefusFichierSpecial(const QString &source)
{
    // Seuls des fichiers ordinaires sont lus : un tube, un périphérique ou un lien vers /dev/zero
    // bloquerait ou remplirait le disque.
    static const QStringList compagnons{u".mid"_s, u".dbf"_s, u".shx"_s, u".prj"_s, u".cpg"_s,
                                        u".dat"_s, u".map"_s, u".id"_s, u".ind"_s};
    auto special = [](const QString &chemin) {
        struct stat st {};
        return ::stat(QFile::encodeName(Resous(chemin)).constData(), &st) == 0 && !S_ISREG(st.st_mode);
    };
    if (special(source))
        return u"« %1 » n'est pas un fichier ordinaire (tube, périphérique ou dossier) ; il n'est pas lu"_s.arg(source);
    for (const QString &ext : compagnons) {
        const QString c = ChangeExtension(source, ext);
        if (special(c))
            return u"« %1 » n'est pas un fichier ordinaire (tube, périphérique ou dossier) ; il n'est pas lu"_s.arg(c);
    }
    return std::nullopt;
}

FaitsFichier LitFaits(const QString &source, const QString &destination, const QSet<QString> &sources)
{
    FaitsFichier f;
    f.Special = RefusFichierSpecial(source);
    const QString reel = FichierReel(destination);
    f.CibleEstSource = !reel.isEmpty() && sources.contains(reel);
    f.CibleExiste = FichierExiste(destination);
    f.PrjExiste = FichierExiste(ChangeExtension(destination, u".prj"_s));
    return f;
}

QHash<QString, QString> PremiersMemeCible(const QStringList &liste, const QSet<QString> &doublons, const Choix &choix)
{
    QHash<QString, QString> premiers; // destination en minuscules → premier fichier
    QHash<QString, QString> resultat;
    for (const QString &s : liste) {
        if (!doublons.contains(s))
            continue;
        const QString cle = CheminCible(s, choix.DossierSource, choix.DossierCible, choix.ExtCible).toLower();
        const auto premier = premiers.constFind(cle);
        if (premier == premiers.cend())
            premiers.insert(cle, s);
        else
            resultat.insert(s, *premier);
    }
    return resultat;
}

QString TexteRoute(int codePaire, bool regrouperCouches)
{
    switch (RouteDePaire(codePaire)) {
    case Route::Directe: return u"par le traducteur"_s;
    case Route::ImportMapInfo: return u"par MapInfo (importation du MIF)"_s;
    case Route::ExportMapInfo: return u"par MapInfo (exportation en MIF)"_s;
    case Route::OperationTable:
        return regrouperCouches ? u"par le traducteur, couches regroupées par MapInfo"_s : u"par le traducteur"_s;
    case Route::DeuxTempsUneTable: return u"par le traducteur, en deux temps par une table MapInfo"_s;
    case Route::DeuxTempsTables: return u"par le traducteur, en deux temps par une table par classe d'objets"_s;
    case Route::DeuxTempsOperation:
        return regrouperCouches ? u"par le traducteur, en deux temps, couches regroupées par MapInfo"_s
                                : u"par le traducteur, en deux temps par une table par couche"_s;
    case Route::CopiePrj: return u"copie du jeu de formes, avec son .prj"_s;
    case Route::Aucune: break;
    }
    return u"aucune route"_s;
}

Apercu PrevoitTraitement(Contexte &c)
{
    Apercu apercu;
    Choix &choix = c.choix;
    auto refuse = [&](const QString &texte) {
        c.messages.Affiche(texte);
        apercu.Refus = texte;
        return apercu;
    };
    if (auto refus = RefusChoix(choix))
        return refuse(*refus);
    if (auto refus = RefusDossierTravail(c.DossierTemp))
        return refuse(*refus);
    if (auto refus = RefusDestination(choix.DossierCible))
        return refuse(*refus);
    choix.CodePaire = CodePaire(choix.FormatSource, choix.FormatCible);
    choix.ListeFichiers.clear();
    if (c.Controles)
        c.Controles(false);
    const FinApercu fin{c};

    SourcesListees listees = ListeSources(c);
    QSet<QString> sources;
    for (const QString &s : std::as_const(choix.ListeFichiers))
        if (const QString reel = FichierReel(s); !reel.isEmpty())
            sources.insert(reel);
    GardePartie(c, listees);
    for (const ResultatFichier &r : std::as_const(listees.Illisibles))
        apercu.Fichiers << FichierPrevu{r, ActionPrevue::Refuser};
    if (choix.ListeFichiers.isEmpty()) {
        apercu.AucunFichier = true;
        return apercu;
    }
    if (listees.Interrompue) {
        apercu.Annule = true;
        c.messages.Affiche(TexteAnnuleApercu);
        return apercu;
    }

    const QHash<QString, QString> memeCible = PremiersMemeCible(choix.ListeFichiers, listees.Doublons, choix);
    const QString imut = Resous(choix.DossierMapInfo + u"UT/imut"_s);
    const QString route = TexteRoute(choix.CodePaire, c.options.RegrouperCouches);

    QList<FichierPrevu> prevus;
    const qsizetype n = choix.ListeFichiers.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QString &s = choix.ListeFichiers[i];
        c.avancement.AvanceAttente(u"Aperçu du fichier : %1 sur %2\r\n"_s.arg(i).arg(n) + c.avancement.AbregeChemin(s),
                                   int(i * 100 / n));
        if (c.avancement.Annulation()) {
            apercu.Annule = true;
            c.messages.Affiche(TexteAnnuleApercu);
            return apercu;
        }
        FichierPrevu p;
        p.Ligne.Source = s;
        p.Ligne.Destination = CheminCible(s, choix.DossierSource, choix.DossierCible, choix.ExtCible);
        const Decision d = DecideFichier(LitFaits(s, p.Ligne.Destination, sources), memeCible.value(s),
                                         choix.CodePaire, c.options.Remplacer);
        p.Action = d.Action;
        if (d.Action == ActionPrevue::Ignorer || d.Action == ActionPrevue::Refuser) {
            p.Ligne.etat = d.Etat;
            p.Ligne.Raison = d.Raison.isEmpty() ? u"la destination existe déjà"_s : d.Raison;
            prevus << p;
            continue;
        }
        // Le système et l'avertissement tels que le rapport les donnera si la traduction réussit.
        p.Ligne.etat = ResultatFichier::Traduit;
        p.Ligne.Raison = d.Raison.isEmpty() ? route : d.Raison + u" ; "_s + route;
        NoteSysteme(p.Ligne, choix.CodePaire, c.options.UtiliserProjectionFichier, c.projections);
        const bool prj = c.options.UtiliserProjectionFichier && FichierExiste(ChangeExtension(s, u".prj"_s));
        const QString clause = c.projections.ProjectionFichier(s);
        if (ClasseParFeuillet(s, clause, prj)) {
            if (QFileInfo(Resous(s)).size() <= TailleMaxEtendue)
                AjouteAvertissement(p.Ligne.Avertissement, VraisemblanceFichier(imut, s, clause, prj));
            else
                ++apercu.NonVerifies;
        }
        prevus << p;
    }
    apercu.Fichiers = prevus + apercu.Fichiers;
    return apercu;
}

QString TexteComptesApercu(const Apercu &apercu)
{
    int nombres[4] = {0, 0, 0, 0};
    int nonEarth = 0, avertis = 0;
    for (const FichierPrevu &p : apercu.Fichiers) {
        ++nombres[int(p.Action)];
        if (RepliNonEarth(p.Ligne))
            ++nonEarth;
        if (!p.Ligne.Avertissement.isEmpty())
            ++avertis;
    }
    QString texte = u"%1 à traduire, %2 à remplacer, %3 à ignorer, %4 à refuser"_s.arg(nombres[0])
                        .arg(nombres[1])
                        .arg(nombres[2])
                        .arg(nombres[3]);
    if (nonEarth > 0)
        texte += u" ; %1 sans système de coordonnées (NonEarth)"_s.arg(nonEarth);
    if (avertis > 0)
        texte += avertis == 1 ? u" ; 1 avertissement"_s : u" ; %1 avertissements"_s.arg(avertis);
    if (apercu.NonVerifies > 0)
        texte += u" ; %1 classé(s) par feuillet, trop gros pour être vérifié(s) dans l'aperçu"_s.arg(apercu.NonVerifies);
    return texte;
}

QByteArray CsvApercu(const QList<FichierPrevu> &fichiers)
{
    // Les colonnes du rapport ; la colonne etat dit l'action prévue.
    QList<ResultatFichier> lignes;
    QStringList actions;
    for (const FichierPrevu &p : fichiers) {
        lignes << p.Ligne;
        actions << CleAction(p.Action);
    }
    return CsvRapport(lignes, actions);
}

QString TexteApercu(const Apercu &apercu)
{
    auto uneLigne = [](QString t) { return t.replace(u"\r\n"_s, u" "_s).replace(u'\n', u' ').replace(u'\r', u' '); };
    QString texte;
    for (const FichierPrevu &p : apercu.Fichiers) {
        const ResultatFichier &r = p.Ligne;
        texte += CleAction(p.Action) + u" : "_s + uneLigne(r.Source);
        if (p.Action == ActionPrevue::Traduire || p.Action == ActionPrevue::Remplacer) {
            texte += u" → "_s + uneLigne(r.Destination) + u" ("_s + uneLigne(r.Raison);
            if (!r.Systeme.isEmpty())
                texte += u" ; "_s + r.Systeme + u" ["_s
                         + (r.Regle == RegleSysteme::Feuillet && !r.DetailRegle.isEmpty()
                                ? r.DetailRegle
                                : CleRegle(r.Regle) + (r.DetailRegle.isEmpty() ? QString() : u" "_s + r.DetailRegle))
                         + u']';
            texte += u')';
            if (!r.Avertissement.isEmpty())
                texte += u" (avertissement : "_s + uneLigne(r.Avertissement) + u')';
        } else {
            texte += u" ("_s + uneLigne(r.Raison) + u')';
        }
        texte += u'\n';
    }
    texte += u"Aperçu : "_s + TexteComptesApercu(apercu) + u". Rien n'a été écrit.\n"_s;
    return texte;
}

} // namespace quorvale
