// What the control tests share: an event handler that keeps what its
// children report (with the parameters of the screens they ask for), and a
// click sound whose playings can be counted.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/object/GeneralClasses.h"
#include "engine/audio/EngineSounds.h"
#include "tests/support/WavFile.h"
#include "tests/support/WidgetHarness.h"
#include "tests/widgets/LeafFixtures.h"
#include "widgets/ControlWidget.h"

namespace controltest {

// "test_handler": a control that takes its children's reports itself and
// writes each down as a line ("1 from button_ok", "show GS_Level LEVEL=3
// MODE=easy", "close").
class TRecordingHandler : public TControlWidget, public virtual IEventHandler {
public:
    Ref<IEventHandler> GetEventHandler() override { return Ref<IEventHandler>(this); }
    Ref<IEngine> GetEngine() override { return TControlWidget::GetEngine(); }
    using TControlWidget::HandleEvent;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override {
        lines.push_back(std::to_string(code) + " from " + (sender ? sender->GetName() : "?") +
                        (params ? " with params" : ""));
    }
    bool ShowGameScreen(const std::string& name, const Ref<IParamCollection>& params) override {
        std::string line = "show " + name;
        for (int32_t i = 0; params && i < params->GetCount(); ++i) {
            const Ref<IParam> param = params->GetParam(Variant(i));
            line += " " + param->GetName() + "=" + param->GetValue().ToString();
        }
        lines.push_back(line);
        return true;
    }
    bool CloseGameScreen(const Ref<IParamCollection>& results) override {
        lines.push_back(results ? "close with results" : "close");
        return true;
    }

    std::vector<std::string> lines;
};

inline void RegisterControlTestClasses() {
    if (!FindRegisteredClass("test_handler")) {
        RegisterObjectClass(ClassOf<TRecordingHandler>(), "test_handler");
    }
}

// A ten-second sound resource "Long" that silences the music while it plays,
// so the engine counts its playings (nothing pulls the output, so none
// ends). Twenty may sound at once.
inline void AddLongSound(TWidgetHarness& screen) {
    constexpr int kRate = 44100;
    screen.Folder().Write("long.wav", MakeWav16(kRate, 1, std::vector<int16_t>(kRate * 10, 8000)));
    leaftest::AddResources(
        screen,
        R"(<resource name="Long" type="SoundResource" file="long.wav" maxplaybacks="20"/>)");
}

// The "sounds" element that gives a widget its sound name on "Long".
inline std::string MutingSound(const std::string& name) {
    return R"(<sounds><sound name=")" + name +
           R"(" resourcename="Long" mutemusic="yes"/></sounds>)";
}

// How many muting sounds play.
inline size_t SoundsPlaying(TWidgetHarness& screen) {
    return screen.Engine().Audio()->GetMutingSoundCount();
}

}  // namespace controltest
