// Group widgets: bounds from the children, drawing back to front, hit tests
// front to back, "returnselfbypos", the picture cache, the owner services
// children reach through their groups, and input routed by the screen.
#include <gtest/gtest.h>

#include "tests/support/WidgetHarness.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/WidgetUtils.h"

namespace widgettest {
namespace {

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;

// Red, give or take the rounding of drawing through a translucent picture.
bool IsRed(uint32_t pixel) {
    return (pixel >> 16 & 0xFF) >= 0xF0 && (pixel >> 8 & 0xFF) < 0x10 && (pixel & 0xFF) < 0x10;
}

uint32_t PixelOf(const Ref<ISurface>& surface, int32_t x, int32_t y) {
    uint32_t pixel = 0;
    surface->GetPixel(x, y, pixel);
    return pixel;
}

std::string HitName(const Ref<IWidget>& root, int32_t x, int32_t y) {
    const Ref<IWidget> hit = root->WidgetAt(x, y);
    return hit ? hit->GetName() : "(none)";
}

TEST(GroupGeometry, AnEmptyGroupHasEmptyBoundsAtItsRoundedPlaceAndIsNeverHit) {
    Ref<IWidget> group = WidgetFromXMLText(
        R"(<widget type="group_widget" visible="yes" mousestop="yes" returnselfbypos="yes"
                   anchor_left="10.5" anchor_top="11.5"/>)");
    ASSERT_TRUE(group);
    EXPECT_EQ(group->GetBounds(), (TRect{10, 12, 10, 12}));
    EXPECT_EQ(group->GetWidth(), 0);
    EXPECT_EQ(group->GetHeight(), 0);
    EXPECT_EQ(group->GetDrawLeft(), 10.0);
    EXPECT_FALSE(group->ContainsPoint(10, 12, true));
    EXPECT_FALSE(group->WidgetAt(10, 12));
}

TEST(GroupGeometry, BoundsAreTheUnionOfTheVisibleChildren) {
    Ref<IWidget> group = WidgetFromXMLText(R"(
      <widget type="group_widget" visible="yes" anchor_left="100" anchor_top="50">
        <widgets>
          <widget type="test_widget" visible="yes" anchor_left="-5" anchor_top="2" width="10" height="3"/>
          <widget type="test_widget" visible="yes" anchor_left="20" anchor_top="-4" width="2" height="2"/>
          <widget type="test_widget" anchor_left="500" width="10" height="10"/>
        </widgets>
      </widget>)");
    EXPECT_EQ(group->GetBounds(), (TRect{95, 46, 122, 55}));
    EXPECT_EQ(group->GetWidth(), 27);
    EXPECT_EQ(group->GetHeight(), 9);
    EXPECT_EQ(group->GetProperty("left").ToInt(), 95);
    EXPECT_TRUE(group->ContainsPoint(95, 52, false));    // the first child's edge
    EXPECT_FALSE(group->ContainsPoint(110, 47, false));  // inside the union, outside both
    EXPECT_FALSE(group->ContainsPoint(600, 55, false));  // only the hidden child is there
    EXPECT_TRUE(group->ContainsPoint(600, 55, true));
}

TEST(GroupDrawing, ChildrenDrawBackToFrontAndAreHitFrontToBack) {
    TWidgetHarness screen(64, 48);
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="test_widget" name="top" visible="yes" mousestop="yes" z="2"
                  anchor_left="4" width="8" height="8" color="$FF0000FF"/>
          <widget type="test_widget" name="under" visible="yes" mousestop="yes" z="1"
                  width="8" height="8" color="$FFFF0000"/>
          <widget type="test_widget" name="later" visible="yes" mousestop="yes" z="2"
                  anchor_left="8" width="8" height="8" color="$FFFF0000"/>
          <widget type="test_widget" name="glass" visible="yes" z="9" width="64" height="48"
                  color="$00000000"/>
        </widgets>
      </widget>)");
    const Ref<ISurface> picture = screen.RenderTree(kBlack);
    EXPECT_EQ(PixelOf(picture, 2, 2), kRed);   // "under" alone
    EXPECT_EQ(PixelOf(picture, 6, 2), kBlue);  // "top" over "under"
    EXPECT_EQ(PixelOf(picture, 10, 2), kRed);  // "later" (same z, added later) over "top"
    EXPECT_EQ(PixelOf(picture, 20, 2), kBlack);
    const Ref<IWidget> root = screen.Root();
    EXPECT_EQ(HitName(root, 2, 2), "under");
    EXPECT_EQ(HitName(root, 6, 2), "top");
    EXPECT_EQ(HitName(root, 10, 2), "later");  // "glass" above does not stop the mouse
    EXPECT_EQ(HitName(root, 30, 30), "(none)");
}

TEST(GroupDrawing, AZChangeReordersDrawingAtTheEndOfTheFrame) {
    TWidgetHarness screen(32, 32);
    screen.Load(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="test_widget" name="red" visible="yes" z="1" width="8" height="8"
                  color="$FFFF0000"/>
          <widget type="test_widget" name="blue" visible="yes" z="2" width="8" height="8"
                  color="$FF0000FF"/>
        </widgets>
      </widget>)");
    screen.Step();
    EXPECT_EQ(screen.Pixel(4, 4), kBlue);
    screen.Find("red")->SetZ(3);
    EXPECT_EQ(PixelOf(screen.RenderTree(), 4, 4), kBlue);  // not yet
    screen.Step();
    EXPECT_EQ(screen.Pixel(4, 4), kRed);
    EXPECT_EQ(HitName(screen.Root(), 4, 4), "(none)");  // neither stops the mouse
}

TEST(GroupDrawing, AGroupWithOnlyHiddenChildrenDrawsNothing) {
    TWidgetHarness screen(32, 32);
    screen.Load(R"(
      <widget type="group_widget">
        <widgets><widget type="test_widget" width="8" height="8" color="$FFFF0000"/></widgets>
      </widget>)");
    EXPECT_EQ(PixelOf(screen.RenderTree(kBlack), 4, 4), kBlack);
    EXPECT_EQ(screen.Root()->GetBounds(), (TRect{0, 0, 0, 0}));
}

TEST(GroupHitTest, ReturnSelfByPosAnswersTheGroupOverAChildThatLetsTheMouseThrough) {
    struct TCase {
        const char* flag;
        int32_t x, y;
        const char* hit;
    };
    const TCase cases[] = {
        {"yes", 5, 5, "panel"},     // over a child that does not stop the mouse
        {"yes", 15, 5, "stopper"},  // a child that stops it answers itself
        {"yes", 40, 40, "(none)"},  // outside every child
        {"no", 5, 5, "(none)"},    {"no", 15, 5, "stopper"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.flag) + " " + std::to_string(c.x));
        Ref<IWidget> root = WidgetFromXMLText(std::string(R"(
          <widget type="group_widget" visible="yes" mousestop="yes">
            <widgets>
              <widget type="group_widget" name="panel" visible="yes" mousestop="yes"
                      returnselfbypos=")") + c.flag +
                                              R"(">
                <widgets>
                  <widget type="test_widget" name="glass" visible="yes" width="10" height="10"/>
                  <widget type="test_widget" name="stopper" visible="yes" mousestop="yes"
                          anchor_left="12" width="10" height="10"/>
                </widgets>
              </widget>
            </widgets>
          </widget>)");
        EXPECT_EQ(HitName(root, c.x, c.y), c.hit);
    }
}

TEST(GroupHitTest, AGroupThatDoesNotStopTheMouseHidesItsChildren) {
    Ref<IWidget> root = WidgetFromXMLText(R"(
      <widget type="group_widget" visible="yes">
        <widgets>
          <widget type="test_widget" name="w" visible="yes" mousestop="yes" width="10" height="10"/>
        </widgets>
      </widget>)");
    EXPECT_EQ(HitName(root, 5, 5), "(none)");
    root->SetMouseStop(true);
    EXPECT_EQ(HitName(root, 5, 5), "w");
}

TEST(GroupCache, ACachedGroupShowsItsChildrenAsTheyWereAtTheLastInvalidation) {
    TWidgetHarness screen(64, 32);
    screen.Load(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="test_widget" name="back" visible="yes" z="-1" width="64" height="32"
                  color="$FF000000"/>
          <widget type="group_widget" name="cached" visible="yes" anchor_left="8" anchor_top="4">
            <widgets>
              <widget type="test_widget" name="box" visible="yes" anchor_left="2" width="4"
                      height="4" color="$FFFF0000"/>
            </widgets>
          </widget>
        </widgets>
      </widget>)");
    screen.Step();
    const Ref<IWidget> cached = screen.Find("cached");
    EXPECT_TRUE(cached->GetProperty("cachesurface").ToInterface() == nullptr);

    cached->SetProperty("caching", true);  // attached: the picture is made at once
    const Ref<ISurface> picture =
        Query<ISurface>(cached->GetProperty("cachesurface").ToInterface());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->GetWidth(), 4);
    EXPECT_TRUE(IsRed(PixelOf(picture, 1, 1)));
    screen.Step();
    EXPECT_TRUE(IsRed(screen.Pixel(11, 5)));

    // The child changes its look: its area is repainted, from the old picture.
    screen.Find("cached/box")->SetTransparentLevel(0);
    screen.Step();
    EXPECT_TRUE(screen.FrameRendered());
    EXPECT_TRUE(IsRed(screen.Pixel(11, 5)));

    cached->Invalidate();  // the picture is made again, and the group repaints
    screen.Step();
    EXPECT_EQ(screen.Pixel(11, 5), kBlack);

    // A value that is no flag changes nothing and raises nothing.
    EXPECT_NO_THROW(cached->SetProperty("caching", "maybe"));
    EXPECT_TRUE(cached->GetProperty("caching").ToBool());
    EXPECT_NO_THROW(cached->SetProperty("nosuch", 1));

    cached->SetProperty("caching", false);
    EXPECT_TRUE(cached->GetProperty("cachesurface").ToInterface() == nullptr);
}

TEST(GroupCache, CachingLoadedFromDataWaitsForTheFirstInvalidation) {
    TWidgetHarness screen(32, 32);
    screen.Load(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="group_widget" name="g" visible="yes" caching="yes">
            <widgets>
              <widget type="test_widget" visible="yes" width="4" height="4" color="$FFFF0000"/>
            </widgets>
          </widget>
        </widgets>
      </widget>)");
    const Ref<IWidget> group = screen.Find("g");
    EXPECT_TRUE(group->GetProperty("caching").ToBool());
    EXPECT_TRUE(group->GetProperty("cachesurface").ToInterface() == nullptr);
    EXPECT_EQ(PixelOf(screen.RenderTree(kBlack), 1, 1), kBlack);  // nothing to draw yet
    group->Invalidate();
    EXPECT_TRUE(IsRed(PixelOf(screen.RenderTree(kBlack), 1, 1)));
    EXPECT_NE(WidgetToXMLText(group).find(R"(caching="yes")"), std::string::npos);
}

TEST(GroupOwner, ChildrenReachTheScreenThroughTheirGroups) {
    TWidgetHarness screen(64, 48);
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="group_widget" name="panel" visible="yes" mousestop="yes"
                  anchor_left="20" anchor_top="10">
            <widgets>
              <widget type="test_widget" name="button" visible="yes" mousestop="yes"
                      width="10" height="6"/>
              <widget type="test_widget" name="label" visible="yes" anchor_top="20" width="10"
                      height="6"/>
            </widgets>
          </widget>
        </widgets>
      </widget>)");
    const Ref<IWidget> button = screen.Find("panel/button");
    IWidgetOwner* owner = button->GetOwner();
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(owner->GetEngine().get(), static_cast<IEngine*>(&screen.Engine()));
    EXPECT_EQ(owner->GetWindow().get(), static_cast<IWindow*>(&screen.Screen()));
    EXPECT_EQ(owner->GetEventHandler().get(), static_cast<IEventHandler*>(&screen.Screen()));
    EXPECT_EQ(owner->GetPath(), "test_screen/root/panel");
    EXPECT_EQ(owner->ScreenToClient(25, 12), (TPoint{5, 2}));

    Journal().clear();
    screen.ClickAt("panel/button");  // its centre: (25, 13)
    EXPECT_EQ(Journal(),
              (std::vector<std::string>{"mouse button 11 25,13 0", "mouse button 12 25,13 0"}));
    EXPECT_EQ(screen.Events(), (std::vector<TTestScreen::TEvent>{{"button", 1}}));

    // The label does not stop the mouse: nothing reaches it.
    Journal().clear();
    screen.ClickAt("panel/label");
    EXPECT_TRUE(Journal().empty());

    // A widget holding the capture gets every event, wherever it happens.
    screen.Screen().SetMouseCapture(screen.Find("panel/label"));
    screen.MouseMove(60, 40);
    EXPECT_EQ(Journal().front(), "mouse label 10 60,40 0");
}

TEST(GroupOwner, AFactoryWidgetComesFromTheNearestGroupThatHasTheFactory) {
    TWidgetHarness screen;
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgetfactories>
          <widgetfactory name="row" type="WidgetFactory">
            <widgetstring><widget type="test_widget" name="outer_%n%"/></widgetstring>
          </widgetfactory>
          <widgetfactory name="cell" type="WidgetFactory">
            <widgetstring><widget type="test_widget" name="outer_cell"/></widgetstring>
          </widgetfactory>
        </widgetfactories>
        <widgets>
          <widget type="group_widget" name="inner">
            <widgetfactories>
              <widgetfactory name="cell" type="WidgetFactory">
                <widgetstring><widget type="test_widget" name="inner_cell"/></widgetstring>
              </widgetfactory>
            </widgetfactories>
            <widgets><widget type="test_widget" name="asker"/></widgets>
          </widget>
        </widgets>
      </widget>)");
    IWidgetOwner* owner = screen.Find("inner/asker")->GetOwner();
    ASSERT_NE(owner, nullptr);
    const Ref<IParamCollection> params = ParamCollectionFromString("\\n=7");
    const Ref<IWidget> cell = owner->CreateFactoryWidget("cell", params);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->GetName(), "inner_cell");
    const Ref<IWidget> row = owner->CreateFactoryWidget("Row", params);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->GetName(), "outer_7");
    EXPECT_FALSE(owner->CreateFactoryWidget("nosuch", params));
    EXPECT_FALSE(cell->GetOwner());  // the caller adds it where it wants
}

TEST(GroupLife, RestartPauseAndInvalidateReachEveryChild) {
    Ref<IWidget> group = WidgetFromXMLText(R"(
      <widget type="group_widget" currenttime="40">
        <widgets>
          <widget type="test_widget" name="a" currenttime="50"/>
          <widget type="test_widget" name="b" paused="yes"/>
        </widgets>
      </widget>)");
    const Ref<IWidgetCollection> children = group->GetChildren();
    group->Pause();
    EXPECT_TRUE(group->GetPaused());
    EXPECT_TRUE(children->GetWidgetByName("a")->GetPaused());
    group->Restart();
    EXPECT_FALSE(children->GetWidgetByName("b")->GetPaused());
    EXPECT_EQ(children->GetWidgetByName("a")->GetProperty("currenttime").ToInt(), 0);
    EXPECT_EQ(group->GetProperty("currenttime").ToInt(), 0);
    group->Invalidate();
    EXPECT_TRUE(children->GetWidgetByName("a")->GetChanged());
    EXPECT_TRUE(group->GetChanged());
}

TEST(GroupLife, ClearContentDeletesTheChildrenAndTheirAreasAreRepainted) {
    TWidgetHarness screen(32, 32);
    screen.Load(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="test_widget" visible="yes" width="4" height="4"/>
          <widget type="test_widget" visible="yes" anchor_left="10" width="4" height="4"/>
        </widgets>
        <widgetfactories>
          <widgetfactory name="f" type="WidgetFactory"><widgetstring/></widgetfactory>
        </widgetfactories>
      </widget>)");
    screen.Step();
    auto* root = dynamic_cast<TGroupWidget*>(screen.Root().get());
    ASSERT_NE(root, nullptr);
    ASSERT_TRUE(root->GetFactories());
    root->ClearContent();
    EXPECT_EQ(root->GetChildren()->GetCount(), 0);
    EXPECT_FALSE(root->GetFactories());
    screen.Step();
    EXPECT_TRUE(screen.FrameRendered());
}

}  // namespace
}  // namespace widgettest
