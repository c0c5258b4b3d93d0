#include "platform/clock.h"

namespace platform {

std::optional<QDate>& fixedTodaySlot()
{
    static std::optional<QDate> fixed;
    return fixed;
}

QDate today()
{
    if (const auto& fixed = fixedTodaySlot())
        return *fixed;
    return QDate::currentDate();
}

QLocale frenchLocale()
{
    return QLocale(QLocale::French, QLocale::France);
}

} // namespace platform
