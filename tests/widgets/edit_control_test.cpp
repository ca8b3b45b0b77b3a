// The edit control: typing on key releases with code 4 after each, the
// caret keys on presses, the length limit, capitalisation, characters the
// font lacks, the caret's place and visibility, the text set by the screen,
// a player's text never translated, and the stored text in UTF-8.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/Utf8.h"
#include "core/storage/XMLStorage.h"
#include "tests/widgets/ControlFixtures.h"
#include "widgets/EditControl.h"
#include "widgets/TextWidget.h"
#include "widgets/WidgetUtils.h"

namespace controltest {
namespace {

using Events = std::vector<TTestScreen::TEvent>;

class EditControl : public testing::Test {
protected:
    EditControl() { leaftest::AddFont(screen); }

    // The edit "e" (200 by 20 at (10, 10)) with its text at (5, 2) and its
    // caret at (caretLeft, 0) of it.
    TEditControl& Load(const std::string& keys, const std::string& textKeys = "",
                       int caretLeft = 3) {
        screen.Load(R"(
          <widget type="group_widget" name="root">
            <widgets>
              <widget type="EditControl" name="e" visible="yes" mousestop="yes" anchor_left="10"
                      anchor_top="10" width="200" height="20" )" +
                    keys + R"(>
                <widgets>
                  <widget type="text_widget" name="text" visible="yes" resourcename="font"
                          anchor_left="5" anchor_top="2" width="150" height="14" )" +
                    textKeys + R"(/>
                  <widget type="test_widget" name="cursor" visible="yes" anchor_top="0"
                          width="2" height="16" anchor_left=")" +
                    std::to_string(caretLeft) + R"("/>
                </widgets>
              </widget>
            </widgets>
          </widget>)");
        auto* edit = dynamic_cast<TEditControl*>(screen.Find("e").get());
        if (!edit) throw std::runtime_error("no edit");
        return *edit;
    }
    // A focused edit that takes 20 characters.
    TEditControl& LoadFocused(const std::string& keys = R"(max="20")") {
        TEditControl& edit = Load(R"(enabled="yes" tabstop="yes" )" + keys);
        screen.Click(100, 20);
        EXPECT_TRUE(edit.GetFocused());
        return edit;
    }
    // Presses and releases each character's key (Latin-1 text as UTF-8).
    void Type(const std::string& utf8) {
        size_t pos = 0;
        while (pos < utf8.size()) {
            const size_t start = pos;
            const char32_t c = ReadUtf8Char(utf8, pos);
            const std::string one = utf8.substr(start, pos - start);
            screen.PressKey(SDL_GetScancodeFromKey(SDL_Keycode(c)), SDL_Keycode(c), one.c_str());
        }
    }
    void Press(SDL_Scancode scancode, SDL_Keycode key) { screen.PressKey(scancode, key); }
    std::string Shown() { return WideToUTF8(Query<ITextWidget>(screen.Find("e/text"))->GetText()); }
    Ref<IWidget> Caret() { return screen.Find("e/cursor"); }

    TWidgetHarness screen;
};

TEST_F(EditControl, TypedCharactersGoInOnReleaseAndEachReleaseReports) {
    TEditControl& edit = LoadFocused();
    Type("wie");
    EXPECT_EQ(Shown(), "wie");
    EXPECT_EQ(edit.GetProperty("text_utf8"), Variant(std::string("wie")));
    EXPECT_EQ(edit.GetCaretPos(), 3);
    EXPECT_EQ(screen.Events(), (Events{{"e", 4}, {"e", 4}, {"e", 4}}));

    // A character goes in when its key is released, not while it is held.
    screen.KeyDown(SDL_SCANCODE_A, SDLK_a);
    screen.KeyDown(SDL_SCANCODE_A, SDLK_a, 0, true);
    EXPECT_EQ(Shown(), "wie");
    screen.KeyUp(SDL_SCANCODE_A, SDLK_a);
    EXPECT_EQ(screen.Events().size(), 4u);
}

TEST_F(EditControl, TheCaretKeysMoveOnPressesAndTypingGoesInAtTheCaret) {
    TEditControl& edit = LoadFocused();
    Type("abc");
    Press(SDL_SCANCODE_LEFT, SDLK_LEFT);
    Press(SDL_SCANCODE_LEFT, SDLK_LEFT);
    Type("x");
    EXPECT_EQ(Shown(), "axbc");
    EXPECT_EQ(edit.GetCaretPos(), 2);
    Press(SDL_SCANCODE_HOME, SDLK_HOME);
    Type("y");
    EXPECT_EQ(Shown(), "yaxbc");
    Press(SDL_SCANCODE_END, SDLK_END);
    Press(SDL_SCANCODE_RIGHT, SDLK_RIGHT);
    EXPECT_EQ(edit.GetCaretPos(), 5);
    Press(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE);
    EXPECT_EQ(Shown(), "yaxb");
    // Each release of the caret keys was reported too: they type nothing.
    EXPECT_EQ(screen.Events().size(), 11u);
    EXPECT_EQ(Shown(), "yaxb");
}

TEST_F(EditControl, TheCaretKeysAreHandledAtTheEnds) {
    TEditControl& edit = LoadFocused();
    EXPECT_TRUE(edit.HandleKey(kKeyDown, 28, 0));
    EXPECT_EQ(edit.GetCaretPos(), 0);
    EXPECT_TRUE(edit.HandleKey(kKeyDown, 29, 0));
    EXPECT_EQ(edit.GetCaretPos(), 0);
    // Other presses and the releases themselves are left alone.
    EXPECT_FALSE(edit.HandleKey(kKeyDown, 'a', 0));
    EXPECT_FALSE(edit.HandleKey(kKeyUp, 'a', 0));
    EXPECT_FALSE(edit.HandleKey(kKeyUp, 9, 0));
    // An edit without the focus handles nothing.
    screen.Screen().ClearFocus();
    EXPECT_FALSE(edit.HandleKey(kKeyDown, 28, 0));
    EXPECT_FALSE(edit.HandleKey(kKeyUpAfter, 'a', 0));
    EXPECT_EQ(Shown(), "");
}

TEST_F(EditControl, BackspaceAtTheStartChangesNothingButReports) {
    TEditControl& edit = LoadFocused();
    Type("ab");
    Press(SDL_SCANCODE_HOME, SDLK_HOME);
    screen.Screen().ClearEvents();
    Press(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE);
    EXPECT_EQ(Shown(), "ab");
    EXPECT_EQ(edit.GetCaretPos(), 0);
    EXPECT_EQ(screen.Events(), (Events{{"e", 4}}));
}

TEST_F(EditControl, TheLimitStopsTypingButNotTheReport) {
    LoadFocused(R"(max="3")");
    Type("abcd");
    EXPECT_EQ(Shown(), "abc");
    EXPECT_EQ(screen.Events().size(), 4u);
}

TEST_F(EditControl, CapitalsAndCharactersTheFontLacks) {
    LoadFocused(R"(max="20" capitalize="yes")");
    // The test font has "W" but no other capitals, no digits.
    Type("w1a\xC3\xA9");
    EXPECT_EQ(Shown(), "W");
    EXPECT_EQ(screen.Events().size(), 4u);

    LoadFocused();
    Type("w\xC3\xA9");
    EXPECT_EQ(Shown(), "w\xC3\xA9");
    EXPECT_EQ(screen.Find("e")->GetProperty("text_utf8"), Variant(std::string("w\xC3\xA9")));
    EXPECT_EQ(screen.Find("e")->GetProperty("value"), Variant(WideString(u"w\u00E9")));
    // Return and Tab type nothing.
    Press(SDL_SCANCODE_RETURN, SDLK_RETURN);
    Press(SDL_SCANCODE_TAB, SDLK_TAB);
    EXPECT_EQ(Shown(), "w\xC3\xA9");
}

TEST_F(EditControl, APlayersTextIsShownAsTyped) {
    TEditControl& edit = LoadFocused();
    Type("%%a%");
    EXPECT_EQ(Shown(), "%%a%");
    edit.SetProperty("value", Variant(WideString(u"%%x%%")));
    EXPECT_EQ(Shown(), "%%x%%");
}

TEST_F(EditControl, TheScreensTextMovesTheCaretToTheStartOnlyWhenItIsShorter) {
    TEditControl& edit = LoadFocused();
    Type("abcd");
    edit.SetProperty("text_utf8", Variant(std::string("abcdef")));
    EXPECT_EQ(edit.GetCaretPos(), 4);
    edit.SetProperty("value", Variant(WideString(u"ab")));
    EXPECT_EQ(edit.GetCaretPos(), 0);
    EXPECT_EQ(Shown(), "ab");
    EXPECT_TRUE(screen.Events().size() == 4u);  // setting reports nothing
    edit.SetProperty("max", Variant("many"));
    EXPECT_EQ(edit.GetMax(), 20);
}

TEST_F(EditControl, TheCaretShowsWithTheFocusAfterTheCharacterBeforeIt) {
    TEditControl& edit = Load(R"(enabled="yes" tabstop="yes" max="20")");
    EXPECT_FALSE(Caret()->GetVisible());
    screen.Click(100, 20);
    EXPECT_TRUE(Caret()->GetVisible());
    // No character before it: the text's left.
    EXPECT_EQ(Caret()->GetLeft(), 5);
    Type("ab");
    // After "b" (10 to 20 in the text at 5), less the data's offset of 2.
    EXPECT_EQ(Caret()->GetLeft(), 23);
    EXPECT_EQ(Caret()->GetTop(), 0);
    Type("i");
    EXPECT_EQ(Caret()->GetLeft(), 29);
    screen.Screen().ClearFocus();
    EXPECT_FALSE(Caret()->GetVisible());
    EXPECT_FALSE(edit.GetFocused());
}

TEST_F(EditControl, ATextWiderThanTheFieldScrollsWithTheCaretAndStaysInside) {
    // 30 letters of 10 pixels in a text 150 wide at 5: 15 fit.
    TEditControl& edit = LoadFocused(R"(max="40")");
    const std::string typed = "abcdefghjklmnopqrstuvwxyzabcde";
    Type(typed);
    ASSERT_EQ(edit.GetProperty("text_utf8"), Variant(typed));
    auto* text = dynamic_cast<TTextWidget*>(screen.Find("e/text").get());
    ASSERT_NE(text, nullptr);
    struct TStep {
        SDL_Scancode scancode;
        SDL_Keycode key;
        int presses;
        const char* shown;  // the 15 letters around the caret
        int caretAfter;     // letters of them before the caret
    };
    const TStep steps[] = {
        {SDL_SCANCODE_END, SDLK_END, 0, "qrstuvwxyzabcde", 15},
        {SDL_SCANCODE_LEFT, SDLK_LEFT, 5, "qrstuvwxyzabcde", 10},
        {SDL_SCANCODE_HOME, SDLK_HOME, 1, "abcdefghjklmnop", 0},
        {SDL_SCANCODE_RIGHT, SDLK_RIGHT, 20, "fghjklmnopqrstu", 15},
        {SDL_SCANCODE_END, SDLK_END, 1, "qrstuvwxyzabcde", 15},
    };
    for (const TStep& step : steps) {
        for (int i = 0; i < step.presses; ++i) Press(step.scancode, step.key);
        const std::string expected = step.shown;
        SCOPED_TRACE(expected);
        // The letters shown are the typed ones around the caret, and no more
        // than fit.
        EXPECT_EQ(Shown(), expected);
        EXPECT_NE(typed.find(Shown()), std::string::npos);
        EXPECT_LE(text->GetTextRect().right, text->GetWidth());
        // The caret stays inside the text's place (5 to 155, less its data
        // offset of 2): after the letter before it, or at the start.
        EXPECT_GE(Caret()->GetLeft(), 3);
        EXPECT_LE(Caret()->GetLeft(), 5 + 150 - 2);
        EXPECT_EQ(Caret()->GetLeft(), step.caretAfter == 0 ? 5 : 3 + 10 * step.caretAfter);
    }
    // Deleting lets the start come back into view.
    for (int i = 0; i < 20; ++i) Press(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE);
    EXPECT_EQ(Shown(), "abcdefghjk");
    EXPECT_EQ(Caret()->GetLeft(), 3 + 100);
}

TEST_F(EditControl, ACentredTextPlacesTheCaretFromItsCentredStart) {
    Load(R"(enabled="yes" tabstop="yes" max="20")", R"(textalign="center" width="100")", 5);
    screen.Click(100, 20);
    Type("abcd");
    Press(SDL_SCANCODE_HOME, SDLK_HOME);
    // The text is 40 wide in 100: it starts 30 in.
    EXPECT_EQ(Caret()->GetLeft(), 35);
    Press(SDL_SCANCODE_RIGHT, SDLK_RIGHT);
    Press(SDL_SCANCODE_RIGHT, SDLK_RIGHT);
    EXPECT_EQ(Caret()->GetLeft(), 55);

    Load(R"(enabled="yes" tabstop="yes" max="20")", R"(textalign="right" width="100")", 5);
    screen.Click(100, 20);
    Type("abcd");
    Press(SDL_SCANCODE_HOME, SDLK_HOME);
    EXPECT_EQ(Caret()->GetLeft(), 65);
}

TEST_F(EditControl, AHiddenOrDisabledEditIsNoTabStop) {
    for (const char* keys : {R"(tabstop="yes")", R"(enabled="yes" tabstop="yes" visible="no")"}) {
        TEditControl& edit = Load(keys);
        EXPECT_FALSE(edit.GetTabStop()) << keys;
        EXPECT_EQ(edit.GetProperty("tabstop"), Variant(false));
        edit.MouseDown(50, 20, 0, kButtonLeft);
        EXPECT_EQ(screen.Screen().GetFocus(), nullptr) << keys;
    }
    EXPECT_TRUE(Load(R"(enabled="yes" tabstop="yes")").GetTabStop());
}

TEST(EditStorage, TheTextIsStoredAsUtf8AndReadsBackTheSame) {
    const Ref<IWidget> edit = WidgetFromXMLText(
        "<widget type=\"EditControl\" name=\"e\" value=\"Ren\xC3\xA9\xE2\x82\xAC\"/>");
    ASSERT_TRUE(edit);
    auto& typed = dynamic_cast<TEditControl&>(*edit);
    EXPECT_EQ(typed.GetText(), u"Ren\u00E9\u20AC");
    EXPECT_EQ(typed.GetCaretPos(), 5);
    EXPECT_EQ(typed.GetMax(), 255);
    const std::string saved = WidgetToXMLText(edit);
    const Ref<IHierStorage> node = LoadStorageFromXML(saved);
    EXPECT_EQ(ReadString(node, "value", ""), "Ren\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(ReadString(node, "max", ""), "255");
    EXPECT_EQ(ReadString(node, "capitalize", "absent"), "absent");
    const Ref<IWidget> again = WidgetFromXMLText(saved);
    EXPECT_EQ(dynamic_cast<TEditControl&>(*again).GetText(), u"Ren\u00E9\u20AC");

    // A loaded text longer than its limit stays whole; an empty one is not
    // written.
    const Ref<IWidget> longer =
        WidgetFromXMLText(R"(<widget type="EditControl" name="e" value="abcdef" max="3"/>)");
    EXPECT_EQ(dynamic_cast<TEditControl&>(*longer).GetText(), u"abcdef");
    const Ref<IWidget> empty = WidgetFromXMLText(R"(<widget type="EditControl" name="e"/>)");
    EXPECT_EQ(ReadString(LoadStorageFromXML(WidgetToXMLText(empty)), "value", "absent"), "absent");
}

}  // namespace
}  // namespace controltest
