// The pixel loops behind ISurface::Draw and DrawColored, one table of
// them per instruction set. The best table for the processor is chosen once;
// tests and benchmarks may force a lower one. Every table gives bit-identical
// results.
#pragma once

#include <cstddef>
#include <cstdint>

// Blend kernel: rows of width pixels, rows times, each row stride pixels
// after the previous one in src and dst. level is the transparency level (or
// the colour level la of the colour kernels), color the colour of
// DrawColored (unused by the plain kernels). Constants are set up once per
// call, so small sprites pay no per-row set-up.
using TBlendKernel = void (*)(const uint32_t* src, ptrdiff_t srcStride, uint32_t* dst,
                              ptrdiff_t dstStride, size_t width, size_t rows, uint32_t level,
                              uint32_t color);

// The kernels, each indexed [destination transparent ? 1 : 0].
struct TSurfaceKernels {
    const char* name;
    // Draw, bm_Normal.
    TBlendKernel alphaBlend[2];       // transparent source, level 255
    TBlendKernel alphaBlendLevel[2];  // transparent source, level below 255
    TBlendKernel constantAlpha[2];    // opaque source, level below 255
    // Draw, modes 1 to 5 (index mode - 1).
    TBlendKernel mode[5][2];
    // DrawColored, bm_Normal; level is la.
    TBlendKernel colorAlpha[2];        // transparent source, la 255
    TBlendKernel colorAlphaLevel[2];   // transparent source, la below 255
    TBlendKernel colorOpaqueLevel[2];  // opaque source, la below 255 (src unused)
    // DrawColored, modes 1 to 5 (index mode - 1); level is L.
    TBlendKernel colorMode[5][2];
};

enum class TKernelLevel : int { Scalar = 0, Sse2 = 1, Avx2 = 2, Avx512 = 3 };

// The highest level this processor (and build) runs.
TKernelLevel MaxKernelLevel();
// The level in use: MaxKernelLevel() unless forced lower.
TKernelLevel CurrentKernelLevel();
// Forces a level, lowered to MaxKernelLevel(); answers the level now in use.
TKernelLevel SetKernelLevel(TKernelLevel level);
const TSurfaceKernels& CurrentKernels();
// The table of a level, or null when the build or processor lacks it.
const TSurfaceKernels* KernelsForLevel(TKernelLevel level);

// The tables, defined one per translation unit.
const TSurfaceKernels& ScalarKernels();
#if defined(__x86_64__) || defined(__i386__)
#define QM_SURFACE_X86 1
const TSurfaceKernels& Sse2Kernels();
const TSurfaceKernels& Avx2Kernels();
const TSurfaceKernels& Avx512Kernels();
#endif
