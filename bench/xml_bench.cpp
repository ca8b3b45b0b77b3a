// The XML library against pugixml on a generated storage document of about
// 5 MB shaped like a game definition: screens of widgets, each an element
// with several attributes, some with text or parameter children, indented as
// the data files are.
//
// BM_ParseRatio and BM_WriteRatio time both libraries alternately in the
// same iterations and report "ratio" (this library's time / pugixml's); run
// with --benchmark_repetitions=N to get their median.
#include <benchmark/benchmark.h>

#include <chrono>
#include <pugixml.hpp>
#include <string>

#include "core/SimpleXml.h"

namespace {

const std::string& StorageText() {
    static const std::string text = [] {
        std::string s;
        s.reserve(5'300'000);
        s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        s += "<game name=\"Quillmarch\" type=\"Game\" version=\"1.01\">\n  <screens>\n";
        const char* types[] = {"image_widget", "ButtonControl", "LabelControl", "blink_widget",
                               "move_widget", "CheckBoxControl"};
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
                     std::to_string(16 + widget % 90) +
                     "\" visible=\"yes\" zorder=\"" + std::to_string(widget % 10) +
                     "\" resourcename=\"res_image_" + std::to_string(widget % 500) + "\"";
                if (widget % 4 == 0) {
                    s += ">\n          <text>%text_label_" + n +
                         "% &amp; more</text>\n          <params>\n            <param name=\"speed\" "
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
double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void BM_ParseSimpleXml(benchmark::State& state) {
    const WideString& text = StorageWide();
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

void BM_ParsePugixml(benchmark::State& state) {
    const std::string& text = StorageText();
    for (auto _ : state) {
        pugi::xml_document doc;
        pugi::xml_parse_result result = doc.load_buffer(text.data(), text.size());
        benchmark::DoNotOptimize(result.status);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParsePugixml)->Unit(benchmark::kMillisecond);

void BM_WriteSimpleXml(benchmark::State& state) {
    Ref<IXmlDocument> doc = LoadXmlDocumentFromXML(StorageWide());
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
    for (auto _ : state) {
        StringWriter writer;
        doc.save(writer, "", kPugiWrite);
        benchmark::DoNotOptimize(writer.out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * StorageText().size()));
}
BENCHMARK(BM_WritePugixml)->Unit(benchmark::kMillisecond);

// Parsing alone, both libraries in every iteration; freeing the documents is
// not timed.
void BM_ParseRatio(benchmark::State& state) {
    const std::string& text = StorageText();
    const WideString& wide = StorageWide();
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        Ref<IXmlDocument> doc = LoadXmlDocumentFromXML(wide);
        auto t1 = Clock::now();
        pugi::xml_document pdoc;
        pdoc.load_buffer(text.data(), text.size());
        auto t2 = Clock::now();
        ours += Seconds(t1 - t0);
        theirs += Seconds(t2 - t1);
        state.SetIterationTime(Seconds(t1 - t0));
    }
    state.counters["ratio"] = ours / theirs;
    state.counters["pugixml_ms"] = theirs * 1000 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ParseRatio)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_WriteRatio(benchmark::State& state) {
    Ref<IXmlDocument> doc = LoadXmlDocumentFromXML(StorageWide());
    pugi::xml_document pdoc;
    pdoc.load_buffer(StorageText().data(), StorageText().size());
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        WideString xml = doc->GetXML();
        auto t1 = Clock::now();
        StringWriter writer;
        pdoc.save(writer, "", kPugiWrite);
        auto t2 = Clock::now();
        benchmark::DoNotOptimize(xml.data());
        benchmark::DoNotOptimize(writer.out.data());
        ours += Seconds(t1 - t0);
        theirs += Seconds(t2 - t1);
        state.SetIterationTime(Seconds(t1 - t0));
    }
    state.counters["ratio"] = ours / theirs;
    state.counters["pugixml_ms"] = theirs * 1000 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WriteRatio)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
