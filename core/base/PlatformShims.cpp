#include "core/base/PlatformShims.h"

#include <cfenv>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

void MaskFloatingPointExceptions() {
#if defined(__GLIBC__)
    fedisableexcept(FE_ALL_EXCEPT);
#endif
#if defined(__x86_64__) || defined(__i386__)
    // FE_ALL_EXCEPT leaves out the x86 denormal-operand exception; its mask
    // bits are set directly in both the SSE and the x87 control words.
    _mm_setcsr(_mm_getcsr() | 0x1F80u);  // all six SSE exception masks
    uint16_t control = 0;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    control |= 0x3F;  // all six x87 exception masks
    __asm__ volatile("fldcw %0" : : "m"(control));
#endif
}
