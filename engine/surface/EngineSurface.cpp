#include "engine/surface/EngineSurface.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "core/base/PlatformShims.h"
#include "core/persist/Params.h"
#include "engine/surface/SurfaceKernels.h"

namespace {

constexpr uint32_t kAlphaMask = 0xFF000000u;

// The clipped pair of rows a copy or blend walks: the smaller size of the
// source and destination rectangles on each axis, so that no loop can leave
// either surface whatever rectangles the caller passed.
struct TRowSpan {
    const uint32_t* src = nullptr;
    ptrdiff_t srcStride = 0;
    uint32_t* dst = nullptr;
    ptrdiff_t dstStride = 0;
    size_t width = 0;
    int64_t rows = 0;
};

bool MakeRowSpan(TSurface& dest, ISurface* source, const TRect& s, const TRect& d, TRowSpan& span) {
    const int64_t width = std::min(s.Width(), d.Width());
    const int64_t rows = std::min(s.Height(), d.Height());
    if (width <= 0 || rows <= 0) return false;
    const uint32_t* srcRow = source->GetScanLine(s.top);
    if (!srcRow) return false;
    span.src = srcRow + s.left;
    span.srcStride = source->GetWidth();
    span.dst = dest.GetPixelAddress(d.left, d.top);
    span.dstStride = dest.GetWidth();
    span.width = static_cast<size_t>(width);
    span.rows = rows;
    return true;
}

void CopyRows(const TRowSpan& span) {
    if (span.width == static_cast<size_t>(span.srcStride) &&
        span.width == static_cast<size_t>(span.dstStride)) {
        // Whole rows of equal surfaces: one block.
        std::memmove(span.dst, span.src,
                     span.width * static_cast<size_t>(span.rows) * sizeof(uint32_t));
        return;
    }
    const uint32_t* s = span.src;
    uint32_t* d = span.dst;
    for (int64_t y = 0; y < span.rows; ++y, s += span.srcStride, d += span.dstStride) {
        // memmove: a surface may be drawn onto itself.
        std::memmove(d, s, span.width * sizeof(uint32_t));
    }
}

void RunRows(const TRowSpan& span, TBlendKernel kernel, uint32_t level, uint32_t color) {
    kernel(span.src, span.srcStride, span.dst, span.dstStride, span.width,
           static_cast<size_t>(span.rows), level, color);
}

int64_t Clamp64(int64_t v, int64_t lo, int64_t hi) {
    return std::max(lo, std::min(v, hi));
}

}  // namespace

// ---------------------------------------------------------------- names and rectangles

TBlendingMode BlendingModeFromName(std::string_view name) {
    if (name == "screen") return bm_Screen;
    if (name == "overlay") return bm_Overlay;
    if (name == "linearlight") return bm_LinearLight;
    if (name == "addition") return bm_Addition;
    if (name == "maxopaque") return bm_MaxOpaque;
    return bm_Normal;
}

bool IntersectRect(const TRect& a, const TRect& b, TRect& r) {
    const TRect x = a, y = b;  // r may be a or b
    r.left = std::max(x.left, y.left);
    r.right = std::min(x.right, y.right);
    if (r.left >= r.right) return false;
    r.top = std::max(x.top, y.top);
    r.bottom = std::min(x.bottom, y.bottom);
    return r.top < r.bottom;
}

bool UnionRect(const TRect& a, const TRect& b, TRect& r) {
    const TRect x = a, y = b;
    r.left = std::min(x.left, y.left);
    r.right = std::max(x.right, y.right);
    if (r.left >= r.right) return false;
    r.top = std::min(x.top, y.top);
    r.bottom = std::max(x.bottom, y.bottom);
    return r.top < r.bottom;
}

// ---------------------------------------------------------------- TRegion

void TRegion::AddRect(const TRect& rect) {
    TRect merged = rect;
    bool changed = true;
    while (changed) {
        changed = false;
        for (size_t i = rects_.size(); i-- > 0;) {
            TRect common;
            if (IntersectRect(merged, rects_[i].GetRect(), common)) {
                UnionRect(merged, rects_[i].GetRect(), merged);
                rects_.erase(rects_.begin() + static_cast<ptrdiff_t>(i));
                changed = true;
            }
        }
    }
    rects_.emplace_back(merged);
}

void TRegion::AppendRect(const TRect& rect) {
    rects_.emplace_back(rect);
}

TRect TRegion::GetRect(int32_t index) const {
    if (index < 0 || index >= Count()) return TRect{};
    return rects_[static_cast<size_t>(index)].GetRect();
}

std::unique_ptr<TRegion> TRegion::Intersect(const TRect& rect) const {
    std::unique_ptr<TRegion> result;
    for (const TClippingRect& item : rects_) {
        TRect common;
        if (IntersectRect(item.GetRect(), rect, common)) {
            if (!result) result = std::make_unique<TRegion>();
            result->AppendRect(common);
        }
    }
    return result;
}

// ---------------------------------------------------------------- clipping

bool ClipDrawRects(const TSurface* dest, ISurface* source, const TRect& srcRect,
                   const TRect& dstRect, TRect& srcOut, TRect& dstOut) {
    if (!source || !dest || !dest->HasPixels()) return false;
    // 64-bit throughout: edges near the 32-bit limits must not overflow.
    const int64_t w = dest->GetWidth(), h = dest->GetHeight();
    const int64_t sw = source->GetWidth(), sh = source->GetHeight();
    int64_t sl = srcRect.left, st = srcRect.top, sr = srcRect.right, sb = srcRect.bottom;
    int64_t dl = dstRect.left, dt = dstRect.top, dr = dstRect.right, db = dstRect.bottom;
    if (!(dt < h && db >= 0 && dr >= 0 && dl < w && st < sh && sb >= 0 && sr >= 0 && sl < sw)) {
        return false;
    }
    if (dest->GetClipFlag()) {
        const TRect& c = dest->GetClipRect();
        if (dl < c.left) {
            sl += c.left - dl;
            dl = c.left;
        }
        if (dt < c.top) {
            st += c.top - dt;
            dt = c.top;
        }
        if (dr > c.right) {
            sr -= dr - c.right;
            dr = c.right;
        }
        if (db > c.bottom) {
            sb -= db - c.bottom;
            db = c.bottom;
        }
    }
    int64_t osr = sl + std::min(sr - sl, dr - dl);
    int64_t osb = st + std::min(sb - st, db - dt);
    int64_t ost = st - std::min<int64_t>(dt, 0);
    int64_t osl = sl - std::min<int64_t>(dl, 0);
    osr -= std::max<int64_t>(0, dr - w);
    osb -= std::max<int64_t>(0, db - h);
    int64_t odl = std::max<int64_t>(dl, 0), odt = std::max<int64_t>(dt, 0);
    int64_t odr = std::min(dr, w), odb = std::min(db, h);
    odt += std::max<int64_t>(0, -ost);
    odl += std::max<int64_t>(0, -osl);
    odr -= std::max<int64_t>(0, osr - sw);
    odb -= std::max<int64_t>(0, osb - sh);
    // Keeping every edge inside its surface changes no non-empty result and
    // keeps empty ones empty; it only keeps the values within 32 bits.
    srcOut =
        TRect{static_cast<int32_t>(Clamp64(osl, 0, sw)), static_cast<int32_t>(Clamp64(ost, 0, sh)),
              static_cast<int32_t>(Clamp64(osr, 0, sw)), static_cast<int32_t>(Clamp64(osb, 0, sh))};
    dstOut =
        TRect{static_cast<int32_t>(Clamp64(odl, 0, w)), static_cast<int32_t>(Clamp64(odt, 0, h)),
              static_cast<int32_t>(Clamp64(odr, 0, w)), static_cast<int32_t>(Clamp64(odb, 0, h))};
    return odl < odr && odt < odb;
}

// ---------------------------------------------------------------- TSurface: simple operations

void TSurface::AlignedFree::operator()(uint32_t* p) const noexcept {
    ::operator delete[](p, std::align_val_t{kPixelAlignment});
}

void TSurface::SetSize(int32_t width, int32_t height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.reset();
    if (width_ == 0 || height_ == 0) return;
    const size_t count = static_cast<size_t>(width_) * static_cast<size_t>(height_);
    // Rows start 64-byte aligned whenever the width allows: wide vector loads
    // then never straddle two cache lines.
    void* block = ::operator new[](count * sizeof(uint32_t), std::align_val_t{kPixelAlignment});
    std::memset(block, 0, count * sizeof(uint32_t));
    pixels_.reset(static_cast<uint32_t*>(block));
}

uint32_t* TSurface::GetScanLine(int32_t y) {
    if (!pixels_ || y < 0 || y >= height_) return nullptr;
    return pixels_.get() + static_cast<ptrdiff_t>(y) * width_;
}

void TSurface::GetPixel(int32_t x, int32_t y, uint32_t& pixel) const {
    if (!pixels_ || x < 0 || x >= width_ || y < 0 || y >= height_) return;
    pixel = pixels_[static_cast<ptrdiff_t>(y) * width_ + x];
}

void TSurface::SetPixel(int32_t x, int32_t y, uint32_t pixel) {
    if (!pixels_ || x < 0 || x >= width_ || y < 0 || y >= height_) return;
    if (clipping_ && !PointInRectInclusive(clipRect_, x, y)) return;
    pixels_[static_cast<ptrdiff_t>(y) * width_ + x] = transparent_ ? pixel : pixel | kAlphaMask;
}

void TSurface::SetClipRect(bool enabled, const TRect& rect) {
    clipping_ = enabled;
    clipRect_ = rect;
    useRegion_ = false;
}

void TSurface::AddUpdateRect(const TRect& rect) {
    region_.AddRect(rect);
    if (region_.Count() > 0) {
        clipping_ = true;
        useRegion_ = true;
    }
}

void TSurface::ClearUpdateRects() {
    region_.Clear();
    clipping_ = false;
    useRegion_ = false;
}

void TSurface::Clear() {
    if (pixels_) {
        std::memset(pixels_.get(), 0,
                    static_cast<size_t>(width_) * static_cast<size_t>(height_) * sizeof(uint32_t));
    }
}

bool TSurface::GetPixelStatistics(IParamCollection* params, uint8_t threshold) {
    if (!params) return false;
    const int64_t count = static_cast<int64_t>(width_) * height_;
    int64_t opaque = 0;
    if (pixels_) {
        const uint32_t* p = pixels_.get();
        for (int64_t i = 0; i < count; ++i) opaque += (p[i] >> 24) > threshold;
    }
    // 32-bit integers as the data expects, 64-bit only for counts beyond them.
    auto number = [](int64_t v) {
        return v <= INT32_MAX ? Variant(static_cast<int32_t>(v)) : Variant(v);
    };
    params->SetValue("PixelsCount", number(count));
    params->SetValue("TransparentCount", number(count - opaque));
    params->SetValue("OpaqueCount", number(opaque));
    return true;
}

// ---------------------------------------------------------------- Draw, DrawColored, DrawMasked

bool TSurface::Draw(ISurface* source, const TRect& srcRect, const TRect& dstRect, uint8_t level,
                    TBlendingMode mode) {
    if (!(clipping_ && useRegion_)) return DrawOnce(source, srcRect, dstRect, level, mode);
    // Copies: the caller's rectangles may be this surface's own clip rectangle.
    const TRect src = srcRect, dst = dstRect;
    bool drawn = false;
    for (int32_t i = 0; i < region_.Count(); ++i) {
        if (IntersectRect(region_.GetRect(i), dst, clipRect_)) {
            drawn = DrawOnce(source, src, dst, level, mode) || drawn;
        }
    }
    return drawn;
}

bool TSurface::DrawColored(uint32_t color, ISurface* source, const TRect& srcRect,
                           const TRect& dstRect, uint8_t level, TBlendingMode mode) {
    if (!(clipping_ && useRegion_)) {
        return DrawColoredOnce(color, source, srcRect, dstRect, level, mode);
    }
    const TRect src = srcRect, dst = dstRect;
    bool drawn = false;
    for (int32_t i = 0; i < region_.Count(); ++i) {
        if (IntersectRect(region_.GetRect(i), dst, clipRect_)) {
            drawn = DrawColoredOnce(color, source, src, dst, level, mode) || drawn;
        }
    }
    return drawn;
}

bool TSurface::DrawOnce(ISurface* source, const TRect& srcRect, const TRect& dstRect, uint8_t level,
                        TBlendingMode mode) {
    if (!source || !pixels_) return false;
    TRect s, d;
    if (!ClipDrawRects(this, source, srcRect, dstRect, s, d)) return false;
    if (level == 0) return true;
    TRowSpan span;
    if (!MakeRowSpan(*this, source, s, d, span)) return true;

    const TSurfaceKernels& kernels = CurrentKernels();
    const int t = transparent_ ? 1 : 0;
    TBlendKernel kernel = nullptr;
    switch (mode) {
        case bm_Normal:
            if (!source->GetTransparent()) {
                if (level == 255) {
                    CopyRows(span);
                    return true;
                }
                kernel = kernels.constantAlpha[t];
            } else {
                kernel = level == 255 ? kernels.alphaBlend[t] : kernels.alphaBlendLevel[t];
            }
            break;
        case bm_BltFast:
            CopyRows(span);
            return true;
        case bm_Screen:
        case bm_Overlay:
        case bm_LinearLight:
        case bm_Addition:
        case bm_MaxOpaque:
            kernel = kernels.mode[mode - 1][t];
            break;
        default:
            return true;  // unknown modes draw nothing
    }
    RunRows(span, kernel, level, 0);
    return true;
}

bool TSurface::DrawColoredOnce(uint32_t color, ISurface* source, const TRect& srcRect,
                               const TRect& dstRect, uint8_t level, TBlendingMode mode) {
    if (!source || !pixels_) return false;
    TRect s, d;
    if (!ClipDrawRects(this, source, srcRect, dstRect, s, d)) return false;
    if (mode == bm_BltFast) return false;
    TRowSpan span;
    if (!MakeRowSpan(*this, source, s, d, span)) return true;

    const TSurfaceKernels& kernels = CurrentKernels();
    const int t = transparent_ ? 1 : 0;
    switch (mode) {
        case bm_Normal: {
            const uint32_t la = (uint32_t{level} * (color >> 24)) / 255;
            if (source->GetTransparent()) {
                if (la == 255) {
                    RunRows(span, kernels.colorAlpha[t], la, color);
                } else {
                    RunRows(span, kernels.colorAlphaLevel[t], la, color);
                }
            } else if (la == 255) {
                // la 255 needs colour alpha 255, so the fill is opaque as it is.
                uint32_t* row = span.dst;
                for (int64_t y = 0; y < span.rows; ++y, row += span.dstStride) {
                    std::fill(row, row + span.width, color);
                }
            } else {
                // This kernel does not read the source: hand it the destination.
                TRowSpan own = span;
                own.src = span.dst;
                own.srcStride = span.dstStride;
                RunRows(own, kernels.colorOpaqueLevel[t], la, color);
            }
            return true;
        }
        case bm_Screen:
        case bm_Overlay:
        case bm_LinearLight:
        case bm_Addition:
        case bm_MaxOpaque:
            RunRows(span, kernels.colorMode[mode - 1][t], level, color);
            return true;
        default:
            return true;  // unknown modes draw nothing
    }
}

bool TSurface::DrawMasked(ISurface* source, const TRect& srcRect, ISurface* mask,
                          const TRect& maskRect, const TRect& dstRect) {
    if (!source || !mask || !pixels_) return false;
    TRect s1, d1, m2, d2, s3, d3;
    if (!ClipDrawRects(this, source, srcRect, dstRect, s1, d1)) return false;
    if (!ClipDrawRects(this, mask, maskRect, d1, m2, d2)) return false;
    if (!ClipDrawRects(this, source, s1, d2, s3, d3)) return false;
    // The mask's rectangle drives the loop; it is kept within the other two
    // so that no pixel outside any of the three surfaces is touched.
    const int64_t width = std::min({m2.Width(), s3.Width(), d3.Width()});
    const int64_t rows = std::min({m2.Height(), s3.Height(), d3.Height()});
    if (width <= 0 || rows <= 0) return true;
    const uint32_t* maskRow = mask->GetScanLine(m2.top);
    const uint32_t* srcRow = source->GetScanLine(s3.top);
    if (!maskRow || !srcRow) return true;
    maskRow += m2.left;
    srcRow += s3.left;
    uint32_t* dstRow = GetPixelAddress(d3.left, d3.top);
    const uint32_t force = transparent_ ? 0 : kAlphaMask;
    for (int64_t y = 0; y < rows; ++y) {
        for (int64_t x = 0; x < width; ++x) {
            if (maskRow[x] >> 24) dstRow[x] = srcRow[x] | force;
        }
        maskRow += mask->GetWidth();
        srcRow += source->GetWidth();
        dstRow += width_;
    }
    return true;
}

// ---------------------------------------------------------------- TSurfaceCollection

Ref<ISurface> TSurfaceCollection::Find(const std::string& name) {
    return Query<ISurface>(Items().GetItemByName(name));
}

Ref<ISurface> TSurfaceCollection::Find(int32_t index) {
    return Query<ISurface>(Items().GetItem(Variant(index)));
}

void TSurfaceCollection::Add(const std::string& name, const Ref<ISurface>& surface) {
    if (!surface) return;
    InsertItem(surface, false, name);
}
