// "curve_widget": a curve drawn by stamping a small picture, the brush (the
// snapshot of the widget's first child, which is never drawn as a widget),
// every "draw_shift" pixels along a motion path (the child "function"), onto
// a surface of the widget's own that is redrawn only when something changed.
// With "smooth" on the pen's points go through an antialiaser and the brush
// is stamped with an alpha that follows the coverage; with "stepping" on the
// curve is drawn progressively over "drawtime" milliseconds, forward or
// backward ("stepping_direction" 1 or -1).
//
// The path's coordinates are those of the widget's owner's content: the
// widget's bounds are the path's bounds grown by the brush's size and one
// pixel, limited to (0, 0)-(800, 600); its own position does not move the
// curve.
//
// Stored keys (all always written): "curve_time" (the lifetime, 100000 ms),
// "draw_shift" (1.0), "smooth" (yes), "stepping" (no), "drawtime" (1000),
// "drawmode" ("fillcolor": the brush's shape in "fillcolor"; "copyrect": the
// brush as it is), "blendingmode" ("normal"), "fillcolor" ($FFFFFFFF), then
// the child "function". Properties: "fillcolor", "drawmode" (set: 0 for
// "copyrect", else 1), "state" (read only: 1 once a stepping drawing has run
// past its end, or without stepping), "stepping_direction" and "currentT"
// (set only).
//
// Failures: without a path, a brush or with a "draw_shift" that is not above
// 0 nothing is drawn, the bounds are empty and no point is contained. A
// curve stamps at most kMaxCurvePoints + 1 points whatever its length and
// "draw_shift". Property values that do not convert are ignored.
#pragma once

#include <cstdint>
#include <memory>

#include "effects/Antialiaser.h"
#include "functions/PathFunctionClasses.h"
#include "widgets/GroupWidgets.h"

// The most points a curve is divided into.
inline constexpr int32_t kMaxCurvePoints = 100000;

class ICurveWidget : public virtual IInterface {
public:
    virtual Ref<IPathFunction> GetFunction() = 0;
    // Keeps the path (null for none), prepares it and marks the curve for
    // redrawing.
    virtual void SetFunction(const Ref<IPathFunction>& function) = 0;
    // Prepares the path again and marks the curve for redrawing.
    virtual void RestartCurve() = 0;
    virtual void SetDrawShift(float value) = 0;
};

class TCurveWidget : public TGroupWidget, public virtual ICurveWidget {
public:
    TCurveWidget();
    ~TCurveWidget() override;

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    // The children and the keys, then the path from the child "function".
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    void ClearContent() override;

    // The brush is the first child; the curve is drawn anew; stepping starts
    // forward. The progress ("currentT") is kept.
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;

    // ICurveWidget
    Ref<IPathFunction> GetFunction() override { return function_; }
    void SetFunction(const Ref<IPathFunction>& function) override;
    void RestartCurve() override;
    void SetDrawShift(float value) override;

    // The path's bounds grown by the brush, limited to (0, 0)-(800, 600),
    // worked out again whenever the curve is to be redrawn; empty at (0, 0)
    // without the pieces.
    TRect GetBounds() override;
    double GetDrawLeft() override { return GetBounds().left; }
    double GetDrawTop() override { return GetBounds().top; }
    int32_t GetWidth() override { return int32_t(GetBounds().Width()); }
    int32_t GetHeight() override { return int32_t(GetBounds().Height()); }
    // The curve surface, redrawn first when needed; the children are not
    // drawn.
    void Render(ISurface& surface, int32_t x, int32_t y) override;
    // Whether the curve surface's pixel at the point is not transparent.
    bool ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) override;
    // The group's step, then the stepping.
    void DoUpdate(int32_t elapsedMs) override;

    // Rebuilds the curve surface when it is marked for redrawing.
    void RedrawCurve();

    uint8_t GetState() const { return state_; }
    double GetCurrentT() const { return currentT_; }
    int32_t GetStepDirection() const { return direction_; }
    int32_t GetDrawnCount() const { return drawnCount_; }
    int32_t GetPointCount() const { return pointCount_; }
    bool GetNeedsRedraw() const { return needsRedraw_; }
    float GetDrawShift() const { return drawShift_; }
    const Ref<ISurface>& GetCurveSurface() const { return curveSurface_; }
    // Brush stamps of the last redraw.
    int32_t GetStampCount() const { return stamps_; }

private:
    // Whether the path, the brush and a usable draw_shift are there.
    bool HasPieces();
    // round(length / draw_shift), at most kMaxCurvePoints; 0 without the
    // pieces or for a length that is not finite.
    int32_t CountPoints();
    void StepCurve(int32_t elapsedMs);
    void SetDrawnCount(int32_t count);
    void StampBrush(ISurface* brush, ISurface* target, int32_t x, int32_t y, uint8_t alpha);
    void AntialiasStamp(int32_t x, int32_t y, double coverage, ISurface* target);

    static Variant FillColorProperty(TCurveWidget& widget);
    static void SetFillColorProperty(TCurveWidget& widget, const Variant& value);
    static Variant DrawModeProperty(TCurveWidget& widget);
    static void SetDrawModeProperty(TCurveWidget& widget, const Variant& value);
    static Variant StateProperty(TCurveWidget& widget);
    static void SetSteppingDirectionProperty(TCurveWidget& widget, const Variant& value);
    static void SetCurrentTProperty(TCurveWidget& widget, const Variant& value);
    int32_t CurveTime() { return GetTimeToLive(); }
    void SetCurveTime(int32_t value) { SetTimeToLive(value); }

    Ref<ISurface> curveSurface_;
    Ref<ISurface> brushPicture_;  // held during a redraw
    int32_t brushLeft_ = 0;       // the brush's place, taken with its picture
    int32_t brushTop_ = 0;
    bool needsRedraw_ = false;
    Ref<IPathFunction> function_;
    Weak<IWidget> brush_;  // the first child, held by the child list
    float drawShift_ = 0.0f;
    uint32_t fillColor_ = 0;
    std::unique_ptr<TAntialiaser> antialiaser_;
    int32_t drawnWidth_ = 0;
    int32_t drawnHeight_ = 0;
    TRect bounds_;
    bool smooth_ = false;
    uint8_t state_ = 0;
    bool stepping_ = false;
    int32_t drawTime_ = 0;
    int32_t drawnCount_ = 0;
    int32_t pointCount_ = 0;
    double currentT_ = 0.0;
    int32_t direction_ = 0;
    uint8_t drawMode_ = 0;
    uint8_t blendingMode_ = 0;
    bool functionBound_ = false;
    int32_t stamps_ = 0;
};
