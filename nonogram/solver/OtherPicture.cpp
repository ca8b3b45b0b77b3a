#include "nonogram/solver/OtherPicture.h"

#include <vector>

namespace {

class TSearch {
public:
    TSearch(const TNonogramPicture& picture, int64_t maxGuesses)
        : picture_(picture), maxGuesses_(maxGuesses) {
        CluesOfPicture(picture, clues_);
    }

    TOtherPicture Run() {
        std::vector<TCell> cells(picture_.filled.size(), TCell::kUnknown);
        std::vector<int32_t> lines;
        for (int32_t line = 0; line < clues_.rows + clues_.cols; ++line) lines.push_back(line);
        return Search(std::move(cells), std::move(lines));
    }

private:
    // Line logic from the given lines on, each line whose cells change
    // queueing its crossing ones; false at a contradiction.
    bool Propagate(std::vector<TCell>& cells, std::vector<int32_t> pending) {
        std::vector<uint8_t> queued(clues_.rows + clues_.cols, 0);
        for (int32_t line : pending) queued[line] = 1;
        while (!pending.empty()) {
            const int32_t line = pending.back();
            pending.pop_back();
            queued[line] = 0;
            const bool isRow = line < clues_.rows;
            const int32_t index = isRow ? line : line - clues_.rows;
            const int32_t length = isRow ? clues_.cols : clues_.rows;
            const int32_t first = isRow ? index * clues_.cols : index;
            const int32_t step = isRow ? 1 : clues_.cols;
            line_.resize(length);
            for (int32_t i = 0; i < length; ++i) line_[i] = cells[first + i * step];
            const TRuns& runs = isRow ? clues_.rowRuns[index] : clues_.colRuns[index];
            const int32_t changed = solver_.Solve(runs, line_);
            if (changed == TLineSolver::kContradiction) return false;
            if (changed == 0) continue;
            for (int32_t i = 0; i < length; ++i) {
                TCell& cell = cells[first + i * step];
                if (cell == line_[i]) continue;
                cell = line_[i];
                const int32_t crossing = isRow ? clues_.rows + i : i;
                if (!queued[crossing]) {
                    queued[crossing] = 1;
                    pending.push_back(crossing);
                }
            }
        }
        return true;
    }

    TOtherPicture Search(std::vector<TCell> cells, std::vector<int32_t> lines) {
        if (!Propagate(cells, std::move(lines))) return TOtherPicture::kNone;
        size_t unknown = 0;
        while (unknown < cells.size() && cells[unknown] != TCell::kUnknown) ++unknown;
        if (unknown == cells.size()) {
            for (size_t i = 0; i < cells.size(); ++i) {
                if ((cells[i] == TCell::kFilled) != (picture_.filled[i] != 0)) {
                    return TOtherPicture::kFound;
                }
            }
            return TOtherPicture::kNone;
        }
        // The picture's own value last: the other branch is where another
        // picture must differ first.
        const TCell own = picture_.filled[unknown] ? TCell::kFilled : TCell::kEmpty;
        const TCell other = own == TCell::kFilled ? TCell::kEmpty : TCell::kFilled;
        bool undecided = false;
        for (const TCell value : {other, own}) {
            if (++guesses_ > maxGuesses_) return TOtherPicture::kUndecided;
            std::vector<TCell> guessed = cells;
            guessed[unknown] = value;
            const int32_t row = static_cast<int32_t>(unknown) / clues_.cols;
            const int32_t col = static_cast<int32_t>(unknown) % clues_.cols;
            const TOtherPicture found = Search(std::move(guessed), {row, clues_.rows + col});
            if (found == TOtherPicture::kFound) return found;
            undecided = undecided || found == TOtherPicture::kUndecided;
        }
        return undecided ? TOtherPicture::kUndecided : TOtherPicture::kNone;
    }

    const TNonogramPicture& picture_;
    const int64_t maxGuesses_;
    int64_t guesses_ = 0;
    TNonogramClues clues_;
    TLineSolver solver_;
    std::vector<TCell> line_;
};

}  // namespace

TOtherPicture FindOtherPicture(const TNonogramPicture& picture, int64_t maxGuesses) {
    return TSearch(picture, maxGuesses).Run();
}
