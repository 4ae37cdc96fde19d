#include "catalogue.h"
#include "erreur.h"
#include "essais.h"
#include "prj.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

Q_DECLARE_METATYPE(quorvale::ResultatPrj)

namespace {

const Catalogue &PetitCatalogue()
{
    static const Catalogue catalogue = AnalyseCatalogue({
        u"\"--- Projections ---\""_s,
        u"\"UTM Zone 18 (NAD 83)\", 8, 74, 7, -75, 0, 0.9996, 500000, 0"_s,
        u"\"Québec MTM Zone 8 (NAD 83)\", 8,74,7,-73.5,0,0.9999,304800,0"_s,
        u"\"Doublon MTM 8\", 8,74,7,-73.5,0,0.9999,304800,0"_s,
        u"\"Sans texte\", 3, 74, 7, -68.5, 44, 60, 46, 0, 0"_s,
        u"\"Non-Terrestre (mètres)\", 0, 7"_s,
        u"\"non-terrestre pieds\", 0, 3"_s,
    });
    return catalogue;
}

} // namespace

class TestPrj : public QObject {
    Q_OBJECT

private slots:
    void ecritPrj_data();
    void ecritPrj();
    void remplaceUnFichierExistant();
    void texteIntrouvable();
    void catalogueLivre_data();
    void catalogueLivre();
};

void TestPrj::ecritPrj_data()
{
    QTest::addColumn<QString>("clause");
    QTest::addColumn<ResultatPrj>("resultat");
    QTest::addColumn<QByteArray>("contenu");
    QTest::newRow("entrée du catalogue") << u"CoordSys Earth Projection 8, 74, 7, -75, 0, 0.9996, 500000, 0"_s
                                         << ResultatPrj::Ecrit << QByteArray("PROJCS[\"UTM 18\"]]");
    QTest::newRow("doublon : le premier") << u"CoordSys Earth Projection 8,74,7,-73.5,0,0.9999,304800,0"_s
                                          << ResultatPrj::Ecrit << QByteArray("PROJCS[\"MTM 8 \xE9\"]]");
    QTest::newRow("non terrestre") << u"CoordSys NonEarth Projection 0, 7"_s << ResultatPrj::NonTerrestre
                                   << QByteArray();
    QTest::newRow("non terrestre en minuscules") << u"CoordSys NonEarth Projection 0, 3"_s
                                                 << ResultatPrj::NonTerrestre << QByteArray();
    QTest::newRow("blancs qui diffèrent") << u"CoordSys Earth Projection 8,74,7,-75,0,0.9996,500000,0"_s
                                          << ResultatPrj::Introuvable << QByteArray();
}

void TestPrj::ecritPrj()
{
    QFETCH(QString, clause);
    QFETCH(ResultatPrj, resultat);
    QFETCH(QByteArray, contenu);
    QTemporaryDir dossier;
    const QString racine = dossier.filePath(u"prj"_s);
    QVERIFY(EcritOctets(racine + u"/UTM_ZONE_18__NAD_83_"_s, "PROJCS[\"UTM 18\"]]"));
    QVERIFY(EcritOctets(racine + u"/QUEBEC_MTM_ZONE_8__NAD_83_"_s, "PROJCS[\"MTM 8 \xE9\"]]"));
    QVERIFY(EcritOctets(racine + u"/DOUBLON_MTM_8"_s, "autre"));
    const QString cible = dossier.filePath(u"sortie/routes.prj"_s);
    QVERIFY(QDir().mkpath(dossier.filePath(u"sortie"_s)));
    QCOMPARE(EcritPrj(PetitCatalogue(), clause, cible, racine), resultat);
    QCOMPARE(QFileInfo::exists(cible), !contenu.isEmpty());
    QCOMPARE(LitOctets(cible), contenu);
}

void TestPrj::remplaceUnFichierExistant()
{
    QTemporaryDir dossier;
    const QString racine = dossier.filePath(u"prj"_s);
    QVERIFY(EcritOctets(racine + u"/UTM_ZONE_18__NAD_83_"_s, "PROJCS[\"UTM 18\"]]"));
    const QString cible = dossier.filePath(u"routes.prj"_s);
    QVERIFY(EcritOctets(cible, "un ancien texte bien plus long que le nouveau"));
    QCOMPARE(EcritPrj(PetitCatalogue(), u"CoordSys Earth Projection 8, 74, 7, -75, 0, 0.9996, 500000, 0"_s, cible, racine),
             ResultatPrj::Ecrit);
    QCOMPARE(LitOctets(cible), QByteArray("PROJCS[\"UTM 18\"]]"));
}

void TestPrj::texteIntrouvable()
{
    QTemporaryDir dossier;
    const QString cible = dossier.filePath(u"routes.prj"_s);
    try {
        EcritPrj(PetitCatalogue(), u"CoordSys Earth Projection 3, 74, 7, -68.5, 44, 60, 46, 0, 0"_s, cible,
                 dossier.filePath(u"prj"_s));
        QFAIL("pas d'erreur");
    } catch (const Erreur &e) {
        QCOMPARE(e.texte(), u"Ressource Sans_texte non trouvée"_s);
    }
    QVERIFY(!QFileInfo::exists(cible));
}

void TestPrj::catalogueLivre_data()
{
    QTest::addColumn<QString>("clause");
    QTest::addColumn<QString>("nom");
    // Les clauses que donnent les feuillets : MTM 3 à 10 et UTM 17 à 21, NAD 83 et NAD 27.
    const char *const mtm[][2] = {{"79.5", "10"}, {"76.5", "9"}, {"73.5", "8"}, {"70.5", "7"},
                                  {"67.5", "6"},  {"64.5", "5"}, {"61.5", "4"}, {"58.5", "3"}};
    for (const auto &[meridien, zone] : mtm) {
        QTest::addRow("MTM %s NAD 83", zone) << u"CoordSys Earth Projection 8,74,7,-%1,0,0.9999,304800,0"_s.arg(
                                                    QLatin1String(meridien))
                                             << u"QUEBEC_MTM_ZONE_%1__NAD_83_"_s.arg(QLatin1String(zone));
        QTest::addRow("MTM %s NAD 27", zone) << u"CoordSys Earth Projection 8,66,7,-%1,0,0.9999,304800,0"_s.arg(
                                                    QLatin1String(meridien))
                                             << u"QUEBEC_MTM_ZONE_%1__NAD_27_"_s.arg(QLatin1String(zone));
    }
    const char *const utm[][2] = {{"81", "17"}, {"75", "18"}, {"69", "19"}, {"63", "20"}, {"57", "21"}};
    for (const auto &[meridien, zone] : utm) {
        QTest::addRow("UTM %s NAD 83", zone) << u"CoordSys Earth Projection 8,74,7,-%1,0,0.9996,500000,0"_s.arg(
                                                    QLatin1String(meridien))
                                             << u"QUEBEC_UTM_ZONE_%1__NAD_83_"_s.arg(QLatin1String(zone));
        QTest::addRow("UTM %s NAD 27", zone) << u"CoordSys Earth Projection 8,66,7,-%1,0,0.9996,500000,0"_s.arg(
                                                    QLatin1String(meridien))
                                             << u"QUEBEC_UTM_ZONE_%1__NAD_27_"_s.arg(QLatin1String(zone));
    }
}

void TestPrj::catalogueLivre()
{
    QFETCH(QString, clause);
    QFETCH(QString, nom);
    const QString fichier = QStringLiteral(QUORVALE_CATALOGUE_LIVRE);
    if (!QFileInfo::exists(fichier) || !QFileInfo::exists(QStringLiteral(QUORVALE_SOURCES) + u"/resources/CMakeLists.txt"_s))
        QSKIP("catalogue livré ou textes .prj intégrés absents de cette construction");
    const auto catalogue = ChargeCatalogue(fichier);
    QVERIFY(catalogue);
    const qsizetype i = ChercheParametres(*catalogue, ParametresClause(clause));
    QVERIFY(i >= 0);
    QCOMPARE(catalogue->RessourcesCatalogue[i].toUpper(), nom);
    QTemporaryDir dossier;
    const QString cible = dossier.filePath(u"feuillet.prj"_s);
    QCOMPARE(EcritPrj(*catalogue, clause, cible), ResultatPrj::Ecrit);
    // Octet pour octet, le fichier de données du dépôt.
    const QByteArray attendu = LitOctets(QStringLiteral(QUORVALE_SOURCES) + u"/resources/prj/"_s + nom);
    QVERIFY(attendu.startsWith("PROJCS["));
    QCOMPARE(LitOctets(cible), attendu);
}

QObject *EssaisPrj()
{
    return new TestPrj;
}

#include "tst_prj.moc"
