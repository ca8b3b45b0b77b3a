// The data checker: reads a built data folder as the game reads it and lists
// every reference that leads nowhere.
//
// From the game definition (its path and key from the game's configuration)
// it checks that every "type" is a registered class; that every screen the
// game object and the shell open by name, every "gamescreenname" and every
// "GS_..." in a value (alone or inside a parameter string) is a "gamescreen"
// of the definition; that every resource list of "resourcefiles" can be
// read, that no resource name is in two lists, that each resource's file
// exists and that every resource decodes through the engine (pictures, fonts,
// sounds, music) and, more strictly, completely (tools/check/StrictDecode.h);
// that every "resourcename" (also inside a parameter string)
// names a resource of those lists or a location's picture of the scene's item
// store ("magic_items"; each picture's file must exist and decode); that the default cursor and each screen's
// "cursor_name" is a cursor of "cursors"; that every "%key%" (and each key
// the program asks for itself) has a text in the base language; and that
// every level of a "levels" catalogue has a readable level file whose size
// "ROWS_COLS" has a grid definition in a "grids" list, a factory
// "digitROWS_COLS" and a factory "cellROWS_COLS_K" for each colour K of its
// picture; that the seed high scores ("highscores.dat") read as the game
// reads them; and that the folder holds nothing a pack of it could not hold
// (core/packs/PackableFiles.h). Names are compared ignoring ASCII case, as
// the game finds them.
// Inside a widget factory's template that fills in "%param%" macros, a
// "%...%" is a macro: no language key, and a value holding one is not
// checked.
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
