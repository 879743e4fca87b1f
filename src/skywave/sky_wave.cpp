// Sky wave. elevationAngle arrives in degrees (from the antenna-factor lookup) and is turned
// back into radians first; every angle inside the formulas is radians. Field strengths are
// mV/m, their dB values relative to 1 uV/m.
#include "skywave/sky_wave.h"

#include <cmath>

namespace fieldcast {

namespace {
double mvmToDb(double fieldMvm) { return 20.0 * std::log(1000.0 * fieldMvm) / std::log(10.0); }

// E0 and E1 from the record, elevationAngle in radians.
void oneHopField(PredictionState& state) {
    state.referenceFieldMvm = kReferenceFieldMvm * std::sqrt(state.txPowerKw);  // field at 1 km
    state.skyWave1HopMvm = std::cos(state.elevationAngle) *
                           (2.0 * state.referenceFieldMvm / state.skyPathKm) * state.rcxFactor *
                           state.ffFactor * state.txAfFactor * state.rxAfFactor;
    state.skyWave1HopDb = mvmToDb(state.skyWave1HopMvm);
}
}  // namespace

const Ground* groundConstantsOf(int code) {
    return code == 1   ? &kSeaGround
           : code == 2 ? &kLandGround
           : code == 3 ? &kDryLandGround
                       : nullptr;
}

void setMidpointGround(PredictionState& state) {
    const Ground* ground = groundConstantsOf(state.midGroundType);
    if (ground == nullptr) return;  // another code keeps the constants of before
    state.groundPermittivity = ground->relPermittivity;
    state.groundConductivitySm = ground->conductivitySm;
}

GroundTerms computeGroundTerms(const PredictionState& state) {
    GroundTerms g{};
    const double er = state.groundPermittivity;
    // 60 lambda sigma with lambda = 300000 / f m: this step keeps the round 3e8 m/s, not
    // kSpeedOfLightMS, and its fields stay as they have always been printed
    const double x = 18000.0 * state.groundConductivitySm / state.freqKhz * 1000.0;
    g.lossTerm = x;
    g.permittivityModulusSq = er * er + x * x;  // |eps_c|^2
    g.permittivityModulus = std::sqrt(g.permittivityModulusSq);
    const double s = x / g.permittivityModulus;
    g.alpha = std::atan(s / std::sqrt(1.0 - s * s));
    g.beta = std::atan(x / er);
    return g;
}

void computeGroundReflection(PredictionState& state) {
    computeGroundReflection(state, computeGroundTerms(state));
}

void computeGroundReflection(PredictionState& state, const GroundTerms& ground) {
    setGroundReflection(state, evaluateGroundReflection(state, ground));
}

GroundReflection evaluateGroundReflection(const PredictionState& state, const GroundTerms& ground) {
    const double delta = state.elevationAngle;
    const double er = state.groundPermittivity;
    const double x = ground.lossTerm;
    GroundReflection r{};
    r.lossTerm = x;
    const double sinD = std::sin(delta);
    const double cosD = std::cos(delta);

    const double k = cosD * cosD;
    const double b = std::sqrt((er - k) * (er - k) + x * x);  // |eps_c - cos^2|
    const double psi = -std::atan(x / (er - k));              // arg(eps_c - cos^2)
    const double m = ground.permittivityModulusSq;
    const double alpha = ground.alpha;
    // N = |numerator * conj(denominator)|, D = |denominator|^2. A square that rounding could
    // take just below zero is 0; terms beyond a double (inf - inf, a loss term of a frequency
    // near 0) stay no number, so the 2-hop field is refused rather than reflected as 0.
    const double nSquared = std::pow(sinD, 4.0) * m * m + b * b -
                            std::cos(2.0 * alpha + psi) * (sinD * sinD * 2.0 * b * m);
    const double n = std::sqrt(nSquared < 0.0 ? 0.0 : nSquared);
    const double d =
        (sinD * sinD * m + b) +
        std::cos(alpha + psi / 2.0) * (sinD * ground.permittivityModulus * 2.0 * std::sqrt(b));
    r.mag = n / d;

    const double q = sinD * sinD * m - b;
    const double beta = ground.beta;
    const double t = sinD * std::sin(beta + psi / 2.0);
    const double sTerm =
        std::sin(beta + psi / 2.0) * sinD * ground.permittivityModulus * 2.0 * std::sqrt(b);
    double phase = 0.0;
    if (q == 0.0 && t == 0.0) {
        phase = 0.0;
    } else if (q == 0.0 && t > 0.0) {
        phase = kHalfPi;
    } else if (q == 0.0 && t < 0.0) {
        phase = -kHalfPi;
    } else if (b - sinD * sinD * m > 0.0) {
        phase = kPi - std::atan(sTerm / (b - sinD * sinD * m));
    } else if (b - sinD * sinD * m < 0.0) {
        phase = -std::atan(sTerm / (b - sinD * sinD * m));
    }
    r.phaseDeg = phase * state.degPerRad;
    return r;
}

void setGroundReflection(PredictionState& state, const GroundReflection& reflection) {
    state.groundLossTerm = reflection.lossTerm;
    state.groundReflMag = reflection.mag;
    state.groundReflPhaseDeg = reflection.phaseDeg;
}

void computeSkyWave(PredictionState& state) {
    setMidpointGround(state);
    computeSkyWave(state, computeGroundTerms(state));
}

void computeSkyWave(PredictionState& state, const GroundTerms& ground) {
    computeSkyWave(state, ground, nullptr);
}

GroundReflection computeSkyWave(PredictionState& state, const GroundTerms& ground,
                                const GroundReflection* known) {
    state.elevationAngle *= state.radPerDeg;  // radians again
    const GroundReflection reflection =
        known != nullptr ? *known : evaluateGroundReflection(state, ground);
    setGroundReflection(state, reflection);
    oneHopField(state);
    return reflection;
}

void computeOneHopSkyWave(PredictionState& state) {
    state.elevationAngle *= state.radPerDeg;  // radians again
    oneHopField(state);
}

void computeTwoHopSkyWave(PredictionState& state) {
    // the second ionospheric reflection and the ground reflection at the midpoint
    state.skyWave2HopMvm = state.skyWave1HopMvm * state.rcxFactor * state.groundReflMag;
    state.skyWave2HopDb = mvmToDb(state.skyWave2HopMvm);
}

void combineWithGroundWave(PredictionState& state) {
    const bool twoHop = state.hopCount == 2;
    const double es = pathSkyWave(state).mvm;
    const double eg = state.groundWaveMvm;
    const double a = es * es + eg * eg;
    const double g = 2.0 * es * eg;
    // the sky wave lags by its extra path and, over two hops, the ground reflection's phase;
    // the sum is not reduced to one turn
    const double thetaDeg =
        twoHop ? state.phaseDiffDeg + state.groundReflPhaseDeg : state.phaseDiffDeg;
    // Equal waves in opposition cancel to 0 (whose dB value is -inf): a square that rounding
    // takes below 0 is 0. Squares beyond a double (inf - inf) stay NaN, for the hour's check
    // to refuse, rather than passing for a cancellation.
    const double combinedSquared = std::cos(thetaDeg * state.radPerDeg) * g + a;
    const double combined = std::sqrt(combinedSquared < 0.0 ? 0.0 : combinedSquared);
    if (twoHop) {
        state.combined2HopMvm = combined;
        state.combined2HopDb = mvmToDb(combined);
    } else {
        state.combined1HopMvm = combined;
        state.combined1HopDb = mvmToDb(combined);
    }
}

}  // namespace fieldcast
