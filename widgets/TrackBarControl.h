// The track bar ("TrackBarControl"): an integer position between a minimum
// and a maximum, snapped to multiples of "frequency", shown by the child
// "image_slider" (the thumb) that the player drags along the control
// (across, or down when "vertical") or moves with the keys while the track
// bar has the focus. Every change of the position reports code 3; screens
// read it as the property "position". Among the thumb's children,
// "image_sliderselected" shows while the thumb is held and
// "image_slidernormal" while it is not.
//
// The position never leaves min..max: a multiple of the frequency beyond a
// bound gives the bound itself.
//
// Failures: without the thumb the mouse does nothing, while keys and
// properties still move the position; with min equal to max, or a thumb as
// long as the control, nothing places the thumb. Values that do not convert
// are refused by the property layer.
#pragma once

#include <cstdint>

#include "widgets/ControlWidget.h"

// Stored keys after the control's: "min", "max", "frequency" (all always
// written; a frequency below 1 is taken as 1) and "vertical" (written when
// "yes"). Properties of the same names, "position" (not stored) and
// "slidervisible" (the thumb's visibility; unassigned without a thumb).
// Setting "min" or "max" keeps the position as it is.
class TTrackBarControl : public TControlWidget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void LoadFrom(const Ref<IHierStorage>& storage) override;
    // The group's Attach, then the thumb found.
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    // The tab-stop flag, visible and enabled.
    bool GetTabStop() override;
    // While focused, key downs: Home and End go to the bounds, left and
    // right (across) or up and down (vertical) by the frequency.
    bool HandleKey(int32_t kind, int32_t key, int32_t shift) override;
    // A left press on the thumb captures the mouse and holds the thumb
    // where it was taken; it never takes the focus.
    bool MouseDown(int32_t x, int32_t y, int32_t shift, int32_t button) override;
    // While held: the thumb follows the pointer within the control and the
    // position follows the thumb, snapped.
    bool MouseMove(int32_t x, int32_t y, int32_t shift) override;
    // The left release lets the thumb go where the drag left it.
    bool MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) override;

    int32_t GetPosition() const { return position_; }
    // The value limited to min..max and snapped to the nearest multiple of
    // the frequency (halves to even; multiples count from 0, and one beyond
    // a bound gives the bound). The thumb is placed, and code 3 goes out
    // when the position changed.
    void SetPosition(int32_t value);
    int32_t GetFrequency() const { return frequency_; }
    void SetFrequency(int32_t value) { frequency_ = value < 1 ? 1 : value; }
    int32_t GetMin() const { return trackMin_; }
    int32_t GetMax() const { return trackMax_; }
    bool GetVertical() const { return vertical_; }

private:
    static Variant SliderVisibleProperty(TTrackBarControl& bar);
    static void SetSliderVisibleProperty(TTrackBarControl& bar, const Variant& value);
    // The snapped value, inside min..max.
    int32_t Snap(double value) const;
    void SetPositionFrom(int64_t value);
    // The thumb's images for the pressed flag.
    void UpdateSliderImages();

    int32_t grabOffset_ = 0;
    int32_t trackMin_ = 0;
    int32_t trackMax_ = 0;
    int32_t position_ = 0;
    int32_t frequency_ = 1;
    bool vertical_ = false;
    Weak<IWidget> slider_;
};
