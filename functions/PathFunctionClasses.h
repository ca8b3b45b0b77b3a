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

#include <cfloat>
#include <cmath>
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
    // Place at the time in "T". Final: the paths differ in Place only.
    void Calculate() final {
        const TPathCells& cells = Cells();
        Place(cells, CutTime(*cells.t));
    }
    // Input "T" := t, then Calculate, in one step.
    void CalculateAt(int32_t t) final {
        const TPathCells& cells = Cells();
        Place(cells, SetTime(cells, t));
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
    // changes; writes to it go to a cell nothing reads. No calculation
    // builds a table, so the cells taken at the start of a step hold
    // through it, sub-paths included.
    struct TPathCells {
        const TFloatType* t;
        const TFloatType* x;
        const TFloatType* y;
        const TFloatType* column2[10];  // X1, Y1, X2, Y2, TotalTime, Length, (2, 6) .. (2, 9)
        const TFloatType* column3[4];   // the arc's radii and angles
        TFloatType* writeT;
        TFloatType* writeX;
        TFloatType* writeY;
    };
    const TPathCells& Cells() {
        if (cellsGeneration_ != Space().Generation()) [[unlikely]] {
            return TakeCells();
        }
        return cells_;
    }
    // What Calculate does once "T" holds a value that cuts to time.
    virtual void Place(const TPathCells& cells, int64_t time) = 0;
    // The same for another path, so that a composite plays its sub-paths
    // with one call each.
    static const TPathCells& CellsOf(TAbstractPathFunction& path) { return path.Cells(); }
    static void PlaceOf(TAbstractPathFunction& path, const TPathCells& cells, int64_t time) {
        path.Place(cells, time);
    }
    void SetPosition(double x, double y) { SetPosition(Cells(), x, y); }
    static void SetPosition(const TPathCells& cells, double x, double y) {
        *cells.writeX = ToCell(x);
        *cells.writeY = ToCell(y);
    }
    // NarrowToCell with one comparison.
    static TFloatType ToCell(double value) {
        if (std::fabs(value) > FLT_MAX) [[unlikely]] {
            return NarrowToCell(value);
        }
        return TFloatType(value);
    }
    // Input "T" := t; answers the value "T" then holds cut toward zero (0
    // when it has no cell).
    static int64_t SetTime(const TPathCells& cells, int32_t t) {
        const TFloatType time = TFloatType(t);
        *cells.writeT = time;
        if (cells.t != cells.writeT) [[unlikely]] {
            return 0;
        }
        // Rounded to a float within +-2^31, which cuts exactly.
        return int64_t(time);
    }
    // A time read from "T" cut toward zero (SaturatingTrunc, with a short way
    // for the values that fit).
    static int64_t CutTime(TFloatType time) {
        if (std::fabs(time) < 0x1p63f) [[likely]] {
            return int64_t(time);
        }
        return SaturatingTrunc<int64_t>(time);
    }

    // Cell (2, 4) cut toward zero.
    static int32_t TotalTime(const TPathCells& cells) { return CutToInt32(*cells.column2[4]); }
    // The time wrapped around the total time when looping (the remainder
    // takes the sign of the time).
    int64_t PathTime(int64_t time, int32_t total) const {
        // A total time below 1 has no remainder: the time runs on unwrapped.
        if (!loop_ || total < 1) return time;
        // The 32-bit division is the quicker one.
        if (time == int32_t(time)) [[likely]] {
            return int32_t(time) % total;
        }
        return time % total;
    }
    // The path time over the total time.
    double Fraction(const TPathCells& cells, int64_t time) const {
        const int32_t total = TotalTime(cells);
        return double(PathTime(time, total)) / double(total);
    }
    // SaturatingTrunc, with a short way for the values that fit.
    static int32_t CutToInt32(TFloatType value) {
        if (std::fabs(value) < 0x1p31f) [[likely]] {
            return int32_t(value);
        }
        return SaturatingTrunc<int32_t>(value);
    }

private:
    const TPathCells& TakeCells();

    bool loop_ = false;
    TPathCells cells_{};
    uint32_t cellsGeneration_ = ~0u;
    TFloatType sink_ = 0;
};

// "path_segment": from (X1, Y1) to (X2, Y2) at constant speed.
class TSegmentPathFunction : public TAbstractPathFunction {
public:
    // The square root of the squared length rounded to a whole number.
    double CalculateLength() override;
    // The two points' box, each side rounded (halves to even).
    void GetBounds(TRect& rect) override;

protected:
    void Place(const TPathCells& cells, int64_t time) override;
};

// "path_segment_accelerate": s = speed * t + accel * t^2 / 2 along the
// segment, not clamped to it; the total time only drives looping.
class TAccelerateSegmentPathFunction : public TSegmentPathFunction {
protected:
    void Place(const TPathCells& cells, int64_t time) override;
};

// Arc bounds: past this many turns (angles set by hand) the box is the
// circle of the larger radius; a spiral's box is found over at most this many
// pieces.
inline constexpr double kMaxArcBoundsTurns = 16;
inline constexpr int64_t kMaxArcBoundsPieces = 4096;

// "path_arc": from (X1, Y1) to (X2, Y2) around the centre; different radii
// make a spiral. Clockwise 1 turns with growing angles (clockwise on a
// screen whose y grows downwards), 0 the other way.
class TArcPathFunction : public TAbstractPathFunction {
public:
    // The whole preparation, then radii and angles, then the length again.
    void Prepare() override;
    // start_radius * |endAngle - beginAngle|.
    double CalculateLength() override;
    // A box that holds every point of the arc or spiral: the end points and
    // the points between them, the radius taken along the way (exact for a
    // circle, within a pixel for a spiral). Right and bottom round up.
    void GetBounds(TRect& rect) override;

protected:
    void Place(const TPathCells& cells, int64_t time) override;
};

// "path_bezier": the cubic curve from (X1, Y1) through the two control
// points to (X2, Y2). Its length is measured by halving the curve until each
// piece's control points lie within a pixel of its chord; pieces that cannot
// be measured so (all points within a pixel of one another, non-finite
// points, or more than kMaxBezierDepth halvings) end the halving.
class TBezierPathFunction : public TAbstractPathFunction {
public:
    double CalculateLength() override;
    // The box of the curve itself: its end points and the turning points
    // between them (a curve drawn along the path must fit in it).
    void GetBounds(TRect& rect) override;

protected:
    void Place(const TPathCells& cells, int64_t time) override;
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
    double CalculateLength() override;
    void GetBounds(TRect& rect) override;

protected:
    void Place(const TPathCells& cells, int64_t time) override;

private:
    // Plays the sub-path path (with those cells) at t and takes its position.
    void Play(const TPathCells& c, TAbstractPathFunction& path, const TPathCells& cells, int32_t t);
    // Finds the segment of path time t from the current one (or from the
    // first), then plays it or stands at the end point.
    void Seek(const TPathCells& c, int64_t t);
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
protected:
    void Place(const TPathCells&, int64_t) override { Subs().Calculate(); }
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
