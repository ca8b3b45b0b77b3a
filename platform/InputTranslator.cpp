#include "platform/InputTranslator.h"

#include <cstring>

#include "core/base/Utf8.h"

namespace {

// Keys that carry their own character whatever the keyboard layout, as the
// classic Mac key codes give them. A row covers the keys first..last.
struct TKeyCharRow {
    SDL_Keycode first;
    SDL_Keycode last;
    uint8_t character;
};

constexpr TKeyCharRow kKeyChars[] = {
    {SDLK_RETURN, SDLK_RETURN, 13},             // Return
    {SDLK_RETURN2, SDLK_RETURN2, 13},           // the second Return some keyboards have
    {SDLK_KP_ENTER, SDLK_KP_ENTER, 3},          // keypad Enter; the engine passes it on as 13
    {SDLK_TAB, SDLK_TAB, 9},                    // Tab
    {SDLK_KP_TAB, SDLK_KP_TAB, 9},              // keypad Tab
    {SDLK_BACKSPACE, SDLK_BACKSPACE, 8},        // Backspace (the Mac's "delete")
    {SDLK_KP_BACKSPACE, SDLK_KP_BACKSPACE, 8},  // keypad Backspace
    {SDLK_ESCAPE, SDLK_ESCAPE, 27},             // Escape
    {SDLK_CLEAR, SDLK_CLEAR, 27},               // Clear gives the Escape character
    {SDLK_KP_CLEAR, SDLK_KP_CLEAR, 27},         // keypad Clear likewise
    {SDLK_LEFT, SDLK_LEFT, 28},                 // arrow left
    {SDLK_RIGHT, SDLK_RIGHT, 29},               // arrow right
    {SDLK_UP, SDLK_UP, 30},                     // arrow up
    {SDLK_DOWN, SDLK_DOWN, 31},                 // arrow down
    {SDLK_HOME, SDLK_HOME, 1},                  // Home
    {SDLK_END, SDLK_END, 4},                    // End
    {SDLK_PAGEUP, SDLK_PAGEUP, 11},             // Page Up
    {SDLK_PAGEDOWN, SDLK_PAGEDOWN, 12},         // Page Down
    {SDLK_DELETE, SDLK_DELETE, 127},            // forward Delete
    {SDLK_INSERT, SDLK_INSERT, 5},              // Insert sits where a Mac keyboard has Help
    {SDLK_HELP, SDLK_HELP, 5},                  // Help
    {SDLK_F1, SDLK_F12, 16},                    // function keys F1 to F12
    {SDLK_F13, SDLK_F24, 16},                   // function keys F13 to F24
};

// Keys that only modify others (and the Num Lock toggle): like the Mac's
// modifier keys they send no key event of their own.
constexpr SDL_Keycode kModifierKeys[] = {
    SDLK_LCTRL, SDLK_RCTRL, SDLK_LSHIFT,   SDLK_RSHIFT,       SDLK_LALT, SDLK_RALT,
    SDLK_LGUI,  SDLK_RGUI,  SDLK_CAPSLOCK, SDLK_NUMLOCKCLEAR, SDLK_MODE,
};

// SDL modifier bits and the classic bits they give.
struct TModifierRow {
    uint32_t sdlMask;
    uint32_t bits;
};

constexpr TModifierRow kModifiers[] = {
    {KMOD_CTRL, kModControl | kModCommand},  // Ctrl, standing for Command too (Ctrl-F, -M, -R)
    {KMOD_GUI, kModCommand},                 // the GUI ("Windows") key is the other Command
    {KMOD_SHIFT, kModShift},                 // either Shift
    {KMOD_CAPS, kModAlphaLock},              // Caps Lock on
    {KMOD_ALT, kModOption},                  // either Alt plays Option
};

// Mouse buttons and their codes: down with click count 1, up, down with a
// click count above 1, and the bit of the button in the held-button mask.
struct TMouseButtonRow {
    uint8_t sdlButton;
    int32_t down;
    int32_t up;
    int32_t repeatedDown;
    uint32_t sdlMask;
    uint32_t maskBit;
};

constexpr TMouseButtonRow kMouseButtons[] = {
    {SDL_BUTTON_LEFT, kMouseLeftDown, kMouseLeftUp, kMouseLeftDouble, SDL_BUTTON_LMASK,
     kButtonMaskLeft},  // first button
    {SDL_BUTTON_RIGHT, kMouseRightDown, kMouseRightUp, kMouseRightDouble, SDL_BUTTON_RMASK,
     kButtonMaskRight},  // second button, also the left one with Ctrl
    {SDL_BUTTON_MIDDLE, kMouseMiddleDown, kMouseMiddleUp, kMouseMiddleDouble, SDL_BUTTON_MMASK,
     kButtonMaskMiddle},  // third button
};

const TMouseButtonRow* FindButton(uint8_t sdlButton) {
    for (const auto& row : kMouseButtons)
        if (row.sdlButton == sdlButton) return &row;
    return nullptr;
}

bool IsModifierKey(SDL_Keycode key) {
    for (SDL_Keycode k : kModifierKeys)
        if (k == key) return true;
    return false;
}

// The 8-bit character of a code point: ISO-8859-1, else none.
uint8_t ByteOf(uint32_t cp) {
    return cp <= 0xFF ? static_cast<uint8_t>(cp) : 0;
}

// The character of a printable key pressed with Ctrl or GUI, where no text
// comes: the key's own letter, upper case with Shift or Caps Lock.
uint8_t CommandKeyCharacter(const SDL_Keysym& sym) {
    const SDL_Keycode key = sym.sym;
    if (key >= 'a' && key <= 'z') {
        const bool upper = ((sym.mod & KMOD_SHIFT) != 0) != ((sym.mod & KMOD_CAPS) != 0);
        return static_cast<uint8_t>(upper ? key - 'a' + 'A' : key);
    }
    if (key >= 32 && key < 127) return static_cast<uint8_t>(key);
    return 0;
}

bool Inside(int32_t x, int32_t y, TPlatformPoint size) {
    return x >= 0 && y >= 0 && x < size.x && y < size.y;
}

TPlatformEvent KindOnly(TPlatformEventKind kind) {
    TPlatformEvent e;
    e.kind = kind;
    return e;
}

TPlatformEvent KeyEvent(int32_t keyKind, uint8_t character, uint32_t modifiers) {
    TPlatformEvent e;
    e.kind = TPlatformEventKind::Key;
    e.keyKind = keyKind;
    e.character = character;
    e.modifiers = modifiers;
    return e;
}

}  // namespace

uint32_t TInputTranslator::ModifierBits(uint32_t sdlKeymod) {
    uint32_t bits = 0;
    for (const auto& row : kModifiers)
        if (sdlKeymod & row.sdlMask) bits |= row.bits;
    return bits;
}

uint32_t TInputTranslator::ButtonMask(uint32_t sdlButtons) {
    uint32_t mask = 0;
    for (const auto& row : kMouseButtons)
        if (sdlButtons & row.sdlMask) mask |= row.maskBit;
    return mask;
}

uint8_t TInputTranslator::SpecialKeyCharacter(SDL_Keycode key) {
    for (const auto& row : kKeyChars)
        if (key >= row.first && key <= row.last) return row.character;
    return 0;
}

bool TInputTranslator::TakesText(const SDL_KeyboardEvent& key) {
    if (key.type != SDL_KEYDOWN) return false;
    if (IsModifierKey(key.keysym.sym) || SpecialKeyCharacter(key.keysym.sym) != 0) return false;
    return (key.keysym.mod & (KMOD_CTRL | KMOD_GUI)) == 0;
}

TPlatformEvent TInputTranslator::MouseEvent(int32_t code, int32_t x, int32_t y,
                                            IInputStateSource& state) {
    TPlatformEvent e;
    e.kind = TPlatformEventKind::Mouse;
    e.code = code;
    const TPlatformPoint p = state.PictureFromWindow({x, y});
    e.x = p.x;
    e.y = p.y;
    e.inside = Inside(p.x, p.y, state.ContentSize());
    return e;
}

void TInputTranslator::Translate(const SDL_Event& event, const SDL_Event* text,
                                 IInputStateSource& state, TPlatformEventList& out) {
    out.clear();
    switch (event.type) {
        case SDL_MOUSEMOTION: {
            const auto& m = event.motion;
            if (m.windowID != state.CurrentWindowId()) return;
            TPlatformEvent e = MouseEvent(kMouseMove, m.x, m.y, state);
            e.buttons = ButtonMask(m.state);
            out.push_back(e);
            return;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (event.button.windowID != state.CurrentWindowId()) return;
            TranslateMouseButton(event.button, event.type == SDL_MOUSEBUTTONDOWN, state, out);
            return;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            TranslateKey(event.key, text, out);
            return;
        case SDL_TEXTINPUT:
            TranslateText(event.text, state, out);
            return;
        case SDL_WINDOWEVENT:
            if (event.window.windowID != state.CurrentWindowId()) return;
            TranslateWindow(event.window, state, out);
            return;
        case SDL_QUIT:
            out.push_back(KindOnly(TPlatformEventKind::QuitRequest));
            return;
        default:
            return;
    }
}

void TInputTranslator::TranslateMouseButton(const SDL_MouseButtonEvent& b, bool down,
                                            IInputStateSource& state, TPlatformEventList& out) {
    const TMouseButtonRow* row = FindButton(b.button);
    if (!row) return;  // wheel-tilt and extra buttons have no code
    if (b.button == SDL_BUTTON_LEFT) {
        // A left click with Ctrl is a right click; its release follows the
        // press even when Ctrl was let go in between.
        if (down) leftIsRight_ = (state.CurrentKeyModifiers() & KMOD_CTRL) != 0;
        const bool asRight = leftIsRight_;
        if (!down) leftIsRight_ = false;
        if (asRight) row = FindButton(SDL_BUTTON_RIGHT);
    }
    const int32_t code = !down ? row->up : (b.clicks > 1 ? row->repeatedDown : row->down);
    out.push_back(MouseEvent(code, b.x, b.y, state));
}

void TInputTranslator::TranslateKey(const SDL_KeyboardEvent& k, const SDL_Event* text,
                                    TPlatformEventList& out) {
    const SDL_Keycode key = k.keysym.sym;
    if (IsModifierKey(key)) return;
    const uint32_t modifiers = ModifierBits(k.keysym.mod);
    const size_t slot = static_cast<size_t>(k.keysym.scancode);
    const bool slotValid = slot < downCharacter_.size();

    if (k.type == SDL_KEYUP) {
        uint8_t ch = SpecialKeyCharacter(key);
        if (ch == 0 && slotValid) ch = downCharacter_[slot];
        out.push_back(KeyEvent(kKeyUp, ch, modifiers));
        out.push_back(KeyEvent(kKeyUpAfter, ch, modifiers));
        return;
    }

    uint8_t ch = SpecialKeyCharacter(key);
    const char* rest = nullptr;
    size_t restLength = 0;
    if (ch == 0) {
        if (!TakesText(k)) {
            ch = CommandKeyCharacter(k.keysym);
        } else if (text && text->type == SDL_TEXTINPUT) {
            // The text the key typed, decoded from UTF-8; a dead key followed
            // by a key it does not combine with types two characters.
            const char* t = text->text.text;
            const size_t length = strnlen(t, sizeof(text->text.text));
            size_t pos = 0;
            if (length > 0) ch = ByteOf(ReadUtf8Char({t, length}, pos));
            rest = t + pos;
            restLength = length - pos;
        }
        // Without its text (an input method may send it later, on its own)
        // the key goes down with no character.
    }
    if (slotValid) downCharacter_[slot] = ch;
    out.push_back(KeyEvent(kKeyDown, ch, modifiers));
    for (size_t pos = 0; pos < restLength;)
        out.push_back(KeyEvent(kKeyDown, ByteOf(ReadUtf8Char({rest, restLength}, pos)), modifiers));
}

void TInputTranslator::TranslateText(const SDL_TextInputEvent& t, IInputStateSource& state,
                                     TPlatformEventList& out) {
    // Text with no key before it (an input method's result): one key-down
    // per character.
    const size_t length = strnlen(t.text, sizeof(t.text));
    const uint32_t modifiers = ModifierBits(state.CurrentKeyModifiers());
    for (size_t pos = 0; pos < length;)
        out.push_back(KeyEvent(kKeyDown, ByteOf(ReadUtf8Char({t.text, length}, pos)), modifiers));
}

void TInputTranslator::TranslateWindow(const SDL_WindowEvent& w, IInputStateSource& state,
                                       TPlatformEventList& out) {
    switch (w.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN: {
            out.push_back(KindOnly(TPlatformEventKind::Activate));
            // Buttons still held are sent again as presses: the press that
            // brought the window forward arrived while it was inactive.
            const uint32_t held = state.CurrentMouseButtons();
            const TPlatformPoint p = state.CurrentPointer();
            for (const auto& row : kMouseButtons)
                if (held & row.sdlMask) out.push_back(MouseEvent(row.down, p.x, p.y, state));
            return;
        }
        case SDL_WINDOWEVENT_FOCUS_LOST:
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN:
            out.push_back(KindOnly(TPlatformEventKind::Deactivate));
            return;
        case SDL_WINDOWEVENT_CLOSE:
            out.push_back(KindOnly(TPlatformEventKind::CloseRequest));
            return;
        case SDL_WINDOWEVENT_LEAVE: {
            // The pointer left the content: a move to where it is now, outside,
            // so the engine can show the system pointer there.
            const TPlatformPoint p = state.CurrentPointer();
            TPlatformEvent e = MouseEvent(kMouseMove, p.x, p.y, state);
            e.buttons = ButtonMask(state.CurrentMouseButtons());
            out.push_back(e);
            return;
        }
        default:
            return;
    }
}
