// Widget particle systems: the base TParticleSystem (a group whose children
// are the particles' picture templates, never drawn as widgets) and the two
// registered systems on it, "stochastic_particle_system" (particles from a
// disc round the emission point, flying straight under gravity and fading
// from a start colour to an end colour) and "montecarlo_particle_system" (the
// same particles, starting where another widget's picture is not
// transparent).
//
// A frame: the group's own step, every particle advanced (oldest first), the
// dead removed, then the new ones emitted, which are first advanced in the
// next frame. With "delta_step" above 0 emission runs in whole steps of that
// many milliseconds; the system's age then moves as the steps do (see
// TParticleSystem::DoUpdate). Drawing: BeginDraw, each particle oldest first,
// EndDraw.
//
// Stored keys: "width", "height", "emission_x", "emission_y",
// "emission_radius", "emission_count", "delta_step" (integers, 0 when
// absent); the stochastic system adds "direction" (0), "spread" (360),
// "speed_min" (10), "speed_max" (100), "lifetime_min" (1000), "lifetime_max"
// (5000), "gravity_min" (0), "gravity_max" (0), "color_start" ($FFFFFFFF),
// "color_end" ($FF000000), "alfa_start" and "alfa_end" (255, the low byte is
// the colour's alpha), "color_variation" and "alfa_variation" (0),
// "blendingmode" ("normal"). Everything loaded is saved again.
//
// Failures: nothing raises out of a frame. A system emits at most
// kMaxLiveParticles live particles and runs at most kMaxStepsPerFrame
// emission steps a frame; what goes beyond is dropped. A particle whose
// lifetime is 0 or less takes the end colour and dies in its first update.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "effects/ParticlesCommon.h"
#include "widgets/GroupWidgets.h"

// A particle of a widget particle system: its position in pixels from the
// system's top-left corner. Owned by the system's list.
class TParticle {
public:
    virtual ~TParticle() = default;
    double x = 0;
    double y = 0;
};

// The base of the widget particle systems; not registered.
class TParticleSystem : public TGroupWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The group's step, each particle's, removal, emission; the bounds start
    // at (-1, -1, -1, -1) and the geometry-changed flag is set while there
    // were particles before or are after.
    void DoUpdate(int32_t elapsedMs) override;
    // Hides every child: they are picture templates.
    void Attach(IWidgetOwner* owner) override;
    // BeginDraw, DrawParticle for each particle oldest first, EndDraw.
    void Render(ISurface& surface, int32_t x, int32_t y) override;
    int32_t GetWidth() override { return width_; }
    int32_t GetHeight() override { return height_; }
    TRect GetBounds() override { return bounds_; }

    int32_t GetParticleCount() const { return int32_t(particles_.size()); }
    const std::vector<std::unique_ptr<TParticle>>& Particles() const { return particles_; }
    int32_t GetEmissionX() const { return emissionX_; }
    int32_t GetEmissionY() const { return emissionY_; }
    int32_t GetEmissionRadius() const { return emissionRadius_; }
    int32_t GetEmissionCount() const { return emissionCount_; }
    int32_t GetDeltaStep() const { return deltaStep_; }

protected:
    // The hooks, in the order a frame uses them. The base makes a particle
    // at (0, 0) and does nothing else.
    virtual std::unique_ptr<TParticle> CreateParticle();
    virtual void DrawParticle(ISurface& surface, int32_t x, int32_t y, TParticle& particle);
    virtual void UpdateParticle(TParticle& particle, int32_t elapsedMs);
    virtual void RemoveDeadParticles() {}
    virtual void EmitParticles(int32_t elapsedMs) { (void)elapsedMs; }
    virtual void BeginDraw() {}
    virtual void EndDraw() {}

    // Appends a particle unless the system already holds kMaxLiveParticles;
    // false when it was dropped (or null).
    bool AppendParticle(std::unique_ptr<TParticle> particle);
    bool IsFull() const { return particles_.size() >= size_t(kMaxLiveParticles); }
    // Frees the particles for which dead(particle) holds, keeping the order
    // of the others.
    template <class F>
    void RemoveParticlesIf(F&& dead) {
        std::erase_if(particles_,
                      [&dead](const std::unique_ptr<TParticle>& p) { return dead(*p); });
    }
    void SetBounds(const TRect& bounds) { bounds_ = bounds; }
    // The emission over a frame of elapsedMs, in whole steps of delta_step
    // when it is above 0 (the age moves with the steps), else once.
    void RunEmission(int32_t elapsedMs);

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<std::unique_ptr<TParticle>> particles_;
    int32_t emissionX_ = 0;
    int32_t emissionY_ = 0;
    int32_t emissionRadius_ = 0;
    int32_t emissionCount_ = 0;
    int32_t deltaStep_ = 0;
    int64_t stepAccumulator_ = 0;
    TRect bounds_{-1, -1, -1, -1};
};

// A particle of the stochastic systems.
class TStochasticParticle : public TParticle {
public:
    int32_t startX = 0;
    int32_t startY = 0;
    int32_t lifetime = 0;
    int32_t age = 0;
    int32_t speed = 0;
    int32_t direction = 0;  // degrees, 0 along +x, 90 along +y (down)
    uint32_t startColor = 0;
    uint32_t color = 0;
    int32_t gravity = 0;  // px/s^2 along +y
    // Of the direction, worked out once at emission.
    double cosine = 1;
    double sine = 0;
};

// "stochastic_particle_system". Properties (read and set): "direction",
// "spread", "speed_min", "speed_max", "lifetime_min", "lifetime_max",
// "gravity_min", "gravity_max"; the base's "emission_x", "emission_y",
// "emission_radius", "emission_count", "delta_step"; "count" (read only).
// Changes reach the particles emitted afterwards.
class TStochasticParticleSystem : public TParticleSystem {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The table, then the alpha bytes of "alfa_start" and "alfa_end" into the
    // colours.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // The base's frame, then the bounds: the union of the first child's size
    // at every particle, in the parent's coordinates; (-1, -1, -1, -1) without
    // particles or child.
    void DoUpdate(int32_t elapsedMs) override;

    uint32_t GetColorStart() const { return colorStart_; }
    uint32_t GetColorEnd() const { return colorEnd_; }

protected:
    // Disc sampling round the emission point.
    std::unique_ptr<TParticle> CreateParticle() override;
    // The first child's snapshot painted in the particle's colour.
    void DrawParticle(ISurface& surface, int32_t x, int32_t y, TParticle& particle) override;
    void UpdateParticle(TParticle& particle, int32_t elapsedMs) override;
    // Those whose age is past their lifetime.
    void RemoveDeadParticles() override;
    // Round(emission_count * elapsedMs / 1000) particles.
    void EmitParticles(int32_t elapsedMs) override;
    // The first child's snapshot, once for the whole draw.
    void BeginDraw() override;
    void EndDraw() override;

    // Lifetime, speed, direction, gravity and the colour's red, green and
    // blue from the ranges, drawn in that order.
    void DrawRanges(TStochasticParticle& particle);
    int32_t GetAlfaVariation() const { return alfaVariation_; }

private:
    Ref<ISurface> image_;
    uint8_t blendingMode_ = 0;
    int32_t direction_ = 0;
    int32_t spread_ = 360;
    int32_t speedMin_ = 10;
    int32_t speedMax_ = 100;
    int32_t lifetimeMin_ = 1000;
    int32_t lifetimeMax_ = 5000;
    uint32_t colorStart_ = 0xFFFFFFFF;
    uint32_t colorEnd_ = 0xFF000000;
    int32_t alfaStart_ = 255;
    int32_t alfaEnd_ = 255;
    int32_t colorVariation_ = 0;
    int32_t alfaVariation_ = 0;
    int32_t gravityMin_ = 0;
    int32_t gravityMax_ = 0;
};

// "montecarlo_particle_system": property "widget" (set only) takes a widget
// reference; its bounds become the sampling rectangle and its snapshot,
// taken then, the picture particles start on. Without one it emits nothing.
class TMonteCarloParticleSystem : public TStochasticParticleSystem {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // Drops the sampled picture.
    void Detach() override;

    const Ref<ISurface>& GetSamplingSurface() const { return samplingSurface_; }
    const TRect& GetSamplingRect() const { return samplingRect_; }

protected:
    // Up to 8 random pixels of the picture; the first whose alpha is 20 or
    // more starts the particle there, with that alpha less a random part of
    // "alfa_variation". Null when none is.
    std::unique_ptr<TParticle> CreateParticle() override;

private:
    static void SetWidgetProperty(TMonteCarloParticleSystem& system, const Variant& value);

    Ref<ISurface> samplingSurface_;
    TRect samplingRect_;
};
