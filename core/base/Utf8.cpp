#include "core/base/Utf8.h"

namespace {

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Encodes units while their bytes fit in room; answers the bytes written.
size_t EncodeUnits(char* dest, size_t room, const char16_t* source, size_t count) {
    size_t written = 0;
    for (size_t i = 0; i < count; ++i) {
        const unsigned u = source[i];
        if (u < 0x80) {
            if (room - written < 1) break;
            dest[written++] = static_cast<char>(u);
        } else if (u < 0x800) {
            if (room - written < 2) break;
            dest[written++] = static_cast<char>(0xC0 | (u >> 6));
            dest[written++] = static_cast<char>(0x80 | (u & 0x3F));
        } else {
            if (room - written < 3) break;
            dest[written++] = static_cast<char>(0xE0 | (u >> 12));
            dest[written++] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            dest[written++] = static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return written;
}

// Decodes while units fit in room; written receives the units decoded.
// Answers false on malformed input.
bool DecodeBytes(char16_t* dest, size_t room, const unsigned char* in, size_t count,
                 size_t& written) {
    written = 0;
    size_t i = 0;
    while (i < count && written < room) {
        const unsigned b = in[i++];
        if (b < 0x80) {
            dest[written++] = static_cast<char16_t>(b);
            continue;
        }
        if (b >= 0xF0) return false;  // four-byte sequences are not taken
        unsigned c = b & 0x3F;
        if (b & 0x20) {
            // Three-byte sequence: the middle continuation byte first.
            if (i >= count || !IsContinuation(in[i])) return false;
            c = (c << 6) | (in[i++] & 0x3F);
        }
        if (i >= count || !IsContinuation(in[i])) return false;
        c = (c << 6) | (in[i++] & 0x3F);
        dest[written++] = static_cast<char16_t>(c & 0xFFFF);
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
    // At most three bytes a unit; one allocation, trimmed afterwards.
    std::string out(text.size() * 3, '\0');
    out.resize(EncodeUnits(out.data(), out.size(), text.data(), text.size()));
    return out;
}

WideString UTF8ToWide(std::string_view text) {
    if (text.empty()) return {};
    WideString out(text.size(), u'\0');
    size_t written = 0;
    if (!DecodeBytes(out.data(), out.size(), reinterpret_cast<const unsigned char*>(text.data()),
                     text.size(), written)) {
        return {};
    }
    out.resize(written);
    return out;
}
