// The widget tree's own cost: the update walk, an idle frame, a full redraw
// against the same pixel kernels called directly, and a tree of 10,000
// widgets whose z order keeps changing. Then the leaf widgets: a wrapped
// paragraph of 2,000 characters in a bitmap font (its layout, a frame that
// changes it, a redraw of it unchanged, against its glyph blits alone), and a
// screen of 100 image widgets against the same blits.
//
// A typical screen is 1024 by 768: a full-screen opaque background and 199
// translucent 48 by 32 pieces in ten groups. Leaves draw a shared picture
// through ISurface::Draw, as image widgets do.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/base/Random.h"
#include "core/base/Streams.h"
#include "core/object/GeneralClasses.h"
#include "engine/resources/EngineImages.h"
#include "engine/surface/EngineSurface.h"
#include "tests/engine/resources/ImageFixtures.h"
#include "widgets/GroupWidgets.h"
#include "widgets/ImageWidgets.h"
#include "widgets/TextWidget.h"
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

// ---------------------------------------------------------------------------
// Leaf widgets

// The engine as the leaf widgets reach it: resources by name, surfaces, and
// the files of the resources (PNG pictures held in memory).
class TBenchEngine : public TAbstractObject, public virtual IEngine, public virtual IResourceOwner {
public:
    std::string GetAppDir() override { return {}; }
    std::string GetUserDir() override { return {}; }
    bool SaveUserTextFile(const std::string&, const std::string&) override { return false; }
    bool SaveResourceTextFile(const std::string&, const std::string&) override { return false; }
    void SetOption(const std::string&, const Variant&) override {}
    std::string GetOption(const std::string&) override { return {}; }
    bool ApplySettings() override { return true; }
    std::string ReadTextFile(const std::string&, const std::string&) override { return {}; }
    void LoadResources(const Ref<IHierStorage>&, const std::string&, uint8_t) override {}
    void LoadResourceFile(const std::string&, const std::string&, uint8_t) override {}
    void RemoveResources(const std::string&) override {}
    Ref<IResource> GetResource(const std::string& name) override {
        const auto found = resources.find(name);
        return found == resources.end() ? nullptr : found->second;
    }
    void RemoveResource(const std::string&) override {}
    TPoint GetMousePos() override { return {}; }
    void HideCursor() override {}
    void ShowCursor() override {}
    TChannelHandle PlayMusic(const Ref<IMusic>&) override { return 0; }
    void StopMusic(const Ref<IMusic>&) override {}
    TChannelHandle PlaySound(const Ref<ISound>&) override { return 0; }
    void StopSound(const Ref<ISound>&) override {}
    void StopAllSounds() override {}
    void SetMusicVolume(const Variant&) override {}
    void Quit() override {}
    void OpenURL(const std::string&) override {}
    Ref<ISurface> CreateSurface() override { return MakeRef<TSurface>(); }
    Ref<IGame> GetGame() override { return nullptr; }
    void InvalidateRect(int32_t, int32_t, int32_t, int32_t) override {}
    void ClearUpdateRects() override {}
    void UpdateGame(int32_t) override {}

    std::unique_ptr<TStream> OpenStream(const std::string& fileName) override {
        const auto found = files.find(fileName);
        if (found == files.end()) return nullptr;
        return std::make_unique<TMemoryStream>(found->second);
    }
    TPixelFormat GetPixelFormat() override { return {}; }
    uint32_t ColorToPixel(uint32_t color) override { return color; }
    TMusicHandle LoadMusic(const std::string&) override { return 0; }
    void FreeMusic(TMusicHandle) override {}
    TSampleHandle LoadSample(const std::string&, uint16_t, bool) override { return 0; }
    TChannelHandle LoadLoopedSampleChannel(const std::string&, TSampleHandle& sample) override {
        sample = 0;
        return 0;
    }
    void FreeSample(TSampleHandle) override {}

    // A PNG picture from pixel(x, y), decoded now.
    template <class R>
    Ref<R> AddPicture(const std::string& name, int width, int height,
                      const std::function<uint32_t(int, int)>& pixel) {
        files[name + ".png"] = fixtures::EncodeRgbaPng(width, height, pixel);
        Ref<R> resource = CreateObject<R>();
        resource->SetName(name);
        resource->SetFileName(name + ".png");
        resource->SetFormat(kImageFormatPng);
        resources[name] = resource;
        resource->SetOwner(Ref<IResourceOwner>(this));
        return resource;
    }

    std::map<std::string, std::string> files;
    std::map<std::string, Ref<IResource>> resources;
};

class TLeafBenchScreen : public TBenchScreen {
public:
    Ref<IEngine> GetEngine() override { return engine; }
    Ref<TBenchEngine> engine = MakeRef<TBenchEngine>();
};

std::unique_ptr<TBenchTree> MakeLeafTree(Ref<TLeafBenchScreen>& screen) {
    auto tree = std::make_unique<TBenchTree>();
    screen = MakeRef<TLeafBenchScreen>();
    screen->back = tree->screen->back;
    tree->screen = screen;
    return tree;
}

// A bitmap font of the 26 letters (7 to 10 pixels wide, 14 high) and a
// space, its glyphs inked but for their first column.
constexpr int kGlyphHeight = 14;

Ref<TFontResource> AddFont(TBenchEngine& engine) {
    std::vector<std::pair<char16_t, int>> glyphs;
    for (char16_t c = u'a'; c <= u'z'; ++c) glyphs.push_back({c, 7 + (c - u'a') % 4});
    glyphs.push_back({u' ', 4});
    int width = 0;
    for (const auto& glyph : glyphs) width += glyph.second;
    Ref<TFontResource> font =
        engine.AddPicture<TFontResource>("font", width, kGlyphHeight, [](int x, int y) {
            return x % 9 == 0 ? 0u : 0xFF000000u | uint32_t(x * 3) << 16 | uint32_t(y * 9) << 8;
        });
    int left = 0;
    for (const auto& [code, w] : glyphs) {
        Ref<TSymbol> symbol = CreateObject<TSymbol>();
        symbol->SetName(std::to_string(uint32_t(code)));
        symbol->SetScanCode(code);
        symbol->SetRect({left, 0, left + w, kGlyphHeight});
        symbol->SetWRight(1);
        font->Symbols()->Add(symbol);
        left += w;
    }
    font->CalcHeight();
    return font;
}

// Words of 2 to 9 letters, one space apart, 2,000 characters in all.
WideString Paragraph(uint32_t seed) {
    WideString text;
    while (text.size() < 2000) {
        seed = seed * 1664525u + 1013904223u;
        const size_t length = 2 + (seed >> 24) % 8;
        for (size_t i = 0; i < length && text.size() < 1999; ++i) {
            seed = seed * 1664525u + 1013904223u;
            text += char16_t(u'a' + (seed >> 24) % 26);
        }
        text += u' ';
    }
    return text;
}

struct TTextBench {
    TTextBench() {
        tree = MakeLeafTree(screen);
        AddFont(*screen->engine);
        text = CreateObject<TTextWidget>();
        text->SetVisible(true);
        text->SetTransparentLevel(255);
        text->SetLeft(100);
        text->SetTop(50);
        text->SetWidth(600);
        text->SetHeight(600);
        text->SetResourceName("font");
        text->SetMultiline(true);
        text->SetText(Paragraph(1));
        tree->root->GetChildren()->AddWidget(text);
        tree->Attach();
    }

    Ref<TLeafBenchScreen> screen;
    std::unique_ptr<TBenchTree> tree;
    Ref<TTextWidget> text;
};

int32_t ShownGlyphs(const TTextWidget& text) {
    int32_t shown = 0;
    for (const TSymbolInfo& symbol : text.Symbols()) shown += symbol.shown ? 1 : 0;
    return shown;
}

// The layout alone: 2,000 characters measured, wrapped and placed.
void BM_Text2000_Layout(benchmark::State& state) {
    TTextBench bench;
    for (auto _ : state) bench.text->Relayout();
    state.counters["glyphs"] = ShownGlyphs(*bench.text);
}
BENCHMARK(BM_Text2000_Layout)->Unit(benchmark::kMicrosecond);

// A frame in which the text changes: the layout, every glyph drawn into the
// text's picture, and that picture drawn to the screen.
void BM_Text2000_ChangedFrame(benchmark::State& state) {
    TTextBench bench;
    const WideString texts[2] = {Paragraph(2), Paragraph(3)};
    int next = 0;
    for (auto _ : state) {
        bench.text->SetText(texts[next]);
        next ^= 1;
        bench.tree->Frame(10);
    }
    state.counters["layouts"] =
        benchmark::Counter(bench.text->GetLayoutCount(), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Text2000_ChangedFrame)->Unit(benchmark::kMicrosecond);

// The glyph blits of that frame alone, called directly: the floor of its
// drawing.
void BM_Text2000_GlyphBlitsOnly(benchmark::State& state) {
    TTextBench bench;
    const Ref<IFontResource> font = Query<IFontResource>(bench.screen->engine->GetResource("font"));
    const Ref<ISurface> picture = font->GetSurface();
    const TRect area = bench.text->GetTextRect();
    struct TCall {
        TRect src, dst;
    };
    std::vector<TCall> calls;
    for (const TSymbolInfo& symbol : bench.text->Symbols()) {
        if (!symbol.shown) continue;
        const TRect& r = symbol.rect;
        calls.push_back(
            {font->GetSymbolByCode(symbol.character)->GetRect(),
             {r.left - area.left, r.top - area.top, r.right - area.left, r.bottom - area.top}});
    }
    Ref<TSurface> target = MakeRef<TSurface>();
    target->SetTransparent(true);
    target->SetSize(int32_t(area.Width()), int32_t(area.Height()));
    TSurface& back = *bench.tree->screen->back;
    for (auto _ : state) {
        target->Clear();
        for (const TCall& call : calls)
            target->Draw(picture.get(), call.src, call.dst, 255, bm_Normal);
        back.Draw(target.get(), {0, 0, target->GetWidth(), target->GetHeight()},
                  {100, 50, 100 + target->GetWidth(), 50 + target->GetHeight()}, 255, bm_Normal);
    }
    state.counters["glyphs"] = double(calls.size());
}
BENCHMARK(BM_Text2000_GlyphBlitsOnly)->Unit(benchmark::kMicrosecond);

// The unchanged text drawn again (its area invalidated by something else):
// one blit of its picture, no layout.
void BM_Text2000_UnchangedRedraw(benchmark::State& state) {
    TTextBench bench;
    const int32_t layouts = bench.text->GetLayoutCount();
    TSurface& back = *bench.tree->screen->back;
    for (auto _ : state) {
        back.AddUpdateRect({100, 50, 700, 650});
        bench.tree->root->Render(back, 0, 0);
        back.ClearUpdateRects();
    }
    state.counters["new_layouts"] = bench.text->GetLayoutCount() - layouts;
}
BENCHMARK(BM_Text2000_UnchangedRedraw)->Unit(benchmark::kMicrosecond);

// A frame in which nothing changes: nothing laid out, nothing drawn.
void BM_Text2000_IdleFrame(benchmark::State& state) {
    TTextBench bench;
    const int32_t layouts = bench.text->GetLayoutCount();
    for (auto _ : state) bench.tree->Frame(10);
    state.counters["new_layouts"] = bench.text->GetLayoutCount() - layouts;
    state.counters["rects"] = bench.tree->screen->rects;
}
BENCHMARK(BM_Text2000_IdleFrame);

// The typical screen made of image widgets: a full-screen opaque background
// and 99 translucent 48 by 32 pieces from one picture, each found by name on
// every draw.
struct TImageBench {
    TImageBench() {
        tree = MakeLeafTree(screen);
        screen->engine->AddPicture<TImageResource>(
            "background", kScreenWidth, kScreenHeight, [](int x, int y) {
                return 0xFF000000u | uint32_t(x & 255) << 16 | uint32_t(y & 255) << 8;
            });
        screen->engine->AddPicture<TImageResource>("pieces", 480, 32, [](int x, int y) {
            return 0xC8000000u | uint32_t(x * 5 & 255) << 16 | uint32_t(y * 3 & 255) << 8 | 0x40;
        });
        Add("background", 0, 0, kScreenWidth, kScreenHeight, 0, -1);
        for (int i = 0; i < 99; ++i) {
            Add("pieces", i % 10 * 100, i / 10 * 76, 48, 32, i % 10 * 48, i % 3);
        }
        tree->Attach();
    }
    void Add(const std::string& resource, int32_t x, int32_t y, int32_t w, int32_t h,
             int32_t sourceLeft, int32_t z) {
        Ref<TImageWidget> image = CreateObject<TImageWidget>();
        image->SetVisible(true);
        image->SetLeft(x);
        image->SetTop(y);
        image->SetWidth(w);
        image->SetHeight(h);
        image->SetZ(z);
        image->SetTransparentLevel(255);
        image->SetResourceName(resource);
        image->SetResourceLeft(sourceLeft);
        tree->root->GetChildren()->AddWidget(image);
        calls.push_back({resource, {sourceLeft, 0, sourceLeft + w, h}, {x, y, x + w, y + h}});
    }

    struct TCall {
        std::string resource;
        TRect src, dst;
    };
    Ref<TLeafBenchScreen> screen;
    std::unique_ptr<TBenchTree> tree;
    std::vector<TCall> calls;
};

void BM_Images100_FullRedraw(benchmark::State& state) {
    TImageBench bench;
    TSurface& back = *bench.tree->screen->back;
    for (auto _ : state) {
        back.AddUpdateRect({0, 0, kScreenWidth, kScreenHeight});
        bench.tree->root->Render(back, 0, 0);
        back.ClearUpdateRects();
    }
}
BENCHMARK(BM_Images100_FullRedraw)->Unit(benchmark::kMicrosecond);

// The same Draw calls without the widgets (the pictures looked up once).
void BM_Images100_KernelsOnly(benchmark::State& state) {
    TImageBench bench;
    std::vector<Ref<ISurface>> pictures;
    for (const auto& call : bench.calls) {
        pictures.push_back(
            Query<IImageResource>(bench.screen->engine->GetResource(call.resource))->GetSurface());
    }
    TSurface& back = *bench.tree->screen->back;
    for (auto _ : state) {
        back.AddUpdateRect({0, 0, kScreenWidth, kScreenHeight});
        for (size_t i = 0; i < bench.calls.size(); ++i) {
            back.Draw(pictures[i].get(), bench.calls[i].src, bench.calls[i].dst, 255, bm_Normal);
        }
        back.ClearUpdateRects();
    }
}
BENCHMARK(BM_Images100_KernelsOnly)->Unit(benchmark::kMicrosecond);

void BM_Images100_IdleFrame(benchmark::State& state) {
    TImageBench bench;
    for (auto _ : state) bench.tree->Frame(10);
    state.counters["rects"] = bench.tree->screen->rects;
}
BENCHMARK(BM_Images100_IdleFrame);

}  // namespace
