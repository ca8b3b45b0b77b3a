#include "platform/HeadlessPlatform.h"

#include <cstring>

#include "platform/UrlOpener.h"
#include "platform/Utf8Text.h"

namespace {

// The desktop the headless window is centred on.
constexpr int32_t kDesktopWidth = 1024;
constexpr int32_t kDesktopHeight = 768;

}  // namespace

void THeadlessPlatform::Run(uint32_t periodMs) {
    for (uint64_t tick = 0; tick < runTickLimit_ && !QuitRequested(); ++tick) {
        if (beforeTick_) beforeTick_(tick);
        if (QuitRequested()) break;
        Tick();
        ++ticksRun_;
        clock_ += periodMs;
    }
}

bool THeadlessPlatform::CreateDisplay(const TDisplayMode& mode) {
    DestroyDisplay();
    lastError_.clear();
    displaysCreated_.push_back(mode);
    if (failWindow_ || mode.width <= 0 || mode.height <= 0) {
        lastError_ = "The window could not be created.";
        return false;
    }
    hasDisplay_ = true;
    ++windowId_;
    mode_ = mode;
    if (!mode.fullScreen) {
        if (!positionKnown_) {
            windowPos_ = {(kDesktopWidth - mode.width) / 2, (kDesktopHeight - mode.height) / 2};
            positionKnown_ = true;
        }
    }
    windowTitle_ = title_.empty() ? std::string(kInitialWindowTitle) : title_;
    if (failContext_) lastError_ = "The OpenGL context could not be created.";
    return true;
}

void THeadlessPlatform::DestroyDisplay() {
    if (!hasDisplay_) return;
    hasDisplay_ = false;
    ++displaysDestroyed_;
    windowTitle_.clear();
}

void THeadlessPlatform::SetTitle(const std::string& utf8) {
    titlesSet_.push_back(utf8);
    title_ = MakeWindowTitle(utf8);
    if (hasDisplay_) windowTitle_ = title_;
}

void THeadlessPlatform::PresentPixels(const uint32_t* pixels, int32_t width, int32_t height) {
    if (!CanPresent() || !pixels || width <= 0 || height <= 0) return;
    ++framesPresented_;
    TFrame frame;
    frame.width = width;
    frame.height = height;
    frame.pixels.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height));
    frame.clock = clock_;
    if (presentHook_) presentHook_(frame);
    if (frameHistory_ == 0) return;
    while (frames_.size() >= frameHistory_) frames_.pop_front();
    frames_.push_back(std::move(frame));
}

void THeadlessPlatform::SwapBuffers() {
    if (CanPresent()) ++swaps_;
}

void THeadlessPlatform::SetSystemCursorVisible(bool visible) {
    cursorCalls_.push_back(visible);
    cursorVisible_ = visible;
}

bool THeadlessPlatform::OpenURL(const std::string& url) {
    openedUrls_.push_back(url);
    return IsAcceptableUrl(url) && openUrlResult_;
}

void THeadlessPlatform::InjectMouseMove(int32_t x, int32_t y) {
    SDL_Event e{};
    e.motion.type = SDL_MOUSEMOTION;
    e.motion.windowID = CurrentWindowIdForTest();
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = injectedButtons_;
    Inject(e);
}

void THeadlessPlatform::InjectMouseButton(uint8_t sdlButton, bool down, int32_t x, int32_t y,
                                          uint8_t clicks) {
    SDL_Event e{};
    e.button.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = CurrentWindowIdForTest();
    e.button.button = sdlButton;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = clicks;
    e.button.x = x;
    e.button.y = y;
    if (sdlButton >= 1 && sdlButton <= 32) {
        if (down)
            injectedButtons_ |= SDL_BUTTON(sdlButton);
        else
            injectedButtons_ &= ~SDL_BUTTON(sdlButton);
    }
    Inject(e);
}

void THeadlessPlatform::InjectKey(SDL_Scancode scancode, SDL_Keycode key, bool down,
                                  uint16_t sdlMod, const char* text, bool repeat) {
    SDL_Event e{};
    e.key.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = CurrentWindowIdForTest();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = key;
    e.key.keysym.mod = sdlMod;
    Inject(e);
    if (down && text) InjectText(text);
}

void THeadlessPlatform::InjectText(const char* utf8) {
    SDL_Event e{};
    e.text.type = SDL_TEXTINPUT;
    e.text.windowID = CurrentWindowIdForTest();
    // Like SDL: at most 31 bytes and a terminating NUL.
    const size_t n = strnlen(utf8, sizeof(e.text.text) - 1);
    std::memcpy(e.text.text, utf8, n);
    Inject(e);
}

void THeadlessPlatform::InjectWindowEvent(SDL_WindowEventID id) {
    SDL_Event e{};
    e.window.type = SDL_WINDOWEVENT;
    e.window.windowID = CurrentWindowIdForTest();
    e.window.event = static_cast<uint8_t>(id);
    Inject(e);
}

void THeadlessPlatform::InjectQuit() {
    SDL_Event e{};
    e.quit.type = SDL_QUIT;
    Inject(e);
}

bool THeadlessPlatform::PeekEvent(SDL_Event& event) {
    if (queue_.empty()) return false;
    event = queue_.front();
    return true;
}

bool THeadlessPlatform::PopEvent(SDL_Event& event) {
    if (queue_.empty()) return false;
    event = queue_.front();
    queue_.pop_front();
    return true;
}

void THeadlessPlatform::ObserveEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_MOUSEMOTION:
            pointer_ = {event.motion.x, event.motion.y};
            mouseButtons_ = event.motion.state;
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            pointer_ = {event.button.x, event.button.y};
            if (event.button.button >= 1 && event.button.button <= 32) {
                const uint32_t bit = SDL_BUTTON(event.button.button);
                if (event.type == SDL_MOUSEBUTTONDOWN)
                    mouseButtons_ |= bit;
                else
                    mouseButtons_ &= ~bit;
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            keyModifiers_ = event.key.keysym.mod;
            break;
        default:
            break;
    }
}

TPlatformPoint THeadlessPlatform::ContentSize() {
    if (!hasDisplay_) return {0, 0};
    return {mode_.width, mode_.height};
}
