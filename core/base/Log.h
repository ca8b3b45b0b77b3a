// The engine's log: one line per message, each with a short module prefix
// ("XML", "PACK", "STORAGE", "ENGINE"...), so a failure that the code
// answers with a default still reaches a person.
//
// Lines go to standard error as "quillmarch: MODULE: message" unless a sink
// is set (the log file, or a test collecting lines).
#pragma once

#include <functional>
#include <string>
#include <string_view>

using TLogSink = std::function<void(std::string_view module, std::string_view message)>;

void Log(std::string_view module, std::string_view message);

// Replaces where lines go; an empty sink restores standard error. Answers the
// previous sink.
TLogSink SetLogSink(TLogSink sink);

// "MODULE: message", the form written to standard error and to files.
std::string FormatLogLine(std::string_view module, std::string_view message);
