#include "demarrage.h"

#include "emplacements.h"
#include "fichiers.h"

#include <QFileInfo>
#include <QProcess>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

QString DossierInstallation(const Registre &registre, const QString &progId)
{
    const auto clsid = registre.LitValeur(progId + u"\\clsid"_s);
    if (!clsid)
        return {};
    const auto commande = registre.LitValeur(u"clsid\\"_s + *clsid + u"\\LocalServer"_s);
    if (!commande)
        return {};
    QString dossier = commande->left(commande->lastIndexOf(u'/') + 1);
    if (dossier.startsWith(u'"'))
        dossier.remove(0, 1);
    return dossier;
}

QString ServeurAInscrire(const Registre &registre, const QString &serveurLivre)
{
    if (serveurLivre.isEmpty())
        return {};
    const QString inscrit = DossierInstallation(registre, u"mapinfo.application"_s);
    if (!inscrit.isEmpty() && QFileInfo(inscrit).isDir())
        return {};
    return serveurLivre;
}

void InscritServeurLivre(const Registre &registre, const QString &dossierExecutable)
{
    const QString serveur = ServeurAInscrire(registre, ServeurLivre(dossierExecutable));
    if (serveur.isEmpty())
        return;
    QProcess inscription;
    inscription.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    inscription.setStandardOutputFile(QProcess::nullDevice());
    inscription.start(serveur, {u"--regserver"_s});
    if (!inscription.waitForFinished(30000))
        inscription.kill();
    (void)inscription.waitForFinished(1000);
}

std::optional<QString> RefusDemarrage(const QString &dossierMapInfo)
{
    if (dossierMapInfo.isEmpty())
        return u"Le logiciel mapinfo doit être installé pour utiliser ce logiciel"_s;
    if (!FichierExiste(dossierMapInfo + u"ut/imut"_s))
        return u"Le traducteur universel de mapinfo doit être installé dans un sous dossier\r\n"
               u"nommé ut dans le dossier d'installation de mapinfo."_s;
    return std::nullopt;
}

} // namespace quorvale
