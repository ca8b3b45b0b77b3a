// The registration unit of the effect, transition and state widgets.
#pragma once

#include "core/base/Units.h"

// Registers "appearance_effects", "func_appearance_effect",
// "appearance_effect_widget", "sequience_transition_effect",
// "states_widget" and "statemachine_widget".
void RegisterEffectWidgetClasses();

inline constexpr TUnit kEffectWidgetsUnit = {"EffectWidgets", RegisterEffectWidgetClasses, nullptr};
