// The map's scenarios, made by widget factories of the screens' data:
//
// - "scenario_scroll_up" (enter → scroll → exit): the picture of the screen
//   the player came from, shown by the screen's "map_surface", shrinks
//   upwards behind the rising edge "scroll" over "duration" milliseconds,
//   uncovering the screen below.
// - "scenario_scroll" (enter → scroll → exit): the edge descends over the
//   picture, whose visible part starts 40 pixels below it; at the end the
//   control it is linked to ("control_game") gets command 11 with
//   "scenario_to_finalize" = its name, and with "big_mosaic" = "yes" the
//   picture's screen gets event 0x800A from it.
// - "scenario_complete" (enter → show_complete → exit): applies a location's
//   new state ("location_name", "state_to_set") when its animation starts,
//   bursts the location's locked picture into particles (factory "ps"), and
//   at the end reports command 11 to its control.
//
// Paths are looked up through the scenario's owner, so "../../map_surface"
// is the screen's picture when the scenario sits in a control's
// "scenario_group".
//
// The picture's "shifttop" and "height" stay inside the surface it shows
// (its own "surface", else a 1024 × 768 screen): the rows above and below
// the snapshot are never asked for, and a height never goes below 0.
//
// Failures: a missing picture, edge, location, "locked" child or "ps"
// factory skips its step; without a control nothing is reported. A
// "duration" of 0 or less puts everything at its end position at once.
#pragma once

#include <cstdint>

#include "widgets/StateScenario.h"

// Sent by "scenario_scroll" with "big_mosaic" = "yes" when it has ended.
inline constexpr int32_t kEventScenarioFinished = 0x800A;
// The command a finished scenario sends its control.
inline constexpr int32_t kCommandMapScenarioFinished = 11;

// The scroll scenarios' common part: the picture and the edge, the timing.
class TMapScrollScenario : public TControlStateScenario {
public:
    void Create() override;
    // Drops the picture and the edge, then the inherited Detach.
    void Detach() override;

    // The share of "duration" passed in the scroll state, 0 to 1; 1 for a
    // duration of 0 or less.
    double Fraction();
    int32_t GetDuration();

    Ref<IWidget> GetPicture() const { return picture_.Lock(); }
    Ref<IWidget> GetEdge() const { return edge_.Lock(); }

protected:
    void EnterStart();
    void EnterScroll();
    void ProcessScroll();
    virtual void EnterExit() = 0;
    // Places the picture and the edge for the fraction f.
    virtual void Place(double f) = 0;
    // The picture's rows from shiftTop, height rows, cut to its surface.
    void ShowRows(int32_t shiftTop, int32_t height, double top);
    void PlaceEdge(double y);

private:
    Weak<IWidget> picture_;
    Weak<IWidget> edge_;
};

class TScenarioScrollUp : public TMapScrollScenario {
protected:
    void EnterExit() override;
    // y = 768 − 882 f: the picture's top rows, down to 40 below the edge.
    void Place(double f) override;
};

class TScenarioScroll : public TMapScrollScenario {
protected:
    void EnterExit() override;
    // y = 768 f: the picture from 40 below the edge to its bottom.
    void Place(double f) override;
};

class TScenarioComplete : public TControlStateScenario {
public:
    void Create() override;

private:
    void EnterShowComplete();
    void EnterExit();
};

// Registers the three scenarios.
void RegisterMapScenarioClasses();
