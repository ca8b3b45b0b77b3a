#include "core/base/Assert.h"

#include <cstdio>
#include <cstdlib>

void AssertionFailed(const char* condition, const char* sentence, const char* file,
                     int line) noexcept {
    std::fprintf(stderr, "quillmarch: %s\n  (%s failed at %s:%d)\n", sentence, condition, file,
                 line);
    std::fflush(stderr);
    std::abort();
}
