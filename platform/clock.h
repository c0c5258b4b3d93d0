#pragma once

#include "platform/scoped.h"

#include <QDate>
#include <QLocale>
#include <optional>

namespace platform {

// Today's date: the system clock, unless a test has fixed it.
QDate today();

// Dates are always written the French way, whatever the system locale.
QLocale frenchLocale();

std::optional<QDate>& fixedTodaySlot();

// ScopedToday day(QDate(2024, 4, 23)); makes today() answer that day.
class ScopedToday : public ScopedSwap<std::optional<QDate>> {
public:
    explicit ScopedToday(QDate day) : ScopedSwap(fixedTodaySlot(), day) {}
};

} // namespace platform
