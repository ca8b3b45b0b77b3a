// Level records: records found or added by level, their values, and loading.
#include <gtest/gtest.h>

#include "tests/game/PlayerDataDescribe.h"
#include "tests/game/PlayerDataTestSupport.h"

namespace playerdata {
namespace {

Ref<TLevelRecords> TwoTables() {
    return CreateObject<TLevelRecords>(kTwoLevelTables);
}

TEST(LevelRecordsTest, GetRecordFindsOrAddsAndOverwritesValues) {
    Ref<TLevelRecords> records = TwoTables();
    Ref<ILevelRecord> first =
        records->GetRecord(Params({{"time", "90"}, {"hints", "2"}}), "main", 5);
    ASSERT_TRUE(first);
    Ref<ILevelRecord> again =
        records->GetRecord(Params({{"TIME", "80"}, {"", "ignored"}}), "MAIN", 5);
    EXPECT_EQ(again, first);
    EXPECT_EQ(DescribeParams(first->GetParams()), "{time=80,hints=2}");
    // A caller that only reads passes no values.
    EXPECT_EQ(records->GetRecord(nullptr, "main", 5), first);
    EXPECT_EQ(Describe(records), "main: 5{time=80,hints=2} | bonus: | ");
}

TEST(LevelRecordsTest, ATableThatDoesNotExistGivesNothing) {
    Ref<TLevelRecords> records = TwoTables();
    EXPECT_FALSE(records->GetRecord(Params({{"time", "1"}}), "nope", 1));
    EXPECT_EQ(Describe(records), "main: | bonus: | ");
    // The game's own definition has no tables at all.
    Ref<TLevelRecords> none = CreateObject<TLevelRecords>("");
    EXPECT_EQ(none->GetTables()->GetCount(), 0);
    EXPECT_FALSE(none->GetRecord(nullptr, "main", 1));
}

TEST(LevelRecordsTest, ValuesReadWithDefaults) {
    Ref<ILevelRecord> record = TwoTables()->GetRecord(nullptr, "main", 12);
    record->SetString("word", "abc");
    record->SetInt("count", -7);
    struct Case {
        const char* name;
        int32_t defaultValue;
        bool store;
        int32_t answer;
        const char* afterwards;
    } cases[] = {
        {"count", 0, false, -7, "{word=abc,count=-7}"},
        {"word", 4, true, 4, "{word=abc,count=-7}"},  // no number: the default, nothing stored
        {"absent", 9, false, 9, "{word=abc,count=-7}"},
        {"absent", 0, true, 0, "{word=abc,count=-7,absent=0}"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(record->GetInt(c.name, c.defaultValue, c.store), c.answer) << c.name;
        EXPECT_EQ(DescribeParams(record->GetParams()), c.afterwards) << c.name;
    }
    EXPECT_EQ(record->GetString("word", "x", true), "abc");
    EXPECT_EQ(record->GetString("other", "x", false), "x");
    EXPECT_EQ(record->GetString("other", "y", true), "y");
    EXPECT_EQ(record->GetString("other", "z", false), "y");
}

TEST(LevelRecordsTest, TheLevelIsTheNameAsANumber) {
    Ref<ILevelRecord> record = TwoTables()->GetRecord(nullptr, "main", 12);
    EXPECT_EQ(record->GetName(), "12");
    EXPECT_EQ(record->GetLevel(), 12);
    record->SetName("twelve");
    EXPECT_EQ(record->GetLevel(), -1);
    record->SetName("-3");
    EXPECT_EQ(record->GetLevel(), -3);
}

class LevelRecordsFileTest : public PlayerDataTest {
protected:
    void SetUp() override {
        PlayerDataTest::SetUp();
        SetLevelRecordsDefinition(kTwoLevelTables);
    }
};

TEST_F(LevelRecordsFileTest, ADefaultStoredOnReadIsSaved) {
    Ref<TLevelRecords> records = NewLevelRecords();
    EXPECT_EQ(records->GetRecord(nullptr, "bonus", 2)->GetInt("best", 0, true), 0);
    ASSERT_TRUE(records->Save(Engine()));
    Ref<TLevelRecords> loaded = NewLevelRecords();
    ASSERT_EQ(loaded->Load(Engine()), TPlayerFileLoad::kLoaded);
    EXPECT_EQ(Describe(loaded), "main: | bonus: 2{best=0} | ");
}

TEST_F(LevelRecordsFileTest, LoadingTwiceKeepsOneRecordPerLevel) {
    ASSERT_TRUE(SampleLevelRecords()->Save(Engine()));
    Ref<TLevelRecords> records = NewLevelRecords();
    ASSERT_EQ(records->Load(Engine()), TPlayerFileLoad::kLoaded);
    ASSERT_EQ(records->Load(Engine()), TPlayerFileLoad::kLoaded);
    EXPECT_EQ(Describe(records), Describe(SampleLevelRecords()));
}

}  // namespace
}  // namespace playerdata
