// Progress displays: the progress bar ("ProgressBarControl"), which shows a
// fraction from 0 to 1 by resizing its first child (an image) to the right
// from its left edge or upwards from its bottom edge; and the digit timer
// ("DigitTimerControl"), a minutes-and-seconds clock in its children "min"
// and "sec" (beside a "delimiter") that counts up, or down to zero, counts
// quickly to a new value, and in the last minute of a countdown replays its
// digits and the sound "sound_timer_effect" at shortening intervals.
//
// Failures: without the children nothing is shown, and the timer still
// runs; a property value that does not convert is left as it was.
#pragma once

#include <cstdint>
#include <string>

#include "widgets/ControlWidget.h"

// "ProgressBarControl". Stored key and property "vertical" (written when
// "yes"; a change shows at the next "position"); property "position" (the
// fraction, clamped to 0..1, not stored). The image's size, top and
// "resourcetop" are measured when the control is attached.
class TProgressBarControl : public TControlWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void Attach(IWidgetOwner* owner) override;

    double GetPosition() const { return position_; }
    // The fraction clamped to 0..1 (NaN as 0); the image's width, or its
    // height, top and the picture's visible part, follow.
    void SetPosition(double value);
    bool GetVertical() const { return vertical_; }

private:
    int32_t fullWidth_ = 0;
    int32_t fullHeight_ = 0;
    int32_t resourceTop_ = 0;
    int32_t bottom_ = 0;
    double position_ = 0.0;
    bool vertical_ = false;
};

// "DigitTimerControl". Stored key "countdown" (read, never written).
// Properties: "value" (the target of a fast count; setting it starts one),
// "current_value" (read: the milliseconds shown), "time_in_sec" (read:
// whole seconds, truncated), "time_string" (read: "M:SS", minutes and
// two-digit seconds, the one way the game writes a time), "currenttime" (write: also sets the clock) and
// "play_effect" (write: plays the digits' effect now).
class TDigitTimerControl : public TControlWidget {
public:
    static constexpr int32_t kMinSpeed = 100;      // least fast-count speed, ms per second
    static constexpr int32_t kMaxDuration = 1000;  // longest fast count, ms

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // The inherited setter first, so "currenttime" also sets the age; then
    // the clock for "currenttime".
    void SetProperty(const std::string& name, const Variant& value) override;
    // The group's Attach, the children found, the clock shown.
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    // The group's step; then the fast count while one runs, or else the
    // clock (up, or down to 0) and the text.
    void DoUpdate(int32_t elapsedMs) override;

    int32_t GetValue() const { return value_; }
    // Starts a fast count to value.
    void SetValue(int32_t value);
    int32_t GetCurrentValue() const { return currentValue_; }
    // Shows value at once (no count), the effect's delay and the digits'
    // zoom and animations reset.
    void SetClock(int32_t value);
    // Restarts the digits and plays "sound_timer_effect".
    void PlayEffect();
    const std::string& GetTimeString() const { return timeString_; }
    bool GetCountdown() const { return countdown_; }
    bool GetCounting() const { return counting_; }
    // The clock's text in the children; in a countdown's last minute the
    // warning effect when its delay is over.
    void Refresh();

private:
    static Variant TimeInSecProperty(TDigitTimerControl& timer);
    static void PlayEffectProperty(TDigitTimerControl& timer, const Variant& value);
    void FastCount(int32_t elapsedMs);

    bool countdown_ = false;
    int32_t effectDelay_ = 0;
    int32_t value_ = 0;
    int32_t currentValue_ = 0;
    Weak<IWidget> minWidget_;
    Weak<IWidget> secWidget_;
    Weak<IWidget> delimiterWidget_;
    std::string timeString_;
    bool counting_ = false;
    int32_t countTime_ = 0;
};
