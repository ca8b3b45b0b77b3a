// Particle types and the multi-type system: tree counts, parents that wait
// for their sub-particles, emission rounding and fixed steps, commands,
// pictures from the root or the type itself, parent binding, bounds, and
// reference counts after thousands of particles.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "effects/ParticlesMulti.h"
#include "functions/FunctionClasses.h"
#include "tests/effects/ParticlesTestSupport.h"
#include "tests/support/WidgetHarness.h"

namespace particletest {
namespace {

std::string Defs(std::initializer_list<const char*> names, int column) {
    std::string text;
    int row = 0;
    for (const char* name : names) {
        text += std::string(R"(<paramdef name=")") + name + R"(" col=")" + std::to_string(column) +
                R"(" row=")" + std::to_string(row++) + R"(" static="yes"/>)";
    }
    return text;
}

// One particle type: its template (column 0 the drawing state, column 1 age
// and start), a function whose Create starts a particle at its parent's
// (x + index, y) and whose Update keeps it there (or moves it), its
// pictures and its sub-types.
struct TType {
    std::string name;
    double rate = 0;
    double life = 1e6;
    std::string update = "x := u_sx\ny := u_sy\npic := -1\na := 255";
    std::string create = "c_age := 0\nc_sx := x + index\nc_sy := y";
    std::string keys;
    std::string widgets;
    std::vector<TType> subs;
    bool function = true;
    std::vector<const char*> column0 = {"dead", "x", "y", "pic", "r", "g", "b", "a"};

    TType& Rate(double value) { return rate = value, *this; }
    TType& Life(double value) { return life = value, *this; }
    TType& Update(std::string text) { return update = std::move(text), *this; }
    TType& Keys(std::string text) { return keys = std::move(text), *this; }
    TType& Widgets(std::string text) { return widgets = std::move(text), *this; }
    TType& Subs(std::vector<TType> types) { return subs = std::move(types), *this; }
    TType& Column0(std::vector<const char*> names) { return column0 = std::move(names), *this; }
};

TType Type(std::string name = "") {
    TType type;
    type.name = std::move(name);
    return type;
}

std::string Body(const TType& type);

std::string TypeXml(const TType& type) {
    return R"(<particle_type name=")" + type.name + "\" " + type.keys + ">" + Body(type) +
           "</particle_type>";
}

std::string Body(const TType& type) {
    std::string body;
    if (type.function) {
        std::string column0;
        for (size_t i = 0; i < type.column0.size(); ++i) {
            column0 += std::string(R"(<paramdef name=")") + type.column0[i] + R"(" col="0" row=")" +
                       std::to_string(i) + R"(" static="yes"/>)";
        }
        body += "<paramspace><paramdefs>" + column0 + Defs({"age", "sx", "sy"}, 1) +
                "</paramdefs></paramspace>";
        body += R"(<function type="function_complex"><paramspace><paramdefs>
              <paramdef name="systime" col="1" row="0" static="yes"/>
              <paramdef name="rate" col="2" row="0" static="yes" value=")" +
                std::to_string(type.rate) + R"("/>
              <paramdef name="life" col="2" row="1" static="yes" value=")" +
                std::to_string(type.life) + R"("/>
              <paramdef name="surface" col="2" row="2" static="yes"/>
            </paramdefs></paramspace><functions>
              <function name="Create" type="function_eval"><paramspace><paramdefs>)" +
                Defs({"c_age", "c_sx", "c_sy"}, 0) + Defs({"x", "y"}, 1) + R"(
                <paramdef name="count" col="2" row="0" outname="rate"/>
                <paramdef name="index" col="2" row="1" static="yes"/>
                <paramdef name="total_index" col="2" row="2" static="yes"/>
              </paramdefs></paramspace><expression>)" +
                type.create + R"(</expression></function>
              <function name="Update" type="function_eval"><paramspace><paramdefs>)" +
                Defs({"dead", "x", "y", "pic", "r", "g", "b", "a"}, 0) +
                Defs({"u_age", "u_sx", "u_sy"}, 1) + R"(
                <paramdef name="life" col="2" row="0" outname="life"/>
              </paramdefs></paramspace><expression>)" +
                type.update + R"(</expression></function>
            </functions></function>)";
    }
    if (!type.subs.empty()) {
        body += "<particle_types>";
        for (const TType& sub : type.subs) body += TypeXml(sub);
        body += "</particle_types>";
    }
    if (!type.widgets.empty()) body += "<widgets>" + type.widgets + "</widgets>";
    return body;
}

std::string SystemXml(const std::string& keys, TType root) {
    root.function = root.function && root.rate != 0;
    return R"(<widget type="multi_particle_system" name="multi" visible="yes" )" + keys + " " +
           root.keys + ">" + Body(root) + "</widget>";
}

struct TFixture {
    explicit TFixture(const std::string& xml) {
        RegisterSprite();
        root = screen.Load(R"(<widget type="group_widget" name="root"><widgets>)" + xml +
                           "</widgets></widget>");
        system = As<TMultiParticleSystem>(screen.Find("multi"));
        EXPECT_TRUE(system);
    }
    TParticleType& SubType(const std::string& name) const {
        return dynamic_cast<TParticleType&>(
            *system->GetRootType()->GetSubTypes()->GetItem(Variant(name)));
    }
    std::vector<std::unique_ptr<TMultiParticle>>& Top() const {
        return system->GetRootParticle()->subParticles;
    }
    void Add(const std::string& type) const {
        system->ExecuteCommand(1, ParamCollectionFromString("\\particle_type=" + type));
    }

    TWidgetHarness screen{96, 96};
    Ref<IWidget> root;
    TMultiParticleSystem* system = nullptr;
};

// Each channel within 4 of the expected one (pictures drawn at level 254).
bool Near(uint32_t pixel, uint32_t expected) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = int(pixel >> shift & 0xFF), b = int(expected >> shift & 0xFF);
        if (a - b > 4 || b - a > 4) return false;
    }
    return true;
}

TType Rockets(double sparkRate, double rocketLife = 1e6, double sparkLife = 1e6) {
    TType spark = Type("spark").Rate(sparkRate).Life(sparkLife);
    spark.update = "dead := if(u_age > life, 1, 0)\nx := u_sx\ny := u_sy\npic := -1";
    TType rocket = Type("rocket").Life(rocketLife).Subs({spark});
    rocket.update = "dead := if(u_age > life, 1, 0)\nx := u_sx + u_age / 10\ny := u_sy\npic := -1";
    return Type().Subs({rocket});
}

TEST(MultiParticles, CountIsTheWholeTree) {
    TFixture f(SystemXml("", Rockets(10)));
    for (int i = 0; i < 3; ++i) f.Add("rocket");
    EXPECT_EQ(f.system->GetProperty("count").ToInt(), 3);
    f.system->Update(1000);  // each rocket sheds Round(10 * 1000 / 1000) sparks
    EXPECT_EQ(f.system->GetProperty("count").ToInt(), 33);
    for (const auto& rocket : f.Top()) EXPECT_EQ(rocket->subParticles.size(), 10u);
}

// A parent whose dead flag is set stops emitting but stays (updated and
// drawn) until its last sub-particle has died.
TEST(MultiParticles, ADeadParentWaitsForItsSubParticles) {
    TFixture f(SystemXml("", Rockets(100, 100, 300)));
    f.Add("rocket");
    const std::vector<int32_t> expected = {6, 11, 11, 11, 11, 11, 11, 6, 0};
    for (size_t frame = 0; frame < expected.size(); ++frame) {
        f.system->Update(50);
        SCOPED_TRACE(frame + 1);
        EXPECT_EQ(f.system->GetProperty("count").ToInt(), expected[frame]);
        if (frame == 4) {
            // Dead since frame 3, still aging.
            ASSERT_EQ(f.Top().size(), 1u);
            EXPECT_EQ(ReadCell(f.Top()[0]->values, 0, 0), 1.0);
            EXPECT_EQ(ReadCell(f.Top()[0]->values, 1, 0), 250.0);
        }
    }
}

// Sub-types round their rate per update; the fixed step steps the whole tree.
TEST(MultiParticles, EmissionRoundsPerUpdateAndStepsAreFixed) {
    struct Case {
        const char* keys;
        double rate;
        std::vector<int32_t> counts;  // after each frame
        int32_t frameMs;
    };
    const Case cases[] = {
        {"", 40, {0, 0, 0, 0, 0}, 10},
        {R"(delta_step="50")", 40, {0, 0, 0, 0, 2, 2}, 10},
        {R"(delta_step="20")", 50, {2, 5, 7, 10}, 50},
        {"", -50, {0}, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.keys << " rate " << c.rate);
        TType spark = Type("spark").Rate(c.rate);
        TFixture f(SystemXml(c.keys, Type().Subs({spark})));
        for (size_t i = 0; i < c.counts.size(); ++i) {
            f.system->Update(c.frameMs);
            EXPECT_EQ(f.system->GetProperty("count").ToInt(), c.counts[i]) << "frame " << i + 1;
        }
    }

    // A rate that is not finite emits nothing; a huge one stops at the cap
    // (the root particle counts among the live ones).
    struct Extreme {
        double rate;
        int32_t count;
    };
    const Extreme extremes[] = {{std::numeric_limits<double>::quiet_NaN(), 0},
                                {std::numeric_limits<double>::infinity(), 0},
                                {-std::numeric_limits<double>::infinity(), 0},
                                {1e30, kMaxLiveParticles - 1}};
    for (const Extreme& e : extremes) {
        SCOPED_TRACE(e.rate);
        TFixture f(SystemXml("", Type().Subs({Type("spark")})));
        f.SubType("spark").GetFunction()->SetValue("rate", e.rate);
        f.system->Update(10);
        f.system->Update(10);
        EXPECT_EQ(f.system->GetProperty("count").ToInt(), e.count);
    }
}

TEST(MultiParticles, SeveralStepsInAFrameAnimateThePicturesEachTime) {
    TFixture f(SystemXml(R"(delta_step="20")", Type().Widgets(Sprite(2, 2)).Subs({Type("spark")})));
    auto* sprite = As<widgettest::TTestWidget>(f.system->GetChildren()->GetWidgetByIndex(0));
    ASSERT_TRUE(sprite);
    const int before = sprite->updates;
    f.system->Update(50);
    EXPECT_EQ(sprite->updates - before, 2);
    f.system->Update(50);
    EXPECT_EQ(sprite->updates - before, 5);
    EXPECT_EQ(f.system->GetCurrentTime(), 100);
}

TEST(MultiParticles, CommandsAddClearAndWaitForAnAttachment) {
    TType root = Type().Subs({Type("a"), Type("b")});
    TFixture f(SystemXml("", root));
    f.Add("b");
    f.Add("nothing");
    f.system->ExecuteCommand(1, nullptr);
    ASSERT_EQ(f.Top().size(), 3u);
    EXPECT_EQ(f.Top()[0]->type.get(), static_cast<IParticleType*>(&f.SubType("b")));
    EXPECT_EQ(f.Top()[1]->type.get(), static_cast<IParticleType*>(&f.SubType("a")));
    EXPECT_EQ(f.Top()[2]->type.get(), static_cast<IParticleType*>(&f.SubType("a")));
    // Already advanced by 0 ms: the drawing state is computed.
    EXPECT_EQ(ReadCell(f.Top()[0]->values, 0, 3), -1.0);

    f.system->ExecuteCommand(2, nullptr);
    EXPECT_EQ(f.system->GetProperty("count").ToInt(), 0);
    ASSERT_TRUE(f.system->GetRootParticle());

    // Detached, commands find no tree and change nothing.
    Ref<IWidget> loose = WidgetFromXMLText(SystemXml("", root));
    ASSERT_TRUE(loose);
    loose->ExecuteCommand(1, nullptr);
    loose->ExecuteCommand(2, nullptr);
    EXPECT_EQ(loose->GetProperty("count").ToInt(), 0);

    // A root without sub-types emits nothing and takes no particle.
    TFixture bare(SystemXml("", Type()));
    bare.system->ExecuteCommand(1, nullptr);
    bare.system->Update(10);
    EXPECT_EQ(bare.system->GetProperty("count").ToInt(), 0);
}

TEST(MultiParticles, CommandTwoRepaintsTheLastArea) {
    TType star = Type("star").Update("x := 20\ny := 30\npic := 0\na := 255");
    TFixture f(SystemXml(R"(anchor_left="5")", Type().Widgets(Sprite(4, 4)).Subs({star})));
    f.Add("star");
    f.screen.Step(1, 10);
    EXPECT_EQ(f.system->GetBounds(), (TRect{23, 28, 27, 32}));
    f.system->ExecuteCommand(2, nullptr);
    bool repainted = false;
    for (const TRect& rect : f.screen.FrameRects())
        repainted = repainted || rect == TRect{23, 28, 27, 32};
    EXPECT_TRUE(repainted);
}

// Sub-types without pictures of their own draw the root's; a type with its
// own per-frame pictures gets them too; parents are drawn under children.
TEST(MultiParticles, PicturesComeFromTheRootOrTheTypeItself) {
    TType fromRoot = Type("root_pic")
                         .Update("x := 10\ny := 10\npic := 2\na := 255")
                         .Keys(R"(drawmode="copyrect")");
    TType own = Type("own_pic")
                    .Update("x := 30\ny := 10\npic := 0\na := 255")
                    .Keys(R"(drawmode="copyrect" use_local_images="yes" static_images="no")")
                    .Widgets(Sprite(2, 2, "$FFFFFF00"));
    TType outside = Type("outside").Update("x := 50\ny := 10\npic := 7\na := 255");
    TType child = Type("child")
                      .Rate(100)
                      .Update("x := 70\ny := 10\npic := 1\na := 255")
                      .Keys(R"(drawmode="copyrect")");
    TType holder =
        Type("holder").Update("x := 70\ny := 10").Subs({child}).Column0({"dead", "x", "y"});
    TType root = Type()
                     .Keys(R"(use_local_images="no")")
                     .Widgets(Sprite(2, 2, "$FFFF0000") + Sprite(2, 2, "$FF00FF00") +
                              Sprite(2, 2, "$FF0000FF"))
                     .Subs({fromRoot, own, outside, holder});
    TFixture f(SystemXml("", root));
    EXPECT_TRUE(f.system->GetRootType()->GetUseLocalImages());
    for (const char* type : {"root_pic", "own_pic", "outside", "holder"}) f.Add(type);
    f.screen.Step(1, 10);
    f.system->Update(0);  // the frame's drawing took the per-frame pictures away
    const Ref<ISurface> picture = f.screen.RenderTree(0xFF000000);
    // Copyrect at opacity 255 and level 255 draws at 254.
    EXPECT_TRUE(Near(PixelOf(picture, 9, 9), 0xFF0000FF));
    EXPECT_TRUE(Near(PixelOf(picture, 29, 9), 0xFFFFFF00));  // the type's own, per frame
    EXPECT_EQ(PixelOf(picture, 49, 9), 0xFF000000u);         // no picture 7
    EXPECT_TRUE(Near(PixelOf(picture, 69, 9), 0xFF00FF00));  // a child of a parent without one
    // The per-frame pictures are dropped after the draw.
    EXPECT_TRUE(f.SubType("own_pic").GetImages()->empty());
}

TEST(MultiParticles, SubParticlesStartFromTheirParentsState) {
    TFixture f(SystemXml("", Rockets(100)));
    f.Add("rocket");
    f.system->Update(100);  // the rocket moved to x = 10 first, then shed its sparks
    const TMultiParticle& rocket = *f.Top()[0];
    ASSERT_EQ(rocket.subParticles.size(), 10u);
    EXPECT_EQ(ReadCell(rocket.values, 0, 1), 10.0);
    for (size_t i = 0; i < rocket.subParticles.size(); ++i) {
        EXPECT_EQ(ReadCell(rocket.subParticles[i]->values, 1, 1), 10.0 + double(i));
    }
}

TEST(MultiParticles, BoundsCoverThePicturesOnly) {
    TType ghost = Type("ghost");  // no picture, at the origin
    TType star = Type("star").Update("x := 40\ny := 50\npic := 0\na := 255");
    TFixture f(SystemXml(R"(anchor_left="3" anchor_top="4" width="11" height="12")",
                         Type().Widgets(Sprite(6, 4)).Subs({ghost, star})));
    EXPECT_EQ(f.system->GetWidth(), 11);
    EXPECT_EQ(f.system->GetHeight(), 12);
    f.Add("ghost");
    f.Add("star");
    f.system->Update(10);
    EXPECT_EQ(f.system->GetBounds(), (TRect{40, 52, 46, 56}));
    EXPECT_EQ(f.system->GetWidth(), 6);
    EXPECT_EQ(f.system->GetHeight(), 4);
    f.system->ExecuteCommand(2, nullptr);
    f.system->Update(10);
    EXPECT_EQ(f.system->GetBounds(), (TRect{3, 4, 3, 4}));
}

// After 10,000 particles lived and died, every count is back: the types'
// references, the pictures', the surface handed to the root function.
TEST(MultiParticles, ReferenceCountsComeBackAfterTenThousandParticles) {
    Ref<TSurface> surface = MakeRef<TSurface>();
    surface->SetSize(2, 2);
    const int32_t surfaceBaseline = surface->RefCount();
    TType spark = Type("spark").Rate(10000).Life(20).Update(
        "dead := if(u_age > life, 1, 0)\nx := u_sx\ny := u_sy\npic := 0\na := 255");
    TType root = Type().Rate(1).Widgets(Sprite(2, 2)).Subs({spark});
    TFixture f(SystemXml("", root));
    TParticleType& sub = f.SubType("spark");
    const int32_t rootBaseline = f.system->GetRootType()->RefCount();
    const int32_t subBaseline = sub.RefCount();
    const ISurface* image = (*f.system->GetImages())[0].get();
    const int32_t imageBaseline = image->RefCount();
    f.system->SetProperty("surface", Variant(Ref<ISurface>(surface)));
    EXPECT_EQ(surface->RefCount(), surfaceBaseline + 1);

    f.screen.Step(100, 10);  // 100 a frame
    EXPECT_GT(f.system->GetProperty("count").ToInt(), 100);
    EXPECT_EQ(sub.RefCount(), subBaseline + f.system->GetProperty("count").ToInt());
    sub.GetFunction()->SetValue("rate", 0);
    f.screen.Step(5, 10);
    EXPECT_EQ(f.system->GetProperty("count").ToInt(), 0);
    EXPECT_EQ(*f.system->GetLiveCounter(), 1);  // the root particle
    EXPECT_EQ(sub.RefCount(), subBaseline);
    EXPECT_EQ(f.system->GetRootType()->RefCount(), rootBaseline);
    EXPECT_EQ(image->RefCount(), imageBaseline);

    // Detaching releases the surface and the root particle.
    f.screen.SetRoot(nullptr);
    EXPECT_EQ(surface->RefCount(), surfaceBaseline);
    EXPECT_FALSE(f.system->GetRootParticle());
    EXPECT_EQ(*f.system->GetLiveCounter(), 0);
}

TEST(MultiParticles, PropertiesReachTheRootFunction) {
    TType root = Type().Rate(5).Subs({Type("spark")});
    TFixture f(SystemXml(R"(delta_step="15")", root));
    const Ref<IFunction> function = f.system->GetRootType()->GetFunction();
    ASSERT_TRUE(function);
    f.system->SetProperty("life", 77);
    EXPECT_EQ(function->GetValue("life"), 77);
    f.system->SetProperty("life", "no number");
    EXPECT_EQ(function->GetValue("life"), 77);
    EXPECT_EQ(f.system->GetProperty("delta_step").ToInt(), 15);
    f.system->SetProperty("delta_step", 30);
    EXPECT_EQ(f.system->GetProperty("delta_step").ToInt(), 30);
    f.system->SetProperty("static_images", false);
    EXPECT_FALSE(f.system->GetRootType()->GetStaticImages());
    // The root function's input 0 is the system's age at each step.
    f.system->Update(30);
    EXPECT_EQ(function->GetValue("systime"), 30);
}

TEST(MultiParticles, SaveAndLoadKeepTheTree) {
    TType root = Type()
                     .Keys(R"(blendingmode="addition" transparentlevel="200")")
                     .Widgets(Sprite(2, 2))
                     .Subs({Type("spark").Keys(R"(use_local_images="yes")")});
    TFixture f(SystemXml(R"(width="5" height="6" delta_step="7")", root));
    const std::string saved = SavedText(f.screen.Find("multi"));
    for (const char* piece : {R"(delta_step="7")", R"(width="5")", R"(blendingmode="addition")",
                              R"(<particle_type name="spark")", R"(use_local_images="yes")",
                              R"(transparentlevel="200")"}) {
        EXPECT_NE(saved.find(piece), std::string::npos) << piece;
    }
    Ref<IWidget> again = WidgetFromXMLText(saved);
    ASSERT_TRUE(again);
    EXPECT_EQ(SavedText(again), saved);
}

}  // namespace
}  // namespace particletest
