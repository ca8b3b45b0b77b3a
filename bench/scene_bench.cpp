// A location's scene on the real game shell, 1024 × 768: the background, the
// location's current layer with 20 bought magic items, the real scene
// control with 15 level buttons, the top panel and the level information
// panel, all alpha pictures but the background.
//
// - AlphaBlend: one full-screen alpha blend, the yardstick of this run.
// - FullRedraw: the whole scene drawn once into a screen-sized surface.
//   Goal: at most 10 × AlphaBlend.
// - HoverFrame: one 10 ms frame (update, and the draw of what changed) with
//   the pointer resting on a level button whose highlight and panel are
//   already shown. Goal: nothing redrawn; the counter "redraws" is the share
//   of frames that drew anything (0 when none did).
// - HoverChangeFrame: the same with the pointer moving between two buttons
//   every frame, so each frame changes the highlight and the panel: what a
//   real hover costs beside the idle one.
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
#include "platform/HeadlessPlatform.h"
#include "widgets/WidgetUnits.h"
#include "world/LocationScreens.h"
#include "world/WorldUnits.h"

namespace {

using namespace bench;

constexpr int kItems = 20;
constexpr int kButtons = 15;
constexpr int kButtonSize = 56;

std::string Group(const std::string& name, const std::string& children,
                  const std::string& extra = "") {
    return "<widget type=\"group_widget\" name=\"" + name + "\" visible=\"yes\" " + extra +
           "><widgets>" + children + "</widgets></widget>";
}

// A picture that carries values for the scene's classes to read and set.
std::string PictureWith(const std::string& name, int x, int y, int w, int h,
                        const std::string& extra) {
    std::string text = Picture(name, x, y, w, h);
    text.insert(text.size() - 2, " extraparams=\"" + extra + "\"");
    return text;
}

// A level button: a picture that takes the scene control's "highlight"
// ("yes" or "no") and is drawn again when it changes.
class TBenchButton : public TBenchPicture {
public:
    Variant GetProperty(const std::string& name) override {
        if (name == "highlight") return Variant(lit_ ? "yes" : "no");
        return TBenchPicture::GetProperty(name);
    }
    void SetProperty(const std::string& name, const Variant& value) override {
        if (name != "highlight") {
            TBenchPicture::SetProperty(name, value);
            return;
        }
        const bool lit = value.ToString() == "yes";
        if (lit == lit_) return;
        lit_ = lit;
        Invalidate();
    }

private:
    bool lit_ = false;
};

int ButtonX(int i) { return 40 + i * 64; }
constexpr int kButtonY = 660;

// The scene's game definition: the picture of "japan" with two layers (the
// second hidden), the control with its buttons, the panels.
std::string SceneDefinition() {
    std::string items;
    for (int i = 0; i < kItems; ++i) {
        const int w = 70 + (i % 4) * 16, h = 60 + (i % 3) * 20;
        items += PictureWith("item" + std::to_string(i), 30 + (i % 5) * 195, 90 + (i / 5) * 130,
                             w, h, "item_type=magic");
    }
    const std::string locations = Group(
        "locations",
        Group("japan",
              Group("layer_1", Picture("layer_bg", 0, 60, kWidth, 600) + Group("items", items)) +
                  Group("layer_2", Picture("layer_bg", 0, 60, kWidth, 600))));
    std::string buttons;
    for (int i = 0; i < kButtons; ++i) {
        std::string button =
            PictureWith(std::to_string(i + 1), ButtonX(i), kButtonY, kButtonSize, kButtonSize,
                        "level_ref=j" + std::to_string(i + 1) + "\\state=locked");
        buttons += button.replace(button.find("bench_picture"), 13, "bench_button");
    }
    const std::string control =
        "<widget type=\"QuillmarchControlScene\" name=\"control_scene\" visible=\"yes\" "
        "mousestop=\"yes\" enabled=\"yes\" width=\"1024\" height=\"768\"><widgets>" +
        Group("scenario_group", "") +
        Group("map_parts", Group("japan", Group("map_levels", buttons))) + "</widgets></widget>";
    const std::string info = Group(
        "info",
        Picture("frame", 700, 470, 300, 170) +
            Group("medals", Picture("award_speed", 720, 490, 60, 60) +
                                Picture("award_speed_no", 720, 490, 60, 60, false, false) +
                                Picture("award_hint", 790, 490, 60, 60) +
                                Picture("award_hint_no", 790, 490, 60, 60, false, false) +
                                Picture("award_error", 860, 490, 60, 60) +
                                Picture("award_error_no", 860, 490, 60, 60, false, false) +
                                Picture("earned", 720, 570, 120, 24) +
                                Picture("total", 860, 570, 120, 24)) +
            Picture("question", 720, 490, 260, 130) + Picture("play", 720, 490, 260, 130));
    const std::string panel =
        Picture("top_panel", 0, 0, kWidth, 64) + Picture("title", 380, 8, 264, 40) +
        Picture("mana_icon", 20, 8, 48, 48) + Picture("mana_counter", 72, 16, 90, 32) +
        Picture("button_shop", 820, 8, 90, 48) + Picture("button_exit", 930, 8, 80, 48);
    return "<game name=\"bench\" type=\"Game\"><gamescreens><gamescreen name=\"GS_Scene\" "
           "type=\"QuillmarchGameScreenScene\"><window><widgets>" +
           Picture("background", 0, 0, kWidth, kHeight, true) + locations + control + panel +
           info + "</widgets></window></gamescreen></gamescreens></game>";
}

class TBenchScene {
public:
    TBenchScene() : run("scene-bench", SceneDefinition()) {
        std::string bought;
        for (int i = 0; i < kItems; ++i) bought += "item" + std::to_string(i) + ",";
        run.profile->SetValue("items_japanlayer_1", Variant(bought));
        run.profile->SetValue("current_level_japan", Variant("8"));
        run.profile->SetValue("tutorial_passed", Variant("yes"));
        run.profile->SetValue("show_scene_hint", Variant("yes"));
        run.game->SetOptionValue("lvlcnt_japan", Variant(kButtons));
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("active_map_part", Variant("japan"));
        params->SetValue("show_scroll", Variant("no"));
        run.game->ShowGameScreen("GS_Scene", params);
        scene = run.ScreenNamed<TQuillmarchGameScreenScene>("GS_Scene");
        if (!scene) std::abort();
        for (int i = 0; i < 3; ++i) run.Frame();
    }

    // The pointer on button i (from 0), then frames until that shows.
    void PointAt(int i) {
        Platform().SetMousePos({ButtonX(i) + kButtonSize / 2, kButtonY + kButtonSize / 2});
    }
    THeadlessPlatform& Platform() {
        return dynamic_cast<THeadlessPlatform&>(run.engine->Platform());
    }

    TBenchGame run;
    TQuillmarchGameScreenScene* scene = nullptr;
};

BENCHMARK(AlphaBlendYardstick)->Name("BM_AlphaBlend")->Unit(benchmark::kMicrosecond);

void BM_FullRedraw(benchmark::State& state) {
    TBenchScene bench;
    DrawWholeScreen(state, bench.run, *bench.scene);
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMicrosecond);

// One frame as the engine runs it; true when it drew anything.
bool Frame(TBenchScene& bench) {
    TBenchGame& run = bench.run;
    run.engine->UpdateGame(10);
    const bool redraw = run.engine->IsRedrawNeeded();
    if (redraw) run.game->Render(run.engine->BackSurface());
    run.engine->ClearUpdateRects();
    return redraw;
}

void BM_HoverFrame(benchmark::State& state) {
    TBenchScene bench;
    bench.PointAt(3);
    for (int i = 0; i < 3; ++i) Frame(bench);
    int64_t redraws = 0;
    for (auto _ : state) redraws += Frame(bench) ? 1 : 0;
    state.counters["redraws"] =
        benchmark::Counter(static_cast<double>(redraws), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_HoverFrame)->Unit(benchmark::kMicrosecond);

void BM_HoverChangeFrame(benchmark::State& state) {
    TBenchScene bench;
    int button = 0;
    int64_t redraws = 0;
    for (auto _ : state) {
        bench.PointAt(button);
        button = button == 3 ? 4 : 3;
        redraws += Frame(bench) ? 1 : 0;
    }
    state.counters["redraws"] =
        benchmark::Counter(static_cast<double>(redraws), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_HoverChangeFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    TUnitRunner units({CoreUnits(), EngineUnits(), FunctionUnits(), WidgetUnits(), EffectUnits(),
                       GameUnits(), NonogramUnits(), WorldUnits()});
    RegisterBenchPicture();
    RegisterObjectClass(ClassOf<TBenchButton>(), "bench_button");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
