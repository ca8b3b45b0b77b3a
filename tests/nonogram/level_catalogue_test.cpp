// Level files with pieces missing or repeated, read through a catalogue
// entry: every row kept in file order, settings from "extraparams" only, the
// entry's values over the file's; and a catalogue whose keys repeat.
#include <gtest/gtest.h>

#include <string>

#include "core/storage/XMLStorage.h"
#include "game/GameLevelDefs.h"
#include "nonogram/LevelDefs.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace {

Ref<IQuillmarchLevelDefRefCollection> Catalogue(const std::string& entries) {
    const Ref<TAbstractObject> object =
        CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>());
    LoadPersistObject(Ref<IInterface>(object),
                      LoadStorageFromXML("<levels>" + entries + "</levels>"));
    return Query<IQuillmarchLevelDefRefCollection>(object);
}

std::string Entry(const std::string& key, const std::string& file) {
    return "<level level=\"" + key + "\"><properties><param name=\"filename\" value=\"" + file +
           "\"/><param name=\"DisplayName\" value=\"entry\"/>"
           "<param name=\"level_type\" value=\"nonogram\"/></properties></level>";
}

// "number|title|rows=..|cols=..|cells,cells|DisplayName|own".
std::string Describe(const Ref<IQuillmarchLevelDef>& def) {
    if (!def) return "null";
    std::string text = std::to_string(def->GetLevelNumber()) + "|" +
                       def->GetProperty("LevelName").ToString() +
                       "|rows=" + def->GetProperty("rows").ToString() +
                       "|cols=" + def->GetProperty("cols").ToString() + "|";
    const Ref<ILevelDefRowCollection> rows = def->GetRows();
    for (int32_t i = 0; i < rows->GetCount(); ++i) {
        text += (i ? "," : "") + rows->GetItem(Variant(i))->GetCells();
    }
    const Ref<IParamCollection> params = def->GetParams();
    return text + "|" + params->GetValue("DisplayName", Variant()).ToString() + "|" +
           params->GetValue("own", Variant()).ToString();
}

class LevelCatalogue : public ::testing::Test {
protected:
    void SetUp() override { ClearStorageCache(); }
    void TearDown() override { ClearStorageCache(); }
    TTempDir folder_{"catalogue"};
};

TEST_F(LevelCatalogue, LevelFilesWithPiecesMissingOrRepeated) {
    struct Case {
        const char* what;
        const char* file;
        const char* expected;
    } cases[] = {
        {"complete", R"(<level name="7" LevelName="Crane" extraparams="rows=2\cols=3">
            <properties><param name="own" value="x"/></properties>
            <rows><row name="0" cells="101"/><row name="1" cells="0F0"/></rows></level>)",
         "7|Crane|rows=2|cols=3|101,0F0|entry|x"},
        {"nothing but the root", R"(<level/>)", "0||rows=|cols=||entry|"},
        {"no rows", R"(<level name="3" extraparams="rows=2\cols=2"/>)", "3||rows=2|cols=2||entry|"},
        {"an empty extraparams", R"(<level extraparams=""><rows><row cells="1"/></rows></level>)",
         "0||rows=|cols=|1|entry|"},
        // A repeated name, or none, still keeps every row in its place.
        {"repeated row names", R"(<level><rows><row name="a" cells="1"/><row name="a" cells="2"/>
            <row cells="3"/><row name="b" cells="4"/><row cells="5"/><row name="a" cells="6"/>
            </rows></level>)",
         "0||rows=|cols=|1,2,3,4,5,6|entry|"},
        // Braces go, blanks around "=" go, the last of a repeated name holds.
        {"extraparams", R"(<level extraparams="rows = 4\pic={a=b}\rows=5\cols=1\noequals"/>)",
         "0||rows=5|cols=1||entry|"},
        // The file's "DisplayName" gives way to the entry's.
        {"the entry's values first", R"(<level><properties>
            <param name="DisplayName" value="file"/><param name="own" value="kept"/>
            </properties></level>)",
         "0||rows=|cols=||entry|kept"},
        {"another kind of object", R"(<level type="QuillmarchLevelDefRef"/>)", "null"},
        {"no XML", "not xml", "null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = folder_.Write(std::string(c.what) + ".xml", c.file);
        const auto levels = Catalogue(Entry("k", file));
        const Ref<IQuillmarchLevelDefRef> entry = levels->GetItemByName("k");
        ASSERT_TRUE(entry);
        TLogCapture log;
        EXPECT_EQ(Describe(entry->LoadLevelDef()), c.expected);
    }
}

TEST_F(LevelCatalogue, RowsKeepTheirNamesAndTheFirstOfANameIsFound) {
    const std::string file = folder_.Write(
        "rows.xml",
        R"(<level><rows><row name="a" cells="1"/><row name="a" cells="2"/></rows></level>)");
    const Ref<IQuillmarchLevelDef> def =
        Catalogue(Entry("k", file))->GetItem(Variant(0))->LoadLevelDef();
    ASSERT_TRUE(def);
    const Ref<ILevelDefRowCollection> rows = def->GetRows();
    ASSERT_EQ(rows->GetCount(), 2);
    EXPECT_EQ(rows->GetItem(Variant(1))->GetName(), "a");
    EXPECT_EQ(rows->GetItem(Variant("a"))->GetCells(), "1");
}

TEST_F(LevelCatalogue, EachLoadReadsTheFileAfresh) {
    const std::string file = folder_.Write("l.xml", R"(<level LevelName="one"/>)");
    const Ref<IQuillmarchLevelDefRef> entry = Catalogue(Entry("k", file))->GetItemByName("k");
    const Ref<IQuillmarchLevelDef> first = entry->LoadLevelDef();
    folder_.Write("l.xml", R"(<level LevelName="two"/>)");
    ClearStorageCache();
    const Ref<IQuillmarchLevelDef> second = entry->LoadLevelDef();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(first->GetProperty("LevelName").ToString(), "one");
    EXPECT_EQ(second->GetProperty("LevelName").ToString(), "two");
}

TEST_F(LevelCatalogue, EntriesInFileOrderAndARepeatedKeyKeepsTheFirst) {
    TLogCapture log;
    const auto levels =
        Catalogue(Entry("b", "b.xml") + Entry("a", "a.xml") + Entry("b", "second.xml") +
                  R"(<level name="only_name"><properties/></level>)");
    ASSERT_EQ(levels->GetCount(), 3);
    EXPECT_EQ(levels->GetItem(Variant(0))->GetLevel(), "b");
    EXPECT_EQ(levels->GetItem(Variant(1))->GetLevel(), "a");
    EXPECT_EQ(levels->GetItemByName("b")->GetFileName(), "b.xml");
    EXPECT_TRUE(log.Has({"LEVEL", "\"b\" twice"}));
    // Without "level" the entry has no key; its "name" is not one either.
    EXPECT_EQ(levels->GetItem(Variant(2))->GetLevel(), "");
    EXPECT_FALSE(levels->GetItemByName("only_name"));
    EXPECT_EQ(levels->GetItem(Variant(2))->GetFileName(), "");
    EXPECT_FALSE(levels->GetItemByName("c"));
}

TEST_F(LevelCatalogue, TheShellsCataloguesMakeThisGamesDefinitionsByDefault) {
    EXPECT_EQ(GetDefaultLevelDefType(), "QuillmarchLevelDef");
    const std::string file =
        folder_.Write("shell.xml", R"(<level LevelName="Shell" extraparams="rows=3"/>)");
    const Ref<TLevelDefRef> entry = CreateObject<TLevelDefRef>();
    ASSERT_TRUE(LoadPersistObject(
        Ref<IInterface>(entry),
        LoadStorageFromXML(R"(<level level="4"><properties><param name="filename" value=")" + file +
                           R"("/></properties></level>)")));
    const Ref<IQuillmarchLevelDef> def = Query<IQuillmarchLevelDef>(entry->LoadLevelDef());
    ASSERT_TRUE(def);
    EXPECT_EQ(def->GetProperty("rows").ToString(), "3");
    EXPECT_EQ(def->GetParams()->GetValue("filename", Variant()).ToString(), file);
}

}  // namespace
