#include "minigames/MosaicScenarios.h"

#include <algorithm>

#include "minigames/MosaicValues.h"

using namespace mosaic;

namespace {

// The scenario's "duration" in milliseconds; 0 for none, a negative value or
// one that is no number.
int32_t DurationOf(TStateScenario& scenario) {
    return std::max(RoundedIntOf(scenario.GetProperty("duration")), 0);
}

// How far a slide has come: the time in the state over the time-out, kept in
// 0..1. A slide without time is over at once, so nothing divides by zero.
double ShareOf(const TStateScenario& scenario) {
    const int32_t timeout = scenario.GetStateTimeout();
    if (timeout <= 0) return 1.0;
    return std::clamp(double(scenario.GetTimeInState()) / double(timeout), 0.0, 1.0);
}

// The tip's resting top, read each step since the data may move it.
double RestingTopOf(const Ref<IWidget>& tip) {
    return FiniteNumberOr(PropertyOf(tip, "init_y"));
}

void HideTimer(const Ref<IWidget>& moveGroup) {
    if (!moveGroup) return;
    if (const Ref<IWidget> timer = moveGroup->FindWidget("../timer")) timer->SetVisible(false);
}

void ShowCells(const Ref<IWidget>& moveGroup) {
    if (!moveGroup) return;
    if (const Ref<IWidget> cells = moveGroup->FindWidget("cells_group")) cells->SetVisible(true);
}

// Marks the scenario dead and tells the screen: the event handler of the move
// group's owner, else of the scenario's own owner.
void ReportEnd(TStateScenario& scenario, const Ref<IWidget>& moveGroup) {
    const Ref<IWidget> self(&scenario);
    scenario.SetDead(true);
    IWidgetOwner* owner = moveGroup ? moveGroup->GetOwner() : nullptr;
    if (!owner) owner = scenario.GetOwner();
    const Ref<IEventHandler> handler = owner ? owner->GetEventHandler() : nullptr;
    if (handler) handler->HandleEvent(self, kMosaicScenarioFinished, nullptr);
}

}  // namespace

// ---------------------------------------------------------------------------
// TScenarioBigMosaicStartLevel

void TScenarioBigMosaicStartLevel::Create() {
    using S = TScenarioBigMosaicStartLevel;
    TStateScenario::Create();
    AddState("enter", "move", &S::StartEnter, &S::AlwaysTrue);
    AddState("move", "show_level", &S::StartMoveEnter, &S::IsTimeoutReached, nullptr,
             &S::StartMoveStep);
    AddState("show_level", "show_cells", &S::StartShowLevel, &S::IsTimeoutReached);
    AddState("show_cells", "exit", &S::StartShowCells, &S::IsTimeoutReached);
    AddState("exit", "", &S::StartExit, &S::AlwaysTrue);
}

void TScenarioBigMosaicStartLevel::Detach() {
    moveGroup_ = nullptr;
    gameTip_ = nullptr;
    TStateScenario::Detach();
}

void TScenarioBigMosaicStartLevel::StartEnter() {
    moveGroup_ = Weak<IWidget>(FindWidget("../../../move_group"));
    const Ref<IWidget> tip = FindWidget("../../../game_tip");
    gameTip_ = Weak<IWidget>(tip);
    startTop_ = tip ? tip->GetTop() : 0.0;
}

void TScenarioBigMosaicStartLevel::StartMoveEnter() {
    SetStateTimeout(DurationOf(*this));
}

void TScenarioBigMosaicStartLevel::StartMoveStep() {
    const Ref<IWidget> tip = gameTip_.Lock();
    if (!tip) return;
    const double restingTop = RestingTopOf(tip);
    tip->SetTop(startTop_ + (restingTop - startTop_) * ShareOf(*this));
}

void TScenarioBigMosaicStartLevel::StartShowLevel() {
    SetStateTimeout(0);
    const Ref<IWidget> moveGroup = moveGroup_.Lock();
    ShowCells(moveGroup);
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("LevelName", GetProperty("LevelName"));
    if (const Ref<IWidget> text =
            CreateChildWidget(Ref<IWidget>(this), "text_visualization", params, false)) {
        text->SetProperty("InitVizualization", Variant("yes"));
        const double revealMs = FiniteNumberOr(PropertyOf(text, "visualization_time"));
        SetStateTimeout(std::max(SaturatingRound<int32_t>(1.5 * revealMs), 0));
    }
    HideTimer(moveGroup);
}

void TScenarioBigMosaicStartLevel::StartShowCells() {
    SetStateTimeout(0);
    ShowCells(moveGroup_.Lock());
}

void TScenarioBigMosaicStartLevel::StartExit() {
    ReportEnd(*this, moveGroup_.Lock());
}

// ---------------------------------------------------------------------------
// TScenarioBigMosaicEndLevel

void TScenarioBigMosaicEndLevel::Create() {
    using S = TScenarioBigMosaicEndLevel;
    TStateScenario::Create();
    AddState("enter", "move", &S::EndEnter, &S::AlwaysTrue);
    AddState("move", "exit", &S::EndMoveEnter, &S::IsTimeoutReached, nullptr, &S::EndMoveStep);
    AddState("exit", "", &S::EndExit, &S::AlwaysTrue);
}

void TScenarioBigMosaicEndLevel::Detach() {
    moveGroup_ = nullptr;
    gameTip_ = nullptr;
    TStateScenario::Detach();
}

void TScenarioBigMosaicEndLevel::EndEnter() {
    moveGroup_ = Weak<IWidget>(FindWidget("../../../move_group"));
    const Ref<IWidget> tip = FindWidget("../../../game_tip");
    gameTip_ = Weak<IWidget>(tip);
    targetTop_ = tip ? -double(tip->GetHeight()) : 0.0;
}

void TScenarioBigMosaicEndLevel::EndMoveEnter() {
    HideTimer(moveGroup_.Lock());
    SetStateTimeout(DurationOf(*this));
}

void TScenarioBigMosaicEndLevel::EndMoveStep() {
    const Ref<IWidget> tip = gameTip_.Lock();
    if (!tip) return;
    const double restingTop = RestingTopOf(tip);
    tip->SetTop(restingTop + (targetTop_ - restingTop) * ShareOf(*this));
}

void TScenarioBigMosaicEndLevel::EndExit() {
    ReportEnd(*this, moveGroup_.Lock());
}

void RegisterMosaicScenarioClasses() {
    RegisterObjectClass(ClassOf<TScenarioBigMosaicStartLevel>(), "scenario_bigmosaic_start_level");
    RegisterObjectClass(ClassOf<TScenarioBigMosaicEndLevel>(), "scenario_bigmosaic_end_level");
}
