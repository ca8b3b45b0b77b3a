// Rotated, scaled and sub-pixel drawing, and pixel statistics.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/persist/Params.h"
#include "engine/surface/EngineSurface.h"
#include "tests/engine/surface/SurfaceFixtures.h"

namespace {

// Distinct pixels: alpha varies too, so that a copy of the wrong pixel shows.
Ref<TSurface> MakePattern(int32_t w, int32_t h, bool transparent) {
    Ref<TSurface> s = MakeSurface(w, h, transparent, 0);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            s->GetScanLine(y)[x] =
                uint32_t(0x10 + 16 * y + x) << 24 | uint32_t(y) << 16 | uint32_t(x) << 8 | 0x5A;
    return s;
}

uint32_t At(ISurface& s, int x, int y) {
    return s.GetScanLine(y)[x];
}

std::string Hex(uint32_t v) {
    char text[16];
    snprintf(text, sizeof text, "%08X", v);
    return text;
}

int FloorDiv(int x, int d) {
    return x >= 0 ? x / d : -((-x + d - 1) / d);
}

// The bilinear formula: channels interpolated along x, then y, with n-bit
// weights; alpha only on a transparent destination.
uint32_t RefBilinear(uint32_t p00, uint32_t p10, uint32_t p01, uint32_t p11, int fx, int fy, int n,
                     bool dstT, uint32_t d) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        if (shift == 24 && !dstT) {
            out |= d & 0xFF000000u;
            continue;
        }
        auto ch = [shift](uint32_t p) { return int((p >> shift) & 255); };
        const int top = (ch(p00) + FloorDiv(fx * (ch(p10) - ch(p00)), 1 << n)) & 255;
        const int bottom = (ch(p01) + FloorDiv(fx * (ch(p11) - ch(p01)), 1 << n)) & 255;
        out |= uint32_t((top + FloorDiv(fy * (bottom - top), 1 << n)) & 255) << shift;
    }
    return out;
}

}  // namespace

TEST(SurfaceTransform, RotationByZeroReproducesSource) {
    Ref<TSurface> src = MakePattern(7, 5, true);
    for (bool smooth : {false, true}) {
        Ref<TSurface> dst = MakeSurface(7, 5, true, 0x12345678u);
        EXPECT_TRUE(dst->DrawRotated(src.get(), 3, 2, 0, smooth, 1, 1, 0, 0));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(Hex(At(*dst, x, y)), Hex(At(*src, x, y))) << smooth;
    }
    // An opaque destination gets alpha 255.
    Ref<TSurface> opaque = MakeSurface(7, 5, false, 0);
    opaque->DrawRotated(src.get(), 3, 2, 0, false, 1, 1, 0, 0);
    EXPECT_EQ(Hex(At(*opaque, 4, 3)), Hex(At(*src, 4, 3) | 0xFF000000u));
}

TEST(SurfaceTransform, RotationBy90) {
    Ref<TSurface> src = MakePattern(8, 8, true);
    const uint32_t fill = 0x12345678u;
    Ref<TSurface> dst = MakeSurface(8, 8, true, fill);
    const int x = 4, y = 4;
    EXPECT_TRUE(dst->DrawRotated(src.get(), x, y, 90, false, 1, 1, 0, 0));
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i) {
            const int sx = x - (j - y), sy = y + (i - x);
            const bool inside = sx >= 0 && sx < 8 && sy >= 0 && sy < 8;
            const uint32_t want = inside ? At(*src, sx, sy) : fill & 0x00FFFFFFu;
            ASSERT_EQ(Hex(At(*dst, i, j)), Hex(want)) << i << "," << j;
        }
    // The source's top-right corner lands at the top-left.
    EXPECT_EQ(At(*dst, 0, 1), At(*src, 7, 0));
}

TEST(SurfaceTransform, UniformRotationWritesOnlyItsBox) {
    Ref<TSurface> src = MakeSurface(4, 4, true, 0xFF00FF00u);
    const uint32_t fill = 0x11223344u;
    Ref<TSurface> dst = MakeSurface(40, 40, true, fill);
    // The picture is centred at 18..21; cx, cy move the source there too.
    EXPECT_TRUE(dst->DrawRotated(src.get(), 20, 20, 0, false, 1, 1, -18, -18));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            uint32_t want = fill;
            const bool box = x >= 16 && x <= 23 && y >= 16 && y <= 23;
            const bool picture = x >= 18 && x <= 21 && y >= 18 && y <= 21;
            if (picture) {
                want = 0xFF00FF00u;
            } else if (box) {
                want = fill & 0x00FFFFFFu;  // reached but outside the source: alpha 0
            }
            ASSERT_EQ(Hex(At(*dst, x, y)), Hex(want)) << x << "," << y;
        }
}

TEST(SurfaceTransform, TwoScaleRotation) {
    Ref<TSurface> src = MakePattern(4, 4, true);
    Ref<TSurface> dst = MakeSurface(10, 5, true, 0x12345678u);
    EXPECT_TRUE(dst->DrawRotated(src.get(), 0, 0, 0, false, 2, 1, 0, 0));
    // Every pixel of the destination is written: columns doubled.
    for (int j = 0; j < 5; ++j)
        for (int i = 0; i < 10; ++i) {
            const bool inside = i / 2 < 4 && j < 4;
            const uint32_t want = inside ? At(*src, i / 2, j) : 0x00345678u;
            ASSERT_EQ(Hex(At(*dst, i, j)), Hex(want)) << i << "," << j;
        }
}

TEST(SurfaceTransform, ScaledBlocksAndMirror) {
    Ref<TSurface> src = MakePattern(3, 2, true);
    Ref<TSurface> dst = MakeSurface(6, 4, true, 0);
    EXPECT_TRUE(dst->DrawScaled(src.get(), false, 2, 2, 0, 0));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(At(*dst, x, y), At(*src, x / 2, y / 2)) << x << "," << y;

    // scaleX = -1: column c shows source column 3 - c; column 0 is outside.
    Ref<TSurface> mirror = MakeSurface(4, 2, true, 0x99887766u);
    EXPECT_TRUE(mirror->DrawScaled(src.get(), false, -1, 1, 0, 0));
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(Hex(At(*mirror, 0, y)), Hex(0x00887766u));
        for (int x = 1; x < 4; ++x) EXPECT_EQ(At(*mirror, x, y), At(*src, 3 - x, y)) << x;
    }
    // On an opaque destination the outside keeps its colour with alpha 255.
    Ref<TSurface> opaque = MakeSurface(4, 2, false, 0x00887766u);
    opaque->DrawScaled(src.get(), false, -1, 1, 0, 0);
    EXPECT_EQ(Hex(At(*opaque, 0, 0)), Hex(0xFF887766u));
    EXPECT_EQ(Hex(At(*opaque, 1, 0)), Hex(At(*src, 2, 0) | 0xFF000000u));
}

TEST(SurfaceTransform, ScaledSmooth) {
    Ref<TSurface> src = MakeSurface(2, 1, true, 0);
    src->GetScanLine(0)[0] = 0xFF000000u;
    src->GetScanLine(0)[1] = 0xFFFEFEFEu;
    Ref<TSurface> dst = MakeSurface(4, 1, true, 0);
    EXPECT_TRUE(dst->DrawScaled(src.get(), true, 2, 2, 0, 0));
    EXPECT_EQ(Hex(At(*dst, 0, 0)), "FF000000");
    EXPECT_EQ(Hex(At(*dst, 1, 0)), "FF7F7F7F");  // half way, 7-bit weight 64
    EXPECT_EQ(Hex(At(*dst, 2, 0)), "FFFEFEFE");
    // The right neighbour is outside the source: the destination's own pixel
    // (transparent black) takes its place, alpha included.
    EXPECT_EQ(Hex(At(*dst, 3, 0)), "7F7F7F7F");

    Ref<TSurface> opaque = MakeSurface(4, 1, false, 0xFF000000u);
    opaque->DrawScaled(src.get(), true, 2, 2, 0, 0);
    EXPECT_EQ(Hex(At(*opaque, 3, 0)), "FF7F7F7F");
}

// Larger random pictures, so that most pixels take the inner rows and
// columns: every pixel against the formula, at several scales and offsets,
// mirrored too, on transparent and opaque destinations.
TEST(SurfaceTransform, ScaledAndShiftedSmoothMatchTheFormulaEverywhere) {
    std::mt19937 rng(5);
    Ref<TSurface> src = MakeSurface(37, 23, true, 0);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) src->GetScanLine(y)[x] = rng();
    auto srcAt = [&](int x, int y, uint32_t d) {
        return (x >= 0 && x < 37 && y >= 0 && y < 23) ? At(*src, x, y) : d;
    };
    const double cases[][4] = {{1.5, 1.5, 0, 0},    {0.7, 2.3, 0.37, -5.2}, {-1.3, 1, 0, 0.5},
                               {2, -0.6, 3.25, 1}, {0.33, 0.33, -2, -2}};
    for (const auto& c : cases) {
        for (bool transparent : {true, false}) {
            const uint32_t fill = transparent ? 0x80402010u : 0xFF402010u;
            Ref<TSurface> dst = MakeSurface(61, 47, transparent, fill);
            EXPECT_TRUE(dst->DrawScaled(src.get(), true, c[0], c[1], c[2], c[3]));
            const int32_t stepX = int32_t(65536.0 / c[0]), stepY = int32_t(65536.0 / c[1]);
            uint32_t v = uint32_t(int64_t(std::nearbyint(c[3] * 65536))) +
                         (stepY < 1 ? uint32_t(23 * 65536) : 0u);
            for (int j = 0; j < 47; ++j, v += uint32_t(stepY)) {
                uint32_t u = uint32_t(int64_t(std::nearbyint(c[2] * 65536))) +
                             (stepX < 1 ? uint32_t(37 * 65536) : 0u);
                for (int i = 0; i < 61; ++i, u += uint32_t(stepX)) {
                    const uint32_t d = fill;
                    const int sx = int16_t(u >> 16), sy = int16_t(v >> 16);
                    uint32_t want = transparent ? d & 0x00FFFFFFu : d;
                    if (sx >= -1 && sx < 37 && sy >= -1 && sy < 23) {
                        want = RefBilinear(srcAt(sx, sy, d), srcAt(sx + 1, sy, d), srcAt(sx, sy + 1, d),
                                           srcAt(sx + 1, sy + 1, d), int((u & 0xFFFF) >> 9),
                                           int((v & 0xFFFF) >> 9), 7, transparent, d);
                    }
                    ASSERT_EQ(Hex(At(*dst, i, j)), Hex(want))
                        << i << "," << j << " scale " << c[0] << "," << c[1] << " " << transparent;
                }
            }
        }
    }
    for (bool transparent : {true, false}) {
        const uint32_t fill = transparent ? 0x80402010u : 0xFF402010u;
        Ref<TSurface> dst = MakeSurface(40, 26, transparent, fill);
        EXPECT_TRUE(dst->DrawSubPixel(src.get(), 0.3, 0.6));
        const int wx = int(((65535u - uint32_t(std::nearbyint(0.3 * 65536))) & 0xFFFF) >> 9);
        const int wy = int(((65535u - uint32_t(std::nearbyint(0.6 * 65536))) & 0xFFFF) >> 9);
        for (int r = 0; r < 26; ++r)
            for (int c = 0; c < 40; ++c) {
                uint32_t want = transparent ? fill & 0x00FFFFFFu : fill;
                if (c - 1 < 37 && r - 1 < 23) {
                    want = RefBilinear(srcAt(c - 1, r - 1, fill), srcAt(c, r - 1, fill),
                                       srcAt(c - 1, r, fill), srcAt(c, r, fill), wx, wy, 7,
                                       transparent, fill);
                }
                ASSERT_EQ(Hex(At(*dst, c, r)), Hex(want)) << c << "," << r << " " << transparent;
            }
    }
}

namespace {

// Random pixels, alpha too: an opaque destination keeps each pixel's own
// alpha byte, whatever it holds.
Ref<TSurface> RandomSurface(int32_t w, int32_t h, bool transparent, std::mt19937& rng) {
    Ref<TSurface> s = MakeSurface(w, h, transparent, 0);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) s->GetScanLine(y)[x] = rng();
    return s;
}

std::vector<uint32_t> Pixels(ISurface& s) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < s.GetHeight(); ++y)
        out.insert(out.end(), s.GetScanLine(y), s.GetScanLine(y) + s.GetWidth());
    return out;
}

// Smooth scaling of src onto dst by the per-pixel formula, each pixel
// reading the destination's own earlier value.
std::vector<uint32_t> RefScaled(ISurface& src, ISurface& dst, double scaleX, double scaleY,
                                double offsetX, double offsetY) {
    const int32_t w = src.GetWidth(), h = src.GetHeight(), dw = dst.GetWidth();
    const bool transparent = dst.GetTransparent();
    std::vector<uint32_t> out = Pixels(dst);
    const uint32_t stepX = uint32_t(int64_t(65536.0 / scaleX)),
                   stepY = uint32_t(int64_t(65536.0 / scaleY));
    uint32_t v = uint32_t(int64_t(std::nearbyint(offsetY * 65536))) +
                 (int32_t(stepY) < 1 ? uint32_t(h * 65536) : 0u);
    for (int j = 0; j < dst.GetHeight(); ++j, v += stepY) {
        uint32_t u = uint32_t(int64_t(std::nearbyint(offsetX * 65536))) +
                     (int32_t(stepX) < 1 ? uint32_t(w * 65536) : 0u);
        for (int i = 0; i < dw; ++i, u += stepX) {
            uint32_t& d = out[size_t(j) * dw + i];
            auto px = [&](int x, int y) {
                return (x >= 0 && x < w && y >= 0 && y < h) ? At(src, x, y) : d;
            };
            const int sx = int16_t(u >> 16), sy = int16_t(v >> 16);
            if (sx >= -1 && sx < w && sy >= -1 && sy < h) {
                d = RefBilinear(px(sx, sy), px(sx + 1, sy), px(sx, sy + 1), px(sx + 1, sy + 1),
                                int((u & 0xFFFF) >> 9), int((v & 0xFFFF) >> 9), 7, transparent, d);
            } else if (transparent) {
                d &= 0x00FFFFFFu;
            }
        }
    }
    return out;
}

// A shift by fractions below one pixel, by the per-pixel formula.
std::vector<uint32_t> RefShifted(ISurface& src, ISurface& dst, double dx, double dy) {
    const int32_t w = src.GetWidth(), h = src.GetHeight(), dw = dst.GetWidth();
    const bool transparent = dst.GetTransparent();
    std::vector<uint32_t> out = Pixels(dst);
    const int wx = int(((65535u - uint32_t(int64_t(std::nearbyint(dx * 65536)))) & 0xFFFF) >> 9);
    const int wy = int(((65535u - uint32_t(int64_t(std::nearbyint(dy * 65536)))) & 0xFFFF) >> 9);
    for (int r = 0; r < dst.GetHeight(); ++r)
        for (int c = 0; c < dw; ++c) {
            uint32_t& d = out[size_t(r) * dw + c];
            auto px = [&](int x, int y) {
                return (x >= 0 && x < w && y >= 0 && y < h) ? At(src, x, y) : d;
            };
            if (c - 1 < w && r - 1 < h) {
                d = RefBilinear(px(c - 1, r - 1), px(c, r - 1), px(c - 1, r), px(c, r), wx, wy, 7,
                                transparent, d);
            } else if (transparent) {
                d &= 0x00FFFFFFu;
            }
        }
    return out;
}

}  // namespace

// Sizes and mappings at the edges of the row mixing: sources without an
// inside pair of pixels, destinations not a multiple of four wide, columns
// whose source positions wrap back (so the inside columns come in several
// runs), scales from tiny to huge, and destinations whose pixels all differ
// (an outside neighbour is each pixel's own earlier value).
TEST(SurfaceTransform, SmoothScalingEdgesMatchTheFormula) {
    std::mt19937 rng(11);
    struct Case {
        int32_t srcW, srcH, dstW, dstH;
        double scaleX, scaleY, offsetX, offsetY;
    };
    const Case cases[] = {
        {1, 1, 5, 4, 1.5, 1.5, 0, 0},
        {1, 9, 7, 13, 2, 1.5, 0, 0.3},
        {9, 1, 13, 6, 1.5, 3, -0.4, 0},
        {2, 2, 9, 9, 4.5, 4.5, 0, 0},
        {17, 11, 1, 1, 1.5, 1.5, 3, 2},
        {17, 11, 3, 5, 0.9, 1.1, 1, 1},
        {17, 11, 35, 27, 1000, 300, 2.5, 3.5},
        {17, 11, 33, 21, 0.01, 0.02, 0, 0},
        {23, 19, 29, 31, 0.003, 2.2, 1, 0},
        {40, 30, 21, 19, -0.5, -2.5, 3, -1},
        {40, 30, 30, 22, 1.5, 1.5, 32766.5, 0},
        {40, 30, 30, 22, 1.5, 1.5, -32770.25, 7.5},
        {40, 30, 30, 22, 1.5, 1.5, 0, 32766},
        {12, 12, 17, 17, 1, 1, 0.5, 0.5},
        // Positions wrapping around 16 bits: inside columns every seventh
        // one, and runs of five a wrap apart.
        {17, 5, 36, 4, 7 / 65536.0, 1, 2, 0},
        {40, 3, 7290, 2, 1 / 9.0, 1.5, 0, 0},
    };
    for (const Case& c : cases) {
        for (bool transparent : {true, false}) {
            Ref<TSurface> src = RandomSurface(c.srcW, c.srcH, true, rng);
            Ref<TSurface> dst = RandomSurface(c.dstW, c.dstH, transparent, rng);
            const std::vector<uint32_t> want =
                RefScaled(*src, *dst, c.scaleX, c.scaleY, c.offsetX, c.offsetY);
            EXPECT_TRUE(dst->DrawScaled(src.get(), true, c.scaleX, c.scaleY, c.offsetX, c.offsetY));
            const std::vector<uint32_t> got = Pixels(*dst);
            for (size_t k = 0; k < want.size(); ++k)
                ASSERT_EQ(Hex(got[k]), Hex(want[k]))
                    << "pixel " << k % c.dstW << "," << k / c.dstW << " case " << c.srcW << "x"
                    << c.srcH << " scale " << c.scaleX << "," << c.scaleY << " " << transparent;
        }
    }
}

TEST(SurfaceTransform, SubPixelShiftEdgesMatchTheFormula) {
    std::mt19937 rng(12);
    struct Case {
        int32_t srcW, srcH, dstW, dstH;
        double dx, dy;
    };
    const Case cases[] = {
        {1, 1, 4, 3, 0.5, 0.25},   {1, 6, 3, 9, 0.5, 0.5},        {6, 1, 9, 3, 0.75, 0.1},
        {2, 2, 3, 3, 0.3, 0.6},    {20, 14, 5, 4, 0.5, 0.25},     {20, 14, 21, 15, 0.99, 0.01},
        {20, 14, 26, 19, 0, 0.5},  {20, 14, 26, 19, 0.5, 0},      {20, 14, 23, 17, -0.25, -0.75},
        {13, 7, 14, 8, 0.5, 0.25}, {13, 7, 40, 30, 0.125, 0.875},
    };
    for (const Case& c : cases) {
        for (bool transparent : {true, false}) {
            Ref<TSurface> src = RandomSurface(c.srcW, c.srcH, true, rng);
            Ref<TSurface> dst = RandomSurface(c.dstW, c.dstH, transparent, rng);
            const std::vector<uint32_t> want = RefShifted(*src, *dst, c.dx, c.dy);
            EXPECT_TRUE(dst->DrawSubPixel(src.get(), c.dx, c.dy));
            const std::vector<uint32_t> got = Pixels(*dst);
            for (size_t k = 0; k < want.size(); ++k)
                ASSERT_EQ(Hex(got[k]), Hex(want[k]))
                    << "pixel " << k % c.dstW << "," << k / c.dstW << " case " << c.srcW << "x"
                    << c.srcH << " shift " << c.dx << "," << c.dy << " " << transparent;
        }
    }
}

// A surface scaled or shifted onto itself reads the picture as it was
// before the drawing, exactly as it would from a copy.
TEST(SurfaceTransform, DrawingOntoItselfReadsThePictureBeforeTheDrawing) {
    std::mt19937 rng(13);
    auto copyOf = [](ISurface& s) {
        Ref<TSurface> c = MakeSurface(s.GetWidth(), s.GetHeight(), s.GetTransparent(), 0);
        for (int32_t y = 0; y < s.GetHeight(); ++y)
            std::copy_n(s.GetScanLine(y), s.GetWidth(), c->GetScanLine(y));
        return c;
    };
    for (bool transparent : {true, false}) {
        for (int drawing = 0; drawing < 3; ++drawing) {
            Ref<TSurface> self = RandomSurface(19, 14, transparent, rng);
            Ref<TSurface> before = copyOf(*self);
            Ref<TSurface> expected = copyOf(*self);
            auto draw = [drawing](TSurface& dst, ISurface* src) {
                if (drawing == 0) dst.DrawScaled(src, true, 1.5, 0.8, 0.25, 0.5);
                if (drawing == 1) dst.DrawSubPixel(src, 0.5, 0.25);
                if (drawing == 2) dst.DrawScaled(src, false, -2, 1.5, 0, 0);
            };
            draw(*self, self.get());
            draw(*expected, before.get());
            ASSERT_NE(Pixels(*expected), Pixels(*before)) << drawing;
            ASSERT_EQ(Pixels(*self), Pixels(*expected)) << drawing << " " << transparent;
        }
    }
}

TEST(SurfaceTransform, SmoothRotationMatchesBilinear) {
    // Fractional offsets through the rotation's 16-bit weights (a full turn:
    // only quarter turns below 360 force nearest sampling).
    Ref<TSurface> src = MakePattern(4, 4, true);
    Ref<TSurface> dst = MakeSurface(4, 4, true, 0x01020304u);
    EXPECT_TRUE(dst->DrawRotated(src.get(), 0, 0, 360, true, 1, 1, 0.5, 0.25));
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
            const uint32_t d = 0x01020304u;
            auto px = [&](int x, int y) { return (x < 4 && y < 4) ? At(*src, x, y) : d; };
            const uint32_t want = RefBilinear(px(i, j), px(i + 1, j), px(i, j + 1),
                                              px(i + 1, j + 1), 32768, 16384, 16, true, d);
            ASSERT_EQ(Hex(At(*dst, i, j)), Hex(want)) << i << "," << j;
        }
}

TEST(SurfaceTransform, SubPixel) {
    Ref<TSurface> src = MakePattern(3, 2, true);
    const uint32_t fill = 0x0A0B0C0Du;

    // Whole pixels: a plain copy.
    Ref<TSurface> dst = MakeSurface(10, 10, true, fill);
    EXPECT_TRUE(dst->DrawSubPixel(src.get(), 3, 4));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 3 && x < 6 && y >= 4 && y < 6;
            ASSERT_EQ(At(*dst, x, y), inside ? At(*src, x - 3, y - 4) : fill) << x << "," << y;
        }

    // (3.5, 0): shifted by half a pixel in a 6 x 5 scratch layer (transparent
    // black around the picture), which is then copied whole to (3, 0).
    Ref<TSurface> shifted = MakeSurface(10, 10, true, fill);
    EXPECT_TRUE(shifted->DrawSubPixel(src.get(), 3.5, 0));
    const int wx = (65535 - 32768) >> 9, wy = 65535 >> 9;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const int c = x - 3, r = y;
            uint32_t want = fill;
            if (c >= 0 && c < 6 && r < 5) {
                want = 0;
                if (c - 1 < 3 && r - 1 < 2) {
                    auto px = [&](int sx, int sy) {
                        return (sx >= 0 && sx < 3 && sy >= 0 && sy < 2) ? At(*src, sx, sy) : 0u;
                    };
                    want = RefBilinear(px(c - 1, r - 1), px(c, r - 1), px(c - 1, r), px(c, r), wx,
                                       wy, 7, true, 0);
                }
            }
            ASSERT_EQ(Hex(At(*shifted, x, y)), Hex(want)) << x << "," << y;
        }

    // Below one pixel: the shift loop on the surface itself, over every pixel;
    // neighbours outside the source take the destination's own pixel, and
    // pixels the source cannot reach lose their alpha.
    Ref<TSurface> inPlace = MakeSurface(6, 5, true, fill);
    EXPECT_TRUE(inPlace->DrawSubPixel(src.get(), 0.25, 0.75));
    const int fx = ((65535 - 16384) & 0xFFFF) >> 9, fy = ((65535 - 49152) & 0xFFFF) >> 9;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 6; ++c) {
            uint32_t want = fill & 0x00FFFFFFu;
            if (c - 1 < 3 && r - 1 < 2) {
                auto px = [&](int sx, int sy) {
                    return (sx >= 0 && sx < 3 && sy >= 0 && sy < 2) ? At(*src, sx, sy) : fill;
                };
                want = RefBilinear(px(c - 1, r - 1), px(c, r - 1), px(c - 1, r), px(c, r), fx, fy,
                                   7, true, fill);
            }
            ASSERT_EQ(Hex(At(*inPlace, c, r)), Hex(want)) << c << "," << r;
        }

    // The copies honour the clip rectangle.
    Ref<TSurface> clipped = MakeSurface(10, 10, true, fill);
    clipped->SetClipRect(true, {0, 0, 4, 10});
    clipped->DrawSubPixel(src.get(), 3, 4);
    EXPECT_EQ(At(*clipped, 3, 4), At(*src, 0, 0));
    EXPECT_EQ(At(*clipped, 4, 4), fill);
}

// Scales that are zero, tiny, huge or not numbers, and positions far away:
// nothing crashes, nothing is read outside the source, a zero scale draws
// nothing. (The sanitizer build turns signed overflow into a failure.)
TEST(SurfaceTransform, DegenerateArguments) {
    Ref<TSurface> src = MakePattern(5, 5, true);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Ref<TSurface> dst = MakeSurface(16, 16, true, 0x12345678u);
    EXPECT_TRUE(dst->DrawRotated(src.get(), 8, 8, 30, true, 0, 0, 0, 0));
    EXPECT_TRUE(dst->DrawRotated(src.get(), 8, 8, 30, true, 0, 2, 0, 0));
    EXPECT_TRUE(dst->DrawScaled(src.get(), true, 0, 1, 0, 0));
    EXPECT_TRUE(dst->DrawScaled(src.get(), false, 1, 0, 0, 0));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(At(*dst, x, y), 0x12345678u);

    const double scales[] = {1e-12, -1e-12, 1e12, -3.5, nan, inf, -inf, 1e-300};
    for (double s : scales) {
        for (bool smooth : {false, true}) {
            EXPECT_TRUE(dst->DrawRotated(src.get(), 8, 8, 45, smooth, s, s, 0, 0));
            EXPECT_TRUE(
                dst->DrawRotated(src.get(), INT32_MAX, INT32_MIN, 45, smooth, s, 2, 1e300, -1e300));
            EXPECT_TRUE(dst->DrawScaled(src.get(), smooth, s, s, 0, 0));
            EXPECT_TRUE(dst->DrawScaled(src.get(), smooth, s, 1, nan, inf));
        }
    }
    EXPECT_TRUE(dst->DrawRotated(src.get(), 8, 8, nan, true, 1, 1, 0, 0));
    EXPECT_TRUE(dst->DrawRotated(src.get(), 8, 8, 1e300, false, 1, 1, 0, 0));
    for (double d : {nan, inf, -inf, 1e300, -1e300, 2.5e9, -0.5, 7.25}) {
        EXPECT_TRUE(dst->DrawSubPixel(src.get(), d, 0.5));
        EXPECT_TRUE(dst->DrawSubPixel(src.get(), 1.5, d));
    }

    // No source, or no pixels on either side: nothing happens.
    Ref<TSurface> empty = MakeRef<TSurface>();
    EXPECT_TRUE(dst->DrawRotated(nullptr, 0, 0, 0, false, 1, 1, 0, 0));
    EXPECT_TRUE(dst->DrawScaled(empty.get(), false, 1, 1, 0, 0));
    EXPECT_TRUE(dst->DrawSubPixel(empty.get(), 0.5, 0.5));
    EXPECT_TRUE(empty->DrawRotated(src.get(), 0, 0, 10, true, 1, 1, 0, 0));
    EXPECT_TRUE(empty->DrawScaled(src.get(), true, 2, 2, 0, 0));
    EXPECT_TRUE(empty->DrawSubPixel(src.get(), 1.5, 0.5));
}

TEST(SurfaceTransform, PixelStatistics) {
    Ref<TSurface> s = MakeSurface(4, 3, true, 0);
    const uint32_t alphas[12] = {0, 1, 2, 127, 128, 129, 254, 255, 0, 0, 200, 255};
    for (int i = 0; i < 12; ++i) s->GetScanLine(i / 4)[i % 4] = alphas[i] << 24 | 0xABCDEF;
    struct Case {
        uint8_t threshold;
        int opaque;
    };
    for (const Case& c : {Case{0, 9}, Case{1, 8}, Case{128, 5}, Case{254, 2}, Case{255, 0}}) {
        Ref<TParamCollection> params = CreateObject<TParamCollection>();
        ASSERT_TRUE(s->GetPixelStatistics(params.get(), c.threshold));
        EXPECT_EQ(params->GetCount(), 3);
        const Variant total = params->GetValue("PixelsCount", Variant());
        const Variant opaque = params->GetValue("OpaqueCount", Variant());
        const Variant transparent = params->GetValue("TransparentCount", Variant());
        EXPECT_EQ(total.Type(), Variant(int32_t{0}).Type());
        EXPECT_EQ(total.ToInt(), 12);
        EXPECT_EQ(opaque.ToInt(), c.opaque) << int(c.threshold);
        EXPECT_EQ(transparent.ToInt() + opaque.ToInt(), total.ToInt());
    }
    // Existing values are overwritten, not duplicated.
    Ref<TParamCollection> params = CreateObject<TParamCollection>();
    params->SetValue("OpaqueCount", Variant("old"));
    EXPECT_TRUE(s->GetPixelStatistics(params.get(), 0));
    EXPECT_EQ(params->GetCount(), 3);
    EXPECT_EQ(params->GetValue("OpaqueCount", Variant()).ToInt(), 9);

    EXPECT_FALSE(s->GetPixelStatistics(nullptr, 0));
    Ref<TSurface> empty = MakeRef<TSurface>();
    Ref<TParamCollection> none = CreateObject<TParamCollection>();
    EXPECT_TRUE(empty->GetPixelStatistics(none.get(), 0));
    EXPECT_EQ(none->GetValue("PixelsCount", Variant()).ToInt(), 0);
}

TEST(SurfaceCollection, FindAndAdd) {
    Ref<TSurfaceCollection> surfaces = MakeRef<TSurfaceCollection>();
    Ref<TSurface> a = MakeSurface(1, 1, false, 0), b = MakeSurface(2, 2, false, 0);
    surfaces->Add("Snapshot", a);
    surfaces->Add("cache", b);
    surfaces->Add("empty", nullptr);  // nothing happens
    surfaces->Add("SNAPSHOT", b);     // name present: the first stays
    EXPECT_EQ(surfaces->GetCount(), 2);
    EXPECT_EQ(surfaces->Find("snapshot").get(), static_cast<ISurface*>(a.get()));
    EXPECT_EQ(surfaces->Find("Cache").get(), static_cast<ISurface*>(b.get()));
    EXPECT_FALSE(surfaces->Find("empty"));
    EXPECT_FALSE(surfaces->Find("missing"));
    EXPECT_EQ(surfaces->Find(0).get(), static_cast<ISurface*>(a.get()));
    EXPECT_EQ(surfaces->Find(1).get(), static_cast<ISurface*>(b.get()));
    EXPECT_FALSE(surfaces->Find(2));
    EXPECT_FALSE(surfaces->Find(-1));
    EXPECT_EQ(a->RefCount(), 2);  // the test's reference and the collection's
    surfaces->Clear();
    EXPECT_EQ(a->RefCount(), 1);
}
