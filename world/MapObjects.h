// The map's small widgets and the locked-location screen:
//
// - "QuillmarchMapLocation": one location of the map, named after it. Its
//   children "locked", "available" (with the progress bar
//   "available/bar_progress") and "completed" (with the gold
//   "completed/image" and the silver "completed/image_silver") show its
//   state. The state is kept in the current profile as "location_state_" +
//   name. While the player is on the map ("enter_to_map" is "no") a change
//   is handed to a completion scenario made by the factory
//   "scenario_complete" in "../map_control/scenario_group", which applies it
//   when its animation starts.
// - "QuillmarchMapLevelSmall": a level marker ("locked", "current",
//   "completed" with "completed/expert" and "completed/non_expert") whose
//   expert look follows the profile's three award keys for its "level_ref".
// - "QuillmarchGameScreenLocationLocked": the plain screen shown as
//   "GS_LocationLocked"; its data may use the show parameters
//   "location_name" and "required".
//
// Failures: missing children and a missing progress bar are skipped. Without
// a current profile a location switches its state without storing it and
// without a completion scenario; a marker is then never expert.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/GameScreen.h"
#include "widgets/GroupWidgets.h"

class TQuillmarchMapLocation : public TVisualGroupWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The group's Attach, the state back to "locked" (the look is left as it
    // is until the next state arrives), the progress bar found.
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;

    // "completed" for a stored "expert".
    std::string GetLocationState() const;
    // Applies value, or hands it to a completion scenario (see the file
    // comment).
    void SetLocationState(const std::string& value);
    // The progress bar's maximum.
    void SetMaxProgress(const Variant& value);
    // The bar's value, value ÷ maximum of its width (0 for a maximum of 0 or
    // less), counted up from empty.
    void SetCurrentProgress(const Variant& value);
    // Shows the child of the state; a completed location gold when the
    // profile says it is expert, else silver.
    void UpdateLook();

    const std::string& GetState() const { return state_; }
    const std::string& GetPendingState() const { return pending_; }

private:
    static Variant LocationStateProperty(TQuillmarchMapLocation& location);
    static void SetLocationStateProperty(TQuillmarchMapLocation& location, const Variant& value);
    static void SetMaxProgressProperty(TQuillmarchMapLocation& location, const Variant& value);
    static void SetCurrentProgressProperty(TQuillmarchMapLocation& location, const Variant& value);
    // State, profile key and look; the pending state cleared.
    void ApplyState(const std::string& value);
    // A completion scenario for value in the map control's scenario group;
    // false when none could be added.
    bool StartCompletion(const std::string& value);

    std::string state_;
    std::string pending_;  // empty: no completion scenario is waiting
    Weak<IWidget> bar_;
};

class TQuillmarchMapLevelSmall : public TVisualGroupWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    const std::string& GetState() const { return state_; }
    // A different state shows its child; "completed" also checks the awards.
    void SetState(const std::string& value);
    // The award check; true in the state "completed" when all three are won.
    bool IsExpertLevel();
    // The child that shows the state gets the highlight; nothing before a
    // state is set.
    void SetHighlight(const Variant& value);
    void UpdateLook();
    // expert := the profile's "award_speed", "award_hint" and "award_error"
    // followed by "level_ref" are all "yes"; the completed look follows.
    void UpdateExpert();

private:
    static Variant StateProperty(TQuillmarchMapLevelSmall& level);
    static void SetStateProperty(TQuillmarchMapLevelSmall& level, const Variant& value);
    static Variant ExpertLevelProperty(TQuillmarchMapLevelSmall& level);
    static void SetHighlightProperty(TQuillmarchMapLevelSmall& level, const Variant& value);

    std::string state_;
    bool expert_ = false;
};

class TQuillmarchGameScreenLocationLocked : public TGameScreen {};

// Registers the three classes.
void RegisterMapObjectClasses();

// Helpers the map's classes share.
namespace mapdetail {
// A whole number from a number or a text; fallback for anything else.
int64_t Whole(const Variant& value, int64_t fallback);
// True for the text "yes" or a true Boolean.
bool IsYes(const Variant& value);
// The pieces of a comma-separated list, each trimmed, empty ones dropped.
std::vector<std::string> SplitList(const std::string& text);
// Whether name stands whole among the comma-separated entries of list: an
// item is not bought because another item's name ends with it.
bool ListHolds(const std::string& list, const std::string& name);
// A new, empty parameter collection.
Ref<IParamCollection> NewParams();
// The profile's value under name, as text; fallback without the key.
std::string ProfileText(const Ref<IParamCollection>& profile, const std::string& name,
                        const std::string& fallback);
}  // namespace mapdetail
