// The main menu ("QuillmarchGameScreenMain"): the screen the splash chain
// hands over to. It owns the catalogue of the nonogram levels (its child
// "levels", published to every screen as the game option "level_def_refs"),
// greets the current player, insists on a profile, shows the medallion of
// the player's progress and starts the game.
//
//   start button   first start of a profile ("show_history" not yet "yes"):
//                  the story "GS_History", else the map "GS_Map", both with a
//                  1024 × 768 picture of the menu ("surface") and
//                  "show_scroll" = "yes"
//   exit button    "GS_Quit"
//   child closes   "GS_NewUser": its "user_name" becomes the current profile
//                  once it is saved (a profile that cannot be saved is taken
//                  out again, and the game tells why); "GS_Game": "GS_HighScores" with its results;
//                  "GS_Map": "GS_BonusEnabled" once per "new_bonus_levels_
//                  enabled" = "yes"; "GS_History": "GS_Map", then "GS_Tutorial"
//                  ("tutorial_part" = "part1") until the tutorial is passed.
//                  After every child the greeting and the medallion again.
//
// While no profile is current the menu opens "GS_NewUser" ("Necessary" =
// true), on every show and after every child screen.
//
// Widgets: "button_start", "button_exit", "welcome_message" (its
// "text_utf8" gets "%welcome%" with "username" set), "medallion" (commands
// 16), "scenario_group" (emptied on showing and when the map closes).
//
// Failures: a tree without "medallion" or "scenario_group" logs one "WORLD"
// line when the screen joins the game, and the steps that use them are
// skipped. A new profile that cannot be made or saved is not kept (the
// game tells the player why a save failed); with no profile current the
// menu asks for one again.
#pragma once

#include <string>

#include "game/GameScreen.h"
#include "nonogram/LevelDefs.h"

class TQuillmarchGameScreenMain : public TGameScreen {
public:
    void Create() override;
    // The screen, then its catalogue from the first child "levels".
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    void Show(const Ref<IParamCollection>& params) override;
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    const Ref<IQuillmarchLevelDefRefCollection>& GetLevels() const { return levels_; }

private:
    // The greeting, or "GS_NewUser" while no profile is current.
    void UpdateWelcome();
    void ClearScenarioGroup();
    void RefreshMedallion();
    // The menu as it looks now, in a new 1024 × 768 surface.
    Ref<ISurface> Snapshot();
    Ref<IUserProfile> CurrentProfile();
    void SaveProfiles();

    Ref<IQuillmarchLevelDefRefCollection> levels_;
    Weak<IWidget> medallion_;
    Weak<IWidget> scenarioGroup_;
};

void RegisterMainScreenClasses();
