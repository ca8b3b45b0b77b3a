// The in-game menu and the game options.
//
// The in-game menu ("QuillmarchGameScreenMiniMenu", and a second registered
// class "QuillmarchGameScreenMiniMenuBrief" so the data can describe a second
// menu) spreads the visible children of its group "buttons" evenly over the
// group's "group_height" (360 by default), half a gap above the first and
// below the last, each as high as the first visible one with a height. It
// closes at the first event any control reports, with the result "Button" =
// the control's name; Escape, or a button released over no widget, closes it
// with no result.
//
// The game options ("QuillmarchGameScreenOptions") are the wide-screen
// options screen with two boxes of the current player's own:
// "checkbox_right_button" ("UseRightButtonAsHammer") and
// "checkbox_autocomplete" ("UseAutoComplete"), profile values "yes"/"no"
// (absent: "no"). Every show sets the boxes from the profile (both off with
// no current profile); every toggle writes the value and saves the profiles
// at once.
//
// Failures: a menu without "buttons" (one "WORLD" log line when it joins the
// game), or without visible buttons, shows without laying anything out. A box that is missing is
// skipped; a toggle with no current profile stores nothing.
#pragma once

#include <string>

#include "game/GameScreen.h"
#include "game/OptionsScreens.h"

class TQuillmarchGameScreenMiniMenu : public TGameScreen {
public:
    // A menu without its "buttons" group is logged once, here.
    void AttachOwner(IGameScreenOwner* owner) override;
    // The buttons laid out, and no button pressed yet.
    void BeforeShow(const Ref<IParamCollection>& params) override;
    bool MouseEvent(int32_t code, int32_t x, int32_t y, int32_t buttons) override;
    bool KeyEvent(int32_t kind, int32_t key, int32_t modifiers) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    // Closes the menu: "Button" = the pressed button's name, or no result
    // when none was pressed.
    void CloseMiniMenu();
    // Spreads the visible buttons over the group's height.
    void LayOutButtons();

    const std::string& GetPressedButton() const { return pressedButton_; }

private:
    std::string pressedButton_;
};

class TQuillmarchGameScreenMiniMenuBrief : public TQuillmarchGameScreenMiniMenu {};

class TQuillmarchGameScreenOptions : public TGameScreenOptionsWideScreen {
public:
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    void Show(const Ref<IParamCollection>& params) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

private:
    Ref<IUserProfile> CurrentProfile();

    Weak<IWidget> rightButton_;
    Weak<IWidget> autoComplete_;
};

void RegisterMenuScreenClasses();
