// 32-bit software surfaces: the pixel block every frame is drawn into, the
// rectangles and update region that limit drawing, and the blend modes.
//
// A pixel is one uint32_t in the processor's byte order: alpha in bits 24-31,
// red 16-23, green 8-15, blue 0-7, not premultiplied. Rows are stored top row
// first, Width pixels each with no gap. On a surface whose transparent flag is
// off the alpha byte means nothing; each operation says whether it keeps it or
// sets it to 255.
//
// Rectangles count left and top as inside and right and bottom as outside;
// only SetPixel's clip test counts all four edges as inside.
//
// Nothing here raises (except SetSize when memory runs out): a missing source,
// a surface without pixels or rectangles that clip to nothing draw nothing and
// answer false. Source and mask surfaces are passed as plain pointers; the
// caller keeps them alive for the call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Interface.h"
#include "core/base/Rect.h"
#include "core/object/GeneralClasses.h"
#include "core/persist/EngineGeneralClasses.h"

class IParamCollection;

enum TBlendingMode : int32_t {
    bm_Normal = 0,
    bm_Screen = 1,
    bm_Overlay = 2,
    bm_LinearLight = 3,
    bm_Addition = 4,
    bm_MaxOpaque = 5,
    bm_BltFast = 6,
};

// The "/"-separated list data uses for a blend mode, in value order.
inline constexpr std::string_view kBlendingModeNames =
    "/normal/screen/overlay/linearlight/addition/maxopaque/bltfast";

// "screen", "overlay", "linearlight", "addition" and "maxopaque" (exact case)
// give modes 1 to 5; every other text gives bm_Normal.
TBlendingMode BlendingModeFromName(std::string_view name);

// r := a ∩ b. r.left and r.right are always written; r.top and r.bottom only
// when the columns overlap. True when the intersection is not empty.
bool IntersectRect(const TRect& a, const TRect& b, TRect& r);
// r := the bounding box of a and b; true when it is not empty.
bool UnionRect(const TRect& a, const TRect& b, TRect& r);

// One rectangle of an update region.
class TClippingRect {
public:
    explicit TClippingRect(const TRect& rect) : rect_(rect) {}
    TRect GetRect() const { return rect_; }

private:
    TRect rect_;
};

// An ordered list of rectangles. AddRect keeps them pairwise disjoint by
// merging every rectangle the new one overlaps into their bounding box;
// rectangles that only touch stay apart.
class TRegion {
public:
    void AddRect(const TRect& rect);
    // Appends without merging.
    void AppendRect(const TRect& rect);
    void Clear() { rects_.clear(); }
    int32_t Count() const { return static_cast<int32_t>(rects_.size()); }
    // The rectangle at index (from 0); an empty rectangle outside the list.
    TRect GetRect(int32_t index) const;
    // A new region of the non-empty intersections of each rectangle with
    // rect, in list order; null when there is none.
    std::unique_ptr<TRegion> Intersect(const TRect& rect) const;

private:
    std::vector<TClippingRect> rects_;
};

class ISurface : public virtual IInterface {
public:
    virtual int32_t GetWidth() const = 0;
    virtual int32_t GetHeight() const = 0;
    // New size with every pixel 0 (transparent black), even when the size is
    // unchanged. A negative size counts as 0. An allocation failure is the
    // allocator's (std::bad_alloc).
    virtual void SetSize(int32_t width, int32_t height) = 0;
    // Row y, or null when y is outside the rows.
    virtual uint32_t* GetScanLine(int32_t y) = 0;
    // Leaves pixel as it was when (x, y) is outside the surface.
    virtual void GetPixel(int32_t x, int32_t y, uint32_t& pixel) const = 0;
    // Writes inside the surface and, when clipping, inside the clip rectangle
    // counting all four of its edges; alpha 255 on an opaque surface.
    virtual void SetPixel(int32_t x, int32_t y, uint32_t pixel) = 0;
    virtual bool GetTransparent() const = 0;
    // Pixels are not touched.
    virtual void SetTransparent(bool transparent) = 0;

    // Draws source's srcRect onto dstRect (same size) in a blend mode with a
    // transparency level (255 full, 0 nothing). Walks the update region when
    // it is in use. True when the clipped rectangle was not empty (also at
    // level 0 and for unknown modes, which draw nothing).
    virtual bool Draw(ISurface* source, const TRect& srcRect, const TRect& dstRect, uint8_t level,
                      TBlendingMode mode) = 0;
    // Draws color through the shape (alpha) of source's srcRect, or as a plain
    // rectangle when source is opaque. bm_BltFast draws nothing (false).
    virtual bool DrawColored(uint32_t color, ISurface* source, const TRect& srcRect,
                             const TRect& dstRect, uint8_t level, TBlendingMode mode) = 0;
    // Copies source pixels where the mask's alpha is not 0; no blending. Runs
    // once against the clip rectangle, never walks the update region.
    virtual bool DrawMasked(ISurface* source, const TRect& srcRect, ISurface* mask,
                            const TRect& maskRect, const TRect& dstRect) = 0;
    // Rotation by angle (degrees) about (x, y) of this surface, the source
    // point (cx + x, cy + y) showing there, with scales; overwrites. A zero
    // or non-numeric scale draws nothing. Always true.
    virtual bool DrawRotated(ISurface* source, int32_t x, int32_t y, double angle, bool smooth,
                             double scaleX, double scaleY, double cx, double cy) = 0;
    // Every pixel of this surface from the scaled source, (offsetX, offsetY)
    // at the top-left; negative scales mirror. A zero or non-numeric scale
    // draws nothing. Always true.
    virtual bool DrawScaled(ISurface* source, bool smooth, double scaleX, double scaleY,
                            double offsetX, double offsetY) = 0;
    // The whole source with its top-left corner at a fractional position.
    // Always true.
    virtual bool DrawSubPixel(ISurface* source, double dx, double dy) = 0;

    // Clip flag := enabled, clip rectangle := rect, update region not used
    // (but kept).
    virtual void SetClipRect(bool enabled, const TRect& rect) = 0;
    // Adds rect to the update region and makes Draw and DrawColored walk it.
    virtual void AddUpdateRect(const TRect& rect) = 0;
    // Empties the update region and turns clipping off.
    virtual void ClearUpdateRects() = 0;
    // No bounds check: callers keep inside the surface.
    virtual uint32_t* GetPixelAddress(int32_t x, int32_t y) = 0;
    virtual void GetPixelFast(int32_t x, int32_t y, uint32_t& pixel) const = 0;
    // Every pixel 0 (transparent black).
    virtual void Clear() = 0;
    // Counts pixels whose alpha is above threshold as opaque, the others as
    // transparent, and sets "PixelsCount", "TransparentCount" and
    // "OpaqueCount" (integers) in params. False, and nothing written, without
    // params.
    virtual bool GetPixelStatistics(IParamCollection* params, uint8_t threshold) = 0;
};

class TSurface : public TAbstractObject, public ISurface {
public:
    TSurface() = default;

    int32_t GetWidth() const override { return width_; }
    int32_t GetHeight() const override { return height_; }
    void SetSize(int32_t width, int32_t height) override;
    uint32_t* GetScanLine(int32_t y) override;
    void GetPixel(int32_t x, int32_t y, uint32_t& pixel) const override;
    void SetPixel(int32_t x, int32_t y, uint32_t pixel) override;
    bool GetTransparent() const override { return transparent_; }
    void SetTransparent(bool transparent) override { transparent_ = transparent; }

    bool Draw(ISurface* source, const TRect& srcRect, const TRect& dstRect, uint8_t level,
              TBlendingMode mode) override;
    bool DrawColored(uint32_t color, ISurface* source, const TRect& srcRect, const TRect& dstRect,
                     uint8_t level, TBlendingMode mode) override;
    bool DrawMasked(ISurface* source, const TRect& srcRect, ISurface* mask, const TRect& maskRect,
                    const TRect& dstRect) override;
    bool DrawRotated(ISurface* source, int32_t x, int32_t y, double angle, bool smooth,
                     double scaleX, double scaleY, double cx, double cy) override;
    bool DrawScaled(ISurface* source, bool smooth, double scaleX, double scaleY, double offsetX,
                    double offsetY) override;
    bool DrawSubPixel(ISurface* source, double dx, double dy) override;

    void SetClipRect(bool enabled, const TRect& rect) override;
    void AddUpdateRect(const TRect& rect) override;
    void ClearUpdateRects() override;
    uint32_t* GetPixelAddress(int32_t x, int32_t y) override {
        return pixels_.get() + static_cast<ptrdiff_t>(y) * width_ + x;
    }
    void GetPixelFast(int32_t x, int32_t y, uint32_t& pixel) const override {
        pixel = pixels_[static_cast<ptrdiff_t>(y) * width_ + x];
    }
    void Clear() override;
    bool GetPixelStatistics(IParamCollection* params, uint8_t threshold) override;

    // Whether a pixel block is present (both sizes above 0).
    bool HasPixels() const { return pixels_ != nullptr; }
    bool GetClipFlag() const { return clipping_; }
    const TRect& GetClipRect() const { return clipRect_; }
    bool GetUpdateRegionMode() const { return useRegion_; }
    const TRegion& GetUpdateRegion() const { return region_; }

private:
    bool DrawOnce(ISurface* source, const TRect& srcRect, const TRect& dstRect, uint8_t level,
                  TBlendingMode mode);
    bool DrawColoredOnce(uint32_t color, ISurface* source, const TRect& srcRect,
                         const TRect& dstRect, uint8_t level, TBlendingMode mode);
    // The plain row copy of a whole source to (x, y), clipped like Draw.
    void FastCopyAt(ISurface* source, int64_t x, int64_t y);
    void ShiftLoop(ISurface* source, double dx, double dy);

    static constexpr size_t kPixelAlignment = 64;
    struct AlignedFree {
        void operator()(uint32_t* p) const noexcept;
    };

    int32_t width_ = 0;
    int32_t height_ = 0;
    bool transparent_ = false;
    std::unique_ptr<uint32_t[], AlignedFree> pixels_;
    bool clipping_ = false;
    TRect clipRect_{};
    TRegion region_;
    bool useRegion_ = false;
};

// The clipping step of every copy from source into dest. On success srcOut
// and dstOut are the clipped pair: dstOut lies inside dest (and inside its
// clip rectangle when the clip flag is on) and srcOut inside source; given a
// pair of the same size they keep the same size. A destination rectangle
// larger than the source rectangle leaves dstOut the larger of the two, so
// copy loops use the smaller size of each axis. Fails with no source, no
// pixels in dest, or nothing left; the outputs are then unspecified.
bool ClipDrawRects(const TSurface* dest, ISurface* source, const TRect& srcRect,
                   const TRect& dstRect, TRect& srcOut, TRect& dstOut);

// Surfaces kept by name.
class ISurfaceCollection : public virtual ICollection {
public:
    // The surface stored under name, or null.
    virtual Ref<ISurface> Find(const std::string& name) = 0;
    // The surface at a position (from 0), or null outside the list.
    virtual Ref<ISurface> Find(int32_t index) = 0;
    // Appends surface under name; nothing happens for a null surface or a
    // name already present (the first surface stays).
    virtual void Add(const std::string& name, const Ref<ISurface>& surface) = 0;
};

class TSurfaceCollection : public TCollection, public virtual ISurfaceCollection {
public:
    Ref<ISurface> Find(const std::string& name) override;
    Ref<ISurface> Find(int32_t index) override;
    void Add(const std::string& name, const Ref<ISurface>& surface) override;
};
