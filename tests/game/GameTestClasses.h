// The game shell tests' own classes, registered by kGameTestUnits:
//
// - "qm_test_effect_window": a group widget that, once attached, changes its
//   visibility only "effecttime" milliseconds after it is set (visible at
//   once when shown, still visible while it hides), reporting
//   "applyingeffect" meanwhile, as the screens' effect window does.
// - "QmTestGameScreen": a game screen on that window that records its hooks in
//   the journal and runs a test's hooks.
// - "qm_game_leaf": a leaf that paints "color", may be a tab stop, records
//   mouse, keys and focus, takes the mouse capture while its button is down
//   when "capture" is set, and handles every key when "usekeys" is set.
// - a cursor collection and custom settings (not registered: the game makes
//   them through SetCursorCollectionClass and SetCustomSettingsClass).
// - "QmTestResource": a resource that records its loading and unloading.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/object/GeneralClasses.h"
#include "engine/resources/EngineResources.h"
#include "engine/surface/EngineSurface.h"
#include "game/Game.h"
#include "game/GameScreen.h"
#include "widgets/GroupWidgets.h"
#include "widgets/WidgetClasses.h"

namespace gametest {

// What the test classes did, in order.
inline std::vector<std::string>& Journal() {
    static std::vector<std::string> journal;
    return journal;
}
inline void Note(const std::string& line) {
    Journal().push_back(line);
}

// "k=v,k2=v2" of a parameter collection; "-" for null.
inline std::string ParamsText(const Ref<IParamCollection>& params) {
    if (!params) return "-";
    std::string text;
    for (int32_t i = 0; i < params->GetCount(); ++i) {
        const Ref<IParam> param = params->GetParam(Variant(i));
        if (!text.empty()) text += ",";
        text += param->GetName() + "=" + param->GetValue().ToString();
    }
    return text;
}

class TTestEffectWindow : public TVisualGroupWidget {
public:
    static const TPropertyTable& Table() {
        static const TPropertyTable table =
            TPropertyTable::Builder<TTestEffectWindow>(TVisualGroupWidget::Table())
                .Field("effecttime", &TTestEffectWindow::effectTime_, 0)
                .Build();
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    Variant GetProperty(const std::string& name) override {
        if (name == "applyingeffect") return Variant(applying_);
        return TVisualGroupWidget::GetProperty(name);
    }

    void SetVisible(bool value) override {
        // A hide under way ends before anything else.
        if (applying_ && GetVisible() != pending_) Finish();
        if (GetVisible() == value) return;
        pending_ = value;
        if (value) TVisualGroupWidget::SetVisible(true);
        if (applying_) Finish();
        if (effectTime_ > 0 && GetOwner()) {
            applying_ = true;
            remaining_ = effectTime_;
        } else {
            TVisualGroupWidget::SetVisible(pending_);
        }
    }

    void DoUpdate(int32_t elapsedMs) override {
        if (!applying_) {
            TVisualGroupWidget::DoUpdate(elapsedMs);
            return;
        }
        remaining_ -= elapsedMs;
        if (remaining_ <= 0) Finish();
    }

    bool Applying() const { return applying_; }

private:
    void Finish() {
        applying_ = false;
        TVisualGroupWidget::SetVisible(pending_);
        SetChanged(true);
    }

    int32_t effectTime_ = 0;
    bool applying_ = false;
    bool pending_ = false;
    int32_t remaining_ = 0;
};

// What a test screen adds to its "attach" line, from the game it joins.
using TAttachProbe = std::function<std::string(IGameScreenOwner*)>;
inline TAttachProbe& AttachProbe() {
    static TAttachProbe probe;
    return probe;
}

// A screen on the test effect window that records its hooks as "<hook>
// <screen>" and calls the test's hook, when set, after its own work.
class TTestGameScreen : public TGameScreen {
public:
    using THook = std::function<void(TTestGameScreen&)>;
    using TClosedHook =
        std::function<void(TTestGameScreen&, const std::string&, const Ref<IParamCollection>&)>;

    ~TTestGameScreen() override { Note("destroy " + Name()); }

    void AttachOwner(IGameScreenOwner* owner) override {
        TGameScreen::AttachOwner(owner);
        // Piece by piece: g++ 12 -O2 warns falsely (-Wrestrict) on a literal
        // added to a temporary string.
        std::string line = "attach " + Name();
        if (AttachProbe()) {
            line += ' ';
            line += AttachProbe()(owner);
        }
        Note(line);
    }
    void DetachOwner() override {
        TGameScreen::DetachOwner();
        Note("detach " + Name());
    }
    void Show(const Ref<IParamCollection>& params) override {
        Note("show " + Name() + " " + ParamsText(params));
        TGameScreen::Show(params);
    }
    void AfterShow(const Ref<IParamCollection>& params) override {
        TGameScreen::AfterShow(params);
        Note("aftershow " + Name());
        if (onAfterShow) onAfterShow(*this);
    }
    void Hide() override {
        Note("hide " + Name());
        TGameScreen::Hide();
    }
    void Activate() override {
        TGameScreen::Activate();
        Note("activate " + Name());
    }
    void Deactivate() override {
        TGameScreen::Deactivate();
        Note("deactivate " + Name());
    }
    void SetActive(bool active) override {
        TGameScreen::SetActive(active);
        Note(std::string(active ? "active " : "inactive ") + Name());
    }
    void Update(int32_t elapsedMs) override {
        TGameScreen::Update(elapsedMs);
        ++updates;
        if (onUpdate) onUpdate(*this);
    }
    void Render(ISurface& surface) override {
        ++renders;
        TGameScreen::Render(surface);
    }
    void ChildScreenClosed(const std::string& screenName,
                           const Ref<IParamCollection>& results) override {
        TGameScreen::ChildScreenClosed(screenName, results);
        Note("closed " + Name() + " " + screenName + " " + ParamsText(results));
        if (onChildClosed) {
            // The hook may replace itself: it runs from a copy.
            const TClosedHook hook = onChildClosed;
            hook(*this, screenName, results);
        }
    }
    void HandleEvent(const Ref<IWidget>& sender, int32_t code,
                     const Ref<IParamCollection>& params) override {
        TGameScreen::HandleEvent(sender, code, params);
        Note("event " + Name() + " " + (sender ? sender->GetName() : "-") + " " +
             std::to_string(code));
    }

    // The game the screen is attached to, as the test sees it.
    IGameScreenOwner& Game() const { return *GetOwner(); }

    int updates = 0;
    int renders = 0;
    THook onAfterShow;
    THook onUpdate;
    TClosedHook onChildClosed;

protected:
    std::string WindowClassName() const override { return "qm_test_effect_window"; }
};

class TGameLeaf : public TSingleWidget {
public:
    static const TPropertyTable& Table() {
        static const TPropertyTable table =
            TPropertyTable::Builder<TGameLeaf>(TSingleWidget::Table())
                .Field("color", &TGameLeaf::color_, 0u)
                .Color()
                .Field("tabstop", &TGameLeaf::tabStop_, false)
                .Field("capture", &TGameLeaf::capture_, false)
                .Field("usekeys", &TGameLeaf::useKeys_, false)
                .Build();
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    ~TGameLeaf() override { Note("destroy " + Name()); }

    bool GetTabStop() override { return tabStop_; }
    void SetTabStop(bool value) override { tabStop_ = value; }
    void ReceiveFocus() override { Note("focus " + Name()); }
    void LoseFocus() override { Note("blur " + Name()); }
    void LoseMouseCapture() override { Note("lose capture " + Name()); }

    bool HandleEvent(int32_t code, int32_t x, int32_t y, int32_t shift) override {
        Note("mouse " + Name() + " " + std::to_string(code) + " " + std::to_string(x) + "," +
             std::to_string(y) + " " + std::to_string(shift));
        const Ref<IWindow> window = GetOwner() ? GetOwner()->GetWindow() : nullptr;
        if (capture_ && window && code == kMouseLeftDown)
            window->SetMouseCapture(Ref<IWidget>(this));
        if (capture_ && window && code == kMouseLeftUp) window->ReleaseMouseCapture();
        if (code == kMouseLeftUp && GetOwner()) {
            if (const Ref<IEventHandler> handler = GetOwner()->GetEventHandler()) {
                handler->HandleEvent(Ref<IWidget>(this), 1, nullptr);
            }
        }
        return true;
    }
    bool HandleKey(int32_t kind, int32_t key, int32_t shift) override {
        Note("key " + Name() + " " + std::to_string(kind) + " " + std::to_string(key) + " " +
             std::to_string(shift));
        return useKeys_;
    }
    void Render(ISurface& surface, int32_t x, int32_t y) override {
        const int32_t w = GetWidth(), h = GetHeight();
        if (w <= 0 || h <= 0) return;
        if (!scratch_) scratch_ = MakeRef<TSurface>();
        if (scratch_->GetWidth() != w || scratch_->GetHeight() != h) scratch_->SetSize(w, h);
        surface.DrawColored(color_, scratch_.get(), {0, 0, w, h}, {x, y, x + w, y + h},
                            GetTransparentLevel(), bm_Normal);
    }

private:
    uint32_t color_ = 0;
    bool tabStop_ = false;
    bool capture_ = false;
    bool useKeys_ = false;
    Ref<TSurface> scratch_;
};

// A cursor: "hotspotx", "hotspoty" and the widget of its "widget" child.
class TTestCursor : public TPersistObject, public virtual ICursor {
public:
    void Create() override {
        TPersistObject::Create();
        SetNodeName("cursor");
    }
    static const TPropertyTable& Table() {
        static const TPropertyTable table =
            TPropertyTable::Builder<TTestCursor>(TPersistObject::Table())
                .Field("hotspotx", &TTestCursor::hotSpotX_, 0)
                .Field("hotspoty", &TTestCursor::hotSpotY_, 0)
                .Build();
        return table;
    }
    const TPropertyTable& GetPropertyTable() const override { return Table(); }
    void LoadFrom(const Ref<IHierStorage>& storage) override {
        TPersistObject::LoadFrom(storage);
        widget_ = Query<IWidget>(CreateTypedChildObject(storage, "widget", 0));
    }

    Ref<IWidget> GetWidget() override { return widget_; }
    void SetWidget(const Ref<IWidget>& widget) override { widget_ = widget; }
    TPoint GetHotSpot() override { return {hotSpotX_, hotSpotY_}; }
    void SetHotSpot(int32_t x, int32_t y) override {
        hotSpotX_ = x;
        hotSpotY_ = y;
    }

private:
    int32_t hotSpotX_ = 0;
    int32_t hotSpotY_ = 0;
    Ref<IWidget> widget_;
};

// The cursors; the first one is the default. Switching is recorded as
// "cursor <name>".
class TTestCursorCollection : public TTypedCollection<ICursor, ICursorCollection> {
public:
    void Create() override {
        TTypedCollection::Create();
        SetNodeName("cursors");
        SetItemNodeName("cursor");
        SetItemClass(ClassOf<TTestCursor>());
    }
    Ref<ICursor> GetCurrentCursor() override { return current_; }
    bool SetCurrentCursor(const std::string& name) override {
        Note("cursor " + name);
        const Ref<ICursor> next = Find(Variant(name));
        if (!next) return false;
        if (const Ref<IWidget> old = current_ ? current_->GetWidget() : nullptr) {
            old->SetVisible(false);
            old->CollectDirtyRects(false, false);
        }
        current_ = next;
        if (const Ref<IWidget> widget = next->GetWidget()) widget->SetVisible(true);
        return true;
    }
    std::string GetDefaultCursorName() override {
        const Ref<ICursor> first = Find(Variant(0));
        return first ? first->GetName() : std::string();
    }

private:
    Ref<ICursor> current_;
};

// Custom settings: "option" set to "value" through SetOptionValue when they
// run, recorded as "custom settings".
class TTestCustomSettings : public TPersistCollection, public virtual ICustomSettingsCollection {
public:
    void Create() override {
        TPersistCollection::Create();
        SetNodeName("custom_settings");
    }
    void LoadFrom(const Ref<IHierStorage>& storage) override {
        option_ = ReadString(storage, "option", "");
        value_ = ReadString(storage, "value", "");
    }
    void LoadAndApplyAll(const Ref<IEngine>& engine, IGameScreenOwner* target) override {
        Note(std::string("custom settings") + (engine ? "" : " without engine"));
        if (target && !option_.empty()) target->SetOptionValue(option_, Variant(value_));
    }

private:
    std::string option_;
    std::string value_;
};

// Called with a test resource's name when it loads and when it unloads.
using TResourceHook = std::function<void(const std::string&)>;
inline TResourceHook& OnResourceLoad() {
    static TResourceHook hook;
    return hook;
}
inline TResourceHook& OnResourceUnload() {
    static TResourceHook hook;
    return hook;
}

// A resource that records "load <name>" when its data loads and "unload
// <name>" when its group is removed.
class TTestResource : public TResource {
public:
    using TResource::Load;
    void Load() override {
        TResource::Load();
        Note("load " + Name());
        if (OnResourceLoad()) OnResourceLoad()(Name());
    }
    void Detach() override {
        Note("unload " + Name());
        if (OnResourceUnload()) OnResourceUnload()(Name());
        TResource::Detach();
    }
};

inline void RegisterGameTestClasses() {
    RegisterObjectClass(ClassOf<TTestEffectWindow>(), "qm_test_effect_window");
    RegisterObjectClass(ClassOf<TTestGameScreen>(), "QmTestGameScreen");
    RegisterObjectClass(ClassOf<TGameLeaf>(), "qm_game_leaf");
    RegisterObjectClass(ClassOf<TTestResource>(), "QmTestResource");
    SetCursorCollectionClass(ClassOf<TTestCursorCollection>());
    SetCustomSettingsClass(ClassOf<TTestCustomSettings>());
}

inline constexpr TUnit kGameTestUnits[] = {{"GameTestClasses", RegisterGameTestClasses, nullptr}};

}  // namespace gametest
