// "scenario_scene_panels": the scene's panels sliding in or out. The scene
// screen restarts its screen scenarios by name ("scene_show", "scene_hide",
// "scene_all_elements_hide") and the scene control waits for their end, so
// each is one of these, kept in the window's tree and paused until
// restarted.
//
// Stored values: "moves", a list "path:dx:dy;..." of widgets found through
// the scenario's owner and the offset at which each one is out of sight;
// "mode", "show" (from the offset to its place) or "hide" (from its place to
// the offset); "duration" in milliseconds; "control", the path of the widget
// told about the end. A widget's place is its "start_x" and "start_y" when
// it has them, else where it stands when the scenario is restarted.
//
// At the end the widgets stand at their last place, the scenario pauses
// itself and the control gets command 11 with "scenario_to_finalize" = the
// scenario's name. Restarted while it runs, it starts over from where the
// places are.
//
// Failures: a missing widget or control is skipped; a move that is not
// "path:dx:dy" with numbers is logged once when loaded and left out; a
// duration of 0 or less ends at the first step.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "widgets/Scenarios.h"

inline constexpr int32_t kCommandScenePanelsFinished = 11;

class TScenarioScenePanels : public TScenario {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // The places taken again, then the clock back to 0 and running.
    void Restart() override;
    void DoUpdate(int32_t elapsedMs) override;

    bool IsRunning() const { return running_; }

private:
    struct TMove {
        std::string path;
        double dx = 0;
        double dy = 0;
        Weak<IWidget> widget;
        double homeX = 0;
        double homeY = 0;
    };

    void ParseMoves();
    void Place(double fraction);
    void Report();

    std::string moves_;
    std::string mode_ = "show";
    std::string control_ = "control_scene";
    int32_t duration_ = 400;
    bool running_ = false;
    std::vector<TMove> parsed_;
};

// Registers "scenario_scene_panels".
void RegisterScenePanelClasses();
