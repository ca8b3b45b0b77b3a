#include "world/ScenePanels.h"

#include <algorithm>

#include "core/base/Log.h"
#include "world/MapObjects.h"

namespace {

// A number from a widget's property; fallback when it holds none.
double NumberOr(const Variant& value, double fallback) {
    double number = 0;
    if (value.IsUnassigned() || !TryTextToFloat(value.ToString(), number))
        return fallback;
    return number;
}

}  // namespace

const TPropertyTable& TScenarioScenePanels::Table() {
    using S = TScenarioScenePanels;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<S>(TScenario::Table())
            .Field("moves", &S::moves_)
            .Field("mode", &S::mode_, std::string("show"))
            .Field("control", &S::control_, std::string("control_scene"))
            .Field("duration", &S::duration_, 400)
            .Build();
    // clang-format on
    return table;
}

void TScenarioScenePanels::LoadFrom(const Ref<IHierStorage>& storage) {
    TScenario::LoadFrom(storage);
    ParseMoves();
}

void TScenarioScenePanels::ParseMoves() {
    parsed_.clear();
    for (const std::string& entry : SplitTrimmed(moves_, ';')) {
        const TOneArrayOfString parts = SplitTrimmed(entry, ':');
        TMove move;
        if (parts.size() != 3 || !TryTextToFloat(parts[1], move.dx) ||
            !TryTextToFloat(parts[2], move.dy)) {
            Log("WORLD", "scene panels " + GetName() + ": the move \"" + entry +
                             "\" is not \"path:dx:dy\"");
            continue;
        }
        move.path = parts[0];
        parsed_.push_back(std::move(move));
    }
}

void TScenarioScenePanels::Restart() {
    IWidgetOwner* owner = GetOwner();
    for (TMove& move : parsed_) {
        const Ref<IWidget> widget = owner ? owner->FindWidget(move.path) : nullptr;
        move.widget = Weak<IWidget>(widget);
        if (!widget) continue;
        move.homeX = NumberOr(widget->GetProperty("start_x"), widget->GetLeft());
        move.homeY = NumberOr(widget->GetProperty("start_y"), widget->GetTop());
    }
    running_ = true;
    TScenario::Restart();
}

void TScenarioScenePanels::Place(double fraction) {
    const double out = mode_ == "hide" ? fraction : 1.0 - fraction;
    for (const TMove& move : parsed_) {
        const Ref<IWidget> widget = move.widget.Lock();
        if (!widget) continue;
        widget->SetLeft(move.homeX + move.dx * out);
        widget->SetTop(move.homeY + move.dy * out);
    }
}

void TScenarioScenePanels::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TScenario::DoUpdate(elapsedMs);
    if (!running_) return;
    const int32_t age = GetCurrentTime();
    const double fraction =
        duration_ <= 0 ? 1.0 : std::clamp(double(age) / double(duration_), 0.0, 1.0);
    // Eased out: quick at first, settling into place.
    Place(1.0 - (1.0 - fraction) * (1.0 - fraction));
    if (fraction < 1.0) return;
    running_ = false;
    SetPaused(true);
    Report();
}

void TScenarioScenePanels::Report() {
    IWidgetOwner* owner = GetOwner();
    const Ref<IWidget> control = owner ? owner->FindWidget(control_) : nullptr;
    if (!control) return;
    const Ref<IParamCollection> params = mapdetail::NewParams();
    params->SetValue("scenario_to_finalize", Variant(GetName()));
    control->ExecuteCommand(kCommandScenePanelsFinished, params);
}

void RegisterScenePanelClasses() {
    RegisterObjectClass(ClassOf<TScenarioScenePanels>(), "scenario_scene_panels");
}
