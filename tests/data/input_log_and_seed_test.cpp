// What a driver outside the program relies on, on the game as built: the
// input log names, for each press, release and key, the screen on top and
// the widget that took it (the one whose action then happened), and says
// when the stack changes and when the top screen takes clicks; a seed
// given in the environment makes the mosaic's shuffle and the bonus rounds'
// pictures the same in every run of that seed, whatever the pace of its
// frames, and another seed makes them differ.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/lang/MultiLanguages.h"
#include "engine/InputLog.h"
#include "game/UserProfiles.h"
#include "minigames/BonusControl.h"
#include "minigames/MosaicScreen.h"
#include "nonogram/NonogramRules.h"
#include "tests/data/BuiltGame.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/GameHarness.h"

namespace {

class BuiltGameRun {
public:
    BuiltGameRun() {
        game_ = HarnessOnBuiltData(QM_BUILT_DATA_DIR);
        EXPECT_TRUE(GetMultiLanguages()->LoadLanguageFile(game_->Folder().File("lang/default.lng")));
        EXPECT_TRUE(StartBuiltDefinition(*game_));
    }
    ~BuiltGameRun() {
        EndBuiltGame(game_);
        LoadLanguage("");
    }
    TGameHarness& operator*() const { return *game_; }
    TGameHarness* operator->() const { return game_.get(); }
    bool OnTop(const std::string& name) const {
        const Ref<IGameScreenSlave> top = game_->Top();
        return top && top->GetName() == name;
    }
    // Frames of ms until ready() holds, at most 2000 of them.
    template <class F>
    bool RunUntil(F ready, int32_t ms = 20) {
        for (int i = 0; i < 2000 && !ready(); ++i) game_->Step(1, ms);
        return ready();
    }

private:
    std::unique_ptr<TGameHarness> game_;
};

// --- The input log

class InputLogOnBuiltData : public ::testing::Test {
protected:
    void SetUp() override {
        SetInputLogSink([this](std::string_view line) { lines_.emplace_back(line); });
    }
    void TearDown() override {
        SetInputLogSink({});
        if (HasFailure()) {
            for (const std::string& line : lines_) std::printf("  %s\n", line.c_str());
        }
    }

    // The lines since mark.
    std::vector<std::string> Since(size_t mark) const {
        return {lines_.begin() + std::ptrdiff_t(std::min(mark, lines_.size())), lines_.end()};
    }
    bool Logged(const std::string& line, size_t from = 0) const {
        for (size_t i = from; i < lines_.size(); ++i)
            if (lines_[i] == line) return true;
        return false;
    }
    std::string LastStackLine() const {
        for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
            if (it->rfind("screens", 0) == 0) return *it;
        return {};
    }
    static std::string Mouse(const char* word, TPoint at, const std::string& where) {
        return std::string("mouse ") + word + " " + std::to_string(at.x) + " " + std::to_string(at.y) + " " + where;
    }

    std::vector<std::string> lines_;
};

TEST_F(InputLogOnBuiltData, EachPressReleaseAndKeyNamesTheTopScreenAndTheWidgetThatTookIt) {
    BuiltGameRun game;
    ASSERT_TRUE(game.RunUntil([&] { return game.OnTop("GS_NewUser"); }));
    // Every change of the stack was told, the last one as it stands.
    EXPECT_TRUE(Logged("screens GS_Main GS_NewUser"));
    EXPECT_EQ(LastStackLine(), "screens " + game->StackNames());
    ASSERT_TRUE(game.RunUntil([&] { return Logged("top GS_NewUser ready"); }));

    // A letter goes to the name field, which shows it: the field takes the
    // key's last event, which types.
    size_t mark = lines_.size();
    game->PressKey(SDL_SCANCODE_B, SDLK_b, "b");
    game->Step(1);
    EXPECT_EQ(game->Find("edit_name")->GetProperty("text_utf8").ToString(), "b");
    EXPECT_EQ(Since(mark), (std::vector<std::string>{"key down 98 screen=GS_NewUser widget=none",
                                                     "key up 98 screen=GS_NewUser widget=none",
                                                     "key up-after 98 screen=GS_NewUser widget=edit_name"}));

    // The OK button takes its press and release, and the screen goes.
    const TPoint ok = game->CenterOf("button_ok");
    mark = lines_.size();
    game->Click(ok.x, ok.y);
    game->Step(1);
    EXPECT_EQ(game->StackNames(), "GS_Main");
    const std::vector<std::string> click = Since(mark);
    ASSERT_GE(click.size(), 3u);
    EXPECT_EQ(click[0], Mouse("left-down", ok, "screen=GS_NewUser widget=button_ok"));
    EXPECT_EQ(click[1], "screens GS_Main");
    EXPECT_EQ(click[2], Mouse("left-up", ok, "screen=GS_NewUser widget=button_ok"));

    // A click on the menu's picture is taken by nobody, and changes nothing.
    ASSERT_TRUE(game.RunUntil([&] { return Logged("top GS_Main ready", mark); }));
    mark = lines_.size();
    game->Click(3, 3);
    game->Step(1);
    EXPECT_EQ(Since(mark), (std::vector<std::string>{Mouse("left-down", {3, 3}, "screen=GS_Main widget=none"),
                                                     Mouse("left-up", {3, 3}, "screen=GS_Main widget=none")}));

    // The options button opens its screen on its release; the frame's end
    // says the new top takes clicks, and its close button closes it.
    const TPoint options = game->CenterOf("button_options");
    mark = lines_.size();
    game->Click(options.x, options.y);
    game->Step(1);
    ASSERT_TRUE(game.OnTop("GS_Options")) << game->StackNames();
    EXPECT_EQ(Since(mark), (std::vector<std::string>{
                               Mouse("left-down", options, "screen=GS_Main widget=button_options"),
                               "screens GS_Main GS_Options",
                               Mouse("left-up", options, "screen=GS_Main widget=button_options"),
                               "top GS_Options ready"}));
    const TPoint close = game->CenterOf("button_close");
    mark = lines_.size();
    game->Click(close.x, close.y);
    game->Step(1);
    const std::vector<std::string> taken = Since(mark);
    ASSERT_GE(taken.size(), 2u);
    EXPECT_EQ(taken[0], Mouse("left-down", close, "screen=GS_Options widget=button_close"));
    EXPECT_EQ(taken[1], "screens GS_Main");
    EXPECT_EQ(game->StackNames(), "GS_Main");
}

TEST_F(InputLogOnBuiltData, AMosaicTileIsNamedAsTheCellThatTookTheClick) {
    BuiltGameRun game;
    ASSERT_TRUE(ReachMainMenuWithPlayer(*game, "Ada"));
    game->Game()->ShowGameScreen("GS_GameBigMosaic", nullptr);
    ASSERT_TRUE(game.RunUntil([&] { return game.OnTop("GS_HelpMosaic"); }));
    game->ClickAt("button_ok");
    game->Step(1);
    ASSERT_TRUE(game.OnTop("GS_GameBigMosaic"));
    const std::string cell = "move_group/cells_group/cell_1_2";
    const TPoint at = game->CenterOf(cell);
    const size_t mark = lines_.size();
    game->Click(at.x, at.y);
    game->Step(1);
    // The tile was picked up: the cell shows the selection.
    EXPECT_TRUE(game->Find(cell + "/selected"));
    ASSERT_FALSE(Since(mark).empty());
    EXPECT_EQ(Since(mark)[0], Mouse("left-down", at, "screen=GS_GameBigMosaic widget=" + cell));
}

// Without a sink nothing is written and nothing is noted.
TEST(InputLog, IsOffWithoutASink) {
    SetInputLogSink({});
    EXPECT_FALSE(InputLogOn());
    std::vector<std::string> lines;
    SetInputLogSink([&](std::string_view line) { lines.emplace_back(line); });
    EXPECT_TRUE(InputLogOn());
    InputLogLine("one");
    SetInputLogSink({});
    InputLogLine("two");
    EXPECT_EQ(lines, std::vector<std::string>{"one"});
}

// --- The seed

// What a run of the seed drew: the mosaic's tiles as they lie, then each
// bonus round's picture as its cells.
struct TDraws {
    std::string mosaic;
    std::vector<std::string> rounds;
};

std::string PictureOf(const TNonogramRules& rules) {
    std::string picture;
    for (int32_t r = 0; r < rules.Rows(); ++r) {
        for (int32_t c = 0; c < rules.Cols(); ++c) picture += rules.Value(r, c) == kCellFull ? '#' : '.';
        picture += '/';
    }
    return picture;
}

// A run with QM_RANDOM_SEED=seed, its frames ms apart, with idle frames at
// the menu first (the effects draw meanwhile).
TDraws PlayWithSeed(const char* seed, int32_t ms, int idleFrames, int32_t rounds) {
    TEnvGuard env("QM_RANDOM_SEED", seed);
    TDraws draws;
    BuiltGameRun game;
    EXPECT_TRUE(ReachMainMenuWithPlayer(*game, "Ada"));
    game->Step(idleFrames, ms);

    game->Game()->ShowGameScreen("GS_GameBigMosaic", nullptr);
    EXPECT_TRUE(game.RunUntil([&] { return game.OnTop("GS_HelpMosaic"); }, ms));
    game->ClickAt("button_ok");
    game->Step(1, ms);
    auto* mosaic = dynamic_cast<TQuillmarchGameScreenGameBigMosaic*>(game->Top().get());
    EXPECT_NE(mosaic, nullptr);
    if (!mosaic) return draws;
    for (int32_t r = 0; r < mosaic->GetRows(); ++r) {
        for (int32_t c = 0; c < mosaic->GetCols(); ++c) {
            const Ref<IWidget> piece =
                game->Find("move_group/cells_group/cell_" + std::to_string(r) + "_" + std::to_string(c) + "/picture");
            if (!piece) return draws;
            draws.mosaic += piece->GetProperty("row").ToString() + piece->GetProperty("col").ToString() + " ";
        }
    }
    game->Game()->CloseGameScreen(game->Top(), nullptr);
    game->Step(5, ms);

    const Ref<IParamCollection> profile = game->Game()->GetUserProfiles()->GetCurrent()->GetParams();
    profile->SetValue("location_state_japan", Variant("completed"));
    game->Game()->ShowGameScreen("GS_MainBonus", nullptr);
    game->Step(10, ms);
    game->ClickAt("level_buttons/japan/enabled_image/button");
    game->Step(1, ms);
    auto* board = dynamic_cast<TQuillmarchControlGameBonus*>(game->Find("control_game_nonogram").get());
    EXPECT_NE(board, nullptr);
    if (!board) return draws;
    EXPECT_TRUE(game.RunUntil([&] { return game.OnTop("GS_HelpBonus"); }, ms));
    game->ClickAt("button_ok");
    game->Step(1, ms);
    EXPECT_EQ(board->GetRounds(), 3);
    for (int32_t round = 1; round <= rounds; ++round) {
        const bool playing = game.RunUntil(
            [&] { return board->GetCurrentRound() == round && board->GetGameState() == TBonusGameState::kPlaying; },
            ms);
        EXPECT_TRUE(playing) << "round " << round;
        if (!playing) return draws;
        const TNonogramRules& rules = board->Rules();
        draws.rounds.push_back(PictureOf(rules));
        if (round == rounds) break;
        // The round is won: its full cells with the arrow, the others with
        // the hammer.
        for (const bool full : {true, false}) {
            game->ClickAt(full ? "control_game_nonogram/image_select" : "control_game_nonogram/image_hammer");
            for (int32_t r = 0; r < rules.Rows(); ++r) {
                for (int32_t c = 0; c < rules.Cols(); ++c) {
                    if ((rules.Value(r, c) == kCellFull) != full || board->GetCurrentRound() != round) continue;
                    game->ClickAt("control_game_nonogram/grid/cells/cell" + std::to_string(r) + "_" + std::to_string(c));
                }
            }
        }
    }
    return draws;
}

TEST(SeedOnBuiltData, OneSeedDrawsTheSameMosaicAndBonusPicturesAtAnyPaceOfFrames) {
    const TDraws first = PlayWithSeed("20261211", 50, 0, 2);
    ASSERT_FALSE(first.mosaic.empty());
    ASSERT_EQ(first.rounds.size(), 2u);
    // Pictures of the location, none drawn twice.
    EXPECT_NE(first.rounds[0], first.rounds[1]);

    const TDraws again = PlayWithSeed("20261211", 25, 40, 2);
    EXPECT_EQ(again.mosaic, first.mosaic);
    EXPECT_EQ(again.rounds, first.rounds);
}

TEST(SeedOnBuiltData, AnotherSeedDrawsAnotherMosaicAndOtherBonusPictures) {
    const TDraws first = PlayWithSeed("20261211", 50, 0, 2);
    ASSERT_EQ(first.rounds.size(), 2u);
    // Two of the location's four pictures, in another order or others.
    const TDraws other = PlayWithSeed("3", 50, 0, 2);
    ASSERT_EQ(other.rounds.size(), 2u);
    EXPECT_NE(other.mosaic, first.mosaic);
    EXPECT_NE(other.rounds, first.rounds);
}

}  // namespace
