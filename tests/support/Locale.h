// Switches the numeric locale to one whose decimal separator is "," for the
// lifetime of the object, and puts the locale back when it goes. Where no
// such locale is installed it builds one with localedef in a temporary
// folder; Active() is false when even that is impossible.
#pragma once

#include <string>

#include "tests/support/TempDir.h"

class TCommaLocale {
public:
    TCommaLocale();
    ~TCommaLocale();
    TCommaLocale(const TCommaLocale&) = delete;
    TCommaLocale& operator=(const TCommaLocale&) = delete;

    bool Active() const { return active_; }

private:
    TTempDir dir_{"locale"};
    std::string previousLocale_;
    std::string previousPath_;
    bool hadPath_ = false;
    bool active_ = false;
};
