// The sound widget ("sound_widget"): an invisible node of a screen's tree
// that plays one of its own sounds (an entry of its "sounds", named by
// "resourcename") after a start delay, once, or again and again with a
// pause between two playings. It starts and stops with its screen like any
// widget: pausing it stops its channel, restarting it plays it again after
// the start delay.
//
// Failures: a sound that does not start (no such entry, no engine, no audio
// device) is tried again about 200 ms later, never raising. Without an audio
// device the end of a playing cannot be seen, so the widget stays playing.
#pragma once

#include <cstdint>
#include <string>

#include "widgets/WidgetClasses.h"

// Stored keys "resourcename", "loop", "startdelaytime" and "cycledelaytime",
// all written; the two delays are properties too. A widget loaded paused does
// not play until it is restarted.
class TSoundWidget : public TAbstractWidget {
public:
    enum TPhase : uint8_t { kStartDelay = 0, kPlaying = 1, kCycleDelay = 2, kStopped = 3 };

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // The widget's step, then the cycle: the sound starts when a delay ends
    // and its end is noticed in the first frame after it.
    void DoUpdate(int32_t elapsedMs) override;
    // Running from the start delay, then the widget's Restart.
    void Restart() override;
    // Stops the playing channel and ends the cycle.
    void Pause() override;

    // Starts the sound; on failure the start is tried again about 200 ms
    // later.
    void Play();

    uint8_t GetPhase() const { return phase_; }
    bool GetRunning() const { return running_; }
    TChannelHandle GetChannel() const { return channel_; }

private:
    // How long a sound that did not start waits before the next try.
    static constexpr int32_t kRetryMs = 200;

    uint8_t phase_ = kStartDelay;
    bool loop_ = false;
    bool running_ = true;
    std::string resourceName_;
    TChannelHandle channel_ = 0;
    int32_t startDelay_ = 0;
    int32_t cycleDelay_ = 0;
};
