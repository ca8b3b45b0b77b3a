#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/lang/MultiLanguages.h"
#include "core/persist/EngineGeneralClasses.h"
#include "core/storage/XMLStorage.h"
#include "tests/support/Locale.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace {

Ref<IHierStorage> Node(const std::string& attributes) {
    return LoadStorageFromXML("<r " + attributes + "/>");
}

// A read of one key through every reader, as text for a compact table.
struct ReadCase {
    const char* attributes;  // the node's attributes ("" for none)
    enum { kString, kBool, kInteger, kFloat, kColor, kEnum } type;
    const char* expected;
};

std::string ReadAs(const ReadCase& c, const Ref<IHierStorage>& node) {
    const std::string list = "/png/jpeg/jpng/unknown";
    switch (c.type) {
        case ReadCase::kString:
            return ReadString(node, "v", "dflt");
        case ReadCase::kBool:
            // Read with both defaults: "11" true, "00" false, "10" the default.
            return std::string(ReadBool(node, "v", true) ? "1" : "0") +
                   (ReadBool(node, "v", false) ? "1" : "0");
        case ReadCase::kInteger:
            return std::to_string(ReadInteger(node, "v", -7));
        case ReadCase::kFloat:
            return FloatToText(ReadFloat(node, "v", 2.25));
        case ReadCase::kColor:
            return std::to_string(ReadColor(node, "v", 0xDEADBEEF));
        case ReadCase::kEnum:
            return std::to_string(ReadEnum(node, "v", list, 9));
    }
    return {};
}

TEST(ValueHelpers, ReadersConvertOrAnswerTheDefault) {
    const ReadCase cases[] = {
        {"", ReadCase::kString, "dflt"},
        {"v=\"\"", ReadCase::kString, ""},
        {"v=\"caf\xC3\xA9\"", ReadCase::kString, "caf\xC3\xA9"},
        {"v=\"dflt\"", ReadCase::kString, "dflt"},

        {"v=\"yes\"", ReadCase::kBool, "11"},
        {"v=\"no\"", ReadCase::kBool, "00"},
        {"", ReadCase::kBool, "10"},
        {"v=\"Yes\"", ReadCase::kBool, "10"},  // case counts
        {"v=\"NO\"", ReadCase::kBool, "10"},
        {"v=\"0\"", ReadCase::kBool, "10"},
        {"v=\"1\"", ReadCase::kBool, "10"},
        {"v=\"YES\"", ReadCase::kBool, "10"},
        {"v=\"true\"", ReadCase::kBool, "10"},
        {"v=\"false\"", ReadCase::kBool, "10"},

        {"v=\"42\"", ReadCase::kInteger, "42"},
        {"v=\"-2147483648\"", ReadCase::kInteger, "-2147483648"},
        {"v=\"+5\"", ReadCase::kInteger, "5"},
        {"v=\"$1F\"", ReadCase::kInteger, "31"},
        {"v=\"$ffffffff\"", ReadCase::kInteger, "-1"},
        {"v=\"-$10\"", ReadCase::kInteger, "-16"},
        {"v=\"12abc\"", ReadCase::kInteger, "-7"},
        {"v=\"2147483648\"", ReadCase::kInteger, "-7"},
        {"v=\"$100000000\"", ReadCase::kInteger, "-7"},
        {"v=\"$\"", ReadCase::kInteger, "-7"},
        {"v=\"-\"", ReadCase::kInteger, "-7"},
        {"v=\"1.5\"", ReadCase::kInteger, "-7"},
        {"v=\"\"", ReadCase::kInteger, "-7"},
        {"", ReadCase::kInteger, "-7"},

        {"v=\"1.5\"", ReadCase::kFloat, "1.5"},
        {"v=\"-0.125\"", ReadCase::kFloat, "-0.125"},
        {"v=\"1e3\"", ReadCase::kFloat, "1000"},
        {"v=\"\"", ReadCase::kFloat, "2.25"},
        {"v=\"1.5x\"", ReadCase::kFloat, "2.25"},
        {"v=\"nan\"", ReadCase::kFloat, "2.25"},
        {"v=\"inf\"", ReadCase::kFloat, "2.25"},
        {"", ReadCase::kFloat, "2.25"},

        {"v=\"$FF102030\"", ReadCase::kColor, "4279246896"},
        {"v=\"4278190080\"", ReadCase::kColor, "4278190080"},
        {"v=\"-1\"", ReadCase::kColor, "4294967295"},
        {"v=\"255\"", ReadCase::kColor, "255"},
        {"v=\"FF102030\"", ReadCase::kColor, "3735928559"},  // no "$": no number
        {"v=\"4294967296\"", ReadCase::kColor, "3735928559"},
        {"", ReadCase::kColor, "3735928559"},

        {"v=\"png\"", ReadCase::kEnum, "0"},
        {"v=\"jpng\"", ReadCase::kEnum, "2"},
        {"v=\"unknown\"", ReadCase::kEnum, "3"},
        {"v=\"JPEG\"", ReadCase::kEnum, "9"},
        {"v=\"\"", ReadCase::kEnum, "9"},
        {"v=\"bmp\"", ReadCase::kEnum, "9"},
        {"", ReadCase::kEnum, "9"},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(ReadAs(c, Node(c.attributes)), c.expected) << c.attributes << " type " << c.type;
    }
    // A null storage answers every default.
    for (const ReadCase& c : cases) {
        if (c.attributes[0] == '\0') {
            EXPECT_EQ(ReadAs(c, nullptr), c.expected);
        }
    }
}

TEST(ValueHelpers, ATextThatDoesNotConvertIsLoggedOnce) {
    // (attributes, type, the piece naming the form; "" for a silent read)
    struct LogCase {
        const char* attributes;
        decltype(ReadCase::kString) type;
        const char* expected;
        const char* form;
    };
    const LogCase cases[] = {
        {"v=\"12abc\"", ReadCase::kInteger, "-7", "an integer"},
        {"v=\"Yes\"", ReadCase::kBool, "10", "\"yes\" or \"no\""},
        {"v=\"1.5x\"", ReadCase::kFloat, "2.25", "a number"},
        {"v=\"FF102030\"", ReadCase::kColor, "3735928559", "a colour"},
        {"v=\"bmp\"", ReadCase::kEnum, "9", "one of \"/png/jpeg/jpng/unknown\""},
        {"v=\"42\"", ReadCase::kInteger, "42", ""},
        {"v=\"\"", ReadCase::kInteger, "-7", ""},  // empty: no value, nothing to report
        {"", ReadCase::kFloat, "2.25", ""},
        {"v=\"\"", ReadCase::kEnum, "9", ""},
    };
    for (const LogCase& c : cases) {
        Ref<IHierStorage> node =
            LoadStorageFromXML(std::string("<a><r/><r ") + c.attributes + "/></a>")
                ->GetChild("r", 1);
        TLogCapture log;
        // The bool case reads twice, once per default.
        EXPECT_EQ(ReadAs({c.attributes, c.type, c.expected}, node), c.expected) << c.attributes;
        if (c.form[0] == '\0') {
            EXPECT_TRUE(log.Lines().empty()) << c.attributes;
            continue;
        }
        const size_t reads = c.type == ReadCase::kBool ? 2 : 1;
        EXPECT_EQ(log.Lines().size(), reads) << c.attributes;
        EXPECT_TRUE(log.Has({"PERSIST", "/a/r[2]", "\"v\"", c.attributes + 2, c.form}))
            << c.attributes << ": " << (log.Lines().empty() ? "" : log.Lines()[0]);
    }
}

TEST(ValueHelpers, EnumListsAreCutLikeSplit) {
    Ref<IHierStorage> node = Node("a=\"b\" e=\"\"");
    EXPECT_EQ(ReadEnum(node, "a", " a//b/ ", -1), 1);  // empty entries do not count
    EXPECT_EQ(ReadEnum(node, "a", "a/b", -1), 1);      // no leading "/" needed
    EXPECT_EQ(ReadEnum(node, "a", "", -1), -1);
    EXPECT_EQ(ReadEnum(node, "a", "/{x/y}/b", -1), 1);  // a brace group is one entry
}

// The node's attributes in order, "name=value;...".
std::string Attributes(const Ref<IHierStorage>& node) {
    std::string text;
    for (int32_t i = 0; i < node->GetValueCount(); ++i) {
        text += node->GetValueName(i) + "=" + node->GetValueAt(i, "").ToString() + ";";
    }
    return text;
}

TEST(ValueHelpers, WritersWriteTheirTextFormsOnlyWhenAsked) {
    struct WriteCase {
        void (*write)(const Ref<IHierStorage>&, bool);
        const char* expected;
    };
    const WriteCase cases[] = {
        {[](const Ref<IHierStorage>& n, bool w) { WriteString(n, "v", "x\xC3\xA9", w); },
         "v=x\xC3\xA9;"},
        {[](const Ref<IHierStorage>& n, bool w) { WriteBool(n, "v", true, w); }, "v=yes;"},
        {[](const Ref<IHierStorage>& n, bool w) { WriteBool(n, "v", false, w); }, "v=no;"},
        {[](const Ref<IHierStorage>& n, bool w) { WriteInteger(n, "v", -12, w); }, "v=-12;"},
        {[](const Ref<IHierStorage>& n, bool w) { WriteInteger(n, "v", INT32_MIN, w); },
         "v=-2147483648;"},
        {[](const Ref<IHierStorage>& n, bool w) { WriteFloat(n, "v", 0.5, w); }, "v=0.5;"},
        {[](const Ref<IHierStorage>& n, bool w) { WriteFloat(n, "v", 1.0 / 3, w); },
         "v=0.333333333333333;"},
        {[](const Ref<IHierStorage>& n, bool w) { WriteFloat(n, "v", 1e20, w); }, "v=1E20;"},
        {[](const Ref<IHierStorage>& n, bool w) { WriteColor(n, "v", 0xFF0A0B0C, w); },
         "v=$FF0A0B0C;"},
        {[](const Ref<IHierStorage>& n, bool w) { WriteColor(n, "v", 0x10, w); }, "v=$00000010;"},
        {[](const Ref<IHierStorage>& n, bool w) {
             WriteEnum(n, "v", "/png/jpeg/jpng/unknown", 1, w);
         },
         "v=jpeg;"},
        {[](const Ref<IHierStorage>& n, bool w) {
             WriteEnum(n, "v", "/png/jpeg/jpng/unknown", 4, w);
         },
         ""},
        {[](const Ref<IHierStorage>& n, bool w) {
             WriteEnum(n, "v", "/png/jpeg/jpng/unknown", -1, w);
         },
         ""},
    };
    for (const WriteCase& c : cases) {
        Ref<IHierStorage> node = Node("");
        c.write(node, true);
        EXPECT_EQ(Attributes(node), c.expected);
        // With the flag off nothing changes, whether the key is absent or present.
        Ref<IHierStorage> untouched = Node("");
        c.write(untouched, false);
        EXPECT_EQ(Attributes(untouched), "");
        Ref<IHierStorage> present = Node("v=\"old\"");
        c.write(present, false);
        EXPECT_EQ(Attributes(present), "v=old;");
        c.write(nullptr, true);  // a null storage is ignored
    }
}

TEST(ValueHelpers, WrittenValuesReadBack) {
    Ref<IHierStorage> node = Node("");
    const uint32_t colors[] = {0, 0xFFFFFFFF, 0x80FF0000, 0x7FFFFFFF, 123};
    for (uint32_t color : colors) {
        WriteColor(node, "c", color, true);
        EXPECT_EQ(ReadColor(node, "c", 1), color);
    }
    const double floats[] = {0.5, -1234.0625, 1e-7, 3.141592653589793, 1e300};
    for (double f : floats) {
        WriteFloat(node, "f", f, true);
        EXPECT_NEAR(ReadFloat(node, "f", 0), f, std::fabs(f) * 1e-14);
    }
    const int32_t ints[] = {0, -1, INT32_MAX, INT32_MIN};
    for (int32_t i : ints) {
        WriteInteger(node, "i", i, true);
        EXPECT_EQ(ReadInteger(node, "i", 7), i);
    }
    for (int32_t i = 0; i < 4; ++i) {
        WriteEnum(node, "e", "/a/b/c/d", i, true);
        EXPECT_EQ(ReadEnum(node, "e", "/a/b/c/d", -1), i);
    }
}

TEST(ValueHelpers, FloatsIgnoreTheProcessLocale) {
    TCommaLocale locale;
    if (!locale.Active()) GTEST_SKIP() << "no locale with a decimal comma can be selected here";
    Ref<IHierStorage> node = Node("a=\"1.5\" b=\"2,25\"");
    WriteFloat(node, "half", 0.5, true);
    WriteFloat(node, "big", -1234567.875, true);
    const std::string half = ReadString(node, "half", "");
    const std::string big = ReadString(node, "big", "");
    const double a = ReadFloat(node, "a", 0);
    const double b = ReadFloat(node, "b", 0);
    EXPECT_EQ(half, "0.5");
    EXPECT_EQ(big, "-1234567.875");
    EXPECT_EQ(a, 1.5);
    EXPECT_EQ(b, 2.25);
}

TEST(ValueHelpers, ValuesTheNodeLacksComeFromItsOutStorage) {
    TTempDir dir("values");
    TCurrentFolder inFolder(dir.Path());
    ClearStorageCache();
    dir.Write("more.xml", "<m i=\"5\" s=\"file\" b=\"yes\"/>");
    Ref<IHierStorage> node = LoadStorageFromXML("<r _outstorage=\"\\file=more.xml\" s=\"own\"/>");
    EXPECT_EQ(ReadInteger(node, "i", 0), 5);
    EXPECT_TRUE(ReadBool(node, "b", false));
    EXPECT_EQ(ReadString(node, "s", ""), "own");
    // A value holding exactly the caller's default is still the node's own.
    EXPECT_EQ(ReadString(node, "s", "own"), "own");
    EXPECT_EQ(ReadString(node, "absent", "d"), "d");
    ClearStorageCache();
}

TEST(ValueHelpers, TranslatedText) {
    TMultiLanguages* languages = GetMultiLanguages();
    ASSERT_NE(languages, nullptr);
    SetTextVariable("vh_player", "J\xC3\xBCrgen");
    Ref<IHierStorage> node = Node("t=\"Hi %vh_player%, 100%\"");
    EXPECT_EQ(ReadTranslatedText(node, "t", ""), u"Hi J\u00fcrgen, 100%");
    EXPECT_EQ(ReadTranslatedText(node, "absent", "%vh_player%"), u"J\u00fcrgen");
    // Text that is no UTF-8 is kept, one character a byte.
    EXPECT_EQ(ReadTranslatedText(node, "absent", "\xE9t\xE9"), u"\u00e9t\u00e9");
}

}  // namespace
