// Registration of the user-interface controls: the plain control and the
// buttons, labels, check boxes, radio groups, edits, sequences, bars,
// timers and list boxes built on it.
#pragma once

// Registers "Control", "ButtonControl", "LabelControl", "NumLabelControl",
// "CheckBoxControl", "RadioGroupControl", "EditControl", "SequenceControl",
// "AnimatedBarControl", "ProgressBarControl", "DigitTimerControl" and
// "ListBoxControl".
void RegisterControlClasses();
