// imut_generate : la commande generate, sans GDAL.
#include "correspondance.h"

#include <QStringList>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 2; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return quorvale::ut::Genere(arguments);
}
