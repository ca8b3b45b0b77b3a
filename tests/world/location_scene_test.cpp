// The location scene control: level buttons, the information panel, level
// starts, and every kind of level result taken into the profile with the
// screen that follows.
#include <filesystem>

#include "platform/HeadlessPlatform.h"
#include "tests/world/LocationTestSupport.h"

namespace scenetest {
namespace {

using gametest::JournalHas;

class LocationSceneControlTest : public SceneTest {
protected:
    // What the scene opened since the journal was cleared.
    std::string Shown() const { return Lines("show "); }
};

Ref<IParamCollection> Won(const std::string& ref, int points, const std::string& speed = "no",
                          const std::string& hint = "no") {
    return Params({{"level_completed", Variant("yes")},
                   {"level_ref", Variant(ref)},
                   {"level_total_points", Variant(std::to_string(points))},
                   {"award_speed", Variant(speed)},
                   {"award_hint", Variant(hint)},
                   {"award_error", Variant("no")}});
}

TEST_F(LocationSceneControlTest, ShowingTheSceneSetsTheButtonsTitleCounterAndPanel) {
    StartGame({}, {{"current_level_japan", "2"}, {"magic_points", "75"}});
    Widget("control_scene/map_parts/rome")->SetVisible(true);
    ShowScene("japan", "yes");
    EXPECT_EQ(States(), "completed current locked");
    EXPECT_EQ(Prop("title", "text"), "%japan%");
    EXPECT_EQ(Prop("mana_counter", "text"), "75");
    EXPECT_TRUE(Visible("control_scene/map_parts/japan"));
    EXPECT_FALSE(Visible("control_scene/map_parts/rome"));
    EXPECT_TRUE(Visible("info/question"));
    EXPECT_FALSE(Visible("info/medals"));
    EXPECT_EQ(Prop("control_scene/scenario_group/scenario_scroll", "control_game"),
              "control_scene");
    EXPECT_TRUE(gametest::JournalHasInOrder({"sound sound_show_panel", "restart scene_show"}));
}

TEST_F(LocationSceneControlTest, ButtonNamesThatAreNoNumberCountAsLevelZero) {
    StartGame();
    ShowScene("rome");
    EXPECT_EQ(Prop("control_scene/map_parts/rome/map_levels/x", "state"), "completed");
    EXPECT_EQ(Prop("control_scene/map_parts/rome/map_levels/1", "state"), "current");
}

// One row: the profile before, how the level was started, its result, and
// what the profile and the scene show after.
struct TResultCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> before;
    const char* level;
    bool replay;
    bool expertButtons;
    Ref<IParamCollection> (*result)();
    std::vector<std::pair<std::string, std::string>> after;
    const char* shown;    // the screens opened
    const char* pending;  // the next level's start parameters, "" for none
};

TEST_F(LocationSceneControlTest, LevelResultsChangeTheProfileAndOpenTheNextScreen) {
    const TResultCase cases[] = {
        {"first win, nothing affordable: the next level starts at once",
         {{"magic_points", "0"}},
         "j1", false, false, [] { return Won("j1", 40); },
         {{"current_level_japan", "2"}, {"magic_points", "40"}, {"points_j1", "40"}},
         "", "replay=no,level_ref=j2,active_map_part=japan"},
        {"first win, an item now affordable: the shop, then the next level",
         {{"magic_points", "20"}},
         "j1", false, false, [] { return Won("j1", 40); },
         {{"current_level_japan", "2"}, {"magic_points", "60"}},
         "show GS_SceneShop start_level_after_quit=yes,active_map_part=japan", ""},
        {"first win of the last level on the last layer: completed",
         {{"current_level_japan", "3"}, {"location_layer_japan", "layer_3"}},
         "j3", false, false, [] { return Won("j3", 10); },
         {{"current_level_japan", "4"},
          {"location_state_japan", "completed"},
          {"new_bonus_levels_enabled", "yes"},
          {"expert_location_japan", ""}},
         "show GS_LocationCompleted "
         "location_name=japan,location_expert=no,location_completed=yes",
         ""},
        {"the same with every level expert",
         {{"current_level_japan", "3"}, {"location_layer_japan", "layer_3"}},
         "j3", false, true, [] { return Won("j3", 10); },
         {{"expert_location_japan", "yes"}, {"location_state_japan", "completed"}},
         "show GS_LocationCompleted "
         "location_name=japan,location_expert=yes,location_completed=yes",
         ""},
        {"first win of the last level before the last layer: not yet complete",
         {{"current_level_japan", "3"}, {"location_layer_japan", "layer_2"}},
         "j3", false, true, [] { return Won("j3", 10); },
         {{"current_level_japan", "4"},
          {"location_state_japan", ""},
          {"expert_location_japan", "yes"}},
         "show GS_CompleteScene -", ""},
        {"replay with a lower total: best and magic stay, medals still grow",
         {{"current_level_japan", "3"}, {"points_j1", "100"}, {"magic_points", "100"},
          {"award_speedj1", "yes"}},
         "j1", true, false, [] { return Won("j1", 60, "no", "yes"); },
         {{"points_j1", "100"}, {"magic_points", "100"}, {"current_level_japan", "3"},
          {"award_speedj1", "yes"}, {"award_hintj1", "yes"}},
         "show GS_ReplayLevel old_points=100,new_points=60,add_points=0", ""},
        {"replay with a higher total: magic grows by the difference",
         {{"current_level_japan", "3"}, {"points_j1", "100"}, {"magic_points", "5"}},
         "j1", true, false, [] { return Won("j1", 130); },
         {{"points_j1", "130"}, {"magic_points", "35"}},
         "show GS_ReplayLevel old_points=100,new_points=130,add_points=30", ""},
        {"replay that makes a completed location expert",
         {{"current_level_japan", "4"}, {"location_layer_japan", "layer_3"},
          {"location_state_japan", "completed"}, {"points_j2", "10"}},
         "j2", true, true, [] { return Won("j2", 10); },
         {{"expert_location_japan", "yes"}},
         "show GS_LocationCompleted "
         "location_name=japan,location_expert=yes,location_completed=no",
         ""},
        {"the expert announcement comes once",
         {{"current_level_japan", "4"}, {"location_layer_japan", "layer_3"},
          {"expert_location_japan", "yes"}, {"points_j2", "10"}},
         "j2", true, true, [] { return Won("j2", 10); },
         {},
         "show GS_ReplayLevel old_points=10,new_points=10,add_points=0", ""},
        {"replay with every level played, an item affordable, layer before the last",
         {{"current_level_japan", "4"}, {"magic_points", "50"}, {"points_j2", "10"}},
         "j2", true, false, [] { return Won("j2", 10); },
         {{"magic_points", "50"}},
         "show GS_CompleteScene -", ""},
        {"a lost level changes nothing",
         {{"current_level_japan", "2"}, {"magic_points", "7"}},
         "j2", false, false,
         [] { return Params({{"level_completed", Variant("no")}, {"level_ref", Variant("j2")},
                             {"level_total_points", Variant("90")}}); },
         {{"current_level_japan", "2"}, {"magic_points", "7"}, {"points_j2", ""}},
         "", ""},
        {"a won level without its reference is ignored",
         {{"current_level_japan", "2"}},
         "j2", false, false, [] { return Won("", 90); },
         {{"current_level_japan", "2"}, {"points_", ""}, {"award_speed", ""}},
         "", ""},
        {"a total that is no number counts as 0",
         {{"magic_points", "3"}},
         "j1", false, false, [] { return Won("j1", 0); },
         {{"magic_points", "3"}, {"points_j1", "0"}},
         "", "replay=no,level_ref=j2,active_map_part=japan"},
    };
    for (const TResultCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartGame();
        for (const auto& [key, value] : c.before) Profile()->SetValue(key, Variant(value));
        ShowScene();
        for (const char* n : {"1", "2", "3"})
            Widget(Button(n))->SetProperty("expert_level", Variant(c.expertButtons ? "yes" : "no"));
        Control().StartLevel(c.level, c.replay);
        ASSERT_EQ(Scene().GetPendingLevelParams()->GetValue("level_ref", Variant("")).ToString(),
                  c.level);
        Journal().clear();
        std::filesystem::remove(game_->UserDir() + "users.dat");
        Control().ExecuteCommand(kCommandSceneLevelResult, c.result());
        for (const auto& [key, value] : c.after) EXPECT_EQ(Text(key), value) << key;
        EXPECT_EQ(Shown(), c.shown);
        if (*c.pending) {
            EXPECT_EQ(Describe(Scene().GetPendingLevelParams()), c.pending);
            EXPECT_TRUE(JournalHas("restart scene_all_elements_hide"));
        } else {
            EXPECT_FALSE(JournalHas("restart scene_all_elements_hide"));
        }
        EXPECT_EQ(Prop("mana_counter", "text"), Text("magic_points").empty() ? "0" : Text("magic_points"));
        EXPECT_TRUE(std::filesystem::exists(game_->UserDir() + "users.dat"));
    }
}

TEST_F(LocationSceneControlTest, ANextLevelWithoutItsButtonLeavesTheSceneIdle) {
    StartInScene();
    Widget("control_scene/map_parts/japan/map_levels")->GetChildren()->Clear();
    Control().StartLevel("j1", false);
    Journal().clear();
    Control().ExecuteCommand(kCommandSceneLevelResult, Won("j1", 10));
    EXPECT_EQ(Text("current_level_japan"), "2");
    EXPECT_FALSE(JournalHas("restart scene_all_elements_hide"));
    EXPECT_EQ(Shown(), "");
}

TEST_F(LocationSceneControlTest, TheTutorialIsPassedOnOnceWithTheFirstLevelThatNamesIt) {
    StartInScene({{"tutorial_passed", "no"}});
    Control().StartLevel("j2", false);  // names none
    EXPECT_EQ(Text("tutorial_passed"), "no");
    EXPECT_EQ(Shown(), "");
    Control().StartLevel("j1", false);
    EXPECT_EQ(Text("tutorial_passed"), "yes");
    EXPECT_EQ(Shown(), "show GS_Tutorial tutorial_part=part2");
    EXPECT_EQ(Describe(Scene().GetPendingLevelParams()),
              "replay=no,level_ref=j1,active_map_part=japan,show_tutorial=part2");
}

TEST_F(LocationSceneControlTest, FinishedScenariosLeadToTheirScreens) {
    struct TCase {
        const char* scenario;
        std::vector<std::pair<std::string, std::string>> profile;
        const char* shown;
    };
    const TCase cases[] = {
        {"scene_hide", {}, "show GS_SceneShop active_map_part=japan"},
        {"scene_all_elements_hide", {}, "show GS_GameNonogram -"},
        {"scene_show", {{"show_scene_hint", "no"}}, "show GS_HintScene -"},
        {"scene_show", {{"show_scene_hint", "yes"}}, ""},
        {"scenario_scroll", {{"current_level_japan", "4"}}, "show GS_CompleteScene -"},
        {"scenario_scroll",
         {{"current_level_japan", "4"}, {"location_state_japan", "completed"}},
         ""},
        {"scenario_scroll", {{"current_level_japan", "3"}}, ""},
        {"something_else", {}, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.scenario);
        StartGame();
        ShowScene();
        for (const auto& [key, value] : c.profile) Profile()->SetValue(key, Variant(value));
        Journal().clear();
        Control().ExecuteCommand(kCommandSceneScenarioFinished,
                                 Params({{"scenario_to_finalize", Variant(c.scenario)}}));
        EXPECT_EQ(Shown(), c.shown);
    }
    // The hint is shown once.
    StartInScene({{"show_scene_hint", "no"}});
    Control().ExecuteCommand(kCommandSceneScenarioFinished,
                             Params({{"scenario_to_finalize", Variant("scene_show")}}));
    Control().ExecuteCommand(kCommandSceneScenarioFinished,
                             Params({{"scenario_to_finalize", Variant("scene_show")}}));
    EXPECT_EQ(Shown(), "show GS_HintScene -");
    EXPECT_EQ(Text("show_scene_hint"), "yes");
}

TEST_F(LocationSceneControlTest, HoverFillsThePanelForTheButtonUnderThePointer) {
    StartInScene({{"current_level_japan", "2"},
                  {"award_speedj1", "yes"},
                  {"award_errorj1", "yes"},
                  {"points_j1", "123"}});
    game_->MouseMove(125, 625);  // button 1, completed
    game_->Step(1);
    EXPECT_EQ(Prop(Button("1"), "highlight"), "yes");
    EXPECT_TRUE(Visible("info/medals"));
    EXPECT_FALSE(Visible("info/question"));
    EXPECT_FALSE(Visible("info/play"));
    EXPECT_EQ(std::string(Visible("info/medals/award_speed") ? "S" : "s") +
                  (Visible("info/medals/award_speed_no") ? "n" : "-") +
                  (Visible("info/medals/award_hint") ? "H" : "h") +
                  (Visible("info/medals/award_hint_no") ? "n" : "-") +
                  (Visible("info/medals/award_error") ? "E" : "e") +
                  (Visible("info/medals/award_error_no") ? "n" : "-"),
              "S-hnE-");
    EXPECT_EQ(Prop("info/medals/earned", "text"), "123");
    // 100 + 30 + 20 + a mistake bonus that is no number.
    EXPECT_EQ(Prop("info/medals/total", "text"), "150");

    game_->MouseMove(225, 625);  // straight onto button 2, current
    game_->Step(1);
    EXPECT_EQ(Prop(Button("1"), "highlight"), "no");
    EXPECT_EQ(Prop(Button("2"), "highlight"), "yes");
    EXPECT_FALSE(Visible("info/medals"));
    EXPECT_TRUE(Visible("info/play"));

    game_->MouseMove(325, 625);  // locked
    game_->Step(1);
    EXPECT_TRUE(Visible("info/question"));
    EXPECT_FALSE(Visible("info/play"));

    game_->MouseMove(500, 300);  // nothing
    game_->Step(1);
    EXPECT_FALSE(Control().GetHighlighted());
    EXPECT_EQ(Prop(Button("3"), "highlight"), "no");
    EXPECT_TRUE(Visible("info/question"));
}

TEST_F(LocationSceneControlTest, AHoverFrameThatChangesNothingDrawsNothing) {
    StartInScene({{"current_level_japan", "2"}, {"points_j1", "40"}});
    game_->Step(3);
    TEngine& engine = game_->Engine();
    auto& platform = dynamic_cast<THeadlessPlatform&>(engine.Platform());
    // The pointer as the hover reads it, one frame at a time, without the
    // frame the harness runs after a move event.
    const auto frameAt = [&](int32_t x, int32_t y) {
        engine.ClearUpdateRects();
        platform.SetMousePos({x, y});
        engine.UpdateGame(10);
        return engine.IsRedrawNeeded();
    };
    // Onto button 1, completed: the highlight and the medals panel change,
    // and that frame draws.
    EXPECT_TRUE(frameAt(125, 625));
    EXPECT_EQ(Prop(Button("1"), "highlight"), "yes");
    EXPECT_TRUE(Visible("info/medals"));

    // Resting on it, then moving within it: nothing changes, nothing is
    // invalidated, frame after frame.
    for (const int32_t x : {125, 125, 140, 110, 149, 100}) {
        SCOPED_TRACE(x);
        EXPECT_FALSE(frameAt(x, 630));
    }
    EXPECT_EQ(Prop(Button("1"), "highlight"), "yes");
    EXPECT_EQ(Prop("info/medals/earned", "text"), "40");
    // Onto button 2 it changes again; off every button once more, then
    // nothing again.
    EXPECT_TRUE(frameAt(225, 625));
    EXPECT_TRUE(frameAt(500, 300));
    EXPECT_FALSE(frameAt(510, 310));
}

TEST_F(LocationSceneControlTest, PressesStartTheCurrentLevelOrAReplayAndIgnoreLockedOnes) {
    struct TCase {
        int x;
        const char* pending;  // "" for no start
    };
    const TCase cases[] = {
        {125, "replay=yes,level_ref=j1,active_map_part=japan"},
        {225, "replay=no,level_ref=j2,active_map_part=japan"},
        {325, ""},
        {600, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.x);
        StartInScene({{"current_level_japan", "2"}});
        game_->MouseMove(c.x, 625);
        game_->MouseDown(c.x, 625);
        game_->MouseUp(c.x, 625);
        game_->Step(1);
        EXPECT_EQ(Describe(Scene().GetPendingLevelParams()), *c.pending ? c.pending : "-");
        EXPECT_EQ(Control().GetReplay(), c.x == 125);
    }
}

TEST_F(LocationSceneControlTest, CanBuyMagicItemLooksAtCostAndTheBoughtList) {
    struct TCase {
        const char* layer;
        const char* magic;
        const char* bought;
        bool can;
    };
    const TCase cases[] = {
        {"layer_1", "49", "", false}, {"layer_1", "50", "", true},
        {"layer_1", "80", "a,", true}, {"layer_1", "79", "a,", false},
        {"layer_1", "100", "a,b,", false}, {"layer_2", "10", "", true},
        {"layer_3", "999", "", false},
    };
    StartInScene();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.layer + std::string(" ") + c.magic + " " + c.bought);
        Profile()->SetValue("magic_points", Variant(c.magic));
        Profile()->SetValue(std::string("items_japan") + c.layer, Variant(c.bought));
        EXPECT_EQ(Control().CanBuyMagicItem(c.layer), c.can);
    }
}

}  // namespace
}  // namespace scenetest
