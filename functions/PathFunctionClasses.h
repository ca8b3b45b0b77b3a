// Motion paths: function objects that turn a time in milliseconds into a
// position in pixels.
//
// Every path reads its cells by position, whatever its definitions are
// called; the standard names are those the builders and the data use:
//   (0, 0) "X", (0, 1) "Y"    outputs: the position
//   (1, 0) "T"                input: the time
//   (2, 0) "X1", (2, 1) "Y1"  start point
//   (2, 2) "X2", (2, 3) "Y2"  end point
//   (2, 4) "TotalTime"        duration, cut to whole milliseconds
//   (2, 5) "Length"           computed by Prepare
// Arc: (2, 6) "centerX", (2, 7) "centerY", (4, 0) "clockwise"; Prepare computes
// (3, 0) "start_radius", (3, 1) "end_radius", (3, 2) "beginAngle" and
// (3, 3) "endAngle". Accelerated segment: (2, 6) the starting speed (px/ms),
// (2, 7) the acceleration (px/ms^2). Bezier: (2, 6)/(2, 7) and (2, 8)/(2, 9)
// the control points.
//
// A client binds a path (usually with no owner), prepares it (lengths, the
// arc's radii and angles, the composite's total time exist only afterwards,
// and again after the end points change), then per frame calls CalculateAt
// and reads GetX and GetY. A looping path ("loop" = "yes") wraps the time
// around its total time; without looping, times past the end continue the
// motion beyond the end point.
//
// Failures: nothing raises. Looping with a total time below 1 acts as no
// loop. A zero total time or length gives infinite or NaN positions; clients
// convert positions with the saturating helpers.
#pragma once

#include <cstdint>
#include <vector>

#include "core/base/Rect.h"
#include "core/base/SafeConvert.h"
#include "functions/FunctionClasses.h"

class IPathFunction : public virtual IFunction {
public:
    // Cell (2, 4) cut toward zero.
    virtual int32_t GetTotalTime() = 0;
    // Cell (2, 5).
    virtual double GetLength() = 0;
    virtual void GetBounds(TRect& rect) = 0;
    // Outputs 0 and 1.
    virtual double GetX() = 0;
    virtual double GetY() = 0;
    // Input "T" := t, then Calculate.
    virtual void CalculateAt(int32_t t) = 0;
};

// The base of every path; stores "loop" (written only when on).
class TAbstractPathFunction : public TFunction, public virtual IPathFunction {
public:
    // Final, so that composites call them directly.
    int32_t GetTotalTime() final { return TotalTime(Cells()); }
    double GetLength() override { return Cell(2, 5); }
    // All four sides 0 here.
    void GetBounds(TRect& rect) override { rect = {}; }
    double GetX() final { return *Cells().x; }
    double GetY() final { return *Cells().y; }
    void CalculateAt(int32_t t) final {
        *Cells().writeT = TFloatType(t);
        Calculate();
    }

    // Length := CalculateLength.
    void CalculateStatics() override;
    // 0 here.
    virtual double CalculateLength() { return 0; }

    bool GetLoop() const { return loop_; }

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

protected:
    // The cells the per-frame steps use, taken from the table when it was
    // last built. A position without a cell reads a 0 that no write
    // changes; writes to it go to a cell nothing reads.
    struct TPathCells {
        const TFloatType* t;
        const TFloatType* x;
        const TFloatType* y;
        const TFloatType* column2[10];  // X1, Y1, X2, Y2, TotalTime, Length, (2, 6) .. (2, 9)
        TFloatType* writeT;
        TFloatType* writeX;
        TFloatType* writeY;
    };
    const TPathCells& Cells() {
        if (cellsGeneration_ != Space().Generation()) TakeCells();
        return cells_;
    }
    void SetPosition(double x, double y) {
        const TPathCells& cells = Cells();
        *cells.writeX = NarrowToCell(x);
        *cells.writeY = NarrowToCell(y);
    }

    // Cell (2, 4) cut toward zero.
    static int32_t TotalTime(const TPathCells& cells) { return CutToInt32(*cells.column2[4]); }
    // Input "T" cut toward zero, wrapped around the total time when looping
    // (the remainder takes the sign of the time).
    int64_t PathTime(const TPathCells& cells, int32_t total) const {
        const TFloatType time = *cells.t;
        // A total time below 1 has no remainder: the time runs on unwrapped.
        const bool wrap = loop_ && total >= 1;
        if (time > -2147483648.0f && time < 2147483648.0f) {
            const int32_t t = int32_t(time);
            return wrap ? t % total : t;
        }
        const int64_t t = SaturatingTrunc<int64_t>(time);
        return wrap ? t % total : t;
    }
    int64_t PathTime() {
        const TPathCells& cells = Cells();
        return PathTime(cells, TotalTime(cells));
    }
    // The path time over the total time.
    double Fraction() {
        const TPathCells& cells = Cells();
        const int32_t total = TotalTime(cells);
        return double(PathTime(cells, total)) / double(total);
    }
    // SaturatingTrunc, with a short way for the values that fit.
    static int32_t CutToInt32(TFloatType value) {
        return value > -2147483648.0f && value < 2147483648.0f ? int32_t(value)
                                                               : SaturatingTrunc<int32_t>(value);
    }

private:
    void TakeCells();

    bool loop_ = false;
    TPathCells cells_{};
    uint32_t cellsGeneration_ = ~0u;
    TFloatType sink_ = 0;
};

// "path_segment": from (X1, Y1) to (X2, Y2) at constant speed.
class TSegmentPathFunction : public TAbstractPathFunction {
public:
    void Calculate() override;
    // The square root of the squared length rounded to a whole number.
    double CalculateLength() override;
    // The two points' box, each side rounded (halves to even).
    void GetBounds(TRect& rect) override;
};

// "path_segment_accelerate": s = speed * t + accel * t^2 / 2 along the
// segment, not clamped to it; the total time only drives looping.
class TAccelerateSegmentPathFunction : public TSegmentPathFunction {
public:
    void Calculate() override;
};

// "path_arc": from (X1, Y1) to (X2, Y2) around the centre; different radii
// make a spiral. Clockwise 1 turns with growing angles (clockwise on a
// screen whose y grows downwards), 0 the other way.
class TArcPathFunction : public TAbstractPathFunction {
public:
    // The whole preparation, then radii and angles, then the length again.
    void Prepare() override;
    void Calculate() override;
    // start_radius * |endAngle - beginAngle|.
    double CalculateLength() override;
    // The end points' box extended by the circle's quarter points between
    // the angles.
    void GetBounds(TRect& rect) override;
};

// "path_bezier": the cubic curve from (X1, Y1) through the two control
// points to (X2, Y2). Its length is measured by halving the curve until each
// piece's control points lie within a pixel of its chord; pieces that cannot
// be measured so (all points within a pixel of one another, non-finite
// points, or more than kMaxBezierDepth halvings) end the halving.
class TBezierPathFunction : public TAbstractPathFunction {
public:
    void Calculate() override;
    double CalculateLength() override;
};

inline constexpr int32_t kMaxBezierDepth = 16;

// The length of a cubic Bezier curve as TBezierPathFunction measures it.
double BezierLength(double x0, double y0, double x1, double y1, double x2, double y2, double x3,
                    double y3);

// A path with sub-functions bound to it ("functions"), prepared before it.
class TComplexPathFunction : public TAbstractPathFunction {
public:
    ~TComplexPathFunction() override;

    void SetOwner(IFunctionOwner* owner) override;
    void ReleaseOwner() override;
    void PrepareBefore() override;
    Ref<IFunctionCollection> GetFunctions() override;
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

protected:
    TSubFunctions& Subs() { return subs_; }

private:
    TSubFunctions subs_;
};

// "path_composite": its sub-paths played one after another. Prepare sets the
// total time to the sum of theirs; the length is the sum of theirs and the
// bounds their union. Past the last one the position is the composite's own
// (X2, Y2), or the last sub-path's end point when the composite has no such
// cells. Sub-functions that are not paths are bound and prepared but never
// played. The current sub-path is kept between calls; binding resets it.
class TCompositePathFunction : public TComplexPathFunction {
public:
    void SetOwner(IFunctionOwner* owner) override;
    void ReleaseOwner() override;
    void PrepareBefore() override;
    void Calculate() override;
    double CalculateLength() override;
    void GetBounds(TRect& rect) override;

private:
    void FinalPoint();

    struct TSegment {
        Ref<IPathFunction> path;
        TAbstractPathFunction* own;  // the same path when it is one of ours, for direct calls
        int32_t TotalTime() const { return own ? own->GetTotalTime() : path->GetTotalTime(); }
    };

    std::vector<TSegment> segments_;  // the playable sub-functions
    int32_t current_ = -1;
    int64_t startTime_ = 0;
};

// "path_arbitrary": its sub-functions compute the position from "T" through
// linked cells.
class TArbitraryPathFunction : public TComplexPathFunction {
public:
    void Calculate() override { Subs().Calculate(); }
};

// A segment path with every cell of the standard layout, all static.
Ref<IPathFunction> CreateSegmentPath(float x1, float y1, float x2, float y2, int32_t totalTime);
// An arc path with the arc's cells too.
Ref<IPathFunction> CreateArcPath(float x1, float y1, float x2, float y2, float centerX,
                                 float centerY, int32_t clockwise, int32_t totalTime);
// Adds "T", "X1", "Y1", "X2", "Y2", "TotalTime", "Length", "X" and "Y", static
// and 0, to the path's space; nothing for a null path.
void AddPathParamDefs(const Ref<IFunction>& path);

void RegisterPathFunctionClasses();
inline constexpr TUnit kPathFunctionClassesUnit = {"PathFunctionClasses",
                                                   RegisterPathFunctionClasses, nullptr};
