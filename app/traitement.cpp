#include "traitement.h"

#include "apercu.h"

#include "integrite.h"

#include "destination.h"
#include "erreur.h"
#include "fichiers.h"
#include "projections.h"
#include "rapport.h"
#include "routes.h"
#include "scrutedossier.h"
#include "traduction.h"
#include "vraisemblance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QHash>
#include <QMultiHash>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

const QString TexteListe = u"Construction de la liste de fichiers à traduire."_s;
const QString TexteAnnule = u"Le traitement a été annulé"_s;
const QString TexteAucunFichier = u"Il n'y a aucun fichier à traduire dans le dossier spécifié."_s;

QString NomFichier(const QString &chemin)
{
    return chemin.mid(chemin.lastIndexOf(u'/') + 1);
}

// L'ordre de QString::compare sans égard à la casse ; les noms tout ASCII (le cas courant) sont
// comparés sans le repliement Unicode, qui coûte la moitié d'une liste de cent mille fichiers.
bool AvantSansCasse(const QString &a, const QString &b)
{
    const qsizetype n = qMin(a.size(), b.size());
    const QChar *x = a.constData();
    const QChar *y = b.constData();
    for (qsizetype i = 0; i < n; ++i) {
        char16_t u = x[i].unicode(), v = y[i].unicode();
        if (u >= 0x80 || v >= 0x80)
            return a.compare(b, Qt::CaseInsensitive) < 0;
        if (u >= u'A' && u <= u'Z')
            u += 32;
        if (v >= u'A' && v <= u'Z')
            v += 32;
        if (u != v)
            return u < v;
    }
    return a.size() < b.size();
}

// Après le tri : chaque groupe de noms égaux sans la casse reprend les vrais noms de ses fichiers
// (triés), pour que chacun soit traduit une fois. Rend ces noms.
QSet<QString> VraisNoms(QStringList &liste, const QMultiHash<QString, QString> &casse)
{
    QSet<QString> doublons;
    for (qsizetype i = 0; i + 1 < liste.size();) {
        qsizetype j = i + 1;
        while (j < liste.size() && liste[j] == liste[i])
            ++j;
        if (j - i > 1) {
            QStringList vrais = casse.values(liste[i]);
            // Le fichier dont le nom est déjà en minuscules n'est pas dans la table.
            while (vrais.size() < j - i)
                vrais << liste[i];
            std::sort(vrais.begin(), vrais.end());
            for (qsizetype k = i; k < j; ++k) {
                liste[k] = vrais[k - i];
                doublons.insert(liste[k]);
            }
        }
        i = j;
    }
    return doublons;
}

// La remise en état, quelle que soit l'issue du traitement.
struct RemiseEnEtat {
    Contexte &c;
    std::unique_ptr<ObjetAutomation> &appMapInfo;
    ~RemiseEnEtat()
    {
        if (appMapInfo) {
            try {
                appMapInfo->Do(u"set progressbars on"_s);
            } catch (...) {
                // MapInfo déjà parti : on le libère quand même.
            }
            appMapInfo.reset();
        }
        if (c.Controles)
            c.Controles(true);
        c.avancement.FermeAttente();
        SupprimeFichiersTravail(c.DossierTemp);
    }
};

// Le dossier privé d'un traitement : DossierTemp le nomme le temps du traitement, puis il disparaît
// avec ce qu'il contient, quelle que soit l'issue.
struct DossierDuTraitement {
    Contexte &c;
    QString base;
    DossierDuTraitement(Contexte &contexte, const QString &prive) : c(contexte), base(contexte.DossierTemp)
    {
        c.DossierTemp = prive;
    }
    ~DossierDuTraitement()
    {
        (void)SupprimeArborescence(c.DossierTemp);
        c.DossierTemp = base;
    }
    DossierDuTraitement(const DossierDuTraitement &) = delete;
    DossierDuTraitement &operator=(const DossierDuTraitement &) = delete;
};

// L'entente avec imut (outside/ut/travailleur.h).
constexpr char VariableTravailleur[] = "QUORVALE_TRAVAILLEUR_UT";
const QString OptionTravailleur = u"--travailleur"_s;
constexpr char TravailleurPret[] = "pret\n";
// Un chemin de prise locale tient en 108 octets.
constexpr qsizetype TailleMaxPrise = 100;

} // namespace

struct TravailleurTraducteur::Etat {
    QString programme;
    QTemporaryDir dossier;
    QString prise;
    bool possible = false;
    std::unique_ptr<QProcess> processus;
    bool pret = false;
    QByteArray lu;
    std::optional<QByteArray> variableAvant;
    explicit Etat(const QString &modele) : dossier(modele) {}
};

TravailleurTraducteur::TravailleurTraducteur(const QString &dossierMapInfo, const QString &dossierTemp)
    : etat_(std::make_unique<Etat>((dossierTemp.isEmpty() ? QDir::tempPath() + u'/' : dossierTemp)
                                   + u"quorvale-XXXXXX"_s))
{
    if (qEnvironmentVariableIsSet(VariableTravailleur))
        etat_->variableAvant = qgetenv(VariableTravailleur);
    etat_->programme = Resous(dossierMapInfo + u"UT/imut_gdal"_s);
    etat_->prise = etat_->dossier.filePath(u"imut"_s);
    // QUORVALE_SANS_TRAVAILLEUR : chaque appel se charge lui-même (comparaisons, banc).
    etat_->possible = etat_->dossier.isValid() && QFile::encodeName(etat_->prise).size() < TailleMaxPrise
                      && FichierExiste(etat_->programme) && !qEnvironmentVariableIsSet("QUORVALE_SANS_TRAVAILLEUR");
}

TravailleurTraducteur::~TravailleurTraducteur()
{
    Oublie();
    QProcess *p = etat_->processus.get();
    if (p && p->state() != QProcess::NotRunning) {
        p->terminate();
        if (!p->waitForFinished(2000)) {
            p->kill();
            p->waitForFinished(2000);
        }
    }
}

void TravailleurTraducteur::Oublie()
{
    if (etat_->variableAvant)
        qputenv(VariableTravailleur, *etat_->variableAvant);
    else
        qunsetenv(VariableTravailleur);
    etat_->pret = false;
}

void TravailleurTraducteur::Lance()
{
    etat_->pret = false;
    etat_->lu.clear();
    etat_->processus = std::make_unique<QProcess>();
    QProcess &p = *etat_->processus;
    p.setProgram(etat_->programme);
    p.setArguments({OptionTravailleur, etat_->prise});
    // Tous les symboles liés au chargement : une conversion dupliquée n'a plus rien à lier.
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    environnement.insert(u"LD_BIND_NOW"_s, u"1"_s);
    environnement.remove(QString::fromLatin1(VariableTravailleur));
    p.setProcessEnvironment(environnement);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start();
}

bool TravailleurTraducteur::LitPret(int delaiMs)
{
    QProcess &p = *etat_->processus;
    QElapsedTimer chrono;
    chrono.start();
    do {
        etat_->lu += p.readAllStandardOutput();
        if (etat_->lu.size() >= qsizetype(sizeof TravailleurPret - 1))
            break;
    } while (p.state() != QProcess::NotRunning && p.waitForReadyRead(int(qMax<qint64>(0, delaiMs - chrono.elapsed())))
             && chrono.elapsed() <= delaiMs);
    etat_->lu += p.readAllStandardOutput();
    if (etat_->lu.startsWith(TravailleurPret)) {
        etat_->pret = true;
        qputenv(VariableTravailleur, QFile::encodeName(etat_->prise));
        return true;
    }
    if (etat_->lu.size() >= qsizetype(sizeof TravailleurPret - 1) || p.state() == QProcess::NotRunning) {
        // Il n'a pas pu écouter : le traitement se passe de lui.
        p.kill();
        p.waitForFinished(2000);
        etat_->possible = false;
    }
    return false;
}

bool TravailleurTraducteur::Prepare(qsizetype conversionsRestantes)
{
    if (!etat_->possible)
        return false;
    if (!etat_->processus) {
        // Pour une seule conversion, le charger ne ferait que la retarder.
        if (conversionsRestantes < 2)
            return false;
        Lance();
    }
    QProcess &p = *etat_->processus;
    if (etat_->pret) {
        if (p.state() == QProcess::Running && !p.waitForFinished(0))
            return true;
        // Mort en route : remplacé, jamais attendu ; les appels d'ici là se chargent eux-mêmes.
        Oublie();
        Lance();
        return false;
    }
    return LitPret(0);
}

bool TravailleurTraducteur::AttendPret(int delaiMs)
{
    if (!etat_->possible)
        return false;
    if (!etat_->processus)
        Lance();
    return etat_->pret || LitPret(delaiMs);
}

qint64 TravailleurTraducteur::Pid() const
{
    return etat_->processus ? etat_->processus->processId() : 0;
}

QList<ResultatFichier> Bilan::Problemes() const
{
    QList<ResultatFichier> problemes;
    for (const ResultatFichier &r : Fichiers)
        if (r.etat == ResultatFichier::SansResultat || r.etat == ResultatFichier::Echec
            || (r.etat == ResultatFichier::Ignore && !r.Raison.isEmpty()))
            problemes << r;
    return problemes;
}

bool Bilan::Reussi() const
{
    if (Refus || Erreur || Annule)
        return false;
    for (const ResultatFichier &r : Fichiers)
        if (r.etat != ResultatFichier::Traduit && r.etat != ResultatFichier::Ignore)
            return false;
    return true;
}

int CodePaire(int formatSource, int formatCible)
{
    return 10 * formatSource + formatCible;
}

std::optional<QString> RefusChoix(const Choix &choix)
{
    if (choix.FormatSource < 1 || choix.FormatSource > 5)
        return u"Veuillez faire la sélection du format d'origine."_s;
    if (choix.FormatCible < 1 || choix.FormatCible > 5)
        return u"Veuillez faire la sélection du format de destination."_s;
    if (choix.ExtSource == choix.ExtCible && choix.ExtSource != u"shp"_s)
        return u"Vous devez choisir un format de destination différent."_s;
    if (choix.DossierSource.isEmpty() || !DossierExiste(choix.DossierSource))
        return u"Le dossier source n'est pas valide."_s;
    if (!DestinationPossible(choix.DossierCible))
        return u"Le dossier de destination n'est pas valide."_s;
    return std::nullopt;
}

bool OuvreMapInfo(int codePaire, bool regrouperCouches)
{
    return codePaire == 53 || codePaire == 35 || codePaire == 15
           || (regrouperCouches && (codePaire == 12 || codePaire == 14));
}

QString FiltreSource(const QString &texte)
{
    const qsizetype point = texte.lastIndexOf(u'.');
    const QString x = point < 0 ? QString() : texte.mid(point);
    const QString b = point < 0 ? texte : texte.left(point);
    auto avantPoint = [](const QString &partie) {
        const qsizetype p = partie.indexOf(u'.');
        return p < 0 ? partie : partie.left(p);
    };
    if (!b.contains(u';'))
        return avantPoint(b) + x;
    QStringList parties = b.split(u';');
    if (parties.last().isEmpty())
        parties.removeLast();
    QStringList motifs;
    for (const QString &partie : parties)
        motifs << avantPoint(partie) + x;
    return motifs.join(u';');
}

QString MinusculesAscii(const QString &texte)
{
    // Sans majuscule, le même texte, sans copie.
    if (std::none_of(texte.cbegin(), texte.cend(), [](QChar c) { return c.unicode() >= u'A' && c.unicode() <= u'Z'; }))
        return texte;
    QString resultat = texte;
    for (QChar &c : resultat)
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(char16_t(c.unicode() + 32));
    return resultat;
}

QString CheminCible(const QString &source, const QString &dossierSource, const QString &dossierCible,
                    const QString &extCible)
{
    QString relatif = source.mid(dossierSource.size());
    QString dossier = dossierCible;
    if (dossier.endsWith(u'/') && relatif.startsWith(u'/'))
        relatif.remove(0, 1);
    else if (!dossier.endsWith(u'/') && !relatif.startsWith(u'/'))
        dossier += u'/';
    return ChangeExtension(dossier + relatif, u'.' + extCible);
}

QStringList CreeDossiersCible(const QString &dossierCible, const QString &relatif)
{
    QStringList crees;
    QString dossier = dossierCible;
    if (dossier.endsWith(u'/'))
        dossier.chop(1);
    QStringList parties = relatif.split(u'/', Qt::SkipEmptyParts);
    if (!parties.isEmpty())
        parties.removeLast();
    for (const QString &partie : parties) {
        dossier += u'/' + partie;
        if (!DossierExiste(dossier) && CreeDossier(dossier))
            crees << dossier;
    }
    return crees;
}

quint64 EmpreinteChemin(const QString &relatif)
{
    QStringView vue(relatif);
    while (vue.startsWith(u'/'))
        vue = vue.sliced(1);
    quint64 h = 0xcbf29ce484222325ULL;
    for (const char octet : vue.toString().toLower().toUtf8()) {
        h ^= static_cast<unsigned char>(octet);
        h *= 0x100000001b3ULL;
    }
    return h;
}

bool DansPartie(const QString &relatif, int partie, int parties)
{
    if (parties <= 1)
        return true;
    return static_cast<int>(EmpreinteChemin(relatif) % static_cast<quint64>(parties)) + 1 == partie;
}

Ecrasement RegleEcrasement(bool remplacer, int codePaire, bool cibleExiste, bool prjExiste)
{
    if (remplacer)
        return Ecrasement::Remplace;
    if (!cibleExiste)
        return Ecrasement::Poursuit;
    // Un jeu de formes copié plus tôt sans son .prj le reçoit.
    return codePaire == 44 && !prjExiste ? Ecrasement::Poursuit : Ecrasement::Saute;
}

void SupprimeCible(const QString &chemin)
{
    const QString ext = MinusculesAscii(chemin.mid(chemin.lastIndexOf(u'.')));
    QStringList extensions;
    if (ext == u".mif"_s)
        extensions = {u".mif"_s, u".mid"_s};
    else if (ext == u".shp"_s)
        extensions = {u".shp"_s, u".shx"_s, u".dbf"_s, u".prj"_s, u".cpg"_s};
    else if (ext == u".tab"_s)
        extensions = {u".tab"_s, u".map"_s, u".dat"_s, u".id"_s, u".ind"_s};
    for (const QString &e : std::as_const(extensions)) {
        const QString fichier = ChangeExtension(chemin, e);
        if (FichierExiste(fichier))
            (void)SupprimeFichier(fichier);
    }
}

bool SupprimeDossier(const QString &chemin)
{
    return SupprimeArborescence(chemin);
}

const QStringList &FichiersTravail()
{
    static const QStringList fichiers{u"Trad_Macro.txt"_s, u"Param.txt"_s, u"LanceTrad.bat"_s, u"LanceParam.bat"_s};
    return fichiers;
}

void SupprimeFichiersTravail(const QString &dossierTemp)
{
    for (const QString &f : FichiersTravail())
        if (FichierExiste(dossierTemp + f))
            (void)SupprimeFichier(dossierTemp + f);
}

bool SortieProduite(const QStringList &cibles, const QDateTime &depuis)
{
    // Les dates des fichiers se lisent à la seconde.
    const qint64 debut = depuis.toSecsSinceEpoch();
    for (const QString &cible : cibles) {
        const QString dossier = cible.left(cible.lastIndexOf(u'/') + 1);
        const QString nom = NomFichier(cible);
        const qsizetype point = nom.lastIndexOf(u'.');
        const QString base = point < 0 ? nom : nom.left(point);
        const QString ext = point < 0 ? QString() : nom.mid(point);
        // Le nom attendu d'abord, sans lire le dossier : une liste par fichier rendrait le
        // traitement d'un grand dossier quadratique.
        const QFileInfo exact(Resous(cible));
        if (exact.exists() && !exact.isDir() && exact.lastModified().toSecsSinceEpoch() >= debut)
            return true;
        // Puis les sorties par genre ou par calque (base_*.ext). Les noms sont pris à la lettre :
        // un « ? » ou un « * » du nom n'est pas un joker.
        const QString prefixe = base + u'_';
        for (const EntreeDossier &e : ChercheNoms(dossier.isEmpty() ? u"."_s : dossier, u"*"_s)) {
            if (e.dossier || e.nom.size() < prefixe.size() + ext.size() || !e.nom.startsWith(prefixe, Qt::CaseInsensitive)
                || !e.nom.endsWith(ext, Qt::CaseInsensitive))
                continue;
            const QFileInfo info(Resous(dossier + e.nom));
            if (!info.isDir() && info.lastModified().toSecsSinceEpoch() >= debut)
                return true;
        }
    }
    return false;
}

QString EtatFinal(const Bilan &bilan)
{
    const auto problemes = bilan.Problemes();
    // Rien d'écrit parce que chaque destination existait déjà : on le dit plutôt qu'une réussite.
    const bool rienEcrit = std::none_of(bilan.Fichiers.cbegin(), bilan.Fichiers.cend(), [](const ResultatFichier &r) {
        return r.etat == ResultatFichier::Traduit;
    });
    if (problemes.isEmpty() && rienEcrit && !bilan.Fichiers.isEmpty())
        return bilan.Fichiers.size() == 1
                   ? u"La traduction est complétée : aucun fichier écrit, la destination existe déjà"_s
                   : u"La traduction est complétée : aucun fichier écrit, les %1 destinations existent déjà"_s.arg(
                         bilan.Fichiers.size());
    if (problemes.isEmpty())
        return u"La traduction est complétée"_s;
    return problemes.size() == 1 ? u"La traduction est complétée : 1 fichier sans résultat"_s
                                 : u"La traduction est complétée : %1 fichiers sans résultat"_s.arg(problemes.size());
}

QString TexteProblemes(const Bilan &bilan)
{
    const auto problemes = bilan.Problemes();
    if (problemes.isEmpty())
        return {};
    qsizetype traites = 0;
    for (const ResultatFichier &r : bilan.Fichiers)
        if (r.etat != ResultatFichier::NonTraite)
            ++traites;
    QString texte = problemes.size() == 1
                        ? u"1 fichier sur %1 n'a donné aucun résultat :"_s.arg(traites)
                        : u"%1 fichiers sur %2 n'ont donné aucun résultat :"_s.arg(problemes.size()).arg(traites);
    for (const ResultatFichier &r : problemes) {
        texte += u"\n"_s + r.Source;
        if (!r.Raison.isEmpty())
            texte += u" : "_s + r.Raison;
    }
    return texte;
}

SourcesListees ListeSources(Contexte &c)
{
    Choix &choix = c.choix;
    Avancement &avancement = c.avancement;

    TScruteDossier ScruteDossier1;
    ScruteDossier1.Dossier = choix.DossierSource;
    ScruteDossier1.SousDossier = c.options.SousDossiers;
    ScruteDossier1.Filtre = FiltreSource(c.options.Fichiers + u'.' + choix.ExtSource);
    // Les noms en majuscules gardés à part : deux fichiers qui ne diffèrent que par la casse
    // reprennent chacun leur vrai nom après le tri.
    QMultiHash<QString, QString> casse;
    ScruteDossier1.OnFichier = [&choix, &casse](TScruteDossier &, const QString &nom) {
        QString minuscules = MinusculesAscii(nom);
        if (minuscules != nom)
            casse.insert(minuscules, nom);
        choix.ListeFichiers << std::move(minuscules);
    };
    QList<ResultatFichier> illisibles;
    ScruteDossier1.OnIllisible = [&illisibles](const QString &chemin, const QString &raison) {
        illisibles << ResultatFichier{chemin, {}, ResultatFichier::Echec, raison};
    };
    ScruteDossier1.OnDossier = [&avancement](TScruteDossier &sender, const QString &nom) {
        avancement.AvanceAttente(TexteListe + u"\r\nDossier exploré :\r\n"_s + avancement.AbregeChemin(nom), 0);
        if (!avancement.Ouverte())
            sender.Arret = true;
    };

    avancement.AfficheAttente(TexteListe, false);
    QElapsedTimer chronoListe;
    chronoListe.start();
    ScruteDossier1.Execute();

    if (choix.ListeFichiers.isEmpty()) {
        avancement.FermeAttente();
        if (c.AuPremierPlan)
            c.AuPremierPlan();
        c.messages.Affiche(TexteAucunFichier);
        return {{}, illisibles, ScruteDossier1.Arret};
    }

    // Des noms tout ASCII déjà en minuscules se classent sans casse comme avec elle.
    const bool minusculesAscii = std::all_of(choix.ListeFichiers.cbegin(), choix.ListeFichiers.cend(), [](const QString &nom) {
        return std::none_of(nom.cbegin(), nom.cend(), [](QChar c) { return c.unicode() >= 0x80 || (c >= u'A' && c <= u'Z'); });
    });
    if (minusculesAscii) {
        // Deux noms égaux sont le même texte : un tri sans stabilité donne la même liste. Tous
        // commencent par le dossier source : la comparaison part de la fin de ce début commun.
        const QString &premier = choix.ListeFichiers.first();
        qsizetype commun = premier.size();
        for (const QString &s : std::as_const(choix.ListeFichiers))
            commun = std::mismatch(premier.cbegin(), premier.cbegin() + qMin(commun, s.size()), s.cbegin()).first
                     - premier.cbegin();
        std::sort(choix.ListeFichiers.begin(), choix.ListeFichiers.end(), [commun](const QString &a, const QString &b) {
            return QStringView(a).sliced(commun) < QStringView(b).sliced(commun);
        });
    } else {
        std::stable_sort(choix.ListeFichiers.begin(), choix.ListeFichiers.end(), AvantSansCasse);
    }
    QSet<QString> doublons = VraisNoms(choix.ListeFichiers, casse);
    // Pour le banc : le temps de la liste seule (parcours et tri).
    if (qEnvironmentVariableIsSet("QUORVALE_MESURE_LISTE"))
        std::fprintf(stderr, "liste : %lld fichiers en %lld ms\n", static_cast<long long>(choix.ListeFichiers.size()),
                     static_cast<long long>(chronoListe.elapsed()));
    if (avancement.Ouverte())
        avancement.AfficheAttente({}, true);
    return {doublons, illisibles, ScruteDossier1.Arret};
}

// Une partie seulement (--partie) : les autres sont celles d'autres traitements, sur cette machine
// ou d'autres. Deux sources qui ne diffèrent que par la casse tombent dans la même partie : leur
// collision se décide dans l'ordre de la liste, comme sans partage. À appeler après avoir relevé les
// sources de tout l'arbre (« la destination serait une source » les voit toutes).
void GardePartie(Contexte &c, SourcesListees &listees)
{
    if (c.options.Parties <= 1)
        return;
    const auto horsPartie = [&](const QString &chemin) {
        return !DansPartie(chemin.mid(c.choix.DossierSource.size()), c.options.Partie, c.options.Parties);
    };
    c.choix.ListeFichiers.removeIf(horsPartie);
    listees.Illisibles.removeIf([&](const ResultatFichier &r) { return horsPartie(r.Source); });
}

void LanceTraduction(Contexte &c, Bilan &bilan)
{
    Choix &choix = c.choix;
    Avancement &avancement = c.avancement;
    SourcesListees listees = ListeSources(c);
    if (choix.ListeFichiers.isEmpty()) {
        bilan.Fichiers = listees.Illisibles;
        bilan.AucunFichier = true;
        return;
    }
    const QSet<QString> &doublons = listees.Doublons;
    const QList<ResultatFichier> &illisibles = listees.Illisibles;

    // Seuls les vrais processus se servent du traducteur chargé une fois.
    std::unique_ptr<TravailleurTraducteur> travailleur;
    if (dynamic_cast<ProcessusLocal *>(&c.processus))
        travailleur = std::make_unique<TravailleurTraducteur>(choix.DossierMapInfo, c.DossierTemp);

    // Les fichiers sources de ce traitement : jamais écrits, déplacés ni supprimés.
    QSet<QString> sources;
    for (const QString &s : std::as_const(choix.ListeFichiers)) {
        const QString reel = FichierReel(s);
        if (!reel.isEmpty())
            sources.insert(reel);
    }

    GardePartie(c, listees);

    Travail travail(c.processus, c.horloge, choix.ListeTables);
    travail.DossierTemp = c.DossierTemp;
    travail.DossierMapInfo = choix.DossierMapInfo;
    travail.ExtCible = choix.ExtCible;
    travail.UtiliserProjectionFichier = c.options.UtiliserProjectionFichier;
    travail.RegrouperCouches = c.options.RegrouperCouches;
    travail.ProjectionFichier = [&c](const QString &source) { return c.projections.ProjectionFichier(source); };
    // La réponse du traducteur est gardée : le rapport la redemande pour la règle du système.
    QHash<QString, bool> propres;
    travail.SystemePropre = [&travail, &propres](const QString &source) {
        auto it = propres.constFind(source);
        if (it == propres.cend())
            it = propres.insert(source, SystemePropreE00(travail, source));
        return *it;
    };
    travail.AppMapInfo = nullptr;
    travail.ScruteDossier2 = [&choix](const QString &dossier, const QString &filtre) {
        TScruteDossier ScruteDossier2;
        ScruteDossier2.Dossier = dossier;
        ScruteDossier2.Filtre = filtre;
        ScruteDossier2.OnFichier = [&choix](TScruteDossier &, const QString &nom) { choix.ListeTables << nom; };
        ScruteDossier2.Execute();
    };
    if (c.AppMapInfo)
        travail.AppMapInfo = c.AppMapInfo;

    const qsizetype n = choix.ListeFichiers.size();
    bilan.Fichiers.clear();
    for (const QString &s : std::as_const(choix.ListeFichiers)) {
        ResultatFichier resultat;
        resultat.Source = s;
        bilan.Fichiers << resultat;
    }
    bilan.Fichiers << illisibles;
    // Les destinations des fichiers qui ne diffèrent que par la casse : la première gagne.
    const QHash<QString, QString> memeCible = PremiersMemeCible(choix.ListeFichiers, doublons, choix);

    for (qsizetype i = 0; i < n; ++i) {
        const QString s = choix.ListeFichiers[i];
        ResultatFichier &resultat = bilan.Fichiers[i];
        PompeMessages();
        avancement.AvanceAttente(u"Traitement du fichier : %1 sur %2\r\n"_s.arg(i).arg(n) + avancement.AbregeChemin(s),
                                 int(i * 100 / n));
        // Une annulation demandée pendant le fichier précédent : aucun fichier de plus ne commence.
        if (avancement.Annulation())
            break;

        const QString d = CheminCible(s, choix.DossierSource, choix.DossierCible, choix.ExtCible);
        resultat.Destination = d;
        const Decision decision = DecideFichier(LitFaits(s, d, sources), memeCible.value(s), choix.CodePaire,
                                                c.options.Remplacer);
        if (decision.Action == ActionPrevue::Ignorer || decision.Action == ActionPrevue::Refuser) {
            resultat.etat = decision.Etat;
            resultat.Raison = decision.Raison;
            continue;
        }
        if (decision.SupprimeAvant)
            SupprimeCible(d);
        // Les dossiers manquants, pour un fichier qui sera vraiment traduit.
        const QString dossierD = d.left(d.lastIndexOf(u'/'));
        QStringList crees;
        if (!DossierExiste(dossierD))
            crees = CreeDossiersCible(choix.DossierCible, s.mid(choix.DossierSource.size()));

        if (travailleur)
            (void)travailleur->Prepare(n - i);
        const QDateTime debut = QDateTime::currentDateTime();
        travail.MessagesTraducteur.clear();
        travail.AvertissementsTraducteur.clear();
        try {
            const QStringList sorties = ConvertitFichier(choix.CodePaire, travail, c.projections, s, d);
            // Un MIF sans MID passe aussi par le serveur MapInfo, qui ne dit rien : le traitement le dit.
            if (const auto a = integrite::AvertissementSource(s)) {
                const QString texte = u"« %1 » : %2."_s.arg(s, *a);
                bool dit = false;
                for (const QString &deja : std::as_const(travail.AvertissementsTraducteur))
                    dit = dit || deja.endsWith(u" : "_s + *a + u'.');
                if (!dit)
                    travail.AvertissementsTraducteur << texte;
            }
            travail.AvertissementsTraducteur.removeDuplicates();
            resultat.Avertissement = travail.AvertissementsTraducteur.join(u" ; "_s);
            if (SortieProduite(sorties, debut)) {
                resultat.etat = ResultatFichier::Traduit;
                // Par le travailleur quand il sert, sinon imut lit l'étendue lui-même (un seul fichier).
                AjouteAvertissement(resultat.Avertissement,
                                    VraisemblanceFichier(Resous(choix.DossierMapInfo + u"UT/imut"_s), s,
                                                         c.projections.ProjectionFichier(s),
                                                         c.options.UtiliserProjectionFichier
                                                             && FichierExiste(ChangeExtension(s, u".prj"_s))));
            } else {
                resultat.etat = ResultatFichier::SansResultat;
                resultat.Raison = travail.MessagesTraducteur.join(u" ; "_s);
            }
        } catch (const RefusFichier &refus) {
            resultat.etat = ResultatFichier::Echec;
            resultat.Raison = refus.texte();
        }
        NoteSysteme(resultat, choix.CodePaire, c.options.UtiliserProjectionFichier, c.projections,
                    travail.SystemePropre);
        // Un fichier qui n'a rien donné ne laisse pas les dossiers créés pour lui.
        if (resultat.etat != ResultatFichier::Traduit)
            RetireDossiersVides(crees);

        // MapInfo mort pendant ce fichier : le suivant en a un neuf, comme le traducteur.
        if (travail.AppMapInfo && !travail.AppMapInfo->Actif() && c.RelanceMapInfo)
            travail.AppMapInfo = c.RelanceMapInfo();

        if (avancement.Annulation())
            break;
    }
    if (avancement.Annulation()) {
        bilan.Annule = true;
        if (c.Etat)
            c.Etat(TexteAnnule);
        c.messages.Affiche(TexteAnnule);
        return;
    }
    if (c.Etat)
        c.Etat(EtatFinal(bilan));
}

Bilan Traduire(Contexte &c)
{
    Bilan bilan;
    Choix &choix = c.choix;
    if (auto refus = RefusChoix(choix)) {
        c.messages.Affiche(*refus);
        bilan.Refus = refus;
        return bilan;
    }
    // Chaque traitement a son propre dossier de travail, privé : les fichiers de commandes aux noms
    // fixes, PARAM.TXT et TempTrad y sont à l'abri des autres utilisateurs et des restes d'un
    // traitement tué ; deux traitements en même temps ne se voient pas.
    QString raison;
    const QString prive = CreeDossierPrive(c.DossierTemp, &raison);
    if (prive.isEmpty()) {
        c.messages.Affiche(raison);
        bilan.Erreur = raison;
        return bilan;
    }
    const DossierDuTraitement dossierDuTraitement{c, prive};
    if (auto refus = PrepareDestination(choix.DossierCible)) {
        c.messages.Affiche(*refus);
        bilan.Refus = refus;
        return bilan;
    }
    choix.CodePaire = CodePaire(choix.FormatSource, choix.FormatCible);
    SupprimeFichiersTravail(c.DossierTemp);
    choix.ListeFichiers.clear();
    if (c.Controles)
        c.Controles(false);
    if (c.Etat)
        c.Etat(u"Traduction en cours..."_s);

    std::unique_ptr<ObjetAutomation> appMapInfo;
    if (OuvreMapInfo(choix.CodePaire, c.options.RegrouperCouches)) {
        try {
            appMapInfo = c.automation.Cree(u"Mapinfo.Application"_s);
        } catch (const std::exception &) {
            c.messages.Affiche(u"Le logiciel mapinfo doit obligatoirement être installé sur \r\ncet ordinateur pour traduire ce format."_s);
            if (c.Controles)
                c.Controles(true);
            bilan.Erreur = u"MapInfo ne s'ouvre pas."_s;
            return bilan;
        }
    }

    {
        const RemiseEnEtat remise{c, appMapInfo};
        try {
            if (appMapInfo) {
                appMapInfo->EcritPropriete(u"visible"_s, false);
                appMapInfo->Do(u"set progressbars off"_s);
            }
            c.AppMapInfo = appMapInfo.get();
            c.RelanceMapInfo = [&c, &appMapInfo]() -> ObjetAutomation * {
                try {
                    std::unique_ptr<ObjetAutomation> neuf = c.automation.Cree(u"Mapinfo.Application"_s);
                    neuf->EcritPropriete(u"visible"_s, false);
                    neuf->Do(u"set progressbars off"_s);
                    appMapInfo = std::move(neuf);
                } catch (const std::exception &) {
                    // Il ne redémarre pas : les fichiers suivants le diront, un par un.
                }
                c.AppMapInfo = appMapInfo.get();
                return c.AppMapInfo;
            };
            LanceTraduction(c, bilan);
        } catch (const Erreur &e) {
            bilan.Erreur = e.texte();
        } catch (const std::exception &e) {
            bilan.Erreur = QString::fromLocal8Bit(e.what());
        } catch (...) {
            bilan.Erreur = u"Erreur inattendue pendant la traduction."_s;
        }
        c.AppMapInfo = nullptr;
        c.RelanceMapInfo = {};
    }
    if (bilan.Erreur)
        c.messages.Affiche(*bilan.Erreur);
    return bilan;
}

} // namespace quorvale
