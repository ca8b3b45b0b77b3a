// The bonus game's screens.
//
// "QuillmarchGameScreenGameBonus" (shown as "GS_GameBonus"): hosts one
// bonus level. It loads the level's background picture into the resource
// group "resources_bonus" (from the game option "magic_items": the item
// "resources" of the item type "components" of the level's group, its entry
// named by "bg_image"), lays its widgets out for the start scenario, starts
// the bonus control "control_game_nonogram", routes the tool, hint and menu
// clicks, opens "GS_StatNonogramBonus" when the control reports the level's
// end, answers the in-game menu ("GS_MiniMenu"), the restart and main-menu
// queries, the options and the failure screens, and closes with
// "level_completed", "level_total_points" and "LevelName" (or
// "level_completed" = "no" alone when the player gives up).
//
// "QuillmarchGameScreenMainBonus": the bonus level selection. Its own
// "levels" catalogue of bonus pictures is published as the game option
// "level_bonus_def_refs". The children of "level_buttons" are the levels,
// each named after its location, enabled once the profile's
// "location_state_<name>" is "completed", with its high-score grid at
// "enabled_image/highscores_grid"; a click on a level's "button" opens
// "GS_GameBonus" with the level widget's settings, and the total it closes
// with is entered in the level's high-score table when it qualifies.
//
// Failures: missing widgets are skipped; a background entry that does not
// make a resource list loads nothing (a "BONUS" log line).
#pragma once

#include <cstdint>
#include <string>

#include "game/GameScreen.h"
#include "nonogram/LevelDefs.h"

class IParam;

class TQuillmarchGameScreenGameBonus : public TGameScreen {
public:
    static constexpr char kResourceGroup[] = "resources_bonus";

    void BeforeShow(const Ref<IParamCollection>& params) override;
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    void Show(const Ref<IParamCollection>& params) override;
    void SetActive(bool active) override;
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    const std::string& GetLoadedLevel() const { return loadedLevel_; }

    // The resource list of one background entry ("name" = file, or
    // "\file=...\format=..."); values are escaped for XML.
    static std::string BackgroundResourceList(const std::string& name, const std::string& value);

private:
    void LoadBonusResources(const std::string& levelName, const std::string& imageName);
    void LoadBonusImageResource(const Ref<IParam>& entry);
    void ResetBonusLayout(const Ref<IParamCollection>& params);
    Ref<IParamCollection> RestartParams() const;
    void SendToControl(int32_t command, const Ref<IParamCollection>& params);
    void SendToTools(int32_t command, const char* name, const char* value);
    // "GS_MiniMenu", its leaving button named "Back to the bonus rounds".
    void ShowMenu();
    // Clears the control and closes this screen with level_completed = "no"
    // in results (a new collection when null).
    void GiveUp(Ref<IParamCollection> results);
    std::string ProfileValue(const std::string& name, const std::string& fallback);

    std::string loadedLevel_;
    int32_t levelTotalPoints_ = 0;
    std::string levelCompleted_;
    std::string levelName_;
    int32_t rounds_ = 0;
    int32_t hints_ = 0;
    int32_t errorsAllowed_ = 0;
    std::string bgImage_;
    int32_t totalLevelTime_ = 0;
    Weak<IWidget> gameControl_;
    Weak<IWidget> toolsControl_;
};

class TQuillmarchGameScreenMainBonus : public TGameScreen {
public:
    void Create() override;
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void BeforeShow(const Ref<IParamCollection>& params) override;
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    const Ref<IQuillmarchLevelDefRefCollection>& GetCatalogue() const { return catalogue_; }

private:
    void RefreshLevelButtons();
    void ShowLevelRecords(const Ref<IWidget>& level);
    void StartBonusLevel(const std::string& levelName);
    void EnterHighScore(const Ref<IParamCollection>& results);

    Ref<IQuillmarchLevelDefRefCollection> catalogue_;
    Weak<IWidget> levelButtons_;
};

// Registers "QuillmarchGameScreenGameBonus" and
// "QuillmarchGameScreenMainBonus".
void RegisterBonusScreenClasses();
