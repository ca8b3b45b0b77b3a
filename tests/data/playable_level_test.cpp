// A level played on the game as built: the built definition (enciphered, as
// the program reads it) and the built data folder under the screen harness,
// from the logo to the main menu with a player, the level opened as a
// location's scene opens it, won by clicks on its cells and tools, its
// results, and back to the main menu; and a level lost by wrong cells and
// played again from the failure screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/persist/Params.h"
#include "core/storage/XMLStorage.h"
#include "engine/EngineStartup.h"
#include "game/GameConfig.h"
#include "nonogram/ControlGameNonogram.h"
#include "tests/data/BuiltGame.h"
#include "tests/support/GameHarness.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// A level as the data build made it: its picture's rows of colour codes
// ('0' empty) and the errors it allows.
struct TBuiltLevel {
    std::vector<std::string> rows;
    int errors = 0;
    size_t Cells() const { return rows.empty() ? 0 : rows.size() * rows.front().size(); }
};

TBuiltLevel ReadBuiltLevel(const std::string& file) {
    TBuiltLevel level;
    const Ref<IHierStorage> root = LoadStorageFromXML(ReadFileBytes(file));
    if (const Ref<IHierStorage> rows = root->FindChild("rows")) {
        for (int32_t i = 0; i < rows->GetChildCount("row"); ++i)
            level.rows.push_back(
                rows->GetChild("row", i)->GetValue("cells", Variant("")).ToString());
    }
    const std::string extra = root->GetValue("extraparams", Variant("")).ToString();
    const size_t at = extra.find("errors=");
    if (at != std::string::npos) level.errors = std::stoi(extra.substr(at + 7));
    return level;
}

class PlayableLevel : public ::testing::Test {
protected:
    void SetUp() override {
        game_ = HarnessOnBuiltData(QM_BUILT_DATA_DIR);
        // The definition as built, enciphered: the engine reads it with the
        // game's data-file key, as the program does.
        ASSERT_TRUE(StartBuiltDefinition(*game_));
        // The logo's sequence, the splash's loading, then the main menu, which
        // asks for a player first.
        for (int i = 0; i < 1000 && !OnTop("GS_NewUser"); ++i) game_->Step(1, 20);
        ASSERT_EQ(game_->StackNames(), "GS_Main GS_NewUser");
        const Ref<IUserProfileCollection> profiles = game_->Game()->GetUserProfiles();
        profiles->FindOrAdd("Ada");
        profiles->SetCurrent("Ada");
        game_->Game()->CloseGameScreen(game_->Screen("GS_NewUser"), nullptr);
        game_->Step(2);
        ASSERT_EQ(game_->StackNames(), "GS_Main");
    }
    void TearDown() override {
        EndBuiltGame(game_);
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
    // The level shown as a location's scene shows it, then the start
    // scenario until the board plays.
    void StartLevel(const char* level) {
        const Ref<IParamCollection> params =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        params->SetValue("level_ref", Variant(level));
        params->SetValue("active_map_part", Variant("japan"));
        ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_GameNonogram", params));
        game_->Step(1);
        ASSERT_EQ(game_->StackNames(), "GS_Main GS_GameNonogram");
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
    // A level as a scene opens it, read from the built data.
    TBuiltLevel Level(const char* file) const {
        return ReadBuiltLevel(game_->Folder().File(file));
    }
    // Every full cell of the picture with the arrow, or every empty one with
    // the hammer.
    void ClickAll(const std::vector<std::string>& picture, bool full, const char* tool) {
        game_->ClickAt(tool);
        for (size_t r = 0; r < picture.size(); ++r) {
            for (size_t c = 0; c < picture[r].size(); ++c) {
                if ((picture[r][c] != '0') == full) ClickCell(r, c);
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
    const TBuiltLevel level = Level("data/levels/japan/1.xml");
    ASSERT_GT(level.Cells(), 0u);
    StartLevel("japan_1");
    EXPECT_EQ(Board()->Rules().UnresolvedLeft(), static_cast<int>(level.Cells()));

    ClickAll(level.rows, true, "control_game_nonogram/image_select");
    ClickAll(level.rows, false, "control_game_nonogram/image_hammer");
    EXPECT_EQ(Board()->Rules().UnresolvedLeft(), 0);
    EXPECT_EQ(Board()->GetCounter(kCounterErrorsMade), 0);
    for (size_t r = 0; r < level.rows.size(); ++r) {
        for (size_t c = 0; c < level.rows[r].size(); ++c)
            EXPECT_EQ(State(r, c), level.rows[r][c] != '0' ? "full" : "empty") << r << " " << c;
    }

    // The final picture, then its close button, then the results.
    ASSERT_TRUE(RunUntil([&] { return game_->Find("button_close")->GetVisible(); }));
    game_->ClickAt("button_close");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_StatNonogramWithTips"); }));
    game_->ClickAt("button_ok");
    game_->Step(2);
    EXPECT_EQ(game_->StackNames(), "GS_Main");
}

TEST_F(PlayableLevel, TheSecondLevelIsLostByWrongCellsAndPlayedAgainFromTheFailureScreen) {
    const TBuiltLevel level = Level("data/levels/japan/2.xml");
    ASSERT_GT(level.errors, 0);
    // The arrow on empty cells: one more than the level allows ends it.
    std::vector<std::pair<size_t, size_t>> empty;
    for (size_t r = 0; r < level.rows.size(); ++r) {
        for (size_t c = 0; c < level.rows[r].size(); ++c) {
            if (level.rows[r][c] == '0' && empty.size() <= size_t(level.errors))
                empty.emplace_back(r, c);
        }
    }
    ASSERT_EQ(empty.size(), size_t(level.errors) + 1);
    StartLevel("japan_2");
    ASSERT_TRUE(game_->Find("control_game_nonogram/errors"));
    game_->ClickAt("control_game_nonogram/image_select");
    for (const auto& [row, col] : empty) {
        ASSERT_TRUE(OnTop("GS_GameNonogram")) << game_->StackNames();
        EXPECT_EQ(Board()->GetGameMode(), 2);
        ClickCell(row, col);
        game_->Step(2);
        // The first error brings its help, once.
        if (OnTop("GS_HintError")) {
            game_->ClickAt("button_ok");
            game_->Step(2);
        }
    }
    EXPECT_EQ(Board()->GetGameMode(), 0);
    EXPECT_EQ(Board()->GetCounter(kCounterErrorsMade), level.errors + 1);
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_FailedNonogram"); }));
    game_->ClickAt("button_restart");
    game_->Step(1);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_GameNonogram");
    EXPECT_EQ(Board()->GetCounter(kCounterErrorsMade), 0);
    ASSERT_TRUE(RunUntil([&] { return Board()->GetGameMode() == 2; }));
    EXPECT_EQ(State(empty.front().first, empty.front().second), "closed");
}

}  // namespace
