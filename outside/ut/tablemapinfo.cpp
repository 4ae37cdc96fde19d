#include "tablemapinfo.h"

#include "erreur.h"
#include "fichiers.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cpl_string.h>
#include <ogr_featurestyle.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace quorvale::ut {

namespace {

QString NomUniteMapInfo(int code)
{
    static const QMap<int, QString> unites{{0, u"mi"_s}, {1, u"km"_s}, {2, u"in"_s}, {3, u"ft"_s}, {4, u"yd"_s},
                                           {5, u"mm"_s}, {6, u"cm"_s}, {7, u"m"_s}, {8, u"survey ft"_s},
                                           {9, u"nmi"_s}, {30, u"li"_s}, {31, u"ch"_s}, {32, u"rd"_s}};
    return unites.value(code);
}

} // namespace

Srs SrsDeClause(const QString &clause, std::optional<OGREnvelope> *bornes)
{
    QString texte = clause.trimmed();
    // GDAL oublie les bornes à la lecture : elles sont lues ici.
    static const QRegularExpression reBornes(
        u"\\s*Bounds\\s*\\(\\s*([-+0-9.eE]+)\\s*,\\s*([-+0-9.eE]+)\\s*\\)\\s*\\(\\s*([-+0-9.eE]+)\\s*,\\s*([-+0-9.eE]+)\\s*\\)"_s,
        QRegularExpression::CaseInsensitiveOption);
    const auto m = reBornes.match(texte);
    if (m.hasMatch()) {
        if (bornes) {
            OGREnvelope e;
            e.MinX = std::min(m.captured(1).toDouble(), m.captured(3).toDouble());
            e.MaxX = std::max(m.captured(1).toDouble(), m.captured(3).toDouble());
            e.MinY = std::min(m.captured(2).toDouble(), m.captured(4).toDouble());
            e.MaxY = std::max(m.captured(2).toDouble(), m.captured(4).toDouble());
            *bornes = e;
        }
        texte.remove(m.capturedStart(), m.capturedLength());
    }
    // La forme du catalogue « NonEarth Projection 0, u » : GDAL la lit en milles.
    static const QRegularExpression reNonTerrestre(u"NonEarth\\s+Projection\\s+0\\s*,\\s*(\\d+)"_s,
                                                   QRegularExpression::CaseInsensitiveOption);
    const auto n = reNonTerrestre.match(texte);
    if (n.hasMatch()) {
        const QString unite = NomUniteMapInfo(n.captured(1).toInt());
        if (unite.isEmpty())
            throw Erreur(u"Unité inconnue dans la clause « %1 »."_s.arg(clause));
        texte.replace(n.capturedStart(), n.capturedLength(), u"NonEarth Units \"%1\""_s.arg(unite));
    }
    Srs srs(new OGRSpatialReference());
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (srs->importFromMICoordSys(texte.toUtf8().constData()) != OGRERR_NONE)
        throw Erreur(u"Clause de système de coordonnées illisible : « %1 »."_s.arg(clause));
    return srs;
}

Srs SrsPourEsri(const OGRSpatialReference *srs)
{
    if (!srs)
        return nullptr;
    Srs copie(srs->Clone());
    copie->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    const char *datum = copie->GetAttrValue("DATUM");
    const QString nom = datum ? QString::fromUtf8(datum).toUpper() : QString();
    if (nom.startsWith(u"NAD_27"_s) || nom.startsWith(u"NAD27"_s) || nom.startsWith(u"D_NAD_27"_s)) {
        OGRSpatialReference nad27;
        nad27.importFromEPSG(4267);
        if (copie->IsProjected())
            copie->CopyGeogCSFrom(&nad27);
        else if (copie->IsGeographic())
            copie.reset(nad27.Clone());
        copie->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    }
    return copie;
}

namespace {

QByteArray Recode(const char *texte, const QByteArray &codage)
{
    char *u = CPLRecode(texte, codage.constData(), CPL_ENC_UTF8);
    QByteArray r(u);
    CPLFree(u);
    return r;
}

} // namespace

void RecodeEnUtf8(OGRFeature &objet, const QString &codage)
{
    const QByteArray c = codage.toLatin1();
    for (int i = 0; i < objet.GetFieldCount(); ++i) {
        if (objet.GetFieldDefnRef(i)->GetType() != OFTString || !objet.IsFieldSetAndNotNull(i))
            continue;
        const char *v = objet.GetFieldAsString(i);
        for (const char *p = v; *p; ++p)
            if (uchar(*p) >= 0x80) {
                objet.SetField(i, Recode(v, c).constData());
                break;
            }
    }
    if (const char *style = objet.GetStyleString())
        for (const char *p = style; *p; ++p)
            if (uchar(*p) >= 0x80) {
                objet.SetStyleString(Recode(style, c).constData());
                break;
            }
}

void RecodeNoms(OGRFeatureDefn &colonnes, const QString &codage)
{
    for (int i = 0; i < colonnes.GetFieldCount(); ++i) {
        OGRFieldDefn *champ = colonnes.GetFieldDefn(i);
        if (!CPLIsASCII(champ->GetNameRef(), -1))
            champ->SetName(Recode(champ->GetNameRef(), codage.toLatin1()).constData());
    }
}

void AjouteCadreTexte(const OGRFeature &f, OGREnvelope &e)
{
    const OGRGeometry *g = f.GetGeometryRef();
    const char *style = f.GetStyleString();
    if (!g || g->IsEmpty() || wkbFlatten(g->getGeometryType()) != wkbPoint || !style)
        return;
    OGRStyleMgr gestion;
    gestion.InitStyleString(style);
    for (int i = 0; i < gestion.GetPartCount(); ++i) {
        std::unique_ptr<OGRStyleTool> outil(gestion.GetPart(i));
        if (!outil || outil->GetType() != OGRSTCLabel)
            continue;
        auto *etiquette = static_cast<OGRStyleLabel *>(outil.get());
        etiquette->SetUnit(OGRSTUGround);
        GBool defaut = FALSE;
        const double hauteur = etiquette->Size(defaut);
        const char *chaine = etiquette->TextString(defaut);
        if (defaut || !(hauteur > 0) || !std::isfinite(hauteur))
            return;
        // Un caractère n'est jamais plus large que la hauteur du texte : un disque de ce rayon
        // autour du point d'insertion contient le cadre sous tout angle.
        const double largeur = hauteur * double(std::max<size_t>(1, chaine ? std::strlen(chaine) : 0));
        const double rayon = std::hypot(largeur, hauteur);
        const OGRPoint *p = g->toPoint();
        OGREnvelope cadre;
        cadre.MinX = p->getX() - rayon;
        cadre.MaxX = p->getX() + rayon;
        cadre.MinY = p->getY() - rayon;
        cadre.MaxY = p->getY() + rayon;
        e.Merge(cadre);
        return;
    }
}

OGREnvelope BornesTable(const OGREnvelope &donnees, const std::optional<OGREnvelope> &donnees_bornes,
                        const OGRSpatialReference *srs)
{
    const bool vide = !donnees.IsInit();
    if (donnees_bornes && (vide || donnees_bornes->Contains(donnees)))
        return *donnees_bornes;
    const bool geographique = srs && srs->IsGeographic();
    if (vide) {
        OGREnvelope e;
        e.MinX = geographique ? -180 : -1000;
        e.MaxX = geographique ? 180 : 1000;
        e.MinY = geographique ? -90 : -1000;
        e.MaxY = geographique ? 90 : 1000;
        return e;
    }
    // Marge : de quoi ajouter des objets voisins sans sortir des bornes, sans perdre le millimètre.
    // (Les coordonnées d'une table sont des entiers sur ±10^9 : l'étendue sur 4·10^9 est l'erreur.)
    const double marge = std::max(std::max(donnees.MaxX - donnees.MinX, donnees.MaxY - donnees.MinY) * 0.05,
                                  geographique ? 0.01 : 10.0);
    OGREnvelope e = donnees;
    if (donnees_bornes)
        e.Merge(*donnees_bornes);
    e.MinX -= marge;
    e.MinY -= marge;
    e.MaxX += marge;
    e.MaxY += marge;
    if (geographique) {
        e.MinX = std::max(e.MinX, std::min(-180.0, donnees.MinX));
        e.MaxX = std::min(e.MaxX, std::max(180.0, donnees.MaxX));
        e.MinY = std::max(e.MinY, std::min(-90.0, donnees.MinY));
        e.MaxY = std::min(e.MaxY, std::max(90.0, donnees.MaxY));
    }
    return e;
}

GDALDataset *CreeTableMapInfo(const QString &chemin, bool mif)
{
    GDALDriver *pilote = GetGDALDriverManager()->GetDriverByName("MapInfo File");
    if (!pilote)
        throw Erreur(u"Le pilote MapInfo de GDAL manque."_s);
    CPLStringList options;
    if (mif)
        options.SetNameValue("FORMAT", "MIF");
    GDALDataset *table = pilote->Create(chemin.toUtf8().constData(), 0, 0, 0, GDT_Unknown, options.List());
    if (!table)
        throw Erreur(u"Impossible de créer la table « %1 » : %2"_s.arg(chemin, QString::fromUtf8(CPLGetLastErrorMsg())));
    return table;
}

OGRLayer *CreeCoucheMapInfo(GDALDataset *table, const QString &nom, const OGRSpatialReference *srs,
                            const OGREnvelope &bornes, const QString &encodage)
{
    CPLStringList options;
    options.SetNameValue("ENCODING", encodage.isEmpty() ? "CP1252" : encodage.toUtf8().constData());
    const QString b = u"%1,%2,%3,%4"_s.arg(bornes.MinX, 0, 'g', 17).arg(bornes.MinY, 0, 'g', 17)
                          .arg(bornes.MaxX, 0, 'g', 17).arg(bornes.MaxY, 0, 'g', 17);
    options.SetNameValue("BOUNDS", b.toUtf8().constData());
    OGRSpatialReference *copie = nullptr;
    if (srs) {
        copie = srs->Clone();
        copie->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    }
    OGRLayer *couche = table->CreateLayer(nom.toUtf8().constData(), copie, wkbUnknown, options.List());
    if (copie)
        copie->Release();
    if (!couche)
        throw Erreur(u"Impossible de créer la couche « %1 » : %2"_s.arg(nom, QString::fromUtf8(CPLGetLastErrorMsg())));
    return couche;
}

SortieEnMemoire::SortieEnMemoire(const QString &nom)
{
    static int numero = 0;
    dossier_ = "/vsimem/quorvale-" + QByteArray::number(QCoreApplication::applicationPid()) + '-' + QByteArray::number(++numero);
    const QString extension = QFileInfo(nom).suffix();
    chemin_ = QString::fromUtf8(dossier_) + u"/sortie"_s + (extension.isEmpty() ? QString() : u'.' + extension);
}

SortieEnMemoire::~SortieEnMemoire()
{
    VSIRmdirRecursive(dossier_.constData());
}

QString SortieEnMemoire::Copie(const std::function<QString(const QString &suffixe)> &cible) const
{
    const CPLStringList noms(VSIReadDir(dossier_.constData()));
    for (int i = 0; i < noms.size(); ++i) {
        vsi_l_offset taille = 0;
        const GByte *octets = VSIGetMemFileBuffer((dossier_ + '/' + noms[i]).constData(), &taille, FALSE);
        const QString chemin = cible(QString::fromUtf8(noms[i]).mid(6)); // après « sortie »
        QFile f(chemin);
        if ((!octets && taille > 0) || !f.open(QIODevice::WriteOnly)
            || f.write(reinterpret_cast<const char *>(octets), qint64(taille)) != qint64(taille) || !f.flush())
            return chemin;
    }
    return {};
}

} // namespace quorvale::ut
