#include "enregistrement.h"

using namespace Qt::Literals::StringLiterals;

namespace quorvale::mapinfo {

bool Enregistre(Registre &registre, const QString &cheminExecutable)
{
    const QString progId = QString::fromUtf16(ProgIdMapInfo);
    const QString clsid = QString::fromUtf16(ClsidMapInfo);
    // L'argument ne contient pas de "/" : le dossier se lit jusqu'au dernier séparateur de la commande.
    const QString commande = u'"' + cheminExecutable + u"\" -automation"_s;
    return registre.EcritValeur(progId, {}, u"MapInfo Professional"_s)
           && registre.EcritValeur(progId + u"\\CLSID"_s, {}, clsid)
           && registre.EcritValeur(u"CLSID\\"_s + clsid, {}, u"MapInfo Professional"_s)
           && registre.EcritValeur(u"CLSID\\"_s + clsid + u"\\ProgID"_s, {}, progId)
           && registre.EcritValeur(u"CLSID\\"_s + clsid + u"\\LocalServer"_s, {}, commande)
           && registre.EcritValeur(u"CLSID\\"_s + clsid + u"\\LocalServer32"_s, {}, commande);
}

bool Desenregistre(Registre &registre)
{
    const bool a = registre.SupprimeCle(QString::fromUtf16(ProgIdMapInfo));
    const bool b = registre.SupprimeCle(u"CLSID\\"_s + QString::fromUtf16(ClsidMapInfo));
    return a && b;
}

} // namespace quorvale::mapinfo
