#include "world/ItemReveal.h"

#include <algorithm>

#include "core/base/SafeConvert.h"
#include "world/MapObjects.h"

using namespace mapdetail;

namespace {

constexpr double kItemFadeMs = 800.0;
constexpr double kLayerFadeMs = 1200.0;
constexpr int32_t kItemParticles = 500;
constexpr int32_t kLayerParticles = 250;

Ref<IWidget> FindInLocations(IWidget& scenario, const std::string& path) {
    IWidgetOwner* owner = scenario.GetOwner();
    return owner ? owner->FindWidget("../../locations/" + path) : nullptr;
}

int32_t Duration(IWidget& scenario) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(Whole(scenario.GetProperty("duration"), 0), 0, INT32_MAX));
}

// The transparent level of a fade over fadeMs, t milliseconds in.
uint8_t FadeLevel(int32_t t, double fadeMs) {
    return SaturatingRound<uint8_t>(255.0 * std::clamp(t / fadeMs, 0.0, 1.0));
}

// A burst of count particles seeded from seed's picture at (left, top),
// added to the scenario's children so that it ends with the scenario.
void Burst(TStateScenario& scenario, const Ref<IWidget>& seed, const Ref<IWidget>& place,
           int32_t count) {
    const Ref<IWidget> particles = scenario.CreateFactoryWidget("ps", nullptr);
    const Ref<IWidgetCollection> children = scenario.GetChildren();
    if (!particles || !children) return;
    particles->ExecuteCommand(2, nullptr);
    if (seed) particles->SetProperty("surface", Variant(seed->GetSnapshot()));
    particles->SetVisible(true);
    particles->SetPaused(false);
    if (place) {
        particles->SetLeft(place->GetLeft());
        particles->SetTop(place->GetTop());
    }
    particles->SetProperty("init_creation_count", Variant(count));
    particles->SetProperty("delta_step", Variant(-1));
    children->AddWidget(particles);
}

void Report(TControlStateScenario& scenario, const std::string& key) {
    // The control may drop the scenario's last outside reference.
    const Ref<IWidget> self(&scenario);
    scenario.SetDead(true);
    const Ref<IWidget> control = scenario.GetControlGame();
    if (!control) return;
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("scenario_to_finalize", Variant(scenario.GetName()));
    params->SetValue(key, scenario.GetProperty(key));
    control->ExecuteCommand(kCommandRevealFinished, params);
}

}  // namespace

// ---------------------------------------------------------------------------
// TScenarioShowItem

void TScenarioShowItem::Create() {
    TControlStateScenario::Create();
    AddState("enter", "show_item", &TScenarioShowItem::EnterStart, &TScenarioShowItem::AlwaysTrue);
    AddState("show_item", "exit", &TScenarioShowItem::EnterShowItem,
             &TScenarioShowItem::IsTimeoutReached, nullptr, &TScenarioShowItem::ProcessShowItem);
    AddState("exit", "", &TScenarioShowItem::EnterExit);
}

void TScenarioShowItem::Detach() {
    item_ = nullptr;
    unlocked_ = nullptr;
    TControlStateScenario::Detach();
}

void TScenarioShowItem::EnterStart() {
    const Ref<IWidget> item = FindInLocations(*this, TextOrEmpty(GetProperty("item_name")));
    item_ = Weak<IWidget>(item);
    const Ref<IWidget> unlocked = item ? item->FindWidget("unlocked") : nullptr;
    unlocked_ = Weak<IWidget>(unlocked);
    if (unlocked) {
        unlocked->SetTransparentLevel(0);
        unlocked->SetVisible(true);
    }
    if (const Ref<IWidget> locked = item ? item->FindWidget("locked") : nullptr)
        locked->SetVisible(false);
}

void TScenarioShowItem::EnterShowItem() {
    SetStateTimeout(Duration(*this));
    const Ref<IWidget> item = item_.Lock();
    Burst(*this, item ? item->FindWidget("locked/shadow") : nullptr, item, kItemParticles);
}

void TScenarioShowItem::ProcessShowItem() {
    if (const Ref<IWidget> unlocked = unlocked_.Lock())
        unlocked->SetTransparentLevel(FadeLevel(GetTimeInState(), kItemFadeMs));
}

void TScenarioShowItem::EnterExit() {
    Report(*this, "item_name");
}

// ---------------------------------------------------------------------------
// TScenarioShowLayer

void TScenarioShowLayer::Create() {
    TControlStateScenario::Create();
    AddState("enter", "show_layer", &TScenarioShowLayer::EnterStart,
             &TScenarioShowLayer::AlwaysTrue);
    AddState("show_layer", "exit", &TScenarioShowLayer::EnterShowLayer,
             &TScenarioShowLayer::IsTimeoutReached, nullptr,
             &TScenarioShowLayer::ProcessShowLayer);
    AddState("exit", "", &TScenarioShowLayer::EnterExit);
}

void TScenarioShowLayer::Detach() {
    layerBackground_ = nullptr;
    TControlStateScenario::Detach();
}

void TScenarioShowLayer::EnterStart() {
    const std::string path = TextOrEmpty(GetProperty("layer_path"));
    if (const Ref<IWidget> layer = FindInLocations(*this, path)) layer->SetVisible(true);
    const Ref<IWidget> background = FindInLocations(*this, path + "/layer_bg");
    layerBackground_ = Weak<IWidget>(background);
    if (background) {
        background->SetVisible(true);
        background->SetTransparentLevel(0);
    }
}

void TScenarioShowLayer::EnterShowLayer() {
    SetStateTimeout(Duration(*this));
    Burst(*this, FindWidget("rect"), layerBackground_.Lock(), kLayerParticles);
}

void TScenarioShowLayer::ProcessShowLayer() {
    if (const Ref<IWidget> background = layerBackground_.Lock())
        background->SetTransparentLevel(FadeLevel(GetTimeInState(), kLayerFadeMs));
}

void TScenarioShowLayer::EnterExit() {
    Report(*this, "layer");
}

void RegisterItemRevealClasses() {
    RegisterObjectClass(ClassOf<TScenarioShowItem>(), "scenario_show_item");
    RegisterObjectClass(ClassOf<TScenarioShowLayer>(), "scenario_show_layer");
}
