#include "platform/audio/AudioMixer.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Handle layout: 2 bits of kind (never 0, so no handle is 0), 13 bits of
// table index, 17 bits of the slot's generation, which changes whenever the
// slot is reused so that older handles stop matching.
constexpr uint32_t kKindSample = 1;
constexpr uint32_t kKindChannel = 2;
constexpr int kGenerationBits = 17;
constexpr int kIndexBits = 13;
constexpr uint32_t kGenerationMask = (1u << kGenerationBits) - 1;
constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;
constexpr size_t kMaxSlots = size_t{1} << kIndexBits;

TAudioHandle MakeHandle(uint32_t kind, uint32_t index, uint32_t generation) {
    return (kind << 30) | (index << kGenerationBits) | (generation & kGenerationMask);
}
uint32_t HandleKind(TAudioHandle h) {
    return h >> 30;
}
uint32_t HandleIndex(TAudioHandle h) {
    return (h >> kGenerationBits) & kIndexMask;
}
uint32_t HandleGeneration(TAudioHandle h) {
    return h & kGenerationMask;
}

float VolumeValue(int volume) {
    return static_cast<float>(std::clamp(volume, 0, 100)) / 100.0f;
}
float PanValue(int pan) {
    return static_cast<float>(std::clamp(pan, -100, 100)) / 100.0f;
}

float SlideValue(const auto& slide) {
    return slide.from + (slide.to - slide.from) *
                            (static_cast<float>(slide.done) / static_cast<float>(slide.total));
}

// Balance: panning towards one side attenuates the other.
void Gains(float volume, float pan, float& left, float& right) {
    left = volume * (pan > 0.0f ? 1.0f - pan : 1.0f);
    right = volume * (pan < 0.0f ? 1.0f + pan : 1.0f);
}

constexpr float kInt16Scale = 1.0f / 32768.0f;

// Adds `n` frames with gains ramping linearly from (l, r) by (dl, dr) a frame.
void MixMono(float* out, const int16_t* in, size_t n, float l, float r, float dl, float dr) {
    for (size_t i = 0; i < n; ++i) {
        float s = static_cast<float>(in[i]) * kInt16Scale;
        float fi = static_cast<float>(i);
        out[2 * i] += s * (l + dl * fi);
        out[2 * i + 1] += s * (r + dr * fi);
    }
}

void MixStereo(float* out, const int16_t* in, size_t n, float l, float r, float dl, float dr) {
    for (size_t i = 0; i < n; ++i) {
        float fi = static_cast<float>(i);
        out[2 * i] += static_cast<float>(in[2 * i]) * kInt16Scale * (l + dl * fi);
        out[2 * i + 1] += static_cast<float>(in[2 * i + 1]) * kInt16Scale * (r + dr * fi);
    }
}

void MixFloatStereo(float* out, const float* in, size_t n, float l, float r, float dl, float dr) {
    for (size_t i = 0; i < n; ++i) {
        float fi = static_cast<float>(i);
        out[2 * i] += in[2 * i] * (l + dl * fi);
        out[2 * i + 1] += in[2 * i + 1] * (r + dr * fi);
    }
}

}  // namespace

TAudioMixer::TAudioMixer(int rate) : rate_(rate), moduleScratch_(2 * kBlockFrames) {}

TAudioMixer::~TAudioMixer() = default;

void TAudioMixer::Reset(int rate) {
    for (uint32_t i = 0; i < channels_.size(); ++i)
        if (channels_[i].inUse) ReleaseChannel(i, nullptr);
    for (uint32_t i = 0; i < samples_.size(); ++i) {
        TSample& s = samples_[i];
        if (!s.inUse) continue;
        s.inUse = false;
        s.pcm.reset();
        ++s.generation;
        freeSamples_.push_back(i);
    }
    rate_ = rate;
    paused_ = false;
    limiterGain_ = 1.0f;
}

TAudioMixer::TSample* TAudioMixer::FindSample(TAudioHandle handle) {
    if (HandleKind(handle) != kKindSample) return nullptr;
    uint32_t index = HandleIndex(handle);
    if (index >= samples_.size()) return nullptr;
    TSample& s = samples_[index];
    if (!s.inUse || (s.generation & kGenerationMask) != HandleGeneration(handle)) return nullptr;
    return &s;
}

const TAudioMixer::TChannel* TAudioMixer::FindChannel(TAudioHandle handle) const {
    if (HandleKind(handle) != kKindChannel) return nullptr;
    uint32_t index = HandleIndex(handle);
    if (index >= channels_.size()) return nullptr;
    const TChannel& c = channels_[index];
    if (!c.inUse || (c.generation & kGenerationMask) != HandleGeneration(handle)) return nullptr;
    return &c;
}

TAudioMixer::TChannel* TAudioMixer::FindChannel(TAudioHandle handle) {
    return const_cast<TChannel*>(std::as_const(*this).FindChannel(handle));
}

int32_t TAudioMixer::TakeChannelSlot() {
    if (!freeChannels_.empty()) {
        uint32_t index = freeChannels_.back();
        freeChannels_.pop_back();
        return static_cast<int32_t>(index);
    }
    if (channels_.size() >= kMaxSlots) return -1;
    channels_.emplace_back();
    return static_cast<int32_t>(channels_.size() - 1);
}

// Puts a slot in its fresh state: stopped at the start, volume 100, pan 0.
TAudioHandle TAudioMixer::BindChannel(uint32_t index) {
    TChannel& c = channels_[index];
    c.inUse = true;
    c.ended = false;
    c.state = TChannelActivity::Stopped;
    c.position = 0;
    c.volume = 1.0f;
    c.pan = 0.0f;
    c.volumeSlide = TSlide{};
    c.panSlide = TSlide{};
    c.boundOrder = ++bindCounter_;
    return MakeHandle(kKindChannel, index, c.generation);
}

void TAudioMixer::ReleaseChannel(uint32_t index, TReleased* released) {
    TChannel& c = channels_[index];
    if (released) {
        if (c.ownPcm) released->pcm = std::move(c.ownPcm);
        if (c.module) released->module = std::move(c.module);
    }
    c.ownPcm.reset();
    c.module.reset();
    c.pcm = nullptr;
    c.inUse = false;
    c.isMusic = false;
    c.state = TChannelActivity::Stopped;
    ++c.generation;
    freeChannels_.push_back(index);
}

TAudioHandle TAudioMixer::AddSample(std::unique_ptr<TPcmData> pcm, uint16_t maxPlaybacks,
                                    bool loop) {
    if (!pcm || pcm->FrameCount() == 0) return 0;
    uint32_t index;
    if (!freeSamples_.empty()) {
        index = freeSamples_.back();
        freeSamples_.pop_back();
    } else {
        if (samples_.size() >= kMaxSlots) return 0;
        samples_.emplace_back();
        index = static_cast<uint32_t>(samples_.size() - 1);
    }
    TSample& s = samples_[index];
    s.inUse = true;
    s.loop = loop;
    s.maxPlaybacks = std::max<uint16_t>(maxPlaybacks, 1);
    s.pcm = std::move(pcm);
    return MakeHandle(kKindSample, index, s.generation);
}

TAudioHandle TAudioMixer::AddModuleMusic(TModulePtr module) {
    if (!module) return 0;
    int32_t index = TakeChannelSlot();
    if (index < 0) return 0;
    TAudioHandle h = BindChannel(static_cast<uint32_t>(index));
    TChannel& c = channels_[index];
    c.isMusic = true;
    c.module = std::move(module);
    c.loop = false;  // the module repeats by itself when asked to
    return h;
}

TAudioHandle TAudioMixer::AddPcmMusic(std::unique_ptr<TPcmData> pcm, bool loop) {
    if (!pcm || pcm->FrameCount() == 0) return 0;
    int32_t index = TakeChannelSlot();
    if (index < 0) return 0;
    TAudioHandle h = BindChannel(static_cast<uint32_t>(index));
    TChannel& c = channels_[index];
    c.isMusic = true;
    c.ownPcm = std::move(pcm);
    c.pcm = c.ownPcm.get();
    c.loop = loop;
    return h;
}

bool TAudioMixer::RemoveSample(TAudioHandle sample, TReleased& released) {
    TSample* s = FindSample(sample);
    if (!s) return false;
    uint32_t index = HandleIndex(sample);
    for (uint32_t i = 0; i < channels_.size(); ++i) {
        TChannel& c = channels_[i];
        if (c.inUse && !c.isMusic && c.sample == index) ReleaseChannel(i, nullptr);
    }
    released.pcm = std::move(s->pcm);
    s->inUse = false;
    ++s->generation;
    freeSamples_.push_back(index);
    return true;
}

bool TAudioMixer::RemoveMusic(TAudioHandle music, TReleased& released) {
    TChannel* c = FindChannel(music);
    if (!c || !c->isMusic) return false;
    ReleaseChannel(HandleIndex(music), &released);
    return true;
}

TAudioHandle TAudioMixer::GetSampleChannel(TAudioHandle sample) {
    TSample* s = FindSample(sample);
    if (!s) return 0;
    const uint32_t sampleIndex = HandleIndex(sample);
    size_t sounding = 0;
    size_t bound = 0;
    int64_t oldestQuiet = -1;
    for (uint32_t i = 0; i < channels_.size(); ++i) {
        const TChannel& c = channels_[i];
        if (!c.inUse || c.isMusic || c.sample != sampleIndex) continue;
        ++bound;
        if (c.state != TChannelActivity::Stopped) {
            ++sounding;
        } else if (oldestQuiet < 0 || c.boundOrder < channels_[oldestQuiet].boundOrder) {
            oldestQuiet = i;
        }
    }
    if (sounding >= s->maxPlaybacks) return 0;
    int32_t index;
    if (bound >= s->maxPlaybacks) {
        // Every channel the sample may have exists: recycle the quiet one
        // bound longest ago, which invalidates its older handle.
        index = static_cast<int32_t>(oldestQuiet);
        ++channels_[index].generation;
    } else {
        index = TakeChannelSlot();
        if (index < 0) return 0;
    }
    TAudioHandle h = BindChannel(static_cast<uint32_t>(index));
    TChannel& c = channels_[index];
    c.isMusic = false;
    c.sample = sampleIndex;
    c.pcm = s->pcm.get();
    c.loop = s->loop;
    return h;
}

bool TAudioMixer::StopSample(TAudioHandle sample) {
    if (!FindSample(sample)) return false;
    uint32_t index = HandleIndex(sample);
    for (TChannel& c : channels_)
        if (c.inUse && !c.isMusic && c.sample == index) c.state = TChannelActivity::Stopped;
    return true;
}

TChannelActivity TAudioMixer::ChannelActivity(TAudioHandle channel) const {
    const TChannel* c = FindChannel(channel);
    return c ? c->state : TChannelActivity::Stopped;
}

bool TAudioMixer::PlayChannel(TAudioHandle channel, bool restart) {
    TChannel* c = FindChannel(channel);
    if (!c) return false;
    if (restart || c->ended) {
        c->position = 0;
        c->ended = false;
        if (c->module) openmpt_module_set_position_seconds(c->module.get(), 0.0);
    }
    c->state = TChannelActivity::Playing;
    return true;
}

bool TAudioMixer::StopChannel(TAudioHandle channel) {
    TChannel* c = FindChannel(channel);
    if (!c) return false;
    c->state = TChannelActivity::Stopped;
    return true;
}

bool TAudioMixer::PauseChannel(TAudioHandle channel) {
    TChannel* c = FindChannel(channel);
    if (!c || c->state != TChannelActivity::Playing) return false;
    c->state = TChannelActivity::Paused;
    return true;
}

bool TAudioMixer::SetChannelAttributes(TAudioHandle channel, int volume, int pan) {
    TChannel* c = FindChannel(channel);
    if (!c) return false;
    if (volume != kAudioKeepVolume) {
        c->volume = VolumeValue(volume);
        c->volumeSlide.active = false;
    }
    if (pan != kAudioKeepPan) {
        c->pan = PanValue(pan);
        c->panSlide.active = false;
    }
    return true;
}

uint64_t TAudioMixer::MsToFrames(uint32_t ms) const {
    return static_cast<uint64_t>(ms) * static_cast<uint64_t>(rate_) / 1000;
}

bool TAudioMixer::SlideChannelAttributes(TAudioHandle channel, int volume, int pan,
                                         uint32_t timeMs) {
    TChannel* c = FindChannel(channel);
    if (!c) return false;
    const uint64_t frames = MsToFrames(timeMs);
    if (volume != kAudioKeepVolume) {
        bool stop = volume == kAudioVolumeFadeAndStop;
        float target = stop ? 0.0f : VolumeValue(volume);
        if (frames == 0) {
            c->volume = target;
            c->volumeSlide.active = false;
            if (stop) c->state = TChannelActivity::Stopped;
        } else {
            c->volumeSlide = TSlide{true, stop, c->volume, target, frames, 0};
        }
    }
    if (pan != kAudioKeepPan) {
        float target = PanValue(pan);
        if (frames == 0) {
            c->pan = target;
            c->panSlide.active = false;
        } else {
            c->panSlide = TSlide{true, false, c->pan, target, frames, 0};
        }
    }
    return true;
}

void TAudioMixer::AdvanceSlides(TChannel& ch, uint64_t frames) {
    if (ch.volumeSlide.active) {
        TSlide& s = ch.volumeSlide;
        s.done = std::min(s.total, s.done + frames);
        ch.volume = SlideValue(s);
        if (s.done == s.total) {
            s.active = false;
            if (s.stopAtEnd) ch.state = TChannelActivity::Stopped;
        }
    }
    if (ch.panSlide.active) {
        TSlide& s = ch.panSlide;
        s.done = std::min(s.total, s.done + frames);
        ch.pan = SlideValue(s);
        if (s.done == s.total) s.active = false;
    }
}

// Mixes up to `frames` frames of the channel's source into `out`; answers how
// many it had (fewer when a source without loop ran out).
size_t TAudioMixer::MixSource(TChannel& ch, float* out, size_t frames, float l0, float r0, float l1,
                              float r1) {
    const float dl = (l1 - l0) / static_cast<float>(frames);
    const float dr = (r1 - r0) / static_cast<float>(frames);
    if (ch.module) {
        size_t got = openmpt_module_read_interleaved_float_stereo(ch.module.get(), rate_, frames,
                                                                  moduleScratch_.data());
        got = std::min(got, frames);
        MixFloatStereo(out, moduleScratch_.data(), got, l0, r0, dl, dr);
        return got;
    }
    if (!ch.pcm) return 0;
    const TPcmData& pcm = *ch.pcm;
    const size_t length = pcm.FrameCount();
    const int16_t* data = pcm.samples.data();
    size_t done = 0;
    while (done < frames) {
        if (ch.position >= length) {
            if (!ch.loop) break;
            ch.position = 0;
        }
        size_t n = std::min(frames - done, length - ch.position);
        float l = l0 + dl * static_cast<float>(done);
        float r = r0 + dr * static_cast<float>(done);
        if (pcm.channels == 1)
            MixMono(out + 2 * done, data + ch.position, n, l, r, dl, dr);
        else
            MixStereo(out + 2 * done, data + 2 * ch.position, n, l, r, dl, dr);
        done += n;
        ch.position += n;
    }
    return done;
}

void TAudioMixer::Render(float* out, size_t frames) {
    std::fill(out, out + 2 * frames, 0.0f);
    if (paused_) {
        Limit(out, frames);  // silence: the limiter's gain comes back meanwhile
        return;
    }
    for (TChannel& ch : channels_) {
        if (!ch.inUse) continue;
        size_t done = 0;
        while (done < frames && ch.state == TChannelActivity::Playing) {
            // A block ends where a slide ends, so each ramp below is exact.
            uint64_t n = std::min<uint64_t>(frames - done, kBlockFrames);
            if (ch.volumeSlide.active) n = std::min(n, ch.volumeSlide.total - ch.volumeSlide.done);
            if (ch.panSlide.active) n = std::min(n, ch.panSlide.total - ch.panSlide.done);
            float l0, r0, l1, r1;
            Gains(ch.volume, ch.pan, l0, r0);
            // A fade-and-stop ending here stops the channel after this block.
            AdvanceSlides(ch, n);
            Gains(ch.volume, ch.pan, l1, r1);
            size_t mixed = MixSource(ch, out + 2 * done, static_cast<size_t>(n), l0, r0, l1, r1);
            if (mixed < n || (!ch.module && !ch.loop && ch.position >= ch.pcm->FrameCount())) {
                ch.ended = true;
                ch.state = TChannelActivity::Stopped;
            }
            done += static_cast<size_t>(n);
        }
        // Time passes for slides of channels that are not playing, too.
        if (done < frames) AdvanceSlides(ch, frames - done);
    }
    Limit(out, frames);
}

void TAudioMixer::Limit(float* out, size_t frames) {
    const float release = 1000.0f / (static_cast<float>(kLimiterReleaseMs) * static_cast<float>(rate_));
    for (size_t i = 0; i < frames; ++i) {
        const float peak = std::max(std::fabs(out[2 * i]), std::fabs(out[2 * i + 1]));
        // The most gain this frame allows; the gain climbs back towards it.
        const float allowed = peak > kLimit ? kLimit / peak : 1.0f;
        limiterGain_ = std::min(allowed, limiterGain_ + release);
        if (limiterGain_ < 1.0f) {
            out[2 * i] *= limiterGain_;
            out[2 * i + 1] *= limiterGain_;
        }
    }
}
