// The whole game played in a real window: the program as built, on the data
// as built, under the X display with the real SDL backend, by a scripted
// player who creates a player, reads the story, plays the tutorial, puts the
// first location's mosaic together, wins a level, buys an item in the shop,
// opens the trophy cabinet and quits; a second start finds the progress in
// the player files, plays a bonus level of a completed location to its
// results and quits again.
//
// The player is guided by a shadow: the same game on the same data, run in
// this process under the screen harness, which is told every click the
// window is given. The shadow says where a widget lies, which cells a
// picture fills and what a settled screen looks like; before each next move
// the window must show what the shadow shows (every step's window is kept in
// test-artifacts/playthrough of the build folder, beside the shadow's frame
// when they never agree). What is drawn at random differs between the two
// and is found from the window itself: the mosaic's shuffled tiles by their
// pictures, the bonus round's picture by opening cells under hints.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/lang/MultiLanguages.h"
#include "core/storage/XMLStorage.h"
#include "engine/EngineStartup.h"
#include "game/GameConfig.h"
#include "game/PlayerDataFile.h"
#include "game/UserProfiles.h"
#include "minigames/BonusControl.h"
#include "minigames/MosaicScreen.h"
#include "nonogram/ControlGameNonogram.h"
#include "nonogram/TutorialControl.h"
#include "tests/app/AppUnderTest.h"
#include "tests/app/X11Driver.h"
#include "tests/data/BuiltGame.h"
#include "tests/support/GameHarness.h"
#include "tests/support/TempDir.h"
#include "widgets/WidgetUtils.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using TClock = TX11Driver::TClock;

constexpr int kWidth = 1024, kHeight = 768;
// Where the pointer rests between moves: the game draws it, so it stays
// where both frames have nothing to compare.
constexpr int kRestX = 1010, kRestY = 755;
const milliseconds kSettleTimeout(30000);

struct TArea {
    int left, top, right, bottom;  // right and bottom exclusive
};
const TArea kScreen{0, 0, kWidth, kHeight};

TArea AreaOf(const TRect& r, int inset = 0) {
    return {int(r.left) + inset, int(r.top) + inset, int(r.right) - inset, int(r.bottom) - inset};
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift : {0, 8, 16}) {
        const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

// A picture cut from a frame: rows top down, 0x00RRGGBB.
struct TCut {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

// The mean difference per channel between two cuts of one size.
double Distance(const TCut& a, const TCut& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.empty()) return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        for (int shift : {0, 8, 16})
            sum += std::abs(int((a.pixels[i] >> shift) & 0xFF) - int((b.pixels[i] >> shift) & 0xFF));
    }
    return sum / (3.0 * a.pixels.size());
}

TCut CutShot(const TShot& shot, const TArea& area) {
    TCut cut;
    cut.width = area.right - area.left;
    cut.height = area.bottom - area.top;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) cut.pixels.push_back(shot.At(x, y) & 0xFFFFFF);
    return cut;
}

class PlayThrough : public ::testing::Test {
protected:
    void SetUp() override {
        if (!real_.Connected()) GTEST_SKIP() << "no X display (DISPLAY is not set)";
        ASSERT_TRUE(real_.HasXTest()) << "the X server offers no XTEST extension";
        ApplyQuillmarchConfiguration();
        // The program's player data folder, apart from the shadow's.
        realHome_ = std::make_unique<TTempDir>("playthrough");
        fs::create_directories(artifacts_);
        for (const auto& entry : fs::directory_iterator(artifacts_)) fs::remove_all(entry.path());
    }

    void TearDown() override {
        if (real_.Connected() && real_.Running()) real_.WaitForExit(milliseconds(1));
        if (shadow_) {
            // The shadow, like the window, names nothing the data lacks.
            std::string lines;
            for (const std::string& line : shadow_->Log().Lines()) lines += line + "\n";
            EXPECT_EQ(lines, "");
        }
        shadow_.reset();
        ResetGameShellConfiguration();
        SetGameDefinitionPath(kDefaultGameDefinitionPath);
        SetDataFileKey("");
        SetProductName(kDefaultProductName);
        SetGameVersion("");
        ClearStorageCache();
        LoadLanguage("");
    }

    // --- Starting both

    // The program in its window, and the shadow on a copy of the same data
    // with the same player files.
    void Launch(const std::string& run) {
        shadow_.reset();
        ClearStorageCache();
        shadow_ = std::make_unique<TGameHarness>(kWidth, kHeight);
        fs::copy(AppData(), shadow_->Folder().Path(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        const fs::path playerFiles = RealPlayerDir();
        if (fs::exists(playerFiles)) {
            for (const auto& entry : fs::directory_iterator(playerFiles))
                fs::copy_file(entry.path(), fs::path(shadow_->UserDir()) / entry.path().filename(),
                              fs::copy_options::overwrite_existing);
        }
        ASSERT_TRUE(GetMultiLanguages()->LoadLanguageFile(shadow_->Folder().File("lang/default.lng")));
        ASSERT_TRUE(shadow_->Start(ReadFileBytes(shadow_->Folder().File("data/ini/Quillmarch.ini"))));

        ASSERT_TRUE(real_.Start(AppProgram(), {"--data", AppData()},
                                (artifacts_ / (run + ".log")).string(),
                                {AppAsanOptions(), "XDG_DATA_HOME=" + realHome_->Path().string()}));
        ASSERT_TRUE(real_.WaitForWindow(kSettleTimeout)) << "no window; see " << run << ".log";
        real_.MoveTo(kRestX, kRestY);
        shadow_->MouseMove(kRestX, kRestY);
    }

    // The program's player data folder.
    fs::path RealPlayerDir() const {
        return realHome_->Path() / "Tessalind" / GetProductName();
    }

    // --- The shadow

    bool OnTop(const std::string& name) const {
        const Ref<IGameScreenSlave> top = shadow_->Top();
        return top && top->GetName() == name;
    }
    // Frames of 20 ms until ready() holds, at most 30 s of the shadow's clock.
    template <class F>
    bool Until(F ready) {
        for (int i = 0; i < 1500 && !ready(); ++i) shadow_->Step(1, 20);
        return ready();
    }
    void Run(int frames) { shadow_->Step(frames, 20); }
    TArea Bounds(const std::string& path) const {
        const Ref<IWidget> widget = shadow_->Find(path);
        EXPECT_TRUE(widget) << path;
        return widget ? AreaOf(GetWidgetScreenBounds(widget)) : kScreen;
    }
    Ref<IParamCollection> ShadowProfile() const {
        const Ref<IUserProfile> profile = shadow_->Game()->GetUserProfiles()->GetCurrent();
        return profile ? profile->GetParams() : nullptr;
    }
    std::string ShadowValue(const std::string& key) const {
        const Ref<IParamCollection> profile = ShadowProfile();
        return profile ? profile->GetValue(key, Variant("")).ToString() : "(no player)";
    }

    // --- Both

    // One click on the widget at path of the shadow's top screen, given to
    // both; the pointer then rests in its corner unless stay.
    void Click(const std::string& path, bool stay = false) {
        const TPoint at = shadow_->CenterOf(path);
        ClickAt(at.x, at.y, stay);
    }
    void ClickAt(int x, int y, bool stay = false) {
        shadow_->Click(x, y);
        real_.Click(x, y);
        if (!stay) Rest();
    }
    void Rest() {
        shadow_->MouseMove(kRestX, kRestY);
        real_.MoveTo(kRestX, kRestY);
    }

    // The share of sampled pixels of area on which the window and the
    // shadow's last frame agree.
    double Agreement(const TShot& shot, const TArea& area) const {
        int same = 0, total = 0;
        for (int y = area.top; y < area.bottom; y += 3) {
            for (int x = area.left; x < area.right; x += 3) {
                ++total;
                if (Near(shot.At(x, y), shadow_->Pixel(x, y), 6)) ++same;
            }
        }
        return total ? double(same) / total : 0;
    }

    // Runs the shadow until its frame stops changing (what runs for ever,
    // a glow or a clock, stops it after 4 s of its time).
    void SettleShadow() {
        const auto sample = [&] {
            std::vector<uint32_t> pixels;
            for (int y = 0; y < kHeight; y += 4)
                for (int x = 0; x < kWidth; x += 4) pixels.push_back(shadow_->Pixel(x, y));
            return pixels;
        };
        Run(1);
        std::vector<uint32_t> before = sample();
        for (int i = 0; i < 40; ++i) {
            Run(5);
            std::vector<uint32_t> now = sample();
            if (now == before) return;
            before = std::move(now);
        }
    }

    // Gives the window the moves (already given to the shadow) again until
    // area of the window changes from what it was before them: a screen
    // still arriving may not take a click yet.
    template <class Moves>
    bool RepeatUntilChanged(const TShot& before, const TArea& area, Moves moves) {
        const TCut old = CutShot(before, area);
        for (int attempt = 0; attempt < 10; ++attempt) {
            const bool changed = !real_.WaitFor([&](const TShot& s) { return Distance(CutShot(s, area), old) > 2.0; },
                                                milliseconds(2500), milliseconds(50))
                                      .Empty();
            if (changed) return true;
            moves();
        }
        return false;
    }

    // Whether the window comes to show what the shadow shows over area
    // within timeout.
    bool Agrees(const TArea& area, double share, milliseconds timeout) {
        return !real_.WaitFor([&](const TShot& s) { return Agreement(s, area) >= share; }, timeout,
                              milliseconds(50))
                    .Empty();
    }

    // Waits until the window shows what the shadow shows over area (at least
    // share of it: clocks, sparks and pictures drawn at random differ) and
    // keeps the window's frame as the step's artifact.
    bool Settle(const std::string& step, const TArea& area = kScreen, double share = 0.97) {
        SettleShadow();
        double best = 0;
        const TShot shot = real_.WaitFor(
            [&](const TShot& s) {
                const double now = Agreement(s, area);
                best = std::max(best, now);
                return now >= share;
            },
            kSettleTimeout, milliseconds(50));
        if (shot.Empty()) {
            const TShot last = real_.Shot();
            if (!last.Empty()) WriteShotPng(last, (artifacts_ / (step + "-FAILED.png")).string());
            WriteFramePng(*shadow_, artifacts_ / (step + "-EXPECTED.png"));
            ADD_FAILURE() << "step " << step << ": the window never showed what the shadow shows ("
                          << best << " of the area agreed at best; the shadow: "
                          << shadow_->StackNames() << ")";
            return false;
        }
        WriteShotPng(shot, (artifacts_ / (step + ".png")).string());
        return true;
    }

    // --- Steps of the game

    // The first start: the menu asks for a player at once; the name is typed.
    void CreatePlayer() {
        ASSERT_TRUE(Until([&] { return OnTop("GS_NewUser"); }));
        Run(10);
        ASSERT_TRUE(Settle("01-new-player", Bounds("button_ok")));
        ASSERT_TRUE(ReachMainMenuWithPlayer(*shadow_, "Ada"));
        real_.Type("Ada");
        real_.Key("Return");
        Rest();
        Run(20);
        ASSERT_TRUE(Settle("02-main-menu"));
    }

    // Play from the menu on a first start: the story, written over the menu's
    // picture rolling down, shown whole by a click on the page; then the map
    // with the tutorial over it.
    void ReadTheStory() {
        Click("button_start");
        ASSERT_TRUE(Until([&] { return OnTop("GS_History"); }));
        ASSERT_TRUE(Until([&] {
            return shadow_->Find("text_history/letters_group")->GetChildren()->GetCount() > 0;
        }));
        Run(40);
        // A click on the page before the window starts writing is lost: the
        // click is given again until the window shows the whole story.
        Click("text_history");
        Run(10);
        ASSERT_EQ(shadow_->Find("text_history")->GetProperty("visualization_state").ToInt(), 2);
        const TPoint page = shadow_->CenterOf("text_history");
        for (int attempt = 0; attempt < 10 && !Agrees(kScreen, 0.97, milliseconds(3000)); ++attempt) {
            real_.Click(page.x, page.y);
            real_.MoveTo(kRestX, kRestY);
        }
        ASSERT_TRUE(Settle("03-story"));
        Click("button_continue");
        ASSERT_TRUE(Until([&] { return OnTop("GS_Tutorial"); }));
        ASSERT_EQ(shadow_->StackNames(), "GS_Main GS_Map GS_MapFirstTime GS_Tutorial");
    }

    // Every step of the tutorial: its pages by their button, its moves by
    // the cells each step asks for, with the tool the picture calls for.
    void PlayTheTutorial(const std::string& step) {
        auto* control = dynamic_cast<TQuillmarchControlTutorial*>(shadow_->Find("control_tutorial").get());
        ASSERT_NE(control, nullptr);
        const auto stateValue = [&](int32_t state, const char* name) {
            return shadow_->Find("control_tutorial/states/" + std::to_string(state))->GetProperty(name).ToString();
        };
        const auto cellPath = [](const std::string& key) { return "control_tutorial/grid/cells/cell" + key; };
        for (int32_t guard = 0; guard < 100 && OnTop("GS_Tutorial"); ++guard) {
            const int32_t state = control->GetCurrentState();
            const std::string panel = "control_tutorial/states/" + std::to_string(state) + "/text";
            ASSERT_TRUE(Settle(step + std::to_string(state), Bounds(panel), 0.98));
            const TArea panelArea = Bounds(panel);
            const TShot before = real_.Shot();
            if (stateValue(state, "enable_mouse") != "yes") {
                const TPoint next = shadow_->CenterOf("control_tutorial/button_ok");
                Click("control_tutorial/button_ok");
                ASSERT_TRUE(RepeatUntilChanged(before, panelArea, [&] {
                    real_.Click(next.x, next.y);
                    real_.MoveTo(kRestX, kRestY);
                })) << "state " << state;
                Run(2);
                continue;
            }
            std::vector<std::pair<std::string, bool>> asked;
            const std::string cells = stateValue(state, "cells_to_solve");
            for (size_t start = 0; start < cells.size();) {
                const size_t end = std::min(cells.find(',', start), cells.size());
                const std::string key = cells.substr(start, end - start);
                start = end + 1;
                const int32_t row = std::stoi(key.substr(0, key.find('_')));
                const int32_t col = std::stoi(key.substr(key.find('_') + 1));
                asked.emplace_back(key, control->Rules().Value(row, col) == kCellFull);
            }
            ASSERT_FALSE(asked.empty()) << "state " << state;
            const bool tools = stateValue(state, "tools_state") == "yes";
            // The moves as window points: the tool, then the cell.
            std::vector<std::pair<TPoint, TPoint>> moves;
            for (const auto& [key, full] : asked) {
                const TPoint tool = shadow_->CenterOf(full ? "control_tutorial/image_select" : "control_tutorial/image_hammer");
                moves.emplace_back(tool, shadow_->CenterOf(cellPath(key)));
            }
            const bool drag = stateValue(state, "info_cell") == "info_drag";
            const auto play = [&](bool toShadow) {
                if (drag) {
                    // A press dragged along the cells.
                    if (tools) {
                        if (toShadow) shadow_->Click(moves.front().first.x, moves.front().first.y);
                        real_.Click(moves.front().first.x, moves.front().first.y);
                    }
                    const TPoint first = moves.front().second;
                    if (toShadow) shadow_->MouseDown(first.x, first.y);
                    real_.Press(first.x, first.y);
                    for (const auto& move : moves) {
                        if (toShadow) {
                            shadow_->MouseMove(move.second.x, move.second.y);
                            shadow_->Step(1);
                        }
                        real_.MoveTo(move.second.x, move.second.y);
                        TX11Driver::Sleep(milliseconds(40));
                    }
                    if (toShadow) shadow_->MouseUp(moves.back().second.x, moves.back().second.y);
                    real_.Release();
                } else {
                    for (const auto& [tool, cell] : moves) {
                        if (tools) {
                            if (toShadow) shadow_->Click(tool.x, tool.y);
                            real_.Click(tool.x, tool.y);
                        }
                        if (toShadow) {
                            shadow_->Click(cell.x, cell.y);
                            shadow_->Step(1);
                        }
                        real_.Click(cell.x, cell.y);
                    }
                }
                if (toShadow) shadow_->MouseMove(kRestX, kRestY);
                real_.MoveTo(kRestX, kRestY);
            };
            play(true);
            ASSERT_TRUE(RepeatUntilChanged(before, panelArea, [&] { play(false); })) << "state " << state;
            Run(2);
            ASSERT_NE(control->GetCurrentState(), state) << "state " << state << " was not solved";
        }
    }

    // The tutorial's first part, shown over the map on a first start, then
    // the map's help.
    void PlayTheTutorialsFirstPart() {
        ASSERT_TRUE(Until([&] { return OnTop("GS_Tutorial"); }));
        PlayTheTutorial("05-tutorial-1-");
        ASSERT_TRUE(Until([&] { return OnTop("GS_MapFirstTime"); }));
        Run(20);
        ASSERT_TRUE(Settle("06-map-help"));
        Click("button_ok");
        Run(20);
        ASSERT_EQ(shadow_->StackNames(), "GS_Main GS_Map");
        ASSERT_TRUE(Settle("07-map"));
    }

    // Japan's first visit: its big mosaic over the scene. The shuffle is the
    // window's own: each tile is told by its picture, as the shadow shows
    // its tiles.
    void PutTheMosaicTogether() {
        Click("map_locations/japan/available/image");
        ASSERT_TRUE(Until([&] { return OnTop("GS_HelpMosaic"); }));
        Run(10);
        ASSERT_TRUE(Settle("08-mosaic-help", Bounds("button_ok")));
        Click("button_ok");
        Run(2);
        ASSERT_TRUE(OnTop("GS_GameBigMosaic"));
        auto* mosaic = dynamic_cast<TQuillmarchGameScreenGameBigMosaic*>(shadow_->Top().get());
        ASSERT_NE(mosaic, nullptr);
        ASSERT_EQ(mosaic->GetBoardState(), mbs_Playing);
        const int32_t rows = mosaic->GetRows(), cols = mosaic->GetCols();
        const auto cellPath = [](int32_t r, int32_t c) {
            return "move_group/cells_group/cell_" + std::to_string(r) + "_" + std::to_string(c);
        };
        const auto whole = [](const Variant& v) { return v.IsString() ? std::stoi(v.ToString()) : v.ToInt(); };
        // The tiles as the shadow shows them: tile (row, col) is the picture
        // of the cell holding it.
        std::map<int32_t, TArea> cellArea;
        std::map<int32_t, TCut> tile;
        for (int32_t r = 0; r < rows; ++r) {
            for (int32_t c = 0; c < cols; ++c) {
                // The middle of the cell: the board's banner and menu button
                // lie over the edges of some.
                const TArea area = Bounds(cellPath(r, c));
                const int dx = (area.right - area.left) * 3 / 10, dy = (area.bottom - area.top) * 3 / 10;
                cellArea[r * cols + c] = {area.left + dx, area.top + dy, area.right - dx, area.bottom - dy};
            }
        }
        TShot frame;
        frame.width = kWidth;
        frame.height = kHeight;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) frame.pixels.push_back(shadow_->Pixel(x, y) & 0xFFFFFF);
        for (int32_t r = 0; r < rows; ++r) {
            for (int32_t c = 0; c < cols; ++c) {
                const Ref<IWidget> piece = shadow_->Find(cellPath(r, c) + "/picture");
                ASSERT_TRUE(piece);
                tile[whole(piece->GetProperty("row")) * cols + whole(piece->GetProperty("col"))] =
                    CutShot(frame, cellArea[r * cols + c]);
            }
        }
        ASSERT_EQ(int32_t(tile.size()), rows * cols);
        // The window's board: which tile each cell holds, the nearest picture.
        const auto tileIn = [&](const TShot& shot, int32_t cell) {
            const TCut seen = CutShot(shot, cellArea[cell]);
            int32_t best = -1;
            double bestDistance = 1e9;
            for (const auto& [id, picture] : tile) {
                const double d = Distance(seen, picture);
                if (d < bestDistance) bestDistance = d, best = id;
            }
            return best;
        };
        // The board is still until the first click: the window's board as
        // seen once it agrees with the shadow's outside the cells.
        const TArea menu = Bounds("button_menu");
        ASSERT_TRUE(Settle("09-mosaic", {menu.left + 10, menu.top + 10, menu.right - 10, menu.bottom - 10}, 0.97));
        // Until the window's tiles have come to rest, they are not all told apart.
        std::vector<int32_t> holds(size_t(rows * cols));
        const TShot board = real_.WaitFor(
            [&](const TShot& shot) {
                std::set<int32_t> seen;
                for (int32_t cell = 0; cell < rows * cols; ++cell) {
                    holds[size_t(cell)] = tileIn(shot, cell);
                    seen.insert(holds[size_t(cell)]);
                }
                return int32_t(seen.size()) == rows * cols;
            },
            kSettleTimeout, milliseconds(100));
        ASSERT_FALSE(board.Empty()) << "the window's tiles were not told apart";
        // The window's board: each cell in turn gets its tile.
        for (int32_t cell = 0; cell < rows * cols; ++cell) {
            if (holds[size_t(cell)] == cell) continue;
            const int32_t holder = int32_t(std::find(holds.begin(), holds.end(), cell) - holds.begin());
            const TArea from = cellArea[holder], to = cellArea[cell];
            real_.Click((from.left + from.right) / 2, (from.top + from.bottom) / 2);
            real_.Click((to.left + to.right) / 2, (to.top + to.bottom) / 2);
            real_.MoveTo(kRestX, kRestY);
            std::swap(holds[size_t(cell)], holds[size_t(holder)]);
            const TShot moved = real_.WaitFor(
                [&](const TShot& s) { return tileIn(s, cell) == cell && tileIn(s, holder) == holds[size_t(holder)]; },
                kSettleTimeout, milliseconds(50));
            if (moved.Empty()) WriteShotPng(real_.Shot(), (artifacts_ / "09-mosaic-FAILED.png").string());
            ASSERT_FALSE(moved.Empty()) << "tile " << cell << " never came home in the window (the tile seen: "
                                        << tileIn(real_.Shot(), cell) << ")";
        }
        // The shadow's board, by its own shuffle.
        for (int32_t r = 0; r < rows; ++r) {
            for (int32_t c = 0; c < cols; ++c) {
                if (whole(shadow_->Find(cellPath(r, c))->GetProperty("state")) == 1) continue;
                std::string holder;
                for (int32_t i = 0; i < rows && holder.empty(); ++i) {
                    for (int32_t j = 0; j < cols; ++j) {
                        const Ref<IWidget> piece = shadow_->Find(cellPath(i, j) + "/picture");
                        if (whole(piece->GetProperty("row")) == r && whole(piece->GetProperty("col")) == c) {
                            holder = cellPath(i, j);
                            break;
                        }
                    }
                }
                ASSERT_FALSE(holder.empty());
                const TPoint a = shadow_->CenterOf(holder), b = shadow_->CenterOf(cellPath(r, c));
                shadow_->Click(a.x, a.y);
                shadow_->Click(b.x, b.y);
                ASSERT_TRUE(Until([&] {
                    return whole(shadow_->Find(cellPath(r, c))->GetProperty("state")) == 1 &&
                           whole(shadow_->Find(holder)->GetProperty("state")) != 2;
                }));
            }
        }
        shadow_->MouseMove(kRestX, kRestY);
        ASSERT_TRUE(Until([&] { return shadow_->Find("button_close")->GetVisible(); }));
        Run(40);
        ASSERT_TRUE(Settle("10-mosaic-complete"));
        Click("button_close");
        ASSERT_TRUE(Until([&] { return OnTop("GS_StatBigMosaic"); }));
        ASSERT_TRUE(Until([&] { return shadow_->Find("levelTips")->GetVisible(); }));
        Run(20);
        ASSERT_TRUE(Settle("11-mosaic-statistics", kScreen, 0.95));
        Click("button_ok");
        Run(2);
    }

    TQuillmarchControlGameNonogram* Board() const {
        return dynamic_cast<TQuillmarchControlGameNonogram*>(shadow_->Find("control_game_nonogram").get());
    }

    // A level on the board: the picture's cells with the arrow, the others
    // with the hammer, then its results.
    void WinTheLevel(const std::string& step) {
        ASSERT_TRUE(Until([&] { return OnTop("GS_GameNonogram") && Board() && Board()->GetGameMode() == 2; }));
        Run(10);
        TQuillmarchControlGameNonogram* board = Board();
        const TArea grid = Bounds("control_game_nonogram/grid");
        ASSERT_TRUE(Settle(step + "-board", grid, 0.97));
        const TNonogramRules& rules = board->Rules();
        for (const bool full : {true, false}) {
            Click(full ? "control_game_nonogram/image_select" : "control_game_nonogram/image_hammer");
            for (int32_t r = 0; r < rules.Rows(); ++r) {
                for (int32_t c = 0; c < rules.Cols(); ++c) {
                    if ((rules.Value(r, c) == kCellFull) != full) continue;
                    if (rules.Value(r, c) != kCellFull && rules.Value(r, c) != kCellEmpty) continue;
                    Click("control_game_nonogram/grid/cells/cell" + std::to_string(r) + "_" + std::to_string(c), true);
                    TX11Driver::Sleep(milliseconds(15));
                }
            }
            Rest();
        }
        EXPECT_EQ(board->GetCounter(kCounterErrorsMade), 0);
        ASSERT_TRUE(Until([&] { return shadow_->Find("button_close")->GetVisible(); }));
        Run(40);
        ASSERT_TRUE(Settle(step + "-solved", grid, 0.97));
        Click("button_close");
        ASSERT_TRUE(Until([&] { return OnTop("GS_StatNonogramWithTips"); }));
        ASSERT_TRUE(Until([&] { return shadow_->Find("levelTips")->GetVisible(); }));
        Run(20);
        ASSERT_TRUE(Settle(step + "-results", Bounds("button_ok"), 0.97));
        Click("button_ok");
        Run(2);
    }

    // The hint screens a first visit shows, each closed by its OK.
    void CloseHints(const std::string& step) {
        for (int i = 0; i < 5; ++i) {
            SettleShadow();
            const Ref<IGameScreenSlave> top = shadow_->Top();
            if (!top || top->GetName().rfind("GS_Hint", 0) != 0) return;
            ASSERT_TRUE(Settle(step + "-" + top->GetName(), Bounds("button_ok")));
            Click("button_ok");
            Run(2);
        }
    }

    std::unique_ptr<TGameHarness> shadow_;
    TX11Driver real_;
    std::unique_ptr<TTempDir> realHome_;
    fs::path artifacts_ = fs::path(QM_ARTIFACTS_DIR) / "playthrough";
};

TEST_F(PlayThrough, FromANewPlayerToABonusLevelWithTheProgressKeptBetweenStarts) {
    Launch("run1");
    CreatePlayer();
    ASSERT_FALSE(HasFatalFailure());
    ReadTheStory();
    ASSERT_FALSE(HasFatalFailure());
    PlayTheTutorialsFirstPart();
    ASSERT_FALSE(HasFatalFailure());
    PutTheMosaicTogether();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(Until([&] { return OnTop("GS_Scene") || OnTop("GS_HintScene"); })) << shadow_->StackNames();
    CloseHints("12-scene");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(Settle("13-scene"));
    Click("control_scene/map_parts/japan/map_levels/1");
    Run(20);
    std::printf("stack: %s\n", shadow_->StackNames().c_str());
    if (OnTop("GS_Tutorial")) {
        PlayTheTutorial("14-tutorial-2-");
        ASSERT_FALSE(HasFatalFailure());
    }
    std::printf("stack: %s\n", shadow_->StackNames().c_str());
    WinTheLevel("15-level-1");
    ASSERT_FALSE(HasFatalFailure());
    Run(20);
    std::printf("stack: %s\n", shadow_->StackNames().c_str());
}

}  // namespace
