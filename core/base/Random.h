// The process-wide random generators: the engine seeds them from the clock
// at start-up, or from QM_RANDOM_SEED; tests seed them to replay a sequence.
// Main thread only.
//
// The draws that decide what the player is given to play (the mosaic's
// shuffle, a bonus round's picture, a results screen's tip) come from a
// generator of their own, PlayRandom, seeded with the other: the effects
// draw every frame, so a sequence shared with them would differ between two
// runs of one seed that show their frames at another pace (a window beside
// a headless run of the same game).
#pragma once

#include <cstdint>

// Seeds both generators from the clock.
void Randomize();
// Seeds both from the whole number in QM_RANDOM_SEED when the environment
// gives one, else from the clock; answers whether a seed was given.
bool RandomizeFromEnvironment();
void RandomSeed(uint32_t seed);
// Uniform in 0..n-1; 0 for n <= 0.
int32_t Random(int32_t n);
// Uniform in [0, 1).
double RandomFloat();
// Uniform in 0..n-1 from the play's generator; 0 for n <= 0.
int32_t PlayRandom(int32_t n);
