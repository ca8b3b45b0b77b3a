#include "core/base/Random.h"

#include <chrono>
#include <random>

namespace {

std::mt19937& Generator() {
    static std::mt19937 generator;
    return generator;
}

}  // namespace

void Randomize() {
    auto now = std::chrono::system_clock::now().time_since_epoch().count() ^
               std::chrono::steady_clock::now().time_since_epoch().count();
    Generator().seed(static_cast<uint32_t>(now ^ (now >> 32)));
}

void RandomSeed(uint32_t seed) {
    Generator().seed(seed);
}

int32_t Random(int32_t n) {
    if (n <= 0) return 0;
    return std::uniform_int_distribution<int32_t>(0, n - 1)(Generator());
}

double RandomFloat() {
    return std::uniform_real_distribution<double>(0.0, 1.0)(Generator());
}
