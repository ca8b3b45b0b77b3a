// Rectangle and motion widgets: a filled rectangle of one colour
// ("rect_widget"), a surface widget that travels in a straight line from a
// start point to an end point over its lifetime while its transparency goes
// from a start level to an end level, then dies ("move_widget"), and one
// that travels along an arc about a centre instead ("circular_motion_widget").
//
// Positions are in the owner's content coordinates; times are the widget's
// age and "timetolive" in milliseconds.
//
// Failures: none raised. A stored number that does not convert keeps the
// value before it (logged); a move widget without a lifetime stays at its
// start point and level and dies at its first step of time.
#pragma once

#include <cstdint>

#include "engine/surface/EngineSurface.h"
#include "widgets/SurfaceWidgets.h"

// Covers its rectangle with "color" at the opacity level × the colour's
// alpha / 255. Stored key "color" (always written); the property "color"
// takes a colour in its stored text form and cannot be read.
class TRectWidget : public TSingleWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void Render(ISurface& surface, int32_t x, int32_t y) override;

    uint32_t GetColor() const { return color_; }
    // A different colour is stored and marks the widget changed.
    void SetColor(uint32_t value);

private:
    static void SetColorProperty(TRectWidget& widget, const Variant& value);

    uint32_t color_ = 0;
    Ref<TSurface> scratch_;  // an opaque picture of the widget's size to paint through
};

// Read from data ("startposx", "startposy", "start_trans_level", "endposx",
// "endposy", "end_trans_level"; a value that is absent or no number keeps the
// one before) but never written back. The four positions are write-only
// properties; the levels cannot be set by name. The widget stands at its
// start point and level once created or loaded.
class TMoveWidget : public TSurfaceWidget {
public:
    void Create() override;
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The widget's step; then, from age 0 (a negative age waits), the place
    // and level for the age, or death once the age has passed the lifetime.
    void DoUpdate(int32_t elapsedMs) override;
    // The place for the current age (the step is not used here).
    virtual void ApplyMotion(int32_t elapsedMs);

    uint8_t GetStartTransLevel() const { return startTransLevel_; }
    uint8_t GetEndTransLevel() const { return endTransLevel_; }

protected:
    // Places the widget at its start point without marking a move.
    void PlaceAtStart();

    uint8_t startTransLevel_ = 255;
    uint8_t endTransLevel_ = 255;
    int32_t startPosX_ = 0;
    int32_t startPosY_ = 0;
    int32_t endPosX_ = 0;
    int32_t endPosY_ = 0;
};

// Travels from the start point to the end point along an arc about
// ("centerx", "centery"; read from data, 0 when absent), the radius changing
// evenly from the start point's distance to the end point's. A start in the
// left half crosses the line left of the centre, one in the right half
// sweeps through the right; a growing angle turns clockwise on the screen.
class TCircularMotionWidget : public TMoveWidget {
public:
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void ApplyMotion(int32_t elapsedMs) override;

private:
    int32_t centerX_ = 0;
    int32_t centerY_ = 0;
};
