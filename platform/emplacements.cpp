#include "emplacements.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

QString Prefixe(const QString &dossierExecutable)
{
    return QDir::cleanPath(dossierExecutable + u"/.."_s);
}

} // namespace

bool ProgrammeInstalle(const QString &dossierExecutable)
{
    return QFileInfo(Prefixe(dossierExecutable) + u"/share/quorvale"_s).isDir();
}

QString DossierDonnees(const QString &dossierExecutable)
{
    if (ProgrammeInstalle(dossierExecutable))
        return Prefixe(dossierExecutable) + u"/share/quorvale"_s;
    return QDir::cleanPath(dossierExecutable);
}

QString ServeurLivre(const QString &dossierExecutable)
{
    const QFileInfo serveur(Prefixe(dossierExecutable) + u"/lib/quorvale/mapinfo/mapinfow"_s);
    return serveur.isFile() && serveur.isExecutable() ? serveur.absoluteFilePath() : QString();
}

} // namespace quorvale
