// The standard screens' tests' own classes, registered by kScreenTestUnits:
//
// - "qm_probe_widget": a game leaf (qm_game_leaf) that keeps the values set
//   to "position", "text", "text_utf8" and "value" (answering them back),
//   records the steps it is updated with (a restart's 0 among them), and
//   notes "restart <name>", "pause <name>" and "resume <name>" in the
//   journal.
// - "QmTestLevelDef": a level definition.
// - "QmTestLoadScreen": the resource load screen on the test effect window,
//   noting "hide <name>".
// - TTestResourceDefs: resource definitions that note "def <index>" when one
//   is loaded (not registered; tests hand one to the load screen).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "game/GameLevelDefs.h"
#include "game/SplashScreens.h"
#include "tests/game/GameTestClasses.h"

namespace screentest {

class TProbeWidget : public gametest::TGameLeaf {
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
            ++sets_[name];
            return;
        }
        TGameLeaf::SetProperty(name, value);
    }
    void DoUpdate(int32_t elapsedMs) override {
        steps.push_back(elapsedMs);
        TGameLeaf::DoUpdate(elapsedMs);
    }
    void Restart() override {
        gametest::Note("restart " + Name());
        TGameLeaf::Restart();
    }
    void Pause() override {
        gametest::Note("pause " + Name());
        TGameLeaf::Pause();
    }
    void Resume() override {
        gametest::Note("resume " + Name());
        TGameLeaf::Resume();
    }

    // How often a kept property was set.
    int Sets(const std::string& name) const {
        const auto it = sets_.find(name);
        return it == sets_.end() ? 0 : it->second;
    }

    std::vector<int32_t> steps;

private:
    static bool IsKept(const std::string& name) {
        return name == "position" || name == "text" || name == "text_utf8" || name == "value";
    }
    std::map<std::string, Variant> values_;
    std::map<std::string, int> sets_;
};

class TTestLevelDef : public TLevelDef {};

// The resource load screen on the test effect window ("effecttime"), noting
// "hide <name>" each time it is hidden.
class TTestLoadScreen : public TGameScreenSplashResourceLoad {
public:
    void Hide() override {
        gametest::Note("hide " + GetName());
        TGameScreenSplashResourceLoad::Hide();
    }

protected:
    std::string WindowClassName() const override { return "qm_test_effect_window"; }
};

class TTestResourceDefs : public TPersistCollection, public virtual IResourceDefCollection {
public:
    explicit TTestResourceDefs(int32_t count = 0) : count_(count) {}
    int32_t GetCount() override { return count_; }
    void LoadByIndex(const Variant& index) override { gametest::Note("def " + index.ToString()); }

private:
    int32_t count_;
};

inline void RegisterScreenTestClasses() {
    RegisterObjectClass(ClassOf<TProbeWidget>(), "qm_probe_widget");
    RegisterObjectClass(ClassOf<TTestLevelDef>(), "QmTestLevelDef");
    RegisterObjectClass(ClassOf<TTestLoadScreen>(), "QmTestLoadScreen");
}

inline constexpr TUnit kScreenTestUnits[] = {
    {"ScreenTestClasses", RegisterScreenTestClasses, nullptr}};

}  // namespace screentest
