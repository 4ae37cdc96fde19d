#include "tables.h"

#include "fichiers.h"
#include "integrite.h"
#include "jeux.h"
#include "tablemapinfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace quorvale::mapinfo {

namespace {

bool EstUtf8(const QString &jeu)
{
    return jeu.compare(u"UTF-8"_s, Qt::CaseInsensitive) == 0 || jeu.compare(u"UTF8"_s, Qt::CaseInsensitive) == 0;
}

QString DernierMessageGdal()
{
    const QString m = QString::fromUtf8(CPLGetLastErrorMsg()).trimmed();
    return m.isEmpty() ? u"erreur inconnue de la bibliothèque GDAL"_s : integrite::GdalEnFrancais(m);
}

struct FermeDataset {
    void operator()(GDALDataset *d) const { GDALClose(d); }
};
using DatasetPtr = std::unique_ptr<GDALDataset, FermeDataset>;

// Les extensions des fichiers d'une table, celle du fichier principal en tête.
QStringList Compagnons(bool mif)
{
    return mif ? QStringList{u"mif"_s, u"mid"_s} : QStringList{u"tab"_s, u"map"_s, u"id"_s, u"dat"_s, u"ind"_s};
}

// Sans colonne, le pilote n'écrit pas l'en-tête d'un .mif : on ajoute un numéro de ligne.
constexpr int SansColonne = -1;

// Le pilote refuse relire un Decimal dont la largeur ne laisse pas place à la précision (1,0 → 1,-1).
void RendEcrivable(OGRFieldDefn &c)
{
    if (c.GetType() == OFTReal && c.GetWidth() > 0) {
        const int precision = std::max(0, c.GetPrecision());
        c.SetPrecision(precision);
        c.SetWidth(std::max(c.GetWidth(), precision + 2));
    }
}

// L'étendue des objets ; à défaut, celle des données dont la table est tirée.
bool Etendue(const Table &table, OGREnvelope &e)
{
    bool trouve = false;
    for (const auto &ligne : table.lignes) {
        const OGRGeometry *g = ligne->GetGeometryRef();
        if (!g || g->IsEmpty())
            continue;
        OGREnvelope eg;
        g->getEnvelope(&eg);
        ut::AjouteCadreTexte(*ligne, eg);
        e.Merge(eg);
        trouve = true;
    }
    if (!trouve && table.etendueConnue) {
        e = table.etendue;
        trouve = true;
    }
    return trouve && std::isfinite(e.MinX) && std::isfinite(e.MaxX) && std::isfinite(e.MinY) && std::isfinite(e.MaxY);
}

// Bornes du fichier .map : sans elles le pilote arrondit les coordonnées au centimètre.
bool Bornes(const Table &table, OGREnvelope &e)
{
    if (!Etendue(table, e))
        return false;
    double marge = std::max(e.MaxX - e.MinX, e.MaxY - e.MinY) * 0.01;
    if (marge <= 0)
        marge = 1.0;
    e.MinX -= marge;
    e.MinY -= marge;
    e.MaxX += marge;
    e.MaxY += marge;
    return true;
}

// GDAL 3.6 ne sait pas déclarer UTF-8 : la table s'écrit en Neutral (octets bruts, déjà en UTF-8)
// et l'en-tête reçoit le bon nom.
bool DeclareJeu(const QString &fichier, const QString &jeu)
{
    QFile f(fichier);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QByteArray contenu = f.readAll();
    f.close();
    qsizetype fin = contenu.indexOf("\nData");
    if (fin < 0)
        fin = contenu.indexOf("\ndata");
    if (fin < 0)
        fin = contenu.size();
    QByteArray entete = contenu.left(fin);
    entete.replace("!charset Neutral", "!charset " + jeu.toLatin1());
    entete.replace("Charset \"Neutral\"", "Charset \"" + jeu.toLatin1() + '"');
    contenu = entete + contenu.mid(fin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(contenu) == contenu.size();
}

} // namespace

Table::~Table()
{
    lignes.clear();
    if (colonnes)
        colonnes->Release();
}

std::unique_ptr<Table> Table::CopieVide(const QString &nouvelAlias) const
{
    auto t = std::make_unique<Table>();
    t->alias = nouvelAlias;
    t->jeu = jeu;
    t->colonnes = colonnes->Clone();
    t->colonnes->Reference();
    if (systeme)
        t->systeme.reset(systeme->Clone());
    OGREnvelope e;
    if (Etendue(*this, e)) {
        t->etendue = e;
        t->etendueConnue = true;
    }
    return t;
}

QString CodageDeJeu(const QString &jeu)
{
    // La table commune du traducteur ; UTF-8, que GDAL 3.6 n'écrit pas, est traité à part.
    return EstUtf8(jeu) ? QString() : jeux::CodageDeCharset(jeu);
}

QString JeuDeFichier(const QString &chemin)
{
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly))
        return u"Neutral"_s;
    // L'en-tête tient dans les premières lignes ; on s'arrête à "Data" (.mif).
    for (int n = 0; n < 400 && !f.atEnd(); ++n) {
        const QString ligne = QString::fromLatin1(f.readLine(4096)).trimmed();
        if (ligne.compare(u"Data"_s, Qt::CaseInsensitive) == 0)
            break;
        if (ligne.startsWith(u"!charset"_s, Qt::CaseInsensitive)) {
            const QString jeu = ligne.mid(8).trimmed();
            if (!jeu.isEmpty())
                return jeu;
        }
        const qsizetype i = ligne.indexOf(u"Charset"_s, 0, Qt::CaseInsensitive);
        if (i >= 0) {
            const qsizetype a = ligne.indexOf(u'"', i);
            const qsizetype b = a >= 0 ? ligne.indexOf(u'"', a + 1) : -1;
            if (b > a + 1)
                return ligne.mid(a + 1, b - a - 1);
        }
    }
    return u"Neutral"_s;
}

std::unique_ptr<Table> ChargeTable(const QString &chemin, const QString &alias, QString &erreur)
{
    if (const auto defaut = integrite::DefautSource(chemin)) {
        erreur = u"Le fichier %1 n'est pas une table MapInfo lisible : %2."_s.arg(chemin, *defaut);
        return nullptr;
    }
    CPLErrorReset();
    const char *const pilotes[] = {"MapInfo File", nullptr};
    DatasetPtr ds(GDALDataset::Open(QFile::encodeName(chemin).constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY, pilotes));
    if (!ds || ds->GetLayerCount() < 1) {
        erreur = u"Le fichier %1 n'est pas une table MapInfo lisible (%2)."_s.arg(chemin, DernierMessageGdal());
        return nullptr;
    }
    OGRLayer *couche = ds->GetLayer(0);
    auto t = std::make_unique<Table>();
    t->alias = alias;
    t->chemin = chemin;
    const QString declare = JeuDeFichier(chemin);
    const bool recode = !CodageDeJeu(declare).isEmpty();
    // Neutral ou rien : octets lus selon la règle commune du traducteur (UTF-8 valide d'un bout à
    // l'autre, sinon Windows-1252), table écrite en WindowsLatin1 comme MapInfo ; UTF-8, que GDAL ne
    // connaît pas, reste UTF-8.
    const QString codage = recode ? QString() : jeux::CodageSource(chemin).codage;
    t->jeu = recode ? declare : EstUtf8(declare) ? u"UTF-8"_s : u"WindowsLatin1"_s;
    t->colonnes = couche->GetLayerDefn()->Clone();
    t->colonnes->Reference();
    if (!recode && !EstUtf8(declare) && codage != u"UTF-8"_s)
        ut::RecodeNoms(*t->colonnes, codage);
    // Une table sans objets se relit sans géométrie : il lui en faut une pour recevoir des lignes.
    if (t->colonnes->GetGeomFieldCount() == 0) {
        OGRGeomFieldDefn geometrie("", wkbUnknown);
        t->colonnes->AddGeomFieldDefn(&geometrie);
    }
    if (const OGRSpatialReference *s = couche->GetSpatialRef())
        t->systeme.reset(s->Clone());
    couche->ResetReading();
    const int n = t->colonnes->GetFieldCount();
    std::vector<int> identite(std::max(n, 1));
    for (int i = 0; i < n; ++i)
        identite[i] = i;
    CPLErrorReset();
    while (OGRFeature *brut = couche->GetNextFeature()) {
        OGRFeatureUniquePtr source(brut);
        OGRFeatureUniquePtr ligne(new OGRFeature(t->colonnes));
        ligne->SetFrom(source.get(), identite.data(), TRUE);
        ligne->SetFID(OGRNullFID);
        // Octets bruts d'une table Neutral : recodés selon la règle commune.
        if (!recode && !EstUtf8(declare) && codage != u"UTF-8"_s)
            ut::RecodeEnUtf8(*ligne, codage);
        t->lignes.push_back(std::move(ligne));
    }
    // Une table Neutral en UTF-8 dont les textes ne tiennent pas en WindowsLatin1 (cyrillique ...)
    // reste en UTF-8 : ils seraient perdus.
    if (!recode && codage == u"UTF-8"_s && t->jeu != u"UTF-8"_s) {
        QStringList textes;
        for (const auto &ligne : t->lignes)
            for (int i = 0; i < n; ++i)
                if (t->colonnes->GetFieldDefn(i)->GetType() == OFTString && ligne->IsFieldSetAndNotNull(i))
                    textes << QString::fromUtf8(ligne->GetFieldAsString(i));
        for (int i = 0; i < n; ++i)
            textes << QString::fromUtf8(t->colonnes->GetFieldDefn(i)->GetNameRef());
        if (!jeux::Tient(textes, u"CP1252"_s))
            t->jeu = u"UTF-8"_s;
    }
    // Une ligne trop longue, un enregistrement illisible : GDAL le signale et s'arrête ou saute.
    if (CPLGetLastErrorType() == CE_Failure) {
        erreur = u"Le fichier %1 ne se lit pas en entier : %2 objets lus (%3)."_s.arg(chemin)
                     .arg(t->lignes.size())
                     .arg(DernierMessageGdal());
        return nullptr;
    }
    // GDAL s'arrête sans rien dire sur un objet qu'il ne lit pas (un .map coupé) : la table lue
    // doit avoir toutes ses lignes.
    // Les enregistrements effacés comptent dans le nombre d'objets, mais GDAL ne les lit pas.
    GIntBig attendues = couche->GetFeatureCount(FALSE);
    if (attendues > 0 && chemin.endsWith(u".tab"_s, Qt::CaseInsensitive))
        attendues -= integrite::EnregistrementsEffaces(ChangeExtension(chemin, u".dat"_s));
    if (attendues >= 0 && GIntBig(t->lignes.size()) < attendues) {
        erreur = u"Le fichier %1 n'est pas une table MapInfo lisible : %2 objets lus sur %3 (%4)."_s.arg(chemin)
                     .arg(t->lignes.size())
                     .arg(attendues)
                     .arg(DernierMessageGdal());
        return nullptr;
    }
    OGREnvelope e;
    if (Etendue(*t, e)) {
        t->etendue = e;
        t->etendueConnue = true;
    }
    return t;
}

QString EcritTable(const Table &table, const QString &chemin, const bool mif, const QString &jeu)
{
    const QFileInfo info(chemin);
    const QString dossier = info.path();
    if (!DossierExiste(dossier))
        return u"Le dossier %1 n'existe pas."_s.arg(dossier);
    const bool utf8 = EstUtf8(jeu);
    const QString codage = CodageDeJeu(jeu);
    if (codage.isEmpty() && !utf8)
        return u"Jeu de caractères inconnu : %1."_s.arg(jeu);

    static int compteur = 0;
    const QString provisoire = u"%1/quorvale-%2-%3"_s.arg(dossier).arg(QCoreApplication::applicationPid()).arg(++compteur);
    const QStringList extensions = Compagnons(mif);
    auto nettoie = [&] {
        for (const QString &ext : extensions)
            (void)QFile::remove(provisoire + u'.' + ext);
    };
    nettoie();

    CPLErrorReset();
    GDALDriver *pilote = GetGDALDriverManager()->GetDriverByName("MapInfo File");
    if (!pilote)
        return u"Le pilote MapInfo de GDAL est absent."_s;
    CPLStringList options;
    options.SetNameValue("FORMAT", mif ? "MIF" : "TAB");
    const QString principal = provisoire + u'.' + extensions.first();
    // Écrite en mémoire puis copiée d'un trait, comme le traducteur écrit ses tables.
    const ut::SortieEnMemoire memoire(u"table."_s + extensions.first());
    QString erreur;
    {
        DatasetPtr ds(pilote->Create(memoire.Chemin().toUtf8().constData(), 0, 0, 0, GDT_Unknown, options.List()));
        if (!ds) {
            nettoie();
            return u"Impossible de créer la table %1 (%2)."_s.arg(chemin, DernierMessageGdal());
        }
        CPLStringList optionsCouche;
        optionsCouche.SetNameValue("ENCODING", utf8 ? "" : codage.toLatin1().constData());
        OGREnvelope e;
        if (!mif && Bornes(table, e))
            optionsCouche.SetNameValue("BOUNDS", CPLSPrintf("%.17g,%.17g,%.17g,%.17g", e.MinX, e.MinY, e.MaxX, e.MaxY));
        OGRLayer *couche = ds->CreateLayer(info.completeBaseName().toUtf8().constData(), table.systeme.get(), wkbUnknown,
                                           optionsCouche.List());
        const int n = table.colonnes->GetFieldCount();
        const bool numerote = mif && n == 0;
        if (!couche) {
            erreur = DernierMessageGdal();
        } else if (numerote) {
            OGRFieldDefn fid("FID", OFTInteger);
            if (couche->CreateField(&fid) != OGRERR_NONE)
                erreur = DernierMessageGdal();
        } else {
            for (int i = 0; i < n && erreur.isEmpty(); ++i) {
                OGRFieldDefn c(table.colonnes->GetFieldDefn(i));
                RendEcrivable(c);
                // En UTF-8, la largeur se compte en octets : on l'élargit plutôt que de couper les textes.
                if (utf8 && c.GetType() == OFTString && c.GetWidth() > 0) {
                    int largeur = c.GetWidth();
                    for (const auto &ligne : table.lignes)
                        if (ligne->IsFieldSetAndNotNull(i))
                            largeur = std::max(largeur, static_cast<int>(std::strlen(ligne->GetFieldAsString(i))));
                    c.SetWidth(std::min(largeur, 254));
                }
                if (couche->CreateField(&c) != OGRERR_NONE)
                    erreur = DernierMessageGdal();
            }
        }
        if (erreur.isEmpty() && couche->GetLayerDefn()->GetFieldCount() != (numerote ? 1 : n))
            erreur = u"colonnes refusées par le pilote"_s;
        std::vector<int> correspondance(std::max(n, 1));
        for (int i = 0; i < n; ++i)
            correspondance[i] = i;
        if (numerote)
            correspondance[0] = SansColonne;
        long long numero = 0;
        for (const auto &ligne : table.lignes) {
            if (!erreur.isEmpty())
                break;
            OGRFeature f(couche->GetLayerDefn());
            if (f.SetFrom(ligne.get(), correspondance.data(), TRUE) != OGRERR_NONE) {
                erreur = DernierMessageGdal();
                break;
            }
            if (numerote)
                f.SetField(0, static_cast<GIntBig>(++numero));
            f.SetFID(OGRNullFID);
            if (couche->CreateFeature(&f) != OGRERR_NONE)
                erreur = DernierMessageGdal();
        }
        ds->FlushCache();
    }
    // La fermeture écrit les fichiers ; un échec n'y est signalé que par le dernier message.
    if (erreur.isEmpty() && CPLGetLastErrorType() == CE_Failure)
        erreur = DernierMessageGdal();
    if (erreur.isEmpty() && !memoire.Copie([&](const QString &suffixe) { return provisoire + suffixe; }).isEmpty())
        erreur = u"écriture impossible dans le dossier"_s;
    if (erreur.isEmpty() && utf8) {
        if (!DeclareJeu(principal, u"UTF-8"_s))
            erreur = u"en-tête illisible"_s;
    }
    if (!erreur.isEmpty()) {
        nettoie();
        return u"Impossible d'écrire la table %1 (%2)."_s.arg(chemin, erreur);
    }

    // Les compagnons prennent le nom final, avec la casse de l'extension du fichier principal.
    const QString extensionFinale = info.suffix();
    const bool majuscules = !extensionFinale.isEmpty() && extensionFinale == extensionFinale.toUpper();
    const QString baseFinale = dossier + u'/' + info.completeBaseName();
    for (const QString &ext : extensions) {
        const QString ancien = Resous(baseFinale + u'.' + ext);
        if (FichierExiste(ancien) && !QFile::exists(provisoire + u'.' + ext))
            (void)QFile::remove(ancien); // un index d'une version précédente ne doit pas survivre
    }
    // Le fichier principal en dernier : tant qu'il n'est pas en place, la table n'existe pas.
    for (qsizetype k = extensions.size() - 1; k >= 0; --k) {
        const QString &ext = extensions[k];
        const QString source = provisoire + u'.' + ext;
        if (!QFile::exists(source))
            continue;
        QString cible = k == 0 ? chemin : baseFinale + u'.' + (majuscules ? ext.toUpper() : ext);
        const QString existant = Resous(cible);
        if (FichierExiste(existant))
            cible = existant; // même nom à la casse près : on le remplace
        if (!DeplaceFichier(source, cible)) {
            nettoie();
            return u"Impossible de mettre la table %1 en place."_s.arg(chemin);
        }
    }
    return {};
}

} // namespace quorvale::mapinfo
