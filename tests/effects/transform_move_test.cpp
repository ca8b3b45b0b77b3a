// The transform base (one drawing of the inner widget per change, hit tests
// by the cache's alpha, the dirty pass), the smooth move widget (fractions,
// the shift cache), and the zoom and rotate widgets: their geometry, where
// the centre point lands, and the mouse mapping agreeing with the drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "effects/TransformWidgets.h"
#include "tests/effects/TransformFixtures.h"
#include "widgets/WidgetUtils.h"

namespace effecttest {
namespace {

uint32_t Opaque(int, int) {
    return 0xFF102030u;
}

uint32_t ScreenPixel(TWidgetHarness& screen, int32_t x, int32_t y) {
    uint32_t pixel = 0;
    screen.RenderTree()->GetPixel(x, y, pixel);
    return pixel;
}

// ---------------------------------------------------------------- the base

TEST(TransformWidget, TheInnerWidgetIsDrawnOncePerChange) {
    TWidgetHarness screen;
    auto [widget, inner] = LoadTransform<TScrollAreaWidget>(
        screen, "scrollarea_widget", R"(width="20" height="10" anchor_left="100" anchor_top="50")",
        20, 10, Coded);
    ASSERT_TRUE(widget);
    const int drawn = inner->renders;
    EXPECT_EQ(drawn, 1);
    screen.Step(3);
    EXPECT_TRUE(Near(ScreenPixel(screen, 103, 54), Coded(3, 4)));
    EXPECT_TRUE(Near(ScreenPixel(screen, 103, 54), Coded(3, 4)));
    EXPECT_EQ(CacheAt(*widget, 103, 54), Coded(3, 4));
    EXPECT_EQ(inner->renders, drawn) << "an unchanged widget draws its cache";

    widget->SetProperty("need_to_repaint", Variant(true));
    EXPECT_TRUE(widget->GetProperty("need_to_repaint").ToBool());
    Redraw(*widget);
    Redraw(*widget);
    EXPECT_EQ(inner->renders, drawn + 1);
    EXPECT_FALSE(widget->GetProperty("need_to_repaint").ToBool());

    // A change of the inner widget reaches the screen as the transform
    // widget's own old and new rectangles, never as the inner widget's.
    inner->SetProperty("surface", Variant(Ref<ISurface>(MakePicture(20, 10, Opaque))));
    screen.Step(1);
    const TRect own{100, 50, 120, 60};
    EXPECT_EQ(screen.FrameRects(), (std::vector<TRect>{own, own}));
    EXPECT_EQ(inner->renders, drawn + 2);
    EXPECT_TRUE(Near(ScreenPixel(screen, 103, 54), Opaque(3, 4)));
}

TEST(TransformWidget, HitsFollowTheCachesAlpha) {
    TWidgetHarness screen;
    // Alpha 0, 1 and 255 along the top row; the widget one column wider.
    auto [widget, inner] = LoadTransform<TSmoothMoveWidget>(
        screen, "smooth_move_widget", R"(anchor_left="10" anchor_top="10")", 4, 4,
        [](int x, int y) { return y == 0 && x < 3 ? uint32_t(x == 0 ? 0 : x == 1 ? 1 : 255) << 24 : 0xFF000000u; });
    ASSERT_TRUE(widget);
    struct TCase {
        int32_t x, y;
        bool hit;
    } cases[] = {
        {10, 10, false},  // alpha 0
        {11, 10, true},   // alpha 1
        {12, 10, true},   // alpha 255
        {14, 10, false},  // inside the bounds, over the empty extra column
        {30, 30, false},  // outside
        {9, 10, false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(widget->ContainsPoint(c.x, c.y, false), c.hit) << c.x << "," << c.y;
        EXPECT_EQ(widget->WidgetAt(c.x, c.y) != nullptr, c.hit) << c.x << "," << c.y;
    }
    widget->SetVisible(false);
    EXPECT_FALSE(widget->ContainsPoint(12, 10, false));
    EXPECT_TRUE(widget->ContainsPoint(12, 10, true));
}

TEST(TransformWidget, WithoutAnInnerWidgetNothingIsDrawnOrHit) {
    TWidgetHarness screen;
    const Ref<TZoomWidget> widget = Query<TZoomWidget>(
        screen.Load(R"(<widget type="zoom_widget" visible="yes" anchor_left="5" anchor_top="5" zoom="2"/>)"));
    ASSERT_TRUE(widget);
    screen.Step(2);
    EXPECT_EQ(ScreenPixel(screen, 5, 5), 0xFF000000u);
    EXPECT_FALSE(widget->GetCache());
    EXPECT_FALSE(widget->ContainsPoint(5, 5, false));
    EXPECT_FALSE(widget->WidgetAt(5, 5));
}

TEST(TransformWidget, TheBlendingModeIsLoadedThroughItsSetterAndAlwaysSaved) {
    TWidgetHarness screen;
    auto [widget, inner] = LoadTransform<TMaskedSurfaceWidget>(
        screen, "masked_widget", R"(blendingmode="screen")", 2, 2, Opaque);
    ASSERT_TRUE(widget);
    EXPECT_EQ(widget->GetBlendingMode(), bm_Screen);
    screen.Step(1);
    ASSERT_FALSE(widget->GetChanged());
    widget->LoadFrom(LoadStorageFromXML(R"(<widget visible="yes" blendingmode="screen"/>)"));
    EXPECT_FALSE(widget->GetChanged());
    widget->LoadFrom(LoadStorageFromXML(R"(<widget visible="yes" blendingmode="addition"/>)"));
    EXPECT_TRUE(widget->GetChanged());
    EXPECT_EQ(widget->GetBlendingMode(), bm_Addition);

    const Ref<IWidget> plain = WidgetFromXMLText(R"(<widget type="masked_widget"/>)");
    EXPECT_NE(WidgetToXMLText(plain).find(R"(blendingmode="normal")"), std::string::npos);
}

// ---------------------------------------------------------------- smooth move

TEST(SmoothMoveWidget, PositionsSplitIntoWholePixelsAndQuantizedFractions) {
    const Ref<TSmoothMoveWidget> widget =
        Query<TSmoothMoveWidget>(WidgetFromXMLText(R"(<widget type="smooth_move_widget"/>)"));
    ASSERT_TRUE(widget);
    struct TCase {
        double left;
        double position, fraction;
    } cases[] = {{-0.5, -1, 0.5}, {2.9, 2, 0.75}, {10.6, 10, 0.5}, {11.1, 11, 0.0}, {-3.0, -3, 0.0}};
    for (const TCase& c : cases) {
        widget->SetLeft(c.left);
        widget->SetTop(c.left);
        EXPECT_EQ(widget->GetLeft(), c.position) << c.left;
        EXPECT_EQ(widget->GetFractionX(), c.fraction) << c.left;
        EXPECT_EQ(widget->GetTop(), c.position) << c.left;
        EXPECT_EQ(widget->GetFractionY(), c.fraction) << c.left;
    }
    widget->SetCaching(true);
    EXPECT_EQ(widget->GetShiftCacheSize(), 4);
    widget->SetSamplingStep(1.0);
    widget->SetLeft(7.9);
    EXPECT_EQ(widget->GetFractionX(), 0.0);
    EXPECT_EQ(widget->GetShiftCacheSize(), 1);
    widget->SetSamplingStep(0.0);
    widget->SetLeft(7.3);
    EXPECT_NEAR(widget->GetFractionX(), 0.3, 1e-12);
    EXPECT_EQ(widget->FractionIndex(0.3), -1);
    EXPECT_EQ(widget->GetShiftCacheSize(), 0);
    // A tiny step would ask for 10^8 pictures: no table, drawn each time.
    widget->SetSamplingStep(0.0001);
    EXPECT_EQ(widget->GetShiftCacheSize(), 0);
    widget->SetSamplingStep(7.0);
    EXPECT_EQ(widget->GetSamplingStep(), 1.0);
    widget->SetSamplingStep(-1.0);
    EXPECT_EQ(widget->GetSamplingStep(), 0.0);
}

TEST(SmoothMoveWidget, OnlyANewFractionRepaints) {
    TWidgetHarness screen;
    auto [widget, inner] =
        LoadTransform<TSmoothMoveWidget>(screen, "smooth_move_widget", "", 5, 5, Opaque);
    ASSERT_TRUE(widget);
    widget->SetLeft(10.6);
    EXPECT_TRUE(widget->GetMoved());
    EXPECT_TRUE(widget->GetNeedToRepaint());
    screen.Step(1);
    widget->SetLeft(10.6);
    EXPECT_FALSE(widget->GetMoved());
    EXPECT_FALSE(widget->GetNeedToRepaint());
    widget->SetLeft(12.5);  // the whole part alone
    EXPECT_TRUE(widget->GetMoved());
    EXPECT_FALSE(widget->GetNeedToRepaint());
    widget->SetLeft(12.8);
    EXPECT_TRUE(widget->GetNeedToRepaint());
    EXPECT_EQ(widget->GetWidth(), 6);
    EXPECT_EQ(widget->GetHeight(), 6);
}

TEST(SmoothMoveWidget, AHalfPixelShiftSplitsALineAndNoShiftCopies) {
    TWidgetHarness screen;
    auto [widget, inner] = LoadTransform<TSmoothMoveWidget>(
        screen, "smooth_move_widget", "", 5, 3,
        [](int x, int) { return x == 2 ? 0xFFFFFFFFu : 0u; });
    ASSERT_TRUE(widget);
    Redraw(*widget);
    for (int x = 0; x < 6; ++x) {
        uint32_t pixel = 0;
        widget->GetCache()->GetPixel(x, 1, pixel);
        EXPECT_EQ(pixel, x == 2 ? 0xFFFFFFFFu : 0u) << x;
    }
    widget->SetLeft(0.5);
    Redraw(*widget);
    uint32_t alpha[6] = {};
    for (int x = 0; x < 6; ++x) {
        uint32_t pixel = 0;
        widget->GetCache()->GetPixel(x, 1, pixel);
        alpha[x] = pixel >> 24;
    }
    // Two columns of about half weight each (7-bit weights), nothing else.
    EXPECT_NEAR(int(alpha[2]), 128, 4);
    EXPECT_NEAR(int(alpha[3]), 128, 4);
    EXPECT_NEAR(int(alpha[2] + alpha[3]), 255, 2);
    for (int x : {0, 1, 4, 5}) EXPECT_EQ(alpha[x], 0u) << x;
}

TEST(SmoothMoveWidget, TheShiftCacheMakesEachShiftedPictureOnce) {
    TWidgetHarness screen;
    auto [widget, inner] = LoadTransform<TSmoothMoveWidget>(
        screen, "smooth_move_widget", R"(caching="yes")", 6, 6, Coded);
    ASSERT_TRUE(widget);
    ASSERT_EQ(widget->GetShiftCacheSize(), 4);
    auto glide = [&] {
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                widget->SetLeft(20 + i * 0.25);
                widget->SetTop(30 + j * 0.25);
                Redraw(*widget);
            }
        }
    };
    const int64_t before = widget->GetSnapshotCount();
    glide();
    EXPECT_EQ(widget->GetSnapshotCount(), before + 15) << "(0, 0) was made by the first frame";
    std::vector<uint32_t> cached;
    for (int x = 0; x < 7; ++x) cached.push_back(CacheAt(*widget, 20 + x, 33));
    glide();
    EXPECT_EQ(widget->GetSnapshotCount(), before + 15);
    for (int x = 0; x < 7; ++x) EXPECT_EQ(CacheAt(*widget, 20 + x, 33), cached[size_t(x)]) << x;

    // A move keeps the pictures; a change of the inner widget drops them.
    widget->SetLeft(50.25);
    screen.Step(1);
    EXPECT_EQ(widget->GetSnapshotCount(), before + 15);
    inner->SetProperty("surface", Variant(Ref<ISurface>(MakePicture(6, 6, Opaque))));
    screen.Step(1);
    EXPECT_EQ(widget->GetSnapshotCount(), before + 16);
    EXPECT_EQ(CacheAt(*widget, 52, 33) >> 24, 255u);
}

TEST(SmoothMoveWidget, PicturesAreReusedOnlyForTheirOwnFractions) {
    TWidgetHarness screen;
    // A step of 0.3: 0.6 / 0.3 truncates to 1, the index of 0.3 as well.
    auto [widget, inner] = LoadTransform<TSmoothMoveWidget>(
        screen, "smooth_move_widget", R"(caching="yes" sampling_step="0.3")", 4, 1,
        [](int x, int) { return x == 0 ? 0xFFFFFFFFu : 0u; });
    ASSERT_TRUE(widget);
    widget->SetLeft(0.3);
    Redraw(*widget);
    const uint32_t at03 = CacheAt(*widget, 1, 0);
    widget->SetLeft(0.6);
    ASSERT_NE(widget->GetFractionX(), 0.3);
    Redraw(*widget);
    EXPECT_NE(CacheAt(*widget, 1, 0), at03) << "a picture shifted by 0.3 shown for 0.6";
}

TEST(SmoothMoveWidget, SaveAndLoad) {
    const Ref<IWidget> widget = WidgetFromXMLText(
        R"(<widget type="smooth_move_widget" anchor_left="10.6" sampling_step="0.5"/>)");
    auto* move = dynamic_cast<TSmoothMoveWidget*>(widget.get());
    ASSERT_TRUE(move);
    EXPECT_EQ(move->GetLeft(), 10.0);
    EXPECT_EQ(move->GetFractionX(), 0.5);
    std::string text = WidgetToXMLText(widget);
    EXPECT_NE(text.find(R"(sampling_step="0.5")"), std::string::npos) << text;
    EXPECT_EQ(text.find("caching"), std::string::npos) << text;
    move->SetCaching(true);
    text = WidgetToXMLText(widget);
    EXPECT_NE(text.find(R"(caching="yes")"), std::string::npos) << text;
    // A new step leaves the stored fraction; the next move quantizes anew.
    widget->SetProperty("sampling_step", Variant(0.25));
    EXPECT_EQ(move->GetSamplingStep(), 0.25);
    EXPECT_EQ(move->GetFractionX(), 0.5);
    move->SetLeft(10.8);
    EXPECT_EQ(move->GetFractionX(), 0.75);
    EXPECT_TRUE(widget->GetProperty("caching").ToBool());
}

// ---------------------------------------------------------------- zoom

TEST(ZoomWidget, Geometry) {
    TWidgetHarness screen;
    auto [widget, inner] = LoadTransform<TZoomWidget>(
        screen, "zoom_widget", R"(zoom="0.5" centerx="30" centery="10" anchor_left="200" anchor_top="100")",
        100, 60, Opaque);
    ASSERT_TRUE(widget);
    EXPECT_EQ(widget->GetWidth(), 51);
    EXPECT_EQ(widget->GetHeight(), 31);
    EXPECT_EQ(widget->GetDrawLeft(), 200 - 15);
    EXPECT_EQ(widget->GetDrawTop(), 100 - 5);
    for (double zoom : {0.0, -0.005, 0.01}) {
        widget->SetProperty("zoom", Variant(zoom));
        EXPECT_FLOAT_EQ(widget->GetZoomX(), 0.01f) << zoom;
        EXPECT_FLOAT_EQ(widget->GetZoomY(), 0.01f) << zoom;
    }
    // Stored factors of 0 would divide by zero: kept as the setters keep them.
    const Ref<TZoomWidget> loaded =
        Query<TZoomWidget>(WidgetFromXMLText(R"(<widget type="zoom_widget" zoom="0"/>)"));
    ASSERT_TRUE(loaded);
    EXPECT_FLOAT_EQ(loaded->GetZoomX(), 0.01f);
    int32_t x = 50, y = 50;
    loaded->TransformPoint(x, y);
    EXPECT_EQ(x, 5000);
}

TEST(ZoomWidget, OneToOneShiftsAndAnythingElseScales) {
    TWidgetHarness screen;
    auto [widget, inner] = LoadTransform<TZoomWidget>(screen, "zoom_widget",
                                                      R"(anchor_left="10" anchor_top="10")", 8, 8, Coded);
    ASSERT_TRUE(widget);
    Redraw(*widget);
    EXPECT_EQ(widget->GetLastDrawPath(), TZoomWidget::TDrawPath::kShift);
    EXPECT_EQ(CacheAt(*widget, 13, 12), Coded(3, 2));
    widget->SetZoomY(1.01);
    Redraw(*widget);
    EXPECT_EQ(widget->GetLastDrawPath(), TZoomWidget::TDrawPath::kScaled);
}

TEST(ZoomWidget, SavedFormAndSmoothDefaults) {
    const Ref<IWidget> made = Query<IWidget>(CreateObjectByName("zoom_widget"));
    ASSERT_TRUE(made);
    EXPECT_TRUE(made->GetProperty("smooth").ToBool());
    const Ref<IWidget> loaded = WidgetFromXMLText(R"(<widget type="zoom_widget" zoom="1.5"/>)");
    EXPECT_FALSE(loaded->GetProperty("smooth").ToBool());
    std::string text = WidgetToXMLText(loaded);
    EXPECT_NE(text.find(R"(zoom="1.5")"), std::string::npos) << text;
    EXPECT_EQ(text.find("zoomx"), std::string::npos) << text;
    loaded->SetProperty("zoomy", Variant(2.0));
    text = WidgetToXMLText(loaded);
    EXPECT_EQ(text.find(" zoom="), std::string::npos) << text;
    EXPECT_NE(text.find(R"(zoomx="1.5")"), std::string::npos) << text;
    EXPECT_NE(text.find(R"(zoomy="2")"), std::string::npos) << text;
}

TEST(ZoomWidget, ACentreChangeMovesTheBoundsWithoutARebuild) {
    TWidgetHarness screen;
    auto [widget, inner] = LoadTransform<TZoomWidget>(
        screen, "zoom_widget", R"(zoom="2" anchor_left="100" anchor_top="100")", 10, 10, Coded);
    ASSERT_TRUE(widget);
    const int drawn = inner->renders;
    const TRect before = widget->GetBounds();
    widget->SetProperty("centerx", Variant(5.0));
    EXPECT_TRUE(widget->GetMoved());
    EXPECT_EQ(widget->GetBounds().left, before.left - 10);
    screen.Step(1);
    EXPECT_EQ(inner->renders, drawn);
}

// Where the centre point of a coded picture lands, and whether the mouse
// mapping finds the pixels where they are drawn. The picture is drawn by
// nearest sampling so that every drawn pixel names its source.
struct TLanding {
    int landedDx = 999, landedDy = 999;  // what the pixel at (left, top) shows, less the centre
    int minX = 999, minY = 999, maxX = -1, maxY = -1;  // the drawn sources' extent
    int worstMouse = 0;  // the largest mapping error over the drawn pixels
    int drawnSources = 0;  // distinct source pixels drawn
    int drawnPixels = 0;
};

TLanding Measure(TZoomWidget& widget, int left, int top, int cx, int cy) {
    Redraw(widget);
    TLanding landing;
    const uint32_t there = CacheAt(widget, left, top);
    if (IsCoded(there)) {
        landing.landedDx = CodedX(there) - cx;
        landing.landedDy = CodedY(there) - cy;
    }
    const TRect bounds = widget.GetBounds();
    std::vector<bool> seen(256 * 256);
    for (int y = bounds.top; y < bounds.bottom; ++y) {
        for (int x = bounds.left; x < bounds.right; ++x) {
            const uint32_t pixel = CacheAt(widget, x, y);
            if (!IsCoded(pixel)) continue;
            ++landing.drawnPixels;
            const int sx = CodedX(pixel), sy = CodedY(pixel);
            if (!seen[size_t(sy * 256 + sx)]) ++landing.drawnSources;
            seen[size_t(sy * 256 + sx)] = true;
            landing.minX = std::min(landing.minX, sx);
            landing.minY = std::min(landing.minY, sy);
            landing.maxX = std::max(landing.maxX, sx);
            landing.maxY = std::max(landing.maxY, sy);
            const TPoint mapped = widget.ScreenToClient(x, y);
            landing.worstMouse = std::max(
                {landing.worstMouse, std::abs(mapped.x - sx), std::abs(mapped.y - sy)});
        }
    }
    return landing;
}

TEST(ZoomWidget, TheCentrePointStaysOnThePosition) {
    TWidgetHarness screen;
    const int left = 300, top = 240;
    struct TCase {
        double zoom;
        int cx, cy;
    } cases[] = {{0.5, 0, 0},   {0.5, 20, 50}, {0.5, 50, 50}, {1.5, 0, 0},   {1.5, 20, 50},
                 {1.5, 50, 50}, {2.0, 0, 0},   {2.0, 20, 50}, {2.0, 50, 50}, {-2.0, 50, 50},
                 {-1.5, 20, 50}};
    for (const TCase& c : cases) {
        SCOPED_TRACE("zoom " + std::to_string(c.zoom) + " centre " + std::to_string(c.cx) + "," +
                     std::to_string(c.cy));
        auto [widget, inner] = LoadTransform<TZoomWidget>(
            screen, "zoom_widget",
            "smooth=\"no\" zoom=\"" + std::to_string(c.zoom) + "\" centerx=\"" +
                std::to_string(c.cx) + "\" centery=\"" + std::to_string(c.cy) +
                "\" anchor_left=\"300\" anchor_top=\"240\"",
            101, 101, Coded);
        ASSERT_TRUE(widget);
        const TLanding landing = Measure(*widget, left, top, c.cx, c.cy);
        EXPECT_LE(std::abs(landing.landedDx), 1);
        EXPECT_LE(std::abs(landing.landedDy), 1);
        EXPECT_EQ(landing.minX, 0);
        EXPECT_EQ(landing.minY, 0);
        EXPECT_EQ(landing.maxX, 100);
        EXPECT_EQ(landing.maxY, 100);
        if (std::fabs(c.zoom) >= 1) {
            EXPECT_EQ(landing.drawnSources, 101 * 101);
        }
        EXPECT_LE(landing.worstMouse, 1);
    }
}

TEST(ZoomWidget, AHugeFactorDrawsNothingAndLogsOnce) {
    TWidgetHarness screen;
    auto [widget, inner] = LoadTransform<TZoomWidget>(screen, "zoom_widget", R"(zoom="50")", 640,
                                                      480, Opaque);
    ASSERT_TRUE(widget);
    screen.Step(3);
    widget->SetProperty("need_to_repaint", Variant(true));
    screen.Step(1);
    EXPECT_FALSE(widget->GetCache());
    EXPECT_FALSE(widget->ContainsPoint(5, 5, false));
    int lines = 0;
    for (const std::string& line : screen.Log().Lines()) lines += line.find("too large") != std::string::npos;
    EXPECT_EQ(lines, 1);
    widget->SetProperty("zoom", Variant(1.0));
    screen.Step(1);
    EXPECT_EQ(CacheAt(*widget, 5, 5) >> 24, 255u);
}

// ---------------------------------------------------------------- rotate

TEST(RotateWidget, GeometryAndWhichPathDraws) {
    TWidgetHarness screen;
    auto [widget, inner] = LoadTransform<TRotateWidget>(screen, "rotate_widget",
                                                        R"(anchor_left="200" anchor_top="200")",
                                                        100, 100, Coded);
    ASSERT_TRUE(widget);
    EXPECT_NEAR(widget->GetRadius(), 70.71, 0.01);
    EXPECT_EQ(widget->GetWidth(), 142);
    EXPECT_EQ(widget->GetHeight(), 142);

    struct TCase {
        double angle;
        TZoomWidget::TDrawPath path;
    } cases[] = {{360, TZoomWidget::TDrawPath::kShift},
                 {720, TZoomWidget::TDrawPath::kRotated},
                 {0.5, TZoomWidget::TDrawPath::kRotated},
                 {0, TZoomWidget::TDrawPath::kShift}};
    Redraw(*widget);
    std::vector<uint32_t> unturned;
    for (int x = 150; x < 250; x += 7) unturned.push_back(CacheAt(*widget, x, 210));
    for (const TCase& c : cases) {
        widget->SetAngle(c.angle);
        Redraw(*widget);
        EXPECT_EQ(widget->GetLastDrawPath(), c.path) << c.angle;
    }
    widget->SetAngle(360);
    Redraw(*widget);
    std::vector<uint32_t> full;
    for (int x = 150; x < 250; x += 7) full.push_back(CacheAt(*widget, x, 210));
    EXPECT_EQ(full, unturned);

    screen.Step(1);
    widget->SetProperty("angle", Variant(360.0));
    EXPECT_FALSE(widget->GetMoved());
    EXPECT_FALSE(widget->GetNeedToRepaint());
    widget->SetProperty("angle", Variant(30.0));
    EXPECT_TRUE(widget->GetMoved());
    EXPECT_TRUE(widget->GetNeedToRepaint());
}

TEST(RotateWidget, TheCentrePointStaysPutAcrossZoomAndAngle) {
    TWidgetHarness screen;
    const int left = 300, top = 240;
    const std::pair<int, int> centres[] = {{50, 50}, {20, 50}, {5, 5}};
    struct TStep {
        double zoom, angle;
    } steps[] = {{1.0, 0}, {1.01, 0}, {1.0, 0.5}, {1.0, 10}, {1.0, 45}, {1.01, 45}, {-1.0, 30}};
    for (const auto& [cx, cy] : centres) {
        auto [widget, inner] = LoadTransform<TRotateWidget>(
            screen, "rotate_widget",
            "smooth=\"no\" centerx=\"" + std::to_string(cx) + "\" centery=\"" +
                std::to_string(cy) + "\" anchor_left=\"300\" anchor_top=\"240\"",
            101, 101, Coded);
        ASSERT_TRUE(widget);
        for (const TStep& s : steps) {
            SCOPED_TRACE("centre " + std::to_string(cx) + "," + std::to_string(cy) + " zoom " +
                         std::to_string(s.zoom) + " angle " + std::to_string(s.angle));
            widget->SetZoomX(s.zoom);
            widget->SetZoomY(std::fabs(s.zoom));
            widget->SetAngle(s.angle);
            const TLanding landing = Measure(*widget, left, top, cx, cy);
            EXPECT_LE(std::abs(landing.landedDx), 1);
            EXPECT_LE(std::abs(landing.landedDy), 1);
            EXPECT_EQ(landing.minX, 0);
            EXPECT_EQ(landing.minY, 0);
            EXPECT_EQ(landing.maxX, 100);
            EXPECT_EQ(landing.maxY, 100);
            // Sampling by nearest pixel skips some sources when turning, but
            // the area drawn is the picture's: nothing is cut away.
            const double area = 101.0 * 101.0 * s.zoom * s.zoom;
            EXPECT_NEAR(landing.drawnPixels, area, area * 0.02);
            EXPECT_LE(landing.worstMouse, 1);
        }
    }
}

TEST(TimedRotateWidget, TheAngleFollowsTheAge) {
    TWidgetHarness screen;
    auto [widget, inner] = LoadTransform<TTimedRotateWidget>(
        screen, "rotate_widget_timed", R"(rotate="yes" startangle="90" rotationtime="1000")", 20,
        20, Coded);
    ASSERT_TRUE(widget);
    widget->Restart();
    struct TCase {
        int32_t step;
        double angle;
        TZoomWidget::TDrawPath path;
    } cases[] = {{0, 90, TZoomWidget::TDrawPath::kRotated},
                 {250, 0, TZoomWidget::TDrawPath::kShift},
                 {750, -270, TZoomWidget::TDrawPath::kRotated}};
    for (const TCase& c : cases) {
        widget->Update(c.step);
        EXPECT_DOUBLE_EQ(widget->GetAngle(), c.angle) << widget->GetCurrentTime();
        Redraw(*widget);
        EXPECT_EQ(widget->GetLastDrawPath(), c.path) << widget->GetCurrentTime();
    }

    const Ref<TTimedRotateWidget> idle = Query<TTimedRotateWidget>(WidgetFromXMLText(
        R"(<widget type="rotate_widget_timed" angle="5" startangle="40" rotationtime="100"/>)"));
    ASSERT_TRUE(idle);
    EXPECT_EQ(idle->GetAngle(), 40);
    idle->Update(30);
    EXPECT_EQ(idle->GetAngle(), 40) << "rotate is off";

    const Ref<TTimedRotateWidget> late = Query<TTimedRotateWidget>(WidgetFromXMLText(
        R"(<widget type="rotate_widget_timed" rotate="yes" startangle="40" currenttime="-100"/>)"));
    ASSERT_TRUE(late);
    late->Update(30);
    EXPECT_EQ(late->GetAngle(), 40) << "a negative age leaves the angle";
    const std::string text = WidgetToXMLText(late);
    for (const char* key : {"rotate=", "startangle=", R"(rotationtime="1000")", "angle="}) {
        EXPECT_NE(text.find(key), std::string::npos) << key << " in " << text;
    }
}

TEST(TimedRotateWidget, NoRotationTimeDoesNotTurn) {
    TWidgetHarness screen;
    const Ref<IWidget> made = Query<IWidget>(CreateObjectByName("rotate_widget_timed"));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->GetProperty("rotationtime").ToInt(), 0);
    auto [widget, inner] = LoadTransform<TTimedRotateWidget>(
        screen, "rotate_widget_timed", R"(rotate="yes" startangle="30" rotationtime="0")", 20, 20,
        Coded);
    ASSERT_TRUE(widget);
    screen.Step(5, 10);
    EXPECT_EQ(widget->GetAngle(), 30);
    EXPECT_FALSE(std::isnan(widget->GetRadius()));
    EXPECT_GT(widget->GetWidth(), 20);
    widget->SetProperty("rotationtime", Variant(-5));
    screen.Step(2, 10);
    EXPECT_EQ(widget->GetAngle(), 30);
}

}  // namespace
}  // namespace effecttest
