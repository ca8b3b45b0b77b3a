// The audio backend over SDL2: one stereo output device whose callback runs
// TAudioMixer. Every call from the main thread takes the mixer's lock only
// for the table change itself; decoding and freeing of file data happen
// outside it, so the main thread never waits longer than one mixing pass.
//
// When SDL finds no device, Open answers false (with one line in the core
// log, module "AUDIO", that says why) and the backend stays closed: every
// call answers 0 / false and nothing plays. Unreadable files load as handle 0
// with a log line. ALSA's own error printing is caught and its messages go to
// the log instead of standard error: while opening fails, the first of them
// is part of that one line.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/audio/AudioBackend.h"
#include "platform/audio/AudioMixer.h"

class TAudioDevice final : public IAudioBackend {
public:
    TAudioDevice();
    ~TAudioDevice() override;

    // Opens the backend with no device behind it: nothing sounds by itself,
    // the output is pulled with RenderFloat / RenderInt16 (tests, tools).
    bool OpenWithoutOutput(int frequency);
    // The next `frames` stereo frames of the mix; silence when closed. The
    // float form is the plain sum (it may pass +-1), the 16-bit one is
    // clipped. With a real device open this takes frames away from it.
    void RenderFloat(float* out, size_t frames);
    void RenderInt16(int16_t* out, size_t frames);

    bool Open(int frequency) override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    bool Start() override;
    bool Pause() override;
    TAudioHandle LoadMusic(const void* data, size_t size, bool loop) override;
    bool FreeMusic(TAudioHandle music) override;
    TAudioHandle LoadSample(const void* data, size_t size, uint16_t maxPlaybacks,
                            bool loop) override;
    bool FreeSample(TAudioHandle sample) override;
    TAudioHandle GetSampleChannel(TAudioHandle sample) override;
    bool StopSample(TAudioHandle sample) override;
    TChannelActivity ChannelActivity(TAudioHandle channel) override;
    bool PlayChannel(TAudioHandle channel, bool restart) override;
    bool StopChannel(TAudioHandle channel) override;
    bool PauseChannel(TAudioHandle channel) override;
    bool SetChannelAttributes(TAudioHandle channel, int volume, int pan) override;
    bool SlideChannelAttributes(TAudioHandle channel, int volume, int pan,
                                uint32_t timeMs) override;

private:
    void Log(const std::string& message) const;
    bool ValidFrequency(int frequency) const;
    // The messages ALSA gave since the last call, each a log line.
    void LogAlsaMessages();
    // The one line for a failed Open: what failed, SDL's reason and ALSA's
    // first message.
    void LogNoDevice(const std::string& what);

    mutable std::mutex mutex_;  // guards mixer_ against the output thread
    TAudioMixer mixer_;
    bool open_ = false;
    uint32_t deviceId_ = 0;  // SDL's device, 0 when pulling by hand
    std::vector<float> int16Scratch_;
};
