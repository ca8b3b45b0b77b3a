#include "tests/support/WidgetHarness.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/base/SafeConvert.h"
#include "core/object/GeneralClasses.h"
#include "widgets/WidgetUtils.h"

// ---------------------------------------------------------------------------
// TTestScreen

void TTestScreen::SetRoot(const Ref<IWidget>& root) {
    if (root_) root_->Detach();
    capture_ = nullptr;
    focus_ = nullptr;
    root_ = root;
    if (!root_) return;
    root_->Attach(this);
    root_->SetVisible(true);
    root_->SetMouseStop(true);
}

bool TTestScreen::Init(const Ref<IEngine>& engine) {
    engine_ = engine;
    return true;
}

void TTestScreen::Done() {
    SetRoot(nullptr);
    engine_ = nullptr;
}

void TTestScreen::Update(int32_t elapsedMs) {
    frameRects_.clear();
    frameRendered_ = false;
    if (const Ref<IWidget> root = root_) root->Update(elapsedMs);
}

void TTestScreen::EndFrame() {
    if (const Ref<IWidget> root = root_) root->CollectDirtyRects(false, false);
}

void TTestScreen::Render(const Ref<ISurface>& surface) {
    ++renderCount_;
    frameRendered_ = true;
    if (!root_ || !surface) return;
    const Ref<IWidget> root = root_;
    root->Render(*surface, SaturatingRound<int32_t>(root->GetLeft()),
                 SaturatingRound<int32_t>(root->GetTop()));
}

bool TTestScreen::MouseEvent(int32_t code, int32_t x, int32_t y, int32_t buttons) {
    if (const Ref<IWidget> holder = capture_.Lock()) {
        return holder->HandleEvent(code, x, y, buttons);
    }
    const Ref<IWidget> hit = WidgetAt(x, y);
    if (!hit || !hit->GetMouseStop()) return false;
    return hit->HandleEvent(code, x, y, buttons);
}

bool TTestScreen::KeyEvent(int32_t kind, uint8_t character, uint32_t modifiers) {
    const Ref<IWidget> focused = focus_.Lock();
    return focused && focused->HandleKey(kind, character, int32_t(modifiers));
}

Ref<IWidget> TTestScreen::CreateFactoryWidget(const std::string& factoryName,
                                              const Ref<IParamCollection>& params) {
    (void)factoryName;
    (void)params;
    return nullptr;  // factory lookups end at the root
}

Ref<IWidget> TTestScreen::FindWidget(std::string_view path) {
    return root_ ? root_->FindWidget(path) : nullptr;
}

void TTestScreen::InvalidateRect(const TRect& rect) {
    frameRects_.push_back(rect);
    if (engine_) engine_->InvalidateRect(rect.left, rect.top, rect.right, rect.bottom);
}

void TTestScreen::SetMouseCapture(const Ref<IWidget>& widget) {
    if (const Ref<IWidget> holder = capture_.Lock()) holder->LoseMouseCapture();
    capture_ = Weak<IWidget>(widget);
}

void TTestScreen::ReleaseMouseCapture() {
    if (const Ref<IWidget> holder = capture_.Lock()) holder->LoseMouseCapture();
    capture_ = nullptr;
}

void TTestScreen::SetFocus(const Ref<IWidget>& widget) {
    if (const Ref<IWidget> focused = focus_.Lock()) focused->LoseFocus();
    focus_ = Weak<IWidget>(widget);
    if (widget) widget->ReceiveFocus();
}

void TTestScreen::ClearFocus() {
    if (const Ref<IWidget> focused = focus_.Lock()) focused->LoseFocus();
    focus_ = nullptr;
}

Ref<IWidgetCollection> TTestScreen::GetChildren() {
    return root_ ? root_->GetChildren() : nullptr;
}

void TTestScreen::ResetInputState() {
    capture_ = nullptr;
    focus_ = nullptr;
    if (root_) root_->Invalidate();
}

Ref<IWidget> TTestScreen::WidgetAt(int32_t x, int32_t y) {
    return root_ ? root_->WidgetAt(x, y) : nullptr;
}

TChannelHandle TTestScreen::PlaySound(const std::string& name) {
    (void)name;
    return 0;  // the stand-in has no sounds of its own
}

void TTestScreen::StopSound(const std::string& name) {
    (void)name;
}

void TTestScreen::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                              const Ref<IParamCollection>& params) {
    (void)params;
    events_.push_back({sender ? sender->GetName() : std::string(), code});
}

bool TTestScreen::ShowGameScreen(const std::string& name, const Ref<IParamCollection>& params) {
    screenCalls_.push_back("show " + name + (params ? " with params" : ""));
    return std::find(knownScreens_.begin(), knownScreens_.end(), name) != knownScreens_.end();
}

bool TTestScreen::CloseGameScreen(const Ref<IParamCollection>& results) {
    screenCalls_.push_back(std::string("close") + (results ? " with results" : ""));
    return true;
}

// ---------------------------------------------------------------------------
// TWidgetHarness

namespace {

// The stand-in's game definition, its class registered first.
std::string StandInDefinition() {
    if (!FindRegisteredClass("QmTestScreen")) {
        RegisterObjectClass(ClassOf<TTestScreen>(), "QmTestScreen");
    }
    return R"(<game name="test_screen" type="QmTestScreen"/>)";
}

}  // namespace

TWidgetHarness::TWidgetHarness(int32_t width, int32_t height)
    : TEngineHarness("widgets", width, height) {
    if (Start(StandInDefinition())) {
        screen_ = dynamic_cast<TTestScreen*>(Engine().GetGame().get());
    }
}

Ref<IWidget> TWidgetHarness::Load(std::string_view xml) {
    Ref<IWidget> root = WidgetFromXMLText(xml);
    if (!root) {
        ADD_FAILURE() << "The text makes no widget:\n" << xml;
        return nullptr;
    }
    SetRoot(root);
    return root;
}

Ref<IWidget> TWidgetHarness::Find(std::string_view path) const {
    return screen_->FindWidget(path);
}

Ref<ISurface> TWidgetHarness::RenderTree(uint32_t background) const {
    Ref<ISurface> surface = Engine().CreateSurface();
    surface->SetSize(Width(), Height());
    for (int32_t y = 0; y < Height(); ++y) {
        uint32_t* row = surface->GetScanLine(y);
        for (int32_t x = 0; x < Width(); ++x) row[x] = background;
    }
    if (const Ref<IWidget> root = Root()) {
        root->Render(*surface, SaturatingRound<int32_t>(root->GetLeft()),
                     SaturatingRound<int32_t>(root->GetTop()));
    }
    return surface;
}

TPoint TWidgetHarness::CenterOf(std::string_view path) const {
    const Ref<IWidget> widget = Find(path);
    if (!widget) {
        ADD_FAILURE() << "No widget at \"" << path << "\"";
        return {};
    }
    const TRect bounds = GetWidgetScreenBounds(widget);
    return {int32_t((int64_t{bounds.left} + bounds.right) / 2),
            int32_t((int64_t{bounds.top} + bounds.bottom) / 2)};
}

void TWidgetHarness::ClickAt(std::string_view path, uint8_t sdlButton) {
    const TPoint at = CenterOf(path);
    Click(at.x, at.y, sdlButton);
}
