// The trophy cabinet ("QuillmarchGameScreenTrophy", shown as "GS_Trophy"):
// the current player's name, medal counts and thirteen trophies. A trophy is
// a child of "trophies" named by its profile key ("yes" when owned); its
// settable "trophy_yes" and "trophy_no" (-1 true, 0 false; the data binds
// them to its "full" and "empty" looks) choose the look. Trophies named in
// the profile's "show_trophy" (each name followed by a comma, written by the
// result screens) are revealed by a "scenario_show_trophy" each, made by the
// window's factory of that name into "scenario_group"; the list is emptied
// then. When it held any name "GS_NewTrophy" opens above first, so the
// reveals play once it is closed.
//
// Pointing at a trophy, or at a medal picture ("error_medal", "hint_medal",
// "speed_medal"), shows the bubble "info" over it (below it when it would
// reach the top edge) with the text that names the trophy's limit: the
// game option "trophy_..._limit" goes into the text variable, then the
// owned or not-owned key is translated; a medal picture shows its own
// "hint_text". A trophy still being revealed gets no bubble.
//
// Failures: a missing "user", counter, "trophies", "info", factory or "ps"
// skips its step; without a current profile nothing is filled.
#pragma once

#include <cstdint>
#include <string>

#include "game/GameScreen.h"
#include "widgets/StateScenario.h"

class TQuillmarchGameScreenTrophy : public TGameScreen {
public:
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    void Show(const Ref<IParamCollection>& params) override;
    void Update(int32_t elapsedMs) override;

    // Sets the name, the counts and every trophy's look from the current
    // profile and starts the reveals of the new trophies.
    void FillCabinet();
    // The first child of "trophies" whose area holds the screen point.
    Ref<IWidget> TrophyAt(int32_t x, int32_t y);
    // Places and fills the bubble over widget, or hides it.
    void ShowTrophyInfo(bool show, const Ref<IWidget>& widget);
    // The bubble text of a trophy or medal picture; empty for other names.
    std::string TrophyText(bool owned, const Ref<IWidget>& widget);

    Ref<IWidget> GetHovered() const { return hovered_.Lock(); }

private:
    Ref<IParamCollection> ProfileParams();
    bool IsBeingRevealed(const Ref<IWidget>& trophy);

    Weak<IWidget> scenarioGroup_;
    Weak<IWidget> hovered_;
};

// Reveals one trophy: its "full" look fades in over 800 ms while its "empty"
// look bursts into 500 particles (factory "ps"); ends after "duration"
// milliseconds, leaving the trophy owned.
class TScenarioShowTrophy : public TStateScenario {
public:
    void Create() override;
    void Detach() override;

private:
    void EnterStart();
    void EnterShowTrophy();
    void ProcessShowTrophy();
    void EnterExit();

    Weak<IWidget> trophy_;
    Weak<IWidget> full_;
};

// Registers the cabinet and its reveal scenario.
void RegisterTrophyClasses();
