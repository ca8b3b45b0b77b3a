// What the tests on the built data share: the way to the main menu.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "tests/support/GameHarness.h"

// Runs the started game to its main menu with the player `name` (letters
// only): on a first start the menu asks for a player at once, and the name is
// typed into the new-player screen as a player types it.
inline ::testing::AssertionResult ReachMainMenuWithPlayer(TGameHarness& game, const std::string& name) {
    const auto onTop = [&](const char* screen) {
        const Ref<IGameScreenSlave> top = game.Top();
        return top && top->GetName() == screen;
    };
    for (int i = 0; i < 1000 && !onTop("GS_NewUser"); ++i) game.Step(1, 20);
    if (game.StackNames() != "GS_Main GS_NewUser") {
        return ::testing::AssertionFailure() << "no new-player screen over the menu: " << game.StackNames();
    }
    for (const char c : name) {
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower < 'a' || lower > 'z') return ::testing::AssertionFailure() << "not a letter: " << c;
        game.PressKey(static_cast<SDL_Scancode>(SDL_SCANCODE_A + (lower - 'a')), SDLK_a + (lower - 'a'),
                      std::string(1, c).c_str());
    }
    game.ClickAt("button_ok");
    game.Step(2, 20);
    if (game.StackNames() != "GS_Main") {
        return ::testing::AssertionFailure() << "the menu is not alone: " << game.StackNames();
    }
    return ::testing::AssertionSuccess();
}
