#include "nonogram/QuillmarchCell.h"

namespace {

constexpr char kClosed[] = "closed";

}  // namespace

const TPropertyTable& TQuillmarchCell::Table() {
    using W = TQuillmarchCell;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TAppearanceEffectWdiget::Table())
            .Accessor("state", &W::GetState, &W::SetState).NotStored().NoAssign()
            .Field("state_to_set", &W::stateToSet_).NotStored()
            .Custom("final_animation_duration", &W::FinalDurationProperty, nullptr)
            .Field("row", &W::row_, 0).NotStored()
            .Field("col", &W::col_, 0).NotStored()
            .Build();
    // clang-format on
    return table;
}

Variant TQuillmarchCell::FinalDurationProperty(TQuillmarchCell& cell) {
    const Ref<IWidget> animation = cell.GetChild(Variant(std::string("final_animation")));
    if (!animation) return Variant(0);
    const Variant time = animation->GetProperty("animationtime");
    return time.IsUnassigned() ? Variant(0) : time;
}

void TQuillmarchCell::SetProperty(const std::string& name, const Variant& value) {
    if (name == "highlight") {
        SetHighlight(value.IsString() && value.ToString() == "yes");
        return;
    }
    if (name == "play_final_animation") {
        if (const Ref<IWidget> animation = GetChild(Variant(std::string("final_animation")))) {
            animation->SetVisible(true);
            animation->Restart();
            animation->SetProperty("currenttime", value);
        }
        if (const Ref<IWidget> full = GetChild(Variant(std::string("full"))))
            full->SetVisible(false);
        return;
    }
    TAppearanceEffectWdiget::SetProperty(name, value);
}

void TQuillmarchCell::Attach(IWidgetOwner* owner) {
    TAppearanceEffectWdiget::Attach(owner);
    state_ = kClosed;
}

void TQuillmarchCell::DoUpdate(int32_t elapsedMs) {
    TAppearanceEffectWdiget::DoUpdate(elapsedMs);
    if (GetCurrentTime() >= 0 && !stateToSet_.empty() && stateToSet_ != state_) {
        SetState(stateToSet_);
    }
}

void TQuillmarchCell::SetState(const std::string& state) {
    if (state == state_) return;
    state_ = state;
    ApplyState();
}

Ref<IWidget> TQuillmarchCell::ClosedLook() {
    Ref<IWidget> closed = closedLook_.Lock();
    if (closed && closed->GetOwner() == static_cast<IWidgetOwner*>(this)) return closed;
    closed = GetChild(Variant(std::string(kClosed)));
    closedLook_ = Weak<IWidget>(closed);
    lit_ = false;
    return closed;
}

void TQuillmarchCell::SetHighlight(bool on) {
    if (state_ != kClosed) return;
    const Ref<IWidget> closed = ClosedLook();
    if (!closed || on == lit_) return;
    static const std::string kHighlight = "highlight";
    closed->SetProperty(kHighlight, Variant(on));
    lit_ = on;
}

void TQuillmarchCell::ApplyState() {
    if (const Ref<IWidget> closed = GetChild(Variant(std::string(kClosed)))) {
        closed->SetVisible(state_ == kClosed);
    }
    if (const Ref<IWidget> full = GetChild(Variant(std::string("full")))) {
        full->SetVisible(state_ == "full");
        if (state_ == "full") full->Restart();
    }
    if (const Ref<IWidget> empty = GetChild(Variant(std::string("empty")))) {
        empty->SetVisible(state_ == "empty");
    }
}
