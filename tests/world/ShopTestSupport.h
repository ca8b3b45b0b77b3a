// The shop's tests: the real shop screen ("GS_SceneShop") with its real
// control and magic items, the real item-information screen
// ("GS_ItemInfo"), the real reveals, and recording stand-ins for the
// screens the shop opens and for the screen below it ("GS_Below", noting
// "closed <child> <results>"). The picture of "japan": "a" (50 points) and
// "b" (80) on layer_1, "d" (10) on layer_2 right below "a", "e" (5) on
// layer_3; the location has three levels. Probes ("scene_probe") keep any
// property and note "command <name> <n>"; the shop notes "sound <name>";
// stand-ins note "show <name> <params>".
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/LogCapture.h"
#include "tests/world/LocationTestSupport.h"
#include "world/ItemReveal.h"
#include "world/ShopControl.h"
#include "world/ShopScreens.h"

namespace shoptest {

using gametest::Journal;
using gametest::JournalHas;
using scenetest::Group;
using scenetest::Probe;
using maptest::Describe;
using maptest::Factory;
using maptest::Params;

// The "show ..." lines of the journal, in order, joined by " | ".
inline std::string Shown() {
    std::string text;
    for (const std::string& line : Journal()) {
        if (line.rfind("show ", 0) != 0) continue;
        text += (text.empty() ? "" : " | ") + line.substr(5);
    }
    return text;
}

class TRecordingShop : public TQuillmarchGameScreenSceneShop {
public:
    TChannelHandle PlaySound(const std::string& name) override {
        gametest::Note("sound " + name);
        return TQuillmarchGameScreenSceneShop::PlaySound(name);
    }
};

inline void RegisterShopTestClasses() {
    scenetest::RegisterSceneTestClasses();
    static bool done = false;
    if (done) return;
    done = true;
    RegisterObjectClass(ClassOf<TRecordingShop>(), "QmRecordingShop");
}

// A magic item at (x, y), 40 × 40: its bought look, its silhouette and its
// particle system, the properties the shop writes declared.
inline std::string MagicItem(const std::string& name, int x, int y) {
    return "<widget type=\"QuillmarchMagicItem\" name=\"" + name +
           "\" visible=\"yes\" anchor_left=\"" + std::to_string(x) + "\" anchor_top=\"" +
           std::to_string(y) +
           "\" extraparams=\"item_type=magic\\cost=\\title=\\desc=\\icon_170=big_" + name +
           "\\icon_105=small_" + name + "\"><widgets>" + Probe("unlocked", "", 0, 0, 40, 40) +
           Group("locked", Probe("shadow", "", 0, 0, 40, 40) + Probe("ps_shadowitem")) +
           "</widgets></widget>";
}

inline std::string Layer(const std::string& name, const std::string& items) {
    return Group(name, Probe("layer_bg", "", 0, 0, 200, 100) + Group("items", items));
}

// The shop's copy of the location's picture.
inline std::string ShopPictures() {
    return Group("locations",
                 Group("japan", Layer("layer_1", MagicItem("a", 100, 100) + MagicItem("b", 200, 100)) +
                                    Layer("layer_2", MagicItem("d", 100, 100)) +
                                    Layer("layer_3", MagicItem("e", 300, 100))));
}

inline std::string Button(const std::string& name, int x, int y) {
    return "<widget type=\"ButtonControl\" name=\"" + name +
           "\" visible=\"yes\" mousestop=\"yes\" enabled=\"yes\" anchor_left=\"" +
           std::to_string(x) + "\" anchor_top=\"" + std::to_string(y) +
           "\" width=\"60\" height=\"30\"/>";
}

struct TShopOptions {
    bool scenarioGroup = true;
    int itemDuration = 1000;
    int layerDuration = 1500;
};

inline std::string ShopControl(const TShopOptions& o) {
    const std::string factories =
        Factory("scenario_show_item",
                "<widget type=\"scenario_show_item\" name=\"scenario_show_item\" "
                "extraparams=\"item_name=%item_name%\\duration=" +
                    std::to_string(o.itemDuration) + "\"/>") +
        Factory("scenario_show_layer",
                "<widget type=\"scenario_show_layer\" name=\"scenario_show_layer\" "
                "extraparams=\"layer_path=%layer_path%\\layer=%layer%\\duration=" +
                    std::to_string(o.layerDuration) +
                    "\"><widgets>" + Probe("rect", "", 0, 0, 300, 200) + "</widgets></widget>") +
        Factory("ps", "<widget type=\"scene_probe\" name=\"ps\"/>");
    // The panels start hidden, as the data has them.
    const std::string hint =
        "<widget type=\"group_widget\" name=\"hint\" visible=\"no\" "
        "extraparams=\"title=\\cost=\\icon_105=\"><widgets>" +
        Probe("click_to_buy") + Probe("not_enough_points") + "</widgets></widget>";
    const std::string hintBig =
        "<widget type=\"group_widget\" name=\"hint_big\" visible=\"no\" "
        "extraparams=\"title=\\icon_105=\\desc=\"/>";
    return "<widget type=\"QuillmarchControlSceneShop\" name=\"control_scene_shop\" "
           "visible=\"yes\" mousestop=\"yes\" enabled=\"yes\" width=\"1024\" "
           "height=\"768\"><widgetfactories>" +
           factories + "</widgetfactories><widgets>" +
           (o.scenarioGroup ? Group("scenario_group", "") : std::string()) + hint + hintBig +
           "</widgets></widget>";
}

inline std::string ShopScreen(const TShopOptions& o) {
    return "<gamescreen name=\"GS_SceneShop\" type=\"QmRecordingShop\"><window><widgets>" +
           ShopPictures() + ShopControl(o) + Probe("mana_counter") + Probe("title") +
           Button("button_exit", 900, 700) + "</widgets></window></gamescreen>";
}

inline std::string ItemInfoScreen(bool widgets = true) {
    return "<gamescreen name=\"GS_ItemInfo\" type=\"QuillmarchGameScreenItemInfo\"><window><widgets>" +
           (widgets ? Probe("title") + Probe("icon") + Probe("description") : std::string()) +
           Button("button_ok", 500, 500) + "</widgets></window></gamescreen>";
}

// The catalogue the scene offers as "magic_items".
inline std::string Catalogue() {
    const auto item = [](const char* name, int cost, const char* title) {
        return std::string("<item name=\"") + name + "\"><param name=\"cost\" value=\"" +
               std::to_string(cost) + "\"/><param name=\"title\" value=\"" + title +
               "\"/><param name=\"desc\" value=\"about " + title + "\"/></item>";
    };
    return "<magic_items><group name=\"japan\"><item_type name=\"layer_1\">" +
           item("a", 50, "Vase") + item("b", 80, "Bell") +
           "</item_type><item_type name=\"layer_2\">" + item("d", 10, "Drum") +
           "</item_type><item_type name=\"layer_3\">" + item("e", 5, "Eagle") +
           "</item_type></group></magic_items>";
}

inline std::string BelowScreen(const std::string& name) {
    return "<gamescreen name=\"" + name +
           "\" type=\"QmSceneStandIn\"><window type=\"qm_test_effect_window\"/></gamescreen>";
}

class ShopTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterShopTestClasses();
        Journal().clear();
    }
    void TearDown() override {
        game_.reset();
        ResetGameShellConfiguration();
        Journal().clear();
    }

    // The game with the shop and its screens, a current profile "p" with
    // the hints seen and the given values; the shop not yet shown.
    void StartGame(const TShopOptions& options = {},
                   std::initializer_list<std::pair<std::string, std::string>> profile = {}) {
        game_.reset();
        std::string screens = ShopScreen(options) + ItemInfoScreen() + BelowScreen("GS_Below");
        for (const char* name : {"GS_LocationCompleted", "GS_CompleteLevels", "GS_HintShop",
                                 "GS_HintAfterPurchase"}) {
            screens += maptest::StandIn(name);
        }
        game_ = std::make_unique<TGameHarness>(1024, 768);
        ASSERT_TRUE(game_->Start(gametest::GameOf("", gametest::ScreensOf(screens))));
        game_->Step(1);
        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        profiles->FindOrAdd("p");
        profiles->SetCurrent("p");
        Profile()->SetValue("show_shop_hint", Variant("yes"));
        Profile()->SetValue("show_hint_after_purchase", Variant("yes"));
        for (const auto& [name, value] : profile) Profile()->SetValue(name, Variant(value));
        const Ref<TAbstractObject> store = CreateAbstractObject(ClassOf<TGroupsStorage>());
        LoadPersistObject(Ref<IInterface>(store), LoadStorageFromXML(Catalogue()));
        Game().SetOptionValue("magic_items", Variant(Ref<IInterface>(store)));
        Game().SetOptionValue("lvlcnt_japan", Variant(3));
        ASSERT_TRUE(Game().ShowGameScreen("GS_Below", nullptr));
    }

    // Shows the shop on japan and runs a frame.
    void ShowShop(const Ref<IParamCollection>& params = nullptr) {
        ASSERT_TRUE(Game().ShowGameScreen(
            "GS_SceneShop", params ? params : Params({{"active_map_part", Variant("japan")}})));
        game_->Step(1);
    }
    void StartInShop(std::initializer_list<std::pair<std::string, std::string>> profile = {},
                     const TShopOptions& options = {}) {
        StartGame(options, profile);
        ShowShop();
        Journal().clear();
    }

    IGameScreenOwner& Game() const { return *game_->Game(); }
    Ref<IParamCollection> Profile() const {
        return Game().GetUserProfiles()->GetCurrent()->GetParams();
    }
    std::string Text(const std::string& key) const {
        return mapdetail::ProfileText(Profile(), key, "");
    }
    Ref<IWidget> Widget(const std::string& path) const {
        return scenetest::ScreenWidget(*game_, "GS_SceneShop", path);
    }
    std::string Prop(const std::string& path, const std::string& name) const {
        return scenetest::WidgetProp(Widget(path), name);
    }
    bool Visible(const std::string& path) const {
        const Ref<IWidget> widget = Widget(path);
        return widget && widget->GetVisible();
    }
    static std::string ItemPath(const std::string& layer, const std::string& name) {
        return "locations/japan/" + layer + "/items/" + name;
    }
    std::string State(const std::string& layer, const std::string& name) const {
        return Prop(ItemPath(layer, name), "state");
    }
    TRecordingShop& Shop() const {
        return dynamic_cast<TRecordingShop&>(*game_->Screen("GS_SceneShop"));
    }
    TQuillmarchControlSceneShop& Control() const {
        return dynamic_cast<TQuillmarchControlSceneShop&>(*Widget("control_scene_shop"));
    }
    int Reveals() const {
        const Ref<IWidget> group = Widget("control_scene_shop/scenario_group");
        return group ? group->GetChildren()->GetCount() : 0;
    }
    // A press and release of the left button at the centre of an item of
    // japan (whose items are 40 × 40).
    void ClickItem(int x, int y) {
        game_->MouseMove(x + 20, y + 20);
        game_->MouseDown(x + 20, y + 20);
        game_->MouseUp(x + 20, y + 20);
        game_->Step(1);
    }
    // Frames of 50 ms until no reveal runs (at most seconds long).
    void RunReveals(int seconds = 5) {
        for (int i = 0; i < seconds * 20 && Reveals() > 0; ++i) game_->Step(1, 50);
    }
    std::string TopName() const { return game_->Top() ? game_->Top()->GetName() : "-"; }
    void CloseTop(const Ref<IParamCollection>& results) {
        Game().CloseGameScreen(game_->Top(), results);
    }
    bool Saved() const { return std::filesystem::exists(game_->UserDir() + "users.dat"); }
    void ForgetSave() const { std::filesystem::remove(game_->UserDir() + "users.dat"); }

    std::unique_ptr<TGameHarness> game_;
};

}  // namespace shoptest
