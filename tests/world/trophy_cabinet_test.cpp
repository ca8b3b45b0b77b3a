// The trophy cabinet on the real shell: filling it from the profile, the
// reveals of new trophies after "GS_NewTrophy", the bubble's placement and
// texts, and the hover switching bubbles.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/lang/MultiLanguages.h"
#include "tests/world/MapTestSupport.h"
#include "world/TrophyCabinet.h"

namespace {

using namespace maptest;

constexpr int kTrophyW = 60;
constexpr int kTrophyH = 80;

// A trophy at (x, y): its looks "full" and "empty" are what "trophy_yes"
// and "trophy_no" read and set.
std::string Trophy(const std::string& name, int x, int y) {
    auto look = [](const std::string& look) {
        return "<widget type=\"map_probe\" name=\"" + look +
               "\" visible=\"no\" mousestop=\"no\" width=\"" + std::to_string(kTrophyW) +
               "\" height=\"" + std::to_string(kTrophyH) + "\" color=\"$FF806040\"/>";
    };
    return "<widget type=\"group_widget\" name=\"" + name + "\" visible=\"yes\" anchor_left=\"" +
           std::to_string(x) + "\" anchor_top=\"" + std::to_string(y) +
           "\" aliases=\"\\trophy_yes=full/visible\\trophy_no=empty/visible\" extraparams=\"init_x=" +
           std::to_string(x) + "\\init_y=" + std::to_string(y) + "\"><widgets>" + look("full") +
           look("empty") + "</widgets></widget>";
}

std::string Medal(const std::string& name, int x, int y) {
    return "<widget type=\"map_probe\" name=\"" + name + "\" visible=\"yes\" anchor_left=\"" +
           std::to_string(x) + "\" anchor_top=\"" + std::to_string(y) +
           "\" width=\"40\" height=\"40\" extraparams=\"init_x=" + std::to_string(x) +
           "\\init_y=" + std::to_string(y) + "\\hint_text=No errors, no worries\"/>";
}

std::string Counter(const std::string& kind) {
    return "<widget type=\"group_widget\" name=\"" + kind +
           "_medal_counter\" visible=\"yes\"><widgets><widget type=\"map_probe\" name=\"" + kind +
           "_medal_received\"/></widgets></widget>";
}

// The cabinet: trophy_error_small at (100, 300), trophy_hint_small at
// (200, 300), trophy_japan at (300, 300), trophy_rome high up at (400, 20),
// the error medal picture at (500, 300); a bubble of 200 × 50.
std::string CabinetScreen(int duration) {
    const std::string factories =
        "<widgetfactories>" +
        Factory("scenario_show_trophy",
                "<widget type=\"scenario_show_trophy\" name=\"%name%\" "
                "extraparams=\"trophy_name=%trophy_name%\\duration=" +
                    std::to_string(duration) + "\"><widgetfactories>" +
                    Factory("ps", "<widget type=\"map_probe\" name=\"ps\"/>") +
                    "</widgetfactories></widget>") +
        "</widgetfactories>";
    const std::string trophies =
        "<widget type=\"group_widget\" name=\"trophies\" visible=\"yes\"><widgets>" +
        Trophy("trophy_error_small", 100, 300) + Trophy("trophy_hint_small", 200, 300) +
        Trophy("trophy_japan", 300, 300) + Trophy("trophy_rome", 400, 20) +
        Medal("error_medal", 500, 300) + "</widgets></widget>";
    return "<gamescreen name=\"GS_Trophy\" type=\"QuillmarchGameScreenTrophy\"><window>" +
           factories + "<widgets>" + Look("background", 1024, 768) +
           "<widget type=\"map_probe\" name=\"user\"/>" + Counter("error") + Counter("hint") +
           Counter("speed") + trophies +
           "<widget type=\"group_widget\" name=\"scenario_group\" visible=\"yes\"/>"
           "<widget type=\"map_probe\" name=\"info\" visible=\"no\" mousestop=\"no\" "
           "width=\"200\" height=\"50\"/>"
           "</widgets></window></gamescreen>";
}

// The screens shown, "name params" joined by " | ".
std::string Shown() {
    std::string text;
    for (const std::string& line : Journal()) {
        if (line.rfind("show ", 0) == 0) text += (text.empty() ? "" : " | ") + line.substr(5);
    }
    return text;
}

class TrophyCabinetTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterMapTestClasses();
        Journal().clear();
        TMLStrings& strings = GetMultiLanguages()->Strings();
        strings.SetString("Owned: %error_limit% flawless levels", "trophy_error_yes");
        strings.SetString("Solve %error_limit% levels without errors", "trophy_error_no");
        strings.SetString("Japan beaten with %japan_limit%", "trophy_japan_yes");
        strings.SetString("Score %japan_limit% in Japan", "trophy_japan_no");
        strings.SetString("Score %rome_limit% in Rome", "trophy_rome_no");
    }
    void TearDown() override {
        game_.reset();
        ResetGameShellConfiguration();
        for (const char* key : {"trophy_error_yes", "trophy_error_no", "trophy_japan_yes",
                                "trophy_japan_no", "trophy_rome_no"}) {
            GetMultiLanguages()->Strings().Delete(Variant(key));
        }
        Journal().clear();
    }

    void StartGame(std::initializer_list<std::pair<std::string, std::string>> profile,
                   int duration = 1000) {
        game_.reset();
        const std::string screens = CabinetScreen(duration) + StandIn("GS_NewTrophy");
        game_ = std::make_unique<TGameHarness>(1024, 768);
        ASSERT_TRUE(game_->Start(gametest::GameOf("", gametest::ScreensOf(screens))));
        game_->Step(1);
        const Ref<IUserProfileCollection> profiles = Game().GetUserProfiles();
        profiles->FindOrAdd("Ann");
        profiles->SetCurrent("Ann");
        for (const auto& [name, value] : profile) Profile()->SetValue(name, Variant(value));
        Game().SetOptionValue("trophy_error_small_limit", Variant("5"));
        Game().SetOptionValue("trophy_error_big_limit", Variant("20"));
        Game().SetOptionValue("trophy_bonus_japan_limit", Variant("3000"));
        Game().SetOptionValue("trophy_bonus_rome_limit", Variant("4000"));
        // Away from every trophy.
        game_->MouseMove(5, 700);
    }
    void ShowCabinet() {
        ASSERT_TRUE(Game().ShowGameScreen("GS_Trophy", nullptr));
        game_->Step(1);
    }

    IGameScreenOwner& Game() const { return *game_->Game(); }
    Ref<IParamCollection> Profile() const {
        return Game().GetUserProfiles()->GetCurrent()->GetParams();
    }
    std::string Text(const std::string& key) const {
        return mapdetail::ProfileText(Profile(), key, "");
    }
    Ref<IWidget> Widget(const std::string& path) const {
        const Ref<IGameScreenSlave> screen = game_->Screen("GS_Trophy");
        return screen ? screen->GetWindowWidget()->FindWidget(path) : nullptr;
    }
    TQuillmarchGameScreenTrophy& Cabinet() const {
        return dynamic_cast<TQuillmarchGameScreenTrophy&>(*game_->Screen("GS_Trophy"));
    }
    TMapProbe& Probe(const std::string& path) const {
        return dynamic_cast<TMapProbe&>(*Widget(path));
    }
    std::string Stored(const std::string& path, const std::string& name) const {
        const auto& values = Probe(path).values;
        const auto it = values.find(name);
        return it == values.end() ? "-" : it->second.ToString();
    }
    // "full"/"empty"/"none"/"both": which looks of a trophy show.
    std::string LookOf(const std::string& trophy) const {
        const bool full = Widget("trophies/" + trophy + "/full")->GetVisible();
        const bool empty = Widget("trophies/" + trophy + "/empty")->GetVisible();
        return full && empty ? "both" : full ? "full" : empty ? "empty" : "none";
    }
    int Reveals() const { return Widget("scenario_group")->GetChildren()->GetCount(); }
    bool BubbleShown() const { return Widget("info")->GetVisible(); }
    std::string Bubble() const { return Stored("info", "text_utf8"); }
    void MoveTo(int x, int y) {
        game_->MouseMove(x, y);
        game_->Step(1);
    }

    std::unique_ptr<TGameHarness> game_;
};

TEST_F(TrophyCabinetTest, FillsNameCountsAndLooksFromTheProfile) {
    StartGame({{"trophy_rome", "yes"}, {"trophy_japan", "no"}, {"error_medals", "7"},
               {"speed_medals", "2"}});
    ShowCabinet();
    EXPECT_EQ(Stored("user", "text_utf8"), "Ann");
    EXPECT_EQ(Stored("error_medal_counter/error_medal_received", "text"), "7");
    EXPECT_EQ(Stored("hint_medal_counter/hint_medal_received", "text"), "0");
    EXPECT_EQ(Stored("speed_medal_counter/speed_medal_received", "text"), "2");
    EXPECT_EQ(LookOf("trophy_rome"), "full");  // owned, no reveal
    EXPECT_EQ(LookOf("trophy_japan"), "empty");
    EXPECT_EQ(LookOf("trophy_error_small"), "empty");  // absent key: not owned
    EXPECT_EQ(Reveals(), 0);
    EXPECT_EQ(Shown(), "");
}

TEST_F(TrophyCabinetTest, NewTrophiesWaitForTheNoticeThenRevealOnce) {
    StartGame({{"trophy_hint_small", "yes"},
               {"trophy_japan", "yes"},
               {"trophy_rome", "yes"},
               {"show_trophy", "trophy_hint_small,trophy_japan,"}},
              1000);
    ShowCabinet();
    EXPECT_EQ(Shown(), "GS_NewTrophy -");
    EXPECT_EQ(Text("show_trophy"), "");
    EXPECT_EQ(Reveals(), 2);
    EXPECT_EQ(LookOf("trophy_hint_small"), "none");
    EXPECT_EQ(LookOf("trophy_japan"), "none");
    EXPECT_EQ(LookOf("trophy_rome"), "full");

    // Only the top screen runs: the reveals wait below the notice.
    game_->Step(5, 100);
    EXPECT_EQ(LookOf("trophy_japan"), "none");
    ASSERT_TRUE(Game().CloseGameScreen(game_->Screen("GS_NewTrophy"), nullptr));

    // One frame passes "enter" (the owned look at level 0, the empty one
    // hidden) and begins "show_trophy" with the burst from the empty look.
    game_->Step(1);
    EXPECT_EQ(LookOf("trophy_japan"), "full");
    EXPECT_EQ(Widget("trophies/trophy_japan/full")->GetTransparentLevel(), 0);
    const Ref<IWidget> ps = Widget("scenario_group/trophy_japan/ps");
    ASSERT_TRUE(ps);
    EXPECT_EQ(Stored("scenario_group/trophy_japan/ps", "init_creation_count"), "500");
    EXPECT_EQ(Stored("scenario_group/trophy_japan/ps", "delta_step"), "-1");
    {
        const auto& values = Probe("scenario_group/trophy_japan/ps").values;
        ASSERT_TRUE(values.count("surface"));
        EXPECT_TRUE(Query<ISurface>(values.at("surface").ToInterface()));
    }
    // Emptied before it was seeded, once per reveal.
    EXPECT_EQ(std::count(Journal().begin(), Journal().end(), "command ps 2"), 2);
    EXPECT_DOUBLE_EQ(ps->GetLeft(), 300.0);
    EXPECT_DOUBLE_EQ(ps->GetTop(), 300.0);
    EXPECT_TRUE(ps->GetVisible());
    EXPECT_FALSE(ps->GetPaused());

    // 255 × min(t / 800, 1), halves to even.
    struct Step {
        int ms;
        int level;
    };
    const Step steps[] = {{400, 128}, {300, 223}, {100, 255}, {150, 255}};
    for (const Step& step : steps) {
        game_->Step(1, step.ms);
        SCOPED_TRACE(step.ms);
        EXPECT_EQ(Widget("trophies/trophy_japan/full")->GetTransparentLevel(), step.level);
        EXPECT_EQ(Widget("trophies/trophy_hint_small/full")->GetTransparentLevel(), step.level);
    }
    EXPECT_EQ(Reveals(), 2);  // 950 ms of 1000
    game_->Step(1, 50);  // 1000 ms: "exit"
    EXPECT_EQ(Reveals(), 0);
    EXPECT_EQ(LookOf("trophy_japan"), "full");

    // The next showing reveals nothing.
    ASSERT_TRUE(Game().CloseGameScreen(game_->Screen("GS_Trophy"), nullptr));
    Journal().clear();
    ShowCabinet();
    EXPECT_EQ(Shown(), "");
    EXPECT_EQ(Reveals(), 0);
    EXPECT_EQ(LookOf("trophy_japan"), "full");
}

TEST_F(TrophyCabinetTest, ANameInTheListThatIsNotOwnedIsNotRevealed) {
    StartGame({{"show_trophy", "trophy_japan,"}});
    ShowCabinet();
    EXPECT_EQ(Shown(), "GS_NewTrophy -");
    EXPECT_EQ(Reveals(), 0);
    EXPECT_EQ(LookOf("trophy_japan"), "empty");
}

TEST_F(TrophyCabinetTest, BubblePlacementAndTexts) {
    StartGame({{"trophy_japan", "yes"}});
    ShowCabinet();
    struct Case {
        int x, y;
        double left, top;
        const char* key;  // the property that gets the text
        const char* text;
    };
    // A trophy is 60 × 80, the bubble 200 × 50: centred, 40 above
    // (init_y − 50 + 10); the medal picture (40 × 40) 45 above; a trophy at
    // the top edge gets it below (init_y + 80 − 5).
    const Case cases[] = {
        {110, 310, 100 - 70.0, 260, "text_utf8", "Solve 5 levels without errors"},
        {310, 310, 300 - 70.0, 260, "text_utf8", "Japan beaten with 3000"},
        {410, 30, 400 - 70.0, 95, "text_utf8", "Score 4000 in Rome"},
        {510, 310, 500 - 80.0, 255, "text", "No errors, no worries"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        MoveTo(c.x, c.y);
        ASSERT_TRUE(BubbleShown());
        EXPECT_DOUBLE_EQ(Widget("info")->GetProperty("anchor_left").ToDouble(), c.left);
        EXPECT_DOUBLE_EQ(Widget("info")->GetProperty("anchor_top").ToDouble(), c.top);
        EXPECT_EQ(Stored("info", c.key), c.text);
    }
}

TEST_F(TrophyCabinetTest, HoverSwitchesHidesAndShowsAgain) {
    StartGame({});
    ShowCabinet();
    MoveTo(110, 310);
    EXPECT_TRUE(BubbleShown());
    EXPECT_EQ(Cabinet().GetHovered()->GetName(), "trophy_error_small");
    // Straight onto the next trophy: the bubble moves in the same frame.
    MoveTo(210, 310);
    EXPECT_TRUE(BubbleShown());
    EXPECT_EQ(Cabinet().GetHovered()->GetName(), "trophy_hint_small");
    EXPECT_DOUBLE_EQ(Widget("info")->GetProperty("anchor_left").ToDouble(), 130.0);
    MoveTo(5, 700);
    EXPECT_FALSE(BubbleShown());
    EXPECT_FALSE(Cabinet().GetHovered());
    MoveTo(210, 310);
    EXPECT_TRUE(BubbleShown());
}

TEST_F(TrophyCabinetTest, ATrophyBeingRevealedHasNoBubbleUntilItsRevealEnds) {
    StartGame({{"trophy_error_small", "yes"}, {"show_trophy", "trophy_error_small,"}}, 300);
    ShowCabinet();
    ASSERT_TRUE(Game().CloseGameScreen(game_->Screen("GS_NewTrophy"), nullptr));
    game_->Step(2);  // the reveal is under way, the owned look already shown
    MoveTo(110, 310);
    EXPECT_FALSE(BubbleShown());
    // Once the reveal has ended the trophy speaks as owned.
    game_->Step(3, 200);
    EXPECT_EQ(Reveals(), 0);
    MoveTo(5, 700);
    MoveTo(110, 310);
    EXPECT_TRUE(BubbleShown());
    EXPECT_EQ(Bubble(), "Owned: 5 flawless levels");
}

TEST_F(TrophyCabinetTest, TrophyTextForEachKindOfName) {
    StartGame({});
    ShowCabinet();
    TQuillmarchGameScreenTrophy& cabinet = Cabinet();
    // The big grade shares the small one's text, with its own limit.
    EXPECT_EQ(cabinet.TrophyText(false, Widget("trophies/trophy_error_small")),
              "Solve 5 levels without errors");
    EXPECT_EQ(cabinet.TrophyText(true, Widget("trophies/trophy_japan")), "Japan beaten with 3000");
    EXPECT_EQ(cabinet.TrophyText(false, Widget("trophies/error_medal")), "No errors, no worries");
    EXPECT_EQ(cabinet.TrophyText(false, Widget("user")), "");
    EXPECT_EQ(cabinet.TrophyText(false, nullptr), "");
}

TEST_F(TrophyCabinetTest, WithoutAProfileNothingIsFilled) {
    StartGame({{"show_trophy", "trophy_japan,"}});
    Game().GetUserProfiles()->SetCurrent("");
    ASSERT_FALSE(Game().GetUserProfiles()->GetCurrent());
    ShowCabinet();
    EXPECT_EQ(Shown(), "");
    EXPECT_EQ(Stored("user", "text_utf8"), "-");
    EXPECT_EQ(LookOf("trophy_japan"), "none");
}

}  // namespace
