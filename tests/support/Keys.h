// Numbered names for tables of keys.
#pragma once

#include <string>

// "k7" and so on. (Built by appending: GCC 12 warns falsely about
// "k" + std::to_string(i) at -O2.)
inline std::string Key(const char* prefix, long long i) {
    std::string key = prefix;
    key += std::to_string(i);
    return key;
}
