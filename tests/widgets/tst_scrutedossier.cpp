#include "scrutedossier.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

namespace {

void Cree(const QString &racine, const QStringList &chemins)
{
    for (const QString &c : chemins) {
        const QString complet = racine + u'/' + c;
        if (c.endsWith(u'/')) {
            QDir().mkpath(complet);
            continue;
        }
        QDir().mkpath(complet.left(complet.lastIndexOf(u'/')));
        QFile f(complet);
        if (f.open(QIODevice::WriteOnly))
            f.write("abc");
    }
}

// Le journal des événements, chemins relatifs au dossier de départ.
struct Journal {
    QStringList evenements;
    QString racine;
    void Branche(TScruteDossier &s)
    {
        s.OnFichier = [this](TScruteDossier &, const QString &nom) { evenements << u"F "_s + Relatif(nom); };
        s.OnDossier = [this](TScruteDossier &, const QString &nom) { evenements << u"D "_s + Relatif(nom); };
        s.OnExecute = [this](TScruteDossier &) { evenements << u"debut"_s; };
        s.OnFinExecute = [this](TScruteDossier &) { evenements << u"fin"_s; };
    }
    QString Relatif(const QString &nom) const { return nom.startsWith(racine) ? nom.mid(racine.size()) : nom; }
};

// Dans un même dossier l'ordre est celui du système : on trie les lignes de chaque bloc contigu
// de fichiers pour comparer sans dépendre de lui.
QStringList BlocsTries(QStringList l)
{
    qsizetype i = 0;
    while (i < l.size()) {
        qsizetype j = i;
        while (j < l.size() && l[j].startsWith(u"F "_s))
            ++j;
        std::sort(l.begin() + i, l.begin() + j);
        i = j + 1;
    }
    return l;
}

} // namespace

class TestScruteDossier : public QObject {
    Q_OBJECT

private slots:
    void ordreDesMotifs_data();
    void ordreDesMotifs();
    void profondeur_data();
    void profondeur();
    void arret_data();
    void arret();
    void dossierAbsent();
    void barreFinaleNonDoublee();
    void exceptionSansFin();
    void lienVersUnParent();
};


void TestScruteDossier::ordreDesMotifs_data()
{
    QTest::addColumn<QString>("filtre");
    QTest::addColumn<QStringList>("attendu");
    QTest::newRow("shp puis dbf, puis descente")
        << u"*.shp;*.dbf"_s
        << QStringList{u"debut"_s, u"F /a.shp"_s, u"F /B.SHP"_s, u"F /a.dbf"_s, u"D /sous"_s, u"F /sous/c.shp"_s, u"fin"_s};
    QTest::newRow("point-virgule final sans effet")
        << u"*.shp;"_s
        << QStringList{u"debut"_s, u"F /a.shp"_s, u"F /B.SHP"_s, u"D /sous"_s, u"F /sous/c.shp"_s, u"fin"_s};
    QTest::newRow("motif vide entre deux ne trouve rien")
        << u"a.dbf;;b.shp"_s
        << QStringList{u"debut"_s, u"F /a.dbf"_s, u"F /B.SHP"_s, u"D /sous"_s, u"fin"_s};
    QTest::newRow("fichier de deux motifs annoncé deux fois")
        << u"a.*;*.dbf"_s
        << QStringList{u"debut"_s, u"F /a.dbf"_s, u"F /a.shp"_s, u"F /a.dbf"_s, u"D /sous"_s, u"fin"_s};
    QTest::newRow("point d'interrogation et casse")
        << u"?.ShP"_s
        << QStringList{u"debut"_s, u"F /a.shp"_s, u"F /B.SHP"_s, u"D /sous"_s, u"F /sous/c.shp"_s, u"fin"_s};
    QTest::newRow("dossier au nom du motif jamais annoncé comme fichier")
        << u"sous*"_s
        << QStringList{u"debut"_s, u"D /sous"_s, u"fin"_s};
}

void TestScruteDossier::ordreDesMotifs()
{
    QFETCH(QString, filtre);
    QFETCH(QStringList, attendu);
    QTemporaryDir tmp;
    Cree(tmp.path(), {u"a.shp"_s, u"B.SHP"_s, u"a.dbf"_s, u"sous/c.shp"_s, u"sous/c.txt"_s});
    TScruteDossier s;
    Journal j;
    j.racine = tmp.path();
    j.Branche(s);
    s.Dossier = tmp.path();
    s.Filtre = filtre;
    s.Execute();
    QCOMPARE(BlocsTries(j.evenements), BlocsTries(attendu));
}

void TestScruteDossier::profondeur_data()
{
    QTest::addColumn<bool>("sousDossier");
    QTest::addColumn<int>("maxPenetration");
    QTest::addColumn<QStringList>("attendu");
    const QStringList premierNiveau{u"F /r.txt"_s, u"D /n1"_s};
    QTest::newRow("sans sous-dossiers : n1 annoncé, pas lu")
        << false << 10000 << QStringList{u"F /r.txt"_s, u"D /n1"_s};
    QTest::newRow("niveau 0 seulement")
        << true << 0 << QStringList{u"F /r.txt"_s, u"D /n1"_s};
    QTest::newRow("niveau 1 : n2 annoncé, pas lu")
        << true << 1 << QStringList{u"F /r.txt"_s, u"D /n1"_s, u"F /n1/u.txt"_s, u"D /n1/n2"_s};
    QTest::newRow("négatif : sans limite")
        << true << -1
        << QStringList{u"F /r.txt"_s, u"D /n1"_s, u"F /n1/u.txt"_s, u"D /n1/n2"_s, u"F /n1/n2/d.txt"_s};
}

void TestScruteDossier::profondeur()
{
    QFETCH(bool, sousDossier);
    QFETCH(int, maxPenetration);
    QFETCH(QStringList, attendu);
    QTemporaryDir tmp;
    Cree(tmp.path(), {u"r.txt"_s, u"n1/u.txt"_s, u"n1/n2/d.txt"_s});
    TScruteDossier s;
    Journal j;
    j.racine = tmp.path();
    j.Branche(s);
    s.OnExecute = nullptr;
    s.OnFinExecute = nullptr;
    s.Dossier = tmp.path();
    s.SousDossier = sousDossier;
    s.MaxPenetration = maxPenetration;
    s.Execute();
    QCOMPARE(j.evenements, attendu);
}

void TestScruteDossier::arret_data()
{
    QTest::addColumn<QString>("ou");
    QTest::addColumn<QStringList>("attendu");
    QTest::newRow("dans OnExecute : sans effet")
        << u"debut"_s << QStringList{u"debut"_s, u"F /a.txt"_s, u"D /s"_s, u"F /s/b.txt"_s, u"fin"_s};
    QTest::newRow("dans OnFichier : fin après ce fichier")
        << u"F /a.txt"_s << QStringList{u"debut"_s, u"F /a.txt"_s, u"fin"_s};
    QTest::newRow("dans OnDossier : pas de descente")
        << u"D /s"_s << QStringList{u"debut"_s, u"F /a.txt"_s, u"D /s"_s, u"fin"_s};
}

void TestScruteDossier::arret()
{
    QFETCH(QString, ou);
    QFETCH(QStringList, attendu);
    QTemporaryDir tmp;
    Cree(tmp.path(), {u"a.txt"_s, u"s/b.txt"_s});
    TScruteDossier s;
    Journal j;
    j.racine = tmp.path();
    j.Branche(s);
    auto fichier = s.OnFichier;
    auto dossier = s.OnDossier;
    s.OnExecute = [&](TScruteDossier &e) {
        j.evenements << u"debut"_s;
        e.Arret = (ou == u"debut"_s);
    };
    s.OnFichier = [&](TScruteDossier &e, const QString &n) {
        fichier(e, n);
        e.Arret = (j.evenements.last() == ou);
    };
    s.OnDossier = [&](TScruteDossier &e, const QString &n) {
        dossier(e, n);
        e.Arret = (j.evenements.last() == ou);
    };
    s.Dossier = tmp.path();
    s.Execute();
    QCOMPARE(j.evenements, attendu);
}

void TestScruteDossier::dossierAbsent()
{
    QTemporaryDir tmp;
    for (const QString &dossier : {tmp.path() + u"/absent"_s, QString()}) {
        TScruteDossier s;
        Journal j;
        j.Branche(s);
        s.Dossier = dossier;
        s.Execute();
        QCOMPARE(j.evenements, (QStringList{u"debut"_s, u"fin"_s}));
    }
}

void TestScruteDossier::barreFinaleNonDoublee()
{
    QTemporaryDir tmp;
    Cree(tmp.path(), {u"x/Carte.DXF"_s});
    TScruteDossier s;
    QStringList vus;
    s.OnFichier = [&](TScruteDossier &, const QString &n) { vus << n; };
    s.OnDossier = [&](TScruteDossier &, const QString &n) { vus << n; };
    s.Dossier = tmp.path() + u'/';
    s.Execute();
    QCOMPARE(vus, (QStringList{tmp.path() + u"/x"_s, tmp.path() + u"/x/Carte.DXF"_s}));
    QCOMPARE(s.FichierCourant(), tmp.path() + u"/x/Carte.DXF"_s);
    QCOMPARE(s.DossierCourant(), tmp.path() + u"/x"_s);
}

void TestScruteDossier::exceptionSansFin()
{
    QTemporaryDir tmp;
    Cree(tmp.path(), {u"a.txt"_s});
    TScruteDossier s;
    bool fin = false;
    s.OnFichier = [](TScruteDossier &, const QString &) { throw std::runtime_error("x"); };
    s.OnFinExecute = [&](TScruteDossier &) { fin = true; };
    s.Dossier = tmp.path();
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, s.Execute());
    QVERIFY(!fin);
}


void TestScruteDossier::lienVersUnParent()
{
    QTemporaryDir tmp;
    Cree(tmp.path(), {u"s/a.txt"_s});
    QVERIFY(QFile::link(tmp.path() + u"/s"_s, tmp.path() + u"/s/boucle"_s));
    TScruteDossier s;
    Journal j;
    j.racine = tmp.path();
    j.Branche(s);
    s.Dossier = tmp.path();
    s.Execute();
    QCOMPARE(j.evenements, (QStringList{u"debut"_s, u"D /s"_s, u"F /s/a.txt"_s, u"D /s/boucle"_s, u"fin"_s}));
}

QTEST_GUILESS_MAIN(TestScruteDossier)
#include "tst_scrutedossier.moc"
