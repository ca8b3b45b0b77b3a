// Two-state controls: the check box ("CheckBoxControl"), drawn by six child
// images (checked or not; normal, under the pointer or disabled), toggled by
// a left click released inside it, which reports code 2; and the radio group
// ("RadioGroupControl"), whose children are check boxes of which at most one
// is checked. The group stands as its children's event handler: a toggled
// child becomes the selected one and the group reports code 9.
//
// Failures: missing images are skipped (the normal ones stand in); a
// "CheckBoxState" or "RadioGroupItemIndex" that does not convert is left as
// it was (logged by the property layer).
#pragma once

#include <cstdint>
#include <string>

#include "widgets/ControlWidget.h"

// "CheckBoxControl". Property "CheckBoxState" (setting it reports nothing);
// no keys of its own.
class TCheckBoxControl : public TControlWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void Attach(IWidgetOwner* owner) override;
    // The group's step, then the hover test against the engine's pointer.
    void DoUpdate(int32_t elapsedMs) override;
    void SetEnabled(bool value) override;
    // As the button's: a left press of an enabled check box captures the
    // mouse and plays "sound_buttonclick".
    bool MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) override;
    // The left release of a press: inside, the state flips and code 2 goes
    // to the event handler; the capture is released either way.
    bool MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) override;
    void PointerGone() override;

    bool GetCheckBoxState() const { return checked_; }
    // Stores the state and shows its images.
    void SetCheckBoxState(bool value);
    // The image state that Enabled, the state and Hover give.
    void UpdateImages();
    // Hides the six images and shows the state's (or its fallback).
    void SetImageState(uint8_t state);
    uint8_t GetImageState() const { return imageState_; }

private:
    bool checked_ = false;
    bool hover_ = false;
    uint8_t imageState_ = 0;
};

// "RadioGroupControl". Property "RadioGroupItemIndex": the checked child's
// position, -1 for none (setting it reports nothing). When attached, the
// first child whose "CheckBoxState" is true is selected and the others are
// unchecked.
class TRadioGroupControl : public TControlWidget, public virtual IEventHandler {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void Attach(IWidgetOwner* owner) override;
    // The children report to the group.
    Ref<IEventHandler> GetEventHandler() override { return Ref<IEventHandler>(this); }
    Ref<IEngine> GetEngine() override { return TControlWidget::GetEngine(); }

    int32_t GetItemIndex() const { return itemIndex_; }
    // Every child unchecked, then the one at index checked; an index out of
    // range is kept but checks nothing.
    void SetItemIndex(int32_t index);

    // IEventHandler. Code 2 from a child selects it and reports code 9 with
    // the group as the sender; every other report, and the requests for
    // screens, go on unchanged to the group's own event handler.
    using TControlWidget::HandleEvent;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;
    bool ShowGameScreen(const std::string& name, const Ref<IParamCollection>& params) override;
    bool CloseGameScreen(const Ref<IParamCollection>& results) override;

private:
    int32_t itemIndex_ = -1;
};
