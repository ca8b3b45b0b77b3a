// The base of every user-interface control. TControlWidget ("Control") is a
// group widget whose look is made of its children, with a rectangle of its
// own (and an optional mask widget that refines the hit test), the enabled
// and tab-stop flags, the screen's mouse codes turned into presses, releases
// and double clicks with a button number, the keyboard focus with Tab among
// its child controls, and the way a control reports to its screen: the event
// handler's HandleEvent with the control as the sender and an event code.
// TControlGameWidget adds a scenario group in which a game control makes the
// scenarios that drive it.
//
// Ownership: the focused child and the scenario group are Weak and locked at
// each use; they count only while the widget is still this control's child.
// Focus and capture themselves belong to the screen's window.
//
// Failures: without an owner there is no window to take the focus or the
// capture and no event handler to report to; those steps are skipped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "widgets/GroupWidgets.h"

// The codes controls send with IEventHandler::HandleEvent.
inline constexpr int32_t kEventButtonClick = 1;
inline constexpr int32_t kEventCheckBoxToggled = 2;
inline constexpr int32_t kEventTrackBarMoved = 3;
inline constexpr int32_t kEventEditKey = 4;
inline constexpr int32_t kEventListSelection = 5;
inline constexpr int32_t kEventListDoubleClick = 6;
inline constexpr int32_t kEventRevealDone = 7;
inline constexpr int32_t kEventRevealClicked = 8;
inline constexpr int32_t kEventRadioChanged = 9;
inline constexpr int32_t kEventSequenceEnd = 10;

// Mouse buttons as the control operations number them.
inline constexpr int32_t kButtonLeft = 0;
inline constexpr int32_t kButtonRight = 1;
inline constexpr int32_t kButtonMiddle = 2;

// "Control". Stored keys after the visual group's: "width" and "height"
// (always written), "enabled" and "tabstop" (written when "yes") and
// "maskwidget" (written when not empty). "enabled" and "tabstop" are also
// properties; the rest are storage keys only. A control whose data does not
// say "enabled" "yes" is disabled.
class TControlWidget : public TVisualGroupWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // Drops the focused child, then the group's Detach.
    void Detach() override;

    // The control's own rectangle: (left, top) rounded, plus width and height.
    int32_t GetWidth() override { return width_; }
    int32_t GetHeight() override { return height_; }
    TRect GetBounds() override;
    // Inside the rectangle, all four edges included; with a mask widget that
    // the path finds, the mask's own hit test (its visibility ignored)
    // decides, at the point relative to the control's corner.
    bool ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) override;
    // The children first (topmost first), then the control itself when it is
    // visible, stops the mouse and holds the point.
    Ref<IWidget> WidgetAt(int32_t x, int32_t y) override;

    bool GetEnabled() override { return enabled_; }
    void SetEnabled(bool value) override { enabled_ = value; }
    bool GetTabStop() override { return tabStop_; }
    void SetTabStop(bool value) override { tabStop_ = value; }

    // Clears Pressed: the window took the capture away.
    void LoseMouseCapture() override;
    void ReceiveFocus() override;
    // Clears Focused; the focused child loses the focus too.
    void LoseFocus() override;
    // The screen's mouse codes, the point converted to the owner's content:
    // 10 moves; 11/12/13 left down, up, double-click press; 17/18/19 the same
    // for the right button (1), 14/15/16 for the third (2). The called
    // operation's answer; false for any other code.
    bool HandleEvent(int32_t code, int32_t x, int32_t y, int32_t shift) override;
    // While focused: keys go to the focused child (the first visible tab-stop
    // child when none is), and a Tab release the child leaves alone moves
    // the focus to the next one; after the last one the Tab is left
    // unhandled, for the screen.
    bool HandleKey(int32_t kind, int32_t key, int32_t shift) override;

    // The mouse operations, the point in the owner's content coordinates.
    // All answer false here; MouseDown first gives a tab-stop control that
    // is not focused the screen's focus on a left press.
    virtual bool MouseMove(int32_t x, int32_t y, int32_t shift);
    virtual bool MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button);
    virtual bool MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button);
    virtual bool MouseDoubleClick(int32_t x, int32_t y, int32_t shift, int32_t button);
    // The pointer is no longer over this control's screen (another screen
    // covers it): a hover look goes back to the normal one until the
    // control is updated again. Nothing here.
    virtual void PointerGone() {}

    // The first child after position after (from max(after + 1, 0)) that is
    // a visible tab stop; null when none. Does not wrap.
    Ref<IWidget> FindNextTabStop(int32_t after);

    // A widget from the factory of that name (this control's, else its
    // owners'), added to parent's children when no child there has its
    // name. The new widget; null when nothing was added.
    Ref<IWidget> CreateChildWidget(const Ref<IWidget>& parent, const std::string& factoryName,
                                   const Ref<IParamCollection>& params);

    bool GetPressed() const { return pressed_; }
    bool GetFocused() const { return focused_; }
    // The child holding the focus inside this control; null when none.
    Ref<IWidget> GetFocusedChild();
    const std::string& GetMaskWidget() const { return maskWidget_; }

protected:
    void SetPressed(bool value) { pressed_ = value; }
    // The owner's window and event handler; null without an owner.
    Ref<IWindow> OwnerWindow();
    Ref<IEventHandler> OwnerEventHandler();
    // Sends code to the owner's event handler with this control as the
    // sender and no parameters; nothing without one.
    void Notify(int32_t code);
    // Shows (and resumes) or hides (and pauses) the direct child of that
    // name; false when there is none.
    bool ShowChild(const std::string& name, bool show);
    // Whether the engine's pointer lies inside the control (ContainsPoint,
    // visibility counted); nothing without an engine.
    std::optional<bool> PointerInside();

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool enabled_ = false;
    bool tabStop_ = false;
    bool pressed_ = false;
    bool focused_ = false;
    Weak<IWidget> focusedChild_;
    std::string maskWidget_;
};

// The base of the game's controls: a scenario group (the child at the path
// "scenario_group", found when attached) in which the control makes the
// scenarios that call back into it. Not registered.
class TControlGameWidget : public TControlWidget {
public:
    // The group's Attach, then the scenario group found.
    void Attach(IWidgetOwner* owner) override;
    // Drops the scenario group, then the control's Detach.
    void Detach() override;

    // A widget from the factory of that name added to the scenario group,
    // its property "control_game" set to this control, when the group holds
    // no widget of its name; with remember its name and ";" are appended to
    // the scenario names. The new widget; null when nothing was added.
    Ref<IWidget> CreateScenario(const std::string& factoryName, const Ref<IParamCollection>& params,
                                bool remember);

    Ref<IWidget> GetScenarioGroup() { return scenarioGroup_.Lock(); }
    const std::string& GetScenarioNames() const { return scenarioNames_; }

private:
    std::string scenarioNames_;
    Weak<IWidget> scenarioGroup_;
};
