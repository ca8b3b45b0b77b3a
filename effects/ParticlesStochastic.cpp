#include "effects/ParticlesStochastic.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/base/Random.h"
#include "core/object/GeneralClasses.h"

namespace {

int32_t Clamp32(int64_t value) {
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// low + Random(high - low), the difference kept inside 32 bits.
int32_t DrawBetween(int32_t low, int32_t high) {
    return Clamp32(int64_t{low} + RandomSigned(Clamp32(int64_t{high} - low)));
}

uint32_t Channel(uint32_t color, int shift) {
    return (color >> shift) & 0xFF;
}

}  // namespace

// ---------------------------------------------------------------------------
// TParticleSystem

const TPropertyTable& TParticleSystem::Table() {
    using W = TParticleSystem;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TGroupWidget::Table())
            .Field("width", &W::width_, 0).StorageOnly()
            .Field("height", &W::height_, 0).StorageOnly()
            .Field("emission_x", &W::emissionX_, 0)
            .Field("emission_y", &W::emissionY_, 0)
            .Field("emission_radius", &W::emissionRadius_, 0)
            .Field("emission_count", &W::emissionCount_, 0)
            .Field("delta_step", &W::deltaStep_, 0)
            .Accessor("count", &W::GetParticleCount, nullptr)
            .Build();
    // clang-format on
    return table;
}

void TParticleSystem::DoUpdate(int32_t elapsedMs) {
    // A child's update may drop the last outside reference to the system.
    const Ref<IWidget> self(this);
    TGroupWidget::DoUpdate(elapsedMs);
    const size_t before = particles_.size();
    for (const std::unique_ptr<TParticle>& particle : particles_)
        UpdateParticle(*particle, elapsedMs);
    RemoveDeadParticles();
    RunEmission(elapsedMs);
    bounds_ = {-1, -1, -1, -1};
    SetMoved(before > 0 || !particles_.empty());
}

void TParticleSystem::RunEmission(int32_t elapsedMs) {
    if (deltaStep_ <= 0) {
        EmitParticles(elapsedMs);
        return;
    }
    stepAccumulator_ += elapsedMs;
    if (stepAccumulator_ < deltaStep_) return;
    // The frame's time leaves the age again and comes back in whole steps,
    // so in frames without a step the age keeps the frame's time as well.
    const int64_t steps = stepAccumulator_ / deltaStep_;
    stepAccumulator_ -= steps * deltaStep_;
    SetCurrentTime(Clamp32(int64_t{GetCurrentTime()} - elapsedMs + steps * deltaStep_));
    const int64_t run = std::min<int64_t>(steps, kMaxStepsPerFrame);
    for (int64_t i = 0; i < run; ++i) EmitParticles(deltaStep_);
}

void TParticleSystem::Attach(IWidgetOwner* owner) {
    TGroupWidget::Attach(owner);
    Children().ForEachWidget([](IWidget& child) { child.SetVisible(false); });
}

void TParticleSystem::Render(ISurface& surface, int32_t x, int32_t y) {
    BeginDraw();
    for (const std::unique_ptr<TParticle>& particle : particles_) {
        DrawParticle(surface, x, y, *particle);
    }
    EndDraw();
}

std::unique_ptr<TParticle> TParticleSystem::CreateParticle() {
    return std::make_unique<TParticle>();
}

void TParticleSystem::DrawParticle(ISurface& surface, int32_t x, int32_t y, TParticle& particle) {
    (void)surface;
    (void)x;
    (void)y;
    (void)particle;
}

void TParticleSystem::UpdateParticle(TParticle& particle, int32_t elapsedMs) {
    (void)particle;
    (void)elapsedMs;
}

bool TParticleSystem::AppendParticle(std::unique_ptr<TParticle> particle) {
    if (!particle || IsFull()) return false;
    particles_.push_back(std::move(particle));
    return true;
}

// ---------------------------------------------------------------------------
// TStochasticParticleSystem

const TPropertyTable& TStochasticParticleSystem::Table() {
    using S = TStochasticParticleSystem;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<S>(TParticleSystem::Table())
            .Field("direction", &S::direction_, 0)
            .Field("spread", &S::spread_, 360)
            .Field("speed_min", &S::speedMin_, 10)
            .Field("speed_max", &S::speedMax_, 100)
            .Field("lifetime_min", &S::lifetimeMin_, 1000)
            .Field("lifetime_max", &S::lifetimeMax_, 5000)
            .Field("gravity_min", &S::gravityMin_, 0)
            .Field("gravity_max", &S::gravityMax_, 0)
            .Field("color_start", &S::colorStart_, 0xFFFFFFFFu).Color().StorageOnly()
            .Field("color_end", &S::colorEnd_, 0xFF000000u).Color().StorageOnly()
            .Field("alfa_start", &S::alfaStart_, 255).StorageOnly()
            .Field("alfa_end", &S::alfaEnd_, 255).StorageOnly()
            .Field("color_variation", &S::colorVariation_, 0).StorageOnly()
            .Field("alfa_variation", &S::alfaVariation_, 0).StorageOnly()
            .Field("blendingmode", &S::blendingMode_, 0).Enum(kBlendingModeNames).StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TStochasticParticleSystem::LoadFrom(const Ref<IHierStorage>& storage) {
    TParticleSystem::LoadFrom(storage);
    colorStart_ = (colorStart_ & 0x00FFFFFF) | uint32_t(WrapChannel(alfaStart_)) << 24;
    colorEnd_ = (colorEnd_ & 0x00FFFFFF) | uint32_t(WrapChannel(alfaEnd_)) << 24;
}

void TStochasticParticleSystem::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TParticleSystem::DoUpdate(elapsedMs);
    if (Particles().empty()) return;
    IWidget* sprite = Children().WidgetAtIndex(0);
    if (!sprite) return;
    const int32_t w = sprite->GetWidth();
    const int32_t h = sprite->GetHeight();
    int32_t left = std::numeric_limits<int32_t>::max(), top = left;
    int32_t right = std::numeric_limits<int32_t>::min(), bottom = right;
    for (const std::unique_ptr<TParticle>& particle : Particles()) {
        const int32_t x = RoundInt(particle->x);
        const int32_t y = RoundInt(particle->y);
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, Clamp32(int64_t{x} + w));
        bottom = std::max(bottom, Clamp32(int64_t{y} + h));
    }
    SetBounds(MoveRect({left, top, right, bottom}, RoundInt(GetLeft()), RoundInt(GetTop())));
}

void TStochasticParticleSystem::DrawRanges(TStochasticParticle& particle) {
    particle.lifetime = DrawBetween(lifetimeMin_, lifetimeMax_);
    particle.speed = DrawBetween(speedMin_, speedMax_);
    particle.direction = Clamp32(int64_t{direction_} - spread_ / 2 + RandomSigned(spread_));
    const int32_t low = std::min(gravityMin_, gravityMax_);
    particle.gravity =
        Clamp32(int64_t{low} +
                RandomSigned(Clamp32(std::abs(int64_t{gravityMax_} - int64_t{gravityMin_}))));
    const double theta = particle.direction * std::numbers::pi / 180;
    particle.cosine = std::cos(theta);
    particle.sine = std::sin(theta);

    const double f = RandomSigned(colorVariation_) / 100.0;
    uint32_t color = particle.startColor & 0xFF000000;
    for (const int shift : {16, 8, 0}) {
        const int32_t s = int32_t(Channel(colorStart_, shift));
        const int32_t e = int32_t(Channel(colorEnd_, shift));
        color |= uint32_t(WrapChannel(s + int64_t{RoundInt((e - s) * f)})) << shift;
    }
    particle.startColor = color;
}

std::unique_ptr<TParticle> TStochasticParticleSystem::CreateParticle() {
    auto particle = std::make_unique<TStochasticParticle>();
    const double a = RandomSigned(360) * std::numbers::pi / 180;
    const int32_t r = RandomSigned(GetEmissionRadius());
    particle->startX = Clamp32(int64_t{GetEmissionX()} + RoundInt(r * std::cos(a)));
    particle->startY = Clamp32(int64_t{GetEmissionY()} + RoundInt(r * std::sin(a)));
    particle->x = particle->startX;
    particle->y = particle->startY;
    DrawRanges(*particle);
    const int32_t alfaStart = int32_t(Channel(colorStart_, 24));
    const int32_t alfaEnd = int32_t(Channel(colorEnd_, 24));
    const uint8_t alpha = WrapChannel(
        alfaStart +
        int64_t{RoundInt((alfaEnd - alfaStart) * double(RandomSigned(alfaVariation_)) / 100)});
    particle->startColor = (particle->startColor & 0x00FFFFFF) | uint32_t(alpha) << 24;
    particle->color = particle->startColor;
    return particle;
}

void TStochasticParticleSystem::UpdateParticle(TParticle& base, int32_t elapsedMs) {
    TStochasticParticle& p = static_cast<TStochasticParticle&>(base);
    p.age = Clamp32(int64_t{p.age} + elapsedMs);
    const double age = p.age;
    p.x = double(int64_t{p.startX} + RoundInt(p.speed * p.cosine * age / 1000));
    p.y = double(int64_t{p.startY} + RoundInt(p.speed * p.sine * age / 1000) +
                 RoundInt(p.gravity * age * age / 1000000 / 2));
    if (p.lifetime <= 0) {
        // No time to fade in: the end colour at once (the particle dies in
        // this update).
        p.color = colorEnd_;
        return;
    }
    uint32_t color = 0;
    for (const int shift : {16, 8, 0, 24}) {
        const int32_t s = int32_t(Channel(p.startColor, shift));
        const int32_t e = int32_t(Channel(colorEnd_, shift));
        color |= uint32_t(WrapChannel(s + int64_t{RoundInt(age * (e - s) / p.lifetime)})) << shift;
    }
    p.color = color;
}

void TStochasticParticleSystem::RemoveDeadParticles() {
    RemoveParticlesIf([](TParticle& base) {
        const TStochasticParticle& p = static_cast<TStochasticParticle&>(base);
        return p.age > p.lifetime;
    });
}

void TStochasticParticleSystem::EmitParticles(int32_t elapsedMs) {
    const int32_t n = RoundInt(double(GetEmissionCount()) * elapsedMs / 1000);
    for (int32_t i = 0; i < n && !IsFull(); ++i) AppendParticle(CreateParticle());
}

void TStochasticParticleSystem::BeginDraw() {
    if (image_) return;
    if (IWidget* sprite = Children().WidgetAtIndex(0)) image_ = sprite->GetSnapshot();
}

void TStochasticParticleSystem::EndDraw() {
    image_ = nullptr;
}

void TStochasticParticleSystem::DrawParticle(ISurface& surface, int32_t x, int32_t y,
                                             TParticle& base) {
    if (!image_) return;
    const TStochasticParticle& p = static_cast<TStochasticParticle&>(base);
    const int32_t w = image_->GetWidth();
    const int32_t h = image_->GetHeight();
    surface.DrawColored(p.color, image_.get(), {0, 0, w, h},
                        PlaceRect(int64_t{x} + RoundInt(p.x), int64_t{y} + RoundInt(p.y), w, h),
                        GetTransparentLevel(), TBlendingMode(blendingMode_));
}

// ---------------------------------------------------------------------------
// TMonteCarloParticleSystem

const TPropertyTable& TMonteCarloParticleSystem::Table() {
    using M = TMonteCarloParticleSystem;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<M>(TStochasticParticleSystem::Table())
            .Custom("widget", nullptr, &M::SetWidgetProperty)
            .Build();
    // clang-format on
    return table;
}

void TMonteCarloParticleSystem::SetWidgetProperty(TMonteCarloParticleSystem& system,
                                                  const Variant& value) {
    Ref<IWidget> widget;
    try {
        widget = Query<IWidget>(value.ToInterface());
    } catch (const Exception&) {
        return;  // not an interface: ignored
    }
    if (!widget) return;
    system.samplingRect_ = widget->GetBounds();
    system.samplingSurface_ = widget->GetSnapshot();
}

void TMonteCarloParticleSystem::Detach() {
    samplingSurface_ = nullptr;
    TStochasticParticleSystem::Detach();
}

std::unique_ptr<TParticle> TMonteCarloParticleSystem::CreateParticle() {
    if (!samplingSurface_) return nullptr;
    constexpr int kTries = 8;
    constexpr uint32_t kMinAlpha = 20;
    const int32_t width = Clamp32(samplingRect_.Width());
    const int32_t height = Clamp32(samplingRect_.Height());
    int32_t dx = 0, dy = 0;
    uint32_t pixel = 0;
    bool found = false;
    for (int i = 0; i < kTries && !found; ++i) {
        dx = RandomSigned(width);
        dy = RandomSigned(height);
        pixel = 0;  // left as it is outside the picture
        samplingSurface_->GetPixel(dx, dy, pixel);
        found = (pixel >> 24) >= kMinAlpha;
    }
    if (!found) return nullptr;
    auto particle = std::make_unique<TStochasticParticle>();
    particle->startX = Clamp32(int64_t{samplingRect_.left} + dx);
    particle->startY = Clamp32(int64_t{samplingRect_.top} + dy);
    particle->x = particle->startX;
    particle->y = particle->startY;
    DrawRanges(*particle);
    const int64_t alpha =
        std::clamp<int64_t>(int64_t{pixel >> 24} - RandomSigned(GetAlfaVariation()), 0, 255);
    particle->startColor = (particle->startColor & 0x00FFFFFF) | uint32_t(alpha) << 24;
    particle->color = particle->startColor;
    return particle;
}
