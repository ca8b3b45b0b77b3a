// Sound and music as the engine plays them: the play descriptions the game
// hands over (ISound, IMusic), what a sound or music resource offers the
// engine (ISoundResource, IMusicResource), and TEngineAudio, the engine's
// audio part over an IAudioBackend: loading samples and music through the
// engine's stream opener, the music stack with its crossfade, sounds with
// their volume formula, muting the music while "mutemusic" sounds play, the
// two volume settings and pausing all output while the application is
// inactive.
//
// Failure: when the backend cannot be opened the engine runs silent: every
// load answers handle 0, every play answers channel 0 and volumes are not
// stored. Missing, unreadable or corrupt audio files load as handle 0 with a
// line in the log; nothing here raises.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Streams.h"
#include "core/base/Variant.h"
#include "core/persist/EngineGeneralClasses.h"
#include "engine/interfaces/EngineInterfaces.h"
#include "platform/audio/AudioBackend.h"

// ---------------------------------------------------------------------------
// Play descriptions

// What a screen or widget plays as a sound effect.
class ISound : public virtual IPropertyObject {
public:
    virtual std::string GetResourceName() = 0;
    // Percent of the resource's master volume; 0 or less: the master volume.
    virtual int32_t GetVolume() = 0;
    virtual void SetVolume(int32_t volume) = 0;
    // -100 left to 100 right; -101 leaves the channel's pan as it is.
    virtual int32_t GetPan() = 0;
    virtual void SetPan(int32_t pan) = 0;
    // The music is faded out while this sound plays.
    virtual bool GetMuteMusic() = 0;
    virtual void SetMuteMusic(bool muteMusic) = 0;
};

// What a screen plays as music.
class IMusic : public virtual IPropertyObject {
public:
    virtual std::string GetResourceName() = 0;
};

// ---------------------------------------------------------------------------
// What the engine asks of sound and music resources

class ISoundResource : public virtual IResource {
public:
    // The sample handle; 0 when nothing is loaded.
    virtual TSampleHandle GetHandle() = 0;
    virtual uint8_t GetMasterVolume() = 0;
    // Called before every playback; a random-choice group picks its member.
    virtual void PrepareToPlay() = 0;
};

// Formats of a music resource.
inline constexpr uint8_t kMusicFormatMo3 = 0;  // a module: the handle is the music itself
inline constexpr uint8_t kMusicFormatOgg = 1;  // the handle is the channel of a looping sample

class IMusicResource : public virtual IResource {
public:
    virtual TChannelHandle GetHandle() = 0;
    virtual uint8_t GetFormat() = 0;
    virtual void PrepareToPlay() = 0;
};

// ---------------------------------------------------------------------------
// The engine's audio part

// What TEngineAudio needs of the engine. Every member may be left empty:
// no stream opens, no resource is found, no setting is present.
struct TEngineAudioHost {
    // The file through the resource paths and packs; null when it cannot open.
    std::function<std::unique_ptr<TStream>(const std::string& fileName)> openStream;
    // The engine's resource collection (found by name, walked by index).
    std::function<IResourceCollection*()> resources;
    // A setting's value; Null or Empty when there is no such setting.
    std::function<Variant(const std::string& name)> getSetting;
};

class TEngineAudio {
public:
    // Output rate asked of the backend.
    static constexpr int kOutputRate = 44100;
    // Time of the crossfade between two musics.
    static constexpr uint32_t kCrossfadeMs = 2000;
    // Fade time of FadeOutMusic / FadeInMusic when given -1.
    static constexpr int32_t kDefaultFadeMs = 100;
    // Entries kept on the music stack at most; the oldest (silent, faded out)
    // drop off the bottom so a long session does not grow it without end.
    static constexpr size_t kMaxMusicStack = 16;

    TEngineAudio(Ref<IAudioBackend> backend, TEngineAudioHost host);
    ~TEngineAudio();  // ShutdownSound
    TEngineAudio(const TEngineAudio&) = delete;
    TEngineAudio& operator=(const TEngineAudio&) = delete;

    // Opens the backend at 44100 Hz (a backend that is already open is taken
    // as it is) and applies the settings "MusicVolume" and "SoundVolume".
    // Answers whether sound is available.
    bool InitSound();
    // Closes the backend; every later call does nothing and answers 0.
    void ShutdownSound();
    bool IsAvailable() const { return available_; }

    // IResourceOwner's loaders: the whole file into memory, then to the
    // backend. 0 without sound or when the file is missing or unreadable.
    TMusicHandle LoadMusic(const std::string& fileName);
    void FreeMusic(TMusicHandle music);
    TSampleHandle LoadSample(const std::string& fileName, uint16_t maxPlaybacks, bool loop);
    // A looping sample with one playback and its channel; 0 (and sample 0)
    // when it cannot be loaded.
    TChannelHandle LoadLoopedSampleChannel(const std::string& fileName, TSampleHandle& sample);
    void FreeSample(TSampleHandle sample);

    // Fades the present music out and the named one in over 2000 ms and
    // pushes it on the music stack, also when it is on the stack already
    // (each play is stopped by its own StopMusic). The music's channel, or 0.
    TChannelHandle PlayMusic(const Ref<IMusic>& music);
    // Only the music on top of the stack stops (fading out); the one below
    // fades back in from where it was, also when it is the same music.
    void StopMusic(const Ref<IMusic>& music);
    // Plays the sound's resource at master volume × sound volume × the
    // "SoundVolume" setting; the channel, or 0.
    TChannelHandle PlaySound(const Ref<ISound>& sound);
    // Stops every channel of the sound's resource, whichever sound object
    // played it (for a group, of every member it played).
    void StopSound(const Ref<ISound>& sound);
    void StopAllSounds();

    // The settings "MusicVolume" and "SoundVolume": the value's text as a
    // decimal integer; other texts change nothing. Only with sound. Sound
    // volume above 100 is stored as 100.
    void SetMusicVolume(const Variant& value);
    void SetSoundVolume(const Variant& value);
    int32_t GetMusicVolume() const { return musicVolume_; }
    int32_t GetSoundVolume() const { return soundVolume_; }

    // Top music to silence / back to the music volume over timeMs (-1: 100
    // ms; 0: pause / resume at once).
    void FadeOutMusic(int32_t timeMs);
    void FadeInMusic(int32_t timeMs);
    // Every frame: drops muting sounds that ended; when none is left the
    // music fades back in.
    void UpdateMuteSounds();
    // Resumes (active) or pauses all output.
    void SetActive(bool active);

    // Inspection (tests, diagnostics).
    size_t GetMusicStackSize() const { return musicStack_.size(); }
    TChannelHandle GetTopMusicChannel() const {
        return musicStack_.empty() ? 0 : musicStack_.back();
    }
    size_t GetMutingSoundCount() const { return mutingSounds_.size(); }
    IAudioBackend* GetBackend() const { return backend_.get(); }

private:
    // Only the resource the sound names is kept, not the sound: the screen
    // that owns it may go while its channel still sounds.
    struct TPlayedSound {
        std::string resourceName;
        TChannelHandle channel;
    };

    void Log(const std::string& message) const;
    // The whole file, or false (with a log line) when it cannot be read.
    bool ReadWholeFile(const std::string& fileName, std::vector<uint8_t>& data, const char* what);
    Ref<IResource> FindResource(const std::string& name) const;
    Ref<IMusicResource> FindMusicResource(const Ref<IMusic>& music) const;
    // The music volume as the backend takes it (never a "keep" value).
    int MusicLevel() const;
    void DropStoppedPlayedSounds();

    Ref<IAudioBackend> backend_;
    TEngineAudioHost host_;
    bool available_ = false;
    int32_t musicVolume_ = 0;
    int32_t soundVolume_ = 0;
    // Channels of the musics started, newest last.
    std::vector<TChannelHandle> musicStack_;
    // Playing channels of sounds that silence the music.
    std::vector<TChannelHandle> mutingSounds_;
    // Channels of sounds played and not yet seen stopped, for StopSound and
    // StopAllSounds.
    std::vector<TPlayedSound> playedSounds_;
};
