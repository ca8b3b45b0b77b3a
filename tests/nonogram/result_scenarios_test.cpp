// The reveal of the result lines, frame by frame on the real result screens:
// which line, medal, burst and sound comes when, the pauses for the awards
// earned, the time line's colour, and what happens without the particles or
// a line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/ParticlesFunction.h"
#include "nonogram/ResultScenarios.h"
#include "tests/game/GameShellTestSupport.h"
#include "tests/nonogram/ResultTestSupport.h"

namespace resulttest {
namespace {

using gametest::Journal;

Ref<IParamCollection> ParamsOf(std::initializer_list<std::pair<std::string, Variant>> values) {
    const Ref<IParamCollection> params =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    for (const auto& [name, value] : values) params->SetValue(name, value);
    return params;
}

// Probes at (x, 100 + 10 * i), 20 × 10 each. The lines the screens leave
// as the data has them (the points, the bonus labels, the total) start
// hidden, as a window's data would have them.
std::string Lines(std::initializer_list<const char*> names, int x = 30) {
    std::string text;
    int y = 100;
    for (const char* name : names) {
        const std::string n = name;
        const bool hidden = n == "level_Points" || n.rfind("label_Bonus", 0) == 0 ||
                            n == "total_Points" || n == "crystal_points";
        text += ProbeAt(name, x, y, 20, 10, !hidden);
        y += 10;
    }
    return text;
}

const std::initializer_list<const char*> kStatLines = {
    "level_Points",       "levelTime",     "levelExpertTime", "award_speed",    "label_BonusTime",
    "levelHints",         "award_hint",    "label_BonusHint", "levelErrors",    "award_error",
    "label_BonusMistake", "total_Points",  "crystal_points",  "crystal_error",  "crystal_hint",
    "crystal_speed",      "crystal_total", "levelTips",       "label_levelTips"};

class RevealTest : public gametest::GameShellTest {
protected:
    void StartGame() {
        std::string screens = gametest::PlainScreen("GS_Level", 0, 0, 640, 480, 0xFF000000);
        const std::string common = ScenarioGroup() + Particles() + Lines(kStatLines);
        screens += ResultScreen("GS_Stat", "QuillmarchGameScreenNonogramStat",
                                ScenarioFactory("scenario_stat", "scenario_stat_nonogram"), common);
        screens += ResultScreen(
            "GS_Tips", "QuillmarchGameScreenNonogramStatWithTips",
            ScenarioFactory("scenario_stat_tips", "scenario_stat_nonogram_with_tips"), common,
            R"(<tips><tip name="t"><properties><param name="text" value="Tip"/></properties></tip></tips>)");
        screens += ResultScreen(
            "GS_Bonus", "QuillmarchGameScreenNonogramBonusStat",
            ScenarioFactory("scenario_stat_bonus", "scenario_stat_nonogram_bonus"),
            ScenarioGroup() + Particles() +
                Lines({"title_Result", "levelProgress", "level_Points", "levelHintsBonus",
                       "levelTimeBonus", "levelTotalPoints", "award_record", "award_text"}));
        // The replay screen is the game world's; its widgets stand here.
        screens += gametest::ScreenOf(
            "GS_Replay", ScenarioGroup() + Particles() +
                             Lines({"EarnedBefore", "EarnedNow", "EarnedTotal",
                                    "crystal_EarnedBefore", "crystal_EarnedTotal"}) +
                             R"(<widget type="group_widget" name="bare"><widgets>)" +
                             ScenarioGroup() + Lines({"EarnedBefore"}) + "</widgets></widget>");
        Start(gametest::GameOf("", gametest::ScreensOf(screens)));
        harness->Step(1);
        ASSERT_TRUE(Game().ShowGameScreen("GS_Level", nullptr));
        harness->Step(1);
    }

    static Ref<IParamCollection> Won(bool speed, bool hint, bool error) {
        return ParamsOf({{"level_ref", "lvl"},
                         {"level_time_in_sec", speed ? "10" : "100"},
                         {"level_cup_time", "60"},
                         {"level_hints_used", hint ? "0" : "1"},
                         {"level_errors", error ? "0" : "2"},
                         {"level_points", "100"},
                         {"tip", "t"}});
    }

    void Show(const std::string& screen, const Ref<IParamCollection>& params) {
        ASSERT_TRUE(Game().ShowGameScreen(screen, params));
        shown_ = screen;
        Journal().clear();
    }

    Ref<IWidget> Widget(const std::string& path) const {
        return harness->Screen(shown_)->GetWindowWidget()->FindWidget(path);
    }

    // Frame by frame (10 ms each, the first one at 10): "<ms> <journal
    // line>" for the lines that start with one of the prefixes, and "<ms>
    // end" once the scenario has left its group.
    std::vector<std::string> Run(int frames, std::initializer_list<const char*> prefixes,
                                 const std::string& scenario = "scenario_group/reveal") {
        std::vector<std::string> timeline;
        bool ended = false;
        for (int frame = 1; frame <= frames; ++frame) {
            Journal().clear();
            harness->Step(1);
            const std::string at = std::to_string(frame * 10) + " ";
            for (const std::string& line : Journal()) {
                for (const char* prefix : prefixes) {
                    if (line.rfind(prefix, 0) == 0) {
                        timeline.push_back(at + line);
                        break;
                    }
                }
            }
            if (!ended && !Widget(scenario)) {
                timeline.push_back(at + "end");
                ended = true;
            }
        }
        return timeline;
    }

    // A replay reveal named "reveal", as the replay screen's factory would
    // make it.
    static Ref<IWidget> Reveal() {
        const Ref<IWidget> scenario =
            Query<IWidget>(CreateObjectByName("rec_scenario_replay_level"));
        EXPECT_TRUE(scenario);
        if (scenario) scenario->SetName("reveal");
        return scenario;
    }

    std::string shown_;
};

using Timeline = std::vector<std::string>;

// Every award earned: "enter" waits 200 ms, and each row pauses 200 ms after
// its medal and crystal, each with the medal sound; the total pauses too.
TEST_F(RevealTest, StatisticsWithEveryAwardPauseOnEachMedal) {
    StartGame();
    Show("GS_Stat", Won(true, true, true));
    const Timeline expected = {
        "210 show levelErrors",
        "210 burst 20x10 at 30,180 life 500 count 50",
        "210 picture dropped",
        "210 show award_error",
        "210 restart award_error",
        "210 sound sound_stat_medal",
        "210 show label_BonusMistake",
        "210 burst 20x10 at 30,200 life 500 count 50",
        "210 picture dropped",
        "210 show crystal_error",
        "210 restart crystal_error",
        "210 sound sound_stat_medal",
        "210 sound sound_new_line",
        "410 show levelHints",
        "410 burst 20x10 at 30,150 life 500 count 50",
        "410 picture dropped",
        "410 show award_hint",
        "410 restart award_hint",
        "410 sound sound_stat_medal",
        "410 show label_BonusHint",
        "410 burst 20x10 at 30,170 life 500 count 50",
        "410 picture dropped",
        "410 show crystal_hint",
        "410 restart crystal_hint",
        "410 sound sound_stat_medal",
        "410 sound sound_new_line",
        "610 show levelTime",
        "610 burst 20x10 at 30,110 life 500 count 50",
        "610 picture dropped",
        "610 show levelExpertTime",
        "610 burst 20x10 at 30,120 life 500 count 50",
        "610 picture dropped",
        "610 show award_speed",
        "610 restart award_speed",
        "610 sound sound_stat_medal",
        "610 show label_BonusTime",
        "610 burst 20x10 at 30,140 life 500 count 50",
        "610 picture dropped",
        "610 show crystal_speed",
        "610 restart crystal_speed",
        "610 sound sound_stat_medal",
        "610 sound sound_new_line",
        "810 show total_Points",
        "810 burst 20x10 at 30,210 life 500 count 50",
        "810 picture dropped",
        "810 sound sound_new_line",
        "810 show crystal_total",
        "810 restart crystal_total",
        "810 sound sound_stat_medal",
        "1010 end",
    };
    EXPECT_EQ(Run(110, {"show", "hide", "restart", "burst", "picture", "sound"}), expected);
    // The time line is filled in the colour of a fast level.
    EXPECT_EQ(Widget("levelTime")->GetProperty("drawmode").ToInt(), 1);
    EXPECT_EQ(Widget("levelTime")->GetProperty("fillcolor").ToInt64(), 0xFF5F8B37);
}

// No award: the three rows pass on consecutive frames with their line sound,
// and only the total pauses.
TEST_F(RevealTest, StatisticsWithoutAwardsPassTheRowsAtOnce) {
    StartGame();
    Show("GS_Stat", Won(false, false, false));
    const Timeline expected = {
        "210 show levelErrors",     "210 show label_BonusMistake", "210 sound sound_new_line",
        "220 show levelHints",      "220 show label_BonusHint",    "220 sound sound_new_line",
        "230 show levelTime",       "230 show levelExpertTime",    "230 show label_BonusTime",
        "230 sound sound_new_line", "240 show total_Points",       "240 sound sound_new_line",
        "240 show crystal_total",   "240 sound sound_stat_medal",  "440 end",
    };
    EXPECT_EQ(Run(50, {"show", "hide", "sound"}), expected);
    EXPECT_EQ(Widget("levelTime")->GetProperty("fillcolor").ToInt64(), 0xFFDE4100);
    EXPECT_EQ(Widget("levelTime")->GetProperty("drawmode").ToInt(), 1);
    for (const char* medal : {"award_error", "award_hint", "award_speed", "crystal_error",
                              "crystal_hint", "crystal_speed"}) {
        EXPECT_FALSE(Widget(medal)->GetVisible()) << medal;
    }
}

// One award: only its row pauses.
TEST_F(RevealTest, OnlyTheRowWithItsAwardPauses) {
    StartGame();
    Show("GS_Stat", Won(false, true, false));
    const Timeline expected = {
        "210 sound sound_new_line",   "220 sound sound_stat_medal",
        "220 sound sound_stat_medal", "220 sound sound_new_line",
        "420 sound sound_new_line",   "430 sound sound_new_line",
        "430 sound sound_stat_medal", "630 end",
    };
    EXPECT_EQ(Run(90, {"sound"}), expected);
}

// The tips reveal shows the points first and the tip last, one frame each.
TEST_F(RevealTest, TipsRevealOpensWithThePointsAndEndsWithTheTip) {
    StartGame();
    Show("GS_Tips", Won(false, false, false));
    const Timeline expected = {
        "210 show level_Points",    "210 show crystal_points",     "210 sound sound_new_line",
        "220 show levelErrors",     "220 show label_BonusMistake", "220 sound sound_new_line",
        "230 show levelHints",      "230 show label_BonusHint",    "230 sound sound_new_line",
        "240 show levelTime",       "240 show levelExpertTime",    "240 show label_BonusTime",
        "240 sound sound_new_line", "250 show total_Points",       "250 sound sound_new_line",
        "250 show crystal_total",   "250 sound sound_stat_medal",  "450 show label_levelTips",
        "450 show levelTips",       "450 sound sound_new_line",    "460 end",
    };
    EXPECT_EQ(Run(50, {"show", "hide", "sound"}), expected);
}

// The bonus reveal: a line every 200 ms, then the record medal and its text.
TEST_F(RevealTest, BonusRevealEndsWithTheRecord) {
    for (const char* record : {"yes", "no"}) {
        SCOPED_TRACE(record);
        StartGame();
        Show("GS_Bonus",
             ParamsOf(
                 {{"LevelName", "rome"}, {"level_total_points", "700"}, {"award_record", record}}));
        Timeline expected = {
            "210 show levelProgress",    "210 sound sound_new_line", "410 show level_Points",
            "410 sound sound_new_line",  "610 show levelHintsBonus", "610 sound sound_new_line",
            "810 show levelTimeBonus",   "810 sound sound_new_line", "1010 show levelTotalPoints",
            "1010 sound sound_new_line",
        };
        if (std::string(record) == "yes") {
            for (const char* line :
                 {"1210 show award_record", "1210 restart award_record", "1210 show award_text",
                  "1210 restart award_text", "1210 sound sound_stat_medal", "1410 end"}) {
                expected.push_back(line);
            }
        } else {
            expected.push_back("1220 end");
        }
        EXPECT_EQ(Run(150, {"show", "restart", "sound"}), expected);
    }
}

// The replay reveal: the three lines 200 ms apart, each crystal that is
// there with its line, no medal sound; it ends after the total.
TEST_F(RevealTest, ReplayRevealShowsBeforeNowAndTotal) {
    StartGame();
    Show("GS_Replay", nullptr);
    const Ref<IWidget> group = Widget("scenario_group");
    const Ref<IWidget> scenario = Reveal();
    for (const char* name : {"EarnedBefore", "EarnedNow", "EarnedTotal", "crystal_EarnedBefore",
                             "crystal_EarnedTotal"}) {
        Widget(name)->SetVisible(false);
    }
    group->GetChildren()->AddWidget(scenario);
    Journal().clear();
    const Timeline expected = {
        "210 show EarnedBefore",
        "210 burst 20x10 at 30,100 life 500 count 50",
        "210 show crystal_EarnedBefore",
        "210 restart crystal_EarnedBefore",
        "210 sound sound_new_line",
        "410 show EarnedNow",
        "410 burst 20x10 at 30,110 life 500 count 50",
        "410 sound sound_new_line",
        "610 show EarnedTotal",
        "610 burst 20x10 at 30,120 life 500 count 50",
        "610 show crystal_EarnedTotal",
        "610 restart crystal_EarnedTotal",
        "610 sound sound_new_line",
        "810 end",
    };
    EXPECT_EQ(Run(90, {"show", "restart", "burst", "sound"}), expected);
}

// Without "../ps_statlevel" nothing bursts and the lines still show; a line
// that is not there still plays its sound.
TEST_F(RevealTest, MissingParticlesOrLinesSkipOnlyThemselves) {
    StartGame();
    Show("GS_Replay", nullptr);
    // The group inside "bare" has no particles beside it, and only
    // "EarnedBefore".
    const Ref<IWidget> group = Widget("bare/scenario_group");
    Widget("bare")->SetVisible(true);
    Widget("bare/EarnedBefore")->SetVisible(false);
    group->GetChildren()->AddWidget(Reveal());
    Journal().clear();
    const Timeline expected = {
        "210 show EarnedBefore",
        "210 sound sound_new_line",
        "410 sound sound_new_line",
        "610 sound sound_new_line",
        "810 end",
    };
    EXPECT_EQ(Run(90, {"show", "burst", "sound"}, "bare/scenario_group/reveal"), expected);
}

// A real function particle system whose particles start at the function's
// "create_left" and "create_top" and never die.
std::string RealParticles() {
    const auto defs = [](std::initializer_list<const char*> names, int column) {
        std::string text;
        int row = 0;
        for (const char* name : names) {
            text += std::string("<paramdef name=\"") + name + "\" col=\"" + std::to_string(column) +
                    "\" row=\"" + std::to_string(row++) + "\" static=\"yes\"/>";
        }
        return text;
    };
    return R"(<widget type="function_particle_system" name="ps_statlevel" visible="yes">)"
           "<paramspace><paramdefs>" +
           defs({"dead", "x", "y", "pic", "r", "g", "b", "a"}, 0) + defs({"age", "sx", "sy"}, 1) +
           R"(</paramdefs></paramspace>
        <function name="fn" type="function_complex"><paramspace><paramdefs>
          <paramdef name="systime" col="1" row="0" static="yes"/>
          <paramdef name="rate" col="2" row="0" static="yes" value="0"/>
          <paramdef name="surface" col="2" row="1" static="yes"/>
          <paramdef name="create_left" col="2" row="2" static="yes"/>
          <paramdef name="create_top" col="2" row="3" static="yes"/>
          <paramdef name="add_LifeTime" col="2" row="4" static="yes"/>
        </paramdefs></paramspace>
        <functions>
          <function name="Create" type="function_eval"><paramspace><paramdefs>)" +
           defs({"c_age", "c_sx", "c_sy"}, 0) + R"(
            <paramdef name="count" col="2" row="0" outname="rate"/>
            <paramdef name="index" col="2" row="1" static="yes"/>
            <paramdef name="total_index" col="2" row="2" static="yes"/>
            <paramdef name="cl" col="2" row="3" outname="create_left"/>
            <paramdef name="ct" col="2" row="4" outname="create_top"/>
            </paramdefs></paramspace>
            <expression>c_age := 0
c_sx := cl
c_sy := ct</expression>
          </function>
          <function name="Update" type="function_eval"><paramspace><paramdefs>)" +
           defs({"dead", "x", "y", "pic", "r", "g", "b", "a"}, 0) +
           defs({"u_age", "u_sx", "u_sy"}, 1) + R"(
            </paramdefs></paramspace>
            <expression>dead := 0
x := u_sx
y := u_sy
pic := 0
a := 255</expression>
          </function>
        </functions></function></widget>)";
}

// The burst hands the line's picture and place to the real particle system,
// which emits fifty particles there at once and lets the picture go.
TEST_F(RevealTest, BurstsReachTheRealParticleSystem) {
    Start(gametest::GameOf(
        "", gametest::ScreensOf(gametest::ScreenOf(
                "GS_Real", ScenarioGroup() + RealParticles() +
                               Lines({"EarnedBefore", "EarnedNow", "EarnedTotal"}, 40)))));
    harness->Step(1);
    Show("GS_Real", nullptr);
    auto* system = dynamic_cast<TFunctionParticleSystem*>(Widget("ps_statlevel").get());
    ASSERT_TRUE(system);
    Widget("scenario_group")->GetChildren()->AddWidget(Reveal());
    Run(21, {});
    ASSERT_EQ(system->GetParticleCount(), 50);
    for (const auto& particle : system->Particles()) {
        EXPECT_EQ(ReadCell(particle->values, 1, 1), 40.0);   // create_left
        EXPECT_EQ(ReadCell(particle->values, 1, 2), 100.0);  // create_top
    }
    EXPECT_EQ(system->GetFunction()->GetValue("add_LifeTime"), 500.0);
    EXPECT_EQ(system->GetFunction()->GetValue("surface"), 0.0);
    Run(20, {});
    EXPECT_EQ(system->GetParticleCount(), 100);
    EXPECT_EQ(ReadCell(system->Particles()[99]->values, 1, 2), 110.0);
}

TEST_F(RevealTest, RegisteredNamesMakeTheScenarioClasses) {
    EXPECT_TRUE(
        dynamic_cast<TScenarioNonogramStat*>(CreateObjectByName("scenario_stat_nonogram").get()));
    EXPECT_TRUE(dynamic_cast<TScenarioNonogramStatWithTips*>(
        CreateObjectByName("scenario_stat_nonogram_with_tips").get()));
    EXPECT_TRUE(dynamic_cast<TScenarioNonogramStatBonus*>(
        CreateObjectByName("scenario_stat_nonogram_bonus").get()));
    EXPECT_TRUE(
        dynamic_cast<TScenarioReplayLevel*>(CreateObjectByName("scenario_replay_level").get()));
    // The tips reveal declares its own states in place of the plain one's.
    const Ref<TAbstractObject> tips = CreateObjectByName("scenario_stat_nonogram_with_tips");
    auto* scenario = dynamic_cast<TStateScenario*>(tips.get());
    std::string states;
    for (int32_t i = 0; i < scenario->GetStateCount(); ++i) {
        states += scenario->FindState(i)->name + ">" + scenario->FindState(i)->next + " ";
    }
    EXPECT_EQ(states,
              "enter>show_points show_points>show_errors show_errors>show_hints "
              "show_hints>show_time show_time>show_total_points show_total_points>show_tips "
              "show_tips>exit exit> ");
}

}  // namespace
}  // namespace resulttest
