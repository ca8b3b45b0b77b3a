// What the nonogram widgets reach of the game through their screen: the
// game object (options, profiles, cursors, the screen stack). A widget's
// owner chain ends at its screen, the tree's event handler.
#pragma once

#include <string>

#include "game/GameShellInterfaces.h"

// The game of the screen that holds the owner's tree; null outside a game
// screen or before the screen joined a game.
Ref<IGameScreenOwner> GameOwnerOf(IWidgetOwner* owner);
// The current profile's named values; null without a current profile.
Ref<IParamCollection> CurrentProfileParams(IWidgetOwner* owner);
// Makes the game's cursor of that name current; nothing without cursors.
void SetGameCursor(IWidgetOwner* owner, const std::string& name);
