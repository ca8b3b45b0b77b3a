// Image widgets that change by themselves with their age: frame animations
// over a strip of equally sized frames ("animation_widget"), listed frame
// sequences with a duration each ("sequence_animation_widget") and blinking
// transparency ("blink_widget").
//
// All three share one cycle on their age (TPlayCycle): a start delay, the
// playing, a delay between two cycles of a looping widget, finished. A phase
// that ends with time to spare hands the rest of the frame to the next phase,
// so a looping widget does not drift and a long frame plays its overshoot at
// once.
//
// Failures: none raised. A cycle of length 0 or less cannot loop: such a
// widget plays to its end picture at once. A strip narrower than the widget,
// a widget of width 0 or a frame outside the strip draws nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "widgets/ImageWidgets.h"

// The four-phase cycle of the widgets that play by themselves. Not a widget:
// the widget classes derive from it beside their widget base and answer its
// hooks.
class TPlayCycle {
public:
    enum TPhase : uint8_t { kStartDelay = 0, kPlaying = 1, kCycleDelay = 2, kFinished = 3 };

    bool GetRunning() const { return running_; }
    uint8_t GetPhase() const { return phase_; }
    bool GetLoop() const { return loop_; }
    // A looping widget that had finished starts over from its start delay;
    // one still running keeps its phase.
    void SetLoop(bool value);
    bool GetStopOnFirst() const { return stopOnFirst_; }
    void SetStopOnFirst(bool value) { stopOnFirst_ = value; }
    int32_t GetStartDelay() const { return startDelay_; }
    void SetStartDelay(int32_t value) { startDelay_ = value; }
    int32_t GetCycleDelay() const { return cycleDelay_; }
    void SetCycleDelay(int32_t value) { cycleDelay_ = value; }

protected:
    virtual ~TPlayCycle() = default;

    // One step at age (already advanced by the frame); age is wound back as
    // phases end. Nothing while the cycle is not running.
    void StepCycle(int32_t& age);
    void RestartCycle() {
        running_ = true;
        phase_ = kStartDelay;
    }

    // The length of the playing phase.
    virtual int32_t CycleLength() = 0;
    // The picture of the delays.
    virtual void ShowRest() = 0;
    // The picture at an age of the playing phase (0 <= age < CycleLength()).
    virtual void ShowAge(int32_t age) = 0;
    // The picture a finished widget rests on: its first one when first is
    // set ("stoponfirst"), else its last.
    virtual void ShowEnd(bool first) = 0;
    // A looping widget ended a cycle; false ends it as though it did not loop.
    virtual bool NextLoop() { return true; }

    bool loop_ = false;
    bool stopOnFirst_ = false;
    int32_t startDelay_ = 0;
    int32_t cycleDelay_ = 0;

private:
    void Finish();

    bool running_ = true;
    uint8_t phase_ = kStartDelay;
};

// A strip of frames in one image: frame n lies at column n mod (resourcewidth
// div width) and row n div that, from the strip's top-left corner. Not
// registered. Stored keys "loop", "framescount", "resourceleft" and
// "resourcetop" (the strip's corner), "resourcewidth", "resourceheight",
// "startdelaytime", "cycledelaytime", "stoponfirst", "reverse". Properties
// "loop" (SetLoop), "reverse", "stoponfirst"; "animationtime" read only.
class TBaseAnimationWidget : public TImageWidget, public TPlayCycle {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The image widget's source starts at the strip's corner.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // Running from the start delay, then the widget's Restart.
    void Restart() override;
    // The current frame's place in the strip, then the image widget's drawing.
    void Render(ISurface& surface, int32_t x, int32_t y) override;

    int32_t GetFrame() const { return currentFrame_; }
    // A different frame is stored and marks the widget changed.
    void SetFrame(int32_t frame);
    int32_t GetFramesCount() const { return framesCount_; }
    int32_t GetAnimationTime() const { return animationTime_; }
    bool GetReverse() const { return reverse_; }

    // The widget's step, then the cycle's.
    void DoUpdate(int32_t elapsedMs) override;

protected:
    int32_t CycleLength() override { return animationTime_; }

    int32_t framesCount_ = 0;
    int32_t animationTime_ = 0;
    bool reverse_ = false;

private:
    int32_t stripLeft_ = 0;
    int32_t stripTop_ = 0;
    int32_t resourceWidth_ = 0;
    int32_t resourceHeight_ = 0;
    int32_t currentFrame_ = 0;
};

// "animation_widget": framescount frames at an even rate over
// "animationtime" (stored). Properties "currentframe" (written through
// ShowFrame, so "reverse" applies), "framescount" (read only) and
// "animationtime".
class TAnimationWidget : public TBaseAnimationWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // Frame n, or framescount - n - 1 when reversed.
    void ShowFrame(int32_t n);

protected:
    void ShowRest() override { ShowFrame(0); }
    void ShowAge(int32_t age) override;
    void ShowEnd(bool first) override { ShowFrame(first ? 0 : framesCount_ - 1); }
};

// What a widget that holds several frames offers beyond IWidget.
class IAnimationWidget : public virtual IWidget {
public:
    virtual int32_t GetFramesCount() = 0;
    // A snapshot (IWidget::GetSnapshot) of the widget showing that frame of
    // its strip; the frame shown before is shown again. Null as the
    // snapshot.
    virtual Ref<ISurface> GetFrameSnapshot(int32_t frame) = 0;
};

// "sequence_animation_widget": a list of steps, each a frame of the strip
// shown for its own duration, read from the child elements "frame"
// ("subimage_index", default 0; "duration", default "default_duration").
// The cycle is the sum of the durations. Stored keys "default_duration" and
// the "frame" children ("duration" written only when it differs from the
// default). Properties "currentframe" (the current step; written through
// SetStep) and "default_duration".
class TSequenceAnimationWidget : public TBaseAnimationWidget, public virtual IAnimationWidget {
public:
    struct TStep {
        int32_t duration = 0;
        int32_t frame = 0;
        bool operator==(const TStep&) const = default;
    };

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    // IAnimationWidget
    int32_t GetFramesCount() override { return framesCount_; }
    Ref<ISurface> GetFrameSnapshot(int32_t frame) override;

    const std::vector<TStep>& Steps() const { return steps_; }
    // -1 until a step is shown.
    int32_t GetStep() const { return currentStep_; }
    // A step of the list other than the current one becomes current and its
    // frame is shown; anything else changes nothing.
    void SetStep(int32_t n);
    // The step at a time of the cycle: 0 gives the first step, the cycle's
    // length - 1 the last, otherwise the first step whose span (both ends
    // included) holds the time; nothing past the end. Reversed, the steps are
    // walked from the last.
    void ShowAtTime(int32_t time);

protected:
    void ShowRest() override { ShowAtTime(0); }
    void ShowAge(int32_t age) override { ShowAtTime(age); }
    void ShowEnd(bool first) override { ShowAtTime(first ? 0 : animationTime_ - 1); }

private:
    std::vector<TStep> steps_;
    int32_t defaultDuration_ = 0;
    int32_t currentStep_ = -1;
};

// "blink_widget": the transparency level rises from start to peak over
// "firstperiod" and falls to end over "secondperiod". Stored keys
// "loops_count" (written when not 0; counts down, and a looping widget whose
// count reaches 0 stops at its end level and dies), "loop", "firstperiod"
// (default 1), "secondperiod" (default firstperiod),
// "start_transparentlevel", "peak_transparentlevel", "end_transparentlevel"
// (default the start level), "startdelaytime", "cycledelaytime",
// "stoponfirst"; all but "loops_count" are properties too.
class TBlinkWidget : public TImageWidget, public TPlayCycle {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    // Running from the start delay, then the widget's Restart.
    void Restart() override;

    int32_t GetLoopsCount() const { return loopsCount_; }

    // The widget's step, then the cycle's.
    void DoUpdate(int32_t elapsedMs) override;

protected:
    int32_t CycleLength() override;
    void ShowRest() override { SetTransparentLevel(startLevel_); }
    void ShowAge(int32_t age) override;
    void ShowEnd(bool first) override { SetTransparentLevel(first ? startLevel_ : endLevel_); }
    bool NextLoop() override;

private:
    int32_t loopsCount_ = 0;
    int32_t firstPeriod_ = 1;
    int32_t secondPeriod_ = 1;
    uint8_t startLevel_ = 0;
    uint8_t peakLevel_ = 0;
    uint8_t endLevel_ = 0;
};
