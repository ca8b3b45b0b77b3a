// The text widget: layouts compared as the rectangles of the shown glyphs
// (one line and wrapped, alignment, fixed width, line feeds, overflow,
// characters the font lacks), translated data texts against player texts
// shown as typed, UTF-8, the drawn pixels, the hit test on the drawn text
// and a layout that is done once for an unchanged text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/Utf8.h"
#include "core/lang/MultiLanguages.h"
#include "tests/support/WidgetHarness.h"
#include "tests/widgets/LeafFixtures.h"
#include "widgets/TextWidget.h"
#include "widgets/WidgetUtils.h"

namespace leaftest {
namespace {

struct TPlaced {
    char16_t character;
    TRect rect;
    bool operator==(const TPlaced&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TPlaced& placed) {
    return out << char(placed.character) << "(" << placed.rect.left << "," << placed.rect.top << ","
               << placed.rect.right << "," << placed.rect.bottom << ")";
}

// The shown glyphs in text order.
std::vector<TPlaced> Shown(const TTextWidget& widget) {
    std::vector<TPlaced> placed;
    for (const TSymbolInfo& symbol : widget.Symbols()) {
        if (symbol.shown) placed.push_back({symbol.character, symbol.rect});
    }
    return placed;
}

// A glyph 12 high at (left, top) of width w.
TPlaced At(char16_t c, int32_t left, int32_t top, int32_t w = 10) {
    return {c, {left, top, left + w, top + kFontHeight}};
}

// A glyph pixel of the font drawn over black: the blend of an opaque pixel
// at level 255 keeps 255/256 of each channel.
uint32_t Drawn(uint32_t font) {
    uint32_t out = 0xFF000000;
    for (int shift = 0; shift <= 16; shift += 8)
        out |= (((font >> shift) & 255) * 255 / 256) << shift;
    return out;
}

class TextWidgets : public testing::Test {
protected:
    TextWidgets() : screen(200, 100) { AddFont(screen); }

    // One text widget "t" at (20, 10) in the font, the text set as typed.
    TTextWidget& Text(const std::string& attributes, const WideString& text) {
        screen.Load(R"(<widget type="group_widget"><widgets>
            <widget type="text_widget" name="t" visible="yes" mousestop="yes" anchor_left="20"
                    anchor_top="10" resourcename="font" )" +
                    attributes + R"(/></widgets></widget>)");
        auto* widget = dynamic_cast<TTextWidget*>(screen.Find("t").get());
        EXPECT_TRUE(widget);
        widget->SetText(text);
        return *widget;
    }

    TWidgetHarness screen;
};

struct TLayoutCase {
    const char* name;
    std::string attributes;
    WideString text;
    std::vector<TPlaced> shown;
};

TEST_F(TextWidgets, OneLineLayouts) {
    const TLayoutCase cases[] = {
        {"what fits",
         R"(width="50" height="20")",
         u"abcdefg",
         {At('a', 0, 0), At('b', 10, 0), At('c', 20, 0), At('d', 30, 0), At('e', 40, 0)}},
        {"centred",
         R"(width="50" height="20" textalign="center")",
         u"abc",
         {At('a', 10, 0), At('b', 20, 0), At('c', 30, 0)}},
        {"to the right",
         R"(width="50" height="20" textalign="right")",
         u"ab",
         {At('a', 30, 0), At('b', 40, 0)}},
        {"alignment names compare with case",
         R"(width="50" height="20" textalign="Right")",
         u"ab",
         {At('a', 0, 0), At('b', 10, 0)}},
        {"room beside glyphs is not counted",
         R"(width="50" height="20")",
         u"aWa",
         {At('a', 0, 0), At('W', 10, 0), At('a', 20, 0)}},
        {"a fixed width centres each glyph in its cell",
         R"(width="50" height="20" usefixedwidth="yes" fixedwidth="12")",
         u"ia",
         {At('i', 3, 0, 6), At('a', 13, 0)}},
        {"characters the font lacks take no room",
         R"(width="50" height="20")",
         u"a\u0416b\nc",
         {At('a', 0, 0), At('b', 10, 0), At('c', 20, 0)}},
        {"middle", R"(width="50" height="30" textvertalign="middle")", u"a", {At('a', 0, 9)}},
        {"bottom", R"(width="50" height="30" textvertalign="bottom")", u"a", {At('a', 0, 18)}},
        {"nothing", R"(width="50" height="30")", u"", {}},
    };
    for (const TLayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TTextWidget& widget = Text(c.attributes, c.text);
        EXPECT_EQ(Shown(widget), c.shown);
    }
}

TEST_F(TextWidgets, WrappedLayouts) {
    const TLayoutCase cases[] = {
        // The line ends before the space, which is hidden; the second word
        // begins the next line.
        {"words",
         R"(multiline="yes" width="45" height="100")",
         u"abc de",
         {At('a', 0, 0), At('b', 10, 0), At('c', 20, 0), At('d', 0, 12), At('e', 10, 12)}},
        {"words, centred",
         R"(multiline="yes" width="45" height="100" textalign="center")",
         u"abc de",
         {At('a', 7, 0), At('b', 17, 0), At('c', 27, 0), At('d', 12, 12), At('e', 22, 12)}},
        {"a long word is split after what fits",
         R"(multiline="yes" width="35" height="100")",
         u"abcdefg",
         {At('a', 0, 0), At('b', 10, 0), At('c', 20, 0), At('d', 0, 12), At('e', 10, 12),
          At('f', 20, 12), At('g', 0, 24)}},
        {"a line feed starts a line",
         R"(multiline="yes" width="100" height="100")",
         u"ab\ncd",
         {At('a', 0, 0), At('b', 10, 0), At('c', 0, 12), At('d', 10, 12)}},
        // Lines are laid out while their top is not below the height.
        {"more lines than fit",
         R"(multiline="yes" width="20" height="20")",
         u"abcdefgh",
         {At('a', 0, 0), At('b', 10, 0), At('c', 0, 12), At('d', 10, 12)}},
        {"the room beside glyphs counts",
         R"(multiline="yes" width="100" height="100")",
         u"aWa",
         {At('a', 0, 0), At('W', 11, 0), At('a', 23, 0)}},
        {"the room can break a line",
         R"(multiline="yes" width="22" height="100")",
         u"aW",
         {At('a', 0, 0), At('W', 1, 12)}},
        {"a fixed width",
         R"(multiline="yes" width="30" height="100" usefixedwidth="yes" fixedwidth="14")",
         u"aia",
         {At('a', 2, 0), At('i', 18, 0, 6), At('a', 2, 12)}},
        {"middle",
         R"(multiline="yes" width="45" height="60" textvertalign="middle")",
         u"abc de",
         {At('a', 0, 18), At('b', 10, 18), At('c', 20, 18), At('d', 0, 30), At('e', 10, 30)}},
        {"bottom, a taller line step",
         R"(multiline="yes" width="45" height="60" textvertalign="bottom" textlineheight="20")",
         u"abc de",
         {At('a', 0, 28), At('b', 10, 28), At('c', 20, 28), At('d', 0, 48), At('e', 10, 48)}},
        {"nothing", R"(multiline="yes" width="45" height="60")", u"", {}},
    };
    for (const TLayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TTextWidget& widget = Text(c.attributes, c.text);
        EXPECT_EQ(Shown(widget), c.shown);
    }
}

TEST_F(TextWidgets, TheTextRectangleAndBoundsHoldTextBeyondTheWidget) {
    // The second line's top equals the height: it is laid out, below the
    // widget.
    TTextWidget& widget = Text(R"(multiline="yes" width="45" height="12")", u"abc de");
    EXPECT_EQ(widget.GetTextRect(), (TRect{0, 0, 30, 24}));
    EXPECT_EQ(widget.GetBounds(), (TRect{20, 10, 65, 34}));
    TRect rect;
    ASSERT_TRUE(widget.GetSymbolPosition(5, rect));
    EXPECT_EQ(rect, (TRect{20, 22, 30, 34}));
    EXPECT_FALSE(widget.GetSymbolPosition(4, rect));  // the hidden space
    EXPECT_FALSE(widget.GetSymbolPosition(0, rect));
    EXPECT_FALSE(widget.GetSymbolPosition(7, rect));
    EXPECT_EQ(rect, (TRect{20, 22, 30, 34}));  // untouched
}

TEST_F(TextWidgets, TextWidthAndHeight) {
    TTextWidget& widget = Text(R"(width="50" height="20")", u"");
    EXPECT_EQ(widget.GetTextWidth(u"aWi"), 26);
    EXPECT_EQ(widget.GetTextWidth(u"a\u0416"), 10);
    EXPECT_EQ(widget.GetTextHeight(u"a"), 12);
    EXPECT_EQ(widget.GetTextHeight(u"\u0416"), 0);
    widget.SetProperty("fixedwidth", Variant(7));
    widget.SetProperty("usefixedwidth", Variant(true));
    EXPECT_EQ(widget.GetTextWidth(u"aWi"), 21);
    widget.SetProperty("resourcename", Variant("nofont"));
    EXPECT_EQ(widget.GetTextWidth(u"aWi"), 0);
    EXPECT_EQ(widget.GetTextHeight(u"a"), 0);
}

TEST_F(TextWidgets, DataTextsAreTranslatedAndPlayerTextsShownAsTyped) {
    SetTextVariable("leaftest_win", "you won");
    TTextWidget& widget = Text(R"(width="200" height="20")", u"");
    widget.SetProperty("text", Variant(u"%leaftest_win%, 50%%"));
    EXPECT_EQ(widget.GetText(), u"you won, 50%");
    widget.SetProperty("text_utf8", Variant("%leaftest_win%"));
    EXPECT_EQ(widget.GetText(), u"you won");

    // A name typed by a player keeps every percent sign.
    widget.SetText(u"%leaftest_win%%%");
    EXPECT_EQ(widget.GetText(), u"%leaftest_win%%%");
    EXPECT_EQ(widget.GetProperty("text_utf8").ToString(), "%leaftest_win%%%");
    EXPECT_EQ(Shown(widget).size(), 15u);  // the font has "%", "_" it has not

    // A stored text is translated on loading.
    screen.Load(R"(<widget type="group_widget"><widgets>
        <widget type="text_widget" name="t" resourcename="font" width="200" height="20"
                text="%leaftest_win%"/></widgets></widget>)");
    EXPECT_EQ(Query<ITextWidget>(screen.Find("t"))->GetText(), u"you won");
}

TEST_F(TextWidgets, UnicodeTexts) {
    TTextWidget& widget = Text(R"(width="200" height="20")", u"");
    widget.SetProperty("text_utf8", Variant("caf\xC3\xA9 \xE2\x82\xAC"));
    EXPECT_EQ(widget.GetText(), u"caf\u00E9 \u20AC");
    EXPECT_EQ(Shown(widget).back(), At(u'\u20AC', 45, 0));
    EXPECT_EQ(widget.GetProperty("text_utf8").ToString(), "caf\xC3\xA9 \xE2\x82\xAC");
    // Bytes that are no UTF-8 are taken one per character.
    widget.SetProperty("text_utf8", Variant("caf\xE9"));
    EXPECT_EQ(widget.GetText(), u"caf\u00E9");
    // A character beyond the font's plane is two units the font has not.
    widget.SetText(u"a\U0001F600b");
    EXPECT_EQ(Shown(widget), (std::vector<TPlaced>{At('a', 0, 0), At('b', 10, 0)}));

    screen.Load(R"(<widget type="group_widget"><widgets>
        <widget type="text_widget" name="t" resourcename="font" width="200" height="20"
                text="&#xE9;t&#xE9;"/></widgets></widget>)");
    EXPECT_EQ(Query<ITextWidget>(screen.Find("t"))->GetText(), u"\u00E9t\u00E9");
}

TEST_F(TextWidgets, TheGlyphsAreDrawnFromTheFont) {
    screen.Load(R"(<widget type="group_widget"><widgets>
        <widget type="test_widget" visible="yes" width="200" height="100" color="$FF000000"/>
        <widget type="text_widget" name="t" visible="yes" z="1" anchor_left="20" anchor_top="10"
                width="50" height="20" resourcename="font"/></widgets></widget>)");
    Query<ITextWidget>(screen.Find("t"))->SetText(u"ab");
    screen.Step();
    const TGlyph a = GlyphOf('a');
    const TGlyph b = GlyphOf('b');
    EXPECT_EQ(screen.Pixel(20, 10), 0xFF000000u);  // the first column of a glyph is blank
    EXPECT_EQ(screen.Pixel(21, 10), Drawn(FontPixel(a.left + 1, 0)));
    EXPECT_EQ(screen.Pixel(35, 21), Drawn(FontPixel(b.left + 5, 11)));
    EXPECT_NE(screen.Pixel(35, 21), screen.Pixel(21, 10));

    // In the fill colour.
    screen.Find("t")->SetProperty("drawmode", Variant(1));
    screen.Find("t")->SetProperty("fillcolor", Variant("$FF00FF00"));
    screen.Step();
    EXPECT_EQ(screen.Pixel(21, 10), Drawn(0xFF00FF00));
    EXPECT_EQ(screen.Pixel(35, 21), Drawn(0xFF00FF00));
    EXPECT_EQ(screen.Pixel(20, 10), 0xFF000000u);
}

TEST_F(TextWidgets, ASubstituteFontDrawsEachGlyphFromTheFontThatHasIt) {
    // A second font with a "Z" (90) only, green, asked first.
    screen.Folder().Write(
        "green.png", fixtures::EncodeRgbaPng(8, kFontHeight, [](int, int) { return 0xFF00FF00u; }));
    AddResources(screen, R"(<resource type="FontResource" name="green" file="green.png"
        format="png"><symbols><symbol scancode="90" left="0" top="0" width="8" height="12"/>
        </symbols></resource>
        <resource type="FontSubstituteResource" name="both" fonts="green,font"/>)");
    screen.Load(R"(<widget type="group_widget"><widgets>
        <widget type="test_widget" visible="yes" width="200" height="100" color="$FF000000"/>
        <widget type="text_widget" name="t" visible="yes" z="1" width="50" height="20"
                resourcename="both"/></widgets></widget>)");
    auto& widget = dynamic_cast<TTextWidget&>(*screen.Find("t"));
    widget.SetText(u"aZa");
    EXPECT_EQ(Shown(widget),
              (std::vector<TPlaced>{At('a', 0, 0), At('Z', 10, 0, 8), At('a', 18, 0)}));
    screen.Step();
    const uint32_t ink = Drawn(FontPixel(GlyphOf('a').left + 1, 0));
    EXPECT_EQ(screen.Pixel(1, 0), ink);
    EXPECT_EQ(screen.Pixel(12, 5), Drawn(0xFF00FF00));
    EXPECT_EQ(screen.Pixel(19, 5), ink);
}

TEST_F(TextWidgets, TheHitTestSamplesTheDrawnText) {
    Text(R"(width="50" height="20")", u"b");
    const Ref<IWidget> widget = screen.Find("t");
    struct TCase {
        int32_t x, y;
        bool hit;
    };
    const TCase cases[] = {
        {21, 15, true},   // an inked pixel of the "b"
        {20, 15, false},  // its blank first column
        // Where the font picture holds another glyph's ink but nothing is
        // drawn: the picture is not what is hit.
        {52, 15, false},
        {69, 29, false},  // inside the widget's rectangle, below the text
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(widget->ContainsPoint(c.x, c.y, false), c.hit);
        EXPECT_EQ(screen.Root()->WidgetAt(c.x, c.y).get() == widget.get(), c.hit);
    }
}

TEST_F(TextWidgets, AnUnchangedTextIsLaidOutOnceAndDrawnOnlyWhenItChanges) {
    TTextWidget& widget = Text(R"(multiline="yes" width="60" height="60")", u"abc de fg");
    screen.Step();
    const int32_t layouts = widget.GetLayoutCount();
    const int renders = screen.RenderCount();
    screen.Step(5);
    EXPECT_EQ(widget.GetLayoutCount(), layouts);
    EXPECT_EQ(screen.RenderCount(), renders);

    widget.SetText(u"abc de fg");  // the same text
    widget.SetProperty("multiline", Variant(true));
    screen.Step();
    EXPECT_EQ(widget.GetLayoutCount(), layouts);
    EXPECT_FALSE(screen.FrameRendered());

    widget.SetText(u"ab");
    EXPECT_EQ(widget.GetLayoutCount(), layouts + 1);
    screen.Step();
    EXPECT_TRUE(screen.FrameRendered());
    EXPECT_FALSE(screen.FrameRects().empty());
}

TEST_F(TextWidgets, TheLineHeightTakesEffectAtTheNextLayout) {
    TTextWidget& widget = Text(R"(multiline="yes" width="20" height="100")", u"abcd");
    EXPECT_EQ(Shown(widget)[2], At('c', 0, 12));
    widget.SetProperty("textlineheight", Variant(30));
    EXPECT_EQ(widget.GetProperty("textlineheight").ToInt(), 30);
    EXPECT_EQ(Shown(widget)[2], At('c', 0, 12));
    widget.Invalidate();
    EXPECT_EQ(Shown(widget)[2], At('c', 0, 30));
}

TEST_F(TextWidgets, WithoutAFontTheLastLayoutStays) {
    TTextWidget& widget = Text(R"(width="50" height="20")", u"ab");
    screen.Step();
    const uint32_t drawn = screen.Pixel(21, 10);
    ASSERT_NE(drawn, 0u);
    widget.SetProperty("resourcename", Variant("nofont"));
    widget.SetText(u"xyz");
    EXPECT_EQ(Shown(widget).size(), 2u);
    screen.Step();
    EXPECT_EQ(screen.Pixel(21, 10), drawn);
}

TEST_F(TextWidgets, StoredKeys) {
    const Ref<IWidget> widget = WidgetFromXMLText(
        R"(<widget type="text_widget" name="t" text="hello" textlineheight="14"
                   usefixedwidth="yes" multiline="yes" textalign="center" textvertalign="bottom"/>)");
    auto* text = dynamic_cast<TTextWidget*>(widget.get());
    ASSERT_TRUE(text);
    EXPECT_EQ(text->GetText(), u"hello");
    EXPECT_FALSE(text->GetUseFixedWidth());  // no fixed width to use
    EXPECT_TRUE(text->GetMultiline());
    const std::string saved = WidgetToXMLText(widget);
    for (const char* piece :
         {R"(textlineheight="14")", R"(usefixedwidth="no")", R"(multiline="yes")",
          R"(fixedwidth="0")", R"(textalign="center")", R"(textvertalign="bottom")"}) {
        EXPECT_NE(saved.find(piece), std::string::npos) << piece << " in " << saved;
    }
    EXPECT_EQ(saved.find("hello"), std::string::npos);  // the text is not written back
}

}  // namespace
}  // namespace leaftest
