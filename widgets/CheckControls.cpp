#include "widgets/CheckControls.h"

#include <iterator>

namespace {

// The images by state: disabled unchecked, disabled checked, unchecked,
// unchecked under the pointer, checked, checked under the pointer; each with
// the image that stands in when it is missing ("" for none).
struct TImageChoice {
    const char* image;
    const char* fallback;
};
constexpr TImageChoice kImages[] = {
    {"image_uncheck_disabled", "image_uncheck_normal"},
    {"image_check_disabled", "image_check_normal"},
    {"image_uncheck_normal", ""},
    {"image_uncheck_selected", "image_uncheck_normal"},
    {"image_check_normal", ""},
    {"image_check_selected", "image_check_normal"},
};
constexpr const char* kAllImages[] = {"image_check_normal",     "image_check_selected",
                                      "image_check_disabled",   "image_uncheck_normal",
                                      "image_uncheck_selected", "image_uncheck_disabled"};

}  // namespace

// ---------------------------------------------------------------------------
// TCheckBoxControl

const TPropertyTable& TCheckBoxControl::Table() {
    using C = TCheckBoxControl;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<C>(TControlWidget::Table())
            .Accessor("CheckBoxState", &C::GetCheckBoxState, &C::SetCheckBoxState).NotStored().NoAssign()
            .Build();
    // clang-format on
    return table;
}

void TCheckBoxControl::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    UpdateImages();
}

void TCheckBoxControl::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TControlWidget::DoUpdate(elapsedMs);
    const std::optional<bool> inside = PointerInside();
    if (!inside || *inside == hover_) return;
    hover_ = *inside;
    UpdateImages();
}

void TCheckBoxControl::PointerGone() {
    if (!hover_) return;
    hover_ = false;
    UpdateImages();
}

void TCheckBoxControl::SetEnabled(bool value) {
    TControlWidget::SetEnabled(value);
    UpdateImages();
}

void TCheckBoxControl::SetCheckBoxState(bool value) {
    checked_ = value;
    UpdateImages();
}

void TCheckBoxControl::UpdateImages() {
    if (!GetEnabled()) {
        SetImageState(checked_ ? 1 : 0);
    } else {
        SetImageState(uint8_t((checked_ ? 4 : 2) + (hover_ ? 1 : 0)));
    }
}

void TCheckBoxControl::SetImageState(uint8_t state) {
    imageState_ = state;
    for (const char* image : kAllImages) ShowChild(image, false);
    if (state >= std::size(kImages)) return;
    const TImageChoice& choice = kImages[state];
    if (!ShowChild(choice.image, true) && *choice.fallback) ShowChild(choice.fallback, true);
}

bool TCheckBoxControl::MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) {
    (void)x;
    (void)y;
    (void)shift;
    if (button != kButtonLeft || !GetEnabled()) return false;
    if (const Ref<IWindow> window = OwnerWindow()) window->SetMouseCapture(Ref<IWidget>(this));
    SetPressed(true);
    PlaySound("sound_buttonclick", false, 0, 100);
    return true;
}

bool TCheckBoxControl::MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) {
    (void)shift;
    if (!GetPressed() || button != kButtonLeft) return false;
    const Ref<IWidget> self(this);
    const Ref<IWindow> window = OwnerWindow();
    if (ContainsPoint(x, y, false)) {
        checked_ = !checked_;
        UpdateImages();
        Notify(kEventCheckBoxToggled);
    }
    if (window) window->ReleaseMouseCapture();
    SetPressed(false);
    return true;
}

// ---------------------------------------------------------------------------
// TRadioGroupControl

const TPropertyTable& TRadioGroupControl::Table() {
    using R = TRadioGroupControl;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<R>(TControlWidget::Table())
            .Accessor("RadioGroupItemIndex", &R::GetItemIndex, &R::SetItemIndex).NotStored().NoAssign()
            .Build();
    // clang-format on
    return table;
}

void TRadioGroupControl::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    int32_t index = -1;
    const int32_t count = Children().GetCount();
    for (int32_t i = 0; i < count && index < 0; ++i) {
        const Ref<IWidget> child = Children().GetWidgetByIndex(i);
        if (!child) continue;
        const Variant state = child->GetProperty("CheckBoxState");
        try {
            if (!state.IsUnassigned() && state.ToBool()) index = i;
        } catch (const Exception&) {
            // A child whose state is no Boolean is not checked.
        }
    }
    // The first checked child wins; the children are made to agree.
    SetItemIndex(index);
}

void TRadioGroupControl::SetItemIndex(int32_t index) {
    itemIndex_ = index;
    TWidgetCollection& children = Children();
    const int32_t count = children.GetCount();
    for (int32_t i = 0; i < count; ++i) {
        if (const Ref<IWidget> child = children.GetWidgetByIndex(i)) {
            child->SetProperty("CheckBoxState", Variant(false));
        }
    }
    if (index >= 0 && index < count) {
        if (const Ref<IWidget> child = children.GetWidgetByIndex(index)) {
            child->SetProperty("CheckBoxState", Variant(true));
        }
    }
}

void TRadioGroupControl::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                     const Ref<IParamCollection>& params) {
    const Ref<IWidget> self(this);
    if (code == kEventCheckBoxToggled) {
        // The sender's place by identity: unnamed children share the empty
        // name.
        int32_t index = -1;
        const int32_t count = Children().GetCount();
        for (int32_t i = 0; i < count && index < 0; ++i) {
            if (Children().GetWidgetByIndex(i) == sender) index = i;
        }
        SetItemIndex(index);
        Notify(kEventRadioChanged);
        return;
    }
    if (const Ref<IEventHandler> handler = OwnerEventHandler()) {
        handler->HandleEvent(sender, code, params);
    }
}

bool TRadioGroupControl::ShowGameScreen(const std::string& name,
                                        const Ref<IParamCollection>& params) {
    const Ref<IEventHandler> handler = OwnerEventHandler();
    return handler && handler->ShowGameScreen(name, params);
}

bool TRadioGroupControl::CloseGameScreen(const Ref<IParamCollection>& results) {
    const Ref<IEventHandler> handler = OwnerEventHandler();
    return handler && handler->CloseGameScreen(results);
}
