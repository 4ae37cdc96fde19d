#pragma once

#include <QString>
#include <QStringList>

namespace quorvale {

/** Les choix de l'utilisateur dans la fenêtre principale, et l'état partagé du traitement. */
struct Choix {
    int FormatSource = 0; // 1 à 5 ; 0 tant que rien n'est choisi
    int FormatCible = 0;
    QString ExtSource;
    QString ExtCible;
    QString DossierSource;
    QString DossierCible;
    int CodePaire = 0;
    QString DossierMapInfo; // terminé par "/"
    QString ProjectionChoisie = QStringLiteral("CoordSys NonEarth Projection 0, 7");
    QStringList ListeFichiers;
    QStringList ListeTables;
};

/** La clé d'un format (1 dxf, 2 e00, 3 mif, 4 shp, 5 tab) ; vide hors de 1 à 5. */
QString CleFormat(int index);

} // namespace quorvale
