#include "game/OptionsScreens.h"

#include <exception>

namespace {

// A value as a decimal integer; 0 when it is none.
int32_t IntegerOf(const Variant& value) {
    int64_t number = 0;
    try {
        if (!TryTextToInt64(value.ToString(), number)) return 0;
    } catch (const std::exception&) {
        return 0;
    }
    return number < INT32_MIN || number > INT32_MAX ? 0 : static_cast<int32_t>(number);
}

bool IsYes(const Variant& value) {
    try {
        return value.ToString() == "yes";
    } catch (const std::exception&) {
        return false;
    }
}

bool StateOf(const Ref<IWidget>& box) {
    try {
        return box->GetProperty("CheckBoxState").ToBool();
    } catch (const std::exception&) {
        return false;
    }
}

bool Is(const Ref<IWidget>& sender, const Ref<IWidget>& control, const char* name) {
    return control && sender->GetName() == name;
}

}  // namespace

void TGameScreenOptions::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    showHints_ = FindWidget("checkbox_showhints");
    screenMode_ = FindWidget("checkbox_screenmode");
    soundVolume_ = FindWidget("trackbar_soundvolume");
    musicVolume_ = FindWidget("trackbar_musicvolume");
}

void TGameScreenOptions::DetachOwner() {
    showHints_ = nullptr;
    screenMode_ = nullptr;
    soundVolume_ = nullptr;
    musicVolume_ = nullptr;
    TGameScreen::DetachOwner();
}

Variant TGameScreenOptions::EngineOption(const std::string& name) {
    IGameScreenOwner* owner = GetOwner();
    const Ref<IEngine> engine = owner ? owner->GetEngine() : nullptr;
    const std::string text = engine ? engine->GetOption(name) : std::string();
    return text.empty() ? Variant::Null() : Variant(text);
}

void TGameScreenOptions::ShowCheckBox(const Ref<IWidget>& box, const Variant& value) {
    if (!box) return;
    if (value.IsNull()) {
        box->SetVisible(false);
        return;
    }
    box->SetProperty("CheckBoxState", Variant(IsYes(value)));
}

void TGameScreenOptions::ShowTrackBar(const Ref<IWidget>& bar, const Variant& value) {
    if (!bar) return;
    if (value.IsNull()) {
        bar->SetVisible(false);
        return;
    }
    bar->SetProperty("position", Variant(IntegerOf(value)));
}

void TGameScreenOptions::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    IGameScreenOwner* owner = GetOwner();
    if (!owner) return;
    if (screenMode_) ShowCheckBox(screenMode_, EngineOption("FullScreenMode"));
    if (showHints_) ShowCheckBox(showHints_, owner->GetOption("ShowHints"));
    if (soundVolume_) ShowTrackBar(soundVolume_, EngineOption("SoundVolume"));
    if (musicVolume_) ShowTrackBar(musicVolume_, EngineOption("MusicVolume"));
}

void TGameScreenOptions::WriteCheckBox(const Ref<IWidget>& box, const std::string& option) {
    if (IGameScreenOwner* owner = GetOwner()) owner->SetOption(option, StateOf(box) ? "yes" : "no");
}

void TGameScreenOptions::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                     const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::HandleEvent(sender, code, params);
    IGameScreenOwner* owner = GetOwner();
    if (!sender || code <= 0 || !owner) return;
    const std::string name = sender->GetName();
    if (code == 1) {
        if (name == "button_close") {
            CloseScreen();
        } else if (name == "button_highscores") {
            ShowGameScreen("GS_HighScores", nullptr);
        }
    } else if (code == 2) {
        if (Is(sender, screenMode_, "checkbox_screenmode"))
            WriteCheckBox(screenMode_, "FullScreenMode");
        if (Is(sender, showHints_, "checkbox_showhints")) WriteCheckBox(showHints_, "ShowHints");
    } else if (code == 3) {
        if (Is(sender, soundVolume_, "trackbar_soundvolume")) {
            owner->SetOption("SoundVolume",
                             std::to_string(IntegerOf(soundVolume_->GetProperty("position"))));
            sender->PlaySound("sound_checksoundvolume", false, 0, 100);
        } else if (Is(sender, musicVolume_, "trackbar_musicvolume")) {
            owner->SetOption("MusicVolume",
                             std::to_string(IntegerOf(musicVolume_->GetProperty("position"))));
        }
    }
}

bool TGameScreenOptions::KeyEvent(int32_t kind, int32_t key, int32_t modifiers) {
    const Ref<IGameScreenSlave> self(this);
    if (TGameScreen::KeyEvent(kind, key, modifiers)) return true;
    if (kind != 1 || key != 27) return false;
    CloseScreen();
    return true;
}

void TGameScreenOptions::CloseScreen() {
    CloseGameScreen(nullptr);
}

// ---------------------------------------------------------------------------

void TGameScreenOptionsWideScreen::AttachOwner(IGameScreenOwner* owner) {
    TGameScreenOptions::AttachOwner(owner);
    wideScreen_ = FindWidget("checkbox_widescreen");
}

void TGameScreenOptionsWideScreen::DetachOwner() {
    wideScreen_ = nullptr;
    TGameScreenOptions::DetachOwner();
}

void TGameScreenOptionsWideScreen::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreenOptions::BeforeShow(params);
    if (wideScreen_ && GetOwner()) ShowCheckBox(wideScreen_, EngineOption("WideScreenMode"));
}

void TGameScreenOptionsWideScreen::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                               const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreenOptions::HandleEvent(sender, code, params);
    if (sender && code == 2 && wideScreen_ && sender->GetName() == "checkbox_widescreen") {
        WriteCheckBox(wideScreen_, "WideScreenMode");
    }
}

void RegisterOptionsScreenClasses() {
    RegisterObjectClass(ClassOf<TGameScreenOptions>(), "GameScreenOptions");
    RegisterObjectClass(ClassOf<TGameScreenOptionsWideScreen>(), "GameScreenOptionsWideScreen");
}
