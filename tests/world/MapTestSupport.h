// The map's tests: the real map screen ("GS_Map") in a game on the real
// shell, 1024 × 768, with three locations "a" (open from the start), "b"
// (needs a) and "c" (needs a and b), the information panel, the picture and
// edge of the scroll transition, and recording stand-ins for the screens
// the map opens. The stand-ins and the probes note what happens to them in
// the game tests' journal:
//
// - "map_probe": a leaf that keeps every property it does not know (so
//   "highlight", "surface", "text_utf8", "init_creation_count" read back),
//   and notes "command <name> <n>" for each command it gets.
// - "QmRecordingMap": the real map screen, noting "sound <name>".
// - "QmMapStandIn": a screen that notes "show <name> <params>" (a surface as
//   "<surface WxH>") and keeps the parameters it was shown with.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "core/storage/XMLStorage.h"
#include "tests/game/GameShellTestSupport.h"
#include "widgets/GroupStorage.h"
#include "world/MapControl.h"
#include "world/MapObjects.h"
#include "world/MapScenarios.h"
#include "world/MapScreen.h"

namespace maptest {

using gametest::Journal;
using gametest::Note;

class TMapProbe : public gametest::TGameLeaf {
public:
    Variant GetProperty(const std::string& name) override {
        const auto it = values.find(name);
        if (it != values.end()) return it->second;
        return TGameLeaf::GetProperty(name);
    }
    void SetProperty(const std::string& name, const Variant& value) override {
        if (Table().Find(name) || name.find('/') != std::string::npos) {
            TGameLeaf::SetProperty(name, value);
            return;
        }
        values[name] = value;
    }
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override {
        Note("command " + Name() + " " + std::to_string(command));
        TGameLeaf::ExecuteCommand(command, params);
    }
    std::map<std::string, Variant> values;
};

// "k=v,k2=v2"; a surface as "<surface WxH>", "-" for no collection.
inline std::string Describe(const Ref<IParamCollection>& params) {
    if (!params) return "-";
    std::string text;
    for (int32_t i = 0; i < params->GetCount(); ++i) {
        const Ref<IParam> param = params->GetParam(Variant(i));
        const Variant value = param->GetValue();
        if (!text.empty()) text += ",";
        text += param->GetName() + "=";
        if (value.Type() == varUnknown) {
            const Ref<ISurface> surface = Query<ISurface>(value.ToInterface());
            text += surface ? "<surface " + std::to_string(surface->GetWidth()) + "x" +
                                  std::to_string(surface->GetHeight()) + ">"
                            : "<object>";
        } else {
            text += value.ToString();
        }
    }
    return text;
}

class TMapStandIn : public TGameScreen {
public:
    void Show(const Ref<IParamCollection>& params) override {
        Note("show " + GetName() + " " + Describe(params));
        shownWith = params;
        TGameScreen::Show(params);
    }
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override {
        TGameScreen::HandleEvent(sender, code, params);
        Note("event " + GetName() + " " + (sender ? sender->GetName() : "-") + " " +
             std::to_string(code));
    }
    Ref<IParamCollection> shownWith;

protected:
    std::string WindowClassName() const override { return "qm_test_effect_window"; }
};

// The real map screen, noting "sound <name>" for each sound it plays.
class TRecordingMapScreen : public TQuillmarchGameScreenMap {
public:
    TChannelHandle PlaySound(const std::string& name) override {
        Note("sound " + name);
        return TQuillmarchGameScreenMap::PlaySound(name);
    }
};

inline void RegisterMapTestClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterObjectClass(ClassOf<TMapProbe>(), "map_probe");
    RegisterObjectClass(ClassOf<TMapStandIn>(), "QmMapStandIn");
    RegisterObjectClass(ClassOf<TRecordingMapScreen>(), "QmRecordingMap");
}

inline std::string Factory(const std::string& name, const std::string& widget) {
    return "<widgetfactory name=\"" + name + "\" type=\"WidgetFactory\"><widgetstring>" + widget +
           "</widgetstring></widgetfactory>";
}

// A leaf that lets the mouse through to the map control.
inline std::string Look(const std::string& name, int w, int h, const std::string& extra = "") {
    return "<widget type=\"map_probe\" name=\"" + name +
           "\" visible=\"yes\" mousestop=\"no\" width=\"" + std::to_string(w) + "\" height=\"" +
           std::to_string(h) + "\" color=\"$FF406080\" " + extra + "/>";
}

// A location at (x, y), 100 × 80, needing the listed locations.
inline std::string Location(const std::string& name, int x, int y, const std::string& required) {
    return "<widget type=\"QuillmarchMapLocation\" name=\"" + name +
           "\" visible=\"yes\" anchor_left=\"" + std::to_string(x) + "\" anchor_top=\"" +
           std::to_string(y) + "\" extraparams=\"required=" + required +
           "\\highlight=no\"><widgets>" + Look("locked", 100, 80) +
           "<widget type=\"group_widget\" name=\"available\" visible=\"yes\"><widgets>" +
           Look("bg", 100, 80) +
           "<widget type=\"AnimatedBarControl\" name=\"bar_progress\" visible=\"yes\" "
           "width=\"160\" height=\"8\" maxincrementaldurationtime=\"1000\"><widgets>" +
           Look("bar", 160, 8) +
           "</widgets></widget></widgets></widget>"
           "<widget type=\"group_widget\" name=\"completed\" visible=\"yes\"><widgets>" +
           Look("image", 100, 80) + Look("image_silver", 100, 80) + "</widgets></widget>" +
           "</widgets></widget>";
}

struct TMapOptions {
    int completeDuration = 500;
    bool scenarioGroup = true;
    bool particles = true;
    bool panel = true;
    int scrollDuration = 1000;
};

inline std::string MapScreen(const TMapOptions& o) {
    std::string locations =
        "<widget type=\"group_widget\" name=\"map_locations\" visible=\"yes\"><widgetfactories>" +
        Factory("scenario_complete",
                "<widget type=\"scenario_complete\" name=\"scenario_complete_%name%\" "
                "extraparams=\"location_name=%location_name%\\state_to_set=%state_to_set%"
                "\\duration=" +
                    std::to_string(o.completeDuration) + "\"/>") +
        "</widgetfactories><widgets>" + Location("a", 100, 100, "") + Location("b", 150, 150, "a") +
        Location("c", 600, 400, "a, b") + "</widgets></widget>";
    std::string panel;
    if (o.panel) {
        panel = "<widget type=\"group_widget\" name=\"map_panel\" visible=\"yes\"><widgets>" +
                Look("out_scene", 10, 10) + Look("available_scene", 10, 10) +
                "<widget type=\"group_widget\" name=\"locked_scene\"><widgets>" +
                Look("text", 10, 10) + "</widgets></widget></widgets></widget>";
    }
    std::string factories =
        Factory("scenario_scroll_up",
                "<widget type=\"scenario_scroll_up\" name=\"scenario_scroll_up\" "
                "extraparams=\"duration=" +
                    std::to_string(o.scrollDuration) + "\"/>") +
        Factory("scenario_scroll",
                "<widget type=\"scenario_scroll\" name=\"scenario_scroll\" "
                "extraparams=\"duration=%duration%\\big_mosaic=%big_mosaic%\"/>");
    if (o.particles) factories += Factory("ps", "<widget type=\"map_probe\" name=\"ps\"/>");
    const std::string control =
        "<widget type=\"QuillmarchControlMap\" name=\"map_control\" visible=\"yes\" "
        "mousestop=\"yes\" enabled=\"yes\" width=\"1024\" height=\"768\"><widgetfactories>" +
        factories + "</widgetfactories><widgets>" +
        (o.scenarioGroup ? "<widget type=\"group_widget\" name=\"scenario_group\" visible=\"yes\"/>"
                         : "") +
        "</widgets></widget>";
    const std::string picture =
        "<widget type=\"surface_widget\" name=\"map_surface\" mousestop=\"no\"/>";
    const std::string edge =
        "<widget type=\"map_probe\" name=\"scroll\" visible=\"yes\" mousestop=\"no\" "
        "width=\"1024\" height=\"114\" extraparams=\"start_y=-200\"/>";
    const std::string marker =
        "<widget type=\"QuillmarchMapLevelSmall\" name=\"marker\" visible=\"yes\" "
        "extraparams=\"level_ref=L7\"><widgets>" +
        Look("locked", 10, 10) + Look("current", 10, 10) +
        "<widget type=\"group_widget\" name=\"completed\" visible=\"yes\"><widgets>" +
        Look("expert", 10, 10) + Look("non_expert", 10, 10) +
        "</widgets></widget></widgets></widget>";
    return "<gamescreen name=\"GS_Map\" type=\"QmRecordingMap\"><window><widgets>" +
           Look("background", 1024, 768) + locations + panel + marker + picture + edge + control +
           "</widgets></window></gamescreen>";
}

inline std::string StandIn(const std::string& name, const std::string& widgets = "") {
    return "<gamescreen name=\"" + name +
           "\" type=\"QmMapStandIn\"><window type=\"qm_test_effect_window\"><widgets>" + widgets +
           "</widgets></window></gamescreen>";
}

// Another screen with the scroll transition's picture and edge, and a
// holder whose "scenario_group" takes the scroll scenario, as the scene and
// the big mosaic have them.
inline std::string TransitionScreen() {
    return StandIn(
        "GS_Transition",
        "<widget type=\"surface_widget\" name=\"map_surface\" visible=\"yes\"/>"
        "<widget type=\"map_probe\" name=\"scroll\" visible=\"yes\" width=\"1024\" "
        "height=\"114\"/>"
        "<widget type=\"group_widget\" name=\"holder\" visible=\"yes\"><widgetfactories>" +
            Factory("scenario_scroll",
                    "<widget type=\"scenario_scroll\" name=\"scenario_scroll\" "
                    "extraparams=\"duration=%duration%\\big_mosaic=%big_mosaic%\"/>") +
            "</widgetfactories><widgets>"
            "<widget type=\"group_widget\" name=\"scenario_group\" visible=\"yes\"/>"
            "<widget type=\"map_probe\" name=\"control\"/></widgets></widget>");
}

inline Ref<IParamCollection> Params(std::initializer_list<std::pair<std::string, Variant>> values) {
    const Ref<IParamCollection> params = mapdetail::NewParams();
    for (const auto& [name, value] : values) params->SetValue(name, value);
    return params;
}

class MapTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterMapTestClasses();
        Journal().clear();
    }
    void TearDown() override {
        game_.reset();
        ResetGameShellConfiguration();
        Journal().clear();
    }

    // The game with the map and the stand-ins, a current profile "p" with
    // the given values, not yet on the map.
    void StartGame(const TMapOptions& options = {},
                   std::initializer_list<std::pair<std::string, std::string>> profile = {}) {
        game_.reset();  // one harness at a time
        std::string screens = MapScreen(options);
        for (const char* name :
             {"GS_Scene", "GS_GameBigMosaic", "GS_Final", "GS_MapFirstTime", "GS_LocationLocked"}) {
            screens += StandIn(name);
        }
        screens += TransitionScreen();
        game_ = std::make_unique<TGameHarness>(1024, 768);
        ASSERT_TRUE(game_->Start(gametest::GameOf("", gametest::ScreensOf(screens))));
        game_->Step(1);
        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        profiles->FindOrAdd("p");
        profiles->SetCurrent("p");
        for (const auto& [name, value] : profile) Profile()->SetValue(name, Variant(value));
        // The help was seen, unless a test says otherwise.
        if (Text("show_map").empty()) Profile()->SetValue("show_map", Variant("yes"));
    }

    // Shows the map (with params) and runs one frame.
    void ShowMap(const Ref<IParamCollection>& params = nullptr) {
        ASSERT_TRUE(Game().ShowGameScreen("GS_Map", params));
        game_->Step(1);
    }
    void StartOnMap(std::initializer_list<std::pair<std::string, std::string>> profile = {},
                    const TMapOptions& options = {}) {
        StartGame(options, profile);
        ShowMap();
        Journal().clear();
    }

    // A magic-item store: group = location, item types "layer_1" and
    // "layer_2" with the listed item names.
    void SetMagicItems(const std::string& location, const std::vector<std::string>& layer1,
                       const std::vector<std::string>& layer2) {
        std::string xml = "<magic_items><group name=\"" + location + "\">";
        for (const auto& [type, items] : {std::pair{"layer_1", layer1}, {"layer_2", layer2}}) {
            xml += std::string("<item_type name=\"") + type + "\">";
            for (const std::string& item : items) {
                xml += "<item name=\"" + item + "\"><param name=\"cost\" value=\"1\"/></item>";
            }
            xml += "</item_type>";
        }
        xml += "</group></magic_items>";
        const Ref<TAbstractObject> store = CreateAbstractObject(ClassOf<TGroupsStorage>());
        LoadPersistObject(Ref<IInterface>(store), LoadStorageFromXML(xml));
        Game().SetOptionValue("magic_items", Variant(Ref<IInterface>(store)));
    }

    IGameScreenOwner& Game() const { return *game_->Game(); }
    TGameHarness& Harness() const { return *game_; }
    Ref<IParamCollection> Profile() const {
        return Game().GetUserProfiles()->GetCurrent()->GetParams();
    }
    std::string Text(const std::string& key) const {
        return mapdetail::ProfileText(Profile(), key, "");
    }
    Ref<IWidget> Widget(const std::string& path) const {
        const Ref<IGameScreenSlave> screen = game_->Screen("GS_Map");
        const Ref<IWidget> window = screen ? screen->GetWindowWidget() : nullptr;
        return window ? window->FindWidget(path) : nullptr;
    }
    TQuillmarchGameScreenMap& MapScreenObject() const {
        return dynamic_cast<TQuillmarchGameScreenMap&>(*game_->Screen("GS_Map"));
    }
    TQuillmarchControlMap& Control() const {
        return dynamic_cast<TQuillmarchControlMap&>(*Widget("map_control"));
    }
    TQuillmarchMapLocation& Location(const std::string& name) const {
        return dynamic_cast<TQuillmarchMapLocation&>(*Widget("map_locations/" + name));
    }
    TMapProbe& Probe(const std::string& path) const {
        return dynamic_cast<TMapProbe&>(*Widget(path));
    }
    TMapStandIn& StandInScreen(const std::string& name) const {
        return dynamic_cast<TMapStandIn&>(*game_->Screen(name));
    }
    Ref<IWidget> Scenario(const std::string& name) const {
        return Widget("map_control/scenario_group/" + name);
    }
    int ScenarioCount() const {
        const Ref<IWidget> group = Widget("map_control/scenario_group");
        return group ? group->GetChildren()->GetCount() : 0;
    }
    std::string States() const {
        return Location("a").GetLocationState() + " " + Location("b").GetLocationState() + " " +
               Location("c").GetLocationState();
    }
    bool Visible(const std::string& path) const {
        const Ref<IWidget> widget = Widget(path);
        return widget && widget->GetVisible();
    }

    std::unique_ptr<TGameHarness> game_;
};

}  // namespace maptest
