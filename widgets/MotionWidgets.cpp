#include "widgets/MotionWidgets.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/base/Log.h"
#include "widgets/ImageWidgets.h"
#include "widgets/WidgetInternal.h"

// ---------------------------------------------------------------------------
// TRectWidget

const TPropertyTable& TRectWidget::Table() {
    using W = TRectWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TSingleWidget::Table())
            .Custom("color", nullptr, &W::SetColorProperty)
            .Field("color", &W::color_, 0u).Color().SaveAlways().StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TRectWidget::SetColorProperty(TRectWidget& widget, const Variant& value) {
    widget.SetColor(ColorFromVariant(value));
}

void TRectWidget::SetColor(uint32_t value) {
    if (value == color_) return;
    color_ = value;
    SetChanged(true);
}

void TRectWidget::Render(ISurface& surface, int32_t x, int32_t y) {
    const int32_t width = GetWidth();
    const int32_t height = GetHeight();
    if (width <= 0 || height <= 0) return;
    // The colour is painted through an opaque picture of the widget's size;
    // its pixels are never read, so one picture serves every frame.
    if (!scratch_ || scratch_->GetWidth() != width || scratch_->GetHeight() != height) {
        if (!SurfaceSizeAllowed(width, height)) {
            Log("WIDGET", DescribeWidget(*this) + ": a rectangle of " + std::to_string(width) +
                              " by " + std::to_string(height) + " pixels is too large to draw");
            scratch_ = nullptr;
            return;
        }
        if (!scratch_) scratch_ = MakeRef<TSurface>();
        scratch_->SetSize(width, height);
    }
    surface.DrawColored(color_, scratch_.get(), {0, 0, width, height},
                        {x, y, AddClamped(x, width), AddClamped(y, height)}, GetTransparentLevel(),
                        bm_Normal);
}

// ---------------------------------------------------------------------------
// TMoveWidget

const TPropertyTable& TMoveWidget::Table() {
    using W = TMoveWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TSurfaceWidget::Table())
            .Custom("startposx", nullptr, [](W& w, const Variant& v) { w.startPosX_ = v.ToInt(); })
            .Custom("startposy", nullptr, [](W& w, const Variant& v) { w.startPosY_ = v.ToInt(); })
            .Custom("endposx", nullptr, [](W& w, const Variant& v) { w.endPosX_ = v.ToInt(); })
            .Custom("endposy", nullptr, [](W& w, const Variant& v) { w.endPosY_ = v.ToInt(); })
            .Build();
    // clang-format on
    return table;
}

void TMoveWidget::Create() {
    TSurfaceWidget::Create();
    PlaceAtStart();
    SetTransparentLevel(startTransLevel_);
}

void TMoveWidget::PlaceAtStart() {
    const bool moved = GetMoved();
    SetLeft(startPosX_);
    SetTop(startPosY_);
    SetMoved(moved);
}

void TMoveWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TSurfaceWidget::LoadFrom(storage);
    startPosX_ = ReadInteger(storage, "startposx", startPosX_);
    startPosY_ = ReadInteger(storage, "startposy", startPosY_);
    startTransLevel_ =
        static_cast<uint8_t>(ReadInteger(storage, "start_trans_level", startTransLevel_));
    endPosX_ = ReadInteger(storage, "endposx", endPosX_);
    endPosY_ = ReadInteger(storage, "endposy", endPosY_);
    endTransLevel_ = static_cast<uint8_t>(ReadInteger(storage, "end_trans_level", endTransLevel_));
    PlaceAtStart();
    SetTransparentLevel(startTransLevel_);
}

void TMoveWidget::DoUpdate(int32_t elapsedMs) {
    TSurfaceWidget::DoUpdate(elapsedMs);
    const int32_t age = GetCurrentTime();
    if (age < 0) return;
    const int32_t life = GetTimeToLive();
    if (life < age) {
        SetDead(true);
        return;
    }
    ApplyMotion(std::min(age, elapsedMs));
    // Without a lifetime the level stays at the start, as the place does.
    if (startTransLevel_ != endTransLevel_ && life != 0) {
        const int64_t level =
            startTransLevel_ + int64_t{age} * (int64_t{endTransLevel_} - startTransLevel_) / life;
        SetTransparentLevel(static_cast<uint8_t>(level & 0xFF));
    }
}

void TMoveWidget::ApplyMotion(int32_t elapsedMs) {
    (void)elapsedMs;
    const int32_t life = GetTimeToLive();
    if (life == 0) {
        SetLeft(startPosX_);
        SetTop(startPosY_);
        return;
    }
    const double age = GetCurrentTime();
    const auto along = [&](int32_t from, int32_t to) {
        const double offset = age * (int64_t{to} - from) / life;
        return AddClamped(from, RoundToInt(offset));
    };
    SetLeft(along(startPosX_, endPosX_));
    SetTop(along(startPosY_, endPosY_));
}

// ---------------------------------------------------------------------------
// TCircularMotionWidget

void TCircularMotionWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TMoveWidget::LoadFrom(storage);
    centerX_ = ReadInteger(storage, "centerx", 0);
    centerY_ = ReadInteger(storage, "centery", 0);
}

void TCircularMotionWidget::ApplyMotion(int32_t elapsedMs) {
    const int32_t life = GetTimeToLive();
    // Without a lifetime the arc has no fraction: the widget stays at its start.
    if (life == 0) {
        TMoveWidget::ApplyMotion(elapsedMs);
        return;
    }
    const double p = double(GetCurrentTime()) / life;
    const double sx = double(int64_t{startPosX_} - centerX_);
    const double sy = double(int64_t{startPosY_} - centerY_);
    const double ex = double(int64_t{endPosX_} - centerX_);
    const double ey = double(int64_t{endPosY_} - centerY_);
    const double r1 = std::sqrt(sx * sx + sy * sy);
    const double r2 = std::sqrt(ex * ex + ey * ey);
    double a1 = std::atan2(sy, sx);
    double a2 = std::atan2(ey, ex);
    if ((a1 > 0 && a2 < 0) || (a1 < 0 && a2 > 0)) {
        constexpr double kPi = std::numbers::pi;
        if (a1 > kPi / 2) a2 += 2 * kPi;
        if (a1 < -kPi / 2) a1 += 2 * kPi;
    }
    const double angle = a1 + (a2 - a1) * p;
    const double radius = r1 + (r2 - r1) * p;
    SetLeft(centerX_ + radius * std::cos(angle));
    SetTop(centerY_ + radius * std::sin(angle));
}
