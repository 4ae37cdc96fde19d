#include "registre.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {

// Dans le fichier, une clé "A\B" devient le groupe "a/b" ; la valeur par défaut s'appelle "@".
QString CleIni(const QString &cle, const QString &nom)
{
    QStringList parties;
    for (const QString &p : cle.split(u'\\', Qt::SkipEmptyParts))
        parties << p.toLower();
    parties << (nom.isEmpty() ? u"@"_s : nom.toLower());
    return parties.join(u'/');
}

QString PrefixeIni(const QString &cle)
{
    QStringList parties;
    for (const QString &p : cle.split(u'\\', Qt::SkipEmptyParts))
        parties << p.toLower();
    return parties.join(u'/') + u'/';
}

} // namespace

QString DossierConfiguration()
{
    QString dossier = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (dossier.isEmpty())
        dossier = QDir::homePath() + u"/.config"_s;
    while (dossier.size() > 1 && dossier.endsWith(u'/'))
        dossier.chop(1);
    return dossier;
}

RegistreFichier::RegistreFichier() : fichier_(DossierConfiguration() + u"/registre/HKEY_CLASSES_ROOT.ini"_s) {}

RegistreFichier::RegistreFichier(const QString &fichier) : fichier_(fichier) {}

std::optional<QString> RegistreFichier::LitValeur(const QString &cle, const QString &nom) const
{
    if (!QFileInfo::exists(fichier_))
        return std::nullopt;
    QSettings ini(fichier_, QSettings::IniFormat);
    const QString voulu = CleIni(cle, nom);
    const QStringList cles = ini.allKeys();
    for (const QString &k : cles)
        if (k.toLower() == voulu)
            return ini.value(k).toString();
    return std::nullopt;
}

bool RegistreFichier::CleExiste(const QString &cle) const
{
    if (!QFileInfo::exists(fichier_))
        return false;
    QSettings ini(fichier_, QSettings::IniFormat);
    const QString prefixe = PrefixeIni(cle);
    const QStringList cles = ini.allKeys();
    for (const QString &k : cles)
        if (k.toLower().startsWith(prefixe))
            return true;
    return false;
}

bool RegistreFichier::EcritValeur(const QString &cle, const QString &nom, const QString &valeur)
{
    QDir().mkpath(QFileInfo(fichier_).absolutePath());
    QSettings ini(fichier_, QSettings::IniFormat);
    const QString voulu = CleIni(cle, nom);
    const QStringList cles = ini.allKeys();
    for (const QString &k : cles)
        if (k.toLower() == voulu)
            ini.remove(k);
    ini.setValue(voulu, valeur);
    ini.sync();
    return ini.status() == QSettings::NoError;
}

bool RegistreFichier::SupprimeCle(const QString &cle)
{
    if (!QFileInfo::exists(fichier_))
        return true;
    QSettings ini(fichier_, QSettings::IniFormat);
    const QString prefixe = PrefixeIni(cle);
    const QStringList cles = ini.allKeys();
    for (const QString &k : cles)
        if (k.toLower().startsWith(prefixe))
            ini.remove(k);
    ini.sync();
    return ini.status() == QSettings::NoError;
}

bool ReglagesUtilisateur::Ouvre()
{
    QSettings reglages(QSettings::NativeFormat, QSettings::UserScope, u"Olvessa"_s, u"Quorvale"_s);
    return reglages.isWritable();
}

std::optional<bool> ReglagesUtilisateur::Lit(const QString &nom) const
{
    QSettings reglages(QSettings::NativeFormat, QSettings::UserScope, u"Olvessa"_s, u"Quorvale"_s);
    if (!reglages.contains(nom))
        return std::nullopt;
    return reglages.value(nom).toBool();
}

void ReglagesUtilisateur::Ecrit(const QString &nom, bool valeur)
{
    // QSettings écrit dans un fichier provisoire puis le renomme : une panne ne perd pas l'ancien.
    QSettings reglages(QSettings::NativeFormat, QSettings::UserScope, u"Olvessa"_s, u"Quorvale"_s);
    reglages.setValue(nom, valeur);
    reglages.sync();
}

std::optional<QString> ReglagesUtilisateur::LitTexte(const QString &nom) const
{
    QSettings reglages(QSettings::NativeFormat, QSettings::UserScope, u"Olvessa"_s, u"Quorvale"_s);
    if (!reglages.contains(nom))
        return std::nullopt;
    return reglages.value(nom).toString();
}

void ReglagesUtilisateur::EcritTexte(const QString &nom, const QString &valeur)
{
    QSettings reglages(QSettings::NativeFormat, QSettings::UserScope, u"Olvessa"_s, u"Quorvale"_s);
    reglages.setValue(nom, valeur);
    reglages.sync();
}

} // namespace quorvale
