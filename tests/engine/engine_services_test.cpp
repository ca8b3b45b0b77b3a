// The engine's services: settings, text files in and out, the player data
// folder, resource lists, and the text helpers of the start-up unit.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>

#include "core/lang/MultiLanguages.h"
#include "core/storage/XMLStorage.h"
#include "engine/audio/EngineSounds.h"
#include "engine/resources/EngineResources.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/KillTest.h"
#include "tests/support/Locale.h"
#include "tests/support/TempDir.h"

namespace enginetest {
namespace {

using EngineServices = EngineTest;
namespace fs = std::filesystem;

std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(EngineServices, OptionsAreStoredAndTheVolumesApplied) {
    StartEngine();
    EXPECT_EQ(engine->GetOption("NeverSet"), "");
    engine->SetOption("Difficulty", int32_t{3});
    EXPECT_EQ(engine->GetOption("Difficulty"), "3");
    engine->SetOption("MusicVolume", "55");
    engine->SetOption("SoundVolume", "150");
    EXPECT_EQ(engine->Audio()->GetMusicVolume(), 55);
    EXPECT_EQ(engine->Audio()->GetSoundVolume(), 100);
    // Names take effect only as written; the setting itself ignores case.
    engine->SetOption("musicvolume", "10");
    EXPECT_EQ(engine->GetOption("MusicVolume"), "10");
    EXPECT_EQ(engine->Audio()->GetMusicVolume(), 55);
    // Screen settings wait for ApplySettings.
    engine->SetOption("ScreenWidth", "800");
    EXPECT_EQ(engine->ScreenWidth(), 0);
}

TEST_F(EngineServices, TextFilesAreReadAsLinesEachEndedByALineFeed) {
    StartEngine();
    const struct {
        const char* name;
        std::string bytes;
        std::string text;
    } cases[] = {
        {"crlf.txt", "a\r\nb\r\n", "a\nb\n"}, {"cr.txt", "a\rb\r", "a\nb\n"},
        {"lfcr.txt", "a\n\rb", "a\n\nb\n"},   {"nobreak.txt", "last line", "last line\n"},
        {"blank.txt", "\n\n", "\n\n"},        {"empty.txt", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        data.Write(std::string("data/") + c.name, c.bytes);
        EXPECT_EQ(engine->ReadTextFile(std::string("data\\") + c.name, ""), c.text);
    }
    EXPECT_EQ(engine->ReadTextFile("data/missing.txt", ""), "");
    EXPECT_EQ(engine->ReadTextFile("data/missing.txt", kTestDataKey), "");
    EXPECT_EQ(engine->ReadTextFile("data/ini/QuillmarchCiphered.ini", kTestDataKey),
              "<game name=\"Ciphered Quest\" type=\"QmTestGame\" pattern=\"$FF102030\"/>\n");
    EXPECT_FALSE(engine->OpenStream("data/missing.txt"));
    EXPECT_TRUE(engine->OpenStream("data/ini/Quillmarch.ini"));
}

TEST_F(EngineServices, PlayerFilesAreReplacedWholeOrNotAtAll) {
    StartEngine();
    const std::string folder = engine->GetUserDir();
    EXPECT_TRUE(engine->SaveUserTextFile("one\r\ntwo\rthree", "users.dat"));
    EXPECT_EQ(ReadFileBytes(folder + "users.dat"), "one\ntwo\nthree\n");
    EXPECT_EQ(LoadUserTextFile("users.dat"), "one\ntwo\nthree\n");
    EXPECT_EQ(LoadUserTextFile("nobody.dat"), "");

    // A rewrite keeps the file's permissions and leaves no temporary file.
    ASSERT_EQ(::chmod((folder + "users.dat").c_str(), 0640), 0);
    EXPECT_TRUE(engine->SaveUserTextFile("four", "users.dat"));
    EXPECT_EQ(ReadFileBytes(folder + "users.dat"), "four\n");
    struct stat st;
    ASSERT_EQ(::stat((folder + "users.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"users.dat"});

    // The disk fills up half-way through: the old profiles survive and the
    // caller hears of it.
    {
        struct sigaction ignore {};
        struct sigaction previous {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &previous);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small{1024, limit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        const bool saved = engine->SaveUserTextFile(std::string(4096, 'x'), "users.dat");
        setrlimit(RLIMIT_FSIZE, &limit);
        sigaction(SIGXFSZ, &previous, nullptr);
        EXPECT_FALSE(saved);
    }
    EXPECT_EQ(ReadFileBytes(folder + "users.dat"), "four\n");
    EXPECT_TRUE(LogHas("Cannot save " + folder + "users.dat"));
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"users.dat"});

    // A name that cannot be written at all.
    log.clear();
    fs::create_directory(folder + "adir");
    EXPECT_FALSE(engine->SaveUserTextFile("x", "adir"));
    EXPECT_FALSE(engine->SaveUserTextFile("x", "no/such/folder.dat"));
    EXPECT_EQ(log.size(), 2u);
    EXPECT_TRUE(fs::is_directory(folder + "adir"));
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"adir", "users.dat"}));
    fs::remove_all(folder);

    // Files beside the game's data.
    EXPECT_TRUE(engine->SaveResourceTextFile("a\rb", "saved.txt"));
    EXPECT_EQ(ReadFileBytes(data.File("saved.txt")), "a\nb\n");
}

// Saves of a player file killed while they write leave their temporary files
// behind; the next save of that file removes them, but not one a live save
// still holds, nor the temporary files of other names.
TEST_F(EngineServices, SavesRemoveTheTemporaryFilesOfKilledSaves) {
    StartEngine();
    const std::string folder = engine->GetUserDir();
    const std::string versions[] = {std::string(300'000, 'a'), std::string(300'000, 'b')};
    ASSERT_TRUE(engine->SaveUserTextFile(versions[0], "users.dat"));
    auto temporaries = [&] {
        size_t n = 0;
        for (const std::string& name : FolderEntries(folder)) n += name != "users.dat";
        return n;
    };

    std::vector<int64_t> spans;
    for (int v : {1, 0, 1}) {
        spans.push_back(
            RunInChildAndKillAfterFirstChange(
                [&] { engine->SaveUserTextFile(versions[v], "users.dat"); }, folder, std::nullopt)
                .count());
    }
    std::sort(spans.begin(), spans.end());
    ASSERT_GT(spans[1], 0);
    std::mt19937 rng(66);
    std::uniform_int_distribution<int64_t> delay(0, spans[1]);
    size_t most = 0;
    int left = 0;
    for (int run = 0; run < 100; ++run) {
        const size_t before = temporaries();
        RunInChildAndKillAfterFirstChange(
            [&] { engine->SaveUserTextFile(versions[run % 2], "users.dat"); }, folder,
            std::chrono::microseconds(delay(rng)));
        const size_t after = temporaries();
        if (after > before) ++left;
        most = std::max(most, after);
        const std::string text = ReadFileBytes(folder + "users.dat");
        ASSERT_TRUE(text == versions[0] + "\n" || text == versions[1] + "\n");
    }
    EXPECT_GT(left, 0) << "no save was killed while it wrote";
    EXPECT_LE(most, 1u) << "each save removes what the killed ones before it left";

    // One a live save holds stays, and so do those of other files.
    const std::string held = folder + "users.dat.tmp-Held00";
    const int fd = ::open(held.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    std::ofstream(folder + "other.dat.tmp-Abc123") << "x";
    std::ofstream(folder + "users.dat.tmp-toolong1") << "x";
    ASSERT_TRUE(engine->SaveUserTextFile("final", "users.dat"));
    EXPECT_EQ(FolderEntries(folder),
              (std::vector<std::string>{"other.dat.tmp-Abc123", "users.dat", "users.dat.tmp-Held00",
                                        "users.dat.tmp-toolong1"}));
    ::close(fd);
    ASSERT_TRUE(engine->SaveUserTextFile("final", "users.dat"));
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"other.dat.tmp-Abc123", "users.dat",
                                                               "users.dat.tmp-toolong1"}));
}

TEST_F(EngineServices, ThePlayerDataFolderAndItsFallbacks) {
    const std::string dataHome = std::getenv("XDG_DATA_HOME");
    EXPECT_EQ(GetUserDataDir(), dataHome + "/Tessalind/Marrowglade/");
    EXPECT_TRUE(fs::is_directory(dataHome + "/Tessalind/Marrowglade"));
    SetProductName("Quillmarchmac");
    EXPECT_EQ(GetUserDataDir(), dataHome + "/Tessalind/Quillmarchmac/");
    fs::remove_all(dataHome + "/Tessalind");

    {
        // The maker folder cannot be made: the user data folder itself.
        TTempDir home("xdg-blocked");
        home.Write("Tessalind", "a file in the way");
        TEnvGuard xdg("XDG_DATA_HOME", home.Path().c_str());
        EXPECT_EQ(GetUserDataDir(), home.Path().string() + "/");
    }
    {
        // No user data folder can be found: the application data folder.
        TEnvGuard xdg("XDG_DATA_HOME", nullptr);
        TEnvGuard home("HOME", nullptr);
        EXPECT_EQ(GetUserDataDir(), GetResourcesDir());
    }
}

TEST_F(EngineServices, ResourceListsAreReadWithTheDataFileKey) {
    StartEngine();
    SetDataFileKey(kTestDataKey);
    engine->LoadResourceFile("data/lists/ciphered.xml", "level", kLoadResourcesAtOnce);
    ASSERT_EQ(engine->Resources()->GetCount(), 2);
    EXPECT_EQ(engine->GetResource("second")->GetGroupName(), "level");
    // IResourceOwner answers the same resource.
    EXPECT_EQ(static_cast<IResourceOwner*>(engine.get())->GetResource("second"),
              engine->GetResource("second"));

    // A missing list, or a plain one under the key, loads nothing.
    engine->LoadResourceFile("data/lists/none.xml", "other", kLoadResourcesAtOnce);
    EXPECT_TRUE(LogHas("\"data/lists/none.xml\" cannot be read"));
    engine->LoadResourceFile("data/lists/plain.xml", "other", kLoadResourcesAtOnce);
    EXPECT_EQ(engine->Resources()->GetCount(), 2);

    engine->RemoveResource("first");
    engine->RemoveResource("first");  // already gone: nothing
    EXPECT_FALSE(engine->GetResource("first"));
    EXPECT_TRUE(engine->GetResource("second"));
    engine->LoadResourceFile("data/lists/ciphered.xml", "menu", kLoadResourcesAtOnce);
    EXPECT_EQ(engine->GetResource("first")->GetGroupName(), "menu");
    EXPECT_EQ(engine->GetResource("second")->GetGroupName(), "level");
    engine->RemoveResources("level");
    EXPECT_EQ(engine->Resources()->GetCount(), 1);
    engine->RemoveResources("");
    EXPECT_EQ(engine->Resources()->GetCount(), 0);
}

// A resource that counts the loads of its data.
class TCountingResource : public TResource {
public:
    using TResource::Load;
    void Load() override {
        TResource::Load();
        ++loads;
    }
    static inline int loads = 0;
};

TEST_F(EngineServices, AListEntryWhoseNameIsTakenInOtherCapitalsIsNeverLoaded) {
    if (!FindRegisteredClass("QmCountingResource"))
        RegisterObjectClass(ClassOf<TCountingResource>(), "QmCountingResource");
    StartEngine();
    TCountingResource::loads = 0;
    Ref<IHierStorage> list = LoadStorageFromXML(
        "<resources><content>"
        "<resource name=\"Logo\" type=\"QmCountingResource\" file=\"a.png\"/>"
        "<resource name=\"LOGO\" type=\"QmCountingResource\" file=\"b.png\"/>"
        "</content></resources>");
    engine->LoadResources(list, "menu", kLoadResourcesAtOnce);
    EXPECT_EQ(TCountingResource::loads, 1);
    EXPECT_EQ(engine->Resources()->GetCount(), 1);
    EXPECT_EQ(engine->GetResource("logo")->GetFileName(), "a.png");
}

TEST_F(EngineServices, SurfacesAndThePixelFormat) {
    StartEngine();
    const Ref<ISurface> a = engine->CreateSurface();
    const Ref<ISurface> b = engine->CreateSurface();
    ASSERT_TRUE(a && b);
    EXPECT_NE(a.get(), b.get());
    EXPECT_EQ(a->GetWidth(), 0);
    // The pixel format is never filled, so colours convert to 0.
    const TPixelFormat format = engine->GetPixelFormat();
    EXPECT_EQ(format.redMask | format.greenMask | format.blueMask, 0u);
    EXPECT_EQ(engine->ColorToPixel(0xFFFFFF), 0u);
    engine->ApplySettings();
    EXPECT_EQ(engine->ColorToPixel(0x336699), 0u);
}

TEST(EngineHelpers, FormatThousandsUsesTheTranslatedSeparator) {
    TCommaLocale locale;  // the locale plays no part
    TMLStrings& strings = GetMultiLanguages()->Strings();
    strings.SetString("'", "thousand_separator");
    const std::pair<int32_t, const char*> cases[] = {
        {0, "0"},
        {999, "999"},
        {1000, "1'000"},
        {-1234, "-1'234"},
        {123456, "123'456"},
        {1234567, "1'234'567"},
        {INT32_MAX, "2'147'483'647"},
        {INT32_MIN, "-2'147'483'648"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(FormatThousands(value), text) << value;
    // Counts kept in 64 bits (magic points, prices) go through it as well.
    EXPECT_EQ(FormatThousands(int64_t{5000000000}), "5'000'000'000");
    EXPECT_EQ(FormatThousands(INT64_MIN), "-9'223'372'036'854'775'808");
    strings.Delete("thousand_separator");
    EXPECT_EQ(FormatThousands(1234567), "1234567");
}

TEST(EngineHelpers, StrToFloatDotReadsADotWhateverTheLocale) {
    TCommaLocale locale;
    if (!locale.Active()) GTEST_SKIP() << "no locale with a decimal comma could be made";
    const std::pair<const char*, double> cases[] = {
        {"1.5", 1.5},  {" -2.25 ", -2.25}, {"+3", 3.0},     {"1e3", 1000.0}, {".5", 0.5},
        {"", -7.0},    {"1,5", -7.0},      {"abc", -7.0},   {"1.5x", -7.0},  {"inf", -7.0},
        {"nan", -7.0}, {"+-1", -7.0},      {"1.2.3", -7.0}, {"-", -7.0},
        {"\r\n1.5\v", 1.5},  // blanks are the codes up to 32, as everywhere
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(StrToFloatDot(text, -7.0), value) << text;
}

TEST(EngineHelpers, StrToColorDefReadsDecimalAndDollarHex) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"$FF00FF", 0xFF00FF},
        {"$ff336699", 0xFF336699},
        {"255", 255},
        {" 42", 42},
        {"\r\n42\f", 42},
        {"-1", 0xFFFFFFFF},
        {"4294967295", 0xFFFFFFFF},
        {"-$10", 0xFFFFFFF0},
        {"4294967296", 7},
        {"-2147483649", 7},
        {"$123456789", 7},
        {"", 7},
        {"$", 7},
        {"12a", 7},
        {"0x10", 7},
        {"--1", 7},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(StrToColorDef(text, 7), value) << text;
}

}  // namespace
}  // namespace enginetest
