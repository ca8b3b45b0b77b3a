// The profile screens: the new-user screen and the profile list (below).
//
// The new-user screen ("GameScreenNewUser") asks for a profile name:
// "edit_name", "button_ok", "button_cancel", with the show parameters
// "user_name" (the name offered) and "Necessary" (present: no cancel). A name
// that is blank or already a profile's (names compare ignoring case) opens
// "GS_QueryNotUniqueName" and the screen stays; a free one closes it with
// "user_name" = the name, trimmed. The screen stores nothing: the screen
// that opened it makes the profile.
//
// Failures: missing widgets are skipped; without a profile collection every
// name counts as free unless it is blank, and the profile list shows only
// its first entry. A delete answer about a row that is no profile's deletes
// nothing.
#pragma once

#include <cstdint>
#include <string>

#include "game/GameScreen.h"
#include "game/QueryScreens.h"
#include "widgets/ListBoxControl.h"

class TGameScreenNewUser : public TNameEntryScreen {
public:
    // Not blank and no profile of that name.
    bool IsNameFree(const std::string& name);
    void Finish(bool accepted) override;
};

// The profile list ("GameScreenUserProfiles"): "listbox_profiles" shows the
// create-new-user entry (the configuration's new-user text) and then every
// profile's name, the current one selected. Choosing the first entry opens
// "GS_NewUser" (or "GS_TooManyProfiles" at seven profiles); a name that
// comes back becomes a profile, current at once, and the screen closes.
// "button_delete" asks "GS_QueryDeleteProfile" about the selected profile;
// "button_yes" there deletes it, and deleting the last one makes the player
// create a new one ("GS_NewUser" with "Necessary"). A new profile that
// cannot be saved is taken out again (the game tells the player why) and
// the list stays open. OK or a double click
// makes the selected profile current; cancel and Escape change nothing. Each
// change is written at once.
class TGameScreenUserProfiles : public TGameScreen {
public:
    // At most this many profiles; a new one is offered below it.
    static constexpr int32_t kMaxProfiles = 7;

    void BeforeShow(const Ref<IParamCollection>& params) override;
    void AttachOwner(IGameScreenOwner* owner) override;
    void DetachOwner() override;
    // The inherited hide, then the list emptied: each show fills it anew.
    void Hide() override;
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override;
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;

    // Accepted: the selected profile made current and the profiles written;
    // then the screen closes with no result.
    void Close(bool accepted);

    const std::string& GetSelectedName() const { return selectedName_; }

private:
    Ref<IUserProfileCollection> Profiles() const;
    void SaveProfiles();
    void DeleteSelectedProfile();

    Ref<IListBoxControl> list_;
    std::string selectedName_;
};

void RegisterProfileScreenClasses();
