// The level-flow scenarios on a level screen whose board is a stand-in
// control ("lf_control") that notes the commands it gets: timelines for
// several board sizes, the fades and slides, the single report, the error
// marker's flight.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "nonogram/LevelFlowScenarios.h"
#include "tests/game/GameShellTestSupport.h"
#include "tests/nonogram/LevelFlowTestSupport.h"
#include "tests/support/GameHarness.h"

namespace {

using namespace nonogramtest;

// A path that notes the end point and total time it is prepared with.
class TRecordingPath : public TSegmentPathFunction {
public:
    void Prepare() override {
        gametest::Note("prepare x2=" + Variant(GetValue("X2")).ToString() +
                       " total=" + Variant(GetValue("TotalTime")).ToString());
        TSegmentPathFunction::Prepare();
    }
};

struct TCell {
    bool full = false;
    int32_t finalMs = 200;
    std::string stateToSet;
};

class LevelFlowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool registered = false;
        if (!registered) RegisterObjectClass(ClassOf<TRecordingPath>(), "lf_recording_path");
        registered = true;
    }
    void SetUp() override { gametest::Journal().clear(); }
    void TearDown() override {
        game_.reset();
        gametest::Journal().clear();
    }

    // A level screen whose board has rows × cols cells (row-major, 10 × 10
    // pixels, 12 apart from (100, 80)); cells[i] when given, else empty.
    void Build(int32_t rows, int32_t cols, const TFlowFactories& factories = {},
               const std::vector<TCell>& cells = {}) {
        std::string cellText;
        for (int32_t r = 0; r < rows; ++r) {
            for (int32_t c = 0; c < cols; ++c) {
                const size_t i = size_t(r * cols + c);
                const TCell cell = i < cells.size() ? cells[i] : TCell{};
                cellText += "<widget type=\"nono_leaf\" name=\"cell" + std::to_string(r) + "_" +
                            std::to_string(c) +
                            "\" visible=\"yes\" width=\"10\" height=\"10\" anchor_left=\"" +
                            std::to_string(100 + c * 12) + "\" anchor_top=\"" +
                            std::to_string(80 + r * 12) + "\" extraparams=\"row=" +
                            std::to_string(r) + "\\col=" + std::to_string(c) +
                            "\\state=" + (cell.full ? "full" : "empty") +
                            "\\state_to_set=" + cell.stateToSet +
                            "\\final_animation_duration=" + std::to_string(cell.finalMs) +
                            "\\play_final_animation=none\"/>";
            }
        }
        std::string board =
            R"(<widget type="lf_control" name="control_game_nonogram" visible="yes"><widgetfactories>)" +
            LevelScreenFactories(rows, cols, factories) +
            R"(</widgetfactories><widgets>
                 <widget type="group_widget" name="grid" visible="yes"><widgets>
                   <widget type="group_widget" name="cells" visible="yes"><widgets>)" +
            cellText + R"(</widgets></widget>
                   <widget type="group_widget" name="digits" visible="yes"/>
                 </widgets></widget>
                 <widget type="group_widget" name="scenario_group" visible="yes"/>
                 <widget type="nono_leaf" name="points" visible="yes" anchor_top="-33" extraparams="init_y=5"/>)";
        int initX = 500;
        for (const char* name :
             {"timer", "errors", "image_select", "image_hammer", "nonogram_panel", "button_menu"}) {
            board += PanelLeaf(name, 1024, initX);
            initX += 10;
        }
        board += "</widgets></widget>";
        const std::string screen =
            R"(<gamescreen name="GS_Flow" type="QmTestGameScreen"><window type="qm_test_effect_window"><widgets>
                 <widget type="group_widget" name="bg_group" visible="yes"><widgets>
                   <widget type="nono_leaf" name="blackout" visible="yes" transparentlevel="40"/>
                 </widgets></widget>)" +
            board + R"(
                 <widget type="group_widget" name="control_tools" visible="yes"><widgets>
                   <widget type="nono_leaf" name="frame" visible="yes" anchor_left="1024" extraparams="arrow_x=580"/>
                 </widgets></widget>)" +
            PanelLeaf("hint_buttons", 1024, 590) + "</widgets></window></gamescreen>";
        game_.reset();
        game_ = std::make_unique<TGameHarness>();
        ASSERT_TRUE(game_->Start(gametest::GameOf("", gametest::ScreensOf(screen))));
        game_->Step(1);
        ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_Flow", nullptr));
        game_->Step(1);
        gametest::Journal().clear();
    }

    Ref<IWidget> Find(std::string_view path) const {
        const Ref<IGameScreenSlave> screen = game_->Screen("GS_Flow");
        return screen ? screen->GetWindowWidget()->FindWidget(path) : nullptr;
    }
    Ref<IWidget> Board() const { return Find("control_game_nonogram"); }
    Ref<IWidget> Cell(int32_t r, int32_t c) const {
        return Find("control_game_nonogram/grid/cells/cell" + std::to_string(r) + "_" +
                    std::to_string(c));
    }

    // The scenario made by its factory on the board, in the scenario group,
    // linked to the board as a board links it.
    TStateScenario* Start(const std::string& factory, const Ref<IParamCollection>& params = nullptr,
                          bool link = true) {
        const Ref<IWidget> scenario =
            Query<IWidgetOwner>(Board())->CreateFactoryWidget(factory, params);
        EXPECT_TRUE(scenario) << factory;
        if (!scenario) return nullptr;
        Find("control_game_nonogram/scenario_group")->GetChildren()->AddWidget(scenario);
        if (link) scenario->SetProperty("control_game", Variant(Ref<IInterface>(Board())));
        scenario_ = Weak<IWidget>(scenario);
        return dynamic_cast<TStateScenario*>(scenario.get());
    }
    static Ref<IParamCollection> Size(int32_t rows, int32_t cols) {
        const Ref<IParamCollection> params = gametest::Results("rows", std::to_string(rows));
        params->SetValue("cols", Variant(std::to_string(cols)));
        params->SetValue("LevelName", Variant("%japan%\n%label_level% 7"));
        return params;
    }
    // The running scenario's state; "-" once it is gone.
    std::string State() const {
        const Ref<IWidget> scenario = scenario_.Lock();
        const auto* machine = dynamic_cast<TStateScenario*>(scenario.get());
        if (!machine || !scenario->GetOwner()) return "-";
        return machine->GetCurrentState() ? machine->GetCurrentState()->name : "?";
    }
    TStateScenario* Machine() const {
        return dynamic_cast<TStateScenario*>(scenario_.Lock().get());
    }
    void Step(int32_t ms) { game_->Step(1, ms); }

    static std::vector<std::string> Commands() {
        std::vector<std::string> lines;
        for (const std::string& line : gametest::Journal()) {
            if (line.rfind("command ", 0) == 0) lines.push_back(line);
        }
        return lines;
    }
    static std::string Report(const std::string& name) {
        return "command control_game_nonogram 11 scenario_to_finalize=" + name;
    }
    double Left(std::string_view path) const { return Find(path)->GetLeft(); }
    uint8_t Blackout() const { return Find("bg_group/blackout")->GetTransparentLevel(); }

    std::unique_ptr<TGameHarness> game_;
    Weak<IWidget> scenario_;
};

TEST(LevelFlowValues, FadesSlidesAndStepsKeepToTheirRanges) {
    struct TFade {
        uint8_t from;
        int32_t t, timeout;
        uint8_t in, out;
    };
    const TFade fades[] = {
        {0, 0, 400, 0, 255},     {0, 200, 400, 128, 128},  // 127.5 goes to the even 128
        {0, 400, 400, 255, 0},   {0, 900, 400, 255, 0},    // past the end: the end level
        {200, 100, 400, 255, 191},                          // 263.75 stops at 255
        {40, 0, 0, 255, 0},      {40, 50, 0, 255, 0},      // no time-out: the end at once
        {40, 10, -5, 255, 0},
    };
    for (const TFade& f : fades) {
        SCOPED_TRACE(std::to_string(f.t) + " of " + std::to_string(f.timeout));
        EXPECT_EQ(BlackoutFadeIn(f.from, f.t, f.timeout), f.in);
        EXPECT_EQ(BlackoutFadeOut(f.t, f.timeout), f.out);
    }
    EXPECT_EQ(BlackoutFadeOut(200, 800), 191);  // 191.25

    struct TSlide {
        int32_t t, timeout;
        double f;
    };
    for (const TSlide& s : std::initializer_list<TSlide>{
             {0, 400, 0}, {100, 400, 0.5}, {200, 400, 1}, {399, 400, 1}, {0, 0, 1}, {7, 1, 1},
             {5, -20, 1}}) {
        const double f = PanelSlideFraction(s.t, s.timeout);
        EXPECT_TRUE(std::isfinite(f));
        EXPECT_DOUBLE_EQ(f, s.f) << s.t << " of " << s.timeout;
    }

    EXPECT_EQ(StaggerStep(1500, 8, 0), 188);  // 187.5 to the even neighbour
    EXPECT_EQ(StaggerStep(1500, 100, 0), 15);
    EXPECT_EQ(StaggerStep(1500, 225, 0), 7);
    EXPECT_EQ(StaggerStep(500, 225, 1), 2);
    EXPECT_EQ(StaggerStep(1500, 0, 0), 0);
    EXPECT_EQ(StaggerStep(500, 0, 1), 1);
}

TEST_F(LevelFlowTest, TheLevelStartStaggersOneCopyPerCellOverBoardSizes) {
    struct TCase {
        int32_t rows, cols, step, showCells;
    };
    for (const TCase& c : {TCase{2, 4, 188, 1504}, TCase{10, 10, 15, 1500},
                           TCase{15, 15, 7, 1575}, TCase{20, 20, 4, 1600}}) {
        SCOPED_TRACE(std::to_string(c.rows) + " x " + std::to_string(c.cols));
        Build(c.rows, c.cols);
        Start("scenario_start_level", Size(c.rows, c.cols));
        Step(10);
        EXPECT_EQ(State(), "show_level_name");
        EXPECT_EQ(gametest::Journal(),
                  std::vector<std::string>{"reveal %japan%\n%label_level% 7"});
        EXPECT_FALSE(Find("control_game_nonogram/grid/cells")->GetVisible());
        EXPECT_FALSE(Find("control_game_nonogram/grid/digits")->GetVisible());
        EXPECT_TRUE(Find("control_game_nonogram/timer")->GetPaused());

        Step(300);  // the reveal's time
        ASSERT_EQ(State(), "show_cells");
        const auto* start = dynamic_cast<TScenarioStartLevel*>(Machine());
        ASSERT_TRUE(start);
        EXPECT_EQ(start->GetRows(), c.rows);
        EXPECT_EQ(start->GetCols(), c.cols);
        const Ref<IWidgetCollection> copies =
            Find("control_game_nonogram/scenario_group/scenario_start_level/cells")->GetChildren();
        ASSERT_EQ(copies->GetCount(), c.rows * c.cols);
        for (int32_t i : {0, 1, c.rows * c.cols - 1}) {
            EXPECT_EQ(copies->GetWidgetByIndex(i)->GetProperty("currenttime").ToInt(),
                      -(i + 1) * c.step);
        }
        // Copies take the cell's row and column as their name and its place.
        const Ref<IWidget> copy = copies->GetWidget(Variant("1_0"));
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy->GetLeft(), Cell(1, 0)->GetLeft());
        EXPECT_EQ(copy->GetTop(), Cell(1, 0)->GetTop());

        Step(c.showCells - 1);
        EXPECT_EQ(State(), "show_cells");
        Step(1);
        EXPECT_EQ(State(), "show_digits");
        EXPECT_TRUE(Find("control_game_nonogram/grid/digits")->GetVisible());
        EXPECT_FALSE(Find("control_game_nonogram/grid/cells")->GetVisible());
        Step(999);
        EXPECT_TRUE(Commands().empty());
        Step(1);
        EXPECT_EQ(Commands(), std::vector<std::string>{Report("scenario_start_level")});
        EXPECT_TRUE(Find("control_game_nonogram/grid/cells")->GetVisible());
        EXPECT_FALSE(Find("control_game_nonogram/timer")->GetPaused());
        EXPECT_EQ(State(), "-");  // removed in the frame it ended, copies and text with it
        Step(10);
        EXPECT_EQ(Commands().size(), 1u);
    }
}

TEST_F(LevelFlowTest, TheLevelStartFadesTheBlackoutInAndSlidesThePanelIn) {
    Build(2, 2);
    Start("scenario_start_level", Size(2, 2));
    Step(10);  // the reveal starts: 300 ms, the slide takes the first 150
    Step(75);
    EXPECT_EQ(Blackout(), 104);  // 40 + 255 * 75 / 300 = 103.75
    EXPECT_DOUBLE_EQ(Left("control_game_nonogram/timer"), 1024 + (500 - 1024) * 0.5);
    EXPECT_DOUBLE_EQ(Left("control_tools/frame"), 1024 + (580 - 1024) * 0.5);
    EXPECT_DOUBLE_EQ(Find("control_game_nonogram/points")->GetTop(), -33 + 38 * 0.5);
    Step(75);
    EXPECT_EQ(Blackout(), 168);  // 167.5 to the even neighbour
    const std::pair<const char*, double> targets[] = {
        {"control_game_nonogram/timer", 500},          {"control_game_nonogram/errors", 510},
        {"control_game_nonogram/image_select", 520},   {"control_game_nonogram/image_hammer", 530},
        {"control_game_nonogram/nonogram_panel", 540}, {"control_game_nonogram/button_menu", 550},
        {"control_tools/frame", 580},                  {"hint_buttons", 590}};
    for (const auto& [path, left] : targets) EXPECT_DOUBLE_EQ(Left(path), left) << path;
    EXPECT_DOUBLE_EQ(Find("control_game_nonogram/points")->GetTop(), 5);
    Step(140);
    EXPECT_EQ(Blackout(), 255);
    EXPECT_EQ(State(), "show_level_name");
}

TEST_F(LevelFlowTest, WithoutTextOrCopiesTheStartPassesAtOnceWithoutNaN) {
    for (int32_t reveal : {-1, 0}) {
        SCOPED_TRACE(reveal < 0 ? "no text factory" : "a reveal of 0 ms");
        TFlowFactories factories;
        factories.revealMs = reveal;
        factories.appearance = false;
        Build(3, 3, factories);
        Start("scenario_start_level", Size(3, 3));
        Step(10);
        EXPECT_EQ(State(), "show_level_name");
        Step(10);  // a time-out of 0: the fade and slide at their ends, then on
        EXPECT_EQ(Blackout(), 255);
        EXPECT_DOUBLE_EQ(Left("control_game_nonogram/timer"), 500);
        EXPECT_DOUBLE_EQ(Left("hint_buttons"), 590);
        EXPECT_DOUBLE_EQ(Find("control_game_nonogram/points")->GetTop(), 5);
        EXPECT_EQ(State(), "show_cells");
        Step(10);
        EXPECT_EQ(State(), "show_digits");
        Step(1000);
        EXPECT_EQ(Commands(), std::vector<std::string>{Report("scenario_start_level")});
    }
}

TEST_F(LevelFlowTest, TheRoundStartLeavesTheBlackoutAndThePanel) {
    Build(2, 3);
    Start("scenario_nonogram_start_round", Size(2, 3));
    Step(10);
    Step(300);
    EXPECT_EQ(State(), "show_cells");
    EXPECT_EQ(Blackout(), 40);
    EXPECT_DOUBLE_EQ(Left("control_game_nonogram/timer"), 1024);
    EXPECT_DOUBLE_EQ(Left("control_tools/frame"), 1024);
    Step(1500);
    Step(1000);
    EXPECT_EQ(Commands(), std::vector<std::string>{Report("scenario_nonogram_start_round")});
    EXPECT_TRUE(Find("control_game_nonogram/grid/cells")->GetVisible());
}

TEST_F(LevelFlowTest, WithoutAControlOrWhenRemovedEarlyAScenarioReportsNothing) {
    Build(2, 2);
    Start("scenario_start_level", Size(2, 2), false);
    Step(10);
    EXPECT_EQ(State(), "-");
    EXPECT_TRUE(Find("control_game_nonogram/grid/cells")->GetVisible());
    Step(2000);
    Step(2000);
    EXPECT_TRUE(Commands().empty());

    for (const char* name : {"scenario_end_level", "scenario_failed_level"}) {
        Start(name);
        Step(10);
        ASSERT_NE(State(), "-") << name;
        Find("control_game_nonogram/scenario_group")->GetChildren()->Clear();  // a restart
        Step(3000);
        EXPECT_TRUE(Commands().empty()) << name;
    }
}

TEST_F(LevelFlowTest, TheFinalPictureHidesTheEmptyCellsAndReportsAfterTwoUpdates) {
    std::vector<TCell> cells(4);
    cells[0].full = true;
    cells[3].stateToSet = "invisible";  // broken by the auto-complete, fading by itself
    Build(2, 2, {}, cells);
    Start("scenario_show_final_picture");
    Step(10);
    EXPECT_TRUE(Cell(0, 0)->GetVisible());
    EXPECT_FALSE(Cell(0, 1)->GetVisible());
    EXPECT_FALSE(Cell(1, 0)->GetVisible());
    EXPECT_TRUE(Cell(1, 1)->GetVisible());
    EXPECT_TRUE(Find("control_game_nonogram/timer")->GetPaused());
    EXPECT_TRUE(Commands().empty());
    Step(10);
    EXPECT_EQ(Commands(), std::vector<std::string>{Report("scenario_show_final_picture")});
}

TEST_F(LevelFlowTest, TheLevelEndStaggersTheFinalAnimationsThenSlidesThePanelOut) {
    std::vector<TCell> cells(100);
    for (int32_t i : {3, 57, 99}) cells[size_t(i)].full = true;
    Build(10, 10, {}, cells);
    Find("control_game_nonogram/errors")->SetLeft(500);
    Find("control_game_nonogram/points")->SetTop(5);
    Start("scenario_end_level");
    Step(10);
    EXPECT_EQ(State(), "animate_cells");
    // (1200 - 200) / 100 cells: 10 ms per index, full or empty.
    EXPECT_EQ(Cell(0, 3)->GetProperty("play_final_animation").ToInt(), -30);
    EXPECT_EQ(Cell(5, 7)->GetProperty("play_final_animation").ToInt(), -570);
    EXPECT_EQ(Cell(9, 9)->GetProperty("play_final_animation").ToInt(), -990);
    EXPECT_EQ(Cell(0, 0)->GetProperty("play_final_animation").ToString(), "none");
    EXPECT_FALSE(Cell(0, 0)->GetVisible());
    EXPECT_TRUE(Cell(5, 7)->GetVisible());
    EXPECT_TRUE(Find("control_game_nonogram/timer")->GetPaused());

    Step(1199);
    EXPECT_EQ(State(), "animate_cells");
    Step(1);
    EXPECT_EQ(State(), "show_level_complete");
    EXPECT_FALSE(Cell(5, 7)->GetVisible());
    Step(200);
    EXPECT_EQ(Blackout(), 191);
    EXPECT_DOUBLE_EQ(Left("control_game_nonogram/errors"), 762);
    EXPECT_DOUBLE_EQ(Find("control_game_nonogram/points")->GetTop(), -14);
    EXPECT_DOUBLE_EQ(Left("control_game_nonogram/timer"), 1024);  // it was there already
    Step(200);  // half the state: the panel is out
    EXPECT_DOUBLE_EQ(Left("control_game_nonogram/errors"), 1024);
    EXPECT_DOUBLE_EQ(Find("control_game_nonogram/points")->GetTop(), -33);
    Step(400);
    EXPECT_EQ(Blackout(), 0);
    EXPECT_EQ(State(), "hide_cells");
    EXPECT_TRUE(Commands().empty());
    Step(10);
    EXPECT_EQ(Commands(), std::vector<std::string>{Report("scenario_end_level")});
}

TEST_F(LevelFlowTest, TheAnimationLengthComesFromTheFirstFullCellOrTheFirstCellOfARound) {
    struct TCase {
        const char* scenario;
        int32_t finalMs0, finalMs1;
        int32_t expected3;  // "play_final_animation" of the full cell at index 3
    };
    for (const TCase& c : {TCase{"scenario_end_level", 0, 600, -300},      // (1200 - 600) / 6
                           TCase{"scenario_nonogram_end_round", 0, 600, -600},  // (1200 - 0) / 6
                           TCase{"scenario_end_level", 0, 1500, 0}}) {  // longer than the stagger
        SCOPED_TRACE(std::string(c.scenario) + " " + std::to_string(c.finalMs1));
        std::vector<TCell> cells(6);
        cells[0].finalMs = c.finalMs0;
        for (size_t i : {1u, 3u}) {
            cells[i].full = true;
            cells[i].finalMs = c.finalMs1;
        }
        Build(2, 3, {}, cells);
        Start(c.scenario);
        Step(10);
        EXPECT_EQ(Cell(1, 0)->GetProperty("play_final_animation").ToInt(), c.expected3);
        const bool round = std::string(c.scenario) == "scenario_nonogram_end_round";
        // A round hides its full cells in the same update.
        EXPECT_EQ(Cell(1, 0)->GetVisible(), !round);
        EXPECT_FALSE(Cell(0, 0)->GetVisible());
        Step(1200);
        if (!round) {
            Step(800);
            EXPECT_TRUE(Commands().empty());
            Step(10);  // "hide_cells" passes after one update
        }
        EXPECT_EQ(Commands(), std::vector<std::string>{Report(c.scenario)});
    }
}

TEST_F(LevelFlowTest, AFailedLevelDropsACopyOfEveryCellFromTheLastOne) {
    Build(10, 10);
    Find("control_game_nonogram/timer")->SetLeft(500);
    Start("scenario_failed_level");
    Step(10);
    ASSERT_EQ(State(), "hide_cells");
    const Ref<IWidgetCollection> copies =
        Find("control_game_nonogram/scenario_group/scenario_failed_level/cells")->GetChildren();
    ASSERT_EQ(copies->GetCount(), 100);
    auto* first = dynamic_cast<TFlowFalling*>(copies->GetWidgetByIndex(0).get());
    auto* last = dynamic_cast<TFlowFalling*>(copies->GetWidgetByIndex(99).get());
    ASSERT_TRUE(first && last);
    EXPECT_EQ(first->GetName(), "fall_cell9_9");  // the last cell leaves first
    EXPECT_EQ(first->Delay(), 105);
    EXPECT_EQ(last->GetName(), "fall_cell0_0");
    EXPECT_EQ(last->Delay(), 600);
    EXPECT_TRUE(first->hasSurface && last->hasSurface);
    EXPECT_EQ(last->GetLeft(), Cell(0, 0)->GetLeft());
    EXPECT_FALSE(Find("control_game_nonogram/grid/cells")->GetVisible());
    EXPECT_FALSE(Find("control_game_nonogram/grid/digits")->GetVisible());
    EXPECT_TRUE(Find("control_game_nonogram/scenario_group/scenario_failed_level/cells")
                    ->GetVisible());

    Step(250);  // the state lasts 600 + 400: the panel is half-way out
    EXPECT_EQ(Blackout(), 191);
    EXPECT_DOUBLE_EQ(Left("control_game_nonogram/timer"), 762);
    Step(250);
    EXPECT_EQ(Blackout(), 128);
    EXPECT_DOUBLE_EQ(Left("control_game_nonogram/timer"), 1024);
    EXPECT_DOUBLE_EQ(Find("control_game_nonogram/points")->GetTop(), -33);
    Step(499);
    EXPECT_TRUE(Commands().empty());
    Step(1);
    EXPECT_EQ(Commands(), std::vector<std::string>{Report("scenario_failed_level")});
}

TEST_F(LevelFlowTest, AFailedLevelLastsItsStaggerWithoutCopiesOrCells) {
    struct TCase {
        int32_t rows, cols, fallMs, timeout;
    };
    for (const TCase& c : {TCase{15, 15, 0, 550}, TCase{10, 10, -1, 600}, TCase{0, 0, 400, 100}}) {
        SCOPED_TRACE(std::to_string(c.rows) + " x " + std::to_string(c.cols));
        TFlowFactories factories;
        factories.fallMs = c.fallMs;
        Build(c.rows, c.cols, factories);
        Start("scenario_failed_level");
        Step(10);
        Step(c.timeout - 1);
        EXPECT_TRUE(Commands().empty());
        Step(1);
        EXPECT_EQ(Commands(), std::vector<std::string>{Report("scenario_failed_level")});
    }
}

TEST_F(LevelFlowTest, TheErrorMarkerFliesAlongItsPathAndEndsSilently) {
    TFlowFactories factories;
    factories.errorPath.replace(factories.errorPath.find("path_segment"), 12,
                                "lf_recording_path");
    Build(2, 2, factories);
    const Ref<IParamCollection> params = gametest::Results("name", "cell1_1");
    params->SetValue("init_x", Variant(112.0));
    params->SetValue("init_y", Variant(92.0));
    Start("scenario_nonogram_error", params, false);  // it needs no control
    const Ref<IWidget> marker = Find("control_game_nonogram/scenario_group/cell1_1/error");
    ASSERT_TRUE(marker);
    EXPECT_FALSE(marker->GetVisible());
    Step(10);
    EXPECT_EQ(State(), "move");
    EXPECT_TRUE(marker->GetVisible());
    EXPECT_DOUBLE_EQ(marker->GetLeft(), 112);
    EXPECT_DOUBLE_EQ(marker->GetTop(), 92);
    // The end point is known when the path prepares; its time afterwards.
    EXPECT_EQ(gametest::Journal(), std::vector<std::string>{"prepare x2=600 total=0"});
    const auto* error = dynamic_cast<TScenarioNonogramError*>(Machine());
    ASSERT_TRUE(error && error->GetPath());
    EXPECT_EQ(error->GetPath()->GetTotalTime(), 500);
    Step(250);
    EXPECT_NEAR(marker->GetLeft(), 356, 1e-3);
    EXPECT_NEAR(marker->GetTop(), 56, 1e-3);
    Step(250);
    EXPECT_NEAR(marker->GetLeft(), 600, 1e-3);
    EXPECT_NEAR(marker->GetTop(), 20, 1e-3);
    EXPECT_EQ(State(), "-");
    EXPECT_FALSE(Find("control_game_nonogram/scenario_group/cell1_1"));
    EXPECT_TRUE(Commands().empty());
}

TEST_F(LevelFlowTest, AnErrorMarkerWithoutPathTimeOrMarkerStillEnds) {
    struct TCase {
        const char* what;
        std::string path;
        int32_t duration;
        double left;  // where the marker is after its first update
    };
    const TCase cases[] = {
        {"no path", "", 300, 112},
        {"a function that is no path",
         R"(<function name="f" type="function_complex"/>)", 300, 112},
        {"no time to fly", TFlowFactories().errorPath, 0, 600},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TFlowFactories factories;
        factories.errorPath = c.path;
        factories.errorMs = c.duration;
        Build(2, 2, factories);
        const Ref<IParamCollection> params = gametest::Results("name", "cell0_0");
        params->SetValue("init_x", Variant(112.0));
        params->SetValue("init_y", Variant(80.0));
        Start("scenario_nonogram_error", params);
        const Ref<IWidget> marker = Find("control_game_nonogram/scenario_group/cell0_0/error");
        Step(10);
        EXPECT_TRUE(marker->GetVisible());
        EXPECT_DOUBLE_EQ(marker->GetLeft(), c.left);
        Step(c.duration / 2);
        EXPECT_DOUBLE_EQ(marker->GetLeft(), c.left);
        Step(c.duration - c.duration / 2 + 10);
        EXPECT_EQ(State(), "-");
        EXPECT_TRUE(Commands().empty());
    }
}

}  // namespace
