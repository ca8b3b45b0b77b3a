// The real game shell on the headless platform for benchmarks of whole
// screens: a game definition written into a temporary folder, a 1024 × 768
// engine with a silent audio device, a current profile, and pictures of
// random pixels that stand in for art ("bench_picture").
#pragma once

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>

#include "core/object/GeneralClasses.h"
#include "core/persist/Params.h"
#include "engine/Engine.h"
#include "engine/EngineStartup.h"
#include "game/Game.h"
#include "platform/HeadlessPlatform.h"
#include "platform/audio/AudioDevice.h"
#include "widgets/WidgetClasses.h"

namespace bench {

constexpr int kWidth = 1024, kHeight = 768;

inline Ref<TSurface> RandomSurface(int w, int h, bool transparent, uint32_t seed) {
    Ref<TSurface> s = MakeRef<TSurface>();
    s->SetSize(w, h);
    s->SetTransparent(transparent);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y) {
        uint32_t* row = s->GetScanLine(y);
        for (int x = 0; x < w; ++x) row[x] = transparent ? rng() : rng() | 0xFF000000u;
    }
    return s;
}

// A picture of its size: random pixels, with alpha unless "opaque".
class TBenchPicture : public TSingleWidget {
public:
    static const TPropertyTable& Table() {
        static const TPropertyTable table =
            TPropertyTable::Builder<TBenchPicture>(TSingleWidget::Table())
                .Field("opaque", &TBenchPicture::opaque_, false)
                .Field("highlight", &TBenchPicture::highlight_, false)
                .Build();
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    void Render(ISurface& surface, int32_t x, int32_t y) override {
        const int32_t w = GetWidth(), h = GetHeight();
        if (w <= 0 || h <= 0) return;
        if (!picture_) picture_ = RandomSurface(w, h, !opaque_, uint32_t(w * 31 + h));
        surface.Draw(picture_.get(), {0, 0, w, h}, {x, y, x + w, y + h}, GetTransparentLevel(),
                     bm_Normal);
    }

private:
    bool opaque_ = false;
    bool highlight_ = false;
    Ref<TSurface> picture_;
};

inline void RegisterBenchPicture() {
    RegisterObjectClass(ClassOf<TBenchPicture>(), "bench_picture");
}

inline std::string Picture(const std::string& name, int x, int y, int w, int h,
                           bool opaque = false, bool visible = true) {
    return "<widget type=\"bench_picture\" name=\"" + name + "\" visible=\"" +
           (visible ? "yes" : "no") + "\" anchor_left=\"" + std::to_string(x) + "\" anchor_top=\"" +
           std::to_string(y) + "\" width=\"" + std::to_string(w) + "\" height=\"" +
           std::to_string(h) + "\" opaque=\"" + (opaque ? "yes" : "no") + "\"/>";
}

inline std::string Factory(const std::string& name, const std::string& widget) {
    return "<widgetfactory name=\"" + name + "\" type=\"WidgetFactory\"><widgetstring>" + widget +
           "</widgetstring></widgetfactory>";
}

// A function particle system whose burst (its "init_creation_count") lays
// its particles in rows `width` wide from where the system is placed, and
// whose particles live as long as the system.
inline std::string BurstParticleSystem(int width, const std::string& name = "ps") {
    const auto defs = [](std::initializer_list<const char*> names, int column) {
        std::string text;
        int row = 0;
        for (const char* def : names) {
            text += std::string("<paramdef name=\"") + def + "\" col=\"" + std::to_string(column) +
                    "\" row=\"" + std::to_string(row++) + "\" static=\"yes\"/>";
        }
        return text;
    };
    const std::string w = std::to_string(width);
    return "<widget type=\"function_particle_system\" name=\"" + name + "\" visible=\"yes\">"
           "<widgets>" +
           Picture("sprite", 0, 0, 4, 4) +
           "</widgets><paramspace><paramdefs>" +
           defs({"dead", "x", "y", "pic", "r", "g", "b", "a"}, 0) + defs({"age", "sx", "sy"}, 1) +
           R"(</paramdefs></paramspace>
        <function name="fn" type="function_complex"><paramspace><paramdefs>
          <paramdef name="systime" col="1" row="0" static="yes"/>
          <paramdef name="rate" col="2" row="0" static="yes" value="0"/>
          <paramdef name="surface" col="2" row="1" static="yes"/>
        </paramdefs></paramspace>
        <functions>
          <function name="Create" type="function_eval"><paramspace><paramdefs>)" +
           defs({"c_age", "c_sx", "c_sy"}, 0) + R"(
            <paramdef name="count" col="2" row="0" outname="rate"/>
            <paramdef name="index" col="2" row="1" static="yes"/>
            <paramdef name="total_index" col="2" row="2" static="yes"/>
            </paramdefs></paramspace>
            <expression>c_age := 0
c_sx := total_index - )" + w + " * trunc(total_index / " + w + R"()
c_sy := trunc(total_index / )" + w + R"() * 32</expression>
          </function>
          <function name="Update" type="function_eval"><paramspace><paramdefs>)" +
           defs({"dead", "x", "y", "pic", "r", "g", "b", "a"}, 0) +
           defs({"u_age", "u_sx", "u_sy"}, 1) + R"(
            </paramdefs></paramspace>
            <expression>dead := 0
x := u_sx
y := u_sy
pic := 0
a := 255</expression>
          </function>
        </functions></function></widget>)";
}

inline std::string MakeTempFolder(const char* tag) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qm-" + tag + "-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
}

inline Ref<IParamCollection> NewParams() {
    return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

// One game started on `definition` (a whole "game.xml"), its player data in
// a folder of its own, the profile "bench" current; both folders go with it.
class TBenchGame {
public:
    TBenchGame(const char* tag, const std::string& definition)
        : folder_(MakeTempFolder(tag)), playerData_(MakeTempFolder(tag)) {
        setenv("XDG_DATA_HOME", playerData_.c_str(), 1);
        SetResourcesDir(folder_);
        std::ofstream(folder_ + "/game.xml") << definition;
        SetPlatformFactory(
            []() -> std::unique_ptr<IPlatform> { return std::make_unique<THeadlessPlatform>(); });
        SetAudioBackendFactory([]() -> Ref<IAudioBackend> {
            Ref<TAudioDevice> device = MakeRef<TAudioDevice>();
            device->OpenWithoutOutput(44100);
            return device;
        });
        engine = CreateObject<TEngine>();
        if (!engine->Init("game.xml")) std::abort();
        engine->SetOption("ScreenWidth", std::to_string(kWidth));
        engine->SetOption("ScreenHeight", std::to_string(kHeight));
        engine->ApplySettings();
        game = dynamic_cast<TGame*>(engine->GetGame().get());
        const Ref<IUserProfileCollection> profiles = game->GetUserProfiles();
        profiles->FindOrAdd("bench");
        profiles->SetCurrent("bench");
        profile = profiles->GetCurrent()->GetParams();
    }
    ~TBenchGame() {
        profile = nullptr;
        engine->Done();
        engine = nullptr;
        SetPlatformFactory(nullptr);
        SetAudioBackendFactory(nullptr);
        SetResourcesDir("");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        std::filesystem::remove_all(playerData_, ignored);
    }
    TBenchGame(const TBenchGame&) = delete;
    TBenchGame& operator=(const TBenchGame&) = delete;

    // One frame as the engine runs it: update, then the draw of what changed.
    void Frame(int32_t ms = 10) {
        engine->UpdateGame(ms);
        if (engine->IsRedrawNeeded()) game->Render(engine->BackSurface());
        engine->ClearUpdateRects();
    }
    // The screen of that name once shown, as its class.
    template <class Screen>
    Screen* ScreenNamed(const char* name) {
        return dynamic_cast<Screen*>(game->GetGameScreens()->GetItem(Variant(name)).get());
    }

    Ref<TEngine> engine;
    TGame* game = nullptr;
    Ref<IParamCollection> profile;

private:
    std::string folder_;
    std::string playerData_;
};

// One full-screen alpha blend: the yardstick a screen's figures are given
// against, measured in the same run.
inline void AlphaBlendYardstick(benchmark::State& state) {
    const Ref<TSurface> frame = RandomSurface(kWidth, kHeight, false, 1);
    const Ref<TSurface> source = RandomSurface(kWidth, kHeight, true, 2);
    const TRect all{0, 0, kWidth, kHeight};
    for (auto _ : state) {
        benchmark::DoNotOptimize(frame->Draw(source.get(), all, all, 255, bm_Normal));
        benchmark::ClobberMemory();
    }
}

// Every iteration draws the whole of a screen into a surface of the screen's
// size, as a full redraw does.
template <class Screen>
inline void DrawWholeScreen(benchmark::State& state, TBenchGame& run, Screen& screen) {
    const Ref<ISurface> target = run.engine->CreateSurface();
    target->SetSize(kWidth, kHeight);
    for (auto _ : state) {
        screen.Render(*target);
        benchmark::ClobberMemory();
    }
}

}  // namespace bench
