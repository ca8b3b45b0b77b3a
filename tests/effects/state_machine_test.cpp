// The state machine: the weighted choice as it is computed (the first
// action gets one chance more, the last one less), its frequencies under a
// seeded generator, action durations and next states, states without
// actions, unknown widgets, and starting again after a detach.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/base/Random.h"
#include "effects/StateWidgets.h"
#include "tests/effects/EffectTestClasses.h"
#include "tests/support/WidgetHarness.h"
#include "widgets/WidgetUtils.h"

namespace effecttest {
namespace {

struct TAction {
    const char* name;
    int state;
    int probability;
    int duration;
    int nextState;
    const char* widget;
};

std::string ActionsXml(const std::vector<TAction>& actions) {
    std::string xml = "<actiondefs>";
    for (const TAction& a : actions) {
        xml += "<actiondef name=\"" + std::string(a.name) + "\" state=\"" +
               std::to_string(a.state) + "\" probability=\"" + std::to_string(a.probability) +
               "\" duration=\"" + std::to_string(a.duration) + "\" nextstate=\"" +
               std::to_string(a.nextState) + "\" widgetname=\"" + a.widget + "\"/>";
    }
    return xml + "</actiondefs>";
}

// A state machine with the children "a", "b" and "c" and the actions given.
std::string MachineXml(const std::vector<TAction>& actions) {
    return R"(<widget type="statemachine_widget" name="machine">
        <widgets>
          <widget type="test_widget" name="a" visible="yes" width="2" height="2"/>
          <widget type="test_widget" name="b" visible="yes" width="2" height="2"/>
          <widget type="test_widget" name="c" visible="yes" width="2" height="2"/>
        </widgets>)" +
           ActionsXml(actions) + "</widget>";
}

Ref<TStateMachineWidget> LoadMachine(const std::vector<TAction>& actions) {
    Ref<TStateMachineWidget> machine =
        Query<TStateMachineWidget>(WidgetFromXMLText(MachineXml(actions)));
    EXPECT_TRUE(machine);
    return machine;
}

std::string NameOf(const Ref<IActionDef>& action) {
    return action ? action->GetName() : "(none)";
}

// The children shown, by name; "none" when none is.
std::string Shown(TStateMachineWidget& machine) {
    std::string shown;
    for (const char* name : {"a", "b", "c"}) {
        if (machine.FindWidget(name)->GetVisible()) shown += name;
    }
    return shown.empty() ? "none" : shown;
}

TEST(ActionChoice, TheWeightTableGivesTheFirstActionOneChanceMore) {
    struct TCase {
        std::vector<TAction> actions;
        std::vector<const char*> byWeight;  // the action for the weights 0, 1, 2...
    };
    const TCase cases[] = {
        {{{"x", 0, 1, 0, 0, ""}, {"y", 0, 3, 0, 0, ""}}, {"x", "x", "y", "y"}},
        {{{"x", 0, 2, 0, 0, ""}, {"y", 0, 3, 0, 0, ""}, {"z", 0, 5, 0, 0, ""}},
         {"x", "x", "x", "y", "y", "y", "z", "z", "z", "z"}},
        // Actions of other states are passed over without taking weight.
        {{{"w", 1, 9, 0, 0, ""}, {"x", 0, 1, 0, 0, ""}, {"y", 0, 1, 0, 0, ""}}, {"x", "x"}},
        // A probability of 0 is chosen only first and for the weight 0.
        {{{"x", 0, 0, 0, 0, ""}, {"y", 0, 2, 0, 0, ""}}, {"x", "y"}},
        {{{"x", 0, 2, 0, 0, ""}, {"y", 0, 0, 0, 0, ""}}, {"x", "x"}},
    };
    for (const TCase& c : cases) {
        const Ref<TStateMachineWidget> machine = LoadMachine(c.actions);
        const Ref<IActionDefCollection> actions = machine->GetActions();
        ASSERT_EQ(actions->GetCount(), int32_t(c.actions.size()));
        EXPECT_EQ(actions->GetTotalProbability(0), int32_t(c.byWeight.size()));
        for (size_t weight = 0; weight < c.byWeight.size(); ++weight) {
            SCOPED_TRACE(testing::Message()
                         << c.actions[0].name << c.actions.size() << " weight " << weight);
            EXPECT_EQ(NameOf(actions->FindActionByWeight(0, int32_t(weight))), c.byWeight[weight]);
        }
        // Beyond the total nothing qualifies.
        EXPECT_EQ(NameOf(actions->FindActionByWeight(0, int32_t(c.byWeight.size()) + 1)), "(none)");
    }
}

TEST(ActionChoice, AllProbabilitiesZeroAlwaysGiveTheFirstAction) {
    const Ref<TStateMachineWidget> machine =
        LoadMachine({{"x", 0, 0, 0, 0, ""}, {"y", 0, 0, 0, 0, ""}});
    RandomSeed(7);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(NameOf(machine->GetActions()->ChooseAction(0)), "x");
    EXPECT_EQ(NameOf(machine->GetActions()->ChooseAction(3)), "(none)");
}

TEST(ActionChoice, SeededFrequenciesFollowTheWeightTableNotTheNominalWeights) {
    const std::vector<TAction> table = {
        {"x", 0, 2, 0, 0, ""}, {"y", 0, 3, 0, 0, ""}, {"z", 0, 5, 0, 0, ""}};
    const Ref<TStateMachineWidget> machine = LoadMachine(table);
    // Chances in 10: x 3 (weights 0..2), y 3 (3..5), z 4 (6..9); nominally 2, 3, 5.
    const std::map<std::string, double> expected = {{"x", 0.3}, {"y", 0.3}, {"z", 0.4}};
    for (const uint32_t seed : {1u, 20250101u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        RandomSeed(seed);
        std::map<std::string, int> counts;
        constexpr int kDraws = 10000;
        for (int i = 0; i < kDraws; ++i) ++counts[NameOf(machine->GetActions()->ChooseAction(0))];
        for (const auto& [name, share] : expected) {
            // Four standard deviations of a binomial share at 10,000 draws.
            EXPECT_NEAR(counts[name] / double(kDraws), share, 0.02) << name;
        }
        EXPECT_EQ(counts.size(), 3u);
    }
}

TEST(StateMachine, ActionsFollowOneAnotherByDurationAndNextState) {
    TWidgetHarness screen(64, 48);
    screen.Load(MachineXml({{"first", 0, 1, 0, 1, "a"},  // replaced on the next frame
                            {"second", 1, 1, 30, 0, "b"}}));
    auto& machine = dynamic_cast<TStateMachineWidget&>(*screen.Root());
    // Attached: the first action from state 0 at once.
    EXPECT_EQ(NameOf(machine.GetCurrentAction()), "first");
    EXPECT_EQ(Shown(machine), "a");
    screen.Step(1, 10);
    EXPECT_EQ(NameOf(machine.GetCurrentAction()), "second");
    EXPECT_EQ(machine.GetCurrentState(), 1);
    EXPECT_EQ(Shown(machine), "b");
    EXPECT_TRUE(machine.FindWidget("a")->GetPaused());
    EXPECT_FALSE(machine.FindWidget("b")->GetPaused());
    EXPECT_EQ(dynamic_cast<TAbstractWidget&>(*machine.FindWidget("b")).GetCurrentTime(), 0);
    screen.Step(2, 10);
    EXPECT_EQ(NameOf(machine.GetCurrentAction()), "second");
    screen.Step(1, 10);  // 30 ms
    EXPECT_EQ(NameOf(machine.GetCurrentAction()), "first");
    EXPECT_EQ(Shown(machine), "a");
}

TEST(StateMachine, AStateWithoutActionsRetriesStateZeroWhenTheLastDurationIsOver) {
    TWidgetHarness screen(64, 48);
    screen.Load(MachineXml({{"lonely", 0, 1, 20, 5, "a"}}));
    auto& machine = dynamic_cast<TStateMachineWidget&>(*screen.Root());
    screen.Step(2, 10);
    // State 5 has no actions: nothing plays, the duration stays.
    EXPECT_FALSE(machine.GetCurrentAction());
    EXPECT_EQ(machine.GetCurrentState(), 5);
    EXPECT_EQ(machine.GetCurrentDuration(), 20);
    EXPECT_EQ(Shown(machine), "none");
    screen.Step(1, 10);
    EXPECT_FALSE(machine.GetCurrentAction());
    screen.Step(1, 10);
    EXPECT_EQ(NameOf(machine.GetCurrentAction()), "lonely");
    EXPECT_EQ(Shown(machine), "a");
}

TEST(StateMachine, NoActionsAtAllTryEveryFrameAndNothingBreaks) {
    TWidgetHarness screen(64, 48);
    screen.Load(MachineXml({}));
    auto& machine = dynamic_cast<TStateMachineWidget&>(*screen.Root());
    for (int i = 0; i < 5; ++i) {
        screen.Step(1, 10);
        EXPECT_FALSE(machine.GetCurrentAction());
        EXPECT_EQ(machine.GetCurrentTime(), 0);  // each frame's age reached duration 0
    }
    EXPECT_EQ(Shown(machine), "none");
}

TEST(StateMachine, AnUnknownWidgetStillSetsTheDurationAndTheNextState) {
    TWidgetHarness screen(64, 48);
    screen.Load(MachineXml({{"ghost", 0, 1, 50, 1, "nosuch"}, {"real", 1, 1, 50, 0, "c"}}));
    auto& machine = dynamic_cast<TStateMachineWidget&>(*screen.Root());
    EXPECT_EQ(NameOf(machine.GetCurrentAction()), "ghost");
    EXPECT_EQ(machine.GetCurrentDuration(), 50);
    EXPECT_EQ(Shown(machine), "none");
    screen.Step(4, 10);
    EXPECT_EQ(NameOf(machine.GetCurrentAction()), "ghost");
    screen.Step(1, 10);
    EXPECT_EQ(NameOf(machine.GetCurrentAction()), "real");
    EXPECT_EQ(Shown(machine), "c");
}

TEST(StateMachine, DetachThenAttachStartsAgainFromStateZero) {
    TWidgetHarness screen(64, 48);
    screen.Load(R"(<widget type="group_widget">
        <widgets>)" +
                MachineXml({{"first", 0, 1, 10, 1, "a"}, {"second", 1, 1, 100, 0, "b"}}) +
                R"(</widgets></widget>)");
    const Ref<IWidget> found = screen.Find("machine");
    auto& machine = dynamic_cast<TStateMachineWidget&>(*found);
    screen.Step(1, 10);
    ASSERT_EQ(NameOf(machine.GetCurrentAction()), "second");
    machine.Detach();
    EXPECT_FALSE(machine.GetCurrentAction());
    EXPECT_EQ(Shown(machine), "none");
    EXPECT_TRUE(machine.FindWidget("b")->GetPaused());
    machine.Attach(dynamic_cast<IWidgetOwner*>(screen.Root().get()));
    EXPECT_EQ(NameOf(machine.GetCurrentAction()), "first");
    EXPECT_EQ(machine.GetCurrentState(), 0);
    EXPECT_EQ(Shown(machine), "a");
}

TEST(StateMachine, UnnamedActionsAreAllKeptAndClearContentDropsThem) {
    const Ref<TStateMachineWidget> machine =
        LoadMachine({{"", 0, 1, 10, 0, "a"}, {"", 0, 1, 10, 0, "b"}, {"", 0, 1, 10, 0, "c"}});
    EXPECT_EQ(machine->GetActions()->GetCount(), 3);
    EXPECT_EQ(machine->GetActions()->GetTotalProbability(0), 3);
    machine->ClearContent();
    EXPECT_EQ(machine->GetActions()->GetCount(), 0);
    EXPECT_EQ(machine->GetChildren()->GetCount(), 0);
}

}  // namespace
}  // namespace effecttest
