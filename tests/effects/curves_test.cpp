// The curve widget: what it draws without its pieces, the stamps along a
// path, progressive drawing forward and backward with its lifetime, the
// bounds and their limits, smooth and plain strokes in the same place, the
// hit test, properties and the stored form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "effects/CurvesWidget.h"
#include "tests/effects/ParticlesTestSupport.h"
#include "tests/support/WidgetHarness.h"

namespace particletest {
namespace {

// White, give or take the rounding of drawing through the curve's surface.
bool IsWhite(uint32_t pixel) {
    return (pixel >> 24) == 0xFF && (pixel >> 16 & 0xFF) >= 0xFA && (pixel >> 8 & 0xFF) >= 0xFA &&
           (pixel & 0xFF) >= 0xFA;
}

// A path of the given type from (x1, y1) to (x2, y2), lasting 1000 ms;
// extra holds the cells from (2, 6) on (a Bezier's control points).
std::string PathXml(const char* type, double x1, double y1, double x2, double y2,
                    const std::vector<double>& extra = {}) {
    auto def = [](const std::string& name, int col, int row, double value) {
        return R"(<paramdef name=")" + name + R"(" col=")" + std::to_string(col) + R"(" row=")" +
               std::to_string(row) + R"(" static="yes" value=")" + std::to_string(value) + R"("/>)";
    };
    std::string cells = def("X", 0, 0, 0) + def("Y", 0, 1, 0) + def("T", 1, 0, 0) +
                        def("X1", 2, 0, x1) + def("Y1", 2, 1, y1) + def("X2", 2, 2, x2) +
                        def("Y2", 2, 3, y2) + def("TotalTime", 2, 4, 1000) + def("Length", 2, 5, 0);
    for (size_t i = 0; i < extra.size(); ++i) {
        cells += def("c" + std::to_string(6 + i), 2, int(6 + i), extra[i]);
    }
    return std::string(R"(<function name="path" type=")") + type + R"("><paramspace><paramdefs>)" +
           cells + "</paramdefs></paramspace></function>";
}

std::string Segment(double x1, double y1, double x2, double y2) {
    return PathXml("path_segment", x1, y1, x2, y2);
}

std::string CurveXml(const std::string& keys, const std::string& path,
                     const std::string& brush = Sprite(1, 1, "$FFFF0000")) {
    return R"(<widget type="curve_widget" name="curve" visible="yes" )" + keys + "><widgets>" +
           brush + "</widgets>" + path + "</widget>";
}

struct TFixture {
    explicit TFixture(const std::string& xml) {
        RegisterSprite();
        root = screen.Load(R"(<widget type="group_widget" name="root"><widgets>)" + xml +
                           "</widgets></widget>");
        curve = As<TCurveWidget>(screen.Find("curve"));
        EXPECT_TRUE(curve);
    }
    Ref<ISurface> Picture() const { return screen.RenderTree(0xFF000000); }

    TWidgetHarness screen{400, 300};
    Ref<IWidget> root;
    TCurveWidget* curve = nullptr;
};

// Without a path, a brush or a draw_shift above 0 nothing is drawn, the
// bounds are empty and no point is contained; stepping does nothing either.
TEST(CurveWidget, MissingPiecesDrawNothing) {
    struct Case {
        const char* what;
        std::string xml;
    };
    const std::string path = Segment(10, 20, 110, 20);
    const Case cases[] = {
        {"no path", CurveXml("", "")},
        {"no brush", CurveXml("", path, "")},
        {"draw_shift 0", CurveXml(R"(draw_shift="0")", path)},
        {"draw_shift below 0", CurveXml(R"(draw_shift="-2")", path)},
        {"stepping without a path", CurveXml(R"(stepping="yes" drawtime="100")", "")},
        {"stepping with draw_shift 0",
         CurveXml(R"(stepping="yes" drawtime="100" draw_shift="0")", path)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TFixture f(c.xml);
        f.screen.Step(3, 50);
        EXPECT_EQ(f.curve->GetBounds(), TRect{});
        EXPECT_FALSE(f.curve->ContainsPoint(0, 0, false));
        EXPECT_FALSE(f.curve->ContainsPoint(50, 20, false));
        const Ref<ISurface> picture = f.Picture();
        for (int32_t x : {0, 10, 50, 110}) EXPECT_EQ(PixelOf(picture, x, 20), 0xFF000000u) << x;
        EXPECT_EQ(f.curve->GetDrawnCount(), 0);
        EXPECT_EQ(f.curve->GetStampCount(), 0);
    }
}

// Without stepping every point from 0 to N is stamped: N + 1 stamps, the
// brush's shape in the fill colour (white when loaded without "drawmode").
TEST(CurveWidget, APlainCurveStampsEveryPoint) {
    TFixture f(CurveXml(R"(smooth="no")", Segment(10, 20, 310, 20)));
    f.screen.Step(1, 10);
    EXPECT_EQ(f.curve->GetPointCount(), 300);
    EXPECT_EQ(f.curve->GetStampCount(), 301);
    EXPECT_EQ(f.curve->GetBounds(), (TRect{8, 18, 312, 22}));
    const Ref<ISurface> picture = f.Picture();
    for (int32_t x : {10, 11, 150, 309, 310}) EXPECT_TRUE(IsWhite(PixelOf(picture, x, 20))) << x;
    EXPECT_EQ(PixelOf(picture, 311, 20), 0xFF000000u);
    EXPECT_EQ(PixelOf(picture, 150, 21), 0xFF000000u);
    // Nothing changed: the next frame draws nothing anew.
    f.screen.Step(1, 10);
    EXPECT_FALSE(f.screen.FrameRendered());
    EXPECT_FALSE(f.curve->GetNeedsRedraw());
}

TEST(CurveWidget, CopyrectStampsTheBrushAsItIs) {
    TFixture f(CurveXml(R"(smooth="no" drawmode="copyrect")", Segment(10, 20, 60, 20)));
    f.screen.Step(1, 10);
    const uint32_t pixel = PixelOf(f.Picture(), 30, 20);
    EXPECT_GE(pixel >> 16 & 0xFF, 0xF0u);
    EXPECT_LT(pixel >> 8 & 0xFF, 0x10u);
}

// A smooth curve lies on the plain one: its pixels on the path are fully
// covered, and the rows beside it get the fading band.
TEST(CurveWidget, SmoothAndPlainCurvesCoincide) {
    TFixture plain(CurveXml(R"(smooth="no")", Segment(10, 20, 60, 20)));
    TFixture smooth(CurveXml(R"(smooth="yes")", Segment(10, 20, 60, 20)));
    plain.screen.Step(1, 10);
    smooth.screen.Step(1, 10);
    const Ref<ISurface> a = plain.Picture(), b = smooth.Picture();
    for (int32_t x = 12; x <= 58; x += 7) {
        SCOPED_TRACE(x);
        EXPECT_TRUE(IsWhite(PixelOf(a, x, 20)));
        EXPECT_TRUE(IsWhite(PixelOf(b, x, 20)));
        EXPECT_EQ(PixelOf(a, x, 21), 0xFF000000u);
        const uint32_t half = PixelOf(b, x, 21) & 0xFF;
        EXPECT_GE(half, 0x7Eu);
        EXPECT_LE(half, 0x81u);
        EXPECT_EQ(PixelOf(b, x, 22), 0xFF000000u);
    }
}

// Progressive drawing: drawtime 2000 over a 300-px path shows points 0 to 75
// after 500 ms; backward it wipes back toward the start; a direction other
// than 1 or -1 stops.
TEST(CurveWidget, SteppingTable) {
    TFixture f(CurveXml(R"(smooth="no" stepping="yes" drawtime="2000")", Segment(10, 20, 310, 20)));
    struct Step {
        const char* direction;  // set before the frames, or null
        int frames;
        int32_t ms;
        double currentT;
        int32_t drawn;
        int32_t state;
    };
    // Frames of 125 and 250 ms keep the progress in exact binary fractions.
    const Step steps[] = {
        {nullptr, 4, 125, 0.25, 75, 0},    {nullptr, 12, 125, 1.0, 300, 0},
        {nullptr, 1, 125, 1.0625, 300, 0}, {nullptr, 1, 125, 1.125, 300, 1},
        {"-1", 2, 250, 0.75, 225, 0},      {nullptr, 6, 250, 0.0, 0, 0},
        {nullptr, 2, 250, -0.25, 0, 1},    {"1", 1, 500, 0.25, 75, 0},
        {"2", 1, 500, 0.25, 0, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(::testing::Message() << (s.direction ? s.direction : "-") << ", " << s.frames
                                          << " x " << s.ms << " ms");
        if (s.direction) f.curve->SetProperty("stepping_direction", s.direction);
        f.screen.Step(s.frames, s.ms);
        EXPECT_NEAR(f.curve->GetCurrentT(), s.currentT, 1e-9);
        EXPECT_EQ(f.curve->GetDrawnCount(), s.drawn);
        EXPECT_EQ(f.curve->GetProperty("state").ToInt(), s.state);
        EXPECT_EQ(f.curve->GetStampCount(), s.drawn + 1);
    }
    const Ref<ISurface> picture = f.Picture();
    EXPECT_TRUE(IsWhite(PixelOf(picture, 10, 20)));
    EXPECT_EQ(PixelOf(picture, 11, 20), 0xFF000000u);
}

// The widget outlives "curve_time" while a forward drawing has not run past
// its end; a stopped drawing does not keep it.
TEST(CurveWidget, TheDrawingHoldsTheLifetimeUntilItEnds) {
    const std::string keys = R"(smooth="no" stepping="yes" drawtime="1000" curve_time="500")";
    TFixture forward(CurveXml(keys, Segment(10, 20, 110, 20)));
    forward.screen.Step(5, 250);
    EXPECT_TRUE(forward.screen.Find("curve"));
    forward.screen.Step(1, 250);
    EXPECT_FALSE(forward.screen.Find("curve"));

    TFixture stopped(CurveXml(keys, Segment(10, 20, 110, 20)));
    stopped.curve->SetProperty("stepping_direction", 0);
    stopped.screen.Step(1, 250);
    EXPECT_TRUE(stopped.screen.Find("curve"));
    stopped.screen.Step(1, 250);
    EXPECT_FALSE(stopped.screen.Find("curve"));
}

TEST(CurveWidget, BoundsStayInsideTheCurveArea) {
    struct Case {
        std::string path;
        TRect bounds;
    };
    const Case cases[] = {
        {Segment(-50, -60, 900, 700), {0, 0, 800, 600}},
        {Segment(790, 590, 795, 598), {788, 588, 797, 600}},
        {Segment(-300, -300, -200, -200), {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        TFixture f(CurveXml(R"(smooth="no")", c.path));
        EXPECT_EQ(f.curve->GetBounds(), c.bounds);
        EXPECT_EQ(f.curve->GetDrawLeft(), c.bounds.left);
        EXPECT_EQ(f.curve->GetWidth(), c.bounds.right - c.bounds.left);
        f.screen.Step(1, 10);
    }
}

// A Bezier curve whose control points bulge beyond its end points is drawn
// whole: its far parts, well outside the box of its end points, reach the
// frame, and nothing is drawn away from the curve.
TEST(CurveWidget, ABezierCurveIsDrawnAlongItsPath) {
    // From (100, 200) to (200, 200); the arch rises to y = 95 and swells to
    // about x = 64 and x = 236.
    const double px[] = {100, -60, 360, 200}, py[] = {200, 60, 60, 200};
    TFixture f(
        CurveXml(R"(smooth="no")",
                 PathXml("path_bezier", px[0], py[0], px[3], py[3], {px[1], py[1], px[2], py[2]}),
                 Sprite(1, 1)));
    f.screen.Step(1, 10);
    const int32_t points = f.curve->GetPointCount();
    ASSERT_GT(points, 300);
    auto at = [&](double t, const double(&p)[4]) {
        const double g = 1 - t;
        return g * g * g * p[0] + 3 * g * g * t * p[1] + 3 * g * t * t * p[2] + t * t * t * p[3];
    };
    auto lit = [&](int32_t x, int32_t y) { return (f.screen.Pixel(x, y) & 0xFFFFFF) != 0; };

    // Each stamped point well outside the end points' box (x 100..200, y 200)
    // is drawn, give or take a pixel of rounding.
    int32_t far = 0;
    double top = 1e9, left = 1e9, right = -1e9;
    for (int32_t i = 0; i <= points; ++i) {
        const double t = double(i) / points;
        const double x = at(t, px), y = at(t, py);
        top = std::min(top, y);
        left = std::min(left, x);
        right = std::max(right, x);
        if (x >= 90 && x <= 210 && y >= 190) continue;
        ++far;
        const int32_t cx = int32_t(std::lround(x)), cy = int32_t(std::lround(y));
        bool drawn = false;
        for (int32_t dy = -1; dy <= 1 && !drawn; ++dy) {
            for (int32_t dx = -1; dx <= 1 && !drawn; ++dx) drawn = lit(cx + dx, cy + dy);
        }
        EXPECT_TRUE(drawn) << "t = " << t << " at (" << x << ", " << y << ")";
    }
    EXPECT_GT(far, points / 2);
    EXPECT_LT(top, 100);
    EXPECT_LT(left, 70);
    EXPECT_GT(right, 230);
    EXPECT_TRUE(IsWhite(f.screen.Pixel(150, 95)));

    // Every lit pixel of the frame lies within 2 px of the curve.
    std::vector<std::pair<double, double>> curve;
    for (int32_t i = 0; i <= 4000; ++i) curve.push_back({at(i / 4000.0, px), at(i / 4000.0, py)});
    for (int32_t y = 0; y < 300; ++y) {
        for (int32_t x = 0; x < 400; ++x) {
            if (!lit(x, y)) continue;
            double nearest = 1e18;
            for (const auto& [cx, cy] : curve) {
                nearest = std::min(nearest, (cx - x) * (cx - x) + (cy - y) * (cy - y));
            }
            EXPECT_LE(nearest, 4.0) << "(" << x << ", " << y << ")";
        }
    }
}

TEST(CurveWidget, APathOfNoLengthDrawsNothingAndStaysMarked) {
    TFixture f(CurveXml(R"(smooth="no")", Segment(40, 40, 40, 40)));
    f.screen.Step(2, 10);
    EXPECT_EQ(f.curve->GetPointCount(), 0);
    EXPECT_EQ(f.curve->GetStampCount(), 0);
    EXPECT_TRUE(f.curve->GetNeedsRedraw());
    EXPECT_EQ(PixelOf(f.Picture(), 40, 40), 0xFF000000u);
}

// A draw_shift far below a pixel is bounded by the point cap.
TEST(CurveWidget, ATinyDrawShiftIsBounded) {
    for (const char* smooth : {"no", "yes"}) {
        SCOPED_TRACE(smooth);
        TFixture f(CurveXml(std::string(R"(draw_shift="0.000001" smooth=")") + smooth + "\"",
                            Segment(10, 20, 310, 20)));
        f.screen.Step(1, 10);
        EXPECT_EQ(f.curve->GetPointCount(), kMaxCurvePoints);
        EXPECT_LE(f.curve->GetStampCount(), kMaxCurvePoints + 1);
        EXPECT_TRUE(IsWhite(PixelOf(f.Picture(), 200, 20)));
    }
}

// The hit test reads the curve where it is drawn, wherever the widget's own
// position is.
TEST(CurveWidget, APointIsContainedWhereTheCurveIs) {
    TFixture f(CurveXml(R"(smooth="no" anchor_left="100" anchor_top="7")",
                        Segment(10, 20, 110, 120), Sprite(2, 2)));
    f.screen.Step(1, 10);
    const Ref<ISurface> picture = f.Picture();
    ASSERT_TRUE(IsWhite(PixelOf(picture, 50, 60)));
    ASSERT_EQ(PixelOf(picture, 50, 70), 0xFF000000u);
    EXPECT_TRUE(f.curve->ContainsPoint(50, 60, false));
    EXPECT_TRUE(f.curve->ContainsPoint(51, 61, false));
    EXPECT_FALSE(f.curve->ContainsPoint(50, 70, false));
    EXPECT_FALSE(f.curve->ContainsPoint(300, 60, false));
    f.curve->SetVisible(false);
    EXPECT_FALSE(f.curve->ContainsPoint(50, 60, false));
    EXPECT_TRUE(f.curve->ContainsPoint(50, 60, true));
}

TEST(CurveWidget, FunctionAndDrawShiftSetInCode) {
    TFixture f(CurveXml(R"(smooth="no")", ""));
    f.screen.Step(1, 10);
    // Both only mark the curve for redrawing: the next drawing shows them.
    f.curve->SetFunction(CreateSegmentPath(5, 5, 105, 5, 1000));
    EXPECT_TRUE(IsWhite(PixelOf(f.Picture(), 7, 5)));
    EXPECT_EQ(f.curve->GetStampCount(), 101);
    f.curve->SetDrawShift(4);
    const Ref<ISurface> picture = f.Picture();
    EXPECT_EQ(f.curve->GetStampCount(), 26);
    EXPECT_TRUE(IsWhite(PixelOf(picture, 9, 5)));
    EXPECT_EQ(PixelOf(picture, 7, 5), 0xFF000000u);
    f.curve->SetFunction(nullptr);
    EXPECT_EQ(f.curve->GetBounds(), TRect{});
}

TEST(CurveWidget, Properties) {
    TFixture f(CurveXml("", Segment(10, 20, 60, 20)));
    EXPECT_EQ(f.curve->GetProperty("fillcolor").ToInt(), -1);
    f.curve->SetProperty("fillcolor", "$FF00FF00");
    EXPECT_EQ(uint32_t(f.curve->GetProperty("fillcolor").ToInt()), 0xFF00FF00u);
    f.curve->SetProperty("fillcolor", "green");  // not a colour: ignored
    EXPECT_EQ(uint32_t(f.curve->GetProperty("fillcolor").ToInt()), 0xFF00FF00u);
    struct Mode {
        Variant value;
        int32_t mode;
    };
    for (const Mode& m : {Mode{"copyrect", 0}, Mode{"fillcolor", 1}, Mode{"copyrect", 0},
                          Mode{"anything", 1}, Mode{0, 1}}) {
        f.curve->SetProperty("drawmode", m.value);
        EXPECT_EQ(f.curve->GetProperty("drawmode").ToInt(), m.mode) << m.value.ToString();
    }
    EXPECT_EQ(f.curve->GetProperty("state").ToInt(), 1);  // not stepping
    f.curve->SetProperty("currentT", 0.4);
    EXPECT_DOUBLE_EQ(f.curve->GetCurrentT(), 0.4);
    f.curve->SetProperty("currentT", "not a number");
    EXPECT_DOUBLE_EQ(f.curve->GetCurrentT(), 0.4);
    f.curve->SetProperty("stepping_direction", -1);
    EXPECT_EQ(f.curve->GetStepDirection(), -1);
    EXPECT_DOUBLE_EQ(f.curve->GetCurrentT(), 1.0);
}

TEST(CurveWidget, EveryKeyIsWrittenAndReadBack) {
    TFixture f(CurveXml(R"(smooth="no" curve_time="1234" draw_shift="2.5" drawmode="copyrect")",
                        Segment(10, 20, 60, 20)));
    const std::string saved = SavedText(f.screen.Find("curve"));
    for (const char* piece :
         {R"(curve_time="1234")", R"(draw_shift="2.5")", R"(smooth="no")", R"(stepping="no")",
          R"(drawtime="1000")", R"(drawmode="copyrect")", R"(blendingmode="normal")",
          R"(fillcolor="$FFFFFFFF")", R"(type="path_segment")"}) {
        EXPECT_NE(saved.find(piece), std::string::npos) << piece;
    }
    Ref<IWidget> again = WidgetFromXMLText(saved);
    ASSERT_TRUE(again);
    EXPECT_EQ(SavedText(again), saved);
    EXPECT_EQ(As<TCurveWidget>(again)->GetTimeToLive(), 1234);

    // Loaded with nothing but the type: the loaded defaults.
    Ref<IWidget> bare = WidgetFromXMLText(R"(<widget type="curve_widget"/>)");
    const std::string defaults = SavedText(bare);
    for (const char* piece : {R"(curve_time="100000")", R"(draw_shift="1")", R"(smooth="yes")",
                              R"(drawmode="fillcolor")"}) {
        EXPECT_NE(defaults.find(piece), std::string::npos) << piece;
    }
}

}  // namespace
}  // namespace particletest
