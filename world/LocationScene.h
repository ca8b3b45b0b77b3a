// The location scene control ("QuillmarchControlScene", the scene screen's
// "control_scene"): the active location's row of level buttons, the level
// information panel, the start of a level and the taking of its result into
// the current profile.
//
// Widgets: its children "map_parts" (one part per location, each with its
// buttons in "map_levels", named "1", "2", ... in play order, with the
// properties "state", "highlight", "level_ref" and "expert_level") and
// "scenario_group"; its sibling "title"; through its owner "mana_counter",
// "info" ("medals" with the awards, "earned" and "total"; "question";
// "play") and "scene_show".
//
// Commands: 20 show the location (the scene screen's show parameters), 3
// sends 0x8004, 7 a finished level's results, 22 refresh the magic points,
// 11 a scenario has ended, 24 start the current level.
//
// Events to the screen: 0x8003 start a level ("replay", "level_ref",
// "active_map_part", "show_tutorial" once), 0x8007 the location completed or
// expert, 0x800F a replay's points, 0x8012 every level played but the
// location not complete, 0x8013 to the shop, 0x8014 the scene is hidden,
// 0x8015 the scene hint.
//
// Profile keys (LOC the location, REF a level's "level_ref"):
// "current_level_" LOC, "points_" REF, "magic_points", "award_speed" /
// "award_hint" / "award_error" REF, "expert_location_" LOC,
// "location_state_" LOC, "location_layer_" LOC, "items_" LOC layer,
// "new_bonus_levels_enabled", "tutorial_passed", "show_scene_hint".
//
// Buttons are hit in the window's coordinates, the pointer's and a press's
// alike. Failures: without the location's part or its buttons nothing is
// shown or hit; a missing title, counter, panel or scenario is skipped; a
// won result without "level_ref" is logged and ignored; a next level
// without a button leaves the scene idle; numbers that are not numbers
// count as 0.
#pragma once

#include <cstdint>
#include <string>

#include "widgets/ControlWidget.h"

inline constexpr int32_t kEventSceneStartLevel = 0x8003;
inline constexpr int32_t kEventSceneCommand3 = 0x8004;
inline constexpr int32_t kEventLocationCompleted = 0x8007;
inline constexpr int32_t kEventReplayPoints = 0x800F;
inline constexpr int32_t kEventLevelsDone = 0x8012;
inline constexpr int32_t kEventGoToShop = 0x8013;
inline constexpr int32_t kEventSceneHidden = 0x8014;
inline constexpr int32_t kEventSceneHint = 0x8015;

inline constexpr int32_t kCommandSceneShow = 20;
inline constexpr int32_t kCommandSceneNotify = 3;
inline constexpr int32_t kCommandSceneLevelResult = 7;
inline constexpr int32_t kCommandSceneRefreshMagic = 22;
inline constexpr int32_t kCommandSceneScenarioFinished = 11;
inline constexpr int32_t kCommandSceneStartCurrent = 24;

class IControlScene : public virtual IInterface {
public:
    // Whether an unbought magic item of that layer of the active location
    // costs no more than the magic points held.
    virtual bool CanBuyMagicItem(const std::string& layer) = 0;
};

class TQuillmarchControlScene : public TControlGameWidget, public virtual IControlScene {
public:
    void Detach() override;
    // The group's step, then the hover.
    void DoUpdate(int32_t elapsedMs) override;
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override;
    // Starts the level of the pressed button; the inherited answer.
    bool MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) override;

    bool CanBuyMagicItem(const std::string& layer) override;

    // The buttons set from "current_level_"; true when every level of the
    // location is played.
    bool UpdateLevelButtons();
    // The first visible button holding the window point; null when none.
    Ref<IWidget> ButtonAt(int32_t x, int32_t y);
    // Posts 0x8003 for the level.
    void StartLevel(const std::string& levelRef, bool replay);
    // True only when the location becomes expert now.
    bool ExpertCheck();
    // The level information panel for a button, or hidden.
    void ShowInfo(bool show, const Ref<IWidget>& button);
    // The sum of the catalogue's four point values of the level.
    int64_t LevelMaxPoints(const std::string& levelRef);
    void RefreshMagicCounter();

    Ref<IWidget> GetMapPart() const { return mapPart_.Lock(); }
    Ref<IWidget> GetHighlighted() const { return highlighted_.Lock(); }
    bool GetReplay() const { return replay_; }
    std::string Location() const;

private:
    void Show(const Ref<IParamCollection>& params);
    void TakeResult(const Ref<IParamCollection>& result);
    void ScenarioFinished(const Ref<IParamCollection>& params);
    void TrackPointer();
    void Post(int32_t code, const Ref<IParamCollection>& params);
    Ref<IWidget> OwnerWidget(const std::string& path);
    Ref<IWidgetCollection> Buttons();
    void SaveProfiles();

    Weak<IWidget> mapPart_;
    Weak<IWidget> highlighted_;
    bool replay_ = false;
};

// The location completed in the profile, and the new bonus levels it opens
// announced; the last level and the shop's last layer both end here.
void MarkLocationCompleted(const Ref<IParamCollection>& profile, const std::string& location);

// Registers "QuillmarchControlScene".
void RegisterLocationSceneClasses();
