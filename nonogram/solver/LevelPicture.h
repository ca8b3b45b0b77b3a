// The picture of a level definition file: the "rows" and "cols" of the root's
// "extraparams", and the root's "rows" element holding one "row" element per
// picture row, in order, each with a "name" and "cells", one hexadecimal digit
// per cell: "0" is an empty cell, any other digit a filled one (the digit is
// only its colour).
//
// Level files come from outside the program, so they are checked before use:
// a size outside 1 to kMaxLevelSide, a number of rows or a row length other
// than the size, a character that is no hexadecimal digit, a row without a
// name or with the name of an earlier row (letter case ignored), and a root
// whose "type" names another class than "QuillmarchLevelDef" are refused with
// a message. Nothing is sized from the file before its size has been checked.
#pragma once

#include <cstdint>
#include <string>

#include "core/base/Interface.h"
#include "core/storage/PersistenceService.h"
#include "nonogram/solver/NonogramSolver.h"

// The most rows, and the most columns, a level may have.
inline constexpr int32_t kMaxLevelSide = 50;

// Reads the picture of the level definition stored at root. On a refusal
// answers false, sets error to the reason and leaves picture as it was.
bool ReadLevelPicture(const Ref<IHierStorage>& root, TNonogramPicture& picture, std::string& error);

// Loads the level definition file at a resource path (text or binary XML, in a
// folder or a pack) and reads its picture. A file that cannot be opened or
// parsed, or a refused picture, writes one log line (module "LEVEL") and
// answers false with the reason in error; picture is then left as it was.
bool LoadLevelPicture(const std::string& path, TNonogramPicture& picture, std::string& error);
