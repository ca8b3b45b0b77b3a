// The widget of one picture cell on the nonogram board ("QuillmarchCell"):
// an effect widget whose looks are its children "closed", "full" and
// "empty" (each optional), of which the cell's state shows one.
//
// Properties: "state" ("closed", "full", "empty", or any other name, such as
// "invisible", which shows none; "full" restarts its child so its opening
// plays), "state_to_set" (a state taken over once the cell's age is not
// negative: the board breaks cells one after another by giving them a
// negative "currenttime"), "highlight" ("yes" lights the "closed" child while
// the cell is closed), "play_final_animation" (the child "final_animation"
// shown and started at that age, "full" hidden), "final_animation_duration"
// (read only: that child's "animationtime", 0 without it), and "row" and
// "col", which the board sets.
//
// Failures: a missing child is skipped.
#pragma once

#include <cstdint>
#include <string>

#include "effects/AppearanceEffects.h"

class TQuillmarchCell : public TAppearanceEffectWdiget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void SetProperty(const std::string& name, const Variant& value) override;

    // The inherited attach, then the state "closed" without touching the
    // children: the data decides the first look.
    void Attach(IWidgetOwner* owner) override;
    void DoUpdate(int32_t elapsedMs) override;

    const std::string& GetState() const { return state_; }
    // A different state is applied to the children.
    void SetState(const std::string& state);
    // Lights the closed look; nothing unless the cell is closed. The look is
    // told only when the light changes.
    void SetHighlight(bool on);
    int32_t GetRow() const { return row_; }
    int32_t GetCol() const { return col_; }

private:
    void ApplyState();
    // The child "closed", found again when it is no longer this cell's.
    Ref<IWidget> ClosedLook();
    static Variant FinalDurationProperty(TQuillmarchCell& cell);

    Weak<IWidget> closedLook_;
    bool lit_ = false;

    std::string state_;
    std::string stateToSet_;
    int32_t row_ = 0;
    int32_t col_ = 0;
};
