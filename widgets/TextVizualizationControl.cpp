#include "widgets/TextVizualizationControl.h"

#include <limits>

#include "core/base/Utf8.h"
#include "core/persist/Params.h"
#include "widgets/TextWidget.h"
#include "widgets/WidgetInternal.h"

namespace {

constexpr int32_t kCommandFinish = 3;

int32_t Clamp32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return int32_t(value);
}

// A widget's integer property; 0 when it has none that converts.
int32_t IntProperty(IWidget& widget, const std::string& name) {
    try {
        const Variant value = widget.GetProperty(name);
        return value.IsUnassigned() ? 0 : value.ToInt();
    } catch (const Exception&) {
        return 0;
    }
}

}  // namespace

const TPropertyTable& TControlTextVizualization::Table() {
    using C = TControlTextVizualization;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<C>(TControlWidget::Table())
            .Field("startdelaytime", &C::startDelay_, 0).SaveAlways()
            .Field("letterdelaytime", &C::letterDelay_, 0).SaveAlways()
            .Accessor("visualization_time", &C::GetVisualizationTime, nullptr)
            .Custom("visualization_state", &C::StateProperty, nullptr)
            .Build();
    // clang-format on
    return table;
}

Variant TControlTextVizualization::StateProperty(TControlTextVizualization& control) {
    return Variant(int32_t{control.state_});
}

void TControlTextVizualization::SetProperty(const std::string& name, const Variant& value) {
    TControlWidget::SetProperty(name, value);
    if (name != "InitVizualization") return;
    try {
        InitVizualization();
    } catch (const Exception&) {
        // Setting a property never fails towards the caller; the letters
        // made so far stay.
    }
}

void TControlTextVizualization::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    lettersGroup_ = Weak<IWidget>(Children().GetWidgetByName("letters_group"));
}

void TControlTextVizualization::Detach() {
    lettersGroup_ = nullptr;
    TControlWidget::Detach();
}

Ref<IWidget> TControlTextVizualization::LettersGroup() {
    Ref<IWidget> letters = lettersGroup_.Lock();
    // Only a group can hold the letters.
    if (!letters || !Query<IWidgetOwner>(letters) || !letters->GetChildren()) return nullptr;
    return letters;
}

void TControlTextVizualization::ClearLetters(IWidget& letters) {
    const Ref<IWidgetCollection> children = letters.GetChildren();
    const int32_t count = children->GetCount();
    for (int32_t i = 0; i < count; ++i) {
        if (const Ref<IWidget> letter = children->GetWidgetByIndex(i)) letter->SetDead(true);
    }
    children->RemoveDead();
}

void TControlTextVizualization::InitVizualization() {
    const Ref<IWidget> letters = LettersGroup();
    if (!letters) return;
    const Ref<IWidget> self(this);
    ClearLetters(*letters);
    const Ref<IWidgetCollection> letterList = letters->GetChildren();
    int64_t time = startDelay_;
    TWidgetCollection& children = Children();
    // The letters are added to another list, so this one keeps its places.
    const int32_t count = children.GetCount();
    for (int32_t i = 0; i < count; ++i) {
        const Ref<ITextWidget> text = Query<ITextWidget>(children.GetWidgetByIndex(i));
        if (!text) continue;
        letters->SetVisible(true);
        state_ = kRunning;
        text->SetVisible(false);
        const WideString characters = text->GetText();
        const Ref<IParamCollection> params =
            Query<IParamCollection>(CreateAbstractObject(ClassOf<TParamCollection>()));
        const int32_t length = int32_t(characters.size());
        for (int32_t k = 1; k <= length; ++k) {
            TRect place{};
            if (!text->GetSymbolPosition(k, place)) continue;
            const std::string number = std::to_string(k);
            const std::string index = std::to_string(i);
            params->SetValue("name", Variant(number));
            params->SetValue("anchor_left", Variant(std::to_string(place.left)));
            params->SetValue("anchor_top", Variant(std::to_string(place.top)));
            params->SetValue("width", Variant(std::to_string(int64_t{place.right} - place.left)));
            params->SetValue("height", Variant(std::to_string(int64_t{place.bottom} - place.top)));
            params->SetValue("text", Variant(std::string()));
            const Ref<IWidget> letter = CreateFactoryWidget("vizualization_letter", params);
            if (!letter) continue;
            // Named by text as well as position: the letters of a second text
            // would otherwise be refused by the group under the first one's
            // names.
            letter->SetName("letter_" + index + "_" + number);
            letter->SetProperty("text_utf8", Variant(WideToUTF8(characters.substr(k - 1, 1))));
            params->SetValue("name", Variant("appear_letter_" + index + "_" + number));
            if (const Ref<IWidget> fade = CreateFactoryWidget("transparent_widget", params)) {
                letterList->AddWidget(fade);
                fade->SetProperty("widget", Variant(letter));
                fade->SetProperty("currenttime", Variant(Clamp32(-time)));
                time += letterDelay_;
                letter->SetTransparentLevel(0);
                if (k == length) time += IntProperty(*fade, "timetolive");
            }
            letterList->AddWidget(letter);
        }
    }
    visualizationTime_ = Clamp32(time + GetCurrentTime());
}

void TControlTextVizualization::FinishVizualization() {
    const Ref<IWidget> letters = LettersGroup();
    if (!letters) return;
    const Ref<IWidget> self(this);
    state_ = kFinished;
    letters->SetVisible(false);
    ClearLetters(*letters);
    Children().ForEachWidget([](IWidget& child) {
        if (dynamic_cast<ITextWidget*>(&child)) child.SetVisible(true);
    });
    Notify(kEventRevealDone);
}

void TControlTextVizualization::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TControlWidget::DoUpdate(elapsedMs);
    if (state_ == kRunning && GetCurrentTime() > visualizationTime_) FinishVizualization();
}

void TControlTextVizualization::ExecuteCommand(int32_t command,
                                               const Ref<IParamCollection>& params) {
    TControlWidget::ExecuteCommand(command, params);
    if (command == kCommandFinish) FinishVizualization();
}

bool TControlTextVizualization::MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) {
    (void)x;
    (void)y;
    (void)shift;
    (void)button;
    if (state_ == kRunning) {
        FinishVizualization();
        return true;
    }
    if (state_ == kFinished) {
        Notify(kEventRevealClicked);
        return true;
    }
    return false;
}
