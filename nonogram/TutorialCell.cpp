#include "nonogram/TutorialCell.h"

namespace {

constexpr const char* kLooks[] = {"closed", "full", "empty", "active"};

}  // namespace

const TPropertyTable& TQuillmarchTutorialCell::Table() {
    using W = TQuillmarchTutorialCell;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TAppearanceEffectWdiget::Table())
            .Accessor("state", &W::GetState, &W::SetState).NotStored().NoAssign()
            .Build();
    // clang-format on
    return table;
}

void TQuillmarchTutorialCell::SetProperty(const std::string& name, const Variant& value) {
    if (name == "highlight") {
        if (state_ != "active") return;
        if (const Ref<IWidget> active = GetChild(Variant(std::string("active")))) {
            active->SetProperty("highlight", Variant(value.IsString() && value.ToString() == "yes"));
        }
        return;
    }
    TAppearanceEffectWdiget::SetProperty(name, value);
}

void TQuillmarchTutorialCell::Attach(IWidgetOwner* owner) {
    TAppearanceEffectWdiget::Attach(owner);
    state_ = "closed";
}

void TQuillmarchTutorialCell::SetState(const std::string& state) {
    if (state == state_) return;
    state_ = state;
    UpdateLook();
}

void TQuillmarchTutorialCell::UpdateLook() {
    bool fullShown = false;
    for (const char* look : kLooks) {
        const Ref<IWidget> child = GetChild(Variant(std::string(look)));
        if (!child) continue;
        child->SetVisible(state_ == look);
        if (state_ == look && state_ == "full") fullShown = true;
    }
    // The opening plays from its start: the cell and every look restart.
    if (fullShown) Restart();
}
