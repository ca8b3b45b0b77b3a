// The screens that follow a level: the statistics of a won level (points,
// time against the expert time, hints, errors, the three awards and the
// total, a miniature of the location's picture), the same with a tip line,
// the result of a bonus game, the screen of a failed level and the level
// information screen. The game definition names them; the level screen opens
// "GS_StatNonogramWithTips" after a win and "GS_FailedNonogram" after a loss,
// the bonus game "GS_StatNonogramBonus".
//
// Awards and points. The speed award is earned when the level took no more
// whole seconds than its expert time, the hint award when no hint was used,
// the error award when no error was made; the total is the level's points
// plus the bonus of each award earned. A row counts only when the screen has
// both its award widget and its bonus label.
//
// Medals and trophies live in the current profile's named values.
// "button_ok" counts a medal of each award earned ("error_medals",
// "hint_medals", "speed_medals") unless the profile already holds the
// level's per-level flag ("award_error" + level reference...; the location
// scene writes those after the screen closes), then grants each medal
// trophy whose counter has reached its limit (the game options
// "trophy_error_small_limit"...) and appends its key and "," to
// "show_trophy". The bonus screen grants "trophy_" + location once the bonus
// total reaches "trophy_bonus_" + location + "_limit", for the bonus level's
// own location only. A granted trophy opens "GS_Trophy"; its close closes
// the result screen.
//
// Results (ChildScreenClosed of the screen below): the statistics screens
// answer "level_ref", "award_speed", "award_hint", "award_error",
// "level_total_points" and "restart_game"; the failed screen
// "restart_level"; the bonus and information screens nothing.
//
// Failures: every named widget is optional and a missing one is skipped with
// the steps that need it. Missing show parameters take their defaults (an
// absent or non-numeric number counts 0); without any, the results stay
// empty. The awards of one result are counted once, however often
// "button_ok" arrives; a result without a level reference counts no medals
// (there would be no per-level flag to stop the next count). Clicks after
// the screen asked to close are ignored. Without a current profile nothing
// is counted and "button_ok" closes the screen.
#pragma once

#include <cstdint>
#include <string>

#include "game/GameScreen.h"
#include "nonogram/LevelDefs.h"
#include "nonogram/TipDefs.h"

// Registered as "QuillmarchGameScreenNonogramStat".
class TQuillmarchGameScreenNonogramStat : public TGameScreen {
public:
    void Create() override;
    // The miniature built, the result lines and medals hidden, the particles
    // cleared.
    void BeforeShow(const Ref<IParamCollection>& params) override;
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    // The inherited show, the scenario group emptied, then ShowResults.
    void Show(const Ref<IParamCollection>& params) override;
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    // Fills the result lines, computes the awards and the total into the
    // results and starts the reveal scenario ("scenario_stat").
    virtual void ShowResults(const Ref<IParamCollection>& params);
    // Counts the medals of the results and grants the medal trophies in the
    // current profile; true when a trophy was granted by this call.
    virtual bool AwardTrophies();
    // The level's picture as small cells in "grid": the frame
    // "grid_frame_R_C", then per cell "grid_cell_R_C_<1..5>" or
    // "grid_cell_black_R_C".
    void BuildMiniature(const Ref<IQuillmarchLevelDef>& levelDef);

    const Ref<IParamCollection>& GetResultParams() const { return resultParams_; }
    int32_t GetTotalPoints() const { return totalPoints_; }

protected:
    // The reveal scenario of that factory, made with the results, put into
    // the scenario group.
    void StartScenario(const std::string& factoryName, const Ref<IParamCollection>& params);
    void SetText(const std::string& path, const Variant& text);
    void Hide(const std::string& path);

private:
    // "button_ok": the awards once, then the trophy screen or the close.
    void Accept();
    void CloseWithResults();

    Weak<IWidget> gridWidget_;
    Ref<IParamCollection> resultParams_;
    Weak<IWidget> scenarioGroup_;
    int32_t totalPoints_ = 0;
    bool awardsCounted_ = false;   // this result's medals were counted
    bool closeRequested_ = false;  // the screen asked to close; later clicks are ignored
};

// Registered as "QuillmarchGameScreenNonogramStatWithTips": the statistics
// with "levelTips" holding the tip named by the show parameter "tip", or one
// drawn by weight from the screen's own "tips" when none is named.
class TQuillmarchGameScreenNonogramStatWithTips : public TQuillmarchGameScreenNonogramStat {
public:
    void Create() override;
    // The inherited load, then the first "tips" child.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void BeforeShow(const Ref<IParamCollection>& params) override;
    void ShowResults(const Ref<IParamCollection>& params) override;

    // The name of a tip drawn by weight; empty without weights.
    std::string ChooseRandomTip();
    const Ref<IQuillmarchTipDefCollection>& GetTipDefs() const { return tipDefs_; }
    // The source of ChooseRandomTip's draw; the play's generator when empty.
    void SetRandomSource(TRandomBelow random) { random_ = std::move(random); }

private:
    Ref<IQuillmarchTipDefCollection> tipDefs_;
    TRandomBelow random_;
};

// Registered as "QuillmarchGameScreenNonogramBonusStat": the bonus game's
// result lines, the per-location bonus trophy and the score submission.
class TQuillmarchGameScreenNonogramBonusStat : public TGameScreen {
public:
    // The lines hidden, the particles cleared, then ShowResults.
    void BeforeShow(const Ref<IParamCollection>& params) override;
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    virtual void ShowResults(const Ref<IParamCollection>& params);
    // Grants the bonus level's location trophy when the total reaches its
    // limit; true when it was granted by this call.
    virtual bool AwardTrophies();

    const std::string& GetBonusLevelName() const { return bonusLevelName_; }
    int32_t GetBonusTotalPoints() const { return bonusTotalPoints_; }

private:
    void SetText(const std::string& path, const Variant& text);

    Weak<IWidget> scenarioGroup_;
    std::string bonusLevelName_;
    int32_t bonusTotalPoints_ = 0;
    bool trophiesChecked_ = false;
    bool closeRequested_ = false;
};

// Registered as "QuillmarchGameScreenNonogramFailed": "button_restart"
// closes with "restart_level" "yes", "button_map" with "no".
class TQuillmarchGameScreenNonogramFailed : public TGameScreen {
public:
    void Show(const Ref<IParamCollection>& params) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

private:
    bool closeRequested_ = false;
};

// Registered as "QuillmarchGameScreenLevelInfo": "location_name" shows
// "%" + "title" + "%", "level" the "LevelName", "size" the "size".
class TQuillmarchGameScreenLevelInfo : public TGameScreen {
public:
    void Show(const Ref<IParamCollection>& params) override;
};

// The number a result value stands for: a whole number written as text or a
// number; 0 for anything else. Never raises.
int32_t ResultNumber(const Variant& value, int32_t fallback = 0);

void RegisterResultScreenClasses();
