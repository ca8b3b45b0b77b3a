// The tutorial ("QuillmarchControlTutorial"): a control that runs a script
// of numbered steps on a small board of its own.
//
// Each step is one child of the states widget "states", shown while the
// step runs; the step's extra values say what it allows:
//   "enable_mouse"   "yes" (default) lets the board react to the mouse;
//   "active_cells"   cell keys ("row_col", comma-separated) made "active":
//                    the only cells the player may act on;
//   "cells_to_solve" cell keys; the step is solved once none is active (a
//                    step without them by any correct move);
//   "error_text"     the hint for a wrong move (else the language texts
//                    "%tutorial_error_text_full%" after a wrong hammer and
//                    "%tutorial_error_text_empty%" after a wrong arrow);
//   "info_cell"      the one child of "info_cells" to show;
//   "tools_state"    "yes" (default) shows "image_select", "image_hammer"
//                    and the tool switch's "frame".
// The script comes in two parts, steps 0..11 and 12..21, each with its own
// picture, the entries "1" and "2" of the game option
// "level_tutorial_def_refs". Command 12 starts it with the show parameter
// "tutorial_part": "all", "part1" or "part2" (anything else keeps the range,
// 0..0 at first). Entering step "11" sends the tool switch command 18 (the
// arrow).
//
// The board: the picture's cells and clue digits are laid out in "grid"
// ("cells", "digits") from the factories "cell" + S and "digit" + S (S the
// size, "5_5") and the grid definition of that size (the child "grids").
// The arrow opens a full cell, the hammer breaks an empty one (with the
// factory "breaking_cell5_5" in "scenario_group"); a wrong move changes
// nothing and only shows the hint "hint" next to the cell. Closed-off runs
// get their digit "crossed"; a finished line hides its digits. The left
// button is the arrow and the right the hammer, unless the tool switch
// "control_tools" (found through the owner) is "active": then its tool acts
// and the right button switches it. The third button does nothing.
//
// The children "button_ok" (next step; on a step that asks for moves it
// makes them for the player first, so that the board is what the next
// steps speak of), "button_close_hint", "button_skip",
// "image_select" and "image_hammer" report to this control. It reports to its
// screen kEventTutorialOver once the last step is done (writing
// "tutorial_passed" = "yes" into the current profile after step 21), and
// kEventTutorialSkip when the player asks to skip (writing it when only the
// first part was to be played). Nothing reacts after the tutorial is over,
// so it is reported once.
//
// Failures: missing widgets are skipped with what depends on them. A picture
// that is not exactly rows × cols hex digits, or without a grid definition
// or a cell factory for its size, is refused with a "TUTORIAL" log line and
// leaves the board empty; an entry whose file does not load leaves the
// board as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "nonogram/GridDefs.h"
#include "nonogram/LevelDefs.h"
#include "nonogram/NonogramGrid.h"
#include "nonogram/NonogramRules.h"
#include "widgets/ControlWidget.h"

inline constexpr int32_t kEventTutorialOver = 0x800B;
inline constexpr int32_t kEventTutorialSkip = 0x800C;
inline constexpr int32_t kCommandStartTutorial = 12;

class TQuillmarchControlTutorial : public TControlWidget, public virtual IEventHandler {
public:
    void Create() override;
    // The control's values, then the grid definitions from the child "grids".
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    void Attach(IWidgetOwner* owner) override;
    // Drops every reference and the picture.
    void Detach() override;
    void DoUpdate(int32_t elapsedMs) override;
    // Only command 12 (start) does anything.
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override;

    // The point in the owner's content; button 0 left, 1 right.
    bool MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) override;
    bool MouseMove(int32_t x, int32_t y, int32_t shift) override;
    bool MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) override;

    // The children report here; requests for screens go on to the owner's
    // handler.
    Ref<IEventHandler> GetEventHandler() override { return Ref<IEventHandler>(this); }
    Ref<IEngine> GetEngine() override { return TControlWidget::GetEngine(); }
    using TControlWidget::HandleEvent;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;
    bool ShowGameScreen(const std::string& name, const Ref<IParamCollection>& params) override;
    bool CloseGameScreen(const Ref<IParamCollection>& results) override;

    // The script.
    void GoToState(int32_t state);
    // The hint for a wrong move next to cell (null: where it is); Full is
    // the picture's truth at the cell (a wrong hammer).
    void ShowHint(bool visible, bool full, const Ref<IWidget>& cell);
    bool IsStateSolved();

    int32_t GetFirstState() const { return firstState_; }
    int32_t GetLastState() const { return lastState_; }
    int32_t GetCurrentState() const { return currentState_; }
    int32_t GetHeldTool() const { return heldTool_; }
    bool GetMouseEnabled() const { return mouseEnabled_; }
    bool IsOver() const { return over_; }
    const TNonogramRules& Rules() const { return rules_; }
    const TNonogramGrid& Board() const { return board_; }

private:
    // --- The board
    // The picture of the level definition; false (the board emptied) when
    // it is refused.
    bool LoadPicture(int32_t rows, int32_t cols, const Ref<IQuillmarchLevelDef>& def);
    void BuildBoard();
    void ClearBoard();
    void ApplyActiveCells();
    void UpdateHover();
    // A press at the point in the owner's content: the tool of the button
    // (or of the tool switch) on the cell there.
    void Press(int32_t x, int32_t y, int32_t button);
    void ApplyTool(const Ref<IWidget>& cell, int32_t tool);
    void OpenCell(const Ref<IWidget>& cell, int32_t row, int32_t col, bool correct);
    void BreakCell(const Ref<IWidget>& cell, int32_t row, int32_t col, bool correct);
    void UpdateClues(int32_t row, int32_t col);
    // A cell widget by key ("row_col"); null when there is none.
    Ref<IWidget> CellByKey(const std::string& key);

    // --- The script
    // A value of the current step; fallback when it has none.
    std::string StateText(const char* name, const char* fallback);
    // A list of cell keys of the current step, split at commas.
    std::vector<std::string> StateKeys(const char* name);
    void LoadPart(int32_t state);
    void ApplyPanels();
    void Finish(int32_t code);
    void MarkPassed();
    void AfterCorrectMove();
    // Makes the moves the current step asks for, as the player would have
    // made them: every cell still to solve opened or broken as the picture
    // has it. The step is then solved and the next one begins.
    void SolveStepForPlayer();
    Ref<IWidget> Tools() { return tools_.Lock(); }

    int32_t firstState_ = 0;
    int32_t lastState_ = 0;
    Ref<IGridDefCollection> gridDefs_;
    Weak<IWidget> grid_;
    Weak<IWidget> hoveredCell_;
    Ref<IQuillmarchLevelDefRef> levelRef_;
    Ref<IQuillmarchLevelDef> levelDef_;
    int32_t currentState_ = 0;
    Weak<IWidget> stateWidget_;
    Weak<IWidget> states_;
    Weak<IWidget> tools_;
    int32_t heldTool_ = -1;
    bool mouseEnabled_ = false;
    bool over_ = false;  // the end was reported: nothing reacts any more
    TNonogramRules rules_;
    TNonogramGrid board_;
    std::vector<int32_t> keys_;  // scratch for the crossed runs
};
