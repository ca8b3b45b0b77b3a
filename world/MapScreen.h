// The map screen ("QuillmarchGameScreenMap", shown as "GS_Map"): the map of
// locations on a 1024 × 768 screen. Each arrival has the map control
// recompute the locations (its command 1, with the show parameters, so
// "show_scroll" = "yes" rolls the picture "surface" of the screen the player
// came from away); the map help "GS_MapFirstTime" opens on a profile's first
// visit. When the control reports an open location (0x8002) the screen
// snapshots itself and opens "GS_Scene" and, while the location's big mosaic
// is not done, "GS_GameBigMosaic" above it; when the control reports every
// location completed (0x8008) it opens "GS_Final". A scene closing has the
// control recompute again, so changed locations play their completion.
//
// Widgets: "map_control", "map_surface" (shows "surface", with "shifttop"
// and "height") and "scroll" (the edge; "start_y" is where it rests).
// Profile keys: "enter_to_map", "show_map", "big_mosaic_completed_" +
// location.
//
// Failures: without a map control nothing is computed and no location can be
// entered; without a current profile no help opens and no mosaic either.
#pragma once

#include <cstdint>
#include <string>

#include "game/GameScreen.h"

// The size the map and the transitions around it are laid out for.
inline constexpr int32_t kMapScreenWidth = 1024;
inline constexpr int32_t kMapScreenHeight = 768;

class TQuillmarchGameScreenMap : public TGameScreen {
public:
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    void Show(const Ref<IParamCollection>& params) override;
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    // The picture shown at full height from the top with params' "surface",
    // hidden without params; the edge back at its "start_y".
    void PrepareMapSurface(const Ref<IParamCollection>& params);
    // The screen drawn into a new 1024 × 768 surface; null without an engine.
    Ref<ISurface> MakeSnapshot();

    Ref<IWidget> GetMapControl() const { return mapControl_.Lock(); }

private:
    Ref<IParamCollection> ProfileParams();
    void EnterLocation(Ref<IParamCollection> params);

    Weak<IWidget> mapControl_;
};

// Registers "QuillmarchGameScreenMap".
void RegisterMapScreenClasses();
