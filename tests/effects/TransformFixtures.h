// Fixtures of the transform widget tests: a transform widget loaded as the
// screen's root around a "test_surface_widget" that shows a picture made by
// the test, pictures whose colours name their own coordinates, and readers
// of the cache.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "effects/TransformWidgets.h"
#include "engine/surface/EngineSurface.h"
#include "tests/effects/EffectTestClasses.h"
#include "tests/support/WidgetHarness.h"

namespace effecttest {

using TPictureFn = std::function<uint32_t(int, int)>;

inline Ref<TSurface> MakePicture(int width, int height, const TPictureFn& pixel) {
    Ref<TSurface> surface = MakeRef<TSurface>();
    surface->SetTransparent(true);
    surface->SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) surface->SetPixel(x, y, pixel(x, y));
    }
    return surface;
}

// An opaque pixel whose red and green are its own x and y (below 256) and
// whose blue marks it as drawn from the picture.
inline uint32_t Coded(int x, int y) {
    return 0xFF000080u | uint32_t(x & 255) << 16 | uint32_t(y & 255) << 8;
}
inline bool IsCoded(uint32_t pixel) {
    return (pixel & 0xFFu) == 0x80u && (pixel >> 24) == 255;
}
inline int CodedX(uint32_t pixel) {
    return int((pixel >> 16) & 255);
}
inline int CodedY(uint32_t pixel) {
    return int((pixel >> 8) & 255);
}

template <class W>
struct TTransformFixture {
    Ref<W> widget;
    Ref<TTestSurfaceWidget> inner;
};

// type with attrs, holding a visible "test_surface_widget" named "inner"
// (innerAttrs added to it) that shows a width by height picture; the
// screen's root. One frame has run, so the widget knows the picture's size.
template <class W>
TTransformFixture<W> LoadTransform(TWidgetHarness& screen, const std::string& type,
                                   const std::string& attrs, int width, int height,
                                   const TPictureFn& pixel, const std::string& innerAttrs = "") {
    const std::string xml = "<widget type=\"" + type + "\" visible=\"yes\" " + attrs +
                            "><widgets><widget type=\"test_surface_widget\" visible=\"yes\" "
                            "name=\"inner\" " +
                            innerAttrs + "/></widgets></widget>";
    TTransformFixture<W> fixture;
    fixture.widget = Query<W>(screen.Load(xml));
    EXPECT_TRUE(fixture.widget) << xml;
    if (!fixture.widget) return fixture;
    fixture.inner = Query<TTestSurfaceWidget>(fixture.widget->GetInnerWidget());
    EXPECT_TRUE(fixture.inner);
    if (!fixture.inner) return fixture;
    fixture.inner->SetProperty("surface",
                               Variant(Ref<ISurface>(MakePicture(width, height, pixel))));
    screen.Step(1);
    return fixture;
}

// The cache pixel under a point of the owner's coordinates (the screen's,
// for a root), 0 outside the cache.
inline uint32_t CacheAt(TTransformWidget& widget, int32_t x, int32_t y) {
    const TRect bounds = widget.GetBounds();
    uint32_t pixel = 0;
    if (widget.GetCache()) widget.GetCache()->GetPixel(x - bounds.left, y - bounds.top, pixel);
    return pixel;
}

// Every channel within 2: a picture drawn onto the screen in the normal
// blend at full level loses up to a step per channel.
inline bool Near(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int d = int((a >> shift) & 255) - int((b >> shift) & 255);
        if (d > 2 || d < -2) return false;
    }
    return true;
}

// Draws the widget's cache afresh (as a frame would).
inline void Redraw(TTransformWidget& widget) {
    TSurface target;
    target.SetTransparent(true);
    target.SetSize(8, 8);
    widget.Render(target, 0, 0);
}

}  // namespace effecttest
