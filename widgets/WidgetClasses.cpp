#include "widgets/WidgetClasses.h"

#include <limits>

#include "core/base/AsciiText.h"
#include "core/base/Log.h"
#include "core/base/ParamStringUtils.h"
#include "core/base/SafeConvert.h"
#include "widgets/WidgetCollections.h"
#include "widgets/WidgetInternal.h"
#include "widgets/WidgetUtils.h"

namespace {

// Aliases may name each other (or a path back to the same widget); a chain
// this deep is a loop in the data, not a use.
constexpr int kMaxAliasDepth = 16;
int aliasDepth = 0;

class TAliasDepth {
public:
    TAliasDepth() { ++aliasDepth; }
    ~TAliasDepth() { --aliasDepth; }
    TAliasDepth(const TAliasDepth&) = delete;
    TAliasDepth& operator=(const TAliasDepth&) = delete;
    bool TooDeep() const { return aliasDepth > kMaxAliasDepth; }
};

// "\name=value", the value in braces where the notation would otherwise cut
// it (a separator inside) or change it (outer braces, blanks at its ends).
// Braces that do not pair up cannot be kept at all; that is logged.
std::string ParamPiece(const std::string& name, const std::string& value, std::string_view owner) {
    const bool wrap = value.find('\\') != std::string::npos ||
                      (value.size() >= 2 && value.front() == '{' && value.back() == '}') ||
                      (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back())));
    std::string piece = "\\" + name + "=";
    piece += wrap ? "{" + value + "}" : value;
    TTwoArrayOfString pairs;
    if (SplitParams(piece, pairs, '\\', '=') != 1 || pairs[0][0] != name || pairs[0][1] != value) {
        Log("WIDGET", std::string(owner) + ": the extra parameter \"" + name + "\" = \"" + value +
                          "\" cannot be written so that it reads back the same");
    }
    return piece;
}

}  // namespace

// ---------------------------------------------------------------------------
// Helpers shared by the library

int32_t RoundToInt(double value) {
    return SaturatingRound<int32_t>(value);
}

int32_t AddClamped(int32_t a, int32_t b) {
    const int64_t sum = int64_t{a} + b;
    if (sum > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (sum < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(sum);
}

TRect ShiftRect(const TRect& rect, int32_t dx, int32_t dy) {
    return {AddClamped(rect.left, dx), AddClamped(rect.top, dy), AddClamped(rect.right, dx),
            AddClamped(rect.bottom, dy)};
}

bool SurfaceSizeAllowed(int64_t width, int64_t height) {
    constexpr int64_t kMaxSide = 16384;
    constexpr int64_t kMaxPixels = int64_t{1} << 26;
    return width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
}

std::string DescribeWidget(TPersistObject& object) {
    std::string text = object.GetTypeName().empty() ? "widget" : object.GetTypeName();
    if (!object.Name().empty()) text += " \"" + object.Name() + "\"";
    return text;
}

void SplitWidgetPath(std::string_view path, std::string_view& head, std::string_view& rest) {
    if (path.empty()) {
        head = rest = {};
        return;
    }
    if (path.front() == '/') {
        head = path.substr(0, 1);
        rest = path.substr(1);
        return;
    }
    const size_t slash = path.find('/');
    if (slash == std::string_view::npos) {
        head = path;
        rest = {};
    } else {
        head = path.substr(0, slash);
        rest = path.substr(slash + 1);
    }
}

// ---------------------------------------------------------------------------
// TAbstractWidget

TAbstractWidget::~TAbstractWidget() {
    QM_ASSERT(!list_, "A widget was destroyed while a child list still held it.");
}

void TAbstractWidget::Create() {
    TPropertyObject::Create();
    SetNodeName("widget");
}

const TPropertyTable& TAbstractWidget::Table() {
    using W = TAbstractWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<W>(TPropertyObject::Table())
            .Accessor("name", &W::GetName, &W::SetName).NotStored().NoAssign()
            .Accessor("dead", &W::GetDead, &W::SetDead).NotStored().NoAssign()
            .Accessor("paused", &W::GetPaused, &W::SetPaused).NotStored().NoAssign()
            .Accessor("visible", &W::GetVisible, &W::SetVisible).NotStored().NoAssign()
            .Accessor("z", &W::GetZ, &W::SetZ).NotStored().NoAssign()
            .Accessor("anchor_left", &W::GetLeft, &W::SetLeft).NotStored().NoAssign()
            .Accessor("anchor_top", &W::GetTop, &W::SetTop).NotStored().NoAssign()
            .Accessor("left", &W::GetDrawLeft, nullptr)
            .Accessor("top", &W::GetDrawTop, nullptr)
            .Accessor("width", &W::GetWidth, nullptr)
            .Accessor("height", &W::GetHeight, nullptr)
            .Accessor("enabled", &W::GetEnabled, &W::SetEnabled).NotStored().NoAssign()
            .Accessor("tabstop", &W::GetTabStop, &W::SetTabStop).NotStored().NoAssign()
            .Accessor("mousestop", &W::GetMouseStop, &W::SetMouseStop).NotStored().NoAssign()
            .Custom("currenttime", &W::CurrentTimeProperty, &W::SetCurrentTimeProperty)
            .Field("timetolive", &W::timeToLive_, 0)
            .Field("time_rate", &W::timeRate_, 1.0)
            .Custom("owner", &W::OwnerProperty, nullptr)
            .Accessor("transparentlevel", &W::GetTransparentLevel, &W::SetTransparentLevel).NotStored().NoAssign()
            .Custom("image", &W::ImageProperty, nullptr)
            .Field("paused", &W::paused_, false).StorageOnly()
            .Field("starttime", &W::startTime_, 0).Key("currenttime").StorageOnly()
            .Field("transparentlevel", &W::transparentLevel_, 255).StorageOnly()
            .Field("aliases", &W::aliases_).StorageOnly()
            .Field("redefinedparams", &W::redefinedParams_).StorageOnly()
            .Build();
    // clang-format on
    return table;
}

Variant TAbstractWidget::CurrentTimeProperty(TAbstractWidget& widget) {
    return Variant(widget.currentTime_);
}

void TAbstractWidget::SetCurrentTimeProperty(TAbstractWidget& widget, const Variant& value) {
    const int32_t time = value.ToInt();
    if (time == widget.currentTime_) return;
    widget.SetChanged(true);
    widget.currentTime_ = time;
}

Variant TAbstractWidget::OwnerProperty(TAbstractWidget& widget) {
    return Variant(Ref<IWidgetOwner>(widget.owner_));
}

Variant TAbstractWidget::ImageProperty(TAbstractWidget& widget) {
    return Variant(widget.GetSnapshot());
}

bool TAbstractWidget::FindAlias(const std::string& name, std::string& target) const {
    if (aliases_.empty()) return false;
    // Only a pair written with its leading separator counts.
    std::string marker;
    marker.reserve(name.size() + 2);
    marker += '\\';
    marker += name;
    marker += '=';
    if (aliases_.find(marker) == std::string::npos) return false;
    return GetParam(aliases_, name, '\\', '=', target) && target != name;
}

Variant TAbstractWidget::GetProperty(const std::string& name) {
    std::string_view head, rest;
    SplitWidgetPath(name, head, rest);
    if (!rest.empty()) {
        const Ref<IWidget> widget = FindWidget(head);
        return widget ? widget->GetProperty(std::string(rest)) : Variant::Null();
    }
    Variant value;
    if (GetPropertyTable().Get(*this, name, value)) return value;
    if (extraParams_ && extraParams_->Exists(name)) return extraParams_->GetValue(name, Variant());
    std::string target;
    if (FindAlias(name, target)) {
        const TAliasDepth depth;
        if (!depth.TooDeep()) return GetProperty(target);
        Log("WIDGET", DescribeWidget(*this) + ": the alias \"" + name + "\" leads round in a loop");
    }
    return Variant::Null();
}

void TAbstractWidget::SetProperty(const std::string& name, const Variant& value) {
    try {
        std::string_view head, rest;
        SplitWidgetPath(name, head, rest);
        if (!rest.empty()) {
            if (const Ref<IWidget> widget = FindWidget(head)) {
                widget->SetProperty(std::string(rest), value);
            }
            return;
        }
        if (GetPropertyTable().Set(*this, name, value)) return;
        if (extraParams_ && extraParams_->Exists(name)) {
            extraParams_->SetValue(name, value);
            return;
        }
        std::string target;
        if (FindAlias(name, target)) {
            const TAliasDepth depth;
            if (!depth.TooDeep()) {
                SetProperty(target, value);
            } else {
                Log("WIDGET",
                    DescribeWidget(*this) + ": the alias \"" + name + "\" leads round in a loop");
            }
        }
    } catch (const Exception&) {
        // Setting a property never fails towards the caller.
    }
}

void TAbstractWidget::LoadFrom(const Ref<IHierStorage>& storage) {
    TPropertyObject::LoadFrom(storage);
    currentTime_ = startTime_;
    NoteZChanged();  // a widget loaded again while in a list may have a new z

    extraParams_ = nullptr;
    const std::string extra = ReadString(storage, "extraparams", "");
    if (!extra.empty()) {
        Ref<IParamCollection> params =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        TTwoArrayOfString pairs;
        SplitParams(extra, pairs, '\\', '=');
        for (const auto& pair : pairs) params->SetValue(pair[0], Variant(pair[1]));
        extraParams_ = params;
    }

    sounds_ = nullptr;
    if (storage && storage->GetChildCount("sounds") > 0) {
        Ref<TSoundCollection> sounds = CreateObject<TSoundCollection>();
        LoadChildObject(Ref<IInterface>(sounds), storage, "", 0);
        sounds_ = sounds;
    }

    if (function_ && functionBound_) function_->ReleaseOwner();
    functionBound_ = false;
    function_ = nullptr;
    if (storage && storage->GetChildCount("function_widget") > 0) {
        const Ref<INamedObject> object = CreateTypedChildObject(storage, "function_widget", 0);
        function_ = Query<IFunction>(object);
        if (!function_) {
            const Ref<IHierStorage> node = storage->GetChild("function_widget", 0);
            Log("WIDGET", node->GetPath() + ": the type \"" + ReadString(node, "type", "") +
                              "\" makes no function object; the widget has none");
        }
    }
}

void TAbstractWidget::SaveTo(const Ref<IHierStorage>& storage) {
    TPropertyObject::SaveTo(storage);
    if (extraParams_) {
        std::string text;
        const int32_t count = extraParams_->GetCount();
        for (int32_t i = 0; i < count; ++i) {
            const Ref<IParam> param = extraParams_->GetParam(Variant(i));
            if (!param) continue;
            try {
                text += ParamPiece(param->GetName(), param->GetValue().ToString(),
                                   DescribeWidget(*this));
            } catch (const Exception& e) {
                Log("WIDGET", DescribeWidget(*this) + ": the extra parameter \"" +
                                  param->GetName() + "\" has no text form (" + e.Message() +
                                  "); it is not written");
            }
        }
        WriteString(storage, "extraparams", text, !text.empty());
    }
    if (sounds_) SaveChildObject(Ref<IInterface>(sounds_), storage, "");
    if (function_) SaveChildObject(Ref<IInterface>(function_), storage, "function_widget");
}

void TAbstractWidget::ClearContent() {
    TPropertyObject::ClearContent();
    extraParams_ = nullptr;
    sounds_ = nullptr;
    if (function_ && functionBound_) function_->ReleaseOwner();
    functionBound_ = false;
    function_ = nullptr;
}

Ref<IWidget> TAbstractWidget::GetChild(const Variant& key) {
    (void)key;
    return nullptr;
}

void TAbstractWidget::DoUpdate(int32_t elapsedMs) {
    updated_ = true;
    currentTime_ = AddClamped(currentTime_, elapsedMs);
    if (timeToLive_ > 0 && currentTime_ >= timeToLive_) SetDead(true);
    StepFunction();
}

void TAbstractWidget::Update(int32_t elapsedMs) {
    if (timeRate_ == 1.0) {
        DoUpdate(elapsedMs);
    } else {
        DoUpdate(RoundToInt(elapsedMs * timeRate_));
    }
}

void TAbstractWidget::Attach(IWidgetOwner* owner) {
    owner_ = owner;
    ApplyRedefinedParams();
    if (function_) {
        function_->SetOwner(nullptr);
        functionBound_ = true;
        PrepareFunction();
        StepFunction();
    }
}

void TAbstractWidget::Detach() {
    // A second Detach has nothing left to release.
    if (function_ && functionBound_) function_->ReleaseOwner();
    functionBound_ = false;
    owner_ = nullptr;
}

void TAbstractWidget::NoteZChanged() {
    if (list_) list_->ChildZChanged();
}

void TAbstractWidget::Invalidate() {
    SetChanged(true);
}

void TAbstractWidget::Restart() {
    currentTime_ = 0;
    paused_ = false;
    PrepareFunction();
    DoUpdate(0);
}

Ref<IWidget> TAbstractWidget::FindWidget(std::string_view path) {
    if (path.empty()) return Ref<IWidget>(this);
    std::string_view head, rest;
    SplitWidgetPath(path, head, rest);
    if (head == ".") return FindWidget(rest);
    if (head == "..") return owner_ ? owner_->FindWidget(rest) : nullptr;
    if (head == "window:") {
        const Ref<IWindow> window = owner_ ? owner_->GetWindow() : nullptr;
        return window ? window->FindWidget(rest) : nullptr;
    }
    if (head == "/") return nullptr;
    const Ref<IWidget> child = GetChild(Variant(std::string(head)));
    if (child && !rest.empty()) return child->FindWidget(rest);
    return child;
}

TPoint TAbstractWidget::ScreenToLocal(int32_t x, int32_t y) {
    return owner_ ? owner_->ScreenToClient(x, y) : TPoint{x, y};
}

TRect TAbstractWidget::GetBounds() {
    const double left = GetDrawLeft();
    const double top = GetDrawTop();
    return {RoundToInt(left), RoundToInt(top), RoundToInt(left + GetWidth()),
            RoundToInt(top + GetHeight())};
}

void TAbstractWidget::SetTransparentLevel(uint8_t value) {
    if (value != transparentLevel_) SetChanged(true);
    transparentLevel_ = value;
}

void TAbstractWidget::Render(ISurface& surface, int32_t x, int32_t y) {
    (void)surface;
    (void)x;
    (void)y;
}

Ref<IWidget> TAbstractWidget::WidgetAt(int32_t x, int32_t y) {
    if (GetVisible() && GetMouseStop() && ContainsPoint(x, y, false)) return Ref<IWidget>(this);
    return nullptr;
}

bool TAbstractWidget::ContainsPoint(int32_t x, int32_t y, bool ignoreVisible) {
    if (!ignoreVisible && !GetVisible()) return false;
    const TRect bounds = GetBounds();
    return bounds.left <= x && x <= bounds.right && bounds.top <= y && y <= bounds.bottom;
}

bool TAbstractWidget::HandleEvent(int32_t code, int32_t x, int32_t y, int32_t shift) {
    (void)code;
    (void)x;
    (void)y;
    (void)shift;
    return false;
}

bool TAbstractWidget::HandleKey(int32_t kind, int32_t key, int32_t shift) {
    (void)kind;
    (void)key;
    (void)shift;
    return false;
}

TChannelHandle TAbstractWidget::PlaySound(const std::string& name, bool overrideSettings,
                                          int32_t pan, int32_t volume) {
    if (!sounds_ || !owner_) return 0;
    const Ref<ISound> sound = sounds_->Find(Variant(name));
    if (!sound) return 0;
    const Ref<IEngine> engine = owner_->GetEngine();
    if (!engine) return 0;
    if (!overrideSettings) return engine->PlaySound(sound);
    const int32_t savedPan = sound->GetPan();
    const int32_t savedVolume = sound->GetVolume();
    sound->SetPan(pan);
    sound->SetVolume(volume);
    TChannelHandle channel = 0;
    try {
        channel = engine->PlaySound(sound);
    } catch (...) {
        sound->SetPan(savedPan);
        sound->SetVolume(savedVolume);
        throw;
    }
    sound->SetPan(savedPan);
    sound->SetVolume(savedVolume);
    return channel;
}

void TAbstractWidget::StopSound(const std::string& name) {
    if (!sounds_ || !owner_) return;
    const Ref<ISound> sound = sounds_->Find(Variant(name));
    if (!sound) return;
    if (const Ref<IEngine> engine = owner_->GetEngine()) engine->StopSound(sound);
}

void TAbstractWidget::ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) {
    (void)command;
    (void)params;
}

void TAbstractWidget::CollectDirtyRects(bool force, bool forceNew) {
    (void)force;
    (void)forceNew;
    updated_ = false;
    invalidated_ = false;
}

void TAbstractWidget::SetActive(bool value) {
    SetVisible(value);
    SetPaused(!value);
}

void TAbstractWidget::SetExtraParam(const std::string& name, const Variant& value) {
    if (!extraParams_) {
        extraParams_ = Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
    }
    extraParams_->SetValue(name, value);
}

std::string TAbstractWidget::GetPath() {
    std::string path = owner_ ? owner_->GetPath() : std::string();
    const std::string& name = Name();
    if (!name.empty()) {
        path += '/';
        path += name;
    }
    return path;
}

void TAbstractWidget::ApplyRedefinedParams() {
    if (redefinedParams_.empty()) return;
    TTwoArrayOfString pairs;
    SplitParams(redefinedParams_, pairs, '\\', '=');
    for (const auto& pair : pairs) {
        try {
            SetProperty(pair[0], GetProperty(pair[1]));
        } catch (const Exception&) {
            // A pair that fails leaves the others to run.
        }
    }
}

void TAbstractWidget::PushToFunction() {
    for (int32_t column = 0; column < 2; ++column) {
        const int32_t count =
            column == 0 ? function_->GetOutputCount() : function_->GetInputCount();
        for (int32_t i = 0; i < count; ++i) {
            const std::string name = function_->GetParamOutName(column, i);
            if (name.empty()) continue;
            try {
                const Variant value = GetProperty(name);
                if (value.IsUnassigned()) continue;
                if (column == 0) {
                    function_->SetOutput(i, value.ToDouble());
                } else {
                    function_->SetInput(i, value.ToDouble());
                }
            } catch (const Exception&) {
                // A value that does not convert is skipped.
            }
        }
    }
}

void TAbstractWidget::PullFromFunction() {
    const int32_t count = function_->GetOutputCount();
    for (int32_t i = 0; i < count; ++i) {
        const std::string name = function_->GetParamOutName(0, i);
        if (!name.empty()) SetProperty(name, Variant(function_->GetOutput(i)));
    }
}

void TAbstractWidget::PrepareFunction() {
    if (!function_) return;
    // The function is held while it runs: a property it sets may clear the
    // widget's content.
    const Ref<IFunction> function = function_;
    PushToFunction();
    function->Prepare();
    if (function_) PullFromFunction();
}

void TAbstractWidget::StepFunction() {
    if (!function_) return;
    const Ref<IFunction> function = function_;
    PushToFunction();
    function->Calculate();
    if (function_) PullFromFunction();
}

// ---------------------------------------------------------------------------
// TVisualWidget

const TPropertyTable& TVisualWidget::Table() {
    using V = TVisualWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<V>(TAbstractWidget::Table())
            .Field("visible", &V::visible_, false).StorageOnly()
            .Field("z", &V::z_, 0).StorageOnly()
            .Field("anchor_left", &V::anchorLeft_, 0.0).SaveAlways().StorageOnly()
            .Field("anchor_top", &V::anchorTop_, 0.0).SaveAlways().StorageOnly()
            .Field("mousestop", &V::mouseStop_, false).StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TVisualWidget::SetZ(int32_t value) {
    if (value == z_) return;
    SetChanged(true);
    z_ = value;
    NoteZChanged();
}

void TVisualWidget::SetLeft(double value) {
    if (value != anchorLeft_) moved_ = true;
    anchorLeft_ = value;
}

void TVisualWidget::SetTop(double value) {
    if (value != anchorTop_) moved_ = true;
    anchorTop_ = value;
}

Ref<ISurface> TVisualWidget::GetSnapshot() {
    IWidgetOwner* owner = GetOwner();
    if (!owner) return nullptr;
    const Ref<IEngine> engine = owner->GetEngine();
    if (!engine) return nullptr;
    const TRect bounds = GetBounds();
    const int64_t width = std::max<int64_t>(bounds.Width(), 0);
    const int64_t height = std::max<int64_t>(bounds.Height(), 0);
    if (!SurfaceSizeAllowed(width, height)) {
        Log("WIDGET", DescribeWidget(*this) + ": a snapshot of " + std::to_string(width) + " by " +
                          std::to_string(height) + " pixels is too large; there is none");
        return nullptr;
    }
    const Ref<ISurface> surface = engine->CreateSurface();
    if (!surface) return nullptr;
    surface->SetTransparent(true);
    surface->SetSize(int32_t(width), int32_t(height));
    Render(*surface, RoundToInt(anchorLeft_ - bounds.left), RoundToInt(anchorTop_ - bounds.top));
    return surface;
}

void TVisualWidget::CollectDirtyRects(bool force, bool forceNew) {
    TAbstractWidget::CollectDirtyRects(force, forceNew);
    IWidgetOwner* owner = GetOwner();
    if (!owner) return;
    const bool visible = GetVisible();
    if (wasShown_ && (moved_ || !visible || force)) {
        owner->InvalidateRect(oldRect_);
        if (!visible) SetInvalidated(true);
    }
    if (visible && !GetDead() &&
        (moved_ || GetFirstPaint() || GetChanged() || forceNew || !GetWasShown())) {
        const TPoint origin = ScreenToLocal(0, 0);
        newRect_ = ShiftRect(GetBounds(), NegateClamped(origin.x), NegateClamped(origin.y));
        owner->InvalidateRect(newRect_);
        SetInvalidated(true);
    }
    SetFirstPaint(false);
    moved_ = false;
    SetChanged(false);
    oldRect_ = newRect_;
    wasShown_ = visible;
}

// ---------------------------------------------------------------------------
// TSingleWidget

const TPropertyTable& TSingleWidget::Table() {
    using S = TSingleWidget;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<S>(TVisualWidget::Table())
            .Accessor("width", &S::GetWidth, &S::SetWidth).NotStored().NoAssign()
            .Accessor("height", &S::GetHeight, &S::SetHeight).NotStored().NoAssign()
            .Field("width", &S::width_, 0).SaveAlways().StorageOnly()
            .Field("height", &S::height_, 0).SaveAlways().StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TSingleWidget::SetWidth(int32_t value) {
    if (value == width_) return;
    width_ = value;
    SetMoved(true);
}

void TSingleWidget::SetHeight(int32_t value) {
    if (value == height_) return;
    height_ = value;
    SetMoved(true);
}
