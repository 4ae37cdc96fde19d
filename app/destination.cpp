#include "destination.h"

#include "fichiers.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

QString Parent(const QString &dossier)
{
    return QFileInfo(QDir::cleanPath(dossier)).path();
}

} // namespace

bool DestinationPossible(const QString &dossierCible)
{
    if (dossierCible.isEmpty())
        return false;
    return DossierExiste(dossierCible) || DossierExiste(Parent(dossierCible));
}

std::optional<QString> PrepareDestination(const QString &dossierCible)
{
    if (!DossierExiste(dossierCible) && !CreeDossier(QDir::cleanPath(dossierCible)))
        return u"Le dossier de destination « %1 » ne peut pas être créé : vous n'avez pas le droit d'écrire "
               u"dans « %2 »."_s.arg(dossierCible, Parent(dossierCible));
    // Écrire et traverser : un dossier en lecture seule ne recevrait aucun fichier.
    if (::access(QFile::encodeName(Resous(dossierCible)).constData(), W_OK | X_OK) != 0)
        return u"Le dossier de destination « %1 » est en lecture seule : vous n'avez pas le droit d'y écrire. "
               u"Choisissez un autre dossier."_s.arg(dossierCible);
    return std::nullopt;
}

std::optional<QString> RefusDestination(const QString &dossierCible)
{
    const bool existe = DossierExiste(dossierCible);
    const QString dossier = existe ? Resous(dossierCible) : Resous(Parent(dossierCible));
    if (::access(QFile::encodeName(dossier).constData(), W_OK | X_OK) == 0)
        return std::nullopt;
    if (!existe)
        return u"Le dossier de destination « %1 » ne peut pas être créé : vous n'avez pas le droit d'écrire "
               u"dans « %2 »."_s.arg(dossierCible, Parent(dossierCible));
    return u"Le dossier de destination « %1 » est en lecture seule : vous n'avez pas le droit d'y écrire. "
           u"Choisissez un autre dossier."_s.arg(dossierCible);
}

void RetireDossiersVides(const QStringList &dossiers)
{
    for (auto it = dossiers.crbegin(); it != dossiers.crend(); ++it)
        (void)QDir().rmdir(*it); // ne retire qu'un dossier vide
}

} // namespace quorvale
