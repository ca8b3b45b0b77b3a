// The level checker on random pictures that it solves completely, 10×10 and
// 30×30: deriving the clues and solving them line by line to the end, per
// level. Each size checks the same fixed set of pictures in turn, found by
// rejection from a fixed seed, so every run measures the same work. The
// program prints the median time per level of each size and their ratio
// (a 30×30 level has nine times the cells of a 10×10 one).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "nonogram/solver/NonogramSolver.h"

namespace {

constexpr int kPicturesPerSize = 16;
constexpr int kRepetitions = 9;

// Random pictures, about two cells in three filled (sparser ones are seldom
// solvable by lines at 30×30), kept only when the checker solves them; made
// once per size.
const std::vector<TNonogramPicture>& SolvablePictures(int32_t side) {
    static std::map<int32_t, std::vector<TNonogramPicture>> made;
    if (auto it = made.find(side); it != made.end()) return it->second;
    std::mt19937 random(12345 + side);
    std::bernoulli_distribution filled(0.65);
    TNonogramSolver solver;
    std::vector<TNonogramPicture> pictures;
    int tried = 0;
    while (static_cast<int>(pictures.size()) < kPicturesPerSize) {
        TNonogramPicture picture{side, side, {}};
        for (int32_t i = 0; i < side * side; ++i) picture.filled.push_back(filled(random));
        ++tried;
        if (solver.Check(picture) == TSolveVerdict::kLineSolvable) {
            pictures.push_back(std::move(picture));
        }
    }
    std::fprintf(stderr, "%dx%d: %d solvable pictures of %d tried\n", side, side, kPicturesPerSize,
                 tried);
    return made[side] = std::move(pictures);
}

void BM_CheckLevel(benchmark::State& state) {
    const std::vector<TNonogramPicture>& pictures =
        SolvablePictures(static_cast<int32_t>(state.range(0)));
    TNonogramSolver solver;
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(solver.Check(pictures[next]));
        next = (next + 1) % pictures.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CheckLevel)
    ->Arg(10)
    ->Arg(30)
    ->Repetitions(kRepetitions)
    ->Unit(benchmark::kMicrosecond);

// Keeps the median of each size for the ratio.
class TMedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians[run.run_name.args] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;  // by argument, in the reported unit
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double small = reporter.medians["10"], large = reporter.medians["30"];
    if (small > 0 && large > 0) {
        std::printf(
            "\nMedian per level: 10x10 %.1f us, 30x30 %.1f us (goal <= 5000 us); "
            "ratio 30x30 / 10x10 %.2f\n",
            small, large, large / small);
    }
    benchmark::Shutdown();
    return 0;
}
