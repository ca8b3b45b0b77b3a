// The avx2 build of the vector row kernels (see SurfaceKernelsSimd.h).
// Its table is chosen at run time only when the processor has avx2.
#include "engine/surface/SurfaceKernels.h"

#ifdef QM_SURFACE_X86
#pragma GCC target("avx2")
#define QM_SIMD_LEVEL 2
#define QM_SIMD_TABLE Avx2Kernels
#define QM_SIMD_NAME "avx2"
#include "engine/surface/SurfaceKernelsSimd.h"
#endif
