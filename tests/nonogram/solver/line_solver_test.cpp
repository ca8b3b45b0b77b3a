#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "nonogram/solver/LineSolver.h"

namespace {

// Lines are written as text: '#' filled, '.' empty, '?' unknown.
std::vector<TCell> Line(const std::string& text) {
    std::vector<TCell> line;
    for (char c : text) {
        line.push_back(c == '#' ? TCell::kFilled : c == '.' ? TCell::kEmpty : TCell::kUnknown);
    }
    return line;
}

std::string Text(const std::vector<TCell>& line) {
    std::string text;
    for (TCell cell : line) {
        text += cell == TCell::kFilled ? '#' : cell == TCell::kEmpty ? '.' : '?';
    }
    return text;
}

TRuns RunsOf(const std::string& picture, int32_t stride = 1) {
    std::vector<uint8_t> filled;
    for (char c : picture) filled.push_back(c != '0' ? 1 : 0);
    TRuns runs = {99};  // replaced, not appended to
    LineRuns(filled, stride, runs);
    return runs;
}

TEST(LineRuns, RunsOfFilledCellsInOrder) {
    struct TCase {
        std::string picture;
        TRuns runs;
    };
    const TCase cases[] = {
        {"0110011100", {2, 3}},
        {"1111111111", {10}},
        {"0000000000", {}},
        {"1000000001", {1, 1}},
        {"1", {1}},
        {"0", {}},
        {"", {}},
    };
    for (const TCase& c : cases) EXPECT_EQ(RunsOf(c.picture), c.runs) << c.picture;
    // The columns of the 3-wide picture "110" "011" "110": every third cell
    // from the column's top cell.
    const std::string picture = "110011110";
    EXPECT_EQ(RunsOf(picture, 3), (TRuns{1, 1}));
    EXPECT_EQ(RunsOf(picture.substr(1), 3), (TRuns{3}));
    EXPECT_EQ(RunsOf(picture.substr(2), 3), (TRuns{1}));
}

TEST(LineSolver, NoRunsLine) {
    // A line whose clue is 0: every cell is empty, a filled cell contradicts.
    TLineSolver solver;
    std::vector<TCell> line = Line("??.??");
    EXPECT_EQ(solver.Solve({}, line), 4);
    EXPECT_EQ(Text(line), ".....");
    line = Line("??#??");
    EXPECT_EQ(solver.Solve({}, line), TLineSolver::kContradiction);
    EXPECT_EQ(Text(line), "??#??");  // untouched
    line = Line("");
    EXPECT_EQ(solver.Solve({}, line), 0);
}

TEST(LineSolver, KnownLines) {
    struct TCase {
        TRuns runs;
        std::string before, after;
    };
    const TCase cases[] = {
        // The filled cell is the 1 (cell 1 is its gap) or the 3 after a 1 at
        // cell 0 (cell 1 is the gap between them): the ranges of the runs
        // alone do not show it.
        {{1, 3}, "??#??????", "?.#??????"},
        {{3}, "??.??.????", "......?##?"},
        {{2, 2}, "?#??.???", "?#?..?#?"},
        // A filled cell at the edge fixes the whole run.
        {{3, 1}, "#???????", "###.????"},
        {{1, 1}, "??#?#??", "..#.#.."},
        // Nothing follows.
        {{1, 2}, "???#????", "???#????"},
    };
    TLineSolver solver;
    for (const TCase& c : cases) {
        std::vector<TCell> line = Line(c.before);
        solver.Solve(c.runs, line);
        EXPECT_EQ(Text(line), c.after) << c.before;
    }
}

// Every full line of n cells, grouped by clue.
std::map<TRuns, std::vector<uint32_t>> PlacementsByClue(int n) {
    std::map<TRuns, std::vector<uint32_t>> byClue;
    for (uint32_t bits = 0; bits < (1u << n); ++bits) {
        std::vector<uint8_t> filled(n);
        for (int i = 0; i < n; ++i) filled[i] = (bits >> i) & 1;
        TRuns runs;
        LineRuns(filled, 1, runs);
        byClue[runs].push_back(bits);
    }
    return byClue;
}

// The answer by enumeration: the placements that agree with the known cells,
// and the cells on which they all agree.
int32_t BruteForce(const std::vector<uint32_t>& placements, std::vector<TCell>& line) {
    const int n = static_cast<int>(line.size());
    uint32_t filled = 0, empty = 0;
    for (int i = 0; i < n; ++i) {
        if (line[i] == TCell::kFilled) filled |= 1u << i;
        if (line[i] == TCell::kEmpty) empty |= 1u << i;
    }
    const uint32_t all = (1u << n) - 1;
    uint32_t always = all, never = all, count = 0;
    for (uint32_t p : placements) {
        if ((p & filled) != filled || (p & empty) != 0) continue;
        ++count;
        always &= p;
        never &= ~p & all;
    }
    if (count == 0) return TLineSolver::kContradiction;
    int32_t changed = 0;
    for (int i = 0; i < n; ++i) {
        if (line[i] != TCell::kUnknown) continue;
        if ((always >> i) & 1) line[i] = TCell::kFilled, ++changed;
        if ((never >> i) & 1) line[i] = TCell::kEmpty, ++changed;
    }
    return changed;
}

std::string Describe(const TRuns& runs, const std::vector<TCell>& line) {
    std::string text = "runs";
    for (int32_t r : runs) text.append(" ").append(std::to_string(r));
    return text.append(" on ").append(Text(line));
}

// Compares the solver with enumeration on every clue of each length up to 12
// (every clue that some line of that length shows): all partial states for
// short lines, a fixed random sample for longer ones. The sample mixes states
// taken from a placement of the clue (mostly solvable) with states of random
// cells (mostly contradictory). One solver serves all lengths, in an order
// that grows and shrinks its tables.
TEST(LineSolver, EqualsBruteForceOnEveryLineUpToTwelveCells) {
    constexpr int kExhaustiveUpTo = 7;
    constexpr int kSamplesPerClue = 60;
    std::mt19937 random(20240611);
    TLineSolver solver;
    int compared = 0, contradictions = 0, deductions = 0;
    for (int n : {12, 1, 11, 2, 10, 3, 9, 4, 8, 5, 7, 6}) {
        for (const auto& [runs, placements] : PlacementsByClue(n)) {
            // Stops the test at the first difference.
            auto compare = [&](const std::vector<TCell>& state) {
                std::vector<TCell> expected = state, actual = state;
                const int32_t expectedChanged = BruteForce(placements, expected);
                const int32_t actualChanged = solver.Solve(runs, actual);
                ++compared;
                contradictions += expectedChanged == TLineSolver::kContradiction;
                deductions += expectedChanged > 0;
                if (actualChanged == expectedChanged && actual == expected) return true;
                ADD_FAILURE() << Describe(runs, state) << ": " << Text(actual) << " ("
                              << actualChanged << "), wanted " << Text(expected) << " ("
                              << expectedChanged << ")";
                return false;
            };
            std::vector<TCell> state(n);
            if (n <= kExhaustiveUpTo) {
                int states = 1;
                for (int i = 0; i < n; ++i) states *= 3;
                for (int s = 0; s < states; ++s) {
                    for (int i = 0, v = s; i < n; ++i, v /= 3) state[i] = static_cast<TCell>(v % 3);
                    if (!compare(state)) return;
                }
                continue;
            }
            for (int sample = 0; sample < kSamplesPerClue; ++sample) {
                const bool fromPlacement = sample % 3 != 0;
                const uint32_t placement = placements[random() % placements.size()];
                const unsigned revealPercent = random() % 100;
                for (int i = 0; i < n; ++i) {
                    if (random() % 100 >= revealPercent) {
                        state[i] = TCell::kUnknown;
                    } else if (fromPlacement) {
                        state[i] = (placement >> i) & 1 ? TCell::kFilled : TCell::kEmpty;
                    } else {
                        state[i] = random() % 2 ? TCell::kFilled : TCell::kEmpty;
                    }
                }
                if (!compare(state)) return;
            }
        }
    }
    // The comparison met both outcomes often, not only trivial states.
    EXPECT_GT(contradictions, 10000);
    EXPECT_GT(deductions, 10000);
    EXPECT_GT(compared, 100000);
}

}  // namespace
