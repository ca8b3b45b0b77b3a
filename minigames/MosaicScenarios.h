// The scenarios that frame a big-mosaic level. Both sit in the mosaic
// window's "move_group/scenario_group", so that "../../../move_group" and
// "../../../game_tip" reach the window's move group and game tip, and
// "../timer" from the move group reaches the timer.
//
// TScenarioBigMosaicStartLevel ("scenario_bigmosaic_start_level"): the game
// tip slides from where the screen put it (just above the window) down to its
// "init_y" in "duration" milliseconds, the board's cells appear, the level's
// name ("LevelName" of the scenario) is revealed by a "text_visualization"
// widget for 1.5 times its "visualization_time", the timer is hidden, and the
// scenario reports its end to the screen (event kMosaicScenarioFinished).
//
// TScenarioBigMosaicEndLevel ("scenario_bigmosaic_end_level"): the timer is
// hidden, the tip slides from "init_y" up out of view in "duration"
// milliseconds, and the scenario reports its end the same way; the screen
// knows it by its name, "scenario_end_level".
//
// Ownership: the move group and the tip belong to the window; the scenarios
// keep them as Weak handles, locked at each step and dropped in Detach.
//
// Failures: a missing move group, tip, cells group, timer or text widget is
// skipped where it is used; the scenario still runs its states and reports.
// A "duration" of 0, negative or no number puts the tip at its end at once.
// Without a move group the end is reported through the scenario's own owner.
#pragma once

#include <cstdint>

#include "widgets/StateScenario.h"

// The event code a mosaic scenario sends to its screen when it has finished.
inline constexpr int32_t kMosaicScenarioFinished = 0x800A;

class TScenarioBigMosaicStartLevel : public TStateScenario {
public:
    // enter → move → show_level → show_cells → exit.
    void Create() override;
    void Detach() override;

private:
    void StartEnter();
    void StartMoveEnter();
    void StartMoveStep();
    void StartShowLevel();
    void StartShowCells();
    void StartExit();

    Weak<IWidget> moveGroup_;
    Weak<IWidget> gameTip_;
    double startTop_ = 0.0;
};

class TScenarioBigMosaicEndLevel : public TStateScenario {
public:
    // enter → move → exit.
    void Create() override;
    void Detach() override;

private:
    void EndEnter();
    void EndMoveEnter();
    void EndMoveStep();
    void EndExit();

    Weak<IWidget> moveGroup_;
    Weak<IWidget> gameTip_;
    double targetTop_ = 0.0;
};

void RegisterMosaicScenarioClasses();
