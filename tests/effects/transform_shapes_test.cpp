// The masked, cut sector, contour and scroll area widgets: what reaches the
// cache, what is hit, what each change repaints, the stored forms and the
// caps on sizes from data.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "effects/TransformWidgets.h"
#include "tests/effects/TransformFixtures.h"
#include "tests/widgets/LeafFixtures.h"
#include "widgets/WidgetUtils.h"

namespace effecttest {
namespace {

uint32_t Opaque(int, int) {
    return 0xFF102030u;
}

int CountLines(TWidgetHarness& screen, const std::string& piece) {
    int lines = 0;
    for (const std::string& line : screen.Log().Lines()) lines += line.find(piece) != std::string::npos;
    return lines;
}

// ---------------------------------------------------------------- masked

TEST(MaskedWidget, TheMaskCutsFromTheTopLeftCorner) {
    TWidgetHarness screen;
    // Alpha 1 everywhere but (0, 0).
    leaftest::AddImage(screen, "mask", 4, 3, [](int x, int y) { return x + y == 0 ? 0x00FFFFFFu : 0x01000000u; });
    auto [widget, inner] = LoadTransform<TMaskedSurfaceWidget>(
        screen, "masked_widget", R"(resourcename="mask" anchor_left="10" anchor_top="20")", 8, 6,
        Coded);
    ASSERT_TRUE(widget);
    EXPECT_EQ(widget->GetWidth(), 8);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool shown = x < 4 && y < 3 && x + y > 0;
            EXPECT_EQ(CacheAt(*widget, 10 + x, 20 + y), shown ? Coded(x, y) : 0u) << x << "," << y;
            EXPECT_EQ(widget->ContainsPoint(10 + x, 20 + y, false), shown) << x << "," << y;
        }
    }
    EXPECT_NE(WidgetToXMLText(widget).find(R"(resourcename="mask")"), std::string::npos);
}

TEST(MaskedWidget, ANewMaskUnderTheNameShowsAtTheNextRepaint) {
    TWidgetHarness screen;
    leaftest::AddImage(screen, "mask", 2, 1, [](int x, int) { return x == 0 ? 0xFF000000u : 0u; });
    auto [widget, inner] =
        LoadTransform<TMaskedSurfaceWidget>(screen, "masked_widget", R"(resourcename="mask")", 2, 1, Opaque);
    ASSERT_TRUE(widget);
    EXPECT_EQ(CacheAt(*widget, 0, 0), Opaque(0, 0));
    EXPECT_EQ(CacheAt(*widget, 1, 0), 0u);
    screen.Engine().RemoveResources("test");
    leaftest::AddImage(screen, "mask", 2, 1, [](int x, int) { return x == 1 ? 0xFF000000u : 0u; });
    screen.Step(2);
    EXPECT_EQ(CacheAt(*widget, 0, 0), Opaque(0, 0)) << "nothing asked for a repaint";
    widget->SetProperty("need_to_repaint", Variant(true));
    Redraw(*widget);
    EXPECT_EQ(CacheAt(*widget, 0, 0), 0u);
    EXPECT_EQ(CacheAt(*widget, 1, 0), Opaque(1, 0));
}

TEST(MaskedWidget, NoUsableMaskDrawsNothing) {
    TWidgetHarness screen;
    screen.Folder().Write("bad.png", "this is no picture");
    leaftest::AddResources(screen, R"(<resource type="ImageResource" name="bad" file="bad.png" format="png"/>)"
                                   R"(<resource type="SoundResource" name="noise" file="noise.wav"/>)");
    for (const char* name : {"", "missing", "bad", "noise"}) {
        SCOPED_TRACE(name);
        auto [widget, inner] = LoadTransform<TMaskedSurfaceWidget>(
            screen, "masked_widget", std::string("resourcename=\"") + name + "\"", 5, 5, Opaque);
        ASSERT_TRUE(widget);
        screen.Step(2);
        widget->SetNeedToRepaint(true);
        screen.Step(1);
        ASSERT_TRUE(widget->GetCache());
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 5; ++x) EXPECT_EQ(CacheAt(*widget, x, y), 0u);
        }
        EXPECT_FALSE(widget->ContainsPoint(2, 2, false));
        EXPECT_EQ(CountLines(screen, "the mask \"" + std::string(name) + "\""), 1);
    }
    EXPECT_TRUE(screen.Engine().GetResource("noise")) << "the sound stands under the name";
}

// ---------------------------------------------------------------- cut sector

Ref<TCutSectorWidget> Sector(double start, double end, double cx = 0, double cy = 0) {
    const Ref<TCutSectorWidget> widget =
        Query<TCutSectorWidget>(WidgetFromXMLText(R"(<widget type="cutsector_widget"/>)"));
    widget->SetStartAngle(start);
    widget->SetEndAngle(end);
    widget->SetCenterX(cx);
    widget->SetCenterY(cy);
    return widget;
}

bool CutAt(TCutSectorWidget& widget, double degrees) {
    const double a = degrees * std::numbers::pi / 180;
    return widget.InSector(float(100 * std::cos(a)), float(100 * std::sin(a)));
}

TEST(CutSectorWidget, TheSectorTest) {
    struct TCase {
        double start, end, direction;
        bool cut;
    } cases[] = {
        {-90, 90, 0, true},    {-90, 90, -100, false}, {-90, 90, 170, false}, {-90, 90, 89, true},
        {-90, 90, -90, true},  {0, 90, 45, true},      {0, 90, 90, false},    {0, 90, -45, false},
        {0, 360, 180, true},   {0, 360, -1, true},     {30, 30, 30, false},   {90, 10, 45, false},
        {270, 450, 300, true}, {270, 450, 10, false},  {270, 450, 269, false},
    };
    for (const TCase& c : cases) {
        const Ref<TCutSectorWidget> widget = Sector(c.start, c.end);
        EXPECT_EQ(CutAt(*widget, c.direction), c.cut)
            << c.start << ".." << c.end << " at " << c.direction;
    }
    EXPECT_TRUE(Sector(0, 10)->InSector(0, 0)) << "the centre's direction is 0";
    EXPECT_FALSE(Sector(10, 20)->InSector(0, 0));
}

// Clearing must name exactly the pixels of the per-pixel arctangent test,
// the edges of the sector included.
TEST(CutSectorWidget, ClearingMatchesThePixelTest) {
    const double pairs[][2] = {{-90, 90},  {0, 90},     {0, 360},    {10, 10},   {90, 10},
                               {270, 450}, {-45, 45},   {-200, 30},  {45, 135},  {0.5, 359.5},
                               {-720, -600}, {180, 270}, {33.3, 34}, {-180, 180}, {135, 225},
                               {-10, 0},   {90, 180},   {-360, -270}, {1e9, 2e9}, {-1, 1}};
    const double centres[][2] = {{0, 0}, {7.5, 4.25}, {20, 15}, {40, 30}, {-3, 12}};
    for (const auto& pair : pairs) {
        for (const auto& centre : centres) {
            const Ref<TCutSectorWidget> widget = Sector(pair[0], pair[1], centre[0], centre[1]);
            const Ref<TSurface> surface = MakePicture(41, 31, Opaque);
            widget->ClearSector(*surface);
            int wrong = 0;
            for (int y = 0; y < 31; ++y) {
                for (int x = 0; x < 41; ++x) {
                    uint32_t pixel = 0;
                    surface->GetPixel(x, y, pixel);
                    const bool cut = widget->InSector(float(x) - float(centre[0]), float(y) - float(centre[1]));
                    wrong += (pixel == 0) != cut;
                }
            }
            EXPECT_EQ(wrong, 0) << pair[0] << ".." << pair[1] << " about " << centre[0] << ","
                                << centre[1];
        }
    }
}

TEST(CutSectorWidget, AnimatingTheEndGrowsTheCutClockwise) {
    TWidgetHarness screen;
    auto [widget, inner] = LoadTransform<TCutSectorWidget>(
        screen, "cutsector_widget", R"(centerx="20" centery="20")", 41, 41, Opaque);
    ASSERT_TRUE(widget);
    int drawn = inner->renders;
    // Points 15 px from the centre at 30, 100 and 200 degrees (y down).
    auto cutAt = [&](double degrees) {
        const double a = degrees * std::numbers::pi / 180;
        return CacheAt(*widget, 20 + int(std::lround(15 * std::cos(a))),
                       20 + int(std::lround(15 * std::sin(a)))) == 0;
    };
    const bool expected[][3] = {{false, false, false}, {true, false, false}, {true, false, false},
                                {true, true, false},  {true, true, false}};
    for (int step = 0; step <= 4; ++step) {
        widget->SetProperty("endangle", Variant(45.0 * step));
        screen.Step(1);
        screen.Step(1);
        if (step > 0) {
            EXPECT_EQ(inner->renders, ++drawn) << "one rebuild per change";
        }
        EXPECT_EQ(cutAt(30), expected[step][0]) << step;
        EXPECT_EQ(cutAt(100), expected[step][1]) << step;
        EXPECT_EQ(cutAt(200), expected[step][2]) << step;
    }
    const std::string text = WidgetToXMLText(Sector(0, 0));
    for (const char* key : {"centerx=", "centery=", "startangle=", "endangle="}) {
        EXPECT_NE(text.find(key), std::string::npos) << key << " in " << text;
    }
}

// ---------------------------------------------------------------- contour

constexpr uint32_t kGreen = 0xFF00FF00u;

TEST(ContourWidget, ThicknessOneAroundOnePixel) {
    TWidgetHarness screen;
    auto [widget, inner] = LoadTransform<TContourWidget>(
        screen, "contour_widget", R"(contourcolor="$FF00FF00" contourthickness="1")", 5, 5,
        [](int x, int y) { return x == 2 && y == 2 ? 0xFFFF0000u : 0u; });
    ASSERT_TRUE(widget);
    EXPECT_EQ(widget->GetWidth(), 7);
    const TRect bounds = widget->GetBounds();
    EXPECT_EQ(bounds.left, -1);
    auto at = [&](int dx, int dy) { return CacheAt(*widget, 2 + dx, 2 + dy); };
    EXPECT_EQ(at(0, 0), 0xFFFF0000u);
    for (auto [dx, dy] : {std::pair{0, -1}, {0, 1}, {-1, 0}, {1, 0}}) EXPECT_EQ(at(dx, dy), kGreen);
    for (auto [dx, dy] : {std::pair{-1, -1}, {1, -1}, {-1, 1}, {1, 1}}) {
        EXPECT_EQ(at(dx, dy), 0x8000FF00u) << dx << "," << dy;
    }
    EXPECT_EQ(at(2, 0), 0u);
}

TEST(ContourWidget, ThickerOutlinesStopAtSolidPixels) {
    TWidgetHarness screen;
    // One solid pixel alone: arms of 3, quadrants falling off as T^2 / r^2.
    auto [lone, loneInner] = LoadTransform<TContourWidget>(
        screen, "contour_widget", R"(contourcolor="$FF00FF00" contourthickness="3")", 9, 9,
        [](int x, int y) { return x == 4 && y == 4 ? 0xFFFF0000u : 0u; });
    ASSERT_TRUE(lone);
    for (int dy = -4; dy <= 4; ++dy) {
        for (int dx = -4; dx <= 4; ++dx) {
            uint32_t expected = 0;
            if (dx == 0 && dy == 0) {
                expected = 0xFFFF0000u;
            } else if (std::abs(dx) <= 3 && std::abs(dy) <= 3) {
                const double coverage = std::min(1.0, 9.0 / (dx * dx + dy * dy));
                expected = uint32_t(std::nearbyint(255 * coverage)) << 24 | 0x00FF00u;
            }
            EXPECT_EQ(CacheAt(*lone, 4 + dx, 4 + dy), expected) << dx << "," << dy;
        }
    }
    // A solid neighbour two to the right: the right arm stops before it,
    // and the solid pixel is never painted over.
    auto [pair, pairInner] = LoadTransform<TContourWidget>(
        screen, "contour_widget", R"(contourcolor="$FF00FF00" contourthickness="3")", 9, 9,
        [](int x, int y) { return (x == 2 || x == 4) && y == 4 ? 0xFFFF0000u : 0u; });
    ASSERT_TRUE(pair);
    EXPECT_EQ(CacheAt(*pair, 3, 4), kGreen);
    EXPECT_EQ(CacheAt(*pair, 4, 4), 0xFFFF0000u);
    EXPECT_EQ(CacheAt(*pair, 2, 4), 0xFFFF0000u);
}

TEST(ContourWidget, TheOutlineNeverLowersAlphaAndTheLimitCountsAsFree) {
    TWidgetHarness screen;
    // Alpha 10 at x = 1 (free at the limit of 10), 200 at x = 3 (free at
    // limit 220? no: 200 <= 220, free), solid at x = 2.
    auto [widget, inner] = LoadTransform<TContourWidget>(
        screen, "contour_widget",
        R"(contourcolor="$800000FF" contourthickness="1" alphalimit="10")", 5, 1,
        [](int x, int) { return x == 1 ? 0x0AFF0000u : x == 2 ? 0xFFFFFFFFu : x == 3 ? 0xC8FF0000u : 0u; });
    ASSERT_TRUE(widget);
    EXPECT_EQ(CacheAt(*widget, 1, 0), 0x800000FFu) << "at the limit: free, painted";
    EXPECT_EQ(CacheAt(*widget, 2, 0), 0xFFFFFFFFu);
    // x = 3 is solid (200 > 10): its own pixel stays.
    EXPECT_EQ(CacheAt(*widget, 3, 0), 0xC8FF0000u);
    widget->SetProperty("alphalimit", Variant(220));
    screen.Step(1);
    // Now x = 3 is free: the outline takes its colour but keeps alpha 200.
    EXPECT_EQ(CacheAt(*widget, 3, 0), 0xC80000FFu);
}

TEST(ContourWidget, ShowContourOffAndAnInvisibleInnerWidget) {
    TWidgetHarness screen;
    auto [widget, inner] = LoadTransform<TContourWidget>(
        screen, "contour_widget",
        R"(contourcolor="$FF00FF00" contourthickness="2" showcontour="no" anchor_left="10" anchor_top="10")",
        3, 3, Opaque);
    ASSERT_TRUE(widget);
    EXPECT_EQ(widget->GetBounds(), (TRect{8, 8, 15, 15}));
    EXPECT_EQ(CacheAt(*widget, 10, 10), Opaque(0, 0));
    EXPECT_EQ(CacheAt(*widget, 9, 10), 0u);
    widget->SetShowContour(true);
    inner->SetVisible(false);
    Redraw(*widget);
    EXPECT_EQ(CacheAt(*widget, 10, 10), 0u) << "the picture itself is not drawn";
    EXPECT_EQ(CacheAt(*widget, 9, 10), kGreen) << "its outline is";
}

TEST(ContourWidget, ColourAndThicknessChanges) {
    TWidgetHarness screen;
    auto [widget, inner] = LoadTransform<TContourWidget>(
        screen, "contour_widget", R"(contourcolor="$FF00FF00" contourthickness="1")", 3, 3,
        [](int x, int y) { return x == 1 && y == 1 ? 0xFFFF0000u : 0u; });
    ASSERT_TRUE(widget);
    screen.Step(1);
    const int drawn = inner->renders;
    widget->SetProperty("contourthickness", Variant(1));
    EXPECT_FALSE(widget->GetNeedToRepaint());
    EXPECT_FALSE(widget->GetChanged());
    // A new colour shows on the screen at the next frame.
    widget->SetProperty("contourcolor", Variant("$FFFF00FF"));
    EXPECT_EQ(widget->GetContourColor(), 0xFFFF00FFu);
    screen.Step(1);
    EXPECT_EQ(CacheAt(*widget, 1, 0), 0xFFFF00FFu);
    EXPECT_TRUE(Near(screen.Pixel(1, 0), 0xFFFF00FFu));
    EXPECT_EQ(inner->renders, drawn + 1);

    for (int thickness : {0, -2}) {
        widget->SetProperty("contourthickness", Variant(thickness));
        screen.Step(1);
        EXPECT_EQ(widget->GetWidth(), 3 + 2 * thickness);
    }
    // A huge thickness is held to the cap: the cache stays small.
    widget->SetProperty("contourthickness", Variant(10000));
    screen.Step(1);
    EXPECT_EQ(widget->GetWidth(), 3 + 2 * TContourWidget::kMaxContourThickness);
    const std::string text = WidgetToXMLText(widget);
    for (const char* key : {"alphalimit=", R"(contourcolor="$FFFF00FF")", R"(contourthickness="10000")", "showcontour="}) {
        EXPECT_NE(text.find(key), std::string::npos) << key << " in " << text;
    }
}

// ---------------------------------------------------------------- scroll area

TEST(ScrollAreaWidget, ShowsAndMapsTheScrolledPart) {
    TWidgetHarness screen;
    // A 200 by 600 column of rows; rows 0-9 of every 50 are transparent.
    auto [widget, inner] = LoadTransform<TScrollAreaWidget>(
        screen, "scrollarea_widget", R"(width="200" height="100" shifttop="150")", 200, 600,
        [](int x, int y) { return y % 50 < 10 ? 0u : Coded(x % 200, y / 3); },
        R"(mousestop="yes")");
    ASSERT_TRUE(widget);
    EXPECT_EQ(widget->GetBounds(), (TRect{0, 0, 200, 100}));
    EXPECT_EQ(CacheAt(*widget, 10, 20), Coded(10, 170 / 3));
    EXPECT_EQ(CacheAt(*widget, 10, 99), Coded(10, 249 / 3));
    const TPoint mapped = widget->ScreenToClient(10, 20);
    EXPECT_EQ(mapped, (TPoint{10, 170}));
    EXPECT_EQ(widget->WidgetAt(10, 20), Ref<IWidget>(inner));
    // Over a transparent row the click passes through.
    EXPECT_FALSE(widget->ContainsPoint(10, 5, false));
    EXPECT_FALSE(widget->WidgetAt(10, 5));

    // Negative shifts leave room at the top and left.
    widget->SetProperty("shifttop", Variant(-30));
    widget->SetProperty("shiftleft", Variant(-20));
    screen.Step(1);
    EXPECT_EQ(CacheAt(*widget, 19, 50), 0u);
    EXPECT_EQ(CacheAt(*widget, 30, 29), 0u);
    EXPECT_EQ(CacheAt(*widget, 20, 50), Coded(0, 20 / 3));
    EXPECT_EQ(widget->GetProperty("shiftleft").ToInt(), -20);

    screen.Step(1);
    const int drawn = inner->renders;
    widget->SetProperty("shiftleft", Variant(-20));
    EXPECT_FALSE(widget->GetNeedToRepaint());
    screen.Step(1);
    EXPECT_EQ(inner->renders, drawn);
}

TEST(ScrollAreaWidget, SizesFromData) {
    TWidgetHarness screen;
    auto [empty, emptyInner] =
        LoadTransform<TScrollAreaWidget>(screen, "scrollarea_widget", "", 20, 20, Opaque);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->GetWidth(), 0);
    EXPECT_EQ(empty->GetHeight(), 0);
    EXPECT_FALSE(empty->ContainsPoint(0, 0, false));
    EXPECT_EQ(WidgetToXMLText(empty).find("shift"), std::string::npos);
    EXPECT_NE(WidgetToXMLText(empty).find(R"(width="0")"), std::string::npos);

    auto [huge, hugeInner] = LoadTransform<TScrollAreaWidget>(
        screen, "scrollarea_widget", R"(width="20000" height="20000" shifttop="7")", 20, 20, Opaque);
    ASSERT_TRUE(huge);
    screen.Step(2);
    EXPECT_FALSE(huge->GetCache());
    EXPECT_EQ(CountLines(screen, "20000 by 20000 pixels is too large"), 1);
    EXPECT_NE(WidgetToXMLText(huge).find(R"(shifttop="7")"), std::string::npos);
    huge->SetAreaWidth(30);
    huge->SetAreaHeight(30);
    screen.Step(1);
    EXPECT_EQ(CacheAt(*huge, 3, 3), Opaque(0, 0));
}

}  // namespace
}  // namespace effecttest
