// The profile screens. The new-user screen ("GameScreenNewUser") asks for a
// profile name: "edit_name", "button_ok", "button_cancel", with the show
// parameters "user_name" (the name offered) and "Necessary" (present: no
// cancel). A name that is blank or already a profile's (names compare
// ignoring case) opens "GS_QueryNotUniqueName" and the screen stays; a free
// one closes it with "user_name" = the name, trimmed. The screen stores
// nothing: the screen that opened it makes the profile.
//
// Failures: missing widgets are skipped; without a profile collection every
// name counts as free unless it is blank.
#pragma once

#include <cstdint>
#include <string>

#include "game/GameScreen.h"
#include "game/QueryScreens.h"

class TGameScreenNewUser : public TGameScreen {
public:
    void BeforeShow(const Ref<IParamCollection>& params) override;
    bool KeyEvent(int32_t kind, int32_t key, int32_t modifiers) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    // Not blank and no profile of that name.
    bool IsNameFree(const std::string& name);
    void Finish(bool accepted);

    const TNameEntry& Entry() const { return entry_; }

private:
    TNameEntry entry_;
};

void RegisterProfileScreenClasses();
