#include "world/LocationScene.h"

#include "core/base/Log.h"
#include "engine/EngineStartup.h"  // FormatThousands
#include "nonogram/GameServices.h"
#include "nonogram/LevelDefs.h"
#include "widgets/GroupStorage.h"
#include "world/MapObjects.h"

using namespace mapdetail;

namespace {

constexpr const char* kMedals[] = {"award_speed", "award_hint", "award_error"};
constexpr const char* kPointKeys[] = {"level_points", "level_time_bonus", "level_hint_bonus",
                                      "level_mistake_bonus"};

Ref<IQuillmarchLevelDefRefCollection> Catalogue(IWidgetOwner* owner) {
    const Ref<IGameScreenOwner> game = GameOwnerOf(owner);
    if (!game) return nullptr;
    try {
        return Query<IQuillmarchLevelDefRefCollection>(game->GetOption("level_def_refs").ToInterface());
    } catch (const EVariantError&) {
        return nullptr;  // an option that holds no catalogue
    }
}

Ref<IGroupsStorage> MagicItemStore(IWidgetOwner* owner) {
    const Ref<IGameScreenOwner> game = GameOwnerOf(owner);
    if (!game) return nullptr;
    try {
        return Query<IGroupsStorage>(game->GetOption("magic_items").ToInterface());
    } catch (const EVariantError&) {
        return nullptr;
    }
}

// The medals panel's reveal starts from its beginning.
void Replay(const Ref<IWidget>& widget) {
    widget->SetProperty("currenttime", Variant(-1000));
}

void ShowPart(const Ref<IWidget>& panel, const char* path, bool visible) {
    if (const Ref<IWidget> part = panel->FindWidget(path)) part->SetVisible(visible);
}

}  // namespace

std::string TQuillmarchControlScene::Location() const {
    const Ref<IWidget> part = mapPart_.Lock();
    return part ? part->GetName() : std::string();
}

void TQuillmarchControlScene::Detach() {
    mapPart_ = nullptr;
    highlighted_ = nullptr;
    TControlGameWidget::Detach();
}

Ref<IWidget> TQuillmarchControlScene::OwnerWidget(const std::string& path) {
    IWidgetOwner* owner = GetOwner();
    return owner ? owner->FindWidget(path) : nullptr;
}

Ref<IWidgetCollection> TQuillmarchControlScene::Buttons() {
    const Ref<IWidget> part = mapPart_.Lock();
    const Ref<IWidget> levels = part ? part->FindWidget("map_levels") : nullptr;
    return levels ? levels->GetChildren() : nullptr;
}

void TQuillmarchControlScene::Post(int32_t code, const Ref<IParamCollection>& params) {
    if (const Ref<IEventHandler> handler = OwnerEventHandler())
        handler->HandleEvent(Ref<IWidget>(this), code, params);
}

void TQuillmarchControlScene::SaveProfiles() {
    const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner());
    const Ref<IUserProfileCollection> profiles = game ? game->GetUserProfiles() : nullptr;
    if (profiles) profiles->Save(game->GetEngine());
}

// --- Commands

void TQuillmarchControlScene::ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) {
    TControlGameWidget::ExecuteCommand(command, params);
    const Ref<IWidget> self(this);
    switch (command) {
        case kCommandSceneShow:
            Show(params);
            break;
        case kCommandSceneNotify:
            Post(kEventSceneCommand3, nullptr);
            break;
        case kCommandSceneLevelResult:
            TakeResult(params);
            ShowInfo(false, nullptr);
            break;
        case kCommandSceneRefreshMagic:
            RefreshMagicCounter();
            break;
        case kCommandSceneScenarioFinished:
            ScenarioFinished(params);
            break;
        case kCommandSceneStartCurrent: {
            const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner());
            const std::string cur = ProfileText(profile, "current_level_" + Location(), "1");
            const Ref<IWidget> part = mapPart_.Lock();
            const Ref<IWidget> button = part ? part->FindWidget("map_levels/" + cur) : nullptr;
            if (button) StartLevel(TextOrEmpty(button->GetProperty("level_ref")), false);
            break;
        }
        default:
            break;
    }
}

void TQuillmarchControlScene::Show(const Ref<IParamCollection>& params) {
    if (const Ref<IWidget> group = GetScenarioGroup()) {
        if (const Ref<IWidgetCollection> children = group->GetChildren()) children->Clear();
    }
    const std::string location =
        params ? TextOrEmpty(params->GetValue("active_map_part", Variant(""))) : std::string();
    mapPart_ = Weak<IWidget>(FindWidget("map_parts/" + location));
    highlighted_ = nullptr;
    RefreshMagicCounter();

    const Ref<IWidget> part = mapPart_.Lock();
    const Ref<IWidget> parts = FindWidget("map_parts");
    if (const Ref<IWidgetCollection> children = parts ? parts->GetChildren() : nullptr) {
        for (int32_t i = 0; i < children->GetCount(); ++i) {
            if (const Ref<IWidget> child = children->GetWidgetByIndex(i))
                child->SetVisible(child.get() == part.get());
        }
    }
    if (part) {
        if (const Ref<IWidget> title = FindWidget("../title"))
            title->SetProperty("text", Variant("%" + part->GetName() + "%"));
    }
    UpdateLevelButtons();
    ShowInfo(false, nullptr);
    if (params && TextOrEmpty(params->GetValue("show_scroll", Variant("no"))) == "yes")
        CreateScenario("scenario_scroll", nullptr, false);
    if (const Ref<IWidget> show = OwnerWidget("scene_show")) {
        if (const Ref<IWindow> window = OwnerWindow()) window->PlaySound("sound_show_panel");
        show->Restart();
    }
}

bool TQuillmarchControlScene::UpdateLevelButtons() {
    const Ref<IWidgetCollection> buttons = Buttons();
    if (!mapPart_.Lock()) return false;
    const std::string location = Location();
    const int64_t cur =
        Whole(Variant(ProfileText(CurrentProfileParams(GetOwner()), "current_level_" + location, "1")), 1);
    if (buttons) {
        for (int32_t i = 0; i < buttons->GetCount(); ++i) {
            const Ref<IWidget> button = buttons->GetWidgetByIndex(i);
            if (!button) continue;
            const int64_t n = Whole(Variant(button->GetName()), 0);
            button->SetProperty("state",
                                Variant(n > cur ? "locked" : n < cur ? "completed" : "current"));
            button->SetProperty("highlight", Variant("no"));
            button->Restart();
        }
    }
    const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner());
    const int64_t count = game ? Whole(game->GetOption("lvlcnt_" + location), 0) : 0;
    return cur > count;
}

// --- Pointer

Ref<IWidget> TQuillmarchControlScene::ButtonAt(int32_t x, int32_t y) {
    const Ref<IWidget> part = mapPart_.Lock();
    const Ref<IWidget> levels = part ? part->FindWidget("map_levels") : nullptr;
    const Ref<IWidgetCollection> buttons = levels ? levels->GetChildren() : nullptr;
    if (!buttons) return nullptr;
    // The buttons test points in their group's content.
    TPoint point{x, y};
    if (const Ref<IWidgetOwner> content = Query<IWidgetOwner>(levels))
        point = content->ScreenToClient(x, y);
    for (int32_t i = 0; i < buttons->GetCount(); ++i) {
        const Ref<IWidget> button = buttons->GetWidgetByIndex(i);
        if (button && button->ContainsPoint(point.x, point.y, false)) return button;
    }
    return nullptr;
}

void TQuillmarchControlScene::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TControlGameWidget::DoUpdate(elapsedMs);
    TrackPointer();
}

void TQuillmarchControlScene::TrackPointer() {
    IWidgetOwner* owner = GetOwner();
    const Ref<IEngine> engine = owner ? owner->GetEngine() : nullptr;
    Ref<IWidget> found;
    if (engine) {
        const TPoint point = engine->GetMousePos();
        found = ButtonAt(point.x, point.y);
    }
    const Ref<IWidget> highlighted = highlighted_.Lock();
    if (found.get() == highlighted.get()) return;
    if (highlighted) {
        highlighted->SetProperty("highlight", Variant("no"));
        ShowInfo(false, highlighted);
    }
    highlighted_ = Weak<IWidget>(found);
    if (found) {
        found->SetProperty("highlight", Variant("yes"));
        ShowInfo(true, found);
    }
}

bool TQuillmarchControlScene::MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) {
    const Ref<IWidget> self(this);
    const bool handled = TControlGameWidget::MouseDown(x, y, shift, button);
    const Ref<IWidget> pressed = ButtonAt(x, y);
    if (!pressed) return handled;
    const std::string state = TextOrEmpty(pressed->GetProperty("state"));
    if (state != "completed" && state != "current") return handled;
    if (const Ref<IWindow> window = OwnerWindow()) window->PlaySound("sound_buttonclick");
    StartLevel(TextOrEmpty(pressed->GetProperty("level_ref")), state == "completed");
    return handled;
}

// --- Levels

void TQuillmarchControlScene::StartLevel(const std::string& levelRef, bool replay) {
    const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner());
    if (!profile) return;
    const Ref<IParamCollection> params = NewParams();
    replay_ = replay;
    params->SetValue("replay", Variant(replay ? "yes" : "no"));
    params->SetValue("level_ref", Variant(levelRef));
    params->SetValue("active_map_part", Variant(Location()));
    if (ProfileText(profile, "tutorial_passed", "no") == "no") {
        const Ref<IQuillmarchLevelDefRefCollection> catalogue = Catalogue(GetOwner());
        const Ref<IQuillmarchLevelDefRef> entry =
            catalogue ? catalogue->GetItem(Variant(levelRef)) : nullptr;
        const std::string tutorial =
            entry ? TextOrEmpty(entry->GetPropertyDef("show_tutorial", Variant(""))) : std::string();
        if (!tutorial.empty()) {
            params->SetValue("show_tutorial", Variant(tutorial));
            profile->SetValue("tutorial_passed", Variant("yes"));
            SaveProfiles();
        }
    }
    Post(kEventSceneStartLevel, params);
}

void TQuillmarchControlScene::TakeResult(const Ref<IParamCollection>& result) {
    const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner());
    const bool won =
        result && TextOrEmpty(result->GetValue("level_completed", Variant("no"))) == "yes";
    const std::string ref = result ? TextOrEmpty(result->GetValue("level_ref", Variant(""))) : "";
    if (won && profile && ref.empty()) {
        Log("WORLD", "scene " + Location() + ": a won level without \"level_ref\" is ignored");
    } else if (won && profile) {
        const std::string location = Location();
        const Ref<IParamCollection> event = NewParams();
        const int64_t cur = Whole(Variant(ProfileText(profile, "current_level_" + location, "1")), 1);
        for (const char* medal : kMedals) {
            if (ProfileText(profile, medal + ref, "no") == "no")
                profile->SetValue(medal + ref, Variant(TextOrEmpty(result->GetValue(medal, Variant("no")))));
        }
        const int64_t magic = Whole(profile->GetValue("magic_points", Variant(0)), 0);
        const int64_t old = Whole(profile->GetValue("points_" + ref, Variant(0)), 0);
        const int64_t now = Whole(result->GetValue("level_total_points", Variant(0)), 0);
        const std::string layer = ProfileText(profile, "location_layer_" + location, "layer_1");
        const bool last = layer == "layer_3";
        if (!replay_) {
            profile->SetValue("current_level_" + location, Variant(cur + 1));
            profile->SetValue("magic_points", Variant(magic + now));
            profile->SetValue("points_" + ref, Variant(now));
            const bool done = UpdateLevelButtons();
            if (done && last) {
                event->SetValue("location_name", Variant(location));
                event->SetValue("location_expert", Variant(ExpertCheck() ? "yes" : "no"));
                event->SetValue("location_completed", Variant("yes"));
                MarkLocationCompleted(profile, location);
                Post(kEventLocationCompleted, event);
            } else if (done) {
                ExpertCheck();
                Post(kEventLevelsDone, nullptr);
            } else if (CanBuyMagicItem(layer)) {
                event->SetValue("start_level_after_quit", Variant("yes"));
                Post(kEventGoToShop, event);
            } else {
                const Ref<IWidget> part = mapPart_.Lock();
                const Ref<IWidget> next =
                    part ? part->FindWidget("map_levels/" + std::to_string(cur + 1)) : nullptr;
                if (next) StartLevel(TextOrEmpty(next->GetProperty("level_ref")), false);
                else Log("WORLD", "scene " + location + ": no button for level " + std::to_string(cur + 1));
            }
        } else {
            if (now > old) {
                profile->SetValue("magic_points", Variant(magic + (now - old)));
                profile->SetValue("points_" + ref, Variant(now));
            }
            const bool done = UpdateLevelButtons();
            if (done && last && ExpertCheck()) {
                event->SetValue("location_name", Variant(location));
                event->SetValue("location_expert", Variant("yes"));
                event->SetValue("location_completed", Variant("no"));
                Post(kEventLocationCompleted, event);
            } else if (done && !last && CanBuyMagicItem(layer)) {
                Post(kEventLevelsDone, nullptr);
            } else {
                event->SetValue("old_points", Variant(old));
                event->SetValue("new_points", Variant(now));
                event->SetValue("add_points", Variant(now > old ? now - old : 0));
                Post(kEventReplayPoints, event);
            }
        }
    }
    RefreshMagicCounter();
    SaveProfiles();
}

bool TQuillmarchControlScene::ExpertCheck() {
    const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner());
    const std::string key = "expert_location_" + Location();
    if (!profile || ProfileText(profile, key, "no") == "yes") return false;
    if (const Ref<IWidgetCollection> buttons = Buttons()) {
        for (int32_t i = 0; i < buttons->GetCount(); ++i) {
            const Ref<IWidget> button = buttons->GetWidgetByIndex(i);
            if (!button || !IsYes(button->GetProperty("expert_level"))) return false;
        }
    }
    profile->SetValue(key, Variant("yes"));
    return true;
}

bool TQuillmarchControlScene::CanBuyMagicItem(const std::string& layer) {
    const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner());
    const int64_t magic = Whole(profile ? profile->GetValue("magic_points", Variant(0)) : Variant(0), 0);
    const std::string location = Location();
    const std::string bought = ProfileText(profile, "items_" + location + layer, "");
    const Ref<IGroupsStorage> store = MagicItemStore(GetOwner());
    const Ref<IItemTypeCollection> items = store ? store->GetItemType(location, layer) : nullptr;
    if (!items) return false;
    for (int32_t i = 0; i < items->GetCount(); ++i) {
        const Ref<IItemCollection> item = items->GetItem(Variant(i));
        if (!item || ListHolds(bought, item->GetName())) continue;
        if (Whole(item->GetValue("cost", Variant(0)), 0) <= magic) return true;
    }
    return false;
}

void TQuillmarchControlScene::ScenarioFinished(const Ref<IParamCollection>& params) {
    const std::string name =
        params ? TextOrEmpty(params->GetValue("scenario_to_finalize", Variant(""))) : std::string();
    const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner());
    if (name == "scene_hide") {
        Post(kEventGoToShop, NewParams());
    } else if (name == "scene_all_elements_hide") {
        Post(kEventSceneHidden, NewParams());
    } else if (name == "scene_show") {
        if (profile && ProfileText(profile, "show_scene_hint", "no") == "no") {
            profile->SetValue("show_scene_hint", Variant("yes"));
            Post(kEventSceneHint, NewParams());
        }
    } else if (name == "scenario_scroll") {
        const std::string location = Location();
        const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner());
        const int64_t cur =
            Whole(Variant(ProfileText(profile, "current_level_" + location, "0")), 0);
        const int64_t count = game ? Whole(game->GetOption("lvlcnt_" + location), 0) : 0;
        if (cur > count && ProfileText(profile, "location_state_" + location, "") != "completed")
            Post(kEventLevelsDone, NewParams());
    }
}

// --- Panel and counter

void TQuillmarchControlScene::ShowInfo(bool show, const Ref<IWidget>& button) {
    const Ref<IWidget> info = OwnerWidget("info");
    if (!info) return;
    const std::string state = button ? TextOrEmpty(button->GetProperty("state")) : std::string();
    const Ref<IWidget> medals = info->FindWidget("medals");
    const Ref<IWidget> question = info->FindWidget("question");
    const Ref<IWidget> play = info->FindWidget("play");
    if (show && state == "completed") {
        const std::string ref = TextOrEmpty(button->GetProperty("level_ref"));
        const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner());
        if (medals) {
            for (const char* medal : kMedals) {
                const bool won = ProfileText(profile, medal + ref, "no") == "yes";
                ShowPart(medals, medal, won);
                ShowPart(medals, (std::string(medal) + "_no").c_str(),
                         ProfileText(profile, medal + ref, "no") == "no");
            }
            if (const Ref<IWidget> earned = medals->FindWidget("earned"))
                earned->SetProperty("text", Variant(FormatThousands(Whole(
                    Variant(ProfileText(profile, "points_" + ref, "0")), 0))));
            if (const Ref<IWidget> total = medals->FindWidget("total"))
                total->SetProperty("text", Variant(FormatThousands(LevelMaxPoints(ref))));
            medals->SetVisible(true);
            Replay(medals);
            medals->Invalidate();
            medals->Update(0);
        }
        if (question) question->SetVisible(false);
        if (play) play->SetVisible(false);
    } else if (show && state == "current") {
        if (medals) medals->SetVisible(false);
        if (question) question->SetVisible(false);
        if (play) {
            play->SetVisible(true);
            Replay(play);
        }
    } else {
        if (medals) medals->SetVisible(false);
        if (question) {
            question->SetVisible(true);
            Replay(question);
        }
        if (play) play->SetVisible(false);
    }
}

int64_t TQuillmarchControlScene::LevelMaxPoints(const std::string& levelRef) {
    const Ref<IQuillmarchLevelDefRefCollection> catalogue = Catalogue(GetOwner());
    const Ref<IQuillmarchLevelDefRef> entry =
        catalogue ? catalogue->GetItem(Variant(levelRef)) : nullptr;
    if (!entry) return 0;
    int64_t total = 0;
    for (const char* key : kPointKeys) total += Whole(entry->GetPropertyDef(key, Variant(0)), 0);
    return total;
}

void TQuillmarchControlScene::RefreshMagicCounter() {
    const Ref<IWidget> counter = OwnerWidget("mana_counter");
    const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner());
    if (counter && profile)
        counter->SetProperty("text",
                             Variant(FormatThousands(Whole(Variant(ProfileText(profile, "magic_points", "0")), 0))));
}

void MarkLocationCompleted(const Ref<IParamCollection>& profile, const std::string& location) {
    if (!profile) return;
    profile->SetValue("location_state_" + location, Variant("completed"));
    profile->SetValue("new_bonus_levels_enabled", Variant("yes"));
}

void RegisterLocationSceneClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchControlScene>(), "QuillmarchControlScene");
}
