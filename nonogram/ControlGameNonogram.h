// The nonogram board ("QuillmarchControlGameNonogram"): the control that
// plays one level. It holds the hidden picture (TNonogramRules), has the
// cells and clue digits made and placed (TNonogramGrid), turns presses into
// opening cells with the arrow and breaking them with the hammer, counts
// errors against the level's limit, spends hints, completes the picture on
// request, keeps the elapsed time and the expert mark, stages the level
// through scenarios, and at the end hands its screen the level's results
// with event code kEventLevelWon or kEventLevelFailed.
//
// Widgets, by path from the board: "grid" (with "cells" and "digits"),
// "scenario_group", "errors" (a numeric label; without it no error is
// counted), "timer" (a digit timer, with the expert mark "timer/expert"),
// and through the owner "control_tools" (the tool switch), "hint_buttons"
// (with "title_hints") and "button_close". Commands: 5 start a level (params
// "level_ref", "active_map_part"), 6 restart, 7 close the final picture, 10
// arm a hint ("name"), 11 a scenario finished ("scenario_to_finalize"), 25
// clear. Game option read: "level_def_refs"; written: "grid_defs".
//
// Modes: 0 ended (or nothing to play), 1 the start scenario runs, 2 playing.
//
// Failures: a level that cannot be played (no catalogue entry, a file that
// does not load, a picture that is not exactly rows × cols hex digits, no
// grid definition for its size, a colour without a cell factory) is refused
// with a "NONOGRAM" log line: the board is emptied and stays in mode 0.
// Missing optional widgets are skipped.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "game/GameShellInterfaces.h"
#include "nonogram/GridDefs.h"
#include "nonogram/LevelDefs.h"
#include "nonogram/NonogramGrid.h"
#include "nonogram/NonogramRules.h"
#include "widgets/ControlWidget.h"

inline constexpr int32_t kEventLevelWon = 0x8005;
inline constexpr int32_t kEventLevelFailed = 0x8006;

// The board's commands.
inline constexpr int32_t kCommandStartLevel = 5;
inline constexpr int32_t kCommandRestartLevel = 6;
inline constexpr int32_t kCommandCloseFinalPicture = 7;
inline constexpr int32_t kCommandArmHint = 10;
inline constexpr int32_t kCommandScenarioFinished = 11;
inline constexpr int32_t kCommandClearBoard = 25;

// The counters: hints used, errors allowed, errors made, elapsed ms.
inline constexpr int32_t kCounterHintsUsed = 1;
inline constexpr int32_t kCounterErrorsAllowed = 2;
inline constexpr int32_t kCounterErrorsMade = 3;
inline constexpr int32_t kCounterElapsedMs = 4;

class TQuillmarchControlGameNonogram : public TControlWidget {
public:
    void Create() override;
    // The control's values, then the grid definitions from the child "grids".
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    void DoUpdate(int32_t elapsedMs) override;
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override;

    // The point in the owner's content; button 0 left, 1 right (2, the
    // third, does nothing).
    bool MouseMove(int32_t x, int32_t y, int32_t shift) override;
    bool MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) override;
    bool MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) override;

    // The frame's hover step (run by DoUpdate while playing): the cross of
    // the closed cell under the engine's pointer is highlighted, the last
    // one's switched off.
    void UpdateHover();

    // Counters 0..5 (see above); 0 for any other index.
    int32_t GetCounter(int32_t index) const;
    // Stores counters 0..5; the elapsed time also runs the expert-mark test.
    void SetCounter(int32_t index, int32_t value);

    uint8_t GetGameMode() const { return gameMode_; }
    bool GetHintMode() const { return hintMode_; }
    int32_t GetLastAction() const { return lastAction_; }
    const TNonogramRules& Rules() const { return rules_; }
    const TNonogramGrid& Grid() const { return grid_; }
    const Ref<IGridDefCollection>& GetGridDefs() const { return gridDefs_; }

private:
    enum class TOutcome : uint8_t { kNone, kWon, kFailed };

    Ref<IGameScreenOwner> GameOwner();
    Ref<IParamCollection> ProfileParams();
    void SetCursor(const std::string& name);
    void PlayWindowSound(const std::string& name);
    Ref<IWidget> OwnerWidget(const std::string& path);
    // The scenario made by the factory, in "scenario_group" and linked to
    // the board; null when none was made. running: whether one of its name
    // is running already (then none is made).
    Ref<IWidget> CreateScenario(const std::string& factoryName,
                                const Ref<IParamCollection>& params, bool* running = nullptr);
    Ref<IParamCollection> SizeParams();

    void StartLevel();
    // Empties the picture, the grid's groups and tables, and the mode.
    void RefuseLevel(const std::string& why);
    bool LoadPicture(std::string& error);
    void ClearDrag();
    void ActOnCell(int32_t row, int32_t col, int32_t tool);
    void OpenCell(int32_t row, int32_t col, bool correct);
    void BreakCell(int32_t row, int32_t col, int32_t timeShift, bool correct);
    void RegisterError(int32_t row, int32_t col);
    void CheckLines(int32_t row, int32_t col);
    void AutoComplete();
    void SetupHintButtons();
    void SetHintMode(bool on, const std::string& name);
    // The cursor the tools or the game show when no hint is armed.
    void RestoreToolCursor();
    void ScenarioFinished(const Ref<IParamCollection>& params);
    void EndLevel(bool won);
    // The final picture of a won level, or its close button at once.
    void ShowFinalPicture();
    // A cell whose delayed break has not happened yet.
    bool CellsStillBreaking() const;
    Ref<IParamCollection> Results(bool won);
    bool ToolsActive(const Ref<IWidget>& tools);

    Weak<IWidget> tools_;
    Weak<IWidget> hoveredCell_;
    Weak<IWidget> grid_widget_;
    Weak<IWidget> scenarioGroup_;
    Ref<IGridDefCollection> gridDefs_;
    std::string locationName_;
    uint8_t gameMode_ = 0;
    std::string hintButtonName_;
    Ref<IQuillmarchLevelDefRef> levelRef_;
    Ref<IQuillmarchLevelDef> levelDef_;
    std::array<int32_t, 6> counters_{};
    int64_t elapsedMs_ = 0;  // counter 4, kept wide so a long level never wraps
    int64_t cupTimeMs_ = 0;
    bool hintMode_ = false;
    int32_t dragFirst_ = -1, dragLast_ = -1;  // cell indexes
    int32_t lastAction_ = -1;
    TOutcome outcome_ = TOutcome::kNone;
    // A won level whose auto-completed cells are still breaking: its final
    // picture (and the button that leaves it) waits until they are gone.
    bool finalPending_ = false;
    TNonogramRules rules_;
    TNonogramGrid grid_;
};

// Registers "QuillmarchControlGameNonogram".
void RegisterBoardClasses();
