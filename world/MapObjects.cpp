#include "world/MapObjects.h"

#include <algorithm>

#include "core/base/AsciiText.h"
#include "core/base/SafeConvert.h"
#include "nonogram/GameServices.h"

namespace mapdetail {

int64_t Whole(const Variant& value, int64_t fallback) {
    if (value.IsUnassigned()) return fallback;
    int64_t number = 0;
    if (value.IsString()) return TryTextToInt64(Trim(value.ToString()), number) ? number : fallback;
    double d = 0;
    if (!TryTextToFloat(value.ToString(), d)) return fallback;
    return SaturatingRound<int64_t>(d);
}

bool IsYes(const Variant& value) {
    if (value.IsUnassigned()) return false;
    if (value.Type() == varBoolean) return value.ToBool();
    return value.ToString() == "yes";
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        std::string piece(Trim(std::string_view(text).substr(start, end - start)));
        if (!piece.empty()) pieces.push_back(std::move(piece));
        start = end + 1;
    }
    return pieces;
}

bool ListHolds(const std::string& list, const std::string& name) {
    const std::vector<std::string> entries = SplitList(list);
    return std::find(entries.begin(), entries.end(), name) != entries.end();
}

Ref<IParamCollection> NewParams() {
    return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

std::string ProfileText(const Ref<IParamCollection>& profile, const std::string& name,
                        const std::string& fallback) {
    if (!profile) return fallback;
    const Variant value = profile->GetValue(name, Variant(fallback));
    return value.IsUnassigned() ? fallback : value.ToString();
}

}  // namespace mapdetail

using namespace mapdetail;

namespace {

void ShowChild(IWidget& parent, const char* path, bool show) {
    if (const Ref<IWidget> child = parent.FindWidget(path)) child->SetVisible(show);
}

}  // namespace

// ---------------------------------------------------------------------------
// TQuillmarchMapLocation

const TPropertyTable& TQuillmarchMapLocation::Table() {
    using W = TQuillmarchMapLocation;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TVisualGroupWidget::Table())
            .Custom("location_state", &W::LocationStateProperty, &W::SetLocationStateProperty)
            .Custom("max_location_progress", [](W&) { return Variant(); }, &W::SetMaxProgressProperty)
            .Custom("current_location_progress", [](W&) { return Variant(); }, &W::SetCurrentProgressProperty)
            .Build();
    // clang-format on
    return table;
}

Variant TQuillmarchMapLocation::LocationStateProperty(TQuillmarchMapLocation& location) {
    return Variant(location.GetLocationState());
}

void TQuillmarchMapLocation::SetLocationStateProperty(TQuillmarchMapLocation& location,
                                                      const Variant& value) {
    location.SetLocationState(TextOrEmpty(value));
}

void TQuillmarchMapLocation::SetMaxProgressProperty(TQuillmarchMapLocation& location,
                                                    const Variant& value) {
    location.SetMaxProgress(value);
}

void TQuillmarchMapLocation::SetCurrentProgressProperty(TQuillmarchMapLocation& location,
                                                        const Variant& value) {
    location.SetCurrentProgress(value);
}

void TQuillmarchMapLocation::Attach(IWidgetOwner* owner) {
    TVisualGroupWidget::Attach(owner);
    state_ = "locked";
    bar_ = Weak<IWidget>(FindWidget("available/bar_progress"));
}

void TQuillmarchMapLocation::Detach() {
    bar_ = nullptr;
    TVisualGroupWidget::Detach();
}

std::string TQuillmarchMapLocation::GetLocationState() const {
    return state_ == "expert" ? std::string("completed") : state_;
}

void TQuillmarchMapLocation::SetLocationState(const std::string& value) {
    const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner());
    if (value != state_ && pending_.empty() && profile &&
        ProfileText(profile, "enter_to_map", "yes") == "no" && StartCompletion(value)) {
        // The scenario sets the state again when its animation starts.
        pending_ = value;
        return;
    }
    ApplyState(value);
}

bool TQuillmarchMapLocation::StartCompletion(const std::string& value) {
    IWidgetOwner* owner = GetOwner();
    if (!owner) return false;
    const Ref<IWidget> group = owner->FindWidget("../map_control/scenario_group");
    const Ref<IWidgetCollection> children = group ? group->GetChildren() : nullptr;
    if (!children) return false;
    const Ref<IParamCollection> params = NewParams();
    params->SetValue("name", Variant(GetName()));
    params->SetValue("location_name", Variant(GetName()));
    params->SetValue("state_to_set", Variant(value));
    const Ref<IWidget> scenario = CreateFactoryWidget("scenario_complete", params);
    if (!scenario) return false;
    children->AddWidget(scenario);
    if (const Ref<IWidget> control = owner->FindWidget("../map_control")) {
        scenario->SetProperty("control_game", Variant(control));
    }
    return true;
}

void TQuillmarchMapLocation::ApplyState(const std::string& value) {
    pending_.clear();
    state_ = value;
    if (const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner())) {
        profile->SetValue("location_state_" + GetName(), Variant(value));
    }
    UpdateLook();
}

void TQuillmarchMapLocation::UpdateLook() {
    const std::string state = state_;
    ShowChild(*this, "locked", state == "locked");
    ShowChild(*this, "available", state == "available");
    ShowChild(*this, "completed", state == "completed");
    if (state != "completed") return;
    const std::string expert =
        ProfileText(CurrentProfileParams(GetOwner()), "expert_location_" + GetName(), "no");
    ShowChild(*this, "completed/image", expert == "yes");
    ShowChild(*this, "completed/image_silver", expert == "no");
}

void TQuillmarchMapLocation::SetMaxProgress(const Variant& value) {
    if (const Ref<IWidget> bar = bar_.Lock()) bar->SetProperty("max_value", value);
}

void TQuillmarchMapLocation::SetCurrentProgress(const Variant& value) {
    const Ref<IWidget> bar = bar_.Lock();
    if (!bar) return;
    const double maximum = static_cast<double>(Whole(bar->GetProperty("max_value"), 0));
    const double width = static_cast<double>(Whole(bar->GetProperty("bar_width"), 0));
    const double current = static_cast<double>(Whole(value, 0));
    // A location without levels or items shows an empty bar rather than
    // dividing by zero.
    const int32_t fill = maximum > 0 ? SaturatingRound<int32_t>(current / maximum * width) : 0;
    bar->SetProperty("value", Variant(fill));
    bar->SetProperty("current_value", Variant(0));
    bar->Update(0);
}

// ---------------------------------------------------------------------------
// TQuillmarchMapLevelSmall

const TPropertyTable& TQuillmarchMapLevelSmall::Table() {
    using W = TQuillmarchMapLevelSmall;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TVisualGroupWidget::Table())
            .Custom("state", &W::StateProperty, &W::SetStateProperty)
            .Custom("expert_level", &W::ExpertLevelProperty, nullptr)
            .Custom("highlight", [](W&) { return Variant(); }, &W::SetHighlightProperty)
            .Build();
    // clang-format on
    return table;
}

Variant TQuillmarchMapLevelSmall::StateProperty(TQuillmarchMapLevelSmall& level) {
    return Variant(level.state_);
}

void TQuillmarchMapLevelSmall::SetStateProperty(TQuillmarchMapLevelSmall& level,
                                                const Variant& value) {
    level.SetState(TextOrEmpty(value));
}

Variant TQuillmarchMapLevelSmall::ExpertLevelProperty(TQuillmarchMapLevelSmall& level) {
    return Variant(level.IsExpertLevel());
}

void TQuillmarchMapLevelSmall::SetHighlightProperty(TQuillmarchMapLevelSmall& level,
                                                    const Variant& value) {
    level.SetHighlight(value);
}

void TQuillmarchMapLevelSmall::SetState(const std::string& value) {
    if (value != state_) {
        state_ = value;
        UpdateLook();
    }
    if (value == "completed") UpdateExpert();
}

bool TQuillmarchMapLevelSmall::IsExpertLevel() {
    UpdateExpert();
    return state_ == "completed" && expert_;
}

void TQuillmarchMapLevelSmall::SetHighlight(const Variant& value) {
    if (state_.empty()) return;
    std::string target = state_;
    if (state_ == "completed") target = expert_ ? "completed/expert" : "completed/non_expert";
    if (const Ref<IWidget> child = FindWidget(target)) {
        child->SetProperty("highlight", Variant(IsYes(value)));
    }
}

void TQuillmarchMapLevelSmall::UpdateLook() {
    ShowChild(*this, "locked", state_ == "locked");
    ShowChild(*this, "current", state_ == "current");
    ShowChild(*this, "completed", state_ == "completed");
}

void TQuillmarchMapLevelSmall::UpdateExpert() {
    const Ref<IParamCollection> profile = CurrentProfileParams(GetOwner());
    const std::string ref = TextOrEmpty(GetProperty("level_ref"));
    expert_ = profile != nullptr;
    for (const char* award : {"award_speed", "award_hint", "award_error"}) {
        if (!expert_) break;
        expert_ = ProfileText(profile, award + ref, "no") == "yes";
    }
    ShowChild(*this, "completed/expert", expert_);
    ShowChild(*this, "completed/non_expert", !expert_);
}

// ---------------------------------------------------------------------------

void RegisterMapObjectClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchMapLocation>(), "QuillmarchMapLocation");
    RegisterObjectClass(ClassOf<TQuillmarchMapLevelSmall>(), "QuillmarchMapLevelSmall");
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenLocationLocked>(),
                        "QuillmarchGameScreenLocationLocked");
}
