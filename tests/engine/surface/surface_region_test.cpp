// Rectangles, the update region, ClipDrawRects and the simple surface
// operations.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "engine/surface/EngineSurface.h"
#include "tests/engine/surface/SurfaceFixtures.h"

namespace {

std::vector<TRect> RegionRects(const TRegion& region) {
    std::vector<TRect> out;
    for (int32_t i = 0; i < region.Count(); ++i) out.push_back(region.GetRect(i));
    return out;
}

}  // namespace

TEST(SurfaceRect, IntersectAndUnion) {
    TRect r{};
    EXPECT_TRUE(IntersectRect({0, 0, 10, 10}, {5, 5, 20, 20}, r));
    EXPECT_EQ(r, (TRect{5, 5, 10, 10}));
    // Touching rectangles do not intersect.
    EXPECT_FALSE(IntersectRect({0, 0, 10, 10}, {10, 0, 20, 10}, r));
    // Columns apart: left and right written, top and bottom left as they were.
    r = TRect{-1, -2, -3, -4};
    EXPECT_FALSE(IntersectRect({0, 0, 10, 10}, {20, 30, 40, 50}, r));
    EXPECT_EQ(r, (TRect{20, -2, 10, -4}));
    // Columns overlap, rows apart: all four written.
    EXPECT_FALSE(IntersectRect({0, 0, 10, 10}, {5, 20, 15, 30}, r));
    EXPECT_EQ(r, (TRect{5, 20, 10, 10}));

    EXPECT_TRUE(UnionRect({0, 0, 10, 10}, {20, 30, 40, 50}, r));
    EXPECT_EQ(r, (TRect{0, 0, 40, 50}));
    EXPECT_FALSE(UnionRect({5, 0, 5, 10}, {5, 0, 5, 10}, r));
}

TEST(SurfaceRegion, AddRectTable) {
    struct Case {
        const char* name;
        std::vector<TRect> added;
        std::vector<TRect> expected;
    };
    const Case cases[] = {
        {"overlap merges", {{0, 0, 10, 10}, {5, 5, 20, 20}}, {{0, 0, 20, 20}}},
        {"touching stays apart",
         {{0, 0, 10, 10}, {10, 0, 20, 10}},
         {{0, 0, 10, 10}, {10, 0, 20, 10}}},
        {"third joins two", {{0, 0, 10, 10}, {20, 0, 30, 10}, {8, 2, 22, 4}}, {{0, 0, 30, 10}}},
        {"merge keeps the others in order",
         {{0, 0, 10, 10}, {15, 0, 25, 10}, {5, 5, 12, 12}},
         {{15, 0, 25, 10}, {0, 0, 12, 12}}},
        // The bounding box of the first merge swallows a rectangle the new one
        // never met, on the second sweep.
        {"bounding box swallows more",
         {{0, 0, 10, 10}, {20, 0, 30, 2}, {5, 5, 25, 8}},
         {{0, 0, 30, 10}}},
        {"empty rectangle appended",
         {{0, 0, 10, 10}, {5, 5, 5, 9}},
         {{0, 0, 10, 10}, {5, 5, 5, 9}}},
        {"contained rectangle", {{0, 0, 10, 10}, {2, 2, 3, 3}}, {{0, 0, 10, 10}}},
    };
    for (const Case& c : cases) {
        TRegion region;
        for (const TRect& r : c.added) region.AddRect(r);
        EXPECT_EQ(RegionRects(region), c.expected) << c.name;
    }
}

TEST(SurfaceRegion, AppendIntersectClear) {
    TRegion region;
    region.AppendRect({0, 0, 10, 10});
    region.AppendRect({5, 5, 15, 15});  // no merge
    region.AppendRect({30, 30, 40, 40});
    ASSERT_EQ(region.Count(), 3);
    EXPECT_EQ(region.GetRect(7), TRect{});

    std::unique_ptr<TRegion> part = region.Intersect({8, 8, 35, 12});
    ASSERT_TRUE(part);
    EXPECT_EQ(RegionRects(*part), (std::vector<TRect>{{8, 8, 10, 10}, {8, 8, 15, 12}}));
    EXPECT_FALSE(region.Intersect({100, 100, 110, 110}));

    region.Clear();
    EXPECT_EQ(region.Count(), 0);
}

TEST(SurfaceClip, ClipDrawRectsTable) {
    // Destination 10 x 8, source 6 x 5.
    struct Case {
        const char* name;
        bool clip;
        TRect clipRect;
        TRect src, dst;
        bool ok;
        TRect srcOut, dstOut;
    };
    const Case cases[] = {
        {"inside", false, {}, {0, 0, 4, 3}, {2, 2, 6, 5}, true, {0, 0, 4, 3}, {2, 2, 6, 5}},
        {"negative start",
         false,
         {},
         {0, 0, 6, 5},
         {-3, -2, 3, 3},
         true,
         {3, 2, 6, 5},
         {0, 0, 3, 3}},
        {"past right and bottom",
         false,
         {},
         {0, 0, 6, 5},
         {7, 6, 13, 11},
         true,
         {0, 0, 3, 2},
         {7, 6, 10, 8}},
        {"source past its surface",
         false,
         {},
         {4, 3, 10, 8},
         {0, 0, 6, 5},
         true,
         {4, 3, 6, 5},
         {0, 0, 2, 2}},
        {"negative source start",
         false,
         {},
         {-2, -1, 4, 4},
         {0, 0, 6, 5},
         true,
         {0, 0, 4, 4},
         {2, 1, 6, 5}},
        {"clip rectangle",
         true,
         {1, 1, 5, 5},
         {0, 0, 6, 5},
         {0, 0, 6, 5},
         true,
         {1, 1, 5, 5},
         {1, 1, 5, 5}},
        {"clip and negative start",
         true,
         {0, 0, 4, 4},
         {0, 0, 6, 5},
         {-2, -2, 4, 3},
         true,
         {2, 2, 6, 5},
         {0, 0, 4, 3}},
        {"right of surface", false, {}, {0, 0, 6, 5}, {10, 0, 16, 5}, false, {}, {}},
        {"left of surface", false, {}, {0, 0, 6, 5}, {-6, 0, 0, 5}, false, {}, {}},
        {"source rectangle outside source", false, {}, {6, 0, 12, 5}, {0, 0, 6, 5}, false, {}, {}},
        {"clip rectangle elsewhere",
         true,
         {20, 20, 30, 30},
         {0, 0, 6, 5},
         {0, 0, 6, 5},
         false,
         {},
         {}},
        {"extreme edges",
         false,
         {},
         {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
         {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
         true,
         {0, 0, 6, 5},
         {0, 0, 6, 5}},
    };
    Ref<TSurface> dest = MakeSurface(10, 8, false, 0);
    Ref<TSurface> source = MakeSurface(6, 5, false, 0);
    for (const Case& c : cases) {
        dest->SetClipRect(c.clip, c.clipRect);
        TRect s{}, d{};
        ASSERT_EQ(ClipDrawRects(dest.get(), source.get(), c.src, c.dst, s, d), c.ok) << c.name;
        if (!c.ok) continue;
        EXPECT_EQ(s, c.srcOut) << c.name;
        EXPECT_EQ(d, c.dstOut) << c.name;
    }

    dest->SetClipRect(false, {});
    TRect s{}, d{};
    EXPECT_FALSE(ClipDrawRects(dest.get(), nullptr, {0, 0, 1, 1}, {0, 0, 1, 1}, s, d));
    Ref<TSurface> empty = MakeRef<TSurface>();
    EXPECT_FALSE(ClipDrawRects(empty.get(), source.get(), {0, 0, 1, 1}, {0, 0, 1, 1}, s, d));
}

TEST(Surface, SizeScanLinesAndPixels) {
    Ref<TSurface> s = MakeRef<TSurface>();
    EXPECT_EQ(s->GetWidth(), 0);
    EXPECT_FALSE(s->HasPixels());
    EXPECT_EQ(s->GetScanLine(0), nullptr);

    s->SetSize(4, 3);
    ASSERT_TRUE(s->HasPixels());
    EXPECT_EQ(s->GetScanLine(1), s->GetScanLine(0) + 4);
    EXPECT_EQ(s->GetScanLine(3), nullptr);
    EXPECT_EQ(s->GetScanLine(-1), nullptr);
    EXPECT_EQ(s->GetPixelAddress(2, 1), s->GetScanLine(1) + 2);

    s->SetTransparent(true);
    s->SetPixel(1, 2, 0x12345678u);
    uint32_t p = 0xDEADBEEFu;
    s->GetPixel(1, 2, p);
    EXPECT_EQ(p, 0x12345678u);
    s->GetPixelFast(1, 2, p);
    EXPECT_EQ(p, 0x12345678u);
    p = 0xDEADBEEFu;
    s->GetPixel(4, 0, p);  // outside: left as it was
    s->GetPixel(0, -1, p);
    EXPECT_EQ(p, 0xDEADBEEFu);
    s->SetPixel(-1, 0, 1);
    s->SetPixel(0, 3, 1);

    // An opaque surface stores alpha 255 and keeps the colour bytes.
    s->SetTransparent(false);
    s->SetPixel(0, 0, 0x00ABCDEFu);
    s->GetPixel(0, 0, p);
    EXPECT_EQ(p, 0xFFABCDEFu);

    // Resizing zeroes every pixel, also at the same size.
    s->SetSize(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(s->GetScanLine(y)[x], 0u);

    s->SetPixel(3, 2, 7);
    s->Clear();
    EXPECT_EQ(s->GetScanLine(2)[3], 0u);

    s->SetSize(0, 0);
    EXPECT_FALSE(s->HasPixels());
    EXPECT_EQ(s->GetScanLine(0), nullptr);
    Ref<TSurface> src = MakeSurface(2, 2, false, 0xFF0000FFu);
    EXPECT_FALSE(s->Draw(src.get(), {0, 0, 2, 2}, {0, 0, 2, 2}, 255, bm_Normal));
    EXPECT_FALSE(
        s->DrawColored(0xFFFFFFFFu, src.get(), {0, 0, 2, 2}, {0, 0, 2, 2}, 255, bm_Normal));

    s->SetSize(-5, 3);  // nonsense sizes count as 0
    EXPECT_EQ(s->GetWidth(), 0);
    EXPECT_FALSE(s->HasPixels());
}

TEST(Surface, SetPixelClipIsInclusive) {
    Ref<TSurface> s = MakeSurface(20, 20, true, 0);
    Ref<TSurface> dot = MakeSurface(1, 1, false, 0xFF00FF00u);
    s->SetClipRect(true, {0, 0, 10, 10});
    s->SetPixel(10, 10, 0xFF112233u);
    s->SetPixel(11, 10, 0xFF112233u);
    s->SetPixel(10, 11, 0xFF112233u);
    EXPECT_EQ(s->GetScanLine(10)[10], 0xFF112233u);
    EXPECT_EQ(s->GetScanLine(10)[11], 0u);
    EXPECT_EQ(s->GetScanLine(11)[10], 0u);
    // A copy to the same point is clipped by the exclusive rule.
    EXPECT_FALSE(s->Draw(dot.get(), {0, 0, 1, 1}, {10, 10, 11, 11}, 255, bm_Normal));
    EXPECT_TRUE(s->Draw(dot.get(), {0, 0, 1, 1}, {9, 9, 10, 10}, 255, bm_Normal));
    EXPECT_EQ(s->GetScanLine(9)[9], 0xFF00FF00u);
}

TEST(Surface, ClipStates) {
    Ref<TSurface> s = MakeSurface(8, 8, false, 0);
    s->AddUpdateRect({1, 1, 3, 3});
    EXPECT_TRUE(s->GetClipFlag());
    EXPECT_TRUE(s->GetUpdateRegionMode());
    s->SetClipRect(true, {0, 0, 4, 4});
    EXPECT_TRUE(s->GetClipFlag());
    EXPECT_FALSE(s->GetUpdateRegionMode());
    EXPECT_EQ(s->GetUpdateRegion().Count(), 1);  // kept, no longer used
    s->ClearUpdateRects();
    EXPECT_FALSE(s->GetClipFlag());
    EXPECT_FALSE(s->GetUpdateRegionMode());
    EXPECT_EQ(s->GetUpdateRegion().Count(), 0);
}

// Draws walk the update region and touch only its pixels, each once.
TEST(Surface, DrawWalksUpdateRegion) {
    const uint32_t back = 0xFF000000u;
    Ref<TSurface> s = MakeSurface(20, 20, false, back);
    Ref<TSurface> white = MakeSurface(20, 20, false, 0xFFFFFFFFu);
    s->AddUpdateRect({2, 2, 5, 5});
    s->AddUpdateRect({10, 10, 14, 12});
    s->AddUpdateRect({12, 11, 16, 13});  // merges with the previous one
    ASSERT_EQ(s->GetUpdateRegion().Count(), 2);

    EXPECT_TRUE(s->Draw(white.get(), {0, 0, 20, 20}, {0, 0, 20, 20}, 255, bm_Normal));
    auto inside = [](int x, int y) {
        return (x >= 2 && x < 5 && y >= 2 && y < 5) || (x >= 10 && x < 16 && y >= 10 && y < 13);
    };
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(s->GetScanLine(y)[x], inside(x, y) ? 0xFFFFFFFFu : back) << x << "," << y;
    // The clip rectangle keeps the last pass's intersection.
    EXPECT_EQ(s->GetClipRect(), (TRect{10, 10, 16, 13}));

    // A half-transparent blend lands once per pixel, even where the added
    // rectangles overlapped.
    Ref<TSurface> half = MakeSurface(20, 20, true, 0x80FFFFFFu);
    Ref<TSurface> fresh = MakeSurface(20, 20, false, back);
    fresh->AddUpdateRect({10, 10, 14, 12});
    fresh->AddUpdateRect({12, 11, 16, 13});
    EXPECT_TRUE(fresh->Draw(half.get(), {0, 0, 20, 20}, {0, 0, 20, 20}, 255, bm_Normal));
    EXPECT_EQ(fresh->GetScanLine(11)[12], 0xFF7F7F7Fu);  // 0 + (255 * 128 >> 8) = 127
    EXPECT_EQ(fresh->GetScanLine(0)[0], back);

    // DrawColored walks the same way; a draw meeting no region rectangle is false.
    Ref<TSurface> plain = MakeSurface(20, 20, false, 0);
    EXPECT_TRUE(
        s->DrawColored(0xFF0000FFu, plain.get(), {0, 0, 20, 20}, {0, 0, 20, 20}, 255, bm_Normal));
    EXPECT_EQ(s->GetScanLine(3)[3], 0xFF0000FFu);
    EXPECT_EQ(s->GetScanLine(6)[6], back);
    EXPECT_FALSE(s->Draw(white.get(), {0, 0, 3, 3}, {6, 6, 9, 9}, 255, bm_Normal));

    // Without the region a Draw covers its whole rectangle again.
    s->ClearUpdateRects();
    EXPECT_TRUE(s->Draw(white.get(), {0, 0, 20, 20}, {0, 0, 20, 20}, 255, bm_Normal));
    EXPECT_EQ(s->GetScanLine(6)[6], 0xFFFFFFFFu);
}

TEST(Surface, DrawClipsToSurfaces) {
    // A destination rectangle starting at (-3, -2) takes its pixels from 3
    // columns and 2 rows further into the source.
    Ref<TSurface> s = MakeSurface(6, 6, false, 0);
    Ref<TSurface> src = MakeSurface(6, 6, false, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) src->GetScanLine(y)[x] = 0xFF000000u | (y << 8) | x;
    EXPECT_TRUE(s->Draw(src.get(), {0, 0, 6, 6}, {-3, -2, 3, 4}, 255, bm_Normal));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const uint32_t want = (x < 3 && y < 4) ? (0xFF000000u | ((y + 2) << 8) | (x + 3)) : 0;
            ASSERT_EQ(s->GetScanLine(y)[x], want) << x << "," << y;
        }

    // A destination rectangle larger than the source rectangle copies only
    // what the source rectangle holds.
    Ref<TSurface> small = MakeSurface(2, 2, false, 0xFFFFFFFFu);
    Ref<TSurface> big = MakeSurface(8, 8, false, 0);
    EXPECT_TRUE(big->Draw(small.get(), {0, 0, 2, 2}, {0, 0, 8, 8}, 255, bm_Normal));
    EXPECT_EQ(big->GetScanLine(1)[1], 0xFFFFFFFFu);
    EXPECT_EQ(big->GetScanLine(1)[2], 0u);
    EXPECT_EQ(big->GetScanLine(2)[0], 0u);
}
