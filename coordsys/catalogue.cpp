#include "catalogue.h"

#include "cp1252.h"
#include "fichiers.h"

#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

// Les blancs et les caractères de contrôle (tout ce qui ne dépasse pas l'espace), aux deux bouts.
QString Rogne(const QString &texte)
{
    qsizetype debut = 0, fin = texte.size();
    while (debut < fin && texte[debut].unicode() <= u' ')
        ++debut;
    while (fin > debut && texte[fin - 1].unicode() <= u' ')
        --fin;
    return texte.mid(debut, fin - debut);
}

QString Joint(const QString &dossier, const QString &nom)
{
    if (dossier.isEmpty() || dossier.endsWith(u'/'))
        return dossier + nom;
    return dossier + u'/' + nom;
}

} // namespace

QString NomProjection(const QString &ligne)
{
    QString texte = ligne;
    if (texte.startsWith(u'"'))
        texte.remove(0, 1);
    if (const qsizetype q = texte.indexOf(u'"'); q >= 0)
        texte.truncate(q);
    else if (const qsizetype v = texte.indexOf(u','); v >= 0)
        texte.truncate(v);
    qsizetype debut = 0;
    while (debut < texte.size() && texte[debut] == u'-')
        ++debut;
    texte.remove(0, debut);
    while (texte.endsWith(u'-'))
        texte.chop(1);
    if (const qsizetype b = texte.indexOf(u'\\'); b >= 0)
        texte.truncate(b);
    return Rogne(texte);
}

QString ParametresProjection(const QString &ligne)
{
    QString texte = ligne;
    if (texte.startsWith(u'"'))
        texte.remove(0, 1);
    if (const qsizetype q = texte.indexOf(u'"'); q >= 0)
        texte.remove(0, q + 1);
    if (const qsizetype v = texte.indexOf(u','); v >= 0)
        texte.remove(0, v + 1);
    return Rogne(texte);
}

QString NomRessource(const QString &nom)
{
    static const char16_t *const remplacements[][2] = {
        {u"/", u"_"}, {u" ", u"_"}, {u",", u"_"}, {u".", u"_"}, {u":", u"_"}, {u"(", u"_"}, {u")", u"_"},
        {u"-", u"_"}, {u"è", u"e"}, {u"é", u"e"}, {u";", u"_"}, {u"'", u"_"}, {u"!", u"_"}};
    QString texte = nom;
    for (const auto &r : remplacements)
        texte.replace(QString::fromUtf16(r[0]), QString::fromUtf16(r[1]), Qt::CaseInsensitive);
    return texte;
}

QString ClauseProjection(const QString &parametres)
{
    if (parametres.startsWith(u'0'))
        return u"CoordSys NonEarth Projection "_s + parametres;
    return u"CoordSys Earth Projection "_s + parametres;
}

QStringList DecoupeLignes(const QString &texte)
{
    QStringList lignes;
    qsizetype debut = 0;
    const qsizetype n = texte.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = texte[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lignes << texte.mid(debut, i - debut);
        if (c == u'\r' && i + 1 < n && texte[i + 1] == u'\n')
            ++i;
        debut = i + 1;
    }
    if (debut < n)
        lignes << texte.mid(debut);
    return lignes;
}

Catalogue AnalyseCatalogue(const QStringList &lignes)
{
    Catalogue catalogue;
    catalogue.LignesCatalogue = lignes;
    for (qsizetype i = 0; i < lignes.size(); ++i)
        if (lignes[i].contains(u"--"_s))
            catalogue.DebutsCategories << i;
    const qsizetype entetes = catalogue.DebutsCategories.size();
    catalogue.DebutsCategories << lignes.size() + 1;
    for (qsizetype k = 0; k < entetes; ++k)
        catalogue.Categories << NomProjection(lignes[catalogue.DebutsCategories[k]]);
    for (qsizetype k = 0; k < entetes; ++k)
        for (const qsizetype i : LignesProjections(catalogue, k)) {
            catalogue.RessourcesCatalogue << NomRessource(NomProjection(lignes[i]));
            catalogue.ParametresCatalogue << ParametresProjection(lignes[i]);
        }
    return catalogue;
}

QList<qsizetype> LignesProjections(const Catalogue &catalogue, qsizetype categorie)
{
    QList<qsizetype> resultat;
    if (categorie < 0 || categorie + 1 >= catalogue.DebutsCategories.size())
        return resultat;
    // La ligne juste avant l'en-tête suivant n'est jamais une projection.
    const qsizetype fin = qMin(catalogue.DebutsCategories[categorie + 1] - 2, catalogue.LignesCatalogue.size() - 1);
    for (qsizetype i = catalogue.DebutsCategories[categorie] + 1; i <= fin; ++i)
        if (!catalogue.LignesCatalogue[i].isEmpty())
            resultat << i;
    return resultat;
}

qsizetype ChercheParametres(const Catalogue &catalogue, const QString &parametres)
{
    for (qsizetype i = 0; i < catalogue.ParametresCatalogue.size(); ++i)
        if (catalogue.ParametresCatalogue[i].compare(parametres, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString FichierCatalogue(const QString &dossierMapInfo, const QString &dossierExecutable)
{
    if (!dossierMapInfo.isEmpty()) {
        const QString chezMapInfo = Resous(Joint(dossierMapInfo, u"mapinfow.prj"_s));
        if (FichierExiste(chezMapInfo))
            return chezMapInfo;
    }
    return Resous(Joint(dossierExecutable, u"mapinfow.prj"_s));
}

std::optional<Catalogue> ChargeCatalogue(const QString &fichier, QString *erreur)
{
    QFile f(fichier);
    if (!f.open(QIODevice::ReadOnly)) {
        if (erreur)
            *erreur = u"Impossible d'ouvrir le fichier \"%1\". %2"_s.arg(fichier, f.errorString());
        return std::nullopt;
    }
    return LitCatalogue(f.readAll());
}

Catalogue LitCatalogue(const QByteArray &contenu)
{
    return AnalyseCatalogue(DecoupeLignes(DecodeCp1252(contenu)));
}

} // namespace quorvale
