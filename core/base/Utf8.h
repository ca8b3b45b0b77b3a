// The one UTF-8 encoder and decoder of the program: between wide text (UTF-16
// code units) and UTF-8 in 8-bit strings, and one character at a time.
//
// A character beyond U+FFFF is a surrogate pair in wide text and one
// four-byte sequence in UTF-8. The decoder takes well-formed UTF-8: each
// character in its shortest form of one to four bytes, up to U+10FFFF. It
// also takes a surrogate pair written as two three-byte sequences, the form
// older versions of this program wrote, so their files still read.
//
// One rule for everything else: a stray continuation byte, a lead byte C0, C1
// or F5..FF, an overlong form, a code above U+10FFFF, a sequence cut short or
// broken by a byte that is no continuation byte, and an unpaired surrogate
// are malformed. The whole-text decoders refuse malformed input (-1, or the
// empty text); the character reader answers U+FFFD for it and moves on by one
// byte. The encoders write U+FFFD for an unpaired surrogate in wide text.
//
// Neither direction ever reads past the given source count or writes past
// the given capacity.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/base/Variant.h"

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Encodes count units of source into dest, always followed by a zero byte.
// Only whole characters are written: one whose bytes do not fit in front of
// the terminator ends the conversion, so the output is never cut inside a
// sequence. Answers the number of bytes written plus one (the terminator); 0
// when source is null, or when dest is null or capacity below 1 (then nothing
// is written).
int WideToUTF8Buffer(char* dest, int capacity, const char16_t* source, int count);

// Decodes count bytes of source into dest, always followed by a zero unit;
// decoding stops when the next character (two units for a pair) does not fit
// in front of the terminator. Answers the number of units written plus one; 0
// when source is null, or when dest is null or capacity below 1 (nothing
// written); -1 when the input is malformed: dest then holds whatever was
// decoded before, terminated.
int UTF8ToWideBuffer(char16_t* dest, int capacity, const char* source, int count);

// The UTF-8 form of text; empty for empty text.
std::string WideToUTF8(std::u16string_view text);

// The units of UTF-8 text; empty for empty or malformed text (including text
// cut inside a sequence).
WideString UTF8ToWide(std::string_view text);

// The character at text[pos] (pos below text.size()), with pos moved past
// it; U+FFFD, with pos moved by one byte, where the bytes are malformed.
char32_t ReadUtf8Char(std::string_view text, size_t& pos);

// Appends the UTF-8 form of ch; U+FFFD for a surrogate or a code above
// U+10FFFF.
void AppendUtf8Char(std::string& out, char32_t ch);
