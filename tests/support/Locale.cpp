#include "tests/support/Locale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

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
        setenv("LOCPATH", QM_TEST_LOCALE_DIR, 1);
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
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
