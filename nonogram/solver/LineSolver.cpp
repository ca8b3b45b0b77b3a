#include "nonogram/solver/LineSolver.h"

#include <algorithm>

#include "core/base/Assert.h"

void LineRuns(std::span<const uint8_t> filled, int32_t stride, TRuns& runs) {
    QM_ASSERT(stride > 0, "A line is read with a positive stride.");
    runs.clear();
    int32_t run = 0;
    for (size_t i = 0; i < filled.size(); i += static_cast<size_t>(stride)) {
        if (filled[i] != 0) {
            ++run;
        } else if (run > 0) {
            runs.push_back(run);
            run = 0;
        }
    }
    if (run > 0) runs.push_back(run);
}

void TLineSolver::Grow(size_t cells, size_t runs) {
    const size_t table = (runs + 1) * (cells + 1);
    if (filledBefore_.size() < cells + 1) {
        filledBefore_.resize(cells + 1);
        emptyBefore_.resize(cells + 1);
        coverage_.resize(cells + 1);
    }
    if (prefix_.size() < table) {
        prefix_.resize(table);
        suffix_.resize(table);
    }
}

int32_t TLineSolver::Solve(std::span<const int32_t> runs, std::span<TCell> line) {
    const int32_t n = static_cast<int32_t>(line.size());
    const int32_t k = static_cast<int32_t>(runs.size());
    Grow(line.size(), runs.size());

    filledBefore_[0] = emptyBefore_[0] = 0;
    for (int32_t i = 0; i < n; ++i) {
        filledBefore_[i + 1] = filledBefore_[i] + (line[i] == TCell::kFilled ? 1 : 0);
        emptyBefore_[i + 1] = emptyBefore_[i] + (line[i] == TCell::kEmpty ? 1 : 0);
    }
    // Over the cells [a, b).
    auto noFilled = [&](int32_t a, int32_t b) { return filledBefore_[b] == filledBefore_[a]; };
    auto noEmpty = [&](int32_t a, int32_t b) { return emptyBefore_[b] == emptyBefore_[a]; };
    auto canBeEmpty = [&](int32_t i) { return line[i] != TCell::kFilled; };
    const int32_t width = n + 1;
    auto prefix = [&](int32_t j, int32_t i) -> uint8_t& { return prefix_[j * width + i]; };
    auto suffix = [&](int32_t j, int32_t i) -> uint8_t& { return suffix_[j * width + i]; };

    // Whether the runs before run j fit left of a run starting at s, with the
    // cell before it empty; and whether the runs after run j fit right of a
    // run ending before e, with the cell at e empty.
    auto fitsBefore = [&](int32_t j, int32_t s) {
        if (j == 0) return prefix(0, s) != 0;
        return s >= 1 && canBeEmpty(s - 1) && prefix(j, s - 1) != 0;
    };
    auto fitsAfter = [&](int32_t j, int32_t e) {
        if (j == k - 1) return suffix(k, e) != 0;
        return e < n && canBeEmpty(e) && suffix(j + 1, e + 1) != 0;
    };

    for (int32_t i = 0; i <= n; ++i) prefix(0, i) = noFilled(0, i);
    for (int32_t j = 1; j <= k; ++j) {
        const int32_t run = runs[j - 1];
        QM_ASSERT(run > 0, "A run of a clue is at least one cell long.");
        for (int32_t i = 0; i <= n; ++i) {
            // Either cell i - 1 is empty, or run j - 1 ends there.
            bool fits = i >= 1 && canBeEmpty(i - 1) && prefix(j, i - 1);
            const int32_t s = i - run;
            if (!fits && s >= 0 && noEmpty(s, i)) fits = fitsBefore(j - 1, s);
            prefix(j, i) = fits;
        }
    }
    if (!prefix(k, n)) return kContradiction;

    for (int32_t i = 0; i <= n; ++i) suffix(k, i) = noFilled(i, n);
    for (int32_t j = k - 1; j >= 0; --j) {
        const int32_t run = runs[j];
        for (int32_t i = n; i >= 0; --i) {
            // Either cell i is empty, or run j starts there.
            bool fits = i < n && canBeEmpty(i) && suffix(j, i + 1);
            const int32_t e = i + run;
            if (!fits && e <= n && noEmpty(i, e)) fits = fitsAfter(j, e);
            suffix(j, i) = fits;
        }
    }

    // Every place where some run lies in some placement that fits.
    std::fill(coverage_.begin(), coverage_.begin() + width, 0);
    for (int32_t j = 0; j < k; ++j) {
        const int32_t run = runs[j];
        for (int32_t s = 0; s + run <= n; ++s) {
            const int32_t e = s + run;
            if (noEmpty(s, e) && fitsBefore(j, s) && fitsAfter(j, e)) {
                ++coverage_[s];
                --coverage_[e];
            }
        }
    }

    int32_t changed = 0;
    int32_t covered = 0;
    for (int32_t x = 0; x < n; ++x) {
        covered += coverage_[x];
        if (line[x] != TCell::kUnknown) continue;
        const bool mayFill = covered > 0;
        // Empty in some placement: the first j runs left of x, the rest right of it.
        bool mayEmpty = false;
        for (int32_t j = 0; j <= k && !mayEmpty; ++j) mayEmpty = prefix(j, x) && suffix(j, x + 1);
        QM_ASSERT(mayFill || mayEmpty,
                  "A cell of a line that fits is filled or empty in a placement.");
        if (mayFill != mayEmpty) {
            line[x] = mayFill ? TCell::kFilled : TCell::kEmpty;
            ++changed;
        }
    }
    return changed;
}
