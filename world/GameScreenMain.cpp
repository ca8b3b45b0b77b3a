#include "world/GameScreenMain.h"

#include <exception>

#include "core/base/Log.h"
#include "core/lang/MultiLanguages.h"
#include "engine/surface/EngineSurface.h"
#include "world/Medallion.h"

namespace {

// The snapshot handed to the next screen for its scroll-in.
constexpr int32_t kSnapshotWidth = 1024;
constexpr int32_t kSnapshotHeight = 768;

std::string ProfileText(const Ref<IUserProfile>& profile, const std::string& key,
                        const char* fallback) {
    const Variant value = profile->GetParams()->GetValue(key, Variant(std::string(fallback)));
    return value.IsUnassigned() || value.IsNull() ? std::string() : value.ToString();
}

Ref<IParamCollection> NewParams() {
    return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

}  // namespace

void TQuillmarchGameScreenMain::Create() {
    TGameScreen::Create();
    levels_ = Query<IQuillmarchLevelDefRefCollection>(
        CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>()));
}

void TQuillmarchGameScreenMain::LoadFrom(const Ref<IHierStorage>& storage) {
    TGameScreen::LoadFrom(storage);
    if (storage) LoadChildObject(Ref<IInterface>(levels_), storage, "levels", 0);
}

void TQuillmarchGameScreenMain::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    if (owner) owner->SetOptionValue("level_def_refs", Variant(levels_));
    const Ref<IWidget> medallion = FindWidget("medallion");
    const Ref<IWidget> group = FindWidget("scenario_group");
    if (!medallion) Log("WORLD", "main menu " + GetName() + ": no \"medallion\"");
    if (!group) Log("WORLD", "main menu " + GetName() + ": no \"scenario_group\"");
    medallion_ = Weak<IWidget>(medallion);
    scenarioGroup_ = Weak<IWidget>(group);
}

void TQuillmarchGameScreenMain::DetachOwner() {
    medallion_ = nullptr;
    scenarioGroup_ = nullptr;
    TGameScreen::DetachOwner();
}

Ref<IUserProfile> TQuillmarchGameScreenMain::CurrentProfile() {
    IGameScreenOwner* owner = GetOwner();
    const Ref<IUserProfileCollection> profiles = owner ? owner->GetUserProfiles() : nullptr;
    return profiles ? profiles->GetCurrent() : nullptr;
}

void TQuillmarchGameScreenMain::SaveProfiles() {
    IGameScreenOwner* owner = GetOwner();
    if (const Ref<IUserProfileCollection> profiles = owner ? owner->GetUserProfiles() : nullptr) {
        profiles->Save(owner->GetEngine());
    }
}

void TQuillmarchGameScreenMain::UpdateWelcome() {
    IGameScreenOwner* owner = GetOwner();
    const Ref<IUserProfileCollection> profiles = owner ? owner->GetUserProfiles() : nullptr;
    if (!profiles) return;
    if (const Ref<IUserProfile> profile = profiles->GetCurrent()) {
        if (const Ref<IWidget> welcome = FindWidget("welcome_message")) {
            SetTextVariable("username", profile->GetName());
            // A player who has not begun the journey yet is new here, not back
            // (when the texts have a greeting for that).
            const bool isNew = ProfileText(profile, "show_history", "no") == "no" &&
                               LanguageStringExists("welcome_new");
            welcome->SetProperty("text_utf8",
                                 Variant(Translate(isNew ? "%welcome_new%" : "%welcome%")));
        }
        return;
    }
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("Necessary", Variant(true));
    ShowGameScreen("GS_NewUser", params);
}

void TQuillmarchGameScreenMain::ClearScenarioGroup() {
    const Ref<IWidget> group = scenarioGroup_.Lock();
    if (const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr) {
        children->Clear();
    }
}

void TQuillmarchGameScreenMain::RefreshMedallion() {
    if (const Ref<IWidget> medallion = medallion_.Lock()) {
        medallion->ExecuteCommand(kCommandShowMedallion, nullptr);
    }
}

Ref<ISurface> TQuillmarchGameScreenMain::Snapshot() {
    const Ref<IEngine> engine = GetEngine();
    const Ref<ISurface> surface = engine ? engine->CreateSurface() : nullptr;
    if (!surface) return nullptr;
    surface->SetSize(kSnapshotWidth, kSnapshotHeight);
    Render(*surface);
    return surface;
}

void TQuillmarchGameScreenMain::Show(const Ref<IParamCollection>& params) {
    const Ref<TQuillmarchGameScreenMain> self(this);
    TGameScreen::Show(params);
    UpdateWelcome();
    RefreshMedallion();
    ClearScenarioGroup();
}

void TQuillmarchGameScreenMain::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                            const Ref<IParamCollection>& params) {
    const Ref<TQuillmarchGameScreenMain> self(this);
    TGameScreen::HandleEvent(sender, code, params);
    if (!sender) return;
    const std::string name = sender->GetName();
    if (name == "button_start" && code == 1) {
        const Ref<IParamCollection> next = NewParams();
        next->SetValue("surface", Variant(Snapshot()));
        next->SetValue("show_scroll", Variant("yes"));
        const Ref<IUserProfile> profile = CurrentProfile();
        if (profile && ProfileText(profile, "show_history", "no") == "no") {
            profile->GetParams()->SetValue("show_history", Variant("yes"));
            ShowGameScreen("GS_History", next);
        } else {
            ShowGameScreen("GS_Map", next);
        }
    }
    if (name == "button_exit" && code == 1) ShowGameScreen("GS_Quit", nullptr);
}

void TQuillmarchGameScreenMain::ChildScreenClosed(const std::string& screenName,
                                                  const Ref<IParamCollection>& results) {
    const Ref<TQuillmarchGameScreenMain> self(this);
    TGameScreen::ChildScreenClosed(screenName, results);
    IGameScreenOwner* owner = GetOwner();
    const Ref<IUserProfileCollection> profiles = owner ? owner->GetUserProfiles() : nullptr;
    if (screenName == "GS_NewUser" && profiles && results) {
        try {
            if (const Ref<IParam> userName = results->GetParam(Variant("user_name"))) {
                const std::string name = userName->GetValue().ToString();
                if (profiles->FindOrAdd(name)) {
                    profiles->SetCurrent(name);
                    // A profile that is not on the disk is not made: the game
                    // tells the player why, and the greeting below asks again.
                    if (!profiles->Save(owner->GetEngine())) profiles->Delete(Variant(name));
                }
            }
        } catch (const std::exception& e) {
            // The greeting below asks for a profile again.
            Log("WORLD", std::string("the new profile was not made: ") + e.what());
        }
    } else if (screenName == "GS_Game" && results) {
        ShowGameScreen("GS_HighScores", results);
    } else if (screenName == "GS_Map") {
        const Ref<IUserProfile> profile = CurrentProfile();
        if (profile && ProfileText(profile, "new_bonus_levels_enabled", "no") == "yes") {
            profile->GetParams()->SetValue("new_bonus_levels_enabled", Variant("no"));
            SaveProfiles();
            ShowGameScreen("GS_BonusEnabled", nullptr);
        }
        ClearScenarioGroup();
    } else if (screenName == "GS_History") {
        ShowGameScreen("GS_Map", nullptr);
        const Ref<IUserProfile> profile = CurrentProfile();
        if (profile && ProfileText(profile, "tutorial_passed", "no") == "no") {
            const Ref<IParamCollection> params = NewParams();
            params->SetValue("tutorial_part", Variant("part1"));
            ShowGameScreen("GS_Tutorial", params);
        }
    }
    UpdateWelcome();
    RefreshMedallion();
}

void RegisterMainScreenClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenMain>(), "QuillmarchGameScreenMain");
}
