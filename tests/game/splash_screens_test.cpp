// The start-up screens through the game: the logo screen closing when its
// sequence ends, the splash animating while the resources load and waiting
// for its button or handing over, the load screens taking one item a frame
// with steps that add up to their total, unloading, rebuilding, closing.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "engine/resources/EngineResources.h"
#include "game/SplashScreens.h"
#include "tests/game/ScreenTestSupport.h"

namespace {

using namespace screentest;

constexpr uint32_t kBlue = 0xFF0000FF;

// The game's whole start: a logo screen whose sequence ends after 30 ms, a
// progress splash, and a main screen. "late" loads three resources while the
// splash shows; "splash" is the splash's own group.
std::string ChainGame(const std::string& splashType, const std::string& splashAttributes,
                      const std::string& splashWidgets) {
    return GameOf(
        R"(splashlogosgs="GS_Logo" splashgs="GS_Splash" maings="GS_Main")",
        R"(<resourcefiles>
                       <resourcefile name="splash" filename="splash.xml" loadmode="synch"/>
                       <resourcefile name="late" filename="late.xml"/>
                     </resourcefiles>)" +
            ScreensOf(RealScreen("GS_Logo", "GameScreenSplashLogos",
                                 R"(<widget type="SequenceControl" name="logos" visible="yes"
                                                enabled="yes" step_duration_time="30"><widgets>)" +
                                     Leaf("logo", 0, 0, 640, 480, 0xFFFF0000) +
                                     "</widgets></widget>") +
                      RealScreen("GS_Splash", splashType, splashWidgets, splashAttributes) +
                      PlainScreen("GS_Main", 0, 0, 640, 480, kBlue)));
}

const std::string kProgressWidgets = Group("image_loading", Probe("progress", 0, 400, 640, 20)) +
                                     Probe("image_loaded", 0, 0, 640, 400, R"(visible="no")") +
                                     Probe("button_wait", 300, 420, 40, 40, R"(visible="no")");

TEST_F(ScreenTest, TheChainRunsFromTheLogosThroughTheLoadToTheWaitButtonAndTheMainScreen) {
    // Quitting is refused while the resources load; each one is preceded by
    // a frame in which the splash's progress shows the share already in
    // (the frame count of "TotalUpdates" is not used when the load is known).
    std::vector<std::string> seen;
    std::vector<double> positions;
    OnResourceLoad() = [&](const std::string& name) {
        if (name == "r_splash") return;
        TProbeWidget* progress = ProbeOf("GS_Splash", "image_loading/progress");
        seen.push_back(name + (Game().QueryQuit() ? " quit" : " no quit"));
        positions.push_back(progress ? progress->GetProperty("position").ToDouble() : -1);
    };
    TGameHarness& game = Start(
        ChainGame("GameScreenSplashProgress", R"(wait_button_name="button_wait" TotalUpdates="2")",
                  kProgressWidgets),
        {{"splash.xml", Resources({"r_splash"})}, {"late.xml", Resources({"r_a", "r_b", "r_c"})}});
    ASSERT_TRUE(game.Game());

    // A click on the logo is no sequence end; the logos run until it ends.
    game.Step(1);
    Report("GS_Logo", "logo", 1);
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Logo");
    EXPECT_TRUE(seen.empty());
    game.Step(6);
    EXPECT_EQ(seen, (std::vector<std::string>{"r_a no quit", "r_b no quit", "r_c no quit"}));
    EXPECT_EQ(positions, (std::vector<double>{0.0, 1.0 / 3, 2.0 / 3}));

    // Shown again with "LoadComplete": the wait button and the loaded image
    // show, the loading image hides, counting stops, the default cursor.
    auto* splash = As<TGameScreenSplashProgress>("GS_Splash");
    ASSERT_TRUE(splash);
    EXPECT_EQ(game.StackNames(), "GS_Splash");
    EXPECT_TRUE(splash->IsFinished());
    EXPECT_TRUE(WidgetOf("GS_Splash", "button_wait")->GetVisible());
    EXPECT_TRUE(WidgetOf("GS_Splash", "image_loaded")->GetVisible());
    EXPECT_FALSE(WidgetOf("GS_Splash", "image_loading")->GetVisible());
    EXPECT_TRUE(
        JournalHasInOrder({"resume button_wait", "resume image_loaded", "restart image_loaded"}));
    game.Step(5);
    EXPECT_EQ(splash->GetUpdateCount(), 3);
    EXPECT_TRUE(Game().QueryQuit());

    // The wait button hands over; the splash's own resources go.
    ASSERT_TRUE(game.Engine().GetResource("r_splash"));
    game.ClickAt("button_wait");
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main");
    EXPECT_FALSE(game.Engine().GetResource("r_splash"));
    EXPECT_TRUE(game.Engine().GetResource("r_a"));
}

TEST_F(ScreenTest, TheSplashWaitsWhenItsButtonIsThereAndHandsOverAtOnceOtherwise) {
    struct Case {
        const char* waitButton;
        const char* stackAfterLoad;
    };
    // An empty name finds the window itself, so the splash waits.
    for (const Case& c : {Case{"button_wait", "GS_Splash"}, Case{"", "GS_Splash"},
                          Case{"button_gone", "GS_Main"}}) {
        SCOPED_TRACE(c.waitButton);
        TGameHarness& game = Start(
            ChainGame("GameScreenSplash", std::string("wait_button_name=\"") + c.waitButton + "\"",
                      Probe("button_wait", 0, 0, 40, 40)),
            {{"splash.xml", Resources({})}, {"late.xml", Resources({"r_a"})}});
        ASSERT_TRUE(Game().CloseGameScreen(game.Screen("GS_Logo"), nullptr));
        game.Step(3);
        EXPECT_EQ(game.StackNames(), c.stackAfterLoad);
        game.Step(5);
        EXPECT_EQ(game.StackNames(), c.stackAfterLoad);
    }
}

TEST_F(ScreenTest, ASplashShownWithoutLoadCompleteNeverHandsOverAndAnyValueOfItCounts) {
    TGameHarness& game = Start(GameOf(R"(splashgs="GS_Splash" maings="GS_Main")",
                                      ScreensOf(PlainScreen("GS_Main", 0, 0, 640, 480, kBlue) +
                                                RealScreen("GS_Splash", "GameScreenSplash", "",
                                                           R"(wait_button_name="nothing")"))));
    // At start-up the splash hands over at once: it has no wait button.
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main");
    ASSERT_TRUE(Game().ShowGameScreen("GS_Splash", Params({{"Other", Variant("x")}})));
    game.Step(2);
    EXPECT_EQ(game.StackNames(), "GS_Main GS_Splash");

    ASSERT_TRUE(Game().CloseGameScreen(game.Screen("GS_Splash"), nullptr));
    game.Step(1);
    // "LoadComplete" = false is present all the same: without a wait button
    // the splash closes and the main screen, open already, stays.
    ASSERT_TRUE(Game().ShowGameScreen("GS_Splash", Params({{"LoadComplete", Variant(false)}})));
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main");
}

TEST_F(ScreenTest, TheLogoScreenClosesOnASequenceEndFromAnySenderOnly) {
    TGameHarness& game = Start(GameOf(
        R"(splashlogosgs="GS_Logo")",
        ScreensOf(RealScreen("GS_Logo", "GameScreenSplashLogos", Probe("logo", 0, 0, 64, 48)))));
    for (int32_t code : {1, 2, 5, 11}) {
        Report("GS_Logo", "logo", code);
        game.Step(1);
    }
    EXPECT_EQ(game.StackNames(), "GS_Logo");
    Report("GS_Logo", "no such widget", 10);
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "");
}

TEST(SplashStorage, TheWaitButtonNameIsAlwaysWrittenAndTheTotalNever) {
    for (const char* type : {"GameScreenSplash", "GameScreenSplashProgress"}) {
        SCOPED_TRACE(type);
        const Ref<IPersistObject> screen =
            Query<IPersistObject>(CreateObjectByName(std::string(type) + "{name=GS_Splash}"));
        ASSERT_TRUE(screen);
        ASSERT_TRUE(LoadPersistObject(
            screen, LoadStorageFromXML(R"(<gamescreen name="GS_Splash" TotalUpdates="5"/>)")));
        const Ref<IHierStorage> saved = Query<IHierStorage>(CreateStorage("gamescreen"));
        ASSERT_TRUE(SavePersistObject(screen, saved));
        const std::string xml = saved->GetXML().ToString();
        EXPECT_NE(xml.find("wait_button_name=\"\""), std::string::npos) << xml;
        EXPECT_EQ(xml.find("TotalUpdates"), std::string::npos) << xml;
    }
}

// ---------------------------------------------------------------------------
// Load screens

std::string LoadGame(const std::string& loadAttributes = "") {
    return GameOf(
        R"(maings="GS_Main")",
        R"(<resourcefiles>
                       <resourcefile name="pool" filename="pool.xml" loadmode="synch"/>
                     </resourcefiles>)" +
            ScreensOf(PlainScreen("GS_Main", 0, 0, 640, 480, kBlue) +
                      RealScreen("GS_Load", "GameScreenSplashResourceLoad",
                                 Probe("progress", 0, 400, 640, 20) +
                                     Probe("image_loaded", 0, 0, 640, 400, R"(visible="no")"),
                                 loadAttributes)));
}

bool Loaded(TGameHarness& game, const std::string& name) {
    auto* resource = dynamic_cast<TResource*>(game.Engine().GetResource(name).get());
    return resource && !resource->NeedsLoad();
}

TEST_F(ScreenTest, TheLoadScreenUnloadsThenLoadsOneItemAFrameAndSkipsUnknownNames) {
    TGameHarness& game = Start(LoadGame(), {{"pool.xml", Resources({"r3", "r4"}, {"r1", "r2"})}});
    game.Step(1);
    Journal().clear();
    // r3 is on both lists: it stays loaded and is not loaded again, but its
    // emptied entry still takes a frame.
    ASSERT_TRUE(Game().ShowGameScreen("GS_Load",
                                      Params({{"unload_list", Variant("r3;r4")},
                                              {"load_list", Variant(" r1 ; r3;r2; missing ;")}})));
    auto* screen = As<TGameScreenSplashResourceLoad>("GS_Load");
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->GetItemCount(), 4);

    const std::vector<std::vector<std::string>> perFrame = {
        {"load r1"}, {}, {"load r2"}, {}, {"pause progress", "restart image_loaded"}, {}};
    for (size_t frame = 0; frame < perFrame.size(); ++frame) {
        SCOPED_TRACE(frame);
        Journal().clear();
        game.Step(1);
        std::vector<std::string> lines;
        for (const std::string& line : Journal()) {
            if (line.rfind("load ", 0) == 0 || line.rfind("pause ", 0) == 0 ||
                line.rfind("restart ", 0) == 0) {
                lines.push_back(line);
            }
        }
        EXPECT_EQ(lines, perFrame[frame]);
        if (frame == 0) {
            EXPECT_FALSE(Loaded(game, "r4"));
            EXPECT_TRUE(Loaded(game, "r3"));
        }
    }
    EXPECT_TRUE(Loaded(game, "r1") && Loaded(game, "r2") && Loaded(game, "r3"));
    EXPECT_TRUE(game.Log().Has({"GAME", "no resource \"missing\" to load"}));
    EXPECT_TRUE(screen->IsLoaded());
    EXPECT_FALSE(WidgetOf("GS_Load", "progress")->GetVisible());
    EXPECT_TRUE(WidgetOf("GS_Load", "image_loaded")->GetVisible());

    // Four items of 200: 50 ms each; the frame after the load is not
    // stepped, the next one by the clock.
    EXPECT_EQ(ProbeOf("GS_Load", "image_loaded")->steps.back(), 10);
    EXPECT_EQ(ProbeOf("GS_Load", "progress")->steps, (std::vector<int32_t>{50, 50, 50, 50}));

    // A click on the loaded image closes the screen.
    game.ClickAt("image_loaded");
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main");
}

TEST_F(ScreenTest, ShowingTheLoadScreenAgainRebuildsItAndStartsFromTheFirstItem) {
    TGameHarness& game = Start(LoadGame(), {{"pool.xml", Resources({}, {"r1", "r2"})}});
    game.Step(1);
    ASSERT_TRUE(Game().ShowGameScreen("GS_Load", Params({{"load_list", Variant("r1")}})));
    game.Step(3);
    const Ref<IWidget> oldProgress = WidgetOf("GS_Load", "progress");
    EXPECT_FALSE(oldProgress->GetVisible());
    ASSERT_TRUE(Game().CloseGameScreen(game.Screen("GS_Load"), nullptr));
    game.Step(1);

    Journal().clear();
    ASSERT_TRUE(Game().ShowGameScreen("GS_Load", Params({{"load_list", Variant("r2;r1")}})));
    const Ref<IWidget> newProgress = WidgetOf("GS_Load", "progress");
    ASSERT_TRUE(newProgress);
    EXPECT_NE(newProgress.get(), oldProgress.get());
    EXPECT_TRUE(newProgress->GetVisible());
    EXPECT_EQ(newProgress->GetOwner() != nullptr, true);
    game.Step(2);
    EXPECT_TRUE(JournalHasInOrder({"load r2", "load r1"}));
    // The rebuilt tree answers input: the loaded image closes the screen.
    game.Step(1);
    game.ClickAt("image_loaded");
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main");
}

TEST_F(ScreenTest, CloseAfterLoadHidesTheScreenOnceAndItLeavesTheStack) {
    TGameHarness& game =
        Start(LoadGame(R"(close_after_load="yes")"), {{"pool.xml", Resources({}, {"r1"})}});
    game.Step(1);
    ASSERT_TRUE(Game().ShowGameScreen("GS_Load", Params({{"load_list", Variant("r1")}})));
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main GS_Load");
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main");
    EXPECT_TRUE(Loaded(game, "r1"));
}

TEST_F(ScreenTest, AfterLoadingTheScreenHidesOnceAndLeavesWhenItsHideEffectEnds) {
    TGameHarness& game = Start(GameOf(R"(maings="GS_Main")",
                                      R"(<resourcefiles>
                    <resourcefile name="pool" filename="pool.xml" loadmode="synch"/>
                  </resourcefiles>)" + ScreensOf(
                                           PlainScreen("GS_Main", 0, 0, 640, 480, kBlue) +
                                           R"(<gamescreen name="GS_Load" type="QmTestLoadScreen"
                                            close_after_load="yes">
                                  <window effecttime="30"><widgets/></window>
                                </gamescreen>)")),
                               {{"pool.xml", Resources({}, {"r1"})}});
    game.Step(1);
    ASSERT_TRUE(Game().ShowGameScreen("GS_Load", Params({{"load_list", Variant("r1")}})));
    game.Step(3);  // the item, the hide, 10 ms of the 30 ms effect
    EXPECT_EQ(game.StackNames(), "GS_Main GS_Load");
    game.Step(2);
    EXPECT_EQ(game.StackNames(), "GS_Main");
    EXPECT_EQ(std::count(Journal().begin(), Journal().end(), "hide GS_Load"), 1);
}

TEST_F(ScreenTest, ALoadWithoutItemsFinishesOnItsFirstFrame) {
    TGameHarness& game = Start(LoadGame(), {{"pool.xml", Resources({})}});
    game.Step(1);
    for (const Ref<IParamCollection>& params :
         {Ref<IParamCollection>(), Params({{"load_list", Variant(" ; ;")}})}) {
        ASSERT_TRUE(Game().ShowGameScreen("GS_Load", params));
        game.Step(1);
        EXPECT_TRUE(As<TGameScreenSplashResourceLoad>("GS_Load")->IsLoaded());
        ASSERT_TRUE(Game().CloseGameScreen(game.Screen("GS_Load"), nullptr));
        game.Step(1);
    }
}

// The bar shows the share of the load's resources in, whatever the number
// of frames the load takes: it never goes back, and it is full only once
// the load is over. Two lists, one naming a resource of the other again and
// one already in before the load; far fewer "TotalUpdates" than resources.
TEST_F(ScreenTest, TheSplashBarFollowsTheLoadAndIsFullOnlyWhenItEnds) {
    const std::vector<std::string> names = {"r_a", "r_b", "r_c", "r_d", "r_e", "r_f", "r_splash"};
    std::vector<double> positions;
    std::vector<int> in;  // the resources of the lists the engine holds
    OnResourceLoad() = [&](const std::string& name) {
        if (name == "r_splash") return;
        TProbeWidget* progress = ProbeOf("GS_Splash", "image_loading/progress");
        positions.push_back(progress ? progress->GetProperty("position").ToDouble() : -1);
        int count = 0;
        for (const std::string& n : names) count += harness->Engine().GetResource(n) ? 1 : 0;
        in.push_back(count);
    };
    const std::string definition = GameOf(
        R"(splashgs="GS_Splash" maings="GS_Main")",
        R"(<resourcefiles>
             <resourcefile name="splash" filename="splash.xml" loadmode="synch"/>
             <resourcefile name="late" filename="late.xml"/>
             <resourcefile name="later" filename="later.xml"/>
           </resourcefiles>)" +
            ScreensOf(RealScreen("GS_Splash", "GameScreenSplashProgress", kProgressWidgets,
                                 R"(wait_button_name="button_wait" TotalUpdates="2")") +
                      PlainScreen("GS_Main", 0, 0, 640, 480, kBlue)));
    TGameHarness& game =
        Start(definition, {{"splash.xml", Resources({"r_splash"})},
                           {"late.xml", Resources({"r_a", "r_b", "r_c"})},
                           {"later.xml", Resources({"r_d", "r_b", "r_splash", "r_e", "r_f"})}});
    for (int i = 0; i < 20 && !As<TGameScreenSplashProgress>("GS_Splash")->IsFinished(); ++i) {
        game.Step(1);
    }
    ASSERT_TRUE(As<TGameScreenSplashProgress>("GS_Splash")->IsFinished());
    // Six resources are new, one of the seven names was in before.
    ASSERT_EQ(positions.size(), 6u);
    for (size_t i = 0; i < positions.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_DOUBLE_EQ(positions[i], in[i] / 7.0);
        if (i > 0) {
            EXPECT_GT(positions[i], positions[i - 1]);
        }
        EXPECT_LT(positions[i], 1.0);
    }
    EXPECT_DOUBLE_EQ(positions.front(), 1.0 / 7);
    EXPECT_DOUBLE_EQ(ProbeOf("GS_Splash", "image_loading/progress")->GetProperty("position").ToDouble(),
                     1.0);
    EXPECT_FALSE(WidgetOf("GS_Splash", "image_loading")->GetVisible());
}

// The window's steps of a load of count resource definitions with
// "TotalUpdates" total.
std::vector<int32_t> DefinitionSteps(ScreenTest& test, TGameHarness& game, int32_t count,
                                     std::vector<std::string>* notes = nullptr) {
    Journal().clear();
    const Ref<IResourceDefCollection> defs = MakeRef<TTestResourceDefs>(count);
    EXPECT_TRUE(game.Game()->ShowGameScreen("GS_Defs", Params({{"resource_defs", Variant(defs)}})));
    game.Step(count + 1);
    auto* progress = dynamic_cast<TProbeWidget*>(
        game.Screen("GS_Defs")->GetWindowWidget()->FindWidget("progress").get());
    std::vector<int32_t> steps = progress ? progress->steps : std::vector<int32_t>{};
    if (notes) *notes = Journal();
    EXPECT_TRUE(game.Game()->CloseGameScreen(game.Screen("GS_Defs"), nullptr));
    game.Step(1);
    (void)test;
    return steps;
}

TEST_F(ScreenTest, TheStepsOfALoadAddUpToItsTotalAndAreNeverNegative) {
    struct Case {
        int32_t total;
        int32_t count;
        int32_t perItem;
        int32_t last;
    };
    // Halves round to even: 200 / 400 gives steps of 0 and a last one of
    // 200. From 201 to 399 items the steps before the last already pass the
    // total; the last is then 0, not negative.
    const Case cases[] = {{200, 3, 67, 66},   {200, 1, 200, 200}, {200, 4, 50, 50},
                          {200, 201, 1, 0},   {200, 300, 1, 0},   {200, 399, 1, 0},
                          {200, 400, 0, 200}, {10, 4, 2, 4},      {0, 2, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.total) + " over " + std::to_string(c.count));
        TGameHarness& game = Start(
            GameOf(R"(maings="GS_Main")",
                   ScreensOf(PlainScreen("GS_Main", 0, 0, 640, 480, kBlue) +
                             RealScreen("GS_Defs", "GameScreenSplashResourceDefsLoad",
                                        Probe("progress", 0, 400, 640, 20),
                                        "TotalUpdates=\"" + std::to_string(c.total) + "\""))));
        game.Step(1);
        const std::vector<int32_t> steps = DefinitionSteps(*this, game, c.count);
        ASSERT_EQ(steps.size(), static_cast<size_t>(c.count));
        for (size_t i = 0; i + 1 < steps.size(); ++i) ASSERT_EQ(steps[i], c.perItem) << i;
        EXPECT_EQ(steps.back(), c.last);
        if (c.count * c.perItem <= c.total + c.perItem) {
            EXPECT_EQ(std::accumulate(steps.begin(), steps.end(), 0), c.total);
        }
    }
}

TEST_F(ScreenTest, TheDefinitionsLoadOneByIndexAFrameAndNothingWithoutThem) {
    TGameHarness& game = Start(GameOf(
        R"(maings="GS_Main")", ScreensOf(PlainScreen("GS_Main", 0, 0, 640, 480, kBlue) +
                                         RealScreen("GS_Defs", "GameScreenSplashResourceDefsLoad",
                                                    Probe("progress", 0, 400, 640, 20)))));
    game.Step(1);
    std::vector<std::string> notes;
    DefinitionSteps(*this, game, 3, &notes);
    std::vector<std::string> defs;
    for (const std::string& line : notes) {
        if (line.rfind("def ", 0) == 0) defs.push_back(line);
    }
    EXPECT_EQ(defs, (std::vector<std::string>{"def 0", "def 1", "def 2"}));

    // A parameter that holds no collection loads nothing.
    ASSERT_TRUE(Game().ShowGameScreen("GS_Defs", Params({{"resource_defs", Variant("text")}})));
    game.Step(1);
    EXPECT_EQ(As<TGameScreenSplashResourceDefsLoad>("GS_Defs")->GetItemCount(), 0);
    EXPECT_TRUE(As<TGameScreenSplashResourceDefsLoad>("GS_Defs")->IsLoaded());
}

}  // namespace
