// The antialiaser: coverage by distance, the softness band, what is handed
// out when, equality with a direct coverage computation for pen steps of 1,
// 2 and 3 px, and a reset that leaves nothing of the stroke before.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <numbers>
#include <utility>
#include <vector>

#include "effects/Antialiaser.h"

namespace {

using TPixel = std::pair<int32_t, int32_t>;

// What an antialiaser hands out; a pixel handed out twice fails the test.
struct TRecorder {
    std::map<TPixel, double> coverage;
    int calls = 0;
    TAntialiaser::TCallback Callback() {
        return [this](int32_t x, int32_t y, double value, ISurface*) {
            ++calls;
            EXPECT_TRUE(coverage.emplace(TPixel{x, y}, value).second)
                << "pixel " << x << "," << y << " handed out twice";
        };
    }
};

// The coverage of every pixel from its nearest pen position.
std::map<TPixel, double> DirectCoverage(const std::vector<std::pair<double, double>>& points,
                                        int32_t size, double softness) {
    const double radius = size / 2.0;
    std::map<TPixel, double> result;
    for (const auto& [px, py] : points) {
        for (int32_t x = int32_t(std::floor(px)) - size - 2; x <= int32_t(px) + size + 2; ++x) {
            for (int32_t y = int32_t(std::floor(py)) - size - 2; y <= int32_t(py) + size + 2; ++y) {
                const double d = std::hypot(x - px, y - py);
                double c = 0;
                if (d < radius) {
                    c = 1;
                } else if (d < radius + softness) {
                    c = (radius + softness - d) / softness;
                }
                if (c <= 0) continue;
                auto [it, fresh] = result.emplace(TPixel{x, y}, c);
                if (!fresh) it->second = std::max(it->second, c);
            }
        }
    }
    return result;
}

void ExpectSameCoverage(const std::map<TPixel, double>& actual,
                        const std::map<TPixel, double>& expected) {
    EXPECT_EQ(actual.size(), expected.size());
    int wrong = 0;
    for (const auto& [pixel, value] : expected) {
        auto it = actual.find(pixel);
        const bool same = it != actual.end() && std::fabs(it->second - value) < 1e-5;
        if (!same && ++wrong <= 5) {
            ADD_FAILURE() << "pixel " << pixel.first << "," << pixel.second << ": expected "
                          << value << ", got "
                          << (it == actual.end() ? std::string("nothing")
                                                 : std::to_string(it->second));
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(Antialiaser, ASinglePointCoversByDistanceAndWaitsForTheFlush) {
    TRecorder out;
    TAntialiaser pen(1, out.Callback(), 1.0);
    EXPECT_EQ(pen.GetWindowSize(), 4);
    pen.AddPoint(7, 9, nullptr);
    EXPECT_EQ(out.calls, 0);
    pen.Flush(nullptr);
    EXPECT_EQ(out.calls, 9);
    EXPECT_EQ(out.coverage[TPixel(7, 9)], 1.0);
    for (const TPixel& p : {TPixel(6, 9), TPixel(8, 9), TPixel(7, 8), TPixel(7, 10)}) {
        EXPECT_DOUBLE_EQ(out.coverage[p], 0.5);
    }
    for (const TPixel& p : {TPixel(6, 8), TPixel(8, 8), TPixel(6, 10), TPixel(8, 10)}) {
        EXPECT_NEAR(out.coverage[p], 1.5 - std::sqrt(2.0), 1e-6);  // about 0.086
    }
}

TEST(Antialiaser, TwoPointsInOnePixelKeepTheSmallerDistance) {
    TRecorder out;
    TAntialiaser pen(1, out.Callback(), 1.0);
    pen.AddPoint(5.9, 5.0, nullptr);
    pen.AddPoint(5.1, 5.0, nullptr);
    EXPECT_EQ(out.calls, 0);
    pen.Flush(nullptr);
    EXPECT_EQ(out.coverage[TPixel(6, 5)], 1.0);          // 0.1 from the first, 0.9 from the second
    EXPECT_NEAR(out.coverage[TPixel(4, 5)], 0.4, 1e-6);  // 1.1 from the second, 1.9 from the first
    EXPECT_NEAR(out.coverage[TPixel(7, 5)], 0.4, 1e-6);  // 1.1 from the first
}

TEST(Antialiaser, SoftnessIsClampedToZeroToOne) {
    struct Case {
        double softness;
        double kept;
        int pixels;  // covered by one whole-number point of size 1
    };
    const Case cases[] = {{2.0, 1.0, 9},
                          {1.0, 1.0, 9},
                          {0.4, 0.4, 1},
                          {-1.0, 0.0, 1},
                          {std::numeric_limits<double>::quiet_NaN(), 0.0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.softness);
        TRecorder out;
        TAntialiaser pen(1, out.Callback(), c.softness);
        EXPECT_FLOAT_EQ(pen.GetSoftness(), c.kept);
        pen.AddPoint(3, 3, nullptr);
        pen.Flush(nullptr);
        EXPECT_EQ(int(out.coverage.size()), c.pixels);
        for (const auto& [pixel, value] : out.coverage) {
            EXPECT_GT(value, 0.0);
            EXPECT_LE(value, 1.0);
        }
    }
    // Sizes outside 0..256 are brought inside.
    TAntialiaser negative(-5, nullptr, 1.0);
    EXPECT_EQ(negative.GetSize(), 0);
    EXPECT_EQ(negative.GetWindowSize(), 3);
}

// Each pixel is handed out once, with the coverage of its nearest pen
// position, whatever the pen's step.
TEST(Antialiaser, CoverageEqualsADirectComputationForAnyStep) {
    struct Case {
        double step;
        double angle;  // degrees
        int32_t size;
        double softness;
    };
    const Case cases[] = {
        {1, 30, 1, 1.0},  {2, 30, 1, 1.0},  {3, 30, 1, 1.0},   {1, 210, 1, 1.0},
        {2, 120, 1, 1.0}, {3, -60, 1, 1.0}, {0.7, 45, 1, 1.0}, {2, 30, 3, 0.5},
        {3, 170, 2, 1.0}, {1.5, 0, 4, 0.0}, {2.5, 90, 1, 0.3}, {6, 30, 1, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "step " << c.step << " at " << c.angle << " deg, size "
                                          << c.size << ", softness " << c.softness);
        std::vector<std::pair<double, double>> points;
        const double rad = c.angle * std::numbers::pi / 180;
        for (int i = 0; i * c.step <= 60; ++i) {
            points.push_back(
                {100.3 + i * c.step * std::cos(rad), 80.6 + i * c.step * std::sin(rad)});
        }
        TRecorder out;
        TAntialiaser pen(c.size, out.Callback(), c.softness);
        for (const auto& [x, y] : points) pen.AddPoint(x, y, nullptr);
        pen.Flush(nullptr);
        ExpectSameCoverage(out.coverage, DirectCoverage(points, c.size, c.softness));
    }
}

TEST(Antialiaser, PointsThatAreNotFiniteAreSkipped) {
    TRecorder out;
    TAntialiaser pen(1, out.Callback(), 1.0);
    pen.AddPoint(std::numeric_limits<double>::quiet_NaN(), 4, nullptr);
    pen.AddPoint(4, std::numeric_limits<double>::infinity(), nullptr);
    pen.AddPoint(4, 4, nullptr);
    pen.AddPoint(1e300, -1e300, nullptr);  // far away: only moves the window
    pen.Flush(nullptr);
    EXPECT_EQ(out.coverage[TPixel(4, 4)], 1.0);
    EXPECT_EQ(out.coverage.size(), 9u + 9u);
}

// A reset forgets the stroke before it: nothing of it comes out later.
TEST(Antialiaser, ResetLeavesNothingOfThePreviousStroke) {
    const std::vector<std::pair<double, double>> second = {{50.5, 50.5}, {51.5, 51}, {52.5, 51.5}};
    TRecorder fresh;
    {
        TAntialiaser pen(1, fresh.Callback(), 1.0);
        for (const auto& [x, y] : second) pen.AddPoint(x, y, nullptr);
        pen.Flush(nullptr);
    }
    TRecorder out;
    TAntialiaser pen(1, out.Callback(), 1.0);
    for (const auto& [x, y] : {std::pair{48.2, 49.0}, std::pair{49.2, 49.6}}) {
        pen.AddPoint(x, y, nullptr);
    }
    // What scrolled out of the window was handed out already; the rest goes.
    EXPECT_EQ(out.coverage.size(), 1u);
    out.coverage.clear();
    pen.Reset();
    for (const auto& [x, y] : second) pen.AddPoint(x, y, nullptr);
    pen.Flush(nullptr);
    EXPECT_EQ(out.coverage, fresh.coverage);

    // A flush empties the window too: a second flush hands out nothing.
    const int calls = out.calls;
    pen.Flush(nullptr);
    EXPECT_EQ(out.calls, calls);
}

}  // namespace
