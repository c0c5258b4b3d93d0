#pragma once

#include <utility>

namespace platform {

// Puts a value into a slot for the lifetime of the guard and gives the old one
// back on destruction, even when a test fails half-way. Every fake of the
// platform (clock, message box, sound, help) is installed through it.
template <typename T> class ScopedSwap {
public:
    ScopedSwap(T& slot, T value) : m_slot(slot), m_old(std::exchange(slot, std::move(value))) {}
    ~ScopedSwap() { m_slot = std::move(m_old); }
    ScopedSwap(const ScopedSwap&) = delete;
    ScopedSwap& operator=(const ScopedSwap&) = delete;

private:
    T& m_slot;
    T m_old;
};

} // namespace platform
