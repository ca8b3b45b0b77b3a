// The avx512 build of the vector row kernels (see SurfaceKernelsSimd.h).
// Its table is chosen at run time only when the processor has avx512.
#include "engine/surface/SurfaceKernels.h"

#ifdef QM_SURFACE_X86
#pragma GCC target("avx512f,avx512bw,avx512dq,avx512vl")
// GCC 12's AVX-512 intrinsics pass a deliberately undefined vector as the
// unused merge operand, which -Wmaybe-uninitialized reports once inlined.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#define QM_SIMD_LEVEL 3
#define QM_SIMD_TABLE Avx512Kernels
#define QM_SIMD_NAME "avx512"
#include "engine/surface/SurfaceKernelsSimd.h"
#endif
