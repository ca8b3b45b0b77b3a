// What the particle and curve tests share: a sprite leaf that covers its
// rectangle with its "color" ("part_test_sprite", the widget tests' colour
// leaf), reading particles and pixels, and building function objects.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/object/GeneralClasses.h"
#include "core/storage/XMLStorage.h"
#include "effects/ParticlesStochastic.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/WidgetUtils.h"

namespace particletest {

inline void RegisterSprite() {
    if (!FindRegisteredClass("part_test_sprite")) {
        RegisterObjectClass(ClassOf<widgettest::TTestWidget>(), "part_test_sprite");
    }
}

// A sprite element: a w by h leaf of one colour at (x, y).
inline std::string Sprite(int w, int h, const std::string& color = "$FFFFFFFF", int x = 0,
                          int y = 0, const std::string& name = "") {
    return R"(<widget type="part_test_sprite" name=")" + name + R"(" visible="yes" width=")" +
           std::to_string(w) + R"(" height=")" + std::to_string(h) + R"(" anchor_left=")" +
           std::to_string(x) + R"(" anchor_top=")" + std::to_string(y) + R"(" color=")" + color +
           R"("/>)";
}

inline uint32_t PixelOf(const Ref<ISurface>& surface, int32_t x, int32_t y) {
    uint32_t pixel = 0;
    surface->GetPixel(x, y, pixel);
    return pixel;
}

// The storage text an object saves, under a root element "widget".
inline std::string SavedText(const Ref<IInterface>& object) {
    return WidgetToXMLText(object);
}

template <class T>
T* As(const Ref<IWidget>& widget) {
    return dynamic_cast<T*>(widget.get());
}

inline const TStochasticParticle& Stochastic(const TParticleSystem& system, size_t index) {
    return static_cast<const TStochasticParticle&>(*system.Particles()[index]);
}

}  // namespace particletest
