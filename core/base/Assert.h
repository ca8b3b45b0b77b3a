// Checks of invariants that only a programming error can break. In a debug
// build a failed check prints its sentence, the condition and the place, and
// stops the program; a release build compiles the check away.
//
//     QM_ASSERT(refCount_ > 0, "Release was called on an object nobody holds.");
#pragma once

[[noreturn]] void AssertionFailed(const char* condition, const char* sentence, const char* file,
                                  int line) noexcept;

#ifdef NDEBUG
#define QM_ASSERT(condition, sentence) ((void)0)
#else
#define QM_ASSERT(condition, sentence) \
    ((condition) ? (void)0 : ::AssertionFailed(#condition, sentence, __FILE__, __LINE__))
#endif
