// The real platform: an SDL2 window (or the full screen) with an OpenGL
// context whose entry points are looked up at run time, presenting the
// back surface with one glDrawPixels per frame. While it lives, SIGTERM,
// SIGHUP and SIGINT arrive as quit events (TPlatformEventKind::QuitRequest).
#pragma once

#include <SDL2/SDL_video.h>
#include <signal.h>

#include <memory>
#include <string>

#include "platform/TickingPlatform.h"

class TSdlPlatform final : public TTickingPlatform {
public:
    // Starts SDL's video and events; raises EPlatformError saying why when it
    // cannot (no display to connect to).
    TSdlPlatform();
    ~TSdlPlatform() override;
    TSdlPlatform(const TSdlPlatform&) = delete;
    TSdlPlatform& operator=(const TSdlPlatform&) = delete;

    // The program OpenURL starts ("xdg-open" unless set).
    void SetUrlOpener(std::string program) { urlOpener_ = std::move(program); }

    // IPlatform.
    void Run(uint32_t periodMs) override;
    uint32_t TickCountMs() override;
    bool CreateDisplay(const TDisplayMode& mode) override;
    void DestroyDisplay() override;
    bool HasDisplay() const override { return window_ != nullptr; }
    bool CanPresent() const override;
    const std::string& LastError() const override { return lastError_; }
    void SetTitle(const std::string& utf8) override;
    void PresentPixels(const uint32_t* pixels, int32_t width, int32_t height) override;
    void SwapBuffers() override;
    void SetSystemCursorVisible(bool visible) override;
    TPlatformPoint GetMousePos() override;
    bool OpenURL(const std::string& url) override;

    // The window, for tests that look at it (null without one).
    SDL_Window* Window() const { return window_; }
    // The picture's size: what was last presented, or the display's mode.
    TPlatformPoint ContentSize() override;
    // A window pixel as the picture's pixel shown there: a window of another
    // size shows the picture scaled to fit and centred.
    TPlatformPoint PictureFromWindow(TPlatformPoint point) override;

protected:
    void PumpEvents() override;
    bool PeekEvent(SDL_Event& event) override;
    bool PopEvent(SDL_Event& event) override;

    uint32_t CurrentKeyModifiers() override;
    uint32_t CurrentMouseButtons() override;
    TPlatformPoint CurrentPointer() override { return WindowPointer(); }
    uint32_t CurrentWindowId() override { return windowId_; }

private:
    struct TGl;  // the OpenGL entry points
    // The pointer in window pixels, possibly outside the window.
    TPlatformPoint WindowPointer();

    void ApplyCursor();
    void RestoreSignalActions();

    // What SIGTERM, SIGHUP and SIGINT did before the platform took them.
    struct sigaction previousSignalActions_[3] = {};
    std::unique_ptr<TGl> gl_;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    bool glReady_ = false;  // the entry points were found and the state set
    uint32_t windowId_ = 0;
    bool fullScreen_ = false;
    int windowX_ = 0;
    int windowY_ = 0;
    bool positionKnown_ = false;
    int viewportWidth_ = -1;
    int viewportHeight_ = -1;
    // The picture's size (the back surface's), which a full screen of
    // another size shows scaled to fit and centred.
    int32_t pictureWidth_ = 0;
    int32_t pictureHeight_ = 0;
    double presentedScale_ = 0;
    std::string title_;  // the title for windows made later; empty until set
    bool cursorVisible_ = true;
    std::string lastError_;
    std::string urlOpener_ = "xdg-open";
};
