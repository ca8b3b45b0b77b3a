// The process-wide random generator: the engine seeds it from the clock at
// start-up; tests seed it to replay a sequence. Main thread only.
#pragma once

#include <cstdint>

// Seeds the generator from the clock.
void Randomize();
void RandomSeed(uint32_t seed);
// Uniform in 0..n-1; 0 for n <= 0.
int32_t Random(int32_t n);
// Uniform in [0, 1).
double RandomFloat();
