#include "game/GameScreen.h"

#include <algorithm>
#include <exception>

#include "core/base/Log.h"
#include "core/base/SafeConvert.h"
#include "engine/InputLog.h"
#include "widgets/ControlWidget.h"
#include "widgets/WidgetUtils.h"

namespace {

// The widget a weak link names, when it is still alive and still in a tree;
// otherwise the link is dropped and the answer is null.
Ref<IWidget> LiveWidget(Weak<IWidget>& link) {
    Ref<IWidget> widget = link.Lock();
    if (widget && widget->GetOwner()) return widget;
    link = nullptr;
    return nullptr;
}

}  // namespace

TGameScreen::~TGameScreen() {
    // A window that outlives the screen keeps no link to it.
    if (window_ && window_->GetOwner() == static_cast<IWidgetOwner*>(this)) window_->Detach();
}

void TGameScreen::Create() {
    TPropertyObject::Create();
    SetNodeName("gamescreen");
    const std::string className = WindowClassName();
    window_ = Query<IWidget>(CreateNamedObject(className, ""));
    if (!window_) Log("GAME", "The screen window class \"" + className + "\" is not registered.");
    wasShown_ = false;
}

const TPropertyTable& TGameScreen::Table() {
    using S = TGameScreen;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<S>(TPropertyObject::Table())
            .Field("cursor_name", &S::cursorName_).StorageOnly()
            .Build();
    // clang-format on
    return table;
}

// ---------------------------------------------------------------------------
// Storage

void TGameScreen::LoadFrom(const Ref<IHierStorage>& storage) {
    TPropertyObject::LoadFrom(storage);
    if (!storage || storage->GetChildCount("window") == 0) return;
    const Ref<IHierStorage> node = storage->GetChild("window", 0);
    if (!node) return;
    try {
        left_ = ReadInteger(node, "left", 0);
        top_ = ReadInteger(node, "top", 0);
    } catch (const std::exception&) {
        // What was read stays; the rest of the screen loads.
    }
    if (window_) {
        LoadPersistObject(window_, node);
        window_->SetLeft(left_);
        window_->SetTop(top_);
        window_->SetMouseStop(true);
    }
    musics_ = nullptr;
    if (node->GetChildCount("musics") > 0) {
        musics_ = Query<IMusicCollection>(CreateAbstractObject(ClassOf<TMusicCollection>()));
        LoadChildObject(musics_, node, "musics", 0);
    }
    sounds_ = nullptr;
    if (node->GetChildCount("sounds") > 0) {
        sounds_ = Query<ISoundCollection>(CreateAbstractObject(ClassOf<TSoundCollection>()));
        LoadChildObject(sounds_, node, "sounds", 0);
    }
}

void TGameScreen::SaveTo(const Ref<IHierStorage>& storage) {
    TPropertyObject::SaveTo(storage);
    if (!storage) return;
    const Ref<IHierStorage> node = storage->AddChild("window");
    WriteInteger(node, "left", left_, true);
    WriteInteger(node, "top", top_, true);
    if (window_) SavePersistObject(window_, node);
    // The window reads the same "sounds" element as its own and writes it
    // back; a second copy would only be ignored by the next load.
    if (sounds_ && node->GetChildCount("sounds") == 0) SaveChildObject(sounds_, node, "sounds");
    if (musics_) SaveChildObject(musics_, node, "musics");
}

void TGameScreen::ClearContent() {
    if (const Ref<IPersistObject2> content = Query<IPersistObject2>(window_)) {
        content->ClearContent();
    }
    musics_ = nullptr;
    sounds_ = nullptr;
}

// ---------------------------------------------------------------------------
// The stack's side

void TGameScreen::AttachOwner(IGameScreenOwner* owner) {
    owner_ = owner;
    if (window_) window_->Attach(this);
}

void TGameScreen::DetachOwner() {
    showParams_ = nullptr;
    capture_ = nullptr;
    focus_ = nullptr;
    if (window_) window_->Detach();
    owner_ = nullptr;
}

void TGameScreen::Show(const Ref<IParamCollection>& params) {
    // The hooks may close or show screens: the screen stays whole meanwhile.
    const Ref<IGameScreenSlave> self(this);
    state_ = gss_Showing;
    BeforeShow(params);
    shown_ = true;
    PlayShowSounds();
    ResetInputState();
    if (const Ref<IWidget> first = FindNextTabStop(-1)) {
        focus_ = Weak<IWidget>(first);
        first->ReceiveFocus();
    }
    if (const Ref<ICursorCollection> cursors = owner_ ? owner_->GetCursors() : nullptr) {
        const Ref<ICursor> current = cursors->GetCurrentCursor();
        savedCursorName_ = current ? current->GetName() : std::string();
        cursors->SetCurrentCursor(cursorName_.empty() ? cursors->GetDefaultCursorName()
                                                      : cursorName_);
    }
    if (const Ref<IWidget> window = window_) window->SetVisible(true);
    showParams_ = params;
    CheckShowFinished();
}

void TGameScreen::Hide() {
    const Ref<IGameScreenSlave> self(this);
    showParams_ = nullptr;
    PlayHideSounds();
    if (const Ref<IWidget> focused = LiveWidget(focus_)) {
        focused->LoseFocus();
        focus_ = nullptr;
    }
    if (const Ref<IWidget> window = window_) window->SetVisible(false);
    if (const Ref<ICursorCollection> cursors = owner_ ? owner_->GetCursors() : nullptr) {
        if (!savedCursorName_.empty()) cursors->SetCurrentCursor(savedCursorName_);
    }
}

void TGameScreen::CheckShowFinished() {
    if (state_ != gss_Showing) return;
    bool applying = false;
    if (window_) {
        try {
            const Variant value = window_->GetProperty("applyingeffect");
            applying = !value.IsUnassigned() && value.ToBool();
        } catch (const std::exception&) {
            applying = false;
        }
    }
    if (applying || state_ != gss_Showing) return;
    // The state changes first, so that nothing AfterShow sets off runs it
    // again.
    state_ = gss_Normal;
    const Ref<IParamCollection> params = showParams_;
    AfterShow(params);
}

void TGameScreen::Update(int32_t elapsedMs) {
    if (!shown_) return;
    const Ref<IGameScreenSlave> self(this);
    if (const Ref<IWidget> window = window_) window->Update(elapsedMs);
    CheckShowFinished();
}

void TGameScreen::Render(ISurface& surface) {
    if (const Ref<IWidget> window = window_) {
        window->Render(surface, SaturatingRound<int32_t>(window->GetLeft()),
                       SaturatingRound<int32_t>(window->GetTop()));
    }
}

TRect TGameScreen::GetBounds() {
    return window_ ? window_->GetBounds() : TRect{};
}

void TGameScreen::CollectDirtyRects() {
    if ((shown_ || wasShown_) && window_) {
        const Ref<IWidget> window = window_;
        window->CollectDirtyRects(false, false);
    }
    wasShown_ = shown_;
}

bool TGameScreen::IsVisible() {
    return window_ ? window_->GetVisible() : true;
}

bool TGameScreen::MouseEvent(int32_t code, int32_t x, int32_t y, int32_t buttons) {
    Ref<IWidget> target = LiveWidget(capture_);
    if (!target) {
        target = WidgetAt(x, y);
        if (!target || !target->GetMouseStop()) return false;
    }
    // Named before the event: its handler may take the widget out of the tree.
    const std::string path = InputLogOn() ? WidgetPathBelow(window_, target) : std::string();
    const bool handled = target->HandleEvent(code, x, y, buttons);
    if (handled && InputLogOn()) InputLogNoteTaker(path);
    return handled;
}

bool TGameScreen::KeyEvent(int32_t kind, int32_t key, int32_t modifiers) {
    const Ref<IGameScreenSlave> self(this);
    if (!LiveWidget(focus_)) SetFocus(FindNextTabStop(-1));
    bool handled = false;
    if (const Ref<IWidget> focused = LiveWidget(focus_)) {
        const std::string path = InputLogOn() ? WidgetPathBelow(window_, focused) : std::string();
        handled = focused->HandleKey(kind, key, modifiers);
        if (handled && InputLogOn()) InputLogNoteTaker(path);
    }
    constexpr int32_t kTab = 9;
    if (handled || key != kTab || kind != kKeyUp) return handled;
    const Ref<IWidgetCollection> children = GetChildren();
    if (!children) return handled;
    // The focused widget's place among the window's children, by identity
    // (several children may share the empty name); -1 when it is none of
    // them.
    int32_t index = -1;
    if (const Ref<IWidget> focused = LiveWidget(focus_)) {
        const int32_t count = children->GetCount();
        for (int32_t i = 0; i < count && index < 0; ++i) {
            if (children->GetWidgetByIndex(i) == focused) index = i;
        }
    }
    SetFocus(FindNextTabStop(index));
    return LiveWidget(focus_) != nullptr;
}

Ref<IWidget> TGameScreen::FindNextTabStop(int32_t after) {
    const Ref<IWidgetCollection> children = GetChildren();
    if (!children) return nullptr;
    const int32_t count = children->GetCount();
    const auto candidate = [&children](int32_t i) -> Ref<IWidget> {
        Ref<IWidget> widget = children->GetWidgetByIndex(i);
        return widget && widget->GetTabStop() && widget->GetVisible() ? widget : nullptr;
    };
    for (int32_t i = std::max(after + 1, 0); i < count; ++i) {
        if (Ref<IWidget> widget = candidate(i)) return widget;
    }
    const int32_t last = std::min(after, count - 1);
    for (int32_t i = 0; i <= last; ++i) {
        if (Ref<IWidget> widget = candidate(i)) return widget;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Sounds

void TGameScreen::PlayShowSounds() {
    PlaySound("sound_show_window");
    if (!musics_) return;
    if (const Ref<IMusic> music = musics_->Find(Variant("music_background"))) {
        if (const Ref<IEngine> engine = GetEngine()) engine->PlayMusic(music);
    }
}

void TGameScreen::PlayHideSounds() {
    PlaySound("sound_hide_window");
    if (!musics_) return;
    if (const Ref<IMusic> music = musics_->Find(Variant("music_background"))) {
        if (const Ref<IEngine> engine = GetEngine()) engine->StopMusic(music);
    }
}

TChannelHandle TGameScreen::PlaySound(const std::string& name) {
    if (!sounds_) return 0;
    const Ref<ISound> sound = sounds_->Find(Variant(name));
    const Ref<IEngine> engine = sound ? GetEngine() : nullptr;
    return engine ? engine->PlaySound(sound) : 0;
}

void TGameScreen::StopSound(const std::string& name) {
    if (!sounds_) return;
    const Ref<ISound> sound = sounds_->Find(Variant(name));
    if (!sound) return;
    if (const Ref<IEngine> engine = GetEngine()) engine->StopSound(sound);
}

// ---------------------------------------------------------------------------
// The window's services

void TGameScreen::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                              const Ref<IParamCollection>& params) {
    (void)sender;
    (void)code;
    (void)params;
}

Ref<IEngine> TGameScreen::GetEngine() {
    return owner_ ? owner_->GetEngine() : nullptr;
}

Ref<IGameScreenOwner> TGameScreen::GetGameScreenOwner() {
    return owner_ ? owner_->GetGameScreenOwner() : nullptr;
}

bool TGameScreen::ShowGameScreen(const std::string& name, const Ref<IParamCollection>& params) {
    return owner_ && owner_->ShowGameScreen(name, params);
}

bool TGameScreen::CloseGameScreen(const Ref<IParamCollection>& results) {
    return owner_ && owner_->CloseGameScreen(Ref<IGameScreenSlave>(this), results);
}

void TGameScreen::SetMouseCapture(const Ref<IWidget>& widget) {
    if (const Ref<IWidget> holder = LiveWidget(capture_)) holder->LoseMouseCapture();
    capture_ = Weak<IWidget>(widget);
}

void TGameScreen::ReleaseMouseCapture() {
    if (const Ref<IWidget> holder = LiveWidget(capture_)) holder->LoseMouseCapture();
    capture_ = nullptr;
}

Ref<IWidget> TGameScreen::GetMouseCapture() {
    return LiveWidget(capture_);
}

void TGameScreen::SetFocus(const Ref<IWidget>& widget) {
    if (const Ref<IWidget> focused = LiveWidget(focus_)) focused->LoseFocus();
    focus_ = Weak<IWidget>(widget);
    if (widget) widget->ReceiveFocus();
}

void TGameScreen::ClearFocus() {
    if (const Ref<IWidget> focused = LiveWidget(focus_)) focused->LoseFocus();
    focus_ = nullptr;
}

Ref<IWidget> TGameScreen::GetFocus() {
    return LiveWidget(focus_);
}

Ref<IWidgetCollection> TGameScreen::GetChildren() {
    return window_ ? window_->GetChildren() : nullptr;
}

namespace {

void TellPointerGone(const Ref<IWidget>& widget) {
    if (!widget) return;
    if (auto* control = dynamic_cast<TControlWidget*>(widget.get())) control->PointerGone();
    const Ref<IWidgetCollection> children = widget->GetChildren();
    for (int32_t i = 0; children && i < children->GetCount(); ++i) {
        TellPointerGone(children->GetWidgetByIndex(i));
    }
}

}  // namespace

void TGameScreen::Deactivate() {
    shown_ = false;
    TellPointerGone(window_);
}

void TGameScreen::ResetInputState() {
    capture_ = nullptr;
    focus_ = nullptr;
    if (window_) window_->Invalidate();
}

Ref<IWidget> TGameScreen::WidgetAt(int32_t x, int32_t y) {
    return window_ ? window_->WidgetAt(x, y) : nullptr;
}

Ref<IWidget> TGameScreen::FindWidget(std::string_view path) {
    return window_ ? window_->FindWidget(path) : nullptr;
}

Ref<IWidget> TGameScreen::CreateFactoryWidget(const std::string& factoryName,
                                              const Ref<IParamCollection>& params) {
    (void)factoryName;
    (void)params;
    return nullptr;
}

void TGameScreen::InvalidateRect(const TRect& rect) {
    if (const Ref<IEngine> engine = GetEngine()) {
        engine->InvalidateRect(rect.left, rect.top, rect.right, rect.bottom);
    }
}

Ref<IWidget> TGameScreen::CreateWidgetFromFactory(const std::string& factoryName,
                                                  const Ref<IParamCollection>& params) {
    const Ref<IWidgetOwner> tree = Query<IWidgetOwner>(window_);
    return tree ? tree->CreateFactoryWidget(factoryName, params) : nullptr;
}

bool TGameScreen::AddWidget(const Ref<IWidget>& widget) {
    const Ref<IWidgetCollection> children = GetChildren();
    if (!widget || !children) return false;
    children->AddWidget(widget);
    return true;
}

void TGameScreen::RemoveDeadWidgets() {
    if (const Ref<IWidgetCollection> children = GetChildren()) children->RemoveDead();
}
