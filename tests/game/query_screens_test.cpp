// The question screens through the game: query dialogs filling their labels
// and answering the clicked control's name, the delete-profile query, the
// quit screen, and the name-entry screens (score submission, new user) with
// Return, Escape, "Necessary" and the names they refuse.
#include <gtest/gtest.h>

#include <string>

#include "game/ProfileScreens.h"
#include "game/QueryScreens.h"
#include "tests/game/ScreenTestSupport.h"

namespace {

using namespace screentest;

constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kGrey = 0xFF404040;

void PressReturn(TGameHarness& game) {
    game.PressKey(SDL_SCANCODE_RETURN, SDLK_RETURN);
    game.Step(1);
}

void PressEscape(TGameHarness& game) {
    game.PressKey(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    game.Step(1);
}

// The last "closed GS_Main ..." line of the journal: what the main screen was
// told; empty when it was told nothing.
std::string LastAnswer() {
    for (auto it = Journal().rbegin(); it != Journal().rend(); ++it) {
        if (it->rfind("closed GS_Main ", 0) == 0) return it->substr(15);
    }
    return {};
}

const std::string kButtons =
    Leaf("button_ok", 10, 10, 40, 20, kGrey) + Leaf("button_cancel", 60, 10, 40, 20, kGrey);

// The name-entry screens' widgets: a real edit (without a font nothing is
// typed into it; its text is set as a property) and a cancel button that can
// be disabled.
const std::string kNameEntryWidgets =
    R"(<widget type="EditControl" name="edit_name" visible="yes" enabled="yes" tabstop="yes"
               anchor_left="10" anchor_top="40" width="200" height="20"/>)" +
    Leaf("button_ok", 10, 10, 40, 20, kGrey) +
    R"(<widget type="Control" name="button_cancel" visible="yes" enabled="yes" mousestop="yes"
               anchor_left="60" anchor_top="10" width="40" height="20"/>)";

class QueryScreens : public ScreenTest {
protected:
    TGameHarness& StartWith(const std::string& screens, const std::string& attributes = "") {
        TGameHarness& game =
            Start(GameOf(R"(maings="GS_Main" )" + attributes,
                         ScreensOf(PlainScreen("GS_Main", 0, 0, 640, 480, kBlue) + screens)));
        game.Step(1);
        Journal().clear();
        return game;
    }
    // The edit's text set as the player would have typed it, and reported.
    void Type(const std::string& screen, const std::string& text) {
        WidgetOf(screen, "edit_name")->SetProperty("text_utf8", Variant(text));
        Report(screen, "edit_name", 4);
    }
};

// ---------------------------------------------------------------------------
// Query dialogs

TEST_F(QueryScreens, AQueryFillsTheNamedLabelsAndAnswersTheClickedControlsName) {
    TGameHarness& game =
        StartWith(RealScreen("GS_Query", "GameScreenQueryDialog",
                             Probe("label_question", 0, 100, 300, 20) +
                                 Probe("label_other", 0, 130, 300, 20) + kButtons));

    ASSERT_TRUE(Game().ShowGameScreen(
        "GS_Query",
        Params({{"label_question", Variant("Wirklich löschen?")}, {"nowhere", Variant("x")}})));
    EXPECT_EQ(ProbeOf("GS_Query", "label_question")->GetProperty("text_utf8"),
              Variant("Wirklich löschen?"));
    EXPECT_EQ(ProbeOf("GS_Query", "label_other")->Sets("text_utf8"), 0);

    // Other codes and Escape do nothing.
    Report("GS_Query", "button_ok", 2);
    PressEscape(game);
    EXPECT_EQ(game.StackNames(), "GS_Main GS_Query");

    game.ClickAt("button_cancel");
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main");
    EXPECT_EQ(LastAnswer(), "GS_Query Button=button_cancel");

    // Shown without parameters the labels keep their texts; any control that
    // reports a click answers with its name.
    ASSERT_TRUE(Game().ShowGameScreen("GS_Query", nullptr));
    EXPECT_EQ(ProbeOf("GS_Query", "label_question")->Sets("text_utf8"), 1);
    Report("GS_Query", "label_other", 1);
    game.Step(1);
    EXPECT_EQ(LastAnswer(), "GS_Query Button=label_other");
}

TEST_F(QueryScreens, TheDeleteProfileQueryShowsTheProfileNameOrNothing) {
    TGameHarness& game =
        StartWith(RealScreen("GS_QueryDeleteProfile", "GameScreenQueryDeleteProfile",
                             Probe("label_user_profile_name", 0, 100, 300, 20) +
                                 Leaf("button_yes", 10, 10, 40, 20, kGrey)));

    ASSERT_TRUE(
        Game().ShowGameScreen("GS_QueryDeleteProfile", Params({{"user_name", Variant("Ann")}})));
    TProbeWidget* label = ProbeOf("GS_QueryDeleteProfile", "label_user_profile_name");
    EXPECT_EQ(label->GetProperty("text"), Variant(""));
    EXPECT_EQ(label->GetProperty("text_utf8"), Variant("Ann"));
    game.ClickAt("button_yes");
    game.Step(1);
    EXPECT_EQ(LastAnswer(), "GS_QueryDeleteProfile Button=button_yes");

    label->SetProperty("text", Variant("stale"));
    ASSERT_TRUE(Game().ShowGameScreen("GS_QueryDeleteProfile", nullptr));
    EXPECT_EQ(label->GetProperty("text"), Variant(""));
}

TEST_F(QueryScreens, TheQuitScreenQuitsOnExitOrWhenAScreenAboveItClosesAndCancelCloses) {
    const std::string screens = RealScreen("GS_Quit", "GameScreenQuit",
                                           Leaf("button_exit", 10, 10, 40, 20, kGrey) +
                                               Leaf("button_cancel", 60, 10, 40, 20, kGrey) +
                                               Leaf("button_other", 110, 10, 40, 20, kGrey)) +
                                PlainScreen("GS_Note", 200, 200, 100, 100, kGrey);

    // The close box shows the game's close-query screen; cancel closes it.
    TGameHarness& game = StartWith(screens, R"(closequerygs="GS_Quit")");
    game.Platform().InjectWindowEvent(SDL_WINDOWEVENT_CLOSE);
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main GS_Quit");
    game.ClickAt("button_other");
    game.ClickAt("button_cancel");
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main");
    EXPECT_FALSE(game.Platform().QuitRequested());

    game.Platform().InjectWindowEvent(SDL_WINDOWEVENT_CLOSE);
    game.Step(1);
    game.ClickAt("button_exit");
    EXPECT_TRUE(game.Platform().QuitRequested());

    // A screen shown above the quit screen quits when it closes.
    TGameHarness& again = StartWith(screens, R"(closequerygs="GS_Quit")");
    again.Platform().InjectWindowEvent(SDL_WINDOWEVENT_CLOSE);
    again.Step(1);
    ASSERT_TRUE(Game().ShowGameScreen("GS_Note", nullptr));
    again.Step(1);
    EXPECT_FALSE(again.Platform().QuitRequested());
    ASSERT_TRUE(Game().CloseGameScreen(again.Screen("GS_Note"), nullptr));
    // The update that takes the screen off the stack quits (a harness tick
    // that quits runs no whole frame).
    Game().Update(10);
    EXPECT_TRUE(again.Platform().QuitRequested());
}

// ---------------------------------------------------------------------------
// Score submission

TEST_F(QueryScreens, SubmissionAnswersTheTrimmedNameEvenWhenEmpty) {
    TGameHarness& game =
        StartWith(RealScreen("GS_SubmitScore", "GameScreenSubmitScore", kNameEntryWidgets));
    struct Case {
        const char* offered;  // null: no "user_name"
        const char* typed;    // null: nothing typed
        const char* answer;
    };
    for (const Case& c :
         {Case{nullptr, nullptr, "user_name="}, Case{"Ann", nullptr, "user_name=Ann"},
          Case{"Ann", " \t Bob Smith \n", "user_name=Bob Smith"},
          Case{nullptr, "   ", "user_name="}}) {
        SCOPED_TRACE(std::string(c.offered ? c.offered : "-") + "/" + (c.typed ? c.typed : "-"));
        Journal().clear();
        ASSERT_TRUE(Game().ShowGameScreen(
            "GS_SubmitScore", c.offered ? Params({{"user_name", Variant(c.offered)}}) : nullptr));
        EXPECT_EQ(WidgetOf("GS_SubmitScore", "edit_name")->GetProperty("text_utf8"),
                  Variant(c.offered ? c.offered : ""));
        EXPECT_TRUE(WidgetOf("GS_SubmitScore", "button_cancel")->GetEnabled());
        if (c.typed) Type("GS_SubmitScore", c.typed);
        PressReturn(game);
        EXPECT_EQ(game.StackNames(), "GS_Main");
        EXPECT_EQ(LastAnswer(), std::string("GS_SubmitScore ") + c.answer);
    }

    // The OK button answers as Return does; cancel and Escape answer nothing.
    ASSERT_TRUE(Game().ShowGameScreen("GS_SubmitScore", nullptr));
    Type("GS_SubmitScore", "Cy");
    game.ClickAt("button_ok");
    game.Step(1);
    EXPECT_EQ(LastAnswer(), "GS_SubmitScore user_name=Cy");
    for (bool escape : {false, true}) {
        Journal().clear();
        ASSERT_TRUE(Game().ShowGameScreen("GS_SubmitScore", nullptr));
        Type("GS_SubmitScore", "Dee");
        if (escape) {
            PressEscape(game);
        } else {
            Report("GS_SubmitScore", "button_cancel", 1);
            game.Step(1);
        }
        EXPECT_EQ(game.StackNames(), "GS_Main");
        EXPECT_EQ(LastAnswer(), "GS_SubmitScore -");
    }
}

TEST_F(QueryScreens, WithNecessaryTheNameEntryCannotBeCancelledByEscape) {
    for (const char* type : {"GameScreenSubmitScore", "GameScreenNewUser"}) {
        SCOPED_TRACE(type);
        TGameHarness& game = StartWith(RealScreen("GS_Name", type, kNameEntryWidgets));
        ASSERT_TRUE(Game().ShowGameScreen("GS_Name", Params({{"Necessary", Variant(false)}})));
        EXPECT_FALSE(WidgetOf("GS_Name", "button_cancel")->GetEnabled());
        PressEscape(game);
        EXPECT_EQ(game.StackNames(), "GS_Main GS_Name");
        Type("GS_Name", "Eve");
        PressReturn(game);
        EXPECT_EQ(game.StackNames(), "GS_Main");
        EXPECT_EQ(LastAnswer(), "GS_Name user_name=Eve");

        // The next show without it may be cancelled again.
        ASSERT_TRUE(Game().ShowGameScreen("GS_Name", nullptr));
        EXPECT_TRUE(WidgetOf("GS_Name", "button_cancel")->GetEnabled());
        PressEscape(game);
        EXPECT_EQ(game.StackNames(), "GS_Main");
    }
}

TEST_F(QueryScreens, TheSubmitErrorScreenAnswersResubmitOnlyForOk) {
    TGameHarness& game = StartWith(RealScreen("GS_SubmitError", "GameScreenSubmitError", kButtons));
    for (const auto& [button, answer] : {std::pair{"button_ok", "GS_SubmitError ResubmitScore=yes"},
                                         std::pair{"button_cancel", "GS_SubmitError -"}}) {
        Journal().clear();
        ASSERT_TRUE(Game().ShowGameScreen("GS_SubmitError", nullptr));
        game.ClickAt(button);
        game.Step(1);
        EXPECT_EQ(LastAnswer(), answer);
    }
}

// ---------------------------------------------------------------------------
// New user

TEST_F(QueryScreens, ANewUserNameMustBeNeitherBlankNorTaken) {
    TGameHarness& game =
        StartWith(RealScreen("GS_NewUser", "GameScreenNewUser", kNameEntryWidgets) +
                  PlainScreen("GS_QueryNotUniqueName", 100, 100, 200, 100, kGrey));
    Game().GetUserProfiles()->FindOrAdd("Ann");
    ASSERT_TRUE(Game().ShowGameScreen("GS_NewUser", nullptr));

    for (const char* refused : {"", "  \t", "Ann", " ann "}) {
        SCOPED_TRACE(refused);
        Type("GS_NewUser", refused);
        PressReturn(game);
        EXPECT_EQ(game.StackNames(), "GS_Main GS_NewUser GS_QueryNotUniqueName");
        ASSERT_TRUE(Game().CloseGameScreen(game.Screen("GS_QueryNotUniqueName"), nullptr));
        game.Step(1);
        EXPECT_EQ(game.StackNames(), "GS_Main GS_NewUser");
    }
    EXPECT_EQ(LastAnswer(), "");

    Type("GS_NewUser", " Bo ");
    game.ClickAt("button_ok");
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main");
    EXPECT_EQ(LastAnswer(), "GS_NewUser user_name=Bo");
    // The screen stores nothing itself.
    EXPECT_EQ(Game().GetUserProfiles()->GetCount(), 1);

    // Cancel answers nothing.
    ASSERT_TRUE(Game().ShowGameScreen("GS_NewUser", Params({{"user_name", Variant("Cy")}})));
    EXPECT_EQ(WidgetOf("GS_NewUser", "edit_name")->GetProperty("text_utf8"), Variant("Cy"));
    Journal().clear();
    PressEscape(game);
    EXPECT_EQ(game.StackNames(), "GS_Main");
    EXPECT_EQ(LastAnswer(), "GS_NewUser -");
}

}  // namespace
