// Step controls: the sequence ("SequenceControl"), which shows its children
// one at a time, each for a fixed time or until a press, and reports code 10
// when it runs past the last one (the logo screens close on it); and the
// animated bar ("AnimatedBarControl"), whose child "bar" is filled (its
// property "position") by a value that counts towards its target over time.
//
// Failures: a bar without its "bar" child counts but shows nothing; a
// property value that does not convert is left as it was.
#pragma once

#include <cstdint>

#include "widgets/ControlWidget.h"

// "SequenceControl". Stored key and property "step_duration_time" (always
// written): milliseconds per step, 0 or less for steps that advance only on
// presses (of any button). Loading hides and pauses every child; the first
// one shows at the first update at which the control's age is not negative.
class TSequenceControl : public TControlWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // The group's step; the first step once the age is not negative; the
    // next one when the step's time is up.
    void DoUpdate(int32_t elapsedMs) override;
    // The base's (focus for a tab stop), then the next step, for any button.
    bool MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) override;

    int32_t Count();
    int32_t GetStep() const { return step_; }
    // Past the last child: code 10 to the event handler, once; the step
    // stays. Otherwise, for another step: the shown child hidden and paused,
    // the new one shown and restarted, and the control's age set to 0.
    void SetStep(int32_t index);

private:
    int32_t stepDurationTime_ = 0;
    int32_t step_ = -1;
    bool finished_ = false;  // code 10 was sent
};

// "AnimatedBarControl". Stored keys "maxincrementaldurationtime",
// "minincrementalvaluepersecond" and "animation" (always written) and
// "max_value" (read, never written). Properties: those, "value" (the target,
// in pixels of the bar's width; setting it starts a count), "current_value"
// (the fill shown), "animation_complete" and "bar_width" (read only).
class TAnimatedBarControl : public TControlWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // The group's Attach, the child "bar" and its width, the fill shown.
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    // The group's step, one step of the count, the fill.
    void DoUpdate(int32_t elapsedMs) override;

    int32_t GetValue() const { return value_; }
    void SetValue(int32_t value);
    int32_t GetCurrentValue() const { return currentValue_; }
    bool GetAnimation() const { return animation_; }
    // On: the fill jumps to the target at once.
    void SetAnimation(bool value);
    bool IsAnimationComplete() const { return value_ == currentValue_; }
    int32_t GetBarWidth() const { return barWidth_; }
    int32_t GetMaxValue() const { return maxValue_; }
    // The bar's "position": the fill shown over the bar's width (0 for a bar
    // of no width).
    void ResizeBar();

private:
    int32_t value_ = 0;
    int32_t currentValue_ = 0;
    bool animation_ = true;
    int32_t minPerSecond_ = 0;
    int32_t maxDuration_ = 0;
    int32_t countTime_ = 0;
    Weak<IWidget> bar_;
    int32_t barWidth_ = 0;
    int32_t maxValue_ = 0;
};
