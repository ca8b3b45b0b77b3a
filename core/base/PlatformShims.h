// Small stand-ins for operating-system services: the inclusive
// point-in-rectangle test, the critical section, and the process-wide
// floating-point set-up run as the first unit initialisation.
#pragma once

#include <cstdint>
#include <mutex>

#include "core/base/Rect.h"
#include "core/base/Units.h"

// True when left <= x <= right and top <= y <= bottom: all four edges count
// as inside (unlike the drawing code's rectangles).
inline bool PointInRectInclusive(const TRect& rect, int32_t x, int32_t y) {
    return x >= rect.left && x <= rect.right && y >= rect.top && y <= rect.bottom;
}

// A mutual-exclusion region with an unbounded wait. The owning thread may
// enter again (each Enter is matched by one Leave), as the platform regions
// it replaces allowed. Also usable with std::lock_guard / std::scoped_lock.
class TCriticalSection {
public:
    TCriticalSection() = default;
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;

    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }

    void lock() { Enter(); }
    void unlock() { Leave(); }

private:
    std::recursive_mutex mutex_;
};

// Masks every floating-point exception for the process (invalid operation,
// denormal operand where the processor has it, division by zero, overflow,
// underflow, inexact), so faults give infinities and NaNs instead of traps.
// The initialisation of the "FpuExceptionMask" unit.
void MaskFloatingPointExceptions();
inline constexpr TUnit kFpuExceptionMaskUnit = {"FpuExceptionMask", MaskFloatingPointExceptions,
                                                nullptr};
