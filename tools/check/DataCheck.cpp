#include "tools/check/DataCheck.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <set>

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "core/base/ParamStringUtils.h"
#include "core/base/Streams.h"
#include "core/packs/Cipher.h"
#include "core/object/GeneralClasses.h"
#include "core/persist/EngineGeneralClasses.h"
#include "core/packs/PackableFiles.h"
#include "core/packs/ResourceReader.h"
#include "core/storage/XMLStorage.h"
#include "engine/Engine.h"
#include "engine/EngineStartup.h"
#include "engine/resources/EngineImages.h"
#include "game/GameConfig.h"
#include "game/HighScores.h"
#include "game/PlayerDataFile.h"
#include "nonogram/solver/LevelPicture.h"
#include "platform/HeadlessPlatform.h"
#include "platform/audio/AudioDevice.h"
#include "tools/check/StrictDecode.h"

namespace {

// The screens the shell opens by name, whatever the definition says. (The
// main screen is the one "maings" names, checked with the game's values.)
const char* const kShellScreens[] = {
    "GS_Logo",         "GS_Splash",          "GS_Quit",
    "GS_Options",      "GS_HighScores",      "GS_UserProfiles",       "GS_NewUser",
    "GS_QueryDeleteProfile", "GS_TooManyProfiles", "GS_QueryNotUniqueName", "GS_SubmitScore",
    "GS_SubmitError"};
// The game object's values that name a screen.
const char* const kGameScreenValues[] = {"splashlogosgs", "splashgs", "closequerygs", "maings"};
// The language keys the program asks for itself.
const char* const kProgramKeys[] = {"CreateNewUser", "thousand_separator"};

// The game finds screens, classes, resources, cursors, factories, grids and
// texts by name ignoring ASCII case, and so does the check.
struct TNoCase {
    bool operator()(const std::string& a, const std::string& b) const {
        return UpperAsciiString(a) < UpperAsciiString(b);
    }
};
using TNames = std::set<std::string, TNoCase>;

std::string Slashes(std::string path) {
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

struct TNode {
    Ref<IHierStorage> node;
    std::string path;  // "game/gamescreens/gamescreen[GS_Logo]/..."
    // Inside the template of a widget factory that fills in "%param%" macros
    // from its caller's parameters: such a text is no language key, and a
    // value holding one is only known once filled in.
    bool macros = false;
};

// The elements of a tree in document order, each with a readable path.
void Walk(const Ref<IHierStorage>& node, const std::string& path, std::vector<TNode>& out,
          bool macros = false) {
    out.push_back({node, path, macros});
    if (node->GetNodeName() == "widgetfactory") {
        macros = ReadBool(node, "usemacros", true);
    }
    const int32_t count = node->GetChildCount("");
    for (int32_t i = 0; i < count; ++i) {
        const Ref<IHierStorage> child = node->GetChild("", i);
        if (!child) continue;
        const std::string name = child->GetNodeName();
        if (name.empty() || name[0] == '#') continue;  // text and comments
        // A catalogue's level is keyed by its "level".
        std::string key = child->GetValue("name", Variant("")).ToString();
        if (key.empty() && name == "level") key = child->GetValue("level", Variant("")).ToString();
        Walk(child, path + "/" + name + (key.empty() ? "" : "[" + key + "]"), out, macros);
    }
}

std::map<std::string, std::string> Values(const Ref<IHierStorage>& node) {
    std::map<std::string, std::string> values;
    const int32_t count = node->GetValueCount();
    for (int32_t i = 0; i < count; ++i) {
        values[node->GetValueName(i)] = node->GetValueAt(i, Variant("")).ToString();
    }
    return values;
}

// The parameter of a "properties" list; empty when absent.
std::string Property(const Ref<IHierStorage>& node, const std::string& name) {
    const Ref<IHierStorage> properties = node->FindChild("properties");
    if (!properties) return "";
    const int32_t count = properties->GetChildCount("param");
    for (int32_t i = 0; i < count; ++i) {
        const Ref<IHierStorage> param = properties->GetChild("param", i);
        if (param && param->GetValue("name", Variant("")).ToString() == name) {
            return param->GetValue("value", Variant("")).ToString();
        }
    }
    return "";
}

class TChecker {
    struct TScenePicture {
        std::string name;
        std::string file;
        std::string format;
    };

public:
    explicit TChecker(std::string dataDir) : dataDir_(std::move(dataDir)) {}

    std::vector<TDataProblem> Run() {
        const std::string definitionPath = GetGameDefinitionPath();
        definitionFile_ = Slashes(definitionPath);
        const Ref<IHierStorage> root = ReadXml(definitionPath, GetDataFileKey(), "game definition");
        if (!root) return problems_;
        Walk(root, root->GetNodeName(), nodes_);
        ReportLog(definitionFile_);
        CheckTypes();
        CheckScreens(root);
        CheckResources();
        CheckCursors();
        CheckLanguage();
        CheckLevels();
        ReportLog(dataDir_);
        CheckHighScores();
        CheckPackable();
        return problems_;
    }

    // A log line, kept until ReportLog.
    void Logged(std::string_view module, std::string_view message) {
        log_.push_back(FormatLogLine(module, message));
    }

private:
    // The lines logged while a file was read (an out-storage it names that
    // cannot be read) become its problems.
    void ReportLog(const std::string& where) {
        for (const std::string& line : log_) Problem(where, line);
        log_.clear();
    }

    void Problem(const std::string& where, const std::string& what) {
        problems_.push_back({where, what});
    }
    std::string At(const TNode& n, const std::string& value) const {
        return definitionFile_ + ": " + n.path + (value.empty() ? "" : " " + value);
    }

    // A file of the data read as the game reads it (deciphered when key is
    // set); null with a problem when it cannot be read or parsed.
    Ref<IHierStorage> ReadXml(const std::string& path, const std::string& key,
                              const std::string& what, const std::string& where = "") {
        const std::string shown = where.empty() ? Slashes(path) : where;
        std::unique_ptr<TStream> stream = OpenResource(path);
        if (!stream) {
            Problem(shown, "the " + what + " \"" + Slashes(path) + "\" does not exist");
            return nullptr;
        }
        try {
            std::string text = NormalizeLineBreaks(ReadAllText(*stream));
            if (!key.empty()) text = TCipher_Xtea(key).CodeString(text, paDecode, kFormatHex);
            const Ref<IHierStorage> root = LoadStorageFromXML(text);
            if (root) return root;
            Problem(shown, "the " + what + " \"" + Slashes(path) + "\" is no valid XML");
        } catch (const std::exception& e) {
            Problem(shown, "the " + what + " \"" + Slashes(path) + "\" cannot be read: " + e.what());
        }
        return nullptr;
    }

    void CheckTypes() {
        for (const TNode& n : nodes_) {
            const std::string type = n.node->GetValue("type", Variant("")).ToString();
            if (n.macros && type.find('%') != std::string::npos) continue;
            if (!type.empty() && !FindRegisteredClass(type)) {
                Problem(At(n, "type"), "the class \"" + type + "\" is not registered");
            }
        }
    }

    void CheckScreens(const Ref<IHierStorage>& root) {
        TNames screens;
        for (const TNode& n : nodes_) {
            if (n.node->GetNodeName() == "gamescreen") {
                screens.insert(n.node->GetValue("name", Variant("")).ToString());
            }
        }
        for (const char* name : kShellScreens) {
            if (!screens.count(name)) {
                Problem(definitionFile_ + ": gamescreens",
                        std::string("no screen \"") + name + "\" (the shell opens it)");
            }
        }
        const TNode game{root, root->GetNodeName()};
        for (const char* value : kGameScreenValues) {
            const std::string name = root->GetValue(value, Variant("")).ToString();
            if (name.empty()) {
                Problem(At(game, value), "names no screen");
            } else if (!screens.count(name)) {
                Problem(At(game, value), "no screen \"" + name + "\"");
            }
        }
        // What a button or setting opens ("gamescreenname"), and any other
        // value that names a screen "GS_...", alone or inside a parameter
        // string.
        static const std::regex screenName("(^|[^A-Za-z0-9_])(GS_[A-Za-z0-9_]+)");
        for (const TNode& n : nodes_) {
            if (n.node.get() == root.get()) continue;
            const bool screen = n.node->GetNodeName() == "gamescreen";
            for (const auto& [name, value] : Values(n.node)) {
                if (screen && name == "name") continue;
                if (name == "gamescreenname") {
                    if (!value.empty() && !screens.count(value) &&
                        !(n.macros && value.find('%') != std::string::npos)) {
                        Problem(At(n, name), "no screen \"" + value + "\"");
                    }
                    continue;
                }
                for (auto it = std::sregex_iterator(value.begin(), value.end(), screenName);
                     it != std::sregex_iterator(); ++it) {
                    const std::string screen = (*it)[2].str();
                    if (!screens.count(screen)) Problem(At(n, name), "no screen \"" + screen + "\"");
                }
            }
        }
    }

    void CheckResources() {
        // The lists, each read and then decoded by the engine.
        std::map<std::string, std::string, TNoCase> listOf;  // resource name -> its list
        std::vector<std::pair<std::string, std::string>> lists;  // group, file
        for (const TNode& n : nodes_) {
            if (n.node->GetNodeName() != "resourcefile") continue;
            const std::string file = n.node->GetValue("filename", Variant("")).ToString();
            const Ref<IHierStorage> list = ReadXml(file, GetDataFileKey(), "resource list", At(n, "filename"));
            if (!list) continue;
            const std::string group = n.node->GetValue("name", Variant("")).ToString();
            lists.emplace_back(group, file);
            std::vector<TNode> entries;
            Walk(list, list->GetNodeName(), entries);
            ReportLog(Slashes(file));
            for (const TNode& entry : entries) {
                if (entry.node->GetNodeName() != "resource") continue;
                const std::string name = entry.node->GetValue("name", Variant("")).ToString();
                // A picture or sound whose file is gone may load as an empty
                // resource without a word, so its file is looked for first.
                const std::string resourceFile = entry.node->GetValue("file", Variant("")).ToString();
                if (!resourceFile.empty()) {
                    CheckWhole(Slashes(file) + ": resource[" + name + "] file", resourceFile);
                }
                const auto [it, added] = listOf.emplace(name, Slashes(file));
                if (!added) {
                    Problem(Slashes(file) + ": resource[" + name + "]",
                            "also in \"" + it->second + "\"");
                } else {
                    resourceLists_[Slashes(file)].push_back(name);
                }
            }
        }
        CollectScenePictures(listOf);
        // "resourcename" values, and "resourcename=NAME" inside a parameter
        // string ("\rows=10\resourcename=NAME").
        static const std::regex inParameters("(^|\\\\)resourcename=([^\\\\]*)");
        for (const TNode& n : nodes_) {
            for (const auto& [attribute, value] : Values(n.node)) {
                std::vector<std::string> names;
                if (attribute == "resourcename") {
                    names.push_back(value);
                } else {
                    for (auto it = std::sregex_iterator(value.begin(), value.end(), inParameters);
                         it != std::sregex_iterator(); ++it) {
                        names.push_back((*it)[2].str());
                    }
                }
                for (const std::string& name : names) {
                    if (n.macros && name.find('%') != std::string::npos) continue;
                    if (!name.empty() && !listOf.count(name)) {
                        Problem(At(n, attribute), "no resource \"" + name + "\" in the resource lists");
                    }
                }
            }
        }
        Decode(lists);
        DecodeStrictly();
    }

    // A file a resource names: it must exist (false when it does not), and
    // once the engine has loaded the resources, a picture or a sound must
    // decode completely without damage (StrictDecode.h).
    bool CheckWhole(const std::string& where, const std::string& file) {
        if (!OpenResource(file)) {
            Problem(where, "the file \"" + Slashes(file) + "\" does not exist");
            return false;
        }
        wholeFiles_.emplace_back(where, file);
        return true;
    }

    void DecodeStrictly() {
        for (const auto& [where, file] : wholeFiles_) {
            try {
                std::unique_ptr<TStream> stream = OpenResource(file);
                if (!stream) continue;
                const std::string damage = StrictDamage(file, ReadAllText(*stream));
                if (!damage.empty()) {
                    Problem(where, "the file \"" + Slashes(file) + "\": " + damage);
                }
            } catch (const std::exception& e) {
                Problem(where, "the file \"" + Slashes(file) + "\" cannot be read: " + e.what());
            }
        }
    }

    // The seed high scores the game reads at its first start, read as the
    // game reads them: a damaged file would be set aside with a log line.
    void CheckHighScores() {
        const std::string path = kHighScoresFileName;
        std::error_code failed;
        if (!std::filesystem::is_regular_file(path, failed)) {
            Problem(path, "the seed high scores \"" + path + "\" do not exist");
            return;
        }
        const Ref<THighScores> scores = Query<THighScores>(
            CreateAbstractObject(ClassOf<THighScores>(), GetHighScoresDefinition()));
        if (!scores) {
            Problem(path, "the high-score store cannot be made");
            return;
        }
        const size_t before = log_.size();
        const TPlayerFileLoad loaded =
            LoadPlayerFile(path, THighScores::FileFormat(), false, *scores);
        if (loaded != TPlayerFileLoad::kLoaded && log_.size() == before) {
            Problem(path, "the seed high scores \"" + path + "\" cannot be read");
        }
        ReportLog(path);
    }

    // A location's pictures are named in the scene's item store
    // ("magic_items": item type "components", item "resources") and loaded
    // when the location is shown: each a file name (PNG by a ".png" ending,
    // else JPEG) or a parameter string with "file" and "format".
    void CollectScenePictures(std::map<std::string, std::string, TNoCase>& listOf) {
        for (const TNode& n : nodes_) {
            if (n.node->GetNodeName() != "param" || n.path.find("/magic_items/") == std::string::npos ||
                n.path.find("/item_type[components]/item[resources]/") == std::string::npos)
                continue;
            const std::string name = n.node->GetValue("name", Variant("")).ToString();
            const std::string value = n.node->GetValue("value", Variant("")).ToString();
            TScenePicture picture{name, value, ""};
            TTwoArrayOfString pairs;
            if (value.find('=') != std::string::npos && SplitParams(value, pairs, '\\', '=') > 0) {
                picture.file.clear();
                for (const auto& pair : pairs) {
                    if (pair[0] == "file") picture.file = pair[1];
                    if (pair[0] == "format") picture.format = pair[1];
                }
            } else {
                const size_t png = value.find(".png");
                picture.format = png != std::string::npos && png + 4 == value.size() ? "png" : "jpeg";
            }
            if (picture.file.empty() || !CheckWhole(At(n, "value"), picture.file)) continue;
            const auto [it, added] = listOf.emplace(name, "the scene's item store");
            if (!added) {
                Problem(At(n, "name"), "also in \"" + it->second + "\"");
                continue;
            }
            scenePictures_.push_back({At(n, "value"), picture});
        }
    }

    // The scene's pictures loaded as the scene loads them, and decoded.
    void DecodeScenePictures(TEngine& engine, std::vector<std::string>& log) {
        for (const auto& [where, picture] : scenePictures_) {
            const Ref<IHierStorage> list = LoadStorageFromXML(
                "<resources><content><resource type=\"ImageResource\"/></content></resources>");
            const Ref<IHierStorage> resource = list->GetChild("content", 0)->GetChild("resource", 0);
            resource->SetValue("name", Variant(picture.name));
            resource->SetValue("format", Variant(picture.format));
            resource->SetValue("file", Variant(picture.file));
            const size_t before = log.size();
            engine.LoadResources(list, "resources_location", kLoadResourcesAtOnce);
            const Ref<IImageResource> image = Query<IImageResource>(engine.GetResource(picture.name));
            if (!image || !image->GetSurface()) Problem(where, "the picture does not load");
            for (size_t i = before; i < log.size(); ++i) Problem(where, log[i]);
            engine.RemoveResources("resources_location");
        }
    }

    // Every resource of the lists loaded at once by an engine without a
    // window or sound output; every log line is a resource that failed.
    void Decode(const std::vector<std::pair<std::string, std::string>>& lists) {
        if (lists.empty() && scenePictures_.empty()) return;
        std::vector<std::string> log;
        TLogSink previousSink = SetLogSink([&log](std::string_view module, std::string_view message) {
            log.push_back(FormatLogLine(module, message));
        });
        TPlatformFactory previousPlatform =
            SetPlatformFactory([] { return std::make_unique<THeadlessPlatform>(); });
        TAudioBackendFactory previousAudio = SetAudioBackendFactory([]() -> Ref<IAudioBackend> {
            Ref<TAudioDevice> device = MakeRef<TAudioDevice>();
            device->OpenWithoutOutput(44100);
            return device;
        });
        try {
            Ref<TEngine> engine = CreateObject<TEngine>();
            engine->InitSound();
            for (const auto& [group, file] : lists) {
                const size_t before = log.size();
                engine->LoadResourceFile(file, group, kLoadResourcesAtOnce);
                for (size_t i = before; i < log.size(); ++i) Problem(Slashes(file), log[i]);
                for (const std::string& name : resourceLists_[Slashes(file)]) {
                    if (!engine->GetResource(name)) {
                        Problem(Slashes(file) + ": resource[" + name + "]", "does not load");
                    }
                }
            }
            engine->RemoveResources("");
            DecodeScenePictures(*engine, log);
            engine->ShutdownSound();
        } catch (const std::exception& e) {
            Problem(dataDir_, std::string("the resources cannot be decoded: ") + e.what());
        }
        SetAudioBackendFactory(std::move(previousAudio));
        SetPlatformFactory(std::move(previousPlatform));
        SetLogSink(std::move(previousSink));
    }

    void CheckCursors() {
        TNames cursors;
        const TNode* list = nullptr;
        for (const TNode& n : nodes_) {
            if (n.node->GetNodeName() == "cursors") list = &n;
            if (n.node->GetNodeName() == "cursor") {
                cursors.insert(n.node->GetValue("name", Variant("")).ToString());
            }
        }
        if (list) {
            const std::string name = list->node->GetValue("default_cursor_name", Variant("")).ToString();
            if (!name.empty() && !cursors.count(name)) {
                Problem(At(*list, "default_cursor_name"), "no cursor \"" + name + "\"");
            }
        }
        // A screen's own cursor.
        for (const TNode& n : nodes_) {
            const std::string name = n.node->GetValue("cursor_name", Variant("")).ToString();
            if (!name.empty() && !cursors.count(name)) {
                Problem(At(n, "cursor_name"), "no cursor \"" + name + "\"");
            }
        }
    }

    void CheckLanguage() {
        const std::string path = "lang/default.lng";
        const Ref<IHierStorage> lang = ReadXml(path, "", "base language");
        if (!lang) return;
        TNames texts;
        std::vector<TNode> all;
        Walk(lang, lang->GetNodeName(), all);
        ReportLog(path);
        for (const TNode& n : all) {
            if (n.node->GetNodeName() == "string") texts.insert(n.node->GetValue("name", Variant("")).ToString());
        }
        for (const char* key : kProgramKeys) {
            if (!texts.count(key)) Problem(path, std::string("no text \"") + key + "\" (the program asks for it)");
        }
        static const std::regex keyPattern("%([A-Za-z0-9_]+)%");
        for (const TNode& n : nodes_) {
            if (n.macros) continue;
            std::map<std::string, std::string> values = Values(n.node);
            // An element's own text too ("#text"), when it holds no elements.
            bool leaf = true;
            const int32_t count = n.node->GetChildCount("");
            for (int32_t i = 0; i < count && leaf; ++i) {
                const Ref<IHierStorage> child = n.node->GetChild("", i);
                leaf = !child || child->GetNodeName().empty() || child->GetNodeName()[0] == '#';
            }
            if (leaf) values["#text"] = n.node->GetText().ToString();
            for (const auto& [name, value] : values) {
                for (auto it = std::sregex_iterator(value.begin(), value.end(), keyPattern);
                     it != std::sregex_iterator(); ++it) {
                    const std::string key = (*it)[1].str();
                    if (!texts.count(key)) Problem(At(n, name), "no text for \"%" + key + "%\" in " + path);
                }
            }
        }
    }

    // The folder is packed for the players: what the game would find through
    // a link that a pack cannot hold (one out of the folder, say) would be
    // missing from the pack, so it is reported as the pack refuses it.
    void CheckPackable() {
        try {
            for (const TUnpackableEntry& entry : UnpackableEntries(".")) {
                Problem(Slashes(entry.name),
                        "is " + entry.reason + ", which a pack of the data cannot hold");
            }
        } catch (const std::exception& e) {
            Problem(dataDir_, e.what());
        }
    }

    // A level is played on a board that lays it out by the grid definition
    // "ROWS_COLS" and makes its cells and clue digits with the factories
    // "cellROWS_COLS_K" (K each colour of the picture, 0 for empty) and
    // "digitROWS_COLS".
    void CheckLevels() {
        TNames grids, factories;
        for (const TNode& n : nodes_) {
            const std::string name = n.node->GetValue("name", Variant("")).ToString();
            if (n.node->GetNodeName() == "grid") grids.insert(name);
            if (n.node->GetNodeName() == "widgetfactory") factories.insert(name);
        }
        for (const TNode& n : nodes_) {
            if (n.node->GetNodeName() != "level" || n.path.find("/levels/") == std::string::npos) continue;
            const std::string file = Property(n.node, "filename");
            if (file.empty()) {
                Problem(At(n, ""), "names no level file");
                continue;
            }
            TNonogramPicture picture;
            std::string error;
            if (!OpenResource(file)) {
                Problem(At(n, "filename"), "the level file \"" + Slashes(file) + "\" does not exist");
            } else if (!LoadLevelPicture(file, picture, error)) {
                Problem(At(n, "filename"), "the level file \"" + Slashes(file) + "\" cannot be read: " + error);
            } else {
                const std::string size = std::to_string(picture.rows) + "_" + std::to_string(picture.cols);
                if (!grids.count(size)) {
                    Problem(At(n, "filename"), "no grid definition \"" + size + "\" for the level \"" +
                                                   Slashes(file) + "\"");
                }
                std::vector<std::string> needed{"digit" + size};
                for (const char colour : Colours(file)) needed.push_back("cell" + size + "_" + colour);
                for (const std::string& factory : needed) {
                    if (!factories.count(factory)) {
                        Problem(At(n, "filename"), "no widget factory \"" + factory + "\" for the level \"" +
                                                       Slashes(file) + "\"");
                    }
                }
            }
            // The reader logs its refusal, which is reported above.
            log_.clear();
        }
    }

    // The colours of a level file that has been read, as its hex digits
    // ('0' for an empty cell), each once, lower case.
    std::set<char> Colours(const std::string& file) {
        std::set<char> colours;
        const Ref<IHierStorage> level = ReadXml(file, "", "level file");
        const Ref<IHierStorage> rows = level ? level->FindChild("rows") : nullptr;
        const int32_t count = rows ? rows->GetChildCount("row") : 0;
        for (int32_t i = 0; i < count; ++i) {
            const Ref<IHierStorage> row = rows->GetChild("row", i);
            for (const char c : row ? row->GetValue("cells", Variant("")).ToString() : "") {
                colours.insert(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
            }
        }
        return colours;
    }

    std::string dataDir_;
    std::vector<std::string> log_;
    std::string definitionFile_;
    std::vector<TNode> nodes_;
    std::map<std::string, std::vector<std::string>> resourceLists_;
    std::vector<std::pair<std::string, TScenePicture>> scenePictures_;  // where named, what
    std::vector<std::pair<std::string, std::string>> wholeFiles_;  // where named, the file
    std::vector<TDataProblem> problems_;
};

}  // namespace

std::vector<TDataProblem> CheckGameData(const std::string& dataDir) {
    // Data paths are relative to the data folder, as in the game, which runs
    // there.
    const std::filesystem::path previousFolder = std::filesystem::current_path();
    std::error_code failed;
    std::filesystem::current_path(dataDir, failed);
    if (failed) return {{dataDir, "the data folder cannot be entered: " + failed.message()}};
    const std::string previousDir = GetResourcesDir();
    FreeResourceReader();
    ClearStorageCache();
    SetResourcesDir(std::filesystem::current_path().string());
    ApplyQuillmarchConfiguration();
    std::vector<TDataProblem> problems;
    TChecker checker(dataDir);
    TLogSink previous = SetLogSink([&checker](std::string_view module, std::string_view message) {
        checker.Logged(module, message);
    });
    try {
        problems = checker.Run();
    } catch (const std::exception& e) {
        problems.push_back({dataDir, std::string("the check stopped: ") + e.what()});
    }
    SetLogSink(std::move(previous));
    std::filesystem::current_path(previousFolder, failed);
    FreeResourceReader();
    ClearStorageCache();
    SetResourcesDir(previousDir);
    return problems;
}

std::string FormatDataProblem(const TDataProblem& problem) {
    return PrintableDataText(problem.where + ": " + problem.what);
}

std::string PrintableDataText(const std::string& text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            shown += escape;
        } else {
            shown += c;
        }
    }
    return shown;
}
