// The main menu through the game: it publishes its level catalogue, insists
// on a profile, greets the player, sends its medallion command 16 on showing
// and after every child, and leads to the story the first time and to the
// map after it, with the tutorial and the bonus notice where they belong.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/lang/MultiLanguages.h"
#include "nonogram/LevelDefs.h"
#include "tests/world/WorldTestSupport.h"
#include "world/GameScreenMain.h"

namespace {

using namespace worldtest;

constexpr char kCatalogue[] =
    R"(<levels><level level="japan_1"><properties><param name="filename" value="l1.xml"/>
       <param name="level_type" value="nonogram"/></properties></level>
       <level level="japan_2"><properties><param name="filename" value="l2.xml"/></properties>
       </level></levels>)";

std::string MainMenu(bool medallion, bool scenarioGroup) {
    std::string widgets = Probe("welcome_message", 10, 10, 200, 20) +
                          Leaf("button_start", 10, 40, 80, 20, 0xFF00FF00) +
                          Leaf("button_exit", 10, 70, 80, 20, 0xFFFF0000);
    if (medallion)
        widgets += "<widget type=\"qm_command_probe\" name=\"medallion\" visible=\"yes\"/>";
    if (scenarioGroup) widgets += Group("scenario_group", Leaf("old", 0, 0, 5, 5, 0xFF000000));
    return "<gamescreen name=\"GS_Main\" type=\"QuillmarchGameScreenMain\"><window><widgets>" +
           widgets + "</widgets></window>" + kCatalogue + "</gamescreen>";
}

std::string MenuGame(bool medallion = true, bool scenarioGroup = true) {
    std::string screens = MainMenu(medallion, scenarioGroup);
    for (const char* name : {"GS_NewUser", "GS_History", "GS_Map", "GS_Quit", "GS_BonusEnabled",
                             "GS_Tutorial", "GS_HighScores", "GS_Game"}) {
        screens += StandIn(name);
    }
    return GameOf(R"(maings="GS_Main")", ScreensOf(screens));
}

class MainMenuTest : public WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        savedWelcome_ = GetLanguageString("welcome", "");
        GetMultiLanguages()->Strings().SetString("Hello %username%!", "welcome");
    }
    void TearDown() override {
        GetMultiLanguages()->Strings().SetString(savedWelcome_, "welcome");
        WorldTest::TearDown();
    }
    // The game on the menu, with a current profile when one is named.
    TGameHarness& StartMenu(const std::string& player, bool medallion = true,
                            bool scenarioGroup = true) {
        TGameHarness& game = Make();
        game.Start(MenuGame(medallion, scenarioGroup));
        if (!player.empty()) Profile(player);
        game.Step(2);
        Journal().clear();
        return game;
    }
    void Close(const std::string& screen, const Ref<IParamCollection>& results = nullptr) {
        ASSERT_TRUE(Game().CloseGameScreen(harness->Screen(screen), results)) << screen;
        harness->Step(1);
    }
    void Press(const std::string& button) { Report("GS_Main", button, 1); }
    std::string Welcome() {
        return ProbeOf("GS_Main", "welcome_message")->GetProperty("text_utf8").ToString();
    }
    std::string UsersFile() {
        std::ifstream in(harness->UserDir() + "users.dat");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    int MedallionCommands() {
        int count = 0;
        for (const std::string& line : Journal()) count += line == "command medallion 16";
        return count;
    }

    std::string savedWelcome_;
};

TEST_F(MainMenuTest, ItPublishesItsCatalogue) {
    StartMenu("Ann");
    const Ref<IQuillmarchLevelDefRefCollection> levels =
        Query<IQuillmarchLevelDefRefCollection>(Game().GetOption("level_def_refs").ToInterface());
    ASSERT_TRUE(levels);
    EXPECT_EQ(levels.get(), As<TQuillmarchGameScreenMain>("GS_Main")->GetLevels().get());
    ASSERT_EQ(levels->GetCount(), 2);
    EXPECT_EQ(levels->GetItemByName("japan_1")->GetLevelType(), "nonogram");
    EXPECT_EQ(levels->GetItem(Variant(1))->GetFileName(), "l2.xml");
}

TEST_F(MainMenuTest, WithoutAProfileItAsksForOneUntilThereIsOne) {
    TGameHarness& game = Make();
    game.Start(MenuGame());
    game.Step(2);
    EXPECT_EQ(Shown(), "GS_NewUser Necessary=True");
    EXPECT_EQ(game.StackNames(), "GS_Main GS_NewUser");

    // Closed without a name, or with no results: asked again.
    Journal().clear();
    Close("GS_NewUser", Results("other", "x"));
    Close("GS_NewUser");
    EXPECT_EQ(Shown(), "GS_NewUser Necessary=True | GS_NewUser Necessary=True");

    Journal().clear();
    Close("GS_NewUser", Results("user_name", "Ann"));
    EXPECT_EQ(Shown(), "");
    EXPECT_EQ(game.StackNames(), "GS_Main");
    EXPECT_EQ(Game().GetUserProfiles()->GetCurrent()->GetName(), "Ann");
    EXPECT_NE(UsersFile().find("Ann"), std::string::npos);
    EXPECT_EQ(Welcome(), "Hello Ann!");
    EXPECT_EQ(MedallionCommands(), 1);
}

TEST_F(MainMenuTest, ShowingGreetsRefreshesTheMedallionAndEmptiesTheScenarioGroup) {
    StartMenu("Bo");
    EXPECT_EQ(Welcome(), "Hello Bo!");
    Ref<IWidgetCollection> scenarios = WidgetOf("GS_Main", "scenario_group")->GetChildren();
    EXPECT_EQ(scenarios->GetCount(), 0);
    // Each child screen that closes refreshes the medallion and the greeting.
    Profile("Cy");
    ASSERT_TRUE(Game().ShowGameScreen("GS_Quit", nullptr));
    Close("GS_Quit");
    EXPECT_EQ(MedallionCommands(), 1);
    EXPECT_EQ(Welcome(), "Hello Cy!");
}

TEST_F(MainMenuTest, TheStartButtonLeadsToTheStoryOnceThenToTheMap) {
    struct Case {
        const char* showHistory;     // null: absent
        const char* tutorialPassed;  // null: absent
        const char* shown;
        const char* showHistoryAfter;
    } cases[] = {
        {nullptr, nullptr,
         "GS_History surface=surface 1024x768,show_scroll=yes | GS_Map - | GS_Tutorial "
         "tutorial_part=part1",
         "yes"},
        {"no", "yes", "GS_History surface=surface 1024x768,show_scroll=yes | GS_Map -", "yes"},
        {"no", "No", "GS_History surface=surface 1024x768,show_scroll=yes | GS_Map -", "yes"},
        {"yes", nullptr, "GS_Map surface=surface 1024x768,show_scroll=yes", "yes"},
        {"maybe", nullptr, "GS_Map surface=surface 1024x768,show_scroll=yes", "maybe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.showHistory ? c.showHistory : "-") + "/" +
                     (c.tutorialPassed ? c.tutorialPassed : "-"));
        TGameHarness& game = StartMenu("Ann");
        const Ref<IParamCollection> profile = Profile("Ann");
        if (c.showHistory) profile->SetValue("show_history", Variant(c.showHistory));
        if (c.tutorialPassed) profile->SetValue("tutorial_passed", Variant(c.tutorialPassed));
        Press("button_start");
        if (game.Top()->GetName() == "GS_History") Close("GS_History");
        EXPECT_EQ(Shown(), c.shown);
        EXPECT_EQ(ProfileValue("show_history"), c.showHistoryAfter);
    }
}

TEST_F(MainMenuTest, TheSecondStartOfAProfileGoesToTheMap) {
    TGameHarness& game = StartMenu("Ann");
    Profile()->SetValue("tutorial_passed", Variant("yes"));
    Press("button_start");
    Close("GS_History");
    Close("GS_Map");
    Journal().clear();
    Press("button_start");
    EXPECT_EQ(Shown(), "GS_Map surface=surface 1024x768,show_scroll=yes");
    EXPECT_EQ(game.StackNames(), "GS_Main GS_Map");
}

TEST_F(MainMenuTest, TheBonusNoticeFollowsTheMapOncePerAnnouncement) {
    TGameHarness& game = StartMenu("Ann");
    Profile()->SetValue("show_history", Variant("yes"));
    Profile()->SetValue("new_bonus_levels_enabled", Variant("yes"));
    Press("button_start");
    Journal().clear();
    Close("GS_Map");
    EXPECT_EQ(Shown(), "GS_BonusEnabled -");
    EXPECT_EQ(ProfileValue("new_bonus_levels_enabled"), "no");
    EXPECT_NE(UsersFile().find("new_bonus_levels_enabled"), std::string::npos);
    Close("GS_BonusEnabled");

    Journal().clear();
    Press("button_start");
    Close("GS_Map");
    EXPECT_EQ(Shown(), "GS_Map surface=surface 1024x768,show_scroll=yes");
    EXPECT_EQ(game.StackNames(), "GS_Main");
}

TEST_F(MainMenuTest, TheMapClosingEmptiesTheScenarioGroup) {
    StartMenu("Ann");
    Profile()->SetValue("show_history", Variant("yes"));
    Press("button_start");
    const Ref<IWidget> group = WidgetOf("GS_Main", "scenario_group");
    group->GetChildren()->AddWidget(Query<IWidget>(CreateObjectByName("qm_game_leaf")));
    ASSERT_EQ(group->GetChildren()->GetCount(), 1);
    Close("GS_Map");
    EXPECT_EQ(group->GetChildren()->GetCount(), 0);
}

TEST_F(MainMenuTest, ExitAndTheGamesResults) {
    TGameHarness& game = StartMenu("Ann");
    Press("button_exit");
    Report("GS_Main", "button_start", 2);  // not a click: nothing
    EXPECT_EQ(Shown(), "GS_Quit -");
    Close("GS_Quit");

    Journal().clear();
    ASSERT_TRUE(Game().ShowGameScreen("GS_Game", nullptr));
    Close("GS_Game", Results("Score", "120"));
    EXPECT_EQ(Shown(), "GS_Game - | GS_HighScores Score=120");
    Close("GS_HighScores");
    ASSERT_TRUE(Game().ShowGameScreen("GS_Game", nullptr));
    Close("GS_Game");
    EXPECT_EQ(game.StackNames(), "GS_Main");
}

TEST_F(MainMenuTest, AMenuWithoutMedallionOrScenarioGroupLogsAndCarriesOn) {
    TGameHarness& game = StartMenu("Ann", false, false);
    EXPECT_TRUE(game.Log().Has({"WORLD", "\"medallion\""}));
    EXPECT_TRUE(game.Log().Has({"WORLD", "\"scenario_group\""}));
    Profile()->SetValue("show_history", Variant("yes"));
    Press("button_start");
    Close("GS_Map");
    EXPECT_EQ(game.StackNames(), "GS_Main");
    EXPECT_EQ(Welcome(), "Hello Ann!");
}

}  // namespace
