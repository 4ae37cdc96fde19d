#pragma once

#include <QString>
#include <stdexcept>

namespace quorvale {

/** L'erreur qui met fin à une opération ; texte en français, montré tel quel à l'utilisateur. */
class Erreur : public std::runtime_error {
public:
    explicit Erreur(const QString &texte) : std::runtime_error(texte.toStdString()), texte_(texte) {}
    const QString &texte() const { return texte_; }

private:
    QString texte_;
};

} // namespace quorvale
