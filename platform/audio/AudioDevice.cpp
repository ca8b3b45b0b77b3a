#include "platform/audio/AudioDevice.h"

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "core/base/Log.h"

namespace {

constexpr int kMinFrequency = 8000;
constexpr int kMaxFrequency = 192000;
// About 23 ms at 44100 Hz: short enough for effects, long enough not to starve.
constexpr Uint16 kDeviceBufferFrames = 1024;

void SDLCALL OutputCallback(void* user, Uint8* stream, int length) {
    auto* device = static_cast<TAudioDevice*>(user);
    auto* out = reinterpret_cast<float*>(stream);
    const size_t frames = static_cast<size_t>(length) / (2 * sizeof(float));
    device->RenderFloat(out, frames);
    // Many loud channels add up past full scale; clip rather than let the
    // conversion further down wrap or distort.
    for (size_t i = 0; i < 2 * frames; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

// ALSA prints its errors straight to standard error: several lines for a
// machine without a sound device while SDL probes it, before the program has
// said anything. They are caught here instead and handed to the device's log
// when it opens or closes (LogAlsaMessages, LogNoDevice). SDL loads the same
// libasound, so the handler set here is the one it sees.
class TAlsaMessages {
public:
    static TAlsaMessages& Get() {
        static TAlsaMessages* messages = new TAlsaMessages();  // outlives every device
        return *messages;
    }

    // Installs the handler, once; nothing when there is no libasound.
    void Catch() {
        std::call_once(installed_, [] {
            void* library = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
            if (!library) return;
            using THandler = void (*)(const char*, int, const char*, int, const char*, ...);
            using TSetHandler = int (*)(THandler);
            auto set = reinterpret_cast<TSetHandler>(::dlsym(library, "snd_lib_error_set_handler"));
            // The library stays loaded: it holds the handler.
            if (set) set(&TAlsaMessages::Handler);
        });
    }

    std::vector<std::string> Take() {
        std::lock_guard lock(mutex_);
        return std::exchange(lines_, {});
    }

private:
    static constexpr size_t kMaxKept = 16;

    // ALSA's error callback; may run on the output thread.
    static void Handler(const char*, int, const char*, int error, const char* format, ...) {
        char text[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        std::string line = text;
        if (error != 0) {
            const char* reason = ::strerrordesc_np(error < 0 ? -error : error);  // thread-safe
            line += std::string(": ") + (reason ? reason : std::to_string(error));
        }
        TAlsaMessages& self = Get();
        std::lock_guard lock(self.mutex_);
        if (self.lines_.size() < kMaxKept) self.lines_.push_back(std::move(line));
    }

    std::once_flag installed_;
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Stopping SDL's audio after a failed open waits for its ALSA hot-plug
// thread to finish a sleep of about 100 ms. Nothing depends on that stop, so
// it runs on a thread of its own instead of delaying the first frame; the
// next start of SDL's audio, and the end of the program, wait for it.
class TAudioQuit {
public:
    static TAudioQuit& Get() {
        static TAudioQuit quit;  // joined at exit at the latest
        return quit;
    }
    ~TAudioQuit() { Wait(); }

    void Start() {
        Wait();
        thread_ = std::thread([] { SDL_QuitSubSystem(SDL_INIT_AUDIO); });
    }
    void Wait() {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::thread thread_;
};

}  // namespace

TAudioDevice::TAudioDevice() = default;

TAudioDevice::~TAudioDevice() {
    Close();
    TAudioQuit::Get().Wait();
}

void TAudioDevice::Log(const std::string& message) const {
    ::Log("AUDIO", message);
}

bool TAudioDevice::ValidFrequency(int frequency) const {
    if (frequency >= kMinFrequency && frequency <= kMaxFrequency) return true;
    Log("unsupported output frequency " + std::to_string(frequency));
    return false;
}

bool TAudioDevice::OpenWithoutOutput(int frequency) {
    Close();
    if (!ValidFrequency(frequency)) return false;
    std::lock_guard lock(mutex_);
    mixer_.Reset(frequency);
    open_ = true;
    return true;
}

void TAudioDevice::LogAlsaMessages() {
    for (const std::string& line : TAlsaMessages::Get().Take()) Log("ALSA: " + line);
}

void TAudioDevice::LogNoDevice(const std::string& what) {
    std::string line = what + ": " + SDL_GetError();
    const std::vector<std::string> alsa = TAlsaMessages::Get().Take();
    if (!alsa.empty()) line += " (ALSA: " + alsa.front() + ")";
    Log(line);
}

bool TAudioDevice::Open(int frequency) {
    Close();
    if (!ValidFrequency(frequency)) return false;
    TAlsaMessages::Get().Catch();
    TAudioQuit::Get().Wait();
    LogAlsaMessages();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        LogNoDevice("no audio");
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        mixer_.Reset(frequency);
    }
    SDL_AudioSpec want{};
    want.freq = frequency;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kDeviceBufferFrames;
    want.callback = OutputCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware takes.
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0) {
        LogNoDevice("no audio device");
        TAudioQuit::Get().Start();
        return false;
    }
    LogAlsaMessages();
    deviceId_ = id;
    {
        std::lock_guard lock(mutex_);
        open_ = true;
    }
    SDL_PauseAudioDevice(id, 0);
    return true;
}

void TAudioDevice::Close() {
    if (!open_) return;
    if (deviceId_ != 0) {
        // Waits for a running callback; none comes after it.
        SDL_CloseAudioDevice(deviceId_);
        deviceId_ = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        LogAlsaMessages();
    }
    std::lock_guard lock(mutex_);
    mixer_.Reset(mixer_.Rate());
    open_ = false;
}

void TAudioDevice::RenderFloat(float* out, size_t frames) {
    std::lock_guard lock(mutex_);
    if (!open_) {
        std::fill(out, out + 2 * frames, 0.0f);
        return;
    }
    mixer_.Render(out, frames);
}

void TAudioDevice::RenderInt16(int16_t* out, size_t frames) {
    std::lock_guard lock(mutex_);
    int16Scratch_.resize(2 * TAudioMixer::kBlockFrames);
    while (frames > 0) {
        size_t n = std::min(frames, TAudioMixer::kBlockFrames);
        if (open_)
            mixer_.Render(int16Scratch_.data(), n);
        else
            std::fill(int16Scratch_.begin(), int16Scratch_.end(), 0.0f);
        for (size_t i = 0; i < 2 * n; ++i) {
            float v = std::clamp(int16Scratch_[i], -1.0f, 1.0f) * 32767.0f;
            out[i] = static_cast<int16_t>(v >= 0.0f ? v + 0.5f : v - 0.5f);
        }
        out += 2 * n;
        frames -= n;
    }
}

bool TAudioDevice::Start() {
    if (!open_) return false;
    {
        std::lock_guard lock(mutex_);
        mixer_.SetPaused(false);
    }
    if (deviceId_ != 0) SDL_PauseAudioDevice(deviceId_, 0);
    return true;
}

bool TAudioDevice::Pause() {
    if (!open_) return false;
    {
        std::lock_guard lock(mutex_);
        mixer_.SetPaused(true);
    }
    if (deviceId_ != 0) SDL_PauseAudioDevice(deviceId_, 1);
    return true;
}

TAudioHandle TAudioDevice::LoadMusic(const void* data, size_t size, bool loop) {
    if (!open_) return 0;
    std::string error;
    if (data && IsOggData(data, size)) {
        auto pcm = std::make_unique<TPcmData>();
        if (!DecodeOggVorbis(data, size, *pcm, error) || !ResamplePcm(*pcm, mixer_.Rate(), error)) {
            Log("music not loaded: " + error);
            return 0;
        }
        std::lock_guard lock(mutex_);
        return mixer_.AddPcmMusic(std::move(pcm), loop);
    }
    TModulePtr module = LoadModule(data, size, loop, error);
    if (!module) {
        Log("music not loaded: " + error);
        return 0;
    }
    TAudioHandle handle;
    {
        std::lock_guard lock(mutex_);
        handle = mixer_.AddModuleMusic(std::move(module));
    }
    if (handle == 0) Log("music not loaded: too many channels");
    return handle;
}

bool TAudioDevice::FreeMusic(TAudioHandle music) {
    if (!open_) return false;
    TAudioMixer::TReleased released;  // destroyed after the lock is left
    std::lock_guard lock(mutex_);
    return mixer_.RemoveMusic(music, released);
}

TAudioHandle TAudioDevice::LoadSample(const void* data, size_t size, uint16_t maxPlaybacks,
                                      bool loop) {
    if (!open_) return 0;
    std::string error;
    auto pcm = std::make_unique<TPcmData>();
    if (!data || !DecodeSampleFile(data, size, *pcm, error) ||
        !ResamplePcm(*pcm, mixer_.Rate(), error)) {
        Log("sample not loaded: " + (data ? error : std::string("no data")));
        return 0;
    }
    TAudioHandle handle;
    {
        std::lock_guard lock(mutex_);
        handle = mixer_.AddSample(std::move(pcm), maxPlaybacks, loop);
    }
    if (handle == 0) Log("sample not loaded: too many samples");
    return handle;
}

bool TAudioDevice::FreeSample(TAudioHandle sample) {
    if (!open_) return false;
    TAudioMixer::TReleased released;  // destroyed after the lock is left
    std::lock_guard lock(mutex_);
    return mixer_.RemoveSample(sample, released);
}

TAudioHandle TAudioDevice::GetSampleChannel(TAudioHandle sample) {
    if (!open_) return 0;
    std::lock_guard lock(mutex_);
    return mixer_.GetSampleChannel(sample);
}

bool TAudioDevice::StopSample(TAudioHandle sample) {
    if (!open_) return false;
    std::lock_guard lock(mutex_);
    return mixer_.StopSample(sample);
}

TChannelActivity TAudioDevice::ChannelActivity(TAudioHandle channel) {
    if (!open_) return TChannelActivity::Stopped;
    std::lock_guard lock(mutex_);
    return mixer_.ChannelActivity(channel);
}

bool TAudioDevice::PlayChannel(TAudioHandle channel, bool restart) {
    if (!open_) return false;
    std::lock_guard lock(mutex_);
    return mixer_.PlayChannel(channel, restart);
}

bool TAudioDevice::StopChannel(TAudioHandle channel) {
    if (!open_) return false;
    std::lock_guard lock(mutex_);
    return mixer_.StopChannel(channel);
}

bool TAudioDevice::PauseChannel(TAudioHandle channel) {
    if (!open_) return false;
    std::lock_guard lock(mutex_);
    return mixer_.PauseChannel(channel);
}

bool TAudioDevice::SetChannelAttributes(TAudioHandle channel, int volume, int pan) {
    if (!open_) return false;
    std::lock_guard lock(mutex_);
    return mixer_.SetChannelAttributes(channel, volume, pan);
}

bool TAudioDevice::SlideChannelAttributes(TAudioHandle channel, int volume, int pan,
                                          uint32_t timeMs) {
    if (!open_) return false;
    std::lock_guard lock(mutex_);
    return mixer_.SlideChannelAttributes(channel, volume, pan, timeMs);
}
