// The scene screen: the location's pictures loaded once per location, the
// layout, the switchboard of events and closing screens; and the
// location-completed and replay-level screens.
#include <iterator>

#include "core/storage/XMLStorage.h"
#include "engine/resources/EngineImages.h"
#include "tests/world/LocationTestSupport.h"

namespace scenetest {
namespace {

using gametest::JournalHas;

class LocationScreenTest : public SceneTest {
protected:
    Ref<IResource> Resource(const std::string& name) const {
        return game_->Engine().GetResource(name);
    }
    std::string Shown() const { return Lines("show "); }
};

TEST_F(LocationScreenTest, ALocationsPicturesAreDecodedOncePerVisitAndGoWhenAnotherIsShown) {
    StartGame();
    // Decodes while the scene is shown and a few frames are drawn.
    const auto visit = [&](const std::string& location) {
        const uint64_t before = ImageDecodeCount();
        ShowScene(location);
        game_->Step(2);
        return ImageDecodeCount() - before;
    };
    // A first show without a location decodes nothing.
    EXPECT_EQ(visit(""), 0u);
    EXPECT_EQ(Scene().GetLoadedLocation(), "");
    EXPECT_FALSE(Resource("japan_bg"));
    CloseTop(nullptr);

    EXPECT_EQ(visit("japan"), 2u);
    const Ref<IImageResource> bg = Query<IImageResource>(Resource("japan_bg"));
    const Ref<IImageResource> top = Query<IImageResource>(Resource("japan_top"));
    ASSERT_TRUE(bg && top);
    ASSERT_TRUE(bg->GetSurface() && top->GetSurface());
    EXPECT_TRUE(bg->GetSurface()->GetTransparent());   // decoded as a PNG
    EXPECT_FALSE(top->GetSurface()->GetTransparent());  // as a JPEG
    EXPECT_EQ(Scene().GetLoadedLocation(), "japan");
    CloseTop(nullptr);
    // The same location again: nothing is read or decoded again.
    EXPECT_EQ(visit("japan"), 0u);
    EXPECT_EQ(Query<IImageResource>(Resource("japan_bg")).get(), bg.get());
    CloseTop(nullptr);
    EXPECT_EQ(visit("rome"), 1u);
    EXPECT_FALSE(Resource("japan_bg"));
    EXPECT_FALSE(Resource("japan_top"));
    EXPECT_TRUE(Resource("rome_bg"));
    EXPECT_EQ(Scene().GetActiveMapPart(), "rome");
    CloseTop(nullptr);
    // Back to the first location: its pictures went, so they are decoded anew.
    EXPECT_EQ(visit("japan"), 2u);
}

TEST_F(LocationScreenTest, EachResourceValueReachesTheDecoderOfItsFormat) {
    // The file holds `kind`; the value's format decides the decoder, and a
    // picture decoded by the wrong one has no surface.
    struct TCase {
        const char* value;
        const char* file;
        const char* kind;  // "png" or "jpeg"
        bool decoded;
    };
    const TCase cases[] = {
        {"scene/a.png", "scene/a.png", "png", true},
        {"scene/B.PNG", "scene/B.PNG", "png", true},
        {"scene/c.jpg", "scene/c.jpg", "jpeg", true},
        {"scene/d", "scene/d", "jpeg", true},
        {"scene/e.png.jpg", "scene/e.png.jpg", "jpeg", true},
        {"scene/f.png.png", "scene/f.png.png", "png", false},  // ".png" twice: read as JPEG
        {"\\file=scene/g.dat\\format=png", "scene/g.dat", "png", true},
        {"\\file=scene/h.png\\format=jpeg", "scene/h.png", "png", false},
    };
    std::string resources;
    for (size_t i = 0; i < std::size(cases); ++i) {
        resources += "<param name=\"pic" + std::to_string(i) + "\" value=\"" + cases[i].value +
                     "\"/>";
    }
    TSceneOptions options;
    options.resources = resources;
    StartGame(options);
    for (const TCase& c : cases)
        game_->Folder().Write(c.file, std::string(c.kind) == "png" ? PngBytes() : JpegBytes());
    const uint64_t before = ImageDecodeCount();
    ShowScene("japan");
    // One decode per picture, whatever came of it.
    EXPECT_EQ(ImageDecodeCount() - before, std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].value);
        const Ref<IImageResource> image = Query<IImageResource>(Resource("pic" + std::to_string(i)));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->GetSurface() != nullptr, cases[i].decoded);
        if (cases[i].decoded) {
            EXPECT_EQ(image->GetWidth(), 4);
        }
    }
}

TEST_F(LocationScreenTest, APictureThatDoesNotLoadLeavesTheLocationToBeTriedAgain) {
    // Missing, or there but not a picture of its format.
    for (const char* bad : {"", "not a picture"}) {
        SCOPED_TRACE(*bad ? "corrupt" : "missing");
        TSceneOptions options;
        options.resources =
            "<param name=\"japan_bg\" value=\"scene/bad.png\"/>"
            "<param name=\"japan_top\" value=\"scene/japan_top.jpg\"/>";
        StartGame(options, {{"current_level_japan", "2"}});
        if (*bad) game_->Folder().Write("scene/bad.png", bad);
        ShowScene("japan");
        // The rest of the scene is built all the same.
        EXPECT_TRUE(Resource("japan_top"));
        EXPECT_EQ(States(), "completed current locked");
        EXPECT_EQ(Scene().GetLoadedLocation(), "");
        EXPECT_TRUE(game_->Log().Has({"WORLD", "\"japan_bg\" was not loaded"}));
        CloseTop(nullptr);
        // Put right, it loads on the next visit.
        game_->Folder().Write("scene/bad.png", PngBytes());
        const uint64_t before = ImageDecodeCount();
        ShowScene("japan");
        EXPECT_EQ(ImageDecodeCount() - before, 2u);
        EXPECT_EQ(Scene().GetLoadedLocation(), "japan");
        const Ref<IImageResource> bg = Query<IImageResource>(Resource("japan_bg"));
        ASSERT_TRUE(bg);
        EXPECT_TRUE(bg->GetSurface());
    }
}

TEST_F(LocationScreenTest, ResourceListsTakeTheFileAndFormatFromTheValue) {
    struct TCase {
        const char* name;
        const char* value;
        const char* file;
        const char* format;
    };
    const TCase cases[] = {
        {"n", "a.png", "a.png", "png"},
        {"n", "A.PNG", "A.PNG", "png"},
        {"n", "a.jpg", "a.jpg", "jpeg"},
        {"n", "a", "a", "jpeg"},
        {"n", "png", "png", "jpeg"},
        {"n", "a.png.png", "a.png.png", "jpeg"},  // ".png" first found before the end
        {"n", "\\file=x.jpg\\format=png", "x.jpg", "png"},
        {"n", "\\format=png", "", "png"},
        {"n\"<&", "x\"<&.png", "x\"<&.png", "png"},  // kept whole, as attributes
        {"%file%", "a.png", "a.png", "png"},         // a name is not a placeholder
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.value);
        const Ref<IParam> param = Params({{c.name, Variant(c.value)}})->GetParam(Variant(0));
        const Ref<IHierStorage> list = TQuillmarchGameScreenScene::ResourceListFor(param);
        ASSERT_TRUE(list);
        const Ref<IHierStorage> resource = list->GetChild("content", 0)->GetChild("resource", 0);
        ASSERT_TRUE(resource);
        EXPECT_EQ(resource->GetValue("name", Variant()).ToString(), c.name);
        EXPECT_EQ(resource->GetValue("type", Variant()).ToString(), "ImageResource");
        EXPECT_EQ(resource->GetValue("file", Variant()).ToString(), c.file);
        EXPECT_EQ(resource->GetValue("format", Variant()).ToString(), c.format);
    }
    EXPECT_FALSE(TQuillmarchGameScreenScene::ResourceListFor(nullptr));
    EXPECT_EQ(std::string(LocationResourceTemplate).size(), 121u);
}

TEST_F(LocationScreenTest, ShowingPutsThePanelsBackAndPreparesTheMapPicture) {
    StartGame();
    for (const char* name : {"top_panel", "info", "button_shop", "control_scene/map_parts", "scroll"})
        Widget(name)->SetTop(333);
    Widget("button_exit")->SetLeft(5);
    ShowScene("japan", "yes");
    EXPECT_EQ(Widget("top_panel")->GetTop(), -30);
    EXPECT_EQ(Widget("info")->GetTop(), 500);
    EXPECT_EQ(Widget("button_shop")->GetTop(), 20);
    EXPECT_EQ(Widget("control_scene/map_parts")->GetTop(), 7);
    EXPECT_EQ(Widget("button_exit")->GetLeft(), 900);
    EXPECT_EQ(Widget("scroll")->GetTop(), -114);
    EXPECT_TRUE(Visible("map_surface"));
    CloseTop(nullptr);
    // Anything but exactly "yes" hides the picture.
    ShowScene("japan", "YES");
    EXPECT_FALSE(Visible("map_surface"));
    // The store is the game's option.
    EXPECT_EQ(Query<IGroupsStorage>(Game().GetOption("magic_items").ToInterface()).get(),
              Scene().GetMagicItems().get());
}

TEST_F(LocationScreenTest, EventsFromTheControlOpenTheirScreens) {
    struct TCase {
        int32_t code;
        Ref<IParamCollection> params;
        const char* shown;
    };
    const std::vector<TCase> cases = {
        {kEventLevelsDone, nullptr, "show GS_CompleteScene -"},
        {kEventLocationCompleted, Params({{"location_name", Variant("japan")}}),
         "show GS_LocationCompleted location_name=japan"},
        {kEventGoToShop, Params({{"start_level_after_quit", Variant("yes")}}),
         "show GS_SceneShop start_level_after_quit=yes,active_map_part=japan"},
        {kEventGoToShop, nullptr, "show GS_SceneShop active_map_part=japan"},
        {kEventReplayPoints, Params({{"add_points", Variant(3)}}),
         "show GS_ReplayLevel add_points=3"},
        {kEventSceneHint, nullptr, "show GS_HintScene -"},
        {kEventSceneCommand3, nullptr, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.code);
        StartInScene();
        Scene().HandleEvent(Widget("control_scene"), c.code, c.params);
        EXPECT_EQ(Shown(), c.shown);
    }
    // Another sender is not listened to.
    StartInScene();
    Scene().HandleEvent(Widget("title"), kEventLevelsDone, nullptr);
    EXPECT_EQ(Shown(), "");
    // The shop button hides the scene; the shop opens when that has ended.
    Scene().HandleEvent(Widget("button_shop"), kEventButtonClick, nullptr);
    EXPECT_TRUE(gametest::JournalHasInOrder({"sound sound_show_panel", "restart scene_hide"}));
    EXPECT_EQ(Shown(), "");
}

TEST_F(LocationScreenTest, ALevelStartHidesTheSceneAndOpensTheLevelWhenItIsHidden) {
    StartInScene();
    const Ref<IParamCollection> start = Params(
        {{"level_ref", Variant("j1")}, {"show_tutorial", Variant("part3")}});
    Scene().HandleEvent(Widget("control_scene"), kEventSceneStartLevel, start);
    EXPECT_TRUE(gametest::JournalHasInOrder({"sound sound_show_panel",
                                             "restart scene_all_elements_hide",
                                             "show GS_Tutorial tutorial_part=part3"}));
    CloseTop(nullptr);
    Journal().clear();
    Scene().HandleEvent(Widget("control_scene"), kEventSceneHidden, nullptr);
    EXPECT_EQ(Shown(), "show GS_GameNonogram level_ref=j1,show_tutorial=part3");
}

TEST_F(LocationScreenTest, ClosingScreensLeadWhereTheyShould) {
    struct TCase {
        const char* name;
        const char* screen;
        Ref<IParamCollection> results;
        std::vector<std::pair<std::string, std::string>> profile;
        const char* top;       // the top screen after
        const char* expected;  // a journal line that must be there, "" for none
        const char* absent;    // one that must not
    };
    const std::vector<TCase> cases = {
        {"shop, quit to map wins over the level", "GS_SceneShop",
         Params({{"quit_to_map", Variant("yes")}, {"start_level_after_quit", Variant("yes")}}),
         {}, "-", "", "restart scene_all_elements_hide"},
        {"shop, then the current level", "GS_SceneShop",
         Params({{"start_level_after_quit", Variant("yes")}}), {{"current_level_japan", "2"}},
         "GS_Scene", "restart scene_all_elements_hide", "restart scene_show"},
        {"shop, back to the scene", "GS_SceneShop", nullptr, {}, "GS_Scene",
         "restart scene_show", "restart scene_all_elements_hide"},
        {"complete scene with an item to buy", "GS_CompleteScene", nullptr,
         {{"magic_points", "60"}}, "GS_Scene", "restart scene_hide", ""},
        {"complete scene with nothing to buy", "GS_CompleteScene", nullptr,
         {{"magic_points", "10"}}, "GS_Scene", "", "restart scene_hide"},
        {"location completed closes the scene", "GS_LocationCompleted", nullptr, {}, "-", "",
         ""},
        {"replay closes into the scene", "GS_ReplayLevel", nullptr, {}, "GS_Scene", "",
         "restart scene_show"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartInScene();
        for (const auto& [key, value] : c.profile) Profile()->SetValue(key, Variant(value));
        ASSERT_TRUE(Game().ShowGameScreen(c.screen, nullptr));
        Journal().clear();
        CloseTop(c.results);
        EXPECT_EQ(TopName(), c.top);
        if (*c.expected) {
            EXPECT_TRUE(JournalHas(c.expected));
        }
        if (*c.absent) {
            EXPECT_FALSE(JournalHas(c.absent));
        }
    }
}

TEST_F(LocationScreenTest, TheShopClosingRepaintsThePictureAndTheCounter) {
    StartInScene();
    ASSERT_TRUE(Game().ShowGameScreen("GS_SceneShop", nullptr));
    Profile()->SetValue("items_japanlayer_1", Variant("a,"));
    Profile()->SetValue("magic_points", Variant("12"));
    CloseTop(nullptr);
    EXPECT_TRUE(Visible("locations/japan/layer_1/items/a"));
    EXPECT_EQ(Prop("mana_counter", "text"), "12");
}

TEST_F(LocationScreenTest, TheMosaicClosingWithResultsMarksItsLocationDone) {
    StartInScene();
    ASSERT_TRUE(Game().ShowGameScreen("GS_GameBigMosaic", nullptr));
    CloseTop(nullptr);
    EXPECT_EQ(Text("big_mosaic_completed_japan"), "");
    ASSERT_TRUE(Game().ShowGameScreen("GS_GameBigMosaic", nullptr));
    std::filesystem::remove(game_->UserDir() + "users.dat");
    CloseTop(Params({{"active_map_part", Variant("japan")}}));
    EXPECT_EQ(Text("big_mosaic_completed_japan"), "yes");
    EXPECT_TRUE(std::filesystem::exists(game_->UserDir() + "users.dat"));
}

TEST_F(LocationScreenTest, ALevelPlayedFromTheSceneComesBackAndTheNextOneStarts) {
    StartInScene();
    // A click on the current level.
    game_->MouseMove(125, 625);
    game_->MouseDown(125, 625);
    game_->MouseUp(125, 625);
    game_->Step(1);
    EXPECT_TRUE(JournalHas("restart scene_all_elements_hide"));
    // The hiding scenario ends.
    Control().ExecuteCommand(kCommandSceneScenarioFinished,
                             Params({{"scenario_to_finalize", Variant("scene_all_elements_hide")}}));
    ASSERT_EQ(TopName(), "GS_GameNonogram");
    EXPECT_EQ(Shown(), "show GS_GameNonogram replay=no,level_ref=j1,active_map_part=japan");
    Journal().clear();
    CloseTop(Params({{"level_completed", Variant("yes")},
                     {"level_ref", Variant("j1")},
                     {"level_total_points", Variant("30")}}));
    EXPECT_EQ(TopName(), "GS_Scene");
    EXPECT_EQ(Text("current_level_japan"), "2");
    EXPECT_EQ(Text("points_j1"), "30");
    EXPECT_EQ(States(), "completed current locked");
    EXPECT_TRUE(gametest::JournalHasInOrder({"restart scene_show", "restart scene_all_elements_hide"}));
    EXPECT_EQ(Describe(Scene().GetPendingLevelParams()),
              "replay=no,level_ref=j2,active_map_part=japan");
}

// --- The two result screens

class LocationResultScreenTest : public SceneTest {
protected:
    void StartScreens(bool factory = true) {
        game_.reset();
        const std::string completed =
            "<gamescreen name=\"GS_LocationCompleted\" "
            "type=\"QuillmarchGameScreenLocationCompleted\"><window><widgets>" +
            Probe("location_name") + Probe("text") + Probe("tip") + Probe("medallion") +
            Probe("button_ok") + "</widgets></window></gamescreen>";
        const std::string replay =
            "<gamescreen name=\"GS_ReplayLevel\" type=\"QuillmarchGameScreenReplayLevel\"><window>" +
            std::string(factory ? "<widgetfactories>" +
                                      Factory("scenario_replay_level",
                                              "<widget type=\"scene_probe\" "
                                              "name=\"scenario_replay_level\"/>") +
                                      "</widgetfactories>"
                                : "") +
            "<widgets>" + Group("scenario_group", "") + Probe("EarnedBefore") +
            Probe("EarnedNow") + Probe("EarnedTotal") + Probe("crystal_EarnedBefore") +
            Probe("crystal_EarnedNow") + Probe("crystal_EarnedTotal") + Probe("ps_statlevel") +
            "</widgets></window></gamescreen>";
        game_ = std::make_unique<TGameHarness>(1024, 768);
        ASSERT_TRUE(game_->Start(
            gametest::GameOf("", gametest::ScreensOf(Below() + completed +
                                                     replay))));
        game_->Step(1);
        ASSERT_TRUE(Game().ShowGameScreen("GS_Below", nullptr));
        Journal().clear();
    }
    static std::string Below() {
        return "<gamescreen name=\"GS_Below\" type=\"QmSceneStandIn\"><window "
               "type=\"qm_test_effect_window\"/></gamescreen>";
    }
    Ref<IWidget> In(const std::string& screen, const std::string& path) const {
        return game_->Screen(screen)->GetWindowWidget()->FindWidget(path);
    }
    std::string InProp(const std::string& screen, const std::string& path,
                       const std::string& name) const {
        return TextOrEmpty(In(screen, path)->GetProperty(name));
    }
};

TEST_F(LocationResultScreenTest, TheCompletedScreenNamesTheLocationAndSaysHowItWasCompleted) {
    struct TCase {
        const char* expert;  // nullptr: absent
        const char* text;
        bool tip;
    };
    const TCase cases[] = {
        {"yes", "%text_LocationCompletedExpert%", false},
        {"no", "%text_LocationCompleted%", true},
        {"YES", "%text_LocationCompleted%", true},
        {nullptr, "%text_LocationCompleted%", true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.expert ? c.expert : "absent");
        StartScreens();
        const Ref<IParamCollection> params =
            Params({{"location_name", Variant("rome")}, {"location_completed", Variant("yes")}});
        if (c.expert) params->SetValue("location_expert", Variant(c.expert));
        ASSERT_TRUE(Game().ShowGameScreen("GS_LocationCompleted", params));
        EXPECT_EQ(InProp("GS_LocationCompleted", "location_name", "text"), "%rome%");
        EXPECT_EQ(InProp("GS_LocationCompleted", "text", "text"), c.text);
        EXPECT_EQ(In("GS_LocationCompleted", "tip")->GetVisible(), c.tip);
        EXPECT_TRUE(JournalHas("command medallion 17"));
    }
}

TEST_F(LocationResultScreenTest, AnyNotificationFromOkClosesWithTheFlagAndTheLocationsName) {
    StartScreens();
    ASSERT_TRUE(Game().ShowGameScreen(
        "GS_LocationCompleted",
        Params({{"location_name", Variant("rome")}, {"location_completed", Variant("yes")}})));
    Journal().clear();
    // Not a click: any code from the button.
    dynamic_cast<TGameScreen&>(*game_->Screen("GS_LocationCompleted"))
        .HandleEvent(In("GS_LocationCompleted", "button_ok"), 42, nullptr);
    EXPECT_EQ(game_->Top()->GetName(), "GS_Below");
    // The result key "location_expert" carries the location's name.
    EXPECT_TRUE(JournalHas(
        "closed GS_LocationCompleted location_completed=yes,location_expert=rome"));
}

TEST_F(LocationResultScreenTest, WithoutParametersTheCompletedScreenShowsAnEmptyName) {
    StartScreens();
    ASSERT_TRUE(Game().ShowGameScreen("GS_LocationCompleted", nullptr));
    EXPECT_EQ(InProp("GS_LocationCompleted", "location_name", "text"), "%%");
    EXPECT_EQ(InProp("GS_LocationCompleted", "text", "text"), "%text_LocationCompleted%");
    auto& screen =
        dynamic_cast<TQuillmarchGameScreenLocationCompleted&>(*game_->Screen("GS_LocationCompleted"));
    EXPECT_EQ(screen.GetLocationCompletedValue(), "no");
}

TEST_F(LocationResultScreenTest, TheReplayScreenShowsTheNumbersHiddenAndRunsOneScenario) {
    StartScreens();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        for (const char* name : {"EarnedBefore", "crystal_EarnedNow"})
            In("GS_ReplayLevel", name)->SetVisible(true);
        Journal().clear();
        ASSERT_TRUE(Game().ShowGameScreen(
            "GS_ReplayLevel", Params({{"old_points", Variant("100")},
                                      {"new_points", Variant("60")},
                                      {"add_points", Variant("0")}})));
        EXPECT_EQ(InProp("GS_ReplayLevel", "EarnedBefore", "text"), "100");
        EXPECT_EQ(InProp("GS_ReplayLevel", "EarnedNow", "text"), "60");
        EXPECT_EQ(InProp("GS_ReplayLevel", "EarnedTotal", "text"), "0");
        for (const char* name : {"EarnedBefore", "EarnedNow", "EarnedTotal", "crystal_EarnedBefore",
                                 "crystal_EarnedNow", "crystal_EarnedTotal"})
            EXPECT_FALSE(In("GS_ReplayLevel", name)->GetVisible()) << name;
        EXPECT_TRUE(JournalHas("command ps_statlevel 2"));
        EXPECT_EQ(In("GS_ReplayLevel", "scenario_group")->GetChildren()->GetCount(), 1);
        Game().CloseGameScreen(game_->Top(), nullptr);
    }
}

TEST_F(LocationResultScreenTest, WithoutItsFactoryTheReplayScreenStartsNothing) {
    StartScreens(false);
    ASSERT_TRUE(Game().ShowGameScreen("GS_ReplayLevel", Params({{"old_points", Variant(5)}})));
    EXPECT_EQ(InProp("GS_ReplayLevel", "EarnedBefore", "text"), "5");
    EXPECT_EQ(InProp("GS_ReplayLevel", "EarnedNow", "text"), "0");
    EXPECT_EQ(In("GS_ReplayLevel", "scenario_group")->GetChildren()->GetCount(), 0);
}

}  // namespace
}  // namespace scenetest
