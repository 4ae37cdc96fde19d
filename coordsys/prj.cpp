#include "prj.h"

#include "erreur.h"
#include "fichiers.h"

#include <QFile>
#include <QSaveFile>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

QByteArray TextePrj(const QString &nom, const QString &racine)
{
    // Les noms sont rangés en majuscules ; la recherche ignore donc la casse.
    QFile f(racine + u'/' + nom.toUpper());
    if (nom.isEmpty() || nom.contains(u'/') || !f.open(QIODevice::ReadOnly))
        throw Erreur(u"Ressource %1 non trouvée"_s.arg(nom));
    return f.readAll();
}

QString ParametresClause(const QString &clause)
{
    const qsizetype p = clause.indexOf(u"Projection"_s);
    if (p < 0)
        return {};
    return clause.mid(p + 11);
}

ResultatPrj EcritPrj(const Catalogue &catalogue, const QString &clause, const QString &fichierPrj,
                     const QString &racine)
{
    const qsizetype i = ChercheParametres(catalogue, ParametresClause(clause));
    if (i < 0)
        return ResultatPrj::Introuvable;
    const QString nom = catalogue.RessourcesCatalogue[i];
    if (nom.left(13).compare(u"Non_Terrestre"_s, Qt::CaseInsensitive) == 0)
        return ResultatPrj::NonTerrestre;
    const QByteArray texte = TextePrj(nom, racine);
    QSaveFile f(Resous(fichierPrj));
    if (!f.open(QIODevice::WriteOnly) || f.write(texte) != texte.size() || !f.commit())
        throw Erreur(u"Impossible de créer le fichier \"%1\". %2"_s.arg(fichierPrj, f.errorString()));
    return ResultatPrj::Ecrit;
}

} // namespace quorvale
