#pragma once

#include <QString>

namespace quorvale {

/** Le contrôle, nommé comme dans le concepteur pour que les essais et la recherche le trouvent. */
template <typename T>
T *Nomme(T *controle, const QString &nom)
{
    controle->setObjectName(nom);
    return controle;
}

} // namespace quorvale
