// Widgets that show one child at a time: the states widget, whose property
// "state" picks the child by position (the tutorial's pages), and the state
// machine, which plays idle animations chosen at random by weight from a
// list of action definitions.
//
// Failures: nothing here raises to the caller. A state or action that names
// no child shows nothing and changes nothing else; property values that do
// not convert are dropped.
#pragma once

#include <cstdint>
#include <string>

#include "core/persist/EngineGeneralClasses.h"
#include "widgets/GroupWidgets.h"

// Registered as "states_widget". Shows the child whose position equals
// "state" (-1, the default, shows none). Stored key "state" (written when not
// -1); properties "state" (setting it goes through SetState) and
// "states_count" (read only: the number of children).
class TStatesWdiget : public TVisualGroupWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // Every child visible exactly when its position is "state".
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // Nothing for the present state. Otherwise the child shown so far is
    // hidden (it keeps running) and the child at state, when there is one,
    // is shown and restarted.
    void SetState(int32_t state);
    int32_t GetState() const { return state_; }

private:
    static Variant StateProperty(TStatesWdiget& widget);
    static void SetStateProperty(TStatesWdiget& widget, const Variant& value);
    static Variant CountProperty(TStatesWdiget& widget);

    int32_t state_ = -1;
};

// One action of a state machine: the state it belongs to, its weight among
// that state's actions, how long it plays, the state the next action is
// drawn from, and the child that shows it.
class IActionDef : public virtual INamedObject {
public:
    virtual int32_t GetState() = 0;
    virtual std::string GetWidgetName() = 0;
    virtual int32_t GetProbability() = 0;
    virtual int32_t GetDuration() = 0;
    virtual int32_t GetNextState() = 0;
};

class IActionDefCollection : public virtual ICollection {
public:
    // By position (an integer key) or name (a text key); null when absent.
    virtual Ref<IActionDef> GetItem(const Variant& key) = 0;
    // Appends under the action's name; nothing for null or a name present.
    virtual void Add(const Ref<IActionDef>& action) = 0;
    // The sum of the probabilities of the actions of the state (kept inside
    // the 32-bit range).
    virtual int32_t GetTotalProbability(int32_t state) = 0;
    // The actions of the state in list order: the first whose probability is
    // at least the remaining weight; each one passed over takes its
    // probability off the weight. Null when none qualifies.
    virtual Ref<IActionDef> FindActionByWeight(int32_t state, int32_t weight) = 0;
    // FindActionByWeight with a weight of Random(total probability). So the
    // first action is chosen for the weights 0 .. p1, action i for
    // S(i-1)+1 .. S(i): the first has p1 + 1 chances in the total, the last
    // its probability - 1. Idle animations are tuned to this.
    virtual Ref<IActionDef> ChooseAction(int32_t state) = 0;
};

// Node name "actiondef"; not registered. Stored keys "state", "probability",
// "duration", "nextstate" and "widgetname", all always written, and "name".
class TActionDef : public TPersistObject, public virtual IActionDef {
public:
    void Create() override;
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    int32_t GetState() override { return state_; }
    std::string GetWidgetName() override { return widgetName_; }
    int32_t GetProbability() override { return probability_; }
    int32_t GetDuration() override { return duration_; }
    int32_t GetNextState() override { return nextState_; }

private:
    int32_t state_ = 0;
    int32_t probability_ = 0;
    int32_t duration_ = 0;
    int32_t nextState_ = 0;
    std::string widgetName_;
};

// Node name "actiondefs", items "actiondef", each a TActionDef kept under its
// "name"; actions without a name are all kept.
class TActionDefCollection : public TTypedCollection<IActionDef, IActionDefCollection,
                                                     TStaticCreationPersistItemCollection> {
public:
    void Create() override;

    Ref<IActionDef> GetItem(const Variant& key) override { return Find(key); }
    void Add(const Ref<IActionDef>& action) override { TTypedCollection::Add(action); }
    int32_t GetTotalProbability(int32_t state) override;
    Ref<IActionDef> FindActionByWeight(int32_t state, int32_t weight) override;
    Ref<IActionDef> ChooseAction(int32_t state) override;
};

// Registered as "statemachine_widget". From Attach on it plays one action
// after another: the first drawn from state 0, each following one from the
// state its predecessor names, each for its duration. The action's child
// (named by "widgetname") is restarted and shown; when the action ends it is
// paused and hidden. A state without actions plays nothing, and state 0 is
// tried again on each frame in which the age reaches the last duration.
//
// Stored: the group's keys and children (all hidden when loaded), then the
// child "actiondefs".
class TStateMachineWidget : public TVisualGroupWidget {
public:
    TStateMachineWidget();

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    // The actions cleared, then the group's content.
    void ClearContent() override;
    // The group's step; then, once the age reaches the current duration, age
    // 0 and the next action.
    void DoUpdate(int32_t elapsedMs) override;
    // The group attach, then the first action.
    void Attach(IWidgetOwner* owner) override;
    // The current action stopped and forgotten, then the group detach: the
    // next attach starts again from state 0.
    void Detach() override;

    // Stops the current action and starts one drawn from its next state
    // (state 0 without one). Without an action to draw the duration stays.
    void NextAction();

    const Ref<IActionDefCollection>& GetActions() const { return actions_; }
    int32_t GetCurrentState() const { return currentState_; }
    const Ref<IActionDef>& GetCurrentAction() const { return currentAction_; }
    int32_t GetCurrentDuration() const { return currentDuration_; }

private:
    // The child that shows an action; null for none.
    Ref<IWidget> ActionWidget(const Ref<IActionDef>& action);
    void StopAction(const Ref<IActionDef>& action);

    Ref<IActionDefCollection> actions_;
    int32_t currentState_ = 0;
    Ref<IActionDef> currentAction_;
    int32_t currentDuration_ = 0;
};
