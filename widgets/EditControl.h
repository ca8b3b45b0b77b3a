// The one-line text entry ("EditControl"): player names on the profile and
// score screens. It keeps a wide text and a caret, shows the text in its
// child text widget "text" exactly as typed (a player's text is never
// translated) and places its child "cursor" after the character before the
// caret. A text wider than the text widget scrolls: the widget shows the
// characters that fit its width around the caret, so the caret and the
// text never run past the field. The caret moves on key presses; characters are inserted and
// deleted on key releases, and after every release the screen is told with
// code 4. A left press gives a tab-stop edit the focus; the caret shows only
// while it has it.
//
// Failures: without a "text" child nothing is typed and nothing is shown;
// characters the font cannot draw are dropped. A property value that does
// not convert is left as it was.
#pragma once

#include <cstdint>
#include <string>

#include "widgets/ControlWidget.h"

class ITextWidget;

// Stored keys after the control's: "value" (a data text, translated when
// loaded; written as UTF-8, when not empty), "max" (255 when absent; always
// written) and "capitalize" (written when "yes"). Properties "value" (the
// wide text), "text_utf8" (the text as UTF-8) and "max"; setting the text
// reports nothing.
class TEditControl : public TControlWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The text, the caret at its end, the length limit, capitalisation. The
    // limit is not applied to a loaded text.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    // The group's Attach, the children "text" and "cursor" found and the
    // caret's offset from the text measured as the data places them.
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    // A tab stop only while visible and enabled.
    bool GetTabStop() override;
    void ReceiveFocus() override;
    void LoseFocus() override;
    void LoseMouseCapture() override;
    // While focused: Home (1), End (4), left (28) and right (29) move the
    // caret on a press; on the call after a release, backspace (8) deletes
    // before the caret and any other key inserts its character, then code 4
    // goes to the event handler. Other keys go to the control base.
    bool HandleKey(int32_t kind, int32_t key, int32_t shift) override;

    const WideString& GetText() const { return text_; }
    // The text; a caret beyond its end goes to the start. Reports nothing.
    void SetText(const WideString& text);
    int32_t GetCaretPos() const { return caretPos_; }
    int32_t GetMax() const { return max_; }
    bool GetCapitalize() const { return capitalize_; }
    // The text shown, the caret shown while focused and placed after the
    // character before it.
    void UpdateView();

private:
    static Variant ValueProperty(TEditControl& edit);
    static void SetValueProperty(TEditControl& edit, const Variant& value);
    static Variant TextUtf8Property(TEditControl& edit);
    static void SetTextUtf8Property(TEditControl& edit, const Variant& value);
    Ref<ITextWidget> TextWidget();
    void Insert(int32_t key);
    // The characters shown: from firstShown_ as many as fit the text
    // widget's width, the caret among them or just after them.
    void ScrollToCaret(ITextWidget& textWidget);

    WideString text_;
    int32_t max_ = 0;  // 255 once loaded without the key
    int32_t caretPos_ = 0;
    int32_t firstShown_ = 0;
    int32_t shownCount_ = 0;
    bool capitalize_ = false;
    Weak<IWidget> textWidget_;
    Weak<IWidget> caretWidget_;
    int32_t caretOffsetX_ = 0;
    int32_t caretOffsetY_ = 0;
};
