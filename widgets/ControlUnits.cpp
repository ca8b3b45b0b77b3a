#include "widgets/ControlUnits.h"

#include "core/object/GeneralClasses.h"
#include "widgets/ButtonControl.h"
#include "widgets/CheckControls.h"
#include "widgets/ControlWidget.h"
#include "widgets/EditControl.h"
#include "widgets/LabelControls.h"
#include "widgets/ListBoxControl.h"
#include "widgets/ProgressControls.h"
#include "widgets/SequenceControls.h"
#include "widgets/TextVizualizationControl.h"
#include "widgets/TrackBarControl.h"

void RegisterControlClasses() {
    RegisterObjectClass(ClassOf<TControlWidget>(), "Control");
    RegisterObjectClass(ClassOf<TButtonControl>(), "ButtonControl");
    RegisterObjectClass(ClassOf<TLabelControl>(), "LabelControl");
    RegisterObjectClass(ClassOf<TNumLabelControl>(), "NumLabelControl");
    RegisterObjectClass(ClassOf<TCheckBoxControl>(), "CheckBoxControl");
    RegisterObjectClass(ClassOf<TRadioGroupControl>(), "RadioGroupControl");
    RegisterObjectClass(ClassOf<TEditControl>(), "EditControl");
    RegisterObjectClass(ClassOf<TSequenceControl>(), "SequenceControl");
    RegisterObjectClass(ClassOf<TAnimatedBarControl>(), "AnimatedBarControl");
    RegisterObjectClass(ClassOf<TProgressBarControl>(), "ProgressBarControl");
    RegisterObjectClass(ClassOf<TDigitTimerControl>(), "DigitTimerControl");
    RegisterObjectClass(ClassOf<TListBoxControl>(), "ListBoxControl");
    RegisterObjectClass(ClassOf<TTrackBarControl>(), "TrackBarControl");
    RegisterObjectClass(ClassOf<TControlTextVizualization>(), "control_text_vizualization");
}
