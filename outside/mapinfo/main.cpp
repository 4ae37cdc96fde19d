#include "enregistrement.h"
#include "instructions.h"
#include "serveur.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cpl_error.h>

#include <cstdio>
#include <iostream>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    quorvale::RegistreFichier registre;
    for (const QString &a : arguments) {
        const QString option = a.toLower();
        if (option == u"--regserver"_s || option == u"/regserver"_s)
            return quorvale::mapinfo::Enregistre(registre, QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath()) ? 0 : 1;
        if (option == u"--unregserver"_s || option == u"/unregserver"_s)
            return quorvale::mapinfo::Desenregistre(registre) ? 0 : 1;
    }
    if (!arguments.contains(u"-Embedding"_s, Qt::CaseInsensitive)) {
        std::fprintf(stderr, "mapinfow : serveur d'automation. Options : --regserver, --unregserver, -Embedding.\n");
        return 2;
    }
    // Les avertissements de GDAL n'ont rien à faire dans la console du client ; les erreurs
    // reviennent dans les réponses.
    CPLSetErrorHandler(CPLQuietErrorHandler);
    quorvale::mapinfo::ExecuteurMapInfo executeur;
    return quorvale::mapinfo::Sert(std::cin, std::cout, executeur);
}
