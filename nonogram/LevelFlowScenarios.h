// The scenarios that stage a nonogram level on its board: the entry of a
// level (its name spelled out, the side panel sliding in, the cells
// appearing one after another, the clue digits), the final picture, the end
// of a won level (the cells' final animation, the panel sliding out), the
// failed level (the cells fall away), the marker that flies from the cell of
// a wrong move, and the start and end of a bonus-game round.
//
//   "scenario_start_level"          enter, show_level_name, show_cells, show_digits, exit
//   "scenario_nonogram_start_round" the same, without the blackout and the panel
//   "scenario_end_level"            enter, animate_cells, show_level_complete, hide_cells, exit
//   "scenario_nonogram_end_round"   enter, hide, exit
//   "scenario_show_final_picture"   enter, hide_cells, exit
//   "scenario_failed_level"         enter, hide_cells, exit
//   "scenario_nonogram_error"       enter, move, exit
//
// A control starts one by its factory name, adds it to its "scenario_group"
// and links itself as "control_game". Every scenario but the error marker
// ends by sending the control command 11 with "scenario_to_finalize" = its
// own name (once), then marks itself dead.
//
// What they work on, found by name: on the board "../bg_group/blackout",
// "grid/cells", "grid/digits", "timer" and the panel ("points", "timer",
// "nonogram_panel", "errors", "image_select", "image_hammer",
// "button_menu"); through the board's owner "control_tools/frame" and
// "hint_buttons"; their own child group "cells" and the marker "error". The
// factories the screen's data gives: "text_visualization",
// "appearance_cell<rows>_<cols>", "falling_cell". Parameters are the
// scenario's own properties: "rows", "cols", "LevelName"; the marker's
// "name", "init_x", "init_y", "duration", "end_x", "end_y" and its path, the
// child element "function" of its data.
//
// Ownership: every widget a scenario drives is held Weak and locked at each
// use, so a widget that went meanwhile is passed over; the widgets a
// scenario creates belong to the lists it adds them to.
//
// Failures: nothing raises. A missing widget or factory leaves its step out.
// Without a control link a scenario (but the error marker, which needs none)
// has nobody to report to: it ends at its first step. Fades and slides of a state whose time-out is 0 (or less) go
// straight to their end values.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "functions/PathFunctionClasses.h"
#include "widgets/StateScenario.h"

// The stagger and the state lengths, in milliseconds.
inline constexpr int32_t kAppearanceStagger = 1500;
inline constexpr int32_t kShowDigitsTime = 1000;
inline constexpr int32_t kFinalAnimationTime = 1200;
inline constexpr int32_t kLevelCompleteTime = 800;
inline constexpr int32_t kFallingStagger = 500;
inline constexpr int32_t kFallingFirstDelay = 100;
// Where the panel goes when it slides out.
inline constexpr double kPanelOutLeft = 1024.0;
inline constexpr double kPointsOutTop = -33.0;

// The blackout's level at time t of a fade lasting timeout ms: from `from`
// up to 255, or from 255 down to 0. A time-out of 0 or less gives the end
// level; the ratio is kept within 0..1, so the level always is 0..255.
uint8_t BlackoutFadeIn(uint8_t from, int32_t t, int32_t timeout);
uint8_t BlackoutFadeOut(int32_t t, int32_t timeout);
// How far the panel has slid at time t: it takes the first half of the
// state, then rests at its target (1). 1 for a time-out of 0 or less.
double PanelSlideFraction(int32_t t, int32_t timeout);
// Round(total / count) (halves to even) for count ≥ 1, else `none`.
int32_t StaggerStep(int32_t total, int32_t count, int32_t none);

// The frame every level-flow scenario shares: the control link, the
// finishing report, the board's widgets, the blackout and the panel.
class TLevelFlowScenario : public TControlStateScenario {
public:
    // Drops every widget it holds, then the control link.
    void Detach() override;

    // Whether the report was sent (it is sent once).
    bool GetReported() const { return reported_; }

protected:
    enum TPanelPart : uint8_t {
        kPanelTimer,
        kPanelErrors,
        kPanelImageSelect,
        kPanelImageHammer,
        kPanelNonogramPanel,
        kPanelButtonMenu,
        kPanelHintButtons,
        kPanelToolsFrame,
        kPanelPoints,
        kPanelCount
    };

    // The control; null when none is linked or it went.
    Ref<IWidget> Board() const { return GetControlGame(); }
    // A widget at a path from the board, or from the board's owner.
    Ref<IWidget> BoardWidget(std::string_view path) const;
    Ref<IWidget> ScreenWidget(std::string_view path) const;
    // Without a control link the scenario cannot report: it ends here and
    // answers false.
    bool RequireControl();

    // The "exit" step: command 11 to the control naming this scenario, then
    // the scenario ends.
    void ReportFinished();

    // The state's time-out, kept for its fades and slides, and set on the
    // machine.
    void StartTimeout(int32_t ms);
    int32_t Timeout() const { return timeout_; }

    // The blackout ("../bg_group/blackout" on the board).
    void FindBlackout();
    void FadeBlackoutIn(int32_t t);
    void FadeBlackoutOut(int32_t t);

    // Finds the nine panel widgets and keeps their positions.
    void RememberPanelPositions();
    void SlidePanelIn(int32_t t);
    void SlidePanelOut(int32_t t);

    // Children of a group; null for none.
    static Ref<IWidgetCollection> ChildrenOf(const Weak<IWidget>& group);
    static void SetVisible(const Weak<IWidget>& widget, bool visible);

    Weak<IWidget> boardCells_;
    Weak<IWidget> digits_;
    Weak<IWidget> timer_;
    Weak<IWidget> ownCells_;
    Weak<IWidget> blackout_;
    uint8_t blackoutStart_ = 0;

private:
    void SlidePanel(bool in, int32_t t);

    std::array<Weak<IWidget>, kPanelCount> panel_;
    std::array<double, kPanelCount> panelStart_{};
    int32_t timeout_ = 0;
    bool reported_ = false;
};

// "scenario_start_level" (level = true) and, without the blackout and the
// panel, "scenario_nonogram_start_round".
class TScenarioStartLevel : public TLevelFlowScenario {
public:
    void Create() override;

    int32_t GetRows() const { return rows_; }
    int32_t GetCols() const { return cols_; }

protected:
    // Whether this is the start of a level (blackout and panel) or a round.
    virtual bool StagesLevel() const { return true; }

private:
    void Enter();
    void EnterShowLevelName();
    void ProcessShowLevelName(int32_t elapsedMs);
    void EnterShowCells();
    void EnterShowDigits();
    void EnterExit();
    void CreateAppearanceCells();
    void StaggerAppearance();

    int32_t rows_ = 0;
    int32_t cols_ = 0;
};

class TScenarioNonogramStartRound : public TScenarioStartLevel {
protected:
    bool StagesLevel() const override { return false; }
};

// "scenario_end_level".
class TScenarioEndLevel : public TLevelFlowScenario {
public:
    void Create() override;

private:
    void Enter();
    void EnterAnimateCells();
    void EnterShowLevelComplete();
    void ProcessShowLevelComplete(int32_t elapsedMs);
};

// "scenario_nonogram_end_round".
class TScenarioNonogramEndRound : public TLevelFlowScenario {
public:
    void Create() override;

private:
    void EnterHide();
};

// "scenario_show_final_picture".
class TScenarioShowFinalPicture : public TLevelFlowScenario {
public:
    void Create() override;

private:
    void Enter();
    void EnterHideCells();
};

// "scenario_failed_level".
class TScenarioFailedLevel : public TLevelFlowScenario {
public:
    void Create() override;

private:
    void Enter();
    void EnterHideCells();
    void ProcessHideCells(int32_t elapsedMs);
    // Answers the state's time-out: the last copy's start plus its fall.
    int32_t CreateFallingCells();
};

// "scenario_nonogram_error": the marker "error" flies from the cell of a
// wrong move along the path of its data to ("end_x", "end_y") in
// "duration" ms, then the scenario ends silently. Without a path or a marker
// the flight is left out; a duration of 0 or less puts the marker at the end
// point at once.
class TScenarioNonogramError : public TLevelFlowScenario {
public:
    ~TScenarioNonogramError() override;
    void Create() override;
    // The group's data, then the path from the first child "function" (an
    // object that is no path is dropped, with a "WIDGET" line).
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void ClearContent() override;
    void Detach() override;

    const Ref<IPathFunction>& GetPath() const { return path_; }

private:
    void ReleasePath();
    void Enter();
    void EnterMove();
    void ProcessMove(TState& state, int32_t elapsedMs);
    void EnterExit();

    Ref<IPathFunction> path_;
    Weak<IWidget> marker_;
    int32_t duration_ = 0;
    double initX_ = 0, initY_ = 0, endX_ = 0, endY_ = 0;
};

// Registers the seven scenario classes.
void RegisterLevelFlowClasses();
