// High-score tables: the definition, qualification, insertion, the tie order,
// trimming, LastAdded, player rows and loading.
#include <gtest/gtest.h>

#include "core/lang/MultiLanguages.h"
#include "tests/game/PlayerDataDescribe.h"
#include "tests/game/PlayerDataTestSupport.h"

namespace playerdata {
namespace {

constexpr char kThreeRows[] =
    "\\record_table={name=t\\max_records=3\\record_structure={param=Score\\param=Player}}";

// A table with rows of the given scores, in that order and unsorted, each
// player named after its position ("p0", "p1"...) unless given.
Ref<TRecordTable> TableWith(const std::vector<std::string>& scores, int32_t maxRecords = 3) {
    std::string definition = "\\name=t\\record_structure={param=Score\\param=Player}";
    definition += "\\max_records=";
    definition += std::to_string(maxRecords);
    Ref<TRecordTable> table = CreateObject<TRecordTable>(definition);
    for (size_t i = 0; i < scores.size(); ++i) {
        Ref<IRecord> row =
            Query<IRecord>(CreateAbstractObject(ClassOf<TRecord>(), table->GetRecordStructure()));
        row->GetParams()->SetValue("Score", Variant(scores[i]));
        std::string player = "p";
        player += std::to_string(i);
        row->GetParams()->SetValue("Player", Variant(player));
        table->GetRecords()->Add(row);
    }
    return table;
}

// "score/player score/player ..." best first.
std::string Rows(const Ref<IRecordTable>& table) {
    std::string out;
    Ref<IRecordCollection> rows = table->GetRecords();
    for (int32_t i = 0; i < rows->GetCount(); ++i) {
        Ref<IParamCollection> p = rows->GetItem(Variant(i))->GetParams();
        if (i) out += " ";
        out += TextOf(p->GetValue("Score", Variant()));
        out += "/";
        out += TextOf(p->GetValue("Player", Variant()));
    }
    return out;
}

TEST(HighScoresDefinitionTest, TheGamesDefinitionMakesFourteenTables) {
    ApplyQuillmarchConfiguration();
    Ref<THighScores> scores = NewHighScores();
    const std::vector<std::pair<std::string, int32_t>> expected = {
        {"japan", 3},          {"rome", 3},          {"tibet", 3},         {"egypt", 3},
        {"greece", 3},         {"aztecs", 3},        {"china", 3},         {"online_japan", 10},
        {"online_greece", 10}, {"online_tibet", 10}, {"online_egypt", 10}, {"online_aztecs", 10},
        {"online_rome", 10},   {"online_china", 10},
    };
    Ref<IRecordTableCollection> tables = scores->GetTables();
    ASSERT_EQ(tables->GetCount(), int32_t(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        auto* table = dynamic_cast<TRecordTable*>(tables->GetItem(Variant(int32_t(i))).get());
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->GetName(), expected[i].first);
        EXPECT_EQ(table->GetMaxRecords(), expected[i].second) << expected[i].first;
    }
    // Tables are found ignoring case; a new row has exactly the two fields.
    Ref<IRecord> row =
        scores->AddScore(Params({{"Score", "5"}, {"Player", "A"}, {"Extra", "x"}}), "JAPAN");
    ASSERT_TRUE(row);
    EXPECT_EQ(DescribeParams(row->GetParams()), "{Score=5,Player=A}");
    ResetGameShellConfiguration();
}

TEST(HighScoresDefinitionTest, EntriesAndTheirKeys) {
    struct Case {
        const char* definition;
        const char* expected;  // name/max/fields per table
    } cases[] = {
        {"\\record_table={name=a\\max_records=abc\\record_structure={param=Score}}", "a/10/Score"},
        {"\\record_table={name=a\\record_structure={param=Score}}", "a/0/Score"},
        {"\\record_table={name=a\\max_records=2\\record_structure={param=Score\\param=\\param=P}}",
         "a/2/Score,P"},
        {"\\other={name=x}\\record_table={name=a\\max_records=1\\colour=red}", "a/1/"},
        {"\\record_table={name=a\\max_records=1}\\record_table={name=A\\max_records=5}", "a/1/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.definition);
        Ref<THighScores> scores = CreateObject<THighScores>(c.definition);
        std::string out;
        Ref<IRecordTableCollection> tables = scores->GetTables();
        for (int32_t i = 0; i < tables->GetCount(); ++i) {
            auto* table = dynamic_cast<TRecordTable*>(tables->GetItem(Variant(i)).get());
            Ref<IRecord> row = Query<IRecord>(
                CreateAbstractObject(ClassOf<TRecord>(), table->GetRecordStructure()));
            std::string fields;
            for (int32_t f = 0; f < row->GetParams()->GetCount(); ++f) {
                if (f) fields += ",";
                fields += row->GetParams()->GetParam(Variant(f))->GetName();
            }
            out += table->GetName() + "/" + std::to_string(table->GetMaxRecords()) + "/" + fields;
        }
        EXPECT_EQ(out, c.expected);
    }
}

TEST(HighScoreTableTest, Qualification) {
    struct Case {
        std::vector<std::string> rows;
        int32_t maxRecords;
        int32_t score;
        bool qualifies;
    } cases[] = {
        {{}, 3, 1, true},
        {{}, 3, 0, false},
        {{}, 3, -5, false},
        {{"100", "90", "80"}, 3, 80, false},  // a tie does not enter a full table
        {{"100", "90", "80"}, 3, 81, true},
        {{"100", "90"}, 3, 1, true},  // not full: any positive score
        {{}, 0, 1000, false},         // a table without a length takes nothing
        {{}, -2, 1000, false},
        {{"100", "90", "abc"}, 3, 1, true},  // a last score that is no number counts as 0
        {{"100", "90", "abc"}, 3, 0, false},
    };
    for (const Case& c : cases) {
        Ref<TRecordTable> table = TableWith(c.rows, c.maxRecords);
        EXPECT_EQ(table->IsHighScore(c.score), c.qualifies)
            << Rows(table) << " max " << c.maxRecords << " score " << c.score;
    }
}

TEST(HighScoreTableTest, AddScoreInsertsRanksTrimsAndMarks) {
    struct Case {
        std::vector<std::string> rows;
        std::string score;
        std::string after;
        int32_t lastAdded;
    } cases[] = {
        {{"100", "90", "80"}, "85", "100/p0 90/p1 85/new", 2},
        {{"100", "90", "80"}, "200", "200/new 100/p0 90/p1", 0},
        {{"100", "90", "80"}, "80", "100/p0 90/p1 80/p2", -1},  // refused: nothing changes
        {{"100", "50"}, "50", "100/p0 50/p1 50/new", 2},        // a tie goes after, unsorted
        {{"100", "50"}, "60", "100/p0 60/new 50/p1", 1},
        {{}, "7", "7/new", 0},
        {{"100"}, "0", "100/p0", -1},
        {{"100"}, "abc", "100/p0", -1},  // no number: nothing added
        {{"100"}, "", "100/p0", -1},
    };
    for (const Case& c : cases) {
        Ref<TRecordTable> table = TableWith(c.rows);
        Ref<IRecord> row = table->AddScore(Params({{"Score", c.score}, {"Player", "new"}}));
        EXPECT_EQ(Rows(table), c.after) << "adding " << c.score;
        EXPECT_EQ(table->GetLastAdded(), c.lastAdded) << "adding " << c.score;
        EXPECT_EQ(row != nullptr, c.lastAdded >= 0);
    }
    // Without a score nothing happens.
    Ref<TRecordTable> table = TableWith({"100"});
    EXPECT_FALSE(table->AddScore(Params({{"Player", "x"}})));
    EXPECT_FALSE(table->AddScore(nullptr));
    EXPECT_EQ(Rows(table), "100/p0");
}

TEST(HighScoreTableTest, SortingKeepsItsOwnTieOrder) {
    struct Case {
        std::vector<std::string> rows;
        std::string sorted;
        bool reordered;
    } cases[] = {
        // p3 is the newest 60: it ends before the older one here...
        {{"100", "50", "60", "60"}, "100/p0 60/p3 60/p2 50/p1", true},
        // ...and after it here.
        {{"100", "60", "50", "60"}, "100/p0 60/p1 60/p3 50/p2", true},
        {{"100", "60", "60", "50"}, "100/p0 60/p1 60/p2 50/p3", false},
        {{"abc", "5", "x", "7"}, "7/p3 5/p1 abc/p0 x/p2", true},  // no numbers sink
        {{}, "", false},
    };
    for (const Case& c : cases) {
        Ref<TRecordTable> table = TableWith(c.rows, 10);
        EXPECT_EQ(table->SortRecords(), c.reordered) << c.sorted;
        EXPECT_EQ(Rows(table), c.sorted);
    }
}

TEST(HighScoreTableTest, SubmitScoreAddsOrRaisesThePlayersRowButNeverLowersIt) {
    struct Case {
        std::string player;
        std::string score;
        bool answer;
        std::string after;
        int32_t lastAdded;
    } cases[] = {
        {"new", "95", true, "100/p0 95/new 90/p1", 1},   // no row yet: added
        {"p2", "95", true, "100/p0 95/p2 90/p1", 1},     // raised and moved up
        {"p1", "95", false, "100/p0 95/p1 80/p2", 1},    // raised, order kept
        {"p0", "85", false, "100/p0 90/p1 80/p2", -1},   // lower: the best score stays
        {"p0", "100", false, "100/p0 90/p1 80/p2", -1},  // equal: nothing changes
        {"p2", "70", false, "100/p0 90/p1 80/p2", -1},   // does not qualify
        {"new", "abc", false, "100/p0 90/p1 80/p2", -1},
    };
    for (const Case& c : cases) {
        Ref<TRecordTable> table = TableWith({"100", "90", "80"});
        EXPECT_EQ(table->SubmitScore(Params({{"Player", c.player}, {"Score", c.score}})), c.answer)
            << c.player << " " << c.score;
        EXPECT_EQ(Rows(table), c.after) << c.player << " " << c.score;
        EXPECT_EQ(table->GetLastAdded(), c.lastAdded) << c.player << " " << c.score;
    }
}

TEST(HighScoreTableTest, ConstRowsAreNotAPlayersOwn) {
    Ref<TRecordTable> table = CreateObject<TRecordTable>(
        "\\name=t\\max_records=5\\record_structure={param=Score\\param=Player\\param=Const}");
    ASSERT_TRUE(table->AddScore(Params({{"Score", "50"}, {"Player", "Ann"}, {"Const", "yes"}})));
    EXPECT_TRUE(table->CanAddForPlayer("Ann"));
    // The player's first ordinary row is added; a second one is refused.
    EXPECT_TRUE(table->AddPlayerScore(Params({{"Score", "40"}, {"Player", "Ann"}})));
    EXPECT_FALSE(table->CanAddForPlayer("Ann"));
    EXPECT_FALSE(table->AddPlayerScore(Params({{"Score", "45"}, {"Player", "Ann"}})));
    // SubmitScore raises the ordinary row, not the constant one.
    EXPECT_TRUE(table->SubmitScore(Params({{"Score", "60"}, {"Player", "Ann"}})));
    EXPECT_EQ(Rows(table), "60/Ann 50/Ann");
    EXPECT_EQ(
        TextOf(table->GetRecords()->GetItem(Variant(1))->GetParams()->GetValue("Const", Variant())),
        "yes");
}

TEST(HighScoreTableTest, ClearRemovesRowsAndTheMark) {
    Ref<TRecordTable> table = TableWith({"100"});
    ASSERT_TRUE(table->AddScore(Params({{"Score", "5"}, {"Player", "x"}})));
    EXPECT_EQ(table->GetLastAdded(), 1);
    table->Clear();
    EXPECT_EQ(table->GetRecords()->GetCount(), 0);
    EXPECT_EQ(table->GetLastAdded(), -1);
}

TEST(HighScoresTest, OperationsOnATableThatDoesNotExist) {
    Ref<THighScores> scores = CreateObject<THighScores>(kThreeRows);
    const Ref<IParamCollection> params = Params({{"Score", "5"}, {"Player", "x"}});
    EXPECT_FALSE(scores->IsHighScore(5, "nope"));
    EXPECT_FALSE(scores->AddScore(params, "nope"));
    EXPECT_FALSE(scores->AddPlayerScore(params, "nope"));
    EXPECT_FALSE(scores->SubmitScore(params, "nope"));
    EXPECT_EQ(Describe(scores), "");
}

TEST(HighScoresTest, ResetLastAddedAndClearAllReachEveryTable) {
    Ref<THighScores> scores = CreateObject<THighScores>(
        std::string(kThreeRows) +
        "\\record_table={name=u\\max_records=3\\record_structure={param=Score}}");
    scores->AddScore(Params({{"Score", "5"}}), "t");
    scores->AddScore(Params({{"Score", "6"}}), "u");
    scores->ResetLastAdded();
    EXPECT_EQ(scores->GetTables()->GetItem(Variant("t"))->GetLastAdded(), -1);
    EXPECT_EQ(scores->GetTables()->GetItem(Variant("u"))->GetLastAdded(), -1);
    EXPECT_EQ(Describe(scores), "t: {Score=5,Player=} | u: {Score=6} | ");
    scores->ClearAll();
    EXPECT_EQ(Describe(scores), "");
}

TEST(HighScoresTest, RowNamesAreFreshEveryRun) {
    const uint32_t before = NextRecordNumber();
    Ref<TRecordTable> table = TableWith({"1", "2"});
    EXPECT_EQ(table->GetRecords()->GetItem(Variant(0))->GetName(),
              "Record" + std::to_string(before + 1));
    EXPECT_EQ(table->GetRecords()->GetItem(Variant(1))->GetName(),
              "Record" + std::to_string(before + 2));
    // A name cannot be changed afterwards.
    table->GetRecords()->GetItem(Variant(0))->SetName("Record1");
    EXPECT_EQ(table->GetRecords()->GetItem(Variant(0))->GetName(),
              "Record" + std::to_string(before + 1));
}

// ---------------------------------------------------------------------------
// Loading

class HighScoresFileTest : public PlayerDataTest {};

TEST_F(HighScoresFileTest, LoadingRanksAndTrimsAndSkipsWhatTheDefinitionLacks) {
    WritePlayerFile(UserFile("highscores.dat"),
                    "<highscores><recordtables>"
                    "<recordtable name=\"JAPAN\"><records>"
                    "<record><params><param name=\"Score\">10</param>"
                    "<param name=\"Player\">a</param></params></record>"
                    "<record><params><param name=\"Score\">50</param>"
                    "<param name=\"Player\">b</param><param name=\"Colour\">red</param></params>"
                    "</record>"
                    "<record><params><param name=\"Score\">30</param>"
                    "<param name=\"Player\">c</param></params></record>"
                    "<record><params><param name=\"Score\">40</param>"
                    "<param name=\"Player\">d</param></params></record>"
                    "<record><params><param name=\"Score\">20</param>"
                    "<param name=\"Player\">e</param></params></record>"
                    "</records></recordtable>"
                    "<recordtable name=\"atlantis\"><records><record><params>"
                    "<param name=\"Score\">99</param></params></record></records></recordtable>"
                    "</recordtables></highscores>",
                    GetHighScoresFileKey());
    Ref<THighScores> scores = NewHighScores();
    ASSERT_EQ(scores->Load(Engine(), false), TPlayerFileLoad::kLoaded);
    // The table takes the name as the file spells it.
    EXPECT_EQ(Describe(scores),
              "JAPAN: {Score=50,Player=b} {Score=40,Player=d} {Score=30,Player=c} | ");
    EXPECT_EQ(scores->GetTables()->GetItem(Variant("japan"))->GetLastAdded(), -1);
}

TEST_F(HighScoresFileTest, PlayerNamesAreReadAsStored) {
    // A name that looks like a language key or holds percent signs is a name.
    SetTextVariable("CreateNewUser", "New player");
    const std::string stored = "%CreateNewUser% 100%% <me>";
    ASSERT_NE(Translate(stored), stored);
    Ref<THighScores> scores = NewHighScores();
    ASSERT_TRUE(scores->AddScore(Params({{"Score", "5"}, {"Player", stored}}), "rome"));
    ASSERT_TRUE(scores->Save(Engine()));
    Ref<THighScores> loaded = NewHighScores();
    ASSERT_EQ(loaded->Load(Engine(), false), TPlayerFileLoad::kLoaded);
    EXPECT_EQ(Describe(loaded), "rome: {Score=5,Player=" + stored + "} | ");
}

TEST_F(HighScoresFileTest, LoadingTwiceDoesNotDoubleTheRows) {
    ASSERT_TRUE(SampleHighScores()->Save(Engine()));
    Ref<THighScores> scores = NewHighScores();
    ASSERT_EQ(scores->Load(Engine(), false), TPlayerFileLoad::kLoaded);
    ASSERT_EQ(scores->Load(Engine(), false), TPlayerFileLoad::kLoaded);
    EXPECT_EQ(Describe(scores), Describe(SampleHighScores()));
}

TEST_F(HighScoresFileTest, TheShippedDefaultsHoldThreeRowsForEachLocalTable) {
    const std::string shipped = std::string(QM_BUILT_DATA_DIR) + "/highscores.dat";
    const std::string text = ReadFileBytes(shipped);
    ASSERT_FALSE(text.empty()) << shipped;
    EXPECT_TRUE(IsUpperHex(text.substr(0, text.size() - 1)));
    EXPECT_EQ(text.back(), '\n');
    std::filesystem::copy_file(shipped, AppFile("highscores.dat"));

    Ref<THighScores> scores = NewHighScores();
    ASSERT_EQ(scores->Load(Engine(), false), TPlayerFileLoad::kLoaded);
    Ref<IRecordTableCollection> tables = scores->GetTables();
    for (int32_t t = 0; t < tables->GetCount(); ++t) {
        Ref<IRecordTable> table = tables->GetItem(Variant(t));
        const bool online = table->GetName().rfind("online_", 0) == 0;
        Ref<IRecordCollection> rows = table->GetRecords();
        EXPECT_EQ(rows->GetCount(), online ? 0 : 3) << table->GetName();
        for (int32_t r = 0; r < rows->GetCount(); ++r) {
            Ref<IRecord> row = rows->GetItem(Variant(r));
            EXPECT_GT(row->GetScore(), 0) << table->GetName();
            EXPECT_FALSE(TextOf(row->GetParams()->GetValue("Player", Variant())).empty());
            if (r > 0) {
                EXPECT_GE(rows->GetItem(Variant(r - 1))->GetScore(), row->GetScore());
            }
        }
    }
    EXPECT_TRUE(log.Lines().empty()) << log.Lines().front();
}

}  // namespace
}  // namespace playerdata
