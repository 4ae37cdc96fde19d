#pragma once

#include "horloge.h"

#include <QString>

namespace quorvale {

/** Pompe les messages jusqu'à ce que plus de ms millisecondes se soient écoulées. */
void Attendre(const Horloge &horloge, quint32 ms);

/** Pompe les messages jusqu'à ce que le fichier existe ou que plus de delai ms se soient écoulées ;
 *  l'appelant poursuit dans les deux cas. */
void AttendFichier(const Horloge &horloge, const QString &chemin, quint32 delai);

} // namespace quorvale
