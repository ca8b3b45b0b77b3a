// Surface widgets: a rectangle cut from a drawing surface that the program
// hands the widget at run time ("surface_widget"), copied or painted in a
// fill colour through its alpha; and a live copy of another widget found by
// path ("linked_surface_widget"), snapshotted afresh every frame.
//
// Failures: a "surface" value that is no surface leaves none (the widget
// then draws nothing and has size 0); a linked path that finds nothing
// leaves the last picture. Property values that do not convert are refused
// and logged.
#pragma once

#include <cstdint>
#include <string>

#include "widgets/WidgetClasses.h"

// Stored keys "drawmode" ("/copyrect/fillcolor", written only for
// fillcolor) and "fillcolor" (always written); the surface, size and shifts
// are never stored. Properties "surface", "drawmode", "fillcolor", "width",
// "height", "shiftleft" and "shifttop" (a different size or shift marks the
// widget moved; a different mode or colour marks it changed).
class TSurfaceWidget : public TVisualWidget {
public:
    enum : uint8_t { kDrawCopyRect = 0, kDrawFillColor = 1 };

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // Drops the surface, then the widget's Detach.
    void Detach() override;
    int32_t GetWidth() override { return width_; }
    int32_t GetHeight() override { return height_; }
    // (shiftleft, shifttop) plus the size of the surface, at (x, y), with the
    // widget's transparency and the normal blend; nothing without a surface.
    void Render(ISurface& surface, int32_t x, int32_t y) override;

    // The surface when value holds one, else none; the shifts return to 0,
    // the size becomes the surface's (0 without one) and the widget is
    // marked moved.
    virtual void SetSurface(const Variant& value);
    const Ref<ISurface>& GetSurface() const { return surface_; }
    uint8_t GetDrawMode() const { return drawMode_; }
    uint32_t GetFillColor() const { return fillColor_; }
    int32_t GetShiftLeft() const { return shiftLeft_; }
    int32_t GetShiftTop() const { return shiftTop_; }

private:
    static void SetSurfaceProperty(TSurfaceWidget& widget, const Variant& value);
    static void SetFillColorProperty(TSurfaceWidget& widget, const Variant& value);
    static void SetDrawModeProperty(TSurfaceWidget& widget, const Variant& value);
    // Stores a different value and marks the widget moved.
    void SetGeometry(int32_t& field, int32_t value);
    void SetWidthValue(int32_t value) { SetGeometry(width_, value); }
    void SetHeightValue(int32_t value) { SetGeometry(height_, value); }
    void SetShiftLeft(int32_t value) { SetGeometry(shiftLeft_, value); }
    void SetShiftTop(int32_t value) { SetGeometry(shiftTop_, value); }

    Ref<ISurface> surface_;
    uint8_t drawMode_ = kDrawCopyRect;
    uint32_t fillColor_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t shiftTop_ = 0;
    int32_t shiftLeft_ = 0;
};

// Each frame shows a fresh snapshot of the widget at "linked_widget_name" (a
// path as FindWidget takes it, searched from this widget; stored when not
// empty, and a property). An empty path links nothing. A path that finds
// the widget itself or one of its owners is refused: one log line per path,
// and the surface stays as it was.
class TLinkedSurfaceWidget : public TSurfaceWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The widget's step, then the linked widget's snapshot as the surface.
    void DoUpdate(int32_t elapsedMs) override;

    const std::string& GetLinkedWidgetName() const { return linkedWidgetName_; }

private:
    std::string linkedWidgetName_;
    // The last path refused, so that it is logged once.
    std::string refusedLink_;
};
