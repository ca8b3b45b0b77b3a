// fonttool's atlas and glyph table, read back through the engine's font
// resource: every glyph is found by its code, its ink lies inside its own
// rectangle, the cells share one baseline, and the advances survive.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "engine/resources/EngineImages.h"
#include "tests/data/ToolRun.h"
#include "tests/engine/resources/ImageFixtures.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace {

using datatest::RunTool;

constexpr char kLatin1[] = "32-126,160-255";

class FontToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!FindRegisteredClass("FontResource")) RegisterResourceClasses();
        owner = MakeRef<fixtures::TTestOwner>();
        resources = CreateObject<TResourceCollection>();
        owner->resources = resources;
    }
    void TearDown() override {
        resources->RemoveGroup("");
        owner->resources = nullptr;
    }

    // Runs the tool on a spec with these attributes; the outputs are
    // name.png and name.xml in the temporary folder.
    datatest::TToolResult Make(const std::string& name, const std::string& attributes) {
        const std::string spec = dir.Write(name + ".spec.xml", "<font " + attributes + "/>\n");
        return RunTool(QM_FONTTOOL,
                       {spec, QM_FONT_DIR, dir.File(name + ".png"), dir.File(name + ".xml")});
    }

    // The font as a resource list names it: the atlas as its file, the glyph
    // table as its out-storage.
    Ref<TFontResource> Load(const std::string& name) {
        const std::string entry = R"(<resource type="FontResource" name=")" + name +
                                  R"(" format="png" file=")" + dir.File(name + ".png") +
                                  R"(" _outstorage="\file=)" + dir.File(name + ".xml") + R"("/>)";
        return Query<TFontResource>(fixtures::AttachEntry(owner, resources, entry, "fonts"));
    }

    TTempDir dir{"fonttool"};
    Ref<fixtures::TTestOwner> owner;
    Ref<TResourceCollection> resources;
};

uint8_t AlphaAt(ISurface& surface, int32_t x, int32_t y) {
    uint32_t pixel = 0;
    surface.GetPixel(x, y, pixel);
    return static_cast<uint8_t>(pixel >> 24);
}

bool Inside(const TRect& r, int32_t x, int32_t y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The rows of a glyph's cell, counted from its top, that hold ink.
struct TInkRows {
    int first = -1;
    int last = -1;
};

TInkRows InkRows(ISurface& surface, const TRect& r) {
    TInkRows rows;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        for (int32_t x = r.left; x < r.right; ++x) {
            if (AlphaAt(surface, x, y) > 127) {
                if (rows.first < 0) rows.first = y - r.top;
                rows.last = y - r.top;
                break;
            }
        }
    }
    return rows;
}

TEST_F(FontToolTest, EveryPixelOfInkLiesInTheRectangleOfItsGlyph) {
    TLogCapture log;
    ASSERT_EQ(Make("sans", std::string("face=\"DejaVuSans.ttf\" size=\"20\" chars=\"") + kLatin1 +
                               ",8364\"")
                  .status,
              0);
    Ref<TFontResource> font = Load("sans");
    ASSERT_TRUE(font);
    Ref<ISurface> atlas = font->GetSurface();
    ASSERT_TRUE(atlas);
    EXPECT_TRUE(log.Lines().empty()) << log.Lines().front();

    std::vector<uint32_t> codes;
    for (uint32_t c = 32; c <= 126; ++c) codes.push_back(c);
    for (uint32_t c = 160; c <= 255; ++c) codes.push_back(c);
    codes.push_back(8364);
    ASSERT_EQ(font->Symbols()->GetCount(), static_cast<int32_t>(codes.size()));

    std::vector<TRect> cells;
    const int32_t height = font->GetFontHeight();
    EXPECT_GT(height, 20);  // the line holds ascent and descent of a 20 px em
    for (uint32_t code : codes) {
        Ref<ISymbol> glyph = font->GetSymbolByCode(static_cast<char16_t>(code));
        ASSERT_TRUE(glyph) << code;
        EXPECT_EQ(glyph->GetName(), std::to_string(code));
        const TRect r = glyph->GetRect();
        // One line height for all, so that glyphs drawn at one top line up.
        EXPECT_EQ(glyph->GetHeight(), height) << code;
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.right, atlas->GetWidth());
        EXPECT_LE(r.bottom, atlas->GetHeight());
        const bool blank = code == 32 || code == 160;
        EXPECT_EQ(InkRows(*atlas, r).first < 0, blank) << "ink of " << code;
        cells.push_back(r);
    }
    // No ink outside the cells, and no two cells share a pixel.
    for (int32_t y = 0; y < atlas->GetHeight(); ++y) {
        for (int32_t x = 0; x < atlas->GetWidth(); ++x) {
            const auto holders = std::count_if(cells.begin(), cells.end(),
                                               [&](const TRect& r) { return Inside(r, x, y); });
            ASSERT_LE(holders, 1) << "cells overlap at " << x << "," << y;
            if (holders == 0) {
                ASSERT_EQ(AlphaAt(*atlas, x, y), 0) << "stray ink at " << x << "," << y;
            }
        }
    }
}

TEST_F(FontToolTest, GlyphsShareOneBaseline) {
    ASSERT_EQ(Make("serif", "face=\"DejaVuSerif-Bold.ttf\" size=\"32\"").status, 0);
    Ref<TFontResource> font = Load("serif");
    ASSERT_TRUE(font && font->GetSurface());
    ISurface& atlas = *font->GetSurface();
    auto rows = [&](char16_t c) { return InkRows(atlas, font->GetSymbolByCode(c)->GetRect()); };
    // Letters that sit on the baseline end on the same row of their cells.
    const int baseline = rows(u'H').last;
    ASSERT_GT(baseline, 0);
    for (char16_t c : {u'x', u'E', u'm', u'1', u'\u00C9'})
        EXPECT_EQ(rows(c).last, baseline) << int(c);
    // Descenders go below it, the accent of É above the top of E.
    EXPECT_GT(rows(u'g').last, baseline);
    EXPECT_GT(rows(u'p').last, baseline);
    EXPECT_LT(rows(u'\u00C9').first, rows(u'E').first);
    EXPECT_LT(rows(u'H').first, rows(u'x').first);
}

// Whether any pixel of column x between top and bottom holds ink.
bool ColumnInked(ISurface& surface, int32_t x, int32_t top, int32_t bottom) {
    for (int32_t y = top; y < bottom; ++y)
        if (AlphaAt(surface, x, y) != 0) return true;
    return false;
}

TEST_F(FontToolTest, AdvancesSurviveTheCells) {
    // In a monospaced face every glyph advances the same: the cell without
    // the overhangs that wleft and wright take back. At 14 px some glyphs
    // ("#", "%", "&"...) reach a pixel past that advance.
    ASSERT_EQ(Make("mono", "face=\"DejaVuSansMono.ttf\" size=\"14\"").status, 0);
    Ref<TFontResource> font = Load("mono");
    ASSERT_TRUE(font && font->GetSurface());
    ISurface& atlas = *font->GetSurface();
    Ref<ISymbol> m = font->GetSymbolByCode(u'M');
    ASSERT_TRUE(m);
    const int32_t advance = m->GetWidth() + m->GetWLeft() + m->GetWRight();
    EXPECT_GE(advance, 8);
    EXPECT_LE(advance, 9);
    int overhangs = 0;
    for (int32_t i = 0; i < font->Symbols()->GetCount(); ++i) {
        Ref<ISymbol> g = font->Symbols()->Find(Variant(i));
        EXPECT_EQ(g->GetWidth() + g->GetWLeft() + g->GetWRight(), advance) << g->GetName();
        EXPECT_LE(g->GetWLeft(), 0);
        EXPECT_LE(g->GetWRight(), 0);
        // An overhang is there because ink reaches the cell's edge.
        const TRect r = g->GetRect();
        if (g->GetWLeft() < 0) {
            ++overhangs;
            EXPECT_TRUE(ColumnInked(atlas, r.left, r.top, r.bottom)) << g->GetName();
        }
        if (g->GetWRight() < 0) {
            ++overhangs;
            EXPECT_TRUE(ColumnInked(atlas, r.right - 1, r.top, r.bottom)) << g->GetName();
        }
    }
    EXPECT_GT(overhangs, 0);
}

TEST_F(FontToolTest, GlyphsTakeTheColourOfTheSpec) {
    ASSERT_EQ(Make("amber", "face=\"DejaVuSans.ttf\" size=\"14\" chars=\"65-70\" color=\"FF8000\"")
                  .status,
              0);
    Ref<TFontResource> font = Load("amber");
    ASSERT_TRUE(font && font->GetSurface());
    EXPECT_EQ(font->Symbols()->GetCount(), 6);
    EXPECT_FALSE(font->GetSymbolByCode(u'G'));
    ISurface& atlas = *font->GetSurface();
    int inked = 0;
    for (int32_t y = 0; y < atlas.GetHeight(); ++y) {
        for (int32_t x = 0; x < atlas.GetWidth(); ++x) {
            uint32_t pixel = 0;
            atlas.GetPixel(x, y, pixel);
            if ((pixel >> 24) == 0) continue;
            ++inked;
            ASSERT_EQ(pixel & 0xFFFFFF, 0xFF8000u) << x << "," << y;
        }
    }
    EXPECT_GT(inked, 50);
}

TEST_F(FontToolTest, BadSpecsFailWithAMessageAndWriteNothing) {
    struct TCase {
        const char* attributes;
        const char* message;
    };
    const TCase cases[] = {
        {"size=\"20\"", "no \"face\""},
        {"face=\"DejaVuSans.ttf\"", "size"},
        {"face=\"DejaVuSans.ttf\" size=\"2\"", "size: from 4 to 256"},
        {"face=\"DejaVuSans.ttf\" size=\"twenty\"", "is no number"},
        {"face=\"DejaVuSans.ttf\" size=\"20\" chars=\"90-65\"", "codes run from 32"},
        {"face=\"DejaVuSans.ttf\" size=\"20\" chars=\"10-40\"", "codes run from 32"},
        {"face=\"DejaVuSans.ttf\" size=\"20\" chars=\"55296\"", "surrogates"},
        {"face=\"DejaVuSans.ttf\" size=\"20\" colour=\"FFFFFF\"", "unknown attribute \"colour\""},
        {"face=\"DejaVuSans.ttf\" size=\"20\" color=\"FFF\"", "RRGGBB"},
        {"face=\"DejaVuSans.ttf\" size=\"20\" chars=\"19968\"", "no glyph for U+4E00"},
        {"face=\"NoSuchFace.ttf\" size=\"20\"", "cannot read"},
    };
    for (const TCase& c : cases) {
        const datatest::TToolResult result = Make("bad", c.attributes);
        EXPECT_EQ(result.status, 1) << c.attributes;
        EXPECT_NE(result.output.find(c.message), std::string::npos)
            << c.attributes << " said " << result.output;
        EXPECT_FALSE(std::filesystem::exists(dir.File("bad.png"))) << c.attributes;
        EXPECT_FALSE(std::filesystem::exists(dir.File("bad.xml"))) << c.attributes;
    }
    // A spec that is not XML at all.
    const std::string broken = dir.Write("broken.spec.xml", "<font face=");
    const datatest::TToolResult result =
        RunTool(QM_FONTTOOL, {broken, QM_FONT_DIR, dir.File("b.png"), dir.File("b.xml")});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find("not well-formed"), std::string::npos) << result.output;
}

}  // namespace
