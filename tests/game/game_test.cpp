// The game object through the screen harness: Init and Done in order, the
// start-up chain, quitting, the screen stack, drawing and input routing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "game/GameConfig.h"
#include "game/GameScreen.h"
#include "game/GlobalOptions.h"
#include "tests/game/GameShellTestSupport.h"
#include "tests/game/PlayerDataTestSupport.h"

namespace {

using namespace gametest;

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kDark = 0xFF101010;

// ---------------------------------------------------------------------------
// Init, start-up, quitting, Done

TEST_F(GameShellTest, InitRunsItsStepsInOrder) {
    TGameHarness& game = Make();
    std::ofstream(game.UserDir() + "users.dat")
        << R"(<userprofiles current_user_profile_name="ann"><userprofile name="ann"/></userprofiles>)"
        << "\n";
    game.Folder().Write("early.xml", ResourceList("r_early"));
    game.Folder().Write("late.xml", ResourceList("r_late"));
    AttachProbe() = [](IGameScreenOwner* owner) {
        return "profiles=" + std::to_string(owner->GetUserProfiles()->GetCount()) +
               " ShowFPS=" + owner->GetEngine()->GetOption("ShowFPS");
    };
    game.Start(GameOf(R"(splashlogosgs="GS_Logo")",
                      R"(<custom_settings option="ShowHints" value="no"/>
                         <cursors>
                           <cursor name="arrow" hotspotx="1" hotspoty="2">
                             <widget type="qm_game_leaf" name="arrow_widget" width="4" height="4"/>
                           </cursor>
                         </cursors>
                         <resourcefiles>
                           <resourcefile name="early" filename="early.xml" loadmode="synch"/>
                           <resourcefile name="late" filename="late.xml"/>
                         </resourcefiles>
                         <params><param name="ShowFPS" value="yes"/></params>)" +
                          ScreensOf(PlainScreen("GS_Logo", 0, 0, 640, 480, kRed) +
                                    PlainScreen("GS_Other", 0, 0, 640, 480, kGreen))));
    ASSERT_TRUE(game.Game());

    EXPECT_EQ(Journal(), (std::vector<std::string>{
                             "cursor arrow",
                             "load r_early",
                             "attach GS_Logo profiles=1 ShowFPS=yes",
                             "attach GS_Other profiles=1 ShowFPS=yes",
                             "show GS_Logo -",
                             "cursor arrow",
                             "aftershow GS_Logo",
                             "custom settings",
                         }));
    const Ref<IWidget> arrow = Game().GetCursors()->Find(Variant("arrow"))->GetWidget();
    EXPECT_EQ(arrow->GetOwner(), static_cast<IWidgetOwner*>(&Game()));
    EXPECT_FALSE(game.Engine().IsCursorVisible());
    EXPECT_EQ(Game().GetOption("ShowHints"), Variant("no"));
    EXPECT_TRUE(Game().IsLogoPhase());
    EXPECT_TRUE(Game().IsStarting());
}

TEST_F(GameShellTest, StartUpShowsTheSplashLoadsTheRestAndHandsOverToTheMainScreen) {
    TGameHarness& game =
        Start(GameOf(R"(splashlogosgs="GS_Logo" splashgs="GS_Splash" maings="GS_Main")",
                     R"(<resourcefiles><resourcefile name="late" filename="late.xml"/>
                        </resourcefiles>)" +
                         ScreensOf(PlainScreen("GS_Logo", 0, 0, 640, 480, kRed) +
                                   PlainScreen("GS_Splash", 0, 0, 640, 480, kGreen) +
                                   PlainScreen("GS_Main", 0, 0, 640, 480, kBlue))),
              {{"late.xml", ResourceList("r_late")}});
    ASSERT_TRUE(game.Game());
    EXPECT_EQ(game.StackNames(), "GS_Logo");

    // The logo screen plays for as long as it likes; nothing else starts.
    game.Step(3);
    EXPECT_EQ(game.StackNames(), "GS_Logo");
    EXPECT_FALSE(JournalHas("load r_late"));

    // It closes itself; the phase ends on the next update, the start-up runs
    // on the one after.
    ASSERT_TRUE(Game().CloseGameScreen(game.Screen("GS_Logo"), nullptr));
    game.Step(1);
    EXPECT_TRUE(Game().IsStarting());
    EXPECT_FALSE(JournalHas("show GS_Splash -"));

    Journal().clear();
    OnResourceLoad() = [this](const std::string&) {
        Note(std::string("quit ") + (Game().QueryQuit() ? "allowed" : "refused") + ", stack " +
             harness->StackNames());
    };
    game.Step(1);
    EXPECT_TRUE(JournalHasInOrder(
        {"show GS_Splash -", "load r_late", "quit refused, stack GS_Splash", "hide GS_Splash"}));
    EXPECT_EQ(game.StackNames(), "GS_Splash");
    const Ref<IParamCollection> shown = Screen("GS_Splash")->GetShowParams();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->GetValue("LoadComplete", Variant()).ToBool());
    EXPECT_FALSE(Game().IsStarting());

    // The splash screen says it is done.
    Game().SplashFinished();
    EXPECT_EQ(game.StackNames(), "GS_Main");
}

TEST_F(GameShellTest, WithoutLogoOrSplashScreenTheFirstUpdateShowsTheMainScreen) {
    for (const char* logo : {"", "GS_NoSuchScreen"}) {
        SCOPED_TRACE(logo);
        TGameHarness& game = Start(GameOf(
            std::string("splashlogosgs=\"") + logo + "\" splashgs=\"GS_Gone\" maings=\"GS_Main\"",
            ScreensOf(PlainScreen("GS_Main", 0, 0, 64, 48, kBlue))));
        EXPECT_FALSE(Game().IsLogoPhase());
        EXPECT_EQ(game.StackNames(), "");
        game.Step(1);
        EXPECT_EQ(game.StackNames(), "GS_Main");
        EXPECT_FALSE(Game().IsStarting());
    }
}

TEST_F(GameShellTest, TheCloseBoxIsRefusedDuringStartUpThenAskedThenAllowed) {
    TGameHarness& game =
        Start(GameOf(R"(closequerygs="GS_Quit" maings="GS_Main")",
                     ScreensOf(PlainScreen("GS_Main", 0, 0, 640, 480, kBlue) +
                               PlainScreen("GS_Quit", 100, 100, 200, 100, kGreen))));
    // Before the first update the start-up has not run.
    game.Platform().InjectWindowEvent(SDL_WINDOWEVENT_CLOSE);
    game.Step(1);
    EXPECT_FALSE(game.Platform().QuitRequested());
    EXPECT_EQ(game.StackNames(), "GS_Main");  // the close-query screen was not shown

    game.Platform().InjectWindowEvent(SDL_WINDOWEVENT_CLOSE);
    game.Step(1);
    EXPECT_FALSE(game.Platform().QuitRequested());
    EXPECT_EQ(game.StackNames(), "GS_Main GS_Quit");

    game.Platform().InjectWindowEvent(SDL_WINDOWEVENT_CLOSE);
    game.Deliver();
    EXPECT_TRUE(game.Platform().QuitRequested());
}

TEST_F(GameShellTest, AQuitFromOutsideTheWindowEndsAtOnceWithoutAQuery) {
    // A signal or the session's end: nobody is there to answer a query,
    // neither during the start-up nor later.
    for (const int steps : {0, 1}) {
        TGameHarness& game =
            Start(GameOf(R"(closequerygs="GS_Quit" maings="GS_Main")",
                         ScreensOf(PlainScreen("GS_Main", 0, 0, 640, 480, kBlue) +
                                   PlainScreen("GS_Quit", 100, 100, 200, 100, kGreen))));
        game.Step(steps);
        game.Platform().InjectQuit();
        game.Deliver();
        EXPECT_TRUE(game.Platform().QuitRequested()) << steps;
        EXPECT_EQ(game.StackNames().find("GS_Quit"), std::string::npos) << steps;
    }
}

TEST_F(GameShellTest, QuitIsAllowedAtOnceWithoutACloseQueryScreen) {
    for (const char* query : {"", "GS_NoSuchScreen"}) {
        TGameHarness& game = Start(GameOf(std::string("closequerygs=\"") + query + "\"",
                                          ScreensOf(PlainScreen("GS_Main", 0, 0, 64, 48, kBlue))));
        game.Step(1);
        EXPECT_TRUE(Game().QueryQuit()) << query;
    }
}

TEST_F(GameShellTest, DoneEmptiesTheStackWritesTheProfilesThenRemovesTheGroupsLastToFirst) {
    TGameHarness& game = Start(GameOf(R"(maings="A")",
                                      R"(<resourcefiles>
                          <resourcefile name="first" filename="first.xml" loadmode="synch"/>
                          <resourcefile name="second" filename="second.xml" loadmode="synch"/>
                          <resourcefile name="third" filename="third.xml" loadmode="asynch"/>
                        </resourcefiles>)" +
                                          ScreensOf(PlainScreen("A", 0, 0, 640, 480, kRed) +
                                                    PlainScreen("B", 0, 0, 100, 100, kGreen))),
                               {{"first.xml", ResourceList("r_first")},
                                {"second.xml", ResourceList("r_second")},
                                {"third.xml", ResourceList("r_third")}});
    game.Step(1);
    ASSERT_TRUE(Game().ShowGameScreen("B", nullptr));
    game.Step(1);
    Game().GetUserProfiles()->FindOrAdd("zoe");
    const std::string users = game.UserDir() + "users.dat";
    OnResourceUnload() = [&users](const std::string&) {
        Note(std::filesystem::exists(users) ? "profiles written" : "profiles not written");
    };
    const Ref<IGame> kept = game.Engine().GetGame();
    Journal().clear();

    game.Finish();

    EXPECT_EQ(dynamic_cast<TGame&>(*kept).GetStack()->GetCount(), 0);
    EXPECT_TRUE(JournalHasInOrder({"detach B", "detach A", "unload r_third", "profiles written",
                                   "unload r_second", "unload r_first"}));
    EXPECT_FALSE(JournalHas("hide A"));
    EXPECT_FALSE(JournalHas("hide B"));
    EXPECT_NE(ReadFileBytes(users).find("zoe"), std::string::npos);
    EXPECT_FALSE(dynamic_cast<TGame&>(*kept).GetEngine());
}

TEST_F(GameShellTest, TheProgramsGameTypeIsTheGameObjectAndItsScreensStandOnEffectWindows) {
    EXPECT_TRUE(dynamic_cast<TGame*>(CreateNamedObject("Game", "g").get()));
    EXPECT_TRUE(dynamic_cast<TResourceFile*>(CreateNamedObject("ResourceFile", "r").get()));
    const Ref<INamedObject> object = CreateNamedObject("GameScreen", "s");
    auto* screen = dynamic_cast<TGameScreen*>(object.get());
    ASSERT_TRUE(screen);
    const Ref<IWidget> window = screen->GetWindowWidget();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->GetProperty("applyingeffect"), Variant(false));
}

TEST(GameStorage, TheDefinitionSavesBackInItsOrderWithOnlyTheScreenNamesGiven) {
    const char* definition = R"(
      <game name="Quillmarch" type="Game" maings="GS_Main" splashlogosgs="GS_Logo">
        <gamescreens><gamescreen name="GS_Main" type="QmTestGameScreen"/></gamescreens>
        <params><param name="ShowHints" value="yes"/></params>
        <resourcefiles><resourcefile name="base" filename="base.xml" loadmode="synch"/>
        </resourcefiles>
        <cursors><cursor name="arrow" hotspotx="2"/></cursors>
        <custom_settings option="ShowHints" value="no"/>
      </game>)";
    const Ref<TGame> game = CreateObject<TGame>();
    game->Load(LoadStorageFromXML(definition));
    EXPECT_EQ(game->GetSplashLogosScreenName(), "GS_Logo");
    EXPECT_EQ(game->GetSplashScreenName(), "");
    EXPECT_EQ(game->GetMainScreenName(), "GS_Main");
    EXPECT_TRUE(game->GetCustomSettings());
    EXPECT_TRUE(game->GetCursors()->Find(Variant("arrow")));
    EXPECT_EQ(game->GetResourceFiles()->GetCount(), 1);
    EXPECT_EQ(game->GetOption("ShowHints"), Variant("yes"));
    EXPECT_TRUE(game->GetGameScreens()->GetItem(Variant("gs_main")));

    const Ref<IHierStorageRoot> document = CreateStorage("game");
    ASSERT_TRUE(document->SaveObject(Query<IPersistObject>(game)));
    std::string xml;
    ASSERT_TRUE(document->SaveToXML(xml));
    const std::string tree = playerdata::TreeOf(xml);
    EXPECT_EQ(tree.substr(0, tree.find('(')),
              "game[name=Quillmarch,type=Game,splashlogosgs=GS_Logo,maings=GS_Main]");
    // The children in their saving order, whatever the document's.
    const Ref<IHierStorage> root = LoadStorageFromXML(xml);
    for (const char* name :
         {"custom_settings", "cursors", "resourcefiles", "params", "gamescreens"}) {
        EXPECT_EQ(root->GetChildCount(name), 1) << name;
    }
    EXPECT_LT(tree.find("custom_settings"), tree.find("cursors("));
    EXPECT_LT(tree.find("cursors("), tree.find("resourcefiles("));
    EXPECT_LT(tree.find("resourcefiles("), tree.find("params("));
    EXPECT_LT(tree.find("params("), tree.find("gamescreens("));
}

TEST(GameStorage, WithoutCursorAndSettingsClassesThoseElementsAreSkippedWithALogLine) {
    const TAbstractClass cursors = GetCursorCollectionClass();
    const TAbstractClass settings = GetCustomSettingsClass();
    SetCursorCollectionClass(nullptr);
    SetCustomSettingsClass(nullptr);
    TLogCapture log;
    const Ref<TGame> game = CreateObject<TGame>();
    game->Load(LoadStorageFromXML(R"(
      <game name="g" type="Game">
        <custom_settings/><cursors><cursor name="arrow"/></cursors>
        <gamescreens><gamescreen name="A" type="QmTestGameScreen"/></gamescreens>
      </game>)"));
    SetCursorCollectionClass(cursors);
    SetCustomSettingsClass(settings);
    EXPECT_FALSE(game->GetCursors());
    EXPECT_FALSE(game->GetCustomSettings());
    EXPECT_TRUE(game->GetGameScreens()->GetItem(Variant("A")));
    EXPECT_TRUE(log.Has({"GAME", "cursors are skipped"}));
    EXPECT_TRUE(log.Has({"GAME", "custom settings are skipped"}));
}

// ---------------------------------------------------------------------------
// The stack

TEST_F(GameShellTest, ShowAndCloseFollowTheStackRules) {
    Start(GameOf("", ScreensOf(PlainScreen("A", 0, 0, 640, 480, kRed) +
                               PlainScreen("B", 0, 0, 320, 240, kGreen) +
                               PlainScreen("C", 10, 10, 20, 20, kBlue))));
    struct TCase {
        const char* op;
        const char* name;
        bool answer;
        const char* stack;
        const char* line;  // a line the step writes ("" for none)
    };
    const TCase cases[] = {
        {"show", "A", true, "A", "show A -"},
        {"show", "A", false, "A", ""},  // open already
        {"show", "a", false, "A", ""},  // the same name
        {"show", "GS_None", false, "A", ""},
        {"show", "", false, "A", ""},
        {"show", "B", true, "A B", "deactivate A"},
        {"close", "A", false, "A B", ""},  // not the top
        {"show", "C", true, "A B C", "deactivate B"},
        {"close", "C", true, "A B", "activate B"},
        {"close", "B", true, "A", "activate A"},
        {"close", "A", true, "", "hide A"},
        {"close", "A", false, "", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.op) + " " + c.name);
        Journal().clear();
        const bool answer = std::string(c.op) == "show"
                                ? Game().ShowGameScreen(c.name, nullptr)
                                : Game().CloseGameScreen(harness->Screen(c.name), nullptr);
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(harness->StackNames(), c.stack);
        if (*c.line) {
            EXPECT_TRUE(JournalHas(c.line));
        }
        if (!c.answer) {
            EXPECT_TRUE(Journal().empty());
        }
    }
    EXPECT_FALSE(Game().CloseGameScreen(nullptr, nullptr));
}

TEST_F(GameShellTest, AHideEffectKeepsTheScreenOnTopAndDrawnUntilItEnds) {
    TGameHarness& game = Start(GameOf("", ScreensOf(PlainScreen("A", 0, 0, 640, 480, kRed) +
                                                    PlainScreen("B", 100, 100, 50, 50, kGreen,
                                                                /*effectMs=*/50))));
    ASSERT_TRUE(Game().ShowGameScreen("A", nullptr));
    ASSERT_TRUE(Game().ShowGameScreen("B", nullptr));
    // The show effect runs first: AfterShow waits for it.
    game.Step(4);
    EXPECT_FALSE(JournalHas("aftershow B"));
    game.Step(1);
    EXPECT_TRUE(JournalHas("aftershow B"));
    EXPECT_EQ(game.Pixel(120, 120), kGreen);

    Journal().clear();
    ASSERT_TRUE(Game().CloseGameScreen(game.Screen("B"), Results("Button", "button_ok")));
    EXPECT_EQ(game.StackNames(), "A B");
    const int updates = Screen("B")->updates;
    game.Step(4);
    EXPECT_EQ(game.StackNames(), "A B");
    EXPECT_EQ(Screen("B")->updates, updates + 4);  // still the top, still updated
    EXPECT_EQ(game.Pixel(120, 120), kGreen);
    EXPECT_FALSE(JournalHas("closed A B Button=button_ok"));

    game.Step(1);
    EXPECT_EQ(game.StackNames(), "A");
    EXPECT_TRUE(JournalHasInOrder({"activate A", "closed A B Button=button_ok"}));
    EXPECT_EQ(game.Pixel(120, 120), kRed);  // its area drawn again, from below
    EXPECT_EQ(Game().GetLastResults()->GetValue("Button", Variant()), Variant("button_ok"));
}

TEST_F(GameShellTest, AScreenHiddenByOtherMeansLeavesWithTheLastResults) {
    TGameHarness& game = Start(GameOf("", ScreensOf(PlainScreen("A", 0, 0, 640, 480, kRed) +
                                                    PlainScreen("B", 0, 0, 10, 10, kGreen) +
                                                    PlainScreen("C", 0, 0, 10, 10, kBlue))));
    Game().ShowGameScreen("A", nullptr);
    Game().ShowGameScreen("B", nullptr);
    Game().CloseGameScreen(game.Screen("B"), Results("x", "1"));
    Game().ShowGameScreen("C", nullptr);
    Journal().clear();
    game.Screen("C")->GetWindowWidget()->SetVisible(false);
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "A");
    EXPECT_TRUE(JournalHas("closed A C x=1"));
}

// ---------------------------------------------------------------------------
// Screens shown and closed while the game tells a screen its child closed

class ReentrantCloseTest : public GameShellTest {
protected:
    void SetUp() override {
        GameShellTest::SetUp();
        Start(GameOf("", ScreensOf(PlainScreen("A", 0, 0, 640, 480, kRed) +
                                   PlainScreen("B", 0, 0, 600, 400, kGreen) +
                                   PlainScreen("C", 0, 0, 500, 300, kBlue) +
                                   PlainScreen("D", 0, 0, 400, 200, kWhite) +
                                   PlainScreen("E", 0, 0, 300, 100, kDark))));
    }
    void Open(std::initializer_list<const char*> names) {
        for (const char* name : names) ASSERT_TRUE(Game().ShowGameScreen(name, nullptr)) << name;
        Journal().clear();
    }
};

TEST_F(ReentrantCloseTest, TheScreenBelowShowsAnotherOne) {
    Open({"A", "B"});
    Screen("A")->onChildClosed = [](TTestGameScreen& a, const std::string&,
                                    const Ref<IParamCollection>&) {
        a.Game().ShowGameScreen("C", nullptr);
    };
    ASSERT_TRUE(Game().CloseGameScreen(harness->Screen("B"), nullptr));
    EXPECT_EQ(harness->StackNames(), "A C");
    EXPECT_TRUE(
        JournalHasInOrder({"hide B", "activate A", "closed A B -", "deactivate A", "show C -"}));
    harness->Step(2);
    EXPECT_EQ(harness->StackNames(), "A C");
}

TEST_F(ReentrantCloseTest, TheScreenBelowClosesItselfAndTheOneUnderItIsTold) {
    Open({"A", "B", "C"});
    Screen("B")->onChildClosed = [](TTestGameScreen& b, const std::string&,
                                    const Ref<IParamCollection>& results) {
        b.Game().CloseGameScreen(Ref<IGameScreenSlave>(&b), Results("from", "B"));
        // The results it was given stay as they were.
        Note("B was given " + ParamsText(results));
    };
    ASSERT_TRUE(Game().CloseGameScreen(harness->Screen("C"), Results("from", "C")));
    EXPECT_EQ(harness->StackNames(), "A");
    EXPECT_TRUE(JournalHasInOrder({"hide C", "closed B C from=C", "hide B", "activate A",
                                   "closed A B from=B", "B was given from=C"}));
    // Each screen was told once.
    int told = 0;
    for (const std::string& line : Journal()) told += line.rfind("closed ", 0) == 0;
    EXPECT_EQ(told, 2);
}

TEST_F(ReentrantCloseTest, SeveralClosedScreensLeaveInOneUpdateWhileTheirHooksShowScreens) {
    Open({"A", "B", "C", "D"});
    // C and D turn invisible together; told of D, C opens E on top.
    Screen("C")->onChildClosed = [](TTestGameScreen& c, const std::string&,
                                    const Ref<IParamCollection>&) {
        c.Game().ShowGameScreen("E", nullptr);
    };
    harness->Screen("C")->GetWindowWidget()->SetVisible(false);
    harness->Screen("D")->GetWindowWidget()->SetVisible(false);
    harness->Step(1);
    EXPECT_EQ(harness->StackNames(), "A B E");
    EXPECT_TRUE(JournalHasInOrder({"closed C D -", "show E -", "activate B", "closed B C -"}));
}

TEST_F(ReentrantCloseTest, AHookThatDropsTheScreensFromTheGameFreesNothingStillInUse) {
    Open({"A", "B", "C"});
    // Told that C closed, B deletes C and itself from the game's screens:
    // they stay whole until the stack is done with them.
    Screen("B")->onChildClosed = [](TTestGameScreen& b, const std::string&,
                                    const Ref<IParamCollection>&) {
        const Ref<IGSCollection> all = b.Game().GetGameScreens();
        all->Delete(Variant("C"));
        all->Delete(Variant("B"));
        b.Game().CloseGameScreen(Ref<IGameScreenSlave>(&b), nullptr);
        Note("B still whole: " + b.GetName());
    };
    ASSERT_TRUE(Game().CloseGameScreen(harness->Screen("C"), nullptr));
    EXPECT_EQ(harness->StackNames(), "A");
    EXPECT_TRUE(JournalHasInOrder({"closed B C -", "closed A B -", "B still whole: B"}));
    EXPECT_TRUE(JournalHas("destroy C"));
    EXPECT_TRUE(JournalHas("destroy B"));
    harness->Step(1);
}

// ---------------------------------------------------------------------------
// Drawing

TEST_F(GameShellTest, AScreenInsideOneAboveItIsNotDrawnAPartlyCoveredOneIs) {
    struct TCase {
        const char* name;
        int x, y, w, h;  // the upper screen
        bool lowerDrawn;
    };
    const TCase cases[] = {
        {"same bounds", 0, 0, 640, 480, false},
        {"larger", -10, -10, 700, 500, false},
        {"partly", 100, 100, 200, 200, true},
        {"one pixel short", 0, 0, 639, 480, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TGameHarness& game =
            Start(GameOf("", ScreensOf(PlainScreen("A", 0, 0, 640, 480, kRed) +
                                       PlainScreen("B", c.x, c.y, c.w, c.h, kGreen))));
        Game().ShowGameScreen("A", nullptr);
        game.Step(1);
        Game().ShowGameScreen("B", nullptr);
        game.Step(1);
        const int before = Screen("A")->renders;
        for (int i = 0; i < 3; ++i) {
            game.Engine().InvalidateRect(0, 0, 640, 480);
            game.Step(1);
        }
        EXPECT_EQ(Screen("A")->renders - before, c.lowerDrawn ? 3 : 0);
        EXPECT_EQ(game.Pixel(std::max(c.x, 0) + 5, std::max(c.y, 0) + 5), kGreen);
        EXPECT_EQ(game.Pixel(639, 479), c.lowerDrawn ? kRed : kGreen);
    }
}

TEST_F(GameShellTest, ATranslucentScreenOverCoveredOnesDoesNotBuildUpAcrossRedraws) {
    TGameHarness& game =
        Start(GameOf("", ScreensOf(PlainScreen("A", 0, 0, 640, 480, kRed) +
                                   ScreenOf("B", Leaf("veil", 0, 0, 640, 480, 0xFF000000,
                                                      R"(transparentlevel="128")") +
                                                     Leaf("spot", 300, 200, 20, 20, kBlue)))));
    Game().ShowGameScreen("A", nullptr);
    game.Step(1);
    Game().ShowGameScreen("B", nullptr);
    game.Step(1);
    const uint32_t veiled = game.Pixel(10, 10);
    const uint32_t red = (veiled >> 16) & 0xFF;
    EXPECT_GE(red, 0x70u);
    EXPECT_LE(red, 0x90u);
    for (int i = 0; i < 4; ++i) {
        game.Engine().InvalidateRect(0, 0, 640, 480);
        game.Step(1);
    }
    EXPECT_EQ(game.Pixel(10, 10), veiled);
    // A small area redrawn alone matches its surroundings.
    for (int i = 0; i < 4; ++i) {
        game.Find("spot")->SetLeft(300 + i);
        game.Step(1);
    }
    EXPECT_EQ(game.Pixel(300, 205), veiled);
    EXPECT_EQ(game.Pixel(299, 205), veiled);
    // Once the veil goes, the covered screen is drawn again as itself.
    Game().CloseGameScreen(game.Screen("B"), nullptr);
    game.Step(1);
    EXPECT_EQ(game.Pixel(10, 10), kRed);
}

TEST_F(GameShellTest, TheCursorIsDrawnAtTheMouseLessItsHotSpot) {
    TGameHarness& game = Start(GameOf(R"(maings="A")",
                                      R"(<cursors><cursor name="arrow" hotspotx="1" hotspoty="2">
                                           <widget type="qm_game_leaf" width="4" height="4"
                                                   color="$FFFFFFFF"/>
                                         </cursor></cursors>)" +
                                          ScreensOf(PlainScreen("A", 0, 0, 640, 480, kDark))));
    game.MouseMove(50, 60);
    game.Step(2);
    EXPECT_EQ(game.Pixel(49, 58), kWhite);
    EXPECT_EQ(game.Pixel(52, 61), kWhite);
    EXPECT_EQ(game.Pixel(48, 58), kDark);
    EXPECT_EQ(game.Pixel(53, 62), kDark);

    game.MouseMove(200, 100);
    game.Step(1);
    EXPECT_EQ(game.Pixel(49, 58), kDark);  // its old place drawn again
    EXPECT_EQ(game.Pixel(199, 98), kWhite);

    // A button going down that the screen takes restarts the cursor's
    // widget.
    const Ref<IWidget> arrow = Game().GetCursors()->GetCurrentCursor()->GetWidget();
    game.Step(3);
    EXPECT_GT(arrow->GetProperty("currenttime").ToInt(), 0);
    EXPECT_TRUE(Game().MouseEvent(kMouseLeftDouble, 10, 10, 0));
    EXPECT_GT(arrow->GetProperty("currenttime").ToInt(), 0);
    EXPECT_TRUE(Game().MouseEvent(kMouseLeftDown, 10, 10, 0));
    EXPECT_EQ(arrow->GetProperty("currenttime").ToInt(), 0);
}

// ---------------------------------------------------------------------------
// Input

TEST_F(GameShellTest, MouseEventsGoToTheTopScreenOrToTheCapture) {
    TGameHarness& game = Start(GameOf(
        "",
        ScreensOf(PlainScreen("A", 0, 0, 100, 100, kRed) +
                  ScreenOf("B", Leaf("b", 200, 200, 100, 100, kGreen) +
                                    Leaf("glass", 400, 400, 50, 50, kBlue, R"(mousestop="no")") +
                                    Leaf("grab", 0, 300, 50, 50, kBlue, R"(capture="yes")")))));
    Game().ShowGameScreen("A", nullptr);
    Game().ShowGameScreen("B", nullptr);
    struct TCase {
        int32_t code, x, y, buttons;
        bool handled;
        std::vector<std::string> lines;
    };
    const TCase cases[] = {
        {kMouseLeftDown, 50, 50, 0, false, {}},  // only the covered screen has a widget there
        {kMouseLeftDown, 250, 250, 0, true, {"mouse b 11 250,250 0"}},
        {kMouseLeftUp, 250, 250, 0, true, {"mouse b 12 250,250 0", "event B b 1"}},
        {kMouseMove, 420, 420, 0, false, {}},  // a widget that lets the mouse through
        {kMouseLeftDown, 10, 310, 0, true, {"mouse grab 11 10,310 0"}},
        {kMouseMove, 250, 250, 1, true, {"mouse grab 10 250,250 1"}},
        {kMouseLeftUp,
         600,
         20,
         0,
         true,
         {"mouse grab 12 600,20 0", "lose capture grab", "event B grab 1"}},
        {kMouseLeftDown, 250, 250, 0, true, {"mouse b 11 250,250 0"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " at " + std::to_string(c.x) + "," +
                     std::to_string(c.y));
        Journal().clear();
        EXPECT_EQ(Game().MouseEvent(c.code, c.x, c.y, c.buttons), c.handled);
        EXPECT_EQ(Journal(), c.lines);
    }
    // The same through the engine.
    Journal().clear();
    game.ClickAt("b");
    EXPECT_EQ(Journal(), (std::vector<std::string>{"mouse b 11 250,250 0", "mouse b 12 250,250 0",
                                                   "event B b 1"}));
}

TEST_F(GameShellTest, CommandKeysToggleTheirSettingOncePerPress) {
    SetGlobalOptionsList(";FullScreenMode;");
    TGameHarness& game = Start(
        GameOf(R"(maings="A")", R"(<params><param name="FullScreenMode" value="no"/></params>)" +
                                    ScreensOf(PlainScreen("A", 0, 0, 64, 48, kDark))));
    game.Step(1);
    struct TStep {
        const char* what;
        std::function<void()> act;
        const char* fps;
        const char* full;
        const char* rects;
    };
    const auto down = [&game](SDL_Scancode s, SDL_Keycode k, uint16_t mod, bool repeat = false) {
        return [&game, s, k, mod, repeat] { game.KeyDown(s, k, mod, repeat); };
    };
    const auto up = [&game](SDL_Scancode s, SDL_Keycode k, uint16_t mod) {
        return [&game, s, k, mod] { game.KeyUp(s, k, mod); };
    };
    const TStep steps[] = {
        {"Ctrl-F", down(SDL_SCANCODE_F, SDLK_f, KMOD_LCTRL), "yes", "no", "yes"},
        {"F up", up(SDL_SCANCODE_F, SDLK_f, KMOD_LCTRL), "yes", "no", "yes"},
        {"Ctrl-F again", down(SDL_SCANCODE_F, SDLK_f, KMOD_LCTRL), "no", "no", "yes"},
        {"F up again", up(SDL_SCANCODE_F, SDLK_f, KMOD_LCTRL), "no", "no", "yes"},
        {"Ctrl-M", down(SDL_SCANCODE_M, SDLK_m, KMOD_LCTRL), "no", "yes", "yes"},
        {"M repeats", down(SDL_SCANCODE_M, SDLK_m, KMOD_LCTRL, true), "no", "yes", "yes"},
        {"M repeats", down(SDL_SCANCODE_M, SDLK_m, KMOD_LCTRL, true), "no", "yes", "yes"},
        {"M up", up(SDL_SCANCODE_M, SDLK_m, KMOD_LCTRL), "no", "yes", "yes"},
        {"Ctrl-Shift-M", down(SDL_SCANCODE_M, SDLK_m, KMOD_LCTRL | KMOD_LSHIFT), "no", "no", "yes"},
        {"M up", up(SDL_SCANCODE_M, SDLK_m, KMOD_LCTRL | KMOD_LSHIFT), "no", "no", "yes"},
        {"R alone", down(SDL_SCANCODE_R, SDLK_r, 0), "no", "no", "yes"},
        {"R up", up(SDL_SCANCODE_R, SDLK_r, 0), "no", "no", "yes"},
        {"Ctrl-R", down(SDL_SCANCODE_R, SDLK_r, KMOD_RCTRL), "no", "no", "no"},
        {"R up", up(SDL_SCANCODE_R, SDLK_r, KMOD_RCTRL), "no", "no", "no"},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(game.Engine().GetOption("ShowFPS"), step.fps);
        EXPECT_EQ(game.Engine().GetOption("FullScreenMode"), step.full);
        EXPECT_EQ(game.Engine().GetOption("ShowRects"), step.rects);
    }
    // FullScreenMode is global: the store has the last toggle, and the engine
    // applied it (the display went full screen and back).
    std::string stored;
    ASSERT_TRUE(ReadGlobalOption("FullScreenMode", stored));
    EXPECT_EQ(stored, "no");
    int fullScreens = 0;
    for (const TDisplayMode& mode : game.Platform().DisplaysCreated())
        fullScreens += mode.fullScreen;
    EXPECT_EQ(fullScreens, 1);
    // A toggle key counts as handled whether the screen took it or not;
    // other Command keys are the screen's.
    EXPECT_FALSE(Game().KeyEvent(kKeyDown, 'x', TGame::kCommandKey));
    EXPECT_TRUE(Game().KeyEvent(kKeyDown, 'R', TGame::kCommandKey));
    EXPECT_EQ(game.Engine().GetOption("ShowRects"), "yes");
}

TEST_F(GameShellTest, ActivationReachesEveryOpenScreenBottomUp) {
    Start(GameOf("", ScreensOf(PlainScreen("A", 0, 0, 64, 48, kRed) +
                               PlainScreen("B", 0, 0, 32, 24, kGreen) +
                               PlainScreen("C", 0, 0, 32, 24, kBlue))));
    Game().ShowGameScreen("A", nullptr);
    Game().ShowGameScreen("B", nullptr);
    Journal().clear();
    Game().SetActive(false);
    Game().SetActive(true);
    EXPECT_EQ(Journal(),
              (std::vector<std::string>{"inactive A", "inactive B", "active A", "active B"}));
}

// ---------------------------------------------------------------------------
// Options

TEST_F(GameShellTest, GlobalOptionsComeFromTheStoreOrAreWrittenThere) {
    SetGlobalOptionsList(";MusicVolume;SoundVolume;ShowHints;");
    TGameHarness& game = Make();
    ASSERT_TRUE(WriteGlobalOption("SoundVolume", "20"));
    ASSERT_TRUE(WriteGlobalOption("ShowHints", ""));
    game.Start(GameOf("", R"(<params>
                               <param name="MusicVolume" value="55"/>
                               <param name="SoundVolume" value="90"/>
                               <param name="ShowHints" value="yes"/>
                               <param name="UseAutoComplete" value="yes"/>
                             </params>)"));
    struct TCase {
        const char* name;
        const char* option;  // the game's value
        const char* stored;  // in the store
        const char* engine;  // the engine's setting ("" it has none)
    };
    const TCase cases[] = {
        {"MusicVolume", "55", "55", "55"},  // missing: written from the definition
        {"SoundVolume", "20", "20", "20"},  // stored: taken
        {"ShowHints", "yes", "yes", ""},    // stored empty: written; the engine has no such setting
        {"UseAutoComplete", "yes", "", ""},  // not global: never stored
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Game().GetOption(c.name).ToString(), c.option);
        std::string stored;
        ASSERT_TRUE(ReadGlobalOption(c.name, stored));
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(game.Engine().GetOption(c.name), c.engine);
    }
    EXPECT_TRUE(Game().GetOption("NoSuchOption").IsNull());
}

TEST_F(GameShellTest, SettingAnOptionStoresItAndAppliesTheEngineOnlyWhenNeeded) {
    SetGlobalOptionsList(";FullScreenMode;MusicVolume;");
    TGameHarness& game = Start(GameOf("", ""));
    const auto displays = [&game] { return game.Platform().DisplaysCreated().size(); };
    const size_t before = displays();
    std::string stored;

    Game().SetOption("FullScreenMode", "yes");  // global, known, changed: applied
    EXPECT_EQ(game.Engine().GetOption("FullScreenMode"), "yes");
    EXPECT_EQ(displays(), before + 1);
    ASSERT_TRUE(ReadGlobalOption("FullScreenMode", stored));
    EXPECT_EQ(stored, "yes");

    Game().SetOption("FullScreenMode", "yes");  // the same value: not applied again
    EXPECT_EQ(displays(), before + 1);

    Game().SetOptionValue("MusicVolume", Variant("12"));  // neither stored nor applied
    EXPECT_EQ(game.Engine().GetOption("MusicVolume"), "12");
    ASSERT_TRUE(ReadGlobalOption("MusicVolume", stored));
    EXPECT_EQ(stored, "");
    EXPECT_EQ(displays(), before + 1);

    Game().SetOption("Difficulty", "hard");  // unknown to the engine
    EXPECT_EQ(Game().GetOption("Difficulty"), Variant("hard"));
    EXPECT_EQ(game.Engine().GetOption("Difficulty"), "");
}

}  // namespace
