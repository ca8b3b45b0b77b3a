// The XML library against pugixml on a generated storage document of about
// 5 MB shaped like a game definition: screens of widgets, each an element
// with several attributes, some with text or parameter children, indented as
// the data files are.
//
// Three pairs are measured: parsing the document held in memory (and freeing
// it), parsing it from a byte stream (and freeing it), and writing it as
// text. Both libraries keep the memory they free for their next document:
// ours through its own pool, pugixml through the caching allocator below, so
// that neither pays the system's page faults for memory the other reuses.
//
// BM_Interleaved runs the pairs in rounds, alternating which library goes
// first, and reports the median of each measure and the ratios (this
// library's time / pugixml's) as counters and as a table on standard output.
// The single benchmarks after it are for profiling one side alone
// (--benchmark_filter=...).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "core/xml/SimpleXml.h"

namespace {

const std::string& StorageText() {
    static const std::string text = [] {
        std::string s;
        s.reserve(5'300'000);
        s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        s += "<game name=\"Quillmarch\" type=\"Game\" version=\"1.01\">\n  <screens>\n";
        const char* types[] = {"image_widget", "ButtonControl", "LabelControl",
                               "blink_widget", "move_widget",   "CheckBoxControl"};
        int widget = 0;
        for (int screen = 0; s.size() < 5'000'000; ++screen) {
            s += "    <screen name=\"GS_Screen" + std::to_string(screen) +
                 "\" type=\"GameScreenOptions\" cursor=\"default\" music=\"menu_theme\">\n";
            s += "      <widgets>\n";
            for (int i = 0; i < 40; ++i, ++widget) {
                std::string n = std::to_string(widget);
                s += "        <widget name=\"widget_" + n + "\" type=\"" + types[widget % 6] +
                     "\" x=\"" + std::to_string(widget * 7 % 640) + "\" y=\"" +
                     std::to_string(widget * 13 % 480) + "\" width=\"" +
                     std::to_string(32 + widget % 200) + "\" height=\"" +
                     std::to_string(16 + widget % 90) + "\" visible=\"yes\" zorder=\"" +
                     std::to_string(widget % 10) + "\" resourcename=\"res_image_" +
                     std::to_string(widget % 500) + "\"";
                if (widget % 4 == 0) {
                    s += ">\n          <text>%text_label_" + n +
                         "% &amp; more</text>\n          <params>\n            <param "
                         "name=\"speed\" "
                         "value=\"0.25\"/>\n            <param name=\"alpha\" value=\"255\"/>\n"
                         "          </params>\n        </widget>\n";
                } else {
                    s += "/>\n";
                }
            }
            s += "      </widgets>\n    </screen>\n";
        }
        s += "  </screens>\n</game>\n";
        return s;
    }();
    return text;
}

const WideString& StorageWide() {
    static const WideString wide(StorageText().begin(), StorageText().end());
    return wide;
}

// pugixml's memory: blocks in power-of-two classes, each kept on its class's
// free list when freed and handed out again, never returned to the system
// (the lists are never destroyed, so what they hold stays reachable).
namespace pugi_pool {

struct alignas(16) Header {
    size_t cls;
};
std::vector<void*>& FreeList(size_t cls) {
    static std::vector<void*>* const lists = new std::vector<void*>[64];
    return lists[cls];
}

void* Allocate(size_t size) {
    size_t cls = static_cast<size_t>(std::bit_width(size + sizeof(Header) - 1));
    std::vector<void*>& list = FreeList(cls);
    Header* block;
    if (!list.empty()) {
        block = static_cast<Header*>(list.back());
        list.pop_back();
    } else {
        block = static_cast<Header*>(std::malloc(size_t{1} << cls));
        if (!block) return nullptr;
        block->cls = cls;
    }
    return block + 1;
}

void Deallocate(void* p) {
    if (!p) return;
    Header* block = static_cast<Header*>(p) - 1;
    FreeList(block->cls).push_back(block);
}

void Install() {
    static bool installed = [] {
        pugi::set_memory_management_functions(Allocate, Deallocate);
        return true;
    }();
    (void)installed;
}

}  // namespace pugi_pool

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override {
        out.append(static_cast<const char*>(data), size);
    }
};

constexpr unsigned kPugiWrite = pugi::format_raw | pugi::format_no_declaration;

// One measured operation of each library. Making the streams is not timed.
struct Ours {
    static void Parse() {
        Ref<IXmlDocument> doc = LoadXmlDocumentFromXML(StorageWide());
        benchmark::DoNotOptimize(doc.get());
    }
    static void StreamParse(TMemoryStream& stream) {
        Ref<IXmlDocument> doc = LoadXmlDocument(stream);
        benchmark::DoNotOptimize(doc.get());
    }
    static void Write(IXmlDocument& doc) {
        WideString xml = doc.GetXML();
        benchmark::DoNotOptimize(xml.data());
    }
};

struct Pugi {
    // Like ours, pugixml copies the text it is given (into memory of its
    // own, in which it parses in place).
    static void Parse() {
        pugi::xml_document doc;
        pugi::xml_parse_result result = doc.load_buffer(StorageText().data(), StorageText().size());
        benchmark::DoNotOptimize(result.status);
    }
    static void StreamParse(std::istream& stream) {
        pugi::xml_document doc;
        pugi::xml_parse_result result = doc.load(stream);
        benchmark::DoNotOptimize(result.status);
    }
    static void Write(const pugi::xml_document& doc) {
        StringWriter writer;
        doc.save(writer, "", kPugiWrite);
        benchmark::DoNotOptimize(writer.out.data());
    }
};

using Clock = std::chrono::steady_clock;

template <class F>
double TimeOnce(F&& f) {
    Clock::time_point start = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Each round times every measure once for both libraries; even rounds start
// with ours, odd ones with pugixml, so that a drift in the machine's speed
// weighs on both alike. The first round warms both pools up and is not kept.
void BM_Interleaved(benchmark::State& state) {
    pugi_pool::Install();
    const int rounds = static_cast<int>(state.range(0));
    Ref<IXmlDocument> ourDoc = LoadXmlDocumentFromXML(StorageWide());
    pugi::xml_document pugiDoc;
    pugiDoc.load_buffer(StorageText().data(), StorageText().size());

    enum { kParse, kStream, kWrite, kMeasures };
    std::vector<double> ours[kMeasures], pugi[kMeasures];
    for (auto _ : state) {
        for (int round = 0; round <= rounds; ++round) {
            double o[kMeasures], p[kMeasures];
            for (int side = 0; side < 2; ++side) {
                bool oursNow = (side == 0) == (round % 2 == 0);
                if (oursNow) {
                    TMemoryStream stream(StorageText());
                    o[kParse] = TimeOnce([] { Ours::Parse(); });
                    o[kStream] = TimeOnce([&] { Ours::StreamParse(stream); });
                    o[kWrite] = TimeOnce([&] { Ours::Write(*ourDoc); });
                } else {
                    std::istringstream stream(StorageText());
                    p[kParse] = TimeOnce([] { Pugi::Parse(); });
                    p[kStream] = TimeOnce([&] { Pugi::StreamParse(stream); });
                    p[kWrite] = TimeOnce([&] { Pugi::Write(pugiDoc); });
                }
            }
            if (round == 0) continue;
            for (int m = 0; m < kMeasures; ++m) {
                ours[m].push_back(o[m]);
                pugi[m].push_back(p[m]);
            }
        }
    }
    const char* names[kMeasures] = {"parse", "stream", "write"};
    std::printf("\n%-8s %12s %12s %8s   (medians of %d interleaved rounds)\n", "measure", "ours ms",
                "pugixml ms", "ratio", rounds);
    for (int m = 0; m < kMeasures; ++m) {
        double a = Median(ours[m]) * 1e3, b = Median(pugi[m]) * 1e3;
        std::printf("%-8s %12.2f %12.2f %8.2f\n", names[m], a, b, a / b);
        state.counters[std::string(names[m]) + "_ms"] = a;
        state.counters[std::string(names[m]) + "_pugixml_ms"] = b;
        state.counters[std::string(names[m]) + "_ratio"] = a / b;
    }
}
BENCHMARK(BM_Interleaved)->Arg(20)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ParseSimpleXml(benchmark::State& state) {
    for (auto _ : state) Ours::Parse();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * StorageText().size()));
}
BENCHMARK(BM_ParseSimpleXml)->Unit(benchmark::kMillisecond);

void BM_ParseSimpleXmlStream(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        TMemoryStream stream(StorageText());
        state.ResumeTiming();
        Ours::StreamParse(stream);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * StorageText().size()));
}
BENCHMARK(BM_ParseSimpleXmlStream)->Unit(benchmark::kMillisecond);

void BM_ParsePugixml(benchmark::State& state) {
    pugi_pool::Install();
    for (auto _ : state) Pugi::Parse();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * StorageText().size()));
}
BENCHMARK(BM_ParsePugixml)->Unit(benchmark::kMillisecond);

void BM_ParsePugixmlStream(benchmark::State& state) {
    pugi_pool::Install();
    for (auto _ : state) {
        state.PauseTiming();
        std::istringstream stream(StorageText());
        state.ResumeTiming();
        Pugi::StreamParse(stream);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * StorageText().size()));
}
BENCHMARK(BM_ParsePugixmlStream)->Unit(benchmark::kMillisecond);

void BM_WriteSimpleXml(benchmark::State& state) {
    Ref<IXmlDocument> doc = LoadXmlDocumentFromXML(StorageWide());
    for (auto _ : state) Ours::Write(*doc);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * StorageText().size()));
}
BENCHMARK(BM_WriteSimpleXml)->Unit(benchmark::kMillisecond);

void BM_WritePugixml(benchmark::State& state) {
    pugi_pool::Install();
    pugi::xml_document doc;
    doc.load_buffer(StorageText().data(), StorageText().size());
    for (auto _ : state) Pugi::Write(doc);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * StorageText().size()));
}
BENCHMARK(BM_WritePugixml)->Unit(benchmark::kMillisecond);

}  // namespace
