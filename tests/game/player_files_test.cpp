// The four player files: their text form, element trees, the folders they
// are read from, and what happens to damaged files and failed saves.
#include <gtest/gtest.h>

#include <functional>

#include "game/GlobalOptions.h"
#include "game/PlayerDataFile.h"
#include "tests/game/PlayerDataDescribe.h"
#include "tests/game/PlayerDataTestSupport.h"

namespace playerdata {
namespace {

// One player file: how to fill it and save it, and how to read it into fresh
// objects and describe what they hold.
struct FileCase {
    const char* fileName;
    const char* rootName;
    std::function<std::string()> key;
    std::function<bool(const Ref<IEngine>&)> saveSample;
    std::function<std::string(const Ref<IEngine>&)> loadAndDescribe;
    std::function<std::string()> describeSample;
};

std::string DescribeOptions() {
    std::string out;
    for (const char* name : {"FullScreenMode", "MusicVolume", "PlayerName"}) {
        std::string value;
        if (!ReadGlobalOption(name, value)) return "<store unreadable>";
        out += std::string(name) + "=" + value + ";";
    }
    return out;
}

bool SaveSampleOptions() {
    return WriteGlobalOption("FullScreenMode", "no") && WriteGlobalOption("MusicVolume", "80") &&
           WriteGlobalOption("PlayerName", kAwkwardName);
}

std::vector<FileCase> FileCases() {
    return {
        {"highscores.dat", "highscores", GetHighScoresFileKey,
         [](const Ref<IEngine>& e) { return SampleHighScores()->Save(e); },
         [](const Ref<IEngine>& e) {
             Ref<THighScores> scores = NewHighScores();
             scores->Load(e, false);
             return Describe(scores);
         },
         [] { return Describe(SampleHighScores()); }},
        {"records.dat", "highscores", GetRecordsFileKey,
         [](const Ref<IEngine>& e) { return SampleLevelRecords()->Save(e); },
         [](const Ref<IEngine>& e) {
             Ref<TLevelRecords> records = NewLevelRecords();
             records->Load(e);
             return Describe(records);
         },
         [] { return Describe(SampleLevelRecords()); }},
        {"users.dat", "userprofiles", GetUsersFileKey,
         [](const Ref<IEngine>& e) { return SampleProfiles()->Save(e); },
         [](const Ref<IEngine>& e) {
             Ref<TUserProfileCollection> profiles = NewProfiles();
             profiles->Load(e);
             return Describe(profiles);
         },
         [] { return Describe(SampleProfiles()); }},
        {"options.dat", "options", GetOptionsFileKey,
         [](const Ref<IEngine>&) { return SaveSampleOptions(); },
         [](const Ref<IEngine>&) {
             // A new store reads the file afresh.
             DoneGlobalOptions();
             InitGlobalOptions();
             return DescribeOptions();
         },
         [] {
             return std::string("FullScreenMode=no;MusicVolume=80;PlayerName=") + kAwkwardName +
                    ";";
         }},
    };
}

class PlayerFilesTest : public PlayerDataTest {
protected:
    void SetUp() override {
        PlayerDataTest::SetUp();
        SetLevelRecordsDefinition(kTwoLevelTables);
    }
};

TEST_F(PlayerFilesTest, EachFileIsOneHexLineThatLoadsBackEqualWithOrWithoutItsLineFeed) {
    for (const FileCase& c : FileCases()) {
        SCOPED_TRACE(c.fileName);
        ASSERT_TRUE(c.saveSample(Engine()));
        const std::string bytes = ReadFileBytes(UserFile(c.fileName));
        ASSERT_FALSE(bytes.empty());
        ASSERT_EQ(bytes.back(), '\n');
        const std::string line = bytes.substr(0, bytes.size() - 1);
        EXPECT_TRUE(IsUpperHex(line)) << line.substr(0, 80);
        EXPECT_EQ(line.size() % 2, 0u);
        // The line deciphers under the file's key to a document of its root.
        EXPECT_EQ(TreeOf(PlainText(line, c.key())).rfind(c.rootName, 0), 0u)
            << TreeOf(PlainText(line, c.key()));

        const std::string expected = c.describeSample();
        EXPECT_EQ(c.loadAndDescribe(Engine()), expected);

        // Without its final line feed the file reads the same.
        TTempDir scratch;
        scratch.Write("x", line);
        std::filesystem::copy_file(scratch.File("x"), UserFile(c.fileName),
                                   std::filesystem::copy_options::overwrite_existing);
        EXPECT_EQ(c.loadAndDescribe(Engine()), expected);
        EXPECT_TRUE(UserFilesStartingWith(std::string(c.fileName) + ".damaged").empty());
    }
}

TEST_F(PlayerFilesTest, HighScoresTree) {
    Ref<THighScores> scores = NewHighScores();
    Ref<IRecord> ann = scores->AddScore(Params({{"Score", "500"}, {"Player", "Ann"}}), "japan");
    Ref<IRecord> bob = scores->AddScore(Params({{"Player", "Bob"}, {"Score", "700"}}), "japan");
    Ref<IRecord> cy = scores->AddScore(Params({{"Score", "9"}, {"Player", "Cy"}}), "online_china");
    ASSERT_TRUE(ann && bob && cy);
    ASSERT_TRUE(scores->Save(Engine()));

    std::string expected = "highscores(recordtables(";
    Ref<IRecordTableCollection> tables = scores->GetTables();
    for (int32_t t = 0; t < tables->GetCount(); ++t) {
        const std::string name = tables->GetItem(Variant(t))->GetName();
        expected += (t ? " " : "") + std::string("recordtable[name=") + name + "](records";
        if (name == "japan") {
            expected += "(record[name=" + bob->GetName() +
                        "](params(param[name=Score](\"700\") param[name=Player](\"Bob\"))) "
                        "record[name=" +
                        ann->GetName() +
                        "](params(param[name=Score](\"500\") param[name=Player](\"Ann\"))))";
        } else if (name == "online_china") {
            expected += "(record[name=" + cy->GetName() +
                        "](params(param[name=Score](\"9\") param[name=Player](\"Cy\"))))";
        }
        expected += ")";
    }
    expected += "))";
    EXPECT_EQ(TreeOf(PlainText(ReadFileBytes(UserFile("highscores.dat")), GetHighScoresFileKey())),
              expected);
}

TEST_F(PlayerFilesTest, LevelRecordsTree) {
    ASSERT_TRUE(SampleLevelRecords()->Save(Engine()));
    EXPECT_EQ(TreeOf(PlainText(ReadFileBytes(UserFile("records.dat")), GetRecordsFileKey())),
              std::string("highscores(levelrecordtables(") +
                  "levelrecordtable[name=main](levelrecords("
                  "levelrecord[name=12](params(param[name=time,value=93] param[name=note,value=" +
                  kAwkwardName +
                  "])) "
                  "levelrecord[name=3](params(param[name=time,value=7])))) "
                  "levelrecordtable[name=bonus](levelrecords("
                  "levelrecord[name=1](params(param[name=stars,value=2]))))))");
}

TEST_F(PlayerFilesTest, LevelRecordsOfTheGameHaveNoTables) {
    SetLevelRecordsDefinition("");
    ASSERT_TRUE(NewLevelRecords()->Save(Engine()));
    EXPECT_EQ(TreeOf(PlainText(ReadFileBytes(UserFile("records.dat")), GetRecordsFileKey())),
              "highscores(levelrecordtables)");
}

TEST_F(PlayerFilesTest, UserProfilesTree) {
    ASSERT_TRUE(SampleProfiles()->Save(Engine()));
    EXPECT_EQ(TreeOf(PlainText(ReadFileBytes(UserFile("users.dat")), GetUsersFileKey())),
              std::string("userprofiles[current_user_profile_name=") + kAwkwardName +
                  "](userprofile[name=Ann](params(param[name=location_state_japan,value="
                  "completed] param[name=UseAutoComplete,value=yes]) "
                  "datastorage(\"<free text & more>\")) "
                  "userprofile[name=" +
                  kAwkwardName + "](params(param[name=note,value=" + kAwkwardName + "])))");
}

TEST_F(PlayerFilesTest, OptionsTreeHasOneElementPerOption) {
    ASSERT_TRUE(WriteGlobalOption("ShowHints", "yes"));
    ASSERT_TRUE(WriteGlobalOption("MusicVolume", "80"));
    ASSERT_TRUE(WriteGlobalOption("ShowHints", "no"));
    EXPECT_EQ(TreeOf(PlainText(ReadFileBytes(UserFile("options.dat")), GetOptionsFileKey())),
              "options(ShowHints(\"no\") MusicVolume(\"80\"))");
}

// ---------------------------------------------------------------------------
// Folders

TEST_F(PlayerFilesTest, HighScoresComeFromTheShippedCopyUntilThePlayerHasOne) {
    WritePlayerFile(AppFile("highscores.dat"),
                    "<highscores><recordtables><recordtable name=\"rome\"><records>"
                    "<record name=\"Record7\"><params><param name=\"Score\">900</param>"
                    "<param name=\"Player\">Shipped</param></params></record>"
                    "</records></recordtable></recordtables></highscores>",
                    GetHighScoresFileKey());

    Ref<THighScores> first = NewHighScores();
    EXPECT_EQ(first->Load(Engine(), false), TPlayerFileLoad::kLoaded);
    EXPECT_EQ(Describe(first), "rome: {Score=900,Player=Shipped} | ");
    // The row read is named afresh: names are never taken from files.
    EXPECT_NE(
        first->GetTables()->GetItem(Variant("rome"))->GetRecords()->GetItem(Variant(0))->GetName(),
        "Record7");
    EXPECT_FALSE(std::filesystem::exists(UserFile("highscores.dat")));

    // The first save creates the player's copy; from then on it is the one read.
    first->AddScore(Params({{"Score", "950"}, {"Player", "Me"}}), "rome");
    ASSERT_TRUE(first->Save(Engine()));
    ASSERT_TRUE(std::filesystem::exists(UserFile("highscores.dat")));
    Ref<THighScores> second = NewHighScores();
    EXPECT_EQ(second->Load(Engine(), false), TPlayerFileLoad::kLoaded);
    EXPECT_EQ(Describe(second), "rome: {Score=950,Player=Me} {Score=900,Player=Shipped} | ");

    // Asking for the defaults reads the shipped copy whatever the player has.
    Ref<THighScores> defaults = NewHighScores();
    EXPECT_EQ(defaults->Load(Engine(), true), TPlayerFileLoad::kLoaded);
    EXPECT_EQ(Describe(defaults), "rome: {Score=900,Player=Shipped} | ");
}

TEST_F(PlayerFilesTest, LevelRecordsComeFromThePlayersCopyElseTheShippedOne) {
    // Absent from both folders: nothing is read and nothing is said.
    Ref<TLevelRecords> none = NewLevelRecords();
    EXPECT_EQ(none->Load(Engine()), TPlayerFileLoad::kMissing);
    EXPECT_TRUE(log.Lines().empty());

    WritePlayerFile(AppFile("records.dat"),
                    "<highscores><levelrecordtables><levelrecordtable name=\"main\"><levelrecords>"
                    "<levelrecord name=\"4\"><params><param name=\"time\" value=\"60\"/></params>"
                    "</levelrecord></levelrecords></levelrecordtable>"
                    "<levelrecordtable name=\"unknown\"><levelrecords><levelrecord name=\"1\"/>"
                    "</levelrecords></levelrecordtable></levelrecordtables></highscores>",
                    GetRecordsFileKey());
    Ref<TLevelRecords> shipped = NewLevelRecords();
    EXPECT_EQ(shipped->Load(Engine()), TPlayerFileLoad::kLoaded);
    EXPECT_EQ(Describe(shipped), "main: 4{time=60} | bonus: | ");

    shipped->GetRecord(Params({{"time", "50"}}), "main", 4);
    ASSERT_TRUE(shipped->Save(Engine()));
    Ref<TLevelRecords> own = NewLevelRecords();
    EXPECT_EQ(own->Load(Engine()), TPlayerFileLoad::kLoaded);
    EXPECT_EQ(Describe(own), "main: 4{time=50} | bonus: | ");
}

TEST_F(PlayerFilesTest, ProfilesAreReadFromThePlayerDataFolderOnly) {
    WritePlayerFile(AppFile("users.dat"),
                    "<userprofiles><userprofile name=\"Shipped\"/></userprofiles>",
                    GetUsersFileKey());
    Ref<TUserProfileCollection> profiles = NewProfiles();
    EXPECT_EQ(profiles->Load(Engine()), TPlayerFileLoad::kMissing);
    EXPECT_EQ(profiles->GetCount(), 0);
}

TEST_F(PlayerFilesTest, ThePlayerDataFolderIsNamedByTheProductName) {
    EXPECT_EQ(UserDir(), (xdg.Path() / "Tessalind" / "Quillmarchmac").string() + "/");
}

// ---------------------------------------------------------------------------
// Damaged files

struct Damage {
    const char* what;
    // The bytes of a damaged file, given a good file's bytes and its key.
    std::function<std::string(const std::string& good, const std::string& key)> make;
};

std::vector<Damage> Damages() {
    return {
        {"truncated", [](const std::string& good,
                         const std::string&) { return good.substr(0, good.size() / 2) + "\n"; }},
        {"enciphered under another key",
         [](const std::string& good, const std::string& key) {
             const std::string plain = TCipher_Xtea(key).CodeString(good, paDecode, kFormatHex);
             return TCipher_Xtea("another0key1of16").CodeString(plain, paEncode, kFormatHex) + "\n";
         }},
        {"another file's root element",
         [](const std::string&, const std::string& key) {
             return TCipher_Xtea(key).CodeString("<somethingelse/>", paEncode, kFormatHex) + "\n";
         }},
        {"empty", [](const std::string&, const std::string&) { return std::string(); }},
        {"not text at all",
         [](const std::string&, const std::string&) { return std::string("\x01\x02\xff\n", 4); }},
    };
}

TEST_F(PlayerFilesTest, ADamagedFileIsSetAsideAndTheDataStartsEmpty) {
    for (const FileCase& c : FileCases()) {
        ASSERT_TRUE(c.saveSample(Engine()));
        const std::string good = ReadFileBytes(UserFile(c.fileName));
        const std::string emptyDescription = [&] {
            std::filesystem::remove(UserFile(c.fileName));
            return c.loadAndDescribe(Engine());
        }();
        for (const Damage& d : Damages()) {
            SCOPED_TRACE(std::string(c.fileName) + ": " + d.what);
            const std::string bad = d.make(good, c.key());
            TTempDir scratch;
            scratch.Write("bad", bad);
            std::filesystem::copy_file(scratch.File("bad"), UserFile(c.fileName),
                                       std::filesystem::copy_options::overwrite_existing);
            log.Clear();

            EXPECT_EQ(c.loadAndDescribe(Engine()), emptyDescription);
            // The damaged file is kept, byte for byte, under a new name.
            const std::string aside = UserFile(c.fileName) + ".damaged-1";
            EXPECT_FALSE(std::filesystem::exists(UserFile(c.fileName)));
            EXPECT_EQ(ReadFileBytes(aside), bad);
            EXPECT_TRUE(log.Has({"PLAYER: ", UserFile(c.fileName), "is damaged", aside}))
                << (log.Lines().empty() ? "" : log.Lines().back());

            // The next save writes a fresh, readable file and leaves it alone.
            ASSERT_TRUE(c.saveSample(Engine()));
            EXPECT_EQ(c.loadAndDescribe(Engine()), c.describeSample());
            EXPECT_EQ(ReadFileBytes(aside), bad);
            std::filesystem::remove(aside);
        }
    }
}

TEST_F(PlayerFilesTest, ASecondDamagedFileTakesTheNextFreeName) {
    Ref<TUserProfileCollection> profiles = NewProfiles();
    for (const char* bad : {"first\n", "second\n"}) {
        TTempDir scratch;
        scratch.Write("bad", bad);
        std::filesystem::copy_file(scratch.File("bad"), UserFile("users.dat"));
        EXPECT_EQ(profiles->Load(Engine()), TPlayerFileLoad::kDamaged);
    }
    EXPECT_EQ(ReadFileBytes(UserFile("users.dat.damaged-1")), "first\n");
    EXPECT_EQ(ReadFileBytes(UserFile("users.dat.damaged-2")), "second\n");
}

TEST_F(PlayerFilesTest, ADamagedFileThatCannotBeSetAsideIsNeverWrittenOver) {
    // A name so long that no longer name fits in the folder: renaming fails.
    SetUsersFileName(std::string(250, 'u'));
    TTempDir scratch;
    scratch.Write("bad", "not a profile file\n");
    std::filesystem::create_directories(UserDir());
    std::filesystem::copy_file(scratch.File("bad"), UserFile(GetUsersFileName()));

    Ref<TUserProfileCollection> profiles = NewProfiles();
    EXPECT_EQ(profiles->Load(Engine()), TPlayerFileLoad::kDamaged);
    EXPECT_EQ(profiles->GetCount(), 0);
    EXPECT_TRUE(log.Has({"PLAYER: ", "could not be renamed aside"}));

    profiles->FindOrAdd("Ann");
    log.Clear();
    EXPECT_FALSE(profiles->Save(Engine()));
    EXPECT_TRUE(log.Has({"PLAYER: ", "Not saved", "is damaged"}));
    EXPECT_EQ(ReadFileBytes(UserFile(GetUsersFileName())), "not a profile file\n");
}

TEST_F(PlayerFilesTest, ADamagedShippedFileIsLoggedAndLeftAlone) {
    TTempDir scratch;
    scratch.Write("bad", "garbage\n");
    std::filesystem::copy_file(scratch.File("bad"), AppFile("highscores.dat"));
    Ref<THighScores> scores = NewHighScores();
    EXPECT_EQ(scores->Load(Engine(), false), TPlayerFileLoad::kDamaged);
    EXPECT_EQ(Describe(scores), "");
    EXPECT_TRUE(log.Has({"PLAYER: ", AppFile("highscores.dat"), "is damaged", "not read"}));
    EXPECT_EQ(ReadFileBytes(AppFile("highscores.dat")), "garbage\n");
}

// ---------------------------------------------------------------------------
// Failed saves

TEST_F(PlayerFilesTest, ASaveThatFailsAnswersFalseAndSaysSo) {
    for (const FileCase& c : FileCases()) {
        SCOPED_TRACE(c.fileName);
        // A folder where the file should go: the rename onto it fails.
        std::filesystem::create_directories(UserFile(c.fileName) + "/inside");
        log.Clear();
        EXPECT_FALSE(c.saveSample(Engine()));
        EXPECT_TRUE(log.Has({"Cannot save", UserFile(c.fileName)}));
        // Nothing is left behind but the folder.
        EXPECT_EQ(UserFilesStartingWith(c.fileName), std::vector<std::string>{c.fileName});
        std::filesystem::remove_all(UserFile(c.fileName));
    }
}

TEST_F(PlayerFilesTest, ASaveThatWouldNotReadBackIsRefusedAndTheOldFileKept) {
    ASSERT_TRUE(SampleProfiles()->Save(Engine()));
    const std::string before = ReadFileBytes(UserFile("users.dat"));
    // The reader stops at a zero byte, so a name holding one would cut the
    // file short.
    Ref<TUserProfileCollection> profiles = SampleProfiles();
    profiles->FindOrAdd(std::string("nul\0name", 8));
    log.Clear();
    EXPECT_FALSE(profiles->Save(Engine()));
    EXPECT_TRUE(log.Has({"PLAYER: ", "Not saved", "users.dat", "would not read back"}));
    EXPECT_EQ(ReadFileBytes(UserFile("users.dat")), before);

    // An option value holding one is refused before it reaches the store.
    EXPECT_FALSE(WriteGlobalOption("MusicVolume", std::string("5\0", 2)));
    EXPECT_TRUE(log.Has({"PLAYER: ", "MusicVolume", "zero byte"}));
    EXPECT_TRUE(WriteGlobalOption("SoundVolume", "7"));
    std::string value = "unchanged";
    EXPECT_TRUE(ReadGlobalOption("MusicVolume", value));
    EXPECT_EQ(value, "");
}

TEST_F(PlayerFilesTest, SavingWithoutAnEngineAnswersFalse) {
    EXPECT_FALSE(SampleProfiles()->Save(nullptr));
    EXPECT_FALSE(SampleHighScores()->Save(nullptr));
    EXPECT_FALSE(SampleLevelRecords()->Save(nullptr));
    EXPECT_TRUE(log.Has({"PLAYER: ", "without an engine"}));
}

}  // namespace
}  // namespace playerdata
