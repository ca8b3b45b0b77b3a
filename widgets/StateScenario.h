// The state scenario: the small state machine that stages every timed
// sequence of a level (showing its name, revealing cells, counting a score
// sheet, scrolling a map). It is a scenario group in a screen's widget tree;
// each frame it runs the per-frame handler of its current state, asks the
// state whether it is done, and when it is, enters the next state. A next
// name that is empty or names no declared state ends the scenario (it marks
// itself dead and its parent removes it).
//
// Subclassing (see docs/architecture.md, "Scenarios"): override Create(),
// call the inherited one first, then declare the states with AddState,
// handing in the subclass's own methods as handlers:
//
//     void TScenarioShowName::Create() {
//         TControlStateScenario::Create();
//         AddState("enter", "show", &TScenarioShowName::Enter, &TScenarioShowName::AlwaysTrue);
//         AddState("show", "exit", &TScenarioShowName::EnterShow,
//                  &TScenarioShowName::IsTimeoutReached);
//         AddState("exit", "", &TScenarioShowName::EnterExit);
//     }
//
// Ownership: the scenario owns its states. The widgets it creates belong to
// the lists it adds them to; it remembers only their names. The control a
// TControlStateScenario reports to is a Weak<IWidget>, locked at each use.
//
// Failures: nothing here raises. A duplicate state name is refused (false);
// a next name that is not declared ends the scenario with one "WIDGET" line in
// the log; a factory that makes nothing gives a null widget.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/base/Assert.h"
#include "widgets/Scenarios.h"

// One declared state: its name (compared ignoring case), the name of the
// state that follows (empty for the last) and its handlers, each of which may
// be empty.
class TState {
public:
    // Called with the state when it is entered.
    using TEnter = std::function<void(TState&)>;
    // The completion test, asked after each frame's processing; a state
    // without one is done after its first frame.
    using TCheckDone = std::function<bool(TState&)>;
    // Asked when the state is done: the name of the state to go to; "next"
    // means the declared next name after all.
    using TChooseNext = std::function<std::string(TState&)>;
    // Called every frame with the state and the elapsed milliseconds.
    using TProcess = std::function<void(TState&, int32_t)>;

    std::string name;
    std::string next;
    TCheckDone onCheckDone;
    TEnter onEnter;
    TChooseNext onChooseNext;
    TProcess onProcess;
};

// Registered as "state_scenario" (with no states it does nothing until its
// lifetime ends; the useful ones are subclasses registered by the game).
//
// One frame, in this order: the group's step (the age grows, the lifetime
// may end the scenario, its own children are updated); the time in state
// grows; while the age is below 0 nothing more happens; the first frame with
// an age of 0 or more enters "enter" (or the first state declared); then the
// current state's OnProcess and its completion test, and when that holds,
// the next state is entered (its OnEnter runs in this frame, its OnProcess
// and test from the next one). So a state tested with AlwaysTrue lasts one
// frame and there is at most one transition per frame. Restart rewinds the
// age but never starts the machine again.
//
// Property "force_complete" (flag, not stored): set when a click cut the
// scenario short; setting it only sets the flag.
class TStateScenario : public TScenario {
public:
    // The group's initialiser with an empty state list and the start pending.
    // Subclasses call it first, then declare their states.
    void Create() override;
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void DoUpdate(int32_t elapsedMs) override;
    // The group's hit test; when it finds nothing and skip by click is on,
    // the scenario itself, when it is visible and stops the mouse, for any
    // point, so that a click anywhere reaches it.
    Ref<IWidget> WidgetAt(int32_t x, int32_t y) override;
    // With skip by click on, a button release (left, middle or right) skips
    // the scenario. Answers what the base answers.
    bool HandleEvent(int32_t code, int32_t x, int32_t y, int32_t shift) override;

    // Ends the scenario: marks it dead. Subclasses that report their end
    // override it and call the inherited one.
    virtual void Finish();

    // --- Declaring states (in Create)

    // Appends a state. Each handler may be nullptr, a method of the scenario
    // class (or of a base, such as AlwaysTrue) taking the state or nothing
    // (OnProcess: the state and the elapsed milliseconds, the milliseconds
    // alone, or nothing), or any callable of the TState handler types.
    // False, and nothing added, when the name is declared already. The first
    // state declared starts the machine when there is no "enter".
    template <class Enter = std::nullptr_t, class CheckDone = std::nullptr_t,
              class ChooseNext = std::nullptr_t, class Process = std::nullptr_t>
    bool AddState(const std::string& name, const std::string& next, Enter onEnter = nullptr,
                  CheckDone onCheckDone = nullptr, ChooseNext onChooseNext = nullptr,
                  Process onProcess = nullptr) {
        return AddStateHandlers(
            name, next, Handler<TState::TEnter>(onEnter), Handler<TState::TCheckDone>(onCheckDone),
            Handler<TState::TChooseNext>(onChooseNext), Handler<TState::TProcess>(onProcess));
    }
    bool AddStateHandlers(const std::string& name, const std::string& next, TState::TEnter onEnter,
                          TState::TCheckDone onCheckDone, TState::TChooseNext onChooseNext,
                          TState::TProcess onProcess);
    // Frees every state. Only before the machine has started (no current
    // state, no handler running): subclasses call it in Create to replace the
    // states of their base class. Refused otherwise (a debug build stops).
    void ClearStates();

    // --- For the handlers

    // The state lasts ms from now: a positive age is set back to 0 (a
    // negative one, a start delay, is left), and IsTimeoutReached holds once
    // the age reaches ms.
    void SetStateTimeout(int32_t ms);
    // Completion test: true once the age is at least the time-out, which is
    // then set back to 0. With no time-out (0) true at once.
    bool IsTimeoutReached(TState& state);
    // Completion test that always holds: the state lasts one frame.
    bool AlwaysTrue(TState& state);
    // Completion test: true (and the remembered names forgotten) once no
    // widget made with CreateChildWidget(..., remember = true) is found alive
    // from the scenario (AnyWidgetAlive with the scenario as the root).
    bool CreatedWidgetsGone(TState& state);
    // A widget of the factory factoryName (the scenario's own factories
    // first, then its owners') with params, added to parent's children. Null,
    // and nothing added, when parent is null or has no children, the factory
    // makes nothing, or a child of parent already has the widget's name. With
    // remember the name is kept for CreatedWidgetsGone (unnamed widgets are
    // always added, and never remembered).
    Ref<IWidget> CreateChildWidget(const Ref<IWidget>& parent, const std::string& factoryName,
                                   const Ref<IParamCollection>& params, bool remember);
    // With true: force_complete is set and the scenario finishes. False does
    // nothing.
    void Skip(bool value);

    // --- What the machine stands on

    // The state of that name (ignoring case) or at that position in the order
    // of declaration; null when there is none.
    TState* FindState(std::string_view name) const;
    TState* FindState(int32_t index) const;
    int32_t GetStateCount() const { return int32_t(states_.size()); }
    TState* GetCurrentState() const { return current_; }
    // The state left by the last transition; empty before the first.
    const std::string& GetPreviousStateName() const { return previousStateName_; }
    // Milliseconds since the current state was entered.
    int32_t GetTimeInState() const { return timeInState_; }
    int32_t GetStateTimeout() const { return timeout_; }
    bool GetStartPending() const { return startPending_; }
    bool GetForceComplete() const { return forceComplete_; }
    void SetForceComplete(bool value) { forceComplete_ = value; }
    // While on, a release of any mouse button over the screen ends the
    // scenario. Off unless a subclass turns it on.
    bool GetSkipByClick() const { return skipByClick_; }
    void SetSkipByClick(bool value) { skipByClick_ = value; }
    // The remembered names, each followed by ";".
    const std::string& GetCreatedWidgets() const { return createdWidgets_; }

protected:
    // Enters the state of that name: its time in state starts at 0 and its
    // OnEnter runs. A name that is empty or not declared ends the scenario
    // (logged when it is not empty).
    void SetState(const std::string& name);
    // The first step: "enter", else the first state declared.
    void Start();
    // The completion step after each frame's processing.
    void CheckState();
    void AddCreatedWidgetName(const std::string& name);

private:
    template <class M>
    struct TMethodClass;
    template <class R, class C>
    struct TMethodClass<R C::*> {
        using type = C;
    };

    // A handler as a TState function; a method is bound to this scenario.
    template <class F, class H>
    F Handler(H handler) {
        if constexpr (std::is_null_pointer_v<H>) {
            return F();
        } else if constexpr (std::is_member_function_pointer_v<H>) {
            using C = typename TMethodClass<H>::type;
            static_assert(std::is_base_of_v<TStateScenario, C>,
                          "A state handler is a method of the scenario's own class.");
            C* object = dynamic_cast<C*>(this);
            QM_ASSERT(object, "A state handler belongs to a class this scenario is not.");
            if constexpr (std::is_same_v<F, TState::TProcess>) {
                if constexpr (std::is_invocable_v<H, C*, TState&, int32_t>) {
                    return [object, handler](TState& state, int32_t ms) {
                        std::invoke(handler, object, state, ms);
                    };
                } else if constexpr (std::is_invocable_v<H, C*, int32_t>) {
                    return [object, handler](TState&, int32_t ms) {
                        std::invoke(handler, object, ms);
                    };
                } else {
                    static_assert(std::is_invocable_v<H, C*>,
                                  "OnProcess takes (TState&, int32_t), (int32_t) or nothing.");
                    return [object, handler](TState&, int32_t) { std::invoke(handler, object); };
                }
            } else if constexpr (std::is_invocable_v<H, C*, TState&>) {
                return [object, handler](TState& state) {
                    return std::invoke(handler, object, state);
                };
            } else {
                static_assert(std::is_invocable_v<H, C*>,
                              "A state handler takes (TState&) or nothing.");
                return [object, handler](TState&) { return std::invoke(handler, object); };
            }
        } else {
            return F(std::move(handler));
        }
    }

    // Counts the handlers running, during which the states may not be freed.
    class THandlerScope;

    std::vector<std::unique_ptr<TState>> states_;
    bool startPending_ = true;
    bool forceComplete_ = false;
    TState* current_ = nullptr;  // one of states_
    std::string createdWidgets_;
    std::string previousStateName_;
    int32_t timeInState_ = 0;
    bool skipByClick_ = false;
    int32_t timeout_ = 0;
    int32_t handlerDepth_ = 0;
};

// A state scenario staged by a game control, which it reaches through the
// property "control_game" (any interface; a value that is no widget clears
// the link). The control sets it when it creates the scenario; the
// subclass's handlers reach the control through GetControlGame. Detach drops
// the link. Not registered: the game registers its subclasses.
class TControlStateScenario : public TStateScenario {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // Drops the control link, then detaches as a group.
    void Detach() override;

    // The control; null when none is linked or it has gone.
    Ref<IWidget> GetControlGame() const { return controlGame_.Lock(); }
    void SetControlGame(const Ref<IWidget>& control) { controlGame_ = Weak<IWidget>(control); }

private:
    static Variant ControlGameProperty(TControlStateScenario& scenario);
    static void SetControlGameProperty(TControlStateScenario& scenario, const Variant& value);

    Weak<IWidget> controlGame_;
};
