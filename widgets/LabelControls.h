// Display controls: the label ("LabelControl") that shows its child
// "image_selected" instead of "image_normal" while the pointer is over it,
// and the numeric label ("NumLabelControl") that shows a number with
// thousands separators in its child "text" and counts towards a new value
// instead of jumping. Beside them the text helpers of the game's screens:
// minutes-and-seconds text and whole-text case conversions.
//
// Failures: missing children are skipped; a property value that does not
// convert leaves the property as it was (logged by the property layer).
#pragma once

#include <cstdint>
#include <string>

#include "widgets/ControlCounting.h"
#include "widgets/ControlWidget.h"

// "LabelControl". No keys or properties of its own; it sends nothing.
class TLabelControl : public TControlWidget {
public:
    // The group's Attach, then the images of the state.
    void Attach(IWidgetOwner* owner) override;
    // The group's step, then the hover test against the engine's pointer.
    void DoUpdate(int32_t elapsedMs) override;
    void PointerGone() override;

    // Only while enabled: the selected image under the pointer, else the
    // normal one. A disabled label keeps what its children show.
    void UpdateState();
    // Hides both images and shows the state's (the normal one standing in
    // for a missing selected one), even when the state is unchanged.
    void SetState(uint8_t state);

    uint8_t GetImageState() const { return imageState_; }

private:
    bool hover_ = false;
    uint8_t imageState_ = 0;
};

// "NumLabelControl". Stored keys "maxincrementaldurationtime",
// "minincrementalvaluepersecond" and "animation" (all always written).
// Properties: "value" (the target; setting it starts a count), "current_value"
// (read only: the number shown), "animation" (counting rather than jumping),
// "animation_complete" (read only), and the two stored numbers.
class TNumLabelControl : public TControlWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The stored values, then the animation switch applied.
    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // The group's Attach, the child "text" found, the number shown.
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    // The group's step, then one step of the count and the text.
    void DoUpdate(int32_t elapsedMs) override;

    int32_t GetValue() const { return value_; }
    // The new target; the count starts from the number shown at the next
    // update, with the whole time budget again.
    void SetValue(int32_t value);
    int32_t GetCurrentValue() const { return currentValue_; }
    bool GetAnimation() const { return animation_; }
    // On: the number shown jumps to the target at once. Off: the next update
    // jumps.
    void SetAnimation(bool value);
    bool IsAnimationComplete() const { return value_ == currentValue_; }
    // The number shown, with separators, as the text child's "text_utf8".
    void UpdateText();

private:
    int32_t value_ = 0;
    int32_t currentValue_ = 0;
    bool animation_ = true;
    int32_t minPerSecond_ = 0;
    int32_t maxDuration_ = 0;
    int32_t countTime_ = 0;
    Weak<IWidget> textWidget_;
};

// Seconds as text: minutes, delimiter, two-digit seconds; with hours, the
// hours and a delimiter in front (minutes then unpadded: 3725 gives
// "1:2:05"). Empty for a negative number.
WideString FormatTimeString(int32_t seconds, const std::string& delimiter);

// Case conversions unit by unit over ASCII, Latin-1, Latin Extended-A and -B
// and the basic Cyrillic letters; every other unit is kept.
WideString WideUpperCaseText(const WideString& text);
WideString WideLowerCaseText(const WideString& text);
