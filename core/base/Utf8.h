// Conversion between wide (UTF-16 code unit) text and UTF-8 in 8-bit strings.
//
// Each 16-bit unit is converted on its own: a surrogate pair becomes two
// three-byte sequences and such sequences come back as the same two units, so
// a round trip keeps every unit. The decoder takes sequences of one to three
// bytes; a lead byte F0..FF (four-byte sequences, characters beyond the 16-bit
// range, and bytes that lead nothing) counts as malformed input. Neither
// direction ever reads past the given source count or writes past the given
// capacity.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/base/Variant.h"

// Encodes count units of source into dest, always followed by a zero byte.
// Only whole units are written: a unit whose bytes do not fit in front of the
// terminator ends the conversion, so the output is never cut inside a
// sequence. Answers the number of bytes written plus one (the terminator); 0
// when source is null, or when dest is null or capacity below 1 (then nothing
// is written).
int WideToUTF8Buffer(char* dest, int capacity, const char16_t* source, int count);

// Decodes count bytes of source into dest, always followed by a zero unit;
// decoding stops when no further unit fits in front of the terminator.
// Answers the number of units written plus one; 0 when source is null, or
// when dest is null or capacity below 1 (nothing written); -1 when the input
// is malformed (a missing byte, a byte that is not a continuation byte where
// one is needed, or a lead byte F0..FF): dest then holds whatever was decoded
// before, terminated.
int UTF8ToWideBuffer(char16_t* dest, int capacity, const char* source, int count);

// The UTF-8 form of text; empty for empty text.
std::string WideToUTF8(std::u16string_view text);

// The units of UTF-8 text; empty for empty or malformed text (including text
// cut inside a sequence).
WideString UTF8ToWide(std::string_view text);
