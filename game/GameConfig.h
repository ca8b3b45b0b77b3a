// The game shell's configuration values: process-wide texts that the game's
// own configuration sets once at start-up, after the units of the engine, the
// language tables and the game shell and before the engine is created, and
// that the game object, the player data and the standard screens read. The
// engine's own values (the game definition path, the product name, the
// version, the data-file key) live in engine/EngineStartup.h.
//
// Until the game sets them each value has the neutral default given below:
// no tables, no global options and empty keys, so every player file is plain
// XML. Nothing here fails.
#pragma once

#include <string>

// The player data files whose names are fixed by their stores.
inline constexpr char kHighScoresFileName[] = "highscores.dat";
inline constexpr char kRecordsFileName[] = "records.dat";
inline constexpr char kOptionsFileName[] = "options.dat";
inline constexpr char kDefaultUsersFileName[] = "users.dat";
inline constexpr char kDefaultNewUserText[] = "Create new user";

// The names of the options kept once for every profile, each between ";"
// (";FullScreenMode;MusicVolume;"); empty by default.
const std::string& GetGlobalOptionsList();
void SetGlobalOptionsList(std::string list);

// The creation text of the high-score store: "record_table" entries, each a
// braced parameter string of "name", "max_records" and "record_structure".
const std::string& GetHighScoresDefinition();
void SetHighScoresDefinition(std::string definition);

// The creation text of the level-record store: "level_record_table" entries,
// each a braced parameter string with "name".
const std::string& GetLevelRecordsDefinition();
void SetLevelRecordsDefinition(std::string definition);

// The profiles' file in the player data folder ("users.dat").
const std::string& GetUsersFileName();
void SetUsersFileName(std::string fileName);

// The key strings of the player files; an empty key keeps that file as plain
// XML text.
const std::string& GetOptionsFileKey();
void SetOptionsFileKey(std::string key);
const std::string& GetRecordsFileKey();
void SetRecordsFileKey(std::string key);
const std::string& GetUsersFileKey();
void SetUsersFileKey(std::string key);
const std::string& GetHighScoresFileKey();
void SetHighScoresFileKey(std::string key);

// The first entry of the profiles list: the language's "%CreateNewUser%",
// translated once at start-up.
const std::string& GetNewUserText();
void SetNewUserText(std::string text);

// Puts every value of this file back to its default.
void ResetGameShellConfiguration();

// This game's configuration: the values above, the engine's game definition
// path, data-file key and version, and the product name "Quillmarch" with
// "mac" appended last (it names the player data folder). The game world's
// start-up runs it once; it also translates the new-user text, so the
// default language must be loaded by then.
void ApplyQuillmarchConfiguration();
