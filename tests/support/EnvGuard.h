// Sets or clears an environment variable for one test and puts it back after.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

class TEnvGuard {
public:
    // A null value clears the variable.
    TEnvGuard(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~TEnvGuard() {
        if (old_) {
            setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    TEnvGuard(const TEnvGuard&) = delete;
    TEnvGuard& operator=(const TEnvGuard&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};
