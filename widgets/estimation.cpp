#include "estimation.h"

#include <QTime>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

QString FormatHeureLongue(const QLocale &locale)
{
    // Qt ajoute le fuseau (« t ») au format long ; l'heure de Windows ne l'a pas.
    QString format = locale.timeFormat(QLocale::LongFormat);
    QString resultat;
    bool cite = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'')
            cite = !cite;
        if (!cite && c == u't')
            continue;
        resultat += c;
    }
    return resultat.trimmed();
}

double TempsRestant(double ecouleMs, int pourcentage)
{
    if (pourcentage <= 0)
        return 0;
    return (100 - pourcentage) * ecouleMs / pourcentage;
}

QString TexteTempsRestant(double restantMs, const QLocale &locale)
{
    // Seule l'heure du jour s'écrit : 24 heures ou plus repartent de zéro.
    const qint64 ms = qint64(std::floor(restantMs + 1000)) % (24 * 3600 * 1000);
    return u"Temps restant: "_s + locale.toString(QTime::fromMSecsSinceStartOfDay(int(ms)), FormatHeureLongue(locale));
}

} // namespace quorvale
