// Timed scenarios: widgets that change other widgets over their own lifetime.
// A scenario sits in a widget tree like any group, is aged by its parent each
// frame ("currenttime" is its clock, "timetolive" its length) and ends by
// marking itself dead, after which its parent removes it.
//
// TScenario is the common base; TTestScenario ("scenario") scatters widgets
// of the factory "Butterfly" over the screen; TTransparentScenario
// ("transparent_scenario") fades one linked widget's transparency level and
// TMoveScenario ("move_scenario") also moves it in a straight line. The state
// machine built on the same base is in widgets/StateScenario.h.
//
// Ownership: a scenario never owns the widgets it drives. The linked target
// is a Weak<IWidget>, locked at every step: a target freed while the
// scenario runs (its parent removed it) is skipped from then on.
//
// Failures: nothing here raises. A scenario without a target runs and ends
// without effect; a "widget" value that is no widget leaves the target
// empty; without a lifetime no level is computed (nothing divides by 0).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/ParamStringUtils.h"
#include "widgets/GroupWidgets.h"

// The common base of scenarios. Adds nothing to its group base.
class TScenario : public TVisualGroupWidget {};

// Registered as "scenario". In the first frame in which its age is above 0 it
// pauses itself (only itself: its parent stops updating it), sets its age
// back to 0 and adds 100 widgets of the owner's factory "Butterfly" to the
// screen's root, named "butterfly" and a running number (1 to 100, then 101
// to 200 after a restart...), at random places of a 640 by 480 screen. A
// factory that makes nothing adds nothing.
class TTestScenario : public TScenario {
public:
    void DoUpdate(int32_t elapsedMs) override;

    // How many widgets it has made so far.
    int32_t GetCounter() const { return counter_; }

private:
    int32_t counter_ = 0;
};

// Registered as "transparent_scenario". Fades the target's transparency
// level from "start_trans_level" at age 0 to "end_trans_level" at the end of
// the lifetime (both 255 when absent; the low byte of the stored integer
// counts), then gives the target back the level it had when it was linked,
// and hides it when "makeinvisible" is "yes".
//
// The property "widget" (an interface; not stored) reads and links the
// target. Linking gives the previous target its saved level back and lets it
// go (it stays where it is in its tree), keeps the new target's level, and
// sets the level for the present age at once when there is a lifetime.
//
// A scenario detached early (its screen closed, its parent removed it) also
// finishes, so its target is never left half-faded.
class TTransparentScenario : public TScenario {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // Finishes, then detaches as a group.
    void Detach() override;
    // The group's step; while 0 < age < lifetime the target's
    // "transparentlevel" follows the age; past the lifetime the scenario
    // finishes and dies.
    void DoUpdate(int32_t elapsedMs) override;

    // When a target is linked: its saved level back, hidden with
    // "makeinvisible", then let go. Nothing without a target, so it may run
    // twice.
    virtual void Finish();

    // The linked target; null when none is linked or it has gone.
    Ref<IWidget> GetTarget() const { return target_.Lock(); }
    // What the property "widget" does.
    void SetTarget(const Ref<IWidget>& target);

protected:
    // start + age * (end - start) / lifetime, cut toward zero and kept inside
    // 0..255; the start level without a lifetime.
    uint8_t LevelAt(int32_t age) const;

private:
    static Variant WidgetProperty(TTransparentScenario& scenario);
    static void SetWidgetProperty(TTransparentScenario& scenario, const Variant& value);

    uint8_t startTransLevel_ = 255;
    uint8_t endTransLevel_ = 255;
    uint8_t savedLevel_ = 0;
    bool makeInvisible_ = false;
    Weak<IWidget> target_;
};

// Registered as "move_scenario". Fades as a transparent scenario and moves
// the target from ("startposx", "startposy") at age 0 to ("endposx",
// "endposy") at the end of the lifetime (pixel coordinates, 0 when absent);
// positions between are fractional. Finishing puts the target at the end
// point.
class TMoveScenario : public TTransparentScenario {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The fade's step, then, while 0 < age < lifetime, ApplyPosition.
    void DoUpdate(int32_t elapsedMs) override;
    // The target at the end point, then the fade's Finish.
    void Finish() override;
    // The target at start + age * (end - start) / lifetime on each axis
    // (elapsedMs is not used). Nothing without a target or a lifetime.
    virtual void ApplyPosition(int32_t elapsedMs);

private:
    int32_t startPosX_ = 0;
    int32_t startPosY_ = 0;
    int32_t endPosX_ = 0;
    int32_t endPosY_ = 0;
};

// The pieces of a list cut at sep, each trimmed of blanks, empty pieces
// dropped (a separator inside a brace group does not cut).
TOneArrayOfString SplitTrimmed(std::string_view text, char sep);

// Whether root finds, at one of the paths of names (separated by ";", blanks
// around them ignored), a widget that is not dead. False for a null root or
// when none is found.
bool AnyWidgetAlive(const Ref<IWidget>& root, std::string_view names);
