// A text widget that writes down each drawing ("Ann #FF0000 at 30,15": its
// text as shown, its fill colour and the point it was drawn at), for the
// controls that draw one template text widget many times in one pass.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "core/base/Utf8.h"
#include "core/object/GeneralClasses.h"
#include "widgets/TextWidget.h"

namespace controltest {

class TRecordingText : public TTextWidget {
public:
    void Render(ISurface& surface, int32_t x, int32_t y) override {
        char color[16];
        std::snprintf(color, sizeof color, "#%06X", unsigned(GetFillColor() & 0xFFFFFFu));
        drawn.push_back(WideToUTF8(GetText()) + " " + color + " at " + std::to_string(x) + "," +
                        std::to_string(y));
        TTextWidget::Render(surface, x, y);
    }

    std::vector<std::string> drawn;
};

// "recording_text".
inline void RegisterRecordingText() {
    if (!FindRegisteredClass("recording_text")) {
        RegisterObjectClass(ClassOf<TRecordingText>(), "recording_text");
    }
}

}  // namespace controltest
