// leveltool: the game's levels made from readable sources.
//
//   leveltool SOURCE OUTPUT GENERATED SET...
//   leveltool --difficulty SOURCE SET...
//
// SOURCE is the folder of level sources (data/levels), OUTPUT the folder the
// level files go to (the built data's "data/levels"), GENERATED the folder of
// the parts the game definition includes (the data build's generated folder).
// Each SET is a folder below SOURCE, in the order the catalogues list them:
// "tutorial", a location ("japan"), or a location's bonus pictures
// ("bonus/japan").
//
// A set holds one picture per level, "<n>.txt" for n = 1, 2, ...: rows of
// '.' (empty) and '1' to '5' (a colour), all rows of one length; and its
// settings, "levels.xml":
//
//   <location name="japan">                  or  <bonus location="japan">
//                                            or  <tutorial>
//     <defaults errors="3" hints="3" cup_time="240" level_points="500" .../>
//     <level n="1" title="level_japan_lantern" cup_time="180" .../>
//   </location>
//
// Every level names its title ("title", a language key) and may override
// any default of its set; a location's levels take what neither gives from
// the defaults of their picture's size in SOURCE/defaults.xml
// ("<defaults_by_size><defaults size="10x10" .../>...</defaults_by_size>"). Settings that go into
// the level file: "errors", "hints", "cup_time"; into the catalogue entry: "level_points",
// "level_time_bonus", "level_hint_bonus", "level_mistake_bonus", "tip", "show_button_hint",
// "show_right_button_hint", "show_autocomplete_hint", "show_tutorial". A
// location's levels need all of the level file's settings and the four point
// values.
//
// A location's level whose levels.xml gives no "cup_time" (the expert time in
// seconds) gets its size's "cup_time" plus "cup_time_per_round" seconds for
// each round of line logic its clues need (nonogram/solver/LevelDifficulty.h),
// so that a hard picture gives more time than an easy one of its size.
//
// --difficulty makes nothing: it reads the sets as the build does and prints
// each level's difficulty (its rounds of line logic and the share of cells a
// blank board decides) and expert time.
//
// Made: OUTPUT/<set>/<n>.xml for every level, and in GENERATED/levels/
// "catalogue.xml" (the main menu's <level> entries: "<loc>_<n>" for each
// level, then "<loc>" naming the location's emblem, the picture the results
// show for the location: SOURCE/emblems/<loc>.txt, a location-sized picture
// that is none of its levels, so the results never give a solution away, made
// into OUTPUT/emblems/<loc>.xml),
// "bonus_catalogue.xml" ("bonus_<loc>_<n>" with "bonus_scene" = the
// location), "tutorial_catalogue.xml" ("1", "2", ...) and "params.xml" (a
// "lvlcnt_<loc>" game option per location).
//
// A picture is refused when its rows are ragged, it holds another
// character, its size is not one its kind of set uses (the tutorial 5x5, a
// location 10x10, 15x15 or 20x20, a bonus 10x10 or 15x15), it has no
// coloured cell, or its clues do not decide every cell line by line (the
// refusal shows the undecided cells as '?'). Any refusal prints a message
// on standard error and exits with 1 before anything is written; bad usage
// exits with 2.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/base/AsciiText.h"
#include "core/base/Exception.h"
#include "core/base/FileReplace.h"
#include "core/base/Units.h"
#include "core/storage/XMLStorage.h"
#include "nonogram/solver/LevelDifficulty.h"
#include "nonogram/solver/NonogramSolver.h"

namespace {

namespace fs = std::filesystem;

class ELevelToolError : public Exception {
public:
    using Exception::Exception;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ELevelToolError("cannot read \"" + path.string() + "\"");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw ELevelToolError("cannot read \"" + path.string() + "\"");
    return text.str();
}

// ---------------------------------------------------------------------------
// Settings

enum class TSetKind { kLocation, kBonus, kTutorial };

// Where a setting goes and what its value may be.
// kTool: read by the tool itself, written nowhere.
enum class TTarget { kLevelFile, kCatalogue, kTool };
enum class TValue { kWhole, kYesNo, kName };

struct TSettingRule {
    const char* name;
    TTarget target;
    TValue value;
    bool neededByLocations;
};

// In the order they are written.
const TSettingRule kSettings[] = {
    {"errors", TTarget::kLevelFile, TValue::kWhole, true},
    {"hints", TTarget::kLevelFile, TValue::kWhole, true},
    {"cup_time", TTarget::kLevelFile, TValue::kWhole, true},
    {"cup_time_per_round", TTarget::kTool, TValue::kWhole, false},
    {"level_points", TTarget::kCatalogue, TValue::kWhole, true},
    {"level_time_bonus", TTarget::kCatalogue, TValue::kWhole, true},
    {"level_hint_bonus", TTarget::kCatalogue, TValue::kWhole, true},
    {"level_mistake_bonus", TTarget::kCatalogue, TValue::kWhole, true},
    {"tip", TTarget::kCatalogue, TValue::kName, false},
    {"show_button_hint", TTarget::kCatalogue, TValue::kYesNo, false},
    {"show_right_button_hint", TTarget::kCatalogue, TValue::kYesNo, false},
    {"show_autocomplete_hint", TTarget::kCatalogue, TValue::kYesNo, false},
    {"show_tutorial", TTarget::kCatalogue, TValue::kName, false},
};

const TSettingRule* FindRule(const std::string& name) {
    for (const TSettingRule& rule : kSettings) {
        if (name == rule.name) return &rule;
    }
    return nullptr;
}

// Names, keys and words: letters, digits and '_', nothing that XML or the
// parameter strings ("\", "=", "%") would read otherwise.
bool IsName(const std::string& text) {
    if (text.empty()) return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
}

bool IsWhole(const std::string& text) {
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void CheckValue(const TSettingRule& rule, const std::string& value, const std::string& where) {
    const bool ok = rule.value == TValue::kWhole   ? IsWhole(value)
                    : rule.value == TValue::kYesNo ? value == "yes" || value == "no"
                                                   : IsName(value);
    if (ok) return;
    const char* wanted = rule.value == TValue::kWhole   ? "a whole number"
                         : rule.value == TValue::kYesNo ? "\"yes\" or \"no\""
                                                        : "a name of letters, digits and '_'";
    throw ELevelToolError(where + ": \"" + rule.name + "\" is \"" + value + "\", not " + wanted);
}

// The settings of one element: every attribute but those in `own` is a
// setting, checked against the rules.
std::map<std::string, std::string> ReadSettings(const Ref<IHierStorage>& node,
                                                const std::set<std::string>& own,
                                                const std::string& where) {
    std::map<std::string, std::string> settings;
    for (int32_t i = 0; i < node->GetValueCount(); ++i) {
        const std::string name = node->GetValueName(i);
        if (own.count(name)) continue;
        const TSettingRule* rule = FindRule(name);
        if (!rule) throw ELevelToolError(where + ": unknown setting \"" + name + "\"");
        const std::string value = std::string(Trim(node->GetValueAt(i, Variant("")).ToString()));
        CheckValue(*rule, value, where);
        settings[name] = value;
    }
    return settings;
}

struct TLevelSettings {
    int32_t number = 0;
    std::string title;
    std::map<std::string, std::string> settings;  // defaults with the level's own over them
};

struct TSetSettings {
    TSetKind kind = TSetKind::kLocation;
    std::string location;                // the location's name (locations and bonus sets)
    std::vector<TLevelSettings> levels;  // by number, from 1
};

TSetSettings ReadSetSettings(const fs::path& path, const std::string& set) {
    Ref<IHierStorage> root;
    try {
        root = LoadStorageFromXML(ReadFile(path));
    } catch (const ELevelToolError&) {
        throw;
    } catch (const std::exception& e) {
        throw ELevelToolError("\"" + path.string() + "\" is not well-formed: " + e.what());
    }
    const std::string where = set + "/levels.xml";
    TSetSettings result;
    const std::string kind = root->GetNodeName();
    std::set<std::string> rootAttributes;
    if (kind == "location") {
        result.kind = TSetKind::kLocation;
        result.location = root->GetValue("name", Variant("")).ToString();
        rootAttributes = {"name"};
        if (result.location != set) {
            throw ELevelToolError(where + ": the location's \"name\" must be its folder's, \"" +
                                  set + "\"");
        }
    } else if (kind == "bonus") {
        result.kind = TSetKind::kBonus;
        result.location = root->GetValue("location", Variant("")).ToString();
        rootAttributes = {"location"};
        if ("bonus/" + result.location != set) {
            throw ELevelToolError(where + ": the bonus pictures' \"location\" must be the one " +
                                  "their folder names (\"" + set + "\")");
        }
    } else if (kind == "tutorial") {
        result.kind = TSetKind::kTutorial;
        if (set != "tutorial")
            throw ELevelToolError(where + ": the tutorial's pictures are in \"tutorial\"");
    } else {
        throw ELevelToolError(where + ": the root element is \"location\", \"bonus\" or " +
                              "\"tutorial\", not \"" + kind + "\"");
    }
    if (result.kind != TSetKind::kTutorial && !IsName(result.location)) {
        throw ELevelToolError(where + ": the location \"" + result.location +
                              "\" is no name of letters, digits and '_'");
    }
    for (int32_t i = 0; i < root->GetValueCount(); ++i) {
        if (!rootAttributes.count(root->GetValueName(i))) {
            throw ELevelToolError(where + ": unknown attribute \"" + root->GetValueName(i) +
                                  "\" of <" + kind + ">");
        }
    }

    std::map<std::string, std::string> defaults;
    if (root->GetChildCount("defaults") > 1)
        throw ELevelToolError(where + ": more than one <defaults>");
    if (const Ref<IHierStorage> node = root->FindChild("defaults"))
        defaults = ReadSettings(node, {}, where + " <defaults>");

    std::map<int32_t, TLevelSettings> byNumber;
    for (int32_t i = 0; i < root->GetChildCount("level"); ++i) {
        const Ref<IHierStorage> node = root->GetChild("level", i);
        const std::string n = std::string(Trim(node->GetValue("n", Variant("")).ToString()));
        const std::string levelWhere = where + " <level n=\"" + n + "\">";
        if (!IsWhole(n) || std::stol(n) < 1)
            throw ELevelToolError(levelWhere + ": \"n\" is a level number from 1");
        TLevelSettings level;
        level.number = static_cast<int32_t>(std::stol(n));
        if (byNumber.count(level.number))
            throw ELevelToolError(levelWhere + ": level " + n + " is given twice");
        level.title = std::string(Trim(node->GetValue("title", Variant("")).ToString()));
        if (!IsName(level.title)) {
            throw ELevelToolError(levelWhere + ": \"title\" must be a language key of letters, " +
                                  "digits and '_'");
        }
        level.settings = defaults;
        for (const auto& [name, value] : ReadSettings(node, {"n", "title"}, levelWhere))
            level.settings[name] = value;
        byNumber[level.number] = std::move(level);
    }
    if (byNumber.empty()) throw ELevelToolError(where + ": no <level>");
    int32_t expected = 1;
    for (auto& [number, level] : byNumber) {
        if (number != expected) {
            throw ELevelToolError(where + ": the levels are numbered 1, 2, 3... without a gap; " +
                                  "level " + std::to_string(expected) + " is missing");
        }
        ++expected;
        result.levels.push_back(std::move(level));
    }
    return result;
}

// The settings every location's levels of one size share unless their set
// or the level says otherwise: SOURCE/defaults.xml, optional,
//   <defaults_by_size> <defaults size="10x10" errors="3" .../> ... </defaults_by_size>
using TSizeDefaults = std::map<std::string, std::map<std::string, std::string>>;

TSizeDefaults ReadSizeDefaults(const fs::path& path) {
    TSizeDefaults result;
    std::error_code error;
    if (!fs::exists(path, error)) return result;
    Ref<IHierStorage> root;
    try {
        root = LoadStorageFromXML(ReadFile(path));
    } catch (const ELevelToolError&) {
        throw;
    } catch (const std::exception& e) {
        throw ELevelToolError("\"" + path.string() + "\" is not well-formed: " + e.what());
    }
    if (root->GetNodeName() != "defaults_by_size")
        throw ELevelToolError("defaults.xml: the root element is \"defaults_by_size\"");
    for (int32_t i = 0; i < root->GetChildCount("defaults"); ++i) {
        const Ref<IHierStorage> node = root->GetChild("defaults", i);
        const std::string size = node->GetValue("size", Variant("")).ToString();
        const std::string where = "defaults.xml <defaults size=\"" + size + "\">";
        if (size.empty() || result.count(size))
            throw ELevelToolError(where + ": each size (\"10x10\") is given once");
        result[size] = ReadSettings(node, {"size"}, where);
    }
    return result;
}

// ---------------------------------------------------------------------------
// Pictures

struct TPicture {
    int32_t rows = 0;
    int32_t cols = 0;
    std::vector<std::string> cells;  // one per row: '0' empty, '1'..'5' a colour
};

// The sizes a kind of set uses: the boards and miniatures of the game's
// screens exist for these only.
bool SizeAllowed(TSetKind kind, int32_t rows, int32_t cols) {
    if (rows != cols) return false;
    switch (kind) {
        case TSetKind::kTutorial:
            return rows == 5;
        case TSetKind::kBonus:
            return rows == 10 || rows == 15;
        case TSetKind::kLocation:
            return rows == 10 || rows == 15 || rows == 20;
    }
    return false;
}

const char* SizesOf(TSetKind kind) {
    switch (kind) {
        case TSetKind::kTutorial:
            return "5x5";
        case TSetKind::kBonus:
            return "10x10 or 15x15";
        case TSetKind::kLocation:
            return "10x10, 15x15 or 20x20";
    }
    return "";
}

TPicture ReadPicture(const fs::path& path, const std::string& where, TSetKind kind) {
    std::string text = ReadFile(path);
    std::vector<std::string> lines;
    std::stringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    // Blank lines at the end are no rows.
    while (!lines.empty() && Trim(lines.back()).empty()) lines.pop_back();
    if (lines.empty()) throw ELevelToolError(where + ": the picture is empty");

    TPicture picture;
    picture.rows = static_cast<int32_t>(lines.size());
    picture.cols = static_cast<int32_t>(lines.front().size());
    bool coloured = false;
    for (size_t r = 0; r < lines.size(); ++r) {
        const std::string& row = lines[r];
        if (row.size() != lines.front().size()) {
            throw ELevelToolError(where + ": row " + std::to_string(r + 1) + " has " +
                                  std::to_string(row.size()) + " cells, row 1 has " +
                                  std::to_string(lines.front().size()) +
                                  " (the rows of a picture are all of one length)");
        }
        std::string cells;
        for (size_t c = 0; c < row.size(); ++c) {
            const char ch = row[c];
            if (ch == '.') {
                cells += '0';
            } else if (ch >= '1' && ch <= '5') {
                cells += ch;
                coloured = true;
            } else {
                const std::string shown =
                    ch >= 32 && ch < 127 ? std::string("'") + ch + "'"
                                         : "byte " + std::to_string(static_cast<unsigned char>(ch));
                throw ELevelToolError(where + ": row " + std::to_string(r + 1) + ", column " +
                                      std::to_string(c + 1) + ": " + shown +
                                      " is neither '.' (empty) nor a colour '1' to '5'");
            }
        }
        picture.cells.push_back(cells);
    }
    if (!SizeAllowed(kind, picture.rows, picture.cols)) {
        throw ELevelToolError(where + ": " + std::to_string(picture.cols) + "x" +
                              std::to_string(picture.rows) + " is no size of these pictures (" +
                              SizesOf(kind) + ")");
    }
    if (!coloured) throw ELevelToolError(where + ": the picture has no coloured cell");
    return picture;
}

TNonogramPicture Grid(const TPicture& picture) {
    TNonogramPicture grid;
    grid.rows = picture.rows;
    grid.cols = picture.cols;
    for (const std::string& row : picture.cells) {
        for (char c : row) grid.filled.push_back(c != '0' ? 1 : 0);
    }
    return grid;
}

// A picture a player cannot finish by reasoning alone is refused, with the
// cells the clues leave open marked.
void CheckSolvable(const TPicture& picture, const std::string& where) {
    const TNonogramPicture grid = Grid(picture);
    TNonogramSolver solver;
    const TSolveVerdict verdict = solver.Check(grid);
    if (verdict == TSolveVerdict::kLineSolvable) return;
    std::string message = where + ": " + VerdictName(verdict);
    if (verdict == TSolveVerdict::kNeedsGuessing) {
        message += ", " + std::to_string(solver.UnknownCells()) +
                   " cells stay undecided line by line (marked '?'):";
        for (int32_t r = 0; r < picture.rows; ++r) {
            message += "\n  ";
            for (int32_t c = 0; c < picture.cols; ++c) {
                const TCell cell = solver.Cells()[static_cast<size_t>(r * picture.cols + c)];
                const char drawn = picture.cells[r][c];
                message += cell == TCell::kUnknown ? '?' : drawn == '0' ? '.' : drawn;
            }
        }
    }
    throw ELevelToolError(message);
}

// ---------------------------------------------------------------------------
// Output

struct TOutputs {
    std::vector<std::pair<fs::path, std::string>> files;
    std::string catalogue, bonusCatalogue, tutorialCatalogue, params;
    std::string difficulty;  // the report of --difficulty
};

// One line of the difficulty report.
std::string DifficultyLine(const std::string& where, const std::string& title,
                           const TPicture& picture, const TLevelDifficulty& difficulty,
                           const std::string& cupTime) {
    char line[160];
    std::snprintf(line, sizeof line, "%-20s %-32s %2dx%-2d  depth %2d  blank %3d%%", where.c_str(),
                  title.c_str(), picture.cols, picture.rows, difficulty.depth,
                  static_cast<int>(difficulty.blankShare * 100.0 + 0.5));
    std::string text = line;
    if (!cupTime.empty()) text += "  cup_time " + cupTime;
    return text + "\n";
}

std::string Param(const std::string& name, const std::string& value) {
    return "<param name=\"" + name + "\" value=\"" + value + "\"/>";
}

std::string LevelFile(const TLevelSettings& level, const TPicture& picture,
                      const std::string& source) {
    std::string extra =
        "rows=" + std::to_string(picture.rows) + "\\cols=" + std::to_string(picture.cols);
    for (const TSettingRule& rule : kSettings) {
        const auto it = level.settings.find(rule.name);
        if (rule.target == TTarget::kLevelFile && it != level.settings.end())
            extra += "\\" + std::string(rule.name) + "=" + it->second;
    }
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<!-- Made by the data build from " + source + " and its levels.xml. -->\n";
    xml += "<level name=\"" + std::to_string(level.number) + "\" LevelName=\"%" + level.title +
           "%\" extraparams=\"" + extra + "\">\n  <rows>\n";
    for (int32_t r = 0; r < picture.rows; ++r) {
        xml +=
            "    <row name=\"r" + std::to_string(r) + "\" cells=\"" + picture.cells[r] + "\"/>\n";
    }
    xml += "  </rows>\n</level>\n";
    return xml;
}

std::string CatalogueEntry(const std::string& key, const std::vector<std::string>& params) {
    std::string xml = "<level level=\"" + key + "\"><properties>\n";
    for (const std::string& param : params) xml += "  " + param + "\n";
    xml += "</properties></level>\n";
    return xml;
}

void MakeSet(const fs::path& source, const std::string& set, const TSizeDefaults& sizeDefaults,
             TOutputs& out) {
    const fs::path folder = source / set;
    const TSetSettings settings = ReadSetSettings(folder / "levels.xml", set);

    // Every picture has its settings and every level its picture.
    std::set<std::string> pictures;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".txt") pictures.insert(entry.path().filename().string());
    }
    if (error) throw ELevelToolError("cannot list \"" + folder.string() + "\": " + error.message());
    for (const TLevelSettings& level : settings.levels) {
        if (!pictures.erase(std::to_string(level.number) + ".txt")) {
            throw ELevelToolError(set + "/levels.xml: level " + std::to_string(level.number) +
                                  " has no picture " + set + "/" + std::to_string(level.number) +
                                  ".txt");
        }
    }
    if (!pictures.empty()) {
        throw ELevelToolError(set + "/" + *pictures.begin() + ": a picture without a <level> in " +
                              set + "/levels.xml");
    }

    for (TLevelSettings level : settings.levels) {
        const std::string name = std::to_string(level.number);
        const std::string where = set + "/" + name + ".txt";
        const TPicture picture = ReadPicture(folder / (name + ".txt"), where, settings.kind);
        CheckSolvable(picture, where);
        const TLevelDifficulty difficulty = MeasureDifficulty(Grid(picture));
        if (settings.kind == TSetKind::kLocation) {
            const bool ownCupTime = level.settings.count("cup_time") != 0;
            const auto shared = sizeDefaults.find(std::to_string(picture.cols) + "x" +
                                                  std::to_string(picture.rows));
            if (shared != sizeDefaults.end())
                level.settings.insert(shared->second.begin(), shared->second.end());
            for (const TSettingRule& rule : kSettings) {
                if (rule.neededByLocations && !level.settings.count(rule.name)) {
                    throw ELevelToolError(set + "/levels.xml <level n=\"" + name + "\">: no \"" +
                                          rule.name + "\", neither its own nor a default");
                }
            }
            // Without an expert time of its own, a level gets its size's time
            // plus some seconds for each round of reasoning its clues need.
            const auto perRound = level.settings.find("cup_time_per_round");
            if (!ownCupTime && perRound != level.settings.end()) {
                level.settings["cup_time"] = std::to_string(
                    std::stol(level.settings["cup_time"]) +
                    std::stol(perRound->second) * static_cast<long>(difficulty.depth));
            }
        }
        const auto cupTime = level.settings.find("cup_time");
        out.difficulty += DifficultyLine(where, level.title, picture, difficulty,
                                         cupTime != level.settings.end() ? cupTime->second : "");
        out.files.emplace_back(fs::path(set) / (name + ".xml"), LevelFile(level, picture, where));

        const std::string filename = "data/levels/" + set + "/" + name + ".xml";
        std::vector<std::string> params = {Param("filename", filename),
                                           Param("DisplayName", "%" + level.title + "%")};
        switch (settings.kind) {
            case TSetKind::kLocation:
                params.push_back(Param("level_type", "nonogram"));
                for (const TSettingRule& rule : kSettings) {
                    const auto it = level.settings.find(rule.name);
                    if (rule.target == TTarget::kCatalogue && it != level.settings.end())
                        params.push_back(Param(rule.name, it->second));
                }
                out.catalogue += CatalogueEntry(settings.location + "_" + name, params);
                break;
            case TSetKind::kBonus:
                params.push_back(Param("level_type", "bonus"));
                params.push_back(Param("bonus_scene", settings.location));
                out.bonusCatalogue +=
                    CatalogueEntry("bonus_" + settings.location + "_" + name, params);
                break;
            case TSetKind::kTutorial:
                params.push_back(Param("level_type", "tutorial"));
                out.tutorialCatalogue += CatalogueEntry(name, params);
                break;
        }
    }
    if (settings.kind == TSetKind::kLocation) {
        // The result screen's miniature is the picture of the entry named
        // like the location: the location's emblem, never one of its levels,
        // whose solution it would give away.
        const std::string emblem = "emblems/" + settings.location;
        const std::string where = emblem + ".txt";
        const TPicture picture = ReadPicture(source / where, where, settings.kind);
        // Every level file the game reads is one a player could solve.
        CheckSolvable(picture, where);
        for (const TLevelSettings& level : settings.levels) {
            const std::string name = std::to_string(level.number);
            if (ReadPicture(folder / (name + ".txt"), set, settings.kind).cells == picture.cells)
                throw ELevelToolError(where + ": the emblem is level " + name + "'s picture");
        }
        TLevelSettings shown;
        shown.title = settings.location;
        out.files.emplace_back(fs::path(emblem + ".xml"), LevelFile(shown, picture, where));
        out.catalogue += CatalogueEntry(
            settings.location, {Param("filename", "data/levels/" + emblem + ".xml"),
                                Param("level_type", "location")});
        out.params +=
            Param("lvlcnt_" + settings.location, std::to_string(settings.levels.size())) + "\n";
    }
}

std::string Part(const std::string& what, const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- " + what +
           ", made by the data build (tools/leveltool) from data/levels. -->\n" + body;
}

void Write(const fs::path& path, const std::string& bytes) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
        throw ELevelToolError("cannot make \"" + path.parent_path().string() +
                              "\": " + error.message());
    }
    ReplaceFileContents(path.string(), bytes);
}

TOutputs MakeSets(const fs::path& source, const std::vector<std::string>& sets) {
    TOutputs out;
    const TSizeDefaults sizeDefaults = ReadSizeDefaults(source / "defaults.xml");
    std::set<std::string> seen;
    for (const std::string& set : sets) {
        if (!seen.insert(set).second)
            throw ELevelToolError("the set \"" + set + "\" is given twice");
        MakeSet(source, set, sizeDefaults, out);
    }
    return out;
}

int Report(const std::vector<std::string>& args) {
    const TOutputs out = MakeSets(args[0], {args.begin() + 1, args.end()});
    std::fputs(out.difficulty.c_str(), stdout);
    return 0;
}

int Run(const std::vector<std::string>& args) {
    const fs::path source = args[0], output = args[1], generated = fs::path(args[2]) / "levels";
    const TOutputs out = MakeSets(source, {args.begin() + 3, args.end()});
    // Nothing is written unless every set was made.
    for (const auto& [path, bytes] : out.files) Write(output / path, bytes);
    Write(generated / "catalogue.xml", Part("The main menu's level catalogue", out.catalogue));
    Write(generated / "bonus_catalogue.xml",
          Part("The bonus selection's catalogue of bonus pictures", out.bonusCatalogue));
    Write(generated / "tutorial_catalogue.xml",
          Part("The tutorial's catalogue of its pictures", out.tutorialCatalogue));
    Write(generated / "params.xml", Part("The number of levels of each location", out.params));
    return 0;
}

}  // namespace

const TUnit kToolUnits[] = {kXMLStorageUnit};

int main(int argc, char** argv) {
    const bool report = argc > 1 && std::string(argv[1]) == "--difficulty";
    if (report ? argc < 4 : argc < 5) {
        std::fprintf(stderr,
                     "usage: leveltool SOURCE OUTPUT GENERATED SET...\n"
                     "       leveltool --difficulty SOURCE SET...\n");
        return 2;
    }
    try {
        TUnitRunner units({kToolUnits});
        if (report) return Report(std::vector<std::string>(argv + 2, argv + argc));
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "leveltool: %s\n", e.what());
        return 1;
    }
}
