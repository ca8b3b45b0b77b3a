// Keyframed scenarios: invisible widgets that drive one step of a screen's
// animated presentation. While a run lasts, up to nine named properties of
// one other widget (the linked widget) move from their values at the start
// to target values; the linked widget may be shown when the run starts and
// hidden when it ends, a list of widgets is hidden when it starts ("previos"),
// and when it ends one "next" action runs: close the screen, show another
// screen, run a numbered command on a control (the control form only), or
// show and restart further widgets, usually the next step of the chain.
//
// TFlashScenarioControl ("flash_scenario_control") and TFlashScenario
// ("flash_scenario") are one implementation, TFlashScenarioBase; they differ
// only in the command action and its "command_params".
//
// Stored keys (read only; nothing of the run is written back):
//   "linked_widget_name"  path of the linked widget, resolved through the owner
//   "duration"            ms; "rnd:N" is a random 0..N-1 ms, "rnd:B:N" B plus
//                         a random 0..N-1 ms; absent or not a number: the run
//                         has no time limit and ends only by a click or Pause
//   "actiontype"          "linear" (default) or "idle" (nothing animated;
//                         timing, clicks and actions still run)
//   "properties", "value" names and target values separated by ";", at most
//                         9 and as many values as names, else the scenario is
//                         idle. A value may start with modifiers joined by "_"
//                         and ended by ":": "rnd" (a random target below the
//                         value), "inc" (relative to the start), "float"
//                         (integer steps), "int" (real steps). Without them
//                         "angle", "zoom", "anchor_left", "anchor_top",
//                         "zoomx" and "zoomy" step in reals, the rest in
//                         integers.
//   "show_on_start", "hide_on_end", "mousestop" (takes every click while
//   running; a press and a release end the run), "previos", "next", "z";
//   the control also "command_params" ("\name=value" pairs).
// "next": "closegamescreen" (the whole text), "showgamescreen:<screen>",
// "execute_command:<n>" (control only: command n with the command
// parameters, names upper-cased, to the widget at the path in the control's
// property "control_name"), or a widget list: names separated by ";", each
// either a path or "rnd:" and names separated by "," (one picked at random).
// A widget list shows a widget by unpausing, restarting and showing it, and
// hides one by pausing and hiding it.
//
// Ownership: the linked widget is a Weak<IWidget>, locked at each step; a
// linked widget freed while the run lasts is skipped from then on. Listed
// widgets and the screen are looked up afresh each time; screens are opened
// and closed through the screen (IEventHandler), which asks the game.
//
// Failures: nothing raises. A duration that is not a number leaves the run
// untimed (logged with the node's path); too many properties or unequal
// counts, or a value that does not convert, make the run idle; names that
// find nothing are skipped; a screen the game does not know is refused by the
// game; a chain of next actions that loops without time passing is cut (one
// "WIDGET" line).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "widgets/WidgetClasses.h"

// One animated property of the linked widget.
struct TFlashPropertyTrack {
    std::string name;           // the property on the linked widget
    Variant value;              // the target as loaded; a real from the first linear start on
    Variant startValue;         // the linked widget's value when the run started
    Variant delta;              // the change over the run
    Variant endValue;           // set when the run ends
    bool integerStep = false;   // intermediate values are integers
    bool increment = false;     // "inc": value is a change from the start value
    bool randomTarget = false;  // "rnd": value bounds a random target
};

// The text before and after the first ":" (the whole text and "" without
// one).
void SplitAtColon(std::string_view text, std::string& before, std::string& after);
// The text after the first ":"; empty without one.
std::string TextAfterColon(std::string_view text);
// The value as a real number, in place: a number as it is, a text read as a
// real ("." or ","), 0.0 for a text that is no number and for no value.
// False, and the value unchanged, for a value with no number form (an
// interface, bytes).
bool ConvertToReal(Variant& value);
// Reads a "duration" text into base and random addition (-1 and 0 first).
// False when a number in it does not convert; what was read before stays.
bool ParseFlashDuration(std::string_view text, int32_t& baseDuration, int32_t& maxIncrement);
// The widget-list action over list (see the file comment), each name found
// through widget's owner: show unpauses, restarts and shows; hide pauses and
// hides. Nothing without an owner; names that find nothing are skipped.
void ApplyWidgetList(IWidget& widget, std::string_view list, bool show);

class TFlashScenarioBase : public TAbstractWidget {
public:
    static constexpr int32_t kMaxTracks = 9;
    static constexpr uint8_t kLinear = 0;
    static constexpr uint8_t kIdle = 1;

    // Properties "duration", "maxincrementaldurationtime",
    // "linked_widget_name", "actiontype" (its low byte), "properties" and
    // "value" (the first track's name and end value), "show_on_start",
    // "hide_on_end", "previos" and "next"; none stored.
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    void LoadFrom(const Ref<IHierStorage>& storage) override;

    // The linked widget, whatever the key.
    Ref<IWidget> GetChild(const Variant& key) override;
    // The base attach; the next Update starts a new run.
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    // The base step; a new run when none is in progress; a timed run that has
    // reached its duration pauses (and so finishes); otherwise the tracks
    // step (an untimed run holds them at their start values).
    void DoUpdate(int32_t elapsedMs) override;
    // A new run, then the base restart.
    void Restart() override;
    // The base pause, then FinishAnimation.
    void Pause() override;
    // "z" is kept and answered only.
    int32_t GetZ() override { return z_; }
    void SetZ(int32_t value) override {
        if (value != z_) NoteZChanged();
        z_ = value;
    }
    // Takes the mouse only while a run is in progress.
    bool GetMouseStop() override { return mouseStop_ && running_; }
    void SetMouseStop(bool value) override { mouseStop_ = value; }
    // Itself for any point while it takes the mouse; null otherwise.
    Ref<IWidget> WidgetAt(int32_t x, int32_t y) override;
    // With "mousestop": a button press marks the run pressed, a release of a
    // pressed run pauses it. Answers false.
    bool HandleEvent(int32_t code, int32_t x, int32_t y, int32_t shift) override;

    // Begins a run: its duration (drawn anew for a random one), the linked
    // widget found and its start values read, targets computed, the widget
    // shown with "show_on_start", the age at 0, "previos" hidden.
    virtual void StartAnimation();
    // Ends a run, whether or not one is in progress: the end values set and
    // the widget hidden with "hide_on_end", the link dropped, then the next
    // action.
    virtual void FinishAnimation();

    Ref<IWidget> GetLinkedWidget() const { return linkedWidget_.Lock(); }
    const std::string& GetLinkedWidgetName() const { return linkedWidgetName_; }
    uint8_t GetActionType() const { return actionType_; }
    // Whether the current run animates (linear, and nothing failed).
    bool GetRunLinear() const { return runLinear_; }
    const TFlashPropertyTrack& GetTrack(int32_t index) const { return tracks_[size_t(index)]; }
    int32_t GetTrackCount() const { return trackCount_; }
    int32_t GetBaseDuration() const { return baseDuration_; }
    int32_t GetMaxIncrementalDuration() const { return maxIncrementalDuration_; }
    int32_t GetRunDuration() const { return runDuration_; }
    bool GetRunning() const { return running_; }
    bool GetTimed() const { return timed_; }
    bool GetPressed() const { return pressed_; }
    const std::string& GetPreviousList() const { return previousList_; }
    const std::string& GetNextAction() const { return nextAction_; }

protected:
    // A subclass's own next action, tried after the screen actions and
    // before the widget list; true when it took the action.
    virtual bool RunNextAction(const std::string& action) {
        (void)action;
        return false;
    }

private:
    void LoadTracks(const std::string& names, const std::string& values);
    // Start values, conversions and targets of the tracks on linked.
    void PrepareTracks(IWidget& linked);
    void DispatchNextAction();

    static int32_t ActionTypeValue(TFlashScenarioBase& scenario);
    static void SetActionTypeValue(TFlashScenarioBase& scenario, int32_t value);
    static Variant PropertiesProperty(TFlashScenarioBase& scenario);
    static void SetPropertiesProperty(TFlashScenarioBase& scenario, const Variant& value);
    static Variant ValueProperty(TFlashScenarioBase& scenario);
    static void SetValueProperty(TFlashScenarioBase& scenario, const Variant& value);

    std::string linkedWidgetName_;
    Weak<IWidget> linkedWidget_;
    uint8_t actionType_ = kLinear;
    bool runLinear_ = false;
    std::array<TFlashPropertyTrack, kMaxTracks> tracks_;
    int32_t trackCount_ = 0;
    bool showOnStart_ = false;
    bool hideOnEnd_ = false;
    int32_t runDuration_ = 0;
    int32_t baseDuration_ = 0;  // -1 once loaded without a duration
    int32_t maxIncrementalDuration_ = 0;
    bool mouseStop_ = false;
    bool pressed_ = false;
    bool running_ = false;
    bool timed_ = false;
    int32_t z_ = 0;
    std::string previousList_;
    std::string nextAction_;
};

// Registered as "flash_scenario_control": the keyframe step with the command
// action ("execute_command:<n>") and its "command_params".
class TFlashScenarioControl : public TFlashScenarioBase {
public:
    void LoadFrom(const Ref<IHierStorage>& storage) override;

    // The number after the ":" of the next action (nothing when it is none
    // or -1) to the widget this control finds at the path in its property
    // "control_name" (nothing when there is none), with the command
    // parameters, their names upper-cased (none when they are empty).
    virtual void ExecuteNextCommand();

    const std::string& GetCommandParams() const { return commandParams_; }

protected:
    bool RunNextAction(const std::string& action) override;

private:
    std::string commandParams_;
};

// Registered as "flash_scenario": the same step without the command action (a
// next action "execute_command..." is a widget list like any other text).
class TFlashScenario : public TFlashScenarioBase {};
