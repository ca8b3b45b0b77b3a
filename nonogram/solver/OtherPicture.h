// Whether a picture's clues admit another picture. Line logic stopping short
// has two causes an author must tell apart: the clues fit more than one
// picture (the picture must change), or they fit only this one and line logic
// cannot reach it (a small change may do). The search guesses a cell the
// lines leave unknown, follows it with line logic, and backtracks; a picture
// other than the given one that every line shows ends it. The number of
// guesses is bounded, so a hard picture may end undecided.
#pragma once

#include <cstdint>

#include "nonogram/solver/NonogramSolver.h"

enum class TOtherPicture {
    kNone,        // the clues admit this picture only
    kFound,       // another picture shows the same clues
    kUndecided,   // the search reached its bound of guesses
};

// The guesses tried at most before giving up.
inline constexpr int64_t kOtherPictureGuesses = 20000;

TOtherPicture FindOtherPicture(const TNonogramPicture& picture,
                               int64_t maxGuesses = kOtherPictureGuesses);
