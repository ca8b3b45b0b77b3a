// The global options store: the player's machine-wide options ("FullScreenMode",
// "MusicVolume", "SessionID"...) as named texts kept between runs in the
// player file "options.dat" (game/PlayerDataFile.h), enciphered under the
// options key, plain XML when that key is empty. The document has the root
// element "options" and one child element per option, named like the option,
// whose text is the value.
//
// One process-wide store exists between the unit's initialisation and its
// finalisation; it is reached only through ReadGlobalOption and
// WriteGlobalOption. The file is read on first use and written as a whole
// after every write.
//
// Failures: both functions answer false before the unit's initialisation and
// after its finalisation. A damaged "options.dat" is set aside and the store
// starts empty (PlayerDataFile.h). A write whose file cannot be saved answers
// false, with a log line, and the value stays in memory.
#pragma once

#include <cstdint>
#include <string>

#include "core/base/Units.h"
#include "core/object/GeneralClasses.h"
#include "core/storage/PersistenceService.h"

class TGlobalOptions : public TAbstractObject {
public:
    // The option's text, empty when the store does not hold it (still true).
    // False when the store cannot be read at all.
    bool ReadOption(const std::string& name, std::string& value);
    // Sets the option's text, adding the option when new, and saves the
    // store. False when the name cannot be an element name (empty, or
    // characters other than letters, digits, "_", "-" and "." after a letter
    // or "_") or the value holds a zero byte (both logged; nothing changes),
    // or when the save fails.
    bool WriteOption(const std::string& name, const std::string& value);

    // Reads the document once; later calls answer true at once. A missing or
    // damaged file gives an empty document.
    bool Load();
    // Writes the document held; false when there is none or the save fails.
    bool Save();

private:
    Ref<IHierStorageRoot> document_;
    Ref<IHierStorage> root_;
};

bool ReadGlobalOption(const std::string& name, std::string& value);
bool WriteGlobalOption(const std::string& name, const std::string& value);

// The unit: creates the single store; the finalisation drops it.
void InitGlobalOptions();
void DoneGlobalOptions();
inline constexpr TUnit kGlobalOptionsUnit = {"GlobalOptions", InitGlobalOptions, DoneGlobalOptions};

// ---------------------------------------------------------------------------
// The session counter: runs of the game numbered through the global option
// "SessionID", which holds the number the next session gets.

// The stored counter; 0 when the store cannot be read, the option is absent
// or it is not a decimal integer.
int32_t ReadSessionID();
// Takes the stored counter as this run's session number and stores the next
// one at once.
void BeginSession();
// This run's session number: 0 until BeginSession.
int32_t GetSessionID();
