// The animated bar with a slider ("QuillmarchBarControl"): the animated
// bar's fill follows "current_value" towards "value", and its child "slider"
// rides on the end of the fill, its centre kept over the current value on
// every frame (centred on the bar's left edge while the bar has no width).
//
// Failures: without a "slider" child the control is the animated bar alone.
#pragma once

#include <cstdint>

#include "widgets/SequenceControls.h"

class TQuillmarchBarControl : public TAnimatedBarControl {
public:
    // The bar's attach, then the child "slider".
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    // The bar's step, then the slider placed.
    void DoUpdate(int32_t elapsedMs) override;

    void PositionSlider();

private:
    Weak<IWidget> slider_;
};

// Registers "QuillmarchBarControl".
void RegisterBarClasses();
