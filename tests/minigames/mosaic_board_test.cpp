// The big mosaic's screen on the real game shell: the level option read into
// a grid, the shuffle, the clicks that select, deselect and exchange, the
// end of the level, the closing flow through the statistics screen back to
// the screen below, the pause menu, and the map's snapshot. The screens the
// mosaic opens are recording stand-ins; the scroll scenario is the map's
// own, which reports only when it finds the map's snapshot where it looks.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/base/Random.h"
#include "engine/surface/EngineSurface.h"
#include "tests/minigames/MosaicTestSupport.h"

namespace {

using namespace mosaictest;

class MosaicBoard : public GameShellTest {
protected:
    void SetUp() override {
        GameShellTest::SetUp();
        RegisterMosaicTestClasses();
    }

    TGameHarness& StartBoard(const TWindowOptions& o = {}, bool realStatistics = false) {
        harness.reset();
        harness = std::make_unique<TGameHarness>(1024, 768);
        const std::string screens =
            PlainScreen("GS_Below", 0, 0, 1024, 768, 0xFF000080) +
            MosaicScreenOf("GS_GameBigMosaic", "QmMosaicTestScreen", o) +
            (realStatistics ? RealStatistics()
                            : PlainScreen("GS_StatBigMosaic", 0, 0, 100, 100, 0xFF808080)) +
            PlainScreen("GS_MiniMenuBrief", 0, 0, 100, 100, 0xFF808080) +
            PlainScreen("GS_HelpMosaic", 0, 0, 100, 100, 0xFF808080) +
            PlainScreen("GS_Options", 0, 0, 100, 100, 0xFF808080);
        harness->Start(GameOf(R"(maings="GS_Below")", ScreensOf(screens)));
        harness->Step(1);
        Game().SetOptionValue("mosaic_level_paramsjapan",
                              Variant("\\rows=2\\cols=2\\resourcename=japan_mosaic"
                                      "\\level_tips=Corners first"));
        Journal().clear();
        return *harness;
    }

    static std::string RealStatistics() {
        return R"(<gamescreen name="GS_StatBigMosaic" type="QuillmarchGameScreenBigMosaicStat"><window><widgets>
                    <widget type="qm_game_leaf" name="levelTips" width="300" height="20" mousestop="no"
                            extraparams="\text="/>
                    <widget type="qm_game_leaf" name="button_ok" visible="yes" mousestop="yes"
                            anchor_left="500" anchor_top="400" width="40" height="20"/>
                  </widgets></window></gamescreen>)";
    }

    TMosaicTestScreen& Mosaic() const {
        return *dynamic_cast<TMosaicTestScreen*>(harness->Screen("GS_GameBigMosaic").get());
    }
    Ref<IWidget> MosaicWidget(const std::string& path) const {
        return harness->Screen("GS_GameBigMosaic")->GetWindowWidget()->FindWidget(path);
    }
    Ref<IWidgetCollection> Cells() const {
        return MosaicWidget("move_group/cells_group")->GetChildren();
    }
    Ref<IWidget> CellAt(int row, int col) const {
        return Cells()->GetWidgetByName("cell_" + std::to_string(row) + "_" + std::to_string(col));
    }
    TPoint Center(int row, int col) const {
        return {col * Mosaic().GetCellWidth() + Mosaic().GetCellWidth() / 2,
                row * Mosaic().GetCellHeight() + Mosaic().GetCellHeight() / 2};
    }
    void ClickCell(int row, int col, uint8_t button = SDL_BUTTON_LEFT) {
        const TPoint p = Center(row, col);
        harness->Click(p.x, p.y, button);
    }

    void ShowMosaic(const std::string& mapPart = "japan") {
        ASSERT_TRUE(Game().ShowGameScreen(
            "GS_GameBigMosaic",
            Params({{"active_map_part", mapPart}, {"LevelName", "%" + mapPart + "%"}})));
    }
    // Shown, and stepped until the board takes clicks, with the help the
    // scroll scenario opens closed again, and on until the opening scenario
    // shows the cells.
    void ShowAndOpen(const std::string& mapPart = "japan") {
        ShowMosaic(mapPart);
        for (int i = 0; i < 300 && Mosaic().GetBoardState() != mbs_Playing; ++i) {
            harness->Step(1, 10);
        }
        ASSERT_EQ(Mosaic().GetBoardState(), mbs_Playing);
        if (harness->StackNames() == "GS_Below GS_GameBigMosaic GS_HelpMosaic") {
            Game().CloseGameScreen(harness->Screen("GS_HelpMosaic"), nullptr);
            harness->Step(1);
        }
        ASSERT_EQ(harness->StackNames(), "GS_Below GS_GameBigMosaic");
        WaitForCells();
    }
    void WaitForCells() {
        const Ref<IWidget> cells = MosaicWidget("move_group/cells_group");
        for (int i = 0; i < 300 && !cells->GetVisible(); ++i) harness->Step(1, 10);
        ASSERT_TRUE(cells->GetVisible());
    }

    static Ref<IParamCollection> Params(
        std::initializer_list<std::pair<std::string, std::string>> values) {
        const Ref<IParamCollection> params = mosaic::NewParams();
        for (const auto& [name, value] : values) params->SetValue(name, Variant(value));
        return params;
    }
    static Variant StateOf(const Ref<IWidget>& cell) { return cell->GetProperty("state"); }
    static bool HasMarker(const Ref<IWidget>& cell) {
        return cell->GetChildren()->GetWidgetByName("selected") != nullptr;
    }
};

// ---------------------------------------------------------------------------
// The level option and the grid

TEST_F(MosaicBoard, TheLevelOptionGivesTheGridAndTheCellsArePlacedRowByRow) {
    StartBoard();
    const struct {
        const char* option;  // null: no option for the map part "rome"
        int rows, cols, width, height;
        std::string resource, tips;
        bool logged;
    } cases[] = {
        {nullptr, 3, 3, 341, 256, "", "", false},
        {"\\rows=4\\cols=5", 4, 5, 204, 192, "", "", false},
        {"\\rows=x\\cols=2", 3, 2, 512, 256, "", "", false},
        {"\\rows=1\\cols=2", 1, 2, 512, 768, "", "", false},
        {"\\resourcename=japan_mosaic\\level_tips=Corners first\\ROWS=7", 3, 3, 341, 256,
         "japan_mosaic", "Corners first", false},
        // Each location has tips of its own or none.
        {nullptr, 3, 3, 341, 256, "", "", false},
        {"\\rows=0\\cols=5", 3, 5, 204, 256, "", "", true},
        {"\\rows=-2", 3, 3, 341, 256, "", "", true},
        {"\\rows=100000", 3, 3, 341, 256, "", "", true},
        {"\\rows=1\\cols=1", 3, 3, 341, 256, "", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option ? c.option : "(none)");
        const size_t logged = harness->Log().Lines().size();
        if (c.option) Game().SetOptionValue("mosaic_level_paramsjapan", Variant(c.option));
        Mosaic().BuildBoard(c.option ? "japan" : "rome");
        EXPECT_EQ(Mosaic().GetRows(), c.rows);
        EXPECT_EQ(Mosaic().GetCols(), c.cols);
        EXPECT_EQ(Mosaic().GetCellWidth(), c.width);
        EXPECT_EQ(Mosaic().GetCellHeight(), c.height);
        EXPECT_EQ(Mosaic().GetResourceName(), c.resource);
        EXPECT_EQ(Mosaic().GetLevelTips(), c.tips);
        EXPECT_EQ(MosaicWidget("move_group/mosaic_mat")->GetProperty("resourcename"),
                  Variant(c.resource + "Mat"));
        const auto& lines = harness->Log().Lines();
        EXPECT_EQ(lines.size() > logged &&
                      lines.back().find("MOSAIC: mosaic_level_paramsjapan") != std::string::npos,
                  c.logged);
        const Ref<IWidgetCollection> cells = Cells();
        ASSERT_EQ(cells->GetCount(), c.rows * c.cols);
        for (int k = 0; k < cells->GetCount(); ++k) {
            const Ref<IWidget> cell = cells->GetWidgetByIndex(k);
            const int row = k / c.cols, col = k % c.cols;
            EXPECT_EQ(cell->GetName(), "cell_" + std::to_string(row) + "_" + std::to_string(col));
            EXPECT_EQ(cell->GetLeft(), col * c.width) << k;
            EXPECT_EQ(cell->GetTop(), row * c.height) << k;
            EXPECT_EQ(cell->GetProperty("picture"), Variant(c.resource));
        }
    }
    EXPECT_FALSE(MosaicWidget("move_group/cells_group")->GetVisible());
    EXPECT_FALSE(MosaicWidget("button_close")->GetVisible());
}

TEST_F(MosaicBoard, AnOptionThatIsNoTextGivesTheDefaultBoard) {
    StartBoard();
    Game().SetOptionValue("mosaic_level_paramsjapan",
                          Variant(Ref<IInterface>(mosaic::NewParams())));
    Mosaic().BuildBoard("japan");
    EXPECT_EQ(Mosaic().GetRows(), 3);
    EXPECT_EQ(Mosaic().GetCols(), 3);
    EXPECT_EQ(Mosaic().GetResourceName(), "");
    EXPECT_EQ(Cells()->GetCount(), 9);
}

TEST_F(MosaicBoard, TheShuffleLeavesNoCellHomeAndEveryPieceOnce) {
    StartBoard();
    const struct {
        int rows, cols, seeds;
    } sizes[] = {{1, 2, 30}, {2, 1, 30}, {2, 2, 100}, {2, 3, 60}, {3, 3, 60}, {5, 5, 20}};
    for (const auto& s : sizes) {
        Game().SetOptionValue(
            "mosaic_level_paramsjapan",
            Variant("\\rows=" + std::to_string(s.rows) + "\\cols=" + std::to_string(s.cols)));
        for (int seed = 0; seed < s.seeds; ++seed) {
            SCOPED_TRACE(::testing::Message() << s.rows << "x" << s.cols << " seed " << seed);
            RandomSeed(uint32_t(seed));
            Mosaic().BuildBoard("japan");
            const Ref<IWidgetCollection> cells = Cells();
            ASSERT_EQ(cells->GetCount(), s.rows * s.cols);
            std::set<std::string> pieces;
            for (int k = 0; k < cells->GetCount(); ++k) {
                const Ref<IWidget> cell = cells->GetWidgetByIndex(k);
                ASSERT_EQ(cell->GetChildren()->GetCount(), 1);
                const Ref<IWidget> piece = cell->FindWidget("picture");
                ASSERT_TRUE(piece);
                const std::string at = piece->GetProperty("row").ToString() + "," +
                                       piece->GetProperty("col").ToString();
                ASSERT_NE(at, cell->GetProperty("row").ToString() + "," +
                                  cell->GetProperty("col").ToString());
                ASSERT_EQ(StateOf(cell), Variant(0));
                pieces.insert(at);
            }
            ASSERT_EQ(int(pieces.size()), s.rows * s.cols);
        }
    }
}

// A one-row board whose cell k holds the piece of column pieces[k] (-1: no
// piece); cells beyond pieces.size() are removed.
void Arrange(const Ref<IWidgetCollection>& cells, const std::vector<int>& pieces) {
    std::vector<Ref<IWidget>> byCol(size_t(cells->GetCount()));
    for (int k = 0; k < cells->GetCount(); ++k) {
        const Ref<IWidget> piece = cells->GetWidgetByIndex(k)->FindWidget("picture");
        byCol[size_t(piece->GetProperty("col").ToInt())] = piece;
    }
    while (cells->GetCount() > int(pieces.size())) cells->Delete(Variant(cells->GetCount() - 1));
    for (int k = 0; k < cells->GetCount(); ++k) {
        const Ref<IWidget> cell = cells->GetWidgetByIndex(k);
        cell->GetChildren()->Clear();
        if (pieces[size_t(k)] >= 0)
            cell->GetChildren()->AddWidget(byCol[size_t(pieces[size_t(k)])]);
        cell->SetProperty("state", Variant(pieces[size_t(k)] == k ? 1 : 0));
    }
}

TEST_F(MosaicBoard, AShuffleOfOneCellOrOfCellsWithoutPiecesEnds) {
    StartBoard();
    // One cell at home: no other cell can take its piece, and the pass ends.
    Game().SetOptionValue("mosaic_level_paramsjapan", Variant("\\rows=1\\cols=2"));
    Mosaic().BuildBoard("japan");
    Arrange(Cells(), {0});
    Mosaic().Shuffle();
    EXPECT_EQ(CellAt(0, 0)->FindWidget("picture")->GetProperty("col"), Variant("0"));

    // A cell without a piece takes no part; the others are shuffled.
    Game().SetOptionValue("mosaic_level_paramsjapan", Variant("\\rows=1\\cols=3"));
    Mosaic().BuildBoard("japan");
    Arrange(Cells(), {0, 1, -1});
    Mosaic().Shuffle();
    EXPECT_EQ(CellAt(0, 0)->FindWidget("picture")->GetProperty("col"), Variant("1"));
    EXPECT_EQ(CellAt(0, 1)->FindWidget("picture")->GetProperty("col"), Variant("0"));
    EXPECT_EQ(CellAt(0, 2)->GetChildren()->GetCount(), 0);
}

// ---------------------------------------------------------------------------
// Clicks

TEST_F(MosaicBoard, ClicksSelectDeselectAndExchangeOnceTheScrollHasReported) {
    TGameHarness& game = StartBoard();
    ShowMosaic();
    EXPECT_EQ(Mosaic().GetBoardState(), mbs_Opening);
    ClickCell(0, 0);
    EXPECT_FALSE(Mosaic().GetSelectedCell());
    EXPECT_EQ(CountJournal("sound sound_buttonclick"), 0);

    // The scroll scenario's report lets the board take clicks and opens the
    // help.
    for (int i = 0; i < 30 && Mosaic().GetBoardState() != mbs_Playing; ++i) game.Step(1, 10);
    EXPECT_EQ(Mosaic().GetBoardState(), mbs_Playing);
    EXPECT_EQ(game.StackNames(), "GS_Below GS_GameBigMosaic GS_HelpMosaic");
    Game().CloseGameScreen(game.Screen("GS_HelpMosaic"), nullptr);
    game.Step(1);
    // The cells take clicks once the opening scenario has shown them.
    ClickCell(0, 0);
    EXPECT_FALSE(Mosaic().GetSelectedCell());
    WaitForCells();

    const Ref<IWidget> a = CellAt(0, 0), b = CellAt(0, 1), home = CellAt(1, 1);
    ClickCell(0, 0);
    EXPECT_EQ(Mosaic().GetSelectedCell(), a);
    EXPECT_TRUE(HasMarker(a));
    EXPECT_EQ(a->GetProperty("picture/shadow/visible"), Variant(false));
    ClickCell(0, 0);
    EXPECT_FALSE(Mosaic().GetSelectedCell());
    EXPECT_FALSE(HasMarker(a));
    EXPECT_EQ(a->GetProperty("picture/shadow/visible"), Variant(true));
    EXPECT_EQ(CountJournal("sound sound_buttonclick"), 2);

    // A cell at home: the first click sounds but selects nothing, a second
    // click on it does nothing at all.
    home->SetProperty("state", Variant(1));
    ClickCell(1, 1);
    EXPECT_FALSE(Mosaic().GetSelectedCell());
    EXPECT_EQ(CountJournal("sound sound_buttonclick"), 3);
    ClickCell(0, 0);
    ClickCell(1, 1);
    EXPECT_EQ(Mosaic().GetSelectedCell(), a);
    EXPECT_EQ(CountJournal("sound sound_buttonclick"), 4);

    ClickCell(0, 1);
    EXPECT_FALSE(Mosaic().GetSelectedCell());
    EXPECT_FALSE(HasMarker(a));
    EXPECT_EQ(CountJournal("sound sound_buttonclick"), 5);
    const Ref<IWidget> exchange =
        MosaicWidget("move_group/scenario_group/exchange_cell_0_0_cell_0_1");
    ASSERT_TRUE(exchange);
    EXPECT_EQ(exchange->GetProperty("cell1"), Variant("cell_0_0"));
    EXPECT_EQ(exchange->GetProperty("cell2"), Variant("cell_0_1"));
    // Cells in an exchange take no part in clicks.
    game.Step(1, 10);
    EXPECT_EQ(StateOf(b), Variant(2));
    ClickCell(0, 1);
    EXPECT_FALSE(Mosaic().GetSelectedCell());
}

TEST_F(MosaicBoard, PressesOfEveryButtonCountButDoubleClicksAndReleasesDoNot) {
    StartBoard();
    ShowAndOpen();
    const TPoint p = Center(1, 0);
    const struct {
        int32_t code;
        bool selects;
    } cases[] = {{kMouseLeftDown, true},    {kMouseMiddleDown, true},    {kMouseRightDown, true},
                 {kMouseLeftDouble, false}, {kMouseMiddleDouble, false}, {kMouseRightDouble, false},
                 {kMouseLeftUp, false},     {kMouseMove, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        Mosaic().DeselectCell();
        Mosaic().MouseEvent(c.code, p.x, p.y, 0);
        EXPECT_EQ(Mosaic().GetSelectedCell(), c.selects ? CellAt(1, 0) : nullptr);
    }
    // The right button through the platform too.
    Mosaic().DeselectCell();
    ClickCell(1, 0, SDL_BUTTON_RIGHT);
    EXPECT_EQ(Mosaic().GetSelectedCell(), CellAt(1, 0));
}

TEST_F(MosaicBoard, TheBoardOpensWhenTheOpeningReportsWhereverTheMapSnapshotIs) {
    // The snapshot inside the move group: the scroll scenario finds nothing
    // and never reports; the opening scenario's report opens the board.
    TWindowOptions snapshotInMoveGroup;
    snapshotInMoveGroup.mapSurfaceInMoveGroup = true;
    TGameHarness& game = StartBoard(snapshotInMoveGroup);
    ShowMosaic();
    game.Step(50, 20);
    EXPECT_EQ(Mosaic().GetBoardState(), mbs_Opening);
    game.Step(20, 20);
    EXPECT_EQ(Mosaic().GetBoardState(), mbs_Playing);
    EXPECT_EQ(game.StackNames(), "GS_Below GS_GameBigMosaic");
    ClickCell(0, 0);
    EXPECT_EQ(Mosaic().GetSelectedCell(), CellAt(0, 0));

    // Without an opening scenario the board takes clicks at once.
    TWindowOptions noOpening;
    noOpening.openingDuration = "";
    noOpening.scroll = false;
    StartBoard(noOpening);
    ShowMosaic();
    EXPECT_EQ(Mosaic().GetBoardState(), mbs_Playing);
}

// ---------------------------------------------------------------------------
// Showing

TEST_F(MosaicBoard, ShowingPreparesTheMapSnapshotTheTipAndTheButtons) {
    for (const bool inMoveGroup : {true, false}) {
        SCOPED_TRACE(inMoveGroup ? "in move_group" : "at the root");
        TWindowOptions o;
        o.mapSurfaceInMoveGroup = inMoveGroup;
        StartBoard(o);
        const std::string prefix = inMoveGroup ? "move_group/" : "";
        const Ref<ISurface> snapshot = MakeRef<TSurface>();
        Ref<IParamCollection> params =
            Params({{"active_map_part", "japan"}, {"show_scroll", "yes"}});
        params->SetValue("surface", Variant(Ref<IInterface>(snapshot)));
        ASSERT_TRUE(Game().ShowGameScreen("GS_GameBigMosaic", params));

        const Ref<IWidget> surface = MosaicWidget(prefix + "map_surface");
        EXPECT_TRUE(surface->GetVisible());
        EXPECT_EQ(surface->GetTop(), 0.0);
        EXPECT_EQ(surface->GetProperty("shifttop"), Variant(0));
        EXPECT_EQ(surface->GetHeight(), 768);
        EXPECT_EQ(surface->GetProperty("surface").ToInterface().get(),
                  Ref<IInterface>(snapshot).get());
        EXPECT_EQ(MosaicWidget(prefix + "scroll")->GetTop(), -57.0);
        EXPECT_EQ(MosaicWidget("move_group")->GetLeft(), 0.0);
        EXPECT_FALSE(MosaicWidget("button_skip")->GetEnabled());
        EXPECT_TRUE(MosaicWidget("game_tip")->GetVisible());
        EXPECT_EQ(MosaicWidget("game_tip")->GetTop(), -100.0);
        EXPECT_EQ(Mosaic().GetMapPart(), "japan");

        // Without "show_scroll" the snapshot is hidden.
        Game().CloseGameScreen(harness->Screen("GS_GameBigMosaic"), nullptr);
        harness->Step(1);
        ASSERT_TRUE(
            Game().ShowGameScreen("GS_GameBigMosaic", Params({{"active_map_part", "japan"}})));
        EXPECT_FALSE(surface->GetVisible());
    }
}

// ---------------------------------------------------------------------------
// The end of the level

TEST_F(MosaicBoard, TheLastExchangeEndsTheLevelAndTheStatisticsLeadBackWithTheResult) {
    TGameHarness& game = StartBoard();
    Game().SetOptionValue("mosaic_level_paramsjapan",
                          Variant("\\rows=1\\cols=2\\level_tips=Corners first"));
    ShowAndOpen();
    const Ref<IWidget> a = CellAt(0, 0), b = CellAt(0, 1);
    ClickCell(0, 0);
    ClickCell(0, 1);
    int frames = 0;
    while (!(StateOf(a) == Variant(1) && StateOf(b) == Variant(1)) && frames < 200) {
        EXPECT_FALSE(Mosaic().GetLevelEnded());
        EXPECT_FALSE(MosaicWidget("button_close")->GetVisible());
        game.Step(1, 10);
        ++frames;
    }
    // Ended within the frame that brought the last piece home.
    EXPECT_TRUE(Mosaic().GetLevelEnded());
    EXPECT_EQ(CountJournal("sound sound_level_completed"), 1);
    EXPECT_EQ(CountJournal("sound sound_correct_click"), 1);
    EXPECT_TRUE(MosaicWidget("button_close")->GetVisible());
    EXPECT_TRUE(MosaicWidget("timer")->GetPaused());
    game.Step(10, 10);
    EXPECT_EQ(CountJournal("sound sound_level_completed"), 1);

    // Close: the closing scenario runs, then the statistics show the tips.
    game.Click(920, 710);
    EXPECT_FALSE(MosaicWidget("button_close")->GetVisible());
    EXPECT_TRUE(MosaicWidget("move_group/scenario_group/scenario_end_level"));
    for (int i = 0; i < 100 && game.StackNames() == "GS_Below GS_GameBigMosaic"; ++i) {
        game.Step(1, 10);
    }
    EXPECT_EQ(game.StackNames(), "GS_Below GS_GameBigMosaic GS_StatBigMosaic");
    EXPECT_TRUE(JournalHas("show GS_StatBigMosaic level_tips=Corners first"));

    Game().CloseGameScreen(game.Screen("GS_StatBigMosaic"), nullptr);
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Below");
    EXPECT_TRUE(
        JournalHas("closed GS_Below GS_GameBigMosaic active_map_part=japan,level_completed=yes"));
    EXPECT_EQ(Cells()->GetCount(), 0);
    EXPECT_EQ(MosaicWidget("move_group/scenario_group")->GetChildren()->GetCount(), 0);

    // A new showing builds a new board.
    ShowMosaic();
    EXPECT_FALSE(Mosaic().GetLevelEnded());
    EXPECT_EQ(Mosaic().GetBoardState(), mbs_Opening);
    EXPECT_EQ(StateOf(CellAt(0, 0)), Variant(0));
}

TEST_F(MosaicBoard, AWholeLevelPlayedByClicksEndsWithTheResultForTheScreenBelow) {
    TGameHarness& game = StartBoard({}, true);
    RandomSeed(7);
    ShowAndOpen();
    // Each click pair brings at least one piece home: a cell holding a
    // foreign piece is exchanged with the cell that holds the piece it
    // lacks.
    for (int moves = 0; moves < 8 && !Mosaic().GetLevelEnded(); ++moves) {
        for (int row = 0; row < 2; ++row) {
            for (int col = 0; col < 2; ++col) {
                const Ref<IWidget> piece = CellAt(row, col)->FindWidget("picture");
                const int pieceRow = piece->GetProperty("row").ToInt();
                const int pieceCol = piece->GetProperty("col").ToInt();
                if (pieceRow == row && pieceCol == col) continue;
                ClickCell(row, col);
                ClickCell(pieceRow, pieceCol);
                // The exchange takes its cells at its first step.
                game.Step(1, 20);
                EXPECT_EQ(StateOf(CellAt(row, col)), Variant(2));
                while (StateOf(CellAt(row, col)) == Variant(2)) game.Step(1, 20);
            }
        }
        game.Step(1, 20);
    }
    ASSERT_TRUE(Mosaic().GetLevelEnded());
    game.ClickAt("button_close");
    for (int i = 0; i < 100 && game.StackNames() == "GS_Below GS_GameBigMosaic"; ++i) {
        game.Step(1, 20);
    }
    ASSERT_EQ(game.StackNames(), "GS_Below GS_GameBigMosaic GS_StatBigMosaic");
    EXPECT_EQ(game.Find("levelTips")->GetProperty("text"), Variant("Corners first"));
    game.ClickAt("button_ok");
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Below");
    EXPECT_TRUE(
        JournalHas("closed GS_Below GS_GameBigMosaic active_map_part=japan,level_completed=yes"));
}

TEST_F(MosaicBoard, TheSkipButtonStartsTheClosingToo) {
    TGameHarness& game = StartBoard();
    ShowAndOpen();
    Query<IEventHandler>(game.Screen("GS_GameBigMosaic"))
        ->HandleEvent(MosaicWidget("button_skip"), 1, nullptr);
    EXPECT_TRUE(MosaicWidget("move_group/scenario_group/scenario_end_level"));
    game.Step(50, 10);
    EXPECT_EQ(game.StackNames(), "GS_Below GS_GameBigMosaic GS_StatBigMosaic");
}

// ---------------------------------------------------------------------------
// The pause menu

TEST_F(MosaicBoard, ThePauseMenusAnswerOpensTheRulesOrTheOptions) {
    TGameHarness& game = StartBoard();
    ShowAndOpen();
    const struct {
        const char* button;  // null: the menu closed without results
        std::string stack;
    } cases[] = {
        {"button_rules", "GS_Below GS_GameBigMosaic GS_HelpMosaic"},
        {"button_options", "GS_Below GS_GameBigMosaic GS_Options"},
        {"button_unpause", "GS_Below GS_GameBigMosaic"},
        {nullptr, "GS_Below GS_GameBigMosaic"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button ? c.button : "(none)");
        game.Click(870, 710);
        ASSERT_EQ(game.StackNames(), "GS_Below GS_GameBigMosaic GS_MiniMenuBrief");
        Game().CloseGameScreen(game.Screen("GS_MiniMenuBrief"),
                               c.button ? Results("Button", c.button) : nullptr);
        game.Step(1);
        EXPECT_EQ(game.StackNames(), c.stack);
        if (game.Top() != game.Screen("GS_GameBigMosaic")) {
            Game().CloseGameScreen(game.Top(), nullptr);
            game.Step(1);
        }
    }
}

TEST_F(MosaicBoard, LosingTheApplicationsFocusWhileShownOpensThePauseMenu) {
    TGameHarness& game = StartBoard();
    ShowAndOpen();
    Mosaic().SetActive(true);
    EXPECT_EQ(game.StackNames(), "GS_Below GS_GameBigMosaic");
    Mosaic().SetActive(false);
    EXPECT_EQ(game.StackNames(), "GS_Below GS_GameBigMosaic GS_MiniMenuBrief");
    // Below the menu the mosaic is not shown: nothing more opens.
    Mosaic().SetActive(false);
    EXPECT_EQ(game.StackNames(), "GS_Below GS_GameBigMosaic GS_MiniMenuBrief");
}

}  // namespace
