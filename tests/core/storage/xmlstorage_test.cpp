#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/packs/Cipher.h"
#include "core/storage/XMLStorage.h"
#include "tests/support/KillTest.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace {

// Runs each test inside a fresh current folder, since out-storage files are
// written relative to it.
class XmlStorage : public ::testing::Test {
protected:
    void SetUp() override { ClearStorageCache(); }
    void TearDown() override { ClearStorageCache(); }
    std::string Write(const std::string& name, const std::string& text) { return dir_.Write(name, text); }
    std::string Enciphered(const std::string& text, const std::string& key) {
        return TCipher_Xtea(key).CodeString(text, paEncode, 16);
    }

    TTempDir dir_{"storage"};
    TCurrentFolder inFolder_{dir_.Path()};
};

TEST_F(XmlStorage, ValuesChildrenAndText) {
    Ref<IHierStorage> root =
        LoadStorageFromXML("<game name=\"g\" w=\"640\"><screen name=\"a\"/>x<screen name=\"b\"/>"
                           "<!--c--><Screen/></game>");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->GetNodeName(), "game");
    EXPECT_EQ(root->GetValueCount(), 2);
    EXPECT_EQ(root->GetValueName(1), "w");
    EXPECT_EQ(root->GetValue("w", "0").ToString(), "640");
    EXPECT_EQ(root->GetValue("missing", 7).ToString(), "7");
    EXPECT_EQ(root->GetValueAt(0, "").ToString(), "g");
    // A plain name counts elements of exactly that name; the empty name every node.
    EXPECT_EQ(root->GetChildCount("screen"), 2);
    EXPECT_EQ(root->GetChildCount(""), 5);
    EXPECT_EQ(root->GetChild("screen", 1)->GetValue("name", "").ToString(), "b");
    EXPECT_FALSE(root->GetChild("screen", 2));
    EXPECT_FALSE(root->GetChild("screen", -1));

    Ref<IHierStorage> added = root->AddChild("screen");
    added->SetValue("name", "c");
    added->SetText("hello");
    EXPECT_EQ(root->GetChildCount("screen"), 3);  // the cached list was dropped
    EXPECT_EQ(root->GetChildText("screen").ToString(), "");
    root->SetChildText("title", "T");
    EXPECT_EQ(root->GetChildText("title").ToString(), "T");
    EXPECT_TRUE(root->GetChildText("none").IsEmpty());
    root->DeleteValue("w");
    EXPECT_EQ(root->GetValueCount(), 1);
}

TEST_F(XmlStorage, PathNamesTheFileAndTheElements) {
    Write("data/screen.xml",
          "<screen><widgets><widget/><w/><widget><sounds/></widget></widgets></screen>");
    Ref<IHierStorage> root = LoadStorageFromFile("data/screen.xml");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->GetPath(), "data/screen.xml: /screen");
    Ref<IHierStorage> widgets = root->GetChild("widgets", 0);
    EXPECT_EQ(widgets->GetPath(), "data/screen.xml: /screen/widgets");
    // Numbered among elements of the same name only, from 1.
    EXPECT_EQ(widgets->GetChild("widget", 1)->GetPath(),
              "data/screen.xml: /screen/widgets/widget[2]");
    EXPECT_EQ(widgets->GetChild("w", 0)->GetPath(), "data/screen.xml: /screen/widgets/w");
    EXPECT_EQ(widgets->GetChild("widget", 1)->GetChild("sounds", 0)->GetPath(),
              "data/screen.xml: /screen/widgets/widget[2]/sounds");

    // A document built in memory has no file to name; an out-storage has.
    Ref<IHierStorage> memory = LoadStorageFromXML("<a><b/></a>");
    EXPECT_EQ(memory->GetChild("b", 0)->GetPath(), "/a/b");
    EXPECT_EQ(Query<IHierStorage>(CreateStorage("fresh"))->GetPath(), "/fresh");
    Write("out.xml", "<o><p/></o>");
    EXPECT_EQ(GetStorageBySpec("\\file=out.xml")->GetChild("p", 0)->GetPath(), "out.xml: /o/p");
}

TEST_F(XmlStorage, Utf8InAndOut) {
    Ref<IHierStorage> root = LoadStorageFromXML("<r v=\"caf\xC3\xA9\">\xE2\x82\xAC</r>");
    EXPECT_EQ(root->GetValue("v", "").ToString(), "caf\xC3\xA9");
    EXPECT_EQ(root->GetText().ToString(), "\xE2\x82\xAC");
    root->SetValue("w", "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(Query<IXMLStorageSlave>(root)->GetNode()->GetAttr(u"w", u""), u"\u00e9t\u00e9");
    // Bytes that are no UTF-8 are kept, not dropped.
    root->SetValue("latin", "\xE9t\xE9");
    EXPECT_EQ(Query<IXMLStorageSlave>(root)->GetNode()->GetAttr(u"latin", u""), u"\u00e9t\u00e9");
    // A default with non-ASCII text comes back as given.
    EXPECT_EQ(root->GetValue("absent", "\xC3\xA9").ToString(), "\xC3\xA9");
}

TEST_F(XmlStorage, CharactersBeyond16BitsRoundTripThroughFiles) {
    const std::string smile = "\xF0\x9F\x98\x80";  // U+1F600
    const std::string last = "\xF4\x8F\xBF\xBF";   // U+10FFFF
    Write("data.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<r v=\"caf\xC3\xA9 " + smile +
                          "\"><t>" + last + "</t></r>");
    Ref<IHierStorage> root = LoadStorageFromFile("data.xml");
    ASSERT_TRUE(root);
    // The whole file decodes as UTF-8: no character falls back to one unit a byte.
    EXPECT_EQ(root->GetXML().ToWideString(),
              u"<r v=\"caf\u00E9 \U0001F600\"><t>\U0010FFFF</t></r>");
    EXPECT_EQ(root->GetValue("v", "").ToString(), "caf\xC3\xA9 " + smile);
    EXPECT_EQ(root->GetChildText("t").ToString(), last);

    // Saved as four-byte sequences, and read back unchanged.
    root->SetValue("w", last + smile);
    ASSERT_TRUE(Query<IHierStorageRoot>(root)->SaveToFile("out.xml"));
    const std::string saved = ReadFileBytes(dir_.File("out.xml"));
    EXPECT_NE(saved.find("w=\"" + last + smile + "\""), std::string::npos) << saved;
    EXPECT_EQ(saved.find('\xED'), std::string::npos) << "a pair was written as two halves";
    Ref<IHierStorage> back = LoadStorageFromFile("out.xml");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetValue("w", "").ToString(), last + smile);
    EXPECT_EQ(back->GetXML().ToWideString(), root->GetXML().ToWideString());

    // And through an enciphered out-storage file.
    SaveStorageBySpec(root, "\\file=smile.dat\\cryptkey=k");
    ClearStorageCache();
    Ref<IHierStorage> deciphered = GetStorageBySpec("\\file=smile.dat\\cryptkey=k");
    ASSERT_TRUE(deciphered);
    EXPECT_EQ(deciphered->GetValue("v", "").ToString(), "caf\xC3\xA9 " + smile);
    EXPECT_EQ(deciphered->GetChildText("t").ToString(), last);
}

TEST_F(XmlStorage, DeclaredEncodings) {
    struct Case {
        const char* text;
        std::u16string expected;
    };
    const Case cases[] = {
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r v=\"\xE9\"/>", u"\u00e9"},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><r v=\"\xC3\xA9\"/>", u"\u00e9"},
        {"<?xml version=\"1.0\" encoding='utf-8'?><r v=\"\xC3\xA9\"/>", u"\u00e9"},
        {"<?xml version=\"1.0\"?><r v=\"\xC3\xA9\"/>", u"\u00e9"},
        {"<r v=\"\xC3\xA9\"/>", u"\u00e9"},
        {"\xEF\xBB\xBF<r v=\"\xC3\xA9\"/>", u"\u00e9"},
    };
    for (const Case& c : cases) {
        Ref<IXmlDocument> document = ParseXmlText(c.text);
        EXPECT_EQ(document->DocumentElement()->GetAttr(u"v", u""), c.expected) << c.text;
    }
    // Reading stops at the first zero byte.
    std::string withZero("<r/>\0garbage", 12);
    EXPECT_EQ(ParseXmlText(withZero)->DocumentElement()->GetNodeName(), u"r");
}

// A document read in a single-byte encoding is saved as UTF-8; its
// declaration must say so, or every load and save encodes the text again.
TEST_F(XmlStorage, SavedTextDeclaresTheEncodingItIsWrittenIn) {
    const char* declarations[] = {
        "<?xml version=\"1.0\" encoding=\"windows-1252\"?>",
        "<?xml version='1.0' encoding = 'ISO-8859-1' standalone='yes'?>",
        "<?xml version=\"1.0\" encoding=\"x-no-such-encoding\"?>",
        "<?XML version=\"1.0\" encoding=\"windows-1252\"?>",  // kept as instruction data
    };
    for (const char* declaration : declarations) {
        SCOPED_TRACE(declaration);
        std::string text = std::string(declaration) + "<r v=\"caf\xE9\">caf\xE9</r>";
        std::vector<std::string> saves;
        for (int round = 0; round < 3; ++round) {
            Ref<TXMLStorage> storage = MakeRef<TXMLStorage>();
            ASSERT_TRUE(storage->LoadFromXML(text));
            EXPECT_EQ(storage->GetValue("v", "").ToString(), "caf\xC3\xA9");
            EXPECT_EQ(storage->GetText().ToString(), "caf\xC3\xA9");
            ASSERT_TRUE(storage->SaveToXML(text));
            saves.push_back(text);
        }
        EXPECT_NE(saves[0].find("encoding"), std::string::npos);
        EXPECT_NE(saves[0].find("UTF-8"), std::string::npos);
        EXPECT_NE(saves[0].find("<r v=\"caf\xC3\xA9\">caf\xC3\xA9</r>"), std::string::npos);
        EXPECT_EQ(saves[1], saves[0]);
        EXPECT_EQ(saves[2], saves[0]);
    }
    // The same through a file.
    Ref<TXMLStorage> storage = MakeRef<TXMLStorage>();
    ASSERT_TRUE(storage->LoadFromXML(std::string(declarations[0]) + "<r v=\"\xE9\"/>"));
    ASSERT_TRUE(storage->SaveToFile("latin.xml"));
    Ref<IHierStorage> again = LoadStorageFromFile("latin.xml");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->GetValue("v", "").ToString(), "\xC3\xA9");
    // Declarations that need no change are written as they are.
    ASSERT_TRUE(storage->LoadFromXML("<?xml version=\"1.0\" encoding=\"utf-8\"?><r/>"));
    std::string text;
    ASSERT_TRUE(storage->SaveToXML(text));
    EXPECT_EQ(text, "<?xml version=\"1.0\" encoding=\"utf-8\"?><r/>");
}

TEST_F(XmlStorage, BinaryDocumentsLoadThroughTheSameLoaders) {
    Ref<IXmlDocument> document = LoadXmlDocumentFromXML(u"<r a=\"1\"><c>t</c></r>");
    std::string binary = document->GetBinaryXML();
    ASSERT_NE(binary.find('\0'), std::string::npos);
    Ref<IHierStorage> fromText = LoadStorageFromXML(binary);
    EXPECT_EQ(fromText->GetValue("a", "").ToString(), "1");
    EXPECT_EQ(fromText->GetChildText("c").ToString(), "t");
    Write("doc.bin", binary);
    Ref<IHierStorage> fromFile = LoadStorageFromFile("doc.bin");
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->GetChildText("c").ToString(), "t");
}

TEST_F(XmlStorage, OutStorageEncipheredUnderItsKey) {
    Write("parts/level.dat",
          Enciphered("<level rows=\"10\" cols=\"12\"><row>1</row><row>2</row></level>", "secretkey"));
    Ref<IHierStorage> root = LoadStorageFromXML(
        "<game><level rows=\"5\" _outstorage=\"\\file={parts\\level.dat}\\cryptkey=secretkey\"/></game>");
    Ref<IHierStorage> level = root->GetChild("level", 0);
    ASSERT_TRUE(level);
    EXPECT_EQ(level->GetValue("rows", "0").ToString(), "5");   // the node's own value wins
    EXPECT_EQ(level->GetValue("cols", "0").ToString(), "12");  // the file answers for the rest
    // A value holding exactly the default's text asks the file too.
    EXPECT_EQ(level->GetValue("rows", "5").ToString(), "10");
    EXPECT_EQ(level->GetChildCount("row"), 2);
    ASSERT_TRUE(level->GetChild("row", 1));
    EXPECT_EQ(level->GetChild("row", 1)->GetText().ToString(), "2");
    EXPECT_EQ(level->GetChildText("row").ToString(), "1");
}

TEST_F(XmlStorage, SpecsNamingOneFileShareTheFirstLoad) {
    Write("shared.xml", "<s v=\"plain\"/>");
    Ref<IHierStorage> first = GetStorageBySpec("\\file=shared.xml");
    // The second spec's key would not decipher plain text; the cache answers first.
    Ref<IHierStorage> second = GetStorageBySpec("\\FILE=shared.xml\\cryptkey=other");
    EXPECT_TRUE(first == second);
    EXPECT_FALSE(GetStorageBySpec("\\cryptkey=k"));
    ClearStorageCache();
    EXPECT_FALSE(GetStorageBySpec("\\file=shared.xml") == first);
}

TEST_F(XmlStorage, SavedBySpecAndReadBackAfterClearingTheCache) {
    Ref<IHierStorageRoot> root = CreateStorage("options");
    Ref<IHierStorage> node = Query<IHierStorage>(root);
    node->SetValue("SoundVolume", 70);
    node->AddChild("option")->SetValue("name", "x\xC3\xA9");
    const std::string spec = "\\file={saved\\sub\\options.dat}\\cryptkey=k123";
    SaveStorageBySpec(node, spec);
    // A "\" in a file name names the same file on every platform.
    ASSERT_TRUE(std::filesystem::exists(dir_.Path() / "saved/sub/options.dat"));
    EXPECT_EQ(ReadFileBytes(dir_.File("saved/sub/options.dat")).find("<"), std::string::npos);

    ClearStorageCache();
    Ref<IHierStorage> back = GetStorageBySpec(spec);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetXML().ToWideString(), node->GetXML().ToWideString());
}

// Folder names of one and two characters, at the front and further in.
TEST_F(XmlStorage, SavedBySpecIntoShortFolderNames) {
    Ref<IHierStorage> node = Query<IHierStorage>(CreateStorage("r"));
    node->SetValue("v", "1");
    for (const char* file : {"sv/plain.xml", "s/x.xml", "ab/c/d.xml", "{q\\r\\s.xml}"}) {
        SCOPED_TRACE(file);
        EXPECT_NO_THROW(SaveStorageBySpec(node, std::string("\\file=") + file));
    }
    for (const char* path : {"sv/plain.xml", "s/x.xml", "ab/c/d.xml", "q/r/s.xml"}) {
        EXPECT_EQ(ReadFileBytes(dir_.File(path)), "<r v=\"1\"/>") << path;
    }
}

// A document whose text is built once, so that the saves below spend their
// time writing rather than building the text again.
class TPrebuiltStorage : public TXMLStorage {
public:
    explicit TPrebuiltStorage(std::string text) : text_(std::move(text)) {}
    bool SaveToXML(std::string& text) override {
        text = text_;
        return true;
    }

private:
    std::string text_;
};

// A version of a document of about 300 KB.
Ref<IHierStorage> BigDocument(char fill) {
    Ref<IHierStorage> node = Query<IHierStorage>(CreateStorage("profiles"));
    for (int i = 0; i < 100; ++i) node->AddChild("p")->SetValue("v", std::string(1, fill));
    node->AddChild("history")->SetText(std::string(300'000, fill));
    std::string text;
    Query<IHierStorageRoot>(node)->SaveToXML(text);
    return Ref<IHierStorage>(MakeRef<TPrebuiltStorage>(std::move(text)));
}

// The whole file, read in large blocks (big files are read after every run).
std::string ReadWhole(const std::string& path) {
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) return bytes;
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    for (ssize_t n; done < bytes.size() && (n = ::read(fd, &bytes[done], bytes.size() - done)) > 0;)
        done += static_cast<size_t>(n);
    bytes.resize(done);
    ::close(fd);
    return bytes;
}

std::vector<std::string> NamesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Saves killed at random moments while they write: each leaves the document
// it replaces or the new one, whole. The temporary files of killed saves go
// with the next save. A disk that fills up half-way leaves the old document.
TEST_F(XmlStorage, AKilledOrFailedSaveLeavesTheOldOrTheNewDocumentWhole) {
    const std::string spec = "\\file={saves\\big.xml}";
    const std::string file = dir_.File("saves/big.xml");
    const std::string folder = dir_.File("saves");
    const Ref<IHierStorage> versions[] = {BigDocument('a'), BigDocument('b')};
    std::string bytes[2];
    for (int v = 1; v >= 0; --v) {
        SaveStorageBySpec(versions[v], spec);
        bytes[v] = ReadWhole(file);
    }
    ASSERT_GT(bytes[0].size(), 300'000u);

    // How long a save goes on after its first change to the folder (the
    // median of three), and then kills at moments spread over that time.
    std::vector<int64_t> spans;
    for (int v : {0, 1, 1}) {
        spans.push_back(RunInChildAndKillAfterFirstChange(
                            [&] { SaveStorageBySpec(versions[v], spec); }, folder, std::nullopt)
                            .count());
        ASSERT_TRUE(ReadWhole(file) == bytes[v]);
    }
    std::sort(spans.begin(), spans.end());
    ASSERT_GT(spans[1], 0);
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int64_t> delay(0, spans[1] * 5 / 4);

    constexpr int kKills = 300;
    int kills = 0, kept = 0, replaced = 0, cut = 0, interrupted = 0;
    int current = 1;
    size_t files = NamesIn(folder).size();
    while (kills < kKills) {
        ++kills;
        const int next = 1 - current;
        RunInChildAndKillAfterFirstChange([&] { SaveStorageBySpec(versions[next], spec); }, folder,
                                          std::chrono::microseconds(delay(rng)));
        const std::string after = ReadWhole(file);
        if (after == bytes[current]) {
            ++kept;
        } else if (after == bytes[next]) {
            ++replaced;
            current = next;
        } else {
            ++cut;
            break;
        }
        const size_t filesAfter = NamesIn(folder).size();
        if (filesAfter > files) ++interrupted;
        files = filesAfter;
    }
    std::printf("%d kills: old document whole %d times, new %d times, cut %d; %d mid-save\n", kills,
                kept, replaced, cut, interrupted);
    EXPECT_EQ(cut, 0);
    EXPECT_GT(kept, 0);
    EXPECT_GT(replaced, 0);

    SaveStorageBySpec(versions[0], spec);
    EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"big.xml"});

    // The disk fills up half-way through the new document.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{150'000, limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    TLogCapture log;
    EXPECT_THROW(SaveStorageBySpec(versions[1], spec), EStreamError);
    setrlimit(RLIMIT_FSIZE, &limit);
    sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_TRUE(log.Has({"STORAGE: Cannot save saves/big.xml: "}))
        << testing::PrintToString(log.Lines());
    EXPECT_TRUE(ReadWhole(file) == bytes[0]);
    EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"big.xml"});
}

TEST_F(XmlStorage, OutStorageCyclesAreRefused) {
    Write("self.xml", "<s _outstorage=\"\\file=self.xml\"/>");
    EXPECT_THROW(GetStorageBySpec("\\file=self.xml"), Exception);
    Write("a.xml", "<a _outstorage=\"\\file=b.xml\"/>");
    Write("b.xml", "<b _outstorage=\"\\file=A.XML\"/>");
    EXPECT_THROW(GetStorageBySpec("\\file=a.xml"), Exception);
    // A child naming the document it sits in is no cycle: the document is cached.
    Write("c.xml", "<c v=\"1\"><d _outstorage=\"\\file=c.xml\"/></c>");
    Ref<IHierStorage> c = GetStorageBySpec("\\file=c.xml");
    EXPECT_EQ(c->GetChild("d", 0)->GetValue("v", "").ToString(), "1");
}

TEST_F(XmlStorage, WritingOutsideTheFolderIsRefused) {
    Ref<IHierStorage> node = Query<IHierStorage>(CreateStorage("r"));
    EXPECT_THROW(SaveStorageBySpec(node, "\\file=../escape.xml"), Exception);
    EXPECT_THROW(SaveStorageBySpec(node, "\\file={a\\..\\..\\escape.xml}"), Exception);
    EXPECT_THROW(SaveStorageBySpec(node, "\\file=/tmp/escape.xml"), Exception);
    EXPECT_FALSE(std::filesystem::exists(dir_.Path().parent_path() / "escape.xml"));
    SaveStorageBySpec(node, "");  // no file: nothing happens
}

// Each failure writes one line naming the file and what failed; a missing
// file handed to the probing loaders writes nothing.
TEST_F(XmlStorage, LoadFailuresAreLoggedOnceWithTheFileName) {
    Write("bad.xml", "<a><b></a>");
    Write("empty.xml", "");
    Write("secret.dat", Enciphered("<s v=\"1\"/>", "right"));
    Write("outer.xml", "<o><n _outstorage=\"\\file=gone.xml\"/></o>");
    Write("pk.zip", "no archive");  // the pack extension of the core alone
    const struct {
        const char* what;
        std::function<void()> load;
        std::vector<std::string> lines;
    } cases[] = {
        {"missing file", [] { EXPECT_FALSE(LoadStorageFromFile("missing.xml")); }, {}},
        {"missing file, root loader",
         [] { EXPECT_FALSE(MakeRef<TXMLStorage>()->LoadFromFile("missing.xml")); },
         {}},
        {"not well-formed",
         [] { EXPECT_THROW(LoadStorageFromFile("bad.xml"), Exception); },
         {"STORAGE: \"bad.xml\" is not well-formed: \"b\" expected"}},
        {"not well-formed, root loader",
         [] { EXPECT_FALSE(MakeRef<TXMLStorage>()->LoadFromFile("bad.xml")); },
         {"STORAGE: \"bad.xml\" is not well-formed: \"b\" expected"}},
        {"no element",
         [] { EXPECT_THROW(LoadStorageFromFile("empty.xml"), Exception); },
         {"STORAGE: \"empty.xml\" holds no element"}},
        {"no element, root loader",
         [] { EXPECT_FALSE(MakeRef<TXMLStorage>()->LoadFromFile("empty.xml")); },
         {"STORAGE: \"empty.xml\" holds no element"}},
        {"text",
         [] { EXPECT_FALSE(MakeRef<TXMLStorage>()->LoadFromXML("<broken")); },
         {"STORAGE: A storage text did not load: Incomplete element definition"}},
        {"unreadable pack",
         [] { EXPECT_FALSE(LoadStorageFromFile("pk/x.xml")); },
         {"PACK: The pack \"pk.zip\" is no readable ZIP archive"}},
        {"missing out-storage",
         [] {
             EXPECT_EQ(GetStorageBySpec("\\file=absent.xml")->GetValue("v", "d").ToString(), "d");
         },
         {"STORAGE: The out-storage \"absent.xml\" cannot be opened; it reads as empty"}},
        {"out-storage of a node",
         [] { EXPECT_TRUE(GetStorageBySpec("\\file=outer.xml")->GetChild("n", 0)); },
         {"STORAGE: The out-storage \"gone.xml\" cannot be opened; it reads as empty"}},
        {"out-storage not well-formed",
         [] { EXPECT_THROW(GetStorageBySpec("\\file=bad.xml"), Exception); },
         {"STORAGE: The out-storage \"bad.xml\" is not well-formed: \"b\" expected"}},
    };
    for (const auto& c : cases) {
        ClearStorageCache();
        TLogCapture log;
        c.load();
        EXPECT_EQ(log.Lines(), c.lines) << c.what;
    }
    // A wrong key gives bytes that do not parse, or parse to no element.
    TLogCapture log;
    try {
        GetStorageBySpec("\\file=secret.dat\\cryptkey=wrong");
    } catch (const Exception&) {
    }
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_TRUE(
        log.Has({"STORAGE: The out-storage \"secret.dat\"", "after deciphering with its key"}))
        << log.Lines()[0];
}

#ifndef NDEBUG
TEST(XmlStorageDeathTest, OutStoragesNeedTheUnit) {
    EXPECT_DEATH(
        {
            DoneXMLStorage();
            GetStorageBySpec("\\file=any.xml");
        },
        "Out-storages are read only while the XMLStorage unit is initialised");
}
#endif

TEST_F(XmlStorage, FindByPath) {
    Ref<IHierStorage> root = LoadStorageFromXML(
        "<game><screens><screen name=\"Menu\"><button name=\"OK\"/></screen></screens>"
        "<Widgets><w name=\"inner\"/></Widgets><sound/></game>");
    EXPECT_TRUE(root->FindByPath("", "") == root);
    Ref<IHierStorage> ok = root->FindByPath("SCREENS/menu/ok", "");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->GetNodeName(), "button");
    EXPECT_FALSE(root->FindByPath("screens/nothing", ""));
    // A container is searched first at every step.
    Ref<IHierStorage> inner = root->FindByPath("INNER", "Widgets");
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->GetValue("name", "").ToString(), "inner");
    EXPECT_TRUE(root->FindByPath("sound", "Widgets"));
}

TEST_F(XmlStorage, ContentAndCopies) {
    Ref<IHierStorage> root = LoadStorageFromXML("<r><a>text</a><b><x/><y/></b></r>");
    EXPECT_EQ(root->GetChildContent("a").ToString(), "text");
    EXPECT_EQ(root->GetChildContent("b").ToString(), "<x/><y/>");
    root->SetChildContent("c", "<z k=\"1\"/>");
    EXPECT_EQ(root->FindByPath("c/z", "")->GetValue("k", "").ToString(), "1");
    EXPECT_THROW(root->SetChildContent("d", "<broken"), Exception);

    Ref<IHierStorage> other = LoadStorageFromXML("<extra v=\"2\"/>");
    EXPECT_TRUE(root->AppendCopy(other));
    EXPECT_EQ(root->GetChild("extra", 0)->GetValue("v", "").ToString(), "2");
    EXPECT_FALSE(root->AppendCopy(nullptr));
    root->RemoveChild(root->GetChild("a", 0));
    EXPECT_EQ(root->FindChild("a"), nullptr);
}

TEST_F(XmlStorage, RootLoadersAndSaving) {
    Ref<TXMLStorage> storage = MakeRef<TXMLStorage>();
    EXPECT_EQ(storage->GetNodeName(), "");
    EXPECT_EQ(storage->GetChildCount("x"), 0);
    EXPECT_EQ(storage->GetValue("x", "d").ToString(), "d");
    EXPECT_FALSE(storage->LoadFromXML("<broken"));
    EXPECT_FALSE(storage->LoadFromFile("no/such/file.xml"));
    ASSERT_TRUE(storage->LoadFromXML("<r a=\"\xC3\xA9\"/>"));
    std::string text;
    EXPECT_TRUE(storage->SaveToXML(text));
    EXPECT_EQ(text, "<r a=\"\xC3\xA9\"/>");
    EXPECT_TRUE(storage->SaveToFile("out.xml"));
    EXPECT_EQ(ReadFileBytes(dir_.File("out.xml")), text);
    EXPECT_TRUE(storage->SaveToFile("res:out2.xml"));
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "out2.xml"));
}

// Reads of a storage without an element answer defaults; writes raise.
void ExpectSafeWithoutElement(const Ref<IHierStorage>& storage) {
    ASSERT_TRUE(storage);
    EXPECT_EQ(storage->GetNodeName(), "");
    EXPECT_EQ(storage->GetValueCount(), 0);
    EXPECT_EQ(storage->GetValueName(0), "");
    EXPECT_EQ(storage->GetValue("x", "d").ToString(), "d");
    EXPECT_EQ(storage->GetValueAt(0, "d").ToString(), "d");
    EXPECT_EQ(storage->GetChildCount("c"), 0);
    EXPECT_EQ(storage->GetChildCount(""), 0);
    EXPECT_FALSE(storage->GetChild("c", 0));
    EXPECT_FALSE(storage->FindChild("c"));
    EXPECT_FALSE(storage->FindByPath("c/d", "w"));
    EXPECT_EQ(storage->GetText().ToString(), "");
    EXPECT_EQ(storage->GetChildText("c").ToString(), "");
    EXPECT_EQ(storage->GetXML().ToString(), "");
    EXPECT_EQ(storage->GetContent().ToString(), "");
    EXPECT_EQ(storage->GetChildContent("c").ToString(), "");
    storage->DeleteValue("x");
    Ref<IHierStorage> other = LoadStorageFromXML("<o/>");
    storage->RemoveChild(other);
    EXPECT_THROW(storage->SetValue("x", "1"), Exception);
    EXPECT_THROW(storage->SetValueAt(0, "1"), Exception);
    EXPECT_THROW(storage->AddChild("c"), Exception);
    EXPECT_THROW(storage->SetText("t"), Exception);
    EXPECT_THROW(storage->SetChildText("c", "t"), Exception);
    EXPECT_THROW(storage->SetContent("<z/>"), Exception);
    EXPECT_THROW(storage->SetChildContent("c", "<z/>"), Exception);
    EXPECT_THROW(storage->AppendCopy(other), Exception);
    EXPECT_EQ(storage->GetValue("x", "d").ToString(), "d");
}

TEST_F(XmlStorage, DocumentsWithoutAnElement) {
    const char* const texts[] = {"", "  \n\t ", "<!-- only a comment -->",
                                 "<?xml version=\"1.0\"?>", "<?xml version='1.0'?>\n<!-- c -->\n"};
    for (const char* text : texts) {
        SCOPED_TRACE(std::string("\"") + text + "\"");
        ClearStorageCache();
        const std::string file = Write("empty.xml", text);
        // The loaders refuse such a document...
        EXPECT_THROW(LoadStorageFromXML(text), Exception);
        EXPECT_THROW(LoadStorageFromWideXML(text), Exception);
        EXPECT_THROW(LoadStorageFromFile(file), Exception);
        Ref<TXMLStorage> root = MakeRef<TXMLStorage>();
        ASSERT_TRUE(root->LoadFromXML("<kept/>"));
        EXPECT_FALSE(root->LoadFromXML(text));
        EXPECT_FALSE(root->LoadFromFile(file));
        EXPECT_EQ(root->GetNodeName(), "kept");
        EXPECT_THROW(root->SetContent(std::string("<r>") + text), Exception);

        // ...but as an out-storage it stands for a file not written yet.
        Ref<IHierStorage> spec = GetStorageBySpec("\\file=empty.xml");
        ExpectSafeWithoutElement(spec);
        std::string saved = "unchanged";
        EXPECT_TRUE(Query<IHierStorageRoot>(spec)->SaveToXML(saved));
        Ref<IHierStorage> node =
            LoadStorageFromXML("<n v=\"1\" _outstorage=\"\\file=empty.xml\"/>");
        EXPECT_EQ(node->GetValue("v", "d").ToString(), "1");
        EXPECT_EQ(node->GetValue("w", "d").ToString(), "d");
        EXPECT_EQ(node->GetChildCount("c"), 0);
    }
    // A text that is no document keeps being set as text.
    Ref<IHierStorage> r = LoadStorageFromXML("<r/>");
    r->SetContent("just text");
    EXPECT_EQ(r->GetText().ToString(), "just text");

    // A storage never attached, and one detached again.
    ExpectSafeWithoutElement(MakeRef<TXMLStorage>());
    Ref<TXMLStorage> detached = MakeRef<TXMLStorage>();
    ASSERT_TRUE(detached->LoadFromXML("<d a=\"1\"><c/></d>"));
    detached->Detach();
    ExpectSafeWithoutElement(detached);
}

TEST_F(XmlStorage, ForceFolders) {
    EXPECT_THROW(ForceFolders(""), Exception);
    EXPECT_TRUE(ForceFolders("ab"));
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "ab"));
    EXPECT_TRUE(ForceFolders("one/two/three/"));
    EXPECT_TRUE(std::filesystem::is_directory(dir_.Path() / "one/two/three"));
    EXPECT_TRUE(ForceFolders((dir_.Path() / "abs/olute").string()));
    EXPECT_TRUE(std::filesystem::is_directory(dir_.Path() / "abs/olute"));
}

}  // namespace
