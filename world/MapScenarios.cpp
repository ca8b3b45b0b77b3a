#include "world/MapScenarios.h"

#include <algorithm>

#include "core/base/SafeConvert.h"
#include "world/MapObjects.h"

using namespace mapdetail;

namespace {

// The size the map and its transitions are laid out for.
constexpr double kScreenHeight = 768.0;
// The scroll edge's height: the rising edge ends this far above the screen.
constexpr double kEdgeHeight = 114.0;
// The picture's visible part starts this far below the edge.
constexpr int32_t kEdgeMargin = 40;

void ReportFinished(TControlStateScenario& scenario) {
    const Ref<IWidget> control = scenario.GetControlGame();
    if (!control) return;
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("scenario_to_finalize", Variant(scenario.GetName()));
    control->ExecuteCommand(kCommandMapScenarioFinished, params);
}

Ref<IWidget> FindFromOwner(IWidget& widget, const std::string& path) {
    IWidgetOwner* owner = widget.GetOwner();
    return owner ? owner->FindWidget(path) : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// TMapScrollScenario

void TMapScrollScenario::Create() {
    TControlStateScenario::Create();
    AddState("enter", "scroll", &TMapScrollScenario::EnterStart, &TMapScrollScenario::AlwaysTrue);
    AddState("scroll", "exit", &TMapScrollScenario::EnterScroll,
             &TMapScrollScenario::IsTimeoutReached, nullptr, &TMapScrollScenario::ProcessScroll);
    AddState("exit", "", &TMapScrollScenario::EnterExit);
}

void TMapScrollScenario::Detach() {
    picture_ = nullptr;
    edge_ = nullptr;
    TControlStateScenario::Detach();
}

int32_t TMapScrollScenario::GetDuration() {
    return static_cast<int32_t>(
        std::clamp<int64_t>(Whole(GetProperty("duration"), 0), 0, INT32_MAX));
}

double TMapScrollScenario::Fraction() {
    const int32_t duration = GetDuration();
    if (duration <= 0) return 1.0;
    return std::clamp(static_cast<double>(GetCurrentTime()) / duration, 0.0, 1.0);
}

void TMapScrollScenario::EnterStart() {
    picture_ = Weak<IWidget>(FindFromOwner(*this, "../../map_surface"));
    edge_ = Weak<IWidget>(FindFromOwner(*this, "../../scroll"));
}

void TMapScrollScenario::EnterScroll() {
    SetStateTimeout(GetDuration());
    // The first frame drawn already shows the start (or, for no duration,
    // the end).
    Place(Fraction());
}

void TMapScrollScenario::ProcessScroll() {
    Place(Fraction());
}

void TMapScrollScenario::ShowRows(int32_t shiftTop, int32_t height, double top) {
    const Ref<IWidget> picture = picture_.Lock();
    if (!picture) return;
    int32_t rows = static_cast<int32_t>(kScreenHeight);
    try {
        if (const Ref<ISurface> surface =
                Query<ISurface>(picture->GetProperty("surface").ToInterface()))
            rows = surface->GetHeight();
    } catch (const EVariantError&) {
        // A picture whose "surface" is no interface is taken as a full screen.
    }
    shiftTop = std::clamp(shiftTop, 0, rows);
    height = std::clamp(height, 0, rows - shiftTop);
    picture->SetProperty("shifttop", Variant(shiftTop));
    picture->SetProperty("height", Variant(height));
    picture->SetTop(top);
}

void TMapScrollScenario::PlaceEdge(double y) {
    if (const Ref<IWidget> edge = edge_.Lock()) edge->SetTop(y);
}

// ---------------------------------------------------------------------------
// TScenarioScrollUp and TScenarioScroll

void TScenarioScrollUp::Place(double f) {
    const double y = kScreenHeight - (kScreenHeight + kEdgeHeight) * f;
    ShowRows(0, SaturatingRound<int32_t>(y) + kEdgeMargin, 0.0);
    PlaceEdge(y);
}

void TScenarioScrollUp::EnterExit() {
    SetDead(true);
}

void TScenarioScroll::Place(double f) {
    const double y = kScreenHeight * f;
    ShowRows(SaturatingRound<int32_t>(y) + kEdgeMargin,
             SaturatingRound<int32_t>(kScreenHeight - y) + kEdgeMargin, y + kEdgeMargin);
    PlaceEdge(y);
}

void TScenarioScroll::EnterExit() {
    SetDead(true);
    ReportFinished(*this);
    if (!IsYes(GetProperty("big_mosaic"))) return;
    const Ref<IWidget> picture = GetPicture();
    IWidgetOwner* owner = picture ? picture->GetOwner() : nullptr;
    if (const Ref<IEventHandler> handler = owner ? owner->GetEventHandler() : nullptr) {
        handler->HandleEvent(Ref<IWidget>(this), kEventScenarioFinished, nullptr);
    }
}

// ---------------------------------------------------------------------------
// TScenarioComplete

void TScenarioComplete::Create() {
    TControlStateScenario::Create();
    AddState("enter", "show_complete", nullptr, &TScenarioComplete::AlwaysTrue);
    AddState("show_complete", "exit", &TScenarioComplete::EnterShowComplete,
             &TScenarioComplete::IsTimeoutReached);
    AddState("exit", "", &TScenarioComplete::EnterExit);
}

void TScenarioComplete::EnterShowComplete() {
    SetStateTimeout(
        static_cast<int32_t>(std::clamp<int64_t>(Whole(GetProperty("duration"), 0), 0, INT32_MAX)));
    const Ref<IWidget> location =
        FindFromOwner(*this, "../../map_locations/" + TextOrEmpty(GetProperty("location_name")));
    if (location) location->SetProperty("location_state", GetProperty("state_to_set"));

    const Ref<IWidget> particles = CreateFactoryWidget("ps", nullptr);
    const Ref<IWidgetCollection> children = GetChildren();
    if (!particles || !children) return;
    particles->ExecuteCommand(2, nullptr);
    if (const Ref<IWidget> locked = location ? location->FindWidget("locked") : nullptr) {
        particles->SetProperty("surface", Variant(locked->GetSnapshot()));
    }
    particles->SetVisible(true);
    particles->SetPaused(false);
    if (location) {
        particles->SetLeft(location->GetLeft());
        particles->SetTop(location->GetTop());
    }
    particles->SetProperty("init_creation_count", Variant(200));
    particles->SetProperty("delta_step", Variant(-1));
    children->AddWidget(particles);
}

void TScenarioComplete::EnterExit() {
    ReportFinished(*this);
    SetDead(true);
}

// ---------------------------------------------------------------------------

void RegisterMapScenarioClasses() {
    RegisterObjectClass(ClassOf<TScenarioScrollUp>(), "scenario_scroll_up");
    RegisterObjectClass(ClassOf<TScenarioScroll>(), "scenario_scroll");
    RegisterObjectClass(ClassOf<TScenarioComplete>(), "scenario_complete");
}
