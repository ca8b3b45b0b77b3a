// Drives the real program from outside, as a player would: starts it as a
// child process on the X display, finds its window, moves and clicks the
// pointer and types through the XTEST extension, asks the window to close
// as a window manager's close box does, and reads back what the window shows.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// What the window showed at one moment: width x height pixels, rows top
// down, 0x00RRGGBB.
struct TShot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool Empty() const { return pixels.empty(); }
};

// Writes a shot as a PNG file; false when it cannot.
bool WriteShotPng(const TShot& shot, const std::string& path);

// An RGBA picture read from a PNG file (the art the build made); empty when
// it cannot be read.
struct TPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
TPicture ReadPng(const std::string& path);

class TX11Driver {
public:
    using TClock = std::chrono::steady_clock;

    // Opens the display named by DISPLAY; Connected() says whether it could.
    TX11Driver();
    ~TX11Driver();
    TX11Driver(const TX11Driver&) = delete;
    TX11Driver& operator=(const TX11Driver&) = delete;

    bool Connected() const { return display_ != nullptr; }
    // Whether the server offers XTEST, which the input needs.
    bool HasXTest() const;

    // Starts program with args (standard output and error to logPath), with
    // the variables of environment ("NAME=value") set in its environment,
    // and remembers when.
    bool Start(const std::string& program, const std::vector<std::string>& args,
               const std::string& logPath, const std::vector<std::string>& environment = {});
    TClock::time_point StartTime() const { return started_; }
    // Waits for the program's window (the top-level window of its process, by
    // _NET_WM_PID or else by title) to be mapped; false after the timeout.
    bool WaitForWindow(std::chrono::milliseconds timeout);
    // Whether the program still runs; when it has ended, its exit status.
    bool Running();
    int ExitStatus() const { return exitStatus_; }
    // Sends the program a signal, as the session does at logout or shutdown.
    void Signal(int signal);
    // Waits for the program to end; false after the timeout (it is then killed).
    bool WaitForExit(std::chrono::milliseconds timeout);

    // The window's content now.
    TShot Shot();
    // Polls the window until check accepts a shot; the accepted shot, or an
    // empty one after the timeout.
    template <class Check>
    TShot WaitFor(Check check, std::chrono::milliseconds timeout,
                  std::chrono::milliseconds period = std::chrono::milliseconds(10)) {
        const TClock::time_point end = TClock::now() + timeout;
        for (;;) {
            TShot shot = Shot();
            if (!shot.Empty() && check(shot)) return shot;
            if (TClock::now() >= end || !Running()) return {};
            Sleep(period);
        }
    }

    // Input in window pixels.
    void MoveTo(int x, int y);
    void Click(int x, int y);
    void Press(int x, int y);
    void Release();
    // Types text of ASCII letters, digits and blanks; Return and Escape by name.
    void Type(const std::string& text);
    void Key(const std::string& keysymName);
    // Sends WM_DELETE_WINDOW, as a close box does.
    void CloseWindow();

    static void Sleep(std::chrono::milliseconds time);

private:
    void Flush();

    struct _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    pid_t pid_ = -1;
    int exitStatus_ = -1;
    TClock::time_point started_{};
};
