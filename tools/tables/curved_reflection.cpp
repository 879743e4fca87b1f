#include "curved_reflection.h"

#include <cmath>
#include <complex>

namespace fieldcast::tables {

namespace {
Complex planeWaveRoot(Complex permittivity, double elevationRad) {
    const double cosPsi = std::cos(elevationRad);
    return std::sqrt(permittivity - cosPsi * cosPsi);
}
}  // namespace

Complex curvedEarthReflection(double s, Complex q) {
    const FockAiryValue up = fockAiry(Complex(-s * s, 0.0));
    // on the real axis the downgoing solution is the conjugate of the upgoing one
    const Complex downW = std::conj(up.w);
    const Complex downWPrime = std::conj(up.wPrime);
    return -(downWPrime - q * downW) / (up.wPrime - q * up.w);
}

Complex verticalFockParameter(Complex permittivity, double m, double elevationRad) {
    return Complex(0.0, 1.0) * m * planeWaveRoot(permittivity, elevationRad) / permittivity;
}

Complex horizontalFockParameter(Complex permittivity, double m, double elevationRad) {
    return Complex(0.0, 1.0) * m * planeWaveRoot(permittivity, elevationRad);
}

}  // namespace fieldcast::tables
