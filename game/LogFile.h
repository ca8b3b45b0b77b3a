// The log file: the engine's log lines kept in "log.txt" in the player data
// folder, so a player can hand in what went wrong. The file is bounded: when
// a line would take it past its size it becomes "log.txt.old" (replacing the
// one before) and a new file begins, so the two hold at most twice the bound
// and always the latest lines.
//
// While the file is open the lines still go where they went before (the
// previous sink, or standard error): the file is added, nothing is taken
// away.
//
// Failures: none is reported, and none raises. A folder or file that cannot
// be written loses the lines for the file only; the log never writes lines
// about itself.
#pragma once

#include <cstdint>
#include <string>

#include "core/base/Units.h"

inline constexpr char kLogFileName[] = "log.txt";
// The suffix of the previous file, kept when the current one is full.
inline constexpr char kOldLogFileSuffix[] = ".old";
inline constexpr uint64_t kMaxLogFileSize = 256 * 1024;

// The file's path in the player data folder (evaluated afresh, as that
// folder is).
std::string GetLogFileName();
// Creates the file, or empties it.
void ClearLogFile();
// Starts adding every log line to the file ("MODULE: message" and a line
// feed), keeping at most maxBytes in it. Nothing when it is open already.
void OpenLogFile(uint64_t maxBytes = kMaxLogFileSize);
// Stops adding lines and puts the previous sink back. Sinks set after
// OpenLogFile are to be put back before this is called.
void CloseLogFile();
bool IsLogFileOpen();

// Closes the file when the program ends.
inline constexpr TUnit kLogFileUnit = {"LogFile", nullptr, CloseLogFile};
