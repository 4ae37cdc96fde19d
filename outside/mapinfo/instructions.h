#pragma once

#include "serveur.h"

namespace quorvale::mapinfo {

/** Les instructions MapBasic que le programme envoie, exécutées sur les tables MapInfo. */
class ExecuteurMapInfo : public Executeur {
public:
    QString Execute(const QString &instruction) override;
    bool EcritPropriete(const QString &nom, bool valeur) override;

    bool visible() const { return visible_; }
    bool barresProgression() const { return barresProgression_; }

private:
    bool visible_ = true;
    bool barresProgression_ = true;
};

} // namespace quorvale::mapinfo
