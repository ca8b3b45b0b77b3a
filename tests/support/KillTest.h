// Crash tests: an action run in a forked child of the test process, which is
// killed with SIGKILL at a chosen moment, to see what a crash at any point of
// a save leaves on the disk.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>

// Forks; the child runs action and ends with _exit (0, or 1 when action
// raised), so nothing of the test's own state is torn down there. Answers the
// child's process id; -1 when no child could be made.
inline pid_t ForkAction(const std::function<void()>& action) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        int code = 0;
        try {
            action();
        } catch (...) {
            code = 1;
        }
        ::_exit(code);
    }
    return pid;
}

// Reaps the child; whether it ended by itself, with success.
inline bool ReapChild(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Waits until the child ends or the time is up, whichever comes first.
inline void WaitForEnd(pid_t pid, std::chrono::microseconds time) {
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0) {
        std::this_thread::sleep_for(time);
        return;
    }
    timespec timeout{static_cast<time_t>(time.count() / 1'000'000),
                     static_cast<long>(time.count() % 1'000'000 * 1000)};
    pollfd end{fd, POLLIN, 0};
    ::ppoll(&end, 1, &timeout, nullptr);
    ::close(fd);
}

// A save's moment of truth is its writing, which may be a small part of the
// child's life. This runs action in a child, waits until the child first
// creates or changes a file in folder, then sends SIGKILL after delay (none:
// the child is left to end). Answers the time from that first change to the
// child's end, zero when the child changed nothing within ten seconds; ended
// tells whether the child ended by itself, with success.
inline std::chrono::microseconds RunInChildAndKillAfterFirstChange(
    const std::function<void()>& action, const std::string& folder,
    std::optional<std::chrono::microseconds> delay, bool* ended = nullptr) {
    if (ended) *ended = false;
    const int watch = ::inotify_init1(IN_CLOEXEC);
    if (watch < 0) return {};
    if (::inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MODIFY) < 0) {
        ::close(watch);
        return {};
    }
    const pid_t pid = ForkAction(action);
    if (pid < 0) {
        ::close(watch);
        return {};
    }
    pollfd waitFor{watch, POLLIN, 0};
    const bool changed = ::poll(&waitFor, 1, 10'000) == 1;
    const auto start = std::chrono::steady_clock::now();
    if (delay || !changed) {
        if (changed) WaitForEnd(pid, *delay);
        ::kill(pid, SIGKILL);
    }
    const bool ok = ReapChild(pid);
    const auto span = std::chrono::steady_clock::now() - start;
    ::close(watch);
    if (ended) *ended = ok;
    return changed ? std::chrono::duration_cast<std::chrono::microseconds>(span)
                   : std::chrono::microseconds{};
}
