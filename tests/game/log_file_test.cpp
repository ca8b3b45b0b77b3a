// The log file: lines added in the player data folder beside where they went
// before, the bound on its size, and emptying it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/base/Log.h"
#include "engine/EngineStartup.h"
#include "game/LogFile.h"
#include "tests/support/LogCapture.h"

namespace {

std::string FileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class LogFileTest : public ::testing::Test {
protected:
    // Where lines went before the file opened; it outlives TearDown, which
    // puts it back as the sink.
    TLogCapture before;

    void SetUp() override {
        std::filesystem::remove(GetLogFileName());
        std::filesystem::remove(GetLogFileName() + kOldLogFileSuffix);
    }
    void TearDown() override {
        CloseLogFile();
        std::filesystem::remove(GetLogFileName());
        std::filesystem::remove(GetLogFileName() + kOldLogFileSuffix);
    }
};

TEST_F(LogFileTest, LinesGoToTheFileInThePlayerFolderAndStillWhereTheyWentBefore) {
    EXPECT_EQ(GetLogFileName(), GetUserDataDir() + "log.txt");
    {
        // A file left by an earlier run is added to.
        std::ofstream(GetLogFileName()) << "OLD: line\n";
    }
    OpenLogFile();
    EXPECT_TRUE(IsLogFileOpen());
    OpenLogFile();  // open already: the lines are not written twice
    Log("GAME", "one");
    Log("PACK", "two");
    EXPECT_EQ(FileText(GetLogFileName()), "OLD: line\nGAME: one\nPACK: two\n");
    EXPECT_EQ(before.Lines(), (std::vector<std::string>{"GAME: one", "PACK: two"}));

    CloseLogFile();
    EXPECT_FALSE(IsLogFileOpen());
    Log("GAME", "three");
    EXPECT_EQ(FileText(GetLogFileName()), "OLD: line\nGAME: one\nPACK: two\n");
    EXPECT_EQ(before.Lines().back(), "GAME: three");
}

TEST_F(LogFileTest, AFullFileBecomesTheOldOneAndTheLatestLinesAreKept) {
    constexpr uint64_t kBound = 100;
    OpenLogFile(kBound);
    std::vector<std::string> written;
    for (int i = 0; i < 20; ++i) {
        written.push_back("GAME: line " + std::to_string(100 + i));  // 15 bytes with its feed
        Log("GAME", "line " + std::to_string(100 + i));
        ASSERT_LE(std::filesystem::file_size(GetLogFileName()), kBound) << i;
    }
    const std::string current = FileText(GetLogFileName());
    const std::string old = FileText(GetLogFileName() + kOldLogFileSuffix);
    EXPECT_LE(old.size(), kBound);
    // The two files hold the last lines, in order, with none lost between.
    std::string expected;
    for (const std::string& line : written) expected += line + "\n";
    EXPECT_FALSE(current.empty());
    EXPECT_FALSE(old.empty());
    EXPECT_EQ(expected.substr(expected.size() - (old + current).size()), old + current);
    EXPECT_EQ(current.substr(current.size() - 15), "GAME: line 119\n");

    // A line longer than the bound is cut to it.
    Log("GAME", std::string(300, 'x'));
    EXPECT_EQ(std::filesystem::file_size(GetLogFileName()), kBound);
}

TEST_F(LogFileTest, ClearingEmptiesTheFileOpenOrNot) {
    ClearLogFile();
    EXPECT_TRUE(std::filesystem::exists(GetLogFileName()));
    EXPECT_EQ(FileText(GetLogFileName()), "");
    { std::ofstream(GetLogFileName()) << "OLD: line\n"; }
    ClearLogFile();
    EXPECT_EQ(FileText(GetLogFileName()), "");

    OpenLogFile();
    Log("GAME", "before");
    ClearLogFile();
    Log("GAME", "after");
    EXPECT_EQ(FileText(GetLogFileName()), "GAME: after\n");
}

}  // namespace
