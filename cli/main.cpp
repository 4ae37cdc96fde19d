#include "lot.h"
#include "tas.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    quorvale::PrepareTas();
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvale"));
    QCoreApplication::setOrganizationName(QStringLiteral("Olvessa"));
    return quorvale::Lot(QCoreApplication::arguments().mid(1));
}
