#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/Streams.h"
#include "core/storage/XMLStorage.h"
#include "nonogram/solver/LevelPicture.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace {

// A level file: the root's attributes, then one row element per cells text.
std::string LevelXml(const std::string& rootAttributes, const std::vector<std::string>& rows) {
    std::string xml = "<level " + rootAttributes + "><properties/><rows>";
    for (size_t i = 0; i < rows.size(); ++i) {
        xml += "<row name=\"r" + std::to_string(i) + "\" cells=\"" + rows[i] + "\"/>";
    }
    return xml + "</rows></level>";
}

const char* const kSize3x4 =
    "name=\"12\" LevelName=\"Fish\" extraparams=\"rows=3\\cols=4\\errors=3\\hints=2\\cup_time=90\"";

std::vector<uint8_t> Filled(const std::vector<std::string>& rows) {
    std::vector<uint8_t> filled;
    for (const std::string& row : rows) {
        for (char c : row) filled.push_back(c == '1' ? 1 : 0);
    }
    return filled;
}

class LevelPicture : public ::testing::Test {
protected:
    void SetUp() override { ClearStorageCache(); }
    void TearDown() override { ClearStorageCache(); }

    // Loads a level file written from text; the picture starts as a marker
    // that a refusal must leave alone.
    bool Load(const std::string& text, std::string& error) {
        path_ = dir_.Write("level.xml", text);
        picture_ = TNonogramPicture{1, 1, {1}};
        return LoadLevelPicture(path_, picture_, error);
    }

    TTempDir dir_{"level"};
    std::string path_;
    TNonogramPicture picture_;
};

TEST_F(LevelPicture, ReadsThePictureOfATextFile) {
    // Any digit but "0" is filled, whatever its colour or letter case.
    std::string error;
    ASSERT_TRUE(Load(LevelXml(kSize3x4, {"0a0F", "7000", "10c0"}), error)) << error;
    EXPECT_EQ(picture_.rows, 3);
    EXPECT_EQ(picture_.cols, 4);
    EXPECT_EQ(picture_.filled, Filled({"0101", "1000", "1010"}));
    EXPECT_TRUE(picture_.Filled(2, 2));
    EXPECT_FALSE(picture_.Filled(2, 3));
}

TEST_F(LevelPicture, ReadsTheBinaryForm) {
    const std::string text = LevelXml(kSize3x4, {"1111", "0000", "1001"});
    TMemoryStream binary;
    ParseXmlText(text)->SaveBinary(binary, 0);
    const auto& bytes = binary.Bytes();
    const std::string path = dir_.Write("binary.xml", std::string(bytes.begin(), bytes.end()));
    TNonogramPicture picture;
    std::string error;
    ASSERT_TRUE(LoadLevelPicture(path, picture, error)) << error;
    EXPECT_EQ(picture.filled, Filled({"1111", "0000", "1001"}));
}

TEST_F(LevelPicture, SizesFromExtraParams) {
    struct TCase {
        std::string attributes;
        int32_t rows, cols;
    };
    const TCase cases[] = {
        // A repeated name keeps its last value, as when the game loads it.
        {"extraparams=\"rows=7\\cols=2\\rows=1\"", 1, 2},
        // Blanks around values and after names; names in any letter case; braces.
        {"extraparams=\"\\ROWS = 1 \\cols={2}\"", 1, 2},
        {"type=\"QuillmarchLevelDef\" extraparams=\"rows=1\\cols=2\"", 1, 2},
        {"type=\"quillmarchleveldef\" extraparams=\"rows=1\\cols=2\"", 1, 2},
    };
    for (const TCase& c : cases) {
        std::string error;
        EXPECT_TRUE(Load(LevelXml(c.attributes, {"10"}), error)) << c.attributes << ": " << error;
        EXPECT_EQ(picture_.rows, c.rows) << c.attributes;
        EXPECT_EQ(picture_.cols, c.cols) << c.attributes;
    }
    // The largest size.
    std::string error;
    std::vector<std::string> rows(kMaxLevelSide, std::string(kMaxLevelSide, '1'));
    const std::string side = std::to_string(kMaxLevelSide);
    EXPECT_TRUE(Load(LevelXml("extraparams=\"rows=" + side + "\\cols=" + side + "\"", rows), error))
        << error;
    EXPECT_EQ(picture_.filled.size(), static_cast<size_t>(kMaxLevelSide * kMaxLevelSide));
}

TEST_F(LevelPicture, RefusesBadPictures) {
    struct TCase {
        const char* what;
        std::string text;
        std::string reason;  // a piece of the message
    };
    const std::string size2x3 = "extraparams=\"rows=2\\cols=3\"";
    const TCase cases[] = {
        {"another class", LevelXml("type=\"QuillmarchLevelDefRef\" " + size2x3, {"101", "010"}),
         "its type is \"QuillmarchLevelDefRef\""},
        {"no extraparams", LevelXml("", {"101", "010"}), "\"extraparams\" has no \"rows\""},
        {"no cols", LevelXml("extraparams=\"rows=2\"", {"101", "010"}),
         "\"extraparams\" has no \"cols\""},
        {"rows not a number", LevelXml("extraparams=\"rows=two\\cols=3\"", {"101", "010"}),
         "\"rows\" is \"two\", not a whole number from 1 to 50"},
        {"a sign", LevelXml("extraparams=\"rows=+2\\cols=3\"", {"101", "010"}), "\"rows\" is"},
        {"no rows", LevelXml("extraparams=\"rows=0\\cols=3\"", {}), "\"rows\" is \"0\""},
        {"negative cols", LevelXml("extraparams=\"rows=2\\cols=-3\"", {"101", "010"}),
         "\"cols\" is \"-3\""},
        {"too wide", LevelXml("extraparams=\"rows=2\\cols=51\"", {"101", "010"}),
         "\"cols\" is \"51\""},
        // Refused before anything is sized from it.
        {"huge", LevelXml("extraparams=\"rows=99999999999999999999\\cols=3\"", {"101", "010"}),
         "\"rows\" is \"99999999999999999999\""},
        {"no rows element", "<level " + size2x3 + "/>", "no \"rows\" element"},
        {"a row short", LevelXml(size2x3, {"101"}), "1 \"row\" elements for 2 rows"},
        {"a row too many", LevelXml(size2x3, {"101", "010", "111"}),
         "3 \"row\" elements for 2 rows"},
        {"a short row", LevelXml(size2x3, {"101", "01"}), "row 2 (\"r1\") has 2 cells for 3"},
        {"a long row", LevelXml(size2x3, {"1011", "010"}), "row 1 (\"r0\") has 4 cells for 3"},
        {"a letter", LevelXml(size2x3, {"101", "0g0"}),
         "row 2 (\"r1\") has \"g\" at cell 2, not a hexadecimal digit"},
        {"a blank", LevelXml(size2x3, {"1 1", "010"}), "has \" \" at cell 2"},
        {"a wide character", LevelXml(size2x3, {"101", std::string("\xC3\xA9") + "0"}),
         "has \"\\xC3\" at cell 1"},
        {"a translated key", LevelXml(size2x3, {"%a%", "010"}), "has \"%\" at cell 1"},
        {"a row without a name",
         "<level " + size2x3 +
             "><rows><row name=\"a\" cells=\"101\"/><row cells=\"010\"/></rows>"
             "</level>",
         "row 2 has no name"},
        {"two rows of one name",
         "<level " + size2x3 +
             "><rows><row name=\"top\" cells=\"101\"/>"
             "<row name=\"TOP\" cells=\"010\"/></rows></level>",
         "row 2 has the name \"TOP\" of row 1"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TLogCapture log;
        std::string error;
        EXPECT_FALSE(Load(c.text, error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_TRUE(log.Has({"LEVEL: ", path_, c.reason})) << ::testing::PrintToString(log.Lines());
        // The picture is left as it was.
        EXPECT_EQ(picture_.rows, 1);
        EXPECT_EQ(picture_.filled, std::vector<uint8_t>{1});
    }
}

TEST_F(LevelPicture, RefusesFilesThatAreNoLevel) {
    struct TCase {
        const char* what;
        std::string text;
    };
    const TCase cases[] = {
        {"broken XML", "<level extraparams=\"rows=1\\cols=1\"><rows>"},
        {"no element", "<!-- nothing -->"},
        {"not XML", std::string("\x89PNG\r\n\x1a\n\0\0", 10)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TLogCapture log;
        std::string error;
        EXPECT_FALSE(Load(c.text, error));
        EXPECT_EQ(error.rfind("the file does not load: ", 0), 0u) << error;
        EXPECT_TRUE(log.Has({"LEVEL: ", path_})) << ::testing::PrintToString(log.Lines());
        EXPECT_EQ(picture_.rows, 1);
    }
    TLogCapture log;
    TNonogramPicture picture;
    std::string error;
    const std::string missing = dir_.File("missing.xml");
    EXPECT_FALSE(LoadLevelPicture(missing, picture, error));
    EXPECT_EQ(error, "the file cannot be opened");
    EXPECT_TRUE(log.Has({"LEVEL: ", missing, "cannot be opened"}));
}

}  // namespace
