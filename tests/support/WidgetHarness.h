// The screen harness of every widget, control, scenario and screen test:
// the real engine on the headless platform (an audio device without output,
// the test clock), a window of the size asked for, and a stand-in for the
// game screen that holds one widget tree built from XML text.
//
//     TWidgetHarness screen;
//     screen.Load(R"(<widget type="group_widget" visible="yes">...</widget>)");
//     screen.Step(3, 10);                       // three frames of 10 ms
//     EXPECT_EQ(screen.FrameRects(), ...);      // what the last frame reported
//     EXPECT_EQ(screen.Pixel(12, 7), 0xFF0000FF);
//     screen.ClickAt("panel/button_ok");        // press and release there
//
// The stand-in screen (TTestScreen) is the tree's IWidgetOwner, IWindow and
// IEventHandler, and the engine's IGame: each frame updates the root, lets it
// report its dirty rectangles, and draws it when something was reported. Its
// mouse routing is the game screen's: the widget holding the capture gets
// every event; otherwise the widget under the point, when it stops the
// mouse. It serves trees that need no game around them; the real game object
// with its screens runs in the same engine through TGameHarness
// (GameHarness.h).
//
// The engine's side (frames, pixels, input, the log, the folder) is
// TEngineHarness's (EngineHarness.h).
//
// Failures: a text that makes no widget fails the test (ADD_FAILURE) and
// leaves no root. Everything the harness changes (the current folder, the
// resources folder, the platform and audio factories, the log sink) is put
// back when it goes; the log lines of its lifetime are in Log().
#pragma once

#include <SDL2/SDL.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/Rect.h"
#include "tests/support/EngineHarness.h"
#include "widgets/GameInterfaces.h"

// The screen stand-in. Registered as "QmTestScreen" by the harness.
class TTestScreen final : public TPropertyObject,
                          public virtual IGame,
                          public virtual IWidgetOwner,
                          public virtual IWindow,
                          public virtual IEventHandler {
public:
    struct TEvent {
        std::string sender;  // the sender's name
        int32_t code = 0;
        bool operator==(const TEvent&) const = default;
    };

    // The root: the old one is detached, the new one attached to the screen,
    // made visible and made to stop the mouse, as a game screen does.
    void SetRoot(const Ref<IWidget>& root);
    const Ref<IWidget>& Root() const { return root_; }

    // What the tree reported during the last frame's end-of-frame pass.
    const std::vector<TRect>& FrameRects() const { return frameRects_; }
    bool FrameRendered() const { return frameRendered_; }
    int RenderCount() const { return renderCount_; }
    const std::vector<TEvent>& Events() const { return events_; }
    void ClearEvents() { events_.clear(); }

    // IGame
    bool Init(const Ref<IEngine>& engine) override;
    void Done() override;
    void Update(int32_t elapsedMs) override;
    void Render(const Ref<ISurface>& surface) override;
    bool MouseEvent(int32_t code, int32_t x, int32_t y, int32_t buttons) override;
    bool KeyEvent(int32_t kind, uint8_t character, uint32_t modifiers) override;
    void SetActive(bool active) override { (void)active; }
    bool QueryQuit() override { return true; }
    void SetOption(const std::string& name, const std::string& value) override {
        (void)name;
        (void)value;
    }
    void EndFrame() override;

    // IWidgetOwner
    Ref<IEngine> GetEngine() override { return engine_; }
    Ref<IWindow> GetWindow() override { return Ref<IWindow>(this); }
    Ref<IEventHandler> GetEventHandler() override { return Ref<IEventHandler>(this); }
    TPoint ScreenToClient(int32_t x, int32_t y) override { return {x, y}; }
    Ref<IWidget> CreateFactoryWidget(const std::string& factoryName,
                                     const Ref<IParamCollection>& params) override;
    Ref<IWidget> FindWidget(std::string_view path) override;
    std::string GetPath() override { return GetName(); }
    void InvalidateRect(const TRect& rect) override;

    // IWindow
    void SetMouseCapture(const Ref<IWidget>& widget) override;
    void ReleaseMouseCapture() override;
    Ref<IWidget> GetMouseCapture() override { return capture_.Lock(); }
    void SetFocus(const Ref<IWidget>& widget) override;
    void ClearFocus() override;
    Ref<IWidget> GetFocus() override { return focus_.Lock(); }
    Ref<IWidgetCollection> GetChildren() override;
    void ResetInputState() override;
    Ref<IWidget> WidgetAt(int32_t x, int32_t y) override;
    TChannelHandle PlaySound(const std::string& name) override;
    void StopSound(const std::string& name) override;

    // IEventHandler: the events are recorded, and so are the screens asked
    // for ("show GS_Map", "close", "... with params", "... with results").
    // Only the screen names in KnownScreens() are shown.
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override;
    bool ShowGameScreen(const std::string& name, const Ref<IParamCollection>& params) override;
    bool CloseGameScreen(const Ref<IParamCollection>& results) override;
    const std::vector<std::string>& ScreenCalls() const { return screenCalls_; }
    void ClearScreenCalls() { screenCalls_.clear(); }
    std::vector<std::string>& KnownScreens() { return knownScreens_; }

private:
    Ref<IEngine> engine_;
    Ref<IWidget> root_;
    // Input state holds no widget alive.
    Weak<IWidget> capture_;
    Weak<IWidget> focus_;
    std::vector<TRect> frameRects_;
    bool frameRendered_ = false;
    int renderCount_ = 0;
    std::vector<TEvent> events_;
    std::vector<std::string> screenCalls_;
    std::vector<std::string> knownScreens_;
};

class TWidgetHarness : public TEngineHarness {
public:
    // The engine started with the stand-in screen as its game and a window
    // of width by height.
    explicit TWidgetHarness(int32_t width = 640, int32_t height = 480);

    // --- The tree
    // A widget made from XML text (one element with a registered "type"),
    // loaded, and made the screen's root. Null, and a failed test, when the
    // text makes no widget.
    Ref<IWidget> Load(std::string_view xml);
    void SetRoot(const Ref<IWidget>& root) { screen_->SetRoot(root); }
    const Ref<IWidget>& Root() const { return screen_->Root(); }
    // The root's FindWidget ("panel/button", "../b", "window:/panel"...).
    Ref<IWidget> Find(std::string_view path) const;

    // --- Frames (Step and the rest of the engine's side: EngineHarness.h)
    // The rectangles reported by the last frame, as reported.
    const std::vector<TRect>& FrameRects() const { return screen_->FrameRects(); }
    // Whether the last frame drew (something was reported), and how many
    // frames drew so far.
    bool FrameRendered() const { return screen_->FrameRendered(); }
    int RenderCount() const { return screen_->RenderCount(); }

    // --- Pixels
    // The tree drawn afresh into a new opaque surface of the window's size
    // filled with background.
    Ref<ISurface> RenderTree(uint32_t background = 0xFF000000) const;

    // --- Input
    // The centre of a widget's screen bounds (found from the root); the test
    // fails when there is no such widget.
    TPoint CenterOf(std::string_view path) const;
    // A click at the centre of the widget at path.
    void ClickAt(std::string_view path, uint8_t sdlButton = SDL_BUTTON_LEFT);
    // The events the tree's controls sent to the screen.
    const std::vector<TTestScreen::TEvent>& Events() const { return screen_->Events(); }

    TTestScreen& Screen() const { return *screen_; }

private:
    TTestScreen* screen_ = nullptr;  // the engine's game
};
