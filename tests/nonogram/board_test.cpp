#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/nonogram/BoardTestSupport.h"
#include "tests/nonogram/PlainRecount.h"
#include "tests/support/AllocationCount.h"

namespace nonogramtest {
namespace {

using gametest::Journal;

// rows: 1 0 1 / 0 1 0 / 1 1 1 — the empty cells are (0,1), (1,0), (1,2).
const std::vector<std::string> kPicture = {"101", "010", "111"};

using BoardTest = TBoardTest;

TEST_F(BoardTest, AStartedLevelIsLaidOutAndPlaysOnceItsStartScenarioReports) {
    StartGame(3, 3);
    WriteLevel(kPicture, "errors=2\\hints=3\\cup_time=60");
    StartLevel(false);
    EXPECT_EQ(board_->GetGameMode(), 1);
    const Ref<IWidget> start = Scenario("scenario_start_level");
    ASSERT_TRUE(start);
    EXPECT_EQ(board_->Grid().Cell(2, 2)->GetName(), "cell2_2");
    EXPECT_EQ(board_->Rules().FullLeft(), 6);
    EXPECT_EQ(board_->GetCounter(kCounterErrorsAllowed), 2);
    EXPECT_EQ(Widget("control_game_nonogram/timer/expert")->GetTop(), 33);
    // The grid definitions are published for the bonus game.
    EXPECT_EQ(Game().GetOption("grid_defs").ToInterface().get(),
              Ref<IInterface>(board_->GetGridDefs()).get());

    Press(0, 0);  // presses wait for the start scenario
    EXPECT_EQ(CellState(0, 0), "closed");
    Finish("scenario_start_level");
    EXPECT_EQ(board_->GetGameMode(), 2);
    Press(0, 0);
    EXPECT_EQ(CellState(0, 0), "full");
}

TEST_F(BoardTest, TheScreensMouseReachesTheBoard) {
    Play(kPicture);
    Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    game_->Click(X(0), Y(0));
    EXPECT_EQ(CellState(0, 0), "full");
    // The right button is the hammer; a drag with it breaks on along row 1.
    game_->MouseDown(X(0), Y(1), SDL_BUTTON_RIGHT);
    EXPECT_EQ(CellState(1, 0), "empty");
    game_->MouseUp(X(0), Y(1), SDL_BUTTON_RIGHT);
    EXPECT_EQ(board_->GetCounter(kCounterErrorsMade), 0);
}

TEST_F(BoardTest, MovesOpenAndBreakCellsAndCountErrors) {
    struct TCase {
        const char* name;
        int32_t row, col, button;
        const char* state;
        int32_t value, fullLeft, errors;
        std::vector<std::string> sounds;
    };
    const TCase cases[] = {
        {"arrow on full", 0, 0, 0, "full", kCellOpened, 5, 0, {"sound sound_globe_ok"}},
        {"hammer on empty", 0, 1, 1, "empty", kCellBroken, 6, 0, {"sound sound_empty_ok"}},
        {"arrow on empty", 0, 1, 0, "empty", kCellBroken, 6, 1, {"sound sound_empty_wrong"}},
        {"hammer on full", 0, 0, 1, "full", kCellOpened, 5, 1, {"sound sound_globe_wrong"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TBoardOptions options;
        Play(kPicture, "errors=2\\hints=3\\cup_time=60", options);
        Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
        Journal().clear();
        Click(c.row, c.col, c.button);
        EXPECT_EQ(CellState(c.row, c.col), c.state);
        EXPECT_EQ(board_->Rules().Value(c.row, c.col), c.value);
        EXPECT_EQ(board_->Rules().FullLeft(), c.fullLeft);
        EXPECT_EQ(board_->GetCounter(kCounterErrorsMade), c.errors);
        EXPECT_EQ(Lines("sound"), c.sounds);
        EXPECT_EQ(static_cast<bool>(Scenario("scenario_nonogram_error")), c.errors > 0);
        // A resolved cell never changes again, whatever the tool.
        Journal().clear();
        Click(c.row, c.col, 0);
        Click(c.row, c.col, 1);
        EXPECT_EQ(board_->Rules().Value(c.row, c.col), c.value);
        EXPECT_TRUE(Lines("sound").empty());
    }
}

TEST_F(BoardTest, TheToolSwitchDecidesWhatAPressDoes) {
    struct TCase {
        const char* toolsState;
        int32_t button;
        const char* expected;  // the state of the empty cell (0,1) afterwards, or "toggle"
    };
    const TCase cases[] = {
        {"active", 0, "empty"},      // the arrow selected: an error, the cell broken
        {"active", 1, "toggle"},     // the right button switches to the hammer
        {"nonactive", 0, "empty"},   // the left button is the arrow
        {"nonactive", 1, "empty"},   // the right button is the hammer
        {"nonactive", 2, "closed"},  // the third button is no tool
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.toolsState) + " " + std::to_string(c.button));
        Play(kPicture);
        Tools()->ExecuteCommand(13, Params({{"tools_state", c.toolsState}}));
        const int32_t errorsBefore = board_->GetCounter(kCounterErrorsMade);
        Click(0, 1, c.button);
        if (std::string(c.expected) == "toggle") {
            EXPECT_EQ(CellState(0, 1), "closed");
            EXPECT_EQ(Tools()->GetProperty("active_tool").ToString(), "hammer");
            Click(0, 1, 0);  // every press now uses the hammer: correct
            EXPECT_EQ(CellState(0, 1), "empty");
            EXPECT_EQ(board_->GetCounter(kCounterErrorsMade), errorsBefore);
        } else {
            EXPECT_EQ(CellState(0, 1), c.expected);
        }
        if (std::string(c.toolsState) == "nonactive" && c.button == 1) {
            EXPECT_EQ(board_->GetCounter(kCounterErrorsMade), errorsBefore);
        }
    }
}

TEST_F(BoardTest, ADragFollowsTheLineItsFirstTwoCellsFix) {
    // Every cell full but (2,0) and (1,3).
    Play({"1111", "1110", "0111", "1111"});
    Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    Press(0, 0);
    Drag(0, 1);  // fixes row 0
    Drag(1, 1);  // another row: ignored
    Drag(0, 2);
    EXPECT_EQ(CellState(0, 1), "full");
    EXPECT_EQ(CellState(1, 1), "closed");
    EXPECT_EQ(CellState(0, 2), "full");
    board_->MouseUp(X(2), Y(0), 0, 0);
    Drag(1, 1);  // released: moving does nothing
    EXPECT_EQ(CellState(1, 1), "closed");

    // An error ends the drag at once.
    Press(1, 2);
    Drag(1, 3);  // empty: broken as an error
    EXPECT_EQ(board_->GetCounter(kCounterErrorsMade), 1);
    EXPECT_EQ(board_->GetLastAction(), -1);
    Drag(1, 1);
    EXPECT_EQ(CellState(1, 1), "closed");
    board_->MouseUp(X(1), Y(1), 0, 0);

    // A column drag.
    Press(1, 0);
    Drag(2, 0);  // empty: an error ends it
    Press(3, 1);
    Drag(2, 1);
    Drag(1, 1);
    Drag(1, 0);  // another column: ignored
    EXPECT_EQ(CellState(2, 1), "full");
    EXPECT_EQ(CellState(1, 1), "full");
    board_->MouseUp(0, 0, 0, 0);
}

TEST_F(BoardTest, TheErrorLimitFailsTheLevelOnTheErrorPastIt) {
    Play({"1111", "0000"}, "errors=2\\hints=0\\cup_time=60");
    Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    Click(1, 0);
    Click(1, 1);
    EXPECT_EQ(board_->GetGameMode(), 2);
    Journal().clear();
    Click(1, 2);  // the third error with two allowed
    EXPECT_EQ(board_->GetGameMode(), 0);
    EXPECT_TRUE(Scenario("scenario_failed_level"));
    EXPECT_EQ(Lines("sound"),
              (std::vector<std::string>{"sound sound_empty_wrong", "sound sound_level_failed"}));
    EXPECT_TRUE(Lines("event").empty());
    Finish("scenario_failed_level");
    EXPECT_EQ(Lines("event"), (std::vector<std::string>{
                                  "event 32774 Level=7,level_time_in_sec=65,level_cup_time=60,"
                                  "level_errors=3,level_hints_used=0,level_completed=no"}));
    // Reported once.
    Finish("scenario_failed_level");
    EXPECT_EQ(Lines("event").size(), 1u);
}

TEST_F(BoardTest, WithoutTheErrorsLabelNoErrorIsCountedAndWithoutScenariosAFailReportsAtOnce) {
    TBoardOptions noLabel;
    noLabel.errorsLabel = false;
    Play({"11", "00"}, "errors=0\\hints=0\\cup_time=60", noLabel);
    Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    Click(1, 0);
    EXPECT_EQ(board_->GetGameMode(), 2);
    EXPECT_EQ(board_->GetCounter(kCounterErrorsMade), 0);

    TBoardOptions noGroup;
    noGroup.scenarioGroup = false;
    StartGame(2, 2, noGroup);
    WriteLevel({"11", "00"}, "errors=0\\hints=0\\cup_time=60");
    StartLevel(false);
    Finish("scenario_start_level");  // no start scenario could be made: the test reports it
    Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    Journal().clear();
    Click(1, 0);
    EXPECT_EQ(board_->GetGameMode(), 0);
    EXPECT_EQ(Lines("event").size(), 1u);
    EXPECT_NE(Lines("event")[0].find("event 32774"), std::string::npos);
}

TEST_F(BoardTest, AWonLevelShowsItsPictureThenReportsItsResults) {
    StartGame(2, 2);
    WriteLevel(
        {"10", "01"}, "errors=3\\hints=2\\cup_time=45",
        R"(<param name="level_time_bonus" value="50"/><param name="level_hint_bonus" value="30"/>)"
        R"(<param name="level_mistake_bonus" value="20"/><param name="tip" value="tip_3"/>)"
        R"(<param name="level_points" value="100"/>)");
    StartLevel();
    Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    Click(0, 0);
    Click(0, 1, 1);
    Click(1, 0, 1);
    Journal().clear();
    Click(1, 1);  // the last unresolved cell
    EXPECT_EQ(board_->GetGameMode(), 0);
    EXPECT_TRUE(Scenario("scenario_show_final_picture"));
    EXPECT_EQ(Lines("sound"),
              (std::vector<std::string>{"sound sound_globe_ok", "sound sound_level_completed"}));
    Finish("scenario_show_final_picture");
    EXPECT_TRUE(Widget("button_close")->GetVisible());
    board_->ExecuteCommand(kCommandCloseFinalPicture, nullptr);
    EXPECT_FALSE(Widget("button_close")->GetVisible());
    EXPECT_TRUE(Scenario("scenario_end_level"));
    EXPECT_TRUE(Lines("event").empty());
    Finish("scenario_end_level");
    EXPECT_EQ(Lines("event"),
              (std::vector<std::string>{
                  "event 32773 Level=7,level_ref=lvl,level_time=1:05,level_time_in_sec=65,"
                  "level_cup_time=45,level_errors=0,level_hints_used=0,location_name=japan,"
                  "level_time_bonus=50,level_hint_bonus=30,level_mistake_bonus=20,hints=2,"
                  "tip=tip_3,level_points=100,level_completed=yes"}));
}

TEST_F(BoardTest, WithoutEndScenariosAWonLevelStillEnds) {
    TBoardOptions options;
    options.scenarios = false;
    StartGame(1, 2, options);
    WriteLevel({"10"}, "errors=3\\hints=2\\cup_time=45");
    StartLevel(false);
    Finish("scenario_start_level");
    Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    Click(0, 0);
    Click(0, 1, 1);
    EXPECT_EQ(board_->GetGameMode(), 0);
    EXPECT_TRUE(Widget("button_close")->GetVisible());  // nothing to wait for
    Journal().clear();
    board_->ExecuteCommand(kCommandCloseFinalPicture, nullptr);
    ASSERT_EQ(Lines("event").size(), 1u);
    EXPECT_NE(Lines("event")[0].find("event 32773"), std::string::npos);
}

TEST_F(BoardTest, HintsAreShownAsTheLevelAllowsAndSpentByTheNextPress) {
    Play(kPicture, "errors=2\\hints=3\\cup_time=60");
    for (int i = 1; i <= 5; ++i) {
        const Ref<IWidget> button = Widget("hint_buttons/hint_" + std::to_string(i));
        EXPECT_EQ(button->GetVisible(), i <= 3) << i;
        EXPECT_EQ(button->GetEnabled(), i <= 3) << i;
    }
    EXPECT_TRUE(Widget("hint_buttons/title_hints")->GetVisible());

    Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    board_->ExecuteCommand(kCommandArmHint, Params({{"name", "hint_2"}}));
    EXPECT_TRUE(board_->GetHintMode());
    EXPECT_EQ(Lines("cursor").back(), "cursor hint");
    Click(0, 1, 1);  // the right button does nothing while a hint is armed
    EXPECT_EQ(CellState(0, 1), "closed");
    Journal().clear();
    Click(0, 1);  // an empty cell: broken without an error
    EXPECT_EQ(CellState(0, 1), "empty");
    EXPECT_EQ(board_->GetCounter(kCounterErrorsMade), 0);
    EXPECT_EQ(board_->GetCounter(kCounterHintsUsed), 1);
    EXPECT_FALSE(board_->GetHintMode());
    EXPECT_EQ(Lines("sound"),
              (std::vector<std::string>{"sound sound_empty_ok", "sound sound_using_hint"}));
    EXPECT_EQ(Lines("cursor"), (std::vector<std::string>{"cursor default"}));
    EXPECT_FALSE(Widget("hint_buttons/hint_2")->GetVisible());
    EXPECT_FALSE(Widget("hint_buttons/hint_2")->GetEnabled());
    Click(1, 0);  // the next press is an ordinary one: an error
    EXPECT_EQ(board_->GetCounter(kCounterErrorsMade), 1);

    // Restarting keeps an armed hint.
    board_->ExecuteCommand(kCommandArmHint, Params({{"name", "hint_1"}}));
    board_->ExecuteCommand(kCommandRestartLevel, nullptr);
    EXPECT_TRUE(board_->GetHintMode());
    EXPECT_EQ(board_->GetCounter(kCounterHintsUsed), 0);
}

TEST_F(BoardTest, TheHintTitleCountsInTheButtonIndex) {
    TBoardOptions options;
    options.titleFirst = true;
    StartGame(3, 3, options);
    WriteLevel(kPicture, "errors=2\\hints=3\\cup_time=60");
    StartLevel();
    // Children 0 to 2 may show: the title and two buttons.
    EXPECT_TRUE(Widget("hint_buttons/title_hints")->GetVisible());
    EXPECT_TRUE(Widget("hint_buttons/hint_2")->GetVisible());
    EXPECT_FALSE(Widget("hint_buttons/hint_3")->GetVisible());
}

TEST_F(BoardTest, AHintArmedWhenTheLevelEndsGivesItsCursorBack) {
    Play({"1"}, "errors=0\\hints=1\\cup_time=60");
    Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    board_->ExecuteCommand(kCommandArmHint, Params({{"name", "hint_1"}}));
    Journal().clear();
    // The level ends by its last cell, opened by the hint: nothing stays
    // armed for the next screens.
    Click(0, 0);
    EXPECT_FALSE(board_->GetHintMode());
    EXPECT_EQ(Lines("cursor").back(), "cursor default");
    // No hint can be armed on an ended board.
    board_->ExecuteCommand(kCommandArmHint, Params({{"name", "hint_1"}}));
    EXPECT_FALSE(board_->GetHintMode());
}

TEST_F(BoardTest, ABoardThatGoesWithAHintArmedGivesItsCursorBack) {
    Play(kPicture);
    Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    board_->ExecuteCommand(kCommandArmHint, Params({{"name", "hint_1"}}));
    Journal().clear();
    board_ = nullptr;
    Widget("")->GetChildren()->Delete(Variant(std::string("control_game_nonogram")));
    EXPECT_EQ(Lines("cursor"), (std::vector<std::string>{"cursor default"}));
    EXPECT_TRUE(Game().GetOption("grid_defs").IsUnassigned());
}

TEST_F(BoardTest, IdleFramesOfAPlayedBoardAllocateNothingAndDrawNothing) {
    Play(kPicture);
    game_->MouseMove(X(1), Y(1));
    game_->Step(3);
    long allocations = 0;
    {
        const TAllocationCount count;
        for (int i = 0; i < 50; ++i) game_->Engine().UpdateGame(10);
        allocations = count.Count();
    }
    EXPECT_EQ(allocations, 0);
    EXPECT_FALSE(game_->Engine().IsRedrawNeeded());
    EXPECT_EQ(board_->GetCounter(kCounterElapsedMs), 30 + 500);
}

TEST_F(BoardTest, AutoCompleteBreaksTheRestOneAfterAnotherAndWins) {
    Play({"100", "001"});
    Game().GetUserProfiles()->GetCurrent()->GetParams()->SetValue("UseAutoComplete",
                                                                  Variant("yes"));
    Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    Click(0, 0);
    EXPECT_EQ(board_->GetGameMode(), 2);
    Journal().clear();
    Click(1, 2);  // the last full cell
    EXPECT_EQ(board_->GetGameMode(), 0);
    EXPECT_EQ(board_->GetCounter(kCounterErrorsMade), 0);
    const std::pair<int32_t, int32_t> empties[] = {{0, 1}, {0, 2}, {1, 0}, {1, 1}};
    int32_t k = 1;
    for (const auto& [r, c] : empties) {
        const Ref<IWidget> cell = board_->Grid().Cell(r, c);
        EXPECT_EQ(cell->GetProperty("currenttime").ToInt(), -100 * k) << r << "," << c;
        EXPECT_EQ(cell->GetProperty("state_to_set").ToString(), "invisible");
        EXPECT_EQ(board_->Rules().Value(r, c), kCellBroken);
        ++k;
    }
    // The final picture (and the button that leaves it) waits for the last
    // cell to break, 400 ms on: none is left on the board behind the results.
    EXPECT_FALSE(Scenario("scenario_show_final_picture"));
    game_->Step(3, 100);
    EXPECT_FALSE(Scenario("scenario_show_final_picture"));
    EXPECT_EQ(CellState(1, 1), "closed");
    game_->Step(2, 100);
    EXPECT_TRUE(Scenario("scenario_show_final_picture"));
    for (const auto& [r, c] : empties) EXPECT_EQ(CellState(r, c), "invisible") << r << "," << c;
}

TEST_F(BoardTest, AutoCompleteDoesNotRunAfterThePressThatFailedTheLevel) {
    Play({"10", "00"}, "errors=0\\hints=0\\cup_time=60");
    Game().GetUserProfiles()->GetCurrent()->GetParams()->SetValue("UseAutoComplete",
                                                                  Variant("yes"));
    Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
    Click(0, 0, 1);  // the hammer on the only full cell: the error past the limit
    EXPECT_EQ(board_->GetGameMode(), 0);
    EXPECT_TRUE(Scenario("scenario_failed_level"));
    EXPECT_EQ(board_->Rules().Value(1, 1), kCellEmpty);
    EXPECT_EQ(CellState(1, 1), "closed");
}

TEST_F(BoardTest, TheExpertMarkLeavesOnceTheCupTimeIsPassed) {
    Play(kPicture, "errors=2\\hints=3\\cup_time=1");
    const Ref<IWidget> expert = Widget("control_game_nonogram/timer/expert");
    EXPECT_TRUE(expert->GetPaused());
    board_->SetCounter(kCounterElapsedMs, 1000);
    EXPECT_TRUE(expert->GetPaused());  // equality is not past
    game_->Step(1, 10);
    EXPECT_FALSE(expert->GetPaused());
    EXPECT_EQ(board_->GetCounter(kCounterElapsedMs), 1010);
}

// A restart starts the expert mark over as a fresh level does: on show at
// its place, paused with its time rewound, and it leaves again only once the
// new attempt is past the expert time.
TEST_F(BoardTest, ARestartStartsTheExpertMarkOver) {
    Play(kPicture, "errors=2\\hints=3\\cup_time=1");
    const Ref<IWidget> expert = Widget("control_game_nonogram/timer/expert");
    board_->SetCounter(kCounterElapsedMs, 1001);
    ASSERT_FALSE(expert->GetPaused());
    // As far as its fade has run, and hidden and moved as a finished one may be.
    expert->SetProperty("currenttime", Variant(900));
    expert->SetVisible(false);
    expert->SetTop(90);

    board_->ExecuteCommand(kCommandRestartLevel, nullptr);
    EXPECT_TRUE(expert->GetVisible());
    EXPECT_EQ(expert->GetTop(), 33);
    EXPECT_TRUE(expert->GetPaused());
    EXPECT_EQ(expert->GetProperty("currenttime").ToInt(), 0);
    Finish("scenario_start_level");
    game_->Step(10, 100);  // the whole expert time, not past it
    EXPECT_TRUE(expert->GetPaused());
    EXPECT_EQ(expert->GetProperty("currenttime").ToInt(), 0);
    game_->Step(1, 10);
    EXPECT_FALSE(expert->GetPaused());
}

TEST_F(BoardTest, HoverHighlightsTheCrossOfTheClosedCellUnderThePointer) {
    Play(kPicture);
    const auto lit = [&](int32_t r, int32_t c) {
        const Ref<IWidget> closed = board_->Grid().Cell(r, c)->FindWidget("closed");
        return dynamic_cast<TTestLeaf&>(*closed).Highlight();
    };
    game_->MouseMove(X(1), Y(2));
    game_->Step(1);
    EXPECT_TRUE(lit(2, 0));
    EXPECT_TRUE(lit(0, 1));
    EXPECT_FALSE(lit(0, 0));
    game_->MouseMove(X(0), Y(0));
    game_->Step(1);
    EXPECT_FALSE(lit(2, 2));
    EXPECT_FALSE(lit(1, 1));
    EXPECT_TRUE(lit(2, 0));
    EXPECT_TRUE(lit(0, 2));
    game_->MouseMove(5, 5);
    game_->Step(1);
    EXPECT_FALSE(lit(0, 2));
}

TEST_F(BoardTest, ALevelThatCannotBePlayedIsRefusedWithALogLine) {
    struct TCase {
        const char* name;
        std::vector<std::string> rows;
        std::string rowsText, colsText;
        TBoardOptions options;
        std::string logged;
    };
    TBoardOptions noGrid;
    noGrid.grids = GridDef(9, 9);
    TBoardOptions noColour;  // colour 2 has no factory
    const TCase cases[] = {
        {"too few rows", {"101", "010"}, "3", "3", {}, "2 rows for 3"},
        {"too many rows", {"101", "010", "111", "111"}, "3", "3", {}, "4 rows for 3"},
        {"a short row", {"101", "01", "111"}, "", "", {}, "row 1 has 2 cells"},
        {"a long row", {"101", "0101", "111"}, "", "3", {}, "row 1 has 4 cells"},
        {"a bad digit", {"101", "0x0", "111"}, "", "", {}, "no hexadecimal"},
        {"a huge size", {"101"}, "100000", "100000", {}, "not within"},
        {"no number", {"101"}, "three", "3", {}, "no whole numbers"},
        {"no grid definition", kPicture, "", "", noGrid, "\"3_3\""},
        {"a colour without a cell factory", {"101", "020", "111"}, "", "", noColour, "cell3_3_2"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartGame(3, 3, c.options);
        WriteLevel(c.rows, "errors=2\\hints=3\\cup_time=60", "", c.rowsText, c.colsText);
        StartLevel(false);
        EXPECT_EQ(board_->GetGameMode(), 0);
        EXPECT_TRUE(board_->Rules().Empty());
        EXPECT_EQ(Widget("control_game_nonogram/grid/cells")->GetChildren()->GetCount(), 0);
        EXPECT_EQ(Widget("control_game_nonogram/grid/digits")->GetChildren()->GetCount(), 0);
        EXPECT_TRUE(game_->Log().Has({"NONOGRAM", c.logged})) << c.logged;
        Press(0, 0);  // nothing to press
    }
}

TEST_F(BoardTest, StartingWithoutALevelLeavesAnEmptyBoard) {
    Play(kPicture);
    // An entry the catalogue does not have: the board is emptied.
    board_->ExecuteCommand(kCommandStartLevel, Params({{"level_ref", "nope"}}));
    EXPECT_EQ(board_->GetGameMode(), 0);
    EXPECT_EQ(Widget("control_game_nonogram/grid/cells")->GetChildren()->GetCount(), 0);
    EXPECT_TRUE(game_->Log().Has({"NONOGRAM", "nope"}));
    board_->ExecuteCommand(kCommandRestartLevel, nullptr);
    EXPECT_EQ(board_->GetGameMode(), 0);
    // Without a catalogue, command 5 does nothing at all.
    Play(kPicture);
    Game().SetOptionValue("level_def_refs", Variant());
    board_->ExecuteCommand(kCommandStartLevel, Params({{"level_ref", "lvl"}}));
    EXPECT_EQ(board_->GetGameMode(), 2);
}

TEST_F(BoardTest, CommandClearEmptiesTheGridAndTheScenarios) {
    Play(kPicture);
    board_->ExecuteCommand(kCommandClearBoard, nullptr);
    EXPECT_EQ(Widget("control_game_nonogram/grid/cells")->GetChildren()->GetCount(), 0);
    EXPECT_EQ(Widget("control_game_nonogram/grid/digits")->GetChildren()->GetCount(), 0);
    EXPECT_EQ(Widget("control_game_nonogram/scenario_group")->GetChildren()->GetCount(), 0);
    Press(0, 0);  // the cells are gone: nothing to act on, nothing breaks
    game_->Step(2);
}

// A pointer that jumps several cells in one move still acts on every cell
// it passed along the drag's line, with the tool of the press, in order: an
// error on the way ends the drag there.
TEST_F(BoardTest, AFastDragActsOnEveryCellItPassed) {
    struct TCase {
        const char* name;
        std::vector<std::string> picture;
        int32_t button;
        std::vector<std::pair<int32_t, int32_t>> path;  // press, then one move each
        std::vector<std::string> after;                 // c closed, f full, e empty
        int32_t errors;
    };
    const TCase cases[] = {
        {"a row, left to right", {"1111111111"}, 0, {{0, 1}, {0, 8}}, {"cffffffffc"}, 0},
        {"a row, right to left", {"1111111111"}, 0, {{0, 8}, {0, 1}}, {"cffffffffc"}, 0},
        {"the hammer", {"0000000000"}, 1, {{0, 1}, {0, 8}}, {"ceeeeeeeec"}, 0},
        {"a column",
         {"1", "1", "1", "1", "1", "1", "1", "1", "1", "1"},
         0,
         {{1, 0}, {8, 0}},
         {"c", "f", "f", "f", "f", "f", "f", "f", "f", "c"},
         0},
        {"a locked row, then a jump", {"1111111111"}, 0, {{0, 1}, {0, 2}, {0, 9}}, {"cfffffffff"}, 0},
        {"a jump, then on along the row", {"1111111111"}, 0, {{0, 0}, {0, 4}, {0, 9}},
         {"ffffffffff"}, 0},
        {"an error on the way", {"1111011111"}, 0, {{0, 1}, {0, 8}}, {"cfffeccccc"}, 1},
        {"off the locked row", {"1111111111", "1111111111"}, 0, {{0, 0}, {0, 2}, {1, 8}},
         {"fffccccccc", "cccccccccc"}, 0},
        {"a diagonal jump acts on the end cell only", {"11111", "11111", "11111"}, 0,
         {{0, 0}, {2, 3}}, {"fcccc", "ccccc", "cccfc"}, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        Play(c.picture, "errors=3\\hints=0\\cup_time=60");
        Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
        Press(c.path.front().first, c.path.front().second, c.button);
        for (size_t i = 1; i < c.path.size(); ++i) Drag(c.path[i].first, c.path[i].second);
        board_->MouseUp(X(c.path.back().second), Y(c.path.back().first), 0, c.button);
        for (size_t r = 0; r < c.after.size(); ++r) {
            for (size_t col = 0; col < c.after[r].size(); ++col) {
                const char want = c.after[r][col];
                EXPECT_EQ(CellState(int32_t(r), int32_t(col)),
                          want == 'f' ? "full" : want == 'e' ? "empty" : "closed")
                    << r << " " << col;
            }
        }
        EXPECT_EQ(board_->GetCounter(kCounterErrorsMade), c.errors);
    }
}

// Random presses, with either tool, some of them dragged on, on random
// pictures: after every press the board's counts, every cell's look, every
// digit's crossing and hiding, and the outcome are what a plain recount of
// the matrix says.
TEST_F(BoardTest, RandomPressesAgreeWithAPlainRecountAfterEveryPress) {
    std::mt19937 random(20261211);
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        const int32_t rows = 1 + static_cast<int32_t>(random() % 7);
        const int32_t cols = 1 + static_cast<int32_t>(random() % 7);
        std::vector<std::string> picture(rows);
        for (auto& row : picture) {
            for (int32_t c = 0; c < cols; ++c) row += random() % 2 ? "1" : "0";
        }
        const int32_t allowed = static_cast<int32_t>(random() % 4);
        Play(picture, "errors=" + std::to_string(allowed) + "\\hints=0\\cup_time=60");
        Tools()->ExecuteCommand(13, Params({{"tools_state", "nonactive"}}));
        int32_t errors = 0;
        for (int press = 0; press < 3 * rows * cols && board_->GetGameMode() == 2; ++press) {
            const auto r = static_cast<int32_t>(random() % rows);
            const auto c = static_cast<int32_t>(random() % cols);
            const auto button = static_cast<int32_t>(random() % 2);
            const std::vector<int32_t> before = [&] {
                std::vector<int32_t> values;
                for (int32_t i = 0; i < rows; ++i)
                    for (int32_t j = 0; j < cols; ++j)
                        values.push_back(board_->Rules().Value(i, j));
                return values;
            }();
            Press(r, c, button);
            if (random() % 3 == 0) Drag(r, static_cast<int32_t>(random() % cols));
            board_->MouseUp(0, 0, 0, button);
            // Every newly resolved cell that does not match its tool is an
            // error; the drag used the pressed button's tool.
            for (int32_t i = 0; i < rows; ++i) {
                for (int32_t j = 0; j < cols; ++j) {
                    const int32_t was = before[i * cols + j];
                    if (was == board_->Rules().Value(i, j)) continue;
                    if ((was == kCellEmpty) == (button == 0)) ++errors;
                }
            }
            const TRecount plain = Recount(board_->Rules());
            ASSERT_EQ(board_->Rules().FullLeft(), plain.fullLeft);
            ASSERT_EQ(board_->Rules().UnresolvedLeft(), plain.unresolved);
            ASSERT_EQ(board_->GetCounter(kCounterErrorsMade), errors);
            const bool over = plain.unresolved == 0 || errors > allowed;
            ASSERT_EQ(board_->GetGameMode() == 0, over);
            for (int32_t i = 0; i < rows; ++i) {
                for (int32_t j = 0; j < cols; ++j) {
                    const int32_t v = board_->Rules().Value(i, j);
                    ASSERT_EQ(CellState(i, j), v == kCellOpened   ? "full"
                                               : v == kCellBroken ? "empty"
                                                                  : "closed");
                }
            }
            const auto checkLine = [&](bool isRow, int32_t n) {
                std::vector<int32_t> line;
                const int32_t length = isRow ? cols : rows;
                for (int32_t k = 0; k < length; ++k) {
                    line.push_back(isRow ? board_->Rules().Value(n, k)
                                         : board_->Rules().Value(k, n));
                }
                const bool finished = std::all_of(line.begin(), line.end(), IsResolved);
                const std::vector<int32_t> crossed = PlainCrossed(line);
                const auto& clues =
                    isRow ? board_->Rules().RowClues(n) : board_->Rules().ColClues(n);
                for (const TClue& clue : clues) {
                    const Ref<IWidget> digit = isRow ? board_->Grid().RowDigit(n, clue.key)
                                                     : board_->Grid().ColDigit(n, clue.key);
                    ASSERT_TRUE(digit);
                    ASSERT_EQ(digit->GetVisible(), !finished);
                    if (finished) continue;
                    const bool isCrossed =
                        std::find(crossed.begin(), crossed.end(), clue.key) != crossed.end();
                    ASSERT_EQ(digit->GetProperty("crossed").ToInt() == -1, isCrossed)
                        << (isRow ? "row " : "col ") << n << " key " << clue.key;
                }
            };
            // The press that fails the level leaves its lines as they were.
            if (errors > allowed) continue;
            for (int32_t i = 0; i < rows; ++i) checkLine(true, i);
            for (int32_t j = 0; j < cols; ++j) checkLine(false, j);
        }
    }
}

}  // namespace
}  // namespace nonogramtest
