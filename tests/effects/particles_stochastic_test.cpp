// The widget particle systems: the frame order and the fixed emission step of
// the base, the stochastic system's emission, ranges, motion, colours,
// bounds and drawing, the Monte Carlo system's sampling, and the caps.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/base/Random.h"
#include "tests/effects/ParticlesTestSupport.h"
#include "tests/support/WidgetHarness.h"

namespace particletest {
namespace {

// A system whose particles move 1 px per millisecond and die at x >= life;
// it records the time of every emission call.
class TProbeSystem : public TParticleSystem {
public:
    std::vector<int32_t> emissions;
    int perEmission = 0;
    double life = 1e9;
    int updates = 0;

protected:
    void EmitParticles(int32_t elapsedMs) override {
        emissions.push_back(elapsedMs);
        for (int i = 0; i < perEmission; ++i) AppendParticle(CreateParticle());
    }
    void UpdateParticle(TParticle& particle, int32_t elapsedMs) override {
        particle.x += elapsedMs;
        ++updates;
    }
    void RemoveDeadParticles() override {
        RemoveParticlesIf([this](TParticle& particle) { return particle.x >= life; });
    }
};

Ref<TProbeSystem> Probe(int32_t deltaStep) {
    Ref<TProbeSystem> probe = CreateObject<TProbeSystem>();
    probe->SetProperty("delta_step", deltaStep);
    return probe;
}

Ref<IWidget> Load(const std::string& xml) {
    RegisterSprite();
    Ref<IWidget> widget = WidgetFromXMLText(xml);
    EXPECT_TRUE(widget) << xml;
    return widget;
}

// A stochastic system with one 4 by 4 white sprite and the given keys.
std::string StochasticXml(const std::string& keys, const std::string& sprite = Sprite(4, 4)) {
    return R"(<widget type="stochastic_particle_system" name="sparks" visible="yes" )" + keys +
           "><widgets>" + sprite + "</widgets></widget>";
}

TStochasticParticleSystem& System(const Ref<IWidget>& widget) {
    return *As<TStochasticParticleSystem>(widget);
}

TEST(ParticleSystemBase, AloneItEmitsNothingDrawsNothingAndHasNoBounds) {
    Ref<TParticleSystem> base = CreateObject<TParticleSystem>();
    base->SetProperty("emission_count", 1000);
    for (int i = 0; i < 5; ++i) base->Update(20);
    EXPECT_EQ(base->GetParticleCount(), 0);
    EXPECT_EQ(base->GetBounds(), (TRect{-1, -1, -1, -1}));
    Ref<TSurface> surface = MakeRef<TSurface>();
    surface->SetSize(8, 8);
    base->Render(*surface, 0, 0);
    EXPECT_EQ(PixelOf(surface, 3, 3), 0u);
}

// With a step longer than the frame, emission runs only in whole steps; the
// age drops the frame's time in a frame with steps and takes the steps'
// instead, so frames without a step count twice: the age runs ahead of real
// time by the share of such frames (1.7 for steps of 100 ms in 30-ms frames).
TEST(ParticleSystemBase, TheFixedStepArithmeticIsPinned) {
    struct Case {
        int32_t deltaStep;
        int32_t frameMs;
        int frames;
        int32_t age;
        size_t emissions;
        int32_t firstEmission;
    };
    const Case cases[] = {
        {100, 30, 4, 190, 1, 100},   {100, 30, 100, 5100, 30, 100}, {25, 10, 300, 4800, 120, 25},
        {50, 10, 300, 5400, 60, 50}, {10, 30, 100, 3000, 300, 10},  {0, 30, 10, 300, 10, 30},
        {-5, 30, 10, 300, 10, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.deltaStep << " ms steps, " << c.frames
                                          << " frames of " << c.frameMs << " ms");
        Ref<TProbeSystem> probe = Probe(c.deltaStep);
        for (int i = 0; i < c.frames; ++i) probe->Update(c.frameMs);
        EXPECT_EQ(probe->GetCurrentTime(), c.age);
        ASSERT_EQ(probe->emissions.size(), c.emissions);
        EXPECT_EQ(probe->emissions.front(), c.firstEmission);
    }
}

TEST(ParticleSystemBase, AStepOf100In30MsFramesEmitsEveryThirdOrFourthFrame) {
    Ref<TProbeSystem> probe = Probe(100);
    std::vector<int> frames;
    for (int frame = 1; frame <= 14; ++frame) {
        const size_t before = probe->emissions.size();
        probe->Update(30);
        if (probe->emissions.size() != before) frames.push_back(frame);
    }
    EXPECT_EQ(frames, (std::vector<int>{4, 7, 10, 14}));
    for (int32_t ms : probe->emissions) EXPECT_EQ(ms, 100);

    // A frame of 250 ms runs two steps and keeps 50 for the next one.
    Ref<TProbeSystem> slow = Probe(100);
    slow->Update(250);
    EXPECT_EQ(slow->emissions, (std::vector<int32_t>{100, 100}));
    slow->Update(49);
    EXPECT_EQ(slow->emissions.size(), 2u);
    slow->Update(1);
    EXPECT_EQ(slow->emissions.size(), 3u);
}

TEST(ParticleSystemBase, ParticlesEmittedInAFrameAreAdvancedFromTheNextOne) {
    Ref<TProbeSystem> probe = Probe(0);
    probe->perEmission = 1;
    probe->Update(10);
    ASSERT_EQ(probe->GetParticleCount(), 1);
    EXPECT_EQ(probe->Particles()[0]->x, 0);
    EXPECT_EQ(probe->updates, 0);
    probe->Update(10);
    EXPECT_EQ(probe->Particles()[0]->x, 10);
    EXPECT_EQ(probe->Particles()[1]->x, 0);
}

TEST(ParticleSystemBase, TheMovedFlagFollowsTheParticlesBeforeAndAfterAnUpdate) {
    Ref<TProbeSystem> probe = Probe(0);
    probe->life = 25;
    probe->SetLeft(5);  // a move of an empty system is not kept
    probe->Update(10);
    EXPECT_FALSE(probe->GetMoved());
    probe->perEmission = 1;
    probe->Update(10);  // one emitted
    EXPECT_TRUE(probe->GetMoved());
    probe->perEmission = 0;
    probe->Update(10);
    probe->Update(10);
    EXPECT_EQ(probe->GetParticleCount(), 1);
    probe->Update(10);  // the last one dies: its area is still repainted
    EXPECT_EQ(probe->GetParticleCount(), 0);
    EXPECT_TRUE(probe->GetMoved());
    probe->Update(10);
    EXPECT_FALSE(probe->GetMoved());
}

TEST(ParticleSystemBase, CountIsReadOnlyAndTheKeysAreProperties) {
    Ref<IWidget> widget = Load(StochasticXml(
        R"(emission_x="7" emission_y="-3" emission_radius="2" emission_count="100" delta_step="0"
           width="40" height="30" lifetime_min="100000" lifetime_max="100000")"));
    widget->Update(10);
    EXPECT_EQ(widget->GetProperty("count").ToInt(), 1);
    widget->SetProperty("count", 50);
    EXPECT_EQ(widget->GetProperty("count").ToInt(), 1);
    EXPECT_EQ(System(widget).GetParticleCount(), 1);
    EXPECT_EQ(widget->GetProperty("emission_x").ToInt(), 7);
    EXPECT_EQ(widget->GetProperty("emission_y").ToInt(), -3);
    EXPECT_EQ(widget->GetProperty("emission_radius").ToInt(), 2);
    EXPECT_EQ(widget->GetWidth(), 40);
    EXPECT_EQ(widget->GetHeight(), 30);
    widget->SetProperty("emission_count", 0);
    widget->SetProperty("speed_max", 250);
    EXPECT_EQ(widget->GetProperty("emission_count").ToInt(), 0);
    EXPECT_EQ(widget->GetProperty("speed_max").ToInt(), 250);
}

// The emission count is rounded per frame (halves to even), so low rates at
// 10-ms frames emit nothing; a fixed step emits per step.
TEST(StochasticParticles, EmissionTable) {
    struct Case {
        int32_t count;
        int32_t deltaStep;
        int frames;
        int32_t frameMs;
        int32_t expected;
    };
    const Case cases[] = {
        {40, 0, 10, 10, 0}, {50, 0, 10, 10, 0},   {51, 0, 10, 10, 10}, {40, 25, 10, 10, 4},
        {150, 0, 3, 10, 6}, {250, 0, 2, 10, 4},   {-100, 0, 5, 10, 0}, {1000, 0, 1, 0, 0},
        {1000, 0, 1, 7, 7}, {30, 100, 3, 100, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.count << "/s, step " << c.deltaStep << ", "
                                          << c.frames << " x " << c.frameMs << " ms");
        Ref<IWidget> widget = Load(StochasticXml(
            "emission_count=\"" + std::to_string(c.count) + "\" delta_step=\"" +
            std::to_string(c.deltaStep) + R"(" lifetime_min="100000" lifetime_max="100000")"));
        for (int i = 0; i < c.frames; ++i) widget->Update(c.frameMs);
        EXPECT_EQ(System(widget).GetParticleCount(), c.expected);
    }
}

TEST(StochasticParticles, TheSameSeedEmitsTheSameParticles) {
    const std::string xml = StochasticXml(
        R"(emission_count="1000" emission_radius="20" spread="90" direction="45" speed_min="5"
           speed_max="500" gravity_min="-20" gravity_max="40" color_variation="100"
           alfa_variation="50" alfa_end="0")");
    auto run = [&xml] {
        RandomSeed(4242);
        Ref<IWidget> widget = Load(xml);
        widget->Update(50);
        std::vector<std::vector<int64_t>> out;
        const TStochasticParticleSystem& system = System(widget);
        for (size_t i = 0; i < system.Particles().size(); ++i) {
            const TStochasticParticle& p = Stochastic(system, i);
            out.push_back({p.startX, p.startY, p.lifetime, p.speed, p.direction, p.gravity,
                           int64_t(p.startColor)});
        }
        return out;
    };
    const auto first = run();
    EXPECT_EQ(first.size(), 50u);
    EXPECT_EQ(run(), first);
}

// Ranges drawn with min above max use Random(n) for n < 0: n+1..0.
TEST(StochasticParticles, RangeTable) {
    struct Case {
        const char* keys;
        int32_t TStochasticParticle::*field;
        int32_t low;
        int32_t high;
    };
    using P = TStochasticParticle;
    const Case cases[] = {
        {R"(spread="360" direction="0")", &P::direction, -180, 179},
        {R"(spread="0" direction="33")", &P::direction, 33, 33},
        {R"(spread="45" direction="90")", &P::direction, 68, 112},
        {R"(spread="-10" direction="0")", &P::direction, -4, 5},
        {R"(lifetime_min="1000" lifetime_max="1020")", &P::lifetime, 1000, 1019},
        {R"(lifetime_min="700" lifetime_max="700")", &P::lifetime, 700, 700},
        {R"(lifetime_min="1020" lifetime_max="1000")", &P::lifetime, 1001, 1020},
        {R"(gravity_min="50" gravity_max="20")", &P::gravity, 20, 49},
        {R"(gravity_min="-5" gravity_max="5")", &P::gravity, -5, 4},
        {R"(speed_min="10" speed_max="30")", &P::speed, 10, 29},
        {R"(speed_min="30" speed_max="20")", &P::speed, 21, 30},
    };
    RandomSeed(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        Ref<IWidget> widget =
            Load(StochasticXml(std::string(c.keys) + R"( emission_count="100000")"));
        widget->Update(20);  // 2000 particles
        const TStochasticParticleSystem& system = System(widget);
        ASSERT_EQ(system.GetParticleCount(), 2000);
        int32_t low = INT32_MAX, high = INT32_MIN;
        for (size_t i = 0; i < system.Particles().size(); ++i) {
            const int32_t value = Stochastic(system, i).*c.field;
            low = std::min(low, value);
            high = std::max(high, value);
        }
        EXPECT_EQ(low, c.low);
        EXPECT_EQ(high, c.high);
    }
}

TEST(StochasticParticles, EmissionDiscAndColourVariation) {
    RandomSeed(11);
    Ref<IWidget> widget = Load(StochasticXml(
        R"(emission_x="100" emission_y="50" emission_radius="10" emission_count="100000"
           color_start="$FF204060" color_end="$FF80A0C0" color_variation="50"
           alfa_start="200" alfa_end="100" alfa_variation="100")"));
    widget->Update(10);
    const TStochasticParticleSystem& system = System(widget);
    ASSERT_EQ(system.GetParticleCount(), 1000);
    for (size_t i = 0; i < system.Particles().size(); ++i) {
        const TStochasticParticle& p = Stochastic(system, i);
        const int dx = p.startX - 100, dy = p.startY - 50;
        EXPECT_LE(dx * dx + dy * dy, 10 * 10 + 1);  // rounding may reach just past the edge
        // One fraction f in 0..0.49 moves all three channels toward the end.
        const int r = int(p.startColor >> 16 & 0xFF), g = int(p.startColor >> 8 & 0xFF),
                  b = int(p.startColor & 0xFF), a = int(p.startColor >> 24);
        EXPECT_GE(r, 0x20);
        EXPECT_LE(r, 0x20 + 0x60 / 2);
        EXPECT_EQ(g - 0x40, r - 0x20);
        EXPECT_EQ(b - 0x60, r - 0x20);
        EXPECT_GE(a, 101);
        EXPECT_LE(a, 200);
    }
}

// Straight flight at speed in the direction, and half the gravity times the
// square of the time downward.
TEST(StochasticParticles, MotionTable) {
    struct Case {
        int32_t speed, direction, gravity;
        int32_t x, y;  // after 1000 ms, from the start
    };
    const Case cases[] = {
        {100, 0, 0, 100, 0}, {100, 0, 200, 100, 100},  {100, 90, 0, 0, 100}, {100, 180, 0, -100, 0},
        {50, 45, 0, 35, 35}, {100, -90, -40, 0, -120}, {0, 0, 30, 0, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.speed << " px/s at " << c.direction << " deg, gravity " << c.gravity);
        const std::string keys =
            R"(emission_x="10" emission_y="20" emission_count="100" spread="0" lifetime_min="5000" lifetime_max="5000")"
            " direction=\"" +
            std::to_string(c.direction) + "\" speed_min=\"" + std::to_string(c.speed) +
            "\" speed_max=\"" + std::to_string(c.speed) + "\" gravity_min=\"" +
            std::to_string(c.gravity) + "\" gravity_max=\"" + std::to_string(c.gravity) + "\"";
        Ref<IWidget> widget = Load(StochasticXml(keys));
        widget->Update(10);  // the first particle, at its start
        widget->SetProperty("emission_count", 0);
        const TStochasticParticleSystem& system = System(widget);
        ASSERT_EQ(system.GetParticleCount(), 1);
        EXPECT_EQ(Stochastic(system, 0).x, 10);
        EXPECT_EQ(Stochastic(system, 0).y, 20);
        for (int i = 0; i < 4; ++i) widget->Update(250);
        EXPECT_EQ(Stochastic(system, 0).x, 10 + c.x);
        EXPECT_EQ(Stochastic(system, 0).y, 20 + c.y);
    }
}

// From the start colour to the end colour over the lifetime, exactly at its
// end; the particle dies in the update in which its age passes the lifetime.
TEST(StochasticParticles, ColoursFadeOverTheLifetimeAndParticlesDieAfterIt) {
    Ref<IWidget> widget = Load(StochasticXml(
        R"(emission_count="100" lifetime_min="1000" lifetime_max="1000" alfa_end="0")"));
    widget->Update(10);
    widget->SetProperty("emission_count", 0);
    const TStochasticParticleSystem& system = System(widget);
    EXPECT_EQ(Stochastic(system, 0).color, 0xFFFFFFFFu);
    widget->Update(500);
    // 255 - 127.5, the half rounded to even.
    EXPECT_EQ(Stochastic(system, 0).color, 0x7F7F7F7Fu);
    widget->Update(500);
    ASSERT_EQ(system.GetParticleCount(), 1);
    EXPECT_EQ(Stochastic(system, 0).color, 0x00000000u);
    widget->Update(1);
    EXPECT_EQ(system.GetParticleCount(), 0);

    Ref<IWidget> opaque = Load(StochasticXml(R"(emission_count="100")"));
    opaque->Update(10);
    const uint32_t start = Stochastic(System(opaque), 0).color;
    EXPECT_EQ(start, 0xFFFFFFFFu);
}

// Lifetime 0 (or below) takes the end colour without dividing by it and
// dies at once.
TEST(StochasticParticles, LifetimeZeroIsSafe) {
    struct Case {
        const char* keys;
        bool survivesAnUpdateOfZero;  // age 0 is not past 0, but past -5
    };
    const Case cases[] = {{R"(lifetime_min="0" lifetime_max="0")", true},
                          {R"(lifetime_min="-5" lifetime_max="-5")", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        Ref<IWidget> widget = Load(
            StochasticXml(std::string(c.keys) + R"( emission_count="100" color_end="$FF112233")"));
        widget->Update(10);
        const TStochasticParticleSystem& system = System(widget);
        ASSERT_EQ(system.GetParticleCount(), 1);
        widget->SetProperty("emission_count", 0);
        widget->Update(0);
        ASSERT_EQ(system.GetParticleCount(), c.survivesAnUpdateOfZero ? 1 : 0);
        if (c.survivesAnUpdateOfZero) {
            EXPECT_EQ(Stochastic(system, 0).color, 0xFF112233u);
        }
        widget->Update(10);
        EXPECT_EQ(system.GetParticleCount(), 0);
    }
}

TEST(StochasticParticles, BoundsCoverTheSpritesInTheParentsCoordinates) {
    Ref<IWidget> widget = Load(StochasticXml(
        R"(anchor_left="100.4" anchor_top="50" emission_count="100" spread="0" speed_min="100"
           speed_max="100" lifetime_min="5000" lifetime_max="5000")",
        Sprite(6, 3)));
    widget->Update(10);
    EXPECT_EQ(widget->GetBounds(), (TRect{100, 50, 106, 53}));
    widget->Update(100);  // the first moved 10 px, a second one at the start
    EXPECT_EQ(widget->GetBounds(), (TRect{100, 50, 116, 53}));

    Ref<IWidget> bare =
        Load(R"(<widget type="stochastic_particle_system" visible="yes" emission_count="100"/>)");
    bare->Update(10);
    EXPECT_EQ(System(bare).GetParticleCount(), 1);
    EXPECT_EQ(bare->GetBounds(), (TRect{-1, -1, -1, -1}));
}

TEST(StochasticParticles, EachParticleIsTheSpritesShapeInItsColour) {
    TWidgetHarness screen(64, 48);
    RegisterSprite();
    screen.Load(R"(
      <widget type="group_widget" name="root">
        <widgets>)" +
                StochasticXml(R"(anchor_left="10" anchor_top="5" emission_x="3" emission_y="2"
                                 emission_count="100" color_start="$FF00FF00" color_end="$FF00FF00"
                                 lifetime_min="100000" lifetime_max="100000" speed_min="0"
                                 speed_max="0")",
                              Sprite(2, 2, "$FFFF00FF")) +
                R"(</widgets></widget>)");
    screen.Step(1, 10);
    const Ref<ISurface> picture = screen.RenderTree(0xFF000000);
    EXPECT_EQ(PixelOf(picture, 13, 7), 0xFF00FF00u);
    EXPECT_EQ(PixelOf(picture, 14, 8), 0xFF00FF00u);
    EXPECT_EQ(PixelOf(picture, 15, 8), 0xFF000000u);
    EXPECT_EQ(PixelOf(picture, 12, 7), 0xFF000000u);
    // The template itself is hidden and never drawn.
    EXPECT_EQ(PixelOf(picture, 10, 5), 0xFF000000u);
    EXPECT_FALSE(screen.Find("sparks")->GetChildren()->GetWidgetByIndex(0)->GetVisible());

    // Without a sprite nothing is drawn.
    screen.Load(StochasticXml(R"(emission_count="100")", ""));
    screen.Step(1, 10);
    EXPECT_EQ(System(screen.Root()).GetParticleCount(), 1);
    const Ref<ISurface> empty = screen.RenderTree(0xFF000000);
    EXPECT_EQ(PixelOf(empty, 0, 0), 0xFF000000u);
}

// Emission per frame and live particles are capped; steps beyond the cap
// still age the system.
TEST(StochasticParticles, EmissionAndLiveParticlesAreCapped) {
    Ref<IWidget> flood = Load(StochasticXml(
        R"(emission_count="100000" lifetime_min="100000" lifetime_max="100000")", ""));
    flood->Update(30000);  // 3,000,000 due, in 64 bits
    EXPECT_EQ(System(flood).GetParticleCount(), kMaxLiveParticles);
    flood->Update(10);
    EXPECT_EQ(System(flood).GetParticleCount(), kMaxLiveParticles);

    Ref<IWidget> stall = Load(StochasticXml(
        R"(emission_count="1000" delta_step="1" lifetime_min="1000000" lifetime_max="1000000")",
        ""));
    stall->Update(100000);
    EXPECT_EQ(System(stall).GetParticleCount(), kMaxStepsPerFrame);
    EXPECT_EQ(System(stall).GetCurrentTime(), 100000);
    stall->Update(1);
    EXPECT_EQ(System(stall).GetParticleCount(), kMaxStepsPerFrame + 1);
}

TEST(StochasticParticles, EverythingLoadedIsSavedAgain) {
    const std::string keys =
        R"(emission_x="3" emission_y="4" emission_radius="5" emission_count="6" delta_step="7"
           width="8" height="9" direction="10" spread="11" speed_min="12" speed_max="13"
           lifetime_min="14" lifetime_max="15" gravity_min="16" gravity_max="17"
           color_start="$10203040" color_end="$50607080" alfa_start="33" alfa_end="44"
           color_variation="18" alfa_variation="19" blendingmode="addition")";
    Ref<IWidget> widget = Load(StochasticXml(keys));
    EXPECT_EQ(System(widget).GetColorStart(), 0x21203040u);
    EXPECT_EQ(System(widget).GetColorEnd(), 0x2C607080u);
    const std::string saved = SavedText(widget);
    Ref<IWidget> again = Load(saved);
    EXPECT_EQ(SavedText(again), saved);
    for (const char* piece : {R"(emission_count="6")", R"(spread="11")", R"(alfa_end="44")",
                              R"(blendingmode="addition")", R"(width="8")"}) {
        EXPECT_NE(saved.find(piece), std::string::npos) << piece;
    }
    EXPECT_EQ(System(again).GetColorStart(), 0x21203040u);
}

// ---------------------------------------------------------------------------
// Monte Carlo

std::string MonteCarloXml(const std::string& keys) {
    return R"(<widget type="montecarlo_particle_system" name="mc" visible="yes" )" + keys +
           "><widgets>" + Sprite(2, 2) + "</widgets></widget>";
}

struct TMonteCarloScreen {
    TMonteCarloScreen(const std::string& keys, const std::string& pictureColor) {
        RegisterSprite();
        root = screen.Load(R"(<widget type="group_widget" name="root"><widgets>)" +
                           MonteCarloXml(keys) + Sprite(5, 4, pictureColor, 30, 40, "picture") +
                           "</widgets></widget>");
        system = As<TMonteCarloParticleSystem>(screen.Find("mc"));
    }
    TWidgetHarness screen{64, 64};
    Ref<IWidget> root;
    TMonteCarloParticleSystem* system = nullptr;
};

TEST(MonteCarloParticles, ParticlesStartWhereThePictureIsNotTransparent) {
    RandomSeed(3);
    TMonteCarloScreen fixture(
        R"(emission_count="1000" lifetime_min="100000" lifetime_max="100000" alfa_variation="30")",
        "$FFFFFFFF");
    TMonteCarloParticleSystem& system = *fixture.system;
    fixture.system->Update(10);
    EXPECT_EQ(system.GetParticleCount(), 0);  // nothing sampled yet
    system.SetProperty("widget", Variant(fixture.screen.Find("picture")));
    EXPECT_EQ(system.GetSamplingRect(), (TRect{30, 40, 35, 44}));
    system.Update(1000);  // an opaque picture accepts every first try
    ASSERT_EQ(system.GetParticleCount(), 1000);
    int32_t lowAlpha = 255, highAlpha = 0;
    for (size_t i = 0; i < system.Particles().size(); ++i) {
        const TStochasticParticle& p = Stochastic(system, i);
        EXPECT_GE(p.startX, 30);
        EXPECT_LE(p.startX, 34);
        EXPECT_GE(p.startY, 40);
        EXPECT_LE(p.startY, 43);
        lowAlpha = std::min<int32_t>(lowAlpha, p.startColor >> 24);
        highAlpha = std::max<int32_t>(highAlpha, p.startColor >> 24);
    }
    EXPECT_EQ(lowAlpha, 226);
    EXPECT_EQ(highAlpha, 255);

    // The sampled picture goes with the attachment.
    fixture.screen.SetRoot(nullptr);
    EXPECT_FALSE(system.GetSamplingSurface());
}

TEST(MonteCarloParticles, ATransparentPictureOrNoWidgetMakesNoParticles) {
    TMonteCarloScreen fixture(R"(emission_count="1000")", "$00FFFFFF");
    TMonteCarloParticleSystem& system = *fixture.system;
    system.SetProperty("widget", Variant(fixture.screen.Find("picture")));
    ASSERT_TRUE(system.GetSamplingSurface());
    system.Update(100);
    EXPECT_EQ(system.GetParticleCount(), 0);

    // Values that are not widgets leave the sampling as it was.
    TMonteCarloScreen other(R"(emission_count="1000")", "$FFFFFFFF");
    for (const Variant& value : {Variant("picture"), Variant(12), Variant(),
                                 Variant(Ref<ISurface>(MakeRef<TSurface>()))}) {
        other.system->SetProperty("widget", value);
        EXPECT_FALSE(other.system->GetSamplingSurface());
    }
    other.system->Update(100);
    EXPECT_EQ(other.system->GetParticleCount(), 0);
}

}  // namespace
}  // namespace particletest
