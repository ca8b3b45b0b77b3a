// The in-game menu lays its visible buttons out evenly and closes at the
// first report of any control, at Escape or at a release over nothing; the
// game options show and store the player's two options at once.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/world/WorldTestSupport.h"
#include "world/GameScreenMenus.h"

namespace {

using namespace worldtest;

struct TButton {
    int height;
    bool visible;
};

// A menu screen named name whose "buttons" group holds buttons b0, b1...,
// each first at top 999, in a 400 × 400 window at the top left.
std::string Menu(const std::string& name, const std::string& type,
                 const std::vector<TButton>& buttons, const std::string& groupHeight) {
    std::string children;
    for (size_t i = 0; i < buttons.size(); ++i) {
        children += Leaf("b" + std::to_string(i), 100, 999, 80, buttons[i].height, 0xFF00FF00,
                         buttons[i].visible ? "" : "visible=\"no\"");
    }
    const std::string attributes =
        groupHeight.empty()
            ? "visible=\"yes\" mousestop=\"yes\""
            : "visible=\"yes\" mousestop=\"yes\" extraparams=\"group_height=" + groupHeight + "\"";
    return RealScreen(name, type,
                      Leaf("back", 0, 0, 400, 400, 0xFF101010, "mousestop=\"no\"") +
                          Group("buttons", children, attributes));
}

class MiniMenuTest : public WorldTest {
protected:
    TGameHarness& StartMenus(const std::string& menus) {
        TGameHarness& game =
            Start(GameOf(R"(maings="GS_Level")", ScreensOf(ScreenOf("GS_Level", "") + menus)));
        game.Step(2);
        Journal().clear();
        return game;
    }
    std::string Tops(const std::string& menu, size_t count) {
        std::string text;
        for (size_t i = 0; i < count; ++i) {
            const Ref<IWidget> button = WidgetOf(menu, "buttons/b" + std::to_string(i));
            text += (i ? " " : "") + std::to_string(int(button->GetTop()));
        }
        return text;
    }
    std::string LastClosed() {
        for (auto it = Journal().rbegin(); it != Journal().rend(); ++it) {
            if (it->rfind("closed GS_Level ", 0) == 0) return it->substr(16);
        }
        return "none";
    }
};

TEST_F(MiniMenuTest, VisibleButtonsAreSpreadOverTheGroup) {
    struct Case {
        const char* what;
        std::vector<TButton> buttons;
        const char* groupHeight;
        const char* tops;
    } cases[] = {
        {"four of 50", {{50, true}, {50, true}, {50, true}, {50, true}}, "", "20 110 200 290"},
        {"a hidden one keeps its place",
         {{40, true}, {40, false}, {40, true}, {40, true}},
         "300",
         "30 999 130 230"},
        {"the first height that is not 0",
         {{0, true}, {50, false}, {50, true}, {60, true}},
         "",
         "35 999 155 275"},
        {"an odd gap", {{50, true}, {50, true}, {50, true}, {50, true}}, "365", "20 111 202 293"},
        {"too little room overlaps", {{50, true}, {50, true}, {50, true}}, "100", "-8 26 60"},
        {"nothing visible", {{50, false}, {50, false}}, "", "999 999"},
        {"a height that is no number", {{50, true}, {50, true}}, "tall", "65 245"},
    };
    std::string menus;
    for (size_t i = 0; i < std::size(cases); ++i) {
        menus += Menu("GS_Menu" + std::to_string(i), "QuillmarchGameScreenMiniMenu",
                      cases[i].buttons, cases[i].groupHeight);
    }
    StartMenus(menus);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        const std::string name = "GS_Menu" + std::to_string(i);
        ASSERT_TRUE(Game().ShowGameScreen(name, nullptr));
        EXPECT_EQ(Tops(name, cases[i].buttons.size()), cases[i].tops);
        ASSERT_TRUE(Game().CloseGameScreen(harness->Screen(name), nullptr));
        harness->Step(1);
    }
}

TEST_F(MiniMenuTest, ItClosesWithThePressedButtonOrWithNoResult) {
    const std::vector<TButton> four(4, TButton{50, true});
    TGameHarness& game =
        StartMenus(Menu("GS_MiniMenu", "QuillmarchGameScreenMiniMenu", four, "") +
                   Menu("GS_MiniMenuBrief", "QuillmarchGameScreenMiniMenuBrief", four, ""));
    for (const char* menu : {"GS_MiniMenu", "GS_MiniMenuBrief"}) {
        SCOPED_TRACE(menu);
        const std::string closed = std::string(menu) + " ";
        // A click on a button.
        ASSERT_TRUE(Game().ShowGameScreen(menu, nullptr));
        game.ClickAt("buttons/b2");
        game.Step(1);
        EXPECT_EQ(LastClosed(), closed + "Button=b2");
        // Escape.
        ASSERT_TRUE(Game().ShowGameScreen(menu, nullptr));
        game.PressKey(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
        game.Step(1);
        EXPECT_EQ(LastClosed(), closed + "-");
        // A release over no widget (the back stops no mouse).
        ASSERT_TRUE(Game().ShowGameScreen(menu, nullptr));
        game.Click(10, 10, SDL_BUTTON_RIGHT);
        game.Step(1);
        EXPECT_EQ(LastClosed(), closed + "-");
        // Any report of a control, whatever its code; the pressed name does
        // not outlive the showing.
        ASSERT_TRUE(Game().ShowGameScreen(menu, nullptr));
        Report(menu, "buttons/b0", 7);
        game.Step(1);
        EXPECT_EQ(LastClosed(), closed + "Button=b0");
        ASSERT_TRUE(Game().ShowGameScreen(menu, nullptr));
        game.PressKey(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
        game.Step(1);
        EXPECT_EQ(LastClosed(), closed + "-");
        EXPECT_EQ(game.StackNames(), "GS_Level");
    }
}

TEST_F(MiniMenuTest, OtherKeysAndAPressDoNotCloseIt) {
    TGameHarness& game = StartMenus(
        Menu("GS_MiniMenu", "QuillmarchGameScreenMiniMenu", {{50, true}, {50, true}}, ""));
    ASSERT_TRUE(Game().ShowGameScreen("GS_MiniMenu", nullptr));
    game.PressKey(SDL_SCANCODE_A, SDLK_a, "a");
    game.MouseDown(10, 10);
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Level GS_MiniMenu");
    EXPECT_EQ(LastClosed(), "none");
}

TEST_F(MiniMenuTest, AMenuWithoutButtonsLogsAndStillCloses) {
    TGameHarness& game = StartMenus(RealScreen("GS_MiniMenu", "QuillmarchGameScreenMiniMenu",
                                               Leaf("back", 0, 0, 400, 400, 0xFF101010)));
    EXPECT_TRUE(game.Log().Has({"WORLD", "GS_MiniMenu", "\"buttons\""}));
    ASSERT_TRUE(Game().ShowGameScreen("GS_MiniMenu", nullptr));
    game.ClickAt("back");
    game.Step(1);
    EXPECT_EQ(LastClosed(), "GS_MiniMenu Button=back");
}

// ---------------------------------------------------------------------------

std::string CheckBox(const std::string& name, int y) {
    return R"(<widget type="CheckBoxControl" name=")" + name +
           R"(" visible="yes" enabled="yes" mousestop="yes" anchor_left="10" anchor_top=")" +
           std::to_string(y) + R"(" width="20" height="20"/>)";
}

class GameOptionsTest : public WorldTest {
protected:
    TGameHarness& StartOptions() {
        TGameHarness& game = Start(GameOf(
            R"(maings="GS_Main")",
            R"(<params><param name="ShowHints" value="no"/></params>)" +
                ScreensOf(ScreenOf("GS_Main", "") + StandIn("GS_HighScores") +
                          RealScreen("GS_Options", "QuillmarchGameScreenOptions",
                                     CheckBox("checkbox_right_button", 10) +
                                         CheckBox("checkbox_autocomplete", 40) +
                                         CheckBox("checkbox_showhints", 70) +
                                         Leaf("button_close", 10, 100, 40, 20, 0xFF404040)))));
        game.Step(2);
        return game;
    }
    void Reopen() {
        if (harness->Top()->GetName() == "GS_Options") {
            ASSERT_TRUE(Game().CloseGameScreen(harness->Screen("GS_Options"), nullptr));
            harness->Step(1);
        }
        ASSERT_TRUE(Game().ShowGameScreen("GS_Options", nullptr));
    }
    bool Box(const std::string& name) {
        return WidgetOf("GS_Options", name)->GetProperty("CheckBoxState").ToBool();
    }
    std::string UsersFile() {
        std::ifstream in(harness->UserDir() + "users.dat");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_F(GameOptionsTest, EveryShowSetsTheBoxesFromTheProfile) {
    struct Case {
        const char* hammer;  // null: absent
        const char* autoComplete;
        bool hammerBox;
        bool autoCompleteBox;
    } cases[] = {
        {"yes", "no", true, false},
        {nullptr, "yes", false, true},
        {"Yes", nullptr, false, false},
    };
    StartOptions();
    int player = 0;
    for (const Case& c : cases) {
        const Ref<IParamCollection> profile = Profile("p" + std::to_string(++player));
        if (c.hammer) profile->SetValue("UseRightButtonAsHammer", Variant(c.hammer));
        if (c.autoComplete) profile->SetValue("UseAutoComplete", Variant(c.autoComplete));
        // The opposite first, so that the show must set each box.
        Reopen();
        WidgetOf("GS_Options", "checkbox_right_button")
            ->SetProperty("CheckBoxState", Variant(!c.hammerBox));
        WidgetOf("GS_Options", "checkbox_autocomplete")
            ->SetProperty("CheckBoxState", Variant(!c.autoCompleteBox));
        Reopen();
        EXPECT_EQ(Box("checkbox_right_button"), c.hammerBox) << player;
        EXPECT_EQ(Box("checkbox_autocomplete"), c.autoCompleteBox) << player;
    }
}

TEST_F(GameOptionsTest, ATogglesValueIsWrittenAndSavedAtOnce) {
    TGameHarness& game = StartOptions();
    Profile("Ann");
    Reopen();
    game.ClickAt("checkbox_autocomplete");
    EXPECT_EQ(ProfileValue("UseAutoComplete"), "yes");
    EXPECT_EQ(ProfileValue("UseRightButtonAsHammer"), "-");
    EXPECT_NE(UsersFile().find("UseAutoComplete"), std::string::npos);
    Reopen();
    EXPECT_TRUE(Box("checkbox_autocomplete"));

    game.ClickAt("checkbox_right_button");
    game.ClickAt("checkbox_right_button");
    EXPECT_EQ(ProfileValue("UseRightButtonAsHammer"), "no");
    EXPECT_NE(UsersFile().find("UseRightButtonAsHammer"), std::string::npos);
    // The shell's own box is still the shell's option, not the player's.
    game.ClickAt("checkbox_showhints");
    EXPECT_EQ(ProfileValue("ShowHints"), "-");
    EXPECT_EQ(Game().GetOption("ShowHints").ToString(), "yes");
}

TEST_F(GameOptionsTest, WithoutAProfileTheBoxesAreOffAndNothingIsStored) {
    TGameHarness& game = StartOptions();
    Reopen();
    EXPECT_FALSE(Box("checkbox_right_button"));
    EXPECT_FALSE(Box("checkbox_autocomplete"));
    game.ClickAt("checkbox_autocomplete");
    EXPECT_TRUE(Box("checkbox_autocomplete"));
    EXPECT_EQ(Game().GetUserProfiles()->GetCount(), 0);
    EXPECT_EQ(UsersFile(), "");
}

}  // namespace
