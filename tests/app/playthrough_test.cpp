// The game played in a real window: the program as built, on the data as
// built, under the X display with the real SDL backend, by a scripted player
// who creates a player, reads the story, plays the tutorial, puts Japan's
// mosaic together, wins Japan's ten levels and buys its nine items in the
// shop up to the location's completion, opens the trophy cabinet and quits
// through the close box; a second start finds that progress in the player
// files, opens Japan's bonus level from the bonus selection and quits in its
// first round.
//
// The player is guided by a shadow: the same game on the same data, run in
// this process under the screen harness and given every click the window is
// given. The shadow says where a widget lies, which cells a picture fills and
// what a settled screen looks like; before each next move the window must
// show what the shadow shows (every step's window is kept in
// test-artifacts/playthrough of the build folder, with the shadow's frame
// beside it when they never agree). The mosaic's shuffle is the window's own
// and is read from its tiles. A bonus round's picture is drawn at random as
// well and is not played here (the headless suite on the built data plays
// the bonus rounds to their results).
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
#include "world/ShopControl.h"

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

// Whether two cuts of one size differ in more than a few scattered pixels
// (the smallest change a click makes: a thin gate's silhouette).
bool Differs(const TCut& a, const TCut& b) {
    if (a.width != b.width || a.height != b.height) return true;
    size_t count = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        if (!Near(a.pixels[i], b.pixels[i], 24)) ++count;
    return count > std::max<size_t>(40, a.pixels.size() / 400);
}

TCut CutShot(const TShot& shot, const TArea& area) {
    TCut cut;
    cut.width = area.right - area.left;
    cut.height = area.bottom - area.top;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) cut.pixels.push_back(shot.At(x, y) & 0xFFFFFF);
    return cut;
}

// The screens that tell the player something once and close by their OK.
bool IsNotice(const std::string& name) {
    const auto ends = [&](const std::string& tail) {
        return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
    };
    return name.rfind("GS_Hint", 0) == 0 || ends("Hint") || name == "GS_CompleteLevels" ||
           name == "GS_CompleteScene" || name == "GS_NewTrophy" || name == "GS_BonusEnabled";
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
        EndBuiltGame(shadow_);
        LoadLanguage("");
    }

    // --- Starting both

    // The program in its window, and the shadow on a copy of the same data
    // with the same player files.
    void Launch(const std::string& run) {
        shadow_.reset();
        shadow_ = HarnessOnBuiltData(AppData());
        const fs::path playerFiles = RealPlayerDir();
        if (fs::exists(playerFiles)) {
            for (const auto& entry : fs::directory_iterator(playerFiles))
                fs::copy_file(entry.path(), fs::path(shadow_->UserDir()) / entry.path().filename(),
                              fs::copy_options::overwrite_existing);
        }
        ASSERT_TRUE(GetMultiLanguages()->LoadLanguageFile(shadow_->Folder().File("lang/default.lng")));
        ASSERT_TRUE(StartBuiltDefinition(*shadow_));

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
    // Where the shadow's top screen lies: a dialog's panel (what lies
    // around it may be drawn at random below), else its window.
    TArea TopArea() const {
        if (const Ref<IWidget> panel = shadow_->Find("panel")) return AreaOf(GetWidgetScreenBounds(panel), 24);
        const Ref<IGameScreenSlave> top = shadow_->Top();
        const Ref<IWidget> window = top ? Query<IWidget>(top->GetWindow()) : nullptr;
        if (!window) return kScreen;
        const TArea area = AreaOf(GetWidgetScreenBounds(window));
        if (area.right - area.left < 100 || area.bottom - area.top < 100) return kScreen;
        return {std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, kWidth), std::min(area.bottom, kHeight)};
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
    // A click that changes the screen is given to the window again until
    // the window changes: a screen still arriving may not take it yet.
    void Click(const std::string& path, bool stay = false) {
        const TPoint at = shadow_->CenterOf(path);
        if (stay) return ClickAt(at.x, at.y, true);
        const TShot before = real_.Shot();
        ClickAt(at.x, at.y);
        EXPECT_TRUE(RepeatUntilChanged(before, kScreen, [&] {
            real_.Click(at.x, at.y);
            real_.MoveTo(kRestX, kRestY);
        })) << "the window did not take the click on " << path;
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
            const bool changed = !real_.WaitFor([&](const TShot& s) { return Differs(CutShot(s, area), old); },
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
                ClickAt(next.x, next.y);
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
        ASSERT_TRUE(Settle("08-mosaic-help", TopArea()));
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
            // The tile picked up shows it before the second click is taken.
            const auto pick = [&](const TArea& area) {
                real_.Click((area.left + area.right) / 2, (area.top + area.bottom) / 2);
                real_.MoveTo(kRestX, kRestY);
            };
            TShot before = real_.Shot();
            pick(from);
            ASSERT_TRUE(RepeatUntilChanged(before, from, [&] { pick(from); })) << "tile " << holds[size_t(holder)];
            before = real_.Shot();
            pick(to);
            ASSERT_TRUE(RepeatUntilChanged(before, to, [&] { pick(to); })) << "cell " << cell;
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
        // A level's first hint about a button comes over the board first.
        ASSERT_TRUE(Until([&] {
            const Ref<IGameScreenSlave> top = shadow_->Top();
            return (OnTop("GS_GameNonogram") && Board() && Board()->GetGameMode() == 2) ||
                   (top && IsNotice(top->GetName()));
        }));
        if (!OnTop("GS_GameNonogram")) return;
        Run(10);
        TQuillmarchControlGameNonogram* board = Board();
        const TArea grid = Bounds("control_game_nonogram/grid");
        ASSERT_TRUE(Settle(step + "-board", grid, 0.97));
        const TNonogramRules& rules = board->Rules();
        // The picture, and each cell's middle while it is closed.
        struct TCell {
            TPoint at;
            bool full;
            uint32_t closed;
        };
        std::vector<TCell> cells;
        for (int32_t r = 0; r < rules.Rows(); ++r) {
            for (int32_t c = 0; c < rules.Cols(); ++c) {
                const TPoint at =
                    shadow_->CenterOf("control_game_nonogram/grid/cells/cell" + std::to_string(r) + "_" + std::to_string(c));
                cells.push_back({at, rules.Value(r, c) == kCellFull, shadow_->Pixel(at.x, at.y)});
            }
        }
        const TPoint arrow = shadow_->CenterOf("control_game_nonogram/image_select");
        const TPoint hammer = shadow_->CenterOf("control_game_nonogram/image_hammer");
        // The window's board takes a click in a few frames: each cell is
        // clicked once the one before has left its closed look, and again
        // when a click was missed.
        const auto closedThere = [&](const TCell& cell) {
            return Near(real_.Shot().At(cell.at.x, cell.at.y), cell.closed, 4);
        };
        for (const bool full : {true, false}) {
            ClickAt(full ? arrow.x : hammer.x, full ? arrow.y : hammer.y, true);
            for (const TCell& cell : cells) {
                if (cell.full != full) continue;
                ClickAt(cell.at.x, cell.at.y, true);
                for (int attempt = 0; attempt < 3 && closedThere(cell); ++attempt) {
                    const TClock::time_point end = TClock::now() + milliseconds(2000);
                    while (TClock::now() < end && closedThere(cell)) TX11Driver::Sleep(milliseconds(10));
                    if (closedThere(cell)) real_.Click(cell.at.x, cell.at.y);
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
        ++levelsWon_;
    }

    // The hint screens a first visit shows, each closed by its OK.
    void CloseHints(const std::string& step) {
        for (int i = 0; i < 5; ++i) {
            SettleShadow();
            const Ref<IGameScreenSlave> top = shadow_->Top();
            if (!top || !IsNotice(top->GetName())) return;
            ASSERT_TRUE(Settle(step + "-" + top->GetName(), TopArea()));
            Click("button_ok");
            Run(2);
        }
    }

    // In the shop: the cheapest item of the open layer the points buy, with
    // its reveal and information; false when the points buy none.
    bool BuyAnItem(const std::string& step) {
        const std::string layer = ShadowValue("location_layer_japan").empty() ? "layer_1"
                                                                            : ShadowValue("location_layer_japan");
        const int64_t points = std::stoll("0" + ShadowValue("magic_points"));
        const std::string items = "locations/japan/" + layer + "/items";
        const Ref<IWidget> list = shadow_->Find(items);
        if (!list) return false;
        std::string cheapest;
        int64_t lowest = points + 1;
        for (int32_t i = 0; i < list->GetChildren()->GetCount(); ++i) {
            const Ref<IWidget> item = list->GetChildren()->GetWidgetByIndex(i);
            if (!item || item->GetProperty("state").ToString() == "unlocked") continue;
            const int64_t cost = item->GetProperty("cost").ToInt();
            if (cost >= 0 && cost < lowest) lowest = cost, cheapest = item->GetName();
        }
        if (cheapest.empty()) return false;
        ++purchases_;
        // A point the item covers (a gate's middle is open sky).
        auto* shop = dynamic_cast<TQuillmarchControlSceneShop*>(shadow_->Find("control_scene_shop").get());
        EXPECT_NE(shop, nullptr);
        const Ref<IWidget> item = shadow_->Find(items + "/" + cheapest);
        const TArea area = Bounds(items + "/" + cheapest);
        TPoint on{-1, -1};
        for (int fy = 1; fy < 16 && on.x < 0; ++fy) {
            for (int fx = 1; fx < 16 && on.x < 0; ++fx) {
                const int x = area.left + (area.right - area.left) * fx / 16;
                const int y = area.top + (area.bottom - area.top) * fy / 16;
                if (shop && shop->ItemAt(x, y).get() == item.get()) on = {x, y};
            }
        }
        EXPECT_GE(on.x, 0) << "no point of " << cheapest << " takes a click";
        if (on.x < 0) return false;
        // The window's shop may still be closing its last information. The
        // items it can sell sparkle, so a sale shows in the points counter.
        const TArea counter = Bounds("mana_counter");
        const TShot before = real_.Shot();
        ClickAt(on.x, on.y);
        EXPECT_TRUE(RepeatUntilChanged(before, counter, [&] {
            real_.Click(on.x, on.y);
            real_.MoveTo(kRestX, kRestY);
        })) << "the window's shop did not sell " << cheapest;
        EXPECT_TRUE(Until([&] { return OnTop("GS_ItemInfo"); })) << shadow_->StackNames();
        if (!OnTop("GS_ItemInfo")) return false;
        EXPECT_NE(ShadowValue("items_japan" + layer).find(cheapest + ","), std::string::npos);
        EXPECT_TRUE(Settle(step + "-bought-" + cheapest, TopArea()));
        Click("button_ok");
        Run(2);
        return true;
    }

    // Japan from its scene to its completion: each level won as the scene
    // offers it, the shop's items bought as the points allow, the hints each
    // first time shows closed, until the location-completed screen.
    void CompleteJapan() {
        for (int guard = 0; guard < 200; ++guard) {
            SettleShadow();
            const Ref<IGameScreenSlave> top = shadow_->Top();
            ASSERT_TRUE(top);
            const std::string name = top->GetName();
            const std::string step = std::to_string(20 + actions_++);
            if (IsNotice(name)) {
                ASSERT_TRUE(Settle(step + "-" + name, TopArea()));
                Click("button_ok");
            } else if (name == "GS_Trophy") {
                ASSERT_TRUE(Settle(step + "-trophies", kScreen, 0.95));
                Click("button_close");
            } else if (name == "GS_Tutorial") {
                PlayTheTutorial(step + "-tutorial-2-");
            } else if (name == "GS_GameNonogram") {
                WinTheLevel(step + "-level");
            } else if (name == "GS_SceneShop") {
                if (!BuyAnItem(step)) {
                    ASSERT_FALSE(HasFailure());
                    SettleShadow();
                    if (!OnTop("GS_SceneShop")) continue;
                    ASSERT_TRUE(Settle(step + "-shop", Bounds("button_exit")));
                    Click("button_exit");
                }
            } else if (name == "GS_ItemInfo") {
                Click("button_ok");
            } else if (name == "GS_Scene") {
                const std::string level = ShadowValue("current_level_japan");
                const std::string current = "control_scene/map_parts/japan/map_levels/" + (level.empty() ? "1" : level);
                ASSERT_TRUE(shadow_->Find(current)) << current;
                ASSERT_TRUE(Settle(step + "-scene", Bounds("title")));
                Click(current);
            } else if (name == "GS_LocationCompleted") {
                ASSERT_TRUE(Settle(step + "-location-completed", kScreen, 0.95));
                return;
            } else {
                FAIL() << "an unexpected screen: " << shadow_->StackNames();
            }
            ASSERT_FALSE(HasFatalFailure()) << "at " << shadow_->StackNames();
            Run(2);
        }
        FAIL() << "Japan was not completed: " << shadow_->StackNames();
    }

    // From wherever the game is to the main menu: notices closed, the
    // location-completed screen's OK, the map's menu button.
    void BackToTheMainMenu(const std::string& step) {
        for (int guard = 0; guard < 20; ++guard) {
            SettleShadow();
            const Ref<IGameScreenSlave> top = shadow_->Top();
            ASSERT_TRUE(top);
            const std::string name = top->GetName();
            const std::string at = step + "-" + std::to_string(guard) + "-" + name;
            if (name == "GS_Main") {
                ASSERT_TRUE(Settle(at, kScreen, 0.95));
                return;
            }
            if (IsNotice(name) || name == "GS_LocationCompleted") {
                ASSERT_TRUE(Settle(at, TopArea()));
                Click("button_ok");
            } else if (name == "GS_Trophy") {
                ASSERT_TRUE(Settle(at, kScreen, 0.95));
                Click("button_close");
            } else if (name == "GS_Map") {
                ASSERT_TRUE(Settle(at, kScreen, 0.95));
                Click("button_menu");
            } else {
                FAIL() << "an unexpected screen on the way to the menu: " << shadow_->StackNames();
            }
            Run(2);
        }
        FAIL() << "the main menu never came: " << shadow_->StackNames();
    }

    // The close box, its query, and the query's Quit.
    void QuitThroughTheCloseBox(const std::string& step) {
        real_.CloseWindow();
        ASSERT_FALSE(shadow_->Game()->QueryQuit());
        Run(5);
        ASSERT_TRUE(OnTop("GS_Quit")) << shadow_->StackNames();
        ASSERT_TRUE(Settle(step, Bounds("button_exit")));
        const TPoint quit = shadow_->CenterOf("button_exit");
        real_.Click(quit.x, quit.y);
        ASSERT_TRUE(real_.WaitForExit(kSettleTimeout)) << "the program did not end";
        EXPECT_EQ(real_.ExitStatus(), 0);
    }

    // Japan's bonus level from the main menu's bonus selection, up to its
    // first round's board; the close box then ends the program in the game.
    void StartABonusLevelOfJapan() {
        Click("button_bonus");
        ASSERT_TRUE(Until([&] { return OnTop("GS_MainBonus"); }));
        ASSERT_TRUE(Settle("61-bonus-selection", kScreen, 0.95));
        Click("level_buttons/japan/enabled_image/button");
        ASSERT_TRUE(Until([&] { return OnTop("GS_HelpBonus"); })) << shadow_->StackNames();
        ASSERT_TRUE(Settle("62-bonus-help", TopArea()));
        Click("button_ok");
        Run(2);
        ASSERT_TRUE(OnTop("GS_GameBonus"));
        auto* board = dynamic_cast<TQuillmarchControlGameBonus*>(shadow_->Find("control_game_nonogram").get());
        ASSERT_NE(board, nullptr);
        ASSERT_TRUE(Until([&] { return board->GetCurrentRound() == 1 && board->GetGameState() == TBonusGameState::kPlaying; }));
        EXPECT_EQ(board->GetRounds(), 3);
        // The round's picture is the window's own draw: the panel beside it
        // is what both show alike.
        ASSERT_TRUE(Settle("63-bonus-round", Bounds("control_game_nonogram/image_select"), 0.97));
        WriteShotPng(real_.Shot(), (artifacts_ / "63-bonus-round-window.png").string());
        QuitThroughTheCloseBox("64-quit-query");
    }

    int actions_ = 0, levelsWon_ = 0, purchases_ = 0;
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
    CompleteJapan();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(levelsWon_, 10);
    EXPECT_EQ(purchases_, 9);
    BackToTheMainMenu("50-back");
    ASSERT_FALSE(HasFatalFailure());

    // The trophy cabinet.
    Click("button_trophies");
    for (int i = 0; i < 5 && !OnTop("GS_Trophy"); ++i) {
        SettleShadow();
        if (!shadow_->Top() || !IsNotice(shadow_->Top()->GetName())) break;
        ASSERT_TRUE(Settle("51-trophy-notice-" + std::to_string(i), TopArea()));
        Click("button_ok");
    }
    ASSERT_TRUE(Until([&] { return OnTop("GS_Trophy"); })) << shadow_->StackNames();
    ASSERT_TRUE(Settle("52-trophies", kScreen, 0.95));
    Click("button_close");
    Run(2);
    ASSERT_TRUE(OnTop("GS_Main"));
    ASSERT_TRUE(Settle("53-main-menu", kScreen, 0.95));
    QuitThroughTheCloseBox("54-quit-query");
    ASSERT_FALSE(HasFatalFailure());

    // ---- The second start: the menu at once, for the player the files hold,
    // with Japan completed.
    Launch("run2");
    ASSERT_TRUE(Until([&] { return OnTop("GS_Main"); })) << shadow_->StackNames();
    EXPECT_EQ(shadow_->Game()->GetUserProfiles()->GetCurrent()->GetName(), "Ada");
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"tutorial_passed", "yes"},
             {"big_mosaic_completed_japan", "yes"},
             {"location_state_japan", "completed"},
             {"current_level_japan", "11"},
             {"items_japanlayer_1", "lantern,torii,pine,"},
             {"items_japanlayer_2", "cherry,pagoda,bridge,"},
             {"items_japanlayer_3", "paper_lanterns,crane,bell,"}}) {
        EXPECT_EQ(ShadowValue(key), value) << key;
    }
    ASSERT_TRUE(Settle("60-second-start", kScreen, 0.95));

    StartABonusLevelOfJapan();
}

}  // namespace
