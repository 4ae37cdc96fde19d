// imut_gdal : les deux commandes du traducteur, conversions comprises ; avec --travailleur, il
// reste chargé et sert les appels du lanceur imut pendant un traitement.
#include "traduction.h"
#include "travailleur.h"

#include <QStringList>

#include <cstring>

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], quorvale::ut::OptionTravailleur) == 0)
        return quorvale::ut::Travailleur(argv[2]);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return quorvale::ut::Traduit(arguments);
}
