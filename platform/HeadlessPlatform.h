// The platform without a window, for tests: the test injects SDL events (the
// same translation as the real backend turns them into engine events),
// advances the clock, and reads back every frame presented and every window,
// title, cursor and URL call made.
#pragma once

#include <SDL2/SDL_events.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/TickingPlatform.h"

class THeadlessPlatform final : public TTickingPlatform {
public:
    struct TFrame {
        int32_t width = 0;
        int32_t height = 0;
        std::vector<uint32_t> pixels;  // rows top-down, as presented
        uint32_t clock = 0;            // the test clock when it was presented
        // Raises std::out_of_range outside the frame.
        uint32_t Pixel(int32_t x, int32_t y) const {
            if (x < 0 || y < 0 || x >= width || y >= height) throw std::out_of_range("pixel");
            return pixels.at(static_cast<size_t>(y) * static_cast<size_t>(width) +
                             static_cast<size_t>(x));
        }
    };

    THeadlessPlatform() = default;

    // IPlatform.
    // Runs ticks until QuitLoop or the tick limit, advancing the clock by the
    // period after each and calling the before-tick hook before each.
    void Run(uint32_t periodMs) override;
    uint32_t TickCountMs() override { return clock_; }
    bool CreateDisplay(const TDisplayMode& mode) override;
    void DestroyDisplay() override;
    bool HasDisplay() const override { return hasDisplay_; }
    bool CanPresent() const override { return hasDisplay_ && !failContext_; }
    const std::string& LastError() const override { return lastError_; }
    void SetTitle(const std::string& utf8) override;
    void PresentPixels(const uint32_t* pixels, int32_t width, int32_t height) override;
    void SwapBuffers() override;
    void SetSystemCursorVisible(bool visible) override;
    TPlatformPoint GetMousePos() override { return pointer_; }
    bool OpenURL(const std::string& url) override;

    // The clock.
    void SetClock(uint32_t ms) { clock_ = ms; }
    void AdvanceClock(uint32_t ms) { clock_ += ms; }

    // Run's bounds: at most this many ticks per Run (1000 unless set), and a
    // hook called with the tick's number (from 0) before each of them.
    void SetRunTickLimit(uint64_t ticks) { runTickLimit_ = ticks; }
    void SetBeforeTick(std::function<void(uint64_t tick)> hook) { beforeTick_ = std::move(hook); }
    uint64_t TicksRun() const { return ticksRun_; }

    // Input. Events are queued in order and taken by the ticks. The helpers
    // address the current window and keep the pointer, buttons and
    // modifiers up to date; Inject queues any event as it is.
    void Inject(const SDL_Event& event) { queue_.push_back(event); }
    void InjectMouseMove(int32_t x, int32_t y);
    // sdlButton: SDL_BUTTON_LEFT, _MIDDLE or _RIGHT.
    void InjectMouseButton(uint8_t sdlButton, bool down, int32_t x, int32_t y, uint8_t clicks = 1);
    // A key going down or up, with the SDL modifiers held; a key going down
    // may bring the text it types, queued right after it as SDL does.
    void InjectKey(SDL_Scancode scancode, SDL_Keycode key, bool down, uint16_t sdlMod = 0,
                   const char* text = nullptr, bool repeat = false);
    void InjectText(const char* utf8);
    void InjectWindowEvent(SDL_WindowEventID id);
    void InjectQuit();
    size_t PendingEvents() const { return queue_.size(); }
    uint32_t CurrentWindowIdForTest() const { return hasDisplay_ ? windowId_ : 0; }

    // Input state the events do not carry (set directly, or followed from
    // the injected events).
    void SetKeyModifiers(uint16_t sdlMod) { keyModifiers_ = sdlMod; }
    void SetMouseButtons(uint32_t sdlButtonMask) {
        mouseButtons_ = injectedButtons_ = sdlButtonMask;
    }
    void SetMousePos(TPlatformPoint p) { pointer_ = p; }

    // Display failures to simulate: no window at all, or a window whose
    // context could not be made (nothing is presented).
    void SetDisplayFailure(bool failWindow, bool failContext) {
        failWindow_ = failWindow;
        failContext_ = failContext;
    }
    void SetOpenUrlResult(bool result) { openUrlResult_ = result; }

    // Records.
    const std::vector<TDisplayMode>& DisplaysCreated() const { return displaysCreated_; }
    int DisplaysDestroyed() const { return displaysDestroyed_; }
    const TDisplayMode& CurrentMode() const { return mode_; }
    // Where the window is on a 1024 by 768 desktop: centred the first time,
    // put back where it was afterwards; MoveWindow plays the user dragging it.
    TPlatformPoint WindowPosition() const { return windowPos_; }
    void MoveWindow(TPlatformPoint p) { windowPos_ = p; }
    const std::vector<std::string>& TitlesSet() const { return titlesSet_; }
    const std::string& WindowTitle() const { return windowTitle_; }
    const std::vector<bool>& CursorCalls() const { return cursorCalls_; }
    // The system pointer as the user would see it (hidden in full screen).
    bool SystemCursorShown() const { return cursorVisible_ && !(hasDisplay_ && mode_.fullScreen); }
    const std::vector<std::string>& OpenedUrls() const { return openedUrls_; }

    uint64_t FramesPresented() const { return framesPresented_; }
    uint64_t Swaps() const { return swaps_; }
    // The latest frames, oldest first (16 unless set); every frame also
    // passes the present hook.
    const std::deque<TFrame>& Frames() const { return frames_; }
    void SetFrameHistory(size_t frames) { frameHistory_ = frames; }
    void SetPresentHook(std::function<void(const TFrame&)> hook) { presentHook_ = std::move(hook); }

protected:
    void PumpEvents() override {}
    bool PeekEvent(SDL_Event& event) override;
    bool PopEvent(SDL_Event& event) override;
    void ObserveEvent(const SDL_Event& event) override;

    uint32_t CurrentKeyModifiers() override { return keyModifiers_; }
    uint32_t CurrentMouseButtons() override { return mouseButtons_; }
    TPlatformPoint CurrentPointer() override { return pointer_; }
    TPlatformPoint ContentSize() override;
    uint32_t CurrentWindowId() override { return CurrentWindowIdForTest(); }

private:
    std::deque<SDL_Event> queue_;
    uint32_t clock_ = 0;
    uint64_t runTickLimit_ = 1000;
    uint64_t ticksRun_ = 0;
    std::function<void(uint64_t)> beforeTick_;

    uint32_t keyModifiers_ = 0;
    uint32_t mouseButtons_ = 0;
    uint32_t injectedButtons_ = 0;  // the buttons the injected events hold, for moves
    TPlatformPoint pointer_;

    bool hasDisplay_ = false;
    bool failWindow_ = false;
    bool failContext_ = false;
    uint32_t windowId_ = 0;
    TDisplayMode mode_;
    TPlatformPoint windowPos_;
    bool positionKnown_ = false;
    std::string lastError_;
    std::vector<TDisplayMode> displaysCreated_;
    int displaysDestroyed_ = 0;
    std::vector<std::string> titlesSet_;
    std::string windowTitle_;
    std::string title_;  // the title for windows made later; empty until set
    bool cursorVisible_ = true;
    std::vector<bool> cursorCalls_;
    bool openUrlResult_ = true;
    std::vector<std::string> openedUrls_;

    uint64_t framesPresented_ = 0;
    uint64_t swaps_ = 0;
    std::deque<TFrame> frames_;
    size_t frameHistory_ = 16;
    std::function<void(const TFrame&)> presentHook_;
};
