// The control base: the mouse codes turned into presses, releases and
// double clicks with a button number, the rectangle with its edges and its
// mask, focus on a left press, Tab among child controls on the key's
// release, the children and scenarios a control makes, and what it stores.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/object/GeneralClasses.h"
#include "core/storage/XMLStorage.h"
#include "tests/support/WidgetHarness.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/ControlWidget.h"
#include "widgets/StateScenario.h"
#include "widgets/WidgetUtils.h"

namespace widgettest {
namespace {

// A control that records the mouse operations it is given and the focus and
// keys it sees; it handles the keys listed in "handles" (key codes).
class TRecordingControl : public TControlGameWidget {
public:
    bool MouseMove(int32_t x, int32_t y, int32_t shift) override {
        Record("move", x, y, shift);
        return TControlGameWidget::MouseMove(x, y, shift);
    }
    bool MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) override {
        Record("down", x, y, button);
        return TControlGameWidget::MouseDown(x, y, shift, button);
    }
    bool MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) override {
        Record("up", x, y, button);
        return TControlGameWidget::MouseUp(x, y, shift, button);
    }
    bool MouseDoubleClick(int32_t x, int32_t y, int32_t shift, int32_t button) override {
        Record("double", x, y, button);
        return TControlGameWidget::MouseDoubleClick(x, y, shift, button);
    }
    void ReceiveFocus() override {
        TControlGameWidget::ReceiveFocus();
        calls.push_back("focus " + GetName());
    }
    void LoseFocus() override {
        TControlGameWidget::LoseFocus();
        calls.push_back("blur " + GetName());
    }
    bool HandleKey(int32_t kind, int32_t key, int32_t shift) override {
        if (GetFocused() && handledKey >= 0 && key == handledKey) return true;
        return TControlGameWidget::HandleKey(kind, key, shift);
    }

    std::vector<std::string> calls;
    int32_t handledKey = -1;

private:
    void Record(const char* what, int32_t x, int32_t y, int32_t extra) {
        std::string line = what;
        line += " " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(extra);
        calls.push_back(line);
    }
};

class ControlBase : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!FindRegisteredClass("test_control")) {
            RegisterObjectClass(ClassOf<TRecordingControl>(), "test_control");
        }
        // A scenario that keeps its control weakly, as the game's do.
        if (!FindRegisteredClass("test_control_scenario")) {
            RegisterObjectClass(ClassOf<TControlStateScenario>(), "test_control_scenario");
        }
    }
    TRecordingControl& Control(const std::string& path) {
        auto* control = dynamic_cast<TRecordingControl*>(screen.Find(path).get());
        if (!control) throw std::runtime_error("no test control at " + path);
        return *control;
    }

    TWidgetHarness screen;
};

// A control 100 by 50 at (20, 30) inside a group at (5, 0).
constexpr const char* kOneControl = R"(
  <widget type="group_widget" name="root">
    <widgets>
      <widget type="group_widget" name="panel" visible="yes" mousestop="yes" anchor_left="5">
        <widgets>
          <widget type="test_control" name="c" visible="yes" mousestop="yes" enabled="yes"
                  anchor_left="20" anchor_top="30" width="100" height="50"/>
        </widgets>
      </widget>
    </widgets>
  </widget>)";

TEST_F(ControlBase, EachMouseCodeReachesItsOperationWithItsButtonInOwnerCoordinates) {
    screen.Load(kOneControl);
    TRecordingControl& control = Control("panel/c");
    struct TCase {
        int32_t code;
        const char* call;  // the point is (60 - 5, 40), the owner's content
    };
    const TCase cases[] = {
        {10, "move 55,40 7"},   {11, "down 55,40 0"}, {12, "up 55,40 0"},
        {13, "double 55,40 0"}, {14, "down 55,40 2"}, {15, "up 55,40 2"},
        {16, "double 55,40 2"}, {17, "down 55,40 1"}, {18, "up 55,40 1"},
        {19, "double 55,40 1"},
    };
    for (const TCase& c : cases) {
        control.calls.clear();
        EXPECT_FALSE(control.HandleEvent(c.code, 60, 40, 7)) << c.code;
        EXPECT_EQ(control.calls, std::vector<std::string>{c.call}) << c.code;
    }
    for (const int32_t other : {0, 9, 20, -1}) {
        control.calls.clear();
        EXPECT_FALSE(control.HandleEvent(other, 60, 40, 0));
        EXPECT_TRUE(control.calls.empty()) << other;
    }
}

TEST_F(ControlBase, InjectedClicksOfEveryButtonArriveThroughTheScreen) {
    screen.Load(kOneControl);
    TRecordingControl& control = Control("panel/c");
    screen.Click(60, 40, SDL_BUTTON_LEFT);
    screen.Click(60, 40, SDL_BUTTON_RIGHT);
    screen.Click(60, 40, SDL_BUTTON_MIDDLE);
    EXPECT_EQ(control.calls,
              (std::vector<std::string>{"down 55,40 0", "up 55,40 0", "down 55,40 1", "up 55,40 1",
                                        "down 55,40 2", "up 55,40 2"}));
}

TEST_F(ControlBase, TheSecondPressOfADoubleClickIsNoPress) {
    screen.Load(kOneControl);
    TRecordingControl& control = Control("panel/c");
    screen.Click(60, 40);
    screen.Platform().InjectMouseButton(SDL_BUTTON_LEFT, true, 60, 40, 2);
    screen.Platform().InjectMouseButton(SDL_BUTTON_LEFT, false, 60, 40, 2);
    screen.Deliver();
    EXPECT_EQ(control.calls, (std::vector<std::string>{"down 55,40 0", "up 55,40 0",
                                                       "double 55,40 0", "up 55,40 0"}));
}

TEST_F(ControlBase, AllFourEdgesOfTheRectangleAreInside) {
    screen.Load(kOneControl);
    TRecordingControl& control = Control("panel/c");
    struct TCase {
        int32_t x, y;
        bool inside;
    };
    // The owner's content: the control spans 20..120 by 30..80.
    const TCase cases[] = {{20, 30, true},  {120, 80, true}, {120, 30, true},
                           {20, 80, true},  {19, 50, false}, {121, 50, false},
                           {70, 29, false}, {70, 81, false}, {70, 55, true}};
    for (const TCase& c : cases) {
        EXPECT_EQ(control.ContainsPoint(c.x, c.y, false), c.inside) << c.x << "," << c.y;
    }
    // The window sees the same through the group at 5: 125 is the right edge.
    EXPECT_EQ(screen.Screen().WidgetAt(125, 55).get(), static_cast<IWidget*>(&control));
    EXPECT_EQ(screen.Screen().WidgetAt(126, 55), nullptr);
    EXPECT_EQ(GetWidgetScreenBounds(Ref<IWidget>(&control)), (TRect{25, 30, 125, 80}));
}

TEST_F(ControlBase, AHiddenControlIsInsideOnlyWhenVisibilityIsIgnoredAndIsNeverHit) {
    screen.Load(kOneControl);
    TRecordingControl& control = Control("panel/c");
    control.SetVisible(false);
    EXPECT_FALSE(control.ContainsPoint(70, 55, false));
    EXPECT_TRUE(control.ContainsPoint(70, 55, true));
    EXPECT_FALSE(control.ContainsPoint(200, 55, true));
    EXPECT_EQ(control.WidgetAt(70, 55), nullptr);
}

TEST_F(ControlBase, AMaskWidgetDecidesInsideTheRectangleEvenWhenHidden) {
    const auto tree = [](const std::string& mask) {
        return R"(
          <widget type="group_widget" name="root">
            <widgets>
              <widget type="test_control" name="c" visible="yes" mousestop="yes"
                      anchor_left="20" anchor_top="30" width="100" height="50" maskwidget=")" +
               mask + R"(">
                <widgets>
                  <widget type="test_widget" name="shape" anchor_left="10" anchor_top="5"
                          width="20" height="10"/>
                </widgets>
              </widget>
            </widgets>
          </widget>)";
    };
    screen.Load(tree("shape"));
    TRecordingControl& masked = Control("c");
    ASSERT_FALSE(screen.Find("c/shape")->GetVisible());
    EXPECT_TRUE(masked.ContainsPoint(35, 40, false));   // the shape's (15, 10)
    EXPECT_TRUE(masked.ContainsPoint(30, 35, false));   // its corner
    EXPECT_FALSE(masked.ContainsPoint(70, 55, false));  // in the rectangle, off the shape
    EXPECT_FALSE(masked.ContainsPoint(200, 40, true));  // the rectangle still limits it
    EXPECT_EQ(masked.WidgetAt(70, 55), nullptr);
    EXPECT_EQ(masked.WidgetAt(35, 40).get(), static_cast<IWidget*>(&masked));

    screen.Load(tree("no_such_child"));
    EXPECT_TRUE(Control("c").ContainsPoint(70, 55, false));
}

TEST_F(ControlBase, ALeftPressGivesATabStopTheFocusAndARightPressDoesNot) {
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="test_control" name="a" visible="yes" mousestop="yes" tabstop="yes"
                  width="50" height="50"/>
          <widget type="test_control" name="b" visible="yes" mousestop="yes"
                  anchor_left="100" width="50" height="50"/>
        </widgets>
      </widget>)");
    screen.Click(25, 25, SDL_BUTTON_RIGHT);
    screen.Click(25, 25, SDL_BUTTON_MIDDLE);
    EXPECT_EQ(screen.Screen().GetFocus(), nullptr);
    screen.Click(25, 25);
    EXPECT_EQ(screen.Screen().GetFocus(), screen.Find("a"));
    EXPECT_TRUE(Control("a").GetFocused());
    // A second press on the focused control does not give it the focus again.
    Control("a").calls.clear();
    screen.Click(25, 25);
    EXPECT_EQ(Control("a").calls, (std::vector<std::string>{"down 25,25 0", "up 25,25 0"}));
    // Not a tab stop: no focus.
    screen.Click(125, 25);
    EXPECT_EQ(screen.Screen().GetFocus(), screen.Find("a"));
}

// A focused container with children a (tab stop), b (not), c (hidden tab
// stop), d (tab stop), e (tab stop).
constexpr const char* kContainer = R"(
  <widget type="group_widget" name="root">
    <widgets>
      <widget type="test_control" name="box" visible="yes" mousestop="yes" tabstop="yes"
              width="300" height="50">
        <widgets>
          <widget type="test_control" name="a" visible="yes" tabstop="yes" z="1"/>
          <widget type="test_control" name="b" visible="yes" z="2"/>
          <widget type="test_control" name="c" tabstop="yes" z="3"/>
          <widget type="test_control" name="d" visible="yes" tabstop="yes" z="4"/>
          <widget type="test_control" name="e" visible="yes" tabstop="yes" z="5"/>
        </widgets>
      </widget>
    </widgets>
  </widget>)";

TEST_F(ControlBase, TabMovesTheFocusAmongChildrenOnItsReleaseAndLeavesTheLastOne) {
    screen.Load(kContainer);
    TRecordingControl& box = Control("box");
    screen.Screen().SetFocus(screen.Find("box"));
    // The first key gives the first tab stop the focus; a Tab press moves
    // nothing.
    EXPECT_FALSE(box.HandleKey(kKeyDown, 9, 0));
    EXPECT_EQ(box.GetFocusedChild(), screen.Find("box/a"));
    EXPECT_TRUE(Control("box/a").GetFocused());

    struct TStep {
        const char* focused;  // after the release; "" for none
        bool handled;
    };
    const TStep steps[] = {{"d", true}, {"e", true}, {"", false}};
    for (const TStep& step : steps) {
        const bool handled = box.HandleKey(kKeyUp, 9, 0);
        EXPECT_EQ(handled, step.handled) << step.focused;
        const Ref<IWidget> child = box.GetFocusedChild();
        EXPECT_EQ(child ? child->GetName() : std::string(), step.focused);
        box.HandleKey(kKeyUpAfter, 9, 0);
    }
    // The key after the last one (here the call that follows the release)
    // starts again at the first tab stop, and the next Tab moves on from it.
    EXPECT_FALSE(Control("box/e").GetFocused());
    EXPECT_EQ(box.GetFocusedChild(), screen.Find("box/a"));
    EXPECT_TRUE(box.HandleKey(kKeyUp, 9, 0));
    EXPECT_EQ(box.GetFocusedChild(), screen.Find("box/d"));
    EXPECT_FALSE(Control("box/a").GetFocused());
    EXPECT_TRUE(Control("box/b").calls.empty());
    EXPECT_TRUE(Control("box/c").calls.empty());
}

TEST_F(ControlBase, KeysGoToTheFocusedChildAndAHandledTabStaysThere) {
    screen.Load(kContainer);
    TRecordingControl& box = Control("box");
    Control("box/a").handledKey = 9;
    // Not focused: nothing happens.
    EXPECT_FALSE(box.HandleKey(kKeyUp, 9, 0));
    EXPECT_EQ(box.GetFocusedChild(), nullptr);
    screen.Screen().SetFocus(screen.Find("box"));
    EXPECT_TRUE(box.HandleKey(kKeyUp, 9, 0));
    EXPECT_EQ(box.GetFocusedChild(), screen.Find("box/a"));
    // Losing the focus takes it from the child too.
    screen.Screen().ClearFocus();
    EXPECT_FALSE(box.GetFocused());
    EXPECT_FALSE(Control("box/a").GetFocused());
    EXPECT_EQ(box.GetFocusedChild(), nullptr);
}

TEST_F(ControlBase, AFocusedChildThatLeftOrWentIsDropped) {
    screen.Load(kContainer);
    TRecordingControl& box = Control("box");
    screen.Screen().SetFocus(screen.Find("box"));
    box.HandleKey(kKeyUp, 9, 0);  // a takes the focus and gives it on to d
    ASSERT_EQ(box.GetFocusedChild(), screen.Find("box/d"));
    box.GetChildren()->Delete(Variant("d"));  // the last reference goes
    EXPECT_EQ(box.GetFocusedChild(), nullptr);
    // The next key starts again at the first tab stop.
    EXPECT_TRUE(box.HandleKey(kKeyUp, 9, 0));
    EXPECT_EQ(box.GetFocusedChild(), screen.Find("box/e"));

    // A child moved to another list no longer counts as focused here.
    const Ref<IWidget> e = screen.Find("box/e");
    screen.Root()->GetChildren()->AddWidget(e);
    EXPECT_EQ(box.GetFocusedChild(), nullptr);
}

TEST_F(ControlBase, TabMovesOnAmongUnnamedChildren) {
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="test_control" name="box" visible="yes" tabstop="yes" width="10" height="10">
            <widgets>
              <widget type="test_control" visible="yes" tabstop="yes" z="1"/>
              <widget type="test_control" visible="yes" tabstop="yes" z="2"/>
            </widgets>
          </widget>
        </widgets>
      </widget>)");
    TRecordingControl& box = Control("box");
    screen.Screen().SetFocus(screen.Find("box"));
    // The first child takes the focus and gives it on to the second; the
    // next Tab leaves the second, not back to it.
    EXPECT_TRUE(box.HandleKey(kKeyUp, 9, 0));
    EXPECT_EQ(box.GetFocusedChild(), box.GetChildren()->GetWidgetByIndex(1));
    EXPECT_FALSE(box.HandleKey(kKeyUp, 9, 0));
    EXPECT_EQ(box.GetFocusedChild(), nullptr);
}

TEST_F(ControlBase, FindNextTabStopDoesNotWrap) {
    screen.Load(kContainer);
    TRecordingControl& box = Control("box");
    EXPECT_EQ(box.FindNextTabStop(-5), screen.Find("box/a"));
    EXPECT_EQ(box.FindNextTabStop(0), screen.Find("box/d"));
    EXPECT_EQ(box.FindNextTabStop(4), nullptr);
    EXPECT_EQ(box.FindNextTabStop(100), nullptr);
}

TEST_F(ControlBase, PressedIsClearedWhenTheWindowTakesTheCapture) {
    screen.Load(kOneControl);
    TRecordingControl& control = Control("panel/c");
    struct TPressing : TRecordingControl {
        using TRecordingControl::SetPressed;
    };
    static_cast<TPressing&>(control).SetPressed(true);
    screen.Screen().SetMouseCapture(screen.Find("panel/c"));
    screen.Screen().SetMouseCapture(nullptr);
    EXPECT_FALSE(control.GetPressed());
}

constexpr const char* kFactories = R"(
  <widget type="group_widget" name="root">
    <widgets>
      <widget type="test_control" name="game" visible="yes" width="10" height="10">
        <widgetfactories>
          <widgetfactory name="piece" type="WidgetFactory">
            <widgetstring><widget type="test_widget" name="piece"/></widgetstring>
          </widgetfactory>
          <widgetfactory name="flow" type="WidgetFactory">
            <widgetstring><widget type="test_control_scenario" name="flow_%n%"/></widgetstring>
          </widgetfactory>
          <widgetfactory name="unnamed" type="WidgetFactory">
            <widgetstring><widget type="test_widget"/></widgetstring>
          </widgetfactory>
        </widgetfactories>
        <widgets>
          <widget type="group_widget" name="scenario_group" visible="yes"/>
          <widget type="group_widget" name="pieces"/>
        </widgets>
      </widget>
    </widgets>
  </widget>)";

Ref<IParamCollection> Params(const std::string& name, const std::string& value) {
    Ref<IParamCollection> params =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    params->SetValue(name, Variant(value));
    return params;
}

TEST_F(ControlBase, AChildIsMadeOnceUnderItsName) {
    screen.Load(kFactories);
    TRecordingControl& game = Control("game");
    const Ref<IWidget> pieces = screen.Find("game/pieces");
    const Ref<IWidget> made = game.CreateChildWidget(pieces, "piece", nullptr);
    ASSERT_TRUE(made);
    EXPECT_EQ(screen.Find("game/pieces/piece"), made);
    EXPECT_EQ(made->GetOwner(), dynamic_cast<IWidgetOwner*>(pieces.get()));
    EXPECT_EQ(game.CreateChildWidget(pieces, "piece", nullptr), nullptr);
    EXPECT_EQ(pieces->GetChildren()->GetCount(), 1);
    EXPECT_EQ(game.CreateChildWidget(pieces, "no_such_factory", nullptr), nullptr);
    EXPECT_EQ(game.CreateChildWidget(nullptr, "piece", nullptr), nullptr);
    // A widget without children takes none.
    EXPECT_EQ(game.CreateChildWidget(made, "piece", nullptr), nullptr);
}

TEST_F(ControlBase, ScenariosJoinTheScenarioGroupLinkedToTheControl) {
    screen.Load(kFactories);
    TRecordingControl& game = Control("game");
    const Ref<IWidget> one = game.CreateScenario("flow", Params("n", "one"), true);
    ASSERT_TRUE(one);
    EXPECT_EQ(screen.Find("game/scenario_group/flow_one"), one);
    EXPECT_EQ(one->GetProperty("control_game").ToInterface().get(),
              static_cast<IInterface*>(static_cast<IWidget*>(&game)));
    EXPECT_EQ(game.CreateScenario("flow", Params("n", "one"), true), nullptr);
    EXPECT_TRUE(game.CreateScenario("flow", Params("n", "two"), false));
    EXPECT_TRUE(game.CreateScenario("flow", Params("n", "three"), true));
    EXPECT_EQ(game.GetScenarioNames(), "flow_one;flow_three;");
    // Unnamed scenarios are all kept.
    EXPECT_TRUE(game.CreateScenario("unnamed", nullptr, false));
    EXPECT_TRUE(game.CreateScenario("unnamed", nullptr, false));
    EXPECT_EQ(screen.Find("game/scenario_group")->GetChildren()->GetCount(), 5);
}

TEST_F(ControlBase, WithoutAScenarioGroupNoScenarioIsMade) {
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgets><widget type="test_control" name="game" visible="yes"/></widgets>
      </widget>)");
    EXPECT_EQ(Control("game").CreateScenario("flow", nullptr, true), nullptr);
    EXPECT_EQ(Control("game").GetScenarioGroup(), nullptr);
}

TEST(ControlStorage, StoredKeysReadBackAndFalseFlagsAreNotWritten) {
    const auto saved = [](const std::string& keys) {
        const Ref<IWidget> control =
            WidgetFromXMLText(R"(<widget type="Control" name="c" )" + keys + "/>");
        EXPECT_TRUE(control);
        return WidgetToXMLText(control);
    };
    const std::string plain = saved("");
    const Ref<IHierStorage> plainNode = LoadStorageFromXML(plain);
    EXPECT_EQ(ReadString(plainNode, "width", "?"), "0");
    EXPECT_EQ(ReadString(plainNode, "height", "?"), "0");
    EXPECT_EQ(ReadString(plainNode, "enabled", "absent"), "absent");
    EXPECT_EQ(ReadString(plainNode, "tabstop", "absent"), "absent");
    EXPECT_EQ(ReadString(plainNode, "maskwidget", "absent"), "absent");

    const std::string full =
        saved(R"(width="40" height="30" enabled="yes" tabstop="yes" maskwidget="a/b")");
    const Ref<IHierStorage> fullNode = LoadStorageFromXML(full);
    EXPECT_EQ(ReadString(fullNode, "width", ""), "40");
    EXPECT_EQ(ReadString(fullNode, "height", ""), "30");
    EXPECT_EQ(ReadString(fullNode, "enabled", ""), "yes");
    EXPECT_EQ(ReadString(fullNode, "tabstop", ""), "yes");
    EXPECT_EQ(ReadString(fullNode, "maskwidget", ""), "a/b");
    const Ref<IWidget> again = WidgetFromXMLText(full);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->GetEnabled());
    EXPECT_TRUE(again->GetTabStop());
    EXPECT_EQ(again->GetWidth(), 40);
    EXPECT_EQ(again->GetHeight(), 30);
    EXPECT_EQ(dynamic_cast<TControlWidget&>(*again).GetMaskWidget(), "a/b");

    const Ref<IWidget> disabled = WidgetFromXMLText(plain);
    ASSERT_TRUE(disabled);
    EXPECT_FALSE(disabled->GetEnabled());
    EXPECT_EQ(disabled->GetProperty("enabled"), Variant(false));
    disabled->SetProperty("enabled", Variant(true));
    disabled->SetProperty("tabstop", Variant(true));
    EXPECT_TRUE(disabled->GetEnabled());
    EXPECT_TRUE(disabled->GetTabStop());
}

}  // namespace
}  // namespace widgettest
