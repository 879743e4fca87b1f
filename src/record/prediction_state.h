// The one record of a prediction: every input, pass constant, table and result, each with
// its unit.
//
// Notation
//   - Coordinates are read and printed in degrees. The hour multiplies txLat, txLon, rxLat
//     and rxLon by radPerDeg once, in place, so from then on they hold radians; receivers[]
//     keeps the degrees as read.
//   - elevationAngle changes unit in place within the hour: radians from the hop geometry,
//     degrees for the antenna-factor lookup, radians again in the sky-wave step.
//   - solarDeclination and standardMeridian are set in degrees and converted to radians in
//     place every hour, so they are set afresh each hour before the conversion.
//   - Tables are row-major: cell (row r, column c) is table[r * columns + c].
//   - A value-initialised record (PredictionState state{}) is all zeros, as at program start.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

#include "record/constants.h"

namespace fieldcast {

constexpr int kReceiverCount = 50;
constexpr int kNameCapacity = 264;  // 263 bytes and the terminator

// Ground-wave curve set: frequency rows by distance columns.
constexpr int kGwFreqCount = 10;
constexpr int kGwDistCount = 18;
// Sky-wave table set.
constexpr int kFCount = 8;     // frequency rows of FF and AF
constexpr int kDCount = 13;    // hop-distance columns of FF
constexpr int kPsCount = 12;   // elevation-angle columns of AF (descending)
constexpr int kCsxCount = 11;  // cos(solar zenith) rows of RCX
constexpr int kFcsCount = 15;  // f cos(incidence) columns of RCX

struct ReceiverSite {
    char name[kNameCapacity];  // one word, bytes as read (Shift-JIS allowed)
    double latDeg;             // degrees, north positive
    double lonDeg;             // degrees, east positive
};

struct PredictionState {
    // Run and pass
    std::int32_t receiverIndex;              // index into receivers of the pass (only 0)
    std::int32_t hourIndex;                  // h, 0 to 23
    double speedOfLightKmS;                  // km/s, set at the start of the pass
    double degPerRad;                        // degrees per radian, set at the start of the pass
    double radPerDeg;                        // radians per degree, set at the start of the pass
    double effectiveEarthRadiusKm;           // km, earth of the hop geometry
    char resultFileName[32];                 // "QZresult-<receiverIndex>.txt"
    std::FILE* reportFile;                   // open during the pass
    std::FILE* receiverListFile;             // "LATRLONR.dat", open during the run
    ReceiverSite receivers[kReceiverCount];  // the list as read
    double rxLat;                            // degrees as copied, rad after the conversion
    double rxLon;                            // degrees as copied, rad after the conversion

    // Inputs
    double txPowerKw;                // kW
    double freqKhz;                  // kHz
    double txLat;                    // degrees as read, rad after the conversion
    double txLon;                    // degrees as read, rad after the conversion
    std::int32_t txGroundType;       // code: 1 sea, 2 land, other dry land
    std::int32_t rxGroundType;       // code, as txGroundType
    std::int32_t solarActivityCode;  // code 1, 2 or 3
    std::int32_t month;              // 1 to 12
    std::int32_t midGroundType;      // code: 1 sea, 2 land, 3 dry land
    std::int32_t resultMode;         // code: 2 sky wave combined with the ground wave

    // Path geometry
    double centralAngle;         // rad
    double groundRangeKm;        // km, on the 6360 km sphere
    double midLat;               // rad
    double midLon;               // rad, not wrapped
    double solarDeclination;     // degrees when set, rad after the hour's conversion
    std::int32_t hopCount;       // 1 or 2
    double hourJst;              // h
    double standardMeridian;     // degrees when set, rad after the hour's conversion
    double controlLat;           // rad
    double controlLon;           // rad
    double cosSolarZenith;       // cosine of the solar zenith angle at the control point
    double reflectionHeightKm;   // km
    double hopRangeKm;           // km, ground range of one hop
    double hopSlantKm;           // km, hop end to reflection point and back down
    double skyPathKm;            // km, every hop's slant path
    double elevationAngle;       // rad; degrees between the AF lookup and the sky-wave step
    double incidenceAngle;       // rad
    double freqCosIncidenceKhz;  // kHz, not below 5
    double wavelengthKm;         // km
    double pathDiffWavelengths;  // wavelengths, sky path minus ground range
    double phaseDiffDeg;         // degrees, 0 to 360

    // Tables (rows by columns)
    std::array<double, kGwFreqCount> gwFreqAxis;                   // kHz, ascending
    std::array<double, kGwDistCount> gwDistAxis;                   // km, ascending
    std::array<double, kGwFreqCount * kGwDistCount> gwCurveTable;  // dB(uV/m) at 1 kW
    std::array<double, kFCount> fAxis;                             // kHz, ascending
    std::array<double, kDCount> dAxis;                             // km of hop range, ascending
    std::array<double, kFCount * kDCount> ffTable;                 // factor, fAxis by dAxis
    std::array<double, kPsCount> psAxis;                 // degrees of elevation, descending
    std::array<double, kFCount * kPsCount> afTable;      // factor, fAxis by psAxis
    std::array<double, kCsxCount> csxAxis;               // cos(solar zenith), ascending
    std::array<double, kFcsCount> fcsAxis;               // kHz of f cos(incidence), ascending
    std::array<double, kCsxCount * kFcsCount> rcxTable;  // log10 of the factor, csx by fcs

    // Field strength
    double groundWaveDb;          // dB(uV/m)
    double groundWaveMvm;         // mV/m
    double ffFactor;              // focusing factor, linear
    double txAfFactor;            // antenna factor at the transmitter, linear
    double rxAfFactor;            // antenna factor at the receiving point, linear
    double rcxFactor;             // ionospheric reflection factor, linear
    double groundPermittivity;    // relative, of the midpoint ground
    double groundConductivitySm;  // S/m, of the midpoint ground
    double groundLossTerm;      // 60 lambda sigma (lambda in m), the loss part of the permittivity
    double groundReflMag;       // magnitude of the midpoint's reflection coefficient
    double groundReflPhaseDeg;  // degrees, its phase
    double referenceFieldMvm;   // mV/m at 1 km for the power
    double skyWave1HopMvm;      // mV/m
    double skyWave1HopDb;       // dB(uV/m)
    double skyWave2HopMvm;      // mV/m
    double skyWave2HopDb;       // dB(uV/m)
    double combined1HopMvm;     // mV/m
    double combined1HopDb;      // dB(uV/m)
    double combined2HopMvm;     // mV/m
    double combined2HopDb;      // dB(uV/m)
};

// The pass constants, as the run sets them at the start of a receiver pass.
inline void setPassConstants(PredictionState& state) {
    state.speedOfLightKmS = kSpeedOfLightKmS;
    state.degPerRad = kDegPerRad;
    state.radPerDeg = kRadPerDeg;
    state.effectiveEarthRadiusKm = kEffectiveEarthRadiusKm;
}

}  // namespace fieldcast
