#include "functions/PathFunctionClasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "tests/functions/FunctionFixtures.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kHalfRoot = 70.710678;  // 100 / sqrt(2)

struct TPoint {
    int32_t t;
    double x, y;
};

void ExpectPath(IPathFunction& path, const std::vector<TPoint>& points) {
    for (const TPoint& p : points) {
        SCOPED_TRACE("t = " + std::to_string(p.t));
        path.CalculateAt(p.t);
        EXPECT_NEAR(path.GetX(), p.x, 1e-3);
        EXPECT_NEAR(path.GetY(), p.y, 1e-3);
    }
}

// A path of the standard layout, prepared.
Ref<IPathFunction> LoadPath(const std::string& type, const std::string& cells, bool loop = false) {
    Ref<IPathFunction> path = Query<IPathFunction>(
        LoadFunction(R"(<function type=")" + type + R"(")" + (loop ? R"( loop="yes")" : "") +
                     R"(><paramspace><paramdefs>
             <paramdef name="X" col="0" row="0" static="yes"/>
             <paramdef name="Y" col="0" row="1" static="yes"/>
             <paramdef name="T" col="1" row="0" static="yes"/>)" +
                     cells + "</paramdefs></paramspace></function>"));
    if (path) {
        path->SetOwner(nullptr);
        path->Prepare();
    }
    return path;
}

std::string Cells(const std::vector<float>& column2) {
    static const char* const names[] = {"X1",     "Y1", "X2", "Y2", "TotalTime",
                                        "Length", "c6", "c7", "c8", "c9"};
    std::string text;
    for (size_t r = 0; r < column2.size(); ++r) {
        text += R"(<paramdef name=")" + std::string(names[r]) + R"(" col="2" row=")" +
                std::to_string(r) + R"(" static="yes" value=")" + std::to_string(column2[r]) +
                R"("/>)";
    }
    return text;
}

TEST(SegmentPath, MovesAtConstantSpeed) {
    Ref<IPathFunction> path = LoadPath("path_segment", Cells({0, 0, 100, 0, 1000, 0}));
    ASSERT_TRUE(path);
    // Past the end the motion goes on; the time is not clamped.
    ExpectPath(*path, {{0, 0, 0}, {250, 25, 0}, {1000, 100, 0}, {1500, 150, 0}, {-500, -50, 0}});
    EXPECT_EQ(path->GetTotalTime(), 1000);
    EXPECT_EQ(path->GetLength(), 100);

    Ref<IPathFunction> looping = LoadPath("path_segment", Cells({0, 0, 100, 0, 1000, 0}), true);
    ExpectPath(*looping, {{1500, 50, 0}, {1000, 0, 0}, {-250, -25, 0}});
    const std::string saved = SaveToText(looping, "function");
    EXPECT_NE(saved.find(R"(loop="yes")"), std::string::npos);
    EXPECT_EQ(SaveToText(path, "function").find("loop"), std::string::npos);
}

TEST(SegmentPath, LengthAndBoundsRoundHalvesToEven) {
    struct Case {
        std::vector<float> cells;
        double length;
        TRect bounds;
    };
    const Case cases[] = {
        {{0, 0, 1, 1, 10, 0}, std::sqrt(2.0), {0, 0, 1, 1}},
        // The squared length 0.72 is rounded to 1 before the root.
        {{0, 0, 0.6f, 0.6f, 10, 0}, 1, {0, 0, 1, 1}},
        {{0.5f, 1.5f, 2.5f, -0.5f, 10, 0}, std::sqrt(8.0), {0, 0, 2, 2}},
        {{3.5f, 0, -4.5f, 10, 10, 0}, std::sqrt(164.0), {-4, 0, 4, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        Ref<IPathFunction> path = LoadPath("path_segment", Cells(c.cells));
        EXPECT_NEAR(path->GetLength(), c.length, 1e-6);
        TRect bounds;
        path->GetBounds(bounds);
        EXPECT_EQ(bounds, c.bounds);
    }
}

TEST(SegmentPath, LoopingWithoutATotalTimeRunsOn) {
    for (float total : {0.0f, 0.5f, -3.0f}) {
        SCOPED_TRACE(total);
        Ref<IPathFunction> path = LoadPath("path_segment", Cells({0, 0, 100, 0, total}), true);
        EXPECT_NO_THROW(path->CalculateAt(250));
        // t / 0 is an infinity; a negative total runs backwards.
        if (total == -3) {
            EXPECT_NEAR(path->GetX(), 100 * 250 / -3.0, 1e-2);
        }
    }
}

TEST(AcceleratedSegmentPath, CoversSpeedTimesTimePlusHalfTheAccelerationTimesItsSquare) {
    Ref<IPathFunction> path =
        LoadPath("path_segment_accelerate", Cells({0, 0, 100, 0, 1000, 0, 0, 0.0002f}));
    ExpectPath(*path, {{1000, 100, 0}, {500, 25, 0}, {0, 0, 0}});
    // Long times neither overflow nor stop at the end point.
    path->CalculateAt(100000);
    EXPECT_NEAR(path->GetX(), 1e6, 1);
    path->CalculateAt(std::numeric_limits<int32_t>::max());
    EXPECT_TRUE(std::isfinite(path->GetX()));

    Ref<IPathFunction> steady =
        LoadPath("path_segment_accelerate", Cells({0, 0, 0, 50, 1000, 0, 0.1f, 0}));
    ExpectPath(*steady, {{100, 0, 10}, {1000, 0, 100}});
    TRect bounds;
    steady->GetBounds(bounds);
    EXPECT_EQ(bounds, (TRect{0, 0, 0, 50}));
}

Ref<IPathFunction> Arc(float x1, float y1, float x2, float y2, int32_t clockwise,
                       float endRadiusScale = 1) {
    Ref<IPathFunction> path =
        CreateArcPath(x1 * endRadiusScale, y1 * endRadiusScale, x2, y2, 0, 0, clockwise, 1200);
    path->SetOwner(nullptr);
    path->Prepare();
    return path;
}

TEST(ArcPath, TurnsEitherWay) {
    Ref<IPathFunction> clockwise = Arc(100, 0, 0, 100, 1);
    EXPECT_NEAR(clockwise->GetValue("beginAngle"), 0, 1e-6);
    EXPECT_NEAR(clockwise->GetValue("endAngle"), kPi / 2, 1e-6);
    EXPECT_NEAR(clockwise->GetLength(), 157.0796, 1e-3);
    ExpectPath(*clockwise, {{0, 100, 0}, {600, kHalfRoot, kHalfRoot}, {1200, 0, 100}});

    Ref<IPathFunction> other = Arc(100, 0, 0, 100, 0);
    EXPECT_NEAR(other->GetValue("beginAngle"), 2 * kPi, 1e-6);
    EXPECT_NEAR(other->GetLength(), 100 * 1.5 * kPi, 1e-3);
    ExpectPath(*other, {{400, 0, -100}, {600, -kHalfRoot, -kHalfRoot}, {1200, 0, 100}});

    // Radii that differ make a spiral.
    Ref<IPathFunction> spiral = Arc(100, 0, 0, 100, 1, 0.5f);
    EXPECT_NEAR(spiral->GetValue("start_radius"), 50, 1e-4);
    EXPECT_NEAR(spiral->GetValue("end_radius"), 100, 1e-4);
    ExpectPath(*spiral, {{600, 75 / std::sqrt(2.0), 75 / std::sqrt(2.0)}});
}

TEST(ArcPath, BoundsReachTheQuarterPointsBetweenTheAngles) {
    struct Case {
        const char* what;
        float x1, y1, x2, y2;
        int32_t clockwise;
        TRect bounds;
    };
    const float h = float(kHalfRoot);
    const Case cases[] = {
        {"a quarter from 0 to pi/2", 100, 0, 0, 100, 1, {0, 0, 100, 100}},
        {"from -pi/4 to pi/4", h, -h, h, h, 1, {70, -71, 100, 71}},
        {"three quarters the other way", 100, 0, 0, 100, 0, {-100, -100, 100, 100}},
        // Right and bottom round up, so a box left of or above the origin
        // still holds the ends (-70.71 is inside -71..-70).
        {"from 3pi/4 to 5pi/4 (through pi)", -h, h, -h, -h, 1, {-100, -71, -70, 71}},
        {"from -3pi/4 to -pi/4 (through -pi/2)", -h, -h, h, -h, 1, {-71, -100, 71, -70}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Ref<IPathFunction> path = Arc(c.x1, c.y1, c.x2, c.y2, c.clockwise);
        TRect bounds;
        path->GetBounds(bounds);
        EXPECT_EQ(bounds, c.bounds);
    }
    // Angles set by hand, however wide or broken, end at once.
    Ref<IPathFunction> wild = Arc(100, 0, 0, 100, 1);
    wild->SetValue("beginAngle", -1e30);
    TRect bounds;
    wild->GetBounds(bounds);
    EXPECT_EQ(bounds, (TRect{-100, -100, 100, 100}));
    wild->SetValue("beginAngle", std::numeric_limits<double>::quiet_NaN());
    wild->GetBounds(bounds);
    EXPECT_EQ(bounds, (TRect{0, 0, 100, 100}));
}

// A spiral's radius moves along the way, so its box must hold the points
// between the ends, not the circle of the start radius. Each case is checked
// at every millisecond of the path (give or take the millionths of a pixel
// that single-precision angles cost); the box is also at most 2 px wider
// than the points found, so it is not merely huge.
TEST(ArcPath, SpiralBoundsHoldEveryPoint) {
    struct Case {
        const char* what;
        double centerX, centerY;
        double begin, startRadius;  // the start point, as an angle and radius
        double end, endRadius;      // the end point
        int32_t clockwise;
        bool anglesByHand;  // more than a turn: begin and end set after preparing
    };
    const Case cases[] = {
        {"growing over a quarter", 0, 0, 0, 50, kPi / 2, 100, 1, false},
        {"shrinking, off the origin", 300, 200, -kPi / 2, 100, -0.1, 10, 1, false},
        {"growing the other way", 0, 0, 0, 30, kPi / 2, 100, 0, false},
        {"shrinking the other way, left of and above the origin", -50, -40, 3 * kPi / 4, 100,
         5 * kPi / 4, 20, 0, false},
        {"growing left of the origin", -50, -40, 3 * kPi / 4, 50, 5 * kPi / 4, 100, 1, false},
        {"one and a half turns outwards", 0, 0, 0, 20, 3 * kPi, 100, 1, true},
        {"two and a half turns inwards, the other way", 40, 60, 0, 120, -5 * kPi, 5, 0, true},
        {"straight out along a ray", 10, 10, kPi / 3, 10, kPi / 3, 90, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Ref<IPathFunction> path =
            CreateArcPath(float(c.centerX + c.startRadius * std::cos(c.begin)),
                          float(c.centerY + c.startRadius * std::sin(c.begin)),
                          float(c.centerX + c.endRadius * std::cos(c.end)),
                          float(c.centerY + c.endRadius * std::sin(c.end)), float(c.centerX),
                          float(c.centerY), c.clockwise, 1200);
        path->SetOwner(nullptr);
        path->Prepare();
        if (c.anglesByHand) {
            path->SetValue("beginAngle", c.begin);
            path->SetValue("endAngle", c.end);
        }
        TRect bounds;
        path->GetBounds(bounds);
        double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
        int32_t outside = 0;
        for (int32_t t = 0; t <= 1200; ++t) {
            path->CalculateAt(t);
            const double x = path->GetX(), y = path->GetY();
            left = std::min(left, x);
            top = std::min(top, y);
            right = std::max(right, x);
            bottom = std::max(bottom, y);
            constexpr double e = 1e-3;
            if (x < bounds.left - e || x > bounds.right + e || y < bounds.top - e ||
                y > bounds.bottom + e) {
                // The first point outside tells the most.
                if (outside++ == 0) {
                    ADD_FAILURE() << "t = " << t << ": (" << x << ", " << y << ") outside ("
                                  << bounds.left << ", " << bounds.top << ", " << bounds.right
                                  << ", " << bounds.bottom << ")";
                }
            }
        }
        EXPECT_EQ(outside, 0);
        EXPECT_LE(left - bounds.left, 2);
        EXPECT_LE(top - bounds.top, 2);
        EXPECT_LE(bounds.right - right, 2);
        EXPECT_LE(bounds.bottom - bottom, 2);
    }
}

TEST(BezierPath, PositionAndLength) {
    Ref<IPathFunction> arch =
        LoadPath("path_bezier", Cells({0, 0, 100, 0, 1000, 0, 0, 100, 100, 100}));
    ExpectPath(*arch, {{0, 0, 0}, {500, 50, 75}, {1000, 100, 0}});
    EXPECT_NEAR(arch->GetLength(), 199.66, 0.01);
    TRect bounds;
    arch->GetBounds(bounds);
    EXPECT_EQ(bounds, (TRect{0, 0, 100, 75}));

    struct Case {
        const char* what;
        double points[8];
        double length;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"control points on the chord", {0, 0, 30, 40, 60, 80, 90, 120}, 150},
        {"a point", {5, 5, 5, 5, 5, 5, 5, 5}, 0},
        {"half a pixel", {0, 0, 0.2, 0, 0.3, 0, 0.5, 0}, 0},
        {"a closed loop", {0, 0, 100, 0, 100, 100, 0, 0}, -1},
        {"a NaN control point", {0, 0, nan, 0, 10, 0, 20, 0}, 0},
        {"an infinite end", {0, 0, 1, 0, 10, 0, inf, 0}, 0},
        {"coordinates near the float limit",
         {-3e38, 3e38, 3e38, 3e38, -3e38, -3e38, 3e38, -3e38},
         -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const double* p = c.points;
        const auto start = std::chrono::steady_clock::now();
        const double length = BezierLength(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]);
        const auto took = std::chrono::steady_clock::now() - start;
        if (c.length >= 0) {
            EXPECT_NEAR(length, c.length, 1e-6);
        } else {
            EXPECT_TRUE(std::isfinite(length));
            EXPECT_GT(length, 0);
        }
        // The halving ends within its depth, even under the sanitizers.
        EXPECT_LT(took, std::chrono::seconds(2));
    }
}

// A curve drawn along the path must fit in its bounds: the box of its end
// points and turning points, not of its control points alone.
TEST(BezierPath, BoundsHoldEveryPointOfTheCurve) {
    struct Case {
        const char* what;
        std::vector<float> cells;  // X1, Y1, X2, Y2, TotalTime, Length, the two control points
        TRect bounds;
    };
    const Case cases[] = {
        {"an arch", {0, 0, 100, 0, 1000, 0, 0, 100, 100, 100}, {0, 0, 100, 75}},
        {"an S", {-50, 20, 50, 20, 1000, 0, 150, -30, -100, 70}, {-50, 5, 50, 35}},
        {"a loop", {0, 0, 0, 0, 1000, 0, 100, 0, 0, 100}, {0, 0, 45, 45}},
        {"a straight line", {10, 10, 40, 40, 1000, 0, 20, 20, 30, 30}, {10, 10, 40, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Ref<IPathFunction> path = LoadPath("path_bezier", Cells(c.cells));
        TRect bounds;
        path->GetBounds(bounds);
        EXPECT_EQ(bounds, c.bounds);
        for (int t = 0; t <= 1000; t += 10) {
            path->CalculateAt(t);
            EXPECT_GE(path->GetX(), bounds.left) << t;
            EXPECT_LE(path->GetX(), bounds.right) << t;
            EXPECT_GE(path->GetY(), bounds.top) << t;
            EXPECT_LE(path->GetY(), bounds.bottom) << t;
        }
    }
}

// Two segments of 1000 ms: (0, 0) to (100, 0), then on to (100, 50).
constexpr const char* kTwoSegments = R"(
  <function name="s1" type="path_segment"><paramspace><paramdefs>
    <paramdef name="X" col="0" row="0" static="yes"/>
    <paramdef name="Y" col="0" row="1" static="yes"/>
    <paramdef name="T" col="1" row="0" static="yes"/>
    <paramdef name="X1" col="2" row="0" static="yes" value="0"/>
    <paramdef name="Y1" col="2" row="1" static="yes" value="0"/>
    <paramdef name="X2" col="2" row="2" static="yes" value="100"/>
    <paramdef name="Y2" col="2" row="3" static="yes" value="0"/>
    <paramdef name="TotalTime" col="2" row="4" static="yes" value="1000"/>
    <paramdef name="Length" col="2" row="5" static="yes"/>
  </paramdefs></paramspace></function>
  <function name="s2" type="path_segment"><paramspace><paramdefs>
    <paramdef name="X" col="0" row="0" static="yes"/>
    <paramdef name="Y" col="0" row="1" static="yes"/>
    <paramdef name="T" col="1" row="0" static="yes"/>
    <paramdef name="X1" col="2" row="0" static="yes" value="100"/>
    <paramdef name="Y1" col="2" row="1" static="yes" value="0"/>
    <paramdef name="X2" col="2" row="2" static="yes" value="100"/>
    <paramdef name="Y2" col="2" row="3" static="yes" value="50"/>
    <paramdef name="TotalTime" col="2" row="4" static="yes" value="1000"/>
    <paramdef name="Length" col="2" row="5" static="yes"/>
  </paramdefs></paramspace></function>)";

Ref<IPathFunction> Composite(const std::string& ownCells, const std::string& segments,
                             bool loop = false) {
    Ref<IPathFunction> path = Query<IPathFunction>(LoadFunction(
        R"(<function type="path_composite")" + std::string(loop ? R"( loop="yes")" : "") +
        R"(><paramspace><paramdefs>
             <paramdef name="X" col="0" row="0" static="yes"/>
             <paramdef name="Y" col="0" row="1" static="yes"/>
             <paramdef name="T" col="1" row="0" static="yes"/>)" +
        ownCells + "</paramdefs></paramspace><functions>" + segments + "</functions></function>"));
    path->SetOwner(nullptr);
    path->Prepare();
    return path;
}

TEST(CompositePath, PlaysItsSegmentsInTurn) {
    Ref<IPathFunction> path = Composite(Cells({0, 0, -1, -2, 0, 0}), kTwoSegments);
    EXPECT_EQ(path->GetTotalTime(), 2000);
    EXPECT_EQ(path->GetLength(), 150);
    TRect bounds;
    path->GetBounds(bounds);
    EXPECT_EQ(bounds, (TRect{0, 0, 100, 50}));
    // The end of a segment belongs to the next; past the last one the
    // composite stands at its own end point; time going back restarts.
    ExpectPath(*path, {{500, 50, 0},
                       {1000, 100, 0},
                       {1500, 100, 25},
                       {200, 20, 0},
                       {1999, 100, 49.95},
                       {2000, -1, -2},
                       {5000, -1, -2},
                       {-100, -10, 0}});

    Ref<IPathFunction> looping = Composite(Cells({0, 0, -1, -2, 0, 0}), kTwoSegments, true);
    ExpectPath(*looping, {{2500, 50, 0}, {3500, 100, 25}, {4000, 0, 0}});
}

TEST(CompositePath, EdgeCases) {
    // Without segments: its own end point.
    Ref<IPathFunction> empty = Composite(Cells({0, 0, 7, 8, 0}), "");
    ExpectPath(*empty, {{0, 7, 8}});
    EXPECT_EQ(empty->GetLength(), 0);
    TRect bounds{1, 2, 3, 4};
    empty->GetBounds(bounds);
    EXPECT_EQ(bounds, TRect{});

    // Without end point cells: the last segment's end point.
    Ref<IPathFunction> bare = Composite("", kTwoSegments);
    ExpectPath(*bare, {{2500, 100, 50}});
    EXPECT_EQ(bare->GetTotalTime(), 0);  // no cell to hold it
    ExpectPath(*bare, {{1500, 100, 25}});

    // A sub-function that is no path is bound and prepared, never played.
    Ref<IPathFunction> mixed =
        Composite(Cells({0, 0, -1, -2, 0}),
                  std::string(R"(<function name="r" type="test_recorder"/>)") + kTwoSegments);
    EXPECT_EQ(mixed->GetTotalTime(), 2000);
    RecordedCalls().clear();
    ExpectPath(*mixed, {{1500, 100, 25}});
    EXPECT_TRUE(RecordedCalls().empty());
}

TEST(CompositePath, EndPointsSetByNameNeedAnotherPreparation) {
    // A scenario flies a marker: it sets the ends by name, then prepares.
    Ref<IPathFunction> path = LoadPath("path_segment", Cells({0, 0, 0, 0, 400, 0}));
    path->SetValue("x1", 10);
    path->SetValue("Y1", 20);
    path->SetValue("X2", 110);
    path->SetValue("y2", 20);
    path->Prepare();
    EXPECT_EQ(path->GetLength(), 100);
    EXPECT_EQ(path->GetValue("totaltime"), 400);
    ExpectPath(*path, {{200, 60, 20}});

    Ref<IPathFunction> composite = Composite(Cells({0, 0, 0, 0, 0}), kTwoSegments);
    Ref<IFunction> second = composite->GetFunctions()->GetItemByName("s2");
    second->SetValue("TotalTime", 3000);
    EXPECT_EQ(composite->GetTotalTime(), 2000);
    composite->Prepare();
    EXPECT_EQ(composite->GetTotalTime(), 4000);
}

TEST(ArbitraryPath, SubFunctionsComputeThePositionFromTheTime) {
    Ref<IPathFunction> path = Query<IPathFunction>(LoadFunction(R"(
      <function type="path_arbitrary"><paramspace><paramdefs>
        <paramdef name="X" col="0" row="0" static="yes"/>
        <paramdef name="Y" col="0" row="1" static="yes"/>
        <paramdef name="T" col="1" row="0" static="yes"/>
        <paramdef name="TotalTime" col="2" row="4" static="yes" value="1000"/>
      </paramdefs></paramspace>
      <functions>
        <function name="x" type="function_linear_segment"><paramspace><paramdefs>
          <paramdef name="X" col="0" row="0"/>
          <paramdef name="from" col="1" row="0" static="yes" value="10"/>
          <paramdef name="to" col="1" row="1" static="yes" value="110"/>
          <paramdef name="T" col="1" row="2"/>
          <paramdef name="TotalTime" col="1" row="3"/>
        </paramdefs></paramspace></function>
        <function name="y" type="function_sin"><paramspace><paramdefs>
          <paramdef name="Y" col="0" row="0"/>
          <paramdef name="amplitude" col="1" row="0" static="yes" value="20"/>
          <paramdef name="T" col="1" row="1"/>
          <paramdef name="TotalTime" col="1" row="2"/>
        </paramdefs></paramspace></function>
      </functions></function>)"));
    ASSERT_TRUE(path);
    path->SetOwner(nullptr);
    path->Prepare();
    ExpectPath(*path, {{0, 10, 0}, {250, 35, 20}, {500, 60, 0}, {750, 85, -20}});
}

TEST(PathBuilders, MakePreparedPaths) {
    Ref<IPathFunction> segment = CreateSegmentPath(10, 20, 40, 60, 500);
    segment->SetOwner(nullptr);
    segment->Prepare();
    EXPECT_EQ(segment->GetLength(), 50);
    ExpectPath(*segment, {{250, 25, 40}});
    const char* const layout[] = {"T", "X1", "Y1", "X2", "Y2", "TotalTime", "Length", "X", "Y"};
    Ref<IParamDefCollection> defs = segment->GetParamSpace()->GetParamDefs();
    ASSERT_EQ(defs->GetCount(), 9);
    for (int32_t i = 0; i < 9; ++i) EXPECT_EQ(defs->GetItemByIndex(i)->GetName(), layout[i]);
    EXPECT_EQ(segment->GetParamName(2, 4), "TotalTime");

    Ref<IPathFunction> arc = CreateArcPath(0, -50, 50, 0, 0, 0, 1, 1000);
    arc->SetOwner(nullptr);
    arc->Prepare();
    EXPECT_NEAR(arc->GetValue("start_radius"), 50, 1e-5);
    ExpectPath(*arc, {{1000, 50, 0}});
    EXPECT_EQ(arc->GetParamName(4, 0), "clockwise");

    Ref<IFunction> bezier = NewFunction("path_bezier");
    AddPathParamDefs(bezier);
    AddPathParamDefs(nullptr);
    Ref<IPathFunction> path = Query<IPathFunction>(bezier);
    path->SetOwner(nullptr);
    path->SetValue("X2", 30);
    path->SetValue("TotalTime", 100);
    path->Prepare();
    EXPECT_EQ(path->GetLength(), 30);
    ExpectPath(*path, {{100, 30, 0}});
}

}  // namespace

namespace {

// Paths keep pointers to their cells between frames; a table built again or
// released behind their back must not leave them pointing at freed cells
// (the sanitizer build checks).
TEST(PathCells, FollowTheTableWhenItIsBuiltAgain) {
    Ref<IPathFunction> path = CreateSegmentPath(0, 0, 100, 0, 1000);
    path->SetOwner(nullptr);
    path->Prepare();
    ExpectPath(*path, {{500, 50, 0}});
    path->GetParamSpace()->ReleaseParentSpace();
    path->CalculateAt(500);
    EXPECT_EQ(path->GetX(), 0);
    EXPECT_EQ(path->GetTotalTime(), 0);
    path->GetParamSpace()->SetParentSpace(nullptr);
    ExpectPath(*path, {{250, 25, 0}});
    path->SetValue("X2", 200);
    ExpectPath(*path, {{250, 50, 0}});
}

}  // namespace

namespace {

// CalculateAt goes through the float cell "T": the time is the one the cell
// holds, and a path without a "T" cell stands at time 0.
TEST(PathTime, IsTheTimeTheCellHolds) {
    Ref<IPathFunction> looping = LoadPath("path_segment", Cells({0, 0, 100, 0, 1000, 0}), true);
    // 2^24 + 1 is held as 2^24; the largest int32_t as 2^31.
    ExpectPath(*looping, {{16777217, 21.6, 0}, {std::numeric_limits<int32_t>::max(), 64.8, 0}});
    EXPECT_EQ(looping->GetValue("T"), 2147483648.0);

    Ref<IPathFunction> timeless = Query<IPathFunction>(LoadFunction(
        R"(<function type="path_segment"><paramspace><paramdefs>
             <paramdef name="X" col="0" row="0" static="yes"/>
             <paramdef name="Y" col="0" row="1" static="yes"/>)" +
        Cells({10, 20, 110, 20, 1000, 0}) + "</paramdefs></paramspace></function>"));
    ASSERT_TRUE(timeless);
    timeless->SetOwner(nullptr);
    timeless->Prepare();
    ExpectPath(*timeless, {{500, 10, 20}});
}

// A composite reads its segments' cells directly; their tables built again
// behind its back, or their times changed between calls, are followed.
TEST(PathCells, CompositeFollowsItsSegments) {
    Ref<IPathFunction> path = Composite(Cells({0, 0, -1, -2, 0, 0}), kTwoSegments);
    Ref<IFunction> first = path->GetFunctions()->GetItemByName("s1");
    ExpectPath(*path, {{700, 70, 0}});
    first->SetValue("TotalTime", 500);
    ExpectPath(*path, {{700, 100, 10}});

    Ref<IPathFunction> other = Composite(Cells({0, 0, -1, -2, 0, 0}), kTwoSegments);
    ExpectPath(*other, {{500, 50, 0}});
    // The first segment loses its cells, its total time with them.
    other->GetFunctions()->GetItemByName("s1")->GetParamSpace()->ReleaseParentSpace();
    ExpectPath(*other, {{500, 100, 25}});
}

TEST(PathCells, ArcFollowsItsTable) {
    Ref<IPathFunction> arc = Arc(100, 0, 0, 100, 1);
    ExpectPath(*arc, {{600, kHalfRoot, kHalfRoot}});
    arc->GetParamSpace()->ReleaseParentSpace();
    ExpectPath(*arc, {{600, 0, 0}});
    arc->GetParamSpace()->SetParentSpace(nullptr);
    arc->Prepare();
    ExpectPath(*arc, {{600, kHalfRoot, kHalfRoot}});
}

}  // namespace
