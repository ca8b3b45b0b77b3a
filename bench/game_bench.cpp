// The game object's own cost: a stack of three screens of 200 widgets each,
// driven by the real engine on the headless platform. An idle frame (the top
// screen's update and every open screen's end-of-frame pass) against the
// same on one screen alone, and a full redraw against the pixel work it does
// (the covered screens' picture copied in, then the top screen's Draw calls)
// done directly.
//
// Each screen is 1024 by 768: a full-screen opaque background and 199
// translucent 48 by 32 pieces in ten groups, as in widgets_bench. The
// windows are effect widgets without effects, as a screen's window is while
// no effect plays.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/CoreUnits.h"
#include "core/base/Units.h"
#include "effects/EffectUnits.h"
#include "engine/Engine.h"
#include "engine/EngineStartup.h"
#include "engine/EngineUnits.h"
#include "functions/FunctionUnits.h"
#include "game/Game.h"
#include "game/GameUnits.h"
#include "platform/HeadlessPlatform.h"
#include "platform/audio/AudioDevice.h"
#include "widgets/WidgetClasses.h"
#include "widgets/WidgetUnits.h"

// ---------------------------------------------------------------------------
// Allocations, counted while armed

namespace {

bool g_counting = false;
long g_allocations = 0;

void* Allocate(std::size_t size) {
    if (g_counting) ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

constexpr int32_t kScreenWidth = 1024;
constexpr int32_t kScreenHeight = 768;

// The pictures the pieces draw: 0 the background, 1 the piece.
std::vector<Ref<TSurface>>& Pictures() {
    static std::vector<Ref<TSurface>> pictures;
    return pictures;
}

Ref<TSurface> MakePicture(int32_t width, int32_t height, uint8_t alpha) {
    Ref<TSurface> surface = MakeRef<TSurface>();
    surface->SetTransparent(alpha != 255);
    surface->SetSize(width, height);
    for (int32_t y = 0; y < height; ++y) {
        uint32_t* row = surface->GetScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            row[x] = (uint32_t{alpha} << 24) | uint32_t((x * 5) & 255) << 16 |
                     uint32_t((y * 3) & 255) << 8 | 0x40;
        }
    }
    return surface;
}

// A leaf that draws picture "picture" of its size at its place.
class TPictureWidget : public TSingleWidget {
public:
    static const TPropertyTable& Table() {
        static const TPropertyTable table =
            TPropertyTable::Builder<TPictureWidget>(TSingleWidget::Table())
                .Field("picture", &TPictureWidget::picture_, 0)
                .Build();
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    void Render(ISurface& surface, int32_t x, int32_t y) override {
        ISurface* picture = Pictures()[size_t(picture_)].get();
        surface.Draw(picture, {0, 0, GetWidth(), GetHeight()},
                     {x, y, x + GetWidth(), y + GetHeight()}, GetTransparentLevel(), bm_Normal);
    }

private:
    int32_t picture_ = 0;
};

std::string Leaf(int picture, int x, int y, int w, int h, int z) {
    return "<widget type=\"bench_picture\" visible=\"yes\" picture=\"" + std::to_string(picture) +
           "\" anchor_left=\"" + std::to_string(x) + "\" anchor_top=\"" + std::to_string(y) +
           "\" width=\"" + std::to_string(w) + "\" height=\"" + std::to_string(h) + "\" z=\"" +
           std::to_string(z) + "\"/>";
}

// The typical screen: the background and 199 pieces in ten groups.
std::string ScreenXml(const std::string& name) {
    std::string widgets = Leaf(0, 0, 0, kScreenWidth, kScreenHeight, -1);
    for (int g = 0; g < 10; ++g) {
        widgets += "<widget type=\"group_widget\" visible=\"yes\" anchor_left=\"" +
                   std::to_string(g % 5 * 200) + "\" anchor_top=\"" + std::to_string(g / 5 * 380) +
                   "\"><widgets>";
        for (int i = 0; i < (g == 9 ? 19 : 20); ++i) {
            widgets += Leaf(1, i % 4 * 50, i / 4 * 70, 48, 32, i % 3);
        }
        widgets += "</widgets></widget>";
    }
    return "<gamescreen name=\"" + name + "\" type=\"GameScreen\"><window>" + "<widgets>" +
           widgets + "</widgets></window></gamescreen>";
}

// "S0", "S1"... (appended piece by piece: g++ 12 -O2 warns falsely
// (-Wrestrict) on a literal added to a temporary string).
std::string ScreenName(int i) {
    std::string name = "S";
    name += std::to_string(i);
    return name;
}

std::string MakeTempFolder(const char* tag) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qm-" + tag + "-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
}

// The engine and its game with screens open, settled (everything drawn
// once, nothing waiting).
class TBenchGame {
public:
    explicit TBenchGame(int screens)
        : folder_(MakeTempFolder("game-bench")), playerData_(MakeTempFolder("game-player")) {
        setenv("XDG_DATA_HOME", playerData_.c_str(), 1);
        SetResourcesDir(folder_);
        std::string all;
        for (int i = 0; i < screens; ++i) all += ScreenXml(ScreenName(i));
        std::ofstream(folder_ + "/game.xml")
            << "<game name=\"bench\" type=\"Game\"><gamescreens>" << all << "</gamescreens></game>";
        SetPlatformFactory([] { return std::make_unique<THeadlessPlatform>(); });
        SetAudioBackendFactory([]() -> Ref<IAudioBackend> {
            Ref<TAudioDevice> device = MakeRef<TAudioDevice>();
            device->OpenWithoutOutput(44100);
            return device;
        });
        engine = CreateObject<TEngine>();
        if (!engine->Init("game.xml")) std::abort();
        engine->SetOption("ScreenWidth", std::to_string(kScreenWidth));
        engine->SetOption("ScreenHeight", std::to_string(kScreenHeight));
        engine->ApplySettings();
        game = dynamic_cast<TGame*>(engine->GetGame().get());
        for (int i = 0; i < screens; ++i) game->ShowGameScreen(ScreenName(i), nullptr);
        for (int i = 0; i < 3; ++i) Frame();
    }
    ~TBenchGame() {
        engine->Done();
        engine = nullptr;
        SetPlatformFactory(nullptr);
        SetAudioBackendFactory(nullptr);
        SetResourcesDir("");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        std::filesystem::remove_all(playerData_, ignored);
    }

    // A frame as the engine runs it, without presenting.
    void Frame() {
        engine->UpdateGame(10);
        if (engine->IsRedrawNeeded()) game->Render(engine->BackSurface());
        engine->ClearUpdateRects();
    }

    Ref<TEngine> engine;
    TGame* game = nullptr;

private:
    std::string folder_;
    std::string playerData_;
};

void IdleFrames(benchmark::State& state, int screens) {
    TBenchGame bench(screens);
    long allocations = 0;
    int redraws = 0;
    for (auto _ : state) {
        g_allocations = 0;
        g_counting = true;
        bench.Frame();
        g_counting = false;
        allocations += g_allocations;
        redraws += bench.engine->IsRedrawNeeded();
    }
    state.counters["allocations"] = double(allocations);
    state.counters["redraws"] = redraws;
}

void BM_Game3x200_IdleFrame(benchmark::State& state) {
    IdleFrames(state, 3);
}
BENCHMARK(BM_Game3x200_IdleFrame)->Unit(benchmark::kMicrosecond);

void BM_Game1x200_IdleFrame(benchmark::State& state) {
    IdleFrames(state, 1);
}
BENCHMARK(BM_Game1x200_IdleFrame)->Unit(benchmark::kMicrosecond);

// Every pixel drawn again: the whole window invalidated, then the game's
// render (two covered screens skipped, their picture copied in, the top
// screen drawn).
void BM_Game3x200_FullRedraw(benchmark::State& state) {
    TBenchGame bench(3);
    for (auto _ : state) {
        bench.engine->InvalidateRect(0, 0, kScreenWidth, kScreenHeight);
        bench.game->Render(bench.engine->BackSurface());
        bench.engine->ClearUpdateRects();
    }
}
BENCHMARK(BM_Game3x200_FullRedraw)->Unit(benchmark::kMicrosecond);

// The same pixel work without the game: one full-screen copy, then the
// top screen's Draw calls.
void BM_Game3x200_KernelsOnly(benchmark::State& state) {
    TBenchGame bench(3);
    const Ref<TSurface> backdrop = MakePicture(kScreenWidth, kScreenHeight, 255);
    struct TCall {
        ISurface* picture;
        TRect src;
        TRect dst;
    };
    std::vector<TCall> calls;
    calls.push_back({Pictures()[0].get(),
                     {0, 0, kScreenWidth, kScreenHeight},
                     {0, 0, kScreenWidth, kScreenHeight}});
    for (int g = 0; g < 10; ++g) {
        const int32_t gx = g % 5 * 200, gy = g / 5 * 380;
        for (int i = 0; i < (g == 9 ? 19 : 20); ++i) {
            const int32_t x = gx + i % 4 * 50, y = gy + i / 4 * 70;
            calls.push_back({Pictures()[1].get(), {0, 0, 48, 32}, {x, y, x + 48, y + 32}});
        }
    }
    ISurface& back = *bench.engine->BackSurface();
    const TRect all{0, 0, kScreenWidth, kScreenHeight};
    for (auto _ : state) {
        back.AddUpdateRect(all);
        back.Draw(backdrop.get(), all, all, 255, bm_BltFast);
        for (const TCall& call : calls) back.Draw(call.picture, call.src, call.dst, 255, bm_Normal);
        back.ClearUpdateRects();
    }
}
BENCHMARK(BM_Game3x200_KernelsOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    TUnitRunner units(
        {CoreUnits(), EngineUnits(), FunctionUnits(), WidgetUnits(), EffectUnits(), GameUnits()});
    RegisterObjectClass(ClassOf<TPictureWidget>(), "bench_picture");
    Pictures() = {MakePicture(kScreenWidth, kScreenHeight, 255), MakePicture(48, 32, 200)};
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Pictures().clear();
    return 0;
}
