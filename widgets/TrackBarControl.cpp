#include "widgets/TrackBarControl.h"

#include <algorithm>

#include "core/base/SafeConvert.h"
#include "widgets/WidgetInternal.h"

namespace {

// Key codes the track bar answers.
constexpr int32_t kKeyHome = 1;
constexpr int32_t kKeyEnd = 4;
constexpr int32_t kKeyLeftArrow = 28;
constexpr int32_t kKeyRightArrow = 29;
constexpr int32_t kKeyUpArrow = 30;
constexpr int32_t kKeyDownArrow = 31;

}  // namespace

const TPropertyTable& TTrackBarControl::Table() {
    using T = TTrackBarControl;
    // clang-format off
    static const TPropertyTable table =
        TPropertyTable::Builder<T>(TControlWidget::Table())
            .Accessor("position", &T::GetPosition, &T::SetPosition).NotStored().NoAssign()
            .Field("min", &T::trackMin_, 0).SaveAlways()
            .Field("max", &T::trackMax_, 0).SaveAlways()
            .Accessor("frequency", &T::GetFrequency, &T::SetFrequency).NotStored().NoAssign()
            .Field("frequency", &T::frequency_, 0).SaveAlways().StorageOnly()
            .Field("vertical", &T::vertical_, false)
            .Custom("slidervisible", &T::SliderVisibleProperty, &T::SetSliderVisibleProperty)
            .Build();
    // clang-format on
    return table;
}

Variant TTrackBarControl::SliderVisibleProperty(TTrackBarControl& bar) {
    const Ref<IWidget> slider = bar.slider_.Lock();
    return slider ? Variant(slider->GetVisible()) : Variant();
}

void TTrackBarControl::SetSliderVisibleProperty(TTrackBarControl& bar, const Variant& value) {
    if (const Ref<IWidget> slider = bar.slider_.Lock()) slider->SetVisible(value.ToBool());
}

void TTrackBarControl::LoadFrom(const Ref<IHierStorage>& storage) {
    TControlWidget::LoadFrom(storage);
    SetFrequency(frequency_);
}

void TTrackBarControl::Attach(IWidgetOwner* owner) {
    TControlWidget::Attach(owner);
    slider_ = Weak<IWidget>(Children().GetWidgetByName("image_slider"));
}

void TTrackBarControl::Detach() {
    slider_ = nullptr;
    TControlWidget::Detach();
}

bool TTrackBarControl::GetTabStop() {
    return TControlWidget::GetTabStop() && GetVisible() && GetEnabled();
}

int32_t TTrackBarControl::Snap(double value) const {
    const double snapped = double(frequency_) * RoundHalfEven(value / double(frequency_));
    // Multiples count from 0, so the nearest may lie beyond a bound that is
    // not one; the bound then stands in for it.
    if (snapped < double(trackMin_)) return trackMin_;
    if (snapped > double(trackMax_)) return std::max(trackMax_, trackMin_);
    return int32_t(snapped);
}

void TTrackBarControl::SetPosition(int32_t value) {
    SetPositionFrom(value);
}

void TTrackBarControl::SetPositionFrom(int64_t value) {
    const Ref<IWidget> self(this);
    const int32_t old = position_;
    if (value < trackMin_) {
        position_ = trackMin_;
    } else if (value > trackMax_) {
        // A maximum below the minimum gives way to the minimum.
        position_ = std::max(trackMax_, trackMin_);
    } else {
        position_ = Snap(double(value));
    }
    const Ref<IWidget> slider = slider_.Lock();
    if (slider && trackMax_ != trackMin_) {
        const int64_t travel = vertical_ ? int64_t{GetHeight()} - slider->GetHeight()
                                         : int64_t{GetWidth()} - slider->GetWidth();
        const double place = double((int64_t{position_} - trackMin_) * travel) /
                             double(int64_t{trackMax_} - trackMin_);
        if (vertical_) {
            slider->SetTop(place);
        } else {
            slider->SetLeft(place);
        }
    }
    if (GetOwner() && position_ != old) Notify(kEventTrackBarMoved);
}

void TTrackBarControl::UpdateSliderImages() {
    const Ref<IWidget> slider = slider_.Lock();
    if (!slider) return;
    const Ref<IWidgetCollection> parts = slider->GetChildren();
    if (!parts) return;
    const Ref<IWidget> selected = parts->GetWidgetByName("image_sliderselected");
    const Ref<IWidget> normal = parts->GetWidgetByName("image_slidernormal");
    if (selected) selected->SetVisible(GetPressed());
    if (normal) normal->SetVisible(!selected || !GetPressed());
}

bool TTrackBarControl::MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) {
    (void)shift;
    const Ref<IWidget> slider = slider_.Lock();
    if (button != kButtonLeft || !slider) return false;
    const double along = vertical_ ? y - GetDrawTop() : x - GetDrawLeft();
    const double start = vertical_ ? slider->GetTop() : slider->GetLeft();
    const double length = vertical_ ? slider->GetHeight() : slider->GetWidth();
    // Only the thumb is taken hold of; the rest of the track does nothing.
    if (along < start || along > start + length) return false;
    const Ref<IWidget> self(this);
    if (const Ref<IWindow> window = OwnerWindow()) window->SetMouseCapture(self);
    SetPressed(true);
    grabOffset_ = SaturatingRound<int32_t>(along - start);
    UpdateSliderImages();
    return true;
}

bool TTrackBarControl::MouseMove(int32_t x, int32_t y, int32_t shift) {
    (void)shift;
    const Ref<IWidget> slider = slider_.Lock();
    if (!GetPressed() || !slider) return false;
    const Ref<IWidget> self(this);
    const int64_t range = vertical_ ? int64_t{GetHeight()} - slider->GetHeight()
                                    : int64_t{GetWidth()} - slider->GetWidth();
    const double origin = vertical_ ? GetDrawTop() : GetDrawLeft();
    double offset = double(int64_t{vertical_ ? y : x} - grabOffset_) - origin;
    if (offset <= 0) offset = 0;
    if (offset >= double(range)) offset = double(range);
    if (range > 0) {
        const double value =
            trackMin_ + offset * double(int64_t{trackMax_} - trackMin_) / double(range);
        const int32_t snapped = Snap(value);
        if (snapped != position_) SetPositionFrom(snapped);
        // The thumb follows the pointer exactly, not the snapped position.
        if (trackMax_ != trackMin_) {
            if (vertical_) {
                slider->SetTop(offset);
            } else {
                slider->SetLeft(offset);
            }
        }
    }
    return true;
}

bool TTrackBarControl::MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) {
    (void)x;
    (void)y;
    (void)shift;
    if (!GetPressed() || button != kButtonLeft) return false;
    const Ref<IWidget> self(this);
    if (const Ref<IWindow> window = OwnerWindow()) window->ReleaseMouseCapture();
    SetPressed(false);
    UpdateSliderImages();
    return true;
}

bool TTrackBarControl::HandleKey(int32_t kind, int32_t key, int32_t shift) {
    if (!GetFocused() || kind != kKeyDown) return TControlWidget::HandleKey(kind, key, shift);
    const bool atMin = position_ <= trackMin_;
    const bool atMax = position_ >= trackMax_;
    int64_t next = 0;
    switch (key) {
        case kKeyHome:
            if (atMin) return false;
            next = trackMin_;
            break;
        case kKeyEnd:
            if (atMax) return false;
            next = trackMax_;
            break;
        case kKeyLeftArrow:
        case kKeyUpArrow:
            if (atMin || vertical_ != (key == kKeyUpArrow)) return false;
            next = int64_t{position_} - frequency_;
            break;
        case kKeyRightArrow:
        case kKeyDownArrow:
            if (atMax || vertical_ != (key == kKeyDownArrow)) return false;
            next = int64_t{position_} + frequency_;
            break;
        default:
            return TControlWidget::HandleKey(kind, key, shift);
    }
    const Ref<IWidget> self(this);
    SetPositionFrom(next);
    UpdateSliderImages();
    return true;
}
