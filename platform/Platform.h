// The platform contract the engine runs on: one window (or the full screen)
// with an OpenGL context that shows the engine's 32-bit back surface, the
// input events already translated to the engine's own codes, a periodic tick
// that runs either one event or one frame, the millisecond clock and opening
// URLs.
//
// Two backends implement it: TSdlPlatform (SDL2 and OpenGL, platform/SdlPlatform.h)
// and THeadlessPlatform (no window, events injected and a clock advanced by the
// test, platform/HeadlessPlatform.h).
//
// Everything runs on the main thread. The platform is a single owner (held by
// std::unique_ptr), not a counted object.
#pragma once

#include <cstdint>
#include <string>

#include "core/base/Exception.h"

// Raised when a backend cannot start at all (no video device, no display).
class EPlatformError : public Exception {
public:
    using Exception::Exception;
};

// Key modifier bits passed with every key event, in the classic Mac layout
// the game's key handling expects.
inline constexpr uint32_t kModCommand = 0x0100;    // Ctrl (stands for Command) or the GUI key
inline constexpr uint32_t kModShift = 0x0200;      // either Shift
inline constexpr uint32_t kModAlphaLock = 0x0400;  // Caps Lock on
inline constexpr uint32_t kModOption = 0x0800;     // either Alt
inline constexpr uint32_t kModControl = 0x1000;    // either Ctrl

// Mouse event codes.
inline constexpr int32_t kMouseMove = 10;      // pointer moved or dragged
inline constexpr int32_t kMouseLeftDown = 11;  // click count 1
inline constexpr int32_t kMouseLeftUp = 12;
inline constexpr int32_t kMouseLeftDouble = 13;  // down with click count above 1
inline constexpr int32_t kMouseMiddleDown = 14;
inline constexpr int32_t kMouseMiddleUp = 15;
inline constexpr int32_t kMouseMiddleDouble = 16;
inline constexpr int32_t kMouseRightDown = 17;  // also left down with Ctrl
inline constexpr int32_t kMouseRightUp = 18;
inline constexpr int32_t kMouseRightDouble = 19;

// Held-button mask passed with kMouseMove (0 with every other code).
inline constexpr uint32_t kButtonMaskLeft = 1;
inline constexpr uint32_t kButtonMaskRight = 2;
inline constexpr uint32_t kButtonMaskMiddle = 16;

// Key event kinds: one down (or auto-repeat) gives kKeyDown; one release gives
// kKeyUp and then kKeyUpAfter, both with the same character.
inline constexpr int32_t kKeyDown = 1;
inline constexpr int32_t kKeyUp = 2;
inline constexpr int32_t kKeyUpAfter = 3;

// The title a window has until the engine gives it its caption.
inline constexpr char kInitialWindowTitle[] = "ZentoGameEngineWindow";

struct TPlatformPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const TPlatformPoint&) const = default;
};

enum class TPlatformEventKind : uint8_t {
    Mouse,         // code, x, y, buttons, inside
    Key,           // keyKind, character, modifiers
    Activate,      // focus gained, window restored or shown
    Deactivate,    // focus lost, window minimised or hidden
    CloseRequest,  // the window's close box
    QuitRequest,   // the application asked to quit (session end, signal)
};

struct TPlatformEvent {
    TPlatformEventKind kind = TPlatformEventKind::Mouse;
    // Mouse: one of kMouseMove ... kMouseRightDouble.
    int32_t code = 0;
    // Mouse: the pointer in back-surface coordinates (may lie outside it).
    int32_t x = 0;
    int32_t y = 0;
    // Mouse: the held-button mask with kMouseMove, else 0.
    uint32_t buttons = 0;
    // Mouse: the pointer is over the window's content.
    bool inside = false;
    // Key: kKeyDown, kKeyUp or kKeyUpAfter.
    int32_t keyKind = 0;
    // Key: one 8-bit character: Return 13, keypad Enter 3, Tab 9, Backspace 8,
    // Escape 27, arrows 28 to 31, Home 1, End 4 and so on (see InputTranslator.cpp);
    // printable characters as ISO-8859-1; 0 when the key has none.
    uint8_t character = 0;
    // Key: kMod... bits.
    uint32_t modifiers = 0;

    bool operator==(const TPlatformEvent&) const = default;
};

// What the engine gives the platform to be driven by. Both calls may nest:
// a frame may call IPlatform::Tick, which may deliver an event or run a
// complete nested frame.
class IPlatformClient {
public:
    virtual void OnPlatformEvent(const TPlatformEvent& event) = 0;
    // One frame: the engine updates, renders and presents.
    virtual void OnPlatformFrame() = 0;

protected:
    ~IPlatformClient() = default;
};

struct TDisplayMode {
    int32_t width = 640;
    int32_t height = 480;
    bool fullScreen = false;
    bool operator==(const TDisplayMode&) const = default;
};

enum class TTickOutcome : uint8_t {
    Event,     // one event was delivered; no frame ran
    Frame,     // no event was pending; one frame ran
    Quitting,  // the loop is quitting; nothing ran
};

class IPlatform {
public:
    virtual ~IPlatform() = default;

    // The receiver of events and frames; may be null (events are then dropped
    // and ticks run no frame). Not owned.
    virtual void SetClient(IPlatformClient* client) = 0;

    // The event loop: one Tick every periodMs milliseconds until QuitLoop.
    virtual void Run(uint32_t periodMs) = 0;
    // One tick: takes at most one pending event without waiting and delivers
    // it, or else runs one frame. Motion events are merged and delivered
    // without using up the tick, so a flood of them cannot starve the frames.
    // Re-entrant from inside a frame or an event.
    virtual TTickOutcome Tick() = 0;
    // Ends the loop: Run returns after the current tick and later ticks do
    // nothing.
    virtual void QuitLoop() = 0;
    virtual bool QuitRequested() const = 0;

    // The millisecond clock; wraps at 2^32, differences stay right.
    virtual uint32_t TickCountMs() = 0;

    // Replaces the display by a window of the given content size (centred the
    // first time, put back where the last one was afterwards) or the full
    // screen at that size, with an OpenGL context whose fixed state is set for
    // presenting. Answers whether a window exists; when the context could not
    // be made the window stays, CanPresent answers false and LastError says why.
    virtual bool CreateDisplay(const TDisplayMode& mode) = 0;
    // Tears down the context and the window, remembering the window's place.
    virtual void DestroyDisplay() = 0;
    virtual bool HasDisplay() const = 0;
    virtual bool CanPresent() const = 0;
    // The reason of the last display failure; empty when none.
    virtual const std::string& LastError() const = 0;
    // The window title, UTF-8 (invalid bytes shown as U+FFFD), cut to 255
    // characters. Kept for windows created later.
    virtual void SetTitle(const std::string& utf8) = 0;
    // Draws the whole surface unscaled with its top-left at the top-left of
    // the window: rows top-down, width * 4 bytes apart, each pixel one native
    // 32-bit word with alpha in bits 24-31, red 16-23, green 8-15, blue 0-7.
    // Does nothing without a context.
    virtual void PresentPixels(const uint32_t* pixels, int32_t width, int32_t height) = 0;
    virtual void SwapBuffers() = 0;

    // The system pointer over the window; always hidden in full screen.
    virtual void SetSystemCursorVisible(bool visible) = 0;
    // The pointer in back-surface coordinates (may lie outside the window).
    virtual TPlatformPoint GetMousePos() = 0;

    // Opens the address in the user's browser. Answers false when it could not
    // be started (or the address is refused: empty, holding NUL, or starting
    // with "-" so that it cannot pass for an option).
    virtual bool OpenURL(const std::string& url) = 0;
};
