#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/surface/EngineSurface.h"
#include "tests/world/MapTestSupport.h"

namespace maptest {
namespace {

// A snapshot of rows × 1024 pixels, as a show parameter carries it.
Ref<ISurface> Snapshot(int32_t rows = 768) {
    const Ref<ISurface> surface = MakeRef<TSurface>();
    surface->SetSize(1024, rows);
    return surface;
}

struct TGeometry {
    int32_t shiftTop;
    int32_t height;
    double top;
    double edge;
};

class MapScenariosTest : public MapTest {
protected:
    TGeometry Geometry(const std::string& screen) const {
        const Ref<IWidget> window = Harness().Screen(screen)->GetWindowWidget();
        const Ref<IWidget> picture = window->FindWidget("map_surface");
        const Ref<IWidget> edge = window->FindWidget("scroll");
        return {picture->GetProperty("shifttop").ToInt(), picture->GetProperty("height").ToInt(),
                picture->GetTop(), edge->GetTop()};
    }
    // Draws the whole screen into a surface of its size: under the
    // sanitizers, a picture asked for rows it does not have fails here.
    void Draw(const std::string& screen) const {
        const Ref<ISurface> target = Snapshot();
        Harness().Screen(screen)->Render(*target);
    }
    // Opens the transition screen with a picture of rows rows and starts
    // a scroll of that duration on it.
    Ref<IWidget> StartScroll(int32_t duration, const std::string& bigMosaic, int32_t rows = 768) {
        EXPECT_TRUE(Game().ShowGameScreen("GS_Transition", nullptr));
        const Ref<IWidget> window = Harness().Screen("GS_Transition")->GetWindowWidget();
        window->FindWidget("map_surface")->SetProperty("surface", Variant(Snapshot(rows)));
        const Ref<IWidget> group = window->FindWidget("holder/scenario_group");
        const Ref<IWidget> made =
            Query<IWidgetOwner>(Ref<IInterface>(group))
                ->CreateFactoryWidget("scenario_scroll",
                                      Params({{"duration", Variant(std::to_string(duration))},
                                              {"big_mosaic", Variant(bigMosaic)}}));
        EXPECT_TRUE(made);
        if (!made) return nullptr;
        group->GetChildren()->AddWidget(made);
        made->SetProperty("control_game", Variant(window->FindWidget("holder/control")));
        Journal().clear();
        return made;
    }
};

TEST_F(MapScenariosTest, TheScrollUpRaisesTheEdgeAndShrinksThePictureWithinItsRows) {
    StartGame();
    ASSERT_TRUE(Game().ShowGameScreen(
        "GS_Map", Params({{"surface", Variant(Snapshot())}, {"show_scroll", Variant("yes")}})));
    ASSERT_TRUE(Scenario("scenario_scroll_up"));
    struct Step {
        int32_t ms;
        TGeometry expected;
    };
    // y = 768 − 882 × t / 1000; the picture shows rows 0 to y + 40, which
    // the 768 rows of the snapshot bound at both ends.
    const Step steps[] = {
        {10, {0, 768, 0.0, 768.0}},  // the scroll starts: 808 rows asked, 768 there
        {500, {0, 367, 0.0, 327.0}},
        {500, {0, 0, 0.0, -114.0}},  // −74 rows asked: none
    };
    for (const Step& step : steps) {
        Harness().Step(1, step.ms);
        const TGeometry g = Geometry("GS_Map");
        SCOPED_TRACE(step.ms);
        EXPECT_EQ(g.shiftTop, step.expected.shiftTop);
        EXPECT_EQ(g.height, step.expected.height);
        EXPECT_DOUBLE_EQ(g.top, step.expected.top);
        EXPECT_NEAR(g.edge, step.expected.edge, 1e-9);
        Draw("GS_Map");
    }
    // It ended with the last step, and reported nothing.
    EXPECT_FALSE(Scenario("scenario_scroll_up"));
}

TEST_F(MapScenariosTest, TheScrollLowersTheEdgeAndKeepsThePicture40PixelsBelowIt) {
    StartGame();
    ASSERT_TRUE(StartScroll(1000, "no"));
    struct Step {
        int32_t ms;
        TGeometry expected;
    };
    // y = 768 × t / 1000; rows from y + 40 on, down to the snapshot's end.
    const Step steps[] = {
        {10, {40, 728, 40.0, 0.0}},
        {500, {424, 344, 424.0, 384.0}},
        {500, {768, 0, 808.0, 768.0}},  // rows 808 on asked: none are there
    };
    for (const Step& step : steps) {
        Harness().Step(1, step.ms);
        const TGeometry g = Geometry("GS_Transition");
        SCOPED_TRACE(step.ms);
        EXPECT_EQ(g.shiftTop, step.expected.shiftTop);
        EXPECT_EQ(g.height, step.expected.height);
        EXPECT_DOUBLE_EQ(g.top, step.expected.top);
        EXPECT_DOUBLE_EQ(g.edge, step.expected.edge);
        Draw("GS_Transition");
    }
}

TEST_F(MapScenariosTest, ThePictureIsCutToASnapshotShorterThanTheScreen) {
    StartGame();
    ASSERT_TRUE(StartScroll(1000, "no", 300));
    Harness().Step(1, 10);
    TGeometry g = Geometry("GS_Transition");
    EXPECT_EQ(g.shiftTop, 40);
    EXPECT_EQ(g.height, 260);
    Draw("GS_Transition");
    Harness().Step(1, 500);
    g = Geometry("GS_Transition");
    EXPECT_EQ(g.shiftTop, 300);
    EXPECT_EQ(g.height, 0);
    Draw("GS_Transition");
}

TEST_F(MapScenariosTest, PositionsRoundHalvesToEven) {
    StartGame();
    // 1536 ms: the edge moves half a pixel a millisecond.
    ASSERT_TRUE(StartScroll(1536, "no"));
    Harness().Step(1, 10);
    Harness().Step(1, 1);  // y = 0.5
    EXPECT_EQ(Geometry("GS_Transition").shiftTop, 40);
    EXPECT_DOUBLE_EQ(Geometry("GS_Transition").edge, 0.5);
    Harness().Step(1, 2);  // y = 1.5
    EXPECT_EQ(Geometry("GS_Transition").shiftTop, 42);
    EXPECT_EQ(Geometry("GS_Transition").height, 726);  // 768 − 42, of 807 asked
}

TEST_F(MapScenariosTest, ADurationOf0PutsEverythingAtItsEndAtOnce) {
    TMapOptions options;
    options.scrollDuration = 0;
    StartGame(options);
    ASSERT_TRUE(Game().ShowGameScreen(
        "GS_Map", Params({{"surface", Variant(Snapshot())}, {"show_scroll", Variant("yes")}})));
    Harness().Step(1, 10);
    const TGeometry g = Geometry("GS_Map");
    EXPECT_TRUE(std::isfinite(g.edge));
    EXPECT_DOUBLE_EQ(g.edge, -114.0);
    EXPECT_EQ(g.height, 0);
    Draw("GS_Map");
    Harness().Step(1, 10);
    EXPECT_FALSE(Scenario("scenario_scroll_up"));

    ASSERT_TRUE(StartScroll(0, "no"));
    Harness().Step(1, 10);
    EXPECT_DOUBLE_EQ(Geometry("GS_Transition").edge, 768.0);
    Harness().Step(1, 10);
    EXPECT_TRUE(gametest::JournalHas("command control 11"));
}

TEST_F(MapScenariosTest, TheScrollReportsToItsControlAndOnlyAMosaicScrollToTheScreen) {
    for (const char* bigMosaic : {"no", "yes"}) {
        SCOPED_TRACE(bigMosaic);
        StartGame();
        const Ref<IWidget> scenario = StartScroll(100, bigMosaic);
        ASSERT_TRUE(scenario);
        Harness().Step(1, 10);
        Harness().Step(1, 50);
        EXPECT_TRUE(Journal().empty());
        Harness().Step(1, 50);
        EXPECT_TRUE(scenario->GetDead());
        EXPECT_TRUE(gametest::JournalHas("command control 11"));
        EXPECT_EQ(gametest::JournalHas("event GS_Transition scenario_scroll 32778"),
                  std::string(bigMosaic) == "yes");
    }
}

TEST_F(MapScenariosTest, TheCompletionScenarioAppliesTheStateWhenItStartsAndReportsAtItsEnd) {
    StartOnMap({{"location_state_a", "completed"}});
    // The player comes back from a location with b completed.
    Profile()->SetValue("location_state_b", Variant("completed"));
    Control().ExecuteCommand(kCommandMapRecompute, nullptr);
    const Ref<IWidget> scenario = Scenario("scenario_complete_b");
    ASSERT_TRUE(scenario);
    ASSERT_TRUE(Scenario("scenario_complete_c"));
    EXPECT_EQ(Location("b").GetState(), "available");
    EXPECT_EQ(Location("c").GetState(), "locked");

    Harness().Step(1, 10);  // the animation starts
    EXPECT_EQ(Location("b").GetState(), "completed");
    EXPECT_EQ(Location("b").GetPendingState(), "");
    // Particles from the locked look, at the location.
    const Ref<IWidget> ps = scenario->FindWidget("ps");
    ASSERT_TRUE(ps);
    EXPECT_TRUE(gametest::JournalHas("command ps 2"));
    auto& particles = dynamic_cast<TMapProbe&>(*ps);
    const Ref<ISurface> seed = Query<ISurface>(particles.values["surface"].ToInterface());
    ASSERT_TRUE(seed);
    EXPECT_EQ(seed->GetWidth(), 100);
    EXPECT_EQ(seed->GetHeight(), 80);
    EXPECT_EQ(particles.values["init_creation_count"].ToInt(), 200);
    EXPECT_EQ(particles.values["delta_step"].ToInt(), -1);
    EXPECT_TRUE(ps->GetVisible());
    EXPECT_FALSE(ps->GetPaused());
    EXPECT_DOUBLE_EQ(ps->GetLeft(), 150.0);
    EXPECT_DOUBLE_EQ(ps->GetTop(), 150.0);
    // c needed a and b: it opens with a scenario of its own.
    EXPECT_EQ(Location("c").GetState(), "available");

    Harness().Step(1, 499);
    EXPECT_TRUE(Scenario("scenario_complete_b"));
    Harness().Step(1, 1);  // 500 ms: it reports and ends
    EXPECT_FALSE(Scenario("scenario_complete_b"));
    // Not every location is completed: no final screen.
    EXPECT_EQ(Harness().StackNames(), "GS_Map");
}

TEST_F(MapScenariosTest, WithoutAParticleFactoryTheCompletionStillPlaysThrough) {
    TMapOptions options;
    options.particles = false;
    StartOnMap({{"location_state_a", "completed"}}, options);
    Profile()->SetValue("location_state_b", Variant("completed"));
    Control().ExecuteCommand(kCommandMapRecompute, nullptr);
    Harness().Step(1, 10);
    EXPECT_EQ(Location("b").GetState(), "completed");
    Harness().Step(1, 500);
    EXPECT_EQ(ScenarioCount(), 0);
}

}  // namespace
}  // namespace maptest
