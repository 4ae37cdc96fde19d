// Les données livrées : le catalogue des projections et les textes .prj intégrés.
// Le catalogue est relu ici avec sa grammaire de lignes, sans le chargeur du programme,
// et chaque entrée terrestre est confrontée à son texte .prj à travers l'OSR de GDAL.

#include <ogr_spatialref.h>
#include <cpl_error.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <cmath>
#include <map>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Entree {
    QString nom;
    QString parametres;
    QString ressource;
    int categorie = 0;
};

struct Catalogue {
    QStringList lignes;
    QStringList categories;
    QList<Entree> entrees;
};

QByteArray Lit(const QString &chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Rogne(QString t)
{
    qsizetype debut = 0, fin = t.size();
    while (debut < fin && t.at(debut).unicode() <= 32)
        ++debut;
    while (fin > debut && t.at(fin - 1).unicode() <= 32)
        --fin;
    return t.mid(debut, fin - debut);
}

QString NomProjection(QString t)
{
    if (t.startsWith(u'"'))
        t.remove(0, 1);
    if (t.contains(u'"'))
        t = t.left(t.indexOf(u'"'));
    else if (t.contains(u','))
        t = t.left(t.indexOf(u','));
    while (t.startsWith(u'-'))
        t.remove(0, 1);
    while (t.endsWith(u'-'))
        t.chop(1);
    if (t.contains(u'\\'))
        t = t.left(t.indexOf(u'\\'));
    return Rogne(t);
}

QString ParametresProjection(QString t)
{
    if (t.startsWith(u'"'))
        t.remove(0, 1);
    if (t.contains(u'"'))
        t = t.mid(t.indexOf(u'"') + 1);
    if (t.contains(u','))
        t = t.mid(t.indexOf(u',') + 1);
    return Rogne(t);
}

QString NomRessource(QString nom)
{
    static const std::pair<const char16_t *, const char16_t *> remplacements[] = {
        {u"/", u"_"}, {u" ", u"_"}, {u",", u"_"}, {u".", u"_"}, {u":", u"_"}, {u"(", u"_"},
        {u")", u"_"}, {u"-", u"_"}, {u"è", u"e"}, {u"é", u"e"}, {u";", u"_"}, {u"'", u"_"},
        {u"!", u"_"}};
    for (const auto &[avant, apres] : remplacements)
        nom.replace(QString::fromUtf16(avant), QString::fromUtf16(apres), Qt::CaseInsensitive);
    return nom;
}

// Relecture par la grammaire des lignes : un en-tête contient « -- » ; une catégorie
// va de la ligne qui suit son en-tête à l'avant-dernière ligne avant le suivant.
Catalogue LitCatalogue(const QByteArray &octets)
{
    Catalogue c;
    QString texte = QString::fromLatin1(octets);
    texte.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    c.lignes = texte.split(u'\n');
    if (texte.endsWith(u'\n'))
        c.lignes.removeLast();
    QList<int> debuts;
    for (int i = 0; i < c.lignes.size(); ++i)
        if (c.lignes.at(i).contains(u"--"_s))
            debuts << i;
    debuts << c.lignes.size() + 1;
    for (int k = 0; k + 1 < debuts.size(); ++k) {
        c.categories << NomProjection(c.lignes.at(debuts.at(k)));
        for (int i = debuts.at(k) + 1; i <= debuts.at(k + 1) - 2; ++i) {
            const QString &ligne = c.lignes.at(i);
            if (ligne.isEmpty())
                continue;
            const QString nom = NomProjection(ligne);
            c.entrees.append({nom, ParametresProjection(ligne), NomRessource(nom), k});
        }
    }
    return c;
}

bool EstNonTerrestre(const Entree &e)
{
    return e.parametres.startsWith(u'0');
}

// Les datums que GDAL nomme à sa façon en lisant un texte MapInfo, et leur nom ESRI.
// Le 66 (NAD 27 pour le Canada) sortirait en D_NAD_27_Canada, inconnu des lecteurs ESRI :
// c'est le NAD 1927, et c'est ce que disent nos textes.
const QHash<QString, QString> &DatumsEquivalents()
{
    static const QHash<QString, QString> table = {
        {u"D_NAD_27_Canada"_s, u"D_North_American_1927"_s},
        {u"D_New_Zealand_GD49"_s, u"D_New_Zealand_1949"_s},
        {u"D_Provisional_South_American"_s, u"D_Provisional_S_American_1956"_s},
        {u"D_Ireland_1965"_s, u"D_TM65"_s},
        {u"D_Libya_LGD_2006"_s, u"D_Libyan_Geodetic_Datum_2006"_s},
        {u"D_Switzerland_CH_1903"_s, u"D_CH1903"_s},
        {u"D_Chatham_1971"_s, u"D_Chatham_Island_1971"_s},
        {u"D_America_Samoa"_s, u"D_American_Samoa_1962"_s},
        {u"D_Pitcairn_Astro_1967"_s, u"D_Pitcairn_1967"_s},
    };
    return table;
}

// Le nom ESRI du datum. L'écrire coûte une recherche dans la base de PROJ (quelques ms) :
// il est gardé par nom de datum, que GDAL donne sans recherche.
QString DatumEsri(const OGRSpatialReference &srs)
{
    static QHash<QByteArray, QString> connus;
    const QByteArray nom(srs.GetAttrValue("DATUM"));
    if (!connus.contains(nom)) {
        OGRSpatialReference esri(srs);
        esri.morphToESRI();
        connus.insert(nom, QString::fromUtf8(esri.GetAttrValue("DATUM")));
    }
    return connus.value(nom);
}

struct Signature {
    bool projete = false;
    QString datum, projection;
    double a = 0, invf = 0, pm = 0, angulaire = 0, lineaire = 0;
    std::map<QString, double> parametres;
};

enum class Cote { MapInfo, Prj, PrjSansDatum };

Signature Signe(const OGRSpatialReference &srs, Cote cote)
{
    Signature s;
    s.projete = srs.IsProjected();
    if (cote != Cote::PrjSansDatum)
        s.datum = DatumEsri(srs);
    if (cote == Cote::MapInfo)
        s.datum = DatumsEquivalents().value(s.datum, s.datum);
    s.datum = s.datum.toLower();
    s.a = srs.GetSemiMajor();
    s.invf = srs.GetInvFlattening();
    s.pm = srs.GetPrimeMeridian();
    s.angulaire = srs.GetAngularUnits();
    if (s.projete) {
        s.projection = QString::fromUtf8(srs.GetAttrValue("PROJECTION"));
        s.lineaire = srs.GetLinearUnits();
        const OGR_SRSNode *projcs = srs.GetAttrNode("PROJCS");
        for (int i = 0; projcs && i < projcs->GetChildCount(); ++i) {
            const OGR_SRSNode *n = projcs->GetChild(i);
            if (QByteArray(n->GetValue()) == "PARAMETER" && n->GetChildCount() > 0) {
                const char *nom = n->GetChild(0)->GetValue();
                s.parametres[QString::fromUtf8(nom).toLower()] = srs.GetNormProjParm(nom);
            }
        }
        // Les deux parallèles d'une conique sécante sont interchangeables.
        auto p1 = s.parametres.find(u"standard_parallel_1"_s);
        auto p2 = s.parametres.find(u"standard_parallel_2"_s);
        if (p1 != s.parametres.end() && p2 != s.parametres.end() && p1->second > p2->second)
            std::swap(p1->second, p2->second);
    }
    return s;
}

bool Proche(double x, double y, double tolerance)
{
    return std::fabs(x - y) <= tolerance * std::max({1.0, std::fabs(x), std::fabs(y)});
}

QStringList Ecarts(const Signature &m, const Signature &p)
{
    QStringList e;
    if (m.projete != p.projete)
        e << u"projeté/géographique"_s;
    if (m.datum != p.datum)
        e << u"datum %1 / %2"_s.arg(m.datum, p.datum);
    if (m.projection != p.projection)
        e << u"projection %1 / %2"_s.arg(m.projection, p.projection);
    if (!Proche(m.a, p.a, 1e-9) || !Proche(m.invf, p.invf, 1e-7))
        e << u"ellipsoïde %1 %2 / %3 %4"_s.arg(m.a, 0, 'g', 12).arg(m.invf, 0, 'g', 12)
                 .arg(p.a, 0, 'g', 12).arg(p.invf, 0, 'g', 12);
    if (!Proche(m.pm, p.pm, 1e-9) || !Proche(m.angulaire, p.angulaire, 1e-12))
        e << u"méridien origine ou unité angulaire"_s;
    if (!Proche(m.lineaire, p.lineaire, 1e-9))
        e << u"unité %1 / %2"_s.arg(m.lineaire).arg(p.lineaire);
    auto noms = m.parametres;
    noms.insert(p.parametres.begin(), p.parametres.end());
    for (const auto &[nom, _] : noms) {
        const auto im = m.parametres.find(nom), ip = p.parametres.find(nom);
        const double vm = im == m.parametres.end() ? 0.0 : im->second;
        const double vp = ip == p.parametres.end() ? 0.0 : ip->second;
        if (!Proche(vm, vp, 1e-9))
            e << u"%1 %2 / %3"_s.arg(nom).arg(vm, 0, 'g', 15).arg(vp, 0, 'g', 15);
    }
    return e;
}

bool LitMapInfo(const QString &parametres, OGRSpatialReference &srs)
{
    const QByteArray clause = (u"CoordSys Earth Projection "_s + parametres).toLatin1();
    return srs.importFromMICoordSys(clause.constData()) == OGRERR_NONE;
}

bool LitPrj(const QByteArray &texte, OGRSpatialReference &srs)
{
    const char *lignes[] = {texte.constData(), nullptr};
    return srs.importFromESRI(const_cast<char **>(lignes)) == OGRERR_NONE;
}

// Le GEOGCS[...] d'un texte, crochets équilibrés ; vide s'il n'y en a pas.
QByteArray Geogcs(const QByteArray &texte)
{
    const qsizetype debut = texte.indexOf("GEOGCS[");
    int profondeur = 0;
    for (qsizetype i = debut; debut >= 0 && i < texte.size(); ++i) {
        if (texte.at(i) == '[')
            ++profondeur;
        else if (texte.at(i) == ']' && --profondeur == 0)
            return texte.mid(debut, i - debut + 1);
    }
    return {};
}

// Le même GEOGCS, nombres gardés, noms que PROJ ne cherche pas dans sa base.
QByteArray Neutre(QByteArray geogcs)
{
    static const QRegularExpression noms(u"(GEOGCS|DATUM|SPHEROID)\\[\"[^\"]*\""_s);
    QString t = QString::fromLatin1(geogcs);
    t.replace(noms, u"\\1[\"Neutre\""_s);
    return t.toLatin1();
}

} // namespace

class TestDonnees : public QObject {
    Q_OBJECT

private:
    Catalogue catalogue;
    QString dossierPrj = QString::fromUtf8(QUORVALE_DONNEES_PRJ);

    const Entree *PremiereAvecTexte(const QString &parametres) const
    {
        for (const Entree &e : catalogue.entrees)
            if (e.parametres.compare(parametres, Qt::CaseInsensitive) == 0)
                return &e;
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        const QByteArray octets = Lit(QString::fromUtf8(QUORVALE_CATALOGUE));
        QVERIFY(!octets.isEmpty());
        // Windows-1252 : les octets 0x80 à 0x9F y diffèrent du Latin-1 ; le catalogue n'en a pas.
        for (char c : octets)
            QVERIFY2(static_cast<unsigned char>(c) < 0x80 || static_cast<unsigned char>(c) > 0x9F,
                     "octet hors du Latin-1 commun");
        QVERIFY(octets.endsWith("\r\n"));
        QCOMPARE(octets.count("\r\n"), octets.count('\n'));
        catalogue = LitCatalogue(octets);
    }

    void cleanupTestCase() { CPLPopErrorHandler(); }

    void grammaireDuCatalogue()
    {
        QCOMPARE(catalogue.categories.first(), u"Longitude / Latitude"_s);
        QCOMPARE(catalogue.categories.last(), u"Non-Terrestre"_s);
        QVERIFY(catalogue.categories.size() >= 3);
        // Aucune projection sur la ligne qui précède un en-tête : elle serait perdue.
        for (int i = 1; i < catalogue.lignes.size(); ++i)
            if (catalogue.lignes.at(i).contains(u"--"_s))
                QVERIFY2(catalogue.lignes.at(i - 1).isEmpty(), qPrintable(catalogue.lignes.at(i - 1)));
        const int lignesProjection = int(std::count_if(catalogue.lignes.cbegin(), catalogue.lignes.cend(),
            [](const QString &l) { return l.startsWith(u'"') && !l.contains(u"--"_s); }));
        QCOMPARE(catalogue.entrees.size(), lignesProjection);
        for (const Entree &e : catalogue.entrees) {
            QVERIFY2(!e.nom.isEmpty() && !e.parametres.isEmpty(), qPrintable(e.nom));
            QVERIFY2(!e.parametres.startsWith(u'"'), qPrintable(e.nom));
        }
    }

    void preselectionQuebecoise()
    {
        QList<const Entree *> troisieme;
        for (const Entree &e : catalogue.entrees)
            if (e.categorie == 2)
                troisieme << &e;
        QVERIFY(troisieme.size() >= 7);
        QCOMPARE(catalogue.categories.at(2), u"Projections MTM du Québec"_s);
        QCOMPARE(troisieme.at(6)->nom, u"Québec MTM zone 8 (NAD 83)"_s);
        QCOMPARE(troisieme.at(6)->parametres, u"8,74,7,-73.5,0,0.9999,304800,0"_s);
    }

    void nomsDeRessource()
    {
        static const QRegularExpression forme(u"^[A-Z0-9_]+$"_s);
        QSet<QString> vus;
        int terrestres = 0;
        for (const Entree &e : catalogue.entrees) {
            const QString nom = e.ressource.toUpper();
            QVERIFY2(forme.match(nom).hasMatch(), qPrintable(e.nom));
            QVERIFY2(!vus.contains(nom), qPrintable(u"nom en double : "_s + nom));
            vus.insert(nom);
            const bool nonTerrestre = e.ressource.left(13).compare(u"Non_Terrestre"_s, Qt::CaseInsensitive) == 0;
            QVERIFY2(nonTerrestre == EstNonTerrestre(e), qPrintable(e.nom));
            if (!nonTerrestre) {
                ++terrestres;
                QVERIFY2(QFile::exists(dossierPrj + u'/' + nom), qPrintable(u"sans texte : "_s + nom));
            }
        }
        QVERIFY2(terrestres >= 1273, qPrintable(QString::number(terrestres)));
        // Pas de texte orphelin.
        const QStringList fichiers = QDir(dossierPrj).entryList(QDir::Files);
        QCOMPARE(fichiers.size(), terrestres);
        for (const QString &f : fichiers)
            QVERIFY2(vus.contains(f), qPrintable(u"texte sans entrée : "_s + f));
    }

    void textesPrj()
    {
        for (const QString &nom : QDir(dossierPrj).entryList(QDir::Files)) {
            const QByteArray texte = Lit(dossierPrj + u'/' + nom);
            QVERIFY2(texte.startsWith("PROJCS[") || texte.startsWith("GEOGCS["), qPrintable(nom));
            QVERIFY2(texte.endsWith("]]"), qPrintable(nom));
            QVERIFY2(!texte.contains('\n') && !texte.contains('\r'), qPrintable(nom));
            QVERIFY2(!texte.contains("unnamed"), qPrintable(nom));
            // Le même texte, octet pour octet, dans les ressources du programme.
            QFile ressource(u":/prj/"_s + nom);
            QVERIFY2(ressource.open(QIODevice::ReadOnly), qPrintable(nom));
            QCOMPARE(ressource.readAll(), texte);
        }
    }

    // Chaque clause du catalogue et son texte .prj décrivent le même système.
    void allerRetourParGdal()
    {
        // PROJ cherche chaque nom de datum ESRI dans sa base, environ 5 ms par lecture : le
        // GEOGCS d'un texte est lu une fois par GEOGCS distinct, et le texte entier, pour sa
        // projection, avec des noms neutres dans son GEOGCS.
        QHash<QByteArray, Signature> geographiques;
        QStringList fautes;
        int vues = 0;
        for (const Entree &e : catalogue.entrees) {
            if (EstNonTerrestre(e))
                continue;
            ++vues;
            OGRSpatialReference mapinfo;
            if (!LitMapInfo(e.parametres, mapinfo)) {
                fautes << e.nom + u" : clause illisible"_s;
                continue;
            }
            const QByteArray texte = Lit(dossierPrj + u'/' + e.ressource.toUpper());
            const QByteArray geogcs = Geogcs(texte);
            if (!geographiques.contains(geogcs)) {
                OGRSpatialReference geo;
                if (geogcs.isEmpty() || !LitPrj(geogcs, geo)) {
                    fautes << e.nom + u" : GEOGCS illisible"_s;
                    continue;
                }
                geographiques.insert(geogcs, Signe(geo, Cote::Prj));
            }
            Signature prj = geographiques.value(geogcs);
            if (texte.startsWith("PROJCS[")) {
                OGRSpatialReference projete;
                if (!LitPrj(QByteArray(texte).replace(geogcs, Neutre(geogcs)), projete)) {
                    fautes << e.nom + u" : .prj illisible"_s;
                    continue;
                }
                // Le datum neutre n'est pas cherché (morphToESRI le chercherait dans la base).
                const Signature p = Signe(projete, Cote::PrjSansDatum);
                prj.projete = p.projete;
                prj.projection = p.projection;
                prj.lineaire = p.lineaire;
                prj.parametres = p.parametres;
            }
            const QStringList ecarts = Ecarts(Signe(mapinfo, Cote::MapInfo), prj);
            if (!ecarts.isEmpty())
                fautes << e.nom + u" : "_s + ecarts.join(u"; "_s);
        }
        QVERIFY(vues >= 1273);
        QVERIFY2(fautes.isEmpty(), qPrintable(fautes.mid(0, 10).join(u'\n')));
    }

    // Le NAD 27 (62, et 66 que GDAL lit mal) reste NAD 27 dans le texte .prj.
    void nad27ResteNad27()
    {
        static const QRegularExpression datum(u"^\\d+,\\s*(\\d+),"_s);
        int vues = 0;
        for (const Entree &e : catalogue.entrees) {
            const auto m = datum.match(e.parametres);
            if (!m.hasMatch() || (m.captured(1) != u"62"_s && m.captured(1) != u"66"_s))
                continue;
            ++vues;
            const QByteArray texte = Lit(dossierPrj + u'/' + e.ressource.toUpper());
            // Lu par GDAL, ce datum est le North_American_Datum_1927 (voir allerRetourParGdal).
            QVERIFY2(texte.contains("DATUM[\"D_North_American_1927\",SPHEROID[\"Clarke_1866\",6378206.4,"),
                     qPrintable(e.nom));
        }
        QVERIFY(vues >= 26 + 22 + 10);
    }

    // GDAL écrit le datum 66 en D_NAD_27_Canada ; notre texte est le NAD 1927, lu comme tel.
    void nad27PourLeCanada()
    {
        OGRSpatialReference mapinfo;
        QVERIFY(LitMapInfo(u"8,66,7,-73.5,0,0.9999,304800,0"_s, mapinfo));
        QCOMPARE(DatumEsri(mapinfo), u"D_NAD_27_Canada"_s);
        OGRSpatialReference prj;
        QVERIFY(LitPrj(Lit(dossierPrj + u"/QUEBEC_MTM_ZONE_8__NAD_27_"_s), prj));
        QCOMPARE(QByteArray(prj.GetAttrValue("DATUM")), QByteArray("North_American_Datum_1927"));
        QCOMPARE(prj.GetSemiMajor(), 6378206.4);
        QCOMPARE(DatumEsri(prj), u"D_North_American_1927"_s);
    }

    // Chaque clause que la déduction par feuillet peut écrire trouve d'abord son entrée.
    void clausesDeFeuillet_data()
    {
        QTest::addColumn<QString>("parametres");
        QTest::addColumn<QString>("ressource");
        QTest::addColumn<QByteArray>("nomPrj");
        QTest::newRow("MTM 10 NAD 83") << u"8,74,7,-79.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_10__NAD_83_"_s << QByteArray("NAD_1983_MTM_10");
        QTest::newRow("MTM 9 NAD 83") << u"8,74,7,-76.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_9__NAD_83_"_s << QByteArray("NAD_1983_MTM_9");
        QTest::newRow("MTM 8 NAD 83") << u"8,74,7,-73.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_8__NAD_83_"_s << QByteArray("NAD_1983_MTM_8");
        QTest::newRow("MTM 7 NAD 83") << u"8,74,7,-70.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_7__NAD_83_"_s << QByteArray("NAD_1983_MTM_7");
        QTest::newRow("MTM 6 NAD 83") << u"8,74,7,-67.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_6__NAD_83_"_s << QByteArray("NAD_1983_MTM_6");
        QTest::newRow("MTM 5 NAD 83") << u"8,74,7,-64.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_5__NAD_83_"_s << QByteArray("NAD_1983_MTM_5");
        QTest::newRow("MTM 4 NAD 83") << u"8,74,7,-61.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_4__NAD_83_"_s << QByteArray("NAD_1983_MTM_4");
        QTest::newRow("MTM 3 NAD 83") << u"8,74,7,-58.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_3__NAD_83_"_s << QByteArray("NAD_1983_MTM_3");
        QTest::newRow("MTM 10 NAD 27") << u"8,66,7,-79.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_10__NAD_27_"_s << QByteArray("NAD27_MTM_zone_10");
        QTest::newRow("MTM 9 NAD 27") << u"8,66,7,-76.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_9__NAD_27_"_s << QByteArray("NAD_1927_MTM_9");
        QTest::newRow("MTM 8 NAD 27") << u"8,66,7,-73.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_8__NAD_27_"_s << QByteArray("NAD_1927_MTM_8");
        QTest::newRow("MTM 7 NAD 27") << u"8,66,7,-70.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_7__NAD_27_"_s << QByteArray("NAD_1927_MTM_7");
        QTest::newRow("MTM 6 NAD 27") << u"8,66,7,-67.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_6__NAD_27_"_s << QByteArray("NAD_1927_MTM_6");
        QTest::newRow("MTM 5 NAD 27") << u"8,66,7,-64.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_5__NAD_27_"_s << QByteArray("NAD_1927_MTM_5");
        QTest::newRow("MTM 4 NAD 27") << u"8,66,7,-61.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_4__NAD_27_"_s << QByteArray("NAD_1927_MTM_4");
        QTest::newRow("MTM 3 NAD 27") << u"8,66,7,-58.5,0,0.9999,304800,0"_s << u"QUEBEC_MTM_ZONE_3__NAD_27_"_s << QByteArray("NAD_1927_MTM_3");
        QTest::newRow("UTM 17 NAD 83") << u"8,74,7,-81,0,0.9996,500000,0"_s << u"QUEBEC_UTM_ZONE_17__NAD_83_"_s << QByteArray("NAD_1983_UTM_Zone_17N");
        QTest::newRow("UTM 18 NAD 83") << u"8,74,7,-75,0,0.9996,500000,0"_s << u"QUEBEC_UTM_ZONE_18__NAD_83_"_s << QByteArray("NAD_1983_UTM_Zone_18N");
        QTest::newRow("UTM 19 NAD 83") << u"8,74,7,-69,0,0.9996,500000,0"_s << u"QUEBEC_UTM_ZONE_19__NAD_83_"_s << QByteArray("NAD_1983_UTM_Zone_19N");
        QTest::newRow("UTM 20 NAD 83") << u"8,74,7,-63,0,0.9996,500000,0"_s << u"QUEBEC_UTM_ZONE_20__NAD_83_"_s << QByteArray("NAD_1983_UTM_Zone_20N");
        QTest::newRow("UTM 21 NAD 83") << u"8,74,7,-57,0,0.9996,500000,0"_s << u"QUEBEC_UTM_ZONE_21__NAD_83_"_s << QByteArray("NAD_1983_UTM_Zone_21N");
        QTest::newRow("UTM 17 NAD 27") << u"8,66,7,-81,0,0.9996,500000,0"_s << u"QUEBEC_UTM_ZONE_17__NAD_27_"_s << QByteArray("NAD_1927_UTM_Zone_17N");
        QTest::newRow("UTM 18 NAD 27") << u"8,66,7,-75,0,0.9996,500000,0"_s << u"QUEBEC_UTM_ZONE_18__NAD_27_"_s << QByteArray("NAD_1927_UTM_Zone_18N");
        QTest::newRow("UTM 19 NAD 27") << u"8,66,7,-69,0,0.9996,500000,0"_s << u"QUEBEC_UTM_ZONE_19__NAD_27_"_s << QByteArray("NAD_1927_UTM_Zone_19N");
        QTest::newRow("UTM 20 NAD 27") << u"8,66,7,-63,0,0.9996,500000,0"_s << u"QUEBEC_UTM_ZONE_20__NAD_27_"_s << QByteArray("NAD_1927_UTM_Zone_20N");
        QTest::newRow("UTM 21 NAD 27") << u"8,66,7,-57,0,0.9996,500000,0"_s << u"QUEBEC_UTM_ZONE_21__NAD_27_"_s << QByteArray("NAD_1927_UTM_Zone_21N");
        // Les textes du catalogue avec blancs trouvent leur propre entrée.
        QTest::newRow("UTM 18 NAD 83 avec blancs") << u"8, 74, 7, -75, 0, 0.9996, 500000, 0"_s << u"UTM_ZONE_18__NAD_83_"_s << QByteArray("NAD_1983_UTM_Zone_18N");
        QTest::newRow("casse ignorée") << u"8,74,7,-73.5,0,0.9999,304800,0"_s.toUpper() << u"QUEBEC_MTM_ZONE_8__NAD_83_"_s << QByteArray("NAD_1983_MTM_8");
        QTest::newRow("longitude latitude NAD 83") << u"1, 74"_s << u"LONGITUDE___LATITUDE__NAD_83_"_s << QByteArray("GCS_North_American_1983");
        QTest::newRow("non terrestre en mètres") << u"0, 7"_s << u"NON_TERRESTRE__METRE_"_s << QByteArray();
    }

    void clausesDeFeuillet()
    {
        QFETCH(QString, parametres);
        QFETCH(QString, ressource);
        QFETCH(QByteArray, nomPrj);
        const Entree *e = PremiereAvecTexte(parametres);
        QVERIFY(e);
        QCOMPARE(e->ressource.toUpper(), ressource);
        if (nomPrj.isEmpty())
            return;
        QFile prj(u":/prj/"_s + ressource);
        QVERIFY(prj.open(QIODevice::ReadOnly));
        const QByteArray texte = prj.readAll();
        QVERIFY2(texte.startsWith("PROJCS[\"" + nomPrj + "\"") || texte.startsWith("GEOGCS[\"" + nomPrj + "\""),
                 texte.constData());
    }
};

QTEST_GUILESS_MAIN(TestDonnees)
#include "tst_donnees.moc"
