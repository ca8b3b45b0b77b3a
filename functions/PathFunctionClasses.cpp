#include "functions/PathFunctionClasses.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

#include "core/base/SafeConvert.h"

namespace {

constexpr double kPi = std::numbers::pi;

void Extend(TRect& rect, const TRect& other) {
    rect.left = std::min(rect.left, other.left);
    rect.top = std::min(rect.top, other.top);
    rect.right = std::max(rect.right, other.right);
    rect.bottom = std::max(rect.bottom, other.bottom);
}

double PieceLength(double x0, double y0, double x1, double y1, double x2, double y2, double x3,
                   double y3, int32_t depth) {
    const double dx = x3 - x0;
    const double dy = y3 - y0;
    const double d2 = RoundHalfEven(dx * dx + dy * dy);
    // The control points' distances from the chord, times the chord's length.
    const double a = y3 - y0;
    const double b = x0 - x3;
    const double c = y0 * (x3 - x0) - x0 * (y3 - y0);
    const double e1 = a * x1 + b * y1 + c;
    const double e2 = a * x2 + b * y2 + c;
    if (e1 * e1 < d2 && e2 * e2 < d2) return std::sqrt(d2);
    // A piece whose points all lie within a pixel of its start is never
    // flat by the test above (its rounded chord is 0): it counts as a point.
    if (d2 == 0) {
        const double n1 = (x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0);
        const double n2 = (x2 - x0) * (x2 - x0) + (y2 - y0) * (y2 - y0);
        if (n1 < 1 && n2 < 1) return 0;
    }
    if (depth >= kMaxBezierDepth) return std::sqrt(d2);
    // De Casteljau's halving.
    const double ax = (x0 + x1) / 2, ay = (y0 + y1) / 2;
    const double bx = (x1 + x2) / 2, by = (y1 + y2) / 2;
    const double cx = (x2 + x3) / 2, cy = (y2 + y3) / 2;
    const double abx = (ax + bx) / 2, aby = (ay + by) / 2;
    const double bcx = (bx + cx) / 2, bcy = (by + cy) / 2;
    const double mx = (abx + bcx) / 2, my = (aby + bcy) / 2;
    return PieceLength(x0, y0, ax, ay, abx, aby, mx, my, depth + 1) +
           PieceLength(mx, my, bcx, bcy, cx, cy, x3, y3, depth + 1);
}

}  // namespace

double BezierLength(double x0, double y0, double x1, double y1, double x2, double y2, double x3,
                    double y3) {
    for (double v : {x0, y0, x1, y1, x2, y2, x3, y3}) {
        if (!std::isfinite(v)) return 0;
    }
    return PieceLength(x0, y0, x1, y1, x2, y2, x3, y3, 0);
}

// ---------------------------------------------------------------------------
// TAbstractPathFunction

const TPropertyTable& TAbstractPathFunction::Table() {
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<TAbstractPathFunction>(TFunction::Table())
            .Field("loop", &TAbstractPathFunction::loop_, false)
            .Build();
    // clang-format on
    return table;
}

const TAbstractPathFunction::TPathCells& TAbstractPathFunction::TakeCells() {
    static const TFloatType kZero = 0;
    const auto read = [this](int32_t column, int32_t row) -> const TFloatType* {
        const PFloatType cell = CellPtr(column, row);
        return cell ? cell : &kZero;
    };
    const auto write = [this](int32_t column, int32_t row) {
        const PFloatType cell = CellPtr(column, row);
        return cell ? cell : &sink_;
    };
    cells_.t = read(1, 0);
    cells_.x = read(0, 0);
    cells_.y = read(0, 1);
    for (int32_t row = 0; row < 10; ++row) cells_.column2[row] = read(2, row);
    for (int32_t row = 0; row < 4; ++row) cells_.column3[row] = read(3, row);
    cells_.writeT = write(1, 0);
    cells_.writeX = write(0, 0);
    cells_.writeY = write(0, 1);
    cellsGeneration_ = Space().Generation();
    return cells_;
}

void TAbstractPathFunction::CalculateStatics() {
    SetCell(2, 5, CalculateLength());
}

// ---------------------------------------------------------------------------
// Segments

void TSegmentPathFunction::Place(const TPathCells& c, int64_t time) {
    const double f = Fraction(c, time);
    const double x1 = *c.column2[0], y1 = *c.column2[1], x2 = *c.column2[2], y2 = *c.column2[3];
    SetPosition(c, x1 + (x2 - x1) * f, y1 + (y2 - y1) * f);
}

double TSegmentPathFunction::CalculateLength() {
    const double dx = Cell(2, 2) - Cell(2, 0);
    const double dy = Cell(2, 3) - Cell(2, 1);
    return std::sqrt(RoundHalfEven(dx * dx + dy * dy));
}

void TSegmentPathFunction::GetBounds(TRect& rect) {
    const double x1 = Cell(2, 0), y1 = Cell(2, 1), x2 = Cell(2, 2), y2 = Cell(2, 3);
    rect.left = SaturatingRound<int32_t>(std::min(x1, x2));
    rect.top = SaturatingRound<int32_t>(std::min(y1, y2));
    rect.right = SaturatingRound<int32_t>(std::max(x1, x2));
    rect.bottom = SaturatingRound<int32_t>(std::max(y1, y2));
}

void TAccelerateSegmentPathFunction::Place(const TPathCells& c, int64_t time) {
    const double t = double(PathTime(time, TotalTime(c)));
    const double s = *c.column2[6] * t + *c.column2[7] * t * t / 2;
    const double length = *c.column2[5];
    const double x1 = *c.column2[0], y1 = *c.column2[1], x2 = *c.column2[2], y2 = *c.column2[3];
    SetPosition(c, x1 + (x2 - x1) * s / length, y1 + (y2 - y1) * s / length);
}

// ---------------------------------------------------------------------------
// TArcPathFunction

void TArcPathFunction::Prepare() {
    TAbstractPathFunction::Prepare();
    const double cx = Cell(2, 6), cy = Cell(2, 7);
    const double x1 = Cell(2, 0) - cx, y1 = Cell(2, 1) - cy;
    const double x2 = Cell(2, 2) - cx, y2 = Cell(2, 3) - cy;
    double begin = std::atan2(y1, x1);
    double end = std::atan2(y2, x2);
    const double clockwise = Cell(4, 0);
    if (clockwise == 1 && begin > end) end += 2 * kPi;
    if (clockwise == 0 && begin < end) begin += 2 * kPi;
    SetCell(3, 0, std::hypot(x1, y1));
    SetCell(3, 1, std::hypot(x2, y2));
    SetCell(3, 2, begin);
    SetCell(3, 3, end);
    SetCell(2, 5, CalculateLength());
}

void TArcPathFunction::Place(const TPathCells& c, int64_t time) {
    const double f = Fraction(c, time);
    const double startRadius = *c.column3[0], endRadius = *c.column3[1];
    const double begin = *c.column3[2], end = *c.column3[3];
    const double r = startRadius + (endRadius - startRadius) * f;
    const double angle = begin + (end - begin) * f;
    SetPosition(c, *c.column2[6] + r * std::cos(angle), *c.column2[7] + r * std::sin(angle));
}

double TArcPathFunction::CalculateLength() {
    return Cell(3, 0) * std::fabs(Cell(3, 2) - Cell(3, 3));
}

namespace {

// The lowest and highest value r * c takes for r between r0 and r1 and c
// between c0 and c1 (in either order): a product is extreme at the corners.
std::pair<double, double> ProductRange(double r0, double r1, double c0, double c1) {
    const double p[] = {r0 * c0, r0 * c1, r1 * c0, r1 * c1};
    return {std::min({p[0], p[1], p[2], p[3]}), std::max({p[0], p[1], p[2], p[3]})};
}

}  // namespace

void TArcPathFunction::GetBounds(TRect& rect) {
    const double x1 = Cell(2, 0), y1 = Cell(2, 1), x2 = Cell(2, 2), y2 = Cell(2, 3);
    const double cx = Cell(2, 6), cy = Cell(2, 7);
    const double r0 = Cell(3, 0), r1 = Cell(3, 1);
    const double begin = Cell(3, 2), end = Cell(3, 3);
    rect.left = SaturatingTrunc<int32_t>(std::floor(std::min(x1, x2)));
    rect.top = SaturatingTrunc<int32_t>(std::floor(std::min(y1, y2)));
    rect.right = SaturatingTrunc<int32_t>(std::ceil(std::max(x1, x2)));
    rect.bottom = SaturatingTrunc<int32_t>(std::ceil(std::max(y1, y2)));
    // The angles are single-precision cells, so a point meant to lie on a
    // whole coordinate (the end of a quarter circle at x = 0) lands a few
    // millionths of a pixel beside it; such a miss does not widen the box.
    const double slack = 1e-6 * std::max({1.0, std::fabs(r0), std::fabs(r1)});
    // Offsets from the centre: x from xlo to xhi, y from ylo to yhi.
    auto extendBy = [&](double xlo, double xhi, double ylo, double yhi) {
        Extend(rect, {SaturatingTrunc<int32_t>(std::floor(cx + xlo + slack)),
                      SaturatingTrunc<int32_t>(std::floor(cy + ylo + slack)),
                      SaturatingTrunc<int32_t>(std::ceil(cx + xhi - slack)),
                      SaturatingTrunc<int32_t>(std::ceil(cy + yhi - slack))});
    };
    // A piece from angle a (radius ra) to angle b (radius rb) that crosses no
    // quarter angle: there cos and sin are monotone and the radius is linear,
    // so the piece lies within the products of their end values.
    auto extendByPiece = [&](double a, double b, double ra, double rb) {
        const auto [xlo, xhi] = ProductRange(ra, rb, std::cos(a), std::cos(b));
        const auto [ylo, yhi] = ProductRange(ra, rb, std::sin(a), std::sin(b));
        extendBy(xlo, xhi, ylo, yhi);
    };
    for (double v : {begin, end, r0, r1}) {
        if (!std::isfinite(v)) return;
    }
    const double lo = std::min(begin, end), hi = std::max(begin, end);
    const double span = hi - lo;
    if (span == 0) {
        // The radius still moves: a straight stretch along one ray.
        extendByPiece(begin, begin, r0, r1);
        return;
    }
    if (span > kMaxArcBoundsTurns * 2 * kPi || std::max(std::fabs(lo), std::fabs(hi)) > 1e6) {
        // Angles set by hand, very wide or very far out: the circle of the
        // largest radius holds every point.
        const double r = std::max(std::fabs(r0), std::fabs(r1));
        extendBy(-r, r, -r, r);
        return;
    }
    // Pieces short enough that the radius changes by at most a quarter pixel
    // along each, so the box is within a pixel of the spiral's own (and exact
    // for a circle); they also end at every quarter angle.
    const double wanted = std::ceil(std::fabs(r1 - r0) * 4);
    const int64_t steps = int64_t(std::clamp(wanted, 1.0, double(kMaxArcBoundsPieces)));
    auto radiusAt = [&](double angle) {
        return r0 + (r1 - r0) * ((angle - begin) / (end - begin));
    };
    const double quarter = kPi / 2;
    double quarterAngle = (std::floor(lo / quarter) + 1) * quarter;
    double a = lo, ra = radiusAt(lo);
    for (int64_t i = 1; i <= steps;) {
        const double stop = i == steps ? hi : lo + span * double(i) / double(steps);
        double b = stop;
        if (quarterAngle < stop) {
            b = quarterAngle;
            quarterAngle += quarter;
        } else {
            ++i;
        }
        const double rb = radiusAt(b);
        extendByPiece(a, b, ra, rb);
        a = b;
        ra = rb;
    }
}

// ---------------------------------------------------------------------------
// TBezierPathFunction

void TBezierPathFunction::Place(const TPathCells& c, int64_t time) {
    const double f = Fraction(c, time);
    const double g = 1 - f;
    const double w0 = g * g * g, w1 = 3 * g * g * f, w2 = 3 * g * f * f, w3 = f * f * f;
    const TFloatType* const* p = c.column2;
    SetPosition(c, *p[0] * w0 + *p[6] * w1 + *p[8] * w2 + *p[2] * w3,
                *p[1] * w0 + *p[7] * w1 + *p[9] * w2 + *p[3] * w3);
}

namespace {

// The lowest and highest value one coordinate of a cubic Bezier curve takes
// for t in [0, 1]: the end values, and the values where its derivative
// a t^2 + b t + c vanishes inside the interval.
std::pair<double, double> BezierExtent(double p0, double p1, double p2, double p3) {
    double lo = std::min(p0, p3), hi = std::max(p0, p3);
    auto take = [&](double t) {
        if (!(t > 0 && t < 1)) return;
        const double g = 1 - t;
        const double v = g * g * g * p0 + 3 * g * g * t * p1 + 3 * g * t * t * p2 + t * t * t * p3;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    };
    const double a = -p0 + 3 * p1 - 3 * p2 + p3;
    const double b = 2 * (p0 - 2 * p1 + p2);
    const double c = p1 - p0;
    if (std::abs(a) < 1e-12) {
        if (std::abs(b) >= 1e-12) take(-c / b);
    } else {
        const double d = b * b - 4 * a * c;
        if (d >= 0) {
            const double root = std::sqrt(d);
            take((-b + root) / (2 * a));
            take((-b - root) / (2 * a));
        }
    }
    return {lo, hi};
}

}  // namespace

void TBezierPathFunction::GetBounds(TRect& rect) {
    const auto [left, right] = BezierExtent(Cell(2, 0), Cell(2, 6), Cell(2, 8), Cell(2, 2));
    const auto [top, bottom] = BezierExtent(Cell(2, 1), Cell(2, 7), Cell(2, 9), Cell(2, 3));
    rect.left = SaturatingTrunc<int32_t>(std::floor(left));
    rect.top = SaturatingTrunc<int32_t>(std::floor(top));
    rect.right = SaturatingTrunc<int32_t>(std::ceil(right));
    rect.bottom = SaturatingTrunc<int32_t>(std::ceil(bottom));
}

double TBezierPathFunction::CalculateLength() {
    return BezierLength(Cell(2, 0), Cell(2, 1), Cell(2, 6), Cell(2, 7), Cell(2, 8), Cell(2, 9),
                        Cell(2, 2), Cell(2, 3));
}

// ---------------------------------------------------------------------------
// TComplexPathFunction

TComplexPathFunction::~TComplexPathFunction() {
    subs_.Release(this);
}

void TComplexPathFunction::SetOwner(IFunctionOwner* owner) {
    TAbstractPathFunction::SetOwner(owner);
    subs_.Bind(this);
}

void TComplexPathFunction::ReleaseOwner() {
    subs_.Release(nullptr);
    TAbstractPathFunction::ReleaseOwner();
}

void TComplexPathFunction::PrepareBefore() {
    TAbstractPathFunction::PrepareBefore();
    subs_.Prepare();
}

Ref<IFunctionCollection> TComplexPathFunction::GetFunctions() {
    return subs_.Collection();
}

void TComplexPathFunction::LoadFrom(const Ref<IHierStorage>& storage) {
    TAbstractPathFunction::LoadFrom(storage);
    subs_.Load(storage);
}

void TComplexPathFunction::SaveTo(const Ref<IHierStorage>& storage) {
    TAbstractPathFunction::SaveTo(storage);
    subs_.Save(storage);
}

// ---------------------------------------------------------------------------
// TCompositePathFunction

void TCompositePathFunction::SetOwner(IFunctionOwner* owner) {
    TComplexPathFunction::SetOwner(owner);
    segments_.clear();
    for (IFunction* function : Subs().List()) {
        if (auto* path = dynamic_cast<IPathFunction*>(function)) {
            segments_.push_back(
                {Ref<IPathFunction>(path), dynamic_cast<TAbstractPathFunction*>(path)});
        }
    }
    startTime_ = 0;
    current_ = -1;
}

void TCompositePathFunction::ReleaseOwner() {
    current_ = -1;
    segments_.clear();
    TComplexPathFunction::ReleaseOwner();
}

void TCompositePathFunction::PrepareBefore() {
    TComplexPathFunction::PrepareBefore();
    int64_t total = 0;
    for (const TSegment& segment : segments_) total += segment.TotalTime();
    SetCell(2, 4, double(total));
}

double TCompositePathFunction::CalculateLength() {
    double length = 0;
    for (const TSegment& segment : segments_) length += segment.path->GetLength();
    return length;
}

void TCompositePathFunction::GetBounds(TRect& rect) {
    rect = {};
    for (size_t i = 0; i < segments_.size(); ++i) {
        TRect bounds;
        segments_[i].path->GetBounds(bounds);
        if (i == 0) {
            rect = bounds;
        } else {
            Extend(rect, bounds);
        }
    }
}

void TCompositePathFunction::FinalPoint() {
    if (CellPtr(2, 2) && CellPtr(2, 3)) {
        SetPosition(Cell(2, 2), Cell(2, 3));
    } else if (!segments_.empty()) {
        // No end point of its own: the last sub-path's.
        const Ref<IParamSpace> space = segments_.back().path->GetParamSpace();
        SetPosition(space ? space->GetValueAt(2, 2) : 0.0, space ? space->GetValueAt(2, 3) : 0.0);
    } else {
        SetPosition(0, 0);
    }
}

void TCompositePathFunction::Place(const TPathCells& c, int64_t time) {
    const int64_t t = PathTime(time, TotalTime(c));
    // Most calls stay within the current segment: it is played without a walk.
    const size_t index = size_t(current_);
    if (index < segments_.size() && t >= startTime_) {
        if (TAbstractPathFunction* own = segments_[index].own) [[likely]] {
            const TPathCells& cells = CellsOf(*own);
            const int64_t local = t - startTime_;
            if (local < TotalTime(cells)) {
                Play(c, *own, cells, int32_t(local));
                return;
            }
        }
    }
    Seek(c, t);
}

void TCompositePathFunction::Play(const TPathCells& c, TAbstractPathFunction& path,
                                  const TPathCells& cells, int32_t t) {
    // CalculateAt, GetX and GetY in one call.
    PlaceOf(path, cells, SetTime(cells, t));
    // Floats already: no narrowing.
    const TFloatType x = *cells.x, y = *cells.y;
    *c.writeX = x;
    *c.writeY = y;
}

void TCompositePathFunction::Seek(const TPathCells& c, int64_t t) {
    const int32_t count = int32_t(segments_.size());
    if (count == 0) {
        FinalPoint();
        return;
    }
    if (current_ < 0 || current_ >= count || t < startTime_) {
        current_ = 0;
        startTime_ = 0;
    }
    int32_t total = segments_[size_t(current_)].TotalTime();
    while (current_ < count - 1 && t >= startTime_ + total) {
        startTime_ += total;
        ++current_;
        total = segments_[size_t(current_)].TotalTime();
    }
    const TSegment& segment = segments_[size_t(current_)];
    const int64_t local = t - startTime_;
    if (local >= total) {
        FinalPoint();
        return;
    }
    const int32_t at = int32_t(std::max<int64_t>(local, std::numeric_limits<int32_t>::min()));
    if (segment.own) {
        Play(c, *segment.own, CellsOf(*segment.own), at);
    } else {
        segment.path->CalculateAt(at);
        SetPosition(segment.path->GetX(), segment.path->GetY());
    }
}

// ---------------------------------------------------------------------------
// Builders and registration

namespace {

void AddLayout(IParamSpace& space, float x1, float y1, float x2, float y2, int32_t totalTime) {
    space.AddParamDef("T", 1, 0, true, "", 0);
    space.AddParamDef("X1", 2, 0, true, "", x1);
    space.AddParamDef("Y1", 2, 1, true, "", y1);
    space.AddParamDef("X2", 2, 2, true, "", x2);
    space.AddParamDef("Y2", 2, 3, true, "", y2);
    space.AddParamDef("TotalTime", 2, 4, true, "", TFloatType(totalTime));
    space.AddParamDef("Length", 2, 5, true, "", 0);
    space.AddParamDef("X", 0, 0, true, "", 0);
    space.AddParamDef("Y", 0, 1, true, "", 0);
}

}  // namespace

Ref<IPathFunction> CreateSegmentPath(float x1, float y1, float x2, float y2, int32_t totalTime) {
    Ref<TSegmentPathFunction> path = CreateObject<TSegmentPathFunction>();
    AddLayout(path->Space(), x1, y1, x2, y2, totalTime);
    return path;
}

Ref<IPathFunction> CreateArcPath(float x1, float y1, float x2, float y2, float centerX,
                                 float centerY, int32_t clockwise, int32_t totalTime) {
    Ref<TArcPathFunction> path = CreateObject<TArcPathFunction>();
    TParamSpace& space = path->Space();
    AddLayout(space, x1, y1, x2, y2, totalTime);
    space.AddParamDef("centerX", 2, 6, true, "", centerX);
    space.AddParamDef("centerY", 2, 7, true, "", centerY);
    space.AddParamDef("clockwise", 4, 0, true, "", TFloatType(clockwise));
    space.AddParamDef("start_radius", 3, 0, true, "", 0);
    space.AddParamDef("end_radius", 3, 1, true, "", 0);
    space.AddParamDef("beginAngle", 3, 2, true, "", 0);
    space.AddParamDef("endAngle", 3, 3, true, "", 0);
    return path;
}

void AddPathParamDefs(const Ref<IFunction>& path) {
    if (!path) return;
    const Ref<IParamSpace> space = path->GetParamSpace();
    if (space) AddLayout(*space, 0, 0, 0, 0, 0);
}

void RegisterPathFunctionClasses() {
    RegisterObjectClass(ClassOf<TBezierPathFunction>(), "path_bezier");
    RegisterObjectClass(ClassOf<TSegmentPathFunction>(), "path_segment");
    RegisterObjectClass(ClassOf<TArcPathFunction>(), "path_arc");
    RegisterObjectClass(ClassOf<TAccelerateSegmentPathFunction>(), "path_segment_accelerate");
    RegisterObjectClass(ClassOf<TCompositePathFunction>(), "path_composite");
    RegisterObjectClass(ClassOf<TArbitraryPathFunction>(), "path_arbitrary");
}
