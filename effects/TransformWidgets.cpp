// The transform base, the smooth move, zoom and rotate widgets. The masked,
// cut sector, contour and scroll area widgets are in TransformShapes.cpp.
#include "effects/TransformWidgets.h"

#include <cmath>
#include <numbers>

#include "core/base/Log.h"
#include "effects/TransformInternal.h"

using namespace transform_widgets;

// ---------------------------------------------------------------------------
// TTransformWidget

const TPropertyTable& TTransformWidget::Table() {
    using W = TTransformWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TDecorateWidget::Table())
            .Custom("need_to_repaint", &W::NeedToRepaintProperty, &W::SetNeedToRepaintProperty)
            .Build();
    // clang-format on
    return table;
}

Variant TTransformWidget::NeedToRepaintProperty(TTransformWidget& widget) {
    return Variant(widget.needToRepaint_);
}

void TTransformWidget::SetNeedToRepaintProperty(TTransformWidget& widget, const Variant& value) {
    widget.needToRepaint_ = value.ToBool();
}

void TTransformWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TDecorateWidget::LoadFrom(storage);
    SetBlendingMode(static_cast<uint8_t>(ReadEnum(storage, "blendingmode", kBlendingModeNames, 0)));
}

void TTransformWidget::SaveTo(const Ref<IHierStorage>& storage) {
    TDecorateWidget::SaveTo(storage);
    WriteEnum(storage, "blendingmode", kBlendingModeNames, blendingMode_, true);
}

void TTransformWidget::SetBlendingMode(uint8_t mode) {
    if (mode == blendingMode_) return;
    blendingMode_ = mode;
    SetChanged(true);
}

void TTransformWidget::LogProblem(const std::string& text) {
    Log("WIDGET", DescribeTransform(*this) + ": " + text);
}

Ref<ISurface> TTransformWidget::NewSurface(int32_t width, int32_t height) {
    if (!CacheSizeAllowed(width, height)) {
        if (!sizeLogged_) {
            LogProblem("a picture of " + std::to_string(width) + " by " + std::to_string(height) +
                       " pixels is too large; nothing is drawn");
        }
        sizeLogged_ = true;
        return nullptr;
    }
    const Ref<IEngine> engine = GetEngine();
    if (!engine) return nullptr;
    Ref<ISurface> surface = engine->CreateSurface();
    if (!surface) return nullptr;
    surface->SetTransparent(true);
    surface->SetSize(std::max(width, 0), std::max(height, 0));
    return surface;
}

bool TTransformWidget::UpdateCache() {
    if (!GetInnerWidget()) return false;
    const TRect bounds = GetBounds();
    const int64_t width = std::max<int64_t>(int64_t{bounds.right} - bounds.left, 0);
    const int64_t height = std::max<int64_t>(int64_t{bounds.bottom} - bounds.top, 0);
    if (!CacheSizeAllowed(width, height)) {
        // A cache from data beyond the loader's limits: drop it and draw
        // nothing rather than let the allocation fail inside Render.
        if (!sizeLogged_) {
            LogProblem("a picture of " + std::to_string(width) + " by " + std::to_string(height) +
                       " pixels is too large; nothing is drawn");
        }
        sizeLogged_ = true;
        cache_ = nullptr;
        needToRepaint_ = true;
        return false;
    }
    sizeLogged_ = false;
    if (!cache_) {
        const Ref<IEngine> engine = GetEngine();
        if (!engine) return false;
        cache_ = engine->CreateSurface();
        if (!cache_) return false;
        cache_->SetTransparent(true);
        needToRepaint_ = true;
    }
    if (cache_->GetWidth() != width || cache_->GetHeight() != height) {
        cache_->SetSize(int32_t(width), int32_t(height));
        // The new pixels are blank: the picture has to be drawn again.
        needToRepaint_ = true;
    }
    if (needToRepaint_) {
        cache_->Clear();
        // Cleared first: a subclass may set the flag again while it draws.
        needToRepaint_ = false;
        TransformChild();
    }
    return true;
}

void TTransformWidget::Render(ISurface& surface, int32_t x, int32_t y) {
    if (!GetInnerWidget()) return;
    // Drawing the inner widget may drop the last outside reference to us.
    const Ref<IWidget> self(this);
    if (!UpdateCache()) return;
    const int32_t w = cache_->GetWidth(), h = cache_->GetHeight();
    AdjustDrawPosition(x, y);
    surface.Draw(cache_.get(), {0, 0, w, h}, {x, y, AddClamped(x, w), AddClamped(y, h)},
                 GetTransparentLevel(), static_cast<TBlendingMode>(blendingMode_));
}

bool TTransformWidget::ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) {
    if (!GetInnerWidget()) return false;
    if (!TDecorateWidget::ContainsPoint(x, y, ignoreVisible)) return false;
    const Ref<IWidget> self(this);
    if (!UpdateCache()) return false;
    int32_t dx = 0, dy = 0;
    AdjustDrawPosition(dx, dy);
    const int32_t px = AddClamped(AddClamped(x, NegateClamped(RoundToInt(GetLeft()))), -dx);
    const int32_t py = AddClamped(AddClamped(y, NegateClamped(RoundToInt(GetTop()))), -dy);
    uint32_t pixel = 0;  // left as it is outside the cache
    cache_->GetPixel(px, py, pixel);
    return (pixel >> 24) != 0;
}

Ref<IWidget> TTransformWidget::WidgetAt(int32_t x, int32_t y) {
    Ref<IWidget> hit = TVisualWidget::WidgetAt(x, y);
    const Ref<IWidget> inner = GetInnerWidget();
    if (!hit || !inner) return hit;
    int32_t dx = 0, dy = 0;
    AdjustDrawPosition(dx, dy);
    int32_t px = AddClamped(AddClamped(x, NegateClamped(RoundToInt(GetLeft()))), -dx);
    int32_t py = AddClamped(AddClamped(y, NegateClamped(RoundToInt(GetTop()))), -dy);
    TransformPoint(px, py);
    if (Ref<IWidget> found = inner->WidgetAt(px, py)) return found;
    return hit;
}

void TTransformWidget::CollectDirtyRects(bool force, bool forceNew) {
    if (const Ref<IWidget> inner = GetInnerWidget()) {
        inner->CollectDirtyRects(false, false);
        if (inner->GetInvalidated()) InvalidateCache();
    }
    TDecorateWidget::CollectDirtyRects(force, forceNew);
}

TPoint TTransformWidget::ScreenToClient(int32_t x, int32_t y) {
    TPoint point = TDecorateWidget::ScreenToClient(x, y);
    int32_t dx = 0, dy = 0;
    AdjustDrawPosition(dx, dy);
    point.x = AddClamped(point.x, NegateClamped(dx));
    point.y = AddClamped(point.y, NegateClamped(dy));
    TransformPoint(point.x, point.y);
    return point;
}

void TTransformWidget::InvalidateRect(const TRect& rect) {
    (void)rect;
    needToRepaint_ = true;
}

void TTransformWidget::InvalidateCache() {
    SetChanged(true);
    SetMoved(true);
    needToRepaint_ = true;
}

// ---------------------------------------------------------------------------
// TSmoothMoveWidget

const TPropertyTable& TSmoothMoveWidget::Table() {
    using W = TSmoothMoveWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TTransformWidget::Table())
            .Accessor("sampling_step", &W::GetSamplingStep, &W::SetSamplingStep).NotStored().NoAssign()
            .Accessor("caching", &W::GetCaching, &W::SetCaching).NotStored().NoAssign()
            .Build();
    // clang-format on
    return table;
}

void TSmoothMoveWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TTransformWidget::LoadFrom(storage);
    SetSamplingStep(ReadFloat(storage, "sampling_step", 0.25));
    // The loaded position is split into whole and fractional parts.
    SetLeft(TVisualWidget::GetLeft());
    SetTop(TVisualWidget::GetTop());
    SetCaching(ReadBool(storage, "caching", false));
}

void TSmoothMoveWidget::SaveTo(const Ref<IHierStorage>& storage) {
    TTransformWidget::SaveTo(storage);
    WriteFloat(storage, "sampling_step", samplingStep_, true);
    WriteBool(storage, "caching", caching_, caching_);
}

double TSmoothMoveWidget::QuantizeFraction(double fraction) const {
    if (samplingStep_ == 0.0) return fraction;
    return std::trunc(fraction / samplingStep_) * samplingStep_;
}

int32_t TSmoothMoveWidget::FractionIndex(double fraction) const {
    if (samplingStep_ == 0.0) return -1;
    return SaturatingTrunc<int32_t>(fraction / samplingStep_);
}

namespace {

// The whole part (the largest whole number not above v) and the rest; a
// value that is not finite keeps no fraction.
void SplitPosition(double value, double& whole, double& fraction) {
    whole = std::floor(value);
    fraction = std::isfinite(value) ? value - whole : 0.0;
}

}  // namespace

void TSmoothMoveWidget::SetLeft(double value) {
    double whole = 0.0, fraction = 0.0;
    SplitPosition(value, whole, fraction);
    TTransformWidget::SetLeft(whole);
    const double quantized = QuantizeFraction(fraction);
    if (quantized != fractionX_) {
        fractionX_ = quantized;
        SetNeedToRepaint(true);
        SetMoved(true);
    }
}

void TSmoothMoveWidget::SetTop(double value) {
    double whole = 0.0, fraction = 0.0;
    SplitPosition(value, whole, fraction);
    TTransformWidget::SetTop(whole);
    const double quantized = QuantizeFraction(fraction);
    if (quantized != fractionY_) {
        fractionY_ = quantized;
        SetNeedToRepaint(true);
        SetMoved(true);
    }
}

void TSmoothMoveWidget::SetSamplingStep(double step) {
    samplingStep_ = std::isnan(step) ? 0.0 : std::clamp(step, 0.0, 1.0);
    ResetShiftCache();
}

void TSmoothMoveWidget::SetCaching(bool value) {
    if (value == caching_) return;
    caching_ = value;
    ResetShiftCache();
}

void TSmoothMoveWidget::ResetShiftCache() {
    shiftCache_.clear();
    shiftCacheSize_ = 0;
    if (!caching_) return;
    const int32_t size = FractionIndex(1.0);
    // A tiny step would ask for size^2 pictures: beyond 16 a side the
    // shifts are drawn each time instead.
    if (size <= 0 || size > kMaxShiftCacheSize) return;
    shiftCacheSize_ = size;
    shiftCache_.resize(size_t(size) * size_t(size));
}

void TSmoothMoveWidget::InvalidateCache() {
    TTransformWidget::InvalidateCache();
    if (caching_) ResetShiftCache();
}

int32_t TSmoothMoveWidget::GetWidth() {
    const Ref<IWidget>& inner = GetInnerWidget();
    return inner ? AddClamped(inner->GetWidth(), 1) : 0;
}

int32_t TSmoothMoveWidget::GetHeight() {
    const Ref<IWidget>& inner = GetInnerWidget();
    return inner ? AddClamped(inner->GetHeight(), 1) : 0;
}

Ref<ISurface> TSmoothMoveWidget::TakeSnapshot() {
    const Ref<IWidget>& inner = GetInnerWidget();
    if (!inner) return nullptr;
    ++snapshots_;
    return inner->GetSnapshot();
}

void TSmoothMoveWidget::TransformChild() {
    const Ref<ISurface>& cache = GetCache();
    if (!cache || !GetInnerWidget()) return;
    const int32_t ix = caching_ ? FractionIndex(fractionX_) : -1;
    const int32_t iy = caching_ ? FractionIndex(fractionY_) : -1;
    if (ix >= 0 && iy >= 0 && ix < shiftCacheSize_ && iy < shiftCacheSize_) {
        const int32_t w = cache->GetWidth(), h = cache->GetHeight();
        TShifted& entry = shiftCache_[size_t(ix) * size_t(shiftCacheSize_) + size_t(iy)];
        // Two fractions may share an index (a step that does not divide 1
        // exactly, or a fraction kept from an earlier step): a picture is
        // reused only for the fractions it was made for.
        if (!entry.picture || entry.fx != fractionX_ || entry.fy != fractionY_ ||
            entry.picture->GetWidth() != w || entry.picture->GetHeight() != h) {
            entry.picture = NewSurface(w, h);
            if (!entry.picture) return;
            const Ref<ISurface> snapshot = TakeSnapshot();
            if (snapshot) entry.picture->DrawSubPixel(snapshot.get(), fractionX_, fractionY_);
            entry.fx = fractionX_;
            entry.fy = fractionY_;
        }
        cache->Draw(entry.picture.get(), {0, 0, w, h}, {0, 0, w, h}, 255, bm_BltFast);
        return;
    }
    if (const Ref<ISurface> snapshot = TakeSnapshot()) {
        cache->DrawSubPixel(snapshot.get(), fractionX_, fractionY_);
    }
}

// ---------------------------------------------------------------------------
// TZoomWidget

namespace {

// A factor as the setters keep it: a magnitude of 0.01 or less (or no
// number) becomes +0.01.
float ClampZoom(double value) {
    if (!(std::fabs(value) > 0.01)) return 0.01f;
    return static_cast<float>(value);
}

}  // namespace

const TPropertyTable& TZoomWidget::Table() {
    using W = TZoomWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TSmoothMoveWidget::Table())
            .Custom("zoom", [](W& w) { return Variant(double{w.zoomX_}); }, &W::SetZoomProperty)
            .Accessor("zoomx", [](W& w) { return double{w.zoomX_}; }, [](W& w, double v) { w.SetZoomX(v); }).NotStored().NoAssign()
            .Accessor("zoomy", [](W& w) { return double{w.zoomY_}; }, [](W& w, double v) { w.SetZoomY(v); }).NotStored().NoAssign()
            .Accessor("centerx", [](W& w) { return double{w.centerX_}; }, [](W& w, double v) { w.SetCenterX(v); }).NotStored().NoAssign()
            .Accessor("centery", [](W& w) { return double{w.centerY_}; }, [](W& w, double v) { w.SetCenterY(v); }).NotStored().NoAssign()
            .Accessor("smooth", &W::GetSmooth, &W::SetSmooth).NotStored().NoAssign()
            .Build();
    // clang-format on
    return table;
}

void TZoomWidget::SetZoomProperty(TZoomWidget& widget, const Variant& value) {
    const double zoom = value.ToDouble();
    widget.SetZoomX(zoom);
    widget.SetZoomY(zoom);
}

void TZoomWidget::Create() {
    TSmoothMoveWidget::Create();
    smooth_ = true;
}

void TZoomWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TSmoothMoveWidget::LoadFrom(storage);
    smooth_ = ReadBool(storage, "smooth", false);
    const double zoom = ReadFloat(storage, "zoom", 1.0);
    // Stored factors are kept the way the setters keep them: a 0 would
    // divide by zero when points are mapped back.
    zoomX_ = ClampZoom(ReadFloat(storage, "zoomx", zoom));
    zoomY_ = ClampZoom(ReadFloat(storage, "zoomy", zoom));
    centerX_ = static_cast<float>(ReadFloat(storage, "centerx", 0.0));
    centerY_ = static_cast<float>(ReadFloat(storage, "centery", 0.0));
}

void TZoomWidget::SaveTo(const Ref<IHierStorage>& storage) {
    TSmoothMoveWidget::SaveTo(storage);
    WriteBool(storage, "smooth", smooth_, true);
    if (zoomX_ == zoomY_) {
        WriteFloat(storage, "zoom", zoomX_, true);
    } else {
        WriteFloat(storage, "zoomx", zoomX_, true);
        WriteFloat(storage, "zoomy", zoomY_, true);
    }
    WriteFloat(storage, "centerx", centerX_, true);
    WriteFloat(storage, "centery", centerY_, true);
}

void TZoomWidget::SetZoomX(double value) {
    const float zoom = ClampZoom(value);
    if (zoom == zoomX_) return;
    zoomX_ = zoom;
    SetMoved(true);
    SetNeedToRepaint(true);
    UpdateGeometry();
}

void TZoomWidget::SetZoomY(double value) {
    const float zoom = ClampZoom(value);
    if (zoom == zoomY_) return;
    zoomY_ = zoom;
    SetMoved(true);
    SetNeedToRepaint(true);
    UpdateGeometry();
}

void TZoomWidget::SetCenterX(double value) {
    const auto center = static_cast<float>(value);
    if (center == centerX_) return;
    centerX_ = center;
    SetMoved(true);
}

void TZoomWidget::SetCenterY(double value) {
    const auto center = static_cast<float>(value);
    if (center == centerY_) return;
    centerY_ = center;
    SetMoved(true);
}

void TZoomWidget::SetSmooth(bool value) {
    if (value == smooth_) return;
    smooth_ = value;
    SetNeedToRepaint(true);
}

int32_t TZoomWidget::InnerWidth() {
    const Ref<IWidget>& inner = GetInnerWidget();
    return inner ? inner->GetWidth() : 0;
}

int32_t TZoomWidget::InnerHeight() {
    const Ref<IWidget>& inner = GetInnerWidget();
    return inner ? inner->GetHeight() : 0;
}

// A mirrored picture turns about its centre point too: the point lies
// |zoom| * (size - centre) from the cache's left (or top) edge.
int32_t TZoomWidget::AnchorX() {
    const double centre = zoomX_ < 0 ? InnerWidth() - double{centerX_} : double{centerX_};
    return SaturatingTrunc<int32_t>(std::fabs(zoomX_) * centre);
}

int32_t TZoomWidget::AnchorY() {
    const double centre = zoomY_ < 0 ? InnerHeight() - double{centerY_} : double{centerY_};
    return SaturatingTrunc<int32_t>(std::fabs(zoomY_) * centre);
}

double TZoomWidget::GetDrawLeft() {
    if (!GetInnerWidget()) return TSmoothMoveWidget::GetDrawLeft();
    return std::trunc(GetLeft()) - AnchorX();
}

double TZoomWidget::GetDrawTop() {
    if (!GetInnerWidget()) return TSmoothMoveWidget::GetDrawTop();
    return std::trunc(GetTop()) - AnchorY();
}

int32_t TZoomWidget::GetWidth() {
    if (!GetInnerWidget()) return 0;
    return AddClamped(SaturatingTrunc<int32_t>(std::fabs(zoomX_) * InnerWidth()), 1);
}

int32_t TZoomWidget::GetHeight() {
    if (!GetInnerWidget()) return 0;
    return AddClamped(SaturatingTrunc<int32_t>(std::fabs(zoomY_) * InnerHeight()), 1);
}

void TZoomWidget::AdjustDrawPosition(int32_t& x, int32_t& y) {
    x = AddClamped(x, NegateClamped(AnchorX()));
    y = AddClamped(y, NegateClamped(AnchorY()));
}

void TZoomWidget::TransformPoint(int32_t& x, int32_t& y) {
    x = RoundToInt(x / double{zoomX_});
    y = RoundToInt(y / double{zoomY_});
    if (const Ref<IWidget>& inner = GetInnerWidget()) {
        x = AddClamped(x, SaturatingTrunc<int32_t>(inner->GetDrawLeft()));
        y = AddClamped(y, SaturatingTrunc<int32_t>(inner->GetDrawTop()));
    }
    // A mirrored axis counts back from the picture's far edge.
    if (zoomX_ < 0) x = AddClamped(x, InnerWidth());
    if (zoomY_ < 0) y = AddClamped(y, InnerHeight());
}

void TZoomWidget::TransformChild() {
    if (zoomX_ == 1.0f && zoomY_ == 1.0f) {
        lastPath_ = TDrawPath::kShift;
        TSmoothMoveWidget::TransformChild();
        return;
    }
    const Ref<ISurface>& cache = GetCache();
    if (!cache) return;
    // The cache starts at the picture's origin (the far edge when
    // mirrored); AdjustDrawPosition alone places the centre point.
    const double ox = -GetFractionX() / zoomX_;
    const double oy = -GetFractionY() / zoomY_;
    lastPath_ = TDrawPath::kScaled;
    if (const Ref<ISurface> snapshot = TakeSnapshot()) {
        cache->DrawScaled(snapshot.get(), smooth_, zoomX_, zoomY_, ox, oy);
    }
}

// ---------------------------------------------------------------------------
// TRotateWidget

namespace {

// Whole quarter turns are exact, so 360 (or 720) degrees places a picture
// exactly where 0 does.
void SineCosine(double angle, double& sine, double& cosine) {
    const double reduced = std::fmod(angle, 360.0);
    if (reduced == 0) {
        sine = 0, cosine = 1;
    } else if (reduced == 90 || reduced == -270) {
        sine = 1, cosine = 0;
    } else if (reduced == 180 || reduced == -180) {
        sine = 0, cosine = -1;
    } else if (reduced == 270 || reduced == -90) {
        sine = -1, cosine = 0;
    } else {
        const double radians = reduced * std::numbers::pi / 180.0;
        sine = std::sin(radians);
        cosine = std::cos(radians);
    }
}

void RotatePoint(double angle, double& x, double& y) {
    double sine = 0, cosine = 1;
    SineCosine(angle, sine, cosine);
    const double rx = x * cosine - y * sine;
    const double ry = x * sine + y * cosine;
    x = rx;
    y = ry;
}

}  // namespace

const TPropertyTable& TRotateWidget::Table() {
    using W = TRotateWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TZoomWidget::Table())
            .Accessor("angle", &W::GetAngle, &W::SetAngle).NotStored().NoAssign()
            .Build();
    // clang-format on
    return table;
}

void TRotateWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TZoomWidget::LoadFrom(storage);
    angle_ = ReadFloat(storage, "angle", 0.0);
    UpdateGeometry();
}

void TRotateWidget::SaveTo(const Ref<IHierStorage>& storage) {
    TZoomWidget::SaveTo(storage);
    WriteFloat(storage, "angle", angle_, true);
}

void TRotateWidget::UpdateGeometry() {
    const Ref<IWidget>& inner = GetInnerWidget();
    if (!inner) return;
    const int64_t w = inner->GetWidth(), h = inner->GetHeight();
    const double zoom = std::max(std::fabs(double{GetZoomX()}), std::fabs(double{GetZoomY()}));
    radius_ = std::sqrt(double(w * w + h * h)) * zoom / 2.0;
    offsetX_ = static_cast<float>((GetCenterX() - float(w / 2)) * GetZoomX());
    offsetY_ = static_cast<float>((GetCenterY() - float(h / 2)) * GetZoomY());
    RotatePoint(-angle_, offsetX_, offsetY_);
}

void TRotateWidget::SetAngle(double value) {
    if (value == angle_) return;
    angle_ = value;
    SetMoved(true);
    SetNeedToRepaint(true);
    UpdateGeometry();
}

void TRotateWidget::SetCenterX(double value) {
    if (static_cast<float>(value) == GetCenterX()) return;
    TZoomWidget::SetCenterX(value);
    UpdateGeometry();
}

void TRotateWidget::SetCenterY(double value) {
    if (static_cast<float>(value) == GetCenterY()) return;
    TZoomWidget::SetCenterY(value);
    UpdateGeometry();
}

void TRotateWidget::InvalidateCache() {
    TSmoothMoveWidget::InvalidateCache();
    UpdateGeometry();
}

double TRotateWidget::GetDrawLeft() {
    if (!GetInnerWidget()) return TZoomWidget::GetDrawLeft();
    return std::trunc(GetLeft()) - std::trunc(radius_) - std::trunc(offsetX_);
}

double TRotateWidget::GetDrawTop() {
    if (!GetInnerWidget()) return TZoomWidget::GetDrawTop();
    return std::trunc(GetTop()) - std::trunc(radius_) - std::trunc(offsetY_);
}

int32_t TRotateWidget::GetWidth() {
    if (!GetInnerWidget()) return 0;
    return AddClamped(SaturatingTrunc<int32_t>(2.0 * radius_), 1);
}

int32_t TRotateWidget::GetHeight() {
    return GetWidth();
}

void TRotateWidget::AdjustDrawPosition(int32_t& x, int32_t& y) {
    const int32_t r = SaturatingTrunc<int32_t>(radius_);
    x = AddClamped(AddClamped(x, NegateClamped(r)), NegateClamped(SaturatingTrunc<int32_t>(offsetX_)));
    y = AddClamped(AddClamped(y, NegateClamped(r)), NegateClamped(SaturatingTrunc<int32_t>(offsetY_)));
}

void TRotateWidget::TransformPoint(int32_t& x, int32_t& y) {
    // Turned and scaled in reals and rounded once: truncating the turned
    // point first would put the mouse up to two pixels off the drawing.
    const double r = std::trunc(radius_);
    double px = x - r, py = y - r;
    RotatePoint(angle_, px, py);
    x = RoundToInt(px / GetZoomX());
    y = RoundToInt(py / GetZoomY());
    // Mirroring turns about the picture's middle here, so the zoom widget's
    // far-edge anchor does not apply.
    if (const Ref<IWidget>& inner = GetInnerWidget()) {
        x = AddClamped(x, SaturatingTrunc<int32_t>(inner->GetDrawLeft()) + InnerWidth() / 2);
        y = AddClamped(y, SaturatingTrunc<int32_t>(inner->GetDrawTop()) + InnerHeight() / 2);
    }
}

void TRotateWidget::TransformChild() {
    const Ref<ISurface>& cache = GetCache();
    if (!cache || !GetInnerWidget()) return;
    const int32_t w = InnerWidth(), h = InnerHeight();
    const double r = std::trunc(radius_);
    const double fx = GetFractionX(), fy = GetFractionY();
    const double zx = GetZoomX(), zy = GetZoomY();
    // Every path shows the picture's middle at the cache point (R, R); the
    // centre point's offset is AdjustDrawPosition's alone.
    if (angle_ == 0.0 || angle_ == 360.0) {
        if (zx == 1.0 && zy == 1.0) {
            SetLastDrawPath(TDrawPath::kShift);
            if (const Ref<ISurface> snapshot = TakeSnapshot()) {
                cache->DrawSubPixel(snapshot.get(), fx - w / 2 + r, fy - h / 2 + r);
            }
            return;
        }
        const double cx = zx > 0 ? w / 2 : -w / 2;
        const double cy = zy > 0 ? h / 2 : -h / 2;
        SetLastDrawPath(TDrawPath::kScaled);
        if (const Ref<ISurface> snapshot = TakeSnapshot()) {
            cache->DrawScaled(snapshot.get(), GetSmooth(), zx, zy, cx - r / zx - fx / zx,
                              cy - r / zy - fy / zy);
        }
        return;
    }
    const double ax = (w / 2 - r) - fx / zx;
    const double ay = (h / 2 - r) - fy / zy;
    SetLastDrawPath(TDrawPath::kRotated);
    if (const Ref<ISurface> snapshot = TakeSnapshot()) {
        const int32_t centre = SaturatingTrunc<int32_t>(r);
        cache->DrawRotated(snapshot.get(), centre, centre, angle_, GetSmooth(), zx, zy, ax, ay);
    }
}

// ---------------------------------------------------------------------------
// TTimedRotateWidget

const TPropertyTable& TTimedRotateWidget::Table() {
    using W = TTimedRotateWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TRotateWidget::Table())
            .Field("rotate", &W::rotate_, false).SaveAlways()
            .Field("startangle", &W::startAngle_, 0.0).SaveAlways()
            .Field("rotationtime", &W::rotationTime_, 1000).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

void TTimedRotateWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TRotateWidget::LoadFrom(storage);
    StoreAngle(startAngle_);
    // The offsets follow the angle at once, so the first drawing already
    // keeps the centre point in place.
    UpdateGeometry();
}

void TTimedRotateWidget::DoUpdate(int32_t elapsedMs) {
    TRotateWidget::DoUpdate(elapsedMs);
    // A turn of no time (or less) has no speed: the widget does not turn.
    if (GetCurrentTime() < 0 || !rotate_ || rotationTime_ <= 0) return;
    SetAngle(startAngle_ - GetCurrentTime() * 360.0 / rotationTime_);
}
