// Coordinates in degrees, as the map tool takes them; the geometry of each hour is the
// core's own (computeHopGeometryFromRecord), the field the map tool's predictor.
#include "path_prediction.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "geometry/great_circle.h"
#include "geometry/hop_geometry.h"

namespace fieldcast::tables {

Site destination(Site from, double distanceKm, double bearingDeg) {
    const double delta = distanceKm / kRangeEarthRadiusKm;
    const double lat1 = from.latDeg * kRadPerDeg;
    const double bearing = bearingDeg * kRadPerDeg;
    const double lat2 = std::asin(std::sin(lat1) * std::cos(delta) +
                                  std::cos(lat1) * std::sin(delta) * std::cos(bearing));
    const double dLon = std::atan2(std::sin(bearing) * std::sin(delta) * std::cos(lat1),
                                   std::cos(delta) - std::sin(lat1) * std::sin(lat2));
    return {lat2 * kDegPerRad, from.lonDeg + dLon * kDegPerRad};
}

void loadLandPathInputs(const std::filesystem::path& dataDir, double freqKhz, int month, int code,
                        map::Scenario& inputs) {
    map::ScenarioOverrides o;
    o.txPowerKw = 1.0;
    o.freqKhz = freqKhz;
    o.txLatDeg = 0.0;  // each path sets its own
    o.txLonDeg = 0.0;
    o.month = month;
    o.solarActivityCode = code;
    o.txGroundType = 2;
    o.rxGroundType = 2;
    o.midGroundType = 2;
    o.resultMode = 1;
    map::loadScenario(dataDir, o, inputs);
}

PathEnds pathAround(Site midpoint, double groundRangeKm, double bearingDeg) {
    return {destination(midpoint, groundRangeKm / 2.0, bearingDeg + 180.0),
            destination(midpoint, groundRangeKm / 2.0, bearingDeg)};
}

PathPrediction predictPath(const map::Scenario& scenario, const PathEnds& path) {
    map::Scenario moved = scenario;
    moved.base.txLat = path.tx.latDeg;
    moved.base.txLon = path.tx.lonDeg;
    map::PointPredictor predictor(moved);
    map::PointResult result{};
    predictor.predict(path.rx.latDeg, path.rx.lonDeg, result);
    if (result.pathKind != map::PathKind::oneHop && result.pathKind != map::PathKind::twoHop) {
        throw std::invalid_argument("the path has no sky wave (50 km or less, or beyond 4000 km)");
    }

    PathPrediction out{};
    out.groundRangeKm = result.groundRangeKm;
    out.hopCount = result.pathKind == map::PathKind::twoHop ? 2 : 1;
    for (int hour = 0; hour < map::kHourCount; ++hour) {
        PredictionState s = moved.base;
        s.txLat = path.tx.latDeg * kRadPerDeg;
        s.txLon = path.tx.lonDeg * kRadPerDeg;
        s.rxLat = path.rx.latDeg * kRadPerDeg;
        s.rxLon = path.rx.lonDeg * kRadPerDeg;
        computeGroundRange(s);
        s.hourIndex = hour;
        computeHopGeometryFromRecord(s);
        if (hour == 0) {
            out.midLatDeg = s.midLat * kDegPerRad;
            out.midLonDeg = s.midLon * kDegPerRad;
        }
        const auto h = static_cast<std::size_t>(hour);
        out.hours[h] = {result.hours[h].skyWaveDb, s.freqCosIncidenceKhz,
                        std::cos(s.incidenceAngle), s.cosSolarZenith};
    }
    return out;
}

PathPrediction predictPathWithUnitReflection(const map::Scenario& scenario, const PathEnds& path) {
    map::Scenario unit = scenario;
    unit.base.rcxTable.fill(0.0);  // log10 |R| = 0
    return predictPath(unit, path);
}

double medianNightSkyWaveDb(const PathPrediction& prediction) {
    std::vector<double> night;
    for (const HourOnPath& h : prediction.hours) {
        if (h.cosSolarZenith <= kNightCosSolarZenith) night.push_back(h.skyWaveDb);
    }
    if (night.empty()) return std::numeric_limits<double>::quiet_NaN();
    std::sort(night.begin(), night.end());
    const std::size_t n = night.size();
    return n % 2 == 1 ? night[n / 2] : 0.5 * (night[n / 2 - 1] + night[n / 2]);
}

}  // namespace fieldcast::tables
