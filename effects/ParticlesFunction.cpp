#include "effects/ParticlesFunction.h"

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

TFunctionParticleSystem::TFunctionParticleSystem() : space_(CreateObject<TParamSpace>()) {}

TFunctionParticleSystem::~TFunctionParticleSystem() {
    ReleaseSurface();
    if (function_) function_->ReleaseOwner();
    // The particles' cells belong to the parameter space: they go first.
    DestroyAll();
}

const TPropertyTable& TFunctionParticleSystem::Table() {
    using W = TFunctionParticleSystem;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TGroupWidget::Table())
            .Field("width", &W::width_, 0).StorageOnly()
            .Field("height", &W::height_, 0).StorageOnly()
            .Field("init_creation_count", &W::initCreationCount_, 0)
            .Field("delta_step", &W::deltaStep_, 0)
            .Accessor("static_images", &W::GetStaticImages, &W::SetStaticImages).NotStored().NoAssign()
            .Field("static_images", &W::staticImages_, true).StorageOnly()
            .Field("drawmode", &W::drawMode_, kDrawModeFillColor).Enum(kDrawModeNames).StorageOnly()
            .Field("blendingmode", &W::blendingMode_, 0).Enum(kBlendingModeNames).StorageOnly()
            .Accessor("count", &W::GetParticleCount, nullptr)
            .Custom("widget", nullptr, &W::SetWidgetProperty)
            .Custom("surface", nullptr, &W::SetSurfaceProperty)
            .Build();
    // clang-format on
    return table;
}

void TFunctionParticleSystem::LoadFrom(const Ref<IHierStorage>& storage) {
    DestroyAll();
    ReleaseSurface();
    if (function_) function_->ReleaseOwner();
    function_ = create_ = update_ = nullptr;
    space_ = CreateObject<TParamSpace>();
    TGroupWidget::LoadFrom(storage);
    if (!storage) return;
    if (LoadChildObject(Ref<IInterface>(space_), storage, "paramspace", 0)) {
        space_->SetParentSpace(nullptr);
    }
    function_ = LoadChildFunction(storage);
    if (function_) function_->SetOwner(nullptr);
}

void TFunctionParticleSystem::SaveTo(const Ref<IHierStorage>& storage) {
    TGroupWidget::SaveTo(storage);
    SaveChildObject(Ref<IInterface>(space_), storage, "paramspace");
    if (function_) SaveChildObject(Ref<IInterface>(function_), storage, "function");
}

void TFunctionParticleSystem::ClearContent() {
    DestroyAll();
    ReleaseSurface();
    if (function_) function_->ReleaseOwner();
    function_ = create_ = update_ = nullptr;
    space_->ReleaseParentSpace();
    space_ = CreateObject<TParamSpace>();
    TGroupWidget::ClearContent();
}

void TFunctionParticleSystem::SetProperty(const std::string& name, const Variant& value) {
    TGroupWidget::SetProperty(name, value);
    if (name == "delta_step" || name == "init_creation_count" || name == "static_images" ||
        name == "widget" || name == "surface") {
        return;
    }
    if (!function_ || value.IsUnassigned() || value.Get<Ref<IInterface>>()) return;
    try {
        function_->SetValue(name, value.ToDouble());
    } catch (const Exception&) {
        // A value that is no number sets nothing.
    }
}

void TFunctionParticleSystem::SetWidgetProperty(TFunctionParticleSystem& system,
                                                const Variant& value) {
    Ref<IWidget> widget;
    try {
        widget = Query<IWidget>(value.ToInterface());
    } catch (const Exception&) {
        return;
    }
    if (widget) system.SetSurface(widget->GetSnapshot());
}

void TFunctionParticleSystem::SetSurfaceProperty(TFunctionParticleSystem& system,
                                                 const Variant& value) {
    Ref<ISurface> surface;
    try {
        surface = Query<ISurface>(value.ToInterface());
    } catch (const Exception&) {
        // Not an interface: the parameter carries no surface.
    }
    system.SetSurface(surface);
}

void TFunctionParticleSystem::SetSurface(const Ref<ISurface>& surface) {
    if (!function_) return;
    ReleaseSurface();
    surfaceHandle_ = AcquireSurfaceHandle(surface);
    function_->SetValue("surface", surfaceHandle_);
}

void TFunctionParticleSystem::ReleaseSurface() {
    if (surfaceHandle_ == 0) return;
    ReleaseSurfaceHandle(surfaceHandle_);
    surfaceHandle_ = 0;
    if (function_) function_->SetValue("surface", 0);
}

void TFunctionParticleSystem::SetStaticImages(bool value) {
    if (staticImages_) ClearImages();
    staticImages_ = value;
    if (staticImages_) BuildImages();
}

void TFunctionParticleSystem::Attach(IWidgetOwner* owner) {
    TGroupWidget::Attach(owner);
    if (function_) {
        function_->Prepare();
        if (const Ref<IFunctionCollection> subs = function_->GetFunctions()) {
            create_ = subs->GetItemByName("Create");
            update_ = subs->GetItemByName("Update");
        }
    }
    if (staticImages_) BuildImages();
    Children().ForEachWidget([](IWidget& child) { child.SetVisible(false); });
}

void TFunctionParticleSystem::Detach() {
    ClearImages();
    create_ = update_ = nullptr;
    TGroupWidget::Detach();
}

void TFunctionParticleSystem::Invalidate() {
    TGroupWidget::Invalidate();
    if (staticImages_) BuildImages();
}

void TFunctionParticleSystem::BuildImages() {
    ClearImages();
    Children().ForEachWidget([this](IWidget& child) {
        if (Ref<ISurface> snapshot = child.GetSnapshot()) images_.push_back(std::move(snapshot));
    });
}

void TFunctionParticleSystem::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TGroupWidget::DoUpdate(elapsedMs);
    const size_t before = particles_.size();
    if (function_) function_->SetInput(0, GetCurrentTime());
    if (initCreationCount_ > 0 && GetCurrentTime() >= 0) {
        SpawnParticle(initCreationCount_);
        initCreationCount_ = 0;
    }
    for (const std::unique_ptr<TFunctionParticle>& particle : particles_) {
        UpdateParticle(*particle, elapsedMs);
    }
    if (deltaStep_ >= 1) {
        stepAccumulator_ += elapsedMs;
        if (stepAccumulator_ >= deltaStep_) {
            // As in the widget systems: the frame's time leaves the age and
            // comes back in whole steps. Steps beyond the cap only age.
            const int64_t steps = stepAccumulator_ / deltaStep_;
            const int64_t run = std::min<int64_t>(steps, kMaxStepsPerFrame);
            stepAccumulator_ -= steps * deltaStep_;
            SetCurrentTime(
                Clamp32(int64_t{GetCurrentTime()} - elapsedMs + (steps - run) * deltaStep_));
            for (int64_t i = 0; i < run; ++i) {
                SetCurrentTime(Clamp32(int64_t{GetCurrentTime()} + deltaStep_));
                if (GetCurrentTime() < 0) continue;
                if (function_) function_->SetInput(0, GetCurrentTime());
                EmitParticles(std::min(deltaStep_, GetCurrentTime()));
            }
        }
    } else if (deltaStep_ != -1) {
        EmitParticles(elapsedMs);
    }
    RemoveDeadParticles();
    ComputeBounds();
    SetMoved(before > 0 || !particles_.empty());
}

void TFunctionParticleSystem::ComputeBounds() {
    bounds_ = {-1, -1, -1, -1};
    bool any = false;
    TWidgetCollection& children = Children();
    for (const std::unique_ptr<TFunctionParticle>& particle : particles_) {
        const int32_t index = PictureIndexOf(particle->values);
        IWidget* picture = index >= 0 ? children.WidgetAtIndex(index) : nullptr;
        if (!picture) continue;
        const TRect rect =
            TableParticleRect(particle->values, 0, 0, picture->GetWidth(), picture->GetHeight());
        bounds_ = any ? UniteRect(bounds_, rect) : rect;
        any = true;
    }
    if (any) bounds_ = MoveRect(bounds_, RoundInt(GetLeft()), RoundInt(GetTop()));
}

void TFunctionParticleSystem::EmitParticles(int32_t elapsedMs) {
    if (!function_ || !create_) return;
    function_->SetInput(0, GetCurrentTime());
    create_->Prepare();
    double rate = create_->GetValue("count");
    if (!std::isfinite(rate) || rate < 0) rate = 0;
    emissionAccumulator_ += NarrowToCell(rate * elapsedMs / 1000);
    if (!std::isfinite(emissionAccumulator_)) emissionAccumulator_ = 0;
    const float whole = std::trunc(emissionAccumulator_);
    emissionAccumulator_ -= whole;
    // Beyond the cap the particles are dropped, not owed.
    SpawnParticle(int32_t(std::min<float>(whole, float(Room()))));
}

void TFunctionParticleSystem::SpawnParticle(int32_t count) {
    if (!function_ || !create_) return;
    count = std::min(count, Room());
    if (count <= 0) return;
    create_->SetValue("total_index", count);
    for (int32_t i = 0; i < count; ++i) {
        create_->SetValue("index", i);
        std::unique_ptr<TFunctionParticle> particle = CreateParticle();
        if (!particle) continue;
        UpdateParticle(*particle, 0);
        Append(std::move(particle));
    }
}

std::unique_ptr<TFunctionParticle> TFunctionParticleSystem::CreateParticle() {
    auto particle = std::make_unique<TFunctionParticle>();
    particle->values = space_->CopyValues();
    if (create_) {
        create_->Calculate();
        const int32_t count = std::min(create_->GetOutputCount(), RowCount(particle->values, 1));
        for (int32_t i = 0; i < count; ++i)
            WriteCell(particle->values, 1, i, create_->GetOutput(i));
    }
    return particle;
}

std::unique_ptr<TFunctionParticle> TFunctionParticleSystem::CreateParticleWithParams(
    const Ref<IParamCollection>& params) {
    if (function_ && create_) {
        create_->SetValue("total_index", 1);
        create_->SetValue("index", 0);
    }
    std::unique_ptr<TFunctionParticle> particle = CreateParticle();
    if (!particle || !params) return particle;
    const Ref<IParamDefCollection> defs = space_->GetParamDefs();
    const int32_t count = params->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        const Ref<IParam> param = params->GetParam(Variant(i));
        if (!param) continue;
        const Ref<IParamDef> def = defs->GetItemByName(param->GetName());
        if (!def) continue;
        try {
            WriteCell(particle->values, def->GetCol(), def->GetRow(), param->GetValue().ToDouble());
        } catch (const Exception&) {
            // A value that is no number leaves the cell.
        }
    }
    return particle;
}

void TFunctionParticleSystem::UpdateParticle(TFunctionParticle& particle, int32_t elapsedMs) {
    const TFloatMatrix& values = particle.values;
    if (TFloatType* age = CellAt(values, 1, 0)) *age = NarrowToCell(double(*age) + elapsedMs);
    if (!update_) return;
    const int32_t inputs = std::min(update_->GetInputCount(), RowCount(values, 1));
    for (int32_t i = 0; i < inputs; ++i) update_->SetInput(i, ReadCell(values, 1, i));
    update_->Prepare();
    update_->Calculate();
    const int32_t outputs = std::min(update_->GetOutputCount(), RowCount(values, 0));
    for (int32_t i = 0; i < outputs; ++i) WriteCell(values, 0, i, update_->GetOutput(i));
}

void TFunctionParticleSystem::RemoveDeadParticles() {
    // The dead flag counts however short column 0 is.
    for (size_t i = particles_.size(); i-- > 0;) {
        if (!(ReadCell(particles_[i]->values, 0, 0) > 0)) continue;
        Destroy(particles_[i]);
    }
    std::erase(particles_, nullptr);
}

void TFunctionParticleSystem::Append(std::unique_ptr<TFunctionParticle> particle) {
    if (Room() <= 0) {
        Destroy(particle);
        return;
    }
    particles_.push_back(std::move(particle));
}

void TFunctionParticleSystem::Destroy(std::unique_ptr<TFunctionParticle>& particle) {
    if (!particle) return;
    space_->FreeValues(particle->values);
    particle.reset();
}

void TFunctionParticleSystem::DestroyAll() {
    for (size_t i = particles_.size(); i-- > 0;) Destroy(particles_[i]);
    particles_.clear();
}

void TFunctionParticleSystem::ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) {
    TGroupWidget::ExecuteCommand(command, params);
    if (command == 1) {
        std::unique_ptr<TFunctionParticle> particle = CreateParticleWithParams(params);
        if (!particle) return;
        UpdateParticle(*particle, 0);
        Append(std::move(particle));
    } else if (command == 2) {
        DestroyAll();
        CollectDirtyRects(true, true);
    }
}

void TFunctionParticleSystem::Render(ISurface& surface, int32_t x, int32_t y) {
    BeginDraw();
    for (const std::unique_ptr<TFunctionParticle>& particle : particles_) {
        DrawParticle(surface, x, y, *particle);
    }
    EndDraw();
}

void TFunctionParticleSystem::BeginDraw() {
    if (!staticImages_) BuildImages();
}

void TFunctionParticleSystem::EndDraw() {
    if (!staticImages_) ClearImages();
}

void TFunctionParticleSystem::DrawParticle(ISurface& surface, int32_t x, int32_t y,
                                           TFunctionParticle& particle) {
    const int32_t index = PictureIndexOf(particle.values);
    if (index < 0 || size_t(index) >= images_.size()) return;
    DrawTableParticle(surface, x, y, particle.values, *images_[size_t(index)], drawMode_,
                      blendingMode_, GetTransparentLevel());
}

bool TFunctionParticleSystem::ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) {
    (void)x;
    (void)y;
    (void)ignoreVisible;
    return false;
}
