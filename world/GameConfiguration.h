// The game world's configuration.
//
// This game's process-wide values, the ones the engine and the game shell
// read, are set by ApplyQuillmarchConfiguration (game/GameConfig.h): the game
// definition path "data\ini\Quillmarch.ini", the product name "Quillmarchmac"
// (caption and player data folder), the options kept across profiles, the
// fourteen high-score tables, "users.dat", the new-user entry text (the
// default language's "%CreateNewUser%", translated once) and the keys of the
// enciphered stores. The program calls it once after every library's units
// have started and before it creates the engine; the data build reads the
// keys from the same place. It is not a unit of this library, so the test
// programs that run the world's units keep plain, unkeyed files for their
// harness games.
//
// This file holds the texts the game world's own classes share.
#pragma once

// Written after each name when the game world keeps a list of names as one
// text ("japan;rome;").
inline constexpr char ListSeparator[] = ";";

// The catalogue entry's parameter that names the kind of level.
inline constexpr char LevelTypeKey[] = "level_type";
