#include "instructions.h"

using namespace Qt::Literals::StringLiterals;

namespace quorvale::mapinfo {

QString ExecuteurMapInfo::Execute(const QString &instruction)
{
    const QString simple = instruction.simplified().toLower();
    if (simple == u"set progressbars off"_s) {
        barresProgression_ = false;
        return {};
    }
    if (simple == u"set progressbars on"_s) {
        barresProgression_ = true;
        return {};
    }
    return u"Instruction non reconnue : %1"_s.arg(instruction);
}

bool ExecuteurMapInfo::EcritPropriete(const QString &nom, bool valeur)
{
    if (nom.compare(u"visible"_s, Qt::CaseInsensitive) != 0)
        return false;
    visible_ = valeur;
    return true;
}

} // namespace quorvale::mapinfo
