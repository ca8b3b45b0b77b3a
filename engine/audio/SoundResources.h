// Sound and music resources, their random-choice groups, and the small play
// descriptions (TSound, TMusic) that screens and widgets keep in their
// "sounds" and "musics" collections and hand to IEngine::PlaySound and
// IEngine::PlayMusic.
//
// Samples and music are loaded and freed through the owner (the engine's
// IResourceOwner). A file that is missing or cannot be decoded leaves the
// handle 0: the resource stays registered and plays nothing. Nothing here
// raises for bad data.
#pragma once

#include <cstdint>
#include <string>

#include "core/base/Units.h"
#include "core/persist/EngineGeneralClasses.h"
#include "engine/audio/EngineSounds.h"
#include "engine/resources/EngineResources.h"

// ---------------------------------------------------------------------------
// Resources

// A sample. "maxplaybacks" (default 0, taken as 1 once the resource has an
// owner) is how many playbacks of it may sound at once; "master_volume"
// (percent, default 100, kept in 8 bits) scales every playback.
class TSoundResource : public TResource, public virtual ISoundResource {
public:
    // ISoundResource
    TSampleHandle GetHandle() override { return handle_; }
    uint8_t GetMasterVolume() override { return masterVolume_; }
    void PrepareToPlay() override {}

    void SetOwner(const Ref<IResourceOwner>& owner) override;
    void Load() override;
    void Unload() override;

    // The keys of a resource, then "maxplaybacks" and "master_volume" (a
    // value above 255 wraps), each written when not its default.
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    uint16_t GetMaxPlaybacks() const { return maxPlaybacks_; }

private:
    TSampleHandle handle_ = 0;
    uint8_t masterVolume_ = 100;
    uint16_t maxPlaybacks_ = 0;
};

// A music: "format" "mo3" (a module, the default) or "ogg" (an Ogg Vorbis
// file played as a looping sample; the handle is its channel, the sample
// behind it is kept for freeing).
class TMusicResource : public TResource, public virtual IMusicResource {
public:
    // IMusicResource
    TChannelHandle GetHandle() override { return handle_; }
    uint8_t GetFormat() override { return format_; }
    void PrepareToPlay() override {}

    void Load() override;
    void Unload() override;

    // The keys of a resource, then "format", written only when not "mo3".
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    TSampleHandle GetSampleHandle() const { return sampleHandle_; }

private:
    void FreeData();

    TChannelHandle handle_ = 0;
    TSampleHandle sampleHandle_ = 0;
    uint8_t format_ = kMusicFormatMo3;
};


// Sound resources (child element "resources") of which each playback picks
// one at random.
class TSoundGroupResource : public TGroupResource, public virtual ISoundResource {
public:
    // The chosen member's handle; 0 before the first choice or when the
    // choice found no sound resource.
    TSampleHandle GetHandle() override { return chosen_ ? chosen_->GetHandle() : 0; }
    // The chosen member's; 100 when none is chosen.
    uint8_t GetMasterVolume() override { return chosen_ ? chosen_->GetMasterVolume() : 100; }
    // Picks the member at Random(member count) of the process-wide generator.
    void PrepareToPlay() override;

private:
    Ref<ISoundResource> chosen_;
};

class TMusicGroupResource : public TGroupResource, public virtual IMusicResource {
public:
    TChannelHandle GetHandle() override { return chosen_ ? chosen_->GetHandle() : 0; }
    // The chosen member's; "ogg" when none is chosen.
    uint8_t GetFormat() override { return chosen_ ? chosen_->GetFormat() : kMusicFormatOgg; }
    void PrepareToPlay() override;

private:
    Ref<IMusicResource> chosen_;
};

// ---------------------------------------------------------------------------
// Play descriptions

// Element "sound": "resourcename" (always written), "volume" (default -1),
// "pan" (default -101) and "mutemusic" (default "no"), each written only
// when not the default. All four are properties; "resourcename" is read-only
// by name.
class TSound : public TPropertyObject, public virtual ISound {
public:
    void Create() override;

    std::string GetResourceName() override { return resourceName_; }
    int32_t GetVolume() override { return volume_; }
    void SetVolume(int32_t volume) override { volume_ = volume; }
    int32_t GetPan() override { return pan_; }
    void SetPan(int32_t pan) override { pan_ = pan; }
    bool GetMuteMusic() override { return muteMusic_; }
    void SetMuteMusic(bool muteMusic) override { muteMusic_ = muteMusic; }

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void SetResourceName(const std::string& name) { resourceName_ = name; }

private:
    std::string resourceName_;
    int32_t volume_ = -1;
    int32_t pan_ = kAudioKeepPan;
    bool muteMusic_ = false;
};

// Element "music": "resourcename", always written; also a property.
class TMusic : public TPropertyObject, public virtual IMusic {
public:
    void Create() override;

    std::string GetResourceName() override { return resourceName_; }

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void SetResourceName(const std::string& name) { resourceName_ = name; }

private:
    std::string resourceName_;
};

class ISoundCollection : public virtual ICollection {
public:
    // By index or by name; null when absent.
    virtual Ref<ISound> Find(const Variant& key) = 0;
    // Appends under the sound's name; a name already present keeps the first.
    virtual void Add(const Ref<ISound>& sound) = 0;
};

class IMusicCollection : public virtual ICollection {
public:
    virtual Ref<IMusic> Find(const Variant& key) = 0;
    virtual void Add(const Ref<IMusic>& music) = 0;
};

// Element "sounds" of "sound" items.
class TSoundCollection : public TTypedCollection<ISound, ISoundCollection> {
public:
    void Create() override;
};

// Element "musics" of "music" items.
class TMusicCollection : public TTypedCollection<IMusic, IMusicCollection> {
public:
    void Create() override;
};

// Registers "MusicResource", "MusicGroupResource", "SoundResource",
// "SoundGroupResource" (in this order), then "Sound" and "Music".
void RegisterSoundClasses();

// Runs before the resources unit, so the resource names keep their order.
inline constexpr TUnit kSoundResourcesUnit = {"SoundResources", RegisterSoundClasses, nullptr};
