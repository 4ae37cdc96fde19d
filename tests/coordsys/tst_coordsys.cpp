#include "essais.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <memory>

bool EcritOctets(const QString &chemin, const QByteArray &octets)
{
    QDir().mkpath(chemin.left(chemin.lastIndexOf(u'/')));
    QFile f(chemin);
    return f.open(QIODevice::WriteOnly) && f.write(octets) == octets.size();
}

QByteArray LitOctets(const QString &chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    int echecs = 0;
    for (auto *fabrique : {EssaisFeuillets, EssaisCatalogue, EssaisAssociations, EssaisPrj, EssaisDialogues, EssaisZonesFeuillets}) {
        std::unique_ptr<QObject> essais(fabrique());
        echecs += QTest::qExec(essais.get(), argc, argv);
    }
    return echecs;
}
