// MD5 message digest (RFC 1321).
//
// TMD5 hashes a byte sequence fed in pieces; MD5Of hashes one buffer or text
// at once. TCrMD5 is the small string-to-caller's-buffer wrapper the hash
// lists use for their MD5 keys. Nothing here fails.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using TMD5Digest = std::array<uint8_t, 16>;

class TMD5 {
public:
    TMD5() { Reset(); }
    void Reset();
    void Update(const void* data, size_t size);
    void Update(std::string_view text) { Update(text.data(), text.size()); }
    // The digest of everything fed since the last Reset; resets afterwards.
    TMD5Digest Final();

private:
    void Transform(const uint8_t* block);

    uint32_t state_[4];
    uint64_t length_;     // bytes fed so far
    uint8_t buffer_[64];  // the unfinished block
    size_t buffered_;
};

TMD5Digest MD5Of(const void* data, size_t size);
inline TMD5Digest MD5Of(std::string_view text) {
    return MD5Of(text.data(), text.size());
}
// Lower-case hexadecimal text of a digest, 32 characters.
std::string MD5ToHex(const TMD5Digest& digest);

enum TSourceType : uint8_t { SourceString };

// Hashes InputString into the 16-byte buffer given at construction.
class TCrMD5 {
public:
    explicit TCrMD5(TMD5Digest& output) : hashDigest_(&output) {}

    TSourceType InputType = SourceString;  // only strings are hashed
    std::string InputString;

    void ComputeDigest() { *hashDigest_ = MD5Of(InputString); }

private:
    TMD5Digest* hashDigest_;
};
