// The reflection coefficient of the curved earth for a wave arriving at a low elevation angle,
// in the earth-flattened form of the curved-earth mode theory. Conventions as in fock_airy.h
// (time factor exp(-i omega t), w1 = w and, on the real axis, w2 = conj(w1)).
//
// Over a sphere of radius a the wave arriving at elevation psi meets the earth's surface with
// the modified refractive index 1 + z / a above it, and its height dependence near the ground
// is w1(t - y) (going up) and w2(t - y) (coming down), t = -s^2, s = m sin(psi),
// m = (k a / 2)^(1/3). The surface's impedance condition w'(t) - q w(t) = 0 on the sum gives
//
//   R(s, q) = -(w2'(t) - q w2(t)) / (w1'(t) - q w1(t)),
//
// with q = i m delta, delta the surface impedance of the plane wave at psi: sqrt(eps - cos^2 psi)
// / eps for vertical polarisation, sqrt(eps - cos^2 psi) for horizontal. For s >> 1 (the
// geometric-optics region, psi >> 1/m) w1 and w2 take their phase asymptotes and R becomes the
// plane-earth Fresnel coefficient (sin psi - delta) / (sin psi + delta) times a phase (the
// reference plane's); toward grazing (s of order 1 and below) the curvature smooths it: with
// |q| << 1 (the sea at LF) it stays near 1 where the plane coefficient passes its
// pseudo-Brewster minimum and turns to -1 at s ~ |q|, far inside the region the plane formula
// does not describe. On the real axis |w2| = |w1|, so a perfect conductor (q = 0) gives |R| = 1
// at every angle, and a passive ground (Re delta >= 0) at most 1.
#pragma once

#include "fock_airy.h"

namespace fieldcast::tables {

// R(s, q) at s = m sin(psi) >= 0.
Complex curvedEarthReflection(double s, Complex q);

// q = i m delta of a ground of complex permittivity `permittivity` (Fock's convention) for
// vertical or horizontal polarisation at elevation `elevationRad`, m the Fock scale of the
// earth and frequency.
Complex verticalFockParameter(Complex permittivity, double m, double elevationRad);
Complex horizontalFockParameter(Complex permittivity, double m, double elevationRad);

}  // namespace fieldcast::tables
