#include "world/ShopControl.h"

#include "core/base/Log.h"
#include "engine/EngineStartup.h"  // FormatThousands
#include "nonogram/GameServices.h"
#include "nonogram/LevelDefs.h"
#include "widgets/GroupStorage.h"
#include "world/ItemReveal.h"
#include "world/LocationScene.h"
#include "world/MapObjects.h"

using namespace mapdetail;

namespace {

constexpr int32_t kLastLayer = 3;

Ref<IGroupsStorage> Catalogue(IWidgetOwner* owner) {
    const Ref<IGameScreenOwner> game = GameOwnerOf(owner);
    if (!game) return nullptr;
    try {
        return Query<IGroupsStorage>(game->GetOption("magic_items").ToInterface());
    } catch (const EVariantError&) {
        return nullptr;  // an option that holds no catalogue
    }
}

std::string State(const Ref<IWidget>& item) {
    return TextOrEmpty(item->GetProperty("state"));
}

// The item's price; -1 (not for sale) when it is no number of at least 0.
int64_t Cost(const Ref<IWidget>& item) {
    const int64_t cost = Whole(item->GetProperty("cost"), -1);
    return cost < 0 ? -1 : cost;
}

// A flag given as a Boolean, a number or the texts "yes" and "true".
bool IsTrue(const Variant& value) {
    if (value.IsUnassigned() || value.IsNull()) return false;
    if (value.Type() == varBoolean) return value.ToBool();
    if (value.IsNumeric()) return value.ToDouble() != 0.0;
    const std::string text = TextOrEmpty(value);
    return text == "yes" || text == "true";
}

// Calls visit for each child of a group; nothing for a null one.
template <class Visit>
void ForEachItem(const Ref<IWidget>& group, Visit visit) {
    const Ref<IWidgetCollection> items = group ? group->GetChildren() : nullptr;
    if (!items) return;
    for (int32_t i = 0; i < items->GetCount(); ++i) {
        if (const Ref<IWidget> item = items->GetWidgetByIndex(i)) visit(item);
    }
}

void CopyEntry(const Ref<IWidget>& item, const Ref<IItemCollection>& entry) {
    item->SetProperty("cost", Variant(Whole(entry->GetValue("cost", Variant(0)), 0)));
    item->SetProperty("title", entry->GetValue("title", Variant(0)));
    item->SetProperty("desc", entry->GetValue("desc", Variant(0)));
}

}  // namespace

int32_t ShopLayerNumber(const std::string& layer) {
    for (int32_t i = 0; i < kLastLayer; ++i) {
        if (layer == kShopLayers[i]) return i + 1;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// TQuillmarchControlSceneShop

void TQuillmarchControlSceneShop::Detach() {
    hovered_ = nullptr;
    TControlGameWidget::Detach();
}

Ref<IUserProfile> TQuillmarchControlSceneShop::Profile() {
    const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner());
    const Ref<IUserProfileCollection> profiles = game ? game->GetUserProfiles() : nullptr;
    return profiles ? profiles->GetCurrent() : nullptr;
}

Ref<IParamCollection> TQuillmarchControlSceneShop::ProfileParams() {
    return CurrentProfileParams(GetOwner());
}

void TQuillmarchControlSceneShop::Post(int32_t code, const Ref<IParamCollection>& params) {
    if (const Ref<IEventHandler> handler = OwnerEventHandler())
        handler->HandleEvent(Ref<IWidget>(this), code, params);
}

void TQuillmarchControlSceneShop::SaveProfiles() {
    const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner());
    const Ref<IUserProfileCollection> profiles = game ? game->GetUserProfiles() : nullptr;
    if (profiles) profiles->Save(game->GetEngine());
}

Ref<IWidget> TQuillmarchControlSceneShop::LayerItems(const std::string& layer) {
    // An empty location would make the path name the locations group's
    // own layers.
    if (location_.empty()) return nullptr;
    return FindWidget("../locations/" + location_ + "/" + layer + "/items");
}

void TQuillmarchControlSceneShop::SetMagicPoints(int64_t points) {
    magicPoints_ = points;
    if (const Ref<IWidget> counter = FindWidget("../mana_counter"))
        counter->SetProperty("text", Variant(FormatThousands(points)));
}

// --- Commands

void TQuillmarchControlSceneShop::ExecuteCommand(int32_t command,
                                                 const Ref<IParamCollection>& params) {
    TControlGameWidget::ExecuteCommand(command, params);
    const Ref<IWidget> self(this);
    switch (command) {
        case kCommandShopStart:
            Start(params);
            break;
        case kCommandRevealFinished:
            ScenarioFinished(params);
            break;
        case kCommandShopNextLayer:
            OpenNextLayer();
            break;
        default:
            break;
    }
}

void TQuillmarchControlSceneShop::Start(const Ref<IParamCollection>& params) {
    if (const Ref<IWidget> group = GetScenarioGroup()) {
        if (const Ref<IWidgetCollection> children = group->GetChildren()) children->Clear();
    }
    location_ = params ? TextOrEmpty(params->GetValue("active_map_part", Variant(""))) : "";
    const Ref<IParamCollection> profile = ProfileParams();
    layer_ = ProfileText(profile, "location_layer_" + location_, "layer_1");
    SetMagicPoints(Whole(profile ? profile->GetValue("magic_points", Variant(0)) : Variant(0), 0));
    RefreshItems();
}

void TQuillmarchControlSceneShop::RefreshItems() {
    const Ref<IGroupsStorage> catalogue = Catalogue(GetOwner());
    if (!catalogue) return;
    ForEachItem(LayerItems(layer_), [&](const Ref<IWidget>& item) {
        if (State(item) == "unlocked") return;
        const Ref<IItemCollection> entry = catalogue->GetItem(location_, layer_, item->GetName());
        if (entry) {
            CopyEntry(item, entry);
        } else {
            Log("WORLD", "shop " + location_ + ": no catalogue entry for \"" + layer_ + "/" +
                             item->GetName() + "\"; it is not for sale");
            item->SetProperty("cost", Variant(-1));
        }
        const int64_t cost = Cost(item);
        item->SetProperty("available", Variant(cost >= 0 && cost <= magicPoints_));
    });
    // Every layer below the current one is bought out.
    const int32_t current = ShopLayerNumber(layer_);
    for (int32_t below = 1; below < current; ++below) {
        const std::string layer = kShopLayers[below - 1];
        ForEachItem(LayerItems(layer), [&](const Ref<IWidget>& item) {
            item->SetProperty("state", Variant("unlocked"));
            if (const Ref<IItemCollection> entry =
                    catalogue->GetItem(location_, layer, item->GetName()))
                CopyEntry(item, entry);
            item->SetProperty("available", Variant(false));
        });
    }
}

// --- Pointer

Ref<IWidget> TQuillmarchControlSceneShop::ItemAt(int32_t x, int32_t y) {
    const auto find = [&](const std::string& layer, bool ignoreVisible) -> Ref<IWidget> {
        const Ref<IWidget> group = LayerItems(layer);
        if (!group) return nullptr;
        // The items test points in their group's content.
        TPoint point{x, y};
        if (const Ref<IWidgetOwner> content = Query<IWidgetOwner>(group))
            point = content->ScreenToClient(x, y);
        Ref<IWidget> found;
        ForEachItem(group, [&](const Ref<IWidget>& item) {
            if (!found && item->ContainsPoint(point.x, point.y, ignoreVisible)) found = item;
        });
        return found;
    };
    if (Ref<IWidget> item = find(layer_, false)) return item;
    // Layers below the current one count even where they are hidden; those
    // above it never do.
    const int32_t current = ShopLayerNumber(layer_);
    for (int32_t below = 1; below < current; ++below) {
        if (Ref<IWidget> item = find(kShopLayers[below - 1], true)) return item;
    }
    return nullptr;
}

void TQuillmarchControlSceneShop::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TControlGameWidget::DoUpdate(elapsedMs);
    TrackPointer();
}

void TQuillmarchControlSceneShop::TrackPointer() {
    IWidgetOwner* owner = GetOwner();
    const Ref<IEngine> engine = owner ? owner->GetEngine() : nullptr;
    Ref<IWidget> item;
    if (engine) {
        const TPoint point = engine->GetMousePos();
        item = ItemAt(point.x, point.y);
    }
    const Ref<IWidget> hovered = hovered_.Lock();
    if (item.get() == hovered.get()) return;
    if (hovered) ShowItemHint(hovered, false);
    hovered_ = Weak<IWidget>(item);
    if (item) ShowItemHint(item, true);
}

bool TQuillmarchControlSceneShop::MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) {
    const Ref<IWidget> self(this);
    const bool handled = TControlGameWidget::MouseDown(x, y, shift, button);
    const Ref<IWidget> item = ItemAt(x, y);
    if (!item) return handled;
    const std::string state = State(item);
    if (state == "unlocked") {
        PostItemInfo(item, nullptr, false);
        ShowItemHint(item, false);
    } else if (state == "locked") {
        const int64_t cost = Cost(item);
        if (cost < 0 || cost > magicPoints_) return handled;
        if (const Ref<IWindow> window = OwnerWindow()) window->PlaySound("sound_buy_item");
        BuyItem(item);
    }
    // An item whose reveal runs (no state) waits for it.
    return handled;
}

void TQuillmarchControlSceneShop::ShowItemHint(const Ref<IWidget>& item, bool show) {
    const std::string state = item ? State(item) : std::string();
    const Ref<IWidget> panel = FindWidget(state == "unlocked" ? "hint_big" : "hint");
    if (!panel) return;
    if (show && state == "locked") {
        const int64_t cost = Cost(item);
        const bool affordable = cost >= 0 && cost <= magicPoints_;
        panel->SetProperty("title", item->GetProperty("title"));
        panel->SetProperty("cost", Variant(FormatThousands(cost)));
        panel->SetProperty("icon_105", item->GetProperty("icon_105"));
        if (const Ref<IWidget> buy = panel->FindWidget("click_to_buy")) buy->SetVisible(affordable);
        if (const Ref<IWidget> short_ = panel->FindWidget("not_enough_points"))
            short_->SetVisible(!affordable);
        panel->SetVisible(true);
    } else if (show && state == "unlocked") {
        panel->SetProperty("title", item->GetProperty("title"));
        panel->SetProperty("icon_105", item->GetProperty("icon_105"));
        panel->SetProperty("desc", item->GetProperty("desc"));
        panel->SetVisible(true);
    } else {
        panel->SetVisible(false);
    }
}

// --- Buying

void TQuillmarchControlSceneShop::PostItemInfo(const Ref<IWidget>& item,
                                               Ref<IParamCollection> params, bool afterBuy) {
    if (!params) params = NewParams();
    for (const char* name : {"title", "icon_170", "desc"})
        params->SetValue(name, item->GetProperty(name));
    params->SetValue("after_buy", Variant(afterBuy ? "yes" : "no"));
    Post(kEventShowItemInfo, params);
}

void TQuillmarchControlSceneShop::BuyItem(const Ref<IWidget>& item) {
    const Ref<IParamCollection> profile = ProfileParams();
    const int64_t cost = item ? Cost(item) : -1;
    // Nothing is sold that could not be written down or paid for.
    if (!profile || cost < 0 || cost > magicPoints_) return;
    const Ref<IWidget> self(this);
    const std::string key = "items_" + location_ + layer_;
    profile->SetValue(key, Variant(ProfileText(profile, key, "") + item->GetName() + ","));
    SetMagicPoints(magicPoints_ - cost);

    const Ref<IParamCollection> params = NewParams();
    params->SetValue("mana_points", Variant(magicPoints_));
    Post(kEventMagicPointsChanged, params);

    params->SetValue("name", Variant(item->GetName()));
    params->SetValue("item_name", Variant(location_ + "/" + layer_ + "/items/" + item->GetName()));
    if (CreateScenario("scenario_show_item", params, false)) {
        item->SetProperty("state", Variant(""));
    } else {
        item->SetProperty("state", Variant("unlocked"));
        PostItemInfo(item, params, true);
    }
    ShowItemHint(item, false);
    SaveProfiles();
}

void TQuillmarchControlSceneShop::ScenarioFinished(const Ref<IParamCollection>& params) {
    const auto value = [&params](const char* name) {
        return params ? TextOrEmpty(params->GetValue(name, Variant(""))) : std::string();
    };
    const std::string name = value("scenario_to_finalize");
    if (name.find("scenario_show_item") != std::string::npos) {
        const std::string path = value("item_name");
        IWidgetOwner* owner = GetOwner();
        const Ref<IWidget> item =
            owner && !path.empty() ? owner->FindWidget("locations/" + path) : nullptr;
        if (!item) {
            Log("WORLD", "shop " + location_ + ": the revealed item \"" + path + "\" is not there");
            return;
        }
        item->SetProperty("state", Variant("unlocked"));
        PostItemInfo(item, params, true);
    } else if (name == "scenario_show_layer") {
        const std::string layer = value("layer");
        // Only a layer of the picture is stored: anything else would leave
        // the location without a picture for good.
        if (ShopLayerNumber(layer) == 0) {
            Log("WORLD", "shop " + location_ + ": a layer reveal named \"" + layer +
                             "\", which is no layer; ignored");
            return;
        }
        const Ref<IUserProfile> profile = Profile();
        if (profile) profile->GetParams()->SetValue("location_layer_" + location_, Variant(layer));
        layer_ = layer;
        ShowLocationLayers(Ref<IWidget>(this), profile, location_);
        RefreshItems();
        SaveProfiles();
        if (ShopLayerNumber(layer) == kLastLayer) ReachLastLayer();
    }
}

void TQuillmarchControlSceneShop::OpenNextLayer() {
    const int32_t current = ShopLayerNumber(layer_);
    // The last layer opens nothing: the location ends there.
    if (current == 0 || current >= kLastLayer) return;
    const Ref<IWidget> group = LayerItems(layer_);
    if (!group) return;
    bool complete = true;
    ForEachItem(group, [&](const Ref<IWidget>& item) {
        if (State(item) != "unlocked") complete = false;
    });
    if (!complete) return;
    const std::string next = kShopLayers[current];
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("layer", Variant(next));
    params->SetValue("layer_path", Variant(location_ + "/" + next));
    if (const Ref<IWindow> window = OwnerWindow()) window->PlaySound("sound_change_shop_layer");
    CreateScenario("scenario_show_layer", params, false);
}

void TQuillmarchControlSceneShop::ReachLastLayer() {
    const Ref<IParamCollection> profile = ProfileParams();
    const Ref<IGameScreenOwner> game = GameOwnerOf(GetOwner());
    const int64_t cur = Whole(Variant(ProfileText(profile, "current_level_" + location_, "1")), 1);
    const int64_t count = game ? Whole(game->GetOption("lvlcnt_" + location_), 0) : 0;
    if (profile && cur > count) {
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("location_name", Variant(location_));
        params->SetValue("location_expert",
                         Variant(ProfileText(profile, "expert_location_" + location_, "no")));
        params->SetValue("location_completed", Variant("yes"));
        // Stored before the completed screen opens, so that what it shows
        // counts this location.
        MarkLocationCompleted(profile, location_);
        SaveProfiles();
        Post(kEventLocationCompleted, params);
    } else {
        Post(kEventCompleteLevels, nullptr);
    }
}

// ---------------------------------------------------------------------------
// TQuillmarchMagicItem

void TQuillmarchMagicItem::SetProperty(const std::string& name, const Variant& value) {
    if (name == "state") {
        const bool unlocked = TextOrEmpty(value) == "unlocked";
        if (const Ref<IWidget> part = FindWidget("unlocked")) part->SetVisible(unlocked);
        if (const Ref<IWidget> part = FindWidget("locked")) part->SetVisible(!unlocked);
        SetExtraParam("state", value);
    } else if (name == "available") {
        const bool available = IsTrue(value);
        const Ref<IWidget> particles = Sparkle(available);
        if (particles) particles->ExecuteCommand(2, nullptr);
        SetExtraParam("available", Variant(available ? "yes" : "no"));
        if (particles) {
            if (available) {
                if (const Ref<IWidget> shadow = FindWidget("locked/shadow"))
                    particles->SetProperty("surface", Variant(shadow->GetSnapshot()));
            }
            particles->SetVisible(available);
            particles->SetPaused(!available);
        }
        SetVisible(true);
    } else {
        TVisualGroupWidget::SetProperty(name, value);
    }
}

Ref<IWidget> TQuillmarchMagicItem::Sparkle(bool make) {
    if (Ref<IWidget> particles = FindWidget("locked/ps_shadowitem")) return particles;
    const Ref<IWidget> locked = FindWidget("locked");
    const Ref<IWidget> shadow = FindWidget("locked/shadow");
    const Ref<IWidgetCollection> parts = locked ? locked->GetChildren() : nullptr;
    if (!make || !shadow || !parts) return nullptr;
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("width", Variant(shadow->GetWidth()));
    params->SetValue("height", Variant(shadow->GetHeight()));
    const Ref<IWidget> particles = CreateFactoryWidget("ps_shadowitem", params);
    if (!particles) return nullptr;
    // After the silhouette, so drawn over it.
    parts->AddWidget(particles);
    return particles;
}

void RegisterShopControlClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchControlSceneShop>(), "QuillmarchControlSceneShop");
    RegisterObjectClass(ClassOf<TQuillmarchMagicItem>(), "QuillmarchMagicItem");
}
