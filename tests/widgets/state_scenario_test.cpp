// The state scenario: a frame-by-frame trace of the machine (enter, the
// completion test, the next state, the per-frame handler, time-outs), the
// start delay, the fallback start state, a misspelt next state, choosing the
// next state, skip by click, created widgets, the control link, and
// handlers that remove the scenario or its widgets while it runs.
#include <gtest/gtest.h>

#include "core/object/GeneralClasses.h"
#include "tests/support/WidgetHarness.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/StateScenario.h"
#include "widgets/WidgetUtils.h"

namespace widgettest {
namespace {

using TTrace = std::vector<std::string>;

// A scenario whose handlers write what they see into a trace. Tests declare
// its states; the handlers are its own methods, written the ways a game's
// scenario writes them.
class TTraceScenario : public TControlStateScenario {
public:
    TTrace trace;
    int32_t waitMs = 500;
    std::string chosen = "next";

    void Note(const std::string& line) { trace.push_back(line); }
    std::string Age() const { return std::to_string(GetCurrentTime()); }

    void Enter(TState& state) {
        Note("enter " + state.name + " from '" + GetPreviousStateName() + "' at " + Age());
    }
    void EnterWait(TState& state) {
        Enter(state);
        SetStateTimeout(waitMs);
    }
    void Process(TState& state, int32_t ms) {
        Note("process " + state.name + " " + std::to_string(ms) + " in state " +
             std::to_string(GetTimeInState()));
    }
    bool CheckTimeout(TState& state) {
        const bool done = IsTimeoutReached(state);
        Note("check " + state.name + " at " + Age() + (done ? " done" : ""));
        return done;
    }
    bool Never() { return false; }
    std::string Choose(TState& state) {
        Note("choose " + state.name);
        return chosen;
    }
    void Tick(int32_t ms) { Note("tick " + std::to_string(ms)); }
    void Remember() {
        Note("gone? " + std::string(CreatedWidgetsGone(*GetCurrentState()) ? "yes" : "no"));
    }
};

// A scenario that declares its own states in Create, as the game's do.
class TIntroScenario : public TTraceScenario {
public:
    void Create() override {
        TTraceScenario::Create();
        AddState("enter", "show", &TIntroScenario::Enter, &TIntroScenario::AlwaysTrue);
        AddState("show", "exit", &TIntroScenario::EnterWait, &TIntroScenario::IsTimeoutReached,
                 nullptr, &TIntroScenario::Process);
        AddState("exit", "", &TIntroScenario::Enter);
    }
};

// Replaces the states its base declared.
class TShortIntroScenario : public TIntroScenario {
public:
    void Create() override {
        TIntroScenario::Create();
        ClearStates();
        AddState("only", "", &TShortIntroScenario::Enter, &TShortIntroScenario::AlwaysTrue);
    }
};

// The subclassing example of docs/architecture.md, as it stands there.
class TScenarioShowName : public TControlStateScenario {
public:
    void Create() override {
        TControlStateScenario::Create();
        AddState("enter", "show", &TScenarioShowName::FindTitle, &TScenarioShowName::AlwaysTrue);
        AddState("show", "exit", &TScenarioShowName::Show, &TScenarioShowName::IsTimeoutReached);
        AddState("exit", "", &TScenarioShowName::Report);
    }
    void Detach() override {
        title_ = nullptr;
        TControlStateScenario::Detach();
    }

private:
    void FindTitle() {
        const Ref<IWidget> control = GetControlGame();
        title_ = Weak<IWidget>(control ? control->FindWidget("title") : nullptr);
    }
    void Show() {
        SetStateTimeout(1500);
        if (const Ref<IWidget> title = title_.Lock()) title->SetVisible(true);
    }
    void Report() {
        if (const Ref<IWidget> control = GetControlGame()) control->ExecuteCommand(11, nullptr);
    }

    Weak<IWidget> title_;  // the control's, never the scenario's
};

// A control that records the commands its scenarios send it.
class TRecordingControl : public TVisualGroupWidget {
public:
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override {
        (void)params;
        commands.push_back(command);
    }
    std::vector<int32_t> commands;
};

void RegisterOnce(TAbstractClass cls, const std::string& name) {
    if (!FindRegisteredClass(name)) RegisterObjectClass(cls, name);
}

// A screen whose root holds a trace scenario "machine" with the given keys
// and extra XML inside it.
class StateScenarioTest : public testing::Test {
protected:
    void SetUp() override {
        RegisterOnce(ClassOf<TTraceScenario>(), "test_trace_scenario");
        RegisterOnce(ClassOf<TIntroScenario>(), "test_intro_scenario");
        RegisterOnce(ClassOf<TShortIntroScenario>(), "test_short_intro_scenario");
        RegisterOnce(ClassOf<TScenarioShowName>(), "test_show_name_scenario");
        RegisterOnce(ClassOf<TRecordingControl>(), "test_recording_control");
    }

    Ref<TTraceScenario> Load(const std::string& type = "test_trace_scenario",
                             const std::string& keys = "", const std::string& inner = "") {
        screen.Load(R"(<widget type="group_widget" name="root"><widgets>
                         <widget type=")" +
                    type + R"(" name="machine" )" + keys + ">" + inner + R"(</widget>
                       </widgets></widget>)");
        machine = Query<TTraceScenario>(screen.Find("machine"));
        EXPECT_TRUE(machine);
        return machine;
    }

    // Steps frames of ms each, marking each frame in the trace; stops early
    // when the machine has gone.
    void Frames(int count, int32_t ms = 10) {
        for (int i = 0; i < count && screen.Find("machine"); ++i) {
            machine->Note("frame " + std::to_string(++frame));
            screen.Step(1, ms);
        }
    }

    TWidgetHarness screen{64, 48};
    Ref<TTraceScenario> machine;
    int frame = 0;
};

TEST_F(StateScenarioTest, AFrameByFrameTraceOfEnterCompletionNextStateAndTimeOut) {
    Load();
    machine->AddState("enter", "a", &TTraceScenario::Enter, &TTraceScenario::AlwaysTrue, nullptr,
                      &TTraceScenario::Process);
    machine->AddState("a", "", &TTraceScenario::EnterWait, &TTraceScenario::CheckTimeout, nullptr,
                      &TTraceScenario::Process);
    Frames(60);

    TTrace expected = {
        "frame 1",
        "enter enter from '' at 10",  // the start state: OnEnter, OnProcess and test in frame 1
        "process enter 10 in state 0",
        "enter a from 'enter' at 10",  // entered in the frame that found "enter" done
    };
    for (int f = 2; f <= 51; ++f) {
        const int age = (f - 1) * 10;  // the time-out set the age back to 0 in frame 1
        expected.push_back("frame " + std::to_string(f));
        expected.push_back("process a 10 in state " + std::to_string(age));
        expected.push_back("check a at " + std::to_string(age) + (age >= 500 ? " done" : ""));
    }
    EXPECT_EQ(machine->trace, expected);
    EXPECT_FALSE(screen.Find("machine")) << "the frame that found \"a\" done ended it";
    EXPECT_TRUE(machine->GetDead());
    EXPECT_FALSE(machine->GetCurrentState());
    EXPECT_EQ(machine->GetPreviousStateName(), "a");
    EXPECT_FALSE(machine->GetForceComplete());
}

TEST_F(StateScenarioTest, StatesDeclaredInCreateRunFromData) {
    Load("test_intro_scenario");
    Frames(10, 200);
    EXPECT_EQ(machine->trace, (TTrace{
                                  "frame 1",
                                  "enter enter from '' at 200",
                                  "enter show from 'enter' at 200",
                                  "frame 2",
                                  "process show 200 in state 200",
                                  "frame 3",
                                  "process show 200 in state 400",
                                  "frame 4",
                                  "process show 200 in state 600",
                                  "enter exit from 'show' at 600",
                                  "frame 5",
                              }))
        << "exit is entered in frame 4 and found done in frame 5";
    EXPECT_FALSE(screen.Find("machine"));
}

TEST_F(StateScenarioTest, ASubclassReplacesItsBaseClassStates) {
    Load("test_short_intro_scenario");
    EXPECT_EQ(machine->GetStateCount(), 1);
    Frames(2);
    EXPECT_EQ(machine->trace, (TTrace{"frame 1", "enter only from '' at 10"}));
    EXPECT_FALSE(screen.Find("machine"));
}

TEST_F(StateScenarioTest, ANegativeAgeDelaysTheStartUntilItReachesZero) {
    Load("test_intro_scenario", R"(currenttime="-300")");
    Frames(2, 100);
    EXPECT_EQ(machine->trace, (TTrace{"frame 1", "frame 2"}));
    EXPECT_TRUE(machine->GetStartPending());
    Frames(1, 100);
    EXPECT_EQ(machine->trace.back(), "enter show from 'enter' at 0");
    EXPECT_EQ(machine->GetCurrentTime(), 0) << "the time-out leaves age 0 as it is";
}

TEST_F(StateScenarioTest, WithoutEnterTheFirstDeclaredStateStarts) {
    Load();
    machine->AddState("second_declared", "", &TTraceScenario::Enter, &TTraceScenario::Never);
    machine->AddState("first", "", &TTraceScenario::Enter);
    Frames(3);
    EXPECT_EQ(machine->trace,
              (TTrace{"frame 1", "enter second_declared from '' at 10", "frame 2", "frame 3"}));
    EXPECT_EQ(machine->GetCurrentState()->name, "second_declared");
}

TEST_F(StateScenarioTest, AMisspeltNextStateEndsTheScenarioWithALogLine) {
    Load();
    machine->AddState("enter", "shwo", &TTraceScenario::Enter, &TTraceScenario::AlwaysTrue);
    machine->AddState("show", "", &TTraceScenario::Enter);
    Frames(3);
    EXPECT_EQ(machine->trace, (TTrace{"frame 1", "enter enter from '' at 10"}));
    EXPECT_FALSE(screen.Find("machine"));
    EXPECT_TRUE(
        screen.Log().Has({"WIDGET", "\"machine\"", "\"enter\"", "\"shwo\"", "not declared"}))
        << testing::PrintToString(screen.Log().Lines());
}

TEST_F(StateScenarioTest, AnEmptyNextNameEndsQuietly) {
    Load();
    machine->AddState("enter", "", &TTraceScenario::Enter);
    Frames(2);
    EXPECT_FALSE(screen.Find("machine"));
    EXPECT_FALSE(screen.Log().Has({"not declared"}));
}

TEST_F(StateScenarioTest, ChooseNextReplacesTheNextNameAndNextMeansTheDeclaredOne) {
    struct TCase {
        const char* chosen;
        const char* entered;
    };
    const TCase cases[] = {{"next", "declared"}, {"other", "other"}, {"OTHER", "other"}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.chosen);
        Load();
        machine->chosen = c.chosen;
        machine->AddState("enter", "declared", nullptr, nullptr, &TTraceScenario::Choose);
        machine->AddState("declared", "", &TTraceScenario::Enter, &TTraceScenario::Never);
        machine->AddState("other", "", &TTraceScenario::Enter, &TTraceScenario::Never);
        Frames(1);
        EXPECT_EQ(machine->trace,
                  (TTrace{"frame 1", "choose enter",
                          "enter " + std::string(c.entered) + " from 'enter' at 10"}));
        frame = 0;
    }
}

TEST_F(StateScenarioTest, HandlersMayBeMethodsWithoutTheStateOrAnyCallable) {
    Load();
    int lambdaCalls = 0;
    EXPECT_TRUE(machine->AddState(
        "enter", "", [&](TState&) { ++lambdaCalls; }, &TTraceScenario::Never, nullptr,
        &TTraceScenario::Tick));
    Frames(2, 25);
    EXPECT_EQ(lambdaCalls, 1);
    EXPECT_EQ(machine->trace, (TTrace{"frame 1", "tick 25", "frame 2", "tick 25"}));
}

TEST_F(StateScenarioTest, ASecondStateOfTheSameNameIsRefused) {
    Load();
    EXPECT_TRUE(machine->AddState("enter", "a", &TTraceScenario::Enter));
    EXPECT_FALSE(machine->AddState("ENTER", "b", &TTraceScenario::Enter));
    EXPECT_EQ(machine->GetStateCount(), 1);
    EXPECT_EQ(machine->FindState("Enter")->next, "a");
    EXPECT_EQ(machine->FindState(0), machine->FindState("enter"));
    EXPECT_FALSE(machine->FindState(1));
    EXPECT_FALSE(machine->FindState(-1));
}

TEST_F(StateScenarioTest, TheLifetimeEndsTheScenarioWhereverTheMachineStands) {
    Load("test_trace_scenario", R"(timetolive="100")");
    machine->AddState("enter", "", &TTraceScenario::Enter, &TTraceScenario::Never);
    Frames(20);
    EXPECT_EQ(frame, 10);
    EXPECT_FALSE(screen.Find("machine"));
    EXPECT_EQ(machine->GetCurrentState()->name, "enter");
}

TEST_F(StateScenarioTest, ARestartRewindsTheAgeButNeverStartsTheMachineAgain) {
    Load();
    machine->waitMs = 100;
    machine->AddState("enter", "wait", &TTraceScenario::Enter, &TTraceScenario::AlwaysTrue);
    machine->AddState("wait", "", &TTraceScenario::EnterWait, &TTraceScenario::CheckTimeout);
    Frames(5);
    machine->Restart();
    EXPECT_EQ(machine->trace.back(), "check wait at 0");
    Frames(20);
    EXPECT_EQ(std::count(machine->trace.begin(), machine->trace.end(), "enter enter from '' at 10"),
              1);
    EXPECT_EQ(machine->trace.back(), "check wait at 100 done");
    EXPECT_FALSE(screen.Find("machine"));
}

TEST_F(StateScenarioTest, IsTimeoutReachedHoldsAtOnceWithoutATimeOutAndThenResets) {
    Load();
    TState state;
    EXPECT_TRUE(machine->IsTimeoutReached(state)) << "no time-out";
    machine->SetStateTimeout(30);
    EXPECT_FALSE(machine->IsTimeoutReached(state));
    screen.Step(3, 10);
    EXPECT_TRUE(machine->IsTimeoutReached(state));
    EXPECT_EQ(machine->GetStateTimeout(), 0);
}

struct TSkipCase {
    const char* what;
    uint8_t button;
    bool press;
    bool release;
    bool ends;
};

TEST_F(StateScenarioTest, WithSkipByClickOnAButtonReleaseAnywhereEndsTheScenario) {
    const TSkipCase cases[] = {
        {"left release", SDL_BUTTON_LEFT, false, true, true},
        {"middle release", SDL_BUTTON_MIDDLE, false, true, true},
        {"right release", SDL_BUTTON_RIGHT, false, true, true},
        {"left press", SDL_BUTTON_LEFT, true, false, false},
        {"right press", SDL_BUTTON_RIGHT, true, false, false},
        {"move", 0, false, false, false},
    };
    for (const TSkipCase& c : cases) {
        SCOPED_TRACE(c.what);
        Load("test_trace_scenario", R"(visible="yes" mousestop="yes")");
        machine->SetSkipByClick(true);
        machine->AddState("enter", "", &TTraceScenario::Enter, &TTraceScenario::Never);
        screen.Step();
        EXPECT_EQ(screen.Screen().WidgetAt(50, 40), Ref<IWidget>(machine))
            << "it answers for any point";
        if (c.press) screen.MouseDown(50, 40, c.button);
        if (c.release) screen.MouseUp(50, 40, c.button);
        if (!c.press && !c.release) screen.MouseMove(50, 40);
        EXPECT_EQ(machine->GetDead(), c.ends);
        EXPECT_EQ(machine->GetProperty("force_complete").ToBool(), c.ends);
        screen.Step();
        EXPECT_EQ(!screen.Find("machine"), c.ends);
    }
}

TEST_F(StateScenarioTest, WithoutSkipByClickClicksDoNothingAndTheScenarioIsNotHit) {
    Load("test_trace_scenario", R"(visible="yes" mousestop="yes")");
    machine->AddState("enter", "", &TTraceScenario::Enter, &TTraceScenario::Never);
    screen.Step();
    EXPECT_FALSE(screen.Screen().WidgetAt(50, 40));
    machine->HandleEvent(kMouseLeftUp, 50, 40, 0);
    screen.Click(50, 40);
    screen.Step();
    EXPECT_TRUE(screen.Find("machine"));
    EXPECT_FALSE(machine->GetForceComplete());
}

TEST_F(StateScenarioTest, SettingForceCompleteOnlySetsTheFlag) {
    Load();
    machine->AddState("enter", "", &TTraceScenario::Enter, &TTraceScenario::Never);
    machine->SetProperty("force_complete", Variant(true));
    screen.Step(3);
    EXPECT_TRUE(machine->GetForceComplete());
    EXPECT_TRUE(screen.Find("machine"));
    machine->Skip(false);
    EXPECT_FALSE(machine->GetDead());
    machine->Skip(true);
    EXPECT_TRUE(machine->GetDead());
}

// The scenario's own factory makes a marker that lives 50 ms.
const char* kMarkerFactory = R"(
  <widgetfactories>
    <widgetfactory name="marker" type="WidgetFactory">
      <widgetstring><widget type="test_widget" name="%name%" timetolive="50"/></widgetstring>
    </widgetfactory>
  </widgetfactories>)";

TEST_F(StateScenarioTest, CreatedWidgetsGoneWaitsForTheRememberedWidgets) {
    // Visible: a hidden group's end-of-frame pass never runs, so its
    // children would be updated in their first frame only.
    Load("test_trace_scenario", R"(visible="yes")", kMarkerFactory);
    Ref<IWidget> first, second, sameName, onRoot, noFactory;
    machine->AddState(
        "enter", "",
        [&](TState&) {
            const Ref<IWidget> self(machine);
            first = machine->CreateChildWidget(self, "marker",
                                               ParamCollectionFromString("\\name=m1"), true);
            second = machine->CreateChildWidget(self, "marker",
                                                ParamCollectionFromString("\\name=m2"), true);
            sameName = machine->CreateChildWidget(self, "marker",
                                                  ParamCollectionFromString("\\name=M1"), true);
            onRoot = machine->CreateChildWidget(screen.Root(), "marker",
                                                ParamCollectionFromString("\\name=r1"), false);
            noFactory = machine->CreateChildWidget(self, "nothing", nullptr, true);
        },
        &TTraceScenario::CreatedWidgetsGone, nullptr, &TTraceScenario::Remember);
    screen.Step();
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_FALSE(sameName) << "a child of that name exists";
    EXPECT_FALSE(noFactory);
    EXPECT_EQ(screen.Find("machine/m1"), first);
    EXPECT_EQ(screen.Find("r1"), onRoot);
    EXPECT_EQ(machine->GetCreatedWidgets(), "m1;m2;");
    EXPECT_EQ(machine->GetChildren()->GetCount(), 2);
    // The markers die at 50 ms and their group, the scenario, removes them.
    second->SetProperty("timetolive", Variant(30));
    screen.Step(3);
    EXPECT_FALSE(screen.Find("machine/m2"));
    EXPECT_TRUE(screen.Find("machine"));
    EXPECT_EQ(machine->GetCreatedWidgets(), "m1;m2;");
    screen.Step(2);
    EXPECT_FALSE(screen.Find("machine"));
    EXPECT_EQ(machine->GetCreatedWidgets(), "");
    EXPECT_EQ(std::count(machine->trace.begin(), machine->trace.end(), "gone? no"), 5);
}

TEST_F(StateScenarioTest, TheControlLinkIsWeakAndDroppedOnDetach) {
    Load();
    const Ref<IWidget> root = screen.Root();
    root->GetChildren()->AddWidget(
        WidgetFromXMLText(R"(<widget type="test_widget" name="board"/>)"));
    Ref<IWidget> board = screen.Find("board");
    machine->SetProperty("control_game", Variant(board));
    EXPECT_EQ(machine->GetControlGame(), board);
    EXPECT_EQ(machine->GetProperty("control_game").ToInterface().get(),
              Ref<IInterface>(board).get());
    machine->SetProperty("control_game",
                         Variant(Ref<IInterface>(CreateObject<TParamCollection>())));
    EXPECT_FALSE(machine->GetControlGame()) << "a value that is no widget clears the link";
    machine->SetProperty("control_game", Variant(board));

    // Moved to another list: detached, so the link goes.
    const Ref<IWidget> panel = WidgetFromXMLText(R"(<widget type="group_widget" name="panel"/>)");
    root->GetChildren()->AddWidget(panel);
    panel->GetChildren()->AddWidget(Ref<IWidget>(machine));
    EXPECT_EQ(machine->GetOwner(), Query<IWidgetOwner>(panel).get());
    EXPECT_FALSE(machine->GetControlGame());

    // The control removed and freed while the scenario holds the link.
    machine->SetControlGame(board);
    root->GetChildren()->Delete(Variant("board"));
    EXPECT_EQ(machine->GetControlGame(), board) << "still held by the test";
    board = nullptr;
    EXPECT_FALSE(machine->GetControlGame());
    EXPECT_FALSE(machine->GetProperty("control_game").ToInterface());
}

TEST_F(StateScenarioTest, AHandlerMayRemoveTheScenarioFromItsParent) {
    Load();
    IWidgetCollection* children = screen.Root()->GetChildren().get();
    machine->AddState("enter", "gone", &TTraceScenario::Enter, &TTraceScenario::AlwaysTrue, nullptr,
                      [children](TState&, int32_t) { children->Delete(Variant("machine")); });
    machine->AddState("gone", "", &TTraceScenario::Enter);
    const Weak<IWidget> watch(machine);
    machine = nullptr;  // the list holds the only reference now
    screen.Step();
    EXPECT_FALSE(screen.Find("machine"));
    EXPECT_TRUE(watch.Expired()) << "freed once its own update returned";
    screen.Step(3);
}

TEST_F(StateScenarioTest, TheSubclassingExampleShowsTheTitleAndReportsToItsControl) {
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="test_recording_control" name="board" visible="yes">
            <widgets><widget type="test_widget" name="title"/></widgets>
          </widget>
          <widget type="group_widget" name="scenario_group" visible="yes"/>
        </widgets>
      </widget>)");
    const Ref<TRecordingControl> board = Query<TRecordingControl>(screen.Find("board"));
    // As a game control starts a scenario: made, added to its group, linked.
    Ref<IWidget> made = Query<IWidget>(CreateObjectByName("test_show_name_scenario"));
    made->SetName("show_name");
    screen.Find("scenario_group")->GetChildren()->AddWidget(made);
    made->SetProperty("control_game", Variant(Ref<IWidget>(board)));
    made = nullptr;

    screen.Step();
    EXPECT_TRUE(screen.Find("board/title")->GetVisible());
    EXPECT_TRUE(board->commands.empty());
    screen.Step(149);
    EXPECT_TRUE(board->commands.empty());
    screen.Step();  // 1500 ms: "show" is done, "exit" reports
    EXPECT_EQ(board->commands, std::vector<int32_t>{11});
    screen.Step();
    EXPECT_FALSE(screen.Find("scenario_group/show_name"));
    EXPECT_EQ(board->commands, std::vector<int32_t>{11});
}

TEST_F(StateScenarioTest, TheExampleOutlivesItsControlAndItsTitle) {
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgets>
          <widget type="test_recording_control" name="board" visible="yes">
            <widgets><widget type="test_widget" name="title"/></widgets>
          </widget>
          <widget type="test_show_name_scenario" name="show_name"/>
        </widgets>
      </widget>)");
    screen.Find("show_name")->SetProperty("control_game", Variant(screen.Find("board")));
    screen.Step();
    screen.Root()->GetChildren()->Delete(Variant("board"));  // the control and its title go
    screen.Step(151);
    EXPECT_FALSE(screen.Find("show_name")) << "ended without anyone to report to";
}

TEST(StateScenarioRegistered, AStateScenarioFromDataHasNoStatesAndLivesItsLifetime) {
    TWidgetHarness screen(64, 48);
    screen.Load(R"(<widget type="group_widget"><widgets>
                     <widget type="state_scenario" name="s" timetolive="100"/>
                   </widgets></widget>)");
    const Ref<TStateScenario> scenario = Query<TStateScenario>(screen.Find("s"));
    ASSERT_TRUE(scenario);
    EXPECT_EQ(scenario->GetStateCount(), 0);
    screen.Step(9);
    EXPECT_TRUE(screen.Find("s"));
    EXPECT_FALSE(scenario->GetStartPending());
    screen.Step();
    EXPECT_FALSE(screen.Find("s"));
}

}  // namespace
}  // namespace widgettest
