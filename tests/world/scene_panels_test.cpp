// The scene's panel scenario: paused until restarted, slides its widgets
// between their places and their offsets, and tells its control when done.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/WidgetHarness.h"
#include "world/ScenePanels.h"

namespace {

// A control that keeps the commands it gets: "11 scene_show".
class TPanelsControl : public TVisualGroupWidget {
public:
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override {
        Commands().push_back(std::to_string(command) + " " +
                             (params ? TextOrEmpty(params->GetValue("scenario_to_finalize", Variant("")))
                                     : std::string("-")));
    }
    static std::vector<std::string>& Commands() {
        static std::vector<std::string> commands;
        return commands;
    }
};

class ScenePanelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            registered = true;
            RegisterObjectClass(ClassOf<TPanelsControl>(), "qm_panels_control");
        }
        TPanelsControl::Commands().clear();
    }

    // A top bar at (0, 0) whose place is its "start_y", a button placed
    // where it stands, the control, and the scenario.
    void Load(const std::string& mode, const std::string& moves, int duration = 400) {
        screen_.Load(
            "<widget type=\"group_widget\" visible=\"yes\"><widgets>"
            "<widget type=\"rect_widget\" name=\"bar\" visible=\"yes\" anchor_left=\"0\" anchor_top=\"0\" "
            "width=\"100\" height=\"20\" color=\"$FF0000FF\" extraparams=\"start_y=10\"/>"
            "<widget type=\"group_widget\" name=\"bottom\" visible=\"yes\"><widgets>"
            "<widget type=\"rect_widget\" name=\"button\" visible=\"yes\" anchor_left=\"50\" anchor_top=\"300\" "
            "width=\"20\" height=\"20\" color=\"$FF00FF00\"/></widgets></widget>"
            "<widget type=\"qm_panels_control\" name=\"control\" visible=\"yes\"/>"
            "<widget type=\"scenario_scene_panels\" name=\"scene_show\" visible=\"yes\" paused=\"yes\" "
            "mode=\"" + mode + "\" duration=\"" + std::to_string(duration) +
            "\" control=\"control\" moves=\"" + moves + "\"/>"
            "</widgets></widget>");
    }
    void Frame(int32_t ms) { screen_.Step(1, ms); }
    double Top(const std::string& path) const { return screen_.Find(path)->GetTop(); }
    double Left(const std::string& path) const { return screen_.Find(path)->GetLeft(); }
    TScenarioScenePanels& Scenario() const {
        return dynamic_cast<TScenarioScenePanels&>(*screen_.Find("scene_show"));
    }

    TWidgetHarness screen_{640, 480};
};

TEST_F(ScenePanelsTest, WaitsForItsRestartThenSlidesInAndReportsOnce) {
    Load("show", "bar:0:-80; bottom/button : 40 : 100");
    screen_.Step(5, 100);
    // Loaded paused: nothing moves and nothing is reported.
    EXPECT_EQ(Top("bar"), 0.0);
    EXPECT_TRUE(TPanelsControl::Commands().empty());

    screen_.Find("scene_show")->Restart();
    // From the offsets: the bar from its "start_y", the button from where
    // it stood.
    EXPECT_EQ(Top("bar"), 10.0 - 80.0);
    EXPECT_EQ(Left("bottom/button"), 90.0);
    EXPECT_EQ(Top("bottom/button"), 400.0);
    // Restarted outside a frame, it counts as updated in the next one.
    Frame(10);
    EXPECT_EQ(Top("bar"), 10.0 - 80.0);
    Frame(200);
    // Half the time, eased out: three quarters of the way.
    EXPECT_DOUBLE_EQ(Top("bar"), 10.0 - 80.0 * 0.25);
    EXPECT_DOUBLE_EQ(Top("bottom/button"), 300.0 + 100.0 * 0.25);
    EXPECT_TRUE(Scenario().IsRunning());
    Frame(200);
    EXPECT_EQ(Top("bar"), 10.0);
    EXPECT_EQ(Left("bottom/button"), 50.0);
    EXPECT_EQ(Top("bottom/button"), 300.0);
    EXPECT_EQ(TPanelsControl::Commands(), std::vector<std::string>{"11 scene_show"});
    EXPECT_FALSE(Scenario().IsRunning());
    EXPECT_TRUE(screen_.Find("scene_show")->GetPaused());
    screen_.Step(5, 100);
    EXPECT_EQ(TPanelsControl::Commands().size(), 1u);

    // Restarted, it runs again from the places.
    screen_.Find("scene_show")->Restart();
    for (int i = 0; i < 4; ++i) Frame(200);
    EXPECT_EQ(TPanelsControl::Commands().size(), 2u);
    EXPECT_EQ(Top("bar"), 10.0);
}

TEST_F(ScenePanelsTest, HidingLeavesTheWidgetsAtTheirOffsets) {
    Load("hide", "bar:0:-80;bottom/button:0:100", 300);
    screen_.Find("scene_show")->Restart();
    EXPECT_EQ(Top("bar"), 10.0);
    for (int i = 0; i < 3; ++i) Frame(200);
    EXPECT_EQ(Top("bar"), -70.0);
    EXPECT_EQ(Top("bottom/button"), 400.0);
    EXPECT_EQ(TPanelsControl::Commands(), std::vector<std::string>{"11 scene_show"});
}

// Missing widgets and a missing control are skipped; a duration of 0 ends at
// the first step; a move that is no move is logged and left out.
TEST_F(ScenePanelsTest, SkipsWhatIsNotThere) {
    Load("show", "nothing:0:-80;bar:x:1;bar:0:-80", 0);
    ASSERT_EQ(screen_.Log().Lines().size(), 1u);
    EXPECT_NE(screen_.Log().Lines()[0].find("\"bar:x:1\""), std::string::npos);
    screen_.Find("scene_show")->Restart();
    EXPECT_EQ(Top("bar"), 10.0);
    EXPECT_EQ(TPanelsControl::Commands(), std::vector<std::string>{"11 scene_show"});

    screen_.Find("scene_show")->SetProperty("control", Variant("gone"));
    screen_.Find("scene_show")->Restart();
    EXPECT_EQ(TPanelsControl::Commands().size(), 1u);
    EXPECT_FALSE(Scenario().IsRunning());
}

}  // namespace
