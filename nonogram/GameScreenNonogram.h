// The game screen of one nonogram level ("QuillmarchGameScreenGameNonogram",
// shown by the data as "GS_GameNonogram"). Shown with "level_ref" and
// "active_map_part" (the location), it tells the tool switch which tool mode
// the player chose, puts the panel off the screen for the start scenario to
// bring in, shows the location behind the board and starts the level. It
// routes the clicks on the tool images, the menu, hint and close buttons,
// opens "GS_StatNonogramWithTips" after a won level and "GS_FailedNonogram"
// after a failed one, answers the in-game menu and its queries, and finally
// closes with results that always hold "level_completed" ("yes" or "no";
// after a won level also everything the result screen returned).
//
// Widgets by path: "control_game_nonogram" (the board) with its "title",
// "grid/cells", "grid/digits", "errors", "timer", "image_select",
// "image_hammer", "button_menu" and "nonogram_panel"; "control_tools" (the
// tool switch) with its "frame"; "bg_group/blackout", "hint_buttons",
// "button_close". Screens it opens: "GS_MiniMenu", "GS_QueryMainMenu",
// "GS_QueryRestart", "GS_Options", "GS_Tutorial" (with "tutorial_part" =
// "all"), "GS_Quit" and the two result screens.
//
// Deactivating the program while this screen is on top opens "GS_MiniMenu".
// The menu's "button_main_menu" and the failure screen's "button_map" lead
// back to the location's scene: before either screen shows, their captions
// are named after that location ("%button_back_to_location%" with the text
// variable "level_location").
//
// Failures: a missing widget is skipped; without a board the level neither
// starts nor restarts, and a menu answer the screen cannot read counts as
// going on with the level.
#pragma once

#include <cstdint>
#include <string>

#include "game/GameScreen.h"

class TQuillmarchGameScreenGameNonogram : public TGameScreen {
public:
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    void Show(const Ref<IParamCollection>& params) override;
    void SetActive(bool active) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override;

    // Sets up the widgets for a level at the location "active_map_part".
    void PrepareScreen(const Ref<IParamCollection>& params);

    Ref<IWidget> GetBoard() const { return board_.Lock(); }
    Ref<IWidget> GetToolsControl() const { return tools_.Lock(); }

private:
    Ref<IParamCollection> ProfileParams();
    void BoardCommand(int32_t command, const Ref<IParamCollection>& params);
    void ApplyToolsState(const std::string& state);
    // The tools follow the profile's "UseRightButtonAsHammer" when they do
    // not already.
    void FollowRightButtonOption();
    // Board command 25, then 6: the same level again with fresh counters.
    void Restart();
    // Board command 25, then this screen closes with results.
    void Leave(const Ref<IParamCollection>& results);
    void MenuClosed(const Ref<IParamCollection>& results);
    // Shows the screen with its leaving button's caption named after the
    // location the level returns to.
    bool ShowWithWayBack(const char* screen, const char* caption);

    Weak<IWidget> board_;
    Weak<IWidget> tools_;
    bool leaving_ = false;
    std::string location_;
};

// Sets the data text (translated now) of the widget at path in the game's
// screen of that name, which need not be shown; false when there is none.
// For a label that names what a button of another screen leads to.
bool SetScreenWidgetText(const Ref<IGameScreenOwner>& game, const std::string& screen,
                         const std::string& path, const std::string& text);

// Registers "QuillmarchGameScreenGameNonogram".
void RegisterGameScreenNonogramClasses();
