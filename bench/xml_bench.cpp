// The XML library against pugixml on a generated storage document of about
// 5 MB shaped like a game definition: screens of widgets, each an element
// with several attributes, some with text or parameter children, indented as
// the data files are.
//
// Each library runs in a benchmark of its own (timing both in one loop would
// let one's allocations slow the other down). Parsing includes freeing the
// document, for both. BM_Ratios, registered last, reports "parse_ratio" and
// "write_ratio" (this library's time / pugixml's), each from the medians of
// the timed runs before it; run with --benchmark_repetitions=N.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <pugixml.hpp>
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

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override {
        out.append(static_cast<const char*>(data), size);
    }
};

constexpr unsigned kPugiWrite = pugi::format_raw | pugi::format_no_declaration;

using Clock = std::chrono::steady_clock;
double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Seconds per iteration of every timed run, by benchmark.
std::map<std::string, std::vector<double>>& Runs() {
    static std::map<std::string, std::vector<double>> runs;
    return runs;
}

// Times the loop of a benchmark; runs of one iteration (the framework's
// first probe) are not kept.
class TRunTimer {
public:
    TRunTimer(benchmark::State& state, const char* name)
        : state_(state), name_(name), start_(Clock::now()) {}
    ~TRunTimer() {
        if (state_.iterations() > 1) {
            Runs()[name_].push_back(Seconds(Clock::now() - start_) /
                                    static_cast<double>(state_.iterations()));
        }
    }

private:
    benchmark::State& state_;
    const char* name_;
    Clock::time_point start_;
};

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_ParseSimpleXml(benchmark::State& state) {
    const WideString& text = StorageWide();
    TRunTimer timer(state, "parse");
    for (auto _ : state) {
        Ref<IXmlDocument> doc = LoadXmlDocumentFromXML(text);
        benchmark::DoNotOptimize(doc.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * StorageText().size()));
}
BENCHMARK(BM_ParseSimpleXml)->Unit(benchmark::kMillisecond);

void BM_ParseSimpleXmlStream(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        TMemoryStream stream(StorageText());
        state.ResumeTiming();
        Ref<IXmlDocument> doc = LoadXmlDocument(stream);
        benchmark::DoNotOptimize(doc.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * StorageText().size()));
}
BENCHMARK(BM_ParseSimpleXmlStream)->Unit(benchmark::kMillisecond);

// pugixml parses a copy of the text in place; the copy goes to a buffer kept
// between iterations, since a fresh 5 MB copy each time would mostly time the
// system's page faults.
void BM_ParsePugixml(benchmark::State& state) {
    const std::string& text = StorageText();
    std::string buffer(text.size(), '\0');
    TRunTimer timer(state, "parse_pugixml");
    for (auto _ : state) {
        buffer.assign(text);
        pugi::xml_document doc;
        pugi::xml_parse_result result = doc.load_buffer_inplace(buffer.data(), buffer.size());
        benchmark::DoNotOptimize(result.status);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParsePugixml)->Unit(benchmark::kMillisecond);

void BM_WriteSimpleXml(benchmark::State& state) {
    Ref<IXmlDocument> doc = LoadXmlDocumentFromXML(StorageWide());
    TRunTimer timer(state, "write");
    for (auto _ : state) {
        WideString xml = doc->GetXML();
        benchmark::DoNotOptimize(xml.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * StorageText().size()));
}
BENCHMARK(BM_WriteSimpleXml)->Unit(benchmark::kMillisecond);

void BM_WritePugixml(benchmark::State& state) {
    pugi::xml_document doc;
    doc.load_buffer(StorageText().data(), StorageText().size());
    TRunTimer timer(state, "write_pugixml");
    for (auto _ : state) {
        StringWriter writer;
        doc.save(writer, "", kPugiWrite);
        benchmark::DoNotOptimize(writer.out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * StorageText().size()));
}
BENCHMARK(BM_WritePugixml)->Unit(benchmark::kMillisecond);

// The ratios of the medians measured above.
void BM_Ratios(benchmark::State& state) {
    for (auto _ : state) {
    }
    double parse = Median(Runs()["parse"]) / Median(Runs()["parse_pugixml"]);
    double write = Median(Runs()["write"]) / Median(Runs()["write_pugixml"]);
    state.counters["parse_ratio"] = parse;
    state.counters["write_ratio"] = write;
    std::printf("time / pugixml's time: parse %.2f, write %.2f\n", parse, write);
}
BENCHMARK(BM_Ratios)->Iterations(1);

}  // namespace
