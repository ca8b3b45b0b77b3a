#include "core/base/Utf8.h"

#include "core/base/Assert.h"

namespace {

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

bool IsHighSurrogate(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// One decoded character and the bytes it took; length 0 for malformed bytes.
struct TSequence {
    char32_t ch;
    size_t length;
};

// The low surrogate written as three bytes at in[i], or 0 when there is none.
char32_t LowSurrogateAt(const unsigned char* in, size_t count, size_t i) {
    if (count - i < 3 || in[i] != 0xED || (in[i + 1] & 0xF0) != 0xB0 || !IsContinuation(in[i + 2]))
        return 0;
    return 0xD000 | (char32_t{in[i + 1] & 0x3Fu} << 6) | (in[i + 2] & 0x3Fu);
}

// The character whose bytes begin at in[i], i below count.
TSequence ReadSequence(const unsigned char* in, size_t count, size_t i) {
    constexpr TSequence kMalformed{0, 0};
    const unsigned lead = in[i];
    if (lead < 0x80) return {lead, 1};
    size_t extra;
    char32_t ch;
    char32_t least;  // below it the form is overlong
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        ch = lead & 0x1F;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        ch = lead & 0x0F;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        ch = lead & 0x07;
        least = 0x10000;
    } else {
        return kMalformed;
    }
    if (count - i <= extra) return kMalformed;
    for (size_t k = 1; k <= extra; ++k) {
        const unsigned char b = in[i + k];
        if (!IsContinuation(b)) return kMalformed;
        ch = (ch << 6) | (b & 0x3F);
    }
    if (ch < least || ch > 0x10FFFF) return kMalformed;
    if (IsHighSurrogate(ch)) {
        // A pair as two three-byte sequences: older versions wrote it so.
        const char32_t low = LowSurrogateAt(in, count, i + 3);
        if (low == 0) return kMalformed;
        return {0x10000 + ((ch - 0xD800) << 10) + (low - 0xDC00), 6};
    }
    if (IsLowSurrogate(ch)) return kMalformed;
    return {ch, extra + 1};
}

// The UTF-8 bytes of ch (U+FFFD for a surrogate or a code beyond U+10FFFF);
// answers how many.
size_t EncodeChar(char32_t ch, char (&bytes)[4]) {
    if (ch < 0x80) {
        bytes[0] = static_cast<char>(ch);
        return 1;
    }
    if (ch < 0x800) {
        bytes[0] = static_cast<char>(0xC0 | (ch >> 6));
        bytes[1] = static_cast<char>(0x80 | (ch & 0x3F));
        return 2;
    }
    if (ch > 0x10FFFF || IsHighSurrogate(ch) || IsLowSurrogate(ch)) ch = kReplacementCharacter;
    if (ch < 0x10000) {
        bytes[0] = static_cast<char>(0xE0 | (ch >> 12));
        bytes[1] = static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        bytes[2] = static_cast<char>(0x80 | (ch & 0x3F));
        return 3;
    }
    bytes[0] = static_cast<char>(0xF0 | (ch >> 18));
    bytes[1] = static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
    bytes[2] = static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
    bytes[3] = static_cast<char>(0x80 | (ch & 0x3F));
    return 4;
}

// Encodes characters while their bytes fit in room; answers the bytes written.
size_t EncodeUnits(char* dest, size_t room, const char16_t* source, size_t count) {
    size_t written = 0;
    for (size_t i = 0; i < count;) {
        char32_t ch = source[i++];
        if (ch < 0x80) {
            if (written == room) break;
            dest[written++] = static_cast<char>(ch);
            continue;
        }
        size_t units = 1;
        if (IsHighSurrogate(ch) && i < count && IsLowSurrogate(source[i])) {
            ch = 0x10000 + ((ch - 0xD800) << 10) + (source[i] - 0xDC00u);
            units = 2;
        }
        char bytes[4];
        const size_t n = EncodeChar(ch, bytes);
        if (room - written < n) break;
        for (size_t k = 0; k < n; ++k) dest[written++] = bytes[k];
        i += units - 1;
    }
    return written;
}

// Decodes while characters fit in room; written receives the units decoded.
// Answers false on malformed input.
bool DecodeBytes(char16_t* dest, size_t room, const unsigned char* in, size_t count,
                 size_t& written) {
    written = 0;
    size_t i = 0;
    while (i < count && written < room) {
        if (in[i] < 0x80) {
            dest[written++] = in[i++];
            continue;
        }
        const TSequence s = ReadSequence(in, count, i);
        if (s.length == 0) return false;
        if (s.ch < 0x10000) {
            dest[written++] = static_cast<char16_t>(s.ch);
        } else {
            if (room - written < 2) break;  // a pair is never split
            dest[written++] = static_cast<char16_t>(0xD800 + ((s.ch - 0x10000) >> 10));
            dest[written++] = static_cast<char16_t>(0xDC00 + ((s.ch - 0x10000) & 0x3FF));
        }
        i += s.length;
    }
    return true;
}

}  // namespace

int WideToUTF8Buffer(char* dest, int capacity, const char16_t* source, int count) {
    if (source == nullptr) return 0;
    if (dest == nullptr || capacity < 1) return 0;
    // One byte stays free for the terminator.
    const size_t written = EncodeUnits(dest, static_cast<size_t>(capacity) - 1, source,
                                       count < 0 ? 0 : static_cast<size_t>(count));
    dest[written] = '\0';
    return static_cast<int>(written) + 1;
}

int UTF8ToWideBuffer(char16_t* dest, int capacity, const char* source, int count) {
    if (source == nullptr) return 0;
    if (dest == nullptr || capacity < 1) return 0;
    size_t written = 0;
    const bool ok = DecodeBytes(dest, static_cast<size_t>(capacity) - 1,
                                reinterpret_cast<const unsigned char*>(source),
                                count < 0 ? 0 : static_cast<size_t>(count), written);
    dest[written] = u'\0';
    return ok ? static_cast<int>(written) + 1 : -1;
}

std::string WideToUTF8(std::u16string_view text) {
    if (text.empty()) return {};
    // At most three bytes a unit (a pair takes four for two); one allocation,
    // trimmed afterwards.
    std::string out(text.size() * 3, '\0');
    out.resize(EncodeUnits(out.data(), out.size(), text.data(), text.size()));
    return out;
}

WideString UTF8ToWide(std::string_view text) {
    if (text.empty()) return {};
    // Never more units than bytes.
    WideString out(text.size(), u'\0');
    size_t written = 0;
    if (!DecodeBytes(out.data(), out.size(), reinterpret_cast<const unsigned char*>(text.data()),
                     text.size(), written)) {
        return {};
    }
    out.resize(written);
    return out;
}

char32_t ReadUtf8Char(std::string_view text, size_t& pos) {
    QM_ASSERT(pos < text.size(), "ReadUtf8Char was asked to read past the end of its text.");
    const TSequence s =
        ReadSequence(reinterpret_cast<const unsigned char*>(text.data()), text.size(), pos);
    if (s.length == 0) {
        ++pos;
        return kReplacementCharacter;
    }
    pos += s.length;
    return s.ch;
}

void AppendUtf8Char(std::string& out, char32_t ch) {
    char bytes[4];
    out.append(bytes, EncodeChar(ch, bytes));
}
