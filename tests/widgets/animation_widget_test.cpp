// Animation, sequence and blink widgets: the frames and levels their cycle
// shows at each age (start delay, playing, the delay between cycles,
// finished), the strip's rows, and the data that would divide by zero.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/WidgetHarness.h"
#include "tests/widgets/LeafFixtures.h"
#include "widgets/AnimationWidgets.h"
#include "widgets/WidgetUtils.h"

namespace leaftest {
namespace {

template <class T>
Ref<T> Make(const std::string& xml) {
    Ref<T> widget = Query<T>(WidgetFromXMLText(xml));
    EXPECT_TRUE(widget) << xml;
    return widget;
}

Ref<TAnimationWidget> Animation(const std::string& attributes) {
    return Make<TAnimationWidget>(R"(<widget type="animation_widget" width="10" height="10"
        framescount="10" animationtime="1000" )" +
                                  attributes + "/>");
}

// What the cycle shows after each step, one entry per step.
struct TStepCase {
    const char* name;
    std::string attributes;
    std::vector<int32_t> steps;
    std::vector<int32_t> frames;
    bool runningAtEnd;
};

TEST(AnimationWidget, FramesForTheAgeThroughTheCycle) {
    const TStepCase cases[] = {
        {"plain", "", {250, 500, 249, 1, 500}, {2, 7, 9, 9, 9}, false},
        {"finished on the first frame", R"(stoponfirst="yes")", {250, 750}, {2, 0}, false},
        {"reversed", R"(reverse="yes")", {250, 500, 250}, {7, 2, 0}, false},
        {"a start delay", R"(startdelaytime="300")", {200, 100, 250}, {0, 0, 2}, true},
        // The time past the delay is played at once, all of it.
        {"a long first frame", R"(startdelaytime="100")", {350}, {2}, true},
        {"looping", R"(loop="yes")", {900, 200, 300}, {9, 1, 4}, true},
        // The first frame rests through the delay; a step past its end plays
        // the overshoot in the same frame.
        {"looping with a delay",
         R"(loop="yes" cycledelaytime="500")",
         {1000, 200, 300, 100, 200, 750},
         {0, 0, 0, 1, 3, 0},
         true},
        {"looping, a step past the delay",
         R"(loop="yes" cycledelaytime="500")",
         {1000, 650},
         {0, 1},
         true},
        // A cycle of no length cannot repeat: it ends on its last frame.
        {"looping in no time", R"(loop="yes" animationtime="0")", {10, 10}, {9, 9}, false},
        {"no frames", R"(framescount="0")", {1500}, {-1}, false},
    };
    for (const TStepCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Ref<TAnimationWidget> widget = Animation(c.attributes);
        ASSERT_EQ(c.steps.size(), c.frames.size());
        std::vector<int32_t> frames;
        for (int32_t step : c.steps) {
            widget->Update(step);
            frames.push_back(widget->GetProperty("currentframe").ToInt());
        }
        EXPECT_EQ(frames, c.frames);
        EXPECT_EQ(widget->GetRunning(), c.runningAtEnd);
    }
}

TEST(AnimationWidget, SettingLoopRevivesAFinishedAnimationAndRestartPlaysAgain) {
    const Ref<TAnimationWidget> widget = Animation("");
    widget->Update(1200);
    ASSERT_EQ(widget->GetPhase(), TPlayCycle::kFinished);
    widget->SetProperty("loop", Variant(true));
    EXPECT_TRUE(widget->GetRunning());
    EXPECT_EQ(widget->GetPhase(), TPlayCycle::kStartDelay);

    const Ref<TAnimationWidget> other = Animation("");
    other->Update(1200);
    other->Restart();
    EXPECT_TRUE(other->GetRunning());
    EXPECT_EQ(other->GetCurrentTime(), 0);
    other->Update(300);
    EXPECT_EQ(other->GetFrame(), 3);

    other->SetProperty("currentframe", Variant(1));
    EXPECT_EQ(other->GetFrame(), 1);
    other->SetProperty("reverse", Variant(true));
    other->SetProperty("currentframe", Variant(1));
    EXPECT_EQ(other->GetFrame(), 8);  // written through ShowFrame
    EXPECT_EQ(other->GetProperty("framescount").ToInt(), 10);
    EXPECT_EQ(other->GetProperty("animationtime").ToInt(), 1000);
}

// A strip of 3 frames a row, 2 rows, each frame one colour.
uint32_t StripColor(int column, int row) {
    return 0xFF000000u | uint32_t(40 + 60 * column) << 16 | uint32_t(30 + 100 * row) << 8 | 0x11;
}

TEST(AnimationWidget, FramesFillTheStripRowByRow) {
    TWidgetHarness screen(40, 30);
    // The strip starts at (5, 2) of the picture, 30 wide: 3 frames a row. The
    // frames are copied as they are.
    AddImage(screen, "strip", 40, 30, [](int x, int y) {
        if (x < 5 || y < 2 || x >= 35 || y >= 22) return 0xFF000000u;
        return StripColor((x - 5) / 10, (y - 2) / 10);
    });
    screen.Load(R"(
      <widget type="group_widget"><widgets>
        <widget type="animation_widget" name="a" visible="yes" paused="yes" anchor_left="3"
                anchor_top="4" width="10" height="10" blendingmode="bltfast" resourcename="strip" resourceleft="5" resourcetop="2"
                resourcewidth="30" resourceheight="20" framescount="6" animationtime="600"/>
      </widgets></widget>)");
    auto* widget = dynamic_cast<TAnimationWidget*>(screen.Find("a").get());
    ASSERT_TRUE(widget);
    const int expected[6][2] = {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}};
    for (int frame = 0; frame < 6; ++frame) {
        SCOPED_TRACE(frame);
        widget->SetFrame(frame);
        screen.Step(1, 0);
        const uint32_t color = StripColor(expected[frame][0], expected[frame][1]);
        EXPECT_EQ(screen.Pixel(3, 4), color);
        EXPECT_EQ(screen.Pixel(12, 13), color);
    }
}

TEST(AnimationWidget, AStripNarrowerThanTheWidgetDrawsNothing) {
    TWidgetHarness screen(20, 20);
    AddImage(screen, "strip", 20, 20, [](int, int) { return 0xFFFF0000u; });
    screen.Load(R"(
      <widget type="group_widget"><widgets>
        <widget type="animation_widget" visible="yes" width="10" height="10" resourcename="strip"
                resourcewidth="9" framescount="2" animationtime="100"/>
        <widget type="animation_widget" visible="yes" anchor_left="10" height="10"
                resourcename="strip" resourcewidth="20" framescount="2" animationtime="100"/>
      </widgets></widget>)");
    screen.Step();
    EXPECT_EQ(screen.Pixel(2, 2), 0u);
    EXPECT_EQ(screen.Pixel(12, 2), 0u);
}

Ref<TSequenceAnimationWidget> Sequence(const std::string& attributes) {
    return Make<TSequenceAnimationWidget>(
        R"(<widget type="sequence_animation_widget" width="10" height="10" framescount="8"
                   default_duration="100" )" +
        attributes + R"(>
             <frame subimage_index="5"/>
             <frame subimage_index="2" duration="200"/>
             <frame subimage_index="7"/>
           </widget>)");
}

TEST(SequenceAnimationWidget, EachStepShowsForItsDuration) {
    const Ref<TSequenceAnimationWidget> widget = Sequence("");
    ASSERT_EQ(widget->Steps().size(), 3u);
    EXPECT_EQ(widget->GetAnimationTime(), 400);
    EXPECT_EQ(widget->GetStep(), -1);
    struct TCase {
        int32_t time;
        int32_t step;
    };
    // Both ends of a span count; the earlier step wins.
    const TCase forward[] = {{0, 0}, {50, 0}, {100, 0}, {150, 1}, {300, 1}, {301, 2}, {399, 2}};
    for (const TCase& c : forward) {
        widget->ShowAtTime(c.time);
        EXPECT_EQ(widget->GetStep(), c.step) << c.time;
    }
    widget->ShowAtTime(500);  // past the end: nothing changes
    EXPECT_EQ(widget->GetStep(), 2);
    EXPECT_EQ(widget->GetFrame(), 7);

    const Ref<TSequenceAnimationWidget> reversed = Sequence(R"(reverse="yes")");
    const TCase backward[] = {{0, 2}, {100, 2}, {150, 1}, {301, 0}, {399, 0}};
    for (const TCase& c : backward) {
        reversed->ShowAtTime(c.time);
        EXPECT_EQ(reversed->GetStep(), c.step) << c.time;
    }
}

TEST(SequenceAnimationWidget, TheCycleWalksTheStepsAndStores) {
    const Ref<TSequenceAnimationWidget> widget = Sequence(R"(loop="yes")");
    std::vector<int32_t> frames;
    for (int i = 0; i < 6; ++i) {
        widget->Update(80);
        frames.push_back(widget->GetFrame());
    }
    // Ages 80, 160, 240, 320, 400 (the cycle ends: age 0), 80.
    EXPECT_EQ(frames, (std::vector<int32_t>{5, 2, 2, 7, 5, 5}));

    widget->SetProperty("currentframe", Variant(1));
    EXPECT_EQ(widget->GetStep(), 1);
    EXPECT_EQ(widget->GetFrame(), 2);
    widget->SetProperty("currentframe", Variant(3));  // no such step
    EXPECT_EQ(widget->GetStep(), 1);

    const std::string saved = WidgetToXMLText(Ref<IInterface>(widget));
    // "duration" only where it is not the default.
    EXPECT_NE(saved.find(R"(subimage_index="5")"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"(subimage_index="2" duration="200")"), std::string::npos) << saved;
    size_t durations = 0;
    for (size_t at = saved.find(R"( duration=")"); at != std::string::npos;
         at = saved.find(R"( duration=")", at + 1)) {
        ++durations;
    }
    EXPECT_EQ(durations, 1u) << saved;
    const Ref<TSequenceAnimationWidget> copy = Query<TSequenceAnimationWidget>(CloneWidget(widget));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->Steps(), widget->Steps());
    EXPECT_EQ(copy->GetAnimationTime(), 400);
}

TEST(SequenceAnimationWidget, AFrameSnapshotShowsThatFrameAndPutsTheShownOneBack) {
    TWidgetHarness screen(20, 20);
    AddImage(screen, "strip", 40, 10, [](int x, int) { return StripColor(x / 10, 0); });
    screen.Load(R"(
      <widget type="group_widget"><widgets>
        <widget type="sequence_animation_widget" name="s" visible="yes" width="10" height="10"
                resourcename="strip" resourcewidth="40" framescount="4" default_duration="100">
          <frame subimage_index="1"/><frame subimage_index="3"/>
        </widget>
      </widgets></widget>)");
    screen.Step();
    const Ref<IAnimationWidget> widget = Query<IAnimationWidget>(screen.Find("s"));
    ASSERT_TRUE(widget);
    EXPECT_EQ(widget->GetFramesCount(), 4);
    const Ref<ISurface> snapshot = widget->GetFrameSnapshot(2);
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(PixelOf(*snapshot, 5, 5), StripColor(2, 0));
    EXPECT_EQ(dynamic_cast<TSequenceAnimationWidget&>(*widget).GetFrame(), 1);
    EXPECT_FALSE(widget->GetChanged());
}

Ref<TBlinkWidget> Blink(const std::string& attributes) {
    return Make<TBlinkWidget>(R"(<widget type="blink_widget" firstperiod="500"
        start_transparentlevel="0" peak_transparentlevel="255" )" +
                              attributes + "/>");
}

TEST(BlinkWidget, TheLevelRisesToThePeakAndFalls) {
    const TStepCase cases[] = {
        {"once",
         R"(secondperiod="500" end_transparentlevel="0")",
         {250, 250, 250, 250},
         {127, 255, 128, 0},
         false},
        {"ends on the start level",
         R"(end_transparentlevel="40" stoponfirst="yes")",
         {250, 750},
         {127, 0},
         false},
        // Without their keys the second period is the first and the end level
        // the start level.
        {"defaults", "", {750, 250}, {128, 0}, false},
        {"a start delay", R"(startdelaytime="100")", {100, 250}, {0, 127}, true},
        {"looping", R"(loop="yes" cycledelaytime="200")", {1000, 100, 300}, {0, 0, 102}, true},
    };
    for (const TStepCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Ref<TBlinkWidget> widget = Blink(c.attributes);
        std::vector<int32_t> levels;
        for (int32_t step : c.steps) {
            widget->Update(step);
            levels.push_back(widget->GetTransparentLevel());
        }
        EXPECT_EQ(levels, c.frames);
        EXPECT_EQ(widget->GetRunning(), c.runningAtEnd);
    }
}

TEST(BlinkWidget, ACountedLoopStopsAtTheEndLevelAndDies) {
    const Ref<TBlinkWidget> widget =
        Blink(R"(secondperiod="500" end_transparentlevel="30" loop="yes" loops_count="2")");
    widget->Update(1000);
    EXPECT_EQ(widget->GetLoopsCount(), 1);
    EXPECT_FALSE(widget->GetDead());
    widget->Update(250);
    EXPECT_EQ(widget->GetTransparentLevel(), 127);
    widget->Update(750);
    EXPECT_EQ(widget->GetLoopsCount(), 0);
    EXPECT_TRUE(widget->GetDead());
    EXPECT_FALSE(widget->GetRunning());
    EXPECT_EQ(widget->GetTransparentLevel(), 30);
    // The count is stored while not 0.
    EXPECT_EQ(WidgetToXMLText(Ref<IInterface>(widget)).find("loops_count"), std::string::npos);
    const std::string fresh = WidgetToXMLText(Ref<IInterface>(Blink(R"(loops_count="3")")));
    EXPECT_NE(fresh.find(R"(loops_count="3")"), std::string::npos) << fresh;
}

TEST(BlinkWidget, PeriodsOfNoLengthDoNotDivideByZero) {
    for (const char* attributes :
         {R"(firstperiod="0" secondperiod="0" loop="yes")", R"(firstperiod="0" secondperiod="0")",
          R"(firstperiod="-5" secondperiod="0" loop="yes" startdelaytime="-100")"}) {
        SCOPED_TRACE(attributes);
        const Ref<TBlinkWidget> widget = Make<TBlinkWidget>(
            std::string(R"(<widget type="blink_widget" peak_transparentlevel="255" )") +
            attributes + "/>");
        widget->Update(10);
        widget->Update(10);
        EXPECT_FALSE(widget->GetRunning());
        EXPECT_EQ(widget->GetTransparentLevel(), 0);
    }
}

TEST(BlinkWidget, PropertiesReadAndWrite) {
    const Ref<TBlinkWidget> widget = Blink("");
    for (const char* name :
         {"firstperiod", "secondperiod", "start_transparentlevel", "peak_transparentlevel",
          "end_transparentlevel", "startdelaytime", "cycledelaytime"}) {
        widget->SetProperty(name, Variant(77));
        EXPECT_EQ(widget->GetProperty(name).ToInt(), 77) << name;
    }
    widget->SetProperty("stoponfirst", Variant(true));
    EXPECT_TRUE(widget->GetProperty("stoponfirst").ToBool());
    widget->Update(10000);
    ASSERT_FALSE(widget->GetRunning());
    widget->SetProperty("loop", Variant(true));
    EXPECT_TRUE(widget->GetRunning());
}

}  // namespace
}  // namespace leaftest
