#include "nonogram/GameServices.h"

#include "game/GameScreen.h"

Ref<IGameScreenOwner> GameOwnerOf(IWidgetOwner* owner) {
    const Ref<IEventHandler> handler = owner ? owner->GetEventHandler() : nullptr;
    const Ref<TGameScreen> screen = Query<TGameScreen>(handler);
    return screen ? screen->GetGameScreenOwner() : nullptr;
}

Ref<IParamCollection> CurrentProfileParams(IWidgetOwner* owner) {
    const Ref<IGameScreenOwner> game = GameOwnerOf(owner);
    const Ref<IUserProfileCollection> profiles = game ? game->GetUserProfiles() : nullptr;
    const Ref<IUserProfile> profile = profiles ? profiles->GetCurrent() : nullptr;
    return profile ? profile->GetParams() : nullptr;
}

void SetGameCursor(IWidgetOwner* owner, const std::string& name) {
    const Ref<IGameScreenOwner> game = GameOwnerOf(owner);
    if (const Ref<ICursorCollection> cursors = game ? game->GetCursors() : nullptr) {
        cursors->SetCurrentCursor(name);
    }
}
