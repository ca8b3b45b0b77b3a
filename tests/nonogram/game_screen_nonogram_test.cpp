// The nonogram level screen: first on stand-in board and tool controls that
// note their commands (what the screen sends, shows and closes with), then a
// whole level played on the real board, scenarios and tool switch through
// the game harness, with recording stand-ins for the screens it opens.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "nonogram/ControlGameNonogram.h"
#include "nonogram/GameScreenNonogram.h"
#include "nonogram/LevelDefs.h"
#include "tests/game/GameShellTestSupport.h"
#include "tests/nonogram/LevelFlowTestSupport.h"
#include "tests/support/GameHarness.h"
#include "tests/support/TempDir.h"

namespace {

using namespace nonogramtest;
using gametest::Journal;
using gametest::JournalHas;

constexpr const char* kStandIns[] = {
    "GS_StatNonogramWithTips", "GS_FailedNonogram", "GS_MiniMenu", "GS_QueryMainMenu",
    "GS_QueryRestart",         "GS_Options",        "GS_Tutorial", "GS_Quit"};

class GameScreenNonogramTest : public ::testing::Test {
protected:
    void SetUp() override { Journal().clear(); }
    void TearDown() override {
        SetLocationLayersPainter(nullptr);
        game_.reset();
        Journal().clear();
    }

    // The game with the level screen, a bottom screen "GS_Scene" and the
    // stand-ins (but those in `missing`), GS_Scene shown, a current profile.
    void StartGame(const std::string& levelScreen, const std::vector<std::string>& missing = {}) {
        ClearStorageCache();
        std::string screens = levelScreen + gametest::PlainScreen("GS_Scene", 0, 0, 640, 480, 0xFF000000);
        for (const char* name : kStandIns) {
            if (std::find(missing.begin(), missing.end(), name) == missing.end())
                screens += gametest::PlainScreen(name, 0, 0, 10, 10, 0xFF0000FF);
        }
        game_.reset();
        game_ = std::make_unique<TGameHarness>();
        ASSERT_TRUE(game_->Start(gametest::GameOf("", gametest::ScreensOf(screens))));
        game_->Step(1);
        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        profiles->FindOrAdd("player");
        profiles->SetCurrent("player");
        ASSERT_TRUE(Game().ShowGameScreen("GS_Scene", nullptr));
        game_->Step(1);
    }
    void StartProbeGame(const std::vector<std::string>& missing = {}) {
        StartGame(LevelScreen(R"(<widget type="lf_control" name="control_game_nonogram" visible="yes">)",
                              "",
                              R"(<widget type="lf_control" name="control_tools" visible="yes"><widgets>
                                   <widget type="nono_leaf" name="frame" visible="yes" anchor_left="300"/>
                                 </widgets></widget>)"),
                  missing);
    }

    IGameScreenOwner& Game() const { return *game_->Game(); }
    Ref<IParamCollection> Profile() const {
        return Game().GetUserProfiles()->GetCurrent()->GetParams();
    }
    TQuillmarchGameScreenGameNonogram& Screen() const {
        return dynamic_cast<TQuillmarchGameScreenGameNonogram&>(*game_->Screen("GS_GameNonogram"));
    }
    Ref<IWidget> Find(std::string_view path) const { return Screen().FindWidget(path); }
    static Ref<IParamCollection> Params(
        std::initializer_list<std::pair<const char*, std::string>> pairs) {
        const Ref<IParamCollection> params =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        for (const auto& [name, value] : pairs) params->SetValue(name, Variant(value));
        return params;
    }
    void ShowLevel() {
        ASSERT_TRUE(Game().ShowGameScreen(
            "GS_GameNonogram", Params({{"level_ref", "lvl"}, {"active_map_part", "japan"}})));
        game_->Step(1);
    }
    // Closes the top screen, a stand-in, with results.
    void CloseTop(const Ref<IParamCollection>& results) {
        const Ref<IGameScreenSlave> top = game_->Top();
        ASSERT_TRUE(top);
        ASSERT_TRUE(Game().CloseGameScreen(top, results));
        game_->Step(1);
    }
    static std::vector<std::string> Lines(const std::string& prefix) {
        std::vector<std::string> lines;
        for (const std::string& line : Journal()) {
            if (line.rfind(prefix, 0) == 0) lines.push_back(line);
        }
        return lines;
    }

    std::unique_ptr<TGameHarness> game_;
};

TEST_F(GameScreenNonogramTest, ShowingSetsTheToolsAndThePanelUpAndStartsTheLevel) {
    struct TCase {
        const char* option;  // "UseRightButtonAsHammer"; null: not set
        const char* state;
    };
    for (const TCase& c : {TCase{nullptr, "active"}, TCase{"no", "active"},
                           TCase{"yes", "nonactive"}}) {
        SCOPED_TRACE(c.option ? c.option : "unset");
        StartProbeGame();
        if (c.option) Profile()->SetValue("UseRightButtonAsHammer", Variant(c.option));
        std::vector<std::string> painted;
        SetLocationLayersPainter([&](const Ref<IWidget>& widget, const Ref<IUserProfile>& profile,
                                     const std::string& location) {
            painted.push_back(widget->GetName() + " " + profile->GetName() + " " + location);
        });
        Journal().clear();
        ShowLevel();
        EXPECT_EQ(Lines("command"),
                  (std::vector<std::string>{
                      std::string("command control_tools 13 tools_state=") + c.state,
                      "command control_game_nonogram 5 level_ref=lvl,active_map_part=japan"}));
        EXPECT_EQ(painted, std::vector<std::string>{"control_game_nonogram player japan"});
        EXPECT_EQ(Find("control_game_nonogram/title")->GetProperty("text_utf8").ToString(),
                  "%japan%");
        EXPECT_EQ(Find("bg_group/blackout")->GetTransparentLevel(), 0);
        EXPECT_FALSE(Find("control_game_nonogram/grid/cells")->GetVisible());
        EXPECT_FALSE(Find("control_game_nonogram/grid/digits")->GetVisible());
        EXPECT_FALSE(Find("button_close")->GetVisible());
        for (const char* path : {"control_game_nonogram/errors", "hint_buttons",
                                 "control_game_nonogram/timer", "control_game_nonogram/button_menu",
                                 "control_tools/frame", "control_game_nonogram/nonogram_panel"}) {
            EXPECT_DOUBLE_EQ(Find(path)->GetLeft(), 1024.0) << path;
        }
        EXPECT_DOUBLE_EQ(Find("control_game_nonogram/image_select")->GetLeft(), 610.0);
        EXPECT_DOUBLE_EQ(Find("control_game_nonogram/image_hammer")->GetLeft(), 622.0);
    }
    // Without a painter nothing is drawn and nothing fails.
    SetLocationLayersPainter(nullptr);
    StartProbeGame();
    ShowLevel();
    EXPECT_EQ(game_->StackNames(), "GS_Scene GS_GameNonogram");
}

TEST_F(GameScreenNonogramTest, EventsAreRoutedBySenderAndCode) {
    StartProbeGame();
    ShowLevel();
    struct TCase {
        const char* sender;
        int32_t code;
        std::vector<std::string> commands;
        const char* opened;  // the screen on top afterwards
    };
    const TCase cases[] = {
        {"control_game_nonogram/image_select", 1, {"command control_tools 14 active_tool=arrow"}, nullptr},
        {"control_game_nonogram/image_hammer", 3, {"command control_tools 14 active_tool=hammer"}, nullptr},
        {"hint_buttons/hint_3", 1, {"command control_game_nonogram 10 name=hint_3"}, nullptr},
        {"hint_buttons/hint_3", 2, {}, nullptr},
        {"hint_buttons/title_hints", 1, {}, nullptr},
        {"button_close", 1, {"command control_game_nonogram 7 -"}, nullptr},
        {"control_game_nonogram", 1, {}, nullptr},
        {"button_menu", 1, {}, nullptr},  // the screen's own widget of that name is elsewhere
        {"control_game_nonogram/button_menu", 1, {}, "GS_MiniMenu"},
        {"control_game_nonogram", kEventLevelWon, {}, "GS_StatNonogramWithTips"},
        {"control_game_nonogram", kEventLevelFailed, {}, "GS_FailedNonogram"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.sender) + " " + std::to_string(c.code));
        const Ref<IWidget> sender = Find(c.sender);
        if (std::string(c.sender) == "button_menu") {
            ASSERT_FALSE(sender);
            continue;
        }
        ASSERT_TRUE(sender);
        Journal().clear();
        Screen().HandleEvent(sender, c.code, Params({{"Level", "7"}, {"level_completed", "yes"}}));
        EXPECT_EQ(Lines("command"), c.commands);
        EXPECT_EQ(game_->Top()->GetName(), c.opened ? c.opened : "GS_GameNonogram");
        if (c.opened) {
            // The won level's results go on to the result screen; nothing else
            // is handed on.
            const bool won = c.code == kEventLevelWon;
            EXPECT_TRUE(JournalHas(std::string("show ") + c.opened + " " +
                                   (won ? "Level=7,level_completed=yes" : "-")));
            if (std::string(c.opened) == "GS_MiniMenu") CloseTop(Params({{"Button", "button_unpause"}}));
        }
    }
    Journal().clear();
    Screen().HandleEvent(nullptr, kEventLevelWon, nullptr);  // no sender: nothing
    EXPECT_EQ(game_->StackNames(),
              "GS_Scene GS_GameNonogram GS_StatNonogramWithTips GS_FailedNonogram");
    EXPECT_TRUE(Lines("command").empty());
}

struct TClosedCase {
    const char* child;
    std::vector<std::pair<const char*, std::string>> results;  // empty: none
    std::vector<std::string> commands;
    const char* stack;             // afterwards
    const char* sceneGot = "";     // what GS_Scene was told, when the level screen left
    const char* shownWith = "";    // the params of the screen opened, when one was
    std::vector<std::string> missing = {};
};

TEST_F(GameScreenNonogramTest, ClosedScreensRestartLeaveOrOpenTheNext) {
    const TClosedCase cases[] = {
        {"GS_StatNonogramWithTips", {{"restart_game", "yes"}}, {"command control_game_nonogram 6 -"},
         "GS_Scene GS_GameNonogram"},
        {"GS_StatNonogramWithTips", {{"award_speed", "yes"}}, {"command control_game_nonogram 25 -"},
         "GS_Scene", "award_speed=yes,level_completed=yes"},
        {"GS_StatNonogramWithTips", {}, {"command control_game_nonogram 25 -"}, "GS_Scene",
         "level_completed=yes"},
        {"GS_FailedNonogram", {{"restart_level", "yes"}},
         {"command control_game_nonogram 25 -", "command control_game_nonogram 6 -"},
         "GS_Scene GS_GameNonogram"},
        {"GS_FailedNonogram", {{"restart_level", "no"}, {"x", "1"}},
         {"command control_game_nonogram 25 -"}, "GS_Scene", "level_completed=no"},
        {"GS_FailedNonogram", {}, {"command control_game_nonogram 25 -"}, "GS_Scene",
         "level_completed=no"},
        {"GS_MiniMenu", {{"Button", "button_main_menu"}}, {}, "GS_Scene GS_GameNonogram GS_QueryMainMenu",
         "", "-"},
        {"GS_MiniMenu", {{"Button", "button_main_menu"}}, {"command control_game_nonogram 25 -"},
         "GS_Scene", "Button=button_main_menu,level_completed=no", "", {"GS_QueryMainMenu"}},
        {"GS_MiniMenu", {{"Button", "button_options"}}, {}, "GS_Scene GS_GameNonogram GS_Options", "", "-"},
        {"GS_MiniMenu", {{"Button", "button_rules"}}, {}, "GS_Scene GS_GameNonogram GS_Tutorial", "",
         "Button=button_rules,tutorial_part=all"},
        {"GS_MiniMenu", {{"Button", "button_restart"}}, {},
         "GS_Scene GS_GameNonogram GS_QueryRestart", "", "-"},
        {"GS_MiniMenu", {{"Button", "button_restart"}},
         {"command control_game_nonogram 25 -", "command control_game_nonogram 6 -"},
         "GS_Scene GS_GameNonogram", "", "", {"GS_QueryRestart"}},
        {"GS_MiniMenu", {{"Button", "button_exit"}}, {}, "GS_Scene GS_GameNonogram GS_Quit", "", "-"},
        {"GS_MiniMenu", {{"Button", "button_unpause"}}, {}, "GS_Scene GS_GameNonogram"},
        {"GS_MiniMenu", {}, {}, "GS_Scene GS_GameNonogram"},  // no answer: play goes on
        {"GS_MiniMenu", {{"other", "button_options"}}, {}, "GS_Scene GS_GameNonogram GS_Options", "",
         "-"},  // an answer without "Button": its first value
        {"GS_QueryRestart", {{"Button", "button_yes"}},
         {"command control_game_nonogram 25 -", "command control_game_nonogram 6 -"},
         "GS_Scene GS_GameNonogram"},
        {"GS_QueryRestart", {{"Button", "button_no"}}, {}, "GS_Scene GS_GameNonogram"},
        {"GS_QueryRestart", {}, {}, "GS_Scene GS_GameNonogram"},
        {"GS_QueryMainMenu", {{"Button", "button_yes"}}, {"command control_game_nonogram 25 -"},
         "GS_Scene", "Button=button_yes,level_completed=no"},
        {"GS_QueryMainMenu", {{"Button", "button_no"}}, {}, "GS_Scene GS_GameNonogram"},
    };
    for (const TClosedCase& c : cases) {
        std::string results;
        for (const auto& [name, value] : c.results) results += std::string(name) + "=" + value + " ";
        SCOPED_TRACE(std::string(c.child) + " " + results);
        StartProbeGame(c.missing);
        ShowLevel();
        ASSERT_TRUE(Game().ShowGameScreen(c.child, nullptr));
        Journal().clear();
        Ref<IParamCollection> answer;
        if (!c.results.empty()) {
            answer = Params({});
            for (const auto& [name, value] : c.results) answer->SetValue(name, Variant(value));
        }
        CloseTop(answer);
        EXPECT_EQ(Lines("command"), c.commands);
        EXPECT_EQ(game_->StackNames(), c.stack);
        const std::vector<std::string> told = Lines("closed GS_Scene");
        if (*c.sceneGot) {
            EXPECT_EQ(told, std::vector<std::string>{std::string("closed GS_Scene GS_GameNonogram ") +
                                                     c.sceneGot});
        } else {
            EXPECT_TRUE(told.empty());
        }
        if (*c.shownWith) {
            const std::string top = game_->Top()->GetName();
            EXPECT_EQ(Lines("show " + top), std::vector<std::string>{"show " + top + " " + c.shownWith});
        }
    }
}

TEST_F(GameScreenNonogramTest, TheOptionsScreenBringsTheRightButtonChoiceToTheTools) {
    struct TCase {
        const char* before;  // the option when the level starts
        const char* after;   // when the options screen closes
        std::vector<std::string> commands;
    };
    for (const TCase& c :
         {TCase{"no", "yes", {"command control_tools 13 tools_state=nonactive"}},
          TCase{"yes", "no", {"command control_tools 13 tools_state=active"}},
          TCase{"yes", "yes", {}}, TCase{"no", "no", {}}}) {
        SCOPED_TRACE(std::string(c.before) + " -> " + c.after);
        StartProbeGame();
        Profile()->SetValue("UseRightButtonAsHammer", Variant(c.before));
        ShowLevel();
        ASSERT_TRUE(Game().ShowGameScreen("GS_Options", nullptr));
        Profile()->SetValue("UseRightButtonAsHammer", Variant(c.after));
        Journal().clear();
        CloseTop(nullptr);
        EXPECT_EQ(Lines("command"), c.commands);
    }
}

TEST_F(GameScreenNonogramTest, DeactivatingOpensTheMenuOnlyWhenTheLevelScreenIsOnTop) {
    StartProbeGame();
    ShowLevel();
    game_->Platform().InjectWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    game_->Step(1);
    EXPECT_EQ(game_->StackNames(), "GS_Scene GS_GameNonogram GS_MiniMenu");
    // Coming back leaves the menu open; going away again opens nothing more.
    game_->Platform().InjectWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    game_->Step(1);
    game_->Platform().InjectWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    game_->Step(1);
    EXPECT_EQ(game_->StackNames(), "GS_Scene GS_GameNonogram GS_MiniMenu");
    EXPECT_EQ(Lines("show GS_MiniMenu").size(), 1u);

    CloseTop(Params({{"Button", "button_unpause"}}));
    ASSERT_TRUE(Game().ShowGameScreen("GS_FailedNonogram", nullptr));
    game_->Platform().InjectWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    game_->Step(1);
    game_->Platform().InjectWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    game_->Step(1);
    EXPECT_EQ(game_->StackNames(), "GS_Scene GS_GameNonogram GS_FailedNonogram");
}

// --- A whole level on the real board

class WholeLevelTest : public GameScreenNonogramTest {
protected:
    // A rows × cols level "lvl" on the real board and tool switch.
    void StartLevelGame(const std::vector<std::string>& picture, const std::string& extra,
                        const TFlowFactories& factories = {}) {
        StartGame(LevelScreen(RealBoardOpen(int32_t(picture.size()), int32_t(picture[0].size()),
                                            factories),
                              "", RealTools()));
        const std::string file = levels_.Write("level.xml", LevelFile(picture, extra));
        const Ref<TAbstractObject> catalogue =
            CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>());
        LoadPersistObject(Ref<IInterface>(catalogue),
                          LoadStorageFromXML("<levels><level level=\"lvl\"><properties>"
                                             "<param name=\"filename\" value=\"" + file +
                                             "\"/></properties></level></levels>"));
        Game().SetOptionValue("level_def_refs", Variant(Ref<IInterface>(catalogue)));
        // Left the arrow, right the hammer.
        Profile()->SetValue("UseRightButtonAsHammer", Variant("yes"));
    }
    TQuillmarchControlGameNonogram& Board() const {
        return dynamic_cast<TQuillmarchControlGameNonogram&>(*Find("control_game_nonogram"));
    }
    void ClickCell(int32_t row, int32_t col, uint8_t button) {
        game_->Click(100 + col * 12 + 5, 80 + row * 12 + 5, button);
    }
    // Runs frames of 10 ms until the board plays (or 5 s have passed).
    void RunStart() {
        for (int i = 0; i < 500 && Board().GetGameMode() != 2; ++i) game_->Step(1, 10);
        ASSERT_EQ(Board().GetGameMode(), 2);
    }
    void Solve(const std::vector<std::string>& picture) {
        for (size_t r = 0; r < picture.size(); ++r) {
            for (size_t c = 0; c < picture[r].size(); ++c) {
                ClickCell(int32_t(r), int32_t(c), picture[r][c] == '0' ? SDL_BUTTON_RIGHT
                                                                       : SDL_BUTTON_LEFT);
            }
        }
    }

    TTempDir levels_{"levels"};
};

TEST_F(WholeLevelTest, ALevelIsWonByClicksAndItsResultsGoOnToTheResultScreen) {
    const std::vector<std::string> picture = {"101", "011"};
    StartLevelGame(picture, "errors=2\\hints=1\\cup_time=60");
    ShowLevel();
    EXPECT_EQ(Board().GetGameMode(), 1);
    EXPECT_TRUE(JournalHas("reveal %japan%\n%label_level% Crane"));
    RunStart();
    EXPECT_TRUE(Find("control_game_nonogram/grid/cells")->GetVisible());
    EXPECT_DOUBLE_EQ(Find("control_game_nonogram/timer")->GetLeft(), 500.0);
    EXPECT_DOUBLE_EQ(Find("control_tools/frame")->GetLeft(), 610.0);
    EXPECT_EQ(Find("bg_group/blackout")->GetTransparentLevel(), 255);

    Solve(picture);
    EXPECT_EQ(Board().Rules().UnresolvedLeft(), 0);
    EXPECT_EQ(Board().GetCounter(kCounterErrorsMade), 0);
    game_->Step(2);  // the final picture: two updates
    ASSERT_TRUE(Find("button_close")->GetVisible());
    EXPECT_FALSE(Find("control_game_nonogram/grid/cells/cell0_1")->GetVisible());  // empty
    EXPECT_TRUE(Find("control_game_nonogram/grid/cells/cell0_0")->GetVisible());   // full
    Journal().clear();
    game_->ClickAt("button_close");
    EXPECT_FALSE(Find("button_close")->GetVisible());
    for (int i = 0; i < 300 && game_->Top()->GetName() == "GS_GameNonogram"; ++i)
        game_->Step(1, 10);
    ASSERT_EQ(game_->StackNames(), "GS_Scene GS_GameNonogram GS_StatNonogramWithTips");
    const std::vector<std::string> shown = Lines("show GS_StatNonogramWithTips");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("show GS_StatNonogramWithTips Level=7,level_ref=lvl,", 0), 0u);
    EXPECT_NE(shown[0].find("level_errors=0,level_hints_used=0,location_name=japan"),
              std::string::npos);
    EXPECT_NE(shown[0].find(",level_completed=yes"), std::string::npos);
    EXPECT_DOUBLE_EQ(Find("control_game_nonogram/timer")->GetLeft(), 1024.0);

    CloseTop(Params({{"award_speed", "yes"}}));
    EXPECT_EQ(game_->StackNames(), "GS_Scene");
    EXPECT_EQ(Lines("closed GS_Scene"),
              std::vector<std::string>{
                  "closed GS_Scene GS_GameNonogram award_speed=yes,level_completed=yes"});
}

TEST_F(WholeLevelTest, ALostLevelFailsThenRestartsFromTheFailureScreenWithFreshCounters) {
    const std::vector<std::string> picture = {"110", "011"};
    StartLevelGame(picture, "errors=1\\hints=2\\cup_time=60");
    ShowLevel();
    RunStart();
    ClickCell(0, 0, SDL_BUTTON_LEFT);
    ClickCell(0, 2, SDL_BUTTON_LEFT);  // the arrow on an empty cell: the first error
    // The marker and the breaking cell, named alike, are both there.
    EXPECT_TRUE(Find("control_game_nonogram/scenario_group/cell0_2"));
    EXPECT_TRUE(Find("control_game_nonogram/scenario_group/cell0_2#2/error"));
    EXPECT_EQ(Board().GetGameMode(), 2);
    ClickCell(1, 0, SDL_BUTTON_LEFT);  // the second: one more than allowed
    EXPECT_EQ(Board().GetGameMode(), 0);
    EXPECT_EQ(Board().GetCounter(kCounterErrorsMade), 2);
    Journal().clear();
    for (int i = 0; i < 300 && game_->Top()->GetName() == "GS_GameNonogram"; ++i)
        game_->Step(1, 10);
    ASSERT_EQ(game_->StackNames(), "GS_Scene GS_GameNonogram GS_FailedNonogram");
    EXPECT_EQ(Lines("show GS_FailedNonogram"), std::vector<std::string>{"show GS_FailedNonogram -"});

    // Hints spent before the restart come back with it.
    Find("hint_buttons/hint_1")->SetVisible(false);
    CloseTop(Params({{"restart_level", "yes"}}));
    EXPECT_EQ(game_->StackNames(), "GS_Scene GS_GameNonogram");
    EXPECT_EQ(Board().GetGameMode(), 1);
    EXPECT_EQ(Board().GetCounter(kCounterErrorsMade), 0);
    EXPECT_EQ(Board().GetCounter(kCounterHintsUsed), 0);
    EXPECT_EQ(Find("control_game_nonogram/errors")->GetProperty("value").ToInt(), 0);
    EXPECT_TRUE(Find("hint_buttons/hint_1")->GetVisible());
    RunStart();
    for (int32_t r = 0; r < 2; ++r) {
        for (int32_t c = 0; c < 3; ++c) {
            EXPECT_EQ(Find("control_game_nonogram/grid/cells/cell" + std::to_string(r) + "_" +
                           std::to_string(c))
                          ->GetProperty("state")
                          .ToString(),
                      "closed");
        }
    }
    Solve(picture);
    EXPECT_EQ(Board().GetCounter(kCounterErrorsMade), 0);
    EXPECT_EQ(Board().Rules().UnresolvedLeft(), 0);
}

TEST_F(WholeLevelTest, ASecondScenarioOfARunningNameIsNotStarted) {
    StartLevelGame({"10"}, "errors=1\\hints=0\\cup_time=60");
    ShowLevel();
    RunStart();
    ClickCell(0, 0, SDL_BUTTON_LEFT);
    ClickCell(0, 1, SDL_BUTTON_RIGHT);
    game_->Step(2);
    Journal().clear();
    Board().ExecuteCommand(kCommandCloseFinalPicture, nullptr);
    const Ref<IWidget> first = Find("control_game_nonogram/scenario_group/scenario_end_level");
    ASSERT_TRUE(first);
    Board().ExecuteCommand(kCommandCloseFinalPicture, nullptr);
    EXPECT_EQ(Find("control_game_nonogram/scenario_group/scenario_end_level"), first);
    EXPECT_EQ(Find("control_game_nonogram/scenario_group")->GetChildren()->GetCount(), 2);
    // The level is reported when the running end scenario ends, not before.
    EXPECT_TRUE(Lines("show GS_StatNonogramWithTips").empty());
    for (int i = 0; i < 300 && game_->Top()->GetName() == "GS_GameNonogram"; ++i)
        game_->Step(1, 10);
    EXPECT_EQ(Lines("show GS_StatNonogramWithTips").size(), 1u);
}

TEST_F(WholeLevelTest, WithoutItsStartScenarioALevelIsPlayedAtOnce) {
    TFlowFactories factories;
    factories.startLevel = false;
    StartLevelGame({"10"}, "errors=1\\hints=0\\cup_time=60", factories);
    ShowLevel();
    EXPECT_EQ(Board().GetGameMode(), 2);
    EXPECT_TRUE(Find("control_game_nonogram/grid/cells")->GetVisible());
    EXPECT_TRUE(Find("control_game_nonogram/grid/digits")->GetVisible());
    EXPECT_FALSE(Find("control_game_nonogram/timer")->GetPaused());
    ClickCell(0, 0, SDL_BUTTON_LEFT);
    EXPECT_EQ(Find("control_game_nonogram/grid/cells/cell0_0")->GetProperty("state").ToString(),
              "full");
}

}  // namespace
