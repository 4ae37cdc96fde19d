// La zone de chaque carte 1:250 000 du Québec et d'un échantillon de ses feuillets, recalculée ici
// à partir du quadrillage du Système national de référence cartographique.
#include "essais.h"
#include "feuillet.h"

#include <QTest>

#include <cstring>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;

namespace {

// Les cartes de chaque série, rangée par rangée du sud au nord, chacune lue d'ouest en est.
const char *const RangeesCartes[4] = {"dcba", "efgh", "lkji", "mnop"};
const char *const RangeesFeuillets[4][4] = {
    {"04", "03", "02", "01"}, {"05", "06", "07", "08"}, {"12", "11", "10", "09"}, {"13", "14", "15", "16"}};

// Les cartes qui touchent le Québec.
const char *const CartesQuebec = "11m 11n 12c 12d 12e 12f 12g 12h 12i 12j 12k 12l 12m 12n 12o 12p "
                                 "13a 13b 13c 13d 13e 13f 13g 13h 13i 13j 13k 13l 13m 13n 13o 13p 14d 14e 14l 14m "
                                 "21e 21k 21l 21m 21n 21o 21p 25a 25b 25c 25d 25e 25l "
                                 "31f 31g 31h 31i 31j 31k 31l 31m 31n 31o 31p";
// Séries entières.
const char *const SeriesQuebec[] = {"22", "23", "24", "32", "33", "34"};

struct Limites {
    double ouest, est; // degrés ouest, ouest > est
};

// Bords ouest et est (degrés ouest) d'une carte, ou d'un feuillet 1:50 000 quand le numéro en est un.
Limites LimitesDe(const QString &carte, const QString &numero)
{
    const double ouestSerie = 56 + 8 * carte[0].digitValue();
    double ouest = 0;
    for (const char *rangee : RangeesCartes)
        if (const char *p = std::strchr(rangee, carte[2].toLatin1()))
            ouest = ouestSerie - 2 * (p - rangee);
    for (const auto &rangee : RangeesFeuillets)
        for (int i = 0; i < 4; ++i)
            if (numero == QLatin1StringView(rangee[i]))
                return {ouest - 0.5 * i, ouest - 0.5 * (i + 1)};
    return {ouest, ouest - 2};
}

// Le méridien de la zone de largeur donnée qui contient les limites, parmi les méridiens donnés.
QString Zone(Limites l, double largeur, double premier, double dernier)
{
    for (double m = premier; m <= dernier; m += largeur)
        if (l.ouest <= m + largeur / 2 && l.est >= m - largeur / 2)
            return QString::number(m);
    return {};
}

QString Attendue(const QString &meridien, bool mtm, bool nad83)
{
    if (meridien.isEmpty())
        return u"choix"_s;
    return u"CoordSys Earth Projection 8,%1,7,-%2,0,%3,0"_s.arg(nad83 ? u"74"_s : u"66"_s, meridien,
                                                                  mtm ? u"0.9999,304800"_s : u"0.9996,500000"_s);
}

} // namespace

class TestZonesFeuillets : public QObject {
    Q_OBJECT

private slots:
    void zones_data()
    {
        QTest::addColumn<QString>("carte");
        QStringList cartes = QString::fromLatin1(CartesQuebec).split(u' ');
        for (const char *serie : SeriesQuebec)
            for (char l = 'a'; l <= 'p'; ++l)
                cartes << QString::fromLatin1(serie) + QLatin1Char(l);
        for (char l = 'a'; l <= 'l'; ++l)
            cartes << u"35"_s + QLatin1Char(l);
        for (const QString &c : std::as_const(cartes))
            QTest::newRow(qPrintable(c)) << c;
    }

    void zones()
    {
        QFETCH(QString, carte);
        const QString choix = u"choix"_s;
        QStringList ecarts;
        // Un échantillon qui touche les quatre rangées et les deux moitiés, et un numéro hors liste.
        for (const QString &numero : {u"01"_s, u"04"_s, u"05"_s, u"08"_s, u"10"_s, u"11"_s, u"14"_s, u"15"_s, u"00"_s}) {
            const Limites l = LimitesDe(carte, numero);
            QString mtm = Zone(l, 3, 58.5, 79.5);
            // La table l'emporte sur la géométrie : 31j sans moitié reçoit 73.5, à cheval sur deux zones.
            if (carte == u"31j"_s && numero == u"00"_s)
                mtm = u"73.5"_s;
            const QString utm = Zone(LimitesDe(carte, {}), 6, 57, 81);
            for (const bool nad83 : {true, false}) {
                const QString chemins[3] = {u"/archives/%1%2ne.dxf"_s.arg(carte, numero),
                                            u"/archives/%1%2/routes.dxf"_s.arg(carte, numero),
                                            u"/archives/%1%2no.tab"_s.arg(carte.toUpper(), numero)};
                for (const QString &chemin : chemins) {
                    for (const bool modeMtm : {true, false}) {
                        const ReglagesProjection r{true, modeMtm, nad83, false};
                        const QString obtenue = ProjectionFichier(chemin, r, {}, choix);
                        const QString attendue = Attendue(modeMtm ? mtm : utm, modeMtm, nad83);
                        if (obtenue != attendue)
                            ecarts << chemin + (modeMtm ? u" MTM "_s : u" UTM "_s) + (nad83 ? u"83"_s : u"27"_s) + u" : "_s
                                          + obtenue + u" au lieu de "_s + attendue;
                    }
                }
            }
        }
        QVERIFY2(ecarts.isEmpty(), qPrintable(ecarts.join(u'\n')));
    }

    // Hors du Québec : une zone du Québec qui contient la carte est donnée, sinon rien.
    void horsQuebec_data()
    {
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<bool>("mtm");
        QTest::addColumn<QString>("attendue");
        QTest::newRow("14a, UTM 21") << u"/c/14a/x.dxf"_s << false << Attendue(u"57"_s, false, true);
        QTest::newRow("01a, hors des zones UTM") << u"/c/01a/x.dxf"_s << false << u"choix"_s;
        QTest::newRow("12h est, hors des zones MTM") << u"/c/12h01ne.dxf"_s << true << u"choix"_s;
        QTest::newRow("30m, Ontario") << u"/c/30m13ne.dxf"_s << true << Attendue(u"79.5"_s, true, true);
        QTest::newRow("nord de 68°") << u"/c/37a01ne.dxf"_s << true << u"choix"_s;
    }

    void horsQuebec()
    {
        QFETCH(QString, chemin);
        QFETCH(bool, mtm);
        QFETCH(QString, attendue);
        QCOMPARE(ProjectionFichier(chemin, ReglagesProjection{true, mtm, true, false}, {}, u"choix"_s), attendue);
    }
};

QObject *EssaisZonesFeuillets()
{
    return new TestZonesFeuillets;
}

#include "tst_zones_feuillets.moc"
