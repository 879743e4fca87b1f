// Coordinates in degrees, as the map tool takes them. The hours are the core's: startHour,
// predictPath once, predictSkyHour for each hour, as the map tool's predictor calls them; the
// record after each hour holds its geometry.
#include "path_prediction.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "geometry/great_circle.h"
#include "hour/hour.h"
#include "skywave/sky_wave.h"

namespace fieldcast::tables {

Site destination(Site from, double distanceKm, double bearingDeg) {
    const GreatCircleStep to =
        stepAlongGreatCircle(from.latDeg * kRadPerDeg, distanceKm, bearingDeg * kRadPerDeg);
    return {to.lat * kDegPerRad, from.lonDeg + to.lonOffset * kDegPerRad};
}

void loadLandPathInputs(const std::filesystem::path& dataDir, double freqKhz, int month, int code,
                        map::RunInputs& inputs) {
    map::InputOverrides o;
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
    map::loadRunInputs(dataDir, o, inputs);
}

PathEnds pathAround(Site midpoint, double groundRangeKm, double bearingDeg) {
    return {destination(midpoint, groundRangeKm / 2.0, bearingDeg + 180.0),
            destination(midpoint, groundRangeKm / 2.0, bearingDeg)};
}

PathPrediction predictPathHours(const map::RunInputs& inputs, const PathEnds& path) {
    auto record = std::make_unique<PredictionState>(inputs.base);
    PredictionState& s = *record;
    s.txLat = path.tx.latDeg;  // degrees, converted by startHour
    s.txLon = path.tx.lonDeg;
    s.hourIndex = 0;
    startHour(s, path.rx.latDeg, path.rx.lonDeg);
    const HourTables tables{inputs.txAfTable, inputs.rxAfTable,
                            inputs.txAfTable == inputs.rxAfTable};
    HourTerms terms;
    const HourOutcome start = predictPath(s, tables, terms);
    if (start.end == HourEnd::beyondRange || start.end == HourEnd::shortRange) {
        throw std::invalid_argument("the path has no sky wave (50 km or less, or beyond 4000 km)");
    }
    if (start.end != HourEnd::skyWave) throw map::DataError(refusalLine(start));

    PathPrediction out{};
    out.groundRangeKm = s.groundRangeKm;
    out.midLatDeg = s.midLat * kDegPerRad;
    out.midLonDeg = s.midLon * kDegPerRad;
    out.hopCount = s.hopCount;
    for (s.hourIndex = 0; s.hourIndex < kHoursPerDay; ++s.hourIndex) {
        const HourOutcome hour = predictSkyHour(s, tables, terms);
        if (hour.end != HourEnd::skyWave) throw map::DataError(refusalLine(hour));
        out.hours[static_cast<std::size_t>(s.hourIndex)] = {
            pathSkyWave(s).db, s.freqCosIncidenceKhz, std::cos(s.incidenceAngle), s.cosSolarZenith};
    }
    return out;
}

PathPrediction predictPathWithUnitReflection(const map::RunInputs& inputs, const PathEnds& path) {
    auto unit = std::make_unique<map::RunInputs>(inputs);
    unit->base.rcxTable.fill(0.0);  // log10 |R| = 0
    return predictPathHours(*unit, path);
}

double median(std::vector<double> values) {
    if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

double medianNightSkyWaveDb(const PathPrediction& prediction) {
    std::vector<double> night;
    for (const HourOnPath& h : prediction.hours) {
        if (h.cosSolarZenith <= kNightCosSolarZenith) night.push_back(h.skyWaveDb);
    }
    return median(std::move(night));
}

}  // namespace fieldcast::tables
