#include "engine/audio/SoundResources.h"

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

const TPropertyTable& TSoundResource::Table() {
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<TSoundResource>(TResource::Table())
            .Field("maxplaybacks", &TSoundResource::maxPlaybacks_, 0)
            .Field("master_volume", &TSoundResource::masterVolume_, 100)
            .Build();
    // clang-format on
    return table;
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

const TPropertyTable& TMusicResource::Table() {
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<TMusicResource>(TResource::Table())
            .Field("format", &TMusicResource::format_, kMusicFormatMo3).Enum(kMusicFormats)
            .Build();
    // clang-format on
    return table;
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

const TPropertyTable& TSound::Table() {
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<TSound>(TPropertyObject::Table())
            .Field("resourcename", &TSound::resourceName_).ReadOnly().SaveAlways()
            .Field("volume", &TSound::volume_, -1)
            .Field("pan", &TSound::pan_, kAudioKeepPan)
            .Field("mutemusic", &TSound::muteMusic_, false)
            .Build();
    // clang-format on
    return table;
}

// ---------------------------------------------------------------------------
// TMusic

void TMusic::Create() {
    TPropertyObject::Create();
    SetNodeName("music");
}

const TPropertyTable& TMusic::Table() {
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<TMusic>(TPropertyObject::Table())
            .Field("resourcename", &TMusic::resourceName_).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

// ---------------------------------------------------------------------------
// Collections

void TSoundCollection::Create() {
    TStaticCreationPersistItemCollection::Create();
    SetNodeName("sounds");
    SetItemNodeName("sound");
    SetItemClass(ClassOf<TSound>());
}

void TMusicCollection::Create() {
    TStaticCreationPersistItemCollection::Create();
    SetNodeName("musics");
    SetItemNodeName("music");
    SetItemClass(ClassOf<TMusic>());
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
