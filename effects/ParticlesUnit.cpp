#include "effects/ParticlesUnit.h"

#include "core/object/GeneralClasses.h"
#include "effects/CurvesWidget.h"
#include "effects/ParticlesFunction.h"
#include "effects/ParticlesMulti.h"
#include "effects/ParticlesStochastic.h"

void RegisterParticleAndCurveClasses() {
    RegisterObjectClass(ClassOf<TStochasticParticleSystem>(), "stochastic_particle_system");
    RegisterObjectClass(ClassOf<TMonteCarloParticleSystem>(), "montecarlo_particle_system");
    RegisterObjectClass(ClassOf<TFunctionParticleSystem>(), "function_particle_system");
    RegisterObjectClass(ClassOf<TMultiParticleSystem>(), "multi_particle_system");
    RegisterObjectClass(ClassOf<TCurveWidget>(), "curve_widget");
}
