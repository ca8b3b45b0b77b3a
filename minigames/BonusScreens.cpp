#include "minigames/BonusScreens.h"

#include <algorithm>
#include <cmath>

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "core/base/ParamStringUtils.h"
#include "core/storage/XMLStorage.h"
#include "game/HighScores.h"
#include "minigames/BonusControl.h"
#include "nonogram/GameScreenNonogram.h"  // SetScreenWidgetText
#include "widgets/GroupStorage.h"
#include "widgets/WidgetFactories.h"

namespace {

Ref<IParamCollection> NewParams() {
    return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

Variant ParamOf(const Ref<IParamCollection>& params, const char* name) {
    return params ? params->GetValue(name, Variant()) : Variant();
}

// A whole number from a number or a text of digits; fallback otherwise.
int32_t WholeOr(const Variant& value, int32_t fallback) {
    if (value.IsUnassigned()) return fallback;
    int64_t number = 0;
    if (value.IsString()) {
        if (!TryTextToInt64(value.ToString(), number)) return fallback;
    } else {
        double d = 0;
        if (!TryTextToFloat(value.ToString(), d) || !std::isfinite(d)) return fallback;
        number = static_cast<int64_t>(std::clamp(d, -3e9, 3e9));
    }
    return static_cast<int32_t>(std::clamp<int64_t>(number, INT32_MIN, INT32_MAX));
}

double NumberOr(const Variant& value, double fallback) {
    double d = 0;
    if (value.IsUnassigned() || !TryTextToFloat(value.ToString(), d) || !std::isfinite(d))
        return fallback;
    return d;
}

}  // namespace

// --- The bonus game screen

std::string TQuillmarchGameScreenGameBonus::BackgroundResourceList(const std::string& name,
                                                                   const std::string& value) {
    std::string file = value;
    std::string format;
    bool paired = false;
    if (value.find('=') != std::string::npos) {
        TTwoArrayOfString pairs;
        if (SplitParams(value, pairs, '\\', '=') > 0) {
            paired = true;
            file.clear();
            // A later pair of the same name wins.
            for (const auto& pair : pairs) {
                if (EqualIgnoringAsciiCase(pair[0], "file")) file = pair[1];
                if (EqualIgnoringAsciiCase(pair[0], "format")) format = pair[1];
            }
        }
    }
    if (!paired) {
        // "png" only for a name that ends in ".png" and holds it nowhere
        // earlier.
        const size_t png = value.find(".png");
        format = png != std::string::npos && value.size() >= 4 && png == value.size() - 4 ? "png"
                                                                                          : "jpeg";
    }
    return "<resources><content><resource name=\"" + EscapeXmlText(name) +
           "\" type=\"ImageResource\" format=\"" + EscapeXmlText(format) + "\" file=\"" +
           EscapeXmlText(file) + "\" /></content></resources>";
}

void TQuillmarchGameScreenGameBonus::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    gameControl_ = Weak<IWidget>(FindWidget("control_game_nonogram"));
    toolsControl_ = Weak<IWidget>(FindWidget("control_tools"));
}

void TQuillmarchGameScreenGameBonus::DetachOwner() {
    gameControl_ = nullptr;
    toolsControl_ = nullptr;
    TGameScreen::DetachOwner();
}

void TQuillmarchGameScreenGameBonus::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    levelName_ = TextOrEmpty(ParamOf(params, "LevelName"));
    rounds_ = WholeOr(ParamOf(params, "rounds"), 0);
    hints_ = WholeOr(ParamOf(params, "hints"), 0);
    errorsAllowed_ = WholeOr(ParamOf(params, "error_pos"), 0);
    bgImage_ = TextOrEmpty(ParamOf(params, "bg_image"));
    totalLevelTime_ = WholeOr(ParamOf(params, "total_leveltime"), 0);
    LoadBonusResources(levelName_, bgImage_);
    ResetBonusLayout(params);
}

void TQuillmarchGameScreenGameBonus::LoadBonusResources(const std::string& levelName,
                                                        const std::string& imageName) {
    IGameScreenOwner* owner = GetOwner();
    const Ref<IEngine> engine = GetEngine();
    if (!owner || !engine) return;
    // The same level keeps its background, unless it went away meanwhile: a
    // background another screen had loaded under the same name was never
    // ours, and leaves with that screen's group.
    if (levelName == loadedLevel_ && (imageName.empty() || engine->GetResource(imageName))) return;
    const Ref<IGroupsStorage> store =
        Query<IGroupsStorage>(owner->GetOption("magic_items").ToInterface());
    engine->RemoveResources(kResourceGroup);
    loadedLevel_ = levelName;
    const Ref<IItemCollection> resources =
        store ? store->GetItem(levelName, "components", "resources") : nullptr;
    if (!resources || imageName.empty()) return;
    if (const Ref<IParam> entry = resources->GetParam(Variant(imageName)))
        LoadBonusImageResource(entry);
}

void TQuillmarchGameScreenGameBonus::LoadBonusImageResource(const Ref<IParam>& entry) {
    const Ref<IEngine> engine = GetEngine();
    if (!engine) return;
    const std::string list = BackgroundResourceList(entry->GetName(), TextOrEmpty(entry->GetValue()));
    try {
        engine->LoadResources(LoadStorageFromXML(list), kResourceGroup, kLoadResourcesAtOnce);
    } catch (const std::exception& e) {
        Log("BONUS", "the background \"" + entry->GetName() + "\" does not load: " + e.what());
    }
}

void TQuillmarchGameScreenGameBonus::ResetBonusLayout(const Ref<IParamCollection>& params) {
    const auto each = [&](const char* path, auto&& action) {
        if (const Ref<IWidget> widget = FindWidget(path)) action(widget);
    };
    each("bg_group", [&](const Ref<IWidget>& w) {
        w->SetProperty("bg_image", Variant(TextOrEmpty(ParamOf(params, "bg_image"))));
    });
    each("bg_group/blackout", [](const Ref<IWidget>& w) { w->SetTransparentLevel(0); });
    for (const char* path :
         {"control_game_nonogram/grid/cells", "control_game_nonogram/grid/digits"}) {
        each(path, [](const Ref<IWidget>& w) { w->SetVisible(false); });
    }
    each("control_game_nonogram/points", [](const Ref<IWidget>& w) { w->SetTop(-33); });
    for (const char* path :
         {"control_game_nonogram/errors", "hint_buttons", "control_game_nonogram/timer"}) {
        each(path, [](const Ref<IWidget>& w) { w->SetLeft(1024); });
    }
    each("control_game_nonogram/timer/expert", [](const Ref<IWidget>& w) { w->SetVisible(false); });
    for (const char* path :
         {"control_game_nonogram/image_select", "control_game_nonogram/image_hammer"}) {
        each(path,
             [](const Ref<IWidget>& w) { w->SetLeft(NumberOr(w->GetProperty("start_x"), 0)); });
    }
    for (const char* path : {"control_game_nonogram/button_menu", "control_tools/frame",
                             "control_game_nonogram/nonogram_panel"}) {
        each(path, [](const Ref<IWidget>& w) { w->SetLeft(1024); });
    }
}

std::string TQuillmarchGameScreenGameBonus::ProfileValue(const std::string& name,
                                                         const std::string& fallback) {
    IGameScreenOwner* owner = GetOwner();
    const Ref<IUserProfileCollection> profiles = owner ? owner->GetUserProfiles() : nullptr;
    const Ref<IUserProfile> profile = profiles ? profiles->GetCurrent() : nullptr;
    const Ref<IParamCollection> values = profile ? profile->GetParams() : nullptr;
    return values ? TextOrEmpty(values->GetValue(name, Variant(fallback))) : fallback;
}

void TQuillmarchGameScreenGameBonus::SendToControl(int32_t command,
                                                   const Ref<IParamCollection>& params) {
    if (const Ref<IWidget> control = gameControl_.Lock()) control->ExecuteCommand(command, params);
}

void TQuillmarchGameScreenGameBonus::SendToTools(int32_t command, const char* name,
                                                 const char* value) {
    const Ref<IWidget> tools = toolsControl_.Lock();
    if (!tools) return;
    const Ref<IParamCollection> params = NewParams();
    params->SetValue(name, Variant(value));
    tools->ExecuteCommand(command, params);
}

void TQuillmarchGameScreenGameBonus::Show(const Ref<IParamCollection>& params) {
    const Ref<IInterface> self(static_cast<IGameScreenSlave*>(this));
    TGameScreen::Show(params);
    if (toolsControl_.Lock()) {
        SendToTools(13, "tools_state",
                    ProfileValue("UseRightButtonAsHammer", "no") == "no" ? "active" : "nonactive");
    }
    if (const Ref<IWidget> frame = FindWidget("control_tools/frame")) frame->SetLeft(1024);
    SendToControl(kBonusCommandStart, params);
}

void TQuillmarchGameScreenGameBonus::ShowMenu() {
    // The menu is shared with the levels: its leaving button is named after
    // where it leads from here, the bonus selection.
    SetScreenWidgetText(GetGameScreenOwner(), "GS_MiniMenu", "buttons/button_main_menu/caption",
                        "%button_back_to_bonus_rounds%");
    ShowGameScreen("GS_MiniMenu", nullptr);
}

void TQuillmarchGameScreenGameBonus::SetActive(bool active) {
    TGameScreen::SetActive(active);
    if (!active && GetShown()) ShowMenu();
}

Ref<IParamCollection> TQuillmarchGameScreenGameBonus::RestartParams() const {
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("LevelName", Variant(levelName_));
    params->SetValue("rounds", Variant(rounds_));
    params->SetValue("hints", Variant(hints_));
    params->SetValue("error_pos", Variant(errorsAllowed_));
    params->SetValue("bg_image", Variant(bgImage_));
    params->SetValue("total_leveltime", Variant(totalLevelTime_));
    return params;
}

void TQuillmarchGameScreenGameBonus::GiveUp(Ref<IParamCollection> results) {
    SendToControl(kBonusCommandClear, nullptr);
    if (!results) results = NewParams();
    results->SetValue("level_completed", Variant("no"));
    CloseGameScreen(results);
}

void TQuillmarchGameScreenGameBonus::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                                 const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (!sender) return;
    const Ref<IInterface> self(static_cast<IGameScreenSlave*>(this));
    const std::string name = sender->GetName();
    if (name == "image_select") {
        SendToTools(14, "active_tool", "arrow");
    } else if (name == "image_hammer") {
        SendToTools(14, "active_tool", "hammer");
    } else if (name == "button_menu") {
        ShowMenu();
    } else if (name.find("hint_") != std::string::npos) {
        if (code != 1) return;
        const Ref<IParamCollection> hint = NewParams();
        hint->SetValue("name", Variant(name));
        SendToControl(kBonusCommandArmHint, hint);
    } else if (name == "control_game_nonogram" &&
               (code == kEventBonusWon || code == kEventBonusFailed)) {
        levelCompleted_ = code == kEventBonusWon ? "yes" : "no";
        levelTotalPoints_ = WholeOr(ParamOf(params, "level_total_points"), 0);
        ShowGameScreen("GS_StatNonogramBonus", params);
    }
}

void TQuillmarchGameScreenGameBonus::ChildScreenClosed(const std::string& screenName,
                                                       const Ref<IParamCollection>& results) {
    TGameScreen::ChildScreenClosed(screenName, results);
    const Ref<IInterface> self(static_cast<IGameScreenSlave*>(this));
    const auto button = [&](const char* key) { return TextOrEmpty(ParamOf(results, key)); };
    if (screenName == "GS_StatNonogramBonus") {
        SendToControl(kBonusCommandClear, nullptr);
        const Ref<IParamCollection> out = NewParams();
        out->SetValue("level_completed", Variant(levelCompleted_));
        out->SetValue("level_total_points", Variant(levelTotalPoints_));
        out->SetValue("LevelName", Variant(levelName_));
        CloseGameScreen(out);
    } else if (screenName == "GS_FailedNonogram") {
        if (results && TextOrEmpty(results->GetValue("restart_level", Variant("no"))) == "yes") {
            SendToControl(kBonusCommandRestart, RestartParams());
        } else {
            GiveUp(nullptr);
        }
    } else if (screenName == "GS_MiniMenu") {
        if (!results || results->GetCount() < 1) return;
        const Ref<IParam> first = results->GetParam(Variant(0));
        const std::string pressed = first ? TextOrEmpty(first->GetValue()) : std::string();
        if (pressed == "button_main_menu") {
            if (!ShowGameScreen("GS_QueryMainMenu", nullptr)) GiveUp(results);
        } else if (pressed == "button_options") {
            ShowGameScreen("GS_Options", nullptr);
        } else if (pressed == "button_rules") {
            results->SetValue("tutorial_part", Variant("all"));
            ShowGameScreen("GS_HelpBonus", results);
        } else if (pressed == "button_restart") {
            if (gameControl_.Lock() && !ShowGameScreen("GS_QueryRestart", nullptr))
                SendToControl(kBonusCommandRestart, RestartParams());
        } else if (pressed == "button_exit") {
            ShowGameScreen("GS_Quit", nullptr);
        }
    } else if (screenName == "GS_QueryRestart") {
        if (button("Button") == "button_yes") SendToControl(kBonusCommandRestart, RestartParams());
    } else if (screenName == "GS_QueryMainMenu") {
        if (button("Button") == "button_yes") GiveUp(results);
    } else if (screenName == "GS_Options") {
        const Ref<IWidget> tools = toolsControl_.Lock();
        if (!tools) return;
        const std::string hammer = ProfileValue("UseRightButtonAsHammer", "no");
        const std::string state = TextOrEmpty(tools->GetProperty("tools_state"));
        if (hammer == "no" && state == "nonactive") SendToTools(13, "tools_state", "active");
        if (hammer == "yes" && state == "active") SendToTools(13, "tools_state", "nonactive");
    }
}

// --- The bonus level selection

void TQuillmarchGameScreenMainBonus::Create() {
    TGameScreen::Create();
    catalogue_ = Query<IQuillmarchLevelDefRefCollection>(
        CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>()));
}

void TQuillmarchGameScreenMainBonus::LoadFrom(const Ref<IHierStorage>& storage) {
    TGameScreen::LoadFrom(storage);
    if (catalogue_) LoadChildObject(catalogue_, storage, "levels", 0);
}

void TQuillmarchGameScreenMainBonus::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    levelButtons_ = Weak<IWidget>(FindWidget("level_buttons"));
    // The option holds its own reference: the catalogue outlives this screen's.
    if (owner) owner->SetOptionValue("level_bonus_def_refs", Variant(Ref<IInterface>(catalogue_)));
}

void TQuillmarchGameScreenMainBonus::DetachOwner() {
    catalogue_ = nullptr;
    levelButtons_ = nullptr;
    TGameScreen::DetachOwner();
}

void TQuillmarchGameScreenMainBonus::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    RefreshLevelButtons();
}

void TQuillmarchGameScreenMainBonus::RefreshLevelButtons() {
    IGameScreenOwner* owner = GetOwner();
    const Ref<IUserProfileCollection> profiles = owner ? owner->GetUserProfiles() : nullptr;
    const Ref<IUserProfile> profile = profiles ? profiles->GetCurrent() : nullptr;
    const Ref<IParamCollection> values = profile ? profile->GetParams() : nullptr;
    const Ref<IWidget> buttons = levelButtons_.Lock();
    const Ref<IWidgetCollection> children = buttons ? buttons->GetChildren() : nullptr;
    if (!children) return;
    for (int32_t i = 0; i < children->GetCount(); ++i) {
        const Ref<IWidget> level = children->GetWidgetByIndex(i);
        if (!level) continue;
        const std::string state =
            values ? TextOrEmpty(values->GetValue("location_state_" + level->GetName(), Variant(""))) : "";
        const bool enabled = state == "completed";
        level->SetProperty("level_disabled", Variant(enabled ? 0 : -1));
        level->SetProperty("level_enabled", Variant(enabled ? -1 : 0));
        ShowLevelRecords(level);
    }
}

void TQuillmarchGameScreenMainBonus::ShowLevelRecords(const Ref<IWidget>& level) {
    IGameScreenOwner* owner = GetOwner();
    const Ref<IHighScores> scores = owner ? owner->GetHighScores() : nullptr;
    const Ref<IWidget> grid = level->FindWidget("enabled_image/highscores_grid");
    if (!scores || !grid) return;
    const Ref<IRecordTableCollection> tables = scores->GetTables();
    const Ref<IRecordTable> table = tables ? tables->GetItem(Variant(level->GetName())) : nullptr;
    grid->SetProperty("recordtable", table ? Variant(Ref<IInterface>(table)) : Variant());
}

void TQuillmarchGameScreenMainBonus::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                                 const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (!sender || sender->GetName() != "button") return;
    // The button lies in a frame directly inside its level widget.
    IWidget* frame = dynamic_cast<IWidget*>(sender->GetOwner());
    if (!frame) return;
    const auto* level = dynamic_cast<INamedObject*>(frame->GetOwner());
    if (!level) return;
    const Ref<IInterface> self(static_cast<IGameScreenSlave*>(this));
    StartBonusLevel(const_cast<INamedObject*>(level)->GetName());
}

void TQuillmarchGameScreenMainBonus::StartBonusLevel(const std::string& levelName) {
    if (levelName.empty()) return;
    const Ref<IWidget> buttons = levelButtons_.Lock();
    const Ref<IWidget> level = buttons ? buttons->FindWidget(levelName) : nullptr;
    if (!level) return;
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("bg_image", level->GetProperty("bg_image"));
    params->SetValue("LevelName", Variant(levelName));
    params->SetValue("rounds", level->GetProperty("rounds"));
    params->SetValue("hints", level->GetProperty("hints"));
    params->SetValue("error_pos", level->GetProperty("errors"));
    params->SetValue("total_leveltime", level->GetProperty("total_leveltime"));
    ShowGameScreen("GS_GameBonus", params);
}

void TQuillmarchGameScreenMainBonus::ChildScreenClosed(const std::string& screenName,
                                                       const Ref<IParamCollection>& results) {
    TGameScreen::ChildScreenClosed(screenName, results);
    if (screenName == "GS_GameBonus") EnterHighScore(results);
}

void TQuillmarchGameScreenMainBonus::EnterHighScore(const Ref<IParamCollection>& results) {
    IGameScreenOwner* owner = GetOwner();
    const Ref<IHighScores> scores = owner ? owner->GetHighScores() : nullptr;
    if (!scores) return;
    scores->ResetLastAdded();
    const int32_t score = WholeOr(ParamOf(results, "level_total_points"), 0);
    const std::string table = TextOrEmpty(ParamOf(results, "LevelName"));
    if (!scores->IsHighScore(score, table)) return;
    const Ref<IUserProfileCollection> profiles = owner->GetUserProfiles();
    const Ref<IUserProfile> profile = profiles ? profiles->GetCurrent() : nullptr;
    const Ref<IParamCollection> row = NewParams();
    row->SetValue("Player", Variant(profile ? profile->GetName() : std::string()));
    row->SetValue("Score", Variant(score));
    scores->AddScore(row, table);
    if (const Ref<IEngine> engine = GetEngine()) scores->Save(engine);
}

void RegisterBonusScreenClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenGameBonus>(), "QuillmarchGameScreenGameBonus");
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenMainBonus>(), "QuillmarchGameScreenMainBonus");
}
