#include "widgets/SoundWidget.h"

#include <algorithm>

#include "engine/Engine.h"
#include "engine/audio/EngineSounds.h"
#include "platform/audio/AudioBackend.h"

namespace {

// The channels of the engine's audio device; null when the engine plays no
// sound.
IAudioBackend* AudioChannels(IWidgetOwner* owner) {
    if (!owner) return nullptr;
    const Ref<IEngine> engine = owner->GetEngine();
    auto* concrete = dynamic_cast<TEngine*>(engine.get());
    if (!concrete || !concrete->IsSoundAvailable() || !concrete->Audio()) return nullptr;
    return concrete->Audio()->GetBackend();
}

}  // namespace

const TPropertyTable& TSoundWidget::Table() {
    using W = TSoundWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TAbstractWidget::Table())
            .Field("resourcename", &W::resourceName_).SaveAlways().StorageOnly()
            .Field("loop", &W::loop_, false).SaveAlways().StorageOnly()
            .Field("startdelaytime", &W::startDelay_, 0).SaveAlways()
            .Field("cycledelaytime", &W::cycleDelay_, 0).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

void TSoundWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TAbstractWidget::LoadFrom(storage);
    running_ = !GetPaused();
}

void TSoundWidget::Restart() {
    // The cycle first: the widget's Restart runs a step, which may already
    // start the sound.
    running_ = true;
    phase_ = kStartDelay;
    TAbstractWidget::Restart();
}

void TSoundWidget::Pause() {
    TAbstractWidget::Pause();
    // The channel the sound plays on, not the sample: other playings of the
    // same sound go on.
    if (IAudioBackend* channels = AudioChannels(GetOwner()); channels && channel_ != 0) {
        channels->StopChannel(channel_);
    }
    phase_ = kStopped;
}

void TSoundWidget::Play() {
    channel_ = PlaySound(resourceName_, false, 0, 100);
    if (channel_ == 0) {
        phase_ = kStartDelay;
        SetCurrentTime(std::max(startDelay_, 0) - kRetryMs);
    } else {
        phase_ = kPlaying;
    }
}

void TSoundWidget::DoUpdate(int32_t elapsedMs) {
    TAbstractWidget::DoUpdate(elapsedMs);
    // A delay that ends with time to spare passes the rest to the playing,
    // so a looping sound keeps its rhythm.
    while (running_) {
        const int32_t age = GetCurrentTime();
        switch (phase_) {
            case kStartDelay:
            case kCycleDelay: {
                const int32_t delay =
                    std::max(phase_ == kStartDelay ? startDelay_ : cycleDelay_, 0);
                if (age < delay) return;
                Play();
                if (phase_ != kPlaying) return;
                SetCurrentTime(age - delay);
                if (age == delay) return;
                break;
            }
            case kPlaying: {
                IAudioBackend* channels = AudioChannels(GetOwner());
                if (!channels || channels->ChannelActivity(channel_) == TChannelActivity::Playing) {
                    return;
                }
                if (loop_) {
                    phase_ = kCycleDelay;
                    SetCurrentTime(0);
                } else {
                    running_ = false;
                    phase_ = kStopped;
                }
                return;
            }
            default:
                return;
        }
    }
}
