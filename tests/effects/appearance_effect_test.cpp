// The appearance-effect widget: show and hide effects ending in the frame
// their age reaches "durationtime", the pending visibility when one
// interrupts the other, the cases that change the visibility at once, what
// stands still while an effect plays, the snapshot handed into the effect's
// inner tree, the repaint of a finished effect's area, and sounds.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "effects/AppearanceEffects.h"
#include "platform/audio/AudioDevice.h"
#include "tests/effects/EffectTestClasses.h"
#include "tests/support/WavFile.h"
#include "tests/support/WidgetHarness.h"
#include "widgets/WidgetUtils.h"

namespace effecttest {
namespace {

using widgettest::TTestWidget;

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kGreen = 0xFF00FF00;

// Red, give or take the rounding of drawing through a translucent picture
// (a snapshot).
bool IsRed(uint32_t pixel) {
    return (pixel >> 24) == 0xFF && (pixel >> 16 & 0xFF) >= 0xF0 && (pixel >> 8 & 0xFF) < 0x10 &&
           (pixel & 0xFF) < 0x10;
}

// An effect widget with a red box at (10, 8) of 20 by 10, a show effect that
// draws the snapshot through a surface widget, and a hide effect whose inner
// widget is a green area wider than the box.
std::string EffectWidgetXml(int showMs, int hideMs, const std::string& extra = "") {
    return R"(
      <widget type="appearance_effect_widget" name="panel" )" +
           extra + R"(>
        <widgets>
          <widget type="test_widget" name="box" visible="yes" mousestop="yes"
                  anchor_left="10" anchor_top="8" width="20" height="10" color="$FFFF0000"/>
        </widgets>
        <effects type="appearance_effects">
          <widgets>
            <widget type="func_appearance_effect" name="show_effect" durationtime=")" +
           std::to_string(showMs) + R"(" surfaceparamname="pic/surface">
              <widgets><widget type="test_surface_widget" name="pic" visible="yes"/></widgets>
            </widget>
            <widget type="func_appearance_effect" name="hide_effect" durationtime=")" +
           std::to_string(hideMs) + R"(">
              <widgets>
                <widget type="test_widget" name="spread" visible="yes" anchor_left="-6"
                        anchor_top="-4" width="32" height="18" color="$FF00FF00"/>
              </widgets>
            </widget>
          </widgets>
        </effects>
      </widget>)";
}

// The same widget inside a group whose black background repaints whatever
// the widget leaves.
std::string OnBackground(const std::string& widget) {
    return R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="test_widget" name="background" visible="yes" z="-1" width="64"
                  height="48" color="$FF000000"/>)" +
           widget + R"(
        </widgets>
      </widget>)";
}

bool Applying(const Ref<IWidget>& widget) {
    return widget->GetProperty("applyingeffect").ToBool();
}

TAppearanceEffectWdiget& AsEffectWidget(const Ref<IWidget>& widget) {
    return dynamic_cast<TAppearanceEffectWdiget&>(*widget);
}

// The name of the effect the collection is running; "" for none.
std::string RunningEffect(const Ref<IWidget>& widget) {
    const Ref<IAppearanceEffects> effects = AsEffectWidget(widget).GetEffects();
    if (!effects) return "";
    const auto* collection = dynamic_cast<TAppearanceEffectCollection*>(effects.get());
    return collection->GetCurrentEffect() ? collection->GetCurrentEffect()->GetName() : "";
}

TEST(EffectTiming, AnEffectEndsInTheFrameItsAgeReachesTheDuration) {
    struct TCase {
        int duration;
        int frames;  // 10-ms frames until the effect ends
    };
    const TCase cases[] = {{0, 1}, {10, 1}, {11, 2}, {95, 10}, {100, 10}, {101, 11}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "durationtime " << c.duration);
        TWidgetHarness screen(64, 48);
        // The screen makes its root visible: the show effect starts.
        const Ref<IWidget> panel = screen.Load(EffectWidgetXml(c.duration, 50));
        EXPECT_TRUE(panel->GetVisible());
        EXPECT_TRUE(Applying(panel));
        EXPECT_EQ(panel->GetProperty("effect_state").ToInt(), 0);
        screen.Step(c.frames - 1, 10);
        EXPECT_TRUE(Applying(panel));
        screen.Step(1, 10);
        // Effect, collection and widget all ended in that one frame.
        EXPECT_FALSE(Applying(panel));
        EXPECT_EQ(panel->GetProperty("effect_state").ToInt(), 1);
        EXPECT_EQ(RunningEffect(panel), "");
        EXPECT_TRUE(panel->GetVisible());
    }
}

TEST(EffectTiming, AHideKeepsTheWidgetVisibleUntilItsEffectEnds) {
    TWidgetHarness screen(64, 48);
    const Ref<IWidget> panel = screen.Load(EffectWidgetXml(0, 50));
    screen.Step(1, 10);
    ASSERT_FALSE(Applying(panel));
    panel->SetVisible(false);
    EXPECT_TRUE(panel->GetVisible());
    EXPECT_TRUE(Applying(panel));
    EXPECT_EQ(RunningEffect(panel), "hide_effect");
    screen.Step(4, 10);
    EXPECT_TRUE(panel->GetVisible());
    screen.Step(1, 10);
    EXPECT_FALSE(panel->GetVisible());
    EXPECT_FALSE(Applying(panel));
}

// A screen's after-show step waits for "applyingeffect" read by name.
TEST(EffectTiming, AScreenWaitingOnApplyingEffectGoesOnWhenTheShowEnds) {
    TWidgetHarness screen(64, 48);
    const Ref<IWidget> window = screen.Load(EffectWidgetXml(60, 50));
    int frames = 0;
    while (window->GetPropertyDef("applyingeffect", Variant(false)).ToBool() && frames < 100) {
        screen.Step(1, 10);
        ++frames;
    }
    EXPECT_EQ(frames, 6);
}

// A step of an interruption sequence: an action and what follows from it.
struct TStep {
    enum { kShow, kHide, kFrames } action;
    int frames;  // for kFrames, 10 ms each
    bool visible;
    bool applying;
    const char* running;  // the collection's running effect; null: not checked
};

struct TSequence {
    const char* name;
    std::vector<TStep> steps;
};

TEST(EffectInterruptions, PendingVisibilityFollowsTheTable) {
    // Show lasts 100 ms, hide 50 ms; the widget starts hidden and idle.
    const TSequence sequences[] = {
        {"a show during a hide ends the hide, then shows with the show effect",
         {{TStep::kShow, 0, true, true, "show_effect"},
          {TStep::kFrames, 10, true, false, ""},
          {TStep::kHide, 0, true, true, "hide_effect"},
          {TStep::kFrames, 2, true, true, "hide_effect"},
          {TStep::kShow, 0, true, true, "show_effect"},
          {TStep::kFrames, 9, true, true, "show_effect"},
          {TStep::kFrames, 1, true, false, ""}}},
        {"a hide during a show hides at once, then plays the hide effect",
         {{TStep::kShow, 0, true, true, "show_effect"},
          {TStep::kFrames, 3, true, true, "show_effect"},
          {TStep::kHide, 0, false, true, "hide_effect"},
          {TStep::kFrames, 4, false, true, "hide_effect"},
          {TStep::kFrames, 1, false, false, ""}}},
        {"the present visibility again plays nothing",
         {{TStep::kShow, 0, true, true, "show_effect"},
          {TStep::kFrames, 5, true, true, "show_effect"},
          {TStep::kShow, 0, true, true, "show_effect"},  // not restarted: ends at 100 ms
          {TStep::kFrames, 5, true, false, ""},
          {TStep::kShow, 0, true, false, ""},
          {TStep::kHide, 0, true, true, "hide_effect"},
          {TStep::kFrames, 2, true, true, "hide_effect"},
          // A hide under way is ended by the next change, this one too.
          {TStep::kHide, 0, false, false, nullptr},
          {TStep::kFrames, 5, false, false, nullptr},
          {TStep::kHide, 0, false, false, nullptr}}},
        {"show and hide alternating within one frame",
         {{TStep::kShow, 0, true, true, "show_effect"},
          {TStep::kHide, 0, false, true, "hide_effect"},
          {TStep::kShow, 0, true, true, "show_effect"},
          {TStep::kHide, 0, false, true, "hide_effect"},
          {TStep::kFrames, 5, false, false, ""}}},
    };
    for (const TSequence& sequence : sequences) {
        SCOPED_TRACE(sequence.name);
        TWidgetHarness screen(64, 48);
        // Inside a group, so that the screen does not show it.
        screen.Load(OnBackground(EffectWidgetXml(100, 50)));
        const Ref<IWidget> panel = screen.Find("panel");
        ASSERT_FALSE(panel->GetVisible());
        int index = 0;
        for (const TStep& step : sequence.steps) {
            SCOPED_TRACE(testing::Message() << "step " << index++);
            switch (step.action) {
                case TStep::kShow:
                    panel->SetVisible(true);
                    break;
                case TStep::kHide:
                    panel->SetProperty("visible", false);  // by name, as data does
                    break;
                case TStep::kFrames:
                    screen.Step(step.frames, 10);
                    break;
            }
            EXPECT_EQ(panel->GetVisible(), step.visible);
            EXPECT_EQ(Applying(panel), step.applying);
            if (step.running) {
                EXPECT_EQ(RunningEffect(panel), step.running);
            }
        }
    }
}

TEST(EffectInterruptions, AHideStartedWhileHiddenStillEndsInsideAGroup) {
    // The hidden widget is left out of its group's end-of-frame pass; its
    // hide effect must run to its end all the same.
    TWidgetHarness screen(64, 48);
    screen.Load(OnBackground(EffectWidgetXml(100, 50)));
    const Ref<IWidget> panel = screen.Find("panel");
    panel->SetVisible(true);
    screen.Step(2, 10);
    panel->SetVisible(false);
    ASSERT_FALSE(panel->GetVisible());
    ASSERT_TRUE(Applying(panel));
    screen.Step(5, 10);
    EXPECT_FALSE(Applying(panel));
    EXPECT_EQ(panel->GetProperty("effect_state").ToInt(), 1);
}

TEST(EffectFallbacks, WithoutAPlayableEffectTheVisibilityChangesAtOnce) {
    struct TCase {
        const char* name;
        std::string xml;
        bool attach;
    };
    const std::string show = R"(<widget type="func_appearance_effect" name="show_effect"
                                        durationtime="100"/>)";
    const std::string hide = R"(<widget type="func_appearance_effect" name="hide_effect"
                                        durationtime="100"/>)";
    const auto effects = [](const std::string& children) {
        return R"(<effects type="appearance_effects"><widgets>)" + children +
               "</widgets></effects>";
    };
    const TCase cases[] = {
        {"no effects", R"(<widget type="appearance_effect_widget" name="panel"/>)", true},
        {"effects off",
         R"(<widget type="appearance_effect_widget" name="panel" enable_effects="no">)" +
             effects(show + hide) + "</widget>",
         true},
        {"not attached",
         R"(<widget type="appearance_effect_widget" name="panel">)" + effects(show + hide) +
             "</widget>",
         false},
        {"no effect of the name",
         R"(<widget type="appearance_effect_widget" name="panel">)" + effects("") + "</widget>",
         true},
        {"a child of the name that is no effect",
         R"(<widget type="appearance_effect_widget" name="panel">)" +
             effects(R"(<widget type="test_widget" name="show_effect"/>
                        <widget type="test_widget" name="hide_effect"/>)") +
             "</widget>",
         true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TWidgetHarness screen(64, 48);
        Ref<IWidget> panel;
        if (c.attach) {
            screen.Load(OnBackground(c.xml));
            panel = screen.Find("panel");
        } else {
            panel = WidgetFromXMLText(c.xml);
        }
        ASSERT_TRUE(panel);
        for (const bool visible : {true, false, true}) {
            panel->SetVisible(visible);
            EXPECT_EQ(panel->GetVisible(), visible);
            EXPECT_FALSE(Applying(panel));
        }
    }
}

TEST(EffectFallbacks, EffectStateIsNullWithoutEffectsAndTracksTheCollection) {
    const Ref<IWidget> bare = WidgetFromXMLText(R"(<widget type="appearance_effect_widget"/>)");
    EXPECT_TRUE(bare->GetProperty("effect_state").IsNull());
    EXPECT_FALSE(bare->GetProperty("applyingeffect").ToBool());

    TWidgetHarness screen(64, 48);
    screen.Load(OnBackground(EffectWidgetXml(20, 20)));
    const Ref<IWidget> panel = screen.Find("panel");
    EXPECT_EQ(panel->GetProperty("effect_state").ToInt(), -1);  // never played
    panel->SetVisible(true);
    EXPECT_EQ(panel->GetProperty("effect_state").ToInt(), 0);
    screen.Step(2, 10);
    EXPECT_EQ(panel->GetProperty("effect_state").ToInt(), 1);
    // Read only: a set goes to the widget base, which keeps nothing.
    panel->SetProperty("applyingeffect", true);
    panel->SetProperty("effect_state", 0);
    EXPECT_FALSE(Applying(panel));
    EXPECT_EQ(panel->GetProperty("effect_state").ToInt(), 1);
}

TEST(EffectFlags, LoadedWithoutTheKeysBothFlagsAreOnAndCreatedBothAreOff) {
    const Ref<IWidget> loaded = WidgetFromXMLText(R"(<widget type="appearance_effect_widget"/>)");
    EXPECT_TRUE(loaded->GetProperty("enable_effects").ToBool());
    EXPECT_TRUE(loaded->GetProperty("skip_process_mouse").ToBool());
    const Ref<TAppearanceEffectWdiget> created = CreateObject<TAppearanceEffectWdiget>();
    EXPECT_FALSE(created->GetProperty("enable_effects").ToBool());
    EXPECT_FALSE(created->GetProperty("skip_process_mouse").ToBool());
    created->SetProperty("enable_effects", true);
    EXPECT_TRUE(created->GetEnableEffects());
}

TEST(EffectWhileApplying, TheWidgetsOwnClockLifetimeAndChildrenStandStill) {
    TWidgetHarness screen(64, 48);
    const Ref<IWidget> panel = screen.Load(EffectWidgetXml(100, 50, R"(timetolive="50")"));
    auto& box = dynamic_cast<TTestWidget&>(*screen.Find("box"));
    const int updatesBefore = box.updates;
    screen.Step(9, 10);
    EXPECT_EQ(box.updates, updatesBefore);
    EXPECT_EQ(box.GetCurrentTime(), 0);
    EXPECT_EQ(dynamic_cast<TAbstractWidget&>(*panel).GetCurrentTime(), 0);
    EXPECT_FALSE(panel->GetDead());
    screen.Step(1, 10);  // the effect ends; the widget's own step waits for the next frame
    EXPECT_FALSE(panel->GetDead());
    screen.Step(4, 10);
    EXPECT_EQ(box.GetCurrentTime(), 40);
    EXPECT_FALSE(panel->GetDead());
    screen.Step(1, 10);
    EXPECT_TRUE(panel->GetDead());
}

TEST(EffectWhileApplying, SkipProcessMouseKeepsTheMouseOffUntilTheEffectEnds) {
    for (const bool skip : {true, false}) {
        SCOPED_TRACE(skip ? "skip_process_mouse yes" : "skip_process_mouse no");
        TWidgetHarness screen(64, 48);
        const Ref<IWidget> panel =
            screen.Load(EffectWidgetXml(30, 50, skip ? "" : R"(skip_process_mouse="no")"));
        const Ref<IWidget> box = screen.Find("box");
        EXPECT_EQ(panel->WidgetAt(15, 10) == box, !skip);
        EXPECT_EQ(panel->GetMouseStop(), !skip);
        screen.Step(3, 10);
        EXPECT_EQ(panel->WidgetAt(15, 10), box);
    }
}

TEST(EffectSnapshot, TheSnapshotReachesAPropertyByPathInsideTheEffect) {
    TWidgetHarness screen(64, 48);
    const Ref<IWidget> panel = screen.Load(OnBackground(EffectWidgetXml(100, 50)));
    const Ref<IWidget> window = screen.Find("panel");
    window->SetVisible(true);
    const Ref<IAppearanceEffects> effects = AsEffectWidget(window).GetEffects();
    // From outside the effect: the collection, the effect, its inner widget.
    const Variant value = effects->GetProperty("show_effect/pic/surface");
    const Ref<ISurface> snapshot = Query<ISurface>(value.ToInterface());
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->GetWidth(), 20);
    EXPECT_EQ(snapshot->GetHeight(), 10);
    uint32_t corner = 0, inside = 0;
    snapshot->GetPixel(0, 0, corner);
    snapshot->GetPixel(19, 9, inside);
    EXPECT_EQ(corner, kRed);
    EXPECT_EQ(inside, kRed);

    // The screen shows the snapshot in the content's place while the box
    // itself is not drawn: a new colour shows only once the effect ends.
    const Ref<IWidget> box = screen.Find("panel/box");
    box->SetProperty("color", Variant(int64_t{kBlue}));
    box->Invalidate();
    screen.Step(1, 10);
    EXPECT_TRUE(IsRed(screen.Pixel(10, 8)));
    EXPECT_TRUE(IsRed(screen.Pixel(29, 17)));
    EXPECT_EQ(screen.Pixel(9, 8), kBlack);
    EXPECT_EQ(screen.Pixel(30, 17), kBlack);
    screen.Step(9, 10);
    EXPECT_FALSE(Applying(window));
    EXPECT_EQ(screen.Pixel(10, 8), kBlue);
}

TEST(EffectSnapshot, AnEffectWithParametersAnswersThemByName) {
    const Ref<TFunctionAppearanceEffect> effect = Query<TFunctionAppearanceEffect>(
        WidgetFromXMLText(R"(<widget type="func_appearance_effect" durationtime="40"/>)"));
    ASSERT_TRUE(effect);
    EXPECT_EQ(effect->GetState(), -1);
    const Ref<IParamCollection> params = ParamCollectionFromString("\\speed=3\\durationtime=7");
    effect->Start(nullptr, params);
    EXPECT_EQ(effect->GetState(), 0);
    EXPECT_EQ(effect->GetProperty("speed").ToInt(), 3);
    effect->SetProperty("speed", 5);
    EXPECT_EQ(effect->GetProperty("speed").ToInt(), 5);
    EXPECT_EQ(params->GetValue("speed", Variant()).ToInt(), 3);  // a copy was kept
    // The effect's own values come before the parameters.
    EXPECT_EQ(effect->GetProperty("durationtime").ToInt(), 40);
    effect->Update(39);
    EXPECT_EQ(effect->GetState(), 0);
    effect->Update(1);
    EXPECT_EQ(effect->GetState(), 1);
}

TEST(EffectRepaint, AFinishedHideEffectLeavesNothingOfItselfOnTheScreen) {
    TWidgetHarness screen(64, 48);
    screen.Load(OnBackground(EffectWidgetXml(0, 30, R"(visible="yes")")));
    const Ref<IWidget> panel = screen.Find("panel");
    screen.Step(1, 10);
    EXPECT_TRUE(IsRed(screen.Pixel(10, 8)));
    panel->SetVisible(false);
    screen.Step(1, 10);
    // The hide effect's green area reaches beyond the box.
    EXPECT_EQ(screen.Pixel(4, 4), kGreen);
    EXPECT_EQ(screen.Pixel(35, 21), kGreen);
    EXPECT_EQ(screen.Pixel(36, 22), kBlack);
    screen.Step(2, 10);
    ASSERT_FALSE(Applying(panel));
    ASSERT_FALSE(panel->GetVisible());
    // The frame the effect ended in repainted all it covered.
    for (const TPoint p : {TPoint{4, 4}, TPoint{35, 21}, TPoint{10, 8}, TPoint{29, 17}}) {
        EXPECT_EQ(screen.Pixel(p.x, p.y), kBlack) << p.x << "," << p.y;
    }
    // And the next frame is idle.
    screen.Step(1, 10);
    EXPECT_FALSE(screen.FrameRendered());
}

TEST(EffectRepaint, AShowEffectDrawsWhereTheContentIsWhateverTheWidgetsPlace) {
    TWidgetHarness screen(64, 48);
    screen.Load(OnBackground(EffectWidgetXml(50, 30, R"(anchor_left="7" anchor_top="5")")));
    const Ref<IWidget> panel = screen.Find("panel");
    panel->SetVisible(true);
    EXPECT_EQ(panel->GetBounds(), (TRect{17, 13, 37, 23}));
    screen.Step(1, 10);
    EXPECT_TRUE(IsRed(screen.Pixel(17, 13)));
    EXPECT_TRUE(IsRed(screen.Pixel(36, 22)));
    EXPECT_EQ(screen.Pixel(16, 13), kBlack);
    // The effect's inner widgets map points through the effect's place.
    const Ref<IWidget> pic = AsEffectWidget(panel).GetEffects()->FindWidget("show_effect/pic");
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->ScreenToLocal(17, 13), (TPoint{0, 0}));
}

class EffectSounds : public testing::Test {
protected:
    static constexpr int kRate = 44100;

    float Loudness(int ms) {
        auto* device = static_cast<TAudioDevice*>(screen.Engine().Audio()->GetBackend());
        const size_t frames = size_t(kRate) * size_t(ms) / 1000;
        std::vector<float> pcm(2 * frames);
        device->RenderFloat(pcm.data(), frames);
        double sum = 0;
        for (float v : pcm) sum += std::fabs(v);
        return float(sum / double(pcm.size()));
    }

    TWidgetHarness screen{64, 48};
};

TEST_F(EffectSounds, StartingAnEffectPlaysItsSoundEffect) {
    screen.Folder().Write("whoosh.wav", MakeWav16(kRate, 1, std::vector<int16_t>(kRate, 16384)));
    screen.Engine().LoadResources(LoadStorageFromXML(R"(<resources><content>
        <resource name="Whoosh" type="SoundResource" file="whoosh.wav"/>
      </content></resources>)"),
                                  "test", kLoadResourcesAtOnce);
    screen.Engine().SetOption("SoundVolume", Variant("100"));
    screen.Load(OnBackground(R"(
      <widget type="appearance_effect_widget" name="panel">
        <effects type="appearance_effects">
          <widgets>
            <widget type="func_appearance_effect" name="show_effect" durationtime="100">
              <sounds><sound name="sound_effect" resourcename="Whoosh" volume="100"/></sounds>
            </widget>
            <widget type="func_appearance_effect" name="hide_effect" durationtime="100"/>
          </widgets>
        </effects>
      </widget>)"));
    EXPECT_LT(Loudness(10), 0.01f);
    const Ref<IWidget> panel = screen.Find("panel");
    panel->SetVisible(true);
    EXPECT_GT(Loudness(20), 0.1f);
    screen.Step(10, 10);
    screen.Engine().Audio()->StopAllSounds();
    panel->SetVisible(false);  // no sound of its own: silent, and it still plays
    EXPECT_TRUE(Applying(panel));
    EXPECT_LT(Loudness(20), 0.01f);
}

TEST(EffectContent, ClearContentEndsARunningEffectAndDropsTheEffects) {
    TWidgetHarness screen(64, 48);
    const Ref<IWidget> panel = screen.Load(EffectWidgetXml(0, 50));
    screen.Step(1, 10);
    panel->SetVisible(false);
    ASSERT_TRUE(Applying(panel));
    ASSERT_TRUE(panel->GetVisible());  // the hide plays
    dynamic_cast<IPersistObject2&>(*panel).ClearContent();
    EXPECT_FALSE(Applying(panel));
    EXPECT_FALSE(panel->GetVisible());  // the pending visibility was applied
    EXPECT_FALSE(AsEffectWidget(panel).GetEffects());
    EXPECT_EQ(panel->GetChildren()->GetCount(), 0);
    panel->SetVisible(true);
    EXPECT_TRUE(panel->GetVisible());
    EXPECT_FALSE(Applying(panel));
}

TEST(EffectContent, TheCollectionAndEffectsHoldNoBackLinkOnceTheirHolderGoes) {
    Ref<IAppearanceEffects> effects;
    Ref<IWidget> inner;
    {
        TWidgetHarness screen(64, 48);
        const Ref<IWidget> panel = screen.Load(EffectWidgetXml(100, 50));
        effects = AsEffectWidget(panel).GetEffects();
        inner = effects->FindWidget("show_effect/pic");
        ASSERT_TRUE(inner);
        EXPECT_TRUE(effects->GetOwner());
        EXPECT_TRUE(inner->GetOwner());
        screen.SetRoot(nullptr);
    }
    EXPECT_FALSE(effects->GetOwner());
    EXPECT_FALSE(inner->GetOwner());
    // The running effect was stopped when the collection left its widget.
    EXPECT_FALSE(effects->FindWidget("show_effect")->GetVisible());
}

}  // namespace
}  // namespace effecttest
