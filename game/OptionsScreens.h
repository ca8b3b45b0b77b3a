// The options screens ("GameScreenOptions", "GameScreenOptionsWideScreen")
// mirror the options in their controls: every show reads each option into
// its control, every change of a control is written at once through the
// game (IGameScreenOwner::SetOption), so closing needs no saving step.
//
//   control                 option            read from   written on
//   "checkbox_screenmode"   "FullScreenMode"  the engine  code 2: "yes"/"no"
//   "checkbox_showhints"    "ShowHints"       the game    code 2: "yes"/"no"
//   "trackbar_soundvolume"  "SoundVolume"     the engine  code 3: the position,
//                                                         then the bar plays
//                                                         "sound_checksoundvolume"
//   "trackbar_musicvolume"  "MusicVolume"     the engine  code 3: the position
//   "checkbox_widescreen"   "WideScreenMode"  the engine  code 2 (wide-screen
//                                                         variant only)
//
// A check box shows whether the value is exactly "yes"; a track bar the value
// as a decimal integer (0 when it is none). "button_close" and Escape close
// the screen, "button_highscores" shows "GS_HighScores".
//
// Failures: an option that the engine (an empty setting) or the game (Null)
// does not hold hides its control for that show. A missing control is
// skipped.
#pragma once

#include <cstdint>
#include <string>

#include "game/GameScreen.h"

class TGameScreenOptions : public TGameScreen {
public:
    void BeforeShow(const Ref<IParamCollection>& params) override;
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    bool KeyEvent(int32_t kind, int32_t key, int32_t modifiers) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    // Closes the screen with no result.
    void CloseScreen();

protected:
    // The option as the engine holds it; Null when it holds no such setting.
    Variant EngineOption(const std::string& name);
    // Fills a check box or a track bar from an option value, or hides it.
    static void ShowCheckBox(const Ref<IWidget>& box, const Variant& value);
    static void ShowTrackBar(const Ref<IWidget>& bar, const Variant& value);
    // Writes a check box's state as "yes" or "no".
    void WriteCheckBox(const Ref<IWidget>& box, const std::string& option);

private:
    Ref<IWidget> showHints_;
    Ref<IWidget> screenMode_;
    Ref<IWidget> soundVolume_;
    Ref<IWidget> musicVolume_;
};

class TGameScreenOptionsWideScreen : public TGameScreenOptions {
public:
    void BeforeShow(const Ref<IParamCollection>& params) override;
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

private:
    Ref<IWidget> wideScreen_;
};

void RegisterOptionsScreenClasses();
