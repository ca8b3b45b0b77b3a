#include "widgets/ButtonControl.h"

#include "core/base/AsciiText.h"
#include "core/base/ParamStringUtils.h"
#include "core/object/GeneralClasses.h"
#include "core/persist/ValueText.h"

namespace {

const std::string kImageNormalName = "image_normal";
const std::string kImageSelectedName = "image_selected";
const std::string kImageDisabledName = "image_disabled";

std::string LowerAsciiString(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

const TPropertyTable& TButtonControl::Table() {
    using B = TButtonControl;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<B>(TControlWidget::Table())
            .Field("actiontype", &B::actionType_).StorageOnly()
            .Field("GSParams", &B::gsParams_).StorageOnly()
            .Field("gamescreenname", &B::gameScreenName_).StorageOnly()
            .Field("url", &B::url_).StorageOnly()
            .Field("file_to_run", &B::fileToRun_).StorageOnly()
            .Field("props_to_change", &B::propsToChange_).StorageOnly()
            .Build();
    // clang-format on
    return table;
}

void TButtonControl::LoadFrom(const Ref<IHierStorage>& storage) {
    TControlWidget::LoadFrom(storage);
    actionType_ = LowerAsciiString(std::move(actionType_));
}

void TButtonControl::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    // Whatever the images showed before, they match the state from here on.
    imageState_ = kImageNone;
    UpdateImageState();
}

void TButtonControl::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TControlWidget::DoUpdate(elapsedMs);
    // Every frame, whether or not the mouse moved: a widget may have moved
    // under a still pointer.
    const std::optional<bool> inside = PointerInside();
    if (!inside || *inside == hover_) return;
    hover_ = *inside;
    UpdateImageState();
    SetChanged(true);
}

void TButtonControl::PointerGone() {
    if (!hover_) return;
    hover_ = false;
    UpdateImageState();
    SetChanged(true);
}

void TButtonControl::SetEnabled(bool value) {
    TControlWidget::SetEnabled(value);
    UpdateImageState();
}

void TButtonControl::SetImageState(uint8_t state) {
    if (state == imageState_) return;
    imageState_ = state;
    ShowChild(kImageNormalName, false);
    ShowChild(kImageSelectedName, false);
    ShowChild(kImageDisabledName, false);
    switch (state) {
        case kImageNormal:
            ShowChild(kImageNormalName, true);
            break;
        case kImageSelected:
            if (!ShowChild(kImageSelectedName, true)) ShowChild(kImageNormalName, true);
            break;
        case kImageDisabled:
            if (!ShowChild(kImageDisabledName, true)) ShowChild(kImageNormalName, true);
            break;
        default:
            break;  // none: all hidden
    }
}

void TButtonControl::UpdateImageState() {
    if (!GetEnabled()) {
        SetImageState(kImageDisabled);
    } else {
        SetImageState(hover_ ? kImageSelected : kImageNormal);
    }
}

bool TButtonControl::MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) {
    (void)x;
    (void)y;
    (void)shift;
    if (button != kButtonLeft || !GetEnabled()) return false;
    if (const Ref<IWindow> window = OwnerWindow()) window->SetMouseCapture(Ref<IWidget>(this));
    SetPressed(true);
    // The sound belongs to the press: it plays also when the press ends
    // outside the button.
    PlaySound("sound_buttonclick", false, 0, 100);
    return true;
}

bool TButtonControl::MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) {
    (void)shift;
    if (!GetPressed() || button != kButtonLeft) return false;
    // The action may close the screen or drop the button from its tree; the
    // window is the one that holds the capture now.
    const Ref<IWidget> self(this);
    const Ref<IWindow> window = OwnerWindow();
    if (ContainsPoint(x, y, false)) {
        UpdateImageState();
        RunAction();
    }
    // Inside or not: a release outside cancels the click silently.
    if (window) window->ReleaseMouseCapture();
    SetPressed(false);
    return true;
}

void TButtonControl::RunAction() {
    if (actionType_ == "closegamescreen") {
        if (const Ref<IEventHandler> handler = OwnerEventHandler())
            handler->CloseGameScreen(nullptr);
    } else if (actionType_ == "showgamescreen") {
        ShowGameScreen();
    } else if (actionType_ == "url") {
        // The engine hands the address to the platform's opener, never to a
        // shell.
        IWidgetOwner* owner = GetOwner();
        if (const Ref<IEngine> engine = owner ? owner->GetEngine() : nullptr) engine->OpenURL(url_);
    } else if (actionType_ == "run_file") {
        // The engine runs no files: the action is known, and does nothing.
    } else if (actionType_ == "change_props") {
        ChangeProps();
    } else {
        Notify(kEventButtonClick);
    }
}

void TButtonControl::ShowGameScreen() {
    if (gameScreenName_.empty()) return;
    Ref<IParamCollection> params;
    if (!gsParams_.empty()) {
        params = Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        TTwoArrayOfString pairs;
        SplitParams(gsParams_, pairs, '\\', '=');
        for (const auto& pair : pairs) {
            const Ref<TParam> param = CreateObject<TParam>();
            param->SetName(UpperAsciiString(pair[0]));
            param->SetValue(Variant(pair[1]));
            params->Add(param);
        }
    }
    if (const Ref<IEventHandler> handler = OwnerEventHandler()) {
        handler->ShowGameScreen(gameScreenName_, params);
    }
}

void TButtonControl::ChangeProps() {
    TTwoArrayOfString pairs;
    SplitParams(propsToChange_, pairs, '\\', '=');
    for (const auto& pair : pairs) {
        // Flags are written as data stores them ("visible=no"): a "yes" or
        // "no" for a flag property goes in as the flag, every other value as
        // its text.
        Variant value(pair[1]);
        bool flag = false;
        if (ParseBoolText(pair[1], flag) && GetProperty(pair[0]).Get<bool>()) value = Variant(flag);
        SetProperty(pair[0], value);
    }
}
