// The ground wave over a path of several grounds by Millington's method: the path is cut
// into sections of constant ground, the field of each ground is taken from its curve table,
// and the sums taken from either end are averaged in dB.
//
// For sections S1..Sn from the transmitter, of grounds 1..n and lengths d1..dn, with Ek(d)
// the field of ground k alone at distance d (dB(uV/m) for 1 kW):
//   forward  ER = E1(d1) - E2(d1) + E2(d1 + d2) - E3(d1 + d2) + ... + En(d1 + ... + dn)
//   backward ET = En(dn) - En-1(dn) + En-1(dn + dn-1) - ... + E1(dn + ... + d1)
//   field    E  = (ER + ET) / 2
// which is reciprocal by construction and gives Ek(d) on a path of ground k alone.
//
// The curves hold distances from 50 to 4000 km (the DG axis). Outside them:
//   - Below the first distance d0 the attenuation relative to the inverse-distance field of
//     the curves' reference (300 mV/m at 1 km for 1 kW, 109.54 dB(uV/m)) shrinks in
//     proportion to the distance, as the flat-earth attenuation does while the numerical
//     distance is small:  E(d) = Eref(d) + (E(d0) - Eref(d0)) d / d0.
//     E is continuous at d0, and a section that shrinks to nothing changes the field by
//     nothing (holding the curves' value at d0 would give a 1 km strip of sea the whole
//     50 km gain of sea over land).
//   - Beyond the last distance the lookup's own rule: the straight line in dB through the
//     last interval (3000 to 4000 km), the decay rate of the first mode that rules there.
// A path of length 0 gives +infinity, as the closed form does.
#pragma once

#include <array>
#include <filesystem>
#include <span>
#include <vector>

#include "coastline_mask.h"
#include "record/prediction_state.h"

namespace fieldcast::map {

// The three ground-wave curve tables of the data folder on their shared axes: "GW1.dat" sea
// (code 1), "GW.dat" land (code 2), "GW3.dat" dry land (any other code, as the program
// chooses its curve file).
struct GroundWaveCurves {
    std::array<double, kGwFreqCount> freqAxisKhz;                            // "FG.dat", ascending
    std::array<double, kGwDistCount> distAxisKm;                             // "DG.dat", ascending
    std::array<std::array<double, kGwFreqCount * kGwDistCount>, 3> fieldDb;  // 1 kW
};

// Reads "FG.dat", "DG.dat", "GW1.dat", "GW.dat" and "GW3.dat" of `dataDir` by the program's
// readers. Throws DataError with the program's line and the file.
GroundWaveCurves loadGroundWaveCurveSet(const std::filesystem::path& dataDir);

// 0, 1, 2: the table of a ground code.
int curveIndex(int groundCode);

// A curve's field at `distanceKm` below its first distance `firstKm`, from its value there,
// dB(uV/m): the rule above (+infinity at 0).
double belowFirstDistanceDb(double fieldAtFirstDb, double firstKm, double distanceKm);

// The field of one ground alone at `distanceKm`, dB(uV/m) for 1 kW, at `freqKhz`.
double homogeneousFieldDb(const GroundWaveCurves& curves, int groundCode, double freqKhz,
                          double distanceKm);

struct PathSection {
    int groundCode;
    double lengthKm;
};

// Millington's field over the sections, given from the transmitter, dB(uV/m) for 1 kW.
// Neighbouring sections of one curve table are taken as one; sections of length 0 or less
// are left out. On a path of some length `unusableGround`, when given, receives the ground
// code (1, 2 or 3, as curveFileName names its file) of the curve to blame should the field be
// no usable number: that of the first lookup that is not finite, or else of the lookup of the
// largest magnitude (finite values whose sums leave the doubles).
double millingtonFieldDb(const GroundWaveCurves& curves, double freqKhz,
                         std::span<const PathSection> sectionsFromTx,
                         int* unusableGround = nullptr);

// The default step between the samples of the mask along a path, km; see the README's
// convergence table.
constexpr double kDefaultPathSampleKm = 1.0;

// The step for a mask: half its cell (km along a meridian), and not below the default. A finer
// step samples the same nodes again; the README's convergence table holds it.
double pathSampleStepKm(const LandSeaMask& mask);

// The sections of the great circle from the transmitter to the point, `pathLengthKm` long,
// from the mask sampled every `sampleStepKm` or less (land takes `landCode`). Where two
// samples differ the change is found by bisection to within 1/1024 of the step. The samples
// are taken from the same end whichever end is the transmitter, so a path and its reverse get
// the same sections, reversed.
std::vector<PathSection> pathSections(const LandSeaMask& mask, int landCode, double txLatDeg,
                                      double txLonDeg, double rxLatDeg, double rxLonDeg,
                                      double pathLengthKm,
                                      double sampleStepKm = kDefaultPathSampleKm);

// Both steps at once: the field over the great circle, dB(uV/m) for 1 kW; `unusableGround` as
// millingtonFieldDb sets it.
double mixedPathFieldDb(const GroundWaveCurves& curves, const LandSeaMask& mask, int landCode,
                        double freqKhz, double txLatDeg, double txLonDeg, double rxLatDeg,
                        double rxLonDeg, double pathLengthKm,
                        double sampleStepKm = kDefaultPathSampleKm, int* unusableGround = nullptr);

}  // namespace fieldcast::map
