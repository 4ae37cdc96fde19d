// imut : la commande generate se fait ici, sans GDAL ; la traduction passe la main (exec)
// à imut_gdal, posé à côté, qui garde le même processus pour l'appelant qui l'attend.
#include "correspondance.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <unistd.h>

#include <vector>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!arguments.isEmpty() && arguments.first().compare(u"generate"_s, Qt::CaseInsensitive) == 0)
        return quorvale::ut::Genere(arguments.mid(1));

    char chemin[4096];
    const ssize_t n = ::readlink("/proc/self/exe", chemin, sizeof chemin - 1);
    QByteArray travailleur = n > 0 ? QByteArray(chemin, int(n)) : QByteArray(argv[0]);
    travailleur = travailleur.left(travailleur.lastIndexOf('/') + 1) + "imut_gdal";
    std::vector<char *> args{travailleur.data()};
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    ::execv(travailleur.constData(), args.data());
    quorvale::ut::SignaleEchec(u"Impossible de lancer le traducteur « %1 »."_s.arg(QString::fromLocal8Bit(travailleur)));
    return 1;
}
