// The vector row kernels, written once over a small set of vector operations
// and compiled three times: SurfaceKernelsSse2.cpp, SurfaceKernelsAvx2.cpp and
// SurfaceKernelsAvx512.cpp each set the instruction set with a target pragma,
// define QM_SIMD_LEVEL (1, 2, 3), QM_SIMD_TABLE (the table function's name)
// and QM_SIMD_NAME, then include this file once.
//
// Channels are widened to 16-bit lanes, so one vector carries 4, 8 or 16
// pixels. Every formula is arranged so that each intermediate fits in 16 bits
// (or is exact modulo 2^16), which keeps the results bit-identical to the
// scalar kernels. Two devices recur:
// - a value v placed in the high byte of a lane (v << 8, straight from an
//   unpack) turns "(v * w) >> 8" into one unsigned high multiply;
// - the alpha lane gets weights that leave the destination's alpha as it is,
//   so opaque destinations need no separate alpha merge.
// Everything here has internal linkage: code built for a wider instruction
// set must never be picked by the linker for another unit.
#ifndef QM_SIMD_LEVEL
#error "define QM_SIMD_LEVEL before including SurfaceKernelsSimd.h"
#endif

#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/surface/SurfaceKernels.h"

namespace {

#if QM_SIMD_LEVEL == 1
// ---------------------------------------------------------------- SSE2
using V = __m128i;
using M = __m128i;    // a lane mask per pixel (32-bit lanes)
using M16 = __m128i;  // a lane mask per channel (16-bit lanes)
constexpr size_t kLanes = 4;

inline V Load(const uint32_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const V*>(p));
}
inline void Store(uint32_t* p, V v) {
    _mm_storeu_si128(reinterpret_cast<V*>(p), v);
}
inline V Set32(uint32_t x) {
    return _mm_set1_epi32(static_cast<int>(x));
}
inline V Set64(uint64_t x) {
    return _mm_set1_epi64x(static_cast<long long>(x));
}
inline V Zero() {
    return _mm_setzero_si128();
}
inline V And(V a, V b) {
    return _mm_and_si128(a, b);
}
inline V Or(V a, V b) {
    return _mm_or_si128(a, b);
}
inline V Xor(V a, V b) {
    return _mm_xor_si128(a, b);
}
inline V AndNot(V a, V b) {
    return _mm_andnot_si128(a, b);
}  // ~a & b
inline V Add16(V a, V b) {
    return _mm_add_epi16(a, b);
}
inline V Sub16(V a, V b) {
    return _mm_sub_epi16(a, b);
}
inline V Mul16(V a, V b) {
    return _mm_mullo_epi16(a, b);
}
inline V MulHiU16(V a, V b) {
    return _mm_mulhi_epu16(a, b);
}
template <int n>
inline V Srl16(V a) {
    return _mm_srli_epi16(a, n);
}
template <int n>
inline V Sll16(V a) {
    return _mm_slli_epi16(a, n);
}
template <int n>
inline V Sra16(V a) {
    return _mm_srai_epi16(a, n);
}
template <int n>
inline V Srl32(V a) {
    return _mm_srli_epi32(a, n);
}
template <int n>
inline V Sll32(V a) {
    return _mm_slli_epi32(a, n);
}
inline V Add32(V a, V b) {
    return _mm_add_epi32(a, b);
}
inline V Sub32(V a, V b) {
    return _mm_sub_epi32(a, b);
}
inline V Lo8(V a) {
    return _mm_unpacklo_epi8(a, Zero());
}
inline V Hi8(V a) {
    return _mm_unpackhi_epi8(a, Zero());
}
inline V Lo8High(V a) {
    return _mm_unpacklo_epi8(Zero(), a);
}
inline V Hi8High(V a) {
    return _mm_unpackhi_epi8(Zero(), a);
}
inline V Pack(V lo, V hi) {
    return _mm_packus_epi16(lo, hi);
}
inline V AddSatU8(V a, V b) {
    return _mm_adds_epu8(a, b);
}
inline V Abs16(V a) {
    return _mm_max_epi16(a, _mm_sub_epi16(Zero(), a));
}
// mask ? a : b bit by bit, mask a constant.
inline V BitSelect(V mask, V a, V b) {
    return Or(And(mask, a), AndNot(mask, b));
}
inline M Eq32(V a, V b) {
    return _mm_cmpeq_epi32(a, b);
}
inline M Gt32(V a, V b) {
    return _mm_cmpgt_epi32(a, b);
}
inline M16 Negative16(V a) {
    return _mm_srai_epi16(a, 15);
}
inline V Sel(M m, V a, V b) {
    return BitSelect(m, a, b);
}
inline V Sel16(M16 m, V a, V b) {
    return BitSelect(m, a, b);
}
// True when a & mask is 0 in every lane.
inline bool NoneSet(V a, V mask) {
    return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(a, mask), Zero())) == 0xFFFF;
}
// Lanes whose pixel's alpha is 0.
inline M AlphaZero(V s, V alphaMask) {
    return _mm_cmpeq_epi32(_mm_and_si128(s, alphaMask), Zero());
}
// keep ? d : the colour bytes of rgb with d's alpha.
inline V MergeColour(M keep, V d, V rgb, V rgbMask) {
    return BitSelect(keep, d, BitSelect(rgbMask, rgb, d));
}
// a | (b & mask).
inline V OrAnd(V a, V b, V mask) {
    return Or(a, And(b, mask));
}
// Each pixel's alpha, shifted left 8, in both 16-bit halves of its lane.
inline V AlphaPair(V s) {
    const V x = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xF5), 0xF5);
    return And(x, Set32(0xFF00FF00u));
}
// Each pixel's alpha in the four 16-bit lanes of the low (kHalf 0) or high
// (kHalf 1) unpacked half; kHigh puts it in the lanes' high byte; without
// kAlphaLane the alpha lane gets 0.
template <int kHalf, bool kHigh, bool kAlphaLane>
inline V AlphaLanes(V s) {
    V x = kHalf == 0 ? Lo8(s) : Hi8(s);
    x = _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xFF), 0xFF);
    if (kHigh) x = Sll16<8>(x);
    if (!kAlphaLane) x = And(x, Set64(0x0000FFFFFFFFFFFFull));
    return x;
}

#elif QM_SIMD_LEVEL == 2
// ---------------------------------------------------------------- AVX2
using V = __m256i;
using M = __m256i;
using M16 = __m256i;
constexpr size_t kLanes = 8;

inline V Load(const uint32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const V*>(p));
}
inline void Store(uint32_t* p, V v) {
    _mm256_storeu_si256(reinterpret_cast<V*>(p), v);
}
inline V Set32(uint32_t x) {
    return _mm256_set1_epi32(static_cast<int>(x));
}
inline V Set64(uint64_t x) {
    return _mm256_set1_epi64x(static_cast<long long>(x));
}
inline V Zero() {
    return _mm256_setzero_si256();
}
inline V And(V a, V b) {
    return _mm256_and_si256(a, b);
}
inline V Or(V a, V b) {
    return _mm256_or_si256(a, b);
}
inline V Xor(V a, V b) {
    return _mm256_xor_si256(a, b);
}
inline V AndNot(V a, V b) {
    return _mm256_andnot_si256(a, b);
}
inline V Add16(V a, V b) {
    return _mm256_add_epi16(a, b);
}
inline V Sub16(V a, V b) {
    return _mm256_sub_epi16(a, b);
}
inline V Mul16(V a, V b) {
    return _mm256_mullo_epi16(a, b);
}
inline V MulHiU16(V a, V b) {
    return _mm256_mulhi_epu16(a, b);
}
template <int n>
inline V Srl16(V a) {
    return _mm256_srli_epi16(a, n);
}
template <int n>
inline V Sll16(V a) {
    return _mm256_slli_epi16(a, n);
}
template <int n>
inline V Sra16(V a) {
    return _mm256_srai_epi16(a, n);
}
template <int n>
inline V Srl32(V a) {
    return _mm256_srli_epi32(a, n);
}
template <int n>
inline V Sll32(V a) {
    return _mm256_slli_epi32(a, n);
}
inline V Add32(V a, V b) {
    return _mm256_add_epi32(a, b);
}
inline V Sub32(V a, V b) {
    return _mm256_sub_epi32(a, b);
}
inline V Lo8(V a) {
    return _mm256_unpacklo_epi8(a, Zero());
}
inline V Hi8(V a) {
    return _mm256_unpackhi_epi8(a, Zero());
}
inline V Lo8High(V a) {
    return _mm256_unpacklo_epi8(Zero(), a);
}
inline V Hi8High(V a) {
    return _mm256_unpackhi_epi8(Zero(), a);
}
inline V Pack(V lo, V hi) {
    return _mm256_packus_epi16(lo, hi);
}
inline V AddSatU8(V a, V b) {
    return _mm256_adds_epu8(a, b);
}
inline V Abs16(V a) {
    return _mm256_abs_epi16(a);
}
inline V BitSelect(V mask, V a, V b) {
    return _mm256_blendv_epi8(b, a, mask);
}
inline M Eq32(V a, V b) {
    return _mm256_cmpeq_epi32(a, b);
}
inline M Gt32(V a, V b) {
    return _mm256_cmpgt_epi32(a, b);
}
inline M16 Negative16(V a) {
    return _mm256_srai_epi16(a, 15);
}
inline V Sel(M m, V a, V b) {
    return _mm256_blendv_epi8(b, a, m);
}
inline V Sel16(M16 m, V a, V b) {
    return _mm256_blendv_epi8(b, a, m);
}
inline bool NoneSet(V a, V mask) {
    return _mm256_testz_si256(a, mask) != 0;
}
inline M AlphaZero(V s, V alphaMask) {
    return _mm256_cmpeq_epi32(_mm256_and_si256(s, alphaMask), Zero());
}
inline V MergeColour(M keep, V d, V rgb, V rgbMask) {
    return BitSelect(keep, d, BitSelect(rgbMask, rgb, d));
}
inline V OrAnd(V a, V b, V mask) {
    return Or(a, And(b, mask));
}
inline V TailMask(size_t count) {
    const V index = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return _mm256_cmpgt_epi32(_mm256_set1_epi32(static_cast<int>(count)), index);
}

#elif QM_SIMD_LEVEL == 3
// ---------------------------------------------------------------- AVX-512 (F, BW, DQ, VL)
using V = __m512i;
using M = __mmask16;
using M16 = __mmask32;
constexpr size_t kLanes = 16;

inline V Load(const uint32_t* p) {
    return _mm512_loadu_si512(p);
}
inline void Store(uint32_t* p, V v) {
    _mm512_storeu_si512(p, v);
}
inline V Set32(uint32_t x) {
    return _mm512_set1_epi32(static_cast<int>(x));
}
inline V Set64(uint64_t x) {
    return _mm512_set1_epi64(static_cast<long long>(x));
}
inline V Zero() {
    return _mm512_setzero_si512();
}
inline V And(V a, V b) {
    return _mm512_and_si512(a, b);
}
inline V Or(V a, V b) {
    return _mm512_or_si512(a, b);
}
inline V Xor(V a, V b) {
    return _mm512_xor_si512(a, b);
}
inline V AndNot(V a, V b) {
    return _mm512_andnot_si512(a, b);
}
inline V Add16(V a, V b) {
    return _mm512_add_epi16(a, b);
}
inline V Sub16(V a, V b) {
    return _mm512_sub_epi16(a, b);
}
inline V Mul16(V a, V b) {
    return _mm512_mullo_epi16(a, b);
}
inline V MulHiU16(V a, V b) {
    return _mm512_mulhi_epu16(a, b);
}
template <int n>
inline V Srl16(V a) {
    return _mm512_srli_epi16(a, n);
}
template <int n>
inline V Sll16(V a) {
    return _mm512_slli_epi16(a, n);
}
template <int n>
inline V Sra16(V a) {
    return _mm512_srai_epi16(a, n);
}
template <int n>
inline V Srl32(V a) {
    return _mm512_srli_epi32(a, n);
}
template <int n>
inline V Sll32(V a) {
    return _mm512_slli_epi32(a, n);
}
inline V Add32(V a, V b) {
    return _mm512_add_epi32(a, b);
}
inline V Sub32(V a, V b) {
    return _mm512_sub_epi32(a, b);
}
inline V Lo8(V a) {
    return _mm512_unpacklo_epi8(a, Zero());
}
inline V Hi8(V a) {
    return _mm512_unpackhi_epi8(a, Zero());
}
inline V Lo8High(V a) {
    return _mm512_unpacklo_epi8(Zero(), a);
}
inline V Hi8High(V a) {
    return _mm512_unpackhi_epi8(Zero(), a);
}
inline V Pack(V lo, V hi) {
    return _mm512_packus_epi16(lo, hi);
}
inline V AddSatU8(V a, V b) {
    return _mm512_adds_epu8(a, b);
}
inline V Abs16(V a) {
    return _mm512_abs_epi16(a);
}
inline V BitSelect(V mask, V a, V b) {
    return _mm512_ternarylogic_epi32(mask, a, b, 0xCA);
}
inline M Eq32(V a, V b) {
    return _mm512_cmpeq_epi32_mask(a, b);
}
inline M Gt32(V a, V b) {
    return _mm512_cmpgt_epi32_mask(a, b);
}
inline M16 Negative16(V a) {
    return _mm512_movepi16_mask(a);
}
inline V Sel(M m, V a, V b) {
    return _mm512_mask_blend_epi32(m, b, a);
}
inline V Sel16(M16 m, V a, V b) {
    return _mm512_mask_blend_epi16(m, b, a);
}
inline bool NoneSet(V a, V mask) {
    return _mm512_test_epi32_mask(a, mask) == 0;
}
inline M AlphaZero(V s, V alphaMask) {
    return _mm512_testn_epi32_mask(s, alphaMask);
}
// One masked ternary operation: lanes outside the mask keep d, the others
// take rgb's colour bytes and d's alpha.
inline V MergeColour(M keep, V d, V rgb, V rgbMask) {
    return _mm512_mask_ternarylogic_epi32(d, static_cast<M>(~keep), rgb, rgbMask, 0xD8);
}
inline V OrAnd(V a, V b, V mask) {
    return _mm512_ternarylogic_epi32(a, b, mask, 0xF8);
}

#else
#error "unknown QM_SIMD_LEVEL"
#endif

#if QM_SIMD_LEVEL >= 2
// Byte shuffle control for AlphaLanes: per 128-bit lane, pixel p's alpha is
// byte 4p + 3; lanes 0-3 of the result belong to the first pixel of the half.
inline __m128i AlphaControl(int half, bool high, bool alphaLane) {
    alignas(16) int8_t bytes[16];
    for (int lane = 0; lane < 8; ++lane) {
        const int8_t source = static_cast<int8_t>(4 * (2 * half + lane / 4) + 3);
        const bool keep = alphaLane || lane % 4 != 3;
        bytes[2 * lane] = (!high && keep) ? source : int8_t(-128);
        bytes[2 * lane + 1] = (high && keep) ? source : int8_t(-128);
    }
    return _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
}
inline __m128i AlphaPairControl() {
    return _mm_setr_epi8(-128, 3, -128, 3, -128, 7, -128, 7, -128, 11, -128, 11, -128, 15, -128,
                         15);
}
inline V AlphaPair(V s) {
#if QM_SIMD_LEVEL == 2
    return _mm256_shuffle_epi8(s, _mm256_broadcastsi128_si256(AlphaPairControl()));
#else
    return _mm512_shuffle_epi8(s, _mm512_broadcast_i32x4(AlphaPairControl()));
#endif
}
template <int kHalf, bool kHigh, bool kAlphaLane>
inline V AlphaLanes(V s) {
#if QM_SIMD_LEVEL == 2
    const V control = _mm256_broadcastsi128_si256(AlphaControl(kHalf, kHigh, kAlphaLane));
    return _mm256_shuffle_epi8(s, control);
#else
    const V control = _mm512_broadcast_i32x4(AlphaControl(kHalf, kHigh, kAlphaLane));
    return _mm512_shuffle_epi8(s, control);
#endif
}
#endif

// The arguments every kernel takes, handed on to RunRect.
#define QM_RECT_PARAMS                                                                      \
    const uint32_t *src, ptrdiff_t srcStride, uint32_t *dst, ptrdiff_t dstStride, size_t n, \
        size_t rows
#define QM_RECT_ARGS src, srcStride, dst, dstStride, n, rows

// Runs op(S, D) -> new D over each row, vector by vector; the last partial
// vector of a row is loaded and stored with masks, or staged through a small
// buffer.
template <class Op>
inline void RunRect(QM_RECT_PARAMS, const Op& op) {
    const size_t body = n - n % kLanes, rest = n % kLanes;
#if QM_SIMD_LEVEL == 3
    const __mmask16 mask = static_cast<__mmask16>((1u << rest) - 1);
#elif QM_SIMD_LEVEL == 2
    const V mask = TailMask(rest);
#endif
    for (size_t y = 0; y < rows; ++y, src += srcStride, dst += dstStride) {
        for (size_t i = 0; i < body; i += kLanes) Store(dst + i, op(Load(src + i), Load(dst + i)));
        if (rest == 0) continue;
#if QM_SIMD_LEVEL == 3
        const V s = _mm512_maskz_loadu_epi32(mask, src + body);
        const V d = _mm512_maskz_loadu_epi32(mask, dst + body);
        _mm512_mask_storeu_epi32(dst + body, mask, op(s, d));
#elif QM_SIMD_LEVEL == 2
        const V s = _mm256_maskload_epi32(reinterpret_cast<const int*>(src + body), mask);
        const V d = _mm256_maskload_epi32(reinterpret_cast<const int*>(dst + body), mask);
        _mm256_maskstore_epi32(reinterpret_cast<int*>(dst + body), mask, op(s, d));
#else
        alignas(16) uint32_t sbuf[kLanes] = {};
        alignas(16) uint32_t dbuf[kLanes] = {};
        std::memcpy(sbuf, src + body, rest * 4);
        std::memcpy(dbuf, dst + body, rest * 4);
        Store(dbuf, op(Load(sbuf), Load(dbuf)));
        std::memcpy(dst + body, dbuf, rest * 4);
#endif
    }
}

// Constants shared by the kernels. Filled by MakeConsts rather than by member
// initialisers: an implicit constructor would not get this unit's target.
struct TConsts {
    V rgb, alpha, one32, c255x32, c255, c256, c510, highBytes;
};

// With 32 vector registers GCC would still rebuild broadcast constants inside
// the loops; hiding their origin keeps them in registers.
inline V Keep(V v) {
#if QM_SIMD_LEVEL == 3
    asm("" : "+v"(v));
#endif
    return v;
}

inline TConsts MakeConsts() {
    return TConsts{Keep(Set32(0x00FFFFFFu)), Keep(Set32(0xFF000000u)), Keep(Set32(1)),
                   Keep(Set32(255)),         Keep(Set32(0x00FF00FFu)), Keep(Set32(0x01000100u)),
                   Keep(Set32(0x01FE01FEu)), Keep(Set32(0xFF00FF00u))};
}

// The same 16-bit value in the three colour lanes of every pixel and another
// in the alpha lane.
inline V Lanes16(uint32_t colour, uint32_t alpha) {
    return Set64(uint64_t{colour} | uint64_t{colour} << 16 | uint64_t{colour} << 32 |
                 uint64_t{alpha} << 48);
}

inline V Alpha32(V p) {
    return Srl32<24>(p);
}
// The colour bytes of rgb with alpha taken from the low byte of each a32.
inline V WithAlpha(const TConsts& k, V rgb, V a32) {
    return Or(And(rgb, k.rgb), Sll32<24>(a32));
}
// d + ((s - d) * a >> 8) per 16-bit lane, as (d * 256 + (s - d) * a) >> 8: the
// true value lies in 0..65280, so the 16-bit wrap-around sum is exact.
inline V Lerp16(V s, V d, V a) {
    return Srl16<8>(Add16(Sll16<8>(d), Mul16(a, Sub16(s, d))));
}
// (L * S.A) >> 8 per pixel, in 32-bit lanes.
inline V ScaledAlpha32(V s, V level32) {
    return Srl32<8>(Mul16(Alpha32(s), level32));
}

// ---------------------------------------------------------------- Draw, bm_Normal

template <bool kDstT>
void AlphaBlend(QM_RECT_PARAMS, uint32_t, uint32_t) {
    const TConsts k = MakeConsts();
    RunRect(QM_RECT_ARGS, [&k](V s, V d) {
        if (NoneSet(s, k.alpha)) {
            return kDstT ? Sel(Eq32(Alpha32(d), Zero()), s, d) : Or(d, k.alpha);
        }
        // No weight in the alpha lane: it comes out as the destination's.
        const V rgb = Pack(Lerp16(Lo8(s), Lo8(d), AlphaLanes<0, false, false>(s)),
                           Lerp16(Hi8(s), Hi8(d), AlphaLanes<1, false, false>(s)));
        if (!kDstT) return Or(rgb, k.alpha);
        const V sa = Alpha32(s), da = Alpha32(d);
        const V na = Add32(sa, Srl32<8>(Mul16(Add32(da, k.one32), Sub32(k.c255x32, sa))));
        return Sel(Eq32(da, Zero()), s, WithAlpha(k, rgb, na));
    });
}

template <bool kDstT>
void AlphaBlendLevel(QM_RECT_PARAMS, uint32_t level, uint32_t) {
    const TConsts k = MakeConsts();
    const V l16 = Lanes16(level, level), l32 = Set32(level);
    RunRect(QM_RECT_ARGS, [&](V s, V d) {
        if (NoneSet(s, k.alpha)) return d;
        // a = (L * S.A) >> 8 in 16-bit lanes: S.A in the high byte, one high
        // multiply. A zero alpha lane keeps the destination's alpha.
        const V al = MulHiU16(AlphaLanes<0, true, false>(s), l16);
        const V ah = MulHiU16(AlphaLanes<1, true, false>(s), l16);
        const V rgb = Pack(Lerp16(Lo8(s), Lo8(d), al), Lerp16(Hi8(s), Hi8(d), ah));
        // a = 0 leaves a pixel as it was, which the formula does on an opaque
        // destination by itself.
        if (!kDstT) return rgb;
        const V a = ScaledAlpha32(s, l32), da = Alpha32(d);
        const V na = Srl32<8>(Sub32(Sll32<8>(Add32(a, da)), Mul16(a, da)));
        const V out = Sel(Eq32(da, Zero()), WithAlpha(k, s, a), WithAlpha(k, rgb, na));
        return Sel(Eq32(a, Zero()), d, out);
    });
}

template <bool kDstT>
void ConstantAlpha(QM_RECT_PARAMS, uint32_t level, uint32_t) {
    // (L * s + 255 + (255 - L) * d) >> 8 in the colour lanes. The alpha lane
    // gets weights that give d itself (opaque destination: alpha kept) or L
    // (transparent destination).
    const V ws = Lanes16(level, 0);
    const V wd = Lanes16(255 - level, kDstT ? 0 : 256);
    const V bias = Lanes16(255, kDstT ? level << 8 : 255);
    RunRect(QM_RECT_ARGS, [&](V s, V d) {
        const V lo = Srl16<8>(Add16(Add16(Mul16(Lo8(s), ws), Mul16(Lo8(d), wd)), bias));
        const V hi = Srl16<8>(Add16(Add16(Mul16(Hi8(s), ws), Mul16(Hi8(d), wd)), bias));
        const V out = Pack(lo, hi);
        return kDstT ? Sel(Eq32(Alpha32(d), Zero()), s, out) : out;
    });
}

// ---------------------------------------------------------------- blend modes 1 to 4

enum TModeKind { kScreen, kOverlay, kLinearLight };

// Inputs per 16-bit half: s and s8 (= s << 8) of the source or colour, d, and
// a, the effective alpha (0 in the alpha lane unless the mode needs it).
template <TModeKind kMode>
inline V ModeChannels(const TConsts& k, V s, V s8, V d, V a) {
    if constexpr (kMode == kScreen) {
        // 255 - ((255 - t) * (256 - d) >> 8), t = (a * s) >> 8.
        const V t = MulHiU16(s8, a);
        return Xor(Srl16<8>(Mul16(Xor(t, k.c255), Sub16(k.c256, d))), k.c255);
    } else if constexpr (kMode == kOverlay) {
        const V d8 = Sll16<8>(d);
        const V common = MulHiU16(d8, Xor(a, k.c255));  // ((255 - a) * d) >> 8
        // Dark half (d < 128): a * d < 2^15, and (a*d * 2s) >> 16 = (a*d*s) >> 15.
        const V s2 = Add16(s, s);
        const V dark = MulHiU16(Mul16(a, d), s2);
        // Light half: p2 = 2 * (255 - d) * (255 - s) fits; its byte above bit 8
        // is u = p >> 7, so ~p2 & 0xFF00 is (255 - u) << 8.
        const V p2 = Mul16(Xor(d, k.c255), Sub16(k.c510, s2));
        const V light = MulHiU16(AndNot(p2, k.highBytes), a);
        return Add16(common, Sel16(Negative16(d8), light, dark));
    } else if constexpr (kMode == kLinearLight) {
        // a * |2s - 255| fits in 16 bits; the sign goes on after the shift
        // (division truncating toward zero) and the pack clamps to 0..255.
        const V x = Sub16(Add16(s, s), k.c255);
        const V q = Srl16<8>(Mul16(a, Abs16(x)));
        const V negative = Sra16<15>(x);
        return Add16(d, Sub16(Xor(q, negative), negative));
    }
}

// Addition without widening: in each pixel's two 16-bit lanes, blue and red
// sit in the low bytes, green and alpha in the high bytes. (a * c) >> 8 comes
// from a high multiply for blue and red (channel moved up 8 bits) and from the
// high byte of a low multiply for green; alpha is masked out, so the
// saturating byte add leaves the destination's alpha.
template <bool kColor, bool kDstT>
void AdditionRow(QM_RECT_PARAMS, uint32_t level, uint32_t color) {
    const TConsts k = MakeConsts();
    const uint32_t scale = kColor ? (level * (color >> 24)) >> 8 : level;
    const V scale16 = Set32(scale | scale << 16), scale32 = Set32(scale);
    const V cv = Set32(color), greenHigh = Set32(0x0000FF00u);
    const V cEven8 = Sll16<8>(cv), cOdd = Srl16<8>(cv);
    RunRect(QM_RECT_ARGS, [&](V s, V d) {
        if (NoneSet(s, k.alpha)) return d;
        const V a = MulHiU16(AlphaPair(s), scale16);
        const V even = MulHiU16(kColor ? cEven8 : Sll16<8>(s), a);
        const V odd = Mul16(kColor ? cOdd : Srl16<8>(s), a);
        const V rgb = AddSatU8(d, OrAnd(even, odd, greenHigh));
        if (!kDstT) return rgb;  // a = 0 adds nothing
        const V a32 = ScaledAlpha32(s, scale32);
        const V na = Add32(a32, Srl32<8>(Mul16(Sub32(k.c255x32, a32), Alpha32(d))));
        return Sel(AlphaZero(s, k.alpha), d, WithAlpha(k, rgb, na));
    });
}

// kColor: the colour's channels in place of the source's, and the level
// scaled by the colour's alpha.
template <TModeKind kMode, bool kColor, bool kDstT>
void ModeRow(QM_RECT_PARAMS, uint32_t level, uint32_t color) {
    const TConsts k = MakeConsts();
    const uint32_t scale = kColor ? (level * (color >> 24)) >> 8 : level;
    const V scale16 = Lanes16(scale, scale), scale32 = Set32(scale);
    const V cv = Set32(color), c16 = Lo8(cv), c8 = Lo8High(cv);
    // At a = 0 screen and linear light leave a channel as it is, so
    // on an opaque destination the alpha lane gets a = 0 and skipped pixels
    // need no test. Overlay changes a channel even at a = 0.
    constexpr bool kIdentityAtZero = kMode != kOverlay;
    constexpr bool kAlphaLane = !kIdentityAtZero;
    RunRect(QM_RECT_ARGS, [&](V s, V d) {
        if (NoneSet(s, k.alpha)) return d;
        const V al = MulHiU16(AlphaLanes<0, true, kAlphaLane>(s), scale16);
        const V ah = MulHiU16(AlphaLanes<1, true, kAlphaLane>(s), scale16);
        const V sl = kColor ? c16 : Lo8(s), sh = kColor ? c16 : Hi8(s);
        const V sl8 = kColor ? c8 : Lo8High(s), sh8 = kColor ? c8 : Hi8High(s);
        const V rgb = Pack(ModeChannels<kMode>(k, sl, sl8, Lo8(d), al),
                           ModeChannels<kMode>(k, sh, sh8, Hi8(d), ah));
        if (!kDstT) {
            if (kIdentityAtZero) return rgb;
            return MergeColour(AlphaZero(s, k.alpha), d, rgb, k.rgb);
        }
        const V a = ScaledAlpha32(s, scale32);
        const V na = Add32(a, Srl32<8>(Mul16(Sub32(k.c255x32, a), Alpha32(d))));
        return Sel(AlphaZero(s, k.alpha), d, WithAlpha(k, rgb, na));
    });
}

template <bool kColor, bool kDstT>
void MaxOpaqueRow(QM_RECT_PARAMS, uint32_t level, uint32_t color) {
    const TConsts k = MakeConsts();
    const V lv = Set32(level), cv = Set32(color);
    RunRect(QM_RECT_ARGS, [&](V s, V d) {
        const V a = ScaledAlpha32(s, lv);
        const V word = kColor ? cv : s;
        const V next = kDstT ? WithAlpha(k, word, a) : word;
        return Sel(Gt32(Alpha32(d), a), d, next);
    });
}

// ---------------------------------------------------------------- DrawColored, bm_Normal

template <bool kDstT>
void ColorAlpha(QM_RECT_PARAMS, uint32_t, uint32_t color) {
    const TConsts k = MakeConsts();
    const V cv = Set32(color), c16 = Lo8(cv);
    RunRect(QM_RECT_ARGS, [&](V s, V d) {
        if (NoneSet(s, k.alpha)) return kDstT ? d : Or(d, k.alpha);
        if (NoneSet(Xor(s, k.alpha), k.alpha)) return cv;  // la 255: colour alpha is 255
        const V m = Alpha32(s), da = Alpha32(d);
        const V rgb = Pack(Lerp16(c16, Lo8(d), AlphaLanes<0, false, false>(s)),
                           Lerp16(c16, Hi8(d), AlphaLanes<1, false, false>(s)));
        const V na = Add32(da, Srl32<8>(Mul16(Sub32(k.c255x32, da), m)));
        V out = WithAlpha(k, rgb, na);
        if (kDstT) out = Sel(Eq32(da, Zero()), WithAlpha(k, cv, m), out);
        out = Sel(Eq32(m, Zero()), d, out);
        out = Sel(Eq32(m, k.c255x32), cv, out);
        return kDstT ? out : Or(out, k.alpha);
    });
}

template <bool kDstT>
void ColorAlphaLevel(QM_RECT_PARAMS, uint32_t la, uint32_t color) {
    const TConsts k = MakeConsts();
    const V cv = Set32(color), c16 = Lo8(cv), la16 = Lanes16(la, la), la32 = Set32(la);
    RunRect(QM_RECT_ARGS, [&](V s, V d) {
        if (NoneSet(s, k.alpha)) return d;
        const V al = MulHiU16(AlphaLanes<0, true, false>(s), la16);
        const V ah = MulHiU16(AlphaLanes<1, true, false>(s), la16);
        const V rgb = Pack(Lerp16(c16, Lo8(d), al), Lerp16(c16, Hi8(d), ah));
        if (!kDstT) return rgb;  // a = 0 leaves the pixel by itself
        const V a = ScaledAlpha32(s, la32), da = Alpha32(d);
        const V na = Add32(da, Srl32<8>(Mul16(Sub32(k.c255x32, da), a)));
        const V out = Sel(Eq32(da, Zero()), WithAlpha(k, cv, a), WithAlpha(k, rgb, na));
        return Sel(Eq32(a, Zero()), d, out);
    });
}

template <bool kDstT>
void ColorOpaqueLevel(QM_RECT_PARAMS, uint32_t la, uint32_t color) {
    (void)src;  // the source only gave the shape, which is opaque here
    (void)srcStride;
    const TConsts k = MakeConsts();
    const V cv = Set32(color), lav = Set32(la);
    // la * c + 255 per colour lane (at most 65025); the alpha lane keeps d.
    const V base = Add16(Mul16(Lo8(cv), Lanes16(la, 0)), Lanes16(255, 255));
    const V wd = Lanes16(255 - la, 256);
    RunRect(dst, dstStride, dst, dstStride, n, rows, [&](V, V d) {
        const V out = Pack(Srl16<8>(Add16(base, Mul16(Lo8(d), wd))),
                           Srl16<8>(Add16(base, Mul16(Hi8(d), wd))));
        if (!kDstT) return out;
        const V da = Alpha32(d);
        const V na = Sel(Gt32(da, lav), da, lav);
        return Sel(Eq32(da, Zero()), WithAlpha(k, cv, lav), WithAlpha(k, out, na));
    });
}

#define QM_PAIR(...) \
    { __VA_ARGS__<false>, __VA_ARGS__<true> }
#define QM_MODE_PAIR(kind, color) \
    { ModeRow<kind, color, false>, ModeRow<kind, color, true> }

const TSurfaceKernels kTable = {
    QM_SIMD_NAME,
    QM_PAIR(AlphaBlend),
    QM_PAIR(AlphaBlendLevel),
    QM_PAIR(ConstantAlpha),
    {
        QM_MODE_PAIR(kScreen, false),
        QM_MODE_PAIR(kOverlay, false),
        QM_MODE_PAIR(kLinearLight, false),
        {AdditionRow<false, false>, AdditionRow<false, true>},
        {MaxOpaqueRow<false, false>, MaxOpaqueRow<false, true>},
    },
    QM_PAIR(ColorAlpha),
    QM_PAIR(ColorAlphaLevel),
    QM_PAIR(ColorOpaqueLevel),
    {
        QM_MODE_PAIR(kScreen, true),
        QM_MODE_PAIR(kOverlay, true),
        QM_MODE_PAIR(kLinearLight, true),
        {AdditionRow<true, false>, AdditionRow<true, true>},
        {MaxOpaqueRow<true, false>, MaxOpaqueRow<true, true>},
    },
};

#undef QM_MODE_PAIR
#undef QM_PAIR
#undef QM_RECT_ARGS
#undef QM_RECT_PARAMS

}  // namespace

const TSurfaceKernels& QM_SIMD_TABLE() {
    return kTable;
}
