// The sse2 build of the vector row kernels (see SurfaceKernelsSimd.h).
#include "engine/surface/SurfaceKernels.h"

#ifdef QM_SURFACE_X86
#define QM_SIMD_LEVEL 1
#define QM_SIMD_TABLE Sse2Kernels
#define QM_SIMD_NAME "sse2"
#include "engine/surface/SurfaceKernelsSimd.h"
#endif
