#include "platform/UrlOpener.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

bool IsAcceptableUrl(const std::string& url) {
    return !url.empty() && url.front() != '-' && url.find('\0') == std::string::npos;
}

bool OpenUrlWith(const std::string& opener, const std::string& url) {
    if (!IsAcceptableUrl(url) || opener.empty() || opener.find('\0') != std::string::npos)
        return false;
    // Built before forking: the children only call async-signal-safe functions.
    char* const argv[] = {const_cast<char*>(opener.c_str()), const_cast<char*>(url.c_str()),
                          nullptr};
    // The pipe closes on a successful exec; a failed exec writes its errno.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (child == 0) {
        // The middle process forks the opener and ends at once, so the
        // opener is adopted by init and reaped there.
        close(fds[0]);
        const pid_t grandchild = fork();
        if (grandchild < 0) {
            const int err = errno;
            (void)!write(fds[1], &err, sizeof err);
            _exit(1);
        }
        if (grandchild == 0) {
            setsid();  // not killed with the game's terminal process group
            execvp(argv[0], argv);
            const int err = errno;
            (void)!write(fds[1], &err, sizeof err);
            _exit(127);
        }
        _exit(0);
    }
    close(fds[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    do {
        n = read(fds[0], &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    close(fds[0]);
    return n == 0;
}
