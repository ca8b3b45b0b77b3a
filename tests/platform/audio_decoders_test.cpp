// WAV and Ogg decoding, resampling and rejection of malformed files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/audio/AudioDecoders.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFile.h"

using namespace std::string_literals;

namespace {

bool Decode(const std::string& bytes, TPcmData& pcm, std::string& error) {
    return DecodeSampleFile(bytes.data(), bytes.size(), pcm, error);
}

std::string OggFixture() {
    return ReadFileBytes(std::string(QM_TEST_DATA_DIR) + "/audio/sine440_22050_mono.ogg");
}

// Upward zero crossings per second over the given mono samples.
double MeasureFrequency(const std::vector<int16_t>& s, int channels, int rate) {
    int crossings = 0;
    size_t frames = s.size() / channels;
    size_t first = 0, last = 0;
    for (size_t i = 1; i < frames; ++i) {
        if (s[(i - 1) * channels] < 0 && s[i * channels] >= 0) {
            if (crossings == 0) first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) return 0.0;
    return (crossings - 1) * static_cast<double>(rate) / static_cast<double>(last - first);
}

}  // namespace

TEST(AudioDecoders, WavLayoutsDecodeToSigned16Bit) {
    TPcmData pcm;
    std::string error;
    // 8-bit data is unsigned around 128.
    ASSERT_TRUE(Decode(MakeWav(8000, 1, 8, std::string("\x00\x80\xFF", 3)), pcm, error)) << error;
    EXPECT_EQ(pcm.channels, 1);
    EXPECT_EQ(pcm.rate, 8000);
    EXPECT_EQ(pcm.samples, (std::vector<int16_t>{-32768, 0, 32512}));

    ASSERT_TRUE(Decode(MakeWav(44100, 2, 16, Pcm16({1, -2, 32767, -32768})), pcm, error));
    EXPECT_EQ(pcm.channels, 2);
    EXPECT_EQ(pcm.FrameCount(), 2u);
    EXPECT_EQ(pcm.samples, (std::vector<int16_t>{1, -2, 32767, -32768}));

    // A trailing half frame is dropped; an odd chunk is followed by its pad byte.
    ASSERT_TRUE(Decode(MakeWav(44100, 2, 16, Pcm16({5, 6, 7})), pcm, error));
    EXPECT_EQ(pcm.samples, (std::vector<int16_t>{5, 6}));
}

TEST(AudioDecoders, WavChunksInAnyOrderAndUnknownChunksSkipped) {
    std::string fmt;
    PutU16(fmt, 1);
    PutU16(fmt, 1);
    PutU32(fmt, 11025);
    PutU32(fmt, 22050);
    PutU16(fmt, 2);
    PutU16(fmt, 16);
    std::string body = "WAVELIST";
    PutU32(body, 3);
    body += std::string("abc") + '\0';  // odd chunk and its pad byte
    body += "data";
    PutU32(body, 4);
    body += Pcm16({100, -100});
    body += "fmt ";
    PutU32(body, 16);
    body += fmt;
    std::string file = "RIFF";
    PutU32(file, static_cast<uint32_t>(body.size()));
    file += body;
    TPcmData pcm;
    std::string error;
    ASSERT_TRUE(Decode(file, pcm, error)) << error;
    EXPECT_EQ(pcm.rate, 11025);
    EXPECT_EQ(pcm.samples, (std::vector<int16_t>{100, -100}));
}

TEST(AudioDecoders, MalformedWavFilesAreRefused) {
    const std::string good = MakeWav(22050, 1, 16, Pcm16({1, 2, 3, 4}));
    std::string hugeChunk = good;
    hugeChunk[16] = hugeChunk[17] = hugeChunk[18] = hugeChunk[19] = '\xFF';  // fmt size
    std::string truncatedData = good.substr(0, good.size() - 2);
    std::string shortFmt = good;
    shortFmt[16] = 8;  // fmt chunk of 8 bytes
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"header only", "RIFF\x04\0\0\0WAVE"s},
        {"not WAVE", "RIFF\x04\0\0\0AVI "s},
        {"no data chunk", good.substr(0, 36)},
        {"no format chunk", "RIFF\x0C\0\0\0WAVEdata\x00\0\0\0"s},
        {"float samples", MakeWav(22050, 1, 32, std::string(8, '\0'), 3)},
        {"ADPCM", MakeWav(22050, 1, 16, Pcm16({1, 2}), 2)},
        {"24 bit", MakeWav(22050, 1, 24, std::string(6, '\0'))},
        {"three channels", MakeWav(22050, 3, 16, Pcm16({1, 2, 3}))},
        {"rate zero", MakeWav(0, 1, 16, Pcm16({1, 2}))},
        {"no frames", MakeWav(22050, 1, 16, "")},
        {"chunk size past the end", hugeChunk},
        {"truncated data", truncatedData},
        {"short format chunk", shortFmt},
    };
    for (const Case& c : cases) {
        TPcmData pcm;
        std::string error;
        EXPECT_FALSE(Decode(c.bytes, pcm, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
    // A block alignment that does not match the layout.
    std::string badAlign = good;
    badAlign[32] = 4;
    TPcmData pcm;
    std::string error;
    EXPECT_FALSE(Decode(badAlign, pcm, error));
}

TEST(AudioDecoders, EveryPrefixOfAWavIsHandledSafely) {
    const std::string good = MakeWav(22050, 2, 16, Pcm16({1, 2, 3, 4, 5, 6}));
    for (size_t n = 0; n < good.size(); ++n) {
        // The copy makes an exact-size heap block, so reading past it would be caught.
        std::vector<char> prefix(good.begin(), good.begin() + n);
        TPcmData pcm;
        std::string error;
        EXPECT_FALSE(DecodeSampleFile(prefix.data(), prefix.size(), pcm, error)) << n;
    }
}

TEST(AudioDecoders, OggFixtureDecodes) {
    std::string ogg = OggFixture();
    ASSERT_FALSE(ogg.empty());
    TPcmData pcm;
    std::string error;
    ASSERT_TRUE(Decode(ogg, pcm, error)) << error;
    EXPECT_EQ(pcm.channels, 1);
    EXPECT_EQ(pcm.rate, 22050);
    EXPECT_EQ(pcm.FrameCount(), 11025u);
    EXPECT_NEAR(MeasureFrequency(pcm.samples, 1, pcm.rate), 440.0, 2.0);
    int peak = 0;
    for (int16_t v : pcm.samples) peak = std::max(peak, std::abs(int{v}));
    EXPECT_NEAR(peak, 16384, 1500);
}

TEST(AudioDecoders, TruncatedOrCorruptOggIsRefused) {
    const std::string ogg = OggFixture();
    ASSERT_GT(ogg.size(), 1000u);
    for (size_t n = 0; n < ogg.size(); n += 97) {
        std::vector<char> prefix(ogg.begin(), ogg.begin() + n);
        TPcmData pcm;
        std::string error;
        EXPECT_FALSE(DecodeOggVorbis(prefix.data(), prefix.size(), pcm, error)) << n;
    }
    // Cut exactly between two pages: only the missing end-of-stream page tells.
    size_t pages = 0;
    for (size_t pos = 0; pos + 27 <= ogg.size();) {
        size_t segments = static_cast<uint8_t>(ogg[pos + 26]);
        size_t body = 0;
        for (size_t i = 0; i < segments; ++i) body += static_cast<uint8_t>(ogg[pos + 27 + i]);
        pos += 27 + segments + body;
        if (pos >= ogg.size()) break;
        ++pages;
        TPcmData pcm;
        std::string error;
        EXPECT_FALSE(Decode(ogg.substr(0, pos), pcm, error)) << "cut after page " << pages;
    }
    EXPECT_GE(pages, 10u);
    // Damage inside the audio pages: their checksums fail.
    for (size_t at : {ogg.size() / 2, ogg.size() - 200}) {
        std::string bad = ogg;
        for (size_t i = at; i < at + 16; ++i) bad[i] = static_cast<char>(bad[i] ^ 0x5A);
        TPcmData pcm;
        std::string error;
        EXPECT_FALSE(Decode(bad, pcm, error)) << at;
    }
    // Garbage that merely starts like an Ogg page.
    std::string fake = "OggS" + std::string(200, '\x01');
    TPcmData pcm;
    std::string error;
    EXPECT_FALSE(Decode(fake, pcm, error));
}

TEST(AudioDecoders, LinearResamplingKeepsPitchAndInterpolates) {
    // Exact on a ramp: every new frame lies halfway between two old ones.
    TPcmData ramp{1, 22050, {0, 100, 200, -300}};
    std::string error;
    ASSERT_TRUE(ResamplePcm(ramp, 44100, error));
    EXPECT_EQ(ramp.rate, 44100);
    EXPECT_EQ(ramp.samples, (std::vector<int16_t>{0, 50, 100, 150, 200, -50, -300}));

    TPcmData stereo{2, 8000, {0, 1000, 80, -1000}};
    ASSERT_TRUE(ResamplePcm(stereo, 16000, error));
    EXPECT_EQ(stereo.samples, (std::vector<int16_t>{0, 1000, 40, 0, 80, -1000}));

    // A 441 Hz sine at 22050 Hz sounds at 441 Hz after conversion, both ways.
    for (int from : {22050, 11025, 48000}) {
        TPcmData sine{1, from, {}};
        for (int i = 0; i < from; ++i)
            sine.samples.push_back(
                static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * 441.0 * i / from))));
        ASSERT_TRUE(ResamplePcm(sine, 44100, error));
        EXPECT_NEAR(static_cast<double>(sine.FrameCount()), 44100.0, 5.0) << from;
        EXPECT_NEAR(MeasureFrequency(sine.samples, 1, 44100), 441.0, 0.5) << from;
    }
}

TEST(AudioDecoders, ModulesLoadThroughLibopenmptAndGarbageDoesNot) {
    std::string error;
    std::string garbage(4000, '\x37');
    EXPECT_EQ(LoadModule(garbage.data(), garbage.size(), true, error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(LoadModule(nullptr, 0, true, error), nullptr);
    // An Ogg file is no module.
    std::string ogg = OggFixture();
    EXPECT_EQ(LoadModule(ogg.data(), ogg.size(), true, error), nullptr);
}
