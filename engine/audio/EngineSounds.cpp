#include "engine/audio/EngineSounds.h"

#include <algorithm>
#include <exception>
#include <limits>

#include "core/base/AsciiText.h"
#include "core/base/Log.h"

namespace {

// The value's text as a decimal integer of 32 bits.
bool VariantToInt32(const Variant& value, int32_t& result) {
    std::string text;
    try {
        text = value.ToString();
    } catch (const std::exception&) {
        return false;
    }
    int64_t parsed = 0;
    if (!TryTextToInt64(text, parsed)) return false;
    if (parsed < std::numeric_limits<int32_t>::min() ||
        parsed > std::numeric_limits<int32_t>::max())
        return false;
    result = static_cast<int32_t>(parsed);
    return true;
}

}  // namespace

TEngineAudio::TEngineAudio(Ref<IAudioBackend> backend, TEngineAudioHost host)
    : backend_(std::move(backend)), host_(std::move(host)) {}

TEngineAudio::~TEngineAudio() {
    ShutdownSound();
}

void TEngineAudio::Log(const std::string& message) const {
    ::Log("SOUND", message);
}

bool TEngineAudio::InitSound() {
    if (available_) return true;
    if (!backend_) return false;
    if (!backend_->IsOpen() && !backend_->Open(kOutputRate)) {
        Log("no audio output, running silent");
        return false;
    }
    available_ = true;
    // A missing setting leaves this volume and the next as they are.
    try {
        const Variant music = host_.getSetting ? host_.getSetting("MusicVolume") : Variant();
        if (music.IsUnassigned()) return true;
        SetMusicVolume(music);
        const Variant sound = host_.getSetting ? host_.getSetting("SoundVolume") : Variant();
        if (sound.IsUnassigned()) return true;
        SetSoundVolume(sound);
    } catch (const std::exception& e) {
        Log(std::string("volume settings not applied: ") + e.what());
    }
    return true;
}

void TEngineAudio::ShutdownSound() {
    if (!available_) return;
    backend_->Close();
    available_ = false;
    musicStack_.clear();
    mutingSounds_.clear();
    playedSounds_.clear();
}

// ---------------------------------------------------------------------------
// Loading

bool TEngineAudio::ReadWholeFile(const std::string& fileName, std::vector<uint8_t>& data,
                                 const char* what) {
    data.clear();
    try {
        std::unique_ptr<TStream> stream;
        if (host_.openStream) stream = host_.openStream(fileName);
        if (!stream) {
            Log(std::string(what) + " not found: " + fileName);
            return false;
        }
        const int64_t size = stream->GetSize() - stream->GetPosition();
        if (size <= 0) {
            Log(std::string(what) + " is empty: " + fileName);
            return false;
        }
        data.resize(static_cast<size_t>(size));
        stream->ReadBuffer(data.data(), data.size());
        return true;
    } catch (const std::exception& e) {
        Log(std::string(what) + " not read: " + fileName + ": " + e.what());
        data.clear();
        return false;
    }
}

TMusicHandle TEngineAudio::LoadMusic(const std::string& fileName) {
    if (!available_) return 0;
    // The backend keeps what it needs; the file's bytes go on return.
    std::vector<uint8_t> data;
    if (!ReadWholeFile(fileName, data, "music")) return 0;
    const TMusicHandle handle = backend_->LoadMusic(data.data(), data.size(), true);
    if (handle == 0) Log("music not loaded: " + fileName);
    return handle;
}

void TEngineAudio::FreeMusic(TMusicHandle music) {
    if (!available_) return;
    backend_->FreeMusic(music);
}

TSampleHandle TEngineAudio::LoadSample(const std::string& fileName, uint16_t maxPlaybacks,
                                       bool loop) {
    if (!available_) return 0;
    std::vector<uint8_t> data;
    if (!ReadWholeFile(fileName, data, "sound")) return 0;
    const TSampleHandle handle = backend_->LoadSample(data.data(), data.size(), maxPlaybacks, loop);
    if (handle == 0) Log("sound not loaded: " + fileName);
    return handle;
}

TChannelHandle TEngineAudio::LoadLoopedSampleChannel(const std::string& fileName,
                                                     TSampleHandle& sample) {
    sample = LoadSample(fileName, 1, true);
    if (sample == 0) return 0;
    return backend_->GetSampleChannel(sample);
}

void TEngineAudio::FreeSample(TSampleHandle sample) {
    if (!available_) return;
    backend_->FreeSample(sample);
}

// ---------------------------------------------------------------------------
// Music

Ref<IResource> TEngineAudio::FindResource(const std::string& name) const {
    IResourceCollection* resources = host_.resources ? host_.resources() : nullptr;
    if (!resources) return nullptr;
    return resources->Find(Variant(name));
}

Ref<IMusicResource> TEngineAudio::FindMusicResource(const Ref<IMusic>& music) const {
    return Query<IMusicResource>(FindResource(music->GetResourceName()));
}

int TEngineAudio::MusicLevel() const {
    // Negative values would read as the backend's "keep" or "fade and stop".
    return std::max<int32_t>(musicVolume_, 0);
}

TChannelHandle TEngineAudio::PlayMusic(const Ref<IMusic>& music) {
    if (!available_ || !music) return 0;
    Ref<IMusicResource> resource = FindMusicResource(music);
    if (!resource) return 0;
    resource->PrepareToPlay();
    const TChannelHandle handle = resource->GetHandle();
    if (handle == 0) return 0;

    if (!musicStack_.empty())
        backend_->SlideChannelAttributes(musicStack_.back(), kAudioVolumeFadeAndStop, kAudioKeepPan,
                                         kCrossfadeMs);
    if (backend_->ChannelActivity(handle) != TChannelActivity::Stopped)
        backend_->StopChannel(handle);

    // A module's handle is the music itself; an Ogg music's handle is the
    // channel of its looping sample. Either is played as it is.
    const uint8_t format = resource->GetFormat();
    const TChannelHandle channel =
        (format == kMusicFormatMo3 || format == kMusicFormatOgg) ? handle : 0;
    if (channel == 0) return 0;

    // Every play is an entry of its own, so a screen and its child screen
    // playing the same music each stop their own. The oldest entry goes when
    // the stack is full.
    if (musicStack_.size() >= kMaxMusicStack)
        musicStack_.erase(musicStack_.begin(),
                          musicStack_.begin() + (musicStack_.size() - kMaxMusicStack + 1));
    musicStack_.push_back(channel);

    backend_->SetChannelAttributes(channel, 0, kAudioKeepPan);
    backend_->SlideChannelAttributes(channel, MusicLevel(), kAudioKeepPan, kCrossfadeMs);
    backend_->PlayChannel(channel, true);
    return channel;
}

void TEngineAudio::StopMusic(const Ref<IMusic>& music) {
    if (!available_ || !music || musicStack_.empty()) return;
    Ref<IMusicResource> resource = FindMusicResource(music);
    if (!resource) return;
    const TChannelHandle handle = resource->GetHandle();
    if (handle == 0 || musicStack_.back() != handle) return;

    backend_->SlideChannelAttributes(handle, kAudioVolumeFadeAndStop, kAudioKeepPan, kCrossfadeMs);
    musicStack_.pop_back();
    if (musicStack_.empty()) return;
    const TChannelHandle previous = musicStack_.back();
    backend_->SetChannelAttributes(previous, 0, kAudioKeepPan);
    if (musicVolume_ > 0)
        backend_->SlideChannelAttributes(previous, musicVolume_, kAudioKeepPan, kCrossfadeMs);
    backend_->PlayChannel(previous, false);
}

void TEngineAudio::FadeOutMusic(int32_t timeMs) {
    if (!available_ || musicStack_.empty()) return;
    if (timeMs == -1) timeMs = kDefaultFadeMs;
    const TChannelHandle top = musicStack_.back();
    if (timeMs == 0)
        backend_->PauseChannel(top);
    else
        backend_->SlideChannelAttributes(top, 0, kAudioKeepPan,
                                         static_cast<uint32_t>(std::max(timeMs, 0)));
}

void TEngineAudio::FadeInMusic(int32_t timeMs) {
    if (!available_ || musicStack_.empty()) return;
    if (timeMs == -1) timeMs = kDefaultFadeMs;
    const TChannelHandle top = musicStack_.back();
    if (timeMs == 0)
        backend_->PlayChannel(top, false);
    else
        backend_->SlideChannelAttributes(top, MusicLevel(), kAudioKeepPan,
                                         static_cast<uint32_t>(std::max(timeMs, 0)));
}

// ---------------------------------------------------------------------------
// Sounds

void TEngineAudio::DropStoppedPlayedSounds() {
    std::erase_if(playedSounds_, [this](const TPlayedSound& played) {
        return backend_->ChannelActivity(played.channel) == TChannelActivity::Stopped;
    });
}

TChannelHandle TEngineAudio::PlaySound(const Ref<ISound>& sound) {
    if (!sound) return 0;
    Ref<ISoundResource> resource = Query<ISoundResource>(FindResource(sound->GetResourceName()));
    if (!resource) return 0;
    resource->PrepareToPlay();
    const TSampleHandle sample = resource->GetHandle();
    if (!available_ || sample == 0) return 0;

    // Every playback may be taken already: then nothing sounds, and nothing
    // is muted.
    const TChannelHandle channel = backend_->GetSampleChannel(sample);
    if (channel == 0) return 0;

    const int64_t master = resource->GetMasterVolume();
    const int64_t own = sound->GetVolume();
    int64_t volume = own > 0 ? own * master / 100 : master;
    volume = volume * soundVolume_ / 100;
    // A negative result would read as "keep the volume" (full) to the backend.
    volume = std::clamp<int64_t>(volume, 0, 100);
    backend_->SetChannelAttributes(channel, static_cast<int>(volume), sound->GetPan());
    backend_->PlayChannel(channel, true);

    DropStoppedPlayedSounds();
    playedSounds_.push_back({sound->GetResourceName(), channel});
    if (sound->GetMuteMusic()) {
        mutingSounds_.push_back(channel);
        FadeOutMusic(-1);
    }
    return channel;
}

void TEngineAudio::StopSound(const Ref<ISound>& sound) {
    if (!sound || !available_) return;
    const std::string& name = sound->GetResourceName();
    // Every channel of the resource's sample, whichever sound played it...
    if (Ref<ISoundResource> resource = Query<ISoundResource>(FindResource(name))) {
        if (const TSampleHandle sample = resource->GetHandle(); sample != 0)
            backend_->StopSample(sample);
    }
    // ...and, for a group, those of the members it chose before.
    std::erase_if(playedSounds_, [&](const TPlayedSound& played) {
        if (!EqualIgnoringAsciiCase(played.resourceName, name)) return false;
        if (backend_->ChannelActivity(played.channel) != TChannelActivity::Stopped)
            backend_->StopChannel(played.channel);
        return true;
    });
    UpdateMuteSounds();
}

void TEngineAudio::StopAllSounds() {
    if (!available_) return;
    // Every channel played, whichever member of a group it came from...
    for (const TPlayedSound& played : playedSounds_) backend_->StopChannel(played.channel);
    playedSounds_.clear();
    // ...and whatever else the sound resources have sounding.
    if (IResourceCollection* resources = host_.resources ? host_.resources() : nullptr) {
        const int32_t count = resources->GetCount();
        for (int32_t i = 0; i < count; ++i) {
            Ref<ISoundResource> resource = Query<ISoundResource>(resources->Find(Variant(i)));
            if (!resource) continue;
            const TSampleHandle sample = resource->GetHandle();
            if (sample != 0) backend_->StopSample(sample);
        }
    }
    UpdateMuteSounds();
}

void TEngineAudio::UpdateMuteSounds() {
    if (!available_ || mutingSounds_.empty()) return;
    std::erase_if(mutingSounds_, [this](TChannelHandle channel) {
        return backend_->ChannelActivity(channel) == TChannelActivity::Stopped;
    });
    if (mutingSounds_.empty()) FadeInMusic(-1);
}

// ---------------------------------------------------------------------------
// Settings and activity

void TEngineAudio::SetMusicVolume(const Variant& value) {
    if (!available_) return;
    int32_t volume = 0;
    if (!VariantToInt32(value, volume)) return;
    musicVolume_ = volume;
    if (!musicStack_.empty())
        backend_->SetChannelAttributes(musicStack_.back(), MusicLevel(), kAudioKeepPan);
}

void TEngineAudio::SetSoundVolume(const Variant& value) {
    if (!available_) return;
    int32_t volume = 0;
    if (!VariantToInt32(value, volume)) return;
    soundVolume_ = std::min(volume, 100);
}

void TEngineAudio::SetActive(bool active) {
    if (!available_) return;
    if (active)
        backend_->Start();
    else
        backend_->Pause();
}
