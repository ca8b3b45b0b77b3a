// Pictures, fonts and sounds for the leaf widget tests, made at test time in
// the harness's data folder and registered with its engine as resources.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "tests/engine/resources/ImageFixtures.h"
#include "tests/support/WidgetHarness.h"

namespace leaftest {

// Registers the entries of a resource list (the inside of its "content").
inline void AddResources(TWidgetHarness& screen, const std::string& entries) {
    screen.Engine().LoadResources(
        LoadStorageFromXML("<resources><content>" + entries + "</content></resources>"), "test",
        kLoadResourcesAtOnce);
}

// A PNG picture of width by height from pixel(x, y) (0xAARRGGBB), registered
// as the image resource name.
inline void AddImage(TWidgetHarness& screen, const std::string& name, int width, int height,
                     const std::function<uint32_t(int, int)>& pixel) {
    screen.Folder().Write(name + ".png", fixtures::EncodeRgbaPng(width, height, pixel));
    AddResources(screen, R"(<resource type="ImageResource" name=")" + name + R"(" file=")" + name +
                             R"(.png" format="png"/>)");
}

// One glyph of the test font.
struct TGlyph {
    char32_t code;
    int width;
    int wLeft = 0;
    int wRight = 0;
    int left = 0;  // its place in the font picture, filled by TestFont()
};

// The test font: every glyph is 12 pixels high and lies in one row of the
// picture. Letters are 10 wide ("i" 6), the space 5 and blank; "W" has 1
// pixel of room before it and 2 after. A glyph's first column is blank, the
// rest inked (opaque, a colour of the glyph's own: red = its place / 2).
inline std::vector<TGlyph> TestFont() {
    std::vector<TGlyph> glyphs;
    for (char32_t c = 'a'; c <= 'z'; ++c) glyphs.push_back({c, c == 'i' ? 6 : 10});
    glyphs.push_back({U' ', 5});
    glyphs.push_back({U'W', 10, 1, 2});
    glyphs.push_back({U'%', 10});
    glyphs.push_back({U'\u00E9', 10});  // é
    glyphs.push_back({U'\u20AC', 10});  // €
    int left = 0;
    for (TGlyph& glyph : glyphs) {
        glyph.left = left;
        left += glyph.width;
    }
    return glyphs;
}

inline constexpr int kFontHeight = 12;

// The font picture's pixel at (x, y).
inline uint32_t FontPixel(int x, int y) {
    (void)y;
    static const std::vector<TGlyph> glyphs = TestFont();
    for (const TGlyph& glyph : glyphs) {
        if (x < glyph.left || x >= glyph.left + glyph.width) continue;
        if (glyph.code == U' ' || x == glyph.left) return 0x00000000;
        return 0xFF000000u | uint32_t((glyph.left / 2) & 0xFF) << 16 | 0x0064C8;
    }
    return 0;
}

// The glyph of a character; fails the test when the font has none.
inline TGlyph GlyphOf(char32_t code) {
    for (const TGlyph& glyph : TestFont()) {
        if (glyph.code == code) return glyph;
    }
    ADD_FAILURE() << "The test font has no glyph " << uint32_t(code);
    return {};
}

// Registers the test font as the font resource name.
inline void AddFont(TWidgetHarness& screen, const std::string& name = "font") {
    int width = 0;
    std::string symbols;
    for (const TGlyph& glyph : TestFont()) {
        width = glyph.left + glyph.width;
        symbols += R"(<symbol scancode=")" + std::to_string(uint32_t(glyph.code)) + R"(" left=")" +
                   std::to_string(glyph.left) + R"(" top="0" width=")" +
                   std::to_string(glyph.width) + R"(" height=")" + std::to_string(kFontHeight) +
                   R"(" wleft=")" + std::to_string(glyph.wLeft) + R"(" wright=")" +
                   std::to_string(glyph.wRight) + R"("/>)";
    }
    screen.Folder().Write(name + ".png", fixtures::EncodeRgbaPng(width, kFontHeight, FontPixel));
    AddResources(screen, R"(<resource type="FontResource" name=")" + name + R"(" file=")" + name +
                             R"(.png" format="png"><symbols>)" + symbols + "</symbols></resource>");
}

inline uint32_t PixelOf(ISurface& surface, int32_t x, int32_t y) {
    uint32_t pixel = 0;
    surface.GetPixel(x, y, pixel);
    return pixel;
}

}  // namespace leaftest
