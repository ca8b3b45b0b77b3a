#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/UrlOpener.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// A stand-in for xdg-open: writes its argument count and each argument on a
// line of its own into `out`, whole (written aside, then renamed).
std::string MakeFakeOpener(const TTempDir& temp, const std::string& out) {
    const std::string script =
        temp.Write("fake-open", "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + out +
                                    ".part'\nmv '" + out + ".part' '" + out + "'\n");
    chmod(script.c_str(), 0700);
    return script;
}

// Waits (at most five seconds) for the detached opener to write its file.
std::string WaitForFile(const std::string& path) {
    for (int i = 0; i < 500 && !fs::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ReadFileBytes(path);
}

TEST(UrlOpener, PassesTheAddressAsOneArgumentWithoutAShell) {
    TTempDir temp("url");
    const std::string out = temp.File("args.txt");
    const std::string opener = MakeFakeOpener(temp, out);
    const std::string trap = temp.File("trapped");
    const std::string url = "https://example.org/a b?x=1&y=$(touch " + trap + ");touch " + trap +
                            "|`touch " + trap + "` 'q' \"z\" *\n>" + trap;
    ASSERT_TRUE(OpenUrlWith(opener, url));
    EXPECT_EQ(WaitForFile(out), "1\n" + url + "\n");
    EXPECT_FALSE(fs::exists(trap));
}

TEST(UrlOpener, RefusesAddressesThatCouldPassForOptionsOrAreCut) {
    TTempDir temp("url");
    const std::string out = temp.File("args.txt");
    const std::string opener = MakeFakeOpener(temp, out);
    for (const std::string& url : {std::string(), std::string("--help"), std::string("-x"),
                                   std::string("http://a\0b", 10)}) {
        EXPECT_FALSE(IsAcceptableUrl(url));
        EXPECT_FALSE(OpenUrlWith(opener, url));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(IsAcceptableUrl("http://a-b/-c"));
}

TEST(UrlOpener, AnswersFalseWhenTheOpenerCannotStart) {
    TTempDir temp("url");
    EXPECT_FALSE(OpenUrlWith(temp.File("no-such-opener"), "https://example.org/"));
    EXPECT_FALSE(OpenUrlWith("qm-no-such-opener-on-path", "https://example.org/"));
    EXPECT_FALSE(OpenUrlWith("", "https://example.org/"));
    const std::string notExecutable = temp.Write("plain", "#!/bin/sh\n");
    EXPECT_FALSE(OpenUrlWith(notExecutable, "https://example.org/"));
}

TEST(UrlOpener, LooksTheOpenerUpOnPath) {
    // "sh" is found on PATH: the address is the script it is asked to run,
    // here one that writes a file.
    TTempDir temp("url");
    const std::string out = temp.File("ran");
    const std::string script = temp.Write("open.sh", "echo ok > '" + out + "'\n");
    ASSERT_TRUE(OpenUrlWith("sh", script));
    EXPECT_EQ(WaitForFile(out), "ok\n");
}

}  // namespace
