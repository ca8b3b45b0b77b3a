#include "engine/audio/SoundResources.h"

#include <exception>

#include "core/base/Random.h"
#include "core/object/GeneralClasses.h"

// ---------------------------------------------------------------------------
// TSoundResource

void TSoundResource::SetOwner(const Ref<IResourceOwner>& owner) {
    if (maxPlaybacks_ == 0) maxPlaybacks_ = 1;
    TResource::SetOwner(owner);
}

void TSoundResource::Load() {
    // Loading again replaces the sample instead of leaking the first one.
    const bool loaded = !NeedsLoad() && handle_ != 0;
    if (loaded && Owner()) Owner()->FreeSample(handle_);
    TResource::Load();
    if (Owner()) handle_ = Owner()->LoadSample(FileName(), maxPlaybacks_, false);
}

void TSoundResource::Unload() {
    if (Owner() && !NeedsLoad()) Owner()->FreeSample(handle_);
    TResource::Unload();
}

void TSoundResource::LoadFrom(const Ref<IHierStorage>& storage) {
    TResource::LoadFrom(storage);
    maxPlaybacks_ = static_cast<uint16_t>(ReadInteger(storage, "maxplaybacks", 0));
    masterVolume_ = static_cast<uint8_t>(ReadInteger(storage, "master_volume", 100));
}

void TSoundResource::SaveTo(const Ref<IHierStorage>& storage) {
    TResource::SaveTo(storage);
    WriteInteger(storage, "maxplaybacks", maxPlaybacks_, maxPlaybacks_ != 0);
    WriteInteger(storage, "master_volume", masterVolume_, masterVolume_ != 100);
}

// ---------------------------------------------------------------------------
// TMusicResource

namespace {
constexpr std::string_view kMusicFormats = "/mo3/ogg";
}

void TMusicResource::FreeData() {
    if (!Owner()) return;
    if (format_ == kMusicFormatOgg)
        Owner()->FreeSample(sampleHandle_);
    else
        Owner()->FreeMusic(handle_);
}

void TMusicResource::Load() {
    if (!NeedsLoad() && handle_ != 0) FreeData();
    TResource::Load();
    if (!Owner()) return;
    if (format_ == kMusicFormatOgg)
        handle_ = Owner()->LoadLoopedSampleChannel(FileName(), sampleHandle_);
    else
        handle_ = Owner()->LoadMusic(FileName());
}

void TMusicResource::Unload() {
    if (!NeedsLoad()) FreeData();
    TResource::Unload();
}

void TMusicResource::LoadFrom(const Ref<IHierStorage>& storage) {
    TResource::LoadFrom(storage);
    format_ = static_cast<uint8_t>(ReadEnum(storage, "format", kMusicFormats, kMusicFormatMo3));
}

void TMusicResource::SaveTo(const Ref<IHierStorage>& storage) {
    TResource::SaveTo(storage);
    WriteEnum(storage, "format", kMusicFormats, format_, format_ != kMusicFormatMo3);
}

// ---------------------------------------------------------------------------
// Groups

void TSoundGroupResource::PrepareToPlay() {
    const int32_t count = Members()->GetCount();
    chosen_ = count > 0 ? Query<ISoundResource>(Members()->Find(Variant(Random(count)))) : nullptr;
}

void TMusicGroupResource::PrepareToPlay() {
    const int32_t count = Members()->GetCount();
    chosen_ = count > 0 ? Query<IMusicResource>(Members()->Find(Variant(Random(count)))) : nullptr;
}

// ---------------------------------------------------------------------------
// TSound

void TSound::Create() {
    TPropertyObject::Create();
    SetNodeName("sound");
}

Variant TSound::GetProperty(const std::string& name) {
    if (name == "resourcename") return Variant(resourceName_);
    if (name == "volume") return Variant(volume_);
    if (name == "pan") return Variant(pan_);
    if (name == "mutemusic") return Variant(muteMusic_);
    return TPropertyObject::GetProperty(name);
}

void TSound::SetProperty(const std::string& name, const Variant& value) {
    try {
        if (name == "volume") {
            volume_ = value.ToInt();
            return;
        }
        if (name == "pan") {
            pan_ = value.ToInt();
            return;
        }
        if (name == "mutemusic") {
            muteMusic_ = value.ToBool();
            return;
        }
    } catch (const std::exception&) {
        return;  // not convertible: the field stays
    }
    TPropertyObject::SetProperty(name, value);
}

void TSound::AssignTo(TNamedObject& dest) {
    TPropertyObject::AssignTo(dest);
    if (auto* sound = dynamic_cast<TSound*>(&dest)) {
        sound->resourceName_ = resourceName_;
        sound->volume_ = volume_;
        sound->pan_ = pan_;
        sound->muteMusic_ = muteMusic_;
    }
}

void TSound::LoadFrom(const Ref<IHierStorage>& storage) {
    TPropertyObject::LoadFrom(storage);
    resourceName_ = ReadString(storage, "resourcename", "");
    volume_ = ReadInteger(storage, "volume", -1);
    pan_ = ReadInteger(storage, "pan", kAudioKeepPan);
    muteMusic_ = ReadBool(storage, "mutemusic", false);
}

void TSound::SaveTo(const Ref<IHierStorage>& storage) {
    TPropertyObject::SaveTo(storage);
    WriteString(storage, "resourcename", resourceName_, true);
    WriteInteger(storage, "volume", volume_, volume_ != -1);
    WriteInteger(storage, "pan", pan_, pan_ != kAudioKeepPan);
    WriteBool(storage, "mutemusic", muteMusic_, muteMusic_);
}

// ---------------------------------------------------------------------------
// TMusic

void TMusic::Create() {
    TPropertyObject::Create();
    SetNodeName("music");
}

Variant TMusic::GetProperty(const std::string& name) {
    if (name == "resourcename") return Variant(resourceName_);
    return TPropertyObject::GetProperty(name);
}

void TMusic::SetProperty(const std::string& name, const Variant& value) {
    if (name == "resourcename") {
        try {
            resourceName_ = value.ToString();
        } catch (const std::exception&) {
        }
        return;
    }
    TPropertyObject::SetProperty(name, value);
}

void TMusic::AssignTo(TNamedObject& dest) {
    TPropertyObject::AssignTo(dest);
    if (auto* music = dynamic_cast<TMusic*>(&dest)) music->resourceName_ = resourceName_;
}

void TMusic::LoadFrom(const Ref<IHierStorage>& storage) {
    TPropertyObject::LoadFrom(storage);
    resourceName_ = ReadString(storage, "resourcename", "");
}

void TMusic::SaveTo(const Ref<IHierStorage>& storage) {
    TPropertyObject::SaveTo(storage);
    WriteString(storage, "resourcename", resourceName_, true);
}

// ---------------------------------------------------------------------------
// Collections

void TSoundCollection::Create() {
    TStaticCreationPersistItemCollection::Create();
    SetNodeName("sounds");
    SetItemNodeName("sound");
    SetItemClass(ClassOf<TSound>());
}

Ref<ISound> TSoundCollection::Find(const Variant& key) {
    return Query<ISound>(Items().GetItem(key));
}

void TSoundCollection::Add(const Ref<ISound>& sound) {
    if (sound) Items().Add(sound, false, sound->GetName());
}

void TSoundCollection::AddItem(const Ref<IInterface>& item) {
    Add(Query<ISound>(item));
}

void TMusicCollection::Create() {
    TStaticCreationPersistItemCollection::Create();
    SetNodeName("musics");
    SetItemNodeName("music");
    SetItemClass(ClassOf<TMusic>());
}

Ref<IMusic> TMusicCollection::Find(const Variant& key) {
    return Query<IMusic>(Items().GetItem(key));
}

void TMusicCollection::Add(const Ref<IMusic>& music) {
    if (music) Items().Add(music, false, music->GetName());
}

void TMusicCollection::AddItem(const Ref<IInterface>& item) {
    Add(Query<IMusic>(item));
}

// ---------------------------------------------------------------------------

void RegisterSoundClasses() {
    RegisterObjectClass(ClassOf<TMusicResource>(), "MusicResource");
    RegisterObjectClass(ClassOf<TMusicGroupResource>(), "MusicGroupResource");
    RegisterObjectClass(ClassOf<TSoundResource>(), "SoundResource");
    RegisterObjectClass(ClassOf<TSoundGroupResource>(), "SoundGroupResource");
    RegisterObjectClass(ClassOf<TSound>(), "Sound");
    RegisterObjectClass(ClassOf<TMusic>(), "Music");
}
