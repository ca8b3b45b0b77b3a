// The loudest moment the game makes, rendered through the audio mixer with
// the game's own sounds and music as built: a level's music at full volume,
// the win jingle over it and the other sounds of a board at once, each at
// full volume. The plain sum of those sources (decoded and added up here,
// the music read from its own module) goes past full scale; the mixer's
// output must stay below it without a sample cut flat, and keep the sum's
// shape (each frame the sum turned down, the same on both sides).
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/AudioMixer.h"
#include "tests/support/TempDir.h"

namespace {

const std::string kFiles = QM_BUILT_FILES_DIR;

std::unique_ptr<TPcmData> Decoded(const std::string& relative, int rate) {
    const std::string bytes = ReadFileBytes(kFiles + "/" + relative);
    auto pcm = std::make_unique<TPcmData>();
    std::string error;
    EXPECT_TRUE(DecodeSampleFile(bytes.data(), bytes.size(), *pcm, error)) << relative << ": " << error;
    EXPECT_TRUE(ResamplePcm(*pcm, rate, error)) << relative << ": " << error;
    return pcm;
}

TModulePtr Module(const std::string& relative) {
    const std::string bytes = ReadFileBytes(kFiles + "/" + relative);
    std::string error;
    TModulePtr module = LoadModule(bytes.data(), bytes.size(), true, error);
    EXPECT_TRUE(module) << relative << ": " << error;
    return module;
}

}  // namespace

TEST(MixHeadroom, AWinOverTheMusicWithSeveralSoundsStaysBelowFullScale) {
    TAudioMixer mixer;
    const int rate = mixer.Rate();
    // The sounds of a won board: the jingle, the chime, the error and two
    // clicks (a button's sound plays twice at most), all starting together
    // about half a second into the music.
    const std::vector<std::string> sounds = {"data/sounds/jingle.wav", "data/sounds/chime.wav",
                                             "data/sounds/error.wav", "data/sounds/click.wav",
                                             "data/sounds/click.wav"};
    std::vector<const TPcmData*> pcms;
    std::vector<TAudioHandle> channels;
    size_t longest = 0;
    for (const std::string& file : sounds) {
        auto pcm = Decoded(file, rate);
        ASSERT_GT(pcm->FrameCount(), 0u) << file;
        pcms.push_back(pcm.get());
        longest = std::max(longest, pcm->FrameCount());
        TAudioHandle sample = mixer.AddSample(std::move(pcm), 1, false);
        ASSERT_NE(sample, 0u) << file;
        channels.push_back(mixer.GetSampleChannel(sample));
        ASSERT_NE(channels.back(), 0u) << file;
        ASSERT_TRUE(mixer.SetChannelAttributes(channels.back(), 100, 0));
    }
    TAudioHandle music = mixer.AddModuleMusic(Module("data/music/game.mod"));
    ASSERT_NE(music, 0u);
    ASSERT_TRUE(mixer.SetChannelAttributes(music, 100, 0));
    ASSERT_TRUE(mixer.PlayChannel(music, true));

    // Half a second, in whole pieces of 1024 frames: the module is read in
    // the same pieces by the mixer and below.
    const size_t lead = 22 * 1024;
    const size_t frames = lead + longest + static_cast<size_t>(rate) / 2;
    std::vector<float> out(2 * frames);
    mixer.Render(out.data(), lead);
    for (TAudioHandle ch : channels) ASSERT_TRUE(mixer.PlayChannel(ch, true));
    for (size_t done = lead; done < frames;) {
        // In pieces of the size an audio device asks for.
        const size_t n = std::min<size_t>(1024, frames - done);
        mixer.Render(out.data() + 2 * done, n);
        done += n;
    }

    // The plain sum: the music from a second copy of its module, read as the
    // mixer reads it, and the sounds' samples added from the lead on.
    TModulePtr again = Module("data/music/game.mod");
    ASSERT_TRUE(again);
    std::vector<float> sum(2 * frames);
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min<size_t>(1024, frames - done);
        done += openmpt_module_read_interleaved_float_stereo(again.get(), rate, n, sum.data() + 2 * done);
    }
    for (const TPcmData* pcm : pcms) {
        for (size_t i = 0; i < pcm->FrameCount(); ++i) {
            const float l = pcm->samples[i * pcm->channels] / 32768.0f;
            const float r = pcm->samples[i * pcm->channels + pcm->channels - 1] / 32768.0f;
            sum[2 * (lead + i)] += l;
            sum[2 * (lead + i) + 1] += r;
        }
    }
    float sumPeak = 0.0f, peak = 0.0f;
    size_t atFullScale = 0;
    for (size_t i = 0; i < 2 * frames; ++i) {
        sumPeak = std::max(sumPeak, std::fabs(sum[i]));
        peak = std::max(peak, std::fabs(out[i]));
        if (std::fabs(out[i]) >= 1.0f) ++atFullScale;
    }
    ASSERT_GT(sumPeak, 1.0f) << "the moment is loud enough to clip unless the mixer takes care";
    EXPECT_LT(peak, 1.0f);
    EXPECT_EQ(atFullScale, 0u);
    EXPECT_GT(peak, 0.8f) << "turned down to the limit, not far below it";

    // Each frame is the sum times one gain from 0 to 1, both sides alike.
    for (size_t f = 0; f < frames; ++f) {
        float gain = -1.0f;
        for (int side = 0; side < 2; ++side) {
            const float s = sum[2 * f + side], o = out[2 * f + side];
            ASSERT_LE(std::fabs(o), std::fabs(s) + 1e-5f) << "frame " << f;
            if (std::fabs(s) < 0.05f) continue;
            ASSERT_GE(o * s, 0.0f) << "frame " << f;
            if (gain < 0.0f)
                gain = o / s;
            else
                ASSERT_NEAR(o / s, gain, 1e-3f) << "frame " << f;
        }
    }
}
