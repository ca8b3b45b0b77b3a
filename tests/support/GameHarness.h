// The screen harness of the game shell and of every test of screens: the
// real engine (EngineHarness.h) running the real game object ("Game") made
// from a game definition given as text, with a player data folder and a
// global options store of its own.
//
//     TGameHarness game;
//     game.Folder().Write("res.xml", "...");      // files the game reads
//     game.Start(R"(<game name="g" type="Game" maings="GS_Main">...</game>)");
//     game.Step(2);                               // start-up, main screen
//     EXPECT_EQ(game.StackNames(), "GS_Main");
//     game.ClickAt("button_ok");                  // on the top screen
//
// Input goes through the engine to the game, which routes it to its top
// screen (capture, hit tests, focus), so the harness adds no routing of its
// own.
//
// Failures: a definition that makes no game object fails the test; the
// lookups then answer null. Everything is put back when the harness goes:
// the game ends first (its Done writes the profiles into the harness's own
// player data folder).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "game/Game.h"
#include "tests/support/EngineHarness.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/TempDir.h"

class TGameHarness : public TEngineHarness {
public:
    explicit TGameHarness(int32_t width = 640, int32_t height = 480);
    ~TGameHarness() override;

    // The engine's game; null before Start, or when it is no TGame.
    TGame* Game() const;
    // A screen of the game by name; null when absent.
    Ref<IGameScreenSlave> Screen(std::string_view name) const;
    // The top of the stack; null when it is empty.
    Ref<IGameScreenSlave> Top() const;
    // The names on the stack, bottom first, separated by " ".
    std::string StackNames() const;

    // The widget at a path in the top screen's window; null when none.
    Ref<IWidget> Find(std::string_view path) const;
    // The centre of that widget's screen bounds; the test fails without one.
    TPoint CenterOf(std::string_view path) const;
    void ClickAt(std::string_view path, uint8_t sdlButton = SDL_BUTTON_LEFT);

    // Ends the game now (its Done runs), to look at what it left behind.
    void Finish() { Stop(); }
    // The player data folder the game reads and writes, ending in "/".
    std::string UserDir() const;
    // The folder under which it lies (XDG_DATA_HOME meanwhile).
    const TTempDir& UserDataHome() const { return userDataHome_; }

private:
    TTempDir userDataHome_{"player"};
    TEnvGuard xdg_;
};
