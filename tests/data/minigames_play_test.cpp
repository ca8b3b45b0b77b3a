// The mini-games played on the game as built: the built definition and data
// folder under the screen harness. A location's big mosaic is opened as the
// map opens it, its shuffled tiles are put home by clicks, and its close
// button, statistics and OK bring the player back with the result; a bonus
// level is started from the bonus selection of a player whose location is
// completed, its three rounds are solved by clicks with the two tools, and
// its total enters the location's high-score table. Screenshots of each step
// are written to test-artifacts/minigames of the build folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Random.h"
#include "core/lang/MultiLanguages.h"
#include "core/storage/XMLStorage.h"
#include "engine/EngineStartup.h"
#include "game/GameConfig.h"
#include "game/GameScreen.h"
#include "game/HighScores.h"
#include "game/UserProfiles.h"
#include "minigames/BonusControl.h"
#include "minigames/MosaicScreen.h"
#include "nonogram/NonogramRules.h"
#include "nonogram/solver/LineSolver.h"
#include "tests/data/BuiltGame.h"
#include "tests/support/GameHarness.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

const char kPlayer[] = "Ada";

Ref<IParamCollection> Params(std::initializer_list<std::pair<const char*, const char*>> values) {
    const Ref<IParamCollection> params =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    for (const auto& [name, value] : values) params->SetValue(name, Variant(value));
    return params;
}

class MiniGamesOnBuiltData : public ::testing::Test {
protected:
    void SetUp() override {
        game_ = HarnessOnBuiltData(QM_BUILT_DATA_DIR);
        // The texts as the program shows them: the base language of the data.
        ASSERT_TRUE(GetMultiLanguages()->LoadLanguageFile(game_->Folder().File("lang/default.lng")));
        ASSERT_TRUE(StartBuiltDefinition(*game_));
        ASSERT_TRUE(ReachMainMenuWithPlayer(*game_, kPlayer));
        const Ref<IUserProfileCollection> profiles = game_->Game()->GetUserProfiles();
        ASSERT_TRUE(profiles->GetCurrent());
        ASSERT_EQ(profiles->GetCurrent()->GetName(), kPlayer);
    }
    void TearDown() override {
        EndBuiltGame(game_);
        LoadLanguage("");
    }

    bool OnTop(const std::string& name) const {
        const Ref<IGameScreenSlave> top = game_->Top();
        return top && top->GetName() == name;
    }
    Ref<IParamCollection> Profile() const {
        return game_->Game()->GetUserProfiles()->GetCurrent()->GetParams();
    }
    // Frames of frameMs (20 ms by default) until ready() holds, at most 20 s
    // of the game's clock.
    template <class F>
    bool RunUntil(F ready, int32_t frameMs = 20) {
        for (int i = 0; i < 20000 / frameMs && !ready(); ++i) game_->Step(1, frameMs);
        return ready();
    }
    // The window as the last frame left it, as a PNG in the artifacts.
    void Shot(const std::string& name) {
        const std::filesystem::path file = std::filesystem::path(QM_ARTIFACTS_DIR) / "minigames" / (name + ".png");
        EXPECT_TRUE(WriteFramePng(*game_, file)) << file;
    }

    std::unique_ptr<TGameHarness> game_;
};

// --- The big mosaic

std::string CellPath(int32_t row, int32_t col) {
    return "move_group/cells_group/cell_" + std::to_string(row) + "_" + std::to_string(col);
}

int32_t Whole(const Variant& value) {
    return value.IsString() ? std::stoi(value.ToString()) : value.ToInt();
}

TEST_F(MiniGamesOnBuiltData, AMosaicIsPutTogetherByClicksAndReportsItsLocation) {
    // As the map opens it above the location's scene, with the snapshot of
    // the screen below to roll away (here the main screen's).
    const Ref<ISurface> snapshot = game_->Engine().CreateSurface();
    snapshot->SetSize(1024, 768);
    auto* below = dynamic_cast<TGameScreen*>(game_->Screen("GS_Main").get());
    ASSERT_NE(below, nullptr);
    below->Render(*snapshot);
    const Ref<IParamCollection> params =
        Params({{"active_map_part", "rome"}, {"show_scroll", "yes"}});
    params->SetValue("surface", Variant(Ref<IInterface>(snapshot)));
    game_->Game()->ShowGameScreen("GS_GameBigMosaic", params);
    game_->Step(1);
    ASSERT_TRUE(OnTop("GS_GameBigMosaic"));
    auto* mosaic = dynamic_cast<TQuillmarchGameScreenGameBigMosaic*>(game_->Top().get());
    ASSERT_NE(mosaic, nullptr);
    EXPECT_EQ(mosaic->GetResourceName(), "minigames_mosaic_rome");
    EXPECT_EQ(mosaic->GetRows(), 3);
    EXPECT_EQ(mosaic->GetCols(), 4);
    EXPECT_EQ(game_->Find("move_group/mosaic_mat")->GetProperty("resourcename").ToString(),
              "minigames_mosaic_romeMat");
    game_->Step(20, 20);
    Shot("01-mosaic-opening");

    // The opening ends in the help, then the board takes clicks.
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_HelpMosaic"); }));
    Shot("02-mosaic-help");
    game_->ClickAt("button_ok");
    game_->Step(1);
    ASSERT_TRUE(OnTop("GS_GameBigMosaic"));
    EXPECT_EQ(mosaic->GetBoardState(), mbs_Playing);

    const int32_t rows = mosaic->GetRows(), cols = mosaic->GetCols();
    // Shuffled: no tile starts home.
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < cols; ++c) {
            EXPECT_EQ(Whole(game_->Find(CellPath(r, c))->GetProperty("state")), 0) << r << c;
        }
    }
    // The first tile picked up shows the selection.
    game_->ClickAt(CellPath(0, 0));
    game_->Step(1);
    ASSERT_TRUE(game_->Find(CellPath(0, 0) + "/selected"));
    Shot("03-mosaic-selected");
    game_->ClickAt(CellPath(0, 0));
    game_->Step(1);
    EXPECT_FALSE(game_->Find(CellPath(0, 0) + "/selected"));

    // The pause menu's rules open the help again; its OK goes back to the board.
    game_->ClickAt("button_menu");
    game_->Step(2, 20);
    ASSERT_TRUE(OnTop("GS_MiniMenuBrief"));
    Shot("03b-mosaic-menu");
    game_->ClickAt("buttons/button_rules");
    game_->Step(1);
    ASSERT_TRUE(OnTop("GS_HelpMosaic")) << game_->StackNames();
    Shot("03c-mosaic-rules");
    game_->ClickAt("button_ok");
    game_->Step(1);
    ASSERT_TRUE(OnTop("GS_GameBigMosaic"));

    // Each cell in turn gets its own tile: the cell holding it, then the cell.
    int exchanges = 0;
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < cols; ++c) {
            if (Whole(game_->Find(CellPath(r, c))->GetProperty("state")) == 1) continue;
            std::string holder;
            for (int32_t i = 0; i < rows && holder.empty(); ++i) {
                for (int32_t j = 0; j < cols; ++j) {
                    const Ref<IWidget> piece = game_->Find(CellPath(i, j) + "/picture");
                    if (Whole(piece->GetProperty("row")) == r && Whole(piece->GetProperty("col")) == c) {
                        holder = CellPath(i, j);
                        break;
                    }
                }
            }
            ASSERT_FALSE(holder.empty()) << r << c;
            game_->ClickAt(holder);
            game_->ClickAt(CellPath(r, c));
            ++exchanges;
            if (exchanges == 2) {
                game_->Step(8, 20);
                Shot("04-mosaic-exchange");
            }
            ASSERT_TRUE(RunUntil([&] {
                return Whole(game_->Find(CellPath(r, c))->GetProperty("state")) == 1 &&
                       Whole(game_->Find(holder)->GetProperty("state")) != 2;
            })) << r << c;
        }
    }
    EXPECT_GE(exchanges, rows * cols / 2);
    ASSERT_TRUE(RunUntil([&] { return game_->Find("button_close")->GetVisible(); }));
    EXPECT_TRUE(mosaic->GetLevelEnded());
    Shot("05-mosaic-complete");

    game_->ClickAt("button_close");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_StatBigMosaic"); }));
    game_->Step(5, 20);
    EXPECT_TRUE(game_->Find("levelTips")->GetVisible());
    EXPECT_EQ(mosaic->GetLevelTips(), "%mosaic_tips_rome%");
    const std::string tips = GetLanguageString("mosaic_tips_rome", "");
    EXPECT_FALSE(tips.empty());
    EXPECT_EQ(game_->Find("levelTips")->GetProperty("text").ToString(), tips);
    Shot("06-mosaic-statistics");
    game_->ClickAt("button_ok");
    game_->Step(2);
    EXPECT_EQ(game_->StackNames(), "GS_Main");
}

// --- The bonus rounds

TQuillmarchControlGameBonus* BonusBoard(TGameHarness& game) {
    return dynamic_cast<TQuillmarchControlGameBonus*>(game.Find("control_game_nonogram").get());
}

// The pool a bonus level draws its rounds from is the catalogue the game
// holds: every picture in it is one of its location's own (a file of the
// location's folder that loads) and has a title in the base language.
TEST_F(MiniGamesOnBuiltData, EveryBonusPictureBelongsToItsLocationAndHasATitle) {
    const Ref<IQuillmarchLevelDefRefCollection> catalogue = Query<IQuillmarchLevelDefRefCollection>(
        game_->Game()->GetOption("level_bonus_def_refs").ToInterface());
    ASSERT_TRUE(catalogue);
    std::map<std::string, int> perLocation;
    for (int32_t i = 0; i < catalogue->GetCount(); ++i) {
        const Ref<IQuillmarchLevelDefRef> entry = catalogue->GetItem(Variant(i));
        ASSERT_TRUE(entry);
        const std::string scene = entry->GetProperty("bonus_scene").ToString();
        if (scene.empty()) continue;
        SCOPED_TRACE(entry->GetLevel());
        ++perLocation[scene];
        const std::string folder = "data/levels/bonus/" + scene + "/";
        EXPECT_EQ(entry->GetFileName().substr(0, folder.size()), folder) << entry->GetFileName();
        EXPECT_TRUE(entry->LoadLevelDef());
        const std::string title = entry->GetDisplayName();
        ASSERT_GE(title.size(), 3u) << "no title";
        ASSERT_TRUE(title.front() == '%' && title.back() == '%') << title;
        EXPECT_NE(GetLanguageString(title.substr(1, title.size() - 2), ""), "") << title;
    }
    // Each location's bonus game plays three rounds of different pictures.
    EXPECT_EQ(perLocation.size(), 7u);
    for (const auto& [scene, count] : perLocation) EXPECT_GE(count, 3) << scene;
}

TEST_F(MiniGamesOnBuiltData, ABonusLevelOfACompletedLocationIsPlayedToTheHighScores) {
    Profile()->SetValue("location_state_japan", Variant("completed"));
    Profile()->SetValue("location_state_rome", Variant("available"));
    game_->Game()->ShowGameScreen("GS_MainBonus", nullptr);
    game_->Step(10, 20);
    ASSERT_TRUE(OnTop("GS_MainBonus"));
    EXPECT_TRUE(game_->Find("level_buttons/japan/enabled_image")->GetVisible());
    EXPECT_FALSE(game_->Find("level_buttons/japan/disabled_image")->GetVisible());
    EXPECT_FALSE(game_->Find("level_buttons/rome/enabled_image")->GetVisible());
    EXPECT_TRUE(game_->Find("level_buttons/rome/disabled_image")->GetVisible());
    Shot("11-bonus-selection");

    game_->ClickAt("level_buttons/japan/enabled_image/button");
    game_->Step(1);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_MainBonus GS_GameBonus");
    TQuillmarchControlGameBonus* board = BonusBoard(*game_);
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(board->GetRounds(), 3);
    EXPECT_EQ(board->GetErrorsAllowed(), 3);
    EXPECT_EQ(game_->Find("bg_group/background")->GetProperty("resourcename").ToString(),
              "minigames_bonus_japan");
    game_->Step(25, 20);
    Shot("12-bonus-round-title");

    // The help comes once, when the first round starts.
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_HelpBonus"); }));
    game_->Step(1);
    Shot("12b-bonus-help");
    game_->ClickAt("button_ok");
    game_->Step(1);
    ASSERT_TRUE(OnTop("GS_GameBonus"));

    for (int32_t round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(RunUntil([&] {
            return board->GetCurrentRound() == round &&
                   board->GetGameState() == TBonusGameState::kPlaying;
        }));
        const TNonogramRules& rules = board->Rules();
        // The round's picture is drawn from the location's bonus pictures: 10 or 15 a side.
        const int32_t rows = rules.Rows(), cols = rules.Cols();
        ASSERT_TRUE(rows == cols && (rows == 10 || rows == 15)) << rows << " x " << cols;
        if (round == 1) Shot("13-bonus-board");
        // Full cells with the arrow, then empty ones with the hammer.
        for (const bool full : {true, false}) {
            game_->ClickAt(full ? "control_game_nonogram/image_select"
                                : "control_game_nonogram/image_hammer");
            for (int32_t r = 0; r < rows; ++r) {
                for (int32_t c = 0; c < cols; ++c) {
                    if (board->GetCurrentRound() != round ||
                        board->GetGameState() != TBonusGameState::kPlaying) {
                        break;
                    }
                    if ((rules.Value(r, c) == kCellFull) != full ||
                        (rules.Value(r, c) != kCellFull && rules.Value(r, c) != kCellEmpty)) {
                        continue;
                    }
                    game_->ClickAt("control_game_nonogram/grid/cells/cell" + std::to_string(r) +
                                   "_" + std::to_string(c));
                }
            }
            if (round == 1 && full) {
                game_->Step(3, 20);
                Shot("14-bonus-opened");
            }
        }
        EXPECT_EQ(board->GetErrorsMade(), 0);
    }
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_StatNonogramBonus"); }));
    game_->Step(100, 20);
    Shot("15-bonus-results");
    EXPECT_EQ(game_->Find("title_Result")->GetProperty("text").ToString(),
              GetLanguageString("bonus_level_completed", "?"));
    const int32_t total = board->GetPoints();
    EXPECT_GT(total, 3000);

    game_->ClickAt("button_ok");
    // The total passes Japan's bonus trophy: the cabinet shows the news, then the trophy.
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_NewTrophy"); })) << game_->StackNames();
    EXPECT_EQ(game_->StackNames(),
              "GS_Main GS_MainBonus GS_GameBonus GS_StatNonogramBonus GS_Trophy GS_NewTrophy");
    EXPECT_EQ(game_->Game()->GetUserProfiles()->GetCurrent()->GetParams()->GetValue("trophy_japan", Variant()).ToString(),
              "yes");
    game_->ClickAt("button_ok");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_Trophy"); }));
    game_->Step(100, 20);
    game_->ClickAt("button_close");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_MainBonus"); })) << game_->StackNames();
    EXPECT_EQ(game_->StackNames(), "GS_Main GS_MainBonus");
    // The total beats the table's rows: the player is in it.
    const Ref<IRecordTable> table =
        game_->Game()->GetHighScores()->GetTables()->GetItem(Variant("japan"));
    ASSERT_TRUE(table);
    const Ref<IRecordCollection> records = table->GetRecords();
    bool entered = false;
    for (int32_t i = 0; i < records->GetCount(); ++i) {
        const Ref<IRecord> row = records->GetItem(Variant(i));
        entered |= row && row->GetParams()->GetValue("Player", Variant("")).ToString() == kPlayer &&
                   row->GetScore() == total;
    }
    EXPECT_TRUE(entered);
    game_->Step(5, 20);
    Shot("16-bonus-selection-after");
}

// --- The seeded high scores against play at a person's pace

// How fast a person plays: a pause to think before each line they work out,
// then a click for each of its cells they open.
struct TPace {
    const char* name;
    int32_t thinkMs;
    int32_t clickMs;
};

constexpr TPace kBrisk = {"brisk", 2000, 350};
constexpr TPace kSlow = {"slow", 7000, 1000};
// A line's clicks keep the bonus's combo going at either pace.
static_assert(kBrisk.clickMs < kBonusComboTimeMs && kSlow.clickMs < kBonusComboTimeMs);

struct TMove {
    int32_t row, col;
    bool full;
};

// The order a person reasoning line by line settles the picture's cells: in
// rounds, each line worked out against the board as the round found it; one
// entry per line that settles something, with its new cells.
std::vector<std::vector<TMove>> LineByLineOrder(const TNonogramRules& rules) {
    const int32_t rows = rules.Rows(), cols = rules.Cols();
    std::vector<TCell> board(static_cast<size_t>(rows) * cols, TCell::kUnknown);
    std::vector<std::vector<TMove>> order;
    TLineSolver solver;
    for (bool changed = true; changed;) {
        changed = false;
        std::vector<TCell> next = board;
        for (int32_t line = 0; line < rows + cols; ++line) {
            const bool isRow = line < rows;
            const int32_t index = isRow ? line : line - rows, length = isRow ? cols : rows;
            std::vector<uint8_t> picture;
            std::vector<TCell> cells;
            for (int32_t i = 0; i < length; ++i) {
                const int32_t r = isRow ? index : i, c = isRow ? i : index;
                const int32_t value = rules.Value(r, c);
                picture.push_back(value == kCellFull || value == kCellOpened ? 1 : 0);
                cells.push_back(board[static_cast<size_t>(r) * cols + c]);
            }
            TRuns runs;
            LineRuns(picture, 1, runs);
            if (solver.Solve(runs, cells) <= 0) continue;
            std::vector<TMove> settled;
            for (int32_t i = 0; i < length; ++i) {
                const int32_t r = isRow ? index : i, c = isRow ? i : index;
                TCell& cell = next[static_cast<size_t>(r) * cols + c];
                if (cell != TCell::kUnknown || cells[i] == TCell::kUnknown) continue;
                cell = cells[i];
                changed = true;
                settled.push_back({r, c, cell == TCell::kFilled});
            }
            // The filled cells with the arrow first, then the empty ones with the hammer.
            std::stable_partition(settled.begin(), settled.end(), [](const TMove& m) { return m.full; });
            if (!settled.empty()) order.push_back(std::move(settled));
        }
        board.swap(next);
    }
    return order;
}

// The waits between games see no clicks: frames of 100 ms keep them short.
constexpr int32_t kCoarseFrameMs = 100;

class SeededBonusTable : public MiniGamesOnBuiltData,
                         public ::testing::WithParamInterface<const char*> {};

TEST_P(SeededBonusTable, IsWithinReachOfAPersonsPace) {
    const char* const location = GetParam();
    Profile()->SetValue("show_bonus_help", Variant("yes"));
    Profile()->SetValue(std::string("location_state_") + location, Variant("completed"));
    const Ref<IRecordTableCollection> tables = game_->Game()->GetHighScores()->GetTables();
    // The table as the data seeds it, before any game of this test enters it.
    const Ref<IRecordCollection> records = tables->GetItem(Variant(location))->GetRecords();
    std::vector<int32_t> seeded;
    for (int32_t i = 0; i < records->GetCount(); ++i)
        seeded.push_back(records->GetItem(Variant(i))->GetScore());
    ASSERT_FALSE(seeded.empty());
    const auto [lowest, highest] = std::minmax_element(seeded.begin(), seeded.end());

    std::map<std::string, int32_t> totals;
    for (const TPace& pace : {kBrisk, kSlow}) {
        // Both paces play the same three pictures.
        RandomSeed(static_cast<uint32_t>(location[0]));
        game_->Game()->ShowGameScreen("GS_MainBonus", nullptr);
        ASSERT_TRUE(RunUntil([&] { return OnTop("GS_MainBonus"); }, kCoarseFrameMs));
        game_->ClickAt(std::string("level_buttons/") + location + "/enabled_image/button");
        ASSERT_TRUE(RunUntil([&] { return OnTop("GS_GameBonus"); }, kCoarseFrameMs));
        TQuillmarchControlGameBonus* board = BonusBoard(*game_);
        ASSERT_NE(board, nullptr);
        for (int32_t round = 1; round <= board->GetRounds(); ++round) {
            if (!RunUntil([&] {
                    return (board->GetCurrentRound() == round &&
                            board->GetGameState() == TBonusGameState::kPlaying) ||
                           OnTop("GS_StatNonogramBonus");
                }, kCoarseFrameMs) ||
                OnTop("GS_StatNonogramBonus")) {
                break;  // the clock ran out
            }
            game_->ClickAt("control_game_nonogram/image_select");
            bool arrow = true;
            for (const std::vector<TMove>& line : LineByLineOrder(board->Rules())) {
                game_->Step(1, pace.thinkMs);
                for (const TMove& move : line) {
                    if (board->GetCurrentRound() != round ||
                        board->GetGameState() != TBonusGameState::kPlaying) {
                        break;
                    }
                    if (IsResolved(board->Rules().Value(move.row, move.col))) continue;
                    if (arrow != move.full) {
                        arrow = move.full;
                        game_->ClickAt(arrow ? "control_game_nonogram/image_select"
                                             : "control_game_nonogram/image_hammer");
                        game_->Step(1, pace.clickMs);
                    }
                    game_->ClickAt("control_game_nonogram/grid/cells/cell" +
                                   std::to_string(move.row) + "_" + std::to_string(move.col));
                    game_->Step(1, pace.clickMs);
                }
            }
        }
        ASSERT_TRUE(RunUntil([&] { return OnTop("GS_StatNonogramBonus"); }, kCoarseFrameMs))
            << game_->StackNames();
        totals[pace.name] = board->GetPoints();
        // Back to the selection past whatever the result opens (a record, a trophy).
        ASSERT_TRUE(RunUntil([&] {
            if (OnTop("GS_MainBonus")) return true;
            for (const char* button : {"button_ok", "button_close"}) {
                const Ref<IWidget> widget = game_->Find(button);
                if (widget && widget->GetVisible()) {
                    game_->ClickAt(button);
                    break;
                }
            }
            return false;
        }, kCoarseFrameMs)) << game_->StackNames();
    }
    std::printf("%-7s brisk %7d  slow %7d  seeded %7d..%d\n", location, totals["brisk"],
                totals["slow"], *lowest, *highest);
    // A brisk player can top the table; a slow one enters it but does not top it.
    EXPECT_LT(*highest, totals["brisk"]);
    EXPECT_GT(*highest, totals["slow"]);
    EXPECT_LE(*lowest, totals["slow"]);
}

INSTANTIATE_TEST_SUITE_P(Locations, SeededBonusTable,
                         ::testing::Values("japan", "rome", "tibet", "egypt", "greece", "aztecs",
                                           "china"));

}  // namespace
