// Function objects and motion paths per frame, each beside the same
// arithmetic written by hand:
// - 500 particles, each doing SetInput x4, Prepare, Calculate and GetOutput x4
//   on a four-part update function (eval, sum, multiply, interval);
// - 1,000 objects on a segment, an arc, a Bezier curve and a four-segment
//   composite (CalculateAt, GetX, GetY; time advancing, loops wrapping);
// - Prepare of a 640-px Bezier curve (its length by halving).
//
// Run interleaved for side-by-side medians:
//   functions_bench --benchmark_repetitions=15 --benchmark_enable_random_interleaving=true
//                   --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "core/CoreUnits.h"
#include "core/base/Units.h"
#include "core/storage/XMLStorage.h"
#include "functions/FunctionUnits.h"
#include "functions/PathFunctionClasses.h"

namespace {

constexpr int kParticles = 500;
constexpr int kObjects = 1000;

// x, y from the velocities and the age; size from the phase; opacity by age.
constexpr const char* kUpdate = R"(
<function name="Update" type="function_complex">
  <paramspace><paramdefs>
    <paramdef name="age" col="1" row="0" static="yes"/>
    <paramdef name="vx" col="1" row="1" static="yes"/>
    <paramdef name="vy" col="1" row="2" static="yes"/>
    <paramdef name="phase" col="1" row="3" static="yes"/>
    <paramdef name="x" col="0" row="0" static="yes"/>
    <paramdef name="y" col="0" row="1" static="yes"/>
    <paramdef name="size" col="0" row="2" static="yes"/>
    <paramdef name="alpha" col="0" row="3" static="yes"/>
    <paramdef name="base" col="2" row="0" static="yes"/>
  </paramdefs></paramspace>
  <functions>
    <function name="move" type="function_eval">
      <paramspace><paramdefs>
        <paramdef name="age" col="1"/><paramdef name="vx" col="1"/><paramdef name="vy" col="1"/>
        <paramdef name="x" col="0"/><paramdef name="y" col="0"/>
      </paramdefs></paramspace>
      <expression>x := vx * age * 0.001 + 10
y := vy * age * 0.001 + 20</expression>
    </function>
    <function name="grow" type="function_sum">
      <paramspace><paramdefs>
        <paramdef name="out" col="0" outname="base"/>
        <paramdef name="in" col="1" outname="phase"/>
        <paramdef name="two" col="1" static="yes" value="2"/>
      </paramdefs></paramspace>
    </function>
    <function name="scale" type="function_multiply">
      <paramspace><paramdefs>
        <paramdef name="out" col="0" outname="size"/>
        <paramdef name="in" col="1" outname="base"/>
        <paramdef name="k" col="1" static="yes" value="1.5"/>
      </paramdefs></paramspace>
    </function>
    <function name="fade" type="function_interval">
      <paramspace><paramdefs>
        <paramdef name="out" col="0" outname="alpha"/>
        <paramdef name="in" col="1" outname="age"/>
        <paramdef name="t0" col="2" static="yes" value="500"/>
        <paramdef name="t1" col="2" static="yes" value="1000"/>
        <paramdef name="t2" col="2" static="yes" value="2000"/>
        <paramdef name="v0" col="3" static="yes" value="255"/>
        <paramdef name="v1" col="3" static="yes" value="200"/>
        <paramdef name="v2" col="3" static="yes" value="0"/>
      </paramdefs></paramspace>
    </function>
  </functions>
</function>)";

struct TParticle {
    float age, vx, vy, phase;
    float x = 0, y = 0, size = 0, alpha = 0;
};

std::vector<TParticle> Particles() {
    std::vector<TParticle> particles(kParticles);
    for (int i = 0; i < kParticles; ++i) {
        particles[size_t(i)] = {float(i * 5 % 2500), float(i % 17) - 8, float(i % 13) - 6,
                                float(i % 7)};
    }
    return particles;
}

void BM_ParticlesFunction(benchmark::State& state) {
    Ref<IFunction> update = Query<IFunction>(CreateObjectFromStorage(LoadStorageFromXML(kUpdate)));
    update->SetOwner(nullptr);
    std::vector<TParticle> particles = Particles();
    for (auto _ : state) {
        for (TParticle& p : particles) {
            update->SetInput(0, p.age);
            update->SetInput(1, p.vx);
            update->SetInput(2, p.vy);
            update->SetInput(3, p.phase);
            update->Prepare();
            update->Calculate();
            p.x = float(update->GetOutput(0));
            p.y = float(update->GetOutput(1));
            p.size = float(update->GetOutput(2));
            p.alpha = float(update->GetOutput(3));
            p.age = p.age >= 2500 ? 0 : p.age + 10;
        }
        benchmark::DoNotOptimize(particles.data());
        benchmark::ClobberMemory();
    }
    update->ReleaseOwner();
}

void BM_ParticlesByHand(benchmark::State& state) {
    std::vector<TParticle> particles = Particles();
    for (auto _ : state) {
        for (TParticle& p : particles) {
            p.x = p.vx * p.age * 0.001f + 10;
            p.y = p.vy * p.age * 0.001f + 20;
            p.size = (p.phase + 2) * 1.5f;
            p.alpha = p.age <= 500 ? 255.0f : p.age <= 1000 ? 200.0f : 0.0f;
            p.age = p.age >= 2500 ? 0 : p.age + 10;
        }
        benchmark::DoNotOptimize(particles.data());
        benchmark::ClobberMemory();
    }
}

// The objects' times in one frame: spread over the path, wrapping.
int32_t TimeOf(int frame, int object) {
    return frame * 10 + object * 37;
}

template <class Step>
void RunObjects(benchmark::State& state, Step step) {
    int frame = 0;
    double sum = 0;
    for (auto _ : state) {
        for (int i = 0; i < kObjects; ++i) sum += step(TimeOf(frame, i));
        ++frame;
    }
    benchmark::DoNotOptimize(sum);
}

void RunPath(benchmark::State& state, const Ref<IPathFunction>& path) {
    IPathFunction& p = *path;
    RunObjects(state, [&p](int32_t t) {
        p.CalculateAt(t);
        return p.GetX() + p.GetY();
    });
}

Ref<IPathFunction> Prepared(Ref<IPathFunction> path) {
    path->SetOwner(nullptr);
    path->Prepare();
    return path;
}

// The standard layout, looping, over 3,000 ms.
std::string PathXml(const char* type, const std::string& cells) {
    return std::string(R"(<function type=")") + type + R"(" loop="yes"><paramspace><paramdefs>
      <paramdef name="X" col="0" row="0" static="yes"/>
      <paramdef name="Y" col="0" row="1" static="yes"/>
      <paramdef name="T" col="1" row="0" static="yes"/>)" +
           cells + "</paramdefs></paramspace></function>";
}

std::string Column2(const std::vector<float>& values) {
    std::string text;
    for (size_t r = 0; r < values.size(); ++r) {
        text += R"(<paramdef name="c)" + std::to_string(r) + R"(" col="2" row=")" +
                std::to_string(r) + R"(" static="yes" value=")" + std::to_string(values[r]) +
                R"("/>)";
    }
    return text;
}

Ref<IPathFunction> LoadPath(const std::string& xml) {
    return Prepared(Query<IPathFunction>(CreateObjectFromStorage(LoadStorageFromXML(xml))));
}

void BM_SegmentPath(benchmark::State& state) {
    RunPath(state, LoadPath(PathXml("path_segment", Column2({10, 20, 630, 460, 3000, 0}))));
}

// The hand-written motions read their points and times from memory the
// compiler cannot see into, as code driven by data would.
struct TSegment {
    double x1, y1, x2, y2;
    int32_t total;
};

void BM_SegmentByHand(benchmark::State& state) {
    TSegment s{10, 20, 630, 460, 3000};
    benchmark::DoNotOptimize(s);
    RunObjects(state, [&s](int32_t t) {
        const double f = double(t % s.total) / s.total;
        return (s.x1 + (s.x2 - s.x1) * f) + (s.y1 + (s.y2 - s.y1) * f);
    });
}

void BM_ArcPath(benchmark::State& state) {
    // A quarter circle around (320, 240), clockwise.
    const std::string cells = Column2({420, 240, 320, 340, 3000, 0, 320, 240}) +
                              R"(<paramdef name="start_radius" col="3" row="0" static="yes"/>
                                 <paramdef name="end_radius" col="3" row="1" static="yes"/>
                                 <paramdef name="beginAngle" col="3" row="2" static="yes"/>
                                 <paramdef name="endAngle" col="3" row="3" static="yes"/>
                                 <paramdef name="clockwise" col="4" row="0" static="yes" value="1"/>)";
    RunPath(state, LoadPath(PathXml("path_arc", cells)));
}

void BM_ArcByHand(benchmark::State& state) {
    struct {
        double cx, cy, radius, begin, end;
        int32_t total;
    } a{320, 240, 100, 0, std::numbers::pi / 2, 3000};
    benchmark::DoNotOptimize(a);
    RunObjects(state, [&a](int32_t t) {
        const double f = double(t % a.total) / a.total;
        const double angle = a.begin + (a.end - a.begin) * f;
        return (a.cx + a.radius * std::cos(angle)) + (a.cy + a.radius * std::sin(angle));
    });
}

constexpr float kArch[] = {0, 400, 640, 400, 3000, 0, 160, 100, 480, 100};

void BM_BezierPath(benchmark::State& state) {
    RunPath(state, LoadPath(PathXml("path_bezier", Column2({std::begin(kArch), std::end(kArch)}))));
}

void BM_BezierByHand(benchmark::State& state) {
    struct {
        double x[4], y[4];
        int32_t total;
    } b{{0, 160, 480, 640}, {400, 100, 100, 400}, 3000};
    benchmark::DoNotOptimize(b);
    RunObjects(state, [&b](int32_t t) {
        const double f = double(t % b.total) / b.total;
        const double g = 1 - f;
        const double w0 = g * g * g, w1 = 3 * g * g * f, w2 = 3 * g * f * f, w3 = f * f * f;
        return (b.x[0] * w0 + b.x[1] * w1 + b.x[2] * w2 + b.x[3] * w3) +
               (b.y[0] * w0 + b.y[1] * w1 + b.y[2] * w2 + b.y[3] * w3);
    });
}

// Four 750-ms segments around a rectangle.
constexpr float kCorners[5][2] = {{100, 100}, {540, 100}, {540, 380}, {100, 380}, {100, 100}};

void BM_CompositePath(benchmark::State& state) {
    std::string segments;
    for (int i = 0; i < 4; ++i) {
        segments += R"(<function type="path_segment"><paramspace><paramdefs>
          <paramdef name="X" col="0" row="0" static="yes"/>
          <paramdef name="Y" col="0" row="1" static="yes"/>
          <paramdef name="T" col="1" row="0" static="yes"/>)" +
                    Column2({kCorners[i][0], kCorners[i][1], kCorners[i + 1][0], kCorners[i + 1][1],
                             750, 0}) +
                    "</paramdefs></paramspace></function>";
    }
    std::string xml = PathXml("path_composite", Column2({100, 100, 100, 100, 0, 0}));
    xml.insert(xml.rfind("</function>"), "<functions>" + segments + "</functions>");
    RunPath(state, LoadPath(xml));
}

void BM_CompositeByHand(benchmark::State& state) {
    TSegment segments[4];
    for (int i = 0; i < 4; ++i) {
        segments[i] = {kCorners[i][0], kCorners[i][1], kCorners[i + 1][0], kCorners[i + 1][1], 750};
    }
    int32_t total = 3000;
    benchmark::DoNotOptimize(segments);
    benchmark::DoNotOptimize(total);
    RunObjects(state, [&](int32_t t) {
        int32_t local = t % total;
        int i = 0;
        while (i < 3 && local >= segments[i].total) local -= segments[i++].total;
        const TSegment& s = segments[i];
        const double f = double(local) / s.total;
        return (s.x1 + (s.x2 - s.x1) * f) + (s.y1 + (s.y2 - s.y1) * f);
    });
}

void BM_BezierPrepare(benchmark::State& state) {
    Ref<IPathFunction> path =
        LoadPath(PathXml("path_bezier", Column2({std::begin(kArch), std::end(kArch)})));
    for (auto _ : state) {
        path->Prepare();
        benchmark::DoNotOptimize(path->GetLength());
    }
}

}  // namespace

BENCHMARK(BM_ParticlesFunction)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParticlesByHand)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SegmentPath)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SegmentByHand)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ArcPath)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ArcByHand)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BezierPath)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BezierByHand)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompositePath)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompositeByHand)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BezierPrepare)->Unit(benchmark::kNanosecond);

int main(int argc, char** argv) {
    TUnitRunner units({CoreUnits(), FunctionUnits()});
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
