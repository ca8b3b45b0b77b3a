// Image widgets: every blend mode and both draw modes compared pixel by
// pixel with the blend formulas, the hit test by the picture's alpha, the
// source rectangle and the properties that mark the widget changed, and the
// stored form.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/WidgetHarness.h"
#include "tests/widgets/LeafFixtures.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/ImageWidgets.h"
#include "widgets/WidgetUtils.h"

namespace leaftest {
namespace {

constexpr uint32_t kBackground = 0xFF6496C8;  // red below 128, green and blue above

// 12 by 10, every alpha from 0 to 255 along a row, colours changing with the
// place.
uint32_t Picture(int x, int y) {
    static const uint32_t alphas[12] = {0, 1, 2, 64, 127, 128, 129, 200, 254, 255, 255, 17};
    return alphas[x] << 24 | uint32_t(40 + 20 * y) << 16 | uint32_t(230 - 17 * x) << 8 |
           uint32_t((90 + 13 * (x + y)) & 255);
}

// ---------------------------------------------------------------- reference

int Ch(uint32_t p, int shift) {
    return int((p >> shift) & 255);
}
int FloorDiv256(int x) {
    return x >= 0 ? x / 256 : -((-x + 255) / 256);
}
template <class F>
uint32_t Rgb(uint32_t alpha, F f) {
    uint32_t out = alpha << 24;
    for (int shift = 0; shift <= 16; shift += 8) out |= uint32_t(f(shift) & 255) << shift;
    return out;
}

// The channel formulas of modes 1 to 4 at the effective alpha a.
int Mode(int mode, int s, int d, int a) {
    switch (mode) {
        case 1:
            return 255 - ((255 - (a * s) / 256) * (256 - d)) / 256;
        case 2:
            if (d < 128) return ((255 - a) * d) / 256 + (a * d * s) / 32768;
            return ((255 - a) * d) / 256 + ((255 - ((255 - d) * (255 - s)) / 128) * a) / 256;
        case 3:
            return std::clamp(d + (a * (2 * s - 255)) / 256, 0, 255);
        default:
            return std::min(255, d + (a * s) / 256);
    }
}

// A transparent source drawn at level onto an opaque destination.
uint32_t RefDraw(int mode, uint32_t s, uint32_t d, int level) {
    const int sa = int(s >> 24);
    const int a = level * sa / 256;
    const uint32_t da = d >> 24;
    switch (mode) {
        case 0:
            if (level == 255) {
                if (sa == 0) return d | 0xFF000000u;
                return Rgb(
                    255, [&](int k) { return Ch(d, k) + FloorDiv256((Ch(s, k) - Ch(d, k)) * sa); });
            }
            if (a == 0) return d;
            return Rgb(da,
                       [&](int k) { return Ch(d, k) + FloorDiv256((Ch(s, k) - Ch(d, k)) * a); });
        case 5:
            return int(da) > a ? d : s;
        case 6:
            return s;
        default:
            if (sa == 0) return d;
            return Rgb(da, [&](int k) { return Mode(mode, Ch(s, k), Ch(d, k), a); });
    }
}

// DrawColored: color through the source's alpha at level onto an opaque
// destination.
uint32_t RefColored(int mode, uint32_t color, uint32_t s, uint32_t d, int level) {
    const int sa = int(s >> 24);
    const int ca = int(color >> 24);
    const uint32_t da = d >> 24;
    if (mode == 0) {
        const int la = level * ca / 255;
        if (la == 255) {
            if (sa == 255) return color | 0xFF000000u;
            if (sa == 0) return d | 0xFF000000u;
            return Rgb(
                255, [&](int k) { return Ch(d, k) + FloorDiv256((Ch(color, k) - Ch(d, k)) * sa); });
        }
        const int a = la * sa / 256;
        if (a == 0) return d;
        return Rgb(da,
                   [&](int k) { return Ch(d, k) + FloorDiv256((Ch(color, k) - Ch(d, k)) * a); });
    }
    if (sa == 0) return d;
    const int a = (level * ca / 256) * sa / 256;
    return Rgb(da, [&](int k) { return Mode(mode, Ch(color, k), Ch(d, k), a); });
}

// ---------------------------------------------------------------- tests

class ImageWidgets : public testing::Test {
protected:
    ImageWidgets() : screen(48, 32) { AddImage(screen, "pic", 12, 10, Picture); }

    // The picture's source (2, 1) + 8 by 8 at (4, 6) over the background; the
    // image widget.
    Ref<IWidget> LoadOverBackground(const std::string& attributes) {
        screen.Load(R"(
          <widget type="group_widget">
            <widgets>
              <widget type="test_widget" visible="yes" width="48" height="32" color="$FF6496C8"/>
              <widget type="image_widget" name="img" visible="yes" z="1" mousestop="yes"
                      anchor_left="4" anchor_top="6" width="8" height="8" resourcename="pic"
                      resourceleft="2" resourcetop="1" )" +
                    attributes + R"(/>
            </widgets>
          </widget>)");
        return screen.Find("img");
    }

    TWidgetHarness screen;
};

TEST_F(ImageWidgets, EveryDrawAndBlendModeDrawsWhatTheFormulasGive) {
    struct TCase {
        const char* drawMode;
        int blend;
        int level;
    };
    const TCase cases[] = {
        {"copyrect", 0, 128},  {"copyrect", 1, 128},  {"copyrect", 2, 128},  {"copyrect", 3, 128},
        {"copyrect", 4, 128},  {"copyrect", 5, 128},  {"copyrect", 6, 128},  {"copyrect", 0, 255},
        {"fillcolor", 0, 128}, {"fillcolor", 1, 128}, {"fillcolor", 4, 128}, {"fillcolor", 0, 255},
    };
    const char* blendNames[] = {"normal",   "screen",    "overlay", "linearlight",
                                "addition", "maxopaque", "bltfast"};
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.drawMode) + " " + blendNames[c.blend] + " at " +
                     std::to_string(c.level));
        // At level 255 a fill colour with alpha 255 gives the silhouette case.
        const uint32_t fill = c.level == 255 ? 0xFFFF0000 : 0xC0FF8020;
        LoadOverBackground(std::string("drawmode=\"") + c.drawMode + "\" blendingmode=\"" +
                           blendNames[c.blend] + "\" transparentlevel=\"" +
                           std::to_string(c.level) + "\" fillcolor=\"" + std::to_string(fill) +
                           "\"");
        screen.Step();
        int mismatches = 0;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const uint32_t source = Picture(2 + x, 1 + y);
                const uint32_t expected =
                    std::string(c.drawMode) == "copyrect"
                        ? RefDraw(c.blend, source, kBackground, c.level)
                        : RefColored(c.blend, fill, source, kBackground, c.level);
                if (screen.Pixel(4 + x, 6 + y) != expected && ++mismatches <= 3) {
                    ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex
                                  << screen.Pixel(4 + x, 6 + y) << " instead of " << expected;
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
        // Nothing beside the source rectangle.
        EXPECT_EQ(screen.Pixel(3, 6), kBackground);
        EXPECT_EQ(screen.Pixel(12, 13), kBackground);
        EXPECT_EQ(screen.Pixel(4, 14), kBackground);
    }
}

TEST_F(ImageWidgets, AnUnknownBlendModeIsKeptAndDrawsNothing) {
    const Ref<IWidget> img = LoadOverBackground("");
    img->SetProperty("blendingmode", Variant(300));
    EXPECT_EQ(img->GetProperty("blendingmode").ToInt(), 44);  // the low byte
    img->SetProperty("drawmode", Variant(2));
    EXPECT_EQ(img->GetProperty("drawmode").ToInt(), 2);
    screen.Step();
    EXPECT_EQ(screen.Pixel(8, 10), kBackground);
}

TEST_F(ImageWidgets, TheHitTestFollowsThePicturesAlpha) {
    // A widget larger than the picture's rest, over another that stops the
    // mouse: where the image is not hit, the one below is.
    screen.Load(R"(
      <widget type="group_widget">
        <widgets>
          <widget type="test_widget" name="below" visible="yes" mousestop="yes" width="48" height="32"/>
          <widget type="image_widget" name="img" visible="yes" mousestop="yes" z="1"
                  anchor_left="10" anchor_top="4" width="12" height="12" resourcename="pic"/>
        </widgets>
      </widget>)");
    struct TCase {
        int x, y;
        const char* hit;
    };
    const TCase cases[] = {
        {10, 4, "below"},   // alpha 0
        {11, 4, "img"},     // alpha 1
        {12, 9, "img"},     // alpha 2
        {21, 13, "img"},    // the last column, alpha 17
        {22, 8, "below"},   // the right edge belongs to the bounds, not to the picture
        {15, 14, "below"},  // below the picture's 10 rows, inside the widget
        {9, 8, "below"},    // outside
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        const Ref<IWidget> hit = screen.Root()->WidgetAt(c.x, c.y);
        ASSERT_TRUE(hit);
        EXPECT_EQ(hit->GetName(), c.hit);
    }
    // Through the screen's mouse routing as well: the click at alpha 0 goes
    // to the widget below.
    widgettest::Journal().clear();
    screen.Click(10, 4);
    EXPECT_NE(std::find(widgettest::Journal().begin(), widgettest::Journal().end(),
                        "mouse below 11 10,4 0"),
              widgettest::Journal().end());
}

TEST_F(ImageWidgets, WithoutAPictureTheWholeRectangleHitsAndNothingIsDrawn) {
    Ref<IWidget> loose = WidgetFromXMLText(
        R"(<widget type="image_widget" visible="yes" mousestop="yes" width="8" height="8"
                   resourcename="pic"/>)");
    ASSERT_TRUE(loose);
    EXPECT_TRUE(loose->ContainsPoint(0, 0, false));  // no owner, so no engine
    EXPECT_TRUE(loose->ContainsPoint(8, 8, false));

    const Ref<IWidget> img = LoadOverBackground(R"(transparentlevel="255")");
    img->SetProperty("resourcename", Variant("missing"));
    EXPECT_TRUE(img->ContainsPoint(4, 6, false));
    screen.Step();
    EXPECT_EQ(screen.Pixel(8, 10), kBackground);
}

TEST_F(ImageWidgets, AnImageOfSizeZeroDrawsNothingAndIsNeverHit) {
    screen.Load(R"(
      <widget type="group_widget"><widgets>
        <widget type="image_widget" name="img" visible="yes" mousestop="yes" anchor_left="11"
                resourcename="pic"/>
      </widgets></widget>)");
    screen.Step();
    const Ref<IWidget> widget = screen.Find("img");
    EXPECT_FALSE(widget->ContainsPoint(11, 0, false));  // over the picture's alpha 1
    EXPECT_FALSE(screen.Root()->WidgetAt(11, 0));
    EXPECT_EQ(screen.Pixel(11, 0), 0u);
}

TEST_F(ImageWidgets, TheSourceFollowsResourceLeftAndTopAndOnlyChangesMarkTheWidget) {
    const Ref<IWidget> widget = LoadOverBackground("");
    auto* img = dynamic_cast<TImageWidget*>(widget.get());
    ASSERT_TRUE(img);
    img->SetWidth(20);
    EXPECT_EQ(img->GetSourceRect(), (TRect{2, 1, 22, 9}));
    screen.Step();  // the end of the frame clears the marks
    ASSERT_FALSE(img->GetChanged());

    img->SetProperty("resourceleft", Variant(32));
    EXPECT_EQ(img->GetSourceRect(), (TRect{32, 1, 52, 9}));
    EXPECT_TRUE(img->GetChanged());
    screen.Step();
    img->SetProperty("resourceleft", Variant("32"));
    EXPECT_FALSE(img->GetChanged());
    img->SetProperty("resourcetop", Variant(3));
    EXPECT_EQ(img->GetSourceRect(), (TRect{32, 3, 52, 11}));
    EXPECT_TRUE(img->GetChanged());
    screen.Step();

    img->SetProperty("resourcename", Variant("other"));
    EXPECT_TRUE(img->GetChanged());
    screen.Step();
    img->SetProperty("resourcename", Variant("other"));
    EXPECT_FALSE(img->GetChanged());
    img->SetProperty("fillcolor", Variant("$FF00FF00"));
    EXPECT_EQ(img->GetFillColor(), 0xFF00FF00u);
    EXPECT_TRUE(img->GetChanged());
    screen.Step();
    img->SetProperty("fillcolor", Variant(int64_t{0xFF00FF00}));
    EXPECT_FALSE(img->GetChanged());
}

TEST_F(ImageWidgets, AValueThatIsNoColourIsRefusedAndLogged) {
    const Ref<IWidget> img = LoadOverBackground(R"(fillcolor="$11223344")");
    img->SetProperty("fillcolor", Variant("red"));
    EXPECT_EQ(img->GetProperty("fillcolor").ToInt64(), 0x11223344);
    EXPECT_TRUE(screen.Log().Has({"fillcolor", "red"}));
}

TEST_F(ImageWidgets, StoredKeysAreWrittenAlwaysAndReadBack) {
    Ref<IWidget> img = WidgetFromXMLText(R"(<widget type="image_widget" name="i"/>)");
    const std::string plain = WidgetToXMLText(Ref<IInterface>(img));
    for (const char* piece :
         {R"(resourcename="")", R"(resourceleft="0")", R"(resourcetop="0")",
          R"(drawmode="copyrect")", R"(blendingmode="normal")", R"(fillcolor="$00000000")"}) {
        EXPECT_NE(plain.find(piece), std::string::npos) << piece << " in " << plain;
    }

    img = WidgetFromXMLText(
        R"(<widget type="image_widget" name="i" width="3" resourcename="pic" resourceleft="5"
                   resourcetop="-2" drawmode="fillcolor" blendingmode="addition"
                   fillcolor="$80FF0000"/>)");
    const Ref<IWidget> copy = CloneWidget(img);
    auto* image = dynamic_cast<TImageWidget*>(copy.get());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetResourceName(), "pic");
    EXPECT_EQ(image->GetSourceRect(), (TRect{5, -2, 8, -2}));
    EXPECT_EQ(image->GetDrawMode(), TImageWidget::kDrawFillColor);
    EXPECT_EQ(image->GetBlendingMode(), bm_Addition);
    EXPECT_EQ(image->GetFillColor(), 0x80FF0000u);
}

TEST_F(ImageWidgets, AStoredModeThatIsNoNameLoadsAsTheFirstAndIsLogged) {
    TLogCapture log;
    const Ref<IWidget> img = WidgetFromXMLText(
        R"(<widget type="image_widget" drawmode="outline" blendingmode="Screen"/>)");
    auto* image = dynamic_cast<TImageWidget*>(img.get());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetDrawMode(), TImageWidget::kDrawCopyRect);
    EXPECT_EQ(image->GetBlendingMode(), bm_Normal);  // names compare with case
    EXPECT_TRUE(log.Has({"drawmode", "outline"}));
    EXPECT_TRUE(log.Has({"blendingmode", "Screen"}));
}

TEST_F(ImageWidgets, TheResourceIsAskedForOnEveryDraw) {
    LoadOverBackground(R"(transparentlevel="255" blendingmode="bltfast")");
    screen.Step();
    EXPECT_EQ(screen.Pixel(4 + 3, 6), Picture(2 + 3, 1));
    // Another picture under the same name shows on the next drawing.
    screen.Engine().RemoveResource("pic");
    AddImage(screen, "pic", 12, 10, [](int, int) { return 0xFF102030u; });
    const Ref<ISurface> picture = screen.RenderTree(kBackground);
    EXPECT_EQ(PixelOf(*picture, 4 + 3, 6), 0xFF102030u);
}

}  // namespace
}  // namespace leaftest
