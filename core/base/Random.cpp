#include "core/base/Random.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "core/base/Log.h"

namespace {

std::mt19937& Generator() {
    static std::mt19937 generator;
    return generator;
}

std::mt19937& PlayGenerator() {
    static std::mt19937 generator;
    return generator;
}

int32_t Below(std::mt19937& generator, int32_t n) {
    if (n <= 0) return 0;
    return std::uniform_int_distribution<int32_t>(0, n - 1)(generator);
}

}  // namespace

void Randomize() {
    auto now = std::chrono::system_clock::now().time_since_epoch().count() ^
               std::chrono::steady_clock::now().time_since_epoch().count();
    RandomSeed(static_cast<uint32_t>(now ^ (now >> 32)));
}

bool RandomizeFromEnvironment() {
    const char* value = std::getenv("QM_RANDOM_SEED");
    if (value && *value) {
        char* end = nullptr;
        errno = 0;
        const unsigned long long seed = std::strtoull(value, &end, 10);
        if (errno == 0 && *end == '\0' && *value != '-' && seed <= UINT32_MAX) {
            RandomSeed(static_cast<uint32_t>(seed));
            return true;
        }
        Log("ENGINE", "QM_RANDOM_SEED=" + std::string(value) +
                          " is no whole number below 2^32; the clock seeds the random generators");
    }
    Randomize();
    return false;
}

void RandomSeed(uint32_t seed) {
    Generator().seed(seed);
    PlayGenerator().seed(seed);
}

int32_t Random(int32_t n) {
    return Below(Generator(), n);
}

double RandomFloat() {
    return std::uniform_real_distribution<double>(0.0, 1.0)(Generator());
}

int32_t PlayRandom(int32_t n) {
    return Below(PlayGenerator(), n);
}
