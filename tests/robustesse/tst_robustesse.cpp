#include "assomots.h"
#include "fakes.h"
#include "lot.h"
#include "projections.h"
#include "registre.h"
#include "traduction.h"
#include "traitement.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <QScopeGuard>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

namespace {

using essai::Ecrit;
using essai::Lit;

QString Echantillons()
{
    return qEnvironmentVariable("QUORVALE_SAMPLES");
}

QString DossierMapInfo()
{
    return qEnvironmentVariable("QUORVALE_DOSSIER_MAPINFO");
}

struct Execution {
    int code = -1; // -1 : tué par un signal ou arrêté par l'essai
    bool fini = false;
    QString sortie;
    QString erreurs;
};

Execution Lance(const QStringList &arguments, const QMap<QString, QString> &variables = {},
                const QString &repertoire = {}, int limiteMs = 600000)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = variables.cbegin(); it != variables.cend(); ++it)
        env.insert(it.key(), it.value());
    p.setProcessEnvironment(env);
    if (!repertoire.isEmpty())
        p.setWorkingDirectory(repertoire);
    p.start(QStringLiteral(QUORVALE_LOT), arguments);
    Execution e;
    e.fini = p.waitForFinished(limiteMs);
    if (!e.fini) {
        p.kill();
        p.waitForFinished();
    }
    e.code = e.fini && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    e.sortie = QString::fromUtf8(p.readAllStandardOutput());
    e.erreurs = QString::fromUtf8(p.readAllStandardError());
    return e;
}

// L'empreinte de chaque fichier d'une arborescence, chemins relatifs.
QMap<QString, QByteArray> Empreintes(const QString &dossier)
{
    QMap<QString, QByteArray> empreintes;
    QDirIterator it(dossier, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        QFile fichier(f);
        empreintes[f.mid(dossier.size())] = fichier.open(QIODevice::ReadOnly)
                                                ? QCryptographicHash::hash(fichier.readAll(), QCryptographicHash::Sha256)
                                                : QByteArray("<illisible>");
    }
    return empreintes;
}

// Une ligne du rapport de quorvale-lot : l'état, la source et la raison (entre les dernières parenthèses).
struct Ligne {
    QString etat;
    QString source;
    QString raison;
};

QList<Ligne> LitRapport(const QString &sortie)
{
    QList<Ligne> lignes;
    for (const QString &ligne : sortie.split(u'\n', Qt::SkipEmptyParts)) {
        if (ligne.startsWith(u"Bilan : "_s))
            continue;
        Ligne l;
        l.etat = ligne.section(u" : "_s, 0, 0);
        QString reste = ligne.section(u" : "_s, 1);
        if (l.etat == u"traduit"_s) {
            l.source = reste.section(u" → "_s, 0, 0);
        } else if (reste.endsWith(u')')) {
            const qsizetype ouvre = reste.indexOf(u" ("_s);
            l.source = reste.left(ouvre);
            l.raison = reste.mid(ouvre + 2).chopped(1);
        } else {
            l.source = reste;
        }
        lignes << l;
    }
    return lignes;
}

// Un texte écrit pour un utilisateur francophone (accent, guillemet français ou mot courant).
bool EnFrancais(const QString &texte)
{
    static const QRegularExpression francais(u"[éèàçêô«]|\\b(le|la|les|de|du|des|un|une|pas|ne)\\b"_s,
                                             QRegularExpression::CaseInsensitiveOption);
    return francais.match(texte).hasMatch();
}

// Un produit extérieur mort sur un signal (code de sortie du shell 128 + n) ou un serveur tombé.
bool Plantage(const QString &raison)
{
    static const QRegularExpression signal(u"code (1[2-9][0-9]|2[0-5][0-9])\\)"_s);
    return signal.match(raison).hasMatch() || raison.contains(u"s'est arrêté pendant"_s);
}

QByteArray Aleatoire(quint32 graine, qsizetype taille)
{
    QRandomGenerator generateur(graine);
    QByteArray octets(taille, Qt::Uninitialized);
    for (char &c : octets)
        c = char(generateur.bounded(256));
    return octets;
}

// Un jeu de données : les fichiers d'un échantillon de même nom de base, par extension en minuscules.
using Jeu = QMap<QString, QByteArray>;

Jeu LitJeu(const QString &dossier, const QString &base)
{
    Jeu jeu;
    for (const QFileInfo &f : QDir(Echantillons() + u'/' + dossier).entryInfoList(QDir::Files))
        if (f.completeBaseName().compare(base, Qt::CaseInsensitive) == 0)
            jeu[u'.' + f.suffix().toLower()] = Lit(f.absoluteFilePath());
    return jeu;
}

// Un cas abîmé : son nom de base et s'il doit échouer à coup sûr (sinon, traduit ou échec signalé).
struct Cas {
    QString nom;
    bool echec = true;
};

// Les cas d'un format, écrits dans un dossier.
struct Fabrique {
    QString dossier;
    QString principale; // extension du fichier principal, point compris
    QList<Cas> cas;
    quint32 graine = 1;

    void Ajoute(const QString &nom, const Jeu &jeu, bool echec)
    {
        for (auto it = jeu.cbegin(); it != jeu.cend(); ++it)
            Ecrit(dossier + u'/' + nom + it.key(), it.value());
        cas << Cas{nom, echec};
    }

    // Les altérations communes à tous les formats ; « certain » dit quelles coupes d'un fichier du
    // jeu (extension, pour mille) doivent échouer.
    void Communes(const QString &prefixe, const Jeu &jeu,
                  const std::function<bool(const QString &, int)> &certain)
    {
        const QByteArray source = jeu[principale];
        Jeu j = jeu;
        j[principale] = QByteArray();
        Ajoute(prefixe + u"-vide"_s, j, true);
        for (const qsizetype taille : {1, 16, 512, 8192}) {
            j[principale] = Aleatoire(graine++, taille);
            Ajoute(prefixe + u"-hasard-%1"_s.arg(taille), j, true);
        }
        // Des octets au hasard sur l'en-tête, puis au milieu du fichier.
        j[principale] = Aleatoire(graine++, qMin<qsizetype>(64, source.size() / 2)) + source.mid(qMin<qsizetype>(64, source.size() / 2));
        Ajoute(prefixe + u"-entete"_s, j, false);
        for (int n = 0; n < 3; ++n) {
            QByteArray abime = source;
            QRandomGenerator generateur(graine++);
            for (int k = 0; k < 12; ++k)
                abime[generateur.bounded(int(abime.size()))] = char(generateur.bounded(256));
            j[principale] = abime;
            Ajoute(prefixe + u"-octets-%1"_s.arg(n), j, false);
        }
        // Chaque fichier du jeu tronqué en plusieurs points.
        for (auto it = jeu.cbegin(); it != jeu.cend(); ++it) {
            const QByteArray complet = it.value();
            for (const int pour1000 : {1, 50, 100, 250, 400, 500, 600, 750, 900, 999}) {
                Jeu t = jeu;
                t[it.key()] = complet.left(qMax<qsizetype>(1, complet.size() * pour1000 / 1000));
                Ajoute(prefixe + u"-coupe%1-%2"_s.arg(it.key().mid(1)).arg(pour1000), t,
                       certain(it.key(), pour1000));
            }
            if (it.key() != principale) {
                Jeu sans = jeu;
                sans.remove(it.key());
                Ajoute(prefixe + u"-sans-"_s + it.key().mid(1), sans, certain(it.key(), 0));
            }
        }
    }
};

// Un MapInfo de comédie : un dossier d'installation avec le vrai catalogue et des scripts à la place
// du traducteur et du serveur, inscrit dans un registre à part.
struct FauxMapInfo {
    QTemporaryDir dossier;
    QTemporaryDir configuration;

    FauxMapInfo(const QByteArray &imut, const QByteArray &mapinfow)
    {
        QDir().mkpath(dossier.path() + u"/UT"_s);
        Ecrit(dossier.path() + u"/UT/imut"_s, imut);
        Ecrit(dossier.path() + u"/mapinfow"_s, mapinfow);
        for (const QString &f : {u"/UT/imut"_s, u"/mapinfow"_s})
            QFile::setPermissions(dossier.path() + f, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::link(DossierMapInfo() + u"/mapinfow.prj"_s, dossier.path() + u"/mapinfow.prj"_s);
        RegistreFichier registre(configuration.path() + u"/registre/HKEY_CLASSES_ROOT.ini"_s);
        registre.EcritValeur(u"Mapinfo.Application\\CLSID"_s, {}, u"{ROBUSTESSE}"_s);
        registre.EcritValeur(u"CLSID\\{ROBUSTESSE}\\LocalServer"_s, {}, dossier.path() + u"/mapinfow"_s);
    }
};

// Le vrai traducteur pour « generate » ; pour la traduction, le rôle demandé dans ROBUSTESSE_ROLE,
// sur le fichier de destination lu dans Trad_Macro.txt.
const QByteArray ImutDeComedie = R"sh(#!/bin/sh
if [ "$1" = generate ]; then exec "$QUORVALE_DOSSIER_MAPINFO/UT/imut" "$@"; fi
dest=$(sed -n 's/^MACRO DestDataset //p' "$1" | tr -d '\r')
base=$(sed -n 's/^MACRO _FULLBASENAME //p' "$1" | tr -d '\r')
case "$base" in
  bon*) exec "$QUORVALE_DOSSIER_MAPINFO/UT/imut" "$@" ;;
esac
case "$ROBUSTESSE_ROLE" in
  immediat) echo "Le traducteur de comédie s'arrête tout de suite." >&2; exit 3 ;;
  moitie) head -c 300 "$QUORVALE_DOSSIER_MAPINFO/mapinfow.prj" > "$dest$base.tab"
          echo "Le traducteur de comédie n'a écrit que la moitié." >&2; exit 1 ;;
  tue) mkdir -p "$dest.imut-Xy12Zw"; head -c 300 /dev/zero > "$dest.imut-Xy12Zw/$base.map"
       head -c 100 /dev/zero > "$dest$base.map"; kill -9 $$ ;;
  emballe) sleep 120 ;;
esac
exit 0
)sh";

// Le vrai traducteur, tué dès qu'il commence à écrire la destination (son chantier « .imut-* »).
const QByteArray ImutTueEnEcrivant = R"sh(#!/bin/sh
reel="$QUORVALE_DOSSIER_MAPINFO/UT/imut"
if [ "$1" = generate ]; then exec "$reel" "$@"; fi
dest=$(sed -n 's/^MACRO DestDataset //p' "$1" | tr -d '\r')
"$reel" "$@" &
p=$!
while kill -0 $p 2>/dev/null; do
  if ls -A "$dest" | grep -q '^\.imut-'; then
    sleep 0.2
    kill -9 $p
    sleep 0.3
    echo "Le traducteur a été tué en écrivant." >&2
    kill -9 $$
  fi
  sleep 0.05
done
wait $p
)sh";

// Un serveur MapInfo qui importe un fichier sur deux à moitié et meurt avant l'instruction suivante.
const QByteArray MapInfoQuiMeurt = R"sh(#!/bin/sh
echo PRET
while IFS= read -r ligne; do
  case "$ligne" in
    FIN) exit 0 ;;
    "DO Import "*)
      dest=$(printf '%s\n' "$ligne" | sed -n 's/.* Into "\(.*\)"$/\1/p')
      head -c 200 /dev/zero > "$dest"
      echo OK ;;
    "DO Close All") exit 9 ;;
    *) echo OK ;;
  esac
done
)sh";

// Le vrai traducteur ; avant chaque traduction, « nobody » essaie de réécrire les fichiers de
// commandes du dossier de travail et d'y déposer un fichier (ROBUSTESSE_JOURNAL note l'issue).
const QByteArray ImutEspionne = R"sh(#!/bin/sh
if [ "$1" != generate ]; then
  travail=$(dirname "$1")
  if setpriv --reuid=65534 --regid=65534 --clear-groups sh -c \
       "echo 'touch $ROBUSTESSE_PIRATE' > '$travail/LanceTrad.bat' || touch '$travail/depot'" 2>/dev/null \
     || [ -e "$travail/depot" ]; then echo ecrit; else echo refuse; fi >> "$ROBUSTESSE_JOURNAL"
  stat -c '%U %a' "$travail" >> "$ROBUSTESSE_JOURNAL"
fi
exec "$QUORVALE_DOSSIER_MAPINFO/UT/imut" "$@"
)sh";

bool EnRoot()
{
    return ::geteuid() == 0;
}

} // namespace

class TestRobustesse : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void fichiersAbimes_data();
    void fichiersAbimes();
    void nomsHostiles_data();
    void nomsHostiles();
    void sourcesSacrees();
    void tableRelueEntiere();
    void tableManquee();
    void traducteurQuiFlanche_data();
    void traducteurQuiFlanche();
    void traducteurTueEnEcrivant();
    void mapInfoQuiMeurt();
    void delaiTraducteur_data();
    void delaiTraducteur();
    void fichiersDuProgramme_data();
    void fichiersDuProgramme();
    void dossierDeTravailPartage();
    void disquePlein_data();
    void disquePlein();
    void entreesPiegees_data();
    void entreesPiegees();
    void signalPendantLeTraitement_data();
    void signalPendantLeTraitement();

private:
    std::unique_ptr<EnvironnementIsole> environnement_;
    QMap<QString, QByteArray> echantillons_;
    bool produits_ = false;
    int casEssayes_ = 0;
};

void TestRobustesse::initTestCase()
{
    environnement_ = std::make_unique<EnvironnementIsole>();
    echantillons_ = Empreintes(Echantillons());
    QVERIFY(!echantillons_.isEmpty());
    produits_ = QFile::exists(DossierMapInfo() + u"/UT/imut"_s) && QFile::exists(DossierMapInfo() + u"/mapinfow"_s);
    if (produits_)
        QCOMPARE(QProcess::execute(DossierMapInfo() + u"/mapinfow"_s, {u"--regserver"_s}), 0);
}

void TestRobustesse::cleanupTestCase()
{
    qInfo("Fichiers abîmés essayés : %d", casEssayes_);
    QCOMPARE(Empreintes(Echantillons()), echantillons_);
}

void TestRobustesse::fichiersAbimes_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("cible");
    QTest::newRow("dxf vers mif") << u"dxf"_s << u"mif"_s;
    QTest::newRow("e00 vers tab") << u"e00"_s << u"tab"_s;
    QTest::newRow("mif vers tab (MapInfo)") << u"mif"_s << u"tab"_s;
    QTest::newRow("shp vers tab") << u"shp"_s << u"tab"_s;
    QTest::newRow("tab vers mif (MapInfo)") << u"tab"_s << u"mif"_s;
}

void TestRobustesse::fichiersAbimes()
{
    QFETCH(QString, source);
    QFETCH(QString, cible);
    if (!produits_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    QTemporaryDir entree, sortie;
    Fabrique f;
    f.dossier = entree.path();
    f.principale = u'.' + source;

    // Les échantillons que GDAL n'ouvre pas, tels quels.
    const QMap<QString, QStringList> illisibles{
        {u"dxf"_s, {u"gdal-bin_dxf_r12/bin_dxf_r12"_s,
                    u"gdal-clusterfuzz-dxf/clusterfuzz-testcase-minimized-dxf_fuzzer-5400376672124928"_s}},
        {u"e00"_s, {u"gdal-compressed/compressed"_s, u"gdalold-fake_e00grid/fake_e00grid"_s}},
        {u"mif"_s, {u"gdal-all_possible_fields/all_possible_fields"_s}},
        {u"shp"_s, {u"pyshp-latin1/latin1"_s}},
        {u"tab"_s, {u"gdal-all_possible_fields/all_possible_fields"_s}},
    };
    for (const QString &chemin : illisibles[source])
        f.Ajoute(u"echantillon-"_s + chemin.section(u'/', 1).left(20),
                 LitJeu(source + u'/' + chemin.section(u'/', 0, 0), chemin.section(u'/', 1)), false);

    const QMap<QString, QString> bons{{u"dxf"_s, u"ezdxf-Leica_Disto_S910/Leica_Disto_S910"_s},
                                      {u"e00"_s, u"gdal-testpoint/testpoint"_s},
                                      {u"mif"_s, u"gdal-small/small"_s},
                                      {u"shp"_s, u"rgdal-cities/cities"_s},
                                      {u"tab"_s, u"gdal-poly_indexed/poly_indexed"_s}};
    const QString bon = bons[source];
    Jeu jeu = LitJeu(source + u'/' + bon.section(u'/', 0, 0), bon.section(u'/', 1));
    // Les index spatiaux et la page de description ne servent pas à la lecture.
    for (const QString &ext : {u".htm"_s, u".sbn"_s, u".sbx"_s})
        jeu.remove(ext);
    QVERIFY(jeu.contains(f.principale));
    // Ce qui se voit à coup sûr : un dessin, une couverture ou un fichier de formes coupés, un .shx
    // absent, un .dbf, un .dat, un .id, un .map, un MIF ou un MID coupés. Le
    // dernier octet d'une table dBase, d'un MIF ou d'un MID n'est qu'une marque de fin ou un saut de
    // ligne.
    f.Communes(source, jeu, [&source](const QString &ext, int pour1000) {
        if (ext == u".dxf"_s || ext == u".e00"_s || ext == u".shp"_s || ext == u".shx"_s || ext == u".id"_s
            || ext == u".map"_s)
            return true;
        if (ext == u".dbf"_s || ext == u".dat"_s || ext == u".mif"_s || ext == u".mid"_s)
            return pour1000 > 0 && pour1000 < 999;
        return source == u"tab"_s && ext == u".tab"_s && pour1000 < 900;
    });

    const QByteArray texte = jeu[f.principale];
    if (source == u"dxf"_s) {
        // Sans la fin de fichier, puis une section ouverte et jamais fermée.
        const qsizetype fin = texte.lastIndexOf("EOF");
        f.Ajoute(u"dxf-sans-eof"_s, {{u".dxf"_s, texte.left(texte.lastIndexOf("\n", fin - 3) + 1)}}, true);
        const qsizetype entites = texte.indexOf("ENTITIES");
        for (const int pour100 : {10, 50, 90}) {
            const qsizetype coupe = entites + (texte.lastIndexOf("ENDSEC") - entites) * pour100 / 100;
            f.Ajoute(u"dxf-section-ouverte-%1"_s.arg(pour100), {{u".dxf"_s, texte.left(texte.indexOf("\n  0\n", coupe) + 1)}},
                     true);
        }
        f.Ajoute(u"dxf-codes-invalides"_s, {{u".dxf"_s, "  0\nSECTION\n  2\nENTITIES\nxyz\nLINE\n  0\nENDSEC\n  0\nEOF\n"}}, true);
    } else if (source == u"e00"_s) {
        // Une couverture compressée coupée court, et une couverture sans sa fin « EOS ».
        const QByteArray compresse = LitJeu(u"e00/gdal-compressed"_s, u"compressed"_s)[u".e00"_s];
        for (const int pour100 : {5, 25, 50, 75, 95})
            f.Ajoute(u"e00-compresse-coupe-%1"_s.arg(pour100), {{u".e00"_s, compresse.left(compresse.size() * pour100 / 100)}},
                     true);
        f.Ajoute(u"e00-sans-eos"_s, {{u".e00"_s, texte.left(texte.lastIndexOf("EOS"))}}, true);
    }
    if (source == u"shp"_s) {
        // Sans .dbf, le jeu n'a que des géométries : il se traduit, comme GDAL le lit.
        for (const QString &manque : {u".dbf"_s, u".shx"_s}) {
            Jeu sans = jeu;
            sans.remove(manque);
            f.Ajoute(u"shp-seul-sans-"_s + manque.mid(1), sans, manque == u".shx"_s);
        }
    } else if (source == u"tab"_s) {
        Jeu sans = jeu;
        sans.remove(u".map"_s);
        f.Ajoute(u"tab-seule-sans-map"_s, sans, true);
    } else if (source == u"mif"_s) {
        Jeu sans = jeu;
        sans.remove(u".mid"_s);
        // Sans MID, les objets se lisent : traduits sans attributs, avec un avertissement.
        f.Ajoute(u"mif-seul-sans-mid"_s, sans, false);
    }
    // Un bon fichier en dernier : le traitement va jusqu'au bout.
    f.Ajoute(u"zz-bon"_s, jeu, false);

    const QMap<QString, QByteArray> avant = Empreintes(entree.path());
    const Execution e = Lance({u"--format-source"_s, source, u"--format-cible"_s, cible, u"--source"_s, entree.path(),
                               u"--cible"_s, sortie.path(), u"--delai-traducteur"_s, u"120"_s});
    QVERIFY2(e.fini, "quorvale-lot ne s'est pas arrêté");
    QVERIFY2(e.code == 1, qPrintable(u"code %1\n"_s.arg(e.code) + e.sortie + e.erreurs));
    QVERIFY2(e.sortie.contains(u"\nBilan : "_s), qPrintable(e.sortie + e.erreurs));

    QMap<QString, Ligne> parCas;
    for (const Ligne &l : LitRapport(e.sortie)) {
        const QString nom = l.source.mid(l.source.lastIndexOf(u'/') + 1);
        parCas[nom.left(nom.lastIndexOf(u'.'))] = l;
    }
    int echecs = 0, traduits = 0;
    QStringList fautes;
    for (const Cas &c : std::as_const(f.cas)) {
        const QString cle = c.nom.toLower();
        if (!parCas.contains(cle)) {
            fautes << c.nom + u" : absent du rapport"_s;
            continue;
        }
        const Ligne l = parCas[cle];
        if (c.nom == u"zz-bon"_s) {
            if (l.etat != u"traduit"_s)
                fautes << u"le bon fichier n'est pas traduit : "_s + l.etat + u' ' + l.raison;
            continue;
        }
        ++casEssayes_;
        if (l.etat == u"traduit"_s) {
            ++traduits;
            if (c.echec)
                fautes << c.nom + u" : traduit"_s;
            continue;
        }
        ++echecs;
        if (l.etat != u"échec"_s && l.etat != u"sans résultat"_s)
            fautes << c.nom + u" : "_s + l.etat;
        else if (l.raison.isEmpty() || !EnFrancais(l.raison))
            fautes << c.nom + u" : raison « "_s + l.raison + u" »"_s;
        else if (Plantage(l.raison))
            fautes << c.nom + u" : plantage « "_s + l.raison + u" »"_s;
    }
    if (source == u"mif"_s && !e.sortie.contains(u"le fichier compagnon « mif-seul-sans-mid.mid » manque"_s))
        fautes << u"mif-seul-sans-mid : pas d'avertissement"_s;
    qInfo("%s : %d cas, %d en échec signalé, %d traduits", qPrintable(source), int(f.cas.size() - 1), echecs, traduits);
    QVERIFY2(fautes.isEmpty(), qPrintable(fautes.join(u'\n')));
    QCOMPARE(Empreintes(entree.path()), avant);
}

void TestRobustesse::nomsHostiles_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("cible");
    QTest::newRow("shp vers mif (traducteur)") << u"shp"_s << u"mif"_s;
    QTest::newRow("mif vers tab (MapInfo)") << u"mif"_s << u"tab"_s;
}

void TestRobustesse::nomsHostiles()
{
    QFETCH(QString, source);
    QFETCH(QString, cible);
    if (!produits_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    QTemporaryDir racine;
    const QString entree = racine.path() + u"/source $(touch canari) `touch canari`"_s;
    const QString sortie = racine.path() + u"/cible ;touch canari;&|$HOME 'x\""_s;
    const QString travail = racine.path() + u"/travail"_s;
    QVERIFY(QDir().mkpath(sortie));
    QVERIFY(QDir().mkpath(travail));
    const Jeu jeu = source == u"shp"_s ? LitJeu(u"shp/gdal-departs"_s, u"departs"_s) : LitJeu(u"mif/gdal-small"_s, u"small"_s);
    const QStringList noms{u"avec espace"_s,     u"guillemet\"double"_s,      u"apostrophe'simple"_s,
                           u"$HOME"_s,           u"$(touch canari)"_s,        u"`touch canari`"_s,
                           u"a;touch canari;b"_s, u"a&touch canari&b"_s,      u"a|touch canari|b"_s,
                           u"-tiret"_s,          u"--help"_s,                  u"accentué Québec Œuvre « »"_s,
                           u"anti\\oblique"_s,   u"étoile*et?[x]"_s,           QString(200, u'n'),
                           u"saut\nde ligne"_s};
    // Les mêmes noms sous un dossier hostile, pour le chemin relatif reproduit sous la cible.
    const QString sousDossier = u"$(touch canari) & `id` | ; \"sous\""_s;
    for (const QString &nom : noms)
        for (const QString &dossier : {entree, entree + u'/' + sousDossier})
            for (auto it = jeu.cbegin(); it != jeu.cend(); ++it)
                Ecrit(dossier + u'/' + nom + it.key(), it.value());
    const QMap<QString, QByteArray> avant = Empreintes(entree);

    const Execution e = Lance({u"--format-source"_s, source, u"--format-cible"_s, cible, u"--source"_s, entree,
                               u"--cible"_s, sortie, u"--sous-dossiers"_s, u"--delai-traducteur"_s, u"120"_s},
                              {}, travail);
    QVERIFY2(e.fini, "quorvale-lot ne s'est pas arrêté");
    QVERIFY2(e.code == 0 || e.code == 1, qPrintable(e.sortie + e.erreurs));

    // Aucune commande n'a tourné : pas de canari, nulle part.
    QDirIterator canaris(racine.path(), {u"canari"_s}, QDir::Files, QDirIterator::Subdirectories);
    QVERIFY2(!canaris.hasNext(), qPrintable(canaris.hasNext() ? canaris.next() : QString()));
    QVERIFY(!QFile::exists(QDir::homePath() + u"/canari"_s));
    QVERIFY(!QFile::exists(QDir::currentPath() + u"/canari"_s));

    const QList<Ligne> lignes = LitRapport(e.sortie);
    QCOMPARE(lignes.size(), 2 * noms.size());
    QStringList fautes;
    for (const QString &nom : noms) {
        for (const QString &dossier : {QString(), sousDossier + u'/'}) {
            const QString minuscules = MinusculesAscii(dossier + nom);
            QString montre = minuscules;
            montre.replace(u'\n', u"↵"_s);
            const QString attendue = MinusculesAscii(entree) + u'/' + montre + u'.' + source;
            auto l = std::find_if(lignes.cbegin(), lignes.cend(), [&](const Ligne &x) { return x.source == attendue; });
            if (l == lignes.cend()) {
                fautes << montre + u" : absent du rapport"_s;
                continue;
            }
            const QString destination = sortie + u'/' + minuscules + u'.' + cible;
            if (l->etat == u"traduit"_s) {
                if (!QFile::exists(destination))
                    fautes << montre + u" : traduit, mais pas de "_s + destination;
            } else if (l->etat != u"échec"_s || !EnFrancais(l->raison) || !nom.contains(u'\n')) {
                // Seul le saut de ligne, qui ne s'écrit pas dans une ligne de commande, est refusé.
                fautes << montre + u" : "_s + l->etat + u" ("_s + l->raison + u')';
            }
        }
    }
    QVERIFY2(fautes.isEmpty(), qPrintable(fautes.join(u'\n') + u'\n' + e.sortie));
    if (source == u"shp"_s)
        QVERIFY(e.sortie.contains(u"son chemin contient un saut de ligne"_s));
    QCOMPARE(Empreintes(entree), avant);
}

void TestRobustesse::sourcesSacrees()
{
    if (!produits_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    // Un fichier par format, noms distincts : une destination ne tombe jamais sur la source d'un autre
    // format (la remplacer serait alors ce que l'utilisateur a demandé).
    const QMap<QString, QString> jeux{{u"dxf"_s, u"dxf/ezdxf-Leica_Disto_S910/Leica_Disto_S910"_s},
                                      {u"e00"_s, u"e00/gdal-testpoly/testpoly"_s},
                                      {u"mif"_s, u"mif/gdal-small/small"_s},
                                      {u"shp"_s, u"shp/gdal-departs/departs"_s},
                                      {u"tab"_s, u"tab/gdal-utm31/utm31"_s}};
    QTemporaryDir modele;
    for (auto it = jeux.cbegin(); it != jeux.cend(); ++it) {
        const Jeu jeu = LitJeu(it.value().section(u'/', 0, 1), it.value().section(u'/', 2));
        for (auto f = jeu.cbegin(); f != jeu.cend(); ++f)
            Ecrit(modele.path() + u"/arbre/"_s + it.key() + u'/' + it.value().section(u'/', 2) + f.key(), f.value());
    }
    const QMap<QString, QByteArray> empreintes = Empreintes(modele.path() + u"/arbre"_s);
    QCOMPARE(empreintes.size(), 11);

    QTemporaryDir autre;
    const QStringList formats{u"dxf"_s, u"e00"_s, u"mif"_s, u"shp"_s, u"tab"_s};
    int lancements = 0;
    QStringList fautes;
    for (int s = 0; s < 5; ++s) {
        for (int c = 0; c < 5; ++c) {
            if (s == c && s != 3)
                continue;
            // Vers un autre dossier, depuis l'arbre commun ; vers l'arbre lui-même, dans une copie fraîche.
            QTemporaryDir surPlace;
            QVERIFY(QProcess::execute(u"cp"_s, {u"-a"_s, modele.path() + u"/arbre"_s, surPlace.path()}) == 0);
            for (const QString &cible : {autre.path(), surPlace.path() + u"/arbre"_s}) {
                for (const bool remplacer : {false, true}) {
                    QStringList ligne{u"--format-source"_s, formats[s], u"--format-cible"_s, formats[c], u"--source"_s,
                                      cible == autre.path() ? modele.path() + u"/arbre"_s : cible, u"--cible"_s, cible,
                                      u"--sous-dossiers"_s};
                    if (remplacer)
                        ligne << u"--remplacer"_s;
                    const Execution e = Lance(ligne);
                    ++lancements;
                    if (!e.fini || e.code < 0 || e.code > 1)
                        fautes << ligne.join(u' ') + u" : code %1\n"_s.arg(e.code) + e.sortie + e.erreurs;
                    // Vers l'autre dossier, en remplaçant, chaque paire traduit vraiment son fichier.
                    else if (cible == autre.path() && remplacer && !e.sortie.startsWith(u"traduit : "_s))
                        fautes << ligne.join(u' ') + u" : rien de traduit\n"_s + e.sortie + e.erreurs;
                }
            }
            QMap<QString, QByteArray> apres = Empreintes(surPlace.path() + u"/arbre"_s);
            for (auto it = empreintes.cbegin(); it != empreintes.cend(); ++it)
                if (apres.value(it.key()) != it.value())
                    fautes << u"%1 vers %2 sur place : %3 modifié ou supprimé"_s.arg(formats[s], formats[c], it.key());
        }
    }
    qInfo("Paires lancées : %d lancements de quorvale-lot", lancements);
    QVERIFY2(fautes.isEmpty(), qPrintable(fautes.join(u'\n')));
    QCOMPARE(Empreintes(modele.path() + u"/arbre"_s), empreintes);
}

void TestRobustesse::tableRelueEntiere()
{
    if (!produits_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    // Un dessin dont une entité n'a qu'une géométrie vide passe par une table de travail : relue, elle
    // doit rendre tous ses objets (GDAL s'arrêtait sur la géométrie vide et taisait les suivants).
    QTemporaryDir entree, sortie;
    Ecrit(entree.path() + u"/leader-mleader.dxf"_s,
          Lit(Echantillons() + u"/dxf/gdal-leader-mleader/leader-mleader.dxf"_s));
    const Execution e = Lance({u"--format-source"_s, u"dxf"_s, u"--format-cible"_s, u"e00"_s, u"--source"_s,
                               entree.path(), u"--cible"_s, sortie.path()});
    QVERIFY2(e.code == 0 && e.sortie.startsWith(u"traduit : "_s), qPrintable(e.sortie + e.erreurs));
}

void TestRobustesse::tableManquee()
{
    if (!produits_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    // Un dessin de trois calques vers des jeux de formes : la table d'un calque échoue à la seconde
    // étape. Le fichier est en échec et les jeux des deux autres calques ne restent pas.
    const QByteArray imut = R"sh(#!/bin/sh
if [ "$1" = generate ]; then exec "$QUORVALE_DOSSIER_MAPINFO/UT/imut" "$@"; fi
case "$(sed -n 's/^MACRO _FULLBASENAME //p' "$1" | tr -d '\r')" in
  *_LEICA_DISTO_ID) echo "Le calque ne passe pas." >&2; exit 2 ;;
esac
exec "$QUORVALE_DOSSIER_MAPINFO/UT/imut" "$@"
)sh";
    FauxMapInfo mapinfo(imut, "#!/bin/sh\nexit 1\n");
    QTemporaryDir entree, sortie;
    Ecrit(entree.path() + u"/leica.dxf"_s, Lit(Echantillons() + u"/dxf/ezdxf-Leica_Disto_S910/Leica_Disto_S910.dxf"_s));
    const Execution e = Lance({u"--format-source"_s, u"dxf"_s, u"--format-cible"_s, u"shp"_s, u"--source"_s,
                               entree.path(), u"--cible"_s, sortie.path()},
                              {{u"XDG_CONFIG_HOME"_s, mapinfo.configuration.path()}});
    QCOMPARE(e.code, 1);
    const QString source = MinusculesAscii(entree.path()) + u"/leica.dxf"_s;
    QVERIFY2(e.sortie.startsWith(u"échec : %1 (« %1 » n'est traduit qu'en partie : 1 table(s) sur 3 en échec "
                                 u"(Le calque ne passe pas.).)\n"_s.arg(source)),
             qPrintable(e.sortie + e.erreurs));
    QCOMPARE(QDir(sortie.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void TestRobustesse::traducteurQuiFlanche_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("raison");
    QTest::newRow("sortie immédiate") << u"immediat"_s << u"Le traducteur de comédie s'arrête tout de suite."_s;
    QTest::newRow("moitié de fichier écrite") << u"moitie"_s << u"Le traducteur de comédie n'a écrit que la moitié."_s;
    QTest::newRow("tué en cours de fichier") << u"tue"_s << u"Le traducteur s'est arrêté brutalement (signal 9)."_s;
    QTest::newRow("emballé, arrêté au bout du délai")
        << u"emballe"_s << u"Le traducteur a été arrêté : il a dépassé le temps permis."_s;
}

void TestRobustesse::traducteurQuiFlanche()
{
    QFETCH(QString, role);
    QFETCH(QString, raison);
    if (!produits_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    FauxMapInfo mapinfo(ImutDeComedie, "#!/bin/sh\nexit 1\n");
    QTemporaryDir entree, sortie;
    const Jeu jeu = LitJeu(u"shp/gdal-departs"_s, u"departs"_s);
    for (const QString &nom : {u"a"_s, u"bon"_s, u"c"_s})
        for (auto it = jeu.cbegin(); it != jeu.cend(); ++it)
            Ecrit(entree.path() + u'/' + nom + it.key(), it.value());
    // Ce qui était dans la destination avant le traitement y reste, même sous un nom voisin.
    Ecrit(sortie.path() + u"/garde.txt"_s, "garde");
    Ecrit(sortie.path() + u"/a_vieux.dat"_s, "vieux");
    Ecrit(sortie.path() + u"/c.id"_s, "ancien");

    QElapsedTimer chrono;
    chrono.start();
    const Execution e = Lance({u"--format-source"_s, u"shp"_s, u"--format-cible"_s, u"tab"_s, u"--source"_s,
                               entree.path(), u"--cible"_s, sortie.path(), u"--delai-traducteur"_s, u"2"_s},
                              {{u"XDG_CONFIG_HOME"_s, mapinfo.configuration.path()}, {u"ROBUSTESSE_ROLE"_s, role}});
    QVERIFY2(e.fini, "quorvale-lot ne s'est pas arrêté");
    QVERIFY2(chrono.elapsed() < 60000, "le délai du traducteur n'a pas été tenu");
    QCOMPARE(e.code, 1);
    const QString a = MinusculesAscii(entree.path()) + u"/a.shp"_s, c = MinusculesAscii(entree.path()) + u"/c.shp"_s;
    QVERIFY2(e.sortie.contains(u"sans résultat : %1 (%2)\n"_s.arg(a, raison)), qPrintable(e.sortie + e.erreurs));
    QVERIFY2(e.sortie.contains(u"sans résultat : %1 (%2)\n"_s.arg(c, raison)), qPrintable(e.sortie));
    QVERIFY2(e.sortie.contains(u"traduit : %1/bon.shp → "_s.arg(MinusculesAscii(entree.path()))), qPrintable(e.sortie));
    QCOMPARE(QDir(sortie.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{u"a_vieux.dat"_s, u"bon.dat"_s, u"bon.id"_s, u"bon.map"_s, u"bon.tab"_s, u"c.id"_s,
                          u"garde.txt"_s}));
    QCOMPARE(Lit(sortie.path() + u"/c.id"_s), QByteArray("ancien"));
}

void TestRobustesse::traducteurTueEnEcrivant()
{
    if (!produits_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    FauxMapInfo mapinfo(ImutTueEnEcrivant, "#!/bin/sh\nexit 1\n");
    QTemporaryDir entree, sortie;
    // Assez de points pour que l'écriture dure : trois cent mille.
    QByteArray mif = "Version 300\nCharset \"WindowsLatin1\"\nDelimiter \",\"\n"
                     "CoordSys NonEarth Units \"m\" Bounds (0, 0) (1000000, 1000000)\nColumns 1\n  id Integer\nData\n\n";
    QByteArray mid;
    for (int i = 0; i < 300000; ++i) {
        mif += "Point " + QByteArray::number(i % 1000) + ' ' + QByteArray::number(i / 1000) + '\n';
        mid += QByteArray::number(i) + '\n';
    }
    Ecrit(entree.path() + u"/gros.mif"_s, mif);
    Ecrit(entree.path() + u"/gros.mid"_s, mid);
    Ecrit(sortie.path() + u"/garde.txt"_s, "garde");
    const Execution e = Lance({u"--format-source"_s, u"mif"_s, u"--format-cible"_s, u"shp"_s, u"--source"_s,
                               entree.path(), u"--cible"_s, sortie.path()},
                              {{u"XDG_CONFIG_HOME"_s, mapinfo.configuration.path()}});
    QVERIFY2(e.fini, "quorvale-lot ne s'est pas arrêté");
    QCOMPARE(e.code, 1);
    QVERIFY2(e.sortie.startsWith(u"sans résultat : %1/gros.mif (Le traducteur s'est arrêté brutalement (signal 9). ; "
                                 u"Le traducteur a été tué en écrivant.)\n"_s.arg(MinusculesAscii(entree.path()))),
             qPrintable(e.sortie + e.erreurs));
    // Ni le chantier du traducteur ni une sortie à moitié écrite.
    QCOMPARE(QDir(sortie.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{u"garde.txt"_s});
}

void TestRobustesse::mapInfoQuiMeurt()
{
    if (!produits_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    FauxMapInfo mapinfo("#!/bin/sh\nexec \"$QUORVALE_DOSSIER_MAPINFO/UT/imut\" \"$@\"\n", MapInfoQuiMeurt);
    QTemporaryDir entree, sortie;
    const Jeu jeu = LitJeu(u"mif/gdal-small"_s, u"small"_s);
    for (const QString &nom : {u"a"_s, u"b"_s})
        for (auto it = jeu.cbegin(); it != jeu.cend(); ++it)
            Ecrit(entree.path() + u'/' + nom + it.key(), it.value());
    Ecrit(sortie.path() + u"/garde.txt"_s, "garde");
    const Execution e = Lance({u"--format-source"_s, u"mif"_s, u"--format-cible"_s, u"tab"_s, u"--source"_s,
                               entree.path(), u"--cible"_s, sortie.path()},
                              {{u"XDG_CONFIG_HOME"_s, mapinfo.configuration.path()}});
    QVERIFY2(e.fini, "quorvale-lot ne s'est pas arrêté");
    QCOMPARE(e.code, 1);
    // Chaque fichier voit MapInfo mourir entre l'import et « Close All » : le second a eu un MapInfo
    // neuf (relancé après la mort du premier), qui meurt à son tour au même endroit.
    const QString a = MinusculesAscii(entree.path()) + u"/a.mif"_s, b = MinusculesAscii(entree.path()) + u"/b.mif"_s;
    for (const QString &f : {a, b})
        QVERIFY2(e.sortie.contains(u"échec : %1 (Le serveur d'automation « Mapinfo.Application » s'est arrêté pendant : "
                                   u"Close All)\n"_s.arg(f)),
                 qPrintable(e.sortie + e.erreurs));
    QVERIFY(e.sortie.endsWith(u"Bilan : 0 traduit(s), 0 ignoré(s), 0 sans résultat, 2 échec(s), 0 non traité(s).\n"_s));
    // La table à moitié écrite sous son nom final a été retirée.
    QCOMPARE(QDir(sortie.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{u"garde.txt"_s});
}

void TestRobustesse::delaiTraducteur_data()
{
    QTest::addColumn<QVariant>("reglage");
    QTest::addColumn<int>("secondes");
    QTest::newRow("absent : dix minutes") << QVariant() << 600;
    QTest::newRow("deux heures") << QVariant(u"7200"_s) << 7200;
    QTest::newRow("zéro : sans limite") << QVariant(u"0"_s) << 0;
    QTest::newRow("illisible : dix minutes") << QVariant(u"long"_s) << 600;
    QTest::newRow("négatif : dix minutes") << QVariant(u"-5"_s) << 600;
}

void TestRobustesse::delaiTraducteur()
{
    QFETCH(QVariant, reglage);
    QFETCH(int, secondes);
    {
        QSettings reglages(QSettings::NativeFormat, QSettings::UserScope, u"Olvessa"_s, u"Quorvale"_s);
        if (reglage.isValid())
            reglages.setValue(u"DelaiTraducteur"_s, reglage);
        else
            reglages.remove(u"DelaiTraducteur"_s);
    }
    QCOMPARE(DelaiTraducteur(), secondes);
    QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Olvessa"_s, u"Quorvale"_s).remove(u"DelaiTraducteur"_s);
}

void TestRobustesse::fichiersDuProgramme_data()
{
    QTest::addColumn<QString>("fichier");
    QTest::newRow("AssoMots.txt") << u"assomots"_s;
    QTest::newRow("réglages") << u"reglages"_s;
    QTest::newRow("registre") << u"registre"_s;
}

void TestRobustesse::fichiersDuProgramme()
{
    QFETCH(QString, fichier);
    // Un fichier écrit sur place changerait aussi son lien physique ; écrit à côté puis renommé, il
    // laisse le lien sur l'ancien contenu, entier : une panne au milieu ne perd rien.
    QTemporaryDir dossier;
    QString chemin;
    std::function<void(int)> ecrit;
    if (fichier == u"assomots"_s) {
        chemin = dossier.path() + u"/AssoMots.txt"_s;
        ecrit = [&](int n) {
            EnregistreAssociations(chemin, {Association{u"mot%1"_s.arg(n), u"MTM 8"_s, u"Earth Projection 8, 74"_s}});
        };
    } else if (fichier == u"reglages"_s) {
        chemin = environnement_->configuration() + u"/Olvessa/Quorvale.conf"_s;
        ecrit = [](int n) { ReglagesUtilisateur().Ecrit(u"AssoMots"_s, n % 2 == 0); };
    } else {
        chemin = dossier.path() + u"/registre/HKEY_CLASSES_ROOT.ini"_s;
        ecrit = [&](int n) {
            RegistreFichier(chemin).EcritValeur(u"Mapinfo.Application\\CLSID"_s, {}, u"{%1}"_s.arg(n));
        };
    }
    ecrit(1);
    const QByteArray ancien = Lit(chemin);
    QVERIFY(ancien != "<absent>");
    const QString lien = dossier.path() + u"/lien"_s;
    QCOMPARE(::link(QFile::encodeName(chemin).constData(), QFile::encodeName(lien).constData()), 0);
    ecrit(2);
    QVERIFY(Lit(chemin) != ancien);
    QCOMPARE(Lit(lien), ancien);
    // Rien de provisoire ne traîne à côté.
    QStringList voisins = QDir(QFileInfo(chemin).path()).entryList(QDir::Files | QDir::Hidden);
    voisins.removeAll(u"lien"_s);
    voisins.removeIf([](const QString &nom) { return nom.endsWith(u".lock"_s); });
    QCOMPARE(voisins, QStringList{QFileInfo(chemin).fileName()});
}

// Un autre utilisateur du même /tmp prépare des fichiers de commandes, un TempTrad et un verrou, puis
// essaie de réécrire les commandes pendant le traitement : rien de lui ne tourne ni n'entre.
void TestRobustesse::dossierDeTravailPartage()
{
    if (!produits_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    if (!EnRoot() || QProcess::execute(u"setpriv"_s, {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, u"true"_s}) != 0)
        QSKIP("Il faut être root et avoir setpriv pour agir comme « nobody ».");
    FauxMapInfo mapinfo(ImutEspionne, "#!/bin/sh\nexit 1\n");
    QTemporaryDir partage(u"/tmp/quorvale-partage-XXXXXX"_s), entree, sortie;
    QCOMPARE(::chmod(QFile::encodeName(partage.path()).constData(), 01777), 0);
    const QString pirate = partage.path() + u"/pirate"_s;
    const QString plante = u"cd '%1' && mkdir TempTrad && echo x > TempTrad/intrus.tab && echo x > Quorvale.verrou && "
                           u"for f in LanceParam.bat LanceTrad.bat Trad_Macro.txt PARAM.TXT; do "
                           u"echo 'touch %2' > $f; chmod 666 $f; done"_s.arg(partage.path(), pirate);
    QCOMPARE(QProcess::execute(u"setpriv"_s, {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, u"sh"_s,
                                               u"-c"_s, plante}),
             0);
    const Jeu jeu = LitJeu(u"shp/gdal-departs"_s, u"departs"_s);
    for (const QString &nom : {u"a"_s, u"b"_s})
        for (auto it = jeu.cbegin(); it != jeu.cend(); ++it)
            Ecrit(entree.path() + u'/' + nom + it.key(), it.value());
    const QString journal = partage.path() + u"/../quorvale-journal-"_s + QString::number(::getpid());
    const Execution e = Lance({u"--format-source"_s, u"shp"_s, u"--format-cible"_s, u"tab"_s, u"--source"_s,
                               entree.path(), u"--cible"_s, sortie.path()},
                              {{u"XDG_CONFIG_HOME"_s, mapinfo.configuration.path()}, {u"TMPDIR"_s, partage.path()},
                               {u"ROBUSTESSE_JOURNAL"_s, journal}, {u"ROBUSTESSE_PIRATE"_s, pirate}});
    const QByteArray vu = Lit(journal);
    (void)QFile::remove(journal);
    QCOMPARE(e.code, 0);
    QVERIFY2(e.sortie.endsWith(u"Bilan : 2 traduit(s), 0 ignoré(s), 0 sans résultat, 0 échec(s), 0 non traité(s).\n"_s),
             qPrintable(e.sortie + e.erreurs));
    QCOMPARE(vu, QByteArray("refuse\nroot 700\nrefuse\nroot 700\n"));
    QVERIFY(!QFile::exists(pirate));
    QCOMPARE(QDir(sortie.path()).entryList(QDir::Files),
             (QStringList{u"a.dat"_s, u"a.id"_s, u"a.map"_s, u"a.tab"_s, u"b.dat"_s, u"b.id"_s, u"b.map"_s, u"b.tab"_s}));
    // Ce qu'il avait déposé est intact, et aucun dossier de travail ne reste.
    QCOMPARE(QDir(partage.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             (QStringList{u"LanceParam.bat"_s, u"LanceTrad.bat"_s, u"PARAM.TXT"_s, u"Quorvale.verrou"_s, u"TempTrad"_s,
                          u"Trad_Macro.txt"_s}));
}

void TestRobustesse::disquePlein_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("cible");
    QTest::addColumn<QString>("echantillon");
    QTest::addColumn<QString>("base");
    QTest::newRow("shp vers shp : copie des compagnons") << u"shp"_s << u"shp"_s << u"shp/fdo-Ontario-roads"_s << u"roads"_s;
    QTest::newRow("tab vers e00 : écrivain E00") << u"tab"_s << u"e00"_s << u"tab/gdal-all_geoms_block_32256"_s
                                                  << u"all_geoms_block_32256"_s;
    QTest::newRow("mif vers shp : traducteur") << u"mif"_s << u"shp"_s << u"mif/gdal-all_geoms"_s << u"all_geoms"_s;
    QTest::newRow("mif vers tab : MapInfo") << u"mif"_s << u"tab"_s << u"mif/gdal-all_geoms"_s << u"all_geoms"_s;
}

// Une destination sur un disque de 16 Ko : chaque fichier est en échec ou sans résultat avec sa
// raison, et rien ne reste sous un nom final (une reprise le sauterait comme déjà fait).
void TestRobustesse::disquePlein()
{
    QFETCH(QString, source);
    QFETCH(QString, cible);
    QFETCH(QString, echantillon);
    QFETCH(QString, base);
    if (!produits_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    QTemporaryDir entree, sortie;
    if (!EnRoot() || QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=16k"_s, u"tmpfs"_s, sortie.path()}) != 0)
        QSKIP("Il faut être root et pouvoir monter un tmpfs pour remplir un disque.");
    const auto demonte = qScopeGuard([&] { QProcess::execute(u"umount"_s, {sortie.path()}); });
    const Jeu jeu = LitJeu(echantillon, base);
    for (auto it = jeu.cbegin(); it != jeu.cend(); ++it)
        Ecrit(entree.path() + u'/' + base + it.key(), it.value());
    const Execution e = Lance({u"--format-source"_s, source, u"--format-cible"_s, cible, u"--source"_s, entree.path(),
                               u"--cible"_s, sortie.path()});
    QCOMPARE(e.code, 1);
    const QList<Ligne> lignes = LitRapport(e.sortie);
    QCOMPARE(lignes.size(), 1);
    QVERIFY2(lignes[0].etat != u"traduit"_s && EnFrancais(lignes[0].raison), qPrintable(e.sortie));
    QCOMPARE(QDir(sortie.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void TestRobustesse::entreesPiegees_data()
{
    QTest::addColumn<QString>("cas");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("cible");
    // Le rapport attendu, ligne par ligne : état, nom relatif, et un morceau de la raison.
    QTest::addColumn<QStringList>("attendu");
    QTest::newRow("ligne MID de plus d'un million de caractères (traducteur)")
        << u"mid long"_s << u"mif"_s << u"shp"_s << QStringList{u"sans résultat|l.mif|incomplète après 10 objets"_s};
    QTest::newRow("ligne MID de plus d'un million de caractères (MapInfo)")
        << u"mid long"_s << u"mif"_s << u"tab"_s << QStringList{u"échec|l.mif|ne se lit pas en entier : 10 objets"_s};
    QTest::newRow("enregistrement de shapefile illisible")
        << u"shp abîmé"_s << u"shp"_s << u"tab"_s << QStringList{u"sans résultat|a.shp|Corrupted .shp"_s};
    QTest::newRow("? et * dans le nom ne sont pas des jokers")
        << u"jokers"_s << u"shp"_s << u"tab"_s
        << QStringList{u"sans résultat|z*.shp|"_s, u"traduit|z1.shp|"_s, u"sans résultat|z?.shp|"_s};
    QTest::newRow("noms qui ne diffèrent que par la casse")
        << u"casse"_s << u"shp"_s << u"tab"_s
        << QStringList{u"traduit|A.SHP|"_s, u"échec|a.shp|est déjà celle de"_s};
    QTest::newRow("tube, /dev/zero et nom hors de l'encodage")
        << u"spéciaux"_s << u"e00"_s << u"tab"_s
        << QStringList{u"échec|t.e00|pas un fichier ordinaire"_s, u"échec|z.e00|pas un fichier ordinaire"_s,
                       u"échec|\uFFFD|pas valide dans l'encodage"_s};
    QTest::newRow("blocs imbriqués : entités et profondeur bornées")
        << u"blocs"_s << u"dxf"_s << u"mif"_s
        << QStringList{u"sans résultat|large.dxf|ajouterait 1347368421 entités"_s,
                       u"sans résultat|profond.dxf|sur plus de 32 niveaux"_s};
    QTest::newRow("liens en éventail : chaque dossier une fois")
        << u"éventail"_s << u"shp"_s << u"tab"_s << QStringList{u"traduit|d/f.shp|"_s};
}

void TestRobustesse::entreesPiegees()
{
    QFETCH(QString, cas);
    QFETCH(QString, source);
    QFETCH(QString, cible);
    QFETCH(QStringList, attendu);
    if (!produits_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    QTemporaryDir entree, sortie;
    const QString e0 = entree.path() + u'/';
    const Jeu departs = LitJeu(u"shp/gdal-departs"_s, u"departs"_s);
    auto ecritJeu = [&](const QString &nom, const Jeu &jeu) {
        for (auto it = jeu.cbegin(); it != jeu.cend(); ++it)
            Ecrit(e0 + nom + it.key(), it.value());
    };
    if (cas == u"mid long"_s) {
        QByteArray mif = "Version 300\nCharset \"WindowsLatin1\"\nDelimiter \",\"\n"
                         "CoordSys NonEarth Units \"m\" Bounds (0, 0) (1000, 1000)\nColumns 1\n  nom Char(254)\nData\n";
        QByteArray mid;
        for (int i = 0; i < 100; ++i) {
            mif += "Point " + QByteArray::number(i) + ' ' + QByteArray::number(i) + '\n';
            mid += '"' + (i == 10 ? QByteArray(1100000, 'x') : "n" + QByteArray::number(i)) + "\"\n";
        }
        Ecrit(e0 + u"l.mif"_s, mif);
        Ecrit(e0 + u"l.mid"_s, mid);
    } else if (cas == u"shp abîmé"_s) {
        Jeu jeu = LitJeu(u"shp/fdo-Ontario-roads"_s, u"roads"_s);
        QByteArray &shp = jeu[u".shp"_s];
        const qint32 enorme = 0x7fffffff;
        shp.replace(148, 4, reinterpret_cast<const char *>(&enorme), 4); // nombre de points du premier objet
        ecritJeu(u"a"_s, jeu);
    } else if (cas == u"jokers"_s) {
        ecritJeu(u"z1"_s, departs);
        for (const QString &nom : {u"z?"_s, u"z*"_s})
            ecritJeu(nom, Jeu{{u".shp"_s, Aleatoire(7, 500)}, {u".shx"_s, Aleatoire(8, 100)}, {u".dbf"_s, Aleatoire(9, 100)}});
    } else if (cas == u"casse"_s) {
        ecritJeu(u"a"_s, departs);
        for (auto it = departs.cbegin(); it != departs.cend(); ++it)
            Ecrit(e0 + u"A"_s + it.key().toUpper(), it.value());
    } else if (cas == u"blocs"_s) {
        // Chaque bloc insère le précédent : 20 colonnes par niveau sur 7 niveaux (large), ou 40
        // niveaux d'une seule insertion (profond). Moins d'un kilo-octet chacun.
        auto dessin = [](int niveaux, int colonnes) {
            QByteArray d = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n8\n0\n2\nB0\n70\n0\n10\n0\n20\n0\n30\n0\n3\nB0\n"
                           "0\nLINE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n1\n21\n1\n31\n0\n0\nENDBLK\n8\n0\n";
            for (int k = 1; k <= niveaux; ++k)
                d += "0\nBLOCK\n8\n0\n2\nB" + QByteArray::number(k) + "\n70\n0\n10\n0\n20\n0\n30\n0\n3\nB" +
                     QByteArray::number(k) + "\n0\nINSERT\n8\n0\n2\nB" + QByteArray::number(k - 1) +
                     "\n10\n0\n20\n0\n30\n0\n70\n" + QByteArray::number(colonnes) + "\n44\n1\n0\nENDBLK\n8\n0\n";
            return d + "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nINSERT\n8\n0\n2\nB" + QByteArray::number(niveaux) +
                   "\n10\n0\n20\n0\n30\n0\n0\nENDSEC\n0\nEOF\n";
        };
        Ecrit(e0 + u"large.dxf"_s, dessin(7, 20));
        Ecrit(e0 + u"profond.dxf"_s, dessin(40, 1));
    } else if (cas == u"spéciaux"_s) {
        QCOMPARE(::mkfifo(QFile::encodeName(e0 + u"t.e00"_s).constData(), 0600), 0);
        QVERIFY(QFile::link(u"/dev/zero"_s, e0 + u"z.e00"_s));
        QCOMPARE(::mkdir((QFile::encodeName(e0) + "\xff").constData(), 0700), 0);
    } else {
        // d0/{l1,l2} -> d1, d1/{l1,l2} -> d2 ... : 2^12 chemins vers le dernier dossier.
        QDir().mkpath(e0 + u"d"_s);
        ecritJeu(u"d/f"_s, departs);
        for (int k = 0; k < 12; ++k) {
            const QString d = e0 + (k == 0 ? u"d"_s : u"n%1"_s.arg(k));
            QDir().mkpath(e0 + u"n%1"_s.arg(k + 1));
            for (const QString &l : {u"/l1"_s, u"/l2"_s})
                QVERIFY(QFile::link(e0 + u"n%1"_s.arg(k + 1), d + l));
        }
    }
    QElapsedTimer chrono;
    chrono.start();
    const Execution e = Lance({u"--format-source"_s, source, u"--format-cible"_s, cible, u"--source"_s, entree.path(),
                               u"--cible"_s, sortie.path(), u"--sous-dossiers"_s, u"--delai-traducteur"_s, u"60"_s});
    if (cas == u"spéciaux"_s)
        (void)::rmdir((QFile::encodeName(e0) + "\xff").constData()); // QTemporaryDir ne saurait pas le nommer
    QVERIFY2(e.fini && chrono.elapsed() < 60000, "trop long");
    QCOMPARE(e.code, attendu.first().startsWith(u"traduit"_s) && attendu.size() == 1 ? 0 : 1);
    const QList<Ligne> lignes = LitRapport(e.sortie);
    QStringList vus;
    for (const Ligne &l : lignes) {
        const QString relatif = l.source.mid(MinusculesAscii(entree.path()).size() + 1);
        vus << l.etat + u'|' + relatif;
        for (const QString &a : attendu)
            if (a.startsWith(vus.last() + u'|') && !l.raison.contains(a.section(u'|', 2)))
                vus.last() += u" : "_s + l.raison;
    }
    QStringList attendus;
    for (const QString &a : attendu)
        attendus << a.section(u'|', 0, 1);
    QCOMPARE(vus, attendus);
}

void TestRobustesse::signalPendantLeTraitement_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

// Un signal pendant une traduction qui n'en finit pas : l'appel est interrompu, le traitement
// annulé (code non nul), le dossier de travail retiré ; le suivant part de rien.
void TestRobustesse::signalPendantLeTraitement()
{
    QFETCH(int, signal);
    if (!produits_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    FauxMapInfo mapinfo(ImutDeComedie, "#!/bin/sh\nexit 1\n");
    QTemporaryDir entree, sortie, temporaire;
    const Jeu jeu = LitJeu(u"shp/gdal-departs"_s, u"departs"_s);
    for (const QString &nom : {u"a"_s, u"b"_s})
        for (auto it = jeu.cbegin(); it != jeu.cend(); ++it)
            Ecrit(entree.path() + u'/' + nom + it.key(), it.value());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, mapinfo.configuration.path());
    env.insert(u"TMPDIR"_s, temporaire.path());
    env.insert(u"ROBUSTESSE_ROLE"_s, u"emballe"_s);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUORVALE_LOT), {u"--format-source"_s, u"shp"_s, u"--format-cible"_s, u"tab"_s, u"--source"_s,
                                           entree.path(), u"--cible"_s, sortie.path()});
    QVERIFY(p.waitForStarted());
    // Attendre que la première traduction tourne (son dossier de travail existe).
    QTRY_VERIFY_WITH_TIMEOUT(!QDir(temporaire.path()).entryList({u"quorvale-*"_s}, QDir::Dirs).isEmpty(), 10000);
    QTest::qWait(1000);
    ::kill(pid_t(p.processId()), signal);
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY(p.exitCode() != 0);
    const QString sortieLot = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(sortieLot.contains(u"Arrêt demandé"_s) && sortieLot.contains(u"1 non traité(s)"_s), qPrintable(sortieLot));
    QCOMPARE(QDir(temporaire.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    QCOMPARE(QDir(sortie.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

QTEST_GUILESS_MAIN(TestRobustesse)
#include "tst_robustesse.moc"
