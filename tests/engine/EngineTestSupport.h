// What the engine tests share: a game class the tests script, a fixture
// that gives the engine the headless platform and an audio backend without
// output over a copy of the test data folder, and collects the log.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/base/Log.h"
#include "core/object/GeneralClasses.h"
#include "core/persist/EngineGeneralClasses.h"
#include "core/persist/Params.h"
#include "engine/Engine.h"
#include "engine/EngineStartup.h"
#include "engine/resources/EngineResources.h"
#include "platform/HeadlessPlatform.h"
#include "platform/audio/AudioDevice.h"
#include "tests/support/TempDir.h"

namespace enginetest {

class TTestGame;

// What the registered test game does and what it saw. One script is current
// at a time; the fixture installs it.
struct TGameScript {
    std::vector<std::string> calls;  // "load", "init", "update 10", "render", ...
    std::function<void(TTestGame&)> onLoad;
    std::function<void(TTestGame&)> onInit;
    std::function<void(TTestGame&, int32_t elapsed)> onUpdate;
    std::function<void(TTestGame&, ISurface&)> onRender;
    std::function<void(TTestGame&, int32_t code, int32_t x, int32_t y, int32_t buttons)> onMouse;
    std::function<void(TTestGame&)> onDone;
    bool recordMoves = true;
    bool allowQuit = true;
    int queryQuitCalls = 0;
    int gamesDestroyed = 0;
    int updateDepth = 0;     // Update calls running right now
    int maxUpdateDepth = 0;  // the deepest nesting seen
};

inline TGameScript*& CurrentScript() {
    static TGameScript* script = nullptr;
    return script;
}

inline void Record(const std::string& call) {
    if (CurrentScript()) CurrentScript()->calls.push_back(call);
}

// A game that keeps the engine between Init and Done, as the real one does.
class TTestGame final : public TPersistObject, public virtual IGame {
public:
    ~TTestGame() override {
        if (CurrentScript()) ++CurrentScript()->gamesDestroyed;
    }

    void LoadFrom(const Ref<IHierStorage>& storage) override {
        TPersistObject::LoadFrom(storage);
        pattern = ReadColor(storage, "pattern", 0);
        Record("load");
        if (CurrentScript() && CurrentScript()->onLoad) CurrentScript()->onLoad(*this);
    }

    bool Init(const Ref<IEngine>& e) override {
        engine = e;
        Record("init");
        if (CurrentScript() && CurrentScript()->onInit) CurrentScript()->onInit(*this);
        return true;
    }
    void Done() override {
        Record("done");
        if (CurrentScript() && CurrentScript()->onDone) CurrentScript()->onDone(*this);
        engine = nullptr;
    }
    void Update(int32_t elapsedMs) override {
        Record("update " + std::to_string(elapsedMs));
        TGameScript* s = CurrentScript();
        if (!s) return;
        ++s->updateDepth;
        s->maxUpdateDepth = std::max(s->maxUpdateDepth, s->updateDepth);
        if (s->onUpdate) s->onUpdate(*this, elapsedMs);
        --s->updateDepth;
    }
    void Render(const Ref<ISurface>& surface) override {
        Record("render");
        if (CurrentScript() && CurrentScript()->onRender)
            CurrentScript()->onRender(*this, *surface);
    }
    bool MouseEvent(int32_t code, int32_t x, int32_t y, int32_t buttons) override {
        if (code != 10 || !CurrentScript() || CurrentScript()->recordMoves) {
            Record("mouse " + std::to_string(code) + " " + std::to_string(x) + "," +
                   std::to_string(y) + " b" + std::to_string(buttons));
        }
        if (CurrentScript() && CurrentScript()->onMouse)
            CurrentScript()->onMouse(*this, code, x, y, buttons);
        return true;
    }
    bool KeyEvent(int32_t kind, uint8_t character, uint32_t modifiers) override {
        Record("key " + std::to_string(kind) + " " + std::to_string(character) + " m" +
               std::to_string(modifiers));
        return true;
    }
    void SetActive(bool active) override { Record(active ? "active" : "inactive"); }
    bool QueryQuit() override {
        Record("queryquit");
        if (!CurrentScript()) return true;
        ++CurrentScript()->queryQuitCalls;
        return CurrentScript()->allowQuit;
    }
    void SetOption(const std::string& name, const std::string& value) override {
        Record("option " + name + "=" + value);
    }
    void EndFrame() override { Record("endframe"); }

    Ref<IEngine> engine;
    uint32_t pattern = 0;
};

// A named object that is no game.
class TNotAGame final : public TPersistObject {};

inline void RegisterTestClasses() {
    if (!FindRegisteredClass("QmTestGame")) RegisterObjectClass(ClassOf<TTestGame>(), "QmTestGame");
    if (!FindRegisteredClass("QmNotAGame")) RegisterObjectClass(ClassOf<TNotAGame>(), "QmNotAGame");
    if (!FindRegisteredClass("QmTestResource"))
        RegisterObjectClass(ClassOf<TResource>(), "QmTestResource");
}

// The key the enciphered fixture files are written with.
inline constexpr char kTestDataKey[] = "k7u2m9x4c1q8w3e6r5t0y2p4zq";

inline std::string FixtureFolder() {
    return std::string(QM_TEST_DATA_DIR) + "/engine_game";
}

// A test with a fresh copy of the fixture data folder as the application
// data folder, the headless platform, an audio backend without output, the
// test classes registered and the log collected. Everything it changes is put
// back afterwards.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClasses();
        CurrentScript() = &script;
        std::filesystem::copy(FixtureFolder(), data.Path(),
                              std::filesystem::copy_options::recursive);
        previousFolder = std::filesystem::current_path();
        SetResourcesDir(data.Path().string());
        previousSink = SetLogSink([this](std::string_view module, std::string_view message) {
            log.push_back(FormatLogLine(module, message));
        });
        previousPlatformFactory = SetPlatformFactory([this]() {
            auto p = std::make_unique<THeadlessPlatform>();
            platform = p.get();
            return std::unique_ptr<IPlatform>(std::move(p));
        });
        previousAudioFactory = SetAudioBackendFactory([this]() -> Ref<IAudioBackend> {
            Ref<TAudioDevice> device = MakeRef<TAudioDevice>();
            if (withSound) device->OpenWithoutOutput(44100);
            return device;
        });
    }

    void TearDown() override {
        // Done lets the game drop the engine, so both go.
        if (engine) engine->Done();
        engine = nullptr;
        CurrentScript() = nullptr;
        SetLogSink(std::move(previousSink));
        SetPlatformFactory(std::move(previousPlatformFactory));
        SetAudioBackendFactory(std::move(previousAudioFactory));
        SetResourcesDir("");
        SetGameDefinitionPath(kDefaultGameDefinitionPath);
        SetDataFileKey("");
        SetProductName(kDefaultProductName);
        std::error_code ec;
        std::filesystem::current_path(previousFolder, ec);
    }

    // A new engine, not yet initialised.
    Ref<TEngine> NewEngine() {
        engine = CreateObject<TEngine>();
        return engine;
    }

    // A new engine initialised with the definition at path (the plain
    // fixture unless given); fails the test when Init fails.
    Ref<TEngine> StartEngine(const std::string& path = "data\\ini\\Quillmarch.ini") {
        NewEngine();
        if (!engine->Init(path)) {
            ADD_FAILURE() << "Init failed: " << (log.empty() ? "" : log.back());
        }
        return engine;
    }

    TTestGame* Game() {
        return engine ? dynamic_cast<TTestGame*>(engine->GetGame().get()) : nullptr;
    }

    bool LogHas(const std::string& fragment) const {
        for (const std::string& line : log)
            if (line.find(fragment) != std::string::npos) return true;
        return false;
    }

    // The calls recorded since the last take, and the record cleared.
    std::vector<std::string> TakeCalls() { return std::exchange(script.calls, {}); }

    TGameScript script;
    TTempDir data{"engine"};
    // Every line of the core log during the test, "MODULE: message".
    std::vector<std::string> log;
    THeadlessPlatform* platform = nullptr;
    bool withSound = true;
    Ref<TEngine> engine;

private:
    std::filesystem::path previousFolder;
    TLogSink previousSink;
    TPlatformFactory previousPlatformFactory;
    TAudioBackendFactory previousAudioFactory;
};

using Calls = std::vector<std::string>;

}  // namespace enginetest
