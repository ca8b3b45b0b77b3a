// Registration of the user-interface controls: the plain control and the
// buttons, labels, check boxes, radio groups, edits, sequences, bars,
// timers, list boxes, track bars and the text reveal built on it.
#pragma once

// Registers "Control", "ButtonControl", "LabelControl", "NumLabelControl",
// "CheckBoxControl", "RadioGroupControl", "EditControl", "SequenceControl",
// "AnimatedBarControl", "ProgressBarControl", "DigitTimerControl",
// "ListBoxControl", "TrackBarControl" and "control_text_vizualization".
void RegisterControlClasses();
