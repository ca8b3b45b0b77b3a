#include "widgets/StateScenario.h"

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "widgets/WidgetInternal.h"

// Counts a handler call, so that the states it may be running on are not
// freed under it.
class TStateScenario::THandlerScope {
public:
    explicit THandlerScope(TStateScenario& scenario) : scenario_(scenario) {
        ++scenario_.handlerDepth_;
    }
    ~THandlerScope() { --scenario_.handlerDepth_; }
    THandlerScope(const THandlerScope&) = delete;
    THandlerScope& operator=(const THandlerScope&) = delete;

private:
    TStateScenario& scenario_;
};

// ---------------------------------------------------------------------------
// TStateScenario

void TStateScenario::Create() {
    TScenario::Create();
    states_.clear();
    current_ = nullptr;
    startPending_ = true;
    forceComplete_ = false;
    skipByClick_ = false;
}

const TPropertyTable& TStateScenario::Table() {
    using S = TStateScenario;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<S>(TScenario::Table())
            .Field("force_complete", &S::forceComplete_, false).NotStored()
            .Build();
    // clang-format on
    return table;
}

void TStateScenario::DoUpdate(int32_t elapsedMs) {
    // A handler may drop the last outside reference to the scenario.
    const Ref<IWidget> self(this);
    TScenario::DoUpdate(elapsedMs);
    timeInState_ = AddClamped(timeInState_, elapsedMs);
    if (GetCurrentTime() < 0) return;
    if (startPending_) {
        startPending_ = false;
        Start();
    }
    if (TState* state = current_) {
        if (state->onProcess) {
            const THandlerScope scope(*this);
            state->onProcess(*state, elapsedMs);
        }
        CheckState();
    }
}

Ref<IWidget> TStateScenario::WidgetAt(int32_t x, int32_t y) {
    Ref<IWidget> hit = TScenario::WidgetAt(x, y);
    if (!hit && skipByClick_ && GetVisible() && GetMouseStop()) hit = Ref<IWidget>(this);
    return hit;
}

bool TStateScenario::HandleEvent(int32_t code, int32_t x, int32_t y, int32_t shift) {
    const Ref<IWidget> self(this);
    const bool handled = TScenario::HandleEvent(code, x, y, shift);
    if (skipByClick_ && (code == kMouseLeftUp || code == kMouseMiddleUp || code == kMouseRightUp)) {
        Skip(true);
    }
    return handled;
}

void TStateScenario::Finish() {
    SetDead(true);
}

bool TStateScenario::AddStateHandlers(const std::string& name, const std::string& next,
                                      TState::TEnter onEnter, TState::TCheckDone onCheckDone,
                                      TState::TChooseNext onChooseNext,
                                      TState::TProcess onProcess) {
    if (FindState(name)) return false;
    auto state = std::make_unique<TState>();
    state->name = name;
    state->next = next;
    state->onCheckDone = std::move(onCheckDone);
    state->onEnter = std::move(onEnter);
    state->onChooseNext = std::move(onChooseNext);
    state->onProcess = std::move(onProcess);
    states_.push_back(std::move(state));
    return true;
}

void TStateScenario::ClearStates() {
    QM_ASSERT(!current_ && handlerDepth_ == 0,
              "States were cleared while the machine was running; clear them in Create only.");
    if (current_ || handlerDepth_ > 0) return;
    states_.clear();
}

void TStateScenario::SetStateTimeout(int32_t ms) {
    if (GetCurrentTime() > 0) SetCurrentTime(0);
    timeout_ = ms;
}

bool TStateScenario::IsTimeoutReached(TState& state) {
    (void)state;
    if (GetCurrentTime() < timeout_) return false;
    timeout_ = 0;
    return true;
}

bool TStateScenario::AlwaysTrue(TState& state) {
    (void)state;
    return true;
}

bool TStateScenario::CreatedWidgetsGone(TState& state) {
    (void)state;
    if (AnyWidgetAlive(Ref<IWidget>(this), createdWidgets_)) return false;
    createdWidgets_.clear();
    return true;
}

Ref<IWidget> TStateScenario::CreateChildWidget(const Ref<IWidget>& parent,
                                               const std::string& factoryName,
                                               const Ref<IParamCollection>& params, bool remember) {
    if (!parent) return nullptr;
    const Ref<IWidgetCollection> children = parent->GetChildren();
    if (!children) return nullptr;
    const Ref<IWidget> widget = CreateFactoryWidget(factoryName, params);
    if (!widget) return nullptr;
    const std::string name = widget->GetName();
    if (!name.empty() && children->GetWidgetByName(name)) return nullptr;
    children->AddWidget(widget);
    if (remember && !name.empty()) AddCreatedWidgetName(name);
    return widget;
}

void TStateScenario::Skip(bool value) {
    if (!value) return;
    forceComplete_ = true;
    Finish();
}

TState* TStateScenario::FindState(std::string_view name) const {
    for (const auto& state : states_) {
        if (EqualIgnoringAsciiCase(state->name, name)) return state.get();
    }
    return nullptr;
}

TState* TStateScenario::FindState(int32_t index) const {
    if (index < 0 || size_t(index) >= states_.size()) return nullptr;
    return states_[size_t(index)].get();
}

void TStateScenario::SetState(const std::string& name) {
    if (current_) previousStateName_ = current_->name;
    current_ = FindState(name);
    if (!current_) {
        if (!name.empty()) {
            Log("WIDGET", DescribeWidget(*this) + ": the state \"" + previousStateName_ +
                              "\" goes on to \"" + name +
                              "\", which is not declared; the scenario ends there");
        }
        SetDead(true);
        return;
    }
    timeInState_ = 0;
    if (TState* state = current_; state->onEnter) {
        const THandlerScope scope(*this);
        state->onEnter(*state);
    }
}

void TStateScenario::Start() {
    TState* start = FindState("enter");
    if (!start) start = FindState(0);
    if (start) SetState(start->name);
    previousStateName_.clear();
}

void TStateScenario::CheckState() {
    TState* state = current_;
    if (!state) return;
    std::string next;
    {
        const THandlerScope scope(*this);
        if (state->onCheckDone && !state->onCheckDone(*state)) return;
        next = state->next;
        if (state->onChooseNext) {
            std::string chosen = state->onChooseNext(*state);
            if (chosen != "next") next = std::move(chosen);
        }
    }
    SetState(next);
}

void TStateScenario::AddCreatedWidgetName(const std::string& name) {
    createdWidgets_ += name;
    createdWidgets_ += ';';
}

// ---------------------------------------------------------------------------
// TControlStateScenario

const TPropertyTable& TControlStateScenario::Table() {
    using S = TControlStateScenario;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<S>(TStateScenario::Table())
            .Custom("control_game", &S::ControlGameProperty, &S::SetControlGameProperty)
            .Build();
    // clang-format on
    return table;
}

Variant TControlStateScenario::ControlGameProperty(TControlStateScenario& scenario) {
    return Variant(scenario.GetControlGame());
}

void TControlStateScenario::SetControlGameProperty(TControlStateScenario& scenario,
                                                   const Variant& value) {
    Ref<IWidget> control;
    if (value.Type() == varUnknown) control = Query<IWidget>(value.ToInterface());
    scenario.SetControlGame(control);
}

void TControlStateScenario::Detach() {
    controlGame_ = nullptr;
    TStateScenario::Detach();
}
