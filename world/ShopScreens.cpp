#include "world/ShopScreens.h"

#include <tuple>

#include "engine/EngineStartup.h"  // FormatThousands
#include "nonogram/LevelDefs.h"
#include "widgets/ControlWidget.h"
#include "world/LocationScene.h"
#include "world/MapObjects.h"
#include "world/ShopControl.h"

using namespace mapdetail;

namespace {

std::string Value(const Ref<IParamCollection>& params, const char* name, const char* fallback) {
    return params ? TextOrEmpty(params->GetValue(name, Variant(fallback))) : std::string(fallback);
}

Ref<IParamCollection> Result(const char* name, const std::string& value) {
    const Ref<IParamCollection> results = NewParams();
    results->SetValue(name, Variant(value));
    return results;
}

}  // namespace

// --- The shop

void TQuillmarchGameScreenSceneShop::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    control_ = Weak<IWidget>(FindWidget("control_scene_shop"));
}

void TQuillmarchGameScreenSceneShop::DetachOwner() {
    control_ = nullptr;
    TGameScreen::DetachOwner();
}

Ref<IUserProfile> TQuillmarchGameScreenSceneShop::Profile() {
    IGameScreenOwner* game = GetOwner();
    const Ref<IUserProfileCollection> profiles = game ? game->GetUserProfiles() : nullptr;
    return profiles ? profiles->GetCurrent() : nullptr;
}

void TQuillmarchGameScreenSceneShop::SetMagicPoints(int64_t points) {
    magicPoints_ = points;
    if (const Ref<IWidget> counter = FindWidget("mana_counter"))
        counter->SetProperty("text", Variant(FormatThousands(points)));
    if (const Ref<IUserProfile> profile = Profile())
        profile->GetParams()->SetValue("magic_points", Variant(points));
}

void TQuillmarchGameScreenSceneShop::ShowHintOnce(const std::string& key,
                                                  const std::string& screen) {
    const Ref<IUserProfile> profile = Profile();
    if (!profile || ProfileText(profile->GetParams(), key, "no") != "no") return;
    profile->GetParams()->SetValue(key, Variant("yes"));
    ShowGameScreen(screen, nullptr);
}

bool TQuillmarchGameScreenSceneShop::RevealsDone() {
    const Ref<IWidget> control = control_.Lock();
    const Ref<IWidget> group = control ? control->FindWidget("scenario_group") : nullptr;
    const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr;
    if (!children) return true;
    // A reveal that has ended is dead until its group's step removes it.
    for (int32_t i = 0; i < children->GetCount(); ++i) {
        const Ref<IWidget> child = children->GetWidgetByIndex(i);
        if (child && !child->GetDead()) return false;
    }
    return true;
}

void TQuillmarchGameScreenSceneShop::Show(const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::Show(params);
    startLevelAfterQuit_ = Value(params, "start_level_after_quit", "no");
    location_ = Value(params, "active_map_part", "");
    const Ref<IUserProfile> profile = Profile();
    if (profile) SetMagicPoints(Whole(profile->GetParams()->GetValue("magic_points", Variant(0)), 0));
    if (const Ref<IWidget> title = FindWidget("title"))
        title->SetProperty("text", Variant("%" + location_ + "%"));
    const Ref<IWidget> control = control_.Lock();
    ShowLocationLayers(control, profile, location_);
    if (control) control->ExecuteCommand(kCommandShopStart, params);
    ShowHintOnce("show_shop_hint", "GS_HintShop");
}

void TQuillmarchGameScreenSceneShop::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                                 const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (!sender) return;
    const Ref<IGameScreenSlave> self(this);
    const std::string name = sender->GetName();
    if (name == "button_exit") {
        // Without a scenario group no reveal can run, so the shop can be left.
        if (RevealsDone()) CloseGameScreen(Result("start_level_after_quit", startLevelAfterQuit_));
        return;
    }
    if (name != "control_scene_shop") return;
    switch (code) {
        case kEventShowItemInfo:
            ShowGameScreen("GS_ItemInfo", params);
            break;
        case kEventMagicPointsChanged:
            SetMagicPoints(params ? Whole(params->GetValue("mana_points", Variant(0)), 0) : 0);
            break;
        case kEventLocationCompleted:
            ShowGameScreen("GS_LocationCompleted", params);
            break;
        case kEventCompleteLevels:
            ShowGameScreen("GS_CompleteLevels", params);
            break;
        default:
            break;
    }
}

void TQuillmarchGameScreenSceneShop::ChildScreenClosed(const std::string& screenName,
                                                       const Ref<IParamCollection>& results) {
    TGameScreen::ChildScreenClosed(screenName, results);
    const Ref<IGameScreenSlave> self(this);
    if (screenName == "GS_ItemInfo") {
        if (Value(results, "after_buy", "no") != "yes") return;
        if (const Ref<IWidget> control = control_.Lock())
            control->ExecuteCommand(kCommandShopNextLayer, nullptr);
        ShowHintOnce("show_hint_after_purchase", "GS_HintAfterPurchase");
    } else if (screenName == "GS_CompleteLevels") {
        CloseGameScreen(Result("start_level_after_quit", startLevelAfterQuit_));
    } else if (screenName == "GS_LocationCompleted") {
        CloseGameScreen(Result("quit_to_map", "yes"));
    }
}

// --- Item information

void TQuillmarchGameScreenItemInfo::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    for (const auto& [widget, property, key] :
         {std::tuple{"title", "text", "title"},
          {"icon", "resourcename", "icon_170"},
          {"description", "text", "desc"}}) {
        if (const Ref<IWidget> found = FindWidget(widget))
            found->SetProperty(property, Variant(Value(params, key, "")));
    }
    afterBuy_ = Value(params, "after_buy", "no");
}

void TQuillmarchGameScreenItemInfo::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                                const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (!sender || code != kEventButtonClick || sender->GetName() != "button_ok") return;
    const Ref<IGameScreenSlave> self(this);
    CloseGameScreen(Result("after_buy", afterBuy_));
}

void RegisterShopScreenClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenSceneShop>(), "QuillmarchGameScreenSceneShop");
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenItemInfo>(), "QuillmarchGameScreenItemInfo");
}
