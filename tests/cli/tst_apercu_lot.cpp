// L'aperçu de quorvale-lot : il n'écrit rien, et ce qu'il annonce est ce que fait le traitement
// qui le suit, fichier par fichier.
#include "fakes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

namespace {

// Chaque entrée d'un dossier (fichiers, dossiers, liens) et l'empreinte des fichiers.
QMap<QString, QByteArray> Arbre(const QString &dossier)
{
    QMap<QString, QByteArray> arbre;
    QDirIterator it(dossier, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        QFile fichier(f);
        arbre[f.mid(dossier.size())] = it.fileInfo().isFile() && fichier.open(QIODevice::ReadOnly)
                                           ? QCryptographicHash::hash(fichier.readAll(), QCryptographicHash::Sha1)
                                           : QByteArray("·");
    }
    return arbre;
}

// La colonne etat (et la raison) de chaque source d'un CSV du rapport.
QMap<QString, QStringList> Lignes(const QString &csv)
{
    QFile f(csv);
    QMap<QString, QStringList> lignes;
    if (!f.open(QIODevice::ReadOnly))
        return lignes;
    const QStringList rangs = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts).mid(1);
    for (const QString &rang : rangs) {
        const QStringList champs = rang.split(u';');
        lignes[champs.value(0).section(u'/', -1)] = {champs.value(2), champs.value(3)};
    }
    return lignes;
}

} // namespace

class TestApercuLot : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        environnement_ = std::make_unique<EnvironnementIsole>();
        const QString mapinfo = qEnvironmentVariable("QUORVALE_DOSSIER_MAPINFO");
        if (!QFile::exists(mapinfo + u"/UT/imut"_s))
            QSKIP("Le traducteur n'est pas construit.");
        QCOMPARE(QProcess::execute(mapinfo + u"/mapinfow"_s, {u"--regserver"_s}), 0);
    }

    void annonceCeQueFaitLeTraitement_data()
    {
        QTest::addColumn<bool>("remplacer");
        QTest::addColumn<bool>("versLaSource");
        QTest::addColumn<QStringList>("actions"); // r1, r2, r3, tube
        QTest::newRow("sans remplacer") << false << false
                                        << QStringList{u"traduire"_s, u"ignorer"_s, u"remplacer"_s, u"refuser"_s};
        QTest::newRow("--remplacer") << true << false
                                     << QStringList{u"traduire"_s, u"remplacer"_s, u"remplacer"_s, u"refuser"_s};
        QTest::newRow("destination = source") << false << true
                                              << QStringList{u"refuser"_s, u"refuser"_s, u"refuser"_s, u"refuser"_s};
    }

    void annonceCeQueFaitLeTraitement()
    {
        QFETCH(bool, remplacer);
        QFETCH(bool, versLaSource);
        QFETCH(QStringList, actions);
        QTemporaryDir racine;
        const QString src = racine.filePath(u"21l14se"_s), dst = racine.filePath(u"dst"_s),
                      tmp = racine.filePath(u"tmp"_s), conf = racine.filePath(u"conf"_s);
        for (const QString &d : {src, dst, tmp, conf})
            QVERIFY(QDir().mkpath(d));
        const QString demo = QStringLiteral(QUORVALE_DEMO) + u"/21l14se/rivieres"_s;
        for (const QString &base : {u"r1"_s, u"r2"_s, u"r3"_s})
            for (const QString &ext : {u".shp"_s, u".shx"_s, u".dbf"_s})
                QVERIFY(QFile::copy(demo + ext, src + u'/' + base + ext));
        QCOMPARE(::mkfifo(QFile::encodeName(src + u"/tube.shp"_s).constData(), 0600), 0);
        // r2 déjà traduit avec son .prj, r3 copié plus tôt sans le sien.
        essai::Ecrit(dst + u"/r2.shp"_s, "ancien");
        essai::Ecrit(dst + u"/r2.prj"_s, "ancien");
        essai::Ecrit(dst + u"/r3.shp"_s, "ancien");

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"TMPDIR"_s, tmp);
        env.insert(u"XDG_CONFIG_HOME"_s, conf);
        QDir().mkpath(conf + u"/registre"_s);
        QFile::copy(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/registre/HKEY_CLASSES_ROOT.ini"_s,
                    conf + u"/registre/HKEY_CLASSES_ROOT.ini"_s);
        QStringList ligne{u"--format-source"_s, u"shp"_s, u"--format-cible"_s, u"shp"_s, u"--source"_s, src,
                          u"--cible"_s, versLaSource ? src : dst};
        if (remplacer)
            ligne << u"--remplacer"_s;
        auto lance = [&](const QStringList &plus) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(QUORVALE_LOT), ligne + plus);
            p.waitForFinished(300000);
            return p.exitCode();
        };

        const auto avant = std::make_tuple(Arbre(src), Arbre(dst), Arbre(tmp), Arbre(conf));
        QCOMPARE(lance({u"--apercu"_s, u"--rapport"_s, racine.filePath(u"apercu.csv"_s)}), 0);
        QVERIFY(avant == std::make_tuple(Arbre(src), Arbre(dst), Arbre(tmp), Arbre(conf)));

        const auto prevu = Lignes(racine.filePath(u"apercu.csv"_s));
        const QStringList noms{u"r1.shp"_s, u"r2.shp"_s, u"r3.shp"_s, u"tube.shp"_s};
        QStringList lues;
        for (const QString &n : noms)
            lues << prevu.value(n).value(0);
        QCOMPARE(lues, actions);

        (void)lance({u"--rapport"_s, racine.filePath(u"rapport.csv"_s)});
        const auto fait = Lignes(racine.filePath(u"rapport.csv"_s));
        QCOMPARE(fait.keys(), prevu.keys());
        for (const QString &n : noms) {
            const QString action = prevu[n].value(0), etat = fait[n].value(0);
            if (action == u"traduire"_s || action == u"remplacer"_s)
                QVERIFY2(etat == u"traduit"_s, qPrintable(n + u" : "_s + etat));
            else if (action == u"ignorer"_s)
                QVERIFY2(etat == u"ignore"_s && fait[n].value(1) == prevu[n].value(1), qPrintable(n));
            else // refusé : la même raison, ignoré pour protéger une source ou en échec
                QVERIFY2((etat == u"ignore"_s || etat == u"echec"_s) && fait[n].value(1) == prevu[n].value(1),
                         qPrintable(n + u" : "_s + fait[n].join(u" | "_s) + u" / "_s + prevu[n].join(u" | "_s)));
        }
        QCOMPARE(Arbre(tmp), (QMap<QString, QByteArray>{}));
    }

private:
    std::unique_ptr<EnvironnementIsole> environnement_;
};

QTEST_GUILESS_MAIN(TestApercuLot)
#include "tst_apercu_lot.moc"
