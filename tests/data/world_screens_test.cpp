// The game world's screens on the game as built (the enciphered definition
// and the built data folder under the screen harness): a first start makes a
// player by typing a name, the main menu greets them and shows an empty
// medallion, its start button opens the story over the menu's rolling
// picture and then the map with its first-visit help, where the first place
// is open and the others sealed; a later start rolls the menu's picture up
// off the map, where pointing at a place explains it and a click on a sealed
// one opens the sealed message; the trophy cabinet shows owned and
// empty looks and explains a trophy under the pointer; the options keep the
// player's own boxes; the medallion and the map show completed places, and a
// place completed while the map shows plays its completion. The engine writes no
// log line on the way. Each step's frame is kept as a PNG in
// test-artifacts/world of the build folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/lang/MultiLanguages.h"
#include "core/persist/Params.h"
#include "core/storage/XMLStorage.h"
#include "engine/EngineStartup.h"
#include "game/GameConfig.h"
#include "tests/data/BuiltGame.h"
#include "tests/support/GameHarness.h"
#include "tests/support/TempDir.h"
#include "world/MapControl.h"
#include "world/Medallion.h"

namespace {

namespace fs = std::filesystem;

const char* const kLocations[] = {"japan", "rome", "tibet", "egypt", "greece", "aztecs", "china"};

class WorldScreens : public ::testing::Test {
protected:
    void SetUp() override {
        game_ = HarnessOnBuiltData(QM_BUILT_DATA_DIR);
        // The texts, which the program loads from its data folder at start-up.
        ASSERT_TRUE(GetMultiLanguages()->LoadLanguageFile(game_->Folder().File("lang/default.lng")));
        ASSERT_TRUE(StartBuiltDefinition(*game_));
        fs::create_directories(kArtifacts);
    }
    void TearDown() override {
        EndBuiltGame(game_);
        GetMultiLanguages()->Strings().Clear();
    }

    bool OnTop(const std::string& name) const {
        const Ref<IGameScreenSlave> top = game_->Top();
        return top && top->GetName() == name;
    }
    // Frames of 20 ms until ready() holds, at most 20 s of the game's clock.
    template <class F>
    bool RunUntil(F ready) {
        for (int i = 0; i < 1000 && !ready(); ++i) game_->Step(1, 20);
        return ready();
    }
    Ref<IParamCollection> Profile() const {
        const Ref<IUserProfile> profile = game_->Game()->GetUserProfiles()->GetCurrent();
        return profile ? profile->GetParams() : nullptr;
    }
    std::string ProfileValue(const std::string& key) const {
        const Ref<IParamCollection> profile = Profile();
        return profile ? profile->GetValue(key, Variant("")).ToString() : "(no player)";
    }
    std::string Text(const std::string& path) const {
        const Ref<IWidget> widget = game_->Find(path);
        return widget ? widget->GetProperty("text_utf8").ToString() : "(no " + path + ")";
    }
    bool Visible(const std::string& path) const {
        const Ref<IWidget> widget = game_->Find(path);
        EXPECT_TRUE(widget) << path;
        return widget && widget->GetVisible();
    }
    void MoveTo(const std::string& path) {
        const TPoint at = game_->CenterOf(path);
        game_->MouseMove(at.x, at.y);
        game_->Step(2, 20);
    }

    // The first start up to the main menu with the player "Ada", typed into
    // the new-player screen the menu insists on.
    void StartWithNewPlayer() {
        ASSERT_TRUE(RunUntil([&] { return OnTop("GS_NewUser"); }));
        ASSERT_EQ(game_->StackNames(), "GS_Main GS_NewUser");
        Shot("01-new-player");
        game_->PressKey(SDL_SCANCODE_A, SDLK_a, "A");
        game_->PressKey(SDL_SCANCODE_D, SDLK_d, "d");
        game_->PressKey(SDL_SCANCODE_A, SDLK_a, "a");
        game_->ClickAt("button_ok");
        game_->Step(2, 20);
        ASSERT_EQ(game_->StackNames(), "GS_Main");
    }

    // The frame as drawn, as a PNG in the artifacts folder.
    void Shot(const std::string& name) {
        game_->Step(1, 20);
        const std::filesystem::path file = std::filesystem::path(kArtifacts) / (name + ".png");
        EXPECT_TRUE(WriteFramePng(*game_, file)) << file;
    }

    const std::string kArtifacts = std::string(QM_ARTIFACTS_DIR) + "/world";
    std::unique_ptr<TGameHarness> game_;
};

TEST_F(WorldScreens, AFirstStartGoesFromTheMenuThroughTheStoryToTheMap) {
    StartWithNewPlayer();
    // Just made: welcomed as new, not as one coming back.
    EXPECT_EQ(Text("welcome_message"), "Welcome, Ada!");
    // A new player's medallion has every part empty, neither look shown.
    for (const char* location : kLocations) {
        const std::string part = std::string("medallion/elements/") + location;
        EXPECT_EQ(game_->Find(part)->GetProperty("state").ToString(), "empty") << location;
        EXPECT_FALSE(Visible(part + "/gold")) << location;
        EXPECT_FALSE(Visible(part + "/silver")) << location;
    }
    Shot("02-main-menu");

    // The first start tells the story, over the menu's picture rolling down.
    game_->ClickAt("button_start");
    game_->Step(1, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_History");
    EXPECT_EQ(ProfileValue("show_history"), "yes");
    EXPECT_TRUE(Visible("map_surface"));
    game_->Step(35, 20);
    EXPECT_GT(game_->Find("map_surface")->GetProperty("shifttop").ToInt(), 100);
    EXPECT_GT(game_->Find("scroll")->GetTop(), 100);
    ASSERT_TRUE(RunUntil([&] { return game_->Find("text_history/letters_group")->GetChildren()->GetCount() > 0; }));
    game_->Step(40, 20);
    Shot("03-story-writing");
    // A click on the page shows the whole text at once.
    game_->ClickAt("text_history");
    game_->Step(2, 20);
    EXPECT_EQ(game_->Find("text_history")->GetProperty("visualization_state").ToInt(), 2);
    Shot("04-story");

    // Then the map, and on the first visit its help over it.
    game_->ClickAt("button_continue");
    game_->Step(2, 20);
    // The tutorial comes first on a first start; this player skips it.
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Map GS_MapFirstTime GS_Tutorial");
    game_->ClickAt("control_tutorial/button_skip");
    game_->Step(2, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Map GS_MapFirstTime GS_Tutorial GS_SkipTutorial");
    game_->ClickAt("button_ok");
    game_->Step(2, 20);
    EXPECT_EQ(ProfileValue("tutorial_passed"), "yes");
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Map GS_MapFirstTime");
    EXPECT_EQ(ProfileValue("show_map"), "yes");
    Shot("05-map-first-time");
    game_->ClickAt("button_ok");
    game_->Step(2, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Map");

    // The first place is open, with its progress bar; the others are sealed.
    for (const char* location : kLocations) {
        const std::string path = std::string("map_locations/") + location;
        const std::string expected = std::string(location) == "japan" ? "available" : "locked";
        EXPECT_EQ(game_->Find(path)->GetProperty("location_state").ToString(), expected) << location;
        EXPECT_EQ(Visible(path + "/available"), expected == "available") << location;
        EXPECT_EQ(Visible(path + "/locked"), expected == "locked") << location;
        EXPECT_FALSE(Visible(path + "/completed")) << location;
    }
    Shot("06-map");
}

TEST_F(WorldScreens, OnTheMapAPlaceUnderThePointerIsExplainedAndASealedOneSaysWhatOpensIt) {
    StartWithNewPlayer();
    // The story and the map's help seen before: the start goes to the map,
    // rolling the menu's picture up off it.
    Profile()->SetValue("show_history", Variant("yes"));
    Profile()->SetValue("show_map", Variant("yes"));
    game_->MouseMove(1000, 20);
    game_->ClickAt("button_start");
    game_->Step(1, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Map");
    EXPECT_TRUE(Visible("map_surface"));
    game_->Step(25, 20);
    const double edge = game_->Find("scroll")->GetTop();
    EXPECT_GT(edge, 0);
    EXPECT_LT(edge, 700);
    Shot("10-map-scrolling-in");
    ASSERT_TRUE(RunUntil([&] { return game_->Find("scroll")->GetTop() <= -114; }));

    // Pointing at the open place lights it and invites the player in.
    MoveTo("map_locations/japan/available/image");
    EXPECT_TRUE(Visible("map_locations/japan/available/glow"));
    EXPECT_TRUE(Visible("map_panel/available_scene"));
    EXPECT_FALSE(Visible("map_panel/out_scene"));
    Shot("07-map-japan-pointed");
    // A sealed place says which places open it, by their names.
    MoveTo("map_locations/china/locked");
    EXPECT_FALSE(Visible("map_locations/japan/available/glow"));
    EXPECT_TRUE(Visible("map_panel/locked_scene"));
    const std::string sealed = Text("map_panel/locked_scene/text");
    EXPECT_NE(sealed.find("Greece, Aztecs"), std::string::npos) << sealed;
    Shot("08-map-china-pointed");
    MoveTo("map_locations/rome/locked");
    EXPECT_NE(Text("map_panel/locked_scene/text").find("Restore Japan "), std::string::npos)
        << Text("map_panel/locked_scene/text");

    // A click on it opens the sealed message, which closes back to the map.
    game_->ClickAt("map_locations/rome/locked");
    game_->Step(1, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Map GS_LocationLocked");
    Shot("09-location-locked");
    game_->ClickAt("button_ok");
    game_->Step(1, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Map");

    // Back to the menu.
    game_->ClickAt("button_menu");
    game_->Step(2, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main");
    // Back from a journey begun: now the player is welcomed back.
    EXPECT_EQ(Text("welcome_message"), "Welcome back, Ada!");
}

TEST_F(WorldScreens, TheTrophyCabinetShowsOwnedAndEmptyTrophiesAndExplainsThem) {
    StartWithNewPlayer();
    Profile()->SetValue("trophy_rome", Variant("yes"));
    Profile()->SetValue("hint_medals", Variant("3"));
    game_->ClickAt("button_trophies");
    game_->Step(2, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Trophy");
    EXPECT_EQ(Text("user"), "Ada");
    EXPECT_EQ(game_->Find("hint_medal_counter/hint_medal_received")->GetProperty("text").ToString(),
              "3");
    EXPECT_TRUE(Visible("trophies/trophy_rome/full"));
    EXPECT_FALSE(Visible("trophies/trophy_rome/empty"));
    EXPECT_FALSE(Visible("trophies/trophy_japan/full"));
    EXPECT_TRUE(Visible("trophies/trophy_japan/empty"));
    EXPECT_TRUE(Visible("trophies/trophy_speed_big/empty"));

    // The bubble names what earns a trophy, with the data's limit.
    MoveTo("trophies/trophy_speed_big/empty");
    ASSERT_TRUE(Visible("info"));
    EXPECT_EQ(Text("info/label"), "Finish 40 pictures within the expert time to win this trophy.");
    Shot("11-trophies");
    MoveTo("trophies/trophy_rome/full");
    EXPECT_EQ(Text("info/label"), "Yours: 1,500 points or more in Rome's bonus round.");
    game_->MouseMove(1000, 10);
    game_->Step(2, 20);
    EXPECT_FALSE(Visible("info"));

    // A trophy granted since the last visit: the news first, then its reveal.
    game_->ClickAt("button_close");
    game_->Step(2, 20);
    Profile()->SetValue("trophy_hint_small", Variant("yes"));
    Profile()->SetValue("show_trophy", Variant("trophy_hint_small,"));
    game_->ClickAt("button_trophies");
    game_->Step(1, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Trophy GS_NewTrophy");
    Shot("12-new-trophy");
    game_->ClickAt("button_ok");
    game_->Step(20, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Trophy");
    EXPECT_TRUE(game_->Find("scenario_group/trophy_hint_small"));
    Shot("13-trophy-reveal");
    ASSERT_TRUE(RunUntil([&] { return !game_->Find("scenario_group/trophy_hint_small"); }));
    EXPECT_TRUE(Visible("trophies/trophy_hint_small/full"));
    EXPECT_FALSE(Visible("trophies/trophy_hint_small/empty"));
}

TEST_F(WorldScreens, TheMedallionShowsCompletedPlacesInSilverAndGold) {
    StartWithNewPlayer();
    Profile()->SetValue("location_state_japan", Variant("completed"));
    Profile()->SetValue("expert_location_japan", Variant("yes"));
    Profile()->SetValue("location_state_rome", Variant("completed"));
    // Any screen closing over the menu refreshes the medallion.
    game_->ClickAt("button_options");
    game_->Step(1, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Options");
    // The player's own options are kept with the player.
    EXPECT_FALSE(game_->Find("checkbox_autocomplete")->GetProperty("CheckBoxState").ToBool());
    game_->ClickAt("checkbox_autocomplete");
    game_->Step(1, 20);
    EXPECT_EQ(ProfileValue("UseAutoComplete"), "yes");
    EXPECT_EQ(ProfileValue("UseRightButtonAsHammer"), "");
    Shot("14-options");
    game_->KeyDown(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    game_->KeyUp(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    game_->Step(2, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main");
    EXPECT_TRUE(Visible("medallion/elements/japan/gold"));
    EXPECT_FALSE(Visible("medallion/elements/japan/silver"));
    EXPECT_TRUE(Visible("medallion/elements/rome/silver"));
    EXPECT_FALSE(Visible("medallion/elements/tibet/silver"));
    Shot("15-main-medallion");
    // The part of a place just completed comes in with its effect.
    const Ref<IParamCollection> reveal =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    reveal->SetValue("location_name", Variant("rome"));
    reveal->SetValue("location_expert", Variant("no"));
    game_->Find("medallion")->ExecuteCommand(kCommandShowMedallionPart, reveal);
    game_->Step(5, 20);
    EXPECT_FALSE(Visible("medallion/elements/rome"));
    ASSERT_TRUE(game_->Find("medallion/scenario_group/effect_part"));
    EXPECT_EQ(game_->Find("medallion/scenario_group/effect_part")->GetProperty("resourcename").ToString(),
              "world_medallion_rome_silver");
    ASSERT_TRUE(RunUntil([&] { return !game_->Find("medallion/scenario_group/scenario_show_medallion_part"); }));

}

TEST_F(WorldScreens, OnTheMapCompletedPlacesWearTheirLooksAndACompletionPlaysWhileItShows) {
    StartWithNewPlayer();
    Profile()->SetValue("show_history", Variant("yes"));
    Profile()->SetValue("show_map", Variant("yes"));
    Profile()->SetValue("location_state_japan", Variant("completed"));
    Profile()->SetValue("expert_location_japan", Variant("yes"));
    Profile()->SetValue("location_state_rome", Variant("completed"));
    // The completed places wear their gold and silver looks, and the next
    // one on the route is open.
    game_->ClickAt("button_start");
    game_->Step(60, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Map");
    EXPECT_TRUE(Visible("map_locations/japan/completed/image"));
    EXPECT_FALSE(Visible("map_locations/japan/completed/image_silver"));
    EXPECT_TRUE(Visible("map_locations/rome/completed/image_silver"));
    EXPECT_EQ(game_->Find("map_locations/tibet")->GetProperty("location_state").ToString(),
              "available");
    Shot("16-map-progress");

    // A place completed while the map is on screen (as when its scene
    // closes) plays its completion before it changes its look.
    Profile()->SetValue("location_state_tibet", Variant("completed"));
    game_->Find("map_control")->ExecuteCommand(kCommandMapRecompute, nullptr);
    game_->Step(2, 20);
    ASSERT_TRUE(game_->Find("map_control/scenario_group/scenario_complete_tibet"));
    game_->Step(10, 20);
    Shot("17-map-place-completed");
    ASSERT_TRUE(RunUntil([&] { return !game_->Find("map_control/scenario_group/scenario_complete_tibet"); }));
    EXPECT_TRUE(Visible("map_locations/tibet/completed/image_silver"));
    EXPECT_EQ(ProfileValue("location_state_tibet"), "completed");
    // The next place on the route is open.
    EXPECT_EQ(game_->Find("map_locations/egypt")->GetProperty("location_state").ToString(),
              "available");
}

}  // namespace
