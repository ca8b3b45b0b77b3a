#include "effects/CurvesWidget.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/base/Log.h"
#include "core/persist/ValueText.h"
#include "effects/ParticlesCommon.h"

namespace {

// The area a curve may cover.
constexpr int32_t kCurveAreaWidth = 800;
constexpr int32_t kCurveAreaHeight = 600;

int32_t Clamp32(int64_t value) {
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

}  // namespace

TCurveWidget::TCurveWidget()
    : antialiaser_(std::make_unique<TAntialiaser>(
          1,
          [this](int32_t x, int32_t y, double coverage, ISurface* target) {
              AntialiasStamp(x, y, coverage, target);
          },
          1.0)) {}

TCurveWidget::~TCurveWidget() {
    if (function_ && functionBound_) function_->ReleaseOwner();
}

const TPropertyTable& TCurveWidget::Table() {
    using W = TCurveWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TGroupWidget::Table())
            .Accessor("curve_time", &W::CurveTime, &W::SetCurveTime, 100000).SaveAlways().StorageOnly()
            .Field("draw_shift", &W::drawShift_, 1.0f).SaveAlways().StorageOnly()
            .Field("smooth", &W::smooth_, true).SaveAlways().StorageOnly()
            .Field("stepping", &W::stepping_, false).SaveAlways().StorageOnly()
            .Field("drawtime", &W::drawTime_, 1000).SaveAlways().StorageOnly()
            .Field("drawmode", &W::drawMode_, kDrawModeFillColor).Enum(kDrawModeNames).SaveAlways().StorageOnly()
            .Field("blendingmode", &W::blendingMode_, 0).Enum(kBlendingModeNames).SaveAlways().StorageOnly()
            .Field("fillcolor", &W::fillColor_, 0xFFFFFFFFu).Color().SaveAlways().StorageOnly()
            .Custom("fillcolor", &W::FillColorProperty, &W::SetFillColorProperty)
            .Custom("drawmode", &W::DrawModeProperty, &W::SetDrawModeProperty)
            .Custom("state", &W::StateProperty, nullptr)
            .Custom("stepping_direction", nullptr, &W::SetSteppingDirectionProperty)
            .Custom("currentT", nullptr, &W::SetCurrentTProperty)
            .Build();
    // clang-format on
    return table;
}

Variant TCurveWidget::FillColorProperty(TCurveWidget& widget) {
    return Variant(int32_t(widget.fillColor_));
}

void TCurveWidget::SetFillColorProperty(TCurveWidget& widget, const Variant& value) {
    Variant color;
    if (ParseValueText(TValueForm::kColor, "", value.ToString(), color)) {
        widget.fillColor_ = uint32_t(color.ToInt64());
    }
}

Variant TCurveWidget::DrawModeProperty(TCurveWidget& widget) {
    return Variant(int32_t(widget.drawMode_));
}

void TCurveWidget::SetDrawModeProperty(TCurveWidget& widget, const Variant& value) {
    widget.drawMode_ = value.ToString() == "copyrect" ? kDrawModeCopyRect : kDrawModeFillColor;
}

Variant TCurveWidget::StateProperty(TCurveWidget& widget) {
    return Variant(int32_t(widget.state_));
}

void TCurveWidget::SetSteppingDirectionProperty(TCurveWidget& widget, const Variant& value) {
    const double direction = value.ToDouble();
    if (direction == 1) {
        widget.direction_ = 1;
        widget.currentT_ = 0.0;
    } else if (direction == -1) {
        widget.direction_ = -1;
        widget.currentT_ = 1.0;
    } else {
        widget.direction_ = 0;
    }
}

void TCurveWidget::SetCurrentTProperty(TCurveWidget& widget, const Variant& value) {
    widget.currentT_ = value.ToDouble();
}

void TCurveWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    if (function_ && functionBound_) function_->ReleaseOwner();
    functionBound_ = false;
    function_ = nullptr;
    TGroupWidget::LoadFrom(storage);
    if (!storage || storage->GetChildCount("function") == 0) return;
    function_ = Query<IPathFunction>(CreateTypedChildObject(storage, "function", 0));
    if (!function_) {
        const Ref<IHierStorage> node = storage->GetChild("function", 0);
        Log("WIDGET", node->GetPath() + ": the type \"" + ReadString(node, "type", "") +
                          "\" makes no motion path; the curve has none");
    }
}

void TCurveWidget::SaveTo(const Ref<IHierStorage>& storage) {
    TGroupWidget::SaveTo(storage);
    if (function_) SaveChildObject(Ref<IInterface>(function_), storage, "function");
}

void TCurveWidget::ClearContent() {
    if (function_ && functionBound_) function_->ReleaseOwner();
    functionBound_ = false;
    function_ = nullptr;
    TGroupWidget::ClearContent();
}

void TCurveWidget::Attach(IWidgetOwner* owner) {
    TGroupWidget::Attach(owner);
    if (function_) {
        function_->SetOwner(nullptr);
        functionBound_ = true;
    }
    brush_ = nullptr;
    if (IWidget* brush = Children().WidgetAtIndex(0)) brush_ = Weak<IWidget>(brush);
    drawnWidth_ = drawnHeight_ = 0;
    needsRedraw_ = true;
    drawnCount_ = 0;
    direction_ = 1;
    state_ = stepping_ ? 0 : 1;
}

void TCurveWidget::Detach() {
    if (function_ && functionBound_) function_->ReleaseOwner();
    functionBound_ = false;
    brush_ = nullptr;
    curveSurface_ = nullptr;
    brushPicture_ = nullptr;
    TGroupWidget::Detach();
}

void TCurveWidget::SetFunction(const Ref<IPathFunction>& function) {
    if (function_ && functionBound_ && function_ != function) function_->ReleaseOwner();
    functionBound_ = false;
    function_ = function;
    if (function_) {
        // A path computes nothing until it is bound.
        function_->SetOwner(nullptr);
        functionBound_ = true;
        function_->Prepare();
    }
    needsRedraw_ = true;
}

void TCurveWidget::RestartCurve() {
    if (function_) function_->Prepare();
    needsRedraw_ = true;
}

void TCurveWidget::SetDrawShift(float value) {
    drawShift_ = value;
    needsRedraw_ = true;
}

bool TCurveWidget::HasPieces() {
    return function_ && brush_.Get() && drawShift_ > 0;
}

int32_t TCurveWidget::CountPoints() {
    if (!function_ || !(drawShift_ > 0)) return 0;
    const double points = function_->GetLength() / drawShift_;
    if (!(points > 0)) return 0;  // NaN too
    return std::min(RoundInt(points), kMaxCurvePoints);
}

TRect TCurveWidget::GetBounds() {
    if (!needsRedraw_) return bounds_;
    const Ref<IWidget> brush = brush_.Lock();
    if (!function_ || !brush || !(drawShift_ > 0)) return {};
    const int64_t growX = int64_t{brush->GetWidth()} + 1;
    const int64_t growY = int64_t{brush->GetHeight()} + 1;
    function_->Prepare();
    TRect path;
    function_->GetBounds(path);
    bounds_ = {int32_t(std::clamp<int64_t>(path.left - growX, 0, kCurveAreaWidth)),
               int32_t(std::clamp<int64_t>(path.top - growY, 0, kCurveAreaHeight)),
               int32_t(std::clamp<int64_t>(path.right + growX, 0, kCurveAreaWidth)),
               int32_t(std::clamp<int64_t>(path.bottom + growY, 0, kCurveAreaHeight))};
    return bounds_;
}

void TCurveWidget::RedrawCurve() {
    if (!HasPieces()) return;
    const TRect bounds = GetBounds();
    const int32_t width = int32_t(std::max<int64_t>(bounds.Width(), 0));
    const int32_t height = int32_t(std::max<int64_t>(bounds.Height(), 0));
    if (!curveSurface_) {
        const Ref<IEngine> engine = GetEngine();
        if (!engine) return;
        curveSurface_ = engine->CreateSurface();
        if (!curveSurface_) return;
        curveSurface_->SetTransparent(true);
    }
    if (curveSurface_->GetWidth() < width || curveSurface_->GetHeight() < height) {
        curveSurface_->SetSize(std::max(curveSurface_->GetWidth(), width),
                               std::max(curveSurface_->GetHeight(), height));
    }
    if (!needsRedraw_) return;
    drawnWidth_ = width;
    drawnHeight_ = height;
    curveSurface_->Clear();
    stamps_ = 0;
    const Ref<IWidget> brush = brush_.Lock();
    brushPicture_ = brush ? brush->GetSnapshot() : nullptr;
    brushLeft_ = brush ? RoundInt(brush->GetLeft()) : 0;
    brushTop_ = brush ? RoundInt(brush->GetTop()) : 0;
    pointCount_ = CountPoints();
    if (!stepping_) drawnCount_ = pointCount_;
    if (pointCount_ == 0) {
        // A path of no length: tried again at the next use.
        brushPicture_ = nullptr;
        return;
    }
    function_->SetValue("TotalTime", pointCount_);
    antialiaser_->Reset();
    ISurface* target = curveSurface_.get();
    const int32_t last = std::min(drawnCount_, pointCount_);
    for (int32_t i = 0; i <= last; ++i) {
        function_->CalculateAt(i);
        const double x = function_->GetX();
        const double y = function_->GetY();
        if (smooth_) {
            antialiaser_->AddPointF(float(x - bounds.left), float(y - bounds.top), target);
        } else {
            StampBrush(brushPicture_.get(), target, Clamp32(int64_t{RoundInt(x)} - bounds.left),
                       Clamp32(int64_t{RoundInt(y)} - bounds.top), GetTransparentLevel());
        }
    }
    if (smooth_) antialiaser_->Flush(target);
    needsRedraw_ = false;
    brushPicture_ = nullptr;
}

void TCurveWidget::StampBrush(ISurface* brush, ISurface* target, int32_t x, int32_t y,
                              uint8_t alpha) {
    if (!brush || !target) return;
    const int32_t w = brush->GetWidth();
    const int32_t h = brush->GetHeight();
    const TRect source{0, 0, w, h};
    const TRect destination = PlaceRect(x, y, w, h);
    ++stamps_;
    if (drawMode_ == kDrawModeCopyRect) {
        target->Draw(brush, source, destination, alpha, TBlendingMode(blendingMode_));
    } else {
        target->DrawColored(fillColor_, brush, source, destination, alpha,
                            TBlendingMode(blendingMode_));
    }
}

void TCurveWidget::AntialiasStamp(int32_t x, int32_t y, double coverage, ISurface* target) {
    StampBrush(brushPicture_.get(), target, Clamp32(int64_t{x} + brushLeft_),
               Clamp32(int64_t{y} + brushTop_), ClampChannel(255 * coverage));
}

void TCurveWidget::Render(ISurface& surface, int32_t x, int32_t y) {
    if (!HasPieces()) return;
    RedrawCurve();
    if (!curveSurface_) return;
    const TRect bounds = GetBounds();
    const TRect destination =
        PlaceRect(int64_t{x} + RoundInt(bounds.left - GetLeft()),
                  int64_t{y} + RoundInt(bounds.top - GetTop()), drawnWidth_, drawnHeight_);
    surface.Draw(curveSurface_.get(), {0, 0, drawnWidth_, drawnHeight_}, destination,
                 GetTransparentLevel(), bm_Normal);
}

bool TCurveWidget::ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) {
    if (!HasPieces() || !TGroupWidget::ContainsPoint(x, y, ignoreVisible)) return false;
    RedrawCurve();
    if (!curveSurface_) return false;
    // The curve surface lies at the bounds' corner in the owner's content.
    const TRect bounds = GetBounds();
    uint32_t pixel = 0;  // left as it is outside the surface
    curveSurface_->GetPixel(Clamp32(int64_t{x} - bounds.left), Clamp32(int64_t{y} - bounds.top),
                            pixel);
    return (pixel >> 24) != 0;
}

void TCurveWidget::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TGroupWidget::DoUpdate(elapsedMs);
    if (stepping_) StepCurve(elapsedMs);
}

void TCurveWidget::StepCurve(int32_t elapsedMs) {
    if (drawTime_ == 0) return;
    // Without a path or a usable shift there is nothing to step along.
    if (!function_ || !(drawShift_ > 0)) return;
    const double k = std::min(1.0, double(elapsedMs) / drawTime_);
    state_ = currentT_ > 1.0 || currentT_ < 0.0 ? 1 : 0;
    currentT_ += direction_ * k;
    if (pointCount_ == 0) pointCount_ = CountPoints();
    double progress = 0.0;
    if (direction_ == 1) {
        progress = std::min(currentT_, 1.0);
    } else if (direction_ == -1) {
        progress = std::max(currentT_, 0.0);
    }
    SetDrawnCount(RoundInt(pointCount_ * progress));
    // The widget lives until its drawing has run past its end; a stopped
    // drawing never does, so it does not hold the widget back.
    if (GetDead() && state_ == 0 && direction_ != 0) SetDead(false);
}

void TCurveWidget::SetDrawnCount(int32_t count) {
    if (count == drawnCount_) return;
    drawnCount_ = count;
    needsRedraw_ = true;
    SetChanged(true);
}
