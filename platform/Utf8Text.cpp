#include "platform/Utf8Text.h"

#include "core/base/Utf8.h"

std::string MakeWindowTitle(const std::string& utf8, size_t maxChars) {
    std::string title;
    title.reserve(utf8.size() < 4 * maxChars ? utf8.size() : 4 * maxChars);
    size_t pos = 0;
    for (size_t n = 0; n < maxChars && pos < utf8.size(); ++n) {
        char32_t ch = ReadUtf8Char(utf8, pos);
        if (ch < 0x20 || ch == 0x7F) ch = ' ';
        AppendUtf8Char(title, ch);
    }
    return title;
}
