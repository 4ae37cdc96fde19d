#include "traduction.h"

#include "avertissementsgdal.h"
#include "blocsdxf.h"
#include "dessin.h"
#include "erreur.h"
#include "fichiers.h"
#include "integrite.h"
#include "jeux.h"
#include "tablemapinfo.h"

#ifdef QUORVALE_AVEC_E00
#include "e00.h"
#endif

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <cpl_conv.h>
#include <cpl_string.h>
#include <ogr_featurestyle.h>
#include <ogrsf_frmts.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <iconv.h>
#include <unistd.h>
#include <map>
#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace quorvale::ut {

namespace {

// Dans l'ordre des suffixes de la collecte des fichiers de formes.
enum Genre {
    Region, Polyligne, Point, Ellipse, Rectangle, Texte, RectangleArrondi, Aucun, Collection,
    PointPolice, PointPersonnalise, Arc, NombreGenres
};

struct DefnDeleter {
    void operator()(OGRFeatureDefn *d) const
    {
        if (d)
            d->Release();
    }
};
using Defn = std::unique_ptr<OGRFeatureDefn, DefnDeleter>;

struct Objet {
    OGRFeatureUniquePtr entite;
    Genre genre = Aucun;
};

// Une table de sortie : une table source, un calque du dessin, une classe de la couverture.
struct Groupe {
    QString nom;
    Defn defn;
    std::vector<Objet> objets;
    OGRwkbGeometryType typeDeclare = wkbUnknown;
};

struct Donnees {
    std::vector<Groupe> groupes;
    Srs srs;
    QString encodage;
    OGREnvelope etendue;
    std::optional<OGREnvelope> bornes;
};

struct DatasetDeleter {
    void operator()(GDALDataset *d) const { GDALClose(d); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetDeleter>;

// Les échecs signalés par GDAL depuis la dernière remise à zéro : son dernier message seul est
// souvent « fichier non reconnu », quand le premier dit pourquoi.
thread_local QStringList erreursGdal;
// Ce qui s'est perdu ou a changé dans la traduction en cours, dit une fois le fichier livré.
thread_local QStringList avertissements;

// Ce que GDAL a coupé, recodé ou sauté sans échouer, depuis le début de la traduction en cours.
thread_local AvertissementsGdal avertissementsGdal;

void CPL_STDCALL CollecteErreur(CPLErr classe, CPLErrorNum, const char *message)
{
    if (classe == CE_Warning)
        avertissementsGdal.Note(message);
    if (classe >= CE_Failure && message && erreursGdal.size() < 20)
        erreursGdal << QString::fromUtf8(message).trimmed();
}

void OublieErreurs()
{
    erreursGdal.clear();
    CPLErrorReset();
}

QString DerniereErreurGdal()
{
    if (!erreursGdal.isEmpty())
        return integrite::GdalEnFrancais(erreursGdal.first());
    const QString texte = QString::fromUtf8(CPLGetLastErrorMsg()).trimmed();
    return texte.isEmpty() ? u"format non reconnu"_s : integrite::GdalEnFrancais(texte);
}

// Un échec signalé par GDAL pendant la lecture des objets (ligne trop longue, enregistrement ou
// géométrie illisible) : des objets manquent ou sont vides, la traduction n'est pas complète.
void VerifieLecture(const QString &source, qsizetype erreursAvant, size_t lus)
{
    if (erreursGdal.size() > erreursAvant)
        throw Erreur(u"Lecture de « %1 » incomplète après %2 objets : %3"_s.arg(source).arg(lus).arg(erreursGdal[erreursAvant]));
}

QByteArray Utf8(const QString &texte)
{
    return texte.toUtf8();
}

// Une option de configuration de GDAL le temps d'une lecture.
class OptionGdal {
public:
    OptionGdal(const char *nom, const char *valeur) : nom_(nom)
    {
        const char *ancienne = CPLGetThreadLocalConfigOption(nom, nullptr);
        if (ancienne)
            ancienne_ = ancienne;
        avait_ = ancienne != nullptr;
        CPLSetThreadLocalConfigOption(nom, valeur);
    }
    ~OptionGdal() { CPLSetThreadLocalConfigOption(nom_, avait_ ? ancienne_.constData() : nullptr); }

private:
    const char *nom_;
    QByteArray ancienne_;
    bool avait_ = false;
};

Dataset Ouvre(const QString &chemin, const char *pilote, char **optionsOuverture = nullptr)
{
    const char *pilotes[] = {pilote, nullptr};
    OublieErreurs();
    auto *ds = static_cast<GDALDataset *>(GDALOpenEx(Utf8(chemin).constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY,
                                                     pilotes, optionsOuverture, nullptr));
    if (!ds || ds->GetLayerCount() == 0) {
        if (ds)
            GDALClose(ds);
        throw Erreur(u"Impossible de lire « %1 » : %2"_s.arg(chemin, DerniereErreurGdal()));
    }
    return Dataset(ds);
}

bool EstTexte(const OGRFeature &f)
{
    const char *style = f.GetStyleString();
    return style && QByteArray(style).trimmed().startsWith("LABEL(");
}

Genre GenreDe(const OGRFeature &f)
{
    const OGRGeometry *g = f.GetGeometryRef();
    if (!g || g->IsEmpty())
        return Aucun;
    const QByteArray style = f.GetStyleString() ? QByteArray(f.GetStyleString()) : QByteArray();
    switch (wkbFlatten(g->getGeometryType())) {
    case wkbPoint:
        if (EstTexte(f))
            return Texte;
        if (style.contains("font-sym-"))
            return PointPolice;
        if (style.contains("mapinfo-custom-sym"))
            return PointPersonnalise;
        return Point;
    case wkbMultiPoint:
        return Point;
    case wkbLineString:
    case wkbMultiLineString:
    case wkbCircularString:
    case wkbCompoundCurve:
    case wkbMultiCurve:
        return Polyligne;
    case wkbPolygon:
    case wkbMultiPolygon:
    case wkbCurvePolygon:
    case wkbMultiSurface:
    case wkbTriangle:
    case wkbPolyhedralSurface:
    case wkbTIN:
        return Region;
    default:
        return Collection;
    }
}

// Les genres exacts des objets d'un MIF, lus dans sa section Data : arcs, ellipses, rectangles
// et rectangles arrondis ne se distinguent pas dans ce que GDAL en rend. Vide si la lecture échoue.
std::vector<Genre> GenresMif(const QString &chemin)
{
    QFile f(Resous(chemin));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    static const std::map<QByteArray, Genre> mots{
        {"none", Aucun}, {"point", Point}, {"line", Polyligne}, {"pline", Polyligne}, {"region", Region},
        {"arc", Arc}, {"text", Texte}, {"rect", Rectangle}, {"roundrect", RectangleArrondi},
        {"ellipse", Ellipse}, {"multipoint", Point}, {"collection", Collection}};
    std::vector<Genre> genres;
    bool donnees = false;
    int partiesASauter = 0;
    while (!f.atEnd()) {
        const QByteArray ligne = f.readLine().trimmed();
        if (!donnees) {
            donnees = ligne.toLower() == "data";
            continue;
        }
        const QByteArray mot = ligne.left(ligne.indexOf(' ') < 0 ? ligne.size() : ligne.indexOf(' ')).toLower();
        const auto it = mots.find(mot);
        if (it == mots.end())
            continue;
        if (partiesASauter > 0) {
            --partiesASauter;
            continue;
        }
        genres.push_back(it->second);
        if (it->second == Collection)
            partiesASauter = ligne.mid(mot.size()).trimmed().toInt();
    }
    return genres;
}

void AjouteEtendue(Donnees &d, const OGRGeometry *g)
{
    if (!g || g->IsEmpty())
        return;
    OGREnvelope e;
    g->getEnvelope(&e);
    d.etendue.Merge(e);
}

// Une table, un MIF ou un fichier de formes : un seul groupe.
void LitTable(const Travail &t, Donnees &d)
{
    const bool shape = t.lecteur == Format::Shape;
    if (!FichierExiste(t.source))
        throw Erreur(u"Le fichier source « %1 » est introuvable."_s.arg(t.source));
    // Le jeu de la source, par la règle commune (jeux.h) : GDAL 3.6 ne connaît ni « ANSI 1250 » ni
    // le code de langue 0x57 pour ce qu'il est, et lit une table « Neutral » en octets bruts.
    const jeux::Decision jeu = jeux::CodageSource(t.source);
    CPLStringList ouverture;
    if (shape)
        ouverture.SetNameValue("ENCODING", Utf8(jeu.codage).constData());
    Dataset ds = Ouvre(t.source, shape ? "ESRI Shapefile" : "MapInfo File", ouverture.List());
    OGRLayer *couche = ds->GetLayer(0);
    Groupe g;
    g.nom = t.base;
    g.defn.reset(couche->GetLayerDefn()->Clone());
    g.defn->Reference();
    g.typeDeclare = couche->GetGeomType();
    if (const OGRSpatialReference *srs = couche->GetSpatialRef())
        d.srs.reset(srs->Clone());
    // Un .prj illisible, GDAL le tait : la sortie n'aurait aucun système de coordonnées.
    const QString prj = ChangeExtension(t.source, u".prj"_s);
    if (shape && t.coordsys.isEmpty() && !d.srs && FichierExiste(prj))
        throw Erreur(u"Le fichier « %1 » ne se lit pas : le système de coordonnées du jeu de formes serait perdu "
                     u"(décochez « Utiliser la projection du fichier » pour lui donner celui du traitement)."_s.arg(prj));
    d.encodage = jeu.codage;
    // Sans Charset (ou « Neutral »), GDAL rend les octets tels quels : ils sont recodés ici.
    const bool recode = !shape && jeu.origine != u"Charset"_s && jeu.codage != u"UTF-8"_s;
    if (recode)
        RecodeNoms(*g.defn, jeu.codage);
    couche->ResetReading();
    const qsizetype erreursAvant = erreursGdal.size();
    while (OGRFeature *f = couche->GetNextFeature()) {
        if (recode)
            RecodeEnUtf8(*f, jeu.codage);
        // Les caractères qu'une table n'a pu tenir y sont écrits \\U+XXXX : ils reprennent leur forme.
        for (int i = 0; !shape && i < f->GetFieldCount(); ++i)
            if (f->GetFieldDefnRef(i)->GetType() == OFTString && f->IsFieldSetAndNotNull(i) && std::strstr(f->GetFieldAsString(i), "\\U+"))
                f->SetField(i, Utf8(DecodeUnicodeDxf(QString::fromUtf8(f->GetFieldAsString(i)))).constData());
        if (!shape && f->GetStyleString() && std::strstr(f->GetStyleString(), "\\U+"))
            f->SetStyleString(Utf8(DecodeUnicodeDxf(QString::fromUtf8(f->GetStyleString()))).constData());
        Objet o{OGRFeatureUniquePtr(f), Aucun};
        o.genre = GenreDe(*f);
        AjouteEtendue(d, f->GetGeometryRef());
        g.objets.push_back(std::move(o));
    }
    VerifieLecture(t.source, erreursAvant, g.objets.size());
    // GDAL s'arrête sans rien dire sur un objet qu'il ne lit pas (un .map coupé) : tous doivent y être,
    // sauf les enregistrements effacés, qu'une table MapInfo compte mais que GDAL saute.
    GIntBig attendus = couche->GetFeatureCount(FALSE);
    if (t.lecteur == Format::MapInfo && attendus > 0)
        attendus -= integrite::EnregistrementsEffaces(ChangeExtension(t.source, u".dat"_s));
    if (attendus >= 0 && GIntBig(g.objets.size()) < attendus)
        throw Erreur(u"Impossible de lire « %1 » : %2 objets lus sur %3 (%4)"_s.arg(t.source)
                         .arg(g.objets.size())
                         .arg(attendus)
                         .arg(DerniereErreurGdal()));
    if (t.lecteur == Format::Mif) {
        const std::vector<Genre> exacts = GenresMif(t.source);
        if (exacts.size() == g.objets.size())
            for (size_t i = 0; i < exacts.size(); ++i)
                if (g.objets[i].genre != Aucun && exacts[i] != Point)
                    g.objets[i].genre = exacts[i];
    }
    d.groupes.push_back(std::move(g));
}

// Un texte UTF-8 sous un en-tête ANSI_1252 revient de GDAL doublement codé (« Ã©ven ») : il est
// rendu à son sens quand ses octets Windows-1252 forment de l'UTF-8 valide et multi-octets.
QString Demele(const QString &brut)
{
    // GDAL lit l'ANSI_1252 comme du Latin-1 : 0x80 à 0x9F (€, Œ, œ, guillemets) reviennent en
    // caractères de commande, qu'aucun texte ne porte ; ils reprennent leur sens Windows-1252.
    QString texte = brut;
    for (QChar &c : texte)
        if (c.unicode() >= 0x80 && c.unicode() < 0xA0) {
            const QString ordinaire = DepuisCp1252OuUtf8(QByteArray(1, char(c.unicode())));
            if (ordinaire.size() == 1)
                c = ordinaire.at(0);
        }
    bool haut = false;
    for (const QChar c : texte)
        haut = haut || c.unicode() >= 0x80;
    if (!haut || !TientEnCp1252(texte))
        return texte;
    const QByteArray octets = EnCp1252(texte);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decode = utf8(octets);
    return utf8.hasError() || decode == texte ? texte : decode;
}

// GDAL 3.6 rend une polyligne fermée (drapeau 70 & 1) en ligne dont le dernier sommet répète le
// premier, sans dire si le drapeau était posé. Règle : une ligne d'une polyligne (classes
// AcDbPolyline, AcDb2dPolyline, AcDb3dPolyline, ou aucune classe dans un dessin R12) qui revient à
// son départ, avec au moins trois sommets distincts, une aire et un contour qui ne se croise pas,
// devient une région ; cercles, ellipses, splines et lignes gardent leur nature, un contour qui se
// croise resterait une région invalide et reste une polyligne. Un maillage devient son contour ;
// les solides et faces 3D sont déjà des surfaces : leurs anneaux sont fermés.
// Le contour d'un maillage (polyface) vu de dessus : l'union de ses faces d'aire non nulle. Ses
// faces telles quelles feraient une région de parties qui se chevauchent (toit et sol d'un
// bâtiment), que MapInfo lirait comme des trous. Nul si GEOS n'en fait rien.
OGRGeometry *ContourDesFaces(const OGRGeometry &maillage)
{
    std::unique_ptr<OGRGeometry> faces(OGRGeometryFactory::forceToMultiPolygon(maillage.clone()));
    if (!faces || wkbFlatten(faces->getGeometryType()) != wkbMultiPolygon)
        return nullptr;
    faces->flattenTo2D();
    OGRMultiPolygon utiles;
    for (const OGRPolygon *face : *faces->toMultiPolygon())
        if (face->get_Area() > 0)
            utiles.addGeometry(face);
    if (utiles.IsEmpty())
        return nullptr;
    CPLPushErrorHandler(CPLQuietErrorHandler);
    OGRGeometry *contour = utiles.UnionCascaded();
    CPLPopErrorHandler();
    if (contour && (contour->IsEmpty() || contour->getDimension() != 2)) {
        delete contour;
        contour = nullptr;
    }
    return contour;
}

OGRGeometry *RegionDuContour(OGRGeometry *g, const char *classes)
{
    const OGRwkbGeometryType type = wkbFlatten(g->getGeometryType());
    if ((type == wkbPolyhedralSurface || type == wkbTIN) && OGRGeometryFactory::haveGEOS()) {
        if (OGRGeometry *contour = ContourDesFaces(*g)) {
            delete g;
            return contour;
        }
        return g;
    }
    if (type != wkbLineString) {
        g->closeRings();
        return g;
    }
    const QByteArray c(classes ? classes : "");
    if (!c.isEmpty() && !c.contains("Polyline"))
        return g;
    const OGRLineString *ligne = g->toLineString();
    const int n = ligne->getNumPoints();
    if (n < 4 || ligne->getX(0) != ligne->getX(n - 1) || ligne->getY(0) != ligne->getY(n - 1))
        return g;
    auto anneau = std::make_unique<OGRLinearRing>();
    anneau->addSubLineString(ligne);
    if (anneau->get_Area() <= 0)
        return g;
    auto region = std::make_unique<OGRPolygon>();
    region->addRingDirectly(anneau.release());
    if (OGRGeometryFactory::haveGEOS()) {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        const bool valide = region->IsValid();
        CPLPopErrorHandler();
        if (!valide)
            return g;
    }
    delete g;
    return region.release();
}

QString NomFichierSur(const QString &nom)
{
    QString n = nom;
    n.replace(u'/', u'_').replace(u'\\', u'_');
    return n;
}

// Un dessin : une table par calque, toutes du même schéma (le regroupement des calques les
// fusionne) : la couche, puis chaque attribut des données étendues rencontré.
void LitDessin(const Travail &t, Donnees &d)
{
    if (!FichierExiste(t.source))
        throw Erreur(u"Le dessin « %1 » est introuvable."_s.arg(t.source));
    const bool blocs = t.options.value(u"EXPAND_BLOCKS"_s, u"yes"_s).compare(u"no"_s, Qt::CaseInsensitive) != 0;
    const bool etendues = t.options.value(u"ATTRKIND"_s, u"extended_entity_data"_s).compare(u"extended_entity_data"_s, Qt::CaseInsensitive) == 0;
    OptionGdal brut("DXF_INCLUDE_RAW_CODE_VALUES", "TRUE");
    OptionGdal insere("DXF_INLINE_BLOCKS", blocs ? "TRUE" : "FALSE");
    OptionGdal fusion("DXF_MERGE_BLOCK_GEOMETRIES", "FALSE");
    // Un dessin binaire est lu dans sa forme texte, écrite en mémoire.
    QByteArray texte;
    if (dxf::EstBinaire(integrite::Debut(t.source, 32))) {
        QFile f(Resous(t.source));
        if (!f.open(QIODevice::ReadOnly))
            throw Erreur(u"Le dessin « %1 » ne s'ouvre pas : %2"_s.arg(t.source, f.errorString()));
        dxf::Conversion c = dxf::DxfTexte(f.readAll(), QFileInfo(t.source).fileName());
        if (!c.erreur.isEmpty())
            throw Erreur(u"Le dessin « %1 » ne se lit pas : %2."_s.arg(t.source, c.erreur));
        texte = std::move(c.texte);
    }
    // Les blocs insérés, comptés avant la lecture : GDAL insère tout un bloc d'un coup, si bien
    // qu'une seule insertion de blocs imbriqués épuiserait la mémoire avant toute vérification.
    dxf::CompteBlocs compte;
    if (blocs) {
        QFile f(Resous(t.source));
        QBuffer b(&texte);
        QIODevice &dessin = texte.isEmpty() ? static_cast<QIODevice &>(f) : b;
        if (!dessin.open(QIODevice::ReadOnly))
            throw Erreur(u"Le dessin « %1 » ne s'ouvre pas : %2"_s.arg(t.source, dessin.errorString()));
        compte = dxf::CompteEntites(dessin);
        if (const QString raison = dxf::DepasseBornes(compte, t.source); !raison.isEmpty())
            throw Erreur(raison);
    }
    // Filet : ce que GDAL tire de plus d'une entité (cotes, hachures) reste dans la même mesure.
    const size_t maximumLues = size_t(compte.inserees + compte.ecrites + dxf::MaximumAjoutees);
    const QByteArray enMemoire = "/vsimem/imut-dxf-" + QByteArray::number(qint64(::getpid())) + ".dxf";
    struct Efface {
        QByteArray chemin;
        bool actif;
        ~Efface()
        {
            if (actif)
                VSIUnlink(chemin.constData());
        }
    } efface{enMemoire, !texte.isEmpty()};
    if (!texte.isEmpty())
        VSIFCloseL(VSIFileFromMemBuffer(enMemoire.constData(), reinterpret_cast<GByte *>(texte.data()),
                                        vsi_l_offset(texte.size()), FALSE));
    Dataset ds;
    try {
        ds = Ouvre(texte.isEmpty() ? t.source : QString::fromUtf8(enMemoire), "DXF");
    } catch (const Erreur &) {
        throw Erreur(u"Impossible de lire le dessin « %1 » : %2"_s.arg(t.source, DerniereErreurGdal()));
    }
    OGRLayer *couche = ds->GetLayer(0);
    const int champCalque = couche->GetLayerDefn()->GetFieldIndex("Layer");
    const int champBrut = couche->GetLayerDefn()->GetFieldIndex("RawCodeValues");
    const int champClasses = couche->GetLayerDefn()->GetFieldIndex("SubClasses");

    // Ce qui sert d'une entité lue, sans l'objet de GDAL (toutes ses colonnes et ses codes bruts
    // pèseraient plusieurs kilo-octets par entité dans un gros dessin).
    struct Lu {
        std::unique_ptr<OGRGeometry> geometrie;
        QByteArray classes;
        QByteArray style;
        bool aStyle = false;
        QString calque;
        Attributs attributs;
    };
    std::vector<Lu> lus;
    QStringList noms;
    QStringList calques = t.types;
    couche->ResetReading();
    const qsizetype erreursAvant = erreursGdal.size();
    while (OGRFeature *lu = couche->GetNextFeature()) {
        const OGRFeatureUniquePtr f(lu);
        if (blocs && lus.size() >= maximumLues)
            throw Erreur(u"Le dessin « %1 » n'est pas traduit : ses blocs insérés donnent plus de %2 entités, "
                         u"au-delà de ce que le traducteur accepte d'un seul dessin."_s.arg(t.source).arg(maximumLues));
        Lu l;
        l.geometrie.reset(f->StealGeometry());
        if (champClasses >= 0)
            l.classes = f->GetFieldAsString(champClasses);
        if (const char *style = f->GetStyleString()) {
            l.style = style;
            l.aStyle = true;
        }
        l.calque = Demele(DecodeUnicodeDxf(champCalque >= 0 ? QString::fromUtf8(f->GetFieldAsString(champCalque)) : QString()));
        if (l.calque.isEmpty())
            l.calque = u"0"_s;
        if (champBrut >= 0 && etendues && f->IsFieldSetAndNotNull(champBrut)) {
            QStringList codes;
            for (char **c = f->GetFieldAsStringList(champBrut); c && *c; ++c)
                codes << Demele(QString::fromUtf8(*c));
            l.attributs = AttributsEtendus(codes);
            for (const auto &[nom, valeur] : l.attributs)
                if (!noms.contains(nom, Qt::CaseInsensitive))
                    noms << nom;
        }
        bool connu = false;
        for (const QString &c : calques)
            connu = connu || c.compare(l.calque, Qt::CaseInsensitive) == 0;
        if (!connu)
            calques << l.calque;
        lus.push_back(std::move(l));
    }
    VerifieLecture(t.source, erreursAvant, lus.size());

    auto *defn = new OGRFeatureDefn("dessin");
    defn->Reference();
    {
        OGRFieldDefn champ("Couche", OFTString);
        champ.SetWidth(254);
        defn->AddFieldDefn(&champ);
    }
    for (const QString &nom : noms) {
        OGRFieldDefn champ(Utf8(nom).constData(), OFTString);
        champ.SetWidth(254);
        defn->AddFieldDefn(&champ);
    }
    // Un groupe par calque qui porte des objets, dans l'ordre de la table des calques.
    std::map<QString, size_t> indices;
    for (const QString &calque : calques) {
        const QString cle = calque.toLower();
        if (indices.count(cle))
            continue;
        bool porte = false;
        for (const Lu &l : lus)
            porte = porte || l.calque.compare(calque, Qt::CaseInsensitive) == 0;
        if (!porte)
            continue;
        Groupe g;
        g.nom = t.baseCalques + NomFichierSur(calque);
        defn->Reference();
        g.defn.reset(defn);
        indices[cle] = d.groupes.size();
        d.groupes.push_back(std::move(g));
    }
    for (Lu &l : lus) {
        Groupe &g = d.groupes[indices.at(l.calque.toLower())];
        OGRFeatureUniquePtr f(new OGRFeature(g.defn.get()));
        f->SetField(0, Utf8(l.calque).constData());
        for (const auto &[nom, valeur] : l.attributs)
            f->SetField(1 + int(noms.indexOf(nom)), Utf8(valeur).constData());
        if (OGRGeometry *geometrie = l.geometrie.release()) {
            if (geometrie->hasCurveGeometry()) {
                OGRGeometry *lineaire = geometrie->getLinearGeometry();
                delete geometrie;
                geometrie = lineaire;
            }
            geometrie = RegionDuContour(geometrie, champClasses >= 0 ? l.classes.constData() : "");
            AjouteEtendue(d, geometrie);
            f->SetGeometryDirectly(geometrie);
        }
        if (l.aStyle)
            f->SetStyleString(Utf8(Demele(DecodeUnicodeDxf(QString::fromUtf8(l.style)))).constData());
        Objet o{std::move(f), Aucun};
        o.genre = GenreDe(*o.entite);
        g.objets.push_back(std::move(o));
        l = Lu();
    }
    defn->Release();
    if (d.groupes.empty())
        throw Erreur(u"Le dessin « %1 » ne contient aucune entité."_s.arg(t.source));
}

// Style d'un objet texte pour une chaîne et une hauteur (en unités du terrain).
QByteArray StyleTexte(QString chaine, double hauteur)
{
    chaine.replace(u'\\', u"\\\\"_s).replace(u'"', u"\\\""_s);
    return Utf8(u"LABEL(t:\"%1\",s:%2g)"_s.arg(chaine).arg(hauteur > 0 ? hauteur : 1.0));
}

#ifdef QUORVALE_AVEC_E00
// Les annotations TX6 et TX7, que GDAL ne lit pas, rejoignent la table des annotations (créée au
// besoin) en objets texte, avec leur sous-classe.
void AjouteAnnotationsTx6(const Travail &t, const QByteArray &texte, Donnees &d)
{
    const std::vector<e00::AnnotationLue> lues = e00::LitAnnotations(texte);
    if (lues.empty())
        return;
    const QString nom = t.base + u"_annotations"_s;
    Groupe *g = nullptr;
    for (Groupe &existant : d.groupes)
        if (existant.nom == nom)
            g = &existant;
    if (!g) {
        Groupe nouveau;
        nouveau.nom = nom;
        nouveau.defn.reset(new OGRFeatureDefn(Utf8(nom).constData()));
        nouveau.defn->Reference();
        nouveau.defn->SetGeomType(wkbPoint);
        nouveau.typeDeclare = wkbPoint;
        d.groupes.push_back(std::move(nouveau));
        g = &d.groupes.back();
    }
    const std::pair<const char *, OGRFieldType> champs[] = {
        {"UserId", OFTInteger}, {"Text", OFTString}, {"Height", OFTReal}, {"Level", OFTInteger}, {"SubClass", OFTString}};
    for (const auto &[champ, type] : champs)
        if (g->defn->GetFieldIndex(champ) < 0) {
            OGRFieldDefn defn(champ, type);
            if (type == OFTString)
                defn.SetWidth(254);
            g->defn->AddFieldDefn(&defn);
        }
    for (const e00::AnnotationLue &a : lues) {
        OGRFeatureUniquePtr f(new OGRFeature(g->defn.get()));
        const QString chaine = DepuisCp1252OuUtf8(a.chaine);
        f->SetField("UserId", GIntBig(a.identifiant));
        f->SetField("Text", Utf8(chaine).constData());
        f->SetField("Height", a.hauteur);
        f->SetField("Level", a.niveau);
        f->SetField("SubClass", Utf8(a.sousClasse).constData());
        f->SetGeometryDirectly(new OGRPoint(a.x, a.y));
        f->SetStyleString(StyleTexte(chaine, a.hauteur).constData());
        AjouteEtendue(d, f->GetGeometryRef());
        g->objets.push_back({std::move(f), Texte});
    }
}
#else
void AjouteAnnotationsTx6(const Travail &, const QByteArray &, Donnees &) {}
#endif

// Une couverture E00 : une table par classe d'entités (arcs, polygones, points, annotations).
void LitCouverture(const Travail &t, Donnees &d)
{
    QFile fichier(t.source);
    if (!fichier.open(QIODevice::ReadOnly))
        throw Erreur(u"La couverture « %1 » est introuvable ou illisible."_s.arg(t.source));
    QByteArray texte = fichier.readAll();
    if (texte.startsWith("EXP  1")) {
#ifdef QUORVALE_AVEC_E00
        texte = e00::Decompresse(texte);
#else
        throw Erreur(u"La couverture « %1 » est compressée et le traducteur ne sait pas encore la décompresser."_s.arg(t.source));
#endif
    }
    // Une couverture ne dit pas son jeu de caractères : Windows-1252, sauf de l'UTF-8 valide d'un
    // bout à l'autre ; GDAL en rend les octets tels quels.
    const QString codage = jeux::Detecte(texte);
    // Le lecteur de GDAL relit la section des arcs pour chaque polygone : en mémoire, six fois
    // plus vite que sur le disque.
    const QByteArray chemin = "/vsimem/imut/" + QByteArray::number(qint64(::getpid())) + "/" + QFileInfo(t.source).fileName().toUtf8();
    VSILFILE *memoire = VSIFileFromMemBuffer(chemin.constData(), reinterpret_cast<GByte *>(texte.data()), vsi_l_offset(texte.size()), FALSE);
    if (!memoire)
        throw Erreur(u"Impossible de lire la couverture « %1 » en mémoire."_s.arg(t.source));
    VSIFCloseL(memoire);
    struct Efface {
        QByteArray chemin;
        ~Efface() { VSIUnlink(chemin.constData()); }
    } efface{chemin};
    Dataset ds;
    try {
        ds = Ouvre(QString::fromUtf8(chemin), "AVCE00");
    } catch (const Erreur &) {
        throw Erreur(u"Impossible de lire « %1 » : %2"_s.arg(t.source, DerniereErreurGdal()));
    }
    for (const auto &[prefixe, classe] : ClassesCouverture()) {
        for (int i = 0; i < ds->GetLayerCount(); ++i) {
            OGRLayer *couche = ds->GetLayer(i);
            if (!QString::fromUtf8(couche->GetName()).toUpper().startsWith(prefixe))
                continue;
            Groupe g;
            g.nom = t.base + u'_' + classe;
            g.defn.reset(couche->GetLayerDefn()->Clone());
            g.defn->Reference();
            g.typeDeclare = couche->GetGeomType();
            if (!d.srs && couche->GetSpatialRef())
                d.srs.reset(couche->GetSpatialRef()->Clone());
            couche->ResetReading();
            while (OGRFeature *f = couche->GetNextFeature()) {
                if (codage != u"UTF-8"_s)
                    RecodeEnUtf8(*f, codage);
                Objet o{OGRFeatureUniquePtr(f), Aucun};
                o.genre = GenreDe(*f);
                // Une annotation devient un objet texte : le style LABEL porte sa chaîne et sa hauteur.
                const int champTexte = f->GetFieldIndex("Text");
                if (classe == u"annotations"_s && o.genre == Point && !EstTexte(*f) && champTexte >= 0) {
                    // GDAL rend les octets de l'annotation tels quels : du Windows-1252 le plus souvent.
                    const QString chaine = DepuisCp1252OuUtf8(QByteArray(f->GetFieldAsString(champTexte)));
                    const int champHauteur = f->GetFieldIndex("Height");
                    const double hauteur = champHauteur >= 0 ? f->GetFieldAsDouble(champHauteur) : 0.0;
                    f->SetStyleString(StyleTexte(chaine, hauteur).constData());
                    f->SetField(champTexte, Utf8(chaine).constData());
                    o.genre = Texte;
                }
                AjouteEtendue(d, f->GetGeometryRef());
                g.objets.push_back(std::move(o));
            }
            if (!g.objets.empty())
                d.groupes.push_back(std::move(g));
            break;
        }
    }
    AjouteAnnotationsTx6(t, texte, d);
    if (d.groupes.empty())
        throw Erreur(u"La couverture « %1 » ne contient ni arcs, ni polygones, ni points, ni annotations."_s.arg(t.source));
}

// ---------------------------------------------------------------- écriture

// Dossier de chantier dans le dossier de destination : tout y est écrit puis déplacé d'un coup,
// si bien qu'un échec ne laisse aucun fichier sous un nom final.
class Chantier {
public:
    explicit Chantier(const QString &dossier) : dossier_(dossier), provisoire_(dossier + u"/.imut-XXXXXX"_s)
    {
        if (!provisoire_.isValid())
            throw Erreur(u"Impossible d'écrire dans le dossier « %1 »."_s.arg(dossier));
    }
    QString Chemin(const QString &nom) const { return provisoire_.filePath(nom); }
    QString Final(const QString &nom) const { return Resous(QDir(dossier_).filePath(nom)); }
    void Livre(const QString &source)
    {
        const QFileInfoList fichiers = QDir(provisoire_.path()).entryInfoList(QDir::Files | QDir::Hidden);
        for (const QFileInfo &f : fichiers)
            if (QFileInfo(Final(f.fileName())).absoluteFilePath() == QFileInfo(source).absoluteFilePath())
                throw Erreur(u"La destination « %1 » serait le fichier source lui-même."_s.arg(source));
        for (const QFileInfo &f : fichiers)
            if (std::rename(QFile::encodeName(f.absoluteFilePath()).constData(),
                            QFile::encodeName(Final(f.fileName())).constData()) != 0)
                throw Erreur(u"Impossible de placer « %1 » dans « %2 »."_s.arg(f.fileName(), dossier_));
    }

private:
    QString dossier_;
    QTemporaryDir provisoire_;
};

// Géométrie que tous les écrivains savent écrire : courbes rendues linéaires, surfaces
// polyédriques et triangles (multipatch) rendus en multipolygones.
OGRGeometry *Lineaire(const OGRGeometry *g)
{
    if (!g)
        return nullptr;
    OGRGeometry *copie = g->hasCurveGeometry() ? g->getLinearGeometry() : g->clone();
    const OGRwkbGeometryType type = wkbFlatten(copie->getGeometryType());
    if (type == wkbTIN || type == wkbPolyhedralSurface || type == wkbTriangle)
        copie = OGRGeometryFactory::forceToMultiPolygon(copie);
    return copie;
}

bool ReliefNonNul(const OGRGeometry *g)
{
    if (!g || !g->Is3D())
        return false;
    OGREnvelope3D e;
    g->getEnvelope(&e);
    return e.MinZ != 0 || e.MaxZ != 0;
}

std::optional<TexteDessin> TexteDuStyle(const OGRFeature &f)
{
    if (!EstTexte(f))
        return std::nullopt;
    OGRStyleMgr gestion;
    gestion.InitStyleString(f.GetStyleString());
    for (int i = 0; i < gestion.GetPartCount(); ++i) {
        std::unique_ptr<OGRStyleTool> outil(gestion.GetPart(i));
        if (!outil || outil->GetType() != OGRSTCLabel)
            continue;
        auto *etiquette = static_cast<OGRStyleLabel *>(outil.get());
        etiquette->SetUnit(OGRSTUGround);
        GBool defaut = FALSE;
        TexteDessin texte;
        const char *chaine = etiquette->TextString(defaut);
        texte.chaine = chaine ? QString::fromUtf8(chaine) : QString();
        const double hauteur = etiquette->Size(defaut);
        texte.hauteur = defaut || hauteur <= 0 ? 1.0 : hauteur;
        const double angle = etiquette->Angle(defaut);
        texte.angle = defaut ? 0.0 : angle;
        return texte;
    }
    return std::nullopt;
}

// Largeur qu'il faut à une colonne réelle pour ses valeurs : les largeurs déclarées par certaines
// sources (E00, fichiers de formes) sont trop courtes pour leurs propres données.
int LargeurNecessaire(const Groupe &g, int champ, int precision)
{
    double maximum = 0;
    for (const Objet &o : g.objets)
        if (o.entite->IsFieldSetAndNotNull(champ))
            maximum = std::max(maximum, std::fabs(o.entite->GetFieldAsDouble(champ)));
    int chiffres = 1;
    while (maximum >= 10 && chiffres < 400) {
        maximum /= 10;
        ++chiffres;
    }
    return chiffres + 1 + (precision > 0 ? precision + 1 : 0);
}

// Crée les champs d'une couche de sortie ; renvoie, pour chaque champ source, son indice cible.
std::vector<int> CopieChamps(OGRLayer *couche, const Groupe &g, bool mapinfo)
{
    const OGRFeatureDefn &defn = *g.defn;
    std::vector<int> correspondance;
    for (int i = 0; i < defn.GetFieldCount(); ++i) {
        OGRFieldDefn champ(defn.GetFieldDefn(i));
        const OGRFieldType type = champ.GetType();
        if (type == OFTReal && champ.GetWidth() > 0)
            champ.SetWidth(std::max(champ.GetWidth(), LargeurNecessaire(g, i, champ.GetPrecision())));
        if (mapinfo && type == OFTInteger64) {
            champ.SetType(OFTReal);
            champ.SetWidth(20);
            champ.SetPrecision(0);
        } else if (mapinfo && type == OFTReal && (champ.GetWidth() > 20 || champ.GetPrecision() > 16)) {
            // Au-delà de Decimal(20, 16), MapInfo refuse la colonne : un Float garde la valeur.
            champ.SetWidth(0);
            champ.SetPrecision(0);
        } else if (!mapinfo && (type == OFTTime || type == OFTDateTime)) {
            // Un fichier de formes n'a ni heure ni date et heure : GDAL refuse la colonne Time (tout
            // le fichier échouait) et réduit une DateTime à sa date. Texte « AAAA/MM/JJ HH:MM:SS ».
            champ.SetType(OFTString);
            champ.SetSubType(OFSTNone);
            champ.SetWidth(type == OFTTime ? 12 : 29);
        } else if (type == OFTIntegerList || type == OFTInteger64List || type == OFTRealList || type == OFTStringList ||
                   type == OFTBinary) {
            champ.SetType(OFTString);
            champ.SetWidth(254);
        }
        const int avant = couche->GetLayerDefn()->GetFieldCount();
        if (couche->CreateField(&champ, TRUE) != OGRERR_NONE || couche->GetLayerDefn()->GetFieldCount() != avant + 1)
            throw Erreur(u"Impossible de créer le champ « %1 » : %2"_s.arg(QString::fromUtf8(champ.GetNameRef()), DerniereErreurGdal()));
        correspondance.push_back(avant);
    }
    return correspondance;
}

#ifdef QUORVALE_AVEC_E00
void EcritObjet(OGRLayer *couche, const OGRFeature &source, const std::vector<int> &champs, OGRGeometry *geometrie,
                const QString &table, qsizetype numero)
{
    OGRFeature f(couche->GetLayerDefn());
    if (!champs.empty() && f.SetFrom(&source, champs.data(), TRUE) != OGRERR_NONE) {
        delete geometrie;
        throw Erreur(u"Impossible de copier les attributs de l'objet n° %1 dans « %2 »."_s.arg(numero).arg(table));
    }
    f.SetGeometryDirectly(geometrie);
    f.SetStyleString(source.GetStyleString());
    if (couche->CreateFeature(&f) != OGRERR_NONE)
        throw Erreur(u"Impossible d'écrire l'objet n° %1 dans « %2 » : %3"_s.arg(numero).arg(table, DerniereErreurGdal()));
}
#endif

// Vrai quand chaque texte se convertit dans ce jeu de caractères (iconv, sans translittération).
bool TientDans(const QStringList &textes, const QByteArray &encodage)
{
    iconv_t conversion = iconv_open(encodage.constData(), "UTF-8");
    if (conversion == iconv_t(-1))
        return false;
    bool tient = true;
    for (const QString &texte : textes) {
        QByteArray entree = texte.toUtf8();
        QByteArray sortie(entree.size() * 4 + 4, 0);
        char *e = entree.data(), *s = sortie.data();
        size_t ne = size_t(entree.size()), ns = size_t(sortie.size());
        if (iconv(conversion, &e, &ne, &s, &ns) == size_t(-1)) {
            tient = false;
            break;
        }
    }
    iconv_close(conversion);
    return tient;
}

QStringList TextesDe(const Donnees &d)
{
    QStringList textes;
    for (const Groupe &g : d.groupes) {
        for (int i = 0; i < g.defn->GetFieldCount(); ++i)
            textes << QString::fromUtf8(g.defn->GetFieldDefn(i)->GetNameRef());
        for (const Objet &o : g.objets) {
            for (int i = 0; i < g.defn->GetFieldCount(); ++i)
                if (g.defn->GetFieldDefn(i)->GetType() == OFTString && o.entite->IsFieldSetAndNotNull(i))
                    textes << QString::fromUtf8(o.entite->GetFieldAsString(i));
            if (const auto texte = TexteDuStyle(*o.entite))
                textes << texte->chaine;
        }
    }
    textes.removeDuplicates();
    return textes;
}

// Jeu de caractères d'une table MapInfo : celui de la source, sinon WindowsLatin1, sinon le premier
// jeu Windows où tout tient. GDAL écrirait sinon des noms de colonnes vides (table illisible) et
// des « ? » à la place des lettres. Quand rien ne tient, le jeu de la source (ou WindowsLatin1)
// et les caractères étrangers en \\U+XXXX, comme les dessins les écrivent.
std::pair<QString, bool> EncodageMapInfo(const Donnees &d)
{
    const QStringList textes = TextesDe(d);
    // GDAL 3.6 n'écrit une table que dans un jeu MapInfo qu'il connaît : pas en UTF-8.
    const QString source = jeux::CharsetDeCodage(d.encodage).isEmpty() || d.encodage == u"UTF-8"_s ? QString() : d.encodage;
    const QStringList candidats{source, u"CP1252"_s, u"CP1251"_s, u"CP1250"_s, u"CP1253"_s, u"CP1254"_s,
                                u"CP1257"_s, u"CP1255"_s, u"CP1256"_s};
    for (const QString &c : candidats)
        if (!c.isEmpty() && TientDans(textes, c.toUtf8()))
            return {c, false};
    const QString encodage = source.isEmpty() ? u"CP1252"_s : source;
    for (const Groupe &g : d.groupes)
        for (int i = 0; i < g.defn->GetFieldCount(); ++i) {
            const QString nom = QString::fromUtf8(g.defn->GetFieldDefn(i)->GetNameRef());
            if (!TientDans({nom}, encodage.toUtf8()))
                throw Erreur(u"Le nom de colonne « %1 » ne tient pas dans le jeu de caractères de la table."_s.arg(nom));
        }
    return {encodage, true};
}

// Le texte, ses caractères hors du jeu de caractères écrits \\U+XXXX (sans perte, réversible).
QString Echappe(const QString &texte, const QByteArray &encodage)
{
    if (TientDans({texte}, encodage))
        return texte;
    QString resultat;
    for (const char32_t c : texte.toUcs4()) {
        const QString caractere = QString::fromUcs4(&c, 1);
        if (TientDans({caractere}, encodage))
            resultat += caractere;
        else
            resultat += u"\\U+"_s + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
    }
    return resultat;
}

// Écrit en mémoire (SortieEnMemoire), livré dans le chantier sous la base du fichier.
void Livre(const SortieEnMemoire &memoire, const QString &nom, const Chantier &chantier)
{
    const QString base = QFileInfo(nom).completeBaseName();
    const QString rate = memoire.Copie([&](const QString &suffixe) { return chantier.Chemin(base + suffixe); });
    if (!rate.isEmpty())
        throw Erreur(u"Impossible d'écrire « %1 »."_s.arg(rate));
}

void EcritMapInfo(const Donnees &d, Chantier &chantier, bool mif)
{
    const auto [encodage, echappe] = EncodageMapInfo(d);
    const QByteArray jeu = encodage.toUtf8();
    OGREnvelope etendue = d.etendue;
    for (const Groupe &g : d.groupes)
        for (const Objet &o : g.objets)
            if (o.genre == Texte)
                AjouteCadreTexte(*o.entite, etendue);
    for (const Groupe &g : d.groupes) {
        const QString nom = g.nom + (mif ? u".mif"_s : u".tab"_s);
        if (echappe)
            avertissements << jeux::AvertissementHorsJeu(jeux::HorsDuJeu(TextesDe(d), encodage), jeux::CharsetDeCodage(encodage),
                                                         nom, u"ils sont écrits \\U+XXXX, que seul ce traducteur rétablit"_s);
        const SortieEnMemoire memoire(nom);
        Dataset table(CreeTableMapInfo(memoire.Chemin(), mif));
        OGRLayer *couche = CreeCoucheMapInfo(table.get(), g.nom, d.srs.get(), BornesTable(etendue, d.bornes, d.srs.get()),
                                             encodage);
        std::vector<int> champs = CopieChamps(couche, g, true);
        // Un MIF sans colonne ne se relit pas : une colonne de numéro.
        const bool numero = g.defn->GetFieldCount() == 0;
        if (numero) {
            OGRFieldDefn champ("Numero", OFTInteger);
            couche->CreateField(&champ);
        }
        qsizetype n = 0;
        for (const Objet &o : g.objets) {
            ++n;
            OGRFeature f(couche->GetLayerDefn());
            if (!champs.empty())
                f.SetFrom(o.entite.get(), champs.data(), TRUE);
            if (numero)
                f.SetField(0, int(n));
            for (int i = 0; echappe && i < f.GetFieldCount(); ++i)
                if (f.GetFieldDefnRef(i)->GetType() == OFTString && f.IsFieldSetAndNotNull(i))
                    f.SetField(i, Utf8(Echappe(QString::fromUtf8(f.GetFieldAsString(i)), jeu)).constData());
            // Une géométrie vide s'écrit, mais GDAL s'arrête sur elle à la relecture et perd les objets
            // suivants : l'objet est écrit sans géométrie.
            OGRGeometry *geometrie = Lineaire(o.entite->GetGeometryRef());
            if (geometrie && geometrie->IsEmpty()) {
                delete geometrie;
                geometrie = nullptr;
            }
            f.SetGeometryDirectly(geometrie);
            if (const char *style = o.entite->GetStyleString())
                f.SetStyleString(echappe ? Utf8(Echappe(QString::fromUtf8(style), jeu)).constData() : style);
            if (couche->CreateFeature(&f) != OGRERR_NONE)
                throw Erreur(u"Impossible d'écrire l'objet n° %1 dans « %2 » : %3"_s.arg(n).arg(nom, DerniereErreurGdal()));
        }
        table.reset();
        if (CPLGetLastErrorType() == CE_Failure)
            throw Erreur(u"Écriture de « %1 » incomplète : %2"_s.arg(nom, DerniereErreurGdal()));
        Livre(memoire, nom, chantier);
    }
}

// Une géométrie de la dimension voulue (0, 1, 2) faite des parties d'une collection ; nul sinon.
OGRGeometry *PartiesDeDimension(const OGRGeometry *g, int dimension)
{
    OGRGeometryCollection *resultat = dimension == 2   ? static_cast<OGRGeometryCollection *>(new OGRMultiPolygon)
                                      : dimension == 1 ? static_cast<OGRGeometryCollection *>(new OGRMultiLineString)
                                                       : static_cast<OGRGeometryCollection *>(new OGRMultiPoint);
    std::function<void(const OGRGeometry *)> ajoute = [&](const OGRGeometry *partie) {
        if (!partie)
            return;
        const OGRwkbGeometryType type = wkbFlatten(partie->getGeometryType());
        if (OGR_GT_IsSubClassOf(type, wkbGeometryCollection)) {
            for (const OGRGeometry *p : *partie->toGeometryCollection())
                ajoute(p);
        } else if (partie->getDimension() == dimension) {
            std::unique_ptr<OGRGeometry> l(Lineaire(partie));
            resultat->addGeometry(l.get());
        }
    };
    ajoute(g);
    if (resultat->IsEmpty()) {
        delete resultat;
        return nullptr;
    }
    return resultat;
}

// Jeu de caractères d'un fichier de formes : celui de la source s'il est un jeu Windows, sinon
// Windows-1252 quand tout y tient, sinon UTF-8 (le .cpg le dit).
QString EncodageShape(const Donnees &d)
{
    if (d.encodage != u"CP1252"_s && d.encodage.startsWith(u"CP"_s))
        return jeux::Tient(TextesDe(d), d.encodage) ? d.encodage : u"UTF-8"_s;
    for (const Groupe &g : d.groupes) {
        for (int i = 0; i < g.defn->GetFieldCount(); ++i)
            if (!TientEnCp1252(QString::fromUtf8(g.defn->GetFieldDefn(i)->GetNameRef())))
                return u"UTF-8"_s;
        for (const Objet &o : g.objets) {
            for (int i = 0; i < g.defn->GetFieldCount(); ++i)
                if (g.defn->GetFieldDefn(i)->GetType() == OFTString && o.entite->IsFieldSetAndNotNull(i) &&
                    !TientEnCp1252(QString::fromUtf8(o.entite->GetFieldAsString(i))))
                    return u"UTF-8"_s;
            if (const auto texte = TexteDuStyle(*o.entite); texte && !TientEnCp1252(texte->chaine))
                return u"UTF-8"_s;
        }
    }
    return u"CP1252"_s;
}

void EcritShape(const Donnees &d, Chantier &chantier)
{
    const QByteArray encodage = Utf8(EncodageShape(d));
    const Srs esri = SrsPourEsri(d.srs.get());
    GDALDriver *pilote = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
    for (const Groupe &g : d.groupes) {
        // Les géométries de chaque genre ; une collection donne ses polygones (ou ses lignes, ou ses
        // points) au fichier des collections, ses autres parties aux fichiers de leur genre.
        struct Piece {
            const OGRFeature *source;
            std::unique_ptr<OGRGeometry> geometrie;
        };
        std::vector<Piece> pieces[NombreGenres];
        int dimensionCollection = -1;
        for (const Objet &o : g.objets)
            if (o.genre == Collection)
                dimensionCollection = std::max(dimensionCollection, o.entite->GetGeometryRef()->getDimension());
        for (const Objet &o : g.objets) {
            const OGRGeometry *geo = o.entite->GetGeometryRef();
            if (o.genre != Collection) {
                pieces[o.genre].push_back({o.entite.get(), std::unique_ptr<OGRGeometry>(Lineaire(geo))});
                continue;
            }
            for (int dim = 2; dim >= 0; --dim) {
                std::unique_ptr<OGRGeometry> partie(PartiesDeDimension(geo, dim));
                if (!partie)
                    continue;
                const Genre genre = dim == dimensionCollection ? Collection : dim == 2 ? Region : dim == 1 ? Polyligne : Point;
                pieces[genre].push_back({o.entite.get(), std::move(partie)});
            }
        }
        if (g.objets.empty()) {
            // Une source vide donne tout de même un fichier, du genre qu'elle déclare.
            const OGRwkbGeometryType t = wkbFlatten(g.typeDeclare);
            const Genre genre = OGR_GT_IsSubClassOf(t, wkbPolygon) || t == wkbMultiPolygon ? Region
                                : t == wkbLineString || t == wkbMultiLineString           ? Polyligne
                                : t == wkbPoint || t == wkbMultiPoint                     ? Point
                                                                                          : Aucun;
            pieces[genre].clear();
            pieces[genre].push_back({nullptr, nullptr});
        }
        for (int genre = 0; genre < NombreGenres; ++genre) {
            if (pieces[genre].empty())
                continue;
            bool multiPoints = false, relief = false;
            for (const Piece &p : pieces[genre]) {
                multiPoints = multiPoints || (p.geometrie && wkbFlatten(p.geometrie->getGeometryType()) == wkbMultiPoint);
                relief = relief || ReliefNonNul(p.geometrie.get());
            }
            const int dimension = genre == Collection ? dimensionCollection : -2;
            OGRwkbGeometryType type =
                genre == Region || genre == Ellipse || genre == Rectangle || genre == RectangleArrondi || dimension == 2
                    ? wkbPolygon
                : genre == Polyligne || genre == Arc || dimension == 1 ? wkbLineString
                : multiPoints || dimension == 0                        ? wkbMultiPoint
                                                                       : wkbPoint;
            if (relief)
                type = wkbSetZ(type);
            const QString nom = g.nom + u'_' + SuffixesGenres()[genre];
            const SortieEnMemoire memoire(nom + u".shp"_s);
            Dataset ds(pilote->Create(Utf8(memoire.Chemin()).constData(), 0, 0, 0, GDT_Unknown, nullptr));
            if (!ds)
                throw Erreur(u"Impossible de créer « %1 » : %2"_s.arg(nom, DerniereErreurGdal()));
            CPLStringList options;
            options.SetNameValue("ENCODING", encodage.constData());
            OGRLayer *couche = ds->CreateLayer(Utf8(nom).constData(), esri.get(), type, options.List());
            if (!couche)
                throw Erreur(u"Impossible de créer « %1 » : %2"_s.arg(nom, DerniereErreurGdal()));
            std::vector<int> champs = CopieChamps(couche, g, false);
            int champTexte = -1;
            if (genre == Texte) {
                OGRFieldDefn champ("TEXTE", OFTString);
                champ.SetWidth(254);
                couche->CreateField(&champ);
                champTexte = couche->GetLayerDefn()->GetFieldCount() - 1;
            }
            qsizetype n = 0;
            for (Piece &p : pieces[genre]) {
                if (!p.source)
                    continue;
                ++n;
                OGRGeometry *geo = p.geometrie.release();
                if (geo && !relief)
                    geo->flattenTo2D();
                if (geo && wkbFlatten(type) == wkbMultiPoint && wkbFlatten(geo->getGeometryType()) == wkbPoint)
                    geo = OGRGeometryFactory::forceToMultiPoint(geo);
                OGRFeature f(couche->GetLayerDefn());
                if (!champs.empty())
                    f.SetFrom(p.source, champs.data(), TRUE);
                if (champTexte >= 0)
                    if (const auto texte = TexteDuStyle(*p.source))
                        f.SetField(champTexte, Utf8(texte->chaine).constData());
                f.SetGeometryDirectly(geo);
                if (couche->CreateFeature(&f) != OGRERR_NONE)
                    throw Erreur(u"Impossible d'écrire l'objet n° %1 dans « %2 » : %3"_s.arg(n).arg(nom, DerniereErreurGdal()));
            }
            ds.reset();
            Livre(memoire, nom + u".shp"_s, chantier);
        }
    }
}

QString Valeur(const OGRFeature &f, int i)
{
    return QString::fromUtf8(f.GetFieldAsString(i));
}

QByteArray DessinDe(const Donnees &d)
{
    EcrivainDxf dessin;
    for (const Groupe &g : d.groupes) {
        for (const Objet &o : g.objets) {
            const OGRGeometry *geo = o.entite->GetGeometryRef();
            // Un objet sans géométrie n'a pas d'entité de dessin qui le porte.
            if (!geo || geo->IsEmpty())
                continue;
            Attributs attributs;
            for (int i = 0; i < g.defn->GetFieldCount(); ++i)
                if (o.entite->IsFieldSetAndNotNull(i))
                    attributs.append({QString::fromUtf8(g.defn->GetFieldDefn(i)->GetNameRef()), Valeur(*o.entite, i)});
            const auto texte = TexteDuStyle(*o.entite);
            const std::unique_ptr<OGRGeometry> lineaire(Lineaire(geo));
            dessin.Ajoute(*lineaire, g.nom, attributs, texte ? &*texte : nullptr);
        }
    }
    return dessin.Texte();
}

void EcritFichier(const QString &chemin, const QByteArray &octets)
{
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size() || !f.flush())
        throw Erreur(u"Impossible d'écrire « %1 »."_s.arg(chemin));
}

#ifdef QUORVALE_AVEC_E00
// Consomme le modèle : chaque objet est libéré dès sa copie, pour ne jamais tenir le fichier deux fois.
void EcritE00(Donnees &d, const QString &base, const QString &chemin)
{
    GDALDriver *memoire = GetGDALDriverManager()->GetDriverByName("Memory");
    Dataset ds(memoire->Create("", 0, 0, 0, GDT_Unknown, nullptr));
    std::vector<OGRLayer *> couches;
    for (Groupe &g : d.groupes) {
        OGRLayer *couche = ds->CreateLayer(Utf8(g.nom).constData(), d.srs.get(), wkbUnknown, nullptr);
        std::vector<int> champs = CopieChamps(couche, g, false);
        qsizetype n = 0;
        for (Objet &o : g.objets) {
            EcritObjet(couche, *o.entite, champs, Lineaire(o.entite->GetGeometryRef()), g.nom, ++n);
            o.entite.reset();
        }
        std::vector<Objet>().swap(g.objets);
        couches.push_back(couche);
    }
    // Le NAD 27 sous le nom que la section PRJ sait dire.
    const Srs srs = SrsPourEsri(d.srs.get());
    e00::EcritCouverture(couches, base, chemin, srs.get());
}
#endif

QString DossierDestination(const Travail &t)
{
    QString dossier = t.ecrivain == Format::Dxf ? QFileInfo(t.destination).path() : t.destination;
    while (dossier.size() > 1 && dossier.endsWith(u'/'))
        dossier.chop(1);
    dossier = Resous(dossier);
    if (!DossierExiste(dossier))
        throw Erreur(u"Le dossier de destination « %1 » n'existe pas."_s.arg(dossier));
    return dossier;
}

} // namespace

void InitialiseGdal()
{
    static bool fait = false;
    if (fait)
        return;
    fait = true;
    CPLSetErrorHandler(CollecteErreur);
    // Les cinq pilotes utiles seulement : tous les enregistrer coûte plus que la conversion
    // d'un petit fichier.
    RegisterOGRShape();
    RegisterOGRTAB();
    RegisterOGRDXF();
    RegisterOGRAVCE00();
    RegisterOGRMEM();
}

const QStringList &SuffixesGenres()
{
    static const QStringList suffixes{u"region"_s, u"polyline"_s, u"point"_s, u"ellipse"_s, u"rectangle"_s, u"text"_s,
                                      u"rounded_rectangle"_s, u"none"_s, u"collection"_s, u"font_point"_s,
                                      u"custom_point"_s, u"arc"_s};
    return suffixes;
}

void Convertit(const Travail &t)
{
    InitialiseGdal();
    OublieErreurs();
    avertissements.clear();
    avertissementsGdal.Oublie();
    const QString dossier = DossierDestination(t);
    if (const auto defaut = integrite::DefautSource(t.source))
        throw Erreur(u"« %1 » n'est pas traduit : %2."_s.arg(t.source, *defaut));
    if (const auto avertissement = integrite::AvertissementSource(t.source))
        avertissements << *avertissement;
    Donnees d;
    switch (t.lecteur) {
    case Format::Dxf: LitDessin(t, d); break;
    case Format::E00: LitCouverture(t, d); break;
    default: LitTable(t, d); break;
    }
    // Une clause CoordSys imposée est assignée telle quelle : rien n'est reprojeté.
    if (!t.coordsys.isEmpty())
        d.srs = SrsDeClause(t.coordsys, &d.bornes);
    if (d.encodage.isEmpty())
        d.encodage = u"CP1252"_s;

    // Un dessin et une couverture ne portent que des objets géométriques : une table qui n'a que des
    // fiches sans géométrie n'y laisserait rien, ce qui ne doit pas passer pour une traduction.
    if (t.ecrivain == Format::Dxf || t.ecrivain == Format::E00) {
        qsizetype fiches = 0;
        bool geometrie = false;
        for (const Groupe &g : d.groupes)
            for (const Objet &o : g.objets) {
                ++fiches;
                geometrie = geometrie || o.genre != Aucun;
            }
        if (fiches > 0 && !geometrie)
            throw Erreur(u"« %1 » est une table sans géométrie (%2 fiche(s)) : %3 ne peut porter que des objets "
                         u"géométriques, rien n'est écrit."_s
                             .arg(t.source)
                             .arg(fiches)
                             .arg(t.ecrivain == Format::Dxf ? u"un dessin DXF"_s : u"une couverture E00"_s));
    }

    Chantier chantier(dossier);
    OublieErreurs();
    switch (t.ecrivain) {
    case Format::MapInfo:
    case Format::Mif:
        EcritMapInfo(d, chantier, t.ecrivain == Format::Mif);
        break;
    case Format::Shape:
        EcritShape(d, chantier);
        break;
    case Format::Dxf: {
        const QString nom = t.lecteur == Format::Dxf || t.lecteur == Format::E00 || QFileInfo(t.destination).suffix().isEmpty()
                                ? t.base + u".dxf"_s
                                : QFileInfo(t.destination).fileName();
        EcritFichier(chantier.Chemin(nom), DessinDe(d));
        break;
    }
    case Format::E00:
#ifdef QUORVALE_AVEC_E00
        // Une couverture s'écrit en Windows-1252 : ce qui n'y tient pas est dit, pas tu.
        if (const QString hors = jeux::HorsDuJeu(TextesDe(d), u"CP1252"_s); !hors.isEmpty())
            avertissements << jeux::AvertissementHorsJeu(hors, u"Windows-1252"_s, t.base + u".e00"_s,
                                                         u"ils y sont remplacés par « ? »"_s);
        EcritE00(d, t.base, chantier.Chemin(t.base + u".e00"_s));
        break;
#else
        throw Erreur(u"L'écriture des couvertures E00 n'est pas encore disponible dans le traducteur."_s);
#endif
    default:
        throw Erreur(u"Écrivain non pris en charge."_s);
    }
    chantier.Livre(t.source);
    avertissements << avertissementsGdal.Lignes();
    for (const QString &a : std::as_const(avertissements))
        SignaleAvertissement(u"« %1 » : %2."_s.arg(t.source, a));
}

int ProjectionPropre(const QStringList &arguments)
{
    if (arguments.size() != 1)
        throw Erreur(u"Usage : imut projection \"<couverture.e00>\"."_s);
    QFile f(Resous(arguments.first()));
    if (!f.open(QIODevice::ReadOnly))
        throw Erreur(u"Impossible de lire la couverture « %1 »."_s.arg(arguments.first()));
    QByteArray texte = f.readAll();
#ifdef QUORVALE_AVEC_E00
    if (e00::EstCompresse(texte))
        texte = e00::Decompresse(texte);
#endif
    return PrjTerrestreE00(texte) ? 0 : 2;
}

static int Etendue(const QStringList &arguments)
{
    if (arguments.size() != 1)
        throw Erreur(u"Usage : imut etendue \"<fichier>\"."_s);
    InitialiseGdal();
    OublieErreurs();
    Travail t;
    t.source = Resous(arguments.first());
    const QString extension = QFileInfo(t.source).suffix().toLower();
    t.lecteur = extension == u"tab"_s   ? Format::MapInfo
                : extension == u"mif"_s ? Format::Mif
                : extension == u"shp"_s ? Format::Shape
                : extension == u"dxf"_s ? Format::Dxf
                : extension == u"e00"_s ? Format::E00
                                        : Format::Inconnu;
    if (t.lecteur == Format::Inconnu)
        throw Erreur(u"« %1 » n'est pas d'un format que le traducteur lit."_s.arg(t.source));
    t.base = QFileInfo(t.source).completeBaseName();
    if (const auto defaut = integrite::DefautSource(t.source))
        throw Erreur(u"« %1 » ne se lit pas : %2."_s.arg(t.source, *defaut));
    // Les lecteurs de la traduction : l'étendue est celle des objets que la conversion écrira.
    Donnees d;
    switch (t.lecteur) {
    case Format::Dxf: LitDessin(t, d); break;
    case Format::E00: LitCouverture(t, d); break;
    default: LitTable(t, d); break;
    }
    const QByteArray ligne = d.etendue.IsInit()
                                 ? QByteArray::number(d.etendue.MinX, 'g', 17) + ' ' + QByteArray::number(d.etendue.MinY, 'g', 17)
                                       + ' ' + QByteArray::number(d.etendue.MaxX, 'g', 17) + ' '
                                       + QByteArray::number(d.etendue.MaxY, 'g', 17) + '\n'
                                 : QByteArrayLiteral("vide\n");
    std::fwrite(ligne.constData(), 1, size_t(ligne.size()), stdout);
    std::fflush(stdout);
    return 0;
}

int Traduit(const QStringList &arguments)
{
    try {
        if (!arguments.isEmpty() && arguments.first().compare(u"etendue"_s, Qt::CaseInsensitive) == 0)
            return Etendue(arguments.mid(1));
        if (!arguments.isEmpty() && arguments.first().compare(u"generate"_s, Qt::CaseInsensitive) == 0)
            return Genere(arguments.mid(1));
        if (!arguments.isEmpty() && arguments.first().compare(u"projection"_s, Qt::CaseInsensitive) == 0)
            return ProjectionPropre(arguments.mid(1));
        if (arguments.size() != 1)
            throw Erreur(u"Usage : imut generate <lecteur> <écrivain> \"<jeu>\" \"<PARAM.TXT>\" ..., imut \"<Trad_Macro.txt>\" ou imut etendue \"<fichier>\"."_s);
        Convertit(LitTravail(arguments.first()));
        return 0;
    } catch (const Erreur &e) {
        SignaleEchec(e.texte());
    } catch (const std::exception &e) {
        SignaleEchec(u"Erreur interne : %1"_s.arg(QString::fromLocal8Bit(e.what())));
    }
    return 1;
}

} // namespace quorvale::ut
