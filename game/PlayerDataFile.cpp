#include "game/PlayerDataFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <set>
#include <utility>

#include "core/base/Log.h"
#include "core/base/Streams.h"
#include "core/base/Utf8.h"
#include "core/packs/Cipher.h"
#include "core/storage/XMLStorage.h"
#include "engine/EngineStartup.h"

namespace {

// Damaged files that could not be renamed aside: never written over.
std::set<std::string>& HeldFiles() {
    static std::set<std::string> held;
    return held;
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void PlayerLog(const std::string& message) {
    Log(kPlayerLogModule, message);
}

TPlayerFileSaveListener& SaveListener() {
    static TPlayerFileSaveListener listener;
    return listener;
}

}  // namespace

std::string EncodePlayerFileText(const std::string& xml, const std::string& key) {
    if (key.empty()) return xml;
    return TCipher_Xtea(key).CodeString(xml, paEncode, kFormatHex);
}

Ref<IHierStorage> DecodePlayerFileText(const std::string& text, const TPlayerFileFormat& format,
                                       std::string& why) {
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        why = "it is empty";
        return nullptr;
    }
    const std::string plain =
        format.key.empty() ? text : TCipher_Xtea(format.key).CodeString(text, paDecode, kFormatHex);
    Ref<IHierStorage> root;
    try {
        root = LoadStorageFromXML(plain);
    } catch (const std::exception& e) {
        why = format.key.empty() ? std::string("it does not parse: ") + e.what()
                                 : std::string("it does not decipher and parse: ") + e.what();
        return nullptr;
    }
    if (!root) {
        why = "it holds no document";
        return nullptr;
    }
    const std::string rootName = root->GetNodeName();
    if (rootName != format.rootName) {
        why = "its root element is \"" + rootName + "\", not \"" + format.rootName + "\"";
        return nullptr;
    }
    return root;
}

bool IsPlayerFileHeld(const std::string& path) {
    if (HeldFiles().count(path) == 0) return false;
    PlayerLog("Not saved: " + path + " is damaged and could not be set aside, so it is kept");
    return true;
}

bool SetAsideDamagedPlayerFile(const std::string& path, const std::string& why) {
    int error = 0;
    for (int n = 1; n <= 1000; ++n) {
        const std::string aside = path + ".damaged-" + std::to_string(n);
        if (Exists(aside)) continue;
        if (::rename(path.c_str(), aside.c_str()) == 0) {
            PlayerLog(path + " is damaged (" + why + "); it was renamed " + aside +
                      " and its data starts empty");
            return true;
        }
        error = errno;
        break;
    }
    HeldFiles().insert(path);
    PlayerLog(path + " is damaged (" + why + ") and could not be renamed aside (" +
              (error ? std::strerror(error) : "every name is taken") +
              "); its data starts empty and the file is not written over");
    return false;
}

TPlayerFileLoad ReadPlayerFile(const std::string& path, const TPlayerFileFormat& format,
                               bool setAside, Ref<IHierStorage>& root) {
    root = nullptr;
    if (!IsRegularFile(path)) return TPlayerFileLoad::kMissing;
    std::string why;
    try {
        TFileStream stream(path, TFileMode::OpenRead);
        root = DecodePlayerFileText(ReadAllText(stream), format, why);
    } catch (const std::exception& e) {
        why = std::string("it cannot be read: ") + e.what();
    }
    if (root) return TPlayerFileLoad::kLoaded;
    if (setAside) {
        SetAsideDamagedPlayerFile(path, why);
    } else {
        PlayerLog(path + " is damaged (" + why + "); it is not read");
    }
    return TPlayerFileLoad::kDamaged;
}

TPlayerFileLoad LoadPlayerFile(const std::string& path, const TPlayerFileFormat& format,
                               bool setAside, TPersistBase& owner) {
    Ref<IHierStorage> root;
    const TPlayerFileLoad result = ReadPlayerFile(path, format, setAside, root);
    if (result != TPlayerFileLoad::kLoaded) return result;
    try {
        owner.LoadFrom(root);
        return TPlayerFileLoad::kLoaded;
    } catch (const std::exception& e) {
        owner.ClearContent();
        const std::string why = std::string("it does not load: ") + e.what();
        if (setAside) {
            SetAsideDamagedPlayerFile(path, why);
        } else {
            PlayerLog(path + " is damaged (" + why + "); it is not read");
        }
        return TPlayerFileLoad::kDamaged;
    }
}

bool EncodeCheckedPlayerFileText(const std::string& xml, const TPlayerFileFormat& format,
                                 std::string& text) {
    text = EncodePlayerFileText(xml, format.key);
    std::string why;
    if (DecodePlayerFileText(text, format, why)) return true;
    text.clear();
    PlayerLog("Not saved: " + format.fileName + " would not read back (" + why + ")");
    return false;
}

bool MakePlayerFileText(const TPlayerFileFormat& format, const Ref<IPersistObject>& owner,
                        std::string& text) {
    text.clear();
    try {
        Ref<IHierStorageRoot> document = CreateStorage(format.rootName);
        std::string xml;
        if (!document || !document->SaveObject(owner) || !document->SaveToXML(xml)) {
            PlayerLog("Cannot make the document of " + format.fileName);
            return false;
        }
        return EncodeCheckedPlayerFileText(xml, format, text);
    } catch (const std::exception& e) {
        PlayerLog("Cannot make the document of " + format.fileName + ": " + e.what());
        return false;
    }
}

bool SavePlayerFile(const Ref<IEngine>& engine, const TPlayerFileFormat& format,
                    const Ref<IPersistObject>& owner) {
    if (!engine || !owner) {
        PlayerLog("Cannot save " + format.fileName + " without " + (engine ? "data" : "an engine"));
        return false;
    }
    const std::string path = engine->GetUserDir() + format.fileName;
    if (IsPlayerFileHeld(path)) {
        ReportPlayerFileNotSaved(format.fileName,
                                 path + " is damaged and could not be set aside, so it is kept.");
        return false;
    }
    std::string text;
    if (!MakePlayerFileText(format, owner, text)) {
        ReportPlayerFileNotSaved(format.fileName,
                                 "The data of " + format.fileName + " could not be put in writing.");
        return false;
    }
    // The engine's writer logs its own failures.
    if (engine->SaveUserTextFile(text, format.fileName)) return true;
    const std::string& why = LastSaveFailure();
    ReportPlayerFileNotSaved(format.fileName,
                             why.empty() ? path + " could not be written." : why + ".");
    return false;
}

bool IsStorableText(const std::string& text) {
    return text.empty() || WideToUTF8(UTF8ToWide(text)) == text;
}

TPlayerFileSaveListener SetPlayerFileSaveListener(TPlayerFileSaveListener listener) {
    return std::exchange(SaveListener(), std::move(listener));
}

void ReportPlayerFileNotSaved(const std::string& fileName, const std::string& why) {
    // A copy: the listener may replace itself while it runs.
    if (const TPlayerFileSaveListener listener = SaveListener()) listener(fileName, why);
}
