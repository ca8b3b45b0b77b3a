// The window title of any bytes, through the core's UTF-8 reader and writer
// (core/base/Utf8.h).
#pragma once

#include <cstddef>
#include <string>

// The title a window shows for `utf8`: malformed bytes as U+FFFD, control
// characters as spaces, cut to at most maxChars characters. The result is
// always well-formed UTF-8.
std::string MakeWindowTitle(const std::string& utf8, size_t maxChars = 255);
