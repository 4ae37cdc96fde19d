#include "horloge.h"

#include <chrono>

namespace quorvale {

quint32 HorlogeSysteme::Tic() const
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
    return quint32(quint64(ms.count()));
}

QDateTime HorlogeSysteme::Maintenant() const
{
    return QDateTime::currentDateTime();
}

} // namespace quorvale
