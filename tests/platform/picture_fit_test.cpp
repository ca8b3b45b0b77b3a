// A picture on a display area of another size: scaled by one factor to fit,
// aspect kept, centred; and the area's pixels mapped back to the picture's.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include "platform/PictureFit.h"

namespace {

TEST(PictureFit, TheGamesPictureFillsDisplaysOfOtherSizesCentredWithItsAspectKept) {
    struct TCase {
        int32_t areaWidth, areaHeight;
        int32_t width, height, left, top;  // worked out by hand
    };
    const TCase cases[] = {
        {1024, 768, 1024, 768, 0, 0},      // the game's own size: as it is
        {1920, 1080, 1440, 1080, 240, 0},  // wide: bars left and right
        {1280, 1024, 1280, 960, 0, 32},    // tall: bars above and below
        {2048, 1536, 2048, 1536, 0, 0},    // twice the size
        {800, 600, 800, 600, 0, 0},        // smaller: scaled down
        {1366, 768, 1024, 768, 171, 0},    // as high: centred only
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.areaWidth) + " x " + std::to_string(c.areaHeight));
        const TPictureFit fit = FitPicture(1024, 768, c.areaWidth, c.areaHeight);
        EXPECT_EQ(fit.width, c.width);
        EXPECT_EQ(fit.height, c.height);
        EXPECT_EQ(fit.left, c.left);
        EXPECT_EQ(fit.top, c.top);
        // One scale both ways: the aspect is kept.
        EXPECT_NEAR(fit.width / 1024.0, fit.height / 768.0, 1e-9);
        EXPECT_NEAR(fit.scale, fit.width / 1024.0, 1e-9);
        // Inside the area, touching it on two opposite sides at least.
        EXPECT_LE(fit.left + fit.width, c.areaWidth);
        EXPECT_LE(fit.top + fit.height, c.areaHeight);
        EXPECT_TRUE(fit.width == c.areaWidth || fit.height == c.areaHeight);
    }
}

TEST(PictureFit, EveryPixelOfTheAreaMapsToThePicturePixelDrawnThere) {
    for (const auto& [w, h] : {std::pair{1920, 1080}, {1280, 1024}, {1024, 768}, {800, 600}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        const TPictureFit fit = FitPicture(1024, 768, w, h);
        // The corners and the middle of the drawn picture.
        EXPECT_EQ(AreaToPicture(fit, {fit.left, fit.top}), (TPlatformPoint{0, 0}));
        EXPECT_EQ(AreaToPicture(fit, {fit.left + fit.width - 1, fit.top + fit.height - 1}),
                  (TPlatformPoint{1023, 767}));
        const TPlatformPoint middle = AreaToPicture(fit, {w / 2, h / 2});
        EXPECT_NEAR(middle.x, 512, 1);
        EXPECT_NEAR(middle.y, 384, 1);
        // Each area column shows the picture column whose stretch of the
        // area, [left + i * scale, left + (i + 1) * scale), holds its centre.
        const double scale = double(fit.width) / 1024;
        for (int32_t x = fit.left; x < fit.left + fit.width; ++x) {
            const int32_t i = AreaToPicture(fit, {x, fit.top}).x;
            ASSERT_GE(i, 0);
            ASSERT_LT(i, 1024);
            EXPECT_LE(fit.left + i * scale, x + 0.5) << x;
            EXPECT_GT(fit.left + (i + 1) * scale, x + 0.5) << x;
        }
        // The bars lie outside the picture.
        if (fit.left > 0) {
            EXPECT_LT(AreaToPicture(fit, {fit.left - 1, h / 2}).x, 0);
            EXPECT_GE(AreaToPicture(fit, {fit.left + fit.width, h / 2}).x, 1024);
        }
        if (fit.top > 0) {
            EXPECT_LT(AreaToPicture(fit, {w / 2, fit.top - 1}).y, 0);
            EXPECT_GE(AreaToPicture(fit, {w / 2, fit.top + fit.height}).y, 768);
        }
    }
}

TEST(PictureFit, AnEmptyPictureOrAreaIsLeftAsItIs) {
    const int32_t sizes[][4] = {{0, 768, 1920, 1080}, {1024, 768, 0, 0}, {1024, -1, 800, 600}};
    for (const auto& size : sizes) {
        const TPictureFit fit = FitPicture(size[0], size[1], size[2], size[3]);
        EXPECT_EQ(fit.scale, 1.0);
        EXPECT_EQ(fit.left, 0);
        EXPECT_EQ(fit.top, 0);
        EXPECT_EQ(AreaToPicture(fit, {17, 9}), (TPlatformPoint{17, 9}));
    }
}

}  // namespace
