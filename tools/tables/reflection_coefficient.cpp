#include "reflection_coefficient.h"

#include <algorithm>
#include <cmath>

#include "physics_constants.h"

namespace fieldcast::tables {

namespace {
constexpr double kDipoleFieldT = 3.0e-5;  // equatorial field at the surface (IGRF dipole term)
constexpr double kAbsorptionHeightKm = 100.0;
constexpr double kGyroHzPerTesla = kElectronChargeC / (2.0 * kPi * kElectronMassKg);
}  // namespace

double zenithAbsorptionFactor(double solarZenithDeg) {
    const double c = std::cos(0.881 * solarZenithDeg * kRadPerDeg);
    return c > 0.0 ? std::pow(c, 1.3) : 0.0;
}

double gyrofrequencyMhz(double geomagneticLatitudeDeg) {
    const double s = std::sin(geomagneticLatitudeDeg * kRadPerDeg);
    const double r = kMeanEarthRadiusKm / (kMeanEarthRadiusKm + kAbsorptionHeightKm);
    const double fieldT = kDipoleFieldT * r * r * r * std::sqrt(1.0 + 3.0 * s * s);
    return kGyroHzPerTesla * fieldT / 1e6;
}

double nondeviativeAbsorptionDb(double freqCosIncidenceKhz, double sunspotNumber,
                                double gyrofrequencyMhz) {
    const double f = freqCosIncidenceKhz / 1000.0 + gyrofrequencyMhz;
    return 677.2 * (1.0 + 0.0037 * sunspotNumber) / (std::pow(f, 1.98) + 10.2);
}

double lowFrequencyDayLossDb(double freqCosIncidenceKhz) {
    return kLowFrequencyDayLossDb * std::pow(freqCosIncidenceKhz, kLowFrequencyDayLossExponent);
}

double dayLossDb(double freqCosIncidenceKhz, double solarZenithDeg, double sunspotNumber,
                 double gyrofrequencyMhz) {
    const double index = zenithAbsorptionFactor(solarZenithDeg);
    if (index == 0.0) return 0.0;
    const double within = lowFrequencyDayLossDb(freqCosIncidenceKhz);
    const double crossing =
        nondeviativeAbsorptionDb(freqCosIncidenceKhz, sunspotNumber, gyrofrequencyMhz);
    return index / (1.0 / within + 1.0 / crossing);
}

ReflectionModel::ReflectionModel(const std::array<double, kFcsCount>& freqCosIncidenceKhz,
                                 const std::array<double, kFcsCount>& nightDb, double sunspotNumber,
                                 double gyrofrequencyMhz)
    : freqCosIncidenceKhz_(freqCosIncidenceKhz),
      nightDb_(nightDb),
      sunspotNumber_(sunspotNumber),
      gyrofrequencyMhz_(gyrofrequencyMhz) {}

double ReflectionModel::reflectionDb(std::size_t column, double cosSolarZenith) const {
    const double zenithDeg = std::acos(std::clamp(cosSolarZenith, -1.0, 1.0)) * kDegPerRad;
    return nightDb_[column] -
           dayLossDb(freqCosIncidenceKhz_[column], zenithDeg, sunspotNumber_, gyrofrequencyMhz_);
}

}  // namespace fieldcast::tables
