// Sky-wave field strength, the ground reflection at the path midpoint, and the combination
// of the sky wave with the ground wave.
#pragma once

#include "driver/prediction_state.h"

namespace fieldcast {

// Ground constants of the midpoint ground code (1 sea, 2 land, 3 dry land); another code
// leaves them unchanged.
void setMidpointGround(PredictionState& state);

// Loss term, magnitude and phase of the vertical-polarisation reflection coefficient of the
// midpoint ground at elevationAngle (radians).
void computeGroundReflection(PredictionState& state);

// Ground constants, elevationAngle back to radians, ground reflection, E0, E1.
void computeSkyWave(PredictionState& state);
// E2 = E1 * rcxFactor * groundReflMag (2-hop paths).
void computeTwoHopSkyWave(PredictionState& state);
// Phasor sum of the hop count's sky wave and the ground wave.
void combineWithGroundWave(PredictionState& state);

}  // namespace fieldcast
