#include "game/ProfileScreens.h"

#include <exception>

#include "game/GameConfig.h"

// ---------------------------------------------------------------------------
// New user

bool TGameScreenNewUser::IsNameFree(const std::string& name) {
    if (name.empty()) return false;
    IGameScreenOwner* owner = GetOwner();
    const Ref<IUserProfileCollection> profiles = owner ? owner->GetUserProfiles() : nullptr;
    return !profiles || !profiles->GetItem(Variant(name));
}

void TGameScreenNewUser::Finish(bool accepted) {
    if (!accepted) {
        CloseGameScreen(nullptr);
        return;
    }
    const std::string name = Entry().TrimmedName();
    if (!IsNameFree(name)) {
        ShowGameScreen("GS_QueryNotUniqueName", nullptr);
        return;
    }
    CloseGameScreen(OneParam("user_name", Variant(name)));
}

// ---------------------------------------------------------------------------
// The profile list

Ref<IUserProfileCollection> TGameScreenUserProfiles::Profiles() const {
    IGameScreenOwner* owner = GetOwner();
    return owner ? owner->GetUserProfiles() : nullptr;
}

void TGameScreenUserProfiles::SaveProfiles() {
    if (const Ref<IUserProfileCollection> profiles = Profiles()) profiles->Save(GetEngine());
}

void TGameScreenUserProfiles::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    list_ = Query<IListBoxControl>(FindWidget("listbox_profiles"));
}

void TGameScreenUserProfiles::DetachOwner() {
    list_ = nullptr;
    TGameScreen::DetachOwner();
}

void TGameScreenUserProfiles::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    const Ref<IListBoxControl> list = list_;
    if (!list) return;
    list->AddItem(GetNewUserText(), "");
    const Ref<IUserProfileCollection> profiles = Profiles();
    if (!profiles) return;
    if (const Ref<IUserProfile> current = profiles->GetCurrent())
        selectedName_ = current->GetName();
    for (int32_t k = 0; k < profiles->GetCount(); ++k) {
        const Ref<IUserProfile> profile = profiles->GetItem(Variant(k));
        if (!profile) continue;
        const std::string name = profile->GetName();
        list->AddItem(name, "");
        if (name == selectedName_) list->SetItemIndex(k + 1);
    }
}

void TGameScreenUserProfiles::Hide() {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::Hide();
    if (const Ref<IListBoxControl> list = list_) list->Clear();
}

void TGameScreenUserProfiles::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                          const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::HandleEvent(sender, code, params);
    if (!sender) return;
    const std::string name = sender->GetName();
    const Ref<IListBoxControl> list = list_;
    if (name == "listbox_profiles" && list) {
        if (code == 5) {
            const int32_t index = list->GetItemIndex();
            if (index == 0) {
                const Ref<IUserProfileCollection> profiles = Profiles();
                const int32_t count = profiles ? profiles->GetCount() : 0;
                ShowGameScreen(count < kMaxProfiles ? "GS_NewUser" : "GS_TooManyProfiles", nullptr);
            } else {
                selectedName_ = list->GetItem(Variant(index));
            }
        } else if (code == 6) {
            Close(true);
        }
        return;
    }
    if (code != 1) return;
    if (name == "button_ok") {
        Close(true);
    } else if (name == "button_cancel") {
        Close(false);
    } else if (name == "button_delete" && list && list->GetItemIndex() > 0) {
        ShowGameScreen(
            "GS_QueryDeleteProfile",
            OneParam("user_name", Variant(list->GetItem(Variant(list->GetItemIndex())))));
    }
}

void TGameScreenUserProfiles::ChildScreenClosed(const std::string& screenName,
                                                const Ref<IParamCollection>& results) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::ChildScreenClosed(screenName, results);
    if (!results) return;
    if (screenName == "GS_NewUser") {
        try {
            const Ref<IParam> name = results->GetParam(Variant("user_name"));
            const Ref<IUserProfileCollection> profiles = Profiles();
            if (!name || !profiles) return;
            const std::string wanted = name->GetValue().ToString();
            const bool existed = profiles->GetItem(Variant(wanted)) != nullptr;
            if (const Ref<IUserProfile> profile = profiles->FindOrAdd(wanted)) {
                const Ref<IUserProfile> previous = profiles->GetCurrent();
                profiles->SetCurrent(profile->GetName());
                if (!existed && !profiles->Save(GetEngine())) {
                    // Not on the disk, so not made: the game tells the player
                    // why, and the list stays as it was.
                    profiles->Delete(Variant(profile->GetName()));
                    profiles->SetCurrent(previous ? previous->GetName() : std::string());
                    return;
                }
                selectedName_ = profile->GetName();
                Close(true);
            }
        } catch (const std::exception&) {
            // The list stays as it was.
        }
    } else if (screenName == "GS_QueryDeleteProfile") {
        const Variant button = results->GetValue("Button", Variant());
        if (!button.IsUnassigned() && button.ToString() == "button_yes") DeleteSelectedProfile();
    }
}

void TGameScreenUserProfiles::DeleteSelectedProfile() {
    const Ref<IListBoxControl> list = list_;
    const Ref<IUserProfileCollection> profiles = Profiles();
    if (!list || !profiles) return;
    const int32_t index = list->GetItemIndex();
    // The query is only asked about a profile's row; anything else (the
    // create-new-user row, a row past the profiles) deletes nothing.
    if (index < 1 || index > profiles->GetCount()) return;
    profiles->Delete(Variant(index - 1));
    list->DeleteItem(Variant(index));
    const int32_t selected = list->GetItemIndex();
    if (selected <= 0) {
        profiles->SetCurrent("");
        ShowGameScreen("GS_NewUser", OneParam("Necessary", Variant(true)));
    } else {
        selectedName_ = list->GetItem(Variant(selected));
        if (!profiles->GetCurrent()) profiles->SetCurrent(selectedName_);
    }
    SaveProfiles();
}

void TGameScreenUserProfiles::Close(bool accepted) {
    const Ref<IGameScreenSlave> self(this);
    if (accepted && list_) {
        if (const Ref<IUserProfileCollection> profiles = Profiles()) {
            profiles->SetCurrent(selectedName_);
            SaveProfiles();
        }
    }
    CloseGameScreen(nullptr);
}

void RegisterProfileScreenClasses() {
    RegisterObjectClass(ClassOf<TGameScreenNewUser>(), "GameScreenNewUser");
    RegisterObjectClass(ClassOf<TGameScreenUserProfiles>(), "GameScreenUserProfiles");
}
