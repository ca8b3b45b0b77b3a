#include "effects/ParticlesCommon.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/base/Log.h"
#include "core/base/Random.h"
#include "functions/ParamSpaces.h"

namespace {

int32_t Clamp32(int64_t value) {
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

}  // namespace

int32_t RandomSigned(int32_t n) {
    if (n >= 0) return Random(n);
    // -n does not exist for the lowest value; one less is as good a bound.
    const int32_t bound =
        n == std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::max() : -n;
    return -Random(bound);
}

Ref<IFunction> LoadChildFunction(const Ref<IHierStorage>& storage) {
    if (!storage || storage->GetChildCount("function") == 0) return nullptr;
    Ref<IFunction> function = Query<IFunction>(CreateTypedChildObject(storage, "function", 0));
    if (!function) {
        const Ref<IHierStorage> node = storage->GetChild("function", 0);
        Log("WIDGET", node->GetPath() + ": the type \"" + ReadString(node, "type", "") +
                          "\" makes no function object; the particles have none");
    }
    return function;
}

TRect PlaceRect(int64_t left, int64_t top, int64_t width, int64_t height) {
    return {Clamp32(left), Clamp32(top), Clamp32(left + width), Clamp32(top + height)};
}

TRect MoveRect(const TRect& rect, int64_t dx, int64_t dy) {
    return {Clamp32(rect.left + dx), Clamp32(rect.top + dy), Clamp32(rect.right + dx),
            Clamp32(rect.bottom + dy)};
}

TRect UniteRect(const TRect& a, const TRect& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

void WriteCell(const TFloatMatrix& values, int32_t column, int32_t row, double value) {
    if (TFloatType* cell = CellAt(values, column, row)) *cell = NarrowToCell(value);
}

int32_t PictureIndexOf(const TFloatMatrix& values) {
    if (RowCount(values, 0) < 4) return -1;
    const double index = ReadCell(values, 0, 3);
    if (!std::isfinite(index)) return -1;
    return RoundInt(index);
}

TRect TableParticleRect(const TFloatMatrix& values, int64_t x, int64_t y, int32_t width,
                        int32_t height) {
    return PlaceRect(x - width / 2 + RoundInt(ReadCell(values, 0, 1)),
                     y - height / 2 + RoundInt(ReadCell(values, 0, 2)), width, height);
}

void DrawTableParticle(ISurface& surface, int32_t x, int32_t y, const TFloatMatrix& values,
                       ISurface& picture, uint8_t drawMode, uint8_t blendingMode, uint8_t level) {
    const int32_t w = picture.GetWidth();
    const int32_t h = picture.GetHeight();
    const TRect source{0, 0, w, h};
    const TRect destination = TableParticleRect(values, x, y, w, h);
    const uint32_t alpha = ClampChannel(ReadCell(values, 0, 7));
    if (drawMode == kDrawModeCopyRect) {
        surface.Draw(&picture, source, destination, uint8_t(alpha * level / 256),
                     TBlendingMode(blendingMode));
        return;
    }
    const uint32_t color = alpha << 24 | uint32_t(ClampChannel(ReadCell(values, 0, 4))) << 16 |
                           uint32_t(ClampChannel(ReadCell(values, 0, 5))) << 8 |
                           ClampChannel(ReadCell(values, 0, 6));
    surface.DrawColored(color, &picture, source, destination, level, TBlendingMode(blendingMode));
}
