// The medallion: every part's state from the profile, a part's pictures
// following its state, and the reveal of one part with the effect over its
// place, the sound, and an end once the effect's time has passed.
#include <gtest/gtest.h>

#include <string>

#include "tests/world/WorldTestSupport.h"
#include "world/Medallion.h"

namespace {

using namespace worldtest;

// A part at x, y with a 40 × 30 gold and a 40 × 30 silver picture (tibet
// has no silver one).
std::string Part(const std::string& name, int x, int y) {
    std::string pictures =
        Leaf("gold", 0, 0, 40, 30, 0xFFFFD700, "extraparams=\"resourcename=" + name + "_gold\"");
    if (name != "tibet") {
        pictures += Leaf("silver", 0, 0, 40, 30, 0xFFC0C0C0,
                         "extraparams=\"resourcename=" + name + "_silver\"");
    }
    return "<widget type=\"QuillmarchMedallionElement\" name=\"" + name +
           "\" visible=\"no\" anchor_left=\"" + std::to_string(x) + "\" anchor_top=\"" +
           std::to_string(y) + "\"><widgets>" + pictures + "</widgets></widget>";
}

// The effect keeps what it was made with, and lasts 300 ms.
std::string Medallion(bool scenarioGroup = true) {
    return R"(<widget type="QuillmarchControlMedallion" name="medallion" visible="yes"
                      width="300" height="300"><widgets>)" +
           Group("elements", Part("japan", 10, 20) + Part("rome", 50, 60) + Part("tibet", 90, 20)) +
           (scenarioGroup ? Group("scenario_group", "") : "") + "</widgets><widgetfactories>" +
           Factory("scenario_show_medallion_part",
                   R"(<widget type="scenario_show_medallion_part" name="reveal" visible="yes"
                        location_name="%location_name%" location_expert="%location_expert%">)" +
                       CountedSound("sound_stat_medal") + "</widget>") +
           Factory("effect_part",
                   R"(<widget type="qm_game_leaf" name="effect_part" visible="yes"
                        extraparams="durationtime=300\res=%resourcename%\w=%width%\h=%height%\x=%anchor_left%\y=%anchor_top%"/>)") +
           "</widgetfactories></widget>";
}

class MedallionTest : public WorldTest {
protected:
    TGameHarness& StartMedallion(bool scenarioGroup = true) {
        TGameHarness& game = StartWorld(
            GameOf(R"(maings="GS_Main")",
                   SoundResources() + ScreensOf(ScreenOf("GS_Main", Medallion(scenarioGroup)))));
        game.Step(1);
        return game;
    }
    Ref<IWidget> Find(const std::string& path) { return WidgetOf("GS_Main", "medallion/" + path); }
    void Command(int32_t command, const Ref<IParamCollection>& params = nullptr) {
        WidgetOf("GS_Main", "medallion")->ExecuteCommand(command, params);
    }
    std::string State(const std::string& part) {
        return Find("elements/" + part)->GetProperty("state").ToString();
    }
    int32_t Scenarios() { return Find("scenario_group")->GetChildren()->GetCount(); }
    std::string Extra(const Ref<IWidget>& widget, const std::string& name) {
        return widget->GetProperty(name).ToString();
    }
};

TEST_F(MedallionTest, EachPartsStateComesFromTheProfile) {
    struct Case {
        const char* state;
        const char* expert;  // null: absent
        const char* part;
    } cases[] = {
        {"completed", "yes", "gold"},  {"completed", nullptr, "silver"},
        {"completed", "no", "silver"}, {"available", "yes", "empty"},
        {nullptr, "yes", "empty"},     {"Completed", "yes", "empty"},
    };
    StartMedallion();
    int player = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.state ? c.state : "-") + "/" + (c.expert ? c.expert : "-"));
        const Ref<IParamCollection> profile = Profile("player" + std::to_string(++player));
        if (c.state) profile->SetValue("location_state_japan", Variant(c.state));
        if (c.expert) profile->SetValue("expert_location_japan", Variant(c.expert));
        Command(kCommandShowMedallion);
        EXPECT_EQ(State("japan"), c.part);
        EXPECT_EQ(State("rome"), "empty");
        EXPECT_TRUE(Find("elements/japan")->GetVisible());
        EXPECT_EQ(Find("elements/japan/gold")->GetVisible(), std::string(c.part) == "gold");
        EXPECT_EQ(Find("elements/japan/silver")->GetVisible(), std::string(c.part) == "silver");
    }
}

TEST_F(MedallionTest, WithoutAProfileNothingChanges) {
    StartMedallion();
    Command(kCommandShowMedallion);
    EXPECT_EQ(State("japan"), "");
    EXPECT_FALSE(Find("elements/japan")->GetVisible());
}

TEST_F(MedallionTest, AnElementsPicturesFollowItsState) {
    StartMedallion();
    const Ref<IWidget> japan = Find("elements/japan");
    const Ref<IWidget> tibet = Find("elements/tibet");
    for (const char* state : {"gold", "silver", "empty", "gold", ""}) {
        SCOPED_TRACE(state);
        japan->SetProperty("state", Variant(state));
        tibet->SetProperty("state", Variant(state));  // no silver picture: skipped
        EXPECT_EQ(japan->GetProperty("state").ToString(), state);
        EXPECT_EQ(Find("elements/japan/gold")->GetVisible(), std::string(state) == "gold");
        EXPECT_EQ(Find("elements/japan/silver")->GetVisible(), std::string(state) == "silver");
        EXPECT_EQ(Find("elements/tibet/gold")->GetVisible(), std::string(state) == "gold");
    }
}

TEST_F(MedallionTest, RevealingAPartPlaysItsPictureForTheEffectsTime) {
    TGameHarness& game = StartMedallion();
    const Ref<IParamCollection> profile = Profile();
    profile->SetValue("location_state_rome", Variant("completed"));
    profile->SetValue("location_state_japan", Variant("completed"));
    profile->SetValue("expert_location_japan", Variant("yes"));
    const size_t sounds = Sounds();
    Command(kCommandShowMedallionPart,
            Params({{"location_name", Variant("rome")}, {"location_expert", Variant("no")}}));
    // Every part refreshed, the revealed one hidden.
    EXPECT_EQ(State("japan"), "gold");
    EXPECT_EQ(State("rome"), "silver");
    EXPECT_TRUE(Find("elements/japan")->GetVisible());
    EXPECT_FALSE(Find("elements/rome")->GetVisible());
    ASSERT_EQ(Scenarios(), 1);

    game.Step(2);  // "enter", then "show"
    const Ref<IWidget> effect = Find("scenario_group/effect_part");
    ASSERT_TRUE(effect);
    EXPECT_EQ(Extra(effect, "res"), "rome_silver");
    EXPECT_EQ(Extra(effect, "w"), "40");
    EXPECT_EQ(Extra(effect, "h"), "30");
    EXPECT_EQ(Extra(effect, "x"), "50");
    EXPECT_EQ(Extra(effect, "y"), "60");
    EXPECT_EQ(Sounds(), sounds + 1);

    // 300 ms after the reveal began the scenario ends, and its parent drops it.
    game.Step(28);
    EXPECT_TRUE(Find("scenario_group/reveal"));
    game.Step(4);
    EXPECT_FALSE(Find("scenario_group/reveal"));
    EXPECT_EQ(Sounds(), sounds + 1);
    EXPECT_FALSE(Find("elements/rome")->GetVisible());  // until the next refresh
    Command(kCommandShowMedallion);
    EXPECT_TRUE(Find("elements/rome")->GetVisible());
}

TEST_F(MedallionTest, APartWithoutItsPictureEndsAtOnceAfterTheSound) {
    struct Case {
        const char* location;
        const char* expert;
    } cases[] = {{"tibet", "no"}, {"nowhere", "yes"}, {"", "no"}};
    TGameHarness& game = StartMedallion();
    Profile();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        const size_t sounds = Sounds();
        Command(kCommandShowMedallionPart, Params({{"location_name", Variant(c.location)},
                                                   {"location_expert", Variant(c.expert)}}));
        EXPECT_TRUE(Find("elements")->GetVisible());
        game.Step(2);
        EXPECT_FALSE(Find("scenario_group/effect_part"));
        EXPECT_EQ(Sounds(), sounds + 1);
        game.Step(2);
        EXPECT_EQ(Scenarios(), 0);
    }
}

TEST_F(MedallionTest, AnyCommandFirstStopsARunningReveal) {
    TGameHarness& game = StartMedallion();
    Profile();
    for (int32_t command : {kCommandShowMedallion, 5}) {
        Command(kCommandShowMedallionPart, Params({{"location_name", Variant("japan")}}));
        game.Step(3);
        ASSERT_EQ(Scenarios(), 2);  // the reveal and its effect
        Command(command);
        EXPECT_EQ(Scenarios(), 0) << command;
        game.Step(1);
    }
}

TEST_F(MedallionTest, WithoutAScenarioGroupItLogsOnceAndRevealsNothing) {
    TGameHarness& game = StartMedallion(false);
    EXPECT_TRUE(game.Log().Has({"WORLD", "scenario_group"}));
    Profile()->SetValue("location_state_rome", Variant("completed"));
    Command(kCommandShowMedallionPart, Params({{"location_name", Variant("rome")}}));
    game.Step(3);
    EXPECT_EQ(State("rome"), "silver");
    EXPECT_FALSE(Find("elements/rome")->GetVisible());
}

}  // namespace
