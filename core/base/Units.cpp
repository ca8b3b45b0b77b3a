#include "core/base/Units.h"

TUnitRunner::TUnitRunner(std::initializer_list<std::span<const TUnit>> lists) {
    try {
        for (const auto& list : lists) {
            for (const TUnit& unit : list) {
                if (unit.initialization) unit.initialization();
                done_.push_back(&unit);
            }
        }
    } catch (...) {
        FinalizeAll();
        throw;
    }
}

TUnitRunner::~TUnitRunner() { FinalizeAll(); }

void TUnitRunner::FinalizeAll() noexcept {
    while (!done_.empty()) {
        const TUnit* unit = done_.back();
        done_.pop_back();
        if (unit->finalization) unit->finalization();
    }
}
