#include "world/Medallion.h"

#include <algorithm>
#include <climits>

#include "core/base/Log.h"
#include "nonogram/GameServices.h"

namespace {

std::string ProfileText(const Ref<IParamCollection>& profile, const std::string& key,
                        const char* fallback) {
    return TextOrEmpty(profile->GetValue(key, Variant(std::string(fallback))));
}

// A part's state from the profile.
std::string PartState(const Ref<IParamCollection>& profile, const std::string& location) {
    if (ProfileText(profile, "location_state_" + location, "") != "completed") return "empty";
    return ProfileText(profile, "expert_location_" + location, "no") == "yes" ? "gold" : "silver";
}

void ClearChildren(const Ref<IWidget>& group) {
    if (const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr) {
        children->Clear();
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// TQuillmarchControlMedallion

void TQuillmarchControlMedallion::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    const Ref<IWidget> group = FindWidget("scenario_group");
    if (!group || !group->GetChildren()) {
        Log("WORLD", "medallion " + GetPath() + ": no \"scenario_group\"; parts are not revealed");
    }
    scenarioGroup_ = Weak<IWidget>(group);
}

void TQuillmarchControlMedallion::Detach() {
    scenarioGroup_ = nullptr;
    TControlWidget::Detach();
}

void TQuillmarchControlMedallion::ExecuteCommand(int32_t command,
                                                 const Ref<IParamCollection>& params) {
    TControlWidget::ExecuteCommand(command, params);
    const Ref<IWidget> self(this);
    ClearChildren(scenarioGroup_.Lock());
    if (command == kCommandShowMedallion) ShowMedallion();
    if (command == kCommandShowMedallionPart) ShowMedallionPart(params);
}

void TQuillmarchControlMedallion::ShowMedallion() {
    const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner());
    const Ref<IWidget> elements = FindWidget("elements");
    const Ref<IWidgetCollection> parts = elements ? elements->GetChildren() : nullptr;
    if (!profile || !parts) return;
    for (int32_t i = 0; i < parts->GetCount(); ++i) {
        const Ref<IWidget> part = parts->GetWidgetByIndex(i);
        if (!part) continue;
        part->SetVisible(true);
        part->SetProperty("state", Variant(PartState(profile, part->GetName())));
    }
}

void TQuillmarchControlMedallion::ShowMedallionPart(const Ref<IParamCollection>& params) {
    ShowMedallion();
    const std::string location =
        params ? TextOrEmpty(params->GetValue("location_name", Variant(std::string()))) : std::string();
    // An empty name would make the path name "elements" itself.
    if (!location.empty()) {
        if (const Ref<IWidget> part = FindWidget("elements/" + location)) part->SetVisible(false);
    }
    const Ref<IWidget> group = scenarioGroup_.Lock();
    const Ref<IWidgetCollection> scenarios = group ? group->GetChildren() : nullptr;
    if (!scenarios) return;
    if (const Ref<IWidget> scenario = CreateFactoryWidget("scenario_show_medallion_part", params)) {
        scenarios->AddWidget(scenario);
    }
}

// ---------------------------------------------------------------------------
// TQuillmarchMedallionElement

const TPropertyTable& TQuillmarchMedallionElement::Table() {
    using W = TQuillmarchMedallionElement;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TVisualGroupWidget::Table())
            .Custom("state", &W::StateProperty, &W::SetStateProperty)
            .Build();
    // clang-format on
    return table;
}

Variant TQuillmarchMedallionElement::StateProperty(TQuillmarchMedallionElement& element) {
    return Variant(element.state_);
}

void TQuillmarchMedallionElement::SetStateProperty(TQuillmarchMedallionElement& element,
                                                   const Variant& value) {
    element.SetState(TextOrEmpty(value));
}

void TQuillmarchMedallionElement::SetState(const std::string& state) {
    state_ = state;
    UpdateStatePictures();
}

void TQuillmarchMedallionElement::UpdateStatePictures() {
    if (const Ref<IWidget> gold = GetChild(Variant("gold"))) gold->SetVisible(state_ == "gold");
    if (const Ref<IWidget> silver = GetChild(Variant("silver"))) {
        silver->SetVisible(state_ == "silver");
    }
}

// ---------------------------------------------------------------------------
// TScenarioShowMedallionPart

void TScenarioShowMedallionPart::Create() {
    TStateScenario::Create();
    using S = TScenarioShowMedallionPart;
    AddState("enter", "show", nullptr, &S::AlwaysTrue);
    AddState("show", "exit", &S::EnterShow, &S::IsTimeoutReached);
    AddState("exit", "", &S::EnterExit);
}

const TPropertyTable& TScenarioShowMedallionPart::Table() {
    using S = TScenarioShowMedallionPart;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<S>(TStateScenario::Table())
            .Field("location_name", &S::locationName_, std::string())
            .Field("location_expert", &S::locationExpert_, std::string())
            .Build();
    // clang-format on
    return table;
}

void TScenarioShowMedallionPart::EnterShow() {
    SetStateTimeout(0);
    IWidgetOwner* owner = GetOwner();
    // The scenario group is the owner; the parts are its sibling "elements".
    const Ref<IWidget> element = owner && !locationName_.empty()
                                     ? owner->FindWidget("../elements/" + locationName_)
                                     : nullptr;
    const Ref<IWidget> picture =
        element ? element->FindWidget(locationExpert_ == "yes" ? "gold" : "silver") : nullptr;
    Ref<IWidget> effect;
    if (picture) {
        const Ref<IParamCollection> params =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        params->SetValue("resourcename", picture->GetProperty("resourcename"));
        params->SetValue("width", Variant(picture->GetWidth()));
        params->SetValue("height", Variant(picture->GetHeight()));
        params->SetValue("anchor_left", Variant(element->GetLeft()));
        params->SetValue("anchor_top", Variant(element->GetTop()));
        effect = CreateChildWidget(Ref<IWidget>(dynamic_cast<IWidget*>(owner)), "effect_part",
                                   params, false);
    }
    PlaySound("sound_stat_medal", false, 0, 0);
    if (effect) {
        int64_t duration = 0;
        TryTextToInt64(TextOrEmpty(effect->GetProperty("durationtime")), duration);
        SetStateTimeout(static_cast<int32_t>(std::clamp<int64_t>(duration, 0, INT32_MAX)));
    }
}

void TScenarioShowMedallionPart::EnterExit() {
    SetDead(true);
}

void RegisterMedallionClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchControlMedallion>(), "QuillmarchControlMedallion");
    RegisterObjectClass(ClassOf<TQuillmarchMedallionElement>(), "QuillmarchMedallionElement");
    RegisterObjectClass(ClassOf<TScenarioShowMedallionPart>(), "scenario_show_medallion_part");
}
