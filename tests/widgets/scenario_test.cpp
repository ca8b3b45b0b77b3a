// Timed scenarios: the fade's level over the lifetime and the level given
// back at the end, the move's fractional positions, re-linking, a target
// removed while the fade runs, an early detach, the stored keys, the test
// scenario's butterflies, and AnyWidgetAlive.
#include <gtest/gtest.h>

#include "core/base/Random.h"
#include "tests/support/WidgetHarness.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/Scenarios.h"
#include "widgets/WidgetUtils.h"

namespace widgettest {
namespace {

// A root with a target at level 200 and a fade of the given keys beside it.
std::string FadeTree(const std::string& fadeKeys) {
    return R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="test_widget" name="target" visible="yes" width="10" height="10"
                  transparentlevel="200" color="$FFFF0000"/>
          <widget type="test_widget" name="other" visible="yes" anchor_left="20" width="10"
                  height="10" transparentlevel="90"/>
          <widget type=")" +
           fadeKeys + R"(/>
        </widgets>
      </widget>)";
}

int32_t LevelOf(const Ref<IWidget>& widget) {
    return widget->GetProperty("transparentlevel").ToInt();
}

struct TFadeCase {
    const char* keys;
    std::vector<std::pair<int, int32_t>> levels;  // (age in ms, level)
    bool visibleAtEnd;
};

TEST(TransparentScenario, TheLevelFollowsTheAgeAndTheTargetGetsItsOwnLevelBack) {
    const TFadeCase cases[] = {
        {R"(transparent_scenario" name="fade" timetolive="1000" start_trans_level="0"
            end_trans_level="255")",
         {{0, 0}, {250, 63}, {500, 127}, {990, 252}},  // 63.75 cut to 63
         true},
        {R"(transparent_scenario" name="fade" timetolive="1000" start_trans_level="255"
            end_trans_level="0" makeinvisible="yes")",
         {{0, 255}, {250, 192}, {750, 64}},  // 255 - 63.75, cut toward zero
         false},
        {R"(transparent_scenario" name="fade" timetolive="400" start_trans_level="100"
            end_trans_level="100")",
         {{0, 100}, {200, 100}},
         true},
    };
    for (const TFadeCase& c : cases) {
        SCOPED_TRACE(c.keys);
        TWidgetHarness screen(64, 48);
        screen.Load(FadeTree(c.keys));
        const Ref<IWidget> target = screen.Find("target");
        screen.Find("fade")->SetProperty("widget", Variant(target));
        EXPECT_EQ(screen.Find("fade")->GetProperty("widget").ToInterface().get(),
                  Ref<IInterface>(target).get());
        int age = 0;
        for (const auto& [at, level] : c.levels) {
            screen.Step((at - age) / 10, 10);
            age = at;
            EXPECT_EQ(LevelOf(target), level) << "at " << at << " ms";
        }
        const int lifetime = screen.Find("fade")->GetProperty("timetolive").ToInt();
        screen.Step((lifetime - age) / 10, 10);
        EXPECT_FALSE(screen.Find("fade")) << "dead and removed at the end of its lifetime";
        EXPECT_EQ(LevelOf(target), 200);
        EXPECT_EQ(target->GetVisible(), c.visibleAtEnd);
        EXPECT_EQ(target->GetOwner(), Query<IWidgetOwner>(screen.Root()).get());
    }
}

TEST(TransparentScenario, WithoutALifetimeItFinishesInItsFirstFrameAndNeverDivides) {
    TWidgetHarness screen(64, 48);
    screen.Load(FadeTree(R"(transparent_scenario" name="fade" start_trans_level="0"
                            end_trans_level="255" makeinvisible="yes")"));
    const Ref<IWidget> target = screen.Find("target");
    screen.Find("fade")->SetProperty("widget", Variant(target));
    EXPECT_EQ(LevelOf(target), 200) << "no lifetime: linking sets no level";
    screen.Step();
    EXPECT_FALSE(screen.Find("fade"));
    EXPECT_EQ(LevelOf(target), 200);
    EXPECT_FALSE(target->GetVisible());
}

TEST(TransparentScenario, RelinkingLetsTheFirstTargetGoWithItsLevelWithoutDetachingIt) {
    TWidgetHarness screen(64, 48);
    screen.Load(FadeTree(R"(transparent_scenario" name="fade" timetolive="1000"
                            start_trans_level="0" end_trans_level="255")"));
    const Ref<IWidget> fade = screen.Find("fade");
    const Ref<IWidget> first = screen.Find("target");
    const Ref<IWidget> second = screen.Find("other");
    fade->SetProperty("widget", Variant(first));
    screen.Step(50, 10);
    EXPECT_EQ(LevelOf(first), 127);
    fade->SetProperty("widget", Variant(second));
    // The first target stays in its group, attached, with its own level.
    EXPECT_EQ(screen.Find("target"), first);
    EXPECT_EQ(first->GetOwner(), Query<IWidgetOwner>(screen.Root()).get());
    EXPECT_EQ(LevelOf(first), 200);
    EXPECT_EQ(LevelOf(second), 127) << "the new target takes the level of the present age";
    screen.Step(10, 10);
    EXPECT_EQ(LevelOf(first), 200);
    EXPECT_EQ(LevelOf(second), 153);
    screen.Step(40, 10);
    EXPECT_FALSE(screen.Find("fade"));
    EXPECT_EQ(LevelOf(second), 90);
    EXPECT_TRUE(first->GetVisible());
}

TEST(TransparentScenario, AValueThatIsNoWidgetLeavesNoTarget) {
    TWidgetHarness screen(64, 48);
    screen.Load(FadeTree(R"(transparent_scenario" name="fade" timetolive="1000"
                            start_trans_level="0" end_trans_level="255")"));
    const Ref<IWidget> fade = screen.Find("fade");
    const Ref<IWidget> target = screen.Find("target");
    fade->SetProperty("widget", Variant(target));
    const Variant notWidgets[] = {
        Variant(Ref<IInterface>(CreateAbstractObject(ClassOf<TParamCollection>()))),
        Variant("target"), Variant(12), Variant()};
    for (const Variant& value : notWidgets) {
        fade->SetProperty("widget", Variant(target));
        fade->SetProperty("widget", value);
        EXPECT_FALSE(fade->GetProperty("widget").ToInterface());
        EXPECT_EQ(LevelOf(target), 200);
    }
    screen.Step(100, 10);
    EXPECT_EQ(LevelOf(target), 200);
}

// The parent removes the target in the middle of the fade, in the same update
// pass in which the fade runs next; the target is freed at once. Under the
// sanitizers any touch of it afterwards fails the test.
TEST(TransparentScenario, ATargetRemovedByItsParentWhileTheFadeRunsIsNeverTouchedAgain) {
    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move_scenario" : "transparent_scenario");
        TWidgetHarness screen(64, 48);
        screen.Load(R"(
          <widget type="group_widget" name="root">
            <widgets>
              <widget type="test_widget" name="remover" z="-1"/>
              <widget type="test_widget" name="target" visible="yes" width="4" height="4"/>
              <widget type=")" +
                    std::string(move ? "move_scenario" : "transparent_scenario") +
                    R"(" name="fade" timetolive="1000" start_trans_level="0"
                      end_trans_level="255" endposx="100" makeinvisible="yes"/>
            </widgets>
          </widget>)");
        screen.Find("fade")->SetProperty("widget", Variant(screen.Find("target")));
        const Ref<TTestWidget> remover = Query<TTestWidget>(screen.Find("remover"));
        IWidgetCollection* children = screen.Root()->GetChildren().get();
        remover->onUpdate = [children](TTestWidget& self) {
            if (self.GetCurrentTime() == 500) children->Delete(Variant("target"));
        };
        Journal().clear();
        screen.Step(50, 10);
        EXPECT_FALSE(screen.Find("target"));
        EXPECT_NE(std::find(Journal().begin(), Journal().end(), "destroy target"), Journal().end());
        EXPECT_FALSE(screen.Find("fade")->GetProperty("widget").ToInterface());
        screen.Step(60, 10);
        EXPECT_FALSE(screen.Find("fade"));
    }
}

TEST(TransparentScenario, AFadeDetachedEarlyFinishesSoItsTargetIsNeverLeftHalfFaded) {
    TWidgetHarness screen(64, 48);
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="test_widget" name="target" visible="yes" width="4" height="4"
                  transparentlevel="200"/>
          <widget type="move_scenario" name="move" timetolive="1000" start_trans_level="0"
                  end_trans_level="255" startposx="0" startposy="0" endposx="100" endposy="50"
                  makeinvisible="yes"/>
        </widgets>
      </widget>)");
    const Ref<IWidget> target = screen.Find("target");
    screen.Find("move")->SetProperty("widget", Variant(target));
    screen.Step(30, 10);
    EXPECT_EQ(LevelOf(target), 76);
    EXPECT_DOUBLE_EQ(target->GetLeft(), 30.0);
    screen.SetRoot(nullptr);  // the screen closes
    EXPECT_EQ(LevelOf(target), 200);
    EXPECT_FALSE(target->GetVisible());
    EXPECT_DOUBLE_EQ(target->GetLeft(), 100.0);
    EXPECT_DOUBLE_EQ(target->GetTop(), 50.0);
}

TEST(MoveScenario, TheTargetMovesInFractionalStepsAndEndsAtTheEndPoint) {
    TWidgetHarness screen(200, 100);
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="test_widget" name="target" visible="yes" width="4" height="4"
                  anchor_left="7" anchor_top="9"/>
          <widget type="move_scenario" name="move" timetolive="400" startposx="0" startposy="0"
                  endposx="100" endposy="50"/>
        </widgets>
      </widget>)");
    const Ref<IWidget> target = screen.Find("target");
    screen.Find("move")->SetProperty("widget", Variant(target));
    EXPECT_DOUBLE_EQ(target->GetLeft(), 7.0) << "linking does not move it";
    screen.Step(10, 10);
    EXPECT_DOUBLE_EQ(target->GetLeft(), 25.0);
    EXPECT_DOUBLE_EQ(target->GetTop(), 12.5);
    screen.Step(1, 30);
    EXPECT_DOUBLE_EQ(target->GetLeft(), 32.5);
    EXPECT_DOUBLE_EQ(target->GetTop(), 16.25);
    EXPECT_EQ(LevelOf(target), 255) << "levels default to 255 both ends";
    screen.Step(1, 300);  // past the end in one step
    EXPECT_FALSE(screen.Find("move"));
    EXPECT_DOUBLE_EQ(target->GetLeft(), 100.0);
    EXPECT_DOUBLE_EQ(target->GetTop(), 50.0);
    EXPECT_TRUE(target->GetVisible());
}

TEST(TimedScenarioStorage, LevelsKeepTheLowByteAndEveryKeyIsWrittenBack) {
    const Ref<IWidget> move = WidgetFromXMLText(R"(
      <widget type="move_scenario" name="m" start_trans_level="300" end_trans_level="-1"
              makeinvisible="yes" startposx="-5" startposy="6" endposx="70" endposy="80"
              timetolive="400"/>)");
    ASSERT_TRUE(move);
    const std::string saved = WidgetToXMLText(move);
    for (const char* piece :
         {R"(start_trans_level="44")", R"(makeinvisible="yes")", R"(startposx="-5")",
          R"(startposy="6")", R"(endposx="70")", R"(endposy="80")", R"(type="move_scenario")"}) {
        EXPECT_NE(saved.find(piece), std::string::npos) << piece << " in " << saved;
    }
    EXPECT_EQ(saved.find("end_trans_level"), std::string::npos) << "-1 keeps 255, the default";
    EXPECT_LT(saved.find("anchor_top"), saved.find("start_trans_level"))
        << "after the group's keys";
    EXPECT_EQ(WidgetToXMLText(WidgetFromXMLText(saved)), saved);
}

TEST(TestScenario, APositiveAgeMakesAHundredButterfliesOnceAndPausesUntilRestarted) {
    TWidgetHarness screen(640, 480);
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgetfactories>
          <widgetfactory name="Butterfly" type="WidgetFactory">
            <widgetstring><widget type="test_widget" name="%name%" anchor_left="%left%"
              anchor_top="%top%" visible="yes" width="2" height="2"/></widgetstring>
          </widgetfactory>
        </widgetfactories>
        <widgets>
          <widget type="group_widget" name="panel" visible="yes">
            <widgets><widget type="scenario" name="swarm"/></widgets>
          </widget>
        </widgets>
      </widget>)");
    RandomSeed(7);
    const Ref<TTestScenario> swarm = Query<TTestScenario>(screen.Find("panel/swarm"));
    ASSERT_TRUE(swarm);
    screen.Step(3, 10);
    EXPECT_TRUE(swarm->GetPaused());
    EXPECT_EQ(swarm->GetCurrentTime(), 0);
    EXPECT_EQ(swarm->GetCounter(), 100);
    const Ref<IWidgetCollection> children = screen.Root()->GetChildren();
    EXPECT_EQ(children->GetCount(), 101);  // the panel and the butterflies, on the screen's root
    bool spread = false;
    for (int i = 1; i <= 100; ++i) {
        const Ref<IWidget> b = screen.Find("butterfly" + std::to_string(i));
        ASSERT_TRUE(b) << i;
        EXPECT_GE(b->GetLeft(), 0);
        EXPECT_LT(b->GetLeft(), 640);
        EXPECT_GE(b->GetTop(), 0);
        EXPECT_LT(b->GetTop(), 480);
        spread = spread || b->GetLeft() != screen.Find("butterfly1")->GetLeft();
    }
    EXPECT_TRUE(spread);
    EXPECT_FALSE(screen.Find("butterfly101"));

    swarm->Restart();
    EXPECT_EQ(swarm->GetCounter(), 100) << "age 0 after a restart: not yet";
    // The restart's own step counts as the swarm's update of the next frame.
    screen.Step(2, 10);
    EXPECT_EQ(swarm->GetCounter(), 200);
    EXPECT_TRUE(screen.Find("butterfly101"));
    EXPECT_TRUE(screen.Find("butterfly200"));
    EXPECT_EQ(children->GetCount(), 201);
}

TEST(TestScenario, WithoutAButterflyFactoryNothingIsAdded) {
    TWidgetHarness screen(64, 48);
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgets><widget type="scenario" name="swarm"/></widgets>
      </widget>)");
    screen.Step(2, 10);
    EXPECT_EQ(screen.Root()->GetChildren()->GetCount(), 1);
    EXPECT_TRUE(screen.Find("swarm")->GetPaused());
}

TEST(AnyWidgetAlive, PiecesAreTrimmedEmptyOnesDroppedAndDeadWidgetsDoNotCount) {
    const Ref<IWidget> root = WidgetFromXMLText(R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="test_widget" name="a"/>
          <widget type="test_widget" name="b"/>
          <widget type="group_widget" name="g">
            <widgets><widget type="test_widget" name="c"/></widgets>
          </widget>
        </widgets>
      </widget>)");
    ASSERT_TRUE(root);
    struct TCase {
        const char* names;
        bool alive;
    };
    const TCase cases[] = {
        {"a", true},      {" a ; ;b ", true}, {"x;;y", false},  {"", false},
        {" ; ; ", false}, {"x; g/c ", true},  {"g / c", false}, {"x;b", true},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(AnyWidgetAlive(root, c.names), c.alive) << '"' << c.names << '"';
    }
    root->FindWidget("a")->SetDead(true);
    EXPECT_FALSE(AnyWidgetAlive(root, " a "));
    EXPECT_TRUE(AnyWidgetAlive(root, "a; b"));
    root->FindWidget("b")->SetDead(true);
    EXPECT_FALSE(AnyWidgetAlive(root, "a; b"));
    EXPECT_FALSE(AnyWidgetAlive(nullptr, "a"));
}

}  // namespace
}  // namespace widgettest
