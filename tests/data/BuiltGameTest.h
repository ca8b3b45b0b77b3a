// A test on the game as built, started at its main menu with a new player;
// the texts are read from the data folder, as the program reads them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/lang/MultiLanguages.h"
#include "game/UserProfiles.h"
#include "tests/data/BuiltGame.h"
#include "tests/support/GameHarness.h"

class TBuiltGameTest : public ::testing::Test {
protected:
    explicit TBuiltGameTest(std::string player) : player_(std::move(player)) {}

    void SetUp() override {
        game_ = HarnessOnBuiltData(QM_BUILT_DATA_DIR);
        savedLanguageFile_ = DefaultLanguageFile;
        DefaultLanguageFile = game_->Folder().File("lang/default.lng");
        ASSERT_TRUE(LoadLanguage(""));
        ASSERT_TRUE(StartBuiltDefinition(*game_));
        ASSERT_TRUE(ReachMainMenuWithPlayer(*game_, player_));
    }
    void TearDown() override {
        EndBuiltGame(game_);
        DefaultLanguageFile = savedLanguageFile_;
        LoadLanguage("");
    }

    bool OnTop(const std::string& name) const {
        const Ref<IGameScreenSlave> top = game_->Top();
        return top && top->GetName() == name;
    }
    // Frames of 20 ms until ready() holds, at most `frames` of them.
    template <class F>
    bool RunUntil(F ready, int frames = 1000) {
        for (int i = 0; i < frames && !ready(); ++i) game_->Step(1, 20);
        return ready();
    }
    Ref<IParamCollection> Profile() const {
        return game_->Game()->GetUserProfiles()->GetCurrent()->GetParams();
    }
    void Set(const std::string& key, const std::string& value) {
        Profile()->SetValue(key, Variant(value));
    }

    std::unique_ptr<TGameHarness> game_;

private:
    std::string player_;
    std::string savedLanguageFile_;
};
