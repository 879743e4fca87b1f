// Fock's integral is taken by adaptive Gauss-Kronrod quadrature over two straight pieces of the
// contour, t = r e^{i 2pi/3} (r from R to 0) and t = r (r from 0 to R), on which 1 / w and
// 1 / w' fall off as exp(-2/3 r^{3/2}); the poles t_s lie near arg t = pi/3, at least 0.8 away
// from both pieces. With z = t e^{i 2pi/3},
//   w(t) = 2 sqrt(pi) e^{i pi/6} Ai(z),  w'(t) = 2 sqrt(pi) e^{i 5pi/6} Ai'(z),
// so  G = e^{-i pi/6} / (2 pi) * integral of e^{i xi t} / (e^{i 2pi/3} Ai'(z) - q Ai(z)) dt.
#include "antenna_factor.h"

#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <cmath>
#include <stdexcept>

#include "ground_wave_curve.h"

namespace fieldcast::tables {

namespace {

// Along the ray |e^{i xi t}| grows as e^{-xi r sqrt(3)/2} for xi < 0: the pieces then cancel
// to about e^{0.22 (-xi)^3}-fold rounding: harmless above xi = -4.5 (a factor 4e8), useless soon
// below it; the lit region takes the Fresnel formula long before.
constexpr double kLowestXi = -4.5;
constexpr double kRayLength = 40.0;       // integrand below e^-30 beyond, for xi >= -4.5
constexpr double kRealAxisLength = 20.0;  // below e^-59 beyond
constexpr double kQuadratureTolerance = 1e-10;
constexpr unsigned kQuadratureDepth = 15;

const Complex kI(0.0, 1.0);
const Complex kRotate = std::polar(1.0, 2.0 * kPi / 3.0);  // e^{i 2pi/3}

// (dt/dr) e^{i xi t} / (e^{i 2pi/3} Ai'(z) - q Ai(z)) at t = r * direction.
Complex integrand(double r, Complex direction, double xi, Complex q) {
    const Complex t = r * direction;
    const AiryAi airy = airyAi(t * kRotate);
    return direction * std::exp(kI * xi * t) / (kRotate * airy.derivative - q * airy.value);
}

Complex integratePiece(Complex direction, double length, double xi, Complex q) {
    using Quadrature = boost::math::quadrature::gauss_kronrod<double, 31>;
    const auto f = [&](double r) { return integrand(r, direction, xi, q); };
    return Quadrature::integrate(f, 0.0, length, kQuadratureDepth, kQuadratureTolerance);
}

}  // namespace

Complex verticalReflection(Complex permittivity, double elevationRad) {
    const double sinPsi = std::sin(elevationRad);
    const double cosPsi = std::cos(elevationRad);
    const Complex root = std::sqrt(permittivity - cosPsi * cosPsi);
    return (permittivity * sinPsi - root) / (permittivity * sinPsi + root);
}

Complex fockPatternIntegral(double xi, Complex q) {
    if (xi < kLowestXi) throw std::domain_error("Fock integral taken too far into the lit region");
    // the ray piece runs inwards, r from R to 0
    const Complex integral =
        -integratePiece(kRotate, kRayLength, xi, q) + integratePiece(1.0, kRealAxisLength, xi, q);
    return std::polar(1.0, -kPi / 6.0) / (2.0 * kPi) * integral;
}

AntennaFactor::AntennaFactor(Ground ground, double freqKhz, double earthRadiusKm)
    : permittivity_(complexPermittivity(ground, freqKhz)), m_(fockScale(freqKhz, earthRadiusKm)) {
    q_ = Complex(0.0, 1.0) * m_ * surfaceImpedance(permittivity_);
}

double AntennaFactor::xi(double elevationDeg) const { return -m_ * elevationDeg * kRadPerDeg; }

double AntennaFactor::litFactor(double elevationDeg) const {
    return std::abs(1.0 + verticalReflection(permittivity_, elevationDeg * kRadPerDeg)) / 2.0;
}

double AntennaFactor::diffractionFactor(double elevationDeg) const {
    return std::abs(fockPatternIntegral(xi(elevationDeg), q_)) / 2.0;
}

double AntennaFactor::switchElevationDeg() const { return -kAntennaSwitchXi / m_ / kRadPerDeg; }

double AntennaFactor::factor(double elevationDeg) const {
    return xi(elevationDeg) > kAntennaSwitchXi ? diffractionFactor(elevationDeg)
                                               : litFactor(elevationDeg);
}

}  // namespace fieldcast::tables
