#include "game/ProfileScreens.h"

// ---------------------------------------------------------------------------
// New user

void TGameScreenNewUser::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    entry_.Begin(*this, params);
}

bool TGameScreenNewUser::KeyEvent(int32_t kind, int32_t key, int32_t modifiers) {
    const Ref<IGameScreenSlave> self(this);
    bool handled = TGameScreen::KeyEvent(kind, key, modifiers);
    const int32_t answer = entry_.KeyAnswer(kind, key, handled);
    if (answer >= 0) Finish(answer == 1);
    return handled;
}

void TGameScreenNewUser::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                     const Ref<IParamCollection>& params) {
    TGameScreen::HandleEvent(sender, code, params);
    if (entry_.FollowEdit(sender, code) || code != 1 || !sender) return;
    const std::string name = sender->GetName();
    // Cancel answers whatever the parameters said: a screen that must not
    // be cancelled disables its button instead.
    if (name == "button_ok") {
        Finish(true);
    } else if (name == "button_cancel") {
        Finish(false);
    }
}

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
    const std::string name = entry_.TrimmedName();
    if (!IsNameFree(name)) {
        ShowGameScreen("GS_QueryNotUniqueName", nullptr);
        return;
    }
    CloseGameScreen(OneParam("user_name", Variant(name)));
}

void RegisterProfileScreenClasses() {
    RegisterObjectClass(ClassOf<TGameScreenNewUser>(), "GameScreenNewUser");
}
