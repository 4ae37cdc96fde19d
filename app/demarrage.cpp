#include "demarrage.h"

#include "fichiers.h"

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
