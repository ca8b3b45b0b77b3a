// The player data files ("highscores.dat", "records.dat", "users.dat",
// "options.dat"): one storage document each, its root element named by the
// file, kept in the player data folder as one line of upper-case hexadecimal
// cipher text (core/packs/Cipher.h, XTEA under the file's own key) followed by
// a line feed; a file whose key is empty holds the document's XML as it is.
//
// Saving goes through the engine's player-file writer, which writes a
// temporary file and renames it over the old one, so a crash leaves the old
// file or the new one, never a mixture.
//
// A damaged file (one that is there but cannot be read, does not decipher
// and parse, or holds another root element) is never loaded as empty and
// then written over. When it lies in the player data folder it is renamed
// "<name>.damaged-<n>" (the first n not taken) and a line in the log (module
// "PLAYER") says so; its owner starts empty, and the next save writes a fresh
// file. A damaged file that cannot be renamed stays in place and every later
// save to it is refused (false, with a log line) for the rest of the run. A
// damaged file elsewhere (a default shipped with the game) is only logged.
#pragma once

#include <functional>
#include <string>

#include "core/persist/EngineGeneralClasses.h"
#include "engine/interfaces/EngineInterfaces.h"

// The log module of the player data.
inline constexpr char kPlayerLogModule[] = "PLAYER";

struct TPlayerFileFormat {
    std::string fileName;  // in the player data folder: "users.dat"
    std::string rootName;  // the document's root element: "userprofiles"
    std::string key;       // empty: plain XML text
};

enum class TPlayerFileLoad {
    kMissing,  // no file there; nothing was read
    kLoaded,   // the owner read the file
    kDamaged,  // the file was there but unusable; the owner is left empty
};

// The file text for a document's XML: the hexadecimal cipher text under key,
// or the XML itself when key is empty; the line feed is the writer's.
std::string EncodePlayerFileText(const std::string& xml, const std::string& key);

// The root node of the document held in a file's text (with or without its
// final line feed). Null when the text is empty, does not decipher and parse,
// or its root element is not format.rootName; why then says which.
Ref<IHierStorage> DecodePlayerFileText(const std::string& text, const TPlayerFileFormat& format,
                                       std::string& why);

// Reads the file at path. kMissing when no regular file is there; kLoaded
// with root set; kDamaged (logged, and renamed aside when setAside) otherwise.
TPlayerFileLoad ReadPlayerFile(const std::string& path, const TPlayerFileFormat& format,
                               bool setAside, Ref<IHierStorage>& root);

// ReadPlayerFile, then owner.LoadFrom on the root. An exception while the
// owner loads makes the file damaged as well: the owner's content is cleared
// (IPersistObject2::ClearContent) and the file handled as above.
TPlayerFileLoad LoadPlayerFile(const std::string& path, const TPlayerFileFormat& format,
                               bool setAside, TPersistBase& owner);

// The file text of a document's XML, read back once before it is handed on,
// so that no save writes a file that would be found damaged (a text holding
// a zero byte, for instance, would be cut there). False, with a log line and
// text empty, when it does not read back.
bool EncodeCheckedPlayerFileText(const std::string& xml, const TPlayerFileFormat& format,
                                 std::string& text);

// The checked file text of owner saved into a new document with the format's
// root element. False, with a log line, when the document cannot be made,
// the owner raises while it saves, or the text would not read back.
bool MakePlayerFileText(const TPlayerFileFormat& format, const Ref<IPersistObject>& owner,
                        std::string& text);

// Writes owner into format.fileName in the engine's player data folder.
// False when there is no engine or no owner, when the text cannot be made,
// when a damaged file there is held (see above) or when the engine's writer
// fails; each failure writes a log line, and all but the first two are
// reported (ReportPlayerFileNotSaved).
bool SavePlayerFile(const Ref<IEngine>& engine, const TPlayerFileFormat& format,
                    const Ref<IPersistObject>& owner);

// Whether a player file gives the text back as it is: empty or UTF-8. Other
// bytes would come back changed (each read as a character of its own), so
// names that are not are refused where they enter (a log line says so).
bool IsStorableText(const std::string& text);

// Who hears of a player file that could not be saved: its name and why, in
// a sentence a player can read. The game tells the player on screen; with
// no listener the log line is all there is. Answers the previous listener.
using TPlayerFileSaveListener =
    std::function<void(const std::string& fileName, const std::string& why)>;
TPlayerFileSaveListener SetPlayerFileSaveListener(TPlayerFileSaveListener listener);
void ReportPlayerFileNotSaved(const std::string& fileName, const std::string& why);

// True, with a log line naming the file, when the damaged file at path could
// not be renamed aside in this run, so it must not be written over.
bool IsPlayerFileHeld(const std::string& path);

// Renames the damaged file at path to "<path>.damaged-<n>" and logs why.
// False when it cannot be renamed; the file is then held.
bool SetAsideDamagedPlayerFile(const std::string& path, const std::string& why);
