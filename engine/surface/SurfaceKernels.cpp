// The portable per-pixel kernels and the choice of table. The vector tables
// (SurfaceKernelsSse2/Avx2/Avx512.cpp) must give exactly these results.
#include "engine/surface/SurfaceKernels.h"

#include <algorithm>
#include <atomic>

namespace {

constexpr uint32_t kRgbMask = 0x00FFFFFFu;
constexpr uint32_t kAlphaMask = 0xFF000000u;

inline uint32_t Alpha(uint32_t p) {
    return p >> 24;
}
inline int32_t Channel(uint32_t p, int shift) {
    return static_cast<int32_t>((p >> shift) & 255u);
}

// Applies f(s, d) to the red, green and blue channels; alpha comes from `alpha`.
template <class F>
inline uint32_t MapRgb(uint32_t s, uint32_t d, uint32_t alpha, F f) {
    uint32_t out = (alpha & 255u) << 24;
    for (int shift = 0; shift <= 16; shift += 8) {
        out |= (static_cast<uint32_t>(f(Channel(s, shift), Channel(d, shift))) & 255u) << shift;
    }
    return out;
}

// d + ((s - d) * a >> 8), the shift a floor.
inline int32_t Lerp8(int32_t s, int32_t d, int32_t a) {
    return d + (((s - d) * a) >> 8);
}

template <bool kDstT>
void AlphaBlend(const uint32_t* src, uint32_t* dst, size_t n, uint32_t, uint32_t) {
    for (size_t i = 0; i < n; ++i) {
        const uint32_t s = src[i];
        uint32_t d = dst[i];
        if (kDstT && Alpha(d) == 0) {
            dst[i] = s;
            continue;
        }
        const int32_t a = static_cast<int32_t>(Alpha(s));
        if (a > 0) {
            const uint32_t da = Alpha(d);
            const uint32_t na = a + (((da + 1) * (255 - a)) >> 8);
            d = MapRgb(s, d, na, [a](int32_t sc, int32_t dc) { return Lerp8(sc, dc, a); });
        }
        if (!kDstT) d |= kAlphaMask;
        dst[i] = d;
    }
}

template <bool kDstT>
void AlphaBlendLevel(const uint32_t* src, uint32_t* dst, size_t n, uint32_t level, uint32_t) {
    for (size_t i = 0; i < n; ++i) {
        const uint32_t s = src[i];
        const uint32_t d = dst[i];
        const int32_t a = static_cast<int32_t>((level * Alpha(s)) >> 8);
        if (a == 0) continue;
        const uint32_t da = Alpha(d);
        if (kDstT && da == 0) {
            dst[i] = (s & kRgbMask) | (static_cast<uint32_t>(a) << 24);
            continue;
        }
        const uint32_t na = kDstT ? (((a + da) * 256 - a * da) >> 8) : da;
        dst[i] = MapRgb(s, d, na, [a](int32_t sc, int32_t dc) { return Lerp8(sc, dc, a); });
    }
}

template <bool kDstT>
void ConstantAlpha(const uint32_t* src, uint32_t* dst, size_t n, uint32_t level, uint32_t) {
    const int32_t l = static_cast<int32_t>(level);
    for (size_t i = 0; i < n; ++i) {
        const uint32_t s = src[i];
        const uint32_t d = dst[i];
        if (kDstT && Alpha(d) == 0) {
            dst[i] = s;
            continue;
        }
        dst[i] = MapRgb(s, d, kDstT ? level : Alpha(d), [l](int32_t sc, int32_t dc) {
            return (l * sc + 255 + (255 - l) * dc) >> 8;
        });
    }
}

// The per-channel formulas of the blend modes (a the effective alpha).
int32_t ScreenChannel(int32_t s, int32_t d, int32_t a) {
    const int32_t t = (a * s) >> 8;
    return 255 - (((255 - t) * (256 - d)) >> 8);
}
int32_t OverlayChannel(int32_t s, int32_t d, int32_t a) {
    if (d < 128) return (((255 - a) * d) >> 8) + ((a * d * s) >> 15);
    const int32_t u = ((255 - d) * (255 - s)) >> 7;
    return (((255 - a) * d) >> 8) + (((255 - u) * a) >> 8);
}
int32_t LinearLightChannel(int32_t s, int32_t d, int32_t a) {
    return std::clamp(d + (a * (2 * s - 255)) / 256, 0, 255);
}
int32_t AdditionChannel(int32_t s, int32_t d, int32_t a) {
    return std::min(255, d + ((a * s) >> 8));
}

using TChannelFn = int32_t (*)(int32_t, int32_t, int32_t);

// Modes 1 to 4; kColor takes the colour's channels in place of the source's.
template <TChannelFn F, bool kColor, bool kDstT>
void ModeRow(const uint32_t* src, uint32_t* dst, size_t n, uint32_t level, uint32_t color) {
    const uint32_t scale = kColor ? (level * Alpha(color)) >> 8 : level;
    for (size_t i = 0; i < n; ++i) {
        const uint32_t s = src[i];
        if (Alpha(s) == 0) continue;
        const uint32_t d = dst[i];
        const int32_t a = static_cast<int32_t>((scale * Alpha(s)) >> 8);
        const uint32_t da = Alpha(d);
        const uint32_t na = kDstT ? a + (((255 - a) * da) >> 8) : da;
        dst[i] =
            MapRgb(kColor ? color : s, d, na, [a](int32_t sc, int32_t dc) { return F(sc, dc, a); });
    }
}

template <bool kColor, bool kDstT>
void MaxOpaqueRow(const uint32_t* src, uint32_t* dst, size_t n, uint32_t level, uint32_t color) {
    for (size_t i = 0; i < n; ++i) {
        const uint32_t s = src[i];
        const uint32_t a = (level * Alpha(s)) >> 8;
        if (Alpha(dst[i]) > a) continue;
        const uint32_t word = kColor ? color : s;
        dst[i] = kDstT ? (word & kRgbMask) | (a << 24) : word;
    }
}

template <bool kDstT>
void ColorAlpha(const uint32_t* src, uint32_t* dst, size_t n, uint32_t, uint32_t color) {
    for (size_t i = 0; i < n; ++i) {
        const int32_t m = static_cast<int32_t>(Alpha(src[i]));
        const uint32_t d = dst[i];
        uint32_t out = d;
        if (m == 255) {
            out = color;
        } else if (m != 0) {
            const uint32_t da = Alpha(d);
            if (kDstT && da == 0) {
                out = (color & kRgbMask) | (static_cast<uint32_t>(m) << 24);
            } else {
                const uint32_t na = da + (((255 - da) * m) >> 8);
                out = MapRgb(color, d, na, [m](int32_t c, int32_t dc) { return Lerp8(c, dc, m); });
            }
        }
        if (!kDstT) out |= kAlphaMask;
        dst[i] = out;
    }
}

template <bool kDstT>
void ColorAlphaLevel(const uint32_t* src, uint32_t* dst, size_t n, uint32_t la, uint32_t color) {
    for (size_t i = 0; i < n; ++i) {
        const int32_t a = static_cast<int32_t>((la * Alpha(src[i])) >> 8);
        if (a == 0) continue;
        const uint32_t d = dst[i];
        const uint32_t da = Alpha(d);
        if (kDstT && da == 0) {
            dst[i] = (color & kRgbMask) | (static_cast<uint32_t>(a) << 24);
            continue;
        }
        const uint32_t na = kDstT ? da + (((255 - da) * a) >> 8) : da;
        dst[i] = MapRgb(color, d, na, [a](int32_t c, int32_t dc) { return Lerp8(c, dc, a); });
    }
}

template <bool kDstT>
void ColorOpaqueLevel(const uint32_t*, uint32_t* dst, size_t n, uint32_t la, uint32_t color) {
    const int32_t l = static_cast<int32_t>(la);
    for (size_t i = 0; i < n; ++i) {
        const uint32_t d = dst[i];
        const uint32_t da = Alpha(d);
        if (kDstT && da == 0) {
            dst[i] = (color & kRgbMask) | (la << 24);
            continue;
        }
        dst[i] = MapRgb(color, d, kDstT ? std::max(da, la) : da,
                        [l](int32_t c, int32_t dc) { return (l * c + 255 + (255 - l) * dc) >> 8; });
    }
}

using TRowFn = void (*)(const uint32_t*, uint32_t*, size_t, uint32_t, uint32_t);

template <TRowFn F>
void Rect(const uint32_t* src, ptrdiff_t srcStride, uint32_t* dst, ptrdiff_t dstStride,
          size_t width, size_t rows, uint32_t level, uint32_t color) {
    for (size_t y = 0; y < rows; ++y, src += srcStride, dst += dstStride) {
        F(src, dst, width, level, color);
    }
}

#define QM_PAIR(...) \
    { Rect<__VA_ARGS__<false>>, Rect<__VA_ARGS__<true>> }

const TSurfaceKernels kScalar = {
    "scalar",
    QM_PAIR(AlphaBlend),
    QM_PAIR(AlphaBlendLevel),
    QM_PAIR(ConstantAlpha),
    {
        {Rect<ModeRow<ScreenChannel, false, false>>, Rect<ModeRow<ScreenChannel, false, true>>},
        {Rect<ModeRow<OverlayChannel, false, false>>, Rect<ModeRow<OverlayChannel, false, true>>},
        {Rect<ModeRow<LinearLightChannel, false, false>>,
         Rect<ModeRow<LinearLightChannel, false, true>>},
        {Rect<ModeRow<AdditionChannel, false, false>>, Rect<ModeRow<AdditionChannel, false, true>>},
        {Rect<MaxOpaqueRow<false, false>>, Rect<MaxOpaqueRow<false, true>>},
    },
    QM_PAIR(ColorAlpha),
    QM_PAIR(ColorAlphaLevel),
    QM_PAIR(ColorOpaqueLevel),
    {
        {Rect<ModeRow<ScreenChannel, true, false>>, Rect<ModeRow<ScreenChannel, true, true>>},
        {Rect<ModeRow<OverlayChannel, true, false>>, Rect<ModeRow<OverlayChannel, true, true>>},
        {Rect<ModeRow<LinearLightChannel, true, false>>,
         Rect<ModeRow<LinearLightChannel, true, true>>},
        {Rect<ModeRow<AdditionChannel, true, false>>, Rect<ModeRow<AdditionChannel, true, true>>},
        {Rect<MaxOpaqueRow<true, false>>, Rect<MaxOpaqueRow<true, true>>},
    },
};

#undef QM_PAIR

bool CpuHas(TKernelLevel level) {
#ifdef QM_SURFACE_X86
    switch (level) {
        case TKernelLevel::Scalar:
        case TKernelLevel::Sse2:
            return true;
        case TKernelLevel::Avx2:
            return __builtin_cpu_supports("avx2");
        case TKernelLevel::Avx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                   __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl");
    }
    return false;
#else
    return level == TKernelLevel::Scalar;
#endif
}

TKernelLevel DetectMaxLevel() {
#ifdef QM_SURFACE_X86
    __builtin_cpu_init();  // harmless when libgcc has run it already
#endif
    for (int level = static_cast<int>(TKernelLevel::Avx512); level > 0; --level) {
        if (CpuHas(static_cast<TKernelLevel>(level))) return static_cast<TKernelLevel>(level);
    }
    return TKernelLevel::Scalar;
}

struct TKernelChoice {
    std::atomic<int> level;
    std::atomic<const TSurfaceKernels*> table;
};

TKernelChoice& Choice() {
    static TKernelChoice choice{static_cast<int>(MaxKernelLevel()),
                                KernelsForLevel(MaxKernelLevel())};
    return choice;
}

}  // namespace

const TSurfaceKernels& ScalarKernels() {
    return kScalar;
}

TKernelLevel MaxKernelLevel() {
    static const TKernelLevel level = DetectMaxLevel();
    return level;
}

const TSurfaceKernels* KernelsForLevel(TKernelLevel level) {
    if (!CpuHas(level)) return nullptr;
    switch (level) {
        case TKernelLevel::Scalar:
            return &kScalar;
#ifdef QM_SURFACE_X86
        case TKernelLevel::Sse2:
            return &Sse2Kernels();
        case TKernelLevel::Avx2:
            return &Avx2Kernels();
        case TKernelLevel::Avx512:
            return &Avx512Kernels();
#else
        default:
            break;
#endif
    }
    return nullptr;
}

TKernelLevel CurrentKernelLevel() {
    return static_cast<TKernelLevel>(Choice().level.load(std::memory_order_relaxed));
}

TKernelLevel SetKernelLevel(TKernelLevel level) {
    const TKernelLevel chosen = std::min(level, MaxKernelLevel());
    Choice().table.store(KernelsForLevel(chosen), std::memory_order_relaxed);
    Choice().level.store(static_cast<int>(chosen), std::memory_order_relaxed);
    return chosen;
}

const TSurfaceKernels& CurrentKernels() {
    return *Choice().table.load(std::memory_order_relaxed);
}
