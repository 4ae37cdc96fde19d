#include "assomots.h"
#include "erreur.h"
#include "essais.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

Q_DECLARE_METATYPE(quorvale::Association)

namespace {

QStringList Mots(const QList<Association> &associations)
{
    QStringList mots;
    for (const Association &a : associations)
        mots << a.Mot;
    return mots;
}

// Un préfixe d'installation (bin, share/quorvale) ou un dossier de construction (bin seul).
void FaitPrefixe(const QString &racine, bool installe)
{
    QVERIFY(QDir().mkpath(racine + u"/bin"_s));
    if (installe)
        QVERIFY(QDir().mkpath(racine + u"/share/quorvale"_s));
}

void Ecrit(const QString &chemin, const QByteArray &contenu)
{
    QVERIFY(QDir().mkpath(QFileInfo(chemin).absolutePath()));
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contenu);
}

} // namespace

class TestAssociations : public QObject {
    Q_OBJECT

private slots:
    void litAssociations_data();
    void litAssociations();
    void texteEnWindows1252();
    void texteEnUtf8Marque();
    void texteQuiCommenceCommeLaMarque();
    void allerRetourParLeFichier();
    void fichierAbsentCreeVide();
    void enregistrementImpossible();
    void ajouteMots();
    void parametresDuMomentDeLAjout();
    void trie_data();
    void trie();
    void cherche_data();
    void cherche();
    void emplacement_data();
    void emplacement();
    void programmeInstalleEnregistreChezLUtilisateur();
};

void TestAssociations::litAssociations_data()
{
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<QList<Association>>("attendu");
    QTest::newRow("ligne complète") << QByteArray("montreal;MTM 8;8, 74;\r\n")
                                    << QList<Association>{{u"montreal"_s, u"MTM 8"_s, u"8, 74"_s}};
    QTest::newRow("windows-1252") << QByteArray("Qu\xE9" "bec;Lambert \x9C" "uvre;3, 74;\r\n")
                                  << QList<Association>{{u"Québec"_s, u"Lambert œuvre"_s, u"3, 74"_s}};
    QTest::newRow("utf-8 marqué") << QByteArray("\xEF\xBB\xBF" "Qu\xC3\xA9" "bec;\xE4\xB8\xAD;0, 7;\r\n")
                                  << QList<Association>{{u"Québec"_s, u"中"_s, u"0, 7"_s}};
    QTest::newRow("utf-8, deux marques") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF" "a;b;c;\r\n")
                                         << QList<Association>{{u"\uFEFFa"_s, u"b"_s, u"c"_s}};
    QTest::newRow("champ sans point-virgule final") << QByteArray("abc;def\r\n")
                                                    << QList<Association>{{u"abc"_s, QString(), QString()}};
    QTest::newRow("ligne sans point-virgule") << QByteArray("abc\r\n")
                                              << QList<Association>{{QString(), QString(), QString()}};
    QTest::newRow("fins LF et dernière ligne sans fin")
        << QByteArray("a;b;c;\nd;e;f;")
        << QList<Association>{{u"a"_s, u"b"_s, u"c"_s}, {u"d"_s, u"e"_s, u"f"_s}};
    QTest::newRow("fichier vide") << QByteArray() << QList<Association>();
}

void TestAssociations::litAssociations()
{
    QFETCH(QByteArray, contenu);
    QFETCH(QList<Association>, attendu);
    QCOMPARE(LitAssociations(contenu), attendu);
}

void TestAssociations::texteEnWindows1252()
{
    const QList<Association> associations{{u"Québec"_s, u"Lambert œuvre"_s, u"3, 74"_s}, {u"a"_s, QString(), QString()}};
    QCOMPARE(TexteAssociations(associations), QByteArray("Qu\xE9" "bec;Lambert \x9C" "uvre;3, 74;\r\na;;;\r\n"));
}

void TestAssociations::texteEnUtf8Marque()
{
    const QList<Association> associations{{u"Québec"_s, u"x"_s, u"1, 0"_s}, {u"中"_s, u"y"_s, u"0, 7"_s}};
    QCOMPARE(TexteAssociations(associations),
             QByteArray("\xEF\xBB\xBF" "Qu\xC3\xA9" "bec;x;1, 0;\r\n\xE4\xB8\xAD;y;0, 7;\r\n"));
}

void TestAssociations::texteQuiCommenceCommeLaMarque()
{
    // En Windows-1252, « ï»¿ » s'écrirait EF BB BF et se relirait comme la marque UTF-8.
    const QList<Association> associations{{u"ï»¿rivière"_s, u"MTM 8"_s, u"8, 74"_s}};
    const QByteArray texte = TexteAssociations(associations);
    QCOMPARE(texte, QByteArray("\xEF\xBB\xBF" "\xC3\xAF\xC2\xBB\xC2\xBF" "rivi\xC3\xA8re;MTM 8;8, 74;\r\n"));
    QCOMPARE(LitAssociations(texte), associations);
}

void TestAssociations::allerRetourParLeFichier()
{
    QTemporaryDir dossier;
    const QString fichier = FichierAssoMots(dossier.path());
    QCOMPARE(fichier, dossier.path() + u"/AssoMots.txt"_s);
    const QList<Association> associations{{u"Québec"_s, u"Lambert"_s, u"3, 74"_s},
                                          {u"Sept-Îles"_s, u"UTM Zone 19 (NAD 83)"_s, u"8, 74, 7, -69"_s},
                                          {u"中"_s, u"Non-Terrestre"_s, u"0, 7"_s}};
    EnregistreAssociations(fichier, associations);
    QCOMPARE(ChargeAssociations(fichier), associations);
    // L'enregistrement remplace le fichier entier, sans reste de l'ancien.
    EnregistreAssociations(fichier, {associations[0]});
    QCOMPARE(LitOctets(fichier), QByteArray("Qu\xE9" "bec;Lambert;3, 74;\r\n"));
    QCOMPARE(QDir(dossier.path()).entryList(QDir::Files), QStringList{u"AssoMots.txt"_s});
}

void TestAssociations::fichierAbsentCreeVide()
{
    QTemporaryDir dossier;
    const QString fichier = FichierAssoMots(dossier.path() + u'/');
    QCOMPARE(ChargeAssociations(fichier), QList<Association>());
    QVERIFY(QFileInfo(fichier).isFile());
    QCOMPARE(QFileInfo(fichier).size(), 0);
}

void TestAssociations::enregistrementImpossible()
{
    QTemporaryDir dossier;
    const QString fichier = dossier.filePath(u"absent/AssoMots.txt"_s);
    try {
        EnregistreAssociations(fichier, {{u"a"_s, u"b"_s, u"c"_s}});
        QFAIL("pas d'erreur");
    } catch (const Erreur &e) {
        QVERIFY2(e.texte().startsWith(u"Impossible de créer le fichier \""_s + fichier + u"\". "_s), qPrintable(e.texte()));
    }
    QVERIFY(!QFileInfo::exists(fichier));
}

void TestAssociations::ajouteMots()
{
    QList<Association> associations{{u"outaouais"_s, u"MTM 9"_s, u"8, 74, 7, -76.5"_s}};
    AjouteMots(associations, {u"OUTAOUAIS"_s, u"Gatineau"_s, u"gatineau"_s, u"QUÉBEC"_s, u"québec"_s}, u"MTM 8"_s,
               u"8, 74, 7, -73.5"_s);
    QCOMPARE(Mots(associations), (QStringList{u"outaouais"_s, u"Gatineau"_s, u"QUÉBEC"_s, u"québec"_s}));
    QCOMPARE(associations[1], (Association{u"Gatineau"_s, u"MTM 8"_s, u"8, 74, 7, -73.5"_s}));
    // Une seconde fois : rien de plus.
    const QList<Association> avant = associations;
    AjouteMots(associations, {u"OUTAOUAIS"_s, u"Gatineau"_s, u"gatineau"_s, u"QUÉBEC"_s, u"québec"_s}, u"X"_s, u"1, 0"_s);
    QCOMPARE(associations, avant);
}

void TestAssociations::parametresDuMomentDeLAjout()
{
    QList<Association> associations;
    AjouteMots(associations, {u"laval"_s}, u"MTM 8"_s, u"8, 74, 7, -73.5"_s);
    AjouteMots(associations, {u"laval"_s, u"gaspe"_s}, u"MTM 5"_s, u"8, 74, 7, -64.5"_s);
    QCOMPARE(associations, (QList<Association>{{u"laval"_s, u"MTM 8"_s, u"8, 74, 7, -73.5"_s},
                                               {u"gaspe"_s, u"MTM 5"_s, u"8, 74, 7, -64.5"_s}}));
}

void TestAssociations::trie_data()
{
    QTest::addColumn<int>("colonne");
    QTest::addColumn<QStringList>("attendu");
    QTest::newRow("mot, casse ignorée") << 0 << QStringList{u"alma"_s, u"Beauce"_s, u"cote"_s};
    QTest::newRow("projection") << 1 << QStringList{u"cote"_s, u"Beauce"_s, u"alma"_s};
    QTest::newRow("paramètres") << 2 << QStringList{u"Beauce"_s, u"alma"_s, u"cote"_s};
}

void TestAssociations::trie()
{
    QFETCH(int, colonne);
    QFETCH(QStringList, attendu);
    QList<Association> associations{{u"cote"_s, u"A"_s, u"8, 3"_s},
                                    {u"Beauce"_s, u"b"_s, u"1, 0"_s},
                                    {u"alma"_s, u"C"_s, u"3, 7"_s}};
    TrieAssociations(associations, colonne);
    QCOMPARE(Mots(associations), attendu);
    // Un second clic trie encore en ordre croissant.
    TrieAssociations(associations, colonne);
    QCOMPARE(Mots(associations), attendu);
}

void TestAssociations::cherche_data()
{
    QTest::addColumn<QString>("chemin");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("casse du mot") << u"c:/data/montreal/roads.dxf"_s << u"Montreal"_s;
    QTest::newRow("la rangée du haut gagne") << u"/montreal/est/x.dxf"_s << u"Montreal"_s;
    QTest::newRow("dans un nom de dossier") << u"/data/Nord-Est/x.dxf"_s << u"est"_s;
    QTest::newRow("dans un mot plus long") << u"/data/test.dxf"_s << u"est"_s;
    QTest::newRow("accents exacts") << u"/QUÉBEC/x.dxf"_s << QString();
    QTest::newRow("accent égal") << u"/vieux-québec/x.dxf"_s << u"québec"_s;
    QTest::newRow("aucun") << u"/data/routes.dxf"_s << QString();
}

void TestAssociations::cherche()
{
    QFETCH(QString, chemin);
    QFETCH(QString, attendu);
    const QList<Association> associations{{QString(), u"vide"_s, u"1, 0"_s},
                                          {u"Montreal"_s, u"MTM 8"_s, u"8, 74"_s},
                                          {u"est"_s, u"MTM 7"_s, u"8, 74"_s},
                                          {u"québec"_s, u"MTM 7"_s, u"8, 74"_s}};
    const Association *trouvee = ChercheAssociation(associations, chemin);
    QCOMPARE(trouvee ? trouvee->Mot : QString(), attendu);
}

QObject *EssaisAssociations()
{
    return new TestAssociations;
}

#include "tst_assomots.moc"

void TestAssociations::emplacement_data()
{
    QTest::addColumn<bool>("installe");
    QTest::addColumn<bool>("fichierPersonnel");
    QTest::addColumn<QString>("lecture");
    QTest::addColumn<QString>("ecriture");
    QTest::newRow("construction") << false << false << u"bin/AssoMots.txt"_s << u"bin/AssoMots.txt"_s;
    QTest::newRow("construction, fichier personnel sans effet")
        << false << true << u"bin/AssoMots.txt"_s << u"bin/AssoMots.txt"_s;
    QTest::newRow("installé, jamais enregistré")
        << true << false << u"share/quorvale/AssoMots.txt"_s << u"config/Olvessa/AssoMots.txt"_s;
    QTest::newRow("installé, déjà enregistré")
        << true << true << u"config/Olvessa/AssoMots.txt"_s << u"config/Olvessa/AssoMots.txt"_s;
}

void TestAssociations::emplacement()
{
    QFETCH(bool, installe);
    QFETCH(bool, fichierPersonnel);
    QFETCH(QString, lecture);
    QFETCH(QString, ecriture);
    QTemporaryDir dossier;
    const QString racine = dossier.path();
    FaitPrefixe(racine, installe);
    if (fichierPersonnel)
        Ecrit(racine + u"/config/Olvessa/AssoMots.txt"_s, "a;b;c;\r\n");
    const EmplacementAssoMots e = EmplacementAssociations(racine + u"/bin"_s, racine + u"/config"_s);
    QCOMPARE(e.lecture, racine + u'/' + lecture);
    QCOMPARE(e.ecriture, racine + u'/' + ecriture);
}

void TestAssociations::programmeInstalleEnregistreChezLUtilisateur()
{
    QTemporaryDir dossier;
    const QString racine = dossier.path(), bin = racine + u"/bin"_s, config = racine + u"/config"_s;
    const QString livre = racine + u"/share/quorvale/AssoMots.txt"_s;
    const QString personnel = config + u"/Olvessa/AssoMots.txt"_s;
    FaitPrefixe(racine, true);
    // Sans associations livrées : une liste vide, et rien n'est créé.
    QVERIFY(ChargeAssociations(EmplacementAssociations(bin, config)).isEmpty());
    QVERIFY(!QFileInfo::exists(livre) && !QFileInfo::exists(personnel) && !QFileInfo::exists(bin + u"/AssoMots.txt"_s));

    Ecrit(livre, "montreal;MTM 8;8, 74;\r\n");
    auto associations = ChargeAssociations(EmplacementAssociations(bin, config));
    QCOMPARE(Mots(associations), QStringList{u"montreal"_s});
    QVERIFY(!QFileInfo::exists(personnel));
    // Le premier enregistrement part des associations livrées et crée le dossier Olvessa.
    AjouteMots(associations, {u"Gaspé"_s}, u"MTM 5"_s, u"5, 74"_s);
    EnregistreAssociations(EmplacementAssociations(bin, config), associations);
    QFile f(personnel);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("montreal;MTM 8;8, 74;\r\nGasp\xE9;MTM 5;5, 74;\r\n"));
    QFile l(livre);
    QVERIFY(l.open(QIODevice::ReadOnly));
    QCOMPARE(l.readAll(), QByteArray("montreal;MTM 8;8, 74;\r\n"));
    QCOMPARE(Mots(ChargeAssociations(EmplacementAssociations(bin, config))), (QStringList{u"montreal"_s, u"Gaspé"_s}));
    QVERIFY(!QFileInfo::exists(bin + u"/AssoMots.txt"_s));
}
