// The software mixer behind the audio device: samples, their channels and
// musics, and Render, which turns the present state into the next stretch of
// stereo float PCM and advances playback positions and slides by exactly
// that stretch. Render is a plain function of the state, so tests can listen
// without a device.
//
// Not thread-safe: TAudioDevice serialises every call. Nothing here
// allocates inside Render.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio/AudioBackend.h"
#include "platform/audio/AudioDecoders.h"

class TAudioMixer {
public:
    // Frames mixed per inner step; a module is asked for at most this many.
    static constexpr size_t kBlockFrames = 1024;

    explicit TAudioMixer(int rate = kAudioOutputRate);
    ~TAudioMixer();
    TAudioMixer(const TAudioMixer&) = delete;
    TAudioMixer& operator=(const TAudioMixer&) = delete;

    int Rate() const { return rate_; }
    // Drops everything (older handles stay invalid) and mixes at `rate` from now on.
    void Reset(int rate);

    // The PCM must already be at Rate(). 0 when the tables are full.
    TAudioHandle AddSample(std::unique_ptr<TPcmData> pcm, uint16_t maxPlaybacks, bool loop);
    TAudioHandle AddModuleMusic(TModulePtr module);
    TAudioHandle AddPcmMusic(std::unique_ptr<TPcmData> pcm, bool loop);

    // What a removal frees; the caller may destroy it after leaving its lock.
    struct TReleased {
        std::unique_ptr<TPcmData> pcm;
        TModulePtr module;
    };
    bool RemoveSample(TAudioHandle sample, TReleased& released);
    bool RemoveMusic(TAudioHandle music, TReleased& released);

    TAudioHandle GetSampleChannel(TAudioHandle sample);
    bool StopSample(TAudioHandle sample);

    TChannelActivity ChannelActivity(TAudioHandle channel) const;
    bool PlayChannel(TAudioHandle channel, bool restart);
    bool StopChannel(TAudioHandle channel);
    bool PauseChannel(TAudioHandle channel);
    bool SetChannelAttributes(TAudioHandle channel, int volume, int pan);
    bool SlideChannelAttributes(TAudioHandle channel, int volume, int pan, uint32_t timeMs);

    void SetPaused(bool paused) { paused_ = paused; }
    bool Paused() const { return paused_; }

    // Writes `frames` interleaved stereo frames (left, right) of mixed output.
    void Render(float* out, size_t frames);

    // The output stage: a limiter keeps every sample at or below kLimit (of
    // full scale), so that a loud moment (a jingle over the music and several
    // sounds at once) is turned down rather than cut flat at 1.0. It acts at
    // once on a frame above the limit (both sides alike, so the stereo image
    // stays) and gives the gain back over kLimiterReleaseMs; a mix that stays
    // within the limit passes unchanged.
    static constexpr float kLimit = 0.9f;
    static constexpr int kLimiterReleaseMs = 200;

private:
    struct TSlide {
        bool active = false;
        bool stopAtEnd = false;
        float from = 0.0f;
        float to = 0.0f;
        uint64_t total = 0;
        uint64_t done = 0;
    };
    struct TSample {
        uint32_t generation = 0;
        bool inUse = false;
        bool loop = false;
        uint16_t maxPlaybacks = 1;
        std::unique_ptr<TPcmData> pcm;
    };
    struct TChannel {
        uint32_t generation = 0;
        bool inUse = false;
        bool isMusic = false;
        bool loop = false;
        bool ended = false;
        TChannelActivity state = TChannelActivity::Stopped;
        uint32_t sample = 0;  // owning sample's index, for sample channels
        uint64_t boundOrder = 0;
        const TPcmData* pcm = nullptr;
        std::unique_ptr<TPcmData> ownPcm;  // an Ogg music's own data
        TModulePtr module;
        size_t position = 0;  // frames, for PCM sources
        float volume = 1.0f;  // 0..1
        float pan = 0.0f;     // -1..1
        TSlide volumeSlide;
        TSlide panSlide;
    };

    TSample* FindSample(TAudioHandle handle);
    TChannel* FindChannel(TAudioHandle handle);
    const TChannel* FindChannel(TAudioHandle handle) const;
    TAudioHandle BindChannel(uint32_t index);
    void ReleaseChannel(uint32_t index, TReleased* released);
    int32_t TakeChannelSlot();
    uint64_t MsToFrames(uint32_t ms) const;

    void AdvanceSlides(TChannel& ch, uint64_t frames);
    void Limit(float* out, size_t frames);
    size_t MixSource(TChannel& ch, float* out, size_t frames, float l0, float r0, float l1,
                     float r1);

    int rate_;
    bool paused_ = false;
    float limiterGain_ = 1.0f;  // the limiter's gain now: 1 when it does not act
    uint64_t bindCounter_ = 0;
    std::vector<TSample> samples_;
    std::vector<TChannel> channels_;
    std::vector<uint32_t> freeSamples_;
    std::vector<uint32_t> freeChannels_;
    std::vector<float> moduleScratch_;
};
