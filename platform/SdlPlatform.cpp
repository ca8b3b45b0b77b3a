#include "platform/SdlPlatform.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_opengl.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "platform/PictureFit.h"
#include "platform/UrlOpener.h"
#include "platform/Utf8Text.h"

// The few OpenGL 1.x entry points presenting needs, looked up by name once a
// context exists, so the program does not link the GL library itself.
struct TSdlPlatform::TGl {
    using DisableFn = void(APIENTRY*)(GLenum);
    using PixelZoomFn = void(APIENTRY*)(GLfloat, GLfloat);
    using RasterPos2dFn = void(APIENTRY*)(GLdouble, GLdouble);
    using DrawPixelsFn = void(APIENTRY*)(GLsizei, GLsizei, GLenum, GLenum, const void*);
    using ViewportFn = void(APIENTRY*)(GLint, GLint, GLsizei, GLsizei);
    using ClearColorFn = void(APIENTRY*)(GLfloat, GLfloat, GLfloat, GLfloat);
    using ClearFn = void(APIENTRY*)(GLbitfield);

    DisableFn Disable = nullptr;
    PixelZoomFn PixelZoom = nullptr;
    RasterPos2dFn RasterPos2d = nullptr;
    DrawPixelsFn DrawPixels = nullptr;
    ViewportFn Viewport = nullptr;
    ClearColorFn ClearColor = nullptr;
    ClearFn Clear = nullptr;

    // Answers the name of the first entry point missing, or null when all are there.
    const char* Load() {
        if (!Find(Disable, "glDisable")) return "glDisable";
        if (!Find(PixelZoom, "glPixelZoom")) return "glPixelZoom";
        if (!Find(RasterPos2d, "glRasterPos2d")) return "glRasterPos2d";
        if (!Find(DrawPixels, "glDrawPixels")) return "glDrawPixels";
        if (!Find(Viewport, "glViewport")) return "glViewport";
        if (!Find(ClearColor, "glClearColor")) return "glClearColor";
        if (!Find(Clear, "glClear")) return "glClear";
        return nullptr;
    }

    // Everything that could slow the copy is switched off; rows drawn from
    // the top-left raster position go downwards.
    void SetupState() const {
        Disable(GL_DITHER);
        Disable(GL_ALPHA_TEST);
        Disable(GL_BLEND);
        Disable(GL_STENCIL_TEST);
        Disable(GL_FOG);
        Disable(GL_TEXTURE_2D);
        Disable(GL_DEPTH_TEST);
        PixelZoom(1.0f, -1.0f);
        ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    }

private:
    template <class Fn>
    static bool Find(Fn& fn, const char* name) {
        fn = reinterpret_cast<Fn>(SDL_GL_GetProcAddress(name));
        return fn != nullptr;
    }
};

namespace {

// The signals that ask the program to end: the session ending (SIGHUP at
// logout, SIGTERM at shutdown) and Ctrl+C. Each becomes a quit event on the
// next pump, which the engine answers by ending with a save and no query.
constexpr int kQuitSignals[] = {SIGTERM, SIGHUP, SIGINT};
volatile std::sig_atomic_t g_quitSignal = 0;

extern "C" void OnQuitSignal(int signal) {
    g_quitSignal = signal;
}

}  // namespace

TSdlPlatform::TSdlPlatform() : gl_(std::make_unique<TGl>()) {
    // SDL's own handlers cover only SIGINT and SIGTERM; ours cover SIGHUP too.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    for (size_t i = 0; i < std::size(kQuitSignals); ++i) {
        struct sigaction action {};
        action.sa_handler = OnQuitSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(kQuitSignals[i], &action, &previousSignalActions_[i]);
    }
    // The close box must reach the game's close query, not end the program
    // through a quit event of SDL's own.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // A double click is two clicks on one spot. SDL's default radius (32
    // pixels) would make quick clicks on neighbouring cells of a large board
    // double clicks, which the board does not take.
    SDL_SetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_RADIUS, "4");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        RestoreSignalActions();
        throw EPlatformError(std::string("The video could not be started: ") + SDL_GetError());
    }
    // Without a display SDL falls back to drivers that show nothing; a game
    // nobody can see is refused unless such a driver was asked for by name.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
        !(asked && SDL_strcasecmp(asked, driver) == 0)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        RestoreSignalActions();
        throw EPlatformError(
            "There is no display to open a window on: no X11 or Wayland display could be reached.");
    }
    SDL_StartTextInput();
}

TSdlPlatform::~TSdlPlatform() {
    DestroyDisplay();
    SDL_ShowCursor(SDL_ENABLE);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    RestoreSignalActions();
}

void TSdlPlatform::RestoreSignalActions() {
    for (size_t i = 0; i < std::size(kQuitSignals); ++i) {
        ::sigaction(kQuitSignals[i], &previousSignalActions_[i], nullptr);
    }
}

void TSdlPlatform::Run(uint32_t periodMs) {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::milliseconds(periodMs > 0 ? periodMs : 1);
    auto next = Clock::now() + period;
    while (!QuitRequested()) {
        std::this_thread::sleep_until(next);
        Tick();
        // Like a timer: ticks that ran late are not made up in a burst.
        next += period;
        const auto now = Clock::now();
        if (next < now) next = now;
    }
}

uint32_t TSdlPlatform::TickCountMs() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

bool TSdlPlatform::CreateDisplay(const TDisplayMode& mode) {
    DestroyDisplay();
    lastError_.clear();
    if (mode.width <= 0 || mode.height <= 0) {
        lastError_ = "The window cannot be " + std::to_string(mode.width) + " by " +
                     std::to_string(mode.height) + " pixels.";
        return false;
    }
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);

    Uint32 flags = SDL_WINDOW_OPENGL;
    int x = SDL_WINDOWPOS_CENTERED_DISPLAY(0);
    int y = SDL_WINDOWPOS_CENTERED_DISPLAY(0);
    if (mode.fullScreen) {
        // The closest display mode to the size; when the display cannot take
        // the size exactly, the picture is scaled to fit it and centred.
        flags |= SDL_WINDOW_FULLSCREEN;
    } else if (positionKnown_) {
        x = windowX_;
        y = windowY_;
    }
    const std::string title = title_.empty() ? std::string(kInitialWindowTitle) : title_;
    window_ = SDL_CreateWindow(title.c_str(), x, y, mode.width, mode.height, flags);
    if (!window_) {
        lastError_ = std::string("The window could not be created: ") + SDL_GetError();
        return false;
    }
    windowId_ = SDL_GetWindowID(window_);
    fullScreen_ = mode.fullScreen;
    pictureWidth_ = mode.width;
    pictureHeight_ = mode.height;
    ApplyCursor();

    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
        lastError_ = std::string("The OpenGL context could not be created: ") + SDL_GetError();
        return true;
    }
    if (SDL_GL_MakeCurrent(window_, context_) != 0) {
        lastError_ = std::string("The OpenGL context could not be made current: ") + SDL_GetError();
        return true;
    }
    if (const char* missing = gl_->Load()) {
        lastError_ = std::string("OpenGL lacks ") + missing + ".";
        return true;
    }
    // Full screen ties swaps to the display's refresh; a window keeps the
    // timer's pace.
    SDL_GL_SetSwapInterval(mode.fullScreen ? 1 : 0);
    gl_->SetupState();
    glReady_ = true;
    return true;
}

void TSdlPlatform::DestroyDisplay() {
    glReady_ = false;
    viewportWidth_ = viewportHeight_ = -1;
    presentedScale_ = 0;
    if (context_) {
        SDL_GL_DeleteContext(context_);
        context_ = nullptr;
    }
    if (window_) {
        if (!fullScreen_) {
            SDL_GetWindowPosition(window_, &windowX_, &windowY_);
            positionKnown_ = true;
        }
        SDL_DestroyWindow(window_);
        window_ = nullptr;
    }
    windowId_ = 0;
    fullScreen_ = false;
    ApplyCursor();
}

bool TSdlPlatform::CanPresent() const {
    return window_ && context_ && glReady_;
}

void TSdlPlatform::SetTitle(const std::string& utf8) {
    title_ = MakeWindowTitle(utf8);
    if (window_) SDL_SetWindowTitle(window_, title_.c_str());
}

void TSdlPlatform::PresentPixels(const uint32_t* pixels, int32_t width, int32_t height) {
    if (!CanPresent() || !pixels || width <= 0 || height <= 0) return;
    if (SDL_GL_MakeCurrent(window_, context_) != 0) return;
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(window_, &drawableWidth, &drawableHeight);
    if (drawableWidth <= 0 || drawableHeight <= 0) return;
    pictureWidth_ = width;
    pictureHeight_ = height;
    if (drawableWidth != viewportWidth_ || drawableHeight != viewportHeight_) {
        gl_->Viewport(0, 0, drawableWidth, drawableHeight);
        viewportWidth_ = drawableWidth;
        viewportHeight_ = drawableHeight;
    }
    // A display of another size (a full screen that kept its own mode)
    // shows the picture scaled to fit, centred between black bars.
    const TPictureFit fit = FitPicture(width, height, drawableWidth, drawableHeight);
    if (fit.scale != presentedScale_) {
        gl_->PixelZoom(float(fit.scale), float(-fit.scale));
        presentedScale_ = fit.scale;
    }
    if (fit.width != drawableWidth || fit.height != drawableHeight) gl_->Clear(GL_COLOR_BUFFER_BIT);
    // The raster position in the viewport's -1..1 units: the picture's
    // top-left corner.
    gl_->RasterPos2d(-1.0 + 2.0 * fit.left / drawableWidth, 1.0 - 2.0 * fit.top / drawableHeight);
    // BGRA with 8-8-8-8 reversed reads each native ARGB word as it is.
    gl_->DrawPixels(width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
}

void TSdlPlatform::SwapBuffers() {
    if (window_ && context_) SDL_GL_SwapWindow(window_);
}

void TSdlPlatform::SetSystemCursorVisible(bool visible) {
    cursorVisible_ = visible;
    ApplyCursor();
}

void TSdlPlatform::ApplyCursor() {
    // Full screen always hides the system pointer, whatever was asked.
    SDL_ShowCursor(cursorVisible_ && !fullScreen_ ? SDL_ENABLE : SDL_DISABLE);
}

TPlatformPoint TSdlPlatform::GetMousePos() {
    return PictureFromWindow(WindowPointer());
}

TPlatformPoint TSdlPlatform::PictureFromWindow(TPlatformPoint point) {
    if (!window_ || pictureWidth_ <= 0 || pictureHeight_ <= 0) return point;
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    if (w == pictureWidth_ && h == pictureHeight_) return point;
    return AreaToPicture(FitPicture(pictureWidth_, pictureHeight_, w, h), point);
}

TPlatformPoint TSdlPlatform::WindowPointer() {
    int x = 0;
    int y = 0;
    if (window_ && SDL_GetMouseFocus() == window_) {
        SDL_GetMouseState(&x, &y);
        return {x, y};
    }
    // Outside the window: the global position less the content's corner.
    SDL_GetGlobalMouseState(&x, &y);
    if (!window_) return {x, y};
    int left = 0;
    int top = 0;
    SDL_GetWindowPosition(window_, &left, &top);
    return {x - left, y - top};
}

bool TSdlPlatform::OpenURL(const std::string& url) {
    return OpenUrlWith(urlOpener_, url);
}

void TSdlPlatform::PumpEvents() {
    SDL_PumpEvents();
    if (g_quitSignal != 0) {
        g_quitSignal = 0;
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
}

bool TSdlPlatform::PeekEvent(SDL_Event& event) {
    return SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1;
}

bool TSdlPlatform::PopEvent(SDL_Event& event) {
    return SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1;
}

uint32_t TSdlPlatform::CurrentKeyModifiers() {
    return SDL_GetModState();
}

uint32_t TSdlPlatform::CurrentMouseButtons() {
    // The buttons really held now, also those pressed while another window
    // had the focus.
    return SDL_GetGlobalMouseState(nullptr, nullptr);
}

TPlatformPoint TSdlPlatform::ContentSize() {
    if (!window_) return {0, 0};
    return {pictureWidth_, pictureHeight_};
}
