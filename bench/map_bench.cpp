// The map screen's transitions on the real game shell, 1024 × 768: seven
// locations with their looks (alpha pictures) and progress bars, the
// information panel, the background and the scroll edge, on the engine and
// the headless platform.
//
// - AlphaBlend: one full-screen alpha blend, the yardstick of this run.
// - FullFrame: the whole map drawn once into a screen-sized surface.
// - Snapshot: what entering a location costs for the scroll transition: a
//   new 1024 × 768 surface with the map drawn into it.
// - ScrollFrame: one frame of the scroll-up that uncovers the map (16 ms of
//   a 1000 ms transition; the picture and the edge move, so the screen is
//   drawn again), restarted when it ends.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench/BenchGame.h"
#include "core/CoreUnits.h"
#include "core/base/Units.h"
#include "effects/EffectUnits.h"
#include "engine/EngineUnits.h"
#include "functions/FunctionUnits.h"
#include "game/GameUnits.h"
#include "nonogram/NonogramUnits.h"
#include "widgets/WidgetUnits.h"
#include "world/MapControl.h"
#include "world/MapScreen.h"
#include "world/WorldUnits.h"

namespace {

using namespace bench;

std::string Location(const char* name, int x, int y, const char* required) {
    return std::string("<widget type=\"QuillmarchMapLocation\" name=\"") + name +
           "\" visible=\"yes\" anchor_left=\"" + std::to_string(x) + "\" anchor_top=\"" +
           std::to_string(y) + "\" extraparams=\"required=" + required +
           "\\highlight=no\"><widgets>" + Picture("locked", 0, 0, 180, 140) +
           "<widget type=\"group_widget\" name=\"available\" visible=\"yes\"><widgets>" +
           Picture("bg", 0, 0, 180, 140) +
           "<widget type=\"AnimatedBarControl\" name=\"bar_progress\" visible=\"yes\" "
           "anchor_left=\"10\" anchor_top=\"120\" width=\"160\" height=\"10\" "
           "animation=\"no\"><widgets>" +
           Picture("bar", 0, 0, 160, 10) +
           "</widgets></widget></widgets></widget>"
           "<widget type=\"group_widget\" name=\"completed\" visible=\"yes\"><widgets>" +
           Picture("image", 0, 0, 180, 140) + Picture("image_silver", 0, 0, 180, 140) +
           "</widgets></widget></widgets></widget>";
}

// The map's game definition: seven locations, the panel, the background,
// the snapshot surface and the scroll edge.
std::string MapDefinition() {
    const std::string locations =
        "<widget type=\"group_widget\" name=\"map_locations\" visible=\"yes\"><widgets>" +
        Location("japan", 60, 80, "") + Location("rome", 320, 60, "japan") +
        Location("tibet", 600, 90, "rome") + Location("egypt", 90, 330, "tibet") +
        Location("greece", 380, 300, "egypt") + Location("aztecs", 700, 340, "greece") +
        Location("china", 420, 540, "aztecs,greece") + "</widgets></widget>";
    const std::string panel =
        "<widget type=\"group_widget\" name=\"map_panel\" visible=\"yes\"><widgets>" +
        Picture("out_scene", 20, 640, 400, 110) + Picture("available_scene", 20, 640, 400, 110) +
        "<widget type=\"group_widget\" name=\"locked_scene\"><widgets>" +
        Picture("text", 20, 640, 400, 110) + "</widgets></widget></widgets></widget>";
    const std::string control =
        "<widget type=\"QuillmarchControlMap\" name=\"map_control\" visible=\"yes\" "
        "mousestop=\"yes\" enabled=\"yes\" width=\"1024\" height=\"768\"><widgetfactories>" +
        Factory("scenario_scroll_up",
                "<widget type=\"scenario_scroll_up\" name=\"scenario_scroll_up\" "
                "extraparams=\"duration=1000\"/>") +
        "</widgetfactories><widgets><widget type=\"group_widget\" name=\"scenario_group\" "
        "visible=\"yes\"/></widgets></widget>";
    return "<game name=\"bench\" type=\"Game\"><gamescreens><gamescreen name=\"GS_Map\" "
           "type=\"QuillmarchGameScreenMap\"><window><widgets>" +
           Picture("background", 0, 0, kWidth, kHeight, true) + locations + panel +
           "<widget type=\"surface_widget\" name=\"map_surface\"/>"
           "<widget type=\"bench_picture\" name=\"scroll\" visible=\"yes\" width=\"1024\" "
           "height=\"114\" extraparams=\"start_y=-114\"/>" +
           control + "</widgets></window></gamescreen></gamescreens></game>";
}

class TBenchMap {
public:
    TBenchMap() : run("map-bench", MapDefinition()) {
        run.profile->SetValue("show_map", Variant("yes"));
        for (const char* done : {"japan", "rome", "tibet"}) {
            run.profile->SetValue(std::string("location_state_") + done, Variant("completed"));
        }
        for (const char* location :
             {"japan", "rome", "tibet", "egypt", "greece", "aztecs", "china"})
            run.game->SetOptionValue(std::string("lvlcnt_") + location, Variant(12));
        run.profile->SetValue("current_level_egypt", Variant("5"));
        picture_ = RandomSurface(kWidth, kHeight, false, 7);
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("surface", Variant(Ref<ISurface>(picture_)));
        params->SetValue("show_scroll", Variant("yes"));
        run.game->ShowGameScreen("GS_Map", params);
        map = run.ScreenNamed<TQuillmarchGameScreenMap>("GS_Map");
        for (int i = 0; i < 3; ++i) Frame();
    }

    void Frame(int32_t ms = 10) { run.Frame(ms); }
    // The scroll-up from its start, as when the player arrives.
    void RestartScroll() {
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("surface", Variant(Ref<ISurface>(picture_)));
        params->SetValue("show_scroll", Variant("yes"));
        map->PrepareMapSurface(params);
        map->GetMapControl()->ExecuteCommand(kCommandMapRecompute, params);
        Frame(0);
    }
    bool Scrolling() {
        return map->FindWidget("map_control/scenario_group/scenario_scroll_up") != nullptr;
    }

    TBenchGame run;
    TQuillmarchGameScreenMap* map = nullptr;

private:
    Ref<TSurface> picture_;
};

BENCHMARK(AlphaBlendYardstick)->Name("BM_AlphaBlend")->Unit(benchmark::kMicrosecond);

void BM_FullFrame(benchmark::State& state) {
    TBenchMap bench;
    DrawWholeScreen(state, bench.run, *bench.map);
}
BENCHMARK(BM_FullFrame)->Unit(benchmark::kMicrosecond);

void BM_Snapshot(benchmark::State& state) {
    TBenchMap bench;
    for (auto _ : state) benchmark::DoNotOptimize(bench.map->MakeSnapshot());
}
BENCHMARK(BM_Snapshot)->Unit(benchmark::kMicrosecond);

void BM_ScrollFrame(benchmark::State& state) {
    TBenchMap bench;
    bench.RestartScroll();
    for (auto _ : state) {
        if (!bench.Scrolling()) {
            state.PauseTiming();
            bench.RestartScroll();
            state.ResumeTiming();
        }
        bench.Frame(16);
    }
}
BENCHMARK(BM_ScrollFrame)->Unit(benchmark::kMicrosecond);

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
