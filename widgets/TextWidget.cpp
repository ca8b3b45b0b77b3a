#include "widgets/TextWidget.h"

#include <algorithm>
#include <array>
#include <limits>

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "core/base/Utf8.h"
#include "core/lang/MultiLanguages.h"
#include "widgets/WidgetInternal.h"

namespace {

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

TRect MakeRect(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    return {ClampToInt32(left), ClampToInt32(top), ClampToInt32(right), ClampToInt32(bottom)};
}

// Where a line of lineWidth starts in a box of width.
int64_t LineStart(const std::string& align, int64_t width, int64_t lineWidth) {
    if (align == "right") return width - lineWidth;
    if (align == "center") return (width - lineWidth) / 2;
    return 0;
}

}  // namespace

WideString FitWithEllipsis(ITextWidget& widget, const WideString& text) {
    const int64_t room = widget.GetWidth();
    if (widget.GetTextWidth(text) <= room) return text;
    const WideString dots = u"...";
    size_t keep = text.size();
    while (keep > 0 && widget.GetTextWidth(text.substr(0, keep) + dots) > room) --keep;
    // Trailing blanks before the dots read as a gap, not as the cut.
    while (keep > 0 && text[keep - 1] == u' ') --keep;
    return text.substr(0, keep) + dots;
}

WideString TranslateDisplayText(const std::string& utf8) {
    const std::string text = Translate(utf8);
    WideString wide = UTF8ToWide(text);
    if (wide.empty() && !text.empty()) return StringToWide(text);
    return wide;
}

const TPropertyTable& TTextWidget::Table() {
    using W = TTextWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TImageWidget::Table())
            .Custom("text", &W::TextProperty, &W::SetTextProperty)
            .Custom("text_utf8", &W::TextUtf8Property, &W::SetTextUtf8Property)
            .Accessor("multiline", &W::GetMultiline, &W::SetMultiline).NotStored().NoAssign()
            .Accessor("usefixedwidth", &W::GetUseFixedWidth, &W::SetUseFixedWidth).NotStored().NoAssign()
            .Accessor("fixedwidth", &W::GetFixedWidth, &W::SetFixedWidth).NotStored().NoAssign()
            .Accessor("textalign", &W::GetTextAlign, &W::SetTextAlign).NotStored().NoAssign()
            .Accessor("textvertalign", &W::GetTextVertAlign, &W::SetTextVertAlign).NotStored().NoAssign()
            .Field("textlineheight", &W::textLineHeight_, 0).SaveAlways()
            .Field("usefixedwidth", &W::useFixedWidth_, false).SaveAlways().StorageOnly()
            .Field("multiline", &W::multiline_, false).SaveAlways().StorageOnly()
            .Field("fixedwidth", &W::fixedWidth_, 0).SaveAlways().StorageOnly()
            .Field("textalign", &W::textAlign_, std::string("left")).SaveAlways().StorageOnly()
            .Field("textvertalign", &W::textVertAlign_, std::string("top")).SaveAlways().StorageOnly()
            .Build();
    // clang-format on
    return table;
}

Variant TTextWidget::TextProperty(TTextWidget& widget) {
    return Variant(widget.text_);
}

void TTextWidget::SetTextProperty(TTextWidget& widget, const Variant& value) {
    widget.SetText(TranslateDisplayText(WideToUTF8(value.ToWideString())));
}

Variant TTextWidget::TextUtf8Property(TTextWidget& widget) {
    return Variant(WideToUTF8(widget.text_));
}

void TTextWidget::SetTextUtf8Property(TTextWidget& widget, const Variant& value) {
    widget.SetText(TranslateDisplayText(value.ToString()));
}

void TTextWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TImageWidget::LoadFrom(storage);
    text_ = ReadTranslatedText(storage, "text", "");
    if (fixedWidth_ == 0) useFixedWidth_ = false;
}

void TTextWidget::Attach(IWidgetOwner* owner) {
    TImageWidget::Attach(owner);
    Relayout();
}

void TTextWidget::Invalidate() {
    Relayout();
    TImageWidget::Invalidate();
}

void TTextWidget::SetChanged(bool value) {
    TImageWidget::SetChanged(value);
    if (value) surfaceDirty_ = true;
}

void TTextWidget::SetResourceName(const std::string& name) {
    TImageWidget::SetResourceName(name);
    // Also under the same name: the resource behind it may have been replaced.
    Relayout();
}

void TTextWidget::SetText(const WideString& text) {
    if (text == text_) return;
    text_ = text;
    Relayout();
}

void TTextWidget::SetFixedWidth(int32_t value) {
    if (value == fixedWidth_) return;
    fixedWidth_ = value;
    Relayout();
}

void TTextWidget::SetUseFixedWidth(bool value) {
    if (value == useFixedWidth_) return;
    useFixedWidth_ = value;
    Relayout();
}

void TTextWidget::SetTextAlign(const std::string& value) {
    if (value == textAlign_) return;
    textAlign_ = value;
    Relayout();
}

void TTextWidget::SetMultiline(bool value) {
    if (value == multiline_) return;
    multiline_ = value;
    Relayout();
}

void TTextWidget::SetTextVertAlign(const std::string& value) {
    if (value == textVertAlign_) return;
    textVertAlign_ = value;
    Relayout();
}

Ref<IFontResource> TTextWidget::GetFont() {
    return Query<IFontResource>(GetImageResource());
}

int32_t TTextWidget::GetTextWidth(const WideString& text) {
    const Ref<IFontResource> font = GetFont();
    if (!font) return 0;
    int64_t width = 0;
    for (const char16_t character : text) {
        if (const Ref<ISymbol> glyph = font->GetSymbolByCode(character)) {
            width += useFixedWidth_ ? fixedWidth_ : glyph->GetWidth();
        }
    }
    return ClampToInt32(width);
}

int32_t TTextWidget::GetTextHeight(const WideString& text) {
    const Ref<IFontResource> font = GetFont();
    if (!font) return 0;
    int32_t height = 0;
    for (const char16_t character : text) {
        if (const Ref<ISymbol> glyph = font->GetSymbolByCode(character)) {
            height = std::max(height, glyph->GetHeight());
        }
    }
    return height;
}

bool TTextWidget::GetSymbolPosition(int32_t index, TRect& rect) {
    if (index < 1 || size_t(index) > symbols_.size()) return false;
    const TSymbolInfo& symbol = symbols_[size_t(index) - 1];
    if (!symbol.shown) return false;
    rect = ShiftRect(symbol.rect, RoundToInt(GetDrawLeft()), RoundToInt(GetDrawTop()));
    return true;
}

int32_t TTextWidget::Advance(const TSymbolInfo& symbol, bool withRoom) const {
    if (useFixedWidth_) return fixedWidth_;
    const int32_t width = ClampToInt32(symbol.rect.Width());
    if (!withRoom) return width;
    return ClampToInt32(int64_t{symbol.wLeft} + width + symbol.wRight);
}

void TTextWidget::Relayout() {
    SetChanged(true);
    SetMoved(true);
    surfaceDirty_ = true;
    const Ref<IFontResource> font = GetFont();
    if (!font) return;
    ++layoutCount_;
    fontHeight_ = font->GetFontHeight();

    layoutFont_ = font.get();

    // A text repeats its characters: each ASCII glyph is asked of the font
    // once per layout.
    struct TGlyphEntry {
        bool known = false;
        TSymbolInfo info;
    };
    std::array<TGlyphEntry, 128> ascii{};
    const auto describe = [&font](char16_t character) {
        TSymbolInfo info;
        if (const Ref<ISymbol> glyph = font->GetSymbolByCode(character)) {
            info.inFont = true;
            info.shown = true;
            info.rect = {0, 0, glyph->GetWidth(), glyph->GetHeight()};
            info.wLeft = glyph->GetWLeft();
            info.wRight = glyph->GetWRight();
            info.glyph = glyph->GetRect();
        }
        return info;
    };
    symbols_.clear();
    symbols_.reserve(text_.size());
    for (size_t i = 0; i < text_.size(); ++i) {
        const char16_t character = text_[i];
        if (character < ascii.size()) {
            TGlyphEntry& entry = ascii[character];
            if (!entry.known) {
                entry.info = describe(character);
                entry.known = true;
            }
            symbols_.push_back(entry.info);
        } else {
            symbols_.push_back(describe(character));
        }
        TSymbolInfo& symbol = symbols_.back();
        symbol.character = character;
        symbol.index = ClampToInt32(int64_t(i) + 1);
    }
    if (multiline_) {
        LayoutLines();
    } else {
        LayoutLine();
    }

    textRect_ = {};
    bool any = false;
    for (const TSymbolInfo& symbol : symbols_) {
        if (!symbol.shown) continue;
        if (!any) {
            textRect_ = symbol.rect;
            any = true;
            continue;
        }
        textRect_.left = std::min(textRect_.left, symbol.rect.left);
        textRect_.top = std::min(textRect_.top, symbol.rect.top);
        textRect_.right = std::max(textRect_.right, symbol.rect.right);
        textRect_.bottom = std::max(textRect_.bottom, symbol.rect.bottom);
    }
}

void TTextWidget::LayoutLine() {
    const int64_t width = GetWidth();
    const int64_t height = GetHeight();
    // What fits: once a glyph overflows, it and every later one are hidden.
    int64_t x = 0;
    int64_t lineHeight = 0;
    bool overflow = false;
    for (TSymbolInfo& symbol : symbols_) {
        if (!symbol.shown) continue;
        const int64_t advance = Advance(symbol, false);
        if (overflow || x + advance > width) {
            overflow = true;
            symbol.shown = false;
            continue;
        }
        lineHeight = std::max<int64_t>(lineHeight, symbol.rect.Height());
        x += advance;
    }
    if (fontHeight_ > 0) lineHeight = fontHeight_;

    int64_t start = LineStart(textAlign_, width, x);
    int64_t top = 0;
    if (textVertAlign_ == "middle") {
        top = (height - lineHeight) / 2;
    } else if (textVertAlign_ == "bottom") {
        top = height - lineHeight;
    }
    for (TSymbolInfo& symbol : symbols_) {
        if (!symbol.shown) continue;
        const int64_t w = symbol.rect.Width();
        const int64_t h = symbol.rect.Height();
        const int64_t cell = useFixedWidth_ ? (int64_t{fixedWidth_} - w) / 2 : 0;
        symbol.rect = MakeRect(start + cell, top, start + cell + w, top + h);
        start += useFixedWidth_ ? fixedWidth_ : w;
    }
}

void TTextWidget::LayoutLines() {
    const int64_t width = GetWidth();
    const int64_t height = GetHeight();
    const int64_t step = textLineHeight_ != 0 ? textLineHeight_ : fontHeight_;
    const int64_t count = int64_t(symbols_.size());
    int64_t top = 0;
    int64_t lines = 0;
    int64_t first = 0;
    bool done = count == 0;
    // Each line takes at least one character, so this ends whatever the step.
    while (!done && top <= height) {
        // Up to the first line feed, or to the first glyph that overflows.
        int64_t lineWidth = 0;
        int64_t lastSpace = -1;
        int64_t end = -1;
        for (int64_t i = first; i < count && end < 0; ++i) {
            const TSymbolInfo& symbol = symbols_[size_t(i)];
            if (symbol.character == u'\n') end = i;
            if (symbol.character == u' ') lastSpace = i;
            if (symbol.shown) {
                lineWidth += Advance(symbol, true);
                if (lineWidth > width) end = i;
            }
        }
        if (end < 0) end = count - 1;
        if (lineWidth > width) {
            if (lastSpace < 0) {
                // One long word: split it after its last character that fits.
                while (end > first && lineWidth > width) {
                    const TSymbolInfo& symbol = symbols_[size_t(end)];
                    if (symbol.shown) lineWidth -= Advance(symbol, true);
                    --end;
                }
            } else {
                // The line ends before its last space; the next one after it.
                for (int64_t i = end; i >= lastSpace; --i) {
                    const TSymbolInfo& symbol = symbols_[size_t(i)];
                    if (symbol.shown) lineWidth -= Advance(symbol, true);
                }
                symbols_[size_t(lastSpace)].shown = false;
                end = lastSpace;
            }
        }

        int64_t start = LineStart(textAlign_, width, lineWidth);
        for (int64_t i = first; i <= end; ++i) {
            TSymbolInfo& symbol = symbols_[size_t(i)];
            if (!symbol.shown) continue;
            const int64_t w = symbol.rect.Width();
            const int64_t h = symbol.rect.Height();
            if (useFixedWidth_) {
                const int64_t cell = (int64_t{fixedWidth_} - w) / 2;
                symbol.rect = MakeRect(start + cell, top, start + cell + w, top + h);
                start += fixedWidth_;
            } else {
                start += symbol.wLeft;
                symbol.rect = MakeRect(start, top, start + w, top + h);
                start += w + symbol.wRight;
            }
        }
        done = end == count - 1;
        first = end + 1;
        top += step;
        ++lines;
    }
    // The characters below the last line that fits are not shown.
    if (!done) {
        for (int64_t i = first; i < count; ++i) symbols_[size_t(i)].shown = false;
    }

    int64_t offset = 0;
    if (textVertAlign_ == "middle") {
        offset = (height - fontHeight_ - step * (lines - 1)) / 2;
    } else if (textVertAlign_ == "bottom") {
        offset = height - fontHeight_ - step * (lines - 1);
    }
    if (offset == 0) return;
    for (TSymbolInfo& symbol : symbols_) {
        if (!symbol.shown) continue;
        symbol.rect.top = ClampToInt32(symbol.rect.top + offset);
        symbol.rect.bottom = ClampToInt32(symbol.rect.bottom + offset);
    }
}

TRect TTextWidget::GetBounds() {
    TRect bounds = TImageWidget::GetBounds();
    if (textRect_.IsEmpty()) return bounds;
    const TRect text = ShiftRect(textRect_, RoundToInt(GetLeft()), RoundToInt(GetTop()));
    bounds.left = std::min(bounds.left, text.left);
    bounds.top = std::min(bounds.top, text.top);
    bounds.right = std::max(bounds.right, text.right);
    bounds.bottom = std::max(bounds.bottom, text.bottom);
    return bounds;
}

void TTextWidget::PrepareTextSurface() {
    if (!textSurface_) {
        const Ref<IEngine> engine = GetEngineLink();
        textSurface_ = engine ? engine->CreateSurface() : nullptr;
        if (!textSurface_) textSurface_ = MakeRef<TSurface>();
        textSurface_->SetTransparent(true);
        surfaceDirty_ = true;
    }
    if (!surfaceDirty_) return;
    // Without a font the last picture stays.
    const Ref<IFontResource> font = GetFont();
    if (!font) return;
    const int32_t width = ClampToInt32(std::max<int64_t>(textRect_.Width(), 0));
    const int32_t height = ClampToInt32(std::max<int64_t>(textRect_.Height(), 0));
    if (textSurface_->GetWidth() < width || textSurface_->GetHeight() < height) {
        if (!SurfaceSizeAllowed(width, height)) {
            Log("WIDGET", DescribeWidget(*this) + ": a text of " + std::to_string(width) + " by " +
                              std::to_string(height) + " pixels is too large to draw");
            textSurface_->SetSize(0, 0);
            surfaceDirty_ = false;
            return;
        }
        textSurface_->SetSize(width, height);
    }
    textSurface_->Clear();
    const int32_t dx = NegateClamped(textRect_.left);
    const int32_t dy = NegateClamped(textRect_.top);
    // A plain font that laid the text out draws every glyph from one picture
    // at the place the layout noted; a substitute font answers each glyph
    // from the font that has it, so it is asked again.
    const bool noted = font.get() == layoutFont_ && Query<TFontResource>(font);
    const Ref<ISurface> shared = noted ? font->GetSurface() : nullptr;
    const bool fill = GetDrawMode() == kDrawFillColor;
    for (const TSymbolInfo& symbol : symbols_) {
        if (!symbol.shown) continue;
        TRect source = symbol.glyph;
        ISurface* picture = shared.get();
        Ref<ISurface> asked;
        if (!noted) {
            const Ref<ISymbol> glyph = font->GetSymbolByCode(symbol.character);
            if (!glyph) continue;
            source = glyph->GetRect();
            asked = font->GetSurface();
            picture = asked.get();
        }
        if (!picture) continue;
        const TRect dest = ShiftRect(symbol.rect, dx, dy);
        if (fill) {
            textSurface_->DrawColored(GetFillColor(), picture, source, dest, 255, bm_Normal);
        } else {
            textSurface_->Draw(picture, source, dest, 255, bm_Normal);
        }
    }
    surfaceDirty_ = false;
}

void TTextWidget::Render(ISurface& surface, int32_t x, int32_t y) {
    PrepareTextSurface();
    const int32_t width = textSurface_->GetWidth();
    const int32_t height = textSurface_->GetHeight();
    if (width <= 0 || height <= 0) return;
    const int32_t left = AddClamped(x, textRect_.left);
    const int32_t top = AddClamped(y, textRect_.top);
    surface.Draw(textSurface_.get(), {0, 0, width, height},
                 {left, top, AddClamped(left, width), AddClamped(top, height)},
                 GetTransparentLevel(), bm_Normal);
}

bool TTextWidget::ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) {
    if (!TResourceWidget::ContainsPoint(x, y, ignoreVisible)) return false;
    const int64_t lx = int64_t{x} - RoundToInt(GetLeft());
    const int64_t ly = int64_t{y} - RoundToInt(GetTop());
    const Ref<IFontResource> font = GetFont();
    for (const TSymbolInfo& symbol : symbols_) {
        if (!symbol.shown) continue;
        const TRect& r = symbol.rect;
        if (lx < r.left || lx >= r.right || ly < r.top || ly >= r.bottom) continue;
        const Ref<ISymbol> glyph = font ? font->GetSymbolByCode(symbol.character) : nullptr;
        const Ref<ISurface> picture = glyph ? font->GetSurface() : nullptr;
        // Without the font's picture the glyph's cell is what was drawn.
        if (!picture) return true;
        const TRect source = glyph->GetRect();
        uint32_t pixel = 0;
        picture->GetPixel(ClampToInt32(source.left + (lx - r.left)),
                          ClampToInt32(source.top + (ly - r.top)), pixel);
        if ((pixel >> 24) != 0) return true;
    }
    return false;
}
