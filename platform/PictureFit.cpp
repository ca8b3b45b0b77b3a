#include "platform/PictureFit.h"

#include <algorithm>
#include <cmath>

TPictureFit FitPicture(int32_t pictureWidth, int32_t pictureHeight, int32_t areaWidth,
                       int32_t areaHeight) {
    TPictureFit fit;
    fit.width = pictureWidth;
    fit.height = pictureHeight;
    if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return fit;
    fit.scale = std::min(double(areaWidth) / pictureWidth, double(areaHeight) / pictureHeight);
    // The drawn size never exceeds the area, whatever the rounding.
    fit.width = std::min<int32_t>(areaWidth, int32_t(std::lround(pictureWidth * fit.scale)));
    fit.height = std::min<int32_t>(areaHeight, int32_t(std::lround(pictureHeight * fit.scale)));
    fit.left = (areaWidth - fit.width) / 2;
    fit.top = (areaHeight - fit.height) / 2;
    return fit;
}

TPlatformPoint AreaToPicture(const TPictureFit& fit, TPlatformPoint point) {
    if (fit.scale <= 0) return point;
    // The pixel whose drawn area holds the point's pixel centre, as the
    // scaled drawing fills it.
    return {int32_t(std::floor((point.x + 0.5 - fit.left) / fit.scale)),
            int32_t(std::floor((point.y + 0.5 - fit.top) / fit.scale))};
}
