// quillmarch: the game's program. Takes the data folder from its command
// line, runs the units of every library in order, then hands over to the
// engine. Without a game definition in the data folder it opens a window
// that says so instead.
#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "core/CoreUnits.h"
#include "core/base/Units.h"
#include "core/packs/ResourceReader.h"
#include "effects/EffectUnits.h"
#include "engine/EngineStartup.h"
#include "engine/EngineUnits.h"
#include "engine/InputLog.h"
#include "engine/StartupTrace.h"
#include "functions/FunctionUnits.h"
#include "game/GameConfig.h"
#include "game/GameUnits.h"
#include "game/LogFile.h"
#include "minigames/MinigameUnits.h"
#include "nonogram/NonogramUnits.h"
#include "platform/Platform.h"
#include "widgets/WidgetUnits.h"
#include "world/WorldUnits.h"

#ifndef QM_DEFAULT_DATA_DIR
#define QM_DEFAULT_DATA_DIR "data"
#endif

namespace {

constexpr char kVersion[] = "1.01";

void PrintUsage(FILE* out) {
    std::fprintf(out,
                 "Usage: quillmarch [--data FOLDER]\n"
                 "Starts the game on the data in FOLDER.\n"
                 "\n"
                 "  --data FOLDER  the game's data folder (default: %s)\n"
                 "  --help         show this help and end\n"
                 "  --version      show the version and end\n",
                 QM_DEFAULT_DATA_DIR);
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// ---------------------------------------------------------------------------
// The window shown when there is no game to run: a few lines of text in a
// built-in 5 by 7 pixel font.

struct TGlyph {
    char c;
    std::array<uint8_t, 7> rows;  // bit 4 is the leftmost pixel
};

constexpr TGlyph kGlyphs[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
    {'\\', {0x00, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'_', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F}},
    {'"', {0x0A, 0x0A, 0x0A, 0x00, 0x00, 0x00, 0x00}},
    {'?', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}},
};

const TGlyph* FindGlyph(char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (const TGlyph& g : kGlyphs)
        if (g.c == c) return &g;
    return c == ' ' ? nullptr : FindGlyph('?');
}

class TNoGameWindow final : public IPlatformClient {
public:
    static constexpr int32_t kWidth = 640;
    static constexpr int32_t kHeight = 480;
    static constexpr int kScale = 2;
    static constexpr int kCell = 6 * kScale;   // glyph advance
    static constexpr int kLine = 11 * kScale;  // line advance

    TNoGameWindow(IPlatform& platform, const std::vector<std::string>& lines)
        : platform_(platform), pixels_(static_cast<size_t>(kWidth) * kHeight, kBackground) {
        int y = 40;
        for (const std::string& line : lines) {
            // Long lines are wrapped at the window's edge.
            const size_t perLine = (kWidth - 80) / kCell;
            for (size_t start = 0; start < line.size() || start == 0; start += perLine) {
                DrawText(40, y, line.substr(start, perLine));
                y += kLine;
                if (line.empty()) break;
            }
        }
    }

    void OnPlatformEvent(const TPlatformEvent& e) override {
        const bool escape =
            e.kind == TPlatformEventKind::Key && e.keyKind == kKeyDown && e.character == 27;
        if (escape || e.kind == TPlatformEventKind::CloseRequest ||
            e.kind == TPlatformEventKind::QuitRequest) {
            platform_.QuitLoop();
        }
    }

    void OnPlatformFrame() override {
        platform_.PresentPixels(pixels_.data(), kWidth, kHeight);
        platform_.SwapBuffers();
    }

private:
    static constexpr uint32_t kBackground = 0xFF20242C;
    static constexpr uint32_t kInk = 0xFFE8E4D8;

    void DrawText(int x, int y, const std::string& text) {
        for (char c : text) {
            if (const TGlyph* g = FindGlyph(c)) DrawGlyph(x, y, *g);
            x += kCell;
        }
    }

    void DrawGlyph(int x0, int y0, const TGlyph& g) {
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col) {
                if (!(g.rows[row] & (0x10 >> col))) continue;
                for (int dy = 0; dy < kScale; ++dy)
                    for (int dx = 0; dx < kScale; ++dx) {
                        const int x = x0 + col * kScale + dx;
                        const int y = y0 + row * kScale + dy;
                        if (x >= 0 && y >= 0 && x < kWidth && y < kHeight)
                            pixels_[static_cast<size_t>(y) * kWidth + x] = kInk;
                    }
            }
    }

    IPlatform& platform_;
    std::vector<uint32_t> pixels_;
};

int ShowNoGameWindow(const std::string& dataFolder) {
    std::fprintf(stderr,
                 "quillmarch: the game is not there yet: there is no game definition "
                 "\"%s\" in the data folder %s\n",
                 GetGameDefinitionPath().c_str(), dataFolder.c_str());
    std::unique_ptr<IPlatform> platform = CreateEnginePlatform();
    if (!platform->CreateDisplay({TNoGameWindow::kWidth, TNoGameWindow::kHeight, false})) {
        std::fprintf(stderr, "quillmarch: %s\n", platform->LastError().c_str());
        return 1;
    }
    platform->SetTitle("Quillmarch: the game is not there yet");
    TNoGameWindow window(
        *platform, {"The game is not there yet.", "", "There is no game definition",
                    "  " + GetGameDefinitionPath(), "in the data folder", "  " + dataFolder, "",
                    "Close the window or press Escape to end."});
    platform->SetClient(&window);
    platform->Run(10);
    platform->SetClient(nullptr);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    StartupTraceBegin();
    std::string dataFolder = QM_DEFAULT_DATA_DIR;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("quillmarch %s\n", kVersion);
            return 0;
        }
        if (arg == "--data" && i + 1 < argc) {
            dataFolder = argv[++i];
            continue;
        }
        std::fprintf(stderr, "quillmarch: %s: %s\n",
                     arg == "--data" ? "--data needs a folder" : "unknown argument", arg.c_str());
        PrintUsage(stderr);
        return 2;
    }
    if (!IsFolder(dataFolder)) {
        std::fprintf(stderr, "quillmarch: the data folder %s does not exist\n", dataFolder.c_str());
        return 1;
    }
    SetResourcesDir(dataFolder);

    try {
        // Every library's classes are registered, the game object ("Game")
        // among them, before the engine reads the game definition.
        TUnitRunner units({CoreUnits(), EngineUnits(), FunctionUnits(), WidgetUnits(),
                           EffectUnits(), GameUnits(), NonogramUnits(), WorldUnits(),
                           MinigameUnits()});
        StartupTrace("the units are initialised (classes registered, language loaded)");
        // The file names, keys and tables of this game; the default language
        // is loaded by now.
        ApplyQuillmarchConfiguration();
        // The log goes to the player data folder too (named by now), kept
        // across runs so the lines before a crash are still there after it.
        OpenLogFile();
        // QM_INPUT_LOG: what became of each click and key, for a driver
        // that waits for the program rather than for time.
        OpenInputLogFromEnvironment();
        StartupTrace("the configuration is applied and the log file open");
        // A data folder without the game (as before the game's data is
        // written) gets a window that says so rather than nothing at all.
        if (!OpenResource(GetGameDefinitionPath())) return ShowNoGameWindow(GetResourcesDir());
        return RunEngine() ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillmarch: %s\n", e.what());
        return 1;
    }
}
