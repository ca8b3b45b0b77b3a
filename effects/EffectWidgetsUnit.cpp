#include "effects/EffectWidgetsUnit.h"

#include "core/object/GeneralClasses.h"
#include "effects/AppearanceEffects.h"
#include "effects/StateWidgets.h"
#include "effects/TransitionWidgets.h"

void RegisterEffectWidgetClasses() {
    RegisterObjectClass(ClassOf<TAppearanceEffectCollection>(), "appearance_effects");
    RegisterObjectClass(ClassOf<TFunctionAppearanceEffect>(), "func_appearance_effect");
    RegisterObjectClass(ClassOf<TAppearanceEffectWdiget>(), "appearance_effect_widget");
    RegisterObjectClass(ClassOf<TSequienceTransitionEffectWdiget>(), "sequience_transition_effect");
    RegisterObjectClass(ClassOf<TStatesWdiget>(), "states_widget");
    RegisterObjectClass(ClassOf<TStateMachineWidget>(), "statemachine_widget");
}
