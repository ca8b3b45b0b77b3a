// Keyframed scenarios: the duration texts and seeded random durations, the
// modifier table, nine properties against ten, real and integer steps,
// random and relative targets, the next actions as the screen passes them to
// the game, the widget lists, clicks, untimed runs, a linked widget removed
// during the run, and chains that loop without time passing. Most cases run on both
// "flash_scenario_control" and "flash_scenario", which must behave alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/base/Random.h"
#include "core/object/GeneralClasses.h"
#include "tests/support/WidgetHarness.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/FlashScenario.h"
#include "widgets/WidgetUtils.h"

namespace widgettest {
namespace {

const char* const kBothTypes[] = {"flash_scenario_control", "flash_scenario"};

// A widget that records the commands it is given.
class TCommandWidget : public TTestWidget {
public:
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override {
        std::string line = std::to_string(command);
        for (int32_t i = 0; params && i < params->GetCount(); ++i) {
            const Ref<IParam> param = params->GetParam(Variant(i));
            line += " " + param->GetName() + "=" + param->GetValue().ToString();
        }
        commands.push_back(line);
    }
    std::vector<std::string> commands;
};

// A box with nine free properties p1..p9 at 0 (and p10), beside the scenario
// "flash" of the given type and keys, linked to the box unless the keys say
// otherwise, and whatever else is given.
std::string Tree(const std::string& type, std::string keys, const std::string& others = "") {
    if (keys.find("linked_widget_name") == std::string::npos) {
        keys += R"( linked_widget_name="box")";
    }
    return R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="test_widget" name="box" visible="yes" width="10" height="10"
                  extraparams="\p1=0\p2=0\p3=0\p4=0\p5=0\p6=0\p7=0\p8=0\p9=0\p10=0"/>
          )" +
           others + R"(<widget type=")" + type + R"(" name="flash" )" + keys + R"(/>
        </widgets>
      </widget>)";
}

// The box's free property pi, appended piece by piece: g++ 12 -O2 warns
// falsely (-Wrestrict) on "p" + std::to_string(i).
std::string Free(int i) {
    std::string name = "p";
    name += std::to_string(i);
    return name;
}

class FlashTest : public testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() {
        if (!FindRegisteredClass("test_command_widget")) {
            RegisterObjectClass(ClassOf<TCommandWidget>(), "test_command_widget");
        }
    }
    Ref<TFlashScenarioBase> Load(const std::string& keys, const std::string& others = "") {
        screen.Load(Tree(GetParam(), keys, others));
        flash = Query<TFlashScenarioBase>(screen.Find("flash"));
        EXPECT_TRUE(flash);
        return flash;
    }
    Variant BoxProperty(const std::string& name) { return screen.Find("box")->GetProperty(name); }
    // What the screen was asked to pass on to the game.
    const std::vector<std::string>& ScreenCalls() { return screen.Screen().ScreenCalls(); }

    TWidgetHarness screen{64, 48};
    Ref<TFlashScenarioBase> flash;
};

INSTANTIATE_TEST_SUITE_P(BothForms, FlashTest, testing::ValuesIn(kBothTypes));

struct TDurationCase {
    const char* text;
    int32_t base;
    int32_t increment;
    bool logged;
};

TEST_P(FlashTest, DurationTexts) {
    const TDurationCase cases[] = {
        {"", -1, 0, false},
        {"500", 500, 0, false},
        {"0", 0, 0, false},
        {"rnd:800", -1, 800, false},
        {"rnd:1000:500", 1000, 500, false},
        {"rndish:300", -1, 300, false},  // "rnd" is a prefix
        {"rnd", -1, 0, true},
        {"rnd:", -1, 0, true},
        {"abc", -1, 0, true},
        {"1.5", -1, 0, true},
        {"99999999999", -1, 0, true},
        {"rnd:x:5", -1, 0, true},
        {"rnd:5:x", 5, 0, true},  // what was read before the failure stays
    };
    for (const TDurationCase& c : cases) {
        SCOPED_TRACE(c.text);
        TLogCapture log;
        Load(std::string("duration=\"") + c.text + "\" next=\"a\"");
        EXPECT_EQ(flash->GetProperty("duration").ToInt(), c.base);
        EXPECT_EQ(flash->GetProperty("maxincrementaldurationtime").ToInt(), c.increment);
        EXPECT_EQ(log.Has({"WIDGET", "duration", c.text}), c.logged)
            << testing::PrintToString(log.Lines());
        EXPECT_EQ(flash->GetNextAction(), "a") << "the keys after a bad duration still load";
    }
    Load("");
    EXPECT_EQ(flash->GetProperty("duration").ToInt(), -1) << "absent";
    flash->SetProperty("duration", Variant("rnd:5"));
    EXPECT_EQ(flash->GetProperty("duration").ToInt(), -1) << "set by name: integers only";
    flash->SetProperty("duration", Variant(250));
    EXPECT_EQ(flash->GetBaseDuration(), 250);
}

TEST_P(FlashTest, RandomDurationsFollowTheSeedAndNeverComeOutUntimed) {
    struct TCase {
        const char* text;
        int32_t low, high;
    };
    // "rnd:1" would be -1 + 0 every time, were the base of -1 kept.
    for (const TCase& c : {TCase{"rnd:1000:500", 1000, 1499}, TCase{"rnd:800", 0, 799},
                           TCase{"rnd:-5:3", 0, 2}, TCase{"rnd:1", 0, 0}}) {
        SCOPED_TRACE(c.text);
        Load(std::string("duration=\"") + c.text + "\"");
        std::vector<int32_t> runs;
        RandomSeed(11);
        for (int i = 0; i < 300; ++i) {
            flash->Restart();
            runs.push_back(flash->GetRunDuration());
            EXPECT_TRUE(flash->GetTimed());
        }
        EXPECT_GE(*std::min_element(runs.begin(), runs.end()), c.low);
        EXPECT_LE(*std::max_element(runs.begin(), runs.end()), c.high);
        if (c.high - c.low >= 2) {
            EXPECT_GT(std::set<int32_t>(runs.begin(), runs.end()).size(), 2u);
        }
        RandomSeed(11);
        for (int32_t expected : runs) {
            flash->Restart();
            EXPECT_EQ(flash->GetRunDuration(), expected);
        }
    }
    Load("");
    flash->Restart();
    EXPECT_EQ(flash->GetRunDuration(), -1);
    EXPECT_FALSE(flash->GetTimed());
}

struct TTrackCase {
    const char* name;
    const char* value;
    bool integerStep;
    bool increment;
    bool randomTarget;
    const char* target;
};

TEST_P(FlashTest, ModifierTable) {
    const TTrackCase cases[] = {
        {"width", "10", true, false, false, "10"},
        {"angle", "10", false, false, false, "10"},
        {"zoom", "1.5", false, false, false, "1.5"},
        {"anchor_left", "3", false, false, false, "3"},
        {"anchor_top", "3", false, false, false, "3"},
        {"zoomx", "3", false, false, false, "3"},
        {"zoomy", "3", false, false, false, "3"},
        {"Angle", "10", true, false, false, "10"},  // the names are exact
        {"width", "float:10", true, false, false, "10"},
        {"angle", "float:10", true, false, false, "10"},
        {"width", "int:10", false, false, false, "10"},
        {"width", "rnd:100", true, false, true, "100"},
        {"width", "inc:50", true, true, false, "50"},
        {"width", "rnd_inc:50", true, true, true, "50"},
        {"width", "inc_rnd_int:-5", false, true, true, "-5"},
        {"width", " inc _ float :7", true, true, false, "7"},
        {"width", "other:7", true, false, false, "7"},
        {"width", "rnd:2:3", true, false, true, "2:3"},  // only the first ":" ends the modifiers
    };
    for (const TTrackCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.value);
        Load(std::string("properties=\" ") + c.name + " \" value=\"" + c.value + "\"");
        ASSERT_EQ(flash->GetTrackCount(), 1);
        const TFlashPropertyTrack& track = flash->GetTrack(0);
        EXPECT_EQ(track.name, c.name);
        EXPECT_EQ(track.value.ToString(), c.target);
        EXPECT_EQ(track.integerStep, c.integerStep);
        EXPECT_EQ(track.increment, c.increment);
        EXPECT_EQ(track.randomTarget, c.randomTarget);
        EXPECT_EQ(flash->GetActionType(), TFlashScenarioBase::kLinear);
        EXPECT_EQ(flash->GetProperty("properties").ToString(), c.name);
    }
}

TEST_P(FlashTest, NinePropertiesAnimateTenMakeItIdleButItStillEndsAndActs) {
    struct TCase {
        const char* properties;
        const char* values;
        bool animates;
    };
    const TCase cases[] = {
        {"p1;p2;p3;p4;p5;p6;p7;p8;p9", "10;20;30;40;50;60;70;80;90", true},
        {"p1;p2;p3;p4;p5;p6;p7;p8;p9;p10", "10;20;30;40;50;60;70;80;90;100", false},
        {"p1;p2;p3", "10;20", false},
        {" p1 ;; p2 ;p3;p4;p5;p6;p7;p8;p9 ", "10;20;30;40;50;60;70;80;90", true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.properties);
        Load(std::string("duration=\"1000\" properties=\"") + c.properties + "\" value=\"" +
                 c.values + "\" next=\"marker\"",
             R"(<widget type="test_widget" name="marker" paused="yes"/>)");
        EXPECT_EQ(flash->GetActionType(),
                  c.animates ? TFlashScenarioBase::kLinear : TFlashScenarioBase::kIdle);
        screen.Step(1, 10);  // the run starts at age 0
        screen.Step(50, 10);
        for (int i = 1; i <= 9; ++i) {
            EXPECT_EQ(BoxProperty(Free(i)).ToInt(), c.animates ? 5 * i : 0) << i;
        }
        EXPECT_TRUE(flash->GetRunning());
        EXPECT_TRUE(screen.Find("marker")->GetPaused());
        screen.Step(50, 10);
        EXPECT_FALSE(flash->GetRunning());
        EXPECT_TRUE(flash->GetPaused());
        for (int i = 1; i <= 10; ++i) {
            EXPECT_EQ(BoxProperty(Free(i)).ToInt(),
                      c.animates && i <= 9 ? 10 * i : 0)
                << i;
        }
        EXPECT_FALSE(screen.Find("marker")->GetPaused()) << "the next action ran";
        EXPECT_TRUE(screen.Find("marker")->GetVisible());
    }
}

TEST_P(FlashTest, RealPropertiesStepInRealsAndTheRestInIntegers) {
    Load(R"(duration="1000" properties="anchor_left;width;anchor_top;height"
            value="100;20;float:-10;int:11")");
    screen.Step(1, 10);
    EXPECT_EQ(flash->GetProperty("value").ToDouble(), 100.0) << "the first track's end value";
    screen.Step(25, 10);
    EXPECT_DOUBLE_EQ(BoxProperty("anchor_left").ToDouble(), 25.0);
    EXPECT_EQ(BoxProperty("width").ToInt(), 12);                   // 10 + 2.5 cut
    EXPECT_DOUBLE_EQ(BoxProperty("anchor_top").ToDouble(), -2.0);  // -2.5 cut toward zero
    EXPECT_EQ(BoxProperty("height").ToInt(), 10);  // 10.25 given to an integer property
    screen.Step(1, 5);
    EXPECT_DOUBLE_EQ(BoxProperty("anchor_left").ToDouble(), 25.5);
    screen.Step(80, 10);
    EXPECT_DOUBLE_EQ(BoxProperty("anchor_left").ToDouble(), 100.0);
    EXPECT_EQ(BoxProperty("width").ToInt(), 20);
    EXPECT_DOUBLE_EQ(BoxProperty("anchor_top").ToDouble(), -10.0);
    EXPECT_EQ(BoxProperty("height").ToInt(), 11);
}

TEST_P(FlashTest, RandomAndRelativeTargetsUnderASeededGenerator) {
    struct TCase {
        const char* value;
        int32_t low, high;  // of the end value
    };
    const TCase cases[] = {{"rnd:100", 0, 99},    {"rnd:-100", -99, 0}, {"inc:50", 57, 57},
                           {"rnd_inc:50", 7, 56}, {"rnd:0", 0, 0},      {"inc:-7", 0, 0}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.value);
        std::set<int32_t> seen;
        for (uint32_t seed = 1; seed <= 40; ++seed) {
            Load(std::string(R"(duration="0" properties="p1" value=")") + c.value + "\"");
            screen.Find("box")->SetProperty("p1", Variant(7));
            RandomSeed(seed);
            screen.Step();
            const int32_t end = BoxProperty("p1").ToInt();
            EXPECT_GE(end, c.low);
            EXPECT_LE(end, c.high);
            seen.insert(end);
        }
        if (c.low != c.high) {
            EXPECT_GT(seen.size(), 5u);
        }
    }
}

TEST_P(FlashTest, AZeroDurationFinishesInTheFirstFrameWithTheEndValues) {
    Load(R"(duration="0" properties="anchor_left;p1" value="40;3" show_on_start="yes")");
    screen.Find("box")->SetVisible(false);
    screen.Step();
    EXPECT_DOUBLE_EQ(BoxProperty("anchor_left").ToDouble(), 40.0);
    EXPECT_EQ(BoxProperty("p1").ToInt(), 3);
    EXPECT_TRUE(BoxProperty("visible").ToBool());
    EXPECT_FALSE(flash->GetRunning());
    EXPECT_TRUE(flash->GetPaused());
    EXPECT_FALSE(flash->GetLinkedWidget()) << "the link goes at the end of a run";
}

TEST_P(FlashTest, AnUntimedRunHoldsItsStartValuesUntilItIsEnded) {
    Load(R"(properties="anchor_left" value="100" mousestop="yes" hide_on_end="yes")");
    screen.Step(100, 10);
    EXPECT_TRUE(flash->GetRunning());
    EXPECT_FALSE(flash->GetTimed());
    EXPECT_DOUBLE_EQ(BoxProperty("anchor_left").ToDouble(), 0.0);
    screen.Click(30, 30);
    EXPECT_FALSE(flash->GetRunning());
    EXPECT_DOUBLE_EQ(BoxProperty("anchor_left").ToDouble(), 100.0);
    EXPECT_FALSE(BoxProperty("visible").ToBool());
}

TEST_P(FlashTest, ALinkedWidgetThatIsNotFoundMakesTheRunIdleForThatRunOnly) {
    Load(R"(duration="100" linked_widget_name="later" properties="anchor_left" value="50")");
    screen.Step(5);
    EXPECT_FALSE(flash->GetRunLinear());
    EXPECT_EQ(flash->GetActionType(), TFlashScenarioBase::kLinear);
    screen.Step(10);
    EXPECT_FALSE(flash->GetRunning()) << "it still times out";
    screen.Root()->GetChildren()->AddWidget(WidgetFromXMLText(
        R"(<widget type="test_widget" name="later" visible="yes" anchor_left="10"/>)"));
    flash->Restart();
    screen.Step(6);
    EXPECT_TRUE(flash->GetRunLinear());
    const int32_t age = flash->GetCurrentTime();
    EXPECT_GT(age, 0);
    EXPECT_DOUBLE_EQ(screen.Find("later")->GetLeft(), 10 + 40 * age / 100.0);
}

TEST_P(FlashTest, TheLinkedWidgetIsFoundThroughTheOwnerAndAnsweredForAnyChildName) {
    Load(R"(duration="1000" linked_widget_name="window:/box" properties="p1" value="8")");
    EXPECT_FALSE(flash->FindWidget("anything"));
    screen.Step();
    EXPECT_EQ(flash->FindWidget("anything"), screen.Find("box"));
    EXPECT_EQ(flash->GetChild(Variant(3)), screen.Find("box"));
}

TEST_P(FlashTest, PreviosIsHiddenAtTheStartAndNextShownAtTheEnd) {
    Load(
        R"(duration="50" previos="old1; old2 ;missing" next="new1;rnd:pick_a,pick_b,pick_c; ;gone")",
        R"(<widget type="test_widget" name="old1" visible="yes"/>
            <widget type="test_widget" name="old2" visible="yes"/>
            <widget type="test_widget" name="new1" paused="yes" currenttime="400"/>
            <widget type="test_widget" name="pick_a" paused="yes"/>
            <widget type="test_widget" name="pick_b" paused="yes"/>
            <widget type="test_widget" name="pick_c" paused="yes"/>)");
    RandomSeed(3);
    screen.Step();
    for (const char* name : {"old1", "old2"}) {
        EXPECT_FALSE(screen.Find(name)->GetVisible()) << name;
        EXPECT_TRUE(screen.Find(name)->GetPaused()) << name;
    }
    EXPECT_FALSE(screen.Find("new1")->GetVisible());
    screen.Step(5);
    const Ref<IWidget> shown = screen.Find("new1");
    EXPECT_TRUE(shown->GetVisible());
    EXPECT_FALSE(shown->GetPaused());
    EXPECT_LT(shown->GetProperty("currenttime").ToInt(), 400) << "restarted";
    int picked = 0;
    for (const char* name : {"pick_a", "pick_b", "pick_c"}) {
        picked += screen.Find(name)->GetVisible() ? 1 : 0;
    }
    EXPECT_EQ(picked, 1);
}

TEST_P(FlashTest, ScreenActionsGoToTheGameThroughTheScreen) {
    struct TCase {
        const char* next;
        std::vector<std::string> calls;
    };
    const TCase cases[] = {
        {"closegamescreen", {"close"}},
        {"showgamescreen:GS_Map", {"show GS_Map"}},
        {"showgamescreen:GS_Unknown", {"show GS_Unknown"}},  // refused; nothing else happens
        {"showgamescreen", {"show "}},
        {"closegamescreen:now", {}},  // the whole text only: a widget list here
        {"Closegamescreen", {}},
    };
    screen.Screen().KnownScreens() = {"GS_Map"};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.next);
        screen.Screen().ClearScreenCalls();
        Load(std::string(R"(duration="20" next=")") + c.next + "\"");
        screen.Step(3);
        EXPECT_EQ(ScreenCalls(), c.calls);
        EXPECT_FALSE(flash->GetRunning());
        // A pause of a finished run acts again.
        flash->Pause();
        EXPECT_EQ(ScreenCalls().size(), 2 * c.calls.size());
    }
}

TEST_P(FlashTest, WithoutAScreenNothingIsOpenedOrClosed) {
    for (const char* next : {"closegamescreen", "showgamescreen:GS_Map"}) {
        const Ref<IWidget> alone = WidgetFromXMLText(std::string(R"(<widget type=")") + GetParam() +
                                                     R"(" duration="0" next=")" + next + R"("/>)");
        alone->Update(10);
        EXPECT_TRUE(alone->GetPaused()) << next;
    }
}

TEST_P(FlashTest, AMouseStopRunTakesEveryClickUntilAPressAndReleaseEndIt) {
    Load(R"(duration="10000" mousestop="yes" next="showgamescreen:GS_Map")");
    EXPECT_FALSE(screen.Screen().WidgetAt(5, 5)) << "not running yet";
    screen.Step();
    EXPECT_TRUE(flash->GetMouseStop());
    EXPECT_EQ(screen.Screen().WidgetAt(63, 47), Ref<IWidget>(flash));
    EXPECT_EQ(screen.Screen().WidgetAt(-100, 900), Ref<IWidget>(flash)) << "no bounds test";
    screen.MouseUp(5, 5);
    EXPECT_TRUE(flash->GetRunning()) << "a release without a press";
    flash->HandleEvent(kMouseLeftDouble, 5, 5, 0);
    flash->HandleEvent(kMouseRightDouble, 5, 5, 0);
    EXPECT_FALSE(flash->GetPressed()) << "double clicks do nothing";
    screen.MouseDown(5, 5, SDL_BUTTON_RIGHT);
    EXPECT_TRUE(flash->GetPressed());
    EXPECT_TRUE(flash->GetRunning());
    screen.MouseUp(5, 5, SDL_BUTTON_RIGHT);
    EXPECT_FALSE(flash->GetRunning());
    EXPECT_TRUE(flash->GetPaused());
    EXPECT_EQ(ScreenCalls(), (std::vector<std::string>{"show GS_Map"}));
    EXPECT_FALSE(screen.Screen().WidgetAt(5, 5));
    EXPECT_FALSE(flash->GetMouseStop());
    EXPECT_FALSE(flash->GetProperty("mousestop").ToBool());
}

TEST_P(FlashTest, WithoutMouseStopClicksPassThrough) {
    Load(R"(duration="10000")");
    screen.Step();
    EXPECT_FALSE(screen.Screen().WidgetAt(5, 5));
    flash->HandleEvent(kMouseLeftDown, 5, 5, 0);
    flash->HandleEvent(kMouseLeftUp, 5, 5, 0);
    EXPECT_TRUE(flash->GetRunning());
}

TEST_P(FlashTest, ALinkedWidgetRemovedDuringTheRunIsNeverTouchedAgain) {
    Load(R"(duration="1000" properties="anchor_left;p1" value="100;9" hide_on_end="yes"
            next="showgamescreen:GS_Map")");
    screen.Step(30);
    EXPECT_TRUE(flash->GetLinkedWidget());
    Journal().clear();
    screen.Root()->GetChildren()->Delete(Variant("box"));
    EXPECT_NE(std::find(Journal().begin(), Journal().end(), "destroy box"), Journal().end());
    EXPECT_FALSE(flash->GetLinkedWidget());
    EXPECT_FALSE(flash->FindWidget("x"));
    screen.Step(80);
    EXPECT_FALSE(flash->GetRunning()) << "the run still ends on time";
    EXPECT_EQ(ScreenCalls(), (std::vector<std::string>{"show GS_Map"}));
}

TEST_P(FlashTest, AttachStartsAFreshRunAndRestartStartsOneAtOnce) {
    Load(R"(duration="100" properties="p1" value="10")");
    screen.Step(3);
    EXPECT_TRUE(flash->GetRunning());
    screen.Find("box")->SetProperty("p1", Variant(50));
    flash->Restart();
    EXPECT_TRUE(flash->GetRunning());
    EXPECT_EQ(flash->GetTrack(0).startValue.ToDouble(), 50.0);
    EXPECT_EQ(flash->GetCurrentTime(), 0);
    flash->Detach();
    EXPECT_FALSE(flash->GetLinkedWidget());
    flash->Attach(Query<IWidgetOwner>(screen.Root()).get());
    EXPECT_FALSE(flash->GetRunning());
    screen.Step(2);  // the restart's step stood for the next frame's update
    EXPECT_TRUE(flash->GetRunning());
}

TEST_P(FlashTest, AChainThatLoopsWithoutTimePassingIsCut) {
    const std::string other = std::string(R"(<widget type=")") + GetParam() +
                              R"(" name="back" duration="0" next="flash" paused="yes"/>)";
    Load(R"(duration="0" next="back")", other);
    screen.Step();
    EXPECT_TRUE(screen.Log().Has({"WIDGET", "comes back round", "chain stops"}))
        << testing::PrintToString(screen.Log().Lines());
    screen.Step(3);
}

TEST_P(FlashTest, AChainOfTimedStepsRunsOneAfterTheOther) {
    const std::string steps =
        std::string(R"(<widget type=")") + GetParam() +
        R"(" name="second" duration="50" linked_widget_name="box" properties="p2" value="5"
                                 previos="flash" next="flash" paused="yes"/>)";
    Load(R"(duration="50" properties="p1" value="5" next="second")", steps);
    screen.Step(6);
    EXPECT_EQ(BoxProperty("p1").ToInt(), 5);
    EXPECT_TRUE(flash->GetPaused());
    const Ref<TFlashScenarioBase> second = Query<TFlashScenarioBase>(screen.Find("second"));
    EXPECT_TRUE(second->GetRunning());
    screen.Step(6);
    EXPECT_EQ(BoxProperty("p2").ToInt(), 5);
    EXPECT_TRUE(flash->GetRunning()) << "back to the first step";
    EXPECT_FALSE(screen.Log().Has({"chain stops"}));
}

TEST(FlashScenarioControl, ExecuteCommandRunsTheNumberedCommandWithUpperCasedParameters) {
    if (!FindRegisteredClass("test_command_widget")) {
        RegisterObjectClass(ClassOf<TCommandWidget>(), "test_command_widget");
    }
    struct TCase {
        const char* keys;
        std::vector<std::string> commands;
    };
    const TCase cases[] = {
        {R"(next="execute_command:3" command_params="\speed=5\Mode={a\b}"
            extraparams="\control_name=../target")",
         {"3 SPEED=5 MODE=a\\b"}},
        {R"(next="execute_command:7" extraparams="\control_name=../target")", {"7"}},
        {R"(next="execute_command:x" extraparams="\control_name=../target")", {}},
        {R"(next="execute_command" extraparams="\control_name=../target")", {}},
        {R"(next="execute_command:-1" extraparams="\control_name=../target")", {}},
        {R"(next="execute_command:3")", {}},
        {R"(next="execute_command:3" extraparams="\control_name=../nowhere")", {}},
        {R"(next="execute_command:3" extraparams="\control_name=target")", {}},  // a child: none
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.keys);
        TWidgetHarness screen(64, 48);
        screen.Load(Tree("flash_scenario_control", std::string(R"(duration="10" )") + c.keys,
                         R"(<widget type="test_command_widget" name="target"/>)"));
        screen.Step(3);
        const Ref<TCommandWidget> target = Query<TCommandWidget>(screen.Find("target"));
        EXPECT_EQ(target->commands, c.commands);
    }
}

TEST(FlashScenario, HasNoCommandActionAndTakesItAsAWidgetList) {
    for (const char* type : kBothTypes) {
        SCOPED_TRACE(type);
        TWidgetHarness screen(64, 48);
        screen.Load(Tree(type, R"(duration="10" next="execute_command:3" command_params="\a=1"
                                   extraparams="\control_name=../execute_command:3")",
                         R"(<widget type="test_widget" name="execute_command:3" paused="yes"/>)"));
        screen.Step(3);
        const Ref<IWidget> named = screen.Find("execute_command:3");
        const bool isControl = std::string(type) == "flash_scenario_control";
        EXPECT_EQ(named->GetVisible(), !isControl);
        EXPECT_EQ(named->GetPaused(), isControl);
        const Ref<TFlashScenarioControl> control =
            Query<TFlashScenarioControl>(screen.Find("flash"));
        EXPECT_EQ(bool(control), isControl);
        if (control) {
            EXPECT_EQ(control->GetCommandParams(), "\\a=1");
        }
    }
}

TEST(FlashScenarioHelpers, ColonsAndConversions) {
    std::string before, after;
    SplitAtColon("rnd:1:2", before, after);
    EXPECT_EQ(before, "rnd");
    EXPECT_EQ(after, "1:2");
    SplitAtColon("plain", before, after);
    EXPECT_EQ(before, "plain");
    EXPECT_EQ(after, "");
    EXPECT_EQ(TextAfterColon("showgamescreen:GS_Map"), "GS_Map");
    EXPECT_EQ(TextAfterColon("nothing"), "");

    struct TCase {
        Variant value;
        bool converts;
        double real;
    };
    const TCase cases[] = {
        {Variant("12.5"), true, 12.5},
        {Variant("3,25"), true, 3.25},
        {Variant("abc"), true, 0.0},
        {Variant(""), true, 0.0},
        {Variant(7), true, 7.0},
        {Variant(), true, 0.0},
        {Variant::Null(), true, 0.0},
        {Variant(Ref<IInterface>(CreateObject<TParamCollection>())), false, 0.0},
    };
    for (const TCase& c : cases) {
        Variant value = c.value;
        EXPECT_EQ(ConvertToReal(value), c.converts);
        if (c.converts) {
            EXPECT_EQ(value.ToDouble(), c.real);
        }
    }
}

}  // namespace
}  // namespace widgettest
