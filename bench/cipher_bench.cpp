// Deciphering HexCipherText (the form of every data and player file), next to
// a plain copy of the same bytes; and opening many small entries of one pack.
// Throughputs count plain-text bytes, except for the copy, which counts the
// bytes copied.
#include <benchmark/benchmark.h>
#include <minizip/zip.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/packs/Cipher.h"
#include "core/packs/ResourceReader.h"

namespace {

const char* const kKey = "Quillmarch-2007";
constexpr size_t kHexSize = 1 << 20;  // 1 MB of hex text, 512 KB of plain text
constexpr int kPackEntries = 1000;

// A 1 MB HexCipherText file and a pack of 1,000 small entries, made once in a
// temporary folder that goes when the program ends.
struct TFixture {
    std::filesystem::path folder;
    std::string plain, hex, hexFile, packFolder;

    TFixture() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qm-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        folder = pattern;
        for (size_t i = 0; i < kHexSize / 2; ++i) {
            plain += static_cast<char>("<node name=\"value\" x=\"12\"/>\n"[i % 28]);
        }
        hex = TCipher_Xtea(kKey).CodeString(plain, paEncode, kFormatHex);
        hexFile = (folder / "data.txt").string();
        std::ofstream(hexFile, std::ios::binary) << hex;

        packFolder = (folder / "pack").string();
        zipFile zip = zipOpen64((packFolder + ".sgd").c_str(), APPEND_STATUS_CREATE);
        for (int i = 0; i < kPackEntries; ++i) {
            std::string name = "levels/level" + std::to_string(i) + ".xml";
            std::string body = "<level number=\"" + std::to_string(i) + "\"/>";
            zipOpenNewFileInZip64(zip, name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr,
                                  Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0);
            zipWriteInFileInZip(zip, body.data(), static_cast<unsigned>(body.size()));
            zipCloseFileInZip(zip);
        }
        zipClose(zip, nullptr);
        SetPackExtension(".sgd");
    }
    ~TFixture() {
        FreeResourceReader();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

TFixture& Fixture() {
    static TFixture fixture;
    return fixture;
}

void BM_MemcpyHexText(benchmark::State& state) {
    const std::string& hex = Fixture().hex;
    std::string copy(hex.size(), '\0');
    for (auto _ : state) {
        std::memcpy(copy.data(), hex.data(), hex.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(hex.size()));
}
BENCHMARK(BM_MemcpyHexText);

void BM_DecipherHexText(benchmark::State& state) {
    const std::string& hex = Fixture().hex;
    TCipher_Xtea xtea(kKey);
    for (auto _ : state) benchmark::DoNotOptimize(xtea.CodeString(hex, paDecode, kFormatHex));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(hex.size() / 2));
}
BENCHMARK(BM_DecipherHexText);

void BM_ReadAndDecipherHexFile(benchmark::State& state) {
    const std::string& file = Fixture().hexFile;
    TCipher_Xtea xtea(kKey);
    for (auto _ : state) {
        auto stream = OpenResource(file);
        benchmark::DoNotOptimize(
            xtea.CodeString(ReadStreamText(stream.get()), paDecode, kFormatHex));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kHexSize / 2));
}
BENCHMARK(BM_ReadAndDecipherHexFile);

void BM_HexDecodeOnly(benchmark::State& state) {
    const std::string& hex = Fixture().hex;
    const TStringFormat* format = StringFormatOf(kFormatHex);
    for (auto _ : state) benchmark::DoNotOptimize(format->Decode(hex));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(hex.size() / 2));
}
BENCHMARK(BM_HexDecodeOnly);

void BM_DecipherBytesOnly(benchmark::State& state) {
    std::string bytes = Fixture().plain;
    const TXteaKey key = XteaKeyOf(kKey);
    for (auto _ : state) {
        XteaDecipherBuffer(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size(), key);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_DecipherBytesOnly);

void BM_EncipherToHexText(benchmark::State& state) {
    const std::string& plain = Fixture().plain;
    TCipher_Xtea xtea(kKey);
    for (auto _ : state) benchmark::DoNotOptimize(xtea.CodeString(plain, paEncode, kFormatHex));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(plain.size()));
}
BENCHMARK(BM_EncipherToHexText);

// All 1,000 entries of one pack through OpenResource, as a level catalogue is
// read; the time is per entry.
void BM_OpenPackEntries(benchmark::State& state) {
    const std::string base = Fixture().packFolder + "/levels/level";
    std::vector<std::string> paths;
    for (int i = 0; i < kPackEntries; ++i) paths.push_back(base + std::to_string(i) + ".xml");
    for (auto _ : state) {
        for (const auto& path : paths) benchmark::DoNotOptimize(OpenResource(path));
    }
    state.SetItemsProcessed(state.iterations() * kPackEntries);
}
BENCHMARK(BM_OpenPackEntries);

}  // namespace
