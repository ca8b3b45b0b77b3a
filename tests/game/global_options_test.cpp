// The global options store, the session counter and the game's
// configuration values.
#include <gtest/gtest.h>

#include "core/lang/MultiLanguages.h"
#include "game/GlobalOptions.h"
#include "tests/game/PlayerDataDescribe.h"
#include "tests/game/PlayerDataTestSupport.h"

namespace playerdata {
namespace {

class GlobalOptionsTest : public PlayerDataTest {
protected:
    std::string OptionsTree() {
        return TreeOf(PlainText(ReadFileBytes(UserFile("options.dat")), GetOptionsFileKey()));
    }
    // A new store, which reads the file afresh.
    static void Restart() {
        DoneGlobalOptions();
        InitGlobalOptions();
    }
};

TEST_F(GlobalOptionsTest, OnAFreshMachineAReadAnswersEmptyAndTheFirstWriteMakesTheFile) {
    std::string value = "unchanged";
    EXPECT_TRUE(ReadGlobalOption("ShowHints", value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(std::filesystem::exists(UserFile("options.dat")));

    ASSERT_TRUE(WriteGlobalOption("ShowHints", "yes"));
    EXPECT_EQ(OptionsTree(), "options(ShowHints(\"yes\"))");
    EXPECT_TRUE(log.Lines().empty()) << log.Lines().front();
}

TEST_F(GlobalOptionsTest, AWriteIsReadBackWithoutReadingTheFileAgain) {
    ASSERT_TRUE(WriteGlobalOption("MusicVolume", "55"));
    // The store keeps its document: a file changed behind its back is not seen.
    std::filesystem::remove(UserFile("options.dat"));
    std::string value;
    ASSERT_TRUE(ReadGlobalOption("MusicVolume", value));
    EXPECT_EQ(value, "55");
    Restart();
    ASSERT_TRUE(ReadGlobalOption("MusicVolume", value));
    EXPECT_EQ(value, "");
}

TEST_F(GlobalOptionsTest, WithAnEmptyKeyTheFileIsPlainXml) {
    SetOptionsFileKey("");
    ASSERT_TRUE(WriteGlobalOption("FullScreenMode", "no"));
    const std::string bytes = ReadFileBytes(UserFile("options.dat"));
    EXPECT_NE(bytes.find("<options>"), std::string::npos) << bytes;
    EXPECT_EQ(TreeOf(bytes), "options(FullScreenMode(\"no\"))");
    Restart();
    std::string value;
    ASSERT_TRUE(ReadGlobalOption("FullScreenMode", value));
    EXPECT_EQ(value, "no");
}

TEST_F(GlobalOptionsTest, ANameThatCannotBeAnElementIsRefused) {
    for (const char* name : {"", "two words", "1st", "a<b", "-x", "x/y"}) {
        EXPECT_FALSE(WriteGlobalOption(name, "v")) << name;
    }
    EXPECT_TRUE(log.Has({"PLAYER: ", "cannot name an option"}));
    EXPECT_TRUE(WriteGlobalOption("Good_name-2.x", "v"));
    // What was written before stays readable.
    Restart();
    std::string value;
    ASSERT_TRUE(ReadGlobalOption("Good_name-2.x", value));
    EXPECT_EQ(value, "v");
}

TEST_F(GlobalOptionsTest, AFailedWriteAnswersFalseAndKeepsTheValueInMemory) {
    std::filesystem::create_directories(UserFile("options.dat"));
    EXPECT_FALSE(WriteGlobalOption("SoundVolume", "10"));
    std::string value;
    ASSERT_TRUE(ReadGlobalOption("SoundVolume", value));
    EXPECT_EQ(value, "10");
}

TEST_F(GlobalOptionsTest, WithoutTheUnitBothFunctionsAnswerFalse) {
    DoneGlobalOptions();
    std::string value;
    EXPECT_FALSE(ReadGlobalOption("ShowHints", value));
    EXPECT_FALSE(WriteGlobalOption("ShowHints", "yes"));
    EXPECT_FALSE(std::filesystem::exists(UserFile("options.dat")));
}

TEST_F(GlobalOptionsTest, SessionsAreNumberedFromZero) {
    EXPECT_EQ(ReadSessionID(), 0);
    EXPECT_EQ(GetSessionID(), 0);
    BeginSession();
    EXPECT_EQ(GetSessionID(), 0);
    EXPECT_EQ(OptionsTree(), "options(SessionID(\"1\"))");
    // The next run.
    Restart();
    BeginSession();
    EXPECT_EQ(GetSessionID(), 1);
    EXPECT_EQ(ReadSessionID(), 2);
}

TEST_F(GlobalOptionsTest, AStoredCounterThatIsNoNumberStartsAgain) {
    for (const char* stored : {"abc", "", "99999999999", "2147483647"}) {
        ASSERT_TRUE(WriteGlobalOption("SessionID", stored));
        BeginSession();
        EXPECT_EQ(GetSessionID(), std::string(stored) == "2147483647" ? 2147483647 : 0) << stored;
        std::string next;
        ASSERT_TRUE(ReadGlobalOption("SessionID", next));
        EXPECT_EQ(next, std::string(stored) == "2147483647" ? "0" : "1") << stored;
    }
}

TEST(GameConfigTest, TheGamesConfiguration) {
    ApplyQuillmarchConfiguration();
    EXPECT_EQ(GetProductName(), "Quillmarchmac");
    EXPECT_EQ(GetGameDefinitionPath(), "data\\ini\\Quillmarch.ini");
    EXPECT_EQ(GetGameVersion(), "1.01");
    EXPECT_EQ(GetGlobalOptionsList(),
              ";FullScreenMode;MusicVolume;SoundVolume;ShowHints;WideScreenMode;");
    EXPECT_EQ(GetUsersFileName(), "users.dat");
    EXPECT_EQ(GetLevelRecordsDefinition(), "");
    EXPECT_EQ(GetNewUserText(), Translate("%CreateNewUser%"));
    EXPECT_EQ(GetHighScoresDefinition().rfind(
                  "\\record_table={name=japan\\max_records=3\\record_structure={param=Score\\param="
                  "Player}}\\record_table={name=rome\\max_records=3",
                  0),
              0u);
    // Five keys of lower-case letters and digits, all different.
    const std::vector<std::pair<std::string, size_t>> keys = {
        {GetOptionsFileKey(), 22}, {GetRecordsFileKey(), 16},    {GetDataFileKey(), 26},
        {GetUsersFileKey(), 16},   {GetHighScoresFileKey(), 15},
    };
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i].first.size(), keys[i].second) << keys[i].first;
        EXPECT_EQ(keys[i].first.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789"),
                  std::string::npos);
        for (size_t j = 0; j < i; ++j) EXPECT_NE(keys[i].first, keys[j].first);
    }
    ResetGameShellConfiguration();
    SetGameDefinitionPath(kDefaultGameDefinitionPath);
    SetDataFileKey("");
    SetProductName(kDefaultProductName);
    SetGameVersion("");
    EXPECT_EQ(GetUsersFileKey(), "");
    EXPECT_EQ(GetNewUserText(), "Create new user");
}

}  // namespace
}  // namespace playerdata
