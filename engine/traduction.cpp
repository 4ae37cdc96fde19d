#include "traduction.h"

#include "attente.h"
#include "fichiers.h"
#include "sorties.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

QString MinusculesAscii(QString texte)
{
    for (QChar &c : texte)
        if (c >= u'A' && c <= u'Z')
            c = QChar(char16_t(c.unicode() + 32));
    return texte;
}

QString MajusculesAscii(QString texte)
{
    for (QChar &c : texte)
        if (c >= u'a' && c <= u'z')
            c = QChar(char16_t(c.unicode() - 32));
    return texte;
}

QString NomFichier(const QString &chemin)
{
    return chemin.mid(chemin.lastIndexOf(u'/') + 1);
}

// Le dossier d'un chemin, sans "/" final (sauf la racine elle-même).
QString DossierDe(const QString &chemin)
{
    const qsizetype barre = chemin.lastIndexOf(u'/');
    if (barre < 0)
        return {};
    return barre == 0 ? u"/"_s : chemin.left(barre);
}

// L'extension du nom de fichier, point compris ; vide sans point.
QString ExtensionDe(const QString &chemin)
{
    const QString nom = NomFichier(chemin);
    const qsizetype point = nom.lastIndexOf(u'.');
    return point < 0 ? QString() : nom.mid(point);
}

QString SansExtension(const QString &nom)
{
    const qsizetype point = nom.lastIndexOf(u'.');
    return point < 0 ? nom : nom.left(point);
}

// La clé d'un format : l'extension sans son point, trois caractères, en minuscules.
QString CleDe(const QString &chemin)
{
    return MinusculesAscii(ExtensionDe(chemin).mid(1, 3));
}

QString Guillemets(const QString &valeur)
{
    return u'"' + EchappeSh(valeur) + u'"';
}

QString Executable(const Travail &travail)
{
    return Resous(travail.DossierMapInfo + u"UT/imut"_s);
}

// Ce que le traducteur a dit quand un lancement a échoué ; vrai pour un lancement raté.
bool NoteResultat(Travail &travail, const ResultatProcessus &resultat)
{
    if (resultat.delaiDepasse)
        travail.MessagesTraducteur << u"Le traducteur a été arrêté : il a dépassé le temps permis."_s;
    // /bin/sh rend 128 + n pour un programme tué par le signal n, et écrit le nom anglais du signal
    // (« Killed ») : la raison dite en français le remplace.
    const bool signal = !resultat.delaiDepasse && resultat.code > 128 && resultat.code < 160;
    QString erreur = resultat.erreur;
    if (signal) {
        travail.MessagesTraducteur << u"Le traducteur s'est arrêté brutalement (signal %1)."_s.arg(resultat.code - 128);
        const QString nom = QString::fromLocal8Bit(::strsignal(resultat.code - 128));
        QStringList lignes = erreur.split(u'\n');
        if (!nom.isEmpty() && lignes.last().trimmed().endsWith(nom))
            lignes.removeLast();
        erreur = lignes.join(u'\n').trimmed();
    }
    // Le traducteur préfixe ses lignes de son nom (« imut : ») : le rapport dit la raison seule.
    // Ses avertissements vont à part : ils accompagnent un fichier traduit.
    QStringList raisons;
    for (const QString &ligne : erreur.split(u'\n', Qt::SkipEmptyParts)) {
        const QString l = ligne.trimmed();
        if (l.startsWith(u"Avertissement : "_s))
            travail.AvertissementsTraducteur << l.mid(16);
        else if (!l.isEmpty())
            raisons << (l.startsWith(u"imut : "_s) ? l.mid(7) : l);
    }
    erreur = raisons.join(u'\n');
    if (!erreur.isEmpty())
        travail.MessagesTraducteur << erreur;
    else if (!resultat.delaiDepasse && resultat.code != 0 && !signal)
        travail.MessagesTraducteur << u"Le traducteur s'est terminé en erreur (code %1)."_s.arg(resultat.code);
    return resultat.delaiDepasse || resultat.code != 0;
}

void EcritFichier(const QString &chemin, const QByteArray &contenu)
{
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(contenu) != contenu.size() || !f.flush())
        throw Erreur(u"Le fichier de travail « %1 » ne peut pas être écrit : %2"_s.arg(chemin, f.errorString()));
    f.close();
    if (f.error() != QFileDevice::NoError)
        throw Erreur(u"Le fichier de travail « %1 » ne peut pas être écrit : %2"_s.arg(chemin, f.errorString()));
}

// Un chemin montré sur une ligne : chaque saut de ligne devient "↵".
QString Montre(QString chemin)
{
    return chemin.replace(u"\r\n"_s, u"↵"_s).replace(u'\n', u'↵').replace(u'\r', u'↵');
}

} // namespace

int DelaiTraducteur()
{
    const QSettings reglages(QSettings::NativeFormat, QSettings::UserScope, u"Olvessa"_s, u"Quorvale"_s);
    bool ok = false;
    const int secondes = reglages.value(u"DelaiTraducteur"_s).toString().trimmed().toInt(&ok);
    return ok && secondes >= 0 ? secondes : DelaiTraducteurParDefaut;
}

QSet<QString> EntreesDossier(const QString &dossier)
{
    const QStringList noms = QDir(Resous(dossier)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return QSet<QString>(noms.cbegin(), noms.cend());
}

void RetireSortiesPartielles(const QString &dossier, const QSet<QString> &avant, const QStringList &bases)
{
    const QString reel = Resous(dossier);
    for (const QString &nom : EntreesDossier(reel)) {
        if (avant.contains(nom))
            continue;
        bool sortie = nom.startsWith(u".imut-"_s);
        for (const QString &base : bases)
            if (!base.isEmpty() && nom.size() > base.size() && nom.startsWith(base, Qt::CaseInsensitive)
                && (nom[base.size()] == u'.' || nom[base.size()] == u'_'))
                sortie = true;
        if (!sortie)
            continue;
        const QString chemin = reel + u'/' + nom;
        if (QFileInfo(chemin).isDir() && !QFileInfo(chemin).isSymLink())
            (void)SupprimeArborescence(chemin);
        else
            (void)QFile::remove(chemin);
    }
}

std::optional<QString> RefusChemin(const QString &chemin)
{
    if (!chemin.contains(u'\n') && !chemin.contains(u'\r'))
        return std::nullopt;
    return u"Le fichier « %1 » n'est pas traduit : son chemin contient un saut de ligne, qui ne peut pas "
           u"s'écrire dans les fichiers de commandes du traducteur."_s.arg(Montre(chemin));
}

QString EchappeSh(const QString &texte)
{
    QString resultat;
    resultat.reserve(texte.size());
    for (const QChar c : texte) {
        if (c == u'$' || c == u'`' || c == u'"' || c == u'\\')
            resultat += u'\\';
        resultat += c;
    }
    return resultat;
}

QString VersOem(const QString &texte)
{
    return texte;
}

int CodeProjection(const QString &clause)
{
    const qsizetype virgule = clause.indexOf(u',');
    const QString avant = virgule < 0 ? QString() : clause.left(virgule);
    const QString nombre = avant.mid(avant.lastIndexOf(u' ') + 1);
    bool ok = false;
    const int code = nombre.toInt(&ok, 10);
    if (!ok)
        throw Erreur(u"Le système de coordonnées « %1 » ne se lit pas : « %2 » n'est pas un nombre entier."_s
                         .arg(clause, nombre));
    return code;
}

QString AjouteBornes(const QString &clause)
{
    const int code = CodeProjection(clause);
    const qsizetype virgule = clause.indexOf(u',');
    const QString avant = clause.left(virgule);
    const QString tete = avant.left(avant.lastIndexOf(u' ') + 1);
    const QString texte = tete + QString::number(code - 2000) + clause.mid(virgule);

    // La quatrième virgule en partant de la fin ouvre les deux coins.
    qsizetype quatrieme = texte.size();
    for (int n = 0; n < 4; ++n) {
        quatrieme = quatrieme > 0 ? texte.lastIndexOf(u',', quatrieme - 1) : -1;
        if (quatrieme < 0)
            throw Erreur(u"Le système de coordonnées « %1 » ne se lit pas : il lui manque ses quatre bornes."_s
                             .arg(clause));
    }
    const QString coins = texte.mid(quatrieme + 1);
    const qsizetype milieu = coins.indexOf(u',', coins.indexOf(u',') + 1);
    return texte.left(quatrieme) + u" Bounds ("_s + coins.left(milieu) + u") ("_s + coins.mid(milieu + 1) + u')';
}

bool ProjectionDuFichier(const Travail &travail, const QString &source)
{
    return travail.UtiliserProjectionFichier && FichierExiste(ChangeExtension(source, u".prj"_s));
}

bool SystemePropreE00(Travail &travail, const QString &source)
{
    if (RefusChemin(source) || RefusChemin(travail.DossierTemp))
        return false;
    const QString fichier = travail.DossierTemp + u"LancePrj"_s;
    EcritBatch(fichier, VersOem(Guillemets(Executable(travail)) + u" projection "_s + Guillemets(source)));
    const ResultatProcessus r = ExecuteEtAttend(travail.processus, fichier + u".bat"_s);
    return r.code == 0 && !r.delaiDepasse;
}

QString TexteMacro(const Travail &travail, const QString &source, const QString &dossierCible,
                   const QString &dossierSource, const QString &cleCible, const QString &cleSource)
{
    const QString nom = NomFichier(source);
    const QString base = SansExtension(nom);
    QStringList lignes;
    if (cleCible == u"dxf"_s)
        lignes << u"MACRO _ATTRKIND extended_entity_data"_s << u"MACRO _REL Release14"_s;
    if (cleSource == u"dxf"_s)
        lignes << u"MACRO _EXPAND_BLOCKS yes"_s << u"MACRO _ATTRKIND extended_entity_data"_s;
    if ((cleSource == u"mif"_s || cleSource == u"tab"_s) && cleCible == u"e00"_s)
        lignes << u"MACRO _COMPRESSION NONE"_s << u"MACRO _PRECISION Double"_s;
    lignes << u"MACRO _EXTENSION "_s + MajusculesAscii(cleSource);
    // Cinq caractères et non quatre : roads.tab donne road ; le traducteur y compte.
    lignes << u"MACRO _BASENAME "_s + nom.left(qMax<qsizetype>(0, nom.size() - 5));
    lignes << u"MACRO _FULLBASENAME "_s + nom.left(qMax<qsizetype>(0, nom.size() - 4));
    if (cleSource == u"e00"_s || cleSource == u"dxf"_s)
        lignes << u"MACRO SourceDataset "_s + source;
    else
        lignes << u"MACRO SourceDataset "_s + dossierSource + u'/';
    if (cleSource == u"e00"_s)
        lignes << u"MACRO DestDataset "_s + dossierCible;
    else if ((cleSource == u"tab"_s || cleSource == u"mif"_s) && cleCible == u"dxf"_s)
        lignes << u"MACRO DestDataset "_s + dossierCible + u'/' + ChangeExtension(nom, u".dxf"_s);
    else
        lignes << u"MACRO DestDataset "_s + dossierCible + u'/';
    lignes << u"INCLUDE "_s + travail.DossierTemp + u"PARAM.TXT"_s;
    const QString entreGuillemets = u'"' + base + u'"';
    if (cleSource == u"shp"_s)
        lignes << u"SHAPE_IDs "_s + entreGuillemets << u"SHAPE_IN_IDs "_s + entreGuillemets;
    else if (cleSource == u"tab"_s)
        lignes << u"MAPINFO_IDs "_s + entreGuillemets << u"MAPINFO_IN_IDS "_s + entreGuillemets;
    else if (cleSource == u"mif"_s)
        lignes << u"MIF_IDs "_s + entreGuillemets << u"MIF_IN_IDs "_s + entreGuillemets;

    // La clause est demandée et lue pour chaque tâche, même quand aucune ligne ne l'emploie.
    QString clause = travail.ProjectionFichier ? travail.ProjectionFichier(source)
                                               : u"CoordSys NonEarth Projection 0, 7"_s;
    const int code = CodeProjection(clause);
    if (code >= 2001 && code <= 2999)
        clause = AjouteBornes(clause);
    // Une couverture qui nomme son système le garde quand la case est cochée ; un dessin n'en a pas.
    const bool e00Propre = cleSource == u"e00"_s && travail.UtiliserProjectionFichier && travail.SystemePropre
                           && travail.SystemePropre(source);
    const bool projection = cleSource == u"dxf"_s || (cleSource == u"e00"_s && !e00Propre)
                            || (cleSource == u"shp"_s && !ProjectionDuFichier(travail, source));
    if (projection && cleCible == u"tab"_s)
        lignes << u"MAPINFO_COORDSYS_STATEMENT "_s + clause;
    else if (projection && cleCible == u"mif"_s)
        lignes << u"MIF_COORDSYS_STATEMENT "_s + clause;

    QString texte;
    for (const QString &ligne : std::as_const(lignes))
        texte += ligne + u"\r\n"_s;
    return texte;
}

void EcritMacro(const Travail &travail, const QString &source, const QString &dossierCible,
                const QString &dossierSource, const QString &cleCible, const QString &cleSource)
{
    const QString texte = TexteMacro(travail, source, dossierCible, dossierSource, cleCible, cleSource);
    EcritFichier(travail.DossierTemp + u"Trad_Macro.txt"_s, texte.toUtf8());
}

QString CommandeGenerate(const Travail &travail, const QString &source, const QString &cleSource,
                         const QString &cleCible)
{
    const QString imut = Guillemets(Executable(travail));
    const QString param = Guillemets(travail.DossierTemp + u"PARAM.TXT"_s);
    const QString dossier = Guillemets(DossierDe(source));
    const QString fichier = Guillemets(source);
    const QString base = Guillemets(SansExtension(NomFichier(source)));
    const QString paire = cleSource + u'>' + cleCible;

    // Lecteurs tab, mif et shp : le dossier, et le nom du fichier après ID ; dxf et e00 : le fichier.
    auto lecteurDossier = [&](const QString &mots, const QString &options) {
        return imut + u" generate "_s + mots + u' ' + dossier + u' ' + param
               + (options.isEmpty() ? u" ID "_s + base : u"  ID "_s + base + u"  "_s + options);
    };
    const QString dwg = u"--Dest_ATTR \"autocad_attributes\" --Dest_ATTRKIND \"extended_entity_data\" --Dest_REL \"Release14\""_s;
    const QString autocad = u"  --Source_EXPAND_BLOCKS \"yes\" --Source_ATTR \"autocad_attributes\" "
                            u"--Source_ATTRKIND \"extended_entity_data\" --LAYERBASENAME "_s
                            + Guillemets(SansExtension(NomFichier(source)) + u'_');

    if (paire == u"tab>shp"_s)
        return lecteurDossier(u"Mapinfo Shape"_s, {});
    if (paire == u"tab>e00"_s)
        return lecteurDossier(u"Mapinfo E00"_s, {});
    if (paire == u"tab>dxf"_s)
        return lecteurDossier(u"Mapinfo dwg"_s, dwg);
    if (paire == u"mif>dxf"_s)
        return lecteurDossier(u"MIF DWG"_s, dwg);
    if (paire == u"mif>e00"_s)
        return lecteurDossier(u"MIF E00"_s, u"--Dest_COMPRESSION \"NONE\" --Dest_PRECISION \"Double\""_s);
    if (paire == u"mif>shp"_s)
        return lecteurDossier(u"MIF SHAPE"_s, {});
    if (paire == u"shp>tab"_s)
        return lecteurDossier(u"Shape Mapinfo"_s, {});
    if (paire == u"shp>mif"_s)
        return lecteurDossier(u"Shape Mif"_s, {});
    if (paire == u"dxf>tab"_s)
        return imut + u" generate autocadScan MAPINFO "_s + fichier + u' ' + param + autocad;
    if (paire == u"dxf>mif"_s)
        return imut + u" generate autocadScan MIF "_s + fichier + u' ' + param + autocad;
    if (paire == u"e00>tab"_s)
        return imut + u" generate E00 MAPINFO "_s + fichier + u' ' + param;
    if (paire == u"e00>mif"_s)
        return imut + u" generate E00 MIF "_s + fichier + u' ' + param;
    throw Erreur(u"Le traducteur ne convertit pas le format « %1 » vers le format « %2 »."_s.arg(cleSource, cleCible));
}

QString CommandeTraduction(const Travail &travail)
{
    return Guillemets(Executable(travail)) + u' ' + Guillemets(travail.DossierTemp + u"Trad_Macro.txt"_s);
}

void EcritBatch(const QString &nom, const QString &ligne)
{
    // /bin/sh lirait un retour chariot comme la fin du dernier mot : LF seul. Le fichier est
    // toujours neuf (O_EXCL, jamais un lien ni un fichier déjà là, qu'un autre aurait pu préparer).
    const QString chemin = nom + u".bat"_s;
    const QByteArray nomFs = QFile::encodeName(Resous(chemin));
    const QByteArray contenu = (ligne + u'\n').toUtf8();
    (void)::unlink(nomFs.constData());
    const int fd = ::open(nomFs.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool ok = fd >= 0;
    int erreur = ok ? 0 : errno;
    for (qsizetype fait = 0; ok && fait < contenu.size();) {
        const ssize_t n = ::write(fd, contenu.constData() + fait, size_t(contenu.size() - fait));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            erreur = n < 0 ? errno : ENOSPC;
            ok = false;
            break;
        }
        fait += n;
    }
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        erreur = errno;
        ok = false;
    }
    if (!ok)
        throw Erreur(u"Le fichier de travail « %1 » ne peut pas être écrit : %2"_s.arg(
            chemin, CauseEntreeSortie(erreur)));
}

ResultatProcessus ExecuteEtAttend(Processus &processus, const QString &fichierCommandes)
{
    return processus.ExecuteEtAttend(fichierCommandes);
}

void TraduitFichier(Travail &travail, const QString &source, const QString &destination)
{
    for (const QString &chemin : {source, destination})
        if (const auto refus = RefusChemin(chemin))
            throw RefusFichier(*refus);
    for (const QString &dossier : {travail.DossierTemp, travail.DossierMapInfo})
        if (RefusChemin(dossier))
            throw RefusFichier(u"Le fichier « %1 » n'est pas traduit : le dossier « %2 » contient un saut de ligne, "
                               u"qui ne peut pas s'écrire dans les fichiers de commandes du traducteur."_s
                                   .arg(source, Montre(dossier)));

    const QString cleSource = CleDe(source);
    const QString cleCible = CleDe(destination);
    const QString dossierSource = DossierDe(source);
    const QString dossierCible = DossierDe(destination);

    EcritMacro(travail, source, dossierCible, dossierSource, cleCible, cleSource);
    AttendFichier(travail.horloge, travail.DossierTemp + u"Trad_Macro.txt"_s, 2000);

    EcritBatch(travail.DossierTemp + u"LanceParam"_s, VersOem(CommandeGenerate(travail, source, cleSource, cleCible)));

    // Un traducteur tué, arrêté faute de temps ou en erreur ne laisse rien de ce qu'il a commencé.
    const QSet<QString> avant = EntreesDossier(dossierCible);
    const QStringList bases{SansExtension(NomFichier(destination)), SansExtension(NomFichier(source))};
    bool rate = false;
    try {
        rate = NoteResultat(travail, ExecuteEtAttend(travail.processus, travail.DossierTemp + u"LanceParam.bat"_s));
        PompeMessages();

        EcritBatch(travail.DossierTemp + u"LanceTrad"_s, VersOem(CommandeTraduction(travail)));
        rate = NoteResultat(travail, ExecuteEtAttend(travail.processus, travail.DossierTemp + u"LanceTrad.bat"_s))
               || rate;
        PompeMessages();
    } catch (...) {
        RetireSortiesPartielles(dossierCible, avant, bases);
        throw;
    }
    if (rate) {
        ++travail.AppelsRates;
        RetireSortiesPartielles(dossierCible, avant, bases);
        return;
    }

    if (travail.ExtCible == u"shp"_s)
        RenommeSortiesShp(destination);
}

} // namespace quorvale
