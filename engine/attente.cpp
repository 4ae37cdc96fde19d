#include "attente.h"

#include "fichiers.h"
#include "processus.h"

#include <QThread>

namespace quorvale {

namespace {
// Une pause d'une milliseconde entre deux passages : la fenêtre reste vivante sans occuper un cœur.
void Souffle()
{
    QThread::msleep(1);
}
} // namespace

void Attendre(const Horloge &horloge, quint32 ms)
{
    const quint32 t0 = horloge.Tic();
    for (;;) {
        PompeMessages();
        // Soustraction non signée : juste même quand le compteur repasse par zéro.
        if (quint32(horloge.Tic() - t0) > ms)
            return;
        Souffle();
    }
}

void AttendFichier(const Horloge &horloge, const QString &chemin, quint32 delai)
{
    const quint32 t0 = horloge.Tic();
    for (;;) {
        const bool trouve = FichierExiste(chemin);
        PompeMessages();
        if (trouve || quint32(horloge.Tic() - t0) > delai)
            return;
        Souffle();
    }
}

} // namespace quorvale
