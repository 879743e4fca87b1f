// Hop geometry of the sky wave over the 8480 km earth, and its path difference to the
// ground wave.
#pragma once

#include "record/prediction_state.h"

namespace fieldcast {

// Solar declination of a month 1..12, degrees.
double monthDeclinationDeg(int month);

// The hour's whole step on the codes in the record (solarActivityCode, month, hourIndex):
// the declination of the month and the hop count, the path midpoint, then
// computeHourGeometry.
void computeHopGeometry(PredictionState& state);

// Its parts: declination of `month`, hop count by groundRangeKm.
void setMonthDeclination(PredictionState& state);
void setHopCount(PredictionState& state);
// hourJst, standardMeridian and the control point; declination and meridian to radians;
// the reflection height; then computeHopPath.
void computeHourGeometry(PredictionState& state);
// Its first part: hourJst, standardMeridian and the control point, with the declination
// and the meridian turned into radians.
void setHourAndControlPoint(PredictionState& state);
// Hop range, slant path, angles, f cos(i), wavelength and phase difference. Any hopCount of
// 1 or more gives hops of equal ground range (fieldcast's hour sets 1 or 2).
void computeHopPath(PredictionState& state);

// The hop range, groundRangeKm / hopCount (set in the record), and the half-hop angle with its
// cosine, tangent and sine: what the hop path takes from the ground range alone, for a caller that
// computes many reflection heights over one path. computeHopPath is computeHopTerms and then the
// form below; the values are the same.
struct HopTerms {
    double halfHopAngle;  // rad
    double cosHalfHop;
    double tanHalfHop;
    double sinHalfHop;
};
HopTerms computeHopTerms(PredictionState& state);
void computeHopPath(PredictionState& state, const HopTerms& terms);

// What computeHopPath sets, for a caller that keeps the path of a reflection height: an hour
// whose height is that of an hour before (foE at its night floor) has the same path.
struct HopPath {
    double hopSlantKm;
    double skyPathKm;
    double elevationAngle;  // rad
    double incidenceAngle;  // rad
    double freqCosIncidenceKhz;
    double wavelengthKm;
    double pathDiffWavelengths;
    double phaseDiffDeg;
};
// computeHopPath in two parts: the path at reflectionHeightKm (changing nothing), then its
// fields set in the record. The values are those of computeHopPath.
HopPath evaluateHopPath(const PredictionState& state, const HopTerms& terms);
void setHopPath(PredictionState& state, const HopPath& path);

}  // namespace fieldcast
