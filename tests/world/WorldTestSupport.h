// What the game world's screen tests share: the standard screens' fixture
// (a game harness, recording stand-in screens, probes), a current profile,
// a sound the engine counts, and widget factories written inline.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/surface/EngineSurface.h"
#include "game/GameScreen.h"
#include "tests/game/ScreenTestSupport.h"
#include "tests/support/WavFile.h"

namespace worldtest {

using namespace screentest;

// "k=v,k2=v2" of show or result parameters, a surface as "surface WxH"; "-"
// for null.
inline std::string Describe(const Ref<IParamCollection>& params) {
    if (!params) return "-";
    std::string text;
    for (int32_t i = 0; i < params->GetCount(); ++i) {
        const Ref<IParam> param = params->GetParam(Variant(i));
        const Variant value = param->GetValue();
        std::string shown;
        if (value.Type() == varUnknown) {
            const Ref<ISurface> surface = Query<ISurface>(value.ToInterface());
            shown = surface ? "surface " + std::to_string(surface->GetWidth()) + "x" +
                                  std::to_string(surface->GetHeight())
                            : "interface";
        } else {
            shown = value.ToString();
        }
        text += (text.empty() ? "" : ",") + param->GetName() + "=" + shown;
    }
    return text;
}

// A stand-in for a screen a later part of the game builds: it records
// "show <name> <params>" in the journal and keeps its show parameters.
class TStandInScreen : public TGameScreen {
public:
    void Show(const Ref<IParamCollection>& params) override {
        gametest::Note("show " + GetName() + " " + Describe(params));
        TGameScreen::Show(params);
    }

protected:
    std::string WindowClassName() const override { return "qm_test_effect_window"; }
};

// A leaf that records "command <name> <number>" for each widget command.
class TCommandProbe : public gametest::TGameLeaf {
public:
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override {
        gametest::Note("command " + Name() + " " + std::to_string(command));
        TGameLeaf::ExecuteCommand(command, params);
    }
};

// A leaf that records "set <name> <property>=<value>" for each property set
// by name (an interface as "interface").
class TPropertyRecorder : public gametest::TGameLeaf {
public:
    void SetProperty(const std::string& name, const Variant& value) override {
        gametest::Note("set " + Name() + " " + name + "=" +
                       (value.Type() == varUnknown ? "interface" : value.ToString()));
        TGameLeaf::SetProperty(name, value);
    }
};

inline void RegisterWorldTestClasses() {
    RegisterObjectClass(ClassOf<TPropertyRecorder>(), "qm_property_recorder");
    RegisterObjectClass(ClassOf<TStandInScreen>(), "QmStandInScreen");
    RegisterObjectClass(ClassOf<TCommandProbe>(), "qm_command_probe");
}

inline constexpr TUnit kWorldTestUnits[] = {
    {"WorldTestClasses", RegisterWorldTestClasses, nullptr}};

// A stand-in screen of that name.
inline std::string StandIn(const std::string& name) {
    return "<gamescreen name=\"" + name +
           "\" type=\"QmStandInScreen\"><window type=\"qm_test_effect_window\"><widgets>" +
           gametest::Leaf(name + "_bg", 0, 0, 100, 100, 0xFF202020) +
           "</widgets></window></gamescreen>";
}

// The "show ..." lines of the journal, in order, joined by " | ".
inline std::string Shown() {
    std::string text;
    for (const std::string& line : gametest::Journal()) {
        if (line.rfind("show ", 0) != 0) continue;
        text += (text.empty() ? "" : " | ") + line.substr(5);
    }
    return text;
}

// A widget factory with the widget's text as its template.
inline std::string Factory(const std::string& name, const std::string& widget) {
    return "<widgetfactory name=\"" + name + "\" type=\"WidgetFactory\"><widgetstring>" + widget +
           "</widgetstring></widgetfactory>";
}

// The resource list of the counted sound "Long" (a muting sound: the engine
// counts its playings) and the files it needs, for Start.
inline std::string SoundResources() {
    return R"(<resourcefiles><resourcefile name="sounds" filename="sounds.xml" loadmode="synch"/>
              </resourcefiles>)";
}
inline std::string SoundsList() {
    return R"(<resources><content><resource name="Long" type="SoundResource"
              file="long.wav" maxplaybacks="20"/></content></resources>)";
}
inline std::string LongWav() {
    constexpr int kRate = 44100;
    return MakeWav16(kRate, 1, std::vector<int16_t>(kRate * 10, 8000));
}
// A widget's "sounds" element playing "Long" under that name.
inline std::string CountedSound(const std::string& name) {
    return "<sounds><sound name=\"" + name +
           "\" resourcename=\"Long\" mutemusic=\"yes\"/></sounds>";
}

class WorldTest : public ScreenTest {
protected:
    // Starts the game with the sound files in its folder.
    TGameHarness& StartWorld(const std::string& definition) {
        return Start(definition, {{"long.wav", LongWav()}, {"sounds.xml", SoundsList()}});
    }
    // The profile of that name, made current.
    Ref<IParamCollection> Profile(const std::string& name = "Ann") {
        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        const Ref<IUserProfile> profile = profiles->FindOrAdd(name);
        profiles->SetCurrent(name);
        return profile->GetParams();
    }
    std::string ProfileValue(const std::string& key) {
        const Ref<IUserProfile> current = Game().GetUserProfiles()->GetCurrent();
        const Variant value = current ? current->GetParams()->GetValue(key, Variant()) : Variant();
        return value.IsUnassigned() || value.IsNull() ? "-" : value.ToString();
    }
    size_t Sounds() { return harness->Engine().Audio()->GetMutingSoundCount(); }
};

}  // namespace worldtest
