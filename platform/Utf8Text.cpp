#include "platform/Utf8Text.h"

uint32_t DecodeUtf8(const char* text, size_t length, size_t* pos) {
    constexpr uint32_t kReplacement = 0xFFFD;
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(*pos);
    size_t extra;
    uint32_t cp;
    uint32_t minimum;
    if (lead < 0x80) {
        ++*pos;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++*pos;
        return kReplacement;
    }
    if (length - *pos <= extra) {
        ++*pos;
        return kReplacement;
    }
    for (size_t i = 1; i <= extra; ++i) {
        const unsigned char b = byte(*pos + i);
        if ((b & 0xC0) != 0x80) {
            ++*pos;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++*pos;
        return kReplacement;
    }
    *pos += extra + 1;
    return cp;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string MakeWindowTitle(const std::string& utf8, size_t maxChars) {
    std::string title;
    title.reserve(utf8.size() < 4 * maxChars ? utf8.size() : 4 * maxChars);
    size_t pos = 0;
    for (size_t n = 0; n < maxChars && pos < utf8.size(); ++n) {
        uint32_t cp = DecodeUtf8(utf8.data(), utf8.size(), &pos);
        if (cp < 0x20 || cp == 0x7F) cp = ' ';
        AppendUtf8(title, cp);
    }
    return title;
}
