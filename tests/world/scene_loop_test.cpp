// One whole visit of a location through the screen harness, every screen
// real: a click on the map enters location "a"; its scene scrolls the map's
// picture away and builds its one level button; a click on the button hides
// the scene and opens the level; the level is won by clicks on its cells;
// the results are accepted on the statistics screen; the scene takes them
// into the profile, and as the last level of the last layer they complete
// the location; the location-completed screen's button leads back to the
// map, which works the locations out again and shows "a" completed and "b"
// open.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "game/UserProfiles.h"
#include "nonogram/ControlGameNonogram.h"
#include "tests/nonogram/LevelFlowTestSupport.h"
#include "tests/nonogram/NonogramTestSupport.h"
#include "tests/support/TempDir.h"
#include "tests/world/MapTestSupport.h"
#include "world/LocationScreens.h"

namespace {

using gametest::Journal;
using maptest::Factory;

// The level: 2 × 3, found full where "1".
const std::vector<std::string> kPicture = {"101", "011"};
constexpr TPoint kOnLocationA{120, 120};
constexpr TPoint kOnLevelButton{125, 625};

std::string Button(const std::string& name, int x, int y, const std::string& extra = "") {
    return "<widget type=\"ButtonControl\" name=\"" + name +
           "\" visible=\"yes\" mousestop=\"yes\" enabled=\"yes\" anchor_left=\"" +
           std::to_string(x) + "\" anchor_top=\"" + std::to_string(y) +
           "\" width=\"40\" height=\"20\" " + extra + "/>";
}

std::string Leaf(const std::string& name, const std::string& extra = "") {
    return "<widget type=\"map_probe\" name=\"" + name + "\" mousestop=\"no\" " + extra + "/>";
}

// The scene of location "a": the map's picture and the scroll edge, the
// control with its scroll scenario and one level button, and the three
// screen scenarios; the hiding one reports its end to the control, as the
// game's data has it.
std::string SceneScreen() {
    const std::string control =
        "<widget type=\"QuillmarchControlScene\" name=\"control_scene\" visible=\"yes\" "
        "mousestop=\"yes\" enabled=\"yes\" width=\"1024\" height=\"768\"><widgetfactories>" +
        Factory("scenario_scroll",
                "<widget type=\"scenario_scroll\" name=\"scenario_scroll\" "
                "extraparams=\"duration=200\\big_mosaic=no\"/>") +
        "</widgetfactories><widgets>"
        "<widget type=\"group_widget\" name=\"scenario_group\" visible=\"yes\"/>"
        "<widget type=\"group_widget\" name=\"map_parts\" visible=\"yes\"><widgets>"
        "<widget type=\"group_widget\" name=\"a\" visible=\"yes\"><widgets>"
        "<widget type=\"group_widget\" name=\"map_levels\" visible=\"yes\"><widgets>" +
        Leaf("1", "visible=\"yes\" anchor_left=\"100\" anchor_top=\"600\" width=\"50\" "
                  "height=\"50\" extraparams=\"level_ref=a1\\expert_level=yes\"") +
        "</widgets></widget></widgets></widget></widgets></widget></widgets></widget>";
    const std::string hide =
        "<widget type=\"flash_scenario_control\" name=\"scene_all_elements_hide\" paused=\"yes\" "
        "duration=\"50\" actiontype=\"idle\" next=\"execute_command:11\" "
        "command_params=\"\\scenario_to_finalize=scene_all_elements_hide\" "
        "extraparams=\"\\control_name=../control_scene\"/>";
    return "<gamescreen name=\"GS_Scene\" type=\"QuillmarchGameScreenScene\"><window><widgets>" +
           control + Leaf("title") + Leaf("mana_counter") + Leaf("scene_show") +
           Leaf("scene_hide") + hide +
           "<widget type=\"surface_widget\" name=\"map_surface\" mousestop=\"no\"/>" +
           Leaf("scroll", "visible=\"yes\" width=\"1024\" height=\"114\" "
                          "extraparams=\"start_y=-114\"") +
           "</widgets></window></gamescreen>";
}

// The statistics of a won level with the points and the error award's row,
// revealing nothing, and its button.
std::string StatisticsScreen() {
    return "<gamescreen name=\"GS_StatNonogramWithTips\" "
           "type=\"QuillmarchGameScreenNonogramStatWithTips\"><window><widgets>" +
           Leaf("level_Points") + Leaf("award_error") + Leaf("label_BonusMistake") +
           Leaf("total_Points") + Button("button_ok", 500, 400) +
           "</widgets></window></gamescreen>";
}

std::string LocationCompletedScreen() {
    return "<gamescreen name=\"GS_LocationCompleted\" "
           "type=\"QuillmarchGameScreenLocationCompleted\"><window><widgets>" +
           Leaf("location_name") + Leaf("text") + Leaf("tip") + Button("button_ok", 500, 400) +
           "</widgets></window></gamescreen>";
}

class SceneLoop : public ::testing::Test {
protected:
    void SetUp() override {
        maptest::RegisterMapTestClasses();
        if (!FindRegisteredClass("nono_leaf")) nonogramtest::RegisterNonogramTestClasses();
        if (!FindRegisteredClass("lf_text")) nonogramtest::RegisterLevelFlowTestClasses();
        Journal().clear();
    }
    void TearDown() override {
        harness.reset();
        ResetGameShellConfiguration();
        Journal().clear();
    }

    void StartOnMap() {
        using namespace nonogramtest;
        const int32_t rows = int32_t(kPicture.size()), cols = int32_t(kPicture[0].size());
        std::string screens = maptest::MapScreen({}) + SceneScreen() +
                              LevelScreen(RealBoardOpen(rows, cols), "", RealTools()) +
                              StatisticsScreen() + LocationCompletedScreen();
        for (const char* name : {"GS_FailedNonogram", "GS_MiniMenu", "GS_Tutorial",
                                 "GS_CompleteScene", "GS_ReplayLevel", "GS_SceneShop",
                                 "GS_HintScene", "GS_GameBigMosaic", "GS_Final"})
            screens += maptest::StandIn(name);
        harness = std::make_unique<TGameHarness>(1024, 768);
        ASSERT_TRUE(harness->Start(gametest::GameOf("", gametest::ScreensOf(screens))));
        harness->Step(1);

        const std::string file =
            levels_.Write("a1.xml", LevelFile(kPicture, "errors=2\\hints=1\\cup_time=600"));
        const Ref<TAbstractObject> catalogue =
            CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>());
        LoadPersistObject(Ref<IInterface>(catalogue),
                          LoadStorageFromXML("<levels><level level=\"a1\"><properties>"
                                             "<param name=\"filename\" value=\"" +
                                             file +
                                             "\"/>"
                                             "<param name=\"level_points\" value=\"100\"/>"
                                             "<param name=\"level_mistake_bonus\" value=\"25\"/>"
                                             "</properties></level></levels>"));
        Game().SetOptionValue("level_def_refs", Variant(Ref<IInterface>(catalogue)));
        Game().SetOptionValue("lvlcnt_a", Variant(1));

        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        profiles->FindOrAdd("p");
        profiles->SetCurrent("p");
        // The help, the tutorial, the scene's hint and the mosaic are behind
        // the player; every item bought up to the last layer.
        for (const auto& [key, value] :
             {std::pair{"show_map", "yes"}, {"tutorial_passed", "yes"},
              {"show_scene_hint", "yes"}, {"big_mosaic_completed_a", "yes"},
              {"location_layer_a", "layer_3"}, {"UseRightButtonAsHammer", "yes"},
              {"magic_points", "7"}})
            Profile()->SetValue(key, Variant(value));

        ASSERT_TRUE(Game().ShowGameScreen("GS_Map", nullptr));
        harness->Step(1);
        ASSERT_EQ(harness->StackNames(), "GS_Map");
    }

    // Frames of 10 ms while the condition holds, at most `frames`.
    template <class F>
    void StepWhile(F condition, int frames = 500) {
        for (int i = 0; i < frames && condition(); ++i) harness->Step(1, 10);
    }
    bool OnTop(const std::string& name) const {
        return harness->Top() && harness->Top()->GetName() == name;
    }
    Ref<IWidget> InScreen(const std::string& screen, const std::string& path) const {
        return harness->Screen(screen)->GetWindowWidget()->FindWidget(path);
    }
    TQuillmarchControlGameNonogram& Board() const {
        return dynamic_cast<TQuillmarchControlGameNonogram&>(
            *InScreen("GS_GameNonogram", "control_game_nonogram"));
    }
    std::string MapStates() const {
        std::string text;
        for (const char* name : {"a", "b", "c"}) {
            const auto& location = dynamic_cast<TQuillmarchMapLocation&>(
                *InScreen("GS_Map", std::string("map_locations/") + name));
            text += (text.empty() ? "" : " ") + location.GetLocationState();
        }
        return text;
    }
    IGameScreenOwner& Game() const { return *harness->Game(); }
    Ref<IParamCollection> Profile() const {
        return Game().GetUserProfiles()->GetCurrent()->GetParams();
    }
    std::string Text(const std::string& key) const {
        return mapdetail::ProfileText(Profile(), key, "");
    }
    // The profile "p" as a fresh collection reads it from the player file.
    std::string SavedValue(const std::string& key) const {
        const Ref<IUserProfileCollection> saved = Query<IUserProfileCollection>(
            Ref<IInterface>(CreateAbstractObject(ClassOf<TUserProfileCollection>())));
        saved->Load(Game().GetEngine());
        const Ref<IUserProfile> p = saved->GetItem(Variant("p"));
        return p ? p->GetParams()->GetValue(key, Variant("")).ToString() : "<no profile>";
    }

    std::unique_ptr<TGameHarness> harness;
    TTempDir levels_{"levels"};
};

TEST_F(SceneLoop, ALevelWonInTheSceneCompletesTheLocationAndTheMapShowsIt) {
    StartOnMap();
    EXPECT_EQ(MapStates(), "available locked locked");
    const std::filesystem::path users = harness->UserDir() + "users.dat";
    std::filesystem::remove(users);

    // The map: a click on "a" opens its scene, which scrolls the map's
    // picture away and offers its level.
    harness->Click(kOnLocationA.x, kOnLocationA.y);
    ASSERT_EQ(harness->StackNames(), "GS_Map GS_Scene");
    const Ref<IWidget> picture = InScreen("GS_Scene", "map_surface");
    EXPECT_TRUE(picture->GetVisible());
    StepWhile([&] { return InScreen("GS_Scene", "control_scene/scenario_group/scenario_scroll"); });
    EXPECT_FALSE(InScreen("GS_Scene", "control_scene/scenario_group/scenario_scroll"));
    EXPECT_EQ(InScreen("GS_Scene", "control_scene/map_parts/a/map_levels/1")->GetProperty("state"),
              Variant("current"));

    // The scene: a click on the level hides the scene, then opens the level.
    harness->Click(kOnLevelButton.x, kOnLevelButton.y);
    StepWhile([&] { return OnTop("GS_Scene"); });
    ASSERT_EQ(harness->StackNames(), "GS_Map GS_Scene GS_GameNonogram");
    StepWhile([&] { return Board().GetGameMode() != 2; });
    ASSERT_EQ(Board().GetGameMode(), 2);

    // The level, won by clicks: the arrow (left) on full cells, the hammer
    // (right) on empty ones.
    for (size_t r = 0; r < kPicture.size(); ++r) {
        for (size_t c = 0; c < kPicture[r].size(); ++c) {
            harness->Click(100 + int32_t(c) * 12 + 5, 80 + int32_t(r) * 12 + 5,
                           kPicture[r][c] == '1' ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT);
        }
    }
    EXPECT_EQ(Board().Rules().UnresolvedLeft(), 0);
    EXPECT_EQ(Board().GetCounter(kCounterErrorsMade), 0);
    StepWhile([&] { return !harness->Find("button_close")->GetVisible(); });
    harness->ClickAt("button_close");
    StepWhile([&] { return !OnTop("GS_StatNonogramWithTips"); });
    ASSERT_EQ(harness->StackNames(), "GS_Map GS_Scene GS_GameNonogram GS_StatNonogramWithTips");

    // The results, accepted: the scene takes them, and the level being the
    // last one of the last layer, the location is completed, at expert
    // level.
    harness->ClickAt("button_ok");
    harness->Step(1);
    ASSERT_EQ(harness->StackNames(), "GS_Map GS_Scene GS_LocationCompleted");
    EXPECT_EQ(Text("current_level_a"), "2");
    EXPECT_EQ(Text("points_a1"), "125");  // the points and the error award's bonus
    EXPECT_EQ(Text("magic_points"), "132");
    EXPECT_EQ(Text("award_errora1"), "yes");
    EXPECT_EQ(Text("location_state_a"), "completed");
    EXPECT_EQ(Text("expert_location_a"), "yes");
    EXPECT_EQ(Text("new_bonus_levels_enabled"), "yes");
    EXPECT_EQ(InScreen("GS_LocationCompleted", "location_name")->GetProperty("text"),
              Variant("%a%"));
    EXPECT_EQ(InScreen("GS_LocationCompleted", "text")->GetProperty("text"),
              Variant("%text_LocationCompletedExpert%"));
    ASSERT_TRUE(std::filesystem::exists(users));
    EXPECT_EQ(SavedValue("location_state_a"), "completed");

    // Its button closes it and the scene; the map works the locations out
    // again: "a" completes with its animation and "b" opens.
    harness->ClickAt("button_ok");
    harness->Step(1);
    ASSERT_EQ(harness->StackNames(), "GS_Map");
    EXPECT_FALSE(InScreen("GS_Map", "map_surface")->GetVisible());
    StepWhile([&] { return MapStates() != "completed available locked"; }, 200);
    EXPECT_EQ(MapStates(), "completed available locked");
    StepWhile([&] {
        return InScreen("GS_Map", "map_control/scenario_group")->GetChildren()->GetCount() > 0;
    });
    EXPECT_EQ(InScreen("GS_Map", "map_control/scenario_group")->GetChildren()->GetCount(), 0);
    // Entered again, the location offers its level as one to replay.
    harness->Click(kOnLocationA.x, kOnLocationA.y);
    ASSERT_EQ(harness->StackNames(), "GS_Map GS_Scene");
    EXPECT_EQ(InScreen("GS_Scene", "control_scene/map_parts/a/map_levels/1")->GetProperty("state"),
              Variant("completed"));
}

}  // namespace
