// Sound through the whole engine: resources from a resource list, played by
// IEngine, paused with the application, the volume settings as options, and
// out through SDL's file-writing driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "core/storage/XMLStorage.h"
#include "engine/audio/SoundResources.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/WavFile.h"

namespace {

using namespace enginetest;

constexpr int kRate = 44100;
constexpr float kHalf = 16384.0f / 32768.0f;

class SoundThroughEngine : public EngineTest {
protected:
    // Writes a one-channel WAV at half scale into the data folder and loads
    // it as the sound resource "Beep".
    void LoadBeep(size_t frames) {
        data.Write("sounds/beep.wav", MakeWav16(kRate, 1, std::vector<int16_t>(frames, 16384)));
        engine->LoadResources(LoadStorageFromXML(R"(<resources><content>
            <resource name="Beep" type="SoundResource" file="sounds\beep.wav"/>
          </content></resources>)"),
                              "test", kLoadResourcesAtOnce);
        ASSERT_TRUE(engine->GetResource("Beep"));
    }

    Ref<ISound> Beep() {
        Ref<TSound> sound = CreateObject<TSound>();
        sound->SetResourceName("Beep");
        return sound;
    }

    TAudioDevice* Device() { return static_cast<TAudioDevice*>(engine->Audio()->GetBackend()); }

    float ListenLeft(int ms) {
        const size_t frames = static_cast<size_t>(kRate) * ms / 1000;
        pcm.resize(2 * frames);
        Device()->RenderFloat(pcm.data(), frames);
        double sum = 0;
        for (size_t i = 0; i < frames; ++i) sum += pcm[2 * i];
        return static_cast<float>(sum / frames);
    }

    std::vector<float> pcm;
};

TEST_F(SoundThroughEngine, DiskDriverHearsASoundPlayedByTheGame) {
    withSound = false;  // the engine opens the real device itself
    TTempDir out("sound");
    const std::string file = out.File("out.raw");
    TEnvGuard driver("SDL_AUDIODRIVER", "disk");
    TEnvGuard output("SDL_DISKAUDIOFILE", file.c_str());
    StartEngine();
    ASSERT_TRUE(engine->IsSoundAvailable());
    LoadBeep(kRate / 10);
    engine->SetOption("SoundVolume", Variant("100"));

    const TChannelHandle ch = Ref<IEngine>(engine)->PlaySound(Beep());
    ASSERT_NE(ch, 0u);
    IAudioBackend* backend = engine->Audio()->GetBackend();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (backend->ChannelActivity(ch) != TChannelActivity::Stopped &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    engine->Done();

    const std::string bytes = ReadFileBytes(file);
    std::vector<float> written(bytes.size() / sizeof(float));
    std::memcpy(written.data(), bytes.data(), written.size() * sizeof(float));
    const size_t loud = std::count_if(written.begin(), written.end(),
                                      [](float v) { return std::fabs(v - kHalf) < 1e-4f; });
    EXPECT_GE(loud, size_t{2 * kRate / 10}) << "every frame of the sound reached the file";
}

TEST_F(SoundThroughEngine, OutputPausesWhileTheApplicationIsInactive) {
    StartEngine();
    ASSERT_TRUE(engine->IsSoundAvailable());
    LoadBeep(kRate);
    engine->SetOption("SoundVolume", Variant("100"));
    ASSERT_NE(Ref<IEngine>(engine)->PlaySound(Beep()), 0u);
    EXPECT_NEAR(ListenLeft(100), kHalf, 1e-4f);

    engine->SetActive(false);
    ListenLeft(300);
    EXPECT_TRUE(std::all_of(pcm.begin(), pcm.end(), [](float v) { return v == 0; }));
    engine->SetActive(true);
    EXPECT_NEAR(ListenLeft(800), kHalf, 1e-4f) << "the sound resumes where it was";
}

TEST_F(SoundThroughEngine, VolumeSettingsAsOptions) {
    StartEngine();
    ASSERT_TRUE(engine->IsSoundAvailable());
    // The defaults were applied when sound started.
    EXPECT_EQ(engine->Audio()->GetSoundVolume(), 70);
    EXPECT_EQ(engine->Audio()->GetMusicVolume(), 30);
    engine->SetOption("SoundVolume", Variant("150"));
    engine->SetOption("MusicVolume", Variant("150"));
    EXPECT_EQ(engine->Audio()->GetSoundVolume(), 100);
    EXPECT_EQ(engine->Audio()->GetMusicVolume(), 150);

    LoadBeep(kRate);
    engine->SetOption("SoundVolume", Variant("50"));
    ASSERT_NE(Ref<IEngine>(engine)->PlaySound(Beep()), 0u);
    EXPECT_NEAR(ListenLeft(10), kHalf / 2, 1e-4f);
}

TEST_F(SoundThroughEngine, RemovingTheGroupFreesTheSample) {
    StartEngine();
    LoadBeep(kRate);
    const TSampleHandle sample = Query<ISoundResource>(engine->GetResource("Beep"))->GetHandle();
    ASSERT_NE(sample, 0u);
    engine->RemoveResources("test");
    EXPECT_FALSE(engine->GetResource("Beep"));
    EXPECT_EQ(Device()->GetSampleChannel(sample), 0u) << "the sample is gone from the mixer";
    EXPECT_EQ(Ref<IEngine>(engine)->PlaySound(Beep()), 0u);
}

}  // namespace
