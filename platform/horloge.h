#pragma once

#include <QDateTime>
#include <QtGlobal>

namespace quorvale {

/** Le compteur de millisecondes (comparé par soustraction non signée) et l'heure locale. */
class Horloge {
public:
    virtual ~Horloge() = default;
    virtual quint32 Tic() const = 0;
    virtual QDateTime Maintenant() const = 0;
};

class HorlogeSysteme : public Horloge {
public:
    quint32 Tic() const override;
    QDateTime Maintenant() const override;
};

} // namespace quorvale
