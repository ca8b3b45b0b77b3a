// TEngine: the application object. The program holds it through IApp (Init,
// Run, Done); the game and its screens reach it through IEngine, resources
// through IResourceOwner. It owns the settings, the resources, the back
// surface the game draws into, the game object, the audio part and the
// platform (window, events, the frame timer).
//
// Lifecycle: created (platform and audio part made, nothing shown) → Init
// (settings defaults, caption, sound, then the game named by the game
// definition) → Run (window, then the 10 ms tick until quit) → Done (game
// ended, resources and sound released, window gone).
//
// Failures: Init answers false, with a line in the log, when the game
// definition cannot be read or parsed, names no registered class, or names
// one that is no game; Done has then run. Sound that cannot start leaves the
// game silent. A window that cannot be made leaves the loop running with
// nothing shown. Done runs once, whatever happened before.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/object/GeneralClasses.h"
#include "core/persist/Params.h"
#include "engine/interfaces/EngineInterfaces.h"
#include "platform/Platform.h"

class TEngineAudio;

class TEngine final : public TAbstractObject,
                      public virtual IApp,
                      public virtual IEngine,
                      public virtual IResourceOwner,
                      public IPlatformClient {
public:
    // The timer period set by the settings defaults.
    static constexpr uint32_t kDefaultTimerPeriodMs = 10;

    TEngine();
    ~TEngine() override;

    // Makes the platform, the audio part, the settings, the resources and
    // the empty back surface. Raises EPlatformError when the platform cannot
    // start.
    void Create() override;

    // IApp
    bool Init(const std::string& gameDefinitionPath) override;
    void Run() override;
    void Done() override;

    // IEngine
    std::string GetAppDir() override;
    std::string GetUserDir() override;
    bool SaveUserTextFile(const std::string& text, const std::string& fileName) override;
    bool SaveResourceTextFile(const std::string& text, const std::string& fileName) override;
    void SetOption(const std::string& name, const Variant& value) override;
    std::string GetOption(const std::string& name) override;
    bool ApplySettings() override;
    std::string ReadTextFile(const std::string& fileName, const std::string& key) override;
    void LoadResources(const Ref<IHierStorage>& node, const std::string& groupName,
                       uint8_t loadMode) override;
    void LoadResourceFile(const std::string& fileName, const std::string& groupName,
                          uint8_t loadMode) override;
    void RemoveResources(const std::string& groupName) override;
    Ref<IResource> GetResource(const std::string& name) override;
    void RemoveResource(const std::string& name) override;
    TPoint GetMousePos() override;
    void HideCursor() override { SetCursorVisible(false); }
    void ShowCursor() override { SetCursorVisible(true); }
    TChannelHandle PlayMusic(const Ref<IMusic>& music) override;
    void StopMusic(const Ref<IMusic>& music) override;
    TChannelHandle PlaySound(const Ref<ISound>& sound) override;
    void StopSound(const Ref<ISound>& sound) override;
    void StopAllSounds() override;
    void SetMusicVolume(const Variant& value) override;
    void Quit() override;
    void OpenURL(const std::string& url) override;
    Ref<ISurface> CreateSurface() override;
    Ref<IGame> GetGame() override { return game_; }
    void InvalidateRect(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
    void ClearUpdateRects() override;
    void UpdateGame(int32_t elapsedMs) override;

    // IResourceOwner
    std::unique_ptr<TStream> OpenStream(const std::string& fileName) override;
    TPixelFormat GetPixelFormat() override { return pixelFormat_; }
    uint32_t ColorToPixel(uint32_t color) override;
    TMusicHandle LoadMusic(const std::string& fileName) override;
    void FreeMusic(TMusicHandle music) override;
    TSampleHandle LoadSample(const std::string& fileName, uint16_t maxPlaybacks,
                             bool loop) override;
    TChannelHandle LoadLoopedSampleChannel(const std::string& fileName,
                                           TSampleHandle& sample) override;
    void FreeSample(TSampleHandle sample) override;

    // IPlatformClient: the platform's translated events and its frames.
    void OnPlatformEvent(const TPlatformEvent& event) override;
    void OnPlatformFrame() override { Frame(); }

    // One timer tick: one pending event, or else one frame. Re-entrant from
    // inside a frame (LoadResources in its ticking mode).
    void Tick();
    // One frame: the time step, the muting sounds, the game's update, its
    // render when something was invalidated, and the present.
    void Frame();

    // The application became active or inactive: audio resumes or pauses,
    // the game is told; activation also restarts the frame clock.
    void SetActive(bool active);
    void SetActiveFlag(bool running);
    void ResetFrameClock();
    // Shows or hides the system pointer when that changes its state.
    void SetCursorVisible(bool visible);

    // The screen settings: the window or full screen, the back surface's
    // size. True unless the display could not be switched.
    bool ApplyScreenSettings();
    // "ApplicationCaption" to the window title, as UTF-8.
    bool ApplyCaption();
    void DestroyDisplay();
    void PresentSurface();
    void SwapBuffers();

    bool InitSound();
    void ShutdownSound();
    void SetSoundVolume(const Variant& value);
    void UpdateMuteSounds();

    // State, for the program and for tests.
    IPlatform& Platform() { return *platform_; }
    const Ref<ISurface>& BackSurface() const { return backSurface_; }
    const Ref<IParamCollection>& Settings() const { return settings_; }
    const Ref<IResourceCollection>& Resources() const { return resources_; }
    TEngineAudio* Audio() const { return audio_.get(); }
    int32_t ScreenWidth() const { return screenWidth_; }
    int32_t ScreenHeight() const { return screenHeight_; }
    int32_t ScreenDepth() const { return screenDepth_; }
    bool IsFullScreen() const { return fullScreen_; }
    bool IsWideScreen() const { return wideScreen_; }
    const std::string& Caption() const { return caption_; }
    bool IsRunning() const { return running_; }
    bool IsActive() const { return active_; }
    bool IsWindowReady() const { return windowReady_; }
    bool IsSoundAvailable() const { return soundAvailable_; }
    bool IsRedrawNeeded() const { return redrawNeeded_; }
    bool IsCursorVisible() const { return cursorVisible_; }
    bool IsGameInitialized() const { return gameInitialized_; }
    uint32_t TimerPeriodMs() const { return timerPeriodMs_; }

private:
    void SetDefaultSettings();
    bool CreateGame(const std::string& path);
    // Reads a text file as ReadTextFile does; false when it cannot be opened
    // or read.
    bool ReadText(const std::string& fileName, const std::string& key, std::string& text);
    std::string SettingText(const std::string& name);
    bool SwitchToFullScreen();
    bool SwitchToWindow();
    // Where a quit or a close goes: the game may refuse it.
    void QueryQuitAndEndLoop();

    std::unique_ptr<IPlatform> platform_;
    std::unique_ptr<TEngineAudio> audio_;

    int32_t screenWidth_ = 0;
    int32_t screenHeight_ = 0;
    int32_t screenDepth_ = 0;
    bool wideScreen_ = false;
    bool fullScreen_ = false;
    std::string caption_;
    Ref<IGame> game_;
    Ref<ISurface> backSurface_;
    TPixelFormat pixelFormat_;  // never filled: every field stays 0
    Ref<IResourceCollection> resources_;
    Ref<IParamCollection> settings_;
    bool running_ = false;
    bool windowReady_ = false;
    bool soundAvailable_ = false;
    bool redrawNeeded_ = false;
    uint32_t timerPeriodMs_ = kDefaultTimerPeriodMs;
    uint32_t lastTickTime_ = 0;
    bool active_ = false;
    bool cursorVisible_ = true;
    // IGame::Init returned: only such a game is ended with IGame::Done.
    bool gameInitialized_ = false;
    bool done_ = false;
};
