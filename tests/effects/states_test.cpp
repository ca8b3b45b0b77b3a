// The states widget: the child shown for "state" after loading and after a
// change, restarts only on a change, states beyond the children, what is
// saved, and integer properties that saturate.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "effects/AppearanceEffects.h"
#include "effects/StateWidgets.h"
#include "effects/TransitionWidgets.h"
#include "tests/effects/EffectTestClasses.h"
#include "tests/support/LogCapture.h"
#include "widgets/WidgetUtils.h"

namespace effecttest {
namespace {

using widgettest::TTestWidget;

// Three pages: "p0" and "p2" plain, "p1" a group holding "inner".
std::string StatesXml(const std::string& extra = "") {
    return R"(<widget type="states_widget" )" + extra + R"(>
        <widgets>
          <widget type="test_widget" name="p0" width="4" height="4"/>
          <widget type="group_widget" name="p1">
            <widgets><widget type="test_widget" name="inner" visible="yes"/></widgets>
          </widget>
          <widget type="test_widget" name="p2" width="4" height="4"/>
        </widgets>
      </widget>)";
}

Ref<TStatesWdiget> LoadStates(const std::string& xml) {
    Ref<TStatesWdiget> widget = Query<TStatesWdiget>(WidgetFromXMLText(xml));
    EXPECT_TRUE(widget) << xml;
    return widget;
}

std::string ShownPages(TStatesWdiget& widget) {
    std::string shown;
    for (const char* name : {"p0", "p1", "p2"}) {
        if (widget.FindWidget(name)->GetVisible()) shown += name;
    }
    return shown.empty() ? "none" : shown;
}

// One frame without a screen: the step, then the end-of-frame pass that
// lets the children be updated again.
void Frame(IWidget& widget, int32_t ms) {
    widget.Update(ms);
    widget.CollectDirtyRects(false, false);
}

int32_t AgeOf(TStatesWdiget& widget, const char* path) {
    return dynamic_cast<TAbstractWidget&>(*widget.FindWidget(path)).GetCurrentTime();
}

TEST(StatesWidget, LoadingShowsOnlyTheChildAtTheState) {
    struct TCase {
        const char* extra;
        const char* shown;
    };
    const TCase cases[] = {
        {"", "none"},
        {R"(state="-1")", "none"},
        {R"(state="1")", "p1"},
        {R"(state="7")", "none"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.extra);
        const Ref<TStatesWdiget> widget = LoadStates(StatesXml(c.extra));
        EXPECT_EQ(ShownPages(*widget), c.shown);
        EXPECT_EQ(widget->GetProperty("states_count").ToInt(), 3);
    }
}

TEST(StatesWidget, OnlyANewStateRestartsItsChild) {
    const Ref<TStatesWdiget> widget = LoadStates(StatesXml(R"(state="0")"));
    Frame(*widget, 30);
    ASSERT_EQ(AgeOf(*widget, "p1/inner"), 30);
    widget->SetProperty("state", 1);
    EXPECT_EQ(ShownPages(*widget), "p1");
    EXPECT_EQ(AgeOf(*widget, "p1"), 0);
    EXPECT_EQ(AgeOf(*widget, "p1/inner"), 0);  // its children restart too
    widget->CollectDirtyRects(false, false);   // the end of the frame of the change
    Frame(*widget, 20);
    widget->SetProperty("state", 1);  // the same state: no restart
    EXPECT_EQ(AgeOf(*widget, "p1/inner"), 20);
    // The page left is hidden and keeps running.
    EXPECT_FALSE(widget->FindWidget("p0")->GetPaused());
    EXPECT_EQ(AgeOf(*widget, "p0"), 50);
}

TEST(StatesWidget, AStateBeyondTheChildrenShowsNone) {
    const Ref<TStatesWdiget> widget = LoadStates(StatesXml(R"(state="2")"));
    widget->SetProperty("state", 3);
    EXPECT_EQ(ShownPages(*widget), "none");
    EXPECT_EQ(widget->GetProperty("state").ToInt(), 3);
    EXPECT_EQ(widget->GetProperty("states_count").ToInt(), 3);
    widget->SetProperty("states_count", 9);  // read only
    EXPECT_EQ(widget->GetProperty("states_count").ToInt(), 3);
    widget->SetProperty("state", -1);
    EXPECT_EQ(ShownPages(*widget), "none");
    widget->SetProperty("state", 0);
    EXPECT_EQ(ShownPages(*widget), "p0");
}

TEST(StatesWidget, TheStateIsSavedOnlyWhenOneIsChosen) {
    const Ref<TStatesWdiget> none = LoadStates(StatesXml());
    EXPECT_EQ(WidgetToXMLText(Ref<IInterface>(none)).find("state="), std::string::npos);
    none->SetState(2);
    const std::string saved = WidgetToXMLText(Ref<IInterface>(none));
    EXPECT_NE(saved.find(R"(state="2")"), std::string::npos) << saved;
    EXPECT_EQ(ShownPages(*LoadStates(saved)), "p2");
}

// Every integer property set from a real saturates: data functions hand
// these properties any real, NaN and infinities included.
TEST(EffectProperties, IntegerPropertiesTakeRealsRoundedWithSaturation) {
    const std::string effect = R"(<widget type="func_appearance_effect" durationtime="5"/>)";
    const std::string transition =
        R"(<widget type="sequience_transition_effect" durationtime="5"/>)";
    const std::string collection = R"(<widget type="appearance_effects"/>)";
    struct TTarget {
        const char* name;
        std::string xml;
        const char* property;
    };
    const TTarget targets[] = {
        {"effect duration", effect, "durationtime"},         {"effect state", effect, "state"},
        {"transition duration", transition, "durationtime"}, {"states", StatesXml(), "state"},
        {"effect collection state", collection, "state"},
    };
    struct TValue {
        Variant value;
        int32_t expected;  // 5 for a value that is refused
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const TValue values[] = {
        {Variant(2.5), 2},
        {Variant(3.5), 4},
        {Variant(-2.5), -2},
        {Variant(1e12), std::numeric_limits<int32_t>::max()},
        {Variant(-1e12), std::numeric_limits<int32_t>::min()},
        {Variant(inf), std::numeric_limits<int32_t>::max()},
        {Variant(nan), 0},
        {Variant(float(7.5)), 8},
        {Variant("6.5"), 6},
        {Variant("12"), 12},
        {Variant(int64_t{1} << 40), std::numeric_limits<int32_t>::max()},
        {Variant(true), 1},
        {Variant("many"), 5},
    };
    const TLogCapture log;  // the refused text is logged
    for (const TTarget& target : targets) {
        for (const TValue& v : values) {
            SCOPED_TRACE(testing::Message() << target.name << " := " << v.value.ToString());
            const Ref<IWidget> widget = WidgetFromXMLText(target.xml);
            ASSERT_TRUE(widget);
            widget->SetProperty(target.property, Variant(5));
            widget->SetProperty(target.property, v.value);
            EXPECT_EQ(widget->GetProperty(target.property).ToInt(), v.expected);
        }
    }
}

}  // namespace
}  // namespace effecttest
