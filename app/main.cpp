#include "application.h"
#include "tas.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

// QUORVALE_MESURE_DEMARRAGE : le programme s'arrête dès que la fenêtre principale est dessinée une
// première fois, après avoir écrit le temps écoulé depuis la création de l'application (le banc
// mesure aussi, de l'extérieur, le temps du processus entier).
class MesureDemarrage : public QObject {
public:
    using QObject::QObject;
    QElapsedTimer chrono;

protected:
    bool eventFilter(QObject *objet, QEvent *evenement) override
    {
        if (evenement->type() == QEvent::Paint && objet->inherits("quorvale::TForm1")) {
            std::fprintf(stderr, "demarrage : %lld ms depuis la création de l'application\n",
                         static_cast<long long>(chrono.elapsed()));
            qApp->removeEventFilter(this);
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        }
        return false;
    }
};

void InstalleMesure()
{
    if (!qEnvironmentVariableIsSet("QUORVALE_MESURE_DEMARRAGE"))
        return;
    auto *mesure = new MesureDemarrage(qApp);
    mesure->chrono.start();
    qApp->installEventFilter(mesure);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(InstalleMesure)

int main(int argc, char *argv[])
{
    quorvale::PrepareTas();
    return quorvale::LanceApplication(argc, argv);
}
