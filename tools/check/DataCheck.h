// The data checker: reads a built data folder as the game reads it and lists
// every reference that leads nowhere.
//
// From the game definition (its path and key from the game's configuration)
// it checks that every "type" is a registered class; that every screen the
// game object and the shell open by name, and every "GS_..." value a screen
// names, is a "gamescreen" of the definition; that every resource list of
// "resourcefiles" can be read, that no resource name is in two lists and that
// every resource in them decodes through the engine; that every
// "resourcename" names a resource of those lists; that the default cursor is
// a cursor of "cursors"; that every "%key%" (and each key the program asks
// for itself) has a text in the base language; and that every level of a
// "levels" catalogue has a readable level file whose size has a grid
// definition "ROWS_COLS" in a "grids" list.
//
// The classes must be registered (the caller runs the units). The check sets
// the resources folder and the game's configuration while it runs and puts
// the previous folder back; the log lines written meanwhile (a resource that
// does not decode) become problems.
#pragma once

#include <string>
#include <vector>

struct TDataProblem {
    std::string where;  // the file and the element path, with the attribute
    std::string what;   // what is missing or broken
};

std::vector<TDataProblem> CheckGameData(const std::string& dataDir);

// "where: what", one line: control characters of the data's names shown as
// \xNN, so that a name can neither break the line nor move the cursor.
std::string FormatDataProblem(const TDataProblem& problem);

// The text with its control characters shown as \xNN.
std::string PrintableDataText(const std::string& text);
