#include "effects/StateWidgets.h"

#include "core/base/Random.h"
#include "effects/EffectWidgetsInternal.h"

using effect_widgets::ClampToInt32;
using effect_widgets::IntFromVariant;

// ---------------------------------------------------------------------------
// TStatesWdiget

const TPropertyTable& TStatesWdiget::Table() {
    using S = TStatesWdiget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<S>(TVisualGroupWidget::Table())
            .Custom("state", &S::StateProperty, &S::SetStateProperty)
            .Field("state", &S::state_, -1).StorageOnly()
            .Custom("states_count", &S::CountProperty, nullptr)
            .Build();
    // clang-format on
    return table;
}

Variant TStatesWdiget::StateProperty(TStatesWdiget& widget) {
    return Variant(widget.state_);
}

void TStatesWdiget::SetStateProperty(TStatesWdiget& widget, const Variant& value) {
    widget.SetState(IntFromVariant(value));
}

Variant TStatesWdiget::CountProperty(TStatesWdiget& widget) {
    return Variant(widget.Children().GetCount());
}

void TStatesWdiget::LoadFrom(const Ref<IHierStorage>& storage) {
    TVisualGroupWidget::LoadFrom(storage);
    int32_t index = 0;
    Children().ForEachWidget([&](IWidget& child) { child.SetVisible(index++ == state_); });
}

void TStatesWdiget::SetState(int32_t state) {
    if (state == state_) return;
    // A restarted child may drop the last outside reference to this widget.
    const Ref<IWidget> self(this);
    if (const Ref<IWidget> old = Children().GetWidgetByIndex(state_)) old->SetVisible(false);
    state_ = state;
    if (const Ref<IWidget> child = Children().GetWidgetByIndex(state_)) {
        child->SetVisible(true);
        child->Restart();
    }
}

// ---------------------------------------------------------------------------
// TActionDef

void TActionDef::Create() {
    TPersistObject::Create();
    SetNodeName("actiondef");
}

const TPropertyTable& TActionDef::Table() {
    using A = TActionDef;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<A>(TPersistObject::Table())
            .Field("state", &A::state_, 0).SaveAlways()
            .Field("probability", &A::probability_, 0).SaveAlways()
            .Field("duration", &A::duration_, 0).SaveAlways()
            .Field("nextstate", &A::nextState_, 0).SaveAlways()
            .Field("widgetname", &A::widgetName_).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

// ---------------------------------------------------------------------------
// TActionDefCollection

void TActionDefCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("actiondefs");
    SetItemNodeName("actiondef");
    SetItemClass(ClassOf<TActionDef>());
    // Actions are told apart by their place, not their names.
    SetEmptyNamesRepeat(true);
}

int32_t TActionDefCollection::GetTotalProbability(int32_t state) {
    int64_t total = 0;
    ForEachItem([&](const Ref<IActionDef>& action) {
        if (action->GetState() == state) total += action->GetProbability();
    });
    return ClampToInt32(total);
}

Ref<IActionDef> TActionDefCollection::FindActionByWeight(int32_t state, int32_t weight) {
    int64_t remaining = weight;
    Ref<IActionDef> found;
    ForEachItem([&](const Ref<IActionDef>& action) {
        if (action->GetState() != state) return true;
        if (action->GetProbability() >= remaining) {
            found = action;
            return false;
        }
        remaining -= action->GetProbability();
        return true;
    });
    return found;
}

Ref<IActionDef> TActionDefCollection::ChooseAction(int32_t state) {
    return FindActionByWeight(state, Random(GetTotalProbability(state)));
}

// ---------------------------------------------------------------------------
// TStateMachineWidget

TStateMachineWidget::TStateMachineWidget()
    : actions_(Query<IActionDefCollection>(CreateObject<TActionDefCollection>())) {}

void TStateMachineWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TVisualGroupWidget::LoadFrom(storage);
    Children().ForEachWidget([](IWidget& child) { child.SetVisible(false); });
    LoadChildObject(Ref<IInterface>(actions_), storage, "actiondefs", 0);
}

void TStateMachineWidget::SaveTo(const Ref<IHierStorage>& storage) {
    TVisualGroupWidget::SaveTo(storage);
    SaveChildObject(Ref<IInterface>(actions_), storage, "actiondefs");
}

void TStateMachineWidget::ClearContent() {
    actions_->Clear();
    TVisualGroupWidget::ClearContent();
}

void TStateMachineWidget::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TVisualGroupWidget::DoUpdate(elapsedMs);
    if (GetCurrentTime() < currentDuration_) return;
    SetCurrentTime(0);
    NextAction();
    SetChanged(true);
}

void TStateMachineWidget::Attach(IWidgetOwner* owner) {
    TVisualGroupWidget::Attach(owner);
    NextAction();
}

void TStateMachineWidget::Detach() {
    const Ref<IActionDef> action = std::move(currentAction_);
    currentAction_ = nullptr;
    StopAction(action);
    TVisualGroupWidget::Detach();
}

void TStateMachineWidget::NextAction() {
    const Ref<IWidget> self(this);
    if (const Ref<IActionDef> previous = currentAction_) {
        currentState_ = previous->GetNextState();
        StopAction(previous);
    } else {
        currentState_ = 0;
    }
    currentAction_ = actions_->ChooseAction(currentState_);
    if (!currentAction_) return;
    currentDuration_ = currentAction_->GetDuration();
    if (const Ref<IWidget> widget = ActionWidget(currentAction_)) {
        widget->Restart();
        widget->SetVisible(true);
    }
}

Ref<IWidget> TStateMachineWidget::ActionWidget(const Ref<IActionDef>& action) {
    if (!action) return nullptr;
    const std::string name = action->GetWidgetName();
    // The empty name would find the first unnamed child.
    return name.empty() ? nullptr : Children().GetWidgetByName(name);
}

void TStateMachineWidget::StopAction(const Ref<IActionDef>& action) {
    if (const Ref<IWidget> widget = ActionWidget(action)) {
        widget->SetPaused(true);
        widget->SetVisible(false);
    }
}
