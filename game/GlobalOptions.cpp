#include "game/GlobalOptions.h"

#include <exception>

#include "core/base/Log.h"
#include "core/persist/ValueText.h"
#include "core/storage/XMLStorage.h"
#include "engine/EngineStartup.h"
#include "game/GameConfig.h"
#include "game/PlayerDataFile.h"

namespace {

constexpr char kOptionsRoot[] = "options";

Ref<TGlobalOptions> g_options;
int32_t g_sessionID = 0;

TPlayerFileFormat OptionsFormat() {
    return {kOptionsFileName, kOptionsRoot, GetOptionsFileKey()};
}

bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// An option is stored as an element of its name, so the name must be one the
// XML reader takes back; anything else would leave a file that no longer
// parses.
bool IsElementName(const std::string& name) {
    if (name.empty() || !IsNameStart(name[0])) return false;
    for (char c : name) {
        if (!IsNameStart(c) && !(c >= '0' && c <= '9') && c != '-' && c != '.') return false;
    }
    return true;
}

}  // namespace

bool TGlobalOptions::Load() {
    if (document_) return true;
    Ref<IHierStorage> root;
    try {
        ReadPlayerFile(GetUserDataDir() + kOptionsFileName, OptionsFormat(), true, root);
    } catch (const std::exception& e) {
        Log(kPlayerLogModule, std::string("Cannot read the options: ") + e.what());
        root = nullptr;
    }
    Ref<IHierStorageRoot> document = Query<IHierStorageRoot>(root);
    if (!document) {
        // Missing or damaged (then set aside): the store starts empty.
        document = CreateStorage(kOptionsRoot);
        root = Query<IHierStorage>(document);
    }
    if (!document || !root) return false;
    document_ = document;
    root_ = root;
    return true;
}

bool TGlobalOptions::Save() {
    if (!document_) return false;
    std::string xml;
    try {
        if (!document_->SaveToXML(xml)) {
            Log(kPlayerLogModule, "Cannot make the document of the options");
            return false;
        }
    } catch (const std::exception& e) {
        Log(kPlayerLogModule, std::string("Cannot make the document of the options: ") + e.what());
        return false;
    }
    const std::string path = GetUserDataDir() + kOptionsFileName;
    if (IsPlayerFileHeld(path)) {
        ReportPlayerFileNotSaved(kOptionsFileName,
                                 path + " is damaged and could not be set aside, so it is kept.");
        return false;
    }
    std::string text;
    if (!EncodeCheckedPlayerFileText(xml, OptionsFormat(), text)) return false;
    // The writer logs its own failures.
    if (SaveUserTextFile(text, kOptionsFileName)) return true;
    ReportPlayerFileNotSaved(kOptionsFileName, LastSaveFailure() + ".");
    return false;
}

bool TGlobalOptions::ReadOption(const std::string& name, std::string& value) {
    try {
        if (!Load()) return false;
        const Variant text = root_->GetChildText(name);
        value = text.IsUnassigned() ? std::string() : text.ToString();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TGlobalOptions::WriteOption(const std::string& name, const std::string& value) {
    if (!IsElementName(name)) {
        Log(kPlayerLogModule, "\"" + name + "\" cannot name an option; it is not stored");
        return false;
    }
    // A zero byte cannot be stored: the file would not read back, and every
    // later save of the store would be refused with it.
    if (value.find('\0') != std::string::npos) {
        Log(kPlayerLogModule,
            "The value of the option " + name + " holds a zero byte; it is not stored");
        return false;
    }
    try {
        if (!Load()) return false;
        root_->SetChildText(name, Variant(value));
    } catch (const std::exception& e) {
        Log(kPlayerLogModule, "Cannot set the option " + name + ": " + e.what());
        return false;
    }
    return Save();
}

bool ReadGlobalOption(const std::string& name, std::string& value) {
    return g_options && g_options->ReadOption(name, value);
}

bool WriteGlobalOption(const std::string& name, const std::string& value) {
    return g_options && g_options->WriteOption(name, value);
}

void InitGlobalOptions() {
    g_options = CreateObject<TGlobalOptions>();
}

void DoneGlobalOptions() {
    g_options = nullptr;
    g_sessionID = 0;
}

// ---------------------------------------------------------------------------
// Session counter

int32_t ReadSessionID() {
    std::string text;
    if (!ReadGlobalOption("SessionID", text)) return 0;
    int64_t value = 0;
    if (!ParseIntegerText(text, INT32_MIN, INT32_MAX, value)) return 0;
    return static_cast<int32_t>(value);
}

void BeginSession() {
    g_sessionID = ReadSessionID();
    // Past the largest number the count starts again, as with any other
    // stored text that is no number.
    const int64_t next = int64_t(g_sessionID) + 1;
    WriteGlobalOption("SessionID", std::to_string(next > INT32_MAX ? 0 : next));
}

int32_t GetSessionID() {
    return g_sessionID;
}
