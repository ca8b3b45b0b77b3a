// Drawing speed: our Draw paths against pixman's compositing and memcpy on a
// 1024 x 768 frame and on 256 x 256 and 64 x 64 sprites, then the ratios
// (medians of the repetitions, all from this one run).
//
// The source has random colours and alphas, so no run of transparent or
// opaque pixels gives either side a shortcut. Destinations are opaque, like
// the back surface. pixman works on premultiplied a8r8g8b8; the values do not
// change its speed.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/surface/EngineSurface.h"
#include "engine/surface/SurfaceKernels.h"

namespace {

constexpr int kFrameW = 1024, kFrameH = 768;

struct TSize {
    const char* name;
    int w, h;
};
constexpr TSize kSizes[] = {{"frame", kFrameW, kFrameH}, {"256", 256, 256}, {"64", 64, 64}};

Ref<TSurface> RandomSurface(int w, int h, bool transparent, uint32_t seed) {
    Ref<TSurface> s = MakeRef<TSurface>();
    s->SetSize(w, h);
    s->SetTransparent(transparent);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y) {
        uint32_t* row = s->GetScanLine(y);
        for (int x = 0; x < w; ++x) row[x] = transparent ? rng() : rng() | 0xFF000000u;
    }
    return s;
}

// One shared frame and one source per size, made once.
struct TData {
    Ref<TSurface> frame = RandomSurface(kFrameW, kFrameH, false, 1);
    Ref<TSurface> alphaSource[3];
    Ref<TSurface> opaqueSource[3];
    TData() {
        for (int i = 0; i < 3; ++i) {
            alphaSource[i] = RandomSurface(kSizes[i].w, kSizes[i].h, true, 10 + i);
            opaqueSource[i] = RandomSurface(kSizes[i].w, kSizes[i].h, false, 20 + i);
        }
    }
};
TData& Data() {
    static TData data;
    return data;
}

// Sprites sit inside the frame, away from its edges.
TRect Place(const TSize& size) {
    const int x = size.w == kFrameW ? 0 : 100, y = size.h == kFrameH ? 0 : 60;
    return TRect{x, y, x + size.w, y + size.h};
}

void OurDraw(benchmark::State& state, int sizeIndex, TBlendingMode mode, uint8_t level, bool opaque,
             TKernelLevel kernelLevel) {
    const TKernelLevel saved = CurrentKernelLevel();
    if (SetKernelLevel(kernelLevel) != kernelLevel) {
        state.SkipWithError("kernel level not available here");
        SetKernelLevel(saved);
        return;
    }
    const TSize& size = kSizes[sizeIndex];
    ISurface* source =
        opaque ? Data().opaqueSource[sizeIndex].get() : Data().alphaSource[sizeIndex].get();
    const TRect src{0, 0, size.w, size.h}, dst = Place(size);
    for (auto _ : state) {
        benchmark::DoNotOptimize(Data().frame->Draw(source, src, dst, level, mode));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * size.w * size.h);
    SetKernelLevel(saved);
}

pixman_image_t* Wrap(ISurface& s) {
    return pixman_image_create_bits(PIXMAN_a8r8g8b8, s.GetWidth(), s.GetHeight(), s.GetScanLine(0),
                                    s.GetWidth() * 4);
}

void PixmanDraw(benchmark::State& state, int sizeIndex, pixman_op_t op, bool solidMask) {
    const TSize& size = kSizes[sizeIndex];
    pixman_image_t* dst = Wrap(*Data().frame);
    pixman_image_t* src = Wrap(*Data().alphaSource[sizeIndex]);
    pixman_image_t* mask = nullptr;
    if (solidMask) {
        const pixman_color_t half{0x8000, 0x8000, 0x8000, 0x8000};
        mask = pixman_image_create_solid_fill(&half);
    }
    const TRect at = Place(size);
    for (auto _ : state) {
        pixman_image_composite32(op, src, mask, dst, 0, 0, 0, 0, at.left, at.top, size.w, size.h);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * size.w * size.h);
    if (mask) pixman_image_unref(mask);
    pixman_image_unref(src);
    pixman_image_unref(dst);
}

void Memcpy(benchmark::State& state, int sizeIndex) {
    const TSize& size = kSizes[sizeIndex];
    ISurface& source = *Data().opaqueSource[sizeIndex];
    ISurface& frame = *Data().frame;
    const TRect at = Place(size);
    for (auto _ : state) {
        if (size.w == kFrameW) {
            std::memcpy(frame.GetScanLine(0), source.GetScanLine(0), size_t(size.w) * size.h * 4);
        } else {
            for (int y = 0; y < size.h; ++y)
                std::memcpy(frame.GetScanLine(at.top + y) + at.left, source.GetScanLine(y),
                            size_t(size.w) * 4);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * size.w * size.h);
}

struct TOurPath {
    const char* name;
    TBlendingMode mode;
    uint8_t level;
    bool opaque;
};
constexpr TOurPath kPaths[] = {
    {"fast_copy", bm_Normal, 255, true},    {"alpha_blend", bm_Normal, 255, false},
    {"alpha_level", bm_Normal, 128, false}, {"screen", bm_Screen, 255, false},
    {"overlay", bm_Overlay, 255, false},    {"linear_light", bm_LinearLight, 255, false},
    {"addition", bm_Addition, 255, false},
};

const char* LevelName(TKernelLevel level) {
    switch (level) {
        case TKernelLevel::Scalar:
            return "scalar";
        case TKernelLevel::Sse2:
            return "sse2";
        case TKernelLevel::Avx2:
            return "avx2";
        case TKernelLevel::Avx512:
            return "avx512";
    }
    return "?";
}

// Names are built with snprintf: GCC 12 warns falsely on chained std::string +.
std::string Name(const char* a, const char* b, const char* c) {
    char text[96];
    std::snprintf(text, sizeof text, "%s/%s/%s", a, b, c);
    return text;
}

void RegisterAll() {
    const TKernelLevel best = MaxKernelLevel();
    for (int i = 0; i < 3; ++i) {
        const char* size = kSizes[i].name;
        for (const TOurPath& p : kPaths) {
            benchmark::RegisterBenchmark(Name("ours", p.name, size).c_str(), OurDraw, i, p.mode,
                                         p.level, p.opaque, best);
        }
        benchmark::RegisterBenchmark(Name("pixman", "over", size).c_str(), PixmanDraw, i,
                                     PIXMAN_OP_OVER, false);
        benchmark::RegisterBenchmark(Name("pixman", "over_solid_mask", size).c_str(), PixmanDraw, i,
                                     PIXMAN_OP_OVER, true);
        benchmark::RegisterBenchmark(Name("pixman", "add", size).c_str(), PixmanDraw, i,
                                     PIXMAN_OP_ADD, false);
        benchmark::RegisterBenchmark(Name("pixman", "screen", size).c_str(), PixmanDraw, i,
                                     PIXMAN_OP_SCREEN, false);
        benchmark::RegisterBenchmark(Name("pixman", "overlay", size).c_str(), PixmanDraw, i,
                                     PIXMAN_OP_OVERLAY, false);
        benchmark::RegisterBenchmark(Name("memcpy", "plain", size).c_str(), Memcpy, i);
    }
    // Each lower instruction-set level on the frame, for machines without the
    // widest.
    for (int level = 0; level < static_cast<int>(best); ++level) {
        const TKernelLevel kernelLevel = static_cast<TKernelLevel>(level);
        char group[32];
        std::snprintf(group, sizeof group, "ours_%s", LevelName(kernelLevel));
        for (const TOurPath& p : kPaths) {
            if (p.opaque) continue;
            benchmark::RegisterBenchmark(Name(group, p.name, "frame").c_str(), OurDraw, 0, p.mode,
                                         p.level, p.opaque, kernelLevel);
        }
    }
}

// Keeps the median of every benchmark for the ratio table.
class TMedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
            } else if (run.run_type == Run::RT_Iteration && run.repetitions <= 1) {
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
};

void PrintRatios(const std::map<std::string, double>& t) {
    auto get = [&](const std::string& name) {
        auto it = t.find(name);
        return it == t.end() ? 0.0 : it->second;
    };
    std::printf("\nRatios of medians (kernels: %s)\n", CurrentKernels().name);
    std::printf("%-44s %10s %10s %10s  %s\n", "ratio", "frame", "256", "64", "goal");
    struct TRatio {
        const char* label;
        std::string a, b;
        const char* goal;
    };
    const TRatio ratios[] = {
        {"alpha blend / pixman OVER", "ours/alpha_blend/", "pixman/over/", "<= 0.5"},
        {"alpha level / pixman OVER solid mask", "ours/alpha_level/", "pixman/over_solid_mask/",
         ""},
        {"screen / our alpha blend", "ours/screen/", "ours/alpha_blend/", "<= 2"},
        {"overlay / our alpha blend", "ours/overlay/", "ours/alpha_blend/", "<= 2"},
        {"linear light / our alpha blend", "ours/linear_light/", "ours/alpha_blend/", "<= 2"},
        {"addition / pixman ADD", "ours/addition/", "pixman/add/", "<= 1"},
        {"fast copy / memcpy", "ours/fast_copy/", "memcpy/plain/", "<= 1.1"},
        {"screen / pixman SCREEN", "ours/screen/", "pixman/screen/", ""},
        {"overlay / pixman OVERLAY", "ours/overlay/", "pixman/overlay/", ""},
        {"pixman SCREEN / pixman OVER", "pixman/screen/", "pixman/over/", ""},
    };
    for (const TRatio& r : ratios) {
        std::printf("%-44s", r.label);
        for (const TSize& size : kSizes) {
            const double a = get(r.a + size.name), b = get(r.b + size.name);
            if (a > 0 && b > 0) {
                std::printf(" %10.3f", a / b);
            } else {
                std::printf(" %10s", "-");
            }
        }
        std::printf("  %s\n", r.goal);
    }
    std::printf("\nMedian times, frame (us): ");
    for (const char* name : {"ours/alpha_blend/frame", "pixman/over/frame", "ours/fast_copy/frame",
                             "memcpy/plain/frame"}) {
        std::printf(" %s %.1f;", name, get(name) / 1000.0);
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RegisterAll();
    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter.medians);
    benchmark::Shutdown();
    return 0;
}
