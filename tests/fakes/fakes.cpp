#include "fakes.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cctype>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

namespace {
QString Cle(const QString &cle, const QString &nom)
{
    QStringList parties = cle.toLower().split(u'\\', Qt::SkipEmptyParts);
    return parties.join(u'\\') + u'|' + nom.toLower();
}

/** Un réel "d.dddE+dd" codé à la manière des exports compressés : un caractère de format (point
 *  après le premier chiffre, signe de l'exposant, parité du nombre de chiffres) puis les chiffres
 *  deux par deux. */
QByteArray CodeReelE00(const QByteArray &reel)
{
    QByteArray chiffres = reel.left(1) + reel.mid(2, reel.indexOf('E') - 2) + reel.right(2);
    const bool impair = chiffres.size() % 2 != 0;
    if (impair)
        chiffres += '0';
    QByteArray code(1, char('!' + (impair ? 45 : 0) + (reel.contains("E-") ? 30 : 15) + 1));
    for (qsizetype i = 0; i < chiffres.size(); i += 2) {
        const int paire = (chiffres.at(i) - '0') * 10 + (chiffres.at(i + 1) - '0');
        code += paire < 92 ? QByteArray(1, char('!' + paire)) : QByteArray("}") + char('!' + paire - 92);
    }
    return '~' + code;
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

QByteArray essai::CompresseE00(const QByteArray &clair, bool nombres)
{
    static const QRegularExpression reel(u"^[0-9]\\.[0-9]+E[+-][0-9][0-9]"_s);
    QByteArrayList lignes = clair.split('\n');
    if (lignes.last().isEmpty())
        lignes.removeLast();
    QByteArray entete = lignes.takeFirst();
    entete.replace("EXP  0", "EXP  1");
    QByteArray flot;
    for (QByteArray ligne : lignes) {
        if (ligne.endsWith('\r'))
            ligne.chop(1);
        bool apresNombre = false;
        for (qsizetype i = 0; i < ligne.size();) {
            const auto trouve = nombres ? reel.match(QString::fromLatin1(ligne.mid(i, 30))) : QRegularExpressionMatch();
            if (trouve.hasMatch() && (i == 0 || !std::isdigit(static_cast<unsigned char>(ligne.at(i - 1))))) {
                flot += CodeReelE00(trouve.captured().toLatin1());
                i += trouve.capturedLength();
                apresNombre = true;
                continue;
            }
            // Un caractère ordinaire juste après un nombre s'en sépare par un "~".
            if (apresNombre && ligne.at(i) != ' ')
                flot += '~';
            apresNombre = false;
            if (ligne.at(i) == '~') {
                flot += "~~";
                ++i;
            } else if (ligne.at(i) == ' ' && i + 2 < ligne.size() && ligne.at(i + 1) == ' ') {
                qsizetype n = 0;
                while (i + n < ligne.size() && ligne.at(i + n) == ' ')
                    ++n;
                flot += "~ " + QByteArray(1, char(' ' + n));
                i += n;
            } else {
                flot += ligne.at(i++);
            }
        }
        flot += "~}";
    }
    QByteArray sortie = entete + "\r\n";
    for (qsizetype i = 0; i < flot.size(); i += 80)
        sortie += flot.mid(i, 80) + "\r\n";
    return sortie;
}

} // namespace quorvale
