#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/Folders.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;


const std::string kFallback = "/app/data/";

bool IsFolder(const std::string& path) {
    return fs::is_directory(path);
}

TEST(UserDataDir, IsMakerAndProductUnderXdgDataHomeAndIsCreated) {
    TTempDir temp("xdg");
    const std::string home = temp.Path().string() + "/nested/share";  // missing yet
    TEnvGuard xdg("XDG_DATA_HOME", home.c_str());
    const std::string dir = GetUserDataDir("Quillmarchmac", kFallback);
    EXPECT_EQ(dir, home + "/Tessalind/Quillmarchmac/");
    EXPECT_TRUE(IsFolder(dir));
    struct stat st {};
    ASSERT_EQ(stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Asked again, the same folder, content untouched.
    temp.Write("nested/share/Tessalind/Quillmarchmac/users.dat", "x");
    EXPECT_EQ(GetUserDataDir("Quillmarchmac", kFallback), dir);
    EXPECT_EQ(ReadFileBytes(dir + "users.dat"), "x");
}

TEST(UserDataDir, TrailingSlashesAndNonAsciiNamesAreKept) {
    TTempDir temp("xdg");
    const std::string home = temp.Path().string() + "/D\xC3\xA9j\xC3\xA0";
    TEnvGuard xdg("XDG_DATA_HOME", (home + "//").c_str());
    const std::string dir = GetUserDataDir("Caf\xC3\xA9mac", kFallback);
    EXPECT_EQ(dir, home + "/Tessalind/Caf\xC3\xA9mac/");
    EXPECT_TRUE(IsFolder(dir));
}

TEST(UserDataDir, WithoutXdgDataHomeIsUnderHomeLocalShare) {
    TTempDir temp("home");
    TEnvGuard home("HOME", temp.Path().c_str());
    for (const char* xdgValue : {static_cast<const char*>(nullptr), "", "relative/share"}) {
        TEnvGuard xdg("XDG_DATA_HOME", xdgValue);
        EXPECT_EQ(GetUserDataDir("Prod", kFallback),
                  temp.Path().string() + "/.local/share/Tessalind/Prod/")
            << (xdgValue ? xdgValue : "(unset)");
    }
    EXPECT_FALSE(fs::exists(fs::current_path() / "relative"));
}

TEST(UserDataDir, FallsBackToTheApplicationFolderWithoutADataHome) {
    TEnvGuard xdg("XDG_DATA_HOME", nullptr);
    {
        TEnvGuard home("HOME", nullptr);
        EXPECT_EQ(GetUserDataDir("Prod", kFallback), kFallback);
    }
    // A data home that cannot be made (a file stands in the way).
    TTempDir temp("home");
    temp.Write("blocked", "file");
    const std::string blocked = temp.Path().string() + "/blocked";
    TEnvGuard home("HOME", blocked.c_str());
    EXPECT_EQ(GetUserDataDir("Prod", kFallback), kFallback);
    TEnvGuard xdg2("XDG_DATA_HOME", (blocked + "/share").c_str());
    EXPECT_EQ(GetUserDataDir("Prod", kFallback), kFallback);
}

TEST(UserDataDir, FallsBackToTheDataHomeWhenASubfolderCannotBeMade) {
    TTempDir temp("xdg");
    const std::string home = temp.Path().string();
    TEnvGuard xdg("XDG_DATA_HOME", home.c_str());
    // The product folder is blocked by a file.
    temp.Write("Tessalind/Prod", "file");
    EXPECT_EQ(GetUserDataDir("Prod", kFallback), home + "/");
    // So is the maker folder, in another data home.
    TTempDir temp2("xdg");
    temp2.Write("Tessalind", "file");
    TEnvGuard xdg2("XDG_DATA_HOME", temp2.Path().c_str());
    EXPECT_EQ(GetUserDataDir("Prod", kFallback), temp2.Path().string() + "/");
}

TEST(UserDataDir, AProductNameThatIsNoPlainFolderNameStaysInTheDataHome) {
    TTempDir temp("xdg");
    TEnvGuard xdg("XDG_DATA_HOME", temp.Path().c_str());
    for (const char* name : {"", ".", "..", "a/b", "../escape"})
        EXPECT_EQ(GetUserDataDir(name, kFallback), temp.Path().string() + "/") << name;
    EXPECT_FALSE(fs::exists(temp.Path() / "escape"));
    EXPECT_FALSE(fs::exists(temp.Path().parent_path() / "escape"));
}

TEST(Folders, ExecutableDirHoldsTheTestProgram) {
    const std::string dir = GetExecutableDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(fs::exists(dir + "platform_tests"));
}

TEST(Folders, MakeFolderPath) {
    EXPECT_EQ(MakeFolderPath(""), "");
    EXPECT_EQ(MakeFolderPath("/a/b"), "/a/b/");
    EXPECT_EQ(MakeFolderPath("/a/./b/../c//"), "/a/c/");
    EXPECT_EQ(MakeFolderPath("/"), "/");
    const std::string cwd = fs::current_path().string();
    EXPECT_EQ(MakeFolderPath("data"), cwd + "/data/");
    EXPECT_EQ(MakeFolderPath("."), cwd + "/");
}

}  // namespace
