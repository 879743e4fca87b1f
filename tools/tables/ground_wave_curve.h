// Ground-wave field strength over a smooth homogeneous earth, both antennas on the ground.
//
// Notation (Fock's exp(-i omega t), see fock_airy.h): complex permittivity
// eps = relPermittivity + i 60 lambda sigma; normalised surface impedance for vertical
// polarisation delta = sqrt(eps - 1) / eps; m = (k a / 2)^(1/3) with a the effective earth
// radius; normalised distance x = m d / a; q = i m delta; numerical distance p = -i x q^2
// (= i k d delta^2 / 2). W is the attenuation function: the field is 300 |W| / d mV/m at
// distance d km for 1 kW.
#pragma once

#include <complex>
#include <vector>

#include "fock_airy.h"
#include "physics_constants.h"

namespace fieldcast::tables {

Complex complexPermittivity(Ground ground, double freqKhz);
Complex surfaceImpedance(Complex permittivity);          // delta
double fockScale(double freqKhz, double earthRadiusKm);  // m

// Flat earth: F(p) = 1 + i sqrt(pi p) w(sqrt p), w the Faddeeva function.
Complex flatEarthAttenuation(Complex p);
// Flat earth with the first-order curvature term of the small-distance expansion:
// W = F(p) + (1 + i sqrt(pi p) - (1 + 2p) F(p)) / (4 q^3).
Complex curvedFlatEarthAttenuation(Complex p, Complex q);
// Residue series W = e^{i pi/4} sqrt(pi x) sum_s e^{i x t_s} / (t_s - q^2) over `roots`.
Complex residueSeriesAttenuation(double x, Complex q, const std::vector<Complex>& roots);

// Below this |q| (a ground next to free space: permittivity 1 and almost no conductivity) the
// 1/q^3 of the curvature term magnifies rounding past the printed 0.001 dB, and further down
// to inf: no curve is computed for such a ground. Every real ground, up to 1e4 S/m, lies above.
constexpr double kMinCurveQ = 5e-5;
// Whether the curves of `ground` at `freqKhz` can be computed (|q| at least kMinCurveQ).
bool groundWaveCurveConverges(Ground ground, double freqKhz,
                              double earthRadiusKm = kGroundWaveEarthRadiusKm);
// Below this magnitude of the complex permittivity the surface-impedance method stops meaning
// what it should: for a lossless ground |delta| = sqrt(eps - 1) / eps rises with eps only up to
// eps = 2, so nearer free space a ground gets a smaller impedance and comes out as a better
// ground (permittivity 1 with 1e-6 S/m gave 48 dB(uV/m) at 50 km and 1700 kHz, permittivity 5
// with 1e-5 S/m 26 dB). No soil or water lies below it; dry snow and some dry sands come near.
constexpr double kMinCurvePermittivityMagnitude = 2.0;
// Whether the curves of `ground` at `freqKhz` lie where the method holds (|eps| at least
// kMinCurvePermittivityMagnitude).
bool groundWaveCurveHolds(Ground ground, double freqKhz);

// The curves of one ground at one frequency.
class GroundWaveCurve {
  public:
    GroundWaveCurve(Ground ground, double freqKhz, double earthRadiusKm = kGroundWaveEarthRadiusKm);

    double normalisedDistance(double distanceKm) const;  // x
    Complex numericalDistance(double distanceKm) const;  // p
    Complex q() const { return q_; }
    // Below the switch distance the curvature-corrected flat earth, beyond it the residues.
    Complex attenuation(double distanceKm) const;
    Complex flatAttenuation(double distanceKm) const;     // curvature-corrected flat earth
    Complex residueAttenuation(double distanceKm) const;  // residue series
    double switchDistanceKm() const;
    // dB(uV/m) for 1 kW.
    double fieldDb(double distanceKm) const;

  private:
    double earthRadiusKm_;
    double m_;
    Complex q_;
    mutable std::vector<Complex> roots_;  // grown on demand as shorter distances need more
};

}  // namespace fieldcast::tables
