// Start-up: the engine's Init with a scripted test game, the game definition
// plain and enciphered, definitions that name no game, Done, and the
// program body around them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/lang/MultiLanguages.h"
#include "core/packs/ResourceReader.h"
#include "core/storage/XMLStorage.h"
#include "engine/audio/EngineSounds.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/EnvGuard.h"
#include "tests/support/KillTest.h"

namespace enginetest {
namespace {

using EngineStartup = EngineTest;

TEST_F(EngineStartup, InitRunsItsStepsInOrderAndLeavesNoWindow) {
    SetProductName("Quillmarchmac");
    data.Write("data/extra.xml", "<extra value=\"1\"/>");
    const std::string spec = "\\file=" + data.File("data/extra.xml");
    const Ref<IHierStorage> cachedBefore = GetStorageBySpec(spec);
    ASSERT_TRUE(cachedBefore);
    std::filesystem::current_path("/");

    struct {
        std::string folder, showRects, showFps, width;
        std::vector<std::string> titles;
        bool sound = false, display = true, running = false, active = false;
    } atLoad;
    bool initGotThisEngine = false;
    script.onLoad = [&](TTestGame&) {
        atLoad.folder = std::filesystem::current_path().string() + "/";
        atLoad.showRects = engine->GetOption("ShowRects");
        atLoad.showFps = engine->GetOption("ShowFPS");
        atLoad.width = engine->GetOption("ScreenWidth");
        atLoad.titles = platform->TitlesSet();
        atLoad.sound = engine->IsSoundAvailable();
        atLoad.display = platform->HasDisplay();
        atLoad.running = engine->IsRunning();
        atLoad.active = engine->IsActive();
    };
    script.onInit = [&](TTestGame& g) {
        initGotThisEngine = g.engine.get() == static_cast<IEngine*>(engine.get());
    };

    StartEngine();
    ASSERT_NE(Game(), nullptr);

    // Folder, settings, caption and sound come before the game is loaded.
    EXPECT_EQ(atLoad.folder, GetResourcesDir());
    EXPECT_EQ(atLoad.showRects, "yes");
    EXPECT_EQ(atLoad.showFps, "no");
    EXPECT_EQ(atLoad.width, "640");
    EXPECT_EQ(atLoad.titles, std::vector<std::string>{"Quillmarchmac"});
    EXPECT_TRUE(atLoad.sound);
    EXPECT_FALSE(atLoad.display);
    EXPECT_TRUE(atLoad.running);
    EXPECT_TRUE(atLoad.active);
    // Then Load, then Init with this engine.
    EXPECT_EQ(TakeCalls(), (Calls{"load", "init"}));
    EXPECT_TRUE(initGotThisEngine);
    EXPECT_EQ(Game()->Name(), "Testing Quest");
    EXPECT_EQ(Game()->pattern, 0xFF3366CCu);

    // The settings defaults, in their order.
    const std::vector<std::pair<std::string, std::string>> defaults = {
        {"ScreenWidth", "640"},   {"ScreenHeight", "480"},  {"ScreenBPP", "0"},
        {"FullScreenMode", "no"}, {"WideScreenMode", "no"}, {"ApplicationCaption", "Quillmarchmac"},
        {"SoundVolume", "70"},    {"MusicVolume", "30"},    {"ShowFPS", "no"},
        {"ShowRects", "yes"}};
    ASSERT_EQ(engine->Settings()->GetCount(), static_cast<int32_t>(defaults.size()));
    for (size_t i = 0; i < defaults.size(); ++i) {
        const Ref<IParam> param = engine->Settings()->GetParam(Variant(static_cast<int32_t>(i)));
        ASSERT_TRUE(param);
        EXPECT_EQ(param->GetName(), defaults[i].first);
        EXPECT_EQ(param->GetValue().ToString(), defaults[i].second);
    }
    EXPECT_EQ(engine->Audio()->GetSoundVolume(), 70);
    EXPECT_EQ(engine->Audio()->GetMusicVolume(), 30);
    EXPECT_EQ(engine->TimerPeriodMs(), 10u);

    // No window until Run; the caption waits for it.
    EXPECT_FALSE(platform->HasDisplay());
    EXPECT_TRUE(platform->DisplaysCreated().empty());
    EXPECT_EQ(engine->Caption(), "Quillmarchmac");
    EXPECT_EQ(engine->ScreenWidth(), 0);
    engine->ApplySettings();
    EXPECT_EQ(platform->WindowTitle(), "Quillmarchmac");

    // The storage cache was emptied after the game's Init.
    EXPECT_NE(GetStorageBySpec(spec).get(), cachedBefore.get());
    EXPECT_EQ(log, std::vector<std::string>{});
}

struct TDefinitionCase {
    const char* label;
    const char* key;
    const char* path;
    const char* name;  // the game's name; null: Init fails
};

TEST_F(EngineStartup, TheDefinitionIsReadPlainOrDecipheredWithTheDataFileKey) {
    const TDefinitionCase cases[] = {
        {"plain, no key", "", "data\\ini\\Quillmarch.ini", "Testing Quest"},
        {"enciphered, the key", kTestDataKey, "data/ini/QuillmarchCiphered.ini", "Ciphered Quest"},
        {"enciphered, no key", "", "data/ini/QuillmarchCiphered.ini", nullptr},
        {"enciphered, another key", "another key entirely", "data/ini/QuillmarchCiphered.ini",
         nullptr},
        {"plain, a key", kTestDataKey, "data\\ini\\Quillmarch.ini", nullptr},
    };
    for (const TDefinitionCase& c : cases) {
        SCOPED_TRACE(c.label);
        SetDataFileKey(c.key);
        NewEngine();
        EXPECT_EQ(engine->Init(c.path), c.name != nullptr);
        if (c.name) {
            ASSERT_NE(Game(), nullptr);
            EXPECT_EQ(Game()->Name(), c.name);
        } else {
            EXPECT_EQ(engine->GetGame(), nullptr);
            EXPECT_FALSE(log.empty());
        }
        engine->Done();
        log.clear();
    }
}

struct TFailureCase {
    const char* label;
    const char* content;  // null: no file at all
    const char* logged;
};

TEST_F(EngineStartup, ADefinitionThatNamesNoGameEndsStartUpWithALogLineAndNoWindow) {
    const TFailureCase cases[] = {
        {"missing", nullptr, "cannot be read"},
        {"empty", "", "is no valid XML: The document holds no element"},
        {"not XML", "this is < not XML", "is no valid XML"},
        {"no type", "<game name=\"x\"/>", "names no \"type\""},
        {"unregistered type", "<game type=\"NoSuchGame\"/>",
         "names the type \"NoSuchGame\", which is not registered"},
        {"not a game", "<game type=\"QmNotAGame\"/>", "\"QmNotAGame\", which is no game"},
    };
    for (const TFailureCase& c : cases) {
        SCOPED_TRACE(c.label);
        log.clear();
        if (c.content)
            data.Write("data/ini/Broken.ini", c.content);
        else
            std::filesystem::remove(data.Path() / "data/ini/Broken.ini");
        NewEngine();
        EXPECT_FALSE(engine->Init("data\\ini\\Broken.ini"));
        EXPECT_EQ(engine->GetGame(), nullptr);
        EXPECT_TRUE(LogHas(c.logged)) << (log.empty() ? "(no log)" : log.front());
        EXPECT_TRUE(platform->DisplaysCreated().empty());
        EXPECT_FALSE(engine->IsSoundAvailable());  // Done has run
        EXPECT_TRUE(script.calls.empty());
    }

    // Through the program body the engine reference stays empty.
    SetGameDefinitionPath("data\\ini\\Broken.ini");
    log.clear();
    CreateEngine();
    EXPECT_FALSE(GetEngineApp());
    EXPECT_FALSE(log.empty());
    EXPECT_FALSE(RunEngine());
}

TEST_F(EngineStartup, AGameWhoseInitFailsIsNeverAskedToEnd) {
    script.onInit = [](TTestGame&) { throw std::runtime_error("profiles are damaged"); };
    NewEngine();
    EXPECT_FALSE(engine->Init("data\\ini\\Quillmarch.ini"));
    EXPECT_TRUE(LogHas("profiles are damaged"));
    // Not "done": ending it would save its half-loaded player data.
    EXPECT_EQ(TakeCalls(), (Calls{"load", "init"}));
    EXPECT_EQ(engine->GetGame(), nullptr);
    EXPECT_EQ(script.gamesDestroyed, 1);
    engine->Done();
    EXPECT_TRUE(script.calls.empty());
}

TEST_F(EngineStartup, DoneEndsEverythingOnceWhileTheWindowStillExists) {
    StartEngine();
    engine->ApplySettings();
    engine->HideCursor();
    engine->LoadResourceFile("data/lists/plain.xml", "menu", kLoadResourcesAtOnce);
    ASSERT_GT(engine->Resources()->GetCount(), 0);
    bool windowAtGameDone = false;
    script.onDone = [&](TTestGame&) { windowAtGameDone = platform->HasDisplay(); };
    TakeCalls();

    engine->Done();
    engine->Done();
    EXPECT_EQ(TakeCalls(), Calls{"done"});
    EXPECT_TRUE(windowAtGameDone);
    EXPECT_FALSE(platform->HasDisplay());
    EXPECT_EQ(engine->Resources()->GetCount(), 0);
    EXPECT_FALSE(engine->IsSoundAvailable());
    EXPECT_EQ(platform->CursorCalls(), (std::vector<bool>{false, true}));
    // The game dropped the engine; the engine keeps the game until it goes.
    ASSERT_NE(Game(), nullptr);
    EXPECT_FALSE(Game()->engine);
}

TEST_F(EngineStartup, WithoutSoundTheGameStartsSilent) {
    withSound = false;
    TEnvGuard driver("SDL_AUDIODRIVER", "qm-no-such-driver");
    StartEngine();
    EXPECT_NE(Game(), nullptr);
    EXPECT_FALSE(engine->IsSoundAvailable());
    EXPECT_FALSE(log.empty());  // why there is no sound
    EXPECT_EQ(engine->LoadSample("data/none.wav", 1, false), 0u);
}

// On a machine without a sound device the audio library's probing prints
// nothing of its own: standard error holds the program's lines only, one of
// them saying why there is no sound and one that the game runs silent.
TEST_F(EngineStartup, WithoutASoundDeviceStandardErrorHoldsOnlyTheProgramsLines) {
    TTempDir folder("alsa");
    const std::string config =
        folder.Write("asound.conf", "pcm.!default { @func refer name \"pcm.qm_nowhere\" }\n");
    const std::string errors = folder.File("stderr.txt");
    TEnvGuard driver("SDL_AUDIODRIVER", "alsa");
    TEnvGuard alsa("ALSA_CONFIG_PATH", config.c_str());
    const pid_t child = ForkAction([&] {
        const int fd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || ::dup2(fd, STDERR_FILENO) < 0) ::_exit(3);
        // As the program runs: the log on standard error, the real device.
        SetLogSink({});
        SetAudioBackendFactory({});
        TEngineAudio audio(CreateEngineAudioBackend(), TEngineAudioHost{});
        ::_exit(audio.InitSound() ? 4 : 0);
    });
    ASSERT_GT(child, 0);
    ASSERT_TRUE(ReapChild(child)) << "the child found a sound device";
    const std::string text = ReadFileBytes(errors);
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_LE(lines.size(), 2u) << text;
    int silent = 0;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.rfind("quillmarch: ", 0), 0u) << line;
        EXPECT_EQ(line.find("ALSA lib"), std::string::npos) << line;
        silent += line.find("running silent") != std::string::npos;
    }
    EXPECT_EQ(silent, 1) << text;
    EXPECT_NE(text.find("AUDIO: no audio"), std::string::npos) << text;
    EXPECT_NE(text.find("pcm.qm_nowhere"), std::string::npos) << "ALSA's reason";
}

TEST_F(EngineStartup, RunEngineRunsTheGameToItsEndAndLetsTheEngineGo) {
    int frames = 0;
    uint64_t presented = 0;
    script.onUpdate = [&](TTestGame& g, int32_t) {
        if (++frames == 3) g.engine->Quit();
    };
    script.onDone = [&](TTestGame&) { presented = platform->FramesPresented(); };
    EXPECT_TRUE(RunEngine());
    EXPECT_FALSE(GetEngineApp());
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(presented, 3u);
    EXPECT_EQ(script.queryQuitCalls, 1);
    EXPECT_EQ(script.calls.back(), "done");
    EXPECT_EQ(script.gamesDestroyed, 1);
}

TEST_F(EngineStartup, TheUnitSetsThePackExtensionFolderAndBaseLanguage) {
    const std::string previousExtension = GetPackExtension();
    const std::string previousLanguageFile = DefaultLanguageFile;
    std::filesystem::current_path("/");
    EngineStartupInit();
    EXPECT_EQ(GetPackExtension(), ".sgd");
    EXPECT_EQ(DefaultLanguageFile, "lang\\default.lng");
    EXPECT_EQ(std::filesystem::current_path().string() + "/", GetResourcesDir());
    EXPECT_EQ(GetLanguageString("greeting", ""), "Hello from the base language");
    EngineStartupDone();
    EXPECT_FALSE(GetEngineApp());
    SetPackExtension(previousExtension);
    DefaultLanguageFile = previousLanguageFile;
    GetMultiLanguages()->Strings().Clear();
}

// Whatever locale the environment names, the character types read UTF-8 (as
// the window system needs for captions) and numbers keep the C locale.
TEST_F(EngineStartup, CharacterTypesReadUtf8AndNumbersStayPlain) {
    EXPECT_STREQ(nl_langinfo(CODESET), "UTF-8") << "as the unit left it";
    for (const char* name : {"xx_NOWHERE.UTF-8", "C", "POSIX", "de_DE.UTF-8", "C.UTF-8"}) {
        SCOPED_TRACE(name);
        TEnvGuard all("LC_ALL", name);
        std::setlocale(LC_CTYPE, "C");
        SetCharacterTypeLocale();
        EXPECT_STREQ(nl_langinfo(CODESET), "UTF-8");
        EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
        char text[16];
        std::snprintf(text, sizeof text, "%.1f", 2.5);
        EXPECT_STREQ(text, "2.5");
        EXPECT_EQ(StrToFloatDot("1.5", 0), 1.5);
    }
}

TEST_F(EngineStartup, NonAsciiFoldersAndCaptionsWork) {
    TTempDir parent("engine-utf8");
    const std::filesystem::path folder = parent.Path() /
                                         "donn\xC3\xA9"
                                         "es \xC3\xA9t\xC3\xA9";
    std::filesystem::copy(FixtureFolder(), folder, std::filesystem::copy_options::recursive);
    SetResourcesDir(folder.string());
    const std::string product = "Quillmarch \xE2\x80\x94 \xC3\xA9t\xC3\xA9";
    SetProductName(product);

    StartEngine();
    ASSERT_NE(Game(), nullptr);
    EXPECT_EQ(engine->GetAppDir(), folder.string() + "/");
    engine->ApplySettings();
    EXPECT_EQ(platform->WindowTitle(), product);
    EXPECT_EQ(engine->Caption(), product);

    const std::string userDir = engine->GetUserDir();
    EXPECT_EQ(userDir, std::string(std::getenv("XDG_DATA_HOME")) + "/Tessalind/" + product + "/");
    EXPECT_TRUE(std::filesystem::is_directory(userDir));
    EXPECT_TRUE(engine->SaveUserTextFile("caf\xC3\xA9", "profil \xC3\xA9.dat"));
    EXPECT_EQ(LoadUserTextFile("profil \xC3\xA9.dat"), "caf\xC3\xA9\n");
    std::filesystem::remove_all(std::string(std::getenv("XDG_DATA_HOME")) + "/Tessalind/" +
                                product);
}

}  // namespace
}  // namespace enginetest
