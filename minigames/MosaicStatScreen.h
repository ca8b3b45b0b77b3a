// TQuillmarchGameScreenBigMosaicStat ("QuillmarchGameScreenBigMosaicStat",
// shown as "GS_StatBigMosaic"): the statistics screen after a big mosaic. It
// shows the level's tips (show parameter "level_tips") in "levelTips" under
// the caption "label_levelTips", restarts the particle effect
// "ps_statlevel", and closes without results on a click of "button_ok"; the
// mosaic screen below then closes with its result.
//
// Ownership: the window's "scenario_group" is kept as a Weak handle from
// AttachOwner to DetachOwner.
//
// Failures: each widget that is missing is skipped.
#pragma once

#include "game/GameScreen.h"

class TQuillmarchGameScreenBigMosaicStat : public TGameScreen {
public:
    // "levelTips" hidden, "label_levelTips" shown, "ps_statlevel" emptied
    // (command 2).
    void BeforeShow(const Ref<IParamCollection>& params) override;
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    // Shows, clears the scenario group, then ShowLevelTips.
    void Show(const Ref<IParamCollection>& params) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    // With parameters: "levelTips" shows their "level_tips" (empty when
    // absent). Without, it stays hidden.
    void ShowLevelTips(const Ref<IParamCollection>& params);

private:
    Weak<IWidget> scenarioGroup_;
};

void RegisterMosaicStatScreenClasses();
