// The text reveal ("control_text_vizualization"): the texts of the child
// text widgets appear letter by letter. Setting the property
// "InitVizualization" hides each text and puts one widget per drawn
// character into the child "letters_group" (from the factory
// "vizualization_letter", at the character's place), each faded in by a
// widget of the factory "transparent_widget" that starts "letterdelaytime"
// after the previous letter's, the first "startdelaytime" after the start; a
// text begins once the previous one's last letter has faded in. When all have
// appeared, or on a click, or on command 3, the letters go, the texts show
// again and code 7 is reported; a click after that reports code 8.
//
// Letters are named by text and position ("letter_1_4"), so the letters of
// every text stay side by side in the one letters group.
//
// Failures: without a "letters_group" group nothing starts and clicks are
// not taken; a letter the factory does not make is skipped, a fade it does
// not make leaves its letter shown at once. Errors while starting are
// dropped.
#pragma once

#include <cstdint>
#include <string>

#include "widgets/ControlWidget.h"

// Stored keys after the control's: "startdelaytime" and "letterdelaytime"
// (milliseconds, always written). Properties: those two, "visualization_time"
// (the end of the reveal on the control's own clock, "currenttime") and
// "visualization_state" (0 not started, 1 running, 2 finished), both read
// only; setting "InitVizualization" (any value) starts a reveal.
class TControlTextVizualization : public TControlWidget {
public:
    static constexpr uint8_t kNotStarted = 0;
    static constexpr uint8_t kRunning = 1;
    static constexpr uint8_t kFinished = 2;

    static const TPropertyTable& Table();
    const TPropertyTable& GetPropertyTable() const override { return Table(); }

    // The name goes to the group first; "InitVizualization" then starts.
    void SetProperty(const std::string& name, const Variant& value) override;
    // The group's Attach, then the letters group found.
    void Attach(IWidgetOwner* owner) override;
    void Detach() override;
    // The group's step; a running reveal whose end time has passed finishes.
    void DoUpdate(int32_t elapsedMs) override;
    // Command 3 finishes the reveal, whatever its state.
    void ExecuteCommand(int32_t command, const Ref<IParamCollection>& params) override;
    // Any button: a running reveal finishes (code 7), a finished one
    // reports code 8; before a start the release is not taken.
    bool MouseUp(int32_t x, int32_t y, int32_t shift, int32_t button) override;

    // Clears the letters of an earlier reveal and builds the new ones.
    void InitVizualization();
    // The letters cleared, the texts shown, code 7.
    void FinishVizualization();

    uint8_t GetState() const { return state_; }
    int32_t GetVisualizationTime() const { return visualizationTime_; }

private:
    static Variant StateProperty(TControlTextVizualization& control);
    // The letters group as a group with children; null without one.
    Ref<IWidget> LettersGroup();
    void ClearLetters(IWidget& letters);

    int32_t startDelay_ = 0;
    int32_t letterDelay_ = 0;
    Weak<IWidget> lettersGroup_;
    uint8_t state_ = kNotStarted;
    int32_t visualizationTime_ = 0;
};
