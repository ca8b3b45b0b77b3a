#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/nonogram/TutorialTestSupport.h"

namespace nonogramtest {
namespace {

using gametest::Journal;
using TutorialTest = TTutorialTest;

const std::string kOver = "event control_tutorial " + std::to_string(kEventTutorialOver);
const std::string kSkip = "event control_tutorial " + std::to_string(kEventTutorialSkip);

TEST_F(TutorialTest, EachPartFinishedOrSkippedRecordsThePassAsItShould) {
    struct TCase {
        const char* part;
        bool skip;
        int32_t first, last;
        const char* passed;
        const char* stack;  // once the tutorial reported
    };
    const TCase cases[] = {
        {"all", false, 0, 21, "yes", "GS_Main"},
        {"part1", false, 0, 11, "", "GS_Main"},
        {"part2", false, 12, 21, "yes", "GS_Main"},
        {"all", true, 0, 21, "", "GS_Main GS_Tutorial GS_SkipTutorial"},
        {"part1", true, 0, 11, "yes", "GS_Main GS_Tutorial GS_SkipTutorial"},
        {"part2", true, 12, 21, "", "GS_Main GS_Tutorial GS_SkipTutorial"},
        {"unknown", false, 0, 0, "", "GS_Main"},
        {"", false, 0, 0, "", "GS_Main"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.part) + (c.skip ? " skipped" : " finished"));
        Start(c.part);
        EXPECT_EQ(control_->GetFirstState(), c.first);
        EXPECT_EQ(control_->GetLastState(), c.last);
        EXPECT_EQ(control_->GetCurrentState(), c.first);
        if (c.skip) {
            Report("button_ok");
            Report("button_skip");
        } else {
            for (int32_t s = c.first; s <= c.last; ++s) Report("button_ok");
        }
        EXPECT_EQ(Passed(), c.passed);
        EXPECT_EQ(Lines("event"), std::vector<std::string>{c.skip ? kSkip : kOver});
        EXPECT_EQ(game_->StackNames(), c.stack);
        if (!c.skip) {
            EXPECT_FALSE(Widget("control_tutorial/grid")->GetVisible());
        }
    }
}

TEST_F(TutorialTest, EachPartLoadsItsOwnPicture) {
    Start("part2");
    EXPECT_EQ(control_->Rules().Value(0, 2), kCellFull);  // picture 2: 0 0 1 0 0
    EXPECT_EQ(control_->Rules().Value(0, 0), kCellEmpty);
    EXPECT_TRUE(Digit("l2_0"));  // its full middle row
    Start("all");
    for (int i = 0; i < 12; ++i) Report("button_ok");
    EXPECT_EQ(control_->GetCurrentState(), 12);
    EXPECT_EQ(control_->Rules().Value(1, 1), kCellFull);  // picture 2 replaced picture 1
}

TEST_F(TutorialTest, TheEndIsReportedOnceWhateverComesAfterIt) {
    TTutorialOptions options;
    options.states[11] = "active_cells=0_0";
    Start("part1", options);
    ToolsState("nonactive");
    for (int i = 0; i < 11; ++i) Report("button_ok");
    ASSERT_EQ(control_->GetCurrentState(), 11);
    Click(0, 0);  // the correct move that solves the last step
    EXPECT_EQ(Lines("event"), std::vector<std::string>{kOver});
    EXPECT_EQ(game_->StackNames(), "GS_Main");
    // Late input on the closing screen reports nothing again.
    Report("button_ok");
    Report("button_skip");
    control_->GoToState(control_->GetCurrentState() + 1);
    EXPECT_EQ(Lines("event"), std::vector<std::string>{kOver});
    EXPECT_TRUE(control_->IsOver());
}

TEST_F(TutorialTest, AStepIsSolvedWhenNoneOfItsCellsToSolveIsActive) {
    TTutorialOptions options;
    options.states[0] = "active_cells=0_0,0_2,0_3\\cells_to_solve=0_0,0_2";
    options.states[1] = "active_cells=2_0,2_1";  // no cells to solve: any correct move
    Start("part1", options);
    ToolsState("nonactive");
    Click(0, 0);
    EXPECT_EQ(control_->GetCurrentState(), 0);
    Click(0, 1);  // not active
    Click(0, 3, 1);  // wrong
    EXPECT_EQ(control_->GetCurrentState(), 0);
    Click(0, 2);
    EXPECT_EQ(control_->GetCurrentState(), 1);
    EXPECT_EQ(CellState(0, 3), "closed");  // the last step's cells are closed again
    Click(2, 0, 1);  // wrong: no step
    EXPECT_EQ(control_->GetCurrentState(), 1);
    Click(2, 1);
    EXPECT_EQ(control_->GetCurrentState(), 2);
}

TEST_F(TutorialTest, SkippingIsRefusedWhileTheHintIsShown) {
    TTutorialOptions options;
    options.states[0] = "active_cells=0_1";
    Start("part1", options);
    ToolsState("nonactive");
    Click(0, 1);  // wrong: the hint shows
    ASSERT_TRUE(Hint()->GetVisible());
    Report("button_skip");
    EXPECT_TRUE(Lines("event").empty());
    EXPECT_EQ(Passed(), "");
    Report("button_close_hint");
    EXPECT_FALSE(Hint()->GetVisible());
    Report("button_skip");
    EXPECT_EQ(Lines("event"), std::vector<std::string>{kSkip});
    EXPECT_EQ(Passed(), "yes");
}

TEST_F(TutorialTest, TheScreenClosesWhenTheSkipScreenClosesWhateverItAnswers) {
    for (const char* answer : {"yes", "no"}) {
        SCOPED_TRACE(answer);
        Start("all");
        Report("button_skip");
        ASSERT_EQ(game_->StackNames(), "GS_Main GS_Tutorial GS_SkipTutorial");
        const Ref<IParamCollection> results =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        results->SetValue("skip", Variant(std::string(answer)));
        Game().CloseGameScreen(game_->Screen("GS_SkipTutorial"), results);
        game_->Step(1);
        EXPECT_EQ(game_->StackNames(), "GS_Main");
    }
}

TEST_F(TutorialTest, StepsSetThePanelsAndStepElevenSelectsTheArrow) {
    TTutorialOptions options;
    options.states[3] = "info_cell=info_tools\\tools_state=no";
    Start("all", options);
    const Ref<IWidget> tools = Widget("control_tools");
    const auto visible = [&](const std::string& path) { return Widget(path)->GetVisible(); };
    EXPECT_EQ(dynamic_cast<TTestDigit&>(*Widget("control_tutorial/TEST")).Text(),
              "TUTORIAL STATE = 0");
    EXPECT_FALSE(visible("control_tutorial/info_cells/info_rules"));
    EXPECT_TRUE(visible("control_tutorial/image_select"));
    for (int i = 0; i < 3; ++i) Report("button_ok");
    EXPECT_EQ(dynamic_cast<TTestDigit&>(*Widget("control_tutorial/TEST")).Text(),
              "TUTORIAL STATE = 3");
    EXPECT_EQ(Widget("control_tutorial/states")->GetProperty("state").ToInt(), 3);
    EXPECT_TRUE(visible("control_tutorial/info_cells/info_tools"));
    EXPECT_FALSE(visible("control_tutorial/info_cells/info_rules"));
    for (const char* path :
         {"control_tutorial/image_select", "control_tutorial/image_hammer", "control_tools/frame"}) {
        EXPECT_FALSE(visible(path)) << path;
    }
    Report("button_ok");
    EXPECT_TRUE(visible("control_tools/frame"));
    EXPECT_FALSE(visible("control_tutorial/info_cells/info_tools"));
    // The tool images choose the tool; step 11 hands the arrow back.
    Report("image_hammer");
    EXPECT_EQ(tools->GetProperty("active_tool").ToString(), "hammer");
    while (control_->GetCurrentState() < 10) Report("button_ok");
    EXPECT_EQ(tools->GetProperty("active_tool").ToString(), "hammer");
    Report("button_ok");
    EXPECT_EQ(tools->GetProperty("active_tool").ToString(), "arrow");
}

TEST_F(TutorialTest, TheHintGoesBelowTheCellWhileItFitsElseAbove) {
    Start("part1");
    struct TCase {
        double cellLeft, cellTop;
        double left, top;
    };
    // The hint is 50 high.
    const TCase cases[] = {
        {200, 100, 80, 165},
        {200, 484, 80, 549},  // 484 + 65 + 50 = 599: still below
        {200, 485, 80, 425},  // 600: above, 10 over the cell
        {60, 500, 0, 440},
        {200, 20, 80, 85},
    };
    const Ref<IWidget> cell = Cell(0, 0);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.cellTop);
        cell->SetLeft(c.cellLeft);
        cell->SetTop(c.cellTop);
        control_->ShowHint(true, false, cell);
        EXPECT_EQ(Hint()->GetLeft(), c.left);
        EXPECT_EQ(Hint()->GetTop(), c.top);
        EXPECT_TRUE(Hint()->GetVisible());
    }
    // Without a cell the hint stays where it is.
    control_->ShowHint(false, true, nullptr);
    EXPECT_EQ(Hint()->GetTop(), 85);
    EXPECT_FALSE(Hint()->GetVisible());
    EXPECT_EQ(dynamic_cast<TTestDigit&>(*Hint()).Text(), "%tutorial_error_text_full%");
}

TEST_F(TutorialTest, AStepWithoutItsPanelEndsTheTutorialWithoutThePass) {
    TTutorialOptions options;
    options.stateCount = 5;
    Start("all", options);
    for (int i = 0; i < 5; ++i) Report("button_ok");
    EXPECT_EQ(Lines("event"), std::vector<std::string>{kOver});
    EXPECT_EQ(Passed(), "");
    EXPECT_FALSE(Widget("control_tutorial/grid")->GetVisible());
}

TEST_F(TutorialTest, WithoutTheStatesWidgetTheBoardStillPlays) {
    TTutorialOptions options;
    options.statesWidget = false;
    Start("part1", options);
    EXPECT_EQ(CellState(0, 0), "closed");  // no step: no active cells
    Report("button_ok");
    EXPECT_EQ(control_->GetCurrentState(), 1);
}

TEST_F(TutorialTest, TheScreenHandsItsCatalogueToTheTutorialAndItsButtonsReachIt) {
    Start("part1");
    const auto* screen =
        dynamic_cast<TQuillmarchGameScreenTutorial*>(game_->Screen("GS_Tutorial").get());
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(Game().GetOption("level_tutorial_def_refs").ToInterface().get(),
              Ref<IInterface>(screen->GetLevels()).get());
    EXPECT_EQ(screen->GetLevels()->GetCount(), 2);
    EXPECT_TRUE(Query<TQuillmarchGameScreenTutorial>(
        CreateObjectByName("QuillmarchGameScreenTutorial")));
    game_->Step(1);
    game_->ClickAt("control_tutorial/button_ok");
    EXPECT_EQ(control_->GetCurrentState(), 1);
}

}  // namespace
}  // namespace nonogramtest
