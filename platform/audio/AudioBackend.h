// The audio calls the engine makes: one output device, samples played on
// channels with a bounded number of simultaneous playbacks, module and Ogg
// music, channel volume and pan with linear slides, and pausing all output.
//
// Every object is named by a 32-bit handle; 0 is never a valid handle. Stale
// handles (a freed sample, a channel recycled for a newer playback) are simply
// invalid: calls on them answer 0 / false / Stopped and do nothing. While the
// backend is not open every call behaves that way, so a game without an audio
// device runs silent.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/base/Interface.h"

using TAudioHandle = uint32_t;

// The output rate the engine asks for.
constexpr int kAudioOutputRate = 44100;

// Volume runs from 0 (silent) to 100 (full), pan from -100 (left) to 100
// (right). These values leave an attribute as it is; kAudioVolumeFadeAndStop
// as the target of a volume slide fades the channel out and then stops it.
constexpr int kAudioKeepVolume = -1;
constexpr int kAudioVolumeFadeAndStop = -2;
constexpr int kAudioKeepPan = -101;

enum class TChannelActivity : uint8_t { Stopped = 0, Playing = 1, Paused = 2 };

class IAudioBackend : public virtual IInterface {
public:
    // Opens the stereo output at `frequency` Hz (8000 to 192000) and starts
    // it. False when no device can be opened; the backend then stays closed.
    virtual bool Open(int frequency) = 0;
    // Stops the output and frees every sample, channel and music.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Resumes / pauses all output; paused, nothing advances (not even slides).
    virtual bool Start() = 0;
    virtual bool Pause() = 0;

    // A module (every tracker format libopenmpt reads, MO3 included) or an
    // Ogg Vorbis file, from memory; the data may be freed on return. The
    // handle is also the music's channel. 0 when the data cannot be read.
    virtual TAudioHandle LoadMusic(const void* data, size_t size, bool loop) = 0;
    virtual bool FreeMusic(TAudioHandle music) = 0;

    // A WAV (PCM 8 or 16 bit, mono or stereo) or Ogg Vorbis sample from
    // memory, resampled to the output rate. At most `maxPlaybacks` channels
    // of it sound at once (0 counts as 1). 0 when the data cannot be read.
    virtual TAudioHandle LoadSample(const void* data, size_t size, uint16_t maxPlaybacks,
                                    bool loop) = 0;
    // Frees the sample and every channel of it.
    virtual bool FreeSample(TAudioHandle sample) = 0;
    // A channel to play the sample on, at volume 100 and pan 0. When the
    // sample already sounds `maxPlaybacks` times (playing or paused) the
    // answer is 0: a further playback is refused, none is cut off. Otherwise
    // a channel of the sample that no longer sounds may be recycled, which
    // makes its older handle invalid.
    virtual TAudioHandle GetSampleChannel(TAudioHandle sample) = 0;
    // Stops every channel of the sample.
    virtual bool StopSample(TAudioHandle sample) = 0;

    // Channels: those of samples, and musics.
    virtual TChannelActivity ChannelActivity(TAudioHandle channel) = 0;
    // Plays from the start when `restart` (or when the channel has reached
    // its end), otherwise resumes where it was paused or stopped.
    virtual bool PlayChannel(TAudioHandle channel, bool restart) = 0;
    // Stops, keeping the position.
    virtual bool StopChannel(TAudioHandle channel) = 0;
    // Pauses a playing channel; false when it is not playing.
    virtual bool PauseChannel(TAudioHandle channel) = 0;
    // Sets volume and pan (or keeps them) and ends a slide of what is set.
    // Values beyond the ranges are clamped; another negative volume is 0.
    virtual bool SetChannelAttributes(TAudioHandle channel, int volume, int pan) = 0;
    // Slides volume and pan linearly from their present values to the given
    // ones over `timeMs` (0: at once); a kept attribute goes on with the slide
    // it has. A new slide of an attribute replaces the old one.
    virtual bool SlideChannelAttributes(TAudioHandle channel, int volume, int pan,
                                        uint32_t timeMs) = 0;
};
