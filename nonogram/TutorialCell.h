// The widget of one cell on the tutorial's board ("QuillmarchTutorialCell"):
// an effect widget whose looks are its children "closed", "full", "empty"
// and "active" (each optional), of which the cell's state shows one.
//
// Properties: "state" (one of the four looks' names; a change shows that
// look alone, and "full" restarts the whole cell so its opening plays from
// the start), "highlight" ("yes"/"no": handed to the "active" look as a
// boolean, and only while the cell is active, the one state in which the
// player may act on it). "row" and "col", which the board sets, are kept as
// the cell's extra values.
//
// Failures: a missing look is skipped.
#pragma once

#include <string>

#include "effects/AppearanceEffects.h"

class TQuillmarchTutorialCell : public TAppearanceEffectWdiget {
public:
    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    void SetProperty(const std::string& name, const Variant& value) override;

    // The inherited attach, then the state "closed" without touching the
    // looks: the data decides the first look.
    void Attach(IWidgetOwner* owner) override;

    const std::string& GetState() const { return state_; }
    // A different state is shown; the same one again changes nothing.
    void SetState(const std::string& state);

private:
    void UpdateLook();

    std::string state_;
};
