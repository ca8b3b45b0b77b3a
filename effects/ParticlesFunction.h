// "function_particle_system": particles described entirely by function
// objects. Each particle is a copy of the system's parameter space's value
// table (the layout is in ParticlesCommon.h); the sub-function "Create" of
// the system's function computes a new particle's state (its outputs go to
// column 1) and, in its parameter "count", the emission rate per second; the
// sub-function "Update" computes from a particle's state (its inputs, column
// 1) what is drawn (its outputs, column 0). The system's age is input 0 of
// the function. The pictures are snapshots of the system's children (taken
// at attach when "static_images" is on, else for every draw), which are
// hidden: they only serve as templates.
//
// Stored keys: "width", "height", "init_creation_count" (a burst emitted once,
// when the age is 0 or more), "delta_step" (a fixed emission step; -1 means
// no emission at all), "static_images" (yes), "drawmode" ("fillcolor"),
// "blendingmode" ("normal"), then the children "paramspace" and "function".
// Properties: "delta_step", "init_creation_count", "static_images", "count"
// (read only), "widget" (its snapshot becomes the "surface"), "surface" (the
// function's parameter "surface" carries a handle of it, see
// AcquireSurfaceHandle; the system holds one reference until it is replaced
// or the system goes), and any other name is set on the function.
// Commands: 1 adds one particle whose cells named in the parameters take
// their values, 2 removes every particle.
//
// Failures: nothing raises out of a frame. A rate that is not finite or is
// negative emits nothing; emission, bursts and commands stop at
// kMaxLiveParticles live particles and a frame runs at most
// kMaxStepsPerFrame steps; the excess is dropped. A picture index, position
// or colour that is not finite draws nothing or its nearest value.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "effects/ParticlesCommon.h"
#include "functions/ParamSpaces.h"
#include "widgets/GroupWidgets.h"

// A particle of the function system: its own value table.
struct TFunctionParticle {
    TFloatMatrix values;
};

class TFunctionParticleSystem : public TGroupWidget {
public:
    TFunctionParticleSystem();
    ~TFunctionParticleSystem() override;

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The table, the children, then the parameter space (its table built
    // with no parent) and the function (bound to no owner).
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    // Frees the particles and drops the function and the parameter space's
    // definitions.
    void ClearContent() override;
    void SetProperty(const std::string& name, const Variant& value) override;

    // Prepares the function, finds "Create" and "Update", takes the static
    // pictures and hides the children.
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    // Takes the static pictures again.
    void Invalidate() override;
    void DoUpdate(int32_t elapsedMs) override;
    void Render(ISurface& surface, int32_t x, int32_t y) override;
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override;
    int32_t GetWidth() override { return width_; }
    int32_t GetHeight() override { return height_; }
    TRect GetBounds() override { return bounds_; }
    // Sparks are light, not matter: a point under them belongs to whatever
    // they play over, so a hit test never finds the system (its bounds follow
    // the particles, which wander at random).
    bool ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) override;

    int32_t GetParticleCount() const { return int32_t(particles_.size()); }
    const std::vector<std::unique_ptr<TFunctionParticle>>& Particles() const { return particles_; }
    const Ref<TParamSpace>& GetParamSpace() const { return space_; }
    const Ref<IFunction>& GetFunction() const { return function_; }
    const std::vector<Ref<ISurface>>& GetImages() const { return images_; }
    bool GetStaticImages() const { return staticImages_; }
    void SetStaticImages(bool value);
    int32_t GetInitCreationCount() const { return initCreationCount_; }

protected:
    // A particle from the Create function (or with the template's values).
    virtual std::unique_ptr<TFunctionParticle> CreateParticle();
    // One particle ("index" 0 of "total_index" 1) whose cells named by the
    // parameters take their values.
    virtual std::unique_ptr<TFunctionParticle> CreateParticleWithParams(
        const Ref<IParamCollection>& params);
    virtual void DrawParticle(ISurface& surface, int32_t x, int32_t y, TFunctionParticle& particle);
    virtual void UpdateParticle(TFunctionParticle& particle, int32_t elapsedMs);
    // Those whose dead flag (0, 0) is above 0.
    virtual void RemoveDeadParticles();
    // count particles, "index" 0..count-1 of "total_index" count, each
    // advanced by 0 ms.
    virtual void SpawnParticle(int32_t count);
    // The rate times the time, fractions carried to the next call.
    virtual void EmitParticles(int32_t elapsedMs);
    virtual void BeginDraw();
    virtual void EndDraw();

private:
    static void SetWidgetProperty(TFunctionParticleSystem& system, const Variant& value);
    static void SetSurfaceProperty(TFunctionParticleSystem& system, const Variant& value);
    void SetSurface(const Ref<ISurface>& surface);
    void ReleaseSurface();
    // Appends unless the system is full (the particle is then freed).
    void Append(std::unique_ptr<TFunctionParticle> particle);
    void Destroy(std::unique_ptr<TFunctionParticle>& particle);
    void DestroyAll();
    void BuildImages();
    void ClearImages() { images_.clear(); }
    void ComputeBounds();
    int32_t Room() const { return kMaxLiveParticles - int32_t(particles_.size()); }

    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t initCreationCount_ = 0;
    bool staticImages_ = true;
    std::vector<Ref<ISurface>> images_;
    std::vector<std::unique_ptr<TFunctionParticle>> particles_;
    int32_t deltaStep_ = 0;
    int64_t stepAccumulator_ = 0;
    float emissionAccumulator_ = 0;
    Ref<TParamSpace> space_;
    Ref<IFunction> function_;
    Ref<IFunction> create_;
    Ref<IFunction> update_;
    uint8_t drawMode_ = kDrawModeFillColor;
    uint8_t blendingMode_ = 0;
    TRect bounds_{-1, -1, -1, -1};
    double surfaceHandle_ = 0;  // the handle this system acquired, 0 for none
};
