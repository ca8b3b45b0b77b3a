// Builds RIFF/WAVE files in memory for the audio tests and benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline void PutU16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}

inline void PutU32(std::string& s, uint32_t v) {
    PutU16(s, v & 0xFFFF);
    PutU16(s, v >> 16);
}

// Little-endian 16-bit samples as the bytes of a data chunk.
inline std::string Pcm16(const std::vector<int16_t>& samples) {
    std::string s;
    s.reserve(samples.size() * 2);
    for (int16_t v : samples) PutU16(s, static_cast<uint16_t>(v));
    return s;
}

// A canonical RIFF/WAVE file; `payload` is the raw data chunk.
inline std::string MakeWav(int rate, int channels, int bits, const std::string& payload,
                           int formatTag = 1) {
    std::string fmt;
    PutU16(fmt, static_cast<uint32_t>(formatTag));
    PutU16(fmt, static_cast<uint32_t>(channels));
    PutU32(fmt, static_cast<uint32_t>(rate));
    PutU32(fmt, static_cast<uint32_t>(rate * channels * bits / 8));
    PutU16(fmt, static_cast<uint32_t>(channels * bits / 8));
    PutU16(fmt, static_cast<uint32_t>(bits));
    std::string body = "WAVEfmt ";
    PutU32(body, static_cast<uint32_t>(fmt.size()));
    body += fmt + "data";
    PutU32(body, static_cast<uint32_t>(payload.size()));
    body += payload;
    std::string file = "RIFF";
    PutU32(file, static_cast<uint32_t>(body.size()));
    return file + body;
}

// A 16-bit PCM WAV of the given interleaved samples.
inline std::string MakeWav16(int rate, int channels, const std::vector<int16_t>& samples) {
    return MakeWav(rate, channels, 16, Pcm16(samples));
}
