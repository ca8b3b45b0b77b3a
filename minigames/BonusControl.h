// The bonus game control ("QuillmarchControlGameBonus"): one bonus level
// played as a series of small nonograms against one clock. Each round draws
// a picture at random from the bonus pictures of the level (the catalogue
// entries of the game option "level_bonus_def_refs" whose "bonus_scene" is
// the level's name), lays it out with its clue digits and is played with
// the arrow and the hammer; a solved round earns a round bonus and starts
// the next, the last one wins the level; too many errors or the end of the
// level's time fail it. Every move scores at once (a growing reward for
// quick series of correct moves, a penalty for wrong ones). At the end the
// hint and time bonuses are added, the high-score table named after the
// level is asked, and the screen gets kEventBonusWon or kEventBonusFailed
// with the result parameters, once per level.
//
// Widgets, by path from the control: "grid" (with "cells" and "digits"),
// "points" (its "value"), "scenario_group", "errors" (without it no error
// is counted), "timer"; through the owner "control_tools" and
// "hint_buttons". Commands: 5 start and 6 restart a level ("LevelName",
// "rounds", "error_pos", "total_leveltime", "hints"), 10 arm a hint
// ("name"), 11 a scenario finished ("scenario_to_finalize"), 25 clear.
//
// The picture, its clues and crossings are TNonogramRules; the cell and
// digit widgets, their tables and the highlight are TNonogramGrid.
//
// Failures: a level that cannot be played (no "rounds", an "error_pos" that
// is no whole number, no picture left in the pool, a picture that does not
// load or is not exactly rows × cols hex digits, no grid definition for its
// size, a colour without a cell factory) is refused with a "BONUS" log
// line: the board is emptied and the level is reported failed, without a
// hint bonus, on the next frame, so the screen never waits on a level that
// cannot start and such a level enters no high-score table.
#pragma once

#include <cstdint>
#include <string>

#include "game/GameShellInterfaces.h"
#include "nonogram/LevelDefs.h"
#include "nonogram/NonogramGrid.h"
#include "nonogram/NonogramRules.h"
#include "widgets/ControlWidget.h"

inline constexpr int32_t kEventBonusWon = 0x8005;
inline constexpr int32_t kEventBonusFailed = 0x8006;

inline constexpr int32_t kBonusCommandStart = 5;
inline constexpr int32_t kBonusCommandRestart = 6;
inline constexpr int32_t kBonusCommandArmHint = 10;
inline constexpr int32_t kBonusCommandScenarioFinished = 11;
inline constexpr int32_t kBonusCommandClear = 25;

// Scoring.
inline constexpr int32_t kBonusWrongMovePenalty = 300;
inline constexpr int32_t kBonusBaseMoveReward = 50;
inline constexpr int32_t kBonusRewardStep = 5;
inline constexpr int32_t kBonusComboTimeMs = 2500;
inline constexpr int32_t kBonusHintBonus = 1000;
inline constexpr int32_t kBonusTimeBonusPerSecond = 5;
inline constexpr int32_t kBonusRoundBonus = 1000;

enum class TBonusGameState : uint8_t {
    kCompleting = 0,  // no input: a round or the level is ending
    kStarting = 1,    // a round's start scenario runs
    kPlaying = 2,     // the player moves, the clock runs
};

class TQuillmarchControlGameBonus : public TControlWidget {
public:
    void Create() override;
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    void DoUpdate(int32_t elapsedMs) override;
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override;

    // The point in the owner's content; button 0 left, 1 right, 2 third.
    bool MouseMove(int32_t x, int32_t y, int32_t shift) override;
    bool MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) override;
    bool MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) override;

    TBonusGameState GetGameState() const { return gameState_; }
    int32_t GetPoints() const { return points_; }
    int32_t GetMoveReward() const { return moveReward_; }
    int32_t GetRounds() const { return rounds_; }
    int32_t GetCurrentRound() const { return currentRound_; }
    int32_t GetErrorsMade() const { return errorsMade_; }
    int32_t GetErrorsAllowed() const { return errorsAllowed_; }
    int32_t GetHintsUsed() const { return hintsUsed_; }
    int32_t GetHintsAllowed() const { return hintsAllowed_; }
    int64_t GetElapsed() const { return elapsedMs_; }
    int64_t GetTimeLimit() const { return timeLimitMs_; }
    bool GetHintMode() const { return hintMode_; }
    int32_t GetLastAction() const { return lastAction_; }
    int32_t GetPoolCount() const;
    const Ref<IQuillmarchLevelDefRef>& GetRoundRef() const { return roundRef_; }
    const TNonogramRules& Rules() const { return rules_; }
    const TNonogramGrid& Grid() const { return grid_; }
    // The cell whose row and column are lit; null for none.
    Ref<IWidget> GetHoverCell() const { return hoverCell_.Lock(); }

private:
    enum class TOutcome : uint8_t { kNone, kWon, kFailed };

    Ref<IWidget> OwnerWidget(const std::string& path);
    void PlayWindowSound(const std::string& name);
    Ref<IWidget> StartScenario(const std::string& name, const Ref<IParamCollection>& params);
    void SetPoints(int32_t value);

    void StartLevel(const Ref<IParamCollection>& params);
    void StartNextRound();
    // Logs why, empties the board and reports the level failed next frame.
    void Refuse(const std::string& why);
    bool LoadRound(std::string& error);
    void ClearBoard();
    void EndRound(bool won);
    Ref<IParamCollection> Results(bool won);
    void ScenarioFinished(const Ref<IParamCollection>& params);

    void UpdateHover();
    void ClearDrag();
    void ApplyMove(int32_t row, int32_t col, int32_t tool);
    void OpenFullCell(int32_t row, int32_t col, bool correct);
    void BreakEmptyCell(int32_t row, int32_t col, bool correct);
    void AddMovePoints(bool good, const Ref<IWidget>& cell);
    void CountError(const Ref<IWidget>& cell);
    void CheckLines(int32_t row, int32_t col);
    void UseHint(bool begin, const std::string& buttonName);
    // Hint mode left without a move: the tool's cursor back.
    void CancelHintMode();
    void RestoreToolCursor();
    bool ToolsActive(const Ref<IWidget>& tools);

    int32_t comboTimeLeft_ = 0;
    int32_t moveReward_ = kBonusBaseMoveReward;
    int32_t points_ = 0;
    Weak<IWidget> pointsWidget_;
    Weak<IWidget> tools_;
    Weak<IWidget> hoverCell_;
    Weak<IWidget> gridWidget_;
    Weak<IWidget> scenarioGroup_;
    std::string levelName_;
    TBonusGameState gameState_ = TBonusGameState::kCompleting;
    TOutcome outcome_ = TOutcome::kNone;
    bool roundEndPending_ = false;  // between a solved round and the next
    bool refusalPending_ = false;
    bool refused_ = false;  // the level could not be played
    std::string hintButtonName_;
    Ref<IQuillmarchLevelDefRefCollection> roundPool_;
    Ref<IQuillmarchLevelDefRef> roundRef_;
    Ref<IQuillmarchLevelDef> roundDef_;
    int32_t hintsUsed_ = 0;
    int32_t errorsAllowed_ = 0;
    int32_t errorsMade_ = 0;
    int64_t timeLimitMs_ = 0;
    int64_t elapsedMs_ = 0;  // over the whole level, never reset between rounds
    bool hintMode_ = false;
    int32_t lastAction_ = -1;
    int32_t dragFirst_ = -1, dragSecond_ = -1;  // cell indexes
    int32_t rounds_ = 0;
    int32_t currentRound_ = 0;
    int32_t hintsAllowed_ = 0;
    // Counts the boards laid out or cleared: a move that finished its round
    // must not read the cell it started on in the next board.
    uint32_t boardGeneration_ = 0;
    TNonogramRules rules_;
    TNonogramGrid grid_;
};

// Registers "QuillmarchControlGameBonus".
void RegisterBonusControlClasses();
