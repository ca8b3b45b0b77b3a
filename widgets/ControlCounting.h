// The count by which numeric controls move the number they show towards a
// new target: at least a least speed, and arriving within a longest time
// after the target was set. Shared by the numeric label and the animated
// bar; not for other layers.
#pragma once

#include <cstdint>

// One frame of elapsedMs moves current towards value: by the share of the
// remaining distance that the remaining time (maxDuration less countTime)
// gives, or by the least speed's step (minPerSecond units a second) when
// that is larger, never past value; to value itself once the time is up. A
// frame of 0 ms changes nothing. countTime grows by the frame. Products are
// taken in 64 bits, so large values and long frames do not overflow.
void StepValueCount(int32_t& current, int32_t value, int32_t& countTime, int32_t minPerSecond,
                    int32_t maxDuration, int32_t elapsedMs);
