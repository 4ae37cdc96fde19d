#include "fakes.h"

#include <QDir>
#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {
QString Cle(const QString &cle, const QString &nom)
{
    QStringList parties = cle.toLower().split(u'\\', Qt::SkipEmptyParts);
    return parties.join(u'\\') + u'|' + nom.toLower();
}
} // namespace

std::optional<QString> FauxRegistre::LitValeur(const QString &cle, const QString &nom) const
{
    lus << cle;
    const auto it = valeurs.constFind(Cle(cle, nom));
    if (it == valeurs.constEnd())
        return std::nullopt;
    return *it;
}

bool FauxRegistre::CleExiste(const QString &cle) const
{
    const QString prefixe = Cle(cle, {}).chopped(1);
    for (auto it = valeurs.cbegin(); it != valeurs.cend(); ++it)
        if (it.key().startsWith(prefixe + u'|') || it.key().startsWith(prefixe + u'\\'))
            return true;
    return false;
}

bool FauxRegistre::EcritValeur(const QString &cle, const QString &nom, const QString &valeur)
{
    valeurs[Cle(cle, nom)] = valeur;
    return true;
}

bool FauxRegistre::SupprimeCle(const QString &cle)
{
    const QString prefixe = Cle(cle, {}).chopped(1);
    for (auto it = valeurs.begin(); it != valeurs.end();)
        it = (it.key().startsWith(prefixe + u'|') || it.key().startsWith(prefixe + u'\\')) ? valeurs.erase(it) : std::next(it);
    return true;
}

std::optional<bool> FauxReglages::Lit(const QString &nom) const
{
    const auto it = valeurs.constFind(nom);
    if (it == valeurs.constEnd())
        return std::nullopt;
    return *it;
}

ResultatProcessus FauxProcessus::ExecuteEtAttend(const QString &fichierCommandes)
{
    QFile f(fichierCommandes);
    QString contenu;
    if (f.open(QIODevice::ReadOnly))
        contenu = QString::fromUtf8(f.readAll());
    lances << fichierCommandes;
    contenus << contenu;
    if (action)
        return action(fichierCommandes, contenu);
    return {};
}

void essai::Ecrit(const QString &chemin, const QByteArray &contenu)
{
    QDir().mkpath(chemin.left(chemin.lastIndexOf(u'/')));
    QFile f(chemin);
    if (f.open(QIODevice::WriteOnly))
        f.write(contenu);
}

QByteArray essai::Lit(const QString &chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

EnvironnementIsole::EnvironnementIsole()
    : ancienneConfig_(qgetenv("XDG_CONFIG_HOME")), ancienTemp_(qgetenv("TMPDIR"))
{
    QDir(dossier_.path()).mkpath(u"config"_s);
    QDir(dossier_.path()).mkpath(u"tmp"_s);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configuration()));
    qputenv("TMPDIR", QFile::encodeName(temporaire()));
}

EnvironnementIsole::~EnvironnementIsole()
{
    qputenv("XDG_CONFIG_HOME", ancienneConfig_);
    qputenv("TMPDIR", ancienTemp_);
}

QString EnvironnementIsole::configuration() const
{
    return dossier_.path() + u"/config"_s;
}

QString EnvironnementIsole::temporaire() const
{
    return dossier_.path() + u"/tmp"_s;
}

} // namespace quorvale
