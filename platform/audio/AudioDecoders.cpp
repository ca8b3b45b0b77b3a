#include "platform/audio/AudioDecoders.h"

#include <libopenmpt/libopenmpt.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

namespace {

uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t ReadU32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint16_t kWaveFormatExtensible = 0xFFFE;
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 384000;

// Memory source for vorbisfile.
struct TMemorySource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

size_t MemRead(void* ptr, size_t size, size_t count, void* source) {
    auto* src = static_cast<TMemorySource*>(source);
    if (size == 0) return 0;
    size_t items = std::min(count, (src->size - src->pos) / size);
    std::memcpy(ptr, src->data + src->pos, items * size);
    src->pos += items * size;
    return items;
}

int MemSeek(void* source, ogg_int64_t offset, int whence) {
    auto* src = static_cast<TMemorySource*>(source);
    ogg_int64_t base;
    switch (whence) {
        case SEEK_SET:
            base = 0;
            break;
        case SEEK_CUR:
            base = static_cast<ogg_int64_t>(src->pos);
            break;
        case SEEK_END:
            base = static_cast<ogg_int64_t>(src->size);
            break;
        default:
            return -1;
    }
    ogg_int64_t target = base + offset;
    if (target < 0 || target > static_cast<ogg_int64_t>(src->size)) return -1;
    src->pos = static_cast<size_t>(target);
    return 0;
}

long MemTell(void* source) {
    return static_cast<long>(static_cast<TMemorySource*>(source)->pos);
}

// Walks the Ogg pages: a page running past the end, or a last page without
// the end-of-stream flag, means the file was cut short. Bytes after the last
// page that are no page are tolerated.
bool OggPagesComplete(const uint8_t* data, size_t size) {
    size_t pos = 0;
    bool lastHasEos = false;
    bool anyPage = false;
    while (size - pos >= 27 && std::memcmp(data + pos, "OggS", 4) == 0) {
        size_t segments = data[pos + 26];
        if (size - pos < 27 + segments) return false;
        size_t body = 0;
        for (size_t i = 0; i < segments; ++i) body += data[pos + 27 + i];
        size_t pageSize = 27 + segments + body;
        if (size - pos < pageSize) return false;
        lastHasEos = (data[pos + 5] & 0x04) != 0;
        anyPage = true;
        pos += pageSize;
    }
    return anyPage && lastHasEos;
}

}  // namespace

bool IsWavData(const void* data, size_t size) {
    auto* p = static_cast<const uint8_t*>(data);
    return size >= 12 && std::memcmp(p, "RIFF", 4) == 0 && std::memcmp(p + 8, "WAVE", 4) == 0;
}

bool IsOggData(const void* data, size_t size) {
    return size >= 4 && std::memcmp(data, "OggS", 4) == 0;
}

bool DecodeWav(const void* data, size_t size, TPcmData& out, std::string& error) {
    auto* p = static_cast<const uint8_t*>(data);
    if (!IsWavData(data, size)) {
        error = "not a RIFF/WAVE file";
        return false;
    }
    const uint8_t* fmt = nullptr;
    size_t fmtSize = 0;
    const uint8_t* pcm = nullptr;
    size_t pcmSize = 0;
    size_t pos = 12;
    while (size - pos >= 8) {
        const uint8_t* id = p + pos;
        size_t chunkSize = ReadU32(p + pos + 4);
        size_t body = pos + 8;
        if (chunkSize > size - body) {
            error = std::memcmp(id, "data", 4) == 0 ? "truncated sound data"
                                                    : "chunk runs past the end of the file";
            return false;
        }
        if (std::memcmp(id, "fmt ", 4) == 0 && !fmt) {
            fmt = p + body;
            fmtSize = chunkSize;
        } else if (std::memcmp(id, "data", 4) == 0 && !pcm) {
            pcm = p + body;
            pcmSize = chunkSize;
        }
        // Chunks are padded to even sizes; a missing last pad byte ends the walk.
        size_t advance = chunkSize + (chunkSize & 1);
        if (advance > size - body) break;
        pos = body + advance;
    }
    if (!fmt || fmtSize < 16) {
        error = "no format chunk";
        return false;
    }
    if (!pcm) {
        error = "no data chunk";
        return false;
    }
    uint16_t tag = ReadU16(fmt);
    if (tag == kWaveFormatExtensible && fmtSize >= 40) tag = ReadU16(fmt + 24);
    int channels = ReadU16(fmt + 2);
    uint32_t rate = ReadU32(fmt + 4);
    int blockAlign = ReadU16(fmt + 12);
    int bits = ReadU16(fmt + 14);
    if (tag != kWaveFormatPcm) {
        error = "not PCM data";
        return false;
    }
    if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16) ||
        blockAlign != channels * bits / 8) {
        error = "unsupported sample layout";
        return false;
    }
    if (rate < kMinRate || rate > kMaxRate) {
        error = "unsupported sample rate";
        return false;
    }
    size_t frames = pcmSize / blockAlign;
    if (frames == 0) {
        error = "no sound data";
        return false;
    }
    if (frames > kMaxPcmFrames) {
        error = "sound too long";
        return false;
    }
    out.channels = channels;
    out.rate = static_cast<int>(rate);
    out.samples.resize(frames * channels);
    size_t count = out.samples.size();
    if (bits == 8) {
        for (size_t i = 0; i < count; ++i)
            out.samples[i] = static_cast<int16_t>((int{pcm[i]} - 128) * 256);
    } else {
        for (size_t i = 0; i < count; ++i)
            out.samples[i] = static_cast<int16_t>(ReadU16(pcm + 2 * i));
    }
    return true;
}

bool DecodeOggVorbis(const void* data, size_t size, TPcmData& out, std::string& error) {
    auto* bytes = static_cast<const uint8_t*>(data);
    if (!IsOggData(data, size)) {
        error = "not an Ogg file";
        return false;
    }
    if (!OggPagesComplete(bytes, size)) {
        error = "truncated Ogg stream";
        return false;
    }
    TMemorySource source{bytes, size, 0};
    ov_callbacks callbacks{MemRead, MemSeek, nullptr, MemTell};
    OggVorbis_File file;
    if (ov_open_callbacks(&source, &file, nullptr, 0, callbacks) != 0) {
        error = "not a readable Ogg Vorbis stream";
        return false;
    }
    struct TCloser {
        OggVorbis_File* f;
        ~TCloser() { ov_clear(f); }
    } closer{&file};

    vorbis_info* info = ov_info(&file, 0);
    if (!info || (info->channels != 1 && info->channels != 2) || info->rate < kMinRate ||
        info->rate > kMaxRate) {
        error = "unsupported Ogg Vorbis layout";
        return false;
    }
    long links = ov_streams(&file);
    for (long i = 1; i < links; ++i) {
        vorbis_info* other = ov_info(&file, static_cast<int>(i));
        if (!other || other->channels != info->channels || other->rate != info->rate) {
            error = "chained Ogg streams of different layouts";
            return false;
        }
    }
    const int channels = info->channels;
    ogg_int64_t total = ov_pcm_total(&file, -1);
    if (total > static_cast<ogg_int64_t>(kMaxPcmFrames)) {
        error = "sound too long";
        return false;
    }
    std::vector<int16_t> samples;
    if (total > 0) samples.reserve(static_cast<size_t>(total) * channels);
    const int bigEndian = std::endian::native == std::endian::big ? 1 : 0;
    char buffer[8192];
    for (;;) {
        int stream = 0;
        long got = ov_read(&file, buffer, sizeof buffer, bigEndian, 2, 1, &stream);
        if (got == 0) break;
        if (got < 0) {
            error = "corrupt Ogg Vorbis data";
            return false;
        }
        size_t n = static_cast<size_t>(got) / sizeof(int16_t);
        if ((samples.size() + n) / channels > kMaxPcmFrames) {
            error = "sound too long";
            return false;
        }
        size_t at = samples.size();
        samples.resize(at + n);
        std::memcpy(samples.data() + at, buffer, n * sizeof(int16_t));
    }
    samples.resize(samples.size() - samples.size() % channels);
    if (samples.empty()) {
        error = "no sound data";
        return false;
    }
    out.channels = channels;
    out.rate = static_cast<int>(info->rate);
    out.samples = std::move(samples);
    return true;
}

bool DecodeSampleFile(const void* data, size_t size, TPcmData& out, std::string& error) {
    if (IsWavData(data, size)) return DecodeWav(data, size, out, error);
    if (IsOggData(data, size)) return DecodeOggVorbis(data, size, out, error);
    error = "unknown sound format";
    return false;
}

bool ResamplePcm(TPcmData& pcm, int rate, std::string& error) {
    if (pcm.rate == rate || pcm.channels <= 0 || pcm.rate <= 0 || rate <= 0) return true;
    const size_t inFrames = pcm.FrameCount();
    if (inFrames == 0) {
        pcm.rate = rate;
        return true;
    }
    const uint64_t src = static_cast<uint64_t>(pcm.rate);
    const uint64_t dst = static_cast<uint64_t>(rate);
    // Output frame i sits at source position i * src / dst; the last one at or
    // before the last source frame.
    const uint64_t outFrames = (static_cast<uint64_t>(inFrames - 1) * dst) / src + 1;
    if (outFrames > kMaxPcmFrames) {
        error = "sound too long";
        return false;
    }
    const int ch = pcm.channels;
    std::vector<int16_t> result(static_cast<size_t>(outFrames) * ch);
    const int16_t* in = pcm.samples.data();
    for (uint64_t i = 0; i < outFrames; ++i) {
        uint64_t num = i * src;
        size_t index = static_cast<size_t>(num / dst);
        uint64_t rem = num % dst;
        size_t next = std::min(index + 1, inFrames - 1);
        for (int c = 0; c < ch; ++c) {
            int64_t a = in[index * ch + c];
            int64_t b = in[next * ch + c];
            // Rounded to nearest, exact in integers.
            int64_t scaled = a * static_cast<int64_t>(dst) + (b - a) * static_cast<int64_t>(rem);
            int64_t half = static_cast<int64_t>(dst / 2);
            int64_t value = scaled >= 0 ? (scaled + half) / static_cast<int64_t>(dst)
                                        : -((-scaled + half) / static_cast<int64_t>(dst));
            result[i * ch + c] = static_cast<int16_t>(value);
        }
    }
    pcm.samples = std::move(result);
    pcm.rate = rate;
    return true;
}

void TModuleDeleter::operator()(openmpt_module* module) const noexcept {
    openmpt_module_destroy(module);
}

TModulePtr LoadModule(const void* data, size_t size, bool loop, std::string& error) {
    if (!data || size == 0) {
        error = "empty module";
        return nullptr;
    }
    int code = 0;
    const char* message = nullptr;
    openmpt_module* raw = openmpt_module_create_from_memory2(data, size, openmpt_log_func_silent,
                                                             nullptr, openmpt_error_func_store,
                                                             nullptr, &code, &message, nullptr);
    if (!raw) {
        error = message && *message ? std::string("not a readable module: ") + message
                                    : std::string("not a readable module");
        if (message) openmpt_free_string(message);
        return nullptr;
    }
    if (message) openmpt_free_string(message);
    TModulePtr module(raw);
    openmpt_module_set_repeat_count(raw, loop ? -1 : 0);
    return module;
}
