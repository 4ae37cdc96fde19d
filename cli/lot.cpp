#include "lot.h"

#include "apercu.h"
#include "rapport.h"

#include "automation.h"
#include "demarrage.h"
#include "emplacements.h"
#include "erreur.h"
#include "estimation.h"
#include "fichiers.h"
#include "processus.h"
#include "registre.h"
#include "traduction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

volatile std::sig_atomic_t interruption = 0;

// Ctrl+C, SIGTERM (arrêt demandé) et SIGHUP (fin de session) annulent de la même façon.
constexpr int SignauxAnnulation[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void SurInterruption(int)
{
    interruption = 1;
    DemandeArret();
    // Un second signal arrête le programme sans attendre la fin du fichier en cours.
    for (int s : SignauxAnnulation)
        std::signal(s, SIG_DFL);
}

void Ecrit(FILE *flux, const QString &texte)
{
    const QByteArray octets = texte.toUtf8();
    std::fwrite(octets.constData(), 1, size_t(octets.size()), flux);
    std::fflush(flux);
}

int LargeurTerminal(FILE *flux)
{
    winsize taille{};
    if (::ioctl(fileno(flux), TIOCGWINSZ, &taille) == 0 && taille.ws_col > 0)
        return taille.ws_col;
    bool ok = false;
    const int colonnes = qEnvironmentVariableIntValue("COLUMNS", &ok);
    return ok && colonnes > 0 ? colonnes : 80;
}

// Les réglages lus sans jamais les écrire (l'aperçu ne laisse aucune trace, même ici).
class ReglagesEnLecture : public Reglages {
public:
    explicit ReglagesEnLecture(Reglages &reglages) : reglages_(reglages) {}
    bool Ouvre() override { return true; } // QSettings::isWritable créerait le dossier
    std::optional<bool> Lit(const QString &nom) const override { return reglages_.Lit(nom); }
    void Ecrit(const QString &, bool) override {}
    std::optional<QString> LitTexte(const QString &nom) const override { return reglages_.LitTexte(nom); }

private:
    Reglages &reglages_;
};

QString Absolu(const QString &dossier)
{
    if (dossier.isEmpty() || !QFileInfo(dossier).isRelative())
        return dossier;
    return QDir::currentPath() + u'/' + dossier;
}

} // namespace

int IndexFormat(const QString &cle)
{
    for (int i = 1; i <= 5; ++i)
        if (CleFormat(i).compare(cle, Qt::CaseInsensitive) == 0)
            return i;
    return 0;
}

std::optional<ArgumentsLot> LitArguments(const QStringList &arguments, QString *erreur)
{
    ArgumentsLot a;
    auto refuse = [&](const QString &texte) -> std::optional<ArgumentsLot> {
        if (erreur)
            *erreur = texte;
        return std::nullopt;
    };
    const QStringList avecValeur{u"--format-source"_s, u"--format-cible"_s, u"--source"_s, u"--cible"_s,
                                 u"--fichiers"_s, u"--projection"_s, u"--delai-traducteur"_s, u"--rapport"_s, u"--partie"_s};
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString option = arguments[i];
        QString valeur;
        bool valeurDonnee = false;
        if (option.startsWith(u"--"_s) && option.contains(u'=')) {
            valeur = option.section(u'=', 1);
            option = option.section(u'=', 0, 0);
            valeurDonnee = true;
        }
        if (avecValeur.contains(option)) {
            if (!valeurDonnee) {
                if (i + 1 >= arguments.size())
                    return refuse(u"L'option %1 attend une valeur."_s.arg(option));
                valeur = arguments[++i];
            }
        } else if (valeurDonnee) {
            return refuse(u"L'option %1 ne prend pas de valeur."_s.arg(option));
        }

        if (option == u"--help"_s || option == u"-h"_s) {
            a.Aide = true;
        } else if (option == u"--format-source"_s || option == u"--format-cible"_s) {
            const int index = IndexFormat(valeur);
            if (index == 0)
                return refuse(u"Format inconnu « %1 » : dxf, e00, mif, shp ou tab."_s.arg(valeur));
            (option == u"--format-source"_s ? a.FormatSource : a.FormatCible) = index;
        } else if (option == u"--source"_s) {
            a.DossierSource = valeur;
        } else if (option == u"--cible"_s) {
            a.DossierCible = valeur;
        } else if (option == u"--fichiers"_s) {
            a.Options.Fichiers = valeur;
        } else if (option == u"--projection"_s) {
            try {
                (void)CodeProjection(valeur);
            } catch (const Erreur &) {
                return refuse(u"La projection « %1 » n'est pas une clause CoordSys lisible "
                              u"(par exemple « CoordSys Earth Projection 8, 74, 7, -73.5, 0, 0.9999, 304800, 0 »)."_s
                                  .arg(valeur));
            }
            a.Projection = valeur;
        } else if (option == u"--rapport"_s) {
            if (valeur.isEmpty())
                return refuse(u"L'option --rapport attend un nom de fichier."_s);
            a.Rapport = valeur;
        } else if (option == u"--delai-traducteur"_s) {
            bool ok = false;
            const int secondes = valeur.toInt(&ok);
            if (!ok || secondes < 0 || secondes > 2000000)
                return refuse(u"Le délai « %1 » n'est pas un nombre de secondes (0 : sans limite)."_s.arg(valeur));
            a.DelaiTraducteur = secondes;
        } else if (option == u"--apercu"_s) {
            a.Apercu = true;
        } else if (option == u"--partie"_s) {
            bool okK = false, okN = false;
            const int k = valeur.section(u'/', 0, 0).trimmed().toInt(&okK);
            const int n = valeur.section(u'/', 1).trimmed().toInt(&okN);
            if (valeur.count(u'/') != 1 || !okK || !okN || n < 1 || n > 1000000 || k < 1 || k > n)
                return refuse(u"La partie « %1 » n'est pas de la forme K/N, K de 1 à N (par exemple 2/8)."_s.arg(valeur));
            a.Options.Partie = k;
            a.Options.Parties = n;
        } else if (option == u"--sous-dossiers"_s) {
            a.Options.SousDossiers = true;
        } else if (option == u"--remplacer"_s) {
            a.Options.Remplacer = true;
        } else if (option == u"--regrouper-couches"_s) {
            a.Options.RegrouperCouches = true;
        } else if (option == u"--sans-projection-fichier"_s) {
            a.Options.UtiliserProjectionFichier = false;
        } else if (option == u"--feuillets"_s || option == u"--sans-feuillets"_s) {
            a.Feuillets = option == u"--feuillets"_s;
        } else if (option == u"--mtm"_s || option == u"--utm"_s) {
            a.Mtm = option == u"--mtm"_s;
        } else if (option == u"--nad83"_s || option == u"--nad27"_s) {
            a.Nad83 = option == u"--nad83"_s;
        } else if (option == u"--associations"_s || option == u"--sans-associations"_s) {
            a.AssoMots = option == u"--associations"_s;
        } else {
            return refuse(u"Option inconnue « %1 »."_s.arg(arguments[i]));
        }
    }
    return a;
}

QString AideLot()
{
    return u"Usage : quorvale-lot --format-source F --format-cible F --source DOSSIER --cible DOSSIER [options]\n"
           u"\n"
           u"Traduit les fichiers d'un dossier d'un format à l'autre, sans fenêtre, comme le bouton\n"
           u"« Traduire » de Quorvale : mêmes vérifications, mêmes routes, mêmes fichiers produits.\n"
           u"L'arborescence de la source est reproduite sous la destination, noms en minuscules.\n"
           u"\n"
           u"Formats (F) : dxf, e00, mif, shp, tab.\n"
           u"\n"
           u"Options :\n"
           u"  --format-source F          format des fichiers à traduire\n"
           u"  --format-cible F           format des fichiers à produire (shp vers shp copie et ajoute le .prj)\n"
           u"  --source DOSSIER           dossier des fichiers à traduire\n"
           u"  --cible DOSSIER            dossier de destination (créé s'il manque et que son parent existe)\n"
           u"  --fichiers \"a;b*\"          noms séparés par « ; », avec les caractères génériques ? et *\n"
           u"                             (par défaut « * »)\n"
           u"  --sous-dossiers            descend dans les sous-dossiers\n"
           u"  --remplacer                écrase les fichiers déjà présents dans la destination\n"
           u"  --regrouper-couches        regroupe les couches d'un dessin dxf dans une seule table\n"
           u"  --sans-projection-fichier  n'utilise pas le .prj qui accompagne un shapefile\n"
           u"                             ni le système de la section PRJ d'une couverture E00\n"
           u"  --projection \"CoordSys ...\" projection par défaut (sinon « CoordSys NonEarth Projection 0, 7 »)\n"
           u"  --feuillets | --sans-feuillets\n"
           u"                             zone déterminée ou non d'après le numéro de feuillet (tables\n"
           u"                             du Québec, sinon géométrie du SNRC) ; les données d'un fichier\n"
           u"                             classé par feuillet sont comparées au feuillet (avertissement)\n"
           u"  --mtm | --utm              MTM sur feuillet 1:20 000, ou UTM sur feuillet 1:250 000\n"
           u"  --nad83 | --nad27          datum des zones déterminées par feuillet\n"
           u"  --associations | --sans-associations\n"
           u"                             utilise ou non les associations de mots (AssoMots.txt)\n"
           u"  --delai-traducteur SECONDES\n"
           u"                             temps permis à chaque appel du traducteur ou de MapInfo ;\n"
           u"                             au-delà, il est arrêté et le fichier est en échec (par défaut\n"
           u"                             le réglage « DelaiTraducteur », sinon 600 ; 0 : sans limite)\n"
           u"  --rapport FICHIER.csv      écrit le rapport : une ligne par fichier, en UTF-8, séparée par « ; »,\n"
           u"                             colonnes source;destination;etat;raison;systeme;regle;avertissement\n"
           u"                             (etat : traduit, ignore, sans_resultat, echec, non_traite ; systeme :\n"
           u"                             la clause CoordSys donnée à la sortie ; regle : feuillet, association,\n"
           u"                             fichier, choisie ou aucune)\n"
           u"  --apercu                   montre ce que le traitement ferait, sans rien écrire ni créer\n"
           u"                             (ni dossier, ni fichier de travail, ni MapInfo lancé) : pour\n"
           u"                             chaque source, sa destination, l'action (traduire, remplacer,\n"
           u"                             ignorer : existe déjà, refuser : la destination est la source\n"
           u"                             ou une autre source), la route, la clause CoordSys et sa règle,\n"
           u"                             et l'avertissement de vraisemblance des fichiers classés par\n"
           u"                             feuillet d'au plus 8 Mo ; avec --rapport, le même CSV où etat\n"
           u"                             est l'action (traduire, remplacer, ignorer, refuser) et raison\n"
           u"                             la route ou le motif\n"
           u"  --partie K/N               ne traduit que la K-ième de N parts de la liste (K de 1 à N) :\n"
           u"                             un fichier en est quand l'empreinte FNV-1a 64 bits des octets\n"
           u"                             UTF-8 de son chemin relatif au dossier source, en minuscules,\n"
           u"                             modulo N, plus 1, vaut K ; la même sur chaque machine. N\n"
           u"                             traitements (K = 1 à N) traduisent l'arbre une fois ; le\n"
           u"                             rapport de chacun ne couvre que sa part\n"
           u"  --help                     affiche cette aide\n"
           u"\n"
           u"Sans ces quatre dernières paires d'options, les réglages enregistrés par le dialogue\n"
           u"« Projection ... » de Quorvale s'appliquent.\n"
           u"\n"
           u"Dans un terminal, une barre montre l'avancement et le temps restant ; Ctrl+C annule\n"
           u"après le fichier en cours. À la fin, une ligne par fichier source (traduit, ignoré,\n"
           u"sans résultat, échec, non traité) et un bilan ; « (avertissement : ...) » suit un fichier\n"
           u"traduit dont les données ne tombent pas dans leur feuillet (hors du feuillet, en degrés,\n"
           u"d'une autre zone).\n"
           u"\n"
           u"Code de sortie : 0 quand chaque fichier non ignoré a donné un résultat, 1 sinon,\n"
           u"2 quand les choix sont refusés (le message est celui de la fenêtre).\n"_s;
}

ReglagesProjection ReglagesDuLot(const ReglagesProjection &enregistres, const ArgumentsLot &a)
{
    ReglagesProjection r = enregistres;
    r.Feuillets = a.Feuillets.value_or(r.Feuillets);
    r.Mtm = a.Mtm.value_or(r.Mtm);
    r.Nad83 = a.Nad83.value_or(r.Nad83);
    r.AssoMots = a.AssoMots.value_or(r.AssoMots);
    return r;
}

namespace {

// Une ligne par fichier : un saut de ligne dans un nom devient « ↵ », dans une raison un espace.
QString SurUneLigne(QString texte, const QString &remplacement)
{
    return texte.replace(u"\r\n"_s, remplacement).replace(u'\n', remplacement).replace(u'\r', remplacement);
}

} // namespace

QString RapportLot(const Bilan &bilan)
{
    int traduits = 0, ignores = 0, sansResultat = 0, echecs = 0, nonTraites = 0;
    QString texte;
    for (const ResultatFichier &fichier : bilan.Fichiers) {
        ResultatFichier r = fichier;
        r.Source = SurUneLigne(r.Source, u"↵"_s);
        r.Destination = SurUneLigne(r.Destination, u"↵"_s);
        r.Raison = SurUneLigne(r.Raison, u" "_s);
        switch (r.etat) {
        case ResultatFichier::Traduit:
            ++traduits;
            texte += u"traduit : %1 → %2%3\n"_s.arg(r.Source, r.Destination,
                                                    r.Avertissement.isEmpty() ? QString()
                                                                              : u" (avertissement : "_s + SurUneLigne(r.Avertissement, u" "_s) + u')');
            break;
        case ResultatFichier::Ignore:
            ++ignores;
            texte += u"ignoré : %1 (%2)\n"_s.arg(r.Source, r.Raison.isEmpty() ? u"la destination existe déjà"_s : r.Raison);
            break;
        case ResultatFichier::SansResultat:
            ++sansResultat;
            texte += u"sans résultat : %1 (%2)\n"_s.arg(
                r.Source, r.Raison.isEmpty() ? u"aucun fichier n'a été écrit"_s : r.Raison);
            break;
        case ResultatFichier::Echec:
            ++echecs;
            texte += u"échec : %1 (%2)\n"_s.arg(r.Source, r.Raison);
            break;
        case ResultatFichier::NonTraite:
            ++nonTraites;
            texte += u"non traité : %1\n"_s.arg(r.Source);
            break;
        }
    }
    texte += u"Bilan : %1 traduit(s), %2 ignoré(s), %3 sans résultat, %4 échec(s), %5 non traité(s).\n"_s
                 .arg(traduits).arg(ignores).arg(sansResultat).arg(echecs).arg(nonTraites);
    return texte;
}

int CodeSortie(const Bilan &bilan)
{
    if (bilan.Refus)
        return 2;
    return bilan.Reussi() ? 0 : 1;
}

void MessagesTerminal::Affiche(const QString &texte)
{
    QString t = texte;
    t.replace(u"\r\n"_s, u"\n"_s);
    Ecrit(flux_, t + u'\n');
}

AvancementTerminal::AvancementTerminal(const Horloge &horloge, FILE *flux, bool terminal)
    : horloge_(horloge), flux_(flux), terminal_(terminal)
{
    interruption = 0;
    OublieArret();
    for (int s : SignauxAnnulation)
        std::signal(s, SurInterruption);
}

AvancementTerminal::~AvancementTerminal()
{
    FermeAttente();
    for (int s : SignauxAnnulation)
        std::signal(s, SIG_DFL);
}

void AvancementTerminal::AfficheAttente(const QString &message, bool avecJauge)
{
    annulation_ = false;
    ouverte_ = true;
    jauge_ = avecJauge;
    message_ = message;
    pourcentage_ = 0;
    debut_ = horloge_.Maintenant();
    Dessine();
}

void AvancementTerminal::AvanceAttente(const QString &message, int pourcentage)
{
    if (!ouverte_)
        return;
    if (!message.isEmpty())
        message_ = message;
    if (unsigned(pourcentage) >= 101) {
        Dessine();
        return;
    }
    pourcentage_ = pourcentage;
    Dessine();
    PompeMessages();
    if (interruption)
        annulation_ = true;
    if (annulation_)
        FermeAttente();
}

bool AvancementTerminal::Annulation() const
{
    // Un signal reçu pendant un fichier annule dès la fin de celui-ci.
    return annulation_ || interruption;
}

void AvancementTerminal::FermeAttente()
{
    if (ouverte_ && terminal_)
        Ecrit(flux_, u"\r\x1b[K"_s);
    ouverte_ = false;
}

QString AvancementTerminal::LigneBarre(const QString &message, int pourcentage, double restantMs, int largeur)
{
    QString ligne;
    if (pourcentage >= 0) {
        constexpr int cases = 20;
        const int pleines = pourcentage * cases / 100;
        ligne = u'[' + QString(pleines, u'#') + QString(cases - pleines, u'-') + u"] "_s
                + u"%1 %"_s.arg(pourcentage, 3);
        if (restantMs > 0)
            ligne += u"  "_s + TexteTempsRestant(restantMs, QLocale::system());
        ligne += u"  "_s;
    }
    QString texte = message;
    texte.replace(u"\r\n"_s, u" "_s);
    texte.replace(u'\n', u' ');
    const qsizetype reste = largeur - 1 - ligne.size();
    // Le début du message part en premier : la fin (le nom du fichier) reste visible.
    if (texte.size() > reste)
        texte = reste > 3 ? u"..."_s + texte.right(reste - 3) : QString();
    return ligne + texte;
}

void AvancementTerminal::Dessine()
{
    if (!terminal_ || !ouverte_)
        return;
    double restant = 0;
    if (jauge_)
        restant = TempsRestant(std::abs(double(debut_.msecsTo(horloge_.Maintenant()))), pourcentage_);
    Ecrit(flux_, u"\r"_s + LigneBarre(message_, jauge_ ? pourcentage_ : -1, restant, LargeurTerminal(flux_))
                     + u"\x1b[K"_s);
}

int Lot(const QStringList &arguments)
{
    MessagesTerminal messages;
    QString erreur;
    const auto a = LitArguments(arguments, &erreur);
    if (!a) {
        messages.Affiche(erreur + u"\nVoir « quorvale-lot --help »."_s);
        return 2;
    }
    if (a->Aide) {
        Ecrit(stdout, AideLot());
        return 0;
    }

    RegistreFichier registre;
    Choix choix;
    if (a->Apercu) {
        // Sans inscription : le serveur livré qui serait inscrit, ou celui qui l'est déjà.
        const QString livre = ServeurAInscrire(registre, ServeurLivre(QCoreApplication::applicationDirPath()));
        choix.DossierMapInfo = livre.isEmpty() ? DossierInstallation(registre, u"mapinfo.application"_s)
                                               : livre.left(livre.lastIndexOf(u'/') + 1);
    } else {
        InscritServeurLivre(registre, QCoreApplication::applicationDirPath());
        choix.DossierMapInfo = DossierInstallation(registre, u"mapinfo.application"_s);
    }
    if (const auto refus = RefusDemarrage(choix.DossierMapInfo)) {
        messages.Affiche(*refus);
        return 2;
    }

    choix.FormatSource = a->FormatSource;
    choix.FormatCible = a->FormatCible;
    choix.ExtSource = CleFormat(a->FormatSource);
    choix.ExtCible = CleFormat(a->FormatCible);
    choix.DossierSource = Absolu(a->DossierSource);
    choix.DossierCible = Absolu(a->DossierCible);
    // Un choix refusé l'est avant tout chargement, comme dans la fenêtre.
    if (const auto refus = RefusChoix(choix)) {
        messages.Affiche(*refus);
        return 2;
    }

    ReglagesUtilisateur reglagesUtilisateur;
    ReglagesEnLecture reglagesEnLecture(reglagesUtilisateur);
    Reglages &reglages = a->Apercu ? static_cast<Reglages &>(reglagesEnLecture) : reglagesUtilisateur;
    QStringList erreurs;
    ProjectionsFixes projections =
        ChargeProjections(reglages, choix.DossierMapInfo, QCoreApplication::applicationDirPath(), &erreurs);
    for (const QString &e : std::as_const(erreurs))
        messages.Affiche(e);
    projections.reglages = ReglagesDuLot(projections.reglages, *a);
    // Sans --projection, celle que la fenêtre a retenue.
    projections.ProjectionChoisie = a->Projection.value_or(
        reglages.LitTexte(u"ProjectionChoisie"_s).value_or(QString::fromUtf16(ProjectionDeDepart)));

    choix.ProjectionChoisie = projections.ProjectionChoisie;

    // Chaque appel est borné : un fichier qui emballe le traducteur est arrêté et noté en échec.
    const int delaiMs = a->DelaiTraducteur.value_or(DelaiTraducteur()) * 1000;
    AutomationLocale automation(registre, delaiMs);
    ProcessusLocal processus(delaiMs);
    HorlogeSysteme horloge;
    AvancementTerminal avancement(horloge, stderr, ::isatty(fileno(stderr)) == 1);
    Contexte contexte{choix, a->Options, automation, processus, messages, horloge, avancement, projections};
    contexte.DossierTemp = DossierTemporaire();

    if (a->Apercu) {
        const Apercu apercu = PrevoitTraitement(contexte);
        avancement.FermeAttente();
        if (apercu.Refus)
            return 2;
        if (!apercu.AucunFichier)
            Ecrit(stdout, TexteApercu(apercu));
        if (!a->Rapport.isEmpty()) {
            const QString echec = EcritCsv(Absolu(a->Rapport), CsvApercu(apercu.Fichiers));
            if (!echec.isEmpty()) {
                messages.Affiche(echec);
                return 1;
            }
        }
        return apercu.Annule ? 1 : 0;
    }

    const Bilan bilan = Traduire(contexte);
    avancement.FermeAttente();
    if (!bilan.Refus && !bilan.AucunFichier)
        Ecrit(stdout, RapportLot(bilan));
    if (!bilan.Refus && !a->Rapport.isEmpty()) {
        const QString echec = EcritRapport(Absolu(a->Rapport), bilan.Fichiers);
        if (!echec.isEmpty()) {
            messages.Affiche(echec);
            return qMax(1, CodeSortie(bilan));
        }
    }
    return CodeSortie(bilan);
}

} // namespace quorvale
