// Particle types and the multi-type particle system ("multi_particle_system").
//
// A particle type describes one kind of particle by data: a parameter space
// (the template of each particle's value table, laid out as in
// ParticlesCommon.h), a function whose sub-functions "Create" and "Update"
// compute a new particle's state and its drawing state, picture widgets
// ("widgets", hidden) and how the pictures are drawn. Types nest: a type's
// sub-types ("particle_types" of "particle_type") emit sub-particles into
// each particle of that type while it lives, a sub-type's "Create" inputs
// starting from the parent's cells of the same names. The system owns one
// root type, loaded from its own element, and the root type's single root
// particle, whose sub-particles are the visible ones; the whole tree advances
// once per frame or in steps of "delta_step" milliseconds.
//
// Stored keys of a type: "static_images" (yes), "use_local_images" (no: the
// root type's pictures are used; the root type always uses its own),
// "drawmode" ("fillcolor"), "blendingmode" ("normal"), "transparentlevel"
// (255), children "paramspace", "function", "particle_types", "widgets". The
// system adds "width", "height" (its size until the first update) and
// "delta_step". Properties of the system: "delta_step", "count" (every
// descendant of the root particle, read only), "static_images", "surface"
// (handed to the root function as in the function particle system) and any
// other name set on the root function. Commands: 1 adds a particle of the
// sub-type named by the parameter "particle_type" (else the first), 2 clears
// the tree. Both do nothing while the system is detached.
//
// Failures: nothing raises out of a frame. A rate that is not finite or is
// negative emits nothing; the tree holds at most kMaxLiveParticles particles
// and a frame runs at most kMaxStepsPerFrame steps (the rest only age the
// system); what goes beyond is dropped.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "effects/ParticlesCommon.h"
#include "functions/ParamSpaces.h"
#include "widgets/WidgetClasses.h"
#include "widgets/WidgetCollections.h"

class IParticleType;
class IParticleSystem;

// The pictures of a type: snapshots of its widgets, in widget order.
using TParticleImages = std::vector<Ref<ISurface>>;

// A particle of a type: its value table, its type and, when the type has
// sub-types, its sub-particles (oldest first). Freeing it frees its
// sub-particles and gives its cells back to its type's parameter space.
struct TMultiParticle {
    explicit TMultiParticle(int32_t* liveCounter);
    ~TMultiParticle();
    TMultiParticle(const TMultiParticle&) = delete;
    TMultiParticle& operator=(const TMultiParticle&) = delete;

    TFloatMatrix values;
    Ref<IParticleType> type;
    Ref<IParamSpace> space;  // where the cells came from
    bool hasSubParticles = false;
    std::vector<std::unique_ptr<TMultiParticle>> subParticles;

private:
    int32_t* live_;  // the system's count of particles, or null
};

// Whoever a type belongs to: the system for the root type, the parent type
// for a sub-type.
class IParticleTypeOwner : public virtual IInterface {
public:
    virtual IParticleSystem* GetParticleSystem() = 0;
    // What the type's function links its cells into; null for the root type.
    virtual IFunctionOwner* GetFunctionOwner() = 0;
};

class IParticleSystem : public virtual IWidget {
public:
    // The owner the system was attached to (null while detached).
    virtual IWidgetOwner* GetWidgetOwner() = 0;
    // The root type's pictures; null when it has none.
    virtual const TParticleImages* GetImages() = 0;
    // The particles of the whole tree, counted by the particles themselves.
    virtual int32_t* GetLiveCounter() = 0;
};

class IParticleType : public virtual INamedObject {
public:
    virtual void Attach(IParticleTypeOwner* owner) = 0;
    virtual void Detach() = 0;
    virtual void RebuildImages() = 0;
    virtual void UpdateType(int32_t elapsedMs) = 0;
    virtual Ref<IParamSpace> GetParamSpace() = 0;
    virtual bool GetUseLocalImages() = 0;
    virtual void SetUseLocalImages(bool value) = 0;
    virtual bool GetStaticImages() = 0;
    virtual void SetStaticImages(bool value) = 0;
    // Null without an image collection (use_local_images off, or detached).
    virtual const TParticleImages* GetImages() = 0;
    virtual Ref<IWidgetCollection> GetWidgets() = 0;
    virtual Ref<IFunction> GetFunction() = 0;
    // The area the particle's picture and its descendants' cover, from the
    // drawing origin; (0, 0, 0, 0) for none.
    virtual TRect GetParticleBounds(const TMultiParticle* particle) = 0;
    virtual std::unique_ptr<TMultiParticle> CreateParticle() = 0;
    virtual std::unique_ptr<TMultiParticle> CreateParticleWithParams(
        const Ref<IParamCollection>& params) = 0;
    virtual void DestroyParticle(std::unique_ptr<TMultiParticle>& particle) = 0;
    virtual bool IsParticleDead(const TMultiParticle* particle) = 0;
    virtual void UpdateParticle(TMultiParticle* particle, int32_t elapsedMs) = 0;
    virtual void PrepareFrameImages() = 0;
    virtual void ReleaseFrameImages() = 0;
    virtual void DrawParticle(ISurface& surface, int32_t x, int32_t y,
                              const TMultiParticle* particle) = 0;
    virtual void AddSubParticle(TMultiParticle* parent, const Ref<IParamCollection>& params) = 0;
    virtual void EmitSubParticles(TMultiParticle* parent, int32_t elapsedMs) = 0;
    virtual int32_t CountParticles(const TMultiParticle* particle) = 0;
};

class IParticleTypeCollection : public virtual ICollection {
public:
    // By position (an integer key) or by name (a text key); null when absent.
    virtual Ref<IParticleType> GetItem(const Variant& key) = 0;
};

class TParticleType;

// Element "particle_types", items "particle_type". Unnamed types are all
// kept.
class TParticleTypeCollection : public TTypedCollection<IParticleType, IParticleTypeCollection,
                                                        TStaticCreationPersistItemCollection> {
public:
    void Create() override;
    Ref<IParticleType> GetItem(const Variant& key) override { return Find(key); }
};

// Element "particle_type"; not registered.
class TParticleType : public TPropertyObject,
                      public virtual IParticleType,
                      public virtual IParticleTypeOwner {
public:
    TParticleType();
    ~TParticleType() override;
    void Create() override;

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;

    // IParticleType
    void Attach(IParticleTypeOwner* owner) override;
    void Detach() override;
    void RebuildImages() override;
    void UpdateType(int32_t elapsedMs) override;
    Ref<IParamSpace> GetParamSpace() override { return space_; }
    bool GetUseLocalImages() override { return useLocalImages_; }
    void SetUseLocalImages(bool value) override { useLocalImages_ = value; }
    bool GetStaticImages() override { return staticImages_; }
    void SetStaticImages(bool value) override;
    const TParticleImages* GetImages() override { return images_.get(); }
    Ref<IWidgetCollection> GetWidgets() override { return widgets_; }
    Ref<IFunction> GetFunction() override { return function_; }
    TRect GetParticleBounds(const TMultiParticle* particle) override;
    std::unique_ptr<TMultiParticle> CreateParticle() override;
    std::unique_ptr<TMultiParticle> CreateParticleWithParams(
        const Ref<IParamCollection>& params) override;
    void DestroyParticle(std::unique_ptr<TMultiParticle>& particle) override { particle.reset(); }
    bool IsParticleDead(const TMultiParticle* particle) override;
    void UpdateParticle(TMultiParticle* particle, int32_t elapsedMs) override;
    // Per-frame pictures (use_local_images on, static_images off), this type
    // and its sub-types.
    void PrepareFrameImages() override;
    void ReleaseFrameImages() override;
    void DrawParticle(ISurface& surface, int32_t x, int32_t y,
                      const TMultiParticle* particle) override;
    void AddSubParticle(TMultiParticle* parent, const Ref<IParamCollection>& params) override;
    void EmitSubParticles(TMultiParticle* parent, int32_t elapsedMs) override;
    int32_t CountParticles(const TMultiParticle* particle) override;

    // IParticleTypeOwner: the sub-types' system, and this type's function.
    IParticleSystem* GetParticleSystem() override { return system_; }
    IFunctionOwner* GetFunctionOwner() override;

    // The function's parameter "surface" carries a handle of the surface
    // (null: 0); the type holds one reference until it is replaced, the type
    // is detached or goes. Nothing without a function.
    void SetSurface(const Ref<ISurface>& surface);
    const Ref<IParticleTypeCollection>& GetSubTypes() const { return subTypes_; }
    uint8_t GetDrawMode() const { return drawMode_; }
    uint8_t GetTypeTransparentLevel() const { return transparentLevel_; }

private:
    // The picture a particle draws with; null for none.
    ISurface* PictureOf(const TMultiParticle* particle);
    void BuildImages();
    void ClearImages();
    void ReleaseSurface();
    bool Full() const;
    int32_t Room() const;

    // A sub-type's "Create" input bound to a cell of the parent type's
    // layout.
    struct TBinding {
        int32_t input;
        int32_t column;
        int32_t row;
    };

    IParticleTypeOwner* owner_ = nullptr;  // back-link, set by Attach
    IParticleSystem* system_ = nullptr;    // back-link, set by Attach
    Ref<IParticleTypeCollection> subTypes_;
    std::vector<TParticleType*> subTypeList_;  // the sub-types, for the per-frame walks
    bool useLocalImages_ = false;
    bool staticImages_ = true;
    Ref<TWidgetCollection> widgets_;
    std::unique_ptr<TParticleImages> images_;
    uint8_t drawMode_ = kDrawModeCopyRect;
    uint8_t blendingMode_ = 0;
    uint8_t transparentLevel_ = 255;
    Ref<TParamSpace> space_;
    Ref<IFunction> function_;
    Ref<IFunction> create_;
    Ref<IFunction> update_;
    std::vector<TBinding> bindings_;
    double surfaceHandle_ = 0;
};

class TMultiParticleSystem : public TVisualWidget,
                             public virtual IParticleSystem,
                             public virtual IParticleTypeOwner {
public:
    TMultiParticleSystem();
    ~TMultiParticleSystem() override;

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    // The widget's keys, the bounds from the place and size, then the root
    // type from the same element (its pictures always its own).
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    void SaveTo(const Ref<IHierStorage>& storage) override;
    void SetProperty(const std::string& name, const Variant& value) override;

    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    void Invalidate() override;
    Ref<IWidgetCollection> GetChildren() override;
    Ref<IWidget> GetChild(const Variant& key) override;
    TRect GetBounds() override { return bounds_; }
    int32_t GetWidth() override { return int32_t(bounds_.Width()); }
    int32_t GetHeight() override { return int32_t(bounds_.Height()); }
    double GetDrawLeft() override { return bounds_.left; }
    double GetDrawTop() override { return bounds_.top; }
    void DoUpdate(int32_t elapsedMs) override;
    void Render(ISurface& surface, int32_t x, int32_t y) override;
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override;

    // IParticleSystem
    IWidgetOwner* GetWidgetOwner() override { return GetOwner(); }
    const TParticleImages* GetImages() override { return rootType_->GetImages(); }
    int32_t* GetLiveCounter() override { return &live_; }
    // IParticleTypeOwner
    IParticleSystem* GetParticleSystem() override { return this; }
    IFunctionOwner* GetFunctionOwner() override { return nullptr; }

    // Every descendant of the root particle.
    int32_t GetParticleCount();
    const Ref<TParticleType>& GetRootType() const { return rootType_; }
    TMultiParticle* GetRootParticle() const { return rootParticle_.get(); }

private:
    static void SetStaticImagesProperty(TMultiParticleSystem& system, const Variant& value);
    static void SetSurfaceProperty(TMultiParticleSystem& system, const Variant& value);
    void Step(int32_t elapsedMs);

    std::unique_ptr<TMultiParticle> rootParticle_;
    Ref<TParticleType> rootType_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    TRect bounds_;
    int32_t deltaStep_ = 0;
    int64_t stepAccumulator_ = 0;
    int32_t live_ = 0;
};
