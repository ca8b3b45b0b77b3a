// Sound and music resources, their groups, and the TSound / TMusic play
// descriptions with their collections: what they read and write, and what
// they ask of their owner.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/object/GeneralClasses.h"
#include "core/storage/XMLStorage.h"
#include "engine/audio/SoundResources.h"
#include "engine/resources/EngineResources.h"
#include "tests/support/LogCapture.h"

namespace {

void EnsureSoundClasses() {
    if (!FindRegisteredClass("SoundResource")) RegisterSoundClasses();
}

// An owner that answers fixed handles and writes down what it is asked.
class TRecordingOwner final : public TAbstractObject, public virtual IResourceOwner {
public:
    std::vector<std::string> calls;
    uint32_t nextHandle = 10;

    std::unique_ptr<TStream> OpenStream(const std::string&) override { return nullptr; }
    TPixelFormat GetPixelFormat() override { return {}; }
    uint32_t ColorToPixel(uint32_t color) override { return color; }
    TMusicHandle LoadMusic(const std::string& fileName) override {
        calls.push_back("LoadMusic(" + fileName + ")");
        return nextHandle++;
    }
    void FreeMusic(TMusicHandle music) override {
        calls.push_back("FreeMusic(" + std::to_string(music) + ")");
    }
    TSampleHandle LoadSample(const std::string& fileName, uint16_t maxPlaybacks,
                             bool loop) override {
        calls.push_back("LoadSample(" + fileName + "," + std::to_string(maxPlaybacks) + "," +
                        std::to_string(loop) + ")");
        return nextHandle++;
    }
    TChannelHandle LoadLoopedSampleChannel(const std::string& fileName,
                                           TSampleHandle& sample) override {
        calls.push_back("LoadLooped(" + fileName + ")");
        sample = nextHandle++;
        return nextHandle++;
    }
    void FreeSample(TSampleHandle sample) override {
        calls.push_back("FreeSample(" + std::to_string(sample) + ")");
    }
    Ref<IResource> GetResource(const std::string&) override { return nullptr; }
};

Ref<IResourceSlave> MakeResource(const std::string& xml) {
    EnsureSoundClasses();
    Ref<IHierStorage> node = LoadStorageFromXML(xml);
    Ref<IResourceSlave> resource =
        CreateResourceByType(ReadString(node, "type", ""), ReadString(node, "name", ""));
    if (resource) Query<IPersistObject>(resource)->Load(node);
    return resource;
}

std::string SavedXml(const Ref<IInterface>& object, const std::string& root) {
    Ref<IHierStorageRoot> doc = CreateStorage(root);
    EXPECT_TRUE(doc->SaveObject(Query<IPersistObject>(object)));
    std::string xml;
    EXPECT_TRUE(doc->SaveToXML(xml));
    return xml;
}

TEST(SoundResources, RegisteredNames) {
    EnsureSoundClasses();
    EXPECT_TRUE(Query<ISoundResource>(CreateResourceByType("SoundResource", "a")));
    EXPECT_TRUE(Query<ISoundResource>(CreateResourceByType("soundgroupresource", "b")));
    EXPECT_TRUE(Query<IMusicResource>(CreateResourceByType("MusicResource", "c")));
    EXPECT_TRUE(Query<IMusicResource>(CreateResourceByType("MusicGroupResource", "d")));
    EXPECT_EQ(CreateResourceByType("MusicResource", "c")->GetName(), "c");
    EXPECT_TRUE(Query<ISound>(CreateObjectByName("Sound")));
    EXPECT_TRUE(Query<IMusic>(CreateObjectByName("Music")));
}

TEST(SoundResources, SampleLoadsWithItsPlaybacks) {
    struct TCase {
        const char* attributes;
        const char* load;
    };
    const TCase cases[] = {
        {"", "LoadSample(s.wav,1,0)"},  // absent: one playback
        {"maxplaybacks=\"0\"", "LoadSample(s.wav,1,0)"},
        {"maxplaybacks=\"3\"", "LoadSample(s.wav,3,0)"},
    };
    for (const TCase& c : cases) {
        Ref<IResourceSlave> sound = MakeResource(
            std::string("<resource type=\"SoundResource\" name=\"S\" file=\"s.wav\" ") +
            c.attributes + "/>");
        ASSERT_TRUE(sound);
        Ref<TRecordingOwner> owner = MakeRef<TRecordingOwner>();
        sound->SetOwner(owner);
        EXPECT_EQ(owner->calls, std::vector<std::string>{c.load}) << c.attributes;
        EXPECT_EQ(Query<ISoundResource>(sound)->GetHandle(), 10u);
        sound->Detach();
        EXPECT_EQ(owner->calls.back(), "FreeSample(10)");
    }
}

TEST(SoundResources, MasterVolumeKeysAndSaving) {
    Ref<IResourceSlave> plain =
        MakeResource(R"(<resource type="SoundResource" name="S" file="s.wav"/>)");
    EXPECT_EQ(Query<ISoundResource>(plain)->GetMasterVolume(), 100);
    EXPECT_EQ(Query<ISoundResource>(plain)->GetHandle(), 0u) << "nothing loaded before an owner";
    const std::string xml = SavedXml(plain, "r");
    EXPECT_EQ(xml.find("maxplaybacks"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("master_volume"), std::string::npos) << xml;

    Ref<IResourceSlave> quiet = MakeResource(
        R"(<resource type="SoundResource" name="Q" file="q.wav" master_volume="50" maxplaybacks="4"/>)");
    EXPECT_EQ(Query<ISoundResource>(quiet)->GetMasterVolume(), 50);
    const std::string saved = SavedXml(quiet, "r");
    EXPECT_NE(saved.find("master_volume=\"50\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("maxplaybacks=\"4\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("type=\"SoundResource\""), std::string::npos) << saved;

    // The field is 8 bits wide.
    Ref<IResourceSlave> wrapped = MakeResource(
        R"(<resource type="SoundResource" name="W" file="w.wav" master_volume="300"/>)");
    EXPECT_EQ(Query<ISoundResource>(wrapped)->GetMasterVolume(), 44);
}

TEST(SoundResources, LoadingOnDemandAndAgain) {
    Ref<IResourceSlave> sound = MakeResource(
        R"(<resource type="SoundResource" name="S" file="s.wav" loadbydemand="yes"/>)");
    Ref<TRecordingOwner> owner = MakeRef<TRecordingOwner>();
    sound->SetOwner(owner);
    EXPECT_TRUE(owner->calls.empty());
    sound->Load();
    sound->Load();  // the first sample is given back, not leaked
    sound->Unload();
    sound->Unload();  // nothing is freed twice
    sound->Detach();
    EXPECT_EQ(owner->calls, (std::vector<std::string>{"LoadSample(s.wav,1,0)", "FreeSample(10)",
                                                      "LoadSample(s.wav,1,0)", "FreeSample(11)"}));
}

TEST(SoundResources, MusicFormats) {
    Ref<IResourceSlave> module =
        MakeResource(R"(<resource type="MusicResource" name="M" file="m.mo3"/>)");
    Ref<IResourceSlave> ogg =
        MakeResource(R"(<resource type="MusicResource" name="O" file="o.ogg" format="ogg"/>)");
    Ref<IResourceSlave> odd =
        MakeResource(R"(<resource type="MusicResource" name="X" file="x" format="wma"/>)");
    EXPECT_EQ(Query<IMusicResource>(module)->GetFormat(), kMusicFormatMo3);
    EXPECT_EQ(Query<IMusicResource>(ogg)->GetFormat(), kMusicFormatOgg);
    EXPECT_EQ(Query<IMusicResource>(odd)->GetFormat(), kMusicFormatMo3);
    EXPECT_EQ(SavedXml(module, "r").find("format"), std::string::npos);
    EXPECT_NE(SavedXml(ogg, "r").find("format=\"ogg\""), std::string::npos);

    Ref<TRecordingOwner> owner = MakeRef<TRecordingOwner>();
    module->SetOwner(owner);
    ogg->SetOwner(owner);
    EXPECT_EQ(Query<IMusicResource>(module)->GetHandle(), 10u);
    // The Ogg music's handle is the looping sample's channel; the sample is
    // what gets freed.
    EXPECT_EQ(Query<IMusicResource>(ogg)->GetHandle(), 12u);
    module->Detach();
    ogg->Detach();
    EXPECT_EQ(owner->calls, (std::vector<std::string>{"LoadMusic(m.mo3)", "LoadLooped(o.ogg)",
                                                      "FreeMusic(10)", "FreeSample(11)"}));
}

TEST(SoundResources, GroupsBeforeAndAfterAChoice) {
    Ref<IResourceSlave> music = MakeResource(R"(<resource type="MusicGroupResource" name="G">
        <resources><resource type="MusicResource" name="a" file="a.mo3"/></resources>
      </resource>)");
    Ref<IMusicResource> group = Query<IMusicResource>(music);
    EXPECT_EQ(group->GetFormat(), kMusicFormatOgg) << "no member chosen yet";
    EXPECT_EQ(group->GetHandle(), 0u);
    Ref<TRecordingOwner> owner = MakeRef<TRecordingOwner>();
    music->SetOwner(owner);
    EXPECT_EQ(owner->calls, std::vector<std::string>{"LoadMusic(a.mo3)"});
    group->PrepareToPlay();
    EXPECT_EQ(group->GetFormat(), kMusicFormatMo3);
    EXPECT_EQ(group->GetHandle(), 10u);

    // A member of the other kind is no choice.
    Ref<IResourceSlave> sounds = MakeResource(R"(<resource type="SoundGroupResource" name="H">
        <resources><resource type="MusicResource" name="m" file="m.mo3"/></resources>
      </resource>)");
    Ref<ISoundResource> soundGroup = Query<ISoundResource>(sounds);
    sounds->SetOwner(owner);
    soundGroup->PrepareToPlay();
    EXPECT_EQ(soundGroup->GetHandle(), 0u);
    EXPECT_EQ(soundGroup->GetMasterVolume(), 100);
    music->Detach();
    sounds->Detach();
}

TEST(SoundResources, GroupSavesItsMembers) {
    Ref<IResourceSlave> group = MakeResource(R"(<resource type="SoundGroupResource" name="G">
        <resources><resource type="SoundResource" name="a" file="a.wav" master_volume="20"/>
        <resource type="SoundResource" name="b" file="b.wav"/></resources></resource>)");
    const std::string xml = SavedXml(group, "r");
    EXPECT_NE(xml.find("<resources>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("name=\"a\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("master_volume=\"20\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("name=\"b\""), std::string::npos) << xml;
}

TEST(SoundDescriptions, SoundKeysDefaultsAndSaving) {
    EnsureSoundClasses();
    Ref<TSound> sound = CreateObject<TSound>();
    Query<IPersistObject>(sound)->Load(LoadStorageFromXML(R"(<sound resourcename="Click"/>)"));
    EXPECT_EQ(sound->GetResourceName(), "Click");
    EXPECT_EQ(sound->GetVolume(), -1);
    EXPECT_EQ(sound->GetPan(), -101);
    EXPECT_FALSE(sound->GetMuteMusic());
    const std::string plain = SavedXml(sound, "sound");
    EXPECT_NE(plain.find("resourcename=\"Click\""), std::string::npos) << plain;
    for (const char* key : {"volume", "pan", "mutemusic"})
        EXPECT_EQ(plain.find(key), std::string::npos) << key << " in " << plain;

    Query<IPersistObject>(sound)->Load(LoadStorageFromXML(
        R"(<sound resourcename="Boom" volume="50" pan="-30" mutemusic="yes"/>)"));
    EXPECT_EQ(sound->GetVolume(), 50);
    EXPECT_EQ(sound->GetPan(), -30);
    EXPECT_TRUE(sound->GetMuteMusic());
    const std::string full = SavedXml(sound, "sound");
    EXPECT_NE(full.find("volume=\"50\""), std::string::npos) << full;
    EXPECT_NE(full.find("pan=\"-30\""), std::string::npos) << full;
    EXPECT_NE(full.find("mutemusic=\"yes\""), std::string::npos) << full;

    // A resource name written as empty is still written.
    Ref<TMusic> music = CreateObject<TMusic>();
    EXPECT_NE(SavedXml(music, "music").find("resourcename=\"\""), std::string::npos);
}

TEST(SoundDescriptions, Properties) {
    EnsureSoundClasses();
    Ref<TSound> sound = CreateObject<TSound>();
    sound->SetResourceName("Click");
    Ref<IPropertyObject> props = Query<IPropertyObject>(sound);
    EXPECT_EQ(props->GetProperty("resourcename"), Variant("Click"));
    EXPECT_EQ(props->GetProperty("volume"), Variant(int32_t{-1}));
    EXPECT_EQ(props->GetProperty("pan"), Variant(int32_t{-101}));
    EXPECT_EQ(props->GetProperty("mutemusic"), Variant(false));
    EXPECT_TRUE(props->GetProperty("other").IsNull());

    props->SetProperty("volume", Variant("40"));
    props->SetProperty("pan", Variant(int32_t{25}));
    props->SetProperty("mutemusic", Variant(true));
    props->SetProperty("volume", Variant("loud"));         // does not convert: ignored
    props->SetProperty("resourcename", Variant("Other"));  // not settable here
    EXPECT_EQ(sound->GetVolume(), 40);
    EXPECT_EQ(sound->GetPan(), 25);
    EXPECT_TRUE(sound->GetMuteMusic());
    EXPECT_EQ(sound->GetResourceName(), "Click");

    Ref<TMusic> music = CreateObject<TMusic>();
    Query<IPropertyObject>(music)->SetProperty("resourcename", Variant("Theme"));
    EXPECT_EQ(music->GetResourceName(), "Theme");
    EXPECT_EQ(Query<IPropertyObject>(music)->GetProperty("resourcename"), Variant("Theme"));
}

TEST(SoundDescriptions, CloneCopiesEveryValue) {
    EnsureSoundClasses();
    Ref<TSound> sound = CreateObject<TSound>();
    sound->SetName("click");
    Query<IPersistObject>(sound)->Load(LoadStorageFromXML(
        R"(<sound name="click" resourcename="Boom" volume="50" pan="-30" mutemusic="yes"/>)"));
    Ref<ISound> copy = Query<ISound>(sound->Clone());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetName(), "click");
    EXPECT_EQ(copy->GetResourceName(), "Boom");
    EXPECT_EQ(copy->GetVolume(), 50);
    EXPECT_EQ(copy->GetPan(), -30);
    EXPECT_TRUE(copy->GetMuteMusic());
}

TEST(SoundDescriptions, ABadValueIsLoggedWithItsSoundAndKeepsTheDefault) {
    EnsureSoundClasses();
    Ref<TSoundCollection> sounds = CreateObject<TSoundCollection>();
    TLogCapture log;
    LoadChildObject(Ref<IPersistObject>(sounds), LoadStorageFromXML(R"(<screen><sounds>
        <sound name="open" resourcename="Door" volume="80"/>
        <sound name="close" resourcename="Slam" volume="loud" mutemusic="1"/>
      </sounds></screen>)"),
                    "sounds", 0);
    ASSERT_EQ(sounds->GetCount(), 2);
    EXPECT_EQ(sounds->Find(Variant("close"))->GetVolume(), -1);
    EXPECT_FALSE(sounds->Find(Variant("close"))->GetMuteMusic());
    EXPECT_EQ(log.Lines().size(), 2u);
    EXPECT_TRUE(log.Has({"/screen/sounds/sound[2]", "\"volume\"", "\"loud\""}));
    EXPECT_TRUE(log.Has({"/screen/sounds/sound[2]", "\"mutemusic\"", "\"1\""}));
}

TEST(SoundDescriptions, CollectionsReadTheirItems) {
    EnsureSoundClasses();
    Ref<TSoundCollection> sounds = CreateObject<TSoundCollection>();
    EXPECT_EQ(sounds->GetNodeName(), "sounds");
    LoadChildObject(Ref<IPersistObject>(sounds), LoadStorageFromXML(R"(<screen><sounds>
        <sound name="open" resourcename="Door" volume="80"/>
        <sound name="close" resourcename="Slam" mutemusic="yes"/>
        <other name="skipped"/>
      </sounds></screen>)"),
                    "sounds", 0);
    ASSERT_EQ(sounds->GetCount(), 2);
    EXPECT_EQ(sounds->Find(Variant("open"))->GetResourceName(), "Door");
    EXPECT_EQ(sounds->Find(Variant("OPEN"))->GetVolume(), 80);
    EXPECT_TRUE(sounds->Find(Variant(int32_t{1}))->GetMuteMusic());
    EXPECT_FALSE(sounds->Find(Variant("missing")));
    EXPECT_FALSE(sounds->Find(Variant(int32_t{5})));

    Ref<TSound> extra = CreateObject<TSound>();
    extra->SetName("open");
    sounds->Add(extra);
    EXPECT_EQ(sounds->GetCount(), 2) << "a name present keeps the first";

    Ref<TMusicCollection> musics = CreateObject<TMusicCollection>();
    EXPECT_EQ(musics->GetNodeName(), "musics");
    LoadChildObject(Ref<IPersistObject>(musics),
                    LoadStorageFromXML(R"(<s><musics><music name="bg" resourcename="Theme"/>
                      </musics></s>)"),
                    "musics", 0);
    ASSERT_EQ(musics->GetCount(), 1);
    EXPECT_EQ(musics->Find(Variant("bg"))->GetResourceName(), "Theme");

    const std::string xml = SavedXml(sounds, "sounds");
    EXPECT_NE(xml.find("<sound "), std::string::npos) << xml;
    EXPECT_NE(xml.find("resourcename=\"Slam\""), std::string::npos) << xml;
}

}  // namespace
