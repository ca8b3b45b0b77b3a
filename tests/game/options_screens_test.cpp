// The options screens through the game: every show fills the controls from
// the engine's and the game's options (or hides a control whose option is
// not held), every change is written at once, the volume bar plays its test
// sound per step, and the screen closes by button or Escape.
#include <gtest/gtest.h>

#include <string>

#include "game/OptionsScreens.h"
#include "tests/game/ScreenTestSupport.h"
#include "tests/support/WavFile.h"

namespace {

using namespace screentest;

constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kGrey = 0xFF404040;

std::string CheckBox(const std::string& name, int y) {
    return R"(<widget type="CheckBoxControl" name=")" + name +
           R"(" visible="yes" enabled="yes" mousestop="yes" anchor_left="10" anchor_top=")" +
           std::to_string(y) + R"(" width="20" height="20"/>)";
}

// A probe with the sound "sound_checksoundvolume" on the resource "Long"; it
// silences the music while it plays, so the engine counts its playings.
std::string SoundBar(const std::string& name, int y) {
    std::string text = Probe(name, 10, y, 200, 20);
    text.replace(text.size() - 2, 2,
                 R"(><sounds><sound name="sound_checksoundvolume" resourcename="Long"
                                   mutemusic="yes"/></sounds></widget>)");
    return text;
}

// The wide-screen options screen; the track bars are probes that keep their
// "position" (the real track bar is in a test of its own). The hints option is the game's own when
// hints is given.
std::string OptionsGame(const std::string& type, const std::string& hints,
                        const std::string& extraWidgets = "") {
    const std::string params =
        hints.empty() ? ""
                      : R"(<params><param name="ShowHints" value=")" + hints + R"("/></params>)";
    return GameOf(
        R"(maings="GS_Main")",
        R"(<resourcefiles><resourcefile name="sounds" filename="sounds.xml" loadmode="synch"/>
           </resourcefiles>)" +
            params +
            ScreensOf(PlainScreen("GS_Main", 0, 0, 640, 480, kBlue) +
                      PlainScreen("GS_HighScores", 0, 0, 640, 480, kGrey) +
                      RealScreen(
                          "GS_Options", type,
                          CheckBox("checkbox_screenmode", 10) + CheckBox("checkbox_showhints", 40) +
                              CheckBox("checkbox_widescreen", 70) +
                              SoundBar("trackbar_soundvolume", 100) +
                              Probe("trackbar_musicvolume", 10, 130, 200, 20) +
                              Leaf("button_close", 10, 160, 40, 20, kGrey) +
                              Leaf("button_highscores", 60, 160, 40, 20, kGrey) + extraWidgets)));
}

class OptionsScreens : public ScreenTest {
protected:
    TGameHarness& StartOptions(const std::string& type, const std::string& hints,
                               const std::string& extraWidgets = "") {
        constexpr int kRate = 44100;
        TGameHarness& game =
            Start(OptionsGame(type, hints, extraWidgets),
                  {{"long.wav", MakeWav16(kRate, 1, std::vector<int16_t>(kRate * 10, 8000))},
                   {"sounds.xml",
                    R"(<resources><content><resource name="Long" type="SoundResource"
                         file="long.wav" maxplaybacks="20"/></content></resources>)"}});
        game.Step(1);
        return game;
    }
    Variant State(const std::string& box) {
        return WidgetOf("GS_Options", box)->GetProperty("CheckBoxState");
    }
    Variant Position(const std::string& bar) {
        return WidgetOf("GS_Options", bar)->GetProperty("position");
    }
    bool Visible(const std::string& path) { return WidgetOf("GS_Options", path)->GetVisible(); }
    void Reopen(TGameHarness& game) {
        ASSERT_TRUE(Game().CloseGameScreen(game.Screen("GS_Options"), nullptr));
        game.Step(1);
        ASSERT_TRUE(Game().ShowGameScreen("GS_Options", nullptr));
    }
};

TEST_F(OptionsScreens, EveryShowFillsTheControlsFromTheOptions) {
    struct Case {
        const char* fullScreen;
        const char* wideScreen;
        const char* sound;
        const char* music;
        bool fullScreenState;
        bool wideScreenState;
        int32_t soundPosition;
        int32_t musicPosition;
    };
    // Only "yes" itself checks a box; a volume that is no integer is 0.
    const Case cases[] = {{"yes", "no", "55", "30", true, false, 55, 30},
                          {"Yes", "yes", "loud", "7.5", false, true, 0, 0},
                          {"no", "YES", "-3", "12", false, false, -3, 12}};
    TGameHarness& game = StartOptions("GameScreenOptionsWideScreen", "yes");
    ASSERT_TRUE(Game().ShowGameScreen("GS_Options", nullptr));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fullScreen);
        game.Engine().SetOption("FullScreenMode", Variant(c.fullScreen));
        game.Engine().SetOption("WideScreenMode", Variant(c.wideScreen));
        game.Engine().SetOption("SoundVolume", Variant(c.sound));
        game.Engine().SetOption("MusicVolume", Variant(c.music));
        Reopen(game);
        EXPECT_EQ(State("checkbox_screenmode"), Variant(c.fullScreenState));
        EXPECT_EQ(State("checkbox_widescreen"), Variant(c.wideScreenState));
        EXPECT_EQ(State("checkbox_showhints"), Variant(true));
        EXPECT_EQ(Position("trackbar_soundvolume"), Variant(c.soundPosition));
        EXPECT_EQ(Position("trackbar_musicvolume"), Variant(c.musicPosition));
    }
}

TEST_F(OptionsScreens, AControlWhoseOptionIsNotHeldIsHidden) {
    // The game has no "ShowHints"; the plain screen leaves the wide-screen
    // box alone.
    TGameHarness& game = StartOptions("GameScreenOptions", "");
    game.Engine().SetOption("WideScreenMode", Variant("yes"));
    ASSERT_TRUE(Game().ShowGameScreen("GS_Options", nullptr));
    EXPECT_FALSE(Visible("checkbox_showhints"));
    EXPECT_TRUE(Visible("checkbox_screenmode"));
    EXPECT_TRUE(Visible("trackbar_soundvolume"));
    EXPECT_TRUE(Visible("checkbox_widescreen"));
    EXPECT_EQ(State("checkbox_widescreen"), Variant(false));
}

TEST_F(OptionsScreens, EveryChangeIsWrittenAtOnceAndTheSoundBarPlaysItsTestSound) {
    TGameHarness& game = StartOptions("GameScreenOptionsWideScreen", "yes");
    ASSERT_TRUE(Game().ShowGameScreen("GS_Options", nullptr));

    game.ClickAt("checkbox_showhints");
    EXPECT_EQ(Game().GetOption("ShowHints"), Variant("no"));
    game.ClickAt("checkbox_widescreen");
    EXPECT_EQ(game.Engine().GetOption("WideScreenMode"), "yes");
    game.ClickAt("checkbox_screenmode");
    EXPECT_EQ(game.Engine().GetOption("FullScreenMode"), "yes");
    game.ClickAt("checkbox_screenmode");
    EXPECT_EQ(game.Engine().GetOption("FullScreenMode"), "no");

    const size_t before = game.Engine().Audio()->GetMutingSoundCount();
    for (int32_t position : {40, 45}) {
        WidgetOf("GS_Options", "trackbar_soundvolume")->SetProperty("position", Variant(position));
        Report("GS_Options", "trackbar_soundvolume", 3);
        EXPECT_EQ(game.Engine().GetOption("SoundVolume"), std::to_string(position));
    }
    EXPECT_EQ(game.Engine().Audio()->GetMutingSoundCount(), before + 2);
    WidgetOf("GS_Options", "trackbar_musicvolume")->SetProperty("position", Variant(12));
    Report("GS_Options", "trackbar_musicvolume", 3);
    EXPECT_EQ(game.Engine().GetOption("MusicVolume"), "12");
    EXPECT_EQ(game.Engine().Audio()->GetMutingSoundCount(), before + 2);

    // Codes that do not belong to a control write nothing.
    WidgetOf("GS_Options", "trackbar_musicvolume")->SetProperty("position", Variant(99));
    Report("GS_Options", "trackbar_musicvolume", 2);
    Report("GS_Options", "checkbox_showhints", 3);
    EXPECT_EQ(game.Engine().GetOption("MusicVolume"), "12");
    EXPECT_EQ(Game().GetOption("ShowHints"), Variant("no"));
}

TEST_F(OptionsScreens, ARealTrackBarMovedByKeysWritesTheVolume) {
    // The probe bars stand aside (another name); the focused real one moves
    // by its frequency on the arrow keys and reports each step.
    TGameHarness& game = Start(
        GameOf(R"(maings="GS_Main")",
               ScreensOf(PlainScreen("GS_Main", 0, 0, 640, 480, kBlue) +
                         RealScreen("GS_Options", "GameScreenOptions",
                                    R"(<widget type="TrackBarControl" name="trackbar_musicvolume"
                                        visible="yes" enabled="yes" tabstop="yes"
                                        anchor_left="10" anchor_top="10" width="200" height="20"
                                        min="0" max="100" frequency="5"/>)"))));
    game.Step(1);
    game.Engine().SetOption("MusicVolume", Variant("30"));
    ASSERT_TRUE(Game().ShowGameScreen("GS_Options", nullptr));
    EXPECT_EQ(WidgetOf("GS_Options", "trackbar_musicvolume")->GetProperty("position"), Variant(30));
    game.KeyDown(SDL_SCANCODE_RIGHT, SDLK_RIGHT);
    game.KeyUp(SDL_SCANCODE_RIGHT, SDLK_RIGHT);
    EXPECT_EQ(game.Engine().GetOption("MusicVolume"), "35");
    game.KeyDown(SDL_SCANCODE_LEFT, SDLK_LEFT);
    game.KeyUp(SDL_SCANCODE_LEFT, SDLK_LEFT);
    game.KeyDown(SDL_SCANCODE_LEFT, SDLK_LEFT);
    game.KeyUp(SDL_SCANCODE_LEFT, SDLK_LEFT);
    EXPECT_EQ(game.Engine().GetOption("MusicVolume"), "25");
}

TEST_F(OptionsScreens, TheButtonsCloseOrShowTheHighScoresAndEscapeClosesUnlessTheFocusTakesIt) {
    for (const char* useKeys : {"no", "yes"}) {
        SCOPED_TRACE(useKeys);
        TGameHarness& game =
            StartOptions("GameScreenOptions", "yes",
                         Leaf("keys", 200, 200, 20, 20, kGrey,
                              std::string("tabstop=\"yes\" usekeys=\"") + useKeys + "\""));
        ASSERT_TRUE(Game().ShowGameScreen("GS_Options", nullptr));
        game.PressKey(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
        game.Step(1);
        EXPECT_EQ(game.StackNames(),
                  std::string(useKeys) == "yes" ? "GS_Main GS_Options" : "GS_Main");
    }

    TGameHarness& game = StartOptions("GameScreenOptions", "yes");
    ASSERT_TRUE(Game().ShowGameScreen("GS_Options", nullptr));
    game.ClickAt("button_highscores");
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main GS_Options GS_HighScores");
    ASSERT_TRUE(Game().CloseGameScreen(game.Screen("GS_HighScores"), nullptr));
    game.Step(1);
    game.ClickAt("button_close");
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main");
}

}  // namespace
