// The push button ("ButtonControl"). Its look is up to three child widgets
// chosen by state ("image_normal", "image_selected" under the pointer,
// "image_disabled"); a left press captures the mouse and plays the button's
// "sound_buttonclick"; a release inside runs the action the data chooses:
// close the screen, show another screen with parameters, open a web address,
// change the button's own properties, or (no built-in action) report code 1
// to the screen, which tells buttons apart by name.
//
// Failures: missing images are skipped (the normal one stands in for the
// others); without an owner there is no window, screen or engine and those
// steps do nothing. A property of "props_to_change" that does not convert is
// left as it was (and logged by the property layer).
#pragma once

#include <cstdint>
#include <string>

#include "widgets/ControlWidget.h"

// Stored keys after the control's, each written when not empty:
// "actiontype" ("closegamescreen", "showgamescreen", "url", "run_file",
// "change_props", anything else reports a click; lower-cased when loaded),
// "GSParams", "gamescreenname", "url", "file_to_run", "props_to_change".
class TButtonControl : public TControlWidget {
public:
    enum : uint8_t { kImageNormal = 0, kImageSelected = 1, kImageDisabled = 2, kImageNone = 3 };

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // The group's Attach, then the images that Enabled and Hover give.
    void Attach(IWidgetOwner* owner) override;
    // The group's step, then the hover test against the engine's pointer.
    void DoUpdate(int32_t elapsedMs) override;
    void SetEnabled(bool value) override;
    // A left press of an enabled button: the capture, Pressed, the click
    // sound; true. Anything else is not handled. A button never takes the
    // keyboard focus.
    bool MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) override;
    // The left release of a press: the action when inside, then the capture
    // released either way; true. False without a press.
    bool MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) override;
    void PointerGone() override;

    // Hides the three images and shows the one of the state; nothing when
    // the state is the one shown.
    virtual void SetImageState(uint8_t state);
    // Disabled, else selected under the pointer, else normal.
    virtual void UpdateImageState();

    uint8_t GetImageState() const { return imageState_; }
    bool GetHover() const { return hover_; }
    const std::string& GetActionType() const { return actionType_; }

private:
    void RunAction();
    void ShowGameScreen();
    void ChangeProps();

    bool hover_ = false;
    uint8_t imageState_ = kImageNormal;
    std::string actionType_;
    std::string gsParams_;
    std::string gameScreenName_;
    std::string url_;
    std::string fileToRun_;
    std::string propsToChange_;
};
