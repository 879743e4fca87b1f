// Ionospheric reflection coefficient |R| of the RCX tables, by f cos(i) and the solar zenith
// angle chi, in two parts:
//   20 log10 |R| = nightDb(f cos i) - dayLossDb(f cos i, chi, R).
// The night part is the reflection of the night E region, fitted through the program to the
// measured night sky wave (night_fit.h). The day part is the absorption of the sunlit
// D region. It follows the sun by the zenith factor of George and Bradley's absorption index,
// max(0, cos(0.881 chi))^1.3, and f cos(i) in two regimes joined harmonically (the smaller
// one governs):
//   - low f cos i, where the wave is reflected within the D region: a power law fitted to the
//     LF day measurements (Decca Navigator 2 % on summer days at f cos i near 30 kHz, GBR's
//     exp(-a cos i) with a near 1 on winter and 4 on autumn days at 3.5-7 kHz), without a
//     solar-activity term (at VLF the daytime attenuation even falls slightly toward solar
//     maximum);
//   - higher f cos i, where the wave crosses the D region to the E region: the nondeviative
//     absorption of George and Bradley at vertical incidence,
//     677.2 (1 + 0.0037 R) / ((f + fH)^1.98 + 10.2) dB, f and fH in MHz, fH the electron
//     gyrofrequency at 100 km, R the sunspot number.
// Frequencies in kHz unless the name says otherwise; angles in degrees.
#pragma once

#include <array>

#include "record/prediction_state.h"

namespace fieldcast::tables {

// Day loss within the D region with the sun overhead: kLowFrequencyDayLossDb (f cos i in
// kHz)^kLowFrequencyDayLossExponent dB, both fitted to the LF day measurements.
constexpr double kLowFrequencyDayLossDb = 7.0;
constexpr double kLowFrequencyDayLossExponent = 0.5;

// max(0, cos(0.881 chi))^1.3: 1 with the sun overhead, 0 from chi = 102.2 degrees on (the sun
// 12 degrees below the horizon), smooth between.
double zenithAbsorptionFactor(double solarZenithDeg);

// Electron gyrofrequency at 100 km of the centred dipole at a geomagnetic latitude, MHz.
double gyrofrequencyMhz(double geomagneticLatitudeDeg);

// Nondeviative absorption of one hop at vertical incidence with the sun overhead, dB.
double nondeviativeAbsorptionDb(double freqCosIncidenceKhz, double sunspotNumber,
                                double gyrofrequencyMhz);
// Loss of the reflection within the D region with the sun overhead, dB.
double lowFrequencyDayLossDb(double freqCosIncidenceKhz);

// The day loss, dB (0 by night).
double dayLossDb(double freqCosIncidenceKhz, double solarZenithDeg, double sunspotNumber,
                 double gyrofrequencyMhz);

// One RCX table: the night row at the columns of f cos(i), and the day loss on top.
class ReflectionModel {
  public:
    // nightDb: 20 log10 |R| by night at each column of `freqCosIncidenceKhz`.
    ReflectionModel(const std::array<double, kFcsCount>& freqCosIncidenceKhz,
                    const std::array<double, kFcsCount>& nightDb, double sunspotNumber,
                    double gyrofrequencyMhz);

    // 20 log10 |R| at a column of the table and a cos(solar zenith).
    double reflectionDb(std::size_t column, double cosSolarZenith) const;

  private:
    std::array<double, kFcsCount> freqCosIncidenceKhz_;
    std::array<double, kFcsCount> nightDb_;
    double sunspotNumber_;
    double gyrofrequencyMhz_;
};

}  // namespace fieldcast::tables
