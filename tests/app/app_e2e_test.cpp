// The game from start to quit in a real window: the program as built, on the
// data as built, under the X display (Xvfb in ./test.sh) with the real SDL
// backend. A scripted player waits for the logo, the splash and the main
// menu, which asks for a player at once: types a name, changes the sound
// volume in Options, finds the player selected in Players, and quits through
// the close box and its query; a second start goes straight to the menu with
// the player and the volume kept, and quits through the menu's Quit button. Each step's screenshot is kept
// in test-artifacts/app of the build folder and checked where the art says a
// picture lies: its opaque pixels must be on the screen as the build drew
// them. The start-up times are printed (measured, never asserted); to take
// them from another build, QM_APP_PROGRAM and QM_APP_DATA name its program
// and data folder (a release build: build/rel/bin/quillmarch and
// build/rel/gamedata).
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "engine/EngineStartup.h"
#include "game/GameConfig.h"
#include "game/PlayerDataFile.h"
#include "tests/app/AppUnderTest.h"
#include "tests/app/X11Driver.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using TClock = TX11Driver::TClock;

const milliseconds kScreenTimeout(20000);

// A rectangle inside a picture, in the picture's pixels.
struct TPart {
    int left, top, right, bottom;  // right and bottom exclusive
};

// Where the data puts things (data/ini/Quillmarch.xml).
struct TPlaced {
    const char* art;  // data/images/<art>.png
    int x, y;         // its place on the 1024 x 768 screen
    TPart part;       // the part to compare (where no caption lies over it)
};

const TPlaced kLogoOnLogoScreen{"logo", 192, 234, {0, 0, 640, 200}};
const TPlaced kProgressFrame{"progress_frame", 272, 484, {0, 0, 480, 28}};
// The main menu's buttons, above their captions.
const TPlaced kOptionsButton{"button_normal", 112, 346, {0, 0, 256, 18}};
const TPlaced kProfilesButton{"button_normal", 112, 420, {0, 0, 256, 18}};
const TPlaced kLargePanel{"panel_large", 192, 104, {0, 0, 640, 34}};
const TPlaced kPanel{"panel", 256, 192, {0, 0, 512, 34}};
const TPlaced kListFrame{"list_box", 352, 204, {0, 0, 320, 4}};
const TPlaced kNameField{"field", 352, 352, {0, 0, 320, 40}};
// Where the first letters of a typed name go (the caret starts there too).
const TPlaced kNameStart{"field", 352, 352, {8, 4, 120, 36}};
const TPlaced kSmallButtonLeft{"button_small_normal", 320, 472, {0, 0, 176, 14}};
// The sound volume's thumb at 25 (of 0 to 100 over 232 pixels of travel).
const TPlaced kThumbAt25{"slider_thumb", 570, 374, {0, 0, 24, 32}};
const TPlaced kThumbAt70{"slider_thumb", 674, 374, {0, 0, 24, 32}};
// The selected row's background under the second row of the list, right of
// the name.
const TPlaced kSecondRowSelected{"list_selection", 360, 240, {150, 2, 300, 30}};
const TPlaced kFirstRowSelected{"list_selection", 360, 208, {150, 2, 300, 30}};

const std::string& kProgram = AppProgram();
const std::string& kData = AppData();

std::string ArtPath(const std::string& name) {
    return kData + "/data/images/" + name + ".png";
}

// How many of the part's opaque art pixels the shot shows (within a small
// tolerance per channel) and how many it shows otherwise; {0, 0} when the
// art cannot be read.
struct TTally {
    int same = 0;
    int different = 0;
};

TTally Compare(const TShot& shot, const TPlaced& placed) {
    static std::map<std::string, TPicture> cache;
    TPicture& art = cache[placed.art];
    if (art.pixels.empty()) art = ReadPng(ArtPath(placed.art));
    TTally tally;
    if (art.pixels.empty()) return tally;
    for (int y = placed.part.top; y < placed.part.bottom && y < art.height; ++y) {
        for (int x = placed.part.left; x < placed.part.right && x < art.width; ++x) {
            const uint32_t a = art.At(x, y);
            if ((a >> 24) != 0xFF) continue;
            const int sx = placed.x + x, sy = placed.y + y;
            if (sx < 0 || sy < 0 || sx >= shot.width || sy >= shot.height) continue;
            const uint32_t s = shot.At(sx, sy);
            bool near = true;
            for (int shift : {0, 8, 16}) {
                const int d = int((a >> shift) & 0xFF) - int((s >> shift) & 0xFF);
                if (d > 4 || d < -4) near = false;
            }
            ++(near ? tally.same : tally.different);
        }
    }
    return tally;
}

// The share of the part's opaque art pixels that the shot shows.
double Agreement(const TShot& shot, const TPlaced& placed) {
    const TTally tally = Compare(shot, placed);
    const int opaque = tally.same + tally.different;
    return opaque == 0 ? 0 : double(tally.same) / opaque;
}

bool Shows(const TShot& shot, const TPlaced& placed) {
    return Agreement(shot, placed) >= 0.97;
}

class AppEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!driver.Connected()) GTEST_SKIP() << "no X display (DISPLAY is not set)";
        ASSERT_TRUE(driver.HasXTest()) << "the X server offers no XTEST extension";
        fs::create_directories(artifacts);
        for (const auto& entry : fs::directory_iterator(artifacts)) fs::remove_all(entry.path());
    }

    // Starts the program and waits for its window.
    void Launch(const std::string& run) {
        ASSERT_TRUE(driver.Start(kProgram, {"--data", kData},
                                 (artifacts / (run + ".log")).string(), {AppAsanOptions()}));
        ASSERT_TRUE(driver.WaitForWindow(kScreenTimeout))
            << "no window; see " << (artifacts / (run + ".log")).string();
    }

    // Waits for a screen that shows every placed picture, keeps the shot as
    // an artifact and answers it.
    TShot Expect(const std::string& step, std::initializer_list<TPlaced> pictures) {
        TShot shot = driver.WaitFor(
            [&](const TShot& s) {
                for (const TPlaced& p : pictures)
                    if (!Shows(s, p)) return false;
                return true;
            },
            kScreenTimeout);
        if (shot.Empty()) {
            const TShot last = driver.Shot();
            if (!last.Empty()) WriteShotPng(last, (artifacts / (step + "-FAILED.png")).string());
            std::string detail;
            for (const TPlaced& p : pictures) {
                detail += std::string(" ") + p.art + "=" +
                          std::to_string(last.Empty() ? -1.0 : Agreement(last, p));
            }
            ADD_FAILURE() << "step " << step << " did not show its pictures:" << detail;
            return shot;
        }
        EXPECT_TRUE(WriteShotPng(shot, (artifacts / (step + ".png")).string()));
        return shot;
    }

    // The pointer is drawn by the game: moved into a corner with nothing to
    // check, after every click.
    void ClickAndLeave(int x, int y) {
        driver.Click(x, y);
        driver.MoveTo(1010, 755);
    }

    static double Ms(TClock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    }

    // A player file of the player data folder, deciphered.
    Ref<IHierStorage> PlayerFile(const std::string& name, const std::string& root,
                                 const std::string& key) {
        const std::string path = GetUserDataDir() + name;
        std::ifstream in(path, std::ios::binary);
        EXPECT_TRUE(in.good()) << path << " is missing";
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string why;
        const Ref<IHierStorage> node = DecodePlayerFileText(text, {name, root, key}, why);
        EXPECT_TRUE(node) << path << ": " << why;
        return node;
    }

    TX11Driver driver;
    fs::path artifacts = fs::path(QM_ARTIFACTS_DIR) / "app";
};

TEST_F(AppEndToEnd, FromTheLogoToTheQuitQueryAndBackWithThePlayerKept) {
    // The configuration names the player data folder the program will use.
    ApplyQuillmarchConfiguration();

    // ---- First start.
    Launch("run1");
    const TShot first = driver.WaitFor(
        [](const TShot& s) { return s.At(s.width / 2, 40) != 0 && s.At(40, s.height / 2) != 0; },
        kScreenTimeout, milliseconds(2));
    ASSERT_FALSE(first.Empty()) << "the window never showed a frame";
    const TClock::duration toFirstFrame = TClock::now() - driver.StartTime();
    driver.MoveTo(1010, 755);

    Expect("01-logo", {kLogoOnLogoScreen});
    // The splash and its loading bar, then the main menu, which asks for a
    // player first.
    bool splashSeen = false;
    TShot newPlayer = driver.WaitFor(
        [&](const TShot& s) {
            if (!splashSeen && Shows(s, kProgressFrame)) {
                splashSeen = true;
                WriteShotPng(s, (artifacts / "02-splash.png").string());
            }
            return Shows(s, kPanel) && Shows(s, kNameField);
        },
        kScreenTimeout, milliseconds(5));
    ASSERT_FALSE(newPlayer.Empty()) << "the main menu never asked for a player";
    const TClock::duration toMainScreen = TClock::now() - driver.StartTime();
    // A fast build loads the menus' resources in a few frames, so the splash
    // may come and go between two looks at the window: it is kept when seen.
    if (!splashSeen) std::printf("the splash screen came and went between two screenshots\n");
    WriteShotPng(newPlayer, (artifacts / "03-new-player.png").string());

    // Three letters cover far more of the field than the caret alone.
    const int caret = std::max(Compare(driver.Shot(), kNameStart).different, 48);
    driver.Type("Ada");
    TShot typed = driver.WaitFor(
        [&](const TShot& s) { return Compare(s, kNameStart).different > caret + 100; },
        kScreenTimeout);
    ASSERT_FALSE(typed.Empty()) << "the typed name never showed in the field";
    WriteShotPng(typed, (artifacts / "04-name-typed.png").string());
    driver.Key("Return");
    // The new player is made current and the menu shows on its own.
    Expect("05-main", {kOptionsButton, kProfilesButton});

    // Options: the sound volume from 70 down to 25 by dragging its thumb.
    ClickAndLeave(240, 378);
    Expect("06-options", {kLargePanel, kThumbAt70});
    driver.Press(686, 390);
    for (int x = 680; x >= 582; x -= 7) {
        driver.MoveTo(x, 390);
        TX11Driver::Sleep(milliseconds(15));
    }
    driver.MoveTo(582, 390);
    TX11Driver::Sleep(milliseconds(30));
    driver.Release();
    driver.MoveTo(1010, 755);
    Expect("07-volume-changed", {kLargePanel, kThumbAt25});
    // Close: the main menu again.
    ClickAndLeave(624, 568);
    Expect("08-options-closed", {kOptionsButton, kProfilesButton});

    // Players: the new player is the selected row, below "Create new player".
    ClickAndLeave(240, 452);
    const TShot firstPlayers = Expect("09-players", {kLargePanel, kSecondRowSelected});
    if (!firstPlayers.Empty()) {
        EXPECT_LT(Agreement(firstPlayers, kFirstRowSelected), 0.5) << "the first row is selected too";
    }
    ClickAndLeave(704, 568);
    Expect("10-main-again", {kOptionsButton, kProfilesButton});

    // The close box asks first; Quit ends the program.
    driver.CloseWindow();
    Expect("11-quit-query", {kPanel, kSmallButtonLeft});
    ClickAndLeave(408, 496);
    ASSERT_TRUE(driver.WaitForExit(kScreenTimeout)) << "the program did not end";
    EXPECT_EQ(driver.ExitStatus(), 0);

    // The player files hold the player and the volume.
    if (const Ref<IHierStorage> users = PlayerFile("users.dat", "userprofiles", GetUsersFileKey())) {
        EXPECT_EQ(users->GetValue("current_user_profile_name", Variant("")).ToString(), "Ada");
    }
    if (const Ref<IHierStorage> options = PlayerFile("options.dat", "options", GetOptionsFileKey())) {
        EXPECT_EQ(options->GetChildText("SoundVolume").ToString(), "25");
    }

    // ---- Second start: the menu at once, with the volume and the player.
    Launch("run2");
    Expect("12-second-main", {kOptionsButton, kProfilesButton});
    const TClock::duration secondToMain = TClock::now() - driver.StartTime();
    ClickAndLeave(240, 378);
    Expect("13-second-options", {kLargePanel, kThumbAt25});
    ClickAndLeave(624, 568);
    Expect("14-second-options-closed", {kOptionsButton, kProfilesButton});
    ClickAndLeave(240, 452);
    const TShot players = Expect("15-second-players", {kLargePanel, kSecondRowSelected});
    if (!players.Empty()) {
        EXPECT_LT(Agreement(players, kFirstRowSelected), 0.5) << "the first row is selected too";
    }
    // Cancel, then Quit from the main menu and its query.
    ClickAndLeave(704, 568);
    Expect("16-second-main-again", {kOptionsButton, kProfilesButton});
    ClickAndLeave(240, 674);
    Expect("17-second-quit-query", {kPanel, kSmallButtonLeft});
    ClickAndLeave(408, 496);
    ASSERT_TRUE(driver.WaitForExit(kScreenTimeout)) << "the program did not end";
    EXPECT_EQ(driver.ExitStatus(), 0);

    const std::string timing =
        "first presented frame: " + std::to_string(Ms(toFirstFrame)) + " ms\n" +
        "main menu asking for a player: " + std::to_string(Ms(toMainScreen)) +
        " ms (the logo's 1200 ms included)\n" +
        "main screen, second start: " + std::to_string(Ms(secondToMain)) + " ms\n";
    std::ofstream(artifacts / "timing.txt") << timing;
    std::printf("%s", timing.c_str());
}

// At logout or shutdown the session sends SIGHUP or SIGTERM: the program
// saves what leaving through the close box would and ends at once, with
// status 0 and no query, where the close box asks first (above).
TEST_F(AppEndToEnd, SigtermAndSighupSaveAndEndWithoutAQuery) {
    ApplyQuillmarchConfiguration();
    for (const int signal : {SIGTERM, SIGHUP}) {
        const std::string run = signal == SIGTERM ? "sigterm" : "sighup";
        SCOPED_TRACE(run);
        // A first start each time: the menu asks for a player.
        fs::remove_all(GetUserDataDir());
        Launch(run);
        const TShot newPlayer = driver.WaitFor(
            [&](const TShot& s) { return Shows(s, kPanel) && Shows(s, kNameField); },
            kScreenTimeout);
        ASSERT_FALSE(newPlayer.Empty()) << "the main menu never asked for a player";
        driver.Type("Ada");
        driver.Key("Return");
        Expect(run + "-1-main", {kOptionsButton, kProfilesButton});
        // Start: the story rolls down over the menu. That the story was told
        // is kept in the player's profile, in memory until the game ends.
        ClickAndLeave(240, 304);
        const TShot story = driver.WaitFor(
            [&](const TShot& s) { return !Shows(s, kOptionsButton); }, kScreenTimeout);
        ASSERT_FALSE(story.Empty()) << "the story never began";
        if (const Ref<IHierStorage> users =
                PlayerFile("users.dat", "userprofiles", GetUsersFileKey())) {
            EXPECT_EQ(users->GetXML().ToString().find("show_history"), std::string::npos)
                << "already saved: the test would show nothing";
        }

        const TClock::time_point sent = TClock::now();
        driver.Signal(signal);
        ASSERT_TRUE(driver.WaitForExit(kScreenTimeout)) << "the program did not end";
        std::printf("%s: the program ended %.0f ms after the signal\n", run.c_str(),
                    Ms(TClock::now() - sent));
        EXPECT_EQ(driver.ExitStatus(), 0);
        std::ifstream log(artifacts / (run + ".log"));
        const std::string logText((std::istreambuf_iterator<char>(log)),
                                  std::istreambuf_iterator<char>());
        EXPECT_NE(logText.find("Asked to quit from outside the window"), std::string::npos)
            << logText;
        if (const Ref<IHierStorage> users =
                PlayerFile("users.dat", "userprofiles", GetUsersFileKey())) {
            const std::string xml = users->GetXML().ToString();
            const size_t at = xml.find(R"("show_history")");
            const size_t end = xml.find('>', at);
            EXPECT_TRUE(at != std::string::npos &&
                        xml.substr(at, end - at).find(R"(value="yes")") != std::string::npos)
                << xml;
        }
    }
}

}  // namespace
