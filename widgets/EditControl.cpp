#include "widgets/EditControl.h"

#include "core/base/AsciiText.h"
#include "core/base/Utf8.h"
#include "widgets/TextWidget.h"
#include "widgets/WidgetInternal.h"

namespace {

constexpr int32_t kKeyHome = 1;
constexpr int32_t kKeyEnd = 4;
constexpr int32_t kKeyBackspace = 8;
constexpr int32_t kKeyLeft = 28;
constexpr int32_t kKeyRight = 29;

// Keys arrive as ISO-8859-1 characters, whose codes are their Unicode
// code points. Upper case within that set: a-z and the accented letters
// from U+00E0, except the division sign; the rest have no upper case there.
char16_t UpperLatin1(char16_t c) {
    if (c >= u'a' && c <= u'z') return char16_t(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char16_t(c - 32);
    return c;
}

int32_t Length(const WideString& text) {
    return text.size() > size_t(INT32_MAX) ? INT32_MAX : int32_t(text.size());
}

}  // namespace

const TPropertyTable& TEditControl::Table() {
    using E = TEditControl;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<E>(TControlWidget::Table())
            .Custom("value", &E::ValueProperty, &E::SetValueProperty)
            .Custom("text_utf8", &E::TextUtf8Property, &E::SetTextUtf8Property)
            .Field("max", &E::max_, 255).SaveAlways()
            .Field("capitalize", &E::capitalize_, false).StorageOnly()
            .Build();
    // clang-format on
    return table;
}

Variant TEditControl::ValueProperty(TEditControl& edit) {
    return Variant(edit.text_);
}

void TEditControl::SetValueProperty(TEditControl& edit, const Variant& value) {
    edit.SetText(value.ToWideString());
}

Variant TEditControl::TextUtf8Property(TEditControl& edit) {
    return Variant(WideToUTF8(edit.text_));
}

void TEditControl::SetTextUtf8Property(TEditControl& edit, const Variant& value) {
    const std::string utf8 = value.ToString();
    WideString wide = UTF8ToWide(utf8);
    // Bytes that are no UTF-8 are taken one per character.
    if (wide.empty() && !utf8.empty()) wide = StringToWide(utf8);
    edit.SetText(wide);
}

void TEditControl::LoadFrom(const Ref<IHierStorage>& storage) {
    TControlWidget::LoadFrom(storage);
    if (!storage) return;
    SetText(ReadTranslatedText(storage, "value", ""));
    caretPos_ = Length(text_);
}

void TEditControl::SaveTo(const Ref<IHierStorage>& storage) {
    TControlWidget::SaveTo(storage);
    // UTF-8, the form the loader decodes.
    WriteString(storage, "value", WideToUTF8(text_), !text_.empty());
}

void TEditControl::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    const Ref<IWidget> text = Children().GetWidgetByName("text");
    const Ref<IWidget> caret = Children().GetWidgetByName("cursor");
    textWidget_ = Weak<IWidget>(Query<ITextWidget>(text) ? text : nullptr);
    caretWidget_ = Weak<IWidget>(caret);
    caretOffsetX_ = caretOffsetY_ = 0;
    if (textWidget_.Get() && caret) {
        caretOffsetX_ = RoundToInt(text->GetLeft() - caret->GetLeft());
        caretOffsetY_ = RoundToInt(text->GetTop() - caret->GetTop());
    }
    UpdateView();
}

void TEditControl::Detach() {
    caretWidget_ = nullptr;
    textWidget_ = nullptr;
    TControlWidget::Detach();
}

bool TEditControl::GetTabStop() {
    return TControlWidget::GetTabStop() && GetVisible() && GetEnabled();
}

void TEditControl::ReceiveFocus() {
    TControlWidget::ReceiveFocus();
    UpdateView();
}

void TEditControl::LoseFocus() {
    TControlWidget::LoseFocus();
    UpdateView();
}

void TEditControl::LoseMouseCapture() {
    TControlWidget::LoseMouseCapture();
    UpdateView();
}

void TEditControl::SetText(const WideString& text) {
    text_ = text;
    if (caretPos_ > Length(text_)) caretPos_ = 0;
    UpdateView();
}

Ref<ITextWidget> TEditControl::TextWidget() {
    return Query<ITextWidget>(textWidget_.Lock());
}

bool TEditControl::HandleKey(int32_t kind, int32_t key, int32_t shift) {
    if (!GetFocused()) return TControlWidget::HandleKey(kind, key, shift);
    const Ref<IWidget> self(this);
    if (kind == kKeyDown) {
        bool handled = true;
        switch (key) {
            case kKeyHome:
                caretPos_ = 0;
                break;
            case kKeyEnd:
                caretPos_ = Length(text_);
                break;
            case kKeyLeft:
                if (caretPos_ > 0) --caretPos_;
                break;
            case kKeyRight:
                if (caretPos_ < Length(text_)) ++caretPos_;
                break;
            default:
                handled = false;
                break;
        }
        if (handled) {
            UpdateView();
            return true;
        }
    } else if (kind == kKeyUpAfter) {
        if (key == kKeyBackspace) {
            if (!text_.empty() && caretPos_ > 0) {
                WideString text = text_;
                text.erase(size_t(caretPos_) - 1, 1);
                --caretPos_;
                SetText(text);
            }
        } else {
            Insert(key);
        }
        // Every release is reported, whether or not the text changed.
        Notify(kEventEditKey);
        return true;
    }
    return TControlWidget::HandleKey(kind, key, shift);
}

void TEditControl::Insert(int32_t key) {
    const Ref<ITextWidget> textWidget = TextWidget();
    if (!textWidget || Length(text_) >= max_) return;
    char16_t character = char16_t(key & 0xFF);
    if (capitalize_) character = UpperLatin1(character);
    // Characters the font cannot draw, control characters among them, are
    // dropped.
    if (textWidget->GetTextWidth(WideString(1, character)) <= 0) return;
    WideString text = text_;
    text.insert(size_t(caretPos_), 1, character);
    ++caretPos_;
    SetText(text);
}

void TEditControl::ScrollToCaret(ITextWidget& textWidget) {
    const int64_t room = textWidget.GetWidth();
    const int32_t length = Length(text_);
    const auto width = [&](int32_t from, int32_t to) {
        return int64_t{textWidget.GetTextWidth(text_.substr(size_t(from), size_t(to - from)))};
    };
    if (firstShown_ > caretPos_) firstShown_ = caretPos_;
    if (firstShown_ > length) firstShown_ = length;
    // The caret inside: drop characters at the front until what is before
    // it fits.
    while (firstShown_ < caretPos_ && width(firstShown_, caretPos_) > room) ++firstShown_;
    // No room wasted: characters at the front come back while the rest fits.
    while (firstShown_ > 0 && width(firstShown_ - 1, length) <= room) --firstShown_;
    int32_t end = length;
    while (end > caretPos_ && width(firstShown_, end) > room) --end;
    shownCount_ = end - firstShown_;
}

void TEditControl::UpdateView() {
    const Ref<ITextWidget> textWidget = TextWidget();
    if (!textWidget) return;
    // The part of the text that fits the field, the caret always in it: a
    // longer text scrolls rather than running past the field. A player's
    // text, shown as typed: never through the language tables.
    ScrollToCaret(*textWidget);
    const WideString shown = text_.substr(size_t(firstShown_), size_t(shownCount_));
    const int32_t caretInShown = caretPos_ - firstShown_;
    textWidget->SetText(shown);
    const Ref<IWidget> caret = caretWidget_.Lock();
    if (!caret) return;
    caret->SetVisible(GetFocused());

    int64_t x = RoundToInt(textWidget->GetLeft());
    Variant align;
    try {
        align = textWidget->GetProperty("textalign");
    } catch (const Exception&) {
    }
    const std::string alignment = align.IsString() ? align.ToString() : std::string();
    const int64_t free = int64_t{textWidget->GetWidth()} - textWidget->GetTextWidth(shown);
    if (alignment == "right") {
        x += free;
    } else if (alignment == "center") {
        x += free / 2;
    }
    x += textWidget->GetTextWidth(shown.substr(0, size_t(caretInShown)));
    caret->SetLeft(double(x));
    // Where the layout put the character before the caret wins: the caret
    // keeps the offset from it that the data gave it from the text.
    TRect symbol{};
    if (textWidget->GetSymbolPosition(caretInShown, symbol)) {
        caret->SetLeft(double(int64_t{symbol.right} - caretOffsetX_));
        caret->SetTop(double(int64_t{symbol.top} - caretOffsetY_));
    }
}
