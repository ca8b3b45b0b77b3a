// The location scene's tests: the real scene screen ("GS_Scene") with its
// real scene control, the layered pictures of two locations ("japan" with
// three levels and two layers of items, "rome" with one level), a level
// catalogue, and recording stand-ins for every screen the scene opens. The
// probes ("scene_probe") keep any property, note "command <name> <n>" and
// "restart <name>"; the scene notes "sound <name>"; stand-ins note
// "show <name> <params>".
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "nonogram/LevelDefs.h"
#include "tests/engine/resources/ImageFixtures.h"
#include "tests/world/MapTestSupport.h"
#include "world/LocationLayers.h"
#include "world/LocationScene.h"
#include "world/LocationScreens.h"

namespace scenetest {

using gametest::Journal;
using gametest::Note;
using maptest::Describe;
using maptest::Factory;
using maptest::Params;

class TSceneProbe : public maptest::TMapProbe {
public:
    void Restart() override {
        Note("restart " + Name());
        TMapProbe::Restart();
    }
    // A scenario holds its control weakly; the probe keeps only its name.
    void SetProperty(const std::string& name, const Variant& value) override {
        if (name == "control_game") {
            const Ref<IWidget> control = Query<IWidget>(value.ToInterface());
            values[name] = Variant(control ? control->GetName() : std::string());
            return;
        }
        TMapProbe::SetProperty(name, value);
    }
};

class TRecordingScene : public TQuillmarchGameScreenScene {
public:
    TChannelHandle PlaySound(const std::string& name) override {
        Note("sound " + name);
        return TQuillmarchGameScreenScene::PlaySound(name);
    }
};

// A stand-in that also notes "closed <child> <results>".
class TSceneStandIn : public maptest::TMapStandIn {
public:
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override {
        maptest::TMapStandIn::ChildScreenClosed(screenName, results);
        Note("closed " + screenName + " " + Describe(results));
    }
};

// A widget of the named screen's window, and what the fixtures read of it.
inline Ref<IWidget> ScreenWidget(const TGameHarness& game, std::string_view screenName,
                                 const std::string& path) {
    const Ref<IGameScreenSlave> screen = game.Screen(screenName);
    const Ref<IWidget> window = screen ? screen->GetWindowWidget() : nullptr;
    return window ? window->FindWidget(path) : nullptr;
}
inline std::string WidgetProp(const Ref<IWidget>& widget, const std::string& name) {
    return widget ? TextOrEmpty(widget->GetProperty(name)) : "<none>";
}

inline void RegisterSceneTestClasses() {
    maptest::RegisterMapTestClasses();
    static bool done = false;
    if (done) return;
    done = true;
    RegisterObjectClass(ClassOf<TSceneProbe>(), "scene_probe");
    RegisterObjectClass(ClassOf<TRecordingScene>(), "QmRecordingScene");
    RegisterObjectClass(ClassOf<TSceneStandIn>(), "QmSceneStandIn");
}

inline std::string Probe(const std::string& name, const std::string& extra = "",
                         int x = 0, int y = 0, int w = 10, int h = 10) {
    return "<widget type=\"scene_probe\" name=\"" + name +
           "\" visible=\"yes\" mousestop=\"no\" anchor_left=\"" + std::to_string(x) +
           "\" anchor_top=\"" + std::to_string(y) + "\" width=\"" + std::to_string(w) +
           "\" height=\"" + std::to_string(h) + "\" " + extra + "/>";
}

inline std::string Group(const std::string& name, const std::string& children,
                         const std::string& extra = "") {
    return "<widget type=\"group_widget\" name=\"" + name + "\" visible=\"yes\" " + extra +
           "><widgets>" + children + "</widgets></widget>";
}

inline std::string Item(const std::string& name, const std::string& type = "magic") {
    return Probe(name, "extraparams=\"item_type=" + type + "\"");
}

// The pictures: japan with two layers (a, b, ab and a decoration on the
// first, d on the second) and a child that is no layer; rome with one.
inline std::string Pictures() {
    return Group("locations",
                 Group("japan", Group("layer_1", Probe("layer_bg") +
                                                     Group("items", Item("a") + Item("b") +
                                                                        Item("ab") +
                                                                        Item("deco", "plain"))) +
                                    Group("layer_2", Group("items", Item("d"))) +
                                    Group("layer_3", Probe("layer_bg")) + Probe("caption")) +
                     Group("rome", Group("layer_1", Group("items", Item("r")))));
}

inline std::string Button(const std::string& name, int x, const std::string& ref) {
    return Probe(name, "extraparams=\"level_ref=" + ref + "\"", x, 600, 50, 50);
}

struct TSceneOptions {
    bool control = true;
    std::string resources =
        "<param name=\"japan_bg\" value=\"scene/japan.png\"/>"
        "<param name=\"japan_top\" value=\"\\file=scene/japan_top.jpg\\format=jpeg\"/>";
};

inline std::string SceneScreen(const TSceneOptions& o) {
    const std::string control =
        "<widget type=\"QuillmarchControlScene\" name=\"control_scene\" visible=\"yes\" "
        "mousestop=\"yes\" enabled=\"yes\" width=\"1024\" height=\"768\"><widgetfactories>" +
        Factory("scenario_scroll", "<widget type=\"scene_probe\" name=\"scenario_scroll\"/>") +
        "</widgetfactories><widgets>" + Group("scenario_group", "") +
        Group("map_parts",
              Group("japan", Group("map_levels", Button("1", 100, "j1") + Button("2", 200, "j2") +
                                                     Button("3", 300, "j3"))) +
                  Group("rome", Group("map_levels", Button("1", 100, "r1") + Button("x", 200, "rx"))),
              "extraparams=\"start_y=7\"") +
        "</widgets></widget>";
    const std::string info = Group(
        "info",
        Group("medals", Probe("award_speed") + Probe("award_speed_no") + Probe("award_hint") +
                            Probe("award_hint_no") + Probe("award_error") +
                            Probe("award_error_no") + Probe("earned") + Probe("total")) +
            Probe("question") + Probe("play"),
        "extraparams=\"start_y=500\"");
    const std::string store =
        "<magic_items><group name=\"japan\"><item_type name=\"components\"><item "
        "name=\"resources\">" +
        o.resources +
        "</item></item_type><item_type name=\"layer_1\">"
        "<item name=\"a\"><param name=\"cost\" value=\"50\"/></item>"
        "<item name=\"b\"><param name=\"cost\" value=\"80\"/></item></item_type>"
        "<item_type name=\"layer_2\"><item name=\"d\"><param name=\"cost\" value=\"10\"/>"
        "</item></item_type></group>"
        "<group name=\"rome\"><item_type name=\"components\"><item name=\"resources\">"
        "<param name=\"rome_bg\" value=\"scene/rome.png\"/></item></item_type></group>"
        "</magic_items>";
    return "<gamescreen name=\"GS_Scene\" type=\"QmRecordingScene\"><window><widgets>" +
           Pictures() + (o.control ? control : "") + Probe("title") + Probe("mana_counter") +
           info + Probe("scene_show") + Probe("scene_hide") + Probe("scene_all_elements_hide") +
           Probe("button_shop", "extraparams=\"start_y=20\"") +
           Probe("button_exit", "extraparams=\"start_x=900\"") +
           Probe("top_panel", "extraparams=\"start_y=-30\"") +
           "<widget type=\"surface_widget\" name=\"map_surface\" mousestop=\"no\"/>" +
           Probe("scroll", "extraparams=\"start_y=-114\"") + "</widgets></window>" + store +
           "</gamescreen>";
}

// Small real pictures, so that loading a location decodes them.
inline std::string PngBytes() {
    return fixtures::EncodeRgbaPng(4, 3, [](int x, int y) { return 0x80102030u + x + 16 * y; });
}
inline std::string JpegBytes() {
    return fixtures::EncodeRgbJpeg(4, 3, [](int x, int) { return 0x405060u + x; });
}

inline std::string Catalogue() {
    std::string levels = "<levels>";
    for (const char* ref : {"j1", "j2", "j3", "r1"}) {
        levels += std::string("<level level=\"") + ref +
                  "\"><properties><param name=\"level_points\" value=\"100\"/>"
                  "<param name=\"level_time_bonus\" value=\"30\"/>"
                  "<param name=\"level_hint_bonus\" value=\"20\"/>"
                  "<param name=\"level_mistake_bonus\" value=\"x\"/>" +
                  (std::string(ref) == "j1" ? "<param name=\"show_tutorial\" value=\"part2\"/>"
                                            : "") +
                  "</properties></level>";
    }
    return levels + "</levels>";
}

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterSceneTestClasses();
        Journal().clear();
    }
    void TearDown() override {
        game_.reset();
        ResetGameShellConfiguration();
        Journal().clear();
    }

    void StartGame(const TSceneOptions& options = {},
                   std::initializer_list<std::pair<std::string, std::string>> profile = {}) {
        game_.reset();
        std::string screens = SceneScreen(options);
        for (const char* name :
             {"GS_GameNonogram", "GS_Tutorial", "GS_SceneShop", "GS_LocationCompleted",
              "GS_ReplayLevel", "GS_CompleteScene", "GS_HintScene", "GS_GameBigMosaic"}) {
            screens += maptest::StandIn(name);
        }
        game_ = std::make_unique<TGameHarness>(1024, 768);
        game_->Folder().Write("scene/japan.png", PngBytes());
        game_->Folder().Write("scene/japan_top.jpg", JpegBytes());
        game_->Folder().Write("scene/rome.png", PngBytes());
        ASSERT_TRUE(game_->Start(gametest::GameOf("", gametest::ScreensOf(screens))));
        game_->Step(1);
        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        profiles->FindOrAdd("p");
        profiles->SetCurrent("p");
        Profile()->SetValue("tutorial_passed", Variant("yes"));
        Profile()->SetValue("show_scene_hint", Variant("yes"));
        for (const auto& [name, value] : profile) Profile()->SetValue(name, Variant(value));
        const Ref<TAbstractObject> catalogue =
            CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>());
        LoadPersistObject(Ref<IInterface>(catalogue), LoadStorageFromXML(Catalogue()));
        Game().SetOptionValue("level_def_refs", Variant(Ref<IInterface>(catalogue)));
        Game().SetOptionValue("lvlcnt_japan", Variant(3));
        Game().SetOptionValue("lvlcnt_rome", Variant(1));
    }

    void ShowScene(const std::string& location = "japan", const std::string& scroll = "no") {
        ASSERT_TRUE(Game().ShowGameScreen(
            "GS_Scene", Params({{"active_map_part", Variant(location)},
                                {"show_scroll", Variant(scroll)}})));
        game_->Step(1);
    }
    void StartInScene(std::initializer_list<std::pair<std::string, std::string>> profile = {}) {
        StartGame({}, profile);
        ShowScene();
        Journal().clear();
    }

    IGameScreenOwner& Game() const { return *game_->Game(); }
    Ref<IParamCollection> Profile() const {
        return Game().GetUserProfiles()->GetCurrent()->GetParams();
    }
    std::string Text(const std::string& key) const {
        return mapdetail::ProfileText(Profile(), key, "");
    }
    Ref<IWidget> Widget(const std::string& path) const {
        return ScreenWidget(*game_, "GS_Scene", path);
    }
    std::string Prop(const std::string& path, const std::string& name) const {
        return WidgetProp(Widget(path), name);
    }
    bool Visible(const std::string& path) const {
        const Ref<IWidget> widget = Widget(path);
        return widget && widget->GetVisible();
    }
    TQuillmarchGameScreenScene& Scene() const {
        return dynamic_cast<TQuillmarchGameScreenScene&>(*game_->Screen("GS_Scene"));
    }
    TQuillmarchControlScene& Control() const {
        return dynamic_cast<TQuillmarchControlScene&>(*Widget("control_scene"));
    }
    std::string Button(const std::string& n) const {
        return "control_scene/map_parts/japan/map_levels/" + n;
    }
    std::string States() const {
        return Prop(Button("1"), "state") + " " + Prop(Button("2"), "state") + " " +
               Prop(Button("3"), "state");
    }
    // The top screen closes with results, as the level screen does.
    void CloseTop(const Ref<IParamCollection>& results) {
        Game().CloseGameScreen(game_->Top(), results);
    }
    std::string TopName() const { return game_->Top() ? game_->Top()->GetName() : "-"; }
    // Lines of the journal that start with prefix, joined by " | ".
    std::string Lines(const std::string& prefix) const {
        std::string text;
        for (const std::string& line : Journal()) {
            if (line.rfind(prefix, 0) != 0) continue;
            if (!text.empty()) text += " | ";
            text += line;
        }
        return text;
    }

    std::unique_ptr<TGameHarness> game_;
};

}  // namespace scenetest
