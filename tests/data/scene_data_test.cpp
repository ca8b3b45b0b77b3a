// The location scenes on the game as built: the built definition and data
// folder under the screen harness, a player's profile, and the scene of two
// locations opened as the map opens it. What the player would see: the
// location's current layer with the items bought on it, the level markers
// as far as the profile has played, the panels slid in, the information
// panel following the pointer, the first visit's hint; and no log line.
// The frames are kept as PNG files in test-artifacts/scenes of the build.
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/lang/MultiLanguages.h"
#include "core/storage/XMLStorage.h"
#include "engine/EngineStartup.h"
#include "engine/resources/EngineImages.h"
#include "game/GameConfig.h"
#include "nonogram/ControlGameNonogram.h"
#include "tests/data/BuiltGame.h"
#include "tests/data/BuiltGameTest.h"
#include "tests/support/GameHarness.h"
#include "tests/support/TempDir.h"
#include "widgets/MotionWidgets.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kLocations[] = {"japan", "rome", "tibet", "egypt", "greece", "aztecs", "china"};

class SceneData : public TBuiltGameTest {
protected:
    SceneData() : TBuiltGameTest("Ann") {}

    // The scene's widget at path, whatever is on top of it.
    Ref<IWidget> Scene(const std::string& path) const {
        const Ref<IGameScreenSlave> screen = game_->Screen("GS_Scene");
        const Ref<IWidget> window = screen ? screen->GetWindowWidget() : nullptr;
        return window ? window->FindWidget(path) : nullptr;
    }
    bool Visible(const std::string& path) const {
        const Ref<IWidget> widget = Scene(path);
        return widget && widget->GetVisible();
    }
    std::string Prop(const std::string& path, const std::string& name) const {
        const Ref<IWidget> widget = Scene(path);
        return widget ? TextOrEmpty(widget->GetProperty(name)) : "<none>";
    }
    // The scene of a location as the map opens it, and its panels slid in.
    void OpenScene(const std::string& location) {
        ASSERT_TRUE(game_->Game()->ShowGameScreen(
            "GS_Scene", Params({{"active_map_part", location}, {"show_scroll", "no"}})));
        for (int i = 0; i < 40; ++i) game_->Step(1, 20);
    }
    // Frames of 20 ms until ready() holds, at most 10 s of the game's clock.
    template <class F>
    bool RunUntil(F ready) {
        for (int i = 0; i < 500 && !ready(); ++i) game_->Step(1, 20);
        return ready();
    }
    Ref<IParamCollection> Params(std::initializer_list<std::pair<std::string, std::string>> values) {
        const Ref<IParamCollection> params =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        for (const auto& [name, value] : values) params->SetValue(name, Variant(value));
        return params;
    }
    std::string Markers(const std::string& location) const {
        std::string states;
        for (int n = 1; n <= 10; ++n) {
            const std::string state =
                Prop("control_scene/map_parts/" + location + "/map_levels/" + std::to_string(n), "state");
            states += state.empty() ? "?" : state.substr(0, 2);
            states += n < 10 ? " " : "";
        }
        return states;
    }
    void Shot(const std::string& name) {
        const fs::path file = fs::path(QM_ARTIFACTS_DIR) / "scenes" / (name + ".png");
        EXPECT_TRUE(WriteFramePng(*game_, file)) << file;
    }
    void Point(const std::string& path) {
        const TPoint point = game_->CenterOf(path);
        game_->MouseMove(point.x, point.y);
        game_->Step(2, 20);
    }
    std::string Marker(const std::string& location, int n) const {
        return "control_scene/map_parts/" + location + "/map_levels/" + std::to_string(n);
    }

};

TEST_F(SceneData, ALocationShowsTheProfilesLayerItemsAndLevels) {
    // Three levels won, the first with every medal; the first layer bought
    // out and one item of the second bought; the first visit's hint seen.
    Set("current_level_japan", "4");
    Set("points_japan_2", "340");
    Set("magic_points", "1250");
    for (const char* medal : {"award_speed", "award_hint", "award_error"})
        Set(std::string(medal) + "japan_1", "yes");
    Set("award_hintjapan_2", "yes");
    Set("location_layer_japan", "layer_2");
    Set("items_japanlayer_1", "lantern,torii,pine,");
    Set("items_japanlayer_2", "cherry,");
    Set("show_scene_hint", "yes");
    OpenScene("japan");
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Scene");

    // Only japan's picture, at its second layer, with the one item bought.
    for (const char* location : kLocations)
        EXPECT_EQ(Visible(std::string("locations/") + location), std::string(location) == "japan");
    EXPECT_FALSE(Visible("locations/japan/layer_1"));
    EXPECT_TRUE(Visible("locations/japan/layer_2"));
    EXPECT_FALSE(Visible("locations/japan/layer_3"));
    EXPECT_TRUE(Visible("locations/japan/layer_2/items/cherry"));
    EXPECT_EQ(Prop("locations/japan/layer_2/items/cherry", "state"), "unlocked");
    EXPECT_FALSE(Visible("locations/japan/layer_2/items/pagoda"));
    EXPECT_EQ(Prop("locations/japan/layer_2/items/pagoda", "state"), "locked");
    // The location's pictures are loaded, and drawn.
    const Ref<IImageResource> layer =
        Query<IImageResource>(game_->Engine().GetResource("scenes_japan_layer_2"));
    ASSERT_TRUE(layer);
    EXPECT_TRUE(layer->IsAvailable());
    EXPECT_NE(game_->Pixel(512, 300) & 0xFFFFFF, 0u);

    // The markers as far as the profile has played, japan's alone shown.
    EXPECT_EQ(Markers("japan"), "co co co cu lo lo lo lo lo lo");
    EXPECT_TRUE(Visible("control_scene/map_parts/japan"));
    EXPECT_FALSE(Visible("control_scene/map_parts/rome"));
    EXPECT_TRUE(Visible(Marker("japan", 1) + "/completed/expert"));
    EXPECT_TRUE(Visible(Marker("japan", 2) + "/completed/non_expert"));
    // The header, and the panels in their places once slid in.
    EXPECT_EQ(Prop("title", "text_utf8"), "Japan");
    EXPECT_EQ(Prop("mana_counter", "text"), "1,250");
    EXPECT_EQ(Scene("top_panel")->GetTop(), 0.0);
    EXPECT_EQ(Scene("panel")->GetTop(), 664.0);
    EXPECT_EQ(Scene("control_scene/map_parts")->GetTop(), 0.0);
    EXPECT_TRUE(Visible("info/question"));
    Shot("01-japan-layer2");

    // The pointer on a played level: its medals and points.
    Point(Marker("japan", 2));
    EXPECT_TRUE(Visible(Marker("japan", 2) + "/completed/non_expert/glow"));
    EXPECT_TRUE(Visible("info/medals"));
    EXPECT_FALSE(Visible("info/question"));
    EXPECT_TRUE(Visible("info/medals/award_hint"));
    EXPECT_FALSE(Visible("info/medals/award_speed"));
    EXPECT_TRUE(Visible("info/medals/award_speed_no"));
    EXPECT_EQ(Prop("info/medals/earned", "text"), "340");
    Shot("02-japan-played-level");
    // On the level to play, then on a locked one.
    Point(Marker("japan", 4));
    EXPECT_FALSE(Visible(Marker("japan", 2) + "/completed/non_expert/glow"));
    EXPECT_TRUE(Visible(Marker("japan", 4) + "/current/glow"));
    EXPECT_TRUE(Visible("info/play"));
    EXPECT_FALSE(Visible("info/medals"));
    Point(Marker("japan", 8));
    EXPECT_TRUE(Visible("info/question"));
    EXPECT_FALSE(Visible("info/play"));
}

TEST_F(SceneData, AFirstVisitShowsTheHintAndAnotherLocationReplacesThePictures) {
    OpenScene("japan");
    // The panels have slid in, so the first visit's hint is up.
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Scene GS_HintScene");
    EXPECT_EQ(TextOrEmpty(Profile()->GetValue("show_scene_hint", Variant(""))), "yes");
    Shot("03-hint-scene");
    game_->ClickAt("button_ok");
    game_->Step(2, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Scene");
    // Back to the map (here the main screen), then another location: a new
    // profile's picture at its first layer, nothing bought, level 1 to play.
    game_->ClickAt("button_exit");
    game_->Step(2, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main");
    OpenScene("rome");
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Scene");
    EXPECT_TRUE(Visible("locations/rome"));
    EXPECT_FALSE(Visible("locations/japan"));
    EXPECT_TRUE(Visible("locations/rome/layer_1"));
    EXPECT_FALSE(Visible("locations/rome/layer_2"));
    for (const char* item : {"cypress", "column", "amphora"}) {
        EXPECT_FALSE(Visible(std::string("locations/rome/layer_1/items/") + item)) << item;
        EXPECT_EQ(Prop(std::string("locations/rome/layer_1/items/") + item, "state"), "locked");
    }
    EXPECT_EQ(Markers("rome"), "cu lo lo lo lo lo lo lo lo lo");
    EXPECT_EQ(Prop("title", "text_utf8"), "Rome");
    EXPECT_EQ(Prop("mana_counter", "text"), "0");
    // Only the shown location's pictures are held.
    EXPECT_TRUE(game_->Engine().GetResource("scenes_rome_layer_1"));
    EXPECT_TRUE(game_->Engine().GetResource("scenes_rome_statue_icon105"));
    EXPECT_FALSE(game_->Engine().GetResource("scenes_japan_layer_1"));
    Shot("04-rome-layer1");
}

// Every location's scene opens at its last layer, with the pictures of all
// three layers loaded and decoded.
TEST_F(SceneData, EveryLocationHasItsPictures) {
    Set("show_scene_hint", "yes");
    for (const char* location : kLocations) {
        SCOPED_TRACE(location);
        Set(std::string("location_layer_") + location, "layer_3");
        OpenScene(location);
        ASSERT_EQ(game_->StackNames(), "GS_Main GS_Scene");
        EXPECT_TRUE(Visible(std::string("locations/") + location + "/layer_3/layer_bg"));
        for (const char* layer : {"layer_1", "layer_2", "layer_3"}) {
            const Ref<IImageResource> picture = Query<IImageResource>(
                game_->Engine().GetResource(std::string("scenes_") + location + "_" + layer));
            ASSERT_TRUE(picture) << layer;
            EXPECT_TRUE(picture->GetSurface()) << layer;
        }
        Shot(std::string("05-") + location + "-layer3");
        game_->ClickAt("button_exit");
        game_->Step(2, 20);
    }
}

// The dialogs a location's levels lead to, over the scene.
TEST_F(SceneData, TheResultDialogsShowWhatTheSceneSends) {
    Set("show_scene_hint", "yes");
    Set("location_layer_egypt", "layer_3");
    OpenScene("egypt");
    ASSERT_TRUE(game_->Game()->ShowGameScreen(
        "GS_ReplayLevel", Params({{"old_points", "120"}, {"new_points", "180"}, {"add_points", "60"}})));
    for (int i = 0; i < 150; ++i) game_->Step(1, 20);
    ASSERT_TRUE(OnTop("GS_ReplayLevel"));
    for (const char* line : {"EarnedBefore", "EarnedNow", "EarnedTotal"}) {
        EXPECT_TRUE(game_->Find(line)->GetVisible()) << line;
        EXPECT_TRUE(game_->Find(std::string("crystal_") + line)->GetVisible()) << line;
    }
    EXPECT_EQ(TextOrEmpty(game_->Find("EarnedTotal")->GetProperty("text_utf8")), "60");
    Shot("06-replay-level");
    game_->ClickAt("button_ok");
    game_->Step(2, 20);
    ASSERT_TRUE(OnTop("GS_Scene"));

    ASSERT_TRUE(game_->Game()->ShowGameScreen(
        "GS_LocationCompleted",
        Params({{"location_name", "egypt"}, {"location_expert", "no"}, {"location_completed", "yes"}})));
    game_->Step(10, 20);
    EXPECT_EQ(TextOrEmpty(game_->Find("location_name")->GetProperty("text_utf8")), "Egypt");
    EXPECT_TRUE(game_->Find("tip")->GetVisible());
    Shot("07-location-completed");
    // Its OK leads back past the scene.
    game_->ClickAt("button_ok");
    game_->Step(2, 20);
    EXPECT_EQ(game_->StackNames(), "GS_Main");

    OpenScene("egypt");
    ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_CompleteScene", nullptr));
    game_->Step(10, 20);
    Shot("08-complete-scene");
    game_->ClickAt("button_ok");
    game_->Step(2, 20);
    EXPECT_TRUE(OnTop("GS_Scene"));
}

// The shop from the scene: its first visit's hint, the silhouettes within
// the points, an item's price under the pointer, a purchase with its reveal
// and information, and the scene again with the item in its picture.
TEST_F(SceneData, AnItemIsBoughtInTheShopAndShownInTheScene) {
    Set("show_scene_hint", "yes");
    Set("magic_points", "1000");
    OpenScene("japan");
    game_->ClickAt("button_shop");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_HintShop"); }));
    EXPECT_EQ(game_->StackNames(), "GS_Main GS_Scene GS_SceneShop GS_HintShop");
    game_->ClickAt("button_ok");
    game_->Step(2, 20);
    ASSERT_TRUE(OnTop("GS_SceneShop"));

    const std::string items = "locations/japan/layer_1/items/";
    for (const char* item : {"lantern", "torii", "pine"}) {
        const Ref<IWidget> widget = game_->Find(items + item);
        ASSERT_TRUE(widget) << item;
        EXPECT_TRUE(widget->GetVisible()) << item;
        EXPECT_EQ(TextOrEmpty(widget->GetProperty("state")), "locked") << item;
        EXPECT_TRUE(game_->Find(items + item + "/locked/shadow")->GetVisible()) << item;
    }
    EXPECT_EQ(TextOrEmpty(game_->Find("mana_counter")->GetProperty("text_utf8")), "1,000");
    const TPoint lantern = game_->CenterOf(items + "lantern");
    game_->MouseMove(lantern.x, lantern.y);
    game_->Step(10, 20);
    EXPECT_TRUE(game_->Find("control_scene_shop/hint")->GetVisible());
    EXPECT_EQ(TextOrEmpty(game_->Find("control_scene_shop/hint/title")->GetProperty("text_utf8")),
              "Stone Lantern");
    EXPECT_EQ(TextOrEmpty(game_->Find("control_scene_shop/hint/cost")->GetProperty("text_utf8")), "300");
    EXPECT_TRUE(game_->Find("control_scene_shop/hint/click_to_buy")->GetVisible());
    Shot("09-shop");

    game_->Click(lantern.x, lantern.y);
    game_->Step(20, 20);
    Shot("10-shop-reveal");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_ItemInfo"); }));
    EXPECT_EQ(TextOrEmpty(Profile()->GetValue("items_japanlayer_1", Variant(""))), "lantern,");
    EXPECT_EQ(TextOrEmpty(Profile()->GetValue("magic_points", Variant(""))), "700");
    EXPECT_EQ(TextOrEmpty(game_->Find("title")->GetProperty("text_utf8")), "Stone Lantern");
    EXPECT_EQ(TextOrEmpty(game_->Find("icon")->GetProperty("resourcename")), "scenes_japan_lantern_icon170");
    Shot("11-item-info");
    game_->ClickAt("button_ok");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_HintAfterPurchase"); }));
    game_->ClickAt("button_ok");
    game_->Step(2, 20);
    ASSERT_TRUE(OnTop("GS_SceneShop"));
    EXPECT_TRUE(game_->Find(items + "lantern/unlocked")->GetVisible());
    // The pointer on the bought item: its story.
    game_->MouseMove(lantern.x + 1, lantern.y);
    game_->Step(4, 20);
    EXPECT_TRUE(game_->Find("control_scene_shop/hint_big")->GetVisible());
    EXPECT_EQ(TextOrEmpty(game_->Find("control_scene_shop/hint_big/desc")->GetProperty("text_utf8")),
              "Carved granite that keeps a small flame through the night.");

    game_->ClickAt("button_exit");
    game_->Step(40, 20);
    ASSERT_EQ(game_->StackNames(), "GS_Main GS_Scene");
    EXPECT_TRUE(Visible("locations/japan/layer_1/items/lantern"));
    EXPECT_FALSE(Visible("locations/japan/layer_1/items/torii"));
    EXPECT_EQ(Prop("mana_counter", "text_utf8"), "700");
    Shot("12-scene-after-purchase");
}

// The widget of that name in the tree under root, depth first; null when none.
Ref<IWidget> FindNamed(const Ref<IWidget>& root, const std::string& name) {
    if (!root) return nullptr;
    if (root->GetName() == name) return root;
    const Ref<IWidgetCollection> children = root->GetChildren();
    for (int32_t i = 0; children && i < children->GetCount(); ++i) {
        if (Ref<IWidget> found = FindNamed(children->GetWidgetByIndex(i), name)) return found;
    }
    return nullptr;
}

// The pixels the particle system adds to its screen's picture: the screen
// drawn as it stands, and drawn again with the system hidden.
int ParticlePixels(const Ref<IGameScreenSlave>& screen, const Ref<IWidget>& system) {
    const auto draw = [&] {
        const Ref<TSurface> surface = MakeRef<TSurface>();
        surface->SetSize(1024, 768);
        surface->Clear();
        screen->Render(*surface);
        return surface;
    };
    const Ref<TSurface> with = draw();
    system->SetVisible(false);
    const Ref<TSurface> without = draw();
    system->SetVisible(true);
    int differ = 0;
    for (int32_t y = 0; y < 768; ++y) {
        for (int32_t x = 0; x < 1024; ++x) differ += with->GetScanLine(y)[x] != without->GetScanLine(y)[x];
    }
    return differ;
}

// Each particle effect of the screens, driven by the program as a player
// meets it, shows particles: the sparkle over the silhouettes the points can
// buy, the burst of a purchase, and the sparks of the replay's lines.
TEST_F(SceneData, EveryParticleEffectShowsParticles) {
    const auto live = [](const Ref<IWidget>& system) {
        return system ? system->GetProperty("count").ToInt() : 0;
    };
    // The shop: every item within the points sparkles, the others do not.
    Set("show_scene_hint", "yes");
    Set("magic_points", "300");
    OpenScene("japan");
    game_->ClickAt("button_shop");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_HintShop"); }));
    game_->ClickAt("button_ok");
    game_->Step(2, 20);
    ASSERT_TRUE(OnTop("GS_SceneShop"));
    const std::string items = "locations/japan/layer_1/items/";
    game_->Step(25, 20);
    std::vector<std::string> sparkling;
    for (const char* item : {"lantern", "torii", "pine"}) {
        SCOPED_TRACE(item);
        const Ref<IWidget> system = game_->Find(items + item + "/locked/ps_shadowitem");
        if (TextOrEmpty(game_->Find(items + item)->GetProperty("available")) != "yes") {
            EXPECT_TRUE(!system || !system->GetVisible());
            continue;
        }
        ASSERT_TRUE(system);
        EXPECT_GT(live(system), 0);
        EXPECT_GT(ParticlePixels(game_->Top(), system), 20);
        sparkling.push_back(item);
    }
    EXPECT_FALSE(sparkling.empty());
    Shot("13-shop-sparkle");

    // A purchase: the item bursts into particles from its silhouette.
    game_->ClickAt(items + sparkling.front());
    Ref<IWidget> burst;
    ASSERT_TRUE(RunUntil([&] {
        burst = FindNamed(game_->Top()->GetWindowWidget(), "ps");
        return live(burst) > 0;
    }));
    game_->Step(3, 20);
    EXPECT_GT(live(burst), 0);
    EXPECT_GT(ParticlePixels(game_->Top(), burst), 200);
    Shot("14-shop-burst");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_ItemInfo"); }));
    game_->ClickAt("button_ok");
    game_->Step(2, 20);
    game_->ClickAt("button_ok");
    game_->Step(2, 20);
    game_->ClickAt("button_exit");
    ASSERT_TRUE(RunUntil([&] { return game_->StackNames() == "GS_Main GS_Scene"; }));

    // The replay's lines appear one after another, each with its sparks.
    ASSERT_TRUE(game_->Game()->ShowGameScreen(
        "GS_ReplayLevel", Params({{"old_points", "120"}, {"new_points", "180"}, {"add_points", "60"}})));
    const Ref<IWidget> sparks = game_->Find("ps_statlevel");
    ASSERT_TRUE(sparks);
    int most = 0;
    for (int i = 0; i < 150; ++i) {
        game_->Step(1, 20);
        if (live(sparks) > 0) most = std::max(most, ParticlePixels(game_->Top(), sparks));
    }
    EXPECT_GT(most, 100);
}

// A level entered from a location's scene is played in front of that
// location's picture as the scene shows it: the profile's layer with the
// items bought on it, under the level's blackout. The same level screen
// entered from another location shows that one's own picture.
TEST_F(SceneData, ALevelIsPlayedInFrontOfItsLocationsPicture) {
    struct TCase {
        const char* location;
        const char* layer;     // the profile's layer there
        const char* bought;    // the items bought on it
        int level;             // the marker played: a 10 x 10 level
        const char* unlocked;  // an item shown as bought; null for none
        const char* locked;    // an item of the layer not bought
    };
    const TCase cases[] = {
        {"japan", "layer_2", "cherry,", 4, "cherry", "pagoda"},
        {"rome", "layer_1", "", 2, nullptr, "cypress"},
    };
    // Points of the picture away from a 10 x 10 board and its clues, the
    // level's title and panel, the scene's panels and markers and the pointer.
    const std::vector<TPoint> points = {{50, 100},  {400, 120},  {600, 180}, {700, 200},
                                        {400, 200}, {50, 300},   {20, 450},  {50, 600},
                                        {1012, 300}, {1015, 600}};
    // A pixel of the picture under the blackout's colour at alpha.
    const auto shaded = [](uint32_t picture, uint32_t shade, int alpha) {
        uint32_t out = 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
            const int under = int(picture >> shift) & 0xFF;
            const int over = int(shade >> shift) & 0xFF;
            out |= uint32_t((under * (255 - alpha) + over * alpha + 127) / 255) << shift;
        }
        return out;
    };
    const auto near = [](uint32_t a, uint32_t b) {
        for (int shift = 0; shift < 24; shift += 8) {
            if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 3) return false;
        }
        return true;
    };
    const auto shown = [&](const std::string& path) {
        const Ref<IWidget> widget = game_->Find(path);
        return widget && widget->GetVisible();
    };

    Set("show_scene_hint", "yes");
    for (const char* help : {"show_hint_button_hint", "show_right_button_hint", "show_autocomplete_hint"})
        Set(help, "yes");
    Set("items_japanlayer_1", "lantern,torii,pine,");
    std::vector<std::vector<uint32_t>> scenes;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.location);
        const std::string location = c.location;
        Set("current_level_" + location, std::to_string(c.level));
        Set("location_layer_" + location, c.layer);
        Set("items_" + location + c.layer, c.bought);
        OpenScene(location);
        ASSERT_EQ(game_->StackNames(), "GS_Main GS_Scene");
        std::vector<uint32_t> scene;
        for (const TPoint& p : points) scene.push_back(game_->Pixel(p.x, p.y));
        scenes.push_back(scene);

        game_->ClickAt(Marker(location, c.level));
        ASSERT_TRUE(RunUntil([&] { return OnTop("GS_GameNonogram"); }));
        const auto* board =
            dynamic_cast<TQuillmarchControlGameNonogram*>(game_->Find("control_game_nonogram").get());
        ASSERT_TRUE(board);
        ASSERT_TRUE(RunUntil([&] { return board->GetGameMode() == 2; }));
        ASSERT_EQ(board->Rules().Rows(), 10);
        ASSERT_EQ(board->Rules().Cols(), 10);
        game_->Step(5, 20);

        // Only this location's picture, at the profile's layer and items.
        for (const char* other : kLocations)
            EXPECT_EQ(shown(std::string("locations/") + other), location == other) << other;
        for (const char* layer : {"layer_1", "layer_2", "layer_3"})
            EXPECT_EQ(shown("locations/" + location + "/" + layer), std::string(layer) == c.layer) << layer;
        const std::string items = "locations/" + location + "/" + c.layer + "/items/";
        if (c.unlocked) {
            EXPECT_TRUE(shown(items + c.unlocked));
            EXPECT_EQ(TextOrEmpty(game_->Find(items + c.unlocked)->GetProperty("state")), "unlocked");
        }
        EXPECT_FALSE(shown(items + c.locked));
        EXPECT_EQ(TextOrEmpty(game_->Find(items + c.locked)->GetProperty("state")), "locked");

        // And drawn: around the board, the scene's picture under the blackout.
        auto* blackout = dynamic_cast<TRectWidget*>(game_->Find("bg_group/blackout").get());
        ASSERT_TRUE(blackout);
        const uint32_t shade = blackout->GetColor();
        const int alpha = int(shade >> 24) * blackout->GetTransparentLevel() / 255;
        for (size_t i = 0; i < points.size(); ++i) {
            const uint32_t expected = shaded(scene[i], shade, alpha);
            const uint32_t pixel = game_->Pixel(points[i].x, points[i].y);
            EXPECT_TRUE(near(pixel, expected)) << points[i].x << "," << points[i].y << ": "
                                               << std::hex << pixel << " for " << expected;
        }
        Shot("13-level-in-" + location);

        // Back through the level's menu to the scene, and to the map.
        game_->ClickAt("control_game_nonogram/button_menu");
        game_->Step(2, 20);
        ASSERT_TRUE(OnTop("GS_MiniMenu"));
        game_->ClickAt("buttons/button_main_menu");
        game_->Step(2, 20);
        ASSERT_TRUE(OnTop("GS_QueryMainMenu"));
        game_->ClickAt("button_yes");
        ASSERT_TRUE(RunUntil([&] { return OnTop("GS_Scene"); }));
        game_->Step(40, 20);
        game_->ClickAt("button_exit");
        ASSERT_TRUE(RunUntil([&] { return game_->StackNames() == "GS_Main"; }));
    }
    // The two pictures differ where they are compared.
    ASSERT_EQ(scenes.size(), 2u);
    EXPECT_NE(scenes[0], scenes[1]);
}

}  // namespace
