// A location's layered picture brought into line with a player's profile.
//
// Beside a widget W lies the group "locations" with one picture per
// location, named after it. A picture holds layers (children whose names
// contain "layer"); each layer may hold a group "items" of item widgets.
// Only the given location is shown, only its current layer (the profile's
// "location_layer_" + location, "layer_1" by default) with its items, and
// each magic item ("item_type" "magic") of that layer gets the "state"
// "unlocked" and is shown when its name stands whole among the entries of
// the profile's comma-separated "items_" + location + layer (as the map and
// the scene count it: "ab," buys no "b"), else "locked" and hidden. Items of
// other types keep what the data gives them.
//
// Failures: a null widget, a missing "locations" group or a missing picture
// do nothing; without a profile the defaults apply (first layer, nothing
// bought).
#pragma once

#include <string>

#include "game/GameShellInterfaces.h"

void PaintLocationLayers(const Ref<IWidget>& widget, const Ref<IUserProfile>& profile,
                         const std::string& location);

// Makes PaintLocationLayers the painter behind ShowLocationLayers, and takes
// it away again.
void InstallLocationLayersPainter();
void RemoveLocationLayersPainter();
