// Switches the numeric locale to one whose decimal separator is "," for the
// lifetime of the object, and puts the locale back when it goes. Where no
// such locale is installed it takes the one the build made (the test-locale
// folder of the build, see tests/CMakeLists.txt); Active() is false when
// neither is there.
#pragma once

#include <string>

class TCommaLocale {
public:
    TCommaLocale();
    ~TCommaLocale();
    TCommaLocale(const TCommaLocale&) = delete;
    TCommaLocale& operator=(const TCommaLocale&) = delete;

    bool Active() const { return active_; }

private:
    std::string previousLocale_;
    std::string previousPath_;
    bool hadPath_ = false;
    bool active_ = false;
};
