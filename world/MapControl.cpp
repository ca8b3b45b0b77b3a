#include "world/MapControl.h"

#include <algorithm>

#include "core/lang/MultiLanguages.h"
#include "nonogram/GameServices.h"
#include "widgets/GroupStorage.h"
#include "world/MapObjects.h"
#include "world/MapScenarios.h"

using namespace mapdetail;

namespace {

constexpr const char* kLayers[] = {"layer_1", "layer_2"};

bool IsLocked(const Ref<IWidget>& location) {
    return TextOrEmpty(location->GetProperty("location_state")) == "locked";
}

int32_t ClampCount(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

void TQuillmarchControlMap::Detach() {
    hovered_ = nullptr;
    TControlGameWidget::Detach();
}

Ref<IParamCollection> TQuillmarchControlMap::ProfileParams() {
    return CurrentProfileParams(GetOwner());
}

Ref<IWidget> TQuillmarchControlMap::OwnerWidget(const std::string& path) {
    IWidgetOwner* owner = GetOwner();
    return owner ? owner->FindWidget(path) : nullptr;
}

// --- Commands

void TQuillmarchControlMap::ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) {
    TControlGameWidget::ExecuteCommand(command, params);
    const Ref<IWidget> self(this);
    switch (command) {
        case kCommandMapRecompute: {
            UpdateLocationStates();
            if (params && TextOrEmpty(params->GetValue("show_scroll", Variant("no"))) == "yes") {
                CreateScenario("scenario_scroll_up", nullptr, false);
            }
            if (const Ref<IParamCollection> profile = ProfileParams()) {
                profile->SetValue("enter_to_map", Variant("no"));
            }
            break;
        }
        case kCommandMapMosaicResult:
            MosaicResult(params);
            break;
        case kCommandMapScenarioFinished:
            ScenarioFinished(params);
            break;
        default:
            break;
    }
}

void TQuillmarchControlMap::MosaicResult(const Ref<IParamCollection>& params) {
    const Ref<IParamCollection> profile = ProfileParams();
    if (profile && params && TextOrEmpty(params->GetValue("level_completed", Variant("no"))) == "yes") {
        profile->SetValue(
            "big_mosaic_completed_" + TextOrEmpty(params->GetValue("active_map_part", Variant(""))),
            Variant("yes"));
    }
    const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner());
    const Ref<IUserProfileCollection> profiles = game ? game->GetUserProfiles() : nullptr;
    if (profiles) profiles->Save(game->GetEngine());
}

void TQuillmarchControlMap::ScenarioFinished(const Ref<IParamCollection>& params) {
    if (!params) return;
    const std::string name = TextOrEmpty(params->GetValue("scenario_to_finalize", Variant("")));
    if (name.find("scenario_complete_") == std::string::npos || !AllLocationsCompleted()) return;
    if (const Ref<IEventHandler> handler = OwnerEventHandler()) {
        handler->HandleEvent(Ref<IWidget>(this), kEventAllLocationsCompleted, nullptr);
    }
}

// --- Progression

void TQuillmarchControlMap::UpdateLocationStates() {
    const Ref<IWidget> group = FindWidget("../map_locations");
    const Ref<IParamCollection> profile = ProfileParams();
    if (const Ref<IWidget> scenarios = GetScenarioGroup()) {
        if (const Ref<IWidgetCollection> children = scenarios->GetChildren()) children->Clear();
    }
    const Ref<IWidgetCollection> locations = group ? group->GetChildren() : nullptr;
    if (!locations || !profile) return;
    for (int32_t i = 0; i < locations->GetCount(); ++i) {
        const Ref<IWidget> location = locations->GetWidgetByIndex(i);
        if (!location) continue;
        const std::string name = location->GetName();
        if (ProfileText(profile, "location_state_" + name, "locked") == "completed") {
            location->SetProperty("location_state", Variant("completed"));
            continue;
        }
        std::string state = "available";
        for (const std::string& required : SplitList(TextOrEmpty(location->GetProperty("required")))) {
            if (ProfileText(profile, "location_state_" + required, "locked") != "completed") {
                state = "locked";
                break;
            }
        }
        location->SetProperty("location_state", Variant(state));
        if (state == "available") {
            // The bar scales by its maximum, so that comes first.
            location->SetProperty("max_location_progress", Variant(MaxLocationProgress(name)));
            location->SetProperty("current_location_progress",
                                  Variant(CurrentLocationProgress(name)));
        }
    }
}

namespace {

Ref<IGroupsStorage> MagicItems(IWidgetOwner* owner) {
    const Ref<IGameScreenOwner> game = GameOwnerOf(owner);
    if (!game) return nullptr;
    try {
        return Query<IGroupsStorage>(game->GetOption("magic_items").ToInterface());
    } catch (const EVariantError&) {
        return nullptr;  // an option that holds no store
    }
}

}  // namespace

int32_t TQuillmarchControlMap::MaxLocationProgress(const std::string& location) {
    const Ref<IGroupsStorage> store = MagicItems(GetOwner());
    if (!store) return 0;
    const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner());
    int64_t total = Whole(game->GetOption("lvlcnt_" + location), 0);
    for (const char* layer : kLayers) {
        if (const Ref<IItemTypeCollection> items = store->GetItemType(location, layer))
            total += items->GetCount();
    }
    return ClampCount(total);
}

int32_t TQuillmarchControlMap::CurrentLocationProgress(const std::string& location) {
    const Ref<IParamCollection> profile = ProfileParams();
    int64_t total = Whole(Variant(ProfileText(profile, "current_level_" + location, "1")), 1) - 1;
    const Ref<IGroupsStorage> store = MagicItems(GetOwner());
    if (!store) return ClampCount(total);
    for (const char* layer : kLayers) {
        const Ref<IItemTypeCollection> items = store->GetItemType(location, layer);
        if (!items) continue;
        const std::string bought = ProfileText(profile, "items_" + location + layer, "");
        for (int32_t i = 0; i < items->GetCount(); ++i) {
            const Ref<IItemCollection> item = items->GetItem(Variant(i));
            if (item && ListHolds(bought, item->GetName())) ++total;
        }
    }
    return ClampCount(total);
}

bool TQuillmarchControlMap::AllLocationsCompleted() {
    const Ref<IWidget> group = OwnerWidget("map_locations");
    const Ref<IWidgetCollection> locations = group ? group->GetChildren() : nullptr;
    if (!locations) return true;
    const Ref<IParamCollection> profile = ProfileParams();
    for (int32_t i = 0; i < locations->GetCount(); ++i) {
        const Ref<IWidget> location = locations->GetWidgetByIndex(i);
        if (location &&
            ProfileText(profile, "location_state_" + location->GetName(), "") != "completed")
            return false;
    }
    return true;
}

// --- Pointer

Ref<IWidget> TQuillmarchControlMap::LocationUnderPointer() {
    IWidgetOwner* owner = GetOwner();
    const Ref<IEngine> engine = owner ? owner->GetEngine() : nullptr;
    const Ref<IWidget> group = FindWidget("../map_locations");
    const Ref<IWidgetCollection> locations = group ? group->GetChildren() : nullptr;
    if (!engine || !locations) return nullptr;
    // The locations test points in their group's content.
    TPoint point = engine->GetMousePos();
    if (const Ref<IWidgetOwner> content = Query<IWidgetOwner>(group))
        point = content->ScreenToClient(point.x, point.y);
    for (int32_t i = 0; i < locations->GetCount(); ++i) {
        const Ref<IWidget> location = locations->GetWidgetByIndex(i);
        if (location && location->ContainsPoint(point.x, point.y, false)) return location;
    }
    return nullptr;
}

void TQuillmarchControlMap::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TControlGameWidget::DoUpdate(elapsedMs);
    TrackPointer();
}

void TQuillmarchControlMap::TrackPointer() {
    const Ref<IWidget> hovered = hovered_.Lock();
    const Ref<IWidget> found = LocationUnderPointer();
    if (found.get() == hovered.get()) return;
    if (hovered && !IsLocked(hovered)) hovered->SetProperty("highlight", Variant(false));
    if (found && !IsLocked(found)) found->SetProperty("highlight", Variant(true));
    hovered_ = Weak<IWidget>(found);
    ShowLocationPanel(found);
}

void TQuillmarchControlMap::ShowLocationPanel(const Ref<IWidget>& location) {
    const Ref<IWidget> panel = OwnerWidget("map_panel");
    if (!panel) return;
    const auto show = [&panel](const char* name, bool visible) {
        if (const Ref<IWidget> part = panel->FindWidget(name)) part->SetVisible(visible);
    };
    if (!location) {
        show("available_scene", false);
        show("locked_scene", false);
        show("out_scene", true);
        return;
    }
    if (!IsLocked(location)) {
        show("out_scene", false);
        show("locked_scene", false);
        show("available_scene", true);
        return;
    }
    show("available_scene", false);
    show("out_scene", false);
    const Ref<IWidget> locked = panel->FindWidget("locked_scene");
    if (!locked) return;
    const std::vector<std::string> required = SplitList(TextOrEmpty(location->GetProperty("required")));
    if (required.size() == 1 || required.size() == 2) {
        // The names are language keys; a variable's value is not translated
        // again, so they are translated here.
        SetTextVariable("location_name_1", Translate("%" + required[0] + "%"));
        SetTextVariable("delimeter", required.size() == 2 ? "," : "");
        SetTextVariable("location_name_2",
                        required.size() == 2 ? Translate("%" + required[1] + "%") : "");
        if (const Ref<IWidget> text = locked->FindWidget("text"))
            text->SetProperty("text_utf8", Variant(Translate("%title_SceneLocked%")));
    }
    locked->SetVisible(true);
}

// --- Clicks

bool TQuillmarchControlMap::MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) {
    const Ref<IWidget> self(this);
    const bool handled = TControlGameWidget::MouseDown(x, y, shift, button);
    const Ref<IWidget> location = LocationUnderPointer();
    if (!location) return handled;
    if (!IsLocked(location)) {
        if (const Ref<IWindow> window = OwnerWindow()) window->PlaySound("sound_buttonclick");
        EnterLocation(location);
        return handled;
    }
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("location_name", Variant(location->GetName()));
    params->SetValue("required", location->GetProperty("required"));
    if (const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner()))
        game->ShowGameScreen("GS_LocationLocked", params);
    return handled;
}

void TQuillmarchControlMap::EnterLocation(const Ref<IWidget>& location) {
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("active_map_part", Variant(location->GetName()));
    if (const Ref<IEventHandler> handler = OwnerEventHandler())
        handler->HandleEvent(Ref<IWidget>(this), kEventEnterLocation, params);
}

void RegisterMapControlClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchControlMap>(), "QuillmarchControlMap");
}
