// The engine's audio part: music stack and crossfade, sounds and their
// volume, muting, playback limits, random-choice groups, pausing, and
// running silent. Heard as rendered PCM through the audio device without
// output, checked as the call log of a recording backend, and once through
// SDL's file-writing driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/base/Log.h"
#include "core/base/Random.h"
#include "core/base/Streams.h"
#include "core/object/GeneralClasses.h"
#include "core/storage/XMLStorage.h"
#include "engine/audio/EngineSounds.h"
#include "engine/audio/SoundResources.h"
#include "engine/resources/EngineResources.h"
#include "platform/audio/AudioDevice.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFile.h"

namespace {

constexpr int kRate = 44100;
constexpr float kHalf = 16384.0f / 32768.0f;

void EnsureSoundClasses() {
    if (!FindRegisteredClass("SoundResource")) RegisterSoundClasses();
}

// Stereo, every frame (left, right).
std::string StereoDcWav(int16_t left, int16_t right, size_t frames) {
    std::vector<int16_t> v(2 * frames);
    for (size_t i = 0; i < frames; ++i) {
        v[2 * i] = left;
        v[2 * i + 1] = right;
    }
    return MakeWav16(kRate, 2, v);
}

std::string MonoDcWav(int16_t level, size_t frames) {
    return MakeWav16(kRate, 1, std::vector<int16_t>(frames, level));
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---------------------------------------------------------------------------
// A backend that records every call and plays nothing.

class TRecordingBackend final : public IAudioBackend {
public:
    bool openAnswer = true;
    bool refuseChannels = false;  // every playback taken
    std::vector<std::string> calls;
    std::map<TAudioHandle, TChannelActivity> activity;
    std::map<TAudioHandle, TAudioHandle> sampleOf;  // channel -> sample
    std::map<TAudioHandle, uint16_t> maxPlaybacks;

    void Clear() { calls.clear(); }
    size_t CountCalls(const std::string& prefix) const {
        return std::count_if(calls.begin(), calls.end(),
                             [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    }

    bool Open(int frequency) override {
        calls.push_back("Open(" + std::to_string(frequency) + ")");
        open_ = openAnswer;
        return open_;
    }
    void Close() override {
        calls.push_back("Close");
        open_ = false;
    }
    bool IsOpen() const override { return open_; }
    bool Start() override {
        calls.push_back("Start");
        return open_;
    }
    bool Pause() override {
        calls.push_back("PauseAll");
        return open_;
    }
    TAudioHandle LoadMusic(const void*, size_t size, bool loop) override {
        calls.push_back("LoadMusic(" + std::to_string(size) + "," + std::to_string(loop) + ")");
        return open_ ? nextMusic_++ : 0;
    }
    bool FreeMusic(TAudioHandle music) override {
        calls.push_back("FreeMusic(" + std::to_string(music) + ")");
        return open_;
    }
    TAudioHandle LoadSample(const void*, size_t size, uint16_t max, bool loop) override {
        calls.push_back("LoadSample(" + std::to_string(size) + "," + std::to_string(max) + "," +
                        std::to_string(loop) + ")");
        if (!open_) return 0;
        TAudioHandle h = nextSample_++;
        maxPlaybacks[h] = max;
        return h;
    }
    bool FreeSample(TAudioHandle sample) override {
        calls.push_back("FreeSample(" + std::to_string(sample) + ")");
        return open_;
    }
    TAudioHandle GetSampleChannel(TAudioHandle sample) override {
        calls.push_back("GetSampleChannel(" + std::to_string(sample) + ")");
        if (!open_ || refuseChannels || !maxPlaybacks.count(sample)) return 0;
        TAudioHandle ch = nextChannel_++;
        sampleOf[ch] = sample;
        activity[ch] = TChannelActivity::Stopped;
        return ch;
    }
    bool StopSample(TAudioHandle sample) override {
        calls.push_back("StopSample(" + std::to_string(sample) + ")");
        for (auto& [ch, s] : sampleOf)
            if (s == sample) activity[ch] = TChannelActivity::Stopped;
        return open_;
    }
    TChannelActivity ChannelActivity(TAudioHandle channel) override {
        auto it = activity.find(channel);
        return it == activity.end() ? TChannelActivity::Stopped : it->second;
    }
    bool PlayChannel(TAudioHandle channel, bool restart) override {
        calls.push_back("Play(" + std::to_string(channel) + "," + std::to_string(restart) + ")");
        activity[channel] = TChannelActivity::Playing;
        return open_;
    }
    bool StopChannel(TAudioHandle channel) override {
        calls.push_back("Stop(" + std::to_string(channel) + ")");
        activity[channel] = TChannelActivity::Stopped;
        return open_;
    }
    bool PauseChannel(TAudioHandle channel) override {
        calls.push_back("Pause(" + std::to_string(channel) + ")");
        activity[channel] = TChannelActivity::Paused;
        return open_;
    }
    bool SetChannelAttributes(TAudioHandle channel, int volume, int pan) override {
        calls.push_back("Set(" + std::to_string(channel) + "," + std::to_string(volume) + "," +
                        std::to_string(pan) + ")");
        return open_;
    }
    bool SlideChannelAttributes(TAudioHandle channel, int volume, int pan,
                                uint32_t timeMs) override {
        calls.push_back("Slide(" + std::to_string(channel) + "," + std::to_string(volume) + "," +
                        std::to_string(pan) + "," + std::to_string(timeMs) + ")");
        return open_;
    }

private:
    bool open_ = false;
    TAudioHandle nextMusic_ = 100;
    TAudioHandle nextSample_ = 200;
    TAudioHandle nextChannel_ = 1000;
};

// ---------------------------------------------------------------------------
// The engine side the audio part needs: files, resources, settings, a log,
// and an owner that loads resources through the audio part.

class TAudioOwner final : public TAbstractObject, public virtual IResourceOwner {
public:
    explicit TAudioOwner(TEngineAudio* audio) : audio_(audio) {}
    void Drop() { audio_ = nullptr; }

    std::unique_ptr<TStream> OpenStream(const std::string&) override { return nullptr; }
    TPixelFormat GetPixelFormat() override { return {}; }
    uint32_t ColorToPixel(uint32_t color) override { return color; }
    TMusicHandle LoadMusic(const std::string& fileName) override {
        return audio_ ? audio_->LoadMusic(fileName) : 0;
    }
    void FreeMusic(TMusicHandle music) override {
        if (audio_) audio_->FreeMusic(music);
    }
    TSampleHandle LoadSample(const std::string& fileName, uint16_t maxPlaybacks,
                             bool loop) override {
        return audio_ ? audio_->LoadSample(fileName, maxPlaybacks, loop) : 0;
    }
    TChannelHandle LoadLoopedSampleChannel(const std::string& fileName,
                                           TSampleHandle& sample) override {
        sample = 0;
        return audio_ ? audio_->LoadLoopedSampleChannel(fileName, sample) : 0;
    }
    void FreeSample(TSampleHandle sample) override {
        if (audio_) audio_->FreeSample(sample);
    }
    Ref<IResource> GetResource(const std::string&) override { return nullptr; }

private:
    TEngineAudio* audio_;
};

struct TAudioRig {
    Ref<IAudioBackend> backend;
    std::map<std::string, std::string> files;
    std::map<std::string, Variant> settings;
    std::vector<std::string> log;  // the core log's lines while the rig lives
    Ref<TResourceCollection> resources;
    std::unique_ptr<TEngineAudio> audio;
    Ref<TAudioOwner> owner;

    explicit TAudioRig(Ref<IAudioBackend> b) : backend(std::move(b)) {
        EnsureSoundClasses();
        resources = CreateObject<TResourceCollection>();
        settings["MusicVolume"] = Variant("100");
        settings["SoundVolume"] = Variant("100");
        TEngineAudioHost host;
        host.openStream = [this](const std::string& name) -> std::unique_ptr<TStream> {
            auto it = files.find(name);
            if (it == files.end()) return nullptr;
            return std::make_unique<TMemoryStream>(it->second);
        };
        host.resources = [this]() -> IResourceCollection* { return resources.get(); };
        host.getSetting = [this](const std::string& name) {
            auto it = settings.find(name);
            return it == settings.end() ? Variant::Null() : it->second;
        };
        audio = std::make_unique<TEngineAudio>(backend, std::move(host));
        owner = MakeRef<TAudioOwner>(audio.get());
        previousSink = SetLogSink([this](std::string_view module, std::string_view message) {
            log.push_back(FormatLogLine(module, message));
        });
    }
    ~TAudioRig() {
        resources->RemoveGroup("");
        owner->Drop();
        SetLogSink(std::move(previousSink));
    }
    bool Logged(const std::string& line) const {
        return std::find(log.begin(), log.end(), line) != log.end();
    }
    TLogSink previousSink;

    // One resource from a "resource" element, attached and added as the
    // engine's list loader does.
    Ref<IResource> AddResource(const std::string& xml) {
        Ref<IHierStorage> node = LoadStorageFromXML(xml);
        EXPECT_TRUE(node) << xml;
        const std::string type = ReadString(node, "type", "");
        Ref<IResourceSlave> slave = CreateResourceByType(type, ReadString(node, "name", ""));
        EXPECT_TRUE(slave) << type;
        if (!slave) return nullptr;
        Query<IPersistObject>(slave)->Load(node);
        slave->SetOwner(Ref<IResourceOwner>(owner.get()));
        resources->Add(slave);
        return slave;
    }
    Ref<IResource> AddSound(const std::string& name, const std::string& file,
                            const std::string& extra = "") {
        return AddResource("<resource type=\"SoundResource\" name=\"" + name + "\" file=\"" + file +
                           "\" " + extra + "/>");
    }
    Ref<IResource> AddOggMusic(const std::string& name, const std::string& file) {
        return AddResource("<resource type=\"MusicResource\" format=\"ogg\" name=\"" + name +
                           "\" file=\"" + file + "\"/>");
    }
};

Ref<ISound> NewSound(const std::string& resourceName, int32_t volume = -1, int32_t pan = -101,
                     bool muteMusic = false) {
    Ref<TSound> sound = CreateObject<TSound>();
    sound->SetResourceName(resourceName);
    sound->SetVolume(volume);
    sound->SetPan(pan);
    sound->SetMuteMusic(muteMusic);
    return sound;
}

Ref<IMusic> NewMusic(const std::string& resourceName) {
    Ref<TMusic> music = CreateObject<TMusic>();
    music->SetResourceName(resourceName);
    return music;
}

// A rig over the real mixer, pulled by hand.
struct TPcmRig : TAudioRig {
    TAudioDevice* device;
    TPcmRig() : TAudioRig(MakeRef<TAudioDevice>()) {
        device = static_cast<TAudioDevice*>(backend.get());
        EXPECT_TRUE(device->OpenWithoutOutput(kRate));
        EXPECT_TRUE(audio->InitSound());
    }
    // Mean left and right level over the next `ms` milliseconds.
    std::pair<float, float> Listen(int ms) {
        const size_t frames = static_cast<size_t>(kRate) * ms / 1000;
        buffer.resize(2 * frames);
        device->RenderFloat(buffer.data(), frames);
        double l = 0, r = 0;
        for (size_t i = 0; i < frames; ++i) {
            l += buffer[2 * i];
            r += buffer[2 * i + 1];
        }
        return {static_cast<float>(l / frames), static_cast<float>(r / frames)};
    }
    std::vector<float> buffer;
};

// ---------------------------------------------------------------------------
// Music: crossfade, the stack

TEST(EngineAudioMusic, CrossfadeOverTwoSecondsBothWays) {
    TPcmRig rig;
    rig.files["a.wav"] = StereoDcWav(16384, 0, kRate);  // A on the left only
    rig.files["b.wav"] = StereoDcWav(0, 16384, kRate);  // B on the right only
    rig.AddOggMusic("MusicA", "a.wav");
    rig.AddOggMusic("MusicB", "b.wav");
    Ref<IMusic> a = NewMusic("MusicA"), b = NewMusic("MusicB");

    const TChannelHandle chA = rig.audio->PlayMusic(a);
    ASSERT_NE(chA, 0u);
    rig.Listen(2000);
    auto [l0, r0] = rig.Listen(10);
    EXPECT_NEAR(l0, kHalf, 1e-4f) << "A has faded in to the music volume";
    EXPECT_NEAR(r0, 0.0f, 1e-6f);

    // A second music: A fades out while B fades in, both linearly over 2000 ms.
    const TChannelHandle chB = rig.audio->PlayMusic(b);
    ASSERT_NE(chB, 0u);
    for (int block = 0; block < 200; ++block) {
        auto [l, r] = rig.Listen(10);
        const float t = (block + 0.5f) / 200.0f;
        ASSERT_NEAR(l, kHalf * (1.0f - t), 2e-3f) << "A at block " << block;
        ASSERT_NEAR(r, kHalf * t, 2e-3f) << "B at block " << block;
    }
    auto [l1, r1] = rig.Listen(10);
    EXPECT_EQ(l1, 0.0f);
    EXPECT_NEAR(r1, kHalf, 1e-4f);
    EXPECT_EQ(rig.backend->ChannelActivity(chA), TChannelActivity::Stopped);

    // Stopping B: B fades out and stops, A fades back in.
    rig.audio->StopMusic(b);
    for (int block = 0; block < 200; ++block) {
        auto [l, r] = rig.Listen(10);
        const float t = (block + 0.5f) / 200.0f;
        ASSERT_NEAR(l, kHalf * t, 2e-3f) << "A at block " << block;
        ASSERT_NEAR(r, kHalf * (1.0f - t), 2e-3f) << "B at block " << block;
    }
    EXPECT_EQ(rig.backend->ChannelActivity(chB), TChannelActivity::Stopped);
    EXPECT_EQ(rig.backend->ChannelActivity(chA), TChannelActivity::Playing);
    EXPECT_EQ(rig.audio->GetMusicStackSize(), 1u);
}

TEST(EngineAudioMusic, StoppingTheTopBringsBackThePreviousWhereItWas) {
    TPcmRig rig;
    // A: the left is a constant (how loud), the right a ramp (where it is).
    const size_t frames = 10 * kRate;
    std::vector<int16_t> v(2 * frames);
    for (size_t i = 0; i < frames; ++i) {
        v[2 * i] = 16384;
        v[2 * i + 1] = static_cast<int16_t>(16384.0 * i / frames);
    }
    rig.files["a.wav"] = MakeWav16(kRate, 2, v);
    rig.files["b.wav"] = StereoDcWav(0, 0, kRate);
    rig.AddOggMusic("MusicA", "a.wav");
    rig.AddOggMusic("MusicB", "b.wav");
    Ref<IMusic> a = NewMusic("MusicA"), b = NewMusic("MusicB");
    auto positionMs = [&](std::pair<float, float> lr) { return lr.second / lr.first * 10000.0f; };

    rig.audio->PlayMusic(a);
    rig.Listen(2500);
    rig.audio->PlayMusic(b);  // A fades out over 2 s and stops at 4.5 s
    rig.Listen(3000);
    rig.audio->StopMusic(b);
    rig.Listen(1000);
    EXPECT_NEAR(positionMs(rig.Listen(10)), 5505.0f, 20.0f)
        << "A went on from 4.5 s, neither from its start nor as if it had played on";

    // A music that is not on top is not stopped.
    rig.audio->PlayMusic(b);
    rig.audio->StopMusic(a);
    EXPECT_EQ(rig.audio->GetMusicStackSize(), 2u);
    EXPECT_EQ(rig.audio->GetTopMusicChannel(),
              Query<IMusicResource>(rig.resources->Find(Variant("MusicB")))->GetHandle());
}

TEST(EngineAudioMusic, CallsOfTheCrossfade) {
    TAudioRig rig(MakeRef<TRecordingBackend>());
    auto* rec = static_cast<TRecordingBackend*>(rig.backend.get());
    rig.settings["MusicVolume"] = Variant("40");
    ASSERT_TRUE(rig.audio->InitSound());
    rig.files["a.ogg"] = "a";
    rig.files["b.mo3"] = "bb";
    rig.AddOggMusic("A", "a.ogg");
    rig.AddResource(R"(<resource type="MusicResource" name="B" file="b.mo3"/>)");
    rec->Clear();

    // The Ogg music plays its looping sample's channel itself.
    const TChannelHandle a = rig.audio->PlayMusic(NewMusic("A"));
    EXPECT_EQ(a, 1000u);
    const TChannelHandle b = rig.audio->PlayMusic(NewMusic("B"));
    EXPECT_EQ(b, 100u) << "a module's handle is its channel";
    rig.audio->StopMusic(NewMusic("B"));
    EXPECT_EQ(rec->calls, (std::vector<std::string>{
                              "Set(1000,0,-101)", "Slide(1000,40,-101,2000)", "Play(1000,1)",
                              "Slide(1000,-2,-101,2000)", "Set(100,0,-101)",
                              "Slide(100,40,-101,2000)", "Play(100,1)", "Slide(100,-2,-101,2000)",
                              "Set(1000,0,-101)", "Slide(1000,40,-101,2000)", "Play(1000,0)"}));

    // With the music volume at 0 the previous music resumes silent.
    rig.audio->SetMusicVolume(Variant("0"));
    rig.audio->PlayMusic(NewMusic("B"));
    rec->Clear();
    rig.audio->StopMusic(NewMusic("B"));
    EXPECT_EQ(rec->calls, (std::vector<std::string>{"Slide(100,-2,-101,2000)", "Set(1000,0,-101)",
                                                    "Play(1000,0)"}));
}

TEST(EngineAudioMusic, TheStackStaysBoundedOverALongSession) {
    TAudioRig rig(MakeRef<TRecordingBackend>());
    ASSERT_TRUE(rig.audio->InitSound());
    for (int i = 0; i < 40; ++i) {
        // Named once: g++ 12 -O2 warns falsely (-Wrestrict) on "m" + std::to_string(i).
        const std::string n = std::to_string(i);
        rig.files["m" + n] = "x";
        rig.AddResource("<resource type=\"MusicResource\" name=\"M" + n + "\" file=\"m" + n +
                        "\"/>");
    }
    // Menu and level music in turn, many times over, never stopped: the
    // stack stays at its bound, the latest plays on top of it.
    for (int round = 0; round < 1000; ++round) {
        rig.audio->PlayMusic(NewMusic("M0"));
        rig.audio->PlayMusic(NewMusic("M1"));
    }
    EXPECT_EQ(rig.audio->GetMusicStackSize(), TEngineAudio::kMaxMusicStack);
    EXPECT_EQ(rig.audio->GetTopMusicChannel(), 101u);
    // Leaving the level brings back the menu music, and the level music
    // played before it below that.
    rig.audio->StopMusic(NewMusic("M1"));
    EXPECT_EQ(rig.audio->GetTopMusicChannel(), 100u);
    rig.audio->StopMusic(NewMusic("M0"));
    EXPECT_EQ(rig.audio->GetTopMusicChannel(), 101u);
    EXPECT_EQ(rig.audio->GetMusicStackSize(), TEngineAudio::kMaxMusicStack - 2);
    while (rig.audio->GetMusicStackSize() > 0) {
        const size_t depth = rig.audio->GetMusicStackSize();
        rig.audio->StopMusic(NewMusic(rig.audio->GetTopMusicChannel() == 100u ? "M0" : "M1"));
        ASSERT_EQ(rig.audio->GetMusicStackSize(), depth - 1);
    }

    // Many different musics: the oldest drop off the bottom.
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i);
        rig.audio->PlayMusic(NewMusic("M" + n));
    }
    EXPECT_EQ(rig.audio->GetMusicStackSize(), TEngineAudio::kMaxMusicStack);
    EXPECT_EQ(rig.audio->GetTopMusicChannel(), 139u);
}

// A screen and its child screen each play the same music when shown and stop
// it when hidden: hiding the child leaves it playing for the parent.
TEST(EngineAudioMusic, AMusicPlayedTwiceStopsWithItsLastPlay) {
    TPcmRig rig;
    rig.files["n.wav"] = StereoDcWav(16384, 0, 3 * kRate);
    rig.AddOggMusic("N", "n.wav");
    const TChannelHandle n = rig.audio->PlayMusic(NewMusic("N"));  // the parent
    rig.Listen(2500);
    rig.audio->PlayMusic(NewMusic("N"));  // the child
    rig.Listen(2500);
    EXPECT_NEAR(rig.Listen(10).first, kHalf, 1e-3f);
    rig.audio->StopMusic(NewMusic("N"));  // the child goes
    rig.Listen(2500);
    EXPECT_EQ(rig.backend->ChannelActivity(n), TChannelActivity::Playing);
    EXPECT_NEAR(rig.Listen(10).first, kHalf, 1e-3f) << "the parent's music plays on";
    EXPECT_EQ(rig.audio->GetMusicStackSize(), 1u);

    rig.audio->StopMusic(NewMusic("N"));  // the parent goes
    rig.Listen(2500);
    EXPECT_EQ(rig.backend->ChannelActivity(n), TChannelActivity::Stopped);
    EXPECT_EQ(rig.Listen(10).first, 0.0f);
    EXPECT_EQ(rig.audio->GetMusicStackSize(), 0u);
}

// Play N, M, N, then stop N and M: N comes back, as it was below M.
TEST(EngineAudioMusic, EachPlayOfAMusicIsAnEntryOfItsOwn) {
    TPcmRig rig;
    rig.files["n.wav"] = StereoDcWav(16384, 0, kRate);  // N on the left
    rig.files["m.wav"] = StereoDcWav(0, 16384, kRate);  // M on the right
    rig.AddOggMusic("N", "n.wav");
    rig.AddOggMusic("M", "m.wav");
    const TChannelHandle n = rig.audio->PlayMusic(NewMusic("N"));
    rig.Listen(2500);
    const TChannelHandle m = rig.audio->PlayMusic(NewMusic("M"));
    rig.Listen(2500);
    rig.audio->PlayMusic(NewMusic("N"));
    rig.Listen(2500);
    EXPECT_EQ(rig.audio->GetMusicStackSize(), 3u);

    rig.audio->StopMusic(NewMusic("N"));
    rig.Listen(2500);
    auto [l1, r1] = rig.Listen(10);
    EXPECT_EQ(l1, 0.0f);
    EXPECT_NEAR(r1, kHalf, 1e-3f) << "M is back";
    rig.audio->StopMusic(NewMusic("M"));
    rig.Listen(2500);
    auto [l2, r2] = rig.Listen(10);
    EXPECT_NEAR(l2, kHalf, 1e-3f) << "N is back";
    EXPECT_EQ(r2, 0.0f);
    EXPECT_EQ(rig.backend->ChannelActivity(n), TChannelActivity::Playing);
    EXPECT_EQ(rig.backend->ChannelActivity(m), TChannelActivity::Stopped);
    EXPECT_EQ(rig.audio->GetTopMusicChannel(), n);
}

TEST(EngineAudioMusic, OggMusicPlaysAndStops) {
    TPcmRig rig;
    rig.files["theme.ogg"] = FileBytes(QM_TESTS_DIR "/platform/data/audio/sine440_22050_mono.ogg");
    ASSERT_FALSE(rig.files["theme.ogg"].empty());
    rig.AddOggMusic("Theme", "theme.ogg");
    Ref<IMusic> theme = NewMusic("Theme");
    const TChannelHandle ch = rig.audio->PlayMusic(theme);
    ASSERT_NE(ch, 0u);
    rig.Listen(2000);
    rig.Listen(100);
    float peak = 0;
    for (float s : rig.buffer) peak = std::max(peak, std::fabs(s));
    EXPECT_GT(peak, 0.1f) << "the Ogg music sounds";

    rig.audio->StopMusic(theme);
    rig.Listen(2000);
    rig.Listen(100);
    EXPECT_TRUE(std::all_of(rig.buffer.begin(), rig.buffer.end(), [](float s) { return s == 0; }));
    EXPECT_EQ(rig.backend->ChannelActivity(ch), TChannelActivity::Stopped);
}

TEST(EngineAudioMusic, MusicVolumeSetsTheTopMusic) {
    TAudioRig rig(MakeRef<TRecordingBackend>());
    auto* rec = static_cast<TRecordingBackend*>(rig.backend.get());
    ASSERT_TRUE(rig.audio->InitSound());
    rig.files["a"] = "x";
    rig.AddResource(R"(<resource type="MusicResource" name="A" file="a"/>)");
    rig.audio->PlayMusic(NewMusic("A"));
    rec->Clear();
    rig.audio->SetMusicVolume(Variant(int32_t{55}));
    rig.audio->SetMusicVolume(Variant("-3"));  // kept, but never handed on as "keep"
    EXPECT_EQ(rig.audio->GetMusicVolume(), -3);
    EXPECT_EQ(rec->calls, (std::vector<std::string>{"Set(100,55,-101)", "Set(100,0,-101)"}));
}

// ---------------------------------------------------------------------------
// Sounds: volume, settings, muting, playbacks, groups

TEST(EngineAudioSound, VolumeFormula) {
    struct TCase {
        int32_t volume;
        int master;
        const char* soundVolume;
        int pan;
        int expected;
    };
    const TCase cases[] = {
        {50, 80, "70", -101, 28},   // 50 * 80 div 100 * 70 div 100
        {50, 50, "70", 30, 17},     // 25, then 17
        {-1, 80, "70", -50, 56},    // no volume: the master volume alone
        {0, 80, "70", 100, 56},     // 0 counts as none
        {100, 100, "100", 0, 100},  //
        {99, 99, "99", 0, 97},      // 98, then 97: both divisions truncate
        {200, 100, "100", 0, 100},  // louder than full is full
        {2147483647, 255, "100", 0, 100},
        {50, 80, "-10", 0, 0},  // a negative setting silences, never "keep"
        {50, 0, "70", 0, 0},
    };
    for (const TCase& c : cases) {
        TAudioRig rig(MakeRef<TRecordingBackend>());
        auto* rec = static_cast<TRecordingBackend*>(rig.backend.get());
        rig.settings["SoundVolume"] = Variant(c.soundVolume);
        ASSERT_TRUE(rig.audio->InitSound());
        rig.files["s.wav"] = "x";
        rig.AddSound("S", "s.wav", "master_volume=\"" + std::to_string(c.master) + "\"");
        rec->Clear();
        const TChannelHandle ch = rig.audio->PlaySound(NewSound("S", c.volume, c.pan));
        ASSERT_EQ(ch, 1000u);
        EXPECT_EQ(rec->calls, (std::vector<std::string>{"GetSampleChannel(200)",
                                                        "Set(1000," + std::to_string(c.expected) +
                                                            "," + std::to_string(c.pan) + ")",
                                                        "Play(1000,1)"}))
            << "volume " << c.volume << ", master " << c.master << ", setting " << c.soundVolume;
    }
}

TEST(EngineAudioSound, VolumeSettings) {
    TAudioRig rig(MakeRef<TRecordingBackend>());
    rig.settings["MusicVolume"] = Variant("30");
    rig.settings["SoundVolume"] = Variant("70");
    ASSERT_TRUE(rig.audio->InitSound());
    EXPECT_EQ(rig.audio->GetMusicVolume(), 30);
    EXPECT_EQ(rig.audio->GetSoundVolume(), 70);

    struct TCase {
        Variant value;
        int32_t music;
        int32_t sound;
    };
    const TCase cases[] = {
        {Variant("150"), 150, 100},  // only the sound volume is capped
        {Variant("-5"), -5, -5},     // negative values are kept as given
        {Variant(" 42 "), 42, 42},  {Variant(int32_t{64}), 64, 64},
        {Variant("abc"), 64, 64},  // not a number: nothing changes
        {Variant("12.5"), 64, 64},  {Variant("99999999999"), 64, 64},
        {Variant(), 64, 64},
    };
    for (const TCase& c : cases) {
        rig.audio->SetMusicVolume(c.value);
        rig.audio->SetSoundVolume(c.value);
        EXPECT_EQ(rig.audio->GetMusicVolume(), c.music);
        EXPECT_EQ(rig.audio->GetSoundVolume(), c.sound);
    }
}

TEST(EngineAudioSound, MutingWithTwoSoundsReturnsTheMusicAfterBoth) {
    TAudioRig rig(MakeRef<TRecordingBackend>());
    auto* rec = static_cast<TRecordingBackend*>(rig.backend.get());
    rig.settings["MusicVolume"] = Variant("60");
    ASSERT_TRUE(rig.audio->InitSound());
    rig.files["m"] = "x";
    rig.files["s"] = "y";
    rig.AddResource(R"(<resource type="MusicResource" name="M" file="m"/>)");
    rig.AddSound("S", "s", "maxplaybacks=\"4\"");
    rig.audio->PlayMusic(NewMusic("M"));  // channel 100

    const TChannelHandle first = rig.audio->PlaySound(NewSound("S", -1, -101, true));
    const TChannelHandle second = rig.audio->PlaySound(NewSound("S", -1, -101, true));
    EXPECT_EQ(rig.audio->GetMutingSoundCount(), 2u);
    EXPECT_EQ(rec->CountCalls("Slide(100,0,-101,100)"), 2u) << "the music slid to silence";
    // A sound that does not mute leaves the music alone.
    rig.audio->PlaySound(NewSound("S"));
    EXPECT_EQ(rec->CountCalls("Slide(100,0,"), 2u);

    rec->Clear();
    rig.audio->UpdateMuteSounds();
    rec->activity[first] = TChannelActivity::Stopped;
    rig.audio->UpdateMuteSounds();
    EXPECT_TRUE(rec->calls.empty()) << "one muting sound still plays";
    EXPECT_EQ(rig.audio->GetMutingSoundCount(), 1u);

    rec->activity[second] = TChannelActivity::Stopped;
    rig.audio->UpdateMuteSounds();
    EXPECT_EQ(rec->calls, std::vector<std::string>{"Slide(100,60,-101,100)"});
    EXPECT_EQ(rig.audio->GetMutingSoundCount(), 0u);
    rec->Clear();
    rig.audio->UpdateMuteSounds();
    EXPECT_TRUE(rec->calls.empty());
}

// Stopping a sound stops every channel of its resource, whichever sound
// object played it; another resource of the same file plays on.
TEST(EngineAudioSound, StoppingASoundStopsEveryChannelOfItsResource) {
    TPcmRig rig;
    rig.files["click.wav"] = MonoDcWav(8192, kRate);
    rig.AddSound("Click", "click.wav", "maxplaybacks=\"2\"");
    rig.AddSound("Other", "click.wav");
    Ref<ISound> first = NewSound("Click"), second = NewSound("CLICK");
    const TChannelHandle a = rig.audio->PlaySound(first);
    const TChannelHandle b = rig.audio->PlaySound(second);
    const TChannelHandle other = rig.audio->PlaySound(NewSound("Other"));
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    ASSERT_NE(other, 0u);
    EXPECT_NEAR(rig.Listen(10).first, 0.75f, 1e-4f);

    rig.audio->StopSound(first);
    EXPECT_EQ(rig.backend->ChannelActivity(a), TChannelActivity::Stopped);
    EXPECT_EQ(rig.backend->ChannelActivity(b), TChannelActivity::Stopped);
    EXPECT_EQ(rig.backend->ChannelActivity(other), TChannelActivity::Playing);
    EXPECT_NEAR(rig.Listen(10).first, 0.25f, 1e-4f);

    rig.audio->StopAllSounds();
    EXPECT_EQ(rig.backend->ChannelActivity(other), TChannelActivity::Stopped);
    EXPECT_EQ(rig.Listen(10).first, 0.0f);
}

TEST(EngineAudioSound, APlayingSoundIsRememberedWithoutBeingKept) {
    TPcmRig rig;
    rig.files["click.wav"] = MonoDcWav(8192, kRate);
    rig.AddSound("Click", "click.wav", "maxplaybacks=\"2\"");
    rig.AddSound("Other", "click.wav");
    Ref<ISound> dropped = NewSound("Click");
    const TChannelHandle a = rig.audio->PlaySound(dropped);
    ASSERT_NE(a, 0u);
    EXPECT_EQ(dropped->RefCount(), 1);  // the engine holds no count on it
    dropped.reset();                    // its screen went while it sounds

    Ref<ISound> other = NewSound("Other");
    const TChannelHandle b = rig.audio->PlaySound(other);
    ASSERT_NE(b, 0u);
    // The gone sound's record matches only its own resource, whatever now
    // lives where the sound was.
    rig.audio->StopSound(other);
    EXPECT_EQ(rig.backend->ChannelActivity(a), TChannelActivity::Playing);
    EXPECT_EQ(rig.backend->ChannelActivity(b), TChannelActivity::Stopped);
    rig.audio->StopAllSounds();
    EXPECT_EQ(rig.backend->ChannelActivity(a), TChannelActivity::Stopped);
}

// A group stops every member it has played, not only the last one chosen.
TEST(EngineAudioSound, StoppingAGroupStopsEveryMemberItPlayed) {
    TAudioRig rig(MakeRef<TRecordingBackend>());
    auto* rec = static_cast<TRecordingBackend*>(rig.backend.get());
    ASSERT_TRUE(rig.audio->InitSound());
    rig.files["a"] = "1";
    rig.files["b"] = "22";
    rig.AddResource(R"(<resource type="SoundGroupResource" name="Steps"><resources>
        <resource type="SoundResource" name="a" file="a" maxplaybacks="8"/>
        <resource type="SoundResource" name="b" file="b" maxplaybacks="8"/>
      </resources></resource>)");
    rig.AddSound("Alone", "a");
    RandomSeed(99);
    std::vector<TChannelHandle> steps;
    for (int i = 0; i < 8; ++i) steps.push_back(rig.audio->PlaySound(NewSound("Steps")));
    std::set<TAudioHandle> members;
    for (TChannelHandle ch : steps) members.insert(rec->sampleOf[ch]);
    ASSERT_EQ(members.size(), 2u) << "both members played";
    const TChannelHandle alone = rig.audio->PlaySound(NewSound("Alone"));

    rig.audio->StopSound(NewSound("steps"));
    for (TChannelHandle ch : steps)
        EXPECT_EQ(rec->ChannelActivity(ch), TChannelActivity::Stopped) << ch;
    EXPECT_EQ(rec->ChannelActivity(alone), TChannelActivity::Playing);
}

TEST(EngineAudioSound, StopSoundEndsMutingAtOnce) {
    TAudioRig rig(MakeRef<TRecordingBackend>());
    auto* rec = static_cast<TRecordingBackend*>(rig.backend.get());
    ASSERT_TRUE(rig.audio->InitSound());
    rig.files["m"] = "x";
    rig.files["s"] = "y";
    rig.AddResource(R"(<resource type="MusicResource" name="M" file="m"/>)");
    rig.AddSound("S", "s");
    rig.audio->PlayMusic(NewMusic("M"));
    Ref<ISound> alarm = NewSound("S", -1, -101, true);
    const TChannelHandle ch = rig.audio->PlaySound(alarm);
    rec->Clear();
    rig.audio->StopSound(alarm);
    EXPECT_EQ(rec->sampleOf[ch], 200u);
    EXPECT_EQ(rec->calls, (std::vector<std::string>{"StopSample(200)", "Slide(100,100,-101,100)"}));
}

TEST(EngineAudioSound, MaxPlaybacksHonoured) {
    TPcmRig rig;
    rig.files["click.wav"] = MonoDcWav(6554, kRate);  // 0.2
    rig.AddSound("Three", "click.wav", "maxplaybacks=\"3\"");
    rig.AddSound("One", "click.wav");  // absent: one playback
    Ref<ISound> three = NewSound("Three"), one = NewSound("One");

    std::vector<TChannelHandle> channels;
    for (int i = 0; i < 3; ++i) channels.push_back(rig.audio->PlaySound(three));
    EXPECT_TRUE(std::all_of(channels.begin(), channels.end(), [](auto c) { return c != 0; }));
    std::sort(channels.begin(), channels.end());
    EXPECT_EQ(std::unique(channels.begin(), channels.end()), channels.end());
    EXPECT_EQ(rig.audio->PlaySound(three), 0u) << "a fourth copy is refused";
    EXPECT_NEAR(rig.Listen(10).first, 3 * 0.2f, 1e-3f) << "three copies sound together";

    EXPECT_NE(rig.audio->PlaySound(one), 0u);
    EXPECT_EQ(rig.audio->PlaySound(one), 0u);
}

TEST(EngineAudioSound, RefusedPlaybackDoesNotMute) {
    TAudioRig rig(MakeRef<TRecordingBackend>());
    auto* rec = static_cast<TRecordingBackend*>(rig.backend.get());
    ASSERT_TRUE(rig.audio->InitSound());
    rig.files["m"] = "x";
    rig.files["s"] = "y";
    rig.AddResource(R"(<resource type="MusicResource" name="M" file="m"/>)");
    rig.AddSound("S", "s");
    rig.AddSound("Gone", "gone.wav");  // not found: handle 0
    rig.audio->PlayMusic(NewMusic("M"));
    rec->Clear();
    rec->refuseChannels = true;
    EXPECT_EQ(rig.audio->PlaySound(NewSound("S", -1, -101, true)), 0u);
    EXPECT_EQ(rig.audio->PlaySound(NewSound("Gone", -1, -101, true)), 0u);
    EXPECT_EQ(rig.audio->PlaySound(NewSound("Nothing", -1, -101, true)), 0u);
    EXPECT_EQ(rig.audio->PlaySound(nullptr), 0u);
    EXPECT_EQ(rec->calls, std::vector<std::string>{"GetSampleChannel(200)"})
        << "no attributes, no play, and the music is not faded";
    EXPECT_EQ(rig.audio->GetMutingSoundCount(), 0u);
}

TEST(EngineAudioGroups, MemberChosenBySeededRandom) {
    TAudioRig rig(MakeRef<TRecordingBackend>());
    auto* rec = static_cast<TRecordingBackend*>(rig.backend.get());
    ASSERT_TRUE(rig.audio->InitSound());
    rig.files["a"] = "1";
    rig.files["b"] = "22";
    rig.files["c"] = "333";
    rig.AddResource(R"(<resource type="SoundGroupResource" name="Steps"><resources>
        <resource type="SoundResource" name="a" file="a"/>
        <resource type="SoundResource" name="b" file="b"/>
        <resource type="SoundResource" name="c" file="c"/>
      </resources></resource>)");
    // Members loaded in order: samples 200, 201, 202.
    ASSERT_EQ(rec->CountCalls("LoadSample("), 3u);

    RandomSeed(1234);
    std::vector<int32_t> expected;
    for (int i = 0; i < 30; ++i) expected.push_back(Random(3));
    RandomSeed(1234);
    rec->Clear();
    Ref<ISound> step = NewSound("Steps");
    for (int i = 0; i < 30; ++i) ASSERT_NE(rig.audio->PlaySound(step), 0u);

    std::vector<int32_t> played;
    for (const std::string& call : rec->calls)
        if (call.rfind("GetSampleChannel(", 0) == 0)
            played.push_back(std::stoi(call.substr(17)) - 200);
    EXPECT_EQ(played, expected);
    for (int member = 0; member < 3; ++member)
        EXPECT_NE(std::count(played.begin(), played.end(), member), 0) << member;
}

TEST(EngineAudioGroups, EmptyGroupIsSilent) {
    TAudioRig rig(MakeRef<TRecordingBackend>());
    auto* rec = static_cast<TRecordingBackend*>(rig.backend.get());
    ASSERT_TRUE(rig.audio->InitSound());
    rig.AddResource(R"(<resource type="SoundGroupResource" name="None"><resources/></resource>)");
    rig.AddResource(R"(<resource type="MusicGroupResource" name="NoMusic"/>)");
    rec->Clear();
    EXPECT_EQ(rig.audio->PlaySound(NewSound("None")), 0u);
    EXPECT_EQ(rig.audio->PlayMusic(NewMusic("NoMusic")), 0u);
    EXPECT_TRUE(rec->calls.empty());
    EXPECT_EQ(rig.audio->GetMusicStackSize(), 0u);
}

TEST(EngineAudioGroups, MusicGroupPlaysItsChosenMember) {
    TAudioRig rig(MakeRef<TRecordingBackend>());
    ASSERT_TRUE(rig.audio->InitSound());
    rig.files["x"] = "1";
    rig.files["y.ogg"] = "2";
    Ref<IResource> group = rig.AddResource(R"(<resource type="MusicGroupResource" name="Tunes">
      <resources>
        <resource type="MusicResource" name="x" file="x"/>
        <resource type="MusicResource" name="y" format="ogg" file="y.ogg"/>
      </resources></resource>)");
    Ref<IMusic> tunes = NewMusic("Tunes");
    for (int i = 0; i < 10; ++i) {
        const TChannelHandle ch = rig.audio->PlayMusic(tunes);
        EXPECT_EQ(ch, Query<IMusicResource>(group)->GetHandle());
        EXPECT_TRUE(ch == 100u || ch == 1000u) << ch;
        EXPECT_EQ(rig.audio->GetTopMusicChannel(), ch);
    }
    // Stopping asks the chosen member, without choosing again.
    const TChannelHandle top = rig.audio->GetTopMusicChannel();
    const size_t depth = rig.audio->GetMusicStackSize();
    rig.audio->StopMusic(tunes);
    EXPECT_EQ(rig.audio->GetMusicStackSize(), depth - 1);
    EXPECT_NE(rig.audio->GetTopMusicChannel(), top);
}

// ---------------------------------------------------------------------------
// Running silent, pausing, bad files

TEST(EngineAudioSilent, WithoutADeviceEveryCallAnswersZero) {
    TAudioRig rig(MakeRef<TRecordingBackend>());
    auto* rec = static_cast<TRecordingBackend*>(rig.backend.get());
    rec->openAnswer = false;
    EXPECT_FALSE(rig.audio->InitSound());
    EXPECT_FALSE(rig.audio->IsAvailable());
    EXPECT_EQ(rec->calls, std::vector<std::string>{"Open(44100)"});
    rec->Clear();

    rig.files["s"] = "x";
    rig.files["m"] = "y";
    Ref<IResource> sound = rig.AddSound("S", "s");
    Ref<IResource> music = rig.AddResource(R"(<resource type="MusicResource" name="M" file="m"/>)");
    Ref<IResource> ogg = rig.AddOggMusic("O", "s");
    EXPECT_EQ(Query<ISoundResource>(sound)->GetHandle(), 0u);
    EXPECT_EQ(Query<IMusicResource>(music)->GetHandle(), 0u);
    EXPECT_EQ(Query<IMusicResource>(ogg)->GetHandle(), 0u);

    TSampleHandle sample = 77;
    EXPECT_EQ(rig.audio->LoadMusic("m"), 0u);
    EXPECT_EQ(rig.audio->LoadSample("s", 3, false), 0u);
    EXPECT_EQ(rig.audio->LoadLoopedSampleChannel("s", sample), 0u);
    EXPECT_EQ(sample, 0u);
    EXPECT_EQ(rig.audio->PlayMusic(NewMusic("M")), 0u);
    EXPECT_EQ(rig.audio->PlaySound(NewSound("S", 50, 0, true)), 0u);
    rig.audio->StopMusic(NewMusic("M"));
    rig.audio->StopSound(NewSound("S"));
    rig.audio->StopAllSounds();
    rig.audio->SetMusicVolume(Variant("50"));
    rig.audio->SetSoundVolume(Variant("50"));
    rig.audio->FadeOutMusic(-1);
    rig.audio->FadeInMusic(0);
    rig.audio->UpdateMuteSounds();
    rig.audio->SetActive(false);
    rig.audio->SetActive(true);
    rig.audio->FreeMusic(5);
    rig.audio->FreeSample(6);
    rig.audio->ShutdownSound();
    EXPECT_EQ(rig.audio->GetMusicVolume(), 0) << "volumes are not stored without sound";
    EXPECT_EQ(rig.audio->GetSoundVolume(), 0);
    EXPECT_TRUE(rec->calls.empty()) << rec->calls.front();
}

TEST(EngineAudioSilent, NoAudioDriverRunsSilent) {
    TEnvGuard driver("SDL_AUDIODRIVER", "no-such-driver");
    TAudioRig rig(MakeRef<TAudioDevice>());
    EXPECT_FALSE(rig.audio->InitSound());
    EXPECT_TRUE(rig.Logged("SOUND: no audio output, running silent"))
        << testing::PrintToString(rig.log);
    EXPECT_TRUE(std::any_of(rig.log.begin(), rig.log.end(), [](const std::string& line) {
        return line.starts_with("AUDIO: no audio");
    })) << testing::PrintToString(rig.log);
    rig.files["s.wav"] = MonoDcWav(1000, 100);
    rig.AddSound("S", "s.wav");
    EXPECT_EQ(rig.audio->PlaySound(NewSound("S")), 0u);
}

TEST(EngineAudioActivity, PausedWhileInactive) {
    TPcmRig rig;
    rig.files["tone.wav"] = MonoDcWav(16384, kRate);  // one second
    rig.AddSound("Tone", "tone.wav");
    const TChannelHandle ch = rig.audio->PlaySound(NewSound("Tone"));
    ASSERT_NE(ch, 0u);
    EXPECT_NEAR(rig.Listen(100).first, kHalf, 1e-4f);

    rig.audio->SetActive(false);
    rig.Listen(500);
    EXPECT_TRUE(std::all_of(rig.buffer.begin(), rig.buffer.end(), [](float s) { return s == 0; }));
    EXPECT_EQ(rig.backend->ChannelActivity(ch), TChannelActivity::Playing);

    rig.audio->SetActive(true);
    EXPECT_NEAR(rig.Listen(850).first, kHalf, 1e-4f) << "the sound goes on where it was";
    rig.Listen(100);
    EXPECT_EQ(rig.backend->ChannelActivity(ch), TChannelActivity::Stopped);
}

TEST(EngineAudioActivity, CallsOnDeactivationAndActivation) {
    TAudioRig rig(MakeRef<TRecordingBackend>());
    auto* rec = static_cast<TRecordingBackend*>(rig.backend.get());
    ASSERT_TRUE(rig.audio->InitSound());
    rec->Clear();
    rig.audio->SetActive(false);
    rig.audio->SetActive(true);
    rig.audio->ShutdownSound();
    rig.audio->SetActive(false);
    EXPECT_EQ(rec->calls, (std::vector<std::string>{"PauseAll", "Start", "Close"}));
}

TEST(EngineAudioFiles, BadFilesLoadAsNothingWithALogLine) {
    TPcmRig rig;
    const std::string wav = MonoDcWav(1000, 1000);
    const std::string ogg = FileBytes(QM_TESTS_DIR "/platform/data/audio/sine440_22050_mono.ogg");
    ASSERT_GT(ogg.size(), 200u);
    std::string lyingWav = wav;
    lyingWav[40] = '\xFF';  // data chunk size far beyond the file
    lyingWav[41] = '\xFF';
    lyingWav[42] = '\xFF';
    const std::map<std::string, std::string> bad = {
        {"empty", ""},
        {"garbage", std::string(4000, '\x5A')},
        {"header.wav", wav.substr(0, 30)},
        {"truncated.ogg", ogg.substr(0, 120)},
        {"oggmagic", "OggS" + std::string(300, '\x01')},
        {"riff.wav", "RIFF\x10\x00\x00\x00WAVEfmt "},
    };
    for (const auto& [name, bytes] : bad) rig.files[name] = bytes;
    rig.files["lying.wav"] = lyingWav;

    for (const auto& [name, bytes] : bad) {
        rig.log.clear();
        TSampleHandle sample = 1;
        EXPECT_EQ(rig.audio->LoadSample(name, 1, false), 0u) << name;
        EXPECT_EQ(rig.audio->LoadMusic(name), 0u) << name;
        EXPECT_EQ(rig.audio->LoadLoopedSampleChannel(name, sample), 0u) << name;
        EXPECT_EQ(sample, 0u);
        EXPECT_GE(rig.log.size(), 3u) << name;
    }
    rig.log.clear();
    EXPECT_EQ(rig.audio->LoadSample("missing.wav", 1, false), 0u);
    ASSERT_EQ(rig.log.size(), 1u);
    EXPECT_EQ(rig.log[0], "SOUND: sound not found: missing.wav");

    // A WAV whose data chunk claims more than there is plays what there is,
    // or nothing; either way nothing is read beyond the file.
    rig.audio->LoadSample("lying.wav", 1, false);

    // A resource on a bad file is registered and plays nothing.
    rig.AddSound("Bad", "garbage");
    EXPECT_EQ(rig.audio->PlaySound(NewSound("Bad")), 0u);
}

// The whole way out: SDL's file-writing driver receives what a sound plays.
TEST(EngineAudioDevice, DiskDriverHearsASound) {
    TTempDir dir("sound");
    const std::string file = dir.File("out.raw");
    TEnvGuard driver("SDL_AUDIODRIVER", "disk");
    TEnvGuard output("SDL_DISKAUDIOFILE", file.c_str());
    {
        TAudioRig rig(MakeRef<TAudioDevice>());
        ASSERT_TRUE(rig.audio->InitSound());
        rig.files["beep.wav"] = MonoDcWav(16384, kRate / 10);
        rig.AddSound("Beep", "beep.wav");
        const TChannelHandle ch = rig.audio->PlaySound(NewSound("Beep"));
        ASSERT_NE(ch, 0u);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (rig.backend->ChannelActivity(ch) != TChannelActivity::Stopped &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        rig.audio->ShutdownSound();
    }
    const std::string bytes = ReadFileBytes(file);
    std::vector<float> pcm(bytes.size() / sizeof(float));
    std::memcpy(pcm.data(), bytes.data(), pcm.size() * sizeof(float));
    const size_t loud =
        std::count_if(pcm.begin(), pcm.end(), [](float v) { return std::fabs(v - kHalf) < 1e-4f; });
    EXPECT_GE(loud, size_t{2 * kRate / 10});
}

}  // namespace
