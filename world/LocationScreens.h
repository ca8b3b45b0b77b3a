// The screens of a location:
//
// - "QuillmarchGameScreenScene" (shown as "GS_Scene" with
//   "active_map_part", "show_scroll" and "surface"): the location's picture
//   and level buttons, and the switchboard between its scene control
//   ("control_scene") and the screens a location uses: "GS_GameNonogram",
//   "GS_Tutorial", "GS_SceneShop", "GS_LocationCompleted", "GS_ReplayLevel",
//   "GS_CompleteScene" and "GS_HintScene". It keeps the store of magic items
//   and location components, read from its own data ("magic_items") and
//   offered to the game as the option "magic_items". A location's pictures
//   (the store's group → "components" → "resources": resource name → file
//   name, or "file=..\format=...") are loaded into the resource group
//   "resources_location" when the location is shown and stay until another
//   location is shown.
// - "QuillmarchGameScreenLocationCompleted" ("GS_LocationCompleted"): names
//   the location, says whether it was completed at expert level, reveals its
//   part of the medallion and closes on "button_ok".
// - "QuillmarchGameScreenReplayLevel" ("GS_ReplayLevel"): the points earned
//   before, now and added, revealed by one "scenario_replay_level".
//
// Failures: missing widgets are skipped. A picture that does not load (a
// missing file, or one that is no picture of its format) is logged and the
// rest of the scene is built; the location is then not counted as loaded,
// so the next visit tries again.
#pragma once

#include <cstdint>
#include <string>

#include "game/GameScreen.h"
#include "widgets/GroupStorage.h"
#include "world/LocationScene.h"

// The resource list of one location picture; the placeholders are filled in
// as attribute values of the parsed document.
inline constexpr char LocationResourceTemplate[] =
    "<resources><content><resource name=\"%name%\" type=\"ImageResource\" format=\"%format%\" "
    "file=\"%file%\" /></content></resources>";

inline constexpr char kLocationResourceGroup[] = "resources_location";

class TQuillmarchGameScreenScene : public TGameScreen {
public:
    void Create() override;
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    void Show(const Ref<IParamCollection>& params) override;
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    // The map's picture shown from the top at full height when params say
    // "show_scroll" = "yes", else hidden; the edge back at its "start_y".
    void PrepareMapSurface(const Ref<IParamCollection>& params);
    // Drops the loaded location's pictures and loads those of location,
    // unless they are the ones loaded.
    void SwitchLocationResources(const std::string& location);
    // One picture into "resources_location", decoded at once; false when it
    // did not load or decode.
    bool LoadLocationResource(const Ref<IParam>& param);
    // The panel widgets back at their "start_y" ("button_exit" at its
    // "start_x").
    void ResetSceneLayout();

    // The resource list for one parameter of the components list: the
    // resource's name, file and format. Null for a null parameter.
    static Ref<IHierStorage> ResourceListFor(const Ref<IParam>& param);

    const Ref<IGroupsStorage>& GetMagicItems() const { return magicItems_; }
    const std::string& GetLoadedLocation() const { return loadedLocation_; }
    const std::string& GetActiveMapPart() const { return activeMapPart_; }
    const Ref<IParamCollection>& GetPendingLevelParams() const { return pendingLevelParams_; }
    Ref<IControlScene> GetControlScene() const;

private:
    Ref<IParamCollection> ProfileParams();
    Ref<IUserProfile> Profile();
    // The sound, then the widget restarted; nothing without the widget.
    void RestartWithSound(const std::string& widget, const std::string& sound);
    void CommandControl(int32_t command, const Ref<IParamCollection>& params);

    Ref<IGroupsStorage> magicItems_;
    std::string loadedLocation_;
    std::string activeMapPart_;
    Ref<IParamCollection> pendingLevelParams_;
    Weak<IWidget> controlScene_;
};

class TQuillmarchGameScreenLocationCompleted : public TGameScreen {
public:
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    void Show(const Ref<IParamCollection>& params) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    const std::string& GetLocationCompletedValue() const { return locationCompletedValue_; }
    const std::string& GetLocationName() const { return locationName_; }

private:
    std::string locationCompletedValue_ = "no";
    std::string locationName_;
    Weak<IWidget> medallion_;
};

class TQuillmarchGameScreenReplayLevel : public TGameScreen {
public:
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    void BeforeShow(const Ref<IParamCollection>& params) override;
    void Show(const Ref<IParamCollection>& params) override;
    // One replay scenario from the factory "scenario_replay_level" into the
    // scenario group.
    virtual void ShowResults(const Ref<IParamCollection>& params);

private:
    Weak<IWidget> scenarioGroup_;
};

// Registers the three screens.
void RegisterLocationScreenClasses();
