// soundtool's recipes made into WAV, Ogg Vorbis and a tracker module, each
// read back through the platform's decoders (libopenmpt for the module) and
// checked for its length, its pitches and its silences.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/audio/AudioDecoders.h"
#include "tests/data/ToolRun.h"
#include "tests/support/TempDir.h"

namespace {

using datatest::RunTool;

// One channel of decoded sound as floats from -1 to 1.
struct TSignal {
    int rate = 0;
    std::vector<float> samples;

    size_t At(double seconds) const {
        return std::min(samples.size(), static_cast<size_t>(seconds * rate));
    }
    // Upward zero crossings a second between two times.
    double Frequency(double from, double to) const {
        int crossings = 0;
        size_t first = 0, last = 0;
        for (size_t i = At(from) + 1; i < At(to); ++i) {
            if (samples[i - 1] < 0 && samples[i] >= 0) {
                if (crossings == 0) first = i;
                last = i;
                ++crossings;
            }
        }
        return crossings < 2 ? 0.0 : (crossings - 1) * double(rate) / double(last - first);
    }
    double Rms(double from, double to) const {
        double sum = 0;
        const size_t a = At(from), b = At(to);
        for (size_t i = a; i < b; ++i) sum += double(samples[i]) * samples[i];
        return b > a ? std::sqrt(sum / double(b - a)) : 0.0;
    }
    float Peak() const {
        float peak = 0;
        for (float s : samples) peak = std::max(peak, std::abs(s));
        return peak;
    }
};

TSignal Channel(const TPcmData& pcm, int channel) {
    TSignal signal;
    signal.rate = pcm.rate;
    for (size_t i = 0; i < pcm.FrameCount(); ++i)
        signal.samples.push_back(pcm.samples[i * pcm.channels + channel] / 32768.0f);
    return signal;
}

class SoundToolTest : public ::testing::Test {
protected:
    // Makes out from the recipe text; the tool's status.
    datatest::TToolResult Make(const std::string& recipe, const std::string& out) {
        return RunTool(QM_SOUNDTOOL, {dir.Write("recipe.txt", recipe), dir.File(out)});
    }

    TPcmData DecodeFile(const std::string& out) {
        const std::string bytes = ReadFileBytes(dir.File(out));
        TPcmData pcm;
        std::string error;
        EXPECT_TRUE(DecodeSampleFile(bytes.data(), bytes.size(), pcm, error))
            << out << ": " << error;
        return pcm;
    }

    TTempDir dir{"soundtool"};
};

TEST_F(SoundToolTest, ToneHasItsPitchLengthAndPeak) {
    ASSERT_EQ(
        Make("rate 22050\npeak 0.5\ntone sine 440 length=0.5 attack=0 release=0\n", "sine.wav")
            .status,
        0);
    const TPcmData pcm = DecodeFile("sine.wav");
    EXPECT_EQ(pcm.channels, 1);
    EXPECT_EQ(pcm.rate, 22050);
    EXPECT_EQ(pcm.FrameCount(), 11025u);
    const TSignal s = Channel(pcm, 0);
    EXPECT_NEAR(s.Frequency(0, 0.5), 440.0, 2.0);
    EXPECT_NEAR(s.Peak(), 0.5, 0.005);
}

TEST_F(SoundToolTest, TonesStartSlideAndFadeWhereTheRecipeSays) {
    // A sine from 0.25 s that glides from 300 Hz to 600 Hz while held for
    // half a second, then fades over 0.2 s; the file ends with the fade.
    ASSERT_EQ(Make("# a glide\ntone sine 300 at=0.25 length=0.5 slide=600 release=0.2  # held\n",
                   "glide.wav")
                  .status,
              0);
    const TPcmData pcm = DecodeFile("glide.wav");
    EXPECT_EQ(pcm.rate, 44100);
    EXPECT_EQ(pcm.FrameCount(), static_cast<size_t>(0.95 * 44100));
    const TSignal s = Channel(pcm, 0);
    EXPECT_EQ(s.Rms(0, 0.25), 0.0);
    EXPECT_GT(s.Rms(0.26, 0.3), 0.3);
    EXPECT_NEAR(s.Frequency(0.26, 0.32), 330.0, 12.0);
    EXPECT_NEAR(s.Frequency(0.68, 0.75), 585.0, 15.0);
    // The release falls away to nothing.
    EXPECT_LT(s.Rms(0.85, 0.9), s.Rms(0.75, 0.8));
    EXPECT_LT(s.Rms(0.93, 0.95), 0.05);
}

// Three notes of one instrument two octaves apart, then a rest, played
// twice: 32 steps of 0.125 s.
constexpr char kScale[] =
    "tempo 120\n"
    "steps 4\n"
    "instrument tone sine volume=0.6 attack=0.005 release=0.02 pan=-1\n"
    "pattern a\n"
    "  tone: A3 - - - | A4 - - - | A5 - - - | . . . .\n"
    "  tone: | E4 - - - | . . . . | - - - - | . . . .\n"
    "order a a\n";
constexpr char kScaleOnOneLine[] =
    "tempo 120\n"
    "steps 4\n"
    "instrument tone sine volume=0.6 attack=0.005 release=0.02 pan=-1\n"
    "pattern a\n"
    "  tone: A3 - - - A4 - - - A5 - - - . . . . E4 - - - . . . . - - - - . . . .\n"
    "order a a\n";

void ExpectScale(const TSignal& s, double tolerance) {
    struct TNote {
        double from, to, frequency;
    };
    for (double start : {0.0, 4.0}) {
        for (const TNote& n : {TNote{0.1, 0.45, 220}, TNote{0.6, 0.95, 440}, TNote{1.1, 1.45, 880},
                               TNote{2.1, 2.45, 329.63}}) {
            EXPECT_NEAR(s.Frequency(start + n.from, start + n.to), n.frequency,
                        n.frequency * tolerance)
                << "at " << start + n.from << " s";
            EXPECT_GT(s.Rms(start + n.from, start + n.to), 0.1) << "at " << start + n.from << " s";
        }
        // The rests, and the held step that follows one, are silent.
        for (double rest : {1.6, 2.6, 3.1, 3.6})
            EXPECT_LT(s.Rms(start + rest, start + rest + 0.3), 0.01)
                << "at " << start + rest << " s";
    }
}

TEST_F(SoundToolTest, MusicAsOggLastsItsStepsExactly) {
    // A pattern's lines for one instrument continue one another.
    ASSERT_EQ(Make(std::string("channels 2\n") + kScale, "scale.ogg").status, 0);
    const TPcmData pcm = DecodeFile("scale.ogg");
    EXPECT_EQ(pcm.channels, 2);
    EXPECT_EQ(pcm.rate, 44100);
    EXPECT_EQ(pcm.FrameCount(), 8u * 44100);
    const TSignal left = Channel(pcm, 0), right = Channel(pcm, 1);
    ExpectScale(left, 0.01);
    // Panned fully left.
    EXPECT_LT(right.Rms(0, 8), left.Rms(0, 8) * 0.02);
}

TEST_F(SoundToolTest, MusicAsModulePlaysTheSameNotesForTheSameTime) {
    for (const char* recipe : {kScale, kScaleOnOneLine}) {
        ASSERT_EQ(Make(recipe, "scale.mod").status, 0);
        const std::string bytes = ReadFileBytes(dir.File("scale.mod"));
        EXPECT_EQ(bytes.substr(1080, 4), "M.K.");
        std::string error;
        TModulePtr module = LoadModule(bytes.data(), bytes.size(), false, error);
        ASSERT_TRUE(module) << error;
        EXPECT_NEAR(openmpt_module_get_duration_seconds(module.get()), 8.0, 0.01);
        TSignal s;
        s.rate = 44100;
        s.samples.resize(8 * 44100);
        const size_t got = openmpt_module_read_float_mono(module.get(), s.rate, s.samples.size(),
                                                          s.samples.data());
        EXPECT_EQ(got, s.samples.size());
        ExpectScale(s, 0.015);
    }
}

TEST_F(SoundToolTest, DecayingInstrumentsFallAwayInBothForms) {
    const std::string recipe =
        "instrument pluck triangle volume=0.8 decay=0.1 release=0.05\n"
        "instrument hat noise volume=0.3 decay=0.02\n"
        "pattern p\n  pluck: C4 - - - - - - -\n  hat: C7 . . . C7 . . .\norder p\n";
    ASSERT_EQ(Make(recipe, "pluck.wav").status, 0);
    ASSERT_EQ(Make(recipe, "pluck.mod").status, 0);
    const TSignal wav = Channel(DecodeFile("pluck.wav"), 0);
    EXPECT_EQ(wav.samples.size(), 44100u);  // 8 steps at 120 beats a minute
    const std::string bytes = ReadFileBytes(dir.File("pluck.mod"));
    std::string error;
    TModulePtr module = LoadModule(bytes.data(), bytes.size(), false, error);
    ASSERT_TRUE(module) << error;
    TSignal played;
    played.rate = 44100;
    played.samples.resize(44100);
    openmpt_module_read_float_mono(module.get(), played.rate, played.samples.size(),
                                   played.samples.data());
    const TSignal& mod = played;
    for (const TSignal* s : {&wav, &mod}) {
        EXPECT_GT(s->Rms(0.01, 0.06), 0.05);
        EXPECT_LT(s->Rms(0.4, 0.49), s->Rms(0.01, 0.06) * 0.2);
    }
}

TEST_F(SoundToolTest, TheSameRecipeGivesTheSameBytes) {
    const std::string recipe =
        "instrument hiss noise volume=0.5 decay=0.05\ninstrument lead square duty=0.3\n"
        "pattern p\n  hiss: C6 . C6 .\n  lead: E4 - G4 -\norder p p\n";
    for (const char* out : {"a.wav", "a.ogg", "a.mod"}) {
        ASSERT_EQ(Make(recipe, out).status, 0) << out;
        const std::string first = ReadFileBytes(dir.File(out));
        ASSERT_EQ(Make(recipe, out).status, 0) << out;
        EXPECT_EQ(ReadFileBytes(dir.File(out)), first) << out;
    }
}

TEST_F(SoundToolTest, MistakesAreReportedWithTheirLineAndNothingIsWritten) {
    struct TCase {
        std::string recipe;
        const char* out;
        const char* message;
    };
    const std::string two = "instrument a sine\ninstrument b sine\n";
    const TCase cases[] = {
        {"tone sinus 440\n", "x.wav", "recipe.txt:1: unknown wave \"sinus\""},
        {"\ntone sine abc\n", "x.wav", "recipe.txt:2: frequency: \"abc\" is no number"},
        {"tone sine 440 legnth=1\n", "x.wav", "recipe.txt:1: unknown option \"legnth\""},
        {"rate 100\ntone sine 440\n", "x.wav", "recipe.txt:1: rate: 100 is outside"},
        {"tone sine 440 volume=2\n", "x.wav", "volume: 2 is outside 0 to 1"},
        {"tone sine 440\nloud\n", "x.wav", "recipe.txt:2: unknown statement \"loud\""},
        {"instrument a sine\npattern p\n  b: C4\n", "x.wav", "recipe.txt:3: instrument \"b\""},
        {"instrument a sine\npattern p\n  a: H4\n", "x.wav", "recipe.txt:3: \"H4\" is no note"},
        {"instrument a sine\n  a: C4\n", "x.wav", "recipe.txt:2: a track line outside a pattern"},
        {two + "pattern p\n  a: C4 -\n  b: C4\norder p\n", "x.wav", "recipe.txt:3: the lines"},
        {"instrument a sine\npattern p\n  a: C4\norder q\n", "x.wav",
         "recipe.txt:4: the order names pattern \"q\""},
        {"# nothing\n", "x.wav", "makes no sound"},
        {"tone sine 440\n", "x.mod", "a module needs patterns"},
        {two + "instrument c sine\ninstrument d sine\ninstrument e sine\npattern p\n"
               "  a: C4\n  b: C4\n  c: C4\n  d: C4\n  e: C4\norder p\n",
         "x.mod", "four channels, and 5 instruments play"},
        {"instrument a sine\npattern p\n  a: C2 C6\norder p\n", "x.mod", "three octaves"},
        {"tone sine 440\n", "x.mp3", "ends in .wav, .ogg or .mod"},
    };
    for (const TCase& c : cases) {
        const datatest::TToolResult result = Make(c.recipe, c.out);
        EXPECT_EQ(result.status, 1) << c.recipe;
        EXPECT_NE(result.output.find(c.message), std::string::npos)
            << c.recipe << " said " << result.output;
        EXPECT_FALSE(std::filesystem::exists(dir.File(c.out))) << c.recipe;
    }
}

}  // namespace
