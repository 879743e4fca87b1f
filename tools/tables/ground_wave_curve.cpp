#include "ground_wave_curve.h"

#include <cerf.h>

#include <cmath>

namespace fieldcast::tables {

namespace {

const Complex kI(0.0, 1.0);

Complex faddeeva(Complex z) {
    return {re_w_of_z(z.real(), z.imag()), im_w_of_z(z.real(), z.imag())};
}

double wavelengthM(double freqKhz) { return kSpeedOfLightMS / (freqKhz * 1000.0); }

// Residue terms decay as exp(-x Im t_s); stop when they fall below this share of the sum.
constexpr double kResidueTolerance = 1e-10;

}  // namespace

Complex complexPermittivity(Ground ground, double freqKhz) {
    return {ground.relPermittivity, 60.0 * wavelengthM(freqKhz) * ground.conductivitySm};
}

Complex surfaceImpedance(Complex permittivity) {
    return std::sqrt(permittivity - 1.0) / permittivity;
}

double fockScale(double freqKhz, double earthRadiusKm) {
    const double waveNumberPerM = 2.0 * kPi / wavelengthM(freqKhz);
    return std::cbrt(waveNumberPerM * earthRadiusKm * 1000.0 / 2.0);
}

Complex flatEarthAttenuation(Complex p) {
    const Complex rootP = std::sqrt(p);
    return 1.0 + kI * std::sqrt(kPi) * rootP * faddeeva(rootP);
}

Complex curvedFlatEarthAttenuation(Complex p, Complex q) {
    const Complex flat = flatEarthAttenuation(p);
    const Complex curvature = 1.0 + kI * std::sqrt(kPi * p) - (1.0 + 2.0 * p) * flat;
    return flat + curvature / (4.0 * q * q * q);
}

Complex residueSeriesAttenuation(double x, Complex q, const std::vector<Complex>& roots) {
    Complex sum = 0.0;
    for (const Complex& t : roots) sum += std::exp(kI * x * t) / (t - q * q);
    return std::polar(1.0, kPi / 4.0) * std::sqrt(kPi * x) * sum;
}

bool groundWaveCurveConverges(Ground ground, double freqKhz, double earthRadiusKm) {
    const GroundWaveCurve curve(ground, freqKhz, earthRadiusKm);
    return std::abs(curve.q()) >= kMinCurveQ;
}

bool groundWaveCurveHolds(Ground ground, double freqKhz) {
    return std::abs(complexPermittivity(ground, freqKhz)) >= kMinCurvePermittivityMagnitude;
}

GroundWaveCurve::GroundWaveCurve(Ground ground, double freqKhz, double earthRadiusKm)
    : earthRadiusKm_(earthRadiusKm), m_(fockScale(freqKhz, earthRadiusKm)) {
    q_ = kI * m_ * surfaceImpedance(complexPermittivity(ground, freqKhz));
}

double GroundWaveCurve::normalisedDistance(double distanceKm) const {
    return m_ * distanceKm / earthRadiusKm_;
}

Complex GroundWaveCurve::numericalDistance(double distanceKm) const {
    return -kI * normalisedDistance(distanceKm) * q_ * q_;
}

double GroundWaveCurve::switchDistanceKm() const {
    return kGroundWaveSwitchX * earthRadiusKm_ / m_;
}

Complex GroundWaveCurve::flatAttenuation(double distanceKm) const {
    return curvedFlatEarthAttenuation(numericalDistance(distanceKm), q_);
}

Complex GroundWaveCurve::residueAttenuation(double distanceKm) const {
    const double x = normalisedDistance(distanceKm);
    // Grow the root list until the last term is negligible at this distance.
    if (roots_.empty()) extendFockRoots(q_, 8, roots_);
    for (;;) {
        const Complex last = roots_.back();
        const double lastTerm = std::exp(-x * last.imag()) / std::abs(last - q_ * q_);
        const double firstTerm =
            std::exp(-x * roots_.front().imag()) / std::abs(roots_.front() - q_ * q_);
        if (lastTerm < kResidueTolerance * firstTerm) break;
        extendFockRoots(q_, static_cast<int>(roots_.size()) * 3 / 2, roots_);
    }
    return residueSeriesAttenuation(x, q_, roots_);
}

Complex GroundWaveCurve::attenuation(double distanceKm) const {
    return distanceKm < switchDistanceKm() ? flatAttenuation(distanceKm)
                                           : residueAttenuation(distanceKm);
}

double GroundWaveCurve::fieldDb(double distanceKm) const {
    const double fieldMvm = kReferenceFieldMvm * std::abs(attenuation(distanceKm)) / distanceKm;
    return dbFromMvm(fieldMvm);
}

}  // namespace fieldcast::tables
