// Runs one of the data build's programs as the build runs it, for the tests
// of their outputs.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace datatest {

struct TToolResult {
    int status = -1;     // the exit status; -1 when it did not exit normally
    std::string output;  // standard output and standard error together
};

inline TToolResult RunTool(const std::string& program, const std::vector<std::string>& args) {
    TToolResult result;
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return result;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], 1);
        ::dup2(pipeEnds[1], 2);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    char chunk[4096];
    ssize_t n;
    while ((n = ::read(pipeEnds[0], chunk, sizeof chunk)) > 0) result.output.append(chunk, n);
    ::close(pipeEnds[0]);
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    return result;
}

}  // namespace datatest
