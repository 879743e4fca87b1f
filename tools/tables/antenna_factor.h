// Antenna factor: the vertical field at the ground for a vertically polarised wave arriving at
// elevation psi over the curved lossy earth, divided by its value over a flat perfectly
// conducting plane (twice the incident field). Conventions as in fock_airy.h.
#pragma once

#include "fock_airy.h"
#include "physics_constants.h"

namespace fieldcast::tables {

// Fresnel reflection coefficient for vertical polarisation at elevation psi (rad).
Complex verticalReflection(Complex permittivity, double elevationRad);

// Fock's integral G(xi, q) = pi^(-1/2) * integral over the contour from infinity e^{i 2pi/3}
// through 0 to +infinity of e^{i xi t} / (w'(t) - q w(t)) dt. G(0, 0) = 1.3994.
// Taken for xi >= -4.5 only (std::domain_error below): deeper in the lit region G is
// 1 + Rv to within a few thousandths and the quadrature loses its accuracy.
Complex fockPatternIntegral(double xi, Complex q);

class AntennaFactor {
  public:
    AntennaFactor(Ground ground, double freqKhz, double earthRadiusKm = kEffectiveEarthRadiusKm);

    double xi(double elevationDeg) const;  // -m psi
    // |1 + Rv| / 2, geometrical optics.
    double litFactor(double elevationDeg) const;
    // |G(xi, q)| / 2, valid at every angle, needed at low and negative ones.
    double diffractionFactor(double elevationDeg) const;
    // Fock's integral above the switch angle (xi > kAntennaSwitchXi), Fresnel below it.
    double factor(double elevationDeg) const;
    double switchElevationDeg() const;

  private:
    Complex permittivity_;
    double m_;
    Complex q_;
};

}  // namespace fieldcast::tables
