#include "game/LogFile.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <utility>

#include "core/base/Log.h"
#include "engine/EngineStartup.h"

namespace {

struct TLogFileState {
    std::FILE* file = nullptr;
    std::string path;
    uint64_t size = 0;
    uint64_t maxBytes = kMaxLogFileSize;
    TLogSink previous;
};

TLogFileState& State() {
    static TLogFileState state;
    return state;
}

void CloseFile(TLogFileState& state) {
    if (state.file) std::fclose(state.file);
    state.file = nullptr;
}

void OpenFile(TLogFileState& state, const char* mode) {
    state.file = std::fopen(state.path.c_str(), mode);
    state.size = 0;
    if (state.file && std::fseek(state.file, 0, SEEK_END) == 0) {
        const long end = std::ftell(state.file);
        if (end > 0) state.size = uint64_t(end);
    }
}

// The full file is kept as the old one and a new one begins.
void Rotate(TLogFileState& state) {
    CloseFile(state);
    const std::string old = state.path + kOldLogFileSuffix;
    std::remove(old.c_str());
    std::rename(state.path.c_str(), old.c_str());
    OpenFile(state, "w");
}

void WriteLine(std::string_view module, std::string_view message) {
    TLogFileState& state = State();
    std::string line = FormatLogLine(module, message);
    // A line longer than the whole file is cut to fit it.
    if (state.maxBytes > 0 && line.size() + 1 > state.maxBytes) line.resize(state.maxBytes - 1);
    line += '\n';
    if (state.size > 0 && state.size + line.size() > state.maxBytes) Rotate(state);
    if (!state.file) return;
    if (std::fwrite(line.data(), 1, line.size(), state.file) == line.size()) {
        state.size += line.size();
    }
    // Kept on disk line by line, so a crash loses nothing written before it.
    std::fflush(state.file);
}

void LogFileSink(std::string_view module, std::string_view message) {
    WriteLine(module, message);
    const TLogSink& previous = State().previous;
    if (previous) {
        previous(module, message);
    } else {
        std::fprintf(stderr, "quillmarch: %s\n", FormatLogLine(module, message).c_str());
    }
}

}  // namespace

std::string GetLogFileName() {
    return GetUserDataDir() + kLogFileName;
}

void ClearLogFile() {
    TLogFileState& state = State();
    if (state.file) {
        CloseFile(state);
        OpenFile(state, "w");
        return;
    }
    if (std::FILE* file = std::fopen(GetLogFileName().c_str(), "w")) std::fclose(file);
}

void OpenLogFile(uint64_t maxBytes) {
    TLogFileState& state = State();
    if (state.file || !state.path.empty()) return;
    state.path = GetLogFileName();
    state.maxBytes = std::max<uint64_t>(maxBytes, 2);
    OpenFile(state, "a");
    state.previous = SetLogSink(LogFileSink);
}

void CloseLogFile() {
    TLogFileState& state = State();
    if (state.path.empty()) return;
    SetLogSink(std::move(state.previous));
    state.previous = nullptr;
    CloseFile(state);
    state.path.clear();
}

bool IsLogFileOpen() {
    return !State().path.empty();
}
