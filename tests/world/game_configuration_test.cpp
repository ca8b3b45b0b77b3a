// The game's configuration as the program applies it at start-up: the engine
// and the game shell get this game's values, and a game started under them
// has the fourteen high-score tables and the shared options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/lang/MultiLanguages.h"
#include "engine/EngineStartup.h"
#include "game/GameConfig.h"
#include "game/HighScores.h"
#include "nonogram/LevelDefs.h"
#include "tests/game/GameShellTestSupport.h"
#include "world/GameConfiguration.h"

namespace {

using namespace gametest;

class GameConfiguration : public GameShellTest {
protected:
    void SetUp() override {
        GameShellTest::SetUp();
        savedNewUser_ = GetLanguageString("CreateNewUser", "");
    }
    void TearDown() override {
        GameShellTest::TearDown();
        GetMultiLanguages()->Strings().SetString(savedNewUser_, "CreateNewUser");
        // Back to the neutral values the other tests run under.
        ResetGameShellConfiguration();
        SetGameDefinitionPath(kDefaultGameDefinitionPath);
        SetDataFileKey("");
        SetProductName(kDefaultProductName);
        SetGameVersion("");
    }

    std::string savedNewUser_;
};

TEST_F(GameConfiguration, TheGamesValuesEvenWhenAppliedTwice) {
    ApplyQuillmarchConfiguration();
    // Applying it again must not append the suffix twice.
    ApplyQuillmarchConfiguration();
    EXPECT_EQ(GetProductName(), "Quillmarchmac");
    EXPECT_EQ(GetGameDefinitionPath(), "data\\ini\\Quillmarch.ini");
    EXPECT_EQ(GetUsersFileName(), "users.dat");
    EXPECT_EQ(GetGlobalOptionsList(),
              ";FullScreenMode;MusicVolume;SoundVolume;ShowHints;WideScreenMode;");
    EXPECT_EQ(GetOptionsFileKey(), "wq4ptz8mvy2nrx6ke9hsua");
    EXPECT_EQ(GetRecordsFileKey(), "hx6vpq2mzt8wyr4n");
    EXPECT_EQ(GetDataFileKey(), "pzqx71vmwr4ntbk8cyq3jh6gme");
    EXPECT_EQ(GetUsersFileKey(), "ny3kwz7qpv5mxt2r");
    EXPECT_EQ(GetHighScoresFileKey(), "zm7qyv3xwp5ktr9");
    // The player data folder carries the suffix too.
    const std::string folder = GetUserDataDir();
    EXPECT_NE(folder.find("/Tessalind/Quillmarchmac/"), std::string::npos) << folder;
}

TEST_F(GameConfiguration, TheNewUserTextIsTranslatedOnceAtStartUp) {
    GetMultiLanguages()->Strings().SetString("New player", "CreateNewUser");
    ApplyQuillmarchConfiguration();
    EXPECT_EQ(GetNewUserText(), "New player");
    // A later change of the language tables leaves it as it was.
    GetMultiLanguages()->Strings().SetString("Nouveau joueur", "CreateNewUser");
    EXPECT_EQ(GetNewUserText(), "New player");
}

TEST_F(GameConfiguration, OnlyTheListedOptionsAreSharedByEveryProfile) {
    ApplyQuillmarchConfiguration();
    const struct {
        const char* name;
        bool global;
    } cases[] = {
        {"ShowHints", true},      {"FullScreenMode", true},
        {"WideScreenMode", true}, {"MusicVolume", true},
        {"SoundVolume", true},    {"UseAutoComplete", false},
        {"Hints", false},  // a part of a listed name is not listed
        {"showhints", false},     {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(TGame::IsGlobalOption(c.name), c.global) << c.name;
}

std::string NamesAndLimits(const Ref<IRecordTableCollection>& tables) {
    std::string text;
    for (int32_t i = 0; i < tables->GetCount(); ++i) {
        auto* table = dynamic_cast<TRecordTable*>(tables->GetItem(Variant(i)).get());
        if (!table) return "not a record table at " + std::to_string(i);
        text += table->GetName() + "/" + std::to_string(table->GetMaxRecords()) + " ";
    }
    return text;
}

Ref<IParamCollection> Score(int32_t score) {
    Ref<IParamCollection> params = Results("Player", "Ann");
    params->SetValue("Score", Variant(score));
    params->SetValue("Level", Variant("3"));
    return params;
}

TEST_F(GameConfiguration, AGameStartedUnderItHasTheFourteenTables) {
    ApplyQuillmarchConfiguration();
    // The harness writes its game definition as plain text.
    SetDataFileKey("");
    TGameHarness& game = Start(GameOf(
        R"(maings="GS_Main")", ScreensOf(PlainScreen("GS_Main", 0, 0, 640, 480, 0xFF0000FF))));
    game.Step(1);
    const Ref<IHighScores> scores = Game().GetHighScores();
    ASSERT_TRUE(scores);
    EXPECT_EQ(NamesAndLimits(scores->GetTables()),
              "japan/3 rome/3 tibet/3 egypt/3 greece/3 aztecs/3 china/3 online_japan/10 "
              "online_greece/10 online_tibet/10 online_egypt/10 online_aztecs/10 online_rome/10 "
              "online_china/10 ");
    // A location's table keeps its three best; an online one ten.
    for (int32_t s = 1; s <= 12; ++s) {
        scores->AddScore(Score(s * 10), "japan");
        scores->AddScore(Score(s * 10), "online_japan");
    }
    const Ref<IRecordTable> japan = scores->GetTables()->GetItem(Variant("japan"));
    const Ref<IRecordTable> online = scores->GetTables()->GetItem(Variant("online_japan"));
    ASSERT_TRUE(japan && online);
    EXPECT_EQ(japan->GetRecords()->GetCount(), 3);
    EXPECT_EQ(online->GetRecords()->GetCount(), 10);
    EXPECT_EQ(japan->GetRecords()->GetItem(Variant(0))->GetScore(), 120);
    // A row has the fields Score and Player, in that order, and nothing else.
    EXPECT_EQ(ParamsText(japan->GetRecords()->GetItem(Variant(2))->GetParams()),
              "Score=100,Player=Ann");
}

TEST_F(GameConfiguration, TheCatalogueEntryAnswersItsKindFromTheSharedKey) {
    Ref<TQuillmarchLevelDefRef> entry = CreateObject<TQuillmarchLevelDefRef>();
    entry->SetProperty(LevelTypeKey, Variant("bonus"));
    EXPECT_EQ(entry->GetLevelType(), "bonus");
}

}  // namespace
