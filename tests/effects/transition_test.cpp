// The sequence transition: which child shows at which age, with and without
// "cycle", long-running cycles, and the two surfaces handed to the child
// that becomes current.
#include <gtest/gtest.h>

#include <string>

#include "effects/TransitionWidgets.h"
#include "engine/surface/EngineSurface.h"
#include "tests/effects/EffectTestClasses.h"
#include "widgets/WidgetUtils.h"

namespace effecttest {
namespace {

// A transition of count frame children, each a surface widget showing the
// transition's "surface1".
std::string TransitionXml(int count, int duration, const std::string& extra = "") {
    std::string xml = R"(<widget type="sequience_transition_effect" durationtime=")" +
                      std::to_string(duration) + "\" " + extra + "><widgets>";
    for (int i = 0; i < count; ++i) {
        xml += R"(<widget type="test_surface_widget" visible="yes" name="f)" + std::to_string(i) +
               R"(" aliases="\surface1=surface"/>)";
    }
    return xml + "</widgets></widget>";
}

Ref<TSequienceTransitionEffectWdiget> LoadTransition(const std::string& xml) {
    Ref<TSequienceTransitionEffectWdiget> widget =
        Query<TSequienceTransitionEffectWdiget>(WidgetFromXMLText(xml));
    EXPECT_TRUE(widget) << xml;
    return widget;
}

// The one child shown ("none" when no child is; "many" when more are), and
// every hidden child paused, every shown one running.
std::string Shown(TSequienceTransitionEffectWdiget& widget) {
    std::string shown = "none";
    const Ref<IWidgetCollection> children = widget.GetChildren();
    for (int32_t i = 0; i < children->GetCount(); ++i) {
        const Ref<IWidget> child = children->GetWidgetByIndex(i);
        EXPECT_EQ(child->GetPaused(), !child->GetVisible()) << child->GetName();
        if (!child->GetVisible()) continue;
        shown = shown == "none" ? child->GetName() : "many";
    }
    return shown;
}

// Ages the widget to age (from wherever it is) in one step.
void AgeTo(TSequienceTransitionEffectWdiget& widget, int32_t age) {
    widget.Update(age - widget.GetCurrentTime());
}

TEST(SequenceTransition, TheChildForEachAgeWithAndWithoutCycle) {
    struct TCase {
        int32_t age;
        const char* shown;
        const char* cycling;
    };
    // Four children over 1000 ms: each a quarter, the first half of one.
    const TCase cases[] = {
        {0, "f0", "f0"},      {100, "f0", "f0"},    {125, "f0", "f0"},  // 0.5 rounds to even 0
        {130, "f1", "f1"},    {375, "f2", "f2"},    {400, "f2", "f2"},
        {874, "f3", "f3"},    {875, "none", "f0"},  // 3.5 rounds to even 4
        {1000, "none", "f0"}, {1130, "none", "f1"}, {2400, "none", "f2"},
    };
    const Ref<TSequienceTransitionEffectWdiget> plain = LoadTransition(TransitionXml(4, 1000));
    const Ref<TSequienceTransitionEffectWdiget> cycling =
        LoadTransition(TransitionXml(4, 1000, R"(extraparams="\cycle=yes")"));
    EXPECT_EQ(Shown(*plain), "none");  // loaded hidden and paused, nothing before an update
    EXPECT_EQ(plain->GetIndex(), -1);
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "age " << c.age);
        AgeTo(*plain, c.age);
        AgeTo(*cycling, c.age);
        EXPECT_EQ(Shown(*plain), c.shown);
        EXPECT_EQ(Shown(*cycling), c.cycling);
    }
    EXPECT_EQ(plain->GetIndex(), 10);
    EXPECT_EQ(cycling->GetIndex(), 2);
}

TEST(SequenceTransition, NoDurationOrNoChildrenLeavesTheShownChildAsItIs) {
    const Ref<TSequienceTransitionEffectWdiget> widget = LoadTransition(TransitionXml(4, 1000));
    AgeTo(*widget, 400);
    ASSERT_EQ(Shown(*widget), "f2");
    for (const int32_t duration : {0, -5}) {
        widget->SetProperty("durationtime", duration);
        AgeTo(*widget, 800);
        EXPECT_EQ(Shown(*widget), "f2");
        EXPECT_EQ(widget->GetIndex(), 2);
    }
    const Ref<TSequienceTransitionEffectWdiget> empty = LoadTransition(TransitionXml(0, 1000));
    AgeTo(*empty, 500);
    EXPECT_EQ(empty->GetIndex(), -1);
}

TEST(SequenceTransition, ALongRunningCycleKeepsItsPlace) {
    // 16 children: 16 times the age leaves 32 bits after about 37 hours.
    const Ref<TSequienceTransitionEffectWdiget> widget =
        LoadTransition(TransitionXml(16, 1000, R"(extraparams="\cycle=yes")"));
    for (const int32_t age : {134217728, 2147483500, 2147483647}) {
        SCOPED_TRACE(testing::Message() << "age " << age);
        widget->SetProperty("currenttime", age);
        widget->Update(0);
        const int64_t exact = (int64_t{16} * age + 500) / 1000;  // no halves at these ages
        EXPECT_EQ(widget->GetIndex(), exact % 16);
        std::string expected = "f";
        expected += std::to_string(exact % 16);
        EXPECT_EQ(Shown(*widget), expected);
    }
}

TEST(SequenceTransition, AChildTakesTheSurfacesWhenItBecomesCurrent) {
    const Ref<TSequienceTransitionEffectWdiget> widget = LoadTransition(TransitionXml(2, 100));
    const Ref<ISurface> before = MakeRef<TSurface>();
    const Ref<ISurface> after = MakeRef<TSurface>();
    widget->SetProperty("surface1", Variant(before));
    widget->SetProperty("surface2", Variant(after));
    EXPECT_EQ(widget->GetProperty("surface1").ToInterface(), Ref<IInterface>(before));
    EXPECT_EQ(widget->GetProperty("surface2").ToInterface(), Ref<IInterface>(after));

    const auto surfaceOf = [&](const char* name) {
        return dynamic_cast<TTestSurfaceWidget&>(*widget->FindWidget(name)).Surface();
    };
    AgeTo(*widget, 10);
    EXPECT_EQ(surfaceOf("f0"), before);
    EXPECT_FALSE(surfaceOf("f1"));
    // A later change reaches only the next child made current.
    widget->SetProperty("surface1", Variant(after));
    AgeTo(*widget, 20);
    EXPECT_EQ(surfaceOf("f0"), before);
    AgeTo(*widget, 60);
    EXPECT_EQ(Shown(*widget), "f1");
    EXPECT_EQ(surfaceOf("f1"), after);

    // A value that is no surface sets none.
    for (const Variant& value :
         {Variant("picture"), Variant(int32_t{3}), Variant(Ref<IWidget>(widget))}) {
        widget->SetProperty("surface1", Variant(before));
        widget->SetProperty("surface1", value);
        EXPECT_TRUE(widget->GetProperty("surface1").ToInterface() == nullptr);
    }
}

}  // namespace
}  // namespace effecttest
