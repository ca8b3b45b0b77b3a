// The shop screen and the item-information screen: the header, the exit
// button, the hints shown once per profile, the control's events turned
// into screens and the results the shop closes with.
#include "tests/world/ShopTestSupport.h"

namespace shoptest {
namespace {

using ShopScreenTest = ShopTest;

TEST_F(ShopScreenTest, ShowingFillsTheHeaderAndPaintsTheLocation) {
    StartGame({}, {{"magic_points", "70"}, {"items_japanlayer_1", "b,"}});
    ShowShop(Params({{"active_map_part", Variant("japan")},
                     {"start_level_after_quit", Variant("yes")}}));
    EXPECT_EQ(Shop().GetLocation(), "japan");
    EXPECT_EQ(Shop().GetStartLevelAfterQuit(), "yes");
    EXPECT_EQ(Shop().GetMagicPoints(), 70);
    EXPECT_EQ(Prop("mana_counter", "text"), "70");
    EXPECT_EQ(Prop("title", "text"), "%japan%");
    EXPECT_TRUE(Visible("locations/japan/layer_1"));
    EXPECT_FALSE(Visible("locations/japan/layer_2"));
    EXPECT_EQ(State("layer_1", "b"), "unlocked");
    EXPECT_EQ(State("layer_1", "a"), "locked");
    EXPECT_EQ(Control().GetLocation(), "japan");
}

TEST_F(ShopScreenTest, TheExitButtonClosesWithTheLevelFlagUnlessARevealRuns) {
    struct TCase {
        const char* name;
        bool scenarioGroup;
        const char* startLevel;  // nullptr: not given
        bool revealing;
        const char* closed;  // the screen below's note, "" when the shop stays
    };
    const TCase cases[] = {
        {"no flag given", true, nullptr, false, "closed GS_SceneShop start_level_after_quit=no"},
        {"flag given", true, "yes", false, "closed GS_SceneShop start_level_after_quit=yes"},
        {"a reveal runs", true, "yes", true, ""},
        // Without the group no reveal can run, so the shop can still be left.
        {"no scenario group", false, nullptr, false,
         "closed GS_SceneShop start_level_after_quit=no"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TShopOptions options;
        options.scenarioGroup = c.scenarioGroup;
        StartGame(options, {{"magic_points", "50"}});
        const Ref<IParamCollection> params = Params({{"active_map_part", Variant("japan")}});
        if (c.startLevel) params->SetValue("start_level_after_quit", Variant(c.startLevel));
        ShowShop(params);
        if (c.revealing) {
            ClickItem(100, 100);
            ASSERT_EQ(Reveals(), 1);
        }
        Journal().clear();
        game_->ClickAt("button_exit");
        game_->Step(1);
        if (*c.closed) {
            EXPECT_EQ(TopName(), "GS_Below");
            EXPECT_TRUE(JournalHas(c.closed));
        } else {
            EXPECT_EQ(TopName(), "GS_SceneShop");
            // Once the reveal is over the button works again.
            RunReveals();
            CloseTop(nullptr);  // the item's information
            game_->ClickAt("button_exit");
            game_->Step(1);
            EXPECT_EQ(TopName(), "GS_Below");
        }
    }
}

TEST_F(ShopScreenTest, TheShopHintComesOnTheFirstVisitOnly) {
    StartGame({}, {{"show_shop_hint", "no"}});
    ShowShop();
    EXPECT_EQ(TopName(), "GS_HintShop");
    EXPECT_EQ(Text("show_shop_hint"), "yes");
    CloseTop(nullptr);
    CloseTop(nullptr);  // the shop
    Journal().clear();
    ShowShop();
    EXPECT_EQ(TopName(), "GS_SceneShop");
    EXPECT_EQ(Shown(), "");
}

TEST_F(ShopScreenTest, TheHintAfterPurchaseFollowsTheFirstBoughtItemsInformationOnly) {
    StartInShop({{"show_hint_after_purchase", "no"}, {"magic_points", "200"}});
    // Information about an item bought before changes nothing.
    ASSERT_TRUE(Game().ShowGameScreen("GS_ItemInfo", Params({{"after_buy", Variant("no")}})));
    CloseTop(Params({{"after_buy", Variant("no")}}));
    EXPECT_EQ(TopName(), "GS_SceneShop");
    EXPECT_EQ(Text("show_hint_after_purchase"), "no");
    ClickItem(100, 100);
    RunReveals();
    ASSERT_EQ(TopName(), "GS_ItemInfo");
    Journal().clear();
    game_->ClickAt("button_ok");
    game_->Step(1);
    EXPECT_EQ(Shown(), "GS_HintAfterPurchase -");
    EXPECT_EQ(Text("show_hint_after_purchase"), "yes");
    CloseTop(nullptr);
    ClickItem(200, 100);
    RunReveals();
    ASSERT_EQ(TopName(), "GS_ItemInfo");
    Journal().clear();
    game_->ClickAt("button_ok");
    game_->Step(1);
    // The second purchase completes the layer: the next one opens, no hint.
    EXPECT_EQ(Shown(), "");
    EXPECT_EQ(TopName(), "GS_SceneShop");
    EXPECT_EQ(Reveals(), 1);
}

TEST_F(ShopScreenTest, TheControlsEventsOpenScreensAndTheirClosingClosesTheShop) {
    struct TCase {
        const char* name;
        int32_t code;
        Ref<IParamCollection> params;
        const char* top;
        const char* shown;   // what a stand-in saw
        const char* closed;  // after the opened screen closes, "" when the shop stays
    };
    const std::vector<TCase> cases = {
        {"item information", kEventShowItemInfo,
         Params({{"title", Variant("Vase")}, {"after_buy", Variant("no")}}), "GS_ItemInfo", "",
         ""},
        {"location completed", kEventLocationCompleted,
         Params({{"location_name", Variant("japan")}, {"location_completed", Variant("yes")}}),
         "GS_LocationCompleted", "GS_LocationCompleted location_name=japan,location_completed=yes",
         "closed GS_SceneShop quit_to_map=yes"},
        {"levels remain", kEventCompleteLevels, nullptr, "GS_CompleteLevels",
         "GS_CompleteLevels -", "closed GS_SceneShop start_level_after_quit=yes"},
        {"another code", 0x8012, nullptr, "GS_SceneShop", "", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartGame();
        ShowShop(Params({{"active_map_part", Variant("japan")},
                         {"start_level_after_quit", Variant("yes")}}));
        Journal().clear();
        Shop().HandleEvent(Widget("control_scene_shop"), c.code, c.params);
        // Events from anything else are not the control's.
        Shop().HandleEvent(Widget("title"), kEventLocationCompleted, c.params);
        Shop().HandleEvent(nullptr, kEventLocationCompleted, c.params);
        EXPECT_EQ(TopName(), c.top);
        EXPECT_EQ(Shown(), c.shown);
        if (std::string(c.top) == "GS_SceneShop") continue;
        CloseTop(nullptr);
        if (*c.closed) {
            EXPECT_EQ(TopName(), "GS_Below");
            EXPECT_TRUE(JournalHas(c.closed));
        } else {
            EXPECT_EQ(TopName(), "GS_SceneShop");
        }
    }
}

TEST_F(ShopScreenTest, ChangedPointsGoToTheCounterAndTheProfile) {
    StartInShop({{"magic_points", "70"}});
    Shop().HandleEvent(Widget("control_scene_shop"), kEventMagicPointsChanged,
                       Params({{"mana_points", Variant(12)}}));
    EXPECT_EQ(Shop().GetMagicPoints(), 12);
    EXPECT_EQ(Prop("mana_counter", "text"), "12");
    EXPECT_EQ(Text("magic_points"), "12");
    Shop().HandleEvent(Widget("control_scene_shop"), kEventMagicPointsChanged, nullptr);
    EXPECT_EQ(Text("magic_points"), "0");
}

TEST_F(ShopScreenTest, TheItemInformationShowsItsFieldsAndClosesOnOk) {
    StartInShop({{"show_hint_after_purchase", "no"}});
    ASSERT_TRUE(Game().ShowGameScreen(
        "GS_ItemInfo", Params({{"title", Variant("Vase")}, {"icon_170", Variant("big_a")},
                               {"desc", Variant("about Vase")}, {"after_buy", Variant("yes")}})));
    game_->Step(1);
    EXPECT_EQ(TextOrEmpty(game_->Find("title")->GetProperty("text")), "Vase");
    EXPECT_EQ(TextOrEmpty(game_->Find("icon")->GetProperty("resourcename")), "big_a");
    EXPECT_EQ(TextOrEmpty(game_->Find("description")->GetProperty("text")), "about Vase");
    // Only a click of "button_ok" closes it.
    const Ref<IGameScreenSlave> info = game_->Top();
    auto& screen = dynamic_cast<TQuillmarchGameScreenItemInfo&>(*info);
    screen.HandleEvent(game_->Find("title"), kEventButtonClick, nullptr);
    screen.HandleEvent(game_->Find("button_ok"), kEventCheckBoxToggled, nullptr);
    EXPECT_EQ(TopName(), "GS_ItemInfo");
    Journal().clear();
    game_->ClickAt("button_ok");
    game_->Step(1);
    // The shop took the result as after a purchase.
    EXPECT_EQ(Shown(), "GS_HintAfterPurchase -");
    CloseTop(nullptr);
    EXPECT_EQ(TopName(), "GS_SceneShop");

    // Shown without parameters: empty fields, and "after_buy" "no".
    ASSERT_TRUE(Game().ShowGameScreen("GS_ItemInfo", nullptr));
    EXPECT_EQ(TextOrEmpty(game_->Find("title")->GetProperty("text")), "");
    EXPECT_EQ(dynamic_cast<TQuillmarchGameScreenItemInfo&>(*game_->Top()).GetAfterBuy(), "no");
}

}  // namespace
}  // namespace shoptest
