// The registration unit of the particle systems and the curve widget.
#pragma once

#include "core/base/Units.h"

// "stochastic_particle_system", "montecarlo_particle_system",
// "function_particle_system", "multi_particle_system" and "curve_widget".
void RegisterParticleAndCurveClasses();
inline constexpr TUnit kParticleAndCurveUnit = {"ParticlesAndCurves",
                                                RegisterParticleAndCurveClasses, nullptr};
