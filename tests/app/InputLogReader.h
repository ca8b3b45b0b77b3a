// The program's input log (QM_INPUT_LOG, engine/InputLog.h) read as it grows,
// so that a driver waits for what the program says it did with an input
// rather than for time.
#pragma once

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

class TInputLogReader {
public:
    using TClock = std::chrono::steady_clock;

    // Reads path from its start; the file may not exist yet.
    void Open(const std::string& path) {
        path_ = path;
        lines_.clear();
        partial_.clear();
        offset_ = 0;
    }

    // Takes in the complete lines written since the last look.
    void Poll() {
        std::ifstream in(path_, std::ios::binary);
        if (!in) return;
        in.seekg(0, std::ios::end);
        const std::streamoff size = in.tellg();
        if (size <= offset_) return;
        in.seekg(offset_);
        std::string chunk(size_t(size - offset_), '\0');
        in.read(chunk.data(), std::streamsize(chunk.size()));
        chunk.resize(size_t(in.gcount()));
        offset_ += std::streamoff(chunk.size());
        partial_ += chunk;
        for (size_t end; (end = partial_.find('\n')) != std::string::npos;) {
            lines_.push_back(partial_.substr(0, end));
            partial_.erase(0, end + 1);
        }
    }

    size_t Count() {
        Poll();
        return lines_.size();
    }
    const std::vector<std::string>& Lines() const { return lines_; }

    // Looks at the log every few milliseconds until check(lines) holds or
    // alive() stops holding (the program ended) or the timeout passes.
    template <class Check, class Alive>
    bool WaitFor(Check check, Alive alive, std::chrono::milliseconds timeout) {
        const TClock::time_point end = TClock::now() + timeout;
        for (;;) {
            Poll();
            if (check(lines_)) return true;
            if (TClock::now() >= end || !alive()) {
                Poll();
                return check(lines_);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    }

    // The stack as the last "screens" line gives it ("GS_Main GS_Map"); empty
    // before the first.
    std::string Stack() const {
        for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
            if (it->rfind("screens", 0) == 0) return it->size() > 8 ? it->substr(8) : std::string();
        return {};
    }
    // Whether the stack is stack and its top has said it takes clicks since
    // the stack last changed.
    bool Settled(const std::string& stack) const {
        if (Stack() != stack) return false;
        const std::string top = stack.substr(stack.rfind(' ') == std::string::npos ? 0 : stack.rfind(' ') + 1);
        for (auto it = lines_.rbegin(); it != lines_.rend(); ++it) {
            if (it->rfind("screens", 0) == 0) return false;
            if (it->rfind("top ", 0) == 0) return *it == "top " + top + " ready";
        }
        return false;
    }

private:
    std::string path_;
    std::vector<std::string> lines_;
    std::string partial_;
    std::streamoff offset_ = 0;
};
