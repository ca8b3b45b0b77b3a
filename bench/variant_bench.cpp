// Variant conversions on the paths that storage reading takes for every value.
#include <benchmark/benchmark.h>

#include "core/base/Variant.h"

static void BM_VariantTextToInt(benchmark::State& state) {
    Variant v("12345");
    for (auto _ : state) benchmark::DoNotOptimize(v.ToInt());
}
BENCHMARK(BM_VariantTextToInt);

static void BM_VariantFloatToText(benchmark::State& state) {
    Variant v(0.333333333333);
    for (auto _ : state) benchmark::DoNotOptimize(v.ToString());
}
BENCHMARK(BM_VariantFloatToText);
