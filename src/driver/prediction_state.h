// The one record of a prediction: every input, constant, table and result.
//
// Notation
//   - Coordinates are read and printed in degrees. The run multiplies txLat, txLon, rxLat
//     and rxLon by radPerDeg once per hour, in place, so from then on they hold radians;
//     receivers[] keeps the degrees as read.
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

namespace fieldcast {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kDegPerRad = 57.29577951308232;
constexpr double kRadPerDeg = 0.017453292519943295;
constexpr double kRangeEarthRadiusKm = 6360.0;      // sphere of the great-circle range
constexpr double kEffectiveEarthRadiusKm = 8480.0;  // 4/3 earth of the hop geometry
constexpr double kShortRangeLimitKm = 50.0;         // at or below: closed-form ground wave
constexpr double kOneHopLimitKm = 2000.0;           // above: two hops
constexpr double kMaxRangeKm = 4000.0;              // above: outside the method

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
    double latitude;           // degrees, north positive
    double longitude;          // degrees, east positive
};

struct PredictionState {
    // Driver
    std::int32_t receiverIndex;
    std::int32_t hourIndex;
    double speedOfLightKmS;
    double degPerRad;
    double radPerDeg;
    double effectiveEarthRadiusKm;
    char resultFileName[32];
    std::FILE* reportFile;
    std::FILE* receiverListFile;
    ReceiverSite receivers[kReceiverCount];
    double rxLat;  // degrees as copied, radians after the hour's conversion
    double rxLon;

    // Inputs
    double txPowerKw;
    double freqKhz;
    double txLat;  // degrees as read, radians after the hour's conversion
    double txLon;
    std::int32_t txGroundType;
    std::int32_t rxGroundType;
    std::int32_t solarActivityCode;
    std::int32_t month;
    std::int32_t midGroundType;
    std::int32_t resultMode;

    // Path geometry
    double centralAngle;  // rad
    double groundRangeKm;
    double midLat;            // rad
    double midLon;            // rad, not wrapped
    double solarDeclination;  // degrees, then rad
    std::int32_t hopCount;
    double hourJst;
    double standardMeridian;  // degrees, then rad
    double controlLat;        // rad
    double controlLon;        // rad
    double cosSolarZenith;
    double reflectionHeightKm;
    double hopRangeKm;
    double hopSlantKm;
    double skyPathKm;
    double elevationAngle;  // rad; degrees between the AF lookup and the sky-wave step
    double incidenceAngle;  // rad
    double freqCosIncidenceKhz;
    double wavelengthKm;
    double pathDiffWavelengths;
    double phaseDiffDeg;

    // Tables
    std::array<double, kGwFreqCount> gwFreqAxis;                   // kHz, ascending
    std::array<double, kGwDistCount> gwDistAxis;                   // km, ascending
    std::array<double, kGwFreqCount * kGwDistCount> gwCurveTable;  // dB(uV/m) at 1 kW
    std::array<double, kFCount> fAxis;                             // kHz, ascending
    std::array<double, kDCount> dAxis;                             // km, ascending
    std::array<double, kFCount * kDCount> ffTable;
    std::array<double, kPsCount> psAxis;  // degrees, descending
    std::array<double, kFCount * kPsCount> afTable;
    std::array<double, kCsxCount> csxAxis;               // ascending
    std::array<double, kFcsCount> fcsAxis;               // kHz, ascending
    std::array<double, kCsxCount * kFcsCount> rcxTable;  // log10 of the factor

    // Field strength
    double groundWaveDb;
    double groundWaveMvm;
    double ffFactor;
    double txAfFactor;
    double rxAfFactor;
    double rcxFactor;
    double groundPermittivity;
    double groundConductivity;  // S/m
    double groundLossTerm;
    double groundReflMag;
    double groundReflPhaseDeg;
    double referenceFieldMvm;
    double skyWave1HopMvm;
    double skyWave1HopDb;
    double skyWave2HopMvm;
    double skyWave2HopDb;
    double combined1HopMvm;
    double combined1HopDb;
    double combined2HopMvm;
    double combined2HopDb;
};

}  // namespace fieldcast
