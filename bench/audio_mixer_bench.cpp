// The mixer's cost per second of 44100 Hz output, rendered in device-sized
// pieces through the backend's lock as the output thread does. The counter
// "core_%" is the share of one core that real-time playback would take.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/audio/AudioDevice.h"
#include "tests/support/WavFile.h"

namespace {

constexpr int kRate = 44100;
constexpr size_t kSecond = kRate;
constexpr size_t kPiece = 1024;

// One second of a tone as a 16-bit WAV at 22050 Hz, so loading resamples it.
std::string ToneWav(int channels, double frequency) {
    const int rate = 22050;
    std::string data;
    for (int i = 0; i < rate; ++i)
        for (int c = 0; c < channels; ++c)
            PutU16(data, static_cast<uint16_t>(static_cast<int16_t>(
                             8000 * std::sin(2 * M_PI * frequency * (c + 1) * i / rate))));
    return MakeWav(rate, channels, 16, data);
}

// An eight-channel module with a note struck on every channel on every row,
// four looped instruments: busier than the game's music.
std::string BusyModule() {
    std::string m(20, '\0');
    std::memcpy(m.data(), "bench", 5);
    const int sampleWords = 128;
    for (int i = 0; i < 31; ++i) {
        std::string h(30, '\0');
        if (i < 4) {
            h[22] = static_cast<char>(sampleWords >> 8);
            h[23] = static_cast<char>(sampleWords & 0xFF);
            h[25] = 48;
            h[28] = static_cast<char>(sampleWords >> 8);
            h[29] = static_cast<char>(sampleWords & 0xFF);
        } else {
            h[29] = 1;
        }
        m += h;
    }
    m += '\x01';
    m += '\x7F';
    m += std::string(128, '\0');
    m += "8CHN";
    static const int periods[] = {856, 762, 678, 640, 570, 508, 453, 428, 381, 339, 320, 285};
    for (int row = 0; row < 64; ++row) {
        for (int ch = 0; ch < 8; ++ch) {
            int sample = 1 + (row + ch) % 4;
            int period = periods[(row * 5 + ch * 7) % 12];
            m += static_cast<char>((sample & 0xF0) | (period >> 8));
            m += static_cast<char>(period & 0xFF);
            m += static_cast<char>((sample & 0x0F) << 4);
            m += '\0';
        }
    }
    for (int s = 0; s < 4; ++s)
        for (int i = 0; i < 2 * sampleWords; ++i)
            m += static_cast<char>(std::lround(90 * std::sin(2 * M_PI * (s + 1) * i / 256.0)));
    return m;
}

void RenderSeconds(benchmark::State& state, TAudioDevice& device) {
    std::vector<float> out(2 * kPiece);
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (size_t done = 0; done < kSecond; done += kPiece) {
            device.RenderFloat(out.data(), std::min(kPiece, kSecond - done));
            benchmark::DoNotOptimize(out.data());
        }
    }
    // Seconds of work per second of audio, as a percentage.
    std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    state.counters["core_%"] =
        state.iterations() ? 100.0 * spent.count() / static_cast<double>(state.iterations()) : 0.0;
}

bool StartChannels(TAudioDevice& device, int count) {
    std::vector<TAudioHandle> samples;
    for (int i = 0; i < 4; ++i) {
        std::string wav = ToneWav(1 + i % 2, 220.0 + 110.0 * i);
        samples.push_back(device.LoadSample(wav.data(), wav.size(), 16, true));
    }
    for (int i = 0; i < count; ++i) {
        TAudioHandle ch = device.GetSampleChannel(samples[i % samples.size()]);
        device.SetChannelAttributes(ch, 20 + i, -90 + 6 * i);
        // A quarter of them in a long slide, as during fades.
        if (i % 4 == 0) device.SlideChannelAttributes(ch, 0, 90, 1000000);
        if (!device.PlayChannel(ch, true)) return false;
    }
    return true;
}

bool StartModule(TAudioDevice& device) {
    std::string module = BusyModule();
    TAudioHandle music = device.LoadMusic(module.data(), module.size(), true);
    return device.PlayChannel(music, true);
}

void BM_Mix32Channels(benchmark::State& state) {
    TAudioDevice device;
    device.OpenWithoutOutput(kRate);
    if (!StartChannels(device, 32)) return state.SkipWithError("channels not started");
    RenderSeconds(state, device);
}
BENCHMARK(BM_Mix32Channels)->Unit(benchmark::kMillisecond);

void BM_MixModule(benchmark::State& state) {
    TAudioDevice device;
    device.OpenWithoutOutput(kRate);
    if (!StartModule(device)) return state.SkipWithError("module not started");
    RenderSeconds(state, device);
}
BENCHMARK(BM_MixModule)->Unit(benchmark::kMillisecond);

void BM_Mix32ChannelsAndModule(benchmark::State& state) {
    TAudioDevice device;
    device.OpenWithoutOutput(kRate);
    if (!StartChannels(device, 32) || !StartModule(device))
        return state.SkipWithError("audio not started");
    RenderSeconds(state, device);
}
BENCHMARK(BM_Mix32ChannelsAndModule)->Unit(benchmark::kMillisecond);

}  // namespace
