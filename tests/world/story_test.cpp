// The story screen: every show puts the menu's picture at the top of its
// surface widget, brings the scroll back to its start, runs exactly one new
// scroll scenario and starts the text's reveal again.
#include <gtest/gtest.h>

#include <string>

#include "tests/world/WorldTestSupport.h"
#include "world/GameScreenHistory.h"

namespace {

using namespace worldtest;

std::string Story(bool scenarioGroup = true) {
    return "<gamescreen name=\"GS_History\" type=\"QuillmarchGameScreenHistory\"><window>"
           "<widgets>" +
           std::string(
               R"(<widget type="surface_widget" name="map_surface" visible="no" width="1024"
                          height="100" anchor_top="40"/>)") +
           Leaf("scroll", 0, 300, 1024, 114, 0xFF806040, "extraparams=\"start_y=-120\"") +
           "<widget type=\"qm_property_recorder\" name=\"text_history\" visible=\"yes\"/>" +
           (scenarioGroup ? Group("scenario_group", "") : "") + "</widgets><widgetfactories>" +
           Factory("scenario_scroll",
                   R"(<widget type="qm_game_leaf" name="scroller" visible="yes" paused="yes"/>)") +
           "</widgetfactories></window></gamescreen>";
}

class StoryTest : public WorldTest {
protected:
    TGameHarness& StartStory(bool scenarioGroup = true) {
        TGameHarness& game = Start(GameOf(
            R"(maings="GS_Main")", ScreensOf(ScreenOf("GS_Main", "") + Story(scenarioGroup))));
        game.Step(2);
        Journal().clear();
        return game;
    }
    void ShowStory(const Ref<IParamCollection>& params) {
        if (harness->Top()->GetName() == "GS_History") {
            ASSERT_TRUE(Game().CloseGameScreen(harness->Screen("GS_History"), nullptr));
            harness->Step(1);
        }
        ASSERT_TRUE(Game().ShowGameScreen("GS_History", params));
        harness->Step(3);
    }
    Ref<ISurface> Snapshot() {
        const Ref<ISurface> surface = harness->Engine().CreateSurface();
        surface->SetSize(1024, 768);
        return surface;
    }
    int Reveals() {
        int count = 0;
        for (const std::string& line : Journal()) {
            count += line == "set text_history InitVizualization=yes";
        }
        return count;
    }
};

TEST_F(StoryTest, EachShowRunsOneScrollFromTheTopOverTheMenusPicture) {
    StartStory();
    const Ref<IWidget> map = WidgetOf("GS_History", "map_surface");
    const Ref<IWidget> scroll = WidgetOf("GS_History", "scroll");
    const Ref<IWidget> group = WidgetOf("GS_History", "scenario_group");
    const Ref<ISurface> first = Snapshot();
    const Ref<ISurface> second = Snapshot();
    int shows = 0;
    for (const Ref<ISurface>& picture : {first, second}) {
        SCOPED_TRACE(++shows);
        // Moved and shifted by the scroll of an earlier show.
        map->SetTop(-300);
        map->SetProperty("shifttop", Variant(200));
        scroll->SetTop(500);
        ShowStory(Params({{"surface", Variant(picture)}, {"show_scroll", Variant("yes")}}));
        EXPECT_EQ(map->GetTop(), 0);
        EXPECT_EQ(map->GetProperty("shifttop").ToInt(), 0);
        EXPECT_EQ(map->GetProperty("height").ToInt(), 768);
        EXPECT_EQ(map->GetProperty("surface").ToInterface().get(), Ref<IInterface>(picture).get());
        EXPECT_FALSE(map->GetVisible());  // its visibility is the data's
        EXPECT_EQ(scroll->GetTop(), -120);
        ASSERT_EQ(group->GetChildren()->GetCount(), 1);
        EXPECT_EQ(group->GetChildren()->GetWidgetByIndex(0)->GetName(), "scroller");
        EXPECT_EQ(Reveals(), shows);
    }
    // Shown without parameters: the last picture stays.
    ShowStory(nullptr);
    EXPECT_EQ(map->GetProperty("surface").ToInterface().get(), Ref<IInterface>(second).get());
    EXPECT_EQ(group->GetChildren()->GetCount(), 1);
    EXPECT_EQ(Reveals(), 3);
}

TEST_F(StoryTest, WithoutAScenarioGroupTheRestStillHappens) {
    StartStory(false);
    ShowStory(Params({{"surface", Variant(Snapshot())}}));
    EXPECT_EQ(WidgetOf("GS_History", "scroll")->GetTop(), -120);
    EXPECT_EQ(Reveals(), 1);
    EXPECT_FALSE(WidgetOf("GS_History", "scroller"));
}

}  // namespace
