// The widget tree's own cost: the update walk, an idle frame, a full redraw
// against the same pixel kernels called directly, and a tree of 10,000
// widgets whose z order keeps changing.
//
// A typical screen is 1024 by 768: a full-screen opaque background and 199
// translucent 48 by 32 pieces in ten groups. Leaves draw a shared picture
// through ISurface::Draw, as image widgets do.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Random.h"
#include "core/object/GeneralClasses.h"
#include "engine/surface/EngineSurface.h"
#include "widgets/GroupWidgets.h"
#include "widgets/WidgetClasses.h"

namespace {

constexpr int32_t kScreenWidth = 1024;
constexpr int32_t kScreenHeight = 768;

// A leaf that draws a picture at its place.
class TPictureWidget : public TSingleWidget {
public:
    void Render(ISurface& surface, int32_t x, int32_t y) override {
        if (!picture) return;
        surface.Draw(picture, {0, 0, GetWidth(), GetHeight()},
                     {x, y, x + GetWidth(), y + GetHeight()}, GetTransparentLevel(), bm_Normal);
    }
    ISurface* picture = nullptr;
};

// The screen: dirty rectangles go to the back surface's update region.
class TBenchScreen : public TNamedObject, public virtual IWidgetOwner {
public:
    Ref<IEngine> GetEngine() override { return nullptr; }
    Ref<IWindow> GetWindow() override { return nullptr; }
    Ref<IEventHandler> GetEventHandler() override { return nullptr; }
    TPoint ScreenToClient(int32_t x, int32_t y) override { return {x, y}; }
    Ref<IWidget> CreateFactoryWidget(const std::string&, const Ref<IParamCollection>&) override {
        return nullptr;
    }
    Ref<IWidget> FindWidget(std::string_view) override { return nullptr; }
    std::string GetPath() override { return "bench"; }
    void InvalidateRect(const TRect& rect) override {
        TRect clipped{std::max(rect.left, 0), std::max(rect.top, 0),
                      std::min(rect.right, kScreenWidth), std::min(rect.bottom, kScreenHeight)};
        if (clipped.IsEmpty()) return;
        back->AddUpdateRect(clipped);
        ++rects;
    }

    Ref<TSurface> back;
    int rects = 0;
};

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

Ref<TPictureWidget> MakeLeaf(ISurface* picture, int32_t x, int32_t y, int32_t w, int32_t h,
                             int32_t z) {
    Ref<TPictureWidget> leaf = CreateObject<TPictureWidget>();
    leaf->picture = picture;
    leaf->SetVisible(true);
    leaf->SetLeft(x);
    leaf->SetTop(y);
    leaf->SetWidth(w);
    leaf->SetHeight(h);
    leaf->SetZ(z);
    leaf->SetTransparentLevel(255);
    return leaf;
}

struct TBenchTree {
    TBenchTree() : screen(MakeRef<TBenchScreen>()) {
        screen->back = MakeRef<TSurface>();
        screen->back->SetSize(kScreenWidth, kScreenHeight);
        root = CreateObject<TVisualGroupWidget>();
        root->SetVisible(true);
        root->SetMouseStop(true);
    }
    ~TBenchTree() { root->Detach(); }

    void Attach() {
        root->Attach(screen.get());
        Frame(0);  // the first pass reports everything
        screen->back->ClearUpdateRects();
        screen->rects = 0;
    }
    // Update, the end-of-frame pass, and the drawing of what it reported.
    void Frame(int32_t elapsedMs) {
        root->Update(elapsedMs);
        root->CollectDirtyRects(false, false);
        if (screen->back->GetUpdateRegion().Count() > 0) root->Render(*screen->back, 0, 0);
        screen->back->ClearUpdateRects();
    }

    Ref<TBenchScreen> screen;
    Ref<TVisualGroupWidget> root;
    std::vector<Ref<TSurface>> pictures;
    std::vector<Ref<TPictureWidget>> leaves;
};

// The typical screen: a background and 199 pieces in ten groups.
std::unique_ptr<TBenchTree> MakeScreen() {
    auto tree = std::make_unique<TBenchTree>();
    tree->pictures.push_back(MakePicture(kScreenWidth, kScreenHeight, 255));
    tree->pictures.push_back(MakePicture(48, 32, 200));
    Ref<TPictureWidget> background =
        MakeLeaf(tree->pictures[0].get(), 0, 0, kScreenWidth, kScreenHeight, -1);
    tree->root->GetChildren()->AddWidget(background);
    tree->leaves.push_back(background);
    for (int g = 0; g < 10; ++g) {
        Ref<TVisualGroupWidget> group = CreateObject<TVisualGroupWidget>();
        group->SetVisible(true);
        group->SetMouseStop(true);
        group->SetLeft(g % 5 * 200);
        group->SetTop(g / 5 * 380);
        for (int i = 0; i < (g == 9 ? 19 : 20); ++i) {
            Ref<TPictureWidget> leaf =
                MakeLeaf(tree->pictures[1].get(), i % 4 * 50, i / 4 * 70, 48, 32, i % 3);
            group->GetChildren()->AddWidget(leaf);
            tree->leaves.push_back(leaf);
        }
        tree->root->GetChildren()->AddWidget(group);
    }
    tree->Attach();
    return tree;
}

// The update pass alone: the end-of-frame pass that clears the updated
// flags runs between the timed passes.
void BM_Screen200_UpdateWalk(benchmark::State& state) {
    auto tree = MakeScreen();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        tree->root->Update(10);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        tree->root->CollectDirtyRects(false, false);
    }
    state.counters["widgets"] = 211;
}
BENCHMARK(BM_Screen200_UpdateWalk)->UseManualTime();

void BM_Screen200_IdleFrame(benchmark::State& state) {
    auto tree = MakeScreen();
    for (auto _ : state) tree->Frame(10);
    state.counters["rects"] = tree->screen->rects;  // none after the first frame
}
BENCHMARK(BM_Screen200_IdleFrame);

// Every pixel drawn again: the whole screen invalidated, then the tree's
// render walk.
void BM_Screen200_FullRedraw(benchmark::State& state) {
    auto tree = MakeScreen();
    TSurface& back = *tree->screen->back;
    for (auto _ : state) {
        back.AddUpdateRect({0, 0, kScreenWidth, kScreenHeight});
        tree->root->Render(back, 0, 0);
        back.ClearUpdateRects();
    }
}
BENCHMARK(BM_Screen200_FullRedraw);

// The same Draw calls the render walk makes, without the tree.
void BM_Screen200_KernelsOnly(benchmark::State& state) {
    auto tree = MakeScreen();
    struct TCall {
        ISurface* picture;
        TRect src;
        TRect dst;
    };
    std::vector<TCall> calls;
    calls.push_back({tree->pictures[0].get(),
                     {0, 0, kScreenWidth, kScreenHeight},
                     {0, 0, kScreenWidth, kScreenHeight}});
    for (int g = 0; g < 10; ++g) {
        const int32_t gx = g % 5 * 200, gy = g / 5 * 380;
        for (int i = 0; i < (g == 9 ? 19 : 20); ++i) {
            const int32_t x = gx + i % 4 * 50, y = gy + i / 4 * 70;
            calls.push_back({tree->pictures[1].get(), {0, 0, 48, 32}, {x, y, x + 48, y + 32}});
        }
    }
    TSurface& back = *tree->screen->back;
    for (auto _ : state) {
        back.AddUpdateRect({0, 0, kScreenWidth, kScreenHeight});
        for (const TCall& call : calls) back.Draw(call.picture, call.src, call.dst, 255, bm_Normal);
        back.ClearUpdateRects();
    }
}
BENCHMARK(BM_Screen200_KernelsOnly);

// 10,000 widgets in 100 groups; each frame 100 of them take a new z (and so
// a new place in their list at the end of the frame) and move by a pixel.
void BM_Tree10k_ChangingZ(benchmark::State& state) {
    auto tree = std::make_unique<TBenchTree>();
    tree->pictures.push_back(MakePicture(8, 6, 255));
    for (int g = 0; g < 100; ++g) {
        Ref<TVisualGroupWidget> group = CreateObject<TVisualGroupWidget>();
        group->SetVisible(true);
        group->SetLeft(g % 10 * 100);
        group->SetTop(g / 10 * 76);
        for (int i = 0; i < 100; ++i) {
            Ref<TPictureWidget> leaf =
                MakeLeaf(tree->pictures[0].get(), i % 10 * 10, i / 10 * 7, 8, 6, i);
            group->GetChildren()->AddWidget(leaf);
            tree->leaves.push_back(leaf);
        }
        tree->root->GetChildren()->AddWidget(group);
    }
    tree->Attach();
    uint32_t seed = 12345;
    const auto next = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (auto _ : state) {
        for (int k = 0; k < 100; ++k) {
            TPictureWidget& leaf = *tree->leaves[next() % tree->leaves.size()];
            leaf.SetZ(int32_t(next() % 100));
            leaf.SetLeft(leaf.GetLeft() + ((next() & 1) ? 1 : -1));
        }
        tree->Frame(10);
    }
    state.counters["rects"] =
        benchmark::Counter(tree->screen->rects, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Tree10k_ChangingZ)->Unit(benchmark::kMillisecond);

}  // namespace
