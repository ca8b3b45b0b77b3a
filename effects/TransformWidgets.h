// Transform widgets: decorating widgets that draw their inner widget through
// a cached picture, moved by a fraction of a pixel, zoomed, rotated, masked,
// cut to a sector, outlined or scrolled. The inner widget is drawn into the
// cache only when something marked the cache stale (a setter, a change the
// inner widget reported, the "need_to_repaint" property), so an unchanged
// transform widget costs one copy of its cache per drawing.
//
// Geometry: the cache's top-left corner is the widget's bounds corner. The
// zoom and rotate widgets keep the inner widget's centre point
// ("centerx"/"centery") on the widget's own position, and ScreenToClient
// maps a screen point back through the same transform, so the inner widget
// answers the mouse where it is seen. The smooth move and masked widgets
// expect their inner widget at (0, 0): they draw its snapshot from the
// cache's origin and map points without the inner widget's offset.
//
// Failures: nothing here raises out of Render, hit tests or setters. A cache
// larger than the image loader allows (16384 pixels a side, 2^26 pixels)
// draws nothing and logs one "WIDGET" line; so does a mask that is missing or
// no image. Reals from data convert with saturation (NaN gives 0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/Units.h"
#include "engine/surface/EngineSurface.h"
#include "widgets/DecorateWidgets.h"

// Not registered. Stored key "blendingmode" (an entry of kBlendingModeNames,
// always written; loading goes through SetBlendingMode). Property
// "need_to_repaint" (a Boolean; setting it only sets the flag).
class TTransformWidget : public TDecorateWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    // The cache (rebuilt first when stale) drawn with the widget's level and
    // blending mode, moved by AdjustDrawPosition. Nothing without an inner
    // widget.
    void Render(ISurface& surface, int32_t x, int32_t y) override;
    // Inside the bounds and over a cache pixel whose alpha is not 0.
    bool ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) override;
    // The widget's own hit gates the answer: the inner widget, asked at the
    // point mapped through the transform, where it answers; else the widget.
    Ref<IWidget> WidgetAt(int32_t x, int32_t y) override;
    // The inner widget's pass first: when it reported anything the cache is
    // invalidated, so the widget's old and new rectangles are repainted.
    void CollectDirtyRects(bool force, bool forceNew) override;
    // The decorating widget's mapping, then back through the draw offset and
    // TransformPoint.
    TPoint ScreenToClient(int32_t x, int32_t y) override;
    // The inner widget's reports only mark the cache stale; nothing reaches
    // the widget's own owner.
    void InvalidateRect(const TRect& rect) override;

    // A different mode marks the widget changed.
    void SetBlendingMode(uint8_t mode);
    uint8_t GetBlendingMode() const { return blendingMode_; }
    bool GetNeedToRepaint() const { return needToRepaint_; }
    void SetNeedToRepaint(bool value) { needToRepaint_ = value; }
    // The cached picture; null before the first drawing or hit test.
    const Ref<ISurface>& GetCache() const { return cache_; }

    // Draws the inner widget into the cache, which has been sized to the
    // bounds and cleared.
    virtual void TransformChild() = 0;
    // Moves the point where the cache's corner is drawn.
    virtual void AdjustDrawPosition(int32_t& x, int32_t& y) {
        (void)x;
        (void)y;
    }
    // A point relative to the drawn cache into the inner widget's owner
    // coordinates.
    virtual void TransformPoint(int32_t& x, int32_t& y) {
        (void)x;
        (void)y;
    }
    // Marks the widget changed and moved and the cache stale.
    virtual void InvalidateCache();

protected:
    // Makes, sizes and refreshes the cache; false when there is nothing to
    // draw (no inner widget, no engine, or a cache too large).
    bool UpdateCache();
    // A new transparent surface of that size from the engine; null without
    // an engine or when the size is beyond the limit (logged once per cause).
    Ref<ISurface> NewSurface(int32_t width, int32_t height);
    // One "WIDGET" line naming the widget.
    void LogProblem(const std::string& text);

private:
    static Variant NeedToRepaintProperty(TTransformWidget& widget);
    static void SetNeedToRepaintProperty(TTransformWidget& widget, const Variant& value);

    Ref<ISurface> cache_;
    bool needToRepaint_ = false;
    uint8_t blendingMode_ = bm_Normal;
    bool sizeLogged_ = false;  // the last refused size was logged
};

// "smooth_move_widget": a left or top set to a real keeps the whole part as
// the position and draws the picture shifted right and down by the
// fraction, rounded down to a multiple of "sampling_step" (0.25 by default;
// kept in [0, 1]; 0 turns rounding off). With "caching" on, one shifted
// picture per pair of fractions is kept (at most 16 by 16) and copied in
// place of a new shift. One pixel wider and taller than the inner widget.
// Stored keys "sampling_step" (always) and "caching" (when on); properties
// of the same names.
class TSmoothMoveWidget : public TTransformWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    void SetLeft(double value) override;
    void SetTop(double value) override;
    int32_t GetWidth() override;
    int32_t GetHeight() override;
    void TransformChild() override;
    void InvalidateCache() override;

    double QuantizeFraction(double fraction) const;
    // The fraction's place in the shift table; -1 when rounding is off.
    int32_t FractionIndex(double fraction) const;
    void SetSamplingStep(double step);
    double GetSamplingStep() const { return samplingStep_; }
    void SetCaching(bool value);
    bool GetCaching() const { return caching_; }
    double GetFractionX() const { return fractionX_; }
    double GetFractionY() const { return fractionY_; }
    // The shift table's side (0 without a table).
    int32_t GetShiftCacheSize() const { return shiftCacheSize_; }
    // Snapshots taken of the inner widget so far (for tests and benchmarks).
    int64_t GetSnapshotCount() const { return snapshots_; }

    // The largest shift table kept, per axis.
    static constexpr int32_t kMaxShiftCacheSize = 16;

protected:
    // The inner widget's snapshot, counted.
    Ref<ISurface> TakeSnapshot();
    void ResetShiftCache();

private:
    // One shifted picture and the fractions it was made for.
    struct TShifted {
        Ref<ISurface> picture;
        double fx = 0.0;
        double fy = 0.0;
    };

    double fractionX_ = 0.0;
    double fractionY_ = 0.0;
    double samplingStep_ = 0.25;
    bool caching_ = false;
    int32_t shiftCacheSize_ = 0;
    std::vector<TShifted> shiftCache_;  // [ix * size + iy]
    int64_t snapshots_ = 0;
};

// "zoom_widget": scales by "zoomx" and "zoomy" (setters keep the magnitude
// above 0.01; a negative factor mirrors) about the inner widget's point
// ("centerx", "centery"), which stays at the widget's position. Zoom 1 by 1
// draws through the smooth move's shift. Stored keys "smooth", "zoom" (or
// "zoomx" and "zoomy" when they differ), "centerx", "centery"; the same
// names are properties ("zoom" sets both).
class TZoomWidget : public TSmoothMoveWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void Create() override;
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    double GetDrawLeft() override;
    double GetDrawTop() override;
    int32_t GetWidth() override;
    int32_t GetHeight() override;
    void AdjustDrawPosition(int32_t& x, int32_t& y) override;
    void TransformPoint(int32_t& x, int32_t& y) override;
    void TransformChild() override;

    virtual void SetZoomX(double value);
    virtual void SetZoomY(double value);
    virtual void SetCenterX(double value);
    virtual void SetCenterY(double value);
    virtual void UpdateGeometry() {}
    void SetSmooth(bool value);

    float GetZoomX() const { return zoomX_; }
    float GetZoomY() const { return zoomY_; }
    float GetCenterX() const { return centerX_; }
    float GetCenterY() const { return centerY_; }
    bool GetSmooth() const { return smooth_; }

    // How the last rebuild drew (for tests).
    enum class TDrawPath { kNone, kShift, kScaled, kRotated };
    TDrawPath GetLastDrawPath() const { return lastPath_; }

protected:
    void SetLastDrawPath(TDrawPath path) { lastPath_ = path; }
    int32_t InnerWidth();
    int32_t InnerHeight();

private:
    static void SetZoomProperty(TZoomWidget& widget, const Variant& value);
    // The distance, in cache pixels, from the cache's corner to the centre
    // point: |zoom| times the centre, counted from the far edge when the
    // factor mirrors.
    int32_t AnchorX();
    int32_t AnchorY();

    float zoomX_ = 1.0f;
    float zoomY_ = 1.0f;
    float centerX_ = 0.0f;
    float centerY_ = 0.0f;
    bool smooth_ = false;
    TDrawPath lastPath_ = TDrawPath::kNone;
};

// "rotate_widget": turns by "angle" degrees about the centre point as well;
// its bounds are a square that holds the inner widget at any angle. 0 and
// 360 draw without the rotation kernel. Stored key and property "angle".
class TRotateWidget : public TZoomWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    double GetDrawLeft() override;
    double GetDrawTop() override;
    int32_t GetWidth() override;
    int32_t GetHeight() override;
    void AdjustDrawPosition(int32_t& x, int32_t& y) override;
    void TransformPoint(int32_t& x, int32_t& y) override;
    void TransformChild() override;
    void InvalidateCache() override;
    void SetCenterX(double value) override;
    void SetCenterY(double value) override;
    void UpdateGeometry() override;

    void SetAngle(double value);
    double GetAngle() const { return angle_; }
    double GetRadius() const { return radius_; }

protected:
    void StoreAngle(double value) { angle_ = value; }

private:
    double angle_ = 0.0;
    double radius_ = 0.0;
    double offsetX_ = 0.0;
    double offsetY_ = 0.0;
};

// "rotate_widget_timed": with "rotate" on, the angle is "startangle" less
// 360 degrees per "rotationtime" ms of age (a time of 0 or less does not
// turn). Stored keys "rotate", "startangle", "rotationtime" (1000 when
// absent; 0 when made by name); properties of the same names only store.
class TTimedRotateWidget : public TRotateWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void DoUpdate(int32_t elapsedMs) override;

private:
    bool rotate_ = false;
    double startAngle_ = 0.0;
    int32_t rotationTime_ = 0;
};

// "masked_widget": the inner widget's picture only where the image resource
// "resourcename" has a pixel whose alpha is not 0, from the top-left corners
// (a hard cut). The mask is looked up at every rebuild. Stored key
// "resourcename" (always written); no property of its own.
class TMaskedSurfaceWidget : public TTransformWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    int32_t GetWidth() override;
    int32_t GetHeight() override;
    void TransformChild() override;

    const std::string& GetResourceName() const { return resourceName_; }

private:
    std::string resourceName_;
    bool maskLogged_ = false;  // the missing mask was logged
};

// "cutsector_widget": every pixel whose direction from ("centerx",
// "centery") lies in ["startangle", "endangle") degrees, clockwise on the
// screen from the right, is cleared. Stored keys and properties of the four
// names, always written.
class TCutSectorWidget : public TTransformWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    int32_t GetWidth() override;
    int32_t GetHeight() override;
    double GetDrawLeft() override;
    double GetDrawTop() override;
    void AdjustDrawPosition(int32_t& x, int32_t& y) override;
    void TransformChild() override;

    void SetCenterX(double value);
    void SetCenterY(double value);
    void SetStartAngle(double value);
    void SetEndAngle(double value);
    float GetCenterX() const { return centerX_; }
    float GetCenterY() const { return centerY_; }
    float GetStartAngle() const { return startAngle_; }
    float GetEndAngle() const { return endAngle_; }

    // Whether the direction (dx, dy) lies in the sector: its arctangent in
    // degrees, moved by 360 as the sector's start requires.
    bool InSector(float dx, float dy) const;
    // Clears the pixels InSector names, exactly those, without an
    // arctangent for the pixels clearly away from the sector's edges.
    void ClearSector(ISurface& surface) const;

private:
    float centerX_ = 0.0f;
    float centerY_ = 0.0f;
    float startAngle_ = 0.0f;
    float endAngle_ = 0.0f;
};

// "contour_widget": the inner widget with an outline of "contourcolor"
// reaching "contourthickness" pixels (at most kMaxContourThickness) from
// every pixel whose alpha is above "alphalimit"; the widget grows by the
// thickness on every side. "showcontour" off draws the inner widget alone.
// Stored keys and properties of the four names, always written.
class TContourWidget : public TTransformWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    int32_t GetWidth() override;
    int32_t GetHeight() override;
    TRect GetBounds() override;
    double GetDrawLeft() override;
    double GetDrawTop() override;
    void AdjustDrawPosition(int32_t& x, int32_t& y) override;
    void TransformChild() override;

    void SetShowContour(bool value);
    void SetContourThickness(int32_t value);
    void SetAlphaLimit(int32_t value);
    // A different colour marks the widget changed and repaints the cache.
    void SetContourColor(uint32_t value);
    bool GetShowContour() const { return showContour_; }
    int32_t GetContourThickness() const { return thickness_; }
    int32_t GetAlphaLimit() const { return alphaLimit_; }
    uint32_t GetContourColor() const { return contourColor_; }

    // Thicker outlines cost (2T+1)^2 per boundary pixel and grow the cache
    // by 2T: data asks for at most this.
    static constexpr int32_t kMaxContourThickness = 64;

private:
    static void SetColorProperty(TContourWidget& widget, const Variant& value);
    // The thickness in use: the stored one within [.., kMaxContourThickness].
    int32_t Thickness() const;
    void TraceContour(const ISurface& traced, ISurface& cache) const;
    void PlotContour(const ISurface& traced, ISurface& cache, int32_t x, int32_t y) const;
    void PaintContourPixel(const ISurface& traced, ISurface& cache, double coverage, int32_t x,
                           int32_t y) const;

    bool showContour_ = true;
    uint32_t contourColor_ = 0;
    int32_t thickness_ = 1;
    int32_t alphaLimit_ = 0;
};

// "scrollarea_widget": a "width" by "height" window onto the inner widget,
// which is drawn "shiftleft" and "shifttop" pixels up and left. Stored keys
// "width" and "height" (always), "shiftleft" and "shifttop" (when not 0);
// properties of the four names.
class TScrollAreaWidget : public TTransformWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    int32_t GetWidth() override { return width_; }
    int32_t GetHeight() override { return height_; }
    void TransformChild() override;
    void TransformPoint(int32_t& x, int32_t& y) override;

    virtual void SetAreaWidth(int32_t value);
    virtual void SetAreaHeight(int32_t value);
    void SetShiftLeft(int32_t value);
    void SetShiftTop(int32_t value);
    int32_t GetShiftLeft() const { return shiftLeft_; }
    int32_t GetShiftTop() const { return shiftTop_; }

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t shiftTop_ = 0;
    int32_t shiftLeft_ = 0;
};

// "smooth_move_widget", "zoom_widget", "rotate_widget", "rotate_widget_timed",
// "masked_widget", "cutsector_widget", "contour_widget", "scrollarea_widget".
void RegisterTransformWidgetClasses();
inline constexpr TUnit kTransformWidgetsUnit = {"TransformWidgets", RegisterTransformWidgetClasses,
                                                nullptr};
