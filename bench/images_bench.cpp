// Image resources against a bare libpng / libjpeg decode of the same files.
//
// One hundred pictures (50 PNG with alpha, 50 JPEG, 256 x 256 each) are
// written once into a folder and into an ".sgd" pack. BM_ResourceList* load a
// resource list of all of them the way the engine does (entries created by
// type, loaded from their elements, attached to an owner that opens files
// through OpenResource, which decodes them), then remove the group. BM_BareFolder
// and BM_BarePack read each file (from the folder, or from the pack through
// minizip) and decode it with the libraries' own simplest calls into a plain
// buffer. Each reports "s_per_MP" (seconds per megapixel); the summary prints the engine's
// overhead over the bare decode.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <minizip/unzip.h>

#include "core/CoreUnits.h"
#include "core/base/Units.h"
#include "core/packs/ResourceReader.h"
#include "core/storage/XMLStorage.h"
#include "engine/resources/EngineImages.h"
#include "tests/engine/resources/ImageFixtures.h"

namespace {

constexpr int kSide = 256;
constexpr int kImages = 100;
constexpr double kMegapixels = double(kSide) * kSide * kImages / 1e6;

struct TBenchData {
    std::filesystem::path root;
    std::vector<std::string> files;  // relative to the folder, "img/NN.png"
    std::string list;                // the resource list text
};

// Deterministic texture with some noise, so that both formats compress as
// real pictures do rather than as flat colour.
uint32_t Texture(int seed, int x, int y) {
    uint32_t h = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u ^ uint32_t(seed) * 83492791u;
    h ^= h >> 13;
    const uint32_t noise = h & 0x0F;
    const uint32_t r = (uint32_t(x + seed * 5) & 0xFF) ^ noise;
    const uint32_t g = (uint32_t(y * 2 + seed) & 0xFF) ^ noise;
    const uint32_t b = uint32_t((x ^ y) & 0xFF);
    const uint32_t a = uint32_t(std::min(255, (x + y) * 2));
    return a << 24 | r << 16 | g << 8 | b;
}

const TBenchData& Data() {
    static const TBenchData data = [] {
        TBenchData d;
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qm-images-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        d.root = pattern;
        std::map<std::string, std::string> entries;
        std::ostringstream list;
        list << "<resources><content>";
        for (int i = 0; i < kImages; ++i) {
            const bool png = i % 2 == 0;
            const std::string name = "img/" + std::to_string(i) + (png ? ".png" : ".jpg");
            const std::string bytes =
                png ? fixtures::EncodeRgbaPng(kSide, kSide,
                                              [i](int x, int y) { return Texture(i, x, y); })
                    : fixtures::EncodeRgbJpeg(
                          kSide, kSide, [i](int x, int y) { return Texture(i, x, y); }, 90);
            std::filesystem::create_directories(d.root / "folder/img");
            std::ofstream(d.root / "folder" / name, std::ios::binary) << bytes;
            entries[name] = bytes;
            d.files.push_back(name);
            list << "<resource name=\"pic" << i << "\" type=\"ImageResource\" format=\""
                 << (png ? "png" : "jpeg") << "\" file=\"" << name << "\"/>";
        }
        list << "</content></resources>";
        fixtures::WritePack((d.root / "pack.sgd").string(), entries);
        d.list = list.str();
        return d;
    }();
    return data;
}

void LoadList(const std::string& root) {
    Ref<fixtures::TTestOwner> owner = MakeRef<fixtures::TTestOwner>(root);
    Ref<TResourceCollection> resources = CreateObject<TResourceCollection>();
    Ref<IHierStorage> content = LoadStorageFromXML(Data().list)->GetChild("content", 0);
    const int32_t count = content->GetChildCount("resource");
    for (int32_t i = 0; i < count; ++i) {
        Ref<IHierStorage> item = content->GetChild("resource", i);
        Ref<IResourceSlave> resource =
            CreateResourceByType(ReadString(item, "type", ""), ReadString(item, "name", ""));
        LoadPersistObject(resource, item);
        resource->SetGroupName("bench");
        resource->SetOwner(owner);
        resources->Add(resource);
        if (!Query<IImageResource>(resource)->GetSurface()) std::abort();
    }
    resources->RemoveGroup("bench");
}

// Seconds per megapixel.
void Report(benchmark::State& state) {
    state.counters["s_per_MP"] =
        benchmark::Counter(double(state.iterations()) * kMegapixels,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ResourceListFolder(benchmark::State& state) {
    const std::string root = (Data().root / "folder").string();
    for (auto _ : state) LoadList(root);
    Report(state);
}

void BM_ResourceListPack(benchmark::State& state) {
    // The pack stands where the folder "pack" would be.
    const std::string root = (Data().root / "pack").string();
    for (auto _ : state) LoadList(root);
    Report(state);
}

// ---------------------------------------------------------------------------
// Bare decodes

std::string ReadFile(const std::filesystem::path& path) {
    std::string bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fseek(file, 0, SEEK_END);
        bytes.resize(static_cast<size_t>(std::ftell(file)));
        std::fseek(file, 0, SEEK_SET);
        if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
        std::fclose(file);
    }
    return bytes;
}

// Bare decodes into an uninitialised buffer with the transforms a 32-bit
// B G R A pixel needs; any library error ends the program (the inputs are
// known to be good).
struct TBareSource {
    const std::string* bytes;
    size_t pos;
};

void BareRead(png_structp png, png_bytep out, size_t count) {
    auto* source = static_cast<TBareSource*>(png_get_io_ptr(png));
    if (count > source->bytes->size() - source->pos) std::abort();
    std::memcpy(out, source->bytes->data() + source->pos, count);
    source->pos += count;
}

void BareFail(png_structp, png_const_charp) {
    std::abort();
}

void BarePng(const std::string& bytes, std::unique_ptr<uint32_t[]>& pixels) {
    // pixels is allocated on the first call and reused after (every picture
    // has the same size).
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, BareFail, nullptr);
    png_infop info = png_create_info_struct(png);
    TBareSource source{&bytes, 0};
    png_set_read_fn(png, &source, BareRead);
    png_read_info(png, info);
    const uint32_t width = png_get_image_width(png, info);
    const uint32_t height = png_get_image_height(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (!pixels) pixels.reset(new uint32_t[size_t{width} * height]);
    std::vector<png_bytep> rows(height);
    for (uint32_t y = 0; y < height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(pixels.get() + size_t{y} * width);
    png_read_image(png, rows.data());
    png_read_end(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
}

void BareJpeg(const std::string& bytes, std::unique_ptr<uint32_t[]>& pixels) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);  // exits on an error
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    if (!pixels) pixels.reset(new uint32_t[size_t{cinfo.output_width} * cinfo.output_height]);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(pixels.get() + size_t{cinfo.output_scanline} *
                                                                     cinfo.output_width);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

// The whole entry of an opened archive; empty when it cannot be read.
std::string ReadEntry(unzFile zip, const std::string& name) {
    unz_file_info64 info;
    if (unzLocateFile(zip, name.c_str(), 2) != UNZ_OK || unzOpenCurrentFile(zip) != UNZ_OK)
        return {};
    unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0);
    std::string bytes(info.uncompressed_size, '\0');
    const int read = unzReadCurrentFile(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
    unzCloseCurrentFile(zip);
    return read == static_cast<int>(bytes.size()) ? bytes : std::string();
}

// Every picture read by `read` and decoded into a buffer of its own. The
// buffers are allocated once, outside the timing, so that the bare figure is
// reading and decoding only; the resource list also pays for its surfaces.
template <class TRead>
void DecodeAll(TRead read) {
    static std::vector<std::unique_ptr<uint32_t[]>> pictures(Data().files.size());
    for (size_t i = 0; i < Data().files.size(); ++i) {
        const std::string& file = Data().files[i];
        const std::string bytes = read(file);
        if (bytes.empty()) std::abort();
        if (file.ends_with(".png"))
            BarePng(bytes, pictures[i]);
        else
            BareJpeg(bytes, pictures[i]);
        benchmark::DoNotOptimize(pictures[i].get());
    }
}

void BM_BareFolder(benchmark::State& state) {
    const std::filesystem::path folder = Data().root / "folder";
    for (auto _ : state)
        DecodeAll([&](const std::string& file) { return ReadFile(folder / file); });
    Report(state);
}

void BM_BarePack(benchmark::State& state) {
    const std::string pack = (Data().root / "pack.sgd").string();
    for (auto _ : state) {
        unzFile zip = unzOpen64(pack.c_str());
        if (!zip) std::abort();
        DecodeAll([&](const std::string& file) { return ReadEntry(zip, file); });
        unzClose(zip);
    }
    Report(state);
}

class TSummary : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            auto it = run.counters.find("s_per_MP");
            if (it != run.counters.end()) perMp[run.run_name.function_name] = it->second.value;
        }
    }
    std::map<std::string, double> perMp;
};

}  // namespace

BENCHMARK(BM_BareFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BarePack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResourceListFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResourceListPack)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    TUnitRunner units({CoreUnits(), std::span<const TUnit>(&kResourcesUnit, 1)});
    SetPackExtension(".sgd");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TSummary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    benchmark::Shutdown();
    std::printf("\nms per megapixel:");
    for (const char* source : {"Folder", "Pack"}) {
        const double bare = summary.perMp[std::string("BM_Bare") + source];
        const double ours = summary.perMp[std::string("BM_ResourceList") + source];
        if (bare > 0 && ours > 0) {
            std::printf(" %s: bare %.3f, resource list %.3f (%+.1f %%);", source, bare * 1e3,
                        ours * 1e3, (ours / bare - 1) * 100);
        }
    }
    std::printf("\n");
    std::error_code ignored;
    std::filesystem::remove_all(Data().root, ignored);
    return 0;
}
