#include <gtest/gtest.h>

#include <string>

#include "core/storage/XMLStorage.h"
#include "nonogram/LevelDefs.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace {

const char kLevel[] =
    R"(<level name="12" LevelName="Crane" extraparams="rows=2\cols=3\errors=3\hints = 2">)"
    R"(<properties><param name="DisplayName" value="from the file"/><param name="own" value="x"/></properties>)"
    R"(<rows><row name="a" cells="0a1"/><row name="b" cells="F00"/></rows></level>)";

Ref<IQuillmarchLevelDefRefCollection> Catalogue(const std::string& entries) {
    const Ref<TAbstractObject> object =
        CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>());
    LoadPersistObject(Ref<IInterface>(object),
                      LoadStorageFromXML("<levels>" + entries + "</levels>"));
    return Query<IQuillmarchLevelDefRefCollection>(object);
}

std::string Entry(const std::string& key, const std::string& file, const std::string& more = "") {
    return "<level name=\"ignored\" level=\"" + key +
           "\"><properties>"
           "<param name=\"filename\" value=\"" +
           file +
           "\"/>"
           "<param name=\"DisplayName\" value=\"Level " +
           key +
           "\"/>"
           "<param name=\"level_type\" value=\"nonogram\"/>" +
           more + "</properties></level>";
}

class LevelDefs : public ::testing::Test {
protected:
    void SetUp() override { ClearStorageCache(); }
    void TearDown() override { ClearStorageCache(); }
    TTempDir folder_{"levels"};
};

TEST_F(LevelDefs, ALevelFileLoadsWithItsRowsSettingsAndTheEntrysParameters) {
    const std::string file = folder_.Write("12.xml", kLevel);
    const auto levels = Catalogue(Entry("japan_1", file, R"(<param name="tip" value="t3"/>)"));
    ASSERT_EQ(levels->GetCount(), 1);
    const Ref<IQuillmarchLevelDefRef> entry = levels->GetItemByName("japan_1");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->GetLevel(), "japan_1");  // the "level" attribute names it
    EXPECT_EQ(entry->GetDisplayName(), "Level japan_1");
    EXPECT_EQ(entry->GetLevelType(), "nonogram");
    EXPECT_FALSE(levels->GetItemByName("japan_2"));

    const Ref<IQuillmarchLevelDef> def = entry->LoadLevelDef();
    ASSERT_TRUE(def);  // no "type": a QuillmarchLevelDef
    EXPECT_EQ(def->GetLevelNumber(), 12);
    EXPECT_EQ(def->GetProperty("LevelName").ToString(), "Crane");
    EXPECT_EQ(def->GetProperty("rows").ToString(), "2");
    EXPECT_EQ(def->GetProperty("hints").ToString(), "2");  // blanks around "=" go
    // Settings come from "extraparams" only.
    EXPECT_EQ(def->GetProperty("own").ToString(), "");
    EXPECT_EQ(def->GetProperty("nowhere").ToString(), "");
    // The entry's parameters overwrite the file's of the same name.
    const Ref<IParamCollection> params = def->GetParams();
    EXPECT_EQ(params->GetValue("DisplayName", Variant()).ToString(), "Level japan_1");
    EXPECT_EQ(params->GetValue("filename", Variant()).ToString(), file);
    EXPECT_EQ(params->GetValue("tip", Variant()).ToString(), "t3");
    EXPECT_EQ(params->GetValue("own", Variant()).ToString(), "x");

    const Ref<ILevelDefRowCollection> rows = def->GetRows();
    ASSERT_EQ(rows->GetCount(), 2);
    EXPECT_EQ(rows->GetItem(Variant(0))->GetCells(), "0a1");
    EXPECT_EQ(rows->GetItem(Variant("b"))->GetCells(), "F00");
}

TEST_F(LevelDefs, SavingWritesNameTypeAndPropertiesOnly) {
    const Ref<IHierStorage> root = LoadStorageFromXML(kLevel);
    const Ref<TQuillmarchLevelDef> def = CreateObject<TQuillmarchLevelDef>();
    def->Load(root);
    const Ref<IHierStorageRoot> out = CreateStorage("level");
    def->Save(Query<IHierStorage>(out));
    std::string xml;
    ASSERT_TRUE(out->SaveToXML(xml));
    EXPECT_NE(xml.find("name=\"12\""), std::string::npos);
    EXPECT_NE(xml.find("QuillmarchLevelDef"), std::string::npos);
    EXPECT_NE(xml.find("DisplayName"), std::string::npos);
    EXPECT_EQ(xml.find("rows"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("Crane"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("extraparams"), std::string::npos) << xml;
}

TEST_F(LevelDefs, ALevelThatCannotBeLoadedIsNullWithALogLine) {
    folder_.Write("widget.xml", R"(<level type="group_widget"/>)");
    folder_.Write("unknown.xml", R"(<level type="NoSuchClass"/>)");
    folder_.Write("broken.xml", R"(<level <<)");
    struct TCase {
        std::string file, why;
    };
    const TCase cases[] = {
        {folder_.File("missing.xml"), "cannot be read"},
        {folder_.File("unknown.xml"), "no class"},
        {folder_.File("widget.xml"), "no level definition"},
        {folder_.File("broken.xml"), ""},
        {"", ""},
    };
    for (const TCase& c : cases) {
        TLogCapture log;
        const auto levels = Catalogue(Entry("1", c.file));
        EXPECT_FALSE(levels->GetItemByName("1")->LoadLevelDef()) << c.file;
        EXPECT_TRUE(log.Has({"LEVEL", c.why})) << c.file;
    }
}

TEST_F(LevelDefs, ANameThatIsNoNumberIsLevelZero) {
    for (const char* name : {"japan", "", "12x", "99999999999"}) {
        const Ref<TQuillmarchLevelDef> def = CreateObject<TQuillmarchLevelDef>();
        def->SetName(name);
        EXPECT_EQ(def->GetLevelNumber(), 0) << name;
    }
}

}  // namespace
