// Small UTF-8 helpers of the platform layer: decoding one character of
// possibly malformed input, and making a window title of any bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Decodes the UTF-8 sequence at text[*pos] (text holds `length` bytes, *pos <
// length) and advances *pos past it. A malformed, overlong, surrogate or cut
// sequence decodes as U+FFFD and advances one byte, so the loop always ends.
uint32_t DecodeUtf8(const char* text, size_t length, size_t* pos);

// Appends a code point (at most U+10FFFF, not a surrogate) as UTF-8.
void AppendUtf8(std::string& out, uint32_t cp);

// The title a window shows for `utf8`: invalid bytes as U+FFFD, control
// characters as spaces, cut to at most maxChars characters.
std::string MakeWindowTitle(const std::string& utf8, size_t maxChars = 255);
