// The game played in a real window: the program as built, on the data as
// built, under the X display with the real SDL backend, by a scripted player
// who creates a player, reads the story, plays the tutorial, puts Japan's
// mosaic together, wins Japan's ten levels and buys its nine items in the
// shop up to the location's completion, opens the trophy cabinet and quits
// through the close box; a second start finds that progress in the player
// files, plays Japan's bonus level from the bonus selection through its
// three rounds to the results and the high-score table, and quits.
//
// The player is guided by a shadow: the same game on the same data, run in
// this process under the screen harness with the same random seed
// (QM_RANDOM_SEED: the same mosaic shuffle, bonus pictures and tips), and
// given every input the window is given. Both keep an input log
// (QM_INPUT_LOG): each click is given to the window once the window's log
// shows the shadow's screen stack with its top screen taking clicks, and
// counts as given when the window's log names the widget that took it as the
// shadow's does; a click nobody took (a board still starting, a tile still
// moving) is given again once the window says it is settled, and one that
// another widget took fails the test. The shadow says where a widget lies
// and what a settled screen looks like; at each step the window must show
// what the shadow shows (every step's window is kept in
// test-artifacts/playthrough of the build folder, with the shadow's frame
// beside it when they never agree).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/lang/MultiLanguages.h"
#include "core/storage/XMLStorage.h"
#include "engine/EngineStartup.h"
#include "engine/InputLog.h"
#include "game/GameConfig.h"
#include "game/HighScores.h"
#include "game/PlayerDataFile.h"
#include "game/UserProfiles.h"
#include "minigames/BonusControl.h"
#include "minigames/MosaicScreen.h"
#include "nonogram/ControlGameNonogram.h"
#include "nonogram/TutorialControl.h"
#include "tests/app/AppUnderTest.h"
#include "tests/app/InputLogReader.h"
#include "tests/app/X11Driver.h"
#include "tests/data/BuiltGame.h"
#include "tests/support/EnvGuard.h"
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
const milliseconds kSettleTimeout(60000);
// What the window must say of an input before the next: a safety bound only.
const milliseconds kAckTimeout(60000);
// The seed of both runs' draws.
constexpr char kSeed[] = "20261211";

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

// The input log's words on one press or release: "screen=... widget=...".
std::string WhereOf(const std::string& line) {
    const size_t at = line.find(" screen=");
    return at == std::string::npos ? line : line.substr(at + 1);
}
bool Starts(const std::string& line, const char* head) {
    return line.rfind(head, 0) == 0;
}
bool Untaken(const std::string& where) {
    return where.size() >= 11 && where.compare(where.size() - 11, 11, "widget=none") == 0;
}

// Where a click's press and release went, by the log lines from mark on;
// empty while they are not there.
struct TTaken {
    std::string down, up;
};
TTaken TakenSince(const std::vector<std::string>& lines, size_t mark) {
    TTaken taken;
    for (size_t i = mark; i < lines.size(); ++i) {
        if (taken.down.empty() && (Starts(lines[i], "mouse left-down ") || Starts(lines[i], "mouse left-double "))) {
            taken.down = WhereOf(lines[i]);
        } else if (!taken.down.empty() && Starts(lines[i], "mouse left-up ")) {
            taken.up = WhereOf(lines[i]);
            break;
        }
    }
    return taken;
}
// Where the first key from mark on went: its three events ("down|up|up-
// after": a field types on the last), once the last is logged; empty
// before.
std::string KeyTakenSince(const std::vector<std::string>& lines, size_t mark) {
    std::string down, up;
    for (size_t i = mark; i < lines.size(); ++i) {
        if (down.empty()) {
            if (Starts(lines[i], "key down ")) down = WhereOf(lines[i]);
        } else if (Starts(lines[i], "key up ")) {
            up = WhereOf(lines[i]);
        } else if (Starts(lines[i], "key up-after ")) {
            return down + "|" + up + "|" + WhereOf(lines[i]);
        }
    }
    return {};
}

// The parts of a "|"-joined answer.
std::vector<std::string> Parts(const std::string& joined) {
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        const size_t end = joined.find('|', start);
        parts.push_back(joined.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
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
        SetInputLogSink([this](std::string_view line) { shadowLines_.emplace_back(line); });
    }

    void TearDown() override {
        if (real_.Connected() && real_.Running()) real_.WaitForExit(milliseconds(1));
        EndBuiltGame(shadow_);
        SetInputLogSink({});
        LoadLanguage("");
        std::printf("clicks and keys given to the window again (nobody took them): %d\n", regiven_);
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
        {
            // The engine seeds its generators from the environment at start.
            const TEnvGuard seed("QM_RANDOM_SEED", kSeed);
            ASSERT_TRUE(StartBuiltDefinition(*shadow_));
        }

        const std::string inputLog = (artifacts_ / (run + "-input.log")).string();
        windowLog_.Open(inputLog);
        // The shadow's clicks are all single: a click given again at once on
        // the same spot must not become a double click in the window.
        ASSERT_TRUE(real_.Start(AppProgram(), {"--data", AppData()},
                                (artifacts_ / (run + ".log")).string(),
                                {AppAsanOptions(), "XDG_DATA_HOME=" + realHome_->Path().string(),
                                 "QM_INPUT_LOG=" + inputLog, std::string("QM_RANDOM_SEED=") + kSeed,
                                 "SDL_MOUSE_DOUBLE_CLICK_TIME=0"}));
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

    // The last lines of the window's input log, for a failure's message.
    std::string WindowTail() {
        windowLog_.Poll();
        const std::vector<std::string>& lines = windowLog_.Lines();
        std::string tail;
        for (size_t i = lines.size() > 6 ? lines.size() - 6 : 0; i < lines.size(); ++i) tail += "\n  " + lines[i];
        return tail;
    }

    // Waits until the window's log shows stack (the shadow's, bottom first)
    // with its top screen taking clicks.
    bool WindowSettled(const std::string& stack, const std::string& what) {
        if (windowLog_.WaitFor([&](const std::vector<std::string>&) { return windowLog_.Settled(stack); },
                               [&] { return real_.Running(); }, kAckTimeout)) {
            return true;
        }
        ADD_FAILURE() << what << ": the window never settled on the shadow's screens \"" << stack
                      << "\"; its input log ends:" << WindowTail();
        return false;
    }

    // Gives the window an input already given to the shadow, whose log said
    // expected of it, once the window shows stack settled; again, once it
    // is settled again, while nobody took it. False, and a failure, when
    // another widget took it or the window never answers.
    template <class Give, class Read>
    bool GiveWindow(const std::string& stack, const std::string& what, const std::string& expected, Give give,
                    Read read) {
        const TClock::time_point end = TClock::now() + kAckTimeout;
        while (TClock::now() < end) {
            if (!WindowSettled(stack, what)) return false;
            const size_t mark = windowLog_.Count();
            give();
            std::string got;
            if (!windowLog_.WaitFor(
                    [&](const std::vector<std::string>& lines) { return !(got = read(lines, mark)).empty(); },
                    [&] { return real_.Running(); }, kAckTimeout)) {
                ADD_FAILURE() << what << ": the window never said what became of it; its input log ends:"
                              << WindowTail();
                return false;
            }
            if (got == expected) return true;
            // Only events nobody took may differ: then it is given again.
            const std::vector<std::string> gotParts = Parts(got), expectedParts = Parts(expected);
            bool other = gotParts.size() != expectedParts.size();
            for (size_t i = 0; !other && i < gotParts.size(); ++i)
                other = gotParts[i] != expectedParts[i] && !Untaken(gotParts[i]);
            if (other) {
                ADD_FAILURE() << what << ": the window took it as \"" << got << "\", the shadow as \"" << expected
                              << "\"";
                return false;
            }
            ++regiven_;
        }
        ADD_FAILURE() << what << ": nobody in the window took it; its input log ends:" << WindowTail();
        return false;
    }

    // One click at x, y given to both: the shadow first, then the window as
    // GiveWindow does; the pointer then rests in its corner unless stay.
    bool ClickAt(int x, int y, bool stay = false, const std::string& what = "") {
        const std::string stack = shadow_->StackNames();
        const size_t mark = shadowLines_.size();
        shadow_->Click(x, y);
        const TTaken shadow = TakenSince(shadowLines_, mark);
        if (!stay) shadow_->MouseMove(kRestX, kRestY);
        const std::string label =
            "the click " + (what.empty() ? "at " + std::to_string(x) + "," + std::to_string(y) : "on " + what);
        const bool taken = GiveWindow(
            stack, label, shadow.down + "|" + shadow.up,
            [&] {
                real_.Click(x, y);
                if (!stay) real_.MoveTo(kRestX, kRestY);
            },
            [](const std::vector<std::string>& lines, size_t from) {
                const TTaken window = TakenSince(lines, from);
                return window.up.empty() ? std::string() : window.down + "|" + window.up;
            });
        EXPECT_TRUE(taken) << label;
        return taken;
    }
    // One click on the widget at path of the shadow's top screen.
    bool Click(const std::string& path, bool stay = false) {
        const TPoint at = shadow_->CenterOf(path);
        return ClickAt(at.x, at.y, stay, path);
    }
    // One key (an X key name; the shadow's SDL key and its text) given to
    // both as ClickAt gives a click.
    bool PressKey(const std::string& xName, SDL_Scancode scancode, SDL_Keycode key, const char* text) {
        const std::string stack = shadow_->StackNames();
        const size_t mark = shadowLines_.size();
        shadow_->PressKey(scancode, key, text);
        const bool taken = GiveWindow(
            stack, "the key " + xName, KeyTakenSince(shadowLines_, mark),
            [&] {
                if (xName.size() == 1 && std::isupper(static_cast<unsigned char>(xName[0]))) {
                    real_.Type(xName);
                } else {
                    real_.Key(xName);
                }
            },
            [](const std::vector<std::string>& lines, size_t from) { return KeyTakenSince(lines, from); });
        EXPECT_TRUE(taken) << "the key " << xName;
        return taken;
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

    // The first start: the menu asks for a player at once; the name is
    // typed, and Return makes the player.
    void CreatePlayer() {
        ASSERT_TRUE(Until([&] { return OnTop("GS_NewUser"); }));
        Run(10);
        ASSERT_TRUE(Settle("01-new-player", Bounds("button_ok")));
        ASSERT_TRUE(PressKey("A", SDL_SCANCODE_A, SDLK_a, "A"));
        ASSERT_TRUE(PressKey("d", SDL_SCANCODE_D, SDLK_d, "d"));
        ASSERT_TRUE(PressKey("a", SDL_SCANCODE_A, SDLK_a, "a"));
        ASSERT_TRUE(PressKey("Return", SDL_SCANCODE_RETURN, SDLK_RETURN, nullptr));
        shadow_->Step(2, 20);
        ASSERT_EQ(shadow_->StackNames(), "GS_Main");
        ASSERT_EQ(shadow_->Game()->GetUserProfiles()->GetCurrent()->GetName(), "Ada");
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
        // The page takes the click once it writes (given again before).
        Click("text_history");
        Run(10);
        ASSERT_EQ(shadow_->Find("text_history")->GetProperty("visualization_state").ToInt(), 2);
        ASSERT_TRUE(Settle("03-story"));
        Click("button_continue");
        ASSERT_TRUE(Until([&] { return OnTop("GS_Tutorial"); }));
        ASSERT_EQ(shadow_->StackNames(), "GS_Main GS_Map GS_MapFirstTime GS_Tutorial");
    }

    // A press on the first point dragged through the others to the last,
    // given to both. The window's drag is done again (once settled) until
    // it has named every cell the shadow's did: its press and moves may be
    // given while the board is not yet taking them.
    bool Drag(const std::vector<TPoint>& through, const std::string& what) {
        const std::string stack = shadow_->StackNames();
        size_t mark = shadowLines_.size();
        shadow_->MouseDown(through.front().x, through.front().y);
        for (const TPoint& at : through) {
            shadow_->MouseMove(at.x, at.y);
            shadow_->Step(1);
        }
        shadow_->MouseUp(through.back().x, through.back().y);
        shadow_->MouseMove(kRestX, kRestY);
        const auto takers = [](const std::vector<std::string>& lines, size_t from, std::set<std::string>& into) {
            bool released = false;
            for (size_t i = from; i < lines.size() && !released; ++i) {
                released = Starts(lines[i], "mouse left-up ");
                if (Starts(lines[i], "mouse ") && !Untaken(WhereOf(lines[i]))) into.insert(WhereOf(lines[i]));
            }
            return released;
        };
        std::set<std::string> expected, named;
        takers(shadowLines_, mark, expected);
        const TClock::time_point end = TClock::now() + kAckTimeout;
        while (TClock::now() < end) {
            if (!WindowSettled(stack, what)) return false;
            mark = windowLog_.Count();
            // Each move once the window has told the one before: moves that
            // wait in its queue are merged into the last.
            const auto told = [&](const std::string& head) {
                return windowLog_.WaitFor(
                    [&](const std::vector<std::string>& lines) {
                        for (size_t i = mark; i < lines.size(); ++i)
                            if (Starts(lines[i], head.c_str())) return true;
                        return false;
                    },
                    [&] { return real_.Running(); }, kAckTimeout);
            };
            real_.Press(through.front().x, through.front().y);
            bool moved = told("mouse left-down ");
            for (size_t i = 1; moved && i < through.size(); ++i) {
                real_.MoveTo(through[i].x, through[i].y);
                moved = told("mouse move " + std::to_string(through[i].x) + " " + std::to_string(through[i].y) + " ");
            }
            real_.Release();
            real_.MoveTo(kRestX, kRestY);
            std::set<std::string> now;
            if (!windowLog_.WaitFor([&](const std::vector<std::string>& lines) { return takers(lines, mark, now); },
                                    [&] { return real_.Running(); }, kAckTimeout)) {
                ADD_FAILURE() << what << ": the window never said what became of it; its input log ends:"
                              << WindowTail();
                return false;
            }
            named.insert(now.begin(), now.end());
            if (std::includes(named.begin(), named.end(), expected.begin(), expected.end())) return true;
            ++regiven_;
        }
        ADD_FAILURE() << what << ": the window's drags never named every cell the shadow's did";
        return false;
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
            if (stateValue(state, "enable_mouse") != "yes") {
                ASSERT_TRUE(Click("control_tutorial/button_ok")) << "state " << state;
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
            const auto toolOf = [](bool full) {
                return full ? "control_tutorial/image_select" : "control_tutorial/image_hammer";
            };
            if (stateValue(state, "info_cell") == "info_drag") {
                // A press dragged along the cells.
                if (tools) {
                    ASSERT_TRUE(Click(toolOf(asked.front().second), true)) << "state " << state;
                }
                std::vector<TPoint> through;
                for (const auto& [key, full] : asked) through.push_back(shadow_->CenterOf(cellPath(key)));
                ASSERT_TRUE(Drag(through, "the drag of state " + std::to_string(state)));
            } else {
                for (const auto& [key, full] : asked) {
                    if (tools) {
                        ASSERT_TRUE(Click(toolOf(full), true)) << "state " << state;
                    }
                    ASSERT_TRUE(Click(cellPath(key), true)) << "state " << state;
                    shadow_->Step(1);
                }
                Rest();
            }
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

    // Japan's first visit: its big mosaic over the scene, shuffled alike in
    // both by the seed. Each tile is brought home by a click on the cell
    // holding it and one on its own cell; a click on a tile still moving is
    // given again.
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
        // The board as shuffled: the window shows the shadow's tiles.
        ASSERT_TRUE(Settle("09-mosaic", Bounds("move_group/cells_group"), 0.97));
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
                ASSERT_TRUE(Click(holder, true));
                ASSERT_TRUE(Click(cellPath(r, c), true));
                ASSERT_TRUE(Until([&] {
                    return whole(shadow_->Find(cellPath(r, c))->GetProperty("state")) == 1 &&
                           whole(shadow_->Find(holder)->GetProperty("state")) != 2;
                }));
            }
        }
        Rest();
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

    // The picture on the board of the top screen: its cells with the arrow,
    // the others with the hammer, each click taken by the board before the
    // next, while the shadow's board still plays.
    template <class Playing>
    void PlayTheBoard(const TNonogramRules& rules, Playing playing) {
        const std::string cells = "control_game_nonogram/grid/cells/cell";
        for (const bool full : {true, false}) {
            if (!playing()) break;
            ASSERT_TRUE(Click(full ? "control_game_nonogram/image_select" : "control_game_nonogram/image_hammer", true));
            for (int32_t r = 0; r < rules.Rows(); ++r) {
                for (int32_t c = 0; c < rules.Cols(); ++c) {
                    if ((rules.Value(r, c) == kCellFull) != full || !playing()) continue;
                    ASSERT_TRUE(Click(cells + std::to_string(r) + "_" + std::to_string(c), true));
                }
            }
            Rest();
        }
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
        PlayTheBoard(board->Rules(), [&] { return board->GetGameMode() == 2; });
        ASSERT_FALSE(HasFatalFailure());
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
        // A point well inside what the item covers (a gate's middle is open
        // sky, and an edge pixel's cover is too fine to rely on).
        auto* shop = dynamic_cast<TQuillmarchControlSceneShop*>(shadow_->Find("control_scene_shop").get());
        EXPECT_NE(shop, nullptr);
        const Ref<IWidget> item = shadow_->Find(items + "/" + cheapest);
        const TArea area = Bounds(items + "/" + cheapest);
        const auto covers = [&](int x, int y) {
            for (const int dy : {-3, 0, 3}) {
                for (const int dx : {-3, 0, 3}) {
                    if (!shop || shop->ItemAt(x + dx, y + dy).get() != item.get()) return false;
                }
            }
            return true;
        };
        TPoint on{-1, -1};
        for (int fy = 1; fy < 16 && on.x < 0; ++fy) {
            for (int fx = 1; fx < 16 && on.x < 0; ++fx) {
                const int x = area.left + (area.right - area.left) * fx / 16;
                const int y = area.top + (area.bottom - area.top) * fy / 16;
                if (covers(x, y)) on = {x, y};
            }
        }
        EXPECT_GE(on.x, 0) << "no point of " << cheapest << " takes a click";
        if (on.x < 0) return false;
        if (!ClickAt(on.x, on.y, false, "the shop's " + cheapest)) return false;
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
        // The program ends on the click, perhaps before it logs it.
        ASSERT_TRUE(WindowSettled(shadow_->StackNames(), "the quit query"));
        const TPoint quit = shadow_->CenterOf("button_exit");
        real_.Click(quit.x, quit.y);
        ASSERT_TRUE(real_.WaitForExit(kAckTimeout)) << "the program did not end";
        EXPECT_EQ(real_.ExitStatus(), 0);
    }

    // Japan's bonus level from the main menu's bonus selection: its three
    // rounds, the same pictures in both by the seed, each solved on its
    // board; the results, the trophy they earn, and the bonus selection
    // again with the location's high-score table. The total counts the time
    // left and is the window's own.
    void PlayJapansBonusLevel() {
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
        EXPECT_EQ(board->GetRounds(), 3);
        for (int32_t round = 1; round <= board->GetRounds(); ++round) {
            const auto playing = [&] {
                return board->GetCurrentRound() == round && board->GetGameState() == TBonusGameState::kPlaying;
            };
            ASSERT_TRUE(Until(playing)) << "round " << round;
            Run(10);
            // The clues show the picture: the window drew the shadow's.
            ASSERT_TRUE(Settle("63-bonus-round-" + std::to_string(round), Bounds("control_game_nonogram/grid"), 0.97));
            PlayTheBoard(board->Rules(), playing);
            ASSERT_FALSE(HasFatalFailure()) << "round " << round;
            EXPECT_EQ(board->GetErrorsMade(), 0) << "round " << round;
        }
        ASSERT_TRUE(Until([&] { return OnTop("GS_StatNonogramBonus"); })) << shadow_->StackNames();
        ASSERT_TRUE(Until([&] { return shadow_->Find("button_ok")->GetVisible(); }));
        Run(100);
        ASSERT_TRUE(Settle("66-bonus-results", Bounds("button_ok"), 0.97));
        Click("button_ok");
        // The total passes Japan's bonus trophy: the cabinet with its news,
        // then the bonus selection with the table.
        for (int i = 0; i < 6 && !OnTop("GS_MainBonus"); ++i) {
            SettleShadow();
            const Ref<IGameScreenSlave> top = shadow_->Top();
            ASSERT_TRUE(top);
            const std::string name = top->GetName();
            const std::string step = "67-" + std::to_string(i) + "-" + name;
            if (IsNotice(name)) {
                ASSERT_TRUE(Settle(step, TopArea()));
                Click("button_ok");
            } else if (name == "GS_Trophy") {
                ASSERT_TRUE(Settle(step, kScreen, 0.95));
                Click("button_close");
            } else if (name != "GS_MainBonus") {
                FAIL() << "an unexpected screen after the bonus level: " << shadow_->StackNames();
            }
            Run(2);
        }
        ASSERT_TRUE(Until([&] { return OnTop("GS_MainBonus"); })) << shadow_->StackNames();
        EXPECT_EQ(ShadowValue("trophy_japan"), "yes");
        // The table's row holds the window's own total.
        ASSERT_TRUE(Settle("68-bonus-selection-after", kScreen, 0.93));
        QuitThroughTheCloseBox("69-quit-query");
    }

    // The score of player's row in the table of the window's high-score file;
    // -1 without one.
    int64_t WindowHighScore(const std::string& table, const std::string& player) {
        std::ifstream in(RealPlayerDir() / kHighScoresFileName, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string why;
        const Ref<IHierStorage> root =
            DecodePlayerFileText(text, {kHighScoresFileName, "highscores", GetHighScoresFileKey()}, why);
        EXPECT_TRUE(root) << why;
        const Ref<IHierStorage> tables = root ? root->GetChild("recordtables", 0) : nullptr;
        for (int32_t t = 0; tables && t < tables->GetChildCount("recordtable"); ++t) {
            const Ref<IHierStorage> rows = tables->GetChild("recordtable", t);
            if (rows->GetValue("name", Variant("")).ToString() != table) continue;
            const Ref<IHierStorage> records = rows->GetChild("records", 0);
            for (int32_t r = 0; records && r < records->GetChildCount("record"); ++r) {
                const Ref<IHierStorage> params = records->GetChild("record", r)->GetChild("params", 0);
                std::map<std::string, std::string> fields;
                for (int32_t f = 0; params && f < params->GetChildCount("param"); ++f) {
                    const Ref<IHierStorage> field = params->GetChild("param", f);
                    fields[field->GetValue("name", Variant("")).ToString()] = field->GetText().ToString();
                }
                if (fields["Player"] == player) return std::stoll("0" + fields["Score"]);
            }
        }
        return -1;
    }

    int actions_ = 0, levelsWon_ = 0, purchases_ = 0, regiven_ = 0;
    std::unique_ptr<TGameHarness> shadow_;
    std::vector<std::string> shadowLines_;
    TInputLogReader windowLog_;
    TX11Driver real_;
    std::unique_ptr<TTempDir> realHome_;
    fs::path artifacts_ = fs::path(QM_ARTIFACTS_DIR) / "playthrough";
};

TEST_F(PlayThrough, FromANewPlayerToTheBonusLevelsHighScoresWithTheProgressKeptBetweenStarts) {
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

    PlayJapansBonusLevel();
    ASSERT_FALSE(HasFatalFailure());
    // The window's table has the player's row, with a total past the trophy's
    // 1500 points as the shadow's.
    EXPECT_GT(WindowHighScore("japan", "Ada"), 1500);
    EXPECT_GT(shadow_->Game()->GetHighScores()->GetTables()->GetItem(Variant("japan"))->GetRecords()->GetCount(), 0);
}

}  // namespace
