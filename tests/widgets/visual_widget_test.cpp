// Visual and single widgets: the end-of-frame pass frame by frame, what an
// idle frame costs (nothing), positions in nested owners, the stored keys
// and snapshots.
#include <gtest/gtest.h>

#include "tests/support/WidgetHarness.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/WidgetUtils.h"

namespace widgettest {
namespace {

using Rects = std::vector<TRect>;

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kRed = 0xFFFF0000;

// A black background over the whole window and one red 5 by 5 square at
// (10, 10).
constexpr char kMovingSquare[] = R"(
<widget type="group_widget" name="root">
  <widgets>
    <widget type="test_widget" name="back" visible="yes" z="-1" width="64" height="48"
            color="$FF000000"/>
    <widget type="test_widget" name="square" visible="yes" anchor_left="10" anchor_top="10"
            width="5" height="5" color="$FFFF0000"/>
  </widgets>
</widget>)";

TEST(DirtyRects, AMovingWidgetReportsWhereItWasAndWhereItIsFrameByFrame) {
    TWidgetHarness screen(64, 48);
    screen.Load(kMovingSquare);
    screen.Step();
    // The first pass paints everything once: each child, then the group.
    EXPECT_EQ(screen.FrameRects(), (Rects{{0, 0, 64, 48}, {10, 10, 15, 15}, {0, 0, 64, 48}}));
    EXPECT_EQ(screen.Pixel(12, 12), kRed);

    screen.Step();
    EXPECT_EQ(screen.FrameRects(), Rects{});
    EXPECT_FALSE(screen.FrameRendered());

    const Ref<IWidget> square = screen.Find("square");
    square->SetLeft(20);
    screen.Step();
    EXPECT_EQ(screen.FrameRects(), (Rects{{10, 10, 15, 15}, {20, 10, 25, 15}}));
    EXPECT_TRUE(screen.FrameRendered());
    EXPECT_EQ(screen.Pixel(12, 12), kBlack);  // the old place repainted
    EXPECT_EQ(screen.Pixel(22, 12), kRed);

    square->SetLeft(20);  // the same place: no move
    screen.Step();
    EXPECT_EQ(screen.FrameRects(), Rects{});

    // A change of look reports the new rectangle only.
    square->SetTransparentLevel(128);
    screen.Step();
    EXPECT_EQ(screen.FrameRects(), (Rects{{20, 10, 25, 15}}));

    // Hiding reports the old rectangle once; the widget is then out of the
    // pass.
    square->SetVisible(false);
    screen.Step();
    EXPECT_EQ(screen.FrameRects(), (Rects{{20, 10, 25, 15}}));
    EXPECT_TRUE(square->GetInvalidated());
    EXPECT_EQ(screen.Pixel(22, 12), kBlack);
    screen.Step();
    EXPECT_EQ(screen.FrameRects(), Rects{});

    // Showing it again reports where it is.
    square->SetVisible(true);
    screen.Step();
    EXPECT_EQ(screen.FrameRects(), (Rects{{20, 10, 25, 15}}));
}

TEST(DirtyRects, IdleFramesDrawNothing) {
    TWidgetHarness screen(64, 48);
    screen.Load(kMovingSquare);
    screen.Step();
    const int drawn = screen.RenderCount();
    auto& square = dynamic_cast<TTestWidget&>(*screen.Find("square"));
    const int renders = square.renders;
    screen.Step(100, 10);
    EXPECT_EQ(screen.RenderCount(), drawn);
    EXPECT_EQ(square.renders, renders);
    EXPECT_EQ(square.updates, 101);  // updated every frame all the same
}

TEST(DirtyRects, AWidgetHiddenFromTheStartReportsNothing) {
    TWidgetHarness screen(64, 48);
    screen.Load(R"(
      <widget type="group_widget">
        <widgets><widget type="test_widget" name="h" width="5" height="5"/></widgets>
      </widget>)");
    screen.Step(2);
    EXPECT_EQ(screen.FrameRects(), Rects{});
    EXPECT_FALSE(screen.Find("h")->GetInvalidated());
}

TEST(DirtyRects, RectanglesAreInScreenCoordinatesThroughNestedGroups) {
    TWidgetHarness screen(320, 200);
    screen.Load(R"(
      <widget type="group_widget" anchor_left="60" anchor_top="20">
        <widgets>
          <widget type="group_widget" name="inner" visible="yes" anchor_left="40" anchor_top="30">
            <widgets>
              <widget type="test_widget" name="w" visible="yes" width="10" height="10"/>
            </widgets>
          </widget>
        </widgets>
      </widget>)");
    screen.Step();
    ASSERT_FALSE(screen.FrameRects().empty());
    EXPECT_EQ(screen.FrameRects().front(), (TRect{100, 50, 110, 60}));
    EXPECT_EQ(GetWidgetScreenBounds(screen.Find("inner/w")), (TRect{100, 50, 110, 60}));
    EXPECT_EQ(WidgetLocalToScreen(screen.Find("inner/w"), 3, 4), (TPoint{103, 54}));
    EXPECT_EQ(screen.Find("inner/w")->ScreenToLocal(100, 50), (TPoint{0, 0}));
}

TEST(DirtyRects, MovingAGroupRepaintsAllItsChildrenOldAndNew) {
    TWidgetHarness screen(200, 100);
    screen.Load(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="group_widget" name="g" visible="yes">
            <widgets>
              <widget type="test_widget" visible="yes" width="4" height="4"/>
              <widget type="test_widget" visible="yes" anchor_left="10" width="4" height="4"/>
            </widgets>
          </widget>
        </widgets>
      </widget>)");
    screen.Step();
    screen.Find("g")->SetLeft(50);
    screen.Step();
    // Each child's old and new area, then the group's.
    EXPECT_EQ(screen.FrameRects(), (Rects{{0, 0, 4, 4},
                                          {50, 0, 54, 4},
                                          {10, 0, 14, 4},
                                          {60, 0, 64, 4},
                                          {0, 0, 14, 4},
                                          {50, 0, 64, 4}}));
}

TEST(VisualWidget, UnchangedValuesDoNotMarkAMove) {
    Ref<TTestWidget> widget = CreateObject<TTestWidget>();
    widget->SetLeft(0);
    widget->SetTop(0);
    widget->SetWidth(0);
    widget->SetHeight(0);
    EXPECT_FALSE(widget->GetMoved());
    widget->SetZ(0);
    EXPECT_FALSE(widget->GetChanged());
    widget->SetZ(4);
    EXPECT_TRUE(widget->GetChanged());
    widget->SetHeight(3);
    EXPECT_TRUE(widget->GetMoved());
}

TEST(VisualWidget, WithoutASizeTheBoundsAreEmptyButHoldTheirCorner) {
    Ref<IWidget> group = WidgetFromXMLText(
        R"(<widget type="plain_visual" visible="yes" anchor_left="3.5" anchor_top="-2"/>)");
    ASSERT_TRUE(group);
    EXPECT_EQ(group->GetBounds(), (TRect{4, -2, 4, -2}));
    EXPECT_TRUE(group->ContainsPoint(4, -2, false));
    EXPECT_FALSE(group->ContainsPoint(5, -2, false));
}

TEST(VisualWidget, AllFourEdgesOfTheBoundsAreInside) {
    Ref<TTestWidget> widget = CreateObject<TTestWidget>();
    widget->SetLeft(10);
    widget->SetTop(20);
    widget->SetWidth(5);
    widget->SetHeight(5);
    EXPECT_FALSE(widget->ContainsPoint(10, 20, false));  // hidden
    EXPECT_TRUE(widget->ContainsPoint(10, 20, true));
    widget->SetVisible(true);
    const std::pair<TPoint, bool> cases[] = {
        {{10, 20}, true}, {{15, 25}, true},  {{15, 20}, true},
        {{9, 20}, false}, {{16, 22}, false}, {{12, 26}, false},
    };
    for (const auto& [point, inside] : cases) {
        EXPECT_EQ(widget->ContainsPoint(point.x, point.y, false), inside)
            << point.x << "," << point.y;
    }
    EXPECT_FALSE(widget->WidgetAt(12, 22));  // does not stop the mouse
    widget->SetMouseStop(true);
    EXPECT_EQ(widget->WidgetAt(12, 22).get(), static_cast<IWidget*>(widget.get()));
}

TEST(VisualWidget, StoredKeys) {
    Ref<IWidget> plain = WidgetFromXMLText(R"(<widget type="plain_visual"/>)");
    EXPECT_EQ(WidgetToXMLText(plain),
              R"(<widget type="plain_visual" anchor_left="0" anchor_top="0"/>)");
    Ref<IWidget> full = WidgetFromXMLText(
        R"(<widget type="test_widget" visible="yes" z="3" mousestop="yes" anchor_left="1.5"
                   anchor_top="2" width="7" height="8" timetolive="40" time_rate="0.5"/>)");
    Ref<IWidget> again = WidgetFromXMLText(WidgetToXMLText(full));
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->GetVisible());
    EXPECT_EQ(again->GetZ(), 3);
    EXPECT_TRUE(again->GetMouseStop());
    EXPECT_EQ(again->GetLeft(), 1.5);
    EXPECT_EQ(again->GetTop(), 2.0);
    EXPECT_EQ(again->GetWidth(), 7);
    EXPECT_EQ(again->GetHeight(), 8);
    EXPECT_EQ(again->GetProperty("timetolive").ToInt(), 40);
    EXPECT_EQ(again->GetProperty("time_rate").ToDouble(), 0.5);
}

TEST(Snapshots, ASnapshotHoldsTheWidgetAtItsOrigin) {
    TWidgetHarness screen(64, 48);
    screen.Load(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="test_widget" name="w" anchor_left="30" anchor_top="20" width="3"
                  height="2" color="$FF00FF00"/>
        </widgets>
      </widget>)");
    const Ref<ISurface> snapshot = screen.Find("w")->GetSnapshot();  // hidden, all the same
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->GetWidth(), 3);
    EXPECT_EQ(snapshot->GetHeight(), 2);
    EXPECT_TRUE(snapshot->GetTransparent());
    uint32_t pixel = 0;
    snapshot->GetPixel(2, 1, pixel);
    EXPECT_EQ(pixel, 0xFF00FF00u);
    const Ref<ISurface> image =
        Query<ISurface>(screen.Find("w")->GetProperty("image").ToInterface());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetWidth(), 3);

    // Without an owner there is no engine to make one.
    EXPECT_FALSE(CreateObject<TTestWidget>()->GetSnapshot());
}

TEST(Snapshots, BoundsLargerThanASurfaceMayBeGiveNoneAndALogLine) {
    TWidgetHarness screen(64, 48);
    screen.Load(R"(
      <widget type="group_widget">
        <widgets><widget type="test_widget" name="w" width="100000" height="100000"/></widgets>
      </widget>)");
    EXPECT_FALSE(screen.Find("w")->GetSnapshot());
    EXPECT_TRUE(screen.Log().Has({"WIDGET", "100000 by 100000", "too large"}));
}

}  // namespace
}  // namespace widgettest
