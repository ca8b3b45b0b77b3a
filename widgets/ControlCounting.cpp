#include "widgets/ControlCounting.h"

#include <cstdlib>
#include <limits>

namespace {

int32_t Clamp32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return int32_t(value);
}

}  // namespace

void StepValueCount(int32_t& current, int32_t value, int32_t& countTime, int32_t minPerSecond,
                    int32_t maxDuration, int32_t elapsedMs) {
    const int64_t dt = elapsedMs;
    const int64_t remaining = int64_t{maxDuration} - countTime;
    if (dt == 0 && remaining >= 0) return;
    // Time up (or, with a negative step, no time left to share it by): the
    // target at once.
    if (dt > remaining || remaining <= 0) {
        current = value;
        return;
    }
    const int64_t dir = value > current ? 1 : -1;
    const int64_t share = dt * (int64_t{value} - current) / remaining;
    const int64_t minStep = dir * (dt * minPerSecond / 1000);
    const int64_t next =
        int64_t{current} + (std::llabs(share) > std::llabs(minStep) ? share : minStep);
    if ((dir > 0 && next > value) || (dir < 0 && next < value)) {
        current = value;
    } else {
        current = Clamp32(next);
    }
    countTime = Clamp32(int64_t{countTime} + dt);
}
