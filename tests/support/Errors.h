// The message of the exception an action raises, for tables of error cases.
#pragma once

#include <string>

#include "core/base/Exception.h"

// The message of the E that f raises, or "(none)" when it raises nothing.
template <class E = Exception, class F>
std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    }
    return "(none)";
}
