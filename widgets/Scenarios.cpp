#include "widgets/Scenarios.h"

#include <algorithm>

#include "core/base/AsciiText.h"
#include "core/base/Random.h"
#include "core/object/GeneralClasses.h"
#include "widgets/WidgetInternal.h"

namespace {

// The screen the test scenario scatters its widgets over.
constexpr int32_t kTestScreenWidth = 640;
constexpr int32_t kTestScreenHeight = 480;
constexpr int kTestWidgetsPerRun = 100;

// from + age * (to - from) / lifetime, the product in 64 bits so that a long
// lifetime cannot overflow it, the quotient cut toward zero.
int64_t Interpolate(int32_t from, int32_t to, int32_t age, int32_t lifetime) {
    return from + int64_t{age} * (int64_t{to} - from) / lifetime;
}

}  // namespace

// ---------------------------------------------------------------------------
// Free routines

TOneArrayOfString SplitTrimmed(std::string_view text, char sep) {
    TOneArrayOfString pieces;
    Split(text, pieces, sep);
    TOneArrayOfString trimmed;
    trimmed.reserve(pieces.size());
    for (const std::string& piece : pieces) {
        const std::string_view kept = Trim(piece);
        if (!kept.empty()) trimmed.emplace_back(kept);
    }
    return trimmed;
}

bool AnyWidgetAlive(const Ref<IWidget>& root, std::string_view names) {
    if (!root) return false;
    for (const std::string& name : SplitTrimmed(names, ';')) {
        const Ref<IWidget> widget = root->FindWidget(name);
        if (widget && !widget->GetDead()) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// TTestScenario

void TTestScenario::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TScenario::DoUpdate(elapsedMs);
    if (GetCurrentTime() <= 0) return;
    // The flag alone: the children are not paused, the parent just stops
    // updating the scenario.
    SetPaused(true);
    SetCurrentTime(0);
    for (int i = 0; i < kTestWidgetsPerRun; ++i) {
        ++counter_;
        const int32_t x = Random(kTestScreenWidth);
        const int32_t y = Random(kTestScreenHeight);
        // The owner may go while widgets are added: asked afresh each time.
        IWidgetOwner* owner = GetOwner();
        if (!owner) continue;
        const Ref<IParamCollection> params =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        params->SetValue("name", Variant("butterfly" + std::to_string(counter_)));
        params->SetValue("left", Variant(std::to_string(x)));
        params->SetValue("top", Variant(std::to_string(y)));
        const Ref<IWidget> widget = owner->CreateFactoryWidget("Butterfly", params);
        if (!widget) continue;
        const Ref<IWindow> window = owner->GetWindow();
        const Ref<IWidgetCollection> children = window ? window->GetChildren() : nullptr;
        if (children) children->AddWidget(widget);
    }
}

// ---------------------------------------------------------------------------
// TTransparentScenario

const TPropertyTable& TTransparentScenario::Table() {
    using S = TTransparentScenario;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<S>(TVisualGroupWidget::Table())
            .Custom("widget", &S::WidgetProperty, &S::SetWidgetProperty)
            .Field("start_trans_level", &S::startTransLevel_, 255).StorageOnly()
            .Field("end_trans_level", &S::endTransLevel_, 255).StorageOnly()
            .Field("makeinvisible", &S::makeInvisible_, false).StorageOnly()
            .Build();
    // clang-format on
    return table;
}

Variant TTransparentScenario::WidgetProperty(TTransparentScenario& scenario) {
    return Variant(scenario.GetTarget());
}

void TTransparentScenario::SetWidgetProperty(TTransparentScenario& scenario, const Variant& value) {
    Ref<IWidget> widget;
    if (value.Type() == varUnknown) widget = Query<IWidget>(value.ToInterface());
    scenario.SetTarget(widget);
}

uint8_t TTransparentScenario::LevelAt(int32_t age) const {
    const int32_t lifetime = GetTimeToLive();
    if (lifetime == 0) return startTransLevel_;
    return uint8_t(
        std::clamp<int64_t>(Interpolate(startTransLevel_, endTransLevel_, age, lifetime), 0, 255));
}

void TTransparentScenario::SetTarget(const Ref<IWidget>& target) {
    // The previous target is let go where it stands in its tree, with the
    // level it had before the fade.
    if (const Ref<IWidget> previous = target_.Lock()) previous->SetTransparentLevel(savedLevel_);
    target_ = nullptr;
    if (!target) return;
    savedLevel_ = target->GetTransparentLevel();
    target_ = Weak<IWidget>(target);
    if (GetTimeToLive() != 0) target->SetTransparentLevel(LevelAt(GetCurrentTime()));
}

void TTransparentScenario::Detach() {
    Finish();
    TScenario::Detach();
}

void TTransparentScenario::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TScenario::DoUpdate(elapsedMs);
    const int32_t age = GetCurrentTime();
    const int32_t lifetime = GetTimeToLive();
    if (0 < age && age < lifetime) {
        if (const Ref<IWidget> target = target_.Lock()) {
            target->SetProperty("transparentlevel", Variant(int32_t{LevelAt(age)}));
        }
    }
    if (age > lifetime) {
        Finish();
        SetDead(true);
    }
}

void TTransparentScenario::Finish() {
    const Ref<IWidget> target = target_.Lock();
    target_ = nullptr;
    if (!target) return;
    target->SetTransparentLevel(savedLevel_);
    if (makeInvisible_) target->SetVisible(false);
}

// ---------------------------------------------------------------------------
// TMoveScenario

const TPropertyTable& TMoveScenario::Table() {
    using S = TMoveScenario;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<S>(TTransparentScenario::Table())
            .Field("startposx", &S::startPosX_, 0).StorageOnly()
            .Field("startposy", &S::startPosY_, 0).StorageOnly()
            .Field("endposx", &S::endPosX_, 0).StorageOnly()
            .Field("endposy", &S::endPosY_, 0).StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TMoveScenario::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TTransparentScenario::DoUpdate(elapsedMs);
    const int32_t age = GetCurrentTime();
    if (0 < age && age < GetTimeToLive()) ApplyPosition(elapsedMs);
}

void TMoveScenario::Finish() {
    if (const Ref<IWidget> target = GetTarget()) {
        target->SetLeft(endPosX_);
        target->SetTop(endPosY_);
    }
    TTransparentScenario::Finish();
}

void TMoveScenario::ApplyPosition(int32_t elapsedMs) {
    (void)elapsedMs;
    const Ref<IWidget> target = GetTarget();
    const int32_t lifetime = GetTimeToLive();
    if (!target || lifetime == 0) return;
    const int64_t age = GetCurrentTime();
    // The products are whole numbers, the quotients fractional positions.
    target->SetLeft(startPosX_ + double(age * (int64_t{endPosX_} - startPosX_)) / lifetime);
    target->SetTop(startPosY_ + double(age * (int64_t{endPosY_} - startPosY_)) / lifetime);
}
