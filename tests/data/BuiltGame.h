// What the tests on the built data share: the way to the main menu, and
// frames kept as pictures for a person to look at.
#pragma once

#include <gtest/gtest.h>
#include <png.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/storage/XMLStorage.h"
#include "engine/EngineStartup.h"
#include "game/GameConfig.h"
#include "tests/support/GameHarness.h"
#include "tests/support/TempDir.h"

// A harness for the game's 1024 x 768 screen on a copy of the built data
// folder dataDir, with the program's configuration applied.
inline std::unique_ptr<TGameHarness> HarnessOnBuiltData(const std::string& dataDir) {
    ApplyQuillmarchConfiguration();
    auto game = std::make_unique<TGameHarness>(1024, 768);
    std::filesystem::copy(dataDir, game->Folder().Path(),
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    ClearStorageCache();
    return game;
}

// Starts the game on the built definition in its folder, as the program does.
inline bool StartBuiltDefinition(TGameHarness& game) {
    return game.Start(ReadFileBytes(game.Folder().File("data/ini/Quillmarch.ini")));
}

// Runs the started game to its main menu with the player `name` (letters
// only): on a first start the menu asks for a player at once, and the name is
// typed into the new-player screen as a player types it.
inline ::testing::AssertionResult ReachMainMenuWithPlayer(TGameHarness& game, const std::string& name) {
    const auto onTop = [&](const char* screen) {
        const Ref<IGameScreenSlave> top = game.Top();
        return top && top->GetName() == screen;
    };
    for (int i = 0; i < 1000 && !onTop("GS_NewUser"); ++i) game.Step(1, 20);
    if (game.StackNames() != "GS_Main GS_NewUser") {
        return ::testing::AssertionFailure() << "no new-player screen over the menu: " << game.StackNames();
    }
    for (const char c : name) {
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower < 'a' || lower > 'z') return ::testing::AssertionFailure() << "not a letter: " << c;
        game.PressKey(static_cast<SDL_Scancode>(SDL_SCANCODE_A + (lower - 'a')), SDLK_a + (lower - 'a'),
                      std::string(1, c).c_str());
    }
    game.ClickAt("button_ok");
    game.Step(2, 20);
    if (game.StackNames() != "GS_Main") {
        return ::testing::AssertionFailure() << "the menu is not alone: " << game.StackNames();
    }
    return ::testing::AssertionSuccess();
}

// Ends a game started on the built data, which must have logged nothing
// (the data names nothing the program cannot find or take), and puts back
// the shell's configuration its definition changed.
inline void EndBuiltGame(std::unique_ptr<TGameHarness>& game) {
    if (game) {
        std::string lines;
        for (const std::string& line : game->Log().Lines()) lines += line + "\n";
        EXPECT_EQ(lines, "");
    }
    game.reset();
    ResetGameShellConfiguration();
    SetGameDefinitionPath(kDefaultGameDefinitionPath);
    SetDataFileKey("");
    SetProductName(kDefaultProductName);
    SetGameVersion("");
    ClearStorageCache();
}

// The back surface as an RGB PNG file.
inline bool WriteFramePng(const TEngineHarness& game, const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    FILE* out = std::fopen(file.string().c_str(), "wb");
    if (!out) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<uint8_t> row(size_t(game.Width()) * 3);
    bool ok = info != nullptr;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, out);
        png_set_IHDR(png, info, game.Width(), game.Height(), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int32_t y = 0; y < game.Height(); ++y) {
            for (int32_t x = 0; x < game.Width(); ++x) {
                const uint32_t pixel = game.Pixel(x, y);
                row[size_t(x) * 3] = uint8_t(pixel >> 16);
                row[size_t(x) * 3 + 1] = uint8_t(pixel >> 8);
                row[size_t(x) * 3 + 2] = uint8_t(pixel);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(&png, info ? &info : nullptr);
    std::fclose(out);
    return ok;
}
