#include "fakes.h"
#include "lot.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gdal.h>
#include <ogrsf_frmts.h>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

namespace {

QString Echantillons()
{
    return qEnvironmentVariable("QUORVALE_SAMPLES");
}

QString DossierMapInfo()
{
    return qEnvironmentVariable("QUORVALE_DOSSIER_MAPINFO");
}

struct Execution {
    int code = -1;
    QString sortie;
    QString erreurs;
};

Execution Lance(const QStringList &arguments, const QString &configuration = {})
{
    QProcess p;
    if (!configuration.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, configuration);
        p.setProcessEnvironment(env);
    }
    p.start(QStringLiteral(QUORVALE_LOT), arguments);
    p.waitForFinished(600000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// L'empreinte de chaque fichier d'un dossier, chemins relatifs.
QMap<QString, QByteArray> Empreintes(const QString &dossier)
{
    QMap<QString, QByteArray> empreintes;
    QDirIterator it(dossier, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        QFile fichier(f);
        if (fichier.open(QIODevice::ReadOnly))
            empreintes[f.mid(dossier.size())] = QCryptographicHash::hash(fichier.readAll(), QCryptographicHash::Sha1);
    }
    return empreintes;
}

// Ce que GDAL relit des sorties : le nombre d'objets et toutes les valeurs d'attributs, en texte.
struct Relu {
    qint64 objets = 0;
    QStringList valeurs;
};

Relu RelitAvecGdal(const QStringList &fichiers)
{
    Relu relu;
    for (const QString &f : fichiers) {
        // Une couverture E00 n'a pas d'encodage déclaré : Windows-1252.
        const bool e00 = f.endsWith(u".e00"_s);
        GDALDataset *ds = GDALDataset::Open(QFile::encodeName(f).constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY);
        if (!ds)
            continue;
        for (OGRLayer *couche : ds->GetLayers()) {
            // Les centroïdes d'une couverture doublent ses polygones.
            if (e00 && QByteArray(couche->GetName()) == "CNT")
                continue;
            for (auto &objet : *couche) {
                ++relu.objets;
                for (int i = 0; i < objet->GetFieldCount(); ++i) {
                    if (!objet->IsFieldSetAndNotNull(i))
                        continue;
                    if (objet->GetFieldDefnRef(i)->GetType() == OFTStringList) {
                        for (char **l = objet->GetFieldAsStringList(i); l && *l; ++l)
                            relu.valeurs << QString::fromUtf8(*l).section(u' ', 1); // « 1000 valeur »
                    } else {
                        const char *v = objet->GetFieldAsString(i);
                        relu.valeurs << (e00 ? QString::fromLatin1(v) : QString::fromUtf8(v));
                    }
                }
            }
        }
        GDALClose(ds);
    }
    return relu;
}

bool Contient(const QStringList &valeurs, const QString &attendu)
{
    bool nombre = false;
    const double x = attendu.toDouble(&nombre);
    for (const QString &v : valeurs) {
        if (v == attendu)
            return true;
        bool ok = false;
        const double y = v.trimmed().toDouble(&ok);
        if (nombre && ok && qAbs(x - y) < 1e-6)
            return true;
    }
    return false;
}

// Les fichiers choisis dans chaque format : sous-dossiers, noms en majuscules (POLI-ALL210_12.DXF,
// ps_cant_31.MIF, senate.DBF, none_ascii.TAB), accents.
const QMap<QString, QString> FichiersParFormat{
    {u"dxf"_s, u"Leica_Disto_S910;POLI-ALL210_12"_s},
    {u"e00"_s, u"testpoint;testpoly"_s},
    {u"mif"_s, u"small;ps_cant_31"_s},
    {u"shp"_s, u"departs;mrc;senate"_s},
    {u"tab"_s, u"poly_indexed;utm31;none_ascii"_s},
};

// Par nom de base : le nombre d'objets (relu d'un mif, tab ou shp) et une valeur d'attribut.
struct Attendu {
    QString dossier;
    qint64 objets;
    QString valeur;
};
const QMap<QString, Attendu> Attendus{
    {u"leica_disto_s910"_s, {u"ezdxf-leica_disto_s910"_s, 32, u"LEICA_DISTO_ID"_s}},
    {u"poli-all210_12"_s, {u"ezdxf-poli-all210_12"_s, 31, u"T-2DPLINE-ALL"_s}},
    {u"testpoint"_s, {u"gdal-testpoint"_s, 80, u"05103084340000"_s}},
    {u"testpoly"_s, {u"gdal-testpoly"_s, 12, u"80025"_s}},
    {u"small"_s, {u"gdal-small"_s, 2, u"Shiffer James A and Martha L"_s}},
    {u"ps_cant_31"_s, {u"rgdal-ps_cant_31"_s, 44, u"ARBON"_s}},
    {u"departs"_s, {u"gdal-departs"_s, 3, u"Frédéric"_s}},
    {u"mrc"_s, {u"marchand-mrc"_s, 104, u"Abitibi-Temiscamingue"_s}},
    {u"senate"_s, {u"shpjs-mixedcase"_s, 40, u"Harriette L. Chandler (D)"_s}},
    {u"poly_indexed"_s, {u"gdal-poly_indexed"_s, 10, u"35043411"_s}},
    {u"utm31"_s, {u"gdal-utm31"_s, 1, u"0"_s}},
    {u"none_ascii"_s, {u"fdo-none_ascii"_s, 1, u"Neukruger Straße"_s}},
};

const QMap<QString, QStringList> BasesParFormat{
    {u"dxf"_s, {u"leica_disto_s910"_s, u"poli-all210_12"_s}},
    {u"e00"_s, {u"testpoint"_s, u"testpoly"_s}},
    {u"mif"_s, {u"small"_s, u"ps_cant_31"_s}},
    {u"shp"_s, {u"departs"_s, u"mrc"_s, u"senate"_s}},
    {u"tab"_s, {u"none_ascii"_s, u"poly_indexed"_s, u"utm31"_s}},
};

} // namespace

class TestLot : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void arguments_data();
    void arguments();
    void argumentsRefuses_data();
    void argumentsRefuses();
    void reglagesDuLot();
    void rapportCsv_data();
    void rapportCsv();
    void rapport();
    void codeSortie_data();
    void codeSortie();
    void ligneBarre_data();
    void ligneBarre();
    void refusCommeLaFenetre_data();
    void refusCommeLaFenetre();

    void paires_data();
    void paires();
    void couvertureEtTableSansGeometrie_data();
    void couvertureEtTableSansGeometrie();
    void sourcesIntactes();
    void regroupementGardeTout();
    void empreinteChemin();
    void partiesCommeLaSuite();
    void partiesSousParallel();

private:
    std::unique_ptr<EnvironnementIsole> environnement_;
    QMap<QString, QByteArray> empreintes_;
    bool traducteur_ = false;
};

void TestLot::initTestCase()
{
    environnement_ = std::make_unique<EnvironnementIsole>();
    GDALAllRegister();
    // Les attributs d'un dessin se relisent dans ses données étendues.
    CPLSetConfigOption("DXF_INCLUDE_RAW_CODE_VALUES", "TRUE");
    empreintes_ = Empreintes(Echantillons());
    QVERIFY(!empreintes_.isEmpty());
    traducteur_ = QFile::exists(DossierMapInfo() + u"/UT/imut"_s) && QFile::exists(DossierMapInfo() + u"/mapinfow"_s);
    if (traducteur_)
        QCOMPARE(QProcess::execute(DossierMapInfo() + u"/mapinfow"_s, {u"--regserver"_s}), 0);
}

void TestLot::arguments_data()
{
    QTest::addColumn<QStringList>("ligne");
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("cible");
    QTest::addColumn<QString>("fichiers");
    QTest::addColumn<QString>("drapeaux");
    QTest::newRow("valeurs séparées, défauts")
        << QStringList{u"--format-source"_s, u"E00"_s, u"--format-cible"_s, u"tab"_s, u"--source"_s, u"/a"_s,
                       u"--cible"_s, u"/b"_s}
        << 2 << 5 << u"*"_s << u"----p"_s;
    QTest::newRow("valeurs après =, toutes les cases")
        << QStringList{u"--format-source=dxf"_s, u"--format-cible=shp"_s, u"--fichiers=a;b*"_s, u"--sous-dossiers"_s,
                       u"--remplacer"_s, u"--regrouper-couches"_s, u"--sans-projection-fichier"_s}
        << 1 << 4 << u"a;b*"_s << u"SRG--"_s;
}

void TestLot::arguments()
{
    QFETCH(QStringList, ligne);
    QFETCH(int, source);
    QFETCH(int, cible);
    QFETCH(QString, fichiers);
    QFETCH(QString, drapeaux);
    QString erreur;
    const auto a = LitArguments(ligne, &erreur);
    QVERIFY2(a, qPrintable(erreur));
    QCOMPARE(a->FormatSource, source);
    QCOMPARE(a->FormatCible, cible);
    QCOMPARE(a->Options.Fichiers, fichiers);
    const OptionsTraitement &o = a->Options;
    const QString vus = QString(o.SousDossiers ? u'S' : u'-') + (o.Remplacer ? u'R' : u'-')
                        + (o.RegrouperCouches ? u'G' : u'-') + u'-' + (o.UtiliserProjectionFichier ? u'p' : u'-');
    QCOMPARE(vus, drapeaux);
}

void TestLot::argumentsRefuses_data()
{
    QTest::addColumn<QStringList>("ligne");
    QTest::addColumn<QString>("message");
    QTest::newRow("format inconnu") << QStringList{u"--format-source"_s, u"kml"_s}
                                    << u"Format inconnu « kml » : dxf, e00, mif, shp ou tab."_s;
    QTest::newRow("valeur manquante") << QStringList{u"--source"_s} << u"L'option --source attend une valeur."_s;
    QTest::newRow("option inconnue") << QStringList{u"--vite"_s} << u"Option inconnue « --vite »."_s;
    QTest::newRow("valeur à un drapeau") << QStringList{u"--remplacer=oui"_s}
                                         << u"L'option --remplacer ne prend pas de valeur."_s;
    QTest::newRow("projection illisible")
        << QStringList{u"--projection"_s, u"Lambert"_s}
        << u"La projection « Lambert » n'est pas une clause CoordSys lisible (par exemple « CoordSys Earth "
           u"Projection 8, 74, 7, -73.5, 0, 0.9999, 304800, 0 »)."_s;
    for (const QString &partie : {u"0/3"_s, u"4/3"_s, u"3"_s, u"a/b"_s, u"1/0"_s, u"1/2/3"_s})
        QTest::newRow(qPrintable(u"partie "_s + partie))
            << QStringList{u"--partie"_s, partie}
            << u"La partie « %1 » n'est pas de la forme K/N, K de 1 à N (par exemple 2/8)."_s.arg(partie);
}

void TestLot::argumentsRefuses()
{
    QFETCH(QStringList, ligne);
    QFETCH(QString, message);
    QString erreur;
    QVERIFY(!LitArguments(ligne, &erreur));
    QCOMPARE(erreur, message);
}

void TestLot::reglagesDuLot()
{
    const ReglagesProjection enregistres{true, true, false, true};
    QString erreur;
    const auto a = LitArguments({u"--utm"_s, u"--sans-associations"_s}, &erreur);
    QVERIFY(a);
    const ReglagesProjection r = ReglagesDuLot(enregistres, *a);
    // Feuillets et datum : ceux enregistrés ; les deux autres : ceux de la ligne de commande.
    QCOMPARE(r.Feuillets, true);
    QCOMPARE(r.Mtm, false);
    QCOMPARE(r.Nad83, false);
    QCOMPARE(r.AssoMots, false);
}

void TestLot::rapport()
{
    Bilan bilan;
    bilan.Fichiers = {
        {u"/s/a.shp"_s, u"/d/a.tab"_s, ResultatFichier::Traduit, {}},
        {u"/s/b.shp"_s, u"/d/b.tab"_s, ResultatFichier::Ignore, {}},
        {u"/s/c.shp"_s, u"/d/c.tab"_s, ResultatFichier::SansResultat, u"Table illisible."_s},
        {u"/s/d.shp"_s, u"/d/d.tab"_s, ResultatFichier::Echec, u"Saut de ligne dans le chemin."_s},
        {u"/s/e.shp"_s, {}, ResultatFichier::NonTraite, {}},
    };
    QCOMPARE(RapportLot(bilan), u"traduit : /s/a.shp → /d/a.tab\n"
                                u"ignoré : /s/b.shp (la destination existe déjà)\n"
                                u"sans résultat : /s/c.shp (Table illisible.)\n"
                                u"échec : /s/d.shp (Saut de ligne dans le chemin.)\n"
                                u"non traité : /s/e.shp\n"
                                u"Bilan : 1 traduit(s), 1 ignoré(s), 1 sans résultat, 1 échec(s), 1 non traité(s).\n"_s);
}

void TestLot::codeSortie_data()
{
    QTest::addColumn<QString>("cas");
    QTest::addColumn<int>("code");
    QTest::newRow("refus") << u"refus"_s << 2;
    QTest::newRow("tout traduit ou ignoré") << u"ok"_s << 0;
    QTest::newRow("un fichier sans résultat") << u"vide"_s << 1;
    QTest::newRow("annulé") << u"annule"_s << 1;
    QTest::newRow("erreur") << u"erreur"_s << 1;
}

void TestLot::codeSortie()
{
    QFETCH(QString, cas);
    QFETCH(int, code);
    Bilan bilan;
    bilan.Fichiers = {{u"/s/a"_s, u"/d/a"_s, ResultatFichier::Traduit, {}},
                      {u"/s/b"_s, u"/d/b"_s, ResultatFichier::Ignore, {}}};
    if (cas == u"refus"_s)
        bilan.Refus = u"Le dossier source n'est pas valide."_s;
    if (cas == u"vide"_s)
        bilan.Fichiers << ResultatFichier{u"/s/c"_s, u"/d/c"_s, ResultatFichier::SansResultat, {}};
    if (cas == u"annule"_s)
        bilan.Annule = true;
    if (cas == u"erreur"_s)
        bilan.Erreur = u"MapInfo a refusé l'instruction."_s;
    QCOMPARE(CodeSortie(bilan), code);
}

void TestLot::ligneBarre_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("pourcentage");
    QTest::addColumn<double>("restant");
    QTest::addColumn<int>("largeur");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("sans jauge") << u"Construction de la liste"_s << -1 << 0.0 << 80 << u"Construction de la liste"_s;
    QTest::newRow("début de message coupé")
        << u"Traitement du fichier : 1 sur 4\r\n/donnees/a.shp"_s << 25 << 0.0 << 40
        << u"[#####---------------]  25 %  .../a.shp"_s;
    QTest::newRow("tout tient") << u"a.shp"_s << 100 << 0.0 << 80 << u"[####################] 100 %  a.shp"_s;
}

void TestLot::ligneBarre()
{
    QFETCH(QString, message);
    QFETCH(int, pourcentage);
    QFETCH(double, restant);
    QFETCH(int, largeur);
    QFETCH(QString, attendu);
    QCOMPARE(AvancementTerminal::LigneBarre(message, pourcentage, restant, largeur), attendu);
}

void TestLot::refusCommeLaFenetre_data()
{
    QTest::addColumn<QStringList>("ligne");
    QTest::addColumn<QString>("message");
    QTest::newRow("même format") << QStringList{u"--format-source"_s, u"mif"_s, u"--format-cible"_s, u"mif"_s}
                                 << u"Vous devez choisir un format de destination différent."_s;
    QTest::newRow("sans format") << QStringList{u"--format-cible"_s, u"mif"_s}
                                 << u"Veuillez faire la sélection du format d'origine."_s;
    QTest::newRow("destination absente")
        << QStringList{u"--format-source"_s, u"shp"_s, u"--format-cible"_s, u"tab"_s, u"--cible"_s, u"/nulle/part"_s}
        << u"Le dossier de destination n'est pas valide."_s;
}

void TestLot::refusCommeLaFenetre()
{
    QFETCH(QStringList, ligne);
    QFETCH(QString, message);
    // Un MapInfo inscrit dans un registre à part, qui ne sera pas lancé : les refus précèdent tout.
    QTemporaryDir mapinfo;
    QTemporaryDir configuration;
    QDir().mkpath(mapinfo.path() + u"/UT"_s);
    QFile imut(mapinfo.path() + u"/UT/imut"_s);
    QVERIFY(imut.open(QIODevice::WriteOnly));
    imut.close();
    RegistreFichier registre(configuration.path() + u"/registre/HKEY_CLASSES_ROOT.ini"_s);
    registre.EcritValeur(u"Mapinfo.Application\\CLSID"_s, {}, u"{6F1C}"_s);
    registre.EcritValeur(u"CLSID\\{6F1C}\\LocalServer"_s, {}, mapinfo.path() + u"/mapinfow"_s);
    QTemporaryDir source;
    const Execution e = Lance(ligne + QStringList{u"--source"_s, source.path()}, configuration.path());
    QCOMPARE(e.code, 2);
    QCOMPARE(e.erreurs, message + u'\n');
    QCOMPARE(e.sortie, QString());
}

void TestLot::paires_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("cible");
    QTest::addColumn<bool>("regrouper");
    const QStringList formats{u"dxf"_s, u"e00"_s, u"mif"_s, u"shp"_s, u"tab"_s};
    for (int s = 0; s < 5; ++s)
        for (int c = 0; c < 5; ++c)
            if (s != c || s == 3)
                QTest::addRow("%d %s vers %s", 10 * (s + 1) + c + 1, qPrintable(formats[s]), qPrintable(formats[c]))
                    << formats[s] << formats[c] << false;
    QTest::newRow("12 dxf vers e00, couches regroupées") << u"dxf"_s << u"e00"_s << true;
    QTest::newRow("14 dxf vers shp, couches regroupées") << u"dxf"_s << u"shp"_s << true;
    QTest::newRow("15 dxf vers tab, couches regroupées") << u"dxf"_s << u"tab"_s << true;
}

void TestLot::paires()
{
    QFETCH(QString, source);
    QFETCH(QString, cible);
    QFETCH(bool, regrouper);
    if (!traducteur_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    QTemporaryDir sortie;
    QStringList ligne{u"--format-source"_s, source, u"--format-cible"_s, cible, u"--source"_s,
                      Echantillons() + u'/' + source, u"--cible"_s, sortie.path(), u"--sous-dossiers"_s,
                      u"--fichiers"_s, FichiersParFormat[source]};
    if (regrouper)
        ligne << u"--regrouper-couches"_s;
    const Execution e = Lance(ligne);
    QVERIFY2(e.code == 0, qPrintable(e.sortie + e.erreurs));
    const QStringList bases = BasesParFormat[source];
    QCOMPARE(e.sortie.count(u"\ntraduit : "_s) + (e.sortie.startsWith(u"traduit : "_s) ? 1 : 0), bases.size());

    for (const QString &base : bases) {
        const Attendu attendu = Attendus[base];
        const QString dossier = sortie.path() + u'/' + attendu.dossier;
        // La destination, ses jeux par géométrie, ou les tables nommées d'après elle.
        QStringList fichiers;
        for (const QString &nom : QDir(dossier).entryList({base + u".*"_s, base + u"_*"_s}, QDir::Files))
            if (nom.endsWith(u'.' + cible))
                fichiers << dossier + u'/' + nom;
        QVERIFY2(!fichiers.isEmpty(), qPrintable(base));
        if (regrouper)
            QVERIFY2(fichiers.size() == 1 || cible == u"shp"_s, qPrintable(fichiers.join(u' ')));
        const Relu relu = RelitAvecGdal(fichiers);
        // Les couvertures et les dessins découpent autrement : le compte n'y est pas comparable.
        if (cible != u"dxf"_s && cible != u"e00"_s)
            QCOMPARE(relu.objets, attendu.objets);
        else
            QVERIFY2(relu.objets > 0, qPrintable(base));
        // Une annotation de couverture n'a pas de table d'attributs : LEICA_DISTO_ID, calque fait
        // seulement de textes, n'est la valeur d'aucun objet de la couverture.
        const bool annotations = cible == u"e00"_s && attendu.valeur == u"LEICA_DISTO_ID"_s;
        QVERIFY2(Contient(relu.valeurs, attendu.valeur) || annotations,
                 qPrintable(base + u" : "_s + attendu.valeur + u" absent de "_s + relu.valeurs.mid(0, 20).join(u'|')));
    }
}

// Une couverture garde le système de sa section PRJ quand la case est cochée ; une table sans
// géométrie se convertit vers shp, et reste « sans résultat », raison donnée, vers dxf et e00.
void TestLot::couvertureEtTableSansGeometrie_data()
{
    QTest::addColumn<QString>("jeu");
    QTest::addColumn<QString>("cible");
    QTest::addColumn<bool>("sansProjection");
    QTest::addColumn<QString>("compteRendu"); // début de la première ligne
    QTest::addColumn<QString>("sortie");      // fichier relu ; vide : aucun fichier
    QTest::addColumn<QString>("systeme");     // « projeté », « local » ; vide : non vérifié
    const QString raison = u"est une table sans géométrie (3 fiche(s)) : %1 ne peut porter que des objets géométriques"_s;
    QTest::newRow("e00 UTM vers tab : son système") << u"e00/gdal-testpoly"_s << u"tab"_s << false
        << u"traduit : "_s << u"testpoly_polygones.tab"_s << u"projeté"_s;
    QTest::newRow("e00 UTM vers mif : son système") << u"e00/gdal-testpoly"_s << u"mif"_s << false
        << u"traduit : "_s << u"testpoly_polygones.mif"_s << u"projeté"_s;
    QTest::newRow("--sans-projection-fichier : la clause du réglage") << u"e00/gdal-testpoly"_s << u"tab"_s << true
        << u"traduit : "_s << u"testpoly_polygones.tab"_s << u"local"_s;
    QTest::newRow("e00 sans PRJ : la clause du réglage") << u"e00/gdal-testpoint"_s << u"tab"_s << false
        << u"traduit : "_s << u"testpoint_points.tab"_s << u"local"_s;
    QTest::newRow("sans géométrie vers shp : le .dbf") << u"tab/gdal-aspatial"_s << u"shp"_s << false
        << u"traduit : "_s << u"aspatial.dbf"_s << QString();
    QTest::newRow("sans géométrie vers dxf") << u"tab/gdal-aspatial"_s << u"dxf"_s << false
        << u"sans résultat : "_s + raison.arg(u"un dessin DXF"_s) << QString() << QString();
    QTest::newRow("sans géométrie vers e00") << u"tab/gdal-aspatial"_s << u"e00"_s << false
        << u"sans résultat : "_s + raison.arg(u"une couverture E00"_s) << QString() << QString();
}

void TestLot::couvertureEtTableSansGeometrie()
{
    QFETCH(QString, jeu);
    QFETCH(QString, cible);
    QFETCH(bool, sansProjection);
    QFETCH(QString, compteRendu);
    QFETCH(QString, sortie);
    QFETCH(QString, systeme);
    if (!traducteur_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    QTemporaryDir cibles;
    const QString source = Echantillons() + u'/' + jeu;
    QStringList ligne{u"--format-source"_s, jeu.left(3), u"--format-cible"_s, cible, u"--source"_s, source,
                      u"--cible"_s, cibles.path()};
    if (sansProjection)
        ligne << u"--sans-projection-fichier"_s;
    const Execution e = Lance(ligne);
    const QString premiere = e.sortie.section(u'\n', 0, 0);
    // L'état, puis la raison qui suit le nom du fichier.
    const qsizetype deuxPoints = compteRendu.indexOf(u" : "_s) + 3;
    QVERIFY2(premiere.startsWith(compteRendu.left(deuxPoints)) && premiere.contains(compteRendu.mid(deuxPoints)),
             qPrintable(e.sortie + e.erreurs));
    if (sortie.isEmpty()) {
        QCOMPARE(QDir(cibles.path()).entryList(QDir::Files), QStringList{});
        return;
    }
    QVERIFY2(QFile::exists(cibles.path() + u'/' + sortie), qPrintable(e.sortie));
    if (systeme.isEmpty())
        return;
    GDALDatasetUniquePtr ds(GDALDataset::Open((cibles.path() + u'/' + sortie).toUtf8().constData(), GDAL_OF_VECTOR));
    QVERIFY(ds);
    const OGRSpatialReference *srs = ds->GetLayer(0)->GetSpatialRef();
    QVERIFY(srs);
    QCOMPARE(srs->IsProjected() ? u"projeté"_s : srs->IsLocal() ? u"local"_s : u"autre"_s, systeme);
    if (systeme == u"projeté"_s)
        QCOMPARE(srs->GetUTMZone(), 13); // Zone 13 de la section PRJ
}

void TestLot::rapportCsv_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("cible");
    QTest::addColumn<QString>("ligne");
    // Le feuillet 1:20 000 donne sa zone MTM ; la couverture du 1:250 000 garde sa section PRJ (UTM 18).
    QTest::newRow("feuillet") << u"dxf"_s << u"mif"_s
                              << u"%1/31h05ne/batiments.dxf;%2/31h05ne/batiments.mif;traduit;;"
                                 u"CoordSys Earth Projection 8,74,7,-73.5,0,0.9999,304800,0;feuillet;"_s;
    QTest::newRow("section PRJ de l'E00") << u"e00"_s << u"tab"_s
                                          << u"%1/31g/sommets.e00;%2/31g/sommets.tab;traduit;;;fichier;"_s;
}

void TestLot::rapportCsv()
{
    QFETCH(QString, source);
    QFETCH(QString, cible);
    QFETCH(QString, ligne);
    if (!traducteur_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    QTemporaryDir sortie;
    // La destination manque mais son parent existe : elle est créée.
    const QString destination = sortie.path() + u"/neuf"_s, csv = sortie.path() + u"/rapport.csv"_s;
    const QString demo = QStringLiteral(QUORVALE_SOURCES) + u"/demo"_s;
    const Execution e = Lance({u"--format-source"_s, source, u"--format-cible"_s, cible, u"--source"_s, demo,
                               u"--cible"_s, destination, u"--sous-dossiers"_s, u"--rapport"_s, csv,
                               u"--feuillets"_s, u"--mtm"_s, u"--nad83"_s, u"--projection"_s,
                               u"CoordSys NonEarth Projection 0, 7"_s});
    QVERIFY2(e.code == 0, qPrintable(e.sortie + e.erreurs));
    QFile f(csv);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()), u"source;destination;etat;raison;systeme;regle;avertissement\n"_s
                                                 + ligne.arg(demo.toLower(), destination) + u'\n');
}

void TestLot::sourcesIntactes()
{
    QCOMPARE(Empreintes(Echantillons()), empreintes_);
}

// Valeurs publiées de FNV-1a 64 ; la casse et le "/" de tête n'y changent rien.
void TestLot::empreinteChemin()
{
    QCOMPARE(EmpreinteChemin(QString()), Q_UINT64_C(0xcbf29ce484222325));
    QCOMPARE(EmpreinteChemin(u"a"_s), Q_UINT64_C(0xaf63dc4c8601ec8c));
    QCOMPARE(EmpreinteChemin(u"/FooBar"_s), Q_UINT64_C(0x85944171f73967e8));
    QCOMPARE(EmpreinteChemin(u"Sous/ÉTÉ.SHP"_s), EmpreinteChemin(u"sous/été.shp"_s));
    QVERIFY(DansPartie(u"x.shp"_s, 1, 1));
}

// Trois parties, l'une après l'autre : le même arbre, octet pour octet, que le traitement entier ;
// chaque source dans un seul rapport.
void TestLot::partiesCommeLaSuite()
{
    if (!traducteur_)
        QSKIP("traducteur absent");
    QTemporaryDir dossier;
    const QStringList ligne{u"--format-source"_s, u"shp"_s, u"--format-cible"_s, u"tab"_s,
                            u"--source"_s, Echantillons() + u"/shp"_s, u"--sous-dossiers"_s};
    QCOMPARE(Lance(ligne + QStringList{u"--cible"_s, dossier.filePath(u"seq"_s)}).code, 1);
    QStringList vues;
    for (int k = 1; k <= 3; ++k) {
        const QString rapport = dossier.filePath(u"r%1.csv"_s.arg(k));
        const Execution e = Lance(ligne + QStringList{u"--cible"_s, dossier.filePath(u"par"_s), u"--partie"_s,
                                                      u"%1/3"_s.arg(k), u"--rapport"_s, rapport});
        QVERIFY2(e.code == 0 || e.code == 1, qPrintable(e.erreurs)); // 1 : la part tient un fichier illisible
        QFile f(rapport);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lignes = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts).mid(1);
        QVERIFY2(!lignes.isEmpty(), qPrintable(rapport));
        for (const QString &l : lignes)
            vues << l.section(u';', 0, 0);
    }
    const QMap<QString, QByteArray> attendu = Empreintes(dossier.filePath(u"seq"_s));
    QVERIFY(attendu.size() > 20);
    QCOMPARE(Empreintes(dossier.filePath(u"par"_s)), attendu);
    QCOMPARE(vues.size(), QSet<QString>(vues.cbegin(), vues.cend()).size());
    QCOMPARE(vues.size(), 15);
}

// Deux parts en même temps sous GNU parallel, chacune avec son dossier temporaire.
void TestLot::partiesSousParallel()
{
    if (!traducteur_)
        QSKIP("traducteur absent");
    if (QStandardPaths::findExecutable(u"parallel"_s).isEmpty())
        QSKIP("GNU parallel absent : installer le paquet Debian « parallel » (scripts/installe.sh)");
    QTemporaryDir dossier;
    const QStringList ligne{u"--format-source"_s, u"mif"_s, u"--format-cible"_s, u"tab"_s,
                            u"--source"_s, Echantillons() + u"/mif"_s, u"--sous-dossiers"_s, u"--cible"_s};
    (void)Lance(ligne + QStringList{dossier.filePath(u"seq"_s)});
    QProcess p;
    // parallel passe la commande au shell : les chemins des essais n'ont pas d'espace.
    const QString commande = u"mkdir -p %1/t{} && TMPDIR=%1/t{} %2 %3 %4 --partie {}/2"_s.arg(
        dossier.path(), QStringLiteral(QUORVALE_LOT), ligne.join(u' '), dossier.filePath(u"par"_s));
    p.start(u"parallel"_s, {u"--will-cite"_s, commande, u":::"_s, u"1"_s, u"2"_s});
    QVERIFY(p.waitForFinished(600000));
    const QMap<QString, QByteArray> attendu = Empreintes(dossier.filePath(u"seq"_s));
    QVERIFY(attendu.size() > 20);
    QCOMPARE(Empreintes(dossier.filePath(u"par"_s)), attendu);
}

QTEST_GUILESS_MAIN(TestLot)
// « Regrouper les couches » : la table réunit les colonnes de toutes les couches (l'union, avec la
// couche) et garde les objets texte avec leur chaîne.
void TestLot::regroupementGardeTout()
{
    if (!traducteur_)
        QSKIP("Le traducteur et le serveur MapInfo ne sont pas construits.");
    QTemporaryDir source, sortie;
    QFile dessin(source.filePath(u"deux.dxf"_s));
    QVERIFY(dessin.open(QIODevice::WriteOnly));
    const auto point = [](const char *calque, const char *x, const char *nom, const char *valeur) {
        return QByteArray("0\nPOINT\n8\n") + calque + "\n10\n" + x + "\n20\n2.0\n1001\nQUORVALE\n1002\n{\n1000\n" + nom
            + "\n1000\n" + valeur + "\n1002\n}\n";
    };
    dessin.write("0\nSECTION\n2\nENTITIES\n" + point("A", "1.0", "nom", "alpha") + point("B", "3.0", "rang", "7")
                 + "0\nTEXT\n8\nB\n10\n5.0\n20\n6.0\n40\n2.0\n1\n\xc3\x89tiquette\n0\nENDSEC\n0\nEOF\n");
    dessin.close();
    const Execution e = Lance({u"--format-source"_s, u"dxf"_s, u"--format-cible"_s, u"tab"_s, u"--source"_s, source.path(),
                               u"--cible"_s, sortie.path(), u"--regrouper-couches"_s});
    QVERIFY2(e.code == 0, qPrintable(e.sortie + e.erreurs));
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(QFile::encodeName(sortie.filePath(u"deux.tab"_s)).constData(), GDAL_OF_VECTOR));
    QVERIFY(ds);
    OGRLayer *couche = ds->GetLayer(0);
    QStringList colonnes, valeurs;
    for (int i = 0; i < couche->GetLayerDefn()->GetFieldCount(); ++i)
        colonnes << QString::fromUtf8(couche->GetLayerDefn()->GetFieldDefn(i)->GetNameRef());
    QCOMPARE(colonnes, (QStringList{u"Couche"_s, u"nom"_s, u"rang"_s}));
    for (auto &f : *couche)
        valeurs << QString::fromUtf8(f->GetFieldAsString(0)) + u'|' + QString::fromUtf8(f->GetFieldAsString(1)) + u'|'
                       + QString::fromUtf8(f->GetFieldAsString(2)) + u'|'
                       + (QByteArray(f->GetStyleString()).startsWith("LABEL(") ? QString::fromUtf8(f->GetStyleString()).section(u'"', 1, 1) : QString());
    QCOMPARE(valeurs, (QStringList{u"A|alpha||"_s, u"B||7|"_s, u"B|||Étiquette"_s}));
}

#include "tst_lot.moc"
