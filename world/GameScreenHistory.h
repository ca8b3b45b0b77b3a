// The story screen ("QuillmarchGameScreenHistory"): the game's story, told
// letter by letter over the main menu's picture as it scrolls away, on a
// profile's first start ("GS_History", shown by the main menu with the
// menu's snapshot as "surface").
//
// Every show starts afresh: the scenarios of "scenario_group" are removed,
// "map_surface" shows the snapshot from its top (top 0, "shifttop" 0,
// "height" 768), "scroll" goes back to its "start_y", one new scroll
// scenario is made from the factory "scenario_scroll" into "scenario_group",
// and "text_history" starts its reveal again ("InitVizualization"). Where the
// story leads and when it closes is the data's (its buttons and scenarios).
//
// Failures: missing widgets and a missing factory are skipped; a show
// without parameters leaves "map_surface" its previous picture.
#pragma once

#include "game/GameScreen.h"

class TQuillmarchGameScreenHistory : public TGameScreen {
public:
    void BeforeShow(const Ref<IParamCollection>& params) override;
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;

    // The snapshot at the top of "map_surface", "scroll" at its start.
    void PrepareMapSurface(const Ref<IParamCollection>& params);

private:
    Weak<IWidget> scenarioGroup_;
};

void RegisterHistoryScreenClasses();
