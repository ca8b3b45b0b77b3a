// The whole way through the shop on the real shell: from the map into a
// location's scene, the last level won, into the shop, a purchase that
// completes the layer, the last layer revealed, the location completed,
// and back on the map. Also the scene's test for something to buy.
#include "tests/world/ShopTestSupport.h"

namespace shoptest {
namespace {

class ShopLoopTest : public ShopTest {
protected:
    void StartLoop(std::initializer_list<std::pair<std::string, std::string>> profile) {
        game_.reset();
        std::string screens = BelowScreen("GS_Map") + scenetest::SceneScreen({}) +
                              ShopScreen({}) + ItemInfoScreen();
        for (const char* name :
             {"GS_GameNonogram", "GS_Tutorial", "GS_LocationCompleted", "GS_ReplayLevel",
              "GS_CompleteScene", "GS_HintScene", "GS_GameBigMosaic", "GS_CompleteLevels",
              "GS_HintShop", "GS_HintAfterPurchase"}) {
            screens += maptest::StandIn(name);
        }
        game_ = std::make_unique<TGameHarness>(1024, 768);
        game_->Folder().Write("scene/japan.png", "x");
        game_->Folder().Write("scene/japan_top.jpg", "x");
        ASSERT_TRUE(game_->Start(gametest::GameOf("", gametest::ScreensOf(screens))));
        game_->Step(1);
        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        profiles->FindOrAdd("p");
        profiles->SetCurrent("p");
        for (const char* seen : {"tutorial_passed", "show_scene_hint", "show_shop_hint",
                                 "show_hint_after_purchase"}) {
            Profile()->SetValue(seen, Variant("yes"));
        }
        for (const auto& [name, value] : profile) Profile()->SetValue(name, Variant(value));
        const Ref<TAbstractObject> catalogue =
            CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>());
        LoadPersistObject(Ref<IInterface>(catalogue), LoadStorageFromXML(scenetest::Catalogue()));
        Game().SetOptionValue("level_def_refs", Variant(Ref<IInterface>(catalogue)));
        Game().SetOptionValue("lvlcnt_japan", Variant(3));
        ASSERT_TRUE(Game().ShowGameScreen("GS_Map", nullptr));
        ASSERT_TRUE(Game().ShowGameScreen("GS_Scene", Params({{"active_map_part", Variant("japan")}})));
        game_->Step(1);
        Journal().clear();
    }
    Ref<IWidget> SceneControl() const {
        return game_->Screen("GS_Scene")->GetWindowWidget()->FindWidget("control_scene");
    }
    // A scene scenario of that name has ended (the scene's are probes here).
    void SceneScenarioEnds(const std::string& name) {
        SceneControl()->ExecuteCommand(kCommandSceneScenarioFinished,
                                       Params({{"scenario_to_finalize", Variant(name)}}));
        game_->Step(1);
    }
};

TEST_F(ShopLoopTest, TheLastLevelThenTheShopCompleteTheLocationAndLeadBackToTheMap) {
    StartLoop({{"current_level_japan", "3"},
               {"location_layer_japan", "layer_2"},
               {"items_japanlayer_1", "a,b,"},
               {"magic_points", "0"}});
    // The third level, played and won.
    game_->MouseMove(325, 625);
    game_->MouseDown(325, 625);
    game_->MouseUp(325, 625);
    game_->Step(1);
    SceneScenarioEnds("scene_all_elements_hide");
    ASSERT_EQ(TopName(), "GS_GameNonogram");
    CloseTop(Params({{"level_completed", Variant("yes")},
                     {"level_ref", Variant("j3")},
                     {"level_total_points", Variant("100")}}));
    // Every level played, but the picture is not finished: the shop is next.
    ASSERT_EQ(TopName(), "GS_CompleteScene");
    EXPECT_EQ(Text("location_state_japan"), "");
    CloseTop(nullptr);
    SceneScenarioEnds("scene_hide");
    ASSERT_EQ(TopName(), "GS_SceneShop");
    EXPECT_EQ(Prop("mana_counter", "text"), "100");
    EXPECT_EQ(Control().GetLayer(), "layer_2");

    // The drum is bought and revealed; its information is acknowledged.
    ClickItem(100, 100);
    EXPECT_EQ(Text("items_japanlayer_2"), "d,");
    EXPECT_EQ(Text("magic_points"), "90");
    RunReveals();
    ASSERT_EQ(TopName(), "GS_ItemInfo");
    Journal().clear();
    game_->ClickAt("button_ok");
    game_->Step(1);
    // The second layer is bought out: the last one is revealed, which
    // completes the location.
    ASSERT_EQ(TopName(), "GS_SceneShop");
    ASSERT_EQ(Reveals(), 1);
    RunReveals();
    EXPECT_EQ(Text("location_layer_japan"), "layer_3");
    EXPECT_TRUE(Visible("locations/japan/layer_3"));
    ASSERT_EQ(TopName(), "GS_LocationCompleted");
    EXPECT_EQ(Shown(),
              "GS_LocationCompleted location_name=japan,location_expert=no,location_completed=yes");
    EXPECT_EQ(Text("location_state_japan"), "completed");
    EXPECT_EQ(Text("new_bonus_levels_enabled"), "yes");
    EXPECT_TRUE(Saved());

    // Its screen closed, the shop and then the scene close onto the map.
    CloseTop(nullptr);
    EXPECT_EQ(game_->StackNames(), "GS_Map");
    EXPECT_TRUE(JournalHas("closed GS_Scene -"));
    EXPECT_EQ(Text("current_level_japan"), "4");
    EXPECT_EQ(Text("magic_points"), "90");
}

TEST_F(ShopLoopTest, TheSceneCountsOnlyWholeNamesAsBought) {
    StartLoop({});
    auto& scene = dynamic_cast<TQuillmarchControlScene&>(*SceneControl());
    struct TCase {
        const char* bought;
        const char* points;
        bool can;
    };
    const TCase cases[] = {
        // "ab," ends with "b,", but b (80) is not bought.
        {"a,ab,", "80", true},
        {"a,ab,", "79", false},
        {"a, b ,", "80", false},
        {"a,b,", "500", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.bought) + " " + c.points);
        Profile()->SetValue("items_japanlayer_1", Variant(c.bought));
        Profile()->SetValue("magic_points", Variant(c.points));
        EXPECT_EQ(scene.CanBuyMagicItem("layer_1"), c.can);
    }
}

}  // namespace
}  // namespace shoptest
