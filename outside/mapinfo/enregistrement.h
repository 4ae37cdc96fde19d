#pragma once

#include "registre.h"

#include <QString>

namespace quorvale::mapinfo {

inline constexpr char16_t ProgIdMapInfo[] = u"Mapinfo.Application";
inline constexpr char16_t ClsidMapInfo[] = u"{6F1C2B3A-8D4E-4B7F-9A21-5C0E7D3B9F14}";

/** Inscrit le serveur (ProgID, CLSID, commande LocalServer entre guillemets suivie de -automation). */
bool Enregistre(Registre &registre, const QString &cheminExecutable);
/** Retire ce qu'Enregistre a écrit. */
bool Desenregistre(Registre &registre);

} // namespace quorvale::mapinfo
