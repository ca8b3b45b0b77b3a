// Progress bars and the digit timer: the image resized to the fraction,
// across or upwards; the clock's text and its rounding, the countdown to
// zero, the warnings at their shortening intervals, the fast count to a new
// value, and the digits' effect.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "tests/widgets/ControlFixtures.h"
#include "widgets/ProgressControls.h"
#include "widgets/WidgetUtils.h"

namespace controltest {
namespace {

class ProgressBar : public testing::Test {
protected:
    TProgressBarControl& Load(const std::string& keys) {
        screen.Load(R"(
          <widget type="group_widget" name="root">
            <widgets>
              <widget type="ProgressBarControl" name="p" visible="yes" width="200" height="200" )" +
                    keys + R"(>
                <widgets>
                  <widget type="image_widget" name="image" visible="yes" anchor_top="50"
                          width="200" height="100" resourcetop="10"/>
                </widgets>
              </widget>
            </widgets>
          </widget>)");
        auto* bar = dynamic_cast<TProgressBarControl*>(screen.Find("p").get());
        if (!bar) throw std::runtime_error("no progress bar");
        return *bar;
    }
    Ref<IWidget> Image() { return screen.Find("p/image"); }

    TWidgetHarness screen;
};

TEST_F(ProgressBar, TheImageIsCutToTheFractionFromItsLeftEdge) {
    TProgressBarControl& bar = Load("");
    struct TCase {
        double position;
        double kept;
        int32_t width;
    };
    const TCase cases[] = {{0.5, 0.5, 100},     {-1, 0, 0},          {2, 1, 200},
                           {0.0025, 0.0025, 0}, {0.0075, 0.0075, 2}, {0.3, 0.3, 60}};
    for (const TCase& c : cases) {
        bar.SetProperty("position", Variant(c.position));
        EXPECT_EQ(bar.GetProperty("position"), Variant(c.kept)) << c.position;
        EXPECT_EQ(Image()->GetWidth(), c.width) << c.position;
        EXPECT_EQ(Image()->GetHeight(), 100);
        EXPECT_EQ(Image()->GetLeft(), 0);
    }
    bar.SetProperty("position", Variant(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(Image()->GetWidth(), 0);
}

TEST_F(ProgressBar, AVerticalBarGrowsUpwardsShowingThePicturesLowerPart) {
    TProgressBarControl& bar = Load(R"(vertical="yes")");
    bar.SetProperty("position", Variant(0.25));
    EXPECT_EQ(Image()->GetHeight(), 25);
    EXPECT_EQ(Image()->GetTop(), 125);
    EXPECT_EQ(Image()->GetProperty("resourcetop"), Variant(85));
    EXPECT_EQ(Image()->GetWidth(), 200);
    bar.SetProperty("position", Variant(1.0));
    EXPECT_EQ(Image()->GetHeight(), 100);
    EXPECT_EQ(Image()->GetTop(), 50);
    EXPECT_EQ(Image()->GetProperty("resourcetop"), Variant(10));
}

TEST_F(ProgressBar, ChangingTheDirectionShowsAtTheNextPosition) {
    TProgressBarControl& bar = Load("");
    bar.SetProperty("position", Variant(0.5));
    bar.SetProperty("vertical", Variant(true));
    EXPECT_EQ(Image()->GetWidth(), 100);
    EXPECT_EQ(Image()->GetHeight(), 100);
    bar.SetProperty("position", Variant(0.5));
    EXPECT_EQ(Image()->GetHeight(), 50);
    EXPECT_EQ(Image()->GetTop(), 100);
    // Stored only when on.
    const Ref<IHierStorage> node = LoadStorageFromXML(WidgetToXMLText(screen.Find("p")));
    EXPECT_EQ(ReadString(node, "vertical", ""), "yes");
    EXPECT_EQ(ReadString(node, "position", "absent"), "absent");
}

class DigitTimer : public testing::Test {
protected:
    DigitTimer() { AddLongSound(screen); }

    TDigitTimerControl& Load(const std::string& keys) {
        screen.Load(R"(
          <widget type="group_widget" name="root">
            <widgets>
              <widget type="DigitTimerControl" name="t" visible="yes" width="100" height="20" )" +
                    keys + ">" + MutingSound("sound_timer_effect") + R"(
                <widgets>
                  <widget type="text_widget" name="min" visible="yes" width="60" height="20"/>
                  <widget type="test_widget" name="delimiter" visible="yes" width="4" height="20"/>
                  <widget type="text_widget" name="sec" visible="yes" width="30" height="20"/>
                </widgets>
              </widget>
            </widgets>
          </widget>)");
        auto* timer = dynamic_cast<TDigitTimerControl*>(screen.Find("t").get());
        if (!timer) throw std::runtime_error("no timer");
        return *timer;
    }
    std::string Text(const std::string& child) {
        return screen.Find("t/" + child)->GetProperty("text_utf8").ToString();
    }
    size_t Plays() { return SoundsPlaying(screen); }

    TWidgetHarness screen;
};

TEST_F(DigitTimer, TheClockShowsMinutesAndPaddedSeconds) {
    TDigitTimerControl& timer = Load(R"(countdown="yes")");
    timer.SetProperty("currenttime", Variant(65000));
    EXPECT_EQ(Text("min"), "1:05");
    EXPECT_EQ(Text("sec"), "05");
    EXPECT_EQ(timer.GetProperty("time_string"), Variant(std::string("1:05")));
    EXPECT_EQ(timer.GetProperty("time_in_sec"), Variant(65));
    EXPECT_EQ(timer.GetProperty("current_value"), Variant(65000));
    // The widget's own age took the value too.
    EXPECT_EQ(timer.GetProperty("currenttime"), Variant(65000));
}

TEST_F(DigitTimer, SecondsRoundHalvesToEvenWhileTheWholeSecondsAreCut) {
    TDigitTimerControl& timer = Load("");
    struct TCase {
        int32_t ms;
        const char* shown;
        int32_t seconds;
    };
    const TCase cases[] = {{1500, "0:02", 1},        {2500, "0:02", 2}, {1999, "0:02", 1},
                           {499, "0:00", 0},         {3500, "0:04", 3}, {600000, "10:00", 600},
                           {7199600, "120:00", 7199}};
    for (const TCase& c : cases) {
        timer.SetProperty("currenttime", Variant(c.ms));
        EXPECT_EQ(Text("min"), c.shown) << c.ms;
        EXPECT_EQ(timer.GetProperty("time_in_sec"), Variant(c.seconds)) << c.ms;
    }
}

TEST_F(DigitTimer, ACountdownStopsAtZeroAndSendsNothing) {
    TDigitTimerControl& timer = Load(R"(countdown="yes")");
    timer.SetProperty("currenttime", Variant(1050));
    screen.Step(1, 1000);
    EXPECT_EQ(Text("min"), "0:00");  // 50 ms, rounded down
    screen.Step(3, 1000);
    EXPECT_EQ(timer.GetCurrentValue(), 0);
    EXPECT_EQ(Text("sec"), "00");
    EXPECT_TRUE(screen.Events().empty());

    TDigitTimerControl& up = Load("");
    up.SetProperty("currenttime", Variant(59500));
    screen.Step(1, 1000);
    EXPECT_EQ(Text("min"), "1:00");
    EXPECT_EQ(up.GetCurrentValue(), 60500);
}

TEST_F(DigitTimer, TheWarningPlaysAtShorteningIntervalsInTheLastMinute) {
    TDigitTimerControl& timer = Load(R"(countdown="yes")");
    timer.SetProperty("currenttime", Variant(65000));
    screen.Step(50, 100);  // 60000
    EXPECT_EQ(Plays(), 0u);
    screen.Step(1, 100);  // 59900: once
    EXPECT_EQ(Plays(), 1u);
    screen.Step(299, 100);  // 30000
    EXPECT_EQ(Plays(), 1u);
    screen.Step(1, 100);  // 29900, 30 s after the first
    EXPECT_EQ(Plays(), 2u);
    screen.Step(100, 100);  // 19900, 10 s later
    EXPECT_EQ(Plays(), 3u);
    screen.Step(100, 100);  // 9900: below 10 s
    EXPECT_EQ(Plays(), 4u);
    // Then every 2 s: 7900, 5900, 3900, 1900; nothing at 0.
    std::vector<size_t> plays;
    for (int i = 0; i < 5; ++i) {
        screen.Step(20, 100);
        plays.push_back(Plays());
    }
    EXPECT_EQ(plays, (std::vector<size_t>{5, 6, 7, 8, 8}));
    EXPECT_EQ(timer.GetCurrentValue(), 0);
}

TEST_F(DigitTimer, TheEffectRestartsTheDigits) {
    TDigitTimerControl& timer = Load("");
    timer.SetProperty("currenttime", Variant(5000));
    EXPECT_TRUE(screen.Find("t/sec")->GetPaused());
    EXPECT_TRUE(screen.Find("t/delimiter")->GetPaused());
    // A count-up timer plays no warnings of its own.
    screen.Step(3, 100);
    EXPECT_EQ(Plays(), 0u);
    timer.SetProperty("play_effect", Variant(true));
    EXPECT_EQ(Plays(), 1u);
    for (const char* child : {"t/min", "t/sec", "t/delimiter"}) {
        EXPECT_FALSE(screen.Find(child)->GetPaused()) << child;
        EXPECT_EQ(screen.Find(child)->GetProperty("currenttime"), Variant(0)) << child;
    }
}

TEST_F(DigitTimer, AHigherValueIsReachedWithinASecondALowerOneAtOnce) {
    TDigitTimerControl& timer = Load("");
    timer.SetProperty("currenttime", Variant(10000));
    timer.SetProperty("value", Variant(30000));
    EXPECT_TRUE(timer.GetCounting());
    screen.Step(1, 100);
    EXPECT_EQ(timer.GetCurrentValue(), 12000);
    screen.Step(9, 100);
    EXPECT_EQ(timer.GetCurrentValue(), 30000);
    EXPECT_FALSE(timer.GetCounting());
    EXPECT_EQ(Text("min"), "0:30");
    // Then the clock runs on from there.
    screen.Step(1, 100);
    EXPECT_EQ(timer.GetCurrentValue(), 30100);

    timer.SetProperty("value", Variant(5000));
    screen.Step(1, 100);
    EXPECT_EQ(timer.GetCurrentValue(), 5000);
    EXPECT_EQ(Text("min"), "0:05");
    EXPECT_EQ(timer.GetProperty("value"), Variant(5000));
}

TEST_F(DigitTimer, AValueThatIsNoNumberChangesNothing) {
    TDigitTimerControl& timer = Load(R"(countdown="yes")");
    timer.SetProperty("currenttime", Variant(20000));
    timer.SetProperty("currenttime", Variant("soon"));
    timer.SetProperty("value", Variant("later"));
    EXPECT_EQ(timer.GetCurrentValue(), 20000);
    EXPECT_FALSE(timer.GetCounting());
    // The countdown flag is read but not written.
    const Ref<IHierStorage> node = LoadStorageFromXML(WidgetToXMLText(screen.Find("t")));
    EXPECT_EQ(ReadString(node, "countdown", "absent"), "absent");
}

}  // namespace
}  // namespace controltest
