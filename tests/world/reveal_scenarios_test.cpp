// The shop's item and layer reveals on the real shell: what they show on
// entering, the fades on their own clocks, the particle bursts, and the
// report to the control at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/world/MapTestSupport.h"
#include "world/ItemReveal.h"

namespace {

using namespace maptest;

// A control that records "finalize <params>" for each command 11.
class TRevealControlProbe : public gametest::TGameLeaf {
public:
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override {
        Note("command " + std::to_string(command) + " " + maptest::Describe(params));
        TGameLeaf::ExecuteCommand(command, params);
    }
};

std::string Part(const std::string& name, bool visible, const std::string& inner = "") {
    return "<widget type=\"group_widget\" name=\"" + name + "\" visible=\"" +
           (visible ? "yes" : "no") + "\"><widgets>" + inner + "</widgets></widget>";
}

std::string Picture(const std::string& name, int x, int y, bool visible = true) {
    return "<widget type=\"map_probe\" name=\"" + name + "\" visible=\"" +
           (visible ? "yes" : "no") + "\" anchor_left=\"" + std::to_string(x) +
           "\" anchor_top=\"" + std::to_string(y) +
           "\" width=\"40\" height=\"40\" color=\"$FF406080\"/>";
}

// "japan": layer_1 with the item "vase" at (120, 140) and the picture
// layer_2, hidden, whose background sits at (30, 50). The shop's control
// holds the scenario group, as in the shop screen's data.
std::string Screen(bool particles) {
    const std::string vase =
        "<widget type=\"group_widget\" name=\"vase\" visible=\"yes\" anchor_left=\"120\" "
        "anchor_top=\"140\"><widgets>" +
        Picture("unlocked", 0, 0, false) + Part("locked", true, Picture("shadow", 0, 0)) +
        "</widgets></widget>";
    const std::string locations = Part(
        "locations", true,
        Part("japan", true,
             Part("layer_1", true, Part("items", true, vase)) +
                 Part("layer_2", false, Picture("layer_bg", 30, 50, false))));
    const std::string ps =
        particles ? Factory("ps", "<widget type=\"map_probe\" name=\"ps\"/>") : std::string();
    const std::string factories =
        "<widgetfactories>" +
        Factory("scenario_show_item",
                "<widget type=\"scenario_show_item\" name=\"scenario_show_item\" "
                "extraparams=\"item_name=%item_name%\\duration=%duration%\"><widgetfactories>" +
                    ps + "</widgetfactories></widget>") +
        Factory("scenario_show_layer",
                "<widget type=\"scenario_show_layer\" name=\"scenario_show_layer\" "
                "extraparams=\"layer_path=%layer_path%\\layer=%layer%\\duration=%duration%\">"
                "<widgetfactories>" +
                    ps +
                    "</widgetfactories><widgets><widget type=\"map_probe\" name=\"rect\" "
                    "visible=\"no\" width=\"300\" height=\"200\"/></widgets></widget>") +
        "</widgetfactories>";
    const std::string control =
        "<widget type=\"group_widget\" name=\"control_scene_shop\" visible=\"yes\">" + factories +
        "<widgets><widget type=\"group_widget\" name=\"scenario_group\" visible=\"yes\"/>"
        "<widget type=\"qm_reveal_control\" name=\"control\"/></widgets></widget>";
    return "<gamescreen name=\"GS_SceneShop\" type=\"QmMapStandIn\"><window><widgets>" +
           Look("background", 1024, 768) + locations + control + "</widgets></window></gamescreen>";
}

class RevealScenariosTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterMapTestClasses();
        static const bool registered = [] {
            RegisterObjectClass(ClassOf<TRevealControlProbe>(), "qm_reveal_control");
            return true;
        }();
        (void)registered;
        Journal().clear();
    }
    void TearDown() override {
        game_.reset();
        ResetGameShellConfiguration();
        Journal().clear();
    }
    void StartGame(bool particles = true) {
        game_ = std::make_unique<TGameHarness>(1024, 768);
        ASSERT_TRUE(
            game_->Start(gametest::GameOf("", gametest::ScreensOf(Screen(particles)))));
        game_->Step(1);
        ASSERT_TRUE(game_->Game()->ShowGameScreen("GS_SceneShop", nullptr));
        game_->Step(1);
        Journal().clear();
    }
    Ref<IWidget> Widget(const std::string& path) const {
        return game_->Screen("GS_SceneShop")->GetWindowWidget()->FindWidget(path);
    }
    // A reveal made by the control's factory into its group, as the shop
    // makes it.
    Ref<IWidget> Start(const std::string& factory,
                       std::initializer_list<std::pair<std::string, Variant>> params) {
        const Ref<IWidget> group = Widget("control_scene_shop/scenario_group");
        const Ref<IWidget> made = Query<IWidgetOwner>(Ref<IInterface>(group))
                                      ->CreateFactoryWidget(factory, Params(params));
        EXPECT_TRUE(made);
        if (!made) return nullptr;
        group->GetChildren()->AddWidget(made);
        made->SetProperty("control_game", Variant(Widget("control_scene_shop/control")));
        return made;
    }
    int Level(const std::string& path) const {
        return Widget(path)->GetTransparentLevel();
    }
    std::string Reports() const {
        std::string text;
        for (const std::string& line : Journal()) {
            if (line.rfind("command 11", 0) == 0) text += (text.empty() ? "" : " | ") + line;
        }
        return text;
    }
    int Running() const {
        return Widget("control_scene_shop/scenario_group")->GetChildren()->GetCount();
    }

    std::unique_ptr<TGameHarness> game_;
};

constexpr char kItem[] = "locations/japan/layer_1/items/vase";

TEST_F(RevealScenariosTest, AnItemFadesInOver800MillisecondsAndReportsItsName) {
    StartGame();
    ASSERT_TRUE(Start("scenario_show_item", {{"item_name", Variant("japan/layer_1/items/vase")},
                                             {"duration", Variant("1000")}}));
    // One frame passes "enter" and begins "show_item" with the burst from the
    // silhouette.
    game_->Step(1);
    EXPECT_TRUE(Widget(std::string(kItem) + "/unlocked")->GetVisible());
    EXPECT_EQ(Level(std::string(kItem) + "/unlocked"), 0);
    EXPECT_FALSE(Widget(std::string(kItem) + "/locked")->GetVisible());

    const Ref<IWidget> ps = Widget("control_scene_shop/scenario_group/scenario_show_item/ps");
    ASSERT_TRUE(ps);
    TMapProbe& probe = dynamic_cast<TMapProbe&>(*ps);
    EXPECT_EQ(probe.values.at("init_creation_count").ToInt(), 500);
    EXPECT_EQ(probe.values.at("delta_step").ToInt(), -1);
    EXPECT_TRUE(Query<ISurface>(probe.values.at("surface").ToInterface()));
    EXPECT_EQ(std::count(Journal().begin(), Journal().end(), "command ps 2"), 1);
    EXPECT_DOUBLE_EQ(ps->GetLeft(), 120.0);
    EXPECT_DOUBLE_EQ(ps->GetTop(), 140.0);
    EXPECT_TRUE(ps->GetVisible());
    EXPECT_FALSE(ps->GetPaused());

    struct Step {
        int ms;
        int level;
    };
    // 255 × t / 800, halves to even: 127.5 at 400 ms is 128.
    const Step steps[] = {{400, 128}, {200, 191}, {200, 255}, {150, 255}};
    for (const Step& step : steps) {
        game_->Step(1, step.ms);
        SCOPED_TRACE(step.ms);
        EXPECT_EQ(Level(std::string(kItem) + "/unlocked"), step.level);
    }
    EXPECT_EQ(Reports(), "");
    game_->Step(1, 50);  // 1000 ms: "exit"
    EXPECT_EQ(Reports(),
              "command 11 scenario_to_finalize=scenario_show_item,"
              "item_name=japan/layer_1/items/vase");
    EXPECT_EQ(Running(), 0);
    EXPECT_EQ(Level(std::string(kItem) + "/unlocked"), 255);
}

TEST_F(RevealScenariosTest, AShortDurationLeavesTheItemPartlyTransparentAndStillReports) {
    StartGame();
    ASSERT_TRUE(Start("scenario_show_item", {{"item_name", Variant("japan/layer_1/items/vase")},
                                             {"duration", Variant("500")}}));
    game_->Step(1);
    game_->Step(1, 400);
    game_->Step(1, 100);  // 500 ms: done, at 255 × 500 / 800
    EXPECT_EQ(Level(std::string(kItem) + "/unlocked"), 159);
    EXPECT_NE(Reports(), "");
    EXPECT_EQ(Running(), 0);
}

TEST_F(RevealScenariosTest, ALayerFadesInOver1200MillisecondsAndReportsTheLayerAsGiven) {
    StartGame();
    ASSERT_TRUE(Start("scenario_show_layer", {{"layer_path", Variant("japan/layer_2")},
                                              {"layer", Variant("layer_2")},
                                              {"duration", Variant("1500")}}));
    game_->Step(1);
    EXPECT_TRUE(Widget("locations/japan/layer_2")->GetVisible());
    EXPECT_TRUE(Widget("locations/japan/layer_2/layer_bg")->GetVisible());
    EXPECT_EQ(Level("locations/japan/layer_2/layer_bg"), 0);
    const Ref<IWidget> ps = Widget("control_scene_shop/scenario_group/scenario_show_layer/ps");
    ASSERT_TRUE(ps);
    EXPECT_EQ(dynamic_cast<TMapProbe&>(*ps).values.at("init_creation_count").ToInt(), 250);
    EXPECT_TRUE(
        Query<ISurface>(dynamic_cast<TMapProbe&>(*ps).values.at("surface").ToInterface()));
    EXPECT_DOUBLE_EQ(ps->GetLeft(), 30.0);
    EXPECT_DOUBLE_EQ(ps->GetTop(), 50.0);
    struct Step {
        int ms;
        int level;
    };
    const Step steps[] = {{600, 128}, {300, 191}, {300, 255}, {250, 255}};
    for (const Step& step : steps) {
        game_->Step(1, step.ms);
        SCOPED_TRACE(step.ms);
        EXPECT_EQ(Level("locations/japan/layer_2/layer_bg"), step.level);
    }
    EXPECT_EQ(Reports(), "");
    game_->Step(1, 50);
    EXPECT_EQ(Reports(), "command 11 scenario_to_finalize=scenario_show_layer,layer=layer_2");
    EXPECT_EQ(Running(), 0);
}

TEST_F(RevealScenariosTest, MissingPiecesAreSkippedAndTheEndIsReportedAllTheSame) {
    StartGame(/*particles=*/false);
    // No such item, and no "ps" factory: nothing to show, but the shop must
    // still hear that the reveal is over.
    ASSERT_TRUE(Start("scenario_show_item", {{"item_name", Variant("japan/layer_1/items/none")},
                                             {"duration", Variant("100")}}));
    ASSERT_TRUE(Start("scenario_show_layer", {{"layer_path", Variant("japan/layer_9")},
                                              {"layer", Variant("layer_9")},
                                              {"duration", Variant("100")}}));
    game_->Step(2);
    EXPECT_FALSE(Widget("control_scene_shop/scenario_group/scenario_show_item/ps"));
    game_->Step(3, 100);
    EXPECT_EQ(Reports(),
              "command 11 scenario_to_finalize=scenario_show_item,"
              "item_name=japan/layer_1/items/none | "
              "command 11 scenario_to_finalize=scenario_show_layer,layer=layer_9");
    EXPECT_EQ(Running(), 0);
    EXPECT_TRUE(Widget(std::string(kItem) + "/locked")->GetVisible());
}

TEST_F(RevealScenariosTest, AControlThatIsGoneHearsNothingAndNothingBreaks) {
    StartGame();
    const Ref<IWidget> reveal = Start(
        "scenario_show_item",
        {{"item_name", Variant("japan/layer_1/items/vase")}, {"duration", Variant("100")}});
    ASSERT_TRUE(reveal);
    // The control leaves the tree while the reveal runs.
    Widget("control_scene_shop")->GetChildren()->Delete(Variant("control"));
    game_->Step(4, 100);
    EXPECT_EQ(Reports(), "");
    EXPECT_EQ(Running(), 0);
}

}  // namespace
