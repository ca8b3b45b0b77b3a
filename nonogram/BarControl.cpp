#include "nonogram/BarControl.h"

#include "core/base/SafeConvert.h"

void TQuillmarchBarControl::Attach(IWidgetOwner* owner) {
    TAnimatedBarControl::Attach(owner);
    slider_ = Weak<IWidget>(FindWidget("slider"));
}

void TQuillmarchBarControl::Detach() {
    slider_ = nullptr;
    TAnimatedBarControl::Detach();
}

void TQuillmarchBarControl::DoUpdate(int32_t elapsedMs) {
    TAnimatedBarControl::DoUpdate(elapsedMs);
    PositionSlider();
}

void TQuillmarchBarControl::PositionSlider() {
    const Ref<IWidget> slider = slider_.Lock();
    if (!slider) return;
    const int32_t width = GetBarWidth();
    const double ratio = width != 0 ? static_cast<double>(GetCurrentValue()) / width : 0.0;
    slider->SetLeft(SaturatingRound<int32_t>(ratio * width - slider->GetWidth() / 2.0));
}

void RegisterBarClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchBarControl>(), "QuillmarchBarControl");
}
