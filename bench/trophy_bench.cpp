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

#include <cstdint>
#include <string>

#include "bench/BenchGame.h"
#include "core/CoreUnits.h"
#include "core/base/Units.h"
#include "effects/EffectUnits.h"
#include "effects/ParticlesFunction.h"
#include "engine/EngineUnits.h"
#include "functions/FunctionUnits.h"
#include "game/GameUnits.h"
#include "nonogram/NonogramUnits.h"
#include "widgets/WidgetUnits.h"
#include "world/TrophyCabinet.h"
#include "world/WorldUnits.h"

namespace {

using namespace bench;

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

// The cabinet's game definition: the thirteen trophies, their reveal
// factory with its particle system, the bubble and the scenario group.
std::string CabinetDefinition() {
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
            Factory("ps", BurstParticleSystem(120)) + "</widgetfactories></widget>");
    return "<game name=\"bench\" type=\"Game\"><gamescreens><gamescreen name=\"GS_Trophy\" "
           "type=\"QuillmarchGameScreenTrophy\"><window><widgetfactories>" +
           factory + "</widgetfactories><widgets>" +
           Picture("background", 0, 0, kWidth, kHeight, true) + trophies +
           "<widget type=\"group_widget\" name=\"scenario_group\" visible=\"yes\"/>" +
           Picture("info", 0, 0, 200, 60, false, false) +
           "</widgets></window></gamescreen></gamescreens></game>";
}

class TBenchCabinet {
public:
    TBenchCabinet() : run("trophy-bench", CabinetDefinition()) {
        for (const char* name : kTrophies) run.profile->SetValue(name, Variant("yes"));
        run.game->ShowGameScreen("GS_Trophy", nullptr);
        cabinet = run.ScreenNamed<TQuillmarchGameScreenTrophy>("GS_Trophy");
        for (int i = 0; i < 3; ++i) Frame();
    }

    void Frame(int32_t ms = 10) { run.Frame(ms); }
    // Every trophy newly granted, the reveals started and run past their
    // first frames, so that all 6,500 particles are out.
    void StartReveals() {
        std::string fresh;
        for (const char* name : kTrophies) fresh += std::string(name) + ",";
        run.profile->SetValue("show_trophy", Variant(fresh));
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

    TBenchGame run;
    TQuillmarchGameScreenTrophy* cabinet = nullptr;
};

BENCHMARK(AlphaBlendYardstick)->Name("BM_AlphaBlend")->Unit(benchmark::kMicrosecond);

void BM_CabinetFrame(benchmark::State& state) {
    TBenchCabinet bench;
    DrawWholeScreen(state, bench.run, *bench.cabinet);
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
    const Ref<ISurface> target = bench.run.engine->CreateSurface();
    target->SetSize(kWidth, kHeight);
    bench.StartReveals();
    for (auto _ : state) {
        if (bench.Reveals() == 0) {
            state.PauseTiming();
            bench.StartReveals();
            state.ResumeTiming();
        }
        bench.run.engine->UpdateGame(16);
        bench.cabinet->Render(*target);
        bench.run.engine->ClearUpdateRects();
        benchmark::ClobberMemory();
    }
    state.counters["particles_last"] = double(bench.Particles());
}
BENCHMARK(BM_RevealFrameFullDraw)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    TUnitRunner units({CoreUnits(), EngineUnits(), FunctionUnits(), WidgetUnits(), EffectUnits(),
                       GameUnits(), NonogramUnits(), WorldUnits()});
    RegisterBenchPicture();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
