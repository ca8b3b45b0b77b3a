#include "widgets/SequenceControls.h"

#include "widgets/ControlCounting.h"

// ---------------------------------------------------------------------------
// TSequenceControl

const TPropertyTable& TSequenceControl::Table() {
    using S = TSequenceControl;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<S>(TControlWidget::Table())
            .Field("step_duration_time", &S::stepDurationTime_, 0).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

void TSequenceControl::LoadFrom(const Ref<IHierStorage>& storage) {
    TControlWidget::LoadFrom(storage);
    Children().ForEachWidget([](IWidget& child) {
        child.SetVisible(false);
        child.Pause();
    });
}

int32_t TSequenceControl::Count() {
    return Children().GetCount();
}

void TSequenceControl::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TControlWidget::DoUpdate(elapsedMs);
    // A negative starting age delays the first step.
    if (step_ < 0 && GetCurrentTime() >= 0) SetStep(0);
    if (Count() > 0 && stepDurationTime_ > 0 && GetCurrentTime() >= stepDurationTime_) {
        SetStep(step_ + 1);
    }
}

bool TSequenceControl::MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) {
    const Ref<IWidget> self(this);
    const bool handled = TControlWidget::MouseDown(x, y, shift, button);
    SetStep(step_ + 1);
    return handled;
}

void TSequenceControl::SetStep(int32_t index) {
    if (index >= Count()) {
        // Reported once: a finished sequence that stays on the screen does
        // not repeat it every frame and every press.
        if (!finished_) {
            finished_ = true;
            Notify(kEventSequenceEnd);
        }
        return;
    }
    if (index == step_) return;
    if (const Ref<IWidget> shown = step_ >= 0 ? Children().GetWidgetByIndex(step_) : nullptr) {
        shown->SetVisible(false);
        shown->Pause();
    }
    step_ = index;
    finished_ = false;
    if (const Ref<IWidget> next = index >= 0 ? Children().GetWidgetByIndex(index) : nullptr) {
        next->SetVisible(true);
        next->Restart();
    }
    // The step's time counts from now.
    SetCurrentTime(0);
}

// ---------------------------------------------------------------------------
// TAnimatedBarControl

const TPropertyTable& TAnimatedBarControl::Table() {
    using A = TAnimatedBarControl;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<A>(TControlWidget::Table())
            .Field("maxincrementaldurationtime", &A::maxDuration_, 0).SaveAlways()
            .Field("minincrementalvaluepersecond", &A::minPerSecond_, 0).SaveAlways()
            .Accessor("value", &A::GetValue, &A::SetValue).NotStored().NoAssign()
            .Field("current_value", &A::currentValue_, 0).NotStored().NoAssign()
            .Accessor("animation", &A::GetAnimation, &A::SetAnimation).NotStored().NoAssign()
            .Field("animation", &A::animation_, true).SaveAlways().StorageOnly()
            .Field("max_value", &A::maxValue_, 0).NotStored().NoAssign()
            .Accessor("animation_complete", &A::IsAnimationComplete, nullptr)
            .Accessor("bar_width", &A::GetBarWidth, nullptr)
            .Build();
    // clang-format on
    return table;
}

void TAnimatedBarControl::LoadFrom(const Ref<IHierStorage>& storage) {
    TControlWidget::LoadFrom(storage);
    if (!storage) return;
    SetAnimation(animation_);
    // Kept for the bar's users; read from the data but not written back.
    maxValue_ = ReadInteger(storage, "max_value", 0);
}

void TAnimatedBarControl::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    const Ref<IWidget> bar = FindWidget("bar");
    bar_ = Weak<IWidget>(bar);
    if (bar) barWidth_ = bar->GetWidth();
    ResizeBar();
}

void TAnimatedBarControl::Detach() {
    bar_ = nullptr;
    TControlWidget::Detach();
}

void TAnimatedBarControl::SetValue(int32_t value) {
    value_ = value;
    countTime_ = 0;
}

void TAnimatedBarControl::SetAnimation(bool value) {
    animation_ = value;
    if (!value) return;
    currentValue_ = value_;
    ResizeBar();
}

void TAnimatedBarControl::ResizeBar() {
    const Ref<IWidget> bar = bar_.Lock();
    if (!bar) return;
    const double position = barWidth_ != 0 ? double(currentValue_) / barWidth_ : 0.0;
    bar->SetProperty("position", Variant(position));
}

void TAnimatedBarControl::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TControlWidget::DoUpdate(elapsedMs);
    if (currentValue_ == value_) {
        if (value_ == 0) ResizeBar();
        return;
    }
    if (!animation_) {
        currentValue_ = value_;
    } else {
        StepValueCount(currentValue_, value_, countTime_, minPerSecond_, maxDuration_, elapsedMs);
    }
    ResizeBar();
}
