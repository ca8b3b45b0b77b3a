#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/Random.h"
#include "game/GameConfig.h"
#include "tests/minigames/BonusTestSupport.h"

namespace bonustest {
namespace {

using gametest::Journal;

// 1 0 / 0 1: full (0,0) and (1,1), empty (0,1) and (1,0).
const std::vector<std::string> kDiagonal = {"10", "01"};

class BonusControlTest : public TBonusControlTest {
protected:
    void TearDown() override {
        control_ = nullptr;
        game_.reset();
        ResetGameShellConfiguration();
    }

    // Solves the 2 × 2 diagonal picture with four correct moves.
    void SolveDiagonal() {
        Click(0, 0, 0);
        Click(1, 1, 0);
        Click(0, 1, 1);
        Click(1, 0, 1);
    }
};

std::string ParamText(const Ref<IWidget>& widget, const char* name) {
    return widget ? widget->GetProperty(name).ToString() : "-";
}

TEST_F(BonusControlTest, EachRoundIsTitledAndStartedByItsScenario) {
    struct TCase {
        int32_t rounds;
        std::vector<std::string> titles;
        std::vector<std::string> scenarios;
        std::vector<std::string> finals;
    };
    const TCase cases[] = {
        {3,
         {"%title_extra_mode%\n%japan%\n%title_round% 1", "%title_round% 2", "%title_final_round%"},
         {"scenario_start_level", "scenario_nonogram_start_round", "scenario_nonogram_start_round"},
         {"no", "no", "yes"}},
        // A single round keeps the first round's title and is the final one.
        {1, {"%title_extra_mode%\n%japan%\n%title_round% 1"}, {"scenario_start_level"}, {"yes"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.rounds);
        Begin({kDiagonal, kDiagonal, kDiagonal}, c.rounds);
        for (int32_t round = 1; round <= c.rounds; ++round) {
            SCOPED_TRACE(round);
            const std::string& name = c.scenarios[round - 1];
            const Ref<IWidget> start = Scenario(name);
            ASSERT_TRUE(start);
            EXPECT_EQ(ParamText(start, "LevelName"), c.titles[round - 1]);
            EXPECT_EQ(ParamText(start, "final_round"), c.finals[round - 1]);
            EXPECT_EQ(ParamText(start, "current_round"), std::to_string(round));
            EXPECT_EQ(ParamText(start, "rows"), "2");
            EXPECT_EQ(control_->GetCurrentRound(), round);
            EXPECT_EQ(control_->GetGameState(), TBonusGameState::kStarting);
            Finish(name);
            EXPECT_EQ(control_->GetGameState(), TBonusGameState::kPlaying);
            game_->Step(1, 2500);  // the last round's series is over
            const int32_t before = control_->GetPoints();
            SolveDiagonal();
            // Four quick correct moves (50 + 55 + 60 + 65) and the round bonus.
            EXPECT_EQ(control_->GetPoints(), before + 230 + 1000);
            EXPECT_EQ(control_->GetGameState(), TBonusGameState::kCompleting);
            if (round < c.rounds) {
                ASSERT_TRUE(Scenario("scenario_nonogram_end_round"));
                EXPECT_EQ(Lines("sound sound_level_completed").size(), 1u);
                Journal().clear();
                Finish("scenario_nonogram_end_round");
            } else {
                ASSERT_TRUE(Scenario("scenario_end_level"));
            }
        }
        // No picture repeats: the pool lost one entry per round.
        EXPECT_EQ(control_->GetPoolCount(), 3 - c.rounds);
    }
}

TEST_F(BonusControlTest, MovesScoreByTheirSpeedAndWrongMovesCost) {
    TBonusOptions options;
    options.sizes = {{2, 4}};
    Begin({{"1111", "0000"}}, 1, options);
    Finish("scenario_start_level");
    const Ref<IWidget> points = Widget("control_game_nonogram/points");
    struct TStep {
        int32_t waitMs;
        int32_t row, col, button;
        int32_t points;
        const char* flying;  // the text of the move's flying points
    };
    const TStep steps[] = {
        {0, 0, 0, 0, 50, "+ 50"},      // first move: the base reward
        {1000, 0, 1, 0, 105, "+ 55"},  // within the combo time: +5
        {1000, 0, 2, 0, 165, "+ 60"},
        {2500, 0, 3, 0, 215, "+ 50"},  // 2500 ms later the combo is over
        {0, 1, 0, 0, 0, "- 300"},      // wrong: 300 off, never below 0
        {0, 1, 1, 1, 50, "+ 50"},      // the reward starts again at 50
    };
    for (const TStep& s : steps) {
        SCOPED_TRACE(s.flying);
        if (s.waitMs > 0) game_->Step(1, s.waitMs);
        Click(s.row, s.col, s.button);
        EXPECT_EQ(control_->GetPoints(), s.points);
        EXPECT_EQ(points->GetProperty("value").ToInt(), s.points);
        const std::string name = "fp" + std::to_string(control_->GetElapsed()) + "cell" +
                                 std::to_string(s.row) + "_" + std::to_string(s.col);
        EXPECT_EQ(ParamText(Scenario(name), "text"), s.flying);
    }
    EXPECT_EQ(control_->GetErrorsMade(), 1);
}

TEST_F(BonusControlTest, AWonLevelReportsItsResultsOnceAfterItsEndScenario) {
    Begin({kDiagonal}, 1, {}, "3", 100);
    Finish("scenario_start_level");
    game_->Step(1, 75400);  // 24.6 s of the limit left: a time bonus of 25 × 5
    SolveDiagonal();
    EXPECT_TRUE(Lines("event").empty());
    ASSERT_TRUE(Scenario("scenario_end_level"));
    EXPECT_EQ(ParamText(Scenario("scenario_end_level"), "rows"), "2");
    Finish("scenario_end_level");
    const std::vector<std::string> expected = {
        "event 32773 level_time=1:05,level_time_in_sec=65,level_errors=2,level_hints_used=0,"
        "total_leveltime=100000,current_round=1,level_result=%bonus_level_completed%,"
        "level_progress=%bonus_level_progress_completed%,level_points=1230,"
        "level_hints_bonus=+ 1000 %points%,level_time_bonus=+ 125 %points%,"
        "level_total_points=2355,award_record=no,LevelName=japan"};
    EXPECT_EQ(Lines("event"), expected);
    // A repeated report of the end scenario, or one of the other end, tells
    // the screen nothing more.
    Finish("scenario_end_level");
    Finish("scenario_failed_level");
    game_->Step(3, 100000);
    EXPECT_EQ(Lines("event").size(), 1u);
}

TEST_F(BonusControlTest, AFailedLevelReportsWhyWithItsHintBonusAndNoTimeBonus) {
    struct TCase {
        const char* name;
        bool byErrors;
        std::string result;
    };
    const TCase cases[] = {
        {"errors", true, "level_result=%bonus_level_progress_errors%"},
        {"time", false, "level_result=%bonus_level_progress_timeout%"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Three rounds; the first is solved, the level fails in the second.
        Begin({kDiagonal, kDiagonal, kDiagonal}, 3, {}, "1", 50);
        Finish("scenario_start_level");
        SolveDiagonal();
        Finish("scenario_nonogram_end_round");
        Finish("scenario_nonogram_start_round");
        if (c.byErrors) {
            Click(0, 1, 0);  // the first error is allowed ("error_pos" 1)
            EXPECT_EQ(control_->GetGameState(), TBonusGameState::kPlaying);
            Click(1, 0, 0);  // the second ends the level
        } else {
            game_->Step(1, 50000);
        }
        EXPECT_EQ(control_->GetGameState(), TBonusGameState::kCompleting);
        ASSERT_TRUE(Scenario("scenario_failed_level"));
        EXPECT_EQ(Lines("sound sound_level_failed").size(), 1u);
        EXPECT_TRUE(Lines("event").empty());
        const int32_t points = control_->GetPoints();
        Finish("scenario_failed_level");
        const std::vector<std::string> expected = {
            "event 32774 " + c.result +
            ",level_progress=1 / 3,level_points=" + std::to_string(points) +
            ",level_hints_bonus=+ 1000 %points%,level_time_bonus=0,"
            "level_total_points=" +
            std::to_string(points + 1000) + ",award_record=no,LevelName=japan"};
        EXPECT_EQ(Lines("event"), expected);
        Finish("scenario_failed_level");
        game_->Step(2, 1000);
        EXPECT_EQ(Lines("event").size(), 1u);
    }
}

TEST_F(BonusControlTest, WithoutScenariosEveryEndProceedsAtOnce) {
    TBonusOptions options;
    options.scenarioGroup = false;
    Begin({kDiagonal, kDiagonal}, 2, options);
    // No start scenario can report: nothing plays until one does.
    Finish("scenario_start_level");
    SolveDiagonal();
    // The next round is laid out at once.
    EXPECT_EQ(control_->GetCurrentRound(), 2);
    Finish("scenario_nonogram_start_round");
    SolveDiagonal();
    ASSERT_EQ(Lines("event").size(), 1u);
    EXPECT_EQ(Lines("event")[0].rfind("event 32773 ", 0), 0u);
    // A screen without a timer has no time: the level fails on its first
    // frame of play.
    TBonusOptions noTimer;
    noTimer.timer = false;
    noTimer.scenarioGroup = false;
    Begin({kDiagonal}, 1, noTimer);
    Finish("scenario_start_level");
    game_->Step(1);
    ASSERT_EQ(Lines("event").size(), 1u);
    EXPECT_NE(Lines("event")[0].find("level_result=%bonus_level_progress_timeout%"),
              std::string::npos);
}

TEST_F(BonusControlTest, TheHighScoreTableOfTheLevelDecidesTheRecordMark) {
    SetHighScoresDefinition(
        "\\record_table={name=japan\\max_records=3\\record_structure={param=Score\\param=Player}}");
    TBonusOptions options;
    options.scenarioGroup = false;
    Begin({kDiagonal}, 1, options);
    const Ref<IHighScores> scores = Game().GetHighScores();
    scores->AddScore(Params({{"Score", "9999999"}, {"Player", "a"}}), "japan");
    Finish("scenario_start_level");
    SolveDiagonal();
    ASSERT_EQ(Lines("event").size(), 1u);
    // A table with room takes any score above 0; the old last-added mark
    // is cleared.
    EXPECT_NE(Lines("event")[0].find("award_record=yes"), std::string::npos);
    const Ref<IRecordTable> table = scores->GetTables()->GetItem(Variant("japan"));
    EXPECT_EQ(table->GetLastAdded(), -1);
}

// --- The board

TEST_F(BonusControlTest, CluesAreNamedAfterTheCellBeforeTheirRunAndCrossedAsRunsClose) {
    TBonusOptions options;
    options.sizes = {{1, 7}};
    Begin({{"0110110"}}, 1, options);
    Finish("scenario_start_level");
    const auto digit = [&](const std::string& name) {
        return Widget("control_game_nonogram/grid/digits/digit" + name);
    };
    ASSERT_TRUE(digit("l0_3"));
    ASSERT_TRUE(digit("l0_0"));
    EXPECT_EQ(ParamText(digit("l0_3"), "text"), "2");
    EXPECT_EQ(ParamText(digit("l0_0"), "text"), "2");
    // Columns: one clue each, "0" for an empty column, named after row 0.
    EXPECT_EQ(ParamText(digit("t0_0"), "text"), "0");
    EXPECT_EQ(ParamText(digit("t0_1"), "text"), "1");
    const Ref<IWidgetCollection> digits =
        Widget("control_game_nonogram/grid/digits")->GetChildren();
    EXPECT_EQ(digits->GetCount(), 2 + 7);
    EXPECT_EQ(ParamText(digit("l0_3"), "order"), "l");
    EXPECT_EQ(ParamText(digit("l0_3"), "col"), "3");

    EXPECT_EQ(control_->GetErrorsMade(), 0);
}

TEST_F(BonusControlTest, ARunsClueIsCrossedOnceBothItsNeighboursAreBroken) {
    struct TStep {
        int32_t col, button;
        const char* crossed;  // "crossed" of l0_3 and l0_0 afterwards
    };
    // 0 1 1 0 1 1 0 resolved from either end; the row's last cell hides
    // its digits instead.
    const std::vector<std::vector<TStep>> orders = {
        {{0, 1, "0 0"},
         {1, 0, "0 0"},
         {2, 0, "0 0"},
         {3, 1, "0 -1"},
         {4, 0, "0 -1"},
         {5, 0, "0 -1"}},
        {{4, 0, "0 0"},
         {5, 0, "0 0"},
         {6, 1, "0 0"},
         {3, 1, "-1 0"},
         {1, 0, "-1 0"},
         {2, 0, "-1 0"}},
    };
    const int32_t last[] = {6, 0};
    TBonusOptions options;
    options.sizes = {{1, 7}};
    for (size_t o = 0; o < orders.size(); ++o) {
        SCOPED_TRACE(o);
        Begin({{"0110110"}}, 1, options);
        Finish("scenario_start_level");
        const auto digit = [&](const std::string& name) {
            return Widget("control_game_nonogram/grid/digits/digit" + name);
        };
        for (const TStep& s : orders[o]) {
            SCOPED_TRACE(s.col);
            Click(0, s.col, s.button);
            EXPECT_EQ(
                ParamText(digit("l0_3"), "crossed") + " " + ParamText(digit("l0_0"), "crossed"),
                s.crossed);
            EXPECT_TRUE(digit("l0_3")->GetVisible());
        }
        Click(0, last[o], 1);
        EXPECT_FALSE(digit("l0_3")->GetVisible());
        EXPECT_FALSE(digit("l0_0")->GetVisible());
        EXPECT_EQ(control_->GetErrorsMade(), 0);
        EXPECT_EQ(control_->GetGameState(), TBonusGameState::kCompleting);
    }
}
TEST_F(BonusControlTest, TheMoveTable) {
    struct TCase {
        const char* name;
        int32_t row, col, tool;
        bool hint;
        const char* state;
        int32_t errors;
        int32_t lastAction;
        std::vector<std::string> sounds;
    };
    // (0,0) is full, (0,1) empty.
    const TCase cases[] = {
        {"arrow on full", 0, 0, 0, false, "full", 0, 0, {"sound sound_globe_ok"}},
        {"arrow on empty", 0, 1, 0, false, "empty", 1, -1, {"sound sound_empty_wrong"}},
        {"hammer on empty", 0, 1, 1, false, "empty", 0, 1, {"sound sound_empty_ok"}},
        {"hammer on full", 0, 0, 1, false, "full", 1, -1, {"sound sound_globe_wrong"}},
        {"hint arrow on empty",
         0,
         1,
         0,
         true,
         "empty",
         0,
         -1,
         {"sound sound_empty_ok", "sound sound_using_hint"}},
        {"hint arrow on full",
         0,
         0,
         0,
         true,
         "full",
         0,
         0,
         {"sound sound_globe_ok", "sound sound_using_hint"}},
        {"hint hammer", 0, 1, 1, true, "closed", 0, -1, {}},
        {"third button", 0, 1, 2, false, "closed", 0, -1, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        Begin({kDiagonal}, 1);
        Finish("scenario_start_level");
        if (c.hint) control_->ExecuteCommand(kBonusCommandArmHint, Params({{"name", "hint_2"}}));
        Journal().clear();
        Press(c.row, c.col, c.tool);
        EXPECT_EQ(CellState(c.row, c.col), c.state);
        EXPECT_EQ(control_->GetErrorsMade(), c.errors);
        EXPECT_EQ(control_->GetLastAction(), c.lastAction);
        EXPECT_EQ(Lines("sound"), c.sounds);
        EXPECT_EQ(static_cast<bool>(Scenario("scenario_nonogram_error")), c.errors > 0);
        if (c.hint && std::string(c.state) != "closed") {
            EXPECT_FALSE(control_->GetHintMode());
            EXPECT_EQ(control_->GetHintsUsed(), 1);
            EXPECT_EQ(control_->GetHintsAllowed(), 1);
            EXPECT_FALSE(Widget("hint_buttons/hint_2")->GetVisible());
            EXPECT_FALSE(Widget("hint_buttons/hint_2")->GetEnabled());
        }
        control_->MouseUp(X(c.col), Y(c.row), 0, c.tool);
        // A resolved cell changes no more but starts a press of the tool.
        Journal().clear();
        Press(c.row, c.col, 1);
        if (std::string(c.state) != "closed") {
            EXPECT_EQ(CellState(c.row, c.col), c.state);
            EXPECT_TRUE(Lines("sound").empty());
            EXPECT_EQ(control_->GetLastAction(), c.hint && control_->GetHintMode() ? -1 : 1);
        }
    }
}

TEST_F(BonusControlTest, ADragFollowsTheLineItsFirstTwoCellsFix) {
    TBonusOptions options;
    options.sizes = {{4, 5}};
    Begin({{"00000", "00000", "00000", "00001"}}, 1, options);
    Finish("scenario_start_level");
    Press(2, 3, 1);  // the hammer from (2,3)
    Drag(2, 4);      // to (2,4): the drag follows row 2
    Drag(3, 4);      // off the row: ignored
    EXPECT_EQ(CellState(3, 4), "closed");
    Drag(2, 2);  // back on the row: broken
    EXPECT_EQ(CellState(2, 2), "empty");
    EXPECT_EQ(CellState(2, 4), "empty");
    control_->MouseUp(X(2), Y(2), 0, 1);
    // A hammer press on a broken cell breaks on along the drag.
    Press(2, 2, 1);
    Drag(1, 2);
    EXPECT_EQ(CellState(1, 2), "empty");
    control_->MouseUp(X(2), Y(1), 0, 1);
    // A wrong move ends the press: the drag goes no further.
    Press(2, 1, 0);  // the arrow on an empty cell: an error
    Drag(2, 0);
    EXPECT_EQ(CellState(2, 0), "closed");
    EXPECT_EQ(control_->GetErrorsMade(), 1);
}

TEST_F(BonusControlTest, TheToolSwitchMapsTheButtons) {
    struct TCase {
        const char* state;
        const char* activeTool;
        int32_t button;
        const char* cell;  // the empty cell (0,1) afterwards
        const char* toolAfter;
    };
    const TCase cases[] = {
        {"active", "arrow", 0, "empty", "arrow"},     // the arrow: an error
        {"active", "hammer", 0, "empty", "hammer"},   // the hammer: correct
        {"active", "arrow", 1, "closed", "hammer"},   // the right button switches
        {"active", "hammer", 2, "empty", "hammer"},   // any other button is the tool
        {"nonactive", "arrow", 1, "empty", "arrow"},  // the right button is the hammer
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.state) + " " + c.activeTool + " " + std::to_string(c.button));
        Begin({kDiagonal}, 1);
        Finish("scenario_start_level");
        Tools()->ExecuteCommand(13, Params({{"tools_state", c.state}}));
        if (std::string(c.state) == "active")
            Tools()->ExecuteCommand(14, Params({{"active_tool", c.activeTool}}));
        Click(0, 1, c.button);
        EXPECT_EQ(CellState(0, 1), c.cell);
        EXPECT_EQ(Tools()->GetProperty("active_tool").ToString(), c.toolAfter);
        EXPECT_EQ(control_->GetErrorsMade(), std::string(c.cell) == "empty" &&
                                                     std::string(c.toolAfter) == "arrow" &&
                                                     c.button != 1
                                                 ? 1
                                                 : 0);
    }
}

TEST_F(BonusControlTest, TheCrossUnderTheMouseIsLitWhilePlaying) {
    TBonusOptions options;
    options.sizes = {{3, 3}};
    Begin({{"101", "010", "111"}}, 1, options);
    const auto lit = [&](int32_t row, int32_t col) {
        const Ref<IWidget> cell = control_->Grid().Cell(row, col);
        const Ref<IWidget> closed = cell ? cell->FindWidget("closed") : nullptr;
        return closed && closed->GetProperty("highlight").ToBool();
    };
    game_->MouseMove(X(1), Y(1));
    game_->Step(1);
    EXPECT_FALSE(lit(1, 1));  // not while the start scenario runs
    Finish("scenario_start_level");
    game_->Step(1);
    EXPECT_TRUE(lit(0, 1));
    EXPECT_TRUE(lit(1, 0));
    EXPECT_FALSE(lit(0, 0));
    EXPECT_TRUE(Widget("control_game_nonogram/grid/digits/digitl1_0/digit_on")->GetVisible());
    game_->MouseMove(5, 5);
    game_->Step(1);
    EXPECT_FALSE(lit(0, 1));
    EXPECT_FALSE(control_->GetHoverCell());
}

// --- Faults mended

TEST_F(BonusControlTest, ASmallerNextBoardIsNeverReadThroughTheLastHoveredCell) {
    TBonusOptions options;
    options.sizes = {{3, 3}, {1, 1}};
    options.scenarioGroup = false;
    StartGame(options);
    // A 3 × 3 picture and a 1 × 1 one, in the order they are drawn.
    PublishCatalogue("<level level=\"big\"><properties><param name=\"filename\" value=\"" +
                     WritePicture("big", {"111", "111", "111"}) +
                     "\"/><param name=\"bonus_scene\" value=\"japan\"/></properties></level>"
                     "<level level=\"small\"><properties><param name=\"filename\" value=\"" +
                     WritePicture("small", {"1"}) +
                     "\"/><param name=\"bonus_scene\" value=\"japan\"/></properties></level>");
    RandomSeed(1);
    control_->ExecuteCommand(kBonusCommandStart, LevelParams(2));
    Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    Finish("scenario_start_level");
    const bool bigFirst = control_->Rules().Rows() == 3;
    const int32_t row = bigFirst ? 2 : 0, col = bigFirst ? 2 : 0;
    game_->MouseMove(X(col), Y(row));
    game_->Step(1);
    ASSERT_TRUE(control_->GetHoverCell());
    // Solve round 1 with the mouse resting on its last cell.
    for (int32_t r = 0; r < control_->Rules().Rows(); ++r) {
        for (int32_t c = 0; c < control_->Rules().Cols(); ++c) Click(r, c, 0);
    }
    ASSERT_EQ(control_->GetCurrentRound(), 2);
    EXPECT_FALSE(control_->GetHoverCell());
    Finish("scenario_nonogram_start_round");
    game_->Step(2);  // the sanitizer build catches any read past the new board
    EXPECT_EQ(control_->GetGameState(), TBonusGameState::kPlaying);
}

TEST_F(BonusControlTest, HintModeEndsWithARestartTheClearCommandAndLeaving) {
    for (const char* way : {"restart", "clear", "leave"}) {
        SCOPED_TRACE(way);
        Begin({kDiagonal, kDiagonal}, 1);
        Finish("scenario_start_level");
        control_->ExecuteCommand(kBonusCommandArmHint, Params({{"name", "hint_1"}}));
        EXPECT_EQ(Lines("cursor").back(), "cursor hint");
        Journal().clear();
        if (std::string(way) == "restart") {
            control_->ExecuteCommand(kBonusCommandRestart, LevelParams(1));
        } else if (std::string(way) == "clear") {
            control_->ExecuteCommand(kBonusCommandClear, nullptr);
            EXPECT_EQ(control_->GetGameState(), TBonusGameState::kCompleting);
            EXPECT_EQ(Widget("control_game_nonogram/grid/cells")->GetChildren()->GetCount(), 0);
            EXPECT_EQ(control_->GetPoolCount(), 0);
            EXPECT_FALSE(control_->GetRoundRef());
        } else {
            control_ = nullptr;
            Widget("")->GetChildren()->Delete(Variant(std::string("control_game_nonogram")));
        }
        EXPECT_EQ(Lines("cursor"), (std::vector<std::string>{"cursor default"}));
        if (control_) {
            EXPECT_FALSE(control_->GetHintMode());
        }
        game_->Step(2, 1000);
        EXPECT_TRUE(Lines("event").empty());
    }
}

TEST_F(BonusControlTest, ALevelThatCannotBePlayedIsRefusedAndReportedFailedOnce) {
    struct TCase {
        const char* name;
        std::vector<std::string> picture;  // empty: none published
        int32_t rounds;
        std::string errorPos;
        const char* pictureRows;
        const char* pictureCols;
        const char* logPart;
    };
    const TCase cases[] = {
        {"empty pool", {}, 1, "3", "", "2", "no picture is left"},
        {"rounds 0", {"10", "01"}, 0, "3", "", "2", "no rounds"},
        {"error_pos not a number", {"10", "01"}, 1, "many", "", "2", "\"error_pos\""},
        {"error_pos empty", {"10", "01"}, 1, "", "", "2", "\"error_pos\""},
        {"long row", {"100", "01"}, 1, "3", "", "2", "row 0 has 3 cells"},
        {"extra row", {"10", "01", "11"}, 1, "3", "2", "2", "3 rows"},
        {"short row", {"10", "0"}, 1, "3", "", "2", "row 1 has 1 cells"},
        {"non-hex", {"1g", "01"}, 1, "3", "", "2", "no hexadecimal"},
        {"no grid definition", {"1", "0"}, 1, "3", "", "1", "grid definition \"2_1\""},
        {"no cell factory", {"12", "01"}, 1, "3", "", "2", "makes no cell"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartGame();
        if (!c.picture.empty()) {
            PublishCatalogue(
                "<level level=\"p\"><properties><param name=\"filename\" value=\"" +
                WritePicture("p", c.picture, c.pictureRows, c.pictureCols) +
                "\"/><param name=\"bonus_scene\" value=\"japan\"/></properties></level>");
        }
        control_->ExecuteCommand(kBonusCommandStart, LevelParams(c.rounds, c.errorPos));
        EXPECT_EQ(control_->GetGameState(), TBonusGameState::kCompleting);
        EXPECT_EQ(Widget("control_game_nonogram/grid/cells")->GetChildren()->GetCount(), 0);
        EXPECT_TRUE(game_->Log().Has({"BONUS", c.logPart}));
        EXPECT_TRUE(Lines("event").empty());  // never from inside the start
        game_->Step(3);
        ASSERT_EQ(Lines("event").size(), 1u);
        EXPECT_EQ(Lines("event")[0].rfind("event 32774 ", 0), 0u) << Lines("event")[0];
        // Nothing was played: no hint bonus, nothing for a high-score table.
        EXPECT_NE(Lines("event")[0].find("level_hints_bonus=0,level_time_bonus=0,"
                                         "level_total_points=0,"),
                  std::string::npos)
            << Lines("event")[0];
    }
    // A level file that does not load.
    StartGame();
    PublishCatalogue(
        "<level level=\"p\"><properties><param name=\"filename\" value=\"" +
        levels_.Path().string() +
        "/missing.xml\"/><param name=\"bonus_scene\" value=\"japan\"/></properties></level>");
    control_->ExecuteCommand(kBonusCommandStart, LevelParams(1));
    EXPECT_TRUE(game_->Log().Has({"BONUS", "does not load"}));
    game_->Step(2);
    EXPECT_EQ(Lines("event").size(), 1u);
}

TEST_F(BonusControlTest, TheHelpAndErrorHintScreensShowOncePerProfile) {
    Begin({kDiagonal}, 1);
    Profile()->SetValue("show_bonus_help", Variant("no"));
    Profile()->SetValue("show_hint_error", Variant("no"));
    Finish("scenario_start_level");
    EXPECT_EQ(game_->StackNames(), "GS_Bonus GS_HelpBonus");
    EXPECT_EQ(Profile()->GetValue("show_bonus_help", Variant()).ToString(), "yes");
    Game().CloseGameScreen(game_->Top(), nullptr);
    Click(0, 1, 0);
    EXPECT_EQ(game_->StackNames(), "GS_Bonus GS_HintError");
    Game().CloseGameScreen(game_->Top(), nullptr);
    Click(1, 0, 0);
    EXPECT_EQ(game_->StackNames(), "GS_Bonus");
}

}  // namespace
}  // namespace bonustest
