#include "engine/StartupTrace.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include "core/base/Log.h"

namespace {

using TClock = std::chrono::steady_clock;

bool g_on = false;
TClock::time_point g_origin;
std::string g_atPresent;
bool g_lastAtPresent = false;

std::string Milliseconds(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", ms);
    return text;
}

// The time since the process was made, from its start time in clock ticks
// since boot (field 22 of /proc/self/stat); negative when it cannot be read.
double MillisecondsSinceExec() {
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name may hold blanks: the fields are counted after its ')'.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    unsigned long long startTicks = 0;
    for (int i = 3; i <= 22 && fields >> field; ++i)
        if (i == 22) startTicks = std::strtoull(field.c_str(), nullptr, 10);
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    timespec now{};
    if (startTicks == 0 || ticksPerSecond <= 0 || ::clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return -1;
    const double nowMs = double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
    return nowMs - double(startTicks) * 1000.0 / double(ticksPerSecond);
}

}  // namespace

void StartupTraceBegin() {
    const char* value = std::getenv("QM_STARTUP_TRACE");
    g_on = value && *value && std::string_view(value) != "0";
    if (!g_on) return;
    const double beforeMain = MillisecondsSinceExec();
    // The origin is moved back by the time before main, so that every line
    // counts from the process's start.
    g_origin = TClock::now() - std::chrono::microseconds(
                                   beforeMain > 0 ? static_cast<long long>(beforeMain * 1000) : 0);
    Log("STARTUP", (beforeMain >= 0 ? Milliseconds(beforeMain) : std::string("? ms")) +
                       ": main is entered (the time before it is the shared libraries' loading, "
                       "to the system's clock tick)");
}

bool StartupTraceOn() {
    return g_on;
}

void StartupTrace(std::string_view step) {
    if (!g_on) return;
    const double ms = std::chrono::duration<double, std::milli>(TClock::now() - g_origin).count();
    Log("STARTUP", Milliseconds(ms) + ": " + std::string(step));
}

void StartupTraceEnd(std::string_view step) {
    StartupTrace(step);
    g_on = false;
}

void StartupTraceAtPresent(std::string_view step, bool last) {
    if (!g_on) return;
    if (!g_atPresent.empty()) g_atPresent += "; ";
    g_atPresent += step;
    g_lastAtPresent = g_lastAtPresent || last;
}

void StartupTracePresented() {
    if (!g_on || g_atPresent.empty()) return;
    const std::string step = std::exchange(g_atPresent, std::string());
    if (g_lastAtPresent) {
        StartupTraceEnd(step);
    } else {
        StartupTrace(step);
    }
}
