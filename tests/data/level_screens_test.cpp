// The level's screens as built, under the screen harness: a 20 x 20 level
// played by clicks on its cells and tools to its results and back, with the
// hover cross and the crossed clues the player sees; and the tutorial run
// through every step by clicks until the profile records it. Each test keeps
// a picture of what the player saw in test-artifacts/level of the build
// folder, and the engine logs nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/lang/MultiLanguages.h"
#include "core/storage/XMLStorage.h"
#include "engine/EngineStartup.h"
#include "game/GameConfig.h"
#include "nonogram/ControlGameNonogram.h"
#include "nonogram/LevelDefs.h"
#include "nonogram/TutorialControl.h"
#include "tests/data/BuiltGame.h"
#include "tests/data/BuiltGameTest.h"
#include "tests/support/GameHarness.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// A 20 x 20 picture in all five colours: a sun (4) over hills (3), a red
// roof (2) on an ink house (1), a teal pond (5).
const std::vector<std::string> kLandscape = {
    "00000000000000000000", "00000000000000044400", "00000000000000444440",
    "00000000000000444440", "00000000000000444440", "00000000000000044400",
    "00000000200000000000", "00000002220000000000", "00000022222000000000",
    "00000222222200000000", "00000011111000000000", "00000011011000000000",
    "00000011011000003300", "33300011111000033330", "33333333333333333333",
    "33333333333333333333", "33335555333333333333", "33355555533333333333",
    "33335555333333333333", "33333333333333333333"};

class LevelScreens : public TBuiltGameTest {
protected:
    LevelScreens() : TBuiltGameTest("Tester") {}

    std::string ProfileValue(const char* name) const {
        return Profile()->GetValue(name, Variant("")).ToString();
    }

    // The back buffer as the player saw it, kept as a PNG.
    void Shot(const std::string& name) {
        const std::filesystem::path file = std::filesystem::path(QM_ARTIFACTS_DIR) / "level" / (name + ".png");
        EXPECT_TRUE(WriteFramePng(*game_, file)) << file;
    }

};

// --- A big level

class BigLevel : public LevelScreens {
protected:
    // The picture as a level file of the data folder, in a catalogue of its
    // own under the key "test_big" and the location's name (the results'
    // miniature shows the location's entry).
    void PublishLevel(const std::vector<std::string>& picture = kLandscape, int cupTime = 900,
                      int errors = 3) {
        std::string xml = "<level name=\"4\" LevelName=\"Landscape\" extraparams=\"rows=" +
                          std::to_string(picture.size()) + "\\cols=" +
                          std::to_string(picture[0].size()) +
                          "\\errors=" + std::to_string(errors) +
                          "\\hints=3\\cup_time=" + std::to_string(cupTime) +
                          "\"><rows>";
        for (size_t i = 0; i < picture.size(); ++i) {
            xml += "<row name=\"r" + std::to_string(i) + "\" cells=\"" + picture[i] + "\"/>";
        }
        game_->Folder().Write("data/levels/test/big.xml", xml + "</rows></level>");
        std::string entries;
        for (const char* key : {"test_big", "japan"}) {
            entries += std::string("<level level=\"") + key +
                       "\"><properties><param name=\"filename\" value=\"data/levels/test/big.xml\"/>"
                       "<param name=\"level_points\" value=\"300\"/>"
                       "<param name=\"level_time_bonus\" value=\"100\"/>"
                       "<param name=\"level_hint_bonus\" value=\"50\"/>"
                       "<param name=\"level_mistake_bonus\" value=\"50\"/>"
                       "</properties></level>";
        }
        const Ref<TAbstractObject> catalogue =
            CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>());
        ASSERT_TRUE(LoadPersistObject(Ref<IInterface>(catalogue),
                                      LoadStorageFromXML("<levels>" + entries + "</levels>")));
        game_->Game()->SetOptionValue("level_def_refs", Variant(Ref<IInterface>(catalogue)));
    }
    TQuillmarchControlGameNonogram* Board() const {
        return dynamic_cast<TQuillmarchControlGameNonogram*>(
            game_->Find("control_game_nonogram").get());
    }
    static std::string CellPath(size_t row, size_t col) {
        return "control_game_nonogram/grid/cells/cell" + std::to_string(row) + "_" +
               std::to_string(col);
    }
    Ref<IWidget> Cell(size_t row, size_t col) const { return game_->Find(CellPath(row, col)); }
    // The level shown as the scene shows it, played once its start is over.
    void Start() {
        const Ref<IParamCollection> show =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        show->SetValue("level_ref", Variant("test_big"));
        show->SetValue("active_map_part", Variant("japan"));
        ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_GameNonogram", show));
        game_->Step(1);
        ASSERT_TRUE(OnTop("GS_GameNonogram"));
        ASSERT_NE(Board(), nullptr);
    }
    // The board and its clues inside the screen, left of the panel and
    // below the title.
    void ExpectBoardFits(size_t rows, size_t cols) {
        const Ref<IWidget> last = Cell(rows - 1, cols - 1);
        ASSERT_TRUE(Cell(0, 0) && last);
        const double panelLeft = game_->Find("control_game_nonogram/nonogram_panel")->GetLeft();
        EXPECT_LT(last->GetLeft() + last->GetWidth(), panelLeft);
        EXPECT_LE(last->GetTop() + last->GetHeight(), 768);
        const Ref<IWidget> digits = game_->Find("control_game_nonogram/grid/digits");
        for (int32_t i = 0; i < digits->GetChildren()->GetCount(); ++i) {
            const Ref<IWidget> digit = digits->GetChildren()->GetWidgetByIndex(i);
            EXPECT_GE(digit->GetLeft(), 0) << digit->GetName();
            EXPECT_GE(digit->GetTop(), 64) << digit->GetName();
        }
    }
};

// A picture of a size whose clues are as many as its lines allow: every
// other cell full.
std::vector<std::string> Chequered(size_t side) {
    std::vector<std::string> rows(side, std::string(side, '0'));
    for (size_t r = 0; r < side; ++r) {
        for (size_t c = 0; c < side; ++c) {
            if ((r + c) % 2 == 0) rows[r][c] = char('1' + (r / 3 + c / 3) % 5);
        }
    }
    return rows;
}

// One board size a test: each starts its level through the whole opening.
class BoardSize : public BigLevel, public ::testing::WithParamInterface<size_t> {};

TEST_P(BoardSize, FitsBesideThePanelAndIsLeftThroughTheMenu) {
    const size_t side = GetParam();
    PublishLevel(Chequered(side));
    Start();
    ASSERT_TRUE(RunUntil([&] { return Board()->GetGameMode() == 2; }));
    EXPECT_EQ(Board()->Rules().UnresolvedLeft(), int32_t(side * side));
    ExpectBoardFits(side, side);
    Shot("level-" + std::to_string(side) + "x" + std::to_string(side) + "-chequered");
    // Back to the main screen through the menu and its query.
    game_->ClickAt("control_game_nonogram/button_menu");
    game_->Step(2);
    ASSERT_TRUE(OnTop("GS_MiniMenu"));
    if (side == 5) Shot("level-menu");
    game_->ClickAt("buttons/button_main_menu");
    game_->Step(2);
    ASSERT_TRUE(OnTop("GS_QueryMainMenu"));
    game_->ClickAt("button_yes");
    game_->Step(2);
    EXPECT_EQ(game_->StackNames(), "GS_Main");
}

INSTANTIATE_TEST_SUITE_P(LevelScreens, BoardSize, ::testing::Values(5u, 10u, 15u, 20u));

TEST_F(BigLevel, IsPlayedByClicksToItsResultsAndBack) {
    PublishLevel();
    Start();
    // The level's name is revealed while the cells appear.
    ASSERT_TRUE(RunUntil([&] {
        return game_->Find("control_game_nonogram/scenario_group/scenario_start_level/"
                           "text_visualization") != nullptr;
    }));
    game_->Step(30, 20);
    Shot("level-20x20-start");
    ASSERT_TRUE(RunUntil([&] { return Board()->GetGameMode() == 2; }));
    EXPECT_EQ(Board()->Rules().UnresolvedLeft(), 400);
    EXPECT_EQ(game_->Find("control_game_nonogram/title")->GetProperty("text_utf8").ToString(), "Japan");
    EXPECT_EQ(game_->Find("control_game_nonogram/timer/caption")->GetProperty("text_utf8").ToString(), "Time");
    // Three hints allowed: three lamps.
    for (const char* lamp : {"hint_buttons/hint_1", "hint_buttons/hint_2", "hint_buttons/hint_3"})
        EXPECT_TRUE(game_->Find(lamp)->GetVisible()) << lamp;

    ExpectBoardFits(20, 20);

    // The pointer over a cell lights its row and column.
    const TPoint over = game_->CenterOf(CellPath(7, 12));
    game_->MouseMove(over.x, over.y);
    game_->Step(2);
    EXPECT_TRUE(game_->Find(CellPath(7, 0) + "/closed/lit")->GetVisible());
    EXPECT_TRUE(game_->Find(CellPath(19, 12) + "/closed/lit")->GetVisible());
    EXPECT_FALSE(game_->Find(CellPath(8, 0) + "/closed/lit")->GetVisible());
    EXPECT_TRUE(game_->Find("control_game_nonogram/grid/digits/digitl7_6/digit_on")->GetVisible());

    // Every picture cell with the arrow, then every other one with the hammer.
    game_->ClickAt("control_game_nonogram/image_select");
    for (size_t r = 0; r < kLandscape.size(); ++r) {
        for (size_t c = 0; c < kLandscape[r].size(); ++c) {
            if (kLandscape[r][c] != '0') game_->ClickAt(CellPath(r, c));
        }
    }
    EXPECT_EQ(Board()->Rules().FullLeft(), 0);
    game_->ClickAt("control_game_nonogram/image_hammer");
    // Row 13's first run (columns 0 to 2) closed off by a broken cell: its
    // clue is struck through while the row goes on.
    const std::string firstClue = "control_game_nonogram/grid/digits/digitl13_0/cross";
    EXPECT_FALSE(game_->Find(firstClue)->GetVisible());
    game_->ClickAt(CellPath(13, 3));
    game_->Step(1);
    EXPECT_TRUE(game_->Find(firstClue)->GetVisible());
    Shot("level-20x20-playing");
    for (size_t r = 0; r < kLandscape.size(); ++r) {
        for (size_t c = 0; c < kLandscape[r].size(); ++c) {
            if (kLandscape[r][c] == '0' && Cell(r, c)->GetProperty("state").ToString() == "closed")
                game_->ClickAt(CellPath(r, c));
        }
    }
    EXPECT_EQ(Board()->Rules().UnresolvedLeft(), 0);
    EXPECT_EQ(Board()->GetCounter(kCounterErrorsMade), 0);
    EXPECT_EQ(Cell(16, 5)->GetProperty("state").ToString(), "full");
    EXPECT_EQ(Cell(0, 0)->GetProperty("state").ToString(), "empty");

    // The finished picture, its continue button, then the results.
    ASSERT_TRUE(RunUntil([&] { return game_->Find("button_close")->GetVisible(); }));
    game_->Step(20, 20);
    Shot("level-20x20-solved");
    game_->ClickAt("button_close");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_StatNonogramWithTips"); }));
    // Each line appears with a burst of sparks.
    ASSERT_TRUE(RunUntil([&] { return game_->Find("ps_statlevel")->GetProperty("count").ToInt() > 0; }));
    game_->Step(6, 20);
    // Round the line that burst, not at the system's corner.
    const TRect sparks = game_->Find("ps_statlevel")->GetBounds();
    EXPECT_GT(sparks.left, 300);
    EXPECT_GT(sparks.top, 60);
    Shot("level-20x20-results-sparks");
    ASSERT_TRUE(RunUntil([&] { return game_->Find("crystal_total")->GetVisible(); }));
    // No error and no hint: both medals and their bonuses.
    EXPECT_TRUE(game_->Find("award_error")->GetVisible());
    EXPECT_TRUE(game_->Find("award_hint")->GetVisible());
    EXPECT_EQ(game_->Find("label_BonusMistake")->GetProperty("text").ToString(), "+50");
    EXPECT_EQ(game_->Find("levelErrors")->GetProperty("text").ToString(), "0");
    // The location's miniature: its frame and a square a cell.
    EXPECT_EQ(game_->Find("grid")->GetChildren()->GetCount(), 401);
    // Then a tip.
    ASSERT_TRUE(RunUntil([&] { return game_->Find("levelTips")->GetVisible(); }));
    EXPECT_GT(game_->Find("levelTips")->GetProperty("text_utf8").ToString().size(), 20u);
    game_->Step(5, 20);
    Shot("level-20x20-results");
    game_->ClickAt("button_ok");
    game_->Step(2);
    EXPECT_EQ(game_->StackNames(), "GS_Main");
    EXPECT_EQ(ProfileValue("error_medals"), "1");
}

// A level restarted through the menu looks and runs as a fresh one: the
// expert mark that had faded is back whole, and fades again only once the
// new attempt is past the expert time.
TEST_F(BigLevel, ARestartThroughTheMenuBringsTheExpertMarkBack) {
    PublishLevel(Chequered(5), 1);
    Start();
    ASSERT_TRUE(RunUntil([&] { return Board()->GetGameMode() == 2; }));
    const Ref<IWidget> expert = game_->Find("control_game_nonogram/timer/expert");
    EXPECT_EQ(int(expert->GetTransparentLevel()), 255);
    ASSERT_TRUE(RunUntil([&] { return int(expert->GetTransparentLevel()) == 0; }));

    game_->ClickAt("control_game_nonogram/button_menu");
    game_->Step(2);
    ASSERT_TRUE(OnTop("GS_MiniMenu"));
    game_->ClickAt("buttons/button_restart");
    game_->Step(2);
    ASSERT_TRUE(OnTop("GS_QueryRestart"));
    game_->ClickAt("button_yes");
    game_->Step(2);
    ASSERT_TRUE(OnTop("GS_GameNonogram"));
    EXPECT_EQ(Board()->GetGameMode(), 1);
    ASSERT_TRUE(RunUntil([&] { return Board()->GetGameMode() == 2; }));
    EXPECT_LT(Board()->GetCounter(kCounterElapsedMs), 1000);
    EXPECT_TRUE(expert->GetVisible());
    EXPECT_TRUE(expert->GetPaused());
    EXPECT_EQ(int(expert->GetTransparentLevel()), 255);
    Shot("level-restarted");
    // Still whole until the second is over, then faded as in the first attempt.
    game_->Step(10, 20);
    EXPECT_EQ(int(expert->GetTransparentLevel()), 255);
    ASSERT_TRUE(RunUntil([&] { return Board()->GetCounter(kCounterElapsedMs) > 1000; }));
    game_->Step(100, 20);
    EXPECT_EQ(int(expert->GetTransparentLevel()), 0);
}

TEST_F(BigLevel, AHintThenTooManyErrorsLoseTheLevel) {
    const std::vector<std::string> picture = Chequered(10);
    PublishLevel(picture, 1);
    Start();
    ASSERT_TRUE(RunUntil([&] { return Board()->GetGameMode() == 2; }));
    // The expert mark fades once the second of expert time is over.
    const Ref<IWidget> expert = game_->Find("control_game_nonogram/timer/expert");
    EXPECT_EQ(expert->GetTransparentLevel(), 255);
    game_->Step(100, 20);
    EXPECT_EQ(expert->GetTransparentLevel(), 0);
    const auto cursor = [&] { return game_->Game()->GetCursors()->GetCurrentCursor()->GetName(); };

    // A lamp, then a cell: the cell is settled without an error, the lamp goes.
    game_->ClickAt("hint_buttons/hint_1");
    EXPECT_EQ(cursor(), "hint");
    game_->ClickAt(CellPath(0, 1));
    game_->Step(1);
    EXPECT_EQ(Cell(0, 1)->GetProperty("state").ToString(), "empty");
    EXPECT_FALSE(game_->Find("hint_buttons/hint_1")->GetVisible());
    EXPECT_EQ(cursor(), "arrow");
    EXPECT_EQ(Board()->GetCounter(kCounterErrorsMade), 0);

    // The arrow on empty cells: the first error brings its help once, the
    // fourth loses the level (three are allowed).
    game_->ClickAt("control_game_nonogram/image_select");
    game_->ClickAt(CellPath(0, 3));
    game_->Step(2);
    ASSERT_TRUE(OnTop("GS_HintError"));
    game_->Step(5, 20);
    Shot("level-help-error");
    game_->ClickAt("button_ok");
    game_->Step(2);
    ASSERT_TRUE(OnTop("GS_GameNonogram"));
    for (const size_t col : {5u, 7u, 9u}) game_->ClickAt(CellPath(0, col));
    EXPECT_EQ(Board()->GetCounter(kCounterErrorsMade), 4);
    EXPECT_EQ(game_->Find("control_game_nonogram/errors")->GetProperty("value").ToInt(), 4);
    // The cells fall away, then the failure screen.
    game_->Step(15, 20);
    Shot("level-failing");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_FailedNonogram"); }));
    game_->Step(5, 20);
    Shot("level-failed");
    game_->ClickAt("button_map");
    game_->Step(2);
    EXPECT_EQ(game_->StackNames(), "GS_Main");
    EXPECT_EQ(ProfileValue("show_hint_error"), "yes");
}

// The help on the first error says how many more the picture allows, from
// the level's own limit: exactly that many more leave the level in play, and
// the one after them loses it.
TEST_F(BigLevel, TheFirstErrorsHelpSaysHowManyErrorsAreLeft) {
    const std::vector<std::string> picture = Chequered(10);
    // The empty cells of row 0, one an error.
    std::vector<size_t> empty;
    for (size_t c = 0; c < picture[0].size(); ++c) {
        if (picture[0][c] == '0') empty.push_back(c);
    }
    for (const int limit : {2, 4}) {
        SCOPED_TRACE(limit);
        Profile()->SetValue("show_hint_error", Variant("no"));
        PublishLevel(picture, 900, limit);
        Start();
        ASSERT_TRUE(RunUntil([&] { return Board()->GetGameMode() == 2; }));
        game_->ClickAt("control_game_nonogram/image_select");
        size_t next = 0;
        game_->ClickAt(CellPath(0, empty[next++]));
        game_->Step(2);
        ASSERT_TRUE(OnTop("GS_HintError"));
        const std::string text = game_->Find("label_message")->GetProperty("text_utf8").ToString();
        if (limit == 4) Shot("level-help-error-left");
        // "... allows N errors; you may still make M, and one more after them ..."
        const size_t allows = text.find("allows ");
        const size_t make = text.find("still make ");
        ASSERT_NE(allows, std::string::npos) << text;
        ASSERT_NE(make, std::string::npos) << text;
        const int allowed = std::stoi(text.substr(allows + 7));
        const int left = std::stoi(text.substr(make + 11));
        EXPECT_EQ(allowed, limit) << text;
        EXPECT_NE(text.find("one more after them loses"), std::string::npos) << text;
        game_->ClickAt("button_ok");
        game_->Step(2);
        ASSERT_TRUE(OnTop("GS_GameNonogram"));
        // As many more errors as the help said: still playing.
        for (int i = 0; i < left; ++i) {
            ASSERT_LT(next, empty.size());
            game_->ClickAt(CellPath(0, empty[next++]));
            game_->Step(1);
            EXPECT_EQ(Board()->GetGameMode(), 2) << "lost after " << i + 2 << " errors";
        }
        // One more: lost.
        ASSERT_LT(next, empty.size());
        game_->ClickAt(CellPath(0, empty[next++]));
        EXPECT_EQ(Board()->GetGameMode(), 0);
        ASSERT_TRUE(RunUntil([&] { return OnTop("GS_FailedNonogram"); }));
        game_->ClickAt("button_map");
        game_->Step(2);
        ASSERT_EQ(game_->StackNames(), "GS_Main");
    }
}

// With auto-complete on, the last picture cell breaks the rest one after
// another: the button that leaves the final picture waits for the last of
// them, and nothing of the board is left behind the results.
TEST_F(BigLevel, AutoCompletedCellsAreGoneBeforeTheResults) {
    const std::vector<std::string> picture = Chequered(10);
    Profile()->SetValue("UseAutoComplete", Variant("yes"));
    PublishLevel(picture);
    Start();
    ASSERT_TRUE(RunUntil([&] { return Board()->GetGameMode() == 2; }));
    game_->ClickAt("control_game_nonogram/image_select");
    for (size_t r = 0; r < picture.size(); ++r) {
        for (size_t c = 0; c < picture[r].size(); ++c) {
            if (picture[r][c] != '0') game_->ClickAt(CellPath(r, c));
        }
    }
    ASSERT_EQ(Board()->GetGameMode(), 0);
    // The level's own window: the results come on top of it.
    const Ref<IWindow> level = game_->Screen("GS_GameNonogram")->GetWindow();
    ASSERT_TRUE(level);
    const auto closedCells = [&] {
        int closed = 0;
        for (size_t r = 0; r < picture.size(); ++r) {
            for (size_t c = 0; c < picture[r].size(); ++c) {
                const Ref<IWidget> cell = level->FindWidget(CellPath(r, c));
                EXPECT_TRUE(cell) << r << " " << c;
                if (cell && cell->GetVisible() && cell->GetProperty("state").ToString() == "closed") ++closed;
            }
        }
        return closed;
    };
    const Ref<IWidget> close = game_->Find("button_close");
    // While cells are still breaking, there is no way on.
    game_->Step(10, 20);
    ASSERT_GT(closedCells(), 0);
    EXPECT_FALSE(close->GetVisible());
    ASSERT_TRUE(RunUntil([&] { return close->GetVisible(); }, 1000));
    EXPECT_EQ(closedCells(), 0);
    game_->ClickAt("button_close");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_StatNonogramWithTips"); }));
    game_->Step(20, 20);
    Shot("level-autocomplete-results");
    // Under the results: no closed cell, no breaking cell still drawn.
    EXPECT_EQ(closedCells(), 0);
    ASSERT_TRUE(OnTop("GS_StatNonogramWithTips"));
    const Ref<IWidget> group = level->FindWidget("control_game_nonogram/scenario_group");
    ASSERT_TRUE(group);
    for (int32_t i = 0; i < group->GetChildren()->GetCount(); ++i) {
        const Ref<IWidget> child = group->GetChildren()->GetWidgetByIndex(i);
        EXPECT_FALSE(child->GetName().rfind("breaking_", 0) == 0 && child->GetVisible()) << child->GetName();
    }
}

// Leaving a picture through the menu: the query says what becomes of it, and
// the picture opened again is as the query said.
TEST_F(BigLevel, LeavingAPictureKeepsTheQuerysPromise) {
    PublishLevel(Chequered(10));
    Start();
    ASSERT_TRUE(RunUntil([&] { return Board()->GetGameMode() == 2; }));
    game_->ClickAt("control_game_nonogram/image_select");
    game_->ClickAt(CellPath(0, 0));
    game_->ClickAt(CellPath(1, 1));
    ASSERT_EQ(Board()->Rules().UnresolvedLeft(), 98);
    game_->ClickAt("control_game_nonogram/button_menu");
    game_->Step(2);
    game_->ClickAt("buttons/button_main_menu");
    game_->Step(2);
    ASSERT_TRUE(OnTop("GS_QueryMainMenu"));
    const std::string text = game_->Find("label_message")->GetProperty("text_utf8").ToString();
    Shot("level-leave-query");
    // The picture is not kept, and the query says so.
    EXPECT_EQ(text.find("waiting"), std::string::npos) << text;
    EXPECT_NE(text.find("starts again from the beginning"), std::string::npos) << text;
    game_->ClickAt("button_yes");
    game_->Step(2);
    ASSERT_EQ(game_->StackNames(), "GS_Main");
    Start();
    ASSERT_TRUE(RunUntil([&] { return Board()->GetGameMode() == 2; }));
    EXPECT_EQ(Board()->Rules().UnresolvedLeft(), 100);
    EXPECT_EQ(Cell(0, 0)->GetProperty("state").ToString(), "closed");
    EXPECT_EQ(Cell(1, 1)->GetProperty("state").ToString(), "closed");
}

// --- The tutorial

class Tutorial : public LevelScreens {
protected:
    TQuillmarchControlTutorial* Control() const {
        return dynamic_cast<TQuillmarchControlTutorial*>(game_->Find("control_tutorial").get());
    }
    // The tutorial's pictures as the data has them: row strings by part.
    std::vector<std::string> Picture(int part) const {
        const std::string xml = ReadFileBytes(std::string(QM_BUILT_LEVELS_DIR) + "/tutorial/" +
                                              std::to_string(part) + ".xml");
        std::vector<std::string> rows;
        for (size_t at = xml.find("cells=\""); at != std::string::npos;
             at = xml.find("cells=\"", at + 1)) {
            rows.push_back(xml.substr(at + 7, xml.find('"', at + 7) - at - 7));
        }
        return rows;
    }
    std::string StateValue(int32_t state, const char* name) const {
        return game_->Find("control_tutorial/states/" + std::to_string(state))
            ->GetProperty(name)
            .ToString();
    }
};

TEST_F(Tutorial, RunsThroughEveryStepByClicksUntilThePlayerHasPassedIt) {
    const Ref<IParamCollection> show =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    show->SetValue("tutorial_part", Variant("all"));
    ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_Tutorial", show));
    game_->Step(2);
    ASSERT_TRUE(OnTop("GS_Tutorial"));
    ASSERT_NE(Control(), nullptr);
    EXPECT_EQ(game_->Find("control_tutorial/states")->GetChildren()->GetCount(), 22);

    int32_t moves = 0, pages = 0;
    std::vector<std::string> picture;
    bool wrongShown = false;
    for (int32_t guard = 0; guard < 200 && OnTop("GS_Tutorial"); ++guard) {
        const int32_t state = Control()->GetCurrentState();
        if (state == 0) picture = Picture(1);
        if (state == 12) picture = Picture(2);
        ASSERT_EQ(picture.size(), 5u);
        const std::string text =
            game_->Find("control_tutorial/states/" + std::to_string(state) + "/text")
                ->GetProperty("text_utf8")
                .ToString();
        EXPECT_GT(text.size(), 40u) << "state " << state;
        EXPECT_EQ(text.find('%'), std::string::npos) << text;
        if (state == 2 || state == 7 || state == 15) Shot("tutorial-step-" + std::to_string(state));
        if (StateValue(state, "enable_mouse") != "yes") {
            game_->ClickAt("control_tutorial/button_ok");
            game_->Step(1);
            ++pages;
            continue;
        }
        const std::string cells = StateValue(state, "cells_to_solve");
        ASSERT_FALSE(cells.empty()) << "state " << state;
        // The cells the step asks for, and whether each belongs to the picture.
        std::vector<std::pair<std::string, bool>> asked;
        for (size_t start = 0; start < cells.size();) {
            const size_t end = std::min(cells.find(',', start), cells.size());
            const std::string key = cells.substr(start, end - start);
            start = end + 1;
            const size_t row = std::stoul(key.substr(0, key.find('_')));
            const size_t col = std::stoul(key.substr(key.find('_') + 1));
            asked.emplace_back(key, picture[row][col] != '0');
        }
        if (!wrongShown && !asked.back().second) {
            // The arrow on a cell that stays empty: the note says what went
            // wrong, and the step waits.
            game_->ClickAt("control_tutorial/image_select");
            game_->ClickAt("control_tutorial/grid/cells/cell" + asked.back().first);
            game_->Step(1);
            ASSERT_TRUE(game_->Find("control_tutorial/hint")->GetVisible());
            EXPECT_EQ(Control()->GetCurrentState(), state);
            Shot("tutorial-wrong-move");
            game_->ClickAt("control_tutorial/hint/button_close_hint");
            game_->Step(1);
            EXPECT_FALSE(game_->Find("control_tutorial/hint")->GetVisible());
            wrongShown = true;
        }
        if (StateValue(state, "info_cell") == "info_drag") {
            // Steps that teach dragging: one press, dragged along the row.
            if (StateValue(state, "tools_state") == "yes") game_->ClickAt("control_tutorial/image_select");
            const auto at = [&](const std::string& key) {
                return game_->CenterOf("control_tutorial/grid/cells/cell" + key);
            };
            game_->MouseDown(at(asked.front().first).x, at(asked.front().first).y);
            for (const auto& step : asked) {
                game_->MouseMove(at(step.first).x, at(step.first).y);
                game_->Step(1);
            }
            game_->MouseUp(at(asked.back().first).x, at(asked.back().first).y);
            game_->Step(1);
            moves += int32_t(asked.size());
            EXPECT_NE(Control()->GetCurrentState(), state) << "state " << state << " was not solved by a drag";
            continue;
        }
        for (const auto& [key, full] : asked) {
            if (StateValue(state, "tools_state") == "yes") {
                game_->ClickAt(full ? "control_tutorial/image_select" : "control_tutorial/image_hammer");
            } else {
                ASSERT_TRUE(full) << "a step without tools asks to break " << key;
            }
            game_->ClickAt("control_tutorial/grid/cells/cell" + key);
            game_->Step(1);
            ++moves;
        }
        EXPECT_NE(Control()->GetCurrentState(), state) << "state " << state << " was not solved";
    }
    EXPECT_TRUE(wrongShown);
    EXPECT_GT(moves, 30);
    EXPECT_GT(pages, 8);
    EXPECT_EQ(game_->StackNames(), "GS_Main");
    EXPECT_EQ(ProfileValue("tutorial_passed"), "yes");
}

// Next on a step that asks for moves makes them for the player: each step's
// cells are then as the picture has them, and the steps that say the
// picture is finished find every cell settled.
TEST_F(Tutorial, NextOnAStepThatAsksForMovesMakesThem) {
    const Ref<IParamCollection> show =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    show->SetValue("tutorial_part", Variant("all"));
    ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_Tutorial", show));
    game_->Step(2);
    ASSERT_TRUE(OnTop("GS_Tutorial"));
    const auto cellState = [&](const std::string& key) {
        return game_->Find("control_tutorial/grid/cells/cell" + key)->GetProperty("state").ToString();
    };
    std::vector<std::string> picture;
    int32_t actionSteps = 0, finishedClaims = 0;
    for (int32_t guard = 0; guard < 100 && OnTop("GS_Tutorial"); ++guard) {
        const int32_t state = Control()->GetCurrentState();
        if (state == 0) picture = Picture(1);
        if (state == 12) picture = Picture(2);
        ASSERT_EQ(picture.size(), 5u);
        const std::string text =
            game_->Find("control_tutorial/states/" + std::to_string(state) + "/text")
                ->GetProperty("text_utf8")
                .ToString();
        // A step that speaks of the picture as finished: no cell is left.
        if (text.find("Every cell is settled") != std::string::npos ||
            text.find("The tree is done") != std::string::npos) {
            ++finishedClaims;
            for (size_t r = 0; r < 5; ++r) {
                for (size_t c = 0; c < 5; ++c) {
                    EXPECT_EQ(cellState(std::to_string(r) + "_" + std::to_string(c)),
                              picture[r][c] != '0' ? "full" : "empty")
                        << "state " << state << ": \"" << text << "\" but cell " << r << "_" << c;
                }
            }
        }
        const std::string cells = StateValue(state, "cells_to_solve");
        const bool asks = StateValue(state, "enable_mouse") == "yes" && !cells.empty();
        game_->ClickAt("control_tutorial/button_ok");
        game_->Step(1);
        if (!OnTop("GS_Tutorial")) break;
        EXPECT_EQ(Control()->GetCurrentState(), state + 1);
        if (!asks) continue;
        ++actionSteps;
        if (state == 2) Shot("tutorial-next-on-a-move");
        // Every cell the step asked for, as the picture has it.
        for (size_t start = 0; start < cells.size();) {
            const size_t end = std::min(cells.find(',', start), cells.size());
            const std::string key = cells.substr(start, end - start);
            start = end + 1;
            const size_t row = std::stoul(key.substr(0, key.find('_')));
            const size_t col = std::stoul(key.substr(key.find('_') + 1));
            EXPECT_EQ(cellState(key), picture[row][col] != '0' ? "full" : "empty")
                << "after Next on state " << state << ", cell " << key;
        }
    }
    EXPECT_GT(actionSteps, 8);
    EXPECT_EQ(finishedClaims, 2);
    EXPECT_EQ(game_->StackNames(), "GS_Main");
    EXPECT_EQ(ProfileValue("tutorial_passed"), "yes");
}

TEST_F(Tutorial, IsSkippedThroughItsQuery) {
    const Ref<IParamCollection> show =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    show->SetValue("tutorial_part", Variant("part1"));
    ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_Tutorial", show));
    game_->Step(2);
    game_->ClickAt("control_tutorial/button_skip");
    game_->Step(2);
    ASSERT_TRUE(OnTop("GS_SkipTutorial"));
    Shot("tutorial-skip");
    game_->ClickAt("button_ok");
    game_->Step(2);
    EXPECT_EQ(game_->StackNames(), "GS_Main");
    EXPECT_EQ(ProfileValue("tutorial_passed"), "yes");
}

}  // namespace
