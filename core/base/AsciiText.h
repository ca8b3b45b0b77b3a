// Small text helpers shared across the program: names compare with ASCII
// letters folded to upper case (no other letters fold), 8-bit text widens to
// wide text one byte per code unit (a unit above 255 narrows to "?"), and the
// one trim rule.
#pragma once

#include <string>
#include <string_view>

constexpr char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}
constexpr char16_t UpperAscii(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

template <class Ch>
bool EqualIgnoringAsciiCase(std::basic_string_view<Ch> a, std::basic_string_view<Ch> b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    }
    return true;
}
inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return EqualIgnoringAsciiCase<char>(a, b);
}
inline bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    return EqualIgnoringAsciiCase<char16_t>(a, b);
}

inline std::string UpperAsciiString(std::string text) {
    for (char& c : text) c = UpperAscii(c);
    return text;
}

// Each byte becomes the code unit of the same value.
inline std::u16string StringToWide(std::string_view text) {
    std::u16string wide(text.size(), u'\0');
    for (size_t i = 0; i < text.size(); ++i) wide[i] = static_cast<unsigned char>(text[i]);
    return wide;
}

// Each code unit becomes the byte of the same value; above 255, "?".
inline std::string WideToString(std::u16string_view text) {
    std::string narrow(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        narrow[i] = text[i] > 0xFF ? '?' : static_cast<char>(text[i]);
    }
    return narrow;
}

// The one trim rule of the program. A blank is a byte with a code up to 32:
// the space and every control character below it (tab, line breaks, NUL...).
// Bytes of UTF-8 sequences are all above 127, so trimming never cuts into a
// character.
constexpr bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}
constexpr std::string_view TrimLeft(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return text.substr(i);
}
constexpr std::string_view TrimRight(std::string_view text) {
    size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1])) --n;
    return text.substr(0, n);
}
constexpr std::string_view Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}
