// The game screen: its stored form, drawing, the show sequence, keyboard
// focus and Tab, the mouse capture, and the cursor it switches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "game/GameScreen.h"
#include "tests/game/GameShellTestSupport.h"
#include "tests/game/PlayerDataTestSupport.h"

namespace {

using namespace gametest;

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kWhite = 0xFFFFFFFF;

Ref<TGameScreen> ScreenFromXml(const std::string& xml) {
    const Ref<IHierStorage> node = LoadStorageFromXML(xml);
    Ref<TGameScreen> screen(dynamic_cast<TGameScreen*>(CreateObjectFromStorage(node).get()));
    EXPECT_TRUE(screen) << xml;
    return screen;
}

std::string SavedXml(const Ref<TGameScreen>& screen) {
    const Ref<IHierStorageRoot> document = CreateStorage("gamescreen");
    EXPECT_TRUE(document->SaveObject(Query<IPersistObject>(screen)));
    std::string xml;
    EXPECT_TRUE(document->SaveToXML(xml));
    return xml;
}

// ---------------------------------------------------------------------------
// Storage and drawing, on screens of their own

TEST(GameScreenStorage, LoadSaveLoadKeepsTheWindowItsPlaceSoundsAndMusics) {
    const Ref<TGameScreen> screen = ScreenFromXml(R"(
      <gamescreen name="GS_Options" type="QmTestGameScreen" cursor_name="hand">
        <window type="qm_test_effect_window" left="12" top="34" effecttime="40">
          <widgets>
            <widget type="qm_game_leaf" name="panel" visible="yes" width="5" height="6"/>
          </widgets>
          <sounds><sound name="sound_show_window" resourcename="snd_open"/></sounds>
          <musics><music name="music_background" resourcename="mus_menu"/></musics>
        </window>
      </gamescreen>)");
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->GetName(), "GS_Options");
    EXPECT_EQ(screen->GetCursorName(), "hand");
    const Ref<IWidget> window = screen->GetWindowWidget();
    EXPECT_EQ(window->GetLeft(), 12.0);
    EXPECT_EQ(window->GetTop(), 34.0);
    EXPECT_TRUE(window->GetMouseStop());
    EXPECT_FALSE(window->GetVisible());
    EXPECT_TRUE(screen->FindWidget("panel"));
    ASSERT_TRUE(screen->GetSounds());
    EXPECT_TRUE(screen->GetSounds()->Find(Variant("sound_show_window")));
    ASSERT_TRUE(screen->GetMusics());
    EXPECT_TRUE(screen->GetMusics()->Find(Variant("music_background")));
    // The screen has no properties of its own.
    EXPECT_TRUE(screen->GetProperty("cursor_name").IsUnassigned());

    const std::string saved = SavedXml(screen);
    const std::string tree = playerdata::TreeOf(saved);
    EXPECT_NE(tree.find("gamescreen[name=GS_Options,type=QmTestGameScreen,cursor_name=hand]"),
              std::string::npos)
        << tree;
    EXPECT_NE(tree.find("window[left=12,top=34"), std::string::npos) << tree;
    // One list of sounds: the window's own is the screen's too.
    EXPECT_EQ(tree.find("sounds("), tree.rfind("sounds(")) << tree;
    EXPECT_NE(tree.find("musics(music[name=music_background"), std::string::npos) << tree;

    const Ref<TGameScreen> again = ScreenFromXml(saved);
    ASSERT_TRUE(again);
    EXPECT_EQ(playerdata::TreeOf(SavedXml(again)), tree);
}

TEST(GameScreenStorage, WithoutAWindowElementThereAreNoSoundsAndTheWindowStaysAtTheOrigin) {
    const Ref<TGameScreen> screen =
        ScreenFromXml(R"(<gamescreen name="GS_Bare" type="QmTestGameScreen"/>)");
    ASSERT_TRUE(screen);
    EXPECT_FALSE(screen->GetSounds());
    EXPECT_FALSE(screen->GetMusics());
    EXPECT_EQ(screen->PlaySound("sound_show_window"), 0u);
    ASSERT_TRUE(screen->GetWindowWidget());
    EXPECT_EQ(screen->GetWindowWidget()->GetLeft(), 0.0);
    EXPECT_EQ(screen->GetBounds(), (TRect{0, 0, 0, 0}));
    EXPECT_FALSE(screen->IsVisible());
    EXPECT_FALSE(screen->FindNextTabStop(-1));
    // Closed (hidden) with no effect, it is invisible at once.
    screen->Show(nullptr);
    EXPECT_TRUE(screen->IsVisible());
    EXPECT_EQ(screen->GetState(), gss_Normal);
    screen->Hide();
    EXPECT_FALSE(screen->IsVisible());
}

TEST(GameScreenDrawing, TheWindowIsDrawnAtItsPlaceRoundedHalvesToEven) {
    const Ref<TGameScreen> screen = ScreenFromXml(R"(
      <gamescreen name="GS_Dot" type="QmTestGameScreen">
        <window type="qm_test_effect_window">
          <widgets>
            <widget type="qm_game_leaf" visible="yes" width="1" height="1" color="$FFFFFFFF"/>
          </widgets>
        </window>
      </gamescreen>)");
    ASSERT_TRUE(screen);
    struct TCase {
        double left;
        int32_t drawnAt;
    };
    for (const TCase c : {TCase{10.5, 10}, TCase{11.5, 12}, TCase{11.4, 11}, TCase{-0.5, 0}}) {
        SCOPED_TRACE(c.left);
        Ref<TSurface> surface = MakeRef<TSurface>();
        surface->SetSize(20, 4);
        screen->GetWindowWidget()->SetLeft(c.left);
        screen->Render(*surface);
        for (int32_t x = 0; x < 20; ++x) {
            uint32_t pixel = 0;
            surface->GetPixel(x, 0, pixel);
            EXPECT_EQ(pixel == kWhite, x == c.drawnAt) << x;
        }
    }
}

// ---------------------------------------------------------------------------
// Showing

TEST_F(GameShellTest, AfterShowRunsWithinShowWhenTheWindowHasNoShowEffect) {
    Start(GameOf("", ScreensOf(PlainScreen("A", 0, 0, 64, 48, kRed))));
    bool visible = false;
    std::string params;
    Screen("A")->onAfterShow = [&](TTestGameScreen& a) {
        visible = a.GetWindowWidget()->GetVisible();
        params = ParamsText(a.GetShowParams());
    };
    Journal().clear();
    ASSERT_TRUE(Game().ShowGameScreen("A", Results("level", "3")));
    // (The game has an empty cursor collection: the screen asks for its
    // default cursor, of the empty name.)
    EXPECT_EQ(Journal(), (std::vector<std::string>{"show A level=3", "cursor ", "aftershow A"}));
    EXPECT_TRUE(visible);
    EXPECT_EQ(params, "level=3");
    EXPECT_EQ(Screen("A")->GetState(), gss_Normal);
}

TEST_F(GameShellTest, TheEffectWindowHoldsBackAfterShowAndTheLeavingOfAClosedScreen) {
    // A plain "GameScreen": its window is the effects library's
    // "appearance_effect_widget", with a show and a hide effect.
    const std::string effectScreen = R"(
      <gamescreen name="GS_Fx" type="GameScreen">
        <window>
          <widgets>)" + Leaf("box", 100, 100, 40, 40, kGreen) +
                                     R"(</widgets>
          <effects type="appearance_effects">
            <widgets>
              <widget type="func_appearance_effect" name="show_effect" durationtime="30">
                <widgets>)" + Leaf("glow", 0, 0, 10, 10, kWhite) +
                                     R"(</widgets>
              </widget>
              <widget type="func_appearance_effect" name="hide_effect" durationtime="50">
                <widgets>)" + Leaf("fade", 0, 0, 10, 10, kWhite) +
                                     R"(</widgets>
              </widget>
            </widgets>
          </effects>
        </window>
      </gamescreen>)";
    TGameHarness& game =
        Start(GameOf("", ScreensOf(PlainScreen("A", 0, 0, 640, 480, kRed) + effectScreen)));
    Game().ShowGameScreen("A", nullptr);
    ASSERT_TRUE(Game().ShowGameScreen("GS_Fx", nullptr));
    auto& fx = dynamic_cast<TGameScreen&>(*game.Screen("GS_Fx"));
    EXPECT_EQ(fx.GetState(), gss_Showing);
    game.Step(2);
    EXPECT_EQ(fx.GetState(), gss_Showing);
    game.Step(1);
    EXPECT_EQ(fx.GetState(), gss_Normal);
    game.Step(1);
    EXPECT_EQ(game.Pixel(120, 120), kGreen);

    Journal().clear();
    ASSERT_TRUE(Game().CloseGameScreen(game.Screen("GS_Fx"), Results("Button", "ok")));
    game.Step(4);
    EXPECT_EQ(game.StackNames(), "A GS_Fx");
    EXPECT_FALSE(JournalHas("closed A GS_Fx Button=ok"));
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "A");
    EXPECT_TRUE(JournalHas("closed A GS_Fx Button=ok"));
    game.Step(1);
    EXPECT_EQ(game.Pixel(120, 120), kRed);
}

// Closed with a hide effect and covered in the same frame by the next
// screen (the splash closed, the main screen shown), a screen still plays
// its effect to the end and leaves the stack.
TEST_F(GameShellTest, AScreenClosedWithAHideEffectUnderANewScreenStillLeaves) {
    const std::string effectScreen = R"(
      <gamescreen name="GS_Fx" type="GameScreen">
        <window>
          <widgets>)" + Leaf("box", 100, 100, 40, 40, kGreen) +
                                     R"(</widgets>
          <effects type="appearance_effects">
            <widgets>
              <widget type="func_appearance_effect" name="hide_effect" durationtime="50">
                <widgets>)" + Leaf("fade", 0, 0, 10, 10, kWhite) +
                                     R"(</widgets>
              </widget>
            </widgets>
          </effects>
        </window>
      </gamescreen>)";
    TGameHarness& game = Start(GameOf("", ScreensOf(PlainScreen("A", 0, 0, 640, 480, kRed) +
                                                      effectScreen +
                                                      PlainScreen("C", 0, 0, 640, 480, kWhite))));
    Game().ShowGameScreen("A", nullptr);
    ASSERT_TRUE(Game().ShowGameScreen("GS_Fx", nullptr));
    game.Step(2);
    Journal().clear();
    ASSERT_TRUE(Game().CloseGameScreen(game.Screen("GS_Fx"), nullptr));
    ASSERT_TRUE(Game().ShowGameScreen("C", nullptr));
    EXPECT_EQ(game.StackNames(), "A GS_Fx C");
    EXPECT_TRUE(game.Screen("GS_Fx")->IsVisible());  // its hide effect plays
    // Far more frames than the effect lasts.
    for (int i = 0; i < 50 && game.StackNames() != "A C"; ++i) game.Step(1);
    EXPECT_EQ(game.StackNames(), "A C");
    EXPECT_FALSE(game.Screen("GS_Fx")->IsVisible());
    // It can be shown and closed again.
    ASSERT_TRUE(Game().ShowGameScreen("GS_Fx", nullptr));
    game.Step(2);
    ASSERT_TRUE(Game().CloseGameScreen(game.Screen("GS_Fx"), nullptr));
    for (int i = 0; i < 50 && game.StackNames() != "A C"; ++i) game.Step(1);
    EXPECT_EQ(game.StackNames(), "A C");
    EXPECT_TRUE(JournalHas("activate C"));
}

TEST_F(GameShellTest, AScreenAsksTheGameToOpenScreensAndToCloseItself) {
    Start(GameOf("", ScreensOf(PlainScreen("A", 0, 0, 64, 48, kRed) +
                               PlainScreen("B", 0, 0, 32, 24, kGreen))));
    Game().ShowGameScreen("A", nullptr);
    EXPECT_TRUE(Screen("A")->ShowGameScreen("B", Results("from", "A")));
    EXPECT_FALSE(Screen("A")->ShowGameScreen("B", nullptr));  // open already
    EXPECT_EQ(harness->StackNames(), "A B");
    EXPECT_FALSE(Screen("A")->CloseGameScreen(nullptr));  // not the top
    Journal().clear();
    EXPECT_TRUE(Screen("B")->CloseGameScreen(Results("Button", "ok")));
    EXPECT_EQ(harness->StackNames(), "A");
    EXPECT_TRUE(JournalHas("closed A B Button=ok"));

    const Ref<TGameScreen> alone = CreateObject<TTestGameScreen>();
    EXPECT_FALSE(alone->ShowGameScreen("A", nullptr));
    EXPECT_FALSE(alone->CloseGameScreen(nullptr));
}

// ---------------------------------------------------------------------------
// Keys and focus

std::string TabScreen() {
    return ScreenOf("A", Leaf("one", 0, 0, 10, 10, kRed, R"(tabstop="yes")") +
                             Leaf("plain", 20, 0, 10, 10, kRed) +
                             Leaf("two", 40, 0, 10, 10, kRed, R"(tabstop="yes")") +
                             Leaf("hidden", 60, 0, 10, 10, kRed, R"(tabstop="yes" visible="no")") +
                             Leaf("three", 80, 0, 10, 10, kRed, R"(tabstop="yes" usekeys="yes")"));
}

TEST_F(GameShellTest, KeysGoToTheFocusAndAReleasedTabMovesItToTheNextVisibleTabStop) {
    Start(GameOf("", ScreensOf(TabScreen())));
    Journal().clear();
    Game().ShowGameScreen("A", nullptr);
    EXPECT_TRUE(JournalHas("focus one"));  // the first tab stop, on showing

    struct TCase {
        int32_t kind, key;
        bool handled;
        std::vector<std::string> lines;
    };
    const TCase cases[] = {
        {kKeyDown, 'x', false, {"key one 1 120 0"}},
        {kKeyDown, 9, false, {"key one 1 9 0"}},  // Tab goes down: nothing moves yet
        {kKeyUp, 9, true, {"key one 2 9 0", "blur one", "focus two"}},
        {kKeyUpAfter, 9, false, {"key two 3 9 0"}},
        // Past the hidden tab stop.
        {kKeyUp, 9, true, {"key two 2 9 0", "blur two", "focus three"}},
        // A focused widget that uses Tab keeps the focus.
        {kKeyUp, 9, true, {"key three 2 9 0"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " " + std::to_string(c.key));
        Journal().clear();
        EXPECT_EQ(Game().KeyEvent(c.kind, uint8_t(c.key), 0), c.handled);
        EXPECT_EQ(Journal(), c.lines);
    }
    // Wrapping round to the first.
    harness->Find("three")->SetProperty("usekeys", Variant(false));
    Journal().clear();
    EXPECT_TRUE(Game().KeyEvent(kKeyUp, 9, 0));
    EXPECT_EQ(Journal(), (std::vector<std::string>{"key three 2 9 0", "blur three", "focus one"}));
}

TEST_F(GameShellTest, TheFirstKeyWithNothingFocusedFocusesTheFirstTabStop) {
    Start(GameOf("", ScreensOf(TabScreen())));
    Game().ShowGameScreen("A", nullptr);
    harness->Top()->GetWindow()->ClearFocus();
    Journal().clear();
    EXPECT_FALSE(Game().KeyEvent(kKeyDown, 'q', 0));
    EXPECT_EQ(Journal(), (std::vector<std::string>{"focus one", "key one 1 113 0"}));
}

TEST_F(GameShellTest, TabWithOneTabStopFocusesItAgainAndFromANestedFocusGoesToTheFirst) {
    Start(GameOf(
        "", ScreensOf(ScreenOf("A", Leaf("solo", 0, 0, 10, 10, kRed, R"(tabstop="yes")") +
                                        R"(<widget type="group_widget" name="panel" visible="yes">
                                       <widgets>)" +
                                        Leaf("inner", 0, 20, 10, 10, kRed, R"(tabstop="yes")") +
                                        "</widgets></widget>"))));
    Game().ShowGameScreen("A", nullptr);
    Journal().clear();
    EXPECT_TRUE(Game().KeyEvent(kKeyUp, 9, 0));
    EXPECT_EQ(Journal(), (std::vector<std::string>{"key solo 2 9 0", "blur solo", "focus solo"}));

    const Ref<IWindow> window = harness->Top()->GetWindow();
    window->SetFocus(window->FindWidget("panel/inner"));
    Journal().clear();
    EXPECT_TRUE(Game().KeyEvent(kKeyUp, 9, 0));
    EXPECT_EQ(Journal(), (std::vector<std::string>{"key inner 2 9 0", "blur inner", "focus solo"}));
}

// Removes a widget from the top screen's tree: dead, then gone with the
// next frame.
void RemoveWidget(TGameHarness& game, const std::string& path) {
    game.Find(path)->SetDead(true);
    game.Step(1);
    ASSERT_FALSE(game.Find(path));
}

TEST_F(GameShellTest, AFocusedWidgetThatLeavesTheTreeIsDroppedNeverCalled) {
    for (const bool keptAlive : {false, true}) {
        SCOPED_TRACE(keptAlive ? "kept alive" : "destroyed");
        TGameHarness& game = Start(GameOf("", ScreensOf(TabScreen())));
        Game().ShowGameScreen("A", nullptr);
        const Ref<IWidget> kept = keptAlive ? game.Find("one") : nullptr;
        RemoveWidget(game, "one");
        Journal().clear();
        EXPECT_FALSE(Game().KeyEvent(kKeyDown, 'x', 0));
        EXPECT_EQ(Journal(), (std::vector<std::string>{"focus two", "key two 1 120 0"}));
        EXPECT_EQ(game.Top()->GetWindow()->GetFocus(), game.Find("two"));
    }
}

TEST_F(GameShellTest, ACapturingWidgetThatLeavesTheTreeIsDroppedNeverCalled) {
    for (const bool keptAlive : {false, true}) {
        SCOPED_TRACE(keptAlive ? "kept alive" : "destroyed");
        TGameHarness& game = Start(GameOf(
            "", ScreensOf(ScreenOf("A", Leaf("grab", 0, 0, 10, 10, kRed, R"(capture="yes")") +
                                            Leaf("other", 50, 50, 10, 10, kGreen)))));
        Game().ShowGameScreen("A", nullptr);
        ASSERT_TRUE(Game().MouseEvent(kMouseLeftDown, 5, 5, 0));
        const Ref<IWindow> window = game.Top()->GetWindow();
        ASSERT_EQ(window->GetMouseCapture(), game.Find("grab"));
        const Ref<IWidget> kept = keptAlive ? game.Find("grab") : nullptr;
        RemoveWidget(game, "grab");
        Journal().clear();
        EXPECT_TRUE(Game().MouseEvent(kMouseMove, 55, 55, 1));
        EXPECT_EQ(Journal(), (std::vector<std::string>{"mouse other 10 55,55 1"}));
        EXPECT_FALSE(window->GetMouseCapture());
        window->ReleaseMouseCapture();  // nobody to tell
        EXPECT_FALSE(JournalHas("lose capture grab"));
    }
}

TEST_F(GameShellTest, CaptureHandsOverAndFocusGoesWithHide) {
    Start(GameOf("", ScreensOf(TabScreen())));
    Game().ShowGameScreen("A", nullptr);
    const Ref<IWindow> window = harness->Top()->GetWindow();
    window->SetMouseCapture(harness->Find("one"));
    Journal().clear();
    window->SetMouseCapture(harness->Find("two"));  // the holder is told, the new one not
    EXPECT_EQ(Journal(), (std::vector<std::string>{"lose capture one"}));

    Journal().clear();
    window->ResetInputState();  // nobody is told
    EXPECT_TRUE(Journal().empty());
    EXPECT_FALSE(window->GetMouseCapture());
    EXPECT_FALSE(window->GetFocus());

    window->SetFocus(harness->Find("two"));
    Journal().clear();
    Game().CloseGameScreen(harness->Top(), nullptr);
    EXPECT_TRUE(JournalHasInOrder({"hide A", "blur two"}));
}

// ---------------------------------------------------------------------------
// Cursors

TEST_F(GameShellTest, AScreenSwitchesTheCursorAndHidingBringsBackTheOneBefore) {
    Start(GameOf("",
                 R"(<cursors>
                          <cursor name="arrow"><widget type="qm_game_leaf" width="2" height="2"/></cursor>
                          <cursor name="hand"><widget type="qm_game_leaf" width="2" height="2"/></cursor>
                        </cursors>)" +
                     ScreensOf(ScreenOf("A", "", 0, R"(cursor_name="hand")") + ScreenOf("B", ""))));
    Journal().clear();
    Game().ShowGameScreen("A", nullptr);
    EXPECT_EQ(Game().GetCursors()->GetCurrentCursor()->GetName(), "hand");
    Game().ShowGameScreen("B", nullptr);  // no cursor of its own: the default
    EXPECT_EQ(Game().GetCursors()->GetCurrentCursor()->GetName(), "arrow");
    Game().CloseGameScreen(harness->Screen("B"), nullptr);
    EXPECT_EQ(Game().GetCursors()->GetCurrentCursor()->GetName(), "hand");
    Game().CloseGameScreen(harness->Screen("A"), nullptr);
    EXPECT_EQ(Game().GetCursors()->GetCurrentCursor()->GetName(), "arrow");
    EXPECT_EQ(Journal(), (std::vector<std::string>{
                             "show A -", "cursor hand", "aftershow A", "deactivate A", "show B -",
                             "cursor arrow", "aftershow B", "hide B", "cursor hand", "activate A",
                             "closed A B -", "hide A", "cursor arrow"}));
}

TEST_F(GameShellTest, HidingRestoresNoCursorWhenNoneWasCurrent) {
    Start(GameOf("", "<cursors/>" + ScreensOf(ScreenOf("A", "", 0, R"(cursor_name="hand")"))));
    Journal().clear();
    Game().ShowGameScreen("A", nullptr);
    Game().CloseGameScreen(harness->Screen("A"), nullptr);
    EXPECT_EQ(Journal(),
              (std::vector<std::string>{"show A -", "cursor hand", "aftershow A", "hide A"}));
}

}  // namespace
