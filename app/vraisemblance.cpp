#include "vraisemblance.h"

#include "feuillet_vraisemblance.h"

#include <QFileInfo>
#include <QProcess>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

QString VraisemblanceFichier(const QString &imut, const QString &source, const QString &clause,
                             bool projectionDuFichier)
{
    const QString extension = QFileInfo(source).suffix().toLower();
    const bool clauseAppliquee = extension == u"dxf"_s || extension == u"e00"_s
                                 || (extension == u"shp"_s && !projectionDuFichier);
    if (!clauseAppliquee)
        return {};
    const auto feuillet = FeuilletDeLaClause(source, clause);
    if (!feuillet)
        return {};

    // Le traducteur lit l'étendue (par le travailleur déjà chargé pendant un traitement).
    QProcess imutEtendue;
    imutEtendue.setProcessChannelMode(QProcess::SeparateChannels);
    imutEtendue.setStandardErrorFile(QProcess::nullDevice());
    imutEtendue.start(imut, {u"etendue"_s, source});
    if (!imutEtendue.waitForFinished(60000) || imutEtendue.exitStatus() != QProcess::NormalExit
        || imutEtendue.exitCode() != 0) {
        imutEtendue.kill();
        imutEtendue.waitForFinished(1000);
        return {};
    }
    const QList<QByteArray> valeurs = imutEtendue.readAllStandardOutput().trimmed().split(' ');
    if (valeurs.size() != 4)
        return {}; // « vide » : rien à situer
    double v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = valeurs[i].toDouble(&ok);
        if (!ok)
            return {};
    }
    return AvertissementEtendue(BoiteMetres{v[0], v[1], v[2], v[3]}, *feuillet);
}

void AjouteAvertissement(QString &avertissements, const QString &texte)
{
    if (texte.isEmpty())
        return;
    avertissements = avertissements.isEmpty() ? texte : avertissements + u"; "_s + texte;
}

} // namespace quorvale
