#include "engine/InputLog.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "platform/Platform.h"

namespace {

bool g_on = false;
TInputLogSink g_sink;
std::string g_screen;
std::string g_taker;

// The file sink: each line flushed at once, so a reader sees it as soon as
// the input is handled.
class TFileSink {
public:
    explicit TFileSink(FILE* file, bool own) : file_(file), own_(own) {}
    TFileSink(const TFileSink&) = delete;
    ~TFileSink() {
        if (own_ && file_) std::fclose(file_);
    }
    void Write(std::string_view line) {
        std::fwrite(line.data(), 1, line.size(), file_);
        std::fputc('\n', file_);
        std::fflush(file_);
    }

private:
    FILE* file_;
    bool own_;
};

}  // namespace

void OpenInputLogFromEnvironment() {
    const char* value = std::getenv("QM_INPUT_LOG");
    if (!value || !*value) return;
    const std::string target = value;
    FILE* file = target == "1" ? stderr : std::fopen(target.c_str(), "w");
    if (!file) {
        std::fprintf(stderr, "quillmarch: the input log %s cannot be written\n", target.c_str());
        return;
    }
    auto sink = std::make_shared<TFileSink>(file, file != stderr);
    SetInputLogSink([sink](std::string_view line) { sink->Write(line); });
}

void SetInputLogSink(TInputLogSink sink) {
    g_sink = std::move(sink);
    g_on = static_cast<bool>(g_sink);
}

bool InputLogOn() {
    return g_on;
}

void InputLogLine(std::string_view line) {
    if (g_on) g_sink(line);
}

void InputLogBeginEvent() {
    g_screen.clear();
    g_taker.clear();
}

void InputLogNoteScreen(std::string_view name) {
    g_screen = name;
}

void InputLogNoteTaker(std::string_view widgetPath) {
    g_taker = widgetPath;
}

bool InputLogHasTaker() {
    return !g_taker.empty();
}

std::string InputLogEventWhere() {
    return "screen=" + (g_screen.empty() ? std::string("none") : g_screen) +
           " widget=" + (g_taker.empty() ? std::string("none") : g_taker);
}

std::string_view InputLogMouseWord(int32_t code) {
    switch (code) {
        case kMouseMove: return "move";
        case kMouseLeftDown: return "left-down";
        case kMouseLeftUp: return "left-up";
        case kMouseLeftDouble: return "left-double";
        case kMouseMiddleDown: return "middle-down";
        case kMouseMiddleUp: return "middle-up";
        case kMouseMiddleDouble: return "middle-double";
        case kMouseRightDown: return "right-down";
        case kMouseRightUp: return "right-up";
        case kMouseRightDouble: return "right-double";
        default: return "other";
    }
}

std::string_view InputLogKeyWord(int32_t kind) {
    switch (kind) {
        case kKeyDown: return "down";
        case kKeyUp: return "up";
        case kKeyUpAfter: return "up-after";
        default: return "other";
    }
}
