#include "mixed_path.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "driver/input_files.h"
#include "groundwave/ground_wave.h"
#include "record/file_names.h"
#include "run_inputs.h"

namespace fieldcast::map {

namespace {

constexpr int kBisections = 10;  // a boundary to 1/1024 of the step

// The curves' inverse-distance reference, dB(uV/m) at 1 km for 1 kW.
const double kReferenceDbAt1Km = 20.0 * std::log10(kReferenceFieldMvm * 1000.0);

double tableFieldDb(const GroundWaveCurves& curves, int table, double freqKhz, double distanceKm) {
    const auto lookup = [&](double d) {
        return curveFieldDb(curves.freqAxisKhz, curves.distAxisKm,
                            curves.fieldDb[static_cast<std::size_t>(table)], d, freqKhz);
    };
    const double firstKm = curves.distAxisKm.front();
    if (distanceKm >= firstKm) return lookup(distanceKm);
    if (distanceKm <= 0.0) return std::numeric_limits<double>::infinity();
    const auto referenceDb = [](double d) { return kReferenceDbAt1Km - 20.0 * std::log10(d); };
    // attenuation below the inverse-distance field, shrinking in proportion to the distance
    const double attenuationAtFirstDb = lookup(firstKm) - referenceDb(firstKm);
    return referenceDb(distanceKm) + attenuationAtFirstDb * (distanceKm / firstKm);
}

struct Vec3 {
    double x, y, z;
};

Vec3 unitVector(double latDeg, double lonDeg) {
    const double lat = latDeg * kRadPerDeg;
    const double lon = lonDeg * kRadPerDeg;
    return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

// Points of the great circle from a to b by the angle travelled from a.
class GreatCircle {
  public:
    GreatCircle(double latADeg, double lonADeg, double latBDeg, double lonBDeg) {
        a_ = unitVector(latADeg, lonADeg);
        const Vec3 b = unitVector(latBDeg, lonBDeg);
        const double c = std::clamp(a_.x * b.x + a_.y * b.y + a_.z * b.z, -1.0, 1.0);
        Vec3 w{b.x - c * a_.x, b.y - c * a_.y, b.z - c * a_.z};  // b without its part along a
        const double norm = std::sqrt(w.x * w.x + w.y * w.y + w.z * w.z);
        angle_ = std::atan2(norm, c);
        if (norm > 1e-15) {
            w_ = {w.x / norm, w.y / norm, w.z / norm};
        } else {
            angle_ = 0.0;  // coincident (or antipodal) ends: the start point alone
            w_ = {0.0, 0.0, 0.0};
        }
    }
    // the point at fraction t of the way, degrees
    void at(double t, double& latDeg, double& lonDeg) const {
        atAngle(std::cos(t * angle_), std::sin(t * angle_), latDeg, lonDeg);
    }
    // the point at the angle from a whose cosine and sine are given, degrees
    void atAngle(double c, double s, double& latDeg, double& lonDeg) const {
        const Vec3 p{c * a_.x + s * w_.x, c * a_.y + s * w_.y, c * a_.z + s * w_.z};
        latDeg = std::asin(std::clamp(p.z, -1.0, 1.0)) * kDegPerRad;
        lonDeg = std::atan2(p.y, p.x) * kDegPerRad;
    }
    double angle() const { return angle_; }

  private:
    Vec3 a_{};
    Vec3 w_{};
    double angle_ = 0.0;
};

}  // namespace

GroundWaveCurves loadGroundWaveCurveSet(const std::filesystem::path& dataDir) {
    GroundWaveCurves curves{};
    requireRead(readAxisFile(dataDir, "FG.dat", curves.freqAxisKhz, AxisOrder::ascending));
    requireRead(readAxisFile(dataDir, "DG.dat", curves.distAxisKm, AxisOrder::ascending));
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
                         std::span<const PathSection> sectionsFromTx) {
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
    const auto field = [&](std::size_t run, double d) {
        return tableFieldDb(curves, runs[run].table, freqKhz, d);
    };
    const std::size_t n = runs.size();
    double forwardDb = field(n - 1, totalKm);
    double backwardDb = field(0, totalKm);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double d = edgeKm[i + 1];              // boundary i|i+1 from the transmitter
        forwardDb += field(i, d) - field(i + 1, d);  // leaving run i at the boundary
        backwardDb += field(i + 1, totalKm - d) - field(i, totalKm - d);  // from the far end
    }
    return 0.5 * (forwardDb + backwardDb);
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
    const GreatCircle path = reversed ? GreatCircle(rxLatDeg, rxLonDeg, txLatDeg, txLonDeg)
                                      : GreatCircle(txLatDeg, txLonDeg, rxLatDeg, rxLonDeg);
    const auto groundAt = [&](double t) {
        double lat = 0.0;
        double lon = 0.0;
        path.at(t, lat, lon);
        return mask.groundCode(lat, lon, landCode);
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
        const int ground = mask.groundCode(lat, lon, landCode);
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
                        double rxLonDeg, double pathLengthKm, double sampleStepKm) {
    const std::vector<PathSection> sections = pathSections(
        mask, landCode, txLatDeg, txLonDeg, rxLatDeg, rxLonDeg, pathLengthKm, sampleStepKm);
    return millingtonFieldDb(curves, freqKhz, sections);
}

}  // namespace fieldcast::map
