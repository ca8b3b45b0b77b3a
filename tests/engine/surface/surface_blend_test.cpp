// Draw, DrawColored and DrawMasked: per-pixel cases worked out from the
// blend formulas, a plain reference of the same formulas, and whole rows on
// random data compared with that reference for every kernel level.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/surface/EngineSurface.h"
#include "engine/surface/SurfaceKernels.h"
#include "tests/engine/surface/SurfaceFixtures.h"

namespace {

// ---------------------------------------------------------------- reference

// Channels 0..2 blue, green, red; 3 alpha.
struct Px {
    int c[4];
};
Px Split(uint32_t p) {
    return Px{{int(p & 255), int((p >> 8) & 255), int((p >> 16) & 255), int(p >> 24)}};
}
uint32_t Join(const Px& p) {
    return uint32_t(p.c[0] & 255) | uint32_t(p.c[1] & 255) << 8 | uint32_t(p.c[2] & 255) << 16 |
           uint32_t(p.c[3] & 255) << 24;
}
int FloorDiv256(int x) {
    return x >= 0 ? x / 256 : -((-x + 255) / 256);
}

// Modes 1 to 5 for one pixel; s holds the channels drawn (source or colour),
// sa the source pixel's alpha, word what max-opaque writes.
uint32_t RefKernel(int mode, const Px& s, int sa, int a, uint32_t word, uint32_t dst, bool dstT) {
    Px d = Split(dst);
    if (mode == 5) {
        if (d.c[3] > a) return dst;
        Px w = Split(word);
        if (dstT) w.c[3] = a;
        return Join(w);
    }
    if (sa == 0) return dst;
    for (int i = 0; i < 3; ++i) {
        const int sc = s.c[i], dc = d.c[i];
        int r = 0;
        switch (mode) {
            case 1: {
                const int t = (a * sc) / 256;
                r = 255 - ((255 - t) * (256 - dc)) / 256;
                break;
            }
            case 2:
                if (dc < 128) {
                    r = ((255 - a) * dc) / 256 + (a * dc * sc) / 32768;
                } else {
                    const int u = ((255 - dc) * (255 - sc)) / 128;
                    r = ((255 - a) * dc) / 256 + ((255 - u) * a) / 256;
                }
                break;
            case 3:
                r = std::clamp(dc + (a * (2 * sc - 255)) / 256, 0, 255);
                break;
            case 4:
                r = std::min(255, dc + (a * sc) / 256);
                break;
        }
        d.c[i] = r & 255;
    }
    if (dstT) d.c[3] = (a + ((255 - a) * d.c[3]) / 256) & 255;
    return Join(d);
}

uint32_t RefDraw(uint32_t src, uint32_t dst, int level, int mode, bool srcT, bool dstT) {
    if (level == 0) return dst;
    const Px s = Split(src);
    Px d = Split(dst);
    if (mode == 6 || (mode == 0 && !srcT && level == 255)) return src;
    if (mode == 0 && !srcT) {  // constant alpha
        if (dstT && d.c[3] == 0) return src;
        for (int i = 0; i < 3; ++i) d.c[i] = (level * s.c[i] + 255 + (255 - level) * d.c[i]) / 256;
        if (dstT) d.c[3] = level;
        return Join(d);
    }
    if (mode == 0 && level == 255) {  // alpha blend
        const int a = s.c[3];
        if (dstT && d.c[3] == 0) return src;
        if (a > 0) {
            for (int i = 0; i < 3; ++i) d.c[i] = d.c[i] + FloorDiv256((s.c[i] - d.c[i]) * a);
            d.c[3] = a + ((d.c[3] + 1) * (255 - a)) / 256;
        }
        if (!dstT) d.c[3] = 255;
        return Join(d);
    }
    if (mode == 0) {  // alpha blend with level
        const int a = (level * s.c[3]) / 256;
        if (a == 0) return dst;
        if (dstT && d.c[3] == 0) {
            Px out = s;
            out.c[3] = a;
            return Join(out);
        }
        for (int i = 0; i < 3; ++i) d.c[i] = d.c[i] + FloorDiv256((s.c[i] - d.c[i]) * a);
        if (dstT) d.c[3] = ((a + d.c[3]) * 256 - a * d.c[3]) / 256;
        return Join(d);
    }
    if (mode >= 1 && mode <= 5)
        return RefKernel(mode, s, s.c[3], (level * s.c[3]) / 256, src, dst, dstT);
    return dst;
}

uint32_t RefColored(uint32_t color, uint32_t src, uint32_t dst, int level, int mode, bool srcT,
                    bool dstT) {
    const Px c = Split(color);
    const int sa = int(src >> 24);
    Px d = Split(dst);
    auto colorWithAlpha = [&](int a) {
        Px out = c;
        out.c[3] = a;
        return Join(out);
    };
    if (mode == 0) {
        const int la = (level * c.c[3]) / 255;
        if (srcT && la == 255) {
            const int m = sa;
            uint32_t out;
            if (m == 255) {
                out = color;
            } else if (m == 0) {
                out = dst;
            } else if (dstT && d.c[3] == 0) {
                out = colorWithAlpha(m);
            } else {
                for (int i = 0; i < 3; ++i) d.c[i] = d.c[i] + FloorDiv256((c.c[i] - d.c[i]) * m);
                d.c[3] = d.c[3] + ((255 - d.c[3]) * m) / 256;
                out = Join(d);
            }
            return dstT ? out : out | 0xFF000000u;
        }
        if (srcT) {
            const int a = (la * sa) / 256;
            if (a == 0) return dst;
            if (dstT && d.c[3] == 0) return colorWithAlpha(a);
            for (int i = 0; i < 3; ++i) d.c[i] = d.c[i] + FloorDiv256((c.c[i] - d.c[i]) * a);
            if (dstT) d.c[3] = d.c[3] + ((255 - d.c[3]) * a) / 256;
            return Join(d);
        }
        if (la == 255) return dstT ? color : color | 0xFF000000u;
        if (dstT && d.c[3] == 0) return colorWithAlpha(la);
        for (int i = 0; i < 3; ++i) d.c[i] = (la * c.c[i] + 255 + (255 - la) * d.c[i]) / 256;
        if (dstT) d.c[3] = std::max(d.c[3], la);
        return Join(d);
    }
    if (mode >= 1 && mode <= 4) {
        const int a = (((level * c.c[3]) / 256) * sa) / 256;
        return RefKernel(mode, c, sa, a, color, dst, dstT);
    }
    if (mode == 5) return RefKernel(5, c, sa, (level * sa) / 256, color, dst, dstT);
    return dst;
}

// ---------------------------------------------------------------- helpers

std::string Hex(uint32_t v) {
    char text[16];
    snprintf(text, sizeof text, "%08X", v);
    return text;
}

// Random pixels in runs, so that whole vectors of transparent or opaque
// pixels (the kernels' shortcuts) occur as well as mixed ones.
void FillRandom(ISurface& s, std::mt19937& rng) {
    const int32_t w = s.GetWidth(), h = s.GetHeight();
    std::uniform_int_distribution<uint32_t> any(0, 0xFFFFFFFFu);
    std::uniform_int_distribution<int> kind(0, 3), runLength(1, 24);
    int run = 0, current = 0;
    for (int32_t y = 0; y < h; ++y) {
        uint32_t* row = s.GetScanLine(y);
        for (int32_t x = 0; x < w; ++x) {
            if (run-- <= 0) {
                run = runLength(rng);
                current = kind(rng);
            }
            const uint32_t p = any(rng);
            switch (current) {
                case 0:
                    row[x] = p & 0x00FFFFFFu;
                    break;
                case 1:
                    row[x] = p | 0xFF000000u;
                    break;
                default:
                    row[x] = p;
                    break;
            }
        }
    }
}

// Restores the kernel level a test changed.
class KernelLevelGuard {
public:
    KernelLevelGuard() : saved_(CurrentKernelLevel()) {}
    ~KernelLevelGuard() { SetKernelLevel(saved_); }

private:
    TKernelLevel saved_;
};

std::vector<TKernelLevel> AvailableLevels() {
    std::vector<TKernelLevel> levels;
    for (int l = 0; l <= static_cast<int>(MaxKernelLevel()); ++l) {
        if (KernelsForLevel(static_cast<TKernelLevel>(l)))
            levels.push_back(static_cast<TKernelLevel>(l));
    }
    return levels;
}

// ---------------------------------------------------------------- per-pixel cases

struct DrawCase {
    const char* name;
    int mode;
    int level;
    bool srcT, dstT;
    uint32_t src, dst, expected;
};

const DrawCase kDrawCases[] = {
    {"alpha 128 over opaque", 0, 255, true, false, 0x80C86433, 0xFF204060, 0xFF745249},
    {"alpha blend, dest alpha 0 takes source", 0, 255, true, true, 0x10ABCDEF, 0x00123456,
     0x10ABCDEF},
    {"alpha blend onto transparent", 0, 255, true, true, 0x80C86433, 0x80204060, 0xBF745249},
    {"alpha 0 on opaque sets alpha only", 0, 255, true, false, 0x00FFFFFF, 0x11223344, 0xFF223344},
    {"alpha 0 onto transparent", 0, 255, true, true, 0x00FFFFFF, 0x11223344, 0x11223344},
    {"alpha 255 blends to 254", 0, 255, true, false, 0xFFFFFFFF, 0xFF000000, 0xFFFEFEFE},
    {"level keeps opaque dest alpha", 0, 128, true, false, 0xFFC86433, 0x10204060, 0x10735149},
    {"level, dest alpha 0", 0, 128, true, true, 0xFFC86433, 0x00204060, 0x7FC86433},
    {"level onto transparent", 0, 128, true, true, 0xFFC86433, 0x80204060, 0xBF735149},
    {"level giving a = 0 leaves dest", 0, 1, true, true, 0x80FFFFFF, 0x00123456, 0x00123456},
    {"L = 0 draws nothing", 0, 0, true, false, 0xFFFFFFFF, 0xFF000000, 0xFF000000},
    {"fast copy keeps source alpha", 0, 255, false, false, 0x12C86433, 0xFF204060, 0x12C86433},
    {"constant alpha keeps opaque dest alpha", 0, 128, false, false, 0x12C86433, 0xF0204060,
     0xF074524A},
    {"constant alpha onto transparent", 0, 128, false, true, 0x12C86433, 0x40204060, 0x8074524A},
    {"constant alpha, dest alpha 0 takes source", 0, 128, false, true, 0x12C86433, 0x00204060,
     0x12C86433},
    {"bltfast copies at any level", 6, 7, true, true, 0x01020304, 0xFFFFFFFF, 0x01020304},
    {"screen", 1, 255, true, false, 0xFFC86400, 0xFF646464, 0xFFDDA064},
    {"screen over-alpha", 1, 255, true, true, 0xFFC86400, 0x40646464, 0xFEDDA064},
    {"screen of black leaves dest", 1, 255, true, false, 0xFF000000, 0xFF123456, 0xFF123456},
    {"screen at level 128", 1, 128, true, false, 0xFFC8C8C8, 0xFF646464, 0xFFA0A0A0},
    {"screen skips source alpha 0", 1, 255, true, true, 0x00FFFFFF, 0x00000000, 0x00000000},
    {"overlay dark and light halves", 2, 255, true, false, 0xFF808080, 0xFF64C864, 0xFF63C763},
    {"linear light clamps, truncates", 3, 255, true, false, 0xFFFF0064, 0xFFC83264, 0xFFFF002E},
    {"addition saturates", 4, 255, true, false, 0xFFC86400, 0xFF640A0A, 0xFFFF6D0A},
    {"max-opaque tie goes to the later draw", 5, 255, true, true, 0x80112233, 0x7FFFFFFF,
     0x7F112233},
    {"max-opaque keeps the more opaque", 5, 255, true, true, 0x80112233, 0x80FFFFFF, 0x80FFFFFF},
    {"max-opaque alpha 0 replaces alpha 0", 5, 255, true, true, 0x00ABCDEF, 0x00000000, 0x00ABCDEF},
    {"max-opaque never beats alpha 255", 5, 255, true, false, 0xFFFFFFFF, 0xFF000000, 0xFF000000},
    {"max-opaque on opaque takes the word", 5, 255, true, false, 0x80112233, 0x10FFFFFF,
     0x80112233},
    {"unknown mode draws nothing", 7, 255, true, false, 0xFFFFFFFF, 0xFF000000, 0xFF000000},
};

struct ColorCase {
    const char* name;
    uint32_t color;
    int mode;
    int level;
    bool srcT, dstT;
    uint32_t src, dst, expected;
};

const ColorCase kColorCases[] = {
    {"opaque source at la 255 fills", 0xFFC86433, 0, 255, false, false, 0x00000000, 0xFF204060,
     0xFFC86433},
    {"colour alpha 128 gives la 128", 0x80C86433, 0, 255, false, false, 0xFF000000, 0xFF204060,
     0xFF74524A},
    {"colour alpha 128 at L 128 gives la 64", 0x80C86433, 0, 128, false, false, 0xFF000000,
     0xFF204060, 0xFF4A4955},
    {"opaque source, transparent dest alpha max", 0x80C86433, 0, 255, false, true, 0xFF000000,
     0x10204060, 0x8074524A},
    {"opaque source, dest alpha 0", 0x80C86433, 0, 255, false, true, 0xFF000000, 0x00204060,
     0x80C86433},
    {"through alpha 255 gives the colour", 0xFFC86433, 0, 255, true, false, 0xFF000000, 0xFF204060,
     0xFFC86433},
    {"through alpha 0 leaves dest, alpha 255", 0xFFC86433, 0, 255, true, false, 0x00000000,
     0x10203040, 0xFF203040},
    {"through alpha 128", 0xFFC86433, 0, 255, true, false, 0x80000000, 0xFF204060, 0xFF745249},
    {"through alpha 128 onto transparent", 0xFFC86433, 0, 255, true, true, 0x80000000, 0x80204060,
     0xBF745249},
    {"through alpha, dest alpha 0", 0xFFC86433, 0, 255, true, true, 0x80000000, 0x00204060,
     0x80C86433},
    {"through alpha at la 128", 0xFFC86433, 0, 128, true, false, 0xFF000000, 0xF0204060,
     0xF0735149},
    {"through alpha at la 128, transparent", 0xFFC86433, 0, 128, true, true, 0xFF000000, 0x80204060,
     0xBF735149},
    {"screen colour", 0xFFC86400, 1, 255, true, false, 0xFF000000, 0xFF646464, 0xFFDCA064},
    {"max-opaque colour", 0xFFC86400, 5, 255, true, true, 0xFF000000, 0x00000000, 0xFEC86400},
};

}  // namespace

TEST(SurfaceBlend, BlendingModeNames) {
    EXPECT_EQ(BlendingModeFromName("screen"), bm_Screen);
    EXPECT_EQ(BlendingModeFromName("overlay"), bm_Overlay);
    EXPECT_EQ(BlendingModeFromName("linearlight"), bm_LinearLight);
    EXPECT_EQ(BlendingModeFromName("addition"), bm_Addition);
    EXPECT_EQ(BlendingModeFromName("maxopaque"), bm_MaxOpaque);
    EXPECT_EQ(BlendingModeFromName("Screen"), bm_Normal);
    EXPECT_EQ(BlendingModeFromName("bltfast"), bm_Normal);
    EXPECT_EQ(BlendingModeFromName(""), bm_Normal);
    EXPECT_EQ(kBlendingModeNames, "/normal/screen/overlay/linearlight/addition/maxopaque/bltfast");
}

// The reference agrees with the worked cases, and every kernel level with both.
TEST(SurfaceBlend, DrawPixelCases) {
    KernelLevelGuard guard;
    for (const DrawCase& c : kDrawCases) {
        EXPECT_EQ(Hex(RefDraw(c.src, c.dst, c.level, c.mode, c.srcT, c.dstT)), Hex(c.expected))
            << "reference: " << c.name;
        for (TKernelLevel level : AvailableLevels()) {
            SetKernelLevel(level);
            // A row of 19 copies, so that vector bodies and tails both see the case.
            Ref<TSurface> src = MakeSurface(19, 1, c.srcT, c.src);
            Ref<TSurface> dst = MakeSurface(19, 1, c.dstT, c.dst);
            EXPECT_TRUE(dst->Draw(src.get(), {0, 0, 19, 1}, {0, 0, 19, 1}, uint8_t(c.level),
                                  TBlendingMode(c.mode)))
                << c.name;
            for (int x = 0; x < 19; ++x) {
                ASSERT_EQ(Hex(dst->GetScanLine(0)[x]), Hex(c.expected))
                    << c.name << " at " << x << ", " << CurrentKernels().name;
            }
        }
    }
}

TEST(SurfaceBlend, DrawColoredPixelCases) {
    KernelLevelGuard guard;
    for (const ColorCase& c : kColorCases) {
        EXPECT_EQ(Hex(RefColored(c.color, c.src, c.dst, c.level, c.mode, c.srcT, c.dstT)),
                  Hex(c.expected))
            << "reference: " << c.name;
        for (TKernelLevel level : AvailableLevels()) {
            SetKernelLevel(level);
            Ref<TSurface> src = MakeSurface(19, 1, c.srcT, c.src);
            Ref<TSurface> dst = MakeSurface(19, 1, c.dstT, c.dst);
            EXPECT_TRUE(dst->DrawColored(c.color, src.get(), {0, 0, 19, 1}, {0, 0, 19, 1},
                                         uint8_t(c.level), TBlendingMode(c.mode)))
                << c.name;
            for (int x = 0; x < 19; ++x) {
                ASSERT_EQ(Hex(dst->GetScanLine(0)[x]), Hex(c.expected))
                    << c.name << " at " << x << ", " << CurrentKernels().name;
            }
        }
    }
    Ref<TSurface> src = MakeSurface(2, 2, true, 0xFFFFFFFF);
    Ref<TSurface> dst = MakeSurface(2, 2, true, 0x12345678);
    EXPECT_FALSE(
        dst->DrawColored(0xFFFFFFFF, src.get(), {0, 0, 2, 2}, {0, 0, 2, 2}, 255, bm_BltFast));
    EXPECT_EQ(dst->GetScanLine(1)[1], 0x12345678u);
    EXPECT_FALSE(dst->DrawColored(0xFFFFFFFF, nullptr, {0, 0, 2, 2}, {0, 0, 2, 2}, 255, bm_Normal));
}

// Whole rows of random pixels, every mode, level and transparency, each
// kernel level against the reference; widths cover every vector tail. The
// rectangles sit inside larger surfaces, so rows are a stride apart and
// pixels around them must stay as they were.
struct RectCase {
    Ref<TSurface> src, dst;
    std::vector<uint32_t> before;
    int w;
    static constexpr int kRows = 3;
    TRect SrcRect() const { return {2, 1, 2 + w, 1 + kRows}; }
    TRect DstRect() const { return {1, 0, 1 + w, kRows}; }
    uint32_t Src(int x, int y) const { return src->GetScanLine(1 + y)[2 + x]; }
    uint32_t& Dst(int x, int y) const { return dst->GetScanLine(y)[1 + x]; }
};

RectCase MakeRectCase(int w, bool srcT, bool dstT, std::mt19937& rng) {
    RectCase c;
    c.w = w;
    c.src = MakeSurface(w + 5, RectCase::kRows + 2, srcT, 0);
    c.dst = MakeSurface(w + 3, RectCase::kRows + 1, dstT, 0);
    FillRandom(*c.src, rng);
    FillRandom(*c.dst, rng);
    c.before.assign(c.dst->GetScanLine(0), c.dst->GetScanLine(0) + (w + 3) * (RectCase::kRows + 1));
    return c;
}

// Checks the rectangle against expected (row by row) and everything else
// against the pixels before the draw.
testing::AssertionResult CheckRect(const RectCase& c, const std::vector<uint32_t>& expected) {
    const int stride = c.w + 3;
    for (int y = 0; y < RectCase::kRows + 1; ++y) {
        for (int x = 0; x < stride; ++x) {
            const uint32_t got = c.dst->GetScanLine(y)[x];
            const bool inside = x >= 1 && x < 1 + c.w && y < RectCase::kRows;
            const uint32_t want = inside ? expected[y * c.w + (x - 1)] : c.before[y * stride + x];
            if (got != want) {
                return testing::AssertionFailure()
                       << "pixel " << x << "," << y << (inside ? "" : " (outside)") << ": got "
                       << Hex(got) << " want " << Hex(want) << " before "
                       << Hex(c.before[y * stride + x])
                       << (inside ? " src " + Hex(c.Src(x - 1, y)) : "");
            }
        }
    }
    return testing::AssertionSuccess();
}

TEST(SurfaceBlend, RowsMatchReference) {
    KernelLevelGuard guard;
    std::mt19937 rng(1234);
    const int widths[] = {1, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 64, 71};
    const int levels[] = {0, 1, 2, 64, 127, 128, 200, 254, 255};
    for (TKernelLevel kernelLevel : AvailableLevels()) {
        SetKernelLevel(kernelLevel);
        const std::string kernelName = CurrentKernels().name;
        for (int w : widths) {
            for (int mode = 0; mode <= 7; ++mode) {
                for (int level : levels) {
                    for (int flags = 0; flags < 4; ++flags) {
                        const bool srcT = flags & 1, dstT = flags & 2;
                        RectCase c = MakeRectCase(w, srcT, dstT, rng);
                        std::vector<uint32_t> expected;
                        for (int y = 0; y < RectCase::kRows; ++y)
                            for (int x = 0; x < w; ++x)
                                expected.push_back(
                                    RefDraw(c.Src(x, y), c.Dst(x, y), level, mode, srcT, dstT));
                        EXPECT_TRUE(c.dst->Draw(c.src.get(), c.SrcRect(), c.DstRect(),
                                                uint8_t(level), TBlendingMode(mode)));
                        ASSERT_TRUE(CheckRect(c, expected))
                            << kernelName << " mode " << mode << " L " << level << " srcT " << srcT
                            << " dstT " << dstT << " width " << w;
                    }
                }
            }
        }
    }
}

TEST(SurfaceBlend, ColoredRowsMatchReference) {
    KernelLevelGuard guard;
    std::mt19937 rng(99);
    const int widths[] = {1, 5, 8, 13, 16, 17, 33, 64, 70};
    const int levels[] = {0, 1, 100, 128, 254, 255};
    const uint32_t alphas[] = {0x00, 0x01, 0x80, 0xFE, 0xFF};
    std::uniform_int_distribution<uint32_t> any(0, 0xFFFFFFu);
    for (TKernelLevel kernelLevel : AvailableLevels()) {
        SetKernelLevel(kernelLevel);
        const std::string kernelName = CurrentKernels().name;
        for (int w : widths) {
            for (int mode = 0; mode <= 5; ++mode) {
                for (int level : levels) {
                    for (uint32_t alpha : alphas) {
                        for (int flags = 0; flags < 4; ++flags) {
                            const bool srcT = flags & 1, dstT = flags & 2;
                            const uint32_t color = alpha << 24 | any(rng);
                            RectCase c = MakeRectCase(w, srcT, dstT, rng);
                            std::vector<uint32_t> expected;
                            for (int y = 0; y < RectCase::kRows; ++y)
                                for (int x = 0; x < w; ++x)
                                    expected.push_back(RefColored(color, c.Src(x, y), c.Dst(x, y),
                                                                  level, mode, srcT, dstT));
                            EXPECT_TRUE(c.dst->DrawColored(color, c.src.get(), c.SrcRect(),
                                                           c.DstRect(), uint8_t(level),
                                                           TBlendingMode(mode)));
                            ASSERT_TRUE(CheckRect(c, expected))
                                << kernelName << " colour " << Hex(color) << " mode " << mode
                                << " L " << level << " srcT " << srcT << " dstT " << dstT
                                << " width " << w;
                        }
                    }
                }
            }
        }
    }
}

TEST(SurfaceBlend, DrawWithLevelZeroAnswersTrueAndKeepsPixels) {
    Ref<TSurface> src = MakeSurface(4, 4, true, 0xFFFFFFFF);
    Ref<TSurface> dst = MakeSurface(4, 4, false, 0xFF102030);
    EXPECT_TRUE(dst->Draw(src.get(), {0, 0, 4, 4}, {1, 1, 5, 5}, 0, bm_Normal));
    EXPECT_EQ(dst->GetScanLine(2)[2], 0xFF102030u);
    EXPECT_FALSE(dst->Draw(src.get(), {0, 0, 4, 4}, {4, 4, 8, 8}, 0, bm_Normal));
    EXPECT_FALSE(dst->Draw(nullptr, {0, 0, 4, 4}, {0, 0, 4, 4}, 255, bm_Normal));
}

TEST(SurfaceBlend, DrawMasked) {
    Ref<TSurface> src = MakeSurface(4, 4, true, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) src->GetScanLine(y)[x] = 0x40000000u | (y << 8) | x;
    Ref<TSurface> mask = MakeSurface(3, 3, true, 0);
    mask->GetScanLine(0)[0] = 0x01000000u;  // any alpha selects
    mask->GetScanLine(1)[1] = 0xFF000000u;
    mask->GetScanLine(2)[2] = 0x00FFFFFFu;  // alpha 0 does not

    Ref<TSurface> dst = MakeSurface(6, 6, false, 0xFF777777u);
    EXPECT_TRUE(dst->DrawMasked(src.get(), {1, 1, 4, 4}, mask.get(), {0, 0, 3, 3}, {2, 2, 5, 5}));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            uint32_t want = 0xFF777777u;
            if ((x == 2 && y == 2) || (x == 3 && y == 3)) {
                want = 0xFF000000u | ((y - 1) << 8) | (x - 1);  // opaque: alpha 255
            }
            ASSERT_EQ(Hex(dst->GetScanLine(y)[x]), Hex(want)) << x << "," << y;
        }

    // A transparent destination takes the source's alpha as it is.
    Ref<TSurface> layer = MakeSurface(3, 3, true, 0);
    EXPECT_TRUE(layer->DrawMasked(src.get(), {0, 0, 3, 3}, mask.get(), {0, 0, 3, 3}, {0, 0, 3, 3}));
    EXPECT_EQ(layer->GetScanLine(1)[1], 0x40000101u);
    EXPECT_EQ(layer->GetScanLine(2)[2], 0u);

    // A fully transparent mask changes nothing but answers true.
    Ref<TSurface> clear = MakeSurface(3, 3, true, 0x00FFFFFFu);
    Ref<TSurface> before = MakeSurface(6, 6, false, 0xFF777777u);
    EXPECT_TRUE(
        before->DrawMasked(src.get(), {0, 0, 3, 3}, clear.get(), {0, 0, 3, 3}, {0, 0, 3, 3}));
    EXPECT_EQ(before->GetScanLine(1)[1], 0xFF777777u);

    // The clip rectangle is honoured; the update region is not walked.
    before->SetClipRect(true, {0, 0, 2, 2});
    Ref<TSurface> full = MakeSurface(3, 3, true, 0xFF000000u);
    EXPECT_TRUE(
        before->DrawMasked(src.get(), {0, 0, 3, 3}, full.get(), {0, 0, 3, 3}, {0, 0, 3, 3}));
    EXPECT_EQ(before->GetScanLine(1)[1], 0xFF000101u);
    EXPECT_EQ(before->GetScanLine(2)[2], 0xFF777777u);

    EXPECT_FALSE(before->DrawMasked(src.get(), {0, 0, 3, 3}, nullptr, {0, 0, 3, 3}, {0, 0, 3, 3}));
    EXPECT_FALSE(before->DrawMasked(nullptr, {0, 0, 3, 3}, full.get(), {0, 0, 3, 3}, {0, 0, 3, 3}));
}

// Random and extreme rectangles, of unequal sizes too: nothing outside the
// destination rectangle (inside the surface and the clip) changes, and the
// sanitizers see no access outside any surface.
TEST(SurfaceBlend, RandomRectanglesStayInside) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-12, 24), pick(0, 9), modeDist(0, 7),
        levelDist(0, 255);
    auto edge = [&]() {
        switch (pick(rng)) {
            case 0:
                return INT32_MIN;
            case 1:
                return INT32_MAX;
            default:
                return coord(rng);
        }
    };
    auto rect = [&]() { return TRect{edge(), edge(), edge(), edge()}; };
    Ref<TSurface> src = MakeSurface(9, 7, true, 0);
    Ref<TSurface> mask = MakeSurface(5, 11, true, 0);
    FillRandom(*src, rng);
    FillRandom(*mask, rng);
    for (int i = 0; i < 3000; ++i) {
        Ref<TSurface> dst = MakeSurface(13, 10, i % 2 == 0, 0x5A5A5A5Au);
        const bool clip = pick(rng) < 3;
        const TRect clipRect = rect();
        if (clip) dst->SetClipRect(true, clipRect);
        const TRect d = rect();
        switch (i % 3) {
            case 0:
                dst->Draw(src.get(), rect(), d, uint8_t(levelDist(rng)),
                          TBlendingMode(modeDist(rng)));
                break;
            case 1:
                dst->DrawColored(0x80FF8040u, src.get(), rect(), d, uint8_t(levelDist(rng)),
                                 TBlendingMode(modeDist(rng)));
                break;
            default:
                dst->DrawMasked(src.get(), rect(), mask.get(), rect(), d);
                break;
        }
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 13; ++x) {
                const bool inRect = x >= d.left && x < d.right && y >= d.top && y < d.bottom;
                const bool inClip = !clip || (x >= clipRect.left && x < clipRect.right &&
                                              y >= clipRect.top && y < clipRect.bottom);
                if (!(inRect && inClip)) {
                    ASSERT_EQ(dst->GetScanLine(y)[x], 0x5A5A5A5Au) << i;
                }
            }
    }
}
