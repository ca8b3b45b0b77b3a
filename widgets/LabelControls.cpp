#include "widgets/LabelControls.h"

#include "core/base/Utf8.h"
#include "engine/EngineStartup.h"  // FormatThousands

namespace {

const std::string kImageNormalName = "image_normal";
const std::string kImageSelectedName = "image_selected";

bool InRange(char16_t unit, int first, int last) {
    return unit >= first && unit <= last;
}

// Latin Extended-A and -B pairs with the upper-case letter on the even
// code, and those with it on the odd code.
bool EvenUpperPair(char16_t unit) {
    return InRange(unit, 256, 311) || InRange(unit, 330, 375) || InRange(unit, 416, 511);
}
bool OddUpperPair(char16_t unit) {
    return InRange(unit, 313, 328) || InRange(unit, 377, 382);
}

char16_t UpperUnit(char16_t unit) {
    if (InRange(unit, 97, 122) || InRange(unit, 224, 254) || InRange(unit, 1072, 1103)) {
        return char16_t(unit - 32);
    }
    if (EvenUpperPair(unit) && unit % 2 == 1) return char16_t(unit - 1);
    if (OddUpperPair(unit) && unit % 2 == 0) return char16_t(unit - 1);
    if (unit == 1105) return 1025;
    return unit;
}

char16_t LowerUnit(char16_t unit) {
    if (InRange(unit, 65, 90) || InRange(unit, 192, 222) || InRange(unit, 1040, 1071)) {
        return char16_t(unit + 32);
    }
    if (EvenUpperPair(unit) && unit % 2 == 0) return char16_t(unit + 1);
    if (OddUpperPair(unit) && unit % 2 == 1) return char16_t(unit + 1);
    if (unit == 1025) return 1105;
    return unit;
}

}  // namespace

// ---------------------------------------------------------------------------
// TLabelControl

void TLabelControl::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    UpdateState();
}

void TLabelControl::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TControlWidget::DoUpdate(elapsedMs);
    const std::optional<bool> inside = PointerInside();
    if (!inside || *inside == hover_) return;
    hover_ = *inside;
    UpdateState();
}

void TLabelControl::PointerGone() {
    if (!hover_) return;
    hover_ = false;
    UpdateState();
}

void TLabelControl::UpdateState() {
    if (GetEnabled()) SetState(hover_ ? 1 : 0);
}

void TLabelControl::SetState(uint8_t state) {
    imageState_ = state;
    ShowChild(kImageNormalName, false);
    ShowChild(kImageSelectedName, false);
    if (state == 0) {
        ShowChild(kImageNormalName, true);
    } else if (state == 1 && !ShowChild(kImageSelectedName, true)) {
        ShowChild(kImageNormalName, true);
    }
}

// ---------------------------------------------------------------------------
// TNumLabelControl

const TPropertyTable& TNumLabelControl::Table() {
    using N = TNumLabelControl;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<N>(TControlWidget::Table())
            .Accessor("value", &N::GetValue, &N::SetValue).NotStored().NoAssign()
            .Accessor("current_value", &N::GetCurrentValue, nullptr)
            .Accessor("animation", &N::GetAnimation, &N::SetAnimation).NotStored().NoAssign()
            .Accessor("animation_complete", &N::IsAnimationComplete, nullptr)
            .Field("animation", &N::animation_, true).SaveAlways().StorageOnly()
            .Field("maxincrementaldurationtime", &N::maxDuration_, 0).SaveAlways()
            .Field("minincrementalvaluepersecond", &N::minPerSecond_, 0).SaveAlways()
            .Build();
    // clang-format on
    return table;
}

void TNumLabelControl::LoadFrom(const Ref<IHierStorage>& storage) {
    TControlWidget::LoadFrom(storage);
    SetAnimation(animation_);
}

void TNumLabelControl::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    textWidget_ = Weak<IWidget>(FindWidget("text"));
    UpdateText();
}

void TNumLabelControl::Detach() {
    textWidget_ = nullptr;
    TControlWidget::Detach();
}

void TNumLabelControl::SetValue(int32_t value) {
    value_ = value;
    countTime_ = 0;
}

void TNumLabelControl::SetAnimation(bool value) {
    animation_ = value;
    if (!value) return;
    currentValue_ = value_;
    UpdateText();
}

void TNumLabelControl::UpdateText() {
    if (const Ref<IWidget> text = textWidget_.Lock()) {
        text->SetProperty("text_utf8", Variant(FormatThousands(currentValue_)));
    }
}

void TNumLabelControl::DoUpdate(int32_t elapsedMs) {
    const Ref<IWidget> self(this);
    TControlWidget::DoUpdate(elapsedMs);
    if (currentValue_ == value_) return;
    if (!animation_) {
        currentValue_ = value_;
    } else {
        StepValueCount(currentValue_, value_, countTime_, minPerSecond_, maxDuration_, elapsedMs);
    }
    UpdateText();
}

// ---------------------------------------------------------------------------
// Text helpers

WideString FormatTimeString(int32_t seconds, const std::string& delimiter) {
    if (seconds < 0) return {};
    int32_t minutes = seconds / 60;
    const int32_t secs = seconds % 60;
    const int32_t hours = minutes / 60;
    minutes %= 60;
    std::string text;
    if (hours > 0) {
        text += std::to_string(hours);
        text += delimiter;
    }
    text += std::to_string(minutes);
    text += delimiter;
    if (secs < 10) text += '0';
    text += std::to_string(secs);
    return UTF8ToWide(text);
}

WideString WideUpperCaseText(const WideString& text) {
    WideString result = text;
    for (char16_t& unit : result) unit = UpperUnit(unit);
    return result;
}

WideString WideLowerCaseText(const WideString& text) {
    WideString result = text;
    for (char16_t& unit : result) unit = LowerUnit(unit);
    return result;
}
