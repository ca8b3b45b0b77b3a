#include "engine/EngineStartup.h"

#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/base/AsciiText.h"
#include "core/base/Exception.h"
#include "core/base/FileReplace.h"
#include "core/base/Streams.h"
#include "core/lang/MultiLanguages.h"
#include "core/packs/ResourceReader.h"
#include "engine/Engine.h"
#include "engine/interfaces/EngineInterfaces.h"
#include "platform/Folders.h"
#include "platform/SdlPlatform.h"
#include "platform/audio/AudioDevice.h"

namespace {

std::string g_gameDefinitionPath = kDefaultGameDefinitionPath;
std::string g_dataFileKey;
std::string g_productName = kDefaultProductName;
std::string g_gameVersion;
std::string g_resourcesDir;  // empty: the current folder

TPlatformFactory g_platformFactory;
TAudioBackendFactory g_audioBackendFactory;

Ref<IApp> g_engine;

std::string ErrorText(int error) {
    return std::strerror(error);
}

}  // namespace

// ---------------------------------------------------------------------------
// Configuration

const std::string& GetGameDefinitionPath() {
    return g_gameDefinitionPath;
}
void SetGameDefinitionPath(std::string path) {
    g_gameDefinitionPath = std::move(path);
}
const std::string& GetDataFileKey() {
    return g_dataFileKey;
}
void SetDataFileKey(std::string key) {
    g_dataFileKey = std::move(key);
}
const std::string& GetProductName() {
    return g_productName;
}
void SetProductName(std::string name) {
    g_productName = std::move(name);
}
const std::string& GetGameVersion() {
    return g_gameVersion;
}
void SetGameVersion(std::string version) {
    g_gameVersion = std::move(version);
}

// ---------------------------------------------------------------------------
// Folders

std::string GetResourcesDir() {
    if (!g_resourcesDir.empty()) return g_resourcesDir;
    std::error_code ec;
    const std::filesystem::path current = std::filesystem::current_path(ec);
    return ec ? std::string() : MakeFolderPath(current.string());
}

void SetResourcesDir(const std::string& path) {
    g_resourcesDir = MakeFolderPath(path);
}

std::string GetUserDataDir() {
    return GetUserDataDir(GetProductName(), GetResourcesDir());
}

// ---------------------------------------------------------------------------
// Text files

std::string NormalizeLineBreaks(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 1);
    size_t i = 0;
    while (i < text.size()) {
        const size_t end = text.find_first_of("\r\n", i);
        if (end == std::string_view::npos) {
            result.append(text.substr(i));
            result.push_back('\n');
            break;
        }
        result.append(text.substr(i, end - i));
        result.push_back('\n');
        i = end + 1;
        if (text[end] == '\r' && i < text.size() && text[i] == '\n') ++i;
    }
    return result;
}

std::string LoadUserTextFile(const std::string& fileName) {
    const std::string path = GetUserDataDir() + fileName;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    try {
        TFileStream stream(path, TFileMode::OpenRead);
        return NormalizeLineBreaks(ReadAllText(stream));
    } catch (const std::exception& e) {
        EngineLog("Cannot read " + path + ": " + e.what());
        return {};
    }
}

namespace {
thread_local std::string g_lastSaveFailure;
}  // namespace

bool SaveTextFileAtomically(const std::string& text, const std::string& path) {
    g_lastSaveFailure.clear();
    try {
        ReplaceFileContents(path, NormalizeLineBreaks(text));
        return true;
    } catch (const Exception& e) {
        g_lastSaveFailure = e.Message();
        EngineLog(e.Message());
        return false;
    }
}

const std::string& LastSaveFailure() {
    return g_lastSaveFailure;
}

bool SaveUserTextFile(const std::string& text, const std::string& fileName) {
    return SaveTextFileAtomically(text, GetUserDataDir() + fileName);
}

bool SaveResourceTextFile(const std::string& text, const std::string& fileName) {
    return SaveTextFileAtomically(text, GetResourcesDir() + fileName);
}

// ---------------------------------------------------------------------------
// Value helpers

std::string FormatThousands(int64_t value) {
    const int64_t wide = value;
    const uint64_t magnitude = wide < 0 ? 0 - uint64_t(wide) : uint64_t(wide);
    const std::string digits = std::to_string(magnitude);
    const std::string separator = Translate("%thousand_separator%");
    std::string result;
    result.reserve(digits.size() + (digits.size() / 3) * separator.size() + 1);
    if (wide < 0) result.push_back('-');
    for (size_t i = 0; i < digits.size(); ++i) {
        // A separator before every group of three that has digits before it.
        if (i > 0 && (digits.size() - i) % 3 == 0) result += separator;
        result.push_back(digits[i]);
    }
    return result;
}

double StrToFloatDot(std::string_view text, double defaultValue) {
    std::string_view t = Trim(text);
    if (t.empty()) return defaultValue;
    if (t.front() == '+') {
        t.remove_prefix(1);
        if (t.empty() || t.front() == '-') return defaultValue;
    }
    double value = 0;
    const auto [end, ec] =
        std::from_chars(t.data(), t.data() + t.size(), value, std::chars_format::general);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(value)) {
        return defaultValue;
    }
    return value;
}

uint32_t StrToColorDef(std::string_view text, uint32_t defaultValue) {
    std::string_view t = Trim(text);
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    if (t.empty()) return defaultValue;
    uint64_t result = 0;
    if (t.front() == '$') {
        t.remove_prefix(1);
        if (t.empty() || t.size() > 8) return defaultValue;
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), result, 16);
        if (ec != std::errc() || end != t.data() + t.size()) return defaultValue;
        const uint32_t bits = static_cast<uint32_t>(result);
        return negative ? 0u - bits : bits;
    }
    if (t.front() < '0' || t.front() > '9') return defaultValue;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), result, 10);
    if (ec != std::errc() || end != t.data() + t.size()) return defaultValue;
    if (negative) {
        if (result > 2147483648ull) return defaultValue;
        return 0u - static_cast<uint32_t>(result);
    }
    if (result > 0xFFFFFFFFull) return defaultValue;
    return static_cast<uint32_t>(result);
}

// ---------------------------------------------------------------------------
// Platform and audio

TPlatformFactory SetPlatformFactory(TPlatformFactory factory) {
    return std::exchange(g_platformFactory, std::move(factory));
}

TAudioBackendFactory SetAudioBackendFactory(TAudioBackendFactory factory) {
    return std::exchange(g_audioBackendFactory, std::move(factory));
}

std::unique_ptr<IPlatform> CreateEnginePlatform() {
    if (g_platformFactory) return g_platformFactory();
    return std::make_unique<TSdlPlatform>();
}

Ref<IAudioBackend> CreateEngineAudioBackend() {
    if (g_audioBackendFactory) return g_audioBackendFactory();
    return MakeRef<TAudioDevice>();
}

// ---------------------------------------------------------------------------
// Program body

const Ref<IApp>& GetEngineApp() {
    return g_engine;
}

void CreateEngine() {
    Ref<IApp> app;
    try {
        app = Query<IApp>(CreateAbstractObject(ClassOf<TEngine>()));
        if (app && !app->Init(GetGameDefinitionPath())) {
            app->Done();
            app = nullptr;
        }
    } catch (const Exception& e) {
        EngineLog("The engine could not start: " + e.Message());
        app = nullptr;
    }
    g_engine = std::move(app);
}

bool RunEngine() {
    bool ok = false;
    try {
        CreateEngine();
        if (g_engine) {
            g_engine->Run();
            g_engine->Done();
            ok = true;
        }
    } catch (const std::exception& e) {
        EngineLog(std::string("The engine stopped: ") + e.what());
    } catch (...) {
        EngineLog("The engine stopped on an unknown error.");
    }
    // The engine goes with its last reference, here.
    Ref<IApp> engine = std::move(g_engine);
    g_engine = nullptr;
    return ok;
}

// ---------------------------------------------------------------------------
// Unit

void SetCharacterTypeLocale() {
    const auto readsUtf8 = [] { return std::strcmp(::nl_langinfo(CODESET), "UTF-8") == 0; };
    if (std::setlocale(LC_CTYPE, "") && readsUtf8()) return;
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
        if (std::setlocale(LC_CTYPE, name) && readsUtf8()) return;
    }
    EngineLog("No UTF-8 character types: captions beyond ASCII may show wrongly.");
}

void EngineStartupInit() {
    SetCharacterTypeLocale();
    SetPackExtension(".sgd");
    DefaultLanguageFile = "lang\\default.lng";
    const std::string folder = GetResourcesDir();
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
        EngineLog("Cannot change to the data folder " + folder + ": " + ErrorText(errno));
    }
    LoadLanguage("");
}

void EngineStartupDone() {
    g_engine = nullptr;
}
