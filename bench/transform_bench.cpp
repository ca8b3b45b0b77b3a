// Transform widgets per frame against pixman doing the same transform.
//
// Each of ours is one whole frame of a widget over a 256x256 inner widget
// whose picture changed (so the cache is rebuilt): the inner widget's
// snapshot, the transform into the cache and the cache drawn onto a
// 1024x768 frame. pixman's side is the transform alone, bilinear, from the
// same picture into a destination of the cache's size:
// - rotate 30 degrees, smooth (cache 363x363). Goal: at most 1.5x pixman.
// - zoom 1.5, smooth (cache 385x385). Goal: at most 2x pixman.
// - sub-pixel shift (0.5, 0.25) (cache 257x257). Goal: at most 2x pixman,
//   or a plain copy once the shift cache is warm (timed as well: the widget
//   moving between two fractions whose pictures are kept).
// - cut sector rebuild, 256x256, the end angle changing every frame. Goal:
//   at most 0.2 ms.
// An unchanged widget (the cache drawn only) is timed for comparison.
//
// The ratios of the medians of CPU time are printed at the end (run with
// --benchmark_repetitions=N for medians); on a shared machine the wall
// time of either side waits for others.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <random>
#include <string>

#include "core/CoreUnits.h"
#include "core/base/Units.h"
#include "bench/BenchScreen.h"
#include "core/object/GeneralClasses.h"
#include "effects/EffectUnits.h"
#include "effects/TransformWidgets.h"
#include "engine/surface/EngineSurface.h"
#include "functions/FunctionUnits.h"
#include "widgets/WidgetUnits.h"
#include "widgets/WidgetUtils.h"

namespace {

constexpr int32_t kFrameW = 1024, kFrameH = 768, kSide = 256;

using bench::TBenchScreen;

// Random colours and alphas: no run of transparent or opaque pixels gives
// either side a shortcut.
Ref<TSurface> RandomPicture(int32_t w, int32_t h, bool transparent, uint32_t seed) {
    Ref<TSurface> s = MakeRef<TSurface>();
    s->SetTransparent(transparent);
    s->SetSize(w, h);
    std::mt19937 rng(seed);
    for (int32_t y = 0; y < h; ++y) {
        uint32_t* row = s->GetScanLine(y);
        for (int32_t x = 0; x < w; ++x) row[x] = transparent ? rng() : rng() | 0xFF000000u;
    }
    return s;
}

const Ref<TSurface>& Picture() {
    static const Ref<TSurface> picture = RandomPicture(kSide, kSide, true, 7);
    return picture;
}

// "bench_picture": the shared 256x256 picture at its place.
class TBenchPicture : public TVisualWidget {
public:
    int32_t GetWidth() override { return kSide; }
    int32_t GetHeight() override { return kSide; }
    void Render(ISurface& surface, int32_t x, int32_t y) override {
        surface.Draw(Picture().get(), {0, 0, kSide, kSide}, {x, y, x + kSide, y + kSide}, 255,
                     bm_Normal);
    }
};

TBenchScreen& Screen() {
    static TBenchScreen* screen = new TBenchScreen;  // lives for the program
    return *screen;
}

TSurface& Frame() {
    static const Ref<TSurface> frame = RandomPicture(kFrameW, kFrameH, false, 1);
    return *frame;
}

template <class W>
Ref<W> MakeWidget(const std::string& type, const std::string& attrs) {
    const Ref<W> widget = Query<W>(WidgetFromXMLText(
        "<widget type=\"" + type + "\" visible=\"yes\" anchor_left=\"400\" anchor_top=\"300\" " +
        attrs + "><widgets><widget type=\"bench_picture\" visible=\"yes\"/></widgets></widget>"));
    widget->Attach(&Screen());
    return widget;
}

// One frame of a widget whose cache must be rebuilt.
void RebuildFrames(benchmark::State& state, TTransformWidget& widget) {
    for (auto _ : state) {
        widget.SetNeedToRepaint(true);
        widget.Render(Frame(), 400, 300);
        benchmark::DoNotOptimize(Frame().GetScanLine(300));
    }
    state.counters["cache_side"] = widget.GetCache() ? widget.GetCache()->GetWidth() : 0;
}

void BM_Rotate_Ours(benchmark::State& state) {
    const Ref<TRotateWidget> widget =
        MakeWidget<TRotateWidget>("rotate_widget", R"(smooth="yes" angle="30")");
    RebuildFrames(state, *widget);
    widget->Detach();
}
BENCHMARK(BM_Rotate_Ours)->Unit(benchmark::kMicrosecond);

void BM_Zoom_Ours(benchmark::State& state) {
    const Ref<TZoomWidget> widget =
        MakeWidget<TZoomWidget>("zoom_widget", R"(smooth="yes" zoom="1.5")");
    RebuildFrames(state, *widget);
    widget->Detach();
}
BENCHMARK(BM_Zoom_Ours)->Unit(benchmark::kMicrosecond);

void BM_Shift_Ours(benchmark::State& state) {
    const Ref<TSmoothMoveWidget> widget = MakeWidget<TSmoothMoveWidget>("smooth_move_widget", "");
    widget->SetLeft(400.5);
    widget->SetTop(300.25);
    RebuildFrames(state, *widget);
    widget->Detach();
}
BENCHMARK(BM_Shift_Ours)->Unit(benchmark::kMicrosecond);

// Moving between two fractions whose shifted pictures are kept: each frame
// copies a kept picture into the cache and draws the cache.
void BM_ShiftWarm_Ours(benchmark::State& state) {
    const Ref<TSmoothMoveWidget> widget =
        MakeWidget<TSmoothMoveWidget>("smooth_move_widget", R"(caching="yes")");
    widget->SetTop(300.25);
    bool odd = false;
    for (auto _ : state) {
        widget->SetLeft(odd ? 400.5 : 400.75);
        odd = !odd;
        widget->Render(Frame(), 400, 300);
        benchmark::DoNotOptimize(Frame().GetScanLine(300));
    }
    state.counters["snapshots"] = double(widget->GetSnapshotCount());
    widget->Detach();
}
BENCHMARK(BM_ShiftWarm_Ours)->Unit(benchmark::kMicrosecond);

void BM_CutSector_Ours(benchmark::State& state) {
    const Ref<TCutSectorWidget> widget = MakeWidget<TCutSectorWidget>(
        "cutsector_widget", R"(centerx="128" centery="128" startangle="-90")");
    double end = 0;
    for (auto _ : state) {
        end = end >= 269 ? 0 : end + 1;
        widget->SetEndAngle(end);
        widget->Render(Frame(), 400, 300);
        benchmark::DoNotOptimize(Frame().GetScanLine(300));
    }
    widget->Detach();
}
BENCHMARK(BM_CutSector_Ours)->Unit(benchmark::kMicrosecond);

// The per-pixel arctangent the clearing avoids, for comparison.
void BM_CutSector_Atan(benchmark::State& state) {
    const Ref<TCutSectorWidget> widget = MakeWidget<TCutSectorWidget>(
        "cutsector_widget", R"(centerx="128" centery="128" startangle="-90" endangle="135")");
    const Ref<TSurface> target = RandomPicture(kSide, kSide, true, 3);
    for (auto _ : state) {
        for (int32_t y = 0; y < kSide; ++y) {
            uint32_t* row = target->GetScanLine(y);
            for (int32_t x = 0; x < kSide; ++x) {
                if (widget->InSector(float(x) - 128.f, float(y) - 128.f)) row[x] = 0;
            }
        }
        benchmark::DoNotOptimize(target->GetScanLine(0));
    }
    widget->Detach();
}
BENCHMARK(BM_CutSector_Atan)->Unit(benchmark::kMicrosecond);

void BM_Unchanged_Ours(benchmark::State& state) {
    const Ref<TRotateWidget> widget =
        MakeWidget<TRotateWidget>("rotate_widget", R"(smooth="yes" angle="30")");
    for (auto _ : state) {
        widget->Render(Frame(), 400, 300);
        benchmark::DoNotOptimize(Frame().GetScanLine(300));
    }
    widget->Detach();
}
BENCHMARK(BM_Unchanged_Ours)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------
// pixman: the picture premultiplied once; a bilinear transform into a
// cleared destination of the cache's size.

struct TPixman {
    std::vector<uint32_t> source;
    pixman_image_t* src = nullptr;
    TPixman() {
        source.resize(size_t(kSide) * kSide);
        for (int32_t y = 0; y < kSide; ++y) {
            const uint32_t* row = Picture()->GetScanLine(y);
            for (int32_t x = 0; x < kSide; ++x) {
                const uint32_t p = row[x], a = p >> 24;
                auto ch = [&](int shift) { return (((p >> shift) & 255) * a / 255) << shift; };
                source[size_t(y) * kSide + size_t(x)] = (a << 24) | ch(16) | ch(8) | ch(0);
            }
        }
        src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, source.data(), kSide * 4);
        pixman_image_set_filter(src, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    }
};
TPixman& Pixman() {
    static TPixman* pixman = new TPixman;  // lives for the program
    return *pixman;
}

// dest pixel -> source: the inverse of what is drawn, as pixman takes it.
void PixmanFrames(benchmark::State& state, int32_t side, const pixman_transform_t& transform) {
    std::vector<uint32_t> bits(size_t(side) * side);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, side, side, bits.data(), side * 4);
    pixman_image_set_transform(Pixman().src, &transform);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, Pixman().src, nullptr, dst, 0, 0, 0, 0, 0, 0,
                                 side, side);
        benchmark::DoNotOptimize(bits.data());
    }
    pixman_image_set_transform(Pixman().src, nullptr);
    pixman_image_unref(dst);
}

void BM_Rotate_Pixman(benchmark::State& state) {
    const int32_t side = 363;
    const double a = 30 * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
    const double half = side / 2.0, mid = kSide / 2.0;
    // source = R * (dest - half) + mid
    pixman_transform_t t;
    pixman_transform_init_identity(&t);
    t.matrix[0][0] = pixman_double_to_fixed(c);
    t.matrix[0][1] = pixman_double_to_fixed(-s);
    t.matrix[0][2] = pixman_double_to_fixed(mid - c * half + s * half);
    t.matrix[1][0] = pixman_double_to_fixed(s);
    t.matrix[1][1] = pixman_double_to_fixed(c);
    t.matrix[1][2] = pixman_double_to_fixed(mid - s * half - c * half);
    PixmanFrames(state, side, t);
}
BENCHMARK(BM_Rotate_Pixman)->Unit(benchmark::kMicrosecond);

void BM_Zoom_Pixman(benchmark::State& state) {
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(1 / 1.5), pixman_double_to_fixed(1 / 1.5));
    PixmanFrames(state, 385, t);
}
BENCHMARK(BM_Zoom_Pixman)->Unit(benchmark::kMicrosecond);

void BM_Shift_Pixman(benchmark::State& state) {
    pixman_transform_t t;
    pixman_transform_init_translate(&t, pixman_double_to_fixed(-0.5), pixman_double_to_fixed(-0.25));
    PixmanFrames(state, 257, t);
}
BENCHMARK(BM_Shift_Pixman)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------

// Keeps the median CPU time of every benchmark (the single run without
// repetitions).
class TMedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string name = run.run_name.function_name;
            if ((run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") ||
                (run.run_type == Run::RT_Iteration && run.repetitions <= 1)) {
                medians[name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
};

void PrintRatios(const TMedianReporter& r) {
    auto get = [&](const std::string& name) {
        auto it = r.medians.find(name);
        return it == r.medians.end() ? 0.0 : it->second;
    };
    std::printf("\nRatios of medians (whole frames of ours against pixman's transform alone)\n");
    const struct {
        const char* what;
        const char* ours;
        const char* pixman;
        double goal;
    } rows[] = {{"rotate 30 smooth", "BM_Rotate_Ours", "BM_Rotate_Pixman", 1.5},
                {"zoom 1.5 smooth", "BM_Zoom_Ours", "BM_Zoom_Pixman", 2.0},
                {"shift (0.5, 0.25)", "BM_Shift_Ours", "BM_Shift_Pixman", 2.0},
                {"shift, cache warm", "BM_ShiftWarm_Ours", "BM_Shift_Pixman", 2.0}};
    for (const auto& row : rows) {
        const double ours = get(row.ours), pixman = get(row.pixman);
        if (ours > 0 && pixman > 0) {
            std::printf("%s: ours %.1f us, pixman %.1f us, ratio %.2f (goal <= %.1f)\n", row.what,
                        ours, pixman, ours / pixman, row.goal);
        }
    }
    const double sector = get("BM_CutSector_Ours"), atan = get("BM_CutSector_Atan");
    if (sector > 0) {
        std::printf("cut sector rebuild: %.1f us (goal <= 200 us); the per-pixel arctangent "
                    "alone: %.1f us\n",
                    sector, atan);
    }
    const double unchanged = get("BM_Unchanged_Ours");
    if (unchanged > 0) std::printf("unchanged rotate widget (cache drawn only): %.1f us\n", unchanged);
}

void RegisterBenchClasses() {
    RegisterObjectClass(ClassOf<TBenchPicture>(), "bench_picture");
}

}  // namespace

int main(int argc, char** argv) {
    const TUnit benchUnits[] = {{"TransformBench", RegisterBenchClasses, nullptr}};
    TUnitRunner units({CoreUnits(), FunctionUnits(), WidgetUnits(), EffectUnits(), benchUnits});
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
