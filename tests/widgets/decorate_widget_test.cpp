// Decorating widgets: the inner widget's ownership and back-link, the owner
// services it reaches through the decorating widget, time, pause and
// restart passed on, the hit test, the behaviour widget's repaint, the
// replicator's size, drawing order and hit test, and the stored form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/object/GeneralClasses.h"
#include "tests/support/WidgetHarness.h"
#include "tests/widgets/LeafFixtures.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/DecorateWidgets.h"
#include "widgets/WidgetUtils.h"

namespace leaftest {
namespace {

using widgettest::TTestWidget;

// A leaf that records where it is drawn.
class TRenderProbe : public TSingleWidget {
public:
    void Render(ISurface& surface, int32_t x, int32_t y) override {
        (void)surface;
        spots.push_back({x, y});
    }
    std::vector<TPoint> spots;
};

void RegisterProbe() {
    if (!FindRegisteredClass("render_probe")) {
        RegisterObjectClass(ClassOf<TRenderProbe>(), "render_probe");
    }
}

TEST(ReplicatorWidget, CopiesAreDrawnColumnByColumnFromItsOwnOrigin) {
    RegisterProbe();
    const Ref<IWidget> replicator = WidgetFromXMLText(R"(
      <widget type="replicator_widget" visible="yes" anchor_left="5" anchor_top="7" cols="3" rows="2">
        <widgets>
          <widget type="render_probe" name="p" visible="yes" anchor_left="100" anchor_top="100"
                  width="10" height="20"/>
        </widgets>
      </widget>)");
    ASSERT_TRUE(replicator);
    EXPECT_EQ(replicator->GetWidth(), 30);
    EXPECT_EQ(replicator->GetHeight(), 40);
    EXPECT_EQ(replicator->GetBounds(), (TRect{5, 7, 35, 47}));
    const Ref<TSurface> surface = MakeRef<TSurface>();
    surface->SetSize(64, 64);
    replicator->Render(*surface, 1, 2);
    auto& probe = dynamic_cast<TRenderProbe&>(*replicator->FindWidget("p"));
    const std::vector<TPoint> expected = {{1, 2}, {1, 22}, {11, 2}, {11, 22}, {21, 2}, {21, 22}};
    EXPECT_EQ(probe.spots, expected);
}

TEST(ReplicatorWidget, EachCopyIsDrawnInItsPlace) {
    TWidgetHarness screen(40, 30);
    screen.Load(R"(
      <widget type="group_widget"><widgets>
        <widget type="replicator_widget" visible="yes" cols="2" rows="2">
          <widgets>
            <widget type="test_widget" visible="yes" width="10" height="8" transparentlevel="128"
                    color="$FFFF0000"/>
          </widgets>
        </widget>
      </widgets></widget>)");
    screen.Step();
    const uint32_t once = screen.Pixel(0, 0);
    EXPECT_NE(once, 0u);
    for (const TPoint p : {TPoint{9, 7}, TPoint{10, 0}, TPoint{19, 15}, TPoint{3, 12}}) {
        EXPECT_EQ(screen.Pixel(p.x, p.y), once) << p.x << "," << p.y;
    }
    EXPECT_EQ(screen.Pixel(20, 4), 0u);  // nothing beyond the grid
    EXPECT_EQ(screen.Pixel(4, 16), 0u);
}

TEST(ReplicatorWidget, SizeAndNothingDrawnWithoutColumnsOrInnerWidget) {
    RegisterProbe();
    struct TCase {
        const char* xml;
        int32_t width, height;
    };
    const TCase cases[] = {
        {R"(<widget type="replicator_widget" cols="0" rows="2"><widgets>
              <widget type="render_probe" width="10" height="20"/></widgets></widget>)",
         0, 40},
        {R"(<widget type="replicator_widget" cols="3" rows="2"/>)", 0, 0},
        // Without the keys, one of each.
        {R"(<widget type="replicator_widget"><widgets>
              <widget type="render_probe" width="10" height="20"/></widgets></widget>)",
         10, 20},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.xml);
        const Ref<IWidget> replicator = WidgetFromXMLText(c.xml);
        ASSERT_TRUE(replicator);
        EXPECT_EQ(replicator->GetWidth(), c.width);
        EXPECT_EQ(replicator->GetHeight(), c.height);
    }
    const Ref<TReplicatorWidget> made = CreateObject<TReplicatorWidget>();
    EXPECT_EQ(made->GetCols(), 0);  // made, not loaded: none of either
    EXPECT_EQ(made->GetRows(), 0);
    made->SetProperty("cols", Variant("4"));
    EXPECT_EQ(made->GetProperty("cols").ToInt(), 4);
}

TEST(ReplicatorWidget, OnlyTheFirstCopyAnswersAHitWithTheInnerWidget) {
    TWidgetHarness screen(60, 40);
    screen.Load(R"(
      <widget type="group_widget"><widgets>
        <widget type="replicator_widget" name="grid" visible="yes" mousestop="yes" cols="3">
          <widgets>
            <widget type="test_widget" name="button" visible="yes" mousestop="yes" width="10"
                    height="10"/>
          </widgets>
        </widget>
      </widgets></widget>)");
    EXPECT_EQ(screen.Root()->WidgetAt(5, 5)->GetName(), "button");
    EXPECT_EQ(screen.Root()->WidgetAt(15, 5)->GetName(), "grid");
    EXPECT_EQ(screen.Root()->WidgetAt(29, 9)->GetName(), "grid");
    EXPECT_FALSE(screen.Root()->WidgetAt(31, 5));
}

TEST(DecorateWidget, TheInnerWidgetReachesTheScreenThroughIt) {
    TWidgetHarness screen(60, 40);
    AddImage(screen, "pic", 8, 8, [](int, int) { return 0xFF00FF00u; });
    screen.Load(R"(
      <widget type="group_widget"><widgets>
        <widget type="replicator_widget" name="deco" visible="yes" anchor_left="20.4"
                anchor_top="10.6">
          <widgets>
            <widget type="image_widget" name="img" visible="yes" width="8" height="8"
                    resourcename="pic" blendingmode="bltfast"/>
          </widgets>
        </widget>
      </widgets></widget>)");
    const Ref<IWidget> deco = screen.Find("deco");
    const Ref<IWidget> inner = screen.Find("deco/img");
    ASSERT_TRUE(inner);
    EXPECT_EQ(screen.Find("deco/anything").get(), inner.get());  // every key names the inner widget
    EXPECT_EQ(inner->GetOwner(), dynamic_cast<IWidgetOwner*>(deco.get()));
    EXPECT_EQ(inner->FindWidget("..").get(), deco.get());
    EXPECT_EQ(inner->FindWidget("window:/deco").get(), deco.get());
    EXPECT_EQ(dynamic_cast<TAbstractWidget&>(*inner).GetPath(), "test_screen/deco/img");
    // The inner widget's content coordinates start at the rounded place.
    EXPECT_EQ(inner->ScreenToLocal(25, 15), (TPoint{5, 4}));
    EXPECT_EQ(deco->GetProperty("widget").ToInterface().get(),
              dynamic_cast<IInterface*>(inner.get()));
    // The engine is reached through it: the image is drawn.
    screen.Step();
    EXPECT_EQ(screen.Pixel(20, 11), 0xFF00FF00u);
}

TEST(DecorateWidget, TimePauseAndRestartArePassedOn) {
    const Ref<IWidget> deco = WidgetFromXMLText(R"(
      <widget type="replicator_widget" time_rate="2">
        <widgets><widget type="test_widget" name="t" timetolive="30"/></widgets>
      </widget>)");
    auto& inner = dynamic_cast<TTestWidget&>(*deco->FindWidget("t"));
    deco->Update(10);
    EXPECT_EQ(inner.lastElapsed, 20);  // the decorating widget's rate applied
    deco->Update(10);
    EXPECT_TRUE(inner.GetDead());
    deco->Update(10);
    EXPECT_EQ(inner.updates, 3);  // a dead inner widget stays and is updated

    deco->Pause();
    EXPECT_TRUE(inner.GetPaused());
    deco->Resume();
    EXPECT_FALSE(inner.GetPaused());
    inner.Pause();
    deco->Update(10);
    EXPECT_EQ(inner.updates, 3);  // a paused inner widget is not
    deco->Restart();
    EXPECT_FALSE(inner.GetPaused());
    EXPECT_EQ(inner.GetCurrentTime(), 0);
}

TEST(DecorateWidget, TheInnerWidgetsBackLinkIsSetAndClearedByIt) {
    TWidgetHarness screen(60, 40);
    screen.Load(R"(
      <widget type="group_widget"><widgets>
        <widget type="replicator_widget" name="deco" visible="yes">
          <widgets><widget type="test_widget" name="first" visible="yes"/></widgets>
        </widget>
        <widget type="test_widget" name="loose" visible="yes"/>
      </widgets></widget>)");
    const Ref<IWidget> deco = screen.Find("deco");
    const Ref<IWidget> first = screen.Find("deco/first");
    const Ref<IWidget> loose = screen.Find("loose");

    // A widget of a group's list leaves that list to become the inner one.
    deco->SetProperty("widget", Variant(loose));
    EXPECT_FALSE(first->GetOwner());
    EXPECT_EQ(loose->GetOwner(), dynamic_cast<IWidgetOwner*>(deco.get()));
    EXPECT_FALSE(screen.Root()->GetChildren()->GetWidgetByName("loose"));
    EXPECT_EQ(screen.Find("deco/x").get(), loose.get());

    // Something that is no widget leaves none.
    deco->SetProperty("widget", Variant("text"));
    EXPECT_FALSE(loose->GetOwner());
    EXPECT_FALSE(deco->FindWidget("x"));

    // A decorating widget that goes detaches its inner widget first.
    Ref<IWidget> other = WidgetFromXMLText(R"(<widget type="replicator_widget"/>)");
    other->SetProperty("widget", Variant(first));
    EXPECT_EQ(first->GetOwner(), dynamic_cast<IWidgetOwner*>(other.get()));
    other = nullptr;
    EXPECT_FALSE(first->GetOwner());

    // Clearing the content drops and detaches it too.
    deco->SetProperty("widget", Variant(loose));
    dynamic_cast<TDecorateWidget&>(*deco).ClearContent();
    EXPECT_FALSE(loose->GetOwner());
    EXPECT_FALSE(dynamic_cast<TDecorateWidget&>(*deco).GetInnerWidget());
}

TEST(DecorateWidget, AStoredInnerWidgetOfNoWidgetTypeLeavesNoneAndIsLogged) {
    TLogCapture log;
    const Ref<IWidget> deco = WidgetFromXMLText(R"(
      <widget type="replicator_widget">
        <widgets><widget type="no_such_widget"/></widgets>
      </widget>)");
    ASSERT_TRUE(deco);
    EXPECT_FALSE(dynamic_cast<TDecorateWidget&>(*deco).GetInnerWidget());
    EXPECT_TRUE(log.Has({"WIDGET", "no_such_widget"}));
    EXPECT_EQ(deco->GetWidth(), 0);
}

// Made the inner widget of itself or of a widget it holds, a widget would
// own itself and attaching it would never end: the link is refused, logged,
// and the tree stays as it was.
TEST(DecorateWidget, ItselfOrAWidgetHoldingItIsRefusedAsInnerWidget) {
    TWidgetHarness screen(60, 40);
    screen.Load(R"(
      <widget type="group_widget" name="root"><widgets>
        <widget type="group_widget" name="outer"><widgets>
          <widget type="replicator_widget" name="deco" visible="yes">
            <widgets><widget type="replicator_widget" name="mid" visible="yes">
              <widgets><widget type="test_widget" name="leaf" visible="yes"/></widgets>
            </widget></widgets>
          </widget>
        </widgets></widget>
      </widgets></widget>)");
    const Ref<IWidget> outer = screen.Find("outer");
    const Ref<IWidget> deco = screen.Find("outer/deco");
    const Ref<IWidget> mid = screen.Find("outer/deco/x");
    ASSERT_TRUE(outer && deco && mid);
    struct TCase {
        const char* what;
        Ref<IWidget> target;  // made the inner widget
        Ref<IWidget> of;      // of this one
    };
    const std::vector<TCase> cases = {
        {"itself", deco, deco},
        {"its group", outer, deco},
        {"the root", screen.Root(), deco},
        {"its own owner", deco, mid},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TLogCapture log;
        const Ref<IWidget> before = dynamic_cast<TDecorateWidget&>(*c.of).GetInnerWidget();
        IWidgetOwner* const ownerBefore = c.target->GetOwner();
        c.of->SetProperty("widget", Variant(c.target));
        EXPECT_EQ(dynamic_cast<TDecorateWidget&>(*c.of).GetInnerWidget(), before);
        EXPECT_EQ(c.target->GetOwner(), ownerBefore);
        ASSERT_EQ(log.Lines().size(), 1u);
        EXPECT_TRUE(log.Has({"WIDGET", c.of->GetName(), "refused"})) << log.Lines()[0];
    }
    // The tree is whole and still runs.
    EXPECT_EQ(screen.Find("outer/deco/x/x").get(), screen.Find("outer/deco/x/leaf").get());
    EXPECT_TRUE(screen.Find("outer/deco/x/leaf"));
    EXPECT_EQ(deco->GetOwner(), dynamic_cast<IWidgetOwner*>(outer.get()));
    screen.Step(2);
    // A widget that does not hold it is still taken.
    const Ref<IWidget> other = WidgetFromXMLText(R"(<widget type="test_widget" name="other"/>)");
    TLogCapture log;
    mid->SetProperty("widget", Variant(other));
    EXPECT_EQ(other->GetOwner(), dynamic_cast<IWidgetOwner*>(mid.get()));
    EXPECT_TRUE(log.Lines().empty());
}

TEST(DecorateWidget, SavingAndLoadingGivesBackTheInnerWidget) {
    const Ref<IWidget> deco = WidgetFromXMLText(R"(
      <widget type="replicator_widget" name="r" cols="2" rows="3">
        <widgets><widget type="test_widget" name="t" width="7" height="5" color="$FF123456"/></widgets>
      </widget>)");
    const Ref<IWidget> copy = WidgetFromXMLText(WidgetToXMLText(deco));
    ASSERT_TRUE(copy);
    auto* inner = dynamic_cast<TTestWidget*>(copy->FindWidget("t").get());
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->GetName(), "t");
    EXPECT_EQ(inner->Color(), 0xFF123456u);
    EXPECT_EQ(copy->GetWidth(), 14);
    EXPECT_EQ(copy->GetHeight(), 15);
}

TEST(BehaviourWidget, ItTakesItsInnerWidgetsSizeAndRepaintsWhenItChanges) {
    TWidgetHarness screen(80, 60);
    AddImage(screen, "strip", 40, 10, [](int x, int) { return 0xFF000000u | uint32_t(x) << 18; });
    screen.Load(R"(<widget type="group_widget"/>)");
    const Ref<TBehaviourWidget> behaviour = CreateObject<TBehaviourWidget>();
    behaviour->SetVisible(true);
    behaviour->SetLeft(30);
    behaviour->SetTop(20);
    const Ref<IWidget> inner = WidgetFromXMLText(
        R"(<widget type="animation_widget" visible="yes" anchor_left="2" anchor_top="3"
                   width="10" height="10" resourcename="strip" resourcewidth="40" framescount="4"
                   animationtime="40" loop="yes"/>)");
    behaviour->SetInnerWidget(inner);
    screen.Root()->GetChildren()->AddWidget(Ref<IWidget>(behaviour));
    EXPECT_EQ(behaviour->GetWidth(), 10);
    EXPECT_EQ(behaviour->GetBounds(), (TRect{32, 23, 42, 33}));

    screen.Step();
    for (int frame = 0; frame < 3; ++frame) {
        SCOPED_TRACE(frame);
        screen.Step(1, 10);  // a new frame of the strip each time
        EXPECT_TRUE(screen.FrameRendered());
        bool covered = false;
        for (const TRect& rect : screen.FrameRects()) {
            covered = covered ||
                      (rect.left <= 32 && rect.top <= 23 && rect.right >= 42 && rect.bottom >= 33);
        }
        EXPECT_TRUE(covered);
    }
    inner->Pause();
    screen.Step(2, 10);
    EXPECT_TRUE(screen.FrameRects().empty());
    EXPECT_FALSE(screen.FrameRendered());
}

}  // namespace
}  // namespace leaftest
