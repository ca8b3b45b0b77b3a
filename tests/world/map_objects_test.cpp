#include <gtest/gtest.h>

#include <string>

#include "tests/world/MapTestSupport.h"

namespace maptest {
namespace {

class MapObjectsTest : public MapTest {
protected:
    std::string Looks(const std::string& name) const;
};

// Which looks show, in the order locked, available, completed, gold, silver.
std::string MapObjectsTest::Looks(const std::string& name) const {
    const MapObjectsTest& test = *this;
    std::string looks;
    for (const char* child :
         {"locked", "available", "completed", "completed/image", "completed/image_silver"}) {
        // A look inside the hidden "completed" is not seen either.
        const std::string path = std::string(child);
        bool seen = test.Visible("map_locations/" + name + "/" + path);
        if (path.find('/') != std::string::npos)
            seen = seen && test.Visible("map_locations/" + name + "/completed");
        looks += seen ? "1" : "0";
    }
    return looks;
}

TEST_F(MapObjectsTest, OnAFreshEntryAStateAppliesAtOnceAndIsKeptInTheProfile) {
    StartOnMap();
    Profile()->SetValue("enter_to_map", Variant("yes"));
    struct Case {
        const char* state;
        const char* expert;  // "expert_location_c"; empty: absent
        const char* looks;
    };
    const Case cases[] = {
        {"locked", "", "10000"},       {"available", "", "01000"},   {"completed", "", "00101"},
        {"completed", "yes", "00110"}, {"completed", "no", "00101"}, {"locked", "yes", "10000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.state) + " expert=" + c.expert);
        if (*c.expert) {
            Profile()->SetValue("expert_location_c", Variant(c.expert));
        } else if (Profile()->Exists("expert_location_c")) {
            Profile()->Delete(Variant("expert_location_c"));
        }
        Location("c").SetProperty("location_state", Variant(c.state));
        EXPECT_EQ(Location("c").GetProperty("location_state").ToString(), c.state);
        EXPECT_EQ(Text("location_state_c"), c.state);
        EXPECT_EQ(Looks("c"), c.looks);
        EXPECT_EQ(ScenarioCount(), 0);
    }
}

TEST_F(MapObjectsTest, OnTheMapAChangeWaitsForItsCompletionScenario) {
    StartOnMap({{"location_state_a", "completed"}});  // b is available now
    ASSERT_EQ(Text("enter_to_map"), "no");
    ASSERT_EQ(Location("b").GetState(), "available");

    Location("b").SetProperty("location_state", Variant("completed"));
    // The state is unchanged until the scenario applies it.
    EXPECT_EQ(Location("b").GetState(), "available");
    EXPECT_EQ(Location("b").GetPendingState(), "completed");
    EXPECT_EQ(Text("location_state_b"), "available");
    const Ref<IWidget> scenario = Scenario("scenario_complete_b");
    ASSERT_TRUE(scenario);
    EXPECT_EQ(scenario->GetProperty("control_game").ToInterface().get(),
              static_cast<IInterface*>(Widget("map_control").get()));
    EXPECT_EQ(scenario->GetProperty("state_to_set").ToString(), "completed");

    // While it waits, another value applies at once, without a second one.
    Location("b").SetProperty("location_state", Variant("locked"));
    EXPECT_EQ(Location("b").GetState(), "locked");
    EXPECT_EQ(Location("b").GetPendingState(), "");
    EXPECT_EQ(Text("location_state_b"), "locked");
    EXPECT_EQ(ScenarioCount(), 1);
    EXPECT_EQ(Looks("b"), "10000");

    // The present value applies directly too.
    Location("a").SetProperty("location_state", Variant("completed"));
    EXPECT_EQ(ScenarioCount(), 1);
    EXPECT_EQ(Text("location_state_a"), "completed");
}

TEST_F(MapObjectsTest, WithoutAScenarioGroupAChangeOnTheMapAppliesAtOnce) {
    TMapOptions options;
    options.scenarioGroup = false;
    StartOnMap({{"location_state_a", "completed"}}, options);
    Location("b").SetProperty("location_state", Variant("completed"));
    EXPECT_EQ(Location("b").GetState(), "completed");
    EXPECT_EQ(Location("b").GetPendingState(), "");
    EXPECT_EQ(Text("location_state_b"), "completed");
}

TEST_F(MapObjectsTest, TheProgressBarScalesTheCurrentValueByTheMaximum) {
    StartOnMap();
    const Ref<IWidget> bar = Widget("map_locations/a/available/bar_progress");
    ASSERT_TRUE(bar);
    ASSERT_EQ(bar->GetProperty("bar_width").ToInt(), 160);
    struct Case {
        int max, current, value;
    };
    // 5 of 16 of 160 pixels is 50; 1 of 3 is 53.33 and rounds to 53; a
    // maximum of 0 shows an empty bar instead of dividing by zero.
    for (const Case& c : {Case{16, 5, 50}, Case{3, 1, 53}, Case{16, 16, 160}, Case{0, 5, 0}}) {
        SCOPED_TRACE(std::to_string(c.max) + "/" + std::to_string(c.current));
        Location("a").SetProperty("max_location_progress", Variant(c.max));
        Location("a").SetProperty("current_location_progress", Variant(c.current));
        EXPECT_EQ(bar->GetProperty("max_value").ToInt(), c.max);
        EXPECT_EQ(bar->GetProperty("value").ToInt(), c.value);
        EXPECT_EQ(bar->GetProperty("current_value").ToInt(), 0);
    }
}

TEST_F(MapObjectsTest, ALevelMarkerIsExpertOnlyWhenCompletedWithAllThreeAwards) {
    StartOnMap({{"award_speedL7", "yes"}, {"award_hintL7", "yes"}, {"award_errorL7", "yes"}});
    const Ref<IWidget> marker = Widget("marker");
    const auto looks = [this] {
        std::string text;
        for (const char* child :
             {"locked", "current", "completed", "completed/expert", "completed/non_expert"}) {
            text += Visible(std::string("marker/") + child) ? "1" : "0";
        }
        return text;
    };
    marker->SetProperty("state", Variant("current"));
    EXPECT_FALSE(marker->GetProperty("expert_level").ToBool());
    EXPECT_EQ(looks().substr(0, 3), "010");
    marker->SetProperty("state", Variant("completed"));
    EXPECT_TRUE(marker->GetProperty("expert_level").ToBool());
    EXPECT_EQ(looks(), "00110");

    // One award short: not expert, the other completed look.
    Profile()->SetValue("award_hintL7", Variant("no"));
    EXPECT_FALSE(marker->GetProperty("expert_level").ToBool());
    EXPECT_EQ(looks(), "00101");
    marker->SetProperty("state", Variant("locked"));
    EXPECT_EQ(looks().substr(0, 3), "100");
}

TEST_F(MapObjectsTest, ALevelMarkersHighlightGoesToTheLookOfItsState) {
    StartOnMap({{"award_speedL7", "yes"}, {"award_hintL7", "yes"}, {"award_errorL7", "yes"}});
    const Ref<IWidget> marker = Widget("marker");
    const auto lit = [this](const char* child) {
        return Probe(std::string("marker/") + child).values["highlight"];
    };
    // Before any state there is no look to highlight.
    marker->SetProperty("highlight", Variant("yes"));
    for (const char* child : {"locked", "current", "completed/expert", "completed/non_expert"}) {
        EXPECT_TRUE(lit(child).IsUnassigned()) << child;
    }
    marker->SetProperty("state", Variant("current"));
    marker->SetProperty("highlight", Variant("yes"));
    EXPECT_TRUE(lit("current").ToBool());
    marker->SetProperty("state", Variant("completed"));
    marker->SetProperty("highlight", Variant("yes"));
    EXPECT_TRUE(lit("completed/expert").ToBool());
    EXPECT_TRUE(lit("completed/non_expert").IsUnassigned());
    Profile()->SetValue("award_errorL7", Variant("no"));
    marker->SetProperty("state", Variant("completed"));  // the awards are read again
    marker->SetProperty("highlight", Variant("no"));
    EXPECT_FALSE(lit("completed/non_expert").ToBool());
    EXPECT_TRUE(lit("completed/expert").ToBool());
}

TEST_F(MapObjectsTest, TheLockedLocationScreenIsRegistered) {
    const Ref<TAbstractObject> screen = CreateObjectByName("QuillmarchGameScreenLocationLocked");
    EXPECT_TRUE(Query<TGameScreen>(screen));
}

}  // namespace
}  // namespace maptest
