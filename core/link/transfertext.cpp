#include "transfertext.h"

#include "resdll.h"

namespace transfertext {

QString outcomeText(std::int32_t result)
{
    const QString text = gResDll.GetStr(outcomeBase + result);
    return text.isEmpty() ? QStringLiteral("device link result %1").arg(result) : text;
}

} // namespace transfertext
