#include "nonogram/GameScreenNonogram.h"

#include "core/base/AsciiText.h"
#include "core/lang/MultiLanguages.h"
#include "nonogram/ControlGameNonogram.h"
#include "nonogram/LevelDefs.h"

namespace {

Ref<IParamCollection> NewParams() {
    return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

std::string Value(const Ref<IParamCollection>& params, const char* name, const char* fallback) {
    return params ? TextOrEmpty(params->GetValue(name, Variant(fallback))) : std::string(fallback);
}

// The button a menu or query closed with: its "Button", else the value of
// its first parameter; empty without results.
std::string ButtonOf(const Ref<IParamCollection>& results) {
    if (!results) return std::string();
    const Variant button = results->GetValue("Button", Variant());
    if (!button.IsUnassigned()) return TextOrEmpty(button);
    const Ref<IParam> first = results->GetCount() > 0 ? results->GetParam(Variant(0)) : nullptr;
    return first ? TextOrEmpty(first->GetValue()) : std::string();
}

// The panel widgets the start scenario slides in from the right.
constexpr const char* kPanelWidgets[] = {
    "control_game_nonogram/errors", "hint_buttons",
    "control_game_nonogram/timer",  "control_game_nonogram/button_menu",
    "control_tools/frame",          "control_game_nonogram/nonogram_panel",
};
constexpr double kOffScreenLeft = 1024.0;

constexpr const char* kMenuLeaveCaption = "buttons/button_main_menu/caption";

}  // namespace

void TQuillmarchGameScreenGameNonogram::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    board_ = Weak<IWidget>(FindWidget("control_game_nonogram"));
    tools_ = Weak<IWidget>(FindWidget("control_tools"));
}

void TQuillmarchGameScreenGameNonogram::DetachOwner() {
    board_ = nullptr;
    tools_ = nullptr;
    TGameScreen::DetachOwner();
}

Ref<IParamCollection> TQuillmarchGameScreenGameNonogram::ProfileParams() {
    const Ref<IGameScreenOwner> game = GetGameScreenOwner();
    const Ref<IUserProfileCollection> profiles = game ? game->GetUserProfiles() : nullptr;
    const Ref<IUserProfile> profile = profiles ? profiles->GetCurrent() : nullptr;
    return profile ? profile->GetParams() : nullptr;
}

void TQuillmarchGameScreenGameNonogram::BoardCommand(int32_t command,
                                                     const Ref<IParamCollection>& params) {
    if (const Ref<IWidget> board = board_.Lock()) board->ExecuteCommand(command, params);
}

void TQuillmarchGameScreenGameNonogram::ApplyToolsState(const std::string& state) {
    const Ref<IWidget> tools = tools_.Lock();
    if (!tools) return;
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("tools_state", Variant(state));
    tools->ExecuteCommand(13, params);
}

void TQuillmarchGameScreenGameNonogram::Show(const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    leaving_ = false;
    TGameScreen::Show(params);
    if (tools_.Lock()) {
        const bool rightHammer = Value(ProfileParams(), "UseRightButtonAsHammer", "no") != "no";
        ApplyToolsState(rightHammer ? "nonactive" : "active");
    }
    PrepareScreen(params);
    BoardCommand(kCommandStartLevel, params);
}

bool SetScreenWidgetText(const Ref<IGameScreenOwner>& game, const std::string& screen,
                         const std::string& path, const std::string& text) {
    const Ref<IGSCollection> screens = game ? game->GetGameScreens() : nullptr;
    const Ref<IGameScreenSlave> target = screens ? screens->GetItem(Variant(screen)) : nullptr;
    const Ref<IWindow> window = target ? target->GetWindow() : nullptr;
    const Ref<IWidget> widget = window ? window->FindWidget(path) : nullptr;
    if (!widget) return false;
    widget->SetProperty("text", Variant(text));
    return true;
}

bool TQuillmarchGameScreenGameNonogram::ShowWithWayBack(const char* screen, const char* caption) {
    // The screens are shared (the bonus game names the menu's button too):
    // the caption is set every time, plainly when the place is not known.
    if (!location_.empty()) SetTextVariable("level_location", Translate("%" + location_ + "%"));
    SetScreenWidgetText(GetGameScreenOwner(), screen, caption,
                        location_.empty() ? "%button_leave_level%" : "%button_back_to_location%");
    return ShowGameScreen(screen, nullptr);
}

void TQuillmarchGameScreenGameNonogram::PrepareScreen(const Ref<IParamCollection>& params) {
    const std::string location = Value(params, "active_map_part", "");
    location_ = location;
    if (const Ref<IWidget> title = FindWidget("control_game_nonogram/title"))
        title->SetProperty("text_utf8", Variant("%" + location + "%"));
    if (const Ref<IWidget> blackout = FindWidget("bg_group/blackout"))
        blackout->SetTransparentLevel(0);
    for (const char* path : {"control_game_nonogram/grid/cells", "control_game_nonogram/grid/digits",
                             "button_close"}) {
        if (const Ref<IWidget> widget = FindWidget(path)) widget->SetVisible(false);
    }
    for (const char* path : kPanelWidgets) {
        if (const Ref<IWidget> widget = FindWidget(path)) widget->SetLeft(kOffScreenLeft);
    }
    for (const char* path : {"control_game_nonogram/image_select", "control_game_nonogram/image_hammer"}) {
        const Ref<IWidget> image = FindWidget(path);
        if (!image) continue;
        double left = 0;
        if (TryTextToFloat(TextOrEmpty(image->GetProperty("start_x")), left)) image->SetLeft(left);
    }
    const Ref<IGameScreenOwner> game = GetGameScreenOwner();
    const Ref<IUserProfileCollection> profiles = game ? game->GetUserProfiles() : nullptr;
    ShowLocationLayers(board_.Lock(), profiles ? profiles->GetCurrent() : nullptr, location);
}

void TQuillmarchGameScreenGameNonogram::SetActive(bool active) {
    TGameScreen::SetActive(active);
    // Only the screen on top (not covered by a menu or a result screen, not
    // closing) opens the menu: the menu's answer must come back here.
    if (!active && GetShown() && !leaving_) ShowWithWayBack("GS_MiniMenu", kMenuLeaveCaption);
}

void TQuillmarchGameScreenGameNonogram::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                                    const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::HandleEvent(sender, code, params);
    if (!sender) return;
    const std::string name = sender->GetName();
    if (name == "image_select" || name == "image_hammer") {
        if (const Ref<IWidget> tools = tools_.Lock()) {
            const Ref<IParamCollection> tool = NewParams();
            tool->SetValue("active_tool", Variant(name == "image_select" ? "arrow" : "hammer"));
            tools->ExecuteCommand(14, tool);
        }
    }
    if (name == "button_menu") ShowWithWayBack("GS_MiniMenu", kMenuLeaveCaption);
    if (name.find("hint_") != std::string::npos && code == 1) {
        const Ref<IParamCollection> hint = NewParams();
        hint->SetValue("name", Variant(name));
        BoardCommand(kCommandArmHint, hint);
    }
    if (name == "control_game_nonogram" && code == kEventLevelWon)
        ShowGameScreen("GS_StatNonogramWithTips", params);
    if (name == "control_game_nonogram" && code == kEventLevelFailed)
        ShowWithWayBack("GS_FailedNonogram", "button_map/caption");
    if (name == "button_close") BoardCommand(kCommandCloseFinalPicture, nullptr);
}

void TQuillmarchGameScreenGameNonogram::Restart() {
    BoardCommand(kCommandClearBoard, nullptr);
    BoardCommand(kCommandRestartLevel, nullptr);
}

void TQuillmarchGameScreenGameNonogram::Leave(const Ref<IParamCollection>& results) {
    BoardCommand(kCommandClearBoard, nullptr);
    leaving_ = true;
    if (!CloseGameScreen(results)) leaving_ = false;
}

void TQuillmarchGameScreenGameNonogram::FollowRightButtonOption() {
    const Ref<IWidget> tools = tools_.Lock();
    if (!tools) return;
    const bool rightHammer = Value(ProfileParams(), "UseRightButtonAsHammer", "no") != "no";
    const std::string state = TextOrEmpty(tools->GetProperty("tools_state"));
    if (!rightHammer && state == "nonactive") ApplyToolsState("active");
    if (rightHammer && state == "active") ApplyToolsState("nonactive");
}

void TQuillmarchGameScreenGameNonogram::MenuClosed(const Ref<IParamCollection>& results) {
    const std::string button = ButtonOf(results);
    if (button == "button_main_menu") {
        if (ShowGameScreen("GS_QueryMainMenu", nullptr)) return;
        const Ref<IParamCollection> answer = results ? results : NewParams();
        answer->SetValue("level_completed", Variant("no"));
        Leave(answer);
    } else if (button == "button_options") {
        ShowGameScreen("GS_Options", nullptr);
    } else if (button == "button_rules") {
        const Ref<IParamCollection> tutorial = results ? results : NewParams();
        tutorial->SetValue("tutorial_part", Variant("all"));
        ShowGameScreen("GS_Tutorial", tutorial);
    } else if (button == "button_restart" && board_.Lock()) {
        if (!ShowGameScreen("GS_QueryRestart", nullptr)) Restart();
    } else if (button == "button_exit") {
        ShowGameScreen("GS_Quit", nullptr);
    }
    // "button_unpause", or no answer: the level goes on.
}

void TQuillmarchGameScreenGameNonogram::ChildScreenClosed(const std::string& screenName,
                                                          const Ref<IParamCollection>& results) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::ChildScreenClosed(screenName, results);
    const auto is = [&](const char* name) { return EqualIgnoringAsciiCase(screenName, name); };
    if (is("GS_StatNonogramWithTips")) {
        if (Value(results, "restart_game", "no") == "yes") {
            BoardCommand(kCommandRestartLevel, nullptr);
            return;
        }
        const Ref<IParamCollection> answer = results ? results : NewParams();
        answer->SetValue("level_completed", Variant("yes"));
        Leave(answer);
    } else if (is("GS_FailedNonogram")) {
        if (Value(results, "restart_level", "no") == "yes") {
            Restart();
            return;
        }
        const Ref<IParamCollection> answer = NewParams();
        answer->SetValue("level_completed", Variant("no"));
        Leave(answer);
    } else if (is("GS_MiniMenu")) {
        MenuClosed(results);
    } else if (is("GS_QueryRestart")) {
        if (Value(results, "Button", "") == "button_yes") Restart();
    } else if (is("GS_QueryMainMenu")) {
        if (Value(results, "Button", "") != "button_yes") return;
        const Ref<IParamCollection> answer = results ? results : NewParams();
        answer->SetValue("level_completed", Variant("no"));
        Leave(answer);
    } else if (is("GS_Options")) {
        FollowRightButtonOption();
    }
}

void RegisterGameScreenNonogramClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenGameNonogram>(),
                        "QuillmarchGameScreenGameNonogram");
}
