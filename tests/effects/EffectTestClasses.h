// The effect tests' own classes: a widget that shows the surface handed to
// its property "surface" ("test_surface_widget"), the stand-in for the
// picture widgets an effect's inner tree draws a snapshot with; and the
// widget tests' "test_widget".
#pragma once

#include "core/object/GeneralClasses.h"
#include "engine/surface/EngineSurface.h"
#include "tests/widgets/WidgetTestClasses.h"
#include "widgets/WidgetClasses.h"

namespace effecttest {

// The size of its surface (0 without one); draws it whole at its place.
class TTestSurfaceWidget : public TVisualWidget {
public:
    static const TPropertyTable& Table() {
        using S = TTestSurfaceWidget;
        static const TPropertyTable table = TPropertyTable::Builder<S>(TVisualWidget::Table())
                                                .Custom("surface", &S::Get, &S::Set)
                                                .Build();
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    int32_t GetWidth() override { return surface_ ? surface_->GetWidth() : 0; }
    int32_t GetHeight() override { return surface_ ? surface_->GetHeight() : 0; }
    void Render(ISurface& surface, int32_t x, int32_t y) override {
        ++renders;
        if (!surface_) return;
        const int32_t w = surface_->GetWidth(), h = surface_->GetHeight();
        surface.Draw(surface_.get(), {0, 0, w, h}, {x, y, x + w, y + h}, GetTransparentLevel(),
                     bm_Normal);
    }

    const Ref<ISurface>& Surface() const { return surface_; }
    int renders = 0;

private:
    static Variant Get(TTestSurfaceWidget& widget) { return Variant(widget.surface_); }
    static void Set(TTestSurfaceWidget& widget, const Variant& value) {
        widget.surface_ = Query<ISurface>(value.ToInterface());
        widget.SetMoved(true);
    }

    Ref<ISurface> surface_;
};

inline void RegisterTestClasses() {
    RegisterObjectClass(ClassOf<TTestSurfaceWidget>(), "test_surface_widget");
}

inline constexpr TUnit kEffectTestUnits[] = {{"EffectTestClasses", RegisterTestClasses, nullptr}};

}  // namespace effecttest
