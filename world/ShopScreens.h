// The shop's two screens:
//
// - "QuillmarchGameScreenSceneShop" (shown as "GS_SceneShop" by the scene
//   with "active_map_part" and "start_level_after_quit"): the location's
//   picture with the shop control "control_scene_shop", the counter
//   "mana_counter", the "title" and "button_exit". It turns the control's
//   events into screens ("GS_ItemInfo", "GS_LocationCompleted",
//   "GS_CompleteLevels"), shows "GS_HintShop" on a profile's first visit and
//   "GS_HintAfterPurchase" after its first purchase, keeps the profile's
//   "magic_points" in step with the shop, and closes with
//   "start_level_after_quit" (its exit button, or "GS_CompleteLevels"
//   closed) or "quit_to_map" = "yes" ("GS_LocationCompleted" closed).
// - "QuillmarchGameScreenItemInfo" ("GS_ItemInfo"): an item's "title",
//   "icon" and "description"; its "button_ok" closes it with "after_buy" as
//   it was shown.
//
// The exit button does nothing while a reveal runs in the control's
// "scenario_group". Failures: missing widgets are skipped; without a
// profile the hints are not shown and nothing is stored.
#pragma once

#include <cstdint>
#include <string>

#include "game/GameScreen.h"

class TQuillmarchGameScreenSceneShop : public TGameScreen {
public:
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    void Show(const Ref<IParamCollection>& params) override;
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    // The field, the counter's text and the profile's "magic_points".
    void SetMagicPoints(int64_t points);
    int64_t GetMagicPoints() const { return magicPoints_; }
    const std::string& GetStartLevelAfterQuit() const { return startLevelAfterQuit_; }
    const std::string& GetLocation() const { return location_; }
    Ref<IWidget> GetControl() const { return control_.Lock(); }

private:
    Ref<IUserProfile> Profile();
    // Shows screen once per profile: the flag key goes from "no" to "yes".
    void ShowHintOnce(const std::string& key, const std::string& screen);
    // No reveal runs: the control has no scenario group or an empty one.
    bool RevealsDone();

    std::string startLevelAfterQuit_ = "no";
    std::string location_;
    int64_t magicPoints_ = 0;
    Weak<IWidget> control_;
};

class TQuillmarchGameScreenItemInfo : public TGameScreen {
public:
    void BeforeShow(const Ref<IParamCollection>& params) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    const std::string& GetAfterBuy() const { return afterBuy_; }

private:
    std::string afterBuy_ = "no";
};

// Registers the two screens.
void RegisterShopScreenClasses();
