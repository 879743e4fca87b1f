// Sky-wave field strength, the ground reflection at the path midpoint, and the combination
// of the sky wave with the ground wave.
#pragma once

#include "record/prediction_state.h"

namespace fieldcast {

// The constants of a ground code (1 sea, 2 land, 3 dry land); null for another code.
const Ground* groundConstantsOf(int code);

// Ground constants of the midpoint ground code (1 sea, 2 land, 3 dry land); another code
// leaves them unchanged.
void setMidpointGround(PredictionState& state);

// Loss term, magnitude and phase of the vertical-polarisation reflection coefficient of the
// midpoint ground at elevationAngle (radians).
void computeGroundReflection(PredictionState& state);

// Ground constants, elevationAngle back to radians, ground reflection, E0, E1.
void computeSkyWave(PredictionState& state);

// The terms of the reflection that depend on the ground constants and the frequency alone,
// for a caller that computes many elevation angles with the same ground and frequency.
struct GroundTerms {
    double lossTerm;               // x
    double permittivityModulusSq;  // M = |eps_c|^2
    double permittivityModulus;    // sqrt(M)
    double alpha;                  // arg of eps_c, from x / sqrt(M)
    double beta;                   // arg of eps_c, from x / er
};
// From groundPermittivity, groundConductivitySm (set by setMidpointGround) and freqKhz.
GroundTerms computeGroundTerms(const PredictionState& state);
// The same steps on terms computed before; the values are those of the forms above. The
// sky-wave form leaves out setMidpointGround: the constants are those the terms came from.
void computeGroundReflection(PredictionState& state, const GroundTerms& ground);
void computeSkyWave(PredictionState& state, const GroundTerms& ground);

// What computeGroundReflection sets, for a caller that keeps the reflection of an elevation
// angle (an hour whose hop path is that of an hour before has the same).
struct GroundReflection {
    double lossTerm;  // groundLossTerm
    double mag;       // groundReflMag
    double phaseDeg;  // groundReflPhaseDeg
};
// computeGroundReflection in two parts: the reflection at elevationAngle (changing nothing),
// then its fields set in the record. The values are those of computeGroundReflection.
GroundReflection evaluateGroundReflection(const PredictionState& state, const GroundTerms& ground);
void setGroundReflection(PredictionState& state, const GroundReflection& reflection);
// computeSkyWave with the ground reflection at this elevation angle given, when `known` is not
// null, instead of computed; returns the reflection the record then holds.
GroundReflection computeSkyWave(PredictionState& state, const GroundTerms& ground,
                                const GroundReflection* known);
// The sky wave E1 of computeSkyWave without its ground reflection at the midpoint, whose fields
// keep their values: elevationAngle back to radians, E0, E1. For a caller whose hops reflect on
// grounds of their own (E1 does not depend on the midpoint's reflection).
void computeOneHopSkyWave(PredictionState& state);
// E2 = E1 * rcxFactor * groundReflMag (2-hop paths).
void computeTwoHopSkyWave(PredictionState& state);
// Phasor sum of the hop count's sky wave and the ground wave.
void combineWithGroundWave(PredictionState& state);

// A field strength in mV/m with its dB(uV/m) value.
struct FieldStrength {
    double mvm;
    double db;
};
// The 1-hop or 2-hop value by hopCount: the sky wave, its combination with the ground wave.
inline FieldStrength pathSkyWave(const PredictionState& state) {
    return state.hopCount == 2 ? FieldStrength{state.skyWave2HopMvm, state.skyWave2HopDb}
                               : FieldStrength{state.skyWave1HopMvm, state.skyWave1HopDb};
}
inline FieldStrength pathCombined(const PredictionState& state) {
    return state.hopCount == 2 ? FieldStrength{state.combined2HopMvm, state.combined2HopDb}
                               : FieldStrength{state.combined1HopMvm, state.combined1HopDb};
}
// What a sky-wave hour reports: the combination under result mode 2, else the sky wave.
inline FieldStrength reportedSkyField(const PredictionState& state) {
    return state.resultMode == 2 ? pathCombined(state) : pathSkyWave(state);
}

}  // namespace fieldcast
