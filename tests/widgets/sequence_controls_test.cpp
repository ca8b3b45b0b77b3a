// Sequences and animated bars: timed steps and their one report of code 10,
// steps by presses of any button, a delayed first step; the bar's fill as
// the share of its width, its count, a fill set directly, and its stored
// keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "tests/widgets/ControlFixtures.h"
#include "widgets/SequenceControls.h"
#include "widgets/WidgetUtils.h"

namespace controltest {
namespace {

using Events = std::vector<TTestScreen::TEvent>;

class Sequence : public testing::Test {
protected:
    TSequenceControl& Load(const std::string& keys) {
        screen.Load(R"(
          <widget type="group_widget" name="root">
            <widgets>
              <widget type="SequenceControl" name="s" visible="yes" mousestop="yes" width="100"
                      height="100" )" +
                    keys + R"(>
                <widgets>
                  <widget type="test_widget" name="one" visible="yes" z="1" width="10" height="10"/>
                  <widget type="test_widget" name="two" visible="yes" z="2" width="10" height="10"/>
                  <widget type="test_widget" name="three" visible="yes" z="3" width="10" height="10"/>
                </widgets>
              </widget>
            </widgets>
          </widget>)");
        auto* sequence = dynamic_cast<TSequenceControl*>(screen.Find("s").get());
        if (!sequence) throw std::runtime_error("no sequence");
        return *sequence;
    }
    // The names of the visible children.
    std::string Shown() {
        std::string shown;
        for (const char* name : {"one", "two", "three"}) {
            if (screen.Find(std::string("s/") + name)->GetVisible()) shown += name;
        }
        return shown;
    }

    TWidgetHarness screen;
};

TEST_F(Sequence, LoadingHidesEveryStepUntilTheFirstUpdate) {
    TSequenceControl& sequence = Load(R"(step_duration_time="2000")");
    EXPECT_EQ(Shown(), "");
    EXPECT_TRUE(screen.Find("s/one")->GetPaused());
    EXPECT_EQ(sequence.GetStep(), -1);
    screen.Step(1, 10);
    EXPECT_EQ(Shown(), "one");
    EXPECT_FALSE(screen.Find("s/one")->GetPaused());
}

TEST_F(Sequence, TimedStepsFollowEachOtherAndTheEndIsReportedOnce) {
    TSequenceControl& sequence = Load(R"(step_duration_time="2000")");
    screen.Step(1, 10);
    screen.Step(1, 1990);
    EXPECT_EQ(Shown(), "one");
    screen.Step(1, 10);
    EXPECT_EQ(Shown(), "two");
    EXPECT_TRUE(screen.Find("s/one")->GetPaused());
    screen.Step(1, 2000);
    EXPECT_EQ(Shown(), "three");
    EXPECT_TRUE(screen.Events().empty());
    screen.Step(1, 2000);
    EXPECT_EQ(screen.Events(), (Events{{"s", 10}}));
    EXPECT_EQ(Shown(), "three");
    EXPECT_EQ(sequence.GetStep(), 2);
    // Later updates and presses do not repeat it.
    screen.Step(5, 500);
    screen.Click(50, 50);
    EXPECT_EQ(screen.Events(), (Events{{"s", 10}}));
}

TEST_F(Sequence, WithoutADurationPressesOfAnyButtonStep) {
    Load("");
    screen.Step(1, 10);
    screen.Step(3, 5000);
    EXPECT_EQ(Shown(), "one");
    screen.Click(50, 50, SDL_BUTTON_RIGHT);
    EXPECT_EQ(Shown(), "two");
    screen.Click(50, 50, SDL_BUTTON_MIDDLE);
    EXPECT_EQ(Shown(), "three");
    EXPECT_TRUE(screen.Events().empty());
    screen.Click(50, 50);
    EXPECT_EQ(screen.Events(), (Events{{"s", 10}}));
}

TEST_F(Sequence, ANegativeStartingAgeDelaysTheFirstStep) {
    Load(R"(step_duration_time="100" currenttime="-500")");
    screen.Step(4, 100);
    EXPECT_EQ(Shown(), "");
    screen.Step(1, 100);
    EXPECT_EQ(Shown(), "one");
}

TEST_F(Sequence, ATabStopSequenceTakesTheFocusOnALeftPress) {
    Load(R"(tabstop="yes")");
    screen.Step(1, 10);
    screen.Click(50, 50);
    EXPECT_EQ(screen.Screen().GetFocus(), screen.Find("s"));
    EXPECT_EQ(Shown(), "two");
}

TEST_F(Sequence, AnEmptySequenceEndsAtItsFirstUpdate) {
    screen.Load(R"(<widget type="group_widget" name="root"><widgets>
        <widget type="SequenceControl" name="s" visible="yes" step_duration_time="100"/>
        </widgets></widget>)");
    screen.Step(3, 100);
    EXPECT_EQ(screen.Events(), (Events{{"s", 10}}));
}

class AnimatedBar : public testing::Test {
protected:
    TAnimatedBarControl& Load(const std::string& keys) {
        screen.Load(R"(
          <widget type="group_widget" name="root">
            <widgets>
              <widget type="AnimatedBarControl" name="a" visible="yes" width="200" height="10" )" +
                    keys + R"(>
                <widgets>
                  <widget type="test_widget" name="bar" visible="yes" width="200" height="10"
                          extraparams="\position=-1"/>
                </widgets>
              </widget>
            </widgets>
          </widget>)");
        auto* bar = dynamic_cast<TAnimatedBarControl*>(screen.Find("a").get());
        if (!bar) throw std::runtime_error("no bar");
        return *bar;
    }
    double Position() { return screen.Find("a/bar")->GetProperty("position").ToDouble(); }

    TWidgetHarness screen;
};

TEST_F(AnimatedBar, TheFillIsTheShareOfTheBarsWidth) {
    TAnimatedBarControl& bar = Load(R"(animation="no")");
    EXPECT_EQ(bar.GetProperty("bar_width"), Variant(200));
    EXPECT_EQ(Position(), 0.0);
    bar.SetProperty("value", Variant(100));
    screen.Step();
    EXPECT_EQ(Position(), 0.5);
    EXPECT_EQ(bar.GetProperty("animation_complete"), Variant(true));
}

TEST_F(AnimatedBar, TheFillCountsTowardsTheValueAndJumpsWhenSetDirectly) {
    TAnimatedBarControl& bar = Load(R"(maxincrementaldurationtime="1000")");
    bar.SetProperty("value", Variant(100));
    screen.Step(1, 100);
    EXPECT_EQ(bar.GetCurrentValue(), 10);
    EXPECT_EQ(Position(), 0.05);
    bar.SetProperty("current_value", Variant(60));
    screen.Step(1, 100);
    // From 60, 40 left over the 900 ms that remain: 100 * 40 / 900, cut.
    EXPECT_EQ(bar.GetCurrentValue(), 64);
    EXPECT_EQ(Position(), 0.32);
    EXPECT_EQ(bar.GetProperty("animation_complete"), Variant(false));
    screen.Step(1, 900);
    EXPECT_EQ(bar.GetCurrentValue(), 100);
    // Switching the animation on shows the value at once.
    bar.SetProperty("value", Variant(20));
    bar.SetProperty("animation", Variant(true));
    EXPECT_EQ(Position(), 0.1);
}

TEST_F(AnimatedBar, TheLargestValueIsReadButNotWritten) {
    TAnimatedBarControl& bar = Load(R"(max_value="400" minincrementalvaluepersecond="5")");
    EXPECT_EQ(bar.GetProperty("max_value"), Variant(400));
    bar.SetProperty("max_value", Variant(500));
    EXPECT_EQ(bar.GetMaxValue(), 500);
    const Ref<IHierStorage> node = LoadStorageFromXML(WidgetToXMLText(screen.Find("a")));
    EXPECT_EQ(ReadString(node, "max_value", "absent"), "absent");
    EXPECT_EQ(ReadString(node, "minincrementalvaluepersecond", ""), "5");
    EXPECT_EQ(ReadString(node, "maxincrementaldurationtime", ""), "0");
    EXPECT_EQ(ReadString(node, "animation", ""), "yes");
}

TEST_F(AnimatedBar, ABarOfNoWidthIsEmpty) {
    screen.Load(R"(<widget type="group_widget" name="root"><widgets>
        <widget type="AnimatedBarControl" name="a" visible="yes" animation="no">
          <widgets><widget type="test_widget" name="bar" extraparams="\position=-1"/></widgets>
        </widget></widgets></widget>)");
    screen.Find("a")->SetProperty("value", Variant(50));
    screen.Step();
    EXPECT_EQ(screen.Find("a/bar")->GetProperty("position").ToDouble(), 0.0);
}

}  // namespace
}  // namespace controltest
