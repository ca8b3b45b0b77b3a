// The free routines: paths, cloning through the storage form, a whole tree
// that loads, saves and loads the same, screen coordinates and the overlap
// tests.
#include <gtest/gtest.h>

#include "tests/support/LogCapture.h"
#include "tests/support/WidgetHarness.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/WidgetUtils.h"

namespace widgettest {
namespace {

TEST(WidgetPathSplit, TheFirstSlashCutsAPath) {
    struct TCase {
        const char* path;
        const char* head;
        const char* rest;
    };
    const TCase cases[] = {
        {"", "", ""},
        {"a", "a", ""},
        {"a/", "a", ""},
        {"a/b/c", "a", "b/c"},
        {"/a/b", "/", "a/b"},
        {"..", "..", ""},
        {"../x", "..", "x"},
        {"window:", "window:", ""},
        {"window:/x", "window:", "x"},
        {".", ".", ""},
        {"//", "/", "/"},
    };
    for (const TCase& c : cases) {
        std::string_view head, rest;
        SplitWidgetPath(c.path, head, rest);
        EXPECT_EQ(head, c.head) << c.path;
        EXPECT_EQ(rest, c.rest) << c.path;
    }
}

constexpr char kTree[] =
    R"(<widget name="root" type="group_widget" anchor_left="0" anchor_top="0" returnselfbypos="yes">
  <widgets>
    <widget name="back" type="test_widget" visible="yes" z="-1" anchor_left="0" anchor_top="0" width="64" height="48" color="$FF000000"/>
    <widget type="test_widget" currenttime="-20" timetolive="500" time_rate="0.5" transparentlevel="128" aliases="\x=anchor_left" redefinedparams="\anchor_top=../back/anchor_top" extraparams="\a=1\b={c\d}" anchor_left="1.25" anchor_top="2" width="3" height="4" color="$80FF0000">
      <sounds>
        <sound name="click" resourcename="Click" volume="50"/>
      </sounds>
      <function_widget type="test_function" outputs="anchor_left" inputs="currenttime" scale="2"/>
    </widget>
    <widget type="test_widget" paused="yes" anchor_left="0" anchor_top="0" width="0" height="0" color="$00000000"/>
    <widget name="panel" type="group_widget" visible="yes" z="2" anchor_left="10" anchor_top="20" mousestop="yes" caching="yes">
      <widgets>
        <widget name="leaf" type="test_widget" visible="yes" anchor_left="0" anchor_top="0" width="1" height="1" color="$FFFFFFFF"/>
      </widgets>
      <widgetfactories>
        <widgetfactory name="row" type="WidgetFactory" usemacros="no">
          <widgetstring><widget type="test_widget" name="%n%"/></widgetstring>
        </widgetfactory>
      </widgetfactories>
    </widget>
  </widgets>
</widget>)";

TEST(WidgetStorageRoundTrip, ATreeLoadsSavesAndLoadsTheSame) {
    const Ref<IWidget> first = WidgetFromXMLText(kTree);
    ASSERT_TRUE(first);
    const std::string once = WidgetToXMLText(first);
    const Ref<IWidget> second = WidgetFromXMLText(once);
    ASSERT_TRUE(second);
    const std::string twice = WidgetToXMLText(second);
    EXPECT_EQ(once, twice);
    EXPECT_EQ(second->GetChildren()->GetCount(), 4);  // two unnamed children among them
    EXPECT_EQ(second->GetChildren()->GetWidgetByIndex(1)->GetProperty("b").ToString(), "c\\d");
    // Nothing the data said is lost on the way.
    for (const char* piece :
         {R"(currenttime="-20")", R"(time_rate="0.5")", R"(caching="yes")",
          R"(transparentlevel="128")", R"(returnselfbypos="yes")", R"(usemacros="no")",
          R"(resourcename="Click")", "test_function", R"(paused="yes")", R"(color="$80FF0000")"}) {
        EXPECT_NE(once.find(piece), std::string::npos) << piece;
    }
}

TEST(WidgetClone, ACloneIsANewUnattachedWidgetWithWhatTheClassStores) {
    TWidgetHarness screen;
    screen.Load(kTree);
    const Ref<IWidget> panel = screen.Find("panel");
    const Ref<IWidget> copy = CloneWidget(panel);
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), panel.get());
    EXPECT_FALSE(copy->GetOwner());
    EXPECT_EQ(copy->GetName(), "panel");
    EXPECT_EQ(copy->GetLeft(), 10.0);
    EXPECT_TRUE(copy->FindWidget("leaf"));
    EXPECT_EQ(WidgetToXMLText(copy), WidgetToXMLText(panel));

    EXPECT_FALSE(CloneWidget(nullptr));
    TLogCapture log;
    EXPECT_FALSE(WidgetFromXMLText(R"(<widget type="nosuch"/>)"));
    EXPECT_FALSE(WidgetFromXMLText("<widget"));
    EXPECT_FALSE(WidgetFromXMLText(R"(<widget type="WidgetFactory"/>)"));
    EXPECT_TRUE(log.Has({"WIDGET", "\"nosuch\"", "not registered"}));
    EXPECT_TRUE(log.Has({"WIDGET", "\"WidgetFactory\"", "is no widget"}));
    EXPECT_TRUE(log.Has({"WIDGET", "does not make a widget"}));
    EXPECT_EQ(WidgetToXMLText(nullptr), "");
}

TEST(WidgetScreenCoordinates, NullWidgetsGiveZero) {
    EXPECT_EQ(GetWidgetScreenBounds(nullptr), (TRect{0, 0, 0, 0}));
    EXPECT_EQ(WidgetLocalToScreen(nullptr, 5, 6), (TPoint{0, 0}));
}

// Two squares in a window: "a" opaque red at (0, 0), "b" at (bx, 0); either
// may be a see-through colour.
class WidgetOverlap : public testing::Test {
protected:
    void Place(int32_t bx, const char* colorB, int32_t size = 4) {
        screen.Load(R"(<widget type="group_widget"><widgets>
            <widget type="test_widget" name="a" visible="yes" width=")" +
                    std::to_string(size) + R"(" height=")" + std::to_string(size) +
                    R"(" color="$FFFF0000"/>
            <widget type="test_widget" name="b" visible="yes" anchor_left=")" +
                    std::to_string(bx) + R"(" width="4" height="4" color=")" + colorB +
                    R"("/></widgets></widget>)");
        a = screen.Find("a");
        b = screen.Find("b");
    }
    bool Overlap() {
        return WidgetsOverlap(a, GetWidgetScreenBounds(a), b, GetWidgetScreenBounds(b));
    }
    int32_t Count() {
        return CountOverlappingPixels(a, GetWidgetScreenBounds(a), b, GetWidgetScreenBounds(b));
    }

    TWidgetHarness screen{64, 48};
    Ref<IWidget> a, b;
};

TEST_F(WidgetOverlap, OpaqueSquaresThatShareColumnsOverlap) {
    Place(2, "$FF0000FF");
    EXPECT_TRUE(Overlap());
    EXPECT_EQ(Count(), 8);  // two columns of four rows
}

TEST_F(WidgetOverlap, SquaresThatOnlyTouchDoNotOverlap) {
    Place(4, "$FF0000FF");
    EXPECT_FALSE(Overlap());
    EXPECT_EQ(Count(), 0);
}

TEST_F(WidgetOverlap, ATransparentSquareOverlapsNothing) {
    Place(2, "$00000000");
    EXPECT_FALSE(Overlap());
    EXPECT_EQ(Count(), 0);
}

TEST_F(WidgetOverlap, PlacesLargerThanTheSnapshotsReadNothingBeyondThem) {
    Place(2, "$FF0000FF");
    // The caller's places are far larger than the 4 by 4 snapshots; only the
    // snapshots' own pixels can be covered.
    EXPECT_EQ(CountOverlappingPixels(a, {0, 0, 400, 400}, b, {2, 0, 402, 400}), 2 * 4);
    EXPECT_EQ(CountOverlappingPixels(a, {0, 0, 400, 400}, b, {300, 300, 700, 700}), 0);
    EXPECT_FALSE(WidgetsOverlap(a, {0, 0, 400, 400}, b, {300, 300, 700, 700}));
}

TEST_F(WidgetOverlap, WidgetsWithoutSnapshotsOverlapNothing) {
    Place(2, "$FF0000FF");
    Ref<TTestWidget> loose = CreateObject<TTestWidget>();  // no owner: no snapshot
    loose->SetWidth(4);
    loose->SetHeight(4);
    EXPECT_FALSE(WidgetsOverlap(a, {0, 0, 4, 4}, loose, {0, 0, 4, 4}));
    EXPECT_EQ(CountOverlappingPixels(loose, {0, 0, 4, 4}, a, {0, 0, 4, 4}), 0);
    EXPECT_FALSE(WidgetsOverlap(nullptr, {0, 0, 4, 4}, a, {0, 0, 4, 4}));
}

}  // namespace
}  // namespace widgettest
