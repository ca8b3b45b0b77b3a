// The magic-item shop on the real game shell, 1024 × 768: a location's
// layer of 20 locked items, each a silhouette with a particle system that
// plays while the item is affordable, over the layer's picture.
//
// - AlphaBlend: one full-screen alpha blend, the yardstick of this run.
// - ShopFullRedraw: the whole shop screen drawn once into a screen-sized
//   surface.
// - ShopRefresh: the layer's 20 items refreshed (prices from the catalogue,
//   each affordable item's particles restarted from a snapshot of its
//   silhouette). Goal: at most 2 × ShopFullRedraw.
// - ShopRefreshFrame: the same followed by the frame that shows it (update,
//   and the draw of what changed).
#include <benchmark/benchmark.h>

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
#include "widgets/GroupStorage.h"
#include "world/ShopControl.h"
#include "world/ShopScreens.h"
#include "world/WorldUnits.h"

namespace {

using namespace bench;

constexpr int kItems = 20;
constexpr int kItemSize = 96;

std::string ItemName(int i) {
    return "item" + std::to_string(i);
}

std::string MagicItem(int i) {
    const int x = 40 + (i % 7) * 140, y = 60 + (i / 7) * 180;
    return "<widget type=\"QuillmarchMagicItem\" name=\"" + ItemName(i) +
           "\" visible=\"yes\" anchor_left=\"" + std::to_string(x) + "\" anchor_top=\"" +
           std::to_string(y) +
           "\" extraparams=\"item_type=magic\\cost=\\title=\\desc=\\icon_170=\\icon_105=\">"
           "<widgets>" +
           Picture("unlocked", 0, 0, kItemSize, kItemSize, false, false) +
           "<widget type=\"group_widget\" name=\"locked\" visible=\"yes\"><widgets>" +
           Picture("shadow", 0, 0, kItemSize, kItemSize) +
           // The data's particle system under its own name.
           BurstParticleSystem(kItemSize, "ps_shadowitem") +
           "</widgets></widget></widgets></widget>";
}

std::string ShopDefinition() {
    std::string items;
    for (int i = 0; i < kItems; ++i) items += MagicItem(i);
    const std::string picture =
        "<widget type=\"group_widget\" name=\"locations\" visible=\"yes\"><widgets>"
        "<widget type=\"group_widget\" name=\"japan\" visible=\"yes\"><widgets>"
        "<widget type=\"group_widget\" name=\"layer_1\" visible=\"yes\"><widgets>" +
        Picture("layer_bg", 0, 0, kWidth, 640, true) +
        "<widget type=\"group_widget\" name=\"items\" visible=\"yes\"><widgets>" + items +
        "</widgets></widget></widgets></widget></widgets></widget></widgets></widget>";
    const std::string control =
        "<widget type=\"QuillmarchControlSceneShop\" name=\"control_scene_shop\" visible=\"yes\" "
        "mousestop=\"yes\" enabled=\"yes\" width=\"1024\" height=\"768\"><widgets>"
        "<widget type=\"group_widget\" name=\"scenario_group\" visible=\"yes\"/>" +
        Picture("hint", 0, 0, 300, 120, false, false) +
        Picture("hint_big", 0, 0, 300, 200, false, false) + "</widgets></widget>";
    return "<game name=\"bench\" type=\"Game\"><gamescreens><gamescreen name=\"GS_SceneShop\" "
           "type=\"QuillmarchGameScreenSceneShop\"><window><widgets>" +
           Picture("background", 0, 0, kWidth, kHeight, true) + picture + control +
           Picture("top_panel", 0, 640, kWidth, 128) + Picture("mana_counter", 900, 680, 80, 40) +
           Picture("title", 300, 660, 400, 60) +
           "</widgets></window></gamescreen></gamescreens></game>";
}

// The catalogue: every item at 10 points.
Ref<IInterface> Catalogue() {
    const Ref<TAbstractObject> store = CreateAbstractObject(ClassOf<TGroupsStorage>());
    const Ref<IGroupsStorage> groups = Query<IGroupsStorage>(store);
    for (int i = 0; i < kItems; ++i) {
        const Ref<IItemCollection> item =
            Query<IItemCollection>(CreateAbstractObject(ClassOf<TItemCollection>()));
        item->SetName(ItemName(i));
        item->SetValue("cost", Variant(10));
        item->SetValue("title", Variant("Item " + std::to_string(i)));
        item->SetValue("desc", Variant("A thing of beauty"));
        groups->AddItem("japan", "layer_1", item);
    }
    return Ref<IInterface>(store);
}

class TBenchShop {
public:
    TBenchShop() : run("shop-bench", ShopDefinition()) {
        run.game->SetOptionValue("magic_items", Variant(Catalogue()));
        run.profile->SetValue("show_shop_hint", Variant("yes"));
        run.profile->SetValue("magic_points", Variant(1000));
        const Ref<IParamCollection> params = NewParams();
        params->SetValue("active_map_part", Variant("japan"));
        run.game->ShowGameScreen("GS_SceneShop", params);
        shop = run.ScreenNamed<TQuillmarchGameScreenSceneShop>("GS_SceneShop");
        control = dynamic_cast<TQuillmarchControlSceneShop*>(shop->GetControl().get());
        if (!control) std::abort();
        for (int i = 0; i < 3; ++i) run.Frame();
    }
    // The affordable items of the layer.
    int Available() {
        int count = 0;
        for (int i = 0; i < kItems; ++i) {
            const Ref<IWidget> item =
                shop->FindWidget("locations/japan/layer_1/items/" + ItemName(i));
            if (item && TextOrEmpty(item->GetProperty("available")) == "yes") ++count;
        }
        return count;
    }

    TBenchGame run;
    TQuillmarchGameScreenSceneShop* shop = nullptr;
    TQuillmarchControlSceneShop* control = nullptr;
};

BENCHMARK(AlphaBlendYardstick)->Name("BM_AlphaBlend")->Unit(benchmark::kMicrosecond);

void BM_ShopFullRedraw(benchmark::State& state) {
    TBenchShop bench;
    DrawWholeScreen(state, bench.run, *bench.shop);
}
BENCHMARK(BM_ShopFullRedraw)->Unit(benchmark::kMicrosecond);

void BM_ShopRefresh(benchmark::State& state) {
    TBenchShop bench;
    for (auto _ : state) {
        bench.control->RefreshItems();
        benchmark::ClobberMemory();
    }
    state.counters["available"] = bench.Available();
    bench.run.Frame();
}
BENCHMARK(BM_ShopRefresh)->Unit(benchmark::kMicrosecond);

void BM_ShopRefreshFrame(benchmark::State& state) {
    TBenchShop bench;
    for (auto _ : state) {
        bench.control->RefreshItems();
        bench.run.Frame();
    }
    state.counters["available"] = bench.Available();
}
BENCHMARK(BM_ShopRefreshFrame)->Unit(benchmark::kMicrosecond);

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
