// The transform widgets that keep the picture's scale: masked, cut sector,
// contour and scroll area; and the registration of the whole family.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "core/base/Log.h"
#include "core/object/GeneralClasses.h"
#include "effects/TransformInternal.h"
#include "effects/TransformWidgets.h"
#include "engine/interfaces/EngineInterfaces.h"
#include "engine/resources/EngineImages.h"
#include "widgets/ImageWidgets.h"

using namespace transform_widgets;

void RegisterTransformWidgetClasses() {
    RegisterObjectClass(ClassOf<TSmoothMoveWidget>(), "smooth_move_widget");
    RegisterObjectClass(ClassOf<TZoomWidget>(), "zoom_widget");
    RegisterObjectClass(ClassOf<TRotateWidget>(), "rotate_widget");
    RegisterObjectClass(ClassOf<TTimedRotateWidget>(), "rotate_widget_timed");
    RegisterObjectClass(ClassOf<TMaskedSurfaceWidget>(), "masked_widget");
    RegisterObjectClass(ClassOf<TCutSectorWidget>(), "cutsector_widget");
    RegisterObjectClass(ClassOf<TContourWidget>(), "contour_widget");
    RegisterObjectClass(ClassOf<TScrollAreaWidget>(), "scrollarea_widget");
}

namespace {

// round(inner left - inner bounds' left): how far the inner widget's
// position lies from its bounds' corner.
int32_t InnerOffsetX(IWidget& inner) {
    return RoundToInt(inner.GetLeft() - inner.GetBounds().left);
}

int32_t InnerOffsetY(IWidget& inner) {
    return RoundToInt(inner.GetTop() - inner.GetBounds().top);
}

}  // namespace

// ---------------------------------------------------------------------------
// TMaskedSurfaceWidget

const TPropertyTable& TMaskedSurfaceWidget::Table() {
    using W = TMaskedSurfaceWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TTransformWidget::Table())
            .Field("resourcename", &W::resourceName_).SaveAlways().StorageOnly()
            .Build();
    // clang-format on
    return table;
}

int32_t TMaskedSurfaceWidget::GetWidth() {
    return GetInnerWidget() ? GetInnerWidget()->GetWidth() : 0;
}

int32_t TMaskedSurfaceWidget::GetHeight() {
    return GetInnerWidget() ? GetInnerWidget()->GetHeight() : 0;
}

void TMaskedSurfaceWidget::TransformChild() {
    const Ref<ISurface>& cache = GetCache();
    const Ref<IWidget>& inner = GetInnerWidget();
    if (!cache || !inner) return;
    const Ref<IEngine> engine = GetEngine();
    // A resource of another kind under the name counts as no mask.
    const Ref<IImageResource> image =
        engine ? Query<IImageResource>(engine->GetResource(resourceName_)) : nullptr;
    const Ref<ISurface> mask = image ? image->GetSurface() : nullptr;
    if (!mask) {
        if (!maskLogged_) {
            LogProblem("the mask \"" + resourceName_ +
                       "\" is no image that can be read; nothing is drawn");
        }
        maskLogged_ = true;
        return;
    }
    maskLogged_ = false;
    const Ref<ISurface> snapshot = inner->GetSnapshot();
    if (!snapshot) return;
    const TRect bounds = inner->GetBounds();
    cache->DrawMasked(snapshot.get(), bounds, mask.get(), {0, 0, mask->GetWidth(), mask->GetHeight()},
                      {0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top});
}

// ---------------------------------------------------------------------------
// TCutSectorWidget

const TPropertyTable& TCutSectorWidget::Table() {
    using W = TCutSectorWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TTransformWidget::Table())
            .Accessor("centerx", [](W& w) { return double{w.centerX_}; }, &W::SetCenterX).NotStored().NoAssign()
            .Accessor("centery", [](W& w) { return double{w.centerY_}; }, &W::SetCenterY).NotStored().NoAssign()
            .Accessor("startangle", [](W& w) { return double{w.startAngle_}; }, &W::SetStartAngle).NotStored().NoAssign()
            .Accessor("endangle", [](W& w) { return double{w.endAngle_}; }, &W::SetEndAngle).NotStored().NoAssign()
            .Field("centerx", &W::centerX_, 0.0f).SaveAlways().StorageOnly()
            .Field("centery", &W::centerY_, 0.0f).SaveAlways().StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TCutSectorWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TTransformWidget::LoadFrom(storage);
    SetStartAngle(ReadFloat(storage, "startangle", 0.0));
    SetEndAngle(ReadFloat(storage, "endangle", 0.0));
}

void TCutSectorWidget::SaveTo(const Ref<IHierStorage>& storage) {
    TTransformWidget::SaveTo(storage);
    WriteFloat(storage, "startangle", startAngle_, true);
    WriteFloat(storage, "endangle", endAngle_, true);
}

namespace {

void SetIfDifferent(float& field, double value, TTransformWidget& widget) {
    const auto v = static_cast<float>(value);
    if (v == field) return;
    field = v;
    widget.SetChanged(true);
    widget.SetNeedToRepaint(true);
}

}  // namespace

void TCutSectorWidget::SetCenterX(double value) {
    SetIfDifferent(centerX_, value, *this);
}

void TCutSectorWidget::SetCenterY(double value) {
    SetIfDifferent(centerY_, value, *this);
}

void TCutSectorWidget::SetStartAngle(double value) {
    SetIfDifferent(startAngle_, value, *this);
}

void TCutSectorWidget::SetEndAngle(double value) {
    SetIfDifferent(endAngle_, value, *this);
}

int32_t TCutSectorWidget::GetWidth() {
    return GetInnerWidget() ? GetInnerWidget()->GetWidth() : 0;
}

int32_t TCutSectorWidget::GetHeight() {
    return GetInnerWidget() ? GetInnerWidget()->GetHeight() : 0;
}

double TCutSectorWidget::GetDrawLeft() {
    const Ref<IWidget>& inner = GetInnerWidget();
    const double left = TTransformWidget::GetDrawLeft();
    return inner ? left - RoundToInt(inner->GetLeft() - inner->GetDrawLeft()) : left;
}

double TCutSectorWidget::GetDrawTop() {
    const Ref<IWidget>& inner = GetInnerWidget();
    const double top = TTransformWidget::GetDrawTop();
    return inner ? top - RoundToInt(inner->GetTop() - inner->GetDrawTop()) : top;
}

void TCutSectorWidget::AdjustDrawPosition(int32_t& x, int32_t& y) {
    const Ref<IWidget>& inner = GetInnerWidget();
    if (!inner) return;
    x = AddClamped(x, NegateClamped(RoundToInt(inner->GetLeft() - inner->GetDrawLeft())));
    y = AddClamped(y, NegateClamped(RoundToInt(inner->GetTop() - inner->GetDrawTop())));
}

void TCutSectorWidget::TransformChild() {
    const Ref<ISurface>& cache = GetCache();
    const Ref<IWidget>& inner = GetInnerWidget();
    if (!cache || !inner) return;
    inner->Render(*cache, InnerOffsetX(*inner), InnerOffsetY(*inner));
    ClearSector(*cache);
}

namespace {

// The sector test on an angle already in degrees. Its answer changes only
// where the angle crosses the start, the end, 0 or one of them moved by a
// multiple of 360 degrees.
template <class F>
bool AngleInSector(F a, F s, F e) {
    if (s < 0) {
        if (a < s) a += 360;
        s += 360;
        e += 360;
        a += 360;
    }
    if (a < 0) a += 360;
    return s <= a && a < e;
}

// Pixels this close to a place where a row crosses an edge of the sector
// are given the exact test.
constexpr double kEdgeMargin = 2.0;

}  // namespace

bool TCutSectorWidget::InSector(float dx, float dy) const {
    const float a = std::atan2(dy, dx) * (180.0f / std::numbers::pi_v<float>);
    return AngleInSector<float>(a, startAngle_, endAngle_);
}

void TCutSectorWidget::ClearSector(ISurface& surface) const {
    const int32_t width = surface.GetWidth(), height = surface.GetHeight();
    if (width <= 0 || height <= 0) return;
    // Along a row the direction turns one way only, and the test's answer
    // changes only where it crosses the start or the end moved by a multiple
    // of 360 degrees. So each row is cut into runs between the places where
    // it meets those rays: a run takes the answer of one exact test, and the
    // pixels near a crossing are tested one by one.
    struct TEdge {
        bool down;  // the ray points down the screen (else up)
        double cotangent;
    };
    TEdge edges[28];
    int count = 0;
    const bool finite = std::isfinite(startAngle_) && std::isfinite(endAngle_);
    for (const double base : {double{startAngle_}, double{endAngle_}}) {
        for (int k = -3; k <= 3 && finite; ++k) {
            const double angle = base + 360.0 * k;
            if (angle <= -180 || angle >= 180 || angle == 0) continue;
            const double radians = angle * std::numbers::pi / 180.0;
            edges[count++] = {angle > 0, std::cos(radians) / std::sin(radians)};
        }
    }
    std::vector<double> crossings;
    crossings.reserve(size_t(count) + 1);
    for (int32_t y = 0; y < height; ++y) {
        uint32_t* row = surface.GetScanLine(y);
        if (!row) return;
        const float dy = static_cast<float>(y) - centerY_;
        auto exact = [&](int32_t x) { return InSector(static_cast<float>(x) - centerX_, dy); };
        if (!finite || dy == 0) {
            // The row through the centre: the direction jumps there.
            for (int32_t x = 0; x < width; ++x) {
                if (exact(x)) row[x] = 0;
            }
            continue;
        }
        crossings.clear();
        for (int i = 0; i < count; ++i) {
            if (edges[i].down != (dy > 0)) continue;
            crossings.push_back(double{centerX_} + double{dy} * edges[i].cotangent);
        }
        std::sort(crossings.begin(), crossings.end());
        crossings.push_back(std::numeric_limits<double>::infinity());
        int32_t x = 0;
        size_t next = 0;
        while (x < width) {
            while (crossings[next] + kEdgeMargin < x) ++next;
            const double nearStart = crossings[next] - kEdgeMargin;
            if (x >= nearStart) {
                // Near a crossing: pixel by pixel.
                if (exact(x)) row[x] = 0;
                ++x;
                continue;
            }
            const int32_t end =
                nearStart >= width ? width : std::max(x + 1, static_cast<int32_t>(std::ceil(nearStart)));
            if (exact(x)) std::fill(row + x, row + end, 0u);
            x = end;
        }
    }
}

// ---------------------------------------------------------------------------
// TContourWidget

const TPropertyTable& TContourWidget::Table() {
    using W = TContourWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TTransformWidget::Table())
            .Accessor("showcontour", &W::GetShowContour, &W::SetShowContour).NotStored().NoAssign()
            .Accessor("contourthickness", &W::GetContourThickness, &W::SetContourThickness).NotStored().NoAssign()
            .Custom("contourcolor", [](W& w) { return Variant(int64_t{w.contourColor_}); }, &W::SetColorProperty)
            .Accessor("alphalimit", &W::GetAlphaLimit, &W::SetAlphaLimit).NotStored().NoAssign()
            .Field("alphalimit", &W::alphaLimit_, 0).SaveAlways().StorageOnly()
            .Field("contourcolor", &W::contourColor_, 0u).Color().SaveAlways().StorageOnly()
            .Field("contourthickness", &W::thickness_, 1).SaveAlways().StorageOnly()
            .Field("showcontour", &W::showContour_, true).SaveAlways().StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TContourWidget::SetColorProperty(TContourWidget& widget, const Variant& value) {
    widget.SetContourColor(ColorFromVariant(value));
}

void TContourWidget::SetShowContour(bool value) {
    if (value == showContour_) return;
    showContour_ = value;
    SetNeedToRepaint(true);
    SetChanged(true);
}

void TContourWidget::SetContourThickness(int32_t value) {
    if (value == thickness_) return;
    thickness_ = value;
    SetNeedToRepaint(true);
    SetChanged(true);
    // The widget grows or shrinks with the outline: the old area too must
    // be drawn again.
    SetMoved(true);
}

void TContourWidget::SetAlphaLimit(int32_t value) {
    if (value == alphaLimit_) return;
    alphaLimit_ = value;
    SetNeedToRepaint(true);
    SetChanged(true);
}

void TContourWidget::SetContourColor(uint32_t value) {
    if (value == contourColor_) return;
    contourColor_ = value;
    SetChanged(true);
    // The outline is in the cache: without a repaint the old colour stays.
    SetNeedToRepaint(true);
}

int32_t TContourWidget::Thickness() const {
    return std::min(thickness_, kMaxContourThickness);
}

int32_t TContourWidget::GetWidth() {
    const Ref<IWidget>& inner = GetInnerWidget();
    return inner ? AddClamped(inner->GetWidth(), 2 * Thickness()) : 0;
}

int32_t TContourWidget::GetHeight() {
    const Ref<IWidget>& inner = GetInnerWidget();
    return inner ? AddClamped(inner->GetHeight(), 2 * Thickness()) : 0;
}

TRect TContourWidget::GetBounds() {
    const Ref<IWidget>& inner = GetInnerWidget();
    const int32_t left = RoundToInt(GetLeft()), top = RoundToInt(GetTop());
    if (!inner) return {left, top, left, top};
    const TRect b = inner->GetBounds();
    const int32_t t = Thickness();
    const int32_t l = AddClamped(AddClamped(left, NegateClamped(InnerOffsetX(*inner))), -t);
    const int32_t tp = AddClamped(AddClamped(top, NegateClamped(InnerOffsetY(*inner))), -t);
    return {l, tp, AddClamped(AddClamped(l, 2 * t), AddClamped(b.right, NegateClamped(b.left))),
            AddClamped(AddClamped(tp, 2 * t), AddClamped(b.bottom, NegateClamped(b.top)))};
}

double TContourWidget::GetDrawLeft() {
    const Ref<IWidget>& inner = GetInnerWidget();
    const double left = TTransformWidget::GetDrawLeft();
    if (!inner) return left;
    return left - RoundToInt(inner->GetLeft() - inner->GetDrawLeft()) - Thickness();
}

double TContourWidget::GetDrawTop() {
    const Ref<IWidget>& inner = GetInnerWidget();
    const double top = TTransformWidget::GetDrawTop();
    if (!inner) return top;
    return top - RoundToInt(inner->GetTop() - inner->GetDrawTop()) - Thickness();
}

void TContourWidget::AdjustDrawPosition(int32_t& x, int32_t& y) {
    const Ref<IWidget>& inner = GetInnerWidget();
    if (!inner) return;
    const int32_t t = Thickness();
    x = AddClamped(AddClamped(x, NegateClamped(InnerOffsetX(*inner))), -t);
    y = AddClamped(AddClamped(y, NegateClamped(InnerOffsetY(*inner))), -t);
}

void TContourWidget::TransformChild() {
    const Ref<ISurface>& cache = GetCache();
    const Ref<IWidget>& inner = GetInnerWidget();
    if (!cache || !inner) return;
    const int32_t t = Thickness();
    const int32_t ox = AddClamped(t, InnerOffsetX(*inner));
    const int32_t oy = AddClamped(t, InnerOffsetY(*inner));
    if (!showContour_) {
        if (inner->GetVisible()) inner->Render(*cache, ox, oy);
        return;
    }
    const Ref<ISurface> traced = NewSurface(cache->GetWidth(), cache->GetHeight());
    if (!traced) return;
    inner->Render(*traced, ox, oy);
    const int32_t w = cache->GetWidth(), h = cache->GetHeight();
    if (inner->GetVisible()) cache->Draw(traced.get(), {0, 0, w, h}, {0, 0, w, h}, 255, bm_Normal);
    TraceContour(*traced, *cache);
}

void TContourWidget::TraceContour(const ISurface& traced, ISurface& cache) const {
    if (Thickness() <= 0) return;
    const int32_t w = cache.GetWidth(), h = cache.GetHeight();
    for (int32_t x = 0; x < w; ++x) {
        for (int32_t y = 0; y < h; ++y) {
            uint32_t pixel = 0;
            traced.GetPixelFast(x, y, pixel);
            if (int32_t(pixel >> 24) > alphaLimit_) PlotContour(traced, cache, x, y);
        }
    }
}

void TContourWidget::PaintContourPixel(const ISurface& traced, ISurface& cache, double coverage,
                                       int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= traced.GetWidth() || y >= traced.GetHeight()) return;
    uint32_t under = 0;
    traced.GetPixelFast(x, y, under);
    if (int32_t(under >> 24) > alphaLimit_) return;
    uint32_t pixel = 0;
    cache.GetPixel(x, y, pixel);
    uint32_t alpha = uint32_t(RoundToInt((contourColor_ >> 24) * coverage));
    alpha = std::max(alpha, pixel >> 24);
    cache.SetPixel(x, y, (contourColor_ & 0x00FFFFFFu) | (alpha << 24));
}

void TContourWidget::PlotContour(const ISurface& traced, ISurface& cache, int32_t x,
                                 int32_t y) const {
    const int32_t t = Thickness();
    const int32_t w = traced.GetWidth(), h = traced.GetHeight();
    auto inside = [&](int32_t px, int32_t py) { return px >= 0 && py >= 0 && px < w && py < h; };
    auto solid = [&](int32_t px, int32_t py) {
        uint32_t pixel = 0;
        traced.GetPixelFast(px, py, pixel);
        return int32_t(pixel >> 24) > alphaLimit_;
    };
    // Up, down, left, right.
    static constexpr int32_t kArmX[4] = {0, 0, -1, 1};
    static constexpr int32_t kArmY[4] = {-1, 1, 0, 0};
    if (t == 1) {
        bool blocked[4];
        for (int arm = 0; arm < 4; ++arm) {
            const int32_t px = x + kArmX[arm], py = y + kArmY[arm];
            blocked[arm] = inside(px, py) && solid(px, py);
            PaintContourPixel(traced, cache, 1.0, px, py);
        }
        // Diagonals: upper-left, lower-left, upper-right, lower-right, each
        // between a vertical and a horizontal arm.
        static constexpr int kVertical[4] = {0, 1, 0, 1};
        static constexpr int kHorizontal[4] = {2, 2, 3, 3};
        for (int d = 0; d < 4; ++d) {
            const int v = kVertical[d], hz = kHorizontal[d];
            if (blocked[v] || blocked[hz]) continue;
            PaintContourPixel(traced, cache, 0.5, x + kArmX[hz], y + kArmY[v]);
        }
        return;
    }
    if (t <= 0) return;
    int32_t reach[4];
    for (int arm = 0; arm < 4; ++arm) {
        reach[arm] = t;
        for (int32_t d = 1; d <= t; ++d) {
            const int32_t px = x + kArmX[arm] * d, py = y + kArmY[arm] * d;
            if (!inside(px, py)) continue;
            if (solid(px, py)) {
                reach[arm] = d - 1;
                break;
            }
            PaintContourPixel(traced, cache, std::min(1.0, double(t) * t / (double(d) * d)), px, py);
        }
    }
    static constexpr int kVertical[4] = {0, 1, 0, 1};
    static constexpr int kHorizontal[4] = {2, 2, 3, 3};
    for (int q = 0; q < 4; ++q) {
        const int32_t rv = reach[kVertical[q]], rh = reach[kHorizontal[q]];
        if (rv <= 0 || rh <= 0) continue;
        const int32_t sy = kArmY[kVertical[q]], sx = kArmX[kHorizontal[q]];
        for (int32_t dy = rv; dy >= 1; --dy) {
            for (int32_t dx = rh; dx >= 1; --dx) {
                const double coverage = std::min(1.0, double(t) * t / (double(dx) * dx + double(dy) * dy));
                PaintContourPixel(traced, cache, coverage, x + sx * dx, y + sy * dy);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// TScrollAreaWidget

const TPropertyTable& TScrollAreaWidget::Table() {
    using W = TScrollAreaWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TTransformWidget::Table())
            .Accessor("width", &W::GetWidth, &W::SetAreaWidth).NotStored().NoAssign()
            .Accessor("height", &W::GetHeight, &W::SetAreaHeight).NotStored().NoAssign()
            .Accessor("shifttop", &W::GetShiftTop, &W::SetShiftTop).NotStored().NoAssign()
            .Accessor("shiftleft", &W::GetShiftLeft, &W::SetShiftLeft).NotStored().NoAssign()
            .Field("width", &W::width_, 0).SaveAlways().StorageOnly()
            .Field("height", &W::height_, 0).SaveAlways().StorageOnly()
            .Field("shiftleft", &W::shiftLeft_, 0).StorageOnly()
            .Field("shifttop", &W::shiftTop_, 0).StorageOnly()
            .Build();
    // clang-format on
    return table;
}

namespace {

void SetIfDifferent(int32_t& field, int32_t value, TTransformWidget& widget) {
    if (value == field) return;
    field = value;
    widget.SetMoved(true);
    widget.SetNeedToRepaint(true);
}

}  // namespace

void TScrollAreaWidget::SetAreaWidth(int32_t value) {
    SetIfDifferent(width_, value, *this);
}

void TScrollAreaWidget::SetAreaHeight(int32_t value) {
    SetIfDifferent(height_, value, *this);
}

void TScrollAreaWidget::SetShiftLeft(int32_t value) {
    SetIfDifferent(shiftLeft_, value, *this);
}

void TScrollAreaWidget::SetShiftTop(int32_t value) {
    SetIfDifferent(shiftTop_, value, *this);
}

void TScrollAreaWidget::TransformChild() {
    const Ref<ISurface>& cache = GetCache();
    const Ref<IWidget>& inner = GetInnerWidget();
    if (!cache || !inner) return;
    inner->Render(*cache, AddClamped(RoundToInt(inner->GetLeft()), NegateClamped(shiftLeft_)),
                  AddClamped(RoundToInt(inner->GetTop()), NegateClamped(shiftTop_)));
}

void TScrollAreaWidget::TransformPoint(int32_t& x, int32_t& y) {
    x = AddClamped(x, shiftLeft_);
    y = AddClamped(y, shiftTop_);
}
