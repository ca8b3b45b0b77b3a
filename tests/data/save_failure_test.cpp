// A player folder the game cannot write to, on the game as built: the
// player is told on screen that their progress could not be saved and why,
// a new player that could not be saved is not made, and the files already
// there stay as they were. The folder is full (a file-size limit the game's
// writes run into) or read-only.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/lang/MultiLanguages.h"
#include "engine/EngineStartup.h"
#include "game/Game.h"
#include "game/GameConfig.h"
#include "game/LogFile.h"
#include "tests/data/BuiltGame.h"
#include "tests/support/GameHarness.h"

namespace {

namespace fs = std::filesystem;

// Files may grow to a few bytes only while it lives: a disk that is full.
class TFullDisk {
public:
    TFullDisk() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &previousAction_);
        getrlimit(RLIMIT_FSIZE, &previousLimit_);
        const rlimit small{16, previousLimit_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~TFullDisk() {
        setrlimit(RLIMIT_FSIZE, &previousLimit_);
        sigaction(SIGXFSZ, &previousAction_, nullptr);
    }

private:
    struct sigaction previousAction_ {};
    rlimit previousLimit_{};
};

// The folder is read-only while it lives. The superuser writes through
// permissions, so this thread also gives up the right to (it takes it back
// afterwards). Writable() tells whether a file can still be made there.
class TReadOnlyFolder {
public:
    explicit TReadOnlyFolder(std::string folder) : folder_(std::move(folder)) {
        struct stat st;
        if (::stat(folder_.c_str(), &st) == 0) mode_ = st.st_mode & 07777;
        ::chmod(folder_.c_str(), 0555);
        if (::geteuid() == 0 && Capabilities(header_, data_)) {
            __user_cap_data_struct lowered[2] = {data_[0], data_[1]};
            lowered[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
            lowered[0].effective &= ~(1u << CAP_DAC_READ_SEARCH);
            lowered_ = ::syscall(SYS_capset, &header_, lowered) == 0;
        }
    }
    ~TReadOnlyFolder() {
        if (lowered_) ::syscall(SYS_capset, &header_, data_);
        ::chmod(folder_.c_str(), mode_);
    }
    bool Writable() const {
        const std::string probe = folder_ + "/probe";
        FILE* file = std::fopen(probe.c_str(), "w");
        if (!file) return false;
        std::fclose(file);
        std::remove(probe.c_str());
        return true;
    }

private:
    static bool Capabilities(__user_cap_header_struct& header, __user_cap_data_struct* data) {
        header.version = _LINUX_CAPABILITY_VERSION_3;
        header.pid = 0;
        return ::syscall(SYS_capget, &header, data) == 0;
    }

    std::string folder_;
    mode_t mode_ = 0755;
    __user_cap_header_struct header_{};
    __user_cap_data_struct data_[2] = {};
    bool lowered_ = false;
};

class SaveFailure : public ::testing::Test {
protected:
    void SetUp() override {
        game_ = HarnessOnBuiltData(QM_BUILT_DATA_DIR);
        ASSERT_TRUE(GetMultiLanguages()->LoadLanguageFile(game_->Folder().File("lang/default.lng")));
    }
    void TearDown() override {
        // Each failed save writes its line; nothing else may.
        if (game_) {
            for (const std::string& line : game_->Log().Lines()) {
                EXPECT_NE(line.find("Cannot save"), std::string::npos) << line;
            }
        }
        game_.reset();
        EndBuiltGame(game_);
        GetMultiLanguages()->Strings().Clear();
    }

    bool OnTop(const std::string& name) const {
        const Ref<IGameScreenSlave> top = game_->Top();
        return top && top->GetName() == name;
    }
    template <class F>
    bool RunUntil(F ready) {
        for (int i = 0; i < 1000 && !ready(); ++i) game_->Step(1, 20);
        return ready();
    }
    std::string Text(const std::string& path) const {
        const Ref<IWidget> widget = game_->Find(path);
        return widget ? widget->GetProperty("text_utf8").ToString() : "(no " + path + ")";
    }
    void Type(const std::string& letters) {
        for (const char c : letters) {
            const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (c >= '0' && c <= '9') {
                const SDL_Scancode code =
                    c == '0' ? SDL_SCANCODE_0 : static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (c - '1'));
                game_->PressKey(code, SDLK_0 + (c - '0'), std::string(1, c).c_str());
            } else {
                game_->PressKey(static_cast<SDL_Scancode>(SDL_SCANCODE_A + (lower - 'a')),
                                SDLK_a + (lower - 'a'), std::string(1, c).c_str());
            }
        }
    }
    std::string UsersFile() const { return game_->UserDir() + "users.dat"; }
    std::string Bytes(const std::string& path) const {
        return fs::exists(path) ? ReadFileBytes(path) : std::string("(no file)");
    }
    Ref<IUserProfileCollection> Profiles() const { return game_->Game()->GetUserProfiles(); }

    // The player folder's files by name and content.
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(game_->UserDir())) {
            const std::string name = entry.path().filename().string();
            // The log file is no player data (and takes the failures' lines).
            if (name.rfind(kLogFileName, 0) == 0) continue;
            files[name] = ReadFileBytes(entry.path().string());
        }
        return files;
    }

    // After a save failed: the screen that says so is on top, with a
    // reason that names the file and the system's words for the fault;
    // OK closes it.
    void ExpectToldAndDismiss(const std::string& fault) {
        game_->Step(2, 20);
        ASSERT_TRUE(OnTop(TGame::kSaveFailedScreenName)) << game_->StackNames();
        EXPECT_EQ(Text("label_message"), "Your progress could not be saved.");
        const std::string reason = Text("label_reason");
        EXPECT_NE(reason.find("users.dat"), std::string::npos) << reason;
        EXPECT_NE(reason.find(fault), std::string::npos) << reason;
        game_->ClickAt("button_ok");
        game_->Step(2, 20);
        EXPECT_FALSE(game_->StackNames().find(TGame::kSaveFailedScreenName) != std::string::npos)
            << game_->StackNames();
    }

    std::unique_ptr<TGameHarness> game_;
};

TEST_F(SaveFailure, ANewPlayerOnAFullDiskIsNotMadeAndThePlayerIsToldWhy) {
    ASSERT_TRUE(StartBuiltDefinition(*game_));
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_NewUser"); }));
    const auto before = Files();
    {
        TFullDisk full;
        Type("New0");
        game_->ClickAt("button_ok");
        ExpectToldAndDismiss("File too large");
    }
    // No welcome for a player who is not there; the menu asks again.
    EXPECT_EQ(Profiles()->GetCount(), 0);
    EXPECT_FALSE(Profiles()->GetCurrent());
    // No greeting names the player that was not made.
    EXPECT_EQ(Text("welcome_message").find("New0"), std::string::npos) << Text("welcome_message");
    EXPECT_EQ(game_->StackNames(), "GS_Main GS_NewUser");
    EXPECT_EQ(Files(), before);

    // With room again the same name makes the player.
    Type("New0");
    game_->ClickAt("button_ok");
    game_->Step(2, 20);
    EXPECT_EQ(game_->StackNames(), "GS_Main");
    EXPECT_EQ(Text("welcome_message"), "Welcome, New0!");
    EXPECT_NE(Bytes(UsersFile()), "(no file)");
}

TEST_F(SaveFailure, ANewPlayerInAReadOnlyFolderIsNotMadeAndTheOldFileStays) {
    ASSERT_TRUE(StartBuiltDefinition(*game_));
    ASSERT_TRUE(ReachMainMenuWithPlayer(*game_, "Ada"));
    const std::string oldUsers = Bytes(UsersFile());
    ASSERT_NE(oldUsers, "(no file)");
    const auto before = Files();

    // Players, "Create new player", a name.
    game_->ClickAt("button_profiles");
    ASSERT_TRUE(RunUntil([&] { return OnTop("GS_UserProfiles"); })) << game_->StackNames();
    {
        TReadOnlyFolder readOnly(game_->UserDir());
        if (readOnly.Writable()) GTEST_SKIP() << "the folder stays writable (no way to drop the "
                                                 "superuser's right to write through permissions)";
        // The first row of the list (its frame at 352, 204; rows of 32).
        game_->Click(500, 220);
        game_->Step(1, 20);
        ASSERT_TRUE(RunUntil([&] { return OnTop("GS_NewUser"); })) << game_->StackNames();
        Type("New0");
        game_->ClickAt("button_ok");
        ExpectToldAndDismiss("Permission denied");
    }
    // The list is open as before, Ada still the player, the file as it was.
    EXPECT_EQ(game_->StackNames(), "GS_Main GS_UserProfiles");
    EXPECT_FALSE(Profiles()->GetItem(Variant("New0")));
    ASSERT_TRUE(Profiles()->GetCurrent());
    EXPECT_EQ(Profiles()->GetCurrent()->GetName(), "Ada");
    EXPECT_EQ(Files(), before);
    game_->ClickAt("button_cancel");
    game_->Step(2, 20);
    // Ada, who has not begun the journey, is still greeted as new.
    EXPECT_EQ(Text("welcome_message"), "Welcome, Ada!");
}

}  // namespace
