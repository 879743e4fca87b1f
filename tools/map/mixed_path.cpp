#include "mixed_path.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "driver/input_files.h"
#include "geometry/great_circle.h"
#include "groundwave/ground_wave.h"
#include "record/file_names.h"
#include "run_inputs.h"

namespace fieldcast::map {

namespace {

constexpr int kBisections = 10;  // a boundary to 1/1024 of the step

// The curves' inverse-distance reference, dB(uV/m) at 1 km for 1 kW.
const double kReferenceDbAt1Km = dbFromMvm(kReferenceFieldMvm);

double tableFieldDb(const GroundWaveCurves& curves, int table, double freqKhz, double distanceKm) {
    const auto lookup = [&](double d) {
        return curveFieldDb(curves.freqAxisKhz, curves.distAxisKm,
                            curves.fieldDb[static_cast<std::size_t>(table)], d, freqKhz);
    };
    const double firstKm = curves.distAxisKm.front();
    if (distanceKm >= firstKm) return lookup(distanceKm);
    return belowFirstDistanceDb(lookup(firstKm), firstKm, distanceKm);
}

}  // namespace

double belowFirstDistanceDb(double fieldAtFirstDb, double firstKm, double distanceKm) {
    if (!(distanceKm > 0.0)) return std::numeric_limits<double>::infinity();
    const auto referenceDb = [](double d) { return kReferenceDbAt1Km - 20.0 * std::log10(d); };
    // attenuation below the inverse-distance field, shrinking in proportion to the distance
    const double attenuationAtFirstDb = fieldAtFirstDb - referenceDb(firstKm);
    return referenceDb(distanceKm) + attenuationAtFirstDb * (distanceKm / firstKm);
}

GroundWaveCurves loadGroundWaveCurveSet(const std::filesystem::path& dataDir) {
    GroundWaveCurves curves{};
    requireRead(readGroundWaveAxes(dataDir, curves.freqAxisKhz, curves.distAxisKm));
    for (const int code : {1, 2, 3}) {
        const char* name = curveFileName(code);
        requireRead(readNumberFile(dataDir, name, name,
                                   curves.fieldDb[static_cast<std::size_t>(curveIndex(code))]));
    }
    return curves;
}

int curveIndex(int groundCode) { return groundCode == 1 ? 0 : groundCode == 2 ? 1 : 2; }

double homogeneousFieldDb(const GroundWaveCurves& curves, int groundCode, double freqKhz,
                          double distanceKm) {
    return tableFieldDb(curves, curveIndex(groundCode), freqKhz, distanceKm);
}

double millingtonFieldDb(const GroundWaveCurves& curves, double freqKhz,
                         std::span<const PathSection> sectionsFromTx, int* unusableGround) {
    struct Run {
        int table;
        double lengthKm;
    };
    std::vector<Run> runs;
    for (const PathSection& s : sectionsFromTx) {
        if (!(s.lengthKm > 0.0)) continue;
        const int table = curveIndex(s.groundCode);
        if (!runs.empty() && runs.back().table == table) {
            runs.back().lengthKm += s.lengthKm;
        } else {
            runs.push_back({table, s.lengthKm});
        }
    }
    if (runs.empty()) return std::numeric_limits<double>::infinity();
    // boundaries from the transmitter; the backward sum measures from the far end
    std::vector<double> edgeKm(runs.size() + 1, 0.0);
    for (std::size_t i = 0; i < runs.size(); ++i) edgeKm[i + 1] = edgeKm[i] + runs[i].lengthKm;
    const double totalKm = edgeKm.back();
    // the curve to blame should the field be no usable number
    int blamedTable = runs.front().table;
    double blamedMagnitude = -1.0;
    const auto field = [&](std::size_t run, double d) {
        const double value = tableFieldDb(curves, runs[run].table, freqKhz, d);
        const double magnitude =
            std::isfinite(value) ? std::fabs(value) : std::numeric_limits<double>::infinity();
        if (magnitude > blamedMagnitude) {
            blamedMagnitude = magnitude;
            blamedTable = runs[run].table;
        }
        return value;
    };
    const std::size_t n = runs.size();
    double forwardDb = field(n - 1, totalKm);
    double backwardDb = field(0, totalKm);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double d = edgeKm[i + 1];              // boundary i|i+1 from the transmitter
        forwardDb += field(i, d) - field(i + 1, d);  // leaving run i at the boundary
        backwardDb += field(i + 1, totalKm - d) - field(i, totalKm - d);  // from the far end
    }
    const double fieldDb = 0.5 * (forwardDb + backwardDb);
    // table i holds the curve of ground code i + 1 (curveIndex)
    if (unusableGround != nullptr) *unusableGround = blamedTable + 1;
    return fieldDb;
}

std::vector<PathSection> pathSections(const LandSeaMask& mask, int landCode, double txLatDeg,
                                      double txLonDeg, double rxLatDeg, double rxLonDeg,
                                      double pathLengthKm, double sampleStepKm) {
    // one end chosen by its coordinates alone, so that a path and its reverse share samples
    const auto canonicalLon = [](double lon) {
        double l = std::fmod(lon + 180.0, 360.0);
        if (l < 0.0) l += 360.0;
        return l - 180.0;
    };
    const bool reversed = txLatDeg > rxLatDeg ||
                          (txLatDeg == rxLatDeg && canonicalLon(txLonDeg) > canonicalLon(rxLonDeg));
    const auto arc = [](double latADeg, double lonADeg, double latBDeg, double lonBDeg) {
        return GreatCircleArc(latADeg * kRadPerDeg, lonADeg * kRadPerDeg, latBDeg * kRadPerDeg,
                              lonBDeg * kRadPerDeg);
    };
    const GreatCircleArc path = reversed ? arc(rxLatDeg, rxLonDeg, txLatDeg, txLonDeg)
                                         : arc(txLatDeg, txLonDeg, rxLatDeg, rxLonDeg);
    const auto groundAtPoint = [&](double lat, double lon) {
        return mask.groundCode(lat * kDegPerRad, lon * kDegPerRad, landCode);
    };
    const auto groundAt = [&](double t) {
        double lat = 0.0;
        double lon = 0.0;
        path.at(t, lat, lon);
        return groundAtPoint(lat, lon);
    };

    const double lengthKm = std::max(pathLengthKm, 0.0);
    const int steps =
        std::max(1, static_cast<int>(std::ceil(lengthKm / std::max(sampleStepKm, 1e-6))));
    struct Change {
        double t;
        int ground;  // from t on
    };
    std::vector<Change> changes{{0.0, groundAt(0.0)}};
    // the samples by turning the point one step at a time (two products a sample instead of a
    // sine and a cosine; the rounding stays near 1e-13 rad over a path)
    const double stepAngle = path.angle() / steps;
    const double cosStep = std::cos(stepAngle);
    const double sinStep = std::sin(stepAngle);
    double c = 1.0;
    double s = 0.0;
    for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const double turnedC = c * cosStep - s * sinStep;
        s = s * cosStep + c * sinStep;
        c = turnedC;
        double lat = 0.0;
        double lon = 0.0;
        path.atAngle(c, s, lat, lon);
        const int ground = groundAtPoint(lat, lon);
        if (ground == changes.back().ground) continue;
        double low = static_cast<double>(i - 1) / steps;  // still the previous ground
        double high = t;
        for (int k = 0; k < kBisections; ++k) {
            const double mid = 0.5 * (low + high);
            (groundAt(mid) == ground ? high : low) = mid;
        }
        changes.push_back({0.5 * (low + high), ground});
    }
    std::vector<PathSection> sections;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const double end = i + 1 < changes.size() ? changes[i + 1].t : 1.0;
        sections.push_back({changes[i].ground, (end - changes[i].t) * lengthKm});
    }
    if (reversed) std::reverse(sections.begin(), sections.end());
    return sections;
}

double pathSampleStepKm(const LandSeaMask& mask) {
    return std::max(kDefaultPathSampleKm, 0.5 * mask.cellDeg() * kRadPerDeg * kRangeEarthRadiusKm);
}

double mixedPathFieldDb(const GroundWaveCurves& curves, const LandSeaMask& mask, int landCode,
                        double freqKhz, double txLatDeg, double txLonDeg, double rxLatDeg,
                        double rxLonDeg, double pathLengthKm, double sampleStepKm,
                        int* unusableGround) {
    const std::vector<PathSection> sections = pathSections(
        mask, landCode, txLatDeg, txLonDeg, rxLatDeg, rxLonDeg, pathLengthKm, sampleStepKm);
    return millingtonFieldDb(curves, freqKhz, sections, unusableGround);
}

}  // namespace fieldcast::map
