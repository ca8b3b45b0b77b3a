// Unit initialisation in an explicit order.
//
// Each library lists its units (registration of classes, process-wide tables)
// in dependency order; the program and every test program run those lists
// first to last through a TUnitRunner and finalise in reverse when it goes.
// Nothing is done by C++ static constructors, so the order is the one written.
#pragma once

#include <initializer_list>
#include <span>
#include <vector>

struct TUnit {
    const char* name;
    void (*initialization)();  // may be null
    void (*finalization)();    // may be null
};

class TUnitRunner {
public:
    // Initialises every unit of every list, in order. When one throws, the
    // units already initialised are finalised and the exception propagates.
    explicit TUnitRunner(std::initializer_list<std::span<const TUnit>> lists);
    ~TUnitRunner();
    TUnitRunner(const TUnitRunner&) = delete;
    TUnitRunner& operator=(const TUnitRunner&) = delete;

private:
    void FinalizeAll() noexcept;
    std::vector<const TUnit*> done_;
};
