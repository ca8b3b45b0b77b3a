#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <mutex>
#include <thread>

#include "core/base/PlatformShims.h"

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

namespace {

TEST(PlatformShims, PointInRectInclusiveCountsEveryEdge) {
    const TRect r{10, 20, 30, 40};
    const struct {
        int32_t x, y;
        bool inside;
    } cases[] = {
        {10, 20, true},  {30, 40, true},  {30, 20, true}, {10, 40, true},  {20, 30, true},
        {31, 30, false}, {20, 41, false}, {9, 30, false}, {20, 19, false}, {31, 41, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PointInRectInclusive(r, c.x, c.y), c.inside) << c.x << "," << c.y;
    }
    // A rectangle of one point, and extreme coordinates.
    EXPECT_TRUE(PointInRectInclusive(TRect{5, 5, 5, 5}, 5, 5));
    EXPECT_FALSE(PointInRectInclusive(TRect{5, 5, 5, 5}, 6, 5));
    const TRect all{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_TRUE(PointInRectInclusive(all, INT32_MIN, INT32_MAX));
}

TEST(PlatformShims, RectSize) {
    EXPECT_TRUE((TRect{0, 0, 0, 5}).IsEmpty());
    EXPECT_TRUE((TRect{3, 0, 2, 5}).IsEmpty());
    EXPECT_FALSE((TRect{0, 0, 1, 1}).IsEmpty());
    EXPECT_EQ((TRect{INT32_MIN, 0, INT32_MAX, 3}).Width(), int64_t{UINT32_MAX});
    EXPECT_EQ((TRect{0, -2, 0, 3}).Height(), 5);
}

TEST(PlatformShims, CriticalSectionExcludesAndReenters) {
    TCriticalSection section;
    int counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            section.Enter();
            section.Enter();  // the owner may enter again
            ++counter;
            section.Leave();
            section.Leave();
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 40000);
    std::scoped_lock lock(section);
}

TEST(PlatformShims, FloatingPointFaultsDoNotTrap) {
    // Undo any mask first, so the test shows the set-up doing the work.
    feenableexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    MaskFloatingPointExceptions();
    EXPECT_EQ(fegetexcept(), 0);
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_EQ(_mm_getcsr() & 0x1F80u, 0x1F80u);
    uint16_t control = 0;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    EXPECT_EQ(control & 0x3F, 0x3F);
#endif
    ASSERT_EQ(fegetexcept(), 0) << "would trap below";
    volatile double zero = 0.0, one = 1.0, big = 1e308;
    EXPECT_TRUE(std::isinf(one / zero));
    EXPECT_TRUE(std::isnan(zero / zero));
    EXPECT_TRUE(std::isinf(big * big));
    volatile float fzero = 0.0f;
    EXPECT_TRUE(std::isinf(1.0f / fzero));
}

}  // namespace
