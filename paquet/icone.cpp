// icone_quorvale FICHIER.png TAILLE : l'icône du programme en PNG, pour le thème d'icônes.
#include "TAboutBox.h"

#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    bool ok = arguments.size() == 3;
    const int taille = ok ? arguments[2].toInt(&ok) : 0;
    if (!ok || taille <= 0) {
        std::fprintf(stderr, "usage : icone_quorvale FICHIER.png TAILLE\n");
        return 2;
    }
    return quorvale::IconeQuorvale(taille).save(arguments[1], "PNG") ? 0 : 1;
}
