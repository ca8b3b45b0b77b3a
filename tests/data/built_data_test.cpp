// The data folder the build made, read as the game reads it: the resource
// list deciphered with the game's own key and every resource in it decoded
// by the engine, from the folder and from the pack data.sgd alike.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/packs/ResourceReader.h"
#include "core/storage/XMLStorage.h"
#include "engine/audio/SoundResources.h"
#include "engine/resources/EngineImages.h"
#include "game/GameConfig.h"
#include "tests/data/ToolRun.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

enum class TKind { kImage, kFont, kSound, kMusic };

struct TExpected {
    const char* list;  // the resource list, also the group name
    const char* name;
    TKind kind;
    int32_t width = 0;  // images: the size the screens are laid out for
    int32_t height = 0;
};

const TExpected kResources[] = {
    {"startup", "bg_main", TKind::kImage, 1024, 768},
    {"startup", "logo", TKind::kImage, 640, 200},
    {"startup", "progress_frame", TKind::kImage, 480, 28},
    {"startup", "progress_fill", TKind::kImage, 468, 16},
    {"startup", "cursor_arrow", TKind::kImage, 32, 32},
    {"startup", "font_small", TKind::kFont},
    {"startup", "font_normal", TKind::kFont},
    {"startup", "font_title", TKind::kFont},
    {"base", "panel", TKind::kImage, 512, 384},
    {"base", "panel_large", TKind::kImage, 640, 560},
    {"base", "button_normal", TKind::kImage, 256, 64},
    {"base", "button_selected", TKind::kImage, 256, 64},
    {"base", "button_disabled", TKind::kImage, 256, 64},
    {"base", "button_small_normal", TKind::kImage, 176, 48},
    {"base", "button_small_selected", TKind::kImage, 176, 48},
    {"base", "button_small_disabled", TKind::kImage, 176, 48},
    {"base", "checkbox_off", TKind::kImage, 32, 32},
    {"base", "checkbox_on", TKind::kImage, 32, 32},
    {"base", "slider_track", TKind::kImage, 256, 32},
    {"base", "slider_thumb", TKind::kImage, 24, 32},
    {"base", "slider_thumb_held", TKind::kImage, 24, 32},
    {"base", "field", TKind::kImage, 320, 40},
    {"base", "caret", TKind::kImage, 2, 24},
    {"base", "list_box", TKind::kImage, 320, 232},
    {"base", "list_selection", TKind::kImage, 304, 32},
    {"base", "sound_buttonclick", TKind::kSound},
    {"base", "sound_chime", TKind::kSound},
    {"base", "sound_error", TKind::kSound},
    {"base", "sound_level_completed", TKind::kSound},
    {"base", "music_menu", TKind::kMusic},
    {"base", "music_game", TKind::kMusic},
};

// The built data copied into a temporary folder, optionally with its data/
// part packed, and an engine started on it with the game's configuration.
class BuiltDataTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        enginetest::RegisterTestClasses();
        fs::copy(QM_BUILT_DATA_DIR, folder.Path(), fs::copy_options::recursive);
        if (GetParam()) {
            const datatest::TToolResult packed = datatest::RunTool(
                QM_SGDTOOL, {"pack", folder.File("data"), folder.File("data.sgd")});
            ASSERT_EQ(packed.status, 0) << packed.output;
            fs::remove_all(folder.File("data"));
        }
        // A definition of the scripted test game, outside data/ so that
        // the pack keeps only what the build made.
        folder.Write("test/Definition.ini", R"(<game name="data test" type="QmTestGame"/>)");
        FreeResourceReader();
        ClearStorageCache();
        previousFolder = fs::current_path();
        SetResourcesDir(folder.Path().string());
        previousSink = SetLogSink([this](std::string_view module, std::string_view message) {
            log.push_back(FormatLogLine(module, message));
        });
        previousPlatform = SetPlatformFactory([] { return std::make_unique<THeadlessPlatform>(); });
        previousAudio = SetAudioBackendFactory([]() -> Ref<IAudioBackend> {
            Ref<TAudioDevice> device = MakeRef<TAudioDevice>();
            device->OpenWithoutOutput(44100);
            return device;
        });
        ApplyQuillmarchConfiguration();
        const std::string key = GetDataFileKey();
        ASSERT_FALSE(key.empty());
        SetDataFileKey("");  // the test definition is plain
        engine = CreateObject<TEngine>();
        ASSERT_TRUE(engine->Init("test\\Definition.ini")) << (log.empty() ? "" : log.back());
        SetDataFileKey(key);
    }

    void TearDown() override {
        if (engine) engine->Done();
        engine = nullptr;
        SetLogSink(std::move(previousSink));
        SetPlatformFactory(std::move(previousPlatform));
        SetAudioBackendFactory(std::move(previousAudio));
        ResetGameShellConfiguration();
        SetResourcesDir("");
        SetGameDefinitionPath(kDefaultGameDefinitionPath);
        SetDataFileKey("");
        SetProductName(kDefaultProductName);
        SetGameVersion("");
        FreeResourceReader();
        ClearStorageCache();
        std::error_code ignored;
        fs::current_path(previousFolder, ignored);
    }

    std::string Log() const {
        std::string text;
        for (const std::string& line : log) text += line + "\n";
        return text;
    }

    TTempDir folder{"builtdata"};
    Ref<TEngine> engine;
    std::vector<std::string> log;

private:
    fs::path previousFolder;
    TLogSink previousSink;
    TPlatformFactory previousPlatform;
    TAudioBackendFactory previousAudio;
};

TEST_P(BuiltDataTest, EveryResourceOfTheResourceListsDecodes) {
    for (const char* list : {"startup", "base"}) {
        engine->LoadResourceFile(std::string("data\\resources\\") + list + ".xml", list,
                                 kLoadResourcesAtOnce);
    }
    EXPECT_EQ(engine->Resources()->GetCount(), static_cast<int32_t>(std::size(kResources)));
    for (const TExpected& e : kResources) {
        SCOPED_TRACE(e.name);
        Ref<IResource> resource = engine->GetResource(e.name);
        ASSERT_TRUE(resource);
        EXPECT_EQ(resource->GetGroupName(), e.list);
        switch (e.kind) {
            case TKind::kImage: {
                Ref<IImageResource> image = Query<IImageResource>(resource);
                ASSERT_TRUE(image);
                ASSERT_TRUE(image->GetSurface());
                EXPECT_EQ(image->GetWidth(), e.width);
                EXPECT_EQ(image->GetHeight(), e.height);
                break;
            }
            case TKind::kFont: {
                Ref<IFontResource> font = Query<IFontResource>(resource);
                ASSERT_TRUE(font);
                ASSERT_TRUE(font->GetSurface());
                EXPECT_GT(font->GetFontHeight(), 14);
                // Latin-1 and the typographic marks the texts use.
                for (char16_t c : {u' ', u'A', u'z', u'~', u'\u00E9', u'\u00FF', u'\u20AC',
                                   u'\u2026', u'\u201C'}) {
                    Ref<ISymbol> glyph = font->GetSymbolByCode(c);
                    ASSERT_TRUE(glyph) << int(c);
                    EXPECT_LE(glyph->GetRect().right, font->GetWidth());
                    EXPECT_LE(glyph->GetRect().bottom, font->GetHeight());
                }
                break;
            }
            case TKind::kSound: {
                Ref<ISoundResource> sound = Query<ISoundResource>(resource);
                ASSERT_TRUE(sound);
                EXPECT_NE(sound->GetHandle(), 0u);
                break;
            }
            case TKind::kMusic: {
                Ref<IMusicResource> music = Query<IMusicResource>(resource);
                ASSERT_TRUE(music);
                EXPECT_NE(music->GetHandle(), 0u);
                break;
            }
        }
    }
    // The three sizes of text, from small to title.
    const auto height = [&](const char* name) {
        return Query<IFontResource>(engine->GetResource(name))->GetFontHeight();
    };
    EXPECT_LT(height("font_small"), height("font_normal"));
    EXPECT_LT(height("font_normal"), height("font_title"));
    EXPECT_TRUE(log.empty()) << Log();
}

INSTANTIATE_TEST_SUITE_P(FolderAndPack, BuiltDataTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Packed" : "Folder"; });

}  // namespace
