// Playback through the audio backend, heard as rendered PCM without a device,
// and through SDL's file-writing audio driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/AudioDevice.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFile.h"

namespace {

constexpr int kRate = 44100;
constexpr float kHalf = 16384.0f / 32768.0f;  // the level of the DC test sample


std::string DcWav(size_t frames) {
    return MakeWav16(kRate, 1, std::vector<int16_t>(frames, 16384));
}

// Frame i holds i * 10, so the output tells the playing position.
std::string RampWav(size_t frames) {
    std::vector<int16_t> v(frames);
    for (size_t i = 0; i < frames; ++i) v[i] = static_cast<int16_t>(i * 10);
    return MakeWav16(kRate, 1, v);
}
float RampValue(size_t frame) {
    return static_cast<float>(frame * 10) / 32768.0f;
}

// A four-channel ProTracker module: one looped square-wave sample struck on
// row 0 and a pattern break on row 3, so the song lasts 4 rows (0.48 s).
std::string MakeModule() {
    std::string m(20, '\0');
    std::memcpy(m.data(), "test", 4);
    std::string sample(30, '\0');
    std::memcpy(sample.data(), "square", 6);
    sample[23] = 32;  // length in words, big-endian
    sample[25] = 64;  // volume
    sample[29] = 32;  // loop length in words
    m += sample;
    for (int i = 1; i < 31; ++i) {
        std::string empty(30, '\0');
        empty[29] = 1;  // the customary "no loop" length of one word
        m += empty;
    }
    m += '\x01';  // song length
    m += '\x7F';
    m += std::string(128, '\0');
    m += "M.K.";
    std::string pattern(64 * 4 * 4, '\0');
    const int period = 428;
    pattern[0] = static_cast<char>(period >> 8);  // sample 1, high nibble 0
    pattern[1] = static_cast<char>(period & 0xFF);
    pattern[2] = 0x10;                    // sample 1, low nibble; no effect
    pattern[(3 * 4 + 1) * 4 + 2] = 0x0D;  // row 3, channel 2: pattern break
    m += pattern;
    for (int i = 0; i < 64; ++i) m += static_cast<char>(i < 32 ? 100 : -100);
    return m;
}

std::string OggFixture() {
    return ReadFileBytes(std::string(QM_TEST_DATA_DIR) + "/audio/sine440_22050_mono.ogg");
}

float Peak(const std::vector<float>& pcm, size_t fromFrame = 0, size_t toFrame = SIZE_MAX) {
    float peak = 0.0f;
    toFrame = std::min(toFrame, pcm.size() / 2);
    for (size_t i = 2 * fromFrame; i < 2 * toFrame; ++i) peak = std::max(peak, std::fabs(pcm[i]));
    return peak;
}

double MeasureFrequency(const std::vector<float>& stereo, size_t from, size_t to) {
    int crossings = 0;
    size_t first = 0, last = 0;
    for (size_t i = from + 1; i < to; ++i) {
        if (stereo[2 * (i - 1)] < 0.0f && stereo[2 * i] >= 0.0f) {
            if (crossings == 0) first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) return 0.0;
    return (crossings - 1) * static_cast<double>(kRate) / static_cast<double>(last - first);
}

class AudioPlayback : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device_.OpenWithoutOutput(kRate)); }

    // The next `frames` stereo frames; rendered in uneven pieces so that
    // nothing depends on how the output is cut.
    std::vector<float> Render(size_t frames) {
        std::vector<float> out(2 * frames);
        size_t done = 0;
        size_t piece = 333;
        while (done < frames) {
            size_t n = std::min(piece, frames - done);
            device_.RenderFloat(out.data() + 2 * done, n);
            done += n;
            piece = piece == 333 ? 1500 : 333;
        }
        return out;
    }

    TAudioHandle Sample(const std::string& bytes, uint16_t maxPlaybacks = 1, bool loop = false) {
        return device_.LoadSample(bytes.data(), bytes.size(), maxPlaybacks, loop);
    }
    TAudioHandle Music(const std::string& bytes, bool loop = true) {
        return device_.LoadMusic(bytes.data(), bytes.size(), loop);
    }
    TAudioHandle Play(TAudioHandle sample) {
        TAudioHandle ch = device_.GetSampleChannel(sample);
        EXPECT_TRUE(device_.PlayChannel(ch, true));
        return ch;
    }

    TLogCapture log_;
    TAudioDevice device_;
};

}  // namespace

TEST_F(AudioPlayback, SamplePlaysOnceAtFullVolumeInTheCentre) {
    TAudioHandle sample = Sample(RampWav(100));
    ASSERT_NE(sample, 0u);
    TAudioHandle ch = device_.GetSampleChannel(sample);
    ASSERT_NE(ch, 0u);
    EXPECT_EQ(device_.ChannelActivity(ch), TChannelActivity::Stopped);
    EXPECT_EQ(Peak(Render(50)), 0.0f) << "a channel sounds only once played";
    ASSERT_TRUE(device_.PlayChannel(ch, true));
    EXPECT_EQ(device_.ChannelActivity(ch), TChannelActivity::Playing);
    auto out = Render(150);
    for (size_t i = 0; i < 100; ++i) {
        ASSERT_FLOAT_EQ(out[2 * i], RampValue(i)) << i;
        ASSERT_FLOAT_EQ(out[2 * i + 1], RampValue(i)) << i;
    }
    EXPECT_EQ(Peak(out, 100), 0.0f);
    EXPECT_EQ(device_.ChannelActivity(ch), TChannelActivity::Stopped);
}

TEST_F(AudioPlayback, VolumeAndPanAttributes) {
    TAudioHandle sample = Sample(DcWav(1000), 1, true);
    struct Case {
        int volume, pan;
        float left, right;
    } cases[] = {
        {kAudioKeepVolume, kAudioKeepPan, 1.0f, 1.0f},  // a fresh channel: 100, centre
        {100, 0, 1.0f, 1.0f},
        {50, 0, 0.5f, 0.5f},
        {100, -100, 1.0f, 0.0f},
        {100, 100, 0.0f, 1.0f},
        {80, 50, 0.4f, 0.8f},
        {40, -25, 0.4f, 0.3f},
        {150, 300, 0.0f, 1.0f},  // clamped
        {-7, -300, 0.0f, 0.0f},  // another negative volume is silence
        {kAudioKeepVolume, 100, 0.0f, 1.0f},
    };
    for (const Case& c : cases) {
        TAudioHandle ch = device_.GetSampleChannel(sample);
        ASSERT_NE(ch, 0u);
        ASSERT_TRUE(device_.SetChannelAttributes(ch, c.volume, c.pan));
        ASSERT_TRUE(device_.PlayChannel(ch, true));
        auto out = Render(10);
        EXPECT_NEAR(out[18], kHalf * c.left, 1e-6) << c.volume << "," << c.pan;
        EXPECT_NEAR(out[19], kHalf * c.right, 1e-6) << c.volume << "," << c.pan;
        device_.StopChannel(ch);
    }
    // Keep values leave what was set.
    TAudioHandle ch = Play(sample);
    device_.SetChannelAttributes(ch, 30, -50);
    device_.SetChannelAttributes(ch, kAudioKeepVolume, kAudioKeepPan);
    auto out = Render(4);
    EXPECT_NEAR(out[6], kHalf * 0.3f, 1e-6);
    EXPECT_NEAR(out[7], kHalf * 0.15f, 1e-6);
}

TEST_F(AudioPlayback, VolumeSlidesAreLinearAndFadeAndStopStops) {
    TAudioHandle ch = Play(Sample(DcWav(1000), 1, true));
    ASSERT_TRUE(device_.SlideChannelAttributes(ch, 0, kAudioKeepPan, 100));  // 4410 frames
    auto out = Render(5000);
    for (size_t k = 0; k < 4410; k += 49)
        ASSERT_NEAR(out[2 * k], kHalf * (1.0f - k / 4410.0f), 2e-5) << k;
    EXPECT_EQ(Peak(out, 4410), 0.0f);
    EXPECT_EQ(device_.ChannelActivity(ch), TChannelActivity::Playing) << "a slide to 0 plays on";

    device_.SetChannelAttributes(ch, 100, kAudioKeepPan);
    ASSERT_TRUE(device_.SlideChannelAttributes(ch, kAudioVolumeFadeAndStop, kAudioKeepPan, 50));
    out = Render(1000);
    EXPECT_EQ(device_.ChannelActivity(ch), TChannelActivity::Playing);
    out = Render(1300);
    for (size_t k = 0; k < 1205; k += 41)
        ASSERT_NEAR(out[2 * k], kHalf * (1.0f - (k + 1000) / 2205.0f), 2e-5) << k;
    EXPECT_EQ(device_.ChannelActivity(ch), TChannelActivity::Stopped);
    EXPECT_EQ(Peak(out, 1205), 0.0f);

    // Time 0 applies at once; fading to stop at once stops.
    device_.PlayChannel(ch, false);
    device_.SlideChannelAttributes(ch, 60, kAudioKeepPan, 0);
    EXPECT_NEAR(Render(1)[0], kHalf * 0.6f, 1e-6);
    device_.SlideChannelAttributes(ch, kAudioVolumeFadeAndStop, kAudioKeepPan, 0);
    EXPECT_EQ(device_.ChannelActivity(ch), TChannelActivity::Stopped);
}

// The shape of a music crossfade: the old channel fades out and stops while
// the new one rises from silence, then back the other way.
TEST_F(AudioPlayback, CrossfadeBothWays) {
    TAudioHandle left = Play(Sample(DcWav(1000), 1, true));
    TAudioHandle right = device_.GetSampleChannel(Sample(DcWav(700), 1, true));
    device_.SetChannelAttributes(left, 100, -100);
    device_.SetChannelAttributes(right, kAudioKeepVolume, 100);
    Render(100);

    auto crossfade = [&](TAudioHandle from, TAudioHandle to, bool restart) {
        device_.SlideChannelAttributes(from, kAudioVolumeFadeAndStop, kAudioKeepPan, 2000);
        device_.SetChannelAttributes(to, 0, kAudioKeepPan);
        device_.SlideChannelAttributes(to, 100, kAudioKeepPan, 2000);
        device_.PlayChannel(to, restart);
    };
    crossfade(left, right, true);
    auto out = Render(2 * kRate + 500);
    for (size_t k = 0; k < 2 * kRate; k += 4410) {
        float t = k / (2.0f * kRate);
        ASSERT_NEAR(out[2 * k], kHalf * (1.0f - t), 2e-5) << k;
        ASSERT_NEAR(out[2 * k + 1], kHalf * t, 2e-5) << k;
    }
    EXPECT_NEAR(out[2 * (2 * kRate + 400) + 1], kHalf, 1e-6);
    EXPECT_NEAR(Peak(out, 2 * kRate), kHalf, 1e-6);
    EXPECT_EQ(device_.ChannelActivity(left), TChannelActivity::Stopped);

    crossfade(right, left, false);
    out = Render(kRate);
    EXPECT_EQ(device_.ChannelActivity(left), TChannelActivity::Playing);
    EXPECT_NEAR(out[2 * (kRate / 2)], kHalf * 0.25f, 2e-5);
    EXPECT_NEAR(out[2 * (kRate / 2) + 1], kHalf * 0.75f, 2e-5);
    Render(kRate);
    EXPECT_EQ(device_.ChannelActivity(right), TChannelActivity::Stopped);
}

TEST_F(AudioPlayback, SlidesRunOnWhileAChannelIsPausedOrStopped) {
    TAudioHandle sample = Sample(DcWav(1000), 2, true);
    TAudioHandle paused = Play(sample), stopped = Play(sample);
    device_.SlideChannelAttributes(paused, 0, kAudioKeepPan, 100);
    device_.SlideChannelAttributes(stopped, kAudioVolumeFadeAndStop, kAudioKeepPan, 100);
    device_.PauseChannel(paused);
    device_.StopChannel(stopped);
    Render(4410);
    device_.PlayChannel(paused, false);
    EXPECT_EQ(Peak(Render(100)), 0.0f) << "its fade went on while it was paused";
    device_.PauseChannel(paused);
    device_.SlideChannelAttributes(paused, kAudioVolumeFadeAndStop, kAudioKeepPan, 10);
    Render(441);
    EXPECT_EQ(device_.ChannelActivity(paused), TChannelActivity::Stopped);
}

TEST_F(AudioPlayback, SlidesOfVolumeAndPanAreIndependent) {
    TAudioHandle ch = Play(Sample(DcWav(1000), 1, true));
    device_.SlideChannelAttributes(ch, 0, kAudioKeepPan, 100);
    Render(2205);
    // A pan slide with the volume kept leaves the volume slide running.
    device_.SlideChannelAttributes(ch, kAudioKeepVolume, 100, 100);
    auto out = Render(4410);
    EXPECT_NEAR(out[1], kHalf * 0.5f, 1e-4);  // right: half volume, pan not yet moved
    EXPECT_NEAR(out[2 * 1102 + 1], kHalf * 0.25f, 1e-4);
    EXPECT_EQ(Peak(out, 2205), 0.0f);

    // Setting the volume ends its slide.
    device_.SetChannelAttributes(ch, 100, 0);
    device_.SlideChannelAttributes(ch, 0, kAudioKeepPan, 1000);
    Render(4410);
    device_.SetChannelAttributes(ch, 80, kAudioKeepPan);
    out = Render(kRate);
    EXPECT_NEAR(out[0], kHalf * 0.8f, 1e-6);
    EXPECT_NEAR(out[2 * (kRate - 1)], kHalf * 0.8f, 1e-6);
}

TEST_F(AudioPlayback, MaxPlaybacksAllowsThatManyAndRefusesMore) {
    TAudioHandle sample = Sample(DcWav(kRate), 3);
    TAudioHandle a = Play(sample), b = Play(sample), c = Play(sample);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    ASSERT_NE(c, 0u);
    EXPECT_EQ(device_.GetSampleChannel(sample), 0u) << "a fourth playback is refused";
    // At half volume the three stay within the limiter's limit, so they add up.
    for (TAudioHandle ch : {a, b, c}) device_.SetChannelAttributes(ch, 50, 0);
    auto out = Render(100);
    EXPECT_NEAR(out[198], 3 * kHalf * 0.5f, 1e-5) << "three copies sound at once";
    EXPECT_EQ(device_.ChannelActivity(a), TChannelActivity::Playing);

    device_.StopChannel(b);
    TAudioHandle d = device_.GetSampleChannel(sample);
    ASSERT_NE(d, 0u);
    EXPECT_NE(d, b);
    EXPECT_EQ(device_.ChannelActivity(b), TChannelActivity::Stopped);
    EXPECT_FALSE(device_.PlayChannel(b, true)) << "the recycled channel's old handle is dead";
    device_.SetChannelAttributes(d, 50, 0);
    device_.PlayChannel(d, true);
    EXPECT_NEAR(Render(1)[0], 3 * kHalf * 0.5f, 1e-5);

    // A paused playback still counts; 0 means one.
    TAudioHandle one = Sample(DcWav(100), 0);
    TAudioHandle p = Play(one);
    device_.PauseChannel(p);
    EXPECT_EQ(device_.GetSampleChannel(one), 0u);
    device_.StopChannel(p);
    EXPECT_NE(device_.GetSampleChannel(one), 0u);
}

// A sine of `amplitude` (of full scale) at 441 Hz: 100 frames a period.
static std::vector<int16_t> Sine(size_t frames, float amplitude) {
    std::vector<int16_t> v(frames);
    for (size_t i = 0; i < frames; ++i)
        v[i] = static_cast<int16_t>(std::lround(amplitude * 32767.0f * std::sin(2.0 * M_PI * static_cast<double>(i) / 100.0)));
    return v;
}

// A mix within the limit comes out as the plain sum of its sources, sample
// for sample, also right after the limiter has turned a loud moment down
// once its release time is over.
TEST_F(AudioPlayback, LimiterLeavesAMixWithinTheLimitUnchanged) {
    struct Case {
        const char* what;
        std::vector<float> amplitudes;  // one sine per entry, at full volume
    };
    const std::vector<Case> cases = {
        {"one quiet sound", {0.3f}},
        {"one sound just within the limit", {0.89f}},
        {"three sounds adding up to just within it", {0.3f, 0.3f, 0.29f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // First a loud moment, then its release time and a little more of silence.
        std::vector<int16_t> loud(2000, 30000);
        TAudioHandle burst = Play(Sample(MakeWav16(kRate, 1, loud), 4));
        Play(Sample(MakeWav16(kRate, 1, loud), 4));
        ASSERT_NE(burst, 0u);
        ASSERT_GT(Peak(Render(2000)), 0.0f);
        Render(static_cast<size_t>(kRate * (TAudioMixer::kLimiterReleaseMs + 20) / 1000));

        std::vector<std::vector<int16_t>> sources;
        for (float a : c.amplitudes) {
            sources.push_back(Sine(1000, a));
            Play(Sample(MakeWav16(kRate, 1, sources.back())));
        }
        auto out = Render(1000);
        for (size_t i = 0; i < 1000; ++i) {
            float sum = 0.0f;
            for (const auto& s : sources) sum += static_cast<float>(s[i]) / 32768.0f;
            ASSERT_NEAR(out[2 * i], sum, 1e-6) << i;
            ASSERT_NEAR(out[2 * i + 1], sum, 1e-6) << i;
        }
    }
}

// A mix far above full scale (four sounds, each near full scale) comes out
// turned down as a whole: every sample within the limit, none at full scale,
// and the waveform kept (each sample the same share of the sum, not cut flat
// at the top while the rest passes).
TEST_F(AudioPlayback, LimiterTurnsALoudMixDownWithoutCuttingIt) {
    const std::vector<int16_t> sine = Sine(kRate / 2, 0.5f);
    TAudioHandle sample = Sample(MakeWav16(kRate, 1, sine), 4);
    for (int i = 0; i < 4; ++i) ASSERT_NE(Play(sample), 0u);
    auto out = Render(kRate / 2);
    float peak = 0.0f;
    for (size_t i = 0; i < kRate / 2; ++i) {
        const float sum = 4.0f * static_cast<float>(sine[i]) / 32768.0f;
        ASSERT_EQ(out[2 * i], out[2 * i + 1]) << i;
        ASSERT_LT(std::fabs(out[2 * i]), 1.0f) << i;
        peak = std::max(peak, std::fabs(out[2 * i]));
        // After the first crest the gain stays near limit / crest (0.45):
        // it climbs back by only a little between two crests.
        if (i > 25 && std::fabs(sum) > 0.2f) {
            const float gain = out[2 * i] / sum;
            ASSERT_GT(gain, 0.44f) << i;
            ASSERT_LT(gain, 0.47f) << i;
        }
    }
    EXPECT_LE(peak, TAudioMixer::kLimit + 1e-6f);
    EXPECT_GT(peak, TAudioMixer::kLimit - 0.01f) << "turned down to the limit, not below it";
}

TEST_F(AudioPlayback, FinishedChannelsAreRecycledOldestFirst) {
    TAudioHandle sample = Sample(DcWav(10), 2);
    TAudioHandle a = Play(sample), b = Play(sample);
    Render(20);
    EXPECT_EQ(device_.ChannelActivity(a), TChannelActivity::Stopped);
    TAudioHandle c = device_.GetSampleChannel(sample);
    ASSERT_NE(c, 0u);
    EXPECT_FALSE(device_.StopChannel(a));
    EXPECT_TRUE(device_.StopChannel(b));
    TAudioHandle d = device_.GetSampleChannel(sample);
    ASSERT_NE(d, 0u);
    EXPECT_FALSE(device_.StopChannel(b));
    EXPECT_TRUE(device_.PlayChannel(c, true));
    EXPECT_TRUE(device_.PlayChannel(d, true));
    EXPECT_EQ(device_.GetSampleChannel(sample), 0u);
}

TEST_F(AudioPlayback, LoopingSampleWraps) {
    TAudioHandle ch = Play(Sample(RampWav(100), 1, true));
    auto out = Render(350);
    for (size_t i = 0; i < 350; ++i) ASSERT_FLOAT_EQ(out[2 * i], RampValue(i % 100)) << i;
    EXPECT_EQ(device_.ChannelActivity(ch), TChannelActivity::Playing);
}

TEST_F(AudioPlayback, PauseResumeStopAndRestart) {
    TAudioHandle ch = Play(Sample(RampWav(1000)));
    Render(100);
    ASSERT_TRUE(device_.PauseChannel(ch));
    EXPECT_EQ(device_.ChannelActivity(ch), TChannelActivity::Paused);
    EXPECT_EQ(Peak(Render(50)), 0.0f);
    ASSERT_TRUE(device_.PlayChannel(ch, false));
    EXPECT_FLOAT_EQ(Render(10)[0], RampValue(100)) << "resumed where it paused";
    ASSERT_TRUE(device_.StopChannel(ch));
    EXPECT_FALSE(device_.PauseChannel(ch)) << "a stopped channel cannot pause";
    EXPECT_EQ(Peak(Render(50)), 0.0f);
    device_.PlayChannel(ch, false);
    EXPECT_FLOAT_EQ(Render(1)[0], RampValue(110)) << "resumed where it stopped";
    device_.PlayChannel(ch, true);
    EXPECT_FLOAT_EQ(Render(1)[0], RampValue(0)) << "restarted";
    Render(2000);
    EXPECT_EQ(device_.ChannelActivity(ch), TChannelActivity::Stopped);
    device_.PlayChannel(ch, false);
    EXPECT_FLOAT_EQ(Render(2)[2], RampValue(1)) << "an ended channel plays again from the start";
}

TEST_F(AudioPlayback, PausedOutputFreezesPositionsAndSlides) {
    TAudioHandle ch = Play(Sample(RampWav(1000)));
    device_.SlideChannelAttributes(ch, 0, kAudioKeepPan, 10);  // 441 frames
    Render(100);
    ASSERT_TRUE(device_.Pause());
    EXPECT_EQ(Peak(Render(5000)), 0.0f);
    ASSERT_TRUE(device_.Start());
    auto out = Render(1);
    EXPECT_NEAR(out[0], RampValue(100) * (1.0f - 100.0f / 441.0f), 1e-6);
}

TEST_F(AudioPlayback, StopSampleAndFreeSample) {
    TAudioHandle a = Sample(DcWav(kRate), 2), b = Sample(DcWav(kRate), 1);
    TAudioHandle a1 = Play(a), a2 = Play(a), b1 = Play(b);
    ASSERT_TRUE(device_.StopSample(a));
    EXPECT_EQ(device_.ChannelActivity(a1), TChannelActivity::Stopped);
    EXPECT_EQ(device_.ChannelActivity(a2), TChannelActivity::Stopped);
    EXPECT_EQ(device_.ChannelActivity(b1), TChannelActivity::Playing);
    EXPECT_NEAR(Render(1)[0], kHalf, 1e-6);

    device_.PlayChannel(a1, false);
    ASSERT_TRUE(device_.FreeSample(a));
    EXPECT_FALSE(device_.PlayChannel(a1, true));
    EXPECT_EQ(device_.GetSampleChannel(a), 0u);
    EXPECT_FALSE(device_.FreeSample(a));
    EXPECT_NEAR(Render(1)[0], kHalf, 1e-6);
    TAudioHandle again = Sample(DcWav(10));
    EXPECT_NE(again, a) << "a reused slot gets a new handle";
}

TEST_F(AudioPlayback, HandleKindsDoNotMix) {
    TAudioHandle sample = Sample(DcWav(10));
    TAudioHandle ch = device_.GetSampleChannel(sample);
    TAudioHandle music = Music(MakeModule());
    ASSERT_NE(music, 0u);
    EXPECT_EQ(device_.GetSampleChannel(music), 0u);
    EXPECT_EQ(device_.GetSampleChannel(ch), 0u);
    EXPECT_FALSE(device_.FreeMusic(sample));
    EXPECT_FALSE(device_.FreeMusic(ch));
    EXPECT_FALSE(device_.FreeSample(music));
    EXPECT_FALSE(device_.FreeSample(ch));
    EXPECT_FALSE(device_.PlayChannel(sample, true));
    for (TAudioHandle bogus : {0u, 0xFFFFFFFFu, 12345u, 0xC0000000u, 0x8000FFFFu}) {
        EXPECT_FALSE(device_.PlayChannel(bogus, true));
        EXPECT_FALSE(device_.SetChannelAttributes(bogus, 50, 0));
        EXPECT_EQ(device_.GetSampleChannel(bogus), 0u);
    }
}

TEST_F(AudioPlayback, ModuleMusicPlaysLoopsPausesAndEnds) {
    TAudioHandle looped = Music(MakeModule(), true);
    ASSERT_NE(looped, 0u) << testing::PrintToString(log_.Lines());
    EXPECT_EQ(device_.ChannelActivity(looped), TChannelActivity::Stopped);
    EXPECT_EQ(Peak(Render(1000)), 0.0f);
    ASSERT_TRUE(device_.PlayChannel(looped, true));
    auto out = Render(3 * kRate);
    EXPECT_GT(Peak(out, 0, kRate / 4), 0.05f);
    EXPECT_GT(Peak(out, 3 * kRate - kRate / 4), 0.05f) << "still sounding after six loops";
    EXPECT_EQ(device_.ChannelActivity(looped), TChannelActivity::Playing);

    device_.SetChannelAttributes(looped, 0, kAudioKeepPan);
    EXPECT_EQ(Peak(Render(2000)), 0.0f);
    device_.SetChannelAttributes(looped, 100, kAudioKeepPan);
    device_.PauseChannel(looped);
    EXPECT_EQ(Peak(Render(2000)), 0.0f);
    device_.PlayChannel(looped, false);
    EXPECT_GT(Peak(Render(2000)), 0.05f);
    ASSERT_TRUE(device_.FreeMusic(looped));
    EXPECT_FALSE(device_.FreeMusic(looped));
    EXPECT_EQ(Peak(Render(2000)), 0.0f);

    TAudioHandle once = Music(MakeModule(), false);
    device_.PlayChannel(once, true);
    out = Render(2 * kRate);
    EXPECT_GT(Peak(out, 0, kRate / 4), 0.05f);
    EXPECT_EQ(Peak(out, kRate), 0.0f);
    EXPECT_EQ(device_.ChannelActivity(once), TChannelActivity::Stopped);
    device_.PlayChannel(once, false);
    EXPECT_GT(Peak(Render(kRate / 4)), 0.05f) << "an ended music starts again";
}

TEST_F(AudioPlayback, OggPlaysAsSampleAndAsMusicAtItsPitch) {
    const std::string ogg = OggFixture();
    TAudioHandle music = Music(ogg, true);
    ASSERT_NE(music, 0u);
    device_.PlayChannel(music, true);
    auto out = Render(3 * kRate / 2);
    EXPECT_GT(Peak(out, kRate + kRate / 4), 0.4f) << "looped past its half second";
    EXPECT_NEAR(MeasureFrequency(out, 0, kRate / 2 - 100), 440.0, 2.0);

    TAudioHandle sample = Sample(ogg);
    ASSERT_NE(sample, 0u);
    TAudioHandle ch = Play(sample);
    device_.StopChannel(music);
    out = Render(kRate);
    EXPECT_NEAR(MeasureFrequency(out, 0, kRate / 2 - 100), 440.0, 2.0);
    EXPECT_EQ(Peak(out, kRate / 2 + 10), 0.0f);
    EXPECT_EQ(device_.ChannelActivity(ch), TChannelActivity::Stopped);
}

TEST_F(AudioPlayback, ResampledWavKeepsItsPitch) {
    std::vector<int16_t> sine(22050);
    for (size_t i = 0; i < sine.size(); ++i)
        sine[i] = static_cast<int16_t>(std::lround(10000 * std::sin(2 * M_PI * 441.0 * i / 22050)));
    ASSERT_NE(Play(Sample(MakeWav16(22050, 1, sine))), 0u);
    auto out = Render(kRate + 100);
    EXPECT_NEAR(MeasureFrequency(out, 0, kRate), 441.0, 0.5);
    EXPECT_EQ(Peak(out, kRate), 0.0f) << "one second at 22050 Hz lasts one second";
}

TEST_F(AudioPlayback, BadFilesLoadAsNothingWithALogLine) {
    const std::string wav = DcWav(100);
    const std::string ogg = OggFixture();
    const std::string bad[] = {
        "",
        "garbage",
        wav.substr(0, wav.size() - 3),
        ogg.substr(0, ogg.size() / 2),
        std::string(5000, '\0'),
    };
    for (const std::string& bytes : bad) {
        log_.Clear();
        EXPECT_EQ(Sample(bytes), 0u);
        EXPECT_EQ(Music(bytes), 0u);
        ASSERT_EQ(log_.Lines().size(), 2u);
        EXPECT_TRUE(log_.Lines()[0].starts_with("AUDIO: sample not loaded: ")) << log_.Lines()[0];
        EXPECT_TRUE(log_.Lines()[1].starts_with("AUDIO: music not loaded: ")) << log_.Lines()[1];
    }
    EXPECT_EQ(device_.LoadSample(nullptr, 100, 1, false), 0u);
    EXPECT_EQ(device_.LoadMusic(nullptr, 100, false), 0u);
    EXPECT_EQ(Music(wav), 0u) << "a WAV is no music";
}

// Three copies add up to 1.5 of full scale: the 16-bit output gets the
// limiter's level, not full scale.
TEST_F(AudioPlayback, SixteenBitOutputRoundsAndALoudMixIsLimitedBelowFullScale) {
    TAudioHandle sample = Sample(DcWav(100), 3);
    Play(sample);
    std::vector<int16_t> out(8);
    device_.RenderInt16(out.data(), 4);
    EXPECT_EQ(out[0], 16384);
    EXPECT_EQ(out[7], 16384);
    Play(sample);
    Play(sample);
    device_.RenderInt16(out.data(), 4);
    EXPECT_EQ(out[0], std::lround(TAudioMixer::kLimit * 32767.0f));
    EXPECT_EQ(out[7], out[0]);
    EXPECT_LT(out[0], 32767);
}

TEST(AudioBackendClosed, EveryCallAnswersNothing) {
    TLogCapture quiet;
    TAudioDevice device;
    const std::string wav = DcWav(100);
    auto check = [&](TAudioHandle known) {
        EXPECT_FALSE(device.IsOpen());
        EXPECT_FALSE(device.Start());
        EXPECT_FALSE(device.Pause());
        EXPECT_EQ(device.LoadSample(wav.data(), wav.size(), 1, false), 0u);
        EXPECT_EQ(device.LoadMusic(wav.data(), wav.size(), true), 0u);
        EXPECT_EQ(device.GetSampleChannel(known), 0u);
        EXPECT_FALSE(device.StopSample(known));
        EXPECT_FALSE(device.FreeSample(known));
        EXPECT_FALSE(device.FreeMusic(known));
        EXPECT_EQ(device.ChannelActivity(known), TChannelActivity::Stopped);
        EXPECT_FALSE(device.PlayChannel(known, true));
        EXPECT_FALSE(device.StopChannel(known));
        EXPECT_FALSE(device.PauseChannel(known));
        EXPECT_FALSE(device.SetChannelAttributes(known, 50, 0));
        EXPECT_FALSE(device.SlideChannelAttributes(known, 50, 0, 100));
        std::vector<int16_t> out(20, 7);
        device.RenderInt16(out.data(), 10);
        EXPECT_EQ(out, std::vector<int16_t>(20, 0));
    };
    check(0x40000000u);
    // Closing forgets everything it had.
    ASSERT_TRUE(device.OpenWithoutOutput(kRate));
    TAudioHandle sample = device.LoadSample(wav.data(), wav.size(), 1, false);
    TAudioHandle ch = device.GetSampleChannel(sample);
    ASSERT_NE(ch, 0u);
    device.PlayChannel(ch, true);
    device.Close();
    check(sample);
    check(ch);
    ASSERT_TRUE(device.OpenWithoutOutput(kRate));
    EXPECT_FALSE(device.PlayChannel(ch, true)) << "handles do not survive a close";
    EXPECT_EQ(device.GetSampleChannel(sample), 0u);
}

TEST(AudioDevice, WithoutADeviceOpenFailsAndTheGameRunsSilent) {
    TEnvGuard driver("SDL_AUDIODRIVER", "no-such-driver");
    TLogCapture log;
    TAudioDevice device;
    EXPECT_FALSE(device.Open(kAudioOutputRate));
    EXPECT_FALSE(device.IsOpen());
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_TRUE(log.Has({"AUDIO: no audio"})) << log.Lines()[0];
    const std::string wav = DcWav(100);
    EXPECT_EQ(device.LoadSample(wav.data(), wav.size(), 1, false), 0u);
    EXPECT_FALSE(device.Start());
}

// A device SDL finds but cannot open (the disk driver's file cannot be
// made): Open fails and SDL's audio is stopped behind the caller's back; the
// next Open starts it again and works, and its device plays.
TEST(AudioDevice, AnOpenAfterAFailedOneWorks) {
    TTempDir dir("audio");
    TEnvGuard driver("SDL_AUDIODRIVER", "disk");
    const std::string file = dir.File("out.raw");
    TEnvGuard output("SDL_DISKAUDIOFILE", dir.File("no-such-folder/out.raw").c_str());
    TLogCapture log;
    TAudioDevice failed;
    EXPECT_FALSE(failed.Open(kAudioOutputRate));
    EXPECT_TRUE(log.Has({"AUDIO: no audio device"}));
    TEnvGuard good("SDL_DISKAUDIOFILE", file.c_str());
    TAudioDevice device;  // while the failed one's clean-up may still run
    ASSERT_TRUE(device.Open(kAudioOutputRate));
    const std::string wav = DcWav(kRate / 20);
    TAudioHandle ch = device.GetSampleChannel(device.LoadSample(wav.data(), wav.size(), 1, false));
    ASSERT_TRUE(device.PlayChannel(ch, true));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (device.ChannelActivity(ch) == TChannelActivity::Playing &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(device.ChannelActivity(ch), TChannelActivity::Stopped);
    device.Close();
    EXPECT_GE(ReadFileBytes(file).size(), size_t{kRate / 20} * 8) << "the second device was fed";
}

TEST(AudioDevice, DiskDriverWritesWhatIsPlayed) {
    TTempDir dir("audio");
    const std::string file = dir.File("out.raw");
    TEnvGuard driver("SDL_AUDIODRIVER", "disk");
    TEnvGuard output("SDL_DISKAUDIOFILE", file.c_str());
    TAudioDevice device;
    ASSERT_TRUE(device.Open(kAudioOutputRate));
    const std::string wav = DcWav(kRate / 10);
    TAudioHandle ch = device.GetSampleChannel(device.LoadSample(wav.data(), wav.size(), 1, false));
    ASSERT_TRUE(device.PlayChannel(ch, true));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (device.ChannelActivity(ch) == TChannelActivity::Playing &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(device.ChannelActivity(ch), TChannelActivity::Stopped);
    device.Close();

    // The file holds what the device was fed: 32-bit float stereo.
    std::string bytes = ReadFileBytes(file);
    ASSERT_GE(bytes.size(), size_t{kRate / 10} * 8);
    std::vector<float> pcm(bytes.size() / sizeof(float));
    std::memcpy(pcm.data(), bytes.data(), pcm.size() * sizeof(float));
    size_t loud =
        std::count_if(pcm.begin(), pcm.end(), [](float v) { return std::fabs(v - kHalf) < 1e-4f; });
    EXPECT_GE(loud, size_t{2 * kRate / 10}) << "every frame of the sample reached the file";
}
