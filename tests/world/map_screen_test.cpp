#include <gtest/gtest.h>

#include <string>

#include "engine/surface/EngineSurface.h"
#include "tests/world/MapTestSupport.h"

namespace maptest {
namespace {

class MapScreenTest : public MapTest {
protected:
    // The screen told as a control named by senderPath would tell it.
    void Report(const std::string& senderPath, int32_t code,
                const Ref<IParamCollection>& params) const {
        const Ref<IEventHandler> handler = Query<IEventHandler>(Harness().Screen("GS_Map"));
        handler->HandleEvent(Widget(senderPath), code, params);
    }
    void Close(const std::string& screen, const Ref<IParamCollection>& results = nullptr) {
        ASSERT_TRUE(Game().CloseGameScreen(Harness().Screen(screen), results));
    }
};

TEST_F(MapScreenTest, TheMapHelpOpensOnAProfilesFirstVisitOnly) {
    StartGame({}, {{"show_map", "no"}});
    ShowMap();
    EXPECT_EQ(Harness().StackNames(), "GS_Map GS_MapFirstTime");
    EXPECT_EQ(Text("show_map"), "yes");
    Close("GS_MapFirstTime");
    Close("GS_Map");
    ShowMap();
    EXPECT_EQ(Harness().StackNames(), "GS_Map");
}

TEST_F(MapScreenTest, EachArrivalSwitchesChangedLocationsAtOnce) {
    StartOnMap();
    Close("GS_Map");
    // Progress made elsewhere shows at the next arrival, without animation.
    Profile()->SetValue("location_state_a", Variant("completed"));
    ShowMap();
    EXPECT_EQ(States(), "completed available locked");
    EXPECT_EQ(ScenarioCount(), 0);
    EXPECT_EQ(Text("enter_to_map"), "no");
}

TEST_F(MapScreenTest, ArrivingWithAScrollShowsThePictureAndStartsTheScrollUp) {
    StartGame();
    const Ref<ISurface> picture = MakeRef<TSurface>();
    picture->SetSize(1024, 768);
    ASSERT_TRUE(Game().ShowGameScreen(
        "GS_Map", Params({{"surface", Variant(picture)}, {"show_scroll", Variant("yes")}})));
    const Ref<IWidget> surface = Widget("map_surface");
    EXPECT_TRUE(surface->GetVisible());
    EXPECT_EQ(surface->GetProperty("surface").ToInterface().get(),
              static_cast<IInterface*>(picture.get()));
    EXPECT_EQ(surface->GetProperty("shifttop").ToInt(), 0);
    EXPECT_EQ(surface->GetProperty("height").ToInt(), 768);
    EXPECT_DOUBLE_EQ(surface->GetTop(), 0.0);
    EXPECT_DOUBLE_EQ(Widget("scroll")->GetTop(), -200.0);  // its "start_y"
    EXPECT_TRUE(Scenario("scenario_scroll_up"));

    // Coming back from a scene hides the picture and puts the edge back.
    Harness().Step(1, 10);
    Harness().Step(1, 400);
    ASSERT_TRUE(Game().ShowGameScreen("GS_Scene", nullptr));
    Close("GS_Scene");
    EXPECT_FALSE(surface->GetVisible());
    EXPECT_DOUBLE_EQ(Widget("scroll")->GetTop(), -200.0);
    EXPECT_EQ(surface->GetProperty("height").ToInt(), 768);
}

TEST_F(MapScreenTest, EnteringALocationOpensItsSceneAndItsMosaicUntilTheMosaicIsDone) {
    struct Case {
        const char* mosaicDone;  // empty: the key is absent
        const char* stack;
        const char* sceneScroll;  // what the scene reads when all is open
    };
    for (const Case& c : {Case{"", "GS_Map GS_Scene GS_GameBigMosaic", "yes"},
                          Case{"no", "GS_Map GS_Scene GS_GameBigMosaic", "yes"},
                          Case{"yes", "GS_Map GS_Scene", "yes"}}) {
        SCOPED_TRACE(c.mosaicDone);
        StartOnMap();
        if (*c.mosaicDone) Profile()->SetValue("big_mosaic_completed_a", Variant(c.mosaicDone));
        Report("map_control", kEventEnterLocation, Params({{"active_map_part", Variant("a")}}));
        EXPECT_EQ(Harness().StackNames(), c.stack);
        const bool mosaic = std::string(c.mosaicDone) != "yes";
        // The scene opened without a scroll when the mosaic opened above it.
        EXPECT_TRUE(gametest::JournalHas(
            std::string("show GS_Scene active_map_part=a,surface=<surface 1024x768>,show_scroll=") +
            (mosaic ? "no" : "yes")));
        EXPECT_EQ(gametest::JournalHas("show GS_GameBigMosaic active_map_part=a,surface=<surface "
                                       "1024x768>,show_scroll=yes"),
                  mosaic);
        // Both got the same collection.
        const Ref<IParamCollection> scene = StandInScreen("GS_Scene").shownWith;
        EXPECT_EQ(scene->GetValue("show_scroll", Variant()).ToString(), c.sceneScroll);
        if (mosaic) {
            EXPECT_EQ(StandInScreen("GS_GameBigMosaic").shownWith.get(), scene.get());
        }
    }
}

TEST_F(MapScreenTest, TheSnapshotIsTheMapAsItIsDrawn) {
    StartOnMap({{"big_mosaic_completed_a", "yes"}});
    Report("map_control", kEventEnterLocation, Params({{"active_map_part", Variant("a")}}));
    const Ref<ISurface> snapshot = Query<ISurface>(
        StandInScreen("GS_Scene").shownWith->GetValue("surface", Variant()).ToInterface());
    ASSERT_TRUE(snapshot);
    uint32_t background = 0, location = 0;
    snapshot->GetPixel(900, 700, background);
    snapshot->GetPixel(120, 120, location);
    EXPECT_EQ(background, 0xFF406080u);
    EXPECT_EQ(location, 0xFF406080u);
}

TEST_F(MapScreenTest, AnEnteringEventWithoutParametersStillOpensTheScene) {
    StartOnMap();
    Report("map_control", kEventEnterLocation, nullptr);
    EXPECT_TRUE(gametest::JournalHas("show GS_Scene surface=<surface 1024x768>,show_scroll=no"));
    EXPECT_EQ(Harness().StackNames(), "GS_Map GS_Scene GS_GameBigMosaic");
}

TEST_F(MapScreenTest, OnlyTheMapControlsEventsAreActedOn) {
    StartOnMap();
    Report("background", kEventEnterLocation, Params({{"active_map_part", Variant("a")}}));
    Report("background", kEventAllLocationsCompleted, nullptr);
    Report("map_control", 0x8003, Params({{"active_map_part", Variant("a")}}));
    EXPECT_EQ(Harness().StackNames(), "GS_Map");
    Report("map_control", kEventAllLocationsCompleted, nullptr);
    EXPECT_EQ(Harness().StackNames(), "GS_Map GS_Final");
    EXPECT_TRUE(gametest::JournalHas("show GS_Final -"));
}

TEST_F(MapScreenTest, AClosingSceneHasChangedLocationsPlayTheirCompletion) {
    StartOnMap({{"big_mosaic_completed_a", "yes"}});
    Report("map_control", kEventEnterLocation, Params({{"active_map_part", Variant("a")}}));
    Profile()->SetValue("location_state_a", Variant("completed"));  // the scene completed a
    Close("GS_Scene");
    EXPECT_TRUE(Scenario("scenario_complete_a"));
    EXPECT_TRUE(Scenario("scenario_complete_b"));  // b opens with it
    EXPECT_FALSE(Scenario("scenario_scroll_up"));
    EXPECT_EQ(States(), "available locked locked");
    Harness().Step(1, 10);
    EXPECT_EQ(States(), "completed available locked");
}

TEST_F(MapScreenTest, TheMosaicsResultGoesToTheControl) {
    StartOnMap();
    Report("map_control", kEventEnterLocation, Params({{"active_map_part", Variant("a")}}));
    Close("GS_GameBigMosaic",
          Params({{"level_completed", Variant("yes")}, {"active_map_part", Variant("a")}}));
    // The scene was below it, so the scene is told; the map records it only
    // when the mosaic closes straight onto the map.
    EXPECT_EQ(Text("big_mosaic_completed_a"), "");
    Close("GS_Scene");
    ASSERT_TRUE(Game().ShowGameScreen("GS_GameBigMosaic", nullptr));
    Close("GS_GameBigMosaic",
          Params({{"level_completed", Variant("yes")}, {"active_map_part", Variant("a")}}));
    EXPECT_EQ(Text("big_mosaic_completed_a"), "yes");
}

TEST_F(MapScreenTest, WithoutAProfileNoHelpAndNoMosaicOpen) {
    StartGame();
    Game().GetUserProfiles()->SetCurrent("");
    ASSERT_FALSE(Game().GetUserProfiles()->GetCurrent());
    ShowMap();
    EXPECT_EQ(Harness().StackNames(), "GS_Map");
    EXPECT_EQ(States(), "locked locked locked");
    Report("map_control", kEventEnterLocation, Params({{"active_map_part", Variant("a")}}));
    EXPECT_EQ(Harness().StackNames(), "GS_Map GS_Scene");
}

}  // namespace
}  // namespace maptest
