#include "world/GameScreenMenus.h"

#include <exception>

#include "core/base/Log.h"
#include "platform/Platform.h"

namespace {

constexpr int32_t kDefaultGroupHeight = 360;
constexpr int32_t kKeyEscape = 27;

int32_t IntegerOr(const Variant& value, int32_t fallback) {
    int64_t number = 0;
    try {
        if (value.IsUnassigned() || !TryTextToInt64(value.ToString(), number)) return fallback;
    } catch (const std::exception&) {
        return fallback;
    }
    return number < INT32_MIN || number > INT32_MAX ? fallback : static_cast<int32_t>(number);
}

bool StateOf(const Ref<IWidget>& box) {
    try {
        return box->GetProperty("CheckBoxState").ToBool();
    } catch (const std::exception&) {
        return false;
    }
}

// The two boxes and the profile values they stand for.
struct TPlayerOption {
    const char* box;
    const char* key;
};
constexpr TPlayerOption kRightButton = {"checkbox_right_button", "UseRightButtonAsHammer"};
constexpr TPlayerOption kAutoComplete = {"checkbox_autocomplete", "UseAutoComplete"};

}  // namespace

// ---------------------------------------------------------------------------
// TQuillmarchGameScreenMiniMenu

void TQuillmarchGameScreenMiniMenu::AttachOwner(IGameScreenOwner* owner) {
    TGameScreen::AttachOwner(owner);
    const Ref<IWidget> group = FindWidget("buttons");
    if (!group || !group->GetChildren()) {
        Log("WORLD", "in-game menu " + GetName() + ": no \"buttons\" group to lay out");
    }
}

void TQuillmarchGameScreenMiniMenu::LayOutButtons() {
    const Ref<IWidget> group = FindWidget("buttons");
    const Ref<IWidgetCollection> buttons = group ? group->GetChildren() : nullptr;
    if (!buttons) return;
    int32_t visible = 0;
    int32_t height = 0;
    for (int32_t i = 0; i < buttons->GetCount(); ++i) {
        const Ref<IWidget> button = buttons->GetWidgetByIndex(i);
        if (!button || !button->GetVisible()) continue;
        ++visible;
        if (height == 0) height = button->GetHeight();
    }
    if (visible == 0) return;
    const int64_t groupHeight = IntegerOr(group->GetProperty("group_height"), kDefaultGroupHeight);
    // Integer quotients truncate toward zero; too little room gives a
    // negative gap and overlapping buttons.
    const int64_t gap = (groupHeight - int64_t(visible) * height) / visible;
    const int64_t step = gap + height;
    int64_t top = gap / 2;
    for (int32_t i = 0; i < buttons->GetCount(); ++i) {
        const Ref<IWidget> button = buttons->GetWidgetByIndex(i);
        if (!button || !button->GetVisible()) continue;
        button->SetTop(static_cast<double>(top));
        top += step;
    }
}

void TQuillmarchGameScreenMiniMenu::BeforeShow(const Ref<IParamCollection>& params) {
    TGameScreen::BeforeShow(params);
    LayOutButtons();
    pressedButton_.clear();
}

bool TQuillmarchGameScreenMiniMenu::MouseEvent(int32_t code, int32_t x, int32_t y,
                                               int32_t buttons) {
    const Ref<IGameScreenSlave> self(this);
    const bool handled = TGameScreen::MouseEvent(code, x, y, buttons);
    const bool release = code == kMouseLeftUp || code == kMouseMiddleUp || code == kMouseRightUp;
    if (!handled && release && !GetMouseCapture()) CloseMiniMenu();
    return handled;
}

bool TQuillmarchGameScreenMiniMenu::KeyEvent(int32_t kind, int32_t key, int32_t modifiers) {
    const Ref<IGameScreenSlave> self(this);
    const bool handled = TGameScreen::KeyEvent(kind, key, modifiers);
    if (!handled && kind == kKeyDown && key == kKeyEscape) CloseMiniMenu();
    return handled;
}

void TQuillmarchGameScreenMiniMenu::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                                const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreen::HandleEvent(sender, code, params);
    if (!sender) return;
    pressedButton_ = sender->GetName();
    CloseMiniMenu();
}

void TQuillmarchGameScreenMiniMenu::CloseMiniMenu() {
    Ref<IParamCollection> results;
    if (!pressedButton_.empty()) {
        results = Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        results->SetValue("Button", Variant(pressedButton_));
    }
    CloseGameScreen(results);
}

// ---------------------------------------------------------------------------
// TQuillmarchGameScreenOptions

void TQuillmarchGameScreenOptions::AttachOwner(IGameScreenOwner* owner) {
    TGameScreenOptionsWideScreen::AttachOwner(owner);
    autoComplete_ = Weak<IWidget>(FindWidget(kAutoComplete.box));
    rightButton_ = Weak<IWidget>(FindWidget(kRightButton.box));
}

void TQuillmarchGameScreenOptions::DetachOwner() {
    autoComplete_ = nullptr;
    rightButton_ = nullptr;
    TGameScreenOptionsWideScreen::DetachOwner();
}

Ref<IUserProfile> TQuillmarchGameScreenOptions::CurrentProfile() {
    IGameScreenOwner* owner = GetOwner();
    const Ref<IUserProfileCollection> profiles = owner ? owner->GetUserProfiles() : nullptr;
    return profiles ? profiles->GetCurrent() : nullptr;
}

void TQuillmarchGameScreenOptions::Show(const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreenOptionsWideScreen::Show(params);
    const Ref<IUserProfile> profile = CurrentProfile();
    for (const auto& [option, box] : {std::pair{kRightButton, rightButton_.Lock()},
                                      std::pair{kAutoComplete, autoComplete_.Lock()}}) {
        if (!box) continue;
        bool on = false;
        if (profile) {
            const Variant value = profile->GetParams()->GetValue(option.key, Variant("no"));
            on = !value.IsUnassigned() && value.ToString() == "yes";
        }
        box->SetProperty("CheckBoxState", Variant(on));
    }
}

void TQuillmarchGameScreenOptions::HandleEvent(const Ref<IWidget>& sender, int32_t code,
                                               const Ref<IParamCollection>& params) {
    const Ref<IGameScreenSlave> self(this);
    TGameScreenOptionsWideScreen::HandleEvent(sender, code, params);
    if (!sender || code != 2) return;
    const Ref<IUserProfile> profile = CurrentProfile();
    if (!profile) return;
    for (const auto& [option, box] : {std::pair{kRightButton, rightButton_.Lock()},
                                      std::pair{kAutoComplete, autoComplete_.Lock()}}) {
        if (!box || sender->GetName() != option.box) continue;
        profile->GetParams()->SetValue(option.key, Variant(StateOf(box) ? "yes" : "no"));
        if (IGameScreenOwner* owner = GetOwner())
            owner->GetUserProfiles()->Save(owner->GetEngine());
    }
}

void RegisterMenuScreenClasses() {
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenMiniMenu>(), "QuillmarchGameScreenMiniMenu");
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenMiniMenuBrief>(),
                        "QuillmarchGameScreenMiniMenuBrief");
    RegisterObjectClass(ClassOf<TQuillmarchGameScreenOptions>(), "QuillmarchGameScreenOptions");
}
