// The shop control in the real shop screen: prices and hints, buying with
// points, the item's reveal and its report, the layers opening one after
// another up to the last, and the location completed through the last
// layer.
#include "tests/world/ShopTestSupport.h"

namespace shoptest {
namespace {

using ShopControlTest = ShopTest;

TEST_F(ShopControlTest, StartingPricesTheCurrentLayerAndMarksWhatThePointsReach) {
    StartInShop({{"magic_points", "60"}});
    EXPECT_EQ(Control().GetLocation(), "japan");
    EXPECT_EQ(Control().GetLayer(), "layer_1");
    EXPECT_EQ(Control().GetMagicPoints(), 60);
    EXPECT_EQ(Prop("mana_counter", "text"), "60");
    EXPECT_EQ(Prop(ItemPath("layer_1", "a"), "cost"), "50");
    EXPECT_EQ(Prop(ItemPath("layer_1", "a"), "title"), "Vase");
    EXPECT_EQ(Prop(ItemPath("layer_1", "a"), "desc"), "about Vase");
    EXPECT_EQ(Prop(ItemPath("layer_1", "a"), "available"), "yes");
    EXPECT_EQ(Prop(ItemPath("layer_1", "b"), "available"), "no");
    // The affordable item's particles play from its silhouette; the other's wait.
    const Ref<IWidget> ps = Widget(ItemPath("layer_1", "a") + "/locked/ps_shadowitem");
    EXPECT_TRUE(ps->GetVisible());
    EXPECT_FALSE(ps->GetPaused());
    EXPECT_EQ(Describe(Params({{"s", ps->GetProperty("surface")}})), "s=<surface 40x40>");
    EXPECT_TRUE(Widget(ItemPath("layer_1", "b") + "/locked/ps_shadowitem")->GetPaused());
    // Locked items stand in their silhouettes, shown by the shop.
    EXPECT_TRUE(Visible(ItemPath("layer_1", "b")));
    EXPECT_TRUE(Visible(ItemPath("layer_1", "b") + "/locked"));
    EXPECT_FALSE(Visible(ItemPath("layer_1", "b") + "/unlocked"));
}

TEST_F(ShopControlTest, AnItemIsBoughtAtExactlyThePointsAndRefusedOneShort) {
    struct TCase {
        const char* points;
        const char* hint;  // the hint's visible line
        bool bought;
    };
    const TCase cases[] = {{"50", "click_to_buy", true}, {"49", "not_enough_points", false}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.points);
        StartInShop({{"magic_points", c.points}});
        game_->MouseMove(120, 120);
        game_->Step(1);
        EXPECT_EQ(Control().GetHovered().get(), Widget(ItemPath("layer_1", "a")).get());
        EXPECT_TRUE(Visible("control_scene_shop/hint"));
        EXPECT_EQ(Prop("control_scene_shop/hint", "title"), "Vase");
        EXPECT_EQ(Prop("control_scene_shop/hint", "cost"), "50");
        EXPECT_EQ(Prop("control_scene_shop/hint", "icon_105"), "small_a");
        EXPECT_EQ(Visible("control_scene_shop/hint/click_to_buy"), c.bought);
        EXPECT_EQ(Visible("control_scene_shop/hint/not_enough_points"), !c.bought);
        ForgetSave();
        Journal().clear();
        ClickItem(100, 100);
        EXPECT_EQ(JournalHas("sound sound_buy_item"), c.bought);
        EXPECT_EQ(Text("items_japanlayer_1"), c.bought ? "a," : "");
        EXPECT_EQ(State("layer_1", "a"), c.bought ? "" : "locked");
        EXPECT_EQ(Control().GetMagicPoints(), c.bought ? 0 : 49);
        // The screen keeps the profile and the counter in step; the control
        // saves the purchase.
        EXPECT_EQ(Text("magic_points"), c.bought ? "0" : "49");
        EXPECT_EQ(Prop("mana_counter", "text"), c.bought ? "0" : "49");
        EXPECT_EQ(Saved(), c.bought);
        EXPECT_EQ(Reveals(), c.bought ? 1 : 0);
        if (c.bought) {
            EXPECT_FALSE(Visible("control_scene_shop/hint"));
        }
    }
}

TEST_F(ShopControlTest, PurchasesAppendTheirNamesAndAnItemBeingRevealedIgnoresClicks) {
    StartInShop({{"magic_points", "200"}});
    ClickItem(100, 100);
    ClickItem(100, 100);  // a again, while its reveal runs
    EXPECT_EQ(Text("items_japanlayer_1"), "a,");
    EXPECT_EQ(Control().GetMagicPoints(), 150);
    RunReveals();
    ASSERT_EQ(TopName(), "GS_ItemInfo");
    CloseTop(Params({{"after_buy", Variant("no")}}));
    ClickItem(200, 100);
    EXPECT_EQ(Text("items_japanlayer_1"), "a,b,");
    EXPECT_EQ(Text("magic_points"), "70");
}

TEST_F(ShopControlTest, TheRevealRunsOnItsOwnClockAndReportsTheItemBought) {
    StartInShop({{"magic_points", "50"}});
    ClickItem(100, 100);
    const std::string item = ItemPath("layer_1", "a");
    // The reveal shows the bought look, transparent, over nothing.
    EXPECT_TRUE(Visible(item + "/unlocked"));
    EXPECT_FALSE(Visible(item + "/locked"));
    const Ref<IWidget> scenario = Widget("control_scene_shop/scenario_group/scenario_show_item");
    ASSERT_TRUE(scenario);
    EXPECT_EQ(Prop("control_scene_shop/scenario_group/scenario_show_item", "item_name"),
              "japan/layer_1/items/a");
    game_->Step(40);
    const int halfway = Widget(item + "/unlocked")->GetTransparentLevel();
    EXPECT_GT(halfway, 64);
    EXPECT_LT(halfway, 192);
    EXPECT_EQ(TopName(), "GS_SceneShop");
    // 1000 ms in the reveal's state: it ends and the shop shows what was bought.
    RunReveals();
    EXPECT_EQ(Reveals(), 0);
    EXPECT_EQ(Widget(item + "/unlocked")->GetTransparentLevel(), 255);
    EXPECT_EQ(State("layer_1", "a"), "unlocked");
    EXPECT_EQ(TopName(), "GS_ItemInfo");
    const Ref<IWidget> info = game_->Find("title");
    EXPECT_EQ(TextOrEmpty(info->GetProperty("text")), "Vase");
    EXPECT_EQ(TextOrEmpty(game_->Find("icon")->GetProperty("resourcename")), "big_a");
    EXPECT_EQ(TextOrEmpty(game_->Find("description")->GetProperty("text")), "about Vase");
    EXPECT_EQ(dynamic_cast<TQuillmarchGameScreenItemInfo&>(*game_->Top()).GetAfterBuy(), "yes");
}

TEST_F(ShopControlTest, WithoutAScenarioGroupAPurchaseShowsTheItemAtOnce) {
    TShopOptions options;
    options.scenarioGroup = false;
    StartInShop({{"magic_points", "50"}}, options);
    ClickItem(100, 100);
    EXPECT_EQ(State("layer_1", "a"), "unlocked");
    EXPECT_TRUE(Visible(ItemPath("layer_1", "a") + "/unlocked"));
    ASSERT_EQ(TopName(), "GS_ItemInfo");
    EXPECT_EQ(dynamic_cast<TQuillmarchGameScreenItemInfo&>(*game_->Top()).GetAfterBuy(), "yes");
    EXPECT_EQ(Text("items_japanlayer_1"), "a,");
}

TEST_F(ShopControlTest, ABoughtItemShowsItsInformationAndItsBigHint) {
    StartInShop({{"items_japanlayer_1", "a,"}, {"magic_points", "0"}});
    ASSERT_EQ(State("layer_1", "a"), "unlocked");
    game_->MouseMove(120, 120);
    game_->Step(1);
    EXPECT_TRUE(Visible("control_scene_shop/hint_big"));
    EXPECT_FALSE(Visible("control_scene_shop/hint"));
    EXPECT_EQ(Prop("control_scene_shop/hint_big", "icon_105"), "small_a");
    // Straight onto the locked item: one panel goes, the other comes.
    game_->MouseMove(220, 120);
    game_->Step(1);
    EXPECT_FALSE(Visible("control_scene_shop/hint_big"));
    EXPECT_TRUE(Visible("control_scene_shop/hint"));
    game_->MouseMove(600, 600);
    game_->Step(1);
    EXPECT_FALSE(Visible("control_scene_shop/hint"));
    EXPECT_FALSE(Control().GetHovered());
    // A right click on the bought item shows it again, not as a purchase.
    game_->MouseMove(120, 120);
    game_->MouseDown(120, 120, SDL_BUTTON_RIGHT);
    game_->MouseUp(120, 120, SDL_BUTTON_RIGHT);
    game_->Step(1);
    ASSERT_EQ(TopName(), "GS_ItemInfo");
    EXPECT_EQ(dynamic_cast<TQuillmarchGameScreenItemInfo&>(*game_->Top()).GetAfterBuy(), "no");
    EXPECT_EQ(Text("items_japanlayer_1"), "a,");
}

TEST_F(ShopControlTest, AnItemWhoseNameEndsAnotherBoughtNameIsStillForSale) {
    // "xa," ends with "a,", yet only an item named "xa" was bought.
    StartInShop({{"items_japanlayer_1", "xa,"}, {"magic_points", "50"}});
    EXPECT_EQ(State("layer_1", "a"), "locked");
    EXPECT_EQ(Prop(ItemPath("layer_1", "a"), "available"), "yes");
    ClickItem(100, 100);
    EXPECT_EQ(Text("items_japanlayer_1"), "xa,a,");
    EXPECT_EQ(Text("magic_points"), "0");
}

TEST_F(ShopControlTest, ItemsAreFoundOnTheCurrentLayerThenOnTheLayersBelow) {
    struct TCase {
        const char* layer;
        int x, y;
        const char* found;  // path below japan, "" for none
    };
    const TCase cases[] = {
        {"layer_1", 120, 120, "layer_1/items/a"},
        {"layer_1", 320, 120, ""},  // e lies on a layer above
        {"layer_2", 120, 120, "layer_2/items/d"},
        {"layer_2", 220, 120, "layer_1/items/b"},  // hidden, below
        {"layer_3", 320, 120, "layer_3/items/e"},
        {"layer_3", 120, 120, "layer_1/items/a"},  // the first layer is asked first
        {"layer_3", 600, 600, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.layer + std::string(" ") + std::to_string(c.x));
        StartInShop({{"location_layer_japan", c.layer}});
        const Ref<IWidget> found = Control().ItemAt(c.x, c.y);
        EXPECT_EQ(found ? found.get() : nullptr,
                  *c.found ? Widget(std::string("locations/japan/") + c.found).get() : nullptr);
    }
}

TEST_F(ShopControlTest, LayersBelowTheCurrentOneAreBoughtOutAndClickShowsThem) {
    StartInShop({{"location_layer_japan", "layer_3"}, {"magic_points", "0"}});
    EXPECT_FALSE(Visible("locations/japan/layer_1"));
    for (const auto& [layer, name] : {std::pair{"layer_1", "a"}, {"layer_1", "b"}, {"layer_2", "d"}}) {
        EXPECT_EQ(State(layer, name), "unlocked");
        EXPECT_EQ(Prop(ItemPath(layer, name), "available"), "no");
    }
    EXPECT_EQ(Prop(ItemPath("layer_1", "b"), "title"), "Bell");
    ClickItem(200, 100);
    ASSERT_EQ(TopName(), "GS_ItemInfo");
    EXPECT_EQ(TextOrEmpty(game_->Find("title")->GetProperty("text")), "Bell");
    EXPECT_EQ(dynamic_cast<TQuillmarchGameScreenItemInfo&>(*game_->Top()).GetAfterBuy(), "no");
}

TEST_F(ShopControlTest, ALayerBoughtOutOpensTheNextOneAndTheLastOpensNothing) {
    StartInShop({{"magic_points", "200"}, {"items_japanlayer_1", "a,"}});
    // One item still locked: nothing opens.
    Control().ExecuteCommand(kCommandShopNextLayer, nullptr);
    EXPECT_EQ(Reveals(), 0);
    EXPECT_FALSE(JournalHas("sound sound_change_shop_layer"));
    ClickItem(200, 100);
    RunReveals();
    ForgetSave();
    Journal().clear();
    // The information screen's close after a purchase tries the next layer.
    CloseTop(Params({{"after_buy", Variant("yes")}}));
    EXPECT_TRUE(JournalHas("sound sound_change_shop_layer"));
    ASSERT_TRUE(Widget("control_scene_shop/scenario_group/scenario_show_layer"));
    EXPECT_EQ(Prop("control_scene_shop/scenario_group/scenario_show_layer", "layer_path"),
              "japan/layer_2");
    // Until the reveal ends the layer stays where it was.
    EXPECT_EQ(Text("location_layer_japan"), "");
    RunReveals();
    EXPECT_EQ(Control().GetLayer(), "layer_2");
    EXPECT_EQ(Text("location_layer_japan"), "layer_2");
    EXPECT_TRUE(Saved());
    EXPECT_TRUE(Visible("locations/japan/layer_2"));
    EXPECT_FALSE(Visible("locations/japan/layer_1"));
    EXPECT_EQ(Prop(ItemPath("layer_2", "d"), "cost"), "10");
    EXPECT_EQ(Prop(ItemPath("layer_2", "d"), "available"), "yes");
    EXPECT_EQ(State("layer_1", "a"), "unlocked");
    // The second layer's one item opens the third; the third opens nothing.
    ClickItem(100, 100);
    RunReveals();
    CloseTop(Params({{"after_buy", Variant("yes")}}));
    RunReveals();
    EXPECT_EQ(Text("location_layer_japan"), "layer_3");
    EXPECT_EQ(TopName(), "GS_CompleteLevels");  // levels remain to be played

    // Every item of the last layer bought: no "layer_4" is opened.
    StartInShop({{"location_layer_japan", "layer_3"}, {"items_japanlayer_3", "e,"}});
    ASSERT_EQ(State("layer_3", "e"), "unlocked");
    Control().ExecuteCommand(kCommandShopNextLayer, nullptr);
    EXPECT_EQ(Reveals(), 0);
    EXPECT_FALSE(JournalHas("sound sound_change_shop_layer"));
    EXPECT_EQ(Text("location_layer_japan"), "layer_3");
    EXPECT_TRUE(Visible("locations/japan/layer_3"));
}

TEST_F(ShopControlTest, ALayerRevealNamingNoLayerOrNoItemIsIgnored) {
    StartInShop({{"location_layer_japan", "layer_2"}});
    for (const char* layer : {"", "layer_4", "layer_0", "layers"}) {
        SCOPED_TRACE(layer);
        TLogCapture log;
        const Ref<IParamCollection> report =
            Params({{"scenario_to_finalize", Variant("scenario_show_layer")}});
        if (*layer) report->SetValue("layer", Variant(layer));
        Control().ExecuteCommand(kCommandRevealFinished, report);
        EXPECT_EQ(Text("location_layer_japan"), "layer_2");
        EXPECT_EQ(Control().GetLayer(), "layer_2");
        EXPECT_TRUE(Visible("locations/japan/layer_2"));
        EXPECT_TRUE(log.Has({"WORLD", "no layer"}));
    }
    for (const char* path : {"", "japan/layer_2/items/zz", "rome/layer_1/items/a"}) {
        SCOPED_TRACE(path);
        TLogCapture log;
        Journal().clear();
        Control().ExecuteCommand(
            kCommandRevealFinished,
            Params({{"scenario_to_finalize", Variant("scenario_show_item")},
                    {"item_name", Variant(path)}}));
        EXPECT_EQ(TopName(), "GS_SceneShop");
        EXPECT_TRUE(log.Has({"WORLD", "is not there"}));
    }
}

TEST_F(ShopControlTest, TheLastLayerCompletesTheLocationOnlyWhenEveryLevelIsPlayed) {
    struct TCase {
        const char* current;
        const char* expert;
        const char* shown;
        const char* state;
        const char* bonus;
    };
    const TCase cases[] = {
        {"3", "yes", "GS_CompleteLevels -", "", ""},
        {"4", "yes",
         "GS_LocationCompleted location_name=japan,location_expert=yes,location_completed=yes",
         "completed", "yes"},
        {"4", "no", "GS_LocationCompleted location_name=japan,location_expert=no,location_completed=yes",
         "completed", "yes"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.current + std::string(" ") + c.expert);
        StartInShop({{"location_layer_japan", "layer_2"},
                     {"items_japanlayer_2", "d,"},
                     {"current_level_japan", c.current},
                     {"expert_location_japan", c.expert}});
        ForgetSave();
        Control().ExecuteCommand(kCommandShopNextLayer, nullptr);
        RunReveals();
        EXPECT_EQ(Shown(), c.shown);
        EXPECT_EQ(Text("location_state_japan"), c.state);
        // As when the last level completes it: the new bonus levels are announced.
        EXPECT_EQ(Text("new_bonus_levels_enabled"), c.bonus);
        EXPECT_TRUE(Saved());
    }
}

TEST_F(ShopControlTest, TheMagicItemSwitchesItsPartsByStateAndAvailability) {
    StartInShop();
    const Ref<IWidget> item = Widget(ItemPath("layer_1", "b"));
    const Ref<IWidget> ps = item->FindWidget("locked/ps_shadowitem");
    struct TCase {
        const char* property;
        Variant value;
        const char* stored;
        bool unlocked, locked, particles, paused;
    };
    const TCase cases[] = {
        {"state", Variant("unlocked"), "unlocked", true, false, false, true},
        {"state", Variant(""), "", false, true, false, true},
        {"state", Variant("locked"), "locked", false, true, false, true},
        {"available", Variant(true), "yes", false, true, true, false},
        {"available", Variant("no"), "no", false, true, false, true},
        {"available", Variant("yes"), "yes", false, true, true, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.property + std::string(" ") + c.stored);
        item->SetVisible(false);
        ps->SetProperty("surface", Variant());
        Journal().clear();
        item->SetProperty(c.property, c.value);
        EXPECT_EQ(TextOrEmpty(item->GetProperty(c.property)), c.stored);
        EXPECT_EQ(item->FindWidget("unlocked")->GetVisible(), c.unlocked);
        EXPECT_EQ(item->FindWidget("locked")->GetVisible(), c.locked);
        EXPECT_EQ(ps->GetVisible(), c.particles);
        EXPECT_EQ(ps->GetPaused(), c.paused);
        const bool availability = std::string(c.property) == "available";
        // Availability restarts the particles and shows the item.
        EXPECT_EQ(JournalHas("command ps_shadowitem 2"), availability);
        EXPECT_EQ(item->GetVisible(), availability);
        EXPECT_EQ(ps->GetProperty("surface").Type() == varUnknown, c.particles);
    }
    // Names the data does not declare are dropped; declared ones are kept.
    item->SetProperty("price", Variant(3));
    EXPECT_TRUE(item->GetProperty("price").IsNull() || item->GetProperty("price").IsUnassigned());
    item->SetProperty("cost", Variant(3));
    EXPECT_EQ(TextOrEmpty(item->GetProperty("cost")), "3");
}

}  // namespace
}  // namespace shoptest
