// What the game shell tests share: game definitions written from small
// pieces, and a fixture with the game harness, a clear journal and the
// configuration values put back.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "game/GameConfig.h"
#include "tests/game/GameTestClasses.h"
#include "tests/support/GameHarness.h"

namespace gametest {

inline std::string ColorText(uint32_t color) {
    char text[16];
    std::snprintf(text, sizeof text, "$%08X", color);
    return text;
}

// A visible leaf painting its rectangle in color; it stops the mouse unless
// the attributes say "mousestop".
inline std::string Leaf(const std::string& name, int x, int y, int w, int h, uint32_t color,
                        const std::string& attributes = "") {
    const bool ownStop = attributes.find("mousestop=") != std::string::npos;
    return "<widget type=\"qm_game_leaf\" name=\"" + name + "\" " +
           (attributes.find("visible=") != std::string::npos ? "" : "visible=\"yes\" ") +
           (ownStop ? "" : "mousestop=\"yes\" ") + "anchor_left=\"" + std::to_string(x) +
           "\" anchor_top=\"" + std::to_string(y) + "\" width=\"" + std::to_string(w) +
           "\" height=\"" + std::to_string(h) + "\" color=\"" + ColorText(color) + "\" " +
           attributes + "/>";
}

// A screen of the test class whose window (an effect window taking effectMs
// to show or hide) holds the widgets.
inline std::string ScreenOf(const std::string& name, const std::string& widgets, int effectMs = 0,
                            const std::string& attributes = "") {
    return "<gamescreen name=\"" + name + "\" type=\"QmTestGameScreen\" " + attributes +
           "><window type=\"qm_test_effect_window\" effecttime=\"" + std::to_string(effectMs) +
           "\"><widgets>" + widgets + "</widgets></window></gamescreen>";
}

// A screen covering x, y, w, h in one colour.
inline std::string PlainScreen(const std::string& name, int x, int y, int w, int h, uint32_t color,
                               int effectMs = 0) {
    return ScreenOf(name, Leaf(name + "_bg", x, y, w, h, color), effectMs);
}

inline std::string GameOf(const std::string& attributes, const std::string& body) {
    return "<game name=\"test game\" type=\"Game\" " + attributes + ">" + body + "</game>";
}

inline std::string ScreensOf(const std::string& screens) {
    return "<gamescreens>" + screens + "</gamescreens>";
}

// A resource list with one test resource.
inline std::string ResourceList(const std::string& resourceName) {
    return "<resources><content><resource name=\"" + resourceName +
           "\" type=\"QmTestResource\" file=\"none\"/></content></resources>";
}

// A parameter collection of one value (show parameters, results).
inline Ref<IParamCollection> Results(const std::string& name, const std::string& value) {
    Ref<IParamCollection> params =
        Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    params->SetValue(name, Variant(value));
    return params;
}

inline TTestGameScreen* TestScreen(const Ref<IGameScreenSlave>& screen) {
    return dynamic_cast<TTestGameScreen*>(screen.get());
}

// Whether the journal holds these lines in this order (others may lie
// between them).
inline ::testing::AssertionResult JournalHasInOrder(const std::vector<std::string>& lines) {
    size_t at = 0;
    for (const std::string& line : lines) {
        while (at < Journal().size() && Journal()[at] != line) ++at;
        if (at == Journal().size()) {
            std::string all;
            for (const std::string& l : Journal()) all += "\n  " + l;
            return ::testing::AssertionFailure()
                   << "\"" << line << "\" missing in order; journal:" << all;
        }
        ++at;
    }
    return ::testing::AssertionSuccess();
}

inline bool JournalHas(const std::string& line) {
    for (const std::string& l : Journal()) {
        if (l == line) return true;
    }
    return false;
}

class GameShellTest : public ::testing::Test {
protected:
    void SetUp() override { Journal().clear(); }
    void TearDown() override {
        harness.reset();
        ResetGameShellConfiguration();
        Journal().clear();
        OnResourceLoad() = nullptr;
        OnResourceUnload() = nullptr;
        AttachProbe() = nullptr;
    }

    // A new harness started on the definition; files for the game to read
    // may be given first.
    TGameHarness& Start(const std::string& definition,
                        std::initializer_list<std::pair<std::string, std::string>> files = {}) {
        Make();
        for (const auto& [name, text] : files) harness->Folder().Write(name, text);
        harness->Start(definition);
        return *harness;
    }
    // The harness made but not started, for files in the player data folder.
    TGameHarness& Make() {
        // One harness at a time: the old one puts back what it changed first.
        harness.reset();
        harness = std::make_unique<TGameHarness>();
        return *harness;
    }

    TGame& Game() const { return *harness->Game(); }
    TTestGameScreen* Screen(const std::string& name) const {
        return TestScreen(harness->Screen(name));
    }

    std::unique_ptr<TGameHarness> harness;
};

}  // namespace gametest
