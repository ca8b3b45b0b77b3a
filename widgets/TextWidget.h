// The text widget ("text_widget"): a line or a block of text in a bitmap
// font (the engine's font resource named by "resourcename"), laid out inside
// the widget's width and height on one line or in word-wrapped lines,
// aligned left, centre or right and top, middle or bottom, drawn once into
// a private surface and then blitted each time the widget is drawn.
//
// Texts from data and texts typed by a player take different doors. The
// stored "text" and the properties "text" and "text_utf8" are data texts:
// every "%key%" in them is replaced through the language tables ("%%" gives
// "%"). A player's text (a name) is shown as typed through
// ITextWidget::SetText, which never translates, so a "%" in a name stays.
//
// Layout happens when the widget is attached and whenever the text, font,
// alignment, line mode or fixed width changes; an unchanged text costs one
// blit per draw.
//
// Failures: without a font (no engine, no such resource, or one that is no
// font) nothing is laid out and the last drawn text stays; characters the
// font lacks take no room and draw nothing. Values that do not convert are
// refused and logged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "widgets/ImageWidgets.h"

// What a text widget offers beyond IWidget.
class ITextWidget : public virtual IWidget {
public:
    // The width of the text on one line in the widget's font: the sum of
    // the glyph widths (or of the fixed width, when it is used) of the
    // characters the font has. 0 without a font.
    virtual int32_t GetTextWidth(const WideString& text) = 0;
    // The tallest glyph among the text's characters; 0 without a font.
    virtual int32_t GetTextHeight(const WideString& text) = 0;
    // The laid-out rectangle of the index-th character (from 1), in the
    // owner's content coordinates; false (rect untouched) outside the text
    // or for a character not shown.
    virtual bool GetSymbolPosition(int32_t index, TRect& rect) = 0;
    virtual WideString GetText() = 0;
    // Shows the text exactly as given (never translated); a different text
    // is laid out anew.
    virtual void SetText(const WideString& text) = 0;
};

// One character of the text and where the layout put it.
struct TSymbolInfo {
    char16_t character = 0;
    int32_t index = 0;  // from 1
    TRect rect{};       // relative to the widget
    int32_t wLeft = 0;  // the glyph's room before and after it
    int32_t wRight = 0;
    TRect glyph{};        // where the glyph lies in the font's picture
    bool inFont = false;  // the font has a glyph for it
    bool shown = false;   // in the font and kept by the layout
};

// "text_widget". Stored keys after the image widget's: "text" (read only:
// translated when loaded, never written back), "textlineheight",
// "usefixedwidth" (off when "fixedwidth" is 0), "multiline", "fixedwidth",
// "textalign" ("right", "center", else left) and "textvertalign" ("middle",
// "bottom", else top), compared with case. Properties of the same names, and
// "text_utf8"; setting "textlineheight" takes effect at the next layout,
// setting "resourcename" lays the text out again.
class TTextWidget : public TImageWidget, public virtual ITextWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;

    // The engine link, then the first layout.
    void Attach(IWidgetOwner* owner) override;
    // Lays the text out again, then marks the widget changed.
    void Invalidate() override;
    // The widget's rectangle united with the text's: text that overflows
    // the widget is repainted too.
    TRect GetBounds() override;
    // The text surface, drawn again first when the text changed.
    void Render(ISurface& surface, int32_t x, int32_t y) override;
    // Inside the bounds and over an inked pixel of a shown glyph.
    bool ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) override;
    // A change to true also asks for the glyphs to be drawn again.
    void SetChanged(bool value) override;
    // Lays the text out in the new font.
    void SetResourceName(const std::string& name) override;

    // ITextWidget
    int32_t GetTextWidth(const WideString& text) override;
    int32_t GetTextHeight(const WideString& text) override;
    bool GetSymbolPosition(int32_t index, TRect& rect) override;
    WideString GetText() override { return text_; }
    void SetText(const WideString& text) override;

    // Each lays the text out again when the value changes.
    void SetFixedWidth(int32_t value);
    void SetUseFixedWidth(bool value);
    void SetTextAlign(const std::string& value);
    void SetMultiline(bool value);
    void SetTextVertAlign(const std::string& value);

    int32_t GetFixedWidth() const { return fixedWidth_; }
    bool GetUseFixedWidth() const { return useFixedWidth_; }
    const std::string& GetTextAlign() const { return textAlign_; }
    bool GetMultiline() const { return multiline_; }
    int32_t GetTextLineHeight() const { return textLineHeight_; }
    const std::string& GetTextVertAlign() const { return textVertAlign_; }

    // The layout: one entry per character of the text, and the union of the
    // shown glyphs' rectangles (empty without one), relative to the widget.
    const std::vector<TSymbolInfo>& Symbols() const { return symbols_; }
    const TRect& GetTextRect() const { return textRect_; }
    int32_t GetFontHeight() const { return fontHeight_; }
    // How many layouts have run; an unchanged text is laid out once.
    int32_t GetLayoutCount() const { return layoutCount_; }

    // Lays the text out in the widget's font; without a font the previous
    // layout stays.
    void Relayout();

private:
    static Variant TextProperty(TTextWidget& widget);
    static void SetTextProperty(TTextWidget& widget, const Variant& value);
    static Variant TextUtf8Property(TTextWidget& widget);
    static void SetTextUtf8Property(TTextWidget& widget, const Variant& value);
    Ref<IFontResource> GetFont();
    int32_t Advance(const TSymbolInfo& symbol, bool withRoom) const;
    void LayoutLine();
    void LayoutLines();
    void PrepareTextSurface();

    WideString text_;
    int32_t fixedWidth_ = 0;
    bool useFixedWidth_ = false;
    std::string textAlign_ = "left";
    bool multiline_ = false;
    int32_t textLineHeight_ = 0;
    std::string textVertAlign_ = "top";
    TRect textRect_{};
    Ref<ISurface> textSurface_;
    bool surfaceDirty_ = false;
    int32_t fontHeight_ = 0;
    std::vector<TSymbolInfo> symbols_;
    int32_t layoutCount_ = 0;
    // The font of the last layout, for identity only: while the widget's
    // font is still that one, the glyphs are drawn from the places the
    // layout noted.
    const IFontResource* layoutFont_ = nullptr;
};

// A player's text (a name) for a one-line widget: the text when its width
// fits the widget, else as much of its start as fits followed by "..." so the
// player sees that it goes on.
WideString FitWithEllipsis(ITextWidget& widget, const WideString& text);

// A data text as the widget shows it: every "%key%" of the UTF-8 text
// translated, then decoded (bytes that are no UTF-8 taken one per
// character).
WideString TranslateDisplayText(const std::string& utf8);
