#include "effects/ParticlesMulti.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/object/GeneralClasses.h"
#include "functions/FunctionClasses.h"

namespace {

int32_t Clamp32(int64_t value) {
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

}  // namespace

// ---------------------------------------------------------------------------
// TMultiParticle

TMultiParticle::TMultiParticle(int32_t* liveCounter) : live_(liveCounter) {
    if (live_) ++*live_;
}

TMultiParticle::~TMultiParticle() {
    // Sub-particles go from the last to the first, before their parent.
    while (!subParticles.empty()) subParticles.pop_back();
    if (space) space->FreeValues(values);
    if (live_) --*live_;
}

// ---------------------------------------------------------------------------
// TParticleTypeCollection

void TParticleTypeCollection::Create() {
    TTypedCollection::Create();
    SetNodeName("particle_types");
    SetItemNodeName("particle_type");
    SetItemClass(ClassOf<TParticleType>());
    SetEmptyNamesRepeat(true);
}

// ---------------------------------------------------------------------------
// TParticleType

TParticleType::TParticleType() : space_(CreateObject<TParamSpace>()) {}

TParticleType::~TParticleType() {
    ReleaseSurface();
    if (function_ && owner_) function_->ReleaseOwner();
}

void TParticleType::Create() {
    TPropertyObject::Create();
    SetNodeName("particle_type");
}

const TPropertyTable& TParticleType::Table() {
    using T = TParticleType;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<T>(TPropertyObject::Table())
            .Field("static_images", &T::staticImages_, true)
            .Field("use_local_images", &T::useLocalImages_, false)
            .Field("drawmode", &T::drawMode_, kDrawModeFillColor).Enum(kDrawModeNames)
            .Field("blendingmode", &T::blendingMode_, 0).Enum(kBlendingModeNames)
            .Field("transparentlevel", &T::transparentLevel_, 255)
            .Build();
    // clang-format on
    return table;
}

void TParticleType::LoadFrom(const Ref<IHierStorage>& storage) {
    TPropertyObject::LoadFrom(storage);
    if (!storage) return;
    // The space stays the same object: cells already copied from it remain
    // valid while their particles live.
    space_->ReleaseParentSpace();
    space_->GetParamDefs()->Clear();
    LoadChildObject(Ref<IInterface>(space_), storage, "paramspace", 0);
    space_->SetParentSpace(nullptr);
    function_ = LoadChildFunction(storage);
    subTypes_ = Query<IParticleTypeCollection>(
        CreateChildObject(ClassOf<TParticleTypeCollection>(), storage, "particle_types", 0));
    widgets_ = nullptr;
    if (Ref<TAbstractObject> widgets =
            CreateChildObject(ClassOf<TWidgetCollection>(), storage, "widgets", 0)) {
        widgets_ = Ref<TWidgetCollection>(dynamic_cast<TWidgetCollection*>(widgets.get()));
    }
    if (widgets_) widgets_->ForEachWidget([](IWidget& widget) { widget.SetVisible(false); });
}

void TParticleType::SaveTo(const Ref<IHierStorage>& storage) {
    TPropertyObject::SaveTo(storage);
    SaveChildObject(Ref<IInterface>(space_), storage, "paramspace");
    if (function_) SaveChildObject(Ref<IInterface>(function_), storage, "function");
    if (subTypes_) SaveChildObject(Ref<IInterface>(subTypes_), storage, "particle_types");
    if (widgets_) SaveChildObject(Ref<IInterface>(widgets_), storage, "widgets");
}

IFunctionOwner* TParticleType::GetFunctionOwner() {
    return dynamic_cast<IFunctionOwner*>(function_.get());
}

void TParticleType::Attach(IParticleTypeOwner* owner) {
    owner_ = owner;
    system_ = owner ? owner->GetParticleSystem() : nullptr;
    if (widgets_ && system_ && system_->GetWidgetOwner()) {
        widgets_->AttachAll(system_->GetWidgetOwner());
    }
    if (function_) {
        function_->SetOwner(owner ? owner->GetFunctionOwner() : nullptr);
        function_->Prepare();
        if (const Ref<IFunctionCollection> subs = function_->GetFunctions()) {
            create_ = subs->GetItemByName("Create");
            update_ = subs->GetItemByName("Update");
        }
    }
    // A sub-type's "Create" inputs read the parent's cells of their names.
    bindings_.clear();
    TParticleType* parent = dynamic_cast<TParticleType*>(owner);
    if (create_ && parent) {
        const Ref<IParamDefCollection> defs = parent->space_->GetParamDefs();
        const int32_t inputs = create_->GetInputCount();
        for (int32_t i = 0; i < inputs; ++i) {
            const std::string name = create_->GetParamOutName(1, i);
            if (name.empty()) continue;
            if (const Ref<IParamDef> def = defs->GetItemByName(name)) {
                bindings_.push_back({i, def->GetCol(), def->GetRow()});
            }
        }
    }
    if (useLocalImages_) images_ = std::make_unique<TParticleImages>();
    if (useLocalImages_ && staticImages_) BuildImages();
    subTypeList_.clear();
    if (subTypes_) {
        const int32_t count = subTypes_->GetCount();
        for (int32_t i = 0; i < count; ++i) {
            if (const Ref<IParticleType> sub = subTypes_->GetItem(Variant(i))) {
                if (auto* type = dynamic_cast<TParticleType*>(sub.get()))
                    subTypeList_.push_back(type);
            }
        }
    }
    for (TParticleType* sub : subTypeList_) sub->Attach(this);
}

void TParticleType::Detach() {
    for (TParticleType* sub : subTypeList_) sub->Detach();
    ClearImages();
    images_.reset();
    if (widgets_) widgets_->DetachAll();
    create_ = update_ = nullptr;
    bindings_.clear();
    if (function_) {
        ReleaseSurface();
        if (owner_) function_->ReleaseOwner();
    }
    owner_ = nullptr;
    system_ = nullptr;
}

void TParticleType::SetSurface(const Ref<ISurface>& surface) {
    if (!function_) return;
    ReleaseSurface();
    surfaceHandle_ = AcquireSurfaceHandle(surface);
    function_->SetValue("surface", surfaceHandle_);
}

void TParticleType::ReleaseSurface() {
    if (surfaceHandle_ == 0) return;
    ReleaseSurfaceHandle(surfaceHandle_);
    surfaceHandle_ = 0;
    if (function_) function_->SetValue("surface", 0);
}

void TParticleType::BuildImages() {
    ClearImages();
    if (!widgets_ || !images_) return;
    widgets_->ForEachWidget([this](IWidget& widget) {
        if (Ref<ISurface> snapshot = widget.GetSnapshot()) images_->push_back(std::move(snapshot));
    });
}

void TParticleType::ClearImages() {
    if (images_) images_->clear();
}

void TParticleType::RebuildImages() {
    if (useLocalImages_ && staticImages_) BuildImages();
    for (TParticleType* sub : subTypeList_) sub->RebuildImages();
}

void TParticleType::SetStaticImages(bool value) {
    if (value == staticImages_) return;
    if (staticImages_) ClearImages();
    staticImages_ = value;
    if (staticImages_) BuildImages();
}

void TParticleType::PrepareFrameImages() {
    if (useLocalImages_ && !staticImages_) BuildImages();
    for (TParticleType* sub : subTypeList_) sub->PrepareFrameImages();
}

void TParticleType::ReleaseFrameImages() {
    if (useLocalImages_ && !staticImages_) ClearImages();
    for (TParticleType* sub : subTypeList_) sub->ReleaseFrameImages();
}

void TParticleType::UpdateType(int32_t elapsedMs) {
    if (function_ && system_) {
        try {
            function_->SetInput(0, system_->GetProperty("currenttime").ToDouble());
        } catch (const Exception&) {
            // An age that is no number leaves the input.
        }
    }
    for (TParticleType* sub : subTypeList_) sub->UpdateType(elapsedMs);
    if (widgets_) {
        // Several steps may run in one frame: each animates the pictures.
        widgets_->ForEachWidget([](IWidget& widget) { widget.SetUpdated(false); });
        widgets_->UpdateAll(elapsedMs);
    }
}

bool TParticleType::Full() const {
    int32_t* live = system_ ? system_->GetLiveCounter() : nullptr;
    return live && *live >= kMaxLiveParticles;
}

int32_t TParticleType::Room() const {
    int32_t* live = system_ ? system_->GetLiveCounter() : nullptr;
    return live ? std::max(kMaxLiveParticles - *live, 0) : kMaxLiveParticles;
}

std::unique_ptr<TMultiParticle> TParticleType::CreateParticle() {
    auto particle = std::make_unique<TMultiParticle>(system_ ? system_->GetLiveCounter() : nullptr);
    particle->space = space_;
    particle->values = space_->CopyValues();
    particle->type = Ref<IParticleType>(this);
    particle->hasSubParticles = !subTypeList_.empty();
    if (create_) {
        create_->Calculate();
        const int32_t count = std::min(create_->GetOutputCount(), RowCount(particle->values, 1));
        for (int32_t i = 0; i < count; ++i)
            WriteCell(particle->values, 1, i, create_->GetOutput(i));
    }
    return particle;
}

std::unique_ptr<TMultiParticle> TParticleType::CreateParticleWithParams(
    const Ref<IParamCollection>& params) {
    if (create_ && params) {
        const int32_t count = params->GetCount();
        for (int32_t i = 0; i < count; ++i) {
            const Ref<IParam> param = params->GetParam(Variant(i));
            if (!param) continue;
            try {
                create_->SetValue(param->GetName(), param->GetValue().ToDouble());
            } catch (const Exception&) {
                // A value that is no number sets nothing.
            }
        }
    }
    return CreateParticle();
}

bool TParticleType::IsParticleDead(const TMultiParticle* particle) {
    if (!particle || RowCount(particle->values, 0) < 2) return true;
    return ReadCell(particle->values, 0, 0) > 0 && particle->subParticles.empty();
}

void TParticleType::UpdateParticle(TMultiParticle* particle, int32_t elapsedMs) {
    if (!particle) return;
    const TFloatMatrix& values = particle->values;
    if (values.size() >= 2) {
        if (TFloatType* age = CellAt(values, 1, 0)) *age = NarrowToCell(double(*age) + elapsedMs);
        if (update_) {
            const int32_t inputs = std::min(update_->GetInputCount(), RowCount(values, 1));
            for (int32_t i = 0; i < inputs; ++i) update_->SetInput(i, ReadCell(values, 1, i));
            update_->Prepare();
            update_->Calculate();
            const int32_t outputs = std::min(update_->GetOutputCount(), RowCount(values, 0));
            for (int32_t i = 0; i < outputs; ++i) WriteCell(values, 0, i, update_->GetOutput(i));
        }
    }
    for (const std::unique_ptr<TMultiParticle>& sub : particle->subParticles) {
        if (sub->type) sub->type->UpdateParticle(sub.get(), elapsedMs);
    }
    const bool emitting = RowCount(values, 0) < 2 || ReadCell(values, 0, 0) == 0;
    if (emitting) {
        for (TParticleType* sub : subTypeList_) sub->EmitSubParticles(particle, elapsedMs);
    }
    std::vector<std::unique_ptr<TMultiParticle>>& subs = particle->subParticles;
    for (size_t i = subs.size(); i-- > 0;) {
        IParticleType* type = subs[i]->type.get();
        if (!type || type->IsParticleDead(subs[i].get())) subs[i].reset();
    }
    std::erase(subs, nullptr);
}

void TParticleType::EmitSubParticles(TMultiParticle* parent, int32_t elapsedMs) {
    if (!parent || !parent->hasSubParticles || !create_) return;
    for (const TBinding& binding : bindings_) {
        create_->SetInput(binding.input, ReadCell(parent->values, binding.column, binding.row));
    }
    create_->Prepare();
    const float rate = NarrowToCell(create_->GetValue("count"));
    const float amount = rate * float(elapsedMs) / 1000.0f;
    if (!(std::isfinite(amount) && amount > 0)) return;
    // Beyond the cap the particles are dropped, not owed.
    const int32_t n = std::min(RoundInt(amount), Room());
    if (n <= 0) return;
    create_->SetValue("total_index", n);
    for (int32_t i = 0; i < n; ++i) {
        create_->SetValue("index", i);
        std::unique_ptr<TMultiParticle> particle = CreateParticle();
        if (!particle) continue;
        UpdateParticle(particle.get(), 0);
        parent->subParticles.push_back(std::move(particle));
    }
}

void TParticleType::AddSubParticle(TMultiParticle* parent, const Ref<IParamCollection>& params) {
    if (!parent || !parent->hasSubParticles || subTypeList_.empty() || Full()) return;
    TParticleType* type = subTypeList_.front();
    if (params && subTypes_) {
        const std::string name = params->GetValue("particle_type", Variant("")).ToString();
        if (auto* named = dynamic_cast<TParticleType*>(subTypes_->GetItem(Variant(name)).get())) {
            type = named;
        }
    }
    std::unique_ptr<TMultiParticle> particle = type->CreateParticleWithParams(params);
    if (!particle) return;
    type->UpdateParticle(particle.get(), 0);
    parent->subParticles.push_back(std::move(particle));
}

ISurface* TParticleType::PictureOf(const TMultiParticle* particle) {
    const int32_t index = PictureIndexOf(particle->values);
    if (index < 0) return nullptr;
    const TParticleImages* images =
        useLocalImages_ ? images_.get() : (system_ ? system_->GetImages() : nullptr);
    if (!images || size_t(index) >= images->size()) return nullptr;
    return (*images)[size_t(index)].get();
}

void TParticleType::DrawParticle(ISurface& surface, int32_t x, int32_t y,
                                 const TMultiParticle* particle) {
    if (!particle) return;
    if (ISurface* picture = PictureOf(particle)) {
        DrawTableParticle(surface, x, y, particle->values, *picture, drawMode_, blendingMode_,
                          transparentLevel_);
    }
    // Parents under their children.
    for (const std::unique_ptr<TMultiParticle>& sub : particle->subParticles) {
        if (sub->type) sub->type->DrawParticle(surface, x, y, sub.get());
    }
}

TRect TParticleType::GetParticleBounds(const TMultiParticle* particle) {
    TRect bounds;
    if (!particle) return bounds;
    bool any = false;
    if (ISurface* picture = PictureOf(particle)) {
        bounds =
            TableParticleRect(particle->values, 0, 0, picture->GetWidth(), picture->GetHeight());
        any = true;
    }
    for (const std::unique_ptr<TMultiParticle>& sub : particle->subParticles) {
        if (!sub->type) continue;
        const TRect rect = sub->type->GetParticleBounds(sub.get());
        // An empty area (a particle without picture) would stretch the box
        // to the origin.
        if (rect.IsEmpty()) continue;
        bounds = any ? UniteRect(bounds, rect) : rect;
        any = true;
    }
    return bounds;
}

int32_t TParticleType::CountParticles(const TMultiParticle* particle) {
    if (!particle) return 0;
    int64_t count = int64_t(particle->subParticles.size());
    for (const std::unique_ptr<TMultiParticle>& sub : particle->subParticles) {
        if (sub->type && sub->hasSubParticles) count += sub->type->CountParticles(sub.get());
    }
    return Clamp32(count);
}

// ---------------------------------------------------------------------------
// TMultiParticleSystem

TMultiParticleSystem::TMultiParticleSystem() : rootType_(CreateObject<TParticleType>()) {}

TMultiParticleSystem::~TMultiParticleSystem() {
    rootParticle_.reset();
    rootType_->Detach();
}

const TPropertyTable& TMultiParticleSystem::Table() {
    using W = TMultiParticleSystem;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TVisualWidget::Table())
            .Field("width", &W::width_, 0).StorageOnly()
            .Field("height", &W::height_, 0).StorageOnly()
            .Field("delta_step", &W::deltaStep_, 0)
            .Accessor("count", &W::GetParticleCount, nullptr)
            .Custom("static_images", nullptr, &W::SetStaticImagesProperty)
            .Custom("surface", nullptr, &W::SetSurfaceProperty)
            .Build();
    // clang-format on
    return table;
}

void TMultiParticleSystem::LoadFrom(const Ref<IHierStorage>& storage) {
    rootParticle_.reset();
    TVisualWidget::LoadFrom(storage);
    const int32_t left = RoundInt(GetLeft());
    const int32_t top = RoundInt(GetTop());
    bounds_ = PlaceRect(left, top, width_, height_);
    rootType_->Load(storage);
    rootType_->SetUseLocalImages(true);
}

void TMultiParticleSystem::SaveTo(const Ref<IHierStorage>& storage) {
    TVisualWidget::SaveTo(storage);
    rootType_->Save(storage);
}

void TMultiParticleSystem::SetStaticImagesProperty(TMultiParticleSystem& system,
                                                   const Variant& value) {
    system.rootType_->SetStaticImages(value.ToBool());
}

void TMultiParticleSystem::SetSurfaceProperty(TMultiParticleSystem& system, const Variant& value) {
    Ref<ISurface> surface;
    try {
        surface = Query<ISurface>(value.ToInterface());
    } catch (const Exception&) {
        // Not an interface: the parameter carries no surface.
    }
    system.rootType_->SetSurface(surface);
}

void TMultiParticleSystem::SetProperty(const std::string& name, const Variant& value) {
    TVisualWidget::SetProperty(name, value);
    if (name == "delta_step" || name == "static_images" || name == "surface") return;
    const Ref<IFunction> function = rootType_->GetFunction();
    if (!function || value.IsUnassigned() || value.Get<Ref<IInterface>>()) return;
    try {
        function->SetValue(name, value.ToDouble());
    } catch (const Exception&) {
        // A value that is no number sets nothing.
    }
}

void TMultiParticleSystem::Attach(IWidgetOwner* owner) {
    TVisualWidget::Attach(owner);
    rootType_->Attach(this);
    rootParticle_ = rootType_->CreateParticle();
}

void TMultiParticleSystem::Detach() {
    rootParticle_.reset();
    rootType_->Detach();
    TVisualWidget::Detach();
}

void TMultiParticleSystem::Invalidate() {
    TVisualWidget::Invalidate();
    rootType_->RebuildImages();
}

Ref<IWidgetCollection> TMultiParticleSystem::GetChildren() {
    return rootType_->GetWidgets();
}

Ref<IWidget> TMultiParticleSystem::GetChild(const Variant& key) {
    const Ref<IWidgetCollection> widgets = rootType_->GetWidgets();
    return widgets ? widgets->GetWidget(key) : nullptr;
}

int32_t TMultiParticleSystem::GetParticleCount() {
    return rootType_->CountParticles(rootParticle_.get());
}

void TMultiParticleSystem::Step(int32_t elapsedMs) {
    rootType_->UpdateType(elapsedMs);
    rootType_->UpdateParticle(rootParticle_.get(), elapsedMs);
}

void TMultiParticleSystem::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TVisualWidget::DoUpdate(elapsedMs);
    bounds_ = {};
    const size_t before = rootParticle_ ? rootParticle_->subParticles.size() : 0;
    if (deltaStep_ < 1) {
        Step(elapsedMs);
    } else {
        stepAccumulator_ += elapsedMs;
        if (stepAccumulator_ >= deltaStep_) {
            // The frame's time leaves the age and comes back in whole steps;
            // steps beyond the cap only age the system.
            const int64_t steps = stepAccumulator_ / deltaStep_;
            const int64_t run = std::min<int64_t>(steps, kMaxStepsPerFrame);
            stepAccumulator_ -= steps * deltaStep_;
            SetCurrentTime(
                Clamp32(int64_t{GetCurrentTime()} - elapsedMs + (steps - run) * deltaStep_));
            for (int64_t i = 0; i < run; ++i) {
                SetCurrentTime(Clamp32(int64_t{GetCurrentTime()} + deltaStep_));
                if (GetCurrentTime() >= deltaStep_) Step(deltaStep_);
            }
        }
    }
    rootType_->PrepareFrameImages();
    bounds_ = rootType_->GetParticleBounds(rootParticle_.get());
    const size_t after = rootParticle_ ? rootParticle_->subParticles.size() : 0;
    SetMoved(before > 0 || after > 0);
    bounds_ = MoveRect(bounds_, RoundInt(GetLeft()), RoundInt(GetTop()));
}

void TMultiParticleSystem::Render(ISurface& surface, int32_t x, int32_t y) {
    rootType_->DrawParticle(surface, x, y, rootParticle_.get());
    rootType_->ReleaseFrameImages();
}

void TMultiParticleSystem::ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) {
    TVisualWidget::ExecuteCommand(command, params);
    // Detached, there is no tree to change.
    if (!rootParticle_) return;
    if (command == 1) {
        rootType_->AddSubParticle(rootParticle_.get(), params);
    } else if (command == 2) {
        rootParticle_.reset();
        rootParticle_ = rootType_->CreateParticle();
        CollectDirtyRects(true, true);
    }
}
