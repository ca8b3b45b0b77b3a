// Collects the log lines written while it lives ("MODULE: message"), then
// puts the previous sink back.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Log.h"

class TLogCapture {
public:
    TLogCapture()
        : previous_(SetLogSink([this](std::string_view module, std::string_view message) {
              lines_.push_back(FormatLogLine(module, message));
          })) {}
    ~TLogCapture() { SetLogSink(std::move(previous_)); }
    TLogCapture(const TLogCapture&) = delete;
    TLogCapture& operator=(const TLogCapture&) = delete;

    const std::vector<std::string>& Lines() const { return lines_; }
    // Whether some line holds every one of the given pieces.
    bool Has(std::initializer_list<std::string_view> pieces) const {
        for (const std::string& line : lines_) {
            bool all = true;
            for (std::string_view piece : pieces) all = all && line.find(piece) != std::string::npos;
            if (all) return true;
        }
        return false;
    }
    void Clear() { lines_.clear(); }

private:
    std::vector<std::string> lines_;
    TLogSink previous_;
};
