// Plain statements of what the board's counts and crossings must be,
// recounted from the matrix of cell values the slow, obvious way.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "nonogram/NonogramRules.h"

namespace nonogramtest {

// The plain statements the rules must agree with, recounted from the matrix.
struct TRecount {
    int32_t fullLeft = 0, unresolved = 0;
    std::vector<int32_t> rowUnresolved, colUnresolved;
};

inline TRecount Recount(const TNonogramRules& rules) {
    TRecount r;
    r.rowUnresolved.assign(rules.Rows(), 0);
    r.colUnresolved.assign(rules.Cols(), 0);
    for (int32_t i = 0; i < rules.Rows(); ++i) {
        for (int32_t j = 0; j < rules.Cols(); ++j) {
            const int32_t v = rules.Value(i, j);
            if (v == kCellFull) ++r.fullLeft;
            if (!IsResolved(v)) {
                ++r.unresolved;
                ++r.rowUnresolved[i];
                ++r.colUnresolved[j];
            }
        }
    }
    return r;
}

// The runs of a line closed off by a broken cell on a side reached over
// resolved cells from that edge, by their keys, sorted.
inline std::vector<int32_t> PlainCrossed(const std::vector<int32_t>& line) {
    const auto n = static_cast<int32_t>(line.size());
    std::vector<int32_t> keys;
    bool finished = true;
    for (int32_t v : line) finished = finished && IsResolved(v);
    if (finished) return keys;
    const auto resolvedFrom = [&](int32_t a, int32_t b) {
        for (int32_t i = a; i <= b; ++i) {
            if (!IsResolved(line[i])) return false;
        }
        return true;
    };
    const auto full = [&](int32_t i) { return line[i] == kCellFull || line[i] == kCellOpened; };
    for (int32_t a = 0; a < n; ++a) {
        if (!full(a) || (a > 0 && full(a - 1))) continue;
        int32_t b = a;
        while (b + 1 < n && full(b + 1)) ++b;
        const bool fromStart = b + 1 < n && line[b + 1] == kCellBroken && resolvedFrom(0, b + 1);
        const bool fromEnd = a > 0 && line[a - 1] == kCellBroken && resolvedFrom(a - 1, n - 1);
        if (fromStart || fromEnd) keys.push_back(a > 0 ? a - 1 : 0);
    }
    return keys;
}

inline std::vector<int32_t> Sorted(std::vector<int32_t> keys) {
    std::sort(keys.begin(), keys.end());
    return keys;
}

}  // namespace nonogramtest
