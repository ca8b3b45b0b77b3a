// A process that dies at any moment while it saves leaves every player file
// in its old state or its new one, never damaged, and loses no profile.
//
// A child process saves profiles, level records and high scores in a loop,
// one generation after another, telling the parent through a pipe when each
// save starts and ends; the parent kills it with SIGKILL at a random moment
// (seeded, so a failure repeats), then loads the files and checks them
// against what the child said.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "tests/game/PlayerDataDescribe.h"
#include "tests/game/PlayerDataTestSupport.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/TempDir.h"

namespace playerdata {
namespace {

constexpr int kRuns = 200;
constexpr int kKeptPlayers = 10;  // generation k keeps P(k-9)..P(k)
constexpr const char* kBaseProfiles[] = {"Base0", "Base1", "Base2", "Base3", "Base4"};

struct Owners {
    Ref<TUserProfileCollection> profiles;
    Ref<TLevelRecords> records;
    Ref<THighScores> scores;
};

void WriteEvent(int fd, char file, char what, int generation) {
    char text[32];
    const int n = std::snprintf(text, sizeof(text), "%c%c%d;", file, what, generation);
    ssize_t ignored = ::write(fd, text, size_t(n));
    (void)ignored;
}

// The child's work: generation after generation, the three files saved in
// turn, each save announced ("U+5;") and confirmed ("U=5;").
// The high scores may lag a generation behind the profiles (the child died
// between the two saves): the missing scores are added first.
[[noreturn]] void SaveForever(const Owners& o, const Ref<IEngine>& engine, int firstGeneration,
                              int lastScore, int fd) {
    for (int k = firstGeneration; k < firstGeneration + 100000; ++k) {
        o.profiles->FindOrAdd("P" + std::to_string(k));
        const std::string dropped = "P" + std::to_string(k - kKeptPlayers);
        if (o.profiles->Exists(dropped)) o.profiles->Delete(Variant(dropped));
        for (int32_t i = 0; i < o.profiles->GetCount(); ++i) {
            o.profiles->GetItem(Variant(i))
                ->GetParams()
                ->SetValue("gen", Variant(std::to_string(k)));
        }
        // Ready to save: the parent's clock runs from here, so that the
        // time the fresh process takes to get going does not count.
        if (k == firstGeneration) WriteEvent(fd, 'S', '=', 0);
        WriteEvent(fd, 'U', '+', k);
        if (!o.profiles->Save(engine)) ::_exit(2);
        WriteEvent(fd, 'U', '=', k);

        o.records->GetRecord(Params({{"gen", std::to_string(k)}}), "main", 1);
        WriteEvent(fd, 'R', '+', k);
        if (!o.records->Save(engine)) ::_exit(2);
        WriteEvent(fd, 'R', '=', k);

        for (; lastScore < k; ++lastScore) {
            const std::string score = std::to_string(lastScore + 1);
            o.scores->AddScore(Params({{"Score", score}, {"Player", "P" + score}}), "online_japan");
        }
        WriteEvent(fd, 'H', '+', k);
        if (!o.scores->Save(engine)) ::_exit(2);
        WriteEvent(fd, 'H', '=', k);
    }
    ::_exit(0);
}

// Per file, the last event the child reported: its generation, whether the
// save had finished, and the last generation whose save did.
struct LastEvent {
    int generation = -1;
    bool finished = false;
    int lastFinished = -1;
};

std::map<char, LastEvent> ParseEvents(const std::string& text) {
    std::map<char, LastEvent> last;
    size_t i = 0;
    while (i + 2 < text.size()) {
        const size_t end = text.find(';', i);
        if (end == std::string::npos) break;
        LastEvent& e = last[text[i]];
        e.finished = text[i + 1] == '=';
        e.generation = std::stoi(text.substr(i + 2, end - i - 2));
        if (e.finished) e.lastFinished = e.generation;
        i = end + 1;
    }
    return last;
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof(buffer))) > 0) text.append(buffer, size_t(n));
    return text;
}

class KillTest : public PlayerDataTest {
protected:
    void SetUp() override {
        PlayerDataTest::SetUp();
        SetLevelRecordsDefinition(kTwoLevelTables);
    }

    // The files as fresh objects; false when any of them did not load.
    bool Load(Owners& o) {
        o = {NewProfiles(), NewLevelRecords(), NewHighScores()};
        return o.profiles->Load(Engine()) == TPlayerFileLoad::kLoaded &&
               o.records->Load(Engine()) == TPlayerFileLoad::kLoaded &&
               o.scores->Load(Engine(), false) == TPlayerFileLoad::kLoaded;
    }

    // The generation every value of the profiles file holds, or the reason
    // it holds no consistent one.
    static int ProfilesGeneration(const Owners& o, std::string& problem) {
        Ref<IUserProfile> base = o.profiles->GetItem(Variant("Base0"));
        if (!base) {
            problem = "Base0 lost";
            return -1;
        }
        const int g = std::stoi(TextOf(base->GetParams()->GetValue("gen", Variant("-1"))));
        std::vector<std::string> expected(std::begin(kBaseProfiles), std::end(kBaseProfiles));
        for (int k = std::max(1, g - kKeptPlayers + 1); k <= g; ++k) {
            expected.push_back("P" + std::to_string(k));
        }
        if (o.profiles->GetCount() != int32_t(expected.size())) {
            problem = "profiles " + Describe(o.profiles) + " at generation " + std::to_string(g);
            return -1;
        }
        for (const std::string& name : expected) {
            Ref<IUserProfile> p = o.profiles->GetItem(Variant(name));
            if (!p || TextOf(p->GetParams()->GetValue("gen", Variant())) != std::to_string(g)) {
                problem = name + " lost or of another generation at " + std::to_string(g);
                return -1;
            }
        }
        if (!o.profiles->GetCurrent() || o.profiles->GetCurrent()->GetName() != "Base0") {
            problem = "the current profile was lost";
            return -1;
        }
        return g;
    }

    static int RecordsGeneration(const Owners& o) {
        Ref<ILevelRecord> r = o.records->GetRecord(nullptr, "main", 1);
        return r ? r->GetInt("gen", -1, false) : -1;
    }

    // The high scores hold the best ten generations: g, g-1... down to 1.
    static int ScoresGeneration(const Owners& o, std::string& problem) {
        Ref<IRecordCollection> rows =
            o.scores->GetTables()->GetItem(Variant("online_japan"))->GetRecords();
        const int g = rows->GetCount() == 0 ? 0 : rows->GetItem(Variant(0))->GetScore();
        const int expectedRows = std::min(g, kKeptPlayers);
        bool ok = rows->GetCount() == expectedRows;
        for (int32_t i = 0; ok && i < rows->GetCount(); ++i) {
            ok = rows->GetItem(Variant(i))->GetScore() == g - i;
        }
        if (!ok) problem = "scores " + Describe(o.scores);
        return ok ? g : -1;
    }
};

TEST_F(KillTest, EveryFileIsOldOrNewAfterAKillAndNoProfileIsLost) {
    // The player data in memory when the machine has a memory file system:
    // the test is about a process dying, not the disk, whose flushes would
    // make each run slow.
    auto inMemory = ::access("/dev/shm", W_OK) == 0
                        ? std::make_unique<TEnvGuard>("TMPDIR", "/dev/shm")
                        : nullptr;
    TTempDir folder("kill");
    inMemory.reset();
    TEnvGuard xdgHere("XDG_DATA_HOME", folder.Path().c_str());

    // Generation 0.
    {
        Owners o{NewProfiles(), NewLevelRecords(), NewHighScores()};
        for (const char* name : kBaseProfiles) {
            o.profiles->FindOrAdd(name)->GetParams()->SetValue("gen", Variant("0"));
        }
        o.profiles->SetCurrent("Base0");
        o.records->GetRecord(Params({{"gen", "0"}}), "main", 1);
        ASSERT_TRUE(o.profiles->Save(Engine()) && o.records->Save(Engine()) &&
                    o.scores->Save(Engine()));
    }

    std::mt19937 random(20240611);
    // Kills are spread from the child's start to the end of its first
    // generation: the median of what the first runs (which wait for that)
    // took.
    constexpr int kMeasuringRuns = 3;
    std::vector<int> spans;
    int maxDelayUs = 0;
    std::map<char, int> generation = {{'U', 0}, {'R', 0}, {'H', 0}};
    int killedMidSaveOld = 0, killedMidSaveNew = 0, betweenSaves = 0, losses = 0;

    Owners o;
    ASSERT_TRUE(Load(o));
    for (int run = 0; run < kMeasuringRuns + kRuns && losses == 0; ++run) {
        const bool measuring = run < kMeasuringRuns;
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        std::fflush(nullptr);
        const int first = generation['U'] + 1;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            SaveForever(o, Engine(), first, generation['H'], fds[1]);
        }
        ::close(fds[1]);
        std::string events;
        // Reads the child's reports until one holds the text.
        const auto readUntil = [&](const std::string& text) {
            char buffer[256];
            ssize_t n;
            while (events.find(text) == std::string::npos &&
                   (n = ::read(fds[0], buffer, sizeof(buffer))) > 0) {
                events.append(buffer, size_t(n));
            }
        };
        readUntil("S=0;");
        const auto start = std::chrono::steady_clock::now();
        if (measuring) {
            readUntil("H=" + std::to_string(first) + ";");
            spans.push_back(int(std::chrono::duration_cast<std::chrono::microseconds>(
                                    std::chrono::steady_clock::now() - start)
                                    .count()));
            std::sort(spans.begin(), spans.end());
            maxDelayUs = spans[spans.size() / 2];
        } else {
            std::uniform_int_distribution<int> delay(0, maxDelayUs);
            std::this_thread::sleep_until(start + std::chrono::microseconds(delay(random)));
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        events += ReadAll(fds[0]);
        ::close(fds[0]);
        ASSERT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << "a save failed in the child";

        // What the files hold now is also where the next child starts.
        Owners& loaded = o;
        if (!Load(loaded)) {
            ADD_FAILURE() << "run " << run << ": a file did not load: " << log.Lines().back();
            ++losses;
            break;
        }
        std::string problem;
        const std::map<char, int> now = {{'U', ProfilesGeneration(loaded, problem)},
                                         {'R', RecordsGeneration(loaded)},
                                         {'H', ScoresGeneration(loaded, problem)}};
        const std::map<char, LastEvent> last = ParseEvents(events);
        bool midSave = false;
        for (const auto& [file, g] : now) {
            const auto it = last.find(file);
            // Old: the generation the file had before this child; new: the
            // one the child was writing when it died.
            bool ok;
            if (it == last.end()) {
                ok = g == generation[file];
            } else if (it->second.finished) {
                ok = g == it->second.generation;
            } else {
                midSave = true;
                const int old =
                    it->second.lastFinished >= 0 ? it->second.lastFinished : generation[file];
                ok = g == it->second.generation || g == old;
                if (ok && !measuring) {
                    (g == it->second.generation ? killedMidSaveNew : killedMidSaveOld)++;
                }
            }
            if (!ok) {
                ADD_FAILURE() << "run " << run << ": " << file << " holds generation " << g
                              << " after events " << events << " " << problem;
                ++losses;
            }
            generation[file] = g;
        }
        if (!midSave && !measuring) ++betweenSaves;
    }
    EXPECT_EQ(losses, 0);
    EXPECT_TRUE(UserFilesStartingWith("users.dat.damaged").empty());
    EXPECT_TRUE(log.Lines().empty()) << log.Lines().front();
    // Most kills must land inside a save, or the test shows nothing.
    EXPECT_GT(killedMidSaveOld + killedMidSaveNew, kRuns / 2);
    std::printf(
        "kill test: %d runs over %d us; killed mid-save: %d kept the old file, %d had the "
        "new one; %d killed between saves; %d losses; %d generations saved\n",
        kRuns, maxDelayUs, killedMidSaveOld, killedMidSaveNew, betweenSaves, losses,
        generation['U']);
}

}  // namespace
}  // namespace playerdata
