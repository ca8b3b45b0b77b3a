// The folders the engine keeps its files in: the player data folder under
// the user's data folder, the folder of the running program, and folder
// paths as the engine writes them (absolute, ending in "/").
//
// Paths are bytes as the file system takes them (UTF-8 in practice); no
// length or character-set limit is put on them.
#pragma once

#include <string>

// The maker's folder between the user's data folder and the product's.
inline constexpr char kMakerName[] = "Tessalind";

// The player data folder, ending in "/", evaluated afresh on every call:
// <data home>/Tessalind/<productName>/, where the data home is
// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share;
// each folder is created (mode 0700) when missing. Fallbacks:
// - no data home can be found or made: `fallbackDir` (the application data folder);
// - the maker or the product folder cannot be made, or the product name is
//   not a plain folder name: the data home itself.
std::string GetUserDataDir(const std::string& productName, const std::string& fallbackDir);

// The folder holding the running program, ending in "/"; empty when unknown.
std::string GetExecutableDir();

// `path` made absolute against the current folder and ending in "/"; an
// empty path stays empty.
std::string MakeFolderPath(const std::string& path);
