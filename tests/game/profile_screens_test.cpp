// The profile list through the game: the create-new-user entry and the
// profiles with the current one selected, choosing, creating (at most
// seven), deleting after the query (the last one forces a new profile), and
// what each writes to the profiles' file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/GameConfig.h"
#include "game/ProfileScreens.h"
#include "tests/game/ScreenTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using namespace screentest;

constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kGrey = 0xFF404040;

const std::string kNameEntryWidgets =
    R"(<widget type="EditControl" name="edit_name" visible="yes" enabled="yes" tabstop="yes"
               anchor_left="10" anchor_top="40" width="200" height="20"/>)" +
    Leaf("button_ok", 10, 10, 40, 20, kGrey) +
    R"(<widget type="Control" name="button_cancel" visible="yes" enabled="yes" mousestop="yes"
               anchor_left="60" anchor_top="10" width="40" height="20"/>)";

// The list's rows are 20 pixels high from (100, 100).
const std::string kProfilesWidgets =
    R"(<widget type="ListBoxControl" name="listbox_profiles" visible="yes" enabled="yes"
               mousestop="yes" anchor_left="100" anchor_top="100" width="200" height="160"
               rowheight="20"/>)" +
    Leaf("button_ok", 10, 10, 40, 20, kGrey) + Leaf("button_cancel", 60, 10, 40, 20, kGrey) +
    Leaf("button_delete", 110, 10, 40, 20, kGrey);

class ProfileScreens : public ScreenTest {
protected:
    // The main screen, the profile list and the screens it opens; the
    // profiles given, the one named current.
    TGameHarness& StartProfiles(const std::vector<std::string>& names, const std::string& current) {
        TGameHarness& game = Start(
            GameOf(R"(maings="GS_Main")",
                   ScreensOf(PlainScreen("GS_Main", 0, 0, 640, 480, kBlue) +
                             RealScreen("GS_Profiles", "GameScreenUserProfiles", kProfilesWidgets) +
                             RealScreen("GS_NewUser", "GameScreenNewUser", kNameEntryWidgets) +
                             RealScreen("GS_QueryDeleteProfile", "GameScreenQueryDeleteProfile",
                                        Probe("label_user_profile_name", 0, 300, 200, 20) +
                                            Leaf("button_yes", 10, 400, 40, 20, kGrey) +
                                            Leaf("button_no", 60, 400, 40, 20, kGrey)) +
                             PlainScreen("GS_TooManyProfiles", 100, 100, 200, 100, kGrey) +
                             PlainScreen("GS_QueryNotUniqueName", 100, 100, 200, 100, kGrey))));
        for (const std::string& name : names) Profiles()->FindOrAdd(name);
        Profiles()->SetCurrent(current);
        game.Step(1);
        return game;
    }
    Ref<IUserProfileCollection> Profiles() { return Game().GetUserProfiles(); }
    std::string Current() {
        const Ref<IUserProfile> current = Profiles()->GetCurrent();
        return current ? current->GetName() : "-";
    }
    Ref<IListBoxControl> List() {
        return Query<IListBoxControl>(WidgetOf("GS_Profiles", "listbox_profiles"));
    }
    // The list's rows, the selected one marked with "*".
    std::string Rows() {
        const Ref<IListBoxControl> list = List();
        std::string text;
        for (int32_t i = 0; !list->GetItem(Variant(i)).empty(); ++i) {
            if (!text.empty()) text += ",";
            text += (list->GetItemIndex() == i ? "*" : "") + list->GetItem(Variant(i));
        }
        return text;
    }
    void ClickRow(TGameHarness& game, int32_t row) {
        game.Click(150, 100 + 20 * row + 10);
        game.Step(1);
    }
    void Click(TGameHarness& game, const std::string& path) {
        game.ClickAt(path);
        game.Step(1);
    }
    // The profiles' file as the game last wrote it.
    std::string UsersFile(TGameHarness& game) {
        return ReadFileBytes(game.UserDir() + "users.dat");
    }
};

TEST_F(ProfileScreens, TheListShowsTheNewUserEntryAndTheProfilesAndOkMakesTheChoiceCurrent) {
    SetNewUserText("New player");
    TGameHarness& game = StartProfiles({"ann", "bob", "cy"}, "bob");
    ASSERT_TRUE(Game().ShowGameScreen("GS_Profiles", nullptr));
    EXPECT_EQ(Rows(), "New player,ann,*bob,cy");

    // Selecting alone stores nothing; cancel leaves the current profile.
    ClickRow(game, 3);
    EXPECT_EQ(Rows(), "New player,ann,bob,*cy");
    EXPECT_EQ(Current(), "bob");
    Click(game, "button_cancel");
    EXPECT_EQ(game.StackNames(), "GS_Main");
    EXPECT_EQ(Current(), "bob");

    // Each show starts from an empty list.
    ASSERT_TRUE(Game().ShowGameScreen("GS_Profiles", nullptr));
    EXPECT_EQ(Rows(), "New player,ann,*bob,cy");
    ClickRow(game, 1);
    Click(game, "button_ok");
    EXPECT_EQ(game.StackNames(), "GS_Main");
    EXPECT_EQ(Current(), "ann");
    EXPECT_NE(UsersFile(game).find(R"(current_user_profile_name="ann")"), std::string::npos);

    // A double click chooses as OK does.
    ASSERT_TRUE(Game().ShowGameScreen("GS_Profiles", nullptr));
    ClickRow(game, 3);
    Report("GS_Profiles", "listbox_profiles", 6);
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main");
    EXPECT_EQ(Current(), "cy");
}

TEST_F(ProfileScreens, TheNewUserEntryOpensTheNewUserScreenBelowSevenProfilesOnly) {
    const std::vector<std::string> seven = {"a", "b", "c", "d", "e", "f", "g"};
    for (size_t count : {size_t{0}, size_t{6}, size_t{7}}) {
        SCOPED_TRACE(count);
        TGameHarness& game = StartProfiles({seven.begin(), seven.begin() + count}, "");
        ASSERT_TRUE(Game().ShowGameScreen("GS_Profiles", nullptr));
        ClickRow(game, 0);
        EXPECT_EQ(game.StackNames(), count < 7 ? "GS_Main GS_Profiles GS_NewUser"
                                               : "GS_Main GS_Profiles GS_TooManyProfiles");
    }
}

TEST_F(ProfileScreens, ANewProfileIsMadeCurrentAndClosesTheList) {
    TGameHarness& game = StartProfiles({"ann"}, "ann");
    ASSERT_TRUE(Game().ShowGameScreen("GS_Profiles", nullptr));
    ClickRow(game, 0);
    ASSERT_EQ(game.StackNames(), "GS_Main GS_Profiles GS_NewUser");
    WidgetOf("GS_NewUser", "edit_name")->SetProperty("text_utf8", Variant(" Dee "));
    Report("GS_NewUser", "edit_name", 4);
    game.PressKey(SDL_SCANCODE_RETURN, SDLK_RETURN);
    game.Step(2);
    EXPECT_EQ(game.StackNames(), "GS_Main");
    EXPECT_EQ(Current(), "Dee");
    EXPECT_EQ(Profiles()->GetCount(), 2);
    EXPECT_NE(UsersFile(game).find(R"(current_user_profile_name="Dee")"), std::string::npos);

    // Cancelling the new-user screen leaves the list open and unchanged.
    ASSERT_TRUE(Game().ShowGameScreen("GS_Profiles", nullptr));
    ClickRow(game, 0);
    Report("GS_NewUser", "button_cancel", 1);
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main GS_Profiles");
    EXPECT_EQ(Profiles()->GetCount(), 2);
}

TEST_F(ProfileScreens, DeletingAsksFirstAndOnlyYesDeletesAndWrites) {
    TGameHarness& game = StartProfiles({"ann", "bob", "cy"}, "ann");
    ASSERT_TRUE(Game().ShowGameScreen("GS_Profiles", nullptr));

    // Nothing to delete on the create-new-user entry.
    ClickRow(game, 1);
    ClickRow(game, 0);
    ASSERT_TRUE(Game().CloseGameScreen(game.Screen("GS_NewUser"), nullptr));
    game.Step(1);
    Click(game, "button_delete");
    EXPECT_EQ(game.StackNames(), "GS_Main GS_Profiles");

    ClickRow(game, 2);
    Click(game, "button_delete");
    ASSERT_EQ(game.StackNames(), "GS_Main GS_Profiles GS_QueryDeleteProfile");
    EXPECT_EQ(ProbeOf("GS_QueryDeleteProfile", "label_user_profile_name")->GetProperty("text_utf8"),
              Variant("bob"));
    Click(game, "button_no");
    EXPECT_EQ(Rows(), "Create new user,ann,*bob,cy");
    EXPECT_EQ(Profiles()->GetCount(), 3);

    // Deleting the current profile makes the one taking its row current.
    ClickRow(game, 1);
    Click(game, "button_delete");
    Click(game, "button_yes");
    EXPECT_EQ(game.StackNames(), "GS_Main GS_Profiles");
    EXPECT_EQ(Rows(), "Create new user,*bob,cy");
    EXPECT_EQ(Current(), "bob");
    EXPECT_FALSE(Profiles()->GetItem(Variant("ann")));
    const std::string file = UsersFile(game);
    EXPECT_EQ(file.find("\"ann\""), std::string::npos) << file;
    EXPECT_NE(file.find(R"(current_user_profile_name="bob")"), std::string::npos) << file;

    // The last row deleted: the selection moves up; the current one stays.
    ClickRow(game, 2);
    Click(game, "button_delete");
    Click(game, "button_yes");
    EXPECT_EQ(Rows(), "Create new user,*bob");
    EXPECT_EQ(Current(), "bob");
}

TEST_F(ProfileScreens, DeletingTheLastProfileMakesThePlayerCreateOne) {
    TGameHarness& game = StartProfiles({"ann"}, "ann");
    ASSERT_TRUE(Game().ShowGameScreen("GS_Profiles", nullptr));
    ClickRow(game, 1);
    Click(game, "button_delete");
    Click(game, "button_yes");
    ASSERT_EQ(game.StackNames(), "GS_Main GS_Profiles GS_NewUser");
    EXPECT_EQ(Profiles()->GetCount(), 0);
    EXPECT_EQ(Current(), "-");
    EXPECT_EQ(UsersFile(game).find("ann"), std::string::npos);

    // The player cannot back out.
    EXPECT_FALSE(WidgetOf("GS_NewUser", "button_cancel")->GetEnabled());
    game.PressKey(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main GS_Profiles GS_NewUser");

    WidgetOf("GS_NewUser", "edit_name")->SetProperty("text_utf8", Variant("Zed"));
    Report("GS_NewUser", "edit_name", 4);
    Click(game, "button_ok");
    game.Step(1);
    EXPECT_EQ(game.StackNames(), "GS_Main");
    EXPECT_EQ(Current(), "Zed");
}

}  // namespace
