// Particles and curves against the libraries that draw the same pictures.
//
// - A stochastic particle system of 20,000 live 16x16 particles on a
//   1024x768 frame: one whole frame of the system (the update with its
//   removal, emission and bounds, the sprite's snapshot and every particle
//   drawn) against SDL2's software renderer drawing the same sprites at the
//   same places in the same colours (colour- and alpha-modulated copies).
//   Goal: at most 0.5 us per particle, 20,000 in a 10-ms frame.
// - A smooth curve 1,000 px long (an arc of radius 250 over 4 radians, one
//   pen point per pixel through the antialiaser, a 1x1 brush) redrawn whole,
//   the path prepared and evaluated at every point, against cairo stroking
//   the polyline through the same pen points 1 px wide, anti-aliased, into a
//   cleared surface of the same size. Goal: at most 1x cairo. cairo's own
//   arc, which it strokes without the points, is timed beside it.
// - Appearance effects on a 30x30 board: 900 cells of 22x22, each an
//   "appearance_effect_widget" around a coloured rectangle with a hide
//   effect that draws the cell's snapshot. Timed: hiding all 900 (the
//   snapshots and the effects' start), and one frame (update, dirty pass,
//   drawing on a 1024x768 frame) with all 900 effects running. Goal: the
//   frame within 10 ms.
//
// The ratios of the medians are printed at the end (run with
// --benchmark_repetitions=N for medians).
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/CoreUnits.h"
#include "core/base/Random.h"
#include "core/base/Units.h"
#include "bench/BenchScreen.h"
#include "core/object/GeneralClasses.h"
#include "effects/AppearanceEffects.h"
#include "effects/CurvesWidget.h"
#include "effects/EffectUnits.h"
#include "effects/ParticlesStochastic.h"
#include "engine/surface/EngineSurface.h"
#include "functions/FunctionUnits.h"
#include "functions/PathFunctionClasses.h"
#include "widgets/WidgetUnits.h"
#include "widgets/WidgetUtils.h"

namespace {

constexpr int32_t kScreenWidth = 1024;
constexpr int32_t kScreenHeight = 768;
constexpr int32_t kSprite = 16;
constexpr int32_t kLiveParticles = 20000;

using bench::TBenchScreen;

// A white disc whose alpha falls off toward its edge.
Ref<TSurface> MakeDisc(int32_t size) {
    Ref<TSurface> surface = MakeRef<TSurface>();
    surface->SetTransparent(true);
    surface->SetSize(size, size);
    const double c = (size - 1) / 2.0;
    for (int32_t y = 0; y < size; ++y) {
        for (int32_t x = 0; x < size; ++x) {
            const double d = std::hypot(x - c, y - c) / (size / 2.0);
            const uint32_t alpha = d >= 1 ? 0 : uint32_t(255 * (1 - d * d));
            surface->SetPixel(x, y, alpha << 24 | 0xFFFFFF);
        }
    }
    return surface;
}

// "bench_sprite": draws a white disc of its size.
class TBenchSprite : public TSingleWidget {
public:
    void Render(ISurface& surface, int32_t x, int32_t y) override {
        const int32_t w = GetWidth(), h = GetHeight();
        if (!picture_ || picture_->GetWidth() != w) picture_ = MakeDisc(w);
        surface.Draw(picture_.get(), {0, 0, w, h}, {x, y, x + w, y + h}, 255, bm_Normal);
    }

private:
    Ref<TSurface> picture_;
};

// ---------------------------------------------------------------------------
// Particles

struct TParticleScene {
    TParticleScene() {
        RandomSeed(2024);
        widget = WidgetFromXMLText(R"(
          <widget type="stochastic_particle_system" visible="yes"
                  emission_x="512" emission_y="384" emission_radius="300" emission_count="20000"
                  lifetime_min="1000" lifetime_max="1000" speed_min="10" speed_max="100"
                  gravity_min="-20" gravity_max="40" color_start="$FFFFC040" color_end="$FF4060FF"
                  alfa_end="0" color_variation="50">
            <widgets><widget type="bench_sprite" width="16" height="16"/></widgets>
          </widget>)");
        system = dynamic_cast<TStochasticParticleSystem*>(widget.get());
        back = MakeRef<TSurface>();
        back->SetSize(kScreenWidth, kScreenHeight);
        widget->Attach(screen.get());
        for (int i = 0; i < 110; ++i) widget->Update(10);  // the steady state
    }
    ~TParticleScene() { widget->Detach(); }

    void Frame() {
        widget->Update(10);
        widget->Render(*back, 0, 0);
    }

    Ref<TBenchScreen> screen = MakeRef<TBenchScreen>();
    Ref<IWidget> widget;
    TStochasticParticleSystem* system = nullptr;
    Ref<TSurface> back;
};

void BM_Particles_Ours(benchmark::State& state) {
    TParticleScene scene;
    int64_t particles = 0;
    for (auto _ : state) {
        scene.Frame();
        particles += scene.system->GetParticleCount();
    }
    state.counters["particles"] = double(scene.system->GetParticleCount());
    state.counters["s_per_particle"] = benchmark::Counter(
        double(particles), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(particles);
}
BENCHMARK(BM_Particles_Ours)->Unit(benchmark::kMillisecond);

// SDL2's software renderer drawing the same sprites: the places and colours
// of the particles of a frame of the system in its steady state.
void BM_Particles_SDL2(benchmark::State& state) {
    TParticleScene scene;
    scene.Frame();
    struct TSprite {
        SDL_Rect rect;
        uint32_t color;
    };
    std::vector<TSprite> sprites;
    for (const auto& base : scene.system->Particles()) {
        const auto& p = static_cast<const TStochasticParticle&>(*base);
        sprites.push_back(
            {{int(std::lround(p.x)), int(std::lround(p.y)), kSprite, kSprite}, p.color});
    }
    SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, kScreenWidth, kScreenHeight, 32,
                                                         SDL_PIXELFORMAT_ARGB8888);
    SDL_Renderer* renderer = target ? SDL_CreateSoftwareRenderer(target) : nullptr;
    Ref<TSurface> disc = MakeDisc(kSprite);
    SDL_Surface* discSurface = SDL_CreateRGBSurfaceWithFormatFrom(
        disc->GetScanLine(0), kSprite, kSprite, 32, kSprite * 4, SDL_PIXELFORMAT_ARGB8888);
    SDL_Texture* texture =
        renderer && discSurface ? SDL_CreateTextureFromSurface(renderer, discSurface) : nullptr;
    if (!texture) {
        state.SkipWithError("SDL2's software renderer is not available");
    } else {
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
        for (auto _ : state) {
            for (const TSprite& s : sprites) {
                SDL_SetTextureColorMod(texture, Uint8(s.color >> 16), Uint8(s.color >> 8),
                                       Uint8(s.color));
                SDL_SetTextureAlphaMod(texture, Uint8(s.color >> 24));
                SDL_RenderCopy(renderer, texture, nullptr, &s.rect);
            }
            SDL_RenderFlush(renderer);
            benchmark::DoNotOptimize(target->pixels);
        }
        state.counters["particles"] = double(sprites.size());
        state.counters["s_per_particle"] =
            benchmark::Counter(double(sprites.size()) * double(state.iterations()),
                               benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    }
    if (texture) SDL_DestroyTexture(texture);
    if (discSurface) SDL_FreeSurface(discSurface);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (target) SDL_FreeSurface(target);
}
BENCHMARK(BM_Particles_SDL2)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// Curves

constexpr double kArcX = 400, kArcY = 300, kArcRadius = 250;
constexpr double kArcStart = 0.3, kArcSweep = 4.0;  // radians: 1,000 px

struct TCurveScene {
    TCurveScene() {
        widget = WidgetFromXMLText(R"(
          <widget type="curve_widget" visible="yes" smooth="yes" draw_shift="1">
            <widgets><widget type="bench_sprite" width="1" height="1"/></widgets>
          </widget>)");
        curve = dynamic_cast<TCurveWidget*>(widget.get());
        widget->Attach(screen.get());
        const double a1 = kArcStart + kArcSweep;
        curve->SetFunction(CreateArcPath(float(kArcX + kArcRadius * std::cos(kArcStart)),
                                         float(kArcY + kArcRadius * std::sin(kArcStart)),
                                         float(kArcX + kArcRadius * std::cos(a1)),
                                         float(kArcY + kArcRadius * std::sin(a1)), float(kArcX),
                                         float(kArcY), 1, 1000));
        curve->RedrawCurve();
    }
    ~TCurveScene() { widget->Detach(); }

    Ref<TBenchScreen> screen = MakeRef<TBenchScreen>();
    Ref<IWidget> widget;
    TCurveWidget* curve = nullptr;
};

void BM_Curve_Ours(benchmark::State& state) {
    TCurveScene scene;
    for (auto _ : state) {
        scene.curve->RestartCurve();
        scene.curve->RedrawCurve();
    }
    state.counters["length_px"] = scene.curve->GetFunction()->GetLength();
    state.counters["stamps"] = scene.curve->GetStampCount();
    const TRect bounds = scene.curve->GetBounds();
    state.counters["area_w"] = double(bounds.Width());
    state.counters["area_h"] = double(bounds.Height());
}
BENCHMARK(BM_Curve_Ours)->Unit(benchmark::kMicrosecond);

void BM_Curve_Cairo(benchmark::State& state) {
    TCurveScene scene;  // for the same area
    const TRect bounds = scene.curve->GetBounds();
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(bounds.Width()), int(bounds.Height()));
    cairo_t* cr = cairo_create(surface);
    for (auto _ : state) {
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_set_line_width(cr, 1);
        cairo_new_path(cr);
        cairo_arc(cr, kArcX - bounds.left, kArcY - bounds.top, kArcRadius, kArcStart,
                  kArcStart + kArcSweep);
        cairo_stroke(cr);
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
    }
    state.counters["length_px"] = kArcRadius * kArcSweep;
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}
BENCHMARK(BM_Curve_Cairo)->Unit(benchmark::kMicrosecond);

// cairo stroking the polyline through the curve's own pen points (the path
// evaluated beforehand, outside the timing).
void BM_Curve_CairoPolyline(benchmark::State& state) {
    TCurveScene scene;
    const TRect bounds = scene.curve->GetBounds();
    const Ref<IPathFunction> path = scene.curve->GetFunction();
    const int32_t points = scene.curve->GetPointCount();
    path->SetValue("TotalTime", points);
    std::vector<std::pair<double, double>> line;
    for (int32_t i = 0; i <= points; ++i) {
        path->CalculateAt(i);
        line.push_back({path->GetX() - bounds.left, path->GetY() - bounds.top});
    }
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(bounds.Width()), int(bounds.Height()));
    cairo_t* cr = cairo_create(surface);
    for (auto _ : state) {
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_set_line_width(cr, 1);
        cairo_new_path(cr);
        cairo_move_to(cr, line[0].first, line[0].second);
        for (size_t i = 1; i < line.size(); ++i) cairo_line_to(cr, line[i].first, line[i].second);
        cairo_stroke(cr);
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
    }
    state.counters["points"] = double(line.size());
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}
BENCHMARK(BM_Curve_CairoPolyline)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------
// Appearance effects

constexpr int32_t kBoardSide = 30;
constexpr int32_t kCellSize = 22;
constexpr int32_t kCellPitch = 24;

// A board of 30x30 cells, each with a hide effect of durationMs.
struct TBoardScene {
    explicit TBoardScene(int32_t durationMs) {
        std::string xml = R"(<widget type="group_widget" visible="yes"><widgets>)";
        for (int32_t i = 0; i < kBoardSide * kBoardSide; ++i) {
            const int32_t x = 16 + i % kBoardSide * kCellPitch;
            const int32_t y = 16 + i / kBoardSide * kCellPitch;
            xml += R"(<widget type="appearance_effect_widget" name="cell)" + std::to_string(i) +
                   R"(" visible="yes" anchor_left=")" + std::to_string(x) + R"(" anchor_top=")" +
                   std::to_string(y) + R"(">
              <widgets><widget type="rect_widget" visible="yes" width=")" +
                   std::to_string(kCellSize) + R"(" height=")" + std::to_string(kCellSize) +
                   R"(" color="$FF3060A0"/></widgets>
              <effects type="appearance_effects"><widgets>
                <widget type="func_appearance_effect" name="hide_effect" durationtime=")" +
                   std::to_string(durationMs) + R"(" surfaceparamname="pic/surface">
                  <widgets><widget type="surface_widget" name="pic" visible="yes"/></widgets>
                </widget>
              </widgets></effects>
            </widget>)";
        }
        xml += "</widgets></widget>";
        root = WidgetFromXMLText(xml);
        root->Attach(screen.get());
        for (int32_t i = 0; i < kBoardSide * kBoardSide; ++i) {
            const Ref<IWidget> cell = root->FindWidget("cell" + std::to_string(i));
            if (auto* effect = dynamic_cast<TAppearanceEffectWdiget*>(cell.get())) {
                cells.push_back(effect);
            }
        }
        back = MakeRef<TSurface>();
        back->SetSize(kScreenWidth, kScreenHeight);
        Frame();  // everything drawn once, as on a board that is already shown
    }
    ~TBoardScene() { root->Detach(); }

    void Frame() {
        root->Update(10);
        root->CollectDirtyRects(false, false);
        root->Render(*back, 0, 0);
    }
    void HideAll() {
        for (TAppearanceEffectWdiget* cell : cells) cell->SetVisible(false);
    }
    // Shown again at once: no cell has a show effect, so a running hide ends.
    void ShowAll() {
        for (TAppearanceEffectWdiget* cell : cells) cell->SetVisible(true);
    }
    int32_t Applying() const {
        int32_t count = 0;
        for (TAppearanceEffectWdiget* cell : cells) count += cell->GetApplyingEffect() ? 1 : 0;
        return count;
    }

    Ref<TBenchScreen> screen = MakeRef<TBenchScreen>();
    Ref<IWidget> root;
    std::vector<TAppearanceEffectWdiget*> cells;  // held by root
    Ref<TSurface> back;
};

// Hiding every cell: a snapshot and an effect started per cell.
void BM_AppearanceEffects_HideAll(benchmark::State& state) {
    TBoardScene scene(300);
    int32_t started = 0;
    for (auto _ : state) {
        scene.HideAll();
        state.PauseTiming();
        started = scene.Applying();
        scene.ShowAll();
        scene.Frame();
        state.ResumeTiming();
    }
    state.counters["cells"] = double(scene.cells.size());
    state.counters["started"] = started;
}
BENCHMARK(BM_AppearanceEffects_HideAll)->Unit(benchmark::kMillisecond);

// One frame while all 900 hide effects run (they last far longer than the
// run).
void BM_AppearanceEffects_Frame(benchmark::State& state) {
    TBoardScene scene(1000000000);
    scene.HideAll();
    for (auto _ : state) scene.Frame();
    state.counters["running"] = scene.Applying();
}
BENCHMARK(BM_AppearanceEffects_Frame)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------

// Keeps the median of every benchmark (the single run without repetitions).
class TMedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians[name] = run.GetAdjustedRealTime();
                auto it = run.counters.find("s_per_particle");
                if (it != run.counters.end()) perParticle[name] = it->second.value;
            } else if (run.run_type == Run::RT_Iteration && run.repetitions <= 1) {
                medians[name] = run.GetAdjustedRealTime();
                auto it = run.counters.find("s_per_particle");
                if (it != run.counters.end()) perParticle[name] = it->second.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
    std::map<std::string, double> perParticle;
};

void PrintRatios(const TMedianReporter& r) {
    auto get = [](const std::map<std::string, double>& m, const std::string& name) {
        auto it = m.find(name);
        return it == m.end() ? 0.0 : it->second;
    };
    std::printf("\nRatios of medians\n");
    const double ours = get(r.perParticle, "BM_Particles_Ours");
    const double sdl = get(r.perParticle, "BM_Particles_SDL2");
    if (ours > 0) {
        // The counter is seconds per particle.
        std::printf("particles: ours %.3f us/particle (%.0f per 10 ms, goal >= 20000, <= 0.5 us)",
                    ours * 1e6, 0.01 / ours);
        if (sdl > 0) std::printf("; SDL2 %.3f us; ours / SDL2 %.3f", sdl * 1e6, ours / sdl);
        std::printf("\n");
    }
    const double curve = get(r.medians, "BM_Curve_Ours");
    const double polyline = get(r.medians, "BM_Curve_CairoPolyline");
    const double arc = get(r.medians, "BM_Curve_Cairo");
    if (curve > 0 && polyline > 0 && arc > 0) {
        std::printf(
            "curve: ours %.1f us; cairo, the same pen points as a polyline %.1f us (ours / cairo "
            "%.3f, goal <= 1); cairo's own arc %.1f us (ours / cairo %.3f)\n",
            curve, polyline, curve / polyline, arc, curve / arc);
    }
    const double hide = get(r.medians, "BM_AppearanceEffects_HideAll");
    const double frame = get(r.medians, "BM_AppearanceEffects_Frame");
    if (hide > 0 && frame > 0) {
        std::printf(
            "appearance effects, 900 cells: hiding all %.2f ms; a frame with all running %.2f ms "
            "(goal <= 10 ms); both together %.2f ms\n",
            hide, frame, hide + frame);
    }
}

void RegisterBenchClasses() {
    RegisterObjectClass(ClassOf<TBenchSprite>(), "bench_sprite");
}

}  // namespace

int main(int argc, char** argv) {
    const TUnit benchUnits[] = {{"EffectsBench", RegisterBenchClasses, nullptr}};
    TUnitRunner units({CoreUnits(), FunctionUnits(), WidgetUnits(), EffectUnits(), benchUnits});
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
