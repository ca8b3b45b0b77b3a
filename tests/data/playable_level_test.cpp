// A level played on the game as built: the built definition (enciphered, as
// the program reads it) and the built data folder under the screen harness,
// from the logo to the main screen, a level button, the level won by clicks
// on its cells and tools, its results, and back to the main screen; and a
// level lost by wrong cells and played again from the failure screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "engine/EngineStartup.h"
#include "game/GameConfig.h"
#include "nonogram/ControlGameNonogram.h"
#include "tests/support/GameHarness.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// The first level, a paper lantern (data/levels/japan/1.xml); the second, a
// torii gate, has "errors=3".
const std::vector<std::string> kLantern = {"01110", "11111", "01110", "00100", "01110"};

class PlayableLevel : public ::testing::Test {
protected:
    void SetUp() override {
        ApplyQuillmarchConfiguration();
        game_ = std::make_unique<TGameHarness>(1024, 768);
        fs::copy(QM_BUILT_DATA_DIR, game_->Folder().Path(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        ClearStorageCache();
        // The definition as built, enciphered: the engine reads it with the
        // game's data-file key, as the program does.
        ASSERT_TRUE(game_->Start(ReadFileBytes(game_->Folder().File("data/ini/Quillmarch.ini"))));
        // The logo's sequence, the splash's loading, then the main screen.
        for (int i = 0; i < 1000 && !OnTop("GS_MainMenu"); ++i) game_->Step(1, 20);
        ASSERT_EQ(game_->StackNames(), "GS_MainMenu");
    }
    void TearDown() override {
        // The data names nothing the program cannot find or take.
        if (game_) {
            std::string lines;
            for (const std::string& line : game_->Log().Lines()) lines += line + "\n";
            EXPECT_EQ(lines, "");
        }
        game_.reset();
        ResetGameShellConfiguration();
        SetGameDefinitionPath(kDefaultGameDefinitionPath);
        SetDataFileKey("");
        SetProductName(kDefaultProductName);
        SetGameVersion("");
        ClearStorageCache();
    }

    bool OnTop(const std::string& name) const {
        const Ref<IGameScreenSlave> top = game_->Top();
        return top && top->GetName() == name;
    }
    TQuillmarchControlGameNonogram* Board() const {
        return dynamic_cast<TQuillmarchControlGameNonogram*>(
            game_->Find("control_game_nonogram").get());
    }
    // Frames of 20 ms until ready() holds, at most 10 s of the game's clock.
    template <class F>
    bool RunUntil(F ready) {
        for (int i = 0; i < 500 && !ready(); ++i) game_->Step(1, 20);
        return ready();
    }
    // The level button, then the start scenario until the board plays.
    void StartLevel(const char* button) {
        game_->ClickAt(button);
        game_->Step(1);
        ASSERT_EQ(game_->StackNames(), "GS_MainMenu GS_GameNonogram");
        ASSERT_NE(Board(), nullptr);
        ASSERT_TRUE(RunUntil([&] { return Board()->GetGameMode() == 2; }));
        // The panel has slid in: the tools can be reached.
        EXPECT_LT(game_->Find("control_game_nonogram/image_hammer")->GetLeft(), 1024.0);
    }
    // The centre of a cell, where the data's grid puts it.
    void ClickCell(size_t row, size_t col) {
        const Ref<IWidget> cell = game_->Find("control_game_nonogram/grid/cells/cell" +
                                              std::to_string(row) + "_" + std::to_string(col));
        ASSERT_TRUE(cell) << row << " " << col;
        game_->ClickAt("control_game_nonogram/grid/cells/cell" + std::to_string(row) + "_" +
                       std::to_string(col));
    }
    // Every cell of the picture whose code is `code`, with the tool chosen first.
    void ClickAll(const std::vector<std::string>& picture, char code, const char* tool) {
        game_->ClickAt(tool);
        for (size_t r = 0; r < picture.size(); ++r) {
            for (size_t c = 0; c < picture[r].size(); ++c) {
                if (picture[r][c] == code) ClickCell(r, c);
            }
        }
    }
    std::string State(size_t row, size_t col) const {
        return game_
            ->Find("control_game_nonogram/grid/cells/cell" + std::to_string(row) + "_" +
                   std::to_string(col))
            ->GetProperty("state")
            .ToString();
    }

    std::unique_ptr<TGameHarness> game_;
};

TEST_F(PlayableLevel, TheFirstLevelIsWonFromTheMainScreenAndLeadsBackToIt) {
    StartLevel("button_level_1");
    EXPECT_EQ(Board()->Rules().UnresolvedLeft(), 25);

    ClickAll(kLantern, '1', "control_game_nonogram/image_select");
    ClickAll(kLantern, '0', "control_game_nonogram/image_hammer");
    EXPECT_EQ(Board()->Rules().UnresolvedLeft(), 0);
    EXPECT_EQ(Board()->GetCounter(kCounterErrorsMade), 0);
    EXPECT_EQ(State(0, 1), "full");
    EXPECT_EQ(State(0, 0), "empty");

    // The final picture, then its close button, then the results.
    ASSERT_TRUE(RunUntil([&] { return game_->Find("button_close")->GetVisible(); }));
    game_->ClickAt("button_close");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_StatNonogramWithTips"); }));
    game_->ClickAt("button_ok");
    game_->Step(2);
    EXPECT_EQ(game_->StackNames(), "GS_MainMenu");
}

TEST_F(PlayableLevel, TheSecondLevelIsLostByWrongCellsAndPlayedAgainFromTheFailureScreen) {
    StartLevel("button_level_2");
    ASSERT_TRUE(game_->Find("control_game_nonogram/errors"));
    // The arrow on empty cells: the level allows three errors, the fourth
    // ends it.
    const std::vector<std::pair<size_t, size_t>> empty = {{1, 0}, {1, 2}, {1, 4}, {3, 0}};
    game_->ClickAt("control_game_nonogram/image_select");
    for (const auto& [row, col] : empty) {
        EXPECT_EQ(Board()->GetGameMode(), 2);
        ClickCell(row, col);
    }
    EXPECT_EQ(Board()->GetGameMode(), 0);
    EXPECT_EQ(Board()->GetCounter(kCounterErrorsMade), 4);
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_FailedNonogram"); }));
    game_->ClickAt("button_restart");
    game_->Step(1);
    ASSERT_EQ(game_->StackNames(), "GS_MainMenu GS_GameNonogram");
    EXPECT_EQ(Board()->GetCounter(kCounterErrorsMade), 0);
    ASSERT_TRUE(RunUntil([&] { return Board()->GetGameMode() == 2; }));
    EXPECT_EQ(State(0, 0), "closed");
}

}  // namespace
