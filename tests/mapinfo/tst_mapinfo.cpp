#include "analyse.h"
#include "automation.h"
#include "enregistrement.h"
#include "erreur.h"
#include "instructions.h"
#include "registre.h"
#include "serveur.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cpl_string.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <sstream>

using namespace Qt::Literals::StringLiterals;
using namespace quorvale;
using namespace quorvale::mapinfo;

namespace {

QString Echantillon(const QString &relatif)
{
    return qEnvironmentVariable("QUORVALE_SAMPLES") + u'/' + relatif;
}

// Le programme envoie les chemins des sources en minuscules.
QString EchantillonMinuscules(const QString &relatif)
{
    return qEnvironmentVariable("QUORVALE_SAMPLES") + u'/' + relatif.toLower();
}

void Ecrit(const QString &chemin, const QByteArray &contenu)
{
    QDir().mkpath(chemin.left(chemin.lastIndexOf(u'/')));
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contenu);
}

QByteArray Lit(const QString &chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList Fichiers(const QString &dossier)
{
    return QDir(dossier).entryList(QDir::Files, QDir::Name);
}

// Une table relue avec GDAL.
struct Relue {
    bool ouverte = false;
    qint64 lignes = 0;
    QStringList colonnes;
    QString systeme; // clause CoordSys, sans le mot CoordSys
    QList<QStringList> valeurs;
    QList<QPointF> premiersPoints; // premier sommet de chaque objet
};

Relue Relit(const QString &chemin)
{
    Relue r;
    GDALAllRegister();
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(QFile::encodeName(chemin).constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    if (!ds || ds->GetLayerCount() < 1)
        return r;
    r.ouverte = true;
    OGRLayer *couche = ds->GetLayer(0);
    OGRFeatureDefn *defn = couche->GetLayerDefn();
    for (int i = 0; i < defn->GetFieldCount(); ++i)
        r.colonnes << QString::fromUtf8(defn->GetFieldDefn(i)->GetNameRef());
    if (const OGRSpatialReference *s = couche->GetSpatialRef()) {
        char *texte = nullptr;
        if (s->exportToMICoordSys(&texte) == OGRERR_NONE)
            r.systeme = QString::fromUtf8(texte);
        CPLFree(texte);
    }
    for (auto &f : *couche) {
        ++r.lignes;
        QStringList ligne;
        for (int i = 0; i < defn->GetFieldCount(); ++i)
            ligne << QString::fromUtf8(f->GetFieldAsString(i));
        r.valeurs << ligne;
        const OGRGeometry *g = f->GetGeometryRef();
        if (g && !g->IsEmpty()) {
            OGRPoint p;
            if (wkbFlatten(g->getGeometryType()) == wkbPoint)
                p = *g->toPoint();
            else if (wkbFlatten(g->getGeometryType()) == wkbPolygon)
                g->toPolygon()->getExteriorRing()->getPoint(0, &p);
            else if (wkbFlatten(g->getGeometryType()) == wkbLineString)
                g->toLineString()->getPoint(0, &p);
            r.premiersPoints << QPointF(p.getX(), p.getY());
        }
    }
    return r;
}

bool AuMillimetre(const QPointF &a, const QPointF &b)
{
    return std::abs(a.x() - b.x()) < 0.0005 && std::abs(a.y() - b.y()) < 0.0005;
}

// Une couche en MIF/MID Windows-1252, en MTM NAD 27 (datum 66), coordonnées au dixième de millimètre.
void EcritCouche(const QString &chemin, const QList<QByteArray> &noms, double x0)
{
    QByteArray mif = "Version 300\r\nCharset \"WindowsLatin1\"\r\nDelimiter \",\"\r\n"
                     "CoordSys Earth Projection 8, 66, \"m\", -79.5, 0, 0.9999, 304800, 0\r\n"
                     "Columns 2\r\n  Nom Char(40)\r\n  Rang Integer\r\nData\r\n\r\n";
    QByteArray mid;
    for (int i = 0; i < noms.size(); ++i) {
        mif += "Point " + QByteArray::number(x0 + i, 'f', 4) + " 5040000.5678\r\n";
        char *cp1252 = CPLRecode(noms[i].constData(), CPL_ENC_UTF8, "CP1252");
        mid += '"' + QByteArray(cp1252) + "\"," + QByteArray::number(i + 1) + "\r\n";
        CPLFree(cp1252);
    }
    Ecrit(chemin, mif);
    Ecrit(chemin.left(chemin.size() - 4) + u".mid"_s, mid);
}

} // namespace

// Une instruction refusée fait échouer l'essai avec le texte du serveur.
#define DO(objet, instruction)                                                                                   \
    do {                                                                                                         \
        try {                                                                                                    \
            (objet)->Do(instruction);                                                                            \
        } catch (const Erreur &e) {                                                                              \
            QFAIL(qPrintable(e.texte()));                                                                        \
        }                                                                                                        \
    } while (false)

class TestMapInfo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void analyse_data();
    void analyse();
    void analyseRefuse_data();
    void analyseRefuse();
    void protocole();
    void importMif_data();
    void importMif();
    void importJeuxDeCaracteres_data();
    void importJeuxDeCaracteres();
    void exportMif_data();
    void exportMif();
    void texteImmobile_data();
    void texteImmobile();
    void regroupementDesCouches();
    void regroupementDEchantillons();
    void tableOuverteJamaisRemplacee();
    void erreursSansArretDuServeur_data();
    void erreursSansArretDuServeur();

private:
    std::unique_ptr<ObjetAutomation> Serveur();

    QTemporaryDir dossier_;
    std::unique_ptr<RegistreFichier> registre_;
    std::unique_ptr<AutomationLocale> automation_;
};

void TestMapInfo::initTestCase()
{
    QVERIFY(dossier_.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dossier_.path() + u"/config"_s));
    registre_ = std::make_unique<RegistreFichier>(dossier_.path() + u"/config/registre/HKEY_CLASSES_ROOT.ini"_s);
    const QString serveur = qEnvironmentVariable("QUORVALE_DOSSIER_MAPINFO") + u"/mapinfow"_s;
    QVERIFY2(QFile::exists(serveur), qPrintable(serveur));
    QVERIFY(Enregistre(*registre_, serveur));
    automation_ = std::make_unique<AutomationLocale>(*registre_, 120000);
}

std::unique_ptr<ObjetAutomation> TestMapInfo::Serveur()
{
    auto objet = automation_->Cree(u"Mapinfo.Application"_s);
    objet->EcritPropriete(u"visible"_s, false);
    objet->Do(u"set progressbars off"_s);
    return objet;
}

void TestMapInfo::analyse_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("attendu"); // genre|chemin|cible|table|source|nom|jeu|ligne
    QTest::newRow("import de la route mif vers tab")
        << u"Import \"/src/a/roads.mif\" Type \"MIF\" Into \"/dst/B/roads.tab\""_s << u"0|/src/a/roads.mif|/dst/B/roads.tab|||||-1"_s;
    QTest::newRow("ouverture") << u"Open Table \"/tmp/TempTrad/calque.tab\""_s << u"1|/tmp/TempTrad/calque.tab||||||-1"_s;
    QTest::newRow("exportation, table entre guillemets")
        << u"Export \"roads\" Into \"/dst/roads.mif\" Type \"MIF\""_s << u"2|/dst/roads.mif||roads||||-1"_s;
    QTest::newRow("requête vide") << u"select * from calque where rowid=0 into dest"_s << u"3|||calque||dest||0"_s;
    QTest::newRow("requête en majuscules et espacée")
        << u"  SELECT  *  FROM Calque-1  WHERE  RowID = 0  INTO Dest "_s << u"3|||Calque-1||Dest||0"_s;
    QTest::newRow("enregistrement natif")
        << u"Commit Table dest As \"/tmp/TempTrad/dest.tab\" TYPE NATIVE Charset \"WindowsLatin1\""_s
        << u"4|/tmp/TempTrad/dest.tab||dest|||WindowsLatin1|-1"_s;
    QTest::newRow("fermeture d'une table") << u"Close Table calque"_s << u"5|||calque||||-1"_s;
    QTest::newRow("tout fermer, casse libre") << u"close all"_s << u"6|||||||-1"_s;
    QTest::newRow("insertion") << u"Insert Into dest Select * From calque_b"_s << u"7|||dest|calque_b|||-1"_s;
    QTest::newRow("barres éteintes") << u"set progressbars off"_s << u"8|||||||-1"_s;
    QTest::newRow("guillemet doublé dans un chemin") << u"Open Table \"/a/b\"\"c.tab\""_s << u"1|/a/b\"c.tab||||||-1"_s;
    QTest::newRow("nom de calque avec blancs") << u"Insert Into plan Select * From planRoutes  nationales (2)"_s
                                               << u"7|||plan|planRoutes nationales (2)|||-1"_s;
    QTest::newRow("requête sur un nom avec blancs") << u"select * from plan bati where rowid=0 into plan final"_s
                                                    << u"3|||plan bati||plan final||0"_s;
    QTest::newRow("type sans guillemets") << u"Import \"/a.mif\" Type MIF Into \"/a.tab\""_s << u"0|/a.mif|/a.tab|||||-1"_s;
    QTest::newRow("chemin accentué avec espaces") << u"Open Table \"/données/Été 2024/Québec.tab\""_s
                                                  << u"1|/données/Été 2024/Québec.tab||||||-1"_s;
}

void TestMapInfo::analyse()
{
    QFETCH(QString, texte);
    QFETCH(QString, attendu);
    const Analyse a = AnalyseInstruction(texte);
    QVERIFY2(a.valide(), qPrintable(a.erreur));
    const Instruction &i = a.instruction;
    const QString obtenu = QStringList{QString::number(int(i.genre)), i.chemin, i.cible, i.table, i.source, i.nom, i.jeu,
                                       QString::number(i.ligne)}
                               .join(u'|');
    QCOMPARE(obtenu, attendu);
}

void TestMapInfo::analyseRefuse_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("erreur");
    QTest::newRow("vide") << u"   "_s << u"Instruction vide."_s;
    QTest::newRow("inconnue") << u"Browse * From roads"_s << u"Instruction non reconnue."_s;
    QTest::newRow("chaîne non terminée") << u"Open Table \"/a/b.tab"_s << u"Erreur de syntaxe : chaîne de caractères non terminée."_s;
    QTest::newRow("chemin sans guillemets") << u"Open Table /a/b.tab"_s
                                            << u"Erreur de syntaxe : le nom du fichier de la table entre guillemets attendu à la place de « /a/b.tab »."_s;
    QTest::newRow("type d'import inconnu") << u"Import \"/a.mif\" Type \"DBF\" Into \"/a.tab\""_s
                                           << u"Type de fichier non pris en charge : « DBF » (seul \"MIF\" est accepté)."_s;
    QTest::newRow("requête sans Into") << u"select * from calque where rowid=0"_s
                                       << u"Erreur de syntaxe : « Into » attendu en fin d'instruction."_s;
    QTest::newRow("condition autre que rowid") << u"select * from calque where nom=\"a\" into q"_s
                                               << u"Condition non prise en charge : seule « RowID = n » est acceptée."_s;
    QTest::newRow("insertion sans source") << u"Insert Into dest Select * From"_s
                                           << u"Erreur de syntaxe : le nom de la table à lire attendu en fin d'instruction."_s;
    QTest::newRow("table non native") << u"Commit Table dest As \"/a.tab\" Type DBF"_s
                                      << u"Type de table non pris en charge : seul NATIVE est accepté."_s;
    QTest::newRow("mot en trop") << u"Close All maintenant"_s << u"Erreur de syntaxe : « maintenant » inattendu."_s;
    QTest::newRow("barres sans état") << u"Set ProgressBars"_s << u"Erreur de syntaxe : « On » ou « Off » attendu en fin d'instruction."_s;
}

void TestMapInfo::analyseRefuse()
{
    QFETCH(QString, texte);
    QFETCH(QString, erreur);
    QCOMPARE(AnalyseInstruction(texte).erreur, erreur);
}

void TestMapInfo::protocole()
{
    std::istringstream entree("PROPRIETE visible 0\nDO set progressbars off\nDO bonjour\r\nPROPRIETE couleur 1\nQUOI\n"
                              "DO Close All\nFIN\nDO Close All\n");
    std::ostringstream sortie;
    ExecuteurMapInfo executeur;
    QCOMPARE(Sert(entree, sortie, executeur), 0);
    QCOMPARE(QString::fromStdString(sortie.str()).split(u'\n'),
             (QStringList{u"PRET"_s, u"OK"_s, u"OK"_s, u"ERREUR Instruction non reconnue.\\nInstruction : bonjour"_s,
                          u"ERREUR Propriété inconnue : couleur 1"_s, u"ERREUR Requête inconnue : QUOI"_s, u"OK"_s, {}}));
    QVERIFY(!executeur.visible());
    QVERIFY(!executeur.barresProgression());

    // Le même dialogue à travers le client et le vrai serveur.
    auto objet = Serveur();
    DO(objet, u"set progressbars on"_s);
    QVERIFY_THROWS_EXCEPTION(Erreur, objet->EcritPropriete(u"couleur"_s, true));
    DO(objet, u"Close All"_s);
}

void TestMapInfo::importMif_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<qint64>("lignes");
    QTest::addColumn<int>("colonnes");
    QTest::addColumn<QString>("systeme");
    QTest::addColumn<QString>("jeu");
    QTest::addColumn<QString>("valeur"); // première colonne de la première ligne
    QTest::addColumn<QPointF>("point");  // premier sommet du premier objet ; NaN : non vérifié
    const QPointF non(qQNaN(), qQNaN());
    QTest::newRow("NAD 27 géographique") << u"mif/mapinfojs-example/example.mif"_s << qint64(17) << 5
                                         << u"Earth Projection 1, 62"_s << u"WindowsLatin1"_s << u"Lorem Ipsum"_s << non;
    QTest::newRow("cyrillique, jeu gardé") << u"mif/gdal-win1251/win1251.mif"_s << qint64(3) << 5
                                           << u"Earth Projection 8, 1001, \"m\", 39, 0, 1, 7500000, 0"_s << u"WindowsCyrillic"_s
                                           << u"Значение А"_s << non;
    QTest::newRow("non terrestre en mètres, au millimètre") << u"mif/gdal-small/small.mif"_s << qint64(2) << 7
                                                         << u"NonEarth Units \"m\""_s << u"WindowsLatin1"_s << u"S. 11th St."_s
                                                         << QPointF(407131.721, 155322.441);
    QTest::newRow("extension en majuscules") << u"mif/rgdal-ps_cant_31/ps_cant_31.MIF"_s << qint64(44) << 8
                                             << u"Earth Projection 1, 0"_s << u"WindowsLatin1"_s << u"31012"_s << non;
}

void TestMapInfo::importMif()
{
    QFETCH(QString, source);
    QFETCH(qint64, lignes);
    QFETCH(int, colonnes);
    QFETCH(QString, systeme);
    QFETCH(QString, jeu);
    QFETCH(QString, valeur);
    QFETCH(QPointF, point);
    const QString sortie = dossier_.path() + u"/import/"_s + QString::fromUtf8(QTest::currentDataTag()) + u'/';
    QVERIFY(QDir().mkpath(sortie));
    const QString nom = source.section(u'/', -1).section(u'.', 0, 0).toLower();
    const QString cible = sortie + nom + u".tab"_s;
    {
        auto objet = Serveur();
        DO(objet, u"Import \"%1\" Type \"MIF\" Into \"%2\""_s.arg(EchantillonMinuscules(source), cible));
        DO(objet, u"Close All"_s);
    }
    QCOMPARE(Fichiers(sortie), (QStringList{nom + u".dat"_s, nom + u".id"_s, nom + u".map"_s, nom + u".tab"_s}));
    const Relue r = Relit(cible);
    QVERIFY(r.ouverte);
    QCOMPARE(r.lignes, lignes);
    QCOMPARE(r.colonnes.size(), colonnes);
    QCOMPARE(r.systeme, systeme);
    QVERIFY(Lit(cible).contains("!charset " + jeu.toLatin1()));
    QCOMPARE(r.valeurs.value(0).value(0).trimmed(), valeur);
    if (!std::isnan(point.x()))
        QVERIFY2(AuMillimetre(r.premiersPoints.value(0), point), qPrintable(u"%1 %2"_s.arg(r.premiersPoints.value(0).x(), 0, 'f', 4).arg(r.premiersPoints.value(0).y(), 0, 'f', 4)));
}

void TestMapInfo::importJeuxDeCaracteres_data()
{
    QTest::addColumn<QByteArray>("entete"); // ligne Charset du .mif, vide : aucune
    QTest::addColumn<QByteArray>("codage"); // codage des octets du .mid
    QTest::addColumn<QString>("valeur");
    QTest::addColumn<QByteArray>("jeu"); // jeu déclaré par la table écrite
    QTest::newRow("Neutral, octets Windows") << QByteArray("Charset \"Neutral\"") << QByteArray("CP1252")
                                             << u"Œuvre « Québec »"_s << QByteArray("WindowsLatin1");
    QTest::newRow("sans jeu déclaré") << QByteArray() << QByteArray("CP1252") << u"Trois-Rivières"_s << QByteArray("WindowsLatin1");
    QTest::newRow("Neutral, octets déjà UTF-8") << QByteArray("Charset \"Neutral\"") << QByteArray("UTF-8") << u"Gîte"_s
                                                << QByteArray("WindowsLatin1");
    QTest::newRow("Neutral, cyrillique en UTF-8") << QByteArray("Charset \"Neutral\"") << QByteArray("UTF-8") << u"Москва"_s
                                                  << QByteArray("UTF-8");
    QTest::newRow("sans jeu, Windows-1252 et €") << QByteArray() << QByteArray("CP1252") << u"Œuvre 5 €"_s << QByteArray("WindowsLatin1");
    QTest::newRow("UTF-8, texte plus long que la colonne en octets")
        << QByteArray("Charset \"UTF-8\"") << QByteArray("UTF-8") << u"Québec Значение Ж"_s << QByteArray("UTF-8");
}

void TestMapInfo::importJeuxDeCaracteres()
{
    QFETCH(QByteArray, entete);
    QFETCH(QByteArray, codage);
    QFETCH(QString, valeur);
    QFETCH(QByteArray, jeu);
    const QString dossier = dossier_.path() + u"/jeux/"_s + QString::fromUtf8(QTest::currentDataTag()) + u'/';
    char *octets = CPLRecode(valeur.toUtf8().constData(), CPL_ENC_UTF8, codage.constData());
    Ecrit(dossier + u"lieux.mif"_s, "Version 300\n" + entete + "\nDelimiter \",\"\nCoordSys Earth Projection 1, 104\n"
                                    "Columns 1\n  Nom Char(20)\nData\n\nPoint -71.2 46.8\n");
    Ecrit(dossier + u"lieux.mid"_s, '"' + QByteArray(octets) + "\"\n");
    CPLFree(octets);
    {
        auto objet = Serveur();
        DO(objet, u"Import \"%1lieux.mif\" Type \"MIF\" Into \"%1lieux.tab\""_s.arg(dossier));
    }
    QVERIFY(Lit(dossier + u"lieux.tab"_s).contains("!charset " + jeu));
    QCOMPARE(Relit(dossier + u"lieux.tab"_s).valeurs, QList<QStringList>{{valeur}});
}

void TestMapInfo::exportMif_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<qint64>("lignes");
    QTest::addColumn<QString>("systeme");
    QTest::addColumn<QString>("jeu");
    QTest::addColumn<int>("colonne");
    QTest::addColumn<QString>("valeur"); // première ligne
    QTest::newRow("accents allemands") << u"tab/fdo-none_ascii/none_ascii.TAB"_s << qint64(1) << u"Earth Projection 1, 104"_s
                                       << u"WindowsLatin1"_s << 1 << u"Neukruger Straße"_s;
    QTest::newRow("cyrillique") << u"tab/gdal-tab-win1251/tab-win1251.TAB"_s << qint64(3)
                                << u"Earth Projection 8, 1001, \"m\", 39, 0, 1, 7500000, 0"_s << u"WindowsCyrillic"_s << 4
                                << u"Значение Д"_s;
    QTest::newRow("SAD 69, 81 polygones") << u"tab/rgdal-Up/Up.tab"_s << qint64(81)
                                          << u"Earth Projection 8, 92, \"m\", -45, 0, 0.9996, 500000, 10000000"_s
                                          << u"WindowsLatin1"_s << 0 << u"1"_s;
    QTest::newRow("table sans objets") << u"tab/gdal-aspatial/aspatial.tab"_s << qint64(3) << QString() << u"WindowsLatin1"_s
                                       << 0 << u"1"_s;
}

void TestMapInfo::exportMif()
{
    QFETCH(QString, source);
    QFETCH(qint64, lignes);
    QFETCH(QString, systeme);
    QFETCH(QString, jeu);
    QFETCH(int, colonne);
    QFETCH(QString, valeur);
    const QString sortie = dossier_.path() + u"/export/"_s + QString::fromUtf8(QTest::currentDataTag()) + u'/';
    QVERIFY(QDir().mkpath(sortie));
    const QString nom = source.section(u'/', -1).section(u'.', 0, 0).toLower();
    {
        auto objet = Serveur();
        DO(objet, u"Open Table \"%1\""_s.arg(EchantillonMinuscules(source)));
        DO(objet, u"Export \"%1\" Into \"%2\" Type \"MIF\""_s.arg(nom, sortie + nom + u".mif"_s));
        DO(objet, u"Close All"_s);
    }
    QCOMPARE(Fichiers(sortie), (QStringList{nom + u".mid"_s, nom + u".mif"_s}));
    const Relue r = Relit(sortie + nom + u".mif"_s);
    QVERIFY(r.ouverte);
    QCOMPARE(r.lignes, lignes);
    QCOMPARE(r.systeme, systeme);
    QVERIFY(Lit(sortie + nom + u".mif"_s).contains("Charset \"" + jeu.toLatin1() + '"'));
    QCOMPARE(r.valeurs.value(0).value(colonne).trimmed(), valeur);
}

// Un objet texte dont le cadre dépasse l'étendue des points garde son point et sa hauteur : les
// bornes de la table couvrent le cadre (le pilote y ramenait le cadre, le point bougeait).
void TestMapInfo::texteImmobile_data()
{
    QTest::addColumn<QByteArray>("objets");
    QTest::newRow("texte et point") << QByteArray("Text\n    \"Bonjour\"\n    10 20 30 25\nPoint 5 5\n");
    QTest::newRow("texte seul, tourné") << QByteArray("Text\n    \"Au revoir\"\n    10 20 30 25\n    Angle 90\n");
}

void TestMapInfo::texteImmobile()
{
    QFETCH(QByteArray, objets);
    const QString dossier = dossier_.path() + u"/texte/"_s + QString::fromUtf8(QTest::currentDataTag()) + u'/';
    QVERIFY(QDir().mkpath(dossier));
    Ecrit(dossier + u"textes.mif"_s, "Version 300\nCharset \"WindowsLatin1\"\nDelimiter \",\"\n"
                                      "CoordSys NonEarth Units \"m\" Bounds (0, 0) (100, 100)\nColumns 1\n  nom Char(20)\nData\n\n" + objets);
    Ecrit(dossier + u"textes.mid"_s, QByteArray("\"a\"\n").repeated(objets.count("\nPoint") + 1));
    {
        auto objet = Serveur();
        DO(objet, u"Import \"%1textes.mif\" Type \"MIF\" Into \"%1textes.tab\""_s.arg(dossier));
        DO(objet, u"Close All"_s);
    }
    // Le point tel que GDAL le lit dans le MIF (un texte tourné a son point ailleurs qu'au coin).
    const QPointF attendu = Relit(dossier + u"textes.mif"_s).premiersPoints.value(0);
    const Relue r = Relit(dossier + u"textes.tab"_s);
    QVERIFY2(AuMillimetre(r.premiersPoints.value(0), attendu),
             qPrintable(u"%1 %2"_s.arg(r.premiersPoints.value(0).x()).arg(r.premiersPoints.value(0).y())));
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(QFile::encodeName(dossier + u"textes.tab"_s).constData(), GDAL_OF_VECTOR));
    QVERIFY(ds);
    OGRFeatureUniquePtr f(ds->GetLayer(0)->GetNextFeature());
    QVERIFY(f && f->GetStyleString());
    QVERIFY2(QByteArray(f->GetStyleString()).contains("s:3.45"), f->GetStyleString());
}

void TestMapInfo::regroupementDesCouches()
{
    const QString travail = dossier_.path() + u"/regroupement/TempTrad/"_s;
    const QString destination = dossier_.path() + u"/regroupement/Sortie/plan.tab"_s;
    QVERIFY(QDir().mkpath(dossier_.path() + u"/regroupement/Sortie"_s));
    QVERIFY(QDir().mkpath(travail));
    EcritCouche(dossier_.path() + u"/regroupement/mif/planbati.mif"_s, {"Québec", "Œuvre « gîte »"}, 300010.1234);
    EcritCouche(dossier_.path() + u"/regroupement/mif/planroutes nationales.mif"_s, {"Trois-Rivières"}, 300020.9876);
    {
        auto objet = Serveur();
        // Les tables des calques, comme le traducteur les laisse dans le dossier de travail.
        for (const QString &calque : {u"planbati"_s, u"planroutes nationales"_s})
            DO(objet, u"Import \"%1\" Type \"MIF\" Into \"%2\""_s.arg(dossier_.path() + u"/regroupement/mif/"_s + calque + u".mif"_s,
                                                                      travail + calque + u".tab"_s));
        DO(objet, u"Close All"_s);
        DO(objet, u"Open Table \"%1planbati.tab\""_s.arg(travail));
        DO(objet, u"select * from planbati where rowid=0 into plan"_s);
        DO(objet, u"Commit Table plan As \"%1plan.tab\" TYPE NATIVE Charset \"WindowsLatin1\""_s.arg(travail));
        DO(objet, u"Close Table planbati"_s);
        DO(objet, u"Open Table \"%1plan.tab\""_s.arg(travail));
        for (const QString &calque : {u"planbati"_s, u"planroutes nationales"_s}) {
            DO(objet, u"Open Table \"%1%2.tab\""_s.arg(travail, calque));
            DO(objet, u"Insert Into plan Select * From %1"_s.arg(calque));
        }
        DO(objet, u"Commit Table plan As \"%1\" TYPE NATIVE Charset \"WindowsLatin1\""_s.arg(destination));
        DO(objet, u"Close All"_s);
    }
    QCOMPARE(Fichiers(dossier_.path() + u"/regroupement/Sortie"_s),
             (QStringList{u"plan.dat"_s, u"plan.id"_s, u"plan.map"_s, u"plan.tab"_s}));
    QCOMPARE(Relit(travail + u"plan.tab"_s).lignes, qint64(0));
    const Relue r = Relit(destination);
    QCOMPARE(r.lignes, qint64(3));
    QCOMPARE(r.colonnes, (QStringList{u"Nom"_s, u"Rang"_s}));
    QCOMPARE(r.valeurs, (QList<QStringList>{{u"Québec"_s, u"1"_s}, {u"Œuvre « gîte »"_s, u"2"_s}, {u"Trois-Rivières"_s, u"1"_s}}));
    QCOMPARE(r.systeme, u"Earth Projection 8, 66, \"m\", -79.5, 0, 0.9999, 304800, 0"_s);
    QVERIFY(Lit(destination).contains("!charset WindowsLatin1"));
    QCOMPARE(r.premiersPoints.size(), 3);
    QVERIFY(AuMillimetre(r.premiersPoints[0], QPointF(300010.1234, 5040000.5678)));
    QVERIFY(AuMillimetre(r.premiersPoints[1], QPointF(300011.1234, 5040000.5678)));
    QVERIFY(AuMillimetre(r.premiersPoints[2], QPointF(300020.9876, 5040000.5678)));
}

void TestMapInfo::regroupementDEchantillons()
{
    // Deux tables réelles de mêmes colonnes, la seconde écrite en majuscules et nommée en minuscules.
    const QString travail = dossier_.path() + u"/echantillons/TempTrad/"_s;
    QVERIFY(QDir().mkpath(travail));
    for (const QString &ext : {u"tab"_s, u"map"_s, u"dat"_s, u"id"_s}) {
        QVERIFY(QFile::copy(Echantillon(u"tab/rgdal-Up/Up."_s + ext), travail + u"Up."_s + ext));
        QVERIFY(QFile::copy(Echantillon(u"tab/rgdal-Up/Up."_s + ext), travail + u"UP2."_s + ext.toUpper()));
    }
    const QString destination = dossier_.path() + u"/echantillons/Sortie/ensemble.tab"_s;
    QVERIFY(QDir().mkpath(dossier_.path() + u"/echantillons/Sortie"_s));
    {
        auto objet = Serveur();
        DO(objet, u"Open Table \"%1up.tab\""_s.arg(travail));
        DO(objet, u"select * from up where rowid=0 into ensemble"_s);
        DO(objet, u"Commit Table ensemble As \"%1ensemble.tab\" TYPE NATIVE Charset \"WindowsLatin1\""_s.arg(travail));
        DO(objet, u"Close Table up"_s);
        DO(objet, u"Open Table \"%1ensemble.tab\""_s.arg(travail));
        for (const QString &table : {u"up"_s, u"up2"_s}) {
            DO(objet, u"Open Table \"%1%2.tab\""_s.arg(travail, table));
            DO(objet, u"Insert Into ensemble Select * From %1"_s.arg(table));
        }
        DO(objet, u"Commit Table ensemble As \"%1\" TYPE NATIVE Charset \"WindowsLatin1\""_s.arg(destination));
        DO(objet, u"Close All"_s);
    }
    const Relue r = Relit(destination);
    QCOMPARE(r.lignes, qint64(162));
    QCOMPARE(r.colonnes.size(), 52);
    QCOMPARE(r.systeme, u"Earth Projection 8, 92, \"m\", -45, 0, 0.9996, 500000, 10000000"_s);
    const Relue source = Relit(Echantillon(u"tab/rgdal-Up/Up.tab"_s));
    QCOMPARE(r.valeurs.mid(0, 81), source.valeurs);
    QCOMPARE(r.valeurs.mid(81), source.valeurs);
    QVERIFY(AuMillimetre(r.premiersPoints.value(80), source.premiersPoints.value(80)));
}

void TestMapInfo::tableOuverteJamaisRemplacee()
{
    const QString dossier = dossier_.path() + u"/ouverte/"_s;
    QVERIFY(QDir().mkpath(dossier));
    QMap<QString, QByteArray> avant;
    for (const QString &ext : {u"TAB"_s, u"MAP"_s, u"DAT"_s, u"ID"_s}) {
        QVERIFY(QFile::copy(Echantillon(u"tab/fdo-none_ascii/none_ascii."_s + ext), dossier + u"villes."_s + ext));
        avant[ext] = Lit(dossier + u"villes."_s + ext);
    }
    auto objet = Serveur();
    DO(objet, u"Open Table \"%1villes.tab\""_s.arg(dossier));
    const QStringList refusees{
        u"Commit Table villes"_s,
        u"Commit Table villes As \"%1villes.tab\" TYPE NATIVE Charset \"WindowsLatin1\""_s.arg(dossier),
        u"Import \"%1\" Type \"MIF\" Into \"%2villes.tab\""_s.arg(Echantillon(u"mif/gdal-small/small.mif"_s), dossier),
    };
    for (const QString &instruction : refusees) {
        try {
            objet->Do(instruction);
            QFAIL(qPrintable(instruction));
        } catch (const Erreur &e) {
            QCOMPARE(e.texte(), u"La table villes est ouverte : son fichier %1villes.TAB ne peut être remplacé.\nInstruction : "_s.arg(dossier)
                                    + instruction);
        }
    }
    DO(objet, u"Close All"_s);
    for (auto it = avant.cbegin(); it != avant.cend(); ++it)
        QCOMPARE(Lit(dossier + u"villes."_s + it.key()), it.value());
    QCOMPARE(Fichiers(dossier), (QStringList{u"villes.DAT"_s, u"villes.ID"_s, u"villes.MAP"_s, u"villes.TAB"_s}));
}

void TestMapInfo::erreursSansArretDuServeur_data()
{
    QTest::addColumn<QStringList>("avant");
    QTest::addColumn<QString>("instruction");
    QTest::addColumn<QString>("erreur");
    const QString t = u"@T/"_s; // le dossier de l'essai
    const QString none = EchantillonMinuscules(u"tab/fdo-none_ascii/none_ascii.TAB"_s);
    const QString up = EchantillonMinuscules(u"tab/rgdal-Up/Up.tab"_s);
    QTest::newRow("table absente") << QStringList() << u"Open Table \"@T/absente.tab\""_s
                                   << u"Le fichier @T/absente.tab n'existe pas.\nInstruction : Open Table \"@T/absente.tab\""_s;
    QTest::newRow("fichier qui n'est pas une table") << QStringList() << u"Open Table \"@T/texte.tab\""_s
                                                     << u"Le fichier @T/texte.tab n'est pas une table MapInfo lisible"_s;
    QTest::newRow("nom déjà ouvert") << QStringList{u"Open Table \"%1\""_s.arg(none)} << u"Open Table \"%1\""_s.arg(none)
                                     << u"La table none_ascii est déjà ouverte.\nInstruction : Open Table \"%1\""_s.arg(none);
    QTest::newRow("table non ouverte") << QStringList() << u"Close Table routes"_s
                                       << u"La table routes n'est pas ouverte.\nInstruction : Close Table routes"_s;
    QTest::newRow("requête fermée avec sa table")
        << QStringList{u"Open Table \"%1\""_s.arg(none), u"select * from none_ascii where rowid=0 into q"_s, u"Close Table none_ascii"_s}
        << u"Commit Table q As \"@T/q.tab\" TYPE NATIVE Charset \"WindowsLatin1\""_s << u"La table q n'est pas ouverte."_s;
    QTest::newRow("colonnes qui ne correspondent pas")
        << QStringList{u"Open Table \"%1\""_s.arg(none), u"Open Table \"%1\""_s.arg(up)} << u"Insert Into none_ascii Select * From up"_s
        << u"Les colonnes de la table up (52) ne correspondent pas à celles de la table none_ascii (2).\nInstruction : Insert Into none_ascii Select * From up"_s;
    QTest::newRow("instruction inconnue") << QStringList() << u"Browse * From up"_s
                                          << u"Instruction non reconnue.\nInstruction : Browse * From up"_s;
    QTest::newRow("instruction mal formée") << QStringList() << u"Open Table \"@T/a.tab"_s
                                            << u"Erreur de syntaxe : chaîne de caractères non terminée.\nInstruction : Open Table \"@T/a.tab"_s;
    QTest::newRow("dossier de destination absent")
        << QStringList{u"Open Table \"%1\""_s.arg(none)} << u"Commit Table none_ascii As \"@T/absent/n.tab\" TYPE NATIVE"_s
        << u"Le dossier @T/absent n'existe pas."_s;
    QTest::newRow("jeu de caractères inconnu, rien d'écrit")
        << QStringList{u"Open Table \"%1\""_s.arg(none)} << u"Commit Table none_ascii As \"@T/n.tab\" TYPE NATIVE Charset \"Klingon\""_s
        << u"Jeu de caractères inconnu : Klingon."_s;
    QTest::newRow("exportation d'une table non ouverte") << QStringList() << u"Export \"roads\" Into \"@T/roads.mif\" Type \"MIF\""_s
                                                         << u"La table roads n'est pas ouverte."_s;
    QTest::newRow("import d'un mif illisible")
        << QStringList() << u"Import \"%1\" Type \"MIF\" Into \"@T/apf.tab\""_s.arg(Echantillon(u"mif/gdal-all_possible_fields/all_possible_fields.mif"_s))
        << u"n'est pas une table MapInfo lisible"_s;
}

void TestMapInfo::erreursSansArretDuServeur()
{
    QFETCH(QStringList, avant);
    QFETCH(QString, instruction);
    QFETCH(QString, erreur);
    const QString dossier = dossier_.path() + u"/erreurs/"_s + QString::fromUtf8(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(dossier));
    Ecrit(dossier + u"/texte.tab"_s, "ceci n'est pas une table\n");
    auto objet = Serveur();
    for (const QString &i : avant)
        DO(objet, i);
    instruction.replace(u"@T"_s, dossier);
    erreur.replace(u"@T"_s, dossier);
    try {
        objet->Do(instruction);
        QFAIL("aucune erreur");
    } catch (const Erreur &e) {
        QVERIFY2(e.texte().contains(erreur), qPrintable(e.texte()));
        QVERIFY(e.texte().endsWith(u"Instruction : "_s + instruction));
    }
    // Rien d'écrit à moitié, et le serveur sert l'instruction suivante.
    QCOMPARE(Fichiers(dossier), QStringList{u"texte.tab"_s});
    DO(objet, u"Close All"_s);
    DO(objet, u"Open Table \"%1\""_s.arg(EchantillonMinuscules(u"tab/fdo-none_ascii/none_ascii.TAB"_s)));
    DO(objet, u"Close Table none_ascii"_s);
}

QTEST_GUILESS_MAIN(TestMapInfo)
#include "tst_mapinfo.moc"
