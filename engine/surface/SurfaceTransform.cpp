// Rotated, scaled and sub-pixel drawing: inverse mapping in 16.16 fixed point,
// nearest or bilinear sampling, overwriting the destination.
//
// Positions are 32-bit values that wrap around like the hardware's integer
// arithmetic (kept in uint32_t, so there is no signed overflow), and every
// conversion from a real saturates first: a tiny scale, a huge offset or a
// NaN gives a defined (if useless) mapping. Source pixels are read only
// after a bounds check, so no mapping can read outside the source.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/surface/EngineSurface.h"

namespace {

constexpr uint32_t kRgbMask = 0x00FFFFFFu;
constexpr uint32_t kAlphaMask = 0xFF000000u;
constexpr int64_t kFar = int64_t{1} << 40;

// Truncation and rounding to a 64-bit integer, saturating, NaN giving 0.
int64_t Trunc64(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 9.2e18) return std::numeric_limits<int64_t>::max();
    if (v <= -9.2e18) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(v);
}
int64_t Round64(double v) {
    return Trunc64(std::nearbyint(v));
}
int32_t TruncClamp32(double v) {
    return static_cast<int32_t>(std::clamp<int64_t>(Trunc64(v), INT32_MIN, INT32_MAX));
}
// The low 32 bits, as 32-bit fixed-point arithmetic keeps them.
uint32_t Wrap(int64_t v) {
    return static_cast<uint32_t>(v);
}
int32_t Signed(uint32_t v) {
    return static_cast<int32_t>(v);
}

bool UsableScale(double s) {
    return s != 0 && !std::isnan(s);
}

// The source as seen by the sampling loops.
struct TSource {
    const uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;

    bool Inside(int32_t x, int32_t y) const { return x >= 0 && x < width && y >= 0 && y < height; }
    uint32_t At(int32_t x, int32_t y) const {
        return pixels[static_cast<ptrdiff_t>(y) * width + x];
    }
};

bool GetSource(ISurface* source, TSource& out) {
    if (!source) return false;
    out.width = source->GetWidth();
    out.height = source->GetHeight();
    if (out.width <= 0 || out.height <= 0) return false;
    out.pixels = source->GetScanLine(0);
    return out.pixels != nullptr;
}

// Nearest: inside, the source pixel; outside, the alpha byte cleared; then
// alpha 255 on an opaque destination.
inline void SampleNearest(const TSource& src, uint32_t u, uint32_t v, bool dstT, uint32_t& d) {
    const uint32_t sx = u >> 16, sy = v >> 16;
    if (sx < static_cast<uint32_t>(src.width) && sy < static_cast<uint32_t>(src.height)) {
        d = src.At(static_cast<int32_t>(sx), static_cast<int32_t>(sy));
    } else {
        d &= kRgbMask;
    }
    if (!dstT) d |= kAlphaMask;
}

// byte(p + ((f * (q - p)) >> n)), the product in 32 bits so that it floors.
inline int32_t LerpChannel(int32_t p, int32_t q, int32_t f, int n) {
    return (p + ((f * (q - p)) >> n)) & 255;
}

// Bilinear mix of four pixels; alpha only on a transparent destination.
inline uint32_t Bilinear(uint32_t p00, uint32_t p10, uint32_t p01, uint32_t p11, int32_t fx,
                         int32_t fy, int n, bool dstT, uint32_t d) {
    uint32_t out = dstT ? 0 : (d & kAlphaMask);
    const int top = dstT ? 24 : 16;
    for (int shift = 0; shift <= top; shift += 8) {
        auto ch = [shift](uint32_t p) { return static_cast<int32_t>((p >> shift) & 255); };
        const int32_t t = LerpChannel(ch(p00), ch(p10), fx, n);
        const int32_t b = LerpChannel(ch(p01), ch(p11), fx, n);
        out |= static_cast<uint32_t>(LerpChannel(t, b, fy, n)) << shift;
    }
    return out;
}

// The neighbourhood of (sx, sy): drawn when -1 <= sx < width and
// -1 <= sy < height, neighbours outside the source replaced by d itself.
inline bool SampleNeighbourhood(const TSource& src, int32_t sx, int32_t sy, int32_t fx, int32_t fy,
                                int n, bool dstT, uint32_t& d) {
    if (sx < -1 || sx >= src.width || sy < -1 || sy >= src.height) return false;
    auto at = [&](int32_t x, int32_t y) { return src.Inside(x, y) ? src.At(x, y) : d; };
    d = Bilinear(at(sx, sy), at(sx + 1, sy), at(sx, sy + 1), at(sx + 1, sy + 1), fx, fy, n, dstT,
                 d);
    return true;
}

// LerpChannel with 7-bit weights on two channels at once:
// p + floor(f * (q - p) / 128) is ((128 - f) * p + f * q) >> 7, whose terms
// are never negative and keep within a channel's 16-bit lane.
inline uint32_t Lerp7(uint32_t p, uint32_t q, uint32_t f) {
    constexpr uint32_t kLanes = 0x00FF00FFu;
    const uint32_t g = 128 - f;
    const uint32_t rb = (((p & kLanes) * g + (q & kLanes) * f) >> 7) & kLanes;
    const uint32_t ag = ((((p >> 8) & kLanes) * g + ((q >> 8) & kLanes) * f) >> 7) & kLanes;
    return rb | (ag << 8);
}

// Bilinear with 7-bit weights for four pixels inside the source: the same
// result, without the per-channel loop.
inline uint32_t Bilinear7(uint32_t p00, uint32_t p10, uint32_t p01, uint32_t p11, uint32_t fx,
                          uint32_t fy, bool dstT, uint32_t d) {
    const uint32_t mixed = Lerp7(Lerp7(p00, p10, fx), Lerp7(p01, p11, fx), fy);
    return dstT ? mixed : (d & kAlphaMask) | (mixed & kRgbMask);
}

// The mixes of whole rows behind the smooth scaling and the sub-pixel
// shift. Bilinear7 is the horizontal Lerp7 of two source rows followed by a
// vertical one, so a source row's horizontal mix is made once and serves
// every destination row that reads it. The vector forms compute
// g * p + f * q (g = 128 - f) in 16-bit lanes as 128 * p + f * (q - p): the
// product is exact modulo 2^16 and the sum lies in 0..32640, so the shift
// floors exactly as the scalar formula does.
#if defined(__SSE2__)
inline __m128i Lerp7x2(__m128i p, __m128i q, __m128i f) {
    return _mm_srli_epi16(
        _mm_add_epi16(_mm_slli_epi16(p, 7), _mm_mullo_epi16(_mm_sub_epi16(q, p), f)), 7);
}
// Lerp7 of four pixels; f holds the weights of pixels 0 and 1 (lo) and
// 2 and 3 (hi), each repeated over its four channels.
inline __m128i Lerp7x4(__m128i p, __m128i q, __m128i fLo, __m128i fHi) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = Lerp7x2(_mm_unpacklo_epi8(p, zero), _mm_unpacklo_epi8(q, zero), fLo);
    const __m128i hi = Lerp7x2(_mm_unpackhi_epi8(p, zero), _mm_unpackhi_epi8(q, zero), fHi);
    return _mm_packus_epi16(lo, hi);
}
#endif

// The horizontal mix of a source row at gathered columns:
// out[i] = Lerp7(row[sx[i]], row[sx[i] + 1], f of column i) for i in [a, b),
// with f4 holding each column's weight four times over.
void MixGathered(const uint32_t* row, const int32_t* sx, const uint16_t* f4, int32_t a, int32_t b,
                 uint32_t* out) {
    int32_t i = a;
#if defined(__SSE2__)
    for (; i + 4 <= b; i += 4) {
        auto pair = [&](int32_t k) {
            return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + sx[k]));
        };
        const __m128i p01 = _mm_unpacklo_epi32(pair(i), pair(i + 1));      // L0 L1 R0 R1
        const __m128i p23 = _mm_unpacklo_epi32(pair(i + 2), pair(i + 3));  // L2 L3 R2 R3
        const uint16_t* f = f4 + 4 * ptrdiff_t{i};
        const __m128i fLo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f));
        const __m128i fHi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + 8));
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + i),
            Lerp7x4(_mm_unpacklo_epi64(p01, p23), _mm_unpackhi_epi64(p01, p23), fLo, fHi));
    }
#endif
    for (; i < b; ++i) out[i] = Lerp7(row[sx[i]], row[sx[i] + 1], f4[4 * ptrdiff_t{i}]);
}

// The horizontal mix of a source row moved right by one pixel:
// out[c] = Lerp7(row[c - 1], row[c], f) for c in [a, b), a >= 1.
void MixShifted(const uint32_t* row, uint32_t f, int32_t a, int32_t b, uint32_t* out) {
    int32_t c = a;
#if defined(__SSE2__)
    const __m128i fv = _mm_set1_epi16(static_cast<int16_t>(f));
    for (; c + 4 <= b; c += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + c - 1));
        const __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + c));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + c), Lerp7x4(p, q, fv, fv));
    }
#endif
    for (; c < b; ++c) out[c] = Lerp7(row[c - 1], row[c], f);
}

// The vertical mix into the destination, for i in [a, b):
// dst[i] = Lerp7(top[i], bottom[i], f), keeping dst's alpha when opaque.
void MixRows(const uint32_t* top, const uint32_t* bottom, uint32_t f, bool dstT, int32_t a,
             int32_t b, uint32_t* dst) {
    int32_t i = a;
#if defined(__SSE2__)
    const __m128i fv = _mm_set1_epi16(static_cast<int16_t>(f));
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(kAlphaMask));
    for (; i + 4 <= b; i += 4) {
        const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + i));
        const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + i));
        __m128i mixed = Lerp7x4(t, u, fv, fv);
        __m128i* d = reinterpret_cast<__m128i*>(dst + i);
        if (!dstT) {
            mixed = _mm_or_si128(_mm_and_si128(_mm_loadu_si128(d), alpha),
                                 _mm_andnot_si128(alpha, mixed));
        }
        _mm_storeu_si128(d, mixed);
    }
#endif
    for (; i < b; ++i) {
        const uint32_t mixed = Lerp7(top[i], bottom[i], f);
        dst[i] = dstT ? mixed : (dst[i] & kAlphaMask) | (mixed & kRgbMask);
    }
}

// Two row buffers of horizontal mixes, each tagged with the source row it
// holds, so that consecutive destination rows reuse what they share.
class TMixedRows {
public:
    explicit TMixedRows(size_t width)
        : rows_{std::vector<uint32_t>(width), std::vector<uint32_t>(width)} {}

    // The mix of source row r, made by fill(r, buffer) unless held; the
    // buffer holding row keep is not reused.
    template <class Fill>
    const uint32_t* Get(int32_t r, int32_t keep, Fill&& fill) {
        for (int k = 0; k < 2; ++k) {
            if (held_[k] && tags_[k] == r) return rows_[k].data();
        }
        const int k = held_[0] && tags_[0] == keep ? 1 : 0;
        fill(r, rows_[k].data());
        held_[k] = true;
        tags_[k] = r;
        return rows_[k].data();
    }

private:
    std::vector<uint32_t> rows_[2];
    int32_t tags_[2] = {0, 0};
    bool held_[2] = {false, false};
};

// A source that is the destination itself is read from a copy, so that no
// pixel is read after it was written.
bool GetSourceCopy(ISurface* source, const uint32_t* dstPixels, TSource& out,
                   std::vector<uint32_t>& copy) {
    if (!GetSource(source, out)) return false;
    if (out.pixels == dstPixels) {
        copy.assign(out.pixels, out.pixels + static_cast<ptrdiff_t>(out.width) * out.height);
        out.pixels = copy.data();
    }
    return true;
}

// Smooth sampling at a 16.16 position with n fraction bits of weight.
inline void SampleSmooth(const TSource& src, uint32_t u, uint32_t v, int n, bool dstT,
                         uint32_t& d) {
    const int32_t sx = static_cast<int16_t>(u >> 16), sy = static_cast<int16_t>(v >> 16);
    const int32_t fx = static_cast<int32_t>((u & 0xFFFFu) >> (16 - n));
    const int32_t fy = static_cast<int32_t>((v & 0xFFFFu) >> (16 - n));
    if (!SampleNeighbourhood(src, sx, sy, fx, fy, n, dstT, d) && dstT) d &= kRgbMask;
}

}  // namespace

bool TSurface::DrawRotated(ISurface* source, int32_t x, int32_t y, double angle, bool smooth,
                           double scaleX, double scaleY, double cx, double cy) {
    TSource src;
    if (!pixels_ || !GetSource(source, src)) return true;
    const double radians = angle * std::numbers::pi / 180.0;
    const double sine = std::sin(radians), cosine = std::cos(radians);
    const bool dstT = transparent_;
    const uint32_t u0 = Wrap(Round64(cx * 65536.0)) + Wrap(int64_t{x} * 65536);
    const uint32_t v0 = Wrap(Round64(cy * 65536.0)) + Wrap(int64_t{y} * 65536);

    if (scaleX == scaleY && scaleX > 0) {
        const double s = scaleX;
        if (s == 1 && (angle == 0 || angle == 90 || angle == 180 || angle == 270)) smooth = false;
        // The scaled source centred on this surface, its corners rotated about
        // (x, y); only their bounding box plus 2 pixels is written.
        const double left = (width_ - src.width * s) / 2, top = (height_ - src.height * s) / 2;
        const double right = left + src.width * s - 1, bottom = top + src.height * s - 1;
        const double cornersX[4] = {left, right, left, right};
        const double cornersY[4] = {top, top, bottom, bottom};
        int64_t minX = std::numeric_limits<int64_t>::max(),
                maxX = std::numeric_limits<int64_t>::min();
        int64_t minY = minX, maxY = maxX;
        // Offsets are kept within 2^40: anything further lies off the surface
        // on the same side, and the sums cannot overflow.
        auto offset = [](double v) { return std::clamp<int64_t>(Trunc64(v), -kFar, kFar); };
        for (int c = 0; c < 4; ++c) {
            const double dx = cornersX[c] - x, dy = cornersY[c] - y;
            const int64_t px = x + offset(dx * cosine - dy * sine);
            const int64_t py = y + offset(dx * sine + dy * cosine);
            minX = std::min(minX, px);
            maxX = std::max(maxX, px);
            minY = std::min(minY, py);
            maxY = std::max(maxY, py);
        }
        minX = std::max<int64_t>(minX - 2, 0);
        minY = std::max<int64_t>(minY - 2, 0);
        maxX = std::min<int64_t>(maxX + 2, width_ - 1);
        maxY = std::min<int64_t>(maxY + 2, height_ - 1);
        if (minX > maxX || minY > maxY) return true;

        const int64_t k = Trunc64(65536.0 / s);
        const uint32_t dcos = Wrap(Round64(cosine * static_cast<double>(Signed(Wrap(k)))));
        const uint32_t dsin = Wrap(Round64(sine * static_cast<double>(Signed(Wrap(k)))));
        for (int64_t j = minY; j <= maxY; ++j) {
            const uint32_t di = Wrap(minX - x), dj = Wrap(j - y);
            uint32_t u = u0 + di * dcos - dj * dsin;
            uint32_t v = v0 + di * dsin + dj * dcos;
            uint32_t* row = pixels_.get() + j * width_;
            for (int64_t i = minX; i <= maxX; ++i, u += dcos, v += dsin) {
                if (smooth) {
                    SampleSmooth(src, u, v, 16, dstT, row[i]);
                } else {
                    SampleNearest(src, u, v, dstT, row[i]);
                }
            }
        }
        return true;
    }

    // Two scales (or a negative one): the whole destination.
    if (!UsableScale(scaleX) || !UsableScale(scaleY)) return true;
    const double kx = Signed(Wrap(Trunc64(65536.0 / scaleX)));
    const double ky = Signed(Wrap(Trunc64(65536.0 / scaleY)));
    const uint32_t du = Wrap(Round64(cosine * kx)), dv = Wrap(Round64(sine * ky));
    const uint32_t ub = u0 - Wrap(Round64(cosine * x * kx));
    const uint32_t vb = v0 - Wrap(Round64(sine * x * ky));
    for (int32_t j = 0; j < height_; ++j) {
        const double rows = static_cast<double>(int64_t{y} - j);
        uint32_t u = ub + Wrap(Round64(sine * rows * kx));
        uint32_t v = vb - Wrap(Round64(cosine * rows * ky));
        uint32_t* row = pixels_.get() + static_cast<ptrdiff_t>(j) * width_;
        for (int32_t i = 0; i < width_; ++i, u += du, v += dv) {
            if (smooth) {
                SampleSmooth(src, u, v, 16, dstT, row[i]);
            } else {
                SampleNearest(src, u, v, dstT, row[i]);
            }
        }
    }
    return true;
}

bool TSurface::DrawScaled(ISurface* source, bool smooth, double scaleX, double scaleY,
                          double offsetX, double offsetY) {
    TSource src;
    std::vector<uint32_t> copy;
    if (!pixels_ || !GetSourceCopy(source, pixels_.get(), src, copy)) return true;
    if (!UsableScale(scaleX) || !UsableScale(scaleY)) return true;
    const int32_t stepX = Signed(Wrap(Trunc64(65536.0 / scaleX)));
    const int32_t stepY = Signed(Wrap(Trunc64(65536.0 / scaleY)));
    // A negative scale counts back from the source's far edge.
    const uint32_t baseX = stepX < 1 ? Wrap(int64_t{src.width} * 65536) : 0;
    const uint32_t baseY = stepY < 1 ? Wrap(int64_t{src.height} * 65536) : 0;
    const uint32_t uStart = Wrap(Round64(offsetX * 65536.0)) + baseX;
    uint32_t v = Wrap(Round64(offsetY * 65536.0)) + baseY;
    const bool dstT = transparent_;
    if (!smooth) {
        for (int32_t j = 0; j < height_; ++j, v += static_cast<uint32_t>(stepY)) {
            uint32_t u = uStart;
            uint32_t* row = pixels_.get() + static_cast<ptrdiff_t>(j) * width_;
            for (int32_t i = 0; i < width_; ++i, u += static_cast<uint32_t>(stepX)) {
                SampleNearest(src, u, v, dstT, row[i]);
            }
        }
        return true;
    }

    // Each column's source position and weight, once per drawing. Columns
    // whose two neighbours lie inside the source form runs mixed from the
    // row buffers; the others take the general sampler.
    const size_t n = static_cast<size_t>(width_);
    std::vector<uint32_t> us(n);
    std::vector<int32_t> sxs(n);
    std::vector<uint16_t> f4(4 * n);
    std::vector<std::pair<int32_t, int32_t>> runs;
    {
        uint32_t u = uStart;
        for (int32_t i = 0; i < width_; ++i, u += static_cast<uint32_t>(stepX)) {
            const int32_t sx = static_cast<int16_t>(u >> 16);
            us[size_t(i)] = u;
            sxs[size_t(i)] = sx;
            std::fill_n(f4.begin() + 4 * ptrdiff_t{i}, 4,
                        static_cast<uint16_t>((u & 0xFFFFu) >> 9));
            if (sx < 0 || sx + 1 >= src.width) continue;
            if (!runs.empty() && runs.back().second == i) {
                ++runs.back().second;
            } else {
                runs.emplace_back(i, i + 1);
            }
        }
    }
    TMixedRows mixed(n);
    auto fill = [&](int32_t r, uint32_t* out) {
        const uint32_t* line = src.pixels + static_cast<ptrdiff_t>(r) * src.width;
        for (const auto& [a, b] : runs) MixGathered(line, sxs.data(), f4.data(), a, b, out);
    };
    for (int32_t j = 0; j < height_; ++j, v += static_cast<uint32_t>(stepY)) {
        uint32_t* row = pixels_.get() + static_cast<ptrdiff_t>(j) * width_;
        const int32_t sy = static_cast<int16_t>(v >> 16);
        if (sy < 0 || sy + 1 >= src.height || runs.empty()) {
            for (int32_t i = 0; i < width_; ++i)
                SampleSmooth(src, us[size_t(i)], v, 7, dstT, row[i]);
            continue;
        }
        const uint32_t* top = mixed.Get(sy, sy + 1, fill);
        const uint32_t* bottom = mixed.Get(sy + 1, sy, fill);
        const uint32_t fy = (v & 0xFFFFu) >> 9;
        int32_t i = 0;
        for (const auto& [a, b] : runs) {
            for (; i < a; ++i) SampleSmooth(src, us[size_t(i)], v, 7, dstT, row[i]);
            MixRows(top, bottom, fy, dstT, a, b, row);
            i = b;
        }
        for (; i < width_; ++i) SampleSmooth(src, us[size_t(i)], v, 7, dstT, row[i]);
    }
    return true;
}

bool TSurface::DrawSubPixel(ISurface* source, double dx, double dy) {
    TSource src;
    if (!pixels_ || !GetSource(source, src)) return true;
    const double fracX = dx - std::trunc(dx), fracY = dy - std::trunc(dy);
    if (fracX == 0 && fracY == 0) {
        FastCopyAt(source, TruncClamp32(dx), TruncClamp32(dy));
    } else if (dx >= 1 || dy >= 1) {
        // Shift by the fractions into a scratch layer with a margin, then copy
        // it to the whole-pixel position. Fractions are below 1 (or NaN), so
        // this recurses once at most.
        Ref<TSurface> scratch = MakeRef<TSurface>();
        scratch->SetTransparent(transparent_);
        scratch->SetSize(
            static_cast<int32_t>(std::min<int64_t>(int64_t{src.width} + 3, INT32_MAX)),
            static_cast<int32_t>(std::min<int64_t>(int64_t{src.height} + 3, INT32_MAX)));
        scratch->DrawSubPixel(source, fracX, fracY);
        FastCopyAt(scratch.get(), TruncClamp32(dx), TruncClamp32(dy));
    } else {
        ShiftLoop(source, dx, dy);
    }
    return true;
}

void TSurface::FastCopyAt(ISurface* source, int64_t x, int64_t y) {
    const TRect srcRect{0, 0, source->GetWidth(), source->GetHeight()};
    const TRect dstRect{static_cast<int32_t>(x), static_cast<int32_t>(y),
                        static_cast<int32_t>(std::min<int64_t>(x + srcRect.right, INT32_MAX)),
                        static_cast<int32_t>(std::min<int64_t>(y + srcRect.bottom, INT32_MAX))};
    TRect s, d;
    if (!ClipDrawRects(this, source, srcRect, dstRect, s, d)) return;
    const int64_t width = std::min(s.Width(), d.Width()), rows = std::min(s.Height(), d.Height());
    if (width <= 0 || rows <= 0) return;
    const uint32_t* srcRow = source->GetScanLine(s.top);
    if (!srcRow) return;
    srcRow += s.left;
    uint32_t* dstRow = GetPixelAddress(d.left, d.top);
    for (int64_t r = 0; r < rows; ++r, srcRow += source->GetWidth(), dstRow += width_) {
        std::copy_n(srcRow, width, dstRow);
    }
}

void TSurface::ShiftLoop(ISurface* source, double dx, double dy) {
    TSource src;
    std::vector<uint32_t> copy;
    if (!GetSourceCopy(source, pixels_.get(), src, copy)) return;
    // Weights of the right and lower neighbours, 7 bits, wrapping within 16
    // bits for negative shifts.
    const uint32_t fx = Wrap(Round64(dx * 65536.0)), fy = Wrap(Round64(dy * 65536.0));
    const int32_t wx = static_cast<int32_t>(((65535u - fx) & 0xFFFFu) >> 9);
    const int32_t wy = static_cast<int32_t>(((65535u - fy) & 0xFFFFu) >> 9);
    const bool dstT = transparent_;
    // Destination pixel (c, r) mixes source pixels c - 1, c of rows r - 1, r.
    // Where all four lie inside the source, each source row is mixed
    // horizontally once for the two destination rows that read it; the
    // edges take the general path.
    const int32_t inner = std::min(width_, src.width);
    TMixedRows mixed(static_cast<size_t>(std::max(inner, 1)));
    auto fill = [&](int32_t r, uint32_t* out) {
        MixShifted(src.pixels + static_cast<ptrdiff_t>(r) * src.width, uint32_t(wx), 1, inner, out);
    };
    auto general = [&](int32_t c, int32_t r, uint32_t& d) {
        if (!SampleNeighbourhood(src, c - 1, r - 1, wx, wy, 7, dstT, d) && dstT) d &= kRgbMask;
    };
    for (int32_t r = 0; r < height_; ++r) {
        uint32_t* row = pixels_.get() + static_cast<ptrdiff_t>(r) * width_;
        if (r < 1 || r >= src.height || inner <= 1) {
            for (int32_t c = 0; c < width_; ++c) general(c, r, row[c]);
            continue;
        }
        const uint32_t* top = mixed.Get(r - 1, r, fill);
        const uint32_t* bottom = mixed.Get(r, r - 1, fill);
        general(0, r, row[0]);
        MixRows(top, bottom, uint32_t(wy), dstT, 1, inner, row);
        for (int32_t c = inner; c < width_; ++c) general(c, r, row[c]);
    }
}
