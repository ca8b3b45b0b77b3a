// The engine's start-up unit: the process-wide game configuration the engine
// reads, the application data folder and the player data folder, the player's
// text files, small text helpers, the engine's log lines, and the program body
// (CreateEngine, RunEngine) that creates, runs and ends the engine.
//
// Failures: the folder and file helpers never raise. Reading answers the
// empty text when a file is missing or unreadable; saving answers false and
// writes a line to the log. Start-up failures are written to the log before
// the program ends.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/base/Interface.h"
#include "core/base/Log.h"

class IApp;
class IPlatform;
class IAudioBackend;

// ---------------------------------------------------------------------------
// The game configuration the engine reads. The game's configuration unit sets
// them at start-up, after the engine's units and before the program body.

inline constexpr char kDefaultGameDefinitionPath[] = "data\\ini\\Quillmarch.ini";
inline constexpr char kDefaultProductName[] = "Marrowglade";

// The game definition handed to IApp::Init, relative to the application data
// folder.
const std::string& GetGameDefinitionPath();
void SetGameDefinitionPath(std::string path);
// The key of the enciphered data files (the game definition and the resource
// lists); empty: those files are read as plain text.
const std::string& GetDataFileKey();
void SetDataFileKey(std::string key);
// The default caption and the name of the player data folder.
const std::string& GetProductName();
void SetProductName(std::string name);
// The game's version text ("1.01"); empty until the game sets it.
const std::string& GetGameVersion();
void SetGameVersion(std::string version);

// ---------------------------------------------------------------------------
// Folders (each path ends in "/")

// The application data folder: the folder the program was given, made
// absolute; the current folder (at the time of the call) until one is set.
std::string GetResourcesDir();
void SetResourcesDir(const std::string& path);
// The player data folder: <user data folder>/Tessalind/<product name>/,
// created when missing. When a subfolder cannot be made the user data folder
// itself is used, and when that cannot be found the application data folder.
// Evaluated afresh on every call.
std::string GetUserDataDir();

// ---------------------------------------------------------------------------
// Text files

// The text as lines, each ended by one line feed: carriage return, line feed
// and the pair of both each end a line; a last line without a break gets one.
std::string NormalizeLineBreaks(std::string_view text);

// The player file's text, normalised as above; empty when it is missing or
// cannot be read.
std::string LoadUserTextFile(const std::string& fileName);
// Writes the normalised text to the player data folder (SaveUserTextFile) or
// the application data folder (SaveResourceTextFile), replacing the file as a
// whole: the text goes to a temporary file beside it, which is flushed to the
// disk and then renamed over the old one, so a crash or a full disk leaves
// the old file intact (core/base/FileReplace.h); temporary files left by
// saves that were killed are removed. False, with a line in the log, when it
// fails.
bool SaveUserTextFile(const std::string& text, const std::string& fileName);
bool SaveResourceTextFile(const std::string& text, const std::string& fileName);
// The same for any path.
bool SaveTextFileAtomically(const std::string& text, const std::string& path);
// Why the last of those saves on this thread failed ("Cannot save <path>:
// <reason>"); empty after one that succeeded.
const std::string& LastSaveFailure();

// ---------------------------------------------------------------------------
// Value helpers

// The decimal digits of value with the translated "%thousand_separator%"
// between groups of three from the right, and "-" in front when negative.
std::string FormatThousands(int64_t value);
// The text as a floating-point number with "." as the decimal separator,
// whatever the locale; blanks around it are allowed. The default for an
// empty text, anything else that is no finite number, or a "," separator.
double StrToFloatDot(std::string_view text, double defaultValue);
// A decimal integer (-2147483648 to 4294967295) or hexadecimal after "$"
// (at most 8 digits, "-" allowed before the "$"), as a 32-bit pattern; the
// default when the text does not convert.
uint32_t StrToColorDef(std::string_view text, uint32_t defaultValue);

// ---------------------------------------------------------------------------
// The engine's own lines in the core log (core/base/Log.h), module "ENGINE";
// SetLogSink decides where they go.

inline void EngineLog(std::string_view message) {
    Log("ENGINE", message);
}

// ---------------------------------------------------------------------------
// What the engine runs on. Unless set, the engine gets the SDL platform and
// the SDL audio device; tests give it the headless platform and an audio
// backend without output.

using TPlatformFactory = std::function<std::unique_ptr<IPlatform>()>;
using TAudioBackendFactory = std::function<Ref<IAudioBackend>()>;
// An empty factory restores the default. Each answers the previous one.
TPlatformFactory SetPlatformFactory(TPlatformFactory factory);
TAudioBackendFactory SetAudioBackendFactory(TAudioBackendFactory factory);
// Raises EPlatformError when the platform cannot start (no display).
std::unique_ptr<IPlatform> CreateEnginePlatform();
Ref<IAudioBackend> CreateEngineAudioBackend();

// ---------------------------------------------------------------------------
// The program body

// The engine reference: the only hold the program has on the engine.
const Ref<IApp>& GetEngineApp();
// Creates the engine and initialises it with the game definition path; the
// engine reference is left null when creation or Init fails (Init has then
// run Done).
void CreateEngine();
// CreateEngine, then Run and Done when the engine started, then clears the
// engine reference. Nothing escapes: failures are logged. Answers whether the
// engine started and ended without an error.
bool RunEngine();

// The window system reads captions through the character-type locale, which
// a program starts without (ASCII only): this takes the user's when it reads
// UTF-8, else a built-in UTF-8 one (a log line when there is none). Only the
// character types change; numbers are written and read as in the C locale.
void SetCharacterTypeLocale();

// The unit: the character-type locale, the pack extension ".sgd", the default language file
// "lang\default.lng", the current folder set to the application data folder
// and the base language loaded. Done releases the engine reference.
void EngineStartupInit();
void EngineStartupDone();
