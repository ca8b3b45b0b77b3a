// Parameter strings and language files at sizes four times apart, to show
// that the time grows with the size and not faster: SplitParams and Split on
// an "_outstorage"-like value whose pieces each open a "{" that is never
// closed (the worst case for brace matching), and loading a language file of
// n strings. Each size is a separate benchmark argument; run with
// --benchmark_repetitions=N and compare the medians of neighbouring sizes (a
// linear cost gives a ratio close to 4). A small language fits the
// processor's caches and a large one does not, so the first step also shows
// the slower memory; the second shows the growth alone.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/base/ParamStringUtils.h"
#include "core/lang/MultiLanguages.h"
#include "core/packs/ResourceReader.h"
#include "core/storage/XMLStorage.h"

namespace {

// About `bytes` of "\kNNN={value NNN" pieces: every piece opens a group.
std::string UnclosedBraces(size_t bytes) {
    std::string text;
    text.reserve(bytes + 32);
    for (int i = 0; text.size() < bytes; ++i) {
        const std::string n = std::to_string(i);
        text += "\\k" + n + "={value " + n;
    }
    return text;
}

void BM_SplitParamsUnclosedBraces(benchmark::State& state) {
    const std::string text = UnclosedBraces(static_cast<size_t>(state.range(0)));
    TTwoArrayOfString pairs;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SplitParams(text, pairs, '\\', '='));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_SplitParamsUnclosedBraces)->Arg(200'000)->Arg(800'000)->Unit(benchmark::kMillisecond);

void BM_SplitUnclosedBraces(benchmark::State& state) {
    const std::string text = UnclosedBraces(static_cast<size_t>(state.range(0)));
    TOneArrayOfString pieces;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Split(text, pieces, '\\'));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_SplitUnclosedBraces)->Arg(200'000)->Arg(800'000)->Unit(benchmark::kMillisecond);

// A language file of n strings in a temporary folder that goes with the
// benchmark.
class TLanguageFile {
public:
    explicit TLanguageFile(int strings) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qm-params-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        folder_ = pattern;
        path_ = (folder_ / "big.lng").string();
        std::ofstream out(path_, std::ios::binary);
        out << "<language id=\"xx\" name=\"Bench\"><strings>\n";
        for (int i = 0; i < strings; ++i) {
            out << "<string name=\"key_" << i << "\">Text number " << i
                << " of the game</string>\n";
        }
        out << "</strings></language>\n";
    }
    ~TLanguageFile() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    const std::string& Path() const { return path_; }

private:
    std::filesystem::path folder_;
    std::string path_;
};

void BM_LoadLanguageFile(benchmark::State& state) {
    // Freed memory stays with the allocator, as in a running game, rather
    // than going back to the system at once: each iteration would otherwise
    // fault in tens of megabytes of fresh pages, which on a virtual machine
    // costs more than the loading and grows faster than the size.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, -1);
    const int strings = static_cast<int>(state.range(0));
    TLanguageFile file(strings);
    for (auto _ : state) {
        TMultiLanguages languages;
        if (!languages.LoadLanguageFile(file.Path())) state.SkipWithError("not loaded");
        benchmark::DoNotOptimize(languages.Strings().GetCount());
    }
    state.SetItemsProcessed(state.iterations() * strings);
    FreeResourceReader();
}
BENCHMARK(BM_LoadLanguageFile)
    ->Arg(20'000)
    ->Arg(80'000)
    ->Arg(320'000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
