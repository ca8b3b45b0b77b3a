// The result screens on the real game shell: the awards and the total, the
// medals and the trophies in the current profile (counted once per result),
// the bonus trophies by location, the score submission, the tips, the
// miniature, the failed and level information screens, and the profile
// written and read back.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/base/Random.h"
#include "core/storage/XMLStorage.h"
#include "game/UserProfiles.h"
#include "nonogram/ResultScreens.h"
#include "tests/game/GameShellTestSupport.h"
#include "tests/nonogram/ResultTestSupport.h"
#include "tests/support/TempDir.h"

namespace resulttest {
namespace {

using gametest::Journal;
using gametest::JournalHas;
using gametest::ParamsText;

Ref<IParamCollection> ParamsOf(std::initializer_list<std::pair<std::string, Variant>> values) {
    const Ref<IParamCollection> params =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    for (const auto& [name, value] : values) params->SetValue(name, value);
    return params;
}

// The statistics widgets; names in `without` are left out.
std::string StatWidgets(const std::vector<std::string>& without = {}) {
    const auto has = [&](const std::string& name) {
        for (const std::string& w : without) {
            if (w == name) return false;
        }
        return true;
    };
    std::string text = R"(<widget type="group_widget" name="grid" visible="yes"/>)" +
                       ScenarioGroup() + Particles();
    int y = 0;
    for (const char* name :
         {"level_Points",    "levelTime",     "levelExpertTime",    "award_speed",
          "label_BonusTime", "levelHints",    "award_hint",         "label_BonusHint",
          "levelErrors",     "award_error",   "label_BonusMistake", "total_Points",
          "crystal_points",  "crystal_error", "crystal_hint",       "crystal_speed",
          "crystal_total",   "levelTips",     "label_levelTips",    "button_ok",
          "button_restart"}) {
        if (has(name)) text += ProbeAt(name, 30, y += 12);
    }
    return text;
}

// The miniature's factories for 2 × 3 pictures: a frame at (10.6, 20.4) and
// 4 × 5 cells coloured by their factory (the digit, or 0 for black).
std::string MiniatureFactories() {
    std::string text = nonogramtest::Factory(
        "grid_frame_2_3",
        R"(<widget type="result_probe" name="frame" visible="yes" anchor_left="10.6" anchor_top="20.4" width="20" height="16"/>)");
    const auto cell = [](const std::string& colour) {
        return "<widget type=\"result_probe\" name=\"%name%\" visible=\"yes\" "
               "anchor_left=\"%anchor_left%\" anchor_top=\"%anchor_top%\" width=\"4\" "
               "height=\"5\" color=\"" +
               colour + "\"/>";
    };
    for (int d = 1; d <= 5; ++d) {
        text +=
            nonogramtest::Factory("grid_cell_2_3_" + std::to_string(d), cell(std::to_string(d)));
    }
    return text + nonogramtest::Factory("grid_cell_black_2_3", cell("0"));
}

std::string Tips() {
    return R"(<tips>
        <tip name="tip_one"><properties><param name="text" value="one"/><param name="probability" value="1"/></properties></tip>
        <tip name="tip_never"><properties><param name="text" value="never"/><param name="probability" value="0"/></properties></tip>
        <tip name="tip_three"><properties><param name="text" value="three"/><param name="probability" value="3"/></properties></tip>
      </tips>)";
}

std::string BonusWidgets() {
    std::string text = ScenarioGroup() + Particles();
    int y = 0;
    for (const char* name : {"title_Result", "levelProgress", "level_Points", "total_Points",
                             "levelHintsBonus", "levelTimeBonus", "levelTotalPoints",
                             "award_record", "award_text", "button_ok", "button_submit"}) {
        text += ProbeAt(name, 30, y += 12);
    }
    return text;
}

// The trophy limits of the game definition.
std::string Limits(const std::map<std::string, std::string>& limits) {
    std::string text = "<params>";
    for (const auto& [name, value] : limits) {
        text += "<param name=\"" + name + "\" value=\"" + value + "\"/>";
    }
    return text + "</params>";
}

const std::map<std::string, std::string> kLimits = {
    {"trophy_error_small_limit", "2"},  {"trophy_hint_small_limit", "2"},
    {"trophy_speed_small_limit", "2"},  {"trophy_error_big_limit", "4"},
    {"trophy_hint_big_limit", "4"},     {"trophy_speed_big_limit", "abc"},
    {"trophy_bonus_rome_limit", "500"}, {"trophy_bonus_japan_limit", "0"},
};

class ResultScreensTest : public gametest::GameShellTest {
protected:
    // The game: "GS_Level" (the screen below the results), the statistics
    // with tips, a plain statistics screen lacking the hint label, the bonus,
    // failed and level information screens, and stand-ins for the screens
    // the results open.
    void StartGame(const std::map<std::string, std::string>& limits = kLimits,
                   bool withTrophyScreen = true) {
        std::string screens = gametest::PlainScreen("GS_Level", 0, 0, 640, 480, 0xFF000000);
        screens +=
            ResultScreen("GS_StatNonogramWithTips", "QuillmarchGameScreenNonogramStatWithTips",
                         ScenarioFactory("scenario_stat_tips", "scenario_stat_nonogram_with_tips") +
                             MiniatureFactories(),
                         StatWidgets(), Tips());
        screens += ResultScreen("GS_StatPartial", "QuillmarchGameScreenNonogramStat",
                                ScenarioFactory("scenario_stat", "scenario_stat_nonogram"),
                                StatWidgets({"label_BonusHint"}));
        screens += ResultScreen(
            "GS_StatNonogramBonus", "QuillmarchGameScreenNonogramBonusStat",
            ScenarioFactory("scenario_stat_bonus", "scenario_stat_nonogram_bonus"), BonusWidgets());
        screens += ResultScreen("GS_FailedNonogram", "QuillmarchGameScreenNonogramFailed", "",
                                ProbeAt("button_restart", 0, 0) + ProbeAt("button_map", 0, 20));
        screens += ResultScreen(
            "GS_LevelInfo", "QuillmarchGameScreenLevelInfo", "",
            ProbeAt("location_name", 0, 0) + ProbeAt("level", 0, 20) + ProbeAt("size", 0, 40));
        for (const char* name : {"GS_Trophy", "GS_SubmitScore", "GS_OnlineScores"}) {
            if (!withTrophyScreen && std::string(name) == "GS_Trophy") continue;
            screens += gametest::PlainScreen(name, 0, 0, 10, 10, 0xFF000000);
        }
        Start(gametest::GameOf("", Limits(limits) + gametest::ScreensOf(screens)));
        harness->Step(1);
        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        profiles->FindOrAdd("player");
        profiles->SetCurrent("player");
        ASSERT_TRUE(Game().ShowGameScreen("GS_Level", nullptr));
        harness->Step(1);
    }

    Ref<IParamCollection> Profile() const {
        return Game().GetUserProfiles()->GetCurrent()->GetParams();
    }
    std::string ProfileText(const std::string& key) const {
        return Profile()->GetValue(key, Variant("-")).ToString();
    }

    // A won level's parameters as the board sends them.
    static Ref<IParamCollection> WonLevel(int timeInSec, int cupTime, int hintsUsed, int errors,
                                          const std::string& levelRef = "lvl3") {
        return ParamsOf({{"Level", 3},
                         {"level_ref", levelRef},
                         {"level_time", "1:05"},
                         {"level_time_in_sec", timeInSec},
                         {"level_cup_time", std::to_string(cupTime)},
                         {"level_errors", std::to_string(errors)},
                         {"level_hints_used", hintsUsed},
                         {"location_name", "japan"},
                         {"level_time_bonus", "50"},
                         {"level_hint_bonus", "30"},
                         {"level_mistake_bonus", "20"},
                         {"hints", "3"},
                         {"tip", "tip_one"},
                         {"level_points", "100"},
                         {"level_completed", "yes"}});
    }

    void ShowResults(const std::string& screen, const Ref<IParamCollection>& params) {
        ASSERT_TRUE(Game().ShowGameScreen(screen, params));
        harness->Step(1);
    }
    TQuillmarchGameScreenNonogramStat* Stat(const std::string& name = "GS_StatNonogramWithTips") {
        return dynamic_cast<TQuillmarchGameScreenNonogramStat*>(harness->Screen(name).get());
    }
    TResultProbe* ProbeOf(const std::string& screen, const std::string& path) const {
        const Ref<IWidget> window = harness->Screen(screen)->GetWindowWidget();
        return dynamic_cast<TResultProbe*>(window->FindWidget(path).get());
    }
    // A click of the button as the screen is told of it.
    void Press(const std::string& screen, const std::string& button) {
        const Ref<IGameScreenSlave> s = harness->Screen(screen);
        const Ref<IWidget> sender = s->GetWindowWidget()->FindWidget(button);
        ASSERT_TRUE(sender) << button;
        Query<IEventHandler>(s)->HandleEvent(sender, 1, nullptr);
    }
    // The results the screen below received from that screen; "none" when
    // it was not closed.
    static std::string ClosedWith(const std::string& screen,
                                  const std::string& below = "GS_Level") {
        const std::string prefix = "closed " + below + " " + screen + " ";
        std::string found = "none";
        int count = 0;
        for (const std::string& line : Journal()) {
            if (line.rfind(prefix, 0) == 0) {
                found = line.substr(prefix.size());
                ++count;
            }
        }
        return count > 1 ? "closed " + std::to_string(count) + " times" : found;
    }
    static int Count(const std::string& line) {
        int n = 0;
        for (const std::string& l : Journal()) n += l == line;
        return n;
    }
};

// The speed award holds up to the expert time in whole seconds; the hint and
// error awards need none used; the total is the points plus each bonus
// earned.
TEST_F(ResultScreensTest, AwardsLabelsAndTotalFollowTheLevel) {
    struct Case {
        int time, cup, hints, errors;
        const char* speed;
        const char* hint;
        const char* error;
        const char* timeLabel;
        const char* hintLabel;
        const char* errorLabel;
        int total;
    };
    const Case cases[] = {
        {60, 60, 0, 0, "yes", "yes", "yes", "+50", "+30", "+20", 200},
        {61, 60, 0, 0, "no", "yes", "yes", "+ 0", "+30", "+20", 150},
        {0, 60, 1, 0, "yes", "no", "yes", "+50", "+ 0", "+20", 170},
        {10, 60, 0, 2, "yes", "yes", "no", "+50", "+30", "+ 0", 180},
        {3725, 60, 4, 3, "no", "no", "no", "+ 0", "+ 0", "+ 0", 100},
    };
    StartGame();
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.time << "s of " << c.cup << ", " << c.hints
                                          << " hints, " << c.errors << " errors");
        ShowResults("GS_StatNonogramWithTips", WonLevel(c.time, c.cup, c.hints, c.errors));
        const Ref<IParamCollection> results = Stat()->GetResultParams();
        EXPECT_EQ(ParamsText(results), std::string("level_ref=lvl3,award_speed=") + c.speed +
                                           ",award_hint=" + c.hint + ",award_error=" + c.error +
                                           ",level_total_points=" + std::to_string(c.total));
        const std::string s = "GS_StatNonogramWithTips";
        EXPECT_EQ(ProbeOf(s, "label_BonusTime")->Text(), c.timeLabel);
        EXPECT_EQ(ProbeOf(s, "label_BonusHint")->Text(), c.hintLabel);
        EXPECT_EQ(ProbeOf(s, "label_BonusMistake")->Text(), c.errorLabel);
        EXPECT_EQ(ProbeOf(s, "total_Points")->Text(), std::to_string(c.total));
        EXPECT_EQ(ProbeOf(s, "level_Points")->Text(), "100");
        EXPECT_EQ(ProbeOf(s, "levelTime")->Text(), "1:05");
        EXPECT_EQ(ProbeOf(s, "levelExpertTime")->Text(), "1:00");
        EXPECT_EQ(ProbeOf(s, "levelHints")->Text(), std::to_string(c.hints));
        EXPECT_EQ(ProbeOf(s, "levelErrors")->Text(), std::to_string(c.errors));
        // The lines and medals wait for the reveal.
        for (const char* hidden :
             {"levelTime", "levelExpertTime", "award_speed", "levelHints", "award_hint",
              "levelErrors", "award_error", "crystal_total", "levelTips", "label_levelTips"}) {
            EXPECT_FALSE(ProbeOf(s, hidden)->GetVisible()) << hidden;
        }
        Game().CloseGameScreen(harness->Screen(s), nullptr);
        harness->Step(2);
    }
}

// A row without its bonus label is not written and adds nothing; the screen
// without a tip list still shows everything else.
TEST_F(ResultScreensTest, ARowWithoutItsLabelIsLeftOut) {
    StartGame();
    ShowResults("GS_StatPartial", WonLevel(60, 60, 0, 0));
    EXPECT_EQ(ParamsText(Stat("GS_StatPartial")->GetResultParams()),
              "level_ref=lvl3,award_speed=yes,award_error=yes,level_total_points=170");
    EXPECT_EQ(ProbeOf("GS_StatPartial", "levelHints")->Text(), "0");
    // The plain statistics screen starts its own reveal.
    EXPECT_TRUE(
        harness->Screen("GS_StatPartial")->GetWindowWidget()->FindWidget("scenario_group/reveal"));
}

// Missing measurements earn no award (and no bonus by default); words where
// numbers belong count 0; no parameters at all leave the results empty.
TEST_F(ResultScreensTest, MissingOrBrokenResultParametersAreRefusedCleanly) {
    StartGame();
    const Ref<IParamCollection> partial = ParamsOf({{"level_ref", "lvl3"},
                                                    {"level_points", "lots"},
                                                    {"level_time_in_sec", "12"},
                                                    {"level_time_bonus", "50"},
                                                    {"level_hint_bonus", "30"},
                                                    {"level_mistake_bonus", "20"}});
    ShowResults("GS_StatNonogramWithTips", partial);
    EXPECT_EQ(ParamsText(Stat()->GetResultParams()),
              "level_ref=lvl3,award_speed=no,award_hint=no,award_error=no,level_total_points=0");
    const std::string s = "GS_StatNonogramWithTips";
    EXPECT_EQ(ProbeOf(s, "level_Points")->Text(), "lots");
    EXPECT_EQ(ProbeOf(s, "levelErrors")->Text(), "0");
    EXPECT_EQ(ProbeOf(s, "levelExpertTime")->Text(), "0:00");
    Game().CloseGameScreen(harness->Screen(s), nullptr);
    harness->Step(2);

    ShowResults(s, nullptr);
    EXPECT_EQ(ParamsText(Stat()->GetResultParams()), "");
    // The reveal is still made.
    EXPECT_TRUE(harness->Screen(s)->GetWindowWidget()->FindWidget("scenario_group/reveal"));
    Journal().clear();
    Press(s, "button_ok");
    harness->Step(2);
    EXPECT_EQ(ClosedWith(s), "restart_game=no");
    EXPECT_EQ(ProfileText("error_medals"), "-");
}

// Without a level reference there is no per-level flag to stop the next
// count: such a result counts no medal.
TEST_F(ResultScreensTest, AResultWithoutLevelReferenceCountsNoMedals) {
    StartGame();
    ShowResults("GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0, ""));
    Press("GS_StatNonogramWithTips", "button_ok");
    harness->Step(2);
    EXPECT_EQ(ProfileText("error_medals"), "-");
    EXPECT_EQ(ProfileText("speed_medals"), "-");
    EXPECT_TRUE(harness->Log().Has({"counts no medals"}));
}

// "button_ok" counts each award once per level; the per-level flags the
// location scene writes stop a second count, but the trophy check still
// runs.
TEST_F(ResultScreensTest, MedalsCountOncePerLevel) {
    StartGame();
    ShowResults("GS_StatNonogramWithTips", WonLevel(61, 60, 0, 0));
    Journal().clear();
    Press("GS_StatNonogramWithTips", "button_ok");
    harness->Step(2);
    EXPECT_EQ(ProfileText("error_medals"), "1");
    EXPECT_EQ(ProfileText("hint_medals"), "1");
    EXPECT_EQ(ProfileText("speed_medals"), "-");
    EXPECT_EQ(ClosedWith("GS_StatNonogramWithTips"),
              "level_ref=lvl3,award_speed=no,award_hint=yes,award_error=yes,"
              "level_total_points=150,restart_game=no");
    EXPECT_FALSE(JournalHas("show GS_Trophy -"));

    // The location scene recorded the level's awards; the same level again.
    Profile()->SetValue("award_errorlvl3", Variant("yes"));
    Profile()->SetValue("award_hintlvl3", Variant("yes"));
    // A limit met meanwhile is still granted by this check.
    Profile()->SetValue("error_medals", Variant(2));
    ShowResults("GS_StatNonogramWithTips", WonLevel(61, 60, 0, 0));
    Journal().clear();
    Press("GS_StatNonogramWithTips", "button_ok");
    harness->Step(1);
    EXPECT_EQ(ProfileText("error_medals"), "2");
    EXPECT_EQ(ProfileText("hint_medals"), "1");
    EXPECT_EQ(ProfileText("trophy_error_small"), "yes");
    EXPECT_EQ(ProfileText("show_trophy"), "trophy_error_small,");
    EXPECT_TRUE(JournalHas("show GS_Trophy -"));
}

// Two clicks before the screen has gone, or a second click because the
// trophy screen could not open, never count the medals twice.
TEST_F(ResultScreensTest, ASecondOkNeverCountsTwice) {
    StartGame();
    ShowResults("GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0));
    Journal().clear();
    Press("GS_StatNonogramWithTips", "button_ok");
    Press("GS_StatNonogramWithTips", "button_ok");
    harness->Step(3);
    EXPECT_EQ(ProfileText("error_medals"), "1");
    EXPECT_EQ(ProfileText("hint_medals"), "1");
    EXPECT_EQ(ProfileText("speed_medals"), "1");
    EXPECT_NE(ClosedWith("GS_StatNonogramWithTips"), "none");
    EXPECT_EQ(ClosedWith("GS_StatNonogramWithTips").find("times"), std::string::npos);

    // No trophy screen in this game: the trophy granted is recorded, and the
    // statistics close at once instead of waiting for a click that would
    // count again.
    StartGame(kLimits, false);
    Profile()->SetValue("error_medals", Variant(1));
    ShowResults("GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0));
    Journal().clear();
    Press("GS_StatNonogramWithTips", "button_ok");
    harness->Step(3);
    EXPECT_EQ(ProfileText("error_medals"), "2");
    EXPECT_EQ(ProfileText("trophy_error_small"), "yes");
    EXPECT_NE(ClosedWith("GS_StatNonogramWithTips"), "none");
    EXPECT_EQ(harness->StackNames(), "GS_Level");
}

// Trophies reached on one check are appended in their fixed order and open
// one trophy screen, whose close closes the statistics.
TEST_F(ResultScreensTest, TrophiesReachedTogetherOpenOneTrophyScreen) {
    StartGame();
    Profile()->SetValue("show_trophy", Variant("trophy_rome,"));
    Profile()->SetValue("hint_medals", Variant(1));
    Profile()->SetValue("error_medals", Variant("3"));  // read back from the file as text
    Profile()->SetValue("speed_medals", Variant(9));    // its limits are "abc" and 2
    Profile()->SetValue("trophy_speed_small", Variant("yes"));
    ShowResults("GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0));
    Journal().clear();
    Press("GS_StatNonogramWithTips", "button_ok");
    harness->Step(2);
    EXPECT_EQ(ProfileText("error_medals"), "4");
    EXPECT_EQ(ProfileText("hint_medals"), "2");
    EXPECT_EQ(ProfileText("speed_medals"), "10");
    EXPECT_EQ(ProfileText("show_trophy"),
              "trophy_rome,trophy_error_small,trophy_hint_small,trophy_error_big,");
    EXPECT_EQ(ProfileText("trophy_hint_big"), "-");
    // A limit that is no number grants nothing.
    EXPECT_EQ(ProfileText("trophy_speed_big"), "-");
    EXPECT_EQ(Count("show GS_Trophy -"), 1);
    EXPECT_EQ(harness->StackNames(), "GS_Level GS_StatNonogramWithTips GS_Trophy");
    EXPECT_EQ(ClosedWith("GS_StatNonogramWithTips"), "none");
    // An "ok" that still reaches the statistics counts nothing more.
    Press("GS_StatNonogramWithTips", "button_ok");
    harness->Step(1);
    EXPECT_EQ(ProfileText("error_medals"), "4");
    EXPECT_EQ(ProfileText("hint_medals"), "2");

    Game().CloseGameScreen(harness->Screen("GS_Trophy"), nullptr);
    harness->Step(3);
    EXPECT_EQ(ClosedWith("GS_StatNonogramWithTips"),
              "level_ref=lvl3,award_speed=yes,award_hint=yes,award_error=yes,"
              "level_total_points=200,restart_game=no");
    EXPECT_EQ(harness->StackNames(), "GS_Level");
}

// Limits the definition does not give grant nothing, whatever the count.
TEST_F(ResultScreensTest, NoLimitNoTrophy) {
    StartGame({});
    Profile()->SetValue("error_medals", Variant(100));
    ShowResults("GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0));
    Press("GS_StatNonogramWithTips", "button_ok");
    harness->Step(2);
    EXPECT_EQ(ProfileText("error_medals"), "101");
    EXPECT_EQ(ProfileText("show_trophy"), "");
    EXPECT_EQ(harness->StackNames(), "GS_Level");
}

TEST_F(ResultScreensTest, RestartCountsNothing) {
    StartGame();
    ShowResults("GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0));
    Journal().clear();
    Press("GS_StatNonogramWithTips", "button_restart");
    Press("GS_StatNonogramWithTips", "button_ok");  // after the close: ignored
    harness->Step(2);
    EXPECT_EQ(ClosedWith("GS_StatNonogramWithTips"),
              "level_ref=lvl3,award_speed=yes,award_hint=yes,award_error=yes,"
              "level_total_points=200,restart_game=yes");
    EXPECT_EQ(ProfileText("error_medals"), "-");
    EXPECT_EQ(ProfileText("show_trophy"), "-");
}

TEST_F(ResultScreensTest, WithoutProfileOkCloses) {
    StartGame();
    Game().GetUserProfiles()->Delete(Variant("player"));
    ASSERT_FALSE(Game().GetUserProfiles()->GetCurrent());
    ShowResults("GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0));
    Journal().clear();
    Press("GS_StatNonogramWithTips", "button_ok");
    harness->Step(2);
    EXPECT_NE(ClosedWith("GS_StatNonogramWithTips"), "none");
    EXPECT_FALSE(JournalHas("show GS_Trophy -"));
}

// The results the screen below keeps are its own: the next result does not
// clear them.
TEST_F(ResultScreensTest, ClosedResultsOutliveTheNextResult) {
    StartGame();
    Ref<IParamCollection> kept;
    gametest::TestScreen(harness->Screen("GS_Level"))->onChildClosed =
        [&](gametest::TTestGameScreen&, const std::string&, const Ref<IParamCollection>& r) {
            if (!kept) kept = r;
        };
    ShowResults("GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0));
    Press("GS_StatNonogramWithTips", "button_restart");
    harness->Step(2);
    ASSERT_TRUE(kept);
    ShowResults("GS_StatNonogramWithTips", WonLevel(99, 60, 1, 1, "lvl4"));
    EXPECT_EQ(kept->GetValue("level_ref", Variant()).ToString(), "lvl3");
    EXPECT_EQ(kept->GetValue("level_total_points", Variant()).ToString(), "200");
}

// The screen serves every result of a run. Whatever the last showing
// revealed, the bonus lines and the total of the next one wait hidden for
// its reveal and hold only what this result writes.
TEST_F(ResultScreensTest, EachShowingStartsFromACleanScreen) {
    struct Case {
        const char* name;
        const char* screen;
        Ref<IParamCollection> first, second;
        // The second showing's texts; null: the screen has no such line.
        const char *timeLabel, *hintLabel, *errorLabel, *total, *tip;
    };
    const Case cases[] = {
        {"every bonus, then none", "GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0),
         WonLevel(99, 60, 2, 3), "+ 0", "+ 0", "+ 0", "100", "one"},
        {"no bonus, then every one", "GS_StatNonogramWithTips", WonLevel(99, 60, 2, 3),
         WonLevel(1, 60, 0, 0), "+50", "+30", "+20", "200", "one"},
        {"every bonus, then a result without parameters", "GS_StatNonogramWithTips",
         WonLevel(1, 60, 0, 0), nullptr, "", "", "", "", ""},
        {"the plain screen: every bonus, then none", "GS_StatPartial", WonLevel(1, 60, 0, 0),
         WonLevel(99, 60, 2, 3), "+ 0", nullptr, "+ 0", "100", nullptr},
    };
    StartGame();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string s = c.screen;
        const std::vector<std::pair<std::string, const char*>> lines = {
            {"label_BonusTime", c.timeLabel},
            {"label_BonusHint", c.hintLabel},
            {"label_BonusMistake", c.errorLabel},
            {"total_Points", c.total},
            {"levelTips", c.tip}};
        ShowResults(s, c.first);
        harness->Step(200, 20);  // the whole reveal
        for (const auto& [line, text] : lines) {
            if (!text) continue;
            EXPECT_TRUE(ProbeOf(s, line)->GetVisible()) << "first " << line;
        }
        Game().CloseGameScreen(harness->Screen(s), nullptr);
        harness->Step(2);

        ShowResults(s, c.second);
        for (const auto& [line, text] : lines) {
            if (!text) continue;
            EXPECT_FALSE(ProbeOf(s, line)->GetVisible()) << line;
            EXPECT_EQ(ProbeOf(s, line)->Text(), text) << line;
        }
        // Then this result's reveal uncovers them.
        harness->Step(200, 20);
        for (const auto& [line, text] : lines) {
            if (!text) continue;
            EXPECT_TRUE(ProbeOf(s, line)->GetVisible()) << "revealed " << line;
            EXPECT_EQ(ProbeOf(s, line)->Text(), text) << "revealed " << line;
        }
        Game().CloseGameScreen(harness->Screen(s), nullptr);
        harness->Step(2);
    }
}

// ---------------------------------------------------------------------------
// Bonus results

Ref<IParamCollection> BonusResult(const std::string& location, int total) {
    return ParamsOf({{"LevelName", location},
                     {"level_total_points", std::to_string(total)},
                     {"level_result", "%bonus_won%"},
                     {"level_progress", "7 / 8"},
                     {"level_points", "400"},
                     {"level_hints_bonus", "60"},
                     {"level_time_bonus", "40"},
                     {"award_record", "yes"}});
}

TEST_F(ResultScreensTest, BonusLinesShowTheBonusResults) {
    StartGame();
    Journal().clear();
    ShowResults("GS_StatNonogramBonus", BonusResult("rome", 500));
    const std::string s = "GS_StatNonogramBonus";
    EXPECT_EQ(ProbeOf(s, "title_Result")->Text(), "%bonus_won%");
    EXPECT_TRUE(ProbeOf(s, "title_Result")->GetVisible());
    EXPECT_EQ(ProbeOf(s, "levelProgress")->Text(), "7 / 8");
    EXPECT_EQ(ProbeOf(s, "level_Points")->Text(), "400");
    EXPECT_EQ(ProbeOf(s, "levelHintsBonus")->Text(), "60");
    EXPECT_EQ(ProbeOf(s, "levelTimeBonus")->Text(), "40");
    EXPECT_EQ(ProbeOf(s, "levelTotalPoints")->Text(), "500");
    for (const char* hidden : {"levelProgress", "level_Points", "total_Points", "levelTotalPoints",
                               "award_record", "award_text"}) {
        EXPECT_FALSE(ProbeOf(s, hidden)->GetVisible()) << hidden;
    }
    EXPECT_TRUE(JournalHas("clear particles"));
    EXPECT_TRUE(harness->Screen(s)->GetWindowWidget()->FindWidget("scenario_group/reveal"));
}

// A location's bonus trophy is granted from a total equal to or above its
// limit, and only from a bonus level of that location.
TEST_F(ResultScreensTest, BonusTrophyGoesToTheLevelsOwnLocation) {
    struct Case {
        const char* location;
        int total;
        const char* granted;  // the new "show_trophy"
    };
    const Case cases[] = {
        {"rome", 500, "trophy_rome,"}, {"rome", 499, ""}, {"rome", 100000, "trophy_rome,"},
        {"japan", 0, "trophy_japan,"},  // a limit of 0
        {"tibet", 100000, ""},          // no limit given
        {"Rome", 100000, ""},           // names are exact
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.location << " " << c.total);
        StartGame();
        ShowResults("GS_StatNonogramBonus", BonusResult(c.location, c.total));
        Journal().clear();
        Press("GS_StatNonogramBonus", "button_ok");
        harness->Step(2);
        EXPECT_EQ(ProfileText("show_trophy"), c.granted);
        const bool granted = std::string(c.granted) != "";
        EXPECT_EQ(JournalHas("show GS_Trophy -"), granted);
        for (const char* other : {"japan", "rome", "tibet", "egypt", "greece", "aztecs", "china"}) {
            const bool own = granted && std::string(other) == c.location;
            EXPECT_EQ(ProfileText(std::string("trophy_") + other), own ? "yes" : "-") << other;
        }
        if (granted) {
            Game().CloseGameScreen(harness->Screen("GS_Trophy"), nullptr);
            harness->Step(3);
        }
        EXPECT_EQ(ClosedWith("GS_StatNonogramBonus"), "-");
    }
}

// Submitting goes through the name entry to the online scores with the
// location and the total shown; their close closes the results without the
// trophy check, which a later result still makes.
TEST_F(ResultScreensTest, SubmittingAScoreLeadsToTheOnlineScores) {
    StartGame();
    ShowResults("GS_StatNonogramBonus", BonusResult("rome", 700));
    Journal().clear();
    Press("GS_StatNonogramBonus", "button_submit");
    harness->Step(1);
    EXPECT_TRUE(JournalHas("show GS_SubmitScore "));

    // Cancelled: back on the results.
    Game().CloseGameScreen(harness->Screen("GS_SubmitScore"), nullptr);
    harness->Step(3);
    EXPECT_EQ(harness->StackNames(), "GS_Level GS_StatNonogramBonus");

    Press("GS_StatNonogramBonus", "button_submit");
    harness->Step(1);
    Game().CloseGameScreen(harness->Screen("GS_SubmitScore"),
                           gametest::Results("user_name", "Ann"));
    harness->Step(3);
    EXPECT_TRUE(
        JournalHas("show GS_OnlineScores user_name=Ann,LevelName=rome,level_total_points=700"));
    Game().CloseGameScreen(harness->Screen("GS_OnlineScores"), nullptr);
    harness->Step(3);
    EXPECT_EQ(ClosedWith("GS_StatNonogramBonus"), "-");
    EXPECT_EQ(ProfileText("trophy_rome"), "-");

    ShowResults("GS_StatNonogramBonus", BonusResult("rome", 700));
    Press("GS_StatNonogramBonus", "button_ok");
    harness->Step(1);
    EXPECT_EQ(ProfileText("trophy_rome"), "yes");
}

// ---------------------------------------------------------------------------
// Tips

Ref<IQuillmarchTipDefCollection> TipList(
    std::initializer_list<std::pair<const char*, const char*>> tips) {
    std::string xml = "<tips>";
    for (const auto& [name, weight] : tips) {
        xml += std::string("<tip name=\"") + name +
               "\"><properties><param name=\"probability\" value=\"" + weight +
               "\"/></properties></tip>";
    }
    const Ref<IQuillmarchTipDefCollection> list = Query<IQuillmarchTipDefCollection>(
        CreateAbstractObject(ClassOf<TQuillmarchTipDefCollection>()));
    LoadPersistObject(list, LoadStorageFromXML(xml + "</tips>"));
    return list;
}

// R below the total weight walks the tips in order; weights that are 0,
// negative or no number are never drawn.
TEST(TipDraw, RWalksTheWeightsInOrder) {
    const Ref<IQuillmarchTipDefCollection> tips =
        TipList({{"a", "1"}, {"zero", "0"}, {"neg", "-4"}, {"word", "x"}, {"b", "3"}});
    ASSERT_EQ(tips->GetCount(), 5);
    int32_t bound = -1;
    const auto drawWith = [&](int32_t r) {
        return ChooseWeightedTip(tips, [&](int32_t n) {
            bound = n;
            return r;
        });
    };
    EXPECT_EQ(drawWith(0), "a");
    EXPECT_EQ(bound, 4);
    for (int32_t r = 1; r <= 3; ++r) EXPECT_EQ(drawWith(r), "b") << r;

    // Nothing to draw from: no tip, and the generator is not asked.
    bound = -1;
    EXPECT_EQ(ChooseWeightedTip(TipList({{"zero", "0"}}),
                                [&](int32_t n) {
                                    bound = n;
                                    return 0;
                                }),
              "");
    EXPECT_EQ(bound, -1);
    EXPECT_EQ(ChooseWeightedTip(nullptr), "");
}

// Under a seeded generator the draw repeats and follows the weights.
TEST(TipDraw, SeededDrawsFollowTheWeights) {
    const Ref<IQuillmarchTipDefCollection> tips = TipList({{"a", "1"}, {"zero", "0"}, {"b", "3"}});
    const auto draw = [&](uint32_t seed) {
        RandomSeed(seed);
        std::map<std::string, int> counts;
        std::string sequence;
        for (int i = 0; i < 4000; ++i) {
            const std::string name = ChooseWeightedTip(tips);
            ++counts[name];
            if (i < 20) sequence += name;
        }
        return std::make_pair(counts, sequence);
    };
    const auto [counts, sequence] = draw(1234);
    EXPECT_EQ(draw(1234).second, sequence);
    EXPECT_EQ(counts.count("zero"), 0u);
    EXPECT_EQ(counts.count(""), 0u);
    EXPECT_NEAR(counts.at("a"), 1000, 120);
    EXPECT_NEAR(counts.at("b"), 3000, 120);
}

// The tip named by the level is shown; without a name one is drawn from the
// screen's own list.
TEST_F(ResultScreensTest, TheTipLineShowsTheNamedOrADrawnTip) {
    StartGame();
    auto* screen = dynamic_cast<TQuillmarchGameScreenNonogramStatWithTips*>(Stat());
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->GetTipDefs()->GetCount(), 3);
    screen->SetRandomSource([](int32_t) { return 0; });  // would draw "tip_one"
    const Ref<IParamCollection> named = WonLevel(1, 60, 0, 0);
    named->SetValue("tip", Variant("tip_never"));
    ShowResults("GS_StatNonogramWithTips", named);
    EXPECT_EQ(ProbeOf("GS_StatNonogramWithTips", "levelTips")->Text(), "never");
    Game().CloseGameScreen(harness->Screen("GS_StatNonogramWithTips"), nullptr);
    harness->Step(2);

    for (const auto& [r, text] :
         {std::pair{0, "one"}, std::pair{1, "three"}, std::pair{3, "three"}}) {
        screen->SetRandomSource([r = r](int32_t n) {
            EXPECT_EQ(n, 4);
            return r;
        });
        const Ref<IParamCollection> unnamed = WonLevel(1, 60, 0, 0);
        unnamed->SetValue("tip", Variant(""));
        ShowResults("GS_StatNonogramWithTips", unnamed);
        EXPECT_EQ(ProbeOf("GS_StatNonogramWithTips", "levelTips")->Text(), text) << r;
        Game().CloseGameScreen(harness->Screen("GS_StatNonogramWithTips"), nullptr);
        harness->Step(2);
    }

    // A name the list does not hold leaves the line empty.
    named->SetValue("tip", Variant("tip_unknown"));
    ShowResults("GS_StatNonogramWithTips", named);
    EXPECT_EQ(ProbeOf("GS_StatNonogramWithTips", "levelTips")->Text(), "");
}

// ---------------------------------------------------------------------------
// Miniature

class MiniatureTest : public ResultScreensTest {
protected:
    // The catalogue entry "japan" over a level file of these rows.
    void WriteLocation(const std::string& size, const std::vector<std::string>& rows) {
        std::string xml =
            "<level name=\"1\" LevelName=\"Japan\" extraparams=\"" + size + "\"><rows>";
        for (size_t i = 0; i < rows.size(); ++i) {
            xml += "<row name=\"r" + std::to_string(i) + "\" cells=\"" + rows[i] + "\"/>";
        }
        const std::string file = levels_.Write("japan.xml", xml + "</rows></level>");
        const Ref<TAbstractObject> catalogue =
            CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>());
        LoadPersistObject(Ref<IInterface>(catalogue),
                          LoadStorageFromXML("<levels><level level=\"japan\"><properties>"
                                             "<param name=\"filename\" value=\"" +
                                             file + "\"/></properties></level></levels>"));
        Game().SetOptionValue("level_def_refs", Variant(Ref<IInterface>(catalogue)));
    }
    // "name@left,top:colour" of each child of the grid, in order.
    std::string Grid() {
        const Ref<IWidget> grid =
            harness->Screen("GS_StatNonogramWithTips")->GetWindowWidget()->FindWidget("grid");
        std::string text;
        const Ref<IWidgetCollection> children = grid->GetChildren();
        for (int32_t i = 0; i < children->GetCount(); ++i) {
            const Ref<IWidget> w = children->GetWidgetByIndex(i);
            if (!text.empty()) text += " ";
            text += w->GetName() + "@" + std::to_string(int(w->GetLeft())) + "," +
                    std::to_string(int(w->GetTop())) + ":" +
                    std::to_string(w->GetProperty("color").ToInt64() & 0xFF);
        }
        return text;
    }
    TTempDir levels_{"levels"};
};

// Cells "1" to "5" use their colour's factory, everything else (a "0", a
// digit above 5, a letter, a missing character) the black one; each cell
// stands at the frame's rounded corner plus 3, plus its column and row
// times the cell size.
TEST_F(MiniatureTest, CellsFollowThePictureOfTheLocation) {
    StartGame();
    WriteLocation("rows=2\\cols=3", {"105", "6a"});
    ShowResults("GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0));
    EXPECT_EQ(Grid(),
              "frame@10,20:0 0_0@14,23:1 0_1@18,23:0 0_2@22,23:5 "
              "1_0@14,28:0 1_1@18,28:0 1_2@22,28:0");

    // The next result builds its miniature afresh.
    Game().CloseGameScreen(harness->Screen("GS_StatNonogramWithTips"), nullptr);
    harness->Step(2);
    WriteLocation("rows=2\\cols=3", {"234", "500"});
    ShowResults("GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0));
    EXPECT_EQ(Grid(),
              "frame@10,20:0 0_0@14,23:2 0_1@18,23:3 0_2@22,23:4 "
              "1_0@14,28:5 1_1@18,28:0 1_2@22,28:0");
}

// A size without factories, or past the bound, builds nothing; neither does
// a location the catalogue does not have.
TEST_F(MiniatureTest, NoMiniatureWithoutItsData) {
    StartGame();
    WriteLocation("rows=3\\cols=3", {"111", "111", "111"});
    ShowResults("GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0));
    EXPECT_EQ(Grid(), "");
    Game().CloseGameScreen(harness->Screen("GS_StatNonogramWithTips"), nullptr);
    harness->Step(2);

    WriteLocation("rows=2\\cols=100000000", {"1"});
    ShowResults("GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0));
    EXPECT_EQ(Grid(), "");
    EXPECT_TRUE(harness->Log().Has({"the miniature's level"}));
    Game().CloseGameScreen(harness->Screen("GS_StatNonogramWithTips"), nullptr);
    harness->Step(2);

    WriteLocation("rows=2\\cols=3", {"111", "111"});
    const Ref<IParamCollection> elsewhere = WonLevel(1, 60, 0, 0);
    elsewhere->SetValue("location_name", Variant("rome"));
    ShowResults("GS_StatNonogramWithTips", elsewhere);
    EXPECT_EQ(Grid(), "");
}

// ---------------------------------------------------------------------------
// Failed level, level information

TEST_F(ResultScreensTest, FailedScreenAnswersRestartOrMap) {
    for (const auto& [button, answer] : {std::pair{"button_restart", "restart_level=yes"},
                                         std::pair{"button_map", "restart_level=no"}}) {
        StartGame();
        ShowResults("GS_FailedNonogram", nullptr);
        Journal().clear();
        Press("GS_FailedNonogram", button);
        Press("GS_FailedNonogram", "button_restart");  // after the close: ignored
        harness->Step(2);
        EXPECT_EQ(ClosedWith("GS_FailedNonogram"), answer);
    }
}

TEST_F(ResultScreensTest, LevelInfoShowsTitleNameAndSize) {
    StartGame();
    ShowResults("GS_LevelInfo",
                ParamsOf({{"title", "japan"}, {"LevelName", "Crane"}, {"size", "10 x 15"}}));
    EXPECT_EQ(ProbeOf("GS_LevelInfo", "location_name")->Text(), "%japan%");
    EXPECT_EQ(ProbeOf("GS_LevelInfo", "level")->Text(), "Crane");
    EXPECT_EQ(ProbeOf("GS_LevelInfo", "size")->Text(), "10 x 15");
}

// ---------------------------------------------------------------------------
// The profile on disk

TEST_F(ResultScreensTest, MedalsAndTrophiesAreWrittenAndReadBack) {
    StartGame();
    Profile()->SetValue("error_medals", Variant(1));
    ShowResults("GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0));
    Press("GS_StatNonogramWithTips", "button_ok");
    harness->Step(2);
    ASSERT_TRUE(Game().GetUserProfiles()->Save(Game().GetEngine()));

    const Ref<IUserProfileCollection> read =
        Query<IUserProfileCollection>(CreateAbstractObject(ClassOf<TUserProfileCollection>()));
    ASSERT_EQ(read->Load(Game().GetEngine()), TPlayerFileLoad::kLoaded);
    const Ref<IParamCollection> params = read->GetItem(Variant("player"))->GetParams();
    const auto value = [&](const char* key) {
        return params->GetValue(key, Variant("-")).ToString();
    };
    EXPECT_EQ(value("error_medals"), "2");
    EXPECT_EQ(value("hint_medals"), "1");
    EXPECT_EQ(value("speed_medals"), "1");
    EXPECT_EQ(value("trophy_error_small"), "yes");
    EXPECT_EQ(value("show_trophy"), "trophy_error_small,");

    // Counters read back as text go on counting.
    Game().GetUserProfiles()->GetCurrent()->GetParams()->SetValue("error_medals",
                                                                  Variant(value("error_medals")));
    Game().CloseGameScreen(harness->Screen("GS_Trophy"), nullptr);
    harness->Step(3);
    ShowResults("GS_StatNonogramWithTips", WonLevel(1, 60, 0, 0, "lvl9"));
    Press("GS_StatNonogramWithTips", "button_ok");
    EXPECT_EQ(ProfileText("error_medals"), "3");
}

}  // namespace
}  // namespace resulttest
