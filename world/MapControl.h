// The map control ("QuillmarchControlMap", the map screen's "map_control"):
// the player's progress through the locations. On every arrival at the map
// it works out from the current profile which location widgets (the
// children of the sibling group "map_locations") are locked, available or
// completed, and the progress an available one shows; it highlights the
// open location under the pointer and fills the information panel
// ("map_panel": "out_scene", "available_scene", "locked_scene/text"); a
// click enters an open location (event 0x8002 with "active_map_part") or
// explains a locked one ("GS_LocationLocked" with "location_name" and
// "required"); and when the last completion animation has ended it tells its
// screen that every location is completed (event 0x8008).
//
// Commands: 1 recompute (params "show_scroll" = "yes" also start
// "scenario_scroll_up"), 7 the big mosaic's result ("level_completed",
// "active_map_part"; the profiles are saved), 11 a scenario has ended
// ("scenario_to_finalize").
//
// The pointer is the engine's, converted into the locations group's
// coordinates. A magic item counts as bought when its name stands whole in
// the profile's comma-separated list.
//
// Failures: without the locations group or a current profile nothing is
// computed and nothing is hit; a missing panel, panel part or scenario
// group is skipped.
#pragma once

#include <cstdint>
#include <string>

#include "widgets/ControlWidget.h"

inline constexpr int32_t kEventEnterLocation = 0x8002;
inline constexpr int32_t kEventAllLocationsCompleted = 0x8008;

inline constexpr int32_t kCommandMapRecompute = 1;
inline constexpr int32_t kCommandMapMosaicResult = 7;

class TQuillmarchControlMap : public TControlGameWidget {
public:
    // Forgets the hovered location, then the inherited Detach.
    void Detach() override;
    // The group's step, then the pointer tracked.
    void DoUpdate(int32_t elapsedMs) override;
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override;
    // Enters or explains the location under the engine's pointer; answers
    // what the inherited press answers.
    bool MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) override;

    // Every location's state, and the progress of the available ones, from
    // the profile. The scenario group is emptied first.
    void UpdateLocationStates();
    // Levels plus the magic items of "layer_1" and "layer_2"; 0 without a
    // magic-item store.
    int32_t MaxLocationProgress(const std::string& location);
    // Levels passed plus the items bought of those layers.
    int32_t CurrentLocationProgress(const std::string& location);
    // Every location's profile state is "completed" (true for none).
    bool AllLocationsCompleted();
    // The first visible location holding the engine's pointer; null when
    // none.
    Ref<IWidget> LocationUnderPointer();
    // One frame's hover step.
    void TrackPointer();
    // The panel for a location, or for none.
    void ShowLocationPanel(const Ref<IWidget>& location);

    Ref<IWidget> GetHovered() const { return hovered_.Lock(); }

private:
    Ref<IParamCollection> ProfileParams();
    Ref<IWidget> OwnerWidget(const std::string& path);
    void EnterLocation(const Ref<IWidget>& location);
    void ScenarioFinished(const Ref<IParamCollection>& params);
    void MosaicResult(const Ref<IParamCollection>& params);

    Weak<IWidget> hovered_;
};

// Registers "QuillmarchControlMap".
void RegisterMapControlClasses();
