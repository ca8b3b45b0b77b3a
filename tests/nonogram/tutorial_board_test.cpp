#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/nonogram/TutorialTestSupport.h"

namespace nonogramtest {
namespace {

using gametest::Journal;
using TutorialBoardTest = TTutorialTest;

// Picture 1: 1 0 1 1 0 / 0 0 0 0 0 / 1 1 1 1 1 / 0 1 0 0 0 / 1 0 0 0 1.

TEST_F(TutorialBoardTest, ThePictureIsLaidOutWithItsClueDigits) {
    Start("part1");
    EXPECT_EQ(control_->Rules().Rows(), 5);
    EXPECT_EQ(control_->Rules().Value(0, 2), kCellFull);
    EXPECT_EQ(CellState(4, 4), "closed");
    EXPECT_EQ(Cell(0, 0)->GetLeft(), 100);
    EXPECT_EQ(Cell(4, 4)->GetLeft(), 148);  // no extra gap after the fifth cell
    EXPECT_EQ(Cell(4, 4)->GetTop(), 128);
    EXPECT_EQ(Cell(3, 1)->GetProperty("row").ToInt(), 3);
    EXPECT_EQ(Cell(3, 1)->GetProperty("col").ToInt(), 1);
    struct TCase {
        const char* name;  // the digit's, after the cell before its run
        const char* text;
        double left, top;
    };
    const TCase cases[] = {
        {"l0_1", "2", 88, 80},  // the right run of row 0, nearest the board
        {"l0_0", "1", 78, 80},
        {"l1_0", "0", 88, 92},  // a row without full cells
        {"l2_0", "5", 88, 104},
        {"t3_0", "1", 100, 68},  // column 0 from the bottom: rows 4, 2, 0
        {"t1_0", "1", 100, 58},
        {"t0_0", "1", 100, 48},
        {"t1_1", "2", 112, 68},  // column 1: rows 2 and 3 together
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Ref<IWidget> digit = Digit(c.name);
        ASSERT_TRUE(digit);
        EXPECT_EQ(dynamic_cast<TTestDigit&>(*digit).Text(), c.text);
        EXPECT_EQ(digit->GetLeft(), c.left);
        EXPECT_EQ(digit->GetTop(), c.top);
        EXPECT_EQ(digit->GetProperty("order").ToString(), std::string(1, c.name[0]));
    }
    EXPECT_FALSE(Digit("l0_4"));
    EXPECT_EQ(Widget("control_tutorial/grid/digits")->GetChildren()->GetCount(), 7 + 10);
}

TEST_F(TutorialBoardTest, OnlyActiveCellsTakeTheToolAndAWrongMoveOnlyShowsTheHint) {
    struct TCase {
        const char* name;
        const char* step;  // the extra values of step 0
        int32_t row, col, button;
        const char* state;
        int32_t value;
        const char* hint;  // its text when shown, "" when hidden
        std::vector<std::string> sounds;
        int32_t held;
    };
    const char* active = "active_cells=0_0,0_1,2_0\\cells_to_solve=0_0,0_1,2_0";
    const TCase cases[] = {
        {"arrow on full", active, 0, 0, 0, "full", kCellOpened, "", {"sound sound_globe_ok"}, 0},
        {"hammer on empty", active, 0, 1, 1, "empty", kCellBroken, "", {"sound sound_empty_ok"}, 1},
        {"arrow on empty", active, 0, 1, 0, "active", kCellEmpty, "%tutorial_error_text_empty%",
         {}, -1},
        {"hammer on full", active, 0, 0, 1, "active", kCellFull, "%tutorial_error_text_full%", {},
         -1},
        {"the step's own text",
         "active_cells=0_1\\cells_to_solve=0_1\\error_text=Look at the clue", 0, 1, 0, "active",
         kCellEmpty, "Look at the clue", {}, -1},
        {"a cell not active", active, 0, 2, 0, "closed", kCellFull, "", {}, -1},
        {"the mouse disabled", "active_cells=0_0\\enable_mouse=no", 0, 0, 0, "active", kCellFull,
         "", {}, -1},
        {"the third button", active, 0, 0, 2, "active", kCellFull, "", {}, -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TTutorialOptions options;
        options.states[0] = c.step;
        Start("part1", options);
        ToolsState("nonactive");  // the left button is the arrow, the right the hammer
        Journal().clear();
        Press(c.row, c.col, c.button);
        EXPECT_EQ(CellState(c.row, c.col), c.state);
        EXPECT_EQ(control_->Rules().Value(c.row, c.col), c.value);
        EXPECT_EQ(Lines("sound"), c.sounds);
        EXPECT_EQ(control_->GetHeldTool(), c.held);
        EXPECT_EQ(Hint()->GetVisible(), std::string(c.hint) != "");
        if (std::string(c.hint) != "") {
            EXPECT_EQ(dynamic_cast<TTestDigit&>(*Hint()).Text(), c.hint);
        }
        // Nothing here solves the step.
        EXPECT_EQ(control_->GetCurrentState(), 0);
        Release();
    }
}

TEST_F(TutorialBoardTest, ACorrectBreakPlaysItsAnimationAndHidesTheHint) {
    TTutorialOptions options;
    options.states[0] = "active_cells=0_1,1_0\\cells_to_solve=0_1,1_0";
    Start("part1", options);
    ToolsState("nonactive");
    Click(0, 1, 0);  // wrong: the hint shows next to the cell
    ASSERT_TRUE(Hint()->GetVisible());
    EXPECT_EQ(Hint()->GetLeft(), 0);  // 112 - 120, kept on the screen
    EXPECT_EQ(Hint()->GetTop(), 80 + 65);
    Click(0, 1, 1);
    EXPECT_FALSE(Hint()->GetVisible());
    const Ref<IWidget> breaking = Widget("control_tutorial/scenario_group/breaking_cell0_1");
    ASSERT_TRUE(breaking);
    EXPECT_EQ(breaking->GetLeft(), 112);
    EXPECT_EQ(breaking->GetTop(), 80);
    EXPECT_FALSE(breaking->GetPaused());  // restarted
}

TEST_F(TutorialBoardTest, TheToolSwitchChoosesTheToolAndTheRightButtonSwitchesIt) {
    TTutorialOptions options;
    options.states[0] = "active_cells=0_0,0_1,2_0,2_1\\cells_to_solve=0_0,0_1,2_0,2_1";
    Start("part1", options);  // the screen switched the tools on
    const Ref<IWidget> tools = Widget("control_tools");
    ASSERT_EQ(tools->GetProperty("tools_state").ToString(), "active");
    ASSERT_EQ(tools->GetProperty("active_tool").ToString(), "arrow");
    Click(0, 1, 1);  // only switches the tool
    EXPECT_EQ(tools->GetProperty("active_tool").ToString(), "hammer");
    EXPECT_EQ(CellState(0, 1), "active");
    Click(0, 1, 0);  // the left button uses the hammer now
    EXPECT_EQ(CellState(0, 1), "empty");
    Click(0, 0, 2);  // the third button has no tool here either: no wrong hammer
    EXPECT_EQ(CellState(0, 0), "active");
    EXPECT_FALSE(Hint()->GetVisible());
    EXPECT_EQ(tools->GetProperty("active_tool").ToString(), "hammer");
    Click(0, 0, 1);  // back to the arrow
    Click(0, 0, 0);
    EXPECT_EQ(CellState(0, 0), "full");
    EXPECT_FALSE(Hint()->GetVisible());
}

TEST_F(TutorialBoardTest, ADragRepeatsTheToolAndStopsAtAWrongMove) {
    TTutorialOptions options;
    options.states[0] =
        "active_cells=2_0,2_1,2_2,2_4,3_0,1_0,1_1\\cells_to_solve=2_0,2_1,2_2,2_4,3_0,1_0,1_1";
    Start("part1", options);
    ToolsState("nonactive");
    Press(2, 0);
    MoveTo(2, 1);
    MoveTo(2, 2);
    MoveTo(2, 3);  // not active: passed over
    MoveTo(2, 4);
    EXPECT_EQ(CellState(2, 0), "full");
    EXPECT_EQ(CellState(2, 1), "full");
    EXPECT_EQ(CellState(2, 2), "full");
    EXPECT_EQ(CellState(2, 3), "closed");
    EXPECT_EQ(CellState(2, 4), "full");
    MoveTo(3, 0);  // empty: a wrong move ends the drag
    EXPECT_EQ(control_->GetHeldTool(), -1);
    EXPECT_TRUE(Hint()->GetVisible());
    Release();

    // A drag begins only on an active cell.
    Press(0, 0, 1);
    EXPECT_EQ(control_->GetHeldTool(), -1);
    MoveTo(1, 0);
    MoveTo(1, 1);
    EXPECT_EQ(CellState(1, 0), "active");
    EXPECT_EQ(CellState(1, 1), "active");
    Release(1);
    // The hammer drags too, until released.
    Press(1, 0, 1);
    MoveTo(1, 1);
    Release(1);
    EXPECT_EQ(CellState(1, 1), "empty");
    EXPECT_EQ(control_->GetHeldTool(), -1);
}

TEST_F(TutorialBoardTest, ClosedOffRunsAreCrossedAndAFinishedLineHidesItsDigits) {
    TTutorialOptions options;
    options.states[0] = "active_cells=0_0,0_1,0_2,0_3,0_4,1_0,1_1,1_2,1_3,1_4\\cells_to_solve=0_0";
    Start("part1", options);
    ToolsState("nonactive");
    const auto crossed = [&](const char* name) {
        return Digit(name)->GetProperty("crossed").ToInt() != 0;
    };
    Click(0, 2, 0);
    Click(0, 3, 0);
    EXPECT_FALSE(crossed("l0_1"));  // still open on its right
    Click(0, 4, 1);
    EXPECT_FALSE(crossed("l0_1"));  // reached from the right, not yet closed on the left
    Click(0, 1, 1);
    EXPECT_TRUE(crossed("l0_1"));
    EXPECT_FALSE(crossed("l0_0"));
    EXPECT_TRUE(Digit("l0_0")->GetVisible());
    // Column 1's run is not closed off by a cell above it alone.
    EXPECT_FALSE(crossed("t1_1"));
    // The empty row shows "0" until every cell is broken.
    for (int col = 0; col < 4; ++col) Click(1, col, 1);
    EXPECT_TRUE(Digit("l1_0")->GetVisible());
    Click(1, 4, 1);
    EXPECT_FALSE(Digit("l1_0")->GetVisible());
    // The last cell of row 0 finishes it and solves the step.
    Click(0, 0, 0);
    EXPECT_FALSE(Digit("l0_0")->GetVisible());
    EXPECT_FALSE(Digit("l0_1")->GetVisible());
    EXPECT_TRUE(Digit("t3_0")->GetVisible());
    EXPECT_EQ(control_->GetCurrentState(), 1);
}

TEST_F(TutorialBoardTest, ThePointerLightsTheCellUnderItOnlyWhileTheMouseIsEnabled) {
    TTutorialOptions options;
    options.states[0] = "active_cells=0_0,0_1";
    options.states[1] = "active_cells=0_0\\enable_mouse=no";
    Start("part1", options);
    const auto lit = [&](int32_t row, int32_t col) {
        return dynamic_cast<TTestLeaf&>(*Cell(row, col)->FindWidget("active")).Highlight();
    };
    game_->MouseMove(X(0), Y(0));
    game_->Step(1);
    EXPECT_TRUE(lit(0, 0));
    game_->MouseMove(X(1), Y(0));
    game_->Step(1);
    EXPECT_FALSE(lit(0, 0));
    EXPECT_TRUE(lit(0, 1));
    game_->MouseMove(X(2), Y(0));  // a cell not active: lit, but it shows nothing
    game_->Step(1);
    EXPECT_FALSE(lit(0, 1));
    game_->MouseMove(20, 20);
    game_->Step(1);
    // The next step puts its cells back to closed and unlit; without the
    // mouse nothing is lit.
    Report("button_ok");
    EXPECT_EQ(CellState(0, 1), "closed");
    EXPECT_EQ(CellState(0, 0), "active");
    game_->MouseMove(X(1), Y(0));
    game_->Step(1);
    EXPECT_FALSE(lit(0, 1));
}

TEST_F(TutorialBoardTest, ACellLeftLitByTheLastStepIsUnlitWhenItIsActiveAgain) {
    TTutorialOptions options;
    options.states[0] = "active_cells=0_0";
    options.states[1] = "active_cells=0_1";
    options.states[2] = "active_cells=0_0";
    Start("part1", options);
    const auto lit = [&](int32_t row, int32_t col) {
        return dynamic_cast<TTestLeaf&>(*Cell(row, col)->FindWidget("active")).Highlight();
    };
    game_->MouseMove(X(0), Y(0));
    game_->Step(1);
    ASSERT_TRUE(lit(0, 0));
    Report("button_ok");
    Report("button_ok");
    EXPECT_EQ(CellState(0, 0), "active");
    EXPECT_FALSE(lit(0, 0));
}

TEST_F(TutorialBoardTest, APictureWithAShortRowIsRefusedNotFilledIn) {
    TTutorialOptions options;
    options.picture1 = {"10110", "000", "11111", "01000", "10001"};
    options.states[0] = "active_cells=1_3,1_4";
    Start("part1", options);
    // A short row would have made full cells the picture does not have.
    EXPECT_TRUE(control_->Rules().Empty());
    EXPECT_EQ(Widget("control_tutorial/grid/cells")->GetChildren()->GetCount(), 0);
    EXPECT_TRUE(game_->Log().Has({"TUTORIAL", "row 1 has 3 cells for 5"}));
    EXPECT_TRUE(Widget("control_tutorial/grid")->GetVisible());
    Press(1, 4, 0);  // nothing to act on
    Report("button_ok");  // the script still runs
    EXPECT_EQ(control_->GetCurrentState(), 1);
}

TEST_F(TutorialBoardTest, WithoutAGridDefinitionTheBoardStaysEmpty) {
    TTutorialOptions options;
    options.gridDef = false;
    options.states[0] = "active_cells=0_0";
    Start("part1", options);
    EXPECT_EQ(Widget("control_tutorial/grid/cells")->GetChildren()->GetCount(), 0);
    EXPECT_TRUE(game_->Log().Has({"TUTORIAL", "no grid definition \"5_5\""}));
    EXPECT_TRUE(control_->Rules().Empty());
    Press(0, 0, 0);
    EXPECT_EQ(control_->GetHeldTool(), -1);
}

TEST_F(TutorialBoardTest, AnEntryThatDoesNotLoadLeavesTheBoardAsItWas) {
    TTutorialOptions options;
    options.stateCount = 13;
    options.picture2File = false;
    Start("all", options);
    for (int i = 0; i < 12; ++i) Report("button_ok");
    ASSERT_EQ(control_->GetCurrentState(), 12);
    EXPECT_EQ(control_->Rules().Value(1, 0), kCellEmpty);  // still picture 1
    EXPECT_EQ(CellState(0, 0), "closed");
    EXPECT_TRUE(game_->Log().Has({"TUTORIAL", "\"2\" cannot be loaded"}));
}

}  // namespace
}  // namespace nonogramtest
