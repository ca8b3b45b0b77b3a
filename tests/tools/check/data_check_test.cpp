// The data checker over a small data folder, whole and then broken one way at
// a time: each missing or broken thing is reported once, with where it was
// referenced; sgdtool's check-data says so and exits non-zero.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/packs/Cipher.h"
#include "engine/EngineStartup.h"
#include "game/GameConfig.h"
#include "tests/support/TempDir.h"
#include "tools/check/DataCheck.h"

namespace {

namespace fs = std::filesystem;

const char* const kShellScreens[] = {
    "GS_Logo",    "GS_Splash",       "GS_Quit",
    "GS_Options", "GS_HighScores",   "GS_UserProfiles", "GS_NewUser",
    "GS_QueryDeleteProfile", "GS_TooManyProfiles", "GS_QueryNotUniqueName",
    "GS_SubmitScore", "GS_SubmitError"};

// A whole game in a few lines: every screen the shell opens, a cursor, one
// resource list of a picture of each format, a location's picture in a
// scene's item store, a font, a sound and a music
// (their files copied from the built data), a text, a level, and the grid and factories
// of its size (their templates fill in "%name%" and "%text%" themselves).
// Names are found ignoring case, as the game finds them.
struct TSmallData {
    std::string definition;
    std::string list;
    std::string language;
    std::string level;
    std::map<std::string, std::string> files;  // the resources' files, by path

    TSmallData() {
        std::string screens;
        for (const char* name : kShellScreens) {
            screens += std::string("    <gamescreen name=\"") + name + "\" type=\"GameScreen\"/>\n";
        }
        definition = R"(<game name="Small" type="Game" splashlogosgs="GS_Logo" splashgs="GS_Splash"
      closequerygs="GS_Quit" maings="GS_MainMenu">
  <cursors default_cursor_name="Arrow">
    <cursor name="arrow"><widget type="image_widget" name="pointer" resourcename="PIC"/></cursor>
  </cursors>
  <resourcefiles>
    <resourcefile name="base" filename="data\resources\base.xml" loadmode="synch"/>
  </resourcefiles>
  <gamescreens>
    <gamescreen name="GS_MainMenu" type="GameScreen"/>
)" + screens + R"(    <gamescreen name="GS_Board" type="GameScreen" cursor_name="arrow">
      <levels>
        <level level="1"><properties><param name="filename" value="data\levels\one.xml"/></properties></level>
      </levels>
      <window><widgets>
        <widget type="text_widget" name="title" text="%hello%" resourcename="pic"/>
        <widget type="image_widget" name="scene" resourcename="Scene_Pic"/>
        <widget type="ButtonControl" name="button_back" target="GS_MainMenu" gamescreenname="GS_Board"/>
        <widget type="group_widget" name="board"><grids><grid name="2_3"/></grids>
          <widgetfactories>
            <widgetfactory name="cell2_3_0" type="WidgetFactory"><widgetstring>
              <widget type="rect_widget" name="cell%name%"/></widgetstring></widgetfactory>
            <widgetfactory name="cell2_3_1" type="WidgetFactory"><widgetstring>
              <widget type="rect_widget" name="cell%name%"/></widgetstring></widgetfactory>
            <widgetfactory name="digit2_3" type="WidgetFactory"><widgetstring>
              <widget type="text_widget" name="digit%name%" text="%text%" resourcename="pic"/></widgetstring></widgetfactory>
            <widgetfactory name="banner" type="WidgetFactory" usemacros="no"><widgetstring>
              <widget type="text_widget" name="banner" text="%hello%" resourcename="pic"/></widgetstring></widgetfactory>
          </widgetfactories>
        </widget>
      </widgets></window>
      <magic_items><group name="loc"><item_type name="components"><item name="resources">
        <param name="scene_pic" value="data\images\scene.png"/>
      </item></item_type></group></magic_items>
    </gamescreen>
  </gamescreens>
</game>
)";
        list = R"(<resources><content>
  <resource name="pic" type="ImageResource" format="png" file="data\images\pic.png"/>
  <resource name="photo" type="ImageResource" format="jpeg" file="data\images\photo.jpg"/>
  <resource name="font" type="FontResource" format="png" file="data\fonts\font.png"
            _outstorage="\file=data/fonts/font.xml"/>
  <resource name="click" type="SoundResource" file="data\sounds\click.wav"/>
  <resource name="tune" type="MusicResource" format="ogg" file="data\music\tune.ogg"/>
  <resource name="song" type="MusicResource" format="mo3" file="data\music\song.mod"/>
</content></resources>
)";
        const std::string built = std::string(QM_BUILT_DATA_DIR) + "/data/";
        const std::pair<const char*, const char*> copies[] = {
            {"images/pic.png", "images/caret.png"},  {"images/photo.jpg", "images/background.jpg"},
            {"images/scene.png", "images/caret.png"},
            {"fonts/font.png", "fonts/small.png"},   {"fonts/font.xml", "fonts/small.xml"},
            {"sounds/click.wav", "sounds/click.wav"}, {"music/tune.ogg", "music/menu.ogg"}};
        for (const auto& [file, from] : copies) {
            files[std::string("data/") + file] = ReadFileBytes(built + from);
        }
        files["data/music/song.mod"] = ReadFileBytes(built + "music/game.mod");
        files["highscores.dat"] = ReadFileBytes(std::string(QM_BUILT_DATA_DIR) + "/highscores.dat");
        language = R"(<language id="" name="English"><strings>
  <string name="thousand_separator">,</string>
  <string name="CreateNewUser">New</string>
  <string name="hello">Hello</string>
</strings></language>
)";
        level = R"(<level name="1" LevelName="One" extraparams="rows=2\cols=3">
  <rows><row name="r0" cells="101"/><row name="r1" cells="010"/></rows>
</level>
)";
    }

    void Replace(std::string& text, const std::string& from, const std::string& to) {
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    }
    void Edit(const std::string& from, const std::string& to) { Replace(definition, from, to); }

    // The folder as the data build makes it: definition and resource list
    // enciphered with the game's key.
    void WriteTo(const TTempDir& folder) const {
        ApplyQuillmarchConfiguration();
        TCipher_Xtea cipher(GetDataFileKey());
        folder.Write("data/ini/Quillmarch.ini", cipher.CodeString(definition, paEncode, kFormatHex) + "\n");
        folder.Write("data/resources/base.xml", cipher.CodeString(list, paEncode, kFormatHex) + "\n");
        folder.Write("lang/default.lng", language);
        folder.Write("data/levels/one.xml", level);
        for (const auto& [file, bytes] : files) folder.Write(file, bytes);
        ResetGameShellConfiguration();
        SetDataFileKey("");
    }
};

struct TToolResult {
    int status = -1;
    std::string output;  // standard output and standard error together
};

TToolResult RunCheckData(const std::string& folder, const std::string& tool = QM_SGDTOOL) {
    TToolResult result;
    const std::string command = "'" + tool + "' check-data '" + folder + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return result;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) result.output.append(chunk, n);
    const int status = ::pclose(pipe);
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

std::vector<std::string> Check(const TSmallData& data) {
    TTempDir folder{"datacheck"};
    data.WriteTo(folder);
    std::vector<std::string> lines;
    for (const TDataProblem& problem : CheckGameData(folder.Path().string())) {
        lines.push_back(FormatDataProblem(problem));
    }
    ResetGameShellConfiguration();
    SetDataFileKey("");
    return lines;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

TEST(DataCheck, TheWholeSmallGamePasses) {
    const std::vector<std::string> problems = Check(TSmallData());
    EXPECT_TRUE(problems.empty()) << Lines(problems);
}

// The main screen is whichever "maings" names; no name is required of it.
TEST(DataCheck, TheMainScreenMayHaveAnyName) {
    TSmallData data;
    data.Edit("<gamescreen name=\"GS_MainMenu\"", "<gamescreen name=\"GS_Main\"");
    data.Edit("maings=\"GS_MainMenu\"", "maings=\"GS_Main\"");
    data.Edit("target=\"GS_MainMenu\"", "target=\"GS_Main\"");
    const std::vector<std::string> problems = Check(data);
    EXPECT_TRUE(problems.empty()) << Lines(problems);
}

struct TBrokenCase {
    const char* name;
    std::function<void(TSmallData&)> breakIt;
    const char* line;  // the one line reported
    bool more = false;  // the engine's own line may follow
};

const std::string kDef = "data/ini/Quillmarch.ini: ";
const std::string kBoard = kDef + "game/gamescreens/gamescreen[GS_Board]";

const TBrokenCase kBroken[] = {
    {"UnregisteredClass",
     [](TSmallData& d) { d.Edit("type=\"text_widget\"", "type=\"texte_widget\""); },
     "game/gamescreens/gamescreen[GS_Board]/window/widgets/widget[title] type: the class "
     "\"texte_widget\" is not registered"},
    {"ShellScreen",
     [](TSmallData& d) { d.Edit("<gamescreen name=\"GS_Options\" type=\"GameScreen\"/>", ""); },
     "gamescreens: no screen \"GS_Options\" (the shell opens it)"},
    {"GameScreenValue", [](TSmallData& d) { d.Edit("maings=\"GS_MainMenu\"", "maings=\"GS_Map\""); },
     "game maings: no screen \"GS_Map\""},
    {"ScreenNamedByAWidget",
     [](TSmallData& d) { d.Edit("target=\"GS_MainMenu\"", "target=\"GS_Shop\""); },
     "game/gamescreens/gamescreen[GS_Board]/window/widgets/widget[button_back] target: no screen "
     "\"GS_Shop\""},
    {"ScreenOfAButton",
     [](TSmallData& d) { d.Edit("gamescreenname=\"GS_Board\"", "gamescreenname=\"Shop\""); },
     "game/gamescreens/gamescreen[GS_Board]/window/widgets/widget[button_back] gamescreenname: no "
     "screen \"Shop\""},
    {"ScreenInAParameterString",
     [](TSmallData& d) { d.Edit("name=\"title\"", "name=\"title\" extraparams=\"next=GS_Map\\x=1\""); },
     "game/gamescreens/gamescreen[GS_Board]/window/widgets/widget[title] extraparams: no screen "
     "\"GS_Map\""},
    {"Resource", [](TSmallData& d) { d.Edit("text=\"%hello%\" resourcename=\"pic\"", "text=\"%hello%\" resourcename=\"fonts\""); },
     "game/gamescreens/gamescreen[GS_Board]/window/widgets/widget[title] resourcename: no resource "
     "\"fonts\" in the resource lists"},
    {"ResourceInAParameterString",
     [](TSmallData& d) { d.Edit("name=\"title\"", "name=\"title\" extraparams=\"\\rows=2\\resourcename=picMat\""); },
     "game/gamescreens/gamescreen[GS_Board]/window/widgets/widget[title] extraparams: no resource "
     "\"picMat\" in the resource lists"},
    {"ResourceList",
     [](TSmallData& d) { d.Edit("data\\resources\\base.xml", "data\\resources\\menus.xml"); },
     "game/resourcefiles/resourcefile[base] filename: the resource list "
     "\"data/resources/menus.xml\" does not exist",
     true},
    {"ResourceInTwoLists",
     [](TSmallData& d) {
         d.Edit("</resourcefiles>",
                "<resourcefile name=\"again\" filename=\"data\\resources\\base.xml\"/></resourcefiles>");
     },
     "@data/resources/base.xml: resource[pic]: also in \"data/resources/base.xml\"", true},
    {"ResourceFile", [](TSmallData& d) { d.files.erase("data/images/pic.png"); },
     "@data/resources/base.xml: resource[pic] file: the file \"data/images/pic.png\" does not exist",
     true},
    {"PngThatDoesNotDecode",
     [](TSmallData& d) { d.files["data/images/pic.png"] = "\x89PNG\r\n\x1a\n not a picture"; },
     "@data/resources/base.xml: IMAGE: cannot decode PNG \"data\\images\\pic.png\"", true},
    {"JpegThatDoesNotDecode",
     [](TSmallData& d) { d.files["data/images/photo.jpg"] = "\xFF\xD8\xFF not a picture"; },
     "@data/resources/base.xml: IMAGE: cannot decode JPEG \"data\\images\\photo.jpg\"", true},
    {"FontPictureThatDoesNotDecode",
     [](TSmallData& d) { d.files["data/fonts/font.png"] = "\x89PNG\r\n\x1a\n not a font"; },
     "@data/resources/base.xml: IMAGE: cannot decode PNG \"data\\fonts\\font.png\"", true},
    {"FontWithoutItsGlyphTable", [](TSmallData& d) { d.files.erase("data/fonts/font.xml"); },
     "@data/resources/base.xml: STORAGE: The out-storage \"data/fonts/font.xml\" cannot be opened"},
    {"SoundThatDoesNotDecode", [](TSmallData& d) { d.files["data/sounds/click.wav"] = "RIFF not a sound"; },
     "@data/resources/base.xml: AUDIO: sample not loaded: unknown sound format", true},
    {"MusicThatDoesNotDecode", [](TSmallData& d) { d.files["data/music/tune.ogg"] = "OggS not music"; },
     "@data/resources/base.xml: AUDIO: sample not loaded: truncated Ogg stream", true},
    // Damage the game's own decoders pass over (it shows or plays what it
    // can), found by decoding completely and strictly.
    {"JpegWithBytesBeforeItsEnd",
     [](TSmallData& d) {
         std::string& jpeg = d.files["data/images/photo.jpg"];
         jpeg.insert(jpeg.size() - 2, std::string(64, 'x'));  // before the end marker
     },
     "@data/resources/base.xml: resource[photo] file: the file \"data/images/photo.jpg\": JPEG is "
     "damaged: Corrupt JPEG data: "},
    {"JpegOverwrittenInTheMiddle",
     [](TSmallData& d) {
         std::string& jpeg = d.files["data/images/photo.jpg"];
         jpeg.replace(jpeg.size() / 2, 64, std::string(64, '\0'));
     },
     "@data/resources/base.xml: resource[photo] file: the file \"data/images/photo.jpg\": JPEG is "
     "damaged: Corrupt JPEG data: "},
    {"PngWithADamagedTextChunk",
     [](TSmallData& d) {
         // A text chunk after the header (signature 8 bytes, IHDR 25) whose
         // CRC does not match: the game's decoder skips it.
         const std::string text = "Comment\0damaged";
         std::string chunk = std::string("\0\0\0", 3) + char(text.size()) + "tEXt" + text + "CRC!";
         d.files["data/images/pic.png"].insert(33, chunk);
     },
     "@data/resources/base.xml: resource[pic] file: the file \"data/images/pic.png\": PNG is "
     "damaged: "},
    {"WavLongerThanItsHeaderSays",
     [](TSmallData& d) { d.files["data/sounds/click.wav"] += std::string(64, '\0'); },
     "@data/resources/base.xml: resource[click] file: the file \"data/sounds/click.wav\": WAV is "
     "damaged: its RIFF header gives "},
    {"SeedHighScoresMissing", [](TSmallData& d) { d.files.erase("highscores.dat"); },
     "@highscores.dat: the seed high scores \"highscores.dat\" do not exist"},
    {"SeedHighScoresDamaged",
     [](TSmallData& d) { d.files["highscores.dat"] = "0123456789ABCDEF\n"; },
     "@highscores.dat: PLAYER: highscores.dat is damaged"},
    {"ScenePictureFile", [](TSmallData& d) { d.files.erase("data/images/scene.png"); },
     "game/gamescreens/gamescreen[GS_Board]/magic_items/group[loc]/item_type[components]/"
     "item[resources]/param[scene_pic] value: the file \"data/images/scene.png\" does not exist",
     true},
    {"ScenePictureThatDoesNotDecode",
     [](TSmallData& d) { d.files["data/images/scene.png"] = "\x89PNG\r\n\x1a\n not a picture"; },
     "game/gamescreens/gamescreen[GS_Board]/magic_items/group[loc]/item_type[components]/"
     "item[resources]/param[scene_pic] value: ",
     true},
    {"ScenePictureAlsoInAList",
     [](TSmallData& d) { d.Edit("<param name=\"scene_pic\"", "<param name=\"PIC\""); },
     "game/gamescreens/gamescreen[GS_Board]/magic_items/group[loc]/item_type[components]/"
     "item[resources]/param[PIC] name: also in \"data/resources/base.xml\"",
     true},
    {"Cursor",
     [](TSmallData& d) { d.Edit("default_cursor_name=\"Arrow\"", "default_cursor_name=\"hand\""); },
     "game/cursors default_cursor_name: no cursor \"hand\""},
    {"ScreenCursor", [](TSmallData& d) { d.Edit("cursor_name=\"arrow\"", "cursor_name=\"hint\""); },
     "game/gamescreens/gamescreen[GS_Board] cursor_name: no cursor \"hint\""},
    {"LanguageKey", [](TSmallData& d) { d.Edit("%hello%", "%goodbye%"); },
     "game/gamescreens/gamescreen[GS_Board]/window/widgets/widget[title] text: no text for "
     "\"%goodbye%\" in lang/default.lng"},
    {"LanguageKeyInText",
     [](TSmallData& d) { d.Edit("</cursors>", "</cursors><caption>%farewell%</caption>"); },
     "game/caption #text: no text for \"%farewell%\" in lang/default.lng"},
    {"ProgramKey",
     [](TSmallData& d) { d.Replace(d.language, "<string name=\"CreateNewUser\">New</string>", ""); },
     "@lang/default.lng: no text \"CreateNewUser\" (the program asks for it)"},
    {"LanguageKeyInAFactoryWithoutMacros",
     [](TSmallData& d) { d.Edit("text=\"%hello%\" resourcename=\"pic\"/></widgetstring>",
                                "text=\"%farewell%\" resourcename=\"pic\"/></widgetstring>"); },
     "game/gamescreens/gamescreen[GS_Board]/window/widgets/widget[board]/widgetfactories/"
     "widgetfactory[banner]/widgetstring/widget[banner] text: no text for \"%farewell%\" in "
     "lang/default.lng"},
    {"LevelFile", [](TSmallData& d) { d.Edit("data\\levels\\one.xml", "data\\levels\\two.xml"); },
     "game/gamescreens/gamescreen[GS_Board]/levels/level[1] filename: the level file "
     "\"data/levels/two.xml\" does not exist"},
    {"UnreadableLevel", [](TSmallData& d) { d.Replace(d.level, "cells=\"010\"", "cells=\"0x0\""); },
     "game/gamescreens/gamescreen[GS_Board]/levels/level[1] filename: the level file "
     "\"data/levels/one.xml\" cannot be read: "},
    {"GridSize", [](TSmallData& d) { d.Edit("<grid name=\"2_3\"/>", "<grid name=\"3_2\"/>"); },
     "game/gamescreens/gamescreen[GS_Board]/levels/level[1] filename: no grid definition \"2_3\" for "
     "the level \"data/levels/one.xml\""},
    {"CellFactoryOfAColour", [](TSmallData& d) { d.Replace(d.level, "cells=\"101\"", "cells=\"201\""); },
     "game/gamescreens/gamescreen[GS_Board]/levels/level[1] filename: no widget factory \"cell2_3_2\" "
     "for the level \"data/levels/one.xml\""},
    {"DigitFactory", [](TSmallData& d) { d.Edit("name=\"digit2_3\"", "name=\"digit3_2\""); },
     "game/gamescreens/gamescreen[GS_Board]/levels/level[1] filename: no widget factory \"digit2_3\" "
     "for the level \"data/levels/one.xml\""},
    {"Definition", [](TSmallData& d) { d.definition = "<game"; },
     "@data/ini/Quillmarch.ini: the game definition \"data/ini/Quillmarch.ini\" cannot be read: "},
};

class BrokenData : public ::testing::TestWithParam<TBrokenCase> {};

// Each break gives one problem line (a resource that does not load may add
// the engine's reason, a missing list the resources it held); a line starting with "@" is the
// whole line's start, otherwise it follows the definition's file name.
TEST_P(BrokenData, IsReportedWhereItIsReferenced) {
    TSmallData data;
    GetParam().breakIt(data);
    const std::vector<std::string> problems = Check(data);
    ASSERT_FALSE(problems.empty());
    if (!GetParam().more) {
        ASSERT_EQ(problems.size(), 1u) << Lines(problems);
    }
    const std::string expected = GetParam().line[0] == '@' ? std::string(GetParam().line + 1)
                                                           : kDef + GetParam().line;
    EXPECT_EQ(problems[0].substr(0, expected.size()), expected) << Lines(problems);
}

INSTANTIATE_TEST_SUITE_P(EachKind, BrokenData, ::testing::ValuesIn(kBroken),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DataCheck, SgdtoolListsTheProblemsAndFails) {
    TSmallData data;
    data.Edit("%hello%", "%goodbye%");
    data.Edit("maings=\"GS_MainMenu\"", "maings=\"GS_Map\"");
    TTempDir folder{"datacheck"};
    data.WriteTo(folder);
    const TToolResult broken = RunCheckData(folder.Path().string());
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.output.find("no screen \"GS_Map\""), std::string::npos) << broken.output;
    EXPECT_NE(broken.output.find("no text for \"%goodbye%\""), std::string::npos) << broken.output;
    EXPECT_NE(broken.output.find("2 problems in the data"), std::string::npos) << broken.output;
    // One line per problem, each naming the definition file.
    size_t lines = 0;
    for (size_t at = 0; (at = broken.output.find("data/ini/Quillmarch.ini: ", at)) != std::string::npos; ++at) {
        ++lines;
    }
    EXPECT_EQ(lines, 2u) << broken.output;

    TTempDir whole{"datacheck"};
    TSmallData().WriteTo(whole);
    const TToolResult passed = RunCheckData(whole.Path().string());
    EXPECT_EQ(passed.status, 0) << passed.output;
}

// A folder of the data that is a link to a folder outside reads in the game,
// but no pack can hold it: the check and the pack both refuse the data,
// naming it, and no pack is made.
TEST(DataCheck, ALinkOutOfTheFolderFailsTheCheckAsItFailsThePack) {
    TTempDir folder{"datacheck"};
    TSmallData().WriteTo(folder);
    TTempDir outside{"datacheck"};
    fs::rename(folder.Path() / "data" / "fonts", outside.Path() / "fonts");
    fs::create_directory_symlink(outside.Path() / "fonts", folder.Path() / "data" / "fonts");

    std::vector<std::string> lines;
    for (const TDataProblem& problem : CheckGameData(folder.Path().string())) {
        lines.push_back(FormatDataProblem(problem));
    }
    ResetGameShellConfiguration();
    SetDataFileKey("");
    // The font itself is found through the link: the link is the one problem.
    ASSERT_EQ(lines.size(), 1u) << Lines(lines);
    EXPECT_EQ(lines[0], "data/fonts: is a link out of the folder, which a pack of the data cannot hold");

    const fs::path pack = outside.Path() / "data.sgd";
    const std::string command = "'" + std::string(QM_SGDTOOL) + "' pack '" +
                                folder.Path().string() + "' '" + pack.string() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, n);
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << output;
    EXPECT_NE(output.find("\"data/fonts\" is a link out of the folder"), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(pack));
}

// sgdtool alone, without the program that does the check beside it, says
// what is missing instead of passing or failing silently.
TEST(DataCheck, SgdtoolWithoutItsCheckProgramSaysSo) {
    TTempDir alone{"datacheck"};
    const fs::path tool = alone.Path() / "sgdtool";
    fs::copy_file(QM_SGDTOOL, tool);
    fs::permissions(tool, fs::perms::owner_all);
    TTempDir whole{"datacheck"};
    TSmallData().WriteTo(whole);
    const TToolResult result = RunCheckData(whole.Path().string(), tool.string());
    EXPECT_EQ(result.status, 1) << result.output;
    EXPECT_NE(result.output.find("check-data needs the program sgdtool-check-data beside sgdtool"),
              std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find((alone.Path() / "sgdtool-check-data").string()), std::string::npos)
        << result.output;
}

}  // namespace
