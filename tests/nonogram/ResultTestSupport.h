// The result screens' tests: their widgets, particles and scenarios noting
// what happens to them in the game tests' journal, and the game definition
// pieces the screens are built from.
//
// - "result_probe": a leaf that keeps "text", "text_utf8", "drawmode" and
//   "fillcolor" and notes "show <name>", "hide <name>" (changes only) and
//   "restart <name>".
// - "result_particles": stands for "ps_statlevel": notes "clear particles"
//   for command 2 and, for each update of 0 ms (a burst), "burst <snapshot
//   size> at <create_left>,<create_top> life <add_LifeTime> count
//   <init_creation_count>"; notes "picture dropped" when "surface" is
//   emptied.
// - "rec_" + each reveal scenario's name: the scenario noting "sound <name>"
//   for each sound it plays.
#pragma once

#include <map>
#include <string>

#include "core/object/GeneralClasses.h"
#include "nonogram/ResultScenarios.h"
#include "tests/game/GameTestClasses.h"
#include "tests/nonogram/NonogramTestSupport.h"

namespace resulttest {

using gametest::Note;

class TResultProbe : public gametest::TGameLeaf {
public:
    Variant GetProperty(const std::string& name) override {
        if (IsKept(name)) {
            const auto it = values_.find(name);
            return it == values_.end() ? Variant() : it->second;
        }
        return TGameLeaf::GetProperty(name);
    }
    void SetProperty(const std::string& name, const Variant& value) override {
        if (IsKept(name)) {
            values_[name] = value;
            return;
        }
        TGameLeaf::SetProperty(name, value);
    }
    void SetVisible(bool value) override {
        if (GetOwner() && value != GetVisible()) Note((value ? "show " : "hide ") + Name());
        TGameLeaf::SetVisible(value);
    }
    void Restart() override {
        Note("restart " + Name());
        TGameLeaf::Restart();
    }
    std::string Text() { return GetProperty("text").ToString(); }

private:
    static bool IsKept(const std::string& name) {
        return name == "text" || name == "text_utf8" || name == "drawmode" || name == "fillcolor";
    }
    std::map<std::string, Variant> values_;
};

class TResultParticles : public TSingleWidget {
public:
    void SetProperty(const std::string& name, const Variant& value) override {
        if (name == "surface") {
            surface_ = Query<ISurface>(value.ToInterface());
            if (!surface_) Note("picture dropped");
            return;
        }
        if (name == "create_left" || name == "create_top" || name == "add_LifeTime" ||
            name == "init_creation_count") {
            values_[name] = value.ToString();
            return;
        }
        TSingleWidget::SetProperty(name, value);
    }
    void DoUpdate(int32_t elapsedMs) override {
        TSingleWidget::DoUpdate(elapsedMs);
        if (elapsedMs != 0) return;
        const std::string size = surface_ ? std::to_string(surface_->GetWidth()) + "x" +
                                                std::to_string(surface_->GetHeight())
                                          : "none";
        Note("burst " + size + " at " + values_["create_left"] + "," + values_["create_top"] +
             " life " + values_["add_LifeTime"] + " count " + values_["init_creation_count"]);
    }
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override {
        if (command == 2) Note("clear particles");
        TSingleWidget::ExecuteCommand(command, params);
    }

private:
    Ref<ISurface> surface_;
    std::map<std::string, std::string> values_;
};

template <class T>
class TRecordingReveal : public T {
protected:
    void PlayRevealSound(const std::string& name) override {
        Note("sound " + name);
        T::PlayRevealSound(name);
    }
};

inline void RegisterResultTestClasses() {
    RegisterObjectClass(ClassOf<TResultProbe>(), "result_probe");
    RegisterObjectClass(ClassOf<TResultParticles>(), "result_particles");
    RegisterObjectClass(ClassOf<TRecordingReveal<TScenarioNonogramStat>>(),
                        "rec_scenario_stat_nonogram");
    RegisterObjectClass(ClassOf<TRecordingReveal<TScenarioNonogramStatWithTips>>(),
                        "rec_scenario_stat_nonogram_with_tips");
    RegisterObjectClass(ClassOf<TRecordingReveal<TScenarioNonogramStatBonus>>(),
                        "rec_scenario_stat_nonogram_bonus");
    RegisterObjectClass(ClassOf<TRecordingReveal<TScenarioReplayLevel>>(),
                        "rec_scenario_replay_level");
}

inline constexpr TUnit kResultTestUnits[] = {
    {"ResultTestClasses", RegisterResultTestClasses, nullptr}};

// A visible probe at x, y of w × h.
inline std::string ProbeAt(const std::string& name, int x, int y, int w = 20, int h = 10,
                           bool visible = true) {
    return "<widget type=\"result_probe\" name=\"" + name + "\" visible=\"" +
           (visible ? "yes" : "no") + "\" anchor_left=\"" + std::to_string(x) + "\" anchor_top=\"" +
           std::to_string(y) + "\" width=\"" + std::to_string(w) + "\" height=\"" +
           std::to_string(h) + "\" color=\"$FF808080\"/>";
}

inline std::string Particles() {
    return R"(<widget type="result_particles" name="ps_statlevel" visible="yes"/>)";
}

inline std::string ScenarioGroup() {
    return R"(<widget type="group_widget" name="scenario_group" visible="yes"/>)";
}

// A factory named name making the recording scenario of class scenarioClass
// ("scenario_stat_nonogram"...) with the award flags from its parameters.
inline std::string ScenarioFactory(const std::string& name, const std::string& scenarioClass) {
    return nonogramtest::Factory(
        name, "<widget type=\"rec_" + scenarioClass + "\" name=\"reveal\" visible=\"yes\" " +
                  "extraparams=\"award_error=%award_error%\\award_hint=%award_hint%\\award_speed=" +
                  "%award_speed%\\award_record=%award_record%\"/>");
}

// A result screen of a registered class on the real effect window.
inline std::string ResultScreen(const std::string& name, const std::string& type,
                                const std::string& factories, const std::string& widgets,
                                const std::string& inner = "") {
    return "<gamescreen name=\"" + name + "\" type=\"" + type + "\"><window><widgetfactories>" +
           factories + "</widgetfactories><widgets>" + widgets + "</widgets></window>" + inner +
           "</gamescreen>";
}

}  // namespace resulttest
