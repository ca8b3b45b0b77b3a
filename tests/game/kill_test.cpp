// A process that dies at any moment while it saves leaves every player file
// in its old state or its new one, never damaged, and loses no profile.
//
// A child process saves profiles, level records and high scores in a loop,
// one generation after another, telling the parent through a pipe when each
// save starts and ends. The parent traces it (ptrace) and sees it stop at
// each of its system calls; it kills it with SIGKILL at a stop chosen at
// random (seeded, so a failure repeats), then loads the files and checks
// them against what the child said. Between two of its system calls the
// child touches no file, so the stops are every moment a kill can leave
// different files behind; counting stops rather than time aims the kills
// the same way on a fast machine and on a busy one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
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
// turn, each save announced ("U+5;") and confirmed ("U=5;"); "S=0;" first,
// when it is ready to save.
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
        // Ready to save: the parent counts stops from here, so that what the
        // fresh process does to get going does not count.
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

// What the pipe holds now, without waiting (the read end does not block).
void Drain(int fd, std::string& text) {
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof(buffer))) > 0) text.append(buffer, size_t(n));
}

// Runs the child under the parent's trace until it has reported "S=0;" and
// then made `stops` more system-call stops, or (stops < 0) until events hold
// `until`; the child is left stopped, or it has ended (ended set, status
// kept). Answers the stops counted after "S=0;".
int TraceChild(pid_t child, int readFd, std::string& events, int stops, const std::string& until,
               bool& ended, int& status) {
    ended = false;
    bool started = false;
    int counted = 0;
    int pass = 0;  // a signal the child got, handed on when it resumes
    for (;;) {
        if (::ptrace(PTRACE_SYSCALL, child, nullptr, reinterpret_cast<void*>(intptr_t(pass))) != 0)
            return counted;
        pass = 0;
        if (::waitpid(child, &status, 0) != child || !WIFSTOPPED(status)) {
            ended = true;
            return counted;
        }
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
            pass = WSTOPSIG(status);
            continue;
        }
        Drain(readFd, events);
        if (!started) {
            started = events.find("S=0;") != std::string::npos;
            continue;
        }
        ++counted;
        if (stops >= 0 ? counted >= stops : events.find(until) != std::string::npos) return counted;
    }
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
    // Kills are spread over the child's stops from its start to the end of
    // its first generation: as many as the first runs (which wait for that)
    // counted.
    constexpr int kMeasuringRuns = 3;
    std::vector<int> spans;
    int maxStops = 0;
    std::map<char, int> generation = {{'U', 0}, {'R', 0}, {'H', 0}};
    int killedMidSaveOld = 0, killedMidSaveNew = 0, betweenSaves = 0, losses = 0;

    Owners o;
    ASSERT_TRUE(Load(o));
    for (int run = 0; run < kMeasuringRuns + kRuns && losses == 0; ++run) {
        const bool measuring = run < kMeasuringRuns;
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        ASSERT_EQ(::fcntl(fds[0], F_SETFL, O_NONBLOCK), 0);
        std::fflush(nullptr);
        const int first = generation['U'] + 1;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            // Stopped until the parent has taken up the trace.
            if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(3);
            ::raise(SIGSTOP);
            SaveForever(o, Engine(), first, generation['H'], fds[1]);
        }
        ::close(fds[1]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSTOPPED(status)) << "the child could not be traced";
        ASSERT_EQ(::ptrace(PTRACE_SETOPTIONS, child, nullptr,
                           reinterpret_cast<void*>(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL)),
                  0);
        std::string events;
        bool ended = false;
        if (measuring) {
            spans.push_back(TraceChild(child, fds[0], events, -1, "H=" + std::to_string(first) + ";",
                                       ended, status));
            std::sort(spans.begin(), spans.end());
            maxStops = spans[spans.size() / 2];
        } else {
            std::uniform_int_distribution<int> stop(1, std::max(1, maxStops));
            TraceChild(child, fds[0], events, stop(random), "", ended, status);
        }
        ASSERT_FALSE(ended) << "the child ended by itself (status " << status << ") after events "
                            << events;
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        ::fcntl(fds[0], F_SETFL, 0);
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
    // Most kills must land inside a save, or the test shows nothing, and
    // some on either side of the moment the new file takes the old one's
    // place.
    EXPECT_GT(killedMidSaveOld + killedMidSaveNew, kRuns / 2);
    EXPECT_GT(killedMidSaveOld, 0);
    EXPECT_GT(killedMidSaveNew, 0);
    std::printf(
        "kill test: %d runs over %d system-call stops; killed mid-save: %d kept the old file, "
        "%d had the new one; %d killed between saves; %d losses; %d generations saved\n",
        kRuns, maxStops, killedMidSaveOld, killedMidSaveNew, betweenSaves, losses,
        generation['U']);
}

}  // namespace
}  // namespace playerdata
