#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/InputTranslator.h"

namespace {

constexpr uint32_t kWindow = 7;

struct TFakeState final : IInputStateSource {
    uint32_t modifiers = 0;
    uint32_t buttons = 0;
    TPlatformPoint pointer{0, 0};
    uint32_t CurrentKeyModifiers() override { return modifiers; }
    uint32_t CurrentMouseButtons() override { return buttons; }
    TPlatformPoint CurrentPointer() override { return pointer; }
    TPlatformPoint ContentSize() override { return {640, 480}; }
    uint32_t CurrentWindowId() override { return kWindow; }
};

SDL_Event Motion(int32_t x, int32_t y, uint32_t sdlButtons = 0, uint32_t window = kWindow) {
    SDL_Event e{};
    e.motion.type = SDL_MOUSEMOTION;
    e.motion.windowID = window;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = sdlButtons;
    return e;
}

SDL_Event Button(bool down, uint8_t button, uint8_t clicks, int32_t x = 3, int32_t y = 4,
                 uint32_t window = kWindow) {
    SDL_Event e{};
    e.button.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = window;
    e.button.button = button;
    e.button.clicks = clicks;
    e.button.x = x;
    e.button.y = y;
    return e;
}

SDL_Event Key(bool down, SDL_Scancode sc, SDL_Keycode sym, uint16_t mod = 0, bool repeat = false) {
    SDL_Event e{};
    e.key.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = kWindow;
    e.key.repeat = repeat;
    e.key.keysym.scancode = sc;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    return e;
}

SDL_Event Text(const char* utf8) {
    SDL_Event e{};
    e.text.type = SDL_TEXTINPUT;
    e.text.windowID = kWindow;
    std::strncpy(e.text.text, utf8, sizeof(e.text.text) - 1);
    return e;
}

SDL_Event Window(SDL_WindowEventID id, uint32_t window = kWindow) {
    SDL_Event e{};
    e.window.type = SDL_WINDOWEVENT;
    e.window.windowID = window;
    e.window.event = static_cast<uint8_t>(id);
    return e;
}

SDL_Event Quit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    return e;
}

TPlatformEvent M(int32_t code, int32_t x = 3, int32_t y = 4, uint32_t buttons = 0,
                 bool inside = true) {
    TPlatformEvent e;
    e.kind = TPlatformEventKind::Mouse;
    e.code = code;
    e.x = x;
    e.y = y;
    e.buttons = buttons;
    e.inside = inside;
    return e;
}

TPlatformEvent K(int32_t kind, uint8_t ch, uint32_t modifiers = 0) {
    TPlatformEvent e;
    e.kind = TPlatformEventKind::Key;
    e.keyKind = kind;
    e.character = ch;
    e.modifiers = modifiers;
    return e;
}

TPlatformEvent Of(TPlatformEventKind kind) {
    TPlatformEvent e;
    e.kind = kind;
    return e;
}

std::string Describe(const TPlatformEvent& e) {
    return "{kind " + std::to_string(static_cast<int>(e.kind)) + " code " + std::to_string(e.code) +
           " at " + std::to_string(e.x) + "," + std::to_string(e.y) + " buttons " +
           std::to_string(e.buttons) + " inside " + std::to_string(e.inside) + " key " +
           std::to_string(e.keyKind) + " char " + std::to_string(e.character) + " mods " +
           std::to_string(e.modifiers) + "}";
}

struct TCase {
    const char* name;
    SDL_Event event;
    bool withText;
    SDL_Event text;
    uint32_t modifiers;  // SDL modifiers held (for mouse buttons and lone text)
    uint32_t buttons;    // SDL buttons held (for activation and leaving)
    TPlatformPoint pointer;
    std::vector<TPlatformEvent> expected;
};

TCase C(const char* name, SDL_Event event, std::vector<TPlatformEvent> expected) {
    return {name, event, false, {}, 0, 0, {0, 0}, std::move(expected)};
}
TCase CT(const char* name, SDL_Event event, const char* text,
         std::vector<TPlatformEvent> expected) {
    return {name, event, true, Text(text), 0, 0, {0, 0}, std::move(expected)};
}
TCase CS(const char* name, SDL_Event event, uint32_t modifiers, uint32_t buttons,
         TPlatformPoint pointer, std::vector<TPlatformEvent> expected) {
    return {name, event, false, {}, modifiers, buttons, pointer, std::move(expected)};
}

constexpr uint32_t kCtrlBits = kModControl | kModCommand;

TEST(InputTranslator, TranslatesEachEventAsTheTableSays) {
    using K_ = TPlatformEventKind;
    const std::vector<TCase> cases = {
        // Mouse moves carry the held buttons: left 1, right 2, middle 16.
        C("move", Motion(5, 6), {M(10, 5, 6)}),
        C("drag left+middle", Motion(5, 6, SDL_BUTTON_LMASK | SDL_BUTTON_MMASK),
          {M(10, 5, 6, 1 | 16)}),
        C("drag right", Motion(5, 6, SDL_BUTTON_RMASK), {M(10, 5, 6, 2)}),
        C("move outside", Motion(700, 10), {M(10, 700, 10, 0, false)}),
        C("move left of window", Motion(-1, 10), {M(10, -1, 10, 0, false)}),
        C("move of another window", Motion(5, 6, 0, kWindow + 1), {}),
        // Buttons: down, double, up.
        C("left down", Button(true, SDL_BUTTON_LEFT, 1), {M(11)}),
        C("left double", Button(true, SDL_BUTTON_LEFT, 2), {M(13)}),
        C("left triple", Button(true, SDL_BUTTON_LEFT, 3), {M(13)}),
        C("left up", Button(false, SDL_BUTTON_LEFT, 1), {M(12)}),
        C("middle down", Button(true, SDL_BUTTON_MIDDLE, 1), {M(14)}),
        C("middle double", Button(true, SDL_BUTTON_MIDDLE, 2), {M(16)}),
        C("middle up", Button(false, SDL_BUTTON_MIDDLE, 1), {M(15)}),
        C("right down", Button(true, SDL_BUTTON_RIGHT, 1), {M(17)}),
        C("right double", Button(true, SDL_BUTTON_RIGHT, 2), {M(19)}),
        C("right up", Button(false, SDL_BUTTON_RIGHT, 1), {M(18)}),
        CS("ctrl-click is right", Button(true, SDL_BUTTON_LEFT, 1), KMOD_LCTRL, 0, {}, {M(17)}),
        CS("ctrl double click is right double", Button(true, SDL_BUTTON_LEFT, 2), KMOD_RCTRL, 0, {},
           {M(19)}),
        CS("ctrl with the right button stays right", Button(true, SDL_BUTTON_RIGHT, 1), KMOD_LCTRL,
           0, {}, {M(17)}),
        C("extra button has no code", Button(true, SDL_BUTTON_X1, 1), {}),
        C("button of another window", Button(true, SDL_BUTTON_LEFT, 1, 3, 4, 99), {}),
        C("button outside", Button(true, SDL_BUTTON_LEFT, 1, 640, 480),
          {M(11, 640, 480, 0, false)}),
        // Keys with their own characters.
        C("Return", Key(true, SDL_SCANCODE_RETURN, SDLK_RETURN), {K(1, 13)}),
        C("keypad Enter", Key(true, SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER), {K(1, 3)}),
        C("Tab", Key(true, SDL_SCANCODE_TAB, SDLK_TAB), {K(1, 9)}),
        C("shift-Tab", Key(true, SDL_SCANCODE_TAB, SDLK_TAB, KMOD_LSHIFT), {K(1, 9, kModShift)}),
        C("Backspace", Key(true, SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE), {K(1, 8)}),
        C("Escape", Key(true, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE), {K(1, 27)}),
        C("left", Key(true, SDL_SCANCODE_LEFT, SDLK_LEFT), {K(1, 28)}),
        C("right", Key(true, SDL_SCANCODE_RIGHT, SDLK_RIGHT), {K(1, 29)}),
        C("up", Key(true, SDL_SCANCODE_UP, SDLK_UP), {K(1, 30)}),
        C("down", Key(true, SDL_SCANCODE_DOWN, SDLK_DOWN), {K(1, 31)}),
        C("Home", Key(true, SDL_SCANCODE_HOME, SDLK_HOME), {K(1, 1)}),
        C("End", Key(true, SDL_SCANCODE_END, SDLK_END), {K(1, 4)}),
        C("Page Up", Key(true, SDL_SCANCODE_PAGEUP, SDLK_PAGEUP), {K(1, 11)}),
        C("Page Down", Key(true, SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN), {K(1, 12)}),
        C("Delete", Key(true, SDL_SCANCODE_DELETE, SDLK_DELETE), {K(1, 127)}),
        C("Insert", Key(true, SDL_SCANCODE_INSERT, SDLK_INSERT), {K(1, 5)}),
        C("F1", Key(true, SDL_SCANCODE_F1, SDLK_F1), {K(1, 16)}),
        C("F12", Key(true, SDL_SCANCODE_F12, SDLK_F12), {K(1, 16)}),
        C("auto-repeat is a down", Key(true, SDL_SCANCODE_LEFT, SDLK_LEFT, 0, true), {K(1, 28)}),
        // Key release: kind 2 then kind 3 with the same character.
        C("Return up", Key(false, SDL_SCANCODE_RETURN, SDLK_RETURN), {K(2, 13), K(3, 13)}),
        C("keypad Enter up", Key(false, SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER), {K(2, 3), K(3, 3)}),
        // Modifier keys send nothing of their own.
        C("Shift alone", Key(true, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT), {}),
        C("Ctrl alone up", Key(false, SDL_SCANCODE_RCTRL, SDLK_RCTRL), {}),
        C("Caps Lock", Key(true, SDL_SCANCODE_CAPSLOCK, SDLK_CAPSLOCK, KMOD_CAPS), {}),
        // Printable keys take the text that follows them.
        CT("letter", Key(true, SDL_SCANCODE_A, SDLK_a), "a", {K(1, 'a')}),
        CT("shifted letter", Key(true, SDL_SCANCODE_A, SDLK_a, KMOD_LSHIFT), "A",
           {K(1, 'A', kModShift)}),
        CT("space", Key(true, SDL_SCANCODE_SPACE, SDLK_SPACE), " ", {K(1, ' ')}),
        CT("layout symbol", Key(true, SDL_SCANCODE_2, SDLK_2, KMOD_RSHIFT), "\"",
           {K(1, '"', kModShift)}),
        CT("keypad digit", Key(true, SDL_SCANCODE_KP_7, SDLK_KP_7, KMOD_NUM), "7", {K(1, '7')}),
        CT("Latin-1 letter", Key(true, SDL_SCANCODE_E, SDLK_e), "\xC3\xA9", {K(1, 0xE9)}),
        CT("beyond Latin-1", Key(true, SDL_SCANCODE_E, SDLK_e), "\xE2\x82\xAC", {K(1, 0)}),
        CT("dead key then a letter it does not take", Key(true, SDL_SCANCODE_X, SDLK_x),
           "\xC2\xB4x", {K(1, 0xB4), K(1, 'x')}),
        CT("alt letter", Key(true, SDL_SCANCODE_A, SDLK_a, KMOD_LALT), "a",
           {K(1, 'a', kModOption)}),
        CT("caps lock letter", Key(true, SDL_SCANCODE_A, SDLK_a, KMOD_CAPS), "A",
           {K(1, 'A', kModAlphaLock)}),
        CT("malformed text", Key(true, SDL_SCANCODE_A, SDLK_a), "\xC3", {K(1, 0)}),
        CT("overlong Return is not Return", Key(true, SDL_SCANCODE_A, SDLK_a), "\xE0\x80\x8D",
           {K(1, 0), K(1, 0), K(1, 0)}),
        C("printable key without its text", Key(true, SDL_SCANCODE_A, SDLK_a), {K(1, 0)}),
        CT("special key leaves the text alone", Key(true, SDL_SCANCODE_RETURN, SDLK_RETURN), "x",
           {K(1, 13)}),
        // Ctrl plays Command: the key's own letter, with both bits.
        C("ctrl-f", Key(true, SDL_SCANCODE_F, SDLK_f, KMOD_LCTRL), {K(1, 'f', kCtrlBits)}),
        C("ctrl-m", Key(true, SDL_SCANCODE_M, SDLK_m, KMOD_RCTRL), {K(1, 'm', kCtrlBits)}),
        C("ctrl-r", Key(true, SDL_SCANCODE_R, SDLK_r, KMOD_LCTRL), {K(1, 'r', kCtrlBits)}),
        C("ctrl-shift-f", Key(true, SDL_SCANCODE_F, SDLK_f, KMOD_LCTRL | KMOD_LSHIFT),
          {K(1, 'F', kCtrlBits | kModShift)}),
        C("ctrl-1", Key(true, SDL_SCANCODE_1, SDLK_1, KMOD_LCTRL), {K(1, '1', kCtrlBits)}),
        C("gui-f", Key(true, SDL_SCANCODE_F, SDLK_f, KMOD_LGUI), {K(1, 'f', kModCommand)}),
        C("ctrl-Return", Key(true, SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_LCTRL),
          {K(1, 13, kCtrlBits)}),
        // Text with no key before it: one down per character.
        CS("lone text", Text("ab"), KMOD_LSHIFT, 0, {},
           {K(1, 'a', kModShift), K(1, 'b', kModShift)}),
        // Activation; buttons still held are pressed again, left, right, middle.
        C("focus gained", Window(SDL_WINDOWEVENT_FOCUS_GAINED), {Of(K_::Activate)}),
        CS("focus gained with buttons held", Window(SDL_WINDOWEVENT_FOCUS_GAINED), 0,
           SDL_BUTTON_LMASK | SDL_BUTTON_RMASK | SDL_BUTTON_MMASK, {20, 30},
           {Of(K_::Activate), M(11, 20, 30), M(17, 20, 30), M(14, 20, 30)}),
        CS("restored with left held", Window(SDL_WINDOWEVENT_RESTORED), KMOD_LCTRL,
           SDL_BUTTON_LMASK, {1, 2}, {Of(K_::Activate), M(11, 1, 2)}),
        C("shown", Window(SDL_WINDOWEVENT_SHOWN), {Of(K_::Activate)}),
        C("focus lost", Window(SDL_WINDOWEVENT_FOCUS_LOST), {Of(K_::Deactivate)}),
        C("minimised", Window(SDL_WINDOWEVENT_MINIMIZED), {Of(K_::Deactivate)}),
        C("hidden", Window(SDL_WINDOWEVENT_HIDDEN), {Of(K_::Deactivate)}),
        C("activation of another window", Window(SDL_WINDOWEVENT_FOCUS_GAINED, 3), {}),
        C("exposed", Window(SDL_WINDOWEVENT_EXPOSED), {}),
        // Close box and quit.
        C("close box", Window(SDL_WINDOWEVENT_CLOSE), {Of(K_::CloseRequest)}),
        C("quit", Quit(), {Of(K_::QuitRequest)}),
        // Leaving the window: a move to where the pointer is now.
        CS("leave", Window(SDL_WINDOWEVENT_LEAVE), 0, SDL_BUTTON_RMASK, {-5, 100},
           {M(10, -5, 100, 2, false)}),
    };
    for (const TCase& c : cases) {
        TInputTranslator translator;
        TFakeState state;
        state.modifiers = c.modifiers;
        state.buttons = c.buttons;
        state.pointer = c.pointer;
        TPlatformEventList out;
        const bool attach =
            c.withText && c.event.type == SDL_KEYDOWN && TInputTranslator::TakesText(c.event.key);
        translator.Translate(c.event, attach ? &c.text : nullptr, state, out);
        std::vector<TPlatformEvent> got(out.begin(), out.end());
        std::string gotText;
        for (const auto& e : got) gotText += Describe(e);
        std::string wantText;
        for (const auto& e : c.expected) wantText += Describe(e);
        EXPECT_EQ(gotText, wantText) << c.name;
    }
}

TEST(InputTranslator, KeyReleaseRepeatsTheCharacterItsPressTyped) {
    TInputTranslator translator;
    TFakeState state;
    TPlatformEventList out;
    const SDL_Event text = Text("A");
    translator.Translate(Key(true, SDL_SCANCODE_A, SDLK_a, KMOD_LSHIFT), &text, state, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], K(1, 'A', kModShift));
    // Shift is let go before the key: the release still says 'A'.
    translator.Translate(Key(false, SDL_SCANCODE_A, SDLK_a), nullptr, state, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], K(2, 'A'));
    EXPECT_EQ(out[1], K(3, 'A'));
    // Ctrl-F's release says 'f'.
    translator.Translate(Key(true, SDL_SCANCODE_F, SDLK_f, KMOD_LCTRL), nullptr, state, out);
    translator.Translate(Key(false, SDL_SCANCODE_F, SDLK_f, KMOD_LCTRL), nullptr, state, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], K(2, 'f', kCtrlBits));
    EXPECT_EQ(out[1], K(3, 'f', kCtrlBits));
}

TEST(InputTranslator, CtrlClickReleaseFollowsItsPress) {
    TInputTranslator translator;
    TFakeState state;
    TPlatformEventList out;
    state.modifiers = KMOD_LCTRL;
    translator.Translate(Button(true, SDL_BUTTON_LEFT, 1), nullptr, state, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].code, kMouseRightDown);
    // Ctrl let go before the button: still the right button's release.
    state.modifiers = 0;
    translator.Translate(Button(false, SDL_BUTTON_LEFT, 1), nullptr, state, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].code, kMouseRightUp);
    // The next plain click is left again, even with Ctrl pressed before the release.
    translator.Translate(Button(true, SDL_BUTTON_LEFT, 1), nullptr, state, out);
    EXPECT_EQ(out[0].code, kMouseLeftDown);
    state.modifiers = KMOD_LCTRL;
    translator.Translate(Button(false, SDL_BUTTON_LEFT, 1), nullptr, state, out);
    EXPECT_EQ(out[0].code, kMouseLeftUp);
}

TEST(InputTranslator, UnterminatedTextIsReadWithinItsBuffer) {
    TInputTranslator translator;
    TFakeState state;
    TPlatformEventList out;
    SDL_Event e{};
    e.text.type = SDL_TEXTINPUT;
    std::memset(e.text.text, 'x', sizeof(e.text.text));  // no terminating NUL at all
    translator.Translate(e, nullptr, state, out);
    EXPECT_EQ(out.size(), sizeof(e.text.text));
    for (const auto& k : out) EXPECT_EQ(k.character, 'x');
}

}  // namespace
