// The engine part of the screen harnesses: the real engine on the headless
// platform (an audio device without output, the test clock) in a fresh
// application data folder, started on a game definition given as text, with
// frames, pixels and input in window pixels. TWidgetHarness
// (WidgetHarness.h) starts it on its stand-in screen, TGameHarness
// (GameHarness.h) on a real game object.
//
// Failures: a definition the engine does not start on fails the test
// (ADD_FAILURE) and leaves no engine running; frames and input then do
// nothing. Everything the harness changes (the current folder, the resources
// folder, the platform and audio factories, the log sink) is put back when
// it goes; the log lines of its lifetime are in Log().
#pragma once

#include <SDL2/SDL.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/Engine.h"
#include "engine/EngineStartup.h"
#include "platform/HeadlessPlatform.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

class TEngineHarness {
public:
    // Nothing runs yet: files for the game to read may be written into
    // Folder() before Start.
    TEngineHarness(const std::string& folderTag, int32_t width, int32_t height);
    virtual ~TEngineHarness();
    TEngineHarness(const TEngineHarness&) = delete;
    TEngineHarness& operator=(const TEngineHarness&) = delete;

    // Writes the definition (plain XML; its "type" names the game class) as
    // "game.xml" in Folder(), starts the engine on it and gives it a window
    // of the harness's size. False, and a failed test, when the engine does
    // not start.
    bool Start(std::string_view definition);
    bool Started() const { return engine_ != nullptr; }

    // --- Frames
    // frames frames, each ms milliseconds of the test clock after the last;
    // events waiting are delivered first.
    void Step(int frames = 1, int32_t ms = 10);
    // Delivers every event waiting, one tick each, and runs no frame.
    void Deliver();

    // --- Pixels
    // The back surface as the last frame left it (it is never cleared).
    uint32_t Pixel(int32_t x, int32_t y) const;
    ISurface& Back() const;

    // --- Input, in window pixels; each is delivered at once.
    void MouseMove(int32_t x, int32_t y);
    // sdlButton: SDL_BUTTON_LEFT, SDL_BUTTON_MIDDLE or SDL_BUTTON_RIGHT.
    void MouseDown(int32_t x, int32_t y, uint8_t sdlButton = SDL_BUTTON_LEFT);
    void MouseUp(int32_t x, int32_t y, uint8_t sdlButton = SDL_BUTTON_LEFT);
    void Click(int32_t x, int32_t y, uint8_t sdlButton = SDL_BUTTON_LEFT);
    // A key pressed and released, with the text it types (may be null).
    void PressKey(SDL_Scancode scancode, SDL_Keycode key, const char* text = nullptr);
    // One key going down (or repeating) and going up, with SDL modifiers.
    void KeyDown(SDL_Scancode scancode, SDL_Keycode key, uint16_t sdlMod = 0, bool repeat = false);
    void KeyUp(SDL_Scancode scancode, SDL_Keycode key, uint16_t sdlMod = 0);

    // --- The rest
    const TLogCapture& Log() const { return log_; }
    // The application data folder the engine runs in (resource files go
    // here).
    const TTempDir& Folder() const { return folder_; }
    TEngine& Engine() const { return *engine_; }
    THeadlessPlatform& Platform() const { return *platform_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }

protected:
    // Ends the engine (the game's Done runs) before the harness goes.
    void Stop();

private:
    int32_t width_;
    int32_t height_;
    TLogCapture log_;
    TTempDir folder_;
    std::filesystem::path previousFolder_;
    TPlatformFactory previousPlatformFactory_;
    TAudioBackendFactory previousAudioFactory_;
    THeadlessPlatform* platform_ = nullptr;
    Ref<TEngine> engine_;
};
