// The function particle system: bursts, carried emission, the fixed step,
// removal after emission, drawing in both modes, commands, the "surface"
// handle and its reference, and function outputs that are not finite.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "effects/ParticlesFunction.h"
#include "functions/FunctionClasses.h"
#include "tests/effects/ParticlesTestSupport.h"
#include "tests/support/WidgetHarness.h"

namespace particletest {
namespace {

// Each particle starts at (index, total_index) and falls 1 px per 10 ms; it
// is dead once its age passes "life".
constexpr const char* kFalling =
    "dead := if(u_age > life, 1, 0)\n"
    "x := u_sx\n"
    "y := u_sy + u_age / 10\n"
    "pic := 0\nr := 255\ng := 255\nb := 255\na := 255";

std::string Defs(std::initializer_list<const char*> names, int column) {
    std::string text;
    int row = 0;
    for (const char* name : names) {
        text += std::string(R"(<paramdef name=")") + name + R"(" col=")" + std::to_string(column) +
                R"(" row=")" + std::to_string(row++) + R"(" static="yes"/>)";
    }
    return text;
}

// The system's template: column 0 the drawing state, column 1 age and start.
std::string Template() {
    return "<paramspace><paramdefs>" + Defs({"dead", "x", "y", "pic", "r", "g", "b", "a"}, 0) +
           Defs({"age", "sx", "sy"}, 1) + "</paramdefs></paramspace>";
}

std::string Function(double rate, double life, const std::string& update) {
    return R"(<function name="fn" type="function_complex"><paramspace><paramdefs>
          <paramdef name="systime" col="1" row="0" static="yes"/>
          <paramdef name="rate" col="2" row="0" static="yes" value=")" +
           std::to_string(rate) + R"("/>
          <paramdef name="life" col="2" row="1" static="yes" value=")" +
           std::to_string(life) + R"("/>
          <paramdef name="surface" col="2" row="2" static="yes"/>
        </paramdefs></paramspace>
        <functions>
          <function name="Create" type="function_eval"><paramspace><paramdefs>)" +
           Defs({"c_age", "c_sx", "c_sy"}, 0) + R"(
            <paramdef name="count" col="2" row="0" outname="rate"/>
            <paramdef name="index" col="2" row="1" static="yes"/>
            <paramdef name="total_index" col="2" row="2" static="yes"/>
            <paramdef name="made" col="2" row="3" outname="systime"/>
            </paramdefs></paramspace>
            <expression>c_age := 0
c_sx := index
c_sy := total_index</expression>
          </function>
          <function name="Update" type="function_eval"><paramspace><paramdefs>)" +
           Defs({"dead", "x", "y", "pic", "r", "g", "b", "a"}, 0) +
           Defs({"u_age", "u_sx", "u_sy"}, 1) + R"(
            <paramdef name="life" col="2" row="0" outname="life"/>
            </paramdefs></paramspace>
            <expression>)" +
           update + R"(</expression>
          </function>
        </functions></function>)";
}

std::string SystemXml(const std::string& keys, double rate, double life = 1e6,
                      const std::string& update = kFalling,
                      const std::string& sprites = Sprite(4, 4)) {
    return R"(<widget type="function_particle_system" name="fps" visible="yes" )" + keys +
           "><widgets>" + sprites + "</widgets>" + Template() + Function(rate, life, update) +
           "</widget>";
}

struct TFixture {
    explicit TFixture(const std::string& xml) {
        RegisterSprite();
        root = screen.Load(R"(<widget type="group_widget" name="root"><widgets>)" + xml +
                           "</widgets></widget>");
        system = As<TFunctionParticleSystem>(screen.Find("fps"));
        EXPECT_TRUE(system);
    }
    const TFloatMatrix& Values(size_t i) const { return system->Particles()[i]->values; }

    TWidgetHarness screen{64, 64};
    Ref<IWidget> root;
    TFunctionParticleSystem* system = nullptr;
};

TEST(FunctionParticles, ABurstWaitsForTheAgeToReachZero) {
    TFixture f(SystemXml(R"(init_creation_count="20" currenttime="-500")", 0));
    for (int i = 0; i < 4; ++i) f.system->Update(100);
    EXPECT_EQ(f.system->GetParticleCount(), 0);
    f.system->Update(100);
    ASSERT_EQ(f.system->GetParticleCount(), 20);
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(ReadCell(f.Values(i), 1, 1), double(i));  // index
        EXPECT_EQ(ReadCell(f.Values(i), 1, 2), 20.0);       // total_index
        // Advanced by 0 ms once, then with the others in the same frame.
        EXPECT_EQ(ReadCell(f.Values(i), 1, 0), 100.0);
    }
    EXPECT_EQ(f.system->GetInitCreationCount(), 0);
    EXPECT_EQ(SavedText(f.screen.Find("fps")).find("init_creation_count=\"20\""),
              std::string::npos);
}

// Fractions carry: 25 per second at 10-ms frames is one every fourth frame.
TEST(FunctionParticles, EmissionCarriesFractionsAndFollowsTheFixedStep) {
    struct Case {
        const char* keys;
        double rate;
        int frames;
        int32_t frameMs;
        int32_t expected;
    };
    const Case cases[] = {
        {"", 25, 3, 10, 0},
        {"", 25, 4, 10, 1},
        {"", 25, 8, 10, 2},
        {"", 50, 2, 10, 1},
        {R"(delta_step="-1")", 1000, 10, 10, 0},
        {R"(delta_step="40")", 100, 3, 10, 0},
        {R"(delta_step="40")", 100, 4, 10, 4},
        {"", -100, 10, 10, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.keys << " rate " << c.rate << ", " << c.frames << " frames");
        TFixture f(SystemXml(c.keys, c.rate));
        for (int i = 0; i < c.frames; ++i) f.system->Update(c.frameMs);
        EXPECT_EQ(f.system->GetParticleCount(), c.expected);
    }
}

TEST(FunctionParticles, TheRateIsAParameterOfTheFunctionSetByName) {
    TFixture f(SystemXml("", 0));
    f.system->SetProperty("rate", 1000);
    f.system->Update(10);
    EXPECT_EQ(f.system->GetParticleCount(), 10);
    f.system->SetProperty("rate", "no number");
    f.system->SetProperty("rate", Variant());
    f.system->Update(10);
    EXPECT_EQ(f.system->GetParticleCount(), 20);
}

// A dead flag of 0.5 removes the particle in the update that sets it, after
// that update's emission.
TEST(FunctionParticles, DeadParticlesGoInTheSameUpdateAfterEmission) {
    TFixture f(SystemXml("", 100, 25, "dead := if(u_age > life, 0.5, 0)\nx := u_sx\npic := 0"));
    f.system->Update(10);  // one emitted
    EXPECT_EQ(f.system->GetParticleCount(), 1);
    f.system->Update(10);
    f.system->Update(10);
    EXPECT_EQ(f.system->GetParticleCount(), 3);
    f.system->Update(10);  // the first is 30 ms old: out, a new one in
    EXPECT_EQ(f.system->GetParticleCount(), 3);
    EXPECT_EQ(ReadCell(f.Values(0), 1, 0), 20.0);
}

TEST(FunctionParticles, CommandsAddWithParametersAndClear) {
    TFixture f(SystemXml(R"(delta_step="-1" anchor_left="10" anchor_top="10")", 1000));
    f.screen.Step(1, 10);
    EXPECT_EQ(f.system->GetParticleCount(), 0);
    f.system->ExecuteCommand(1, ParamCollectionFromString("\\sx=7\\sy=3\\nothing=5\\age=bad"));
    ASSERT_EQ(f.system->GetParticleCount(), 1);
    EXPECT_EQ(ReadCell(f.Values(0), 1, 1), 7.0);
    EXPECT_EQ(ReadCell(f.Values(0), 1, 2), 3.0);
    EXPECT_EQ(ReadCell(f.Values(0), 0, 1), 7.0);  // already advanced by 0 ms
    f.system->ExecuteCommand(1, nullptr);
    EXPECT_EQ(f.system->GetParticleCount(), 2);
    f.screen.Step(1, 10);
    const TRect before = f.system->GetBounds();
    EXPECT_FALSE(before.IsEmpty());

    // The command reports the area the particles last covered at once.
    f.system->ExecuteCommand(2, nullptr);
    EXPECT_EQ(f.system->GetParticleCount(), 0);
    bool repainted = false;
    for (const TRect& rect : f.screen.FrameRects()) repainted = repainted || rect == before;
    EXPECT_TRUE(repainted);
}

TEST(FunctionParticles, AHitTestPassesThroughTheSparks) {
    TFixture f(SystemXml(R"(delta_step="-1" anchor_left="10" anchor_top="10")", 1000));
    f.screen.Step(1, 10);
    f.system->ExecuteCommand(1, ParamCollectionFromString("\\sx=7\\sy=3"));
    f.screen.Step(1, 10);
    const TRect covered = f.system->GetBounds();
    ASSERT_FALSE(covered.IsEmpty());
    const int32_t x = (covered.left + covered.right) / 2, y = (covered.top + covered.bottom) / 2;
    EXPECT_FALSE(f.system->ContainsPoint(x, y, false));
    EXPECT_FALSE(f.system->ContainsPoint(x, y, true));
}

// Copyrect draws at (opacity * level) div 256; fillcolor paints the rounded,
// clamped channels through the picture's alpha.
TEST(FunctionParticles, DrawingInBothModes) {
    struct Case {
        const char* drawmode;
        const char* update;
        uint32_t expected;
    };
    // The sprite's picture drawn at level 254 onto black.
    uint32_t at254 = 0;
    {
        TFixture f(SystemXml("", 0));
        ASSERT_FALSE(f.system->GetImages().empty());
        Ref<TSurface> black = MakeRef<TSurface>();
        black->SetSize(1, 1);
        black->SetPixel(0, 0, 0xFF000000);
        black->Draw(f.system->GetImages()[0].get(), {0, 0, 1, 1}, {0, 0, 1, 1}, 254, bm_Normal);
        at254 = PixelOf(black, 0, 0);
        Ref<TSurface> full = MakeRef<TSurface>();
        full->SetSize(1, 1);
        full->SetPixel(0, 0, 0xFF000000);
        full->Draw(f.system->GetImages()[0].get(), {0, 0, 1, 1}, {0, 0, 1, 1}, 255, bm_Normal);
        ASSERT_NE(at254, PixelOf(full, 0, 0));
    }
    const Case cases[] = {
        {"copyrect", "x := 20\ny := 20\npic := 0\na := 255", at254},
        {"fillcolor", "x := 20\ny := 20\npic := 0\nr := 300\ng := -5\nb := 255\na := 255",
         0xFFFF00FF},
        {"fillcolor", "x := 20\ny := 20\npic := 0.4\nr := 127.5\ng := 128.5\nb := 0\na := 255",
         0xFF808000},
        {"fillcolor", "x := 20\ny := 20\npic := 1\nr := 255\na := 255", 0xFF000000},
        {"fillcolor", "x := 20\ny := 20\npic := -1\nr := 255\na := 255", 0xFF000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.update);
        TFixture f(SystemXml(std::string("drawmode=\"") + c.drawmode + "\"", 100, 1e6, c.update));
        f.screen.Step(1, 10);
        ASSERT_EQ(f.system->GetParticleCount(), 1);
        const Ref<ISurface> picture = f.screen.RenderTree(0xFF000000);
        // A 4 by 4 picture centred on (20, 20).
        EXPECT_EQ(PixelOf(picture, 18, 18), c.expected);
        EXPECT_EQ(PixelOf(picture, 21, 21), c.expected);
        EXPECT_EQ(PixelOf(picture, 22, 22), 0xFF000000u);
        // A picture index with no child does not widen the bounds.
        if (c.expected == 0xFF000000u) {
            EXPECT_EQ(f.system->GetBounds(), (TRect{-1, -1, -1, -1}));
        } else {
            EXPECT_EQ(f.system->GetBounds(), (TRect{18, 18, 22, 22}));
        }
    }
}

TEST(FunctionParticles, PicturesAreStaticOrTakenForEachDraw) {
    TFixture f(SystemXml(R"(delta_step="-1")", 0, 1e6, kFalling, Sprite(4, 4) + Sprite(2, 2)));
    EXPECT_EQ(f.system->GetImages().size(), 2u);
    f.system->SetProperty("static_images", false);
    EXPECT_TRUE(f.system->GetImages().empty());
    EXPECT_FALSE(f.system->GetProperty("static_images").ToBool());
    Ref<TSurface> surface = MakeRef<TSurface>();
    surface->SetSize(4, 4);
    f.system->Render(*surface, 0, 0);
    EXPECT_TRUE(f.system->GetImages().empty());  // taken and dropped by the draw
    f.system->SetProperty("static_images", true);
    EXPECT_EQ(f.system->GetImages().size(), 2u);
    // Attaching hid the templates; drawing leaves them hidden.
    EXPECT_FALSE(f.system->GetChildren()->GetWidgetByIndex(1)->GetVisible());
}

// The function's "surface" parameter carries a handle; the system holds one
// reference to the surface until it is replaced or the system goes.
TEST(FunctionParticles, TheSurfaceHandleHoldsOneReference) {
    Ref<TSurface> surface = MakeRef<TSurface>();
    surface->SetSize(3, 3);
    const int32_t baseline = surface->RefCount();
    {
        TFixture f(SystemXml("", 0));
        const Ref<IFunction> function = f.system->GetFunction();
        f.system->SetProperty("surface", Variant(Ref<ISurface>(surface)));
        EXPECT_EQ(surface->RefCount(), baseline + 1);
        const double handle = function->GetValue("surface");
        EXPECT_NE(handle, 0.0);
        EXPECT_EQ(SurfaceFromHandle(handle).get(), surface.get());

        f.system->SetProperty("surface", Variant());
        EXPECT_EQ(surface->RefCount(), baseline);
        EXPECT_EQ(function->GetValue("surface"), 0.0);
        EXPECT_FALSE(SurfaceFromHandle(handle));

        // A widget gives its snapshot.
        f.system->SetProperty("widget", Variant(f.root));
        const Ref<ISurface> snapshot = SurfaceFromHandle(function->GetValue("surface"));
        ASSERT_TRUE(snapshot);

        f.system->SetProperty("surface", Variant(Ref<ISurface>(surface)));
        EXPECT_EQ(surface->RefCount(), baseline + 1);
    }
    EXPECT_EQ(surface->RefCount(), baseline);
}

// Outputs that are infinite or NaN: no crash, nothing undefined (the
// sanitizer build checks), nothing drawn where nothing can be.
TEST(FunctionParticles, OutputsThatAreNotFiniteAreSafe) {
    const char* updates[] = {
        "x := 1 / 0\ny := 0 / 0\npic := 0\nr := 1 / 0\ng := -1 / 0\nb := 0 / 0\na := 1 / 0",
        "x := 3\ny := 3\npic := 0 / 0\na := 255",
        "x := -1 / 0\ny := 100000000000\npic := 1 / 0\na := 0 / 0",
        "dead := 0 / 0\nx := 3\ny := 3\npic := 0\na := 255",
    };
    for (const char* update : updates) {
        SCOPED_TRACE(update);
        TFixture f(SystemXml("", 1000, 1e6, update));
        f.screen.Step(3, 10);
        EXPECT_EQ(f.system->GetParticleCount(), 30);  // NaN is not above 0: alive
        f.screen.RenderTree(0xFF000000);
        (void)f.system->GetBounds();
    }
    // A rate that is not finite emits nothing.
    for (const double rate :
         {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN()}) {
        SCOPED_TRACE(rate);
        TFixture f(SystemXml("", 0));
        f.system->SetProperty("rate", rate);
        f.system->Update(10);
        EXPECT_EQ(f.system->GetParticleCount(), 0);
    }
}

TEST(FunctionParticles, AHugeRateOrBurstIsCapped) {
    TFixture f(SystemXml(R"(init_creation_count="2000000000")", 1e30, 1e9, "x := u_sx"));
    f.system->Update(10);
    EXPECT_EQ(f.system->GetParticleCount(), kMaxLiveParticles);
    f.system->Update(10);
    EXPECT_EQ(f.system->GetParticleCount(), kMaxLiveParticles);
    f.system->ExecuteCommand(1, nullptr);
    EXPECT_EQ(f.system->GetParticleCount(), kMaxLiveParticles);
}

TEST(FunctionParticles, AFunctionChildThatMakesNoFunctionIsLoggedAndEmitsNothing) {
    TFixture f(R"(<widget type="function_particle_system" name="fps" visible="yes"
                  init_creation_count="5"><function type="no_such_function"/></widget>)");
    EXPECT_FALSE(f.system->GetFunction());
    EXPECT_TRUE(f.screen.Log().Has({"WIDGET", "no_such_function", "makes no function object"}));
    f.system->Update(100);
    f.system->ExecuteCommand(1, nullptr);  // a particle of the template alone
    EXPECT_EQ(f.system->GetParticleCount(), 1);
}

TEST(FunctionParticles, SaveAndLoadKeepTheSystem) {
    TFixture f(SystemXml(
        R"(width="30" height="20" delta_step="25" static_images="no" drawmode="copyrect"
           blendingmode="screen")",
        12));
    const std::string saved = SavedText(f.screen.Find("fps"));
    for (const char* piece : {R"(width="30")", R"(delta_step="25")", R"(static_images="no")",
                              R"(drawmode="copyrect")", R"(blendingmode="screen")", "<paramspace>",
                              R"(name="Create")", R"(type="function_complex")"}) {
        EXPECT_NE(saved.find(piece), std::string::npos) << piece;
    }
    Ref<IWidget> again = WidgetFromXMLText(saved);
    ASSERT_TRUE(again);
    EXPECT_EQ(SavedText(again), saved);
    EXPECT_EQ(again->GetWidth(), 30);
    EXPECT_EQ(again->GetProperty("delta_step").ToInt(), 25);
}

}  // namespace
}  // namespace particletest
