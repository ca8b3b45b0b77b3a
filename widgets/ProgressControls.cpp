#include "widgets/ProgressControls.h"

#include <cstdlib>
#include <limits>

#include "widgets/WidgetInternal.h"

namespace {

int32_t Clamp32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return int32_t(value);
}

// A widget's integer property; fallback when it has none that converts.
int32_t IntProperty(IWidget& widget, const std::string& name, int32_t fallback) {
    try {
        const Variant value = widget.GetProperty(name);
        return value.IsUnassigned() ? fallback : value.ToInt();
    } catch (const Exception&) {
        return fallback;
    }
}

std::string TwoDigits(int64_t value) {
    std::string text = value < 10 ? "0" : "";
    text += std::to_string(value);
    return text;
}

}  // namespace

// ---------------------------------------------------------------------------
// TProgressBarControl

const TPropertyTable& TProgressBarControl::Table() {
    using P = TProgressBarControl;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<P>(TControlWidget::Table())
            .Accessor("position", &P::GetPosition, &P::SetPosition).NotStored().NoAssign()
            .Field("vertical", &P::vertical_, false)
            .Build();
    // clang-format on
    return table;
}

void TProgressBarControl::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    const Ref<IWidget> image = Children().GetWidgetByIndex(0);
    if (!image) return;
    fullWidth_ = image->GetWidth();
    fullHeight_ = image->GetHeight();
    bottom_ = AddClamped(image->GetHeight(), RoundToInt(image->GetTop()));
    resourceTop_ = IntProperty(*image, "resourcetop", 0);
}

void TProgressBarControl::SetPosition(double value) {
    position_ = value > 1.0 ? 1.0 : (value >= 0.0 ? value : 0.0);
    const Ref<IWidget> image = Children().GetWidgetByIndex(0);
    if (!image) return;
    if (!vertical_) {
        const int32_t width = RoundToInt(fullWidth_ * position_);
        if (IntProperty(*image, "width", width - 1) != width) {
            image->SetProperty("width", Variant(width));
        }
        return;
    }
    const int32_t height = RoundToInt(fullHeight_ * position_);
    if (IntProperty(*image, "height", height - 1) == height) return;
    // The lower part of the picture shows, growing upwards from a fixed
    // bottom edge.
    image->SetProperty("height", Variant(height));
    image->SetProperty("resourcetop",
                       Variant(Clamp32(int64_t{resourceTop_} + fullHeight_ - height)));
    image->SetTop(double(int64_t{bottom_} - height));
}

// ---------------------------------------------------------------------------
// TDigitTimerControl

const TPropertyTable& TDigitTimerControl::Table() {
    using D = TDigitTimerControl;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<D>(TControlWidget::Table())
            .Accessor("value", &D::GetValue, &D::SetValue).NotStored().NoAssign()
            .Accessor("current_value", &D::GetCurrentValue, nullptr)
            .Custom("time_in_sec", &D::TimeInSecProperty, nullptr)
            .Accessor("time_string", &D::GetTimeString, nullptr)
            .Custom("play_effect", nullptr, &D::PlayEffectProperty)
            .Build();
    // clang-format on
    return table;
}

Variant TDigitTimerControl::TimeInSecProperty(TDigitTimerControl& timer) {
    return Variant(timer.currentValue_ / 1000);
}

void TDigitTimerControl::PlayEffectProperty(TDigitTimerControl& timer, const Variant& value) {
    (void)value;
    timer.PlayEffect();
}

void TDigitTimerControl::LoadFrom(const Ref<IHierStorage>& storage) {
    TControlWidget::LoadFrom(storage);
    countdown_ = ReadBool(storage, "countdown", false);
}

void TDigitTimerControl::SetProperty(const std::string& name, const Variant& value) {
    TControlWidget::SetProperty(name, value);
    if (name != "currenttime") return;
    try {
        SetClock(value.ToInt());
    } catch (const Exception&) {
        // A value that is no number leaves the clock as it was.
    }
}

void TDigitTimerControl::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    minWidget_ = Weak<IWidget>(FindWidget("min"));
    secWidget_ = Weak<IWidget>(FindWidget("sec"));
    delimiterWidget_ = Weak<IWidget>(FindWidget("delimiter"));
    Refresh();
}

void TDigitTimerControl::Detach() {
    minWidget_ = nullptr;
    secWidget_ = nullptr;
    delimiterWidget_ = nullptr;
    TControlWidget::Detach();
}

void TDigitTimerControl::SetValue(int32_t value) {
    value_ = value;
    counting_ = true;
    countTime_ = 0;
}

void TDigitTimerControl::SetClock(int32_t value) {
    currentValue_ = value;
    counting_ = false;
    effectDelay_ = 0;
    for (const Weak<IWidget>* link : {&minWidget_, &secWidget_, &delimiterWidget_}) {
        if (const Ref<IWidget> widget = link->Lock()) {
            widget->SetProperty("zoom", Variant(1));
            widget->SetPaused(true);
        }
    }
    Refresh();
}

void TDigitTimerControl::PlayEffect() {
    const Ref<IWidget> self(this);
    for (const Weak<IWidget>* link : {&secWidget_, &minWidget_, &delimiterWidget_}) {
        if (const Ref<IWidget> widget = link->Lock()) widget->Restart();
    }
    PlaySound("sound_timer_effect", false, 0, 100);
}

void TDigitTimerControl::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TControlWidget::DoUpdate(elapsedMs);
    if (counting_) {
        FastCount(elapsedMs);
        return;
    }
    if (countdown_) {
        currentValue_ = Clamp32(std::max<int64_t>(int64_t{currentValue_} - elapsedMs, 0));
        effectDelay_ = Clamp32(int64_t{effectDelay_} + elapsedMs);
    } else {
        currentValue_ = Clamp32(int64_t{currentValue_} + elapsedMs);
    }
    Refresh();
}

void TDigitTimerControl::FastCount(int32_t elapsedMs) {
    const int64_t dt = elapsedMs;
    const int64_t remaining = int64_t{kMaxDuration} - countTime_;
    if (dt == 0 && remaining >= 0) return;
    if (dt > remaining || remaining <= 0) {
        // The text follows at the next update.
        currentValue_ = value_;
        counting_ = false;
        return;
    }
    const int64_t minStep = dt * kMinSpeed / 1000;
    const int64_t share = dt * (int64_t{value_} - currentValue_) / remaining;
    const int64_t next =
        int64_t{currentValue_} + (std::llabs(share) > std::llabs(minStep) ? share : minStep);
    if (next >= value_) {
        currentValue_ = value_;
        counting_ = false;
    } else {
        currentValue_ = Clamp32(next);
    }
    countTime_ = Clamp32(int64_t{countTime_} + dt);
    Refresh();
}

void TDigitTimerControl::Refresh() {
    const Ref<IWidget> self(this);
    if (currentValue_ >= 0) {
        // Whole seconds, halves to the even second.
        const int64_t seconds = RoundToInt(currentValue_ / 1000.0);
        const int64_t minutes = seconds / 60;
        const std::string secs = TwoDigits(seconds % 60);
        // Times are written one way, "M:SS", on the clock and in the results.
        timeString_ = std::to_string(minutes) + ":" + secs;
        const Ref<IWidget> minWidget = minWidget_.Lock();
        const Ref<IWidget> secWidget = secWidget_.Lock();
        if (minWidget && secWidget) {
            minWidget->SetProperty("text", Variant(timeString_));
            secWidget->SetProperty("text", Variant(secs));
        }
    }
    if (!countdown_ || currentValue_ <= 0 || effectDelay_ < 0) return;
    // The warning plays every 2 s in the last 10 s, every 10 s down to 10 s
    // and every 30 s in the minute before.
    int32_t delay = 0;
    if (currentValue_ < 10000) {
        delay = -2000;
    } else if (currentValue_ < 30000) {
        delay = -10000;
    } else if (currentValue_ < 60000) {
        delay = -30000;
    } else {
        return;
    }
    PlayEffect();
    effectDelay_ = delay;
}
