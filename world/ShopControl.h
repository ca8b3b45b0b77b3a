// The magic-item shop's control and its items.
//
// "QuillmarchControlSceneShop" (the shop screen's "control_scene_shop")
// sells the decorative items of the current location's picture for magic
// points. The picture lies beside it, in "../locations/" + location, as the
// layers "layer_1" to "layer_3", each with its item widgets in "items".
// Buying every item of a layer opens the next one; reaching the last layer
// with every level played completes the location.
//
// Its children: "scenario_group" (the running reveals, made by the factories
// "scenario_show_item" and "scenario_show_layer"), "hint" (a locked item's
// panel, with "click_to_buy" and "not_enough_points") and "hint_big" (a
// bought item's panel). Its sibling "mana_counter" shows the points.
//
// Commands: 21 start (the shop screen's show parameters: "active_map_part"),
// 11 a reveal has ended, 23 open the next layer when the current one is
// bought out. Events to the screen: 0x8010 show an item's information
// ("title", "icon_170", "desc", "after_buy"), 0x800E the points changed
// ("mana_points"), 0x8007 the location is completed, 0x8011 the last layer
// is shown but levels remain.
//
// Prices, titles and descriptions come from the game option "magic_items"
// (group: location, item type: layer, item: the widget's name). Purchases go
// into the current profile: "items_" + location + layer (each name and a
// comma), "location_layer_" + location, and the spent "magic_points"
// through the screen.
//
// Items are hit in the window's coordinates, the pointer's and a press's
// alike: those of the current layer when visible, then those of the layers
// below it, hidden or not.
//
// Failures: missing panels, counter, items, catalogue entries or reveal
// factories are skipped; without a scenario group a purchase shows the item
// at once. A reveal that names no item, or a layer other than the three, is
// logged and ignored. The last layer opens nothing further. An item without
// a catalogue entry, or with a price that is no number of at least 0, is not
// for sale.
#pragma once

#include <cstdint>
#include <string>

#include "game/GameShellInterfaces.h"
#include "widgets/ControlWidget.h"

inline constexpr int32_t kEventShowItemInfo = 0x8010;
inline constexpr int32_t kEventMagicPointsChanged = 0x800E;
inline constexpr int32_t kEventCompleteLevels = 0x8011;

inline constexpr int32_t kCommandShopStart = 21;
inline constexpr int32_t kCommandShopNextLayer = 23;

// The layers of a location's picture, first to last.
inline constexpr const char* kShopLayers[] = {"layer_1", "layer_2", "layer_3"};

class TQuillmarchControlSceneShop : public TControlGameWidget {
public:
    // Drops the hovered item, then the inherited Detach.
    void Detach() override;
    // The group's step, then the hover.
    void DoUpdate(int32_t elapsedMs) override;
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override;
    // Every button clicks: shows a bought item, buys an affordable one; the
    // inherited answer.
    bool MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) override;

    int64_t GetMagicPoints() const { return magicPoints_; }
    // The field and the sibling "mana_counter"'s text.
    void SetMagicPoints(int64_t points);

    // Prices and titles from the catalogue, "available" by the points; the
    // layers below the current one bought out.
    void RefreshItems();
    // The item under the window point; null when none.
    Ref<IWidget> ItemAt(int32_t x, int32_t y);
    // Buys item: profile, points, reveal, save.
    void BuyItem(const Ref<IWidget>& item);
    // The item's panel shown or hidden ("hint" when there is no item).
    void ShowItemHint(const Ref<IWidget>& item, bool show);
    // The next layer's reveal, when every item of the current layer is
    // bought and a next layer exists.
    void OpenNextLayer();
    // The location completed when every level is played, else 0x8011.
    void ReachLastLayer();

    const std::string& GetLocation() const { return location_; }
    const std::string& GetLayer() const { return layer_; }
    Ref<IWidget> GetHovered() const { return hovered_.Lock(); }

private:
    void Start(const Ref<IParamCollection>& params);
    void ScenarioFinished(const Ref<IParamCollection>& params);
    void TrackPointer();
    // The items group of a layer of the current location; null when none.
    Ref<IWidget> LayerItems(const std::string& layer);
    Ref<IUserProfile> Profile();
    Ref<IParamCollection> ProfileParams();
    void Post(int32_t code, const Ref<IParamCollection>& params);
    void SaveProfiles();
    // Posts 0x8010 for item with params (new ones when null).
    void PostItemInfo(const Ref<IWidget>& item, Ref<IParamCollection> params, bool afterBuy);

    Weak<IWidget> hovered_;
    std::string location_;
    std::string layer_ = "layer_1";
    int64_t magicPoints_ = 0;
};

// One magic item of a location's picture: "unlocked" shows the bought item,
// "locked" its silhouette ("locked/shadow") with a particle system
// ("locked/ps_shadowitem") that plays while the item is affordable. The
// screens that sell items hold the system as the widget factory
// "ps_shadowitem" (parameters "width" and "height", the silhouette's size):
// an item that first becomes affordable makes its own from it, and the
// pictures the other screens share carry none.
class TQuillmarchMagicItem : public TVisualGroupWidget {
public:
    // "state" and "available" are kept in the extra parameters and switch
    // the parts; other names go to the group.
    void SetProperty(const std::string& name, const Variant& value) override;

private:
    // "locked/ps_shadowitem", made from the factory when make is set and
    // there is none; null without it.
    Ref<IWidget> Sparkle(bool make);
};

// The number of a layer's name ("layer_2" → 2); 0 for any other name.
int32_t ShopLayerNumber(const std::string& layer);

// Registers the control and the item.
void RegisterShopControlClasses();
