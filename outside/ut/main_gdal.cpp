// imut_gdal : les deux commandes du traducteur, conversions comprises.
#include "traduction.h"

#include <QStringList>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return quorvale::ut::Traduit(arguments);
}
