// The game definition's sources agree with the rest of the data: every
// class it names is registered, every resource a widget or sound names is in
// a resource list the definition loads (or, for a location's pictures, in
// the scene's item store and built), every "%key%" has a text in the base
// language, every screen the standard screens and the buttons open by name is
// there, and every level of the main menu's catalogue can be played.
// (tests/app plays the built definition end to end.)
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "core/object/GeneralClasses.h"
#include "tests/support/TempDir.h"

namespace {

// The XML sources with their parts put in, as the data build assembled them.
const std::string kSources = QM_DATA_ASSEMBLED_DIR;

std::string Source(const std::string& name) {
    const std::string text = ReadFileBytes(kSources + "/" + name);
    EXPECT_FALSE(text.empty()) << name;
    return text;
}

// Every first group of pattern's matches in text.
std::set<std::string> Matches(const std::string& text, const std::string& pattern) {
    std::set<std::string> found;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
         ++it) {
        found.insert((*it)[1].str());
    }
    return found;
}

// The definition without its comments, which may quote keys as examples.
std::string Definition() {
    return std::regex_replace(Source("ini/Quillmarch.xml"), std::regex("<!--[\\s\\S]*?-->"), "");
}

// The definition without its factories' templates, which write their
// creation parameters as "%name%".
std::string DefinitionWithoutTemplates() {
    return std::regex_replace(Definition(), std::regex("<widgetstring>[\\s\\S]*?</widgetstring>"),
                              "");
}

TEST(GameDefinition, EveryTypeItNamesIsARegisteredClass) {
    const std::set<std::string> types = Matches(Definition(), R"(\btype="([^"]+)\")");
    EXPECT_TRUE(types.count("Game"));
    EXPECT_TRUE(types.count("GameScreenUserProfiles"));
    for (const std::string& type : types) {
        EXPECT_TRUE(FindRegisteredClass(type)) << "\"" << type << "\" is not registered";
    }
}

TEST(GameDefinition, EveryResourceItNamesIsInItsResourceLists) {
    const std::string definition = Definition();
    const std::set<std::string> lists =
        Matches(definition, R"(filename="data\\resources\\([a-z_]+)\.xml\")");
    // Each area of the data has its own list beside the two the menus share.
    EXPECT_TRUE(lists.count("base") && lists.count("startup"));
    std::set<std::string> resources;
    for (const std::string& list : lists) {
        const std::set<std::string> names =
            Matches(Source("resources/" + list + ".xml"), R"(<resource name="([^"]+)\")");
        for (const std::string& name : names) {
            EXPECT_TRUE(resources.insert(name).second) << name << " is in two lists";
        }
    }
    // A location's pictures are loaded from the scene's item store when the
    // location is shown: each is a file of the built data.
    const std::regex pictures(R"re(<item name="resources">([\s\S]*?)</item>)re");
    for (auto it = std::sregex_iterator(definition.begin(), definition.end(), pictures);
         it != std::sregex_iterator(); ++it) {
        const std::string list = (*it)[1].str();
        const std::regex param(R"re(<param name="([^"]+)" value="([^"=]+)"/>)re");
        for (auto p = std::sregex_iterator(list.begin(), list.end(), param);
             p != std::sregex_iterator(); ++p) {
            EXPECT_TRUE(resources.insert((*p)[1].str()).second) << (*p)[1] << " is named twice";
            std::string file = (*p)[2].str();
            std::replace(file.begin(), file.end(), '\\', '/');
            EXPECT_TRUE(std::filesystem::is_regular_file(std::string(QM_BUILT_FILES_DIR) + "/" + file))
                << file;
        }
    }
    std::set<std::string> used = Matches(DefinitionWithoutTemplates(), R"(resourcename="([^"]+)\")");
    // A template's pictures, apart from those it is given when it is made.
    for (const std::string& name : Matches(definition, R"(resourcename="([^"%]+)\")")) used.insert(name);
    EXPECT_GT(used.size(), 10u);
    for (const std::string& name : used) {
        EXPECT_TRUE(resources.count(name)) << "no resource \"" << name << "\"";
    }
}

TEST(GameDefinition, EveryKeyItShowsHasATextInTheBaseLanguage) {
    const std::set<std::string> strings =
        Matches(Source("lang/default.lng"), R"(<string name="([^"]+)\")");
    // A factory's template writes its creation parameters as "%name%" too.
    const std::string shown = DefinitionWithoutTemplates();
    const std::set<std::string> keys = Matches(shown, R"(%([A-Za-z0-9_]+)%)");
    EXPECT_GT(keys.size(), 20u);
    for (const std::string& key : keys) {
        EXPECT_TRUE(strings.count(key)) << "no text for \"%" << key << "%\"";
    }
    // The keys the program asks for itself.
    for (const char* key : {"CreateNewUser", "thousand_separator"}) {
        EXPECT_TRUE(strings.count(key)) << key;
    }
}

TEST(GameDefinition, HoldsTheScreensTheShellOpensByName) {
    const std::set<std::string> screens =
        Matches(Definition(), R"(<gamescreen name="([^"]+)\")");
    for (const char* name :
         {"GS_Logo", "GS_Splash", "GS_Main", "GS_Quit", "GS_Options", "GS_HighScores",
          "GS_UserProfiles", "GS_NewUser", "GS_QueryDeleteProfile", "GS_TooManyProfiles",
          "GS_QueryNotUniqueName", "GS_SubmitScore", "GS_SubmitError",
          // The level screen and the screens it opens.
          "GS_GameNonogram", "GS_StatNonogramWithTips", "GS_FailedNonogram", "GS_MiniMenu"}) {
        EXPECT_TRUE(screens.count(name)) << name;
    }
    // The game's own four, each a screen of the definition.
    for (const char* key : {"splashlogosgs", "splashgs", "closequerygs", "maings"}) {
        const std::set<std::string> named = Matches(Definition(), std::string("\\b") + key + "=\"([^\"]+)\"");
        ASSERT_EQ(named.size(), 1u) << key;
        EXPECT_TRUE(screens.count(*named.begin())) << key;
    }
}

TEST(GameDefinition, EveryScreenAButtonShowsIsThere) {
    const std::string definition = Definition();
    const std::set<std::string> screens = Matches(definition, R"(<gamescreen name="([^"]+)\")");
    const std::set<std::string> shown = Matches(definition, R"(\bgamescreenname="([^"]+)\")");
    EXPECT_TRUE(shown.count("GS_Options"));
    EXPECT_TRUE(shown.count("GS_Trophy"));
    for (const std::string& name : shown) EXPECT_TRUE(screens.count(name)) << name;
}

// The value of key in a "a=1\b=2" parameter string; empty when absent.
std::string ParamOf(const std::string& params, const std::string& key) {
    const std::set<std::string> found =
        Matches("\\" + params + "\\", "\\\\" + key + "=([^\\\\]*)(?=\\\\)");
    return found.size() == 1 ? *found.begin() : std::string();
}

// Every level of the main menu's catalogue is a level of the data, and the
// level screen has a grid and the cell and digit factories of its size (a
// board without them refuses the level).
TEST(GameDefinition, EveryCataloguedLevelFitsTheBoard) {
    const std::string definition = Definition();
    std::map<std::string, std::string> catalogue;  // key -> file
    const std::regex entry(
        R"re(<level level="([^"]+)"><properties>\s*<param name="filename" value="([^"]+)"/>)re");
    for (auto it = std::sregex_iterator(definition.begin(), definition.end(), entry);
         it != std::sregex_iterator(); ++it) {
        EXPECT_TRUE(catalogue.emplace((*it)[1].str(), (*it)[2].str()).second) << (*it)[1];
    }
    ASSERT_GE(catalogue.size(), 2u);
    const std::set<std::string> grids = Matches(definition, R"(<grid name="([^"]+)\")");
    const std::set<std::string> factories =
        Matches(definition, R"(<widgetfactory name="([^"]+)\")");
    for (const auto& [key, file] : catalogue) {
        SCOPED_TRACE(key);
        // Made from levels/ into the data folder's data/levels/.
        ASSERT_EQ(file.rfind("data/levels/", 0), 0u) << file;
        const std::string level = ReadFileBytes(std::string(QM_BUILT_LEVELS_DIR) + "/" +
                                                file.substr(std::string("data/levels/").size()));
        ASSERT_FALSE(level.empty()) << file;
        const std::set<std::string> extra = Matches(level, R"(extraparams="([^"]+)\")");
        ASSERT_EQ(extra.size(), 1u);
        const std::string size = ParamOf(*extra.begin(), "rows") + "_" + ParamOf(*extra.begin(), "cols");
        EXPECT_TRUE(grids.count(size)) << size;
        EXPECT_TRUE(factories.count("digit" + size)) << size;
        for (const std::string& cells : Matches(level, R"(cells="([^"]+)\")")) {
            for (const char code : cells) {
                EXPECT_TRUE(factories.count("cell" + size + "_" + std::string(1, code)))
                    << size << " colour " << code;
            }
        }
    }
}

// Every name in every resource list the definition loads.
std::set<std::string> ResourceNames(const std::string& definition) {
    std::set<std::string> names;
    for (const std::string& list :
         Matches(definition, R"(filename="data\\resources\\([a-z_]+)\.xml\")")) {
        const std::set<std::string> more =
            Matches(Source("resources/" + list + ".xml"), R"(<resource name="([^"]+)\")");
        names.insert(more.begin(), more.end());
    }
    return names;
}

// Each location's big mosaic names a picture and its board in the resource
// lists, and a grid that the picture can be cut into; each bonus level's
// background is a resource; each bonus picture is a level of the data that
// the bonus board has a grid and factories for, and belongs to a level.
TEST(GameDefinition, TheMiniGamesPicturesAndBoardsAreThere) {
    const std::string definition = Definition();
    const std::set<std::string> resources = ResourceNames(definition);
    const std::regex mosaic(R"re(<param name="mosaic_level_params([a-z]+)" value="([^"]+)"/>)re");
    int mosaics = 0;
    for (auto it = std::sregex_iterator(definition.begin(), definition.end(), mosaic);
         it != std::sregex_iterator(); ++it, ++mosaics) {
        SCOPED_TRACE((*it)[1].str());
        const std::string params = (*it)[2].str().substr(1);
        const std::string picture = ParamOf(params, "resourcename");
        EXPECT_TRUE(resources.count(picture)) << picture;
        EXPECT_TRUE(resources.count(picture + "Mat")) << picture;
        const int cells = std::stoi(ParamOf(params, "rows")) * std::stoi(ParamOf(params, "cols"));
        EXPECT_TRUE(cells >= 2 && cells <= 64) << cells;
    }
    EXPECT_EQ(mosaics, 7);

    const std::set<std::string> backgrounds = Matches(definition, R"(extraparams="[^"]*\\bg_image=([^\\"]+))");
    EXPECT_EQ(backgrounds.size(), 7u);
    for (const std::string& name : backgrounds) EXPECT_TRUE(resources.count(name)) << name;

    const std::set<std::string> grids = Matches(definition, R"(<grid name="([^"]+)\")");
    const std::set<std::string> factories =
        Matches(definition, R"(<widgetfactory name="([^"]+)\")");
    // Each catalogue entry that names the bonus level it belongs to.
    const std::regex entry(R"re(<level level="[^"]+">[\s\S]*?</level>)re");
    std::map<std::string, int> perLevel;
    for (auto it = std::sregex_iterator(definition.begin(), definition.end(), entry);
         it != std::sregex_iterator(); ++it) {
        const std::string text = it->str();
        const std::set<std::string> scene =
            Matches(text, R"re(<param name="bonus_scene" value="([^"]+)")re");
        if (scene.empty()) continue;
        const std::set<std::string> file =
            Matches(text, R"re(<param name="filename" value="data/([^"]+)")re");
        ASSERT_EQ(file.size(), 1u) << text;
        SCOPED_TRACE(*file.begin());
        ++perLevel[*scene.begin()];
        // Level files are made by the data build from their pictures.
        const std::string level =
            ReadFileBytes(std::string(QM_BUILT_LEVELS_DIR) + "/" + file.begin()->substr(std::string("levels/").size()));
        const std::set<std::string> extra = Matches(level, R"(extraparams="([^"]+)\")");
        ASSERT_EQ(extra.size(), 1u);
        const std::string size =
            ParamOf(*extra.begin(), "rows") + "_" + ParamOf(*extra.begin(), "cols");
        EXPECT_TRUE(grids.count(size)) << size;
        for (const char* kind : {"digit", "breaking_cell", "appearance_cell"}) {
            EXPECT_TRUE(factories.count(kind + size)) << kind << size;
        }
        for (const std::string& cells : Matches(level, R"(cells="([^"]+)\")")) {
            for (const char code : cells) {
                EXPECT_TRUE(factories.count("cell" + size + "_" + std::string(1, code)))
                    << size << " colour " << code;
            }
        }
    }
    // A level draws its rounds without repeating a picture.
    const std::set<std::string> rounds = Matches(definition, R"(\\rounds=([0-9]+))");
    ASSERT_EQ(rounds.size(), 1u);
    EXPECT_EQ(perLevel.size(), 7u);
    for (const auto& [level, count] : perLevel) {
        EXPECT_GE(count, std::stoi(*rounds.begin())) << level;
    }
}

// The program drives every particle effect with the function system's
// commands and properties ("surface", "init_creation_count", command 2):
// each one in the screens is that system and has a picture to draw its
// particles with.
TEST(GameDefinition, EveryParticleSystemIsAFunctionSystemWithAPicture) {
    const std::string definition = Definition();
    const std::regex system(R"re(<widget type="([a-z_]*particle_system)" name="([^"]+)"[^>]*>\s*<widgets>\s*<widget type="([a-z_]+)")re");
    int systems = 0;
    for (auto it = std::sregex_iterator(definition.begin(), definition.end(), system);
         it != std::sregex_iterator(); ++it, ++systems) {
        SCOPED_TRACE((*it)[2].str());
        EXPECT_EQ((*it)[1].str(), "function_particle_system");
        EXPECT_EQ((*it)[3].str(), "image_widget");
    }
    // Every system of the screens is one the pattern above reads.
    const std::regex any(R"(particle_system")");
    EXPECT_EQ(systems, std::distance(std::sregex_iterator(definition.begin(), definition.end(), any),
                                     std::sregex_iterator()));
    EXPECT_GE(systems, 5);
}

}  // namespace

// Every board size the definition lays out has all that a level of that size
// needs: the cells of every colour code, the clue digit, the breaking and
// appearing cells, and the results' miniature; and a tutorial screen's board
// has its own cells beside them.
TEST(GameDefinition, EveryGridSizeHasItsBoardAndMiniatureFactories) {
    const std::string definition = Definition();
    const std::set<std::string> grids = Matches(definition, R"(<grid name="([^"]+)\")");
    const std::set<std::string> factories =
        Matches(definition, R"(<widgetfactory name="([^"]+)\")");
    EXPECT_TRUE(grids.count("20_20"));
    for (const std::string& size : grids) {
        SCOPED_TRACE(size);
        for (int code = 0; code <= 5; ++code) {
            EXPECT_TRUE(factories.count("cell" + size + "_" + std::to_string(code))) << code;
        }
        for (const char* prefix :
             {"digit", "breaking_cell", "appearance_cell", "grid_frame_", "grid_cell_black_"}) {
            EXPECT_TRUE(factories.count(prefix + size)) << prefix;
        }
        for (int code = 1; code <= 5; ++code) {
            EXPECT_TRUE(factories.count("grid_cell_" + size + "_" + std::to_string(code))) << code;
        }
    }
    if (definition.find("\"QuillmarchControlTutorial\"") != std::string::npos) {
        EXPECT_TRUE(factories.count("cell5_5"));
    }
    // The pointers the board and the tools ask for.
    const std::set<std::string> cursors = Matches(definition, R"(<cursor name="([^"]+)\")");
    for (const char* cursor : {"default", "arrow", "hammer", "hint"}) EXPECT_TRUE(cursors.count(cursor)) << cursor;
}
