#include "choix.h"

using namespace Qt::Literals::StringLiterals;

namespace quorvale {

QString CleFormat(int index)
{
    static const QStringList cles{u"dxf"_s, u"e00"_s, u"mif"_s, u"shp"_s, u"tab"_s};
    return (index >= 1 && index <= 5) ? cles[index - 1] : QString();
}

} // namespace quorvale
