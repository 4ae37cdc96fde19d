#include "version.h"

#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

QString CleTraduction(quint16 langue, quint16 pageDeCode)
{
    return u"%1%2"_s.arg(langue, 4, 16, QChar(u'0')).arg(pageDeCode, 4, 16, QChar(u'0')).toUpper();
}

QString VersionFichier(const QString &racine)
{
    const QString inconnue = u"(Inconnue)"_s;
    QFile traduction(racine + u"/VarFileInfo/Translation"_s);
    if (!traduction.open(QIODevice::ReadOnly))
        return inconnue;
    const QByteArray octets = traduction.read(4);
    if (octets.size() < 4)
        return inconnue;
    const auto mot = [&](int i) { return quint16(quint8(octets[i]) | (quint8(octets[i + 1]) << 8)); };
    QFile version(racine + u"/StringFileInfo/"_s + CleTraduction(mot(0), mot(2)) + u"/FileVersion"_s);
    if (!version.open(QIODevice::ReadOnly))
        return inconnue;
    QByteArray texte = version.readAll();
    const qsizetype zero = texte.indexOf('\0');
    if (zero >= 0)
        texte.truncate(zero);
    return QString::fromUtf8(texte.trimmed());
}

} // namespace quorvale
