// The shop's reveals, made by the widget factories of the same names into
// the shop control's "scenario_group", linked to it by "control_game":
//
// - "scenario_show_item" (enter → show_item → exit): a just-bought magic
//   item ("item_name": location/layer/items/name below the locations
//   group). Its "unlocked" picture fades in over 800 ms from the moment its
//   "locked" look is hidden, while 500 particles (factory "ps") burst from
//   the silhouette "locked/shadow".
// - "scenario_show_layer" (enter → show_layer → exit): the next layer
//   ("layer_path": location/layer), whose "layer_bg" fades in over 1200 ms
//   while 250 particles burst from the scenario's own child "rect".
//
// The reveal state lasts "duration" milliseconds; the fades keep their own
// clock, so a shorter duration leaves the picture partly transparent. At the
// end the scenario dies and sends its control command 11 with
// "scenario_to_finalize" = its name and "item_name", or "layer" as given.
//
// Paths are taken from the scenario's owner as "../../locations/" + path.
// Failures: a missing item, layer, part or "ps" factory skips its step; the
// end is reported all the same.
#pragma once

#include <cstdint>

#include "widgets/StateScenario.h"

// The command a finished reveal sends its control.
inline constexpr int32_t kCommandRevealFinished = 11;

class TScenarioShowItem : public TControlStateScenario {
public:
    void Create() override;
    // Drops the item links, then the inherited Detach.
    void Detach() override;

private:
    void EnterStart();
    void EnterShowItem();
    void ProcessShowItem();
    void EnterExit();

    Weak<IWidget> item_;
    Weak<IWidget> unlocked_;
};

class TScenarioShowLayer : public TControlStateScenario {
public:
    void Create() override;
    void Detach() override;

private:
    void EnterStart();
    void EnterShowLayer();
    void ProcessShowLayer();
    void EnterExit();

    Weak<IWidget> layerBackground_;
};

// Registers the two reveals.
void RegisterItemRevealClasses();
