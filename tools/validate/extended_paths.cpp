#include "extended_paths.h"

#include <cmath>
#include <memory>
#include <stdexcept>

#include "extended_model.h"
#include "geometry/e_layer.h"
#include "geometry/great_circle.h"
#include "geometry/hop_geometry.h"

namespace fieldcast::validation {

namespace {

map::PointResult predictExtended(const map::RunInputs& inputs, const tables::PathEnds& path,
                                 int resultMode) {
    auto moved = std::make_unique<map::RunInputs>(inputs);
    moved->base.txLat = path.tx.latDeg;
    moved->base.txLon = path.tx.lonDeg;
    moved->base.resultMode = resultMode;
    moved->model = {map::PropagationModel::extended, map::CombineRule::power};
    map::ExtendedPredictor predictor(*moved, nullptr, nullptr, map::CombineRule::power);
    map::PointResult result{};
    if (const auto refusal = predictor.predict(path.rx.latDeg, path.rx.lonDeg, result)) {
        throw map::DataError(refusal->line);
    }
    if (result.pathKind != map::PathKind::skyWave) {
        throw std::invalid_argument(
            "the path has no sky wave (50 km or less, or beyond 12,000 km)");
    }
    return result;
}

// The core's cos(solar zenith) for a control point at (latRad, lonRad), the receiving point's
// longitude `rxLonRad`, at an hour.
double coreCosSolarZenith(const map::RunInputs& inputs, double latRad, double lonRad,
                          double rxLonRad, int hourJst) {
    auto record = std::make_unique<PredictionState>(inputs.base);
    PredictionState& s = *record;
    s.rxLon = rxLonRad;
    s.midLat = latRad;
    s.midLon = lonRad;
    s.hourIndex = hourJst;
    setMonthDeclination(s);
    setHourAndControlPoint(s);
    computeReflectionHeight(s);
    return s.cosSolarZenith;
}

}  // namespace

tables::PathPrediction predictExtendedPathHours(const map::RunInputs& inputs,
                                                const tables::PathEnds& path) {
    const map::PointResult result = predictExtended(inputs, path, 1);
    tables::PathPrediction out{};
    out.groundRangeKm = result.groundRangeKm;
    double midLat = 0.0;
    double midLon = 0.0;
    greatCirclePoint(path.tx.latDeg * kRadPerDeg, path.tx.lonDeg * kRadPerDeg,
                     path.rx.latDeg * kRadPerDeg, path.rx.lonDeg * kRadPerDeg, 0.5, midLat, midLon);
    out.midLatDeg = midLat * kDegPerRad;
    out.midLonDeg = midLon * kDegPerRad;
    out.hopCount = 0;
    for (int h = 0; h < kHoursPerDay; ++h) {
        const auto i = static_cast<std::size_t>(h);
        out.hours[i] = {result.hours[i].skyWaveDb, std::nan(""), std::nan(""),
                        coreCosSolarZenith(inputs, midLat, midLon, midLon, h)};
    }
    return out;
}

std::array<double, kHoursPerDay> extendedFieldDb(const map::RunInputs& inputs,
                                                 const tables::PathEnds& path) {
    const map::PointResult result = predictExtended(inputs, path, 2);
    std::array<double, kHoursPerDay> out{};
    for (int h = 0; h < kHoursPerDay; ++h)
        out[static_cast<std::size_t>(h)] = map::reportedField(result, h, 2).db;
    return out;
}

double cosSolarZenithAt(const map::RunInputs& inputs, tables::Site place, int hourJst) {
    const double lat = place.latDeg * kRadPerDeg;
    const double lon = place.lonDeg * kRadPerDeg;
    return coreCosSolarZenith(inputs, lat, lon, lon, hourJst);
}

}  // namespace fieldcast::validation
