#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "core/base/Exception.h"
#include "core/packs/ResourceReader.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

struct PackEntry {
    std::string name, content;
    bool deflate = true;
};

// Writes a ZIP archive with minizip, each entry stored or deflated.
std::string MakePack(const std::string& path, const std::vector<PackEntry>& entries) {
    fs::create_directories(fs::path(path).parent_path());
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (zip == nullptr) throw std::runtime_error("cannot create " + path);
    for (const auto& e : entries) {
        zipOpenNewFileInZip64(zip, e.name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr,
                              e.deflate ? Z_DEFLATED : 0, Z_DEFAULT_COMPRESSION, 0);
        zipWriteInFileInZip(zip, e.content.data(), static_cast<unsigned>(e.content.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
    return path;
}

std::string Read(std::unique_ptr<TStream> stream) {
    if (!stream) return "<none>";
    EXPECT_EQ(stream->GetPosition(), 0);
    return ReadStreamText(stream.get());
}

std::string ReadResource(const std::string& path) {
    return Read(OpenResource(path));
}

// Every test starts without a current source and with the game's pack extension.
class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = GetPackExtension();
        SetPackExtension(".sgd");
        FreeResourceReader();
    }
    void TearDown() override {
        FreeResourceReader();
        SetPackExtension(saved_);
    }
    std::string P(const std::string& relative) const { return dir_.File(relative); }

    TTempDir dir_{"res"};

private:
    std::string saved_;
};

std::string Repeated(const std::string& piece, size_t times) {
    std::string text;
    for (size_t i = 0; i < times; ++i) text += piece;
    return text;
}

// ---------------------------------------------------------------------------

TEST_F(ResourceTest, BufferedFileStreamBehavesLikeAMemoryStream) {
    std::string content;
    for (int i = 0; i < 5000; ++i) content += static_cast<char>(i * 7 + i / 256);
    std::string file = dir_.Write("buffered.bin", content);
    TBufferedFileStream buffered(file, TFileMode::OpenRead);
    TMemoryStream reference(content);

    std::mt19937 random(12345);
    std::vector<char> a(3000), b(3000);
    for (int step = 0; step < 2000; ++step) {
        int op = static_cast<int>(random() % 4);
        if (op == 0 || op == 1) {
            size_t count = op == 0 ? random() % 40 : random() % 2500;
            size_t got = buffered.Read(a.data(), count);
            ASSERT_EQ(got, reference.Read(b.data(), count)) << step;
            ASSERT_EQ(std::string(a.data(), got), std::string(b.data(), got)) << step;
        } else {
            auto origin = static_cast<TSeekOrigin>(random() % 3);
            int64_t base = origin == TSeekOrigin::Begin     ? 0
                           : origin == TSeekOrigin::Current ? reference.GetPosition()
                                                            : 5000;
            int64_t offset = static_cast<int64_t>(random() % 5200) - base;
            if (base + offset < 0) continue;
            ASSERT_EQ(buffered.Seek(offset, origin), reference.Seek(offset, origin)) << step;
        }
        ASSERT_EQ(buffered.GetPosition(), reference.GetPosition()) << step;
    }
    EXPECT_EQ(buffered.GetSize(), 5000);
    EXPECT_EQ(buffered.Write("x", 1), 0u);
    EXPECT_THROW(buffered.Seek(-1, TSeekOrigin::Begin), EStreamError);
}

TEST_F(ResourceTest, PathsResolveThroughFoldersAndPacks) {
    const std::string logo = Repeated("logo pixels ", 300);
    MakePack(P("data.sgd"), {{"A.PNG", "pack-a", false},
                             {"Images/Logo.png", logo, true},
                             {"sub/deep.txt", "deep", true}});
    dir_.Write("both/x.txt", "folder-x");
    MakePack(P("both.sgd"), {{"x.txt", "pack-x"}, {"onlypack.txt", "p"}});
    dir_.Write("deep/readme.txt", "readme");
    MakePack(P("deep/inner.sgd"), {{"f.txt", "inner pack"}});
    MakePack(P("deep/exact"), {{"f.txt", "exact name"}});
    MakePack(P("deep/exact.sgd"), {{"f.txt", "with extension"}});
    dir_.Write("Mixed/Sub/File.TXT", "mixed");
    dir_.Write("Mixed/Sub/twin.txt", "lower");
    dir_.Write("Mixed/Sub/TWIN.txt", "upper");

    struct Case {
        const char* path;
        const char* expected;  // "<none>": no stream
    };
    const Case cases[] = {
        {"data/a.png", "pack-a"},         // entry names ignore case
        {"DATA/A.png", "pack-a"},         // so does the pack's name
        {"data\\sub\\deep.txt", "deep"},  // "\" read as "/"
        {"data/sub/missing.txt", "<none>"},
        {"both/x.txt", "folder-x"},          // a folder beats a pack
        {"both/onlypack.txt", "<none>"},     // ...and is never looked behind
        {"deep/inner/f.txt", "inner pack"},  // the deeper prefix answers
        {"deep/exact/f.txt", "exact name"},  // a file of the exact name first
        {"mixed/sub/file.txt", "mixed"},     // disk names: case ignored...
        {"Mixed/Sub/twin.txt", "lower"},     // ...after the exact name
        {"Mixed/Sub/TWIN.txt", "upper"},
        {"MIXED/SUB/Twin.TXT", "upper"},  // of several, the first in byte order
        {"nothing/here.txt", "<none>"},
        {"Mixed/Sub", "<none>"},  // a folder is no file
    };
    TLogCapture log;
    for (const auto& c : cases) {
        EXPECT_EQ(ReadResource(P(c.path)), c.expected) << c.path;
    }
    // The same again in the reverse order, so that each answer comes with
    // another source current.
    for (auto c = std::rbegin(cases); c != std::rend(cases); ++c) {
        EXPECT_EQ(ReadResource(P(c->path)), c->expected) << c->path << " (reverse)";
    }
    EXPECT_EQ(ReadResource(P("data/images/LOGO.PNG")), logo);
    // Missing files are answers to probes, not failures.
    EXPECT_EQ(log.Lines(), std::vector<std::string>{});
}

TEST_F(ResourceTest, CurrentPackAnswersWithoutSearchOrReopening) {
    MakePack(P("data.sgd"), {{"a.png", "pack-a"}, {"b.png", "pack-b", false}});
    ASSERT_EQ(ReadResource(P("data/a.png")), "pack-a");

    // A folder made now is not seen: the current pack answers for data/...
    dir_.Write("data/new.png", "folder");
    EXPECT_EQ(ReadResource(P("data/new.png")), "<none>");
    // ...and keeps its archive open, even when the file goes.
    fs::remove(P("data.sgd"));
    EXPECT_EQ(ReadResource(P("DATA/B.PNG")), "pack-b");

    // Once forgotten, the search finds the folder.
    FreeResourceReader();
    EXPECT_EQ(ReadResource(P("data/new.png")), "folder");
    EXPECT_EQ(ReadResource(P("data/b.png")), "<none>");
}

TEST_F(ResourceTest, CurrentFolderDoesNotHideADeeperPack) {
    dir_.Write("deep/readme.txt", "readme");
    MakePack(P("deep/inner.sgd"), {{"f.txt", "inner pack"}});
    ASSERT_EQ(ReadResource(P("deep/readme.txt")), "readme");
    EXPECT_EQ(ReadResource(P("deep/inner/f.txt")), "inner pack");
    EXPECT_EQ(ReadResource(P("deep/readme.txt")), "readme");
}

TEST_F(ResourceTest, PathWithoutFolderIsLookedUpInTheCurrentFolder) {
    dir_.Write("plain.txt", "plain");
    std::string found, missing;
    {
        TCurrentFolder inFolder(dir_.Path());
        found = ReadResource("plain.txt");
        missing = ReadResource("absent.txt");
    }
    EXPECT_EQ(found, "plain");
    EXPECT_EQ(missing, "<none>");
}

TEST_F(ResourceTest, AppPathExpandsToTheExecutablesFolder) {
    fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(ApplicationFolder(), exe.parent_path().string() + "/");
    auto stream = OpenResource("%apppath%" + exe.filename().string());
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->GetSize(), static_cast<int64_t>(fs::file_size(exe)));
    EXPECT_FALSE(OpenResource("%APPPATH%" + exe.filename().string()));
}

TEST_F(ResourceTest, BuiltInResourcesAreAbsent) {
    TCurrentFolder inFolder(dir_.Path());
    auto read = OpenResource("res:lang/default.lng");
    auto written = OpenResource("RES:made.txt", false);
    TResourceReader reader("res:lang");
    EXPECT_FALSE(read);
    EXPECT_FALSE(written);
    EXPECT_EQ(reader.GetKind(), TResourceReader::kNothing);
    EXPECT_EQ(reader.Path(), "lang");
    EXPECT_TRUE(fs::is_empty(dir_.Path()));
}

TEST_F(ResourceTest, WritingCreatesOrEmptiesTheFile) {
    dir_.Write("Saves/old.txt", "old content");
    {
        auto out = OpenResource(P("Saves\\old.txt"), false);
        ASSERT_TRUE(out);
        out->WriteBuffer("new", 3);
    }
    EXPECT_EQ(ReadFileBytes(P("Saves/old.txt")), "new");
    {
        // Names already on the disk are matched ignoring case.
        auto out = OpenResource(P("saves/Fresh.txt"), false);
        out->WriteBuffer("fresh", 5);
    }
    EXPECT_EQ(ReadFileBytes(P("Saves/Fresh.txt")), "fresh");
    TLogCapture log;
    EXPECT_THROW(OpenResource(P("no/such/folder/x.txt"), false), EStreamError);
    EXPECT_TRUE(log.Has({"PACK: Cannot create file", "no/such/folder/x.txt"}))
        << testing::PrintToString(log.Lines());
}

TEST_F(ResourceTest, ReaderKindsSizesAndTexts) {
    dir_.Write("folder/f.txt", "12345");
    MakePack(P("pack.sgd"), {{"e.txt", "abc", false}, {"dir/d.bin", std::string(70000, 'z')}});
    dir_.Write("notzip.sgd", "this is no archive");

    TResourceReader folder(P("folder/"));
    EXPECT_EQ(folder.GetKind(), TResourceReader::kFolder);
    EXPECT_EQ(folder.Path(), P("folder"));
    EXPECT_EQ(folder.GetFileSize("f.txt"), 5u);
    EXPECT_EQ(folder.ReadText("F.TXT"), "12345");
    EXPECT_EQ(folder.GetFileSize("g.txt"), 0u);

    TResourceReader pack(P("pack"));
    EXPECT_EQ(pack.GetKind(), TResourceReader::kArchive);
    EXPECT_EQ(pack.GetFileSize("DIR\\D.BIN"), 70000u);
    EXPECT_EQ(pack.ReadText("e.txt"), "abc");
    EXPECT_EQ(pack.ReadText("missing"), "");
    std::vector<TPackEntry> entries;
    ASSERT_TRUE(pack.ListEntries(entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "e.txt");
    EXPECT_EQ(entries[0].method, 0u);
    EXPECT_EQ(entries[1].name, "dir/d.bin");
    EXPECT_EQ(entries[1].size, 70000u);
    EXPECT_EQ(entries[1].method, 8u);
    EXPECT_LT(entries[1].packedSize, 1000u);

    EXPECT_EQ(TResourceReader(P("notzip")).GetKind(), TResourceReader::kNothing);
    EXPECT_EQ(TResourceReader(P("nowhere")).GetKind(), TResourceReader::kNothing);
    EXPECT_EQ(TResourceReader("").GetKind(), TResourceReader::kNothing);
    EXPECT_EQ(ReadStreamText(nullptr), "");
}

// Every truncation and every one-byte change of a pack gives, for each entry,
// no stream or the entry's exact bytes: never other bytes, never a crash.
TEST_F(ResourceTest, DamagedPacksGiveNoStreamOrTheRightBytes) {
    const std::vector<PackEntry> entries = {
        {"stored.txt", "stored entry text", false},
        {"Deflated.txt", Repeated("deflated entry text, ", 20), true},
        {"empty.txt", "", true},
    };
    const std::string good = ReadFileBytes(MakePack(P("good.zip"), entries));
    int refused = 0;
    auto check = [&](const std::string& bytes, const std::string& what) {
        std::string file = dir_.Write("damaged.zip", bytes);
        TResourceReader reader(file);
        for (const auto& e : entries) {
            auto stream = reader.OpenFile(e.name);
            if (!stream) {
                ++refused;
                continue;
            }
            ASSERT_EQ(ReadStreamText(stream.get()), e.content) << what << ", " << e.name;
        }
    };
    for (size_t n = 0; n < good.size(); ++n)
        check(good.substr(0, n), "cut at " + std::to_string(n));
    // Cut anywhere before the end record (22 bytes), nothing opens.
    EXPECT_GE(refused, 3 * (static_cast<int>(good.size()) - 22));
    refused = 0;
    for (size_t at = 0; at < good.size(); ++at) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x55);
        check(bytes, "changed at " + std::to_string(at));
    }
    // Every change inside the stored text is noticed (its CRC no longer fits).
    EXPECT_GE(refused, static_cast<int>(entries[0].content.size()));
}

// Patches the 4-byte little-endian field at offset of every header with the
// given signature.
void PatchHeaders(std::string& zip, uint32_t signature, size_t offset, uint32_t value) {
    const std::string sig(reinterpret_cast<const char*>(&signature), 4);
    for (size_t at = zip.find(sig); at != std::string::npos && at + offset + 4 <= zip.size();
         at = zip.find(sig, at + 4)) {
        for (int i = 0; i < 4; ++i) zip[at + offset + i] = static_cast<char>(value >> (8 * i));
    }
}

TEST_F(ResourceTest, ImplausibleOrEncipheredEntriesAreRefused) {
    const std::string good =
        ReadFileBytes(MakePack(P("good.zip"), {{"big.txt", Repeated("a", 5000), true}}));
    ASSERT_EQ(TResourceReader(P("good.zip")).ReadText("big.txt").size(), 5000u);

    std::string huge = good;  // claims 2 GB inflated from a few bytes
    PatchHeaders(huge, 0x04034b50, 22, 0x7FFFFFF0);
    PatchHeaders(huge, 0x02014b50, 24, 0x7FFFFFF0);
    EXPECT_FALSE(TResourceReader(dir_.Write("huge.zip", huge)).OpenFile("big.txt"));

    std::string enciphered = good;  // general purpose flag bit 0
    enciphered[enciphered.find("PK\x03\x04") + 6] |= 1;
    enciphered[enciphered.find("PK\x01\x02") + 8] |= 1;
    EXPECT_FALSE(TResourceReader(dir_.Write("enciphered.zip", enciphered)).OpenFile("big.txt"));

    // Through OpenResource too: a damaged pack answers none.
    dir_.Write("broken.sgd", good.substr(0, good.size() / 2));
    EXPECT_FALSE(OpenResource(P("broken/big.txt")));
}

// What is there but cannot be read answers none with one line naming the
// file and what is wrong with it; the reader keeps the same text as Failure.
TEST_F(ResourceTest, FilesThatAreThereButUnreadableAreLogged) {
    const std::string good = ReadFileBytes(MakePack(
        P("good.zip"), {{"big.txt", Repeated("a", 5000), true}, {"s.txt", "stored", false}}));
    std::string enciphered = good;
    enciphered[enciphered.find("PK\x03\x04") + 6] |= 1;
    enciphered[enciphered.find("PK\x01\x02") + 8] |= 1;
    std::string changed = good;
    changed[changed.find("stored")] = 'S';
    std::string huge = good;
    PatchHeaders(huge, 0x04034b50, 22, 0x7FFFFFF0);
    PatchHeaders(huge, 0x02014b50, 24, 0x7FFFFFF0);
    dir_.Write("cut.sgd", good.substr(0, good.size() / 2));
    dir_.Write("enciphered.sgd", enciphered);
    dir_.Write("changed.sgd", changed);
    dir_.Write("huge.sgd", huge);

    const struct {
        const char* path;
        std::string line;
    } cases[] = {
        {"cut/big.txt", "PACK: The pack \"" + P("cut.sgd") + "\" is no readable ZIP archive"},
        {"enciphered/big.txt", "PACK: The entry \"big.txt\" of the pack \"" + P("enciphered.sgd") +
                                   "\" is enciphered, which packs never are"},
        {"changed/s.txt", "PACK: The entry \"s.txt\" of the pack \"" + P("changed.sgd") +
                              "\" does not match its checksum"},
        {"huge/big.txt", "PACK: The entry \"big.txt\" of the pack \"" + P("huge.sgd") +
                             "\" claims a size its stored bytes cannot hold"},
    };
    for (const auto& c : cases) {
        TLogCapture log;
        EXPECT_FALSE(OpenResource(P(c.path))) << c.path;
        EXPECT_EQ(log.Lines(), std::vector<std::string>{c.line}) << c.path;
        // Once more with the pack current: the same single line.
        log.Clear();
        EXPECT_FALSE(OpenResource(P(c.path))) << c.path;
        EXPECT_EQ(log.Lines(), std::vector<std::string>{c.line}) << c.path;
    }
    // A missing entry of a readable pack is no failure.
    TLogCapture quiet;
    EXPECT_FALSE(OpenResource(P("changed/none.txt")));
    TResourceReader reader(P("changed.sgd"));
    EXPECT_FALSE(reader.OpenFile("none.txt"));
    EXPECT_EQ(reader.Failure(), "");
    EXPECT_FALSE(reader.OpenFile("s.txt"));
    EXPECT_NE(reader.Failure().find("does not match its checksum"), std::string::npos);
    EXPECT_EQ(quiet.Lines(), std::vector<std::string>{}) << "the reader itself writes nothing";

    // A file without read permission (root reads everything, so only then).
    if (::geteuid() != 0) {
        const std::string locked = dir_.Write("locked/file.txt", "secret");
        fs::permissions(locked, fs::perms::none);
        TLogCapture log;
        EXPECT_FALSE(OpenResource(P("locked/file.txt")));
        EXPECT_TRUE(log.Has({"PACK: Cannot read \"file.txt\"", "Permission denied"}))
            << testing::PrintToString(log.Lines());
        fs::permissions(locked, fs::perms::owner_all);
    }
}

}  // namespace
