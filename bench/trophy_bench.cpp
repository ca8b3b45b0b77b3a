// The trophy cabinet revealing all thirteen trophies at once, on the real
// game shell, 1024 × 768: each reveal fades its owned look in and bursts a
// function particle system of 500 particles (6,500 in all) from its empty
// look.
//
// - AlphaBlend: one full-screen alpha blend, the yardstick of this run.
// - CabinetFrame: the idle cabinet drawn once into a screen-sized surface.
// - RevealFrame: one 16 ms frame (update, and the draw of what changed)
//   with the thirteen reveals running, restarted when they end. Goal: at
//   most 100 × AlphaBlend.
// - RevealFrameFullDraw: the same with the whole screen drawn every frame.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "core/CoreUnits.h"
#include "core/base/Units.h"
#include "effects/EffectUnits.h"
#include "effects/ParticlesFunction.h"
#include "engine/Engine.h"
#include "engine/EngineStartup.h"
#include "engine/EngineUnits.h"
#include "functions/FunctionUnits.h"
#include "game/Game.h"
#include "game/GameUnits.h"
#include "nonogram/NonogramUnits.h"
#include "platform/HeadlessPlatform.h"
#include "platform/audio/AudioDevice.h"
#include "widgets/WidgetClasses.h"
#include "widgets/WidgetUnits.h"
#include "world/TrophyCabinet.h"
#include "world/WorldUnits.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

Ref<TSurface> RandomSurface(int w, int h, bool transparent, uint32_t seed) {
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

std::string Picture(const std::string& name, int x, int y, int w, int h, bool opaque = false,
                    bool visible = true) {
    return "<widget type=\"bench_picture\" name=\"" + name + "\" visible=\"" +
           (visible ? "yes" : "no") + "\" anchor_left=\"" + std::to_string(x) + "\" anchor_top=\"" +
           std::to_string(y) + "\" width=\"" + std::to_string(w) + "\" height=\"" +
           std::to_string(h) + "\" opaque=\"" + (opaque ? "yes" : "no") + "\"/>";
}

std::string Factory(const std::string& name, const std::string& widget) {
    return "<widgetfactory name=\"" + name + "\" type=\"WidgetFactory\"><widgetstring>" + widget +
           "</widgetstring></widgetfactory>";
}

std::string MakeTempFolder(const char* tag) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qm-" + tag + "-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
}



// A function particle system whose 500-particle burst spreads over a
// 120 × 160 trophy from where the system is placed, and whose particles live
// as long as the system.
std::string ParticleSystem() {
    const auto defs = [](std::initializer_list<const char*> names, int column) {
        std::string text;
        int row = 0;
        for (const char* name : names) {
            text += std::string("<paramdef name=\"") + name + "\" col=\"" + std::to_string(column) +
                    "\" row=\"" + std::to_string(row++) + "\" static=\"yes\"/>";
        }
        return text;
    };
    return R"(<widget type="function_particle_system" name="ps" visible="yes">)"
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
c_sx := total_index - 120 * trunc(total_index / 120)
c_sy := trunc(total_index / 120) * 32</expression>
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

const char* const kTrophies[] = {
    "trophy_error_small", "trophy_error_big", "trophy_hint_small", "trophy_hint_big",
    "trophy_speed_small", "trophy_speed_big", "trophy_japan",      "trophy_rome",
    "trophy_tibet",       "trophy_egypt",     "trophy_greece",     "trophy_aztecs",
    "trophy_china"};

std::string Trophy(const std::string& name, int x, int y) {
    return "<widget type=\"group_widget\" name=\"" + name + "\" visible=\"yes\" anchor_left=\"" +
           std::to_string(x) + "\" anchor_top=\"" + std::to_string(y) +
           "\" aliases=\"\\trophy_yes=full/visible\\trophy_no=empty/visible\" extraparams=\"init_x=" +
           std::to_string(x) + "\\init_y=" + std::to_string(y) + "\"><widgets>" +
           Picture("full", 0, 0, 120, 160, false, false) +
           Picture("empty", 0, 0, 120, 160, false, true) + "</widgets></widget>";
}

class TBenchCabinet {
public:
    TBenchCabinet()
        : folder_(MakeTempFolder("trophy-bench")), playerData_(MakeTempFolder("trophy-player")) {
        setenv("XDG_DATA_HOME", playerData_.c_str(), 1);
        SetResourcesDir(folder_);
        std::string trophies =
            "<widget type=\"group_widget\" name=\"trophies\" visible=\"yes\"><widgets>";
        for (int i = 0; i < 13; ++i) {
            trophies += Trophy(kTrophies[i], 40 + (i % 7) * 140, 120 + (i / 7) * 260);
        }
        trophies += "</widgets></widget>";
        const std::string factory = Factory(
            "scenario_show_trophy",
            "<widget type=\"scenario_show_trophy\" name=\"%name%\" "
            "extraparams=\"trophy_name=%trophy_name%\\duration=1000\"><widgetfactories>" +
                Factory("ps", ParticleSystem()) + "</widgetfactories></widget>");
        std::ofstream(folder_ + "/game.xml")
            << "<game name=\"bench\" type=\"Game\"><gamescreens><gamescreen name=\"GS_Trophy\" "
               "type=\"QuillmarchGameScreenTrophy\"><window><widgetfactories>"
            << factory << "</widgetfactories><widgets>"
            << Picture("background", 0, 0, kWidth, kHeight, true) << trophies
            << "<widget type=\"group_widget\" name=\"scenario_group\" visible=\"yes\"/>"
            << Picture("info", 0, 0, 200, 60, false, false)
            << "</widgets></window></gamescreen></gamescreens></game>";

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
        for (const char* name : kTrophies) profile->SetValue(name, Variant("yes"));
        game->ShowGameScreen("GS_Trophy", nullptr);
        cabinet = dynamic_cast<TQuillmarchGameScreenTrophy*>(
            game->GetGameScreens()->GetItem(Variant("GS_Trophy")).get());
        for (int i = 0; i < 3; ++i) Frame();
    }
    ~TBenchCabinet() {
        cabinet = nullptr;
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

    void Frame(int32_t ms = 10) {
        engine->UpdateGame(ms);
        if (engine->IsRedrawNeeded()) game->Render(engine->BackSurface());
        engine->ClearUpdateRects();
    }
    // Every trophy newly granted, the reveals started and run past their
    // first frames, so that all 6,500 particles are out.
    void StartReveals() {
        std::string fresh;
        for (const char* name : kTrophies) fresh += std::string(name) + ",";
        profile->SetValue("show_trophy", Variant(fresh));
        cabinet->FillCabinet();
        Frame(0);
        Frame(16);
    }
    // The live particles of every running reveal.
    int64_t Particles() {
        int64_t count = 0;
        const Ref<IWidgetCollection> reveals =
            cabinet->FindWidget("scenario_group")->GetChildren();
        for (int32_t i = 0; i < reveals->GetCount(); ++i) {
            const Ref<IWidget> ps = reveals->GetWidgetByIndex(i)->FindWidget("ps");
            if (auto* system = dynamic_cast<TFunctionParticleSystem*>(ps.get()))
                count += system->GetParticleCount();
        }
        return count;
    }
    int Reveals() { return cabinet->FindWidget("scenario_group")->GetChildren()->GetCount(); }

    Ref<TEngine> engine;
    TGame* game = nullptr;
    TQuillmarchGameScreenTrophy* cabinet = nullptr;
    Ref<IParamCollection> profile;

private:
    std::string folder_;
    std::string playerData_;
};

void BM_AlphaBlend(benchmark::State& state) {
    const Ref<TSurface> frame = RandomSurface(kWidth, kHeight, false, 1);
    const Ref<TSurface> source = RandomSurface(kWidth, kHeight, true, 2);
    const TRect all{0, 0, kWidth, kHeight};
    for (auto _ : state) {
        benchmark::DoNotOptimize(frame->Draw(source.get(), all, all, 255, bm_Normal));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_AlphaBlend)->Unit(benchmark::kMicrosecond);

void BM_CabinetFrame(benchmark::State& state) {
    TBenchCabinet bench;
    const Ref<ISurface> target = bench.engine->CreateSurface();
    target->SetSize(kWidth, kHeight);
    for (auto _ : state) {
        bench.cabinet->Render(*target);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CabinetFrame)->Unit(benchmark::kMicrosecond);

void BM_RevealFrame(benchmark::State& state) {
    TBenchCabinet bench;
    bench.StartReveals();
    state.counters["particles"] = double(bench.Particles());
    for (auto _ : state) {
        if (bench.Reveals() == 0) {
            state.PauseTiming();
            bench.StartReveals();
            state.ResumeTiming();
        }
        bench.Frame(16);
    }
    // What the last timed frame ran with.
    state.counters["particles_last"] = double(bench.Particles());
}
BENCHMARK(BM_RevealFrame)->Unit(benchmark::kMicrosecond);

// The same frame with the whole screen drawn, whatever the engine found
// changed: the upper bound of a reveal frame.
void BM_RevealFrameFullDraw(benchmark::State& state) {
    TBenchCabinet bench;
    const Ref<ISurface> target = bench.engine->CreateSurface();
    target->SetSize(kWidth, kHeight);
    bench.StartReveals();
    for (auto _ : state) {
        if (bench.Reveals() == 0) {
            state.PauseTiming();
            bench.StartReveals();
            state.ResumeTiming();
        }
        bench.engine->UpdateGame(16);
        bench.cabinet->Render(*target);
        bench.engine->ClearUpdateRects();
        benchmark::ClobberMemory();
    }
    state.counters["particles_last"] = double(bench.Particles());
}
BENCHMARK(BM_RevealFrameFullDraw)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    TUnitRunner units({CoreUnits(), EngineUnits(), FunctionUnits(), WidgetUnits(), EffectUnits(),
                       GameUnits(), NonogramUnits(), WorldUnits()});
    RegisterObjectClass(ClassOf<TBenchPicture>(), "bench_picture");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
