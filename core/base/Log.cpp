#include "core/base/Log.h"

#include <cstdio>
#include <utility>

namespace {

TLogSink& Sink() {
    static TLogSink sink;
    return sink;
}

}  // namespace

std::string FormatLogLine(std::string_view module, std::string_view message) {
    std::string line;
    line.reserve(module.size() + 2 + message.size());
    line.append(module).append(": ").append(message);
    return line;
}

void Log(std::string_view module, std::string_view message) {
    if (const TLogSink& sink = Sink()) {
        sink(module, message);
        return;
    }
    const std::string line = FormatLogLine(module, message);
    std::fprintf(stderr, "quillmarch: %s\n", line.c_str());
}

TLogSink SetLogSink(TLogSink sink) { return std::exchange(Sink(), std::move(sink)); }
