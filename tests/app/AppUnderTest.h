// Which program and data the end-to-end tests run: the build's own, unless
// QM_APP_PROGRAM and QM_APP_DATA name another build's (a release build:
// build/rel/bin/quillmarch and build/rel/gamedata), to take its timings.
#pragma once

#include <cstdlib>
#include <string>

inline std::string AppSetting(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

inline const std::string& AppProgram() {
    static const std::string program = AppSetting("QM_APP_PROGRAM", QM_PROGRAM);
    return program;
}

inline const std::string& AppData() {
    static const std::string data = AppSetting("QM_APP_DATA", QM_BUILT_DATA_DIR);
    return data;
}

// The environment of a sanitizer build of the program under X: the X and
// Mesa libraries keep allocations for the life of the process, some in a
// driver unloaded before the leak check, where no suppression can name them,
// so the program runs without the leak check (the unit tests keep it).
inline std::string AppAsanOptions() {
    const char* asan = std::getenv("ASAN_OPTIONS");
    return "ASAN_OPTIONS=" + std::string(asan ? asan : "") + ":detect_leaks=0";
}
