// The nonogram board's cost on the real game shell: the board, its cell
// widgets ("QuillmarchCell") and clue digits made by widget factories, on
// the engine and the headless platform.
//
// - Move: one correct press and release (the arrow on a full cell, the
//   hammer on an empty one, a breaking animation made for the latter) on a
//   10 × 10 and a 30 × 30 board. The board keeps per-line counts and tables
//   of its widgets, so this should not grow with the board's area.
// - Hover: a frame in which the pointer moves to a cell of another row and
//   column (two crosses of highlights switched), against an idle frame of
//   the same board; the difference is the hover change.
// - Auto-complete: the press that opens the last full cell of a 30 × 30
//   picture with 450 empty cells left, which breaks them all one after
//   another (each with its breaking animation) and wins the level.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/CoreUnits.h"
#include "core/base/Units.h"
#include "core/storage/XMLStorage.h"
#include "effects/EffectUnits.h"
#include "engine/Engine.h"
#include "engine/EngineStartup.h"
#include "engine/EngineUnits.h"
#include "functions/FunctionUnits.h"
#include "game/Game.h"
#include "game/GameUnits.h"
#include "nonogram/ControlGameNonogram.h"
#include "nonogram/NonogramUnits.h"
#include "platform/HeadlessPlatform.h"
#include "platform/audio/AudioDevice.h"
#include "widgets/WidgetClasses.h"
#include "widgets/WidgetUnits.h"

namespace {

// A look of a cell or a digit: a plain rectangle that keeps "highlight".
class TBenchLeaf : public TSingleWidget {
public:
    static const TPropertyTable& Table() {
        static const TPropertyTable table =
            TPropertyTable::Builder<TBenchLeaf>(TSingleWidget::Table())
                .Field("highlight", &TBenchLeaf::highlight_, false)
                .Build();
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

private:
    bool highlight_ = false;
};

std::string Factory(const std::string& name, const std::string& widget) {
    return "<widgetfactory name=\"" + name + "\" type=\"WidgetFactory\"><widgetstring>" + widget +
           "</widgetstring></widgetfactory>";
}

std::string Leaf(const char* name, bool visible, int size) {
    return std::string("<widget type=\"bench_leaf\" name=\"") + name + "\" visible=\"" +
           (visible ? "yes" : "no") + "\" width=\"" + std::to_string(size) + "\" height=\"" +
           std::to_string(size) + "\"/>";
}

std::string MakeTempFolder(const char* tag) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qm-" + tag + "-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
}

// A side × side picture, half of it full, in a fixed random order.
std::vector<std::string> Picture(int side) {
    std::vector<int> cells(side * side, 0);
    for (int i = 0; i < side * side / 2; ++i) cells[i] = 1;
    std::shuffle(cells.begin(), cells.end(), std::mt19937(side));
    std::vector<std::string> rows(side);
    for (int r = 0; r < side; ++r) {
        for (int c = 0; c < side; ++c) rows[r] += cells[r * side + c] ? '1' : '0';
    }
    return rows;
}

// The engine, a game with the level screen, and a level of a side × side
// picture being played.
class TBenchBoard {
public:
    explicit TBenchBoard(int side, bool autoComplete = false)
        : side_(side),
          folder_(MakeTempFolder("board-bench")),
          playerData_(MakeTempFolder("board-player")),
          picture_(Picture(side)) {
        setenv("XDG_DATA_HOME", playerData_.c_str(), 1);
        SetResourcesDir(folder_);
        const std::string size = std::to_string(side) + "_" + std::to_string(side);
        const std::string cell =
            "<widget type=\"QuillmarchCell\" name=\"cell%name%\" visible=\"yes\"><widgets>" +
            Leaf("closed", true, 10) + Leaf("full", false, 10) + Leaf("empty", false, 10) +
            "</widgets></widget>";
        const std::string digit =
            "<widget type=\"group_widget\" name=\"digit%name%\" visible=\"yes\" "
            "extraparams=\"crossed=0\\order=\\orderon=\\row=0\\rowon=0\\col=0\\colon=0\"><"
            "widgets>" +
            Leaf("plate", true, 8) + Leaf("digit_on", false, 8) + "</widgets></widget>";
        const std::string factories =
            Factory("cell" + size + "_0", cell) + Factory("cell" + size + "_1", cell) +
            Factory("digit" + size, digit) +
            Factory("breaking_cell" + size,
                    "<widget type=\"bench_leaf\" name=\"breaking_%name%\" width=\"10\" "
                    "height=\"10\"/>") +
            Factory("scenario_start_level",
                    "<widget type=\"bench_leaf\" name=\"scenario_start_level\"/>") +
            Factory("scenario_show_final_picture",
                    "<widget type=\"bench_leaf\" name=\"scenario_show_final_picture\"/>");
        const std::string grids =
            "<grids><grid name=\"" + size +
            "\"><properties><param name=\"start_x\" value=\"200\"/><param name=\"start_y\" "
            "value=\"150\"/><param name=\"regular_shift\" value=\"1\"/><param "
            "name=\"fivefold_shift\" value=\"2\"/><param name=\"info_shift_x\" value=\"-10\"/>"
            "<param name=\"info_shift_y\" value=\"-10\"/><param name=\"info_regular_shift\" "
            "value=\"1\"/></properties></grid></grids>";
        const std::string boardXml =
            "<widget type=\"QuillmarchControlGameNonogram\" name=\"control_game_nonogram\" "
            "visible=\"yes\" width=\"1024\" height=\"768\">" +
            grids + "<widgetfactories>" + factories +
            "</widgetfactories><widgets><widget type=\"group_widget\" name=\"grid\" "
            "visible=\"yes\"><widgets><widget type=\"group_widget\" name=\"cells\" "
            "visible=\"yes\"/><widget type=\"group_widget\" name=\"digits\" visible=\"yes\"/>"
            "</widgets></widget><widget type=\"group_widget\" name=\"scenario_group\" "
            "visible=\"yes\"/></widgets></widget>";
        std::ofstream(folder_ + "/game.xml")
            << "<game name=\"bench\" type=\"Game\"><gamescreens><gamescreen name=\"GS_Game\" "
               "type=\"GameScreen\"><window><widgets>"
            << boardXml << "</widgets></window></gamescreen></gamescreens></game>";
        std::string level =
            "<level name=\"1\" LevelName=\"bench\" extraparams=\"rows=" + std::to_string(side) +
            "\\cols=" + std::to_string(side) + "\\errors=3\\hints=0\\cup_time=600\"><rows>";
        for (int r = 0; r < side; ++r) {
            level += "<row name=\"r" + std::to_string(r) + "\" cells=\"" + picture_[r] + "\"/>";
        }
        std::ofstream(folder_ + "/level.xml") << level << "</rows></level>";

        SetPlatformFactory([this]() -> std::unique_ptr<IPlatform> {
            auto platform = std::make_unique<THeadlessPlatform>();
            platform_ = platform.get();
            return platform;
        });
        SetAudioBackendFactory([]() -> Ref<IAudioBackend> {
            Ref<TAudioDevice> device = MakeRef<TAudioDevice>();
            device->OpenWithoutOutput(44100);
            return device;
        });
        engine = CreateObject<TEngine>();
        if (!engine->Init("game.xml")) std::abort();
        engine->SetOption("ScreenWidth", "1024");
        engine->SetOption("ScreenHeight", "768");
        engine->ApplySettings();
        game = dynamic_cast<TGame*>(engine->GetGame().get());
        game->ShowGameScreen("GS_Game", nullptr);
        const Ref<IUserProfileCollection> profiles = game->GetUserProfiles();
        profiles->FindOrAdd("bench");
        profiles->SetCurrent("bench");
        profiles->GetCurrent()->GetParams()->SetValue("UseAutoComplete",
                                                      Variant(autoComplete ? "yes" : "no"));
        profiles->GetCurrent()->GetParams()->SetValue("show_hint_error", Variant("yes"));

        catalogue_ = CreateAbstractObject(ClassOf<TQuillmarchLevelDefRefCollection>());
        LoadPersistObject(Ref<IInterface>(catalogue_),
                          LoadStorageFromXML("<levels><level level=\"bench\"><properties><param "
                                             "name=\"filename\" value=\"level.xml\"/></properties>"
                                             "</level></levels>"));
        game->SetOptionValue("level_def_refs", Variant(Ref<IInterface>(catalogue_)));
        board =
            dynamic_cast<TQuillmarchControlGameNonogram*>(game->GetGameScreens()
                                                              ->GetItem(Variant("GS_Game"))
                                                              ->GetWindowWidget()
                                                              ->FindWidget("control_game_nonogram")
                                                              .get());
        const Ref<IParamCollection> params =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        params->SetValue("level_ref", Variant("bench"));
        board->ExecuteCommand(kCommandStartLevel, params);
        Restart();
    }
    ~TBenchBoard() {
        board = nullptr;
        engine->Done();
        engine = nullptr;
        catalogue_ = nullptr;
        SetPlatformFactory(nullptr);
        SetAudioBackendFactory(nullptr);
        SetResourcesDir("");
        ClearStorageCache();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        std::filesystem::remove_all(playerData_, ignored);
    }

    // The level from its start, playing, every widget drawn once.
    void Restart() {
        board->ExecuteCommand(kCommandRestartLevel, nullptr);
        const Ref<IParamCollection> params =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        params->SetValue("scenario_to_finalize", Variant("scenario_start_level"));
        board->ExecuteCommand(kCommandScenarioFinished, params);
        next_ = 0;
        for (int i = 0; i < 3; ++i) Frame();
    }
    void Frame() {
        engine->UpdateGame(10);
        if (engine->IsRedrawNeeded()) game->Render(engine->BackSurface());
        engine->ClearUpdateRects();
    }
    int32_t X(int c) const { return 200 + c * 11 + 2 * (c / 5) + 5; }
    int32_t Y(int r) const { return 150 + r * 11 + 2 * (r / 5) + 5; }
    bool Full(int r, int c) const { return picture_[r][c] == '1'; }

    // One correct press and release on the next cell of a fixed order;
    // false once only the last cell is left.
    bool NextMove() {
        if (next_ >= side_ * side_ - 1) return false;
        const int r = next_ / side_, c = next_ % side_;
        ++next_;
        const int32_t button = Full(r, c) ? 0 : 1;
        board->MouseDown(X(c), Y(r), 0, button);
        board->MouseUp(X(c), Y(r), 0, button);
        return true;
    }
    void MovePointer(int r, int c) { platform_->SetMousePos({X(c), Y(r)}); }

    Ref<TEngine> engine;
    TGame* game = nullptr;
    TQuillmarchControlGameNonogram* board = nullptr;
    int side_;

private:
    std::string folder_;
    std::string playerData_;
    std::vector<std::string> picture_;
    THeadlessPlatform* platform_ = nullptr;  // the engine's
    Ref<TAbstractObject> catalogue_;
    int next_ = 0;
};

void Moves(benchmark::State& state, int side) {
    TBenchBoard bench(side);
    for (auto _ : state) {
        if (!bench.NextMove()) {
            state.PauseTiming();
            bench.Restart();
            state.ResumeTiming();
            bench.NextMove();
        }
    }
}

void BM_Board10_Move(benchmark::State& state) {
    Moves(state, 10);
}
BENCHMARK(BM_Board10_Move)->Unit(benchmark::kMicrosecond);

void BM_Board30_Move(benchmark::State& state) {
    Moves(state, 30);
}
BENCHMARK(BM_Board30_Move)->Unit(benchmark::kMicrosecond);

// A frame in which the hovered cell changes, between the cells (3, 4) and
// (20, 25): both crosses switched.
void BM_Board30_HoverChangeFrame(benchmark::State& state) {
    TBenchBoard bench(30);
    bool flip = false;
    for (auto _ : state) {
        bench.MovePointer(flip ? 3 : 20, flip ? 4 : 25);
        flip = !flip;
        bench.Frame();
    }
}
BENCHMARK(BM_Board30_HoverChangeFrame)->Unit(benchmark::kMicrosecond);

// The board's hover step alone for the same change.
void BM_Board30_HoverChange(benchmark::State& state) {
    TBenchBoard bench(30);
    bool flip = false;
    for (auto _ : state) {
        bench.MovePointer(flip ? 3 : 20, flip ? 4 : 25);
        flip = !flip;
        bench.board->UpdateHover();
    }
}
BENCHMARK(BM_Board30_HoverChange)->Unit(benchmark::kMicrosecond);

void BM_Board30_IdleFrame(benchmark::State& state) {
    TBenchBoard bench(30);
    bench.MovePointer(3, 4);
    bench.Frame();
    for (auto _ : state) bench.Frame();
}
BENCHMARK(BM_Board30_IdleFrame)->Unit(benchmark::kMicrosecond);

// The press on the last full cell with 450 empty cells left.
void BM_Board30_AutoComplete450(benchmark::State& state) {
    TBenchBoard bench(30, true);
    for (auto _ : state) {
        state.PauseTiming();
        bench.Restart();
        int lastFull = -1;
        for (int i = 0; i < 900; ++i) {
            if (bench.Full(i / 30, i % 30)) lastFull = i;
        }
        for (int i = 0; i < 900; ++i) {
            if (!bench.Full(i / 30, i % 30) || i == lastFull) continue;
            bench.board->MouseDown(bench.X(i % 30), bench.Y(i / 30), 0, 0);
            bench.board->MouseUp(bench.X(i % 30), bench.Y(i / 30), 0, 0);
        }
        if (bench.board->Rules().UnresolvedLeft() != 451) std::abort();
        state.ResumeTiming();
        bench.board->MouseDown(bench.X(lastFull % 30), bench.Y(lastFull / 30), 0, 0);
        state.PauseTiming();
        if (bench.board->Rules().UnresolvedLeft() != 0) std::abort();
        bench.board->MouseUp(0, 0, 0, 0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Board30_AutoComplete450)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    TUnitRunner units({CoreUnits(), EngineUnits(), FunctionUnits(), WidgetUnits(), EffectUnits(),
                       GameUnits(), NonogramUnits()});
    RegisterObjectClass(ClassOf<TBenchLeaf>(), "bench_leaf");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
