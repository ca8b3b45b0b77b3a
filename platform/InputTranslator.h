// Turns SDL events into the engine's platform events (platform/Platform.h):
// mouse codes 10 to 19 with the button mask, key kinds 1, 2 and 3 with one
// 8-bit character and the modifier bits, activation, close and quit.
//
// Shared by both backends: the SDL backend feeds it real events, the headless
// backend the events a test injects. It calls no SDL function; what it needs
// of the current input state it asks an IInputStateSource.
#pragma once

#include <SDL2/SDL_events.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/Platform.h"

// The input state at the time an event is translated.
class IInputStateSource {
public:
    // SDL_Keymod bits held now (mouse buttons carry no modifiers of their own).
    virtual uint32_t CurrentKeyModifiers() = 0;
    // SDL_BUTTON_LMASK / MMASK / RMASK bits held now.
    virtual uint32_t CurrentMouseButtons() = 0;
    // The pointer relative to the window's content, possibly outside it.
    virtual TPlatformPoint CurrentPointer() = 0;
    // The picture's size; events outside it are not "inside".
    virtual TPlatformPoint ContentSize() = 0;
    // A point of the window's content as a pixel of the picture shown there
    // (the same point unless the picture is scaled into the window).
    virtual TPlatformPoint PictureFromWindow(TPlatformPoint point) { return point; }
    // The SDL id of the current window; window events of other (destroyed)
    // windows are dropped. 0 when there is no window.
    virtual uint32_t CurrentWindowId() = 0;

protected:
    ~IInputStateSource() = default;
};

// The events one SDL event turns into, in delivery order, without allocation.
class TPlatformEventList {
public:
    static constexpr size_t kCapacity = 32;

    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    const TPlatformEvent& operator[](size_t i) const { return items_[i]; }
    const TPlatformEvent* begin() const { return items_.data(); }
    const TPlatformEvent* end() const { return items_.data() + count_; }
    void clear() { count_ = 0; }
    // Drops the event when the list is full.
    void push_back(const TPlatformEvent& e) {
        if (count_ < kCapacity) items_[count_++] = e;
    }

private:
    std::array<TPlatformEvent, kCapacity> items_{};
    size_t count_ = 0;
};

class TInputTranslator {
public:
    // Whether a key-down event gets its character from the SDL_TEXTINPUT
    // event that immediately follows it (printable keys without Ctrl or GUI).
    static bool TakesText(const SDL_KeyboardEvent& key);

    // Translates one event into `out` (cleared first). `text` is the
    // SDL_TEXTINPUT that immediately followed a key-down for which TakesText
    // answered true, or null. Events the engine does not see give nothing.
    void Translate(const SDL_Event& event, const SDL_Event* text, IInputStateSource& state,
                   TPlatformEventList& out);

    // The classic modifier bits (kMod...) of SDL_Keymod bits.
    static uint32_t ModifierBits(uint32_t sdlKeymod);
    // The classic held-button mask (kButtonMask...) of SDL button-mask bits.
    static uint32_t ButtonMask(uint32_t sdlButtons);
    // The character of a key that has its own (Return, arrows...), else 0.
    static uint8_t SpecialKeyCharacter(SDL_Keycode key);

private:
    void TranslateMouseButton(const SDL_MouseButtonEvent& b, bool down, IInputStateSource& state,
                              TPlatformEventList& out);
    void TranslateKey(const SDL_KeyboardEvent& k, const SDL_Event* text, TPlatformEventList& out);
    void TranslateText(const SDL_TextInputEvent& t, IInputStateSource& state,
                       TPlatformEventList& out);
    void TranslateWindow(const SDL_WindowEvent& w, IInputStateSource& state,
                         TPlatformEventList& out);
    static TPlatformEvent MouseEvent(int32_t code, int32_t x, int32_t y, IInputStateSource& state);

    // The character each key gave when it went down, so its release repeats it.
    std::array<uint8_t, SDL_NUM_SCANCODES> downCharacter_{};
    // The left button went down with Ctrl and was passed as the right button;
    // its release is passed the same way.
    bool leftIsRight_ = false;
};
