#include "core/packs/Cipher.h"

#include <bit>
#include <cstring>

namespace {

constexpr uint32_t kDelta = 0x9E3779B9;
constexpr int kRounds = 32;

// ---------------------------------------------------------------------------
// Words in the format's byte order

inline uint32_t LoadWord(const uint8_t* p) {
    uint32_t w;
    std::memcpy(&w, p, 4);
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap32(w);
    return w;
}

inline void StoreWord(uint8_t* p, uint32_t w) {
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap32(w);
    std::memcpy(p, &w, 4);
}

// ---------------------------------------------------------------------------
// Block layer. The sums and key words of each round depend only on the round,
// so they are laid out once per message and shared by every block.

struct TSchedule {
    // Round i of enciphering: y += F(z) + (z ^ sumY[i]) + keyY[i];
    //                         z += F(y) + (y ^ sumZ[i]) + keyZ[i].
    uint32_t sumY[kRounds], keyY[kRounds], sumZ[kRounds], keyZ[kRounds];

    explicit TSchedule(const TXteaKey& k) {
        uint32_t sum = 0;
        for (int i = 0; i < kRounds; ++i) {
            sumY[i] = sum;
            keyY[i] = k[sum & 3];
            sum += kDelta;
            sumZ[i] = sum;
            keyZ[i] = k[(sum >> 11) & 3];
        }
    }
};

template <class W>
inline W Mix(W v) {
    return (v << 4) ^ (v >> 5);
}

inline void EncipherOne(uint32_t& y, uint32_t& z, const TSchedule& s) {
    for (int i = 0; i < kRounds; ++i) {
        y += Mix(z) + (z ^ s.sumY[i]) + s.keyY[i];
        z += Mix(y) + (y ^ s.sumZ[i]) + s.keyZ[i];
    }
}

inline void DecipherOne(uint32_t& y, uint32_t& z, const TSchedule& s) {
    for (int i = kRounds - 1; i >= 0; --i) {
        z -= Mix(y) + (y ^ s.sumZ[i]) + s.keyZ[i];
        y -= Mix(z) + (z ^ s.sumY[i]) + s.keyY[i];
    }
}

// Blocks are independent, so several go through the rounds side by side: four
// to a vector register, two registers in flight to hide the latency of the
// round's dependency chain.
#if (defined(__GNUC__) || defined(__clang__)) && __has_builtin(__builtin_shufflevector)
#define QM_CIPHER_VECTORS 1
typedef uint32_t V4 __attribute__((vector_size(16)));
constexpr size_t kGroups = 2;                   // registers in flight
constexpr size_t kSpanBytes = kGroups * 4 * 8;  // bytes per step

struct TVectorSchedule {
    V4 sumY[kRounds], keyY[kRounds], sumZ[kRounds], keyZ[kRounds];
    explicit TVectorSchedule(const TSchedule& s) {
        for (int i = 0; i < kRounds; ++i) {
            sumY[i] = V4{} + s.sumY[i];
            keyY[i] = V4{} + s.keyY[i];
            sumZ[i] = V4{} + s.sumZ[i];
            keyZ[i] = V4{} + s.keyZ[i];
        }
    }
};

template <bool kEncipher>
void CodeSpans(uint8_t* data, size_t spans, const TVectorSchedule& s) {
    for (size_t n = 0; n < spans; ++n, data += kSpanBytes) {
        V4 y[kGroups], z[kGroups];
        for (size_t g = 0; g < kGroups; ++g) {
            V4 a, b;
            std::memcpy(&a, data + 32 * g, 16);
            std::memcpy(&b, data + 32 * g + 16, 16);
            y[g] = __builtin_shufflevector(a, b, 0, 2, 4, 6);
            z[g] = __builtin_shufflevector(a, b, 1, 3, 5, 7);
        }
        if constexpr (kEncipher) {
            for (int i = 0; i < kRounds; ++i) {
                for (size_t g = 0; g < kGroups; ++g)
                    y[g] += Mix(z[g]) + (z[g] ^ s.sumY[i]) + s.keyY[i];
                for (size_t g = 0; g < kGroups; ++g)
                    z[g] += Mix(y[g]) + (y[g] ^ s.sumZ[i]) + s.keyZ[i];
            }
        } else {
            for (int i = kRounds - 1; i >= 0; --i) {
                for (size_t g = 0; g < kGroups; ++g)
                    z[g] -= Mix(y[g]) + (y[g] ^ s.sumZ[i]) + s.keyZ[i];
                for (size_t g = 0; g < kGroups; ++g)
                    y[g] -= Mix(z[g]) + (z[g] ^ s.sumY[i]) + s.keyY[i];
            }
        }
        for (size_t g = 0; g < kGroups; ++g) {
            V4 a = __builtin_shufflevector(y[g], z[g], 0, 4, 1, 5);
            V4 b = __builtin_shufflevector(y[g], z[g], 2, 6, 3, 7);
            std::memcpy(data + 32 * g, &a, 16);
            std::memcpy(data + 32 * g + 16, &b, 16);
        }
    }
}
#endif

// Where the processor has AVX2, eight blocks go to a register instead of four.
#if defined(QM_CIPHER_VECTORS) && defined(__x86_64__) && defined(__GNUC__)
#define QM_CIPHER_AVX2 1
typedef uint32_t V8 __attribute__((vector_size(32)));
constexpr size_t kWideSpanBytes = kGroups * 8 * 8;

#define QM_MIX(v) (((v) << 4) ^ ((v) >> 5))

template <bool kEncipher>
__attribute__((target("avx2"))) void CodeWideSpans(uint8_t* data, size_t spans,
                                                   const TSchedule& schedule) {
    V8 sumY[kRounds], keyY[kRounds], sumZ[kRounds], keyZ[kRounds];
    for (int i = 0; i < kRounds; ++i) {
        sumY[i] = V8{} + schedule.sumY[i];
        keyY[i] = V8{} + schedule.keyY[i];
        sumZ[i] = V8{} + schedule.sumZ[i];
        keyZ[i] = V8{} + schedule.keyZ[i];
    }
    for (size_t n = 0; n < spans; ++n, data += kWideSpanBytes) {
        V8 y[kGroups], z[kGroups];
        for (size_t g = 0; g < kGroups; ++g) {
            V8 a, b;
            std::memcpy(&a, data + 64 * g, 32);
            std::memcpy(&b, data + 64 * g + 32, 32);
            y[g] = __builtin_shufflevector(a, b, 0, 2, 4, 6, 8, 10, 12, 14);
            z[g] = __builtin_shufflevector(a, b, 1, 3, 5, 7, 9, 11, 13, 15);
        }
        if constexpr (kEncipher) {
            for (int i = 0; i < kRounds; ++i) {
                for (size_t g = 0; g < kGroups; ++g)
                    y[g] += QM_MIX(z[g]) + (z[g] ^ sumY[i]) + keyY[i];
                for (size_t g = 0; g < kGroups; ++g)
                    z[g] += QM_MIX(y[g]) + (y[g] ^ sumZ[i]) + keyZ[i];
            }
        } else {
            for (int i = kRounds - 1; i >= 0; --i) {
                for (size_t g = 0; g < kGroups; ++g)
                    z[g] -= QM_MIX(y[g]) + (y[g] ^ sumZ[i]) + keyZ[i];
                for (size_t g = 0; g < kGroups; ++g)
                    y[g] -= QM_MIX(z[g]) + (z[g] ^ sumY[i]) + keyY[i];
            }
        }
        for (size_t g = 0; g < kGroups; ++g) {
            V8 a = __builtin_shufflevector(y[g], z[g], 0, 8, 1, 9, 2, 10, 3, 11);
            V8 b = __builtin_shufflevector(y[g], z[g], 4, 12, 5, 13, 6, 14, 7, 15);
            std::memcpy(data + 64 * g, &a, 32);
            std::memcpy(data + 64 * g + 32, &b, 32);
        }
    }
}

#undef QM_MIX

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

// Runs every whole block of the buffer through the block cipher.
template <bool kEncipher>
void CodeBlocks(uint8_t* data, size_t blocks, const TXteaKey& k) {
    if (blocks == 0) return;
    TSchedule schedule(k);
#ifdef QM_CIPHER_VECTORS
    if constexpr (std::endian::native == std::endian::little) {
#ifdef QM_CIPHER_AVX2
        if (blocks >= kWideSpanBytes / 8 && HasAvx2()) {
            size_t spans = blocks / (kWideSpanBytes / 8);
            CodeWideSpans<kEncipher>(data, spans, schedule);
            data += spans * kWideSpanBytes;
            blocks -= spans * (kWideSpanBytes / 8);
        }
#endif
        size_t spans = blocks / (kSpanBytes / 8);
        if (spans > 0) {
            TVectorSchedule vectors(schedule);
            CodeSpans<kEncipher>(data, spans, vectors);
            data += spans * kSpanBytes;
            blocks -= spans * (kSpanBytes / 8);
        }
    }
#endif
    for (size_t j = 0; j < blocks; ++j, data += 8) {
        uint32_t y = LoadWord(data), z = LoadWord(data + 4);
        if constexpr (kEncipher) {
            EncipherOne(y, z, schedule);
        } else {
            DecipherOne(y, z, schedule);
        }
        StoreWord(data, y);
        StoreWord(data + 4, z);
    }
}

// XORs the 1 to 7 bytes past the last whole block with the chaining pair.
void XorTail(uint8_t* tail, size_t count, uint32_t first, uint32_t second) {
    uint8_t pad[8] = {};
    std::memcpy(pad, tail, count);
    StoreWord(pad, LoadWord(pad) ^ first);
    StoreWord(pad + 4, LoadWord(pad + 4) ^ second);
    std::memcpy(tail, pad, count);
}

template <bool kEncipher>
void CodeBuffer(uint8_t* data, size_t size, const TXteaKey& k) {
    size_t blocks = size / 8;
    size_t tail = size - blocks * 8;
    uint32_t first = k[0] ^ k[2] ^ kDelta;
    uint32_t second = k[1] ^ k[3] ^ kDelta;
    // The chaining pair is the last block's ciphertext: read before
    // deciphering it, after enciphering it.
    if (!kEncipher && tail != 0 && blocks != 0) {
        first = LoadWord(data + 8 * (blocks - 1));
        second = LoadWord(data + 8 * (blocks - 1) + 4);
    }
    CodeBlocks<kEncipher>(data, blocks, k);
    if (kEncipher && tail != 0 && blocks != 0) {
        first = LoadWord(data + 8 * (blocks - 1));
        second = LoadWord(data + 8 * (blocks - 1) + 4);
    }
    if (tail != 0) XorTail(data + 8 * blocks, tail, first, second);
}

// ---------------------------------------------------------------------------
// Hexadecimal text

constexpr char kCharTable[] = "0123456789ABCDEFX$ abcdefhHx()[]{},;:-_/\\*+\"'\t\n\r";
static_assert(sizeof(kCharTable) - 1 == 48);

constexpr uint8_t kSkip = 0x80;

// Digit value (0 to 16, "X" being 16) of each character, kSkip for the rest.
// "$" is handled before the table is used.
constexpr auto kHexValue = [] {
    std::array<uint8_t, 256> table{};
    for (auto& v : table) v = kSkip;
    for (int i = 0; i < 17; ++i) {
        auto c = static_cast<unsigned char>(kCharTable[i]);
        table[c] = static_cast<uint8_t>(i);
        if (c >= 'A' && c <= 'Z') table[c + ('a' - 'A')] = static_cast<uint8_t>(i);
    }
    return table;
}();

constexpr auto kHexPairs = [] {
    std::array<std::array<char, 2>, 256> pairs{};
    for (int b = 0; b < 256; ++b) pairs[b] = {kCharTable[b >> 4], kCharTable[b & 15]};
    return pairs;
}();

constexpr auto kInCharTable = [] {
    std::array<bool, 256> table{};
    for (int i = 0; i < 48; ++i) table[static_cast<unsigned char>(kCharTable[i])] = true;
    return table;
}();

size_t LengthOf(const char* text, std::ptrdiff_t length) {
    if (text == nullptr || length == 0) return 0;
    return length < 0 ? std::strlen(text) : static_cast<size_t>(length);
}

inline uint8_t HexValue(const uint8_t* p) {
    return kHexValue[*p];
}

#ifdef QM_CIPHER_VECTORS
typedef uint8_t U8x16 __attribute__((vector_size(16)));
typedef uint16_t U16x8 __attribute__((vector_size(16)));
typedef uint8_t U8x8 __attribute__((vector_size(8)));

// Sixteen characters that are all plain hex digits (0-9, A-F, a-f) to eight
// bytes; false, writing nothing, when any is something else.
inline bool DecodeHexRun(const uint8_t* in, uint8_t* out) {
    U8x16 c;
    std::memcpy(&c, in, 16);
    U8x16 digit = c - '0';
    U8x16 letter = (c | 0x20) - 'a';
    auto isDigit = digit < 10;
    auto isLetter = letter < 6;
    auto bad = ~(isDigit | isLetter);
    uint64_t halves[2];
    std::memcpy(halves, &bad, 16);
    if ((halves[0] | halves[1]) != 0) return false;
    U8x16 value = (digit & (U8x16)isDigit) | ((letter + 10) & (U8x16)isLetter);
    U16x8 pairs = (U16x8)value;  // even character in the low byte
    if constexpr (std::endian::native == std::endian::big) pairs = (pairs >> 8) | (pairs << 8);
    U16x8 bytes = ((pairs & 0xFF) << 4) | (pairs >> 8);
    U8x8 narrow = __builtin_convertvector(bytes, U8x8);
    std::memcpy(out, &narrow, 8);
    return true;
}
#endif

}  // namespace

// ---------------------------------------------------------------------------

std::string TStringFormat::Decode(const char* text, std::ptrdiff_t length) const {
    return std::string(text == nullptr ? "" : text, LengthOf(text, length));
}

std::string TStringFormat::Encode(const char* bytes, std::ptrdiff_t length) const {
    return std::string(bytes == nullptr ? "" : bytes, LengthOf(bytes, length));
}

bool TStringFormat::IsValid(const char*, std::ptrdiff_t, bool) const {
    return true;
}

const char* TStringFormat_HEX::CharTable() const {
    return kCharTable;
}

std::string TStringFormat_HEX::Encode(const char* bytes, std::ptrdiff_t length) const {
    size_t n = LengthOf(bytes, length);
    std::string text(2 * n, '\0');
    const auto* in = reinterpret_cast<const uint8_t*>(bytes);
    char* out = text.data();
    for (size_t i = 0; i < n; ++i, out += 2) std::memcpy(out, kHexPairs[in[i]].data(), 2);
    return text;
}

std::string TStringFormat_HEX::Decode(const char* text, std::ptrdiff_t length) const {
    size_t n = LengthOf(text, length);
    if (n == 0) return {};
    const auto* p = reinterpret_cast<const uint8_t*>(text);
    const uint8_t* end = p + n;
    // The first "$" restarts the decoding; later ones are skipped like any
    // other character that is not a digit.
    if (const void* dollar = std::memchr(p, '$', n)) p = static_cast<const uint8_t*>(dollar) + 1;

    std::string bytes(static_cast<size_t>(end - p) / 2 + 1, '\0');
    auto* out = reinterpret_cast<uint8_t*>(bytes.data());
    auto* const first = out;
    while (p < end) {
        // Runs of digits: sixteen at a time, then eight, then one byte.
#ifdef QM_CIPHER_VECTORS
        while (end - p >= 32 && DecodeHexRun(p, out) && DecodeHexRun(p + 16, out + 8)) {
            out += 16;
            p += 32;
        }
        if (end - p >= 16 && DecodeHexRun(p, out)) {
            out += 8;
            p += 16;
        }
#endif
        while (end - p >= 8) {
            uint8_t v[8];
            for (int i = 0; i < 8; ++i) v[i] = HexValue(p + i);
            if (((v[0] | v[1] | v[2] | v[3] | v[4] | v[5] | v[6] | v[7]) & kSkip) != 0) break;
            for (int i = 0; i < 4; ++i)
                out[i] = static_cast<uint8_t>((v[2 * i] << 4) | v[2 * i + 1]);
            out += 4;
            p += 8;
        }
        // One byte the slow way: skip to its high digit, then to its low one.
        uint8_t high = kSkip;
        while (p < end && ((high = HexValue(p)) & kSkip) != 0) ++p;
        if (p == end) break;
        ++p;
        uint8_t low = kSkip;
        while (p < end && ((low = HexValue(p)) & kSkip) != 0) ++p;
        if (p == end) break;  // a lone last digit is dropped
        ++p;
        *out++ = static_cast<uint8_t>((high << 4) | low);
    }
    bytes.resize(static_cast<size_t>(out - first));
    return bytes;
}

bool TStringFormat_HEX::IsValid(const char* text, std::ptrdiff_t length, bool check) const {
    if (!check) return true;
    size_t n = LengthOf(text, length);
    for (size_t i = 0; i < n; ++i) {
        if (!kInCharTable[static_cast<unsigned char>(text[i])]) return false;
    }
    return true;
}

const TStringFormat* StringFormatOf(int format) {
    static const TStringFormat copy;
    static const TStringFormat_HEX hex;
    switch (format) {
        case kFormatCopy:
            return &copy;
        case kFormatHex:
            return &hex;
        default:
            return nullptr;
    }
}

// ---------------------------------------------------------------------------

TXteaKey XteaKeyOf(std::string_view key) {
    TXteaKey k;
    for (size_t i = 0; i < 4; ++i) k[i] = GetStringWord(key, 4 * i + 1);
    return k;
}

void XteaEncipherBlock(uint32_t& y, uint32_t& z, const TXteaKey& k) {
    uint32_t sum = 0;
    for (int i = 0; i < kRounds; ++i) {
        y += Mix(z) + (z ^ sum) + k[sum & 3];
        sum += kDelta;
        z += Mix(y) + (y ^ sum) + k[(sum >> 11) & 3];
    }
}

void XteaDecipherBlock(uint32_t& y, uint32_t& z, const TXteaKey& k) {
    uint32_t sum = kDelta * kRounds;
    for (int i = 0; i < kRounds; ++i) {
        z -= Mix(y) + (y ^ sum) + k[(sum >> 11) & 3];
        sum -= kDelta;
        y -= Mix(z) + (z ^ sum) + k[sum & 3];
    }
}

void XteaEncipherBuffer(uint8_t* data, size_t size, const TXteaKey& k) {
    CodeBuffer<true>(data, size, k);
}

void XteaDecipherBuffer(uint8_t* data, size_t size, const TXteaKey& k) {
    CodeBuffer<false>(data, size, k);
}

std::string XteaEncipherString(std::string text, std::string_view key) {
    XteaEncipherBuffer(reinterpret_cast<uint8_t*>(text.data()), text.size(), XteaKeyOf(key));
    return text;
}

std::string XteaDecipherString(std::string text, std::string_view key) {
    XteaDecipherBuffer(reinterpret_cast<uint8_t*>(text.data()), text.size(), XteaKeyOf(key));
    return text;
}

uint32_t GetStringWord(std::string_view text, size_t position) {
    uint32_t word = 0;
    for (size_t i = 0; i < 4; ++i) {
        size_t at = position - 1 + i;
        if (position >= 1 && at < text.size())
            word |= static_cast<uint32_t>(static_cast<uint8_t>(text[at])) << (8 * i);
    }
    return word;
}

void PutStringWord(uint32_t word, std::string& text, size_t position) {
    for (size_t i = 0; i < 4; ++i) {
        size_t at = position - 1 + i;
        if (position >= 1 && at < text.size()) text[at] = static_cast<char>(word >> (8 * i));
    }
}

std::string TCipher_Xtea::CodeString(const std::string& text, TPAction action, int format) {
    const TStringFormat* formatter = StringFormatOf(format);
    if (formatter == nullptr) return {};
    switch (action) {
        case paEncode:
            return formatter->Encode(XteaEncipherString(text, key_));
        case paDecode:
            return XteaDecipherString(formatter->Decode(text), key_);
    }
    return {};
}
