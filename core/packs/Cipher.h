// The engine's XTEA-based cipher and the hexadecimal text its files are kept in.
//
// HexCipherText: the ciphertext, exactly as long as the plain text, written as
// upper-case hexadecimal text, two characters a byte, high half first, with no
// separators, header or length field. The byte order is fixed (little-endian
// words), so a file reads the same on every processor.
//
// The block round adds its three terms ((z << 4) ^ (z >> 5), z ^ sum and the
// key word) where the published XTEA combines them differently: no library
// XTEA reads these files.
//
// Nothing here raises. A wrong key, or text that is not hexadecimal, deciphers
// to other bytes (callers notice when those fail to parse); an unknown format
// code or action gives the empty text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum TPAction : int { paEncode = 0, paDecode = 1 };

// Format codes of TCipher::CodeString.
constexpr int kFormatCopy = 1;  // the text passes unchanged
constexpr int kFormatHex = 16;  // hexadecimal text

// The copy formatter. Formatters hold no state; StringFormatOf hands out the
// one instance of each. A negative length means the text ends at its first
// zero byte; a null text gives the empty result.
class TStringFormat {
public:
    virtual ~TStringFormat() = default;

    // From the external text form to the raw bytes.
    virtual std::string Decode(const char* text, std::ptrdiff_t length) const;
    // From the raw bytes to the external text form.
    virtual std::string Encode(const char* bytes, std::ptrdiff_t length) const;
    virtual bool IsValid(const char* text, std::ptrdiff_t length, bool check) const;

    std::string Decode(std::string_view text) const {
        return Decode(text.data(), static_cast<std::ptrdiff_t>(text.size()));
    }
    std::string Encode(std::string_view bytes) const {
        return Encode(bytes.data(), static_cast<std::ptrdiff_t>(bytes.size()));
    }
};

// Hexadecimal text. Decoding turns ASCII letters to upper case, takes the
// digits 0-9 and A-F, skips every other character (blanks, line breaks...),
// throws away everything before the first "$", and drops a last lone digit.
// "X" counts as a digit of value 16, as in the files' original reader: as the
// high half it leaves 0, as the low half it ORs in 0x10. Encoding never
// writes it.
class TStringFormat_HEX : public TStringFormat {
public:
    std::string Decode(const char* text, std::ptrdiff_t length) const override;
    std::string Encode(const char* bytes, std::ptrdiff_t length) const override;
    // True when check is false; otherwise true when every character is one of
    // the 48 of CharTable.
    bool IsValid(const char* text, std::ptrdiff_t length, bool check) const override;
    // "0123456789ABCDEFX$", a blank, "abcdefhHx()[]{},;:-_/\*+", a double
    // quote, a single quote, a tab, a line feed and a carriage return.
    virtual const char* CharTable() const;

    using TStringFormat::Decode;
    using TStringFormat::Encode;
};

// The formatter of a format code (kFormatCopy, kFormatHex), or null for any
// other code.
const TStringFormat* StringFormatOf(int format);

class TCipher {
public:
    virtual ~TCipher() = default;
    virtual std::string CodeString(const std::string& text, TPAction action, int format) = 0;
};

class TCipher_Xtea : public TCipher {
public:
    explicit TCipher_Xtea(std::string key) : key_(std::move(key)) {}

    // paEncode: enciphers the text and formats the ciphertext; paDecode:
    // decodes the text with the formatter and deciphers the bytes. The empty
    // text for an unknown format code or action.
    std::string CodeString(const std::string& text, TPAction action, int format) override;

    const std::string& Key() const { return key_; }

private:
    std::string key_;
};

using TXteaKey = std::array<uint32_t, 4>;

// Four little-endian words from the first 16 bytes of the key string; bytes
// past its end count as 0, bytes past the 16th are ignored.
TXteaKey XteaKeyOf(std::string_view key);

void XteaEncipherBlock(uint32_t& y, uint32_t& z, const TXteaKey& k);
void XteaDecipherBlock(uint32_t& y, uint32_t& z, const TXteaKey& k);

// The message layer, in place: whole 8-byte blocks each through the block
// cipher on its own; a tail of 1 to 7 bytes only XORed with the last whole
// block's ciphertext (with a pair made from the key when there is none).
void XteaEncipherBuffer(uint8_t* data, size_t size, const TXteaKey& k);
void XteaDecipherBuffer(uint8_t* data, size_t size, const TXteaKey& k);

std::string XteaEncipherString(std::string text, std::string_view key);
std::string XteaDecipherString(std::string text, std::string_view key);

// The little-endian word of the four bytes at position (counted from 1);
// bytes past the end count as 0.
uint32_t GetStringWord(std::string_view text, size_t position);
// Stores the word's bytes, least significant first, at position (from 1),
// dropping those past the end of the string.
void PutStringWord(uint32_t word, std::string& text, size_t position);
