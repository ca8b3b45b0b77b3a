#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/lang/MultiLanguages.h"
#include "tests/world/MapTestSupport.h"

namespace maptest {
namespace {

using MapControlTest = MapTest;

// Points inside the fixture's locations: a (100..200, 100..180), b
// (150..250, 150..230, overlapping a) and c (600..700, 400..480).
constexpr TPoint kOnA{120, 120};
constexpr TPoint kOnAAndB{170, 170};
constexpr TPoint kOnlyOnB{230, 220};
constexpr TPoint kOnC{650, 450};
constexpr TPoint kNowhere{900, 50};

TEST_F(MapControlTest, StatesFollowTheCompletedLocationsOfTheProfile) {
    struct Case {
        std::initializer_list<std::pair<std::string, std::string>> profile;
        const char* states;  // a b c
    };
    const Case cases[] = {
        {{}, "available locked locked"},
        {{{"location_state_a", "completed"}}, "completed available locked"},
        {{{"location_state_b", "completed"}}, "available completed locked"},
        {{{"location_state_a", "completed"}, {"location_state_b", "completed"}},
         "completed completed available"},
        // Only "completed" is trusted; other stored values are recomputed.
        {{{"location_state_a", "locked"},
          {"location_state_b", "available"},
          {"location_state_c", "available"}},
         "available locked locked"},
    };
    for (const Case& c : cases) {
        StartOnMap(c.profile);
        EXPECT_EQ(States(), c.states);
        EXPECT_EQ(Text("location_state_c"),
                  std::string(c.states).substr(std::string(c.states).rfind(' ') + 1));
        EXPECT_EQ(Text("enter_to_map"), "no");
    }
}

TEST_F(MapControlTest, ACompletedLocationNeverGoesBack) {
    StartOnMap({{"location_state_a", "completed"}, {"location_state_b", "completed"}});
    Profile()->SetValue("enter_to_map", Variant("yes"));
    Profile()->SetValue("location_state_a", Variant("locked"));  // damaged
    Control().ExecuteCommand(kCommandMapRecompute, nullptr);
    // b stays completed although a no longer reads completed; c follows a.
    EXPECT_EQ(States(), "available completed locked");
    EXPECT_EQ(Text("location_state_b"), "completed");
}

TEST_F(MapControlTest, ProgressCountsLevelsPassedAndItemsBoughtAgainstAllOfThem) {
    StartGame();
    Game().SetOptionValue("lvlcnt_a", Variant(10));
    SetMagicItems("a", {"vase", "lamp", "rug"}, {"bell", "drum", "harp"});
    Profile()->SetValue("current_level_a", Variant("4"));
    Profile()->SetValue("items_alayer_1", Variant("lamp,vase,"));
    EXPECT_EQ(Control().MaxLocationProgress("a"), 16);
    EXPECT_EQ(Control().CurrentLocationProgress("a"), 5);
    // The bar shows it: 5 of 16 of 160 pixels.
    ShowMap();
    EXPECT_EQ(Widget("map_locations/a/available/bar_progress")->GetProperty("value").ToInt(), 50);

    // A name ending another item's name is not bought with it.
    Profile()->SetValue("items_alayer_1", Variant("bluevase,lamp,"));
    EXPECT_EQ(Control().CurrentLocationProgress("a"), 4);
    Profile()->SetValue("items_alayer_2", Variant(" harp , bell,"));
    EXPECT_EQ(Control().CurrentLocationProgress("a"), 6);
    // Without the level key the player is at level 1.
    Profile()->Delete(Variant("current_level_a"));
    EXPECT_EQ(Control().CurrentLocationProgress("a"), 3);
}

TEST_F(MapControlTest, WithoutAMagicItemStoreOnlyTheLevelsCount) {
    StartGame();
    Game().SetOptionValue("lvlcnt_a", Variant(10));
    Profile()->SetValue("current_level_a", Variant("4"));
    EXPECT_EQ(Control().MaxLocationProgress("a"), 0);
    EXPECT_EQ(Control().CurrentLocationProgress("a"), 3);
    Game().SetOptionValue("magic_items", Variant("not a store"));
    EXPECT_EQ(Control().MaxLocationProgress("a"), 0);
    ShowMap();  // a maximum of 0 leaves an empty bar
    EXPECT_EQ(Widget("map_locations/a/available/bar_progress")->GetProperty("value").ToInt(), 0);
}

class MapPanelTest : public MapControlTest {
protected:
    void SetUp() override {
        MapControlTest::SetUp();
        TMLStrings& strings = GetMultiLanguages()->Strings();
        strings.SetString("Finish %location_name_1%%delimeter%%location_name_2% first",
                          "title_SceneLocked");
        strings.SetString("the Alps", "a");
        strings.SetString("the Bay", "b");
        strings.SetString("Cove", "c");
    }
    void TearDown() override {
        for (const char* key : {"title_SceneLocked", "a", "b", "c"}) {
            GetMultiLanguages()->Strings().Delete(Variant(key));
        }
        MapControlTest::TearDown();
    }
    void MoveTo(TPoint point) {
        Harness().MouseMove(point.x, point.y);
        Harness().Step(1);
    }
    std::string Panel() const {
        return std::string(Visible("map_panel/out_scene") ? "out" : "") +
               (Visible("map_panel/available_scene") ? "available" : "") +
               (Visible("map_panel/locked_scene") ? "locked" : "");
    }
    Variant Highlight(const std::string& name) const {
        return Location(name).GetProperty("highlight");
    }
};

TEST_F(MapPanelTest, HoverHighlightsOpenLocationsAndExplainsLockedOnes) {
    StartOnMap();  // a available, b and c locked
    MoveTo(kOnA);
    EXPECT_TRUE(Highlight("a").ToBool());
    EXPECT_EQ(Panel(), "available");
    EXPECT_EQ(Control().GetHovered().get(), &Location("a"));

    // a lies above b where they overlap: still a, nothing changes.
    MoveTo(kOnAAndB);
    EXPECT_TRUE(Highlight("a").ToBool());

    // Straight onto b: a loses its highlight, b (locked) gets none.
    MoveTo(kOnlyOnB);
    EXPECT_FALSE(Highlight("a").ToBool());
    EXPECT_EQ(Highlight("b").ToString(), "no");
    EXPECT_EQ(Panel(), "locked");
    EXPECT_EQ(Probe("map_panel/locked_scene/text").values["text_utf8"].ToString(),
              "Finish the Alps first");

    MoveTo(kOnC);
    EXPECT_EQ(Probe("map_panel/locked_scene/text").values["text_utf8"].ToString(),
              "Finish the Alps,the Bay first");

    MoveTo(kNowhere);
    EXPECT_EQ(Panel(), "out");
    EXPECT_FALSE(Control().GetHovered());
}

TEST_F(MapPanelTest, ALockedLocationNeedingThreeKeepsTheTextItHad) {
    StartOnMap();
    Location("c").SetExtraParam("required", Variant("a,b,d"));
    Probe("map_panel/locked_scene/text").values["text_utf8"] = Variant("before");
    MoveTo(kOnC);
    EXPECT_EQ(Panel(), "locked");
    EXPECT_EQ(Probe("map_panel/locked_scene/text").values["text_utf8"].ToString(), "before");
}

TEST_F(MapPanelTest, AClickEntersAnOpenLocationAtTheEnginesPointer) {
    StartOnMap({{"big_mosaic_completed_a", "yes"}});
    Harness().Click(kOnA.x, kOnA.y);
    EXPECT_TRUE(gametest::JournalHasInOrder(
        {"sound sound_buttonclick",
         "show GS_Scene active_map_part=a,surface=<surface 1024x768>,show_scroll=yes"}));
    ASSERT_TRUE(Game().CloseGameScreen(Harness().Screen("GS_Scene"), nullptr));
    Journal().clear();

    // The event's own point is not where the engine's pointer is.
    Harness().MouseMove(kOnA.x, kOnA.y);
    Control().MouseDown(kNowhere.x, kNowhere.y, 0, kButtonLeft);
    EXPECT_TRUE(gametest::JournalHas("sound sound_buttonclick"));
    EXPECT_EQ(Harness().StackNames(), "GS_Map GS_Scene");
    ASSERT_TRUE(Game().CloseGameScreen(Harness().Screen("GS_Scene"), nullptr));
    Journal().clear();
    Harness().MouseMove(kNowhere.x, kNowhere.y);
    Control().MouseDown(kOnA.x, kOnA.y, 0, kButtonLeft);
    EXPECT_TRUE(Journal().empty());
}

TEST_F(MapPanelTest, AClickOnALockedLocationExplainsWhatItNeeds) {
    StartOnMap();
    Harness().Click(kOnC.x, kOnC.y);
    EXPECT_EQ(Harness().StackNames(), "GS_Map GS_LocationLocked");
    EXPECT_TRUE(gametest::JournalHas("show GS_LocationLocked location_name=c,required=a, b"));
    EXPECT_FALSE(gametest::JournalHas("sound sound_buttonclick"));
}

TEST_F(MapControlTest, TheFinalEventFollowsOnlyACompletionWhenEverythingIsCompleted) {
    StartOnMap({{"location_state_a", "completed"}, {"location_state_b", "completed"}});
    const auto finish = [this](const char* name) {
        Control().ExecuteCommand(
            11, name ? Params({{"scenario_to_finalize", Variant(name)}}) : nullptr);
    };
    finish("scenario_complete_b");  // c is not completed
    EXPECT_EQ(Harness().StackNames(), "GS_Map");

    Profile()->SetValue("location_state_c", Variant("completed"));
    finish("scenario_scroll");
    finish(nullptr);
    EXPECT_EQ(Harness().StackNames(), "GS_Map");
    finish("scenario_complete_c");
    EXPECT_EQ(Harness().StackNames(), "GS_Map GS_Final");
}

TEST_F(MapControlTest, TheLastCompletionAnimationOpensTheFinalScreen) {
    StartOnMap({{"location_state_a", "completed"}, {"location_state_b", "completed"}});
    Profile()->SetValue("location_state_c", Variant("completed"));
    Control().ExecuteCommand(kCommandMapRecompute, nullptr);
    Harness().Step(1, 10);
    EXPECT_EQ(Location("c").GetState(), "completed");
    EXPECT_EQ(Harness().StackNames(), "GS_Map");
    Harness().Step(1, 500);
    EXPECT_EQ(Harness().StackNames(), "GS_Map GS_Final");
}

TEST_F(MapControlTest, ARecomputeEmptiesTheScenarioGroupAndMayStartTheScrollUp) {
    StartOnMap({{"location_state_a", "completed"}});
    Profile()->SetValue("location_state_b", Variant("completed"));
    Control().ExecuteCommand(kCommandMapRecompute, nullptr);
    ASSERT_TRUE(Scenario("scenario_complete_b"));
    Control().ExecuteCommand(kCommandMapRecompute, Params({{"show_scroll", Variant("no")}}));
    // The waiting completion went with the group; b is applied now.
    EXPECT_FALSE(Scenario("scenario_scroll_up"));
    Control().ExecuteCommand(kCommandMapRecompute, Params({{"show_scroll", Variant("yes")}}));
    EXPECT_TRUE(Scenario("scenario_scroll_up"));
    EXPECT_EQ(ScenarioCount(), 1);
    EXPECT_EQ(Text("enter_to_map"), "no");
}

TEST_F(MapControlTest, TheMosaicResultIsRecordedAndTheProfilesAreAlwaysSaved) {
    StartOnMap();
    const std::filesystem::path users = Harness().UserDir() + "users.dat";
    std::filesystem::remove(users);
    Control().ExecuteCommand(kCommandMapMosaicResult, nullptr);
    EXPECT_TRUE(std::filesystem::exists(users));

    struct Case {
        const char* completed;
        const char* stored;
    };
    for (const Case& c : {Case{"no", ""}, Case{"yes", "yes"}}) {
        std::filesystem::remove(users);
        Control().ExecuteCommand(
            kCommandMapMosaicResult,
            Params({{"level_completed", Variant(c.completed)}, {"active_map_part", Variant("b")}}));
        EXPECT_EQ(Text("big_mosaic_completed_b"), c.stored);
        EXPECT_TRUE(std::filesystem::exists(users));
    }
}

}  // namespace
}  // namespace maptest
