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
#include "world/MapControl.h"
#include "world/MapScreen.h"
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

std::string MakeTempFolder(const char* tag) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qm-" + tag + "-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
}

Ref<IParamCollection> NewParams() {
    return Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
}

class TBenchMap {
public:
    TBenchMap() : folder_(MakeTempFolder("map-bench")), playerData_(MakeTempFolder("map-player")) {
        setenv("XDG_DATA_HOME", playerData_.c_str(), 1);
        SetResourcesDir(folder_);
        std::string locations =
            "<widget type=\"group_widget\" name=\"map_locations\" visible=\"yes\"><widgets>" +
            Location("japan", 60, 80, "") + Location("rome", 320, 60, "japan") +
            Location("tibet", 600, 90, "rome") + Location("egypt", 90, 330, "tibet") +
            Location("greece", 380, 300, "egypt") + Location("aztecs", 700, 340, "greece") +
            Location("china", 420, 540, "aztecs,greece") + "</widgets></widget>";
        const std::string panel =
            "<widget type=\"group_widget\" name=\"map_panel\" visible=\"yes\"><widgets>" +
            Picture("out_scene", 20, 640, 400, 110) +
            Picture("available_scene", 20, 640, 400, 110) +
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
        std::ofstream(folder_ + "/game.xml")
            << "<game name=\"bench\" type=\"Game\"><gamescreens><gamescreen name=\"GS_Map\" "
               "type=\"QuillmarchGameScreenMap\"><window><widgets>"
            << Picture("background", 0, 0, kWidth, kHeight, true) << locations << panel
            << "<widget type=\"surface_widget\" name=\"map_surface\"/>"
            << "<widget type=\"bench_picture\" name=\"scroll\" visible=\"yes\" width=\"1024\" "
               "height=\"114\" extraparams=\"start_y=-114\"/>"
            << control << "</widgets></window></gamescreen></gamescreens></game>";

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
        const Ref<IParamCollection> profile = profiles->GetCurrent()->GetParams();
        profile->SetValue("show_map", Variant("yes"));
        for (const char* done : {"japan", "rome", "tibet"}) {
            profile->SetValue(std::string("location_state_") + done, Variant("completed"));
        }
        for (const char* location :
             {"japan", "rome", "tibet", "egypt", "greece", "aztecs", "china"})
            game->SetOptionValue(std::string("lvlcnt_") + location, Variant(12));
        profile->SetValue("current_level_egypt", Variant("5"));
        picture_ = RandomSurface(kWidth, kHeight, false, 7);
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("surface", Variant(Ref<ISurface>(picture_)));
        params->SetValue("show_scroll", Variant("yes"));
        game->ShowGameScreen("GS_Map", params);
        map = dynamic_cast<TQuillmarchGameScreenMap*>(
            game->GetGameScreens()->GetItem(Variant("GS_Map")).get());
        for (int i = 0; i < 3; ++i) Frame();
    }
    ~TBenchMap() {
        map = nullptr;
        engine->Done();
        engine = nullptr;
        picture_ = nullptr;
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

    Ref<TEngine> engine;
    TGame* game = nullptr;
    TQuillmarchGameScreenMap* map = nullptr;

private:
    std::string folder_;
    std::string playerData_;
    Ref<TSurface> picture_;
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

void BM_FullFrame(benchmark::State& state) {
    TBenchMap bench;
    const Ref<ISurface> target = bench.engine->CreateSurface();
    target->SetSize(kWidth, kHeight);
    for (auto _ : state) {
        bench.map->Render(*target);
        benchmark::ClobberMemory();
    }
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
    RegisterObjectClass(ClassOf<TBenchPicture>(), "bench_picture");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
