// The medallion of the player's progress: one part per location, empty while
// the location is not completed, silver once it is, gold once it is completed
// at expert level.
//
// "QuillmarchControlMedallion" recomputes every part from the current
// profile ("location_state_<L>" = "completed", "expert_location_<L>" = "yes")
// on command 16, and on command 17 ("location_name", "location_expert") also
// hides the named part and reveals it with the scenario
// "scenario_show_medallion_part" made in its "scenario_group". Its tree:
//
//   QuillmarchControlMedallion
//     elements (group) / <location> (QuillmarchMedallionElement: gold, silver)
//     scenario_group
//     widgetfactories: scenario_show_medallion_part, effect_part
//
// The reveal scenario plays the data's "effect_part" widget over the part's
// position with the part's picture, plays "sound_stat_medal" and ends when
// the effect's "durationtime" has passed.
//
// Failures: without a current profile or "elements", command 16 changes
// nothing. A medallion without "scenario_group" logs one "WORLD" line when it
// is attached and reveals nothing. A location that names no part, or a part
// without the picture, skips the effect: the scenario plays the sound and
// ends at once.
#pragma once

#include <cstdint>
#include <string>

#include "widgets/ControlWidget.h"
#include "widgets/StateScenario.h"

// Commands of the medallion.
inline constexpr int32_t kCommandShowMedallion = 16;
inline constexpr int32_t kCommandShowMedallionPart = 17;

class TQuillmarchControlMedallion : public TControlWidget {
public:
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    // Any command first removes every scenario of "scenario_group" (a reveal
    // under way stops); then 16 shows the parts, 17 reveals one.
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override;

    // Every part made visible and set to its state from the profile.
    void ShowMedallion();
    // ShowMedallion, the part "location_name" hidden, and the reveal
    // scenario started with params.
    void ShowMedallionPart(const Ref<IParamCollection>& params);

private:
    Weak<IWidget> scenarioGroup_;
};

// One part. Property "state": "empty", "silver" or "gold" (empty before it is
// first set); its child "gold" is visible exactly when the state is "gold",
// its child "silver" exactly when it is "silver".
class TQuillmarchMedallionElement : public TVisualGroupWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    const std::string& GetState() const { return state_; }
    void SetState(const std::string& state);

private:
    static Variant StateProperty(TQuillmarchMedallionElement& element);
    static void SetStateProperty(TQuillmarchMedallionElement& element, const Variant& value);
    void UpdateStatePictures();

    std::string state_;
};

// Registered as "scenario_show_medallion_part"; its properties
// "location_name" and "location_expert" come from its creation parameters.
// States: "enter" (one frame), "show" (the reveal; as long as the effect
// lasts), "exit" (the scenario ends).
class TScenarioShowMedallionPart : public TStateScenario {
public:
    void Create() override;
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    const std::string& GetLocationName() const { return locationName_; }

private:
    void EnterShow();
    void EnterExit();

    std::string locationName_;
    std::string locationExpert_;
};

void RegisterMedallionClasses();
