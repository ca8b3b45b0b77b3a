#include "effects/AppearanceEffects.h"

#include "core/base/Log.h"
#include "effects/EffectWidgetsInternal.h"

using effect_widgets::AddClamped;
using effect_widgets::IntFromVariant;
using effect_widgets::NegateClamped;
using effect_widgets::RoundToInt;

namespace {

const char kShowEffect[] = "show_effect";
const char kHideEffect[] = "hide_effect";

TRect Shift(const TRect& rect, int32_t dx, int32_t dy) {
    return {AddClamped(rect.left, dx), AddClamped(rect.top, dy), AddClamped(rect.right, dx),
            AddClamped(rect.bottom, dy)};
}

}  // namespace

// ---------------------------------------------------------------------------
// TAppearanceEffect

TAppearanceEffect::~TAppearanceEffect() {
    // The inner widget may outlive the effect; it keeps no back-link to it.
    if (inner_ && inner_->GetOwner() == static_cast<IWidgetOwner*>(this)) inner_->Detach();
}

const TPropertyTable& TAppearanceEffect::Table() {
    using E = TAppearanceEffect;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<E>(TVisualWidget::Table())
            .Custom("durationtime", &E::DurationProperty, &E::SetDurationProperty)
            .Field("durationtime", &E::durationTime_, 0).SaveAlways().StorageOnly()
            .Custom("state", &E::StateProperty, &E::SetStateProperty)
            .Custom("widget", &E::InnerProperty, &E::SetInnerProperty)
            .Build();
    // clang-format on
    return table;
}

Variant TAppearanceEffect::DurationProperty(TAppearanceEffect& effect) {
    return Variant(effect.durationTime_);
}

void TAppearanceEffect::SetDurationProperty(TAppearanceEffect& effect, const Variant& value) {
    effect.durationTime_ = IntFromVariant(value);
}

Variant TAppearanceEffect::StateProperty(TAppearanceEffect& effect) {
    return Variant(effect.state_);
}

void TAppearanceEffect::SetStateProperty(TAppearanceEffect& effect, const Variant& value) {
    effect.state_ = IntFromVariant(value);
}

Variant TAppearanceEffect::InnerProperty(TAppearanceEffect& effect) {
    return Variant(effect.inner_);
}

void TAppearanceEffect::SetInnerProperty(TAppearanceEffect& effect, const Variant& value) {
    Ref<IWidget> widget;
    try {
        widget = Query<IWidget>(value.ToInterface());
    } catch (const Exception&) {
        // A value that is no interface leaves no inner widget.
    }
    effect.SetInner(widget);
}

Variant TAppearanceEffect::GetProperty(const std::string& name) {
    if (params_ && name != "durationtime" && name != "state" && params_->Exists(name)) {
        return params_->GetValue(name, Variant());
    }
    return TVisualWidget::GetProperty(name);
}

void TAppearanceEffect::SetProperty(const std::string& name, const Variant& value) {
    try {
        if (params_ && name != "durationtime" && name != "state" && params_->Exists(name)) {
            params_->SetValue(name, value);
            return;
        }
        TVisualWidget::SetProperty(name, value);
    } catch (const Exception&) {
        // Setting a property of an effect never fails towards the caller.
    }
}

void TAppearanceEffect::LoadFrom(const Ref<IHierStorage>& storage) {
    TVisualWidget::LoadFrom(storage);
    if (!storage || storage->GetChildCount("widgets") == 0) return;
    const Ref<IHierStorage> widgets = storage->GetChild("widgets", 0);
    Ref<IWidget> inner;
    if (widgets->GetChildCount("widget") > 0) {
        inner = Query<IWidget>(CreateTypedChildObject(widgets, "widget", 0));
        if (!inner) {
            const Ref<IHierStorage> node = widgets->GetChild("widget", 0);
            Log("WIDGET", node->GetPath() + ": the type \"" + ReadString(node, "type", "") +
                              "\" makes no widget; the effect has none inside");
        }
    }
    SetInner(inner);
}

void TAppearanceEffect::SaveTo(const Ref<IHierStorage>& storage) {
    TVisualWidget::SaveTo(storage);
    if (!storage || !inner_) return;
    SaveChildObject(Ref<IInterface>(inner_), storage->AddChild("widgets"), "widget");
}

void TAppearanceEffect::ClearContent() {
    SetInner(nullptr);
    TVisualWidget::ClearContent();
}

void TAppearanceEffect::SetInner(const Ref<IWidget>& widget) {
    if (widget == inner_) return;
    const Ref<IWidget> old = inner_;
    inner_ = widget;
    if (old && old->GetOwner() == static_cast<IWidgetOwner*>(this)) old->Detach();
    if (inner_ && GetOwner()) inner_->Attach(this);
    SetMoved(true);
}

void TAppearanceEffect::Start(const Ref<ISurface>& source, const Ref<IParamCollection>& params) {
    // A sound or a property set on the way may drop the last outside
    // reference to the effect.
    const Ref<IWidget> self(this);
    PlaySound("sound_effect", false, 0, 100);
    ApplySource(source);
    if (params) params_ = CopyParamCollection(params);
    Restart();
}

Ref<IWidget> TAppearanceEffect::GetChild(const Variant& key) {
    (void)key;
    return inner_;
}

void TAppearanceEffect::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TVisualWidget::DoUpdate(elapsedMs);
    if (const Ref<IWidget> inner = inner_; inner && !inner->GetPaused()) inner->Update(elapsedMs);
    if (durationTime_ <= GetCurrentTime()) state_ = 1;
}

void TAppearanceEffect::Attach(IWidgetOwner* owner) {
    TVisualWidget::Attach(owner);
    if (inner_) inner_->Attach(this);
}

void TAppearanceEffect::Detach() {
    if (inner_) inner_->Detach();
    TVisualWidget::Detach();
}

void TAppearanceEffect::Invalidate() {
    if (inner_) inner_->Invalidate();
    TVisualWidget::Invalidate();
}

void TAppearanceEffect::Restart() {
    const Ref<IWidget> self(this);
    TVisualWidget::Restart();
    if (const Ref<IWidget> inner = inner_) inner->Restart();
    state_ = 0;
}

void TAppearanceEffect::Resume() {
    TVisualWidget::Resume();
    if (inner_) inner_->Resume();
}

void TAppearanceEffect::Pause() {
    TVisualWidget::Pause();
    if (inner_) inner_->Pause();
}

double TAppearanceEffect::GetDrawLeft() {
    return inner_ ? GetLeft() + inner_->GetDrawLeft() : GetLeft();
}

double TAppearanceEffect::GetDrawTop() {
    return inner_ ? GetTop() + inner_->GetDrawTop() : GetTop();
}

int32_t TAppearanceEffect::GetWidth() {
    return inner_ ? inner_->GetWidth() : 0;
}

int32_t TAppearanceEffect::GetHeight() {
    return inner_ ? inner_->GetHeight() : 0;
}

void TAppearanceEffect::Render(ISurface& surface, int32_t x, int32_t y) {
    if (!inner_) return;
    inner_->Render(surface, AddClamped(x, RoundToInt(inner_->GetLeft())),
                   AddClamped(y, RoundToInt(inner_->GetTop())));
}

Ref<IWidget> TAppearanceEffect::WidgetAt(int32_t x, int32_t y) {
    Ref<IWidget> hit = TVisualWidget::WidgetAt(x, y);
    if (!hit || !inner_) return hit;
    if (Ref<IWidget> inside =
            inner_->WidgetAt(AddClamped(x, NegateClamped(RoundToInt(GetLeft()))),
                             AddClamped(y, NegateClamped(RoundToInt(GetTop()))))) {
        return inside;
    }
    return hit;
}

void TAppearanceEffect::CollectDirtyRects(bool force, bool forceNew) {
    if (inner_) {
        inner_->CollectDirtyRects(force, forceNew);
        if (inner_->GetInvalidated()) {
            SetChanged(true);
            SetMoved(true);
        }
    }
    TVisualWidget::CollectDirtyRects(force, forceNew);
}

Ref<IEngine> TAppearanceEffect::GetEngine() {
    return GetOwner() ? GetOwner()->GetEngine() : nullptr;
}

Ref<IWindow> TAppearanceEffect::GetWindow() {
    return GetOwner() ? GetOwner()->GetWindow() : nullptr;
}

Ref<IEventHandler> TAppearanceEffect::GetEventHandler() {
    return GetOwner() ? GetOwner()->GetEventHandler() : nullptr;
}

TPoint TAppearanceEffect::ScreenToClient(int32_t x, int32_t y) {
    const TPoint local = ScreenToLocal(x, y);
    return {AddClamped(local.x, NegateClamped(RoundToInt(GetLeft()))),
            AddClamped(local.y, NegateClamped(RoundToInt(GetTop())))};
}

Ref<IWidget> TAppearanceEffect::CreateFactoryWidget(const std::string& factoryName,
                                                    const Ref<IParamCollection>& params) {
    return GetOwner() ? GetOwner()->CreateFactoryWidget(factoryName, params) : nullptr;
}

void TAppearanceEffect::InvalidateRect(const TRect& rect) {
    if (IWidgetOwner* owner = GetOwner()) owner->InvalidateRect(rect);
}

// ---------------------------------------------------------------------------
// TFunctionAppearanceEffect

const TPropertyTable& TFunctionAppearanceEffect::Table() {
    using F = TFunctionAppearanceEffect;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<F>(TAppearanceEffect::Table())
            .Field("surfaceparamname", &F::surfaceParamName_)
            .Build();
    // clang-format on
    return table;
}

void TFunctionAppearanceEffect::ApplySource(const Ref<ISurface>& source) {
    if (surfaceParamName_.empty()) return;
    // Copied: the property set may reach a widget that changes this one.
    const std::string name = surfaceParamName_;
    SetProperty(name, Variant(source));
}

// ---------------------------------------------------------------------------
// TAppearanceEffectCollection

const TPropertyTable& TAppearanceEffectCollection::Table() {
    using C = TAppearanceEffectCollection;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<C>(TVisualGroupWidget::Table())
            .Custom("state", &C::StateProperty, &C::SetStateProperty)
            .Build();
    // clang-format on
    return table;
}

Variant TAppearanceEffectCollection::StateProperty(TAppearanceEffectCollection& effects) {
    return Variant(effects.state_);
}

void TAppearanceEffectCollection::SetStateProperty(TAppearanceEffectCollection& effects,
                                                   const Variant& value) {
    effects.SetState(IntFromVariant(value));
}

void TAppearanceEffectCollection::LoadFrom(const Ref<IHierStorage>& storage) {
    TVisualGroupWidget::LoadFrom(storage);
    SetVisible(true);
    Children().ForEachWidget([](IWidget& child) {
        if (!dynamic_cast<IAppearanceEffect*>(&child)) return;
        child.SetVisible(false);
        child.SetPaused(true);
    });
}

void TAppearanceEffectCollection::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    // The collection stands outside its owner's child list, and the
    // end-of-frame pass that clears these flags does not reach it while its
    // owner is hidden (a hide effect started during a show): a flag left set
    // would keep the running effect from ever advancing again.
    Children().ForEachWidget([](IWidget& child) { child.SetUpdated(false); });
    TVisualGroupWidget::DoUpdate(elapsedMs);
    if (state_ != 0) return;
    const Ref<IAppearanceEffect> current = current_;
    if (!current) {
        SetState(1);
        return;
    }
    int32_t state = 1;  // no state, or one that is no number: finished
    try {
        const Variant value = current->GetProperty("state");
        if (!value.IsUnassigned()) state = IntFromVariant(value);
    } catch (const Exception&) {
        state = 1;
    }
    SetState(state);
}

void TAppearanceEffectCollection::Detach() {
    // A forgotten effect left shown and running would be drawn beside the
    // next one.
    if (const Ref<IAppearanceEffect> current = std::move(current_)) {
        current_ = nullptr;
        current->SetVisible(false);
        current->SetPaused(true);
    }
    TVisualGroupWidget::Detach();
}

bool TAppearanceEffectCollection::HasEffect(const std::string& name) {
    return GetChild(Variant(name)) != nullptr;
}

void TAppearanceEffectCollection::PlayEffect(const std::string& name, const Ref<ISurface>& source,
                                             const Ref<IParamCollection>& params) {
    const Ref<IWidget> self(this);
    SetState(1);
    current_ = Query<IAppearanceEffect>(GetChild(Variant(name)));
    if (!current_) return;
    SetState(0);
    const Ref<IAppearanceEffect> effect = current_;
    effect->SetVisible(true);
    effect->SetPaused(false);
    effect->Start(source, params);
    SetState(effect->GetState());
}

void TAppearanceEffectCollection::SetState(int32_t state) {
    if (state == state_) return;
    state_ = state;
    if (state != 1 || !current_) return;
    const Ref<IAppearanceEffect> effect = std::move(current_);
    current_ = nullptr;
    effect->SetVisible(false);
    effect->SetPaused(true);
}

// ---------------------------------------------------------------------------
// TAbstractEffectWdiget

TAbstractEffectWdiget::~TAbstractEffectWdiget() {
    // The collection may outlive the widget; it keeps no back-link to it.
    if (effects_ && effects_->GetOwner() == static_cast<IWidgetOwner*>(this)) effects_->Detach();
}

const TPropertyTable& TAbstractEffectWdiget::Table() {
    using W = TAbstractEffectWdiget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TVisualGroupWidget::Table())
            .Custom("applyingeffect", &W::ApplyingProperty, nullptr)
            .Custom("effect_state", &W::EffectStateProperty, nullptr)
            .Field("enable_effects", &W::enableEffects_, true)
            .Field("skip_process_mouse", &W::skipProcessMouse_, true)
            .Build();
    // clang-format on
    return table;
}

Variant TAbstractEffectWdiget::ApplyingProperty(TAbstractEffectWdiget& widget) {
    return Variant(widget.applyingEffect_);
}

Variant TAbstractEffectWdiget::EffectStateProperty(TAbstractEffectWdiget& widget) {
    return widget.effects_ ? Variant(widget.effects_->GetState()) : Variant::Null();
}

void TAbstractEffectWdiget::LoadFrom(const Ref<IHierStorage>& storage) {
    TVisualGroupWidget::LoadFrom(storage);
    SetEffects(Query<IAppearanceEffects>(
        CreateChildObject(ClassOf<TAppearanceEffectCollection>(), storage, "effects", 0)));
}

void TAbstractEffectWdiget::SaveTo(const Ref<IHierStorage>& storage) {
    TVisualGroupWidget::SaveTo(storage);
    if (effects_) SaveChildObject(Ref<IInterface>(effects_), storage, "effects");
}

void TAbstractEffectWdiget::ClearContent() {
    SetEffects(nullptr);
    TVisualGroupWidget::ClearContent();
}

void TAbstractEffectWdiget::SetEffects(const Ref<IAppearanceEffects>& effects) {
    if (effects == effects_) return;
    const Ref<IWidget> self(this);
    // An effect of the collection that goes would never report its end, and
    // a screen would wait for it for ever.
    if (applyingEffect_) FinishEffect();
    const Ref<IAppearanceEffects> old = effects_;
    effects_ = effects;
    if (old && old->GetOwner() == static_cast<IWidgetOwner*>(this)) old->Detach();
    if (effects_ && GetOwner()) effects_->Attach(this);
}

void TAbstractEffectWdiget::StartEffect(const std::string& name) {
    // The effect's sound and property sets, and the subclass told at the
    // end, may drop the last outside reference to the widget.
    const Ref<IWidget> self(this);
    if (applyingEffect_) FinishEffect();
    const Ref<IAppearanceEffects> effects = effects_;
    if (enableEffects_ && effects && GetOwner() && effects->HasEffect(name)) {
        // The content's own bounds: no effect applies now.
        const TRect bounds = TVisualGroupWidget::GetBounds();
        contentOffsetX_ = bounds.left - GetLeft();
        contentOffsetY_ = bounds.top - GetTop();
        const Ref<ISurface> snapshot = GetSnapshot();
        effects->PlayEffect(name, snapshot, nullptr);
        applyingEffect_ = effects_ == effects && effects->GetState() == 0;
    }
    if (applyingEffect_) {
        SetMoved(true);
        SetChanged(true);
        currentEffectName_ = name;
    }
    OnEffectStart(name, applyingEffect_);
}

void TAbstractEffectWdiget::FinishEffect() {
    const Ref<IWidget> self(this);
    applyingEffect_ = false;
    SetMoved(true);
    SetChanged(true);
    repaintAfterEffect_ = true;
    std::string name = std::move(currentEffectName_);
    currentEffectName_.clear();
    OnEffectFinish(name);
}

void TAbstractEffectWdiget::DoUpdate(int32_t elapsedMs) {
    if (!Applying()) {
        TVisualGroupWidget::DoUpdate(elapsedMs);
        return;
    }
    // The widget's own age, lifetime and children stand still meanwhile.
    const Ref<IWidget> self(this);
    SetUpdated(true);
    const Ref<IAppearanceEffects> effects = effects_;
    effects->Update(elapsedMs);
    if (applyingEffect_ && effects->GetState() != 0) FinishEffect();
}

void TAbstractEffectWdiget::Render(ISurface& surface, int32_t x, int32_t y) {
    if (!Applying()) {
        TVisualGroupWidget::Render(surface, x, y);
        return;
    }
    const Ref<IAppearanceEffects> effects = effects_;
    effects->Render(surface, RoundToInt(x + contentOffsetX_ + effects->GetLeft()),
                    RoundToInt(y + contentOffsetY_ + effects->GetTop()));
}

TRect TAbstractEffectWdiget::GetBounds() {
    if (!Applying()) return TVisualGroupWidget::GetBounds();
    return Shift(effects_->GetBounds(), RoundToInt(contentOffsetX_ + GetLeft()),
                 RoundToInt(contentOffsetY_ + GetTop()));
}

TPoint TAbstractEffectWdiget::ScreenToClient(int32_t x, int32_t y) {
    const TPoint client = TVisualGroupWidget::ScreenToClient(x, y);
    if (!Applying()) return client;
    return {AddClamped(client.x, NegateClamped(RoundToInt(contentOffsetX_))),
            AddClamped(client.y, NegateClamped(RoundToInt(contentOffsetY_)))};
}

bool TAbstractEffectWdiget::GetMouseStop() {
    if (Applying() && skipProcessMouse_) return false;
    return TVisualGroupWidget::GetMouseStop();
}

void TAbstractEffectWdiget::CollectDirtyRects(bool force, bool forceNew) {
    TVisualGroupWidget::CollectDirtyRects(force, forceNew);
    if ((applyingEffect_ || repaintAfterEffect_) && effects_) {
        const Ref<IAppearanceEffects> effects = effects_;
        effects->CollectDirtyRects(force || repaintAfterEffect_, forceNew || repaintAfterEffect_);
        if (effects->GetInvalidated()) SetInvalidated(true);
    }
    repaintAfterEffect_ = false;
}

void TAbstractEffectWdiget::Attach(IWidgetOwner* owner) {
    TVisualGroupWidget::Attach(owner);
    if (effects_) effects_->Attach(this);
}

void TAbstractEffectWdiget::Detach() {
    if (effects_) effects_->Detach();
    TVisualGroupWidget::Detach();
}

// ---------------------------------------------------------------------------
// TAppearanceEffectWdiget

void TAppearanceEffectWdiget::SetVisible(bool value) {
    if (!GetEffects()) {
        TAbstractEffectWdiget::SetVisible(value);
        return;
    }
    const Ref<IWidget> self(this);
    // A hide effect under way ends first: the widget goes invisible.
    if (GetApplyingEffect() && GetVisible() != pendingVisible_) FinishEffect();
    if (GetVisible() == value) return;
    pendingVisible_ = value;
    if (value) TAbstractEffectWdiget::SetVisible(true);
    StartEffect(value ? kShowEffect : kHideEffect);
}

void TAppearanceEffectWdiget::OnEffectStart(const std::string& name, bool started) {
    if (!started && (name == kShowEffect || name == kHideEffect)) {
        TAbstractEffectWdiget::SetVisible(pendingVisible_);
    }
}

void TAppearanceEffectWdiget::OnEffectFinish(const std::string& name) {
    if (name == kShowEffect || name == kHideEffect)
        TAbstractEffectWdiget::SetVisible(pendingVisible_);
}
