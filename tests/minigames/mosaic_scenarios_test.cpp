// The big mosaic's scenarios and statistics screen on the real game shell:
// the opening and closing slides of the game tip, the reveal of the level's
// name, the reports to the screen, the exchange of two cells' pieces with its
// flights, flashes and sound, and the statistics screen's tips and close.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "minigames/MosaicExchange.h"
#include "minigames/MosaicScenarios.h"
#include "minigames/MosaicStatScreen.h"
#include "tests/minigames/MosaicTestSupport.h"

namespace {

using namespace mosaictest;

// A screen holding the parts the opening and closing scenarios reach: the
// move group (cells, scenarios), the tip 100 pixels high resting at 20, the
// timer, and the text reveal.
std::string SlideScreen(const std::string& duration, bool text = true) {
    std::string factories =
        Factory("scenario_start_level",
                "<widget type=\"scenario_bigmosaic_start_level\" name=\"scenario_start_level\" "
                "visible=\"yes\" extraparams=\"\\duration=" +
                    duration + "\\LevelName=Japan\"/>") +
        Factory("scenario_end_level",
                "<widget type=\"scenario_bigmosaic_end_level\" name=\"scenario_end_level\" "
                "visible=\"yes\" extraparams=\"\\duration=" +
                    duration + "\"/>");
    if (text) {
        factories +=
            Factory("text_visualization",
                    R"(<widget type="qm_game_leaf" name="level_title" visible="yes" mousestop="no"
                       extraparams="\LevelName=%LevelName%\InitVizualization=no\visualization_time=1000"/>)");
    }
    return R"(<gamescreen name="GS_Slide" type="QmMosaicSoundScreen"><window type="qm_test_effect_window"><widgets>
                <widget type="group_widget" name="move_group" visible="yes"><widgets>
                  <widget type="group_widget" name="cells_group"/>
                  <widget type="group_widget" name="scenario_group" visible="yes"/>
                </widgets></widget>
                <widget type="qm_game_leaf" name="game_tip" visible="yes" width="200" height="100"
                        mousestop="no" extraparams="\init_y=20"/>
                <widget type="qm_game_leaf" name="timer" visible="yes" width="10" height="10"/>
              </widgets><widgetfactories>)" +
           factories + "</widgetfactories></window></gamescreen>";
}

class MosaicScenarios : public GameShellTest {
protected:
    void SetUp() override {
        GameShellTest::SetUp();
        RegisterMosaicTestClasses();
    }

    TGameHarness& StartScreen(const std::string& screen, const std::string& name) {
        TGameHarness& game = Start(GameOf("maings=\"" + name + "\"", ScreensOf(screen)), {});
        game.Step(1);
        Journal().clear();
        return game;
    }

    Ref<IWidget> Find(const std::string& path) const { return harness->Find(path); }

    // A scenario of the top screen's factory, added to the scenario group.
    Ref<IWidget> StartScenario(const std::string& factory,
                               const Ref<IParamCollection>& params = nullptr) {
        TGameScreen* screen = dynamic_cast<TGameScreen*>(harness->Top().get());
        const Ref<IWidget> scenario = screen->CreateWidgetFromFactory(factory, params);
        EXPECT_TRUE(scenario) << factory;
        if (scenario) Find("move_group/scenario_group")->GetChildren()->AddWidget(scenario);
        return scenario;
    }

    static std::string StateOf(const Ref<IWidget>& scenario) {
        auto* machine = dynamic_cast<TStateScenario*>(scenario.get());
        return machine && machine->GetCurrentState() ? machine->GetCurrentState()->name : "-";
    }
};

// ---------------------------------------------------------------------------
// Opening and closing

TEST_F(MosaicScenarios, TheOpeningSlidesTheTipInShowsTheCellsAndTheLevelNameThenReports) {
    TGameHarness& game = StartScreen(SlideScreen("800"), "GS_Slide");
    const Ref<IWidget> tip = Find("game_tip");
    tip->SetTop(-100);
    const Ref<IWidget> scenario = StartScenario("scenario_start_level");

    game.Step(1, 100);  // "enter" and, in the same frame, the start of "move"
    ASSERT_EQ(StateOf(scenario), "move");
    EXPECT_DOUBLE_EQ(tip->GetTop(), -100.0);
    game.Step(4, 100);
    EXPECT_DOUBLE_EQ(tip->GetTop(), -40.0);
    EXPECT_FALSE(Find("move_group/cells_group")->GetVisible());
    game.Step(4, 100);
    EXPECT_DOUBLE_EQ(tip->GetTop(), 20.0);

    // The name is revealed for 1.5 times its reveal time; the cells show and
    // the timer hides.
    ASSERT_EQ(StateOf(scenario), "show_level");
    EXPECT_TRUE(Find("move_group/cells_group")->GetVisible());
    EXPECT_FALSE(Find("timer")->GetVisible());
    const Ref<IWidget> title = scenario->FindWidget("level_title");
    ASSERT_TRUE(title);
    EXPECT_EQ(title->GetProperty("LevelName"), Variant("Japan"));
    EXPECT_EQ(title->GetProperty("InitVizualization"), Variant("yes"));
    game.Step(14, 100);
    EXPECT_EQ(StateOf(scenario), "show_level");
    game.Step(1, 100);
    EXPECT_EQ(StateOf(scenario), "show_cells");
    EXPECT_DOUBLE_EQ(tip->GetTop(), 20.0);

    EXPECT_FALSE(JournalHas("event GS_Slide scenario_start_level 32778"));
    game.Step(2, 100);
    EXPECT_TRUE(JournalHas("event GS_Slide scenario_start_level 32778"));
    EXPECT_TRUE(scenario->GetDead());
    EXPECT_EQ(Find("move_group/scenario_group")->GetChildren()->GetCount(), 0);
}

TEST_F(MosaicScenarios, WithoutTheTextRevealTheNameStateEndsAtTheNextStep) {
    TGameHarness& game = StartScreen(SlideScreen("100", false), "GS_Slide");
    const Ref<IWidget> scenario = StartScenario("scenario_start_level");
    game.Step(1, 50);
    game.Step(2, 50);
    ASSERT_EQ(StateOf(scenario), "show_level");
    game.Step(1, 50);
    EXPECT_EQ(StateOf(scenario), "show_cells");
    game.Step(2, 50);
    EXPECT_TRUE(JournalHas("event GS_Slide scenario_start_level 32778"));
}

TEST_F(MosaicScenarios, ADurationOfNothingPutsTheTipAtItsEndAtOnce) {
    for (const char* duration : {"0", "", "soon", "-300"}) {
        SCOPED_TRACE(duration);
        TGameHarness& game = StartScreen(SlideScreen(duration, false), "GS_Slide");
        const Ref<IWidget> tip = Find("game_tip");
        tip->SetTop(-100);
        const Ref<IWidget> opening = StartScenario("scenario_start_level");
        game.Step(2, 10);
        EXPECT_DOUBLE_EQ(tip->GetTop(), 20.0);
        EXPECT_EQ(StateOf(opening), "show_level");

        const Ref<IWidget> closing = StartScenario("scenario_end_level");
        game.Step(2, 10);
        EXPECT_DOUBLE_EQ(tip->GetTop(), -100.0);
        EXPECT_TRUE(std::isfinite(tip->GetTop()));
        game.Step(2, 10);
        EXPECT_TRUE(JournalHas("event GS_Slide scenario_end_level 32778"));
    }
}

TEST_F(MosaicScenarios, TheClosingHidesTheTimerSlidesTheTipOutAndReportsByName) {
    TGameHarness& game = StartScreen(SlideScreen("800"), "GS_Slide");
    const Ref<IWidget> tip = Find("game_tip");
    tip->SetTop(20);
    const Ref<IWidget> scenario = StartScenario("scenario_end_level");

    game.Step(1, 100);
    ASSERT_EQ(StateOf(scenario), "move");
    EXPECT_FALSE(Find("timer")->GetVisible());
    EXPECT_DOUBLE_EQ(tip->GetTop(), 20.0);
    game.Step(4, 100);
    EXPECT_DOUBLE_EQ(tip->GetTop(), -40.0);
    game.Step(3, 100);
    EXPECT_DOUBLE_EQ(tip->GetTop(), -85.0);
    EXPECT_FALSE(JournalHas("event GS_Slide scenario_end_level 32778"));
    // The slide's last step and the report come in one frame.
    game.Step(1, 100);
    EXPECT_DOUBLE_EQ(tip->GetTop(), -100.0);
    EXPECT_TRUE(JournalHas("event GS_Slide scenario_end_level 32778"));
    game.Step(1, 100);
    EXPECT_EQ(Find("move_group/scenario_group")->GetChildren()->GetCount(), 0);
    EXPECT_DOUBLE_EQ(tip->GetTop(), -100.0);
}

TEST_F(MosaicScenarios, WithoutMoveGroupOrTipBothScenariosStillEndAndReport) {
    // The scenarios sit two levels below a window without a move group or a
    // tip: every step finds nothing and the end goes to their own screen.
    TGameHarness& game = StartScreen(
        R"(<gamescreen name="GS_Bare" type="QmMosaicSoundScreen"><window type="qm_test_effect_window"><widgets>
             <widget type="group_widget" name="holder" visible="yes"><widgets>
               <widget type="group_widget" name="scenario_group" visible="yes"/>
             </widgets></widget>
           </widgets><widgetfactories>)" +
            Factory("scenario_start_level",
                    R"(<widget type="scenario_bigmosaic_start_level" name="scenario_start_level"
                               visible="yes" extraparams="\duration=100"/>)") +
            Factory("scenario_end_level",
                    R"(<widget type="scenario_bigmosaic_end_level" name="scenario_end_level"
                               visible="yes" extraparams="\duration=100"/>)") +
            "</widgetfactories></window></gamescreen>",
        "GS_Bare");
    auto* screen = dynamic_cast<TGameScreen*>(game.Top().get());
    const Ref<IWidget> group = Find("holder/scenario_group");
    for (const char* factory : {"scenario_start_level", "scenario_end_level"}) {
        group->GetChildren()->AddWidget(screen->CreateWidgetFromFactory(factory, nullptr));
    }
    game.Step(20, 20);
    EXPECT_TRUE(JournalHas("event GS_Bare scenario_start_level 32778"));
    EXPECT_TRUE(JournalHas("event GS_Bare scenario_end_level 32778"));
    EXPECT_EQ(group->GetChildren()->GetCount(), 0);
}

// ---------------------------------------------------------------------------
// The exchange

// A screen of cells made by the mosaic's cell template at the given places,
// each holding the piece of the cell pieces[i] names.
class MosaicExchange : public MosaicScenarios {
protected:
    struct TCellAt {
        int row, col, left, top;
    };

    void Board(const std::vector<TCellAt>& cells, const std::vector<int>& pieces,
               const std::string& factories = ExchangeFactories()) {
        StartScreen(
            R"(<gamescreen name="GS_Cells" type="QmMosaicSoundScreen"><window type="qm_test_effect_window"><widgets>
                 <widget type="group_widget" name="move_group" visible="yes"><widgets>
                   <widget type="group_widget" name="cells_group" visible="yes"/>
                   <widget type="group_widget" name="scenario_group" visible="yes"/>
                 </widgets></widget>
               </widgets><widgetfactories>)" +
                Factory("mosaic_cell", CellTemplate()) + factories +
                "</widgetfactories></window></gamescreen>",
            "GS_Cells");
        auto* screen = dynamic_cast<TGameScreen*>(harness->Top().get());
        const Ref<IWidgetCollection> list = Find("move_group/cells_group")->GetChildren();
        for (const TCellAt& at : cells) {
            const Ref<IParamCollection> params = NewParams();
            params->SetValue("row", Variant(std::to_string(at.row)));
            params->SetValue("col", Variant(std::to_string(at.col)));
            params->SetValue("anchor_left", Variant(std::to_string(at.left)));
            params->SetValue("anchor_top", Variant(std::to_string(at.top)));
            params->SetValue("width", Variant("60"));
            params->SetValue("height", Variant("40"));
            list->AddWidget(screen->CreateWidgetFromFactory("mosaic_cell", params));
        }
        // Every piece taken out first, then each cell given its piece.
        std::vector<Ref<IWidget>> all;
        for (int i = 0; i < list->GetCount(); ++i) all.push_back(Piece(i));
        for (int i = 0; i < list->GetCount(); ++i) {
            const Ref<IWidget> cell = Cell(i);
            cell->GetChildren()->Clear();
            cell->GetChildren()->AddWidget(all[size_t(pieces[size_t(i)])]);
            cell->SetProperty("state", Variant(pieces[size_t(i)] == i ? 1 : 0));
        }
    }

    static Ref<IParamCollection> NewParams() { return mosaic::NewParams(); }

    Ref<IWidget> Cell(int index) const {
        return Find("move_group/cells_group")->GetChildren()->GetWidgetByIndex(index);
    }
    Ref<IWidget> Piece(int index) const { return Cell(index)->FindWidget("picture"); }
    // "row,col" of the piece a cell holds.
    std::string PieceAt(int index) const {
        const Ref<IWidget> piece = Piece(index);
        return piece->GetProperty("row").ToString() + "," + piece->GetProperty("col").ToString();
    }
    Variant StateOfCell(int index) const { return Cell(index)->GetProperty("state"); }

    Ref<IWidget> Exchange(int a, int b) {
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("cell1", Variant(Cell(a)->GetName()));
        params->SetValue("cell2", Variant(Cell(b)->GetName()));
        return StartScenario("mosaic_scenario_exchange_cells", params);
    }

    // Frames of 10 ms until the exchange has gone (at most 3 s).
    int RunOut(const Ref<IWidget>& exchange) {
        int frames = 0;
        while (frames < 300 && !exchange->GetDead()) {
            harness->Step(1, 10);
            ++frames;
        }
        harness->Step(1, 10);
        return frames;
    }
};

TEST_F(MosaicExchange, TheFlightTimeIsFiveMillisecondsAPixelAtMostHalfASecond) {
    const struct {
        double distance;
        int32_t ms;
    } cases[] = {{0, 0},     {60, 300},  {99.7, 498},
                 {100, 500}, {341, 500}, {std::hypot(341, 256), 500}};
    for (const auto& c : cases) {
        EXPECT_EQ(TMosaicExchangeCellsScenario::FlightTime(c.distance), c.ms) << c.distance;
    }
}

TEST_F(MosaicExchange, ThePiecesChangeCellsAtOnceHiddenWhileTwoSnapshotsFly) {
    // Two cells 341 pixels apart, each holding the other's piece.
    Board({{0, 0, 0, 0}, {0, 1, 341, 0}}, {1, 0});
    const Ref<IWidget> exchange = Exchange(0, 1);
    harness->Step(1, 10);

    EXPECT_EQ(PieceAt(0), "0,0");
    EXPECT_EQ(PieceAt(1), "0,1");
    EXPECT_FALSE(Piece(0)->GetVisible());
    EXPECT_FALSE(Piece(1)->GetVisible());
    EXPECT_EQ(StateOfCell(0), Variant(2));
    EXPECT_EQ(StateOfCell(1), Variant(2));
    const struct {
        std::string name, x1, y1, x2, y2;
    } flights[] = {{"cell_0_0", "0", "0", "341", "0"}, {"cell_0_1", "341", "0", "0", "0"}};
    for (const auto& f : flights) {
        const Ref<IWidget> flight = exchange->FindWidget(f.name);
        ASSERT_TRUE(flight) << f.name;
        EXPECT_EQ(flight->GetLeft(), std::stod(f.x1));
        EXPECT_EQ(flight->GetProperty("x2").ToString(), f.x2);
        EXPECT_EQ(flight->GetProperty("y2").ToString(), f.y2);
        EXPECT_EQ(flight->GetProperty("lifetime").ToString(), "500");
        EXPECT_TRUE(Query<ISurface>(flight->GetProperty("surface").ToInterface())) << f.name;
    }

    // The flights die after 500 ms; only then the flashes start.
    harness->Step(45, 10);
    EXPECT_EQ(StateOf(exchange), "enter");
    EXPECT_FALSE(exchange->FindWidget("mosaic_cell_flash_cell_0_0"));
    harness->Step(10, 10);
    EXPECT_EQ(StateOf(exchange), "flash");
}

TEST_F(MosaicExchange, PiecesThatComeHomeFlashHideTheirShadowsAndPlayOneSound) {
    // Cells 60 pixels apart: flights of 300 ms.
    Board({{0, 0, 0, 0}, {0, 1, 60, 0}}, {1, 0});
    const Ref<IWidget> exchange = Exchange(0, 1);
    harness->Step(1, 10);
    EXPECT_EQ(exchange->FindWidget("cell_0_0")->GetProperty("lifetime").ToString(), "300");
    while (StateOf(exchange) == "enter") harness->Step(1, 10);

    ASSERT_EQ(StateOf(exchange), "flash");
    for (int i = 0; i < 2; ++i) {
        const Ref<IWidget> flash = exchange->FindWidget("mosaic_cell_flash_" + Cell(i)->GetName());
        ASSERT_TRUE(flash) << i;
        EXPECT_EQ(flash->GetLeft(), Cell(i)->GetDrawLeft());
        EXPECT_TRUE(Query<ISurface>(flash->GetProperty("surface").ToInterface()));
        EXPECT_FALSE(Piece(i)->GetVisible());
        EXPECT_EQ(StateOfCell(i), Variant(2));
    }
    EXPECT_EQ(CountJournal("sound sound_correct_click"), 1);

    RunOut(exchange);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(StateOfCell(i), Variant(1)) << i;
        EXPECT_TRUE(Piece(i)->GetVisible());
        EXPECT_EQ(Cell(i)->GetProperty("picture/shadow/visible"), Variant(false));
    }
    EXPECT_EQ(CountJournal("sound sound_correct_click"), 1);
    EXPECT_EQ(Find("move_group/scenario_group")->GetChildren()->GetCount(), 0);
}

TEST_F(MosaicExchange, TheOutcomeFollowsWhichPiecesCameHome) {
    // 2 by 2 cells. Pieces held: a three-cycle (one comes home) or two
    // swapped pairs exchanged across (neither comes home).
    const std::vector<TCellAt> cells = {{0, 0, 0, 0}, {0, 1, 60, 0}, {1, 0, 0, 40}, {1, 1, 60, 40}};
    const struct {
        std::vector<int> pieces;
        int a, b;
        std::vector<int> states;  // of cells a and b at the end
        int sounds;
    } cases[] = {
        {{1, 2, 0, 3}, 0, 1, {0, 1}, 1},  // cell 1 gets its own piece
        {{1, 0, 3, 2}, 0, 2, {0, 0}, 0},  // neither does
        {{1, 0, 3, 2}, 0, 1, {1, 1}, 1},  // both do
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.a << "<->" << c.b << " sounds " << c.sounds);
        Board(cells, c.pieces);
        const Ref<IWidget> exchange = Exchange(c.a, c.b);
        while (StateOf(exchange) == "enter") harness->Step(1, 10);
        // In "flash" a foreign piece is back in view and its cell at 0.
        const int ends[] = {c.a, c.b};
        for (int k = 0; k < 2; ++k) {
            if (c.states[size_t(k)] == 0) {
                EXPECT_TRUE(Piece(ends[k])->GetVisible());
                EXPECT_EQ(StateOfCell(ends[k]), Variant(0));
            }
        }
        RunOut(exchange);
        for (int k = 0; k < 2; ++k) {
            EXPECT_EQ(StateOfCell(ends[k]), Variant(c.states[size_t(k)])) << ends[k];
            EXPECT_EQ(Cell(ends[k])->GetProperty("picture/shadow/visible"),
                      Variant(c.states[size_t(k)] == 0));
        }
        EXPECT_EQ(CountJournal("sound sound_correct_click"), c.sounds);
    }
}

TEST_F(MosaicExchange, AMissingCellLeavesTheBoardAndTheExchangeStillEnds) {
    for (const char* name : {"nowhere", ""}) {
        SCOPED_TRACE(name);
        Board({{0, 0, 0, 0}, {0, 1, 60, 0}}, {1, 0});
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("cell1", Variant(Cell(0)->GetName()));
        params->SetValue("cell2", Variant(std::string(name)));
        const Ref<IWidget> exchange = StartScenario("mosaic_scenario_exchange_cells", params);
        EXPECT_LT(RunOut(exchange), 10);
        EXPECT_EQ(PieceAt(0), "0,1");
        EXPECT_EQ(StateOfCell(0), Variant(0));
        EXPECT_TRUE(Piece(0)->GetVisible());
        EXPECT_EQ(CountJournal("sound sound_correct_click"), 0);
    }
}

TEST_F(MosaicExchange, WithoutFlightOrFlashTemplatesTheExchangeStillCompletes) {
    Board({{0, 0, 0, 0}, {0, 1, 60, 0}}, {1, 0},
          Factory("mosaic_scenario_exchange_cells",
                  R"(<widget type="scenario_mosaic_exchange_cells" name="exchange" visible="yes"
                             extraparams="\cell1=%cell1%\cell2=%cell2%"/>)"));
    const Ref<IWidget> exchange = Exchange(0, 1);
    EXPECT_LT(RunOut(exchange), 10);
    EXPECT_EQ(StateOfCell(0), Variant(1));
    EXPECT_EQ(StateOfCell(1), Variant(1));
    EXPECT_EQ(CountJournal("sound sound_correct_click"), 1);
}

// ---------------------------------------------------------------------------
// The statistics screen

class MosaicStatScreen : public MosaicScenarios {
protected:
    TGameHarness& StartStat() {
        return StartScreen(
            PlainScreen("GS_Below", 0, 0, 640, 480, 0xFF000080) +
                R"(<gamescreen name="GS_StatBigMosaic" type="QuillmarchGameScreenBigMosaicStat"><window><widgets>
                     <widget type="qm_game_leaf" name="levelTips" visible="yes" width="300" height="20"
                             mousestop="no" extraparams="\text=old"/>
                     <widget type="qm_game_leaf" name="label_levelTips" width="300" height="20" mousestop="no"/>
                     <widget type="qm_mosaic_command_probe" name="ps_statlevel" visible="yes"/>
                     <widget type="group_widget" name="scenario_group" visible="yes"><widgets>
                       <widget type="group_widget" name="left_over"/>
                     </widgets></widget>
                     <widget type="qm_game_leaf" name="button_ok" visible="yes" mousestop="yes" anchor_left="100"
                             anchor_top="100" width="40" height="20"/>
                   </widgets></window></gamescreen>)",
            "GS_Below");
    }
    Ref<IWidget> StatWidget(const std::string& path) const {
        return harness->Screen("GS_StatBigMosaic")->GetWindowWidget()->FindWidget(path);
    }
};

TEST_F(MosaicStatScreen, ItShowsTheTipsGivenAndHidesThemWithoutParameters) {
    StartStat();
    const struct {
        Ref<IParamCollection> params;
        bool tipsVisible;
        std::string text;
    } cases[] = {
        {Results("level_tips", "Look at the corners first"), true, "Look at the corners first"},
        {Results("other", "x"), true, ""},
        {nullptr, false, ""},
    };
    int commands = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        StatWidget("levelTips")->SetProperty("text", Variant(""));
        ASSERT_TRUE(Game().ShowGameScreen("GS_StatBigMosaic", c.params));
        EXPECT_EQ(StatWidget("levelTips")->GetVisible(), c.tipsVisible);
        EXPECT_EQ(StatWidget("levelTips")->GetProperty("text"), Variant(c.text));
        EXPECT_TRUE(StatWidget("label_levelTips")->GetVisible());
        EXPECT_EQ(CountJournal("command ps_statlevel 2"), ++commands);
        EXPECT_EQ(StatWidget("scenario_group")->GetChildren()->GetCount(), 0);
        ASSERT_TRUE(Game().CloseGameScreen(harness->Screen("GS_StatBigMosaic"), nullptr));
        harness->Step(1);
    }
}

TEST_F(MosaicStatScreen, OkClosesItWithoutResults) {
    TGameHarness& game = StartStat();
    ASSERT_TRUE(Game().ShowGameScreen("GS_StatBigMosaic", Results("level_tips", "t")));
    game.Step(1);
    // Other codes and senders leave it open.
    Query<IEventHandler>(game.Top())->HandleEvent(StatWidget("button_ok"), 2, nullptr);
    Query<IEventHandler>(game.Top())->HandleEvent(StatWidget("levelTips"), 1, nullptr);
    EXPECT_EQ(game.StackNames(), "GS_Below GS_StatBigMosaic");
    game.ClickAt("button_ok");
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Below");
    EXPECT_TRUE(JournalHas("closed GS_Below GS_StatBigMosaic -"));
}

}  // namespace
