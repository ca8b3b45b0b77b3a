// Decoding of audio files held in memory: our own WAV reader, Ogg Vorbis
// through libvorbisfile, modules through libopenmpt, and a linear resampler.
//
// Every decoder checks its input and answers false (or null) with a reason in
// `error` on anything malformed or truncated; none reads outside the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// 16-bit PCM, one or two interleaved channels.
struct TPcmData {
    int channels = 0;  // 1 or 2
    int rate = 0;      // frames per second
    std::vector<int16_t> samples;

    size_t FrameCount() const { return channels > 0 ? samples.size() / channels : 0; }
};

// The longest sound we decode: twenty minutes at 48000 Hz. Longer (or
// decompression bombs) is refused rather than eating memory.
constexpr size_t kMaxPcmFrames = size_t{48000} * 60 * 20;

bool IsWavData(const void* data, size_t size);
bool IsOggData(const void* data, size_t size);

// RIFF/WAVE with PCM data, 8 or 16 bits, mono or stereo, 1000 to 384000 Hz.
bool DecodeWav(const void* data, size_t size, TPcmData& out, std::string& error);
// Ogg Vorbis, mono or stereo. A stream that does not end on its
// end-of-stream page is taken as truncated and refused.
bool DecodeOggVorbis(const void* data, size_t size, TPcmData& out, std::string& error);
// WAV or Ogg by the file's signature.
bool DecodeSampleFile(const void* data, size_t size, TPcmData& out, std::string& error);

// Converts to `rate` by linear interpolation; nothing happens when the rate
// is already that. False when the result would be too long.
bool ResamplePcm(TPcmData& pcm, int rate, std::string& error);

struct openmpt_module;
struct TModuleDeleter {
    void operator()(openmpt_module* module) const noexcept;
};
using TModulePtr = std::unique_ptr<openmpt_module, TModuleDeleter>;

// A module through libopenmpt, set to repeat for ever when `loop`.
TModulePtr LoadModule(const void* data, size_t size, bool loop, std::string& error);
