#include "tests/support/Locale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

bool SelectInstalledCommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name)) return true;
    }
    return false;
}

}  // namespace

TCommaLocale::TCommaLocale() : previousLocale_(std::setlocale(LC_NUMERIC, nullptr)) {
    if (const char* path = std::getenv("LOCPATH")) {
        hadPath_ = true;
        previousPath_ = path;
    }
    if (!SelectInstalledCommaLocale()) {
        const std::string target = (dir_.Path() / "de_DE.UTF-8").string();
        const std::string command = "localedef -i de_DE -f UTF-8 '" + target + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0 || std::filesystem::exists(target)) {
            setenv("LOCPATH", dir_.Path().c_str(), 1);
            std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
        }
    }
    active_ = std::strcmp(std::localeconv()->decimal_point, ",") == 0;
}

TCommaLocale::~TCommaLocale() {
    std::setlocale(LC_NUMERIC, previousLocale_.c_str());
    if (hadPath_) {
        setenv("LOCPATH", previousPath_.c_str(), 1);
    } else {
        unsetenv("LOCPATH");
    }
}
