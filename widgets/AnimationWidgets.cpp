#include "widgets/AnimationWidgets.h"

#include <algorithm>
#include <limits>

#include "widgets/WidgetInternal.h"

namespace {

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// a * b div c, truncated towards zero, without overflow; 0 for c = 0.
int64_t MulDiv(int64_t a, int64_t b, int64_t c) {
    return c == 0 ? 0 : a * b / c;
}

}  // namespace

// ---------------------------------------------------------------------------
// TPlayCycle

void TPlayCycle::SetLoop(bool value) {
    loop_ = value;
    if (value && phase_ == kFinished) RestartCycle();
}

void TPlayCycle::Finish() {
    running_ = false;
    phase_ = kFinished;
    ShowEnd(stopOnFirst_);
}

void TPlayCycle::StepCycle(int32_t& age) {
    // Each pass handles one phase. A delay that ends with time to spare hands
    // the rest to the playing phase at once; the time past a delay is the age
    // less the delay, so a long frame loses none of it.
    while (running_) {
        switch (phase_) {
            case kStartDelay: {
                ShowRest();
                const int32_t delay = std::max(startDelay_, 0);
                if (age < delay) return;
                phase_ = kPlaying;
                age -= delay;
                if (age == 0) return;
                break;
            }
            case kPlaying: {
                const int32_t length = CycleLength();
                if (age >= length) {
                    // A cycle of no length cannot repeat: it is played to its end.
                    if (!loop_ || length <= 0) {
                        Finish();
                        return;
                    }
                    phase_ = kCycleDelay;
                    age %= length;
                    if (!NextLoop()) {
                        Finish();
                        return;
                    }
                }
                ShowAge(age);
                return;
            }
            case kCycleDelay: {
                ShowRest();
                const int32_t delay = std::max(cycleDelay_, 0);
                if (age < delay) return;
                phase_ = kPlaying;
                age -= delay;
                if (age == 0) return;
                break;
            }
            default:
                return;
        }
    }
}

// ---------------------------------------------------------------------------
// TBaseAnimationWidget

const TPropertyTable& TBaseAnimationWidget::Table() {
    using W = TBaseAnimationWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TImageWidget::Table())
            .Accessor("animationtime", &W::GetAnimationTime, nullptr)
            .Accessor("loop", &W::GetLoop, &W::SetLoop).NotStored().NoAssign()
            .Field("reverse", &W::reverse_, false).NotStored()
            .Field("stoponfirst", &W::stopOnFirst_, false).NotStored()
            .Field("loop", &W::loop_, false).SaveAlways().StorageOnly()
            .Field("framescount", &W::framesCount_, 0).SaveAlways().StorageOnly()
            .Field("resourceleft", &W::stripLeft_, 0).SaveAlways().StorageOnly()
            .Field("resourcetop", &W::stripTop_, 0).SaveAlways().StorageOnly()
            .Field("resourcewidth", &W::resourceWidth_, 0).SaveAlways().StorageOnly()
            .Field("resourceheight", &W::resourceHeight_, 0).SaveAlways().StorageOnly()
            .Field("startdelaytime", &W::startDelay_, 0).SaveAlways().StorageOnly()
            .Field("cycledelaytime", &W::cycleDelay_, 0).SaveAlways().StorageOnly()
            .Field("stoponfirst", &W::stopOnFirst_, false).SaveAlways().StorageOnly()
            .Field("reverse", &W::reverse_, false).SaveAlways().StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TBaseAnimationWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TImageWidget::LoadFrom(storage);
    SetSourceOrigin(stripLeft_, stripTop_);
}

void TBaseAnimationWidget::Restart() {
    RestartCycle();
    TImageWidget::Restart();
}

void TBaseAnimationWidget::DoUpdate(int32_t elapsedMs) {
    TImageWidget::DoUpdate(elapsedMs);
    if (!GetRunning()) return;
    int32_t age = GetCurrentTime();
    StepCycle(age);
    SetCurrentTime(age);
}

void TBaseAnimationWidget::SetFrame(int32_t frame) {
    if (frame == currentFrame_) return;
    currentFrame_ = frame;
    SetChanged(true);
}

void TBaseAnimationWidget::Render(ISurface& surface, int32_t x, int32_t y) {
    const int32_t width = GetWidth();
    if (width <= 0 || currentFrame_ < 0) return;
    const int32_t perRow = resourceWidth_ / width;
    if (perRow <= 0) return;
    const int64_t column = currentFrame_ % perRow;
    const int64_t row = currentFrame_ / perRow;
    SetSourceOrigin(ClampToInt32(stripLeft_ + column * width),
                    ClampToInt32(stripTop_ + row * GetHeight()));
    TImageWidget::Render(surface, x, y);
}

// ---------------------------------------------------------------------------
// TAnimationWidget

const TPropertyTable& TAnimationWidget::Table() {
    using W = TAnimationWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TBaseAnimationWidget::Table())
            .Field("animationtime", &W::animationTime_, 0).NotStored()
            .Accessor("currentframe", &W::GetFrame, &W::ShowFrame).NotStored().NoAssign()
            .Accessor("framescount", &W::GetFramesCount, nullptr)
            .Field("animationtime", &W::animationTime_, 0).SaveAlways().StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TAnimationWidget::ShowFrame(int32_t n) {
    SetFrame(reverse_ ? ClampToInt32(int64_t{framesCount_} - n - 1) : n);
}

void TAnimationWidget::ShowAge(int32_t age) {
    ShowFrame(ClampToInt32(MulDiv(framesCount_, age, animationTime_)));
}

// ---------------------------------------------------------------------------
// TSequenceAnimationWidget

const TPropertyTable& TSequenceAnimationWidget::Table() {
    using W = TSequenceAnimationWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TBaseAnimationWidget::Table())
            .Accessor("currentframe", &W::GetStep, &W::SetStep).NotStored().NoAssign()
            .Field("default_duration", &W::defaultDuration_, 0)
            .Build();
    // clang-format on
    return table;
}

void TSequenceAnimationWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TBaseAnimationWidget::LoadFrom(storage);
    steps_.clear();
    int64_t total = 0;
    const int32_t count = storage ? storage->GetChildCount("frame") : 0;
    for (int32_t i = 0; i < count; ++i) {
        const Ref<IHierStorage> node = storage->GetChild("frame", i);
        TStep step;
        step.frame = ReadInteger(node, "subimage_index", 0);
        step.duration = ReadInteger(node, "duration", defaultDuration_);
        total += step.duration;
        steps_.push_back(step);
    }
    animationTime_ = ClampToInt32(total);
}

void TSequenceAnimationWidget::SaveTo(const Ref<IHierStorage>& storage) {
    TBaseAnimationWidget::SaveTo(storage);
    if (!storage) return;
    for (const TStep& step : steps_) {
        const Ref<IHierStorage> node = storage->AddChild("frame");
        WriteInteger(node, "subimage_index", step.frame, true);
        WriteInteger(node, "duration", step.duration, step.duration != defaultDuration_);
    }
}

void TSequenceAnimationWidget::SetStep(int32_t n) {
    if (n < 0 || size_t(n) >= steps_.size() || n == currentStep_) return;
    currentStep_ = n;
    SetFrame(steps_[size_t(n)].frame);
    SetChanged(true);
}

void TSequenceAnimationWidget::ShowAtTime(int32_t time) {
    const int32_t count = int32_t(steps_.size());
    if (count == 0) return;
    // The i-th step of the order the sequence plays in.
    const auto stepAt = [&](int32_t i) { return reverse_ ? count - 1 - i : i; };
    if (time == 0) {
        SetStep(stepAt(0));
        return;
    }
    if (int64_t{time} == int64_t{animationTime_} - 1) {
        SetStep(stepAt(count - 1));
        return;
    }
    int64_t start = 0;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t step = stepAt(i);
        const int64_t end = start + steps_[size_t(step)].duration;
        if (start <= time && time <= end) {
            SetStep(step);
            return;
        }
        start = end;
    }
}

Ref<ISurface> TSequenceAnimationWidget::GetFrameSnapshot(int32_t frame) {
    const int32_t shown = GetFrame();
    const bool changed = GetChanged();
    SetFrame(frame);
    Ref<ISurface> snapshot = GetSnapshot();
    SetFrame(shown);
    // Showing the frame for a moment is no change of the widget's look.
    SetChanged(changed);
    return snapshot;
}

// ---------------------------------------------------------------------------
// TBlinkWidget

const TPropertyTable& TBlinkWidget::Table() {
    using W = TBlinkWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TImageWidget::Table())
            .Accessor("loop", &W::GetLoop, &W::SetLoop).NotStored().NoAssign()
            .Field("loops_count", &W::loopsCount_, 0).StorageOnly()
            .Field("loop", &W::loop_, false).SaveAlways().StorageOnly()
            .Field("firstperiod", &W::firstPeriod_, 1).SaveAlways()
            .Field("secondperiod", &W::secondPeriod_, 1).NotStored()
            .Field("start_transparentlevel", &W::startLevel_, 0).SaveAlways()
            .Field("peak_transparentlevel", &W::peakLevel_, 0).SaveAlways()
            .Field("end_transparentlevel", &W::endLevel_, 0).NotStored()
            .Field("startdelaytime", &W::startDelay_, 0).SaveAlways()
            .Field("cycledelaytime", &W::cycleDelay_, 0).SaveAlways()
            .Field("stoponfirst", &W::stopOnFirst_, false).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

void TBlinkWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TImageWidget::LoadFrom(storage);
    // Their defaults are the values read before them.
    secondPeriod_ = ReadInteger(storage, "secondperiod", firstPeriod_);
    endLevel_ = static_cast<uint8_t>(ReadInteger(storage, "end_transparentlevel", startLevel_));
}

void TBlinkWidget::SaveTo(const Ref<IHierStorage>& storage) {
    TImageWidget::SaveTo(storage);
    WriteInteger(storage, "secondperiod", secondPeriod_, true);
    WriteInteger(storage, "end_transparentlevel", endLevel_, true);
}

void TBlinkWidget::Restart() {
    RestartCycle();
    TImageWidget::Restart();
}

void TBlinkWidget::DoUpdate(int32_t elapsedMs) {
    TImageWidget::DoUpdate(elapsedMs);
    if (!GetRunning()) return;
    int32_t age = GetCurrentTime();
    StepCycle(age);
    SetCurrentTime(age);
}

int32_t TBlinkWidget::CycleLength() {
    return ClampToInt32(int64_t{firstPeriod_} + secondPeriod_);
}

void TBlinkWidget::ShowAge(int32_t age) {
    int64_t level;
    if (age < firstPeriod_) {
        level = startLevel_ + MulDiv(age, int64_t{peakLevel_} - startLevel_, firstPeriod_);
    } else {
        level = peakLevel_ +
                MulDiv(int64_t{age} - firstPeriod_, int64_t{endLevel_} - peakLevel_, secondPeriod_);
    }
    SetTransparentLevel(static_cast<uint8_t>(level & 0xFF));
}

bool TBlinkWidget::NextLoop() {
    if (loopsCount_ <= 0) return true;
    if (--loopsCount_ > 0) return true;
    SetDead(true);
    return false;
}
