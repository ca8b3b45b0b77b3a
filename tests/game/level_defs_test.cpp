// Level catalogues: entries by level number, their display names and files,
// the definitions they load with the entry's values over the file's, the
// mini-game lookup, a broken entry skipped, and the stored form.
#include <gtest/gtest.h>

#include <string>

#include "core/storage/XMLStorage.h"
#include "game/GameLevelDefs.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace {

class LevelDefs : public testing::Test {
protected:
    LevelDefs() {
        folder.Write("one.xml", R"(<level type="QmTestLevelDef"><properties>
                                      <param name="rows" value="5"/>
                                      <param name="DisplayName" value="From the file"/>
                                    </properties></level>)");
        folder.Write("untyped.xml",
                     R"(<level><properties><param name="rows" value="7"/></properties></level>)");
        folder.Write("unknown.xml", R"(<level type="QmNoSuchLevelDef"/>)");
        folder.Write("notadef.xml", R"(<level type="ResourceFile"/>)");
    }
    ~LevelDefs() override { SetDefaultLevelDefType(""); }

    Ref<TLevelDefRefCollection> Load(const std::string& xml) {
        const Ref<TLevelDefRefCollection> levels =
            Ref<TLevelDefRefCollection>::Adopt(new TLevelDefRefCollection());
        levels->Create();
        EXPECT_TRUE(LoadPersistObject(levels, LoadStorageFromXML(xml)));
        return levels;
    }

    static std::string Entry(const std::string& level, const std::string& params) {
        return "<level level=\"" + level + "\"><properties>" + params + "</properties></level>";
    }
    static std::string Param(const std::string& name, const std::string& value) {
        return "<param name=\"" + name + "\" value=\"" + value + "\"/>";
    }

    TTempDir folder{"levels"};
    TCurrentFolder inFolder{folder.Path()};
    TLogCapture log;
};

std::string Text(const Ref<ILevelDef>& def, const std::string& name) {
    return def ? def->GetProperty(name).ToString() : "<none>";
}

TEST_F(LevelDefs, EntriesAreFoundByLevelWithTheirNamesAndFiles) {
    const Ref<TLevelDefRefCollection> levels =
        Load("<levels>" + Entry("1", Param("DisplayName", "First") + Param("filename", "one.xml")) +
             Entry("12", Param("filename", "untyped.xml")) + "</levels>");
    ASSERT_EQ(levels->GetCount(), 2);

    const Ref<ILevelDefRef> first = levels->GetByLevel(1);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->GetLevel(), 1);
    EXPECT_EQ(first->GetName(), "1");
    EXPECT_EQ(first->GetDisplayName(), "First");
    EXPECT_EQ(first->GetFileName(), "one.xml");
    EXPECT_EQ(levels->GetItem(Variant(1))->GetLevel(), 12);
    EXPECT_EQ(levels->GetDisplayName(12), std::optional<std::string>(""));
    EXPECT_EQ(levels->GetByLevel(12)->GetFileName(), "untyped.xml");

    // A level without an entry answers nothing.
    EXPECT_FALSE(levels->GetByLevel(2));
    EXPECT_FALSE(levels->LoadLevelDef(2));
    EXPECT_EQ(levels->GetDisplayName(2), std::nullopt);
}

TEST_F(LevelDefs, ALoadedDefinitionTakesTheEntrysValuesOverTheFiles) {
    const Ref<TLevelDefRefCollection> levels =
        Load("<levels>" +
             Entry("1", Param("DisplayName", "First") + Param("filename", "one.xml") +
                            Param("minigame", "mosaic")) +
             "</levels>");
    const Ref<ILevelDef> def = levels->LoadLevelDef(1);
    ASSERT_TRUE(def);
    EXPECT_EQ(Text(def, "rows"), "5");
    EXPECT_EQ(Text(def, "DisplayName"), "First");
    EXPECT_EQ(Text(def, "minigame"), "mosaic");
    EXPECT_EQ(Text(def, "filename"), "one.xml");
    // Each load is a new definition: changing one leaves the entry alone.
    def->SetProperty("rows", Variant("9"));
    EXPECT_EQ(Text(levels->LoadLevelDef(1), "rows"), "5");
}

TEST_F(LevelDefs, TheDefinitionsTypeComesFromItsFileOrTheDefaultAndMustBeALevelDefinition) {
    const Ref<TLevelDefRefCollection> levels =
        Load("<levels>" + Entry("1", Param("filename", "untyped.xml")) +
             Entry("2", Param("filename", "unknown.xml")) +
             Entry("3", Param("filename", "notadef.xml")) +
             Entry("4", Param("filename", "missing.xml")) + Entry("5", "") + "</levels>");
    EXPECT_FALSE(levels->LoadLevelDef(1));  // no default type yet
    SetDefaultLevelDefType("QmTestLevelDef");
    EXPECT_EQ(Text(levels->LoadLevelDef(1), "rows"), "7");
    for (int32_t level : {2, 3, 4, 5}) EXPECT_FALSE(levels->LoadLevelDef(level)) << level;
}

TEST_F(LevelDefs, TheMinigameLookupAnswersTheFirstMatchingEntrysLevel) {
    const Ref<TLevelDefRefCollection> levels =
        Load("<levels>" + Entry("3", Param("minigame", "bonus")) + Entry("5", "") +
             Entry("7", Param("minigame", "mosaic")) + Entry("9", Param("minigame", "mosaic")) +
             "</levels>");
    EXPECT_EQ(levels->FindMinigameLevel("mosaic"), 7);
    EXPECT_EQ(levels->FindMinigameLevel("bonus"), 3);
    // The empty name matches the first entry without the property.
    EXPECT_EQ(levels->FindMinigameLevel(""), 5);
    EXPECT_EQ(levels->FindMinigameLevel("Mosaic"), -1);
}

TEST_F(LevelDefs, AnEntryWhoseLevelIsNoIntegerIsSkippedAndTheRestLoad) {
    const Ref<TLevelDefRefCollection> levels = Load(
        "<levels>" + Entry("1", "") + Entry("two", Param("DisplayName", "Broken")) + Entry("", "") +
        Entry("99999999999", "") + Entry("-3", "") + Entry("4", "") + "</levels>");
    EXPECT_EQ(levels->GetCount(), 3);
    EXPECT_TRUE(levels->GetByLevel(1));
    EXPECT_EQ(levels->GetByLevel(-3)->GetLevel(), -3);
    EXPECT_TRUE(levels->GetByLevel(4));
    EXPECT_TRUE(log.Has({"GAME", "level entry skipped", "two"}));
    EXPECT_TRUE(log.Has({"GAME", "level entry skipped", "99999999999"}));
}

TEST_F(LevelDefs, ACatalogueSavesBackWithEveryEntrysLevel) {
    const Ref<TLevelDefRefCollection> levels =
        Load("<levels>" + Entry("2", Param("DisplayName", "Two")) + Entry("10", "") + "</levels>");
    const Ref<IHierStorage> root = Query<IHierStorage>(CreateStorage("levels"));
    SavePersistObject(levels, root);

    const Ref<TLevelDefRefCollection> again = Load(root->GetXML().ToString());
    ASSERT_EQ(again->GetCount(), 2);
    EXPECT_EQ(again->GetDisplayName(2), std::optional<std::string>("Two"));
    EXPECT_EQ(again->GetItem(Variant(1))->GetLevel(), 10);
}

}  // namespace
